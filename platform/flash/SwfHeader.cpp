// Reading Flash movies: the header, the unpacked body and its main timeline.
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

// Unpacks a packed movie body (kind 'C' zlib; 'Z' LZMA: a 4-byte packed
// length, the 5 property bytes, then the raw stream) into out, to at most
// limit bytes; what lies beyond is not unpacked. out starts at what the
// packed bytes can hold at zlib's highest ratio (about 1032:1) and grows as
// data comes beyond that, so a header that lies about the length costs
// nothing. The LZMA stream is fed to the decoder of the ".lzma" format (the
// properties and an unknown unpacked size, then the stream, read where it
// lies).
void unpack(char kind, const uint8_t* in, size_t n, size_t limit, std::vector<uint8_t>& out) {
  out.clear();
  size_t got = 0;
  const auto room = [&] {
    if (got < out.size()) return true;
    if (out.size() >= limit) return false;
    const size_t first = n > limit / 1032 ? limit : std::max<size_t>(n * 1032, 64 * 1024);
    out.resize(std::min(limit, out.empty() ? first : out.size() * 2));
    return true;
  };
  if (kind == 'C') {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return;
    z.next_in = const_cast<uint8_t*>(in);
    z.avail_in = unsigned(std::min<size_t>(n, UINT32_MAX));
    int rc = Z_OK;
    while (rc == Z_OK && room()) {
      z.next_out = out.data() + got;
      z.avail_out = unsigned(out.size() - got);
      const unsigned before = z.avail_out;
      rc = inflate(&z, Z_SYNC_FLUSH);
      got += before - z.avail_out;
    }
    inflateEnd(&z);
  } else if (n >= 4 + 5) {
    uint8_t head[13];
    std::memcpy(head, in + 4, 5);
    std::memset(head + 5, 0xFF, 8);
    lzma_stream s = LZMA_STREAM_INIT;
    if (lzma_alone_decoder(&s, 64u << 20) != LZMA_OK) return;
    uint8_t none = 0;   // the decoder moves on only with room for output; the 13 bytes give none
    s.next_out = &none;
    s.avail_out = 1;
    s.next_in = head;
    s.avail_in = sizeof head;
    lzma_ret rc = LZMA_OK;
    while (s.avail_in > 0 && rc == LZMA_OK) rc = lzma_code(&s, LZMA_RUN);
    s.next_in = in + 9;
    s.avail_in = n - 9;
    while (rc == LZMA_OK && room()) {
      s.next_out = out.data() + got;
      s.avail_out = out.size() - got;
      const size_t before = s.avail_out;
      rc = lzma_code(&s, LZMA_RUN);
      got += before - s.avail_out;
      if (before == s.avail_out && s.avail_in == 0) break;   // nothing more to come
    }
    lzma_end(&s);
  }
  out.resize(got);
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
  bool as3 = false;     // the file attributes say ActionScript 3
  size_t lastShow = 0;  // where the ShowFrame tag of frame lastFrame begins (0: not reached)
};

// lastFrame: the frame (0-based) whose ShowFrame tag's place is wanted.
TimelineWalk walkTimeline(const uint8_t* body, size_t size, int lastFrame) {
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
    const size_t tagAt = at;
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
    if (code == 1) {   // ShowFrame
      if (w.frames == lastFrame) w.lastShow = tagAt;
      ++w.frames;
    } else if (code == 69 && length >= 1) {   // FileAttributes
      w.as3 = (body[at] & 0x08) != 0;
    } else if (code == 12 && w.stopFrame < 0 && stopsForGood(body + at, length)) w.stopFrame = w.frames;   // DoAction
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
  // Only the header is unpacked: at most HeaderBytes bytes of the body.
  const size_t want = std::min<size_t>(HeaderBytes, H.FileLength) - 8;
  const uint8_t* in = Data + 8;
  const size_t n = std::min(Size - 8, InputBytes);
  std::vector<uint8_t> body;
  if (H.Compression == 'F') body.assign(in, in + std::min(n, want));
  else unpack(H.Compression, in, n, want, body);
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

bool ParseSwfMovie(const uint8_t* Data, size_t Size, TSwfHeader& H, String& Error, std::string* Held) {
  if (Held) Held->clear();
  if (!ParseSwfHeader(Data, Size, H, Error)) return false;
  const size_t declared = H.FileLength - 8;
  std::vector<uint8_t> unpacked;
  const uint8_t* body = Data + 8;
  size_t got = Size - 8;
  if (H.Compression != 'F') {
    unpack(H.Compression, body, Size - 8, declared + 1, unpacked);   // one byte more tells a longer stream
    body = unpacked.data();
    got = unpacked.size();
  }
  if (got > declared) {
    Error = "the movie holds more than the " + std::to_string(H.FileLength) + " bytes it declares";
    return false;
  }
  if (got < declared) {
    Error = "the movie declares " + std::to_string(H.FileLength) + " bytes but holds " + std::to_string(got + 8);
    return false;
  }
  const TimelineWalk w = walkTimeline(body, declared, H.FrameCount - 1);
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
  H.ActionScript3 = w.as3;
  // The copy that holds its last frame: a DoAction tag (code 12) holding
  // "stop" and the end of the actions, just before that frame's ShowFrame.
  static constexpr uint8_t stop[] = {0x02, 0x03, 0x07, 0x00};   // (12 << 6) | 2, little-endian
  if (Held && !w.as3 && H.ShownFrames > 0 && w.lastShow > 0 && declared + 8 + sizeof stop <= SwfMaxHeldBytes) {
    const uint32_t length = H.FileLength + uint32_t(sizeof stop);
    Held->reserve(length);
    Held->append("FWS");
    Held->push_back(char(H.Version));
    for (int i = 0; i < 4; ++i) Held->push_back(char(uint8_t(length >> (8 * i))));
    Held->append(reinterpret_cast<const char*>(body), w.lastShow);
    Held->append(reinterpret_cast<const char*>(stop), sizeof stop);
    Held->append(reinterpret_cast<const char*>(body) + w.lastShow, declared - w.lastShow);
  }
  return true;
}

bool ReadSwfMovie(const String& FileName, TSwfHeader& Header, String& Error, std::string* Held) {
  if (Held) Held->clear();
  Header = TSwfHeader{};
  std::string bytes;
  try {
    bytes = ReadFileBytes(FileName, SwfMaxFileBytes);
  } catch (const Exception& e) {
    Error = e.Message;
    return false;
  }
  return ParseSwfMovie(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), Header, Error, Held);
}
