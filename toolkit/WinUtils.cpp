// Window services: update lock, double-click time, posted characters, the
// cursor's position and confinement.
#include "toolkit/WinUtils.h"

#include <algorithm>

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QPointer>
#include <QStyleHints>
#include <QTimer>
#include <QWidget>

#include "toolkit/QtGlue.h"

namespace {
QPointer<QWidget> lockedWidget;
}

bool LockWindowUpdate(TWinControl* c) {
  if (c && lockedWidget && lockedWidget == c->Widget()) return true;
  UnlockWindowUpdate();
  if (!c || !c->Widget()) return false;
  lockedWidget = c->Widget();
  lockedWidget->setUpdatesEnabled(false);
  return true;
}

void UnlockWindowUpdate() {
  if (!lockedWidget) return;
  QWidget* w = lockedWidget;
  lockedWidget = nullptr;
  w->setUpdatesEnabled(true);
  w->update();
}

TWinControl* LockedWindow() {
  return lockedWidget ? dynamic_cast<TWinControl*>(tkqt::ControlOf(lockedWidget)) : nullptr;
}

int GetDoubleClickTime() {
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return app->styleHints()->mouseDoubleClickInterval();
  return 500;
}

void PostChar(TWinControl* c, char32_t ch) {
  if (!c || !c->Widget()) return;
  QPointer<QWidget> w = c->Widget();
  QTimer::singleShot(0, w.data(), [w, ch] {
    if (!w) return;
    const QString t = QString::fromUcs4(&ch, 1);
    // Control characters are their keys for the widget (a posted Backspace
    // deletes as a typed one does).
    int key = 0;
    switch (ch) {
      case 8: key = Qt::Key_Backspace; break;
      case 9: key = Qt::Key_Tab; break;
      case 13: key = Qt::Key_Return; break;
      case 27: key = Qt::Key_Escape; break;
      default: break;
    }
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, 0, tkqt::PostedCharMark, 0, t);
    QCoreApplication::sendEvent(w.data(), &press);
  });
}


TPoint GetCursorPos() {
  const QPoint p = QCursor::pos();
  return TPoint(p.x(), p.y());
}

void SetCursorPos(const TPoint& p) { QCursor::setPos(p.X, p.Y); }

namespace {

// Puts the cursor back into the clip rectangle whenever a move or the
// leaving of a window shows it outside; the program's deactivation ends
// the confinement.
class CursorClipFilter : public QObject {
 public:
  TRect clip;
  bool eventFilter(QObject*, QEvent* e) override {
    switch (e->type()) {
      case QEvent::MouseMove:
      case QEvent::Leave:
      case QEvent::Enter:
        holdIn();
        break;
      case QEvent::ApplicationDeactivate:
        clip = TRect();
        break;
      default:
        break;
    }
    return false;
  }
  void holdIn() const {
    if (clip.IsEmpty()) return;
    const QPoint p = QCursor::pos();
    const int x = std::clamp(p.x(), clip.Left, clip.Right - 1), y = std::clamp(p.y(), clip.Top, clip.Bottom - 1);
    if (x != p.x() || y != p.y()) QCursor::setPos(x, y);
  }
};

CursorClipFilter* cursorClip() {
  static QPointer<CursorClipFilter> filter;
  if (!filter && QCoreApplication::instance()) {
    filter = new CursorClipFilter;
    filter->setParent(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(filter);
  }
  return filter;
}

}  // namespace

void ClipCursor(const TRect& r) {
  CursorClipFilter* f = cursorClip();
  if (!f) return;
  f->clip = r.Normalized();
  f->holdIn();
}

TRect CursorClip() {
  CursorClipFilter* f = cursorClip();
  return f ? f->clip : TRect();
}
