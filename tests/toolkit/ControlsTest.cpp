// Control base: child order, stacking, reparenting, alignment, painting and
// the grab, fonts, and how widget events reach the control.
#include <gtest/gtest.h>

#include <QContextMenuEvent>

#include "tests/toolkit/ToolkitTestUtil.h"
#include "toolkit/Forms.h"
#include "toolkit/Menus.h"
#include "toolkit/TextLine.h"

namespace {

// A windowed control that fills itself with one colour.
class Box : public TCustomControl {
 public:
  Box(TComponent* o, TColor fill) : TCustomControl(o), fill_(fill) {}
  int paints = 0;
  bool clipped = false;   // the last paint's canvas had a clip
  TRect clip;             // and this was its clip rectangle
 protected:
  void Paint() override {
    ++paints;
    clipped = Canvas()->HasClip();
    clip = Canvas()->ClipRect();
    Canvas()->Brush()->SetColor(fill_);
    Canvas()->FillRect(ClientRect());
  }
 private:
  TColor fill_;
};

// A graphic control that fills itself with one colour.
class Spot : public TGraphicControl {
 public:
  Spot(TComponent* o, TColor fill) : TGraphicControl(o), fill_(fill) {}
  bool* destroyed = nullptr;
  ~Spot() override {
    if (destroyed) *destroyed = true;
  }
 protected:
  void Paint() override {
    Canvas()->Brush()->SetColor(fill_);
    Canvas()->FillRect(ClientRect());
  }
 private:
  TColor fill_;
};

struct FormFixture : ::testing::Test {
  TForm* form = nullptr;
  void SetUp() override {
    form = new TForm(nullptr);
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, 300, 200);
    form->SetColor(clGray);
  }
  void TearDown() override { Free(form); }
  template <class T, class... A>
  T* make(TWinControl* parent, A... a) {
    T* c = new T(form, a...);
    c->SetParent(parent);
    return c;
  }
};

std::vector<TControl*> children(const TWinControl* p) {
  std::vector<TControl*> v;
  for (int i = 0; i < p->ControlCount(); ++i) v.push_back(p->Controls(i));
  return v;
}

TColor pixelOf(TBitmap& bmp, int x, int y) { return bmp.Canvas()->Pixel(x, y); }

}  // namespace

using ControlTree = FormFixture;

TEST_F(ControlTree, GraphicChildrenComeFirstThenWindowedEachInZOrder) {
  auto* g1 = make<Spot>(form, clRed);
  auto* w1 = make<Box>(form, clBlue);
  auto* g2 = make<Spot>(form, clRed);
  auto* w2 = make<Box>(form, clBlue);
  EXPECT_EQ(children(form), (std::vector<TControl*>{g1, g2, w1, w2}));

  g1->BringToFront();
  EXPECT_EQ(children(form), (std::vector<TControl*>{g2, g1, w1, w2}));
  w2->SendToBack();
  EXPECT_EQ(children(form), (std::vector<TControl*>{g2, g1, w2, w1}));
  w2->BringToFront();
  g1->SendToBack();
  EXPECT_EQ(children(form), (std::vector<TControl*>{g1, g2, w1, w2}));
}

TEST_F(ControlTree, GraphicControlPaintsBelowWindowedSiblingEvenWhenBroughtToFront) {
  auto* w = make<Box>(form, clBlue);
  w->SetBounds(10, 10, 50, 50);
  auto* g = make<Spot>(form, clRed);
  g->SetBounds(30, 30, 50, 50);
  g->BringToFront();

  TBitmap bmp(300, 200);
  form->PaintTo(bmp.Canvas(), 0, 0);
  EXPECT_EQ(pixelOf(bmp, 40, 40), clBlue);   // the overlap shows the windowed control
  EXPECT_EQ(pixelOf(bmp, 70, 70), clRed);    // the graphic control outside the overlap
  EXPECT_EQ(pixelOf(bmp, 15, 15), clBlue);
  EXPECT_EQ(pixelOf(bmp, 200, 150), clGray); // the form's own colour
}

TEST_F(ControlTree, WindowedSiblingsStackInTheirOrder) {
  auto* a = make<Box>(form, clBlue);
  a->SetBounds(0, 0, 60, 60);
  auto* b = make<Box>(form, clLime);
  b->SetBounds(30, 30, 60, 60);
  TBitmap bmp(300, 200);
  form->PaintTo(bmp.Canvas(), 0, 0);
  EXPECT_EQ(pixelOf(bmp, 40, 40), clLime);
  a->BringToFront();
  form->PaintTo(bmp.Canvas(), 0, 0);
  EXPECT_EQ(pixelOf(bmp, 40, 40), clBlue);
}

TEST_F(ControlTree, SetParentKeepsVisibleAndBoundsAndPutsOnTop) {
  auto* panelA = make<Box>(form, clWhite);
  auto* panelB = make<Box>(form, clWhite);
  auto* existing = make<Box>(panelB, clBlue);
  auto* moving = make<Box>(panelA, clRed);
  moving->SetBounds(5, 6, 70, 80);
  moving->SetVisible(false);

  moving->SetParent(panelB);
  EXPECT_EQ(moving->Parent(), panelB);
  EXPECT_EQ(panelA->ControlCount(), 0);
  EXPECT_EQ(children(panelB), (std::vector<TControl*>{existing, moving}));
  EXPECT_EQ(moving->BoundsRect(), Bounds(5, 6, 70, 80));
  EXPECT_FALSE(moving->Visible());
  EXPECT_FALSE(moving->Widget()->isVisibleTo(panelB->Widget()));

  moving->SetVisible(true);
  EXPECT_TRUE(moving->Widget()->isVisibleTo(panelB->Widget()));
  EXPECT_TRUE(panelB->ContainsControl(moving));
  EXPECT_TRUE(form->ContainsControl(moving));

  // A control cannot become a child of its own child.
  EXPECT_THROW(panelB->SetParent(moving), EInvalidOperation);
  EXPECT_EQ(panelB->Parent(), form);
  moving->SetParent(nullptr);
  EXPECT_EQ(moving->Parent(), nullptr);
  EXPECT_EQ(children(panelB), (std::vector<TControl*>{existing}));
}

TEST_F(ControlTree, FreeingAParentFreesItsChildren) {
  auto* panel = make<Box>(form, clWhite);
  bool gone = false;
  auto* spot = make<Spot>(panel, clRed);
  spot->destroyed = &gone;
  int before = form->ComponentCount();
  delete panel;
  EXPECT_TRUE(gone);
  EXPECT_EQ(form->ComponentCount(), before - 2);
  EXPECT_EQ(form->ControlCount(), 0);
}

using Alignment = FormFixture;

TEST_F(Alignment, TopBottomLeftRightThenClient) {
  // Created in an order that differs from the layout order on purpose.
  auto* client = make<Box>(form, clWhite);
  client->SetAlign(alClient);
  auto* right = make<Box>(form, clWhite);
  right->SetWidth(50);
  right->SetAlign(alRight);
  auto* top1 = make<Box>(form, clWhite);
  top1->SetHeight(20);
  top1->SetAlign(alTop);
  auto* left = make<Box>(form, clWhite);
  left->SetWidth(40);
  left->SetAlign(alLeft);
  auto* bottom = make<Box>(form, clWhite);
  bottom->SetHeight(10);
  bottom->SetAlign(alBottom);
  auto* top2 = make<Spot>(form, clWhite);   // graphic controls take part too
  top2->SetBounds(0, 100, 0, 30);
  top2->SetAlign(alTop);

  EXPECT_EQ(top1->BoundsRect(), Bounds(0, 0, 300, 20));
  EXPECT_EQ(top2->BoundsRect(), Bounds(0, 20, 300, 30));
  EXPECT_EQ(bottom->BoundsRect(), Bounds(0, 190, 300, 10));
  EXPECT_EQ(left->BoundsRect(), Bounds(0, 50, 40, 140));
  EXPECT_EQ(right->BoundsRect(), Bounds(250, 50, 50, 140));
  EXPECT_EQ(client->BoundsRect(), Bounds(40, 50, 210, 140));

  // Resizing the parent lays the children out again; a hidden one is skipped.
  top1->SetVisible(false);
  form->SetBounds(0, 0, 400, 300);
  EXPECT_EQ(top2->BoundsRect(), Bounds(0, 0, 400, 30));
  EXPECT_EQ(bottom->BoundsRect(), Bounds(0, 290, 400, 10));
  EXPECT_EQ(right->BoundsRect(), Bounds(350, 30, 50, 260));
  EXPECT_EQ(client->BoundsRect(), Bounds(40, 30, 310, 260));

  // Changing an aligned control's size lays out its siblings.
  top2->SetHeight(50);
  EXPECT_EQ(client->BoundsRect(), Bounds(40, 50, 310, 240));
}

TEST_F(Alignment, ControlsOfOneAlignmentKeepTheOrderOfTheirPositions) {
  // A form built in code sets the design bounds, then the alignments.
  form->DisableAlign();
  auto* a = make<Box>(form, clWhite);
  a->SetBounds(0, 100, 10, 20);
  a->SetAlign(alTop);
  auto* b = make<Box>(form, clWhite);
  b->SetBounds(0, 0, 10, 30);   // designed above a
  b->SetAlign(alTop);
  auto* c = make<Box>(form, clWhite);
  c->SetBounds(0, 150, 10, 5);
  c->SetAlign(alBottom);
  auto* d = make<Box>(form, clWhite);
  d->SetBounds(0, 180, 10, 7);   // designed below c
  d->SetAlign(alBottom);
  form->EnableAlign();
  EXPECT_EQ(b->Top(), 0);
  EXPECT_EQ(a->Top(), 30);
  EXPECT_EQ(d->Top(), 193);
  EXPECT_EQ(c->Top(), 188);
  // Once laid out, the order stays.
  form->SetHeight(300);
  EXPECT_EQ(b->Top(), 0);
  EXPECT_EQ(a->Top(), 30);
  EXPECT_EQ(d->Top(), 293);
}

TEST_F(Alignment, DisableAlignDefersTheLayout) {
  auto* t = make<Box>(form, clWhite);
  form->DisableAlign();
  t->SetHeight(25);
  t->SetAlign(alTop);
  EXPECT_EQ(t->Width(), 0);
  form->EnableAlign();
  EXPECT_EQ(t->BoundsRect(), Bounds(0, 0, 300, 25));
}

TEST_F(Alignment, AnchorsFollowTheParentsSize) {
  auto* panel = make<Box>(form, clWhite);
  panel->SetBounds(0, 0, 200, 100);
  auto* br = make<Box>(panel, clWhite);
  br->SetBounds(150, 60, 40, 30);
  br->SetAnchors({akRight, akBottom});
  auto* stretch = make<Box>(panel, clWhite);
  stretch->SetBounds(10, 10, 100, 20);
  stretch->SetAnchors({akLeft, akTop, akRight});
  panel->SetBounds(0, 0, 250, 120);
  EXPECT_EQ(br->BoundsRect(), Bounds(200, 80, 40, 30));
  EXPECT_EQ(stretch->BoundsRect(), Bounds(10, 10, 150, 20));
}

TEST_F(Alignment, ConstraintsLimitTheSize) {
  auto* t = make<Box>(form, clWhite);
  TSizeConstraints k;
  k.MinHeight = 215;
  t->SetConstraints(k);
  EXPECT_EQ(t->Height(), 215);
  t->SetHeight(100);
  EXPECT_EQ(t->Height(), 215);
}

using Painting = FormFixture;

TEST_F(Painting, GrabRendersTheTreeHeadlessAtAnOffset) {
  auto* panel = make<Box>(form, clNavy);
  panel->SetBounds(10, 10, 100, 80);
  auto* spot = make<Spot>(panel, clYellow);
  spot->SetBounds(20, 20, 10, 10);
  TBitmap bmp(200, 150);
  bmp.Fill(clWhite);
  panel->PaintTo(bmp.Canvas(), 50, 40);
  EXPECT_EQ(pixelOf(bmp, 10, 10), clWhite);     // outside the grabbed control
  EXPECT_EQ(pixelOf(bmp, 55, 45), clNavy);
  EXPECT_EQ(pixelOf(bmp, 75, 65), clYellow);    // the child at 50+20, 40+20
  EXPECT_EQ(pixelOf(bmp, 149, 119), clNavy);
  EXPECT_EQ(pixelOf(bmp, 150, 120), clWhite);
}

TEST_F(Painting, HiddenChildIsNotPainted) {
  auto* spot = make<Spot>(form, clRed);
  spot->SetBounds(0, 0, 20, 20);
  spot->Hide();
  TBitmap bmp(300, 200);
  form->PaintTo(bmp.Canvas(), 0, 0);
  EXPECT_EQ(pixelOf(bmp, 5, 5), clGray);
}

TEST_F(Painting, TransparentGraphicControlLetsTheParentShowThrough) {
  struct Dot : TGraphicControl {
    using TGraphicControl::TGraphicControl;
    void Paint() override { Canvas()->SetPixel(0, 0, clRed); }
  };
  auto* d = make<Dot>(form);
  d->SetBounds(100, 100, 10, 10);
  TBitmap bmp(300, 200);
  form->PaintTo(bmp.Canvas(), 0, 0);
  EXPECT_EQ(pixelOf(bmp, 100, 100), clRed);
  EXPECT_EQ(pixelOf(bmp, 105, 105), clGray);
}

// A paint's texts share one painter: drawn twice (plainly, then from a kept
// layout), over cells filled before in the same or another colour or drawn
// on since, and with a line of text drawn by a painter of its own in
// between, they give the same pixels as on a bitmap's canvas.
TEST_F(Painting, TextsOfAPaintDrawAsOnABitmap) {
  TTextLine line;
  auto draw = [&line](TCanvas* c) {
    c->Font()->SetHeight(-16);
    for (int pass = 0; pass < 2; ++pass)
      for (int k = 0; k < 4; ++k) {
        const TRect cell = Rect(k * 60, pass * 50, k * 60 + 50, pass * 50 + 20);
        c->Brush()->SetColor(k == 3 ? clAqua : clWhite);
        c->FillRect(cell);
        if (k == 2) c->SetPixel(cell.Left + 40, cell.Top + 15, clRed);
        c->Brush()->SetColor(k % 2 ? clYellow : clWhite);
        c->Font()->SetColor(k % 2 ? clNavy : clBlack);
        c->TextRect(cell, cell.Left + 2, cell.Top + 2, "Cell text " + std::to_string(k));
        if (k == 1) {
          line.Layout("Running line", c->Font());
          line.Draw(c, 5, pass * 50 + 25, clRed, Rect(0, pass * 50 + 20, 240, pass * 50 + 45));
        }
      }
  };
  struct Cells : TCustomControl {
    using TCustomControl::TCustomControl;
    std::function<void(TCanvas*)> draw;
    void Paint() override { draw(Canvas()); }
  };
  auto* cells = make<Cells>(form);
  cells->draw = draw;
  cells->SetBounds(0, 0, 240, 100);
  TBitmap painted(240, 100), expected(240, 100);
  cells->PaintTo(painted.Canvas(), 0, 0);
  expected.Fill(cells->Color());
  draw(expected.Canvas());
  int inked = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 240; ++x) {
      ASSERT_EQ(pixelOf(painted, x, y), pixelOf(expected, x, y)) << x << "," << y;
      inked += pixelOf(expected, x, y) == clRed;
    }
  EXPECT_GT(inked, 10);
}

TEST_F(Painting, AnExceptionInPaintIsShownAfterThePaintEvent) {
  struct Broken : TCustomControl {
    using TCustomControl::TCustomControl;
    void Paint() override { throw EInvalidGraphic("broken picture"); }
  };
  MessageBoxCapture boxes;
  auto* b = make<Broken>(form);
  b->SetBounds(0, 0, 20, 20);
  TBitmap bmp(300, 200);
  form->PaintTo(bmp.Canvas(), 0, 0);
  EXPECT_TRUE(pumpUntil([&] { return !boxes.asked.empty(); }));
  EXPECT_EQ(boxes.last(), "broken picture");
}

using Fonts = FormFixture;

TEST_F(Fonts, ParentFontReachesChildrenUntilTheyChooseTheirOwn) {
  auto* panel = make<Box>(form, clWhite);
  auto* a = make<Box>(panel, clWhite);
  auto* b = make<Box>(panel, clWhite);
  form->Font()->SetSize(14);
  EXPECT_EQ(a->Font()->Size(), 14);
  EXPECT_TRUE(a->ParentFont());
  b->Font()->SetName("Courier New");
  EXPECT_FALSE(b->ParentFont());
  form->Font()->SetSize(20);
  EXPECT_EQ(a->Font()->Size(), 20);
  EXPECT_EQ(b->Font()->Size(), 14);
  b->SetParentFont(true);
  EXPECT_EQ(b->Font()->Size(), 20);
  EXPECT_EQ(b->Font()->Name(), form->Font()->Name());
}

TEST_F(Fonts, ParentColorFollowsTheParent) {
  auto* panel = make<Box>(form, clWhite);
  panel->SetParentColor(true);
  EXPECT_EQ(panel->Color(), clGray);
  form->SetColor(clGreen);
  EXPECT_EQ(panel->Color(), clGreen);
  panel->SetColor(clRed);
  EXPECT_FALSE(panel->ParentColor());
  form->SetColor(clBlue);
  EXPECT_EQ(panel->Color(), clRed);
}

using WidgetEvents = FormFixture;

TEST_F(WidgetEvents, PressAndReleaseInsideRunsClickBeforeMouseUp) {
  auto* b = make<Box>(form, clWhite);
  b->SetBounds(0, 0, 50, 50);
  std::vector<String> log;
  b->OnMouseDown = [&](TObject*, TMouseButton btn, TShiftState, int x, int y) {
    log.push_back(FormatA("down %d %d,%d", int(btn), x, y));
  };
  b->OnClick = [&](TObject* s) {
    EXPECT_EQ(s, b);
    log.push_back("click");
  };
  b->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { log.push_back("up"); };
  clickAt(b, 5, 7);
  EXPECT_EQ(log, (std::vector<String>{"down 0 5,7", "click", "up"}));

  log.clear();
  sendMouse(b, QEvent::MouseButtonPress, 5, 5);
  sendMouse(b, QEvent::MouseButtonRelease, 80, 80);   // released outside
  EXPECT_EQ(log, (std::vector<String>{"down 0 5,5", "up"}));

  log.clear();
  sendMouse(b, QEvent::MouseButtonPress, 5, 5, Qt::RightButton);
  sendMouse(b, QEvent::MouseButtonRelease, 5, 5, Qt::RightButton);
  EXPECT_EQ(log, (std::vector<String>{"down 1 5,5", "up"}));
}

TEST_F(WidgetEvents, WithoutClickEventsStyleNoClick) {
  auto* b = make<Box>(form, clWhite);
  b->SetBounds(0, 0, 50, 50);
  TControlStyle s = b->ControlStyle();
  s.Exclude(csClickEvents);
  b->SetControlStyle(s);
  int clicks = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  clickAt(b, 5, 5);
  EXPECT_EQ(clicks, 0);
}

TEST_F(WidgetEvents, ExceptionInHandlerIsShownAndEventsGoOn) {
  auto* b = make<Box>(form, clWhite);
  b->SetBounds(0, 0, 50, 50);
  MessageBoxCapture boxes;
  int ups = 0;
  b->OnClick = [](TObject*) { throw EConvertError("'x' is not a valid integer value"); };
  b->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { ++ups; };
  clickAt(b, 5, 5);
  ASSERT_EQ(boxes.asked.size(), 1u);
  EXPECT_EQ(boxes.last(), "'x' is not a valid integer value");
  EXPECT_EQ(boxes.asked[0].DlgType, mtError);
  EXPECT_EQ(ups, 1);   // the rest of the event still ran
  clickAt(b, 5, 5);
  EXPECT_EQ(boxes.asked.size(), 2u);
}

TEST_F(WidgetEvents, AbortIsSilent) {
  auto* b = make<Box>(form, clWhite);
  b->SetBounds(0, 0, 50, 50);
  MessageBoxCapture boxes;
  b->OnClick = [](TObject*) { Abort(); };
  clickAt(b, 5, 5);
  EXPECT_TRUE(boxes.asked.empty());
}

TEST_F(WidgetEvents, ControlFreedByItsOwnClickHandler) {
  auto* b = make<Box>(form, clWhite);
  b->SetBounds(0, 0, 50, 50);
  b->OnClick = [b](TObject*) { delete b; };
  clickAt(b, 5, 5);
  EXPECT_EQ(form->ControlCount(), 0);
  QCoreApplication::processEvents();
}

TEST_F(WidgetEvents, KeysReachTheControlAndKeyPreviewSeesThemFirst) {
  auto* b = make<Box>(form, clWhite);
  b->SetBounds(0, 0, 50, 50);
  form->Show();
  b->SetFocus();
  std::vector<String> log;
  b->OnKeyDown = [&](TObject*, uint16_t& k, TShiftState s) {
    log.push_back(FormatA("down %d%s", int(k), s.Contains(ssCtrl) ? " ctrl" : ""));
  };
  b->OnKeyPress = [&](TObject*, char32_t& ch) { log.push_back(FormatA("press %d", int(ch))); };
  b->OnKeyUp = [&](TObject*, uint16_t& k, TShiftState) { log.push_back(FormatA("up %d", int(k))); };
  sendKey(b->Widget(), Qt::Key_A, "a");
  EXPECT_EQ(log, (std::vector<String>{"down 65", "press 97", "up 65"}));

  log.clear();
  sendKey(b->Widget(), Qt::Key_Left, QString(), Qt::ControlModifier);
  EXPECT_EQ(log, (std::vector<String>{"down 37 ctrl", "up 37"}));

  // The form previews keys; a key set to 0 goes no further.
  log.clear();
  form->SetKeyPreview(true);
  form->OnKeyDown = [&](TObject*, uint16_t& k, TShiftState) {
    log.push_back(FormatA("form %d", int(k)));
    if (k == VK_ESCAPE) k = 0;
  };
  sendKey(b->Widget(), Qt::Key_Escape, QString(QChar(27)));
  EXPECT_EQ(log.front(), "form 27");
  EXPECT_EQ(std::count(log.begin(), log.end(), "down 27"), 0);
  sendKey(b->Widget(), Qt::Key_B, "b");
  EXPECT_NE(std::find(log.begin(), log.end(), "form 66"), log.end());
  EXPECT_NE(std::find(log.begin(), log.end(), "down 66"), log.end());
  form->Hide();
}

TEST_F(WidgetEvents, ClickFromCodeRunsEvenWhenDisabled) {
  auto* b = make<Box>(form, clWhite);
  int clicks = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  b->SetEnabled(false);
  b->Click();
  EXPECT_EQ(clicks, 1);
}

TEST_F(WidgetEvents, ResizeRunsOnlyWhenTheSizeChanges) {
  auto* b = make<Box>(form, clWhite);
  int resizes = 0;
  b->OnResize = [&](TObject*) { ++resizes; };
  b->SetBounds(0, 0, 10, 10);
  b->SetLeft(5);
  b->SetBounds(5, 0, 10, 10);
  EXPECT_EQ(resizes, 1);
  b->SetWidth(11);
  EXPECT_EQ(resizes, 2);
}

TEST_F(WidgetEvents, ContextPopupComesFirstAndCanKeepTheMenuAway) {
  auto* b = make<Box>(form, clWhite);
  b->SetBounds(0, 0, 50, 50);
  TPopupMenu menu(nullptr);
  auto* item = new TMenuItem(&menu);
  item->SetCaption("One");
  menu.Items()->Add(item);
  b->SetPopupMenu(&menu);
  int pops = 0;
  menu.OnPopup = [&](TObject*) { ++pops; };
  auto ask = [&](QContextMenuEvent::Reason why, int x, int y) {
    QContextMenuEvent e(why, QPoint(x, y), b->Widget()->mapToGlobal(QPoint(x, y)));
    QCoreApplication::sendEvent(b->Widget(), &e);
  };
  std::vector<TPoint> asked;
  bool keep = true;
  int popsSeen = -1;
  b->OnContextPopup = [&](TObject* sender, TPoint at, bool& handled) {
    EXPECT_EQ(sender, b);
    popsSeen = pops;
    asked.push_back(at);
    handled = keep;
  };
  ask(QContextMenuEvent::Mouse, 5, 7);
  EXPECT_EQ(asked, (std::vector<TPoint>{TPoint(5, 7)}));
  EXPECT_EQ(pops, 0);                          // handled: no menu
  EXPECT_EQ(menu.ShownMenu(), nullptr);
  keep = false;
  pops = 0;
  asked.clear();
  ask(QContextMenuEvent::Keyboard, 9, 9);
  EXPECT_EQ(asked, (std::vector<TPoint>{TPoint(-1, -1)}));
  EXPECT_EQ(pops, 1);                          // not handled: the menu shows
  EXPECT_EQ(popsSeen, 0);                      // after the event
  EXPECT_EQ(menu.PopupComponent(), b);
  menu.ClosePopup();
  // An exception in the handler is shown, and no menu follows it.
  MessageBoxCapture boxes;
  b->OnContextPopup = [](TObject*, TPoint, bool&) { throw EConvertError("bad"); };
  ask(QContextMenuEvent::Mouse, 1, 1);
  EXPECT_EQ(boxes.last(), "bad");
  EXPECT_EQ(pops, 1);
  EXPECT_EQ(menu.ShownMenu(), nullptr);
  b->SetPopupMenu(nullptr);
}

TEST_F(Painting, InvalidateRectRepaintsOnlyThatArea) {
  auto* b = make<Box>(form, clWhite);
  b->SetBounds(10, 10, 100, 80);
  form->Show();
  ASSERT_TRUE(pumpUntil([&] { return b->paints > 0; }));
  ASSERT_FALSE(b->clipped);                    // a full paint has no clip
  b->paints = 0;
  b->InvalidateRect(Rect(30, 20, 10, 5));      // not normalised
  ASSERT_TRUE(pumpUntil([&] { return b->paints > 0; }));
  EXPECT_TRUE(b->clipped);
  EXPECT_EQ(b->clip, Rect(10, 5, 30, 20));
  b->paints = 0;
  b->Invalidate();
  ASSERT_TRUE(pumpUntil([&] { return b->paints > 0; }));
  EXPECT_FALSE(b->clipped);                    // the clip was not left behind
  b->paints = 0;
  b->InvalidateRect(Rect(5, 5, 5, 40));        // empty: nothing to paint
  QCoreApplication::processEvents();
  EXPECT_EQ(b->paints, 0);
  form->Hide();
}

TEST_F(Painting, ControlPaintingStraightOntoItsSurfaceShowsTheSamePictureAndClip) {
  struct Direct : Box {
    Direct(TComponent* o, TColor c) : Box(o, c) { SetPaintsDirect(true); }
  };
  auto* panel = make<Box>(form, clNavy);
  panel->SetBounds(10, 10, 100, 80);
  auto* d = make<Direct>(panel, clYellow);
  d->SetBounds(20, 20, 30, 30);
  TBitmap bmp(200, 150);
  bmp.Fill(clWhite);
  panel->PaintTo(bmp.Canvas(), 50, 40);
  EXPECT_EQ(pixelOf(bmp, 69, 59), clNavy);
  EXPECT_EQ(pixelOf(bmp, 70, 60), clYellow);
  EXPECT_EQ(pixelOf(bmp, 99, 89), clYellow);
  EXPECT_EQ(pixelOf(bmp, 100, 90), clNavy);
  d->paints = 0;
  form->Show();
  ASSERT_TRUE(pumpUntil([&] { return d->paints > 0; }));
  d->paints = 0;
  d->InvalidateRect(Rect(5, 5, 15, 10));
  ASSERT_TRUE(pumpUntil([&] { return d->paints > 0; }));
  EXPECT_TRUE(d->clipped);
  EXPECT_EQ(d->clip, Rect(5, 5, 15, 10));
  form->Hide();
}

TEST_F(ControlTree, ClientToScreenAddsTheParentsPositions) {
  form->SetBounds(100, 50, 300, 200);
  auto* panel = make<Box>(form, clWhite);
  panel->SetBounds(10, 20, 100, 100);
  auto* c = make<Box>(panel, clWhite);
  c->SetBounds(3, 4, 10, 10);
  EXPECT_EQ(c->ClientToScreen(TPoint(1, 1)), TPoint(114, 75));
  EXPECT_EQ(c->ScreenToClient(TPoint(114, 75)), TPoint(1, 1));
  EXPECT_FALSE(c->Showing());
  form->Show();
  EXPECT_TRUE(c->Showing());
  panel->Hide();
  EXPECT_FALSE(c->Showing());
  form->Hide();
}
