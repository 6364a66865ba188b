// A window of its own laid exactly over the visible part of a control.
#include "toolkit/ControlWindow.h"

#include <QApplication>
#include <QEvent>
#include <QVBoxLayout>
#include <QVariant>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace tkqt {

namespace {

// Marks the windows of ControlWindow (for WindowsOver).
const char* const kMark = "tkqtControlWindow";
const char* const kHost = "tkqtControlWindowHost";

// A window of the application that lies over others of it: dialogs, menus,
// tool windows (the main windows themselves do not).
bool LiesOver(Qt::WindowType type) {
  switch (type) {
    case Qt::Dialog:
    case Qt::Sheet:
    case Qt::Drawer:
    case Qt::Popup:
    case Qt::Tool:
    case Qt::ToolTip:
    case Qt::SplashScreen:
      return true;
    default:
      return false;
  }
}

// The windows of every ControlWindow: they stand in for controls, so they do
// not cover each other's controls. (Their platform windows are made anew at
// times, when the engine's view joins one for instance: they are looked up
// each time.)
std::vector<QPointer<QWidget>>& ControlWindows() {
  static std::vector<QPointer<QWidget>> all;
  return all;
}

bool IsControlWindow(const QWindow* w) {
  for (const QPointer<QWidget>& c : ControlWindows())
    if (c && c->windowHandle() == w) return true;
  return false;
}

}  // namespace

QRegion VisiblePart(const QWidget* w) {
  if (!w || !w->isVisible() || w->width() <= 0 || w->height() <= 0) return {};
  const QWidget* top = w->window();
  // Worked out in the coordinates of w's window.
  const QPoint origin = w->mapTo(top, QPoint(0, 0));
  QRegion part(QRect(origin, w->size()));
  for (const QWidget* c = w; c != top; c = c->parentWidget()) {
    const QWidget* p = c->parentWidget();
    const QPoint at = p->mapTo(top, QPoint(0, 0));
    part &= QRect(at, p->size());
    // The parent's children after c are stacked above it.
    const QObjectList& kids = p->children();
    for (qsizetype i = kids.indexOf(const_cast<QWidget*>(c)) + 1; i > 0 && i < kids.size(); ++i) {
      const auto* s = qobject_cast<const QWidget*>(kids[i]);
      if (!s || s->isWindow() || !s->isVisible() || s->testAttribute(Qt::WA_TransparentForMouseEvents)) continue;
      part -= s->geometry().translated(at);
    }
    if (part.isEmpty()) return {};
  }
  // The application's windows over this one (the short list of platform
  // windows: the widgets' own would go through every widget of the console).
  const QPoint global = top->mapToGlobal(QPoint(0, 0));
  for (const QWindow* o : QGuiApplication::topLevelWindows()) {
    if (!o->isVisible() || o == top->windowHandle()) continue;
    if (!LiesOver(o->type()) || IsControlWindow(o)) continue;
    part -= o->frameGeometry().translated(-global);
  }
  return part.translated(-origin);
}

std::vector<QWidget*> WindowsOver(const QWidget* host) {
  std::vector<QWidget*> out;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->property(kMark).toBool() && w->property(kHost).value<void*>() == host) out.push_back(w);
  return out;
}

ControlWindow::ControlWindow(QWidget* host, QWidget* content, bool passInput)
    : host_(host), passInput_(passInput) {
  Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint;
  if (passInput_) flags |= Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus;
  window_ = new QWidget(host_->window(), flags);
  window_->setAttribute(Qt::WA_ShowWithoutActivating);
  window_->setProperty(kMark, true);
  window_->setProperty(kHost, QVariant::fromValue(static_cast<void*>(host_)));
  ControlWindows().emplace_back(window_);
  auto* layout = new QVBoxLayout(window_);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(content);
  watch();
}

ControlWindow::~ControlWindow() {
  auto& all = ControlWindows();
  all.erase(std::remove_if(all.begin(), all.end(), [this](const QPointer<QWidget>& w) { return !w || w == window_; }),
            all.end());
  for (const QPointer<QWidget>& w : watched_)
    if (w) w->removeEventFilter(this);
  delete window_.data();
}

bool ControlWindow::Shown() const { return window_ && window_->isVisible(); }

// The host and every ancestor up to its window are watched: any of them that
// moves (a scroll), changes size, shows or hides moves the window with it.
// A repaint of the window (which follows any change of its widgets, a dialog
// or a widget stacked above the control) lays it again too: it costs a few
// rectangles, and the window itself is touched only when something changed.
void ControlWindow::watch() {
  for (const QPointer<QWidget>& w : watched_)
    if (w) w->removeEventFilter(this);
  watched_.clear();
  for (QWidget* w = host_; w; w = w->parentWidget()) {
    w->installEventFilter(this);
    watched_.emplace_back(w);
    if (w->isWindow()) break;
  }
}

bool ControlWindow::eventFilter(QObject* o, QEvent* e) {
  switch (e->type()) {
    case QEvent::ParentChange:
      watch();
      if (window_ && window_->parentWidget() != host_->window()) {
        const Qt::WindowFlags flags = window_->windowFlags();
        window_->hide();
        window_->setParent(host_->window(), flags);
      }
      Follow();
      break;
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowStateChange:
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
    case QEvent::UpdateRequest:
      if (o != window_) Follow();
      break;
    default:
      break;
  }
  return false;
}

void ControlWindow::Follow() {
  if (!window_) return;
  place(VisiblePart(host_));
}

void ControlWindow::SetKeptDrawing(bool On) {
  if (keptDrawing_ == On) return;
  keptDrawing_ = On;
  Follow();
}

void ControlWindow::SetVeiled(bool On) {
  if (veiled_ == On) return;
  veiled_ = On;
  Follow();
}

void ControlWindow::place(const QRegion& part) {
  // A window kept drawing over a control that shows but is covered, or a
  // veiled one: on the screen, masked by a region outside itself (an empty
  // mask would be none).
  const QWidget* top = host_->window();
  const bool covered = (veiled_ || (part.isEmpty() && keptDrawing_)) && host_->isVisible() &&
                       !host_->size().isEmpty() && !top->isMinimized();
  if (covered) {
    const QRect r(host_->mapToGlobal(QPoint(0, 0)), host_->size());
    const QRegion none(QRect(-2, -2, 1, 1));
    if (window_->geometry() != r) window_->setGeometry(r);
    if (mask_ != none) {
      mask_ = none;
      window_->setMask(none);
    }
    if (!window_->isVisible()) window_->show();
  } else if (part.isEmpty()) {
    if (window_->isVisible()) window_->hide();
    mask_ = QRegion();
  } else {
    const QRect r(host_->mapToGlobal(QPoint(0, 0)), host_->size());
    if (window_->geometry() != r) window_->setGeometry(r);
    if (part != mask_) {
      mask_ = part;
      if (part == QRegion(QRect(QPoint(0, 0), r.size())))
        window_->clearMask();
      else
        window_->setMask(part);
    }
    if (!window_->isVisible()) window_->show();
  }
  const bool now = window_->isVisible();
  if (now != shown_) {
    shown_ = now;
    if (OnShownChange) OnShownChange(now);
  }
}

}  // namespace tkqt
