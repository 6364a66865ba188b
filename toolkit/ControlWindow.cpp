// A window of its own laid exactly over the visible part of a control.
#include "toolkit/ControlWindow.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QEvent>
#include <QtGui/qguiapplication_platform.h>
#include <QVBoxLayout>
#include <QVariant>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cstring>

#include <xcb/xcb.h>

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

// A window that the window system maps anew may lie above every window of
// the screen, another program's too (openbox puts it there now and then): a
// second console's window that lies over this one's would have this
// program's content over it, for as long as nothing restacked it. Once it is
// mapped (the window manager has framed and stacked it by then), it is put
// back just above the window it stands in for: with a window manager, just
// below the lowest window of another program that lies above that one (the
// window manager's restack request, _NET_RESTACK_WINDOW; asked to go
// "above" a window, openbox raises it to the top instead); without one,
// directly above it.
const char* const kRestack = "tkqtControlWindowRestack";

xcb_atom_t atomOf(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
  const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
  std::free(r);
  return a;
}

xcb_window_t parentOf(xcb_connection_t* c, xcb_window_t w, xcb_window_t* root) {
  xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr);
  if (!tree) return XCB_WINDOW_NONE;
  const xcb_window_t parent = tree->parent;
  *root = tree->root;
  std::free(tree);
  return parent;
}

void stackJustAbove(xcb_connection_t* c, xcb_window_t win, xcb_window_t base) {
  xcb_window_t root = XCB_WINDOW_NONE;
  if (parentOf(c, win, &root) == root) {
    // Not framed: no window manager (nor one for the owner either).
    if (parentOf(c, base, &root) != root) return;
    const uint32_t values[] = {base, XCB_STACK_MODE_ABOVE};
    xcb_configure_window(c, win, XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE, values);
    xcb_flush(c);
    return;
  }
  // The managed windows, bottom to top.
  xcb_get_property_reply_t* list = xcb_get_property_reply(
      c, xcb_get_property(c, 0, root, atomOf(c, "_NET_CLIENT_LIST_STACKING"), XCB_ATOM_WINDOW, 0, 4096), nullptr);
  if (!list) return;
  const auto* stack = static_cast<const xcb_window_t*>(xcb_get_property_value(list));
  const int n = xcb_get_property_value_length(list) / int(sizeof(xcb_window_t));
  std::vector<xcb_window_t> own;
  for (const QWindow* t : QGuiApplication::topLevelWindows())
    if (t->handle()) own.push_back(xcb_window_t(t->winId()));
  xcb_window_t above = XCB_WINDOW_NONE;
  bool past = false;
  for (int i = 0; i < n && above == XCB_WINDOW_NONE; ++i) {
    if (stack[i] == base) past = true;
    else if (past && std::find(own.begin(), own.end(), stack[i]) == own.end()) above = stack[i];
  }
  std::free(list);
  if (above == XCB_WINDOW_NONE) return;   // nothing of another program lies above
  xcb_client_message_event_t e;
  std::memset(&e, 0, sizeof e);
  e.response_type = XCB_CLIENT_MESSAGE;
  e.format = 32;
  e.window = win;
  e.type = atomOf(c, "_NET_RESTACK_WINDOW");
  e.data.data32[0] = 2;   // from a pager-like source: honoured as asked
  e.data.data32[1] = above;
  e.data.data32[2] = XCB_STACK_MODE_BELOW;
  xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&e));
  xcb_flush(c);
}

// Restacks a window shown anew once the X server says it is mapped.
struct MapWatch : QAbstractNativeEventFilter {
  bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
    if (type != "xcb_generic_event_t") return false;
    const auto* ev = static_cast<const xcb_generic_event_t*>(message);
    if ((ev->response_type & 0x7f) != XCB_MAP_NOTIFY) return false;
    const xcb_window_t mapped = reinterpret_cast<const xcb_map_notify_event_t*>(ev)->window;
    for (const QPointer<QWidget>& w : ControlWindows()) {
      if (!w || !w->windowHandle() || !w->property(kRestack).toBool() || xcb_window_t(w->winId()) != mapped) continue;
      w->setProperty(kRestack, false);
      auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
      if (x11 && x11->connection() && w->parentWidget())
        stackJustAbove(x11->connection(), mapped, xcb_window_t(w->parentWidget()->window()->winId()));
    }
    return false;
  }
};

void watchMaps() {
  static MapWatch* watch = nullptr;
  if (watch || !qGuiApp || !qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) return;
  watch = new MapWatch;
  qGuiApp->installNativeEventFilter(watch);
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

void ControlWindow::showAbove() {
  watchMaps();
  window_->setProperty(kRestack, true);
  window_->show();
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
    if (!window_->isVisible()) showAbove();
  } else if (part.isEmpty()) {
    if (window_->isVisible()) window_->hide();
    mask_ = QRegion();
  } else {
    const QRect r(host_->mapToGlobal(QPoint(0, 0)), host_->size());
    if (window_->geometry() != r) window_->setGeometry(r);
    // What showed of the window before (nothing while hidden, covered or
    // veiled).
    const QRegion before = !window_->isVisible() || mask_ == QRegion(QRect(-2, -2, 1, 1)) ? QRegion()
                           : mask_.isEmpty()                                            ? QRegion(window_->rect())
                                                                                        : mask_;
    if (part != mask_) {
      mask_ = part;
      if (part == QRegion(QRect(QPoint(0, 0), r.size())))
        window_->clearMask();
      else
        window_->setMask(part);
    }
    if (!window_->isVisible()) showAbove();
    // Nothing is painted into a window outside its mask: the part that comes
    // into view (uncovered, unveiled) would show what the window's store
    // kept from when it last showed (a movie's frame of long ago). Its
    // content paints that part anew before it reaches the screen.
    if (const QRegion fresh = part - before; !fresh.isEmpty())
      for (QWidget* c : window_->findChildren<QWidget*>())
        if (c->isVisible()) c->repaint(fresh.translated(-c->mapTo(window_.data(), QPoint(0, 0))) & c->rect());
  }
  const bool now = window_->isVisible();
  if (now != shown_) {
    shown_ = now;
    if (OnShownChange) OnShownChange(now);
  }
}

}  // namespace tkqt
