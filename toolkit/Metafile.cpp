// Metafile pictures (".emf", ".wmf"): the size comes from the metafile's own
// header (its frame) and is checked against the picture limits; only then is
// the metafile handed to the reader process (toolkit/ReaderProcess.h; the
// converters live there and never in the console: they crash, read out of
// bounds and allocate without end on damaged files), which draws it at that
// size on white and hands back the pixels. The console takes exactly those:
// whatever the drawing holds (pictures of any size, records without end) is
// drawn, and bounded, in the reader. Whatever goes wrong there is "the
// metafile is broken".
#include <QImage>
#include <algorithm>
#include <cstring>

#include "toolkit/Graphics.h"
#include "toolkit/MetafileFormat.h"
#include "toolkit/QtGlue.h"
#include "toolkit/ReaderProcess.h"

static_assert(metafile::kMaxSide == MaxPictureSide && metafile::kMaxPixels == MaxPicturePixels,
              "the reader process checks the picture limits of the toolkit");

String TMetafileReader::Program;
int TMetafileReader::TimeLimitSeconds = 5;
int TMetafileReader::MemoryLimitMegabytes = 512;

bool PictureNeedsReader(const String& FileName) {
  const String ext = LowerCase(ExtractFileExt(FileName));
  return ext == ".emf" || ext == ".wmf";
}

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
  run.MaxReplyBytes = metafile::MaxReplyBytes(w, h);
  if (w > 0) run.ExpectBytes = run.MaxReplyBytes;
  run.KeepInputOut = true;
  std::string reply;
  const TReaderEnd end = RunReaderProcess(run, reply);
  if (end == TReaderEnd::NotStarted) broken(fileName, "the metafile reader cannot start");
  metafile::TReply r;
  if (end != TReaderEnd::Replied || !metafile::DecodeReply(reply, r)) broken(fileName, "the metafile is broken");
  if (w >= 0 && (r.Width != w || r.Height != h)) broken(fileName, "the metafile is broken");
  checkSize(fileName, r.Width, r.Height);
  if (r.PicturePixels >= 0)
    broken(fileName, "the pictures inside it are too large (" + IntToStr(r.PicturePixels / 1000000) +
                         " million pixels; at most " + IntToStr(metafile::kMaxEmbeddedPixels / 1000000) + " million in all)");
  QImage img = NewBitmapImage(int(r.Width), int(r.Height));
  if (img.isNull()) throw EInvalidGraphic("Not enough memory for the picture \"" + NormalizePath(fileName) + "\"");
  std::memcpy(img.bits(), reply.data() + r.PixelsAt, size_t(r.Width) * size_t(r.Height) * 4);
  out = std::move(img);
}
