// The spin edit over a Qt spin box.
#include "toolkit/Spin.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>
#include <climits>
#include <functional>

namespace {

// The spin box that notices when the operator's number is refused for its
// range: a digit whose typing the box refuses, or Enter or leaving the field
// with a number outside the range (the box goes back to its value then).
class RangeSpinBox : public QSpinBox {
 public:
  std::function<void()> refused;

 protected:
  bool outOfRange() const {
    const QString t = cleanText().trimmed();
    bool number = false;
    t.toLongLong(&number);
    return number && !lineEdit()->hasAcceptableInput();
  }
  // One notice at a time: the focus that a box told by it takes away is no
  // second refusal.
  void tell() {
    if (!refused || telling_) return;
    telling_ = true;
    // After the key's or the focus change's own handling has returned.
    QTimer::singleShot(0, this, [this] {
      struct Done {
        bool& b;
        ~Done() { b = false; }
      } done{telling_};
      if (refused) refused();
    });
  }
  bool telling_ = false;
  // Whether the field takes typing (a box without its editor steps only).
  bool typeable() const { return !isReadOnly() && !lineEdit()->isReadOnly(); }
  void keyPressEvent(QKeyEvent* e) override {
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (enter && typeable() && outOfRange()) tell();
    const QString before = lineEdit()->text();
    const bool digit = e->text().size() == 1 && e->text()[0].isDigit();
    QSpinBox::keyPressEvent(e);
    if (digit && typeable() && lineEdit()->text() == before) tell();
  }
  void focusOutEvent(QFocusEvent* e) override {
    if (typeable() && outOfRange()) tell();
    QSpinBox::focusOutEvent(e);
  }
};

}  // namespace

TSpinEdit::TSpinEdit(TComponent* AOwner) : TWinControl(AOwner) {
  auto* w = new RangeSpinBox;
  w->refused = [this] { Dispatch([this] { if (OnOutOfRange && !Destroying()) OnOutOfRange(this); }); };
  color_ = clWindow;
  SetWidget(w);
  SetTabStop(true);
  SetBounds(0, 0, 121, 22);
  text_ = IntToStr(value_);
  syncWidget();
  QObject::connect(w, qOverload<int>(&QSpinBox::valueChanged), w, [this](int v) {
    Dispatch([&] { WidgetValue(v); });
  });
}

TSpinEdit::~TSpinEdit() {
  if (QWidget* w = Widget()) w->blockSignals(true);
}

// The limits hold when they differ (both 0 means none).
int TSpinEdit::checkValue(int v) const {
  if (maxValue_ != minValue_) {
    if (v < minValue_) return minValue_;
    if (v > maxValue_) return maxValue_;
  }
  return v;
}

void TSpinEdit::syncWidget() {
  auto* w = static_cast<QSpinBox*>(Widget());
  QSignalBlocker b(w);
  if (maxValue_ != minValue_) w->setRange(std::min(minValue_, maxValue_), std::max(minValue_, maxValue_));
  else w->setRange(INT_MIN, INT_MAX);
  w->setSingleStep(increment_);
  w->setValue(value_);
  // Without its editor the number cannot be typed, but the arrows and the
  // arrow keys still step it; read-only stops both.
  w->setReadOnly(readOnly_);
  if (auto* edit = w->findChild<QLineEdit*>()) edit->setReadOnly(readOnly_ || !editorEnabled_);
}

void TSpinEdit::SetValue(int v) {
  v = checkValue(v);
  if (v == value_) return;
  value_ = v;
  text_ = IntToStr(v);
  syncWidget();
  if (OnChange) Dispatch([this] { OnChange(this); });
}

void TSpinEdit::SetMinValue(int v) {
  minValue_ = v;
  syncWidget();
}

void TSpinEdit::SetMaxValue(int v) {
  maxValue_ = v;
  syncWidget();
}

void TSpinEdit::SetReadOnly(bool v) { readOnly_ = v; syncWidget(); }
void TSpinEdit::SetEditorEnabled(bool v) { editorEnabled_ = v; syncWidget(); }

void TSpinEdit::SetText(const String& s) {
  int v;
  if (TryStrToInt(Trim(s), v)) SetValue(v);
}

void TSpinEdit::WidgetValue(int v) {
  if (readOnly_) { syncWidget(); return; }
  SetValue(v);
}
