// Line-up grid editing and import.
#include "console/FMain.h"
#include "console/TeamFile.h"
#include "grids/SortGrid.h"
#include "platform/Spreadsheet.h"
#include "console/FPP.h"
#include "controls/Led.h"
#include "toolkit/Clipbrd.h"
#include "toolkit/Printers.h"

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
  SetLineupDesignWidths();
}

void TFormMain::SetLineupDesignWidths() {
  TSortGrid* g = sgSek_Sostav;
  if (!g || g->ColCount() < 9) return;
  static const std::pair<int, int> widths[] = {{1, 17}, {3, 88}, {4, 78}, {5, 68}, {6, 30}, {7, 106}, {8, 96}};
  // Column 2 (surname) takes what the others leave of the grid's width.
  int others = 0;
  for (int c = 0; c < g->ColCount(); ++c) {
    if (c == 2) continue;
    int w = g->ColWidths(c);
    for (auto [col, designed] : widths)
      if (col == c) w = designed;
    others += w;
  }
  const int rest = std::max(g->Width() - others - 2 * g->GridLineWidth() * g->ColCount() - kVScrollWidth, 0);
  // A width change can make a scroll bar come or go, and the grid's resize
  // then stretches its last column over the free width: the widths are set
  // again until they all hold.
  for (int pass = 0; pass < 4; ++pass) {
    bool held = g->ColWidths(2) == rest;
    for (auto [col, w] : widths) held = held && g->ColWidths(col) == w;
    if (held) break;
    g->SetColWidths(2, rest);
    for (auto [col, w] : widths) g->SetColWidths(col, w);
  }
}

// ---------------------------------------------------------------------------
// Import from a spreadsheet
// ---------------------------------------------------------------------------

void TFormMain::bSek_LoadClick(TObject* /*Sender*/) {
  if (OpenXlsDialog1->Execute()) ImportLineupFromExcel(OpenXlsDialog1->FileName);
}

void TFormMain::ImportLineupFromExcel(const String& File) {
  // The name is kept: the read waits, and what runs meanwhile may change
  // where it came from (the dialog's FileName at a second import).
  const String FileName = File;
  TSheetRows sheet;
  try {
    // Only the columns the map takes, up to the first row without a number.
    TSheetBounds bounds;
    bounds.Columns = int(ExcelColumnMap.size());
    bounds.StopColumn = 1;
    sheet = ReadFirstWorksheet(FileName, bounds);
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
  // Every player row starts empty, and no row of the previous team stays
  // behind the new count (the grid keeps cells beyond it). The title row
  // keeps the titles of the columns the sheet does not fill.
  for (int r = 1; r < std::max(g->RowCount(), n); ++r)
    for (int c = 0; c < cols; ++c) g->SetCells(c, r, "");
  g->SetRowCount(n);
  for (int r = 0; r < n; ++r) {
    const auto& row = sheet[size_t(r)];
    for (size_t c = 0; c < ExcelColumnMap.size() && c < row.size(); ++c)
      if (ExcelColumnMap[c] < cols) g->SetCells(ExcelColumnMap[c], r, row[c]);
  }
  // Photos the sheet names beside itself are held by their full path until
  // the team's save copies them into its folder.
  const String sheetFolder = ExtractFilePath(ExpandFileName(FileName));
  for (int r = 1; r < n; ++r)
    g->SetCells(tcP, r, SheetTeamPicture(g->Cells(tcP, r), sheetFolder, EditorTeamFolder()));
  if (g->Modified() != modifiedWas) g->SetModified(modifiedWas);
  bSek_Save->SetEnabled(saveWas);
}

// ---------------------------------------------------------------------------
// Cells, edit mode, rows
// ---------------------------------------------------------------------------

namespace {
constexpr int ColCheck = 1, ColSurname = 2, ColPosition = 7, ColPhoto = 8;
const char* const FixedPositions[] = {"President", "Trainer", "Goalkeeper", "Defender", "Halfback", "Attacking"};
}  // namespace

void TFormMain::sgSek_SostavGetCellFormat(TObject* /*Sender*/, int Col, int Row, TGridDrawState /*State*/,
                                          TFormatOptions& FormatOptions, bool& CheckBox, bool& Combobox,
                                          bool& /*Ellipsis*/) {
  if (Row > 0) {
    CheckBox = Col == ColCheck;
    Combobox = Col == ColPosition;
  } else if (FormatOptions.Font) {
    FormatOptions.Font->SetCharset(1);   // the default character set for the titles
  }
}

void TFormMain::sgSek_SostavGetComboBox(TObject* /*Sender*/, int /*ACol*/, int /*ARow*/, TStringList*& Strs,
                                        int& /*Width*/, int& /*Height*/, bool& Sorted) {
  if (!sgSek_Sostav->Options().Contains(goEditing) || !Strs) return;
  // The positions keep their own order (the file's, or the fixed one).
  Sorted = false;
  if (PositionList) {
    Strs->Assign(PositionList.get());
  } else {
    Strs->Clear();
    for (const char* p : FixedPositions) Strs->Add(p);
  }
}

void TFormMain::sgSek_SostavSetChecked(TObject* Sender, int, int, bool) { NadoSave(Sender); }

void TFormMain::sgSek_SostavSetComboBox(TObject* Sender, int, int, const String&) { NadoSave(Sender); }

void TFormMain::LedSek_EditOnChange(TObject* /*Sender*/) {
  TSortGrid* g = sgSek_Sostav;
  TGridOptions o = g->Options();
  if (LedSek_EditOn->Value()) {
    o.Exclude(goRowSelect);
    o.Include(goEditing);
    g->SetOptions(o);
    const int row = g->Row();
    g->SetSelection(MakeGridRect({ColSurname, row}, {ColSurname, row}));
  } else {
    o.Include(goRowSelect);
    o.Exclude(goEditing);
    g->SetOptions(o);
  }
}

void TFormMain::LedSek_EditOnClick(TObject* /*Sender*/) { LedSek_EditOn->SetValue(!LedSek_EditOn->Value()); }

void TFormMain::sgSek_SostavDblClick(TObject* /*Sender*/) {
  LedSek_EditOn->SetValue(true);
  // A double click on the current cell has opened its editor already: the
  // selection stays on the cell being edited.
  if (sgSek_Sostav->EditorMode()) return;
  const int row = sgSek_Sostav->Row();
  const int col = std::clamp(int(LabSek_Sostav->Tag()), 0, sgSek_Sostav->ColCount() - 1);
  sgSek_Sostav->SetSelection(MakeGridRect({col, row}, {col, row}));
}

void TFormMain::sgSek_SostavKeyPress(TObject* /*Sender*/, char32_t& Key) {
  if (Key == 13) LedSek_EditOn->SetValue(false);
}

void TFormMain::sgSek_SostavKeyDown(TObject* Sender, uint16_t& Key, TShiftState Shift) {
  TSortGrid* g = sgSek_Sostav;
  if (!g->EditorMode() && g->Options().Contains(goEditing)) g->SetEditorMode(true);
  if (!Shift.Contains(ssAlt)) return;
  const int row = g->Row(), col = g->Col();
  int to = -1;
  if (Key == 38 && row > 1) to = row - 1;                        // Alt+Up
  if (Key == 40 && row >= 1 && row < g->RowCount() - 1) to = row + 1;   // Alt+Down
  if (to < 0) return;
  g->MoveRow(row, to);
  g->SetRow(to);
  g->SetCol(col);
  Key = 0;
  NadoSave(Sender);
}

void TFormMain::sgSek_SostavSelectCell(TObject* /*Sender*/, int ACol, int ARow, bool& /*CanSelect*/) {
  LabSek_Sostav->SetCaption("-> " + IntToStr(int64_t(ARow)) + "/" + IntToStr(int64_t(sgSek_Sostav->RowCount() - 1)));
  LabSek_Sostav->SetTag(ACol);
  if (ARow == Sek_ImagePhoto->Tag()) return;
  ShowPlayerPhoto(ARow);
}

void TFormMain::ShowPlayerPhoto(int Row) {
  Sek_ImagePhoto->SetTag(Row);
  Sek_ImagePhoto->Picture()->Clear();
  const String photo = Row >= 1 && Row < sgSek_Sostav->RowCount() ? sgSek_Sostav->Cells(ColPhoto, Row) : String();
  if (!photo.empty()) {
    try {
      Sek_ImagePhoto->Picture()->LoadFromFile(TeamPictureFile(photo, EditorTeamFolder()));
    } catch (const std::exception&) {
      Sek_ImagePhoto->Picture()->Clear();
    }
  }
  Sek_ImageNote->SetCaption(IntToStr(int64_t(Sek_ImagePhoto->Picture()->Width())) + "x" +
                            IntToStr(int64_t(Sek_ImagePhoto->Picture()->Height())));
}

void TFormMain::Sek_ImagePhotoClick(TObject* Sender) {
  // The photo's own use of the shared picture dialog keeps only the file
  // name for next time.
  if (!ExecuteFileDialog(OpenPictureDialog1, DialogUses.Photo)) return;
  const String chosen = OpenPictureDialog1->FileName;
  try {
    Sek_ImagePhoto->Picture()->LoadFromFile(chosen);
  } catch (const std::exception&) {
    Sek_ImagePhoto->Picture()->Clear();
  }
  // Its name in the team's folder, or its full path until the save copies
  // it there.
  sgSek_Sostav->SetCells(ColPhoto, sgSek_Sostav->Row(), ChosenTeamPicture(chosen, EditorTeamFolder()));
  Sek_ImageNote->SetCaption(IntToStr(int64_t(Sek_ImagePhoto->Picture()->Width())) + "x" +
                            IntToStr(int64_t(Sek_ImagePhoto->Picture()->Height())));
  NadoSave(Sender);
}

void TFormMain::mIgrokDeleteClick(TObject* Sender) {
  // The title row and the last remaining data row stay.
  if (sgSek_Sostav->Row() < 1 || sgSek_Sostav->RowCount() < 3) return;
  sgSek_Sostav->DeleteRow(sgSek_Sostav->Row());
  NadoSave(Sender);
}

void TFormMain::bPrintClick(TObject* /*Sender*/) {
  if (!PrintDialog1->Execute()) return;
  TSortGrid* g = sgSek_Sostav;
  TPrintOptions* o = g->PrintOptions();
  // The line-up's columns fill the sheet's width (the screen's widths would
  // cut texts such as "Goalkeeper" on the page).
  o->FitToWidth = true;
  o->PreviewPage = unsigned(std::max(0, g->PageCount()));
  o->JobTitle = Application->Title() + ": Report";
  o->PageTitle = cbSek_Komands->Text();
  o->Copies = 1;
  o->FromRow = 1;
  o->ToRow = unsigned(std::max(1, g->RowCount() - 1));   // the last row that exists
  if (FormPP) FormPP->Show();
}

void TFormMain::PopupMenu2Popup(TObject* /*Sender*/) { PastefromTable->SetEnabled(Clipboard()->HasFormat(CF_TEXT)); }

void TFormMain::PastefromTableClick(TObject* /*Sender*/) {
  TSortGrid* g = sgSek_Sostav;
  TStringList lines;
  lines.SetText(Clipboard()->AsText());
  const int row = g->Row(), col = g->Col();
  for (int k = 0; k < lines.Count(); ++k) {
    const int r = row + k;
    if (r >= g->RowCount()) {
      g->SetRowCount(r + 1);
      g->Rows(r)->Clear();
    }
    g->SetCells(col, r, lines[k]);
  }
  bSek_Save->SetEnabled(true);
  g->SetRow(row);
  g->SetCol(col);
}
