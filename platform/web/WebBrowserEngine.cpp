// The web control on the browser engine of the Qt web modules.
//
// The engine draws through a texture widget. A window that holds one is
// composed by the graphics library on every repaint of any of its widgets,
// for the rest of its life: with the software renderer the console's clocks
// alone would then cost a tenth of a core. So the page lives in a window of
// its own that the toolkit keeps over the visible part of the control
// (tkqt::ControlWindow: clipped by the control's sheet, scroll area and
// window, moved as they scroll, shown exactly while the control shows); it
// is drawn only when the page changes. A page that is not shown is frozen
// (the engine's page lifecycle) and costs nothing. Grabs of the control draw
// the page's picture.
#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QTimer>
#include <memory>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QWidget>
#include <cstdio>
#include <csignal>
#include <cstdlib>
#include <unistd.h>
#include <vector>

#include "platform/web/WebBrowser.h"
#include "toolkit/ControlWindow.h"
#include "toolkit/QtGlue.h"
#include "toolkit/Log.h"

void DrawViewsInSoftware() {
  static const bool done = [] {
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    return true;
  }();
  (void)done;
}

namespace {

const bool viewsInSoftware = (DrawViewsInSoftware(), true);

// The page follows only what the control allows: http: and https:
// everywhere, the local page that Navigate opened in the main frame, and in
// frames inside a page also the engine's inner documents (about:, data:,
// blob:, which it keeps apart from every other origin).
class GuardedPage : public QWebEnginePage {
 public:
  explicit GuardedPage(QObject* parent) : QWebEnginePage(parent) {
    QWebEngineSettings* s = settings();
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    s->setAttribute(QWebEngineSettings::AllowRunningInsecureContent, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
    s->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setUnknownUrlSchemePolicy(QWebEngineSettings::DisallowUnknownUrlSchemes);
  }
  QUrl listed;   // the local page Navigate opened

 protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override {
    const QString scheme = url.scheme().toLower();
    if (scheme == "http" || scheme == "https") return true;
    if (url.isLocalFile())
      return isMainFrame && !listed.isEmpty() &&
             url.adjusted(QUrl::RemoveFragment | QUrl::RemoveQuery) ==
                 listed.adjusted(QUrl::RemoveFragment | QUrl::RemoveQuery);
    return !isMainFrame && (scheme == "about" || scheme == "data" || scheme == "blob");
  }
};

}  // namespace

struct TWebBrowser::Engine : QObject {
  QWidget* host = nullptr;           // the control's own widget
  std::unique_ptr<tkqt::ControlWindow> window;   // the page's window over it
  QPointer<QWebEngineView> view;     // goes with its window
  GuardedPage* page = nullptr;
  String url;
  bool scrollBars = true;
  bool loading = false;   // a page is frozen only once it has loaded
  QTimer bound;           // the navigation's bound
  int opens = 0;          // addresses opened: a later one supersedes an earlier one's probe
  QUrl afterRestart;      // the address opened once the ended renderer is gone
  std::shared_ptr<bool> gone = std::make_shared<bool>(false);   // the control is being destroyed

  // How long a renderer may take to answer before it counts as one that no
  // longer answers (a busy machine's answers take a while too).
  static constexpr int AnswerLimitMs = 3000;

  // Asks the page's renderer for an answer; then(answered) runs once: true
  // when it answered, false when AnswerLimitMs passed first (the renderer
  // was then ended).
  void probe(std::function<void(bool)> then) {
    auto done = std::make_shared<bool>(false);
    auto finish = [done, then = std::move(then)](bool answered) {
      if (std::exchange(*done, true)) return;
      then(answered);
    };
    // A page being destroyed (with the control) answers what it still owes
    // as it goes: that is no answer.
    page->runJavaScript("0", [finish, gone = gone](const QVariant&) {
      if (!*gone) finish(true);
    });
    QTimer::singleShot(AnswerLimitMs, view.data(), [this, done, finish] {
      if (*done) return;
      endRenderer();
      finish(false);
    });
  }

  // Ends the page's renderer (it no longer answers: a script that never
  // returns); the page gets a new one with the next address opened in it.
  void endRenderer() {
    const qint64 pid = page ? page->renderProcessPid() : 0;
    if (pid <= 0) return;
    LogNote("tablo.web", "The page's renderer does not answer: it is ended.");
    ::kill(pid_t(pid), SIGKILL);
  }

  // Opens url, in a renderer that answers: one that does not (a page before
  // whose script never returned) is ended first, and url opened once it is
  // gone (the engine would send the address to it, and wait for ever).
  void open(const QUrl& url) {
    const int n = ++opens;
    afterRestart = QUrl();
    if (page->renderProcessPid() <= 0) return view->load(url);
    probe([this, n, url](bool answered) {
      if (n != opens) return;
      if (answered) return view->load(url);
      afterRestart = url;
      // Opened at the renderer's end (below), or in a while anyway.
      QTimer::singleShot(AnswerLimitMs, view.data(), [this, n] { restarted(n); });
    });
  }
  void restarted(int n) {
    if (n != opens || afterRestart.isEmpty()) return;
    const QUrl url = std::exchange(afterRestart, QUrl());
    view->load(url);
  }

  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Paint && o == host && view) return paintPage();
    return false;
  }

  // The page is active while its window shows and frozen otherwise.
  void shown(bool now) {
    if (now)
      setLifecycle(QWebEnginePage::LifecycleState::Active);
    else if (!loading)
      setLifecycle(QWebEnginePage::LifecycleState::Frozen);
  }

  void setLifecycle(QWebEnginePage::LifecycleState s) {
    if (!page || page->lifecycleState() == s) return;
    // The engine freezes only a page that is not visible.
    if (s != QWebEnginePage::LifecycleState::Active && page->isVisible()) return;
    page->setLifecycleState(s);
  }

  // Paints the page's picture in place of the host's own in grabs of the
  // control (on the screen the page's window lies over it).
  bool paintPage() {
    if (!tkqt::Rendering()) return false;
    QPainter p(host);
    const QPixmap picture = view->grab();
    if (picture.isNull()) return false;
    p.drawPixmap(host->rect(), picture);
    return true;
  }
};

namespace {
// The page renderer's sandbox refuses to start for the super-user: it runs
// without it then, and says so once.
void AllowRendererAsRoot() {
  static bool done = false;
  if (done) return;
  done = true;
  if (geteuid() == 0 && !std::getenv("QTWEBENGINE_DISABLE_SANDBOX")) {
    setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
    LogNote("tablo.web", "Running as root: web pages are shown without the renderer's sandbox.");
  }
}
}  // namespace

TWebBrowser::TWebBrowser(TComponent* AOwner) : TWinControl(AOwner), engine_(std::make_unique<Engine>()) {
  engine_->host = Widget();
  SetColor(clWhite);
}

TWebBrowser::~TWebBrowser() {
  BeginDestroy();
  *engine_->gone = true;
  if (engine_->view) QObject::disconnect(engine_->view.data(), nullptr, nullptr, nullptr);
  engine_->host->removeEventFilter(engine_.get());
  engine_->window.reset();
}

void TWebBrowser::Navigate(const String& Url) {
  const QUrl url(tkqt::QStr(OpenableAddress(Url)), QUrl::StrictMode);
  if (!engine_->view) {
    AllowRendererAsRoot();
    engine_->view = new QWebEngineView;
    engine_->page = new GuardedPage(engine_->view);
    engine_->view->setPage(engine_->page);
    engine_->page->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, engine_->scrollBars);
    // The page takes the mouse and the keys itself.
    engine_->window = std::make_unique<tkqt::ControlWindow>(engine_->host, engine_->view, false);
    engine_->window->OnShownChange = [e = engine_.get()](bool now) { e->shown(now); };
    engine_->host->installEventFilter(engine_.get());
    QObject::connect(engine_->view.data(), &QWebEngineView::loadStarted, engine_->view.data(),
                     [this] { Dispatch([this] { LoadStarted(); }); });
    QObject::connect(engine_->view.data(), &QWebEngineView::loadFinished, engine_->view.data(),
                     [this](bool) { Dispatch([this] { LoadFinished(); }); });
    QObject::connect(engine_->page, &QWebEnginePage::renderProcessTerminated, engine_->view.data(),
                     [e = engine_.get()] { e->restarted(e->opens); });
    engine_->bound.setSingleShot(true);
    engine_->bound.callOnTimeout([this] { Dispatch([this] { overrun(); }); });
    engine_->window->Follow();
  }
  engine_->url = Url;
  engine_->page->listed = url.isLocalFile() ? url : QUrl();
  engine_->loading = true;
  engine_->setLifecycle(QWebEnginePage::LifecycleState::Active);
  timedOut_ = false;
  engine_->bound.start(limitMs_);
  engine_->open(url);
}

void TWebBrowser::overrun() {
  if (Destroying() || !busy_) return;
  LogNote("tablo.web", "The page did not finish loading in time: stopped.");
  engine_->page->triggerAction(QWebEnginePage::Stop);
  // A renderer that no longer answers is ended (so the next page of the
  // site opens); one that does keeps what it has loaded.
  engine_->probe([](bool) {});
  timedOut_ = true;
  LoadFinished();
}

String TWebBrowser::LocationURL() const {
  if (!engine_->view) return engine_->url;
  const QUrl u = engine_->view->url();
  return u.isEmpty() ? engine_->url : tkqt::Str(u.toString());
}

void TWebBrowser::SetScrollBars(bool Show) {
  engine_->scrollBars = Show;
  if (engine_->page) engine_->page->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, Show);
}

bool TWebBrowser::ScrollBars() const { return engine_->scrollBars; }

bool TWebBrowser::PageActive() const {
  return engine_->page && engine_->page->lifecycleState() == QWebEnginePage::LifecycleState::Active;
}

void TWebBrowser::LoadStarted() {
  if (Destroying()) return;
  busy_ = true;
  // A page's own navigation is bounded too.
  if (!engine_->bound.isActive()) engine_->bound.start(limitMs_);
  if (OnDownloadBegin) OnDownloadBegin(this);
}

void TWebBrowser::LoadFinished() {
  if (Destroying() || !busy_) return;   // said already (stopped at the bound)
  busy_ = false;
  engine_->bound.stop();
  engine_->loading = false;
  engine_->shown(engine_->window->Shown());
  if (OnDownloadComplete) OnDownloadComplete(this);
}
