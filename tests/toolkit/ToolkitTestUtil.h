#pragma once
// Helpers of the toolkit tests: answering message boxes, sending widget
// events, pumping the queue until a condition holds.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QWidget>
#include <functional>
#include <vector>

#include "toolkit/Controls.h"
#include "toolkit/Dialogs.h"
#include "toolkit/StdCtrls.h"

// Answers every message box with `answer` and keeps what was asked.
struct MessageBoxCapture {
  std::vector<TMsgDlgRequest> asked;
  explicit MessageBoxCapture(int answer = mrOk) {
    MessageDlgHook = [this, answer](const TMsgDlgRequest& r) {
      asked.push_back(r);
      return answer;
    };
  }
  ~MessageBoxCapture() { MessageDlgHook = nullptr; }
  String last() const { return asked.empty() ? String() : asked.back().Msg; }
};

inline void sendMouse(TControl* c, QEvent::Type t, int x, int y, Qt::MouseButton b = Qt::LeftButton) {
  QPointF p(x, y);
  QPointF g = c->Widget()->mapToGlobal(p.toPoint());
  Qt::MouseButtons held = t == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(b);
  QMouseEvent e(t, p, p, g, b, held, Qt::NoModifier);
  QCoreApplication::sendEvent(c->Widget(), &e);
}

inline void clickAt(TControl* c, int x, int y) {
  sendMouse(c, QEvent::MouseButtonPress, x, y);
  sendMouse(c, QEvent::MouseButtonRelease, x, y);
}

inline void sendKey(QWidget* w, int key, const QString& text = QString(), Qt::KeyboardModifiers m = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, key, m, text);
  QCoreApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, m, text);
  QCoreApplication::sendEvent(w, &release);
}

// Pumps the queue until cond holds; false when it did not within the limit.
inline bool pumpUntil(const std::function<bool()>& cond, int limitMs = 5000) {
  QElapsedTimer t;
  t.start();
  while (!cond()) {
    if (t.elapsed() > limitMs) return false;
    // A real loop that may block (so that idle processing happens), woken
    // after a short while to look at the condition again.
    QEventLoop loop;
    QTimer::singleShot(10, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return true;
}

// The operator clicks (or double-clicks) line i of a list box: press and
// release on the line, as the mouse delivers them to its item area.
inline void clickListItem(TListBox* l, int i, bool doubleClick = false) {
  QWidget* vp = l->List()->viewport();
  const TRect r = l->ItemRect(i);
  const QPointF p(r.Left + 4, (r.Top + r.Bottom) / 2);
  auto send = [&](QEvent::Type t) {
    const Qt::MouseButtons held = t == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
    QMouseEvent e(t, p, p, vp->mapToGlobal(p), Qt::LeftButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &e);
  };
  send(QEvent::MouseButtonPress);
  send(QEvent::MouseButtonRelease);
  if (!doubleClick) return;
  send(QEvent::MouseButtonDblClick);
  send(QEvent::MouseButtonRelease);
}
