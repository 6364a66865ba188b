// A line laid out once and drawn in pieces draws what TextOut draws.
#include <gtest/gtest.h>

#include "toolkit/Graphics.h"
#include "toolkit/TextLine.h"

namespace {

TFont LineFont(const char* name, TFontStyles style) {
  TFont f;
  f.SetName(name);
  f.SetHeight(-27);
  f.SetStyle(style);
  return f;
}

int Differences(const TBitmap& a, const TBitmap& b) {
  int n = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.Canvas()->Pixel(x, y) != b.Canvas()->Pixel(x, y)) ++n;
  return n;
}

TRect InkBounds(const TBitmap& b) {
  TRect r = Rect(b.Width(), b.Height(), -1, -1);
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (b.Canvas()->Pixel(x, y) != clBlack) {
        r.Left = std::min(r.Left, x);
        r.Top = std::min(r.Top, y);
        r.Right = std::max(r.Right, x);
        r.Bottom = std::max(r.Bottom, y);
      }
  return r;
}

TEST(TextLineTest, DrawsAsTextOutDoesAtEveryOffset) {
  const String text = "RUNNING STRING * Welcome, Gäste! 1:0 \u00D7";
  const struct {
    const char* font;
    TFontStyles style;
    int x;
  } cases[] = {{"Arial Narrow", {fsBold}, 5}, {"Arial", {}, -140}, {"Times New Roman", {fsItalic}, 37},
               {"Wingdings", {}, 0}};
  for (const auto& k : cases) {
    SCOPED_TRACE(k.font);
    TFont f = LineFont(k.font, k.style);
    TBitmap want(240, 40), got(240, 40);
    for (TBitmap* b : {&want, &got}) b->Fill(clBlack);
    want.Canvas()->SetFont(&f);
    want.Canvas()->Font()->SetColor(clWhite);
    want.Canvas()->Brush()->SetStyle(bsClear);
    want.Canvas()->TextOut(k.x, 4, text);
    TTextLine line;
    line.Layout(text, &f);
    EXPECT_EQ(line.Width(), want.Canvas()->TextWidth(text));
    EXPECT_EQ(line.Height(), want.Canvas()->TextHeight(text));
    line.Draw(got.Canvas(), k.x, 4, clWhite, Rect(0, 0, 240, 40));
    EXPECT_EQ(Differences(want, got), 0);
  }
}

TEST(TextLineTest, LongLineDrawsOnlyWhatMeetsTheArea) {
  String text;
  for (int i = 0; i < 10000; ++i) text += "Goal " + IntToStr(i) + "  ";
  TFont f = LineFont("Arial", {});
  TTextLine line;
  line.Layout(text, &f);
  EXPECT_GT(line.GlyphCount(), 60000);
  // Far into the line: the piece drawn is the piece TextOut draws there.
  const String piece = "Goal 7000  ";
  const int at = line.Width() - [&] {
    TBitmap m(1, 1);
    m.Canvas()->SetFont(&f);
    return m.Canvas()->TextWidth(text.substr(text.find(piece)));
  }();
  TBitmap got(200, 40), want(200, 40);
  for (TBitmap* b : {&got, &want}) b->Fill(clBlack);
  line.Draw(got.Canvas(), 10 - at, 4, clYellow, Rect(0, 0, 200, 40));
  want.Canvas()->SetFont(&f);
  want.Canvas()->Font()->SetColor(clYellow);
  want.Canvas()->Brush()->SetStyle(bsClear);
  want.Canvas()->TextOut(10, 4, text.substr(text.find(piece), 60));
  // The same glyphs at the same places, give or take the rounding of a long
  // run's advances.
  const TRect a = InkBounds(want), b = InkBounds(got);
  EXPECT_NEAR(a.Left, b.Left, 1);
  EXPECT_NEAR(a.Right, b.Right, 1);
  EXPECT_EQ(a.Top, b.Top);
  EXPECT_EQ(a.Bottom, b.Bottom);
  // Outside the area nothing is drawn.
  TBitmap none(200, 40);
  none.Fill(clBlack);
  line.Draw(none.Canvas(), 10 - at, 4, clYellow, Rect(0, 0, 0, 0));
  EXPECT_EQ(none.Canvas()->Pixel(20, 20), clBlack);
}

}  // namespace
