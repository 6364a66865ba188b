#pragma once
// A list box with a check box on every item. SetChecked/SetState are silent;
// the operator's toggling runs OnClickCheck.
#include "toolkit/StdCtrls.h"

class TCheckListBox : public TListBox {
 public:
  explicit TCheckListBox(TComponent* AOwner);
  bool Checked(int i) const;
  void SetChecked(int i, bool v);
  TCheckBoxState State(int i) const;
  void SetState(int i, TCheckBoxState s);
  bool ItemEnabled(int i) const;
  void SetItemEnabled(int i, bool v);
  bool AllowGrayed() const { return allowGrayed_; }
  void SetAllowGrayed(bool v) { allowGrayed_ = v; }
  // Toggles item i as a click on its box does (unchecked, checked, grayed
  // when allowed) and runs OnClickCheck.
  void ToggleCheck(int i);
  TNotifyEvent OnClickCheck;
  String ClassName() const override { return "TCheckListBox"; }
  void ItemsChanged() override;
  void WidgetCheckChanged(int i);
  void ViewportMouse(int kind, TMouseButton b, TShiftState s, int x, int y) override;
 protected:
  void ItemInserted(class QListWidgetItem* item) override;
  void KeyPress(char32_t& key) override;
  void DefaultDrawItem(int index, const TRect& r, TOwnerDrawState st) override;
 private:
  bool allowGrayed_ = false;
};
