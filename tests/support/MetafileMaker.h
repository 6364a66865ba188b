#pragma once
// Metafiles for the picture tests, written byte by byte: a frame of w x h
// pixels (96 per inch) holding the given filled rectangles and ellipses,
// each outlined in its own colour.
#include <zlib.h>
#include <cstdint>
#include <string>
#include <vector>

namespace metafiles {

struct Shape {
  bool ellipse;
  int left, top, right, bottom;
  uint32_t colour;  // 0x00BBGGRR
};

namespace detail {
inline void put16(std::string& s, int v) {
  s += char(v & 255);
  s += char((v >> 8) & 255);
}
inline void put32(std::string& s, int64_t v) {
  put16(s, int(v & 0xFFFF));
  put16(s, int((v >> 16) & 0xFFFF));
}
inline void set32(std::string& s, size_t at, int64_t v) {
  std::string b;
  put32(b, v);
  s.replace(at, 4, b);
}
}  // namespace detail

// An enhanced metafile whose reference device has 96 pixels per inch; the
// frame is w x h pixels in hundredths of a millimetre (frameW/frameH override
// it, for giant or empty frames); `more` is records put after the shapes.
inline std::string Emf(int w, int h, const std::vector<Shape>& shapes, int64_t frameW = -1, int64_t frameH = -1,
                       const std::string& more = {}) {
  using namespace detail;
  std::string s;
  if (frameW < 0) frameW = int64_t(w) * 2540 / 96;
  if (frameH < 0) frameH = int64_t(h) * 2540 / 96;
  put32(s, 1), put32(s, 88);
  put32(s, 0), put32(s, 0), put32(s, w - 1), put32(s, h - 1);  // bounds in device pixels
  put32(s, 0), put32(s, 0), put32(s, frameW), put32(s, frameH);  // frame in 0.01 mm
  put32(s, 0x464D4520), put32(s, 0x10000);
  put32(s, 0), put32(s, 0);  // bytes and records, set at the end
  put16(s, 3), put16(s, 0);
  put32(s, 0), put32(s, 0), put32(s, 0);
  put32(s, 960), put32(s, 960), put32(s, 254), put32(s, 254);  // 96 pixels per inch
  int records = 1;
  for (const Shape& sh : shapes) {
    put32(s, 39), put32(s, 24), put32(s, 1), put32(s, 0), put32(s, sh.colour), put32(s, 0);  // brush 1
    put32(s, 38), put32(s, 28), put32(s, 2), put32(s, 0), put32(s, 1), put32(s, 0), put32(s, sh.colour);  // pen 2
    put32(s, 37), put32(s, 12), put32(s, 1);
    put32(s, 37), put32(s, 12), put32(s, 2);
    put32(s, sh.ellipse ? 42 : 43), put32(s, 24);
    put32(s, sh.left), put32(s, sh.top), put32(s, sh.right), put32(s, sh.bottom);
    put32(s, 37), put32(s, 12), put32(s, 0x80000000);  // white brush back in, so 1 and 2 can go
    put32(s, 37), put32(s, 12), put32(s, 0x80000007);  // black pen
    put32(s, 40), put32(s, 12), put32(s, 1);
    put32(s, 40), put32(s, 12), put32(s, 2);
    records += 9;
  }
  s += more;
  for (size_t at = 0, size = 0; at + 8 <= more.size(); at += size, ++records) {
    size = size_t(uint8_t(more[at + 4])) | size_t(uint8_t(more[at + 5])) << 8 | size_t(uint8_t(more[at + 6])) << 16;
    if (size < 8) break;
  }
  put32(s, 14), put32(s, 20), put32(s, 0), put32(s, 16), put32(s, 20);
  ++records;
  set32(s, 48, int64_t(s.size()));
  set32(s, 52, records);
  return s;
}

// A font record (face "Arial", object index `index`) and its selection.
inline std::string EmfFont(uint32_t index) {
  using namespace detail;
  std::string s;
  put32(s, 82), put32(s, 12 + 92), put32(s, index);
  put32(s, -16), put32(s, 0), put32(s, 0), put32(s, 0), put32(s, 400), put32(s, 0), put32(s, 0);
  std::string face(64, '\0');
  for (size_t k = 0; k < 5; ++k) face[2 * k] = "Arial"[k];
  s += face;
  put32(s, 37), put32(s, 12), put32(s, index);
  return s;
}

// A PNG of w x h pixels of one colour (0x00BBGGRR), 8-bit RGB, deflated as
// tightly as zlib does (a few bytes a row of a large one).
inline std::string Png(int w, int h, uint32_t colour) {
  auto be32 = [](std::string& s, uint32_t v) {
    for (int k = 3; k >= 0; --k) s += char((v >> (8 * k)) & 255);
  };
  auto chunk = [&](std::string& out, const char* type, const std::string& data) {
    be32(out, uint32_t(data.size()));
    const std::string body = std::string(type, 4) + data;
    out += body;
    be32(out, uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
  };
  std::string head;
  be32(head, uint32_t(w)), be32(head, uint32_t(h));
  head += std::string("\x08\x02\x00\x00\x00", 5);   // 8 bits, RGB, deflate, no filter, no interlace
  std::string row(1 + size_t(w) * 3, '\0');
  for (int x = 0; x < w; ++x) {
    row[1 + 3 * size_t(x)] = char(colour & 255);
    row[2 + 3 * size_t(x)] = char((colour >> 8) & 255);
    row[3 + 3 * size_t(x)] = char((colour >> 16) & 255);
  }
  z_stream z{};
  deflateInit(&z, 9);
  std::string idat;
  std::vector<unsigned char> buf(1 << 16);
  for (int y = 0; y <= h; ++y) {
    const bool last = y == h;
    z.next_in = reinterpret_cast<Bytef*>(last ? nullptr : row.data());
    z.avail_in = last ? 0 : uInt(row.size());
    do {
      z.next_out = buf.data();
      z.avail_out = uInt(buf.size());
      deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
      idat.append(reinterpret_cast<char*>(buf.data()), buf.size() - z.avail_out);
    } while (z.avail_out == 0);
  }
  deflateEnd(&z);
  std::string png("\x89PNG\r\n\x1a\n", 8);
  chunk(png, "IHDR", head);
  chunk(png, "IDAT", idat);
  chunk(png, "IEND", "");
  return png;
}

// A PNG whose header says it is w x h, holding the data of one pixel (a
// reader that looks at its header takes it for w x h).
inline std::string PngClaiming(int w, int h) {
  std::string png = Png(1, 1, 0);
  std::string ihdr = png.substr(12, 17);   // "IHDR" and its 13 bytes
  for (int k = 0; k < 4; ++k) {
    ihdr[4 + k] = char((uint32_t(w) >> (24 - 8 * k)) & 255);
    ihdr[8 + k] = char((uint32_t(h) >> (24 - 8 * k)) & 255);
  }
  const uint32_t crc = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(ihdr.data()), uInt(ihdr.size())));
  png.replace(12, 17, ihdr);
  for (int k = 0; k < 4; ++k) png[29 + size_t(k)] = char((crc >> (24 - 8 * k)) & 255);
  return png;
}

// A record that draws a picture (the bytes of a PNG file, or a JPEG's with
// compression 4) of w x h pixels stretched over (x, y, cx, cy) of an
// enhanced metafile (EMR_STRETCHDIBITS), for Emf's `more`.
inline std::string EmfPicture(int x, int y, int cx, int cy, const std::string& image, int w, int h,
                              int compression = 5) {
  using namespace detail;
  std::string s;
  put32(s, 81), put32(s, 0);
  put32(s, x), put32(s, y), put32(s, x + cx), put32(s, y + cy);   // bounds
  put32(s, x), put32(s, y), put32(s, 0), put32(s, 0), put32(s, w), put32(s, h);
  put32(s, 80), put32(s, 40), put32(s, 120), put32(s, int64_t(image.size()));
  put32(s, 0), put32(s, 0x00CC0020), put32(s, cx), put32(s, cy);
  put32(s, 40), put32(s, w), put32(s, h), put16(s, 1), put16(s, 0), put32(s, compression);
  put32(s, int64_t(image.size())), put32(s, 0), put32(s, 0), put32(s, 0), put32(s, 0);
  s += image;
  while (s.size() % 4) s += '\0';
  set32(s, 4, int64_t(s.size()));
  return s;
}

// A placeable Windows metafile: its frame is w x h pixels at 96 units per
// inch (units overrides the units per inch, for giant frames).
inline std::string Wmf(int w, int h, const std::vector<Shape>& shapes, int units = 96) {
  using namespace detail;
  std::string s;
  put32(s, 0x9AC6CDD7), put16(s, 0);
  put16(s, 0), put16(s, 0), put16(s, w), put16(s, h), put16(s, units), put32(s, 0);
  int sum = 0;
  for (size_t k = 0; k < 20; k += 2) sum ^= uint8_t(s[k]) | uint8_t(s[k + 1]) << 8;
  put16(s, sum);
  const size_t head = s.size();
  put16(s, 1), put16(s, 9), put16(s, 0x300), put32(s, 0), put16(s, 2), put32(s, 0), put16(s, 0);
  auto record = [&](int function, std::vector<int> params) {
    put32(s, 3 + int64_t(params.size())), put16(s, function);
    for (int p : params) put16(s, p);
  };
  record(0x020B, {0, 0});  // window origin
  record(0x020C, {h, w});  // window extent
  for (const Shape& sh : shapes) {
    const int lo = int(sh.colour & 0xFFFF), hi = int(sh.colour >> 16);
    record(0x02FC, {0, lo, hi, 0});  // solid brush: object 0
    record(0x02FA, {0, 1, 0, lo, hi});  // solid pen: object 1
    record(0x012D, {0});
    record(0x012D, {1});
    record(sh.ellipse ? 0x0418 : 0x041B, {sh.bottom, sh.right, sh.top, sh.left});
    record(0x01F0, {0});  // delete both, so the next shape reuses the slots
    record(0x01F0, {1});
  }
  record(0, {});
  const int64_t words = int64_t(s.size() - head) / 2;
  set32(s, head + 6, words);
  set32(s, head + 12, 8);
  return s;
}

}  // namespace metafiles
