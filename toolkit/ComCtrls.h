#pragma once
// Common controls: page control with tab sheets, track bar, status bar and
// tool bar.
#include "toolkit/StdCtrls.h"

class TPageControl;

// One page of a page control; its children show while it is the active page,
// scrolled when they do not fit (AutoScroll is on).
class TTabSheet : public TWinControl {
 public:
  explicit TTabSheet(TComponent* AOwner);
  ~TTabSheet() override;
  TPageControl* PageControl() const { return pageControl_; }
  // Joins (as last page) or leaves a page control; also its parent.
  void SetPageControl(TPageControl* pc);
  void SetParent(TWinControl* p) override;
  int PageIndex() const;
  void SetPageIndex(int i);
  bool TabVisible() const { return tabVisible_; }
  void SetTabVisible(bool v);
  // Index among the visible tabs, -1 when its tab is hidden.
  int TabIndex() const;
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int v) { imageIndex_ = v; }
  String ClassName() const override { return "TTabSheet"; }
 protected:
  void TextChanged() override;
 private:
  friend class TPageControl;
  TPageControl* pageControl_ = nullptr;
  bool tabVisible_ = true;
  int imageIndex_ = -1;
};

enum TTabPosition { tpTop, tpBottom };
using TTabChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;
using TDrawTabEvent = std::function<void(TCustomControl* Control, int TabIndex, const TRect& Rect, bool Active)>;

// Pages with a tab strip that the control paints itself: tabs on top or at
// the bottom, in several rows when MultiLine, or drawn by OnDrawTab when
// OwnerDraw. SetActivePage/SetActivePageIndex/SetTabIndex are silent; a
// click on a tab asks OnChanging, changes the page and runs OnChange.
class TPageControl : public TCustomControl {
 public:
  explicit TPageControl(TComponent* AOwner);
  ~TPageControl() override;
  int PageCount() const { return int(pages_.size()); }
  TTabSheet* Pages(int i) const;
  TTabSheet* ActivePage() const { return active_; }
  void SetActivePage(TTabSheet* p);
  int ActivePageIndex() const;
  void SetActivePageIndex(int i);
  // Index of the active page among the visible tabs (-1 when none).
  int TabIndex() const;
  void SetTabIndex(int i);
  int TabCount() const;                 // visible tabs
  TTabSheet* TabPage(int tabIndex) const;
  TTabPosition TabPosition() const { return tabPosition_; }
  void SetTabPosition(TTabPosition v);
  bool MultiLine() const { return multiLine_; }
  void SetMultiLine(bool v);
  bool OwnerDraw() const { return ownerDraw_; }
  void SetOwnerDraw(bool v);
  int TabHeight() const { return tabHeight_; }   // 0 = from the font
  void SetTabHeight(int v);
  int TabWidth() const { return tabWidth_; }     // 0 = from the caption
  void SetTabWidth(int v);
  // Rows of tabs as laid out now, and the rectangle of one visible tab.
  int RowCount() const;
  TRect TabRect(int tabIndex) const;
  int IndexOfTabAt(int x, int y) const;
  // The area the pages fill.
  TRect DisplayRect() const;
  TTabSheet* FindNextPage(TTabSheet* cur, bool goForward, bool checkTabVisible) const;
  void SelectNextPage(bool goForward);
  void SetBounds(int l, int t, int w, int h) override;
  TNotifyEvent OnChange;
  TTabChangingEvent OnChanging;
  TDrawTabEvent OnDrawTab;
  String ClassName() const override { return "TPageControl"; }

  // Toolkit internals used by the tab sheets.
  void InsertPage(TTabSheet* p, int index = -1);
  void RemovePage(TTabSheet* p);
  void MovePage(TTabSheet* p, int index);
  void TabsChanged();

 protected:
  void Paint() override;
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
  void KeyDown(uint16_t& key, TShiftState s) override;
  void FontChanged() override;
  TRect AlignRect() const override { return DisplayRect(); }
  // Operator's change of tab: OnChanging, then the change and OnChange.
  bool CanChange();
  void Change();
 private:
  struct TabPos { TRect r; int row; };
  void layoutTabs() const;
  void showActive();
  int tabStripHeight() const;
  int rowHeight() const;
  std::vector<TTabSheet*> pages_;
  TTabSheet* active_ = nullptr;
  TTabPosition tabPosition_ = tpTop;
  bool multiLine_ = false, ownerDraw_ = false;
  int tabHeight_ = 0, tabWidth_ = 0;
  mutable std::vector<TabPos> tabs_;   // one per visible tab
  mutable int rows_ = 1;
  mutable bool layoutValid_ = false;
};

enum TTrackBarOrientation { trHorizontal, trVertical };
enum TTickMark { tmBottomRight, tmTopLeft, tmBoth };
enum TTickStyle { tsNone, tsAuto, tsManual };

// SetPosition runs OnChange when the position changes; it is kept in Min..Max.
class TTrackBar : public TWinControl {
 public:
  explicit TTrackBar(TComponent* AOwner);
  ~TTrackBar() override;
  int Min() const { return min_; }
  void SetMin(int v);
  int Max() const { return max_; }
  void SetMax(int v);
  int Position() const { return position_; }
  void SetPosition(int v);
  int Frequency() const { return frequency_; }
  void SetFrequency(int v);
  TTrackBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TTrackBarOrientation v);
  int SelStart() const { return selStart_; }
  void SetSelStart(int v);
  int SelEnd() const { return selEnd_; }
  void SetSelEnd(int v);
  int LineSize() const { return lineSize_; }
  void SetLineSize(int v);
  int PageSize() const { return pageSize_; }
  void SetPageSize(int v);
  TTickMark TickMarks() const { return tickMarks_; }
  void SetTickMarks(TTickMark v);
  TTickStyle TickStyle() const { return tickStyle_; }
  void SetTickStyle(TTickStyle v);
  // False hides the thumb: the bar shows its channel and ticks only.
  bool SliderVisible() const { return sliderVisible_; }
  void SetSliderVisible(bool v);
  TNotifyEvent OnChange;
  String ClassName() const override { return "TTrackBar"; }
  void WidgetMoved(int v);
 private:
  void sync();
  int min_ = 0, max_ = 10, position_ = 0, frequency_ = 1, selStart_ = 0, selEnd_ = 0, lineSize_ = 1, pageSize_ = 2;
  TTrackBarOrientation orientation_ = trHorizontal;
  TTickMark tickMarks_ = tmBottomRight;
  TTickStyle tickStyle_ = tsAuto;
  bool sliderVisible_ = true;
};

class TStatusBar;

class TStatusPanel {
 public:
  const String& Text() const { return text_; }
  void SetText(const String& s);
  int Width() const { return width_; }
  void SetWidth(int v);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a);
 private:
  friend class TStatusBar;
  friend class TStatusPanels;
  explicit TStatusPanel(TStatusBar* owner) : owner_(owner) {}
  TStatusBar* owner_;
  String text_;
  int width_ = 50;
  TAlignment alignment_ = taLeftJustify;
};

class TStatusPanels {
 public:
  explicit TStatusPanels(TStatusBar* owner) : owner_(owner) {}
  int Count() const { return int(items_.size()); }
  TStatusPanel* Items(int i) const;     // EListError when out of range
  TStatusPanel* operator[](int i) const { return Items(i); }
  TStatusPanel* Add();
  void Delete(int i);
  void Clear();
 private:
  TStatusBar* owner_;
  std::vector<std::unique_ptr<TStatusPanel>> items_;
};

// A bar at the bottom of its parent with panels or one simple text.
class TStatusBar : public TCustomControl {
 public:
  explicit TStatusBar(TComponent* AOwner);
  ~TStatusBar() override;
  TStatusPanels* Panels() const { return panels_.get(); }
  bool SimplePanel() const { return simplePanel_; }
  void SetSimplePanel(bool v);
  const String& SimpleText() const { return simpleText_; }
  void SetSimpleText(const String& s);
  // The area of panel i (the last panel reaches the right edge).
  TRect PanelRect(int i) const;
  String ClassName() const override { return "TStatusBar"; }
 protected:
  void Paint() override;
 private:
  std::unique_ptr<TStatusPanels> panels_;
  bool simplePanel_ = false;
  String simpleText_;
};

class TToolBar;
class TImageList;
enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };

// A button of a tool bar (its Parent); laid out by the bar.
class TToolButton : public TGraphicControl {
 public:
  explicit TToolButton(TComponent* AOwner);
  TToolButtonStyle Style() const { return style_; }
  void SetStyle(TToolButtonStyle v);
  bool Down() const { return down_; }
  void SetDown(bool v);
  bool Grouped() const { return grouped_; }
  void SetGrouped(bool v) { grouped_ = v; }
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int v) { imageIndex_ = v; Invalidate(); }
  void SetParent(TWinControl* p) override;
  // A check button toggles Down first.
  void Click() override;
  String ClassName() const override { return "TToolButton"; }
 protected:
  void Paint() override;
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;
  void TextChanged() override;
 private:
  TToolBar* bar() const;
  TToolButtonStyle style_ = tbsButton;
  bool down_ = false, grouped_ = false, pressing_ = false;
  int imageIndex_ = -1;
};

// A horizontal strip of tool buttons, left to right, wrapping when Wrapable.
class TToolBar : public TCustomControl {
 public:
  explicit TToolBar(TComponent* AOwner);
  int ButtonWidth() const { return buttonWidth_; }
  void SetButtonWidth(int v);
  int ButtonHeight() const { return buttonHeight_; }
  void SetButtonHeight(int v);
  bool ShowCaptions() const { return showCaptions_; }
  void SetShowCaptions(bool v);
  bool Flat() const { return flat_; }
  void SetFlat(bool v);
  bool Wrapable() const { return wrapable_; }
  void SetWrapable(bool v);
  // The images of the buttons (each button shows the image of its
  // ImageIndex, with its caption below when ShowCaptions); not owned.
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* v);
  void Notification(TComponent* AComponent, bool removing) override;
  int ButtonCount() const;
  TToolButton* Buttons(int i) const;
  // Places the buttons; runs when buttons join or the bar changes size.
  void ArrangeButtons();
  void SetBounds(int l, int t, int w, int h) override;
  String ClassName() const override { return "TToolBar"; }
 protected:
  void Paint() override;
 private:
  int buttonWidth_ = 23, buttonHeight_ = 22;
  TImageList* images_ = nullptr;
  bool showCaptions_ = false, flat_ = false, wrapable_ = true, arranging_ = false;
};
