#pragma once
// Toolkit internals: a window of its own that stands in for a control.
//
// Content that the graphics library composes (a web engine's view) must not
// sit inside the main window: a window holding such a widget is composed by
// the graphics library on every repaint of any of its widgets. So the content
// gets a frameless tool window of its own, transient for the control's window
// (the window manager keeps it just above that window and below other
// applications'), and ControlWindow keeps it exactly over the part of the
// control that shows:
// - its geometry is the control's global rectangle, followed on every move,
//   resize, scroll, show and hide of the control or of any ancestor;
// - its mask is the control's visible part (VisiblePart): clipped by every
//   ancestor, less the widgets stacked above it and the application's other
//   windows (dialogs, menus) that lie over it;
// - it is hidden while the control does not show or nothing of it is
//   visible (unless kept drawing: then a control that shows but is covered
//   keeps its window, masked out entirely). A minimised window takes it along (the window manager iconifies
//   a transient window with its parent, and restores both; hiding it on top
//   of that keeps some window managers from restoring the parent).
// - when it shows, it lies just above the control's window: below another
//   program's windows that lie over that one (a window manager may put a
//   window shown anew above every window of the screen, a second console's
//   too; it is restacked once mapped).
// With PassInput the mouse goes through the window to the control beneath.
#include <QObject>
#include <QPointer>
#include <QRegion>
#include <functional>
#include <vector>

class QWidget;

namespace tkqt {

// The part of w that shows on its screen, in w's coordinates: w's rectangle
// clipped by each ancestor, less each ancestor's children stacked above the
// branch holding w (see-through ones, that take no mouse, do not count) and
// less the visible dialogs, menus and tool windows of the application (not
// the windows of ControlWindow). Empty while w is hidden.
QRegion VisiblePart(const QWidget* w);

// The windows of ControlWindow that stand in for host (for checks).
std::vector<QWidget*> WindowsOver(const QWidget* host);

class ControlWindow : public QObject {
 public:
  // Content fills the window (the window becomes its parent).
  ControlWindow(QWidget* host, QWidget* content, bool passInput);
  ~ControlWindow() override;
  QWidget* Window() const { return window_.data(); }
  // Whether the window is on the screen.
  bool Shown() const;
  // Called after the window has shown (true) or hidden (false).
  std::function<void(bool)> OnShownChange;
  // Lays the window over the control now.
  void Follow();
  // Kept drawing: while the control shows but is covered entirely (a
  // sibling stacked above it), the window stays on the screen with nothing
  // of it visible (masked out), so that its content goes on drawing and has
  // its picture ready when the control comes to the front.
  void SetKeptDrawing(bool On);
  // Veiled: the window is kept on the screen while its control shows, but
  // nothing of it is visible (as when kept drawing beneath a covering
  // sibling), until unveiled: its content draws meanwhile, so that what it
  // shows once unveiled is its present picture, not one it kept from before.
  // (The part of the window that comes into view is painted anew at once:
  // nothing is painted outside a window's mask, so its store still holds
  // what that part showed last time.)
  void SetVeiled(bool On);
  bool Veiled() const { return veiled_; }

 protected:
  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  void watch();
  void place(const QRegion& part);
  void showAbove();   // shows the window just above its control's window
  QWidget* host_;
  QPointer<QWidget> window_;
  bool passInput_;
  bool shown_ = false, keptDrawing_ = false, veiled_ = false;
  QRegion mask_;
  std::vector<QPointer<QWidget>> watched_;
};

}  // namespace tkqt
