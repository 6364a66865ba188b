// TFilterGraph without clips: what providers and listeners are told and in
// which order, modes, settings, the running object table, the log file and
// activation when its form has loaded.
#include "media/MediaFixture.h"
#include "toolkit/Forms.h"

using namespace mediatest;

namespace {

// A filter of no elements: pins need none.
class FakeFilter : public TComObject, public IBaseFilter {
 public:
  HRESULT QueryInterface(const GUID& iid, void** out) override {
    if (AnswerInterface<IUnknown>(this, iid, out) || AnswerInterface<IBaseFilter>(this, iid, out) ||
        AnswerInterface<IMediaFilter>(this, iid, out) || AnswerInterface<IPersist>(this, iid, out))
      return S_OK;
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT GetClassID(CLSID* c) override { *c = GUID_NULL; return S_OK; }
  HRESULT Stop() override { return S_OK; }
  HRESULT Pause() override { return S_OK; }
  HRESULT Run(REFERENCE_TIME) override { return S_OK; }
  HRESULT GetState(DWORD, FILTER_STATE* s) override { *s = State_Stopped; return S_OK; }
  HRESULT EnumPins(IEnumPins** out) override;
  HRESULT QueryFilterInfo(FILTER_INFO* i) override { i->achName = name; return S_OK; }
  HRESULT JoinFilterGraph(IFilterGraph*, const std::string& n) override { name = n; return S_OK; }
  std::string name;
};
HRESULT FakeFilter::EnumPins(IEnumPins** out) {
  struct E : TComObject, IEnumPins {
    HRESULT QueryInterface(const GUID& iid, void** o) override {
      if (AnswerInterface<IUnknown>(this, iid, o) || AnswerInterface<IEnumPins>(this, iid, o)) return S_OK;
      return E_NOINTERFACE;
    }
    HRESULT Next(ULONG, IPin**, ULONG* f) override { if (f) *f = 0; return S_FALSE; }
    HRESULT Skip(ULONG) override { return S_FALSE; }
    HRESULT Reset() override { return S_OK; }
  };
  *out = new E();
  (*out)->AddRef();
  return S_OK;
}

struct Recorder : IFilterProvider, IGraphListener {
  std::string name;
  std::vector<std::string>* log;
  bool withFilter = true;
  ComPtr<IBaseFilter> filter;
  Recorder(const std::string& n, std::vector<std::string>* l) : name(n), log(l) {}
  HRESULT QueryInterface(const GUID&, void**) override { return E_NOINTERFACE; }
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  ComPtr<IBaseFilter> GetFilter() override { return filter; }
  String GetFilterName() override { return name; }
  void NotifyFilter(TFilterNotice op, int p) override {
    static const char* names[] = {"adding", "added", "removing", "removed"};
    log->push_back(name + " " + names[op] + (p ? " !" : ""));
    if (op == fnAdding && withFilter) filter = ComPtr<IBaseFilter>(static_cast<IBaseFilter*>(new FakeFilter()));
    if (op == fnRemoved) filter.Reset();
  }
  void GraphEvent(int, LONG_PTR, LONG_PTR) override {}
  void ControlEvent(TControlNotice op, int p) override {
    log->push_back(name + " control " + std::to_string(op) + " " + std::to_string(p));
  }
};

class FilterGraphFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    g = std::make_unique<TFilterGraph>(nullptr);
    g->OnActivate = [this](TObject*) { log.push_back("activate"); };
  }
  int FiltersInGraph() {
    TFilterList l(g->Query<IFilterGraph2>().Get());
    return l.Count();
  }
  std::vector<std::string> Take() { return std::exchange(log, {}); }
  std::vector<std::string> log;
  std::unique_ptr<TFilterGraph> g;
};

TEST_F(FilterGraphFixture, ActivationDeactivationAndModeChangeSequences) {
  Recorder p1("P1", &log), p2("P2", &log), l("L", &log);
  p2.withFilter = false;   // its AddFilter fails and is ignored
  g->InsertFilter(&p1);
  g->InsertFilter(&p2);
  g->InsertEventNotifier(&l);
  EXPECT_TRUE(Take().empty());
  g->SetActive(true);
  EXPECT_EQ(Take(), (std::vector<std::string>{"P1 adding", "P1 added", "P2 adding", "P2 added", "activate",
                                              "L control 7 1"}));
  EXPECT_EQ(FiltersInGraph(), 1);
  g->SetActive(true);
  EXPECT_TRUE(Take().empty());
  g->SetMode(gmCapture);
  EXPECT_EQ(Take(), (std::vector<std::string>{"L control 7 0", "P1 removing", "P1 removed", "P2 removing",
                                              "P2 removed", "P1 adding", "P1 added", "P2 adding", "P2 added",
                                              "activate", "L control 7 1"}));
  EXPECT_TRUE(g->Query<ICaptureGraphBuilder2>());
  EXPECT_TRUE(g->Query<IMediaControl>());
  g->RemoveFilter(&p1);
  EXPECT_EQ(Take(), (std::vector<std::string>{"P1 removing", "P1 removed"}));
  EXPECT_EQ(FiltersInGraph(), 0);
  g->InsertFilter(&p1);
  EXPECT_EQ(Take(), (std::vector<std::string>{"P1 adding", "P1 added"}));
  g->SetActive(false);
  EXPECT_EQ(Take(), (std::vector<std::string>{"L control 7 0", "P2 removing", "P2 removed", "P1 removing",
                                              "P1 removed"}));
  g->RemoveFilter(&p1);
  g->RemoveFilter(&p2);
  g->RemoveEventNotifier(&l);
  EXPECT_TRUE(Take().empty());
}

TEST_F(FilterGraphFixture, ControlNoticesPrecedeEachCall) {
  Recorder l("L", &log);
  g->InsertEventNotifier(&l);
  EXPECT_EQ(g->RenderFile("/nowhere.avi"), S_FALSE);   // inactive: nothing happens
  EXPECT_FALSE(g->Play());
  EXPECT_EQ(g->State(), gsUninitialized);
  EXPECT_EQ(g->Duration(), 0);
  EXPECT_TRUE(Take().empty());
  g->SetActive(true);
  Take();
  EXPECT_TRUE(g->Play());    // nothing to render: runs at once
  EXPECT_EQ(g->State(), gsPlaying);
  EXPECT_TRUE(g->Pause());
  EXPECT_TRUE(g->Stop());
  EXPECT_EQ(g->State(), gsStopped);
  EXPECT_THROW(g->RenderFile("/nowhere.avi"), EDirectShowException);
  EXPECT_EQ(Take(), (std::vector<std::string>{"L control 0 0", "L control 1 0", "L control 2 0", "L control 3 0"}));
  g->RemoveEventNotifier(&l);
}

TEST_F(FilterGraphFixture, VolumeIsClampedAndMappedRateRefusalsKeepTheRate) {
  g->SetActive(true);
  ComPtr<IBasicAudio> audio = g->Query<IBasicAudio>();
  int32_t v = 1;
  g->SetVolume(20000);
  EXPECT_EQ(g->Volume(), 10000);
  audio->get_Volume(&v);
  EXPECT_EQ(v, 0);
  g->SetVolume(-5);
  EXPECT_EQ(g->Volume(), 0);
  audio->get_Volume(&v);
  EXPECT_EQ(v, -10000);
  g->SetVolume(100);
  audio->get_Volume(&v);
  EXPECT_EQ(v, -4989);
  g->SetLinearVolume(false);
  audio->get_Volume(&v);
  EXPECT_EQ(v, -9900);
  g->SetBalance(-20000);
  EXPECT_EQ(g->Balance(), -10000);
  g->SetRate(1.5);
  for (double bad : {0.0, -1.0}) {
    g->SetRate(bad);
    EXPECT_EQ(g->Rate(), 1.5);
  }
  double r = 0;
  g->Query<IMediaSeeking>()->GetRate(&r);
  EXPECT_EQ(r, 1.5);
}

TEST_F(FilterGraphFixture, RunningObjectTableWhileActiveAndGraphEditSet) {
  g->SetGraphEdit(true);   // inactive: registered at activation
  g->SetActive(true);
  ComPtr<IFilterGraph2> graph = g->Query<IFilterGraph2>();
  char name[96];
  std::snprintf(name, sizeof name, "FilterGraph %016llX pid %x",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(static_cast<IUnknown*>(graph.Get()))),
                unsigned(getpid()));
  ComPtr<IMoniker> m;
  CreateItemMoniker("!", name, m.Put());
  ComPtr<IRunningObjectTable> rot;
  GetRunningObjectTable(0, rot.Put());
  EXPECT_EQ(rot->IsRunning(m.Get()), S_OK);
  g->SetActive(false);
  EXPECT_EQ(rot->IsRunning(m.Get()), S_FALSE);
}

TEST_F(FilterGraphFixture, LogFileThatCannotBeMadeKeepsTheFormerName) {
  const std::string log = Clips::Get().Dir() + "/graph.log";
  g->SetLogFile(log);
  g->SetActive(true);
  g->SetLogFile("/nonexistent-folder/graph.log");
  EXPECT_EQ(g->LogFile(), log);
  g->SetLogFile(log);
  EXPECT_THROW(g->RenderFile(Clips::Get().Dir() + "/missing.avi"), EDirectShowException);
  g->SetActive(false);
  FILE* f = std::fopen(log.c_str(), "r");
  ASSERT_NE(f, nullptr);
  char buf[256] = {};
  size_t n = std::fread(buf, 1, sizeof buf - 1, f);
  std::fclose(f);
  EXPECT_GT(n, 0u);
  EXPECT_NE(std::string(buf).find("missing.avi"), std::string::npos);
}

TEST_F(FilterGraphFixture, AutoCreateActivatesWhenItsFormHasLoaded) {
  auto* form = new TForm(nullptr);
  auto* graph = new TFilterGraph(form);
  graph->SetAutoCreate(true);
  bool activeAtCreate = false;
  form->OnCreate = [&](TObject*) { activeAtCreate = graph->Active(); };
  form->AfterConstruction();
  EXPECT_TRUE(activeAtCreate);
  Free(form);
}

}  // namespace

namespace {

TEST_F(FilterGraphFixture, AnEmptyDeviceFilterAddsNothingAndLeavingComponentsTakeTheirFilters) {
  TComponent owner(nullptr);
  auto* device = new TFilter(&owner);
  device->SetFilterGraph(g.get());
  auto* grabber = new TSampleGrabber(&owner);
  grabber->SetFilterGraph(g.get());
  g->SetActive(true);
  EXPECT_FALSE(device->GetFilter());
  void* out = nullptr;
  EXPECT_EQ(device->QueryInterface(IBaseFilter::IID, &out), E_NOINTERFACE);
  ASSERT_EQ(grabber->QueryInterface(ISampleGrabber::IID, &out), S_OK);   // reaches its filter
  static_cast<ISampleGrabber*>(out)->Release();
  EXPECT_EQ(FiltersInGraph(), 1);
  delete grabber;   // goes while the graph is active: its filter leaves first
  EXPECT_EQ(FiltersInGraph(), 0);
  delete device;
  g->SetActive(false);
  g->SetActive(true);   // nobody left to add
  EXPECT_EQ(FiltersInGraph(), 0);
}

}  // namespace
