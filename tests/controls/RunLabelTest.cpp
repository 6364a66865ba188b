#include "controls/RunLabel.h"

#include <gtest/gtest.h>

#include "ReliefCheck.h"
#include "toolkit/Timer.h"

namespace {

using namespace relief;

// A running label whose ticks are driven by the test. Each direct repaint of
// a tick is recorded with the run position and the text origin it shows.
// With a fixed extent set, that extent replaces the font's measurement.
class TestRun : public TRunLabel {
 public:
  TestRun() : TRunLabel(nullptr) {}
  // One tick a frame or more after the previous one (every step painted).
  void Tick() {
    clock += TRunString::FrameMs;
    TimerTick();
  }
  // One tick `ms` after the previous one.
  void TickAfter(int ms) {
    clock += ms;
    TimerTick();
  }
  // The timer wakes `ms` after the previous wake.
  void WakeAfter(int ms) {
    clock += ms;
    TimerFired();
  }
  int Interval() const { return Timer()->Interval(); }
  TPoint Origin() {
    TBitmap scratch(1, 1);
    scratch.Canvas()->SetFont(RFont());
    return TextOrigin(Measure(scratch.Canvas()));
  }
  void SetDesigning() { state_.Include(csDesigning); }
  // A line of tw x th pixels (the relief included) in a strip of w x h.
  void Fix(int w, int h, int tw, int th) {
    SetBounds(0, 0, w, h);
    fixed = Point(tw - 2 * Depth(), th - 2 * Depth());
    UpdateLayout();
  }
  void Repaint() override { painted.push_back({GetPosition(), Origin()}); }
  Pic Snapshot() {
    auto bmp = std::make_shared<TBitmap>(Width(), Height());
    PaintTo(bmp->Canvas(), 0, 0);
    return bmp;
  }

  TPoint fixed{-1, -1};
  int64_t clock = 1000;
  std::vector<std::pair<int, TPoint>> painted;

 protected:
  TPoint MeasureText(TCanvas* c) const override { return fixed.X >= 0 ? fixed : TRunLabel::MeasureText(c); }
  int64_t FrameClock() const override { return clock; }
};

TEST(RunLabelTest, InitialValues) {
  TestRun r;
  EXPECT_EQ(r.Width(), 192);
  EXPECT_EQ(r.Height(), 20);
  EXPECT_EQ(r.Steps(), 192);
  EXPECT_EQ(r.StepToView(), 96);
  EXPECT_EQ(r.Speed(), 10);
  EXPECT_EQ(r.Interval(), TRunString::FrameMs);   // 10 ms ticks, made up once a frame
  EXPECT_EQ(r.OneStep(), 1);
  EXPECT_EQ(r.Depth(), 1);
  EXPECT_EQ(r.LabelStyle(), rlRaised);
  EXPECT_EQ(r.Color(), clBlack);
  EXPECT_EQ(r.ColorH(), clBlue);
  EXPECT_EQ(r.ColorS(), clBlue);
  EXPECT_EQ(r.RFont()->Name(), "System");
  EXPECT_EQ(r.RFont()->Size(), 10);
  EXPECT_EQ(r.RFont()->Color(), clWhite);
  EXPECT_TRUE(r.AutoRewind());
  EXPECT_EQ(r.Direction(), rdRightToLeft);
  EXPECT_EQ(r.RText(), "Running label");
  EXPECT_EQ(r.GetPosition(), 0);
  EXPECT_FALSE(r.IsRunning());
  EXPECT_FALSE(r.ControlStyle().Contains(csOpaque));
  EXPECT_EQ(TRunString::DefaultSteps, 96);
  EXPECT_EQ(TRunString::DefaultSpeed, 1);
  EXPECT_EQ(int(rdStatic), 0);
  EXPECT_EQ(int(rdBottomToTop), 4);
}

TEST(RunLabelTest, RunOfFifteenTicks) {
  TestRun r;
  r.Fix(100, 30, 50, 20);
  EXPECT_EQ(r.Steps(), 150);
  r.SetOneStep(10);
  std::vector<String> log;
  r.OnBegin = [&](TObject* s) { EXPECT_EQ(s, &r); log.push_back("begin@" + IntToStr(r.GetPosition())); };
  r.OnStep = [&](TObject*) { log.push_back("step@" + IntToStr(r.GetPosition())); };
  r.OnEnd = [&](TObject*) { log.push_back("end@" + IntToStr(r.GetPosition())); };
  r.Start(-1);
  EXPECT_TRUE(r.IsRunning());
  for (int i = 0; i < 16; ++i) r.Tick();

  ASSERT_EQ(r.painted.size(), 16u);
  EXPECT_EQ(r.painted[0].first, 10);
  EXPECT_EQ(r.painted[0].second, Point(90, 5));
  EXPECT_EQ(r.painted[14].first, 150);
  EXPECT_EQ(r.painted[14].second.X, -50);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(r.painted[size_t(i)].second.X, 100 - 10 * (i + 1)) << "tick " << i + 1;
  EXPECT_EQ(r.painted[15].second.X, 90);   // the next run starts over

  std::vector<String> want{"begin@0"};
  for (int p = 10; p <= 150; p += 10) want.push_back("step@" + IntToStr(p));
  want.push_back("end@150");
  want.push_back("begin@0");
  want.push_back("step@10");
  EXPECT_EQ(log, want);
  EXPECT_TRUE(r.IsRunning());   // AutoRewind
}

TEST(RunLabelTest, EndWithoutRewindAndRestartFromOnEnd) {
  TestRun r;
  r.Fix(10, 10, 10, 10);     // 20 positions
  r.SetOneStep(7);
  r.SetAutoRewind(false);
  int ends = 0, begins = 0;
  r.OnBegin = [&](TObject*) { ++begins; };
  r.OnEnd = [&](TObject*) { ++ends; EXPECT_FALSE(r.IsRunning()); };
  r.Start(0);
  for (int i = 0; i < 5; ++i) r.Tick();
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(begins, 1);
  EXPECT_EQ(r.GetPosition(), 0);
  EXPECT_FALSE(r.IsRunning());
  EXPECT_EQ(r.painted.size(), 3u);   // ticks of a stopped label do nothing

  // A new run started by the OnEnd handler still begins at position 0.
  r.OnEnd = [&](TObject*) { ++ends; r.Start(15); };
  r.Start(14);
  r.Tick();                          // 21: the end
  EXPECT_EQ(ends, 2);
  EXPECT_EQ(r.GetPosition(), 0);
  EXPECT_TRUE(r.IsRunning());
  r.Tick();
  EXPECT_EQ(begins, 2);
  EXPECT_EQ(r.GetPosition(), 7);
}

TEST(RunLabelTest, StartStopAndPosition) {
  TestRun r;
  r.Fix(100, 30, 50, 20);
  r.Start(40);
  EXPECT_EQ(r.GetPosition(), 40);
  EXPECT_EQ(r.Stop(), 40);
  EXPECT_FALSE(r.IsRunning());
  r.Start(-1);
  EXPECT_EQ(r.GetPosition(), 40);
  r.Start(151);
  EXPECT_EQ(r.GetPosition(), 40);
  r.Start(150);
  EXPECT_EQ(r.GetPosition(), 150);
  EXPECT_TRUE(r.IsRunning());
  // New text during a run: the position stays, the run length follows the text.
  r.fixed = Point(78, 18);
  r.SetRText("longer");
  EXPECT_EQ(r.GetPosition(), 150);
  EXPECT_EQ(r.Steps(), 180);
}

TEST(RunLabelTest, FastTicksMoveEveryTickButPaintOncePerFrame) {
  TestRun r;
  r.Fix(100, 30, 50, 20);
  int steps = 0;
  r.OnStep = [&](TObject*) { ++steps; };
  r.Start(0);
  for (int i = 0; i < 64; ++i) r.TickAfter(1);   // 1 ms ticks for 64 ms
  EXPECT_EQ(r.GetPosition(), 64);
  EXPECT_EQ(steps, 64);
  // One paint per 16 ms frame, each showing the position reached then.
  ASSERT_EQ(r.painted.size(), 4u);
  EXPECT_EQ(r.painted[0].first, 1);
  EXPECT_EQ(r.painted[1].first, 17);
  EXPECT_EQ(r.painted[3].first, 49);
  // Slower ticks than a frame paint every step.
  for (int i = 0; i < 3; ++i) r.TickAfter(35);
  EXPECT_EQ(r.painted.size(), 7u);
  EXPECT_EQ(r.painted.back().first, 67);
  r.Stop();
}

TEST(RunLabelTest, WakeOncePerFrameRunsEveryTickDueAndPaintsOnce) {
  TestRun r;
  r.Fix(100, 30, 50, 20);   // 150 positions
  r.SetSpeed(1);
  r.SetOneStep(3);
  std::vector<String> log;
  r.OnBegin = [&](TObject*) { log.push_back("begin"); };
  r.OnEnd = [&](TObject*) { log.push_back("end@" + IntToStr(r.GetPosition())); };
  int steps = 0;
  r.OnStep = [&](TObject*) { ++steps; };
  r.Start(0);
  r.WakeAfter(16);   // 16 ticks of 1 ms
  EXPECT_EQ(steps, 16);
  EXPECT_EQ(r.GetPosition(), 48);
  ASSERT_EQ(r.painted.size(), 1u);
  EXPECT_EQ(r.painted[0].first, 48);
  r.WakeAfter(10);   // woken early: the ticks due so far
  EXPECT_EQ(r.GetPosition(), 78);
  r.WakeAfter(40);   // the end of the run falls inside a wake
  EXPECT_EQ(log, (std::vector<String>{"begin", "end@150", "begin"}));
  EXPECT_EQ(r.painted.size(), 3u);
  // A long stall makes up two frames of ticks, not the whole stall.
  const int before = steps;
  r.WakeAfter(5000);
  EXPECT_EQ(steps - before, 2 * TRunString::FrameMs);
  // Speeds of a frame or slower tick once per wake.
  r.SetSpeed(35);
  r.WakeAfter(35);
  EXPECT_EQ(steps - before, 2 * TRunString::FrameMs + 1);
  r.Stop();
}

TEST(RunLabelTest, SpeedAndStepLimits) {
  TestRun r;
  // The timer wakes every Speed ms, at most once a frame.
  r.SetSpeed(0);
  EXPECT_EQ(r.Speed(), 1);
  EXPECT_EQ(r.Interval(), TRunString::FrameMs);
  r.SetSpeed(5000);
  EXPECT_EQ(r.Speed(), 1000);
  EXPECT_EQ(r.Interval(), 1000);
  r.SetSpeed(-3);
  EXPECT_EQ(r.Speed(), 1);
  r.SetSpeed(250);
  EXPECT_EQ(r.Interval(), 250);

  r.SetOneStep(0);
  EXPECT_EQ(r.OneStep(), 1);
  r.SetOneStep(-2);
  EXPECT_EQ(r.OneStep(), -2);
  r.Fix(10, 10, 10, 10);
  int ends = 0;
  r.OnEnd = [&](TObject*) { ++ends; };
  r.Start(0);
  for (int i = 0; i < 30; ++i) r.Tick();
  EXPECT_EQ(r.GetPosition(), -60);   // runs backwards, never reaching the end
  EXPECT_EQ(ends, 0);
}

TEST(RunLabelTest, StepsNeverZero) {
  TestRun r;
  r.SetSteps(0);
  EXPECT_EQ(r.Steps(), 1);
  r.SetSteps(-4);
  EXPECT_EQ(r.Steps(), 1);
  // No text, no relief, no width: the layout keeps one position.
  r.SetDepth(0);
  r.SetBounds(0, 0, 0, 20);
  r.SetRText("");
  EXPECT_EQ(r.Steps(), 1);
  int ends = 0;
  r.OnEnd = [&](TObject*) { ++ends; };
  r.Start(0);
  r.Tick();
  EXPECT_EQ(ends, 1);
  ASSERT_EQ(r.painted.size(), 1u);
  EXPECT_EQ(r.painted[0].second.X, 0);
}

TEST(RunLabelTest, DirectionsPlaceTheText) {
  TestRun r;
  r.Fix(100, 40, 50, 20);   // Steps 150, cx 25, cy 10
  auto at = [&](TRDirection d, int pos) {
    r.SetDirection(d);
    r.Start(pos);
    r.Stop();
    return r.Origin();
  };
  EXPECT_EQ(at(rdRightToLeft, 0), Point(100, 10));   // just outside the entering edge
  EXPECT_EQ(at(rdRightToLeft, 150), Point(-50, 10));
  EXPECT_EQ(at(rdLeftToRight, 0), Point(-50, 10));
  EXPECT_EQ(at(rdLeftToRight, 30), Point(-20, 10));
  EXPECT_EQ(at(rdLeftToRight, 150), Point(100, 10));
  // Vertical runs cross th + Height = 60 pixels in the same 150 positions.
  EXPECT_EQ(at(rdTopToBottom, 0), Point(25, 40));    // enters at the bottom and rises
  EXPECT_EQ(at(rdTopToBottom, 75), Point(25, 10));
  EXPECT_EQ(at(rdTopToBottom, 150), Point(25, -20));
  EXPECT_EQ(at(rdBottomToTop, 0), Point(25, -20));   // enters at the top and sinks
  EXPECT_EQ(at(rdBottomToTop, 50), Point(25, 0));
  EXPECT_EQ(at(rdBottomToTop, 150), Point(25, 40));
  EXPECT_EQ(at(rdStatic, 60), Point(25, 10));
  EXPECT_EQ(at(TRDirection(9), 60), Point(25, 10));
  // The nearest pixel, halves to even: 0.5 x 151 = 75.5 gives 76.
  r.SetBounds(0, 0, 101, 40);
  EXPECT_EQ(at(rdLeftToRight, 75), Point(26, 10));
  EXPECT_EQ(at(rdLeftToRight, 45).X, Round(0.3 * 151) - 50);
}

TEST(RunLabelTest, DesignTimeView) {
  TestRun r;
  r.Fix(100, 40, 50, 20);
  r.SetStepToView(30);
  EXPECT_EQ(r.StepToView(), 96);   // only while designing
  r.SetDesigning();
  r.SetStepToView(30);
  EXPECT_EQ(r.StepToView(), 30);
  r.SetStepToView(151);
  EXPECT_EQ(r.StepToView(), 30);
  EXPECT_EQ(r.Origin(), Point(70, 10));   // shows StepToView, not the run position
  r.SetSteps(200);
  EXPECT_EQ(r.StepToView(), 100);
}

TEST(RunLabelTest, SettersStoreAndLayOutAgain) {
  TestRun r;
  r.SetColorH(clBlack);   // equal to Color, still taken
  EXPECT_EQ(r.ColorH(), clBlack);
  r.SetDepth(3);
  TFont f;
  f.SetName("Arial");
  f.SetHeight(-27);
  f.SetColor(clYellow);
  r.SetRFont(&f);
  EXPECT_EQ(r.RFont()->Height(), -27);
  EXPECT_EQ(r.RFont()->Color(), clYellow);
  TBitmap scratch(1, 1);
  scratch.Canvas()->SetFont(&f);
  EXPECT_EQ(r.Steps(), scratch.Canvas()->TextWidth("Running label") + 2 * 3 + r.Width());
  // A change of the font itself lays the line out again.
  r.RFont()->SetHeight(-54);
  scratch.Canvas()->Font()->SetHeight(-54);
  EXPECT_EQ(r.Steps(), scratch.Canvas()->TextWidth("Running label") + 2 * 3 + r.Width());
}

class RunLabelPaintTest : public ::testing::Test {
 protected:
  RunLabelPaintTest() {
    r.SetBounds(0, 0, 260, 70);
    TFont f;
    f.SetName("Arial");
    f.SetHeight(-40);
    f.SetStyle({fsBold});
    f.SetColor(clWhite);
    r.SetRFont(&f);
    r.SetRText("HIH");
    r.SetDirection(rdStatic);
    r.SetColorH(clYellow);
    r.SetColorS(clBlue);
    r.SetDepth(2);
  }
  Mask plain() {
    TRLabelStyle s = r.LabelStyle();
    r.SetLabelStyle(rlNormal);
    Mask m{r.Snapshot()};
    r.SetLabelStyle(s);
    return m;
  }
  TestRun r;
};

TEST_F(RunLabelPaintTest, ThreePassesAroundTheText) {
  Mask m = plain();
  TRect ink = inkBounds(m.b, clBlack);
  ASSERT_GT(ink.Width(), 40);
  // The text stands centred with its relief.
  EXPECT_NEAR(ink.Left + ink.Right, 260, 8);
  r.SetLabelStyle(rlRaised);
  EXPECT_GT(checkRelief(r.Snapshot(), m, 2, clWhite, clBlue, clYellow), 1000);
  r.SetLabelStyle(rlLowered);
  EXPECT_GT(checkRelief(r.Snapshot(), m, 2, clWhite, clYellow, clBlue), 1000);
  r.SetLabelStyle(TRLabelStyle(5));   // unknown: the text alone
  EXPECT_GT(checkRelief(r.Snapshot(), m, 2, clWhite, clNone, clNone), 1000);
  r.SetColor(clGreen);
  EXPECT_EQ(px(*r.Snapshot(), 0, 0), clGreen);
}

TEST_F(RunLabelPaintTest, MovingTextIsDrawnAtItsOrigin) {
  r.SetLabelStyle(rlNormal);
  r.SetDirection(rdRightToLeft);
  r.Start(r.Steps() / 2);
  r.Stop();
  const int midX = r.Origin().X;
  TRect mid = inkBounds(r.Snapshot(), clBlack);
  r.Start(r.Steps() / 2 + 20);
  r.Stop();
  const int laterX = r.Origin().X;
  TRect later = inkBounds(r.Snapshot(), clBlack);
  EXPECT_EQ(midX - laterX, 20);
  EXPECT_EQ(mid.Left - later.Left, 20);
  EXPECT_EQ(mid.Right - later.Right, 20);
  r.Start(0);
  r.Stop();
  EXPECT_EQ(inkBounds(r.Snapshot(), clBlack).Right, -1);   // not yet in view
}

}  // namespace

namespace {

// A step painted by moving the previous picture looks exactly as a label
// painted afresh at that position, in every direction and relief.
TEST_F(RunLabelPaintTest, MovedPictureEqualsAFreshPaint) {
  r.SetRText("Goal! 1:0 * Welcome to the stadium * Next home match on Saturday");
  const struct {
    TRDirection dir;
    TRLabelStyle style;
  } cases[] = {{rdRightToLeft, rlRaised}, {rdLeftToRight, rlLowered}, {rdTopToBottom, rlRaised},
               {rdBottomToTop, rlNormal}};
  for (const auto& k : cases) {
    SCOPED_TRACE(int(k.dir));
    r.SetDirection(k.dir);
    r.SetLabelStyle(k.style);
    int pos = r.Steps() / 3;
    r.Start(pos);
    r.Stop();
    r.Snapshot();
    for (int step : {1, 3, 7, 2, 300}) {
      pos += step;
      r.Start(pos);
      r.Stop();
      Pic moved = r.Snapshot();
      TestRun fresh;
      fresh.SetBounds(0, 0, r.Width(), r.Height());
      fresh.SetRFont(r.RFont());
      fresh.SetRText(r.RText());
      fresh.SetColorH(r.ColorH());
      fresh.SetColorS(r.ColorS());
      fresh.SetDepth(r.Depth());
      fresh.SetDirection(k.dir);
      fresh.SetLabelStyle(k.style);
      fresh.Start(pos);
      fresh.Stop();
      Pic want = fresh.Snapshot();
      int differ = 0;
      for (int y = 0; y < want->Height(); ++y)
        for (int x = 0; x < want->Width(); ++x) differ += px(*want, x, y) != px(*moved, x, y);
      EXPECT_EQ(differ, 0) << "after a step of " << step;
    }
  }
}

}  // namespace
