// Page control, track bar, status bar and tool bar.
#include "toolkit/ComCtrls.h"

#include <QSignalBlocker>
#include <QPainter>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>
#include "toolkit/ExtCtrls.h"
#include "toolkit/ImgList.h"

namespace {
// A canvas for measuring text in a control's font outside painting.
struct Probe {
  TBitmap bmp{1, 1};
  explicit Probe(const TFont* f) { bmp.Canvas()->SetFont(f); }
  TCanvas* operator->() { return bmp.Canvas(); }
};
}  // namespace

// ---------------------------------------------------------------- TTabSheet

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner) {
  // A page whose children do not fit scrolls them.
  SetAutoScroll(true);
}

TTabSheet::~TTabSheet() {
  if (pageControl_) pageControl_->RemovePage(this);
  pageControl_ = nullptr;
}

void TTabSheet::SetPageControl(TPageControl* pc) { SetParent(pc); }

void TTabSheet::SetParent(TWinControl* p) {
  auto* pc = dynamic_cast<TPageControl*>(p);
  if (pageControl_ && pageControl_ != pc) {
    TPageControl* old = pageControl_;
    pageControl_ = nullptr;
    old->RemovePage(this);
  }
  TWinControl::SetParent(p);
  if (pc && pageControl_ != pc) {
    pageControl_ = pc;
    pc->InsertPage(this);
  }
}

int TTabSheet::PageIndex() const {
  if (!pageControl_) return -1;
  for (int i = 0; i < pageControl_->PageCount(); ++i)
    if (pageControl_->Pages(i) == this) return i;
  return -1;
}

void TTabSheet::SetPageIndex(int i) {
  if (pageControl_) pageControl_->MovePage(this, i);
}

void TTabSheet::SetTabVisible(bool v) {
  if (tabVisible_ == v) return;
  tabVisible_ = v;
  if (pageControl_) {
    if (!v && pageControl_->ActivePage() == this)
      pageControl_->SetActivePage(pageControl_->FindNextPage(this, true, true));
    pageControl_->TabsChanged();
  }
}

int TTabSheet::TabIndex() const {
  if (!pageControl_ || !tabVisible_) return -1;
  int n = 0;
  for (int i = 0; i < pageControl_->PageCount(); ++i) {
    TTabSheet* p = pageControl_->Pages(i);
    if (p == this) return n;
    if (p->TabVisible()) ++n;
  }
  return -1;
}

void TTabSheet::TextChanged() {
  if (pageControl_) pageControl_->TabsChanged();
}

// ---------------------------------------------------------------- TPageControl

TPageControl::TPageControl(TComponent* AOwner) : TCustomControl(AOwner) {
  SetTabStop(true);
  SetBounds(0, 0, 289, 193);
}

TPageControl::~TPageControl() {
  for (TTabSheet* p : pages_) p->pageControl_ = nullptr;
  pages_.clear();
  active_ = nullptr;
}

TTabSheet* TPageControl::Pages(int i) const {
  if (i < 0 || i >= PageCount()) ListIndexError(i);
  return pages_[size_t(i)];
}

void TPageControl::InsertPage(TTabSheet* p, int index) {
  if (std::find(pages_.begin(), pages_.end(), p) != pages_.end()) return;
  if (index < 0 || index > PageCount()) index = PageCount();
  pages_.insert(pages_.begin() + index, p);
  p->pageControl_ = this;
  if (!active_ && p->TabVisible()) active_ = p;
  TabsChanged();
}

void TPageControl::RemovePage(TTabSheet* p) {
  auto it = std::find(pages_.begin(), pages_.end(), p);
  if (it == pages_.end()) return;
  TTabSheet* next = active_ == p ? FindNextPage(p, true, true) : active_;
  pages_.erase(it);
  if (next == p) next = nullptr;
  active_ = next;
  if (!Destroying()) TabsChanged();
}

void TPageControl::MovePage(TTabSheet* p, int index) {
  auto it = std::find(pages_.begin(), pages_.end(), p);
  if (it == pages_.end()) return;
  pages_.erase(it);
  index = std::clamp(index, 0, PageCount());
  pages_.insert(pages_.begin() + index, p);
  TabsChanged();
}

void TPageControl::TabsChanged() {
  layoutValid_ = false;
  showActive();
  Invalidate();
}

// Every page, shown or not, fills the display area, so that what is aligned
// on a page never opened yet already has its real size.
void TPageControl::showActive() {
  TRect d = DisplayRect();
  for (TTabSheet* p : pages_) {
    p->SetBoundsRect(d);
    p->SetVisible(p == active_);
  }
}

void TPageControl::SetActivePage(TTabSheet* p) {
  if (p && p->PageControl() != this) return;
  if (p == active_) return;
  active_ = p;
  layoutValid_ = false;
  showActive();
  Invalidate();
}

int TPageControl::ActivePageIndex() const { return active_ ? active_->PageIndex() : -1; }

void TPageControl::SetActivePageIndex(int i) {
  SetActivePage(i >= 0 && i < PageCount() ? pages_[size_t(i)] : nullptr);
}

int TPageControl::TabIndex() const { return active_ ? active_->TabIndex() : -1; }

void TPageControl::SetTabIndex(int i) { SetActivePage(TabPage(i)); }

int TPageControl::TabCount() const {
  return int(std::count_if(pages_.begin(), pages_.end(), [](TTabSheet* p) { return p->TabVisible(); }));
}

TTabSheet* TPageControl::TabPage(int tabIndex) const {
  int n = 0;
  for (TTabSheet* p : pages_)
    if (p->TabVisible()) {
      if (n == tabIndex) return p;
      ++n;
    }
  return nullptr;
}

void TPageControl::SetTabPosition(TTabPosition v) { if (tabPosition_ != v) { tabPosition_ = v; TabsChanged(); } }
void TPageControl::SetMultiLine(bool v) { if (multiLine_ != v) { multiLine_ = v; TabsChanged(); } }
void TPageControl::SetOwnerDraw(bool v) { if (ownerDraw_ != v) { ownerDraw_ = v; Invalidate(); } }
void TPageControl::SetTabHeight(int v) { v = std::max(0, v); if (tabHeight_ != v) { tabHeight_ = v; TabsChanged(); } }
void TPageControl::SetTabWidth(int v) { v = std::max(0, v); if (tabWidth_ != v) { tabWidth_ = v; TabsChanged(); } }

void TPageControl::SetBounds(int l, int t, int w, int h) {
  TCustomControl::SetBounds(l, t, w, h);
  layoutValid_ = false;
  showActive();
}

void TPageControl::FontChanged() {
  TCustomControl::FontChanged();
  layoutValid_ = false;
  showActive();
}

int TPageControl::rowHeight() const {
  if (tabHeight_ > 0) return tabHeight_;
  Probe p(Font());
  return p->TextHeight("Wg") + 6;
}

// Tabs fill rows from the first page on; with several rows each row is
// stretched to the full width and the row of the active tab lies next to the
// pages.
void TPageControl::layoutTabs() const {
  if (layoutValid_) return;
  layoutValid_ = true;
  tabs_.clear();
  Probe probe(Font());
  int rh = rowHeight();
  int avail = std::max(1, Width() - 4);
  std::vector<int> widths;
  for (TTabSheet* p : pages_)
    if (p->TabVisible()) widths.push_back(tabWidth_ > 0 ? tabWidth_ : probe->TextWidth(p->Caption()) + 12);
  std::vector<std::vector<int>> rows(1);
  int x = 0;
  for (size_t i = 0; i < widths.size(); ++i) {
    if (multiLine_ && !rows.back().empty() && x + widths[i] > avail) {
      rows.emplace_back();
      x = 0;
    }
    rows.back().push_back(int(i));
    x += widths[i];
  }
  rows_ = int(rows.size());
  int activeTab = active_ ? active_->TabIndex() : -1;
  int activeRow = 0;
  for (int r = 0; r < rows_; ++r)
    for (int t : rows[size_t(r)])
      if (t == activeTab) activeRow = r;
  int strip = rows_ * rh + 2;
  tabs_.resize(widths.size());
  for (int r = 0; r < rows_; ++r) {
    const auto& row = rows[size_t(r)];
    int used = 0;
    for (int t : row) used += widths[size_t(t)];
    int extra = (rows_ > 1 && used < avail) ? avail - used : 0;
    int d = (r - activeRow + rows_) % rows_;   // 0 = next to the pages
    int y = tabPosition_ == tpTop ? strip - (d + 1) * rh : Height() - strip + d * rh;
    int tx = 2;
    for (size_t k = 0; k < row.size(); ++k) {
      int t = row[k];
      int w = widths[size_t(t)] + (extra ? extra / int(row.size()) + (int(k) < extra % int(row.size()) ? 1 : 0) : 0);
      TRect rc = Rect(tx, y, tx + w, y + rh);
      if (t == activeTab) {
        rc = Rect(rc.Left - 2, rc.Top, rc.Right + 2, rc.Bottom);
        if (tabPosition_ == tpTop) rc.Top -= 2; else rc.Bottom += 2;
      }
      tabs_[size_t(t)] = TabPos{rc, d};
      tx += w;
    }
  }
}

int TPageControl::RowCount() const { layoutTabs(); return tabs_.empty() ? 0 : rows_; }

int TPageControl::tabStripHeight() const {
  layoutTabs();
  if (tabs_.empty()) return 0;
  return rows_ * rowHeight() + 2;
}

TRect TPageControl::TabRect(int tabIndex) const {
  layoutTabs();
  if (tabIndex < 0 || tabIndex >= int(tabs_.size())) return TRect();
  return tabs_[size_t(tabIndex)].r;
}

int TPageControl::IndexOfTabAt(int x, int y) const {
  layoutTabs();
  int activeTab = TabIndex();
  // The active tab lies over its neighbours.
  if (activeTab >= 0 && TabRect(activeTab).Contains(TPoint(x, y))) return activeTab;
  for (size_t i = 0; i < tabs_.size(); ++i)
    if (tabs_[i].r.Contains(TPoint(x, y))) return int(i);
  return -1;
}

TRect TPageControl::DisplayRect() const {
  int s = tabStripHeight();
  TRect r = tabPosition_ == tpTop ? Rect(2, s + 2, Width() - 2, Height() - 2) : Rect(2, 2, Width() - 2, Height() - s - 2);
  if (r.Right < r.Left) r.Right = r.Left;
  if (r.Bottom < r.Top) r.Bottom = r.Top;
  return r;
}

TTabSheet* TPageControl::FindNextPage(TTabSheet* cur, bool goForward, bool checkTabVisible) const {
  int n = PageCount();
  if (n == 0) return nullptr;
  auto it = std::find(pages_.begin(), pages_.end(), cur);
  int start = it == pages_.end() ? (goForward ? n - 1 : 0) : int(it - pages_.begin());
  int i = start;
  for (int k = 0; k < n; ++k) {
    i = (i + (goForward ? 1 : n - 1)) % n;
    TTabSheet* p = pages_[size_t(i)];
    if (p != cur && (!checkTabVisible || p->TabVisible())) return p;
  }
  return nullptr;
}

bool TPageControl::CanChange() {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

void TPageControl::Change() {
  if (OnChange) OnChange(this);
}

void TPageControl::SelectNextPage(bool goForward) {
  TTabSheet* p = FindNextPage(active_, goForward, true);
  if (!p || p == active_ || !CanChange()) return;
  SetActivePage(p);
  Change();
}

void TPageControl::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  if (b == mbLeft) {
    int t = IndexOfTabAt(x, y);
    TTabSheet* p = TabPage(t);
    if (p && p != active_ && CanChange()) {
      SetActivePage(p);
      Change();
    }
  }
  TCustomControl::MouseDown(b, s, x, y);
}

void TPageControl::KeyDown(uint16_t& key, TShiftState s) {
  TCustomControl::KeyDown(key, s);
  if (key == VK_TAB && s.Contains(ssCtrl)) {
    SelectNextPage(!s.Contains(ssShift));
    key = 0;
  }
}

void TPageControl::Paint() {
  TCanvas* c = Canvas();
  layoutTabs();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  TRect d = DisplayRect();
  TRect frame = Rect(d.Left - 2, d.Top - 2, d.Right + 2, d.Bottom + 2);
  Frame3D(c, frame, clBtnHighlight, cl3DDkShadow, 1);
  Frame3D(c, frame, Color(), clBtnShadow, 1);
  int activeTab = TabIndex();
  auto drawTab = [&](int t) {
    TRect r = tabs_[size_t(t)].r;
    bool act = t == activeTab;
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(r);
    c->Pen()->SetColor(clBtnHighlight);
    if (tabPosition_ == tpTop) {
      c->MoveTo(r.Left, r.Bottom - (act ? 0 : 1));
      c->LineTo(r.Left, r.Top + 2);
      c->LineTo(r.Left + 2, r.Top);
      c->LineTo(r.Right - 2, r.Top);
      c->Pen()->SetColor(cl3DDkShadow);
      c->MoveTo(r.Right - 2, r.Top + 1);
      c->LineTo(r.Right - 1, r.Top + 2);
      c->LineTo(r.Right - 1, r.Bottom - (act ? 0 : 1));
    } else {
      c->MoveTo(r.Left, r.Top);
      c->LineTo(r.Left, r.Bottom - 3);
      c->Pen()->SetColor(cl3DDkShadow);
      c->MoveTo(r.Left + 1, r.Bottom - 2);
      c->LineTo(r.Left + 2, r.Bottom - 1);
      c->LineTo(r.Right - 2, r.Bottom - 1);
      c->LineTo(r.Right - 1, r.Bottom - 2);
      c->LineTo(r.Right - 1, r.Top - 1);
    }
    c->SetFont(Font());
    c->Brush()->SetColor(Color());
    if (ownerDraw_ && OnDrawTab) {
      OnDrawTab(this, t, r, act);
    } else {
      c->Brush()->SetStyle(bsClear);
      TTabSheet* p = TabPage(t);
      TRect tr = r;
      if (!Enabled()) c->Font()->SetColor(clGrayText);
      c->DrawText(p ? p->Caption() : String(), tr, TTextFormat{tfSingleLine, tfCenter, tfVerticalCenter});
    }
  };
  for (int t = 0; t < int(tabs_.size()); ++t)
    if (t != activeTab) drawTab(t);
  if (activeTab >= 0 && activeTab < int(tabs_.size())) drawTab(activeTab);
}

// ---------------------------------------------------------------- TTrackBar

namespace {
// A slider that can leave out its thumb.
class TrackSlider : public QSlider {
 public:
  TrackSlider() : QSlider(Qt::Horizontal) {}
  bool thumb = true;
 protected:
  void paintEvent(QPaintEvent* e) override {
    if (thumb) {
      QSlider::paintEvent(e);
      return;
    }
    QPainter p(this);
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    opt.subControls = QStyle::SC_SliderGroove;
    if (tickPosition() != NoTicks) opt.subControls |= QStyle::SC_SliderTickmarks;
    style()->drawComplexControl(QStyle::CC_Slider, &opt, &p, this);
  }
};
}  // namespace

TTrackBar::TTrackBar(TComponent* AOwner) : TWinControl(AOwner) {
  auto* w = new TrackSlider;
  SetWidget(w);
  SetTabStop(true);
  SetBounds(0, 0, 150, 45);
  sync();
  QObject::connect(w, &QSlider::valueChanged, w, [this](int v) { Dispatch([&] { WidgetMoved(v); }); });
}

TTrackBar::~TTrackBar() {
  if (QWidget* w = Widget()) w->blockSignals(true);
}

void TTrackBar::sync() {
  auto* w = static_cast<QSlider*>(Widget());
  QSignalBlocker b(w);
  w->setOrientation(orientation_ == trHorizontal ? Qt::Horizontal : Qt::Vertical);
  w->setRange(min_, max_);
  w->setValue(position_);
  w->setSingleStep(lineSize_);
  w->setPageStep(pageSize_);
  w->setTickInterval(frequency_);
  QSlider::TickPosition tp = QSlider::NoTicks;
  if (tickStyle_ != tsNone)
    tp = tickMarks_ == tmBoth ? QSlider::TicksBothSides : tickMarks_ == tmTopLeft ? QSlider::TicksAbove : QSlider::TicksBelow;
  w->setTickPosition(tp);
}

void TTrackBar::SetMin(int v) {
  min_ = v;
  if (max_ < min_) max_ = min_;
  position_ = std::clamp(position_, min_, max_);
  sync();
}

void TTrackBar::SetMax(int v) {
  max_ = v;
  if (min_ > max_) min_ = max_;
  position_ = std::clamp(position_, min_, max_);
  sync();
}

void TTrackBar::SetPosition(int v) {
  v = std::clamp(v, min_, max_);
  if (v == position_) return;
  position_ = v;
  sync();
  if (OnChange) Dispatch([this] { OnChange(this); });
}

void TTrackBar::SetFrequency(int v) { frequency_ = std::max(1, v); sync(); }
void TTrackBar::SetOrientation(TTrackBarOrientation v) {
  if (orientation_ == v) return;
  orientation_ = v;
  sync();
}
void TTrackBar::SetSelStart(int v) { selStart_ = v; Invalidate(); }
void TTrackBar::SetSelEnd(int v) { selEnd_ = v; Invalidate(); }
void TTrackBar::SetLineSize(int v) { lineSize_ = std::max(1, v); sync(); }
void TTrackBar::SetPageSize(int v) { pageSize_ = std::max(1, v); sync(); }
void TTrackBar::SetTickMarks(TTickMark v) { tickMarks_ = v; sync(); }
void TTrackBar::SetTickStyle(TTickStyle v) { tickStyle_ = v; sync(); }
void TTrackBar::WidgetMoved(int v) { SetPosition(v); }

void TTrackBar::SetSliderVisible(bool v) {
  if (sliderVisible_ == v) return;
  sliderVisible_ = v;
  static_cast<TrackSlider*>(Widget())->thumb = v;
  Widget()->update();
}

// ---------------------------------------------------------------- TStatusBar

void TStatusPanel::SetText(const String& s) { if (text_ != s) { text_ = s; owner_->Invalidate(); } }
void TStatusPanel::SetWidth(int v) { if (width_ != v) { width_ = v; owner_->Invalidate(); } }
void TStatusPanel::SetAlignment(TAlignment a) { if (alignment_ != a) { alignment_ = a; owner_->Invalidate(); } }

TStatusPanel* TStatusPanels::Items(int i) const {
  if (i < 0 || i >= Count()) ListIndexError(i);
  return items_[size_t(i)].get();
}

TStatusPanel* TStatusPanels::Add() {
  items_.push_back(std::unique_ptr<TStatusPanel>(new TStatusPanel(owner_)));
  owner_->Invalidate();
  return items_.back().get();
}

void TStatusPanels::Delete(int i) {
  Items(i);
  items_.erase(items_.begin() + i);
  owner_->Invalidate();
}

void TStatusPanels::Clear() {
  items_.clear();
  owner_->Invalidate();
}

TStatusBar::TStatusBar(TComponent* AOwner) : TCustomControl(AOwner), panels_(std::make_unique<TStatusPanels>(this)) {
  SetBounds(0, 0, 200, 19);
  SetAlign(alBottom);
}

TStatusBar::~TStatusBar() = default;

void TStatusBar::SetSimplePanel(bool v) { if (simplePanel_ != v) { simplePanel_ = v; Invalidate(); } }
void TStatusBar::SetSimpleText(const String& s) { if (simpleText_ != s) { simpleText_ = s; Invalidate(); } }

TRect TStatusBar::PanelRect(int i) const {
  panels_->Items(i);
  int x = 0;
  for (int k = 0; k < i; ++k) x += panels_->Items(k)->Width() + 2;
  int right = i == panels_->Count() - 1 ? Width() : x + panels_->Items(i)->Width();
  return Rect(x, 2, std::max(x, right), Height());
}

void TStatusBar::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  auto cell = [&](TRect r, const String& text, TAlignment a) {
    Frame3D(c, r, clBtnShadow, clBtnHighlight, 1);
    c->Brush()->SetStyle(bsClear);
    r.Left += 2;
    r.Right -= 2;
    TTextFormat f{tfSingleLine, tfVerticalCenter, tfNoPrefix};
    f.Include(a == taCenter ? tfCenter : a == taRightJustify ? tfRight : tfLeft);
    c->DrawText(text, r, f);
    c->Brush()->SetStyle(bsSolid);
  };
  if (simplePanel_ || panels_->Count() == 0) {
    cell(Rect(0, 2, Width(), Height()), simplePanel_ ? simpleText_ : Caption(), taLeftJustify);
    return;
  }
  for (int i = 0; i < panels_->Count(); ++i)
    cell(PanelRect(i), panels_->Items(i)->Text(), panels_->Items(i)->Alignment());
}

// ---------------------------------------------------------------- TToolBar

TToolButton::TToolButton(TComponent* AOwner) : TGraphicControl(AOwner) { SetBounds(0, 0, 23, 22); }

TToolBar* TToolButton::bar() const { return dynamic_cast<TToolBar*>(Parent()); }

void TToolButton::SetParent(TWinControl* p) {
  TGraphicControl::SetParent(p);
  if (TToolBar* b = bar()) b->ArrangeButtons();
}

void TToolButton::SetStyle(TToolButtonStyle v) {
  if (style_ == v) return;
  style_ = v;
  if (TToolBar* b = bar()) b->ArrangeButtons();
  Invalidate();
}

void TToolButton::SetDown(bool v) {
  if (down_ == v) return;
  down_ = v;
  if (v && grouped_ && style_ == tbsCheck)
    if (TToolBar* b = bar())
      for (int i = 0; i < b->ButtonCount(); ++i) {
        TToolButton* o = b->Buttons(i);
        if (o != this && o->grouped_ && o->style_ == tbsCheck && o->down_) { o->down_ = false; o->Invalidate(); }
      }
  Invalidate();
}

void TToolButton::Click() {
  if (style_ == tbsCheck) SetDown(grouped_ ? true : !down_);
  TGraphicControl::Click();
}

void TToolButton::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  if (b == mbLeft && Enabled() && style_ != tbsSeparator && style_ != tbsDivider) { pressing_ = true; Invalidate(); }
  TGraphicControl::MouseDown(b, s, x, y);
}

void TToolButton::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  if (pressing_) { pressing_ = false; Invalidate(); }
  TGraphicControl::MouseUp(b, s, x, y);
}

void TToolButton::TextChanged() {
  if (TToolBar* b = bar()) if (b->ShowCaptions()) b->ArrangeButtons();
  Invalidate();
}

void TToolButton::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  if (style_ == tbsSeparator || style_ == tbsDivider) {
    if (style_ == tbsDivider) {
      int x = r.Width() / 2;
      TRect l = Rect(x - 1, 2, x + 1, r.Height() - 2);
      Frame3D(c, l, clBtnShadow, clBtnHighlight, 1);
    }
    return;
  }
  TToolBar* b = bar();
  bool flat = b && b->Flat();
  bool pressed = down_ || pressing_;
  if (pressed) Frame3D(c, r, clBtnShadow, clBtnHighlight, 1);
  else if (!flat) Frame3D(c, r, clBtnHighlight, clBtnShadow, 1);
  const int shift = pressed ? 1 : 0;
  TImageList* images = b ? b->Images() : nullptr;
  const bool hasImage = images && imageIndex_ >= 0 && imageIndex_ < images->Count();
  const bool captions = !b || b->ShowCaptions();
  if (hasImage) {
    const int top = captions ? 3 : (r.Height() - images->Height()) / 2;
    images->Draw(c, (r.Width() - images->Width()) / 2 + shift, top + shift, imageIndex_, Enabled());
  }
  if (!captions) return;
  c->SetFont(Font());
  c->Brush()->SetStyle(bsClear);
  if (!Enabled()) c->Font()->SetColor(clGrayText);
  TRect tr = ClientRect();
  if (hasImage) tr.Top += images->Height() + 3;
  if (pressed) tr.Offset(1, 1);
  c->DrawText(Caption(), tr, TTextFormat{tfSingleLine, tfCenter, tfVerticalCenter});
}

TToolBar::TToolBar(TComponent* AOwner) : TCustomControl(AOwner) {
  SetBounds(0, 0, 150, 29);
  SetAlign(alTop);
}

int TToolBar::ButtonCount() const {
  int n = 0;
  for (int i = 0; i < ControlCount(); ++i) if (dynamic_cast<TToolButton*>(Controls(i))) ++n;
  return n;
}

TToolButton* TToolBar::Buttons(int i) const {
  int n = 0;
  for (int k = 0; k < ControlCount(); ++k)
    if (auto* b = dynamic_cast<TToolButton*>(Controls(k))) {
      if (n == i) return b;
      ++n;
    }
  ListIndexError(i);
}

void TToolBar::SetButtonWidth(int v) { buttonWidth_ = std::max(1, v); ArrangeButtons(); }
void TToolBar::SetButtonHeight(int v) { buttonHeight_ = std::max(1, v); ArrangeButtons(); }
void TToolBar::SetShowCaptions(bool v) { showCaptions_ = v; ArrangeButtons(); Invalidate(); }
void TToolBar::SetFlat(bool v) { flat_ = v; Invalidate(); for (int i = 0; i < ButtonCount(); ++i) Buttons(i)->Invalidate(); }
void TToolBar::SetWrapable(bool v) { wrapable_ = v; ArrangeButtons(); }

void TToolBar::SetImages(TImageList* v) {
  if (images_ == v) return;
  if (images_) images_->RemoveFreeNotification(this);
  images_ = v;
  if (images_) images_->FreeNotification(this);
  Invalidate();
  for (int i = 0; i < ButtonCount(); ++i) Buttons(i)->Invalidate();
}

void TToolBar::Notification(TComponent* AComponent, bool removing) {
  TCustomControl::Notification(AComponent, removing);
  if (removing && AComponent == images_) {
    images_ = nullptr;
    if (!Destroying())
      for (int i = 0; i < ButtonCount(); ++i) Buttons(i)->Invalidate();
  }
}

void TToolBar::SetBounds(int l, int t, int w, int h) {
  bool resized = w != Width();
  TCustomControl::SetBounds(l, t, w, h);
  if (resized) ArrangeButtons();
}

void TToolBar::ArrangeButtons() {
  if (arranging_) return;
  arranging_ = true;
  Probe probe(Font());
  int x = 0, y = 2;
  for (int i = 0; i < ButtonCount(); ++i) {
    TToolButton* b = Buttons(i);
    if (!b->Visible()) continue;
    int w = buttonWidth_;
    if (b->Style() == tbsSeparator || b->Style() == tbsDivider) w = 8;
    else if (showCaptions_) w = std::max(buttonWidth_, probe->TextWidth(b->Caption()) + 10);
    if (wrapable_ && x > 0 && x + w > Width()) {
      x = 0;
      y += buttonHeight_;
    }
    b->SetBounds(x, y, w, buttonHeight_);
    x += w;
  }
  arranging_ = false;
}

void TToolBar::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
}
