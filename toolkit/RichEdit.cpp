// The rich-text view (see the header).
#include "toolkit/RichEdit.h"
#include <QFile>
#include <QFileInfo>
#include <QEvent>
#include <QPalette>
#include <QTextEdit>
#include "toolkit/SafeFiles.h"
#include "toolkit/StdWidgets_p.h"

using stdctl::QStr;
using stdctl::StdStr;

namespace {

// A rich edit is a page object that is disabled for input only: its
// disabled look keeps the control's own background and automatic text
// colour, whichever way the palette was set.
class KeepColours : public QObject {
 public:
  explicit KeepColours(QTextEdit* e) : QObject(e), e_(e) {}
  bool eventFilter(QObject* o, QEvent* ev) override {
    if (o == e_ && (ev->type() == QEvent::PaletteChange || ev->type() == QEvent::EnabledChange)) apply();
    return false;
  }
  void apply() {
    QPalette pal = e_->palette();
    bool changed = false;
    for (QPalette::ColorRole r : {QPalette::Base, QPalette::Text, QPalette::WindowText}) {
      const QColor c = pal.color(QPalette::Active, r);
      if (pal.color(QPalette::Disabled, r) != c) {
        pal.setColor(QPalette::Disabled, r, c);
        changed = true;
      }
    }
    if (changed) e_->setPalette(pal);
  }
 private:
  QTextEdit* e_;
};

}  // namespace

std::function<String(const String&)> TRichEdit::RtfImporter;
int64_t TRichEdit::MaxFileSize = 8 * 1024 * 1024;

TRichEdit::TRichEdit(TComponent* AOwner) : TWinControl(AOwner) {
  auto* w = new QTextEdit;
  w->setAcceptRichText(true);
  w->setFrameShape(QFrame::NoFrame);
  color_ = clWindow;
  SetWidget(w);
  auto* keep = new KeepColours(w);
  w->installEventFilter(keep);
  keep->apply();
  SetTabStop(true);
  SetBounds(0, 0, 185, 89);
  SetScrollBars(ssBoth);
  QObject::connect(w, &QTextEdit::textChanged, w, [this] {
    if (OnChange) Dispatch([this] { OnChange(this); });
  });
}

TRichEdit::~TRichEdit() {
  if (Widget()) Widget()->blockSignals(true);
}

QTextEdit* TRichEdit::Editor() const { return static_cast<QTextEdit*>(Widget()); }

const String& TRichEdit::Text() const {
  textCache_ = StdStr(Editor()->toPlainText());
  return textCache_;
}

void TRichEdit::SetText(const String& s) {
  text_ = s;
  Editor()->setPlainText(QStr(s));
}

void TRichEdit::SetHtml(const String& Html) { Editor()->setHtml(QStr(Html)); }

void TRichEdit::SetReadOnly(bool v) {
  readOnly_ = v;
  Editor()->setReadOnly(v);
}

void TRichEdit::SetWordWrap(bool v) {
  wordWrap_ = v;
  Editor()->setLineWrapMode(v ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
}

void TRichEdit::SetScrollBars(TScrollStyle v) {
  scrollBars_ = v;
  const bool h = v == ssHorizontal || v == ssBoth, vert = v == ssVertical || v == ssBoth;
  Editor()->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  Editor()->setVerticalScrollBarPolicy(vert ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

void TRichEdit::FontChanged() {
  TWinControl::FontChanged();
  // The document's own default font follows the control's.
  Editor()->document()->setDefaultFont(Editor()->font());
}

bool TRichEdit::RtfComplete(const std::string& b) {
  int depth = 0;
  bool opened = false;
  for (size_t i = 0; i < b.size(); ++i) {
    const char c = b[i];
    if (c == '\\') {
      if (i + 1 >= b.size()) return false;
      const char n = b[i + 1];
      if (n == '{' || n == '}' || n == '\\') {
        ++i;
        continue;
      }
      // \binN: N raw bytes follow that may hold any brace.
      if (b.compare(i + 1, 3, "bin") == 0) {
        size_t j = i + 4;
        // A count beyond the document's size is a damage whatever its digits:
        // it stops growing there, so no number of digits overflows it.
        size_t len = 0;
        while (j < b.size() && b[j] >= '0' && b[j] <= '9') {
          if (len <= b.size()) len = len * 10 + size_t(b[j] - '0');
          ++j;
        }
        if (j < b.size() && b[j] == ' ') ++j;
        if (len > b.size() - j) return false;
        i = j + len - 1;
      }
      continue;
    }
    if (c == '{') {
      ++depth;
      opened = true;
    } else if (c == '}') {
      if (--depth < 0) return false;
      if (depth == 0) return true;   // the document's outer group has closed
    }
  }
  return opened && depth == 0;
}

void TRichEdit::LoadFromFile(const String& FileName) {
  const String name = ResolveFileName(FileName);
  std::string bytes;
  try {
    bytes = ReadFileBytes(name, size_t(MaxFileSize));
  } catch (const EFileTooLarge&) {
    throw ERichEditError("The file \"" + NormalizePath(FileName) + "\" is too large (more than " +
                           IntToStr(MaxFileSize / (1024 * 1024)) + " MB)");
  }
  if (bytes.compare(0, 5, "{\\rtf") != 0) {
    SetText(LoadTextFile(name));
    return;
  }
  if (!RtfComplete(bytes))
    throw ERichEditError("The RTF document \"" + NormalizePath(FileName) + "\" is damaged: it ends too early");
  if (!RtfImporter) throw ERichEditError("No reader for RTF documents is installed");
  String html;
  try {
    html = RtfImporter(name);
  } catch (const EAbort&) {
    throw;   // the reading was given up (the program closes): nothing to tell
  } catch (const Exception& e) {
    throw ERichEditError("The RTF document \"" + NormalizePath(FileName) + "\" cannot be shown: " + e.Message);
  }
  SetHtml(html);
}
