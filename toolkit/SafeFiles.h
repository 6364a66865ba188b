#pragma once
// Files the operator names, read safely, and what an interrupted save leaves.
//
// Reading a file the operator names (a picture, a layout, a play list, a
// text list, a team file, a document): only a regular file opens, checked
// on the opened descriptor, which is opened without blocking, so a FIFO or a
// device under a picture's or a list's name is refused at once instead of
// hanging or streaming without end; and no more than a bound that fits the
// file's format is read.
#include <cstddef>
#include <string>

#include "toolkit/SysUtils.h"

TK_EXCEPTION(EFileTooLarge, EFOpenError)

// The whole file; raises EFOpenError (not there, not a regular file, a read
// error) or EFileTooLarge (more than maxBytes).
std::string ReadFileBytes(const String& fileName, size_t maxBytes);

// What a text file (list, team, layout, settings) may hold.
constexpr size_t MaxTextFileBytes = size_t(32) << 20;

// A whole-file save writes its data under a temporary name beside the file
// ("<name>.XXXXXX", six random letters) and renames it over the file; a
// kill between the two leaves that copy. Removes, in one folder, the files
// of that form (both letter cases in the six, so that an extension such as
// ".backup" is never taken for one) whose file exists beside them and that are older than
// MinAgeSeconds (a save of another running program is left alone). Returns
// how many were removed.
int RemoveSaveLeftovers(const String& Folder, int MinAgeSeconds = 30);
