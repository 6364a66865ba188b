// The masked edit and its mask language (see Mask.h).
#include "toolkit/Mask.h"

#include <QApplication>
#include <QChar>
#include <QClipboard>
#include <QLineEdit>
#include <QString>
#include "toolkit/StdWidgets_p.h"

namespace {
std::u32string U32(const String& s) {
  QList<uint> v = stdctl::QStr(s).toUcs4();
  return std::u32string(v.begin(), v.end());
}
String U8(const std::u32string& s) {
  return stdctl::StdStr(QString::fromUcs4(s.data(), qsizetype(s.size())));
}
bool isLetter(char32_t c) { return c < 0x110000 && QChar::isLetter(c); }
bool isDigit(char32_t c) { return c >= U'0' && c <= U'9'; }
char32_t upper(char32_t c) { return c < 0x110000 ? QChar::toUpper(c) : c; }
char32_t lower(char32_t c) { return c < 0x110000 ? QChar::toLower(c) : c; }
}  // namespace

TEditMask::TEditMask(const String& mask) {
  std::u32string m = U32(mask);
  // Fields are separated by ';' that no '\' escapes.
  std::vector<std::u32string> fields(1);
  for (size_t i = 0; i < m.size(); ++i) {
    if (m[i] == U'\\' && i + 1 < m.size()) { fields.back() += m[i]; fields.back() += m[++i]; continue; }
    if (m[i] == U';' && fields.size() < 3) { fields.emplace_back(); continue; }
    fields.back() += m[i];
  }
  if (fields.size() > 1 && !fields[1].empty()) saveLiterals_ = fields[1][0] != U'0';
  if (fields.size() > 2 && !fields[2].empty()) blank_ = fields[2][0];
  int casing = 0;
  const std::u32string& f = fields[0];
  for (size_t i = 0; i < f.size(); ++i) {
    char32_t c = f[i];
    Pos p;
    switch (c) {
      case U'!': rightAligned_ = true; continue;
      case U'>':
        if (i + 1 < f.size() && f[i + 1] == U'<') { casing = 0; ++i; } else casing = 1;
        continue;
      case U'<': casing = 2; continue;
      case U'\\':
        if (i + 1 < f.size()) { p.ch = f[++i]; pos_.push_back(p); }
        continue;
      case U'L': case U'A': case U'C': case U'0':
        p.literal = false; p.kind = char(c); p.required = true; p.casing = casing; pos_.push_back(p);
        continue;
      case U'l': case U'a': case U'c': case U'9': case U'#':
        p.literal = false; p.kind = char(c); p.casing = casing; pos_.push_back(p);
        continue;
      case U'_': p.ch = U' '; pos_.push_back(p); continue;
      default: p.ch = c; pos_.push_back(p); continue;
    }
  }
}

char32_t TEditMask::Accept(int i, char32_t c) const {
  if (i < 0 || i >= Length()) return 0;
  const Pos& p = pos_[size_t(i)];
  if (p.literal || c < 32) return 0;
  bool ok = false;
  switch (p.kind) {
    case '0': case '9': ok = isDigit(c); break;
    case '#': ok = isDigit(c) || c == U'+' || c == U'-'; break;
    case 'L': case 'l': ok = isLetter(c); break;
    case 'A': case 'a': ok = isLetter(c) || isDigit(c); break;
    case 'C': case 'c': ok = true; break;
  }
  if (!ok) return 0;
  if (p.casing == 1) return upper(c);
  if (p.casing == 2) return lower(c);
  return c;
}

String TEditMask::EmptyEditText() const {
  std::u32string r;
  for (const Pos& p : pos_) r += p.literal ? p.ch : blank_;
  return U8(r);
}

int TEditMask::NextInput(int i) const {
  if (i < 0) i = 0;
  while (i < Length() && pos_[size_t(i)].literal) ++i;
  return i;
}

int TEditMask::PrevInput(int i) const {
  if (i >= Length()) i = Length() - 1;
  while (i >= 0 && pos_[size_t(i)].literal) --i;
  return i;
}

String TEditMask::FromEditText(const String& editText) const {
  std::u32string v = U32(editText), r;
  for (int i = 0; i < Length(); ++i) {
    const Pos& p = pos_[size_t(i)];
    if (p.literal) { r += p.ch; continue; }
    char32_t c = size_t(i) < v.size() ? v[size_t(i)] : blank_;
    char32_t a = (c == blank_ || c == U' ') ? 0 : Accept(i, c);
    r += a ? a : blank_;
  }
  return U8(r);
}

String TEditMask::FromText(const String& text) const {
  std::u32string v = U32(text);
  int n = Length();
  std::u32string r(size_t(n), blank_);
  int inputs = 0;
  for (int i = 0; i < n; ++i) {
    if (pos_[size_t(i)].literal) r[size_t(i)] = pos_[size_t(i)].ch;
    else ++inputs;
  }
  int full = saveLiterals_ ? n : inputs;
  bool backward = rightAligned_ && int(v.size()) < full;
  int step = backward ? -1 : 1;
  int k = backward ? int(v.size()) - 1 : 0;
  auto valid = [&] { return k >= 0 && k < int(v.size()); };
  // Is c a literal of the mask still ahead of position i in this direction?
  auto literalAhead = [&](int i, char32_t c) {
    for (int j = i; j >= 0 && j < n; j += step)
      if (pos_[size_t(j)].literal && pos_[size_t(j)].ch == c) return true;
    return false;
  };
  for (int c = 0; c < n; ++c) {
    int i = backward ? n - 1 - c : c;
    const Pos& p = pos_[size_t(i)];
    if (p.literal) {
      if (valid() && v[size_t(k)] == p.ch) k += step;
      continue;
    }
    if (!valid()) continue;
    char32_t ch = v[size_t(k)];
    if (ch == U' ' || ch == blank_) { k += step; continue; }
    if (char32_t a = Accept(i, ch)) { r[size_t(i)] = a; k += step; continue; }
    if (literalAhead(i, ch)) continue;
    k += step;
  }
  return U8(r);
}

String TEditMask::ToText(const String& editText) const {
  std::u32string v = U32(editText), r;
  for (int i = 0; i < Length(); ++i) {
    const Pos& p = pos_[size_t(i)];
    char32_t c = size_t(i) < v.size() ? v[size_t(i)] : blank_;
    if (p.literal) { if (saveLiterals_) r += p.ch; continue; }
    if (c == blank_) { if (saveLiterals_) r += U' '; continue; }
    r += c;
  }
  return U8(r);
}

String FormatMaskText(const String& editMask, const String& value) {
  TEditMask m(editMask);
  if (m.Empty()) return value;
  return m.ToText(m.FromText(value));
}

// ---------------------------------------------------------------- TCustomMaskEdit

TCustomMaskEdit::TCustomMaskEdit(TComponent* AOwner) : TEdit(AOwner) {}

void TCustomMaskEdit::SetEditMask(const String& m) {
  if (m == editMask_) return;
  String value = Text();
  editMask_ = m;
  mask_ = TEditMask(m);
  if (!IsMasked()) {
    editText_.clear();
    text_ = value;
    SetWidgetText(value, -1);
    return;
  }
  editText_ = mask_.FromText(value);
  text_ = mask_.ToText(editText_);
  SetWidgetText(editText_, 0);
}

const String& TCustomMaskEdit::Text() const {
  if (!IsMasked()) return text_;
  textCache_ = mask_.ToText(editText_);
  return textCache_;
}

void TCustomMaskEdit::SetText(const String& s) {
  if (!IsMasked()) { TEdit::SetText(s); return; }
  applyEditText(mask_.FromText(s), -1);
}

void TCustomMaskEdit::SetEditText(const String& s) {
  if (!IsMasked()) { TEdit::SetText(s); return; }
  applyEditText(mask_.FromEditText(s), -1);
}

bool TCustomMaskEdit::IsComplete() const {
  if (!IsMasked()) return true;
  QList<uint> v = stdctl::QStr(editText_).toUcs4();
  for (int i = 0; i < mask_.Length(); ++i)
    if (mask_.IsRequired(i) && (i >= v.size() || char32_t(v[i]) == mask_.Blank())) return false;
  return true;
}

void TCustomMaskEdit::applyEditText(const String& et, int cursor) {
  String old = Text();
  editText_ = et;
  SetWidgetText(et, cursor);
  text_ = mask_.ToText(et);
  if (text_ != old) {
    Modified = true;
    Change();
  }
}

int TCustomMaskEdit::typeChar(String& et, int p, char32_t c) const {
  std::u32string v = U32(et);
  int n = mask_.Length();
  if (p < n && mask_.IsLiteral(p) && v[size_t(p)] == c) return std::min(n, mask_.NextInput(p + 1));
  int q = mask_.NextInput(p);
  if (q >= n) return -1;
  char32_t a = mask_.Accept(q, c);
  if (!a) return -1;
  v[size_t(q)] = a;
  et = U8(v);
  return std::min(n, mask_.NextInput(q + 1));
}

bool TCustomMaskEdit::WidgetKey(int qtKey, TShiftState shift, const String& typed) {
  if (!IsMasked() || readOnly_) return false;
  QLineEdit* le = Line();
  std::u32string v = U32(editText_);
  int n = mask_.Length();
  int selStart = le->hasSelectedText() ? int(le->selectionStart()) : -1;
  int selEnd = selStart >= 0 ? selStart + int(le->selectedText().size()) : -1;
  auto clearRange = [&](int a, int b) {
    for (int i = std::max(0, a); i < std::min(b, n); ++i)
      if (!mask_.IsLiteral(i)) v[size_t(i)] = mask_.Blank();
  };
  bool ctrl = shift.Contains(ssCtrl);
  if (qtKey == Qt::Key_Backspace) {
    int cur = le->cursorPosition();
    if (selStart >= 0) { clearRange(selStart, selEnd); cur = selStart; }
    else {
      int p = mask_.PrevInput(cur - 1);
      if (p < 0) return true;
      clearRange(p, p + 1);
      cur = p;
    }
    applyEditText(U8(v), cur);
    return true;
  }
  if (qtKey == Qt::Key_Delete) {
    int cur = le->cursorPosition();
    if (selStart >= 0) { clearRange(selStart, selEnd); cur = selStart; }
    else { int p = mask_.NextInput(cur); clearRange(p, p + 1); }
    applyEditText(U8(v), cur);
    return true;
  }
  String paste;
  if ((ctrl && qtKey == Qt::Key_V) || (shift.Contains(ssShift) && qtKey == Qt::Key_Insert)) {
    paste = stdctl::StdStr(QApplication::clipboard()->text());
  } else if (ctrl && qtKey == Qt::Key_X) {
    if (selStart >= 0) {
      QApplication::clipboard()->setText(le->selectedText());
      clearRange(selStart, selEnd);
      applyEditText(U8(v), selStart);
    }
    return true;
  } else if (!ctrl && !typed.empty() && static_cast<unsigned char>(typed[0]) >= 32) {
    paste = typed;
  } else {
    return false;
  }
  int cur = le->cursorPosition();
  if (selStart >= 0) { clearRange(selStart, selEnd); cur = selStart; }
  String et = U8(v);
  for (char32_t c : U32(paste)) {
    int next = typeChar(et, cur, c);
    if (next < 0) break;
    cur = next;
  }
  applyEditText(et, cur);
  return true;
}

void TCustomMaskEdit::WidgetTextEdited(const String& s) {
  if (!IsMasked()) { TEdit::WidgetTextEdited(s); return; }
  applyEditText(mask_.FromEditText(s), WidgetCursor());
}
