// Page control (pages, silent and operator changes, owner-drawn tabs, rows
// of tabs, bottom tabs), track bar, status bar and tool bar.
#include <gtest/gtest.h>

#include <QScrollBar>
#include <QSlider>
#include <QWheelEvent>

#include "tests/toolkit/ToolkitTestUtil.h"
#include "toolkit/ComCtrls.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"

namespace {

struct PageFixture : ::testing::Test {
  TForm* form = nullptr;
  TPageControl* pc = nullptr;
  std::vector<TTabSheet*> sheets;
  int changes = 0, changings = 0;
  void SetUp() override {
    form = new TForm(nullptr);
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, 400, 300);
    pc = new TPageControl(form);
    pc->SetParent(form);
    pc->SetBounds(0, 0, 300, 200);
    pc->OnChange = [this](TObject*) { ++changes; };
    pc->OnChanging = [this](TObject*, bool&) { ++changings; };
  }
  void TearDown() override { Free(form); }
  TTabSheet* add(const String& caption) {
    auto* s = new TTabSheet(form);
    s->SetPageControl(pc);
    s->SetCaption(caption);
    sheets.push_back(s);
    return s;
  }
  void clickTab(int tab) {
    TRect r = pc->TabRect(tab);
    clickAt(pc, r.Left + r.Width() / 2, r.Top + r.Height() / 2);
  }
};

TEST_F(PageFixture, PagesAndSilentSetters) {
  add("One");
  add("Two");
  add("Three");
  EXPECT_EQ(pc->PageCount(), 3);
  EXPECT_EQ(pc->ActivePage(), sheets[0]);     // the first page becomes active
  EXPECT_EQ(sheets[2]->PageIndex(), 2);
  pc->SetActivePageIndex(2);
  EXPECT_EQ(pc->ActivePage(), sheets[2]);
  pc->SetActivePage(sheets[1]);
  pc->SetTabIndex(0);
  EXPECT_EQ(pc->ActivePageIndex(), 0);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(changings, 0);
  // Only the active page shows, filling the display area.
  EXPECT_TRUE(sheets[0]->Visible());
  EXPECT_FALSE(sheets[1]->Visible());
  EXPECT_EQ(sheets[0]->BoundsRect(), pc->DisplayRect());
  EXPECT_THROW(pc->Pages(3), EListError);
  sheets[2]->SetPageIndex(0);
  EXPECT_EQ(pc->Pages(0), sheets[2]);
  EXPECT_EQ(sheets[0]->PageIndex(), 1);
}

TEST_F(PageFixture, OperatorClickAsksOnChanging) {
  add("One");
  add("Two");
  form->Show();
  clickTab(1);
  EXPECT_EQ(pc->ActivePage(), sheets[1]);
  EXPECT_EQ(changings, 1);
  EXPECT_EQ(changes, 1);
  clickTab(1);                                // the active tab: nothing
  EXPECT_EQ(changes, 1);
  pc->OnChanging = [](TObject*, bool& allow) { allow = false; };
  clickTab(0);
  EXPECT_EQ(pc->ActivePage(), sheets[1]);
  EXPECT_EQ(changes, 1);
}

TEST_F(PageFixture, HiddenTabsAreSkipped) {
  add("A");
  add("B");
  add("C");
  sheets[1]->SetTabVisible(false);
  EXPECT_EQ(pc->TabCount(), 2);
  EXPECT_EQ(pc->TabPage(1), sheets[2]);
  EXPECT_EQ(sheets[2]->TabIndex(), 1);
  EXPECT_EQ(sheets[1]->TabIndex(), -1);
  pc->SetActivePage(sheets[2]);
  EXPECT_EQ(pc->TabIndex(), 1);
  sheets[2]->SetTabVisible(false);            // the active page's tab goes: another page shows
  EXPECT_EQ(pc->ActivePage(), sheets[0]);
  delete sheets[0];
  EXPECT_EQ(pc->PageCount(), 2);
  EXPECT_EQ(pc->ActivePage(), nullptr);       // no tab left visible
}

TEST_F(PageFixture, PagesNeverOpenedAreLaidOutToo) {
  add("One");
  TTabSheet* screens = add("Screens");
  // A page control filling a page that was never opened, with a panel
  // aligned at the top of its own first page.
  auto* inner = new TPageControl(form);
  inner->SetParent(screens);
  inner->SetAlign(alClient);
  auto* sub = new TTabSheet(form);
  sub->SetPageControl(inner);
  auto* bar = new TPanel(form);
  bar->SetParent(sub);
  bar->SetHeight(30);
  bar->SetAlign(alTop);
  EXPECT_EQ(pc->ActivePage(), sheets[0]);
  EXPECT_FALSE(screens->Visible());
  EXPECT_EQ(screens->BoundsRect(), pc->DisplayRect());
  EXPECT_EQ(inner->Width(), pc->DisplayRect().Width());
  EXPECT_EQ(inner->Height(), pc->DisplayRect().Height());
  EXPECT_EQ(sub->BoundsRect(), inner->DisplayRect());
  EXPECT_EQ(bar->Width(), sub->Width());
  EXPECT_GT(bar->Width(), 0);
  // A resize reaches the hidden pages as well.
  pc->SetBounds(0, 0, 380, 260);
  EXPECT_EQ(screens->BoundsRect(), pc->DisplayRect());
  EXPECT_EQ(bar->Width(), inner->DisplayRect().Width());
  EXPECT_EQ(sheets[0]->BoundsRect(), screens->BoundsRect());
}

TEST_F(PageFixture, OwnerDrawCallsOnDrawTabForEveryTab) {
  for (const char* c : {"Main", "With goals", "Structure"}) add(c);
  pc->SetOwnerDraw(true);
  pc->SetActivePageIndex(1);
  struct Call { int tab; TRect r; bool active; TColor pen; };
  std::vector<Call> calls;
  pc->OnDrawTab = [&](TCustomControl* c, int tab, const TRect& r, bool active) {
    ASSERT_EQ(c, pc);
    c->Canvas()->Font()->SetColor(active ? clRed : clBlack);
    c->Canvas()->TextRect(r, r.Left + 4 + (active ? 2 : 0), r.Top + (active ? 4 : 0), sheets[size_t(tab)]->Caption());
    c->Canvas()->Brush()->SetColor(clLime);
    c->Canvas()->FillRect(Rect(r.Left + 1, r.Bottom - 3, r.Left + 3, r.Bottom - 1));
    calls.push_back({tab, r, active, 0});
  };
  form->Show();
  TBitmap shot(300, 200);
  pc->PaintTo(shot.Canvas(), 0, 0);
  ASSERT_EQ(calls.size(), 3u);
  for (const Call& c : calls) {
    EXPECT_EQ(c.r, pc->TabRect(c.tab));
    EXPECT_EQ(c.active, c.tab == 1);
    // Tab 2's left edge lies under the raised active tab.
    if (c.tab != 2) {
      EXPECT_EQ(shot.Canvas()->Pixel(c.r.Left + 1, c.r.Bottom - 2), clLime) << c.tab;
    }
  }
  EXPECT_EQ(calls.back().tab, 1);             // the active tab is drawn last, over the others
  // The active tab stands out over its neighbours.
  EXPECT_LT(pc->TabRect(1).Top, pc->TabRect(0).Top);
}

TEST_F(PageFixture, MultiLineRowsPutTheActiveRowNextToThePages) {
  for (int i = 0; i < 12; ++i) add("Page number " + IntToStr(i));
  pc->SetTabWidth(90);
  EXPECT_EQ(pc->RowCount(), 1);               // one row, running past the edge
  pc->SetMultiLine(true);
  int rows = pc->RowCount();
  EXPECT_EQ(rows, 4);                          // 3 tabs of 90 in 296 pixels
  TRect d = pc->DisplayRect();
  pc->SetActivePageIndex(10);
  TRect act = pc->TabRect(pc->TabIndex());
  EXPECT_EQ(act.Bottom, d.Top - 2);
  // Rows are stretched to the full width.
  TRect first = pc->TabRect(9), last = pc->TabRect(11);
  EXPECT_EQ(first.Left, 2);
  EXPECT_EQ(last.Right, 298);
  // Every other row lies above it, each tab inside the strip.
  for (int t = 0; t < pc->TabCount(); ++t) EXPECT_LE(pc->TabRect(t).Bottom, d.Top - 2) << t;
  EXPECT_NE(pc->TabRect(0).Top, pc->TabRect(3).Top);
  // A click on a tab in another row brings its row forward.
  form->Show();
  clickTab(1);
  EXPECT_EQ(pc->ActivePageIndex(), 1);
  EXPECT_EQ(pc->TabRect(1).Bottom, d.Top - 2);
  EXPECT_EQ(changes, 1);
}

TEST_F(PageFixture, BottomTabsLieBelowThePages) {
  for (int i = 0; i < 6; ++i) add("Tab " + IntToStr(i));
  pc->SetTabPosition(tpBottom);
  pc->SetMultiLine(true);
  pc->SetTabWidth(120);
  TRect d = pc->DisplayRect();
  EXPECT_EQ(d.Top, 2);
  EXPECT_EQ(pc->RowCount(), 3);
  for (int t = 0; t < pc->TabCount(); ++t) EXPECT_GE(pc->TabRect(t).Top, d.Bottom + 2) << t;
  EXPECT_EQ(pc->TabRect(pc->TabIndex()).Top, d.Bottom + 2);
  pc->SetTabHeight(30);
  EXPECT_EQ(pc->DisplayRect().Bottom, 200 - 3 * 30 - 2 - 2);
  EXPECT_EQ(sheets[0]->BoundsRect(), pc->DisplayRect());
}

TEST(TrackBar, PositionFiresOnChangeAndStaysInRange) {
  TForm* form = new TForm(nullptr);
  auto* tb = new TTrackBar(form);
  tb->SetParent(form);
  int changes = 0;
  tb->OnChange = [&](TObject*) { ++changes; };
  tb->SetMax(100);
  tb->SetPosition(40);
  tb->SetPosition(40);
  EXPECT_EQ(changes, 1);
  tb->SetPosition(500);
  EXPECT_EQ(tb->Position(), 100);
  tb->SetMax(50);                    // the range shrinks: the position follows, silently
  EXPECT_EQ(tb->Position(), 50);
  EXPECT_EQ(changes, 2);
  static_cast<QSlider*>(tb->Widget())->setValue(10);   // the operator drags
  EXPECT_EQ(tb->Position(), 10);
  EXPECT_EQ(changes, 3);
  Free(form);
}

TEST(StatusBar, PanelsShareTheWidth) {
  TForm* form = new TForm(nullptr);
  form->SetBounds(0, 0, 300, 200);
  auto* sb = new TStatusBar(form);
  sb->SetParent(form);
  EXPECT_EQ(sb->Align(), alBottom);
  sb->Panels()->Add()->SetWidth(100);
  sb->Panels()->Add()->SetText("second");
  EXPECT_EQ(sb->PanelRect(0).Width(), 100);
  EXPECT_EQ(sb->PanelRect(1).Left, 102);
  EXPECT_EQ(sb->PanelRect(1).Right, sb->Width());
  EXPECT_EQ(sb->Panels()->Items(1)->Text(), "second");
  EXPECT_THROW(sb->Panels()->Items(2), EListError);
  Free(form);
}

TEST(ToolBar, ButtonsRunLeftToRightAndWrap) {
  TForm* form = new TForm(nullptr);
  form->SetBounds(0, 0, 300, 200);
  auto* bar = new TToolBar(form);
  bar->SetParent(form);
  bar->SetAlign(alNone);
  bar->SetWidth(60);
  std::vector<TToolButton*> b;
  for (int i = 0; i < 3; ++i) {
    b.push_back(new TToolButton(form));
    b.back()->SetParent(bar);
  }
  EXPECT_EQ(bar->ButtonCount(), 3);
  EXPECT_EQ(b[1]->Left(), 23);
  EXPECT_EQ(b[2]->Left(), 0);                 // wrapped to the next row
  EXPECT_EQ(b[2]->Top(), b[0]->Top() + 22);
  b[0]->SetStyle(tbsCheck);
  int clicks = 0;
  b[0]->OnClick = [&](TObject*) { ++clicks; };
  b[0]->Click();
  EXPECT_TRUE(b[0]->Down());
  b[0]->Click();
  EXPECT_FALSE(b[0]->Down());
  EXPECT_EQ(clicks, 2);
  Free(form);
}

}  // namespace

// A page whose children do not fit scrolls them: bars laid over its right
// and bottom edges reach past themselves, the children keep their bounds and
// only show moved, the wheel scrolls, and a page whose children fit has none.
TEST_F(PageFixture, PageScrollsChildrenThatDoNotFit) {
  TTabSheet* s = add("A");
  form->Show();
  const int w = s->Width(), h = s->Height();
  auto* fits = new TPanel(form);
  fits->SetParent(s);
  fits->SetBounds(0, 0, 50, 50);
  EXPECT_EQ(s->ScrollLimit(), TPoint());
  EXPECT_TRUE(s->Widget()->findChildren<QScrollBar*>().isEmpty() ||
              !s->Widget()->findChildren<QScrollBar*>()[0]->isVisible());

  auto* far = new TPanel(form);
  far->SetParent(s);
  far->SetBounds(w + 100, h + 40, 60, 30);   // beyond both edges
  const TPoint limit = s->ScrollLimit();
  EXPECT_EQ(limit, TPoint(w + 160 + 17 - w, h + 70 + 17 - h));
  int shown = 0;
  for (QScrollBar* b : s->Widget()->findChildren<QScrollBar*>()) shown += b->isVisible();
  EXPECT_EQ(shown, 2);
  // The bars take the operator to the far corner; the child keeps its bounds.
  for (QScrollBar* b : s->Widget()->findChildren<QScrollBar*>()) b->setValue(b->maximum());
  EXPECT_EQ(s->ScrollPosition(), limit);
  EXPECT_EQ(far->Left(), w + 100);
  const QRect g = far->Widget()->geometry();
  EXPECT_EQ(g.topLeft(), QPoint(w + 100 - limit.X, h + 40 - limit.Y));
  EXPECT_LE(g.right() + 17, w);
  EXPECT_LE(g.bottom() + 17, h);
  EXPECT_EQ(far->ClientToScreen(TPoint()).X - s->ClientToScreen(TPoint()).X, w + 100);
  // The wheel over the page scrolls it back up.
  QWheelEvent up(QPointF(5, 5), s->Widget()->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120 * 20),
                 Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(s->Widget(), &up);
  EXPECT_EQ(s->ScrollPosition().Y, 0);
  // Once the child is gone the page neither scrolls nor shows bars.
  far->SetVisible(false);
  EXPECT_EQ(s->ScrollLimit(), TPoint());
  EXPECT_EQ(s->ScrollPosition(), TPoint());
}
