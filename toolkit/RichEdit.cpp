// The rich-text view (see the header).
#include "toolkit/RichEdit.h"
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QEvent>
#include <QImageReader>
#include <QPalette>
#include <QRegularExpression>
#include <QTextDocument>
#include <QTextEdit>
#include <QUrl>
#include <atomic>
#include <cmath>
#include <mutex>
#include <thread>
#include "toolkit/Classes.h"
#include "toolkit/Forms.h"
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

// A picture embedded in the document (a data address), to be decoded at
// the size it is shown at.
struct Embedded {
  QByteArray data;      // base64
  QSizeF shown;         // logical pixels; a side of 0: not given
  QImage image;         // decoded (null: it could not be)
};

// A length of a style or attribute ("10.58cm", "3in", "120", "96px") in
// logical pixels at Dpi; 0 when there is none.
double Pixels(const QString& Text, double Dpi) {
  static const QRegularExpression len(QStringLiteral("^\\s*([0-9]*\\.?[0-9]+)\\s*(cm|mm|in|pt|pc|px)?\\s*$"),
                                      QRegularExpression::CaseInsensitiveOption);
  const QRegularExpressionMatch m = len.match(Text);
  if (!m.hasMatch()) return 0;
  const double v = m.captured(1).toDouble();
  const QString unit = m.captured(2).toLower();
  if (unit == "cm") return v * Dpi / 2.54;
  if (unit == "mm") return v * Dpi / 25.4;
  if (unit == "in") return v * Dpi;
  if (unit == "pt") return v * Dpi / 72;
  if (unit == "pc") return v * Dpi / 6;
  return v;
}

// The size a tag's style or attributes give (a side of 0: not given).
QSizeF ShownSize(const QString& Tag, double Dpi) {
  auto side = [&](const QString& name) {
    const QRegularExpression style(QStringLiteral("style\\s*=\\s*\"[^\"]*\\b") + name + QStringLiteral("\\s*:\\s*([^;\"]+)"),
                                   QRegularExpression::CaseInsensitiveOption);
    const QRegularExpression attr(QStringLiteral("\\s") + name + QStringLiteral("\\s*=\\s*\"([^\"]*)\""),
                                  QRegularExpression::CaseInsensitiveOption);
    QRegularExpressionMatch m = style.match(Tag);
    if (!m.hasMatch()) m = attr.match(Tag);
    return m.hasMatch() ? Pixels(m.captured(1), Dpi) : 0.0;
  };
  return QSizeF(side("width"), side("height"));
}

// Decodes a picture at its shown size (times Scale, the screen's pixels per
// logical pixel), its sides kept in proportion where one is not given; one
// that is given none keeps its own size. Pictures are never enlarged.
void Decode(Embedded& E, double Scale, const std::atomic<bool>& Stop) {
  if (Stop) return;
  QByteArray bytes = QByteArray::fromBase64(E.data);
  QBuffer in(&bytes);
  QImageReader reader(&in);
  const QSize own = reader.size();
  if (own.isValid() && own.width() > 0 && own.height() > 0) {
    QSizeF s = E.shown;
    if (s.width() <= 0 && s.height() <= 0) s = QSizeF(own);
    else if (s.width() <= 0) s.setWidth(s.height() * own.width() / own.height());
    else if (s.height() <= 0) s.setHeight(s.width() * own.height() / own.width());
    E.shown = s;
    const QSize want(std::max(1, int(std::lround(s.width() * Scale))), std::max(1, int(std::lround(s.height() * Scale))));
    if (want.width() < own.width() || want.height() < own.height()) reader.setScaledSize(want.boundedTo(own));
  }
  E.image = reader.read();
}

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
  Editor()->document()->clear();   // the pictures of a document before go too
  Editor()->setPlainText(QStr(s));
}

void TRichEdit::SetHtml(const String& Html) {
  QString html = QStr(Html);
  // Pictures embedded in the document are decoded aside from the main
  // thread, each at the size it is shown at (a document's pictures may be
  // far larger than they are shown), and handed to the document as
  // resources: the main loop never decodes them.
  static const QRegularExpression img(QStringLiteral("<img\\b[^>]*>"), QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression src(QStringLiteral("\\ssrc\\s*=\\s*\"data:image/[^;\",]*;base64,([^\"]*)\""),
                                      QRegularExpression::CaseInsensitiveOption);
  const double dpi = Editor()->logicalDpiX() > 0 ? Editor()->logicalDpiX() : 96;
  std::vector<Embedded> pictures;
  std::vector<std::pair<qsizetype, qsizetype>> places;   // each picture's src in html
  for (QRegularExpressionMatchIterator it = img.globalMatch(html); it.hasNext();) {
    const QRegularExpressionMatch tag = it.next();
    const QRegularExpressionMatch data = src.match(html, tag.capturedStart());
    if (!data.hasMatch() || data.capturedEnd() > tag.capturedEnd()) continue;
    pictures.push_back(Embedded{data.captured(1).toLatin1(), ShownSize(tag.captured(), dpi), QImage()});
    places.emplace_back(data.capturedStart(), data.capturedLength());
  }
  QTextDocument* doc = Editor()->document();
  doc->clear();   // with the pictures of the document before
  if (!pictures.empty()) {
    const double scale = Editor()->devicePixelRatioF();
    std::atomic<bool> stop{false};
    std::mutex m;
    bool done = false;
    std::thread worker([&] {
      for (Embedded& e : pictures) Decode(e, scale, stop);
      {
        std::lock_guard<std::mutex> g(m);
        done = true;
      }
      WakeWaiters();
    });
    const TWaitResult r = WaitFor(
        [&] {
          std::lock_guard<std::mutex> g(m);
          return done;
        },
        -1, TWaitInput::None());
    if (r == wrClosing) stop = true;
    worker.join();
    if (r == wrClosing) throw EAbort("Reading was stopped");
    // Back to front: the places before stay where they are.
    for (size_t i = pictures.size(); i-- > 0;) {
      const Embedded& e = pictures[i];
      if (e.image.isNull()) continue;   // left as it is: shown as the engine can
      const QString name = QStringLiteral("tablo-picture:%1").arg(i);
      QImage image = e.image;
      image.setDevicePixelRatio(scale);
      doc->addResource(QTextDocument::ImageResource, QUrl(name), image);
      html.replace(places[i].first, places[i].second,
                   QStringLiteral(" src=\"%1\" width=\"%2\" height=\"%3\"")
                       .arg(name)
                       .arg(std::lround(e.shown.width()))
                       .arg(std::lround(e.shown.height())));
    }
  }
  Editor()->setHtml(html);
}

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
