// The web control on the browser engine of the Qt web modules.
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineView>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "platform/web/WebBrowser.h"
#include "toolkit/QtGlue.h"

struct TWebBrowser::Engine {
  QWebEngineView* view = nullptr;
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
  if (!engine_->view) {
    AllowRendererAsRoot();
    engine_->view = new QWebEngineView(Widget());
    Widget()->layout()->addWidget(engine_->view);
    QObject::connect(engine_->view, &QWebEngineView::loadStarted, engine_->view,
                     [this] { Dispatch([this] { LoadStarted(); }); });
    QObject::connect(engine_->view, &QWebEngineView::loadFinished, engine_->view,
                     [this](bool) { Dispatch([this] { LoadFinished(); }); });
  }
  engine_->url = Url;
  engine_->view->load(QUrl::fromUserInput(tkqt::QStr(Url)));
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
