#pragma once
// The slide show of this system: a converted presentation (its PDF pages)
// and the window that shows it. The window is frameless, stays on top and is
// never activated (the console keeps the keyboard); it fits each slide into
// its area with black bars. Slides advance after AdvanceTime seconds when
// timed advance is on and the show is not in manual mode, and on a click
// when that is allowed; a looped show wraps, otherwise the last slide is
// followed by a black end screen at position count + 1. Entry effects are
// kept with the settings but every change of slide is drawn as a cut.
//
// Top-level windows are reached by handle as on the desktop platform the
// console was written for: FindWindow by class name ("screenClass" is the
// show window) and SetWindowPos to place one.
#include <cstdint>
#include <functional>
#include <memory>
#include "toolkit/Graphics.h"
#include "toolkit/SysUtils.h"

using HWND = uintptr_t;
inline const HWND HWND_TOP = 0;
inline const HWND HWND_TOPMOST = HWND(-1);
inline constexpr unsigned SWP_NOSIZE = 0x0001, SWP_NOMOVE = 0x0002, SWP_NOZORDER = 0x0004,
                          SWP_NOACTIVATE = 0x0010;
// The class name of the show window.
inline constexpr const char* SlideShowWindowClass = "screenClass";

// The newest visible top-level window of ClassName (0 when none).
HWND FindWindow(const String& ClassName);
// Moves and sizes a window (unless SWP_NOMOVE / SWP_NOSIZE); HWND_TOPMOST
// or HWND_TOP raises it. Never activates it. False for an unknown handle.
bool SetWindowPos(HWND Wnd, HWND InsertAfter, int X, int Y, int Cx, int Cy, unsigned Flags);
// The window's place on the screen; false for an unknown handle.
bool GetWindowRect(HWND Wnd, TRect& R);
// Shows or hides a window without activating it; a show window whose show
// has ended is not shown again. False for an unknown handle.
bool ShowWindow(HWND Wnd, bool Visible);

// A presentation converted to PDF: its slides, rendered on demand.
class TSlideDeck {
 public:
  // Loads the PDF; EOfficeError when it cannot be read or has no page.
  explicit TSlideDeck(const String& PdfFile);
  ~TSlideDeck();
  int Count() const;
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
  int EntryEffect = 0;       // kept; drawn as a cut
  int Speed = 2;
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
  // Shows the deck (may be null: black) from slide 1 in state Running.
  void Start(std::shared_ptr<const TSlideDeck> Deck, const TShowSettings& Settings);
  // Ends the show: the window hides, the state is Done.
  void Exit();
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
  // Runs when the show ends by itself (a click on the end screen, Done).
  std::function<void()> OnEnded;
  // Runs after each change of slide.
  std::function<void()> OnSlideChanged;
 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

// The picture of a show window and its place on the screen (also while it
// is hidden); false when the handle is no show window with a running show.
bool GrabShowWindow(HWND Wnd, TRect& ScreenRect, TBitmap& Picture);
