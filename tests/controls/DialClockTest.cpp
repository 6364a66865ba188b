// The analog/digital clock with an injected time: the face's geometry, the
// hands on the pixels the circle table gives, numerals centred on their
// baseline, ticks that repaint only what changed and end on the pixels of a
// full paint, the alarm and the digital text by cells.
#include "controls/DialClock.h"

#include <gtest/gtest.h>

#include <cmath>

#include "controls/ThreadTimer.h"
#include "ReliefCheck.h"

namespace {

using relief::px;

TDateTime At(int h, int m, int s, int ms = 0, int day = 46000) { return day + EncodeTime(h, m, s, ms); }

// A clock whose time is set by the test and that paints into bitmaps the way
// a paint event does (optionally clipped to the area being repainted).
class TestClock : public TDialClock {
 public:
  explicit TestClock(int w = 384, int h = 256) : TDialClock(nullptr) {
    Timer()->SetEnabled(false);
    SetBounds(0, 0, w, h);
    SetColor(clBlack);
    Font()->SetName("Arial");
    Font()->SetStyle({fsBold});
    TimeSource = [this] { return now; };
  }
  // Moves the clock to t by one tick.
  void TickAt(TDateTime t) {
    now = t;
    TimerExpired(this);
  }
  void PaintInto(TBitmap& b, const TRect* clip = nullptr) {
    TCanvas* c = canvas_.get();
    c->BindImage(&b.Image());
    c->SetOrigin(TPoint(0, 0));
    c->Font()->Assign(Font());
    c->Brush()->SetColor(Color());
    if (clip) {
      const TRegion r = TRegion::FromRect(*clip);
      c->SelectClipRgn(&r);
    }
    Paint();
    c->SelectClipRgn(nullptr);
    c->BindImage(nullptr);
  }
  // A full paint over a copy of the background.
  std::shared_ptr<TBitmap> Full(const TBitmap& bg) {
    auto b = std::make_shared<TBitmap>();
    b->Assign(&bg);
    PaintInto(*b);
    return b;
  }
  TDateTime now = At(10, 0, 0);
};

std::shared_ptr<TBitmap> Plain(int w, int h, TColor c) {
  auto b = std::make_shared<TBitmap>(w, h);
  b->Fill(c);
  return b;
}

struct DialClockTest : ::testing::Test {
  void SetUp() override { TDialClock::SetScreenWidth(1024); }
  void TearDown() override { TDialClock::SetScreenWidth(0); }
};

TEST_F(DialClockTest, CircleTableHoldsItsTellingRows) {
  const auto& T = TDialClock::CircleTable;
  const int rows[][3] = {{0, 0, -7999}, {1, 836, -7956}, {5, 3999, -6928}, {15, 8000, 0}, {30, 0, 7999}, {45, -7999, 0}};
  for (const auto& r : rows) {
    EXPECT_EQ(T[size_t(r[0])][0], r[1]) << r[0];
    EXPECT_EQ(T[size_t(r[0])][1], r[2]) << r[0];
  }
}

TEST_F(DialClockTest, FaceGeometryOfTheConsoleClock) {
  TestClock c;
  TDialClock::TFace f = c.Face();
  EXPECT_EQ(f.F, Rect(64, 0, 320, 256));
  EXPECT_EQ(f.D, 6);
  EXPECT_EQ(f.C, Point(192, 128));
  EXPECT_EQ(f.R, 125);
  c.SetClockCircle(false);
  f = c.Face();
  EXPECT_EQ(f.F, Rect(0, 0, 384, 256));
  EXPECT_NE(f.RX, f.RY);
  EXPECT_EQ(f.R, std::min(f.RX, f.RY));
  // The dot size never divides by a screen width of 0.
  TDialClock::SetScreenWidth(0);
  EXPECT_GE(TDialClock::ScreenWidth(), 1);
}

// Every hand at several times, both face shapes and all three hand shapes:
// along the hand its colour, beyond the tip and beside it the background.
TEST_F(DialClockTest, HandsLieWhereTheTableAndTheTimePutThem) {
  struct Time { int h, m, s; };
  const Time times[] = {{3, 0, 40}, {7, 20, 5}, {10, 45, 30}, {1, 30, 50}};
  const TColor hand = clRed, sec = clLime;
  for (bool circle : {true, false})
    for (int shape = 0; shape < 3; ++shape)
      for (const Time& t : times) {
        TestClock c;
        c.SetAnalogFaceEnabled(false);
        c.SetTextType(0);
        c.SetHourCenter_Radius(0);
        c.SetClockCircle(circle);
        c.SetHand_Hour(uint8_t(shape));
        c.SetHand_Min(uint8_t(shape));
        c.SetHandColor(hand);
        c.SetHandSecColor(sec);
        c.SetWidthSecHour(3);
        c.TickAt(At(t.h, t.m, t.s));
        auto b = c.Full(*Plain(384, 256, clBlack));
        const TDialClock::TFace f = c.Face();
        const String where = FormatA("%d:%d:%d circle %d shape %d", t.h, t.m, t.s, int(circle), shape);
        struct Hand { int p, length, halfWidth; TColor color; };
        const Hand hands[] = {{(t.h % 12) * 5 + t.m / 12, f.R * 60 / 100, f.R * 7 / 100, hand},
                              {t.m, f.R * 95 / 100, f.R * 5 / 100, hand},
                              {t.s, f.R * 99 / 100, 2, sec}};
        for (const Hand& h : hands) {
          const auto& T = TDialClock::CircleTable[size_t(h.p)];
          const double ux = T[0] / 8000.0, uy = T[1] / 8000.0;
          auto at = [&](double d, double across) {
            return Point(f.C.X + int(std::lround(ux * d - uy * across)), f.C.Y + int(std::lround(uy * d + ux * across)));
          };
          for (double k : {0.3, 0.5, 0.75}) {
            const TPoint p = at(h.length * k, 0);
            EXPECT_EQ(px(*b, p.X, p.Y), h.color) << where << " hand " << h.p << " at " << k;
          }
          const TPoint beyond = at(h.length + 5, 0);
          EXPECT_EQ(px(*b, beyond.X, beyond.Y), clBlack) << where << " beyond " << h.p;
          for (int side : {-1, 1}) {
            const TPoint across = at(h.length * 0.5, side * (h.halfWidth + 5));
            EXPECT_EQ(px(*b, across.X, across.Y), clBlack) << where << " across " << h.p;
          }
        }
      }
}

TEST_F(DialClockTest, AnHourHandShapeOfThreeDrawsNoHandButTheDisc) {
  TestClock c;
  c.SetAnalogFaceEnabled(false);
  c.SetTextType(0);
  c.SetShowSeconds(false);
  c.SetHand_Hour(3);
  c.SetHand_Min(3);
  c.SetHandColor(clRed);
  c.SetHourCenter_Radius(10);
  c.SetColor(clNavy);
  c.TickAt(At(3, 0, 0));
  auto b = c.Full(*Plain(384, 256, clBlack));
  const TRect disc = relief::inkBounds(b, clNavy);
  // Only the disc's red outline is drawn, 12 pixels around the centre.
  EXPECT_EQ(px(*b, 192 + 40, 128), clNavy);   // where the hour hand would lie
  EXPECT_LE(disc.Width(), 26);
  EXPECT_GE(disc.Width(), 22);
  EXPECT_EQ(px(*b, 192 - 12, 128), clRed);
}

TEST_F(DialClockTest, RomanNumeralsAtTheQuartersAreCentredOnTheirBaseline) {
  TestClock c;
  c.SetAnalogFaceEnabled(false);
  c.SetShowSeconds(false);
  c.SetHand_Hour(3);
  c.SetHand_Min(3);
  c.SetHourCenter_Radius(0);
  c.SetTextType(2);
  c.Font()->SetColor(clWhite);
  auto b = c.Full(*Plain(384, 256, clBlack));
  const TDialClock::TFace f = c.Face();
  const struct { int k; const char* text; } quarters[] = {{0, "XII"}, {15, "III"}, {30, "VI"}, {45, "IX"}};
  for (const auto& q : quarters) {
    const auto& T = TDialClock::CircleTable[size_t(q.k)];
    const TPoint n(f.C.X + T[0] * f.RX * 85 / 100 / 8000, f.C.Y + T[1] * f.RY * 85 / 100 / 8000 + 3 * f.D / 2);
    // The same text drawn alone, centred on its baseline at that point.
    auto refPic = Plain(384, 256, clBlack);
    TBitmap& ref = *refPic;
    ref.Canvas()->Font()->Assign(c.Font());
    ref.Canvas()->Font()->SetSize(3 * f.D);
    ref.Canvas()->Brush()->SetStyle(bsClear);
    ref.Canvas()->SetTextAlign(TA_CENTER | TA_BASELINE);
    ref.Canvas()->TextOut(n.X, n.Y, q.text);
    const TRect ink = relief::inkBounds(refPic, clBlack);
    ASSERT_LT(ink.Left, ink.Right) << q.text;
    EXPECT_LE(std::abs((ink.Left + ink.Right) / 2 - n.X), 1) << q.text;
    EXPECT_LE(std::abs(ink.Bottom - n.Y), 1) << q.text;   // capitals end on the baseline
    for (int y = ink.Top - 1; y <= ink.Bottom; ++y)
      for (int x = ink.Left - 1; x <= ink.Right; ++x)
        ASSERT_EQ(px(*b, x, y), px(ref, x, y)) << q.text << " at " << x << "," << y;
  }
}

TEST_F(DialClockTest, MinuteLinesEndAtDotLenPercent) {
  TestClock c;
  c.SetTextType(0);
  c.SetShowSeconds(false);
  c.SetHand_Hour(3);
  c.SetHand_Min(3);
  c.SetHourCenter_Radius(0);
  c.SetDotsColor(clYellow);
  c.SetDotsLColor(clAqua);
  c.SetDotsBColor(clWhite);
  c.SetDot_Len(80);
  auto b = c.Full(*Plain(384, 256, clBlack));
  const TDialClock::TFace f = c.Face();
  auto along = [&](int k, int percent) {
    const auto& T = TDialClock::CircleTable[size_t(k)];
    return Point(f.C.X + T[0] * f.RX / 8000 * percent / 100, f.C.Y + T[1] * f.RY / 8000 * percent / 100);
  };
  for (int k : {7, 15 + 1, 38}) {
    const TPoint on = along(k, 88), inside = along(k, 70);
    bool line = false;   // a one-pixel line passes within a pixel of the exact point
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) line = line || px(*b, on.X + dx, on.Y + dy) == clAqua;
    EXPECT_TRUE(line) << k;
    EXPECT_EQ(px(*b, inside.X, inside.Y), clBlack) << k;
  }
  const TPoint mark = along(10, 88);   // a five-minute mark gets no line
  EXPECT_EQ(px(*b, mark.X, mark.Y), clBlack);
}

// Ticking across a minute repaints only what changed and ends on the pixels
// of a full paint of that time: opaque over its own picture, and see-through
// over its parent's picture.
TEST_F(DialClockTest, TickingAcrossAMinuteEndsOnTheFullPaint) {
  TBitmap stripes(64, 48);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) stripes.Canvas()->SetPixel(x, y, RGB(x * 4, y * 5, (x + y) % 2 ? 200 : 40));
  TBitmap parentBg(384, 256);
  parentBg.Canvas()->StretchDraw(Rect(0, 0, 384, 256), &stripes);
  for (bool transparent : {false, true}) {
    TestClock c;
    c.SetHand_Hour(1);
    c.SetHourCenter_Radius(6);
    c.SetWidthSecHour(2);
    c.SetDotsColor(clYellow);
    c.SetTransparent(transparent);
    TBitmap bg;
    bg.Assign(transparent ? &parentBg : Plain(384, 256, clBlack).get());
    if (!transparent) {
      TPicture pic;
      pic.SetGraphic(&stripes);
      c.SetPicture(&pic);
    }
    c.TickAt(At(12, 29, 57));
    auto screen = c.Full(bg);
    int newMinutes = 0, partial = 0;
    c.OnNewMinute = [&](TObject*) { ++newMinutes; };
    for (int q = 1; q <= 28; ++q) {
      c.TickAt(At(12, 29, 57) + q * 250.0 / 86400000.0);
      for (const TRect& r : c.LastTickDamage()) {
        if (r != c.ClientRect()) ++partial;
        // The parent repaints its part, then the clock paints over it.
        screen->Canvas()->CopyRect(r, bg.Canvas(), r);
        c.PaintInto(*screen, &r);
      }
    }
    EXPECT_EQ(newMinutes, 1);
    EXPECT_EQ(partial, 2 * 6);   // two boxes a second, the new minute whole
    auto full = c.Full(bg);
    int differ = 0;
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 384; ++x)
        if (px(*screen, x, y) != px(*full, x, y)) ++differ;
    EXPECT_EQ(differ, 0) << (transparent ? "see-through" : "own picture");
  }
}

TEST_F(DialClockTest, AlarmFiresOnceAtItsTimeAndAtMidnight) {
  struct Case { int h, m, s; TDateTime from, to; int fires; };
  const Case cases[] = {{12, 30, 20, At(12, 30, 0), At(12, 32, 0), 1},
                        {0, 0, 0, At(23, 59, 55), At(0, 0, 5, 0, 46001), 1},
                        {12, 30, 20, At(12, 31, 0), At(23, 59, 59), 0}};
  for (const Case& k : cases) {
    TestClock c;
    c.TickAt(k.from);
    c.SetAlarmHour(uint8_t(k.h));
    c.SetAlarmMinute(uint8_t(k.m));
    c.SetAlarmSecond(uint8_t(k.s));
    c.SetAlarmEnabled(true);
    int fired = 0;
    TDateTime firedAt = 0;
    c.OnAlarm = [&](TObject*) {
      ++fired;
      firedAt = c.now;
    };
    for (TDateTime t = k.from; t <= k.to; t += 250.0 / 86400000.0) c.TickAt(t);
    EXPECT_EQ(fired, k.fires) << k.h << ":" << k.m;
    if (fired) {
      int h, m, s, ms;
      DecodeTime(firedAt, h, m, s, ms);
      EXPECT_EQ(h * 3600 + m * 60 + s, k.h * 3600 + k.m * 60 + k.s);
    }
  }
}

TEST_F(DialClockTest, AnInvalidAlarmPartIsRefusedWithItsText) {
  TestClock c;
  c.SetAlarmHour(7);
  try {
    c.SetAlarmHour(24);
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "'24:0:0' is not a valid time");
  }
  EXPECT_EQ(c.AlarmHour(), 7);
  EXPECT_THROW(c.SetAlarmSecond(60), EConvertError);
}

TEST_F(DialClockTest, DigitalTextRepaintsOnlyTheChangedCells) {
  TestClock c;
  c.SetShowMode(scDigital);
  c.SetLeadingZero(false);
  c.Font()->SetHeight(-40);
  int newMinutes = 0;
  c.OnNewMinute = [&](TObject*) { ++newMinutes; };
  c.TickAt(At(9, 5, 7));
  TDialClock::TDigital d = c.Digital();
  EXPECT_EQ(d.Text, "9:05:07");
  EXPECT_EQ(d.L, 7);
  c.TickAt(At(9, 5, 8));
  EXPECT_EQ(c.LastTickDamage(), (std::vector<TRect>{d.Cells[5], d.Cells[6]}));
  c.TickAt(At(9, 5, 59, 800));
  c.TickAt(At(9, 6, 0));
  EXPECT_EQ(c.LastTickDamage().size(), 4u);   // minute and second digits
  EXPECT_EQ(newMinutes, 0);
  // The digits drawn are the displayed time's.
  auto b = c.Full(*Plain(384, 256, clBlack));
  EXPECT_LT(relief::inkBounds(b, clBlack).Left, d.Box.Left + d.Box.Width() / 3);

  c.SetTwelveHour(true);
  c.TickAt(At(13, 0, 0));
  d = c.Digital();
  EXPECT_EQ(d.Text.substr(0, 4), "1:00");
  EXPECT_EQ(d.Text.substr(d.Text.size() - FormatSettings.TimePMString.size()), FormatSettings.TimePMString);
}

TEST_F(DialClockTest, AWallClockJumpRepaintsEverything) {
  TestClock c;
  c.TickAt(At(10, 0, 0));
  c.TickAt(At(10, 0, 0, 250));
  c.TickAt(At(10, 0, 0, 500));
  EXPECT_TRUE(c.LastTickDamage().empty());
  c.TickAt(At(10, 0, 10, 500));   // the wall clock set ten seconds on
  ASSERT_FALSE(c.LastTickDamage().empty());
  EXPECT_EQ(c.LastTickDamage().back(), c.ClientRect());
}

}  // namespace
