// The show window on a PDF the test writes itself: timed and clicked
// advance, loop and end screen, the show states, restarting, and finding
// and placing the window by handle.
#include <gtest/gtest.h>
#include <cmath>
#include <functional>
#include <set>
#include <QMouseEvent>
#include <QPainter>
#include <QPdfWriter>
#include <QWidget>
#include "../toolkit/ToolkitTestUtil.h"
#include "console/TPowerpoint.h"
#include "platform/office/SlideShow.h"
#include "platform/office/SlideTransition.h"
#include "support/OfficeSamples.h"

namespace {

// A PDF of one full-colour 16:9 page per colour.
String WritePdf(const std::vector<QColor>& colours) {
  const String file = officesamples::UseTestCache() + "show-" + IntToStr(int64_t(colours.size())) + ".pdf";
  QPdfWriter w(QString::fromStdString(file));
  w.setPageSize(QPageSize(QSizeF(160, 90), QPageSize::Millimeter));
  w.setPageMargins(QMarginsF(0, 0, 0, 0));
  QPainter p(&w);
  for (size_t i = 0; i < colours.size(); ++i) {
    if (i) w.newPage();
    p.fillRect(QRect(0, 0, w.width(), w.height()), colours[i]);
  }
  p.end();
  return file;
}

}  // namespace

class SlideShowWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { deck_ = std::make_shared<TSlideDeck>(WritePdf({Qt::red, Qt::green, Qt::blue})); }
  static void TearDownTestSuite() { deck_.reset(); }
  void SetUp() override {
    w_.OnSlideChanged = [this] { seen_.push_back(w_.Position()); };
    SetWindowPos(w_.Handle(), HWND_TOP, 0, 0, 160, 90, SWP_NOACTIVATE);
  }
  TColor Centre() {
    TBitmap b;
    w_.Picture(b);
    return b.Canvas()->Pixel(b.Width() / 2, b.Height() / 2);
  }
  // A click on the window as the operator sees it (a started show appears
  // when the program next waits for input).
  void ClickWindow() {
    QWidget* top = nullptr;
    pumpUntil([&] {
      for (QWidget* t : QApplication::topLevelWidgets())
        if (t->windowTitle() == "Slide show" && t->isVisible()) top = t;
      return top != nullptr;
    }, 2000);
    ASSERT_NE(top, nullptr);
    QMouseEvent e(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                  Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(top, &e);
  }
  static TShowSettings Settings(int advanceTime, bool loop = false) {
    TShowSettings s;
    s.AdvanceTime = advanceTime;
    s.Loop = loop;
    return s;
  }

  static std::shared_ptr<TSlideDeck> deck_;
  TSlideShowWindow w_;
  std::vector<int> seen_;
};
std::shared_ptr<TSlideDeck> SlideShowWindowTest::deck_;

TEST_F(SlideShowWindowTest, TimedSlidesRunToTheBlackEndScreen) {
  w_.Start(deck_, Settings(0));
  EXPECT_EQ(Centre(), clRed);
  ASSERT_TRUE(pumpUntil([&] { return w_.Position() == 4; }, 2000));
  pumpUntil([] { return false; }, 60);
  EXPECT_EQ(seen_, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(Centre(), clBlack);
  EXPECT_TRUE(w_.Active());
}

TEST_F(SlideShowWindowTest, ALoopedShowWraps) {
  w_.Start(deck_, Settings(0, true));
  ASSERT_TRUE(pumpUntil([&] { return seen_.size() >= 5; }, 2000));
  EXPECT_EQ(std::vector<int>(seen_.begin(), seen_.begin() + 5), (std::vector<int>{1, 2, 3, 1, 2}));
}

TEST_F(SlideShowWindowTest, NoTimedAdvanceInManualModePausedOrWithoutTheTimer) {
  TShowSettings manual = Settings(0);
  manual.AdvanceMode = 1;
  TShowSettings untimed = Settings(0);
  untimed.AdvanceOnTime = false;
  for (const TShowSettings& s : {manual, untimed}) {
    w_.Start(deck_, s);
    pumpUntil([] { return false; }, 80);
    EXPECT_EQ(w_.Position(), 1);
  }
  w_.Start(deck_, Settings(0));
  w_.SetState(TSlideShowWindow::Paused);
  pumpUntil([] { return false; }, 80);
  EXPECT_EQ(w_.Position(), 1);
  w_.SetState(TSlideShowWindow::Running);
  EXPECT_TRUE(pumpUntil([&] { return w_.Position() == 4; }, 2000));
}

TEST_F(SlideShowWindowTest, StatesShowBlackWhiteAndDoneEndsTheShow) {
  w_.Start(deck_, Settings(60));
  w_.SetState(TSlideShowWindow::Black);
  EXPECT_EQ(Centre(), clBlack);
  w_.SetState(TSlideShowWindow::White);
  EXPECT_EQ(Centre(), clWhite);
  w_.SetState(TSlideShowWindow::Running);
  EXPECT_EQ(Centre(), clRed);
  ASSERT_EQ(FindWindow(SlideShowWindowClass), w_.Handle());
  int ended = 0;
  w_.OnEnded = [&] { ++ended; };
  w_.SetState(TSlideShowWindow::Done);
  EXPECT_FALSE(w_.Active());
  EXPECT_EQ(ended, 1);
  EXPECT_EQ(FindWindow(SlideShowWindowClass), HWND(0));
}

TEST_F(SlideShowWindowTest, ClicksAdvanceWhenAllowedAndEndTheShowOnTheEndScreen) {
  TShowSettings s = Settings(60);
  s.AdvanceOnClick = false;
  w_.Start(deck_, s);
  ClickWindow();
  EXPECT_EQ(w_.Position(), 1);
  s.AdvanceOnClick = true;
  w_.Start(deck_, s);
  for (int i = 0; i < 3; ++i) ClickWindow();
  EXPECT_EQ(w_.Position(), 4);
  ClickWindow();
  EXPECT_FALSE(w_.Active());
}

TEST_F(SlideShowWindowTest, ASecondStartBeginsAtSlideOneAndGotoMoves) {
  w_.Start(deck_, Settings(60));
  w_.GotoSlide(3);
  EXPECT_EQ(Centre(), clBlue);
  w_.GotoSlide(9);   // not a slide: stays
  EXPECT_EQ(w_.Position(), 3);
  w_.Start(deck_, Settings(60));
  EXPECT_EQ(w_.Position(), 1);
  EXPECT_EQ(Centre(), clRed);
}

TEST_F(SlideShowWindowTest, PlacedByHandleWithTheSlideFittedInside) {
  w_.Start(deck_, Settings(60));
  ASSERT_TRUE(SetWindowPos(w_.Handle(), HWND_TOPMOST, 30, 40, 200, 200, SWP_NOACTIVATE));
  EXPECT_EQ(w_.ScreenRect(), Rect(30, 40, 230, 240));
  TRect r;
  TBitmap pic;
  ASSERT_TRUE(GrabShowWindow(w_.Handle(), r, pic));
  EXPECT_EQ(r, Rect(30, 40, 230, 240));
  EXPECT_EQ(pic.Canvas()->Pixel(100, 5), clBlack);   // bar above the 16:9 slide
  EXPECT_EQ(pic.Canvas()->Pixel(100, 100), clRed);
  EXPECT_FALSE(SetWindowPos(HWND(12345), HWND_TOP, 0, 0, 1, 1, 0));
}

// The slide after the current one is rendered ahead for the deck and the
// size shown: after a restart with another deck, or a new size, the next
// slide is that deck's, at that size.
TEST_F(SlideShowWindowTest, TheSlideRenderedAheadIsOfTheDeckAndSizeShown) {
  const auto other = std::make_shared<TSlideDeck>(WritePdf({Qt::yellow, Qt::cyan}));
  w_.Start(deck_, Settings(60));
  ASSERT_TRUE(pumpUntil([&] { return w_.FollowingReady(); }, 10000));
  w_.Start(other, Settings(60));
  ASSERT_TRUE(pumpUntil([&] { return w_.FollowingReady(); }, 10000));
  w_.Next();
  EXPECT_EQ(Centre(), clAqua);
  w_.Start(deck_, Settings(60));
  ASSERT_TRUE(pumpUntil([&] { return w_.FollowingReady(); }, 10000));
  SetWindowPos(w_.Handle(), HWND_TOP, 0, 0, 200, 300, SWP_NOACTIVATE);
  ASSERT_TRUE(pumpUntil([&] { return w_.FollowingReady(); }, 10000));
  w_.Next();
  TBitmap b;
  w_.Picture(b);
  EXPECT_EQ(b.Canvas()->Pixel(100, 150), clLime);
  EXPECT_EQ(b.Canvas()->Pixel(100, 10), clBlack);   // the bar above the slide fitted to the new size
}

// ---------------------------------------------------------------- transitions

namespace {

// 1 where the new slide is expected at fraction F of the way, 0 where the
// old one, -1 within 3 pixels of the moving edge (rounding of the edge).
int Side(double v, double edge) { return std::abs(v - edge) < 3 ? -1 : v < edge; }

struct Motion {
  int effect;
  const char* name;
  std::function<int(double f, int x, int y, int w, int h)> isNew;
};

}  // namespace

class SlideTransitionTest : public SlideShowWindowTest {
 protected:
  struct Frame {
    int progress;
    TBitmap picture;
  };
  // Runs the change from slide 1 (red) to slide 2 (green) with Effect at
  // Speed; every frame drawn is kept.
  std::vector<std::unique_ptr<Frame>> Run(int effect, int speed = 1) {
    std::vector<std::unique_ptr<Frame>> frames;
    TShowSettings s = Settings(60);
    s.EntryEffect = effect;
    s.Speed = speed;
    w_.Start(deck_, s);
    w_.OnTransitionFrame = [&] {
      auto f = std::make_unique<Frame>();
      f->progress = w_.Transition().Progress;
      w_.Picture(f->picture);
      frames.push_back(std::move(f));
    };
    w_.GotoSlide(2);
    EXPECT_TRUE(pumpUntil([&] { return !w_.Transition().Running; }, 20000));
    w_.OnTransitionFrame = nullptr;
    return frames;
  }
  static const Frame& Nearest(const std::vector<std::unique_ptr<Frame>>& frames, int progress) {
    const Frame* best = frames.front().get();
    for (const auto& f : frames)
      if (std::abs(f->progress - progress) < std::abs(best->progress - progress)) best = f.get();
    return *best;
  }
};

TEST_F(SlideTransitionTest, FramesAtAQuarterHalfAndThreeQuartersShowTheMotion) {
  const Motion table[] = {
      {1793, "Fade", nullptr},
      {2817, "WipeLeft", [](double f, int x, int, int w, int) {
         const int s = Side(x, w * (1 - f));
         return s < 0 ? -1 : 1 - s;
       }},
      {1284, "CoverDown", [](double f, int, int y, int, int h) { return Side(y, h * f); }},
      {3587, "SplitVerticalOut", [](double f, int x, int, int w, int) { return Side(std::abs(x - w / 2.0), w * f / 2); }},
      // Two slats 45 pixels high on a slide 90 high, each opened from its top.
      {769, "BlindsHorizontal", [](double f, int, int y, int, int) { return Side(y % 45, 45 * f); }},
      {1537, "Dissolve", nullptr},
  };
  for (const Motion& m : table) {
    const auto frames = Run(m.effect);
    double lastShare = 0;
    ASSERT_GE(frames.size(), 10u) << m.name;
    EXPECT_EQ(frames.back()->progress, 100) << m.name;
    for (int target : {25, 50, 75}) {
      const Frame& fr = Nearest(frames, target);
      TBitmap& b = const_cast<TBitmap&>(fr.picture);
      const double f = fr.progress / 100.0;
      ASSERT_NEAR(fr.progress, target, 3) << m.name;
      const int w = b.Width(), h = b.Height();
      int wrong = 0, green = 0, all = 0, greenLeft = 0, allLeft = 0;
      for (int y = 1; y < h; y += 4)
        for (int x = 1; x < w; x += 4) {
          const TColor c = b.Canvas()->Pixel(x, y);
          ++all;
          green += c == clLime;
          if (x < w / 2) {
            ++allLeft;
            greenLeft += c == clLime;
          }
          if (!m.isNew) continue;
          const int want = m.isNew(f, x, y, w, h);
          if (want >= 0 && c != (want ? clLime : clRed)) ++wrong;
        }
      if (m.effect == 1793) {
        const TColor c = b.Canvas()->Pixel(w / 2, h / 2);
        EXPECT_NEAR(GetRValue(c), 255 * (1 - f), 4) << m.name << " at " << fr.progress;
        EXPECT_NEAR(GetGValue(c), 255 * f, 4) << m.name << " at " << fr.progress;
      } else if (m.effect == 1537) {
        // Squares scattered over the whole slide (both colours on either
        // half, no front), more of them as the way goes on.
        const double share = double(green) / all, left = double(greenLeft) / allLeft;
        const double right = double(green - greenLeft) / (all - allLeft);
        if (target == 25) {
          EXPECT_TRUE(left > 0.05 && left < 0.95 && right > 0.05 && right < 0.95) << left << " " << right;
        }
        EXPECT_GE(share, lastShare) << m.name << " at " << fr.progress;
        lastShare = share;
      } else {
        EXPECT_EQ(wrong, 0) << m.name << " at " << fr.progress;
      }
    }
  }
}

TEST_F(SlideTransitionTest, CutThroughBlackShowsOneBlackFrameAndCutsAreImmediate) {
  auto frames = Run(258);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0]->picture.Canvas()->Pixel(80, 45), clBlack);
  EXPECT_EQ(frames[1]->picture.Canvas()->Pixel(80, 45), clLime);
  for (int cut : {0, 257, 3844}) {
    frames = Run(cut);
    EXPECT_TRUE(frames.empty()) << cut;
    EXPECT_EQ(Centre(), clLime) << cut;
  }
  // Random: a drawn effect of its own for each change of slide.
  TShowSettings s = Settings(60);
  s.EntryEffect = 513;
  w_.Start(deck_, s);
  std::set<int> picked;
  for (int i = 0; i < 12; ++i) {
    w_.GotoSlide(2 + i % 2);
    const int e = w_.Transition().Effect;
    EXPECT_TRUE(w_.Transition().Running) << e;
    EXPECT_EQ(std::set<int>({0, 257, 513, 3844}).count(e), 0u) << e;
    picked.insert(e);
  }
  EXPECT_GT(picked.size(), 3u);
}

// The frames are counted by the transition itself, so a busy machine that
// draws them late does not change the count.
TEST_F(SlideTransitionTest, SpeedsLastTheirTimeWithinOneDisplayFrame) {
  const std::pair<int, double> speeds[] = {{3, 500}, {2, 750}, {1, 1000}};
  for (const auto& [speed, ms] : speeds) {
    const auto frames = Run(1793, speed);
    const auto& t = w_.Transition();
    EXPECT_EQ(int(frames.size()), t.Frames) << speed;
    EXPECT_NEAR(t.Frames * t.FrameMs, ms, t.FrameMs) << speed;
    EXPECT_NEAR(t.FrameMs, 1000.0 / w_.DisplayRate(), 0.01);
    for (size_t i = 1; i < frames.size(); ++i) EXPECT_GT(frames[i]->progress, frames[i - 1]->progress);
  }
}

// Every one of the controller's 47 entry effects is one the show window
// knows; all but the cuts draw a frame of both slides half-way and end on
// the new one.
TEST(SlideTransitionTableTest, EveryEntryEffectOfTheControllerIsDrawn) {
  TBitmap from, to, frame;
  for (TBitmap* b : {&from, &to, &frame}) b->SetSize(64, 36);
  from.Fill(clRed);
  to.Fill(clLime);
  TEffectRandom rng(7);
  std::set<int> seen;
  for (int i = 0; i < TransEffectCount; ++i) {
    const int e = TransEffectConst(TTransEffect(i));
    ASSERT_TRUE(IsEntryEffect(e)) << e;
    seen.insert(e);
    const TSlideTransition t = TransitionFor(e, rng);
    const bool cut = e == ppEntryEffect::None || e == ppEntryEffect::Cut || e == ppEntryEffect::Appear;
    EXPECT_EQ(t.Kind == TTransitionKind::Cut, cut) << EntryEffectName(e);
    if (t.Kind != TTransitionKind::Effect) continue;
    ASSERT_NE(t.Proc, nullptr) << EntryEffectName(e);
    DrawTransitionFrame(t, from, to, frame, 50, rng);
    int red = 0, green = 0;
    for (int y = 0; y < 36; ++y)
      for (int x = 0; x < 64; ++x) {
        const TColor c = frame.Canvas()->Pixel(x, y);
        red += c == clRed;
        green += c == clLime;
      }
    EXPECT_LT(red, 64 * 36) << EntryEffectName(e);
    EXPECT_LT(green, 64 * 36) << EntryEffectName(e);
    DrawTransitionFrame(t, from, to, frame, 100, rng);
    EXPECT_EQ(frame.Canvas()->Pixel(5, 5), clLime) << EntryEffectName(e);
  }
  EXPECT_EQ(seen.size(), EntryEffects().size());
}
