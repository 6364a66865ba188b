#include "controls/Handles.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include "toolkit/Forms.h"

namespace {

constexpr int HandleSize = 24;

int snap(int v, int grid) { return (v / grid) * grid; }

}  // namespace

TStretchHandle::TStretchHandle(TComponent* AOwner) : TCustomControl(AOwner) {
  setOwnBounds(0, 0, HandleSize, HandleSize);
  TControl::SetColor(clBlack);
  SetTransparent(true);
  SetEnabled(false);
  SetVisible(false);
  SetTabStop(false);
}

TStretchHandle::~TStretchHandle() {
  if (GetCaptureControl() == this) ReleaseCapture();
  for (TControl* c : children_) c->RemoveFreeNotification(this);
}

void TStretchHandle::SetColor(TColor c) {
  // Stored and shown at once, also when unchanged.
  TControl::SetColor(c);
  Invalidate();
}

void TStretchHandle::SetSecondaryColor(TColor c) {
  secondaryColor_ = c;
  Invalidate();
}

void TStretchHandle::SetGridX(int v) { gridX_ = GridValues(std::clamp(v, 1, 32)); }
void TStretchHandle::SetGridY(int v) { gridY_ = GridValues(std::clamp(v, 1, 32)); }

void TStretchHandle::SetSnapToGrid(bool v) {
  SetGridX(v ? 8 : 1);
  SetGridY(v ? 8 : 1);
}

TControl* TStretchHandle::GetChildControl(int Index) const {
  if (Index < 0 || Index >= int(children_.size())) return nullptr;
  return children_[size_t(Index)];
}

void TStretchHandle::setOwnBounds(int l, int t, int w, int h) {
  ownBounds_ = true;
  TCustomControl::SetBounds(l, t, w, h);
  ownBounds_ = false;
}

void TStretchHandle::Attach(TControl* Control) {
  if (dynamic_cast<TCustomForm*>(Control)) throw EBadChild("Handles can not be attached to a Form!");
  if (!Control || std::find(children_.begin(), children_.end(), Control) != children_.end()) return;
  if (!children_.empty() && Control->Parent() != children_.front()->Parent()) Detach();
  const TRect r = Control->BoundsRect();
  if (children_.empty()) {
    SetParent(Control->Parent());
    outline_.Hide();
    SetEnabled(true);
    SetVisible(true);
    setOwnBounds(r.Left - 2, r.Top - 2, r.Width() + 5, r.Height() + 5);
  } else {
    // The union of the grown rectangles; nothing attached moves.
    const int l = std::min(Left(), r.Left - 2), t = std::min(Top(), r.Top - 2);
    const int w = std::max(Left() + Width() - 3, r.Right) - l + 3;
    const int h = std::max(Top() + Height() - 3, r.Bottom) - t + 3;
    setOwnBounds(l, t, w, h);
  }
  children_.push_back(Control);
  Control->FreeNotification(this);
  zone_ = 0;
  BringToFront();
  SetCaptureControl(this);
  if (Visible() && Enabled() && CanFocus()) SetFocus();
  Invalidate();
}

void TStretchHandle::Detach() {
  for (TControl* c : children_) c->RemoveFreeNotification(this);
  children_.clear();
  locked_ = false;
  dragging_ = false;
  outline_.Hide();
  if (GetCaptureControl() == this) ReleaseCapture();
  setOwnBounds(Left(), Top(), HandleSize, HandleSize);
  SetEnabled(false);
  SetVisible(false);
  SetParent(nullptr);
}

void TStretchHandle::Notification(TComponent* AComponent, bool removing) {
  TCustomControl::Notification(AComponent, removing);
  if (!removing) return;
  auto it = std::find(children_.begin(), children_.end(), AComponent);
  if (it == children_.end()) return;
  children_.erase(it);
  if (children_.empty() && !Destroying()) Detach();
}

void TStretchHandle::SetBounds(int l, int t, int w, int h) {
  if (ownBounds_) {
    TCustomControl::SetBounds(l, t, w, h);
    return;
  }
  if (locked_) return;
  const int dl = l - Left(), dt = t - Top(), dw = w - Width(), dh = h - Height();
  for (TControl* c : children_)
    c->SetBounds(c->Left() + dl, c->Top() + dt, std::max(1, c->Width() + dw), std::max(1, c->Height() + dh));
  const bool vis = Visible();
  setOwnBounds(l, t, w, h);
  SetVisible(vis);
}

// ---------------------------------------------------------------- painting

void TStretchHandle::Paint() {
  TCanvas* cv = Canvas();
  if (children_.empty()) return;
  cv->Brush()->SetColor(children_.size() == 1 ? Color() : secondaryColor_);
  cv->Brush()->SetStyle(bsSolid);
  auto square = [cv](int l, int t) { cv->FillRect(Rect(l, t, l + 5, t + 5)); };
  for (TControl* c : children_) {
    const int l = c->Left() - Left() - 2, t = c->Top() - Top() - 2;
    const TRect r = Rect(l, t, l + c->Width() + 4, t + c->Height() + 4);
    square(r.Left, r.Top);
    square(r.Right - 5, r.Top);
    square(r.Left, r.Bottom - 5);
    square(r.Right - 5, r.Bottom - 5);
    if (children_.size() == 1) {
      const int cx = r.Left + r.Width() / 2, cy = r.Top + r.Height() / 2;
      cv->FillRect(Rect(cx - 2, r.Top, cx + 3, r.Top + 5));
      cv->FillRect(Rect(cx - 2, r.Bottom - 5, cx + 3, r.Bottom));
      cv->FillRect(Rect(r.Left, cy - 2, r.Left + 5, cy + 3));
      cv->FillRect(Rect(r.Right - 5, cy - 2, r.Right, cy + 3));
    }
  }
}

// ------------------------------------------------------------------- mouse

bool TStretchHandle::inAttachedArea(int x, int y) const {
  const TPoint p(Left() + x, Top() + y);
  for (TControl* c : children_) {
    const TRect r = c->BoundsRect();
    if (Rect(r.Left - 2, r.Top - 2, r.Right + 2, r.Bottom + 2).Contains(p)) return true;
  }
  return false;
}

void TStretchHandle::clampToParent(int& x, int& y) const {
  if (!Parent()) return;
  x = std::clamp(Left() + x, 0, Parent()->ClientWidth()) - Left();
  y = std::clamp(Top() + y, 0, Parent()->ClientHeight()) - Top();
}

int TStretchHandle::zoneAt(int x, int y) const {
  const int W = ClientWidth(), H = ClientHeight();
  const double hw = W / 2.0, hh = H / 2.0;
  int z = 0;
  if (std::abs(x) < 5 && std::abs(y) < 5) z = 1;
  if (std::abs(x - W) < 5 && std::abs(y - H) < 5) z = 4;
  if (std::abs(x - W) < 5 && std::abs(y) < 5) z = 2;
  if (std::abs(x) < 5 && std::abs(y - H) < 5) z = 3;
  if (std::fabs(x - hw) < 3 && std::abs(y) < 5) z = 5;
  if (std::fabs(x - hw) < 3 && std::abs(y - H) < 5) z = 7;
  if (std::fabs(y - hh) < 3 && std::abs(x) < 5) z = 6;
  if (std::fabs(y - hh) < 3 && std::abs(x - W) < 5) z = 8;
  return z;
}

TRect TStretchHandle::DragTarget(int x, int y) const {
  const int dx = x - originX_, dy = y - originY_;
  // The control's own edges snap (at grid 1 a move follows the mouse); the
  // handle stays the control's rectangle grown by 2 and 3.
  int l = Left() + 2, t = Top() + 2, r = Left() + Width() - 3, b = Top() + Height() - 3;
  const int w = r - l, h = b - t;
  switch (zone_) {
    case 0:
      l = snap(l + dx, gridX_), t = snap(t + dy, gridY_), r = l + w, b = t + h;
      break;
    case 1: l = snap(l + dx, gridX_), t = snap(t + dy, gridY_); break;
    case 2: t = snap(t + dy, gridY_), r = snap(r + dx, gridX_); break;
    case 3: l = snap(l + dx, gridX_), b = snap(b + dy, gridY_); break;
    case 4: r = snap(r + dx, gridX_), b = snap(b + dy, gridY_); break;
    case 5: t = snap(t + dy, gridY_); break;
    case 6: l = snap(l + dx, gridX_); break;
    case 7: b = snap(b + dy, gridY_); break;
    case 8: r = snap(r + dx, gridX_); break;
    default: break;
  }
  // The control keeps at least 1 x 1; the edge that was not dragged stays.
  if (r - l < 1) {
    if (zone_ == 1 || zone_ == 3 || zone_ == 6) l = r - 1; else r = l + 1;
  }
  if (b - t < 1) {
    if (zone_ == 1 || zone_ == 2 || zone_ == 5) t = b - 1; else b = t + 1;
  }
  return Rect(l - 2, t - 2, r + 3, b + 3);
}

void TStretchHandle::showOutline(const TRect& h) {
  outline_.Show(Parent(), Rect(h.Left + 2, h.Top + 2, h.Right - 3, h.Bottom - 3));
}

void TStretchHandle::passOn(TMouseButton b, bool down, int x, int y) {
  if (!Parent()) return;
  SendMouseButtonAt(Parent(), b, down, TPoint(Left() + x, Top() + y), this);
}

void TStretchHandle::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  if (inAttachedArea(x, y)) {
    if (b == mbLeft && !locked_) {
      originX_ = x;
      originY_ = y;
      dragging_ = true;
    }
    TCustomControl::MouseDown(b, s, x, y);
    return;
  }
  SetCursor(crDefault);
  passOn(b, true, x, y);
}

void TStretchHandle::MouseMove(TShiftState s, int x, int y) {
  if (s.Contains(ssLeft) && !dragging_ && !locked_) {
    originX_ = x;
    originY_ = y;
    dragging_ = true;
    TCustomControl::MouseMove(s, x, y);
    return;
  }
  if (!s.Contains(ssLeft) && GetCaptureControl() == this) ReleaseCapture();
  if (dragging_) {
    clampToParent(x, y);
    if (zone_ == 0) SetCursor(dragCursor_);
    showOutline(DragTarget(x, y));
  } else if (children_.size() == 1) {
    zone_ = zoneAt(x, y);
    static const TCursor cursors[9] = {crDefault,  crSizeNWSE, crSizeNESW, crSizeNESW, crSizeNWSE,
                                       crSizeNS, crSizeWE,   crSizeNS,   crSizeWE};
    SetCursor(locked_ ? crNoDrop : cursors[zone_]);
  } else {
    zone_ = 0;
    SetCursor(locked_ ? crNoDrop : crDefault);
  }
  TCustomControl::MouseMove(s, x, y);
}

void TStretchHandle::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  if (!Parent() || !dragging_ || b != mbLeft) {
    passOn(b, false, x, y);
    return;
  }
  clampToParent(x, y);
  if (x != originX_ || y != originY_) {
    const TRect r = DragTarget(x, y);
    SetBounds(r.Left, r.Top, r.Width(), r.Height());
  }
  outline_.Hide();
  if (Parent()) Parent()->Invalidate();
  Invalidate();
  if (Visible() && Enabled() && CanFocus()) SetFocus();
  dragging_ = false;
  SetCursor(crDefault);
  if (GetCaptureControl() == this) ReleaseCapture();
  TCustomControl::MouseUp(b, s, x, y);
}

void TStretchHandle::KeyDown(uint16_t& key, TShiftState s) {
  switch (key) {
    case VK_LEFT: SetBounds(Left() - 1, Top(), Width(), Height()); break;
    case VK_UP: SetBounds(Left(), Top() - 1, Width(), Height()); break;
    case VK_RIGHT: SetBounds(Left() + 1, Top(), Width(), Height()); break;
    case VK_DOWN: SetBounds(Left(), Top() + 1, Width(), Height()); break;
    default: break;
  }
  TCustomControl::KeyDown(key, s);
}
