// Importing a line-up from a spreadsheet into the editor's grid.
#include "ConsoleFixture.h"
#include "grids/SortGrid.h"

class LineupImportTest : public ConsoleFixture {
 protected:
  // A previous team: every column filled on six rows.
  void FillOldTeam(TSortGrid* g) {
    g->SetRowCount(6);
    for (int r = 1; r < 6; ++r)
      for (int c = 0; c < 9; ++c) g->SetCells(c, r, "old" + IntToStr(int64_t(r * 10 + c)));
  }
  const String fixture_ = String(TABLO_TEST_DATA) + "/lineup.xls";
};

TEST_F(LineupImportTest, SheetRowsUpToTheFirstEmptyNumberReplaceTheTeam) {
  TFormMain* f = Create();
  TSortGrid* g = f->sgSek_Sostav;
  FillOldTeam(g);
  f->bSek_Save->SetEnabled(false);
  f->ImportLineupFromExcel(fixture_);
  ASSERT_EQ(g->RowCount(), 3);   // titles and two players: row 4 has no number
  const char* titles[9] = {"Nr.", "+", "Surname", "", "", "", "", "Position", "Photo"};
  const char* first[9] = {"7", "1", "Иванов", "", "", "", "", "Goalkeeper", "ivanov.jpg"};
  for (int c = 0; c < 9; ++c) {
    EXPECT_EQ(g->Cells(c, 0), titles[c]) << c;
    EXPECT_EQ(g->Cells(c, 1), first[c]) << c;   // nothing of the old player stays
  }
  EXPECT_EQ(g->Cells(0, 2), "1" + String(1, FormatSettings.DecimalSeparator) + "5");
  g->SetRowCount(6);   // rows of the old team do not come back
  for (int r = 3; r < 6; ++r) EXPECT_TRUE(g->IsRowEmpty(r)) << r;
  EXPECT_FALSE(f->bSek_Save->Enabled());   // the import does not mark the team modified
}

TEST_F(LineupImportTest, BadFileOrSheetWithoutPlayersKeepsTheGrid) {
  TFormMain* f = Create();
  TSortGrid* g = f->sgSek_Sostav;
  FillOldTeam(g);
  WriteFile("broken.xls", "not a workbook");
  f->ImportLineupFromExcel(app_ + "broken.xls");
  ASSERT_FALSE(requests_.empty());
  EXPECT_EQ(requests_.back().Msg.rfind("Error file " + app_ + "broken.xls", 0), 0u);
  EXPECT_EQ(g->RowCount(), 6);
  EXPECT_EQ(g->Cells(3, 2), "old23");
}
