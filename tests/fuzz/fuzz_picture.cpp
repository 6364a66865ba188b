// Pictures: any bytes named as JPEG, bitmap, PNG or icon load or raise the
// picture error; nothing larger than the limits is ever decoded. Metafiles
// have a target of their own (fuzz_metafile: through the reader process).
#include <QImage>
#include "tests/fuzz/FuzzSupport.h"
#include "toolkit/Graphics.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (const char* name : {"p.jpg", "p.bmp", "p.png", "p.ico"}) {
    const String file = fuzz::AsFile(name, data, size);
    try {
      TPicture pic;
      pic.LoadFromFile(file);
      FUZZ_CHECK(PictureSizeAllowed(pic.Width(), pic.Height()) || pic.Width() == 0);
    } catch (const Exception&) {
    }
  }
  return 0;
}
