// Slide deck and show window (see the header).
#include "platform/office/SlideShow.h"
#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPdfDocument>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include "platform/office/OfficeConverter.h"
#include "platform/office/SlideTransition.h"
#include "toolkit/Classes.h"

namespace {

QString Q(const String& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// Every top-level window reachable by handle, with its class name.
struct Registered {
  QWidget* widget;
  String className;
  uint64_t order;
  TSlideShowWindow* show = nullptr;
  // A show window started while hidden: it counts as shown, but appears
  // only when the program next waits for input (see TSlideShowWindow::Start).
  bool showPending = false;
};
std::map<HWND, Registered>& Windows() {
  static std::map<HWND, Registered> m;
  return m;
}
HWND g_nextHandle = 0x10010;
uint64_t g_order = 0;

HWND Register(QWidget* w, const String& cls) {
  const HWND h = g_nextHandle;
  g_nextHandle += 0x10;
  Windows()[h] = Registered{w, cls, ++g_order, nullptr};
  return h;
}

// Raises a window above the others (the offscreen platform has no order).
void RaiseWindow(QWidget* w) {
  if (QGuiApplication::platformName() != QLatin1String("offscreen")) w->raise();
}

bool IsShowWindow(const QWidget* w) {
  for (const auto& [h, r] : Windows())
    if (r.widget == w) return true;
  return false;
}

// The program's window that a window placed at R lies over: a visible
// top-level window (no show window, tool window, menu or tip) that holds R's
// centre, the active one first.
QWindow* OwnerAt(const QRect& R) {
  const QPoint centre = R.center();
  QWidget* found = nullptr;
  for (QWidget* t : QApplication::topLevelWidgets()) {
    if (!t->isVisible() || IsShowWindow(t) || !t->windowHandle()) continue;
    if (t->windowType() != Qt::Window && t->windowType() != Qt::Dialog) continue;
    if (!t->frameGeometry().contains(centre)) continue;
    if (!found || t->isActiveWindow()) found = t;
  }
  return found ? found->windowHandle() : nullptr;
}

// A show window belongs to the window it lies over when it appears: the
// window manager keeps a window above the one it belongs to, also when that
// one fills the screen (which a window manager may lift above every window
// that merely stays on top). Told before the window is mapped: the window
// system learns of it then.
void Belong(QWidget* w) {
  QWindow* owner = OwnerAt(w->geometry());
  if (!owner) return;
  w->winId();
  if (w->windowHandle()->transientParent() != owner) w->windowHandle()->setTransientParent(owner);
}

QWidget* WidgetOf(HWND h) {
  auto it = Windows().find(h);
  return it == Windows().end() ? nullptr : it->second.widget;
}

// Where the next show window opens: where the last one was placed, else the
// primary screen.
QRect g_lastPlace;

// The window whose picture is held (LockWindowUpdate).
HWND g_locked = 0;

}  // namespace

HWND FindWindow(const String& ClassName) {
  HWND best = 0;
  uint64_t order = 0;
  for (const auto& [h, r] : Windows())
    if (SameText(r.className, ClassName) && (r.widget->isVisible() || r.showPending) && r.order >= order) {
      best = h;
      order = r.order;
    }
  return best;
}

bool SetWindowPos(HWND Wnd, HWND InsertAfter, int X, int Y, int Cx, int Cy, unsigned Flags) {
  QWidget* w = WidgetOf(Wnd);
  if (!w) return false;
  QRect g = w->geometry();
  if (!(Flags & SWP_NOMOVE)) g.moveTo(X, Y);
  if (!(Flags & SWP_NOSIZE)) g.setSize(QSize(std::max(1, Cx), std::max(1, Cy)));
  w->setGeometry(g);
  g_lastPlace = g;
  if (!(Flags & SWP_NOZORDER) && (InsertAfter == HWND_TOPMOST || InsertAfter == HWND_TOP) && w->isVisible())
    RaiseWindow(w);
  return true;
}

bool GetWindowRect(HWND Wnd, TRect& R) {
  QWidget* w = WidgetOf(Wnd);
  if (!w) return false;
  const QRect g = w->geometry();
  R = Rect(g.left(), g.top(), g.left() + g.width(), g.top() + g.height());
  return true;
}

bool SetWindowRgn(HWND Wnd, const TRect& R) {
  QWidget* w = WidgetOf(Wnd);
  if (!w) return false;
  const QRect r(R.Left, R.Top, std::max(0, R.Width()), std::max(0, R.Height()));
  const QRect all(QPoint(0, 0), w->size());
  // Nothing: a region outside the window (an empty mask would be none).
  const QRegion mask = r.isEmpty() ? QRegion(-1, -1, 1, 1) : QRegion(r);
  if (r.contains(all)) {
    if (!w->mask().isEmpty()) w->clearMask();
  } else if (w->mask() != mask) {
    w->setMask(mask);
  }
  return true;
}

bool LockWindowUpdate(HWND Wnd) {
  if (Wnd && !WidgetOf(Wnd)) return false;
  const HWND was = g_locked;
  g_locked = Wnd;
  if (was && was != Wnd)
    if (TSlideShowWindow* s = ShowWindowOf(was)) s->Released();
  return true;
}

bool ShowWindow(HWND Wnd, bool Visible) {
  auto it = Windows().find(Wnd);
  if (it == Windows().end()) return false;
  Registered& r = it->second;
  if (Visible && r.show && !r.show->Active()) return true;
  // Told now, a pending show window appears now (or not at all).
  const bool pending = r.showPending;
  r.showPending = false;
  if (Visible && !r.widget->isVisible()) Belong(r.widget);
  if (r.widget->isVisible() != Visible) r.widget->setVisible(Visible);
  if (Visible && pending) RaiseWindow(r.widget);
  return true;
}

// ---------------------------------------------------------------- deck

struct TSlideDeck::Bytes {
  QByteArray data;
};

struct TSlideDeck::Impl {
  std::shared_ptr<const Bytes> bytes;
  QBuffer buffer;
  QPdfDocument doc;   // reads buffer: goes first
  // False when the bytes are no PDF with a page.
  bool load(std::shared_ptr<const Bytes> b) {
    bytes = std::move(b);
    buffer.setData(bytes->data);
    if (!buffer.open(QIODevice::ReadOnly)) return false;
    doc.load(&buffer);
    return doc.status() == QPdfDocument::Status::Ready && doc.pageCount() >= 1;
  }
};

TSlideDeck::TSlideDeck(const String& PdfFile) : d_(std::make_unique<Impl>()) {
  auto bytes = std::make_shared<Bytes>();
  QFile f(Q(PdfFile));
  if (f.open(QIODevice::ReadOnly)) bytes->data = f.readAll();
  if (f.error() != QFileDevice::NoError || !d_->load(std::move(bytes)))
    throw EOfficeError("The slides of " + ExtractFileName(PdfFile) + " cannot be read");
}

TSlideDeck::TSlideDeck(std::shared_ptr<const Bytes> Contents) : d_(std::make_unique<Impl>()) {
  if (!Contents || !d_->load(std::move(Contents))) throw EOfficeError("The slides cannot be read");
}

TSlideDeck::~TSlideDeck() = default;

int TSlideDeck::Count() const { return d_->doc.pageCount(); }

std::shared_ptr<const TSlideDeck::Bytes> TSlideDeck::Contents() const { return d_->bytes; }

void TSlideDeck::Render(int Index, TBitmap& Out) const {
  QImage& img = Out.Image();
  img.fill(Qt::black);
  if (Index < 1 || Index > Count() || img.isNull()) return;
  const QSizeF page = d_->doc.pagePointSize(Index - 1);
  if (page.width() <= 0 || page.height() <= 0) return;
  // The slide keeps its shape: as large as fits, centred, black around.
  const double scale = std::min(img.width() / page.width(), img.height() / page.height());
  const QSize size(std::max(1, int(page.width() * scale + 0.5)), std::max(1, int(page.height() * scale + 0.5)));
  const QImage slide = d_->doc.render(Index - 1, size);
  QPainter p(&img);
  p.drawImage((img.width() - size.width()) / 2, (img.height() - size.height()) / 2, slide);
}

// ---------------------------------------------------------------- window

namespace {

class ShowWidget : public QWidget {
 public:
  std::function<void(QMouseEvent*)> onPress;
  std::function<void(QPainter&)> onPaint;
  std::function<void()> onResize;
  ShowWidget()
      : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                             Qt::WindowDoesNotAcceptFocus | Qt::Tool) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle("Slide show");
  }
 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    if (onPaint) onPaint(p);
  }
  void mousePressEvent(QMouseEvent* e) override {
    if (onPress) onPress(e);
  }
  void resizeEvent(QResizeEvent*) override {
    if (onResize) onResize();
  }
};

// Renders slides ahead for one window on a thread that lives as long as the
// window: a deck of its own over the shown deck's bytes (loaded again when
// they change), so it touches nothing of the main thread. It holds one
// request, the newest (one not yet started is replaced); each picture goes
// back by a call handed to the main thread, dropped there once the renderer
// has stopped. Stopping wakes and joins the thread; the owner stops it
// before what the answer reaches goes.
class AheadRenderer {
 public:
  struct Job {
    std::shared_ptr<const TSlideDeck::Bytes> bytes;
    int index = 0;
    QSize size;
    uint64_t generation = 0;
  };
  using Done = std::function<void(const Job&, QImage&)>;
  explicit AheadRenderer(Done OnDone) : done_(std::make_shared<const Done>(std::move(OnDone))) {}
  ~AheadRenderer() { Stop(); }
  void Ask(Job J) {
    {
      std::lock_guard<std::mutex> g(m_);
      if (quit_) return;
      job_ = std::move(J);
      if (!thread_.joinable()) thread_ = std::thread([this, done = std::weak_ptr<const Done>(done_)] { run(done); });
    }
    cv_.notify_one();
  }
  void Stop() {
    {
      std::lock_guard<std::mutex> g(m_);
      quit_ = true;
      job_.reset();
    }
    cv_.notify_one();
    if (thread_.joinable()) thread_.join();
    done_.reset();   // answers still on their way are dropped
  }

 private:
  void run(const std::weak_ptr<const Done>& done) {
    std::shared_ptr<const TSlideDeck::Bytes> loaded;
    std::unique_ptr<TSlideDeck> deck;   // made, used and let go on this thread
    for (;;) {
      Job j;
      {
        std::unique_lock<std::mutex> lk(m_);
        cv_.wait(lk, [this] { return quit_ || job_; });
        if (quit_) break;
        j = std::move(*job_);
        job_.reset();
      }
      if (j.bytes != loaded) {
        deck.reset();
        loaded = j.bytes;
        try {
          deck = std::make_unique<TSlideDeck>(loaded);
        } catch (const std::exception&) {
        }
      }
      QImage out;
      if (deck) {
        TBitmap b;
        b.SetSize(j.size.width(), j.size.height());
        deck->Render(j.index, b);
        out.swap(b.Image());
      }
      PostToMainThread([done, j = std::move(j), out = std::move(out)]() mutable {
        if (std::shared_ptr<const Done> d = done.lock()) (*d)(j, out);
      });
    }
  }
  std::shared_ptr<const Done> done_;
  std::mutex m_;
  std::condition_variable cv_;
  std::optional<Job> job_;
  bool quit_ = false;
  std::thread thread_;
};

}  // namespace

struct TSlideShowWindow::Impl {
  TSlideShowWindow* owner = nullptr;
  ShowWidget w;
  HWND handle = 0;
  std::shared_ptr<const TSlideDeck> deck;
  TShowSettings settings;
  int position = 1;
  int state = Done;
  bool active = false;
  int64_t shownAt = 0;
  QTimer timer;
  TBitmap frame;
  bool frameValid = false;
  // A started show waits for its first slide from the window's thread: the
  // window shows nothing new (a hidden one does not appear) until it comes,
  // so the main thread renders nothing for a start.
  bool awaiting = false;
  // The turn of the queue after a start on a hidden window has come: it may
  // appear (placed by then) once its slide has come.
  bool mayAppear = false;

  int count() const { return deck ? deck->Count() : 0; }

  // The slide that comes next, rendered ahead while the current one shows,
  // so that a timed change costs no rendering at its due time. A result is
  // taken only for the deck, size and slide it was asked for.
  TBitmap ahead;
  int aheadIndex = 0;
  uint64_t aheadGeneration = 0;
  AheadRenderer::Job asked;   // the request not yet answered (index 0: none)
  AheadRenderer aheadRenderer{[this](const AheadRenderer::Job& j, QImage& img) { aheadDone(j, img); }};

  int following() const {
    if (position < count()) return position + 1;
    return position == count() && settings.Loop ? 1 : 0;
  }

  // The transition in progress: the picture it starts from, the picture it
  // ends on, and its place on a scale of 0..kFull (the picture show's
  // stepping, in finer steps so that the frames share the way evenly).
  static constexpr int kFull = 10000;
  TTransitionState trState;
  TSlideTransition tr;
  TBitmap trFrom, trTo;
  int trFine = 0, trStep = 1;
  int64_t trStart = 0;
  QTimer frameTimer;
  TEffectRandom rng{0x51DE5u};

  ~Impl() { aheadRenderer.Stop(); }

  double rate() const {
    const QScreen* sc = w.screen() ? w.screen() : QGuiApplication::primaryScreen();
    const double r = sc ? sc->refreshRate() : 60.0;
    return std::clamp(r > 1 ? r : 60.0, 20.0, 240.0);
  }

  // What the window shows at the current position and state.
  void renderTarget(TBitmap& out) {
    const QSize s = w.size();
    if (out.Width() != s.width() || out.Height() != s.height()) out.SetSize(s.width(), s.height());
    if (state == White) {
      out.Image().fill(Qt::white);
    } else if (state == Black || !deck || position > count()) {
      out.Image().fill(Qt::black);
    } else if (aheadIndex == position && ahead.Width() == s.width() && ahead.Height() == s.height()) {
      out.Image().swap(ahead.Image());
      aheadIndex = 0;
    } else {
      deck->Render(position, out);
    }
  }

  void render() {
    stopTransition();
    const bool was = awaiting;
    awaiting = false;
    renderTarget(frame);
    frameValid = true;
    w.update();
    if (was) appearWhenDue();
    drawAheadLater();
  }

  // A window waiting to appear appears once the queue has turned.
  void appearWhenDue() {
    if (pending() && mayAppear) appear();
  }

  // The slide awaited has come (rendered ahead at the window's size): it is
  // drawn, and a window waiting to appear appears.
  void settle() {
    const QSize s = w.size();
    if (!awaiting || aheadIndex != position || ahead.Width() != s.width() || ahead.Height() != s.height()) return;
    render();
  }

  // The slide the window's thread renders next: the one awaited, else the
  // one that follows.
  void drawAheadLater() {
    if (!deck || !active) return;
    const int n = awaiting ? position : following();
    const QSize s = w.size();
    if (n < 1 || s.isEmpty()) return;
    if (n == aheadIndex && ahead.Width() == s.width() && ahead.Height() == s.height()) {
      if (awaiting) settle();
      return;
    }
    if (asked.index == n && asked.size == s && asked.generation == aheadGeneration) return;
    asked = AheadRenderer::Job{deck->Contents(), n, s, aheadGeneration};
    aheadRenderer.Ask(asked);
  }

  void aheadDone(const AheadRenderer::Job& j, QImage& img) {
    const bool current = j.index == asked.index && j.size == asked.size && j.generation == asked.generation;
    if (current) asked = AheadRenderer::Job();
    if (current && !img.isNull() && j.generation == aheadGeneration && j.size == w.size()) {
      ahead.SetSize(j.size.width(), j.size.height());
      ahead.Image().swap(img);
      aheadIndex = j.index;
    }
    drawAheadLater();
  }

  // A waiting window comes to the front, placed where its caller put it.
  void appear() {
    Windows()[handle].showPending = false;
    Belong(&w);
    w.show();
    RaiseWindow(&w);
    // The slide's time runs from when it can be seen.
    shownAt = GetTickCount64();
    arm();
  }

  // The slide is due AdvanceTime seconds after it was shown.
  void arm() {
    timer.stop();
    if (!active || state != Running || position > count()) return;
    if (!settings.AdvanceOnTime || settings.AdvanceMode == 1) return;
    const int64_t due = shownAt + int64_t(std::max(0, settings.AdvanceTime)) * 1000;
    timer.start(int(std::max<int64_t>(0, due - GetTickCount64())));
  }

  // The entry effect of slide pos (the end screen takes the last slide's).
  int effectOf(int pos) const {
    if (settings.EntryEffect >= 0) return settings.EntryEffect;
    const int i = std::min(pos, count()) - 1;
    return i >= 0 && i < int(settings.SlideEffects.size()) ? settings.SlideEffects[size_t(i)] : 0;
  }

  // Shows slide pos; a change is drawn as its entry effect from what the
  // window shows now (Cut: at once).
  void show(int pos, bool Cut = false) {
    const bool was = awaiting;
    awaiting = false;
    const bool drawn = !Cut && active && state == Running && (w.isVisible() || pending()) && w.width() > 0 && w.height() > 0;
    if (drawn && (was || !frameValid || frame.Width() != w.width() || frame.Height() != w.height())) {
      // Placed or sized since it was last drawn, or the slide left not drawn
      // yet: the slide left, at the window's size.
      stopTransition();
      renderTarget(frame);
      frameValid = true;
    }
    position = pos;
    shownAt = GetTickCount64();
    const TSlideTransition t = TransitionFor(effectOf(pos), rng);
    if (drawn && t.Kind != TTransitionKind::Cut) startTransition(t);
    else render();
    arm();
    if (was) appearWhenDue();
    if (owner->OnSlideChanged) owner->OnSlideChanged();
  }

  void startTransition(const TSlideTransition& t) {
    frameTimer.stop();
    tr = t;
    trFrom.SetSize(frame.Width(), frame.Height());
    CopyPixels(&trFrom, &frame);
    renderTarget(trTo);
    const double r = rate();
    const int frames = t.Kind == TTransitionKind::ThroughBlack
                           ? 2
                           : TransitionFrames(TransitionSeconds(settings.Speed, rng), r);
    trStep = (kFull + frames - 1) / frames;
    trFine = 0;
    trState = TTransitionState{t.Effect, frames, 1000.0 / r, 0, 0, true};
    trStart = GetTickCount64();
    drawAheadLater();
    nextFrame();
  }

  // One display frame of the transition: the next step, drawn at once.
  void nextFrame() {
    if (!trState.Running) return;
    trFine = StepProgress(trFine, trStep, false, kFull);
    ++trState.Frame;
    const bool last = trFine >= kFull;
    if (last) frame.Image().swap(trTo.Image());
    else DrawTransitionFrame(tr, trFrom, trTo, frame, trFine * 100 / kFull, rng);
    trState.Progress = last ? 100 : trFine * 100 / kFull;
    frameValid = true;
    w.update();
    if (last) {
      trState.Running = false;
    } else {
      const int64_t due = trStart + int64_t(std::llround(trState.Frame * trState.FrameMs));
      frameTimer.start(int(std::max<int64_t>(0, due - GetTickCount64())));
    }
    if (owner->OnTransitionFrame) owner->OnTransitionFrame();
  }

  void stopTransition() {
    frameTimer.stop();
    if (!trState.Running) return;
    trState.Running = false;
  }

  void next() {
    if (!active) return;
    const int n = count();
    if (position < n) show(position + 1);
    else if (position == n) show(settings.Loop ? 1 : n + 1);
  }

  // A show started on a hidden window appears once the program waits for
  // input again and its first slide has come: by then its caller has placed
  // it (the controller places the window after starting the show), and the
  // slide is rendered at that place's size. Shown at once and then moved, it
  // would carry what it held before (the picture of its last place, e.g. the
  // page's preview) onto its new place until its first slide is drawn there.
  void showLater() {
    mayAppear = false;
    if (pending()) return;
    Windows()[handle].showPending = true;
    QMetaObject::invokeMethod(&w, [this] {
      if (!pending()) return;   // told at once meanwhile (ShowWindow, the end)
      mayAppear = true;
      if (awaiting) drawAheadLater();
      else appear();
    }, Qt::QueuedConnection);
  }
  bool pending() const {
    auto it = Windows().find(handle);
    return it != Windows().end() && it->second.showPending;
  }

  void end() {
    if (!active) return;
    timer.stop();
    stopTransition();
    active = false;
    awaiting = false;
    state = Done;
    Windows()[handle].showPending = false;
    // Held, it stays as it is until it is released.
    if (g_locked == handle && w.isVisible()) heldEnd = true;
    else leave();
    if (owner->OnEnded) owner->OnEnded();
  }

  // It goes black before it hides: what it keeps of itself while hidden
  // (its last picture, which a window system may show again for a moment
  // when it reappears, before it is drawn anew) is then no slide.
  void leave() {
    heldEnd = false;
    frame.Image().fill(Qt::black);
    if (w.isVisible()) w.repaint();
    w.hide();
  }
  bool heldEnd = false;   // the show ended while the window was held
};

TSlideShowWindow::TSlideShowWindow() : d_(std::make_unique<Impl>()) {
  d_->owner = this;
  d_->handle = Register(&d_->w, SlideShowWindowClass);
  Windows()[d_->handle].show = this;
  d_->timer.setSingleShot(true);
  d_->timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&d_->timer, &QTimer::timeout, &d_->w, [this] { d_->next(); });
  d_->frameTimer.setSingleShot(true);
  d_->frameTimer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&d_->frameTimer, &QTimer::timeout, &d_->w, [this] { d_->nextFrame(); });
  d_->w.onPaint = [this](QPainter& p) {
    // (Awaiting its slide, a window shown early stays black meanwhile.)
    if (!d_->frameValid && !d_->awaiting) d_->render();
    if (d_->frameValid) p.drawImage(0, 0, d_->frame.Image());
    else p.fillRect(d_->w.rect(), Qt::black);
  };
  d_->w.onResize = [this] {
    // Told late (a window placed while hidden hears of its size when it
    // appears): what is drawn at this size stays.
    if (d_->frameValid && d_->frame.Width() == d_->w.width() && d_->frame.Height() == d_->w.height()) return;
    d_->stopTransition();
    d_->frameValid = false;
    d_->aheadIndex = 0;
    ++d_->aheadGeneration;
    if (d_->awaiting) d_->drawAheadLater();
  };
  d_->w.onPress = [this](QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !d_->active || !d_->settings.AdvanceOnClick) return;
    if (d_->state != Running) return;
    if (d_->position > d_->count()) d_->end();
    else d_->next();
  };
  QRect place = g_lastPlace;
  if (place.isEmpty() && QGuiApplication::primaryScreen()) place = QGuiApplication::primaryScreen()->geometry();
  if (!place.isEmpty()) d_->w.setGeometry(place);
}

TSlideShowWindow::~TSlideShowWindow() {
  if (g_locked == d_->handle) g_locked = 0;
  d_->timer.stop();
  d_->frameTimer.stop();
  d_->aheadRenderer.Stop();
  Windows().erase(d_->handle);
}

HWND TSlideShowWindow::Handle() const { return d_->handle; }

void TSlideShowWindow::Start(std::shared_ptr<const TSlideDeck> Deck, const TShowSettings& Settings) {
  d_->stopTransition();
  d_->deck = std::move(Deck);
  d_->aheadIndex = 0;
  ++d_->aheadGeneration;
  d_->settings = Settings;
  d_->active = true;
  d_->state = Running;
  SetPointer(Settings.PointerType);
  Windows()[d_->handle].order = ++g_order;
  // A show starts on its first slide, which the window's thread renders:
  // a shown window keeps what it shows until it comes, a hidden one appears
  // with it. (Asked for once the queue turns: the caller places the window
  // first.)
  d_->timer.stop();
  d_->heldEnd = false;
  d_->position = 1;
  d_->shownAt = GetTickCount64();
  d_->awaiting = true;
  if (d_->w.isVisible()) {
    RaiseWindow(&d_->w);
    QMetaObject::invokeMethod(&d_->w, [this] {
      if (d_->awaiting) d_->drawAheadLater();
    }, Qt::QueuedConnection);
  } else {
    d_->showLater();
  }
  d_->arm();
  if (OnSlideChanged) OnSlideChanged();
}

void TSlideShowWindow::Exit() { d_->end(); }

void TSlideShowWindow::Released() {
  if (d_->heldEnd && !d_->active) d_->leave();
  d_->heldEnd = false;
}

bool TSlideShowWindow::Active() const { return d_->active; }

int TSlideShowWindow::Count() const { return d_->count(); }

int TSlideShowWindow::Position() const { return d_->position; }

void TSlideShowWindow::GotoSlide(int Index) {
  if (!d_->active) return;
  if (Index < 1 || Index > d_->count()) return;
  d_->show(Index);
}

void TSlideShowWindow::Next() { d_->next(); }

int TSlideShowWindow::GetState() const { return d_->state; }

void TSlideShowWindow::SetState(int S) {
  if (!d_->active) return;
  if (S == Done) {
    d_->end();
    return;
  }
  if (S < Running || S > White) return;
  const int was = d_->state;
  d_->state = S;
  if (was != S) {
    d_->render();
    // Only a running show keeps time; coming back starts the slide's time anew.
    if (S == Running) d_->shownAt = GetTickCount64();
    d_->arm();
  }
}

void TSlideShowWindow::SetPointer(int PointerType) {
  d_->settings.PointerType = PointerType;
  switch (PointerType) {
    case 1:
    case 4: d_->w.setCursor(Qt::ArrowCursor); break;
    case 2: d_->w.setCursor(Qt::CrossCursor); break;
    default: d_->w.setCursor(Qt::BlankCursor); break;
  }
}

const TShowSettings& TSlideShowWindow::Settings() const { return d_->settings; }

int64_t TSlideShowWindow::ShownAt() const { return d_->shownAt; }

void TSlideShowWindow::Picture(TBitmap& Out) const {
  // Asked for while its slide is awaited, the window draws it now.
  if (!d_->frameValid || d_->awaiting || d_->frame.Width() != d_->w.width() || d_->frame.Height() != d_->w.height())
    d_->render();
  Out.SetSize(d_->frame.Width(), d_->frame.Height());
  Out.Image() = d_->frame.Image().copy();
}

const TSlideShowWindow::TTransitionState& TSlideShowWindow::Transition() const { return d_->trState; }

double TSlideShowWindow::DisplayRate() const { return d_->rate(); }

bool TSlideShowWindow::FollowingReady() const {
  const int n = d_->following();
  return n >= 1 && d_->aheadIndex == n && d_->ahead.Width() == d_->w.width() && d_->ahead.Height() == d_->w.height();
}

TRect TSlideShowWindow::ScreenRect() const {
  const QRect g = d_->w.geometry();
  return Rect(g.left(), g.top(), g.left() + g.width(), g.top() + g.height());
}

TSlideShowWindow* ShowWindowOf(HWND Wnd) {
  auto it = Windows().find(Wnd);
  return it == Windows().end() ? nullptr : it->second.show;
}

bool GrabShowWindow(HWND Wnd, TRect& ScreenRect, TBitmap& Picture) {
  auto it = Windows().find(Wnd);
  if (it == Windows().end() || !it->second.show || !it->second.show->Active()) return false;
  ScreenRect = it->second.show->ScreenRect();
  it->second.show->Picture(Picture);
  return true;
}
