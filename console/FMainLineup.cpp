// Line-up grid editing and import.
#include "console/FMain.h"
#include "grids/SortGrid.h"
#include "platform/Spreadsheet.h"

namespace {
// Width of a vertical scroll bar in the classic metrics.
constexpr int kVScrollWidth = 17;
}  // namespace

void TFormMain::SetupLineupGridHeader() {
  TSortGrid* g = sgSek_Sostav;
  if (!g) return;
  static const char* const titles[] = {"Nr.", "+", "Surname", "Name", "Birthday", "Growth/weight", "Card",
                                       "Position", "Photo"};
  if (g->ColCount() < 9) g->SetColCount(9);
  for (int c = 0; c < 9; ++c) g->SetCells(c, 0, titles[c]);
  static const std::pair<int, int> widths[] = {{1, 17}, {3, 88}, {4, 78}, {5, 68}, {6, 30}, {7, 106}, {8, 96}};
  for (auto [col, w] : widths) g->SetColWidths(col, w);
  // Column 2 (surname) takes what the others leave of the grid's width.
  int others = 0;
  for (int c = 0; c < g->ColCount(); ++c)
    if (c != 2) others += g->ColWidths(c);
  const int rest = g->Width() - others - 2 * g->GridLineWidth() * g->ColCount() - kVScrollWidth;
  g->SetColWidths(2, std::max(rest, 0));
}

// ---------------------------------------------------------------------------
// Import from a spreadsheet
// ---------------------------------------------------------------------------

void TFormMain::bSek_LoadClick(TObject* /*Sender*/) {
  if (OpenXlsDialog1->Execute()) ImportLineupFromExcel(OpenXlsDialog1->FileName);
}

void TFormMain::ImportLineupFromExcel(const String& FileName) {
  TSheetRows sheet;
  try {
    sheet = ReadFirstWorksheet(FileName);
  } catch (const std::exception& e) {
    ShowMessageDlg(e.what(), mtError, {mbOK});
    return;
  }
  // The leading rows whose number (column 2) is filled: the sheet's titles,
  // then one row per player.
  int n = 0;
  while (size_t(n) < sheet.size() && sheet[size_t(n)].size() > 1 && !Trim(sheet[size_t(n)][1]).empty()) ++n;
  if (n < 2) {
    ShowMessageDlg("Error file " + FileName + ": no player rows (the number column is empty)", mtError, {mbOK});
    return;
  }
  TSortGrid* g = sgSek_Sostav;
  const int cols = g->ColCount();
  // The import does not mark the team modified (the grid's count changes
  // would).
  const bool saveWas = bSek_Save->Enabled(), modifiedWas = g->Modified();
  // Every row the import writes starts empty, and no row of the previous team
  // stays behind the new count (the grid keeps cells beyond it).
  for (int r = 0; r < std::max(g->RowCount(), n); ++r)
    for (int c = 0; c < cols; ++c) g->SetCells(c, r, "");
  g->SetRowCount(n);
  for (int r = 0; r < n; ++r) {
    const auto& row = sheet[size_t(r)];
    for (size_t c = 0; c < ExcelColumnMap.size() && c < row.size(); ++c)
      if (ExcelColumnMap[c] < cols) g->SetCells(ExcelColumnMap[c], r, row[c]);
  }
  if (g->Modified() != modifiedWas) g->SetModified(modifiedWas);
  bSek_Save->SetEnabled(saveWas);
}
