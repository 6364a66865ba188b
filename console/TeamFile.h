#pragma once
// The team file: an ini file with the section "Name" (long name, short name,
// town, logo) and one section per person, named by the shirt number, with
// the keys "Y", "F", "I", "B", "R", "K", "A", "P".
//
// A team file is read in one pass (the file is parsed once) and written
// whole: the editor's rows are checked first, the complete text is built,
// and it replaces the old file only when it has been written completely.
#include <array>
#include <vector>
#include "console/ConsoleTypes.h"
#include "toolkit/SysUtils.h"

// A team file that cannot be written, or editor rows that cannot be stored.
TK_EXCEPTION(ETeamFileError, Exception)

// The columns of the line-up grid, in grid order.
enum TTeamColumn { tcNr, tcY, tcF, tcI, tcB, tcR, tcK, tcA, tcP, TeamColumnCount };
using TTeamRow = std::array<String, TeamColumnCount>;

// The "Name" section of a team file.
struct TTeamHeader {
  String LName, SName, Town, Logo;
};

// The check-box column: an empty cell is 0; a decimal integer is its value;
// any other text beginning with one of "+", "1", "V", "Y", "v", "y", or
// "true" (any case), is 1. False for a text that is none of these. Reading,
// drawing and saving use this one rule.
bool TryCheckCellValue(const String& Text, int& Value);
// True when the cell shows a tick: its value has bit 0 set. Drawing and
// saving use this one rule.
bool IsCheckedText(const String& Text);

// Why a team name or town cannot be part of a team folder's name, or the
// empty text when it can. What names the field in the message ("Team name",
// "Team town"). Refused: control characters, < > : " / \ | ? *, a dot at
// the beginning (such folders are not listed), and blanks at the beginning
// or end. Dots elsewhere ("St. Pauli") are fine.
String TeamNameProblem(const String& Text, const String& What);

// The text of a team file for a header and the editor's rows (Rows[k] is
// grid row k + 1; rows with an empty number cell are skipped). Raises
// ETeamFileError naming the grid row when
// a number cell is not an integer or a "Y" cell is not a valid check value.
String BuildTeamFileText(const TTeamHeader& Header, const std::vector<TTeamRow>& Rows);
// Checks and builds the text, then writes it through a temporary file that
// replaces FileName only when complete. Raises ETeamFileError for bad rows
// (nothing is written) and "Error file " + FileName when the write fails
// (the old file is kept).
void WriteTeamFile(const String& FileName, const TTeamHeader& Header, const std::vector<TTeamRow>& Rows);

// What one read of a team file gives.
struct TTeamFileData {
  TTeamHeader Header;   // Logo as stored, whether its file exists or not
  std::array<TPlayerRec, TeamPlayerCount> Players{};   // from index 0 up, no gaps; rest zeroed
  int PlayerCount = 0;
  std::vector<TTeamRow> Rows;   // the same persons as the editor shows them (texts as stored)
};

// Reads a team file once. Persons are the sections "1" .. "101" (exactly
// these texts) whose "F" is not empty, in number order. A missing file gives
// empty texts and no persons; a file that exists but cannot be read raises
// EFOpenError.
TTeamFileData ReadTeamFile(const String& FileName);

// The team's pictures (the logo, the photos) live in its folder and the
// team file names them relative to it. A picture chosen outside the folder
// (or named by an imported sheet) is held by its full path until the team
// is saved; the save copies it in.
//
// The name a chosen picture is held by: its bare name when it lies in the
// team's folder TeamFolder (empty for a team not saved yet), else its full
// path.
String ChosenTeamPicture(const String& File, const String& TeamFolder);
// The file a held picture name means: a full path as it is, else the name in
// TeamFolder (the empty text for a bare name without a folder).
String TeamPictureFile(const String& Name, const String& TeamFolder);
// Places the picture a held name means in the folder Folder of the team
// being saved (From: the folder the team was read from, empty for a new
// team) and returns the name to store: Name itself when it already
// resolves in Folder or when it means no file; else the file is copied into
// Folder under its own name, or, where a different file has that name, under
// the first free "name (2).ext", "name (3).ext", ...: never over another
// file. The files copied are added to Copied. Raises ETeamFileError
// ("Error file " + the picture) when a copy cannot be read or written.
String PlaceTeamPicture(const String& Name, const String& From, const String& Folder, std::vector<String>& Copied);
// The name a photo cell of an imported sheet is held by: a name that means
// a file beside the sheet (SheetFolder) or a full path of a file is held as
// chosen (ChosenTeamPicture); any other text stays as the sheet wrote it.
String SheetTeamPicture(const String& Cell, const String& SheetFolder, const String& TeamFolder);
