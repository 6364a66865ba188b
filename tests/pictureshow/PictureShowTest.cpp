// The picture show control: properties, the run's events and progress
// sequence, threaded and unthreaded runs, stopping, faults in handlers.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>
#include "tests/pictureshow/EffectTestSupport.h"
#include "pictureshow/PictureShow.h"
#include "toolkit/Forms.h"

using namespace effecttest;

namespace {

class TestShow : public TPictureShow {
 public:
  using TPictureShow::TPictureShow;
  using TCustomPictureShow::AspectFit;
  using TCustomPictureShow::FrameToClient;
  using TCustomPictureShow::PictureRect;
  using TCustomPictureShow::ScreenBitmap;
};

// Pumps the message queue until `done` holds; false when it never does
// (a safety net against a hang, not a timing assertion).
bool PumpUntil(const std::function<bool()>& done, int limitMs = 30000) {
  const int64_t end = GetTickCount64() + limitMs;
  while (!done()) {
    Application->ProcessMessages();
    if (GetTickCount64() > end) return false;
    Sleep(1);
  }
  return true;
}

void PumpAWhile(int ms) {
  const int64_t end = GetTickCount64() + ms;
  while (GetTickCount64() < end) {
    Application->ProcessMessages();
    Sleep(1);
  }
}

// Records the events of a show as text: "start", "p25", "complete", "stop".
struct EventLog {
  std::vector<std::string> items;
  std::vector<bool> progressOnMain;
  void Attach(TCustomPictureShow* s) {
    s->OnStart = [this](TObject*) { items.push_back("start"); };
    s->OnProgress = [this, s](TObject*) {
      items.push_back("p" + std::to_string(s->Progress()));
      progressOnMain.push_back(TThread::IsMainThread());
    };
    s->OnComplete = [this](TObject*) { items.push_back("complete"); };
    s->OnStop = [this](TObject*) { items.push_back("stop"); };
  }
  int Count(const std::string& e) const { return int(std::count(items.begin(), items.end(), e)); }
  std::string Joined() const {
    std::string out;
    for (const auto& i : items) out += (out.empty() ? "" : " ") + i;
    return out;
  }
};

void SetCodedPicture(TCustomPictureShow* s, int w, int h, PixelKind kind = PixelKind::New) {
  auto b = MakeCodedPicture(w, h, kind);
  TPicture p;
  p.SetGraphic(b.get());
  s->SetPicture(&p);
}

// Captures exceptions that reach the main thread's handler.
struct ErrorCatcher {
  std::vector<std::string> messages;
  ErrorCatcher() {
    SetMainThreadExceptionHandler([this](std::exception_ptr e) {
      try {
        std::rethrow_exception(e);
      } catch (const std::exception& x) {
        messages.push_back(x.what());
      } catch (...) {
        messages.push_back("?");
      }
    });
  }
  ~ErrorCatcher() { SetMainThreadExceptionHandler(nullptr); }
};

}  // namespace

// ---------------------------------------------------------------------------
// Properties

TEST(PictureShowProperties, Defaults) {
  TestShow s(nullptr);
  EXPECT_EQ(s.Step(), 4);
  EXPECT_EQ(s.Delay(), 40);
  EXPECT_EQ(s.Style(), 51);
  EXPECT_EQ(s.StyleName(), "Appear and Contract to middle");
  EXPECT_TRUE(s.AutoSize());
  EXPECT_TRUE(s.Threaded());
  EXPECT_FALSE(s.Manual());
  EXPECT_FALSE(s.Reverse());
  EXPECT_FALSE(s.Busy());
  EXPECT_EQ(s.Progress(), 0);
  EXPECT_EQ(s.BgMode(), bmTiled);
  EXPECT_EQ(s.Width(), 100);
  EXPECT_EQ(s.Height(), 100);
  EXPECT_TRUE(s.ControlStyle().Contains(csOpaque));
  EXPECT_TRUE(s.ScreenBitmap()->Empty());
}

TEST(PictureShowProperties, StepAndStyleStayInRange) {
  TestShow s(nullptr);
  s.SetStep(0);
  EXPECT_EQ(s.Step(), 1);
  s.SetStep(250);
  EXPECT_EQ(s.Step(), 100);
  s.SetStyle(118);
  s.SetStyle(151);
  EXPECT_EQ(s.Style(), 118);
  s.SetStyleName("custom");
  EXPECT_EQ(s.Style(), 0);
  EXPECT_EQ(s.StyleName(), "Custom");
  s.SetStyleName("Expand from bottom");
  EXPECT_EQ(s.Style(), 18);
  s.SetStyleName("no such effect");
  EXPECT_EQ(s.Style(), 18);
}

TEST(PictureShowProperties, AutoSizeFollowsThePictureUnlessAligned) {
  TestShow s(nullptr);
  int changes = 0;
  s.OnChange = [&](TObject*) { ++changes; };
  SetCodedPicture(&s, 97, 61);
  EXPECT_EQ(s.Width(), 97);
  EXPECT_EQ(s.Height(), 61);
  EXPECT_GE(changes, 1);

  TestShow t(nullptr);
  t.SetAlign(alTop);
  const int w = t.Width();
  SetCodedPicture(&t, 61, 97);
  EXPECT_EQ(t.Width(), w);

  TestShow u(nullptr);
  u.SetAutoSize(false);
  SetCodedPicture(&u, 61, 97);
  EXPECT_EQ(u.Width(), 100);
  u.SetAutoSize(true);
  EXPECT_EQ(u.Width(), 61);
  EXPECT_EQ(u.Height(), 97);
}

TEST(PictureShowProperties, AspectFitAndFrameMapping) {
  // A picture twice as wide as high in a square occupies the middle half.
  EXPECT_EQ(TestShow::AspectFit(TRect(0, 0, 200, 100), TRect(0, 0, 100, 100)), TRect(0, 25, 100, 75));
  EXPECT_EQ(TestShow::AspectFit(TRect(0, 0, 100, 200), TRect(0, 0, 100, 100)), TRect(25, 0, 75, 100));

  TestShow s(nullptr);
  s.SetAutoSize(false);
  s.SetBounds(0, 0, 100, 100);
  SetCodedPicture(&s, 50, 20);
  s.SetThreaded(false);
  s.SetStep(100);
  s.SetCenter(true);
  s.Execute();
  EXPECT_EQ(s.PictureRect(), TRect(25, 40, 75, 60));
  EXPECT_EQ(s.FrameToClient(TRect(0, 0, 50, 20)), TRect(25, 40, 75, 60));
  s.SetStretch(true);
  EXPECT_EQ(s.FrameToClient(TRect(0, 0, 50, 20)), TRect(0, 0, 100, 100));
  s.SetStretchFine(true);
  EXPECT_EQ(s.FrameToClient(TRect(0, 0, 50, 20)), TRect(0, 30, 100, 70));
}

// ---------------------------------------------------------------------------
// Unthreaded runs

TEST(PictureShowRun, NoPictureOrAZeroSizedOneStartsNothing) {
  TestShow s(nullptr);
  EventLog log;
  log.Attach(&s);
  s.SetThreaded(false);
  s.Execute();
  TBitmap flat(0, 10);
  TPicture p;
  p.SetGraphic(&flat);
  s.SetPicture(&p);
  s.Execute();
  EXPECT_FALSE(s.Busy());
  EXPECT_TRUE(log.items.empty());
}

TEST(PictureShowRun, ForwardSequenceEventsAndFinalPicture) {
  TestShow s(nullptr);
  EventLog log;
  log.Attach(&s);
  SetCodedPicture(&s, 97, 61);
  s.SetThreaded(false);
  s.SetDelay(0);
  s.SetStep(30);
  s.SetStyle(118);
  s.Execute();
  EXPECT_FALSE(s.Busy());
  EXPECT_EQ(log.Joined(), "start p30 p60 p90 p100 complete stop");
  EXPECT_EQ(Census(*s.ScreenBitmap()).NewInPlace, 97 * 61);
}

TEST(PictureShowRun, ReverseSequenceEndsAtZeroWithTheOldPicture) {
  TestShow s(nullptr);
  EventLog log;
  log.Attach(&s);
  SetCodedPicture(&s, 61, 97);
  s.SetThreaded(false);
  s.SetDelay(0);
  s.SetStep(30);
  s.SetReverse(true);
  s.SetColor(clNavy);
  s.Execute();
  EXPECT_EQ(log.Joined(), "start p70 p40 p10 p0 complete stop");
  // Nothing was painted yet: the old picture is the control's colour.
  const TBitmap& scr = *s.ScreenBitmap();
  EXPECT_EQ(scr.Canvas()->Pixel(0, 0), clNavy);
  EXPECT_EQ(scr.Canvas()->Pixel(60, 96), clNavy);
}

TEST(PictureShowRun, StepZeroActsAsOneAndStepHundredIsOneFrame) {
  TestShow s(nullptr);
  EventLog log;
  log.Attach(&s);
  SetCodedPicture(&s, 20, 10);
  s.SetThreaded(false);
  s.SetDelay(0);
  s.SetStep(0);
  s.Execute();
  EXPECT_EQ(log.Count("p1"), 1);
  EXPECT_EQ(log.Count("p100"), 1);
  EXPECT_EQ(int(log.items.size()), 1 + 100 + 2);

  log.items.clear();
  s.SetStep(100);
  s.Execute();
  EXPECT_EQ(log.Joined(), "start p100 complete stop");
}

TEST(PictureShowRun, EffectGetsTheFrameOfOldAndNewAtEveryProgress) {
  TestShow s(nullptr);
  SetCodedPicture(&s, 97, 61);
  s.SetThreaded(false);
  s.SetDelay(0);
  s.SetStep(25);
  s.SetStyle(118);
  s.SetColor(clBlack);
  std::vector<int> checked;
  s.OnAfterNewFrame = [&](TObject*, TBitmap* pic, TBitmap* scr) {
    const int p = s.Progress();
    checked.push_back(p);
    const uint8_t* n = pic->ScanLine(60) + 4 * 96;
    const uint8_t* o = scr->ScanLine(60) + 4 * 96;
    for (int b = 0; b < 3; ++b) EXPECT_EQ(int(o[b]), n[b] * p / 100) << p;   // old is black
  };
  s.Execute();
  EXPECT_EQ(checked, (std::vector<int>{25, 50, 75, 100}));
}

TEST(PictureShowRun, CustomStyleWithoutHandlerShowsOldUntilTheEnd) {
  TestShow s(nullptr);
  SetCodedPicture(&s, 30, 20);
  s.SetThreaded(false);
  s.SetDelay(0);
  s.SetStep(40);
  s.SetStyle(0);
  s.SetColor(clBlack);
  std::vector<int> newPixels;
  s.OnAfterNewFrame = [&](TObject*, TBitmap*, TBitmap* scr) { newPixels.push_back(Census(*scr).NewInPlace); };
  s.Execute();
  EXPECT_EQ(newPixels, (std::vector<int>{0, 0, 600}));
}

TEST(PictureShowRun, StopFromAHandlerEndsTheLoopCleanly) {
  TestShow s(nullptr);
  EventLog log;
  log.Attach(&s);
  SetCodedPicture(&s, 40, 30);
  s.SetThreaded(false);
  s.SetDelay(0);
  s.SetStep(10);
  auto record = s.OnProgress;
  s.OnProgress = [&](TObject* o) {
    record(o);
    if (s.Progress() == 30) s.Stop();
  };
  s.Execute();
  EXPECT_FALSE(s.Busy());
  EXPECT_EQ(log.Joined(), "start p10 p20 p30 stop");
  // A new run starts normally afterwards.
  log.items.clear();
  s.OnProgress = record;
  s.SetStep(50);
  s.Execute();
  EXPECT_EQ(log.Joined(), "start p50 p100 complete stop");
}

TEST(PictureShowRun, ProgressToHundredDuringARunEndsItAtTheNextStep) {
  TestShow s(nullptr);
  EventLog log;
  log.Attach(&s);
  SetCodedPicture(&s, 40, 30);
  s.SetThreaded(false);
  s.SetDelay(0);
  s.SetStep(10);
  auto record = s.OnProgress;
  s.OnProgress = [&](TObject* o) {
    record(o);
    if (s.Progress() == 20) s.SetProgress(250);
  };
  s.Execute();
  EXPECT_EQ(log.Joined(), "start p10 p20 p100 complete stop");
  EXPECT_EQ(Census(*s.ScreenBitmap()).NewInPlace, 40 * 30);
}

TEST(PictureShowRun, ExceptionInAnUnthreadedRunStillStops) {
  TestShow s(nullptr);
  EventLog log;
  log.Attach(&s);
  SetCodedPicture(&s, 40, 30);
  s.SetThreaded(false);
  s.SetDelay(0);
  s.SetStep(10);
  s.SetStyle(0);
  s.OnCustomDraw = [&](TObject*, TBitmap*, TBitmap*) {
    if (s.Progress() == 30) throw Exception("drawing failed");
  };
  EXPECT_THROW(s.Execute(), Exception);
  EXPECT_FALSE(s.Busy());
  EXPECT_EQ(log.Count("start"), 1);
  EXPECT_EQ(log.Count("stop"), 1);
  EXPECT_EQ(log.Count("complete"), 0);
  // The control is usable again.
  s.OnCustomDraw = nullptr;
  log.items.clear();
  s.SetStep(100);
  s.Execute();
  EXPECT_EQ(log.Joined(), "start p100 complete stop");
}

TEST(PictureShowRun, ExceptionInAStartHandlerEndsTheRun) {
  TestShow s(nullptr);
  int stops = 0;
  s.OnStart = [](TObject*) { throw Exception("no start"); };
  s.OnStop = [&](TObject*) { ++stops; };
  SetCodedPicture(&s, 10, 10);
  s.SetThreaded(false);
  EXPECT_THROW(s.Execute(), Exception);
  EXPECT_FALSE(s.Busy());
  EXPECT_EQ(stops, 1);
}

TEST(PictureShowRun, EveryEffectRunsThroughWithoutTouchingTheNewPicture) {
  struct Case {
    int w, h, step;
  };
  // Landscape and portrait odd sizes, and a tiny picture where S is 0.
  const Case cases[] = {{97, 61, 7}, {61, 97, 13}, {22, 15, 2}};
  for (int k = 1; k <= EffectCount; ++k) {
    if (!EffectProc(k)) continue;
    for (const Case& c : cases) {
      TestShow s(nullptr);
      SetCodedPicture(&s, c.w, c.h);
      s.SetManual(true);   // driven frame by frame, as a run would step
      s.SetStep(c.step);
      s.SetStyle(k);
      bool pictureTouched = false;
      s.OnAfterNewFrame = [&](TObject*, TBitmap* pic, TBitmap*) {
        pictureTouched |= Census(*pic).NewInPlace != c.w * c.h;
      };
      s.Execute();
      for (int p = 0; p != 100;) {
        p = p < 100 - c.step ? p + c.step : 100;
        s.SetProgress(p);
      }
      const std::string where = "effect " + std::to_string(k) + " at " + std::to_string(c.w) + "x" +
                                std::to_string(c.h);
      EXPECT_FALSE(pictureTouched) << where;
      EXPECT_EQ(Census(*s.ScreenBitmap()).NewInPlace, c.w * c.h) << where;
      s.Stop();
      EXPECT_FALSE(s.Busy()) << where;
    }
  }
}

// ---------------------------------------------------------------------------
// Manual runs

TEST(PictureShowManual, CallerDrivesProgressUntilStop) {
  TestShow s(nullptr);
  EventLog log;
  log.Attach(&s);
  SetCodedPicture(&s, 40, 30);
  s.SetProgress(50);   // not busy: ignored
  EXPECT_EQ(s.Progress(), 0);
  s.SetManual(true);
  s.Execute();
  EXPECT_TRUE(s.Busy());
  s.SetProgress(40);
  s.SetProgress(40);   // unchanged: no event
  s.SetProgress(300);  // becomes 100
  EXPECT_TRUE(s.Busy());
  s.Stop();
  EXPECT_FALSE(s.Busy());
  EXPECT_EQ(log.Joined(), "start p40 p100 stop");
}

TEST(PictureShowManual, SwitchingManualOffResumesTheRun) {
  TestShow s(nullptr);
  EventLog log;
  log.Attach(&s);
  SetCodedPicture(&s, 40, 30);
  s.SetThreaded(false);
  s.SetDelay(0);
  s.SetStep(25);
  s.SetManual(true);
  s.Execute();
  s.SetProgress(50);
  s.SetManual(false);
  EXPECT_FALSE(s.Busy());
  EXPECT_EQ(log.Joined(), "start p50 p75 p100 complete stop");
  // Not busy: switching Manual resets the progress to the start.
  s.SetReverse(true);
  s.SetManual(true);
  EXPECT_EQ(s.Progress(), 100);
}

TEST(PictureShowManual, ClearOnlyWhenIdle) {
  TestShow s(nullptr);
  SetCodedPicture(&s, 40, 30);
  s.SetManual(true);
  s.Execute();
  s.SetProgress(100);
  s.Clear();
  EXPECT_FALSE(s.ScreenBitmap()->Empty());
  s.Stop();
  s.Clear();
  EXPECT_TRUE(s.ScreenBitmap()->Empty());
}

// ---------------------------------------------------------------------------
// Threaded runs

TEST(PictureShowThread, RunsOnItsThreadAndReportsOnTheMainThread) {
  TestShow s(nullptr);
  EventLog log;
  log.Attach(&s);
  SetCodedPicture(&s, 97, 61);
  s.SetDelay(1);
  s.SetStep(25);
  s.SetStyle(118);
  std::atomic<int> framesOffMain{0};
  s.OnBeforeNewFrame = [&](TObject*, TBitmap*, TBitmap*) {
    if (!TThread::IsMainThread()) ++framesOffMain;
  };
  s.Execute();
  EXPECT_TRUE(s.Busy());
  ASSERT_TRUE(PumpUntil([&] { return !s.Busy(); }));
  EXPECT_EQ(log.Joined(), "start p25 p50 p75 p100 complete stop");
  EXPECT_EQ(framesOffMain.load(), 4);
  for (bool onMain : log.progressOnMain) EXPECT_TRUE(onMain);
  EXPECT_EQ(Census(*s.ScreenBitmap()).NewInPlace, 97 * 61);
}

TEST(PictureShowThread, StopDoesNotWaitForTheDelay) {
  TestShow s(nullptr);
  EventLog log;
  log.Attach(&s);
  SetCodedPicture(&s, 40, 30);
  s.SetDelay(60000);   // a minute between frames: Stop must interrupt it
  s.SetStep(10);
  s.Execute();
  ASSERT_TRUE(PumpUntil([&] { return log.Count("p10") == 1; }));
  s.Stop();
  EXPECT_FALSE(s.Busy());
  EXPECT_EQ(log.Joined(), "start p10 stop");
  PumpAWhile(20);   // stale queued calls of the run change nothing
  EXPECT_EQ(log.Joined(), "start p10 stop");
}

TEST(PictureShowThread, StopFromAFrameHookIsCarriedOutByTheMainThread) {
  TestShow s(nullptr);
  EventLog log;
  log.Attach(&s);
  SetCodedPicture(&s, 40, 30);
  s.SetDelay(0);
  s.SetStep(10);
  s.OnAfterNewFrame = [&](TObject*, TBitmap*, TBitmap*) {
    if (s.Progress() == 30) s.Stop();
  };
  s.Execute();
  ASSERT_TRUE(PumpUntil([&] { return !s.Busy(); }));
  EXPECT_EQ(log.Joined(), "start p10 p20 p30 stop");
}

TEST(PictureShowThread, ExceptionOnTheWorkerEndsTheRunAndIsReported) {
  ErrorCatcher errors;
  TestShow s(nullptr);
  EventLog log;
  log.Attach(&s);
  SetCodedPicture(&s, 40, 30);
  s.SetDelay(0);
  s.SetStep(10);
  s.SetStyle(0);
  s.OnCustomDraw = [&](TObject*, TBitmap*, TBitmap*) {
    if (s.Progress() >= 30) throw Exception("effect broke");
  };
  s.Execute();
  ASSERT_TRUE(PumpUntil([&] { return !s.Busy(); }));
  EXPECT_EQ(log.Count("stop"), 1);
  EXPECT_EQ(log.Count("complete"), 0);
  ASSERT_EQ(errors.messages.size(), 1u);
  EXPECT_EQ(errors.messages[0], "effect broke");
  // Stop after the end does nothing; a new run works.
  s.Stop();
  EXPECT_EQ(log.Count("stop"), 1);
  s.OnCustomDraw = nullptr;
  s.SetStep(50);
  s.Execute();
  ASSERT_TRUE(PumpUntil([&] { return !s.Busy(); }));
  EXPECT_EQ(log.Count("complete"), 1);
}

TEST(PictureShowThread, ManualStopsTheThreadAndKeepsTheRun) {
  TestShow s(nullptr);
  EventLog log;
  log.Attach(&s);
  SetCodedPicture(&s, 40, 30);
  s.SetDelay(60000);
  s.SetStep(10);
  s.Execute();
  ASSERT_TRUE(PumpUntil([&] { return log.Count("p10") == 1; }));
  s.SetManual(true);
  EXPECT_TRUE(s.Busy());
  s.SetProgress(70);
  s.SetDelay(0);
  s.SetManual(false);   // the thread resumes from 70
  ASSERT_TRUE(PumpUntil([&] { return !s.Busy(); }));
  EXPECT_EQ(log.Joined(), "start p10 p70 p80 p90 p100 complete stop");
}

TEST(PictureShowThread, TwoShowsRunSideBySide) {
  TestShow a(nullptr), b(nullptr);
  EventLog la, lb;
  la.Attach(&a);
  lb.Attach(&b);
  SetCodedPicture(&a, 97, 61);
  SetCodedPicture(&b, 61, 97);
  for (TestShow* s : {&a, &b}) {
    s->SetDelay(0);
    s->SetStep(20);
    s->SetStyle(118);
    s->Execute();
  }
  ASSERT_TRUE(PumpUntil([&] { return !a.Busy() && !b.Busy(); }));
  EXPECT_EQ(la.Joined(), "start p20 p40 p60 p80 p100 complete stop");
  EXPECT_EQ(lb.Joined(), "start p20 p40 p60 p80 p100 complete stop");
}

// ---------------------------------------------------------------------------
// On a form

// A show on the form at (0, 0, w, h), stretching its pictures (finely or
// not), as the media page has it.
namespace {
TestShow* StretchedShow(TForm& form, int w, int h, bool fine = true) {
  auto* s = new TestShow(&form);
  s->SetParent(&form);
  s->SetAutoSize(false);
  s->SetStretch(true);
  s->SetStretchFine(fine);
  s->SetBounds(0, 0, w, h);
  return s;
}
}  // namespace

TEST(PictureShowOnForm, OldPictureIsWhatWasOnDisplayAndFramesArePainted) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  auto* s = new TestShow(&form);
  s->SetParent(&form);
  form.Show();
  EventLog log;
  log.Attach(s);
  s->SetThreaded(false);
  s->SetStep(100);
  SetCodedPicture(s, 97, 61, PixelKind::Old);
  s->Execute();
  PumpAWhile(30);   // painted: the back buffer now holds the first picture

  SetCodedPicture(s, 97, 61, PixelKind::New);
  s->SetThreaded(true);
  s->SetDelay(0);
  s->SetStep(50);
  s->SetStyle(118);
  std::vector<PixelClass> before;
  s->OnBeforeNewFrame = [&](TObject*, TBitmap*, TBitmap* scr) { before.push_back(Classify(*scr, 50, 30)); };
  log.items.clear();
  s->Execute();
  ASSERT_TRUE(PumpUntil([&] { return !s->Busy(); }));
  EXPECT_EQ(log.Joined(), "start p50 p100 complete stop");
  ASSERT_EQ(before.size(), 2u);
  for (const PixelClass& c : before) EXPECT_EQ(c, (PixelClass{PixelKind::Old, 50, 30}));

  PumpAWhile(30);
  TBitmap grab(97, 61);
  s->PaintTo(grab.Canvas(), 0, 0);
  EXPECT_TRUE(IsNewAt(grab, 10, 10));
  EXPECT_TRUE(IsNewAt(grab, 96, 60));
}

// A large picture stretched down is composed at the size shown; settled, the
// output is pixel for pixel the whole picture drawn stretched into the
// show, also after the show is resized.
TEST(PictureShowOnForm, LargePictureStretchedDownSettlesAsTheWholePictureDrawnStretched) {
  struct Row {
    const char* name;
    int w, h;          // the show
    bool fine;         // keep proportions
    int w2, h2;        // the show resized after the run
  };
  const Row rows[] = {
      {"small, proportional", 384, 256, true, 640, 360},
      {"small, filled", 384, 256, false, 1920, 1080},
      {"XGA, proportional", 1024, 768, true, 384, 256},
      {"XGA, filled", 1024, 768, false, 1023, 767},
  };
  const auto picture = MakeCodedPicture(1920, 1080, PixelKind::New);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TForm form(nullptr);
    form.SetBounds(0, 0, 2000, 1200);
    auto* s = StretchedShow(form, r.w, r.h, r.fine);
    form.Show();
    s->SetThreaded(false);
    s->SetStep(25);
    s->SetStyle(51);
    TPicture p;
    p.SetGraphic(picture.get());
    s->SetPicture(&p);
    s->Execute();
    ASSERT_FALSE(s->Busy());

    auto expectShown = [&](int w, int h) {
      const TRect target = r.fine ? TestShow::AspectFit(TRect(0, 0, 1920, 1080), TRect(0, 0, w, h)) : TRect(0, 0, w, h);
      TBitmap want(w, h);
      want.Fill(ColorToRGB(s->Color()));
      want.Canvas()->StretchDraw(target, picture.get());
      TBitmap got(w, h);
      s->PaintTo(got.Canvas(), 0, 0);
      int differing = 0;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) differing += ((RawPixel(got, x, y) ^ RawPixel(want, x, y)) & 0xFFFFFF) != 0;
      EXPECT_EQ(differing, 0) << w << " x " << h;
    };
    const TRect shown = r.fine ? TestShow::AspectFit(TRect(0, 0, 1920, 1080), s->ClientRect()) : s->ClientRect();
    EXPECT_EQ(s->ScreenBitmap()->Width(), shown.Width());
    EXPECT_EQ(s->ScreenBitmap()->Height(), shown.Height());
    expectShown(r.w, r.h);
    s->SetBounds(0, 0, r.w2, r.h2);
    expectShown(r.w2, r.h2);
  }
}

// A picture scaled ahead is taken only by the run of that very picture at
// the size it was scaled to: whatever was offered, the settled output is the
// whole picture drawn stretched.
TEST(PictureShowOnForm, APictureScaledAheadServesOnlyItsOwnRunAtItsSize) {
  enum class Offer { Own, AnotherPicture, BeforeAResize };
  const struct {
    const char* name;
    Offer offer;
  } rows[] = {{"its own", Offer::Own}, {"another picture", Offer::AnotherPicture}, {"before a resize", Offer::BeforeAResize}};
  const auto picture = MakeCodedPicture(1920, 1080, PixelKind::New);
  const auto another = MakeCodedPicture(1920, 1080, PixelKind::Old);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TForm form(nullptr);
    form.SetBounds(0, 0, 800, 600);
    auto* s = StretchedShow(form, 384, 256);
    form.Show();
    s->SetThreaded(false);
    s->SetStep(50);
    TPicture p;
    p.SetGraphic(picture.get());
    s->SetPicture(&p);
    const TBitmap& whole =
        row.offer == Offer::AnotherPicture ? *another : *static_cast<const TBitmap*>(s->Picture()->Graphic());
    const TPoint size = TestShow::ComposedSize(s->ComposeGeometry(), 1920, 1080, false);
    ASSERT_EQ(size, TPoint(384, 216));
    s->OfferScaled(whole, TestShow::ScaleForShow(whole, size.X, size.Y));
    if (row.offer == Offer::BeforeAResize) s->SetBounds(0, 0, 640, 360);
    s->Execute();
    ASSERT_FALSE(s->Busy());
    const int w = s->Width(), h = s->Height();
    TBitmap want(w, h);
    want.Fill(ColorToRGB(s->Color()));
    want.Canvas()->StretchDraw(TestShow::AspectFit(TRect(0, 0, 1920, 1080), TRect(0, 0, w, h)), picture.get());
    TBitmap got(w, h);
    s->PaintTo(got.Canvas(), 0, 0);
    int differing = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) differing += ((RawPixel(got, x, y) ^ RawPixel(want, x, y)) & 0xFFFFFF) != 0;
    EXPECT_EQ(differing, 0);
  }
}

// The background laid before a run (LayBackground) is the old picture of
// every frame of that run, where the picture lies: a bitmap over the whole
// area at its own size is read in place, others are composed; the
// background cleared and its bitmap drawn over once the run has started
// change nothing of it. (The show is hidden: no paint composes its area.)
TEST(PictureShowOnForm, ALaidBackgroundIsTheOldPictureOfTheRun) {
  const struct {
    const char* name;
    int bgW, bgH;
    TBackgroundMode mode;
  } rows[] = {{"bitmap at the area's size", 384, 256, bmStretched},
              {"bitmap of another size, stretched", 200, 100, bmStretched},
              {"bitmap tiled", 150, 90, bmTiled}};
  const auto picture = MakeCodedPicture(1920, 1080, PixelKind::New);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TForm form(nullptr);
    form.SetBounds(0, 0, 800, 600);
    auto* s = StretchedShow(form, 384, 256);
    s->SetBgMode(row.mode);
    s->SetVisible(false);
    form.Show();
    const auto bg = MakeCodedPicture(row.bgW, row.bgH, PixelKind::Old);
    s->BgPicture()->SetGraphic(bg.get());
    // The area as the background lays it, and where the picture lies.
    TBitmap area(384, 256);
    if (row.mode == bmStretched) {
      area.Canvas()->StretchDraw(TRect(0, 0, 384, 256), bg.get());
    } else {
      for (int y = 0; y < 256; y += row.bgH)
        for (int x = 0; x < 384; x += row.bgW) area.Canvas()->Draw(x, y, bg.get());
    }
    const TRect D = TestShow::AspectFit(TRect(0, 0, 1920, 1080), TRect(0, 0, 384, 256));
    ASSERT_EQ(D, TRect(0, 20, 384, 236));
    // Frames differing from the area at D before their effect is drawn.
    std::atomic<int> frames{0}, differing{0};
    s->OnBeforeNewFrame = [&](TObject*, TBitmap*, TBitmap* scr) {
      ++frames;
      int d = 0;
      for (int y = 0; y < D.Height(); ++y)
        for (int x = 0; x < D.Width(); ++x)
          d += ((RawPixel(*scr, x, y) ^ RawPixel(area, D.Left + x, D.Top + y)) & 0xFFFFFF) != 0;
      if (d) ++differing;
    };
    s->SetDelay(0);
    s->SetStep(25);
    s->SetStyle(118);
    TPicture p;
    p.SetGraphic(picture.get());
    s->SetPicture(&p);
    s->LayBackground();
    s->Execute();
    s->BgPicture()->Clear();
    bg->Fill(clRed);
    ASSERT_TRUE(PumpUntil([&] { return !s->Busy(); }));
    EXPECT_EQ(frames.load(), 4);
    EXPECT_EQ(differing.load(), 0);
  }
}

TEST(PictureShowOnForm, DestroyingTheFormDuringAThreadedRun) {
  EventLog log;
  {
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 200);
    auto* s = new TestShow(&form);
    s->SetParent(&form);
    form.Show();
    log.Attach(s);
    SetCodedPicture(s, 97, 61);
    s->SetDelay(60000);   // the worker is in its pause when the form goes
    s->SetStep(1);
    s->SetStyle(118);
    s->Execute();
    ASSERT_TRUE(PumpUntil([&] { return log.Count("p1") == 1; }));
  }
  PumpAWhile(20);
  EXPECT_EQ(log.Count("stop"), 0);
  EXPECT_EQ(log.Count("complete"), 0);
}
