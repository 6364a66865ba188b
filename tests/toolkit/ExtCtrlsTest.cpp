// Panel borders and the area its children get, radio groups, image
// placement and drawing, paint boxes, glyph buttons and speed-button groups.
#include <gtest/gtest.h>

#include "tests/toolkit/ToolkitTestUtil.h"
#include "toolkit/Buttons.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"

namespace {

struct ExtFixture : ::testing::Test {
  TForm* form = nullptr;
  void SetUp() override {
    form = new TForm(nullptr);
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, 400, 300);
  }
  void TearDown() override { Free(form); }
  template <class T>
  T* make(TWinControl* parent) {
    T* c = new T(form);
    c->SetParent(parent);
    return c;
  }
};

TEST_F(ExtFixture, PanelChildrenLieInsideTheBorders) {
  auto* frame = make<TPanel>(form);
  frame->SetBounds(0, 0, 200, 100);
  frame->SetBevelWidth(4);
  auto* inner = make<TPanel>(frame);
  inner->SetAlign(alClient);
  EXPECT_EQ(inner->BoundsRect(), Rect(4, 4, 196, 96));
  frame->SetBorderWidth(2);
  frame->SetBevelInner(bvLowered);
  EXPECT_EQ(inner->BoundsRect(), Rect(10, 10, 190, 90));
  frame->SetBevelOuter(bvNone);
  frame->SetBevelInner(bvNone);
  frame->SetBorderStyle(bsSingle);
  EXPECT_EQ(inner->BoundsRect(), Rect(3, 3, 197, 97));
}

TEST_F(ExtFixture, PanelPaintsBevelsAndColour) {
  auto* p = make<TPanel>(form);
  p->SetBounds(0, 0, 50, 40);
  p->SetColor(clNavy);
  p->SetBevelWidth(4);
  form->Show();
  TBitmap shot(50, 40);
  p->PaintTo(shot.Canvas(), 0, 0);
  EXPECT_EQ(shot.Canvas()->Pixel(1, 1), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(shot.Canvas()->Pixel(48, 38), ColorToRGB(clBtnShadow));
  EXPECT_EQ(shot.Canvas()->Pixel(25, 20), clNavy);
}

TEST_F(ExtFixture, RadioGroupItemIndexFiresAndItemsLimitIt) {
  auto* rg = make<TRadioGroup>(form);
  rg->SetBounds(0, 0, 200, 100);
  int clicks = 0;
  rg->OnClick = [&](TObject*) { ++clicks; };
  rg->Items()->Add("Drivers not found");
  rg->Items()->Add("Camera");
  rg->SetItemIndex(0);
  rg->SetItemIndex(0);
  EXPECT_EQ(clicks, 1);
  rg->SetItemIndex(5);
  EXPECT_EQ(rg->ItemIndex(), -1);
  EXPECT_EQ(clicks, 2);
  rg->SetItemIndex(1);
  rg->Items()->Delete(1);
  EXPECT_EQ(rg->ItemIndex(), -1);
  // A click on an item selects it once; a second click changes nothing.
  rg->Items()->Add("Second");
  form->Show();
  clicks = 0;
  TRect r = rg->ItemRect(1);
  clickAt(rg, r.Left + 4, r.Top + r.Height() / 2);
  EXPECT_EQ(rg->ItemIndex(), 1);
  clickAt(rg, r.Left + 4, r.Top + r.Height() / 2);
  EXPECT_EQ(clicks, 1);
}

TEST_F(ExtFixture, RadioGroupColumnsSplitTheItems) {
  auto* rg = make<TRadioGroup>(form);
  rg->SetBounds(0, 0, 210, 100);
  rg->Items()->SetCommaText("a,b,c,d,e");
  rg->SetColumns(2);
  EXPECT_EQ(rg->ItemRect(0).Left, rg->ItemRect(2).Left);
  EXPECT_EQ(rg->ItemRect(3).Left, rg->ItemRect(0).Left + 100);
  EXPECT_EQ(rg->ItemRect(3).Top, rg->ItemRect(0).Top);
  EXPECT_GT(rg->ItemRect(1).Top, rg->ItemRect(0).Top);
}

TEST_F(ExtFixture, ImageDestRect) {
  auto* im = make<TImage>(form);
  im->SetBounds(0, 0, 100, 50);
  TBitmap pic(40, 40);
  im->Picture()->SetGraphic(&pic);
  EXPECT_EQ(im->DestRect(), Rect(0, 0, 40, 40));
  im->SetCenter(true);
  EXPECT_EQ(im->DestRect(), Rect(30, 5, 70, 45));
  im->SetStretch(true);
  EXPECT_EQ(im->DestRect(), Rect(0, 0, 100, 50));
  im->SetProportional(true);
  EXPECT_EQ(im->DestRect(), Rect(25, 0, 75, 50));
  im->SetAutoSize(true);
  EXPECT_EQ(im->Width(), 40);
  EXPECT_EQ(im->Height(), 40);
}

TEST_F(ExtFixture, ImageCanvasDrawsOnItsBitmap) {
  auto* im = make<TImage>(form);
  im->SetBounds(0, 0, 30, 20);
  TCanvas* c = im->Canvas();
  EXPECT_EQ(im->Picture()->Width(), 30);
  c->Brush()->SetColor(clRed);
  c->FillRect(Rect(0, 0, 10, 10));
  EXPECT_EQ(im->Picture()->Bitmap()->Canvas()->Pixel(5, 5), clRed);
  form->Show();
  TBitmap shot(30, 20);
  shot.Fill(clWhite);
  im->PaintTo(shot.Canvas(), 0, 0);
  EXPECT_EQ(shot.Canvas()->Pixel(5, 5), clRed);
}

TEST_F(ExtFixture, PaintBoxRunsOnPaint) {
  auto* pb = make<TPaintBox>(form);
  pb->SetBounds(0, 0, 20, 20);
  int paints = 0;
  pb->OnPaint = [&](TObject*) {
    ++paints;
    pb->Canvas()->Brush()->SetColor(clBlue);
    pb->Canvas()->FillRect(pb->ClientRect());
  };
  form->Show();
  TBitmap shot(20, 20);
  pb->PaintTo(shot.Canvas(), 0, 0);
  EXPECT_GE(paints, 1);
  EXPECT_EQ(shot.Canvas()->Pixel(10, 10), clBlue);
}

TEST(GlyphPlacement, MarginAndSpacing) {
  TRect client = Rect(0, 0, 100, 30);
  // Centred pair: glyph 16, spacing 4, text 40 -> 60 wide, margin 20.
  TGlyphPlacement p = PlaceGlyphAndText(client, 16, 16, 40, 12, blGlyphLeft, -1, 4);
  EXPECT_EQ(p.Glyph, Rect(20, 7, 36, 23));
  EXPECT_EQ(p.Text.Left, 40);
  EXPECT_EQ(p.Text.Top, 9);
  p = PlaceGlyphAndText(client, 16, 16, 40, 12, blGlyphRight, 5, 4);
  EXPECT_EQ(p.Glyph.Right, 95);
  EXPECT_EQ(p.Text.Right, 75);
  p = PlaceGlyphAndText(Rect(0, 0, 60, 60), 16, 16, 40, 12, blGlyphTop, -1, -1);
  EXPECT_EQ(p.Glyph.Top, 10);                  // (60 - 28) / 3 spread evenly
  EXPECT_EQ(p.Text.Top, 36);
  p = PlaceGlyphAndText(client, 0, 0, 40, 12, blGlyphLeft, -1, 4);
  EXPECT_EQ(p.Text.Left, 30);                  // no glyph: no spacing
}

TEST_F(ExtFixture, GlyphTransparentColourIsLeftOut) {
  TBitmap glyph(8, 4);
  glyph.Fill(clFuchsia);
  glyph.Canvas()->SetPixel(1, 1, clBlue);
  glyph.Canvas()->SetPixel(5, 1, clRed);      // second image
  TBitmap target(10, 10);
  target.Fill(clWhite);
  DrawGlyph(target.Canvas(), &glyph, 2, bsUp, 2, 2);
  EXPECT_EQ(target.Canvas()->Pixel(3, 3), clBlue);
  EXPECT_EQ(target.Canvas()->Pixel(2, 2), clWhite);
  target.Fill(clWhite);
  DrawGlyph(target.Canvas(), &glyph, 2, bsDisabled, 2, 2);
  EXPECT_EQ(target.Canvas()->Pixel(3, 3), clRed);
  // One image only: the disabled look is embossed from it.
  target.Fill(clWhite);
  DrawGlyph(target.Canvas(), &glyph, 1, bsDisabled, 2, 2);
  EXPECT_EQ(target.Canvas()->Pixel(3, 3), ColorToRGB(clBtnShadow));
  EXPECT_EQ(target.Canvas()->Pixel(4, 4), ColorToRGB(clBtnHighlight));
}

TEST_F(ExtFixture, BitBtnKinds) {
  auto* b = make<TBitBtn>(form);
  b->SetKind(bkCancel);
  EXPECT_EQ(b->Caption(), "Cancel");
  EXPECT_EQ(b->ModalResult(), mrCancel);
  EXPECT_TRUE(b->Cancel());
  b->SetKind(bkYes);
  EXPECT_EQ(b->ModalResult(), mrYes);
  int clicks = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  b->Click();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(form->ModalResult(), mrYes);
}

TEST_F(ExtFixture, SpeedButtonGroups) {
  auto* a = make<TSpeedButton>(form);
  auto* b = make<TSpeedButton>(form);
  a->SetGroupIndex(1);
  b->SetGroupIndex(1);
  a->SetDown(true);
  b->SetDown(true);
  EXPECT_FALSE(a->Down());
  EXPECT_TRUE(b->Down());
  b->SetDown(false);                          // without AllowAllUp one stays down
  EXPECT_TRUE(b->Down());
  a->SetAllowAllUp(true);
  EXPECT_TRUE(b->AllowAllUp());
  int clicks = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  b->Click();
  EXPECT_FALSE(b->Down());
  EXPECT_EQ(clicks, 1);
  auto* solo = make<TSpeedButton>(form);
  solo->SetDown(true);                         // outside a group Down never sticks
  EXPECT_FALSE(solo->Down());
  // The operator's click presses a grouped button.
  form->Show();
  clickAt(a, 5, 5);
  EXPECT_TRUE(a->Down());
}

}  // namespace
