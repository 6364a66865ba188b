// The in-place editor and the grid's editing cycle.
#include "GridTestSupport.h"
#include "toolkit/MouseTools.h"
#include "toolkit/WinUtils.h"

namespace {
class TEditGrid : public TMyStringGrid {
 public:
  using TMyStringGrid::TMyStringGrid;
  int limit = 0;
  using TMyCustomGrid::InplaceEditor;
 protected:
  int GetEditLimit() override { return limit; }
};
}  // namespace

class GridEditor : public ::testing::Test {
 protected:
  GridEditor() {
    g.SetOptions(g.Options() + TGridOptions{goEditing});
    g.SetCells(1, 1, "Hello");
    g.SetCells(1, 2, "World");
    g.OnSetEditText = [this](TObject*, int c, int r, const String& v) { handed.push_back({c, r, v}); };
    pump();
  }
  TInplaceEdit* editor() { return g.InplaceEditor(); }
  struct Handed { int c, r; String v; };
  std::vector<Handed> handed;
  GridFormT<TEditGrid> f;
  TEditGrid& g = *f.grid;
};

TEST_F(GridEditor, TypingOpensTheEditorWithTheTextSelectedThenReplacesIt) {
  f.key(Qt::Key_A, Qt::NoModifier, "A");
  ASSERT_NE(editor(), nullptr);
  EXPECT_TRUE(g.EditorMode());
  EXPECT_TRUE(editor()->EditVisible());
  EXPECT_EQ(editor()->BoundsRect(), g.CellRect(1, 1));
  EXPECT_EQ(editor()->Text(), "Hello");
  EXPECT_EQ(editor()->SelLength(), 5);
  pump();   // the posted character arrives
  EXPECT_EQ(editor()->Text(), "A");
  // Enter hands the text back, once, and closes the editor.
  f.key(Qt::Key_Return, Qt::NoModifier, "\r");
  EXPECT_FALSE(g.EditorMode());
  EXPECT_FALSE(editor()->EditVisible());
  ASSERT_EQ(handed.size(), 1u);
  EXPECT_EQ(handed[0].v, "A");
  EXPECT_EQ(g.Cells(1, 1), "A");
  EXPECT_TRUE(g.Focused());
}

TEST_F(GridEditor, EscapeIsSwallowedAndUpMovesAndHandsTheTextBack) {
  g.SetRow(2);
  f.key(Qt::Key_F2);
  ASSERT_TRUE(editor() && editor()->EditVisible());
  EXPECT_EQ(editor()->SelLength(), 0);   // F2: caret at the end
  f.key(Qt::Key_X, Qt::NoModifier, "x");
  EXPECT_EQ(editor()->Text(), "Worldx");
  f.key(Qt::Key_Escape, Qt::NoModifier, "\x1b");
  EXPECT_TRUE(editor()->EditVisible());
  EXPECT_EQ(editor()->Text(), "Worldx");
  f.key(Qt::Key_Left);   // caret keys stay with the editor
  EXPECT_EQ(g.Col(), 1);
  f.key(Qt::Key_Up);
  EXPECT_EQ(g.Row(), 1);
  EXPECT_FALSE(g.EditorMode());
  EXPECT_EQ(g.Cells(1, 2), "Worldx");
  ASSERT_EQ(handed.size(), 1u);
}

TEST_F(GridEditor, ALimitOfMinusOneMakesTheCellReadOnly) {
  g.limit = -1;
  f.key(Qt::Key_F2);
  ASSERT_TRUE(editor() && editor()->EditVisible());
  f.key(Qt::Key_Z, Qt::NoModifier, "z");
  f.key(Qt::Key_Backspace, Qt::NoModifier, "\b");
  f.key(Qt::Key_Delete);
  EXPECT_EQ(editor()->Text(), "Hello");
  f.key(Qt::Key_Return, Qt::NoModifier, "\r");
  EXPECT_EQ(g.Cells(1, 1), "Hello");
}

TEST_F(GridEditor, AlwaysShownEditorTogglesTheSelectionOnEnter) {
  g.SetOptions(g.Options() + TGridOptions{goAlwaysShowEditor});
  pump();
  ASSERT_TRUE(editor() && editor()->EditVisible());
  EXPECT_EQ(editor()->SelLength(), 5);
  f.key(Qt::Key_Return, Qt::NoModifier, "\r");
  EXPECT_EQ(editor()->SelLength(), 0);
  EXPECT_TRUE(editor()->EditVisible());
  f.key(Qt::Key_Return, Qt::NoModifier, "\r");
  EXPECT_EQ(editor()->SelLength(), 5);
  // Moving keeps the editor open on the new cell.
  f.key(Qt::Key_Down);
  EXPECT_TRUE(editor()->EditVisible());
  EXPECT_EQ(editor()->Text(), "World");
  EXPECT_EQ(editor()->BoundsRect(), g.CellRect(1, 2));
}

TEST_F(GridEditor, ADoubleClickAcrossGridAndEditor) {
  int dbl = 0;
  g.OnDblClick = [&](TObject*) { ++dbl; };
  const TRect r = g.CellRect(1, 1);
  f.mouse(QEvent::MouseButtonPress, r.Left + 10, r.Top + 5);   // opens the editor on the current cell
  f.mouse(QEvent::MouseButtonRelease, r.Left + 10, r.Top + 5);
  ASSERT_TRUE(editor() && editor()->EditVisible());
  EXPECT_EQ(dbl, 0);
  f.mouse(QEvent::MouseButtonPress, 10, 5, editor()->Widget());
  f.mouse(QEvent::MouseButtonRelease, 10, 5, editor()->Widget());
  EXPECT_EQ(dbl, 1);
  // Slower than the double-click time: no double click.
  editor()->ClickTime = GetTickCount64() - GetDoubleClickTime() - 1;
  f.mouse(QEvent::MouseButtonPress, 10, 5, editor()->Widget());
  EXPECT_EQ(dbl, 1);
}

TEST_F(GridEditor, TheWindowSystemsDoubleClickOpensTheCellsEditorOnce) {
  // Its second press is a double click only: on the cell the first press
  // made current (or on the editor the first press opened there) it is one
  // double click, and the cell's editor is open.
  int dbl = 0;
  g.OnDblClick = [&](TObject*) { ++dbl; };
  const struct {
    const char* name;
    int row;
  } rows[] = {{"current cell", 1}, {"another cell", 2}};
  for (const auto& c : rows) {
    SCOPED_TRACE(c.name);
    dbl = 0;
    const TRect r = g.CellRect(1, c.row);
    SendWindowDoubleClick(&g, TPoint(r.Left + 10, r.Top + 5));
    pump();
    EXPECT_EQ(dbl, 1);
    EXPECT_EQ(g.Row(), c.row);
    ASSERT_TRUE(editor() && editor()->EditVisible());
    EXPECT_EQ(editor()->BoundsRect(), r);
    f.key(Qt::Key_Return, Qt::NoModifier, "\r");
  }
}

TEST_F(GridEditor, LeavingTheGridClosesTheEditorAndHandsTheTextBack) {
  auto* other = new TEdit(f.form.get());
  other->SetParent(f.form.get());
  other->SetBounds(0, 310, 60, 20);
  int exits = 0;
  g.OnExit = [&](TObject*) { ++exits; };
  f.key(Qt::Key_F2);
  ASSERT_TRUE(editor()->Focused());
  EXPECT_EQ(exits, 0);   // the focus went to the grid's own editor
  f.key(Qt::Key_Exclam, Qt::NoModifier, "!");
  other->SetFocus();
  pump();
  EXPECT_EQ(exits, 1);
  EXPECT_FALSE(g.EditorMode());
  EXPECT_EQ(g.Cells(1, 1), "Hello!");
}

TEST_F(GridEditor, ScrollingMovesTheOpenEditor) {
  g.SetRowCount(50);
  f.key(Qt::Key_F2);
  ASSERT_TRUE(editor()->EditVisible());
  g.SetTopRow(2);
  pump();
  EXPECT_EQ(editor()->BoundsRect(), TRect());   // the cell went out of view
  EXPECT_FALSE(editor()->EditVisible());
  g.SetTopRow(1);
  EXPECT_EQ(editor()->BoundsRect(), g.CellRect(1, 1));
}
