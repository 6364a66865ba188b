#pragma once
// Self-describing pictures for effect tests: every pixel's colour tells which
// picture it came from (old or new) and its coordinates there, so a composed
// frame can be read back pixel by pixel: "old picture at (x, y)", "new picture
// at (x, y)" or "something else" (a blend, a fill, a background).
//
// Colour layout of a pixel (blue, green, red as the low 24 bits of the 32-bit
// pixel): bits 0..10 = x, bits 11..21 = y, bits 22..23 = tag (01 old, 10 new).
// Tags 00 and 11 decode as Other, so black and white fills never pass for a
// picture pixel. Pictures up to 2048 x 2048.
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>
#include "pictureshow/ShowEffects.h"

namespace effecttest {

enum class PixelKind { Old, New, Other };

struct PixelClass {
  PixelKind Kind = PixelKind::Other;
  int X = -1, Y = -1;   // coordinates in the picture it came from
  bool operator==(const PixelClass&) const = default;
};

constexpr int MaxCodedSize = 2048;
constexpr uint8_t OldFourthByte = 0x5A;   // fourth byte of every old pixel
constexpr uint8_t NewFourthByte = 0xA5;   // fourth byte of every new pixel

inline uint32_t EncodePixel(PixelKind k, int x, int y) {
  const uint32_t tag = k == PixelKind::Old ? 1u : k == PixelKind::New ? 2u : 0u;
  return (tag << 22) | (uint32_t(y & 2047) << 11) | uint32_t(x & 2047);
}

inline PixelClass DecodePixel(uint32_t raw) {
  const uint32_t v = raw & 0xFFFFFFu;
  const uint32_t tag = v >> 22;
  PixelClass c;
  if (tag == 1u) c.Kind = PixelKind::Old;
  else if (tag == 2u) c.Kind = PixelKind::New;
  else return c;
  c.X = int(v & 2047u);
  c.Y = int((v >> 11) & 2047u);
  return c;
}

inline uint32_t RawPixel(const TBitmap& b, int x, int y) {
  uint32_t v;
  std::memcpy(&v, b.ScanLine(y) + 4 * x, 4);
  return v;
}

inline uint8_t FourthByte(const TBitmap& b, int x, int y) { return b.ScanLine(y)[4 * x + 3]; }

// A w x h picture whose every pixel encodes (kind, x, y); the fourth byte
// holds OldFourthByte / NewFourthByte.
inline std::unique_ptr<TBitmap> MakeCodedPicture(int w, int h, PixelKind k) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf32bit);
  b->SetSize(w, h);
  const uint8_t fourth = k == PixelKind::Old ? OldFourthByte : NewFourthByte;
  for (int y = 0; y < h; ++y) {
    uint8_t* row = b->ScanLine(y);
    for (int x = 0; x < w; ++x) {
      const uint32_t v = EncodePixel(k, x, y);
      row[4 * x + 0] = uint8_t(v);
      row[4 * x + 1] = uint8_t(v >> 8);
      row[4 * x + 2] = uint8_t(v >> 16);
      row[4 * x + 3] = fourth;
    }
  }
  return b;
}

inline std::unique_ptr<TBitmap> MakeOldPicture(int w, int h) { return MakeCodedPicture(w, h, PixelKind::Old); }
inline std::unique_ptr<TBitmap> MakeNewPicture(int w, int h) { return MakeCodedPicture(w, h, PixelKind::New); }

inline PixelClass Classify(const TBitmap& screen, int x, int y) { return DecodePixel(RawPixel(screen, x, y)); }

// Whether the pixel (x, y) of the frame shows the old / new picture's own
// pixel (x, y) (not moved).
inline bool IsOldAt(const TBitmap& s, int x, int y) { return Classify(s, x, y) == PixelClass{PixelKind::Old, x, y}; }
inline bool IsNewAt(const TBitmap& s, int x, int y) { return Classify(s, x, y) == PixelClass{PixelKind::New, x, y}; }

// Counts over a whole frame.
struct FrameCensus {
  int OldInPlace = 0;   // old picture, own coordinates
  int NewInPlace = 0;   // new picture, own coordinates
  int OldMoved = 0;     // old picture, other coordinates
  int NewMoved = 0;     // new picture, other coordinates
  int Other = 0;
  int Total() const { return OldInPlace + NewInPlace + OldMoved + NewMoved + Other; }
};

inline FrameCensus Census(const TBitmap& s) {
  FrameCensus c;
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) {
      const PixelClass p = Classify(s, x, y);
      const bool inPlace = p.X == x && p.Y == y;
      switch (p.Kind) {
        case PixelKind::Old: (inPlace ? c.OldInPlace : c.OldMoved)++; break;
        case PixelKind::New: (inPlace ? c.NewInPlace : c.NewMoved)++; break;
        default: c.Other++; break;
      }
    }
  return c;
}

// The first pixel where `expectNew(x, y)` disagrees with the frame (new in
// place where expected, old in place elsewhere); (-1, -1) when none does.
inline TPoint FirstMismatch(const TBitmap& s, const std::function<bool(int, int)>& expectNew) {
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) {
      const bool ok = expectNew(x, y) ? IsNewAt(s, x, y) : IsOldAt(s, x, y);
      if (!ok) return TPoint(x, y);
    }
  return TPoint(-1, -1);
}

// A coarse picture of a frame for failure messages: one character per cell of
// `cell` x `cell` pixels, from its top-left pixel: 'o' old in place, 'n' new in
// place, 'O' / 'N' moved, '?' other.
inline std::string FrameSketch(const TBitmap& s, int cell = 4) {
  std::string out;
  for (int y = 0; y < s.Height(); y += cell) {
    for (int x = 0; x < s.Width(); x += cell) {
      const PixelClass p = Classify(s, x, y);
      const bool inPlace = p.X == x && p.Y == y;
      out += p.Kind == PixelKind::Old ? (inPlace ? 'o' : 'O') : p.Kind == PixelKind::New ? (inPlace ? 'n' : 'N') : '?';
    }
    out += '\n';
  }
  return out;
}

// Composes one frame as the picture show does: the old picture is copied onto
// the screen, then effect `number` draws at (Step, Progress). The generator of
// the shred, speckle and random-square effects is `rng` (a fresh fixed-seed
// one when null).
struct ComposedFrame {
  std::unique_ptr<TBitmap> Old, New, Screen;
};

inline ComposedFrame ComposeFrame(int number, int w, int h, uint16_t step, int progress,
                                  TEffectRandom* rng = nullptr) {
  ComposedFrame f;
  f.Old = MakeOldPicture(w, h);
  f.New = MakeNewPicture(w, h);
  f.Screen = MakeOldPicture(w, h);
  TEffectRandom local(1);
  TEffectRandomScope scope(rng ? rng : &local);
  if (TEffectProc p = EffectProc(number)) p(f.Screen.get(), f.New.get(), TRect(0, 0, w, h), step, progress);
  return f;
}

}  // namespace effecttest
