#pragma once
// Flash movies for the tests, written on the spot: a stage of the given size
// and background, one filled square that moves across it by one step per
// frame, and optionally a "stop" action on a given frame. Plain, zlib or LZMA
// packed.
#include <lzma.h>
#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace swf {

enum class Pack { Plain, Zlib, Lzma };

struct Movie {
  int Width = 160, Height = 120;      // pixels
  int Frames = 24;
  int FrameRate = 24;                 // whole frames per second
  uint32_t Background = 0x000080;     // RGB
  uint32_t Square = 0xFFFF00;         // RGB
  int SquareSize = 30;                // pixels
  int StopAtFrame = -1;               // frame (0-based) whose action is "stop"; -1 none
  Pack Packing = Pack::Plain;
  bool ActionScript3 = false;         // its file attributes say ActionScript 3 (it has no scripts)
  int DataBytes = 0;                  // bytes of (empty) binary data it carries: a large movie
};

class BitWriter {
 public:
  void u(uint32_t v, int n) {
    for (int i = n - 1; i >= 0; --i) {
      if (bit_ % 8 == 0) bytes.push_back(0);
      if ((v >> i) & 1) bytes.back() |= uint8_t(0x80 >> (bit_ % 8));
      ++bit_;
    }
  }
  void s(int32_t v, int n) { u(uint32_t(v) & (n >= 32 ? ~0u : ((1u << n) - 1)), n); }
  void align() { bit_ = (bit_ + 7) / 8 * 8; }
  std::vector<uint8_t> bytes;
 private:
  size_t bit_ = 0;
};

// Bits needed for the signed values.
inline int SignedBits(std::initializer_list<int32_t> vs) {
  int n = 1;
  for (int32_t v : vs) {
    int b = 1;
    while (v >= (1 << (b - 1)) || v < -(1 << (b - 1))) ++b;
    n = std::max(n, b);
  }
  return n;
}

inline void Rect(BitWriter& w, int32_t xmin, int32_t xmax, int32_t ymin, int32_t ymax) {
  int n = SignedBits({xmin, xmax, ymin, ymax});
  w.u(uint32_t(n), 5);
  w.s(xmin, n); w.s(xmax, n); w.s(ymin, n); w.s(ymax, n);
  w.align();
}

inline void Tag(std::vector<uint8_t>& out, int code, const std::vector<uint8_t>& body) {
  auto put16 = [&](uint32_t v) { out.push_back(uint8_t(v)); out.push_back(uint8_t(v >> 8)); };
  if (body.size() < 63) {
    put16(uint32_t(code << 6) | uint32_t(body.size()));
  } else {
    put16(uint32_t(code << 6) | 0x3F);
    put16(uint32_t(body.size()) & 0xFFFF);
    put16(uint32_t(body.size()) >> 16);
  }
  out.insert(out.end(), body.begin(), body.end());
}

inline std::vector<uint8_t> Rgb(uint32_t c) { return {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)}; }

// A plain movie's bytes (its header as it is, even where it lies) packed
// with zlib or LZMA.
inline std::vector<uint8_t> Repack(const std::vector<uint8_t>& plain, Pack packing) {
  const std::vector<uint8_t> body(plain.begin() + 8, plain.end());
  std::vector<uint8_t> out(plain.begin(), plain.begin() + 8);   // signature, version, length
  out[0] = uint8_t(packing == Pack::Zlib ? 'C' : 'Z');
  out[3] = uint8_t(packing == Pack::Lzma ? 13 : 10);
  if (packing == Pack::Zlib) {
    uLongf n = compressBound(uLong(body.size()));
    std::vector<uint8_t> z(n);
    if (compress(z.data(), &n, body.data(), uLong(body.size())) != Z_OK) throw std::runtime_error("zlib");
    out.insert(out.end(), z.begin(), z.begin() + long(n));
  } else {
    // The ".lzma" encoder's output is 5 property bytes, an 8-byte size, the stream;
    // the movie keeps the packed stream's length, the properties and the stream.
    lzma_options_lzma opt;
    lzma_lzma_preset(&opt, 6);
    lzma_stream s = LZMA_STREAM_INIT;
    if (lzma_alone_encoder(&s, &opt) != LZMA_OK) throw std::runtime_error("lzma");
    std::vector<uint8_t> z(body.size() + 1024);
    s.next_in = body.data(); s.avail_in = body.size();
    s.next_out = z.data(); s.avail_out = z.size();
    lzma_ret rc;
    while ((rc = lzma_code(&s, LZMA_FINISH)) == LZMA_OK) {}
    if (rc != LZMA_STREAM_END) throw std::runtime_error("lzma");
    z.resize(z.size() - s.avail_out);
    lzma_end(&s);
    uint32_t packed = uint32_t(z.size() - 13);
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(packed >> (8 * i)));
    out.insert(out.end(), z.begin(), z.begin() + 5);
    out.insert(out.end(), z.begin() + 13, z.end());
  }
  return out;
}

// The bytes of the movie.
inline std::vector<uint8_t> Write(const Movie& m) {
  std::vector<uint8_t> body;
  BitWriter hdr;
  Rect(hdr, 0, m.Width * 20, 0, m.Height * 20);
  body = hdr.bytes;
  body.push_back(0);                        // rate: fraction
  body.push_back(uint8_t(m.FrameRate));     // rate: whole frames
  body.push_back(uint8_t(m.Frames));
  body.push_back(uint8_t(m.Frames >> 8));
  if (m.ActionScript3) Tag(body, 69, {0x08, 0, 0, 0});   // FileAttributes
  Tag(body, 9, Rgb(m.Background));          // SetBackgroundColor
  // DefineShape 1: a square with a solid fill, drawn from its top-left corner.
  int32_t side = m.SquareSize * 20;
  BitWriter sh;
  sh.u(1, 8); sh.u(0, 8);                   // id 1
  Rect(sh, 0, side, 0, side);
  sh.u(1, 8); sh.u(0, 8);                   // one fill style: solid
  for (uint8_t c : Rgb(m.Square)) sh.u(c, 8);
  sh.u(0, 8);                               // no line styles
  sh.u(1, 4); sh.u(0, 4);                   // fill bits 1, line bits 0
  sh.u(0, 1); sh.u(0, 1); sh.u(0, 1); sh.u(1, 1); sh.u(0, 1); sh.u(0, 1);  // style change: fill 1
  sh.u(1, 1);
  auto edge = [&](int32_t dx, int32_t dy) {
    int n = SignedBits({dx, dy});
    sh.u(1, 1); sh.u(1, 1); sh.u(uint32_t(n - 2), 4);
    sh.u(dx != 0 && dy != 0, 1);
    if (dx != 0 && dy != 0) { sh.s(dx, n); sh.s(dy, n); }
    else if (dy == 0) { sh.u(0, 1); sh.s(dx, n); }
    else { sh.u(1, 1); sh.s(dy, n); }
  };
  edge(side, 0); edge(0, side); edge(-side, 0); edge(0, -side);
  sh.u(0, 6);                               // end of shape
  sh.align();
  Tag(body, 2, sh.bytes);
  // One placement per frame, moving right and down.
  int stepsX = std::max(1, m.Width - m.SquareSize), stepsY = std::max(1, m.Height - m.SquareSize);
  for (int f = 0; f < m.Frames; ++f) {
    int32_t x = int32_t(int64_t(stepsX) * f / std::max(1, m.Frames - 1)) * 20;
    int32_t y = int32_t(int64_t(stepsY) * f / std::max(1, m.Frames - 1)) * 20;
    BitWriter po;
    po.u(f == 0 ? 0x06 : 0x05, 8);          // character+matrix, later move+matrix
    po.u(1, 8); po.u(0, 8);                 // depth 1
    if (f == 0) { po.u(1, 8); po.u(0, 8); } // character 1
    int n = SignedBits({x, y});
    po.u(0, 1); po.u(0, 1); po.u(uint32_t(n), 5); po.s(x, n); po.s(y, n);
    po.align();
    Tag(body, 26, po.bytes);                // PlaceObject2
    if (f == m.StopAtFrame) Tag(body, 12, {0x07, 0x00});   // DoAction: stop
    Tag(body, 1, {});                       // ShowFrame
  }
  if (m.DataBytes > 0) {
    std::vector<uint8_t> data(size_t(m.DataBytes) + 6, 0);
    data[0] = 2;                            // DefineBinaryData of id 2
    Tag(body, 87, data);
  }
  Tag(body, 0, {});                         // End
  uint32_t length = uint32_t(8 + body.size());
  std::vector<uint8_t> out = {'F', 'W', 'S', 10};
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(length >> (8 * i)));
  out.insert(out.end(), body.begin(), body.end());
  return m.Packing == Pack::Plain ? out : Repack(out, m.Packing);
}

// Makes a plain movie's header claim other frames and rate (rate in 1/256
// frames per second), leaving its tags as they are.
inline void SetHeaderFrames(std::vector<uint8_t>& plain, int frames, int rate256) {
  const size_t at = 8 + (5 + 4 * (plain[8] >> 3) + 7) / 8;   // past the stage rectangle
  plain[at] = uint8_t(rate256);
  plain[at + 1] = uint8_t(rate256 >> 8);
  plain[at + 2] = uint8_t(frames);
  plain[at + 3] = uint8_t(frames >> 8);
}

// Movies whose header claims more than they hold, each worth minutes or days
// of frames by its header alone.
namespace lies {
inline std::vector<uint8_t> Plain(int frames, int rate) {
  Movie m;
  m.Frames = frames;
  m.FrameRate = rate;
  return Write(m);
}
// Only a header (36 bytes) claiming 65535 frames.
inline std::vector<uint8_t> HeaderOnly() {
  std::vector<uint8_t> b = Plain(24, 1);
  SetHeaderFrames(b, 65535, 3);
  b.resize(36);
  return b;
}
// 24 frames, the header claiming 65535 at 3/256 frames a second, packed.
inline std::vector<uint8_t> MoreFramesThanHeld(Pack packing) {
  std::vector<uint8_t> b = Plain(24, 1);
  SetHeaderFrames(b, 65535, 3);
  return packing == Pack::Plain ? b : Repack(b, packing);
}
// A good header, its length that of the file, on a body of garbage.
inline std::vector<uint8_t> GarbageBody() {
  std::vector<uint8_t> b = Plain(24, 1);
  SetHeaderFrames(b, 28958, 1);
  const size_t tags = 8 + (5 + 4 * (b[8] >> 3) + 7) / 8 + 4;
  for (size_t i = tags; i < b.size(); ++i) b[i] = uint8_t(0xFF - i % 7);
  return b;
}
// The first 200 bytes of a good zlib-packed movie of 120 frames at 1 a second.
inline std::vector<uint8_t> FirstBytesOfAGoodMovie() {
  std::vector<uint8_t> b = Repack(Plain(120, 1), Pack::Zlib);
  b.resize(200);
  return b;
}
}  // namespace lies

inline void SaveBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!f) throw std::runtime_error("cannot write " + path);
}

inline void Save(const std::string& path, const Movie& m) { SaveBytes(path, Write(m)); }

}  // namespace swf
