#pragma once
// Each slide's own entry effect, read from the presentation file, as the
// presentation program's PpEntryEffect constants (SlideTransition.h): from
// the slides' transition elements of a ".pptx", from the slides' SMIL
// transitions of an OpenDocument presentation (".odp" or flat XML), and for
// a binary ".ppt"/".pps" from the office suite's conversion of it to ".odp"
// (cached like the slides). A slide without a transition gets None. A
// transition with no counterpart among the 47 is given as Fade and logged
// once per kind.
//
// The file is read piece by piece and only as far as bounds far beyond any
// real slide (a small package may inflate to gigabytes): what lies past them
// keeps no transition of its own (and is logged). It may run on a thread of
// its own; Stop, when given and set, ends the reading with EAbort. A binary
// deck's conversion runs the office suite: give its ".odp" copy instead
// (TOfficeConverter::ToOdp, on the main thread).
#include <atomic>
#include <vector>
#include "toolkit/SysUtils.h"

// Raises EOfficeError when the file cannot be read.
std::vector<int> ReadSlideTransitions(const String& FileName, const std::atomic<bool>* Stop = nullptr);
