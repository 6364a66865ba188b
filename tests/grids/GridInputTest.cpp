// Selection, keys, mouse, sizing, moving and scrolling of the grid engine.
#include <QScrollBar>

#include "GridTestSupport.h"

class GridKeys : public ::testing::Test {
 protected:
  GridKeys() {
    g.SetColCount(10);
    g.SetRowCount(100);
    pump();
  }
  GridForm f;
  TProbeGrid& g = *f.grid;
};

TEST_F(GridKeys, PageDownCtrlEndAndHome) {
  f.key(Qt::Key_PageDown);
  EXPECT_EQ(g.Row(), 11);
  EXPECT_EQ(g.TopRow(), 11);
  f.key(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(g.Col(), 9);
  EXPECT_EQ(g.Row(), 99);
  EXPECT_EQ(g.TopRow(), 89);
  EXPECT_EQ(g.LeftCol(), 5);
  f.key(Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(g.Col(), 1);
  EXPECT_EQ(g.Row(), 1);
  EXPECT_EQ(g.TopRow(), 1);
  // Shift with a movement key extends the selection ...
  f.key(Qt::Key_Down, Qt::ShiftModifier);
  f.key(Qt::Key_Right, Qt::ShiftModifier);
  EXPECT_EQ(g.Selection(), (GridRect{1, 1, 2, 2}));
  // ... but not while cells are edited.
  g.SetOptions(g.Options() + TGridOptions{goEditing});
  f.key(Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(g.Selection(), (GridRect{2, 3, 2, 3}));
}

TEST_F(GridKeys, SelectionChangesRepaintOnlyTheDifference) {
  f.paintsNow();
  f.key(Qt::Key_Right, Qt::ShiftModifier);   // (1,1)-(2,1): the old and the new current cell
  EXPECT_EQ(f.paintsNow(), 2);
  f.mouse(QEvent::MouseButtonPress, 70, 30);
  f.paintsNow();
  f.mouse(QEvent::MouseMove, 140, 60);        // anchor to (2,2)
  EXPECT_EQ(f.paintsNow(), 3);
  f.mouse(QEvent::MouseMove, 200, 60);        // anchor to (3,2): one new column of two cells
  EXPECT_EQ(f.paintsNow(), 2);
  f.mouse(QEvent::MouseButtonRelease, 200, 60);
  EXPECT_EQ(g.Selection(), (GridRect{1, 1, 3, 2}));
}

TEST_F(GridKeys, TabsSkipColumnsThatAreNoTabStops) {
  g.SetOptions(g.Options() + TGridOptions{goTabs});
  g.SetCol(4);
  g.SetTabStops(2, false);
  g.SetTabStops(3, false);
  f.key(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(g.Col(), 1);
  EXPECT_EQ(g.Selection(), (GridRect{1, 1, 1, 1}));   // Shift+Tab does not extend
  // Tab at the last cell of the last row goes to the first scrolling cell.
  g.SetRow(99);
  g.SetCol(9);
  f.key(Qt::Key_Tab);
  EXPECT_EQ(g.Col(), 1);
  EXPECT_EQ(g.Row(), 1);
  // No other column is a tab stop: the cell stays.
  for (int c = 0; c < 10; ++c) g.SetTabStops(c, c == 1);
  f.key(Qt::Key_Tab);
  EXPECT_EQ(g.Col(), 1);
  EXPECT_EQ(g.Row(), 1);
}

TEST_F(GridKeys, RowSelectSelectsWholeRowsAndSideKeysScroll) {
  g.SetOptions(g.Options() + TGridOptions{goRowSelect});
  g.MoveCurrent(5, 3, true, true);
  EXPECT_EQ(g.Col(), 1);
  EXPECT_EQ(g.Selection(), (GridRect{1, 3, 9, 3}));
  f.key(Qt::Key_Right);
  EXPECT_EQ(g.LeftCol(), 2);
  EXPECT_EQ(g.Col(), 1);
  f.key(Qt::Key_Left);
  EXPECT_EQ(g.LeftCol(), 1);
  EXPECT_THROW(g.MoveCurrent(10, 3, true, true), EInvalidGridOperation);
}

TEST_F(GridKeys, WheelMovesTheCurrentRowUnlessAHandlerTakesIt) {
  QWheelEvent down(QPointF(50, 50), QPointF(50, 50), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(g.Widget(), &down);
  EXPECT_EQ(g.Row(), 2);
  g.OnMouseWheelDown = [](TObject*, TShiftState, TPoint, bool& handled) { handled = true; };
  QCoreApplication::sendEvent(g.Widget(), &down);
  EXPECT_EQ(g.Row(), 2);
}

class GridMouse : public ::testing::Test {
 protected:
  GridMouse() {
    g.SetColCount(8);
    g.SetRowCount(8);
    pump();
  }
  GridForm f;
  TProbeGrid& g = *f.grid;
};

TEST_F(GridMouse, SizingZoneLiesInTheFixedRowOnly) {
  // Column 1 ends at 129 (its line): the zone runs from 126 to 133.
  struct Case { int x, y; bool sizing; };
  const Case cases[] = {{126, 10, true}, {133, 10, true}, {125, 10, false}, {134, 10, false}, {129, 30, false}};
  g.SetOptions(g.Options() + TGridOptions{goColSizing});
  for (const Case& c : cases) EXPECT_EQ(g.Sizing(c.x, c.y), c.sizing) << c.x << "," << c.y;
  g.SetOptions(g.Options() - TGridOptions{goColSizing});
  EXPECT_FALSE(g.Sizing(129, 10));
}

TEST_F(GridMouse, DraggingABorderSizesTheColumnButNotToOnePixel) {
  g.SetOptions(g.Options() + TGridOptions{goColSizing, goRowSizing});
  f.mouse(QEvent::MouseButtonPress, 129, 10);
  EXPECT_EQ(g.State(), gsColSizing);
  f.mouse(QEvent::MouseMove, 66, 10);
  f.mouse(QEvent::MouseButtonRelease, 66, 10);
  EXPECT_EQ(g.State(), gsNormal);
  EXPECT_EQ(g.ColWidths(1), 64);   // 1 pixel: ignored
  f.mouse(QEvent::MouseButtonPress, 130, 5);
  f.mouse(QEvent::MouseMove, 101, 5);
  f.mouse(QEvent::MouseButtonRelease, 101, 5);
  EXPECT_EQ(g.ColWidths(1), 35);   // the mouse was 1 pixel right of the line
  // A row border in the fixed column.
  f.mouse(QEvent::MouseButtonPress, 10, 49);
  EXPECT_EQ(g.State(), gsRowSizing);
  f.mouse(QEvent::MouseMove, 10, 60);
  f.mouse(QEvent::MouseButtonRelease, 10, 60);
  EXPECT_EQ(g.RowHeights(1), 35);
  // A hidden column (-1) keeps its width.
  g.SetColWidths(1, -1);
  f.mouse(QEvent::MouseButtonPress, 66, 10);
  EXPECT_EQ(g.State(), gsColSizing);
  f.mouse(QEvent::MouseMove, 120, 10);
  f.mouse(QEvent::MouseButtonRelease, 120, 10);
  EXPECT_EQ(g.ColWidths(1), -1);
}

TEST_F(GridMouse, TheCutEdgeCellIsTheOneSized) {
  // Only part of the first scrolling column fits: the edge sizes that column.
  g.SetColWidths(1, 600);
  g.SetOptions(g.Options() + TGridOptions{goColSizing});
  f.mouse(QEvent::MouseButtonPress, 399, 10);
  EXPECT_EQ(g.State(), gsColSizing);
  f.mouse(QEvent::MouseMove, 300, 10);
  f.mouse(QEvent::MouseButtonRelease, 300, 10);
  EXPECT_EQ(g.ColWidths(1), 301 - 65);   // pressed 1 pixel inside the edge
  EXPECT_EQ(g.ColWidths(2), 64);
}

TEST_F(GridMouse, ColumnAndRowMovesCarrySizesAndTabStops) {
  g.SetColWidths(2, 30);
  g.SetTabStops(2, false);
  g.SetCol(3);
  int movedFrom = -1, movedTo = -1;
  g.OnColumnMoved = [&](TObject*, int a, int b) { movedFrom = a, movedTo = b; };
  g.MoveColumn(2, 5);
  EXPECT_EQ(g.Col(), 2);
  EXPECT_EQ(g.ColWidths(5), 30);
  EXPECT_FALSE(g.TabStops(5));
  EXPECT_TRUE(g.TabStops(2));
  EXPECT_EQ(movedFrom, 2);
  EXPECT_EQ(movedTo, 5);
  int col6 = 6;
  TProbeGrid::MoveAdjust(col6, 2, 5);
  EXPECT_EQ(col6, 6);
  g.SetRowHeights(4, 50);
  g.MoveRow(4, 1);
  EXPECT_EQ(g.RowHeights(1), 50);
  EXPECT_EQ(g.RowHeights(4), 24);
  // Deleting moves the line to the end and cuts it off.
  g.DeleteColumn(5);
  EXPECT_EQ(g.ColCount(), 7);
  EXPECT_EQ(g.ColWidths(5), 64);
}

TEST_F(GridMouse, DraggingAHeaderMovesTheColumn) {
  g.SetOptions(g.Options() + TGridOptions{goColMoving});
  g.SetColWidths(2, 40);
  f.mouse(QEvent::MouseButtonPress, 120, 10);   // header of column 1
  EXPECT_EQ(g.State(), gsColMoving);
  f.mouse(QEvent::MouseMove, 180, 40);          // over column 3 (from 106) in a data row
  f.mouse(QEvent::MouseButtonRelease, 180, 40);
  EXPECT_EQ(g.State(), gsNormal);
  EXPECT_EQ(g.ColWidths(1), 40);
  EXPECT_EQ(g.ColWidths(3), 64);
}

TEST_F(GridMouse, DragSelectionAndCancelMode) {
  f.mouse(QEvent::MouseButtonPress, 70, 30);    // (1, 1)
  EXPECT_EQ(g.State(), gsSelecting);
  f.mouse(QEvent::MouseMove, 200, 90);          // (3, 3)
  EXPECT_EQ(g.Selection(), (GridRect{1, 1, 3, 3}));
  f.mouse(QEvent::MouseButtonRelease, 200, 90);
  EXPECT_EQ(g.State(), gsNormal);
  g.SetOptions(g.Options() + TGridOptions{goColSizing});
  f.mouse(QEvent::MouseButtonPress, 129, 10);
  EXPECT_EQ(g.State(), gsColSizing);
  auto* other = new TEdit(f.form.get());
  other->SetParent(f.form.get());
  other->SetBounds(0, 310, 60, 20);
  other->SetFocus();   // the focus goes: the drag ends without sizing
  pump();
  EXPECT_EQ(g.State(), gsNormal);
  EXPECT_EQ(g.ColWidths(1), 64);
}

class GridScrolling : public ::testing::Test {
 protected:
  GridScrolling() : f(400, 300, ssVertical) {
    g.SetColCount(3);
    g.SetRowCount(102);
    pump();
  }
  GridForm f;
  TProbeGrid& g = *f.grid;
};

TEST_F(GridScrolling, ThumbPositionsAtBothEndsAndMidway) {
  EXPECT_TRUE(g.ScrollBarVisible(sbVertical));
  EXPECT_EQ(g.ScrollMax(sbVertical), 127);
  EXPECT_EQ(g.ScrollPos(sbVertical), 0);
  g.SetTopRow(46);
  EXPECT_EQ(g.ScrollPos(sbVertical), 64);   // 45 x 127 / 90 = 63.5
  g.SetTopRow(91);
  EXPECT_EQ(g.ScrollPos(sbVertical), 127);
  // A thumb dragged without goThumbTracking does not scroll; its release does.
  g.ScrollBarAction(sbVertical, scTrack, 0);
  EXPECT_EQ(g.TopRow(), 91);
  g.ScrollBarAction(sbVertical, scPosition, 0);
  EXPECT_EQ(g.TopRow(), 1);
  g.SetOptions(g.Options() + TGridOptions{goThumbTracking});
  g.ScrollBarAction(sbVertical, scTrack, 127);
  EXPECT_EQ(g.TopRow(), 91);
  g.ScrollBarAction(sbVertical, scTop);
  EXPECT_EQ(g.TopRow(), 1);
  g.ScrollBarAction(sbVertical, scPageDown);
  EXPECT_EQ(g.TopRow(), 11);   // rows 1..11 were in view
  g.ScrollBarAction(sbVertical, scLineUp);
  EXPECT_EQ(g.TopRow(), 10);
  g.ScrollBarAction(sbVertical, scPageUp);
  EXPECT_EQ(g.TopRow(), 1);
  // Everything fits: no bar, position 0.
  g.SetRowCount(5);
  EXPECT_FALSE(g.ScrollBarVisible(sbVertical));
  EXPECT_EQ(g.ScrollPos(sbVertical), 0);
}

TEST_F(GridScrolling, OneColumnScrollsInPixels) {
  GridForm one(300, 200, ssHorizontal);
  TProbeGrid& h = *one.grid;
  h.SetColCount(1);
  h.SetColWidths(0, 500);
  pump();
  EXPECT_EQ(h.ScrollMax(sbHorizontal), 200);
  h.ScrollBarAction(sbHorizontal, scBottom);
  EXPECT_EQ(h.ScrollPos(sbHorizontal), 200);
  h.ScrollBarAction(sbHorizontal, scTop);
  EXPECT_EQ(h.ScrollPos(sbHorizontal), 0);
  h.ScrollBarAction(sbHorizontal, scPageDown);
  EXPECT_EQ(h.ScrollPos(sbHorizontal), 200);
}

TEST_F(GridScrolling, OneRowScrollDrawsOnlyTheNewRow) {
  f.paintsNow();
  g.SetTopRow(2);
  // The view moved by one row: only the row that came into view is drawn.
  EXPECT_EQ(f.paintsNow(), 3);
  g.SetTopRow(60);
  EXPECT_EQ(f.paintsNow(), 3 * 12);   // a jump redraws the view
}

TEST_F(GridScrolling, TheOperatorsBarReachesTheGridAsScrollCodes) {
  QScrollBar* bar = nullptr;
  for (QScrollBar* b : g.Widget()->findChildren<QScrollBar*>())
    if (b->orientation() == Qt::Vertical) bar = b;
  ASSERT_NE(bar, nullptr);
  ASSERT_TRUE(bar->isVisible());
  EXPECT_EQ(bar->width(), TCustomScrollControl::ScrollBarSize);
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(g.TopRow(), 2);
  bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(g.TopRow(), 12);
  bar->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(g.TopRow(), 91);
  EXPECT_EQ(bar->value(), 127);
  // Dragging the thumb moves nothing until it is let go.
  bar->setSliderDown(true);
  bar->setSliderPosition(0);
  EXPECT_EQ(g.TopRow(), 91);
  bar->setSliderDown(false);
  EXPECT_EQ(g.TopRow(), 1);
  EXPECT_EQ(bar->value(), 0);
}
