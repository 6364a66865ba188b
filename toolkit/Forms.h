#pragma once
// Forms, the application object and the screen.
//
// Forms are built in code: a form class derives from TForm, creates its
// controls in its constructor, sets every design value and assigns its event
// handlers there. OnCreate runs after the constructor has finished, when the
// form is made through Application->CreateForm (or at its first Show, for a
// form made with plain new). OnDestroy runs before any destructor: when the
// application frees its forms, when a form is freed by Release or by
// Free(form); a form deleted directly runs it from ~TCustomForm.
#include <atomic>
#include <functional>
#include <memory>
#include <vector>
#include "toolkit/Controls.h"

enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
                 poMainFormCenter, poOwnerFormCenter };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TExceptionEvent = std::function<void(TObject* Sender, const Exception& E)>;
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;

class TCustomForm : public TCustomControl {
 public:
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;

  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle v);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition v) { position_ = v; }
  TWindowState WindowState() const { return windowState_; }
  void SetWindowState(TWindowState v);
  TFormStyle FormStyle() const { return formStyle_; }
  void SetFormStyle(TFormStyle v);
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool v) { keyPreview_ = v; }
  // The caption is the window title.
  void SetVisible(bool v) override;
  void Show();
  // Shows the form modally and returns its ModalResult; the form is hidden
  // afterwards.
  TModalResult ShowModal();
  bool Modal() const { return modal_; }
  TModalResult ModalResult() const { return modalResult_; }
  // Setting a result other than mrNone ends ShowModal (after OnCloseQuery).
  void SetModalResult(TModalResult v);
  // Asks OnCloseQuery, then runs OnClose; hides the form (the main form ends
  // the application, caFree frees the form later).
  void Close();
  bool CloseQuery();
  // Frees the form once the events under way have returned.
  void Release();
  void BringToFront() override;
  TWinControl* ActiveControl() const;
  void SetActiveControl(TWinControl* c);

  // Runs OnCreate once (see the top of this file).
  void AfterConstruction();
  // Runs OnDestroy once.
  void BeforeDestruction();

  TNotifyEvent OnCreate, OnDestroy, OnShow, OnHide, OnActivate, OnDeactivate, OnPaint;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  String ClassName() const override { return "TCustomForm"; }

 protected:
  void Paint() override { if (OnPaint) OnPaint(this); }
  void TextChanged() override;
  void DoShow() { if (OnShow) OnShow(this); }
  void DoHide() { if (OnHide) OnHide(this); }
  friend class ControlWidgetBridge;
  friend class TApplication;
  void applyWindowFlags();
  void placeOnShow();

  TBorderStyle borderStyle_ = bsSizeable;
  TPosition position_ = poDesigned;
  TWindowState windowState_ = wsNormal;
  TFormStyle formStyle_ = fsNormal;
  bool keyPreview_ = false, modal_ = false, created_ = false, destroyed_ = false, released_ = false,
       placed_ = false;
  TModalResult modalResult_ = mrNone;
};

class TForm : public TCustomForm {
 public:
  explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
  String ClassName() const override { return "TForm"; }
};

// The form a control lies on (null when none).
TCustomForm* GetParentForm(const TControl* c);
// Frees a form: OnDestroy first, then the destructors.
void Free(TCustomForm* f);

class QApplication;

class TApplication : public TComponent {
 public:
  TApplication();
  ~TApplication() override;
  // Makes the platform application object when there is none yet.
  void Initialize();
  // Creates a form owned by the application; the first one becomes the main
  // form. ref (when given) is set before OnCreate runs.
  template <class T>
  T* CreateForm(T** ref = nullptr) {
    Initialize();
    T* f = new T(this);
    if (ref) *ref = f;
    f->AfterConstruction();
    if (!mainForm_) mainForm_ = f;
    return f;
  }
  TCustomForm* MainForm() const { return mainForm_; }
  // Shows the main form (when ShowMainForm) and runs the message loop until
  // Terminate or the main form closes; then frees the forms and ends the
  // application object it made (and with it the browser engine).
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }
  void ProcessMessages();
  // Brings the program's main window in front of other programs' windows.
  void BringToFront();
  // Processes messages until one arrives and has been handled.
  void HandleMessage();
  // Shows the exception being handled (call inside a catch block): runs
  // OnException when assigned, else a message box with its text. EAbort is
  // silent.
  void HandleException(TObject* Sender);
  // Shows an exception's text in the error box.
  void ShowException(const Exception& E);
  // Frees every form the application owns, last created first.
  void DestroyForms();
  const String& Title() const { return title_; }
  void SetTitle(const String& t) { title_ = t; }
  // Full path of the executable.
  String ExeName() const;
  bool ShowMainForm = true;
  TIdleEvent OnIdle;
  TExceptionEvent OnException;
  String ClassName() const override { return "TApplication"; }

 private:
  friend class TCustomForm;
  void idle();
  TCustomForm* mainForm_ = nullptr;
  // Read by waits off the main thread too (WaitFor).
  std::atomic<bool> terminated_{false};
  bool running_ = false, inIdle_ = false, showingException_ = false;
  String title_;
  QApplication* ownApp_ = nullptr;
  class QEventLoop* loop_ = nullptr;
  bool idleHooked_ = false;
};

extern TApplication* Application;

// Makes the program use the X11 platform when a display is present and the
// platform was not chosen in the environment (DISPLAY set, QT_QPA_PLATFORM
// unset); the main window must sit at the desktop's origin, which other
// platforms do not allow. Call before Application->Initialize.
void SelectDisplayPlatform();
// Blocks of 128 KiB and more (frames, pictures) are mapped for themselves and
// given back to the system when freed, whichever thread frees them; called
// before the application object is made (TApplication::Initialize,
// TestApp::Init).
void KeepLargeBlocksReturnable();

class TMonitor : public TObject {
 public:
  TRect BoundsRect;
  TRect WorkareaRect;
  bool Primary = false;
  int MonitorNum = 0;
  int Left() const { return BoundsRect.Left; }
  int Top() const { return BoundsRect.Top; }
  int Width() const { return BoundsRect.Width(); }
  int Height() const { return BoundsRect.Height(); }
  String ClassName() const override { return "TMonitor"; }
};

class TScreen : public TComponent {
 public:
  TScreen();
  ~TScreen() override;
  // The primary monitor.
  int Width() const;
  int Height() const;
  // The virtual screen: all monitors together.
  int DesktopLeft() const;
  int DesktopTop() const;
  int DesktopWidth() const;
  int DesktopHeight() const;
  TRect DesktopRect() const;
  // The work area of the primary monitor (without task bars).
  TRect WorkAreaRect() const;
  int WorkAreaLeft() const { return WorkAreaRect().Left; }
  int WorkAreaTop() const { return WorkAreaRect().Top; }
  int WorkAreaWidth() const { return WorkAreaRect().Width(); }
  int WorkAreaHeight() const { return WorkAreaRect().Height(); }
  int MonitorCount() const;
  TMonitor* Monitors(int i) const;      // EListError for a bad index
  int PixelsPerInch() const { return ScreenPixelsPerInch; }
  // The cursor of the whole application; crDefault gives each control its own.
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor c);
  TCustomForm* ActiveForm() const;
  String ClassName() const override { return "TScreen"; }

 private:
  TCursor cursor_ = crDefault;
  mutable std::vector<std::unique_ptr<TMonitor>> monitors_;
};

extern TScreen* Screen;

// ---------------------------------------------------------------- waits

// What of the operator's input reaches the program while a wait runs.
struct TWaitInput {
  enum TKind { wiAll, wiNone, wiListed };
  TKind Kind = wiAll;
  // wiListed: mouse buttons, wheel and keys on these controls (and their
  // children), and these keys (virtual-key codes) wherever the focus is.
  std::vector<const TControl*> Controls;
  std::vector<int> Keys;
  static TWaitInput All() { return TWaitInput(); }
  static TWaitInput None() {
    TWaitInput w;
    w.Kind = wiNone;
    return w;
  }
  static TWaitInput Only(std::vector<const TControl*> Controls, std::vector<int> Keys = {}) {
    TWaitInput w;
    w.Kind = wiListed;
    w.Controls = std::move(Controls);
    w.Keys = std::move(Keys);
    return w;
  }
};

// Keeps the operator's input to what Input lets in while it lives. Gates
// nest: input passes only what every open gate lets in. Input kept out is
// dropped (wiNone: input from the window system waits for the gate to close).
class TInputGate {
 public:
  explicit TInputGate(const TWaitInput& Input);
  ~TInputGate();
  TInputGate(const TInputGate&) = delete;
  TInputGate& operator=(const TInputGate&) = delete;

 private:
  TWaitInput input_;
};

enum TWaitResult { wrDone, wrTimeout, wrClosing };

// The wait of the program for something that comes from outside the call
// (a movie's load or end, a clip's duration, the next frame of a transition,
// a child process): until Done() holds, TimeoutMs passes (< 0: no limit; 0:
// what is pending now is handled once) or the program closes. On the main
// thread it handles messages meanwhile, sleeping in between until a notice
// comes (a message, a timer due, WakeWaiters, a call handed over by
// Synchronize) or the deadline; Done() is asked after each. Only the input
// Input lets in is handled (see TInputGate). Waits nest; what a caller waited
// for may have changed meanwhile, so it checks that it is still current
// before acting on the result. Off the main thread it sleeps on WakeWaiters.
TWaitResult WaitFor(const std::function<bool()>& Done, int TimeoutMs, const TWaitInput& Input = TWaitInput());

