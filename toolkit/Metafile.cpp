// Metafile pictures (".emf", ".wmf"): the size comes from the metafile's own
// header (its frame), is checked against the picture limits, and only then is
// the drawing converted to SVG (libemf2svg for EMF, libwmf's SVG device for
// WMF) and painted by Qt SVG onto a white bitmap of that size.
#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "toolkit/Graphics.h"
#include "toolkit/QtGlue.h"

extern "C" {
#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/svg.h>
}

namespace {

uint32_t u32(const unsigned char* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
int32_t i32(const unsigned char* p) { return int32_t(u32(p)); }
uint16_t u16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }
int16_t i16(const unsigned char* p) { return int16_t(u16(p)); }

[[noreturn]] void broken(const String& fileName, const String& why) {
  throw EInvalidGraphic("Cannot load picture \"" + NormalizePath(fileName) + "\": " + why);
}

void checkSize(const String& fileName, int64_t w, int64_t h) {
  if (!PictureSizeAllowed(w, h))
    throw EInvalidGraphic("Cannot load picture \"" + NormalizePath(fileName) + "\": too large or empty (" + IntToStr(w) +
                          " x " + IntToStr(h) + "; at most " + IntToStr(int64_t(MaxPictureSide)) + " pixels a side and " +
                          IntToStr(MaxPicturePixels / 1000000) + " million in all)");
}

// Pixels of a length in hundredths of a millimetre on the metafile's reference
// device (pixels per millimetre of its header), 96 per inch when it names none.
int64_t frameToPixels(int64_t hundredthsMm, int64_t devicePx, int64_t deviceMm) {
  const double perMm = devicePx > 0 && deviceMm > 0 ? double(devicePx) / double(deviceMm) : 96.0 / 25.4;
  const double px = std::round(double(hundredthsMm) / 100.0 * perMm);
  return px > 1e9 ? int64_t(1e9) : px < -1e9 ? int64_t(-1e9) : int64_t(px);
}

QImage paintSvg(const String& fileName, const QByteArray& svg, int w, int h) {
  QSvgRenderer renderer(svg);
  if (!renderer.isValid()) broken(fileName, "the drawing cannot be read");
  QImage img = NewBitmapImage(w, h);
  if (img.isNull()) throw EInvalidGraphic("Not enough memory for the picture \"" + NormalizePath(fileName) + "\"");
  img.fill(Qt::white);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, false);
  renderer.render(&p, QRectF(0, 0, w, h));
  p.end();
  return img;
}

void loadEmf(const String& fileName, QByteArray& data, QImage& out) {
  const auto* b = reinterpret_cast<const unsigned char*>(data.constData());
  const size_t size = size_t(data.size());
  // EMR_HEADER: type 1, record size, bounds, frame (0.01 mm), " EMF", ...,
  // reference device in pixels (offset 72) and in millimetres (offset 80).
  if (size < 88 || u32(b) != 1 || u32(b + 40) != 0x464D4520 || u32(b + 4) < 88 || u32(b + 4) > size)
    broken(fileName, "not an enhanced metafile");
  const int64_t fw = int64_t(i32(b + 32)) - i32(b + 24), fh = int64_t(i32(b + 36)) - i32(b + 28);
  const int64_t w = frameToPixels(fw, i32(b + 72), i32(b + 80));
  const int64_t h = frameToPixels(fh, i32(b + 76), i32(b + 84));
  checkSize(fileName, w, h);
  generatorOptions opt{};
  opt.nameSpace = const_cast<char*>("");
  opt.verbose = false;
  opt.emfplus = true;
  opt.svgDelimiter = true;
  opt.imgWidth = double(w);
  opt.imgHeight = double(h);
  char* svg = nullptr;
  size_t svgLen = 0;
  const int ok = emf2svg(data.data(), size, &svg, &svgLen, &opt);
  QByteArray text = svg ? QByteArray(svg, qsizetype(svgLen)) : QByteArray();
  std::free(svg);
  if (!ok || text.isEmpty()) broken(fileName, "the metafile is broken");
  out = paintSvg(fileName, text, int(w), int(h));
}

// libwmf keeps global font state while it sets up: one metafile at a time.
std::mutex wmfLock;

struct WmfApi {
  wmfAPI* api = nullptr;
  ~WmfApi() {
    if (api) wmf_api_destroy(api);
  }
};

void loadWmf(const String& fileName, QByteArray& data, QImage& out) {
  const auto* b = reinterpret_cast<const unsigned char*>(data.constData());
  const size_t size = size_t(data.size());
  const bool placeable = size >= 22 && u32(b) == 0x9AC6CDD7;
  const size_t head = placeable ? 22 : 0;
  // The metafile header: type 1 or 2, header size 9 words.
  if (size < head + 18 || (u16(b + head) != 1 && u16(b + head) != 2) || u16(b + head + 2) != 9)
    broken(fileName, "not a Windows metafile");
  std::lock_guard<std::mutex> guard(wmfLock);
  WmfApi w;
  wmfAPI_Options opt{};
  opt.function = wmf_svg_function;
  const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
  if (wmf_api_create(&w.api, flags, &opt) != wmf_E_None) broken(fileName, "the metafile reader cannot start");
  if (wmf_mem_open(w.api, reinterpret_cast<unsigned char*>(data.data()), long(size)) != wmf_E_None)
    broken(fileName, "the metafile is broken");
  wmfD_Rect bbox{};
  if (wmf_scan(w.api, 0, &bbox) != wmf_E_None) broken(fileName, "the metafile is broken");
  int64_t pw = 0, ph = 0;
  if (placeable) {
    // The placeable header's frame in metafile units and its units per inch.
    const int64_t units = u16(b + 14);
    const int64_t fw = int64_t(i16(b + 10)) - i16(b + 6), fh = int64_t(i16(b + 12)) - i16(b + 8);
    if (units <= 0) broken(fileName, "the metafile is broken");
    pw = (std::llabs(fw) * 96 + units / 2) / units;
    ph = (std::llabs(fh) * 96 + units / 2) / units;
    // The player's own coordinates are points: the picture shows the whole
    // frame, not just the part that the drawing covers.
    const float left = float(std::min(i16(b + 6), i16(b + 10))) * 72.0f / float(units);
    const float top = float(std::min(i16(b + 8), i16(b + 12))) * 72.0f / float(units);
    bbox.TL.x = left, bbox.TL.y = top;
    bbox.BR.x = left + float(std::llabs(fw)) * 72.0f / float(units);
    bbox.BR.y = top + float(std::llabs(fh)) * 72.0f / float(units);
  } else {
    unsigned int dw = 0, dh = 0;
    if (wmf_display_size(w.api, &dw, &dh, 96, 96) != wmf_E_None) broken(fileName, "the metafile is broken");
    pw = dw, ph = dh;
  }
  checkSize(fileName, pw, ph);
  wmf_svg_t* dev = WMF_SVG_GetData(w.api);
  dev->out = wmf_stream_create(w.api, nullptr);
  if (!dev->out) throw EInvalidGraphic("Not enough memory for the picture \"" + NormalizePath(fileName) + "\"");
  dev->Description = const_cast<char*>("picture");
  dev->bbox = bbox;
  dev->width = unsigned(pw);
  dev->height = unsigned(ph);
  dev->flags = 0;  // embedded raster images are left out
  const wmf_error_t played = wmf_play(w.api, 0, &bbox);
  char* svg = nullptr;
  unsigned long svgLen = 0;
  wmf_stream_destroy(w.api, dev->out, &svg, &svgLen);
  QByteArray text = svg ? QByteArray(svg, qsizetype(svgLen)) : QByteArray();
  if (played != wmf_E_None || text.isEmpty()) broken(fileName, "the metafile is broken");
  out = paintSvg(fileName, text, int(pw), int(ph));
}

}  // namespace

void LoadMetafile(const String& fileName, QByteArray& data, bool enhanced, QImage& out) {
  if (enhanced) loadEmf(fileName, data, out);
  else loadWmf(fileName, data, out);
}
