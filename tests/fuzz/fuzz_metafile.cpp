// Metafiles: any bytes named as an enhanced or a Windows metafile (by their
// first bytes) load or raise the picture error, whatever the converters do
// with them: they run in the reader process, whose crashes and limits are
// the error. Any bytes as the reader's reply decode within the picture
// limits or are refused.
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
  int64_t w = 0, h = 0;
  std::string svg;
  if (metafile::DecodeReply(bytes, w, h, svg))
    FUZZ_CHECK(metafile::SizeAllowed(w, h) ? !svg.empty() && svg.size() <= metafile::kMaxSvgBytes : svg.empty());

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
