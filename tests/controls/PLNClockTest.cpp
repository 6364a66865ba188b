// The panel clock with an injected time: hands on the pixels their angles
// give, the offset with its change events, the jumping second hand, a stopped
// clock, and the four-mark dial.
#include "controls/PLNClock.h"

#include <gtest/gtest.h>

#include <cmath>

#include "ReliefCheck.h"
#include "toolkit/Timer.h"

namespace {

using relief::px;

TDateTime At(int h, int m, int s, int ms = 0) { return 46000 + EncodeTime(h, m, s, ms); }

class TestPanelClock : public TPLNClock {
 public:
  TestPanelClock() : TPLNClock(nullptr) {
    Timer()->SetEnabled(false);
    SetBounds(0, 0, 200, 200);
    TimeSource = [this] { return now; };
  }
  std::shared_ptr<TBitmap> Snapshot() {
    auto b = std::make_shared<TBitmap>(Width(), Height());
    PaintTo(b->Canvas(), 0, 0);
    return b;
  }
  void TickAt(TDateTime t) {
    now = t;
    Tick();
  }
  TDateTime now = At(10, 0, 0);
};

// Whether a pixel within one of p has colour c (lines are drawn without
// smoothing, so the exact point may fall beside a thin line).
bool Near(const TBitmap& b, TPoint p, TColor c) {
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx)
      if (px(b, p.X + dx, p.Y + dy) == c) return true;
  return false;
}

TEST(PLNClockTest, HandsOfAFixedTimeLieOnTheirAngles) {
  TestPanelClock c;
  c.SetColor(clYellow);
  c.SetMinMarks(false);
  c.SetHrMarks(hmNone);
  c.SetCenterSize(0);
  c.SetTimeSet(At(2, 40, 15));
  c.SetClockEnabled(false);
  c.SetTimeSet(At(2, 40, 15));
  EXPECT_EQ(c.HourPos(), (2 * 60 + 40) * 25 / 3);
  EXPECT_EQ(c.MinutePos(), (40 * 60 + 15) * 10 / 6);
  EXPECT_EQ(c.SecondPos(), 1500);
  auto b = c.Snapshot();
  const TPLNClock::TGeometry g = c.Geometry();
  struct Hand { int u, to; TColor color; };
  const Hand hands[] = {{c.HourPos(), g.R - g.R / 3, c.ColorHandHr()},
                        {c.MinutePos(), g.R - c.WidthHandMin(), c.ColorHandMin()},
                        {c.SecondPos(), g.R, c.ColorHandSec()}};
  for (const Hand& h : hands) {
    for (double k : {0.35, 0.6, 0.9}) EXPECT_TRUE(Near(*b, TPLNClock::PointAt(g, h.u, h.to * k), h.color)) << h.u << " " << k;
    EXPECT_EQ(px(*b, TPLNClock::PointAt(g, h.u, h.to + 6).X, TPLNClock::PointAt(g, h.u, h.to + 6).Y), clYellow) << h.u;
  }
}

TEST(PLNClockTest, AnOffsetShiftsTheTimeAndItsEvents) {
  TestPanelClock c;
  c.SetTimeOffset(90);
  std::vector<String> secs, mins, hours;
  auto text = [](int h, int m, int s) { return FormatA("%d:%d:%d", h, m, s); };
  c.OnChangeSec = [&](TObject*, int h, int m, int s) { secs.push_back(text(h, m, s)); };
  c.OnChangeMin = [&](TObject*, int h, int m, int s) { mins.push_back(text(h, m, s)); };
  c.OnChangeHour = [&](TObject*, int h, int m, int s) { hours.push_back(text(h, m, s)); };
  c.TickAt(At(10, 29, 57, 500));   // two seconds: at least one is new to the clock
  c.TickAt(At(10, 29, 58, 500));
  secs.clear(), mins.clear(), hours.clear();
  for (int q = 1; q <= 25; ++q) c.TickAt(At(10, 29, 58, 500) + q * 100.0 / 86400000.0);
  EXPECT_EQ(secs, (std::vector<String>{"11:59:59", "12:0:0", "12:0:1"}));
  EXPECT_EQ(mins, (std::vector<String>{"12:0:0"}));
  EXPECT_EQ(hours, (std::vector<String>{"12:0:0"}));
}

TEST(PLNClockTest, TheSecondHandJumpsOnlyWithSecJump) {
  for (bool jump : {false, true}) {
    TestPanelClock c;
    c.SetSecJump(jump);
    std::vector<int> positions;
    for (int q = 0; q < 12; ++q) {
      c.TickAt(At(10, 0, 3, 50) + q * 100.0 / 86400000.0);
      positions.push_back(c.SecondPos());
    }
    int moves = 0;
    for (size_t i = 1; i < positions.size(); ++i)
      if (positions[i] != positions[i - 1]) {
        ++moves;
        EXPECT_EQ(positions[i] - positions[i - 1], jump ? 100 : 10);
      }
    EXPECT_EQ(moves, jump ? 1 : 11);
  }
}

TEST(PLNClockTest, AStoppedClockFreezesUntilItsTimeIsSet) {
  TestPanelClock c;
  c.Timer()->SetEnabled(true);
  int events = 0;
  c.OnChangeSec = [&](TObject*, int, int, int) { ++events; };
  c.TickAt(At(8, 15, 20));
  c.SetClockEnabled(false);
  EXPECT_FALSE(c.Timer()->Enabled());
  const int hour = c.HourPos(), minute = c.MinutePos(), second = c.SecondPos();
  events = 0;
  c.TickAt(At(9, 45, 50));
  EXPECT_EQ(c.HourPos(), hour);
  EXPECT_EQ(c.MinutePos(), minute);
  EXPECT_EQ(c.SecondPos(), second);
  EXPECT_EQ(events, 0);
  c.SetTimeSet(At(3, 0, 0));
  EXPECT_EQ(c.HourPos(), 3 * 60 * 25 / 3);
  EXPECT_EQ(c.MinutePos(), 0);
  EXPECT_EQ(events, 0);
  c.SetClockEnabled(true);
  EXPECT_TRUE(c.Timer()->Enabled());
}

TEST(PLNClockTest, FourHourMarksAndMinuteMarksEverywhereElse) {
  TestPanelClock c;
  c.SetHrMarks(hmFour);
  c.SetColorHr(clRed);
  c.SetColorMin(clBlue);
  c.SetColorHandHr(clBlack);
  c.SetColorHandMin(clBlack);
  c.SetColorHandSec(clBlack);
  c.SetTimeSet(At(6, 30, 0));
  c.SetClockEnabled(false);
  c.SetTimeSet(At(6, 30, 0));   // hands down the middle, away from the marks checked
  auto b = c.Snapshot();
  const TPLNClock::TGeometry g = c.Geometry();
  const int outer = std::min(g.RX, g.RY) + 2;
  for (int h = 1; h <= 12; ++h) {
    const TPoint p = TPLNClock::PointAt(g, h * 500, outer);
    const bool quarter = h % 3 == 0;
    EXPECT_EQ(Near(*b, p, clRed), quarter) << h;
    EXPECT_EQ(Near(*b, p, clBlue), !quarter) << h;   // a minute mark takes the place
  }
}

TEST(PLNClockTest, TheDateLineUsesTheFontHeightsMagnitude) {
  TestPanelClock c;
  c.Font()->SetHeight(-16);
  c.SetDate(true);
  EXPECT_EQ(c.Geometry().CY, (200 - (16 + 4)) / 2);
  c.Font()->SetHeight(16);
  EXPECT_EQ(c.Geometry().CY, (200 - (16 + 4)) / 2);
}

}  // namespace
