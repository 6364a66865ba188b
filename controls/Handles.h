#pragma once
// The layout editor's grip: a see-through windowed control laid over one or
// more controls of a page, with small sizing squares at their corners (and,
// for a single control, at its edge middles). The operator moves the
// controls with the mouse or the arrow keys and resizes a single one by its
// squares, optionally on a grid. While the mouse drags, only a dotted
// outline of the future rectangle shows; the controls change once, when the
// button is released.
#include <vector>
#include "toolkit/Controls.h"
#include "toolkit/MouseTools.h"
#include "toolkit/SysUtils.h"

// Raised when a form is to be attached: "Handles can not be attached to a Form!".
TK_EXCEPTION(EBadChild, Exception)

// A grid step in pixels, 1..32.
using GridValues = uint8_t;

class TStretchHandle : public TCustomControl {
 public:
  explicit TStretchHandle(TComponent* AOwner);
  ~TStretchHandle() override;

  // Squares' colour with one control attached, and with several.
  TColor Color() const { return TControl::Color(); }
  void SetColor(TColor c) override;
  TColor SecondaryColor() const { return secondaryColor_; }
  void SetSecondaryColor(TColor c);
  // No dragging, moving or resizing.
  bool Locked() const { return locked_; }
  void SetLocked(bool v) { locked_ = v; }
  // Grid steps; values outside 1..32 are brought into that range.
  GridValues GridX() const { return gridX_; }
  void SetGridX(int v);
  GridValues GridY() const { return gridY_; }
  void SetGridY(int v);
  // True when either grid step is 2 or more; True sets both to 8, False to 1.
  bool SnapToGrid() const { return gridX_ >= 2 || gridY_ >= 2; }
  void SetSnapToGrid(bool v);
  TCursor DragCursor() const { return dragCursor_; }
  void SetDragCursor(TCursor c) { dragCursor_ = c; }

  // Lays the handle over Control (and the controls already attached, when
  // they share its parent; else those are let go first). Nothing happens
  // for null or a control already attached. Raises EBadChild for a form.
  void Attach(TControl* Control);
  // Lets every control go: hidden, disabled, no parent, 24 x 24, unlocked.
  void Detach();
  // The attached control at Index; null when out of range.
  TControl* GetChildControl(int Index) const;
  TControl* Children(int Index) const { return GetChildControl(Index); }
  int ChildCount() const { return int(children_.size()); }
  bool GetAttached() const { return !children_.empty(); }
  bool Attached() const { return GetAttached(); }

  // Moves the handle and gives every attached control the same change of
  // left, top, width and height (nothing while Locked); an attached
  // control keeps at least 1 x 1.
  void SetBounds(int l, int t, int w, int h) override;

  // State of the mouse work, for the editor and its checks: the sizing zone
  // (0 move, 1 top-left, 2 top-right, 3 bottom-left, 4 bottom-right, 5 top,
  // 6 left, 7 bottom, 8 right), whether a drag runs, and the outline shown
  // (the future rectangle of the control, parent coordinates; empty when
  // none).
  int Zone() const { return zone_; }
  bool Dragging() const { return dragging_; }
  TRect OutlineRect() const { return outline_.Shown() ? outline_.Rect() : TRect(); }
  // The handle rectangle a drag from the drag origin to (x, y) (client
  // coordinates) ends in.
  TRect DragTarget(int x, int y) const;

  void Notification(TComponent* AComponent, bool removing) override;
  String ClassName() const override { return "TStretchHandle"; }

 protected:
  void Paint() override;
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
  void MouseMove(TShiftState s, int x, int y) override;
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;
  void KeyDown(uint16_t& key, TShiftState s) override;

 private:
  void setOwnBounds(int l, int t, int w, int h);
  bool inAttachedArea(int x, int y) const;   // client coordinates
  void clampToParent(int& x, int& y) const;
  int zoneAt(int x, int y) const;
  void passOn(TMouseButton b, bool down, int x, int y);
  void showOutline(const TRect& handleRect);

  std::vector<TControl*> children_;
  TColor secondaryColor_ = clGray;
  bool locked_ = false, dragging_ = false, ownBounds_ = false;
  GridValues gridX_ = 1, gridY_ = 1;
  TCursor dragCursor_ = crDrag;
  int originX_ = 0, originY_ = 0, zone_ = 0;
  TOutlineOverlay outline_;
};
