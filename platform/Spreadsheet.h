#pragma once
// Reading a spreadsheet's first worksheet (in workbook order) as rows of
// cell texts, the way the sheet shows them: numbers in their shortest form
// with the toolkit's decimal separator ("7", "1.5"), true and false as "1"
// and "0", dates and times as the toolkit's date and time texts, error
// values and empty cells as "". Rows are padded to the sheet's width.
// ".xls" (binary workbooks) and ".xlsx" (zipped XML workbooks) are read,
// recognised by their first bytes; anything else, or a damaged file,
// raises Exception("Error file <name>: <reason>").
#include <vector>

#include "toolkit/SysUtils.h"

using TSheetRows = std::vector<std::vector<String>>;

TSheetRows ReadFirstWorksheet(const String& FileName);
