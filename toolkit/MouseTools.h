#pragma once
// Mouse tools of the toolkit: capturing the mouse for one control, finding
// the child control at a point, a press or release made at a point as the
// operator's would be, and a dotted outline drawn over a container.
#include <memory>
#include "toolkit/Controls.h"

// Mouse capture: every mouse event goes to the capturing control until the
// capture is released (or another control captures). A control that is not
// shown cannot capture. A freed control loses its capture.
void SetCaptureControl(TControl* Control);
TControl* GetCaptureControl();
void ReleaseCapture();

// The topmost visible child of Parent whose bounds contain Pos (Parent's
// client coordinates): windowed children above graphic ones, as they lie on
// the screen. Disabled children only with AllowDisabled, windowed ones only
// with AllowWinControls; Except is never returned.
TControl* ControlAtPos(const TWinControl* Parent, const TPoint& Pos, bool AllowDisabled, bool AllowWinControls,
                       const TControl* Except = nullptr);

// A press (Down) or release of Button at Pos in Target's client coordinates,
// delivered to Target as a real one is: its mouse handlers, click and events
// run as for the operator's (a list or other scrolled view gets it on its
// viewport, whose coordinates its items use). No key flags.
void SendMouseButton(TControl* Target, TMouseButton Button, bool Down, const TPoint& Pos);

// A move of the mouse to Pos in Target's client coordinates, no button held,
// delivered as SendMouseButton delivers a press.
void SendMouseMove(TControl* Target, const TPoint& Pos);

// A press or release at Pos of Parent's client area reaching what a real one
// would reach there: the topmost child at the point (graphic or windowed,
// skipping Except), else Parent itself. Returns the control that got it.
TControl* SendMouseButtonAt(TWinControl* Parent, TMouseButton Button, bool Down, const TPoint& Pos,
                            const TControl* Except = nullptr);

// The operator's input as the window system delivers it: a press or release
// of Button at Pos (Target's client coordinates) reaches Target's window and
// goes on as a real one does there, through a mouse grab, an open pop-up
// menu and the block that a modal window puts on the others (so a click on
// a modal dialog's button closes it only when the dialog takes the mouse).
// Presses lie far apart in time: never a double click.
void SendWindowMouseButton(TControl* Target, TMouseButton Button, bool Down, const TPoint& Pos);
// A double click of the left button at Pos, delivered so: two presses and
// their releases in quick succession, the second press a double click for
// the window system, each reaching what lies under the point at its moment.
void SendWindowDoubleClick(TControl* Target, const TPoint& Pos);
// A key (virtual key code) pressed and released as the window system
// delivers it: to an open pop-up menu, else the modal window, else the
// window that has the keyboard.
void SendWindowKey(uint16_t Key);

// A dotted frame over a container's children, kept as state: Show draws it
// around a rectangle (the container's client coordinates; the frame's
// pixels are those of the rectangle's edge), a further Show moves it, Hide
// takes it away. It never takes the mouse.
class TOutlineOverlay {
 public:
  TOutlineOverlay();
  ~TOutlineOverlay();
  TOutlineOverlay(const TOutlineOverlay&) = delete;
  TOutlineOverlay& operator=(const TOutlineOverlay&) = delete;
  void Show(TWinControl* Parent, const TRect& R);
  void Hide();
  bool Shown() const;
  const TRect& Rect() const { return rect_; }
  TWinControl* Parent() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  TRect rect_;
};
