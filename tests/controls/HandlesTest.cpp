// The move/resize handle: attaching, its squares, zones, drags on the grid,
// arrow keys and the lock.
#include "controls/Handles.h"
#include <gtest/gtest.h>
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/ToolkitTestUtil.h"

class HandlesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form = new TForm(nullptr);
    page = new TPanel(form);
    page->SetBounds(0, 0, 320, 240);
    page->SetParent(form);
    other = new TPanel(form);
    other->SetBounds(0, 250, 100, 100);
    other->SetParent(form);
    a = label(page, 100, 50, 80, 30);
    b = label(page, 200, 120, 40, 20);
    h = new TStretchHandle(form);
    h->SetColor(clRed);
  }
  void TearDown() override { delete form; }
  TLabel* label(TWinControl* parent, int l, int t, int w, int hh) {
    auto* L = new TLabel(form);
    L->SetAutoSize(false);
    L->SetBounds(l, t, w, hh);
    L->SetParent(parent);
    return L;
  }
  // Hover, press, move and release with the left button, in the handle's
  // client coordinates.
  void drag(int x, int y, int dx, int dy) {
    sendMouse(h, QEvent::MouseMove, x, y, Qt::NoButton);
    sendMouse(h, QEvent::MouseButtonPress, x, y);
    sendMouse(h, QEvent::MouseMove, x + dx, y + dy);
    sendMouse(h, QEvent::MouseButtonRelease, x + dx, y + dy);
  }
  TColor pixel(TBitmap& bmp, int x, int y) { return bmp.Canvas()->Pixel(x, y); }
  TForm* form = nullptr;
  TPanel *page = nullptr, *other = nullptr;
  TLabel *a = nullptr, *b = nullptr;
  TStretchHandle* h = nullptr;
};

TEST_F(HandlesTest, AttachGrowsByTwoAndThreeAndUnitesControlsOfOneParent) {
  EXPECT_FALSE(h->Attached());
  EXPECT_EQ(h->BoundsRect(), Bounds(0, 0, 24, 24));
  EXPECT_FALSE(h->Visible());
  h->Attach(a);
  EXPECT_EQ(h->BoundsRect(), Bounds(98, 48, 85, 35));
  EXPECT_EQ(h->Parent(), page);
  EXPECT_TRUE(h->Visible() && h->Enabled());
  EXPECT_EQ(h->Children(0), a);
  EXPECT_EQ(h->Children(1), nullptr);
  EXPECT_EQ(h->Children(-1), nullptr);
  h->Attach(a);   // already attached: nothing
  EXPECT_EQ(h->ChildCount(), 1);

  // One control: corner and edge squares in Color.
  TBitmap one(85, 35);
  one.Fill(clWhite);
  h->PaintTo(one.Canvas(), 0, 0);
  EXPECT_EQ(pixel(one, 0, 0), clRed);
  EXPECT_EQ(pixel(one, 42, 1), clRed);     // top edge square
  EXPECT_EQ(pixel(one, 83, 33), clRed);    // bottom-right corner
  EXPECT_EQ(pixel(one, 30, 17), clWhite);  // see-through middle

  // A second one of the same parent: the union, corners only, SecondaryColor.
  h->Attach(b);
  EXPECT_EQ(h->BoundsRect(), Bounds(98, 48, 145, 95));
  EXPECT_EQ(a->BoundsRect(), Bounds(100, 50, 80, 30));
  EXPECT_EQ(b->BoundsRect(), Bounds(200, 120, 40, 20));
  TBitmap two(145, 95);
  two.Fill(clWhite);
  h->PaintTo(two.Canvas(), 0, 0);
  EXPECT_EQ(pixel(two, 0, 0), clGray);
  EXPECT_EQ(pixel(two, 143, 93), clGray);
  EXPECT_EQ(pixel(two, 42, 1), clWhite);

  // Another parent lets the others go; a form is refused.
  TLabel* c = label(other, 10, 10, 20, 20);
  h->Attach(c);
  EXPECT_EQ(h->ChildCount(), 1);
  EXPECT_EQ(h->Parent(), other);
  EXPECT_THROW(h->Attach(form), EBadChild);
  // A freed control is let go.
  delete c;
  EXPECT_FALSE(h->Attached());
  EXPECT_EQ(h->Parent(), nullptr);
}

TEST_F(HandlesTest, DragsFromEachZoneEndOnTheGrid) {
  struct Case { int x, y, zone; TRect grid1, grid8; };
  // Control (100, 50, 80, 30); handle client 85 x 35; drag by (13, 9).
  const Case cases[] = {
      {40, 17, 0, Rect(113, 59, 193, 89), Rect(112, 56, 192, 86)},
      {1, 1, 1, Rect(113, 59, 180, 80), Rect(112, 56, 180, 80)},
      {82, 1, 2, Rect(100, 59, 193, 80), Rect(100, 56, 192, 80)},
      {1, 33, 3, Rect(113, 50, 180, 89), Rect(112, 50, 180, 88)},
      {82, 33, 4, Rect(100, 50, 193, 89), Rect(100, 50, 192, 88)},
      {42, 1, 5, Rect(100, 59, 180, 80), Rect(100, 56, 180, 80)},
      {1, 17, 6, Rect(113, 50, 180, 80), Rect(112, 50, 180, 80)},
      {42, 33, 7, Rect(100, 50, 180, 89), Rect(100, 50, 180, 88)},
      {82, 17, 8, Rect(100, 50, 193, 80), Rect(100, 50, 192, 80)},
  };
  for (int grid : {1, 8}) {
    for (const Case& c : cases) {
      a->SetBounds(100, 50, 80, 30);
      h->Detach();
      h->SetGridX(grid);
      h->SetGridY(grid);
      h->Attach(a);
      drag(c.x, c.y, 13, 9);
      const TRect want = grid == 1 ? c.grid1 : c.grid8;
      EXPECT_EQ(a->BoundsRect(), want) << "zone " << c.zone << " grid " << grid;
      EXPECT_EQ(h->BoundsRect(), Rect(want.Left - 2, want.Top - 2, want.Right + 3, want.Bottom + 3));
      EXPECT_FALSE(h->Dragging());
      EXPECT_TRUE(h->OutlineRect().IsEmpty());
    }
  }
}

TEST_F(HandlesTest, OutlineShowsTheFutureRectangleAndSizesStopAtOnePixel) {
  h->Attach(a);
  sendMouse(h, QEvent::MouseButtonPress, 40, 17);
  sendMouse(h, QEvent::MouseMove, 40, 17);
  EXPECT_EQ(h->OutlineRect(), Rect(100, 50, 180, 80));
  // Dragged past the parent's edge: the point stays inside the parent.
  sendMouse(h, QEvent::MouseMove, 1000, -500);
  EXPECT_EQ(h->OutlineRect(), Rect(282, -15, 362, 15));
  sendMouse(h, QEvent::MouseButtonRelease, 40, 17);
  EXPECT_EQ(a->BoundsRect(), Bounds(100, 50, 80, 30));

  // Bottom-right square dragged far up-left: 1 x 1, the top-left edge stays.
  drag(82, 33, -300, -300);
  EXPECT_EQ(a->BoundsRect(), Bounds(100, 50, 1, 1));
  EXPECT_EQ(h->BoundsRect(), Bounds(98, 48, 6, 6));
}

TEST_F(HandlesTest, LockArrowKeysAndGridProperties) {
  h->Attach(a);
  h->SetLocked(true);
  sendMouse(h, QEvent::MouseMove, 40, 17, Qt::NoButton);
  EXPECT_EQ(h->Cursor(), crNoDrop);
  drag(40, 17, 20, 20);
  sendKey(h->Widget(), Qt::Key_Left);
  EXPECT_EQ(a->BoundsRect(), Bounds(100, 50, 80, 30));
  h->Detach();
  EXPECT_FALSE(h->Locked());

  h->Attach(a);
  sendKey(h->Widget(), Qt::Key_Left);
  sendKey(h->Widget(), Qt::Key_Down);
  sendKey(h->Widget(), Qt::Key_Down);
  EXPECT_EQ(a->BoundsRect(), Bounds(99, 52, 80, 30));
  EXPECT_EQ(h->BoundsRect(), Bounds(97, 50, 85, 35));

  h->SetSnapToGrid(true);
  EXPECT_EQ(h->GridX(), 8);
  EXPECT_EQ(h->GridY(), 8);
  h->SetGridX(1);
  h->SetGridY(2);
  EXPECT_TRUE(h->SnapToGrid());
  h->SetSnapToGrid(false);
  EXPECT_FALSE(h->SnapToGrid());
  h->SetGridX(0);
  h->SetGridY(99);
  EXPECT_EQ(h->GridX(), 1);
  EXPECT_EQ(h->GridY(), 32);
}

TEST_F(HandlesTest, PressesBesideTheControlsArePassedOn) {
  h->Attach(a);
  h->Attach(b);   // the handle now covers the gap between the two
  int downs = 0;
  TLabel* under = label(page, 190, 60, 5, 5);
  under->SendToBack();
  under->OnMouseDown = [&](TObject*, TMouseButton btn, TShiftState, int x, int y) {
    ++downs;
    EXPECT_EQ(btn, mbRight);
    EXPECT_EQ(x, 2);
    EXPECT_EQ(y, 3);
  };
  // (192, 63) of the page lies in the handle but beside both controls.
  sendMouse(h, QEvent::MouseButtonPress, 192 - 98, 63 - 48, Qt::RightButton);
  EXPECT_EQ(downs, 1);
  EXPECT_FALSE(h->Dragging());
}
