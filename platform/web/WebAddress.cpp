// Which addresses the web control opens (see WebBrowser.h).
#include <QFileInfo>
#include <QUrl>

#include "platform/web/WebBrowser.h"
#include "toolkit/QtGlue.h"

namespace {
bool IsHtmlName(const QString& name) {
  const QString suffix = QFileInfo(name).suffix().toLower();
  return suffix == "html" || suffix == "htm" || suffix == "xhtml";
}
}  // namespace

String TWebBrowser::OpenableAddress(const String& Url) {
  const String shown = Trim(Url);
  const QUrl url = QUrl::fromUserInput(tkqt::QStr(shown));
  const QString scheme = url.scheme().toLower();
  if (url.isValid() && (scheme == "http" || scheme == "https") && !url.host().isEmpty())
    return tkqt::Str(url.toString(QUrl::FullyEncoded));
  if (url.isValid() && url.isLocalFile()) {
    // The file itself (a link is followed) must be a page: a local text or
    // system file named like one is not shown.
    const QFileInfo fi(url.toLocalFile());
    if (IsHtmlName(fi.fileName())) {
      if (!fi.exists()) throw EWebError("The page \"" + shown + "\" is not found");
      if (fi.isFile() && IsHtmlName(fi.canonicalFilePath())) return tkqt::Str(url.toString(QUrl::FullyEncoded));
    }
  }
  throw EWebError("The address \"" + shown + "\" is refused: only http:, https: and local HTML pages are opened");
}
