// The framed scrolling control, window services and the drawing pieces the
// grid relies on.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

#include "toolkit/Forms.h"
#include "toolkit/ScrollCtrl.h"
#include "toolkit/StdCtrls.h"
#include "toolkit/WinUtils.h"

namespace {
class TProbeFrame : public TCustomScrollControl {
 public:
  using TCustomScrollControl::TCustomScrollControl;
  TPoint down{-1, -1};
  std::vector<std::pair<TScrollCode, int>> codes;
 protected:
  void MouseDown(TMouseButton, TShiftState, int X, int Y) override { down = TPoint(X, Y); }
  void ScrollBarCode(TScrollBarKind, TScrollCode code, int pos) override { codes.emplace_back(code, pos); }
};
}  // namespace

TEST(FramedControl, ClientAreaExcludesEdgeAndBars) {
  TForm form(nullptr);
  auto* c = new TProbeFrame(&form);
  c->SetParent(&form);
  c->SetBounds(0, 0, 200, 100);
  c->SetClientEdge(true);
  EXPECT_EQ(c->ClientWidth(), 196);
  c->SetHasScrollBars(true, true);
  EXPECT_FALSE(c->ScrollBarVisible(sbVertical));   // an empty range shows no bar
  int resized = 0;
  c->OnResize = [&](TObject*) { ++resized; };
  c->SetScrollRange(sbVertical, 0, 127);
  EXPECT_TRUE(c->ScrollBarVisible(sbVertical));
  EXPECT_EQ(c->ClientWidth(), 196 - TCustomScrollControl::ScrollBarSize);
  EXPECT_EQ(resized, 1);
  c->SetScrollPos(sbVertical, 300);
  EXPECT_EQ(c->ScrollPos(sbVertical), 127);
  c->SetScrollPage(sbVertical, 200);   // the page covers the range: no bar
  EXPECT_FALSE(c->ScrollBarVisible(sbVertical));
  // Mouse coordinates count from the client area.
  QMouseEvent e(QEvent::MouseButtonPress, QPointF(12, 7), QPointF(12, 7), QPointF(12, 7), Qt::LeftButton,
                Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(c->Widget(), &e);
  EXPECT_EQ(c->down, TPoint(10, 5));
  c->ScrollBarAction(sbVertical, scPageDown);
  ASSERT_EQ(c->codes.size(), 1u);
  EXPECT_EQ(c->codes[0].first, scPageDown);
}

// A bar shows what it shows now: moved after a paint, it paints as a bar that
// was there from the start.
TEST(FramedControl, BarPaintsFollowTheBar) {
  TForm form(nullptr);
  auto frame = [&form](int top) {
    auto* c = new TProbeFrame(&form);
    c->SetParent(&form);
    c->SetBounds(0, top, 120, 100);
    c->SetHasScrollBars(false, true);
    c->SetScrollRange(sbVertical, 0, 127);
    c->SetScrollPage(sbVertical, 20);
    return c;
  };
  TProbeFrame *moved = frame(0), *fresh = frame(100);
  fresh->SetScrollPos(sbVertical, 100);
  form.Show();
  auto picture = [](TProbeFrame* c) {
    auto b = std::make_unique<TBitmap>(c->Width(), c->Height());
    c->PaintTo(b->Canvas(), 0, 0);
    return b;
  };
  const auto before = picture(moved);
  moved->SetScrollPos(sbVertical, 100);
  const auto after = picture(moved), expected = picture(fresh);
  int changed = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 100; x < 120; ++x) {
      ASSERT_EQ(after->Canvas()->Pixel(x, y), expected->Canvas()->Pixel(x, y)) << x << "," << y;
      changed += before->Canvas()->Pixel(x, y) != after->Canvas()->Pixel(x, y);
    }
  EXPECT_GT(changed, 50);
}

TEST(WindowServices, UpdateLockAndPostedCharacters) {
  TForm form(nullptr);
  auto* a = new TEdit(&form);
  auto* b = new TEdit(&form);
  a->SetParent(&form);
  b->SetParent(&form);
  EXPECT_TRUE(LockWindowUpdate(a));
  EXPECT_EQ(LockedWindow(), a);
  EXPECT_FALSE(a->Widget()->updatesEnabled());
  LockWindowUpdate(b);   // one window at a time
  EXPECT_TRUE(a->Widget()->updatesEnabled());
  UnlockWindowUpdate();
  EXPECT_EQ(LockedWindow(), nullptr);
  EXPECT_GT(GetDoubleClickTime(), 0);
  PostChar(a, U'q');
  EXPECT_EQ(a->Text(), "");   // not yet: after the events now waiting
  PostChar(b, U'z');
  delete b;                   // gone before its character arrives
  QApplication::processEvents();
  EXPECT_EQ(a->Text(), "q");
}

TEST(CanvasPieces, FocusMarkEdgesAndFlatCapLines) {
  TBitmap bmp(20, 20);
  TCanvas* c = bmp.Canvas();
  c->Brush()->SetColor(clWhite);
  c->FillRect(Rect(0, 0, 20, 20));
  c->DrawFocusRect(Rect(2, 2, 12, 12));
  EXPECT_EQ(c->Pixel(2, 2), clBlack);
  EXPECT_EQ(c->Pixel(3, 2), clWhite);
  c->DrawFocusRect(Rect(2, 2, 12, 12));   // twice: gone
  EXPECT_EQ(c->Pixel(2, 2), clWhite);
  c->DrawRaisedInnerEdge(Rect(0, 0, 10, 10), TCanvas::TEdgeSides{TCanvas::esLeft, TCanvas::esBottom});
  EXPECT_EQ(c->Pixel(0, 5), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(c->Pixel(5, 9), ColorToRGB(clBtnShadow));
  EXPECT_EQ(c->Pixel(9, 5), clWhite);
  // A 3-pixel line with flat caps covers x - 1 .. x + 1 and stops at its ends.
  c->Pen()->SetWidth(3);
  c->Pen()->SetEndCap(pecFlat);
  c->Pen()->SetColor(clRed);
  const TPoint pts[] = {TPoint(15, 5), TPoint(15, 15)};
  const int counts[] = {2};
  c->PolyPolyline(pts, counts, 1);
  EXPECT_EQ(c->Pixel(14, 5), clRed);
  EXPECT_EQ(c->Pixel(16, 14), clRed);
  EXPECT_EQ(c->Pixel(17, 10), clWhite);
  EXPECT_EQ(c->Pixel(15, 4), clWhite);
  EXPECT_EQ(c->Pixel(15, 15), clWhite);
}
