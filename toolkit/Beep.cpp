// The platform's default sound.
#include <QApplication>
#include "toolkit/SysUtils.h"

std::function<void()> BeepHook;

void Beep() {
  if (BeepHook) {
    BeepHook();
    return;
  }
  if (qobject_cast<QApplication*>(QCoreApplication::instance())) QApplication::beep();
}
