#include <gtest/gtest.h>
#include "grids/SortGrid.h"

TEST(SortGrid, CellsOutsideTheCountsAreKept) {
  TSortGrid g(nullptr);
  g.SetColCount(9);
  g.SetRowCount(3);
  g.SetCells(8, 2, "Photo.jpg");
  EXPECT_EQ(g.Cells(8, 2), "Photo.jpg");
  EXPECT_EQ(g.Cells(0, 0), "");
  EXPECT_EQ(g.Cells(20, 20), "");
  // a write beyond the counts is stored, not refused
  g.SetCells(9, 0, "x");
  EXPECT_EQ(g.Cells(9, 0), "x");
  // shrinking keeps the cells beyond the new size; growing shows them again
  g.SetRowCount(2);
  g.SetRowCount(3);
  EXPECT_EQ(g.Cells(8, 2), "Photo.jpg");
}

TEST(SortGrid, IsRowEmptyLooksAtEveryColumn) {
  TSortGrid g(nullptr);
  g.SetColCount(4);
  g.SetRowCount(3);
  EXPECT_TRUE(g.IsRowEmpty(1));
  g.SetCells(3, 1, "x");
  EXPECT_FALSE(g.IsRowEmpty(1));
  g.SetCells(3, 1, "");
  EXPECT_TRUE(g.IsRowEmpty(1));
}

TEST(SortGrid, ClearKeepsHeaderAndOneEmptyRow) {
  TSortGrid g(nullptr);
  g.SetColCount(3);
  g.SetRowCount(6);
  g.SetCells(0, 0, "Nr.");
  g.SetCells(1, 4, "Ivanov");
  g.SetRow(4);
  g.SetModified(true);
  g.Clear();
  EXPECT_EQ(g.RowCount(), 2);
  EXPECT_EQ(g.Row(), 1);
  EXPECT_EQ(g.Cells(0, 0), "Nr.");
  EXPECT_TRUE(g.IsRowEmpty(1));
  EXPECT_FALSE(g.Modified());
  g.SetRowCount(5);
  EXPECT_TRUE(g.IsRowEmpty(4));
}

TEST(SortGrid, ModifiedFiresOnModified) {
  TSortGrid g(nullptr);
  int fired = 0;
  g.OnModified = [&](TObject* s) { EXPECT_EQ(s, &g); ++fired; };
  g.SetModified(true);
  g.SetModified(false);
  EXPECT_EQ(fired, 1);
}

TEST(SortGrid, AutoSizeColumnsMeasuresOutsidePainting) {
  TSortGrid g(nullptr);
  g.SortOptions()->CanSort = false;   // no room for the arrow
  g.SetColCount(3);
  g.SetCells(1, 1, "A rather long surname for one column");
  g.SetColWidths(2, -1);   // hidden
  g.AutoSizeColumns(false);
  TCanvas* cv = g.Canvas();
  cv->Font()->Assign(g.Font());
  EXPECT_EQ(g.ColWidths(1), cv->TextWidth("X") + cv->TextWidth("A rather long surname for one column"));
  EXPECT_EQ(g.ColWidths(0), cv->TextWidth("xx"));   // nothing to show
  EXPECT_EQ(g.ColWidths(2), -1);                     // stays hidden without Force
  g.AutoSizeColumns(true);
  EXPECT_EQ(g.ColWidths(2), cv->TextWidth("xx"));
}
