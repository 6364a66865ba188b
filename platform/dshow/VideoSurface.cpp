// Drawing a renderer's frame into a control's canvas, the cursor over a video
// window and the desktop's screen-saver inhibit.
#include <QCoreApplication>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include "platform/dshow/Overlay.h"
#include "toolkit/Controls.h"
#include "toolkit/Graphics.h"

void DrawVideoFrame(TCanvas* canvas, const TVideoFrame& frame, const TRect& src, const TRect& dest,
                    const TRect& clip) {
  if (!canvas || !frame.Bits || frame.Width <= 0 || frame.Height <= 0) return;
  QImage* target = canvas->Image();
  QPainter* shared = canvas->Painter();
  if (shared ? !shared->isActive() : !target) return;
  if (src.Width() <= 0 || src.Height() <= 0 || dest.Width() <= 0 || dest.Height() <= 0) return;
  // The frame's memory as an image (no copy); B, G, R, x is RGB32 here.
  const QImage picture(frame.Bits, frame.Width, frame.Height, frame.Stride, QImage::Format_RGB32);
  const QRect s = QRect(src.Left, src.Top, src.Width(), src.Height()).intersected(picture.rect());
  if (s.isEmpty()) return;
  const TPoint o = canvas->Origin();
  // On a surface painted directly the frame goes straight onto it through
  // the paint's painter (its state kept); otherwise onto the canvas's image.
  QPainter own;
  QPainter* p = shared;
  if (shared) {
    shared->save();
  } else {
    own.begin(target);
    p = &own;
  }
  // Source: the frame's pixels replace what is there (a 1:1 paint is a row
  // copy, a scaled one Qt's nearest-neighbour scaler).
  p->setRenderHint(QPainter::SmoothPixmapTransform, false);
  p->setCompositionMode(QPainter::CompositionMode_Source);
  p->setClipRect(QRect(clip.Left + o.X, clip.Top + o.Y, clip.Width(), clip.Height()));
  p->drawImage(QRect(dest.Left + o.X, dest.Top + o.Y, dest.Width(), dest.Height()), picture, s);
  if (shared) shared->restore();
}

void SetControlCursorHidden(TControl* control, bool hidden) {
  if (!control || !control->Widget()) return;
  if (hidden) {
    control->Widget()->setCursor(Qt::BlankCursor);
  } else {
    // The control's own cursor again.
    const TCursor c = control->Cursor();
    control->SetCursor(c == crDefault ? crArrow : crDefault);
    control->SetCursor(c);
  }
}

void NudgeCursor() {
  if (!QCoreApplication::instance()) return;
  QCursor::setPos(QCursor::pos());
}

namespace {
const char* const kService = "org.freedesktop.ScreenSaver";
const char* const kPath = "/org/freedesktop/ScreenSaver";
}  // namespace

bool TScreenSaverInhibit::Acquire(const std::string& application, const std::string& reason) {
  if (cookie_ != 0) return true;
  if (!QCoreApplication::instance()) return false;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || !bus.interface()) return false;
  if (!bus.interface()->isServiceRegistered(kService).value()) return false;
  QDBusMessage m = QDBusMessage::createMethodCall(kService, kPath, kService, "Inhibit");
  m << QString::fromStdString(application) << QString::fromStdString(reason);
  const QDBusMessage r = bus.call(m, QDBus::Block, 1000);
  if (r.type() != QDBusMessage::ReplyMessage || r.arguments().isEmpty()) return false;
  cookie_ = r.arguments().first().toUInt();
  return cookie_ != 0;
}

void TScreenSaverInhibit::Release() {
  if (cookie_ == 0) return;
  const uint32_t cookie = cookie_;
  cookie_ = 0;
  if (!QCoreApplication::instance()) return;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  QDBusMessage m = QDBusMessage::createMethodCall(kService, kPath, kService, "UnInhibit");
  m << cookie;
  bus.call(m, QDBus::NoBlock);
}
