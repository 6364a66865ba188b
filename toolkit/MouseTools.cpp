// Mouse capture, the child at a point, synthesized presses and the outline
// overlay, on Qt's mouse grab, widget stacking and a see-through child widget.
#include "toolkit/MouseTools.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWidget>

#include "toolkit/QtGlue.h"

using namespace tkqt;

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
