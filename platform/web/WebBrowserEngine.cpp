// The web control on the browser engine of the Qt web modules.
//
// The engine draws through a texture widget. A window that holds one is
// composed by the graphics library on every repaint of any of its widgets,
// for the rest of its life: with the software renderer the console's clocks
// alone would then cost a tenth of a core. So the page lives in a window of
// its own, without a frame, laid over the control and shown exactly while the
// control shows; it is drawn only when the page changes. A page that is not
// shown is frozen (the engine's page lifecycle) and costs nothing. Grabs of
// the control draw the page's picture.
#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

#include "platform/web/WebBrowser.h"
#include "toolkit/QtGlue.h"

namespace {

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
  QPointer<QWidget> window;          // the page's window over it
  QPointer<QWebEngineView> view;     // goes with its window
  GuardedPage* page = nullptr;
  String url;
  bool scrollBars = true;
  bool loading = false;   // a page is frozen only once it has loaded
  std::vector<QPointer<QWidget>> watched;   // the host and its ancestors

  bool eventFilter(QObject* o, QEvent* e) override {
    switch (e->type()) {
      case QEvent::Paint:
        if (o == host && view) return paintPage();
        break;
      case QEvent::Show:
      case QEvent::Hide:
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::WindowStateChange:
      case QEvent::ParentChange:
        follow();
        break;
      default: break;
    }
    return false;
  }

  // The window lies over the host and shows exactly while the host shows;
  // the page is active then and frozen otherwise.
  void follow() {
    if (!window || !view) return;
    const bool shown = host->isVisible() && !host->window()->isMinimized() && host->width() > 0 && host->height() > 0;
    if (shown) {
      const QRect r(host->mapToGlobal(QPoint(0, 0)), host->size());
      if (window->geometry() != r) window->setGeometry(r);
      setLifecycle(QWebEnginePage::LifecycleState::Active);
      if (!window->isVisible()) window->show();
    } else {
      if (window->isVisible()) window->hide();
      if (!loading) setLifecycle(QWebEnginePage::LifecycleState::Frozen);
    }
  }

  void setLifecycle(QWebEnginePage::LifecycleState s) {
    if (!page || page->lifecycleState() == s) return;
    // The engine freezes only a page that is not visible.
    if (s != QWebEnginePage::LifecycleState::Active && page->isVisible()) return;
    page->setLifecycleState(s);
  }

  // Paints the page's picture in place of the host's own (grabs of the
  // control and what lies below the page's window).
  bool paintPage() {
    QPainter p(host);
    const QPixmap picture = view->grab();
    if (picture.isNull()) return false;
    p.drawPixmap(host->rect(), picture);
    return true;
  }

  void watch() {
    for (const QPointer<QWidget>& w : watched)
      if (w) w->removeEventFilter(this);
    watched.clear();
    for (QWidget* w = host; w; w = w->parentWidget()) {
      w->installEventFilter(this);
      watched.emplace_back(w);
      if (w->isWindow()) break;
    }
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
    std::fprintf(stderr, "Running as root: web pages are shown without the renderer's sandbox.\n");
  }
}
}  // namespace

TWebBrowser::TWebBrowser(TComponent* AOwner) : TWinControl(AOwner), engine_(std::make_unique<Engine>()) {
  engine_->host = Widget();
  SetColor(clWhite);
}

TWebBrowser::~TWebBrowser() {
  BeginDestroy();
  if (engine_->view) QObject::disconnect(engine_->view.data(), nullptr, nullptr, nullptr);
  for (const QPointer<QWidget>& w : engine_->watched)
    if (w) w->removeEventFilter(engine_.get());
  delete engine_->window.data();
}

void TWebBrowser::Navigate(const String& Url) {
  const QUrl url(tkqt::QStr(OpenableAddress(Url)), QUrl::StrictMode);
  if (!engine_->view) {
    AllowRendererAsRoot();
    // A tool window of the control's window: it stays above it and goes
    // with it; it never takes the focus from the console by showing.
    auto* window = new QWidget(engine_->host->window(), Qt::Tool | Qt::FramelessWindowHint);
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    engine_->window = window;
    engine_->view = new QWebEngineView(window);
    engine_->page = new GuardedPage(engine_->view);
    engine_->view->setPage(engine_->page);
    engine_->page->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, engine_->scrollBars);
    layout->addWidget(engine_->view);
    QObject::connect(engine_->view.data(), &QWebEngineView::loadStarted, engine_->view.data(),
                     [this] { Dispatch([this] { LoadStarted(); }); });
    QObject::connect(engine_->view.data(), &QWebEngineView::loadFinished, engine_->view.data(),
                     [this](bool) { Dispatch([this] { LoadFinished(); }); });
    engine_->watch();
    engine_->follow();
  }
  engine_->url = Url;
  engine_->page->listed = url.isLocalFile() ? url : QUrl();
  engine_->loading = true;
  engine_->setLifecycle(QWebEnginePage::LifecycleState::Active);
  engine_->view->load(url);
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
  if (OnDownloadBegin) OnDownloadBegin(this);
}

void TWebBrowser::LoadFinished() {
  if (Destroying()) return;
  busy_ = false;
  engine_->loading = false;
  engine_->follow();
  if (OnDownloadComplete) OnDownloadComplete(this);
}
