#pragma once
// Records and tables shared by the console's units: the team records held in
// memory, the character-set table and the page index type.
#include <array>
#include <cstdint>
#include "toolkit/Graphics.h"

// One person of a line-up; stored in the team file under the letter keys.
struct TPlayerRec {
  int32_t Nr = 0;   // shirt number 1..101; 100 and 101 are the staff entries
  int32_t Y = 0;    // bit 0: in the match line-up
  String F;         // surname
  String I;         // first name
  String P;         // photo file, relative to the team folder
  String B;         // birthday, free text
  String R;         // growth/weight, free text
  String A;         // position
  String K;         // card count as decimal text
};

constexpr int TeamPlayerCount = 101;

// One team held by the console: 0 the team in the editor, 1 side one, 2 side two.
struct TTeamSlot {
  String Name;      // folder name: long name + " (" + town + ")"
  String LName;     // long (display) name
  String SName;     // short name
  String Town;
  String Logo;      // logo file, relative to the team folder
  // The persons in number order from index 0 up, no gaps; the records after
  // the last one are zeroed.
  std::array<TPlayerRec, TeamPlayerCount> Players{};
};

// Index of a tab of the console's display-page control: 0 the command tab,
// 1..11 the pages.
using TTabloPageIndex = int32_t;

struct TCharsetEntry {
  TFontCharset Code;
  const char* Name;
  // The Windows code page that legacy 8-bit text files (not UTF-8) of this
  // character set are read with; the default set reads Windows-1251.
  const char* CodePage;
};

constexpr int CharsetCount = 18;
extern const std::array<TCharsetEntry, CharsetCount> CharsetTable;
