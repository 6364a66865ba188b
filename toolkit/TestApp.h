#pragma once
// Start-up of the toolkit for test programs: one application object for the
// whole process (offscreen platform unless the environment chooses another).
#include <vector>

#include "toolkit/Types.h"

class TWinControl;

namespace TestApp {
void Init(int& argc, char** argv);
// Ends the application object (call at the end of main): its end also ends
// the browser engine, whose threads would otherwise still run while the
// program's own data is destroyed at exit.
void Finish();
// Drags the given addresses ("file:///...", "http://...") over the control at
// its centre and drops them, as the desktop would; true when the drag was
// accepted (and so dropped).
bool DropUrls(TWinControl* target, const std::vector<String>& urls);
}
