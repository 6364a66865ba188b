#include "ConsoleFixture.h"
#include "grids/SortGrid.h"
#include "OperatorHands.h"

using LineupHeaderTest = ConsoleFixture;

TEST_F(LineupHeaderTest, TitlesAndWidthsAndSurnameTakesTheRest) {
  TFormMain* f = Create();
  TSortGrid* g = f->sgSek_Sostav;
  ASSERT_NE(g, nullptr);
  const char* titles[] = {"Nr.", "+", "Surname", "Name", "Birthday", "Growth/weight", "Card", "Position", "Photo"};
  for (int c = 0; c < 9; ++c) EXPECT_EQ(g->Cells(c, 0), titles[c]) << c;
  EXPECT_EQ(g->ColWidths(1), 17);
  EXPECT_EQ(g->ColWidths(7), 106);
  int total = 0;
  for (int c = 0; c < g->ColCount(); ++c) total += g->ColWidths(c);
  // every column plus two grid lines each plus a vertical scroll bar fill the grid exactly
  EXPECT_EQ(total + 2 * g->GridLineWidth() * g->ColCount() + 17, g->Width());
  // a new team keeps the header
  f->bSek_New->Click();
  EXPECT_EQ(g->Cells(2, 0), "Surname");
  EXPECT_TRUE(g->IsRowEmpty(1));
}

// At first start, shown and laid out, "Surname" holds the spare width and
// the other columns keep their designed widths; "New" keeps them all.
TEST_F(LineupHeaderTest, ShownWindowAndNewKeepTheDesignedWidths) {
  TFormMain* f = Create();
  f->Show();
  hands::ChooseSheet(f->Sheet_Sek);
  TSortGrid* g = f->sgSek_Sostav;
  auto expectDesigned = [&](const char* when) {
    const std::pair<int, int> designed[] = {{1, 17}, {3, 88}, {4, 78}, {5, 68}, {6, 30}, {7, 106}, {8, 96}};
    for (auto [col, w] : designed) EXPECT_EQ(g->ColWidths(col), w) << when << " column " << col;
    int total = 0;
    for (int c = 0; c < g->ColCount(); ++c) total += g->ColWidths(c);
    EXPECT_EQ(total + 2 * g->GridLineWidth() * g->ColCount() + 17, g->Width()) << when;
  };
  expectDesigned("shown");
  hands::Click(f->bSek_New);
  expectDesigned("after New");
}
