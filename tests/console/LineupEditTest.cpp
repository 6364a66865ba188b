// Editing the line-up in the secretary's grid: edit mode, row moves and
// deletes, paste, positions, photos, printing and its preview.
#include <filesystem>

#include "ConsoleFixture.h"
#include "toolkit/ToolkitTestUtil.h"
#include "console/FPP.h"
#include "controls/Led.h"
#include "grids/SortGrid.h"
#include "toolkit/Clipbrd.h"
#include "toolkit/Printers.h"

class LineupEditTest : public ConsoleFixture {
 protected:
  // n numbered data rows and the empty last row.
  TSortGrid* Team(TFormMain* f, int n) {
    TSortGrid* g = f->sgSek_Sostav;
    g->SetRowCount(n + 2);
    for (int r = 1; r <= n; ++r) g->SetCells(0, r, IntToStr(int64_t(r)));
    g->Rows(n + 1)->Clear();
    return g;
  }
  void AltKey(TFormMain* f, uint16_t key) {
    uint16_t k = key;
    f->sgSek_SostavKeyDown(f->sgSek_Sostav, k, TShiftState{ssAlt});
  }
};

TEST_F(LineupEditTest, LampSwitchesBetweenRowSelectionAndEditing) {
  TFormMain* f = Create();
  TSortGrid* g = Team(f, 3);
  g->SetRow(2);
  f->LedSek_EditOn->SetValue(true);
  EXPECT_TRUE(g->Options().Contains(goEditing));
  EXPECT_FALSE(g->Options().Contains(goRowSelect));
  EXPECT_EQ(g->Col(), 2);
  EXPECT_EQ(g->Row(), 2);
  char32_t enter = 13;
  f->sgSek_SostavKeyPress(g, enter);   // Enter ends the edit mode
  EXPECT_FALSE(f->LedSek_EditOn->Value());
  EXPECT_TRUE(g->Options().Contains(goRowSelect));
  EXPECT_FALSE(g->Options().Contains(goEditing));
  f->bSek_New->Click();                // a new team starts in edit mode
  EXPECT_TRUE(f->LedSek_EditOn->Value());
}

TEST_F(LineupEditTest, AltArrowsMoveRowsWithinTheDataRows) {
  TFormMain* f = Create();
  TSortGrid* g = Team(f, 3);   // rows 1..3 and the empty row 4
  g->SetRow(1);
  AltKey(f, 38);               // Alt+Up on the first data row: nothing
  EXPECT_EQ(g->Cells(0, 1), "1");
  AltKey(f, 40);
  EXPECT_EQ(g->Cells(0, 1), "2");
  EXPECT_EQ(g->Cells(0, 2), "1");
  EXPECT_EQ(g->Row(), 2);      // the current cell goes with the row
  g->SetRow(g->RowCount() - 1);
  AltKey(f, 40);               // Alt+Down on the last row: nothing
  EXPECT_EQ(g->Row(), g->RowCount() - 1);
}

TEST_F(LineupEditTest, DeleteKeepsTheTitleRowAndTheLastDataRow) {
  TFormMain* f = Create();
  TSortGrid* g = f->sgSek_Sostav;
  g->SetRowCount(2);
  g->SetCells(0, 1, "9");
  g->SetRow(1);
  f->mIgrokDelete->Click();
  EXPECT_EQ(g->RowCount(), 2);
  EXPECT_EQ(g->Cells(0, 1), "9");
  Team(f, 3);
  g->SetRow(2);
  f->mIgrokDelete->Click();
  EXPECT_EQ(g->Cells(0, 2), "3");
  for (int r = 0; r < g->RowCount(); ++r) EXPECT_NE(g->Cells(0, r), "2");
}

TEST_F(LineupEditTest, PasteFillsDownAndAppendsOnlyTheRowsItNeeds) {
  TFormMain* f = Create();
  TSortGrid* g = Team(f, 4);   // 6 rows: titles, 1..4, empty
  f->LedSek_EditOn->SetValue(true);
  g->SetRow(5);
  g->SetCol(2);
  Clipboard()->SetAsText("Smith\nJones\nBrown");
  f->PastefromTableClick(nullptr);
  EXPECT_EQ(g->Cells(2, 5), "Smith");
  EXPECT_EQ(g->Cells(2, 7), "Brown");
  EXPECT_EQ(g->Cells(0, 7), "");   // an appended row starts empty
  EXPECT_EQ(g->Row(), 5);
  EXPECT_TRUE(f->bSek_Save->Enabled());
  Clipboard()->SetAsText("x");
  f->PopupMenu2Popup(nullptr);
  EXPECT_TRUE(f->PastefromTable->Enabled());
}

TEST_F(LineupEditTest, PositionsComeFromTheFixedListWithoutAFile) {
  TFormMain* f = Create();
  TSortGrid* g = Team(f, 1);
  f->LedSek_EditOn->SetValue(true);
  TStringList items;
  TStringList* p = &items;
  int w = 0, h = 0;
  bool sorted = false;
  f->sgSek_SostavGetComboBox(g, 7, 1, p, w, h, sorted);
  EXPECT_EQ(items.Text(), "President\nTrainer\nGoalkeeper\nDefender\nHalfback\nAttacking\n");
  TFormatOptions fo;
  bool ck = false, cb = false, el = false;
  f->sgSek_SostavGetCellFormat(g, 1, 1, {}, fo, ck, cb, el);
  EXPECT_TRUE(ck);
  f->sgSek_SostavGetCellFormat(g, 7, 1, {}, fo, ck, cb, el);
  EXPECT_TRUE(cb);
  EXPECT_FALSE(ck);
  // Ticks read as the team file reads them.
  for (auto [text, ticked] : {std::pair{"+", true}, {"Y", true}, {"1", true}, {"014", false}, {"", false}}) {
    g->SetCells(1, 1, text);
    EXPECT_EQ(g->GetChecked(1, 1), ticked) << text;
  }
}

TEST_F(LineupEditTest, PhotoNoteShowsThePictureSize) {
  TFormMain* f = Create();
  TSortGrid* g = Team(f, 2);
  f->TeamSlots[0].Name = "Club";
  std::filesystem::create_directories(app_ + "Teams/Club");
  TBitmap photo(30, 40);
  photo.SaveToFile(app_ + "Teams/Club/p.bmp");
  g->SetCells(8, 1, "p.bmp");
  g->SetCells(8, 2, "missing.jpg");
  bool can = true;
  f->sgSek_SostavSelectCell(g, 3, 2, can);
  EXPECT_EQ(f->Sek_ImageNote->Caption(), "0x0");
  f->sgSek_SostavSelectCell(g, 3, 1, can);
  EXPECT_EQ(f->Sek_ImageNote->Caption(), "30x40");
  EXPECT_EQ(f->LabSek_Sostav->Caption(), "-> 1/" + IntToStr(int64_t(g->RowCount() - 1)));
  EXPECT_EQ(f->LabSek_Sostav->Tag(), 3);
}

namespace {
int Grey(TColor c) { return (int(c & 0xFF) + int((c >> 8) & 0xFF) + int((c >> 16) & 0xFF)) / 3; }
// The runs of dark pixels down column X of B.
int DarkRunsDown(TBitmap& B, int X) {
  int runs = 0;
  bool in = false;
  for (int y = 0; y < B.Height(); ++y) {
    const bool dark = Grey(B.Canvas()->Pixel(X, y)) < 128;
    runs += dark && !in;
    in = dark;
  }
  return runs;
}
}  // namespace

TEST_F(LineupEditTest, PrintPreviewDrawsTheWholePageAtTheSizeItIsShown) {
  TFormMain* f = Create();
  Team(f, 3);
  TFormPP pp(nullptr);
  TPrinter* pr = Printer();
  pr->SetPrinterIndex(pr->Printers()->IndexOf("PDF file"));
  CommonDialogHook = [](TCommonDialog*) { return true; };
  clickAt(f->bPrint, f->bPrint->Width() / 2, f->bPrint->Height() / 2);
  CommonDialogHook = nullptr;
  EXPECT_TRUE(pp.Visible());
  EXPECT_EQ(f->sgSek_Sostav->PrintOptions()->ToRow, unsigned(f->sgSek_Sostav->RowCount() - 1));
  EXPECT_EQ(f->sgSek_Sostav->PrintOptions()->JobTitle, Application->Title() + ": Report");
  // 600 dpi over the 96-ppi screen: r = 6; two thirds of the page.
  const int r = pr->XPixelsPerInch() / 96;
  EXPECT_EQ(PreviewWidth, pr->PageWidth() / r / 3 * 2);
  EXPECT_EQ(PreviewHeight, pr->PageHeight() / r / 3 * 2);
  EXPECT_EQ(pp.ClientWidth(), PreviewWidth);
  // The picture is the shown area itself: nothing is stretched.
  EXPECT_EQ(pp.Image1->Picture()->Width(), pp.Image1->Width());
  EXPECT_EQ(pp.Image1->Picture()->Height(), pp.Image1->Height());
  // As the operator sees it: every row line is there, and the footer at the
  // page's bottom.
  TBitmap shown(pp.Image1->Width(), pp.Image1->Height());
  pp.Image1->PaintTo(shown.Canvas(), 0, 0);
  EXPECT_EQ(DarkRunsDown(shown, 31), f->sgSek_Sostav->RowCount() + 1);
  int footer = 0;
  for (int y = shown.Height() * 9 / 10; y < shown.Height(); ++y)
    for (int x = shown.Width() / 2; x < shown.Width(); ++x) footer += Grey(shown.Canvas()->Pixel(x, y)) < 128;
  EXPECT_GT(footer, 10);
  pp.Hide();
}

TEST_F(LineupEditTest, ThePrintFitsTheColumnsToThePageWidth) {
  TFormMain* f = Create();
  TSortGrid* g = Team(f, 3);
  g->SetCells(7, 1, "Goalkeeper");
  g->AutoSizeColumns(false);   // as a loaded team: each column just holds its widest text
  TFormPP pp(nullptr);
  TPrinter* pr = Printer();
  pr->SetPrinterIndex(pr->Printers()->IndexOf("PDF file"));
  pr->FileName = root_ + "/lineup.pdf";
  CommonDialogHook = [](TCommonDialog*) { return true; };
  clickAt(f->bPrint, f->bPrint->Width() / 2, f->bPrint->Height() / 2);
  CommonDialogHook = nullptr;
  clickAt(pp.Button1, pp.Button1->Width() / 2, pp.Button1->Height() / 2);
  pr->FileName.clear();
  ASSERT_TRUE(FileExists(root_ + "/lineup.pdf"));
  ASSERT_EQ(std::system(("pdftoppm -r 50 -png -singlefile '" + root_ + "/lineup.pdf' '" + root_ + "/page'").c_str()), 0);
  TBitmap page;
  page.LoadFromFile(root_ + "/page.png");
  // The header row's lines run from the left margin to the right one.
  int right = -1;
  for (int y = 0; y < page.Height() / 4; ++y)
    for (int x = 0; x < page.Width(); ++x)
      if (Grey(page.Canvas()->Pixel(x, y)) < 128) right = std::max(right, x);
  EXPECT_GT(right, page.Width() * 97 / 100);
  EXPECT_LT(right, page.Width());
}
