// Status lamp: template pixels per kind, shape and value; linked caption.
#include "controls/Led.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Paints the lamp over a background of `under` and returns the picture.
std::unique_ptr<TBitmap> Snap(TLed& led, TColor under = clFuchsia) {
  auto bmp = std::make_unique<TBitmap>(led.Width(), led.Height());
  bmp->Fill(under);
  led.PaintTo(bmp->Canvas(), 0, 0);
  return bmp;
}

TEST(LedTest, ConstructionValues) {
  TLed led(nullptr);
  EXPECT_EQ(led.Kind(), lkRed);
  EXPECT_EQ(led.Shape(), lsCircle);
  EXPECT_FALSE(led.Value());
  EXPECT_EQ(led.Width(), 16);
  EXPECT_EQ(led.Height(), 16);
}

// Every pixel of every kind, shape and value follows the template: shade 0
// leaves the background, shades 1..6 take the kind's colours.
TEST(LedTest, PaintsTheTemplateAndLeavesShadeZeroAlone) {
  for (int kind = lkRed; kind <= lkWhite; ++kind)
    for (int shape : {lsCircle, lsRectangle})
      for (bool value : {false, true}) {
        TLed led(nullptr);
        led.SetKind(TLedKind(kind));
        led.SetShape(TLedShape(shape));
        led.SetValue(value);
        auto b = Snap(led);
        for (int y = 0; y < 16; ++y)
          for (int x = 0; x < 16; ++x) {
            const int s = TLed::Shade(TLedShape(shape), value, x, y);
            ASSERT_EQ(b->Canvas()->Pixel(x, y), s ? LedColors[kind][s] : clFuchsia)
                << "kind " << kind << " shape " << shape << " value " << value << " at " << x << "," << y;
          }
      }
}

TEST(LedTest, OffGreenCircleLooksAsDescribed) {
  TLed led(nullptr);
  led.SetKind(lkGreen);
  auto b = Snap(led);
  EXPECT_EQ(b->Canvas()->Pixel(8, 8), clBlack);    // dark inside
  EXPECT_EQ(b->Canvas()->Pixel(5, 4), clLime);     // small reflection at the upper left
  EXPECT_EQ(b->Canvas()->Pixel(7, 0), clGray);     // grey upper rim
  EXPECT_EQ(b->Canvas()->Pixel(7, 15), clWhite);   // white lower rim
  EXPECT_EQ(b->Canvas()->Pixel(0, 0), clFuchsia);  // outside the circle: the parent
}

TEST(LedTest, LargerControlPaintsOnlyItsTopLeftSixteen) {
  TLed led(nullptr);
  led.SetBounds(0, 0, 40, 40);
  led.SetShape(lsRectangle);
  auto b = Snap(led);
  EXPECT_EQ(b->Canvas()->Pixel(15, 3), clGray);
  for (int y = 0; y < 40; ++y)
    for (int x = 16; x < 40; ++x) ASSERT_EQ(b->Canvas()->Pixel(x, y), clFuchsia);
  for (int y = 16; y < 40; ++y) ASSERT_EQ(b->Canvas()->Pixel(0, y), clFuchsia);
}

TEST(LedTest, LinkedLabelFollowsValueAndTexts) {
  TLed led(nullptr);
  TLabel label(nullptr);
  int changes = 0;
  led.OnChange = [&](TObject* s) {
    EXPECT_EQ(s, &led);
    if (led.LabelLinked()) {
      EXPECT_EQ(label.Caption(), led.Value() ? "Loading" : "Ready");   // caption, then event
    }
    ++changes;
  };
  led.SetLabelOnText("Loading");
  led.SetLabelOffText("Ready");
  label.SetCaption("x");
  led.SetValue(true);
  led.SetLabelLinked(&label);             // a new label shows the current state at once
  EXPECT_EQ(label.Caption(), "Loading");
  EXPECT_EQ(changes, 1);
  label.SetCaption("x");
  led.SetValue(true);                     // same value: no event, label untouched
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(label.Caption(), "x");
  led.SetLabelOnText("Busy");             // a changed text refreshes the caption
  EXPECT_EQ(label.Caption(), "Busy");
  led.SetLabelOnText("Loading");
  led.SetValue(false);
  EXPECT_EQ(label.Caption(), "Ready");
  EXPECT_EQ(changes, 2);
}

TEST(LedTest, FreedLabelIsForgotten) {
  TLed led(nullptr);
  auto* label = new TLabel(nullptr);
  led.SetLabelLinked(label);
  delete label;
  EXPECT_EQ(led.LabelLinked(), nullptr);
  led.SetValue(true);   // must not touch the freed label
  EXPECT_TRUE(led.Value());
}

}  // namespace
