#pragma once
// Standard controls: label, push button, edit, memo, combo box, list box,
// check box, radio button and group box.
// Item lists (Items, Lines) are string-list views that keep the control in
// step; a bad index raises EListError "List index out of bounds (%d)".
// Programmatic changes: SetChecked of check boxes and radio buttons runs
// OnClick and TEdit::SetText runs OnChange, when the value changes;
// SetItemIndex of combo and list boxes is silent.
#include "toolkit/Controls.h"


enum TOwnerDrawStateItem { odSelected, odGrayed, odDisabled, odChecked, odFocused, odDefault, odComboBoxEdit };
using TOwnerDrawState = TSet<TOwnerDrawStateItem>;
using TDrawItemEvent = std::function<void(TWinControl* Control, int Index, TRect Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = std::function<void(TWinControl* Control, int Index, int& Height)>;

class TLabel : public TGraphicControl {
 public:
  explicit TLabel(TComponent* AOwner);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout v);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v);
  void SetTransparent(bool v) override;
  TWinControl* FocusControl() const { return focusControl_; }
  void SetFocusControl(TWinControl* c);
  void Notification(TComponent* AComponent, bool removing) override;
  String ClassName() const override { return "TLabel"; }

 protected:
  void Paint() override;
  void TextChanged() override;
  void FontChanged() override;
  void AdjustBounds();

 private:
  TAlignment alignment_ = taLeftJustify;
  TTextLayout layout_ = tlTop;
  bool autoSize_ = true, wordWrap_ = false;
  TWinControl* focusControl_ = nullptr;
};

class QPushButton;

class TButton : public TWinControl {
 public:
  explicit TButton(TComponent* AOwner);
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult v) { modalResult_ = v; }
  // Default: Enter in the button's window presses it; Cancel: Escape does.
  bool Default() const { return default_; }
  void SetDefault(bool v);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool v);
  // Runs OnClick and hands ModalResult to the form the button lies on.
  void Click() override;
  String ClassName() const override { return "TButton"; }

 protected:
  // For subclasses that bring their own push-button widget.
  TButton(TComponent* AOwner, QPushButton* w);
  void TextChanged() override;
  void EnabledChanged() override;
  void installShortcuts();
  TModalResult modalResult_ = mrNone;
  bool default_ = false, cancel_ = false;
};

class QLineEdit;

class TEdit : public TWinControl {
 public:
  explicit TEdit(TComponent* AOwner);
  ~TEdit() override;
  const String& Text() const override { return text_; }
  // Runs OnChange when the text changes.
  void SetText(const String& s) override;
  int MaxLength() const { return maxLength_; }   // 0 = no limit
  void SetMaxLength(int v);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v);
  // Selection in characters.
  int SelStart() const;
  void SetSelStart(int v);
  int SelLength() const;
  void SetSelLength(int v);
  String SelText() const;
  void SelectAll();
  // bsNone: no frame of its own (the box lies inside something framed).
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle v);
  // Where the text is laid out, in the box's client coordinates: the text
  // starts at the rectangle's top left (not centred in the height).
  void SetFormatRect(const TRect& r);
  void Clear() { SetText(""); }
  bool Modified = false;
  TNotifyEvent OnChange;
  String ClassName() const override { return "TEdit"; }

 protected:
  virtual void Change();
  // The operator typed or deleted: the line now shows s.
  virtual void WidgetTextEdited(const String& s);
  // A key reached the line; true when it was handled here (the mask edit
  // does its own editing).
  virtual bool WidgetKey(int qtKey, TShiftState shift, const String& typed) { (void)qtKey; (void)shift; (void)typed; return false; }
  void SetWidgetText(const String& s, int cursor);
  int WidgetCursor() const;
  QLineEdit* Line() const;
  friend class EditWidget;
  int maxLength_ = 0;
  bool readOnly_ = false;
  TBorderStyle borderStyle_ = bsSingle;
};

class QPlainTextEdit;
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TMemo : public TWinControl {
 public:
  explicit TMemo(TComponent* AOwner);
  ~TMemo() override;
  // One line per string. Lines stored through Lines come back exactly (an
  // empty last line included); a text set or typed has no empty last line.
  TStrings* Lines() const { return lines_.get(); }
  void SetLines(const TStrings* s) { lines_->Assign(s); }
  const String& Text() const override;
  void SetText(const String& s) override;
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle v);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v);
  void Clear() { SetText(""); }
  TNotifyEvent OnChange;
  String ClassName() const override { return "TMemo"; }

  // Toolkit internals.
  QPlainTextEdit* Editor() const;
  // A line added after the last (after a line break when others are there)
  // or the last line taken away, without setting the whole text again.
  void AppendLine(const String& s, bool afterOthers);
  void RemoveLastLine(const String& last, bool afterOthers);
 private:
  std::unique_ptr<TStrings> lines_;
  TScrollStyle scrollBars_ = ssNone;
  bool wordWrap_ = true, readOnly_ = false;
  mutable String textCache_;
};

// Items kept by a list-like control; the control mirrors every change.
class TItemStore;

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
class QComboBox;

class TComboBox : public TWinControl {
 public:
  explicit TComboBox(TComponent* AOwner);
  ~TComboBox() override;
  TStrings* Items() const;
  void SetItems(const TStrings* s) { Items()->Assign(s); }
  int ItemIndex() const { return itemIndex_; }
  // Silent; an index outside the items selects nothing.
  void SetItemIndex(int i);
  const String& Text() const override { return text_; }
  void SetText(const String& s) override;
  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle s);
  int DropDownCount() const { return dropDownCount_; }
  void SetDropDownCount(int v);
  bool Sorted() const;
  void SetSorted(bool v);
  int ItemHeight() const { return itemHeight_; }
  void SetItemHeight(int v);
  bool DroppedDown() const;
  void SetDroppedDown(bool v);
  void Clear();
  // The canvas that OnDrawItem draws on.
  TCanvas* Canvas() const { return itemCanvas_.get(); }
  TNotifyEvent OnChange, OnSelect, OnDropDown, OnCloseUp;
  TDrawItemEvent OnDrawItem;
  String ClassName() const override { return "TComboBox"; }

  // Toolkit internals.
  QComboBox* Combo() const;
  void ItemsChanged();
  void DrawItem(int index, const TRect& r, TOwnerDrawState st);
  void WidgetActivated(int index);
  void WidgetEdited(const String& s);
  void DropDownShown(bool shown);
 protected:
  void ShownTextsChanged() override;
 private:
  std::unique_ptr<TItemStore> items_;
  std::unique_ptr<TCanvas> itemCanvas_;
  int itemIndex_ = -1;
  bool batch_ = false;   // inside an update bracket of Items
  TComboBoxStyle style_ = csDropDown;
  int dropDownCount_ = 8, itemHeight_ = 16;
};

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };
class QListWidget;
class QObject;

class TListBox : public TWinControl {
 public:
  explicit TListBox(TComponent* AOwner);
  ~TListBox() override;
  TStrings* Items() const;
  void SetItems(const TStrings* s) { Items()->Assign(s); }
  int Count() const { return Items()->Count(); }
  int ItemIndex() const;
  // Silent; an index outside the items selects nothing.
  void SetItemIndex(int i);
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool v);
  bool ExtendedSelect() const { return extendedSelect_; }
  void SetExtendedSelect(bool v);
  bool Selected(int i) const;
  void SetSelected(int i, bool v);
  int SelCount() const;
  void ClearSelection();
  void SelectAll();
  int TopIndex() const;
  void SetTopIndex(int i);
  TListBoxStyle Style() const { return style_; }
  void SetStyle(TListBoxStyle s);
  int ItemHeight() const { return itemHeight_; }
  void SetItemHeight(int v);
  bool Sorted() const;
  void SetSorted(bool v);
  TRect ItemRect(int i) const;
  int ItemAtPos(const TPoint& p, bool existing) const;
  void Clear();
  // The canvas that OnDrawItem draws on.
  TCanvas* Canvas() const { return itemCanvas_.get(); }
  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;
  String ClassName() const override { return "TListBox"; }

  // Toolkit internals.
  QListWidget* List() const;
  virtual void ItemsChanged();
  void DrawItem(int index, const TRect& r, TOwnerDrawState st);
  int MeasureItem(int index);
  void WidgetSelectionChanged();
  // Mouse events of the item area: 0 down, 1 move, 2 up, 3 double click.
  virtual void ViewportMouse(int kind, TMouseButton b, TShiftState s, int x, int y);
 protected:
  virtual void DefaultDrawItem(int index, const TRect& r, TOwnerDrawState st);
  void FontChanged() override;
  // A line has just been added to the widget (not a line brought back by a move).
  virtual void ItemInserted(class QListWidgetItem* item) { (void)item; }
  void ShownTextsChanged() override;
  void applySelectionMode();
  // Selection marks of a multi-selection list made inside an update bracket:
  // applied as one selection change when the bracket closes.
  void applyPendingSelection();
  void dropPendingSelection(class QListWidgetItem* item);
  std::vector<std::pair<class QListWidgetItem*, bool>> pendingSelection_;
  std::unique_ptr<TItemStore> items_;
  std::unique_ptr<TCanvas> itemCanvas_;
  bool multiSelect_ = false, extendedSelect_ = true;
  TListBoxStyle style_ = lbStandard;
  int itemHeight_ = 16;
  int lastIndex_ = -1;
  int pressIndex_ = -1;   // the selected line when the left button went down
  bool batch_ = false;   // inside an update bracket of Items
  mutable int standardHeight_ = -1;   // line height of lbStandard for the current font
  QObject* viewportFilter_ = nullptr;
  class QListWidgetItem* keptItem_ = nullptr;   // a line between Delete and Insert of a move
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
class QCheckBox;

class TCheckBox : public TWinControl {
 public:
  explicit TCheckBox(TComponent* AOwner);
  bool Checked() const { return state_ == cbChecked; }
  // Runs OnClick when the state changes.
  void SetChecked(bool v) { SetState(v ? cbChecked : cbUnchecked); }
  TCheckBoxState State() const { return state_; }
  void SetState(TCheckBoxState s);
  bool AllowGrayed() const { return allowGrayed_; }
  void SetAllowGrayed(bool v);
  TAlignment Alignment() const { return alignment_; }   // side of the caption
  void SetAlignment(TAlignment a);
  String ClassName() const override { return "TCheckBox"; }
  void WidgetToggled();
 protected:
  void TextChanged() override;
 private:
  TCheckBoxState state_ = cbUnchecked;
  bool allowGrayed_ = false;
  TAlignment alignment_ = taRightJustify;
};

class TRadioButton : public TWinControl {
 public:
  explicit TRadioButton(TComponent* AOwner);
  bool Checked() const { return checked_; }
  // Checking turns the sibling radio buttons off; OnClick runs when the
  // button becomes checked.
  void SetChecked(bool v);
  String ClassName() const override { return "TRadioButton"; }
  void WidgetClicked();
 protected:
  void TextChanged() override;
 private:
  bool checked_ = false;
};

// A framed container with a caption; its children lie inside the frame.
class TGroupBox : public TCustomControl {
 public:
  explicit TGroupBox(TComponent* AOwner);
  String ClassName() const override { return "TGroupBox"; }
 protected:
  void Paint() override;
  TRect AlignRect() const override;
  int captionHeight() const;
};
