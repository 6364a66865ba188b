// The web control on the browser engine of the Qt web modules.
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

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

struct TWebBrowser::Engine {
  QWebEngineView* view = nullptr;
  GuardedPage* page = nullptr;
  String url;
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
  auto* layout = new QVBoxLayout(Widget());
  layout->setContentsMargins(0, 0, 0, 0);
  SetColor(clWhite);
}

TWebBrowser::~TWebBrowser() {
  BeginDestroy();
  if (engine_->view) QObject::disconnect(engine_->view, nullptr, nullptr, nullptr);
}

void TWebBrowser::Navigate(const String& Url) {
  const QUrl url(tkqt::QStr(OpenableAddress(Url)), QUrl::StrictMode);
  if (!engine_->view) {
    AllowRendererAsRoot();
    engine_->view = new QWebEngineView(Widget());
    engine_->page = new GuardedPage(engine_->view);
    engine_->view->setPage(engine_->page);
    Widget()->layout()->addWidget(engine_->view);
    QObject::connect(engine_->view, &QWebEngineView::loadStarted, engine_->view,
                     [this] { Dispatch([this] { LoadStarted(); }); });
    QObject::connect(engine_->view, &QWebEngineView::loadFinished, engine_->view,
                     [this](bool) { Dispatch([this] { LoadFinished(); }); });
  }
  engine_->url = Url;
  engine_->page->listed = url.isLocalFile() ? url : QUrl();
  engine_->view->load(url);
}

String TWebBrowser::LocationURL() const {
  if (!engine_->view) return engine_->url;
  const QUrl u = engine_->view->url();
  return u.isEmpty() ? engine_->url : tkqt::Str(u.toString());
}

void TWebBrowser::LoadStarted() {
  if (Destroying()) return;
  busy_ = true;
  if (OnDownloadBegin) OnDownloadBegin(this);
}

void TWebBrowser::LoadFinished() {
  if (Destroying()) return;
  busy_ = false;
  if (OnDownloadComplete) OnDownloadComplete(this);
}
