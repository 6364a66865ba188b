#pragma once
// What the console and the reader process (platform/sheetreader/) both know
// of a metafile: its header, the size of its picture, and the reader's reply.
// Plain C++, no Qt: the reader includes it too.
//
// Sizes: an enhanced metafile (EMF) shows its frame (hundredths of a
// millimetre) on its header's reference device; a placeable Windows metafile
// (WMF) its frame at 96 pixels per inch; a WMF without the placeable header
// the size its records cover, which only the reader can tell.
//
// The reader is started as "tablo-sheet-reader metafile emf" (or "wmf") with
// the file's bytes on its standard input. It draws the picture itself, at its
// size, and hands back its pixels: what the console takes costs it that
// picture's pixels, whatever the metafile holds. It answers
// "TABLO-METAFILE 2\n", then "SIZE <width> <height>\n", then, when that size
// is within the picture limits, either "PIXELS <bytes>\n" and the picture's
// rows, top first, 4 bytes a pixel (B, G, R, 255), or "PICTURES <pixels>\n"
// when the pictures the drawing holds have more pixels together than one
// picture may (it draws nothing then). It ends with a code other than 0 when
// the metafile is broken.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cmath>
#include <string>

namespace metafile {

// The picture limits (toolkit/Graphics.h checks that they are its own).
constexpr int kMaxSide = 8192;
constexpr int64_t kMaxPixels = 40000000;
inline bool SizeAllowed(int64_t w, int64_t h) {
  return w > 0 && h > 0 && w <= kMaxSide && h <= kMaxSide && w * h <= kMaxPixels;
}
// The bytes a metafile may hold: those of the largest picture allowed, stored
// uncompressed at 32 bits a pixel, with room for its headers.
constexpr size_t kMaxFileBytes = size_t(kMaxPixels) * 4 + (size_t(1) << 20);
// The most SVG text a converter may make of one metafile (the reader's own
// bound: the drawing never leaves it).
constexpr size_t kMaxSvgBytes = size_t(64) << 20;
// The pixels the pictures inside one drawing may hold together: those of the
// largest picture allowed.
constexpr int64_t kMaxEmbeddedPixels = kMaxPixels;

inline uint32_t U32(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline int32_t I32(const unsigned char* p) { return int32_t(U32(p)); }
inline uint16_t U16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }
inline int16_t I16(const unsigned char* p) { return int16_t(U16(p)); }

// Pixels of a length in hundredths of a millimetre on a reference device
// (pixels per millimetre of its header), 96 per inch when it names none.
inline int64_t FrameToPixels(int64_t hundredthsMm, int64_t devicePx, int64_t deviceMm) {
  const double perMm = devicePx > 0 && deviceMm > 0 ? double(devicePx) / double(deviceMm) : 96.0 / 25.4;
  const double px = std::round(double(hundredthsMm) / 100.0 * perMm);
  return px > 1e9 ? int64_t(1e9) : px < -1e9 ? int64_t(-1e9) : int64_t(px);
}

// EMR_HEADER: type 1, record size, bounds, frame (0.01 mm), " EMF", ...,
// reference device in pixels (offset 72) and in millimetres (offset 80).
// False when the bytes do not begin so.
inline bool EmfSize(const unsigned char* b, size_t size, int64_t& w, int64_t& h) {
  if (size < 88 || U32(b) != 1 || U32(b + 40) != 0x464D4520 || U32(b + 4) < 88 || U32(b + 4) > size) return false;
  const int64_t fw = int64_t(I32(b + 32)) - I32(b + 24), fh = int64_t(I32(b + 36)) - I32(b + 28);
  w = FrameToPixels(fw, I32(b + 72), I32(b + 80));
  h = FrameToPixels(fh, I32(b + 76), I32(b + 84));
  return true;
}

// A Windows metafile, placeable or not: the offset of its own header (type 1
// or 2, 9 words long), or -1 when the bytes do not begin so.
inline int WmfHeaderAt(const unsigned char* b, size_t size) {
  const bool placeable = size >= 22 && U32(b) == 0x9AC6CDD7;
  const size_t head = placeable ? 22 : 0;
  if (size < head + 18 || (U16(b + head) != 1 && U16(b + head) != 2) || U16(b + head + 2) != 9) return -1;
  return int(head);
}

// The placeable header's frame (in metafile units) at 96 pixels per inch,
// and in points for the player (left, top, right, bottom). False when its
// units per inch are not positive.
inline bool PlaceableSize(const unsigned char* b, int64_t& w, int64_t& h, float points[4]) {
  const int64_t units = U16(b + 14);
  if (units <= 0) return false;
  const int64_t fw = int64_t(I16(b + 10)) - I16(b + 6), fh = int64_t(I16(b + 12)) - I16(b + 8);
  w = (std::llabs(fw) * 96 + units / 2) / units;
  h = (std::llabs(fh) * 96 + units / 2) / units;
  const float left = float(I16(b + 6) < I16(b + 10) ? I16(b + 6) : I16(b + 10)) * 72.0f / float(units);
  const float top = float(I16(b + 8) < I16(b + 12) ? I16(b + 8) : I16(b + 12)) * 72.0f / float(units);
  points[0] = left;
  points[1] = top;
  points[2] = left + float(std::llabs(fw)) * 72.0f / float(units);
  points[3] = top + float(std::llabs(fh)) * 72.0f / float(units);
  return true;
}

constexpr char kReplyMagic[] = "TABLO-METAFILE 2\n";

inline std::string EncodeSize(int64_t w, int64_t h) {
  return std::string(kReplyMagic) + "SIZE " + std::to_string(w) + " " + std::to_string(h) + "\n";
}
// The header of the picture's pixels (its rows follow).
inline std::string EncodePixelsHeader(int64_t w, int64_t h) { return "PIXELS " + std::to_string(w * h * 4) + "\n"; }
// The drawing's pictures hold too many pixels (a larger count is told as
// 9999999999).
inline std::string EncodePictures(int64_t pixels) {
  return "PICTURES " + std::to_string(pixels > 9999999999LL ? 9999999999LL : pixels) + "\n";
}

struct TReply {
  int64_t Width = 0, Height = 0;
  size_t PixelsAt = 0;          // where the rows begin; 0: none
  int64_t PicturePixels = -1;   // >= 0: refused for the pictures it holds
};

// A reply as the reader writes it: its size, and when the size is within the
// limits the picture's rows (exactly width x height x 4 bytes) or the
// refusal for its pictures. False for anything else.
inline bool DecodeReply(const std::string& r, TReply& out) {
  out = TReply();
  const size_t magic = sizeof kReplyMagic - 1;
  if (r.compare(0, magic, kReplyMagic) != 0) return false;
  size_t at = magic;
  auto number = [&](char end, int64_t& v) {
    const size_t stop = r.find(end, at);
    if (stop == std::string::npos || stop == at || stop - at > 10) return false;
    v = 0;
    for (size_t k = at; k < stop; ++k) {
      if (r[k] < '0' || r[k] > '9') return false;
      v = v * 10 + (r[k] - '0');
    }
    at = stop + 1;
    return true;
  };
  if (r.compare(at, 5, "SIZE ") != 0) return false;
  at += 5;
  if (!number(' ', out.Width) || !number('\n', out.Height)) return false;
  if (!SizeAllowed(out.Width, out.Height)) return at == r.size();
  int64_t n = 0;
  if (r.compare(at, 9, "PICTURES ") == 0) {
    at += 9;
    return number('\n', out.PicturePixels) && out.PicturePixels > kMaxEmbeddedPixels && at == r.size();
  }
  if (r.compare(at, 7, "PIXELS ") != 0) return false;
  at += 7;
  if (!number('\n', n) || n != out.Width * out.Height * 4 || r.size() - at != size_t(n)) return false;
  out.PixelsAt = at;
  return true;
}

// The most a reply may hold for a picture of w x h (any size allowed when
// w or h is not known).
inline size_t MaxReplyBytes(int64_t w, int64_t h) {
  const int64_t pixels = w > 0 && h > 0 && SizeAllowed(w, h) ? w * h : kMaxPixels;
  return size_t(pixels) * 4 + 256;
}

}  // namespace metafile
