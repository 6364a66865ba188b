#include "controls/Label3D.h"

#include <gtest/gtest.h>


#include "ReliefCheck.h"

namespace {

using namespace relief;

// A label that can paint into a bitmap of its own size.
class TestLabel : public TLabel3D {
 public:
  explicit TestLabel(int w = 120, int h = 60) : TLabel3D(nullptr) {
    SetBounds(0, 0, w, h);
    SetCaption("");
    SetColor(clBlack);
    Font()->SetName("Arial");
    Font()->SetHeight(-40);
    Font()->SetStyle({fsBold});
    Font()->SetColor(clWhite);
  }
  std::shared_ptr<TBitmap> Snapshot(TColor under = clFuchsia) {
    auto bmp = std::make_shared<TBitmap>(Width(), Height());
    bmp->Fill(under);
    PaintTo(bmp->Canvas(), 0, 0);
    return bmp;
  }
};

const TColor kShadow = clBlue, kHigh = clYellow;

TEST(Label3DTest, InitialValues) {
  TLabel3D l(nullptr);
  EXPECT_EQ(l.FirstColor(), clWhite);
  EXPECT_EQ(l.LastColor(), clTeal);
  EXPECT_FALSE(l.FillGradient());
  EXPECT_EQ(l.GradientOrientation(), goHorizontal);
  EXPECT_EQ(l.HighLightColor(), clBtnHighlight);
  EXPECT_EQ(l.ShadowColor(), clBtnShadow);
  EXPECT_EQ(l.Bevel(), blRaised);
  EXPECT_EQ(l.ShadowSize(), 1);
  EXPECT_EQ(l.BorderColor(), clBlack);
  EXPECT_EQ(l.BorderWidth(), 1);
  EXPECT_EQ(l.BorderStyle(), lbNone);
  EXPECT_FALSE(l.AutoSize());
  EXPECT_TRUE(l.ShowAccelChar());
  EXPECT_EQ(l.HighLightColor(), TLabel3D::DefaultHighLightColor);
  EXPECT_EQ(l.ShadowColor(), TLabel3D::DefaultShadowColor);
  EXPECT_EQ(l.Bevel(), TLabel3D::DefaultBevel);
  EXPECT_EQ(l.ShadowSize(), TLabel3D::DefaultShadowSize);
}

TEST(Label3DTest, HorizontalGradientFollowsTheFormula) {
  TestLabel l(256, 10);
  l.SetFillGradient(true);
  l.SetFirstColor(clBlack);
  l.SetLastColor(clWhite);
  Pic b = l.Snapshot();
  for (int x = 0; x < 256; ++x) {
    ASSERT_EQ(px(*b, x, 0), RGB(x, x, x)) << "column " << x;
    ASSERT_EQ(px(*b, x, 9), RGB(x, x, x)) << "column " << x;
  }
}

TEST(Label3DTest, VerticalGradientFollowsTheFormulaInsideTheFrame) {
  TestLabel l(20, 41);
  l.SetFillGradient(true);
  l.SetGradientOrientation(TGradientOrientation(7));   // anything but goHorizontal is vertical
  l.SetFirstColor(RGB(10, 200, 30));
  l.SetLastColor(clBtnFace);                           // a system colour is resolved
  l.SetBorderStyle(lbNormal);
  l.SetBorderColor(clRed);
  l.SetBorderWidth(2);
  l.SetTransparent(true);                              // does not stop the gradient
  Pic b = l.Snapshot();
  const TColor last = ColorToRGB(clBtnFace);
  const int n = 41 - 4 - 1;
  for (int i = 0; i <= n; ++i) {
    TColor want = RGB((10 * (n - i) + GetRValue(last) * i) / n, (200 * (n - i) + GetGValue(last) * i) / n,
                      (30 * (n - i) + GetBValue(last) * i) / n);
    ASSERT_EQ(px(*b, 2, 2 + i), want) << "row " << i;
    ASSERT_EQ(px(*b, 17, 2 + i), want) << "row " << i;
  }
  EXPECT_EQ(px(*b, 10, 2), RGB(10, 200, 30));
  EXPECT_EQ(px(*b, 10, 38), last);
  EXPECT_EQ(px(*b, 10, 1), clRed);
  EXPECT_EQ(px(*b, 10, 39), clRed);
}

TEST(Label3DTest, BackgroundChoices) {
  {
    TestLabel thin(1, 30);       // one stripe: no background at all
    thin.SetFillGradient(true);
    Pic b = thin.Snapshot(clFuchsia);
    EXPECT_EQ(inkBounds(b, clFuchsia), TRect(1, 30, -1, -1));
  }
  {
    TestLabel flat(30, 1);
    flat.SetFillGradient(true);
    flat.SetGradientOrientation(goVertical);
    EXPECT_EQ(inkBounds(flat.Snapshot(clFuchsia), clFuchsia), TRect(30, 1, -1, -1));
  }
  TestLabel l(30, 20);
  l.SetColor(clGreen);
  EXPECT_EQ(px(*l.Snapshot(), 15, 10), clGreen);
  l.SetTransparent(true);
  Pic b = l.Snapshot(clFuchsia);
  EXPECT_EQ(inkBounds(b, clFuchsia), TRect(30, 20, -1, -1));
}

struct Ring {
  int ring;
  TColor top, bottom;
};

// Checks the middle pixel of each side of the given rings.
void expectRings(const Pic& pic, const std::vector<Ring>& rings, const char* what) {
  const TBitmap& b = *pic;
  const int w = b.Width(), h = b.Height();
  for (const Ring& r : rings) {
    EXPECT_EQ(px(b, w / 2, r.ring), r.top) << what << " top ring " << r.ring;
    EXPECT_EQ(px(b, r.ring, h / 2), r.top) << what << " left ring " << r.ring;
    EXPECT_EQ(px(b, w / 2, h - 1 - r.ring), r.bottom) << what << " bottom ring " << r.ring;
    EXPECT_EQ(px(b, w - 1 - r.ring, h / 2), r.bottom) << what << " right ring " << r.ring;
  }
}

TEST(Label3DTest, BorderStyles) {
  const TColor sh = ColorToRGB(clBtnShadow), hi = ColorToRGB(clBtnHighlight);
  TestLabel l(40, 30);
  l.SetColor(clGreen);
  l.SetBorderWidth(2);
  l.SetBorderColor(clRed);
  l.SetBorderStyle(lbNormal);
  expectRings(l.Snapshot(), {{0, clRed, clRed}, {1, clRed, clRed}, {2, clGreen, clGreen}}, "lbNormal");
  l.SetBorderStyle(lbLowered);
  expectRings(l.Snapshot(), {{0, sh, hi}, {1, sh, hi}, {2, clGreen, clGreen}}, "lbLowered");
  l.SetBorderStyle(lbRaised);
  expectRings(l.Snapshot(), {{0, hi, sh}, {1, hi, sh}, {2, clGreen, clGreen}}, "lbRaised");
  // Two frames: the area inside is 8 pixels narrower and lower.
  l.SetBorderStyle(lbInn);
  Pic inn = l.Snapshot();
  expectRings(inn, {{0, sh, hi}, {1, sh, hi}, {2, hi, sh}, {3, hi, sh}, {4, clGreen, clGreen}}, "lbInn");
  l.SetBorderStyle(lbOut);
  expectRings(l.Snapshot(), {{0, hi, sh}, {1, hi, sh}, {2, sh, hi}, {3, sh, hi}, {4, clGreen, clGreen}}, "lbOut");
  l.SetBorderStyle(TLabel3DBorderStyle(6));
  expectRings(l.Snapshot(), {{0, clGreen, clGreen}}, "unknown style");
  l.SetBorderStyle(lbNone);
  expectRings(l.Snapshot(), {{0, clGreen, clGreen}}, "lbNone");
}

// The caption drawn plainly (blNone, white on black) as the reference mask.
Mask referenceMask(TestLabel& l) {
  TLabel3DBevel bevel = l.Bevel();
  bool enabled = l.Enabled();
  l.SetBevel(blNone);
  l.SetEnabled(true);
  Mask m{l.Snapshot()};
  l.SetBevel(bevel);
  l.SetEnabled(enabled);
  return m;
}

class Label3DReliefTest : public ::testing::Test {
 protected:
  Label3DReliefTest() : l(140, 60) {
    l.SetCaption("HIH");
    l.SetShadowColor(kShadow);
    l.SetHighLightColor(kHigh);
  }
  TestLabel l;
};

TEST_F(Label3DReliefTest, ShadowStyleDrawsOneCopyDownAndRight) {
  l.SetBevel(blShadow);
  l.SetShadowSize(4);
  Mask m = referenceMask(l);
  ASSERT_GT(inkBounds(m.b, clBlack).Width(), 40);
  EXPECT_GT(checkRelief(l.Snapshot(), m, 4, clWhite, kShadow, clNone), 1000);
  l.SetEnabled(false);
  EXPECT_GT(checkRelief(l.Snapshot(), m, 4, ColorToRGB(clGrayText), kShadow, clNone), 1000);
}

TEST_F(Label3DReliefTest, RaisedAndLoweredDrawBothPasses) {
  l.SetShadowSize(3);
  l.SetBevel(blRaised);
  Mask m = referenceMask(l);
  EXPECT_GT(checkRelief(l.Snapshot(), m, 3, clWhite, kShadow, kHigh), 1000);
  l.SetBevel(blLowered);
  EXPECT_GT(checkRelief(l.Snapshot(), m, 3, clWhite, kHigh, kShadow), 1000);
  // Disabled: no first pass, the second pass stays, the text turns grey.
  l.SetBevel(blRaised);
  l.SetEnabled(false);
  EXPECT_GT(checkRelief(l.Snapshot(), m, 3, ColorToRGB(clGrayText), kShadow, clNone), 1000);
}

TEST_F(Label3DReliefTest, PlainAndUnknownStyles) {
  l.SetBevel(blNone);
  l.SetEnabled(false);
  Mask m = referenceMask(l);
  EXPECT_GT(checkRelief(l.Snapshot(), m, 0, clWhite, clNone, clNone), 1000);   // font colour even disabled
  l.SetEnabled(true);
  l.SetBevel(blRaised);
  l.SetShadowSize(0);
  Pic same = l.Snapshot();
  EXPECT_GT(checkRelief(same, m, 0, clWhite, clNone, clNone), 1000);
  l.SetBevel(TLabel3DBevel(4));
  EXPECT_EQ(inkBounds(l.Snapshot(), clBlack), TRect(140, 60, -1, -1));
}

TEST_F(Label3DReliefTest, AlignmentLayoutAndWordWrap) {
  l.SetBevel(blNone);
  l.SetBounds(0, 0, 200, 120);
  l.SetCaption("HI");
  TRect left = inkBounds(l.Snapshot(), clBlack);
  l.SetAlignment(taRightJustify);
  TRect right = inkBounds(l.Snapshot(), clBlack);
  EXPECT_GT(right.Left - left.Left, 100);
  EXPECT_GT(right.Right, 190);
  l.SetAlignment(taCenter);
  TRect centre = inkBounds(l.Snapshot(), clBlack);
  EXPECT_NEAR(centre.Left + centre.Right, 200, 6);

  TRect top = centre;
  l.SetLayout(tlCenter);
  TRect middle = inkBounds(l.Snapshot(), clBlack);
  l.SetLayout(tlBottom);
  TRect bottom = inkBounds(l.Snapshot(), clBlack);
  EXPECT_LT(top.Top + 20, middle.Top);
  EXPECT_LT(middle.Top + 20, bottom.Top);
  EXPECT_NEAR(middle.Top + middle.Bottom, 120, 12);
  EXPECT_GT(bottom.Bottom, 100);

  // A caption too long for one line stays on one line without WordWrap, for
  // every style.
  l.SetLayout(tlTop);
  l.SetAlignment(taLeftJustify);
  l.SetCaption("HI HI HI HI HI HI");
  const int lineHeight = top.Height();
  for (int bevel = blNone; bevel <= blShadow; ++bevel) {
    l.SetBevel(TLabel3DBevel(bevel));
    EXPECT_LT(inkBounds(l.Snapshot(), clBlack).Height(), lineHeight + 10) << "bevel " << bevel;
  }
  l.SetWordWrap(true);
  EXPECT_GT(inkBounds(l.Snapshot(), clBlack).Height(), 2 * lineHeight);
}

TEST_F(Label3DReliefTest, TabsMoveTheTextToTheNextTabStop) {
  l.SetBevel(blNone);
  l.SetBounds(0, 0, 500, 60);
  l.SetCaption("H I");
  const TRect spaced = inkBounds(l.Snapshot(), clBlack);
  l.SetCaption("H\tI");
  const TRect tabbed = inkBounds(l.Snapshot(), clBlack);
  EXPECT_EQ(tabbed.Left, spaced.Left);
  EXPECT_GT(tabbed.Width(), spaced.Width() + 60);   // a tab stop lies several characters on
  // Centred and right-aligned text expands its tabs as well.
  l.SetAlignment(taCenter);
  const TRect centred = inkBounds(l.Snapshot(), clBlack);
  EXPECT_NEAR(centred.Width(), tabbed.Width(), 2);
  EXPECT_NEAR(centred.Left + centred.Right, 500, 6);
  l.SetAlignment(taRightJustify);
  l.SetLayout(tlCenter);
  const TRect right = inkBounds(l.Snapshot(), clBlack);
  EXPECT_NEAR(right.Width(), tabbed.Width(), 2);
  EXPECT_GT(right.Right, 490);
}

TEST_F(Label3DReliefTest, AccelCharacter) {
  l.SetBevel(blNone);
  l.SetCaption("&&");
  l.SetShowAccelChar(true);
  int prefixed = inkBounds(l.Snapshot(), clBlack).Width();
  l.SetShowAccelChar(false);
  int plain = inkBounds(l.Snapshot(), clBlack).Width();
  EXPECT_GT(plain, prefixed + 10);   // "&&" is one ampersand with prefixes, two without
}

}  // namespace
