// The threaded timer in real time: no ticks when it should give none, a new
// interval starts a fresh wait, switching modes never doubles a tick, and a
// timer freed inside its own handler or with a tick on its way stays clean.
// Margins are wide: these run on a busy machine.
#include "controls/ThreadTimer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "toolkit/Forms.h"

namespace {

int64_t Ms() { return GetTickCount64(); }

// Runs the event loop for ms milliseconds.
void Pump(int ms) {
  const int64_t end = Ms() + ms;
  while (Ms() < end) {
    Application->ProcessMessages();
    Sleep(1);
  }
}

// Runs the event loop until done() holds or ten seconds have passed (a busy
// machine may hold a tick back that long).
template <class Done>
void PumpUntil(Done done) {
  const int64_t until = Ms() + 10000;
  while (!done() && Ms() < until) Pump(5);
}

struct TimerFixture : ::testing::Test {
  std::vector<int64_t> ticks;
  TNotifyEvent Counter() {
    return [this](TObject*) { ticks.push_back(Ms()); };
  }
};

TEST_F(TimerFixture, NoTicksWithoutIntervalHandlerOrEnabled) {
  struct Case { const char* what; uint32_t interval; bool handler, enabled; };
  const Case cases[] = {{"interval 0", 0, true, true}, {"no handler", 30, false, true}, {"disabled", 30, true, false}};
  for (bool threaded : {true, false}) {
    for (const Case& c : cases) {
      ticks.clear();
      TThreadTimer t(nullptr);
      t.SetThreaded(threaded);
      t.SetEnabled(c.enabled);
      t.SetInterval(c.interval);
      if (c.handler) t.SetOnTimer(Counter());
      Pump(250);
      EXPECT_TRUE(ticks.empty()) << c.what << (threaded ? " threaded" : " window timer");
    }
  }
}

TEST_F(TimerFixture, BothModesTick) {
  for (bool threaded : {true, false}) {
    ticks.clear();
    TThreadTimer t(nullptr);
    t.SetThreaded(threaded);
    t.SetInterval(40);
    t.SetOnTimer(Counter());
    EXPECT_EQ(t.HasWorker(), threaded);
    EXPECT_EQ(t.HasWindowTimer(), !threaded);
    // Waits for the third tick (a busy machine may take long), then checks
    // that it never ticked faster than its interval allows.
    const int64_t start = Ms();
    PumpUntil([&] { return ticks.size() >= 3; });
    const int64_t elapsed = Ms() - start;
    ASSERT_GE(ticks.size(), 3u) << threaded;
    EXPECT_LE(static_cast<int64_t>(ticks.size()), elapsed / 40 + 2) << threaded;
  }
}

TEST_F(TimerFixture, ANewIntervalStartsAFreshWait) {
  TThreadTimer t(nullptr);
  t.SetInterval(250);
  t.SetOnTimer(Counter());
  PumpUntil([&] { return !ticks.empty(); });
  ASSERT_FALSE(ticks.empty());
  Pump(120);
  const int64_t changed = Ms();
  t.SetInterval(1000);
  ticks.clear();
  PumpUntil([&] { return !ticks.empty(); });
  ASSERT_FALSE(ticks.empty());
  EXPECT_GE(ticks.front() - changed, 990);
}

TEST_F(TimerFixture, SwitchingModesWhileTickingNeverDoublesATick) {
  TThreadTimer t(nullptr);
  t.SetInterval(100);
  t.SetOnTimer(Counter());
  for (int i = 0; i < 20; ++i) {
    Pump(70 + 13 * (i % 5));
    t.SetThreaded(!t.Threaded());
  }
  Pump(300);
  ASSERT_GE(ticks.size(), 4u);
  for (size_t i = 1; i < ticks.size(); ++i) EXPECT_GE(ticks[i] - ticks[i - 1], 50) << i;
}

TEST_F(TimerFixture, FreedInItsOwnHandlerInBothModes) {
  for (bool threaded : {true, false}) {
    int count = 0;
    auto* t = new TThreadTimer(nullptr);
    t->SetThreaded(threaded);
    t->SetInterval(20);
    t->SetOnTimer([&](TObject* s) {
      ++count;
      delete static_cast<TThreadTimer*>(s);
    });
    PumpUntil([&] { return count > 0; });
    Pump(100);
    EXPECT_EQ(count, 1) << threaded;
  }
}

TEST_F(TimerFixture, AFreedTimerGetsNoTickThatWasOnItsWay) {
  // The worker hands a tick over while the main thread is busy; the timer is
  // freed before the main loop runs it.
  for (int i = 0; i < 5; ++i) {
    int count = 0;
    auto* t = new TThreadTimer(nullptr);
    t->SetInterval(10);
    t->SetOnTimer([&](TObject*) { ++count; });
    Pump(5);
    Sleep(40);   // a tick is queued now
    delete t;
    Pump(50);
    EXPECT_LE(count, 1);
  }
}

TEST_F(TimerFixture, AnExceptionInAThreadedTickIsShownAndTheTimerGoesOn) {
  std::vector<String> shown;
  Application->OnException = [&](TObject*, const Exception& e) { shown.push_back(e.Message); };
  TThreadTimer t(nullptr);
  t.SetInterval(30);
  t.SetOnTimer([&](TObject*) {
    ticks.push_back(Ms());
    throw EConvertError("bad tick");
  });
  PumpUntil([&] { return ticks.size() >= 3; });
  Application->OnException = nullptr;
  EXPECT_GE(ticks.size(), 3u);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.front(), "bad tick");
}

}  // namespace
