#pragma once
// Small window services of the platform that controls rely on.
#include "toolkit/Controls.h"

// Locks the repainting of one window (only one window at a time, program
// wide): until UnlockWindowUpdate, the window shows what it showed and
// collects its repaints. Locking another window unlocks the first. Returns
// false when the control has no window.
bool LockWindowUpdate(TWinControl* c);
// Unlocks the locked window, which then repaints once.
void UnlockWindowUpdate();
// The window that is locked now (null when none).
TWinControl* LockedWindow();

// Longest time in milliseconds between two presses of a double click.
int GetDoubleClickTime();

// Posts a typed character to a control: it is handled after the events now
// waiting, as if typed into the control's window. Nothing happens when the
// control is gone by then.
void PostChar(TWinControl* c, char32_t ch);

// The mouse cursor's position on the screen, and a move of it there.
TPoint GetCursorPos();
void SetCursorPos(const TPoint& p);
// Confines the cursor to a screen rectangle: a move that would take it out
// puts it back at the rectangle's edge. An empty rectangle releases it, and
// so does the program losing the activation. CursorClip() is the rectangle
// in force (empty when none).
void ClipCursor(const TRect& r);
TRect CursorClip();
