// Line-up grid editing and import.
#include "console/FMain.h"
#include "grids/SortGrid.h"

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
