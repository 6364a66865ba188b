// Sparse cell storage, the string grid and the draw grid's events.
#include "GridTestSupport.h"

TEST(SparseStorage, SparseListIndexesAndHighBound) {
  TSparseList l(SPASmall);
  int a = 1, b = 2, c = 3;
  l.Put(5, &a);
  EXPECT_EQ(l.Count(), 6);
  EXPECT_EQ(l.Get(4), nullptr);
  l.Insert(2, &b);   // items from 2 on move up
  EXPECT_EQ(l.Get(6), &a);
  EXPECT_EQ(l.Count(), 7);
  l.Move(6, 0);
  EXPECT_EQ(l.Get(0), &a);
  EXPECT_EQ(l.Get(3), &b);
  l.Exchange(0, 3);
  EXPECT_EQ(l.Get(0), &b);
  l.Delete(0);
  EXPECT_EQ(l.Get(2), &a);
  // Beyond the old 16-bit directory of the small quantum (65,535 sections).
  l.Put(1048576 + 7, &c);
  EXPECT_EQ(l.Get(1048576 + 7), &c);
  EXPECT_EQ(l.Count(), 1048576 + 8);
  l.Put(1048576 + 7, nullptr);
  EXPECT_EQ(l.Count(), 3);
  try {
    l.Get(-1);
    ADD_FAILURE();
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message, "List index out of bounds (-1)");
  }
  int visited = 0;
  l.ForAll([&](int, void*) { return ++visited == 1 ? 0 : 7; });
  EXPECT_EQ(visited, 1);
}

TEST(SparseStorage, StringListFreesEmptyCellsAndStreamsItsPairs) {
  TStringSparseList l(SPALarge);
  l.Put(3, "c");
  l.Put(9, "i");
  EXPECT_EQ(l.Count(), 10);
  l.Put(9, "");
  EXPECT_EQ(l.Count(), 4);   // one past the highest written cell
  TObject o;
  l.PutObject(9, &o);
  l.Put(9, "");              // a cell with an object stays
  EXPECT_EQ(l.GetObject(9), &o);
  l.Put(0, "a");
  std::vector<std::pair<int, String>> pairs;
  l.WriteList(pairs);
  EXPECT_EQ(pairs, (std::vector<std::pair<int, String>>{{0, "a"}, {3, "c"}}));
  TStringSparseList back(SPASmall);
  back.ReadList(pairs);
  EXPECT_EQ(back.Get(0), "a");
  EXPECT_EQ(back.Get(3), "c");
}

TEST(StringGrid, CellsBeyondTheCountsAreKept) {
  TMyStringGrid g(nullptr);
  g.SetCells(3, 1000, "far");
  g.SetRowCount(1001);
  EXPECT_EQ(g.Cells(3, 1000), "far");
  g.SetCells(2, 3, "x");
  g.SetRowCount(2);
  g.SetRowCount(5);
  EXPECT_EQ(g.Cells(2, 3), "x");
}

TEST(StringGrid, RowAndColumnViews) {
  TMyStringGrid g(nullptr);
  for (int c = 0; c < 5; ++c) g.SetCells(c, 2, "v");
  EXPECT_EQ(g.Rows(2)->Add("w"), -1);   // every cell is filled
  EXPECT_EQ(g.Rows(3)->Add(""), 0);     // an empty text becomes one blank
  EXPECT_EQ(g.Cells(0, 3), " ");
  EXPECT_EQ(g.Cols(1)->Count(), 5);
  EXPECT_EQ(g.Cols(1)->Get(2), "v");
  try {
    g.Rows(1)->Insert(0, "no");
    ADD_FAILURE();
  } catch (const EInvalidGridOperation& e) {
    EXPECT_EQ(e.Message, "Cannot insert or delete rows from grid");
  }
  EXPECT_THROW(g.Cols(1)->Delete(0), EInvalidGridOperation);
  TStringList src;
  src.Add("a");
  src.Add("b");
  g.Cols(4)->Assign(&src);
  EXPECT_EQ(g.Cells(4, 0), "a");
  EXPECT_EQ(g.Cells(4, 1), "b");
  EXPECT_EQ(g.Cells(4, 2), "v");
  g.Rows(2)->Clear();
  for (int c = 0; c < 5; ++c) EXPECT_EQ(g.Cells(c, 2), "");
}

TEST(StringGrid, MovedColumnsAndRowsTakeTheirCells) {
  TMyStringGrid g(nullptr);
  g.SetCells(1, 1, "one");
  g.SetCells(3, 1, "three");
  g.SetCells(0, 4, "row4");
  g.MoveColumn(1, 3);
  EXPECT_EQ(g.Cells(3, 1), "one");
  EXPECT_EQ(g.Cells(2, 1), "three");
  g.MoveRow(4, 0);
  EXPECT_EQ(g.Cells(0, 0), "row4");
  EXPECT_EQ(g.Cells(3, 2), "one");
}

TEST(StringGrid, DrawsEachCellsTextAndFiresTheEvents) {
  GridFormT<TMyStringGrid> f;
  TMyStringGrid& g = *f.grid;
  g.SetCells(1, 1, "W");
  int selects = 0, tops = 0;
  g.OnSelectCell = [&](TObject*, int c, int, bool& can) {
    ++selects;
    can = c != 3;
  };
  g.OnTopLeftChanged = [&](TObject*) { ++tops; };
  auto b = f.shot();
  const TRect r = g.CellRect(1, 1);
  int ink = 0;
  for (int y = r.Top + 2; y < r.Bottom; ++y)
    for (int x = r.Left + 2; x < r.Left + 20; ++x) ink += GridForm::px(b, x, y) != ColorToRGB(clWindow);
  EXPECT_GT(ink, 10);
  g.SetCol(3);   // refused by OnSelectCell
  EXPECT_EQ(g.Col(), 1);
  g.SetCol(2);
  EXPECT_EQ(g.Col(), 2);
  EXPECT_EQ(selects, 2);
  g.SetRowCount(60);
  g.SetTopRow(9);
  EXPECT_EQ(tops, 1);
  int a = 0, r2 = 0;
  g.MouseToCell(70, 30, a, r2);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(r2, 9);
}
