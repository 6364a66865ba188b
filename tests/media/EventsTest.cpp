// Notifications of TFilterGraph through its hidden window: the order of
// listeners and events, the computed arguments, switching them off,
// handlers that change the graph or fail, and the way back to the component.
#include "media/MediaFixture.h"
#include "toolkit/Forms.h"

using namespace mediatest;

namespace {

struct Listener : IGraphListener {
  std::vector<std::string>* log;
  explicit Listener(std::vector<std::string>* l) : log(l) {}
  HRESULT QueryInterface(const GUID&, void**) override { return E_NOINTERFACE; }
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  void GraphEvent(int e, LONG_PTR, LONG_PTR) override { log->push_back("listener " + std::to_string(e)); }
  void ControlEvent(TControlNotice op, int p) override {
    log->push_back("control " + std::to_string(op) + " " + std::to_string(p));
  }
};

class Events : public ::testing::Test {
 protected:
  void SetUp() override {
    g = std::make_unique<TFilterGraph>(nullptr);
    g->SetActive(true);
    sink = g->Query<IMediaEventSink>();
    ASSERT_TRUE(sink);
  }
  // Injects one notification and lets the window dispatch it.
  void Send(int code, LONG_PTR p1, LONG_PTR p2) {
    sink->Notify(code, p1, p2);
    ComPtr<IMediaEvent> ev = g->Query<IMediaEvent>();
    Pump(20);
  }
  std::unique_ptr<TFilterGraph> g;
  ComPtr<IMediaEventSink> sink;
  std::vector<std::string> log;
};

TEST_F(Events, ListenersFirstThenOnDSEventThenTheCodesOwnEvent) {
  Listener l(&log);
  g->InsertEventNotifier(&l);
  g->OnDSEvent = [&](TComponent* s, int e, LONG_PTR, LONG_PTR) {
    EXPECT_EQ(s, g.get());
    log.push_back("ds " + std::to_string(e));
  };
  g->OnGraphVideoSizeChanged = [&](TObject*, int w, int h) {
    log.push_back("size " + std::to_string(w) + "x" + std::to_string(h));
  };
  Send(EC_VIDEO_SIZE_CHANGED, 0xF00140, 0);
  Send(0x4242, 1, 2);   // not in the table: listeners and OnDSEvent only
  EXPECT_EQ(log, (std::vector<std::string>{"listener 10", "ds 10", "size 320x240", "listener 16962", "ds 16962"}));
  g->RemoveEventNotifier(&l);
}

uint32_t Packed(std::initializer_list<int> f) {
  std::vector<int> v(f);
  uint32_t r = 0;
  for (int i = 0; i < 7; ++i) r |= uint32_t(v[size_t(i)]) << (28 - 4 * i);
  return r | uint32_t(v[7]) << 2 | uint32_t(v[8]);
}

TEST_F(Events, ComputedArgumentsOfTheTable) {
  std::string got;
  auto note = [&](const std::string& s) { got = s; };
  g->OnGraphComplete = [&](TObject*, HRESULT r, IBaseFilter*) { note("complete " + std::to_string(r)); };
  g->OnDVDPlaybackRateChange = [&](TObject*, float r) { note("rate " + std::to_string(r)); };
  g->OnDVDCurrentTime = [&](TObject*, int h, int m, int s, int f, int fr) {
    note("time " + std::to_string(h) + ":" + std::to_string(m) + ":" + std::to_string(s) + ":" + std::to_string(f) +
         "@" + std::to_string(fr));
  };
  g->OnDVDDomainTitle = [&](TObject*) { note("title domain"); };
  g->OnDVDErrorCopyProtectFail = [&](TObject*) { note("copy protect"); };
  g->OnDVDStillOn = [&](TObject*, bool nb, int s) { note("still " + std::to_string(nb) + " " + std::to_string(s)); };
  g->OnGraphOpeningFile = [&](TObject*, bool o) { note("opening " + std::to_string(o)); };
  g->OnDVDCurrentHMSFTime = [&](TObject*, DVD_HMSF_TIMECODE t, TDVDTimeCode c) {
    note("hmsf " + std::to_string(t.bHours) + " " + std::to_string(t.bFrames) + " / " + std::to_string(c.Hours10) +
         " " + std::to_string(c.FrameRateCode));
  };
  struct Case {
    int code;
    LONG_PTR p1, p2;
    std::string want;
  } cases[] = {
      {EC_COMPLETE, 0, 0, "complete 0"},
      {EC_DVD_PLAYBACK_RATE_CHANGE, 20000, 0, "rate 2.000000"},
      {EC_DVD_CURRENT_TIME, LONG_PTR(Packed({3, 1, 5, 4, 2, 0, 9, 1, 1})), 0, "time 13:45:2:19@25"},
      {EC_DVD_CURRENT_TIME, LONG_PTR(Packed({0, 0, 0, 0, 0, 0, 0, 0, 3})), 0, "time 0:0:0:0@30"},
      {EC_DVD_DOMAIN_CHANGE, 4, 0, "title domain"},
      {EC_DVD_DOMAIN_CHANGE, 6, 0, ""},
      {EC_DVD_ERROR, 2, 0, "copy protect"},
      {EC_DVD_STILL_ON, 1, 7, "still 1 7"},
      {EC_DVD_STILL_ON, 2, 7, "still 0 7"},
      {EC_OPENING_FILE, 1, 0, "opening 1"},
      {EC_DVD_CURRENT_HMSF_TIME, 0x04030201, LONG_PTR(Packed({0, 2, 0, 0, 0, 0, 0, 0, 1})), "hmsf 1 4 / 2 1"},
  };
  for (const Case& c : cases) {
    got.clear();
    Send(c.code, c.p1, c.p2);
    EXPECT_EQ(got, c.want) << std::hex << c.code << " " << c.p1;
  }
}

TEST_F(Events, NoneAfterNotificationsAreSwitchedOffOrTheGraphIsInactive) {
  int n = 0;
  g->OnDSEvent = [&](TComponent*, int, LONG_PTR, LONG_PTR) { ++n; };
  ComPtr<IMediaEventEx> ev = g->Query<IMediaEventEx>();
  ev->SetNotifyFlags(1);
  Send(EC_USERABORT, 0, 0);
  int32_t code;
  LONG_PTR p1, p2;
  EXPECT_EQ(ev->GetEvent(&code, &p1, &p2, 0), E_ABORT);
  ev->SetNotifyFlags(0);
  g->SetActive(false);
  Send(EC_USERABORT, 0, 0);
  EXPECT_EQ(n, 0);
}

TEST_F(Events, DrainingStopsWhenAHandlerDeactivatesAndParametersAreFreed) {
  int seen = 0;
  int64_t streamTime = 0;
  g->OnGraphEndOfSegment = [&](TObject*, int64_t t, int) { streamTime = t; };
  g->OnGraphUserAbort = [&](TObject*) {
    ++seen;
    g->SetActive(false);   // the end-of-clip road does this
  };
  auto* t = static_cast<int64_t*>(CoTaskMemAlloc(sizeof(int64_t)));
  *t = 1234;
  sink->Notify(EC_END_OF_SEGMENT, LONG_PTR(t), 0);
  sink->Notify(EC_USERABORT, 0, 0);
  sink->Notify(EC_USERABORT, 0, 0);
  auto* u = static_cast<int64_t*>(CoTaskMemAlloc(sizeof(int64_t)));
  sink->Notify(EC_END_OF_SEGMENT, LONG_PTR(u), 0);   // never dispatched; freed with the graph
  sink.Reset();
  Pump(50);
  EXPECT_EQ(streamTime, 1234);
  EXPECT_EQ(seen, 1);
  EXPECT_FALSE(g->Active());
}

TEST_F(Events, AFailingHandlerIsShownAndTheRestIsDrainedLater) {
  std::vector<String> shown;
  Application->OnException = [&](TObject*, const Exception& e) { shown.push_back(e.Message); };
  int n = 0;
  g->OnGraphUserAbort = [&](TObject*) {
    if (++n == 1) throw Exception("handler failed");
  };
  sink->Notify(EC_USERABORT, 0, 0);
  sink->Notify(EC_USERABORT, 0, 0);
  Pump(50);
  Application->OnException = nullptr;
  EXPECT_EQ(n, 2);
  EXPECT_EQ(shown, std::vector<String>{"handler failed"});
}

TEST_F(Events, TheGraphLeadsBackToItsComponent) {
  void* out = nullptr;
  ComPtr<IServiceProvider> sp = QueryAs<IServiceProvider>(g->Query<IFilterGraph2>());
  ASSERT_TRUE(sp);
  ASSERT_EQ(sp->QueryService(SID_FilterGraphComponent, SID_FilterGraphComponent, &out), S_OK);
  EXPECT_EQ(static_cast<TFilterGraph*>(static_cast<IServiceProvider*>(out)), g.get());
  EXPECT_EQ(g->QueryService(SID_FilterGraphComponent, IMediaControl::IID, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
}

// The disc interfaces come from the registry: a fake navigator answers the
// language of an audio stream.
class FakeNavigator : public TComObject, public IDvdInfo2 {
 public:
  HRESULT QueryInterface(const GUID& iid, void** out) override {
    if (AnswerInterface<IUnknown>(this, iid, out) || AnswerInterface<IDvdInfo2>(this, iid, out)) return S_OK;
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT GetAudioLanguage(ULONG s, uint32_t* lcid) override {
    *lcid = 0x0409;
    return s == 9 ? E_FAIL : S_OK;
  }
  HRESULT GetSubpictureLanguage(ULONG, uint32_t* lcid) override {
    *lcid = 0x0407;
    return S_OK;
  }
};

TEST_F(Events, DiscLanguagesThroughTheNavigatorOfTheRegistry) {
  TClassFactory old = RegisterMediaClass(CLSID_DvdNavigator, [] { return static_cast<IDvdInfo2*>(new FakeNavigator()); });
  std::vector<std::string> got;
  g->OnDVDAudioStreamChange = [&](TObject*, int s, uint32_t lcid, const String& lang) {
    got.push_back(std::to_string(s) + " " + std::to_string(lcid) + " " + lang);
  };
  g->OnDVDSubpictureStreamChange = [&](TObject*, int s, uint32_t, const String& lang) {
    got.push_back("sub " + std::to_string(s) + " " + lang);
  };
  Send(EC_DVD_AUDIO_STREAM_CHANGE, 1, 0);   // a plain graph has no disc interfaces
  g->SetMode(gmDVD);
  sink = g->Query<IMediaEventSink>();
  Send(EC_DVD_AUDIO_STREAM_CHANGE, 1, 0);
  Send(EC_DVD_SUBPICTURE_STREAM_CHANGE, 2, 0);
  std::vector<String> shown;
  Application->OnException = [&](TObject*, const Exception& e) { shown.push_back(e.ClassName()); };
  Send(EC_DVD_AUDIO_STREAM_CHANGE, 9, 0);
  Application->OnException = nullptr;
  EXPECT_EQ(got, (std::vector<std::string>{"1 1033 English", "sub 2 German"}));
  EXPECT_EQ(shown, std::vector<String>{"EDirectShowException"});
  g->SetActive(false);
  RegisterMediaClass(CLSID_DvdNavigator, old);
}

}  // namespace
