#include "platform/sheetreader/Metafiles.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "toolkit/MetafileFormat.h"

extern "C" {
#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/svg.h>
}

namespace metafile {
namespace {

// Exit codes: the console takes every code but 0 as a broken metafile.
constexpr int kBroken = 1, kUsage = 2, kMemory = 3, kPipe = 4;

// The bytes on standard input, at most the most a metafile may hold.
bool ReadInput(std::string& data) {
  char buf[1 << 16];
  for (;;) {
    const ssize_t n = ::read(0, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (data.size() + size_t(n) > kMaxFileBytes) return false;
    data.append(buf, size_t(n));
  }
}

bool WriteAll(const std::string& s) {
  size_t done = 0;
  while (done < s.size()) {
    const ssize_t n = ::write(1, s.data() + done, s.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += size_t(n);
  }
  return true;
}

int Reply(int64_t w, int64_t h, const std::string* svg) {
  std::string out = EncodeSize(w, h);
  if (svg) out += EncodeDrawing(*svg);
  return WriteAll(out) ? 0 : kPipe;
}

int ConvertEmf(std::string& data) {
  const auto* b = reinterpret_cast<const unsigned char*>(data.data());
  int64_t w = 0, h = 0;
  if (!EmfSize(b, data.size(), w, h)) return kBroken;
  if (!SizeAllowed(w, h)) return Reply(w, h, nullptr);
  generatorOptions opt{};
  opt.nameSpace = const_cast<char*>("");
  opt.verbose = false;
  opt.emfplus = true;
  opt.svgDelimiter = true;
  opt.imgWidth = double(w);
  opt.imgHeight = double(h);
  char* svg = nullptr;
  size_t svgLen = 0;
  const int ok = emf2svg(data.data(), data.size(), &svg, &svgLen, &opt);
  if (!ok || !svg || svgLen == 0 || svgLen > kMaxSvgBytes) return kBroken;
  const std::string text(svg, svgLen);
  std::free(svg);
  return Reply(w, h, &text);
}

int ConvertWmf(std::string& data) {
  const auto* b = reinterpret_cast<const unsigned char*>(data.data());
  const int head = WmfHeaderAt(b, data.size());
  if (head < 0) return kBroken;
  int64_t w = 0, h = 0;
  float points[4] = {0, 0, 0, 0};
  if (head > 0) {
    if (!PlaceableSize(b, w, h, points)) return kBroken;
    if (!SizeAllowed(w, h)) return Reply(w, h, nullptr);
  }
  wmfAPI* api = nullptr;
  wmfAPI_Options opt{};
  opt.function = wmf_svg_function;
  const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
  // The process ends after one metafile: what libwmf holds goes with it.
  if (wmf_api_create(&api, flags, &opt) != wmf_E_None) return kBroken;
  if (wmf_mem_open(api, reinterpret_cast<unsigned char*>(data.data()), long(data.size())) != wmf_E_None) return kBroken;
  wmfD_Rect bbox{};
  if (wmf_scan(api, 0, &bbox) != wmf_E_None) return kBroken;
  if (head > 0) {
    // The player's own coordinates are points: the picture shows the whole
    // frame, not just the part that the drawing covers.
    bbox.TL.x = points[0], bbox.TL.y = points[1];
    bbox.BR.x = points[2], bbox.BR.y = points[3];
  } else {
    unsigned int dw = 0, dh = 0;
    if (wmf_display_size(api, &dw, &dh, 96, 96) != wmf_E_None) return kBroken;
    w = dw, h = dh;
    if (!SizeAllowed(w, h)) return Reply(w, h, nullptr);
  }
  wmf_svg_t* dev = WMF_SVG_GetData(api);
  dev->out = wmf_stream_create(api, nullptr);
  if (!dev->out) return kMemory;
  dev->Description = const_cast<char*>("picture");
  dev->bbox = bbox;
  dev->width = unsigned(w);
  dev->height = unsigned(h);
  dev->flags = 0;  // embedded raster images are left out
  const wmf_error_t played = wmf_play(api, 0, &bbox);
  char* svg = nullptr;
  unsigned long svgLen = 0;
  wmf_stream_destroy(api, dev->out, &svg, &svgLen);
  if (played != wmf_E_None || !svg || svgLen == 0 || svgLen > kMaxSvgBytes) return kBroken;
  const std::string text(svg, svgLen);
  return Reply(w, h, &text);
}

}  // namespace

int ConverterMain(int argc, char** argv) {
  const bool emf = argc == 3 && std::strcmp(argv[2], "emf") == 0;
  const bool wmf = argc == 3 && std::strcmp(argv[2], "wmf") == 0;
  if (!emf && !wmf) {
    std::fputs("usage: tablo-sheet-reader metafile emf|wmf < file\n", stderr);
    return kUsage;
  }
  try {
    std::string data;
    if (!ReadInput(data)) return kBroken;
    return emf ? ConvertEmf(data) : ConvertWmf(data);
  } catch (const std::bad_alloc&) {
    return kMemory;   // the memory limit
  }
}

}  // namespace metafile
