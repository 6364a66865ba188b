// Window services: update lock, double-click time, posted characters.
#include "toolkit/WinUtils.h"

#include <QApplication>
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
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, t);
    QCoreApplication::sendEvent(w.data(), &press);
  });
}

