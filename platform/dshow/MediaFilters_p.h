#pragma once
// The layer's own filters: the file source, the renderers, the grabber, the
// capture source and the wrapper of an element made while rendering.
#include <functional>
#include "platform/dshow/MediaGraph_p.h"

// Plays a file: a uridecodebin whose streams become output pins.
class TSourceFilter : public TMediaFilter {
 public:
  // A disc folder (discFolder not empty) is read by GStreamer's DVD source,
  // whose navigation plays it as a player would.
  explicit TSourceFilter(const std::string& uri, const std::string& discFolder = "");
  bool AlwaysInPipeline() const override { return true; }
 private:
  static void padAdded(GstElement*, GstPad* pad, gpointer self);
  static void noMorePads(GstElement*, gpointer self);
  static int autoplugSelect(GstElement*, GstPad*, GstCaps*, GstElementFactory* factory, gpointer self);
  static void deepElementAdded(GstBin*, GstBin*, GstElement* element, gpointer self);
  static void sourceSetup(GstElement*, GstElement* source, gpointer self);
  int streams_ = 0;
  std::string discFolder_;
  GstElement* spu_ = nullptr;   // a disc's subpictures (menus, subtitles) drawn over its video
};

// A device's source element (a camera): one output pin.
class TCaptureSource : public TMediaFilter {
 public:
  explicit TCaptureSource(GstElement* element);
  bool IsLive() const override { return live_; }
 private:
  bool live_ = true;
};

// videoconvert ! BGRx ! appsink: keeps the latest frame.
class TVideoRenderer : public TMediaFilter, public IVideoFrameSource, public IVideoWindow, public IBasicVideo2 {
 public:
  TVideoRenderer();
  ~TVideoRenderer() override;
  GstElement* Sink() const { return sink_; }
  void SetSync(bool sync);

  bool LatestFrame(TVideoFrame& frame) override;
  void SetFrameListener(std::function<void()> listener) override;

  HRESULT put_Caption(const std::string& s) override { std::lock_guard<std::mutex> g(m_); caption_ = s; return S_OK; }
  HRESULT get_Caption(std::string* s) override { std::lock_guard<std::mutex> g(m_); *s = caption_; return S_OK; }
  HRESULT put_WindowStyle(int32_t v) override { style_ = v; return S_OK; }
  HRESULT get_WindowStyle(int32_t* v) override { *v = style_; return S_OK; }
  HRESULT put_WindowStyleEx(int32_t v) override { styleEx_ = v; return S_OK; }
  HRESULT get_WindowStyleEx(int32_t* v) override { *v = styleEx_; return S_OK; }
  HRESULT put_AutoShow(int32_t v) override { autoShow_ = v; return S_OK; }
  HRESULT get_AutoShow(int32_t* v) override { *v = autoShow_; return S_OK; }
  HRESULT put_WindowState(int32_t v) override { windowState_ = v; return S_OK; }
  HRESULT get_WindowState(int32_t* v) override { *v = windowState_; return S_OK; }
  HRESULT put_Visible(int32_t v) override { visible_ = v; return S_OK; }
  HRESULT get_Visible(int32_t* v) override { *v = visible_; return S_OK; }
  HRESULT SetWindowPosition(int32_t l, int32_t t, int32_t w, int32_t h) override;
  HRESULT GetWindowPosition(int32_t* l, int32_t* t, int32_t* w, int32_t* h) override;
  HRESULT put_Owner(intptr_t o) override { owner_ = o; return S_OK; }
  HRESULT get_Owner(intptr_t* o) override { *o = owner_; return S_OK; }
  HRESULT put_MessageDrain(intptr_t d) override { drain_ = d; return S_OK; }
  HRESULT get_MessageDrain(intptr_t* d) override { *d = drain_; return S_OK; }
  HRESULT put_BorderColor(int32_t c) override { border_ = c; return S_OK; }
  HRESULT get_BorderColor(int32_t* c) override { *c = border_; return S_OK; }
  HRESULT put_FullScreenMode(int32_t v) override { fullScreen_ = v; return S_OK; }
  HRESULT get_FullScreenMode(int32_t* v) override { *v = fullScreen_; return S_OK; }
  HRESULT HideCursor(int32_t h) override { cursorHidden_ = h; return S_OK; }
  HRESULT IsCursorHidden(int32_t* h) override { *h = cursorHidden_; return S_OK; }

  HRESULT GetVideoSize(int32_t* w, int32_t* h) override;
  HRESULT get_AvgTimePerFrame(double* s) override;
  HRESULT SetSourcePosition(int32_t l, int32_t t, int32_t w, int32_t h) override;
  HRESULT GetSourcePosition(int32_t* l, int32_t* t, int32_t* w, int32_t* h) override;
  HRESULT SetDefaultSourcePosition() override;
  HRESULT IsUsingDefaultSource() override;
  HRESULT SetDestinationPosition(int32_t l, int32_t t, int32_t w, int32_t h) override;
  HRESULT GetDestinationPosition(int32_t* l, int32_t* t, int32_t* w, int32_t* h) override;
  HRESULT SetDefaultDestinationPosition() override;
  HRESULT GetPreferredAspectRatio(int32_t* x, int32_t* y) override;

 protected:
  bool QueryExtra(const GUID& iid, void** out) override;

 private:
  static GstFlowReturn onSample(GstElement* sink, gpointer self, bool preroll);
  static GstPadProbeReturn onEvent(GstPad* pad, GstPadProbeInfo* info, gpointer self);
  void takeSample(GstSample* sample);
  // The listener is told (one queued call for what came before it runs).
  void notifyListener(std::shared_ptr<std::function<void()>> listener);
  GstElement* sink_ = nullptr;
  std::mutex m_;
  std::shared_ptr<const void> keep_;
  TVideoFrame frame_;
  uint64_t sequence_ = 0;
  int width_ = 0, height_ = 0, fpsN_ = 0, fpsD_ = 1, parN_ = 1, parD_ = 1;
  std::shared_ptr<std::function<void()>> listener_;
  std::shared_ptr<std::atomic<bool>> pending_ = std::make_shared<std::atomic<bool>>(false);
  std::string caption_;
  int32_t style_ = 0, styleEx_ = 0, autoShow_ = -1, windowState_ = 0, visible_ = -1, border_ = 0, fullScreen_ = 0,
          cursorHidden_ = 0;
  intptr_t owner_ = 0, drain_ = 0;
  int32_t winL_ = 0, winT_ = 0, winW_ = 0, winH_ = 0;
  bool defaultSource_ = true, defaultDest_ = true;
  int32_t srcL_ = 0, srcT_ = 0, srcW_ = 0, srcH_ = 0, dstL_ = 0, dstT_ = 0, dstW_ = 0, dstH_ = 0;
};

// audioconvert ! audioresample ! volume ! audiopanorama ! sink; the sink is
// autoaudiosink unless TABLO_AUDIO_SINK names another (a launch line such as
// "fakesink sync=true").
class TAudioRenderer : public TMediaFilter {
 public:
  TAudioRenderer();
  GstElement* Volume() const { return volume_; }
  GstElement* Panorama() const { return panorama_; }
 private:
  GstElement* volume_ = nullptr;
  GstElement* panorama_ = nullptr;
};

// videoconvert ! BGRx ! identity, watched by a probe that keeps the last
// buffer (no copy) and converts to RGB24 only what it hands out.
class TGrabberFilter : public TMediaFilter, public ISampleGrabber {
 public:
  TGrabberFilter();
  ~TGrabberFilter() override;
  HRESULT SetOneShot(bool oneShot) override { oneShot_ = oneShot; return S_OK; }
  HRESULT SetMediaType(const AM_MEDIA_TYPE* mt) override;
  HRESULT GetConnectedMediaType(AM_MEDIA_TYPE* mt) override;
  HRESULT SetBufferSamples(bool buffer) override;
  HRESULT GetCurrentBuffer(int32_t* size, uint8_t* buffer) override;
  HRESULT SetCallback(ISampleGrabberCB* callback, int32_t which) override;
  HRESULT GetCurrentFrame(TVideoFrame& frame) override;
 protected:
  bool QueryExtra(const GUID& iid, void** out) override;
 private:
  static GstPadProbeReturn probe(GstPad*, GstPadProbeInfo* info, gpointer self);
  int rgbStride() const { return ((width_ * 24 + 31) / 32) * 4; }
  void convert(const uint8_t* src, int srcStride, uint8_t* dst, int32_t limit) const;
  std::mutex m_;
  GstBuffer* last_ = nullptr;
  int width_ = 0, height_ = 0, srcStride_ = 0, fpsN_ = 0, fpsD_ = 1;
  bool bufferSamples_ = false;
  std::atomic<bool> oneShot_{false};
  GUID major_;
  ComPtr<ISampleGrabberCB> callback_;
  int32_t which_ = 0;
  std::vector<uint8_t> scratch_;   // streaming thread only
};

// An element made while a file is rendered, as the callbacks see it.
class TElementFilter : public TMediaFilter {
 public:
  explicit TElementFilter(GstElement* element);
  ~TElementFilter() override;
 private:
  GstElement* element_;
};
