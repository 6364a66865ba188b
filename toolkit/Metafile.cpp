// Metafile pictures (".emf", ".wmf"): the size comes from the metafile's own
// header (its frame) and is checked against the picture limits; only then is
// the drawing converted to SVG, by the reader process (toolkit/ReaderProcess.h,
// the converters live there and never in the console: they crash, read out
// of bounds and allocate without end on damaged files), and painted by Qt
// SVG onto a white bitmap of that size. Whatever goes wrong in the reader is
// "the metafile is broken".
#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <algorithm>

#include "toolkit/Graphics.h"
#include "toolkit/MetafileFormat.h"
#include "toolkit/QtGlue.h"
#include "toolkit/ReaderProcess.h"

static_assert(metafile::kMaxSide == MaxPictureSide && metafile::kMaxPixels == MaxPicturePixels,
              "the reader process checks the picture limits of the toolkit");

String TMetafileReader::Program;
int TMetafileReader::TimeLimitSeconds = 5;
int TMetafileReader::MemoryLimitMegabytes = 512;

namespace {

[[noreturn]] void broken(const String& fileName, const String& why) {
  throw EInvalidGraphic("Cannot load picture \"" + NormalizePath(fileName) + "\": " + why);
}

void checkSize(const String& fileName, int64_t w, int64_t h) {
  if (!PictureSizeAllowed(w, h))
    throw EInvalidGraphic("Cannot load picture \"" + NormalizePath(fileName) + "\": too large or empty (" + IntToStr(w) +
                          " x " + IntToStr(h) + "; at most " + IntToStr(int64_t(MaxPictureSide)) + " pixels a side and " +
                          IntToStr(MaxPicturePixels / 1000000) + " million in all)");
}

QImage paintSvg(const String& fileName, const std::string& svg, int w, int h) {
  QSvgRenderer renderer(QByteArray::fromRawData(svg.data(), qsizetype(svg.size())));
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

}  // namespace

void LoadMetafile(const String& fileName, const std::string& data, bool enhanced, QImage& out) {
  const auto* b = reinterpret_cast<const unsigned char*>(data.data());
  const size_t size = data.size();
  // The size, where the header tells it, is checked before the reader starts.
  int64_t w = -1, h = -1;
  if (enhanced) {
    if (!metafile::EmfSize(b, size, w, h)) broken(fileName, "not an enhanced metafile");
    checkSize(fileName, w, h);
  } else {
    const int head = metafile::WmfHeaderAt(b, size);
    if (head < 0) broken(fileName, "not a Windows metafile");
    float points[4];
    if (head > 0 && !metafile::PlaceableSize(b, w, h, points)) broken(fileName, "the metafile is broken");
    if (head > 0) checkSize(fileName, w, h);
  }
  if (size > metafile::kMaxFileBytes) broken(fileName, "the metafile is broken");

  TReaderRun run;
  run.Program = TMetafileReader::Program.empty() ? DefaultReaderProgram() : TMetafileReader::Program;
  run.Arguments = {"metafile", enhanced ? "emf" : "wmf"};
  run.Input = data;
  run.TimeLimitMs = std::max(TMetafileReader::TimeLimitSeconds, 1) * 1000;
  run.MemoryLimitMegabytes = TMetafileReader::MemoryLimitMegabytes;
  run.MaxReplyBytes = metafile::kMaxSvgBytes + 256;
  run.KeepInputOut = true;
  std::string reply;
  const TReaderEnd end = RunReaderProcess(run, reply);
  if (end == TReaderEnd::NotStarted) broken(fileName, "the metafile reader cannot start");
  int64_t rw = 0, rh = 0;
  std::string svg;
  if (end != TReaderEnd::Replied || !metafile::DecodeReply(reply, rw, rh, svg)) broken(fileName, "the metafile is broken");
  if (w >= 0 && (rw != w || rh != h)) broken(fileName, "the metafile is broken");
  checkSize(fileName, rw, rh);
  if (svg.empty()) broken(fileName, "the metafile is broken");
  out = paintSvg(fileName, svg, int(rw), int(rh));
}
