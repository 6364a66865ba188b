#include "media/DSGraph.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "toolkit/Controls.h"
#include "toolkit/Forms.h"

// ---------------------------------------------------------------------------
// TFilterGraph: activation, control, settings

TFilterGraph::TFilterGraph(TComponent* AOwner) : TComponent(AOwner) {
  notifyWnd_ = AllocateHWnd([this](uint32_t msg, WPARAM w, LPARAM l) { windowProc(msg, w, l); });
}

// ---------------------------------------------------------------------------
// The prepared graph and the background thread

// A graph made ready for the next clip. The background thread renders it;
// the main thread takes it only once status is Ready (the thread is done
// with it by then) and never releases it itself.
struct TFilterGraph::Prepared {
  enum { Waiting, Rendering, Ready, Failed };
  ComPtr<IFilterGraph2> graph;
  std::string file, stamp;
  std::atomic<int> status{Waiting};
  std::atomic<bool> cancelled{false};
};

// One thread per graph component, started when first needed: it renders the
// prepared graphs and releases the graphs left behind, one task at a time,
// the one due first (a graph dropped is released before a render that
// waits its turn), each not before its time.
struct TFilterGraph::Background {
  using Clock = std::chrono::steady_clock;
  struct Task {
    ComPtr<IFilterGraph2> graph;         // released
    std::shared_ptr<Prepared> prepared;  // rendered, or released when cancelled
    bool render = false;
    Clock::time_point notBefore;
  };
  std::mutex m;
  std::condition_variable cv;
  std::deque<Task> tasks;
  // Set under m (so that a wait cannot miss it); read without m too, by a
  // render that starts after the thread let go of it.
  std::atomic<bool> quit{false};
  std::thread thread;

  Background() : thread([this] { run(); }) {}
  ~Background() {
    {
      std::lock_guard<std::mutex> g(m);
      quit = true;
    }
    cv.notify_all();
    thread.join();
  }
  void push(Task t) {
    {
      std::lock_guard<std::mutex> g(m);
      tasks.push_back(std::move(t));
    }
    cv.notify_all();
  }
  void run() {
    std::unique_lock<std::mutex> lk(m);
    for (;;) {
      if (tasks.empty()) {
        if (quit) return;
        cv.wait(lk);
        continue;
      }
      auto due = tasks.begin();
      for (auto it = tasks.begin(); it != tasks.end(); ++it)
        if (it->notBefore < due->notBefore) due = it;
      // On the way out everything left is released at once.
      if (!quit && Clock::now() < due->notBefore) {
        cv.wait_until(lk, due->notBefore);
        continue;
      }
      Task t = std::move(*due);
      tasks.erase(due);
      lk.unlock();
      if (t.render && t.prepared) {
        Prepared& p = *t.prepared;
        p.status = Prepared::Rendering;
        bool ok = false;
        if (!p.cancelled && !quit && p.graph) {
          // Its threads (this one too) give way to the clip that plays.
          p.graph->SetBackground(true);
          ok = SUCCEEDED(p.graph->RenderFile(p.file, ""));
        }
        p.status = ok && !p.cancelled ? Prepared::Ready : Prepared::Failed;
      } else {
        if (t.prepared) t.prepared->graph.Reset();
        t.graph.Reset();
      }
      t = Task();
      lk.lock();
    }
  }
};

TFilterGraph::Background& TFilterGraph::background() {
  if (!background_) background_ = std::make_unique<Background>();
  return *background_;
}

void TFilterGraph::retire(ComPtr<IFilterGraph2> graph, std::shared_ptr<Prepared> prepared, int DelayMs) {
  if (!graph && !prepared) return;
  Background::Task t;
  t.graph = std::move(graph);
  t.prepared = std::move(prepared);
  t.notBefore = Background::Clock::now() + std::chrono::milliseconds(DelayMs);
  background().push(std::move(t));
}

bool TFilterGraph::preparingAllowed() {
  // What a render would do differently on the main thread: callbacks crossed
  // to a handler, a log, a registration.
  return active_ && mode_ == gmNormal && graph_ && AnsweredCallbacks() == 0 && logFile_.empty() && !graphEdit_;
}

bool TFilterGraph::PrepareFile(const String& FileName, int DelayMs) {
  CancelPrepared();
  if (FileName.empty() || !preparingAllowed()) return false;
  ComPtr<IFilterGraph2> g;
  CreateMediaObject(CLSID_FilterGraph, g);
  if (!g) return false;
  bool ok = true;
  for (IFilterProvider* p : providers_) {
    if (ComPtr<ISpareFilterProvider> sp = QueryAs<ISpareFilterProvider>(p)) {
      if (!sp->PrepareSpare(g.Get())) ok = false;
    } else if (p->GetFilter()) {
      ok = false;   // a filter that would have to be made again in the new graph
    }
    if (!ok) break;
  }
  auto prep = std::make_shared<Prepared>();
  prep->graph = g;
  prep->file = FileName;
  prep->stamp = FileWriteStamp(FileName);   // a clip written again is rendered anew
  prepared_ = prep;
  preparedFile_ = FileName;
  if (!ok) {
    CancelPrepared();
    return false;
  }
  Background::Task t;
  t.prepared = prep;
  t.render = true;
  t.notBefore = Background::Clock::now() + std::chrono::milliseconds(std::max(0, DelayMs));
  background().push(std::move(t));
  return true;
}

bool TFilterGraph::PreparedReady() const { return prepared_ && prepared_->status == Prepared::Ready; }

void TFilterGraph::CancelPrepared() {
  if (!prepared_) return;
  std::shared_ptr<Prepared> prep = std::move(prepared_);
  prepared_.reset();
  preparedFile_.clear();
  prep->cancelled = true;
  // A render under way ends at once; the graph is released after it.
  if (prep->status == Prepared::Rendering && prep->graph) prep->graph->Abort();
  for (IFilterProvider* p : providers_)
    if (ComPtr<ISpareFilterProvider> sp = QueryAs<ISpareFilterProvider>(p)) sp->DropSpare();
  retire(nullptr, prep, 0);
}

bool TFilterGraph::RenderPrepared(const String& FileName) {
  std::shared_ptr<Prepared> prep = prepared_;
  bool ok = prep && prep->file == FileName && prep->status == Prepared::Ready && preparingAllowed() && rate_ == 1.0 &&
            !prep->stamp.empty() && FileWriteStamp(FileName) == prep->stamp;
  for (size_t i = 0; ok && i < providers_.size(); ++i) {
    if (ComPtr<ISpareFilterProvider> sp = QueryAs<ISpareFilterProvider>(providers_[i])) ok = sp->SpareValid();
    else ok = !providers_[i]->GetFilter();
  }
  if (!ok) {
    CancelPrepared();
    return false;
  }
  prepared_.reset();
  preparedFile_.clear();
  ComPtr<IFilterGraph2> next = std::move(prep->graph);
  next->SetBackground(false);
  // The change is made whole before anyone is told: the providers leave the
  // old graph (nothing in it is stopped, unlinked or removed on this thread)
  // and take their spares in the new one, which gets the component's values.
  for (size_t i = 0; i < providers_.size(); ++i) {
    if (ComPtr<ISpareFilterProvider> sp = QueryAs<ISpareFilterProvider>(providers_[i])) sp->LeaveForSpare();
    else removeProviderFilter(providers_[i]);
  }
  if (events_) {
    events_->SetNotifyFlags(1);
    events_.Reset();
  }
  if (ComPtr<IObjectWithSite> site = QueryAs<IObjectWithSite>(graph_)) site->SetSite(nullptr);
  ComPtr<IFilterGraph2> old = std::move(graph_);
  graph_ = next;
  // Released whole on the background thread after a fixed 100 ms (a delay,
  // not a notice of the new clip's first frame), so that its teardown does
  // not compete with the start of the new clip the caller plays at once.
  retire(std::move(old), nullptr, 100);
  connectGraph();
  for (size_t i = 0; i < providers_.size(); ++i) {
    if (ComPtr<ISpareFilterProvider> sp = QueryAs<ISpareFilterProvider>(providers_[i])) sp->TakeSpare();
    else addProviderFilter(providers_[i]);
  }
  updateGraph();
  // Then the notices of a clear, a deactivation, an activation and a render,
  // in that order; once a handler has deactivated or replaced the graph the
  // rest would tell of a graph that is gone. A handler's failure reaches the
  // caller, with the new graph in place.
  auto current = [&] { return graph_.Get() == next.Get(); };
  std::vector<IFilterProvider*> providers = providers_;
  for (IFilterProvider* p : providers)
    if (current() && std::find(providers_.begin(), providers_.end(), p) != providers_.end())
      if (ComPtr<ISpareFilterProvider> sp = QueryAs<ISpareFilterProvider>(p)) sp->SpareTaken();
  if (current()) controlEvent(cnActive, 0);
  if (current() && OnActivate) OnActivate(this);
  if (current()) controlEvent(cnActive, 1);
  if (current()) controlEvent(cnRenderBegin, 0);
  if (current()) controlEvent(cnRenderEnd, 0);
  // What the render posted on its way (the video size) reaches the
  // component now, as after a render.
  if (current() && events_) PostMessage(notifyWnd_, WM_GRAPHNOTIFY, 0, LONG_PTR(events_.Get()));
  return true;
}

// The graph's notices come to this component's window, and its building
// callbacks to this component.
void TFilterGraph::connectGraph() {
  events_ = Query<IMediaEventEx>();
  if (events_) {
    events_->SetNotifyFlags(0);
    events_->SetNotifyWindow(notifyWnd_, WM_GRAPHNOTIFY, LONG_PTR(events_.Get()));
  }
  if (ComPtr<IObjectWithSite> site = Query<IObjectWithSite>()) {
    if (ComPtr<IAMGraphBuilderCallback> cb = Query<IAMGraphBuilderCallback>()) site->SetSite(cb.Get());
    if (ComPtr<IAMFilterGraphCallback> cb = Query<IAMFilterGraphCallback>()) site->SetSite(cb.Get());
  }
}

TFilterGraph::~TFilterGraph() {
  SetActive(false);
  // The graphs left behind are released before the component goes.
  background_.reset();
  DeallocateHWnd(notifyWnd_);
  notifyWnd_ = 0;
}

void TFilterGraph::Loaded() {
  // Activation comes first, then the inherited part.
  if (autoCreate_ && !ComponentState().Contains(csDesigning)) SetActive(true);
  TComponent::Loaded();
}

void TFilterGraph::SetMode(TGraphMode v) {
  if (v == mode_) return;
  const bool was = active_;
  SetActive(false);
  mode_ = v;
  SetActive(was);
}

void TFilterGraph::SetActive(bool v) {
  if (v == active_) return;
  if (v) {
    switch (mode_) {
      case gmNormal:
        CreateMediaObject(CLSID_FilterGraph, graph_);
        break;
      case gmCapture:
        CreateMediaObject(CLSID_CaptureGraphBuilder2, captureBuilder_);
        CreateMediaObject(CLSID_FilterGraph, graph_);
        if (captureBuilder_ && graph_) captureBuilder_->SetFiltergraph(graph_.Get());
        break;
      case gmDVD: {
        CreateMediaObject(CLSID_DvdGraphBuilder, dvdBuilder_);
        if (dvdBuilder_) {
          ComPtr<IGraphBuilder> gb;
          if (SUCCEEDED(dvdBuilder_->GetFiltergraph(gb.Put())) && gb) graph_ = QueryAs<IFilterGraph2>(gb);
        }
        break;
      }
    }
    active_ = true;
    connectGraph();
    SetGraphEdit(graphEdit_);
    SetLogFile(logFile_);
    for (size_t i = 0; i < providers_.size(); ++i) addProviderFilter(providers_[i]);
    if (OnActivate) OnActivate(this);
    controlEvent(cnActive, 1);
  } else {
    CancelPrepared();
    controlEvent(cnActive, 0);
    for (size_t i = 0; i < providers_.size(); ++i) removeProviderFilter(providers_[i]);
    if (events_) {
      events_->SetNotifyFlags(1);
      events_.Reset();
    }
    if (rotCookie_ != 0) {
      RemoveGraphFromRot(rotCookie_);
      rotCookie_ = 0;
    }
    if (graph_) graph_->SetLogFile(0);
    closeLog();
    if (ComPtr<IObjectWithSite> site = QueryAs<IObjectWithSite>(graph_)) site->SetSite(nullptr);
    graph_.Reset();
    captureBuilder_.Reset();
    dvdBuilder_.Reset();
    active_ = false;
  }
}

void TFilterGraph::addProviderFilter(IFilterProvider* p) {
  if (!active_) return;
  p->NotifyFilter(fnAdding, 0);
  if (graph_) {
    ComPtr<IBaseFilter> f = p->GetFilter();
    graph_->AddFilter(f.Get(), p->GetFilterName());   // a provider without a filter fails here
  }
  p->NotifyFilter(fnAdded, 0);
}

void TFilterGraph::removeProviderFilter(IFilterProvider* p) {
  if (!active_) return;
  p->NotifyFilter(fnRemoving, 0);
  if (graph_) {
    ComPtr<IBaseFilter> f = p->GetFilter();
    graph_->RemoveFilter(f.Get());
  }
  p->NotifyFilter(fnRemoved, 0);
}

void TFilterGraph::InsertFilter(IFilterProvider* Provider) {
  if (!Provider) return;
  CancelPrepared();   // made without it
  providers_.push_back(Provider);
  addProviderFilter(Provider);
}

void TFilterGraph::RemoveFilter(IFilterProvider* Provider) {
  auto it = std::find(providers_.begin(), providers_.end(), Provider);
  if (it == providers_.end()) return;
  CancelPrepared();   // made with it
  providers_.erase(it);
  removeProviderFilter(Provider);
}

void TFilterGraph::InsertEventNotifier(IGraphListener* Listener) {
  if (Listener) listeners_.push_back(Listener);
}

void TFilterGraph::RemoveEventNotifier(IGraphListener* Listener) {
  auto it = std::find(listeners_.begin(), listeners_.end(), Listener);
  if (it != listeners_.end()) listeners_.erase(it);
}

void TFilterGraph::controlEvent(TControlNotice op, int param) {
  // A listener may leave while being told; each is told once, in list order.
  std::vector<IGraphListener*> list = listeners_;
  for (IGraphListener* l : list)
    if (std::find(listeners_.begin(), listeners_.end(), l) != listeners_.end()) l->ControlEvent(op, param);
}

HRESULT TFilterGraph::QueryInterface(const GUID& iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid == IUnknown::IID || iid == IServiceProvider::IID) {
    *out = static_cast<IServiceProvider*>(this);
    return S_OK;
  }
  if (iid == IAMGraphBuilderCallback::IID) {
    *out = static_cast<IAMGraphBuilderCallback*>(this);
    return S_OK;
  }
  if (iid == IAMFilterGraphCallback::IID) {
    *out = static_cast<IAMFilterGraphCallback*>(this);
    return S_OK;
  }
  if (iid == IAMGraphCallbackInterest::IID) {
    *out = static_cast<IAMGraphCallbackInterest*>(this);
    return S_OK;
  }
  if (!active_) return E_NOINTERFACE;
  HRESULT hr = E_NOINTERFACE;
  switch (mode_) {
    case gmNormal:
      break;
    case gmCapture:
      if (captureBuilder_) hr = captureBuilder_->QueryInterface(iid, out);
      break;
    case gmDVD:
      if (dvdBuilder_) {
        hr = dvdBuilder_->QueryInterface(iid, out);
        if (FAILED(hr)) hr = dvdBuilder_->GetDvdInterface(iid, out);
      }
      break;
  }
  if (FAILED(hr) && graph_) hr = graph_->QueryInterface(iid, out);
  return hr;
}

bool TFilterGraph::Play() {
  ComPtr<IMediaControl> mc = Query<IMediaControl>();
  if (!mc) return false;
  controlEvent(cnPlay, 0);
  CheckDSError(mc->Run());
  return true;
}

bool TFilterGraph::Pause() {
  ComPtr<IMediaControl> mc = Query<IMediaControl>();
  if (!mc) return false;
  controlEvent(cnPause, 0);
  return CheckDSError(mc->Pause()) == S_OK;
}

bool TFilterGraph::Stop() {
  ComPtr<IMediaControl> mc = Query<IMediaControl>();
  if (!mc) return false;
  controlEvent(cnStop, 0);
  return CheckDSError(mc->Stop()) == S_OK;
}

HRESULT TFilterGraph::RenderFile(const String& FileName) {
  if (!graph_) return S_FALSE;
  // A handler run while the render waits may deactivate the component or
  // give it another graph: the render is then abandoned (E_ABORT), and tells
  // nothing of a graph that is gone.
  ComPtr<IFilterGraph2> graph = graph_;
  controlEvent(cnRenderBegin, 0);
  const HRESULT hr = graph->RenderFile(FileName, "");
  if (!(graph_ == graph)) CheckDSError(E_ABORT);
  CheckDSError(hr);
  updateGraph();
  controlEvent(cnRenderEnd, 0);
  return hr;
}

void TFilterGraph::updateGraph() {
  SetVolume(volume_);
  SetBalance(balance_);
  SetRate(rate_);
}

void TFilterGraph::ClearGraph() {
  if (!graph_) return;
  ComPtr<IFilterGraph2> graph = graph_;   // a handler may deactivate meanwhile
  Stop();
  {
    TFilterList filters(graph.Get());
    for (int i = 0; i < filters.Count(); ++i) {
      TPinList pins(filters.Items(i).Get());
      for (int k = 0; k < pins.Count(); ++k) CheckDSError(pins.Items(k)->Disconnect());
    }
  }
  TFilterList filters(graph.Get());
  for (IFilterProvider* p : providers_)
    if (ComPtr<IBaseFilter> f = p->GetFilter()) filters.Remove(f.Get());
  for (int i = 0; i < filters.Count(); ++i) CheckDSError(graph->RemoveFilter(filters.Items(i).Get()));
}

TGraphState TFilterGraph::State() {
  ComPtr<IMediaControl> mc = Query<IMediaControl>();
  if (!mc) return gsUninitialized;
  OAFilterState s = 0;
  if (FAILED(mc->GetState(0, &s))) return gsUninitialized;
  switch (s) {
    case State_Stopped: return gsStopped;
    case State_Paused: return gsPaused;
    case State_Running: return gsPlaying;
    default: return gsUninitialized;
  }
}

int64_t TFilterGraph::Duration() {
  ComPtr<IMediaSeeking> ms = Query<IMediaSeeking>();
  if (!ms) return 0;
  REFERENCE_TIME d = 0;
  if (FAILED(ms->GetDuration(&d))) return 0;
  return RefTimeToMSec(d);
}

void TFilterGraph::SetVolume(int v) {
  volume_ = std::clamp(v, 0, 10000);
  if (ComPtr<IBasicAudio> ba = Query<IBasicAudio>())
    ba->put_Volume(linearVolume_ ? LinearToDirectShowVolume(volume_) : volume_ - 10000);
}

void TFilterGraph::SetBalance(int v) {
  balance_ = std::clamp(v, -10000, 10000);
  if (ComPtr<IBasicAudio> ba = Query<IBasicAudio>())
    ba->put_Balance(linearVolume_ ? LinearToDirectShowBalance(balance_) : balance_);
}

void TFilterGraph::SetLinearVolume(bool v) {
  if (v == linearVolume_) return;
  linearVolume_ = v;
  SetVolume(volume_);
  SetBalance(balance_);
}

void TFilterGraph::SetRate(double v) {
  // A rate the graph refuses (0 or below, a failed seek) leaves the stored one.
  if (!(v > 0)) return;
  if (ComPtr<IMediaSeeking> ms = Query<IMediaSeeking>()) {
    if (FAILED(ms->SetRate(v))) return;
  }
  rate_ = v;
}

void TFilterGraph::SetGraphEdit(bool v) {
  if (!v) {
    if (rotCookie_ != 0) {
      RemoveGraphFromRot(rotCookie_);
      rotCookie_ = 0;
    }
  } else if (rotCookie_ == 0 && active_ && graph_) {
    DWORD cookie = 0;
    if (SUCCEEDED(AddGraphToRot(graph_.Get(), cookie))) rotCookie_ = cookie;
  }
  graphEdit_ = v;
}

void TFilterGraph::closeLog() {
  if (logFd_ >= 0) {
    ::close(logFd_);
    logFd_ = -1;
  }
}

void TFilterGraph::SetLogFile(const String& v) {
  if (active_) {
    if (graph_) graph_->SetLogFile(0);
    closeLog();
    if (!v.empty()) {
      int fd = ::open(NormalizePath(v).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      if (fd < 0) return;   // the graph logs nowhere; the name stays as it was
      logFd_ = fd;
      if (graph_) graph_->SetLogFile(fd);
    }
  }
  logFile_ = v;
}

// ---------------------------------------------------------------------------
// Notifications

void TFilterGraph::windowProc(uint32_t msg, WPARAM, LPARAM) {
  if (msg != WM_GRAPHNOTIFY) return;
  DispatchEvent([this] { drainEvents(); });
}

void TFilterGraph::drainEvents() {
  ComPtr<IMediaEventEx> ev = events_;
  if (!ev) return;
  int32_t code = 0;
  LONG_PTR p1 = 0, p2 = 0;
  // A handler may stop, clear, deactivate or re-render the graph: draining
  // ends as soon as this is not the graph's event interface any more, and
  // each event's parameters are freed even when its handler fails.
  while (ev == events_ && ev->GetEvent(&code, &p1, &p2, 0) == S_OK) {
    struct Free {
      IMediaEventEx* ev;
      int32_t code;
      LONG_PTR p1, p2;
      ~Free() { ev->FreeEventParams(code, p1, p2); }
    } free{ev.Get(), code, p1, p2};
    DoEvent(code, p1, p2);
  }
}

void TFilterGraph::DoEvent(int Event, LONG_PTR Param1, LONG_PTR Param2) {
  std::vector<IGraphListener*> list = listeners_;
  for (IGraphListener* l : list)
    if (std::find(listeners_.begin(), listeners_.end(), l) != listeners_.end()) l->GraphEvent(Event, Param1, Param2);
  if (OnDSEvent) OnDSEvent(this, Event, Param1, Param2);
  auto fire = [this](const TNotifyEvent& e) { if (e) e(this); };
  auto pick = [&](const std::vector<const TNotifyEvent*>& byParam) {
    if (Param1 >= 1 && size_t(Param1) <= byParam.size()) fire(*byParam[size_t(Param1 - 1)]);
  };
  const int p1 = int(Param1), p2 = int(Param2);
  switch (Event) {
    case EC_COMPLETE: if (OnGraphComplete) OnGraphComplete(this, p1, reinterpret_cast<IBaseFilter*>(Param2)); break;
    case EC_USERABORT: fire(OnGraphUserAbort); break;
    case EC_ERRORABORT: if (OnGraphErrorAbort) OnGraphErrorAbort(this, p1); break;
    case EC_STREAM_ERROR_STOPPED: if (OnGraphStreamErrorStopped) OnGraphStreamErrorStopped(this, p1, p2); break;
    case EC_STREAM_ERROR_STILLPLAYING:
      if (OnGraphStreamErrorStillPlaying) OnGraphStreamErrorStillPlaying(this, p1, p2);
      break;
    case EC_ERROR_STILLPLAYING: if (OnGraphErrorStillPlaying) OnGraphErrorStillPlaying(this, p1); break;
    case EC_PALETTE_CHANGED: fire(OnGraphPaletteChanged); break;
    case EC_VIDEO_SIZE_CHANGED:
      if (OnGraphVideoSizeChanged) OnGraphVideoSizeChanged(this, int(Param1 & 0xFFFF), int((Param1 >> 16) & 0xFFFF));
      break;
    case EC_QUALITY_CHANGE: fire(OnGraphQualityChange); break;
    case EC_CLOCK_CHANGED: fire(OnGraphClockChanged); break;
    case EC_PAUSED: if (OnGraphPaused) OnGraphPaused(this, p1); break;
    case EC_OPENING_FILE: if (OnGraphOpeningFile) OnGraphOpeningFile(this, Param1 == 1); break;
    case EC_BUFFERING_DATA: if (OnGraphBufferingData) OnGraphBufferingData(this, Param1 == 1); break;
    case EC_FULLSCREEN_LOST:
      if (OnGraphFullscreenLost) OnGraphFullscreenLost(this, reinterpret_cast<IBaseFilter*>(Param2));
      break;
    case EC_OLE_EVENT:
      if (OnGraphOleEvent) {
        auto text = [](LONG_PTR p) { return p ? String(reinterpret_cast<const char*>(p)) : String(); };
        OnGraphOleEvent(this, text(Param1), text(Param2));
      }
      break;
    case EC_STREAM_CONTROL_STOPPED:
      if (OnGraphStreamControlStopped) OnGraphStreamControlStopped(this, reinterpret_cast<IPin*>(Param1), p2);
      break;
    case EC_STREAM_CONTROL_STARTED:
      if (OnGraphStreamControlStarted) OnGraphStreamControlStarted(this, reinterpret_cast<IPin*>(Param1), p2);
      break;
    case EC_END_OF_SEGMENT:
      if (OnGraphEndOfSegment)
        OnGraphEndOfSegment(this, Param1 ? *reinterpret_cast<const int64_t*>(Param1) : 0, p2);
      break;
    case EC_DEVICE_LOST:
      if (OnGraphDeviceLost) OnGraphDeviceLost(this, reinterpret_cast<IUnknown*>(Param1), Param2 == 1);
      break;
    case EC_STEP_COMPLETE: fire(OnGraphStepComplete); break;
    case EC_TIMECODE_AVAILABLE:
      if (OnGraphTimeCodeAvailable) OnGraphTimeCodeAvailable(this, reinterpret_cast<IBaseFilter*>(Param1), p2);
      break;
    case EC_EXTDEVICE_MODE_CHANGE: if (OnGraphEXTDeviceModeChange) OnGraphEXTDeviceModeChange(this, p1, p2); break;
    case EC_GRAPH_CHANGED: fire(OnGraphChanged); break;
    case EC_CLOCK_UNSET: fire(OnGraphClockUnset); break;
    case EC_VMR_RENDERDEVICE_SET: if (OnGraphVMRRenderDevice) OnGraphVMRRenderDevice(this, p1); break;
    case EC_DVD_DOMAIN_CHANGE:
      pick({&OnDVDDomainFirstPlay, &OnDVDDomainVideoManagerMenu, &OnDVDDomainVideoTitleSetMenu, &OnDVDDomainTitle,
            &OnDVDDomainStop});
      break;
    case EC_DVD_TITLE_CHANGE: if (OnDVDTitleChange) OnDVDTitleChange(this, p1); break;
    case EC_DVD_CHAPTER_START: if (OnDVDChapterStart) OnDVDChapterStart(this, p1); break;
    case EC_DVD_AUDIO_STREAM_CHANGE:
      if (ComPtr<IDvdInfo2> info = Query<IDvdInfo2>()) {
        uint32_t lcid = 0;
        CheckDSError(info->GetAudioLanguage(ULONG(p1), &lcid));
        String lang = LanguageNameOfLCID(lcid);
        if (OnDVDAudioStreamChange) OnDVDAudioStreamChange(this, p1, lcid, lang);
      }
      break;
    case EC_DVD_SUBPICTURE_STREAM_CHANGE:
      if (ComPtr<IDvdInfo2> info = Query<IDvdInfo2>()) {
        uint32_t lcid = 0;
        info->GetSubpictureLanguage(ULONG(p1), &lcid);
        String lang = LanguageNameOfLCID(lcid);
        if (OnDVDSubpictureStreamChange) OnDVDSubpictureStreamChange(this, p1, lcid, lang);
      }
      break;
    case EC_DVD_ANGLE_CHANGE: if (OnDVDAngleChange) OnDVDAngleChange(this, p1, p2); break;
    case EC_DVD_BUTTON_CHANGE: if (OnDVDButtonChange) OnDVDButtonChange(this, p1, p2); break;
    case EC_DVD_VALID_UOPS_CHANGE: if (OnDVDValidUOPSChange) OnDVDValidUOPSChange(this, p1); break;
    case EC_DVD_STILL_ON: if (OnDVDStillOn) OnDVDStillOn(this, Param1 == 1, p2); break;
    case EC_DVD_STILL_OFF: fire(OnDVDStillOff); break;
    case EC_DVD_CURRENT_TIME:
      if (OnDVDCurrentTime) {
        std::array<uint8_t, 9> f = UnpackTimeCode(uint32_t(Param1));
        const int frate = f[8] == 1 ? 25 : f[8] == 3 ? 30 : 0;
        OnDVDCurrentTime(this, f[0] + 10 * f[1], f[2] + 10 * f[3], f[4] + 10 * f[5], f[6] + 10 * f[7], frate);
      }
      break;
    case EC_DVD_ERROR:
      pick({&OnDVDErrorUnexpected, &OnDVDErrorCopyProtectFail, &OnDVDErrorInvalidDVD1_0Disc,
            &OnDVDErrorInvalidDiscRegion, &OnDVDErrorLowParentalLevel, &OnDVDErrorMacrovisionFail,
            &OnDVDErrorIncompatibleSystemAndDecoderRegions, &OnDVDErrorIncompatibleDiscAndDecoderRegions});
      break;
    case EC_DVD_WARNING:
      pick({&OnDVDWarningInvalidDVD1_0Disc, &OnDVDWarningFormatNotSupported, &OnDVDWarningIllegalNavCommand,
            &OnDVDWarningOpen, &OnDVDWarningSeek, &OnDVDWarningRead});
      break;
    case EC_DVD_CHAPTER_AUTOSTOP: fire(OnDVDChapterAutoStop); break;
    case EC_DVD_NO_FP_PGC: fire(OnDVDNoFP_PGC); break;
    case EC_DVD_PLAYBACK_RATE_CHANGE:
      if (OnDVDPlaybackRateChange) OnDVDPlaybackRateChange(this, float(p1 / 10000.0));
      break;
    case EC_DVD_PARENTAL_LEVEL_CHANGE: if (OnDVDParentalLevelChange) OnDVDParentalLevelChange(this, p1); break;
    case EC_DVD_PLAYBACK_STOPPED: fire(OnDVDPlaybackStopped); break;
    case EC_DVD_ANGLES_AVAILABLE: if (OnDVDAnglesAvailable) OnDVDAnglesAvailable(this, Param1 == 1); break;
    case EC_DVD_PLAYPERIOD_AUTOSTOP: fire(OnDVDPlayPeriodAutoStop); break;
    case EC_DVD_BUTTON_AUTO_ACTIVATED: if (OnDVDButtonAutoActivated) OnDVDButtonAutoActivated(this, p1); break;
    case EC_DVD_CMD_START: if (OnDVDCMDStart) OnDVDCMDStart(this, p1); break;
    case EC_DVD_CMD_END: if (OnDVDCMDEnd) OnDVDCMDEnd(this, p1); break;
    case EC_DVD_DISC_EJECTED: fire(OnDVDDiscEjected); break;
    case EC_DVD_DISC_INSERTED: fire(OnDVDDiscInserted); break;
    case EC_DVD_CURRENT_HMSF_TIME:
      if (OnDVDCurrentHMSFTime) {
        const uint32_t v = uint32_t(Param1);
        DVD_HMSF_TIMECODE hmsf{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        std::array<uint8_t, 9> f = UnpackTimeCode(uint32_t(Param2));
        TDVDTimeCode tc{f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8]};
        OnDVDCurrentHMSFTime(this, hmsf, tc);
      }
      break;
    case EC_DVD_KARAOKE_MODE: if (OnDVDKaraokeMode) OnDVDKaraokeMode(this, Param1 != 0); break;
    case EC_SNDDEV_IN_ERROR: if (OnGraphSNDDevInError) OnGraphSNDDevInError(this, p1, p2); break;
    case EC_SNDDEV_OUT_ERROR: if (OnGraphSNDDevOutError) OnGraphSNDDevOutError(this, p1, p2); break;
    default: break;
  }
}

// ---------------------------------------------------------------------------
// Graph-building callbacks (on the main thread, while a file is rendered)

namespace {
// Runs a handler; a failure is shown and the answer stays the default.
template <class F>
bool guarded(F f, bool fallback) {
  bool r = fallback;
  DispatchEvent([&] { r = f(); });
  return r;
}
}  // namespace

HRESULT TFilterGraph::SelectedFilter(IMoniker* Moniker) {
  if (!OnSelectedFilter) return S_OK;
  GUID clsid = GUID_NULL;
  String name;
  if (Moniker) {
    ComPtr<IPropertyBag> bag;
    if (SUCCEEDED(Moniker->BindToStorage(IPropertyBag::IID, bag.PutVoid())) && bag) {
      std::string v;
      if (FAILED(bag->Read("CLSID", &v)) || !StringToGUID(v, clsid)) clsid = GUID_NULL;
      if (SUCCEEDED(bag->Read("FriendlyName", &v))) name = v;
    }
  }
  return guarded([&] { return OnSelectedFilter(Moniker, name, clsid); }, true) ? S_OK : E_FAIL;
}

HRESULT TFilterGraph::CreatedFilter(IBaseFilter* Filter) {
  if (!OnCreatedFilter) return S_OK;
  GUID clsid = GUID_NULL;
  if (Filter) Filter->GetClassID(&clsid);
  return guarded([&] { return OnCreatedFilter(Filter, clsid); }, true) ? S_OK : E_FAIL;
}

HRESULT TFilterGraph::UnableToRender(IPin* Pin) {
  HRESULT answer = S_FALSE;
  if (!Pin) return answer;
  PIN_INFO pi;
  if (FAILED(Pin->QueryPinInfo(&pi)) || !pi.pFilter) return answer;
  FILTER_INFO fi;
  if (FAILED(pi.pFilter->QueryFilterInfo(&fi)) || !fi.pGraph) return answer;
  ComPtr<IServiceProvider> sp = QueryAs<IServiceProvider>(fi.pGraph);
  if (!sp) return answer;
  void* obj = nullptr;
  if (FAILED(sp->QueryService(SID_FilterGraphComponent, SID_FilterGraphComponent, &obj)) || !obj) return answer;
  auto* owner = static_cast<TFilterGraph*>(static_cast<IServiceProvider*>(obj));
  if (owner->OnUnableToRender && guarded([&] { return owner->OnUnableToRender(Pin); }, false)) answer = S_OK;
  return answer;
}

int TFilterGraph::AnsweredCallbacks() {
  return (OnSelectedFilter ? cbSelectedFilter : 0) | (OnCreatedFilter ? cbCreatedFilter : 0) |
         (OnUnableToRender ? cbUnableToRender : 0);
}

HRESULT TFilterGraph::QueryService(const GUID& service, const GUID& iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (service == SID_FilterGraphComponent && iid == SID_FilterGraphComponent) {
    *out = static_cast<IServiceProvider*>(this);
    return S_OK;
  }
  return E_NOINTERFACE;
}

// A filter provider leaves the graph it is in (if any) and joins g, watching
// g so that it hears when the graph goes away.
static void MoveFilterProvider(TComponent* self, IFilterProvider* provider, TFilterGraph*& current, TFilterGraph* g) {
  if (g == current) return;
  if (current) {
    current->RemoveFilter(provider);
    current->RemoveFreeNotification(self);
  }
  if (g) {
    g->InsertFilter(provider);
    g->FreeNotification(self);
  }
  current = g;
}

// ---------------------------------------------------------------------------
// TSampleGrabber

TSampleGrabber::TSampleGrabber(TComponent* AOwner) : TComponent(AOwner) {
  ComPtr<IBaseFilter> probe;
  if (CreateMediaObject(CLSID_SampleGrabber, probe) != S_OK)
    throw EAssertionFailed("The SampleGrabber Filter is not available on this system.");
  probe.Reset();
  mediaType_ = new TMediaType(MEDIATYPE_Video);
  mediaType_->SetSubType(MEDIASUBTYPE_RGB24);
  mediaType_->SetFormatType(FORMAT_VideoInfo);
}

TSampleGrabber::~TSampleGrabber() {
  SetFilterGraph(nullptr);
  FreeAndNil(mediaType_);
}

void TSampleGrabber::SetFilterGraph(TFilterGraph* g) { MoveFilterProvider(this, this, filterGraph_, g); }

void TSampleGrabber::Notification(TComponent* AComponent, bool removing) {
  TComponent::Notification(AComponent, removing);
  // The graph goes away: it has removed the filter already.
  if (removing && AComponent == filterGraph_) filterGraph_ = nullptr;
}

HRESULT TSampleGrabber::QueryInterface(const GUID& iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid == IUnknown::IID || iid == IFilterProvider::IID) {
    *out = static_cast<IFilterProvider*>(this);
    return S_OK;
  }
  if (iid == ISampleGrabberCB::IID) {
    *out = static_cast<ISampleGrabberCB*>(this);
    return S_OK;
  }
  if (iid == ISpareFilterProvider::IID) {
    *out = static_cast<ISpareFilterProvider*>(this);
    return S_OK;
  }
  if (filter_) return filter_->QueryInterface(iid, out);
  return E_NOINTERFACE;
}

void TSampleGrabber::applyMediaType() {
  if (!grabber_) return;
  if (filter_) filter_->Stop();
  if (inPin_) inPin_->Disconnect();
  grabber_->SetMediaType(mediaType_->AMMediaType());
}

void TSampleGrabber::NotifyFilter(TFilterNotice Operation, int) {
  switch (Operation) {
    case fnAdding:
      filter_.Reset();
      CreateMediaObject(CLSID_SampleGrabber, filter_);
      break;
    case fnAdded: {
      grabber_ = QueryAs<ISampleGrabber>(filter_);
      TPinList pins(filter_.Get());
      inPin_ = pins.Count() > 0 ? pins.Items(0) : nullptr;
      outPin_ = pins.Count() > 1 ? pins.Items(1) : nullptr;
      applyMediaType();
      if (grabber_) {
        grabber_->SetBufferSamples(true);
        grabber_->SetCallback(static_cast<ISampleGrabberCB*>(this), 1);
      }
      break;
    }
    case fnRemoving:
      if (filter_) filter_->Stop();
      if (inPin_) inPin_->Disconnect();
      if (outPin_) outPin_->Disconnect();
      break;
    case fnRemoved:
      releaseFilter();
      break;
  }
}

// Lets go of its filter (the graph owns it) and of the callback into it.
void TSampleGrabber::releaseFilter() {
  if (grabber_) {
    grabber_->SetCallback(nullptr, 1);
    grabber_->SetBufferSamples(false);
  }
  filter_.Reset();
  grabber_.Reset();
  inPin_.Reset();
  outPin_.Reset();
}

bool TSampleGrabber::PrepareSpare(IFilterGraph* Graph) {
  DropSpare();
  {
    // A handler would hear the next clip's first frame while this one
    // plays: such a graph is rendered when its turn comes.
    std::lock_guard<TCriticalSection> g(lock_);
    if (OnBuffer) return false;
  }
  ComPtr<IBaseFilter> f;
  CreateMediaObject(CLSID_SampleGrabber, f);
  ComPtr<ISampleGrabber> grabber = QueryAs<ISampleGrabber>(f);
  if (!Graph || !grabber || FAILED(Graph->AddFilter(f.Get(), GetFilterName()))) return false;
  grabber->SetMediaType(mediaType_->AMMediaType());
  grabber->SetBufferSamples(true);
  spare_ = f;
  spareType_ = {mediaType_->AMMediaType()->majortype, mediaType_->AMMediaType()->subtype,
                mediaType_->AMMediaType()->formattype};
  return true;
}

bool TSampleGrabber::SpareValid() {
  {
    std::lock_guard<TCriticalSection> g(lock_);
    if (OnBuffer) return false;
  }
  const AM_MEDIA_TYPE* mt = mediaType_->AMMediaType();
  return spare_ && spareType_[0] == mt->majortype && spareType_[1] == mt->subtype && spareType_[2] == mt->formattype;
}

void TSampleGrabber::LeaveForSpare() { releaseFilter(); }

void TSampleGrabber::TakeSpare() {
  filter_ = std::move(spare_);
  spare_.Reset();
  grabber_ = QueryAs<ISampleGrabber>(filter_);
  TPinList pins(filter_.Get());
  inPin_ = pins.Count() > 0 ? pins.Items(0) : nullptr;
  outPin_ = pins.Count() > 1 ? pins.Items(1) : nullptr;
  if (grabber_) grabber_->SetCallback(static_cast<ISampleGrabberCB*>(this), 1);
}

void TSampleGrabber::DropSpare() { spare_.Reset(); }

HRESULT TSampleGrabber::BufferCB(double SampleTime, uint8_t* pBuffer, int32_t BufferLen) {
  std::lock_guard<TCriticalSection> g(lock_);
  if (!OnBuffer) return S_OK;
  try {
    OnBuffer(this, SampleTime, pBuffer, BufferLen);
  } catch (...) {
    // Never into the streaming thread: shown on the main thread.
    std::exception_ptr e = std::current_exception();
    TThread::Queue([e] { DispatchEvent([e] { std::rethrow_exception(e); }); });
  }
  return S_OK;
}

bool TSampleGrabber::WantsBuffers() {
  // Without a handler no sample is converted (BufferCB checks again).
  std::lock_guard<TCriticalSection> g(lock_);
  return bool(OnBuffer);
}

namespace {
// A row of B, G, R, x pixels copied with its fourth bytes made opaque; built
// for the widest vectors the processor has (the copy is bound by them). Not
// in a ThreadSanitizer build: the choice is made while the program is loaded,
// before the sanitizer is set up, and its instrumented chooser crashes there.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_THREAD__)
__attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#endif
void copyOpaque(uint32_t* __restrict d, const uint8_t* __restrict s, int width) {
  for (int x = 0; x < width; ++x) {
    uint32_t v;
    std::memcpy(&v, s + 4 * size_t(x), 4);
    d[x] = v | 0xFF000000u;
  }
}
}  // namespace

bool TSampleGrabber::GetBitmap(TBitmap* Bitmap) {
  if (!Bitmap || !grabber_) return false;
  // The kept sample itself, copied once into the bitmap's rows; the route
  // through the handed-out buffer (RGB24 bottom-up) gives the same pixels.
  TVideoFrame f;
  if (grabber_->GetCurrentFrame(f) != S_OK || !f.Bits || f.Width <= 0 || f.Height <= 0 || f.Width > 16384 ||
      f.Height > 16384 || f.Stride < 4 * f.Width)
    return BufferToBitmap(Bitmap, nullptr, 0);
  const int width = f.Width, height = f.Height;
  const size_t stride = size_t(f.Stride);
  Bitmap->SetSize(width, height);
  for (int y = 0; y < height; ++y)
    copyOpaque(reinterpret_cast<uint32_t*>(Bitmap->ScanLine(y)), f.Bits + size_t(y) * stride, width);
  if (Bitmap->OnChange) Bitmap->OnChange(Bitmap);
  return true;
}

bool TSampleGrabber::BufferToBitmap(TBitmap* Bitmap, const void* Buffer, int BufferLen) {
  if (!Bitmap || (Buffer && BufferLen <= 0)) return false;
  // Outside a graph there is no grabber and nothing to hand out.
  if (!grabber_) return false;
  AM_MEDIA_TYPE mt;
  if (FAILED(grabber_->GetConnectedMediaType(&mt))) return false;
  struct FreeType {
    AM_MEDIA_TYPE* m;
    ~FreeType() { FreeMediaType(m); }
  } freeType{&mt};
  if (!(mt.majortype == MEDIATYPE_Video)) return false;
  BITMAPINFOHEADER h;
  if (mt.formattype == FORMAT_VideoInfo && mt.cbFormat == sizeof(VIDEOINFOHEADER))
    std::memcpy(&h, mt.pbFormat + offsetof(VIDEOINFOHEADER, bmiHeader), sizeof h);
  else if (mt.formattype == FORMAT_VideoInfo2 && mt.cbFormat == sizeof(VIDEOINFOHEADER2))
    std::memcpy(&h, mt.pbFormat + offsetof(VIDEOINFOHEADER2, bmiHeader), sizeof h);
  else
    return false;
  // The device-independent picture: 15/16, 24 or 32 bits, a height of either sign.
  const int width = h.biWidth;
  const int height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  const int bpp = h.biBitCount == 15 ? 16 : h.biBitCount;
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384 || (bpp != 16 && bpp != 24 && bpp != 32)) return false;
  const int stride = (bpp * width + 31) / 32 * 4;
  const int64_t capacity = int64_t(stride) * height;
  int64_t image = h.biSizeImage != 0 ? int64_t(h.biSizeImage) : capacity * std::max<int>(1, h.biPlanes);
  image = std::min(image, capacity);   // the copy never exceeds the picture
  // Only what is not copied into is cleared.
  std::unique_ptr<uint8_t[]> dibBits(new uint8_t[size_t(capacity)]);
  uint8_t* dib = dibBits.get();
  int64_t copied = 0;
  if (Buffer) {
    copied = std::min<int64_t>(BufferLen, image);
    std::memcpy(dib, Buffer, size_t(copied));
  } else {
    int32_t size = 0;
    if (FAILED(grabber_->GetCurrentBuffer(&size, nullptr)) || size <= 0) return false;
    size = int32_t(std::min<int64_t>(size, image));
    if (FAILED(grabber_->GetCurrentBuffer(&size, dib))) return false;
    copied = std::clamp<int64_t>(size, 0, image);
  }
  std::memset(dib + copied, 0, size_t(capacity - copied));
  Bitmap->SetSize(width, height);
  const int px = bpp / 8;
  auto five = [](int v) { return uint8_t((v << 3) | (v >> 2)); };
  for (int y = 0; y < height; ++y) {
    const uint8_t* s = dib + size_t(h.biHeight > 0 ? height - 1 - y : y) * size_t(stride);
    uint8_t* d = Bitmap->ScanLine(y);
    if (bpp == 16) {   // 5 bits each of red, green, blue
      for (int x = 0; x < width; ++x) {
        const int v = s[2 * x] | s[2 * x + 1] << 8;
        d[4 * x] = five(v & 31);
        d[4 * x + 1] = five((v >> 5) & 31);
        d[4 * x + 2] = five((v >> 10) & 31);
        d[4 * x + 3] = 0xFF;
      }
      continue;
    }
    uint32_t* d32 = reinterpret_cast<uint32_t*>(d);
    if (px == 3) {
      for (int x = 0; x < width; ++x, s += 3)
        d32[x] = uint32_t(s[0]) | uint32_t(s[1]) << 8 | uint32_t(s[2]) << 16 | 0xFF000000u;
    } else {
      for (int x = 0; x < width; ++x, s += 4)
        d32[x] = uint32_t(s[0]) | uint32_t(s[1]) << 8 | uint32_t(s[2]) << 16 | 0xFF000000u;
    }
  }
  if (Bitmap->OnChange) Bitmap->OnChange(Bitmap);
  return true;
}

// ---------------------------------------------------------------------------
// TFilter

TFilter::TFilter(TComponent* AOwner) : TComponent(AOwner) { baseFilter_ = new TBaseFilter(); }

TFilter::~TFilter() {
  FreeAndNil(baseFilter_);
  SetFilterGraph(nullptr);
}

void TFilter::SetFilterGraph(TFilterGraph* g) { MoveFilterProvider(this, this, filterGraph_, g); }

void TFilter::Notification(TComponent* AComponent, bool removing) {
  TComponent::Notification(AComponent, removing);
  if (removing && AComponent == filterGraph_) filterGraph_ = nullptr;
}

HRESULT TFilter::QueryInterface(const GUID& iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid == IUnknown::IID || iid == IFilterProvider::IID) {
    *out = static_cast<IFilterProvider*>(this);
    return S_OK;
  }
  if (filter_) return filter_->QueryInterface(iid, out);
  return E_NOINTERFACE;
}

void TFilter::NotifyFilter(TFilterNotice Operation, int) {
  switch (Operation) {
    case fnAdding:
      filter_ = baseFilter_ ? baseFilter_->CreateFilter() : nullptr;
      break;
    case fnAdded:
      break;
    case fnRemoving:
      if (filter_) {
        FILTER_STATE s = State_Stopped;
        if (filter_->GetState(0, &s) == S_OK && (s == State_Paused || s == State_Running)) filter_->Stop();
      }
      break;
    case fnRemoved:
      filter_.Reset();
      break;
  }
}

// ---------------------------------------------------------------------------
// TDSTrackBar

TDSTrackBar::TDSTrackBar(TComponent* AOwner) : TTrackBar(AOwner) {
  timer_ = new TTimer(nullptr);
  timer_->SetEnabled(false);
  timer_->OnTimer = [this](TObject*) { TimerTick(); };
}

TDSTrackBar::~TDSTrackBar() {
  timerActive_ = false;
  restartTimer();
  SetFilterGraph(nullptr);
  FreeAndNil(timer_);
  seeking_.Reset();
}

void TDSTrackBar::SetFilterGraph(TFilterGraph* g) {
  if (g == filterGraph_) return;
  if (filterGraph_) {
    filterGraph_->RemoveEventNotifier(this);
    filterGraph_->RemoveFreeNotification(this);
  }
  if (g) {
    g->InsertEventNotifier(this);
    g->FreeNotification(this);
  }
  filterGraph_ = g;
}

void TDSTrackBar::Notification(TComponent* AComponent, bool removing) {
  TTrackBar::Notification(AComponent, removing);
  if (removing && AComponent == filterGraph_) {
    seeking_.Reset();
    filterGraph_ = nullptr;
  }
}

HRESULT TDSTrackBar::QueryInterface(const GUID& iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid == IUnknown::IID || iid == IGraphListener::IID) {
    *out = static_cast<IGraphListener*>(this);
    return S_OK;
  }
  return E_NOINTERFACE;
}

void TDSTrackBar::SetTimerInterval(uint32_t v) {
  if (v == interval_) return;
  interval_ = v;
  restartTimer();
}

void TDSTrackBar::SetOnTimer(TTimerEvent handler) {
  onTimer_ = std::move(handler);
  restartTimer();
}

void TDSTrackBar::restartTimer() {
  if (!timer_) return;
  timer_->SetEnabled(false);
  if (interval_ != 0 && timerActive_) {
    timer_->SetInterval(int(std::min<uint32_t>(interval_, 0x7FFFFFFF)));
    timer_->SetEnabled(true);
  }
}

void TDSTrackBar::setTimerActive(bool v) {
  if (v == timerActive_) return;
  timerActive_ = v;
  restartTimer();
}

void TDSTrackBar::ControlEvent(TControlNotice Operation, int Param) {
  switch (Operation) {
    case cnPlay: {
      // Where the graph starts from, told before it runs: its clock changes
      // as it starts, and the notice of that comes later, when it has
      // played on.
      REFERENCE_TIME current = 0;
      startedAway_ = seeking_ && SUCCEEDED(seeking_->GetCurrentPosition(&current)) && current != 0;
      setTimerActive(Enabled());
      break;
    }
    case cnPause:
    case cnStop: setTimerActive(false); break;
    case cnActive:
      seeking_.Reset();
      if (Param == 1 && filterGraph_) seeking_ = filterGraph_->Query<IMediaSeeking>();
      break;
    default: break;
  }
}

void TDSTrackBar::GraphEvent(int Event, LONG_PTR, LONG_PTR) {
  if (Event != EC_CLOCK_CHANGED || !seeking_) return;
  // The graph starts from the beginning whenever its clock changes. One
  // started at its beginning (as after a render) has nothing to seek, however
  // far it has played when this notice comes (on a busy machine a clip may
  // have ended by then): a seek would play it again from its start.
  if (!startedAway_) return;
  startedAway_ = false;
  REFERENCE_TIME stop = 0, start = 0;
  seeking_->GetDuration(&stop);
  seeking_->SetPositions(&start, AM_SEEKING_AbsolutePositioning, &stop, AM_SEEKING_NoPositioning);
}

void TDSTrackBar::TimerTick() {
  if (!seeking_ || dragging_ || interval_ == 0) return;
  REFERENCE_TIME stop = 0, current = 0;
  if (FAILED(seeking_->GetDuration(&stop)) || FAILED(seeking_->GetCurrentPosition(&current))) return;
  const uint32_t stopMs = uint32_t(RefTimeToMSec(stop));
  const uint32_t currentMs = uint32_t(RefTimeToMSec(current));
  SetMin(0);
  SetMax(int(stopMs / interval_));
  SetPosition(int(currentMs / interval_));
  if (onTimer_) onTimer_(this, currentMs, stopMs);
}

void TDSTrackBar::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  TTrackBar::MouseDown(b, s, x, y);
  if (b == mbLeft) dragging_ = true;
}

void TDSTrackBar::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  TTrackBar::MouseUp(b, s, x, y);
  if (b == mbLeft && seeking_ && Max() > 0) {
    REFERENCE_TIME stop = 0;
    if (SUCCEEDED(seeking_->GetStopPosition(&stop))) {
      REFERENCE_TIME pos = stop * int64_t(Position()) / int64_t(Max());
      seeking_->SetPositions(&pos, AM_SEEKING_AbsolutePositioning, &stop, AM_SEEKING_NoPositioning);
    }
  }
  dragging_ = false;
}
