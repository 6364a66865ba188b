#pragma once
// The overlay video window: the control in which a filter graph shows video.
// It contributes a video renderer to its graph and listens to the graph;
// when the graph is about to play it routes the video through the overlay
// mixer, whose colour controls (TColorControl) then act on the picture. The
// window draws the renderer's latest frame itself: where it shows the colour
// key (overlay path), or stretched over the whole control when the mixer
// route could not be built (the renderer's own window in its stead).
//
// Threads: main thread only. The mixer's notifications (TOverlayCallback)
// come from a streaming thread and are queued to the main thread, where the
// colour key, the video rectangle and the painting are touched.
#include <memory>

#include "media/DSGraph.h"
#include "platform/dshow/Overlay.h"
#include "toolkit/Controls.h"

class TDSVideoWindowEx2;

enum TRatioModes { rmStretched = 0, rmLetterBox = 1, rmCrop = 2 };
using TCursorVisibleEvent = std::function<void(TObject* Sender, bool Visible)>;
using TOverlayVisibleEvent = std::function<void(TObject* Sender, bool Visible)>;

// The colour controls of the overlay: current values and the overlay's
// defaults, read and written through the mixer's input pin while the
// window's graph is active ("live").
class TColorControl : public TPersistent {
 public:
  explicit TColorControl(TDSVideoWindowEx2* AOwner);
  // Getters read the overlay's values first while live.
  int Brightness();            // 0..10000
  void SetBrightness(int v);
  int Contrast();              // 0..20000
  void SetContrast(int v);
  int Hue();                   // -180..180
  void SetHue(int v);
  int Saturation();            // 0..20000
  void SetSaturation(int v);
  int Sharpness();             // 0..10
  void SetSharpness(int v);
  int Gamma();                 // 1..500
  void SetGamma(int v);
  bool ColorEnable();
  void SetColorEnable(bool v);
  // The current values := the defaults (written to the overlay while live).
  void RestoreDefault();
  // Defaults from the overlay (its flags tell what it offers).
  void ReadDefault();
  // The current values to the overlay (flags $7F: the mixer takes what it offers).
  void UpdateColorControls();
  // The current values from the overlay; a failed read sets the fixed constants.
  void GetColorControls();
  const DDCOLORCONTROL& Defaults() const { return defaults_; }
  // The values held (not read from the overlay).
  DDCOLORCONTROL Held() const;
  String ClassName() const override { return "TColorControl"; }

 private:
  bool live() const;
  ComPtr<IMixerPinConfig2> overlayPin() const;
  void afterSet();
  void hold(const DDCOLORCONTROL& c);   // the held values become c's
  int brightness_, contrast_, hue_, saturation_, sharpness_, gamma_;
  bool colorEnable_;
  DDCOLORCONTROL defaults_;
  TDSVideoWindowEx2* owner_;
};

// Which colour controls the overlay offers.
class TDSVideoWindowEx2Caps : public TPersistent {
 public:
  explicit TDSVideoWindowEx2Caps(TDSVideoWindowEx2* AOwner) : owner_(AOwner) {}
  bool CanOverlayGraphic() const;
  bool CanControlBrigtness() const { return flag(DDCOLOR_BRIGHTNESS); }
  bool CanControlContrast() const { return flag(DDCOLOR_CONTRAST); }
  bool CanControlHue() const { return flag(DDCOLOR_HUE); }
  bool CanControlSaturation() const { return flag(DDCOLOR_SATURATION); }
  bool CanControlSharpness() const { return flag(DDCOLOR_SHARPNESS); }
  bool CanControlGamma() const { return flag(DDCOLOR_GAMMA); }
  bool CanControlColorEnabled() const { return flag(DDCOLOR_COLORENABLE); }
  String ClassName() const override { return "TDSVideoWindowEx2Caps"; }

 private:
  bool flag(uint32_t bit) const;
  TDSVideoWindowEx2* owner_;
};

// What a video window shows, kept: the control's colour around the colour
// key's area, the key around the frame, the latest frame where it lands (the
// window's paint draws exactly this). The frame's memory is held, not
// copied, so a still outlives its clip and graph.
struct TVideoStill {
  TRect Client;                   // the window's client area
  TColor Back = clBlack;          // around Area
  TRect Area;                     // the colour key's area; the client area without the overlay
  TColor AreaColour = clBlack;    // Area where the frame does not lie
  bool HasFrame = false;
  TVideoFrame Frame;
  TRect Src, Dest;                // the frame's part drawn, and where it lands
  // Drawn with the client area's top-left corner at (X, Y) of the canvas.
  void DrawTo(TCanvas* Canvas, int X, int Y) const;
  // The same pixels: the same frame (not a copy of it) laid alike.
  bool SameAs(const TVideoStill& o) const;
};

// Receives the mixer's notifications for its window (reference counted; the
// window holds it while the overlay path exists). Calls from another thread
// are queued to the main thread; a detached callback does nothing.
class TOverlayCallback : public TObject, public TComObject, public IDDrawExclModeVideoCallback {
 public:
  explicit TOverlayCallback(TDSVideoWindowEx2* AOwner) : owner_(AOwner) {}
  HRESULT QueryInterface(const GUID& iid, void** out) override;
  ULONG AddRef() override { return TComObject::AddRef(); }
  ULONG Release() override { return TComObject::Release(); }
  HRESULT OnUpdateOverlay(bool, DWORD, bool, const RECT32*, const RECT32*, bool, const RECT32*,
                          const RECT32*) override {
    return S_OK;
  }
  HRESULT OnUpdateColorKey(const COLORKEY* key, DWORD colour) override;
  HRESULT OnUpdateSize(DWORD width, DWORD height, DWORD aspectX, DWORD aspectY) override;
  // The window goes away (main thread).
  void Detach() { owner_ = nullptr; }
  String ClassName() const override { return "TOverlayCallback"; }

 private:
  void onMain(std::function<void()> f);
  std::atomic<TDSVideoWindowEx2*> owner_;
};

class TDSVideoWindowEx2 : public TCustomControl,
                          public IFilterProvider,
                          public ISpareFilterProvider,
                          public IGraphListener {
 public:
  explicit TDSVideoWindowEx2(TComponent* AOwner);
  ~TDSVideoWindowEx2() override;

  TFilterGraph* FilterGraph() const { return filterGraph_; }
  void SetFilterGraph(TFilterGraph* g);
  TColorControl* ColorControl() const { return colorControl_.get(); }
  TDSVideoWindowEx2Caps* Caps() const { return caps_.get(); }
  int DigitalZoom() const { return digitalZoom_; }
  void SetDigitalZoom(int v);        // 0..99
  TRatioModes AspectRatio() const { return aspectRatio_; }
  void SetAspectRatio(TRatioModes v);
  bool NoScreenSaver() const { return noScreenSaver_; }
  void SetNoScreenSaver(bool v);
  int AutoHideCursor() const { return autoHideCursor_; }
  void SetAutoHideCursor(int ms) { autoHideCursor_ = ms; }
  bool FullScreenTopMost() const { return fullScreenTopMost_; }
  void SetFullScreenTopMost(bool v) { fullScreenTopMost_ = v; }
  TColor ColorKey() const { return colorKey_; }
  // Where the picture lies (client coordinates).
  TRect VideoRect() const { return videoRect_; }
  bool OverlayOK() const { return overlayOK_; }
  bool OverlayVisible() const { return overlayVisible_; }
  // The overlay mixer in use (null when none).
  ComPtr<IBaseFilter> Mixer() const { return mixer_; }
  // The renderer's logical window found when the overlay path was placed.
  intptr_t RendererWindow() const { return rendererWindow_; }
  // What the window shows now, as its next paint would draw it.
  TVideoStill Still();

  void SetVisible(bool v) override;
  void SetParent(TWinControl* p) override;

  // IFilterProvider / IGraphListener
  ComPtr<IBaseFilter> GetFilter() override { return renderer_; }
  String GetFilterName() override { return Name(); }
  void NotifyFilter(TFilterNotice Operation, int Param = 0) override;
  void ControlEvent(TControlNotice Operation, int Param = 0) override;
  void GraphEvent(int Event, LONG_PTR Param1, LONG_PTR Param2) override;
  // ISpareFilterProvider: a second renderer, fed through its own overlay
  // route, for a graph made ready for the next clip. At the change the window
  // keeps the old clip's last frame until it draws the new clip's first.
  bool PrepareSpare(IFilterGraph* Graph) override;
  bool SpareValid() override;
  void LeaveForSpare() override;
  void TakeSpare() override;
  void SpareTaken() override;
  void DropSpare() override;
  // Own interfaces first, then the renderer's.
  HRESULT QueryInterface(const GUID& iid, void** out) override;
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }

  void Loaded() override;
  void Notification(TComponent* AComponent, bool removing) override;
  String ClassName() const override { return "TDSVideoWindowEx2"; }

  // The application's idle pass (cursor auto-hide); public for the idle hook.
  void IdleHandler(TObject* Sender, bool& Done);

  TNotifyEvent OnPaint;
  // The latest frame is known to be the stream's last (its end came after
  // it), ahead of the graph's notice of the end.
  TNotifyEvent OnLastFrame;
  TNotifyEvent OnColorKeyChanged;
  TCursorVisibleEvent OnCursorShowHide;
  TOverlayVisibleEvent OnOverlayVisible;

 protected:
  void Paint() override;
  void Resize() override;
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
  void MouseMove(TShiftState s, int x, int y) override;
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;

 private:
  friend class TColorControl;
  friend class TDSVideoWindowEx2Caps;
  friend class TOverlayCallback;
  struct TUndo {
    ComPtr<IPin> a, b;
    bool made;
  };
  bool designing() const { return ComponentState().Contains(csDesigning); }
  HRESULT setupOverlay();
  void attachVideoWindow();
  void placeRendererWindow();
  HRESULT updateVideoRect();
  void colorKeyPaint();
  bool placeFrame(const TRect& area, bool byMixerMode, TVideoFrame& frame, TRect& src, TRect& dest);
  void listenTo(IUnknown* source);
  void showCursorStep();
  // A button pressed or released over the window: shows a hidden cursor.
  void mouseButtonActivity(int x, int y);
  void updateInhibit();
  void dropCallback();
  void forgetFilters();

  ComPtr<IVideoWindow> videoWindow_;
  TFilterGraph* filterGraph_ = nullptr;
  ComPtr<IBaseFilter> renderer_, mixer_, graphRenderer_;
  ComPtr<IBaseFilter> spareRenderer_, spareMixer_;
  ComPtr<IDDrawExclModeVideo> exclusive_;
  ComPtr<IVideoFrameSource> listened_;
  bool fullScreen_ = false, fullScreenTopMost_ = false;
  TColor colorKey_ = TColor(OverlayColorKey);
  int32_t savedStyle_ = 0, savedStyleEx_ = 0;
  TRect videoRect_;
  std::unique_ptr<TColorControl> colorControl_;
  std::unique_ptr<TDSVideoWindowEx2Caps> caps_;
  int digitalZoom_ = 0;
  TRatioModes aspectRatio_ = rmLetterBox;
  bool noScreenSaver_ = false;
  int autoHideCursor_ = 0;
  bool setupTried_ = false;
  ComPtr<TOverlayCallback> callback_;
  bool overlayOK_ = false;
  intptr_t rendererWindow_ = 0;
  int lastMouseX_ = -1, lastMouseY_ = -1;
  int64_t lastActivity_ = 0;
  TCursor savedCursor_ = crDefault;
  bool rendererCursorHidden_ = false;
  bool overlayVisible_ = false;
  bool overlayHiddenBySpare_ = false;   // told in SpareTaken
  TScreenSaverInhibit inhibit_;
  bool inhibitTried_ = false;
};
