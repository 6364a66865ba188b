#pragma once
// The media components: the filter graph with its notifications and
// graph-building callbacks, the sample grabber, the device filter and the
// position track bar.
//
// Threads: everything runs on the main thread except TSampleGrabber's
// OnBuffer, which runs on a streaming thread inside the grabber's lock.
// Notifications arrive as posted messages of the graph's hidden window and
// are dispatched by DoEvent on the main thread.
//
// Companions join a graph through their FilterGraph property: a filter
// provider contributes one filter (added at activation, removed at
// deactivation), a graph listener hears every notification and every
// play/pause/stop/render/activation. A companion that goes away unregisters
// itself.
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "media/DSUtil.h"
#include "toolkit/ComCtrls.h"
#include "toolkit/Graphics.h"
#include "toolkit/Timer.h"

TK_EXCEPTION(EAssertionFailed, Exception)

enum TFilterNotice { fnAdding = 0, fnAdded = 1, fnRemoving = 2, fnRemoved = 3 };
enum TControlNotice { cnPlay = 0, cnPause = 1, cnStop = 2, cnRenderBegin = 3, cnRenderEnd = 4, cnActive = 7 };
enum TGraphMode { gmNormal = 0, gmCapture = 1, gmDVD = 2 };
enum TGraphState { gsUninitialized = 0, gsStopped = 1, gsPaused = 2, gsPlaying = 3 };

// A component that contributes one filter to a graph.
struct IFilterProvider : virtual IUnknown {
  static constexpr GUID IID = MakeGUID(0x887F94DA, 0x29E9, 0x44C6, 0xB4, 0x8E, 0x1F, 0xBF, 0x0F, 0xB5, 0x98, 0x78);
  virtual ComPtr<IBaseFilter> GetFilter() = 0;   // may be null
  virtual String GetFilterName() = 0;            // its name in the graph
  // fnAdding: make the filter; fnRemoved: release it. The graph passes Param 0.
  virtual void NotifyFilter(TFilterNotice Operation, int Param = 0) = 0;
};

// A component that listens to a graph.
struct IGraphListener : virtual IUnknown {
  static constexpr GUID IID = MakeGUID(0x6C0DCD7B, 0x1A98, 0x44EF, 0xA6, 0xD5, 0xE2, 0x3C, 0xBC, 0x24, 0xE6, 0x20);
  // Every notification, before the graph's own events.
  virtual void GraphEvent(int Event, LONG_PTR Param1, LONG_PTR Param2) = 0;
  // Before play, pause, stop and rendering; after rendering; cnActive with
  // Param 1 after activation and 0 before deactivation.
  virtual void ControlEvent(TControlNotice Operation, int Param = 0) = 0;
};

// A filter provider that can give a second graph, made ready while its own
// graph plays, a filter of its own (the next clip prerolled there); at the
// change that filter becomes the provider's.
struct ISpareFilterProvider : virtual IUnknown {
  static constexpr GUID IID = MakeGUID(0x3E8A61C2, 0x5B07, 0x4F1D, 0x9C, 0x44, 0x6A, 0x21, 0xD0, 0x7E, 0x93, 0x5B);
  // Adds the spare filter (and what belongs with it) to Graph before it is
  // rendered; false when the provider cannot take part.
  virtual bool PrepareSpare(IFilterGraph* Graph) = 0;
  // The spare is still what a fresh render would give now.
  virtual bool SpareValid() = 0;
  // The change: the provider lets go of its filter in the old graph (which
  // goes away whole, nothing unlinked), then takes the spare as its filter;
  // neither runs a handler.
  virtual void LeaveForSpare() = 0;
  virtual void TakeSpare() = 0;
  // After the change, with the new graph whole: the provider tells its
  // handlers what the change did to it.
  virtual void SpareTaken() = 0;
  virtual void DropSpare() = 0;
};

// The service (and interface) identifier that leads from a graph back to the
// component that owns it.
inline constexpr GUID SID_FilterGraphComponent =
    MakeGUID(0xC7CAA944, 0xC191, 0x4AB1, 0xAB, 0xA7, 0xD8, 0xB4, 0x0E, 0xF4, 0xD5, 0xB2);

// The message the graph posts to the notification window.
constexpr uint32_t WM_GRAPHNOTIFY = 0x8001;

struct DVD_HMSF_TIMECODE {
  uint8_t bHours = 0, bMinutes = 0, bSeconds = 0, bFrames = 0;
};
// The nine fields of a packed disc time code (UnpackTimeCode order).
struct TDVDTimeCode {
  uint8_t Hours1 = 0, Hours10 = 0, Minutes1 = 0, Minutes10 = 0, Seconds1 = 0, Seconds10 = 0, Frames1 = 0,
          Frames10 = 0, FrameRateCode = 0;
};

using TOnDSEvent = std::function<void(TComponent* Sender, int Event, LONG_PTR Param1, LONG_PTR Param2)>;
using TOnGraphComplete = std::function<void(TObject* Sender, HRESULT Result, IBaseFilter* Renderer)>;
using TOnDSResult = std::function<void(TObject* Sender, HRESULT Result)>;
using TOnGraphStreamError = std::function<void(TObject* Sender, HRESULT Operation, int Value)>;
using TOnGraphVideoSizeChanged = std::function<void(TObject* Sender, int Width, int Height)>;
using TOnGraphOpeningFile = std::function<void(TObject* Sender, bool Opening)>;
using TOnGraphBufferingData = std::function<void(TObject* Sender, bool Buffering)>;
using TOnGraphFullscreenLost = std::function<void(TObject* Sender, IBaseFilter* Renderer)>;
using TOnGraphOleEvent = std::function<void(TObject* Sender, const String& String1, const String& String2)>;
using TOnGraphStreamControl = std::function<void(TObject* Sender, IPin* PinSender, int Cookie)>;
using TOnGraphEndOfSegment = std::function<void(TObject* Sender, int64_t StreamTime, int NumSegment)>;
using TOnGraphDeviceLost = std::function<void(TObject* Sender, IUnknown* Device, bool Removed)>;
using TOnGraphTimeCodeAvailable = std::function<void(TObject* Sender, IBaseFilter* From, int DeviceID)>;
using TOnGraphEXTDeviceModeChange = std::function<void(TObject* Sender, int NewMode, int DeviceID)>;
using TOnGraphVMRRenderDevice = std::function<void(TObject* Sender, int RenderDevice)>;
using TOnGraphSNDDevError = std::function<void(TObject* Sender, int OccurWhen, int ErrorCode)>;
using TOnDVDTitleChange = std::function<void(TObject* Sender, int Title)>;
using TOnDVDChapterStart = std::function<void(TObject* Sender, int Chapter)>;
using TOnDVDAudioStreamChange = std::function<void(TObject* Sender, int Stream, uint32_t Lcid, const String& Lang)>;
using TOnDVDSubpictureStreamChange = std::function<void(TObject* Sender, int SubNum, uint32_t Lcid, const String& Lang)>;
using TOnDVDChange = std::function<void(TObject* Sender, int Total, int Current)>;
using TOnDVDValidUOPSChange = std::function<void(TObject* Sender, int UOPS)>;
using TOnDVDStillOn = std::function<void(TObject* Sender, bool NoButtonAvailable, int Seconds)>;
using TOnDVDCurrentTime =
    std::function<void(TObject* Sender, int Hours, int Minutes, int Seconds, int Frames, int Frate)>;
using TOnDVDPlaybackRateChange = std::function<void(TObject* Sender, float Rate)>;
using TOnDVDParentalLevelChange = std::function<void(TObject* Sender, int Level)>;
using TOnDVDAnglesAvailable = std::function<void(TObject* Sender, bool Available)>;
using TOnDVDButtonAutoActivated = std::function<void(TObject* Sender, int Button)>;
using TOnDVDCMD = std::function<void(TObject* Sender, int CmdID)>;
using TOnDVDCurrentHMSFTime =
    std::function<void(TObject* Sender, DVD_HMSF_TIMECODE HMSFTimeCode, TDVDTimeCode TimeCode)>;
using TOnDVDKaraokeMode = std::function<void(TObject* Sender, bool Played)>;
// Graph-building callbacks (no sender); false refuses.
using TOnSelectedFilter = std::function<bool(IMoniker* Moniker, const String& FilterName, const GUID& ClassID)>;
using TOnCreatedFilter = std::function<bool(IBaseFilter* Filter, const GUID& ClassID)>;
using TOnUnableToRender = std::function<bool(IPin* Pin)>;

class TFilterGraph : public TComponent,
                     public IServiceProvider,
                     public IAMGraphBuilderCallback,
                     public IAMFilterGraphCallback,
                     public IAMGraphCallbackInterest {
 public:
  explicit TFilterGraph(TComponent* AOwner);
  ~TFilterGraph() override;

  bool Active() const { return active_; }
  void SetActive(bool v);
  bool AutoCreate() const { return autoCreate_; }
  void SetAutoCreate(bool v) { autoCreate_ = v; }
  TGraphMode Mode() const { return mode_; }
  void SetMode(TGraphMode v);
  bool GraphEdit() const { return graphEdit_; }
  void SetGraphEdit(bool v);
  bool LinearVolume() const { return linearVolume_; }
  void SetLinearVolume(bool v);
  const String& LogFile() const { return logFile_; }
  void SetLogFile(const String& v);

  bool Play();
  bool Pause();
  bool Stop();
  HRESULT RenderFile(const String& FileName);
  void ClearGraph();
  TGraphState State();
  int64_t Duration();   // milliseconds
  int Volume() const { return volume_; }
  void SetVolume(int v);
  int Balance() const { return balance_; }
  void SetBalance(int v);
  double Rate() const { return rate_; }
  void SetRate(double v);

  // The next clip made ready while this graph plays: a second graph with the
  // providers' spare filters renders and prerolls FileName off the main
  // thread, DelayMs from now. False when it cannot be made (a graph that is
  // not active or not a plain one, a callback handler, a log file, a provider
  // that cannot take part): the plain render is used then.
  bool PrepareFile(const String& FileName, int DelayMs = 0);
  // The file prepared or being prepared (empty when none), and whether it is
  // prerolled and waiting.
  const String& PreparedFile() const { return preparedFile_; }
  bool PreparedReady() const;
  // Drops the prepared graph (torn down off the main thread).
  void CancelPrepared();
  // In place of ClearGraph, Active false then true and RenderFile(FileName):
  // the graph prepared for FileName becomes this graph, then the listeners,
  // providers and OnActivate are told as for a clear, a deactivation, an
  // activation and a render (a handler's exception leaves this, the new
  // graph in place). The old graph is not stopped or cleared: it goes away
  // whole, on the background thread, 100 ms later. False when none is ready
  // for FileName or it is not right any more (it is dropped; nothing else
  // changed).
  bool RenderPrepared(const String& FileName);

  void InsertFilter(IFilterProvider* Provider);
  void RemoveFilter(IFilterProvider* Provider);
  void InsertEventNotifier(IGraphListener* Listener);
  void RemoveEventNotifier(IGraphListener* Listener);

  // Own interfaces first; then, while active, the graph objects' (by mode).
  HRESULT QueryInterface(const GUID& iid, void** out) override;
  ULONG AddRef() override { return 1; }   // lives as long as its owner keeps it
  ULONG Release() override { return 1; }
  template <class T>
  ComPtr<T> Query() { return QueryAs<T>(static_cast<IServiceProvider*>(this)); }

  // Dispatches one notification: listeners, OnDSEvent, then the code's own event.
  virtual void DoEvent(int Event, LONG_PTR Param1, LONG_PTR Param2);

  HRESULT QueryService(const GUID& service, const GUID& iid, void** out) override;
  HRESULT SelectedFilter(IMoniker* Moniker) override;
  HRESULT CreatedFilter(IBaseFilter* Filter) override;
  HRESULT UnableToRender(IPin* Pin) override;
  // The callbacks whose handler is assigned (the others answer the default).
  int AnsweredCallbacks() override;

  void Loaded() override;
  String ClassName() const override { return "TFilterGraph"; }

  TNotifyEvent OnActivate;
  TOnDSEvent OnDSEvent;
  TOnGraphComplete OnGraphComplete;
  TNotifyEvent OnGraphUserAbort;
  TOnDSResult OnGraphErrorAbort;
  TOnGraphStreamError OnGraphStreamErrorStopped, OnGraphStreamErrorStillPlaying;
  TOnDSResult OnGraphErrorStillPlaying;
  TNotifyEvent OnGraphPaletteChanged;
  TOnGraphVideoSizeChanged OnGraphVideoSizeChanged;
  TNotifyEvent OnGraphQualityChange;
  TNotifyEvent OnGraphClockChanged;
  TOnDSResult OnGraphPaused;
  TOnGraphOpeningFile OnGraphOpeningFile;
  TOnGraphBufferingData OnGraphBufferingData;
  TOnGraphFullscreenLost OnGraphFullscreenLost;
  TOnGraphOleEvent OnGraphOleEvent;
  TOnGraphStreamControl OnGraphStreamControlStopped, OnGraphStreamControlStarted;
  TOnGraphEndOfSegment OnGraphEndOfSegment;
  TOnGraphDeviceLost OnGraphDeviceLost;
  TNotifyEvent OnGraphStepComplete;
  TOnGraphTimeCodeAvailable OnGraphTimeCodeAvailable;
  TOnGraphEXTDeviceModeChange OnGraphEXTDeviceModeChange;
  TNotifyEvent OnGraphChanged, OnGraphClockUnset;
  TOnGraphVMRRenderDevice OnGraphVMRRenderDevice;
  TNotifyEvent OnDVDDomainFirstPlay, OnDVDDomainVideoManagerMenu, OnDVDDomainVideoTitleSetMenu, OnDVDDomainTitle,
      OnDVDDomainStop;
  TOnDVDTitleChange OnDVDTitleChange;
  TOnDVDChapterStart OnDVDChapterStart;
  TOnDVDAudioStreamChange OnDVDAudioStreamChange;
  TOnDVDSubpictureStreamChange OnDVDSubpictureStreamChange;
  TOnDVDChange OnDVDAngleChange, OnDVDButtonChange;
  TOnDVDValidUOPSChange OnDVDValidUOPSChange;
  TOnDVDStillOn OnDVDStillOn;
  TNotifyEvent OnDVDStillOff;
  TOnDVDCurrentTime OnDVDCurrentTime;
  TNotifyEvent OnDVDErrorUnexpected, OnDVDErrorCopyProtectFail, OnDVDErrorInvalidDVD1_0Disc,
      OnDVDErrorInvalidDiscRegion, OnDVDErrorLowParentalLevel, OnDVDErrorMacrovisionFail,
      OnDVDErrorIncompatibleSystemAndDecoderRegions, OnDVDErrorIncompatibleDiscAndDecoderRegions;
  TNotifyEvent OnDVDWarningInvalidDVD1_0Disc, OnDVDWarningFormatNotSupported, OnDVDWarningIllegalNavCommand,
      OnDVDWarningOpen, OnDVDWarningSeek, OnDVDWarningRead;
  TNotifyEvent OnDVDChapterAutoStop, OnDVDNoFP_PGC;
  TOnDVDPlaybackRateChange OnDVDPlaybackRateChange;
  TOnDVDParentalLevelChange OnDVDParentalLevelChange;
  TNotifyEvent OnDVDPlaybackStopped;
  TOnDVDAnglesAvailable OnDVDAnglesAvailable;
  TNotifyEvent OnDVDPlayPeriodAutoStop;
  TOnDVDButtonAutoActivated OnDVDButtonAutoActivated;
  TOnDVDCMD OnDVDCMDStart, OnDVDCMDEnd;
  TNotifyEvent OnDVDDiscEjected, OnDVDDiscInserted;
  TOnDVDCurrentHMSFTime OnDVDCurrentHMSFTime;
  TOnDVDKaraokeMode OnDVDKaraokeMode;
  TOnGraphSNDDevError OnGraphSNDDevInError, OnGraphSNDDevOutError;
  TOnSelectedFilter OnSelectedFilter;
  TOnCreatedFilter OnCreatedFilter;
  TOnUnableToRender OnUnableToRender;

 private:
  void windowProc(uint32_t msg, WPARAM wParam, LPARAM lParam);
  void drainEvents();
  void addProviderFilter(IFilterProvider* p);
  void removeProviderFilter(IFilterProvider* p);
  void controlEvent(TControlNotice op, int param);
  void closeLog();
  void connectGraph();
  void updateGraph();
  bool preparingAllowed();
  struct Prepared;
  struct Background;
  // Hands a graph (or a prepared one) to the background thread, which
  // releases it after DelayMs.
  void retire(ComPtr<IFilterGraph2> graph, std::shared_ptr<Prepared> prepared, int DelayMs);
  Background& background();
  std::shared_ptr<Prepared> prepared_;
  String preparedFile_;
  std::unique_ptr<Background> background_;

  bool active_ = false, autoCreate_ = false, graphEdit_ = false, linearVolume_ = true;
  HWND notifyWnd_ = 0;
  TGraphMode mode_ = gmNormal;
  int volume_ = 10000, balance_ = 0;
  double rate_ = 1.0;
  std::vector<IFilterProvider*> providers_;
  std::vector<IGraphListener*> listeners_;
  ComPtr<IFilterGraph2> graph_;
  ComPtr<ICaptureGraphBuilder2> captureBuilder_;
  ComPtr<IDvdGraphBuilder> dvdBuilder_;
  ComPtr<IMediaEventEx> events_;
  DWORD rotCookie_ = 0;
  String logFile_;
  int logFd_ = -1;
};

using TOnBuffer = std::function<void(TObject* Sender, double SampleTime, void* pBuffer, int BufferLen)>;

// Hands each video sample to OnBuffer (streaming thread) and turns the last
// one into a bitmap on request.
class TSampleGrabber : public TComponent, public IFilterProvider, public ISpareFilterProvider, public ISampleGrabberCB {
 public:
  explicit TSampleGrabber(TComponent* AOwner);
  ~TSampleGrabber() override;
  TFilterGraph* FilterGraph() const { return filterGraph_; }
  void SetFilterGraph(TFilterGraph* g);
  TMediaType* MediaType() const { return mediaType_; }
  // The last sample as a bitmap; false (bitmap unchanged) when there is none.
  bool GetBitmap(TBitmap* Bitmap);
  bool BufferToBitmap(TBitmap* Bitmap, const void* Buffer, int BufferLen);
  // Guards OnBuffer; a handler and the main thread may share data behind it.
  TCriticalSection& Lock() { return lock_; }
  TOnBuffer OnBuffer;

  ComPtr<IBaseFilter> GetFilter() override { return filter_; }
  String GetFilterName() override { return Name(); }
  void NotifyFilter(TFilterNotice Operation, int Param = 0) override;
  bool PrepareSpare(IFilterGraph* Graph) override;
  bool SpareValid() override;
  void LeaveForSpare() override;
  void TakeSpare() override;
  void SpareTaken() override {}
  void DropSpare() override;
  HRESULT SampleCB(double, void*) override { return S_OK; }
  HRESULT BufferCB(double SampleTime, uint8_t* pBuffer, int32_t BufferLen) override;
  bool WantsBuffers() override;
  HRESULT QueryInterface(const GUID& iid, void** out) override;
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  void Notification(TComponent* AComponent, bool removing) override;
  String ClassName() const override { return "TSampleGrabber"; }

 private:
  void applyMediaType();
  void releaseFilter();
  TFilterGraph* filterGraph_ = nullptr;
  TMediaType* mediaType_ = nullptr;
  TCriticalSection lock_;
  ComPtr<IBaseFilter> filter_;
  ComPtr<ISampleGrabber> grabber_;
  ComPtr<IPin> inPin_, outPin_;
  // The filter of a graph made ready for the next clip, with the media type
  // it was given.
  ComPtr<IBaseFilter> spare_;
  std::array<GUID, 3> spareType_{};
};

// Contributes the filter of a stored device moniker (a camera).
class TFilter : public TComponent, public IFilterProvider {
 public:
  explicit TFilter(TComponent* AOwner);
  ~TFilter() override;
  TFilterGraph* FilterGraph() const { return filterGraph_; }
  void SetFilterGraph(TFilterGraph* g);
  TBaseFilter* BaseFilter() const { return baseFilter_; }

  ComPtr<IBaseFilter> GetFilter() override { return filter_; }
  String GetFilterName() override { return Name(); }
  void NotifyFilter(TFilterNotice Operation, int Param = 0) override;
  HRESULT QueryInterface(const GUID& iid, void** out) override;
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  void Notification(TComponent* AComponent, bool removing) override;
  String ClassName() const override { return "TFilter"; }

 private:
  TFilterGraph* filterGraph_ = nullptr;
  TBaseFilter* baseFilter_ = nullptr;
  ComPtr<IBaseFilter> filter_;
};

using TTimerEvent = std::function<void(TObject* Sender, uint32_t CurrentPos, uint32_t StopPos)>;

// A track bar that follows a graph's position while it plays and seeks the
// graph when the operator releases the thumb.
class TDSTrackBar : public TTrackBar, public IGraphListener {
 public:
  explicit TDSTrackBar(TComponent* AOwner);
  ~TDSTrackBar() override;
  TFilterGraph* FilterGraph() const { return filterGraph_; }
  void SetFilterGraph(TFilterGraph* g);
  uint32_t TimerInterval() const { return interval_; }
  void SetTimerInterval(uint32_t v);
  const TTimerEvent& OnTimer() const { return onTimer_; }
  void SetOnTimer(TTimerEvent handler);
  bool Dragging() const { return dragging_; }
  bool TimerActive() const { return timerActive_; }

  void GraphEvent(int Event, LONG_PTR Param1, LONG_PTR Param2) override;
  void ControlEvent(TControlNotice Operation, int Param = 0) override;
  HRESULT QueryInterface(const GUID& iid, void** out) override;
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  void Notification(TComponent* AComponent, bool removing) override;
  String ClassName() const override { return "TDSTrackBar"; }

  // One poll of the position (the timer's tick).
  virtual void TimerTick();

 protected:
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;

 private:
  void setTimerActive(bool v);
  void restartTimer();
  TFilterGraph* filterGraph_ = nullptr;
  ComPtr<IMediaSeeking> seeking_;
  TTimer* timer_ = nullptr;
  uint32_t interval_ = 1000;
  TTimerEvent onTimer_;
  bool timerActive_ = false, dragging_ = false;
  bool startedAway_ = false;   // the graph was last started away from its beginning
};
