// Coloured button: face and glyph pictures on its own colour, kinds, the
// glyph list's slots and the shared cache.
#include "controls/ButtonWithColor.h"

#include <gtest/gtest.h>

#include "toolkit/ExtCtrls.h"
#include "toolkit/ToolkitTestUtil.h"

namespace {

struct ButtonWithColorTest : ::testing::Test {
  TPanel host{nullptr};
  TBitBtnWithColor* b = new TBitBtnWithColor(&host);
  void SetUp() override {
    host.SetBounds(0, 0, 100, 60);
    b->SetParent(&host);
    b->SetBounds(0, 0, 40, 28);
    b->SetCaption("");
    b->SetColor(clYellow);
  }
  std::unique_ptr<TBitmap> Snap() {
    auto bmp = std::make_unique<TBitmap>(b->Width(), b->Height());
    bmp->Fill(clBlack);
    b->PaintTo(bmp->Canvas(), 0, 0);
    return bmp;
  }
  // Every pixel inside the 2-pixel edge and the 1-pixel content margin.
  static bool FaceIs(TBitmap& bmp, TColor c, int inset = 3) {
    for (int y = inset; y < bmp.Height() - inset; ++y)
      for (int x = inset; x < bmp.Width() - inset; ++x)
        if (bmp.Canvas()->Pixel(x, y) != c) return false;
    return true;
  }
  // A glyph of a black 6 x 6 square on the see-through olive.
  static std::unique_ptr<TBitmap> SquareGlyph() {
    auto g = std::make_unique<TBitmap>(10, 10);
    g->Fill(clOlive);
    g->Canvas()->Brush()->SetColor(clBlack);
    g->Canvas()->FillRect(Rect(2, 2, 8, 8));
    return g;
  }
  static TPoint FirstBlack(TBitmap& bmp) {
    for (int y = 3; y < bmp.Height() - 3; ++y)
      for (int x = 3; x < bmp.Width() - 3; ++x)
        if (bmp.Canvas()->Pixel(x, y) == clBlack) return TPoint(x, y);
    return TPoint(-1, -1);
  }
};

TEST_F(ButtonWithColorTest, FaceTakesTheColourAndFollowsItsChanges) {
  auto up = Snap();
  EXPECT_TRUE(FaceIs(*up, clYellow));
  EXPECT_EQ(up->Canvas()->Pixel(0, 0), ColorToRGB(clBtnHighlight));   // the raised edge
  b->SetColor(clRed);
  auto red = Snap();
  EXPECT_TRUE(FaceIs(*red, clRed));
}

TEST_F(ButtonWithColorTest, DisabledCardShowsItsColourGreyed) {
  // Half-way between yellow and the button face (240, 240, 240).
  b->SetEnabled(false);
  auto off = Snap();
  EXPECT_TRUE(FaceIs(*off, RGB(247, 247, 120)));
  b->SetEnabled(true);
  EXPECT_TRUE(FaceIs(*Snap(), clYellow));
}

TEST_F(ButtonWithColorTest, GlyphSitsOnTheColourAndMovesWhenPressed) {
  auto g = SquareGlyph();
  b->SetGlyph(g.get());
  auto up = Snap();
  const TPoint at = FirstBlack(*up);
  ASSERT_NE(at.X, -1);
  EXPECT_EQ(up->Canvas()->Pixel(at.X - 1, at.Y), clYellow);   // olive became the face colour
  sendMouse(b, QEvent::MouseButtonPress, 20, 14);
  auto down = Snap();
  sendMouse(b, QEvent::MouseButtonRelease, 20, 14);
  EXPECT_EQ(FirstBlack(*down).X, at.X + 1);
  EXPECT_EQ(FirstBlack(*down).Y, at.Y + 1);
  // New colour: the state pictures are made again on it.
  b->SetColor(clRed);
  auto red = Snap();
  EXPECT_EQ(red->Canvas()->Pixel(at.X - 1, at.Y), clRed);
  EXPECT_EQ(red->Canvas()->Pixel(at.X, at.Y), clBlack);
}

TEST_F(ButtonWithColorTest, PropertyLimitsAndKindFallBack) {
  b->SetNumGlyphs(7);
  EXPECT_EQ(b->NumGlyphs(), 4);
  b->SetNumGlyphs(0);
  EXPECT_EQ(b->NumGlyphs(), 1);
  b->SetMargin(-2);
  EXPECT_EQ(b->Margin(), -1);
  b->SetKind(bkOK);
  EXPECT_EQ(b->Kind(), bkOK);
  EXPECT_TRUE(b->Default());
  EXPECT_EQ(b->ModalResult(), mrOk);
  EXPECT_EQ(b->NumGlyphs(), 2);
  EXPECT_EQ(b->Caption(), "OK");
  b->SetModalResult(mrCancel);
  EXPECT_EQ(b->Kind(), bkCustom);
  b->SetKind(bkYes);
  auto g = SquareGlyph();
  b->SetGlyph(g.get());   // a glyph of one's own is no longer the kind's
  EXPECT_EQ(b->Kind(), bkCustom);
}

TEST_F(ButtonWithColorTest, DoubleClickCountsAsASecondPress) {
  int clicks = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  sendMouse(b, QEvent::MouseButtonPress, 10, 10);
  sendMouse(b, QEvent::MouseButtonRelease, 10, 10);
  sendMouse(b, QEvent::MouseButtonDblClick, 10, 10);
  sendMouse(b, QEvent::MouseButtonRelease, 10, 10);
  EXPECT_EQ(clicks, 2);
}

TEST(GlyphListTest, FreedSlotsAreTakenFirstAndEmptyListsLeaveTheCache) {
  TGlyphList list(4, 4);
  TBitmap img(4, 4);
  EXPECT_EQ(list.AddSlot(&img), 0);
  EXPECT_EQ(list.AddSlot(&img), 1);
  EXPECT_EQ(list.AddSlot(&img), 2);
  list.DeleteSlot(1);
  EXPECT_EQ(list.UsedCount(), 2);
  EXPECT_EQ(list.AddSlot(&img), 1);
  EXPECT_EQ(list.Count(), 3);

  auto holder = std::make_unique<TButtonGlyph>();
  TGlyphCache* cache = TButtonGlyph::Cache();
  ASSERT_NE(cache, nullptr);
  TGlyphList* a = cache->GetList(16, 16);
  EXPECT_EQ(cache->GetList(16, 16), a);
  cache->ReturnList(a);   // no slot in use: freed
  EXPECT_TRUE(cache->Empty());
  holder.reset();
  EXPECT_EQ(TButtonGlyph::Cache(), nullptr);   // gone with the last holder
}

}  // namespace
