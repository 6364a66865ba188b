#pragma once
// Reading a spreadsheet's first worksheet (in workbook order) as rows of
// cell texts, the way the sheet shows them: numbers in their shortest form
// with the toolkit's decimal separator ("7", "1.5"), true and false as "1"
// and "0", dates and times as the toolkit's date and time texts, error
// values and empty cells as "". Rows are padded to the columns read.
// ".xls" (binary workbooks) and ".xlsx" (zipped XML workbooks) are read,
// recognised by their first bytes; anything else, or a damaged file,
// raises Exception("Error file <name>: <reason>").
//
// Only what the caller can use is read (`TSheetBounds`: the first columns,
// the rows up to a stop rule, at most so many); a sheet that goes beyond is
// refused with the reason. The file is read in a reader process of its own
// (the program "tablo-sheet-reader" beside the executable) under a memory
// and a time limit, so that a file that crashes, hangs or exhausts the
// reader leaves the console as it was: such a file is "not a readable
// workbook". The wait pumps the message queue (the screen keeps painting);
// a second read meanwhile is refused, and a closing program ends the wait.
#include <vector>

#include "toolkit/SysUtils.h"

using TSheetRows = std::vector<std::vector<String>>;

struct TSheetBounds {
  int Columns = 5;       // columns 1..Columns of the sheet
  int StopColumn = -1;   // 0-based; the first row whose cell here is blank ends the rows read (-1: none)
  int MaxRows = 1000;    // more rows than this are refused
};

TSheetRows ReadFirstWorksheet(const String& FileName, const TSheetBounds& Bounds = {});

// The reader process and its limits. The program defaults to
// "tablo-sheet-reader" in the executable's folder; tests point it elsewhere.
struct TSpreadsheetReader {
  static String Program;
  static int TimeLimitSeconds;       // wall-clock time of one read
  static int MemoryLimitMegabytes;   // the reader's address space
};
