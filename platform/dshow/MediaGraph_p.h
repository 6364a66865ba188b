#pragma once
// Inside the media platform layer: the GStreamer-backed filters, pins and
// graph. Not for the components (they use DShow.h only).
#include <gst/gst.h>

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <condition_variable>
#include <memory>
#include <string>
#include <vector>

#include "platform/dshow/DShow.h"
#include "toolkit/Forms.h"

void RegisterBuiltinMediaClasses();
void RegisterMediaClassRaw(const CLSID& clsid, TClassFactory factory);
void RegisterItemMonikerClass();
void RegisterDeviceClasses();   // MediaDevices.cpp
void RegisterFilterClasses();   // MediaFilters.cpp
void RegisterBuilderClasses();  // MediaBuilders.cpp
// A moniker for an element factory (decoder candidates while rendering).
ComPtr<IMoniker> MakeFactoryMoniker(GstElementFactory* factory);
// Initialises GStreamer once.
void EnsureGStreamer();
// Makes an element or raises nothing: null when the factory is missing.
GstElement* MakeElement(const char* factory, const char* name = nullptr);

class TMediaFilter;
class TGraph;

// A pin: a ghost pad on its filter's bin (fakes need none). Pins live as
// long as their filter and count their references on it.
class TMediaPin : public IPin {
 public:
  TMediaPin(TMediaFilter* filter, PIN_DIRECTION dir, std::string name, GstPad* ghost);
  ~TMediaPin() override;
  HRESULT QueryInterface(const GUID& iid, void** out) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT ConnectedTo(IPin** pin) override;
  HRESULT Disconnect() override;
  HRESULT QueryPinInfo(PIN_INFO* info) override;
  HRESULT QueryDirection(PIN_DIRECTION* dir) override { *dir = dir_; return S_OK; }
  HRESULT ConnectionMediaType(AM_MEDIA_TYPE* mt) override;

  TMediaFilter* Filter() const { return filter_; }
  PIN_DIRECTION Dir() const { return dir_; }
  GstPad* Pad() const { return pad_; }
  // Media kind of the pad's caps: "video", "audio" or "" when unknown.
  std::string Kind() const;
  // Connection state, kept by the graph under its lock.
  TMediaPin* peer = nullptr;
  GstElement* converter = nullptr;   // on the output pin of a link made through one
  gulong dropProbe = 0;              // drops buffers while an output pin is free
  bool dead = false;                 // the pad went away (stream ended by the decoder)

 private:
  TMediaFilter* filter_;
  PIN_DIRECTION dir_;
  std::string name_;
  GstPad* pad_;
};

// Base of the layer's own filters: a GstBin and its pins.
class TMediaFilter : public TComObject, public IBaseFilter {
 public:
  TMediaFilter(const CLSID& clsid, const char* binName);
  ~TMediaFilter() override;
  HRESULT QueryInterface(const GUID& iid, void** out) override;
  HRESULT GetClassID(CLSID* clsid) override { *clsid = clsid_; return S_OK; }
  HRESULT Stop() override;
  HRESULT Pause() override;
  HRESULT Run(REFERENCE_TIME) override;
  HRESULT GetState(DWORD, FILTER_STATE* state) override;
  HRESULT EnumPins(IEnumPins** pins) override;
  HRESULT QueryFilterInfo(FILTER_INFO* info) override;
  HRESULT JoinFilterGraph(IFilterGraph* graph, const std::string& name) override;

  GstElement* Bin() const { return bin_; }
  TGraph* Graph() const;
  // Stays in the pipeline while in the graph (a file source discovers its
  // streams there); other filters are in it only while connected.
  virtual bool AlwaysInPipeline() const { return false; }
  // Live sources produce nothing until the graph runs.
  virtual bool IsLive() const { return false; }
  bool inPipeline = false;
  std::vector<std::unique_ptr<TMediaPin>> pins;   // never shrinks
  TMediaPin* AddPin(PIN_DIRECTION dir, const std::string& name, GstPad* target);
  TMediaPin* FirstFreePin(PIN_DIRECTION dir, const std::string& kind = "") const;
  bool AnyPinConnected() const;

 protected:
  // Extra interfaces of a derived filter.
  virtual bool QueryExtra(const GUID&, void**) { return false; }
  CLSID clsid_;
  GstElement* bin_ = nullptr;
  mutable std::mutex graphMutex_;
  TGraph* graph_ = nullptr;
  std::string name_;
  FILTER_STATE state_ = State_Stopped;
};

// Enumerator over a snapshot of interface pointers.
template <class IEnum, class T>
class TEnumVector : public TComObject, public IEnum {
 public:
  explicit TEnumVector(std::vector<ComPtr<T>> items) : items_(std::move(items)) {}
  HRESULT QueryInterface(const GUID& iid, void** out) override {
    if (AnswerInterface<IUnknown>(this, iid, out) || AnswerInterface<IEnum>(this, iid, out)) return S_OK;
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT Next(ULONG count, T** items, ULONG* fetched) override {
    ULONG n = 0;
    while (n < count && pos_ < items_.size()) {
      items[n] = items_[pos_++].Get();
      items[n]->AddRef();
      ++n;
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT Skip(ULONG count) override {
    pos_ += count;
    if (pos_ > items_.size()) {
      pos_ = items_.size();
      return S_FALSE;
    }
    return S_OK;
  }
  HRESULT Reset() override { pos_ = 0; return S_OK; }
 private:
  std::vector<ComPtr<T>> items_;
  size_t pos_ = 0;
};

// The filter graph over one GstPipeline.
class TGraph : public TComObject,
               public IFilterGraph2,
               public IMediaControl,
               public IMediaSeeking,
               public IMediaEventEx,
               public IMediaEventSink,
               public IBasicAudio,
               public IVideoFrameStep,
               public IObjectWithSite,
               public IServiceProvider {
 public:
  TGraph();
  ~TGraph() override;
  HRESULT QueryInterface(const GUID& iid, void** out) override;

  // IFilterGraph / IGraphBuilder
  HRESULT AddFilter(IBaseFilter* filter, const std::string& name) override;
  HRESULT RemoveFilter(IBaseFilter* filter) override;
  HRESULT EnumFilters(IEnumFilters** filters) override;
  HRESULT FindFilterByName(const std::string& name, IBaseFilter** filter) override;
  HRESULT ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* mt) override;
  HRESULT Disconnect(IPin* pin) override;
  HRESULT Connect(IPin* out, IPin* in) override;
  HRESULT Render(IPin* out) override;
  HRESULT RenderFile(const std::string& file, const std::string& playList) override;
  HRESULT SetLogFile(intptr_t fd) override;
  // Ends a render under way (from any thread): it fails at once with E_ABORT;
  // with none under way, the next render to start does (an abort asked just
  // before a render on another thread starts is not lost).
  HRESULT Abort() override;
  // IMediaControl
  HRESULT Run() override;
  HRESULT Pause() override;
  HRESULT Stop() override;
  HRESULT GetState(int32_t timeoutMs, OAFilterState* state) override;
  // IMediaSeeking
  HRESULT GetDuration(REFERENCE_TIME* d) override;
  HRESULT GetStopPosition(REFERENCE_TIME* s) override;
  HRESULT GetCurrentPosition(REFERENCE_TIME* c) override;
  HRESULT SetPositions(REFERENCE_TIME* cur, DWORD curFlags, REFERENCE_TIME* stop, DWORD stopFlags) override;
  HRESULT GetPositions(REFERENCE_TIME* cur, REFERENCE_TIME* stop) override;
  HRESULT SetRate(double rate) override;
  HRESULT GetRate(double* rate) override;
  // IMediaEventEx / IMediaEventSink
  HRESULT GetEvent(int32_t* code, LONG_PTR* p1, LONG_PTR* p2, int32_t timeoutMs) override;
  HRESULT FreeEventParams(int32_t code, LONG_PTR p1, LONG_PTR p2) override;
  HRESULT SetNotifyWindow(HWND wnd, uint32_t msg, LONG_PTR instance) override;
  HRESULT SetNotifyFlags(int32_t flags) override;
  HRESULT GetNotifyFlags(int32_t* flags) override;
  HRESULT Notify(int32_t code, LONG_PTR p1, LONG_PTR p2) override;
  // IBasicAudio
  HRESULT put_Volume(int32_t v) override;
  HRESULT get_Volume(int32_t* v) override;
  HRESULT put_Balance(int32_t v) override;
  HRESULT get_Balance(int32_t* v) override;
  // IVideoFrameStep
  HRESULT Step(DWORD frames, IUnknown* filter) override;
  HRESULT CanStep(int32_t multiple, IUnknown* filter) override;
  HRESULT CancelStep() override;
  // IObjectWithSite / IServiceProvider (services come from the site)
  HRESULT SetSite(IUnknown* site) override;
  HRESULT GetSite(const GUID& iid, void** out) override;
  HRESULT QueryService(const GUID& service, const GUID& iid, void** out) override;
  // Runs without a clock (frames as fast as they come) or with one.
  HRESULT SetSyncSource(bool useClock) override;
  HRESULT SetBackground(bool background) override;

  // Inside the layer.
  GstElement* Pipeline() const { return pipeline_; }
  // Connects two of our pins (any thread while the graph is built).
  HRESULT LinkPins(TMediaPin* out, TMediaPin* in, bool allowConverter);
  void UnlinkPin(TMediaPin* pin);
  // Adds a filter that the graph makes itself (renderers while rendering).
  HRESULT AddOwnFilter(TMediaFilter* f, const std::string& name);
  void Log(const std::string& line);
  // The filters in the graph, in order of adding.
  std::vector<ComPtr<IBaseFilter>> Filters();
  // Called by the file source while the graph is rendered (streaming thread).
  void StreamAdded(TMediaPin* pin);
  // A render gives up when nothing has moved for this long before the first
  // frame came (a file whose stream never starts).
  static constexpr int64_t RenderQuietLimitMs = 2000;
  void NoMorePads();
  bool CallSelectedFilter(IMoniker* moniker);
  // The site answers this callback (IAMGraphCallbackInterest) during the render.
  bool siteAnswers(int callback);
  void CallCreatedFilter(GstElement* element);

 private:
  struct Event {
    int32_t code;
    LONG_PTR p1, p2;
  };
  struct RenderJob;
  static GstBusSyncReply busSync(GstBus*, GstMessage* msg, gpointer self);
  void onMessage(GstMessage* msg);
  void freeParams(int32_t code, LONG_PTR p1, LONG_PTR p2);
  void bringInPipeline(TMediaFilter* f);
  void leavePipelineWhenFree(TMediaFilter* f);
  bool hasContent();
  bool isLiveGraph();
  void flushingSeekAfterChange();
  // settle: wait for a state change under way first (not after a relink,
  // whose new branch prerolls only from this seek).
  HRESULT seekTo(gint64 posNs, double rate, gint64 stopNs, bool settle = true);
  void applyAudio();
  bool pipelineAbove(GstState s);
  void syncPipelineState();
  bool syncOnMain(const std::function<void()>& f);
  // The graph's waits (a render, a settle): WaitFor until done() holds or
  // timeoutMs passes. On the main thread it is served meanwhile (Synchronize,
  // queued calls, timers, paints; the operator's input waits), and what runs
  // then may not change this graph (busyOnMain refuses it) nor free it (a
  // call that waits holds a KeepAlive throughout). Whatever done() reads
  // wakes it when it changes (the bus, the last stream, Abort).
  TWaitResult waitUntil(const std::function<bool()>& done, int timeoutMs);
  bool busyOnMain() const;
  // Waits at most timeoutMs for a state change under way to finish.
  void settleState(int timeoutMs);
  // Holds a reference for a call that waits, so that what runs meanwhile
  // cannot free the graph under it.
  struct KeepAlive {
    explicit KeepAlive(TGraph* g) : g_(g) { g_->AddRef(); }
    ~KeepAlive() { g_->Release(); }
    KeepAlive(const KeepAlive&) = delete;
    KeepAlive& operator=(const KeepAlive&) = delete;
    TGraph* g_;
  };
  int serving_ = 0;   // main thread only

  GstElement* pipeline_ = nullptr;
  std::recursive_mutex lock_;             // filters, links
  struct Entry {
    ComPtr<IBaseFilter> filter;
    std::string name;
  };
  std::vector<Entry> filters_;
  // The site is read by the streaming threads while a render builds the
  // graph, and may be changed meanwhile from the main thread.
  ComPtr<IUnknown> site();
  std::mutex siteMutex_;
  ComPtr<IUnknown> site_;
  intptr_t logFd_ = 0;
  // Logical state: the pipeline is PAUSED both when paused and stopped.
  std::atomic<int> state_{State_Stopped};
  std::atomic<bool> eos_{false}, pendingPaused_{false}, clockChangePending_{false}, prerolled_{false};
  // The stream lost its data at a relink and cannot get it again (no seek).
  std::atomic<bool> stalled_{false};
  // Links changed while prerolled: one flushing seek before data is needed.
  std::atomic<bool> seekAfterChange_{false};
  void seekAfterChange();
  void noteProgress();
  double rate_ = 1.0;
  gint64 stopNs_ = -1;
  // The stream time of the first frame: position 0 (nonzero for streams whose
  // times start late).
  std::atomic<gint64> startNs_{0};
  int32_t volume_ = 0, balance_ = 0;
  // Events
  std::mutex eventMutex_;
  std::condition_variable eventCv_;
  std::deque<Event> events_;
  HWND notifyWnd_ = 0;
  uint32_t notifyMsg_ = 0;
  LONG_PTR notifyInstance_ = 0;
  int32_t notifyFlags_ = 0;
  // Rendering a file
  std::shared_ptr<RenderJob> job_;
  bool abortNext_ = false;   // under jobMutex_: Abort came with no render under way
  std::mutex jobMutex_;
  bool useClock_ = true;
  // A disc being played: its navigation's last domain, title, chapter and
  // angle count, so each change is told once.
  void onDiscMessage(GstMessage* msg);
  std::mutex discMutex_;
  // A graph made ready in the background: its streaming threads run with
  // the batch policy (no wakeup preemption) until it is brought forward.
  void onStreamStatus(GstMessage* msg);
  std::atomic<bool> background_{false};
  std::mutex backgroundMutex_;
  std::vector<long> backgroundThreads_;
  bool disc_ = false;
  int discDomain_ = 0, discTitle_ = 0, discChapter_ = 0, discAngles_ = 0;
};
