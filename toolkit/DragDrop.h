#pragma once
// A drag of a control inside the program: started by BeginDrag (at once),
// ended by EndDrag when the mouse button is released. One drag at a time;
// a control that starts one ends it before it goes away.
#include <functional>

class TControl;

void BeginDrag(TControl* Control);
// Ends the running drag (nothing when none runs).
void EndDrag();
// The control being dragged, or null.
TControl* DragControl();
// Told when a drag starts (the line-up window listens for dragged rows).
extern std::function<void(TControl* Control)> DragStartedHook;
