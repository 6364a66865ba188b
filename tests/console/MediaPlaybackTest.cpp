// The media frame playing its list: pictures by the page's transition and
// pause, clips to their end, the advance posted to the event loop, failing
// items, the goal clip, the output area and the video controls.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <QImage>
#include <QLoggingCategory>
#include "ConsoleFixture.h"
#include "FlashNoteWatch.h"
#include "OperatorHands.h"
#include "console/FrMedia.h"
#include "controls/ShockwaveEx.h"
#include "media/DSGraph.h"
#include "media/DSVideoWindow.h"
#include "media/MediaFixture.h"
#include "pictureshow/PictureShow.h"
#include "support/SwfMaker.h"
#include <QElapsedTimer>
#include <QTimer>
#include <set>
#include "toolkit/MouseTools.h"
#include "toolkit/Timer.h"
#include "toolkit/WinUtils.h"
#include "toolkit/ToolkitTestUtil.h"

namespace {

using mediatest::PumpUntil;

// A Flash player of a given number of frames that advances one frame at
// each tick of its frame timer while it plays; it notes the
// stack depth at each start. A load hook (when set) runs inside SetMovie,
// as a slow player's load handles messages.
class FakeFlashPlayer : public IFlashPlayer {
 public:
  explicit FakeFlashPlayer(int frames, std::vector<uintptr_t>* depths) : frames_(frames), depths_(depths) {
    timer_.setInterval(10);   // 100 frames a second
    timer_.callOnTimeout([this] {
      if (frame_ < frames_ - 1) ++frame_;
      else timer_.stop();
    });
  }
  String Movie() const override { return movie_; }
  void SetMovie(const String& m) override {
    movie_ = m;
    playing_ = false;
    timer_.stop();
    if (auto hook = std::exchange(onLoad, nullptr)) hook();
  }
  void GotoFrame(int f) override {
    frame_ = f;
    if (depths_) depths_->push_back(reinterpret_cast<uintptr_t>(__builtin_frame_address(0)));
  }
  void Play() override {
    playing_ = frames_ > 0;
    if (playing_) timer_.start();
    if (onPlay) onPlay();
  }
  void Stop() override {
    playing_ = false;
    timer_.stop();
  }
  void StopPlay() override { Stop(); }
  int CurrentFrame() const override { return frame_; }
  int TotalFrames() const override { return frames_; }
  bool Playing() const override { return playing_; }
  bool Menu() const override { return false; }
  void SetMenu(bool) override {}
  void MouseMessage(const TFlashMessage&) override {}
  void Paint(TCanvas* c, const TRect& r, TColor bg) override {
    c->Brush()->SetColor(bg);
    c->FillRect(r);
  }
  std::function<void()> onLoad;
  std::function<void()> onPlay;   // after each start

 private:
  String movie_;
  int frames_;
  int frame_ = 0;
  bool playing_ = false;
  std::vector<uintptr_t>* depths_;
  QTimer timer_;
};

// A movie whose current frame the test sets.
class SteeredFlashPlayer : public FakeFlashPlayer {
 public:
  SteeredFlashPlayer(int frames, const int* frame) : FakeFlashPlayer(frames, nullptr), frame_(frame) {}
  int CurrentFrame() const override { return *frame_; }

 private:
  const int* frame_;
};

class MediaPlaybackTest : public ConsoleFixture {
 protected:
  void SetUp() override {
    ConsoleFixture::SetUp();
    setenv("TABLO_AUDIO_SINK", "fakesink sync=true", 1);
    if (!gst_is_initialized()) gst_init(nullptr, nullptr);
    Create();
    f_ = form_->FrameMedia1;
    f_->TickSource = [this] { return tick_; };
    f_->PictureShow->SetDelay(1);
    form_->PageEffectRandom = [](int) { return 41; };
  }
  String Pics() const { return app_ + "Pics/"; }
  String Picture(const char* name, TColor c) {
    const String p = Pics() + name;
    TBitmap b(64, 48);
    b.Fill(c);
    b.SaveToFile(p);
    return p;
  }
  String Clip(const char* name, int frames, int w = 176, int h = 144) {
    const String p = Pics() + name;
    clips::Make(p, clips::Kind::Avi, frames, w, h);
    return p;
  }
  void Write(const char* name, const std::string& bytes) { std::ofstream(Pics() + name, std::ios::binary) << bytes; }
  void List(const std::vector<String>& names) {
    std::string text;
    for (const String& n : names) text += n + "\n";
    Write("list.txt", text);
    f_->LoadPlayList(Pics() + "list.txt");
    f_->SetButtonsState(1);
    f_->ListMedia->SetItemIndex(0);
  }
  // The picture pause passes (the injected clock) and the timer ticks.
  void EndPause() {
    tick_ += 1000 * f_->PicsShowPause->Value() + 10;
    f_->TimerDelayPicsTimer(f_->TimerDelayPics);
  }
  void Send(TTabSheet* sheet) {
    form_->PageControl1->SetActivePage(sheet);
    form_->PageControl1Change(form_->PageControl1);
    form_->PageControl1->SetActivePageIndex(0);
    form_->PageControl1Change(form_->PageControl1);
  }
  String Status() { return form_->StatusBar1->Panels()->Items(1)->Text(); }
  int State() {
    if (!f_->btPause->Enabled() && !f_->btPlay->Enabled() && !f_->btStop->Enabled()) return 0;
    if (f_->btPause->Enabled()) return 2;
    return f_->btStop->Enabled() ? 3 : 1;
  }
  // The console started again, with another sound output.
  void RestartWithSoundOutput(const char* line) {
    Destroy();
    setenv("TABLO_AUDIO_SINK", line, 1);
    Create();
    f_ = form_->FrameMedia1;
    f_->TickSource = [this] { return tick_; };
  }
  // Plays the list from a click on Play and grabs the output area every
  // millisecond while watch() (asked before each grab) says so; each grab and
  // the colour at its middle go to look(), which says when it has seen enough.
  // False when that took over a minute.
  bool PlayWatchingTheOutput(const std::function<bool()>& watch,
                             const std::function<bool(TBitmap&, TColor)>& look) {
    TWinControl* area = form_->PanelTabloColor;
    bool enough = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
      if (enough || !watch()) return;
      TBitmap grab(area->Width(), area->Height());
      grab.Fill(clFuchsia);
      area->PaintTo(grab.Canvas(), 0, 0);
      enough = look(grab, grab.Canvas()->Pixel(grab.Width() / 2, grab.Height() / 2));
    });
    timer.start(1);
    hands::Click(f_->btPlay);
    const bool done = PumpUntil([&] { return enough; }, 60000);
    timer.stop();
    return done;
  }
  // The movie plays on the output, past its first frames.
  bool MoviePlaysOn() const {
    TShockwaveFlashEx* flash = f_->ShockwaveFlashEx1;
    return flash->Visible() && flash->Playing() && flash->CurrentFrame() >= 6;
  }
  TFrameMedia* f_ = nullptr;
  int64_t tick_ = 1000000;
};

// The test needs the real Flash player.
#define SKIP_WITHOUT_FLASH()                                                                   \
  do {                                                                                         \
    String why_;                                                                               \
    if (!FlashPlayerAvailable(&why_)) GTEST_SKIP() << "No Flash player in this build: " << why_; \
  } while (0)

TEST_F(MediaPlaybackTest, PicturesAndAClipPlayInOrderWithWrapAround) {
  Picture("a.bmp", clRed);
  Picture("b.bmp", clBlue);
  Clip("c.avi", 8);
  List({"a.bmp", "b.bmp", "c.avi"});
  std::vector<std::tuple<int, int, int>> runs;   // line, effect, step
  f_->PictureShow->OnStart = [&](TObject* s) {
    runs.emplace_back(f_->ListMedia->ItemIndex(), f_->PictureShow->Style(), f_->PictureShow->Step());
    f_->PictureShowStart(s);
  };
  f_->btPlayClick(f_->btPlay);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_TRUE(f_->TimerDelayPics->Enabled());
  EXPECT_EQ(State(), 2);
  EndPause();
  ASSERT_EQ(runs.size(), 2u);
  EndPause();
  EXPECT_EQ(f_->LoadedFile, Pics() + "c.avi");
  EXPECT_EQ(f_->FilterGraph1->State(), gsPlaying);
  // The clip plays to its end, then the list wraps to the first picture.
  std::vector<int> ev;
  f_->FilterGraph1->OnDSEvent = [&](TComponent*, int e, LONG_PTR, LONG_PTR) { ev.push_back(e); };
  ASSERT_TRUE(PumpUntil([&] { return runs.size() == 3; })) << ::testing::PrintToString(ev) << f_->FilterGraph1->State();
  const std::vector<std::tuple<int, int, int>> want = {{0, 98, 4}, {1, 98, 4}, {0, 98, 4}};
  EXPECT_EQ(runs, want);
  EXPECT_TRUE(f_->TimerDelayPics->Enabled());
  // Stop during the pause ends it.
  f_->btStopClick(f_->btStop);
  EXPECT_FALSE(f_->TimerDelayPics->Enabled());
  EXPECT_EQ(State(), 1);
}

// The pixels whose colour differs between two bitmaps of one size.
int DifferingPixels(const TBitmap& a, const TBitmap& b) {
  int n = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) n += (a.Canvas()->Pixel(x, y) != b.Canvas()->Pixel(x, y));
  return n;
}

// The frame number a bitmap shows at a point (-1: none).
int FrameAt(TBitmap& b, int x, int y) {
  const TColor c = b.Canvas()->Pixel(x, y);
  return clips::DecodeColour(GetRValue(c), GetGValue(c), GetBValue(c));
}

// The frame number the frame's video window shows (-1: none).
int ShownFrame(TFrameMedia* f) {
  TDSVideoWindowEx2* w = f->DSVideoWindowEx1;
  TBitmap b(w->Width(), w->Height());
  w->PaintTo(b.Canvas(), 0, 0);
  return FrameAt(b, b.Width() * 3 / 4, b.Height() * 3 / 4);
}

// The whole program held still for a while, as a busy machine holds it: a
// child stops it, sleeps and lets it go on (the caller waits for the child).
void HoldProgram(int ms) {
  const pid_t self = getpid();
  const pid_t child = fork();
  if (child == 0) {
    kill(self, SIGSTOP);
    const timespec t{0, ms * 1000000L};
    nanosleep(&t, nullptr);
    kill(self, SIGCONT);
    _exit(0);
  }
  ASSERT_GT(child, 0);
  while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
}

TEST_F(MediaPlaybackTest, APictureAfterAClipHasTheClipsLastFrameBehindItsFirstTransitionOnly) {
  Clip("c.avi", 8);
  Picture("a.bmp", clRed);
  Picture("b.bmp", clBlue);
  List({"c.avi", "a.bmp", "b.bmp"});
  std::vector<int> firstFrames;   // frame number behind each transition's first frame
  bool first = false;
  f_->PictureShow->OnStart = [&](TObject* s) {
    first = true;
    f_->PictureShowStart(s);
  };
  f_->PictureShow->OnAfterNewFrame = [&](TObject*, TBitmap*, TBitmap* screen) {
    if (!first) return;
    first = false;
    firstFrames.push_back(FrameAt(*screen, screen->Width() * 7 / 10, screen->Height() * 7 / 10));
  };
  // The media page is on view, as it is on the screen while it plays.
  form_->Show();
  form_->PageControl2->SetActivePage(form_->Sheet_Tablo);
  form_->PageControl1->SetActivePage(form_->Sheet_Media);
  f_->btPlayClick(f_->btPlay);
  // Held still once the clip shows (a busy machine): its frames come late and
  // are skipped to catch up with the clock, but not its last.
  ASSERT_TRUE(PumpUntil([&] { return ShownFrame(f_) >= 0 || !firstFrames.empty(); }));
  HoldProgram(300);
  ASSERT_TRUE(PumpUntil([&] { return firstFrames.size() == 1; }));
  // The ended clip's graph is emptied once the transition is under way.
  EXPECT_EQ(f_->FilterGraph1->State(), gsStopped);
  EndPause();
  ASSERT_EQ(firstFrames.size(), 2u);
  EXPECT_EQ(firstFrames[0], 7);   // the clip's last frame
  EXPECT_EQ(firstFrames[1], -1);
  EXPECT_TRUE(f_->PictureShow->BgPicture()->Graphic() == nullptr || f_->PictureShow->BgPicture()->Graphic()->Empty());
  f_->btStopClick(f_->btStop);
}

// The clip's last frame behind the picture after it is, pixel for pixel,
// what the output showed at the clip's end (the parent of the video window
// painted whole), wherever the clip played, however it was laid and also
// when that changed after the last frame came; once the transition runs,
// the panel shows the picture's controls, size and line.
TEST_F(MediaPlaybackTest, ThePictureAfterAClipStartsOnTheOutputAsItWasAtTheClipsEnd) {
  struct Row {
    const char* name;
    bool onOutput;   // the media page on the screen
    int aspect;      // cropped (covers the area), full (bands), stretched
    int aspectAtLastFrame = -1;   // the aspect chosen once the last frame is on
  };
  const Row rows[] = {{"preview, cropped", false, 0},   {"output, cropped", true, 0},
                      {"output, full", true, 1},        {"preview, stretched", false, 2},
                      {"output, cropped, then stretched at the last frame", true, 0, 2}};
  Clip("c.avi", 8, 320, 176);
  Picture("a.bmp", clRed);
  form_->Show();
  form_->PageControl2->SetActivePage(form_->Sheet_Tablo);
  form_->PageControl1->SetActivePage(form_->Sheet_Media);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.onOutput) Send(form_->Sheet_Media);
    f_->rgMediaAspect->SetItemIndex(row.aspect);
    List({"c.avi", "a.bmp"});
    TWinControl* area = f_->DSVideoWindowEx1->Parent();
    TBitmap atEnd(area->Width(), area->Height());
    const auto complete = f_->FilterGraph1->OnGraphComplete;
    f_->FilterGraph1->OnGraphComplete = [&](TObject* s, HRESULT r, IBaseFilter* b) {
      atEnd.Fill(clBlack);
      area->PaintTo(atEnd.Canvas(), 0, 0);
      complete(s, r, b);
    };
    const auto lastFrame = f_->DSVideoWindowEx1->OnLastFrame;
    f_->DSVideoWindowEx1->OnLastFrame = [&](TObject* s) {
      lastFrame(s);
      if (row.aspectAtLastFrame >= 0) f_->rgMediaAspect->SetItemIndex(row.aspectAtLastFrame);
    };
    std::unique_ptr<TBitmap> behind;
    int frames = 0;
    String sizeText, counter;
    bool picsShown = false;
    f_->PictureShow->OnStart = [&](TObject* s) {
      if (const auto* bg = dynamic_cast<const TBitmap*>(f_->PictureShow->BgPicture()->Graphic())) {
        behind = std::make_unique<TBitmap>();
        behind->Assign(bg);
      }
      f_->PictureShowStart(s);
    };
    f_->PictureShow->OnProgress = [&](TObject*) {
      if (++frames != 2) return;
      picsShown = f_->ControlPics->Visible() && !f_->ControlAVIs->Visible() && f_->DelayTrackBar->Visible();
      sizeText = f_->PicsImageSize->Caption();
      counter = f_->eFilesCount->Caption();
    };
    hands::Click(f_->btPlay);
    ASSERT_TRUE(PumpUntil([&] { return frames >= 2; }));
    f_->FilterGraph1->OnGraphComplete = complete;
    f_->DSVideoWindowEx1->OnLastFrame = lastFrame;
    f_->PictureShow->OnProgress = nullptr;
    ASSERT_TRUE(behind);
    ASSERT_EQ(behind->Width(), atEnd.Width());
    ASSERT_EQ(behind->Height(), atEnd.Height());
    EXPECT_EQ(DifferingPixels(*behind, atEnd), 0);
    EXPECT_GE(FrameAt(atEnd, atEnd.Width() / 2, atEnd.Height() / 2), 5);   // the clip's end is on it
    EXPECT_TRUE(picsShown);
    EXPECT_EQ(sizeText, "64x48");
    EXPECT_EQ(counter, "2:2");
    hands::Click(f_->btStop);
    if (row.onOutput) Send(form_->Sheet_Clock);
  }
}

// A clip made ready to follow another takes no snapshot at the first one's
// end: the picture after the second has the second's last frame behind it.
TEST_F(MediaPlaybackTest, APictureAfterTwoClipsHasTheSecondClipsLastFrameBehindIt) {
  Clip("c.avi", 8);
  Clip("d.avi", 20);
  Picture("a.bmp", clRed);
  List({"c.avi", "d.avi", "a.bmp"});
  int behind = -2;
  bool first = false;
  f_->PictureShow->OnStart = [&](TObject* s) {
    first = true;
    f_->PictureShowStart(s);
  };
  f_->PictureShow->OnAfterNewFrame = [&](TObject*, TBitmap*, TBitmap* screen) {
    if (!first) return;
    first = false;
    behind = FrameAt(*screen, screen->Width() * 7 / 10, screen->Height() * 7 / 10);
  };
  form_->Show();
  form_->PageControl2->SetActivePage(form_->Sheet_Tablo);
  form_->PageControl1->SetActivePage(form_->Sheet_Media);
  f_->btPlayClick(f_->btPlay);
  ASSERT_TRUE(PumpUntil([&] { return behind != -2; }));
  EXPECT_EQ(behind, 19);   // the second clip's last frame
  f_->btStopClick(f_->btStop);
}

// While a clip plays, the picture after it is decoded ahead and taken at the
// clip's end; a picture file changed meanwhile is read again.
TEST_F(MediaPlaybackTest, APictureAfterAClipIsDecodedWhileTheClipPlaysUnlessItsFileChanged) {
  const struct {
    bool change;
    int takenAhead;
    TColor shown;
  } cases[] = {{false, 1, clRed}, {true, 0, clLime}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.change);
    f_->btStopClick(f_->btStop);
    f_->PicturesTakenFromAhead = 0;
    const int decodedBefore = f_->PicturesDecodedAhead();
    Clip("c.avi", 25);
    Picture("a.bmp", clRed);
    List({"c.avi", "a.bmp"});
    int starts = 0;
    f_->PictureShow->OnStart = [&](TObject* s) {
      ++starts;
      f_->PictureShowStart(s);
    };
    f_->btPlayClick(f_->btPlay);
    ASSERT_EQ(f_->FilterGraph1->State(), gsPlaying);
    // A clip of a second: the picture is read long before its end.
    ASSERT_TRUE(PumpUntil([&] { return f_->PicturesDecodedAhead() > decodedBefore; }));
    EXPECT_EQ(starts, 0);
    if (c.change) {
      TBitmap b(80, 60);   // another size: another stamp, whatever the clock
      b.Fill(clLime);
      b.SaveToFile(Pics() + "a.bmp");
    }
    ASSERT_TRUE(PumpUntil([&] { return starts == 1; }));
    EXPECT_EQ(f_->PicturesTakenFromAhead, c.takenAhead);
    TBitmap* shown = f_->PictureShow->Picture()->Bitmap();
    EXPECT_EQ(shown->Width(), c.change ? 80 : 64);
    EXPECT_EQ(shown->Canvas()->Pixel(2, 2), c.shown);
    EXPECT_EQ(f_->ListMedia->ItemIndex(), 1);
    f_->btStopClick(f_->btStop);
  }
}

TEST_F(MediaPlaybackTest, ColourSlidersDriveTheColourControl) {
  TColorControl* cc = f_->DSVideoWindowEx1->ColorControl();
  EXPECT_TRUE(f_->TrackBar1->Enabled());
  EXPECT_TRUE(f_->cbMedia_Color->Enabled());
  f_->TrackBar1->SetPosition(1234);
  f_->TrackBar2->SetPosition(15000);
  f_->TrackBar3->SetPosition(-90);
  f_->TrackBar4->SetPosition(5000);
  f_->cbMedia_Color->SetChecked(false);
  f_->cbMedia_ColorClick(f_->cbMedia_Color);
  EXPECT_EQ(std::make_tuple(cc->Brightness(), cc->Contrast(), cc->Hue(), cc->Saturation(), cc->ColorEnable()),
            std::make_tuple(1234, 15000, -90, 5000, false));
  f_->SpeedButton1Click(f_->SpeedButton1);
  EXPECT_EQ(std::make_tuple(f_->TrackBar1->Position(), f_->TrackBar2->Position(), f_->TrackBar3->Position(),
                            f_->TrackBar4->Position(), f_->cbMedia_Color->Checked()),
            std::make_tuple(750, 10000, 0, 10000, true));
  EXPECT_EQ(cc->Brightness(), 750);
}

TEST_F(MediaPlaybackTest, FailingItemsAreReportedAndPlaybackEndsAfterOneCycle) {
  Write("random.avi", std::string(4096, '\x5a'));
  Write("odd.xyz", "x");
  Write("movie.swf", "FWS");
  Write("other.swf", "FWS");
  const std::vector<String> names = {"missing.avi", "random.avi", "odd.xyz", "movie.swf", "other.swf"};
  List(names);
  std::vector<uintptr_t> depths;
  f_->ShockwaveFlashEx1->SetPlayer(std::make_unique<FakeFlashPlayer>(0, &depths));
  // Each alone: reported at once.
  form_->SetStatusMinShowMs(0);
  for (int i = 0; i < int(names.size()); ++i) {
    f_->ListMedia->SetItemIndex(i);
    f_->ListMediaDblClick(f_->ListMedia);
    ASSERT_TRUE(PumpUntil([&] { return State() == 1; }));
    EXPECT_EQ(Status(), "Error file " + Pics() + names[i]);
  }
  // The list: one cycle, then it stops with the last error shown; every
  // advance starts from the event loop at the same depth.
  // Each message is shown a while before the next takes its place.
  form_->SetStatusMinShowMs(300);
  depths.clear();
  f_->ListMedia->SetItemIndex(0);
  f_->btPlayClick(f_->btPlay);
  ASSERT_TRUE(PumpUntil([&] { return State() == 1; }));
  // The messages of the cycle take their turns, the last error last.
  for (const String& name : {names[0], names[4]})
    EXPECT_TRUE(PumpUntil([&] { return Status() == "Error file " + Pics() + name; }));
  EXPECT_EQ(f_->FailedInRow(), 5);
  ASSERT_EQ(depths.size(), 2u);
  EXPECT_EQ(depths[0], depths[1]);
  EXPECT_EQ(f_->ListMedia->Count(), 5);
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(f_->ListMedia->Checked(i));
}

TEST_F(MediaPlaybackTest, AMissingPictureIsReportedAndTheListGoesOn) {
  Picture("a.bmp", clRed);
  List({"a.bmp", "gone.bmp"});
  f_->btPlayClick(f_->btPlay);
  EndPause();
  EXPECT_EQ(Status(), "Error file " + Pics() + "gone.bmp");
  EXPECT_EQ(State(), 2);
  EndPause();
  EXPECT_EQ(f_->ListMedia->ItemIndex(), 0);
  EXPECT_EQ(State(), 2);
  f_->btStopClick(f_->btStop);
}

TEST_F(MediaPlaybackTest, ADoubleClickedPicturePlaysOnceAndPauseDuringATransitionSkipsThePause) {
  Picture("a.bmp", clRed);
  Picture("b.bmp", clBlue);
  List({"a.bmp", "b.bmp"});
  int starts = 0;
  f_->PictureShow->OnStart = [&](TObject* s) {
    ++starts;
    f_->PictureShowStart(s);
  };
  f_->ListMediaDblClick(f_->ListMedia);
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(State(), 1);
  EXPECT_FALSE(f_->TimerDelayPics->Enabled());
  // Pause while the transition runs: it ends and no pause follows.
  f_->PictureShow->OnProgress = [&](TObject*) {
    if (State() == 2) f_->btPauseClick(f_->btPause);
  };
  f_->btPlayClick(f_->btPlay);
  EXPECT_EQ(State(), 3);
  EXPECT_FALSE(f_->TimerDelayPics->Enabled());
}

// Counts the renders of a graph.
struct RenderCounter : IGraphListener {
  int renders = 0;
  void GraphEvent(int, LONG_PTR, LONG_PTR) override {}
  void ControlEvent(TControlNotice op, int) override {
    if (op == cnRenderEnd) ++renders;
  }
  HRESULT QueryInterface(const GUID&, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
};

// Clips that are no clips fail as items: frames claiming 30000 x 30000 are
// refused before anything is made for them, a picture under a clip's name
// never prerolls again once the output is wired in. Each is reported and
// the list moves on to what plays.
TEST_F(MediaPlaybackTest, HostileClipsFailAsItemsAndTheListMovesOn) {
  clips::MakeLyingAvi(Pics() + "giant.avi", 30000, 30000);
  QImage photo(64, 48, QImage::Format_RGB32);
  photo.fill(Qt::blue);
  photo.save(QString::fromStdString(Pics() + "photo.avi"), "JPG");
  Picture("a.bmp", clRed);
  List({"giant.avi", "photo.avi", "a.bmp"});
  for (int i = 0; i < 2; ++i) {
    f_->ListMedia->SetItemIndex(i);
    f_->ListMediaDblClick(f_->ListMedia);
    ASSERT_TRUE(PumpUntil([&] { return State() == 1; })) << i;
    EXPECT_GE(f_->FailedInRow(), 1);
    if (i == 0) {
      EXPECT_EQ(Status(), "Error file " + Pics() + "giant.avi");
    }
  }
  f_->ListMedia->SetItemIndex(0);
  f_->btPlayClick(f_->btPlay);
  ASSERT_TRUE(PumpUntil([&] { return f_->ListMedia->ItemIndex() == 2; }));
  EXPECT_EQ(State(), 2);
  f_->btStopClick(f_->btStop);
}

TEST_F(MediaPlaybackTest, AClipPlayedAgainReusesItsRenderAndStartsFromItsBeginning) {
  Clip("c.avi", 12);
  List({"c.avi"});
  RenderCounter counter;
  f_->FilterGraph1->InsertEventNotifier(&counter);
  int completes = 0;
  auto complete = f_->FilterGraph1->OnGraphComplete;
  f_->FilterGraph1->OnGraphComplete = [&](TObject* s, HRESULT r, IBaseFilter* b) {
    ++completes;
    complete(s, r, b);
  };
  auto frameNo = [&] {
    TBitmap b(f_->DSVideoWindowEx1->Width(), f_->DSVideoWindowEx1->Height());
    f_->DSVideoWindowEx1->PaintTo(b.Canvas(), 0, 0);
    return FrameAt(b, b.Width() * 3 / 4, b.Height() * 3 / 4);
  };
  f_->btPlayClick(f_->btPlay);
  ASSERT_TRUE(PumpUntil([&] { return completes == 1; }));
  // The list of one clip plays it again: from its start, without a render.
  EXPECT_TRUE(PumpUntil([&] { const int n = frameNo(); return n >= 0 && n < 6; }));
  EXPECT_EQ(counter.renders, 1);
  EXPECT_EQ(State(), 2);
  f_->btStopClick(f_->btStop);
  f_->FilterGraph1->RemoveEventNotifier(&counter);
}

// The control's own player on a movie the test writes: the square moves on
// the screen while the list waits for the last frame, a broken movie is
// reported and skipped, and the list goes on to the picture.
TEST_F(MediaPlaybackTest, ARealFlashMovieShowsPlaysToItsLastFrameAndABrokenOneIsSkipped) {
  SKIP_WITHOUT_FLASH();
  swf::Movie m;
  m.Frames = 36;
  m.FrameRate = 12;
  m.SquareSize = 50;
  swf::Save(Pics() + "m.swf", m);
  Write("broken.swf", std::string("CWS\x0a\x40\x00\x00\x00garbage", 15));
  Picture("a.bmp", clRed);
  List({"m.swf", "broken.swf", "a.bmp"});
  TShockwaveFlashEx* flash = f_->ShockwaveFlashEx1;
  form_->Show();   // a page draws only when it is on the screen
  Send(form_->Sheet_Media);   // the output area shows the media
  ASSERT_EQ(flash->Parent(), form_->PanelTabloColor);
  // While it plays: where the square is on the output area (the mean x of
  // its yellow pixels) and the frames counted.
  std::set<int> places;
  int frames = 0, lastFrame = -1;
  QTimer look;
  QObject::connect(&look, &QTimer::timeout, [&] {
    if (!flash->Visible() || !flash->Playing()) return;
    frames = flash->TotalFrames();
    lastFrame = std::max(lastFrame, flash->CurrentFrame());
    TBitmap grab(form_->PanelTabloColor->Width(), form_->PanelTabloColor->Height());
    grab.Fill(clFuchsia);
    form_->PanelTabloColor->PaintTo(grab.Canvas(), 0, 0);
    long sum = 0, n = 0;
    for (int y = 0; y < grab.Height(); y += 2)
      for (int x = 0; x < grab.Width(); x += 2)
        if (grab.Canvas()->Pixel(x, y) == TColor(0x00FFFF)) sum += x, ++n;
    if (n > 0) places.insert(int(sum / n / 10));
  });
  look.start(40);
  int pictures = 0;
  f_->PictureShow->OnStart = [&](TObject* s) {
    ++pictures;
    f_->PictureShowStart(s);
  };
  f_->btPlayClick(f_->btPlay);
  ASSERT_TRUE(PumpUntil([&] { return pictures == 1; }, 120000));
  look.stop();
  EXPECT_EQ(f_->ListMedia->ItemIndex(), 2);
  EXPECT_EQ(frames, 36);
  EXPECT_GE(lastFrame, 30);
  EXPECT_GE(places.size(), 2u) << "the movie was not seen moving";
  EXPECT_EQ(Status(), "Error file " + Pics() + "broken.swf");
  EXPECT_FALSE(flash->Visible());
  f_->btStopClick(f_->btStop);
}

// Movies whose header claims minutes or days of frames they do not hold, and
// a FIFO under a movie's name: each is reported as it comes up and the list
// goes on to the picture at once.
TEST_F(MediaPlaybackTest, AMovieThatHoldsLessThanItsHeaderClaimsIsReportedAndSkipped) {
  SKIP_WITHOUT_FLASH();
  const struct {
    const char* name;
    std::vector<uint8_t> (*bytes)();
  } rows[] = {
      {"header_only.swf", swf::lies::HeaderOnly},
      {"more_frames.swf", [] { return swf::lies::MoreFramesThanHeld(swf::Pack::Zlib); }},
      {"garbage.swf", swf::lies::GarbageBody},
      {"first_bytes.swf", swf::lies::FirstBytesOfAGoodMovie},
      {"fifo.swf", nullptr},
  };
  Picture("a.bmp", clRed);
  form_->SetStatusMinShowMs(0);   // each row's message at once
  int pictures = 0;
  f_->PictureShow->OnStart = [&](TObject* s) {
    ++pictures;
    f_->PictureShowStart(s);
  };
  for (const auto& row : rows) {
    if (row.bytes) {
      swf::SaveBytes(Pics() + row.name, row.bytes());
    } else {
      ASSERT_EQ(mkfifo((Pics() + row.name).c_str(), 0600), 0);
    }
    List({row.name, "a.bmp"});
    pictures = 0;
    f_->btPlayClick(f_->btPlay);
    ASSERT_TRUE(PumpUntil([&] { return pictures == 1; })) << row.name;
    EXPECT_EQ(f_->ListMedia->ItemIndex(), 1) << row.name;
    EXPECT_EQ(Status(), "Error file " + Pics() + row.name);
    EXPECT_FALSE(f_->ShockwaveFlashEx1->Visible()) << row.name;
    f_->btStopClick(f_->btStop);
  }
}

// A list opened as the operator opens one starts the player's page only when
// it holds a movie, before Play; the movie's own turn then starts none.
TEST_F(MediaPlaybackTest, AListWithAMovieStartsThePlayersPageBeforePlay) {
  SKIP_WITHOUT_FLASH();
  swf::Movie m;
  m.Frames = 12;
  swf::Save(Pics() + "m.swf", m);
  Picture("a.bmp", clRed);
  Write("pictures.txt", "a.bmp\n");
  Write("movies.txt", "a.bmp\nm.swf\n");
  IFlashPlayer* player = f_->ShockwaveFlashEx1->Player();
  const struct { const char* list; int starts; } steps[] = {{"pictures.txt", 0}, {"movies.txt", 1}};
  for (const auto& s : steps) {
    CommonDialogHook = [&](TCommonDialog* d) {
      auto* o = dynamic_cast<TOpenDialog*>(d);
      if (!o) return false;
      o->Files()->Clear();
      o->Files()->Add(Pics() + s.list);
      o->FileName = Pics() + s.list;
      o->FilterIndex = 2;
      return true;
    };
    hands::Click(f_->bMedia_Open);
    EXPECT_EQ(player->PageStarts(), s.starts) << s.list;
  }
  CommonDialogHook = nullptr;
  f_->ShockwaveFlashEx1->SetMovie(Pics() + "m.swf");
  EXPECT_EQ(f_->ShockwaveFlashEx1->TotalFrames(), 12);
  EXPECT_EQ(player->PageStarts(), 1);
}

// A movie whose own action stops it early holds the frame where it stopped
// for its whole length (its frames at its rate, as its line's length says):
// the list moves on only then.
TEST_F(MediaPlaybackTest, AMovieThatStopsItselfHoldsItsFrameForItsWholeLength) {
  SKIP_WITHOUT_FLASH();
  swf::Movie m;
  m.Frames = 36;   // 1.5 s at 24 frames a second
  m.FrameRate = 24;
  m.StopAtFrame = 6;
  swf::Save(Pics() + "m.swf", m);
  Picture("a.bmp", clRed);
  List({"m.swf", "a.bmp"});
  form_->Show();
  Send(form_->Sheet_Media);
  TShockwaveFlashEx* flash = f_->ShockwaveFlashEx1;
  // Where the square is on the output (its mean x) from past the stop on
  // the console's clock until the movie's length has passed: the page may
  // reach the stop a little later on a busy machine, but never goes past it
  // (towards the right edge), and holds it to the end.
  auto squareAt = [&] {
    TBitmap grab(form_->PanelTabloColor->Width(), form_->PanelTabloColor->Height());
    form_->PanelTabloColor->PaintTo(grab.Canvas(), 0, 0);
    long sum = 0, n = 0;
    for (int y = 0; y < grab.Height(); y += 2)
      for (int x = 0; x < grab.Width(); x += 2)
        if (grab.Canvas()->Pixel(x, y) == TColor(0x00FFFF)) sum += x, ++n;
    return n > 0 ? int(sum / n) : -1;
  };
  int pictures = 0, frameAtPicture = -1, furthest = -1, last = -1;
  f_->PictureShow->OnStart = [&](TObject* s) {
    if (++pictures == 1) frameAtPicture = flash->CurrentFrame();
    f_->PictureShowStart(s);
  };
  QTimer look;
  QObject::connect(&look, &QTimer::timeout, [&] {
    if (!flash->Visible() || pictures > 0 || flash->CurrentFrame() < 12) return;
    last = squareAt();
    furthest = std::max(furthest, last);
  });
  look.start(5);
  f_->btPlayClick(f_->btPlay);
  ASSERT_TRUE(PumpUntil([&] { return pictures == 1; }, 120000));
  look.stop();
  EXPECT_EQ(frameAtPicture, 35);
  EXPECT_EQ(f_->ListMedia->ItemIndex(), 1);
  EXPECT_GE(last, 0);
  EXPECT_LT(furthest, form_->PanelTabloColor->Width() / 2) << "the movie went on past the frame where it stopped";
  EXPECT_EQ(last, furthest) << "the movie did not hold the frame where it stopped";
  f_->btStopClick(f_->btStop);
}

// The operator's pause holds the movie on the output: its item does not end
// (a movie that is no longer playing because it was paused is not done).
TEST_F(MediaPlaybackTest, APausedFlashMovieStaysOnItsItemUntilStopped) {
  Write("m.swf", "FWS");
  Picture("a.bmp", clRed);
  List({"m.swf", "a.bmp"});
  f_->ShockwaveFlashEx1->SetPlayer(std::make_unique<FakeFlashPlayer>(1000000, nullptr));
  bool shownWhilePaused = false;
  int lineWhilePaused = -1;
  QTimer::singleShot(0, [&] { hands::Click(f_->btPause); });
  QTimer::singleShot(300, [&] {
    shownWhilePaused = f_->ShockwaveFlashEx1->Visible();
    lineWhilePaused = f_->ListMedia->ItemIndex();
    hands::Click(f_->btStop);
  });
  f_->btPlayClick(f_->btPlay);
  ASSERT_TRUE(PumpUntil([&] { return lineWhilePaused >= 0; }));
  EXPECT_TRUE(shownWhilePaused);
  EXPECT_EQ(lineWhilePaused, 0);
}

TEST_F(MediaPlaybackTest, AFlashMoviePlaysToItsLastFrameThenTheListMovesOn) {
  Write("m.swf", "FWS");
  Picture("a.bmp", clRed);
  List({"m.swf", "a.bmp"});
  f_->ShockwaveFlashEx1->SetPlayer(std::make_unique<FakeFlashPlayer>(5, nullptr));
  int pictures = 0;
  f_->PictureShow->OnStart = [&](TObject* s) {
    ++pictures;
    f_->PictureShowStart(s);
  };
  f_->btPlayClick(f_->btPlay);
  EXPECT_EQ(f_->ShockwaveFlashEx1->CurrentFrame(), 4);
  EXPECT_TRUE(f_->ShockwaveFlashEx1->Visible());   // its last frame stays until the picture shows
  ASSERT_TRUE(PumpUntil([&] { return pictures == 1; }));
  EXPECT_FALSE(f_->ShockwaveFlashEx1->Visible());
  EXPECT_EQ(f_->ListMedia->ItemIndex(), 1);
  f_->btStopClick(f_->btStop);
}

// While a movie plays after a picture, the counter shows the movie's line and
// the labels its own length (frames at the header's rate) and position, in
// the clip's format, not what the picture's pause left there.
TEST_F(MediaPlaybackTest, AFlashMovieShowsItsLineLengthAndPositionWhilePlaying) {
  swf::Movie m;
  m.Frames = 90;
  m.FrameRate = 12;   // 7.5 s: "0.08"
  swf::Save(Pics() + "m.swf", m);
  Picture("a.bmp", clRed);
  List({"a.bmp", "m.swf", "a.bmp"});
  int frame = 0;
  f_->ShockwaveFlashEx1->SetPlayer(std::make_unique<SteeredFlashPlayer>(90, &frame));
  String counter, length;
  bool positionShown = false;
  hands::Click(f_->btPlay);
  ASSERT_EQ(f_->LabelMediaFull->Caption(), "0:02");   // the picture's pause
  QTimer::singleShot(0, [&] {
    counter = f_->eFilesCount->Caption();
    length = f_->LabelMediaFull->Caption();
    frame = 60;   // 5 s
  });
  // The movie ends once its position was shown (or after 10 s).
  QElapsedTimer since;
  since.start();
  QTimer look;
  QObject::connect(&look, &QTimer::timeout, [&] {
    positionShown = positionShown || f_->LabelMedia->Caption() == "0.05";
    if (positionShown || since.elapsed() > 10000) frame = 89;
  });
  look.start(5);
  EndPause();
  look.stop();
  EXPECT_EQ(counter, "2:3");
  EXPECT_EQ(length, "0.08");
  EXPECT_TRUE(positionShown) << f_->LabelMedia->Caption();
  f_->btStopClick(f_->btStop);
}

// A movie that paints green and whose loading runs the event loop, as the
// real player's does.
class GreenFlashPlayer : public FakeFlashPlayer {
 public:
  explicit GreenFlashPlayer(int frames) : FakeFlashPlayer(frames, nullptr) {}
  void SetMovie(const String& m) override {
    FakeFlashPlayer::SetMovie(m);
    for (int i = 0; i < 5; ++i) Application->ProcessMessages();
  }
  void Paint(TCanvas* c, const TRect& r, TColor) override {
    c->Brush()->SetColor(clLime);
    c->FillRect(r);
  }
};

// Every change between items on the output area, through the list played
// with the Play and Pause buttons: the output grabbed as the event loop runs
// is never all black or all white, nor the picture from before a movie once
// the movie was shown (the last frame or picture stays behind the next item
// until it shows its own).
TEST_F(MediaPlaybackTest, NothingEmptyReachesTheOutputBetweenItems) {
  struct Row {
    const char* name;
    std::vector<String> lines;
    bool pauseAndPlay;   // Pause, then Play, during the movie
    TColor notAfterMovie = clBlack;   // the picture that must not show again right after the movie
  };
  const std::vector<Row> rows = {
      {"picture to a clip at the wrap", {"c.avi", "a.bmp"}, false},
      {"picture and clip to a movie", {"a.bmp", "m.swf", "c.avi", "m.swf"}, false},
      {"play after pause during a movie", {"a.bmp", "m.swf"}, true},
      {"movie to a clip, then pictures", {"a.bmp", "m.swf", "c.avi", "b.bmp"}, false, clRed},
  };
  Clip("c.avi", 4);
  Picture("a.bmp", clRed);
  Picture("b.bmp", clBlue);
  Write("m.swf", "FWS");
  form_->Show();
  Send(form_->Sheet_Media);
  TWinControl* area = form_->PanelTabloColor;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    List(row.lines);
    f_->ShockwaveFlashEx1->SetPlayer(std::make_unique<GreenFlashPlayer>(40));
    int grabs = 0, empty = 0, stale = 0, started = 0;
    TColor lastItem = clBlack;   // the last item's colour seen in the middle
    bool watching = false, paused = false;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
      if (!watching) return;
      if (row.pauseAndPlay && !paused && f_->CurrentKind == mkFlash && f_->ShockwaveFlashEx1->Visible() &&
          f_->btPause->Enabled()) {
        paused = true;
        QTimer::singleShot(0, [&] {
          hands::Click(f_->btPause);
          hands::Click(f_->btPlay);
        });
      }
      TBitmap grab(area->Width(), area->Height());
      grab.Fill(clBlack);
      area->PaintTo(grab.Canvas(), 0, 0);
      bool black = true, white = true;
      for (int y = 4; y < grab.Height(); y += 8)
        for (int x = 4; x < grab.Width(); x += 8) {
          const TColor c = grab.Canvas()->Pixel(x, y);
          black = black && c == clBlack;
          white = white && c == clWhite;
        }
      ++grabs;
      if (black || white) ++empty;
      // Which item's colour the middle of the output shows.
      const TColor mid = grab.Canvas()->Pixel(grab.Width() / 2, grab.Height() / 2);
      if (mid == clRed || mid == clBlue || mid == clLime) {
        if (lastItem == clLime && mid == row.notAfterMovie) ++stale;
        lastItem = mid;
      }
    });
    look.start(1);
    f_->PictureShow->OnStart = [&](TObject* s) {
      ++started;
      f_->PictureShowStart(s);
    };
    hands::Click(f_->btPlay);   // the first picture's transition runs inside
    watching = true;
    // Two passes: the pauses of the pictures end as the clock says.
    ASSERT_TRUE(PumpUntil([&] {
      if (f_->TimerDelayPics->Enabled()) EndPause();
      return started >= 3;
    }, 60000));
    look.stop();
    hands::Click(f_->btStop);
    EXPECT_GT(grabs, 10);
    EXPECT_EQ(paused, row.pauseAndPlay);
    EXPECT_EQ(empty, 0) << "of " << grabs << " grabs";
    EXPECT_EQ(stale, 0) << "of " << grabs << " grabs";
  }
}

// A movie after a clip left by Next plays its whole length: the clip stops
// on its frame (its sound too), so its end does not come during the movie
// and cut it short.
TEST_F(MediaPlaybackTest, AMovieAfterAClipLeftByNextPlaysItsWholeLength) {
  Clip("c.avi", 50);   // 2 s
  Write("m.swf", "FWS");
  List({"c.avi", "m.swf"});
  auto movie = std::make_unique<FakeFlashPlayer>(400, nullptr);   // 4 s at the fake's pace
  FakeFlashPlayer* fake = movie.get();
  f_->ShockwaveFlashEx1->SetPlayer(std::move(movie));
  form_->Show();
  Send(form_->Sheet_Media);
  // Next once the clip plays; the movie's frame when the list leaves it, and
  // whether the clip's graph played on meanwhile.
  bool next = false, played = false, clipPlayedOn = false;
  int left = -1;
  QTimer look;
  QObject::connect(&look, &QTimer::timeout, [&] {
    if (!next && f_->FilterGraph1->State() == gsPlaying) {
      next = true;
      QTimer::singleShot(0, [&] { hands::Click(f_->btNextChapter); });
    }
    if (fake->Playing()) {
      played = true;
      clipPlayedOn = clipPlayedOn || f_->FilterGraph1->State() == gsPlaying;
    } else if (played && left < 0) {
      left = fake->CurrentFrame();
    }
  });
  look.start(5);
  hands::Click(f_->btPlay);
  ASSERT_TRUE(PumpUntil([&] { return left >= 0; }, 60000));
  look.stop();
  EXPECT_FALSE(clipPlayedOn);
  EXPECT_EQ(left, 399) << "the movie was cut short";
  f_->btStopClick(f_->btStop);
}

// A DVD folder in the list plays its disc on the video window to the end,
// then the list moves on.
TEST_F(MediaPlaybackTest, ADiscFolderPlaysToItsEndThenTheListMovesOn) {
  const String ifo = clips::MakeDvdFolder(Pics() + "disc");
  Picture("a.bmp", clRed);
  List({ifo, "a.bmp"});
  int pictures = 0;
  f_->PictureShow->OnStart = [&](TObject* s) {
    ++pictures;
    f_->PictureShowStart(s);
  };
  f_->btPlayClick(f_->btPlay);
  EXPECT_EQ(f_->LoadedFile, ifo);
  EXPECT_EQ(f_->FilterGraph1->State(), gsPlaying);
  EXPECT_TRUE(PumpUntil([&] { return ShownFrame(f_) == 0; }, 20000));
  ASSERT_TRUE(PumpUntil([&] { return pictures == 1; }, 30000));
  EXPECT_EQ(f_->ListMedia->ItemIndex(), 1);
  EXPECT_EQ(Status().find("Error"), String::npos) << Status();
  f_->btStopClick(f_->btStop);
}

TEST_F(MediaPlaybackTest, NoCheckedLineSelectsTheFirstAndPlaysNothing) {
  // "Play" without a selection and "Next" on line 2, the transport stopped,
  // each clicked as the operator does.
  struct Case {
    TToolButton* button;
    int selected;
  };
  Picture("a.bmp", clRed);
  for (const Case& c : {Case{f_->btPlay, -1}, Case{f_->btNextChapter, 2}}) {
    SCOPED_TRACE(c.button->Name());
    List({"a.bmp", "a.bmp", "a.bmp"});
    for (int i = 0; i < 3; ++i) f_->ListMedia->SetChecked(i, false);
    f_->ListMedia->SetItemIndex(c.selected);
    const TPoint mid(c.button->Width() / 2, c.button->Height() / 2);
    SendMouseButton(c.button, mbLeft, true, mid);
    SendMouseButton(c.button, mbLeft, false, mid);
    EXPECT_EQ(f_->ListMedia->ItemIndex(), 0);
    // Only the new line is highlighted.
    EXPECT_EQ(f_->ListMedia->SelCount(), 1);
    EXPECT_TRUE(f_->ListMedia->Selected(0));
    EXPECT_EQ(State(), 1);
    EXPECT_FALSE(f_->PictureShow->Busy());
  }
}

TEST_F(MediaPlaybackTest, GoalClipReturnsAfterItsDurationWithTheOutputsHome) {
  const String clip = Clip("goal.avi", 25);
  const int64_t t0 = GetTickCount64();
  f_->PlayClipBlocking(clip);
  EXPECT_GE(GetTickCount64() - t0, 1000);
  EXPECT_EQ(f_->DSVideoWindowEx1->Parent(), f_->PanelMedia);
  EXPECT_EQ(f_->PictureShow->Parent(), f_->PanelMedia);
  EXPECT_FALSE(f_->FilterGraph1->Active());
  EXPECT_TRUE(bool(f_->FilterGraph1->OnGraphComplete));
}

TEST_F(MediaPlaybackTest, AFailingGoalClipStillCountsTheGoal) {
  form_->bSud_Gol1->SetHint(Pics() + "nothing.avi");
  const int before = form_->seSud_Schet1->Value();
  form_->bGolClick(form_->bSud_Gol1);
  EXPECT_EQ(form_->seSud_Schet1->Value(), before + 1);
  EXPECT_EQ(Status(), "Error file " + Pics() + "nothing.avi");
  EXPECT_EQ(f_->DSVideoWindowEx1->Parent(), f_->PanelMedia);
  EXPECT_TRUE(bool(f_->FilterGraph1->OnGraphComplete));
}

TEST_F(MediaPlaybackTest, GoalClipStopsTheListFirst) {
  Clip("c.avi", 50);
  const String goal = Clip("goal.avi", 5);
  List({"c.avi"});
  f_->btPlayClick(f_->btPlay);
  ASSERT_EQ(State(), 2);
  f_->PlayClipBlocking(goal);
  EXPECT_EQ(State(), 1);
  EXPECT_TRUE(f_->LoadedFile.empty());
}

TEST_F(MediaPlaybackTest, SendingReklamaWhileAClipPlaysRestartsItOnTheOutput) {
  Clip("c.avi", 50);
  List({"c.avi"});
  f_->btPlayClick(f_->btPlay);
  ASSERT_TRUE(form_->MediaGraphActive());
  Send(form_->Sheet_Media);
  EXPECT_EQ(f_->DSVideoWindowEx1->Parent(), form_->PanelTabloColor);
  EXPECT_TRUE(f_->DSVideoWindowEx1->Visible());
  EXPECT_EQ(f_->FilterGraph1->State(), gsPlaying);
  EXPECT_EQ(f_->LoadedFile, Pics() + "c.avi");
  // A frame of the clip drawn there.
  const TRect r = f_->DSVideoWindowEx1->BoundsRect();
  TBitmap out(form_->PanelTabloColor->Width(), form_->PanelTabloColor->Height());
  const int x = std::clamp(r.Left + r.Width() * 3 / 4, 0, out.Width() - 1);
  const int y = std::clamp(r.Top + r.Height() * 3 / 4, 0, out.Height() - 1);
  EXPECT_TRUE(PumpUntil([&] {
    form_->PanelTabloColor->PaintTo(out.Canvas(), 0, 0);
    return FrameAt(out, x, y) >= 0;
  }));
  // Another page sent: the clip stops and the outputs go home.
  Send(form_->Sheet_Clock);
  EXPECT_EQ(f_->DSVideoWindowEx1->Parent(), f_->PanelMedia);
  EXPECT_FALSE(f_->FilterGraph1->Active());
  EXPECT_EQ(State(), 1);
}

TEST_F(MediaPlaybackTest, FrameShapeInTheOutputArea) {
  form_->ImageBlack->SetWidth(1024);
  form_->ImageBlack->SetHeight(256);
  const struct {
    int aspect;
    TRect want;
  } rows[] = {{0, TRect(0, -281, 1024, -281 + 819)}, {1, TRect(352, 0, 352 + 320, 256)}, {2, TRect(0, 0, 1024, 256)}};
  f_->rgMediaAspect->SetItemIndex(0);
  f_->rgMediaAspectClick(nullptr);   // no size known yet: nothing moves
  const TRect before = f_->DSVideoWindowEx1->BoundsRect();
  EXPECT_EQ(f_->DSVideoWindowEx1->BoundsRect(), before);
  f_->FilterGraph1GraphVideoSizeChanged(nullptr, 720, 576);
  for (const auto& r : rows) {
    f_->rgMediaAspect->SetItemIndex(r.aspect);
    f_->rgMediaAspectClick(nullptr);
    EXPECT_EQ(f_->DSVideoWindowEx1->BoundsRect(), r.want) << r.aspect;
  }
  // A size of 0 keeps the bounds and the kept size.
  const intptr_t tag = f_->FilterGraph1->Tag();
  f_->FilterGraph1GraphVideoSizeChanged(nullptr, 0, 0);
  EXPECT_EQ(f_->FilterGraph1->Tag(), tag);
  EXPECT_EQ(f_->DSVideoWindowEx1->BoundsRect(), rows[2].want);
}

TEST_F(MediaPlaybackTest, RatePresetsVolumeAndTimeTexts) {
  for (auto [pct, pos] : std::vector<std::pair<int, int>>{{25, -20}, {75, -5}, {150, 5}, {200, 10}, {100, 0}}) {
    TMenuItem item(nullptr);
    item.SetTag(pct);
    f_->N2001Click(&item);
    EXPECT_EQ(f_->RateLevel->Position(), pos) << pct;
  }
  Clip("c.avi", 25);
  List({"c.avi"});
  f_->btPlayClick(f_->btPlay);
  ASSERT_TRUE(PumpUntil([&] { return f_->FilterGraph1->State() == gsPlaying; }));
  f_->RateLevel->SetPosition(5);
  EXPECT_EQ(f_->RateLevel->Tag(), 150);
  // Rate 0.0 is refused: the one in effect stays.
  f_->RateLevel->SetPosition(-30);
  EXPECT_EQ(f_->RateLevel->Tag(), 150);
  f_->SoundLevel->SetPosition(5000);
  EXPECT_EQ(f_->FilterGraph1->Volume(), 5000);
  for (auto [s, text] : std::vector<std::pair<int, const char*>>{{187, "3.07"}, {59, "0.59"}, {60, "1.00"}})
    EXPECT_EQ(MinutesSecondsText(s, '.'), text);
}

// The clips of a list shown one after another: every paint of the video
// window is noted by the width of the frame it draws (each clip has its own)
// and the frame's number, once per change.
struct PaintLog {
  std::vector<std::pair<int, int>> shown;   // width, frame number
  // The widths in the order they came, each once per run of paints.
  std::vector<int> Clips() const {
    std::vector<int> w;
    for (auto& s : shown)
      if (w.empty() || w.back() != s.first) w.push_back(s.first);
    return w;
  }
  // The frame number of each clip's first paint.
  std::vector<int> FirstFrames() const {
    std::vector<int> f;
    for (size_t i = 0; i < shown.size(); ++i)
      if (i == 0 || shown[i].first != shown[i - 1].first) f.push_back(shown[i].second);
    return f;
  }
  void Watch(TDSVideoWindowEx2* w) {
    w->OnPaint = [this, w](TObject*) {
      ComPtr<IVideoFrameSource> src = QueryAs<IVideoFrameSource>(static_cast<IFilterProvider*>(w));
      TVideoFrame fr;
      if (!src || !src->LatestFrame(fr) || !fr.Bits) return;
      const uint8_t* px = fr.Bits + (fr.Height * 3 / 4) * fr.Stride + (fr.Width * 3 / 4) * 4;
      const std::pair<int, int> now(fr.Width, clips::DecodeColour(px[2], px[1], px[0]));
      if (shown.empty() || shown.back() != now) shown.push_back(now);
    };
  }
};

// While a clip plays, the next checked line's clip is made ready; what the
// operator does meanwhile, a next clip that does not play and a handler that
// fails when the ready clip is taken still decide what comes next.
TEST_F(MediaPlaybackTest, ClipsOfAListPlayInOrderEachFromItsOwnFirstFrame) {
  enum Meanwhile { Nothing, UncheckTheNext, TheNextIsBroken, TheNextIsWrittenAgain, TakingTheNextFails };
  for (Meanwhile m : {Nothing, UncheckTheNext, TheNextIsBroken, TheNextIsWrittenAgain, TakingTheNextFails}) {
    SCOPED_TRACE(int(m));
    Clip("a.avi", 50, 176, 144);   // two seconds
    if (m == TheNextIsBroken) Write("b.avi", "RIFF\x10\0\0\0AVI junk that is no clip");
    else Clip("b.avi", 10, 160, 120);
    Clip("c.avi", 5, 128, 96);
    List({"a.avi", "b.avi", "c.avi"});
    form_->Show();
    form_->PageControl2->SetActivePage(form_->Sheet_Tablo);
    form_->PageControl1->SetActivePage(form_->Sheet_Media);
    PaintLog log;
    log.Watch(f_->DSVideoWindowEx1);
    hands::Click(f_->btPlay);
    if (m != TheNextIsBroken) {
      ASSERT_TRUE(PumpUntil([&] { return f_->FilterGraph1->PreparedFile() == Pics() + "b.avi" && f_->FilterGraph1->PreparedReady(); }));
    }
    if (m == UncheckTheNext) {
      const TRect r = f_->ListMedia->ItemRect(1);
      hands::Click(f_->ListMedia, TPoint(r.Left + 6, (r.Top + r.Bottom) / 2));
      ASSERT_FALSE(f_->ListMedia->Checked(1));
    }
    if (m == TheNextIsWrittenAgain) Clip("b.avi", 10, 144, 112);
    bool failOnce = m == TakingTheNextFails;
    f_->FilterGraph1->OnActivate = [&](TObject*) {
      if (std::exchange(failOnce, false)) throw std::runtime_error("a handler fails");
    };
    const size_t clipsShown = m == Nothing || m == TheNextIsWrittenAgain ? 3u : 2u;
    ASSERT_TRUE(PumpUntil([&] { return log.Clips().size() == clipsShown && log.shown.back().first == 128; }, 12000))
        << ::testing::PrintToString(log.shown);
    const std::vector<int> want = m == Nothing                 ? std::vector<int>{176, 160, 128}
                                  : m == TheNextIsWrittenAgain ? std::vector<int>{176, 144, 128}
                                                               : std::vector<int>{176, 128};
    EXPECT_EQ(log.Clips(), want) << ::testing::PrintToString(log.shown);
    EXPECT_EQ(log.FirstFrames(), std::vector<int>(want.size(), 0)) << ::testing::PrintToString(log.shown);
    const bool bFails = m == TheNextIsBroken || m == TakingTheNextFails;
    EXPECT_EQ(Status(), bFails ? "Error file " + Pics() + "b.avi" : String());
    EXPECT_FALSE(failOnce);
    // The list's panel is repainted again after each change, and the clip
    // panel stayed on view, the preview telling there is no picture.
    EXPECT_EQ(LockedWindow(), nullptr);
    EXPECT_TRUE(f_->ControlAVIs->Visible());
    EXPECT_FALSE(f_->ControlPics->Visible());
    EXPECT_EQ(f_->PicsImageSize->Caption(), "???");
    hands::Click(f_->btStop);
    f_->DSVideoWindowEx1->OnPaint = nullptr;
    f_->FilterGraph1->OnActivate = nullptr;
    form_->ClearStatusError("Error file " + Pics() + "b.avi");
  }
}

// The list emptied with "New" while its clip plays (the next one made
// ready): the clip ends without a complaint and nothing more plays.
TEST_F(MediaPlaybackTest, AListEmptiedWhileItsClipPlaysEndsQuietly) {
  Clip("a.avi", 25);
  Clip("b.avi", 5);
  List({"a.avi", "b.avi"});
  hands::Click(f_->btPlay);
  ASSERT_TRUE(PumpUntil([&] { return f_->FilterGraph1->PreparedReady(); }));
  hands::Click(f_->bMedia_New);
  ASSERT_TRUE(PumpUntil([&] { return f_->FilterGraph1->State() == gsPaused; }));
  // The advance, posted at the end, found nothing to play: the picture
  // panel is back.
  ASSERT_TRUE(PumpUntil([&] { return f_->ControlPics->Visible(); }));
  EXPECT_TRUE(requests_.empty()) << requests_.front().Msg;
  EXPECT_EQ(f_->eFilesCount->Caption(), "0:0");
}

// Stop while the next clip waits prerolled leaves nothing behind: no graph
// made ready, nothing playing.
TEST_F(MediaPlaybackTest, StopWhileTheNextClipIsReadyLeavesNothingRunning) {
  Clip("a.avi", 50);
  Clip("b.avi", 10);
  List({"a.avi", "b.avi"});
  hands::Click(f_->btPlay);
  ASSERT_TRUE(PumpUntil([&] { return f_->FilterGraph1->PreparedReady(); }));
  EXPECT_EQ(f_->FilterGraph1->PreparedFile(), Pics() + "b.avi");
  hands::Click(f_->btStop);
  EXPECT_EQ(f_->FilterGraph1->PreparedFile(), "");
  EXPECT_FALSE(f_->FilterGraph1->PreparedReady());
  EXPECT_NE(f_->FilterGraph1->State(), gsPlaying);
  mediatest::Pump(300);
  EXPECT_EQ(f_->LoadedFile, "");
  EXPECT_EQ(State(), 1);
}

// An MPEG-2 program stream as the ffmpeg program writes it (its times start
// at about 0.54 s) after another clip: its frames are shown as they come, its
// first one is not held until the clock reaches the stream's first time.
TEST_F(MediaPlaybackTest, AnMpeg2ClipAfterAnotherDoesNotHoldItsFirstFrame) {
  Clip("a.avi", 5);
  const std::string cmd = "ffmpeg -y -loglevel error -f lavfi -i testsrc=size=176x144:rate=25 -t 1 -c:v mpeg2video "
                          "-g 12 -f vob '" + Pics() + "late.mpg' </dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  List({"a.avi", "late.mpg"});
  TVideoFrame seen;
  auto lateFrame = [&] {
    if (f_->LoadedFile.find("late.mpg") == String::npos || f_->FilterGraph1->State() != gsPlaying) return false;
    TFilterList filters(f_->FilterGraph1->Query<IFilterGraph2>().Get());
    for (int i = 0; i < filters.Count(); ++i)
      if (ComPtr<IVideoFrameSource> r = QueryAs<IVideoFrameSource>(filters.Items(i)))
        if (r->LatestFrame(seen) && seen.Time >= 8000000) return true;
    return false;
  };
  SendMouseButton(f_->btPlay, mbLeft, true, Point(2, 2));
  SendMouseButton(f_->btPlay, mbLeft, false, Point(2, 2));
  ASSERT_TRUE(PumpUntil(lateFrame, 10000));
  // Shown when the clock has run from the first frame, not from time 0.
  EXPECT_LT(seen.RunningTime, seen.Time - 5000000) << seen.Time << " shown at " << seen.RunningTime;
  f_->btStopClick(f_->btStop);
}

TEST_F(MediaPlaybackTest, FrameStepWhilePausedShowsTheNextFrame) {
  Clip("c.avi", 40);
  List({"c.avi"});
  // The frame the video window shows.
  auto frameNo = [&] {
    TDSVideoWindowEx2* w = f_->DSVideoWindowEx1;
    TBitmap b(w->Width(), w->Height());
    w->PaintTo(b.Canvas(), 0, 0);
    return FrameAt(b, b.Width() * 3 / 4, b.Height() * 3 / 4);
  };
  // The operator's clicks: each lands after what the one before posted has
  // run, as real input does.
  auto click = [](TControl* c) {
    SendMouseButton(c, mbLeft, true, Point(2, 2));
    SendMouseButton(c, mbLeft, false, Point(2, 2));
  };
  click(f_->btPlay);
  ASSERT_TRUE(PumpUntil([&] { return frameNo() >= 1; }));
  click(f_->btPause);
  // The step button comes back once the pause is complete.
  ASSERT_TRUE(PumpUntil([&] { return f_->btFrameStep->Enabled(); }));
  int now = frameNo();
  ASSERT_GE(now, 1);
  // One click, one frame; two clicks before the first frame shows, two frames.
  for (int clicks : {1, 1, 2, 1}) {
    for (int k = 0; k < clicks; ++k) click(f_->btFrameStep);
    EXPECT_TRUE(PumpUntil([&] { return frameNo() == now + clicks; }, 5000))
        << clicks << " click(s) from frame " << now << " show frame " << frameNo();
    now = frameNo();
  }
}

}  // namespace

// TABLO_AUDIO_SINK may name several elements: they make one sound output, and
// a clip with sound plays on it at once.
TEST_F(MediaPlaybackTest, ASoundOutputOfSeveralElementsPlaysClipsWithSound) {
  RestartWithSoundOutput("audioconvert ! audioresample ! fakesink sync=true");
  EXPECT_EQ(Status(), "");
  clips::Make(Pics() + "s.avi", clips::Kind::AviWithAudio, 10);
  List({"s.avi"});
  hands::Click(f_->btPlay);
  EXPECT_EQ(Status(), "");
  EXPECT_EQ(f_->LoadedFile, Pics() + "s.avi");
  EXPECT_EQ(f_->FilterGraph1->State(), gsPlaying);
  hands::Click(f_->btStop);
  EXPECT_EQ(State(), 1);
}

// A sound output that cannot be made is said once, at start, and the default
// one is used.
TEST_F(MediaPlaybackTest, ASoundOutputThatCannotBeMadeIsReportedAtStart) {
  RestartWithSoundOutput("nosuchsoundsink ! fakesink");
  EXPECT_EQ(Status(),
            "The sound output TABLO_AUDIO_SINK=\"nosuchsoundsink ! fakesink\" cannot be made (no element "
            "\"nosuchsoundsink\"); the default sound output is used.");
}

// While a clip is rendered (its sound output takes half a second to receive
// its first buffer), timers go on: the match clock and the running text keep
// moving and the output keeps painting.
TEST_F(MediaPlaybackTest, TimersRunWhileAClipIsRendered) {
  RestartWithSoundOutput("identity sleep-time=500000 ! fakesink sync=false");
  clips::Make(Pics() + "s.avi", clips::Kind::AviWithAudio, 10);
  List({"s.avi"});
  int ticks = 0;
  bool inPlay = false;
  TTimer timer(nullptr);
  timer.SetInterval(20);
  // Ticks while the clip is being rendered (it has no name as the loaded
  // file yet), not after.
  timer.OnTimer = [&](TObject*) { ticks += inPlay && f_->LoadedFile.empty(); };
  timer.SetEnabled(true);
  inPlay = true;
  hands::Click(f_->btPlay);
  inPlay = false;
  EXPECT_EQ(Status(), "");
  EXPECT_EQ(f_->LoadedFile, Pics() + "s.avi");
  EXPECT_GT(ticks, 0);
  hands::Click(f_->btStop);
}

// Paused, the position label follows the operator's seek with the position
// bar (held a moment, then let go) and the frame steps.
TEST_F(MediaPlaybackTest, PositionLabelFollowsSeeksAndFrameStepsWhilePaused) {
  Clip("c.avi", 50);
  List({"c.avi"});
  hands::Click(f_->btPlay);
  // Past the first second (the label reads 0.01 from there).
  ASSERT_TRUE(PumpUntil([&] { return ShownFrame(f_) >= 26; }));
  hands::Click(f_->btPause);
  ASSERT_TRUE(PumpUntil([&] { return f_->btFrameStep->Enabled(); }));
  const TPoint left(2, f_->DSTrackBar1->Height() / 2);
  SendMouseButton(f_->DSTrackBar1, mbLeft, true, left);
  mediatest::Pump(700);
  SendMouseButton(f_->DSTrackBar1, mbLeft, false, left);
  ASSERT_TRUE(PumpUntil([&] { return ShownFrame(f_) == 0; }));
  ASSERT_TRUE(PumpUntil([&] { return f_->LabelMedia->Caption() == "0.00"; })) << f_->LabelMedia->Caption();
  // 27 frames on, past the first second; the label reads the frame's time
  // (frames 0 to 24 lie in second 0; those next to the edge are not asked).
  for (int now = 0; now < 27; ++now) {
    hands::Click(f_->btFrameStep);
    ASSERT_TRUE(PumpUntil([&] { return ShownFrame(f_) == now + 1; }, 5000)) << now;
    const int frame = now + 1;
    if (frame > 22 && frame < 27) continue;
    const String want = frame < 25 ? "0.00" : "0.01";
    EXPECT_TRUE(PumpUntil([&] { return f_->LabelMedia->Caption() == want; }, 3000))
        << "frame " << frame << ": " << f_->LabelMedia->Caption();
  }
}

// Stopped, a clip has no frame to step on from: the button is off and a click
// on it changes nothing.
TEST_F(MediaPlaybackTest, FrameStepIsOffOnceStopped) {
  Clip("c.avi", 40);
  List({"c.avi"});
  hands::Click(f_->btPlay);
  ASSERT_TRUE(PumpUntil([&] { return ShownFrame(f_) >= 1; }));
  hands::Click(f_->btPause);
  ASSERT_TRUE(PumpUntil([&] { return f_->btFrameStep->Enabled(); }));
  hands::Click(f_->btStop);
  EXPECT_FALSE(f_->btFrameStep->Enabled());
  const int shown = ShownFrame(f_);
  hands::Click(f_->btFrameStep);
  mediatest::Pump(300);
  EXPECT_EQ(ShownFrame(f_), shown);
}

// Stop during a picture's transition: the output shows the whole picture, no
// part of the effect's half-drawn frame.
TEST_F(MediaPlaybackTest, StopDuringATransitionLeavesTheWholePicture) {
  {
    // As large as the picture show: it covers all of it.
    TBitmap b(f_->PictureShow->Width(), f_->PictureShow->Height());
    b.Fill(clBlue);
    b.SaveToFile(Pics() + "a.bmp");
  }
  List({"a.bmp"});
  form_->Show();
  hands::ChooseSheet(form_->Sheet_Tablo);
  hands::ChooseSheet(form_->Sheet_Media);
  bool stopped = false;
  f_->PictureShow->OnProgress = [&](TObject*) {
    if (stopped || f_->PictureShow->Progress() < 40) return;
    stopped = true;
    hands::Click(f_->btStop);   // the operator's click, taken by the transition's message loop
  };
  hands::Click(f_->btPlay);
  ASSERT_TRUE(stopped);
  EXPECT_FALSE(f_->PictureShow->Busy());
  TPictureShow* show = f_->PictureShow;
  TBitmap shown(show->Width(), show->Height());
  show->PaintTo(shown.Canvas(), 0, 0);
  int other = 0;
  for (int y = 0; y < shown.Height(); y += 2)
    for (int x = 0; x < shown.Width(); x += 2) other += shown.Canvas()->Pixel(x, y) != clBlue;
  EXPECT_EQ(other, 0);
  EXPECT_EQ(State(), 1);
}

TEST_F(MediaPlaybackTest, AnItemsMessageGoesWhenItsListStopsOrIsReplaced) {
  // A good picture keeps the list playing after the broken one's message.
  Picture("a.bmp", clRed);
  struct Case {
    const char* name;
    std::function<void()> end;
  };
  const Case cases[] = {
      {"Stop clicked", [&] { hands::Click(f_->btStop); }},
      {"another list", [&] { List({"a.bmp"}); }},
      {"list emptied", [&] { hands::Click(f_->bMedia_New); }},
  };
  form_->SetStatusMinShowMs(0);   // each case's message at once
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    List({"gone.bmp", "a.bmp"});
    hands::Click(f_->btPlay);
    ASSERT_TRUE(PumpUntil([&] { return Status() == "Error file " + Pics() + "gone.bmp"; }));
    c.end();
    EXPECT_EQ(Status(), "");
    if (f_->btStop->Enabled()) hands::Click(f_->btStop);
  }
}

// The operator's transport, clicked while the list waits inside an item: a
// movie's load, a picture's transition, a goal clip. Each row says what the
// operator sees once the click has been handled; nothing stale follows it
// (no error, no advance from the item it ended).
struct TransportRow {
  const char* name;
  TToolButton* TFrameMedia::*button;
  int state;    // transport state after the click
  int line;     // selected line after it
  bool shown;   // the item's output still shown
};

TEST_F(MediaPlaybackTest, TransportClickedWhileAMovieLoads) {
  Write("m.swf", "FWS");
  Picture("a.bmp", clRed);
  const TransportRow rows[] = {
      {"Stop", &TFrameMedia::btStop, 1, 0, false},          // the movie is neither shown nor played
      {"Pause", &TFrameMedia::btPause, 3, 0, true},         // shown on its first frame, not played
      {"Next", &TFrameMedia::btNextChapter, 2, 1, false},   // the next item plays instead
  };
  for (const TransportRow& r : rows) {
    SCOPED_TRACE(r.name);
    List({"m.swf", "a.bmp"});
    auto owned = std::make_unique<FakeFlashPlayer>(1000000, nullptr);
    FakeFlashPlayer* player = owned.get();
    f_->ShockwaveFlashEx1->SetPlayer(std::move(owned));
    int state = -1, line = -1;
    bool shown = false, played = false;
    player->onLoad = [&] {
      hands::Click(f_->*r.button);   // taken by the load's wait
      QTimer::singleShot(0, [&] {
        state = State();
        line = f_->ListMedia->ItemIndex();
        shown = f_->ShockwaveFlashEx1->Visible();
        played = player->Playing();
        if (f_->btStop->Enabled()) hands::Click(f_->btStop);
      });
    };
    hands::Click(f_->btPlay);
    ASSERT_TRUE(PumpUntil([&] { return state >= 0; }));
    EXPECT_EQ(state, r.state);
    EXPECT_EQ(line, r.line);
    EXPECT_EQ(shown, r.shown);
    EXPECT_FALSE(played);
    WaitFor(nullptr, 0);   // what was posted meanwhile (a stale advance would be)
    EXPECT_EQ(Status().find("Error"), String::npos) << Status();
    EXPECT_EQ(f_->ListMedia->ItemIndex(), r.line);
    EXPECT_EQ(State(), 1);
  }
}

TEST_F(MediaPlaybackTest, TransportClickedDuringAPicturesTransition) {
  Picture("a.bmp", clRed);
  Picture("b.bmp", clBlue);
  const TransportRow rows[] = {
      {"Stop", &TFrameMedia::btStop, 1, 0, true},           // the whole picture stays; no pause
      {"Pause", &TFrameMedia::btPause, 3, 0, true},         // the transition ends; no pause
      {"Next", &TFrameMedia::btNextChapter, 2, 1, true},    // the next picture comes in
  };
  for (const TransportRow& r : rows) {
    SCOPED_TRACE(r.name);
    List({"a.bmp", "b.bmp"});
    bool clicked = false;
    f_->PictureShow->OnStart = [&](TObject* s) {
      f_->PictureShowStart(s);
      if (std::exchange(clicked, true)) return;
      QTimer::singleShot(0, [&] { hands::Click(f_->*r.button); });   // inside the transition's wait
    };
    hands::Click(f_->btPlay);
    ASSERT_TRUE(clicked);
    EXPECT_EQ(State(), r.state);
    EXPECT_EQ(f_->ListMedia->ItemIndex(), r.line);
    EXPECT_EQ(f_->PictureShow->Visible(), r.shown);
    // A pause runs only for the picture the list went on to.
    EXPECT_EQ(f_->TimerDelayPics->Enabled(), r.state == 2);
    EXPECT_FALSE(f_->PictureShow->Busy());
    if (f_->btStop->Enabled()) hands::Click(f_->btStop);
  }
  f_->PictureShow->OnStart = [this](TObject* s) { f_->PictureShowStart(s); };
}

// A goal clip lets in only the operator's Stop and Escape (they cut the clip
// short); Pause and Next wait for its end, and the list does not start under
// it.
TEST_F(MediaPlaybackTest, TransportClickedDuringAGoalClip) {
  Picture("a.bmp", clRed);
  const String goal = Clip("goal.avi", 25);
  const auto click = [this](TToolButton* TFrameMedia::*button) { return [this, button] { hands::Click(f_->*button); }; };
  const struct {
    const char* name;
    std::function<void()> act;
    bool cuts;
  } rows[] = {{"Stop", click(&TFrameMedia::btStop), true},
              {"Escape", [this] { sendKey(form_->Widget(), Qt::Key_Escape); }, true},
              {"Pause", click(&TFrameMedia::btPause), false},
              {"Next", click(&TFrameMedia::btNextChapter), false}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    List({"a.bmp"});
    bool clicked = false, letIn = false, looked = false, waitedOn = false;
    // Once the clip plays (its Stop is offered) the operator acts: Stop's
    // handler gives the list back, Escape is noted. A clip not cut still
    // offers its Stop at the next turn of the loop.
    std::function<void()> whenPlaying = [&] {
      if (!f_->btStop->Enabled()) {
        QTimer::singleShot(0, whenPlaying);
        return;
      }
      clicked = true;
      f_->ListMedia->SetEnabled(false);
      form_->EscapePending = false;
      r.act();
      letIn = f_->ListMedia->Enabled() || form_->EscapePending;
      QTimer::singleShot(0, [&] {
        waitedOn = f_->btStop->Enabled();
        looked = true;
      });
    };
    QTimer::singleShot(0, whenPlaying);
    f_->PlayClipBlocking(goal);
    ASSERT_TRUE(clicked);
    ASSERT_TRUE(PumpUntil([&] { return looked; }));
    EXPECT_EQ(letIn, r.cuts);
    if (!r.cuts) EXPECT_TRUE(waitedOn);
    f_->ListMedia->SetEnabled(true);
    EXPECT_EQ(State(), 1);
    EXPECT_EQ(f_->ListMedia->ItemIndex(), 0);
    EXPECT_FALSE(f_->PictureShow->Busy());
    EXPECT_FALSE(f_->FilterGraph1->Active());
    EXPECT_EQ(f_->DSVideoWindowEx1->Parent(), f_->PanelMedia);
  }
}

// Next during a picture's pause leaves the picture with its pause: its timer,
// whose pause is over by the clock once the next item shows, cuts short
// neither the picture nor the movie that comes next, and runs not at all.
TEST_F(MediaPlaybackTest, NextDuringAPicturesPauseEndsThatPause) {
  Picture("a.bmp", clRed);
  Picture("b.bmp", clBlue);
  Write("m.swf", "FWS");
  for (const char* next : {"b.bmp", "m.swf"}) {
    SCOPED_TRACE(next);
    List({"a.bmp", next, "a.bmp"});
    f_->ShockwaveFlashEx1->SetPlayer(std::make_unique<FakeFlashPlayer>(150, nullptr));   // 1.5 s
    f_->PictureShow->SetDelay(1);
    hands::Click(f_->btPlay);   // a's transition runs inside
    ASSERT_TRUE(f_->TimerDelayPics->Enabled());
    // The next item lasts longer than the timer's second (25 frames of 60 ms
    // for the picture).
    f_->PictureShow->SetDelay(60);
    TShockwaveFlashEx* flash = f_->ShockwaveFlashEx1;
    const bool movie = String(next) == "m.swf";
    bool shown = false, ended = false, cut = false, pauseRan = false;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
      const bool onNext = f_->ListMedia->ItemIndex() == 1;
      if (!shown && onNext && (f_->PictureShow->Busy() || flash->Playing())) {
        shown = true;
        tick_ += 1000 * f_->PicsShowPause->Value() + 10;
      }
      if (!shown || ended) return;
      const bool itsEnd = movie ? flash->CurrentFrame() >= flash->TotalFrames() - 1 : !f_->PictureShow->Busy();
      ended = itsEnd;
      cut = cut || (!onNext && !itsEnd);
      pauseRan = pauseRan || (!itsEnd && f_->TimerDelayPics->Enabled());
    });
    look.start(1);
    hands::Click(f_->btNextChapter);
    ASSERT_TRUE(PumpUntil([&] { return ended || cut; }, 30000));
    look.stop();
    EXPECT_FALSE(cut);
    EXPECT_FALSE(pauseRan);
    hands::Click(f_->btStop);
  }
}

// Next during a movie: the next movie plays once the current one's wait has
// returned, never inside it, so the stack is as deep at every movie's load
// however often the operator goes on (each Next went about 2.8 KB deeper).
TEST_F(MediaPlaybackTest, NextDuringMoviesKeepsTheStackAsDeep) {
  Write("m.swf", "FWS");
  Write("n.swf", "FWS");
  List({"m.swf", "n.swf"});
  std::vector<uintptr_t> depths;   // at each movie's load
  auto owned = std::make_unique<FakeFlashPlayer>(1000000, &depths);
  FakeFlashPlayer* player = owned.get();
  f_->ShockwaveFlashEx1->SetPlayer(std::move(owned));
  int nexts = 0;
  // Each movie, once it plays, is left by Next; after 200 the list stops.
  player->onPlay = [&] {
    QTimer::singleShot(0, [&] { hands::Click(nexts++ < 200 ? f_->btNextChapter : f_->btStop); });
  };
  hands::Click(f_->btPlay);
  ASSERT_TRUE(PumpUntil([&] { return State() == 1; }, 60000));
  ASSERT_EQ(depths.size(), 201u);
  const auto [lo, hi] = std::minmax_element(depths.begin(), depths.end());
  EXPECT_LT(*hi - *lo, 1024u) << "the stack grew by " << (*hi - *lo) << " bytes";
  EXPECT_EQ(f_->ListMedia->ItemIndex(), 0);   // 201 movies of two lines: on the first again
}

// Stop, or another page sent over the media page, with the operator's Play
// coming at once after it: Play is served after all that Stop does, and the
// clip plays (started inside Stop, it was torn down by Stop's rest, the
// transport saying "playing" with no graph).
TEST_F(MediaPlaybackTest, PlayAtOnceAfterStopPlays) {
  Clip("c.avi", 50);
  using AtOnce = std::function<void()>;
  const struct {
    const char* name;
    std::function<void(const AtOnce&)> stop;   // runs what comes at once
  } rows[] = {
      {"Stop",
       [this](const AtOnce& play) {
         QTimer::singleShot(0, play);
         hands::Click(f_->btStop);
       }},
      {"another page sent",
       [this](const AtOnce& play) {
         hands::ChooseSheet(form_->Sheet_Clock);
         QTimer::singleShot(0, play);
         hands::ChooseSheet(form_->PageControl1->Pages(0));
       }},
  };
  form_->Show();
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    List({"c.avi"});
    Send(form_->Sheet_Media);
    hands::Click(f_->btPlay);
    ASSERT_TRUE(PumpUntil([&] { return f_->FilterGraph1->State() == gsPlaying; }));
    bool played = false;
    r.stop([&] {
      hands::Click(f_->btPlay);
      played = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return played; }));
    EXPECT_EQ(State(), 2);
    EXPECT_TRUE(f_->FilterGraph1->Active());
    EXPECT_EQ(f_->FilterGraph1->State(), gsPlaying);
    EXPECT_EQ(f_->LoadedFile, Pics() + "c.avi");
    // The list is kept from the operator only while its page is on the screen.
    EXPECT_EQ(f_->ListMedia->Enabled(), ScreenPage != 7);
    hands::Click(f_->btStop);
  }
}

// A clip whose render is abandoned (its graph went while the render waited)
// is no clip played: it is reported and the list goes on.
TEST_F(MediaPlaybackTest, AClipWhoseRenderIsAbandonedIsReportedAndTheListGoesOn) {
  Clip("c.avi", 10);
  Picture("a.bmp", clRed);
  List({"c.avi", "a.bmp"});
  bool gone = false;
  f_->FilterGraph1->OnCreatedFilter = [&](IBaseFilter*, const GUID&) {
    if (!gone && WaitDepth() > 0) {
      gone = true;
      f_->FilterGraph1->SetActive(false);
    }
    return true;
  };
  hands::Click(f_->btPlay);
  ASSERT_TRUE(gone);
  ASSERT_EQ(Status(), "Error file " + Pics() + "c.avi");
  EXPECT_EQ(f_->LoadedFile, "");
  ASSERT_TRUE(PumpUntil([&] { return f_->ListMedia->ItemIndex() == 1 && f_->TimerDelayPics->Enabled(); }));
  EXPECT_EQ(State(), 2);
  f_->FilterGraph1->OnCreatedFilter = nullptr;
  hands::Click(f_->btStop);
}

// The frame-step button follows the graph's pause only while the clip is the
// item: a clip paused at its end under the movie or picture after it gives
// nothing to step, and a click there changes nothing.
TEST_F(MediaPlaybackTest, FrameStepIsOffForTheItemsAfterAClip) {
  Clip("c.avi", 5);
  Write("m.swf", "FWS");
  Picture("a.bmp", clRed);
  for (const char* next : {"m.swf", "a.bmp"}) {
    SCOPED_TRACE(next);
    List({"c.avi", next});
    auto owned = std::make_unique<FakeFlashPlayer>(1000000, nullptr);
    FakeFlashPlayer* player = owned.get();
    f_->ShockwaveFlashEx1->SetPlayer(std::move(owned));
    bool seen = false, stepOffered = true;
    int state = -1;
    const auto look = [&] {
      if (seen || f_->ListMedia->ItemIndex() != 1) return;
      seen = true;
      // The clip's pause at its end is heard meanwhile.
      PumpUntil([&] { return f_->btFrameStep->Enabled(); }, 200);
      stepOffered = f_->btFrameStep->Enabled();
      hands::Click(f_->btFrameStep);
      state = State();
      hands::Click(f_->btStop);
    };
    player->onLoad = [&] { QTimer::singleShot(0, look); };
    f_->PictureShow->OnStart = [&](TObject* s) {
      f_->PictureShowStart(s);
      QTimer::singleShot(0, look);
    };
    hands::Click(f_->btPlay);
    ASSERT_TRUE(PumpUntil([&] { return seen || State() == 1; }));
    ASSERT_TRUE(seen);
    EXPECT_FALSE(stepOffered);
    EXPECT_EQ(state, 2);
  }
  f_->PictureShow->OnStart = [this](TObject* s) { f_->PictureShowStart(s); };
}


// Next while a movie is still loading in the player's page, to another
// movie: the first load is given up and the second movie plays at once (the
// page answered the second load, and the first one's end did not take the
// second's player down with it).
TEST_F(MediaPlaybackTest, NextWhileAMovieLoadsPlaysTheNextMovie) {
  SKIP_WITHOUT_FLASH();
  swf::Movie m;
  m.Frames = 12;
  m.FrameRate = 24;
  swf::Save(Pics() + "m1.swf", m);
  m.Background = 0x008000;
  swf::Save(Pics() + "m2.swf", m);
  Picture("a.bmp", clRed);
  List({"m1.swf", "m2.swf", "a.bmp"});
  form_->Show();
  Send(form_->Sheet_Media);
  TShockwaveFlashEx* flash = f_->ShockwaveFlashEx1;
  bool secondPlayed = false;
  int pictures = 0;
  f_->PictureShow->OnStart = [&](TObject* s) {
    ++pictures;
    f_->PictureShowStart(s);
  };
  QTimer look;
  QObject::connect(&look, &QTimer::timeout, [&] {
    secondPlayed = secondPlayed || (flash->Movie() == Pics() + "m2.swf" && flash->Visible() && flash->Playing());
  });
  look.start(5);
  // The page asks for the first movie's file: its load is under way.
  FlashNoteWatch watch("player/movie/", [&] { QTimer::singleShot(0, [&] { hands::Click(f_->btNextChapter); }); });
  hands::Click(f_->btPlay);
  ASSERT_TRUE(PumpUntil([&] { return pictures == 1 || !Status().empty(); }, 60000));
  EXPECT_TRUE(watch.Seen());
  EXPECT_EQ(Status(), "");
  EXPECT_TRUE(secondPlayed);
  EXPECT_EQ(f_->ListMedia->ItemIndex(), 2);
  f_->btStopClick(f_->btStop);
}

// A movie that the page's player cannot fetch (gone after it was read) is
// reported as soon as the player fails, and the list goes on: the wait does
// not run to the movie's time limit (30 s). (A movie in ActionScript 3 is
// fetched from its file; others from a copy read with it.)
TEST_F(MediaPlaybackTest, AMovieThePlayerCannotFetchIsReportedAtOnce) {
  SKIP_WITHOUT_FLASH();
  swf::Movie m;
  m.ActionScript3 = true;
  swf::Save(Pics() + "m.swf", m);
  Picture("a.bmp", clRed);
  List({"m.swf", "a.bmp"});
  form_->Show();
  Send(form_->Sheet_Media);
  int pictures = 0;
  f_->PictureShow->OnStart = [&](TObject* s) {
    ++pictures;
    f_->PictureShowStart(s);
  };
  // The file goes as the page asks for it.
  FlashNoteWatch watch("player/movie/", [&] { std::remove((Pics() + "m.swf").c_str()); });
  hands::Click(f_->btPlay);
  ASSERT_TRUE(PumpUntil([&] { return pictures == 1; }));
  EXPECT_TRUE(watch.Seen());
  EXPECT_TRUE(watch.Said("the player failed"));
  EXPECT_FALSE(watch.Said("no answer in time"));
  EXPECT_EQ(Status(), "Error file " + Pics() + "m.swf");
  EXPECT_FALSE(f_->ShockwaveFlashEx1->Visible());
  f_->btStopClick(f_->btStop);
}

// Play after Pause loads the movie again: the output keeps the paused frame
// until the movie has drawn its first frame again, with nothing empty (the
// page's own white or black) between them.
TEST_F(MediaPlaybackTest, PlayAfterPauseKeepsTheMoviesFrameUntilItDrawsAgain) {
  SKIP_WITHOUT_FLASH();
  swf::Movie m;
  m.Frames = 48;
  m.FrameRate = 24;
  m.Background = 0x000080;
  swf::Save(Pics() + "m.swf", m);
  Picture("a.bmp", clRed);
  List({"m.swf", "a.bmp"});
  form_->Show();
  Send(form_->Sheet_Media);
  // The middle of the output shows the movie's stage (its background or its
  // square) in every grab from Pause until it plays again.
  int grabs = 0, empty = 0;
  bool clicked = false;
  const bool replayed = PlayWatchingTheOutput(
      [&] {
        if (clicked || !MoviePlaysOn()) return clicked;
        clicked = true;
        QTimer::singleShot(0, [&] {
          hands::Click(f_->btPause);
          hands::Click(f_->btPlay);   // the movie's load runs inside
        });
        return false;
      },
      [&](TBitmap&, TColor mid) {
        ++grabs;
        if (mid != RGB(0x00, 0x00, 0x80) && mid != RGB(0xFF, 0xFF, 0x00)) ++empty;
        return MoviePlaysOn();
      });
  ASSERT_TRUE(replayed);
  EXPECT_GT(grabs, 5);
  EXPECT_EQ(empty, 0) << "of " << grabs << " grabs";
  f_->btStopClick(f_->btStop);
}

// A movie after a picture loads behind it: the output shows the picture
// until the movie has drawn its first frame, with nothing empty (the page's
// own black) between them.
TEST_F(MediaPlaybackTest, AMovieAfterAPictureFollowsThePictureWithNothingEmptyBetween) {
  SKIP_WITHOUT_FLASH();
  swf::Movie m;
  m.Frames = 48;
  m.FrameRate = 24;
  m.Background = 0x000080;
  swf::Save(Pics() + "m.swf", m);
  Picture("a.bmp", clRed);
  List({"a.bmp", "m.swf"});
  form_->Show();
  Send(form_->Sheet_Media);
  // From the picture's pause until the movie plays, the middle of the output
  // shows the picture or the movie's stage (its background or its square).
  int grabs = 0, pictureGrabs = 0, empty = 0;
  bool ended = false;
  const bool played = PlayWatchingTheOutput(
      [&] {
        if (!ended && f_->TimerDelayPics->Enabled()) {
          ended = true;
          QTimer::singleShot(0, [&] { EndPause(); });
        }
        return ended;
      },
      [&](TBitmap&, TColor mid) {
        ++grabs;
        if (mid == clRed) ++pictureGrabs;
        else if (mid != RGB(0x00, 0x00, 0x80) && mid != RGB(0xFF, 0xFF, 0x00)) ++empty;
        return MoviePlaysOn();
      });
  ASSERT_TRUE(played);
  EXPECT_GT(pictureGrabs, 0);
  EXPECT_GT(grabs, pictureGrabs);
  EXPECT_EQ(empty, 0) << "of " << grabs << " grabs";
  f_->btStopClick(f_->btStop);
}

// A movie after a clip (also at the list's wrap) loads behind the video
// window, one after a movie behind that movie: from the end of the item
// before until the movie plays, the output shows that item's last frame or
// the movie, with nothing empty (the page's own black, the player's white
// stage) nor a frame the page kept from a movie before between them.
TEST_F(MediaPlaybackTest, AMovieAfterAClipOrAMovieFollowsItsLastFrameWithNothingEmptyBetween) {
  SKIP_WITHOUT_FLASH();
  struct Row {
    const char* name;
    std::vector<String> lines;
    int first;   // the line Play starts on
    int movie;   // the line of the movie that follows
    TColor stage;   // its background
  };
  // Each row's movie has a stage of its own: a frame the page kept from a
  // row before is not taken for it.
  const std::vector<Row> rows = {
      {"clip to a movie", {"c.avi", "m.swf"}, 0, 1, RGB(0x00, 0x00, 0x80)},
      {"clip to a movie at the wrap", {"w.swf", "c.avi"}, 1, 0, RGB(0x80, 0x00, 0x80)},
      {"movie to a movie", {"n.swf", "g.swf"}, 0, 1, RGB(0x00, 0x60, 0x00)},
  };
  constexpr int kLastFrame = 7;
  Clip("c.avi", kLastFrame + 1);
  swf::Movie m;
  m.Frames = 48;
  m.Background = 0x000080;
  swf::Save(Pics() + "m.swf", m);
  m.Background = 0x800080;
  swf::Save(Pics() + "w.swf", m);
  m.Background = 0x006000;
  swf::Save(Pics() + "g.swf", m);
  m.Frames = 12;
  m.Background = 0x800000;
  swf::Save(Pics() + "n.swf", m);
  form_->Show();
  Send(form_->Sheet_Media);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    List(row.lines);
    f_->ListMedia->SetItemIndex(row.first);
    // Watched from the clip's last frame (the movie before's first) until
    // the next movie is at frame 6.
    int grabs = 0, beforeGrabs = 0, empty = 0;
    bool watching = false;
    const bool played = PlayWatchingTheOutput([] { return true; }, [&](TBitmap& grab, TColor mid) {
      const bool before = FrameAt(grab, grab.Width() / 2, grab.Height() / 2) == kLastFrame || mid == RGB(0x80, 0, 0);
      watching = watching || before;
      if (!watching) return false;
      ++grabs;
      if (before) ++beforeGrabs;
      else if (mid != row.stage && mid != RGB(0xFF, 0xFF, 0x00)) ++empty;
      return f_->ListMedia->ItemIndex() == row.movie && MoviePlaysOn();
    });
    ASSERT_TRUE(played);
    hands::Click(f_->btStop);
    EXPECT_GT(beforeGrabs, 0);
    EXPECT_GT(grabs, beforeGrabs);
    EXPECT_EQ(empty, 0) << "of " << grabs << " grabs";
  }
}
