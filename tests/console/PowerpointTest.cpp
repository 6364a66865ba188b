// The presentation controller against a recording automation object: the
// member chains it calls, in order, with their values; the error codes; the
// mended disconnect and open; the placement of the show window.
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include "FakeAutomation.h"
#include "console/TPowerpoint.h"
#include "toolkit/Forms.h"

namespace {

const String kName = "ActivePresentation.Name";
const String kSlideName = "ActivePresentation.SlideShowWindow.View.Slide.Name";
const String kState = "ActivePresentation.SlideShowWindow.View.State";
const String kPos = "ActivePresentation.SlideShowWindow.View.CurrentShowPosition";
const String kCount = "ActivePresentation.Slides.Count";

}  // namespace

class PowerpointTest : public ::testing::Test {
 public:
  void SetUp() override {
    p_ = std::make_unique<TPowPnt>(nullptr);
    p_->OnAccessError = [this](TObject*, int code, const String& text) { errors_.push_back({code, text}); };
  }
  FakeAutomation& fake() { return *scope_.fake; }
  void Connect() {
    ASSERT_TRUE(p_->Connect());
    fake().Log.clear();
  }
  // A presentation is open and no show runs.
  void Presentation() {
    fake().Answer(kName, String("deck.ppt"));
    fake().Answer(kCount, 3);
    NoShow();
  }
  void NoShow() {
    fake().Forget(kSlideName);
    fake().Fail(kState);
  }
  // A show runs at Position.
  void Show(int Position) {
    fake().Failing.erase(FakeAutomation::Key(kState));
    fake().Answer(kSlideName, "Slide" + IntToStr(Position));
    fake().Answer(kPos, Position);
    fake().Answer(kState, 1);
  }
  int LastCode() const { return errors_.empty() ? 0 : errors_.back().first; }

  FakeAutomationScope scope_;
  std::unique_ptr<TPowPnt> p_;
  std::vector<std::pair<int, String>> errors_;
};

TEST_F(PowerpointTest, ConnectMakesTheProgramVisibleAndReadsItsVersion) {
  fake().Answer("version", String("7.4"));
  String seen;
  p_->OnPPTConnect = [&](TObject*, const String& v) { seen = v; };
  ASSERT_TRUE(p_->Connect());
  EXPECT_EQ(fake().Log, (std::vector<String>{"set Visible=-1", "get version"}));
  EXPECT_TRUE(p_->Connected());
  EXPECT_EQ(p_->PowerPointVersion(), "7.4");
  EXPECT_EQ(seen, "7.4");
}

TEST_F(PowerpointTest, ConnectAtDesignTimeCreatesNothing) {
  p_->SetDesigning(true);
  EXPECT_FALSE(p_->Connect());
  EXPECT_EQ(scope_.created, 0);
  EXPECT_TRUE(errors_.empty());
}

TEST_F(PowerpointTest, StartSlideShowAppliesTheSettingsThenRunsTheShow) {
  p_->SetTransisioneffectApply(true);
  p_->SetTransisioneffect(TTransEffect::EffectFade);
  p_->SetTransisionSpeed(TransitionSpeedMixed);
  fake().Answer("version", String("7.4"));
  Connect();
  Presentation();
  // Run starts the show: from then on it answers.
  fake().OnCall = [this](const String& k, const std::vector<OleValue>&) {
    if (k == "activepresentation.slideshowsettings.run") Show(1);
  };
  TSlideShowState started = SlideShowDone;
  p_->OnSlideShowStart = [&](TObject*, TSlideShowState s) { started = s; };
  ASSERT_TRUE(p_->StartSlideShow());
  const String range = "set ActivePresentation.Slides.Range.SlideShowTransition.";
  const std::vector<String> expected = {
      "get ActivePresentation.Name",
      "get ActivePresentation.Name",
      "get " + kSlideName,
      "set " + kState + "=5",
      "set ActivePresentation.SlideShowSettings.LoopuntilStopped=0",
      "set ActivePresentation.SlideShowSettings.AdvanceMode=2",
      "set ActivePresentation.SlideShowSettings.ShowType=1",
      range + "EntryEffect=1793",
      range + "speed=-2",
      range + "AdvanceTime=5",
      range + "AdvanceOnClick=-1",
      range + "AdvanceOnTime=-1",
      "set ActivePresentation.SlideShowSettings.RangeType=1",
      "set ActivePresentation.SlideShowSettings.Run.View.PointerType=0",
      "call ActivePresentation.SlideShowSettings.Run()",
      "set " + kState + "=1",
  };
  EXPECT_EQ(fake().Log, expected);
  EXPECT_EQ(started, SlideShowRunning);
  EXPECT_TRUE(errors_.empty());
}

TEST_F(PowerpointTest, SettingsOutsideAPresentationOrDuringAShowAreNotSent) {
  p_->SetTransisionSpeed(TransitionSpeedFast);   // not connected
  Connect();
  Presentation();
  Show(2);
  p_->SetLooped(true);
  for (const String& e : fake().Log) EXPECT_EQ(e.find("LoopuntilStopped"), String::npos) << e;
  EXPECT_TRUE(p_->Looped());
  p_->SetSlideShowMode(ShowTypeKiosk);   // stores and switches Looped on
  EXPECT_EQ(p_->SlideShowMode(), ShowTypeKiosk);
  NoShow();
  fake().Log.clear();
  p_->SetSlideShowMode(ShowTypeWindow);
  EXPECT_TRUE(p_->Looped());
  EXPECT_TRUE(fake().Logged("set ActivePresentation.SlideShowSettings.LoopuntilStopped=-1"));
  EXPECT_TRUE(fake().Logged("set ActivePresentation.SlideShowSettings.ShowType=2"));
}

// Each failure gives its code and the failure value.
TEST_F(PowerpointTest, FailuresReportTheirCodes) {
  struct Case {
    const char* what;
    bool connect;
    std::function<void(PowerpointTest&)> setup;
    std::function<int(TPowPnt&)> act;
    int result, code;
  };
  const std::vector<Case> cases = {
      {"current slide without a show", true, [](PowerpointTest& t) { t.Presentation(); },
       [](TPowPnt& p) { return p.GetCurrentSlide(); }, -1, 10},
      {"start without a presentation", true, [](PowerpointTest& t) { t.NoShow(); },
       [](TPowPnt& p) { return int(p.StartSlideShow()); }, 0, 1},
      {"state without a show", true, [](PowerpointTest& t) { t.Presentation(); },
       [](TPowPnt& p) { p.SetSlideShowState(SlideShowPaused); return int(p.SlideShowState() == SlideShowPaused); }, 1, 8},
      {"count fails", true, [](PowerpointTest& t) { t.fake().Fail(kCount); },
       [](TPowPnt& p) { return p.GetSlideCount(); }, -1, 4},
      {"exit without a show", true, [](PowerpointTest& t) { t.Presentation(); },
       [](TPowPnt& p) { return int(p.ExitSlideShow()); }, 0, 1},
      {"goto without a show", true, [](PowerpointTest& t) { t.Presentation(); },
       [](TPowPnt& p) { p.GotoSlide(2); return 0; }, 0, 10},
      {"position read fails", true, [](PowerpointTest& t) { t.Presentation(); t.Show(2); t.fake().Fail(kPos); },
       [](TPowPnt& p) { return p.GetCurrentSlide(); }, -1, 12},
      {"start fails", true, [](PowerpointTest& t) { t.Presentation(); t.fake().Fail("ActivePresentation.SlideShowSettings.Run"); },
       [](TPowPnt& p) { return int(p.StartSlideShow()); }, 0, 6},
      {"open while not connected", false, nullptr, [](TPowPnt& p) { return int(p.OpenPresentation("x.ppt")); }, 0, 5},
      {"disconnect while not connected", false, nullptr, [](TPowPnt& p) { return int(p.Disconnect()); }, 0, 5},
      {"connect fails", false, [](PowerpointTest& t) { t.fake().Fail("Visible"); },
       [](TPowPnt& p) { return int(p.Connect()); }, 0, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    p_ = std::make_unique<TPowPnt>(nullptr);
    p_->OnAccessError = [this](TObject*, int code, const String& text) { errors_.push_back({code, text}); };
    scope_.fake->Values.clear();
    scope_.fake->Failing.clear();
    scope_.fake->Answer("version", String("16.0"));
    if (c.connect) Connect();
    if (c.setup) c.setup(*this);
    errors_.clear();
    EXPECT_EQ(c.act(*p_), c.result);
    EXPECT_EQ(LastCode(), c.code);
  }
}

TEST_F(PowerpointTest, CodesCarryTheirTexts) {
  p_->Disconnect();
  Connect();
  fake().Fail(kCount);
  p_->GetSlideCount();
  Presentation();
  p_->GetCurrentSlide();
  ASSERT_EQ(errors_.size(), 3u);
  EXPECT_EQ(errors_[0].second, "Not connected!");
  EXPECT_EQ(errors_[1].second, "Could not read count of slides!");
  EXPECT_EQ(errors_[2].second, "Slideshow not running!");
}

TEST_F(PowerpointTest, DisconnectRefusedByTheHandlerLeavesTheProgramRunning) {
  Connect();
  p_->OnBeforePPTClose = [](TObject*, bool& allow) { allow = false; };
  EXPECT_FALSE(p_->Disconnect());
  EXPECT_FALSE(fake().Logged("call Quit()"));
  EXPECT_TRUE(p_->Connected());
}

TEST_F(PowerpointTest, DisconnectAlwaysReleasesTheProgramAfterQuit) {
  // A program that still answers after Quit is let go all the same.
  Connect();
  fake().AnswersAfterQuit = true;
  int closed = 0;
  p_->OnPPTClose = [&](TObject*) { ++closed; };
  EXPECT_TRUE(p_->Disconnect());
  EXPECT_EQ(fake().Log, (std::vector<String>{"call Quit()", "get version"}));
  EXPECT_FALSE(p_->Connected());
  EXPECT_EQ(closed, 1);
  // A failed read reports 9 and still leaves nothing held: Connect works again.
  ASSERT_TRUE(p_->Connect());
  fake().Fail("version");
  EXPECT_FALSE(p_->Disconnect());
  EXPECT_EQ(LastCode(), 9);
  EXPECT_FALSE(p_->Connected());
  fake().Failing.clear();
  EXPECT_TRUE(p_->Connect());
}

TEST_F(PowerpointTest, OpenClosesTheOpenPresentationThenOpensTheFile) {
  char name[] = "/tmp/powpnt_open_XXXXXX.ppt";
  const int fd = mkstemps(name, 4);
  ASSERT_GE(fd, 0);
  close(fd);
  Connect();
  Presentation();
  fake().OnCall = [this](const String& k, const std::vector<OleValue>& a) {
    if (k == "activewindow.close") fake().Forget(kName);
    if (k == "presentations.open") fake().Answer(kName, ExtractFileName(OleToStr(a[0])));
  };
  EXPECT_TRUE(p_->OpenPresentation(name));
  EXPECT_TRUE(fake().Logged("call ActiveWindow.Close()"));
  EXPECT_TRUE(fake().Logged("call Presentations.Open(" + String(name) + ",0)"));
  EXPECT_EQ(p_->LoadedPresentationName(), ExtractFileName(name));
  std::remove(name);
  // A missing file is not opened, and with no presentation left the open fails.
  fake().Log.clear();
  EXPECT_FALSE(p_->OpenPresentation("/tmp/no/such/file.ppt"));
  for (const String& e : fake().Log) EXPECT_EQ(e.find("Presentations.Open"), String::npos);
}

TEST_F(PowerpointTest, OpenGivesUpOnAShowThatNeverEnds) {
  Connect();
  Presentation();
  Show(1);   // Exit does nothing: the show keeps answering
  EXPECT_FALSE(p_->OpenPresentation("x.ppt"));
  int exits = 0;
  for (const String& e : fake().Log) exits += e == "call ActivePresentation.SlideShowWindow.View.Exit()";
  EXPECT_EQ(exits, TPowPnt::MaxCloseAttempts);
}

TEST_F(PowerpointTest, GotoSlideReportsTheChange) {
  Connect();
  Presentation();
  Show(1);
  fake().OnCall = [this](const String& k, const std::vector<OleValue>& a) {
    if (k == "activepresentation.slideshowwindow.view.gotoslide") Show(OleToInt(a[0]));
  };
  std::vector<String> seen;
  p_->OnSlideChange = [&](TObject*, int before, int now, const String& name) {
    seen.push_back(IntToStr(before) + ">" + IntToStr(now) + ":" + name);
  };
  p_->GotoSlide(3);
  p_->GotoSlide(3);   // no change, no event
  EXPECT_EQ(seen, (std::vector<String>{"1>3:Slide3"}));
  EXPECT_TRUE(p_->SlideShowActiv());
}

TEST_F(PowerpointTest, DestructionQuitsOnlyWithAutoQuit) {
  for (bool autoQuit : {false, true}) {
    p_ = std::make_unique<TPowPnt>(nullptr);
    p_->SetPPTAutoQuit(autoQuit);
    Connect();
    p_.reset();
    EXPECT_EQ(fake().Logged("call quit()"), autoQuit);
  }
}

TEST_F(PowerpointTest, EffectsSendTheProgramsConstants) {
  const std::pair<TTransEffect, int> table[] = {
      {TTransEffect::EffectNone, 0},          {TTransEffect::EffectCut, 257},
      {TTransEffect::EffectCutThroughBlack, 258}, {TTransEffect::EffectRandom, 513},
      {TTransEffect::EffectBlindsHorizontal, 769}, {TTransEffect::EffectFade, 1793},
      {TTransEffect::EffectWipeLeft, 2817},   {TTransEffect::EffectBoxOut, 3073},
      {TTransEffect::EffectSplitHorizontalOut, 3585}, {TTransEffect::EffectSplitHorizontalIn, 3586},
      {TTransEffect::EffectAppear, 3844},
  };
  for (const auto& [e, c] : table) EXPECT_EQ(TransEffectConst(e), c) << int(e);
  std::set<int> all;
  for (int i = 0; i < TransEffectCount; ++i) all.insert(TransEffectConst(TTransEffect(i)));
  EXPECT_EQ(all.size(), size_t(TransEffectCount));
  EXPECT_EQ(TransspeedConst(TransitionSpeedMixed), -2);
  EXPECT_EQ(SlideShowStateConst(SlideShowDone), 5);
  EXPECT_EQ(SlideshowPointerConst(SlideShowPointerAutoArrow), 4);
}

// The show window is placed on a monitor or a rectangle, never activated.
TEST_F(PowerpointTest, PlacementMovesTheShowWindow) {
  TSlideShowWindow w;
  w.Start(nullptr, TShowSettings{});
  ASSERT_EQ(p_->PowerpointWindowhandle(), w.Handle());
  p_->SetPresentationMonitorUseDefaultDimensions(false);
  p_->SetPresentationMonitorX(10);
  p_->SetPresentationMonitorY(20);
  p_->SetPresentationMonitorXX(300);
  p_->SetPresentationMonitorYY(200);
  EXPECT_EQ(w.ScreenRect(), Rect(10, 20, 310, 220));
  // On the monitor count's last index or beyond: a monitor that is not there
  // keeps the index as it was, and the window still goes on a monitor.
  p_->SetPresentationMonitorUseDefaultDimensions(true);
  const int n = Screen->MonitorCount();
  // Run with a screen configuration, the test knows how many there are.
  if (const char* want = std::getenv("TABLO_TEST_SCREENS")) ASSERT_EQ(n, std::atoi(want));
  p_->SetPresentationMonitor(n);
  EXPECT_EQ(p_->PresentationMonitor(), 0);
  EXPECT_EQ(w.ScreenRect(), Screen->Monitors(0)->BoundsRect);
  if (n > 1) {
    p_->SetPresentationMonitor(1);
    EXPECT_EQ(p_->PresentationMonitor(), 1);
    EXPECT_EQ(w.ScreenRect(), Screen->Monitors(1)->BoundsRect);
  }
}
