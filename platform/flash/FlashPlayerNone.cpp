// Without the browser engine (TABLO_WEB off) the Flash control keeps the
// player "none".
#include "platform/flash/ShockwaveFlash.h"

std::unique_ptr<IFlashPlayer> MakeFlashPlayer() { return std::make_unique<TNoFlashPlayer>(); }
bool FlashPlayerAvailable(String* Why) {
  if (Why) *Why = "built without the browser engine (TABLO_WEB off)";
  return false;
}
