#pragma once
// The presentation controller: remote control of the presentation program
// through late-bound automation of "PowerPoint.Application". It starts and
// quits the program, opens a presentation, applies the show settings, runs
// the show, moves through its slides and places the show window on a
// monitor or a rectangle. It never raises to its caller for automation
// failures: it reports them through OnAccessError(code, text) and returns a
// failure value.
#include <functional>
#include "platform/office/Automation.h"
#include "platform/office/SlideShow.h"
#include "toolkit/Classes.h"

// Values in their ordinal order; each sends its program constant.
enum TTransspeed { TransitionSpeedFast, TransitionSpeedMedium, TransitionSpeedMixed, TransitionSpeedSlow };
enum TSlideShowMode { ShowTypeKiosk, ShowTypeSpeaker, ShowTypeWindow };
enum TSlideShowState { SlideShowBlackScreen, SlideShowDone, SlideShowPaused, SlideShowRunning, SlideShowWhiteScreen };
enum TSlideshowPointer { SlideShowPointerAlwaysHidden, SlideShowPointerArrow, SlideShowPointerAutoArrow,
                         SlideShowPointerNone, SlideShowPointerPen };
enum TSlideShowAdvancedMode { SlideShowManualAdvance, SlideShowRehearseNewTimings, SlideShowUseSlideTimings };
// Scoped: the picture show has an effect routine of one of these names.
enum class TTransEffect {
  EffectAppear, EffectBlindsHorizontal, EffectBlindsVertical, EffectBoxIn, EffectBoxOut, EffectCheckerboardAcross,
  EffectCheckerboardDown, EffectCoverDown, EffectCoverLeft, EffectCoverLeftDown, EffectCoverLeftUp, EffectCoverRight,
  EffectCoverRightDown, EffectCoverRightUp, EffectCoverUp, EffectCut, EffectCutThroughBlack, EffectDissolve,
  EffectFade, EffectNone, EffectRandom, EffectRandomBarsHorizontal, EffectRandomBarsVertical,
  EffectSplitHorizontalIn, EffectSplitHorizontalOut, EffectSplitVerticalIn, EffectSplitVerticalOut,
  EffectStripsDownLeft, EffectStripsDownRight, EffectStripsLeftDown, EffectStripsLeftUp, EffectStripsRightDown,
  EffectStripsRightUp, EffectStripsUpLeft, EffectStripsUpRight, EffectUncoverDown, EffectUncoverLeft,
  EffectUncoverLeftDown, EffectUncoverLeftUp, EffectUncoverRight, EffectUncoverRightDown, EffectUncoverRightUp,
  EffectUncoverUp, EffectWipeDown, EffectWipeLeft, EffectWipeRight, EffectWipeUp
};
inline constexpr int TransEffectCount = 47;

// The program constants of the values.
int TransspeedConst(TTransspeed v);
int SlideShowModeConst(TSlideShowMode v);
int SlideShowStateConst(TSlideShowState v);
int SlideshowPointerConst(TSlideshowPointer v);
int SlideShowAdvancedModeConst(TSlideShowAdvancedMode v);
int TransEffectConst(TTransEffect v);

using TPPTConnectEvent = std::function<void(TObject* Sender, const String& PPTVersion)>;
using TBeforePPTCloseEvent = std::function<void(TObject* Sender, bool& AllowClose)>;
using TSlideChangeEvent = std::function<void(TObject* Sender, int SlideIDBefore, int SlideIDNow, const String& SlideName)>;
using TSlideShowStartEvent = std::function<void(TObject* Sender, TSlideShowState Status)>;
using TAccessErrorEvent = std::function<void(TObject* Sender, int ErrorCode, const String& ErrorName)>;

class TPowPnt : public TComponent {
 public:
  explicit TPowPnt(TComponent* AOwner);
  ~TPowPnt() override;
  String ClassName() const override { return "TPowPnt"; }

  // ---- methods
  bool Connect();
  bool Disconnect();
  bool OpenPresentation(const String& FileName);
  bool StartSlideShow();
  bool ExitSlideShow();
  int GetSlideCount();
  int GetCurrentSlide();
  String GetCurrentSlideName();
  void GotoSlide(int Index);
  void SetSlideShowMonitor(int Monitor, int X, bool UseDefaultDimensions, int YY, int XX, int Y);

  // ---- properties
  TTransEffect Transisioneffect() const { return transEffect_; }
  void SetTransisioneffect(TTransEffect v);
  bool TransisioneffectApply() const { return transEffectApply_; }
  void SetTransisioneffectApply(bool v) { transEffectApply_ = v; }
  TTransspeed TransisionSpeed() const { return transSpeed_; }
  void SetTransisionSpeed(TTransspeed v);
  int TransisionInterval() const { return transInterval_; }
  void SetTransisionInterval(int v) { transInterval_ = v; }
  TSlideShowMode SlideShowMode() const { return showMode_; }
  void SetSlideShowMode(TSlideShowMode v);
  TSlideShowState SlideShowState() const { return showState_; }
  void SetSlideShowState(TSlideShowState v);
  TSlideshowPointer SlideShowPointer() const { return pointer_; }
  void SetSlideShowPointer(TSlideshowPointer v) { pointer_ = v; }
  TSlideShowAdvancedMode SlideshowTrigger() const { return trigger_; }
  void SetSlideshowTrigger(TSlideShowAdvancedMode v);
  bool SlideShowAllowMouse() const { return allowMouse_; }
  void SetSlideShowAllowMouse(bool v);
  bool SlideshowUseInternalTimer() const { return internalTimer_; }
  void SetSlideshowUseInternalTimer(bool v);
  bool Looped() const { return looped_; }
  void SetLooped(bool v);
  bool AutoConnect() const { return autoConnect_; }
  void SetAutoConnect(bool v);
  bool PPTAutoQuit() const { return autoQuit_; }
  void SetPPTAutoQuit(bool v) { autoQuit_ = v; }
  int PresentationMonitor() const { return monitor_; }
  void SetPresentationMonitor(int v);
  bool PresentationMonitorUseDefaultDimensions() const { return useDefaultDimensions_; }
  void SetPresentationMonitorUseDefaultDimensions(bool v);
  int PresentationMonitorX() const { return monX_; }
  void SetPresentationMonitorX(int v);
  int PresentationMonitorY() const { return monY_; }
  void SetPresentationMonitorY(int v);
  int PresentationMonitorXX() const { return monXX_; }
  void SetPresentationMonitorXX(int v);
  int PresentationMonitorYY() const { return monYY_; }
  void SetPresentationMonitorYY(int v);

  // ---- read-only
  bool Connected() const { return connected_; }
  bool SlideShowActiv() const { return slideShowActiv_; }
  const String& LoadedPresentationName() const { return loadedName_; }
  // Why the last OpenPresentation failed (the program's own text); empty
  // after one that succeeded or was given up because the program closes.
  const String& OpenError() const { return openError_; }
  const String& PowerPointVersion() const { return version_; }
  // The show window (class "screenClass"), 0 when none.
  HWND PowerpointWindowhandle() const;

  // ---- events
  TPPTConnectEvent OnPPTConnect;
  TBeforePPTCloseEvent OnBeforePPTClose;
  TNotifyEvent OnPPTClose;
  TSlideChangeEvent OnSlideChange;
  TNotifyEvent OnSlideShowClose;
  TSlideShowStartEvent OnSlideShowStart;
  TAccessErrorEvent OnAccessError;

  // The component as placed in a designer: Connect does nothing.
  void SetDesigning(bool v);
  // How often OpenPresentation tries to end a show or close a window that
  // keeps being reported before it gives up.
  static constexpr int MaxCloseAttempts = 10;

 private:
  // The application object, held by the caller for the whole call: a
  // handler run inside the call (a conversion waits, pumping) may release
  // the controller's own hold (Disconnect).
  AutomationObjectPtr app() const;
  void accessError(int code, const String& text);
  bool CheckSlideShowActive();
  // The show window placed by the held monitor, place and size.
  void placeShowWindow();
  bool UpdatePresentationName();
  void ApplySlideShowSettings();      // raises on an automation failure
  void applySettingsGuarded();
  void releaseApp();

  AutomationObjectPtr app_;
  TTransEffect transEffect_ = TTransEffect::EffectNone;
  bool transEffectApply_ = false;
  TTransspeed transSpeed_ = TransitionSpeedMedium;
  int transInterval_ = 5;
  TSlideShowMode showMode_ = ShowTypeSpeaker;
  TSlideShowState showState_ = SlideShowRunning;
  TSlideshowPointer pointer_ = SlideShowPointerNone;
  TSlideShowAdvancedMode trigger_ = SlideShowUseSlideTimings;
  bool allowMouse_ = true, internalTimer_ = true, looped_ = false, autoConnect_ = false, autoQuit_ = false;
  int monitor_ = 0;
  bool useDefaultDimensions_ = true;
  int monX_ = 0, monY_ = 0, monXX_ = 800, monYY_ = 600;
  bool connected_ = false, slideShowActiv_ = false;
  String loadedName_, version_, currentSlideName_, openError_;
};
