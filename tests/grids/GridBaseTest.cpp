// The grid engine's model, geometry, painting, count changes and update
// bracket.
#include "GridTestSupport.h"

TEST(GridSizesArray, ResizeAndErrorsKeepTheArray) {
  SizesArray a;
  SizesArray::SetCount(a, 3, 64);
  EXPECT_EQ(a.Count(), 3);
  EXPECT_EQ(a[2], 64);
  struct Case { int index, amount; const char* message; };
  const Case bad[] = {{-1, 1, "Grid index out of range"},
                      {4, 1, "Grid index out of range"},
                      {3, -4, "Too many rows or columns deleted"},
                      {3, 134217726, "Grid too large for operation"}};
  for (const Case& c : bad) {
    const SizesArray before = a;
    try {
      SizesArray::Resize(a, c.index, c.amount, 1);
      ADD_FAILURE() << "no error for " << c.index << "," << c.amount;
    } catch (const EInvalidGridOperation& e) {
      EXPECT_EQ(e.Message, c.message);
    }
    EXPECT_TRUE(a == before);
  }
  // Resized at an index: the entries from there on take the default.
  a[0] = 10, a[1] = 11, a[2] = 12;
  SizesArray::Resize(a, 1, 1, 7);
  EXPECT_EQ(a.Elements(), (std::vector<int>{4, 10, 7, 7, 7}));
  SizesArray::MoveEntry(a, 1, 4);
  EXPECT_EQ(a.Elements(), (std::vector<int>{4, 7, 7, 7, 10}));
  SizesArray::SetCount(a, 0, 0);
  EXPECT_FALSE(a.Exists());
  EXPECT_TRUE(a == SizesArray());
}

TEST(GridModel, NewGridDefaults) {
  TProbeGrid g(nullptr);
  EXPECT_EQ(g.Width(), 320);
  EXPECT_EQ(g.Height(), 120);
  EXPECT_EQ(g.ColCount(), 5);
  EXPECT_EQ(g.RowCount(), 5);
  EXPECT_EQ(g.Col(), 1);
  EXPECT_EQ(g.Row(), 1);
  EXPECT_EQ(g.Options().Bits(), 0x1Fu);
  EXPECT_EQ(g.Selection(), (GridRect{1, 1, 1, 1}));
}

TEST(GridModel, SetterRulesAndTheirErrors) {
  TProbeGrid g(nullptr);
  g.SetColCount(0);
  EXPECT_EQ(g.ColCount(), 1);
  EXPECT_EQ(g.FixedCols(), 0);
  try {
    g.SetFixedRows(g.RowCount());
    ADD_FAILURE();
  } catch (const EInvalidGridOperation& e) {
    EXPECT_EQ(e.Message, "Fixed row count must be less than row count");
  }
  EXPECT_EQ(g.FixedRows(), 1);
  g.SetOptions(TGridOptions{goRowSelect, goAlwaysShowEditor});
  EXPECT_EQ(g.Options(), TGridOptions{goRowSelect});
  // Negative indexes and indexes at the count are refused; nothing changes.
  g.SetColCount(4);
  g.SetColWidths(1, 30);
  for (int i : {-1, 4}) {
    EXPECT_THROW(g.SetColWidths(i, 5), EInvalidGridOperation);
    EXPECT_THROW(g.SetRowHeights(i == 4 ? g.RowCount() : i, 5), EInvalidGridOperation);
    EXPECT_THROW(g.SetTabStops(i, false), EInvalidGridOperation);
    EXPECT_THROW(g.MoveColumn(i, 1), EInvalidGridOperation);
    EXPECT_THROW(g.MoveRow(1, i == 4 ? 99 : i), EInvalidGridOperation);
  }
  EXPECT_EQ(g.ColCount(), 4);
  EXPECT_EQ(g.ColWidths(1), 30);
  EXPECT_EQ(g.ColWidths(0), 64);
}

TEST(GridModel, SizesStreamAsIntegerLists) {
  TProbeGrid g(nullptr);
  std::vector<int> v;
  EXPECT_FALSE(g.WriteColWidths(v));   // nothing stored, nothing written
  g.SetColCount(4);
  g.SetColWidths(2, 90);
  g.SetRowHeights(0, 40);
  std::vector<int> widths, heights;
  ASSERT_TRUE(g.WriteColWidths(widths));
  ASSERT_TRUE(g.WriteRowHeights(heights));
  EXPECT_EQ(widths, (std::vector<int>{64, 64, 90, 64}));
  TProbeGrid h(nullptr);
  h.SetColCount(4);
  h.ReadColWidths(widths);
  h.ReadRowHeights(heights);
  std::vector<int> back;
  h.WriteColWidths(back);
  EXPECT_EQ(back, widths);
  h.WriteRowHeights(back);
  EXPECT_EQ(back, heights);
  g.SetSaveCellExtents(false);
  EXPECT_FALSE(g.WriteColWidths(v));
}

// 400 x 300 client, columns 64 wide and rows 24 high with 1-pixel lines.
class GridGeometry : public ::testing::Test {
 protected:
  GridForm f;
  TProbeGrid& g = *f.grid;
};

TEST_F(GridGeometry, CellRectsAndHitTests) {
  g.SetColCount(10);
  g.SetRowCount(20);
  EXPECT_EQ(g.CellRect(0, 0), Rect(0, 0, 64, 24));
  EXPECT_EQ(g.CellRect(2, 1), Rect(130, 25, 194, 49));
  // Column 6 starts at 390 and is cut at the client edge.
  EXPECT_EQ(g.CellRect(6, 1), Rect(390, 25, 400, 49));
  EXPECT_EQ(g.CellRect(7, 1), TRect());
  g.SetTopRow(5);
  EXPECT_EQ(g.CellRect(1, 2), TRect());   // scrolled out above
  EXPECT_EQ(g.CellRect(1, 5), Rect(65, 25, 129, 49));
  EXPECT_EQ(g.CellRect(1, 0).Top, 0);     // the fixed row stays
  // Hit tests: a line belongs to the cell before it.
  EXPECT_EQ(g.MouseCoord(64, 24), (GridCoord{0, 0}));
  EXPECT_EQ(g.MouseCoord(65, 25), (GridCoord{1, 5}));
  g.SetColCount(3);
  EXPECT_EQ(g.MouseCoord(250, 30), (GridCoord{-1, -1}));   // right of the last column
  g.SetRowCount(3);
  EXPECT_EQ(g.MouseCoord(10, 290), (GridCoord{-1, -1}));   // below the last row
}

TEST_F(GridGeometry, MaxTopLeftAndVisibleCounts) {
  g.SetColCount(10);
  g.SetRowCount(100);
  GridDrawInfo info;
  g.CalcDrawInfo(info);
  EXPECT_EQ(info.Vert.LastFullVisibleCell, 11);   // rows 1..11 fit under the header
  EXPECT_EQ(g.VisibleRowCount(), 11);
  // The last row at the bottom: 11 rows of 25 pixels after the header.
  EXPECT_EQ(g.CalcMaxTopLeft(GridCoord{9, 99}, info), (GridCoord{5, 89}));
  g.SetRowHeights(99, -1);   // hidden rows are skipped
  EXPECT_EQ(g.CalcMaxTopLeft(GridCoord{9, 99}, info).Y, 88);
}

TEST_F(GridGeometry, LineColoursPerAreaOptionAndGridColour) {
  g.SetColCount(4);
  g.SetRowCount(4);
  g.SetOptions(TGridOptions{goVertLine});
  auto b = f.shot();
  // Rows touch: no horizontal lines at all.
  EXPECT_EQ(g.CellRect(1, 2), Rect(65, 48, 129, 72));
  EXPECT_EQ(GridForm::px(b, 129, 60), clSilver);                     // scrolling vertical line
  EXPECT_EQ(GridForm::px(b, 64, 60), ColorToRGB(clBtnFace));          // fixed area, option off
  EXPECT_EQ(GridForm::px(b, 129, 10), ColorToRGB(clBtnFace));
  g.SetOptions(TGridOptions{goVertLine, goHorzLine, goFixedVertLine, goFixedHorzLine});
  g.SetColor(clSilver);
  b = f.shot();
  EXPECT_EQ(GridForm::px(b, 129, 40), clGray);    // lines on a silver grid
  EXPECT_EQ(GridForm::px(b, 129, 10), clBlack);   // fixed lines
  EXPECT_EQ(GridForm::px(b, 100, 24), clBlack);
  // Raised header edges: light top-left, shadow bottom-right inside the cell.
  EXPECT_EQ(GridForm::px(b, 70, 0), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(GridForm::px(b, 70, 23), ColorToRGB(clBtnShadow));
  EXPECT_EQ(GridForm::px(b, 128, 10), ColorToRGB(clBtnShadow));
}

TEST_F(GridGeometry, HiddenColumnFocusMarkAndRowFocus) {
  g.SetColCount(5);
  g.SetRowCount(5);
  g.SetColWidths(2, -1);
  auto b = f.shot();
  // Column 2 and its line take no room: column 3 follows column 1.
  EXPECT_EQ(g.CellRect(3, 1).Left, 130);
  EXPECT_EQ(GridForm::px(b, 129, 30), clSilver);
  EXPECT_EQ(GridForm::px(b, 130, 30), ColorToRGB(clWindow));
  // The current cell (1, 1) carries the dotted focus mark (inverted pixels).
  const TRect r = g.CellRect(1, 1);
  int inverted = 0;
  for (int x = r.Left; x < r.Right; ++x) inverted += GridForm::px(b, x, r.Top) == clBlack;
  EXPECT_GT(inverted, 20);
  EXPECT_LT(inverted, 45);
  // Whole rows: the mark goes round the selected row, cells in highlight.
  g.SetOptions(g.Options() + TGridOptions{goRowSelect});
  b = f.shot();
  EXPECT_EQ(GridForm::px(b, 100, 35), ColorToRGB(clHighlight));
  EXPECT_EQ(GridForm::px(b, 200, 35), ColorToRGB(clHighlight));
  int marks = 0;
  for (int x = 70; x < 250; ++x) marks += GridForm::px(b, x, 25) != ColorToRGB(clHighlight);
  EXPECT_GT(marks, 50);
}

TEST_F(GridGeometry, ShrinkingBelowTheCurrentRowMovesItAndCollapsesTheRange) {
  g.SetColCount(5);
  g.SetRowCount(10);
  g.SetSelection(GridRect{1, 3, 3, 8});
  EXPECT_EQ(g.Row(), 8);
  g.SetRowCount(6);
  EXPECT_EQ(g.Row(), 5);
  EXPECT_EQ(g.Selection(), (GridRect{3, 5, 3, 5}));
  // A new count below FixedRows takes FixedRows down with it.
  g.SetFixedRows(3);
  g.SetRowCount(2);
  EXPECT_EQ(g.FixedRows(), 1);
}

TEST_F(GridGeometry, TopRowIsHeldInsideTheGridWithoutScrollBars) {
  g.SetRowCount(100);
  g.SetTopRow(80);
  g.SetRowCount(10);
  EXPECT_LT(g.TopRow(), 10);
  EXPECT_GE(g.TopRow(), g.FixedRows());
}

TEST_F(GridGeometry, InsideTheUpdateBracketNothingMovesOrRepaints) {
  g.SetRowCount(10);
  g.SetRow(9);
  f.paintsNow();
  EXPECT_EQ(f.paintsNow(), 0);
  g.sizeChangedCalls = 0;
  int begun = 0;
  g.OnBeginUpdate = [&](TObject*) { ++begun; };
  g.BeginUpdate();
  g.BeginUpdate();   // not counted
  EXPECT_EQ(begun, 2);
  g.SetRowCount(4);
  g.SetColCount(7);
  g.Invalidate();
  EXPECT_EQ(f.paintsNow(), 0);
  EXPECT_EQ(g.Row(), 9);   // not moved yet
  EXPECT_EQ(g.sizeChangedCalls, 0);
  EXPECT_TRUE(g.NowUpdating());
  g.EndUpdate();
  EXPECT_FALSE(g.NowUpdating());
  EXPECT_EQ(g.Row(), 3);
  EXPECT_EQ(g.sizeChangedCalls, 1);
  EXPECT_GT(f.paintsNow(), 0);
  // A bracket without count changes tells nothing of a size change.
  g.BeginUpdate();
  g.EndUpdate();
  EXPECT_EQ(g.sizeChangedCalls, 1);
}

TEST_F(GridGeometry, AFailingSizeChangeRestoresTheCounts) {
  g.SetColWidths(1, 40);
  g.failSizeChanged = true;
  EXPECT_THROW(g.SetRowCount(12), EInvalidGridOperation);
  EXPECT_THROW(g.SetColCount(9), EInvalidGridOperation);
  EXPECT_EQ(g.RowCount(), 5);
  EXPECT_EQ(g.ColCount(), 5);
  g.failSizeChanged = false;
  std::vector<int> w;
  g.WriteColWidths(w);
  EXPECT_EQ(w.size(), 5u);
}

TEST_F(GridGeometry, ManyHiddenRowsArePaintedWithoutALineBufferPerCell) {
  g.SetRowCount(3001);
  for (int r = 2; r < 3000; ++r) g.SetRowHeights(r, -1);
  EXPECT_EQ(g.CellRect(1, 3000), Rect(65, 50, 129, 74));
  auto b = f.shot();
  EXPECT_EQ(GridForm::px(b, 100, 49), clSilver);
  EXPECT_EQ(GridForm::px(b, 100, 60), ColorToRGB(clWindow));
  EXPECT_EQ(GridForm::px(b, 100, 74), clSilver);
  EXPECT_EQ(GridForm::px(b, 100, 80), ColorToRGB(clWindow));   // no cells below
}

TEST_F(GridGeometry, RightToLeftLaysTheGridOutFromTheRight) {
  g.SetColCount(10);
  g.SetRowCount(10);
  g.SetBiDiMode(bdRightToLeft);
  EXPECT_EQ(g.CellRect(0, 0), Rect(336, 0, 400, 24));
  EXPECT_EQ(g.CellRect(1, 1), Rect(271, 25, 335, 49));
  EXPECT_EQ(g.MouseCoord(390, 10), (GridCoord{0, 0}));
  EXPECT_EQ(g.MouseCoord(300, 30), (GridCoord{1, 1}));
  auto b = f.shot();
  EXPECT_EQ(GridForm::px(b, 380, 40), ColorToRGB(clBtnFace));   // the fixed column, at the right
  EXPECT_EQ(GridForm::px(b, 335, 40), clBlack);                  // its line
  EXPECT_EQ(GridForm::px(b, 270, 40), clSilver);                 // the line after column 1
  EXPECT_EQ(GridForm::px(b, 336, 0), ColorToRGB(clBtnHighlight));   // raised edge, mirrored
  f.key(Qt::Key_Left);   // towards the higher columns
  EXPECT_EQ(g.Col(), 2);
  // Sizing column 2 at its line on the screen (logical 194 -> 205).
  g.SetOptions(g.Options() + TGridOptions{goColSizing});
  f.mouse(QEvent::MouseButtonPress, 205, 10);
  EXPECT_EQ(g.State(), gsColSizing);
  f.mouse(QEvent::MouseMove, 175, 10);
  f.mouse(QEvent::MouseButtonRelease, 175, 10);
  EXPECT_EQ(g.ColWidths(2), 94);
}

TEST(GridRightToLeft, HorizontalBarRunsTheOtherWay) {
  GridForm f(400, 300, ssHorizontal);
  TProbeGrid& g = *f.grid;
  g.SetColCount(20);
  g.SetBiDiMode(bdRightToLeft);
  pump();
  EXPECT_EQ(g.ScrollPos(sbHorizontal), 127);
  g.ScrollBarAction(sbHorizontal, scLineUp);   // the left arrow: further into the grid
  EXPECT_EQ(g.LeftCol(), 2);
  g.ScrollBarAction(sbHorizontal, scPosition, 127);
  EXPECT_EQ(g.LeftCol(), 1);
}

TEST_F(GridGeometry, ResizeLinesInsertsAndRemovesRowsAtAnIndex) {
  g.SetRowCount(6);
  g.SetRowHeights(4, 40);
  g.SetRow(4);
  g.ResizeLines(2, 2, true);
  EXPECT_EQ(g.RowCount(), 8);
  EXPECT_EQ(g.Row(), 6);                 // moved with its line
  EXPECT_EQ(g.RowHeights(6), 24);        // the sizes from the index on take the default
  g.ResizeLines(1, -3, true);
  EXPECT_EQ(g.RowCount(), 5);
  EXPECT_EQ(g.Row(), 3);
  EXPECT_THROW(g.ResizeLines(4, -3, true), EInvalidGridOperation);
  EXPECT_EQ(g.RowCount(), 5);
}

TEST_F(GridGeometry, WideLinesFillExactlyTheSpaceBetweenCells) {
  g.SetGridLineWidth(3);
  EXPECT_EQ(g.CellRect(2, 2), Rect(134, 54, 198, 78));
  auto b = f.shot();
  for (int x : {131, 132, 133}) EXPECT_EQ(GridForm::px(b, x, 60), clSilver) << x;
  EXPECT_EQ(GridForm::px(b, 130, 60), ColorToRGB(clWindow));
  EXPECT_EQ(GridForm::px(b, 134, 60), ColorToRGB(clWindow));
  for (int y : {51, 52, 53}) EXPECT_EQ(GridForm::px(b, 150, y), clSilver) << y;
}
