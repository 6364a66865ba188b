// The layer's filters over GStreamer elements.
#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

#include <QCoreApplication>
#include <QMetaObject>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/dshow/MediaFilters_p.h"
#include "toolkit/Classes.h"
#include "toolkit/Graphics.h"

// ---------------------------------------------------------------------------
// File source

namespace {

// Video (or picture) caps whose frames are larger than a picture may be
// (the pictures' limit): a file that claims 30000 x 30000 would have the
// colour converter take gigabytes for its first frame.
bool capsTooLarge(const GstCaps* caps, int& w, int& h) {
  for (guint i = 0; caps && i < gst_caps_get_size(caps); ++i) {
    const GstStructure* s = gst_caps_get_structure(caps, i);
    const char* n = gst_structure_get_name(s);
    if (!g_str_has_prefix(n, "video/") && !g_str_has_prefix(n, "image/")) continue;
    int cw = 0, ch = 0;
    if (!gst_structure_get_int(s, "width", &cw) || !gst_structure_get_int(s, "height", &ch)) continue;
    if (!PictureSizeAllowed(cw, ch)) {
      w = cw, h = ch;
      return true;
    }
  }
  return false;
}

// Once per element: the caps of one stream pass several of its pads. The
// source's bin is marked: a stream its decoder bin exposes afterwards (at
// the end of a stream whose data never passed) is not taken.
constexpr const char* kRefused = "tablo-refused";
void postTooLarge(GstElement* element, int w, int h, GstElement* source) {
  if (source) g_object_set_data(G_OBJECT(source), kRefused, GINT_TO_POINTER(1));
  if (g_object_get_data(G_OBJECT(element), "tablo-too-large")) return;
  g_object_set_data(G_OBJECT(element), "tablo-too-large", GINT_TO_POINTER(1));
  GST_ELEMENT_ERROR(element, STREAM, FORMAT, ("The video's frames are too large (%d x %d)", w, h), (nullptr));
}

// Caps announced on any output of the source's elements (demuxer, parser,
// decoder) are looked at before they are taken: frames beyond the limit
// stop the stream there with an error, before anything is allocated for
// them downstream.
GstPadProbeReturn refuseLargeFrames(GstPad* pad, GstPadProbeInfo* info, gpointer source) {
  GstEvent* ev = GST_PAD_PROBE_INFO_EVENT(info);
  if (!ev || GST_EVENT_TYPE(ev) != GST_EVENT_CAPS) return GST_PAD_PROBE_OK;
  GstCaps* caps = nullptr;
  gst_event_parse_caps(ev, &caps);
  int w = 0, h = 0;
  if (!capsTooLarge(caps, w, h)) return GST_PAD_PROBE_OK;
  if (GstElement* owner = gst_pad_get_parent_element(pad)) {
    postTooLarge(owner, w, h, static_cast<GstElement*>(source));
    gst_object_unref(owner);
  }
  return GST_PAD_PROBE_DROP;
}

// The frame size that a JPEG (its first frame header) or PNG (its header
// chunk) picture declares in its first bytes; false when the bytes are
// neither or do not say. Only marker segments are walked, never the data.
bool declaredPictureSize(const uint8_t* p, size_t n, int64_t& w, int64_t& h) {
  auto be16 = [p](size_t i) { return int64_t(p[i]) << 8 | p[i + 1]; };
  if (n >= 24 && std::memcmp(p, "\x89PNG\r\n\x1a\n", 8) == 0 && std::memcmp(p + 12, "IHDR", 4) == 0) {
    w = be16(16) << 16 | be16(18);
    h = be16(20) << 16 | be16(22);
    return true;
  }
  if (n < 4 || p[0] != 0xFF || p[1] != 0xD8) return false;
  for (size_t i = 2; i + 4 <= n;) {
    if (p[i] != 0xFF) return false;
    const uint8_t m = p[i + 1];
    if (m == 0xFF) { ++i; continue; }                                              // fill
    if (m == 0x01 || (m >= 0xD0 && m <= 0xD8)) { i += 2; continue; }               // no length
    if (m == 0xD9 || m == 0xDA) return false;                                      // no frame header first
    if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) {          // a frame header
      if (i + 9 > n) return false;
      h = be16(i + 5);
      w = be16(i + 7);
      return true;
    }
    const size_t length = size_t(be16(i + 2));
    if (length < 2) return false;
    i += 2 + length;
  }
  return false;
}

// Pictures reaching a decoder (motion JPEG, PNG frames) whose own header is
// larger than a picture may be: a container may announce a small frame
// while each picture declares 30000 x 30000, and the decoder would take the
// memory and the time for it before its output caps could be refused.
GstPadProbeReturn refuseLargePictures(GstPad* pad, GstPadProbeInfo* info, gpointer source) {
  GstBuffer* buf = GST_PAD_PROBE_INFO_BUFFER(info);
  GstMapInfo map;
  if (!buf || !gst_buffer_map(buf, &map, GST_MAP_READ)) return GST_PAD_PROBE_OK;
  int64_t w = 0, h = 0;
  const bool known = declaredPictureSize(map.data, map.size, w, h);
  gst_buffer_unmap(buf, &map);
  if (!known || PictureSizeAllowed(std::max<int64_t>(w, 1), std::max<int64_t>(h, 1))) return GST_PAD_PROBE_OK;
  if (GstElement* owner = gst_pad_get_parent_element(pad)) {
    postTooLarge(owner, int(std::min<int64_t>(w, INT32_MAX)), int(std::min<int64_t>(h, INT32_MAX)),
                 static_cast<GstElement*>(source));
    gst_object_unref(owner);
  }
  return GST_PAD_PROBE_DROP;
}

// source: the source filter's bin, which holds the element of the pad.
void watchOutput(GstPad* pad, GstElement* source) {
  if (GST_PAD_IS_SRC(pad))
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, &refuseLargeFrames, source, nullptr);
}

void watchOutputs(GstElement* element, GstElement* source) {
  const char* klass = gst_element_get_metadata(element, GST_ELEMENT_METADATA_KLASS);
  if (klass && std::strstr(klass, "Decoder"))
    gst_element_foreach_sink_pad(
        element, [](GstElement*, GstPad* pad, gpointer src) -> gboolean {
          gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, &refuseLargePictures, src, nullptr);
          return TRUE;
        },
        source);
  gst_element_foreach_src_pad(
      element, [](GstElement*, GstPad* pad, gpointer src) -> gboolean {
        watchOutput(pad, static_cast<GstElement*>(src));
        return TRUE;
      },
      source);
  g_signal_connect(element, "pad-added",
                   G_CALLBACK(+[](GstElement*, GstPad* pad, gpointer src) { watchOutput(pad, static_cast<GstElement*>(src)); }),
                   source);
}

}  // namespace

TSourceFilter::TSourceFilter(const std::string& uri, const std::string& discFolder)
    : TMediaFilter(CLSID_SourceFilter, "File Source"), discFolder_(discFolder) {
  GstElement* dec = MakeElement("uridecodebin", "decoder");
  if (!dec) return;
  g_object_set(dec, "uri", uri.c_str(), nullptr);
  if (!discFolder_.empty()) {
    g_signal_connect(dec, "source-setup", G_CALLBACK(&TSourceFilter::sourceSetup), this);
    spu_ = MakeElement("dvdspu", "subpictures");
    if (spu_) gst_bin_add(GST_BIN(bin_), spu_);
  }
  gst_bin_add(GST_BIN(bin_), dec);
  g_signal_connect(dec, "pad-added", G_CALLBACK(&TSourceFilter::padAdded), this);
  g_signal_connect(dec, "no-more-pads", G_CALLBACK(&TSourceFilter::noMorePads), this);
  g_signal_connect(dec, "autoplug-select", G_CALLBACK(&TSourceFilter::autoplugSelect), this);
  g_signal_connect(bin_, "deep-element-added", G_CALLBACK(&TSourceFilter::deepElementAdded), this);
}

// The disc source is named by the bare "dvd://" address; its folder is set
// here, so no path has to be written into an address.
void TSourceFilter::sourceSetup(GstElement*, GstElement* source, gpointer self) {
  auto* f = static_cast<TSourceFilter*>(self);
  if (g_object_class_find_property(G_OBJECT_GET_CLASS(source), "device"))
    g_object_set(source, "device", f->discFolder_.c_str(), nullptr);
}

void TSourceFilter::padAdded(GstElement* decoder, GstPad* pad, gpointer self) {
  auto* f = static_cast<TSourceFilter*>(self);
  // A stream refused for its frame size is exposed only at its end, its
  // data never having passed: nothing is made for it.
  if (g_object_get_data(G_OBJECT(f->bin_), kRefused)) return;
  GstCaps* caps = gst_pad_get_current_caps(pad);
  if (!caps) caps = gst_pad_query_caps(pad, nullptr);
  int w = 0, h = 0;
  if (capsTooLarge(caps, w, h)) {
    // Not linked to anything that would convert it: the render fails.
    gst_caps_unref(caps);
    postTooLarge(decoder, w, h, f->bin_);
    return;
  }
  std::string kind = "Stream";
  if (caps && gst_caps_get_size(caps) > 0) {
    const char* n = gst_structure_get_name(gst_caps_get_structure(caps, 0));
    if (g_str_has_prefix(n, "video/")) kind = "Video";
    else if (g_str_has_prefix(n, "audio/")) kind = "Audio";
  }
  const bool subpicture = caps && gst_caps_get_size(caps) > 0 &&
                          g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps, 0)), "subpicture/");
  if (caps) gst_caps_unref(caps);
  // A disc's subpictures go into the overlay of its video, whose output is
  // the video pin; without the overlay they are dropped.
  if (subpicture && f->discFolder_.size()) {
    GstElement* into = f->spu_;
    if (!into) {
      into = MakeElement("fakesink");
      if (!into) return;
      g_object_set(into, "sync", FALSE, "async", FALSE, nullptr);
      gst_bin_add(GST_BIN(f->bin_), into);
      gst_element_sync_state_with_parent(into);
    }
    GstPad* sink = gst_element_get_static_pad(into, f->spu_ ? "subpicture" : "sink");
    if (sink) {
      gst_pad_link(pad, sink);
      gst_object_unref(sink);
    }
    return;
  }
  if (kind == "Video" && f->spu_) {
    GstPad* sink = gst_element_get_static_pad(f->spu_, "video");
    GstPad* src = gst_element_get_static_pad(f->spu_, "src");
    const bool linked = sink && src && !gst_pad_is_linked(sink) && GST_PAD_LINK_SUCCESSFUL(gst_pad_link(pad, sink));
    if (sink) gst_object_unref(sink);
    if (linked) {
      TMediaPin* pin = f->AddPin(PINDIR_OUTPUT, kind + " " + std::to_string(++f->streams_), src);
      gst_object_unref(src);
      if (TGraph* g = f->Graph()) g->StreamAdded(pin);
      return;
    }
    if (src) gst_object_unref(src);
  }
  TMediaPin* pin = f->AddPin(PINDIR_OUTPUT, kind + " " + std::to_string(++f->streams_), pad);
  if (TGraph* g = f->Graph()) g->StreamAdded(pin);
}

void TSourceFilter::noMorePads(GstElement*, gpointer self) {
  if (TGraph* g = static_cast<TSourceFilter*>(self)->Graph()) g->NoMorePads();
}

int TSourceFilter::autoplugSelect(GstElement*, GstPad*, GstCaps*, GstElementFactory* factory, gpointer self) {
  enum { kTry = 0, kSkip = 2 };
  TGraph* g = static_cast<TSourceFilter*>(self)->Graph();
  if (!g) return kTry;
  ComPtr<IMoniker> m = MakeFactoryMoniker(factory);
  return g->CallSelectedFilter(m.Get()) ? kTry : kSkip;
}

void TSourceFilter::deepElementAdded(GstBin*, GstBin*, GstElement* element, gpointer self) {
  watchOutputs(element, static_cast<TSourceFilter*>(self)->bin_);
  if (TGraph* g = static_cast<TSourceFilter*>(self)->Graph()) g->CallCreatedFilter(element);
}

// ---------------------------------------------------------------------------
// Capture source

TCaptureSource::TCaptureSource(GstElement* element) : TMediaFilter(CLSID_CaptureSource, "Capture Source") {
  if (!element) return;
  if (g_object_class_find_property(G_OBJECT_GET_CLASS(element), "is-live")) {
    gboolean live = TRUE;
    g_object_get(element, "is-live", &live, nullptr);
    live_ = live;
  }
  gst_bin_add(GST_BIN(bin_), element);
  if (GstPad* src = gst_element_get_static_pad(element, "src")) {
    AddPin(PINDIR_OUTPUT, "Capture", src);
    gst_object_unref(src);
  }
}

// ---------------------------------------------------------------------------
// Video renderer

namespace {

// The renderer reports late frames upstream (QoS), and the decoder, the
// converter and a mixer then drop the frames that would come too late, so
// that after a stall the picture catches up with the clock. The last frame
// of a stream is never one of them: it stays on the output at the end (and
// behind the next picture). A report whose dropping would reach into the
// stream's last quarter second (at least three frames) is cut short of it.
// Those elements drop up to the report's time + 2 x its lateness + a frame
// (the video decoders' and mixers' reckoning; the converter's is shorter).
GstPadProbeReturn spareTheLastFrames(GstPad* pad, GstPadProbeInfo* info, gpointer) {
  GstEvent* ev = GST_PAD_PROBE_INFO_EVENT(info);
  if (!ev || GST_EVENT_TYPE(ev) != GST_EVENT_QOS) return GST_PAD_PROBE_OK;
  GstQOSType type;
  gdouble proportion;
  GstClockTimeDiff late;
  GstClockTime at;
  gst_event_parse_qos(ev, &type, &proportion, &late, &at);
  if (late <= 0 || !GST_CLOCK_TIME_IS_VALID(at)) return GST_PAD_PROBE_OK;
  GstEvent* segEv = gst_pad_get_sticky_event(pad, GST_EVENT_SEGMENT, 0);
  if (!segEv) return GST_PAD_PROBE_OK;
  const GstSegment* seg = nullptr;
  gst_event_parse_segment(segEv, &seg);
  GstSegment s = *seg;
  gst_event_unref(segEv);
  if (s.format != GST_FORMAT_TIME || s.rate <= 0) return GST_PAD_PROBE_OK;
  guint64 end = GST_CLOCK_TIME_IS_VALID(s.stop) ? s.stop : s.duration;
  gint64 queried = 0;
  if (!GST_CLOCK_TIME_IS_VALID(end) && gst_pad_peer_query_duration(pad, GST_FORMAT_TIME, &queried) && queried > 0)
    end = guint64(queried);
  if (!GST_CLOCK_TIME_IS_VALID(end) || end <= s.start) return GST_PAD_PROBE_OK;
  GstClockTime frame = 40 * GST_MSECOND;
  if (GstCaps* caps = gst_pad_get_current_caps(pad)) {
    int n = 0, d = 0;
    if (gst_structure_get_fraction(gst_caps_get_structure(caps, 0), "framerate", &n, &d) && n > 0 && d > 0)
      frame = gst_util_uint64_scale_int(GST_SECOND, d, n);
    gst_caps_unref(caps);
  }
  const guint64 tail = std::max<guint64>(250 * GST_MSECOND, 3 * frame);
  const guint64 from = end - s.start > tail ? end - tail : s.start;
  const guint64 limit = gst_segment_to_running_time(&s, GST_FORMAT_TIME, from);
  if (!GST_CLOCK_TIME_IS_VALID(limit)) return GST_PAD_PROBE_OK;
  const GstClockTime frameRun = GstClockTime(frame / s.rate);
  if (at + 2 * guint64(late) + frameRun <= limit) return GST_PAD_PROBE_OK;
  const GstClockTimeDiff allowed = limit > at + frameRun ? GstClockTimeDiff((limit - at - frameRun) / 2) : 0;
  GST_PAD_PROBE_INFO_DATA(info) = gst_event_new_qos(type, proportion, allowed, at);
  gst_event_unref(ev);
  return GST_PAD_PROBE_OK;
}

}  // namespace

TVideoRenderer::TVideoRenderer() : TMediaFilter(CLSID_VideoRenderer, "Video Renderer") {
  GstElement* conv = MakeElement("videoconvert", "convert");
  GstElement* caps = MakeElement("capsfilter", "format");
  sink_ = MakeElement("appsink", "sink");
  if (!conv || !caps || !sink_) return;
  GstCaps* c = gst_caps_from_string("video/x-raw,format=BGRx");
  g_object_set(caps, "caps", c, nullptr);
  gst_caps_unref(c);
  g_object_set(sink_, "enable-last-sample", FALSE, "max-buffers", 2u, "qos", TRUE, nullptr);
  GstAppSinkCallbacks cb{};
  cb.new_sample = [](GstAppSink* s, gpointer self) { return onSample(GST_ELEMENT(s), self, false); };
  cb.new_preroll = [](GstAppSink* s, gpointer self) { return onSample(GST_ELEMENT(s), self, true); };
  gst_app_sink_set_callbacks(GST_APP_SINK(sink_), &cb, this, nullptr);
  if (GstPad* sp = gst_element_get_static_pad(sink_, "sink")) {
    gst_pad_add_probe(sp, GST_PAD_PROBE_TYPE_EVENT_UPSTREAM, spareTheLastFrames, nullptr, nullptr);
    // The end of the stream passes the sink as soon as its last frame was
    // handed out (the sink then waits out that frame's time before the graph
    // hears of the end): the latest frame is known to be the last from here.
    gst_pad_add_probe(sp, GstPadProbeType(GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM | GST_PAD_PROBE_TYPE_EVENT_FLUSH),
                      &onEvent, this, nullptr);
    gst_object_unref(sp);
  }
  gst_bin_add_many(GST_BIN(bin_), conv, caps, sink_, nullptr);
  gst_element_link_many(conv, caps, sink_, nullptr);
  GstPad* in = gst_element_get_static_pad(conv, "sink");
  AddPin(PINDIR_INPUT, "Input", in);
  gst_object_unref(in);
}

TVideoRenderer::~TVideoRenderer() {
  if (bin_) gst_element_set_state(bin_, GST_STATE_NULL);
  std::lock_guard<std::mutex> g(m_);
  listener_.reset();
  keep_.reset();
}

void TVideoRenderer::SetSync(bool sync) {
  if (sink_) g_object_set(sink_, "sync", gboolean(sync), nullptr);
}

bool TVideoRenderer::QueryExtra(const GUID& iid, void** out) {
  return AnswerInterface<IVideoFrameSource>(this, iid, out) || AnswerInterface<IVideoWindow>(this, iid, out) ||
         AnswerInterface<IBasicVideo2>(this, iid, out);
}

GstFlowReturn TVideoRenderer::onSample(GstElement* sink, gpointer self, bool preroll) {
  GstSample* s = preroll ? gst_app_sink_pull_preroll(GST_APP_SINK(sink)) : gst_app_sink_pull_sample(GST_APP_SINK(sink));
  if (!s) return GST_FLOW_OK;
  static_cast<TVideoRenderer*>(self)->takeSample(s);
  return GST_FLOW_OK;
}

namespace {
struct MappedSample {
  GstSample* sample = nullptr;
  GstBuffer* buffer = nullptr;
  GstMapInfo map{};
  ~MappedSample() {
    if (buffer) gst_buffer_unmap(buffer, &map);
    if (sample) gst_sample_unref(sample);
  }
};
}  // namespace

GstPadProbeReturn TVideoRenderer::onEvent(GstPad*, GstPadProbeInfo* info, gpointer self) {
  GstEvent* e = GST_PAD_PROBE_INFO_EVENT(info);
  if (!e) return GST_PAD_PROBE_OK;
  const bool end = GST_EVENT_TYPE(e) == GST_EVENT_EOS;
  if (!end && GST_EVENT_TYPE(e) != GST_EVENT_FLUSH_START && GST_EVENT_TYPE(e) != GST_EVENT_FLUSH_STOP)
    return GST_PAD_PROBE_OK;
  auto* r = static_cast<TVideoRenderer*>(self);
  std::shared_ptr<std::function<void()>> listener;
  {
    std::lock_guard<std::mutex> g(r->m_);
    if (r->frame_.Last == end) return GST_PAD_PROBE_OK;
    r->frame_.Last = end;
    if (end && r->keep_) listener = r->listener_;
  }
  if (listener) r->notifyListener(std::move(listener));
  return GST_PAD_PROBE_OK;
}

void TVideoRenderer::takeSample(GstSample* sample) {
  auto ms = std::make_shared<MappedSample>();
  ms->sample = sample;
  GstBuffer* buf = gst_sample_get_buffer(sample);
  GstCaps* caps = gst_sample_get_caps(sample);
  GstVideoInfo info;
  if (!buf || !caps || !gst_video_info_from_caps(&info, caps) || !gst_buffer_map(buf, &ms->map, GST_MAP_READ))
    return;
  ms->buffer = buf;
  int stride = GST_VIDEO_INFO_PLANE_STRIDE(&info, 0);
  size_t offset = GST_VIDEO_INFO_PLANE_OFFSET(&info, 0);
  if (GstVideoMeta* meta = gst_buffer_get_video_meta(buf)) {
    stride = meta->stride[0];
    offset = meta->offset[0];
  }
  const int w = GST_VIDEO_INFO_WIDTH(&info), h = GST_VIDEO_INFO_HEIGHT(&info);
  REFERENCE_TIME t = 0, rt = 0;
  if (GST_BUFFER_PTS_IS_VALID(buf)) {
    const GstSegment* seg = gst_sample_get_segment(sample);
    guint64 st = seg ? gst_segment_to_stream_time(seg, GST_FORMAT_TIME, GST_BUFFER_PTS(buf)) : GST_BUFFER_PTS(buf);
    guint64 run = seg ? gst_segment_to_running_time(seg, GST_FORMAT_TIME, GST_BUFFER_PTS(buf)) : GST_BUFFER_PTS(buf);
    if (st != GST_CLOCK_TIME_NONE) t = REFERENCE_TIME(st / 100);
    if (run != GST_CLOCK_TIME_NONE) rt = REFERENCE_TIME(run / 100);
  }
  bool sizeChanged = false;
  std::shared_ptr<const void> old;
  std::shared_ptr<std::function<void()>> listener;
  {
    std::lock_guard<std::mutex> g(m_);
    if (w != width_ || h != height_) {
      sizeChanged = true;
      width_ = w;
      height_ = h;
    }
    fpsN_ = GST_VIDEO_INFO_FPS_N(&info);
    fpsD_ = std::max(1, GST_VIDEO_INFO_FPS_D(&info));
    parN_ = std::max(1, GST_VIDEO_INFO_PAR_N(&info));
    parD_ = std::max(1, GST_VIDEO_INFO_PAR_D(&info));
    old = std::move(keep_);
    keep_ = ms;
    frame_.Width = w;
    frame_.Height = h;
    frame_.Stride = stride;
    frame_.Bits = ms->map.data + offset;
    frame_.Time = t;
    frame_.RunningTime = rt;
    frame_.Sequence = ++sequence_;
    frame_.Last = false;
    frame_.Keep = keep_;
    listener = listener_;
  }
  old.reset();
  if (sizeChanged)
    if (TGraph* g = Graph()) g->Notify(EC_VIDEO_SIZE_CHANGED, LONG_PTR((w & 0xFFFF) | ((h & 0xFFFF) << 16)), 0);
  if (listener) notifyListener(std::move(listener));
}

void TVideoRenderer::notifyListener(std::shared_ptr<std::function<void()>> listener) {
  if (!pending_->exchange(true)) {
    if (!QCoreApplication::instance()) {
      pending_->store(false);
      return;
    }
    std::weak_ptr<std::function<void()>> weak = listener;
    std::shared_ptr<std::atomic<bool>> pending = pending_;
    PostToMainThread([weak, pending] {
      pending->store(false);
      if (auto l = weak.lock()) {
        try {
          (*l)();
        } catch (...) {
          HandleMainThreadException(std::current_exception());
        }
      }
    });
  }
}

bool TVideoRenderer::LatestFrame(TVideoFrame& frame) {
  std::lock_guard<std::mutex> g(m_);
  if (!keep_) return false;
  frame = frame_;
  return true;
}

void TVideoRenderer::SetFrameListener(std::function<void()> listener) {
  std::lock_guard<std::mutex> g(m_);
  listener_ = listener ? std::make_shared<std::function<void()>>(std::move(listener)) : nullptr;
}

HRESULT TVideoRenderer::SetWindowPosition(int32_t l, int32_t t, int32_t w, int32_t h) {
  std::lock_guard<std::mutex> g(m_);
  winL_ = l; winT_ = t; winW_ = w; winH_ = h;
  return S_OK;
}
HRESULT TVideoRenderer::GetWindowPosition(int32_t* l, int32_t* t, int32_t* w, int32_t* h) {
  std::lock_guard<std::mutex> g(m_);
  *l = winL_; *t = winT_; *w = winW_; *h = winH_;
  return S_OK;
}

HRESULT TVideoRenderer::GetVideoSize(int32_t* w, int32_t* h) {
  std::lock_guard<std::mutex> g(m_);
  if (width_ == 0) return E_FAIL;
  *w = width_;
  *h = height_;
  return S_OK;
}
HRESULT TVideoRenderer::get_AvgTimePerFrame(double* s) {
  std::lock_guard<std::mutex> g(m_);
  *s = fpsN_ > 0 ? double(fpsD_) / fpsN_ : 0.0;
  return S_OK;
}
HRESULT TVideoRenderer::SetSourcePosition(int32_t l, int32_t t, int32_t w, int32_t h) {
  std::lock_guard<std::mutex> g(m_);
  if (w <= 0 || h <= 0 || l < 0 || t < 0 || (width_ > 0 && (l + w > width_ || t + h > height_))) return E_INVALIDARG;
  srcL_ = l; srcT_ = t; srcW_ = w; srcH_ = h;
  defaultSource_ = false;
  return S_OK;
}
HRESULT TVideoRenderer::GetSourcePosition(int32_t* l, int32_t* t, int32_t* w, int32_t* h) {
  std::lock_guard<std::mutex> g(m_);
  if (defaultSource_) {
    *l = 0; *t = 0; *w = width_; *h = height_;
  } else {
    *l = srcL_; *t = srcT_; *w = srcW_; *h = srcH_;
  }
  return S_OK;
}
HRESULT TVideoRenderer::SetDefaultSourcePosition() {
  std::lock_guard<std::mutex> g(m_);
  defaultSource_ = true;
  return S_OK;
}
HRESULT TVideoRenderer::IsUsingDefaultSource() {
  std::lock_guard<std::mutex> g(m_);
  return defaultSource_ ? S_OK : S_FALSE;
}
HRESULT TVideoRenderer::SetDestinationPosition(int32_t l, int32_t t, int32_t w, int32_t h) {
  std::lock_guard<std::mutex> g(m_);
  if (w <= 0 || h <= 0) return E_INVALIDARG;
  dstL_ = l; dstT_ = t; dstW_ = w; dstH_ = h;
  defaultDest_ = false;
  return S_OK;
}
HRESULT TVideoRenderer::GetDestinationPosition(int32_t* l, int32_t* t, int32_t* w, int32_t* h) {
  std::lock_guard<std::mutex> g(m_);
  if (defaultDest_) {
    *l = 0; *t = 0; *w = winW_; *h = winH_;
  } else {
    *l = dstL_; *t = dstT_; *w = dstW_; *h = dstH_;
  }
  return S_OK;
}
HRESULT TVideoRenderer::SetDefaultDestinationPosition() {
  std::lock_guard<std::mutex> g(m_);
  defaultDest_ = true;
  return S_OK;
}
HRESULT TVideoRenderer::GetPreferredAspectRatio(int32_t* x, int32_t* y) {
  std::lock_guard<std::mutex> g(m_);
  if (width_ == 0) return E_FAIL;
  *x = width_ * parN_;
  *y = height_ * parD_;
  return S_OK;
}

// ---------------------------------------------------------------------------
// Audio renderer

namespace {
// TABLO_AUDIO_SINK as one element: a launch line of several elements becomes
// a bin whose free sink pad is ghosted, so it links like a single sink. Null
// when the variable is not set or its line cannot be made (Problem, when
// given, then says why).
GstElement* MakeAudioSinkFromSetting(std::string* Problem) {
  const char* desc = std::getenv("TABLO_AUDIO_SINK");
  if (!desc || !*desc) return nullptr;
  GError* err = nullptr;
  GstElement* sink = gst_parse_bin_from_description(desc, TRUE, &err);
  std::string why;
  if (err) {
    why = err->message ? err->message : "";
    g_error_free(err);
    // A partly made line is not used.
    if (sink) {
      gst_object_ref_sink(sink);
      gst_object_unref(sink);
    }
    sink = nullptr;
  }
  if (sink) {
    GstPad* in = gst_element_get_static_pad(sink, "sink");
    if (!in) {
      why = "it takes no sound";
      gst_object_ref_sink(sink);
      gst_object_unref(sink);
      sink = nullptr;
    } else {
      gst_object_unref(in);
    }
  }
  if (!sink && why.empty()) why = "it cannot be made";
  if (Problem) *Problem = sink ? std::string() : why;
  return sink;
}
}  // namespace

std::string AudioSinkSettingProblem() {
  const char* desc = std::getenv("TABLO_AUDIO_SINK");
  if (!desc || !*desc) return {};
  EnsureGStreamer();
  std::string why;
  GstElement* sink = MakeAudioSinkFromSetting(&why);
  if (sink) {
    gst_object_ref_sink(sink);
    gst_object_unref(sink);
    return {};
  }
  return "The sound output TABLO_AUDIO_SINK=\"" + std::string(desc) + "\" cannot be made (" + why +
         "); the default sound output is used.";
}

TAudioRenderer::TAudioRenderer() : TMediaFilter(CLSID_AudioRenderer, "Audio Renderer") {
  GstElement* conv = MakeElement("audioconvert");
  GstElement* res = MakeElement("audioresample");
  volume_ = MakeElement("volume", "volume");
  panorama_ = MakeElement("audiopanorama", "panorama");
  GstElement* conv2 = MakeElement("audioconvert");
  GstElement* sink = MakeAudioSinkFromSetting(nullptr);
  if (!sink) sink = MakeElement("autoaudiosink");
  if (!conv || !res || !volume_ || !panorama_ || !conv2 || !sink) return;
  gst_bin_add_many(GST_BIN(bin_), conv, res, volume_, panorama_, conv2, sink, nullptr);
  gst_element_link_many(conv, res, volume_, panorama_, conv2, sink, nullptr);
  GstPad* in = gst_element_get_static_pad(conv, "sink");
  AddPin(PINDIR_INPUT, "Audio Input", in);
  gst_object_unref(in);
}

// ---------------------------------------------------------------------------
// Sample grabber

TGrabberFilter::TGrabberFilter() : TMediaFilter(CLSID_SampleGrabber, "SampleGrabber"), major_(MEDIATYPE_Video) {
  GstElement* conv = MakeElement("videoconvert");
  GstElement* caps = MakeElement("capsfilter");
  if (!conv || !caps) return;
  GstCaps* c = gst_caps_from_string("video/x-raw,format=BGRx");
  g_object_set(caps, "caps", c, nullptr);
  gst_caps_unref(c);
  gst_bin_add_many(GST_BIN(bin_), conv, caps, nullptr);
  gst_element_link(conv, caps);
  GstPad* in = gst_element_get_static_pad(conv, "sink");
  GstPad* out = gst_element_get_static_pad(caps, "src");
  gst_pad_add_probe(out, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                    &TGrabberFilter::probe, this, nullptr);
  AddPin(PINDIR_INPUT, "Input", in);
  AddPin(PINDIR_OUTPUT, "Output", out);
  gst_object_unref(in);
  gst_object_unref(out);
}

TGrabberFilter::~TGrabberFilter() {
  if (bin_) gst_element_set_state(bin_, GST_STATE_NULL);
  std::lock_guard<std::mutex> g(m_);
  if (last_) gst_buffer_unref(last_);
  last_ = nullptr;
}

bool TGrabberFilter::QueryExtra(const GUID& iid, void** out) { return AnswerInterface<ISampleGrabber>(this, iid, out); }

GstPadProbeReturn TGrabberFilter::probe(GstPad*, GstPadProbeInfo* info, gpointer self) {
  auto* f = static_cast<TGrabberFilter*>(self);
  if (info->type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
    GstEvent* ev = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(ev) == GST_EVENT_CAPS) {
      GstCaps* caps = nullptr;
      gst_event_parse_caps(ev, &caps);
      GstVideoInfo vi;
      if (caps && gst_video_info_from_caps(&vi, caps)) {
        std::lock_guard<std::mutex> g(f->m_);
        f->width_ = GST_VIDEO_INFO_WIDTH(&vi);
        f->height_ = GST_VIDEO_INFO_HEIGHT(&vi);
        f->srcStride_ = GST_VIDEO_INFO_PLANE_STRIDE(&vi, 0);
        f->fpsN_ = GST_VIDEO_INFO_FPS_N(&vi);
        f->fpsD_ = std::max(1, GST_VIDEO_INFO_FPS_D(&vi));
      }
    }
    return GST_PAD_PROBE_OK;
  }
  GstBuffer* buf = GST_PAD_PROBE_INFO_BUFFER(info);
  if (!buf) return GST_PAD_PROBE_OK;
  ComPtr<ISampleGrabberCB> cb;
  int w, h, stride;
  {
    std::lock_guard<std::mutex> g(f->m_);
    if (f->bufferSamples_) {
      GstBuffer* old = f->last_;
      f->last_ = gst_buffer_ref(buf);
      if (old) gst_buffer_unref(old);
    }
    if (f->which_ == 1) cb = f->callback_;
    w = f->width_;
    h = f->height_;
    stride = f->srcStride_;
  }
  if (cb && w > 0 && h > 0 && cb->WantsBuffers()) {
    // Only a sample handed to a callback is converted.
    const int32_t size = ((w * 24 + 31) / 32) * 4 * h;
    f->scratch_.resize(size_t(size));
    GstMapInfo map;
    if (gst_buffer_map(buf, &map, GST_MAP_READ)) {
      {
        std::lock_guard<std::mutex> g(f->m_);
        f->convert(map.data, stride, f->scratch_.data(), size);
      }
      gst_buffer_unmap(buf, &map);
      double t = GST_BUFFER_PTS_IS_VALID(buf) ? double(GST_BUFFER_PTS(buf)) / GST_SECOND : 0.0;
      cb->BufferCB(t, f->scratch_.data(), size);
      if (f->oneShot_) {
        std::lock_guard<std::mutex> g(f->m_);
        f->callback_ = nullptr;
      }
    }
  }
  return GST_PAD_PROBE_OK;
}

// BGRx rows, top first, into RGB24 rows bottom first (each rounded to 4
// bytes), at most `limit` bytes. Called with m_ held.
void TGrabberFilter::convert(const uint8_t* src, int srcStride, uint8_t* dst, int32_t limit) const {
  const int dstStride = rgbStride();
  const int w = width_;
  for (int r = 0; r < height_ && limit > 0; ++r) {
    const uint8_t* s = src + size_t(height_ - 1 - r) * size_t(srcStride);
    uint8_t* d = dst + size_t(r) * size_t(dstStride);
    const int n = std::min(limit, dstStride);
    if (n == dstStride) {
      // Four pixels (16 bytes in) make three words out.
      int x = 0;
      for (; x + 4 <= w; x += 4) {
        uint32_t p0, p1, p2, p3;
        std::memcpy(&p0, s + 4 * x, 4);
        std::memcpy(&p1, s + 4 * x + 4, 4);
        std::memcpy(&p2, s + 4 * x + 8, 4);
        std::memcpy(&p3, s + 4 * x + 12, 4);
        const uint32_t o0 = (p0 & 0xFFFFFFu) | p1 << 24;
        const uint32_t o1 = ((p1 >> 8) & 0xFFFFu) | p2 << 16;
        const uint32_t o2 = ((p2 >> 16) & 0xFFu) | p3 << 8;
        std::memcpy(d + 3 * x, &o0, 4);
        std::memcpy(d + 3 * x + 4, &o1, 4);
        std::memcpy(d + 3 * x + 8, &o2, 4);
      }
      for (; x < w; ++x) {
        d[3 * x] = s[4 * x];
        d[3 * x + 1] = s[4 * x + 1];
        d[3 * x + 2] = s[4 * x + 2];
      }
      std::memset(d + 3 * w, 0, size_t(dstStride - 3 * w));
    } else {
      std::vector<uint8_t> rowBuf(size_t(dstStride), 0);
      uint8_t* row = rowBuf.data();
      for (int x = 0; x < w; ++x) {
        row[3 * x] = s[4 * x];
        row[3 * x + 1] = s[4 * x + 1];
        row[3 * x + 2] = s[4 * x + 2];
      }
      std::memcpy(d, row, size_t(n));
    }
    limit -= n;
  }
}

HRESULT TGrabberFilter::SetMediaType(const AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  std::lock_guard<std::mutex> g(m_);
  major_ = mt->majortype;
  return S_OK;
}

HRESULT TGrabberFilter::GetConnectedMediaType(AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  std::lock_guard<std::mutex> g(m_);
  if (width_ <= 0 || height_ <= 0) return MEDIA_E_NOT_CONNECTED;
  *mt = AM_MEDIA_TYPE{};
  mt->majortype = MEDIATYPE_Video;
  mt->subtype = MEDIASUBTYPE_RGB24;
  mt->formattype = FORMAT_VideoInfo;
  mt->bFixedSizeSamples = 1;
  const uint32_t image = uint32_t(rgbStride()) * uint32_t(height_);
  mt->lSampleSize = image;
  VIDEOINFOHEADER vih;
  vih.rcSource = {0, 0, width_, height_};
  vih.rcTarget = {0, 0, width_, height_};
  vih.AvgTimePerFrame = fpsN_ > 0 ? int64_t(10000000) * fpsD_ / fpsN_ : 0;
  vih.dwBitRate = fpsN_ > 0 ? uint32_t(uint64_t(image) * 8 * fpsN_ / fpsD_) : 0;
  vih.bmiHeader.biWidth = width_;
  vih.bmiHeader.biHeight = height_;
  vih.bmiHeader.biBitCount = 24;
  vih.bmiHeader.biSizeImage = image;
  mt->cbFormat = sizeof vih;
  mt->pbFormat = static_cast<uint8_t*>(CoTaskMemAlloc(sizeof vih));
  std::memcpy(mt->pbFormat, &vih, sizeof vih);
  return S_OK;
}

HRESULT TGrabberFilter::SetBufferSamples(bool buffer) {
  std::lock_guard<std::mutex> g(m_);
  bufferSamples_ = buffer;
  if (!buffer && last_) {
    gst_buffer_unref(last_);
    last_ = nullptr;
  }
  return S_OK;
}

HRESULT TGrabberFilter::GetCurrentBuffer(int32_t* size, uint8_t* buffer) {
  if (!size) return E_POINTER;
  std::lock_guard<std::mutex> g(m_);
  if (!last_ || width_ <= 0 || height_ <= 0) return MEDIA_E_BUFFER_EMPTY;
  const int32_t image = rgbStride() * height_;
  if (!buffer) {
    *size = image;
    return S_OK;
  }
  if (*size <= 0) return E_INVALIDARG;
  const int32_t n = std::min(*size, image);
  GstMapInfo map;
  if (!gst_buffer_map(last_, &map, GST_MAP_READ)) return E_FAIL;
  if (map.size < size_t(srcStride_) * size_t(height_)) {
    gst_buffer_unmap(last_, &map);
    return E_FAIL;
  }
  convert(map.data, srcStride_, buffer, n);
  gst_buffer_unmap(last_, &map);
  *size = n;
  return S_OK;
}

HRESULT TGrabberFilter::GetCurrentFrame(TVideoFrame& frame) {
  std::lock_guard<std::mutex> g(m_);
  if (!last_ || width_ <= 0 || height_ <= 0) return MEDIA_E_BUFFER_EMPTY;
  // The mapping lives as long as the frame's Keep: the buffer stays
  // referenced and mapped until the last holder lets go.
  struct Mapped {
    GstBuffer* buffer = nullptr;
    GstMapInfo map{};
    bool mapped = false;
    ~Mapped() {
      if (mapped) gst_buffer_unmap(buffer, &map);
      if (buffer) gst_buffer_unref(buffer);
    }
  };
  auto keep = std::make_shared<Mapped>();
  GstBuffer* b = keep->buffer = gst_buffer_ref(last_);
  if (!(keep->mapped = gst_buffer_map(b, &keep->map, GST_MAP_READ))) return E_FAIL;
  if (keep->map.size < size_t(srcStride_) * size_t(height_)) return E_FAIL;
  frame = TVideoFrame{};
  frame.Width = width_;
  frame.Height = height_;
  frame.Stride = srcStride_;
  frame.Bits = keep->map.data;
  frame.Time = GST_BUFFER_PTS_IS_VALID(b) ? REFERENCE_TIME(GST_BUFFER_PTS(b) / 100) : 0;
  frame.Keep = std::move(keep);
  return S_OK;
}

HRESULT TGrabberFilter::SetCallback(ISampleGrabberCB* callback, int32_t which) {
  std::lock_guard<std::mutex> g(m_);
  callback_ = callback;
  which_ = which;
  return S_OK;
}

// ---------------------------------------------------------------------------
// Elements made while rendering

static CLSID factoryClass(GstElement* e) {
  GstElementFactory* f = gst_element_get_factory(e);
  return GUIDFromName(f ? GST_OBJECT_NAME(f) : G_OBJECT_TYPE_NAME(e));
}

TElementFilter::TElementFilter(GstElement* element)
    : TMediaFilter(factoryClass(element), nullptr), element_(GST_ELEMENT(gst_object_ref(element))) {
  gchar* n = gst_element_get_name(element);
  name_ = n ? n : "";
  g_free(n);
}

TElementFilter::~TElementFilter() { gst_object_unref(element_); }

void RegisterFilterClasses() {
  auto have = [](const char* f) {
    GstElementFactory* fac = gst_element_factory_find(f);
    if (fac) gst_object_unref(fac);
    return fac != nullptr;
  };
  RegisterMediaClassRaw(CLSID_VideoRenderer, [] { return static_cast<IBaseFilter*>(new TVideoRenderer()); });
  RegisterMediaClassRaw(CLSID_AudioRenderer, [] { return static_cast<IBaseFilter*>(new TAudioRenderer()); });
  if (have("videoconvert") && have("capsfilter"))
    RegisterMediaClassRaw(CLSID_SampleGrabber, [] { return static_cast<IBaseFilter*>(new TGrabberFilter()); });
}
