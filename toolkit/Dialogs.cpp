// Message boxes and common dialogs on non-native Qt dialogs.
#include "toolkit/Dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <cstdio>

#include "toolkit/Forms.h"
#include "toolkit/QtGlue.h"
#include "toolkit/Log.h"

using namespace tkqt;

std::function<int(const TMsgDlgRequest&)> MessageDlgHook;
std::function<bool(TCommonDialog*)> CommonDialogHook;
std::function<bool(const String&, String&)> SelectDirectoryHook;

namespace {

bool haveGui() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }
bool headless() { return !haveGui() || QGuiApplication::platformName() == QLatin1String("offscreen"); }

struct BtnInfo {
  TMsgDlgBtn btn;
  const char* caption;
  int result;
};
const BtnInfo kButtons[] = {
    {mbYes, "&Yes", mrYes},         {mbNo, "&No", mrNo},           {mbOK, "OK", mrOk},
    {mbCancel, "Cancel", mrCancel}, {mbAbort, "&Abort", mrAbort}, {mbRetry, "&Retry", mrRetry},
    {mbIgnore, "&Ignore", mrIgnore}, {mbAll, "&All", mrAll},       {mbNoToAll, "N&o to All", mrNoToAll},
    {mbYesToAll, "Yes to &All", mrYesToAll}, {mbHelp, "&Help", mrNone},
};

String captionOf(TMsgDlgType t) {
  switch (t) {
    case mtWarning: return "Warning";
    case mtError: return "Error";
    case mtInformation: return "Information";
    case mtConfirmation: return "Confirm";
    default: {
      String title = Application ? Application->Title() : String();
      if (title.empty() && Application) title = ChangeFileExt(ExtractFileName(Application->ExeName()), "");
      return title;
    }
  }
}

int defaultResult(TMsgDlgButtons b) {
  if (b.Contains(mbOK)) return mrOk;
  if (b.Contains(mbYes)) return mrYes;
  if (b.Contains(mbRetry)) return mrRetry;
  return mrNone;
}

int cancelResult(TMsgDlgButtons b) {
  if (b.Contains(mbCancel)) return mrCancel;
  if (b.Contains(mbNo)) return mrNo;
  if (b.Contains(mbOK)) return mrOk;
  return mrCancel;
}

// Long words (paths) get break opportunities so that the text wraps.
QString breakable(const QString& s) {
  QString out;
  int run = 0;
  for (QChar ch : s) {
    out += ch;
    if (ch.isSpace()) {
      run = 0;
      continue;
    }
    ++run;
    if (ch == QLatin1Char('/') || ch == QLatin1Char('\\') || run >= 30) {
      out += QChar(0x200B);
      run = 0;
    }
  }
  return out;
}

// Places r with its top-left at (x, y), moved as little as needed to lie
// inside area; a negative coordinate centres it in that direction.
QRect placeInside(QSize sz, int x, int y, const QRect& area) {
  int w = std::min(sz.width(), area.width()), h = std::min(sz.height(), area.height());
  if (x < 0) x = area.x() + (area.width() - w) / 2;
  if (y < 0) y = area.y() + (area.height() - h) / 2;
  x = std::max(area.left(), std::min(x, area.x() + area.width() - w));
  y = std::max(area.top(), std::min(y, area.y() + area.height() - h));
  return QRect(x, y, w, h);
}

class MessageBox : public QDialog {
 public:
  MessageBox(const String& msg, TMsgDlgType type, TMsgDlgButtons buttons, const QRect& area) {
    setWindowTitle(QStr(captionOf(type)));
    auto* outer = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    outer->addLayout(top);
    QStyle::StandardPixmap sp = QStyle::SP_CustomBase;
    switch (type) {
      case mtWarning: sp = QStyle::SP_MessageBoxWarning; break;
      case mtError: sp = QStyle::SP_MessageBoxCritical; break;
      case mtInformation: sp = QStyle::SP_MessageBoxInformation; break;
      case mtConfirmation: sp = QStyle::SP_MessageBoxQuestion; break;
      default: break;
    }
    if (sp != QStyle::SP_CustomBase) {
      auto* icon = new QLabel(this);
      icon->setPixmap(style()->standardIcon(sp).pixmap(32, 32));
      icon->setAlignment(Qt::AlignTop);
      top->addWidget(icon);
    }
    auto* text = new QLabel(this);
    text->setTextFormat(Qt::PlainText);
    QString t = breakable(QStr(msg));
    text->setText(t);
    int maxw = std::max(120, area.width() / 2);
    QFontMetrics fm(text->font());
    int natural = 0;
    for (const QString& line : QStr(msg).split(QLatin1Char('\n'))) natural = std::max(natural, fm.horizontalAdvance(line));
    if (natural > maxw) {
      text->setWordWrap(true);
      text->setFixedWidth(maxw);
    }
    top->addWidget(text, 1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    int def = defaultResult(buttons);
    for (const BtnInfo& b : kButtons) {
      if (!buttons.Contains(b.btn)) continue;
      auto* pb = new QPushButton(QString::fromUtf8(b.caption), this);
      int r = b.result;
      if (r == def) {
        pb->setDefault(true);
        pb->setAutoDefault(true);
      } else {
        pb->setAutoDefault(false);
      }
      if (b.btn != mbHelp) QObject::connect(pb, &QPushButton::clicked, this, [this, r] { done(r); });
      row->addWidget(pb);
    }
    row->addStretch(1);
    outer->addLayout(row);
    outer->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
  }
};

}  // namespace

int MessageDlgPos(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx, int X, int Y) {
  if (Buttons.Empty()) Buttons = {mbOK};
  GiveMouseToModal();
  TMsgDlgRequest req;
  req.Msg = Msg;
  req.DlgType = DlgType;
  req.Buttons = Buttons;
  req.HelpCtx = HelpCtx;
  req.Caption = captionOf(DlgType);
  req.DefaultResult = defaultResult(Buttons);
  req.CancelResult = cancelResult(Buttons);
  if (!haveGui()) {
    req.BoundsRect = Bounds(std::max(X, 0), std::max(Y, 0), 0, 0);
    if (MessageDlgHook) return MessageDlgHook(req);
    LogFailure("tablo.toolkit", req.Caption + ": " + Msg);
    return req.CancelResult;
  }
  QRect area = QR(Screen->WorkAreaRect());
  if (area.isEmpty()) area = QRect(0, 0, 1024, 768);
  MessageBox box(Msg, DlgType, Buttons, area);
  QRect r = placeInside(box.size(), X, Y, area);
  req.BoundsRect = TR(r);
  if (MessageDlgHook) return MessageDlgHook(req);
  if (headless()) {
    LogFailure("tablo.toolkit", req.Caption + ": " + Msg);
    return req.CancelResult;
  }
  box.setGeometry(r);
  box.move(r.topLeft());
  int res = box.exec();
  if (res == QDialog::Rejected) res = req.CancelResult;
  return res;
}

int MessageDlg(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx) {
  return MessageDlgPos(Msg, DlgType, Buttons, HelpCtx, -1, -1);
}

void ShowMessage(const String& Msg) { MessageDlgPos(Msg, mtCustom, {mbOK}, 0, -1, -1); }

// ------------------------------------------------------------ TCommonDialog

namespace {
class ShowWatcher : public QObject {
 public:
  ShowWatcher(QObject* parent, std::function<void()> f) : QObject(parent), fire(std::move(f)) {}
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Show && o == parent() && !fired) {
      fired = true;
      DispatchEvent(fire);
    }
    return false;
  }
  std::function<void()> fire;
  bool fired = false;
};
}  // namespace

TRect TCommonDialog::BoundsRect() const { return shown_ ? TR(shown_->frameGeometry()) : TRect(); }

void TCommonDialog::MoveTo(int X, int Y) {
  if (shown_) shown_->move(X, Y);
}

void TCommonDialog::SetBounds(int X, int Y, int Width, int Height) {
  if (!shown_) return;
  shown_->move(X, Y);
  shown_->resize(Width, Height);
}

bool TCommonDialog::runDialog(QDialog* d) {
  shown_ = d;
  d->installEventFilter(new ShowWatcher(d, [this] {
    if (OnShow) OnShow(this);
  }));
  int r = d->exec();
  shown_ = nullptr;
  if (OnClose) DispatchEvent([this] { OnClose(this); });
  return r == QDialog::Accepted;
}

// --------------------------------------------------------------- TOpenDialog

TOpenDialog::TOpenDialog(TComponent* AOwner) : TCommonDialog(AOwner), files_(std::make_unique<TStringList>()) {}
TOpenDialog::~TOpenDialog() = default;

bool TOpenDialog::Execute() {
  GiveMouseToModal();
  if (CommonDialogHook) {
    files_->Clear();
    bool ok = CommonDialogHook(this);
    if (ok) {
      if (files_->Count() == 0 && !FileName.empty()) files_->Add(FileName);
      if (FileName.empty() && files_->Count() > 0) FileName = files_->Get(0);
    }
    return ok;
  }
  if (headless()) return false;
  QFileDialog d;
  d.setOption(QFileDialog::DontUseNativeDialog, true);
  d.setWindowTitle(QStr(Title.empty() ? String(saving() ? "Save As" : "Open") : Title));
  String dir = InitialDir;
  if (dir.empty() && !FileName.empty()) dir = ExtractFilePath(NormalizePath(FileName));
  if (!dir.empty()) d.setDirectory(QStr(NormalizePath(dir)));
  // "desc|mask|desc|mask" -> Qt name filters.
  QStringList filters;
  for (const String& f : FileDialogFilterNames(Filter)) filters << QStr(f);
  if (!filters.isEmpty()) {
    d.setNameFilters(filters);
    int idx = std::clamp(FilterIndex - 1, 0, int(filters.size()) - 1);
    d.selectNameFilter(filters[idx]);
  }
  String ext = DefaultExt;
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  if (!ext.empty()) d.setDefaultSuffix(QStr(ext));
  if (saving()) {
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setFileMode(QFileDialog::AnyFile);
    d.setOption(QFileDialog::DontConfirmOverwrite, !Options.Contains(ofOverwritePrompt));
  } else {
    d.setAcceptMode(QFileDialog::AcceptOpen);
    if (Options.Contains(ofAllowMultiSelect))
      d.setFileMode(QFileDialog::ExistingFiles);
    else if (Options.Contains(ofFileMustExist))
      d.setFileMode(QFileDialog::ExistingFile);
    else
      d.setFileMode(QFileDialog::AnyFile);
  }
  if (!FileName.empty()) d.selectFile(QStr(ExtractFileName(NormalizePath(FileName))));
  if (!runDialog(&d)) return false;
  files_->Clear();
  for (const QString& f : d.selectedFiles()) files_->Add(Str(f));
  if (files_->Count() > 0) FileName = files_->Get(0);
  int fi = int(filters.indexOf(d.selectedNameFilter()));
  if (fi >= 0) FilterIndex = fi + 1;
  return true;
}

std::vector<String> FileDialogFilterNames(const String& Filter) {
  std::vector<String> out;
  const QStringList parts = QStr(Filter).split(QLatin1Char('|'));
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString desc = parts[i].trimmed();
    QString mask = parts[i + 1];
    mask.replace(QLatin1Char(';'), QLatin1Char(' '));
    // A description that names its mask already ("Text file (*.txt)") gets
    // it once: the dialog reads the mask from the last parentheses.
    const QString shown = QStringLiteral("(") + mask + QStringLiteral(")");
    const QString named = QStringLiteral("(") + parts[i + 1] + QStringLiteral(")");
    if (desc.endsWith(named)) desc.chop(named.size());
    else if (desc.endsWith(shown)) desc.chop(shown.size());
    desc = desc.trimmed();
    out.push_back(Str(desc.isEmpty() ? shown : desc + QStringLiteral(" ") + shown));
  }
  return out;
}

bool ExecuteFileDialog(TOpenDialog* Dialog, TFileDialogUse& Use) {
  if (!Dialog) return false;
  const String dir = Dialog->InitialDir;
  if (!Use.Folder.empty()) Dialog->InitialDir = Use.Folder;
  Dialog->FileName = Use.FileName;
  const bool ok = Dialog->Execute();
  Dialog->InitialDir = dir;
  if (ok && !Dialog->FileName.empty()) {
    const String path = ExtractFilePath(NormalizePath(Dialog->FileName));
    if (!path.empty()) Use.Folder = path;
    Use.FileName = ExtractFileName(NormalizePath(Dialog->FileName));
  }
  return ok;
}

// -------------------------------------------------------------- TColorDialog

TColorDialog::TColorDialog(TComponent* AOwner)
    : TCommonDialog(AOwner), customColors_(std::make_unique<TStringList>()) {}
TColorDialog::~TColorDialog() = default;

bool TColorDialog::Execute() {
  GiveMouseToModal();
  if (CommonDialogHook) return CommonDialogHook(this);
  if (headless()) return false;
  // "ColorA=BBGGRR" .. "ColorP=BBGGRR".
  for (int i = 0; i < customColors_->Count(); ++i) {
    String name = customColors_->Names(i);
    if (name.size() != 6 || UpperCase(name.substr(0, 5)) != "COLOR") continue;
    int idx = std::toupper(static_cast<unsigned char>(name[5])) - 'A';
    if (idx < 0 || idx >= QColorDialog::customCount()) continue;
    String v = customColors_->Values(name);
    int64_t bgr = StrToInt64Def("$" + v, -1);
    if (bgr < 0) bgr = StrToInt64Def("0x" + v, -1);
    if (bgr < 0) continue;
    QColorDialog::setCustomColor(idx, ToQColor(TColor(bgr & 0xFFFFFF)));
  }
  QColorDialog d(ToQColor(Color));
  d.setOption(QColorDialog::DontUseNativeDialog, true);
  if (!Title.empty()) d.setWindowTitle(QStr(Title));
  if (!runDialog(&d)) return false;
  Color = FromQColor(d.selectedColor());
  return true;
}

// --------------------------------------------------------------- TFontDialog

TFontDialog::TFontDialog(TComponent* AOwner) : TCommonDialog(AOwner), font_(std::make_unique<TFont>()) {}
TFontDialog::~TFontDialog() = default;

bool TFontDialog::Execute() {
  GiveMouseToModal();
  if (CommonDialogHook) return CommonDialogHook(this);
  if (headless()) return false;
  QFont q = ToQFont(*font_);
  q.setPointSizeF(std::max(1, font_->Size()));
  QFontDialog d(q);
  d.setOption(QFontDialog::DontUseNativeDialog, true);
  if (!Title.empty()) d.setWindowTitle(QStr(Title));
  if (!runDialog(&d)) return false;
  QFont r = d.selectedFont();
  TFont chosen;
  chosen.Assign(font_.get());
  chosen.SetSize(int(std::lround(r.pointSizeF())));
  TFontStyles s;
  // A style such as "Condensed Italic" keeps its width in the face's name.
  chosen.SetName(FontFaceForStyle(Str(r.family()), Str(r.styleName()), s));
  if (r.bold()) s.Include(fsBold);
  if (r.italic()) s.Include(fsItalic);
  if (r.underline()) s.Include(fsUnderline);
  if (r.strikeOut()) s.Include(fsStrikeOut);
  chosen.SetStyle(s);
  font_->Assign(&chosen);
  return true;
}

String FontFaceForStyle(const String& Family, const String& StyleName, TFontStyles& Style) {
  QStringList extra;
  for (const QString& w : QStr(StyleName).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
    if (w.compare(QLatin1String("Bold"), Qt::CaseInsensitive) == 0) {
      Style.Include(fsBold);
    } else if (w.compare(QLatin1String("Italic"), Qt::CaseInsensitive) == 0 ||
               w.compare(QLatin1String("Oblique"), Qt::CaseInsensitive) == 0) {
      Style.Include(fsItalic);
    } else if (w.compare(QLatin1String("Regular"), Qt::CaseInsensitive) != 0 &&
               w.compare(QLatin1String("Book"), Qt::CaseInsensitive) != 0 &&
               w.compare(QLatin1String("Normal"), Qt::CaseInsensitive) != 0 &&
               w.compare(QLatin1String("Roman"), Qt::CaseInsensitive) != 0) {
      extra << w;
    }
  }
  if (extra.isEmpty()) return Family;
  const QString face = QStr(Family) + QLatin1Char(' ') + extra.join(QLatin1Char(' '));
  for (const QString& f : QFontDatabase::families())
    if (f.compare(face, Qt::CaseInsensitive) == 0) return Str(f);
  return Family;
}

bool SelectDirectory(const String& Caption, const String& Root, String& Directory) {
  GiveMouseToModal();
  if (SelectDirectoryHook) return SelectDirectoryHook(Caption, Directory);
  if (headless()) return false;
  QString start = QStr(NormalizePath(Directory.empty() ? Root : Directory));
  QString r = QFileDialog::getExistingDirectory(nullptr, QStr(Caption), start,
                                                QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  if (r.isEmpty()) return false;
  Directory = ExcludeTrailingPathDelimiter(Str(r));
  return true;
}
