#include "toolkit/Clipbrd.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "toolkit/QtGlue.h"

namespace {
QClipboard* board() {
  return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard() : nullptr;
}
}  // namespace

String TClipboard::AsText() const {
  QClipboard* c = board();
  return c ? tkqt::Str(c->text()) : String();
}

void TClipboard::SetAsText(const String& s) {
  if (QClipboard* c = board()) c->setText(tkqt::QStr(s));
}

bool TClipboard::HasFormat(int format) const {
  QClipboard* c = board();
  if (!c) return false;
  const QMimeData* m = c->mimeData();
  if (format == CF_TEXT || format == CF_UNICODETEXT) return m && m->hasText();
  return false;
}

void TClipboard::Clear() {
  if (QClipboard* c = board()) c->clear();
}

TClipboard* Clipboard() {
  static TClipboard clip;
  return &clip;
}
