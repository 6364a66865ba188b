// The overlay mixer (a videobalance colour stage between a decoder and the
// video renderer) and the fakes that tests put in its place.
#include <gst/video/video.h>

#include <algorithm>
#include <mutex>
#include <numeric>

#include "platform/dshow/MediaFilters_p.h"
#include "platform/dshow/Overlay.h"

namespace {

// The colour controls the mixer offers.
constexpr DWORD kOfferedFlags = DDCOLOR_BRIGHTNESS | DDCOLOR_CONTRAST | DDCOLOR_HUE | DDCOLOR_SATURATION |
                                DDCOLOR_COLORENABLE;   // $4F

class TOverlayMixer;

// An input pin of the mixer: answers IMixerPinConfig2 for its mixer. A busy
// pin reports a connection it does not have (the fake "every pin connected").
class TMixerPin : public TMediaPin, public IMixerPinConfig2 {
 public:
  TMixerPin(TOverlayMixer* mixer, const std::string& name, GstPad* ghost, bool busy);
  HRESULT QueryInterface(const GUID& iid, void** out) override;
  ULONG AddRef() override { return TMediaPin::AddRef(); }
  ULONG Release() override { return TMediaPin::Release(); }
  HRESULT ConnectedTo(IPin** pin) override {
    if (!busy_) return TMediaPin::ConnectedTo(pin);
    TMediaPin::AddRef();
    *pin = this;
    return S_OK;
  }
  HRESULT GetColorKey(COLORKEY* key, DWORD* colour) override;
  HRESULT SetAspectRatioMode(AM_ASPECT_RATIO_MODE mode) override;
  HRESULT GetAspectRatioMode(AM_ASPECT_RATIO_MODE* mode) override;
  HRESULT SetOverlaySurfaceColorControls(const DDCOLORCONTROL* controls) override;
  HRESULT GetOverlaySurfaceColorControls(DDCOLORCONTROL* controls) override;

 private:
  TOverlayMixer* mixer_;
  bool busy_;
};

struct TMixerOptions {
  bool busy = false;
  bool readFails = false;
  DWORD flags = kOfferedFlags;
};

class TOverlayMixer : public TMediaFilter, public IDDrawExclModeVideo {
 public:
  explicit TOverlayMixer(const TMixerOptions& o) : TMediaFilter(CLSID_OverlayMixer, "Overlay Mixer"), opt_(o) {
    current_ = DefaultColorControls(o.flags);
    balance_ = MakeElement("videobalance", "balance");
    // The second input takes a caption stream (Line 21) and drops it.
    GstElement* captions = MakeElement("fakesink", "captions");
    if (!balance_ || !captions) return;
    g_object_set(captions, "sync", FALSE, "async", FALSE, nullptr);
    // Counted as no sink of the bin: the end of the stream is the video's
    // alone, an unused caption input would keep the clip from ever ending.
    GST_OBJECT_FLAG_UNSET(captions, GST_ELEMENT_FLAG_SINK);
    gst_bin_add_many(GST_BIN(bin_), balance_, captions, nullptr);
    GstPad* in = gst_element_get_static_pad(balance_, "sink");
    GstPad* out = gst_element_get_static_pad(balance_, "src");
    GstPad* cap = gst_element_get_static_pad(captions, "sink");
    gst_pad_add_probe(in, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, &TOverlayMixer::capsProbe, this, nullptr);
    addInput("Input0", in);
    addInput("Input1", cap);
    addOutput(out);
    gst_object_unref(in);
    gst_object_unref(out);
    gst_object_unref(cap);
    apply();
  }

  // IDDrawExclModeVideo
  HRESULT SetCallbackInterface(IDDrawExclModeVideoCallback* callback, DWORD) override {
    std::lock_guard<std::mutex> g(m_);
    callback_ = callback;
    return S_OK;
  }
  HRESULT GetNativeVideoProps(DWORD* width, DWORD* height, DWORD* ax, DWORD* ay) override {
    if (!width || !height || !ax || !ay) return E_POINTER;
    std::lock_guard<std::mutex> g(m_);
    *width = width_;
    *height = height_;
    *ax = aspectX_;
    *ay = aspectY_;
    return S_OK;
  }

  // Through the input pins.
  HRESULT SetControls(const DDCOLORCONTROL* c) {
    if (!c || c->dwSize != sizeof(DDCOLORCONTROL)) return E_INVALIDARG;
    {
      std::lock_guard<std::mutex> g(m_);
      const DWORD take = c->dwFlags & opt_.flags;
      if (take & DDCOLOR_BRIGHTNESS) current_.lBrightness = c->lBrightness;
      if (take & DDCOLOR_CONTRAST) current_.lContrast = c->lContrast;
      if (take & DDCOLOR_HUE) current_.lHue = c->lHue;
      if (take & DDCOLOR_SATURATION) current_.lSaturation = c->lSaturation;
      if (take & DDCOLOR_SHARPNESS) current_.lSharpness = c->lSharpness;
      if (take & DDCOLOR_GAMMA) current_.lGamma = c->lGamma;
      if (take & DDCOLOR_COLORENABLE) current_.lColorEnable = c->lColorEnable;
    }
    apply();
    return S_OK;
  }
  HRESULT GetControls(DDCOLORCONTROL* c) {
    if (!c) return E_POINTER;
    if (opt_.readFails) return E_FAIL;
    std::lock_guard<std::mutex> g(m_);
    *c = current_;
    c->dwSize = sizeof(DDCOLORCONTROL);
    c->dwFlags = opt_.flags;
    return S_OK;
  }
  HRESULT SetMode(AM_ASPECT_RATIO_MODE m) {
    if (m < AM_ARMODE_STRETCHED || m > AM_ARMODE_CROP) return E_INVALIDARG;
    mode_ = m;
    return S_OK;
  }
  AM_ASPECT_RATIO_MODE Mode() const { return mode_; }

 protected:
  bool QueryExtra(const GUID& iid, void** out) override { return AnswerInterface<IDDrawExclModeVideo>(this, iid, out); }

 private:
  void addInput(const std::string& name, GstPad* target) {
    std::string padName = "in_" + std::to_string(pins.size());
    GstPad* ghost = gst_ghost_pad_new(padName.c_str(), target);
    gst_pad_set_active(ghost, TRUE);
    gst_element_add_pad(bin_, ghost);
    pins.push_back(std::make_unique<TMixerPin>(this, name, ghost, opt_.busy));
  }

  // The output holds its data back while it is free (a free pin of the
  // graph drops it): a seek made while the mixer is wired in between would
  // otherwise run the stream to its end before the renderer is linked.
  // Linked, it passes data on once the renderer's pad is active.
  void addOutput(GstPad* target) {
    GstPad* ghost = gst_ghost_pad_new("out_mixer", target);
    gst_pad_set_active(ghost, TRUE);
    gst_element_add_pad(bin_, ghost);
    pins.push_back(std::make_unique<TMediaPin>(this, PINDIR_OUTPUT, "Output", ghost));
    hold_ = gst_pad_add_probe(ghost, GstPadProbeType(GST_PAD_PROBE_TYPE_BLOCK | GST_PAD_PROBE_TYPE_BUFFER),
                              [](GstPad*, GstPadProbeInfo*, gpointer) { return GST_PAD_PROBE_OK; }, nullptr, nullptr);
    g_signal_connect(ghost, "linked", G_CALLBACK(&TOverlayMixer::outputLinked), this);
    g_signal_connect(ghost, "unlinked", G_CALLBACK(&TOverlayMixer::outputUnlinked), this);
  }
  static void outputLinked(GstPad* pad, GstPad*, gpointer self) {
    auto* m = static_cast<TOverlayMixer*>(self);
    std::lock_guard<std::mutex> g(m->holdMutex_);
    if (!m->hold_) return;
    // Until the renderer's pad is active (its bin is made to follow the
    // pipeline just after the link), what comes is dropped.
    gst_pad_add_probe(pad, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
                      [](GstPad* p, GstPadProbeInfo*, gpointer) {
                        GstPad* peer = gst_pad_get_peer(p);
                        const bool ready = peer && !GST_PAD_IS_FLUSHING(peer);
                        if (peer) gst_object_unref(peer);
                        return ready ? GST_PAD_PROBE_REMOVE : GST_PAD_PROBE_DROP;
                      },
                      nullptr, nullptr);
    gst_pad_remove_probe(pad, m->hold_);
    m->hold_ = 0;
  }
  static void outputUnlinked(GstPad* pad, GstPad*, gpointer self) {
    auto* m = static_cast<TOverlayMixer*>(self);
    std::lock_guard<std::mutex> g(m->holdMutex_);
    if (m->hold_) return;
    m->hold_ = gst_pad_add_probe(pad, GstPadProbeType(GST_PAD_PROBE_TYPE_BLOCK | GST_PAD_PROBE_TYPE_BUFFER),
                                 [](GstPad*, GstPadProbeInfo*, gpointer) { return GST_PAD_PROBE_OK; }, nullptr,
                                 nullptr);
  }

  // Brightness (b - 750) / 10000, contrast c / 10000, saturation s / 10000
  // (0 while colour is off), hue h / 180; neutral values pass through.
  void apply() {
    if (!balance_) return;
    DDCOLORCONTROL c;
    {
      std::lock_guard<std::mutex> g(m_);
      c = current_;
    }
    const double brightness = std::clamp((c.lBrightness - 750) / 10000.0, -1.0, 1.0);
    const double contrast = std::clamp(c.lContrast / 10000.0, 0.0, 2.0);
    const double saturation = c.lColorEnable ? std::clamp(c.lSaturation / 10000.0, 0.0, 2.0) : 0.0;
    const double hue = std::clamp(c.lHue / 180.0, -1.0, 1.0);
    g_object_set(balance_, "brightness", brightness, "contrast", contrast, "saturation", saturation, "hue", hue,
                 nullptr);
  }

  static GstPadProbeReturn capsProbe(GstPad*, GstPadProbeInfo* info, gpointer self) {
    GstEvent* ev = GST_PAD_PROBE_INFO_EVENT(info);
    if (!ev || GST_EVENT_TYPE(ev) != GST_EVENT_CAPS) return GST_PAD_PROBE_OK;
    GstCaps* caps = nullptr;
    gst_event_parse_caps(ev, &caps);
    GstVideoInfo vi;
    if (!caps || !gst_video_info_from_caps(&vi, caps)) return GST_PAD_PROBE_OK;
    static_cast<TOverlayMixer*>(self)->sizeSeen(GST_VIDEO_INFO_WIDTH(&vi), GST_VIDEO_INFO_HEIGHT(&vi),
                                                std::max(1, GST_VIDEO_INFO_PAR_N(&vi)),
                                                std::max(1, GST_VIDEO_INFO_PAR_D(&vi)));
    return GST_PAD_PROBE_OK;
  }

  void sizeSeen(int w, int h, int parN, int parD) {
    uint64_t ax = uint64_t(w) * uint64_t(parN), ay = uint64_t(h) * uint64_t(parD);
    if (uint64_t d = std::gcd(ax, ay); d > 1) {
      ax /= d;
      ay /= d;
    }
    ComPtr<IDDrawExclModeVideoCallback> cb;
    {
      std::lock_guard<std::mutex> g(m_);
      if (DWORD(w) == width_ && DWORD(h) == height_ && DWORD(ax) == aspectX_ && DWORD(ay) == aspectY_) return;
      width_ = DWORD(w);
      height_ = DWORD(h);
      aspectX_ = DWORD(ax);
      aspectY_ = DWORD(ay);
      cb = callback_;
    }
    if (cb) cb->OnUpdateSize(DWORD(w), DWORD(h), DWORD(ax), DWORD(ay));
  }

  TMixerOptions opt_;
  GstElement* balance_ = nullptr;
  std::mutex m_;
  DDCOLORCONTROL current_;
  ComPtr<IDDrawExclModeVideoCallback> callback_;
  DWORD width_ = 0, height_ = 0, aspectX_ = 0, aspectY_ = 0;
  std::atomic<AM_ASPECT_RATIO_MODE> mode_{AM_ARMODE_LETTER_BOX};
  std::mutex holdMutex_;
  gulong hold_ = 0;
};

TMixerPin::TMixerPin(TOverlayMixer* mixer, const std::string& name, GstPad* ghost, bool busy)
    : TMediaPin(mixer, PINDIR_INPUT, name, ghost), mixer_(mixer), busy_(busy) {}

HRESULT TMixerPin::QueryInterface(const GUID& iid, void** out) {
  if (iid == IMixerPinConfig2::IID) {
    TMediaPin::AddRef();
    *out = static_cast<IMixerPinConfig2*>(this);
    return S_OK;
  }
  return TMediaPin::QueryInterface(iid, out);
}
HRESULT TMixerPin::GetColorKey(COLORKEY* key, DWORD* colour) {
  if (key) {
    *key = COLORKEY{};
    key->KeyType = 2;   // an RGB key
    key->LowColorValue = OverlayColorKey;
    key->HighColorValue = OverlayColorKey;
  }
  if (colour) *colour = OverlayColorKey;
  return S_OK;
}
HRESULT TMixerPin::SetAspectRatioMode(AM_ASPECT_RATIO_MODE mode) { return mixer_->SetMode(mode); }
HRESULT TMixerPin::GetAspectRatioMode(AM_ASPECT_RATIO_MODE* mode) {
  if (!mode) return E_POINTER;
  *mode = mixer_->Mode();
  return S_OK;
}
HRESULT TMixerPin::SetOverlaySurfaceColorControls(const DDCOLORCONTROL* c) { return mixer_->SetControls(c); }
HRESULT TMixerPin::GetOverlaySurfaceColorControls(DDCOLORCONTROL* c) { return mixer_->GetControls(c); }

// Plain pins on identity elements: enough to wire, nothing to play.
class TStubFilter : public TMediaFilter {
 public:
  TStubFilter(const CLSID& clsid, int inputs, int outputs) : TMediaFilter(clsid, "Stub") {
    for (int i = 0; i < inputs + outputs; ++i) {
      GstElement* e = MakeElement("identity");
      if (!e) return;
      gst_bin_add(GST_BIN(bin_), e);
      const bool in = i < inputs;
      GstPad* p = gst_element_get_static_pad(e, in ? "sink" : "src");
      AddPin(in ? PINDIR_INPUT : PINDIR_OUTPUT, (in ? "In" : "Out") + std::to_string(in ? i : i - inputs), p);
      gst_object_unref(p);
    }
  }
};

// A video renderer of the mixing renderer's class with a second input.
class TMixingRendererFake : public TVideoRenderer {
 public:
  TMixingRendererFake() {
    clsid_ = CLSID_VideoMixingRenderer;
    if (GstElement* sink = MakeElement("fakesink")) {
      g_object_set(sink, "sync", FALSE, "async", FALSE, nullptr);
      gst_bin_add(GST_BIN(bin_), sink);
      GstPad* p = gst_element_get_static_pad(sink, "sink");
      AddPin(PINDIR_INPUT, "VMR Input1", p);
      gst_object_unref(p);
    }
  }
};

}  // namespace

TClassFactory OverlayFakeFactory(TOverlayFake kind, DWORD flags) {
  switch (kind) {
    case TOverlayFake::BusyMixer:
      return [] { return static_cast<IBaseFilter*>(new TOverlayMixer(TMixerOptions{true, false, kOfferedFlags})); };
    case TOverlayFake::MixerReadFails:
      return [] { return static_cast<IBaseFilter*>(new TOverlayMixer(TMixerOptions{false, true, kOfferedFlags})); };
    case TOverlayFake::MixerOtherFlags:
      return [flags] { return static_cast<IBaseFilter*>(new TOverlayMixer(TMixerOptions{false, false, flags})); };
    case TOverlayFake::MixingRenderer:
      return [] { return static_cast<IBaseFilter*>(new TMixingRendererFake()); };
    case TOverlayFake::Line21Decoder:
      return [] { return static_cast<IBaseFilter*>(new TStubFilter(CLSID_Line21Decoder, 1, 1)); };
    case TOverlayFake::Line21Decoder2:
      return [] { return static_cast<IBaseFilter*>(new TStubFilter(CLSID_Line21Decoder2, 1, 1)); };
  }
  return nullptr;
}

ComPtr<IBaseFilter> MakeStubFilter(const CLSID& clsid, int inputs, int outputs) {
  EnsureGStreamer();
  return ComPtr<IBaseFilter>(static_cast<IBaseFilter*>(new TStubFilter(clsid, inputs, outputs)));
}

void RegisterOverlayClasses() {
  GstElementFactory* f = gst_element_factory_find("videobalance");
  if (!f) return;
  gst_object_unref(f);
  RegisterMediaClassRaw(CLSID_OverlayMixer, [] { return static_cast<IBaseFilter*>(new TOverlayMixer({})); });
  // The line 21 decoder that the mixer's set-up puts in (captions are taken
  // and not drawn here).
  RegisterMediaClassRaw(CLSID_Line21Decoder,
                        [] { return static_cast<IBaseFilter*>(new TStubFilter(CLSID_Line21Decoder, 1, 1)); });
}
