// The position track bar: following a playing clip, holding still while the
// left button is down, seeking on release, and its timer rules.
#include <QMouseEvent>
#include <QWidget>

#include "media/MediaFixture.h"
#include "toolkit/Forms.h"

using namespace mediatest;
using clips::Kind;

namespace {

void Mouse(TControl* c, QEvent::Type t, Qt::MouseButton b) {
  QPointF p(10, 10);
  QMouseEvent e(t, p, p, c->Widget()->mapToGlobal(p.toPoint()), b,
                t == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(b), Qt::NoModifier);
  QCoreApplication::sendEvent(c->Widget(), &e);
}

class TrackBar : public ::testing::Test {
 protected:
  void SetUp() override {
    form = new TForm(nullptr);
    g = new TFilterGraph(form);
    bar = new TDSTrackBar(form);
    bar->SetParent(form);
    bar->SetTimerInterval(100);
    bar->SetFilterGraph(g);
    bar->SetOnTimer([this](TObject*, uint32_t cur, uint32_t stop) {
      current = cur;
      total = stop;
      ++ticks;
    });
  }
  void TearDown() override { Free(form); }
  REFERENCE_TIME Position() {
    REFERENCE_TIME p = -1;
    g->Query<IMediaSeeking>()->GetCurrentPosition(&p);
    return p;
  }
  TForm* form = nullptr;
  TFilterGraph* g = nullptr;
  TDSTrackBar* bar = nullptr;
  uint32_t current = 0, total = 0;
  int ticks = 0;
};

TEST_F(TrackBar, FollowsTheClipFreezesWhileHeldAndSeeksOnRelease) {
  g->SetActive(true);
  ASSERT_EQ(g->RenderFile(Clips::Get().Path(Kind::Avi)), S_OK);
  ASSERT_TRUE(g->Play());
  EXPECT_TRUE(bar->TimerActive());
  ASSERT_TRUE(PumpUntil([&] { return bar->Position() >= 4; }));
  EXPECT_EQ(bar->Max(), 20);
  EXPECT_EQ(total, 2000u);
  EXPECT_GE(current, 400u);
  // Held: the thumb stays while the clip goes on.
  Mouse(bar, QEvent::MouseButtonPress, Qt::LeftButton);
  ASSERT_TRUE(bar->Dragging());
  const int held = bar->Position();
  const REFERENCE_TIME at = Position();
  ASSERT_TRUE(PumpUntil([&] { return Position() >= at + 2000000; }));
  bar->TimerTick();
  EXPECT_EQ(bar->Position(), held);
  // Released at the middle: the clip goes to half its length.
  g->Pause();
  bar->SetPosition(10);
  Mouse(bar, QEvent::MouseButtonRelease, Qt::LeftButton);
  EXPECT_FALSE(bar->Dragging());
  EXPECT_NEAR(double(Position()), 10000000.0, 400000.0);
  EXPECT_FALSE(bar->TimerActive());
}

// The graph goes back to its beginning when its clock changes (as it starts)
// only if it was started away from it. The notice may come when the clip has
// played on (a busy machine): one started at its beginning is not played again.
TEST_F(TrackBar, TheClockChangeRewindsOnlyAGraphStartedAwayFromItsBeginning) {
  const struct {
    const char* name;
    REFERENCE_TIME from;
    bool noticeAfterPlayingOn, rewound;
  } cases[] = {{"from its beginning, notice late", 0, true, false}, {"from one second", 10000000, false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    g->ClearGraph();
    g->SetActive(true);
    ASSERT_EQ(g->RenderFile(Clips::Get().Path(Kind::Avi)), S_OK);
    REFERENCE_TIME from = c.from;
    g->Query<IMediaSeeking>()->SetPositions(&from, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    ASSERT_TRUE(g->Play());
    if (c.noticeAfterPlayingOn) ASSERT_TRUE(PumpUntil([&] { return Position() >= c.from + 4000000; }));
    bar->GraphEvent(EC_CLOCK_CHANGED, 0, 0);
    EXPECT_EQ(Position() < 2000000, c.rewound) << Position();
    g->Stop();
  }
}

TEST_F(TrackBar, RightButtonNeitherHoldsNorSeeks) {
  g->SetActive(true);
  ASSERT_EQ(g->RenderFile(Clips::Get().Path(Kind::Avi)), S_OK);
  g->Pause();
  bar->TimerTick();
  bar->SetPosition(15);
  Mouse(bar, QEvent::MouseButtonPress, Qt::RightButton);
  EXPECT_FALSE(bar->Dragging());
  Mouse(bar, QEvent::MouseButtonRelease, Qt::RightButton);
  EXPECT_LT(Position(), 1000000);
}

TEST_F(TrackBar, TimerRules) {
  g->SetActive(true);
  bar->SetEnabled(false);
  g->Play();   // a disabled bar does not poll
  EXPECT_FALSE(bar->TimerActive());
  bar->SetEnabled(true);
  g->Play();
  EXPECT_TRUE(bar->TimerActive());
  g->Stop();
  EXPECT_FALSE(bar->TimerActive());
  // Deactivated: the seeking interface is gone and a tick does nothing.
  g->SetActive(false);
  bar->TimerTick();
  EXPECT_EQ(ticks, 0);
}

}  // namespace
