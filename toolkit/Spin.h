#pragma once
// The spin edit: an integer with up/down buttons.
#include "toolkit/StdCtrls.h"

// MinValue and MaxValue equal (both 0, as made) mean no limit; otherwise Value is kept in
// MinValue..MaxValue. SetValue runs OnChange when the value changes.
class TSpinEdit : public TWinControl {
 public:
  explicit TSpinEdit(TComponent* AOwner);
  ~TSpinEdit() override;
  int Value() const { return value_; }
  void SetValue(int v);
  int MinValue() const { return minValue_; }
  void SetMinValue(int v);
  int MaxValue() const { return maxValue_; }
  void SetMaxValue(int v);
  int Increment() const { return increment_; }
  void SetIncrement(int v) { increment_ = v; syncWidget(); }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v);
  // Without the editor the value cannot be typed; the arrows still step it.
  bool EditorEnabled() const { return editorEnabled_; }
  void SetEditorEnabled(bool v);
  // The value as text; setting text that is not a number keeps the value.
  const String& Text() const override { return text_; }
  void SetText(const String& s) override;
  // One increment up or down, as the buttons do.
  void StepUp() { SetValue(value_ + increment_); }
  void StepDown() { SetValue(value_ - increment_); }
  TNotifyEvent OnChange;
  // The operator's number was refused for the limits: a digit whose typing
  // would leave MinValue..MaxValue, or Enter or leaving the field with a
  // number outside them (the field goes back to Value). Runs after the key
  // or the focus change has been handled, so a handler may show a box.
  TNotifyEvent OnOutOfRange;
  String ClassName() const override { return "TSpinEdit"; }
  void WidgetValue(int v);
 private:
  int checkValue(int v) const;
  void syncWidget();
  int value_ = 0, minValue_ = 0, maxValue_ = 0, increment_ = 1;
  bool readOnly_ = false, editorEnabled_ = true;
};
