#pragma once
// File masks: the picture loader's mask and folder listings by masks.
// A mask text is a list of patterns separated by ';' ("*.jpg;*.avi");
// matching ignores letter case, so IMG_1.JPG matches "*.jpg".
#include <vector>
#include "toolkit/SysUtils.h"

// The file patterns of the picture formats that TPicture loads, in one mask
// text: "*.bmp;*.ico;*.jpg;*.jpeg;*.png;*.emf;*.wmf".
String GraphicFileMask();

// True when the file name (without folder) matches one of the masks.
bool MatchesMask(const String& fileName, const String& masks);

// The names (without folder) of the files of folder that match one of the
// masks, sorted by name without regard to letter case; folders are not
// listed. A missing or unreadable folder lists nothing. A name that is not
// UTF-8 is listed by its text (FileNameText), by which ResolveFileName
// finds the file again.
std::vector<String> ListFilesByMask(const String& folder, const String& masks);
