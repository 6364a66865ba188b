// The RTF pre-check of the document view: any bytes get an answer without a
// read past their end or an overflow; a document found complete stays
// complete whatever follows its outer group (the check stops there).
#include "tests/fuzz/FuzzSupport.h"
#include "toolkit/RichEdit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  if (TRichEdit::RtfComplete(bytes)) FUZZ_CHECK(TRichEdit::RtfComplete(bytes + "{\\bin9"));
  return 0;
}
