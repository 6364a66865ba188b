// The hosted Flash control's mouse handling.
#include "controls/ShockwaveEx.h"

#include "toolkit/Menus.h"

TShockwaveFlashEx::TShockwaveFlashEx(TComponent* AOwner) : TShockwaveFlash(AOwner) {}

void TShockwaveFlashEx::WndProc(TFlashMessage& Message) {
  if (ComponentState().Contains(csDesigning)) {
    TShockwaveFlash::WndProc(Message);
    return;
  }
  const int x = MousePosX(Message.LParam), y = MousePosY(Message.LParam);
  switch (Message.Msg) {
    case WM_MOUSEMOVE:
      MouseMove(TShiftState(), x, y);
      break;
    case WM_LBUTTONDOWN:
      MouseDown(mbLeft, TShiftState(), x, y);
      pressed_ = true;
      break;
    case WM_LBUTTONUP:
      MouseUp(mbLeft, TShiftState(), x, y);
      if (pressed_) Click();
      pressed_ = false;
      break;
    case WM_RBUTTONDOWN:
      pressed_ = true;
      break;
    case WM_RBUTTONUP:
      if (PopupMenu() && pressed_) {
        pressed_ = false;
        const TPoint p = ClientToScreen(TPoint(x, y));
        PopupMenu()->SetPopupComponent(this);
        PopupMenu()->Popup(p.X, p.Y);
      }
      break;
    case WM_MOUSELEAVE:
      pressed_ = false;
      break;
    default:
      break;
  }
  const bool swallow = (Message.Msg == WM_RBUTTONDOWN && !Menu()) ||
                       ((Message.Msg == WM_LBUTTONUP || Message.Msg == WM_RBUTTONUP) && lockMouseClick_);
  if (swallow) {
    Message.Result = 0;
    return;
  }
  TShockwaveFlash::WndProc(Message);
}
