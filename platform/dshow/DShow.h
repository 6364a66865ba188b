#pragma once
// The media graph platform layer: the interfaces through which the media
// components build, control and watch a graph of filters, shaped as the
// components expect, and backed by GStreamer (see docs/conventions.md, "Media").
//
// Threads: every call is made on the main thread unless said otherwise.
// Streaming threads only copy frames and queue notifications; notifications
// reach the owner as posted messages of its notification window.
#include <memory>
#include <string>
#include <vector>
#include "platform/dshow/Com.h"

// ---------------------------------------------------------------------------
// Identifiers (ours, except where the components fix them)

#define MEDIA_GUID(n) MakeGUID(0x7AB1E000u + (n), 0x4D45, 0x4449, 0x41, 0x20, 0x47, 0x52, 0x41, 0x50, 0x48, 0x00)

inline constexpr CLSID CLSID_FilterGraph = MEDIA_GUID(1);
inline constexpr CLSID CLSID_CaptureGraphBuilder2 = MEDIA_GUID(2);
inline constexpr CLSID CLSID_DvdGraphBuilder = MEDIA_GUID(3);
inline constexpr CLSID CLSID_SystemDeviceEnum = MEDIA_GUID(4);
inline constexpr CLSID CLSID_SampleGrabber = MEDIA_GUID(5);
inline constexpr CLSID CLSID_VideoRenderer = MEDIA_GUID(6);
inline constexpr CLSID CLSID_AudioRenderer = MEDIA_GUID(7);
inline constexpr CLSID CLSID_DeviceMoniker = MEDIA_GUID(8);
inline constexpr CLSID CLSID_ItemMoniker = MEDIA_GUID(9);
inline constexpr CLSID CLSID_SourceFilter = MEDIA_GUID(10);
inline constexpr CLSID CLSID_ColorConverter = MEDIA_GUID(11);
inline constexpr CLSID CLSID_CaptureSource = MEDIA_GUID(12);
// Classes that the registry names but that only a registration provides
// (no part of the system plays a disc).
inline constexpr CLSID CLSID_DvdNavigator = MEDIA_GUID(13);

// Device categories; the category of categories lists the three.
inline constexpr GUID CLSID_ActiveMovieCategories = MEDIA_GUID(0x20);
inline constexpr GUID CLSID_VideoInputDeviceCategory = MEDIA_GUID(0x21);
inline constexpr GUID CLSID_AudioInputDeviceCategory = MEDIA_GUID(0x22);
inline constexpr GUID CLSID_AudioRendererCategory = MEDIA_GUID(0x23);

inline constexpr GUID MEDIATYPE_Video = MEDIA_GUID(0x40);
inline constexpr GUID MEDIATYPE_Audio = MEDIA_GUID(0x41);
inline constexpr GUID MEDIATYPE_Stream = MEDIA_GUID(0x42);
inline constexpr GUID MEDIASUBTYPE_RGB24 = MEDIA_GUID(0x50);
inline constexpr GUID MEDIASUBTYPE_RGB32 = MEDIA_GUID(0x51);
inline constexpr GUID MEDIASUBTYPE_PCM = MEDIA_GUID(0x52);
inline constexpr GUID FORMAT_VideoInfo = MEDIA_GUID(0x60);
inline constexpr GUID FORMAT_VideoInfo2 = MEDIA_GUID(0x61);
inline constexpr GUID FORMAT_WaveFormatEx = MEDIA_GUID(0x62);
inline constexpr GUID PIN_CATEGORY_CAPTURE = MEDIA_GUID(0x70);
inline constexpr GUID PIN_CATEGORY_PREVIEW = MEDIA_GUID(0x71);
inline constexpr GUID TIME_FORMAT_MEDIA_TIME = MEDIA_GUID(0x72);

// ---------------------------------------------------------------------------
// Media types

// Memory record of a media type; its 72-byte stored form is written and read
// by the components (the pointers are not part of it).
struct AM_MEDIA_TYPE {
  GUID majortype;
  GUID subtype;
  int32_t bFixedSizeSamples = 0;
  int32_t bTemporalCompression = 0;
  uint32_t lSampleSize = 0;
  GUID formattype;
  IUnknown* pUnk = nullptr;
  uint32_t cbFormat = 0;
  uint8_t* pbFormat = nullptr;
};

void* CoTaskMemAlloc(size_t n);
void CoTaskMemFree(void* p);

#pragma pack(push, 1)
struct RECT32 {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};
struct BITMAPINFOHEADER {
  uint32_t biSize = 40;
  int32_t biWidth = 0;
  int32_t biHeight = 0;      // positive: rows bottom-up; negative: top-down
  uint16_t biPlanes = 1;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};
struct VIDEOINFOHEADER {
  RECT32 rcSource;
  RECT32 rcTarget;
  uint32_t dwBitRate = 0;
  uint32_t dwBitErrorRate = 0;
  int64_t AvgTimePerFrame = 0;
  BITMAPINFOHEADER bmiHeader;
};
struct VIDEOINFOHEADER2 {
  RECT32 rcSource;
  RECT32 rcTarget;
  uint32_t dwBitRate = 0;
  uint32_t dwBitErrorRate = 0;
  int64_t AvgTimePerFrame = 0;
  uint32_t dwInterlaceFlags = 0;
  uint32_t dwCopyProtectFlags = 0;
  uint32_t dwPictAspectRatioX = 0;
  uint32_t dwPictAspectRatioY = 0;
  uint32_t dwControlFlags = 0;
  uint32_t dwReserved2 = 0;
  BITMAPINFOHEADER bmiHeader;
};
#pragma pack(pop)
static_assert(sizeof(VIDEOINFOHEADER) == 88);
static_assert(sizeof(VIDEOINFOHEADER2) == 112);

// ---------------------------------------------------------------------------
// Filters and pins

struct IBaseFilter;
struct IFilterGraph;
struct IGraphBuilder;
struct IMoniker;

enum PIN_DIRECTION { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };
enum FILTER_STATE { State_Stopped = 0, State_Paused = 1, State_Running = 2 };

struct PIN_INFO {
  ComPtr<IBaseFilter> pFilter;
  PIN_DIRECTION dir = PINDIR_INPUT;
  std::string achName;
};
struct FILTER_INFO {
  std::string achName;
  ComPtr<IFilterGraph> pGraph;
};

struct IPin : virtual IUnknown {
  static constexpr GUID IID = MEDIA_GUID(0x100);
  virtual HRESULT ConnectedTo(IPin** pin) = 0;          // MEDIA_E_NOT_CONNECTED when free
  virtual HRESULT Disconnect() = 0;
  virtual HRESULT QueryPinInfo(PIN_INFO* info) = 0;
  virtual HRESULT QueryDirection(PIN_DIRECTION* dir) = 0;
  virtual HRESULT ConnectionMediaType(AM_MEDIA_TYPE* mt) = 0;
};

template <class T>
struct IEnumOf : virtual IUnknown {
  // Up to count items with a reference each; S_OK when all were given.
  virtual HRESULT Next(ULONG count, T** items, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
};
struct IEnumPins : IEnumOf<IPin> { static constexpr GUID IID = MEDIA_GUID(0x101); };
struct IEnumFilters : IEnumOf<IBaseFilter> { static constexpr GUID IID = MEDIA_GUID(0x102); };
struct IEnumMoniker : IEnumOf<IMoniker> { static constexpr GUID IID = MEDIA_GUID(0x103); };

struct IPersist : virtual IUnknown {
  static constexpr GUID IID = MEDIA_GUID(0x104);
  virtual HRESULT GetClassID(CLSID* clsid) = 0;
};

struct IMediaFilter : IPersist {
  static constexpr GUID IID = MEDIA_GUID(0x105);
  virtual HRESULT Stop() = 0;
  virtual HRESULT Pause() = 0;
  virtual HRESULT Run(REFERENCE_TIME start) = 0;
  virtual HRESULT GetState(DWORD timeoutMs, FILTER_STATE* state) = 0;
};

struct IBaseFilter : IMediaFilter {
  static constexpr GUID IID = MEDIA_GUID(0x106);
  virtual HRESULT EnumPins(IEnumPins** pins) = 0;
  virtual HRESULT QueryFilterInfo(FILTER_INFO* info) = 0;
  // Told by the graph when the filter is added (graph set) or removed (null).
  virtual HRESULT JoinFilterGraph(IFilterGraph* graph, const std::string& name) = 0;
};

// ---------------------------------------------------------------------------
// The graph

struct IFilterGraph : virtual IUnknown {
  static constexpr GUID IID = MEDIA_GUID(0x110);
  virtual HRESULT AddFilter(IBaseFilter* filter, const std::string& name) = 0;
  virtual HRESULT RemoveFilter(IBaseFilter* filter) = 0;
  virtual HRESULT EnumFilters(IEnumFilters** filters) = 0;
  virtual HRESULT FindFilterByName(const std::string& name, IBaseFilter** filter) = 0;
  virtual HRESULT ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* mt) = 0;
  virtual HRESULT Disconnect(IPin* pin) = 0;
};

struct IGraphBuilder : IFilterGraph {
  static constexpr GUID IID = MEDIA_GUID(0x111);
  // Connects directly, else through a converter.
  virtual HRESULT Connect(IPin* out, IPin* in) = 0;
  // Renders one output pin into the graph's renderers.
  virtual HRESULT Render(IPin* out) = 0;
  // Builds the playback of a file: a branch per stream, the video through
  // an unconnected transform of the graph (the grabber) into the graph's
  // video renderer (else one it adds), the audio into an audio renderer.
  // Waits at most 10 s for the first frame.
  virtual HRESULT RenderFile(const std::string& file, const std::string& playList) = 0;
  // A POSIX file descriptor to log the graph building into; 0 for none.
  virtual HRESULT SetLogFile(intptr_t fd) = 0;
  virtual HRESULT Abort() = 0;
};

struct IFilterGraph2 : IGraphBuilder {
  static constexpr GUID IID = MEDIA_GUID(0x112);
  // True: frames are shown on the graph's clock; false: as fast as they come.
  virtual HRESULT SetSyncSource(bool useClock) = 0;
  // True: the graph is made ready in the background (the next clip while
  // another plays): its streaming threads, and the thread that renders it,
  // never preempt the threads of the program's foreground work when they
  // wake; false gives the streaming threads their ordinary scheduling again
  // (the rendering thread keeps its policy).
  virtual HRESULT SetBackground(bool) { return E_NOTIMPL; }
};

using OAFilterState = int32_t;

struct IMediaControl : virtual IUnknown {
  static constexpr GUID IID = MEDIA_GUID(0x113);
  virtual HRESULT Run() = 0;
  virtual HRESULT Pause() = 0;       // S_FALSE while the change is under way
  virtual HRESULT Stop() = 0;        // keeps the position
  virtual HRESULT GetState(int32_t timeoutMs, OAFilterState* state) = 0;
};

enum : DWORD {
  AM_SEEKING_NoPositioning = 0,
  AM_SEEKING_AbsolutePositioning = 1,
  AM_SEEKING_RelativePositioning = 2,
  AM_SEEKING_PositioningBitsMask = 3,
};

struct IMediaSeeking : virtual IUnknown {
  static constexpr GUID IID = MEDIA_GUID(0x114);
  virtual HRESULT GetDuration(REFERENCE_TIME* duration) = 0;
  virtual HRESULT GetStopPosition(REFERENCE_TIME* stop) = 0;
  virtual HRESULT GetCurrentPosition(REFERENCE_TIME* current) = 0;
  virtual HRESULT SetPositions(REFERENCE_TIME* current, DWORD currentFlags, REFERENCE_TIME* stop, DWORD stopFlags) = 0;
  virtual HRESULT GetPositions(REFERENCE_TIME* current, REFERENCE_TIME* stop) = 0;
  virtual HRESULT SetRate(double rate) = 0;   // E_INVALIDARG for rate <= 0
  virtual HRESULT GetRate(double* rate) = 0;
};

struct IMediaEvent : virtual IUnknown {
  static constexpr GUID IID = MEDIA_GUID(0x115);
  // Takes the next queued notification; E_ABORT when none came in time.
  virtual HRESULT GetEvent(int32_t* code, LONG_PTR* param1, LONG_PTR* param2, int32_t timeoutMs) = 0;
  virtual HRESULT FreeEventParams(int32_t code, LONG_PTR param1, LONG_PTR param2) = 0;
};

struct IMediaEventEx : IMediaEvent {
  static constexpr GUID IID = MEDIA_GUID(0x116);
  // One message `msg` (wParam 0, lParam = instance) is posted per queued notification.
  virtual HRESULT SetNotifyWindow(HWND wnd, uint32_t msg, LONG_PTR instance) = 0;
  // 1: no notifications are queued or posted; 0: they are.
  virtual HRESULT SetNotifyFlags(int32_t flags) = 0;
  virtual HRESULT GetNotifyFlags(int32_t* flags) = 0;
};

// Puts a notification into the graph's queue (any thread).
struct IMediaEventSink : virtual IUnknown {
  static constexpr GUID IID = MEDIA_GUID(0x117);
  virtual HRESULT Notify(int32_t code, LONG_PTR param1, LONG_PTR param2) = 0;
};

struct IBasicAudio : virtual IUnknown {
  static constexpr GUID IID = MEDIA_GUID(0x118);
  virtual HRESULT put_Volume(int32_t v) = 0;    // -10000 (silence) .. 0, hundredths of a dB
  virtual HRESULT get_Volume(int32_t* v) = 0;
  virtual HRESULT put_Balance(int32_t v) = 0;   // -10000 (left) .. 10000 (right)
  virtual HRESULT get_Balance(int32_t* v) = 0;
};

struct IVideoFrameStep : virtual IUnknown {
  static constexpr GUID IID = MEDIA_GUID(0x119);
  // Pauses and shows the next `frames` frames; EC_STEP_COMPLETE when done.
  virtual HRESULT Step(DWORD frames, IUnknown* filter) = 0;
  virtual HRESULT CanStep(int32_t multiple, IUnknown* filter) = 0;
  virtual HRESULT CancelStep() = 0;
};

struct IObjectWithSite : virtual IUnknown {
  static constexpr GUID IID = MEDIA_GUID(0x11A);
  virtual HRESULT SetSite(IUnknown* site) = 0;
  virtual HRESULT GetSite(const GUID& iid, void** out) = 0;
};

struct IServiceProvider : virtual IUnknown {
  static constexpr GUID IID = MEDIA_GUID(0x11B);
  virtual HRESULT QueryService(const GUID& service, const GUID& iid, void** out) = 0;
};

// The graph's site answers these while a file is rendered; the graph calls
// them on the main thread (inside RenderFile).
struct IAMGraphBuilderCallback : virtual IUnknown {
  static constexpr GUID IID = MEDIA_GUID(0x11C);
  // Per decoder candidate; a failure skips the candidate.
  virtual HRESULT SelectedFilter(IMoniker* moniker) = 0;
  // Per element made while rendering; a failure is noted in the log.
  virtual HRESULT CreatedFilter(IBaseFilter* filter) = 0;
};
struct IAMFilterGraphCallback : virtual IUnknown {
  static constexpr GUID IID = MEDIA_GUID(0x11D);
  // Per stream left unrendered.
  virtual HRESULT UnableToRender(IPin* pin) = 0;
};

// A site may say which graph-building callbacks it answers with more than
// their default (S_OK, or S_FALSE for UnableToRender, nothing done): the graph
// asks once per render, on the rendering thread, and crosses to the main
// thread only for those. A site without it gets every call.
struct IAMGraphCallbackInterest : virtual IUnknown {
  static constexpr GUID IID = MEDIA_GUID(0x163);
  enum { cbSelectedFilter = 1, cbCreatedFilter = 2, cbUnableToRender = 4 };
  // The callbacks (cb* bits) that the site would answer.
  virtual int AnsweredCallbacks() = 0;
};

struct ICaptureGraphBuilder2 : virtual IUnknown {
  static constexpr GUID IID = MEDIA_GUID(0x11E);
  virtual HRESULT SetFiltergraph(IGraphBuilder* graph) = 0;
  virtual HRESULT GetFiltergraph(IGraphBuilder** graph) = 0;
  // Connects the source's output (category and type may be null) into the
  // sink, through `intermediate` when given, else through a converter.
  virtual HRESULT RenderStream(const GUID* category, const GUID* type, IUnknown* source, IBaseFilter* intermediate,
                               IBaseFilter* sink) = 0;
};

struct IDvdGraphBuilder : virtual IUnknown {
  static constexpr GUID IID = MEDIA_GUID(0x11F);
  virtual HRESULT GetFiltergraph(IGraphBuilder** graph) = 0;
  // The DVD interfaces come from the class registry (CLSID_DvdNavigator).
  virtual HRESULT GetDvdInterface(const GUID& iid, void** out) = 0;
  virtual HRESULT RenderDvdVideoVolume(const std::string& path, DWORD flags) = 0;
};

struct IDvdInfo2 : virtual IUnknown {
  static constexpr GUID IID = MEDIA_GUID(0x120);
  virtual HRESULT GetAudioLanguage(ULONG stream, uint32_t* lcid) = 0;
  virtual HRESULT GetSubpictureLanguage(ULONG stream, uint32_t* lcid) = 0;
};
struct IDvdControl2 : virtual IUnknown {
  static constexpr GUID IID = MEDIA_GUID(0x121);
  virtual HRESULT PlayTitle(ULONG title, DWORD flags) = 0;
};

// ---------------------------------------------------------------------------
// Devices, monikers, the running object table

struct IPropertyBag : virtual IUnknown {
  static constexpr GUID IID = MEDIA_GUID(0x130);
  // E_INVALIDARG when the property is absent.
  virtual HRESULT Read(const std::string& name, std::string* value) = 0;
};

struct IPersistStream : IPersist {
  static constexpr GUID IID = MEDIA_GUID(0x131);
  virtual HRESULT Save(std::vector<uint8_t>& bytes) = 0;
  virtual HRESULT Load(const uint8_t* bytes, size_t size) = 0;
};

struct IMoniker : IPersistStream {
  static constexpr GUID IID = MEDIA_GUID(0x132);
  virtual HRESULT BindToObject(const GUID& iid, void** out) = 0;
  virtual HRESULT BindToStorage(const GUID& iid, void** out) = 0;
  virtual HRESULT GetDisplayName(std::string* name) = 0;
  virtual HRESULT IsEqual(IMoniker* other) = 0;   // S_OK or S_FALSE
};

struct ICreateDevEnum : virtual IUnknown {
  static constexpr GUID IID = MEDIA_GUID(0x133);
  // S_FALSE (and no enumerator) when the category has no members.
  virtual HRESULT CreateClassEnumerator(const GUID& category, IEnumMoniker** monikers, DWORD flags) = 0;
};

// Moniker persistence: the class identifier (16 bytes) followed by the
// moniker's own bytes; loading creates the class from the registry.
HRESULT OleSaveToStream(IPersistStream* object, std::vector<uint8_t>& bytes);
HRESULT OleLoadFromStream(const uint8_t* bytes, size_t size, const GUID& iid, void** out);

struct IRunningObjectTable : virtual IUnknown {
  static constexpr GUID IID = MEDIA_GUID(0x134);
  virtual HRESULT Register(DWORD flags, IUnknown* object, IMoniker* name, DWORD* cookie) = 0;
  virtual HRESULT Revoke(DWORD cookie) = 0;
  virtual HRESULT IsRunning(IMoniker* name) = 0;
  virtual HRESULT GetObject(IMoniker* name, IUnknown** object) = 0;
};
// The process-local table.
HRESULT GetRunningObjectTable(DWORD reserved, IRunningObjectTable** rot);
HRESULT CreateItemMoniker(const std::string& delimiter, const std::string& item, IMoniker** moniker);

// Which device providers the enumeration asks (by factory name); empty asks
// every installed provider. Tests limit it to their fake camera provider.
void SetMediaDeviceProviders(const std::vector<std::string>& names);

// The sound output named by TABLO_AUDIO_SINK (a launch line of one or more
// elements): empty when it is not set or can be made, else a sentence for the
// operator saying that it cannot be made and the default is used instead.
std::string AudioSinkSettingProblem();

// ---------------------------------------------------------------------------
// Sample grabber

struct ISampleGrabberCB : virtual IUnknown {
  static constexpr GUID IID = MEDIA_GUID(0x140);
  virtual HRESULT SampleCB(double sampleTime, void* sample) = 0;
  // On a streaming thread: one converted sample (the connected media type).
  virtual HRESULT BufferCB(double sampleTime, uint8_t* buffer, int32_t length) = 0;
  // Asked on the streaming thread before a sample is converted for BufferCB:
  // a callback with nobody to hand samples to saves the conversion.
  virtual bool WantsBuffers() { return true; }
};

struct TVideoFrame;

// The grabber hands out RGB24 rows bottom-up, each row rounded to 4 bytes,
// described by an 88-byte VIDEOINFOHEADER (FORMAT_VideoInfo). It converts
// only what it hands out: each sample while a callback is set, the last
// buffer on request.
struct ISampleGrabber : virtual IUnknown {
  static constexpr GUID IID = MEDIA_GUID(0x141);
  virtual HRESULT SetOneShot(bool oneShot) = 0;
  virtual HRESULT SetMediaType(const AM_MEDIA_TYPE* mt) = 0;
  // A copy of the connected type (format block from CoTaskMemAlloc).
  virtual HRESULT GetConnectedMediaType(AM_MEDIA_TYPE* mt) = 0;
  virtual HRESULT SetBufferSamples(bool buffer) = 0;
  // With buffer null: the size needed in *size. Otherwise copies at most
  // *size bytes of the last sample and sets *size to the count copied.
  virtual HRESULT GetCurrentBuffer(int32_t* size, uint8_t* buffer) = 0;
  // which 1: BufferCB; 0: SampleCB.
  virtual HRESULT SetCallback(ISampleGrabberCB* callback, int32_t which) = 0;
  // The last buffered sample as it is kept, unconverted (B, G, R, x per
  // pixel, top row first; its memory held by frame.Keep): a snapshot taken
  // straight from it needs one copy. E_NOTIMPL where the grabber keeps none.
  virtual HRESULT GetCurrentFrame(TVideoFrame& frame) { (void)frame; return E_NOTIMPL; }
};

// ---------------------------------------------------------------------------
// Video renderer: keeps the latest decoded frame (B, G, R, x per pixel, top
// row first) for the video window, which draws it.

struct TVideoFrame {
  int Width = 0, Height = 0, Stride = 0;
  const uint8_t* Bits = nullptr;     // valid while Keep is held
  REFERENCE_TIME Time = 0;           // stream time of the frame
  REFERENCE_TIME RunningTime = 0;    // when it is shown on the graph's clock (stream time / rate)
  uint64_t Sequence = 0;             // counts frames since the renderer was made
  bool Last = false;                 // the stream's end came after it (until a seek or flush)
  std::shared_ptr<const void> Keep;  // holds the frame's memory
};

struct IVideoFrameSource : virtual IUnknown {
  static constexpr GUID IID = MEDIA_GUID(0x150);
  // The latest frame; false when none arrived yet.
  virtual bool LatestFrame(TVideoFrame& frame) = 0;
  // Called on the main thread after new frames arrived: one queued call
  // covers every frame that came before it runs. Empty to stop.
  virtual void SetFrameListener(std::function<void()> listener) = 0;
};

// Window state of the video renderer; the drawing belongs to the video
// window component, which reads the state back.
struct IVideoWindow : virtual IUnknown {
  static constexpr GUID IID = MEDIA_GUID(0x151);
  virtual HRESULT put_Caption(const std::string& s) = 0;
  virtual HRESULT get_Caption(std::string* s) = 0;
  virtual HRESULT put_WindowStyle(int32_t v) = 0;
  virtual HRESULT get_WindowStyle(int32_t* v) = 0;
  virtual HRESULT put_WindowStyleEx(int32_t v) = 0;
  virtual HRESULT get_WindowStyleEx(int32_t* v) = 0;
  virtual HRESULT put_AutoShow(int32_t v) = 0;
  virtual HRESULT get_AutoShow(int32_t* v) = 0;
  virtual HRESULT put_WindowState(int32_t v) = 0;
  virtual HRESULT get_WindowState(int32_t* v) = 0;
  virtual HRESULT put_Visible(int32_t v) = 0;
  virtual HRESULT get_Visible(int32_t* v) = 0;
  virtual HRESULT SetWindowPosition(int32_t left, int32_t top, int32_t width, int32_t height) = 0;
  virtual HRESULT GetWindowPosition(int32_t* left, int32_t* top, int32_t* width, int32_t* height) = 0;
  virtual HRESULT put_Owner(intptr_t owner) = 0;
  virtual HRESULT get_Owner(intptr_t* owner) = 0;
  virtual HRESULT put_MessageDrain(intptr_t drain) = 0;
  virtual HRESULT get_MessageDrain(intptr_t* drain) = 0;
  virtual HRESULT put_BorderColor(int32_t color) = 0;
  virtual HRESULT get_BorderColor(int32_t* color) = 0;
  virtual HRESULT put_FullScreenMode(int32_t v) = 0;
  virtual HRESULT get_FullScreenMode(int32_t* v) = 0;
  virtual HRESULT HideCursor(int32_t hide) = 0;
  virtual HRESULT IsCursorHidden(int32_t* hidden) = 0;
};

struct IBasicVideo2 : virtual IUnknown {
  static constexpr GUID IID = MEDIA_GUID(0x152);
  virtual HRESULT GetVideoSize(int32_t* width, int32_t* height) = 0;   // E_FAIL before the first caps
  virtual HRESULT get_AvgTimePerFrame(double* seconds) = 0;
  virtual HRESULT SetSourcePosition(int32_t left, int32_t top, int32_t width, int32_t height) = 0;
  virtual HRESULT GetSourcePosition(int32_t* left, int32_t* top, int32_t* width, int32_t* height) = 0;
  virtual HRESULT SetDefaultSourcePosition() = 0;
  virtual HRESULT IsUsingDefaultSource() = 0;   // S_OK or S_FALSE
  virtual HRESULT SetDestinationPosition(int32_t left, int32_t top, int32_t width, int32_t height) = 0;
  virtual HRESULT GetDestinationPosition(int32_t* left, int32_t* top, int32_t* width, int32_t* height) = 0;
  virtual HRESULT SetDefaultDestinationPosition() = 0;
  virtual HRESULT GetPreferredAspectRatio(int32_t* x, int32_t* y) = 0;
};

// ---------------------------------------------------------------------------
// Notification codes

enum : int32_t {
  EC_COMPLETE = 0x01,
  EC_USERABORT = 0x02,
  EC_ERRORABORT = 0x03,
  EC_STREAM_ERROR_STOPPED = 0x06,
  EC_STREAM_ERROR_STILLPLAYING = 0x07,
  EC_ERROR_STILLPLAYING = 0x08,
  EC_PALETTE_CHANGED = 0x09,
  EC_VIDEO_SIZE_CHANGED = 0x0A,
  EC_QUALITY_CHANGE = 0x0B,
  EC_CLOCK_CHANGED = 0x0D,
  EC_PAUSED = 0x0E,
  EC_OPENING_FILE = 0x10,
  EC_BUFFERING_DATA = 0x11,
  EC_FULLSCREEN_LOST = 0x12,
  EC_OLE_EVENT = 0x18,
  EC_STREAM_CONTROL_STOPPED = 0x1A,
  EC_STREAM_CONTROL_STARTED = 0x1B,
  EC_END_OF_SEGMENT = 0x1C,
  EC_DEVICE_LOST = 0x1F,
  EC_STEP_COMPLETE = 0x24,
  EC_TIMECODE_AVAILABLE = 0x30,
  EC_EXTDEVICE_MODE_CHANGE = 0x31,
  EC_GRAPH_CHANGED = 0x50,
  EC_CLOCK_UNSET = 0x51,
  EC_VMR_RENDERDEVICE_SET = 0x53,
  EC_DVD_DOMAIN_CHANGE = 0x101,
  EC_DVD_TITLE_CHANGE = 0x102,
  EC_DVD_CHAPTER_START = 0x103,
  EC_DVD_AUDIO_STREAM_CHANGE = 0x104,
  EC_DVD_SUBPICTURE_STREAM_CHANGE = 0x105,
  EC_DVD_ANGLE_CHANGE = 0x106,
  EC_DVD_BUTTON_CHANGE = 0x107,
  EC_DVD_VALID_UOPS_CHANGE = 0x108,
  EC_DVD_STILL_ON = 0x109,
  EC_DVD_STILL_OFF = 0x10A,
  EC_DVD_CURRENT_TIME = 0x10B,
  EC_DVD_ERROR = 0x10C,
  EC_DVD_WARNING = 0x10D,
  EC_DVD_CHAPTER_AUTOSTOP = 0x10E,
  EC_DVD_NO_FP_PGC = 0x10F,
  EC_DVD_PLAYBACK_RATE_CHANGE = 0x110,
  EC_DVD_PARENTAL_LEVEL_CHANGE = 0x111,
  EC_DVD_PLAYBACK_STOPPED = 0x112,
  EC_DVD_ANGLES_AVAILABLE = 0x113,
  EC_DVD_PLAYPERIOD_AUTOSTOP = 0x114,
  EC_DVD_BUTTON_AUTO_ACTIVATED = 0x115,
  EC_DVD_CMD_START = 0x116,
  EC_DVD_CMD_END = 0x117,
  EC_DVD_DISC_EJECTED = 0x118,
  EC_DVD_DISC_INSERTED = 0x119,
  EC_DVD_CURRENT_HMSF_TIME = 0x11A,
  EC_DVD_KARAOKE_MODE = 0x11B,
  EC_SNDDEV_IN_ERROR = 0x200,
  EC_SNDDEV_OUT_ERROR = 0x201,
};

// Parameters of a queued notification that point at memory the queue owns
// (EC_END_OF_SEGMENT's stream time, EC_OLE_EVENT's texts) are freed by
// FreeEventParams; every other parameter is a plain value.
