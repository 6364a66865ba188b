// Rendering and playing clips through TFilterGraph: notifications, failures,
// duration, stop and resume, clearing, frame stepping and rate.
#include <fstream>
#include <map>
#include "media/MediaFixture.h"

using namespace mediatest;
using clips::Kind;

namespace {

class Playback : public ::testing::Test {
 protected:
  void SetUp() override {
    rec = std::make_unique<RecordingGraph>();
    g = rec->graph;
    g->SetActive(true);
  }
  void TearDown() override { rec.reset(); }
  REFERENCE_TIME Position() {
    REFERENCE_TIME p = -1;
    g->Query<IMediaSeeking>()->GetCurrentPosition(&p);
    return p;
  }
  std::unique_ptr<RecordingGraph> rec;
  TFilterGraph* g = nullptr;
};

struct ClipCase {
  Kind kind;
  const char* name;
};

class PlaysToOneComplete : public Playback, public ::testing::WithParamInterface<ClipCase> {};

TEST_P(PlaysToOneComplete, AfterOneClockChangeOnTheMainThread) {
  const std::string clip = Clips::Get().Path(GetParam().kind);
  ASSERT_EQ(g->RenderFile(clip), S_OK);
  ASSERT_TRUE(g->Play());
  ASSERT_TRUE(rec->WaitFor(EC_COMPLETE));
  Pump(150);   // nothing more may follow
  EXPECT_EQ(rec->Count(EC_COMPLETE), 1);
  EXPECT_EQ(rec->Count(EC_CLOCK_CHANGED), 1);
  auto clock = std::find(rec->codes.begin(), rec->codes.end(), EC_CLOCK_CHANGED);
  auto done = std::find(rec->codes.begin(), rec->codes.end(), EC_COMPLETE);
  EXPECT_LT(clock, done);
  EXPECT_TRUE(rec->allOnMain);
}

INSTANTIATE_TEST_SUITE_P(Clips, PlaysToOneComplete,
                         ::testing::Values(ClipCase{Kind::Avi, "Avi"}, ClipCase{Kind::AviWithAudio, "AviWithAudio"},
                                           ClipCase{Kind::Mpg, "Mpg"}, ClipCase{Kind::Asf, "Asf"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

TEST_F(Playback, BadFilesRaiseWithTextAndCodeAndLeaveTheGraphEmpty) {
  struct Case {
    std::string file;
    HRESULT code;
  } cases[] = {
      {Clips::Get().Dir() + "/missing.avi", MEDIA_E_FILE_NOT_FOUND},
      {Clips::Get().Write("broken.avi", std::string(4000, '\x5A')), MEDIA_E_UNSUPPORTED_STREAM},
      {Clips::Get().Write("VTS_01_0.IFO", "DVDVIDEO-VTS"), MEDIA_E_UNSUPPORTED_STREAM},
  };
  for (const Case& c : cases) {
    try {
      g->RenderFile(c.file);
      ADD_FAILURE() << c.file << " rendered";
    } catch (const EDirectShowException& e) {
      EXPECT_EQ(e.ErrorCode, c.code) << c.file;
      EXPECT_EQ(e.Message, GetErrorString(c.code) + " ($" + IntToHex(uint32_t(c.code), 1) + ").") << c.file;
    }
    EXPECT_EQ(TFilterList(g->Query<IFilterGraph2>().Get()).Count(), 0) << c.file;
  }
  // The graph is still usable.
  ASSERT_EQ(g->RenderFile(Clips::Get().Path(Kind::Avi)), S_OK);
  EXPECT_EQ(g->Duration(), 2000);
}

// Files that are no playable clips are refused as such, not by the wait's
// time limit: frames claiming 30000 x 30000 (refused when their size is
// announced, before anything is made for them), small frames whose pictures
// each declare 30000 x 30000 (refused before the decoder sees them), a clip cut after 200 bytes
// (whose demuxer may end without a word).
TEST_F(Playback, HostileClipsAreRefusedWithoutWaitingOut) {
  const std::string dir = Clips::Get().Dir();
  clips::MakeLyingAvi(dir + "/giant.avi", 30000, 30000);
  clips::MakeLyingAvi(dir + "/wide.avi", 8193, 16);
  clips::MakeLyingMjpeg(dir + "/giant_pictures.avi", 30000, 30000);
  std::string mpg;
  {
    std::ifstream in(Clips::Get().Path(Kind::Mpg), std::ios::binary);
    mpg.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  Clips::Get().Write("cut.mpg", mpg.substr(0, 200));
  for (const char* name : {"giant.avi", "wide.avi", "giant_pictures.avi", "cut.mpg", "cut.mpg", "cut.mpg"}) {
    try {
      g->RenderFile(dir + "/" + name);
      ADD_FAILURE() << name << " rendered";
    } catch (const EDirectShowException& e) {
      EXPECT_NE(e.ErrorCode, MEDIA_E_TIMEOUT) << name;
    }
    EXPECT_EQ(TFilterList(g->Query<IFilterGraph2>().Get()).Count(), 0) << name;
  }
  ASSERT_EQ(g->RenderFile(Clips::Get().Path(Kind::Avi)), S_OK);
}

TEST_F(Playback, PauseStopAndPlayAgainResumesWhereItStopped) {
  ASSERT_EQ(g->RenderFile(Clips::Get().Path(Kind::AviWithAudio)), S_OK);
  EXPECT_EQ(g->Duration(), 2000);
  EXPECT_EQ(g->State(), gsStopped);
  ASSERT_TRUE(g->Play());
  ASSERT_TRUE(PumpUntil([&] { return Position() >= 5000000; }));
  g->Pause();
  ASSERT_TRUE(rec->WaitFor(EC_PAUSED));
  EXPECT_EQ(g->State(), gsPaused);
  EXPECT_TRUE(g->Stop());
  EXPECT_EQ(g->State(), gsStopped);
  const REFERENCE_TIME stoppedAt = Position();
  EXPECT_GE(stoppedAt, 5000000);
  Pump(100);
  EXPECT_EQ(Position(), stoppedAt);
  ASSERT_TRUE(g->Play());
  ASSERT_TRUE(rec->WaitFor(EC_COMPLETE));
  EXPECT_EQ(rec->Count(EC_CLOCK_CHANGED), 1);
  // Run again at the end: one more completion, nothing else.
  ASSERT_TRUE(g->Play());
  ASSERT_TRUE(rec->WaitFor(EC_COMPLETE, 2));
  Pump(100);
  EXPECT_EQ(rec->Count(EC_COMPLETE), 2);
}

TEST_F(Playback, ClearGraphKeepsExactlyTheProvidersFiltersAndTheNextRenderPlays) {
  TComponent owner(nullptr);
  auto* grabber = new TSampleGrabber(&owner);
  grabber->SetName("Grabber");
  grabber->SetFilterGraph(g);
  ASSERT_EQ(g->RenderFile(Clips::Get().Path(Kind::AviWithAudio)), S_OK);
  EXPECT_GE(TFilterList(g->Query<IFilterGraph2>().Get()).Count(), 4);   // source, grabber, two renderers
  g->Play();
  g->ClearGraph();
  TFilterList left(g->Query<IFilterGraph2>().Get());
  ASSERT_EQ(left.Count(), 1);
  EXPECT_TRUE(SameObject(left.Items(0).Get(), grabber->GetFilter().Get()));
  ASSERT_EQ(g->RenderFile(Clips::Get().Path(Kind::Avi)), S_OK);
  REFERENCE_TIME nearEnd = 18000000, stop = 0;
  g->Query<IMediaSeeking>()->SetPositions(&nearEnd, AM_SEEKING_AbsolutePositioning, &stop, AM_SEEKING_NoPositioning);
  const int before = rec->Count(EC_COMPLETE);
  ASSERT_TRUE(g->Play());
  EXPECT_TRUE(rec->WaitFor(EC_COMPLETE, before + 1));
  TBitmap bmp;
  EXPECT_TRUE(grabber->GetBitmap(&bmp));
  grabber->SetFilterGraph(nullptr);
}

TEST_F(Playback, AFrameStepAdvancesOneFrame) {
  ASSERT_EQ(g->RenderFile(Clips::Get().Path(Kind::Avi)), S_OK);
  g->Pause();
  ASSERT_TRUE(rec->WaitFor(EC_PAUSED));
  REFERENCE_TIME start = 4000000, stop = 0;
  g->Query<IMediaSeeking>()->SetPositions(&start, AM_SEEKING_AbsolutePositioning, &stop, AM_SEEKING_NoPositioning);
  const REFERENCE_TIME before = Position();
  ComPtr<IVideoFrameStep> step = g->Query<IVideoFrameStep>();
  ASSERT_TRUE(step);
  EXPECT_EQ(step->CanStep(0, nullptr), S_OK);
  ASSERT_EQ(step->Step(1, nullptr), S_OK);
  ASSERT_TRUE(rec->WaitFor(EC_STEP_COMPLETE));
  EXPECT_EQ(Position() - before, 400000);
  EXPECT_EQ(g->State(), gsPaused);
}

// An MPEG-2 program stream as the ffmpeg program writes it: its times start
// at about 0.54 s. Its beginning is position 0, and a seek there shows the
// first frame at once (the play list seeks to 0 when a clip follows another).
TEST_F(Playback, AStreamWhoseTimesStartLateBeginsAtPositionZeroAndItsFirstFrame) {
  const std::string clip = Clips::Get().Dir() + "/late.mpg";
  const std::string cmd = "ffmpeg -y -loglevel error -f lavfi -i testsrc=size=176x144:rate=25 -t 1 -c:v mpeg2video "
                          "-g 12 -f vob '" + clip + "' </dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  ASSERT_EQ(g->RenderFile(clip), S_OK);
  ComPtr<IVideoFrameSource> renderer;
  TFilterList filters(g->Query<IFilterGraph2>().Get());
  for (int i = 0; i < filters.Count() && !renderer; ++i) renderer = QueryAs<IVideoFrameSource>(filters.Items(i));
  ASSERT_TRUE(renderer);
  TVideoFrame first;
  ASSERT_TRUE(renderer->LatestFrame(first));
  EXPECT_EQ(Position(), 0);
  REFERENCE_TIME start = 0, stop = 0;
  g->Query<IMediaSeeking>()->SetPositions(&start, AM_SEEKING_AbsolutePositioning, &stop, AM_SEEKING_NoPositioning);
  TVideoFrame again;
  ASSERT_TRUE(renderer->LatestFrame(again));
  EXPECT_GT(again.Sequence, first.Sequence);
  EXPECT_EQ(again.Time, first.Time);          // not the next keyframe
  EXPECT_LT(again.RunningTime, 400000);       // shown at once, within a frame
  EXPECT_EQ(Position(), 0);
}

// The renderer knows its latest frame is the stream's last as soon as the
// end passes it, before the graph tells of the end; a seek forgets it.
TEST_F(Playback, TheLastFrameIsKnownBeforeTheGraphTellsOfTheEndAndASeekForgetsIt) {
  ASSERT_EQ(g->RenderFile(Clips::Get().Path(Kind::Avi)), S_OK);
  ComPtr<IVideoFrameSource> renderer;
  TFilterList filters(g->Query<IFilterGraph2>().Get());
  for (int i = 0; i < filters.Count() && !renderer; ++i) renderer = QueryAs<IVideoFrameSource>(filters.Items(i));
  ASSERT_TRUE(renderer);
  const int ends = rec->Count(EC_COMPLETE);
  int endsWhenLast = -1;
  uint64_t lastSequence = 0;
  renderer->SetFrameListener([&] {
    TVideoFrame f;
    if (endsWhenLast < 0 && renderer->LatestFrame(f) && f.Last) {
      endsWhenLast = rec->Count(EC_COMPLETE);
      lastSequence = f.Sequence;
    }
  });
  ASSERT_TRUE(g->Play());
  ASSERT_TRUE(rec->WaitFor(EC_COMPLETE, ends + 1));
  renderer->SetFrameListener(nullptr);
  EXPECT_EQ(endsWhenLast, ends);
  TVideoFrame f;
  ASSERT_TRUE(renderer->LatestFrame(f));
  EXPECT_TRUE(f.Last);
  EXPECT_EQ(f.Sequence, lastSequence);   // no frame came after it
  g->Pause();
  REFERENCE_TIME start = 0, stop = 0;
  g->Query<IMediaSeeking>()->SetPositions(&start, AM_SEEKING_AbsolutePositioning, &stop, AM_SEEKING_NoPositioning);
  ASSERT_TRUE(renderer->LatestFrame(f));
  EXPECT_GT(f.Sequence, lastSequence);
  EXPECT_FALSE(f.Last);
}

TEST_F(Playback, RateTwoShowsStreamTimeAtHalfTheClocksTime) {
  ComPtr<IVideoFrameSource> renderer;
  TFilterList before(g->Query<IFilterGraph2>().Get());
  ASSERT_EQ(g->RenderFile(Clips::Get().Path(Kind::Avi)), S_OK);
  TFilterList filters(g->Query<IFilterGraph2>().Get());
  for (int i = 0; i < filters.Count() && !renderer; ++i) renderer = QueryAs<IVideoFrameSource>(filters.Items(i));
  ASSERT_TRUE(renderer);
  g->SetRate(2.0);
  EXPECT_EQ(g->Rate(), 2.0);
  std::vector<std::pair<REFERENCE_TIME, REFERENCE_TIME>> seen;   // stream time, running time
  renderer->SetFrameListener([&] {
    TVideoFrame f;
    if (renderer->LatestFrame(f)) seen.emplace_back(f.Time, f.RunningTime);
  });
  ASSERT_TRUE(g->Play());
  ASSERT_TRUE(rec->WaitFor(EC_COMPLETE));
  renderer->SetFrameListener(nullptr);
  ASSERT_GE(seen.size(), 5u);
  const auto [t0, r0] = seen.front();
  const auto [t1, r1] = seen.back();
  EXPECT_GT(t1 - t0, 10000000);
  EXPECT_NEAR(double(r1 - r0), double(t1 - t0) / 2, 10000.0);
}

TEST_F(Playback, BuilderCallbacksOnTheMainThread) {
  std::vector<std::string> offered;
  int created = 0;
  bool onMain = true;
  g->OnSelectedFilter = [&](IMoniker* m, const String& name, const GUID& clsid) {
    onMain = onMain && TThread::IsMainThread();
    EXPECT_TRUE(m != nullptr);
    EXPECT_FALSE(clsid == GUID_NULL);
    offered.push_back(name);
    return true;
  };
  g->OnCreatedFilter = [&](IBaseFilter* f, const GUID&) {
    onMain = onMain && TThread::IsMainThread();
    created += f != nullptr;
    return true;
  };
  ASSERT_EQ(g->RenderFile(Clips::Get().Path(Kind::Avi)), S_OK);
  EXPECT_FALSE(offered.empty());
  EXPECT_GT(created, 0);
  EXPECT_TRUE(onMain);
  // Every decoder refused: nothing renders.
  g->ClearGraph();
  g->OnSelectedFilter = [](IMoniker*, const String&, const GUID&) { return false; };
  EXPECT_THROW(g->RenderFile(Clips::Get().Path(Kind::Avi)), EDirectShowException);
}

// What runs on the main thread while a render waits (here a graph-building
// callback crossed from a streaming thread) cannot change that graph: each call that would is
// refused, and the render goes on to play.
TEST_F(Playback, CallsThatWouldChangeAGraphAreRefusedWhileItWaits) {
  struct Call {
    const char* name;
    std::function<HRESULT()> make;
  };
  REFERENCE_TIME zero = 0;
  const std::vector<Call> calls = {
      {"Run", [&] { return g->Query<IMediaControl>()->Run(); }},
      {"Pause", [&] { return g->Query<IMediaControl>()->Pause(); }},
      {"Stop", [&] { return g->Query<IMediaControl>()->Stop(); }},
      {"Step", [&] { return g->Query<IVideoFrameStep>()->Step(1, nullptr); }},
      {"SetRate", [&] { return g->Query<IMediaSeeking>()->SetRate(2.0); }},
      {"SetPositions",
       [&] {
         return g->Query<IMediaSeeking>()->SetPositions(&zero, AM_SEEKING_AbsolutePositioning, nullptr,
                                                        AM_SEEKING_NoPositioning);
       }},
      {"RenderFile", [&] { return g->Query<IGraphBuilder>()->RenderFile(Clips::Get().Path(Kind::Avi), ""); }},
  };
  std::map<std::string, HRESULT> got;
  // The decoder is made on a streaming thread: its callback is served by the wait.
  g->OnCreatedFilter = [&](IBaseFilter*, const GUID&) {
    if (got.empty() && WaitDepth() > 0)
      for (const Call& c : calls) got[c.name] = c.make();
    return true;
  };
  ASSERT_EQ(g->RenderFile(Clips::Get().Path(Kind::Avi)), S_OK);
  ASSERT_EQ(got.size(), calls.size());
  for (const Call& c : calls) EXPECT_EQ(got[c.name], E_UNEXPECTED) << c.name;
  ASSERT_TRUE(g->Play());
  EXPECT_TRUE(PumpUntil([&] { return Position() > 0; }));
}

// A handler run while a render waits deactivates the component or gives it
// another graph: the render is abandoned (it raises E_ABORT, nothing is
// applied to a graph that is gone), and the component renders again.
TEST_F(Playback, ARenderWhoseGraphGoesMeanwhileFails) {
  for (const bool replaced : {false, true}) {
    SCOPED_TRACE(replaced ? "another graph" : "deactivated");
    bool changed = false;
    g->OnCreatedFilter = [&](IBaseFilter*, const GUID&) {
      if (!changed && WaitDepth() > 0) {
        changed = true;
        g->SetActive(false);
        if (replaced) g->SetActive(true);
      }
      return true;
    };
    HRESULT code = S_OK;
    try {
      g->RenderFile(Clips::Get().Path(Kind::Avi));
    } catch (const EDirectShowException& e) {
      code = e.ErrorCode;
    }
    EXPECT_EQ(code, E_ABORT);
    ASSERT_TRUE(changed);
    EXPECT_EQ(g->Active(), replaced);
    g->OnCreatedFilter = nullptr;
    g->SetActive(true);
    ASSERT_EQ(g->RenderFile(Clips::Get().Path(Kind::Avi)), S_OK);
    ASSERT_TRUE(g->Play());
    EXPECT_TRUE(PumpUntil([&] { return Position() > 0; }));
    g->ClearGraph();
  }
}

// An abort that comes before a render has begun (a clip made ready on
// another thread, cancelled as its render starts) is not lost: that render
// fails at once; the one after it renders.
TEST_F(Playback, AnAbortBeforeARenderBeginsEndsThatRender) {
  ComPtr<IFilterGraph2> graph;
  CreateMediaObject(CLSID_FilterGraph, graph);
  ASSERT_TRUE(graph);
  graph->Abort();
  EXPECT_EQ(graph->RenderFile(Clips::Get().Path(Kind::Avi), ""), E_ABORT);
  EXPECT_EQ(graph->RenderFile(Clips::Get().Path(Kind::Avi), ""), S_OK);
}

// A site that counts the graph-building calls it gets and says which it answers.
struct CountingSite : IAMGraphBuilderCallback, IAMGraphCallbackInterest {
  int answers = 0;
  std::atomic<int> calls{0};
  HRESULT QueryInterface(const GUID& iid, void** out) override {
    if (iid == IUnknown::IID || iid == IAMGraphBuilderCallback::IID) *out = static_cast<IAMGraphBuilderCallback*>(this);
    else if (iid == IAMGraphCallbackInterest::IID) *out = static_cast<IAMGraphCallbackInterest*>(this);
    else return *out = nullptr, E_NOINTERFACE;
    return S_OK;
  }
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  HRESULT SelectedFilter(IMoniker*) override { return ++calls, S_OK; }
  HRESULT CreatedFilter(IBaseFilter*) override { return ++calls, S_OK; }
  int AnsweredCallbacks() override { return answers; }
};

TEST_F(Playback, GraphBuildingCallbacksCrossOnlyToASiteThatAnswersThem) {
  ComPtr<IObjectWithSite> site = g->Query<IObjectWithSite>();
  ASSERT_TRUE(site);
  for (int answers : {0, int(IAMGraphCallbackInterest::cbSelectedFilter), int(IAMGraphCallbackInterest::cbCreatedFilter)}) {
    CountingSite counting;
    counting.answers = answers;
    site->SetSite(static_cast<IAMGraphBuilderCallback*>(&counting));
    g->ClearGraph();
    const HRESULT hr = g->RenderFile(Clips::Get().Path(Kind::Avi));
    site->SetSite(static_cast<IAMGraphBuilderCallback*>(g));
    ASSERT_EQ(hr, S_OK);
    EXPECT_EQ(counting.calls > 0, answers != 0) << answers;
  }
}

TEST_F(Playback, AStreamLeftUnrenderedIsReportedAndTheRestPlays) {
  TClassFactory old = RegisterMediaClass(CLSID_AudioRenderer, [] { return static_cast<IUnknown*>(nullptr); });
  std::vector<std::string> pins;
  g->OnUnableToRender = [&](IPin* pin) {
    PIN_INFO info;
    pin->QueryPinInfo(&info);
    pins.push_back(info.achName);
    return true;
  };
  // The size may be told while the render waits (it serves queued calls).
  int w = 0, h = 0;
  g->OnGraphVideoSizeChanged = [&](TObject*, int ww, int hh) {
    w = ww;
    h = hh;
  };
  HRESULT hr = g->RenderFile(Clips::Get().Path(Kind::AviWithAudio));
  RegisterMediaClass(CLSID_AudioRenderer, old);
  EXPECT_EQ(hr, MEDIA_S_PARTIAL_RENDER);
  ASSERT_EQ(pins.size(), 1u);
  EXPECT_EQ(pins[0].rfind("Audio", 0), 0u);
  ASSERT_TRUE(rec->WaitFor(EC_VIDEO_SIZE_CHANGED));
  EXPECT_EQ(w, 176);
  EXPECT_EQ(h, 144);
}

}  // namespace

namespace {

// A DVD folder made once per program: one title of three seconds.
const std::string& DiscInfoFile() {
  static const std::string ifo = clips::MakeDvdFolder(Clips::Get().Dir() + "/disc");
  return ifo;
}

struct DiscCase {
  TGraphMode mode;
  bool volume;   // through the disc builder's RenderDvdVideoVolume of the folder
  const char* name;
};

class DiscPlays : public ::testing::TestWithParam<DiscCase> {};

// The disc's information file plays the disc to its end through the DVD
// source; its navigation reaches the graph's disc events on the main thread.
TEST_P(DiscPlays, ToItsEndWithTheNavigationEvents) {
  const std::string ifo = DiscInfoFile();
  RecordingGraph rec;
  TFilterGraph* g = rec.graph;
  g->SetMode(GetParam().mode);
  g->SetActive(true);
  std::vector<std::string> notes;
  g->OnDVDDomainTitle = [&](TObject*) { notes.push_back("title domain"); };
  g->OnDVDTitleChange = [&](TObject*, int t) { notes.push_back("title " + std::to_string(t)); };
  g->OnDVDChapterStart = [&](TObject*, int c) { notes.push_back("chapter " + std::to_string(c)); };
  if (GetParam().volume) {
    ComPtr<IDvdGraphBuilder> b = g->Query<IDvdGraphBuilder>();
    ASSERT_TRUE(b);
    ASSERT_EQ(b->RenderDvdVideoVolume(Clips::Get().Dir() + "/disc", 0), S_OK);
  } else {
    ASSERT_EQ(g->RenderFile(ifo), S_OK);
  }
  ASSERT_TRUE(g->Play());
  ASSERT_TRUE(rec.WaitFor(EC_COMPLETE, 1, 30000));
  Pump(150);
  EXPECT_EQ(rec.Count(EC_COMPLETE), 1);
  const std::vector<std::string> want = {"title domain", "title 1", "chapter 1"};
  EXPECT_EQ(notes, want);
  EXPECT_TRUE(rec.allOnMain);
}

INSTANTIATE_TEST_SUITE_P(Modes, DiscPlays,
                         ::testing::Values(DiscCase{gmNormal, false, "PlainGraph"}, DiscCase{gmDVD, false, "DiscGraph"},
                                           DiscCase{gmDVD, true, "DiscVolume"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
