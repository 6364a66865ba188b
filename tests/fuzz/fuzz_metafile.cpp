// Metafiles: any bytes named as an enhanced or a Windows metafile (by their
// first bytes) load or raise the picture error, whatever the converters do
// with them: they run in the reader process, whose crashes and limits are
// the error. Any bytes as the reader's reply decode within the picture
// limits, with exactly the pixels of that size, or are refused.
#include <cstdlib>
#include "tests/fuzz/FuzzSupport.h"
#include "toolkit/Graphics.h"
#include "toolkit/MetafileFormat.h"
#include "toolkit/TestApp.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  TestApp::Init(*argc, *argv);   // the drawing's text needs the fonts; it lives to the end
  TMetafileReader::Program = TABLO_SHEET_READER;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const String bytes = fuzz::Bytes(data, size);
  metafile::TReply r;
  if (metafile::DecodeReply(bytes, r)) {
    const bool allowed = metafile::SizeAllowed(r.Width, r.Height);
    if (r.PixelsAt) FUZZ_CHECK(allowed && bytes.size() - r.PixelsAt == size_t(r.Width * r.Height * 4));
    else FUZZ_CHECK(!allowed || r.PicturePixels > metafile::kMaxEmbeddedPixels);
  }

  const bool enhanced = size >= 4 && metafile::U32(data) == 1;
  const String file = fuzz::AsFile(enhanced ? "m.emf" : "m.wmf", data, size);
  try {
    TPicture pic;
    pic.LoadFromFile(file);
    FUZZ_CHECK(PictureSizeAllowed(pic.Width(), pic.Height()));
  } catch (const Exception&) {
  }
  return 0;
}
