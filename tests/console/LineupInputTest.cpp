// The operator's hands on the line-up grid: clicks and typing in the in-place
// editor, ticks in the "+" column while a text cell is edited, and the
// position drop-down. Everything goes through synthesized mouse and key
// events on the shown main window.
#include "ConsoleFixture.h"
#include "controls/Led.h"
#include "grids/SortGrid.h"
#include "tests/toolkit/ToolkitTestUtil.h"
#include "toolkit/Forms.h"
#include "toolkit/MouseTools.h"
#include "toolkit/StdCtrls.h"

namespace {

constexpr int ColCheck = 1, ColSurname = 2, ColBirthday = 4, ColPosition = 7;

class LineupInputTest : public ConsoleFixture {
 protected:
  // The main window shown and active, the line-up grid holding two persons
  // and in edit mode, the grid focused.
  TSortGrid* ShownTeam() {
    f = Create();
    f->Show();
    f->PageControl2->SetActivePage(f->Sheet_Sek);
    TSortGrid* g = f->sgSek_Sostav;
    g->SetRowCount(4);
    const char* rows[][9] = {{"1", "", "Shovkovskyi", "Oleksandr", "02.01.1975", "", "", "Goalkeeper", ""},
                             {"5", "V", "Vashchuk", "Vladyslav", "22.02.1998", "", "", "", ""}};
    for (int r = 0; r < 2; ++r)
      for (int c = 0; c < 9; ++c) g->SetCells(c, r + 1, rows[r][c]);
    g->Rows(3)->Clear();
    f->LedSek_EditOn->SetValue(true);
    g->SetFocus();
    settle();
    return g;
  }
  static void settle() { pumpUntil([] { return false; }, 30); }
  // A click in the middle of a cell, as the operator's.
  void ClickCell(int col, int row) {
    TSortGrid* g = f->sgSek_Sostav;
    const TRect r = g->CellRect(col, row);
    const TPoint o = g->ClientOffset();
    const TPoint p(o.X + (r.Left + r.Right) / 2, o.Y + (r.Top + r.Bottom) / 2);
    SendMouseButton(g, mbLeft, true, p);
    SendMouseButton(g, mbLeft, false, p);
    settle();
  }
  // Keys go where the focus is, as the keyboard's do.
  static QWidget* focus() { return QApplication::focusWidget(); }
  static void press(int key, const QString& text = QString()) {
    ASSERT_NE(focus(), nullptr);
    sendKey(focus(), key, text);
    settle();
  }
  static void type(const QString& s) {
    for (QChar ch : s) press(ch.isLetter() ? Qt::Key_A + (ch.toUpper().unicode() - 'A') : Qt::Key_Period, ch);
  }
  // Enter ends the edit (and the edit mode): the text goes into the cell.
  String Finished(int col, int row) {
    press(Qt::Key_Return, "\r");
    return f->sgSek_Sostav->Cells(col, row);
  }

  TFormMain* f = nullptr;
};

}  // namespace

TEST_F(LineupInputTest, ClickThenTypeReplacesTheCellText) {
  struct Case {
    const char* name;
    int col, row;
    QString typed;
    String expected;
  };
  // The current cell (column 2 of row 1 after the lamp: the click opens the
  // editor) and another one (the click moves there, typing opens it).
  const Case cases[] = {{"current cell", ColSurname, 1, "Shovkovskyi", "Shovkovskyi"},
                        {"other cell", ColBirthday, 2, "Z", "Z"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ShownTeam();
    ClickCell(c.col, c.row);
    type(c.typed);
    EXPECT_EQ(Finished(c.col, c.row), c.expected);
    Destroy();
  }
}

TEST_F(LineupInputTest, FirstBackspaceAfterAClickClearsTheSelectedText) {
  TSortGrid* g = ShownTeam();
  ClickCell(ColBirthday, 2);
  press(Qt::Key_Backspace, "\b");
  EXPECT_EQ(Finished(ColBirthday, 2), "");
  EXPECT_EQ(g->Cells(ColSurname, 2), "Vashchuk");
}

TEST_F(LineupInputTest, TickOrDropDownWhileEditingEndsTheEdit) {
  TSortGrid* g = ShownTeam();
  struct Case {
    int row;
    String ticked;
  };
  // Row 1 is not in the line-up, row 2 is.
  for (const Case& c : {Case{1, "V"}, Case{2, ""}}) {
    SCOPED_TRACE(c.row);
    ClickCell(ColSurname, 1);   // the current cell: the editor opens
    ASSERT_TRUE(g->EditorMode());
    type("Shevchenko");
    ClickCell(ColCheck, c.row);
    EXPECT_FALSE(g->EditorMode());
    EXPECT_EQ(g->Cells(ColSurname, 1), "Shevchenko");
    EXPECT_EQ(g->Cells(ColCheck, c.row), c.ticked);
    EXPECT_EQ(g->Col(), ColSurname);
  }
  EXPECT_TRUE(f->bSek_Save->Enabled());
  // The position drop-down alike: the edit ends, the list opens.
  ClickCell(ColSurname, 1);
  type("Rebrov");
  ClickCell(ColPosition, 2);
  EXPECT_FALSE(g->EditorMode());
  EXPECT_EQ(g->Cells(ColSurname, 1), "Rebrov");
  EXPECT_TRUE(g->DropDownList()->Visible());
}

namespace {
std::vector<String> ItemsOf(TListBox* l) {
  std::vector<String> v;
  for (int i = 0; i < l->Items()->Count(); ++i) v.push_back(l->Items()->Get(i));
  return v;
}
}  // namespace

TEST_F(LineupInputTest, PositionListKeepsItsOrderAndDismissingWritesNothing) {
  struct Case {
    const char* name;
    String file;   // "Position.txt", empty for none
    std::vector<String> items;
  };
  const Case cases[] = {
      {"fixed", "", {"President", "Trainer", "Goalkeeper", "Defender", "Halfback", "Attacking"}},
      {"Position.txt", "Sweeper\nKeeper\nAttacking\n", {"Sweeper", "Keeper", "Attacking"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.file.empty()) WriteFile("Position.txt", c.file);
    TSortGrid* g = ShownTeam();
    TListBox* list = g->DropDownList();
    ClickCell(ColPosition, 2);
    ASSERT_TRUE(list->Visible());
    EXPECT_EQ(ItemsOf(list), c.items);
    press(Qt::Key_Escape, "\x1b");
    EXPECT_FALSE(list->Visible());
    ClickCell(ColPosition, 2);
    ASSERT_TRUE(list->Visible());
    ClickCell(ColSurname, 1);   // a click elsewhere
    EXPECT_FALSE(list->Visible());
    EXPECT_EQ(g->Cells(ColPosition, 2), "");
    EXPECT_FALSE(f->bSek_Save->Enabled());
    // A choice made with the keys is written.
    ClickCell(ColPosition, 2);
    press(Qt::Key_Down);
    press(Qt::Key_Return, "\r");
    EXPECT_EQ(g->Cells(ColPosition, 2), c.items[1]);
    Destroy();
  }
}

TEST_F(LineupInputTest, PositionListNearTheBottomShowsEveryItem) {
  TSortGrid* g = ShownTeam();
  g->SetRowCount(40);
  settle();
  const int last = g->TopRow() + g->VisibleRowCount() - 1;
  ClickCell(ColPosition, last);
  TListBox* list = g->DropDownList();
  ASSERT_TRUE(list->Visible());
  const TPoint onScreen = list->ClientToScreen(TPoint(0, 0));
  const TRect work = Screen->WorkAreaRect();
  EXPECT_GE(list->Top(), 0);
  EXPECT_LE(list->Top() + list->Height(), f->ClientHeight());
  EXPECT_GE(onScreen.Y, work.Top);
  EXPECT_LE(onScreen.Y + list->Height(), work.Bottom);
  // Every line lies inside the list's visible area (no bar covers one).
  const int n = list->Items()->Count();
  EXPECT_EQ(n, 6);
  EXPECT_LE(list->ItemRect(n - 1).Bottom, list->List()->viewport()->height());
  EXPECT_GE(list->ItemRect(0).Top, 0);
  press(Qt::Key_Escape, "\x1b");
  EXPECT_EQ(g->Cells(ColPosition, last), "");
}

TEST_F(LineupInputTest, TabEndsTheEditAndLeavesTheGrid) {
  // The grid is designed without Tab moving between cells: Tab keeps the
  // typed text and moves the focus on, so what is typed next never lands in
  // the same cell.
  TSortGrid* g = ShownTeam();
  ClickCell(0, 1);
  press(Qt::Key_7, "7");
  press(Qt::Key_Tab, "\t");
  EXPECT_FALSE(g->EditorMode());
  EXPECT_EQ(g->Cells(0, 1), "7");
  ASSERT_NE(focus(), nullptr);
  EXPECT_FALSE(g->Widget()->isAncestorOf(focus()) || focus() == g->Widget());
  type("Smith");
  EXPECT_EQ(g->Cells(0, 1), "7");
}

TEST_F(LineupInputTest, ADoubleClickOpensTheCellsEditorSoEndStaysInTheCell) {
  // A double click on a cell, with the edit mode off (it switches it on) or
  // on: the editor opens over that cell, End goes to the end of its text and
  // what is typed is added there; the photo's name stays as it was.
  constexpr int ColPhoto = 8;
  struct Case {
    const char* name;
    bool editMode;
    int col, row;
    String expected;
  };
  const Case cases[] = {{"edit mode off", false, ColBirthday, 2, "22.02.1998x"},
                        {"edit mode on", true, ColSurname, 2, "Vashchukx"},
                        {"edit mode on, current cell", true, ColSurname, 1, "Shovkovskyix"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TSortGrid* g = ShownTeam();
    g->SetCells(ColPhoto, c.row, "photo.jpg");
    f->LedSek_EditOn->SetValue(c.editMode);
    settle();
    const TRect r = g->CellRect(c.col, c.row);
    SendWindowDoubleClick(g, TPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
    settle();
    EXPECT_TRUE(g->EditorMode());
    EXPECT_EQ(g->Col(), c.col);
    for (uint16_t k : {uint16_t(VK_END), uint16_t('X'), uint16_t(VK_RETURN)}) {
      SendWindowKey(k);
      settle();
    }
    EXPECT_EQ(g->Cells(c.col, c.row), c.expected);
    EXPECT_EQ(g->Cells(ColPhoto, c.row), "photo.jpg");
    Destroy();
  }
}
