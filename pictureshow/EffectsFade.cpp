// Effect 118 "Fade": the cross-fade of the old and the new picture.
#include "pictureshow/EffectFamilies.h"

namespace {

void Fade(TBitmap* Screen, TBitmap* Picture, const TRect& R, uint16_t Step, int Progress) {
  (void)R;
  (void)Step;
  CrossFade(Screen, Picture, Progress);
}

}  // namespace

TEffectProc FadeEffectProc(int number) {
  return number == 118 ? &Fade : nullptr;
}
