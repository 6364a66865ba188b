// Only the header is unpacked: at most HeaderBytes bytes of the movie body.
#include "platform/flash/SwfHeader.h"

#include <lzma.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "toolkit/SafeFiles.h"

namespace {

// Signature, version, length (8), a rectangle of at most 17 bytes, rate and count (4).
constexpr size_t HeaderBytes = 8 + 17 + 4;
// Compressed input read for the header: far more than any encoder needs for 21 bytes.
constexpr size_t InputBytes = 64 * 1024;

uint32_t le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }

// Unpacks a zlib stream into out (up to out.size()); the size reached. More
// is set when the stream holds data beyond out.
size_t inflateInto(const uint8_t* in, size_t n, std::vector<uint8_t>& out, bool* more = nullptr) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return 0;
  z.next_in = const_cast<uint8_t*>(in);
  z.avail_in = unsigned(std::min<size_t>(n, UINT32_MAX));
  z.next_out = out.data();
  z.avail_out = unsigned(out.size());
  int rc = Z_OK;
  while (z.avail_out > 0 && rc == Z_OK) rc = inflate(&z, Z_SYNC_FLUSH);
  const size_t got = out.size() - z.avail_out;
  if (more) {
    uint8_t extra = 0;
    z.next_out = &extra;
    z.avail_out = 1;
    *more = rc == Z_OK && inflate(&z, Z_SYNC_FLUSH) != Z_DATA_ERROR && z.avail_out == 0;
  }
  inflateEnd(&z);
  return got;
}

// The same for the LZMA body of a "ZWS" movie: a 4-byte packed length, the
// 5 property bytes, then the raw stream. It is fed to the decoder of the
// ".lzma" format (the properties and an unknown unpacked size, then the
// stream, read where it lies).
size_t lzmaInto(const uint8_t* in, size_t n, std::vector<uint8_t>& out, bool* more = nullptr) {
  if (n < 4 + 5) return 0;
  uint8_t head[13];
  std::memcpy(head, in + 4, 5);
  std::memset(head + 5, 0xFF, 8);
  lzma_stream s = LZMA_STREAM_INIT;
  if (lzma_alone_decoder(&s, 64u << 20) != LZMA_OK) return 0;
  s.next_out = out.data();
  s.avail_out = out.size();
  lzma_ret rc = LZMA_OK;
  s.next_in = head;
  s.avail_in = sizeof head;
  while (s.avail_in > 0 && rc == LZMA_OK) rc = lzma_code(&s, LZMA_RUN);
  s.next_in = in + 9;
  s.avail_in = n - 9;
  while (s.avail_out > 0 && s.avail_in > 0 && rc == LZMA_OK) rc = lzma_code(&s, LZMA_RUN);
  const size_t got = out.size() - s.avail_out;
  if (more) {
    uint8_t extra = 0;
    s.next_out = &extra;
    s.avail_out = 1;
    while (rc == LZMA_OK && s.avail_out > 0 && s.avail_in > 0) rc = lzma_code(&s, LZMA_RUN);
    *more = s.avail_out == 0;
  }
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

// What the main timeline of an unpacked body (what follows the 8-byte
// signature) holds. Tags inside a sprite are skipped with it.
struct TimelineWalk {
  int frames = 0;       // ShowFrame tags
  int stopFrame = -1;   // see TSwfHeader::StopFrame
  bool cut = false;     // a tag runs past the body
};

TimelineWalk walkTimeline(const uint8_t* body, size_t size) {
  TimelineWalk w;
  Bits b(body, size);
  const int nbits = int(b.u(5));
  b.u(4 * nbits);
  size_t at = b.byteEnd() + 4;   // past the stage rectangle, the rate and the count
  if (!b.ok() || at > size) {
    w.cut = true;
    return w;
  }
  while (at < size) {
    if (size - at < 2) { w.cut = true; break; }
    const unsigned codeAndLength = body[at] | (body[at + 1] << 8);
    at += 2;
    const unsigned code = codeAndLength >> 6;
    size_t length = codeAndLength & 0x3F;
    if (length == 0x3F) {
      if (size - at < 4) { w.cut = true; break; }
      length = le32(body + at);
      at += 4;
    }
    if (length > size - at) { w.cut = true; break; }
    if (code == 0) break;   // End
    if (code == 1) ++w.frames;   // ShowFrame
    else if (code == 12 && w.stopFrame < 0 && stopsForGood(body + at, length)) w.stopFrame = w.frames;   // DoAction
    at += length;
  }
  return w;
}

}  // namespace

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
    got = inflateInto(in, n, body);
  } else {
    got = lzmaInto(in, n, body);
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

bool ParseSwfMovie(const uint8_t* Data, size_t Size, TSwfHeader& H, String& Error) {
  if (!ParseSwfHeader(Data, Size, H, Error)) return false;
  const size_t declared = H.FileLength - 8;
  std::vector<uint8_t> unpacked;
  const uint8_t* body = Data + 8;
  size_t got = Size - 8;
  bool more = got > declared;
  if (H.Compression != 'F') {
    unpacked.resize(declared);
    got = H.Compression == 'C' ? inflateInto(body, Size - 8, unpacked, &more) : lzmaInto(body, Size - 8, unpacked, &more);
    body = unpacked.data();
  }
  if (more) {
    Error = "the movie holds more than the " + std::to_string(H.FileLength) + " bytes it declares";
    return false;
  }
  if (got < declared) {
    Error = "the movie declares " + std::to_string(H.FileLength) + " bytes but holds " + std::to_string(got + 8);
    return false;
  }
  const TimelineWalk w = walkTimeline(body, declared);
  if (w.cut) {
    Error = "the movie's tags are cut short";
    return false;
  }
  if (w.frames < H.FrameCount) {
    Error = "the movie holds " + std::to_string(w.frames) + " of the " + std::to_string(H.FrameCount) +
            " frames its header declares";
    return false;
  }
  H.ShownFrames = std::min(w.frames, H.FrameCount);
  H.StopFrame = w.stopFrame < H.ShownFrames ? w.stopFrame : -1;
  return true;
}

bool ReadSwfMovie(const String& FileName, TSwfHeader& Header, String& Error) {
  Header = TSwfHeader{};
  std::string bytes;
  try {
    bytes = ReadFileBytes(FileName, SwfMaxFileBytes);
  } catch (const Exception& e) {
    Error = e.Message;
    return false;
  }
  return ParseSwfMovie(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), Header, Error);
}
