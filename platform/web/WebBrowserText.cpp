// The web control of a build without the browser engine: it shows the
// address as text, and a load begins and completes at once.
#include <QLabel>

#include "platform/web/WebBrowser.h"
#include "toolkit/QtGlue.h"

struct TWebBrowser::Engine {
  String url;
  bool scrollBars = true;
};

TWebBrowser::TWebBrowser(TComponent* AOwner) : TWinControl(AOwner), engine_(std::make_unique<Engine>()) {
  auto* label = new QLabel;
  label->setAlignment(Qt::AlignCenter);
  SetWidget(label);
  SetColor(clWhite);
}

TWebBrowser::~TWebBrowser() = default;

void TWebBrowser::Navigate(const String& Url) {
  OpenableAddress(Url);
  engine_->url = Url;
  if (auto* label = qobject_cast<QLabel*>(Widget())) label->setText(tkqt::QStr(Url));
  LoadStarted();
  LoadFinished();
}

String TWebBrowser::LocationURL() const { return engine_->url; }

bool TWebBrowser::ScrollBars() const { return engine_->scrollBars; }

void TWebBrowser::SetScrollBars(bool Show) { engine_->scrollBars = Show; }

bool TWebBrowser::PageActive() const { return false; }

void TWebBrowser::LoadStarted() {
  busy_ = true;
  if (OnDownloadBegin) OnDownloadBegin(this);
}

void TWebBrowser::LoadFinished() {
  busy_ = false;
  if (OnDownloadComplete) OnDownloadComplete(this);
}
