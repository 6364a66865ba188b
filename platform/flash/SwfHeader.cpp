// Only the header is unpacked: at most HeaderBytes bytes of the movie body.
#include "platform/flash/SwfHeader.h"

#include <lzma.h>
#include <zlib.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

// Signature, version, length (8), a rectangle of at most 17 bytes, rate and count (4).
constexpr size_t HeaderBytes = 8 + 17 + 4;
// Compressed input read for the header: far more than any encoder needs for 21 bytes.
constexpr size_t InputBytes = 64 * 1024;

uint32_t le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }

// Unpacks the first bytes of a zlib stream into out (up to out.size()); the size reached.
size_t inflateHead(const uint8_t* in, size_t n, std::vector<uint8_t>& out) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return 0;
  z.next_in = const_cast<uint8_t*>(in);
  z.avail_in = unsigned(n);
  z.next_out = out.data();
  z.avail_out = unsigned(out.size());
  int rc = Z_OK;
  while (z.avail_out > 0 && rc == Z_OK) rc = inflate(&z, Z_SYNC_FLUSH);
  size_t got = out.size() - z.avail_out;
  inflateEnd(&z);
  return got;
}

// The same for the LZMA body of a "ZWS" movie: a 4-byte packed length, the
// 5 property bytes, then the raw stream. It is fed to the decoder of the
// ".lzma" format with an unknown unpacked size.
size_t lzmaHead(const uint8_t* in, size_t n, std::vector<uint8_t>& out) {
  if (n < 4 + 5) return 0;
  std::vector<uint8_t> alone(in + 4, in + 9);
  alone.insert(alone.end(), 8, 0xFF);
  alone.insert(alone.end(), in + 9, in + n);
  lzma_stream s = LZMA_STREAM_INIT;
  if (lzma_alone_decoder(&s, 64u << 20) != LZMA_OK) return 0;
  s.next_in = alone.data();
  s.avail_in = alone.size();
  s.next_out = out.data();
  s.avail_out = out.size();
  lzma_ret rc = LZMA_OK;
  while (s.avail_out > 0 && s.avail_in > 0 && rc == LZMA_OK) rc = lzma_code(&s, LZMA_RUN);
  size_t got = out.size() - s.avail_out;
  lzma_end(&s);
  return got;
}

class Bits {
 public:
  Bits(const uint8_t* p, size_t n) : p_(p), n_(n) {}
  bool ok() const { return ok_; }
  uint32_t u(int count) {
    uint32_t v = 0;
    for (int i = 0; i < count; ++i) {
      if (bit_ / 8 >= n_) { ok_ = false; return 0; }
      v = (v << 1) | ((p_[bit_ / 8] >> (7 - bit_ % 8)) & 1);
      ++bit_;
    }
    return v;
  }
  int32_t s(int count) {
    uint32_t v = u(count);
    if (count > 0 && count < 32 && (v & (1u << (count - 1)))) v |= ~0u << count;
    return int32_t(v);
  }
  size_t byteEnd() const { return (bit_ + 7) / 8; }
 private:
  const uint8_t* p_;
  size_t n_, bit_ = 0;
  bool ok_ = true;
};

// Whether a frame's action list stops the timeline and nothing in it plays
// on, jumps or branches past the stop.
bool stopsForGood(const uint8_t* p, size_t n) {
  bool stop = false;
  for (size_t i = 0; i < n;) {
    const uint8_t a = p[i++];
    if (a == 0x00) break;   // end of the actions
    if (a == 0x07) stop = true;
    // Play, GotoFrame, GotoLabel, GotoFrame2, Jump, If, Call.
    if (a == 0x06 || a == 0x81 || a == 0x8C || a == 0x9F || a == 0x99 || a == 0x9D || a == 0x9E) return false;
    if (a >= 0x80) {
      if (i + 2 > n) return false;
      i += 2 + size_t(p[i] | (p[i + 1] << 8));
    }
  }
  return stop;
}

}  // namespace

int FindSwfStopFrame(const uint8_t* Body, size_t Size) {
  if (Size < 1) return -1;
  Bits b(Body, Size);
  const int nbits = int(b.u(5));
  b.u(4 * nbits);
  size_t at = b.byteEnd() + 4;   // past the stage rectangle, the rate and the count
  if (!b.ok()) return -1;
  int frame = 0;
  while (at + 2 <= Size) {
    const unsigned codeAndLength = Body[at] | (Body[at + 1] << 8);
    at += 2;
    const unsigned code = codeAndLength >> 6;
    size_t length = codeAndLength & 0x3F;
    if (length == 0x3F) {
      if (at + 4 > Size) break;
      length = le32(Body + at);
      at += 4;
    }
    if (code == 0 || length > Size - at) break;   // End, or a tag cut short
    if (code == 1) ++frame;                        // ShowFrame
    else if (code == 12 && stopsForGood(Body + at, length)) return frame;   // DoAction
    at += length;
  }
  return -1;
}

bool ParseSwfHeader(const uint8_t* Data, size_t Size, TSwfHeader& H, String& Error) {
  H = TSwfHeader{};
  if (Size < 8 || (Data[0] != 'F' && Data[0] != 'C' && Data[0] != 'Z') || Data[1] != 'W' ||
      Data[2] != 'S') {
    Error = "not a Flash movie";
    return false;
  }
  H.Compression = char(Data[0]);
  H.Version = Data[3];
  H.FileLength = le32(Data + 4);
  if (H.FileLength > SwfMaxFileLength) {
    Error = "the movie declares " + std::to_string(H.FileLength) + " bytes, more than the limit of " +
            std::to_string(SwfMaxFileLength);
    return false;
  }
  if (H.FileLength < 8 + 1 + 4) {
    Error = "the movie declares a length shorter than its header";
    return false;
  }
  std::vector<uint8_t> body(HeaderBytes - 8);
  size_t got = 0;
  const uint8_t* in = Data + 8;
  size_t n = std::min(Size - 8, InputBytes);
  if (H.Compression == 'F') {
    got = std::min(n, body.size());
    std::memcpy(body.data(), in, got);
  } else if (H.Compression == 'C') {
    got = inflateHead(in, n, body);
  } else {
    got = lzmaHead(in, n, body);
  }
  body.resize(std::min<size_t>(got, H.FileLength - 8));
  Bits b(body.data(), body.size());
  int nbits = int(b.u(5));
  int32_t xmin = b.s(nbits), xmax = b.s(nbits), ymin = b.s(nbits), ymax = b.s(nbits);
  size_t at = b.byteEnd();
  if (!b.ok() || at + 4 > body.size()) {
    Error = H.Compression == 'F' ? "the movie's header is cut short"
                                 : "the movie's compressed header cannot be unpacked";
    return false;
  }
  H.Width = std::max(0, (xmax - xmin) / 20);
  H.Height = std::max(0, (ymax - ymin) / 20);
  H.FrameRate = body[at + 1] + body[at] / 256.0;
  H.FrameCount = body[at + 2] | (body[at + 3] << 8);
  return true;
}

bool ReadSwfHeader(const String& FileName, TSwfHeader& Header, String& Error) {
  std::ifstream f(FileName, std::ios::binary);
  if (!f) {
    Error = "cannot open " + FileName;
    return false;
  }
  std::vector<uint8_t> data(8 + InputBytes);
  f.read(reinterpret_cast<char*>(data.data()), std::streamsize(data.size()));
  data.resize(size_t(f.gcount()));
  return ParseSwfHeader(data.data(), data.size(), Header, Error);
}

void ReadSwfStopFrame(const String& FileName, TSwfHeader& H) {
  H.StopFrame = -1;
  if (H.FileLength <= 8 || H.FileLength > SwfMaxFileLength) return;
  std::ifstream f(FileName, std::ios::binary);
  if (!f) return;
  std::vector<uint8_t> data((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  if (data.size() <= 8) return;
  std::vector<uint8_t> body(H.FileLength - 8);
  size_t got = 0;
  if (H.Compression == 'F') {
    got = std::min(body.size(), data.size() - 8);
    std::memcpy(body.data(), data.data() + 8, got);
  } else if (H.Compression == 'C') {
    got = inflateHead(data.data() + 8, data.size() - 8, body);
  } else {
    got = lzmaHead(data.data() + 8, data.size() - 8, body);
  }
  H.StopFrame = FindSwfStopFrame(body.data(), got);
}
