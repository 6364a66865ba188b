// Flash movies: any bytes are read as a movie (header, unpacking to the
// declared length, the main timeline's tags) or refused with a reason; what
// is accepted never claims more frames than its tags hold.
#include "platform/flash/SwfHeader.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TSwfHeader h;
  String error;
  if (ParseSwfMovie(data, size, h, error)) {
    FUZZ_CHECK(h.ShownFrames == h.FrameCount);
    FUZZ_CHECK(h.StopFrame < h.ShownFrames);
    FUZZ_CHECK(h.FileLength <= SwfMaxFileLength);
  } else {
    FUZZ_CHECK(!error.empty());
  }
  TSwfHeader head;
  if (ParseSwfHeader(data, size, head, error)) FUZZ_CHECK(head.FrameCount >= 0 && head.Width >= 0 && head.Height >= 0);
  return 0;
}
