// The presentation controller (see the header).
#include "console/TPowerpoint.h"
#include "toolkit/Forms.h"

namespace {

constexpr int kEffectConst[TransEffectCount] = {
    3844,  // Appear
    769,  770,   // BlindsHorizontal, BlindsVertical
    3074, 3073,  // BoxIn, BoxOut
    1025, 1026,  // CheckerboardAcross, CheckerboardDown
    1284, 1281, 1287, 1285, 1283, 1288, 1286, 1282,  // CoverDown, Left, LeftDown, LeftUp, Right, RightDown, RightUp, Up
    257,  258,   // Cut, CutThroughBlack
    1537,        // Dissolve
    1793,        // Fade
    0,           // None
    513,         // Random
    2305, 2306,  // RandomBarsHorizontal, RandomBarsVertical
    3586, 3585, 3588, 3587,  // SplitHorizontalIn, HorizontalOut, VerticalIn, VerticalOut
    2563, 2564, 2567, 2565, 2568, 2566, 2561, 2562,  // StripsDownLeft, DownRight, LeftDown, LeftUp, RightDown, RightUp, UpLeft, UpRight
    2052, 2049, 2055, 2053, 2051, 2056, 2054, 2050,  // UncoverDown, Left, LeftDown, LeftUp, Right, RightDown, RightUp, Up
    2820, 2817, 2819, 2818,  // WipeDown, WipeLeft, WipeRight, WipeUp
};

const char* const kShowView = "ActivePresentation.SlideShowWindow.View.";

String ShowView(const char* member) { return String(kShowView) + member; }

}  // namespace

int TransspeedConst(TTransspeed v) {
  static constexpr int c[] = {3, 2, -2, 1};
  return c[v];
}
int SlideShowModeConst(TSlideShowMode v) {
  static constexpr int c[] = {3, 1, 2};
  return c[v];
}
int SlideShowStateConst(TSlideShowState v) {
  static constexpr int c[] = {3, 5, 2, 1, 4};
  return c[v];
}
int SlideshowPointerConst(TSlideshowPointer v) {
  static constexpr int c[] = {3, 1, 4, 0, 2};
  return c[v];
}
int SlideShowAdvancedModeConst(TSlideShowAdvancedMode v) {
  static constexpr int c[] = {1, 3, 2};
  return c[v];
}
int TransEffectConst(TTransEffect v) { return kEffectConst[int(v)]; }

TPowPnt::TPowPnt(TComponent* AOwner) : TComponent(AOwner) {}

TPowPnt::~TPowPnt() {
  if (autoQuit_ && app_) {
    try {
      app_->Call("quit");
    } catch (const std::exception&) {
    }
  }
}

void TPowPnt::SetDesigning(bool v) {
  if (v) state_.Include(csDesigning);
  else state_.Exclude(csDesigning);
}

AutomationObjectPtr TPowPnt::app() const {
  if (!app_) throw EOleError("The application object is not held");
  return app_;
}

void TPowPnt::accessError(int code, const String& text) {
  if (OnAccessError) OnAccessError(this, code, text);
}

void TPowPnt::releaseApp() {
  app_.reset();
  connected_ = false;
  slideShowActiv_ = false;
  currentSlideName_.clear();
}

HWND TPowPnt::PowerpointWindowhandle() const { return FindWindow(SlideShowWindowClass); }

// ---------------------------------------------------------------------------
// Checks
// ---------------------------------------------------------------------------

bool TPowPnt::CheckSlideShowActive() {
  try {
    currentSlideName_ = OleToStr(app()->Get(ShowView("Slide.Name")));
    slideShowActiv_ = true;
    return true;
  } catch (const std::exception&) {
  }
  try {
    app()->Set(ShowView("State"), 5);
    return true;
  } catch (const std::exception&) {
  }
  currentSlideName_.clear();
  slideShowActiv_ = false;
  return false;
}

bool TPowPnt::UpdatePresentationName() {
  if (!connected_) return false;
  try {
    loadedName_ = OleToStr(app()->Get("ActivePresentation.Name"));
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// ---------------------------------------------------------------------------
// Connection
// ---------------------------------------------------------------------------

bool TPowPnt::Connect() {
  if (ComponentState().Contains(csDesigning)) return false;
  try {
    app_ = CreateOleObject("PowerPoint.Application");
    app_->Set("Visible", OleTrue);
    connected_ = true;
    version_ = OleToStr(app_->Get("version"));
  } catch (const std::exception&) {
    // Nothing half made is kept: a later Connect starts afresh.
    releaseApp();
    accessError(5, "Not connected!");
    return false;
  }
  if (OnPPTConnect) OnPPTConnect(this, version_);
  return true;
}

bool TPowPnt::Disconnect() {
  if (!connected_) {
    accessError(5, "Not connected!");
    return false;
  }
  bool allowClose = true;
  if (OnBeforePPTClose) OnBeforePPTClose(this, allowClose);
  if (!allowClose) return false;
  bool ok = true;
  try {
    app()->Call("Quit");
    version_ = OleToStr(app()->Get("version"));
  } catch (const std::exception&) {
    ok = false;
  }
  // After Quit the object is released in every case: a program that still
  // answers, or one whose answer failed, must not leave a dead object that
  // the console would never connect again.
  releaseApp();
  if (!ok) {
    accessError(9, "Close PPT failed!");
    return false;
  }
  if (OnPPTClose) OnPPTClose(this);
  return true;
}

// ---------------------------------------------------------------------------
// Presentation and show
// ---------------------------------------------------------------------------

bool TPowPnt::OpenPresentation(const String& FileName) {
  openError_ = "Not connected!";
  if (!connected_) {
    accessError(5, "Not connected!");
    return false;
  }
  try {
    // Both repetitions are bounded: a show or window that cannot be closed
    // fails the open instead of holding the console for ever.
    int tries = 0;
    while (CheckSlideShowActive()) {
      if (++tries > MaxCloseAttempts) {
        openError_ = "The running slide show does not end";
        return false;
      }
      ExitSlideShow();
    }
    tries = 0;
    while (UpdatePresentationName()) {
      if (++tries > MaxCloseAttempts) {
        openError_ = "The open presentation does not close";
        return false;
      }
      app()->Call("ActiveWindow.Close");
    }
    openError_.clear();
    if (FileExists(FileName))
      app()->Call("Presentations.Open", {FileName, 0});
    else
      openError_ = "File not found";
    loadedName_ = OleToStr(app()->Get("ActivePresentation.Name"));
    openError_.clear();
    return true;
  } catch (const EAbort&) {
    openError_.clear();   // given up because the program closes
  } catch (const std::exception& e) {
    // A missing file is told as such, not as the missing presentation.
    if (openError_ != "File not found") openError_ = e.what();
  }
  return false;
}

void TPowPnt::ApplySlideShowSettings() {
  if (!UpdatePresentationName() || CheckSlideShowActive()) return;
  const AutomationObjectPtr a = app();
  a->Set("ActivePresentation.SlideShowSettings.LoopuntilStopped", OleBool(looped_));
  a->Set("ActivePresentation.SlideShowSettings.AdvanceMode", SlideShowAdvancedModeConst(trigger_));
  a->Set("ActivePresentation.SlideShowSettings.ShowType", SlideShowModeConst(showMode_));
  const String range = "ActivePresentation.Slides.Range.SlideShowTransition.";
  if (transEffectApply_) a->Set(range + "EntryEffect", TransEffectConst(transEffect_));
  a->Set(range + "speed", TransspeedConst(transSpeed_));
  a->Set(range + "AdvanceTime", transInterval_);
  a->Set(range + "AdvanceOnClick", OleBool(allowMouse_));
  a->Set(range + "AdvanceOnTime", OleBool(internalTimer_));
}

void TPowPnt::applySettingsGuarded() {
  // A setter never raises; a presentation that refuses a setting keeps its own.
  try {
    ApplySlideShowSettings();
  } catch (const std::exception&) {
  }
}

bool TPowPnt::StartSlideShow() {
  if (!connected_) {
    accessError(5, "Not connected!");
    return false;
  }
  try {
    if (!UpdatePresentationName()) {
      accessError(1, "No presentation loaded!");
      return false;
    }
    ApplySlideShowSettings();
    app()->Set("ActivePresentation.SlideShowSettings.RangeType", 1);
    app()->Set("ActivePresentation.SlideShowSettings.Run.View.PointerType", SlideshowPointerConst(pointer_));
    app()->Call("ActivePresentation.SlideShowSettings.Run");
    app()->Set(ShowView("State"), SlideShowStateConst(showState_));
    SetPresentationMonitor(monitor_);
  } catch (const std::exception&) {
    accessError(6, "Could not start!");
    return false;
  }
  if (OnSlideShowStart) OnSlideShowStart(this, showState_);
  return true;
}

bool TPowPnt::ExitSlideShow() {
  if (!connected_) {
    accessError(5, "Not connected!");
    return false;
  }
  try {
    if (!CheckSlideShowActive()) {
      accessError(1, "No presentation loaded!");
      return false;
    }
    app()->Call(ShowView("Exit"));
  } catch (const std::exception&) {
    accessError(5, "Not connected!");
    return false;
  }
  if (OnSlideShowClose) OnSlideShowClose(this);
  slideShowActiv_ = false;
  return true;
}

int TPowPnt::GetSlideCount() {
  try {
    return OleToInt(app()->Get("ActivePresentation.Slides.Count"));
  } catch (const std::exception&) {
    accessError(4, "Could not read count of slides!");
    return -1;
  }
}

int TPowPnt::GetCurrentSlide() {
  if (!connected_ || !CheckSlideShowActive()) {
    accessError(10, "Slideshow not running!");
    return -1;
  }
  if (!slideShowActiv_) return -1;
  try {
    return OleToInt(app()->Get(ShowView("CurrentShowPosition")));
  } catch (const std::exception&) {
    accessError(12, "Could not get slide- information");
    return -1;
  }
}

String TPowPnt::GetCurrentSlideName() {
  if (!connected_ || !CheckSlideShowActive()) {
    accessError(10, "Slideshow not running!");
    return String();
  }
  if (!slideShowActiv_) return String();
  try {
    return OleToStr(app()->Get(ShowView("Slide.Name")));
  } catch (const std::exception&) {
    accessError(12, "Could not get slide- information");
    return String();
  }
}

void TPowPnt::GotoSlide(int Index) {
  if (!connected_ || !CheckSlideShowActive()) {
    accessError(10, "Slideshow not running!");
    return;
  }
  try {
    const int before = GetCurrentSlide();
    if (slideShowActiv_) app()->Call(ShowView("GotoSlide"), {Index});
    const int after = GetCurrentSlide();
    if (after != before && OnSlideChange) OnSlideChange(this, before, after, GetCurrentSlideName());
  } catch (const std::exception&) {
    accessError(10, "Slideshow not running!");
  }
}

// ---------------------------------------------------------------------------
// Setters
// ---------------------------------------------------------------------------

void TPowPnt::SetTransisioneffect(TTransEffect v) {
  transEffect_ = v;
  applySettingsGuarded();
}

void TPowPnt::SetTransisionSpeed(TTransspeed v) {
  transSpeed_ = v;
  applySettingsGuarded();
}

void TPowPnt::SetSlideShowMode(TSlideShowMode v) {
  showMode_ = v;
  looped_ = true;
  applySettingsGuarded();
}

void TPowPnt::SetSlideshowTrigger(TSlideShowAdvancedMode v) {
  trigger_ = v;
  applySettingsGuarded();
}

void TPowPnt::SetSlideShowAllowMouse(bool v) {
  allowMouse_ = v;
  applySettingsGuarded();
}

void TPowPnt::SetSlideshowUseInternalTimer(bool v) {
  internalTimer_ = v;
  applySettingsGuarded();
}

void TPowPnt::SetLooped(bool v) {
  looped_ = v;
  applySettingsGuarded();
}

void TPowPnt::SetAutoConnect(bool v) {
  autoConnect_ = v;
  if (v && !connected_) connected_ = Connect();
}

void TPowPnt::SetSlideShowState(TSlideShowState v) {
  showState_ = v;
  if (connected_ && CheckSlideShowActive()) {
    try {
      app()->Set(ShowView("State"), SlideShowStateConst(v));
      return;
    } catch (const std::exception&) {
    }
  }
  accessError(8, "Could not change slideshow state!");
}

// ---------------------------------------------------------------------------
// Placement of the show window
// ---------------------------------------------------------------------------

void TPowPnt::SetPresentationMonitor(int v) {
  const int count = Screen ? Screen->MonitorCount() : 1;
  if (v >= 0 && v <= count - 1) monitor_ = v;
  placeShowWindow();
}

void TPowPnt::SetPresentationMonitorUseDefaultDimensions(bool v) {
  useDefaultDimensions_ = v;
  placeShowWindow();
}

void TPowPnt::SetPresentationMonitorX(int v) {
  monX_ = v;
  placeShowWindow();
}

void TPowPnt::SetPresentationMonitorY(int v) {
  monY_ = v;
  placeShowWindow();
}

void TPowPnt::SetPresentationMonitorXX(int v) {
  monXX_ = v;
  placeShowWindow();
}

void TPowPnt::SetPresentationMonitorYY(int v) {
  monYY_ = v;
  placeShowWindow();
}

void TPowPnt::placeShowWindow() {
  SetSlideShowMonitor(monitor_, monX_, useDefaultDimensions_, monYY_, monXX_, monY_);
}

void TPowPnt::SetSlideShowMonitor(int Monitor, int X, bool UseDefaultDimensions, int YY, int XX, int Y) {
  const HWND wnd = PowerpointWindowhandle();
  if (UseDefaultDimensions) {
    // A monitor that is gone (a stored index above the count) gives way to
    // the first one instead of failing the placement.
    const int count = Screen ? Screen->MonitorCount() : 0;
    if (count <= 0) return;
    if (Monitor < 0 || Monitor >= count) Monitor = 0;
    const TMonitor* m = Screen->Monitors(Monitor);
    SetWindowPos(wnd, HWND_TOP, m->Left(), m->Top(), m->Width(), m->Height(), SWP_NOACTIVATE);
  } else {
    monX_ = X;
    monY_ = Y;
    monXX_ = XX;
    monYY_ = YY;
    SetWindowPos(wnd, HWND_TOP, X, Y, XX, YY, SWP_NOACTIVATE);
  }
}
