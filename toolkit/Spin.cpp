// The spin edit over a Qt spin box.
#include "toolkit/Spin.h"

#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <climits>

TSpinEdit::TSpinEdit(TComponent* AOwner) : TWinControl(AOwner) {
  auto* w = new QSpinBox;
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
  w->setReadOnly(readOnly_ || !editorEnabled_);
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
