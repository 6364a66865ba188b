// The filter graph over a GstPipeline: filters, links, rendering a file,
// control, seeking, notifications, audio and frame stepping.
#include <gst/app/gstappsink.h>
#include <gst/video/navigation.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cmath>
#include <cstring>

#include "platform/dshow/MediaFilters_p.h"
#include "platform/dshow/Overlay.h"
#include "toolkit/Classes.h"

void EnsureGStreamer() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (!gst_is_initialized()) gst_init(nullptr, nullptr);
  });
}

GstElement* MakeElement(const char* factory, const char* name) {
  EnsureGStreamer();
  return gst_element_factory_make(factory, name);
}

void RegisterBuiltinMediaClasses() {
  EnsureGStreamer();
  RegisterMediaClassRaw(CLSID_FilterGraph, [] { return static_cast<IFilterGraph2*>(new TGraph()); });
  RegisterItemMonikerClass();
  RegisterFilterClasses();
  RegisterDeviceClasses();
  RegisterBuilderClasses();
  RegisterOverlayClasses();
}

// ---------------------------------------------------------------------------
// Pins

TMediaPin::TMediaPin(TMediaFilter* filter, PIN_DIRECTION dir, std::string name, GstPad* ghost)
    : filter_(filter), dir_(dir), name_(std::move(name)), pad_(ghost) {
  if (pad_) gst_object_ref(pad_);
}

TMediaPin::~TMediaPin() {
  if (pad_) gst_object_unref(pad_);
}

HRESULT TMediaPin::QueryInterface(const GUID& iid, void** out) {
  if (iid == IUnknown::IID || iid == IPin::IID) {
    AddRef();
    *out = static_cast<IPin*>(this);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}
ULONG TMediaPin::AddRef() { return filter_->AddRef(); }
ULONG TMediaPin::Release() { return filter_->Release(); }

HRESULT TMediaPin::ConnectedTo(IPin** pin) {
  TGraph* g = filter_->Graph();
  *pin = nullptr;
  TMediaPin* p = peer;
  if (!g || !p) return MEDIA_E_NOT_CONNECTED;
  p->AddRef();
  *pin = p;
  return S_OK;
}

HRESULT TMediaPin::Disconnect() {
  TGraph* g = filter_->Graph();
  if (!g || !peer) return S_FALSE;
  g->UnlinkPin(this);
  return S_OK;
}

HRESULT TMediaPin::QueryPinInfo(PIN_INFO* info) {
  info->pFilter = filter_;
  info->dir = dir_;
  info->achName = name_;
  return S_OK;
}

std::string TMediaPin::Kind() const {
  if (!pad_) return "";
  GstCaps* caps = gst_pad_get_current_caps(pad_);
  if (!caps) caps = gst_pad_query_caps(pad_, nullptr);
  std::string kind;
  if (caps && gst_caps_get_size(caps) > 0 && !gst_caps_is_any(caps)) {
    const char* n = gst_structure_get_name(gst_caps_get_structure(caps, 0));
    if (g_str_has_prefix(n, "video/")) kind = "video";
    else if (g_str_has_prefix(n, "audio/")) kind = "audio";
    else kind = n;
  }
  if (caps) gst_caps_unref(caps);
  return kind;
}

HRESULT TMediaPin::ConnectionMediaType(AM_MEDIA_TYPE* mt) {
  if (!peer) return MEDIA_E_NOT_CONNECTED;
  *mt = AM_MEDIA_TYPE{};
  std::string k = Kind();
  mt->majortype = k == "video" ? MEDIATYPE_Video : k == "audio" ? MEDIATYPE_Audio : MEDIATYPE_Stream;
  mt->bFixedSizeSamples = 1;
  mt->lSampleSize = 1;
  return S_OK;
}

// ---------------------------------------------------------------------------
// Filters

TMediaFilter::TMediaFilter(const CLSID& clsid, const char* binName) : clsid_(clsid) {
  EnsureGStreamer();
  if (binName) {
    bin_ = gst_bin_new(nullptr);
    gst_object_ref_sink(bin_);
    name_ = binName;
  }
}

TMediaFilter::~TMediaFilter() {
  pins.clear();
  if (bin_) {
    gst_element_set_state(bin_, GST_STATE_NULL);
    gst_object_unref(bin_);
  }
}

HRESULT TMediaFilter::QueryInterface(const GUID& iid, void** out) {
  if (AnswerInterface<IUnknown>(static_cast<IBaseFilter*>(this), iid, out) ||
      AnswerInterface<IBaseFilter>(this, iid, out) || AnswerInterface<IMediaFilter>(this, iid, out) ||
      AnswerInterface<IPersist>(this, iid, out))
    return S_OK;
  if (QueryExtra(iid, out)) return S_OK;
  *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT TMediaFilter::Stop() { state_ = State_Stopped; return S_OK; }
HRESULT TMediaFilter::Pause() { state_ = State_Paused; return S_OK; }
HRESULT TMediaFilter::Run(REFERENCE_TIME) { state_ = State_Running; return S_OK; }
HRESULT TMediaFilter::GetState(DWORD, FILTER_STATE* state) {
  // A filter in a graph follows the graph's state.
  if (TGraph* g = Graph()) {
    OAFilterState s = State_Stopped;
    g->GetState(0, &s);
    *state = FILTER_STATE(s);
  } else {
    *state = state_;
  }
  return S_OK;
}

HRESULT TMediaFilter::EnumPins(IEnumPins** out) {
  std::vector<ComPtr<IPin>> v;
  for (auto& p : pins)
    if (!p->dead) v.emplace_back(p.get());
  auto* e = new TEnumVector<IEnumPins, IPin>(std::move(v));
  e->AddRef();
  *out = e;
  return S_OK;
}

HRESULT TMediaFilter::QueryFilterInfo(FILTER_INFO* info) {
  std::lock_guard<std::mutex> g(graphMutex_);
  info->achName = name_;
  info->pGraph = graph_ ? static_cast<IFilterGraph*>(graph_) : nullptr;
  return S_OK;
}

HRESULT TMediaFilter::JoinFilterGraph(IFilterGraph* graph, const std::string& name) {
  std::lock_guard<std::mutex> g(graphMutex_);
  graph_ = graph ? dynamic_cast<TGraph*>(graph) : nullptr;
  if (graph) name_ = name;
  return S_OK;
}

TGraph* TMediaFilter::Graph() const {
  std::lock_guard<std::mutex> g(graphMutex_);
  return graph_;
}

static GstPadProbeReturn dropBuffers(GstPad*, GstPadProbeInfo*, gpointer) { return GST_PAD_PROBE_DROP; }

TMediaPin* TMediaFilter::AddPin(PIN_DIRECTION dir, const std::string& name, GstPad* target) {
  GstPad* ghost = nullptr;
  if (target && bin_) {
    std::string padName = (dir == PINDIR_INPUT ? "in_" : "out_") + std::to_string(pins.size());
    ghost = gst_ghost_pad_new(padName.c_str(), target);
    gst_pad_set_active(ghost, TRUE);
    gst_element_add_pad(bin_, ghost);
  }
  pins.push_back(std::make_unique<TMediaPin>(this, dir, name, ghost));
  TMediaPin* p = pins.back().get();
  // A free output drops what it is given, so a stream nobody renders never
  // stops the others.
  if (ghost && dir == PINDIR_OUTPUT)
    p->dropProbe = gst_pad_add_probe(ghost, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
                                     dropBuffers, nullptr, nullptr);
  return p;
}

TMediaPin* TMediaFilter::FirstFreePin(PIN_DIRECTION dir, const std::string& kind) const {
  for (auto& p : pins)
    if (p->Dir() == dir && !p->peer && !p->dead && (kind.empty() || p->Kind() == kind)) return p.get();
  return nullptr;
}

bool TMediaFilter::AnyPinConnected() const {
  for (auto& p : pins)
    if (p->peer) return true;
  return false;
}

// ---------------------------------------------------------------------------
// The graph

struct TGraph::RenderJob {
  std::mutex m;
  // The last sign of progress (a message, an element, a stream), steady ms.
  std::atomic<int64_t> active{GetTickCount64()};
  bool failed = false, noMorePads = false;
  // The graph-building callbacks the site answers (asked when the render
  // starts); the others are not crossed to the main thread.
  int answered = ~0;
  HRESULT error = S_OK;
  std::string message;
  int rendered = 0, unrendered = 0;
  std::vector<ComPtr<IBaseFilter>> added;
  std::vector<TMediaPin*> links;   // output pins linked while rendering
};

TGraph::TGraph() {
  EnsureGStreamer();
  pipeline_ = gst_pipeline_new(nullptr);
  gst_object_ref_sink(pipeline_);
  GstBus* bus = gst_element_get_bus(pipeline_);
  gst_bus_set_sync_handler(bus, &TGraph::busSync, this, nullptr);
  gst_object_unref(bus);
}

TGraph::~TGraph() {
  gst_element_set_state(pipeline_, GST_STATE_NULL);
  std::vector<Entry> left;
  {
    std::lock_guard<std::recursive_mutex> g(lock_);
    left.swap(filters_);
  }
  for (auto& e : left) {
    if (auto* mf = dynamic_cast<TMediaFilter*>(e.filter.Get())) {
      for (auto& p : mf->pins) {
        p->peer = nullptr;
        p->converter = nullptr;
      }
      if (mf->inPipeline) {
        gst_bin_remove(GST_BIN(pipeline_), mf->Bin());
        mf->inPipeline = false;
      }
    }
    e.filter->JoinFilterGraph(nullptr, "");
  }
  GstBus* bus = gst_element_get_bus(pipeline_);
  gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
  gst_object_unref(bus);
  gst_object_unref(pipeline_);
  for (auto& ev : events_) freeParams(ev.code, ev.p1, ev.p2);
}

HRESULT TGraph::QueryInterface(const GUID& iid, void** out) {
  if (AnswerInterface<IUnknown>(static_cast<IFilterGraph2*>(this), iid, out) ||
      AnswerInterface<IFilterGraph>(this, iid, out) || AnswerInterface<IGraphBuilder>(this, iid, out) ||
      AnswerInterface<IFilterGraph2>(this, iid, out) || AnswerInterface<IMediaControl>(this, iid, out) ||
      AnswerInterface<IMediaSeeking>(this, iid, out) || AnswerInterface<IMediaEvent>(this, iid, out) ||
      AnswerInterface<IMediaEventEx>(this, iid, out) || AnswerInterface<IMediaEventSink>(this, iid, out) ||
      AnswerInterface<IBasicAudio>(this, iid, out) || AnswerInterface<IVideoFrameStep>(this, iid, out) ||
      AnswerInterface<IObjectWithSite>(this, iid, out) || AnswerInterface<IServiceProvider>(this, iid, out))
    return S_OK;
  *out = nullptr;
  return E_NOINTERFACE;
}

void TGraph::Log(const std::string& line) {
  intptr_t fd = logFd_;
  if (fd <= 0) return;
  std::string l = line + "\n";
  ssize_t r = ::write(int(fd), l.data(), l.size());
  (void)r;
}

HRESULT TGraph::SetLogFile(intptr_t fd) {
  logFd_ = fd;
  return S_OK;
}

std::vector<ComPtr<IBaseFilter>> TGraph::Filters() {
  std::lock_guard<std::recursive_mutex> g(lock_);
  std::vector<ComPtr<IBaseFilter>> v;
  for (auto& e : filters_) v.push_back(e.filter);
  return v;
}

HRESULT TGraph::AddFilter(IBaseFilter* filter, const std::string& name) {
  if (busyOnMain()) return E_UNEXPECTED;
  if (!filter) return E_POINTER;
  std::string n;
  {
    std::lock_guard<std::recursive_mutex> g(lock_);
    for (auto& e : filters_)
      if (SameObject(e.filter.Get(), filter)) return E_INVALIDARG;
    n = name.empty() ? "Filter" : name;
    auto taken = [&](const std::string& s) {
      for (auto& e : filters_)
        if (e.name == s) return true;
      return false;
    };
    for (int k = 1; taken(n); ++k) {
      char b[16];
      std::snprintf(b, sizeof b, " %04d", k);
      n = (name.empty() ? "Filter" : name) + b;
    }
    filters_.push_back({ComPtr<IBaseFilter>(filter), n});
  }
  filter->JoinFilterGraph(this, n);
  if (auto* mf = dynamic_cast<TMediaFilter*>(filter))
    if (mf->AlwaysInPipeline()) {
      std::lock_guard<std::recursive_mutex> g(lock_);
      bringInPipeline(mf);
      if (pipelineAbove(GST_STATE_NULL)) gst_element_sync_state_with_parent(mf->Bin());
    }
  Log("added filter \"" + n + "\"");
  return S_OK;
}

HRESULT TGraph::AddOwnFilter(TMediaFilter* f, const std::string& name) {
  return AddFilter(static_cast<IBaseFilter*>(f), name);
}

HRESULT TGraph::RemoveFilter(IBaseFilter* filter) {
  if (busyOnMain()) return E_UNEXPECTED;
  if (!filter) return E_POINTER;
  ComPtr<IBaseFilter> keep;
  std::string name;
  {
    std::lock_guard<std::recursive_mutex> g(lock_);
    auto it = std::find_if(filters_.begin(), filters_.end(),
                           [&](const Entry& e) { return SameObject(e.filter.Get(), filter); });
    if (it == filters_.end()) return MEDIA_E_NOT_IN_GRAPH;
    keep = it->filter;
    name = it->name;
    if (auto* mf = dynamic_cast<TMediaFilter*>(filter)) {
      for (auto& p : mf->pins)
        if (p->peer) UnlinkPin(p.get());
      if (mf->inPipeline) {
        gst_element_set_state(mf->Bin(), GST_STATE_NULL);
        gst_bin_remove(GST_BIN(pipeline_), mf->Bin());
        mf->inPipeline = false;
      }
    } else {
      ComPtr<IEnumPins> pins;
      if (SUCCEEDED(filter->EnumPins(pins.Put())) && pins) {
        IPin* p = nullptr;
        while (pins->Next(1, &p, nullptr) == S_OK) {
          ComPtr<IPin> pin = ComPtr<IPin>::Attach(p);
          ComPtr<IPin> other;
          if (SUCCEEDED(pin->ConnectedTo(other.Put()))) pin->Disconnect();
        }
      }
    }
    filters_.erase(it);
  }
  filter->JoinFilterGraph(nullptr, "");
  if (!hasContent()) {
    gst_element_set_state(pipeline_, GST_STATE_NULL);
    prerolled_ = false;
    stalled_ = false;
    eos_ = false;
    startNs_ = 0;
  }
  Log("removed filter \"" + name + "\"");
  return S_OK;
}

HRESULT TGraph::EnumFilters(IEnumFilters** out) {
  auto* e = new TEnumVector<IEnumFilters, IBaseFilter>(Filters());
  e->AddRef();
  *out = e;
  return S_OK;
}

HRESULT TGraph::FindFilterByName(const std::string& name, IBaseFilter** out) {
  std::lock_guard<std::recursive_mutex> g(lock_);
  *out = nullptr;
  for (auto& e : filters_)
    if (e.name == name) {
      e.filter->AddRef();
      *out = e.filter.Get();
      return S_OK;
    }
  return MEDIA_E_NOT_IN_GRAPH;
}

bool TGraph::pipelineAbove(GstState s) {
  GstState cur = GST_STATE_NULL, pend = GST_STATE_VOID_PENDING;
  gst_element_get_state(pipeline_, &cur, &pend, 0);
  GstState target = pend != GST_STATE_VOID_PENDING ? pend : cur;
  return target > s || cur > s;
}

bool TGraph::hasContent() {
  std::lock_guard<std::recursive_mutex> g(lock_);
  for (auto& e : filters_)
    if (auto* mf = dynamic_cast<TMediaFilter*>(e.filter.Get()))
      if (mf->inPipeline) return true;
  return false;
}

bool TGraph::isLiveGraph() {
  std::lock_guard<std::recursive_mutex> g(lock_);
  for (auto& e : filters_)
    if (auto* mf = dynamic_cast<TMediaFilter*>(e.filter.Get()))
      if (mf->inPipeline && mf->IsLive()) return true;
  return false;
}

void TGraph::bringInPipeline(TMediaFilter* f) {
  if (f->inPipeline || !f->Bin()) return;
  gst_bin_add(GST_BIN(pipeline_), f->Bin());
  f->inPipeline = true;
}

void TGraph::leavePipelineWhenFree(TMediaFilter* f) {
  if (!f->inPipeline || f->AlwaysInPipeline() || f->AnyPinConnected()) return;
  gst_element_set_state(f->Bin(), GST_STATE_NULL);
  gst_bin_remove(GST_BIN(pipeline_), f->Bin());
  f->inPipeline = false;
}

static bool inGraph(TMediaFilter* f, TGraph* g) { return f && f->Graph() == g; }

HRESULT TGraph::LinkPins(TMediaPin* out, TMediaPin* in, bool allowConverter) {
  if (!out || !in || out->Dir() != PINDIR_OUTPUT || in->Dir() != PINDIR_INPUT) return E_INVALIDARG;
  std::lock_guard<std::recursive_mutex> g(lock_);
  if (out->peer || in->peer) return MEDIA_E_ALREADY_CONNECTED;
  if (!inGraph(out->Filter(), this) || !inGraph(in->Filter(), this)) return MEDIA_E_NOT_IN_GRAPH;
  if (!out->Pad() || !in->Pad()) return MEDIA_E_CANNOT_CONNECT;
  TMediaFilter* of = out->Filter();
  TMediaFilter* inf = in->Filter();
  const bool outNew = !of->inPipeline, inNew = !inf->inPipeline;
  bringInPipeline(of);
  bringInPipeline(inf);
  GstElement* conv = nullptr;
  if (gst_pad_link(out->Pad(), in->Pad()) != GST_PAD_LINK_OK) {
    bool ok = false;
    if (allowConverter) {
      conv = MakeElement(out->Kind() == "audio" ? "audioconvert" : "videoconvert");
      if (conv) {
        gst_bin_add(GST_BIN(pipeline_), conv);
        GstPad* cs = gst_element_get_static_pad(conv, "sink");
        GstPad* cr = gst_element_get_static_pad(conv, "src");
        ok = gst_pad_link(out->Pad(), cs) == GST_PAD_LINK_OK;
        if (ok && gst_pad_link(cr, in->Pad()) != GST_PAD_LINK_OK) {
          gst_pad_unlink(out->Pad(), cs);
          ok = false;
        }
        gst_object_unref(cs);
        gst_object_unref(cr);
        if (!ok) {
          gst_bin_remove(GST_BIN(pipeline_), conv);
          conv = nullptr;
        }
      }
    }
    if (!ok) {
      leavePipelineWhenFree(inf);
      leavePipelineWhenFree(of);
      Log("cannot connect two pins");
      return MEDIA_E_CANNOT_CONNECT;
    }
  }
  out->converter = conv;
  out->peer = in;
  in->peer = out;
  {
    std::lock_guard<std::mutex> jg(jobMutex_);
    if (job_) job_->links.push_back(out);
  }
  if (out->dropProbe) {
    gst_pad_remove_probe(out->Pad(), out->dropProbe);
    out->dropProbe = 0;
  }
  // Downstream first, so that nothing is pushed into an element still in NULL.
  if (pipelineAbove(GST_STATE_NULL)) {
    if (inNew) gst_element_sync_state_with_parent(inf->Bin());
    if (conv) gst_element_sync_state_with_parent(conv);
    if (outNew) gst_element_sync_state_with_parent(of->Bin());
  }
  FILTER_INFO a, b;
  of->QueryFilterInfo(&a);
  inf->QueryFilterInfo(&b);
  Log("connected \"" + a.achName + "\" to \"" + b.achName + "\"" + (conv ? " through a converter" : ""));
  return S_OK;
}

void TGraph::UnlinkPin(TMediaPin* pin) {
  std::lock_guard<std::recursive_mutex> g(lock_);
  TMediaPin* out = pin->Dir() == PINDIR_OUTPUT ? pin : pin->peer;
  TMediaPin* in = pin->Dir() == PINDIR_OUTPUT ? pin->peer : pin;
  if (!out || !in) return;
  // A prerolled branch holds its streaming thread in the sink. The branch
  // below the link is flushed first, which lets that thread go (its task
  // pauses on the flush) while the decoder keeps its streams; the flushing
  // seek that follows a new link starts it again. Without pads to flush the
  // pipeline goes to READY (and a file is rendered again).
  GstPad* flushAt = nullptr;
  if (pipelineAbove(GST_STATE_READY)) {
    if (out->converter) flushAt = gst_element_get_static_pad(out->converter, "sink");
    else if (in->Pad()) flushAt = GST_PAD(gst_object_ref(in->Pad()));
    if (flushAt) {
      // Still prerolled for the flushing seek after the new link.
      gst_pad_send_event(flushAt, gst_event_new_flush_start());
    } else {
      gst_element_set_state(pipeline_, GST_STATE_READY);
      prerolled_ = false;
      eos_ = false;
    }
  }
  if (out->converter) {
    GstElement* conv = out->converter;
    gst_element_set_state(conv, GST_STATE_NULL);
    GstPad* cs = gst_element_get_static_pad(conv, "sink");
    GstPad* cr = gst_element_get_static_pad(conv, "src");
    gst_pad_unlink(out->Pad(), cs);
    gst_pad_unlink(cr, in->Pad());
    gst_object_unref(cs);
    gst_object_unref(cr);
    gst_bin_remove(GST_BIN(pipeline_), conv);
    out->converter = nullptr;
  } else if (out->Pad() && in->Pad()) {
    gst_pad_unlink(out->Pad(), in->Pad());
  }
  out->peer = nullptr;
  in->peer = nullptr;
  if (flushAt) {
    // The filter below takes data again once it is linked anew.
    if (in->Pad()) gst_pad_send_event(in->Pad(), gst_event_new_flush_stop(TRUE));
    gst_object_unref(flushAt);
  }
  if (out->Pad() && !out->dropProbe)
    out->dropProbe = gst_pad_add_probe(out->Pad(), GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
                                       dropBuffers, nullptr, nullptr);
  leavePipelineWhenFree(in->Filter());
  leavePipelineWhenFree(out->Filter());
}

HRESULT TGraph::ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE*) {
  if (busyOnMain()) return E_UNEXPECTED;
  if (state_ == State_Running) return MEDIA_E_NOT_STOPPED;
  HRESULT hr = LinkPins(dynamic_cast<TMediaPin*>(out), dynamic_cast<TMediaPin*>(in), false);
  if (SUCCEEDED(hr)) {
    clockChangePending_ = true;
    flushingSeekAfterChange();
  }
  return hr;
}

HRESULT TGraph::Connect(IPin* out, IPin* in) {
  if (busyOnMain()) return E_UNEXPECTED;
  if (state_ == State_Running) return MEDIA_E_NOT_STOPPED;
  HRESULT hr = LinkPins(dynamic_cast<TMediaPin*>(out), dynamic_cast<TMediaPin*>(in), true);
  if (SUCCEEDED(hr)) {
    clockChangePending_ = true;
    flushingSeekAfterChange();
  }
  return hr;
}

HRESULT TGraph::Disconnect(IPin* pin) {
  if (busyOnMain()) return E_UNEXPECTED;
  if (!pin) return E_POINTER;
  if (auto* p = dynamic_cast<TMediaPin*>(pin)) {
    if (!p->peer) return S_FALSE;
    UnlinkPin(p);
    return S_OK;
  }
  return pin->Disconnect();
}

void TGraph::flushingSeekAfterChange() {
  // New branches of a prerolled graph get their data again from one seek,
  // made when the graph is next run, paused or stepped: links made one
  // after another (an overlay set up after a render) cost one seek, and a
  // seek of the caller's own before then replaces it.
  if (!prerolled_ || isLiveGraph() || !pipelineAbove(GST_STATE_READY)) return;
  seekAfterChange_ = true;
}

void TGraph::seekAfterChange() {
  if (!seekAfterChange_.exchange(false)) return;
  if (!prerolled_ || isLiveGraph() || !pipelineAbove(GST_STATE_READY)) return;
  // A branch linked anew waits for data, so no state change settles before
  // the seek: it is not waited for.
  gint64 pos = 0;
  if (!gst_element_query_position(pipeline_, GST_FORMAT_TIME, &pos)) pos = 0;
  // A stream that cannot seek (a single picture under a clip's name) gets
  // no data again after the flush of the relink: it never prerolls, and
  // running it is refused as a failed stream.
  if (FAILED(seekTo(pos, rate_, stopNs_, false))) {
    stalled_ = true;
    Log("the stream cannot start again after a relink");
  }
}

static TMediaFilter* findFilter(const std::vector<ComPtr<IBaseFilter>>& filters, const CLSID& clsid,
                                bool needFreeInput) {
  for (auto& f : filters) {
    auto* mf = dynamic_cast<TMediaFilter*>(f.Get());
    CLSID c;
    if (!mf || FAILED(mf->GetClassID(&c)) || !(c == clsid)) continue;
    if (needFreeInput) {
      if (mf->AnyPinConnected() || !mf->FirstFreePin(PINDIR_INPUT)) continue;
    }
    return mf;
  }
  return nullptr;
}

HRESULT TGraph::Render(IPin* outPin) {
  auto* out = dynamic_cast<TMediaPin*>(outPin);
  if (!out || out->Dir() != PINDIR_OUTPUT) return E_INVALIDARG;
  std::string kind = out->Kind();
  std::vector<ComPtr<IBaseFilter>> filters = Filters();
  if (kind == "video") {
    TMediaPin* from = out;
    if (TMediaFilter* grabber = findFilter(filters, CLSID_SampleGrabber, true)) {
      if (SUCCEEDED(LinkPins(from, grabber->FirstFreePin(PINDIR_INPUT), true)))
        from = grabber->FirstFreePin(PINDIR_OUTPUT);
    }
    // An overlay route made before the render (a graph made ready ahead): the
    // video goes into the mixer, whose output feeds the renderer already, so
    // the first frame comes through it and nothing is relinked afterwards.
    {
      std::lock_guard<std::recursive_mutex> g(lock_);
      for (auto& f : filters) {
        auto* mf = dynamic_cast<TMediaFilter*>(f.Get());
        CLSID c;
        if (!mf || FAILED(mf->GetClassID(&c)) || !(c == CLSID_OverlayMixer)) continue;
        TMediaPin* in = nullptr;
        bool fedOut = false;
        for (auto& p : mf->pins) {
          if (p->Dir() == PINDIR_INPUT && !in) in = p.get();
          if (p->Dir() == PINDIR_OUTPUT && p->peer) fedOut = true;
        }
        if (in && !in->peer && fedOut) return LinkPins(from, in, true);
      }
    }
    TMediaFilter* renderer = findFilter(filters, CLSID_VideoRenderer, true);
    ComPtr<IBaseFilter> made;
    if (!renderer) {
      if (FAILED(CreateMediaObject(CLSID_VideoRenderer, made))) return MEDIA_E_CANNOT_CONNECT;
      renderer = dynamic_cast<TMediaFilter*>(made.Get());
      AddOwnFilter(renderer, "Video Renderer");
      std::lock_guard<std::mutex> g(jobMutex_);
      if (job_) job_->added.push_back(made);
    }
    return LinkPins(from, renderer->FirstFreePin(PINDIR_INPUT), true);
  }
  if (kind == "audio") {
    ComPtr<IBaseFilter> made;
    if (FAILED(CreateMediaObject(CLSID_AudioRenderer, made))) return MEDIA_E_CANNOT_CONNECT;
    auto* r = dynamic_cast<TMediaFilter*>(made.Get());
    AddOwnFilter(r, "Audio Renderer");
    {
      std::lock_guard<std::mutex> g(jobMutex_);
      if (job_) job_->added.push_back(made);
    }
    HRESULT hr = LinkPins(out, r->FirstFreePin(PINDIR_INPUT), true);
    if (SUCCEEDED(hr)) applyAudio();
    return hr;
  }
  return MEDIA_E_CANNOT_CONNECT;
}

namespace {
// The calling thread's (or a thread's) scheduling: the batch policy is not
// favoured when it wakes, so it takes the processor only when the threads
// that were running let it go or their share is used.
void SetThreadBatch(long tid, bool batch) {
  sched_param p{};
  p.sched_priority = 0;
  sched_setscheduler(pid_t(tid), batch ? SCHED_BATCH : SCHED_OTHER, &p);
}
}  // namespace

HRESULT TGraph::SetBackground(bool background) {
  std::vector<long> threads;
  {
    std::lock_guard<std::mutex> g(backgroundMutex_);
    background_ = background;
    if (!background) threads.swap(backgroundThreads_);
  }
  // The thread that renders it in the background is the caller (it keeps
  // the policy); the streaming threads get theirs back when it comes forward.
  if (background) SetThreadBatch(0, true);
  for (long tid : threads) SetThreadBatch(tid, false);
  return S_OK;
}

// Posted from within a streaming thread as it enters and leaves its task (the
// bus's sync handler runs on the posting thread).
void TGraph::onStreamStatus(GstMessage* msg) {
  GstStreamStatusType type;
  GstElement* owner = nullptr;
  gst_message_parse_stream_status(msg, &type, &owner);
  const long tid = long(syscall(SYS_gettid));
  std::lock_guard<std::mutex> g(backgroundMutex_);
  if (type == GST_STREAM_STATUS_TYPE_ENTER && background_) {
    backgroundThreads_.push_back(tid);
    SetThreadBatch(0, true);
  } else if (type == GST_STREAM_STATUS_TYPE_LEAVE) {
    // Pooled threads go back to their ordinary scheduling.
    auto it = std::find(backgroundThreads_.begin(), backgroundThreads_.end(), tid);
    if (it != backgroundThreads_.end()) {
      backgroundThreads_.erase(it);
      SetThreadBatch(0, false);
    }
  }
}

HRESULT TGraph::Abort() {
  {
    std::lock_guard<std::mutex> g(jobMutex_);
    if (job_) {
      std::lock_guard<std::mutex> jg(job_->m);
      job_->failed = true;
      if (job_->error == S_OK) job_->error = E_ABORT;
      if (job_->message.empty()) job_->message = "the render was abandoned";
    } else {
      abortNext_ = true;
    }
  }
  WakeWaiters();
  return S_OK;
}

bool TGraph::syncOnMain(const std::function<void()>& f) {
  {
    std::lock_guard<std::mutex> g(jobMutex_);
    if (!job_) return false;
  }
  try {
    TThread::Synchronize(f);
  } catch (...) {
    return false;
  }
  return true;
}

TWaitResult TGraph::waitUntil(const std::function<bool()>& done, int timeoutMs) {
  if (!TThread::IsMainThread()) return WaitFor(done, timeoutMs);
  // What runs meanwhile may not change this graph; the caller holds a
  // reference (KeepAlive) over the whole call, so that it is not freed.
  struct Serving {
    explicit Serving(int& n) : n_(n) { ++n_; }
    ~Serving() { --n_; }
    int& n_;
  } serving(serving_);
  return WaitFor(done, timeoutMs, TWaitInput::None());
}

// serving_ is the main thread's own: read only there.
bool TGraph::busyOnMain() const { return TThread::IsMainThread() && serving_ > 0; }

void TGraph::settleState(int timeoutMs) {
  if (!TThread::IsMainThread()) {
    gst_element_get_state(pipeline_, nullptr, nullptr, GstClockTime(timeoutMs) * GST_MSECOND);
    return;
  }
  // Every step of a state change posts its message on the bus, which wakes
  // the wait; the pipeline's return is set before the message goes.
  waitUntil([&] { return gst_element_get_state(pipeline_, nullptr, nullptr, 0) != GST_STATE_CHANGE_ASYNC; },
            timeoutMs);
}

void TGraph::StreamAdded(TMediaPin* pin) {
  noteProgress();
  HRESULT hr = Render(pin);
  std::shared_ptr<RenderJob> job;
  {
    std::lock_guard<std::mutex> g(jobMutex_);
    job = job_;
  }
  if (SUCCEEDED(hr)) {
    if (job) {
      std::lock_guard<std::mutex> g(job->m);
      ++job->rendered;
    }
    return;
  }
  Log("unable to render a stream");
  if (job) {
    std::lock_guard<std::mutex> g(job->m);
    ++job->unrendered;
  }
  ComPtr<IAMFilterGraphCallback> cb =
      siteAnswers(IAMGraphCallbackInterest::cbUnableToRender) ? QueryAs<IAMFilterGraphCallback>(site().Get()) : nullptr;
  if (cb) {
    ComPtr<IPin> keep(pin);
    syncOnMain([&] { cb->UnableToRender(pin); });
  }
}

void TGraph::NoMorePads() {
  std::lock_guard<std::mutex> g(jobMutex_);
  if (job_) {
    std::lock_guard<std::mutex> jg(job_->m);
    job_->noMorePads = true;
  }
  WakeWaiters();
}

bool TGraph::siteAnswers(int callback) {
  std::lock_guard<std::mutex> g(jobMutex_);
  return job_ && (job_->answered & callback) != 0;
}

bool TGraph::CallSelectedFilter(IMoniker* moniker) {
  if (!siteAnswers(IAMGraphCallbackInterest::cbSelectedFilter)) return true;
  ComPtr<IAMGraphBuilderCallback> cb = QueryAs<IAMGraphBuilderCallback>(site().Get());
  if (!cb) return true;
  HRESULT hr = S_OK;
  syncOnMain([&] { hr = cb->SelectedFilter(moniker); });
  return SUCCEEDED(hr);
}

void TGraph::CallCreatedFilter(GstElement* element) {
  noteProgress();
  if (!siteAnswers(IAMGraphCallbackInterest::cbCreatedFilter)) return;
  ComPtr<IAMGraphBuilderCallback> cb = QueryAs<IAMGraphBuilderCallback>(site().Get());
  if (!cb) return;
  ComPtr<IBaseFilter> f(static_cast<IBaseFilter*>(new TElementFilter(element)));
  HRESULT hr = S_OK;
  syncOnMain([&] { hr = cb->CreatedFilter(f.Get()); });
  if (FAILED(hr)) Log("the site refused an element");
}

HRESULT TGraph::RenderFile(const std::string& file, const std::string&) {
  if (busyOnMain()) return E_UNEXPECTED;
  KeepAlive keep(this);
  if (state_ == State_Running) return MEDIA_E_NOT_STOPPED;
  {
    std::lock_guard<std::mutex> g(jobMutex_);
    if (job_) return E_UNEXPECTED;   // re-entered from a callback
  }
  Log("rendering \"" + file + "\"");
  if (!g_file_test(file.c_str(), G_FILE_TEST_IS_REGULAR)) {
    Log("the file does not exist");
    return MEDIA_E_FILE_NOT_FOUND;
  }
  std::string ext = file.size() >= 4 ? file.substr(file.size() - 4) : "";
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  // A disc's information file (VIDEO_TS.IFO or a title set's) plays the
  // whole disc of its folder through the DVD source and its navigation.
  const bool disc = ext == ".ifo";
  std::string discFolder;
  gchar* uri = nullptr;
  if (disc) {
    gchar* abs = g_canonicalize_filename(file.c_str(), nullptr);
    gchar* dir = g_path_get_dirname(abs);
    discFolder = dir;
    g_free(dir);
    g_free(abs);
    uri = g_strdup("dvd://");
  } else {
    GError* err = nullptr;
    uri = gst_filename_to_uri(file.c_str(), &err);
    if (!uri) {
      if (err) g_error_free(err);
      return MEDIA_E_FILE_NOT_FOUND;
    }
  }
  {
    std::lock_guard<std::mutex> g(discMutex_);
    disc_ = disc;
    discDomain_ = discTitle_ = discChapter_ = discAngles_ = 0;
  }
  auto job = std::make_shared<RenderJob>();
  if (ComPtr<IAMGraphCallbackInterest> in = QueryAs<IAMGraphCallbackInterest>(site().Get()))
    job->answered = in->AnsweredCallbacks();
  {
    std::lock_guard<std::mutex> g(jobMutex_);
    // Abandoned before it began.
    if (std::exchange(abortNext_, false)) {
      g_free(uri);
      Log("the render was abandoned");
      return E_ABORT;
    }
    job_ = job;
  }
  ComPtr<IBaseFilter> source(static_cast<IBaseFilter*>(new TSourceFilter(uri, discFolder)));
  g_free(uri);
  job->added.push_back(source);
  eos_ = false;
  std::string base = file.substr(file.find_last_of('/') == std::string::npos ? 0 : file.find_last_of('/') + 1);
  AddFilter(source.Get(), base);
  // Start with no stop position and the stored rate.
  stopNs_ = -1;
  GstStateChangeReturn r = gst_element_set_state(pipeline_, GST_STATE_PAUSED);
  // The first frame comes within 10 s or the render fails.
  const int64_t deadline = GetTickCount64() + 10000;
  bool ok = false;
  bool failed = r == GST_STATE_CHANGE_FAILURE;
  // Over when the render failed (an error on the bus, Abort) or the pipeline
  // is prerolled with every stream found; each of these wakes the wait.
  const auto over = [&] {
    {
      std::lock_guard<std::mutex> g(job->m);
      if (job->failed) return failed = true;
    }
    GstState cur;
    r = gst_element_get_state(pipeline_, &cur, nullptr, 0);
    if (r == GST_STATE_CHANGE_FAILURE) return failed = true;
    if ((r == GST_STATE_CHANGE_SUCCESS || r == GST_STATE_CHANGE_NO_PREROLL) && cur >= GST_STATE_PAUSED) {
      std::lock_guard<std::mutex> g(job->m);
      if (job->noMorePads) return ok = true;
    }
    return false;
  };
  const auto fail = [&](HRESULT error, const char* message) {
    std::lock_guard<std::mutex> g(job->m);
    job->failed = true;
    if (job->error == S_OK) job->error = error;
    if (job->message.empty()) job->message = message;
    failed = true;
  };
  // What the render posted on its way (a video size) reaches the component
  // after the call returns: the wait asks before it serves.
  while (!failed && !ok) {
    // Until the render's limit or the quiet one (moved on by each sign of
    // progress), whichever comes first; then both are looked at again.
    const int64_t now = GetTickCount64();
    const int64_t quietEnd = job->active.load() + RenderQuietLimitMs + 1;
    const TWaitResult w = waitUntil(over, int(std::max<int64_t>(0, std::min(deadline + 1, quietEnd) - now)));
    if (w == wrDone) break;
    if (w == wrClosing) {
      fail(E_ABORT, "the program is closing");
      break;
    }
    if (GetTickCount64() > deadline) {
      std::lock_guard<std::mutex> g(job->m);
      job->failed = true;
      job->error = MEDIA_E_TIMEOUT;
      failed = true;
    } else if (GetTickCount64() - job->active.load() > RenderQuietLimitMs) {
      // Nothing moves any more and no frame came (a cut file whose demuxer
      // found no stream and ended quietly): the file does not play.
      fail(MEDIA_E_UNSUPPORTED_STREAM, "the stream does not start");
    }
  }
  CheckSynchronize();
  // A failed state change can be seen before the element's error is posted.
  if (failed)
    waitUntil(
        [&] {
          std::lock_guard<std::mutex> g(job->m);
          return job->error != S_OK;
        },
        200);
  HRESULT hr;
  {
    std::lock_guard<std::mutex> g(job->m);
    if (ok && job->rendered > 0) hr = job->unrendered > 0 ? MEDIA_S_PARTIAL_RENDER : S_OK;
    else if (job->error != S_OK) hr = job->error;
    else hr = MEDIA_E_UNSUPPORTED_STREAM;   // an existing file that does not play
    // The information file exists: a disc that cannot be read is not a stream.
    if (disc && hr == MEDIA_E_FILE_NOT_FOUND) hr = MEDIA_E_UNSUPPORTED_STREAM;
    if (!job->message.empty()) Log("error: " + job->message);
  }
  {
    std::lock_guard<std::mutex> g(jobMutex_);
    job_.reset();
  }
  if (FAILED(hr)) {
    // Nothing of a failed render stays in the graph.
    gst_element_set_state(pipeline_, GST_STATE_NULL);
    for (TMediaPin* p : job->links)
      if (p->peer) UnlinkPin(p);
    for (auto it = job->added.rbegin(); it != job->added.rend(); ++it) RemoveFilter(it->Get());
    if (hasContent()) gst_element_set_state(pipeline_, GST_STATE_PAUSED);
    Log("rendering failed");
    return hr;
  }
  prerolled_ = true;
  stalled_ = false;
  eos_ = false;
  clockChangePending_ = true;
  // Positions count from the stream's beginning, where the first frame is:
  // a stream whose times start late (an MPEG program stream starts at about
  // 0.5 s) reads 0 there, and a seek to 0 shows that frame at once.
  gint64 first = 0;
  startNs_ = gst_element_query_position(pipeline_, GST_FORMAT_TIME, &first) && first > 0 ? first : 0;
  if (rate_ != 1.0) seekTo(startNs_, rate_, -1);
  Log("rendered");
  return hr;
}

// --- control

HRESULT TGraph::Run() {
  if (busyOnMain()) return E_UNEXPECTED;
  if (!hasContent()) {
    state_ = State_Running;
    Notify(EC_COMPLETE, S_OK, 0);
    return S_OK;
  }
  // It would wait for a frame that never comes: a failed stream.
  const int was = state_;
  state_ = State_Running;
  seekAfterChange();
  if (stalled_) {
    state_ = was;
    return MEDIA_E_UNSUPPORTED_STREAM;
  }
  if (clockChangePending_.exchange(false)) Notify(EC_CLOCK_CHANGED, 0, 0);
  pendingPaused_ = false;
  if (eos_) Notify(EC_COMPLETE, S_OK, 0);
  if (gst_element_set_state(pipeline_, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
    state_ = State_Stopped;
    return E_FAIL;
  }
  return S_OK;
}

HRESULT TGraph::Pause() {
  if (busyOnMain()) return E_UNEXPECTED;
  KeepAlive keep(this);   // a seek after a relink waits
  state_ = State_Paused;
  if (!hasContent()) {
    Notify(EC_PAUSED, S_OK, 0);
    return S_OK;
  }
  seekAfterChange();
  pendingPaused_ = true;
  GstStateChangeReturn r = gst_element_set_state(pipeline_, GST_STATE_PAUSED);
  if (r == GST_STATE_CHANGE_FAILURE) {
    pendingPaused_ = false;
    return E_FAIL;
  }
  if (r == GST_STATE_CHANGE_ASYNC) return S_FALSE;
  if (pendingPaused_.exchange(false)) Notify(EC_PAUSED, S_OK, 0);
  return S_OK;
}

HRESULT TGraph::Stop() {
  if (busyOnMain()) return E_UNEXPECTED;
  state_ = State_Stopped;
  pendingPaused_ = false;
  // Paused underneath: the decoders keep their streams and the position.
  if (hasContent() && gst_element_set_state(pipeline_, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE)
    return E_FAIL;
  return S_OK;
}

HRESULT TGraph::GetState(int32_t, OAFilterState* state) {
  if (!state) return E_POINTER;
  *state = state_;
  return S_OK;
}

// --- seeking

HRESULT TGraph::seekTo(gint64 posNs, double rate, gint64 stopNs, bool settle) {
  seekAfterChange_ = false;
  if (settle) settleState(2000);
  // The beginning of a stream whose times start late: a seek to its first
  // time lands past it (the program-stream demuxer), and one to 0 would
  // hold the first frame until the clock reaches its time. The first frame
  // is a keyframe: a seek to 0 snapped back to it starts the segment there.
  GstSeekFlags flags = GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
  if (startNs_ > 0 && posNs <= startNs_) {
    posNs = 0;
    flags = GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT | GST_SEEK_FLAG_SNAP_BEFORE);
  }
  gboolean ok = gst_element_seek(pipeline_, rate, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET,
                                 std::max<gint64>(0, posNs), stopNs >= 0 ? GST_SEEK_TYPE_SET : GST_SEEK_TYPE_NONE,
                                 stopNs >= 0 ? stopNs : GST_CLOCK_TIME_NONE);
  if (!ok) return E_FAIL;
  eos_ = false;
  // Not running: the new position's frame is there when the call returns.
  if (state_ != State_Running) settleState(5000);
  return S_OK;
}

HRESULT TGraph::GetDuration(REFERENCE_TIME* d) {
  if (!d) return E_POINTER;
  gint64 v = 0;
  if (!hasContent() || !gst_element_query_duration(pipeline_, GST_FORMAT_TIME, &v) || v < 0) return E_FAIL;
  *d = v / 100;
  return S_OK;
}

HRESULT TGraph::GetStopPosition(REFERENCE_TIME* s) {
  if (!s) return E_POINTER;
  if (stopNs_ >= 0) {
    *s = std::max<gint64>(0, stopNs_ - startNs_) / 100;
    return S_OK;
  }
  return GetDuration(s);
}

HRESULT TGraph::GetCurrentPosition(REFERENCE_TIME* c) {
  if (!c) return E_POINTER;
  if (!hasContent()) return E_FAIL;
  gint64 v = 0;
  if (!gst_element_query_position(pipeline_, GST_FORMAT_TIME, &v) || v < 0) v = 0;
  *c = std::max<gint64>(0, v - startNs_) / 100;
  return S_OK;
}

HRESULT TGraph::GetPositions(REFERENCE_TIME* cur, REFERENCE_TIME* stop) {
  HRESULT hr = S_OK;
  if (cur) hr = GetCurrentPosition(cur);
  if (stop && SUCCEEDED(hr)) hr = GetStopPosition(stop);
  return hr;
}

HRESULT TGraph::SetPositions(REFERENCE_TIME* cur, DWORD curFlags, REFERENCE_TIME* stop, DWORD stopFlags) {
  if (busyOnMain()) return E_UNEXPECTED;
  KeepAlive keep(this);
  if (!hasContent()) return E_FAIL;
  REFERENCE_TIME now = 0;
  GetCurrentPosition(&now);
  REFERENCE_TIME pos = now;
  switch (curFlags & AM_SEEKING_PositioningBitsMask) {
    case AM_SEEKING_AbsolutePositioning: if (!cur) return E_POINTER; pos = *cur; break;
    case AM_SEEKING_RelativePositioning: if (!cur) return E_POINTER; pos = now + *cur; break;
    default: break;
  }
  gint64 newStop = stopNs_;
  switch (stopFlags & AM_SEEKING_PositioningBitsMask) {
    case AM_SEEKING_AbsolutePositioning: if (!stop) return E_POINTER; newStop = *stop * 100 + startNs_; break;
    case AM_SEEKING_RelativePositioning: {
      if (!stop) return E_POINTER;
      REFERENCE_TIME s = 0;
      GetStopPosition(&s);
      newStop = (s + *stop) * 100 + startNs_;
      break;
    }
    default: break;
  }
  if ((curFlags & AM_SEEKING_PositioningBitsMask) == AM_SEEKING_NoPositioning &&
      (stopFlags & AM_SEEKING_PositioningBitsMask) == AM_SEEKING_NoPositioning)
    return S_OK;
  HRESULT hr = seekTo(gint64(pos) * 100 + startNs_, rate_, newStop);
  if (SUCCEEDED(hr)) stopNs_ = newStop;
  return hr;
}

HRESULT TGraph::SetRate(double rate) {
  if (busyOnMain()) return E_UNEXPECTED;
  KeepAlive keep(this);
  // A rate of 0 (or below) would stop the clock; the graph refuses it.
  if (!(rate > 0) || !std::isfinite(rate)) return E_INVALIDARG;
  // The rate in effect: nothing to seek.
  if (rate == rate_) return S_OK;
  if (!hasContent()) {
    rate_ = rate;
    return S_OK;
  }
  settleState(2000);
  gint64 pos = 0;
  if (!gst_element_query_position(pipeline_, GST_FORMAT_TIME, &pos)) pos = 0;
  HRESULT hr = seekTo(pos, rate, stopNs_);
  if (SUCCEEDED(hr)) rate_ = rate;
  return hr;
}

HRESULT TGraph::GetRate(double* rate) {
  if (!rate) return E_POINTER;
  *rate = rate_;
  return S_OK;
}

// --- notifications

HRESULT TGraph::Notify(int32_t code, LONG_PTR p1, LONG_PTR p2) {
  HWND wnd;
  uint32_t msg;
  LONG_PTR inst;
  {
    std::lock_guard<std::mutex> g(eventMutex_);
    if (notifyFlags_ == 1) {
      freeParams(code, p1, p2);
      return S_OK;
    }
    events_.push_back({code, p1, p2});
    wnd = notifyWnd_;
    msg = notifyMsg_;
    inst = notifyInstance_;
  }
  eventCv_.notify_all();
  if (wnd) PostMessage(wnd, msg, 0, inst);
  return S_OK;
}

HRESULT TGraph::GetEvent(int32_t* code, LONG_PTR* p1, LONG_PTR* p2, int32_t timeoutMs) {
  if (!code || !p1 || !p2) return E_POINTER;
  std::unique_lock<std::mutex> lk(eventMutex_);
  auto have = [&] { return !events_.empty(); };
  if (timeoutMs < 0) eventCv_.wait(lk, have);
  else if (timeoutMs > 0) eventCv_.wait_for(lk, std::chrono::milliseconds(timeoutMs), have);
  if (events_.empty()) return E_ABORT;
  Event e = events_.front();
  events_.pop_front();
  *code = e.code;
  *p1 = e.p1;
  *p2 = e.p2;
  return S_OK;
}

void TGraph::freeParams(int32_t code, LONG_PTR p1, LONG_PTR p2) {
  if (code == EC_END_OF_SEGMENT) {
    CoTaskMemFree(reinterpret_cast<void*>(p1));
  } else if (code == EC_OLE_EVENT) {
    CoTaskMemFree(reinterpret_cast<void*>(p1));
    CoTaskMemFree(reinterpret_cast<void*>(p2));
  }
}

HRESULT TGraph::FreeEventParams(int32_t code, LONG_PTR p1, LONG_PTR p2) {
  freeParams(code, p1, p2);
  return S_OK;
}

HRESULT TGraph::SetNotifyWindow(HWND wnd, uint32_t msg, LONG_PTR instance) {
  std::lock_guard<std::mutex> g(eventMutex_);
  notifyWnd_ = wnd;
  notifyMsg_ = msg;
  notifyInstance_ = instance;
  return S_OK;
}

HRESULT TGraph::SetNotifyFlags(int32_t flags) {
  std::lock_guard<std::mutex> g(eventMutex_);
  notifyFlags_ = flags;
  return S_OK;
}

HRESULT TGraph::GetNotifyFlags(int32_t* flags) {
  std::lock_guard<std::mutex> g(eventMutex_);
  *flags = notifyFlags_;
  return S_OK;
}

static HRESULT errorCode(GError* e) {
  if (!e) return E_FAIL;
  // Every stream error (type not found, no decoder, bad data, a stream that
  // stopped on one of these) means the file cannot be played.
  if (e->domain == GST_STREAM_ERROR || e->domain == GST_CORE_ERROR) return MEDIA_E_UNSUPPORTED_STREAM;
  if (e->domain == GST_RESOURCE_ERROR &&
      (e->code == GST_RESOURCE_ERROR_NOT_FOUND || e->code == GST_RESOURCE_ERROR_OPEN_READ))
    return MEDIA_E_FILE_NOT_FOUND;
  return E_FAIL;
}

GstBusSyncReply TGraph::busSync(GstBus*, GstMessage* msg, gpointer self) {
  static_cast<TGraph*>(self)->onMessage(msg);
  gst_message_unref(msg);
  return GST_BUS_DROP;
}

void TGraph::noteProgress() {
  std::lock_guard<std::mutex> g(jobMutex_);
  if (job_) job_->active = GetTickCount64();
}

void TGraph::onMessage(GstMessage* msg) {
  noteProgress();
  switch (GST_MESSAGE_TYPE(msg)) {
    case GST_MESSAGE_EOS:
      if (!eos_.exchange(true)) Notify(EC_COMPLETE, S_OK, 0);
      break;
    case GST_MESSAGE_ERROR: {
      GError* e = nullptr;
      gchar* dbg = nullptr;
      gst_message_parse_error(msg, &e, &dbg);
      HRESULT code = errorCode(e);
      std::string text = e ? e->message : "error";
      std::shared_ptr<RenderJob> job;
      {
        std::lock_guard<std::mutex> g(jobMutex_);
        job = job_;
      }
      if (job) {
        std::lock_guard<std::mutex> g(job->m);
        // The most telling error wins over a generic one that came first.
        if (!job->failed || (job->error == E_FAIL && code != E_FAIL)) {
          job->failed = true;
          job->error = code;
          job->message = text;
        }
      } else {
        Log("error: " + text);
        Notify(EC_ERRORABORT, code, 0);
      }
      if (e) g_error_free(e);
      g_free(dbg);
      break;
    }
    case GST_MESSAGE_ASYNC_DONE:
      if (GST_MESSAGE_SRC(msg) == GST_OBJECT(pipeline_) && pendingPaused_.exchange(false))
        Notify(EC_PAUSED, S_OK, 0);
      break;
    case GST_MESSAGE_STEP_DONE:
      Notify(EC_STEP_COMPLETE, 0, 0);
      break;
    case GST_MESSAGE_TAG:
    case GST_MESSAGE_ELEMENT:
      onDiscMessage(msg);
      break;
    case GST_MESSAGE_STREAM_STATUS:
      onStreamStatus(msg);
      break;
    default:
      break;
  }
  // A wait for a state or a preroll checks again.
  WakeWaiters();
}

// The DVD source names where its navigation is in the title it tags the
// streams with ("DVD Menu", "DVD Title 2 Menu", "Title 1, Chapter 3") and
// posts navigation messages when the angles change: each change becomes the
// navigator's event of the graph (domain, title, chapter, angles).
void TGraph::onDiscMessage(GstMessage* msg) {
  enum { kFirstPlay = 1, kManagerMenu = 2, kTitleSetMenu = 3, kTitle = 4 };
  std::vector<std::array<LONG_PTR, 3>> out;
  {
    std::lock_guard<std::mutex> g(discMutex_);
    if (!disc_) return;
    if (GST_MESSAGE_TYPE(msg) == GST_MESSAGE_TAG) {
      GstTagList* tags = nullptr;
      gst_message_parse_tag(msg, &tags);
      gchar* title = nullptr;
      if (tags && gst_tag_list_get_string(tags, GST_TAG_TITLE, &title) && title) {
        int t = 0, c = 0, domain = 0;
        if (std::sscanf(title, "Title %d, Chapter %d", &t, &c) == 2) domain = kTitle;
        else if (std::strcmp(title, "DVD Menu") == 0) domain = kManagerMenu;
        else if (std::sscanf(title, "DVD Title %d Menu", &t) == 1) domain = kTitleSetMenu;
        if (domain != 0 && domain != discDomain_) {
          discDomain_ = domain;
          out.push_back({EC_DVD_DOMAIN_CHANGE, domain, 0});
        }
        if (domain == kTitle) {
          if (t != discTitle_) {
            discTitle_ = t;
            discChapter_ = 0;
            out.push_back({EC_DVD_TITLE_CHANGE, t, 0});
          }
          if (c != discChapter_) {
            discChapter_ = c;
            out.push_back({EC_DVD_CHAPTER_START, c, 0});
          }
        }
      }
      g_free(title);
      if (tags) gst_tag_list_unref(tags);
    } else if (gst_navigation_message_get_type(msg) == GST_NAVIGATION_MESSAGE_ANGLES_CHANGED) {
      guint cur = 0, n = 0;
      if (gst_navigation_message_parse_angles_changed(msg, &cur, &n) && int(n) != discAngles_) {
        discAngles_ = int(n);
        out.push_back({EC_DVD_ANGLES_AVAILABLE, n > 1 ? 1 : 0, 0});
        out.push_back({EC_DVD_ANGLE_CHANGE, LONG_PTR(n), LONG_PTR(cur)});
      }
    }
  }
  for (const auto& e : out) Notify(int32_t(e[0]), e[1], e[2]);
}

// --- audio

void TGraph::applyAudio() {
  const double linear = volume_ <= -10000 ? 0.0 : std::pow(10.0, volume_ / 2000.0);
  double pan = 0;
  if (balance_ > 0) pan = 1.0 - std::pow(10.0, -balance_ / 2000.0);
  else if (balance_ < 0) pan = -(1.0 - std::pow(10.0, balance_ / 2000.0));
  for (auto& f : Filters())
    if (auto* a = dynamic_cast<TAudioRenderer*>(f.Get())) {
      if (a->Volume()) g_object_set(a->Volume(), "volume", linear, nullptr);
      if (a->Panorama()) g_object_set(a->Panorama(), "panorama", float(pan), nullptr);
    }
}

static bool hasAudio(const std::vector<ComPtr<IBaseFilter>>& filters) {
  for (auto& f : filters)
    if (dynamic_cast<TAudioRenderer*>(f.Get())) return true;
  return false;
}

HRESULT TGraph::put_Volume(int32_t v) {
  if (v < -10000 || v > 0) return E_INVALIDARG;
  volume_ = v;
  applyAudio();
  return hasAudio(Filters()) ? S_OK : E_NOTIMPL;
}
HRESULT TGraph::get_Volume(int32_t* v) { *v = volume_; return S_OK; }
HRESULT TGraph::put_Balance(int32_t v) {
  if (v < -10000 || v > 10000) return E_INVALIDARG;
  balance_ = v;
  applyAudio();
  return hasAudio(Filters()) ? S_OK : E_NOTIMPL;
}
HRESULT TGraph::get_Balance(int32_t* v) { *v = balance_; return S_OK; }

// --- frame step

HRESULT TGraph::Step(DWORD frames, IUnknown*) {
  if (busyOnMain()) return E_UNEXPECTED;
  KeepAlive keep(this);
  std::vector<GstElement*> sinks;
  for (auto& f : Filters())
    if (auto* r = dynamic_cast<TVideoRenderer*>(f.Get()))
      if (r->inPipeline) sinks.push_back(r->Sink());
  if (sinks.empty() || frames == 0) return E_FAIL;
  if (state_ != State_Paused) {
    Pause();
  }
  seekAfterChange();
  settleState(5000);
  for (GstElement* s : sinks) gst_element_send_event(s, gst_event_new_step(GST_FORMAT_BUFFERS, frames, 1.0, TRUE, FALSE));
  return S_OK;
}

HRESULT TGraph::CanStep(int32_t, IUnknown*) {
  for (auto& f : Filters())
    if (auto* r = dynamic_cast<TVideoRenderer*>(f.Get()))
      if (r->inPipeline) return S_OK;
  return S_FALSE;
}

HRESULT TGraph::CancelStep() { return S_OK; }

// --- site

HRESULT TGraph::SetSite(IUnknown* site) {
  ComPtr<IUnknown> former;
  {
    std::lock_guard<std::mutex> g(siteMutex_);
    former = std::move(site_);
    site_ = site;
  }
  return S_OK;
}

ComPtr<IUnknown> TGraph::site() {
  std::lock_guard<std::mutex> g(siteMutex_);
  return site_;
}

HRESULT TGraph::GetSite(const GUID& iid, void** out) {
  *out = nullptr;
  ComPtr<IUnknown> s = site();
  if (!s) return E_FAIL;
  return s->QueryInterface(iid, out);
}

HRESULT TGraph::QueryService(const GUID& service, const GUID& iid, void** out) {
  *out = nullptr;
  ComPtr<IServiceProvider> sp = QueryAs<IServiceProvider>(site().Get());
  if (!sp) return E_NOINTERFACE;
  return sp->QueryService(service, iid, out);
}

HRESULT TGraph::SetSyncSource(bool useClock) {
  useClock_ = useClock;
  if (useClock) gst_pipeline_auto_clock(GST_PIPELINE(pipeline_));
  else gst_pipeline_use_clock(GST_PIPELINE(pipeline_), nullptr);
  return S_OK;
}
