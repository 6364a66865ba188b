#pragma once
// Diagnostics of the program, one category a layer: "tablo.toolkit",
// "tablo.office", "tablo.web", "tablo.flash", "tablo.console".
// Qt's logging categories carry them (QLoggingCategory), so the system's own
// code names a category here and never touches Qt.
//  - LogNote: what a developer looks for (a trace, a bound that cut a read, a
//    movie the player refused): quiet unless QT_LOGGING_RULES enables it,
//    e.g. QT_LOGGING_RULES="tablo.*=true" or "tablo.flash.info=true".
//  - LogFailure: what the operator must learn and nothing else shows (a
//    failure with no box to show it in, a missing player file): on the error
//    output by default, as "<category>: <text>".
#include "toolkit/SysUtils.h"

void LogNote(const char* Category, const String& Text);
void LogFailure(const char* Category, const String& Text);
// Whether notes of Category are enabled (to skip building a costly text).
bool LogNotesOn(const char* Category);
