#include "platform/sheetreader/Metafiles.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>

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

bool WriteAll(const char* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(1, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += size_t(n);
  }
  return true;
}
bool WriteAll(const std::string& s) { return WriteAll(s.data(), s.size()); }

// The pixels of the pictures the drawing holds (its images' data, read as far
// as their headers), into `pixels`. False when an image refers to anything
// but data inside the drawing (a file, an address): the drawing is then not
// drawn at all.
bool EmbeddedPixels(const std::string& svg, int64_t& pixels) {
  pixels = 0;
  for (size_t at = svg.find("href"); at != std::string::npos; at = svg.find("href", at)) {
    at += 4;
    size_t k = at;
    while (k < svg.size() && (svg[k] == ' ' || svg[k] == '\t' || svg[k] == '\n' || svg[k] == '\r')) ++k;
    if (k >= svg.size() || svg[k] != '=') continue;   // a word, not the attribute
    ++k;
    while (k < svg.size() && (svg[k] == ' ' || svg[k] == '\t' || svg[k] == '\n' || svg[k] == '\r')) ++k;
    if (k >= svg.size() || (svg[k] != '"' && svg[k] != '\'')) return false;
    const char quote = svg[k++];
    const size_t end = svg.find(quote, k);
    if (end == std::string::npos) return false;
    at = end + 1;
    if (svg[k] == '#') continue;   // a part of the drawing itself
    static const char data[] = "data:image/";
    if (svg.compare(k, sizeof data - 1, data) != 0) return false;
    const size_t comma = svg.find(',', k);
    if (comma == std::string::npos || comma > end || svg.compare(comma - 7, 7, ";base64") != 0) return false;
    for (size_t c = comma + 1; c < end; ++c) {
      const char ch = svg[c];
      const bool base64 = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') ||
                          ch == '+' || ch == '/' || ch == '=' || ch == ' ' || ch == '\n' || ch == '\r' || ch == '\t';
      if (!base64) return false;
    }
    QByteArray bytes = QByteArray::fromBase64(QByteArray::fromRawData(svg.data() + comma + 1, qsizetype(end - comma - 1)));
    QBuffer buf(&bytes);
    buf.open(QIODevice::ReadOnly);
    QImageReader reader(&buf);
    const QSize size = reader.size();
    if (size.isValid()) pixels += int64_t(size.width()) * size.height();
  }
  return true;
}

// The reply: the size alone (beyond the limits), or the drawing drawn at w x h
// on white, as the console shows a metafile, and its pixels; a drawing whose
// pictures hold too many pixels is refused instead.
int Reply(int64_t w, int64_t h, const std::string* svg) {
  std::string head = EncodeSize(w, h);
  if (!svg) return WriteAll(head) ? 0 : kPipe;
  int64_t pictures = 0;
  if (!EmbeddedPixels(*svg, pictures)) return kBroken;
  if (pictures > kMaxEmbeddedPixels) return WriteAll(head + EncodePictures(pictures)) ? 0 : kPipe;
  // Fonts need the application; it shows nothing and tells nothing.
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "tablo-sheet-reader";
  static char* argv[] = {name, nullptr};
  QGuiApplication app(argc, argv);
  QSvgRenderer renderer(QByteArray::fromRawData(svg->data(), qsizetype(svg->size())));
  if (!renderer.isValid()) return kBroken;
  QImage img(int(w), int(h), QImage::Format_RGB32);
  if (img.isNull()) return kMemory;
  img.fill(Qt::white);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, false);
  renderer.render(&p, QRectF(0, 0, double(w), double(h)));
  p.end();
  head += EncodePixelsHeader(w, h);
  if (!WriteAll(head)) return kPipe;
  const size_t row = size_t(w) * 4;
  if (size_t(img.bytesPerLine()) == row) return WriteAll(reinterpret_cast<const char*>(img.constBits()), row * size_t(h)) ? 0 : kPipe;
  for (int y = 0; y < int(h); ++y)
    if (!WriteAll(reinterpret_cast<const char*>(img.constScanLine(y)), row)) return kPipe;
  return 0;
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
  std::string().swap(data);   // room for the drawing's pixels
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
  wmf_api_destroy(api);
  std::string().swap(data);   // room for the drawing's pixels
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
