// Standard controls over Qt widgets.
#include "toolkit/StdCtrls.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>
#include <QStylePainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <unordered_map>
#include "toolkit/Forms.h"
#include "toolkit/Mask.h"
#include "toolkit/QtGlue.h"
#include "toolkit/StdWidgets_p.h"

using stdctl::CanvasPatch;
using stdctl::QStr;
using stdctl::StdStr;

// The widget may outlive the control for a moment: it no longer reports.
static void silence(QWidget* w) {
  if (w) w->blockSignals(true);
}

// ---------------------------------------------------------------- TLabel

TLabel::TLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetBounds(0, 0, 65, 17);
  AdjustBounds();
}

void TLabel::SetAlignment(TAlignment v) { if (alignment_ != v) { alignment_ = v; Invalidate(); } }
void TLabel::SetLayout(TTextLayout v) { if (layout_ != v) { layout_ = v; Invalidate(); } }
void TLabel::SetAutoSize(bool v) { if (autoSize_ != v) { autoSize_ = v; AdjustBounds(); } }
void TLabel::SetWordWrap(bool v) { if (wordWrap_ != v) { wordWrap_ = v; AdjustBounds(); Invalidate(); } }
void TLabel::SetTransparent(bool v) { TControl::SetTransparent(v); Invalidate(); }

void TLabel::SetFocusControl(TWinControl* c) {
  if (focusControl_ == c) return;
  if (focusControl_) focusControl_->RemoveFreeNotification(this);
  focusControl_ = c;
  if (c) c->FreeNotification(this);
}

void TLabel::Notification(TComponent* AComponent, bool removing) {
  TGraphicControl::Notification(AComponent, removing);
  if (removing && AComponent == focusControl_) focusControl_ = nullptr;
}

void TLabel::TextChanged() { AdjustBounds(); Invalidate(); }
void TLabel::FontChanged() { TGraphicControl::FontChanged(); AdjustBounds(); Invalidate(); }

static TTextFormat labelFormat(TAlignment a, bool wrap) {
  TTextFormat f;
  f.Include(wrap ? tfWordBreak : tfSingleLine);
  f.Include(a == taCenter ? tfCenter : a == taRightJustify ? tfRight : tfLeft);
  return f;
}

void TLabel::AdjustBounds() {
  if (!autoSize_ || Destroying()) return;
  TBitmap probe(1, 1);
  probe.Canvas()->SetFont(Font());
  String s = Caption().empty() ? String(" ") : Caption();
  TRect r = Rect(0, 0, wordWrap_ ? Width() : 0, 0);
  TTextFormat f = labelFormat(taLeftJustify, wordWrap_);
  f.Include(tfCalcRect);
  probe.Canvas()->DrawText(s, r, f);
  int x = Left();
  if (alignment_ == taRightJustify) x += Width() - r.Right;
  SetBounds(x, Top(), r.Right, r.Bottom);
}

void TLabel::Paint() {
  TCanvas* c = Canvas();
  c->SetFont(Font());
  TRect cr = ClientRect();
  if (!Transparent()) {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(cr);
  }
  c->Brush()->SetStyle(bsClear);
  if (!Enabled()) c->Font()->SetColor(clGrayText);
  String s = Caption();
  TRect r = cr;
  if (layout_ != tlTop) {
    TRect m = Rect(0, 0, wordWrap_ ? cr.Width() : 0, 0);
    TTextFormat mf = labelFormat(alignment_, wordWrap_);
    mf.Include(tfCalcRect);
    c->DrawText(s.empty() ? String(" ") : s, m, mf);
    int dy = cr.Height() - m.Height();
    if (layout_ == tlCenter) dy /= 2;
    r.Top += dy;
  }
  c->DrawText(s, r, labelFormat(alignment_, wordWrap_));
}

// ---------------------------------------------------------------- TButton

TButton::TButton(TComponent* AOwner) : TButton(AOwner, new QPushButton) {}

TButton::TButton(TComponent* AOwner, QPushButton* w) : TWinControl(AOwner) {
  SetWidget(w);
  SetTabStop(true);
  SetBounds(0, 0, 75, 25);
  QObject::connect(w, &QPushButton::clicked, w, [this] { Dispatch([this] { Click(); }); });
  installShortcuts();
}

void TButton::installShortcuts() {
  QWidget* w = Widget();
  auto make = [&](int key, bool forDefault) {
    auto* sc = new QShortcut(QKeySequence(key), w);
    sc->setContext(Qt::WindowShortcut);
    sc->setEnabled(false);
    sc->setObjectName(forDefault ? "default" : "cancel");
    QObject::connect(sc, &QShortcut::activated, w, [this] {
      if (Showing() && InputEnabled()) Dispatch([this] { Click(); });
    });
  };
  make(Qt::Key_Return, true);
  make(Qt::Key_Enter, true);
  make(Qt::Key_Escape, false);
}

static void enableShortcuts(QWidget* w, const char* name, bool on) {
  for (QShortcut* sc : w->findChildren<QShortcut*>())
    if (sc->objectName() == name) sc->setEnabled(on);
}

void TButton::SetDefault(bool v) {
  default_ = v;
  enableShortcuts(Widget(), "default", v);
  if (auto* b = qobject_cast<QPushButton*>(Widget())) b->setDefault(v);
}

void TButton::SetCancel(bool v) {
  cancel_ = v;
  enableShortcuts(Widget(), "cancel", v);
}

void TButton::Click() {
  if (modalResult_ != mrNone)
    if (TCustomForm* f = GetParentForm(this)) f->SetModalResult(modalResult_);
  TWinControl::Click();
}

void TButton::TextChanged() {
  if (auto* b = qobject_cast<QPushButton*>(Widget())) b->setText(QStr(ShownText(Caption())));
  Invalidate();
}

void TButton::EnabledChanged() { Invalidate(); }

// ---------------------------------------------------------------- TEdit

class EditWidget : public QLineEdit {
 public:
  explicit EditWidget(TEdit* e) : edit_(e) {}
  void detach() { edit_ = nullptr; }
 protected:
  void keyPressEvent(QKeyEvent* e) override {
    if (!edit_) { QLineEdit::keyPressEvent(e); return; }
    TShiftState s = tkqt::ShiftState(e->modifiers());
    bool handled = false;
    TEdit* ed = edit_;
    DispatchEvent([&] { handled = ed->WidgetKey(e->key(), s, StdStr(e->text())); });
    if (handled) { e->accept(); return; }
    QLineEdit::keyPressEvent(e);
  }
 private:
  TEdit* edit_;
};

TEdit::TEdit(TComponent* AOwner) : TWinControl(AOwner) {
  auto* w = new EditWidget(this);
  color_ = clWindow;
  SetWidget(w);
  SetTabStop(true);
  SetBounds(0, 0, 121, 21);
  QObject::connect(w, &QLineEdit::textEdited, w, [this](const QString& s) {
    Dispatch([&] { WidgetTextEdited(StdStr(s)); });
  });
}

TEdit::~TEdit() {
  silence(Widget());
  if (auto* w = dynamic_cast<EditWidget*>(Widget())) w->detach();
}

QLineEdit* TEdit::Line() const { return static_cast<QLineEdit*>(Widget()); }

void TEdit::WidgetTextEdited(const String& s) {
  if (s == text_) return;
  text_ = s;
  Modified = true;
  Change();
}

void TEdit::SetText(const String& s) {
  if (s == text_) return;
  {
    QSignalBlocker b(Line());
    Line()->setText(QStr(s));
  }
  // The line keeps at most MaxLength characters; Text is what it shows.
  String shown = StdStr(Line()->text());
  if (shown == text_) return;
  text_ = shown;
  Change();
}

void TEdit::Change() {
  if (OnChange) Dispatch([this] { OnChange(this); });
}

void TEdit::SetMaxLength(int v) {
  maxLength_ = v < 0 ? 0 : v;
  if (dynamic_cast<TCustomMaskEdit*>(this)) {
    Line()->setMaxLength(32767);   // the mask limits the length
    return;
  }
  Line()->setMaxLength(maxLength_ > 0 ? maxLength_ : 32767);
  text_ = StdStr(Line()->text());
}

void TEdit::SetReadOnly(bool v) { readOnly_ = v; Line()->setReadOnly(v); }

int TEdit::SelStart() const { return Line()->hasSelectedText() ? Line()->selectionStart() : Line()->cursorPosition(); }
int TEdit::SelLength() const { return int(Line()->selectedText().size()); }
String TEdit::SelText() const { return StdStr(Line()->selectedText()); }
void TEdit::SetSelStart(int v) { Line()->setCursorPosition(std::max(0, v)); }
void TEdit::SetSelLength(int v) {
  int s = SelStart();
  Line()->setSelection(s, std::max(0, v));
}
void TEdit::SelectAll() { Line()->selectAll(); }

void TEdit::SetBorderStyle(TBorderStyle v) {
  if (v == borderStyle_) return;
  borderStyle_ = v;
  Line()->setFrame(v != bsNone);
}

void TEdit::SetFormatRect(const TRect& r) {
  // The line widget keeps 2 pixels left and right and 1 pixel above its
  // text inside its contents; the margins make up the rest.
  QLineEdit* l = Line();
  const int w = Width(), h = Height();
  l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  l->setTextMargins(std::max(0, r.Left - 2), std::max(0, r.Top - 1), std::max(0, w - r.Right - 2), std::max(0, h - r.Bottom));
}

void TEdit::SetWidgetText(const String& s, int cursor) {
  QSignalBlocker b(Line());
  Line()->setText(QStr(s));
  if (cursor >= 0) Line()->setCursorPosition(cursor);
}

int TEdit::WidgetCursor() const { return Line()->cursorPosition(); }

// ---------------------------------------------------------------- TMemo

namespace {
std::vector<String> splitLines(const String& t) {
  std::vector<String> out;
  size_t start = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] == '\r' || t[i] == '\n') {
      out.push_back(t.substr(start, i - start));
      if (t[i] == '\r' && i + 1 < t.size() && t[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  if (start < t.size()) out.push_back(t.substr(start));
  return out;
}

// Splits a string that holds line breaks into the lines it makes in the editor.
void appendFlat(std::vector<String>& out, const String& s) {
  size_t start = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r' || s[i] == '\n') {
      out.push_back(s.substr(start, i - start));
      if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  out.push_back(s.substr(start));
}

bool hasBreak(const String& s) { return s.find_first_of("\r\n") != String::npos; }

// The memo's lines. They are kept split beside the editor's text, so that
// reading a line costs no split of the whole text; the text is split again
// only after it changed otherwise (typed, SetText). The text alone cannot
// tell a last empty line (or a single empty line) from none, so the lines
// last stored are the lines while the editor still holds the text they made.
// Inside an update bracket the changes go to the kept lines only and reach
// the editor once, at the end of the bracket.
class MemoLines : public TStrings {
 public:
  explicit MemoLines(TMemo* m) : memo_(m) {}
  int Count() const override { return int(lines().size()); }
  String Get(int i) const override {
    const auto& l = lines();
    if (i < 0 || i >= int(l.size())) ListIndexError(i);
    return l[size_t(i)];
  }
  void Put(int i, const String& s) override {
    auto& l = edit();
    if (i < 0 || i >= int(l.size())) ListIndexError(i);
    if (hasBreak(s)) {
      std::vector<String> parts;
      appendFlat(parts, s);
      l[size_t(i)] = parts[0];
      l.insert(l.begin() + i + 1, parts.begin() + 1, parts.end());
    } else {
      l[size_t(i)] = s;
    }
    commit();
  }
  TObject* GetObject(int i) const override { if (i < 0 || i >= Count()) ListIndexError(i); return nullptr; }
  void PutObject(int i, TObject*) override { if (i < 0 || i >= Count()) ListIndexError(i); }
  void Insert(int i, const String& s) override {
    auto& l = edit();
    if (i < 0 || i > int(l.size())) ListIndexError(i);
    if (hasBreak(s)) {
      std::vector<String> parts;
      appendFlat(parts, s);
      l.insert(l.begin() + i, parts.begin(), parts.end());
    } else if (i == int(l.size())) {
      l.push_back(s);
      // A line added at the end reaches the editor alone: adding lines one
      // by one costs in step with the lines added, not with those held.
      if (updateCount_ == 0 && !pending_) {
        storeAlone([&] { memo_->AppendLine(s, l.size() > 1); });
        return;
      }
    } else {
      l.insert(l.begin() + i, s);
    }
    commit();
  }
  void Delete(int i) override {
    auto& l = edit();
    if (i < 0 || i >= int(l.size())) ListIndexError(i);
    if (i == int(l.size()) - 1 && updateCount_ == 0 && !pending_) {
      const String last = std::move(l.back());
      l.pop_back();
      storeAlone([&] { memo_->RemoveLastLine(last, !l.empty()); });
      return;
    }
    l.erase(l.begin() + i);
    commit();
  }
  void Clear() override {
    edit().clear();
    commit();
  }
  int Add(const String& s) override { int n = Count(); Insert(n, s); return n; }
  // The editor's text changed (typed, set whole): the lines come from it again.
  void Forget() {
    if (storing_ || pending_) return;
    valid_ = false;
  }

 protected:
  void SetUpdateState(bool updating) override {
    if (!updating && pending_) store();
  }

 private:
  const std::vector<String>& lines() const {
    if (!valid_) {
      lines_ = splitLines(memo_->Text());
      valid_ = true;
    }
    return lines_;
  }
  std::vector<String>& edit() {
    lines();
    return lines_;
  }
  void commit() {
    if (updateCount_ > 0) {
      pending_ = true;
      return;
    }
    store();
  }
  // One change made to the editor by `change`, the kept lines already
  // holding it.
  template <class Change>
  void storeAlone(Change change) {
    storing_ = true;
    try {
      change();
    } catch (...) {
      storing_ = false;
      valid_ = false;
      throw;
    }
    storing_ = false;
    valid_ = true;
    Changed();
  }
  void store() {
    pending_ = false;
    size_t n = 0;
    for (const String& s : lines_) n += s.size() + 1;
    String t;
    t.reserve(n);
    for (size_t i = 0; i < lines_.size(); ++i) {
      if (i) t += '\n';
      t += lines_[i];
    }
    storing_ = true;
    try {
      memo_->SetText(t);
    } catch (...) {
      storing_ = false;
      throw;
    }
    storing_ = false;
    valid_ = true;
    Changed();
  }
  TMemo* memo_;
  mutable std::vector<String> lines_;
  mutable bool valid_ = false;
  bool pending_ = false, storing_ = false;
};
}  // namespace

TMemo::TMemo(TComponent* AOwner) : TWinControl(AOwner), lines_(std::make_unique<MemoLines>(this)) {
  auto* w = new QPlainTextEdit;
  color_ = clWindow;
  SetWidget(w);
  SetTabStop(true);
  SetBounds(0, 0, 185, 89);
  SetScrollBars(ssNone);
  QObject::connect(w, &QPlainTextEdit::textChanged, w, [this] {
    static_cast<MemoLines*>(lines_.get())->Forget();
    if (OnChange) Dispatch([this] { OnChange(this); });
  });
}

TMemo::~TMemo() { silence(Widget()); }

QPlainTextEdit* TMemo::Editor() const { return static_cast<QPlainTextEdit*>(Widget()); }

const String& TMemo::Text() const {
  textCache_ = StdStr(Editor()->toPlainText());
  return textCache_;
}

void TMemo::SetText(const String& s) {
  static_cast<MemoLines*>(lines_.get())->Forget();
  String t;
  t.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r') { t += '\n'; if (i + 1 < s.size() && s[i + 1] == '\n') ++i; }
    else t += s[i];
  }
  if (t == Text()) return;
  text_ = t;
  Editor()->setPlainText(QStr(t));
}

void TMemo::AppendLine(const String& s, bool afterOthers) {
  QTextDocument* doc = Editor()->document();
  // As a text set whole, the change leaves nothing to undo.
  const bool undo = doc->isUndoRedoEnabled();
  doc->setUndoRedoEnabled(false);
  QTextCursor c(doc);
  c.movePosition(QTextCursor::End);
  if (afterOthers) c.insertBlock();
  c.insertText(QStr(s));
  doc->setUndoRedoEnabled(undo);
  if (afterOthers) text_ += '\n';
  text_ += s;
}

void TMemo::RemoveLastLine(const String& last, bool afterOthers) {
  QTextDocument* doc = Editor()->document();
  const bool undo = doc->isUndoRedoEnabled();
  doc->setUndoRedoEnabled(false);
  QTextCursor c(doc);
  c.movePosition(QTextCursor::End);
  const int end = c.position();
  const int n = int(QStr(last).size()) + (afterOthers ? 1 : 0);
  c.setPosition(std::max(0, end - n), QTextCursor::KeepAnchor);
  c.removeSelectedText();
  doc->setUndoRedoEnabled(undo);
  const size_t cut = last.size() + (afterOthers ? 1 : 0);
  if (text_.size() >= cut) text_.resize(text_.size() - cut);
  else text_.clear();
}

void TMemo::SetScrollBars(TScrollStyle v) {
  scrollBars_ = v;
  bool h = v == ssHorizontal || v == ssBoth, vert = v == ssVertical || v == ssBoth;
  Editor()->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  Editor()->setVerticalScrollBarPolicy(vert ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TMemo::SetWordWrap(bool v) {
  wordWrap_ = v;
  Editor()->setLineWrapMode(v ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TMemo::SetReadOnly(bool v) { readOnly_ = v; Editor()->setReadOnly(v); }

// ---------------------------------------------------------------- item store

// The strings of a combo or list box; every change is mirrored to the widget.
// Inside an update bracket (as TStrings::Move uses) a deleted line is kept
// by the widget, and inserting the same text again brings that very line
// back, so what the widget keeps per line (a check mark) moves with it.
class TItemStore : public TStrings {
 public:
  // opBeginBatch/opEndBatch bracket the changes of an update bracket: the
  // control mirrors each line but moves its selection and redraws once.
  enum Op { opInsert, opDelete, opPut, opClear, opTake, opReinsert, opDropKept, opBeginBatch, opEndBatch };
  using Mirror = std::function<void(Op, int, const String&)>;
  explicit TItemStore(Mirror m) : mirror_(std::move(m)) {}
  int Count() const override { return int(items_.size()); }
  String Get(int i) const override { check(i); return items_[size_t(i)].s; }
  void Put(int i, const String& s) override {
    check(i);
    if (sorted_) { TObject* o = items_[size_t(i)].o; Delete(i); AddObject(s, o); return; }
    items_[size_t(i)].s = s;
    mirror_(opPut, i, s);
    Changed();
  }
  TObject* GetObject(int i) const override { check(i); return items_[size_t(i)].o; }
  void PutObject(int i, TObject* o) override { check(i); items_[size_t(i)].o = o; }
  void Insert(int i, const String& s) override {
    if (i < 0 || i > Count()) ListIndexError(i);
    items_.insert(items_.begin() + i, Item{s, nullptr});
    if (kept_ && keptText_ == s) {
      kept_ = false;
      mirror_(opReinsert, i, s);
    } else {
      mirror_(opInsert, i, s);
    }
    Changed();
  }
  void Delete(int i) override {
    check(i);
    dropKept();
    String s = items_[size_t(i)].s;
    items_.erase(items_.begin() + i);
    if (updateCount_ > 0) {
      kept_ = true;
      keptText_ = s;
      mirror_(opTake, i, s);
    } else {
      mirror_(opDelete, i, String());
    }
    Changed();
  }
  void Clear() override {
    dropKept();
    if (items_.empty()) return;
    items_.clear();
    mirror_(opClear, -1, String());
    Changed();
  }
  int Add(const String& s) override {
    int i = Count();
    if (sorted_) {
      i = int(std::upper_bound(items_.begin(), items_.end(), s,
                               [](const String& a, const Item& b) { return CompareText(a, b.s) < 0; }) -
              items_.begin());
    }
    Insert(i, s);
    return i;
  }
  bool Sorted() const { return sorted_; }
  void SetSorted(bool v) {
    if (sorted_ == v) return;
    sorted_ = v;
    if (!v || items_.empty()) return;
    std::vector<Item> old = items_;
    std::stable_sort(old.begin(), old.end(), [](const Item& a, const Item& b) { return CompareText(a.s, b.s) < 0; });
    BeginUpdate();
    dropKept();
    items_.clear();
    mirror_(opClear, -1, String());
    for (size_t i = 0; i < old.size(); ++i) {
      items_.push_back(old[i]);
      mirror_(opInsert, int(i), old[i].s);
    }
    EndUpdate();
  }
 protected:
  void Changed() override {
    if (updateCount_ == 0) dropKept();
    TStrings::Changed();
  }
  void SetUpdateState(bool updating) override {
    if (!updating) dropKept();
    mirror_(updating ? opBeginBatch : opEndBatch, -1, String());
  }
 private:
  void dropKept() {
    if (!kept_) return;
    kept_ = false;
    mirror_(opDropKept, -1, String());
  }
  void check(int i) const { if (i < 0 || i >= Count()) ListIndexError(i); }
  struct Item { String s; TObject* o = nullptr; };
  std::vector<Item> items_;
  Mirror mirror_;
  bool sorted_ = false, kept_ = false;
  String keptText_;
};

// Index i after an item was inserted at or deleted from position at.
static int shiftIndex(int idx, TItemStore::Op op, int at) {
  if (idx < 0) return idx;
  switch (op) {
    case TItemStore::opInsert: case TItemStore::opReinsert: return at <= idx ? idx + 1 : idx;
    case TItemStore::opDelete: case TItemStore::opTake: return at == idx ? -1 : at < idx ? idx - 1 : idx;
    case TItemStore::opClear: return -1;
    default: return idx;
  }
}

static TOwnerDrawState stateOf(const QStyleOptionViewItem& opt, bool enabled) {
  TOwnerDrawState st;
  if (opt.state & QStyle::State_Selected) st.Include(odSelected);
  if (opt.state & QStyle::State_HasFocus) st.Include(odFocused);
  if (!enabled) st.Include(odDisabled);
  return st;
}

// ---------------------------------------------------------------- TComboBox

namespace {
class ComboWidget : public QComboBox {
 public:
  explicit ComboWidget(TComboBox* c) : cb_(c) {}
  void detach() { cb_ = nullptr; }
  void showPopup() override {
    if (!cb_) { QComboBox::showPopup(); return; }
    TComboBox* c = cb_;
    DispatchEvent([c] { c->DropDownShown(true); });
    QComboBox::showPopup();
  }
  void hidePopup() override {
    QComboBox::hidePopup();
    if (!cb_) return;
    TComboBox* c = cb_;
    DispatchEvent([c] { c->DropDownShown(false); });
  }
 protected:
  void paintEvent(QPaintEvent* e) override {
    if (!cb_ || (cb_->Style() != csOwnerDrawFixed && cb_->Style() != csOwnerDrawVariable)) {
      QComboBox::paintEvent(e);
      return;
    }
    QStylePainter p(this);
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    opt.currentText.clear();
    opt.currentIcon = QIcon();
    p.drawComplexControl(QStyle::CC_ComboBox, opt);
    QRect r = style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
    if (cb_->ItemIndex() >= 0 && r.isValid()) {
      TOwnerDrawState st{odComboBoxEdit};
      if (hasFocus()) st.Include(odSelected).Include(odFocused);
      if (!isEnabled()) st.Include(odDisabled);
      CanvasPatch patch(cb_->Canvas(), r, cb_->Font(), st.Contains(odSelected) ? clHighlight : cb_->Color());
      if (st.Contains(odSelected)) cb_->Canvas()->Font()->SetColor(clHighlightText);
      TComboBox* c = cb_;
      int idx = c->ItemIndex();
      DispatchEvent([&] { c->DrawItem(idx, patch.Rect(), st); });
      patch.PaintOn(p);
    }
  }
 private:
  TComboBox* cb_;
};

// A combo's list drops below the field showing DropDownCount rows, as on the
// platform, also in styles whose own habit is a menu of every item around the
// current one.
class ComboPopupStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint h, const QStyleOption* o, const QWidget* w, QStyleHintReturn* r) const override {
    if (h == QStyle::SH_ComboBox_Popup) return 0;
    return QProxyStyle::styleHint(h, o, w, r);
  }
};

QStyle* comboPopupStyle() {
  static QPointer<QStyle> style;
  if (!style) {
    style = new ComboPopupStyle;
    style->setParent(QCoreApplication::instance());
  }
  return style;
}

// Paints owner-drawn items of a combo's list.
class ComboListDelegate : public QStyledItemDelegate {
 public:
  ComboListDelegate(TComboBox* c, QObject* parent) : QStyledItemDelegate(parent), cb_(c) {}
  void paint(QPainter* p, const QStyleOptionViewItem& opt, const QModelIndex& idx) const override {
    if (cb_->Style() != csOwnerDrawFixed && cb_->Style() != csOwnerDrawVariable) {
      QStyledItemDelegate::paint(p, opt, idx);
      return;
    }
    TOwnerDrawState st = stateOf(opt, cb_->Enabled());
    bool sel = st.Contains(odSelected);
    CanvasPatch patch(cb_->Canvas(), opt.rect, cb_->Font(), sel ? clHighlight : cb_->Color());
    if (sel) cb_->Canvas()->Font()->SetColor(clHighlightText);
    TComboBox* c = cb_;
    int row = idx.row();
    DispatchEvent([&] { c->DrawItem(row, patch.Rect(), st); });
    patch.PaintOn(*p);
  }
  QSize sizeHint(const QStyleOptionViewItem& opt, const QModelIndex& idx) const override {
    if (cb_->Style() == csOwnerDrawFixed || cb_->Style() == csOwnerDrawVariable)
      return QSize(std::max(1, opt.rect.width()), cb_->ItemHeight());
    return QStyledItemDelegate::sizeHint(opt, idx);
  }
 private:
  TComboBox* cb_;
};
}  // namespace

TComboBox::TComboBox(TComponent* AOwner)
    : TWinControl(AOwner), itemCanvas_(std::make_unique<TCanvas>()) {
  items_ = std::make_unique<TItemStore>([this](TItemStore::Op op, int i, const String& s) {
    QComboBox* c = Combo();
    QSignalBlocker b(c);
    int idx = shiftIndex(itemIndex_, op, i);
    switch (op) {
      case TItemStore::opInsert: case TItemStore::opReinsert: c->insertItem(i, QStr(ShownText(s))); break;
      case TItemStore::opDelete: case TItemStore::opTake: c->removeItem(i); break;
      case TItemStore::opPut: c->setItemText(i, QStr(ShownText(s))); break;
      case TItemStore::opClear: c->clear(); break;
      case TItemStore::opDropKept: return;
      case TItemStore::opBeginBatch: batch_ = true; return;
      case TItemStore::opEndBatch: batch_ = false; break;
    }
    itemIndex_ = idx;
    if (batch_) return;
    c->setCurrentIndex(itemIndex_);
    if (style_ == csDropDown || style_ == csSimple) {
      if (op == TItemStore::opClear) text_.clear();
      c->setEditText(QStr(text_));
    } else {
      text_ = itemIndex_ >= 0 ? items_->Get(itemIndex_) : String();
    }
    ItemsChanged();
  });
  auto* w = new ComboWidget(this);
  w->setStyle(comboPopupStyle());
  w->setItemDelegate(new ComboListDelegate(this, w));
  color_ = clWindow;
  SetWidget(w);
  SetTabStop(true);
  SetBounds(0, 0, 145, 21);
  SetStyle(csDropDown);
  w->setMaxVisibleItems(dropDownCount_);
  QObject::connect(w, qOverload<int>(&QComboBox::activated), w, [this](int i) {
    Dispatch([&] { WidgetActivated(i); });
  });
}

TComboBox::~TComboBox() {
  silence(Widget());
  if (QLineEdit* le = Combo()->lineEdit()) le->blockSignals(true);
  if (auto* w = dynamic_cast<ComboWidget*>(Widget())) w->detach();
}

QComboBox* TComboBox::Combo() const { return static_cast<QComboBox*>(Widget()); }
TStrings* TComboBox::Items() const { return items_.get(); }

void TComboBox::SetItemIndex(int i) {
  if (i < 0 || i >= items_->Count()) i = -1;
  itemIndex_ = i;
  QSignalBlocker b(Combo());
  Combo()->setCurrentIndex(i);
  if (i >= 0) text_ = items_->Get(i);
  else if (style_ != csDropDown && style_ != csSimple) text_.clear();
  if (Combo()->isEditable()) Combo()->setEditText(QStr(text_));
  Combo()->update();
}

void TComboBox::SetText(const String& s) {
  int i = items_->IndexOf(s);
  if (style_ == csDropDown || style_ == csSimple) {
    if (i >= 0 && items_->Get(i) != s) i = -1;
    itemIndex_ = i;
    text_ = s;
    QSignalBlocker b(Combo());
    Combo()->setCurrentIndex(i);
    Combo()->setEditText(QStr(s));
  } else {
    SetItemIndex(i);
  }
}

void TComboBox::SetStyle(TComboBoxStyle s) {
  style_ = s;
  QSignalBlocker b(Combo());
  bool editable = s == csDropDown || s == csSimple;
  Combo()->setEditable(editable);
  if (editable) {
    QLineEdit* le = Combo()->lineEdit();
    QObject::connect(le, &QLineEdit::textEdited, le, [this](const QString& t) {
      Dispatch([&] { WidgetEdited(StdStr(t)); });
    });
    Combo()->setEditText(QStr(text_));
  } else {
    text_ = itemIndex_ >= 0 ? items_->Get(itemIndex_) : String();
  }
  Combo()->setCurrentIndex(itemIndex_);
  Combo()->update();
}

void TComboBox::ShownTextsChanged() {
  QSignalBlocker b(Combo());
  for (int i = 0; i < items_->Count() && i < Combo()->count(); ++i) Combo()->setItemText(i, QStr(ShownText(items_->Get(i))));
  Combo()->update();
}

void TComboBox::SetDropDownCount(int v) { dropDownCount_ = v; Combo()->setMaxVisibleItems(std::max(1, v)); }
bool TComboBox::Sorted() const { return items_->Sorted(); }
void TComboBox::SetSorted(bool v) { items_->SetSorted(v); }
void TComboBox::SetItemHeight(int v) { itemHeight_ = std::max(1, v); Combo()->update(); }
bool TComboBox::DroppedDown() const { return Combo()->view()->isVisible(); }
void TComboBox::SetDroppedDown(bool v) { if (v) Combo()->showPopup(); else Combo()->hidePopup(); }

void TComboBox::Clear() {
  items_->Clear();
  text_.clear();
  QSignalBlocker b(Combo());
  Combo()->setEditText(QString());
}

void TComboBox::ItemsChanged() { Combo()->update(); }

void TComboBox::DrawItem(int index, const TRect& r, TOwnerDrawState st) {
  if (OnDrawItem) {
    OnDrawItem(this, index, r, st);
    return;
  }
  TCanvas* c = Canvas();
  c->FillRect(r);
  if (index >= 0 && index < items_->Count()) c->TextOut(r.Left + 2, r.Top, items_->Get(index));
}

void TComboBox::WidgetActivated(int index) {
  if (index == itemIndex_ && text_ == (index >= 0 ? items_->Get(index) : text_)) return;
  itemIndex_ = index;
  text_ = index >= 0 ? items_->Get(index) : String();
  if (OnChange) OnChange(this);
  if (OnSelect) OnSelect(this);
}

void TComboBox::WidgetEdited(const String& s) {
  text_ = s;
  int i = items_->IndexOf(s);
  itemIndex_ = (i >= 0 && items_->Get(i) == s) ? i : -1;
  if (OnChange) OnChange(this);
}

void TComboBox::DropDownShown(bool shown) {
  if (Destroying()) return;   // hidden with its form on the way out
  if (shown) { if (OnDropDown) OnDropDown(this); }
  else if (OnCloseUp) OnCloseUp(this);
}

// ---------------------------------------------------------------- TListBox

namespace {
class ListDelegate : public QStyledItemDelegate {
 public:
  ListDelegate(TListBox* l, QObject* parent) : QStyledItemDelegate(parent), lb_(l) {}
  void paint(QPainter* p, const QStyleOptionViewItem& opt, const QModelIndex& idx) const override {
    TOwnerDrawState st = stateOf(opt, lb_->Enabled());
    if (idx.data(Qt::CheckStateRole).isValid()) {
      auto cs = Qt::CheckState(idx.data(Qt::CheckStateRole).toInt());
      if (cs == Qt::Checked) st.Include(odChecked);
      if (cs == Qt::PartiallyChecked) st.Include(odGrayed);
    }
    bool sel = st.Contains(odSelected);
    // A disabled list shows its lines greyed, its selection without the
    // highlight colour.
    const bool off = st.Contains(odDisabled);
    CanvasPatch patch(lb_->Canvas(), opt.rect, lb_->Font(), sel ? (off ? clBtnFace : clHighlight) : lb_->Color());
    if (off)
      lb_->Canvas()->Font()->SetColor(clGrayText);
    else if (sel)
      lb_->Canvas()->Font()->SetColor(clHighlightText);
    TListBox* l = lb_;
    int row = idx.row();
    DispatchEvent([&] { l->DrawItem(row, patch.Rect(), st); });
    patch.PaintOn(*p);
  }
  QSize sizeHint(const QStyleOptionViewItem& opt, const QModelIndex& idx) const override {
    int h = 0;
    TListBox* l = lb_;
    int row = idx.row();
    DispatchEvent([&] { h = l->MeasureItem(row); });
    return QSize(std::max(1, opt.rect.width()), std::max(1, h));
  }
 private:
  TListBox* lb_;
};
}  // namespace

// Hands the mouse events of a list's item area to the list box.
class ListViewportFilter : public QObject {
 public:
  ListViewportFilter(QObject* parent, TListBox* l) : QObject(parent), lb_(l) {}
  bool eventFilter(QObject*, QEvent* e) override {
    int kind = -1;
    switch (e->type()) {
      case QEvent::MouseButtonPress: kind = 0; break;
      case QEvent::MouseMove: kind = 1; break;
      case QEvent::MouseButtonRelease: kind = 2; break;
      case QEvent::MouseButtonDblClick: kind = 3; break;
      default: return false;
    }
    if (!lb_->InputEnabled()) return false;
    auto* me = static_cast<QMouseEvent*>(e);
    TMouseButton b = me->button() == Qt::RightButton ? mbRight : me->button() == Qt::MiddleButton ? mbMiddle : mbLeft;
    TShiftState s = tkqt::ShiftState(me->modifiers(), me->buttons());
    QPoint p = me->position().toPoint();
    TListBox* l = lb_;
    DispatchEvent([&] { l->ViewportMouse(kind, b, s, p.x(), p.y()); });
    return false;
  }
 private:
  TListBox* lb_;
};

TListBox::TListBox(TComponent* AOwner) : TWinControl(AOwner), itemCanvas_(std::make_unique<TCanvas>()) {
  items_ = std::make_unique<TItemStore>([this](TItemStore::Op op, int i, const String& s) {
    QListWidget* w = List();
    QSignalBlocker b(w);
    switch (op) {
      case TItemStore::opInsert: w->insertItem(i, QStr(ShownText(s))); break;
      case TItemStore::opDelete: {
        QListWidgetItem* gone = w->takeItem(i);
        dropPendingSelection(gone);
        delete gone;
        break;
      }
      case TItemStore::opTake:
        delete keptItem_;
        keptItem_ = w->takeItem(i);
        dropPendingSelection(keptItem_);
        break;
      case TItemStore::opReinsert:
        if (keptItem_) w->insertItem(i, keptItem_);
        else w->insertItem(i, QStr(ShownText(s)));
        keptItem_ = nullptr;
        break;
      case TItemStore::opDropKept:
        delete keptItem_;
        keptItem_ = nullptr;
        return;
      case TItemStore::opPut: if (auto* it = w->item(i)) it->setText(QStr(ShownText(s))); break;
      case TItemStore::opClear: pendingSelection_.clear(); w->clear(); break;
      case TItemStore::opBeginBatch:
        batch_ = true;
        w->setUpdatesEnabled(false);
        return;
      case TItemStore::opEndBatch:
        batch_ = false;
        applyPendingSelection();
        w->setUpdatesEnabled(true);
        break;
    }
    if (op == TItemStore::opInsert) ItemInserted(w->item(i));
    lastIndex_ = shiftIndex(lastIndex_, op, i);
    if (batch_) return;
    if (op != TItemStore::opPut) {
      if (!multiSelect_) {
        w->setCurrentRow(lastIndex_, lastIndex_ >= 0 ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::Clear);
        if (lastIndex_ < 0) { w->clearSelection(); w->setCurrentItem(nullptr); }
      }
    }
    ItemsChanged();
  });
  auto* w = new QListWidget;
  w->setItemDelegate(new ListDelegate(this, w));
  // Lines of one height are laid out from the first line's size alone.
  w->setUniformItemSizes(true);
  // As on the platform, a list box has no horizontal scroll bar: a line
  // wider than the box is cut at its edge (and a box made narrower after it
  // was filled does not grow a bar that covers its last line).
  w->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  color_ = clWindow;
  SetWidget(w);
  SetTabStop(true);
  SetBounds(0, 0, 121, 97);
  applySelectionMode();
  viewportFilter_ = new ListViewportFilter(w, this);
  w->viewport()->installEventFilter(viewportFilter_);
  QObject::connect(w, &QListWidget::itemSelectionChanged, w, [this] { Dispatch([this] { WidgetSelectionChanged(); }); });
}

void TListBox::ShownTextsChanged() {
  QSignalBlocker b(List());
  for (int i = 0; i < items_->Count(); ++i)
    if (QListWidgetItem* it = List()->item(i)) it->setText(QStr(ShownText(items_->Get(i))));
}

TListBox::~TListBox() {
  silence(Widget());
  delete viewportFilter_;
  delete keptItem_;
}

QListWidget* TListBox::List() const { return static_cast<QListWidget*>(Widget()); }
TStrings* TListBox::Items() const { return items_.get(); }

void TListBox::applySelectionMode() {
  QListWidget* w = List();
  QSignalBlocker b(w);
  w->setSelectionMode(!multiSelect_ ? QAbstractItemView::SingleSelection
                      : extendedSelect_ ? QAbstractItemView::ExtendedSelection
                                        : QAbstractItemView::MultiSelection);
}

int TListBox::ItemIndex() const {
  int r = List()->currentRow();
  if (!multiSelect_ && r >= 0 && !List()->item(r)->isSelected()) return -1;
  return r;
}

void TListBox::SetItemIndex(int i) {
  if (i < 0 || i >= Count()) i = -1;
  QListWidget* w = List();
  QSignalBlocker b(w);
  if (i < 0) {
    if (!multiSelect_) w->clearSelection();
    w->setCurrentItem(nullptr);
  } else {
    w->setCurrentRow(i, multiSelect_ ? QItemSelectionModel::NoUpdate : QItemSelectionModel::ClearAndSelect);
    if (multiSelect_) w->item(i)->setSelected(true);
    w->scrollToItem(w->item(i));
  }
  lastIndex_ = i;
  w->viewport()->update();
}

void TListBox::SetMultiSelect(bool v) {
  if (multiSelect_ == v) return;
  int idx = ItemIndex();
  multiSelect_ = v;
  applySelectionMode();
  if (!v) SetItemIndex(idx);
}

void TListBox::SetExtendedSelect(bool v) { extendedSelect_ = v; applySelectionMode(); }

bool TListBox::Selected(int i) const {
  if (i < 0 || i >= Count()) ListIndexError(i);
  QListWidgetItem* it = List()->item(i);
  for (auto p = pendingSelection_.rbegin(); p != pendingSelection_.rend(); ++p)
    if (p->first == it) return p->second;
  return it->isSelected();
}

void TListBox::dropPendingSelection(QListWidgetItem* item) {
  if (pendingSelection_.empty()) return;
  std::erase_if(pendingSelection_, [item](const auto& p) { return p.first == item; });
}

void TListBox::applyPendingSelection() {
  if (pendingSelection_.empty()) return;
  std::unordered_map<QListWidgetItem*, bool> want;
  for (const auto& [item, on] : pendingSelection_) want[item] = on;
  pendingSelection_.clear();
  QListWidget* w = List();
  QItemSelection select, deselect;
  auto addRun = [w](QItemSelection& sel, int from, int to) {
    sel.select(w->model()->index(from, 0), w->model()->index(to, 0));
  };
  int runStart = -1, runState = -1;   // a run of rows that get the same mark
  for (int r = 0; r <= w->count(); ++r) {
    int state = -1;
    if (r < w->count()) {
      auto f = want.find(w->item(r));
      if (f != want.end()) state = f->second ? 1 : 0;
    }
    if (state != runState) {
      if (runState >= 0) addRun(runState ? select : deselect, runStart, r - 1);
      runStart = r;
      runState = state;
    }
  }
  QSignalBlocker b(w);
  if (!deselect.isEmpty()) w->selectionModel()->select(deselect, QItemSelectionModel::Deselect);
  if (!select.isEmpty()) w->selectionModel()->select(select, QItemSelectionModel::Select);
}

void TListBox::SetSelected(int i, bool v) {
  if (i < 0 || i >= Count()) ListIndexError(i);
  QListWidget* w = List();
  QSignalBlocker b(w);
  if (!multiSelect_) {
    if (v) { w->setCurrentRow(i, QItemSelectionModel::ClearAndSelect); lastIndex_ = i; }
    else if (w->item(i)->isSelected()) { w->clearSelection(); w->setCurrentItem(nullptr); lastIndex_ = -1; }
  } else if (batch_) {
    pendingSelection_.emplace_back(w->item(i), v);
    return;
  } else {
    w->item(i)->setSelected(v);
  }
  w->viewport()->update();
}

int TListBox::SelCount() const {
  if (!multiSelect_) return -1;
  int n = 0;
  for (int i = 0; i < Count(); ++i) if (List()->item(i)->isSelected()) ++n;
  return n;
}

void TListBox::ClearSelection() {
  pendingSelection_.clear();
  QSignalBlocker b(List());
  List()->clearSelection();
  if (!multiSelect_) { List()->setCurrentItem(nullptr); lastIndex_ = -1; }
}

void TListBox::SelectAll() {
  if (!multiSelect_) return;
  pendingSelection_.clear();
  QSignalBlocker b(List());
  List()->selectAll();
}

int TListBox::TopIndex() const {
  QModelIndex i = List()->indexAt(QPoint(1, 1));
  return i.isValid() ? i.row() : 0;
}

void TListBox::SetTopIndex(int i) {
  if (i < 0 || i >= Count()) return;
  List()->scrollToItem(List()->item(i), QAbstractItemView::PositionAtTop);
}

void TListBox::SetStyle(TListBoxStyle s) {
  style_ = s;
  List()->setUniformItemSizes(s != lbOwnerDrawVariable);
  List()->doItemsLayout();
  List()->viewport()->update();
}

void TListBox::FontChanged() {
  standardHeight_ = -1;
  TWinControl::FontChanged();
  if (List()) List()->doItemsLayout();
}

void TListBox::SetItemHeight(int v) {
  itemHeight_ = std::max(1, v);
  standardHeight_ = -1;
  List()->doItemsLayout();
  List()->viewport()->update();
}

bool TListBox::Sorted() const { return items_->Sorted(); }
void TListBox::SetSorted(bool v) { items_->SetSorted(v); }

TRect TListBox::ItemRect(int i) const {
  if (i < 0 || i >= Count()) return TRect();
  return stdctl::TRectOf(List()->visualItemRect(List()->item(i)));
}

int TListBox::ItemAtPos(const TPoint& p, bool existing) const {
  QModelIndex i = List()->indexAt(QPoint(p.X, p.Y));
  if (i.isValid()) return i.row();
  return existing ? -1 : Count();
}

void TListBox::Clear() { items_->Clear(); lastIndex_ = -1; }

void TListBox::ItemsChanged() { List()->viewport()->update(); }

int TListBox::MeasureItem(int index) {
  if (style_ == lbStandard) {
    if (standardHeight_ < 0) {
      TBitmap probe(1, 1);
      probe.Canvas()->SetFont(Font());
      standardHeight_ = std::max(itemHeight_, probe.Canvas()->TextHeight("Wg") + 2);
    }
    return standardHeight_;
  }
  int h = itemHeight_;
  if (style_ == lbOwnerDrawVariable && OnMeasureItem) OnMeasureItem(this, index, h);
  return h;
}

void TListBox::DrawItem(int index, const TRect& r, TOwnerDrawState st) {
  if (style_ != lbStandard && OnDrawItem) {
    OnDrawItem(this, index, r, st);
    return;
  }
  DefaultDrawItem(index, r, st);
}

void TListBox::DefaultDrawItem(int index, const TRect& r, TOwnerDrawState st) {
  (void)st;
  TCanvas* c = Canvas();
  c->FillRect(r);
  if (index >= 0 && index < Count()) {
    TRect tr = r;
    tr.Left += 2;
    c->DrawText(items_->Get(index), tr, TTextFormat{tfLeft, tfVerticalCenter, tfSingleLine, tfNoPrefix});
  }
}

void TListBox::WidgetSelectionChanged() {
  int i = ItemIndex();
  if (!multiSelect_) {
    if (i == lastIndex_) return;
  }
  lastIndex_ = i;
  if (OnClick) OnClick(this);
}

void TListBox::ViewportMouse(int kind, TMouseButton b, TShiftState s, int x, int y) {
  switch (kind) {
    case 0:
      if (b == mbLeft) pressIndex_ = ItemIndex();
      MouseDown(b, s, x, y);
      break;
    case 1: MouseMove(s, x, y); break;
    case 2:
      MouseUp(b, s, x, y);
      // A click on the line already selected is a click too (a changed
      // selection has told it already).
      if (b == mbLeft && !multiSelect_ && pressIndex_ >= 0 && ItemIndex() == pressIndex_ &&
          ItemAtPos(TPoint(x, y), true) == pressIndex_ && OnClick)
        OnClick(this);
      pressIndex_ = -1;
      break;
    case 3: if (b == mbLeft) DblClick(); break;
  }
}

// ---------------------------------------------------------------- TCheckBox

namespace {
class CheckWidget : public QCheckBox {
 public:
  explicit CheckWidget(TCheckBox* c) : cb_(c) {}
 protected:
  void nextCheckState() override {
    TCheckBox* c = cb_;
    DispatchEvent([c] { c->WidgetToggled(); });
  }
 private:
  TCheckBox* cb_;
};

class RadioWidget : public QRadioButton {
 public:
  explicit RadioWidget(TRadioButton* r) : rb_(r) { setAutoExclusive(false); }
 protected:
  void nextCheckState() override {
    TRadioButton* r = rb_;
    DispatchEvent([r] { r->WidgetClicked(); });
  }
 private:
  TRadioButton* rb_;
};

Qt::CheckState qtState(TCheckBoxState s) {
  return s == cbChecked ? Qt::Checked : s == cbGrayed ? Qt::PartiallyChecked : Qt::Unchecked;
}
}  // namespace

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner) {
  SetWidget(new CheckWidget(this));
  SetTabStop(true);
  SetBounds(0, 0, 97, 17);
}

void TCheckBox::SetState(TCheckBoxState s) {
  if (s == state_) return;
  state_ = s;
  auto* w = static_cast<QCheckBox*>(Widget());
  {
    QSignalBlocker b(w);
    w->setTristate(allowGrayed_ || s == cbGrayed);
    w->setCheckState(qtState(s));
  }
  if (OnClick) Dispatch([this] { OnClick(this); });
}

void TCheckBox::SetAllowGrayed(bool v) {
  allowGrayed_ = v;
  static_cast<QCheckBox*>(Widget())->setTristate(v || state_ == cbGrayed);
}

void TCheckBox::SetAlignment(TAlignment a) {
  alignment_ = a;
  Widget()->setLayoutDirection(a == taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
}

void TCheckBox::WidgetToggled() {
  TCheckBoxState next = state_ == cbUnchecked ? cbChecked
                        : state_ == cbChecked ? (allowGrayed_ ? cbGrayed : cbUnchecked)
                                              : cbUnchecked;
  SetState(next);
}

void TCheckBox::TextChanged() {
  static_cast<QCheckBox*>(Widget())->setText(QStr(ShownText(Caption())));
}

// ---------------------------------------------------------------- TRadioButton

TRadioButton::TRadioButton(TComponent* AOwner) : TWinControl(AOwner) {
  SetWidget(new RadioWidget(this));
  SetTabStop(true);
  SetBounds(0, 0, 113, 17);
}

void TRadioButton::SetChecked(bool v) {
  if (checked_ == v) return;
  checked_ = v;
  {
    auto* w = static_cast<QRadioButton*>(Widget());
    QSignalBlocker b(w);
    w->setChecked(v);
  }
  if (!v) return;
  if (TWinControl* p = Parent()) {
    for (int i = 0; i < p->ControlCount(); ++i) {
      auto* r = dynamic_cast<TRadioButton*>(p->Controls(i));
      if (r && r != this && r->checked_) {
        r->checked_ = false;
        auto* w = static_cast<QRadioButton*>(r->Widget());
        QSignalBlocker b(w);
        w->setChecked(false);
      }
    }
  }
  if (OnClick) Dispatch([this] { OnClick(this); });
}

void TRadioButton::WidgetClicked() { SetChecked(true); }

void TRadioButton::TextChanged() {
  static_cast<QRadioButton*>(Widget())->setText(QStr(ShownText(Caption())));
}

// ---------------------------------------------------------------- TGroupBox

TGroupBox::TGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
  SetBounds(0, 0, 185, 105);
}

int TGroupBox::captionHeight() const {
  TBitmap probe(1, 1);
  probe.Canvas()->SetFont(Font());
  return probe.Canvas()->TextHeight("0");
}

TRect TGroupBox::AlignRect() const {
  TRect r = ClientRect();
  r.Top += captionHeight();
  r.Left += 2; r.Top += 2; r.Right -= 2; r.Bottom -= 2;
  return r;
}

void TGroupBox::Paint() {
  TCanvas* c = Canvas();
  c->SetFont(Font());
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  int h = c->TextHeight("0");
  TRect r = Rect(0, h / 2 - 1, Width(), Height());
  c->Brush()->SetStyle(bsClear);
  c->Pen()->SetColor(clBtnHighlight);
  c->Rectangle(r.Left + 1, r.Top + 1, r.Right, r.Bottom);
  c->Pen()->SetColor(clBtnShadow);
  c->Rectangle(r.Left, r.Top, r.Right - 1, r.Bottom - 1);
  if (!Caption().empty()) {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    if (!Enabled()) c->Font()->SetColor(clGrayText);
    c->TextOut(8, 0, Caption());
  }
}
