#pragma once
// Controls: the visual component hierarchy. Each control is backed by one Qt
// widget that this layer owns; the system's code never sees Qt types.
// A control paints through its Canvas in Paint(); the layer composes the
// picture onto the widget in its paint event.
#include <memory>
#include <vector>
#include "toolkit/Classes.h"
#include "toolkit/Graphics.h"

class QWidget;
class TWinControl;
class TPopupMenu;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind>;
enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem>;
enum TCursor : int { crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6,
                     crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11,
                     crDrag = -12, crNoDrop = -13, crHSplit = -14, crVSplit = -15, crMultiDrag = -16,
                     crNo = -18, crAppStart = -19, crHelp = -20, crHandPoint = -21, crSizeAll = -22 };
enum TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout { tlTop, tlCenter, tlBottom };
// Result of a modal form; buttons hand theirs to the form they lie on.
using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6,
                       mrNo = 7, mrAll = 8, mrNoToAll = 9, mrYesToAll = 10, mrClose = 11;

// Virtual key codes used by key events.
enum : uint16_t { VK_BACK = 8, VK_TAB = 9, VK_RETURN = 13, VK_SHIFT = 16, VK_CONTROL = 17, VK_MENU = 18,
                  VK_ESCAPE = 27, VK_SPACE = 32, VK_PRIOR = 33, VK_NEXT = 34, VK_END = 35, VK_HOME = 36,
                  VK_LEFT = 37, VK_UP = 38, VK_RIGHT = 39, VK_DOWN = 40, VK_INSERT = 45, VK_DELETE = 46,
                  VK_F1 = 112, VK_F2 = 113, VK_F3 = 114, VK_F4 = 115, VK_F5 = 116, VK_F10 = 121 };

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, uint16_t& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char32_t& Key)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;
using TMouseWheelEvent = std::function<void(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos, bool& Handled)>;
// Before a control's context menu shows: MousePos is the point in client
// coordinates ((-1, -1) when asked for from the keyboard); Handled = true
// keeps the PopupMenu from showing.
using TContextPopupEvent = std::function<void(TObject* Sender, TPoint MousePos, bool& Handled)>;

// How a control reacts to the mouse: csClickEvents makes a left button press
// and release inside the control run Click (on the release, before
// MouseUp); csDoubleClicks makes a double click run DblClick.
enum TControlStyleItem { csAcceptsControls, csCaptureMouse, csClickEvents, csDoubleClicks, csOpaque };
using TControlStyle = TSet<TControlStyleItem>;

// Size limits of a control; 0 means no limit.
struct TSizeConstraints {
  int MinWidth = 0, MinHeight = 0, MaxWidth = 0, MaxHeight = 0;
};

// Runs an event handler from a place that the platform called (a widget
// event, a timer, a queued call): an exception that escapes it is shown by
// Application->HandleException and never unwinds into Qt.
void DispatchEvent(const std::function<void()>& f);

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  TWinControl* Parent() const { return parent_; }
  // Keeps Visible and the bounds; puts the control on top of its new siblings.
  virtual void SetParent(TWinControl* p);

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  virtual void SetBounds(int l, int t, int w, int h);
  TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
  void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
  virtual int ClientWidth() const { return width_; }
  virtual int ClientHeight() const { return height_; }
  void SetClientWidth(int v);
  void SetClientHeight(int v);
  TRect ClientRect() const { return Rect(0, 0, ClientWidth(), ClientHeight()); }
  TPoint ClientToScreen(const TPoint& p) const;
  TPoint ScreenToClient(const TPoint& p) const;

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool v);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Showing() const;             // visible here and in every parent
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool v);
  // Enabled here and in every parent: only such a control takes the
  // operator's input. A control that does not hears no mouse press, release,
  // move, wheel, double click, click, context menu or key (they go on to
  // its parent, as on the screen); Click() from code still runs.
  bool InputEnabled() const;
  TAlign Align() const { return align_; }
  void SetAlign(TAlign a);
  TAnchors Anchors() const { return anchors_; }
  void SetAnchors(TAnchors a) { anchors_ = a; }
  const TSizeConstraints& Constraints() const { return constraints_; }
  void SetConstraints(const TSizeConstraints& c);   // applied at once
  TControlStyle ControlStyle() const { return controlStyle_; }
  void SetControlStyle(TControlStyle s) { controlStyle_ = s; }
  TColor Color() const { return color_; }
  virtual void SetColor(TColor c);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool v);
  TFont* Font() const { return font_.get(); }
  void SetFont(const TFont* f) { font_->Assign(f); }
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool v);
  // Caption and Text are one value, as on the platform.
  const String& Caption() const { return text_; }
  void SetCaption(const String& s) { SetText(s); }
  virtual const String& Text() const { return text_; }
  virtual void SetText(const String& s);
  const String& Hint() const { return hint_; }
  void SetHint(const String& s);
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool v);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor c);
  TPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TPopupMenu* m) { popupMenu_ = m; }
  bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool v);

  virtual void Invalidate();
  // Repaints only r (client coordinates) at the next paint. While such a
  // partial repaint runs, the paint canvas is clipped to the area to be
  // painted (the rectangles invalidated), so Paint can skip what lies
  // outside Canvas->ClipRect() or is not Canvas->RectVisible().
  void InvalidateRect(const TRect& r);
  virtual void Repaint();           // paints now
  void Update();
  void Refresh() { Repaint(); }
  virtual void BringToFront();
  virtual void SendToBack();
  // Runs OnClick, also when the control is disabled.
  virtual void Click();
  // Renders the control and its children into a bitmap (a grab that works
  // headless and is never spoiled by windows lying over it).
  void PaintTo(TCanvas* c, int x, int y);
  // Moves the window pixels of r (client coordinates) by dx, dy and repaints
  // only the parts that were uncovered (the whole of r when the platform
  // cannot move pixels).
  void ScrollRect(int dx, int dy, const TRect& r);
  // Where the client area starts inside the control's window (a framed
  // control's edge lies before it). Paint, mouse coordinates, InvalidateRect
  // and the bounds of children are in client coordinates.
  virtual TPoint ClientOffset() const { return TPoint(); }

  TNotifyEvent OnClick, OnDblClick, OnResize;
  TMouseEvent OnMouseDown, OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnMouseEnter, OnMouseLeave;
  TMouseWheelEvent OnMouseWheel;
  TContextPopupEvent OnContextPopup;

  // Toolkit internals.
  QWidget* Widget() const { return widget_; }
  String ClassName() const override { return "TControl"; }

 protected:
  // Every control starts with a plain painted widget (made in the
  // constructor). Subclasses that need a special widget create it in their
  // constructor and hand it over with SetWidget, which takes ownership and
  // gives it the control's bounds, visibility, font and parent. The mouse,
  // key, enter/leave, focus and wheel events of such a widget reach the
  // virtuals below (an event filter; a key set to 0 by KeyDown/KeyPress is
  // swallowed); its painting stays its own, and a click is the subclass's
  // business (the plain widget runs Click for csClickEvents).
  void SetWidget(QWidget* w);
  virtual void Paint() {}
  // Paints what lies outside the client area (a frame's edge), after Paint,
  // on the same canvas in window coordinates without a clip.
  virtual void PaintNonClient() {}
  // The mouse operation under way is cancelled (the control lost the focus,
  // its window was deactivated): drags, rubber bands and timers end here.
  virtual void CancelMode() {}
  virtual bool HasOwnPaint() const { return false; }
  // The canvas that Paint() draws on (bound during paint).
  TCanvas* PaintCanvas() const { return canvas_.get(); }
  virtual void Resize() { if (OnResize) OnResize(this); }
  virtual void MouseDown(TMouseButton b, TShiftState s, int x, int y) { if (OnMouseDown) OnMouseDown(this, b, s, x, y); }
  virtual void MouseMove(TShiftState s, int x, int y) { if (OnMouseMove) OnMouseMove(this, s, x, y); }
  virtual void MouseUp(TMouseButton b, TShiftState s, int x, int y) { if (OnMouseUp) OnMouseUp(this, b, s, x, y); }
  virtual void DblClick() { if (OnDblClick) OnDblClick(this); }
  virtual void MouseEnter() { if (OnMouseEnter) OnMouseEnter(this); }
  virtual void MouseLeave() { if (OnMouseLeave) OnMouseLeave(this); }
  // The wheel turned over the control; true when handled.
  virtual bool DoMouseWheel(TShiftState s, int delta, TPoint p) {
    bool handled = false;
    if (OnMouseWheel) OnMouseWheel(this, s, delta, p, handled);
    return handled;
  }
  // The context menu was asked for at p (client coordinates, (-1, -1) from
  // the keyboard); runs OnContextPopup. Handled = true shows no PopupMenu.
  virtual void DoContextPopup(TPoint p, bool& handled) {
    if (OnContextPopup) OnContextPopup(this, p, handled);
  }
  virtual void FontChanged();
  virtual void TextChanged() { Invalidate(); }
  // Text as the widget shows it in the control's font (symbol-font
  // characters as their shapes, Graphics.h); the control keeps the original.
  String ShownText(const String& s) const { return MapSymbolText(font_->Name(), s); }
  // The font changed between a symbol font and a plain one: texts handed to
  // the widget are handed again.
  virtual void ShownTextsChanged() { TextChanged(); }
  virtual void EnabledChanged() { Invalidate(); }
  // Runs an event handler: an escaping exception is shown by
  // Application->HandleException and the loop goes on (see DispatchEvent).
  static void Dispatch(const std::function<void()>& f);
  // Applies bounds, visibility, font, colours and cursor to the widget.
  void SyncWidget();
  // A control whose Paint sets every pixel of its rectangle: nothing below
  // it is painted first and its picture is not blended (graphic controls are
  // see-through otherwise). Not used while Transparent is set.
  void SetPaintsOpaque(bool v);
  bool SeeThrough() const;
  // An opaque control whose Paint draws straight onto its window's surface,
  // with no picture of its own in between: each pixel is written once. Its
  // canvas is then bound to the paint's painter (TCanvas::Painter), so only
  // what a painter draws works there (fills, shapes, text, images);
  // pixel-level operations do nothing. Implies SetPaintsOpaque(true).
  void SetPaintsDirect(bool v);

  friend class ControlWidgetBridge;
  friend class TWinControl;
  TWinControl* parent_ = nullptr;
  QWidget* widget_ = nullptr;
  std::unique_ptr<TCanvas> canvas_;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true, enabled_ = true, parentColor_ = false, parentFont_ = true, showHint_ = false,
       transparent_ = false;
  TAlign align_ = alNone;
  TAnchors anchors_{akLeft, akTop};
  TSizeConstraints constraints_;
  TControlStyle controlStyle_{csCaptureMouse, csClickEvents, csDoubleClicks};
  bool syncingFont_ = false, symbolFont_ = false, paintsOpaque_ = false, paintsDirect_ = false;
  TColor color_ = clBtnFace;
  std::unique_ptr<TFont> font_;
  String text_, hint_;
  TCursor cursor_ = crDefault;
  TPopupMenu* popupMenu_ = nullptr;
};

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;
  // Non-windowed controls first, then windowed ones, each in z-order.
  int ControlCount() const { return int(controls_.size()); }
  TControl* Controls(int i) const { return controls_.at(size_t(i)); }
  void InsertControl(TControl* c);
  void RemoveControl(TControl* c);
  bool ContainsControl(const TControl* c) const;
  // Lays out aligned children: top, bottom, left, right, then client.
  void Realign();
  void DisableAlign() { ++alignLock_; }
  void EnableAlign() { if (--alignLock_ == 0) Realign(); }
  virtual void SetFocus();
  bool Focused() const;
  bool CanFocus() const;
  int TabOrder() const { return tabOrder_; }
  void SetTabOrder(int v) { tabOrder_ = v; }
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool v);
  bool DoubleBuffered = true;
  // Files dragged from the desktop. While on, a drag that carries local files
  // is accepted and its drop hands their full names, in drop order, to
  // OnFilesDropped; a drag that carries none is refused. A drop over a child
  // that does not take files reaches the nearest parent that does.
  bool AcceptFileDrops() const { return acceptFileDrops_; }
  void SetAcceptFileDrops(bool v);
  std::function<void(const std::vector<String>& Names)> OnFilesDropped;
  TNotifyEvent OnEnter, OnExit;
  TKeyEvent OnKeyDown, OnKeyUp;
  TKeyPressEvent OnKeyPress;
  void SetBounds(int l, int t, int w, int h) override;
  String ClassName() const override { return "TWinControl"; }

  // Scrolling of the children (tab sheets have it on). With AutoScroll,
  // children that reach beyond the client area's right or bottom edge are
  // brought into view with scroll bars laid over those edges; the client area
  // keeps its size, and the range reaches past a bar, so nothing has to stay
  // under it. Children keep their bounds: the scroll position only moves
  // where they show (ClientOffset is minus the position). The wheel that no
  // child takes scrolls vertically.
  bool AutoScroll() const { return scroll_ != nullptr; }
  void SetAutoScroll(bool v);
  // How far the children are scrolled now, and how far they can be.
  TPoint ScrollPosition() const;
  TPoint ScrollLimit() const;
  // Held within 0 .. ScrollLimit; the bars follow.
  void SetScrollPosition(const TPoint& p);
  TPoint ClientOffset() const override;

 protected:
  bool DoMouseWheel(TShiftState s, int delta, TPoint p) override;
  virtual void KeyDown(uint16_t& key, TShiftState s) { if (OnKeyDown) OnKeyDown(this, key, s); }
  virtual void KeyUp(uint16_t& key, TShiftState s) { if (OnKeyUp) OnKeyUp(this, key, s); }
  virtual void KeyPress(char32_t& key) { if (OnKeyPress) OnKeyPress(this, key); }
  virtual void DoEnter() { if (OnEnter) OnEnter(this); }
  virtual void DoExit() { if (OnExit) OnExit(this); }
  // The area children are laid in (panels shrink it by their borders).
  virtual TRect AlignRect() const { return ClientRect(); }
  friend class ControlWidgetBridge;
  friend class TControl;
  std::vector<TControl*> controls_;
  int tabOrder_ = 0;
  bool tabStop_ = false;
  bool acceptFileDrops_ = false;
  int alignLock_ = 0;
  bool realigning_ = false;
  // Stacks the children's widgets in the order of controls_.
  void restack();
  // A child moved, was sized, shown, hidden, added or removed, or the
  // control itself was sized: the scroll range follows.
  void updateAutoScroll();
  struct ScrollState;
  std::unique_ptr<ScrollState> scroll_;
  // Moves and sizes children anchored right or bottom after a resize.
  void anchorChildren(int oldWidth, int oldHeight);
};

// A control without a window of its own on the platform; it paints below
// windowed siblings.
class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(TComponent* AOwner);
  TCanvas* Canvas() const { return PaintCanvas(); }
  String ClassName() const override { return "TGraphicControl"; }
 protected:
  bool HasOwnPaint() const override { return true; }
};

// A windowed control that paints itself.
class TCustomControl : public TWinControl {
 public:
  explicit TCustomControl(TComponent* AOwner);
  TCanvas* Canvas() const { return PaintCanvas(); }
  String ClassName() const override { return "TCustomControl"; }
 protected:
  bool HasOwnPaint() const override { return true; }
};
