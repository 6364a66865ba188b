#pragma once
// The slide show of this system: a converted presentation (its PDF pages)
// and the window that shows it. The window is frameless, stays on top and is
// never activated (the console keeps the keyboard); it fits each slide into
// its area with black bars. Slides advance after AdvanceTime seconds when
// timed advance is on and the show is not in manual mode, and on a click
// when that is allowed; a looped show wraps, otherwise the last slide is
// followed by a black end screen at position count + 1. Every change of
// slide (next, go to, timed advance, the end screen) is drawn as the entry
// effect of the slide shown (SlideTransition.h) at the show's speed, one
// frame per display frame on the window's own timer, so the program's other
// timers keep their pace; the slide after the current one is rendered ahead
// by the window's own thread (with a document of its own over the deck's
// bytes), so a timed change starts drawing when it is due.
//
// Top-level windows are reached by handle as on the desktop platform the
// console was written for: FindWindow by class name ("screenClass" is the
// show window) and SetWindowPos to place one.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>
#include "toolkit/Graphics.h"
#include "toolkit/SysUtils.h"

using HWND = uintptr_t;
inline const HWND HWND_TOP = 0;
inline const HWND HWND_TOPMOST = HWND(-1);
inline constexpr unsigned SWP_NOSIZE = 0x0001, SWP_NOMOVE = 0x0002, SWP_NOZORDER = 0x0004,
                          SWP_NOACTIVATE = 0x0010;
// The class name of the show window.
inline constexpr const char* SlideShowWindowClass = "screenClass";

// The newest visible top-level window of ClassName (0 when none); a show
// window about to appear counts as visible.
HWND FindWindow(const String& ClassName);
// Moves and sizes a window (unless SWP_NOMOVE / SWP_NOSIZE); HWND_TOPMOST
// or HWND_TOP raises it. Never activates it. False for an unknown handle.
bool SetWindowPos(HWND Wnd, HWND InsertAfter, int X, int Y, int Cx, int Cy, unsigned Flags);
// The window's place on the screen; false for an unknown handle.
bool GetWindowRect(HWND Wnd, TRect& R);
// Limits what shows of a window to R (in the window's coordinates), as a
// window region does; an empty R shows nothing, the window's own rectangle
// (or larger) all of it. False for an unknown handle.
bool SetWindowRgn(HWND Wnd, const TRect& R);
// Keeps what a window shows on the screen as it is until it is released
// with 0 (one window at a time): a show window whose show ends meanwhile
// stays up with its last picture, and goes (black first) at the release
// unless a show has started in it again, which then keeps that picture
// until its own first slide is drawn.
bool LockWindowUpdate(HWND Wnd);
// Shows or hides a window without activating it; a show window whose show
// has ended is not shown again. False for an unknown handle.
bool ShowWindow(HWND Wnd, bool Visible);

// A presentation converted to PDF: its slides, rendered on demand. A deck
// is used on the thread that made it.
class TSlideDeck {
 public:
  // The PDF as read (never changed): what a deck on another thread loads.
  struct Bytes;
  // Reads and loads the PDF; EOfficeError when it cannot be read or has no page.
  explicit TSlideDeck(const String& PdfFile);
  // A deck of its own over the bytes of another (nothing else is shared).
  explicit TSlideDeck(std::shared_ptr<const Bytes> Contents);
  ~TSlideDeck();
  int Count() const;
  std::shared_ptr<const Bytes> Contents() const;
  // Draws slide Index (1-based) fitted into Out (at Out's size) with black
  // bars; an index outside the deck gives a black picture.
  void Render(int Index, TBitmap& Out) const;
 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

// Settings of one show (values as the automation members carry them).
struct TShowSettings {
  bool Loop = false;
  int AdvanceMode = 2;       // 1 manual, 2 slide timings, 3 rehearse
  int ShowType = 1;          // 1 speaker, 2 window, 3 kiosk
  int EntryEffect = -1;      // given to every slide; -1: each keeps its own
  std::vector<int> SlideEffects;   // each slide's own entry effect (none past the end)
  int Speed = 2;             // 3 fast, 2 medium, 1 slow, -2 mixed
  int AdvanceTime = 5;       // seconds
  bool AdvanceOnClick = true;
  bool AdvanceOnTime = true;
  int PointerType = 0;       // 0 none, 1 arrow, 2 pen, 3 always hidden, 4 auto arrow
};

class TSlideShowWindow {
 public:
  enum State { Running = 1, Paused = 2, Black = 3, White = 4, Done = 5 };
  TSlideShowWindow();
  ~TSlideShowWindow();
  TSlideShowWindow(const TSlideShowWindow&) = delete;
  TSlideShowWindow& operator=(const TSlideShowWindow&) = delete;
  HWND Handle() const;
  // Shows the deck (may be null: black) from slide 1 in state Running. A
  // hidden window appears when the program next waits for input (placed by
  // then); it counts as shown meanwhile.
  void Start(std::shared_ptr<const TSlideDeck> Deck, const TShowSettings& Settings);
  // Ends the show: the window turns black and hides (held: at its
  // release), the state is Done.
  void Exit();
  // The hold of LockWindowUpdate has ended.
  void Released();
  bool Active() const;
  int Count() const;
  // 1 .. Count, Count + 1 for the end screen.
  int Position() const;
  void GotoSlide(int Index);
  // One step on, as the timer or a click does.
  void Next();
  int GetState() const;
  void SetState(int S);
  void SetPointer(int PointerType);
  const TShowSettings& Settings() const;
  // When the current slide became due (steady ms), for measuring.
  int64_t ShownAt() const;
  // The picture the window shows now, at its size.
  void Picture(TBitmap& Out) const;
  TRect ScreenRect() const;

  // The transition last started: its entry effect (random resolved), its
  // frames and the display frame's length, the frame reached and its
  // progress (0..100).
  struct TTransitionState {
    int Effect = 0;
    int Frames = 0;
    double FrameMs = 0;
    int Frame = 0;
    int Progress = 0;
    bool Running = false;
  };
  const TTransitionState& Transition() const;
  // Display frames a second of the window's screen.
  double DisplayRate() const;
  // True when the slide that follows the current one is rendered ahead.
  bool FollowingReady() const;
  // Runs after each frame of a transition is drawn.
  std::function<void()> OnTransitionFrame;
  // Runs when the show ends by itself (a click on the end screen, Done).
  std::function<void()> OnEnded;
  // Runs after each change of slide.
  std::function<void()> OnSlideChanged;
 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

// The show window of a handle; null when the handle is none.
TSlideShowWindow* ShowWindowOf(HWND Wnd);

// The picture of a show window and its place on the screen (also while it
// is hidden); false when the handle is no show window with a running show.
bool GrabShowWindow(HWND Wnd, TRect& ScreenRect, TBitmap& Picture);
