// The show window on a PDF the test writes itself: timed and clicked
// advance, loop and end screen, the show states, restarting, and finding
// and placing the window by handle.
#include <gtest/gtest.h>
#include <QMouseEvent>
#include <QPainter>
#include <QPdfWriter>
#include <QWidget>
#include "../toolkit/ToolkitTestUtil.h"
#include "platform/office/SlideShow.h"
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
  void ClickWindow() {
    QWidget* top = nullptr;
    for (QWidget* t : QApplication::topLevelWidgets())
      if (t->windowTitle() == "Slide show" && t->isVisible()) top = t;
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
