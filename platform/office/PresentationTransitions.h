#pragma once
// Each slide's own entry effect, read from the presentation file, as the
// presentation program's PpEntryEffect constants (SlideTransition.h): from
// the slides' transition elements of a ".pptx", from the slides' SMIL
// transitions of an OpenDocument presentation (".odp" or flat XML), and for
// a binary ".ppt"/".pps" from the office suite's conversion of it to ".odp"
// (cached like the slides). A slide without a transition gets None. A
// transition with no counterpart among the 47 is given as Fade and logged
// once per kind.
#include <vector>
#include "toolkit/SysUtils.h"

// Raises EOfficeError when the file cannot be read.
std::vector<int> ReadSlideTransitions(const String& FileName);
