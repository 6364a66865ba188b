// Mouse capture, the child at a point, synthesized presses and the outline
// overlay, on Qt's mouse grab, widget stacking and a see-through child widget.
#include "toolkit/MouseTools.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWidget>

#include "toolkit/QtGlue.h"

using namespace tkqt;

// The window system's entry points of Qt's GUI library (what a platform
// plug-in calls for the input it receives).
Q_GUI_EXPORT void qt_handleMouseEvent(QWindow* window, const QPointF& local, const QPointF& global,
                                      Qt::MouseButtons state, Qt::MouseButton button, QEvent::Type type,
                                      Qt::KeyboardModifiers mods, int timestamp);
Q_GUI_EXPORT void qt_handleKeyEvent(QWindow* window, QEvent::Type t, int k, Qt::KeyboardModifiers mods,
                                    const QString& text, bool autorep, ushort count);

namespace {

QPointer<QWidget>& captured() {
  static QPointer<QWidget> w;
  return w;
}

Qt::MouseButton qtButton(TMouseButton b) {
  switch (b) {
    case mbRight: return Qt::RightButton;
    case mbMiddle: return Qt::MiddleButton;
    default: return Qt::LeftButton;
  }
}

bool isWindowed(const TControl* c) { return dynamic_cast<const TWinControl*>(c) != nullptr; }

}  // namespace

void SetCaptureControl(TControl* Control) {
  ReleaseCapture();
  if (!Control || !Control->Widget() || !Control->Widget()->isVisible()) return;
  Control->Widget()->grabMouse();
  captured() = Control->Widget();
}

TControl* GetCaptureControl() {
  QWidget* w = captured();
  return w ? ControlOf(w) : nullptr;
}

void ReleaseCapture() {
  QWidget* w = captured();
  captured() = nullptr;
  if (w && QWidget::mouseGrabber() == w) w->releaseMouse();
}

TControl* ControlAtPos(const TWinControl* Parent, const TPoint& Pos, bool AllowDisabled, bool AllowWinControls,
                       const TControl* Except) {
  if (!Parent) return nullptr;
  // Controls(k) lists graphic children, then windowed ones, each from the
  // bottom up: from the end is from the top down.
  for (int i = Parent->ControlCount() - 1; i >= 0; --i) {
    TControl* c = Parent->Controls(i);
    if (c == Except || !c->Visible()) continue;
    if (!AllowDisabled && !c->Enabled()) continue;
    if (!AllowWinControls && isWindowed(c)) continue;
    if (c->BoundsRect().Contains(Pos)) return c;
  }
  return nullptr;
}

namespace {
// A list or other scrolled view takes the mouse on its viewport (its client
// area), as a real press there does.
QWidget* mouseWidget(TControl* Target) {
  QWidget* w = Target->Widget();
  if (auto* area = qobject_cast<QAbstractScrollArea*>(w))
    if (area->viewport()) w = area->viewport();
  return w;
}
}  // namespace

void SendMouseMove(TControl* Target, const TPoint& Pos) {
  if (!Target || !Target->Widget()) return;
  QWidget* w = mouseWidget(Target);
  const QPointF p(Pos.X, Pos.Y);
  QMouseEvent e(QEvent::MouseMove, p, p, w->mapToGlobal(p), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &e);
}

void SendMouseButton(TControl* Target, TMouseButton Button, bool Down, const TPoint& Pos) {
  if (!Target || !Target->Widget()) return;
  QWidget* w = mouseWidget(Target);
  const QPointF p(Pos.X, Pos.Y);
  const Qt::MouseButton b = qtButton(Button);
  QMouseEvent e(Down ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease, p, p, w->mapToGlobal(p), b,
                Down ? Qt::MouseButtons(b) : Qt::MouseButtons(Qt::NoButton), Qt::NoModifier);
  QCoreApplication::sendEvent(w, &e);
}

void tkqt::SendWindowMouse(QWidget* w, const QPoint& Local, Qt::MouseButton Button, bool Down, bool Quick) {
  if (!w) return;
  QWidget* top = w->window();
  QWindow* win = top->windowHandle();
  if (!win) return;
  // Presses lie a second apart, so the window system never makes a double
  // click of two of them; a quick one follows the last event at once.
  static int stamp = 0;
  static Qt::MouseButtons held;
  stamp += Quick ? 1 : Down ? 1000 : 10;
  held.setFlag(Button, Down);
  const QPointF inWindow = w == top ? QPointF(Local) : QPointF(w->mapTo(top, Local));
  qt_handleMouseEvent(win, inWindow, QPointF(w->mapToGlobal(Local)), held, Button,
                      Down ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease, Qt::NoModifier, stamp);
}

void tkqt::GiveMouseToModal() {
  ReleaseCapture();
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
  if (QWidget* g = QWidget::mouseGrabber()) g->releaseMouse();
  // Hidden, not closed: a menu that frees itself on closing stays until
  // its own event handling has returned.
  for (int i = 0; i < 8; ++i) {
    QWidget* p = QApplication::activePopupWidget();
    if (!p) break;
    p->hide();
  }
}

void SendWindowMouseButton(TControl* Target, TMouseButton Button, bool Down, const TPoint& Pos) {
  if (!Target || !Target->Widget()) return;
  const TPoint o = Target->ClientOffset();
  SendWindowMouse(Target->Widget(), QPoint(Pos.X + o.X, Pos.Y + o.Y), qtButton(Button), Down);
}

void SendWindowDoubleClick(TControl* Target, const TPoint& Pos) {
  if (!Target || !Target->Widget()) return;
  const TPoint o = Target->ClientOffset();
  const QPoint at(Pos.X + o.X, Pos.Y + o.Y);
  // Each event goes to the widget under the point as it is then (the first
  // press may have opened a window there, an in-place editor).
  for (bool down : {true, false, true, false}) {
    SendWindowMouse(Target->Widget(), at, Qt::LeftButton, down, true);
    QCoreApplication::processEvents();
  }
}

void SendWindowKey(uint16_t Key) {
  int k = 0;
  for (int q : {int(Qt::Key_Return), int(Qt::Key_Escape), int(Qt::Key_Tab), int(Qt::Key_Space), int(Qt::Key_Up),
                int(Qt::Key_Down), int(Qt::Key_Left), int(Qt::Key_Right), int(Qt::Key_Home), int(Qt::Key_End),
                int(Qt::Key_Backspace), int(Qt::Key_Delete)})
    if (VirtualKey(q, Qt::NoModifier) == Key) k = q;
  if ((Key >= 'A' && Key <= 'Z') || (Key >= '0' && Key <= '9')) k = Key;
  if (!k) return;
  QString text;
  if (k == Qt::Key_Return) text = QStringLiteral("\r");
  else if (k == Qt::Key_Escape) text = QString(QChar(27));
  else if (k == Qt::Key_Space) text = QStringLiteral(" ");
  else if (k < 0x80) text = QString(QChar(k)).toLower();
  QWindow* win = nullptr;
  if (QWidget* popup = QApplication::activePopupWidget()) win = popup->windowHandle();
  if (!win) win = QGuiApplication::modalWindow();
  if (!win) win = QGuiApplication::focusWindow();
  if (!win) return;
  qt_handleKeyEvent(win, QEvent::KeyPress, k, Qt::NoModifier, text, false, 1);
  qt_handleKeyEvent(win, QEvent::KeyRelease, k, Qt::NoModifier, text, false, 1);
}

TControl* SendMouseButtonAt(TWinControl* Parent, TMouseButton Button, bool Down, const TPoint& Pos,
                            const TControl* Except) {
  if (!Parent) return nullptr;
  TControl* c = ControlAtPos(Parent, Pos, false, true, Except);
  if (!c) {
    SendMouseButton(Parent, Button, Down, Pos);
    return Parent;
  }
  SendMouseButton(c, Button, Down, TPoint(Pos.X - c->Left(), Pos.Y - c->Top()));
  return c;
}

// ---------------------------------------------------------------- outline

namespace {

class OutlineWidget : public QWidget {
 public:
  explicit OutlineWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
  }
  QRect frame;

 protected:
  void paintEvent(QPaintEvent*) override {
    if (frame.isEmpty()) return;
    QPainter p(this);
    // A frame that shows on any picture: light dots between dark ones.
    const QRect r = frame.adjusted(0, 0, -1, -1);
    p.setPen(QPen(Qt::white, 1, Qt::SolidLine));
    p.drawRect(r);
    QPen dots(Qt::black, 1, Qt::CustomDashLine);
    dots.setDashPattern({1, 1});
    p.setPen(dots);
    p.drawRect(r);
  }
};

}  // namespace

struct TOutlineOverlay::Impl {
  QPointer<OutlineWidget> widget;
  TWinControl* parent = nullptr;
};

TOutlineOverlay::TOutlineOverlay() : impl_(std::make_unique<Impl>()) {}

TOutlineOverlay::~TOutlineOverlay() {
  if (impl_->widget) delete impl_->widget.data();
}

void TOutlineOverlay::Show(TWinControl* Parent, const TRect& R) {
  if (!Parent || !Parent->Widget()) {
    Hide();
    return;
  }
  if (!impl_->widget || impl_->parent != Parent) {
    if (impl_->widget) delete impl_->widget.data();
    impl_->widget = new OutlineWidget(Parent->Widget());
    impl_->parent = Parent;
  }
  rect_ = R.Normalized();
  OutlineWidget* w = impl_->widget;
  w->setGeometry(Parent->Widget()->rect());
  w->frame = QR(rect_);
  w->raise();
  w->show();
  w->update();
}

void TOutlineOverlay::Hide() {
  rect_ = TRect();
  if (impl_->widget) {
    impl_->widget->frame = QRect();
    impl_->widget->hide();
  }
}

bool TOutlineOverlay::Shown() const { return impl_->widget && !impl_->widget->isHidden() && !rect_.IsEmpty(); }

TWinControl* TOutlineOverlay::Parent() const { return impl_->widget ? impl_->parent : nullptr; }
