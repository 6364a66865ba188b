#pragma once
// The Flash control as the media frame hosts it: mouse events of the
// toolkit's usual form, a popup menu on the right button, and two ways of
// keeping clicks away from the movie.
//
// One pressed flag serves both buttons: a left press marks it, a right press
// too; a left release fires OnMouseUp and, while marked, OnClick; a right
// release pops the PopupMenu up when marked; leaving the control clears it.
// A right press is kept from the player while its Menu is off, and releases
// while LockMouseClick is on. At design time everything passes straight on.
#include "platform/flash/ShockwaveFlash.h"

class TShockwaveFlashEx : public TShockwaveFlash {
 public:
  explicit TShockwaveFlashEx(TComponent* AOwner);
  bool LockMouseClick() const { return lockMouseClick_; }
  void SetLockMouseClick(bool v) { lockMouseClick_ = v; }
  // OnMouseDown, OnMouseUp (left button), OnMouseMove and OnClick are the
  // control's own events.
  String ClassName() const override { return "TShockwaveFlashEx"; }

 protected:
  void WndProc(TFlashMessage& Message) override;

 private:
  bool lockMouseClick_ = false;
  bool pressed_ = false;
};
