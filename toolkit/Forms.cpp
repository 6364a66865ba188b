// Forms, the application object and the screen on Qt.
#include "toolkit/Forms.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <mutex>
#include <set>
#include <unistd.h>

#include "toolkit/Dialogs.h"
#include "toolkit/QtGlue.h"
#include "toolkit/Log.h"

using namespace tkqt;

namespace {
// Forms alive now; a queued Release checks that its form still exists.
std::set<TCustomForm*>& liveForms() {
  static std::set<TCustomForm*> s;
  return s;
}

void wakeLoop() {
  if (QCoreApplication::instance())
    if (auto* d = QAbstractEventDispatcher::instance()) d->wakeUp();
}
}  // namespace

// ---------------------------------------------------------------- TCustomForm

TCustomForm::TCustomForm(TComponent* AOwner) : TCustomControl(AOwner) {
  liveForms().insert(this);
  visible_ = false;
  widget_->setAttribute(Qt::WA_QuitOnClose, false);
  widget_->setFocusPolicy(Qt::StrongFocus);
  applyWindowFlags();
}

TCustomForm::~TCustomForm() {
  BeforeDestruction();
  // From here on the window's own events (hiding deactivates it) reach no
  // handler: the derived form they were bound to is already destroyed.
  BeginDestroy();
  liveForms().erase(this);
  if (Application && Application->mainForm_ == this) Application->mainForm_ = nullptr;
  if (widget_) widget_->hide();
}

void TCustomForm::AfterConstruction() {
  if (created_) return;
  created_ = true;
  // The components the form owns learn that their design values are set.
  for (int i = 0; i < ComponentCount(); ++i) {
    TComponent* c = Components(i);
    DispatchEvent([c] { c->Loaded(); });
  }
  if (OnCreate) DispatchEvent([this] { OnCreate(this); });
}

void TCustomForm::BeforeDestruction() {
  if (destroyed_) return;
  destroyed_ = true;
  if (OnDestroy) DispatchEvent([this] { OnDestroy(this); });
}

void TCustomForm::applyWindowFlags() {
  if (!widget_) return;
  Qt::WindowFlags fl;
  switch (borderStyle_) {
    case bsNone: fl = Qt::Window | Qt::FramelessWindowHint; break;
    case bsDialog: fl = Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint; break;
    case bsToolWindow:
    case bsSizeToolWin: fl = Qt::Tool; break;
    default: fl = Qt::Window; break;
  }
  if (formStyle_ == fsStayOnTop) fl |= Qt::WindowStaysOnTopHint;
  bool vis = widget_->isVisible();
  widget_->setWindowFlags(fl);
  widget_->setGeometry(left_, top_, std::max(width_, 0), std::max(height_, 0));
  if (vis) widget_->show();
}

void TCustomForm::SetBorderStyle(TBorderStyle v) {
  if (v == borderStyle_) return;
  borderStyle_ = v;
  applyWindowFlags();
}

void TCustomForm::SetFormStyle(TFormStyle v) {
  if (v == formStyle_) return;
  formStyle_ = v;
  applyWindowFlags();
}

void TCustomForm::SetWindowState(TWindowState v) {
  windowState_ = v;
  if (!visible_ || !widget_) return;
  switch (v) {
    case wsMaximized: widget_->showMaximized(); break;
    case wsMinimized: widget_->showMinimized(); break;
    default: widget_->showNormal(); break;
  }
}

void TCustomForm::TextChanged() {
  if (widget_) widget_->setWindowTitle(QStr(text_));
}

void TCustomForm::placeOnShow() {
  if (!Screen) return;
  TRect area;
  switch (position_) {
    case poScreenCenter: area = Screen->WorkAreaRect(); break;
    case poDesktopCenter: area = Screen->DesktopRect(); break;
    case poMainFormCenter:
    case poOwnerFormCenter: {
      TCustomForm* f = position_ == poOwnerFormCenter ? dynamic_cast<TCustomForm*>(Owner()) : nullptr;
      if (!f && Application) f = Application->MainForm();
      if (!f || f == this) {
        area = Screen->WorkAreaRect();
      } else {
        area = f->BoundsRect();
      }
      break;
    }
    default: return;
  }
  SetBounds(area.Left + (area.Width() - width_) / 2, area.Top + (area.Height() - height_) / 2, width_, height_);
}

void TCustomForm::SetVisible(bool v) {
  if (v == visible_) return;
  if (v) {
    AfterConstruction();
    visible_ = true;
    placeOnShow();
    DoShow();
    if (!visible_ || !widget_) return;   // hidden again by OnShow
    widget_->setGeometry(left_, top_, std::max(width_, 0), std::max(height_, 0));
    switch (windowState_) {
      case wsMaximized: widget_->showMaximized(); break;
      case wsMinimized: widget_->showMinimized(); break;
      default: widget_->show(); break;
    }
  } else {
    visible_ = false;
    if (widget_) widget_->hide();
    DoHide();
  }
}

void TCustomForm::Show() {
  SetVisible(true);
  BringToFront();
}

void TCustomForm::BringToFront() {
  if (!widget_ || !widget_->isVisible()) return;
  if (QGuiApplication::platformName() != QLatin1String("offscreen")) widget_->raise();
  widget_->activateWindow();
}

void TCustomForm::SetModalResult(TModalResult v) {
  modalResult_ = v;
  if (modal_) wakeLoop();
}

TModalResult TCustomForm::ShowModal() {
  if (modal_ || visible_) throw EInvalidOperation("Cannot make a visible window modal");
  Application->Initialize();
  modal_ = true;
  modalResult_ = mrNone;
  struct Restore {
    TCustomForm* f;
    ~Restore() {
      if (liveForms().count(f) == 0) return;
      f->modal_ = false;
      if (f->visible_) f->SetVisible(false);
      if (f->widget_) f->widget_->setWindowModality(Qt::NonModal);
    }
  } restore{this};
  // The modal window takes the mouse from whatever holds it.
  GiveMouseToModal();
  widget_->setWindowModality(Qt::ApplicationModal);
  SetVisible(true);
  BringToFront();
  TCloseAction action = caHide;
  for (;;) {
    QEventLoop loop;
    while (modalResult_ == mrNone && visible_ && !Application->Terminated())
      loop.processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
    if (modalResult_ == mrNone) {
      // Hidden by code or the application ends.
      modalResult_ = mrCancel;
      break;
    }
    if (Application->Terminated()) break;
    if (!CloseQuery()) {
      modalResult_ = mrNone;
      continue;
    }
    action = caHide;
    if (OnClose) OnClose(this, action);
    if (action == caNone) {
      modalResult_ = mrNone;
      continue;
    }
    break;
  }
  TModalResult r = modalResult_;
  if (action == caFree) Release();
  return r;
}

bool TCustomForm::CloseQuery() {
  bool can = true;
  if (OnCloseQuery) OnCloseQuery(this, can);
  return can;
}

void TCustomForm::Close() {
  if (modal_) {
    SetModalResult(mrCancel);
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  if (OnClose) OnClose(this, action);
  if (action == caNone) return;
  if (Application && this == Application->MainForm()) {
    Application->Terminate();
    return;
  }
  switch (action) {
    case caMinimize: SetWindowState(wsMinimized); break;
    case caFree: Release(); break;
    default: Hide(); break;
  }
}

void TCustomForm::Release() {
  if (released_) return;
  released_ = true;
  Hide();
  TCustomForm* self = this;
  QTimer::singleShot(0, QCoreApplication::instance(), [self] {
    if (liveForms().count(self)) Free(self);
  });
}

TWinControl* TCustomForm::ActiveControl() const {
  QWidget* w = QApplication::focusWidget();
  while (w && w != widget_) {
    if (auto* wc = dynamic_cast<TWinControl*>(ControlOf(w)))
      if (ContainsControl(wc)) return wc;
    w = w->parentWidget();
  }
  return nullptr;
}

void TCustomForm::SetActiveControl(TWinControl* c) {
  if (c) c->SetFocus();
}

TCustomForm* GetParentForm(const TControl* c) {
  if (!c) return nullptr;
  while (c->Parent()) c = c->Parent();
  return dynamic_cast<TCustomForm*>(const_cast<TControl*>(c));
}

void Free(TCustomForm* f) {
  if (!f) return;
  f->BeforeDestruction();
  delete f;
}

// -------------------------------------------------------------- TApplication

static TApplication gApplication;
TApplication* Application = &gApplication;

TApplication::TApplication() : TComponent(nullptr) {}

TApplication::~TApplication() {
  if (QCoreApplication::instance() && !QCoreApplication::closingDown()) DestroyForms();
}

void SelectDisplayPlatform() {
  const char* display = std::getenv("DISPLAY");
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (display && *display && !(platform && *platform)) setenv("QT_QPA_PLATFORM", "xcb", 1);
}

void KeepLargeBlocksReturnable() {
  // glibc raises its threshold for mapping a block to the largest mapped
  // block freed so far, so frames and pictures of a few megabytes end up in
  // its arenas (one per thread that allocates); freed by other threads and in
  // other orders, they stay there and the process grows while a play list
  // loops. A fixed threshold keeps them mapped and returned when freed.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
}

void TApplication::Initialize() {
  if (!QCoreApplication::instance()) {
    KeepLargeBlocksReturnable();
    static String exe;
    exe = ExeName();
    static char* argv[2] = {exe.data(), nullptr};
    static int argc = 1;
    // Views that draw with the graphics card (web pages) share one context.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    ownApp_ = new QApplication(argc, argv);
  }
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) app->setQuitOnLastWindowClosed(false);
  if (!idleHooked_) {
    if (auto* d = QAbstractEventDispatcher::instance()) {
      idleHooked_ = true;
      QObject::connect(d, &QAbstractEventDispatcher::aboutToBlock, QCoreApplication::instance(), [this] { idle(); });
    }
  }
}

void TApplication::idle() {
  if (!OnIdle || inIdle_) return;
  inIdle_ = true;
  bool done = true;
  DispatchEvent([&] { OnIdle(this, done); });
  inIdle_ = false;
  if (!done) QTimer::singleShot(0, QCoreApplication::instance(), [] {});
}

void TApplication::Run() {
  Initialize();
  if (!terminated_) {
    if (mainForm_ && ShowMainForm) DispatchEvent([this] { mainForm_->Show(); });
    running_ = true;
    QEventLoop loop;
    loop_ = &loop;
    if (!terminated_) loop.exec();
    loop_ = nullptr;
    running_ = false;
  }
  DestroyForms();
  // The application object made here ends with the loop: its end also ends
  // the browser engine, whose threads would otherwise still run while the
  // program's own data is destroyed at exit.
  delete ownApp_;
  ownApp_ = nullptr;
}

void TApplication::Terminate() {
  terminated_ = true;
  if (loop_) loop_->quit();
  wakeLoop();
}

void TApplication::ProcessMessages() {
  if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::BringToFront() {
  if (mainForm_) mainForm_->BringToFront();
  // Windows that stay on top (a slide show) remain above the program's
  // windows, also where no window manager keeps that order.
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) return;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && (w->windowFlags() & Qt::WindowStaysOnTopHint)) w->raise();
}

void TApplication::HandleMessage() {
  if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void TApplication::HandleException(TObject* Sender) {
  std::exception_ptr ep = std::current_exception();
  if (!ep) return;
  auto report = [&](const Exception& e) {
    if (OnException) {
      try {
        OnException(Sender, e);
      } catch (...) {
        LogFailure("tablo.toolkit", e.Message);
      }
    } else {
      ShowException(e);
    }
  };
  try {
    std::rethrow_exception(ep);
  } catch (const EAbort&) {
  } catch (const Exception& e) {
    report(e);
  } catch (const std::exception& e) {
    report(Exception(e.what()));
  } catch (...) {
    report(Exception("Unknown exception"));
  }
}

void TApplication::ShowException(const Exception& E) {
  if (QCoreApplication::instance() && !TThread::IsMainThread()) {
    // Boxes are shown by the main thread.
    String msg = E.Message;
    PostToMainThread([this, msg] { ShowException(Exception(msg)); });
    return;
  }
  if (showingException_) {
    // A second failure while the first one's box is open.
    LogFailure("tablo.toolkit", E.Message);
    return;
  }
  showingException_ = true;
  try {
    MessageDlg(E.Message, mtError, {mbOK}, 0);
  } catch (...) {
    LogFailure("tablo.toolkit", E.Message);
  }
  showingException_ = false;
}

void TApplication::DestroyForms() {
  while (ComponentCount() > 0) {
    TComponent* c = Components(ComponentCount() - 1);
    if (auto* f = dynamic_cast<TCustomForm*>(c)) {
      Free(f);
    } else {
      delete c;
    }
  }
  mainForm_ = nullptr;
}

String TApplication::ExeName() const {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
  if (n <= 0) return String();
  return String(buf, size_t(n));
}

// ------------------------------------------------------------------ TScreen

static TScreen gScreen;
TScreen* Screen = &gScreen;

TScreen::TScreen() : TComponent(nullptr) {}
TScreen::~TScreen() = default;

static QScreen* primary() {
  return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::primaryScreen() : nullptr;
}

int TScreen::Width() const {
  QScreen* s = primary();
  return s ? s->geometry().width() : 0;
}

int TScreen::Height() const {
  QScreen* s = primary();
  return s ? s->geometry().height() : 0;
}

TRect TScreen::DesktopRect() const {
  QScreen* s = primary();
  return s ? TR(s->virtualGeometry()) : TRect();
}

int TScreen::DesktopLeft() const { return DesktopRect().Left; }
int TScreen::DesktopTop() const { return DesktopRect().Top; }
int TScreen::DesktopWidth() const { return DesktopRect().Width(); }
int TScreen::DesktopHeight() const { return DesktopRect().Height(); }

TRect TScreen::WorkAreaRect() const {
  QScreen* s = primary();
  return s ? TR(s->availableGeometry()) : TRect();
}

int TScreen::MonitorCount() const {
  return primary() ? int(QGuiApplication::screens().size()) : 0;
}

TMonitor* TScreen::Monitors(int i) const {
  if (!primary()) ListIndexError(i);
  const auto screens = QGuiApplication::screens();
  if (i < 0 || i >= int(screens.size())) ListIndexError(i);
  while (int(monitors_.size()) < int(screens.size())) monitors_.push_back(std::make_unique<TMonitor>());
  TMonitor* m = monitors_[size_t(i)].get();
  QScreen* s = screens[i];
  m->BoundsRect = TR(s->geometry());
  m->WorkareaRect = TR(s->availableGeometry());
  m->Primary = s == QGuiApplication::primaryScreen();
  m->MonitorNum = i;
  return m;
}

void TScreen::SetCursor(TCursor c) {
  if (c == cursor_) return;
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
    cursor_ = c;
    return;
  }
  if (cursor_ != crDefault) QApplication::restoreOverrideCursor();
  cursor_ = c;
  if (c != crDefault) QApplication::setOverrideCursor(QCursor(CursorShape(c)));
}

TCustomForm* TScreen::ActiveForm() const {
  QWidget* w = QApplication::activeWindow();
  for (TCustomForm* f : liveForms())
    if (f->Widget() == w) return f;
  return nullptr;
}

// ---------------------------------------------------------------- waits

namespace {

std::vector<const TWaitInput*>& openGates() {
  static std::vector<const TWaitInput*> g;
  return g;
}

bool gatedEvent(QEvent::Type t) {
  switch (t) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
      return true;
    default:
      return false;
  }
}

bool gateLetsIn(const TWaitInput& in, QWidget* w, QEvent* e) {
  if (in.Kind == TWaitInput::wiAll) return true;
  if (in.Kind == TWaitInput::wiNone) return false;
  for (const TControl* c : in.Controls)
    if (c && c->Widget() && (c->Widget() == w || c->Widget()->isAncestorOf(w))) return true;
  if (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease || e->type() == QEvent::ShortcutOverride) {
    const auto* k = static_cast<QKeyEvent*>(e);
    const int vk = tkqt::VirtualKey(k->key(), k->modifiers());
    for (int key : in.Keys)
      if (key == vk) return true;
  }
  return false;
}

// Drops the input that an open gate keeps out, where it reaches a widget.
class InputGateFilter : public QObject {
 public:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (!gatedEvent(e->type()) || !o->isWidgetType()) return false;
    auto* w = static_cast<QWidget*>(o);
    // A modal dialog opened meanwhile takes the input it needs.
    if (QWidget* modal = QApplication::activeModalWidget())
      if (modal == w || modal->isAncestorOf(w)) return false;
    for (const TWaitInput* in : openGates())
      if (!gateLetsIn(*in, w, e)) return true;
    return false;
  }
};

InputGateFilter* gateFilter() {
  static InputGateFilter* f = nullptr;
  if (!f && QCoreApplication::instance()) {
    f = new InputGateFilter;
    f->setParent(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(f);
    QObject::connect(QCoreApplication::instance(), &QObject::destroyed, [] { f = nullptr; });
  }
  return f;
}

bool inputDeferred() {
  for (const TWaitInput* in : openGates())
    if (in->Kind == TWaitInput::wiNone) return true;
  return false;
}

}  // namespace

TInputGate::TInputGate(const TWaitInput& Input) : input_(Input) {
  if (input_.Kind != TWaitInput::wiAll) gateFilter();
  openGates().push_back(&input_);
}

TInputGate::~TInputGate() {
  auto& g = openGates();
  auto it = std::find(g.begin(), g.end(), &input_);
  if (it != g.end()) g.erase(it);
}

namespace {
// Every WakeWaiters counts one on: a wait off the main thread sleeps until
// the count moves past the one it read before it asked.
std::mutex g_wakeMutex;
std::condition_variable g_wakeCv;
uint64_t g_wakeSeq = 0;
}  // namespace

void WakeWaiters() {
  {
    std::lock_guard<std::mutex> g(g_wakeMutex);
    ++g_wakeSeq;
  }
  g_wakeCv.notify_all();
  // A main thread asleep in WaitFor wakes too.
  if (QCoreApplication* app = QCoreApplication::instance())
    if (QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance(app->thread())) d->wakeUp();
}

TWaitResult WaitFor(const std::function<bool()>& Done, int TimeoutMs, const TWaitInput& Input) {
  using Clock = std::chrono::steady_clock;
  const bool bounded = TimeoutMs >= 0;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(0, TimeoutMs));
  const auto done = [&] { return Done && Done(); };
  const auto closing = [] {
    return (Application && Application->Terminated()) || !QCoreApplication::instance() || QCoreApplication::closingDown();
  };
  const auto msLeft = [&]() -> int64_t {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return std::max<int64_t>(0, left);
  };
  if (!QCoreApplication::instance() || !TThread::IsMainThread()) {
    // Nothing to serve: asleep until woken or due.
    for (;;) {
      uint64_t ticket;
      {
        std::lock_guard<std::mutex> g(g_wakeMutex);
        ticket = g_wakeSeq;
      }
      if (done()) return wrDone;
      if (QCoreApplication::instance() && closing()) return wrClosing;
      if (bounded && msLeft() == 0) return wrTimeout;
      std::unique_lock<std::mutex> lk(g_wakeMutex);
      g_wakeCv.wait_for(lk, std::chrono::milliseconds(bounded ? std::min<int64_t>(msLeft(), 60000) : 60000),
                        [&] { return g_wakeSeq != ticket; });
    }
  }
  TWaitDepthCount counted;
  TInputGate gate(Input);
  // The deadline is a timer of this wait: its coming ends the sleep.
  QTimer due;
  due.setSingleShot(true);
  due.setTimerType(Qt::PreciseTimer);
  bool served = false;
  for (;;) {
    CheckSynchronize();
    if (done()) return wrDone;
    if (closing()) return wrClosing;
    const int64_t left = bounded ? msLeft() : -1;
    if (left == 0 && served) return wrTimeout;
    QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents;
    if (inputDeferred()) flags |= QEventLoop::ExcludeUserInputEvents;
    if (left != 0) {
      flags |= QEventLoop::WaitForMoreEvents;
      if (left > 0) due.start(int(std::min<int64_t>(left, INT32_MAX)));
    }
    QCoreApplication::processEvents(flags);
    served = true;
  }
}
