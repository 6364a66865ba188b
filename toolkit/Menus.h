#pragma once
// Menus: items in a tree, pop-up menus and the main menu of a form.
#include "toolkit/Classes.h"

class TMenuItem;
class TPopupMenu;
class QObject;

// A shortcut: a virtual key code with scShift, scCtrl, scAlt.
using TShortCut = uint16_t;
constexpr TShortCut scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000, scNone = 0;
String ShortCutToText(TShortCut s);

class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;
  const String& Caption() const { return caption_; }    // "-" is a separator
  void SetCaption(const String& s) { caption_ = s; }
  bool Checked() const { return checked_; }
  // Checking a radio item unchecks the radio items of its group.
  void SetChecked(bool v);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v) { enabled_ = v; }
  bool Visible() const { return visible_; }
  void SetVisible(bool v) { visible_ = v; }
  bool RadioItem() const { return radioItem_; }
  void SetRadioItem(bool v) { radioItem_ = v; }
  bool AutoCheck() const { return autoCheck_; }
  void SetAutoCheck(bool v) { autoCheck_ = v; }
  uint8_t GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(uint8_t v) { groupIndex_ = v; }
  TShortCut ShortCut() const { return shortCut_; }
  void SetShortCut(TShortCut s) { shortCut_ = s; }
  const String& Hint() const { return hint_; }
  void SetHint(const String& s) { hint_ = s; }
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int v) { imageIndex_ = v; }
  bool IsLine() const { return caption_ == "-"; }

  // Sub-items; an item belongs to one parent at a time.
  int Count() const { return int(items_.size()); }
  TMenuItem* Items(int i) const;          // EListError when out of range
  TMenuItem* operator[](int i) const { return Items(i); }
  TMenuItem* Parent() const { return parent_; }
  void Add(TMenuItem* item);
  void Insert(int index, TMenuItem* item);
  // Takes item i out and frees it.
  void Delete(int i);
  void Remove(TMenuItem* item);           // takes it out without freeing
  int IndexOf(const TMenuItem* item) const;
  int MenuIndex() const { return parent_ ? parent_->IndexOf(this) : -1; }
  void Clear();                           // frees all sub-items
  TMenuItem* Find(const String& caption) const;   // by caption without '&'
  // Runs OnClick (an AutoCheck item toggles first), also when disabled.
  virtual void Click();
  TNotifyEvent OnClick;
  String ClassName() const override { return "TMenuItem"; }
 private:
  void detach(TMenuItem* item);
  String caption_, hint_;
  bool checked_ = false, enabled_ = true, visible_ = true, radioItem_ = false, autoCheck_ = false;
  uint8_t groupIndex_ = 0;
  TShortCut shortCut_ = 0;
  int imageIndex_ = -1;
  TMenuItem* parent_ = nullptr;
  std::vector<TMenuItem*> items_;
};

class TMenu : public TComponent {
 public:
  explicit TMenu(TComponent* AOwner);
  ~TMenu() override;
  TMenuItem* Items() const { return items_; }
  // Finds the item of a shortcut among the enabled, visible items and runs
  // its OnClick; false when none has it.
  bool DispatchShortCut(TShortCut s);
  String ClassName() const override { return "TMenu"; }
 private:
  TMenuItem* items_;
};

enum TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TMenu {
 public:
  explicit TPopupMenu(TComponent* AOwner);
  ~TPopupMenu() override;
  // Shows the menu at screen point (X, Y) and returns at once. A chosen item
  // (by mouse or keys) runs its Click after the menu has closed, once the
  // menu's own event handling has returned, never inside it.
  void Popup(int X, int Y);
  TComponent* PopupComponent() const { return popupComponent_; }
  void SetPopupComponent(TComponent* c) { popupComponent_ = c; }
  TPopupAlignment Alignment = paLeft;
  bool AutoPopup = true;
  TNotifyEvent OnPopup;
  String ClassName() const override { return "TPopupMenu"; }
  // A left click on the shown menu's item of that caption (its top level),
  // as the window system delivers the operator's; false when the menu is
  // not shown or has no such item.
  bool ClickShownItem(const String& Caption);
  // Toolkit internals: the menu shown last (null when closed).
  void* ShownMenu() const;
  void ClosePopup();
 private:
  TComponent* popupComponent_ = nullptr;
  void* shown_ = nullptr;
  QObject* clicks_;   // context of the queued clicks
};

// The menu of a form: its top-level items are the menu bar's entries.
class TMainMenu : public TMenu {
 public:
  using TMenu::TMenu;
  String ClassName() const override { return "TMainMenu"; }
};
