// What the sort grid shows, and its keys and mouse, on a shown form.
#include <QWheelEvent>

#include "grids/SortGrid.h"
#include "tests/grids/GridTestSupport.h"
#include "toolkit/DragDrop.h"
#include "toolkit/StdCtrls.h"

namespace {

using V = std::vector<String>;

struct SortGridLook : ::testing::Test {
  GridFormT<TSortGrid> f{400, 300};
  TSortGrid* g = f.grid;
  void SetUp() override {
    g->SetColCount(4);
    g->SetRowCount(5);
    g->SetDefaultColWidth(80);
    // Column 1 check boxes, 2 drop-downs, 3 ellipsis buttons.
    g->OnGetCellFormat = [](TObject*, int c, int r, TGridDrawState, TFormatOptions&, bool& ck, bool& cb, bool& el) {
      if (r == 0) return;
      ck = c == 1;
      cb = c == 2;
      el = c == 3;
    };
    pump();
  }
  static TColor rgb(TColor c) { return ColorToRGB(c); }
  // Pixels of colour c inside r of a picture.
  static int count(const std::unique_ptr<TBitmap>& b, TRect r, TColor c) {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) n += GridFormT<TSortGrid>::px(b, x, y) == rgb(c);
    return n;
  }
  void clickCell(int c, int r, Qt::KeyboardModifiers m = Qt::NoModifier) {
    const TRect rc = g->CellRect(c, r);
    const int x = (rc.Left + rc.Right) / 2, y = (rc.Top + rc.Bottom) / 2;
    f.mouse(QEvent::MouseButtonPress, x, y, nullptr, m);
    f.mouse(QEvent::MouseButtonRelease, x, y, nullptr, m);
    pump();
  }
};

}  // namespace

TEST_F(SortGridLook, SpecialCellsShowTheirGlyphs) {
  g->SetCells(1, 1, "V");
  g->SetCells(1, 2, "v");   // lower case: unchecked
  g->SetCol(2);
  g->SetRow(1);
  pump();
  auto b = f.shot();
  auto box = [&](int r) {
    const TRect rc = g->CellRect(1, r);
    const int x = rc.Left + (rc.Right - rc.Left - 16) / 2, y = rc.Top + g->RowHeights(r) / 2 - 8;
    return count(b, Rect(x, y, x + 16, y + 16), clBlack);
  };
  EXPECT_GT(box(1), box(2) + 10);
  EXPECT_EQ(box(2), box(3));
  // The drop-down button on the current cell, the ellipsis on the current
  // row's other cells, neither elsewhere.
  auto button = [&](int c, int r) {
    const TRect rc = g->CellRect(c, r);
    return count(b, Rect(rc.Right - 15, rc.Top + 2, rc.Right - 1, rc.Bottom - 2), clBtnFace);
  };
  EXPECT_GT(button(2, 1), 100);
  EXPECT_GT(button(3, 1), 100);
  EXPECT_EQ(button(2, 2), 0);
  EXPECT_EQ(button(3, 2), 0);
}

TEST_F(SortGridLook, HeaderShowsTheSortArrowAndShortensLongTexts) {
  g->SetCells(0, 0, "Surname and first name of the player");
  g->SetCells(1, 0, "W");
  g->SetColWidths(1, 6);   // one character stays as it is
  g->SortOptions()->SortCol = 0;
  pump();
  auto b = f.shot();
  const int y = g->RowHeights(0) / 2 - 4;
  EXPECT_GT(count(b, Rect(3, y, 11, y + 7), clBtnShadow), 8);
  // The shortened header is the longest beginning that fits with "..".
  TCanvas* cv = g->Canvas();
  cv->Font()->Assign(g->Font());
  const String full = g->Cells(0, 0);
  const int avail = g->ColWidths(0) - 1 - 11;
  String expect;
  for (size_t n = full.size() - 2; n >= 2; --n)
    if (cv->TextWidth(full.substr(0, n) + "..") <= avail) {
      expect = full.substr(0, n) + "..";
      break;
    }
  ASSERT_FALSE(expect.empty());
  GridFormT<TSortGrid> f2{400, 300};
  f2.grid->SetColCount(4);
  f2.grid->SetDefaultColWidth(80);
  f2.grid->SetCells(0, 0, expect);
  pump();
  auto b2 = f2.shot();
  const TRect hr = g->CellRect(0, 0);
  int differ = 0;
  for (int yy = hr.Top; yy < hr.Bottom; ++yy)
    for (int x = hr.Left; x < hr.Right; ++x) differ += GridFormT<TSortGrid>::px(b, x, yy) != GridFormT<TSortGrid>::px(b2, x, yy);
  EXPECT_EQ(differ, 0);
}

TEST_F(SortGridLook, SelectedRowsInHighlightAndHiddenRowsBlank) {
  g->OnGetCellFormat = nullptr;
  g->SetMultiSelect(true);
  for (int r = 1; r < 5; ++r) g->SetCells(0, r, "WWWW");
  clickCell(0, 2);
  clickCell(0, 4, Qt::ControlModifier);
  auto b = f.shot();
  auto hl = [&](int r) {
    const TRect rc = g->CellRect(2, r);
    return count(b, Rect(rc.Left + 2, rc.Top + 2, rc.Right - 2, rc.Bottom - 2), clHighlight);
  };
  EXPECT_GT(hl(2), 500);
  EXPECT_GT(hl(4), 500);
  EXPECT_EQ(hl(3), 0);
  EXPECT_TRUE(g->IsRowSelected(2) && g->IsRowSelected(4));
  // Ctrl-clicking a selected row takes it out.
  clickCell(0, 4, Qt::ControlModifier);
  EXPECT_FALSE(g->IsRowSelected(4));
  EXPECT_TRUE(g->IsRowSelected(2));
  g->SetMultiSelect(false);
  g->SetHideRows(true);
  pump();
  auto h = f.shot();
  const TRect rc = g->CellRect(0, 3);
  EXPECT_EQ(count(h, Rect(rc.Left, rc.Top, rc.Right - 1, rc.Bottom - 1), clBlack), 0);
}

TEST_F(SortGridLook, TypingSearchesTheSortColumn) {
  const V names = {"anna", "boris", "Bella", "carl"};
  for (int r = 0; r < 4; ++r) g->SetCells(0, r + 1, names[size_t(r)]);
  g->SetRow(1);
  std::vector<char32_t> seen;
  g->OnKeyPress = [&](TObject*, char32_t& k) { seen.push_back(k); };
  std::vector<int> rows;
  for (int i = 0; i < 3; ++i) {
    f.key(Qt::Key_B, Qt::NoModifier, "b");
    pump();
    rows.push_back(g->Row());
  }
  EXPECT_EQ(rows, (std::vector<int>{2, 3, 2}));
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen[0], U'B');
}

TEST_F(SortGridLook, ExtendedKeysInsertAndDeleteRows) {
  g->SetExtendedKeys(true);
  g->SetRowCount(2);
  g->SetRow(1);
  f.key(Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(g->RowCount(), 2);
  f.key(Qt::Key_Insert, Qt::ControlModifier);
  EXPECT_EQ(g->RowCount(), 3);
  f.key(Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(g->RowCount(), 2);
}

TEST_F(SortGridLook, WheelAtTheEndKeepsTheTopRow) {
  g->SetRowCount(200);
  g->ScrollToCell(0, 199);
  const int top = g->TopRow();
  QWheelEvent w(QPointF(50, 50), g->Widget()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120), Qt::NoButton,
                Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(g->Widget(), &w);
  pump();
  EXPECT_EQ(g->TopRow(), top);
  g->ScrollToCell(0, 50);
  EXPECT_EQ(g->TopRow(), 49);
}

TEST_F(SortGridLook, HeaderClicksSortAndToggleTheDirection) {
  g->OnGetCellFormat = nullptr;
  const V v = {"b", "c", "a", "d"};
  for (int r = 0; r < 4; ++r) g->SetCells(1, r + 1, v[size_t(r)]);
  clickCell(1, 0);
  EXPECT_EQ(g->Cells(1, 1), "a");
  clickCell(1, 0);
  EXPECT_EQ(g->SortOptions()->SortDirection, sdDescending);
  EXPECT_EQ(g->Cells(1, 1), "d");
  g->SortOptions()->CanSort = false;
  clickCell(1, 0);
  EXPECT_EQ(g->SortOptions()->SortDirection, sdAscending);
  EXPECT_EQ(g->Cells(1, 1), "d");
}

TEST_F(SortGridLook, CheckBoxesToggleAndEmptyDropDownsStayShut) {
  g->SetCells(1, 2, "v");
  clickCell(1, 2);
  EXPECT_EQ(g->Cells(1, 2), "V");
  clickCell(1, 2);
  EXPECT_EQ(g->Cells(1, 2), "");
  g->OnGetComboBox = [](TObject*, int, int, TStringList*&, int&, int&, bool&) {};
  g->SetCol(2);
  g->SetRow(1);
  f.key(Qt::Key_Space, Qt::NoModifier, " ");
  EXPECT_FALSE(g->DropDownList()->Visible());
  // With items the list opens under the cell and writes its choice there.
  g->OnGetComboBox = [](TObject*, int, int, TStringList*& s, int&, int&, bool&) {
    s->Add("Goalkeeper");
    s->Add("Defender");
  };
  String written;
  g->OnSetComboBox = [&](TObject*, int, int r, const String& s) { written = s + IntToStr(r); };
  ASSERT_TRUE(g->ShowComboBox(2, 1));
  const TPoint cellOnScreen = g->ClientToScreen(TPoint(g->CellRect(2, 1).Left, g->CellRect(2, 1).Bottom));
  const TPoint listOnScreen = g->DropDownList()->ClientToScreen(TPoint(0, 0));
  EXPECT_NEAR(listOnScreen.Y, cellOnScreen.Y, 4);
  g->DropDownList()->SetItemIndex(1);
  g->CommitComboBox();
  EXPECT_EQ(g->Cells(2, 1), "Goalkeeper");
  EXPECT_EQ(written, "Goalkeeper1");
}

TEST_F(SortGridLook, SortingClosesTheEditorIntoItsOwnCell) {
  g->OnGetCellFormat = nullptr;
  g->SetOptions(g->Options() + TGridOptions{goEditing});
  g->SetRowCount(3);
  g->SetCells(0, 1, "b");
  g->SetCells(0, 2, "a");
  g->SetCol(0);
  g->SetRow(1);
  f.key(Qt::Key_Return, Qt::NoModifier, "\r");
  pump();
  ASSERT_TRUE(g->InplaceEditor() && g->InplaceEditor()->Visible());
  g->InplaceEditor()->SetText("z");
  g->SortByColumn(0);
  EXPECT_EQ(g->Cells(0, 1), "a");
  EXPECT_EQ(g->Cells(0, 2), "z");
}

TEST_F(SortGridLook, TheEditGuardKeepsOrReplacesTheEditedText) {
  g->OnGetCellFormat = nullptr;
  g->SetOptions(g->Options() + TGridOptions{goEditing});
  g->SetCells(0, 1, "7");
  g->SetModified(false);
  std::vector<String> seen;
  g->OnCellValidate = [&](TObject*, int, int, const String& oldValue, String& newValue, bool& valid) {
    seen.push_back(oldValue + ">" + newValue);
    if (newValue == "x") valid = false;                 // refused: the old text stays
    if (newValue == "07") newValue = "7";               // mended
  };
  g->SetCol(0);
  g->SetRow(1);
  for (const char* typed : {"x", "07", "9"}) {
    f.key(Qt::Key_Return, Qt::NoModifier, "\r");
    pump();
    ASSERT_TRUE(g->InplaceEditor() && g->InplaceEditor()->Visible());
    g->InplaceEditor()->SetText(typed);
    f.key(Qt::Key_Return, Qt::NoModifier, "\r");
    pump();
  }
  EXPECT_EQ(seen, (V{"7>x", "7>07", "7>9"}));
  EXPECT_EQ(g->Cells(0, 1), "9");
  EXPECT_TRUE(g->Modified());
}

TEST_F(SortGridLook, DraggingASelectedRowStartsAfterElevenPixels) {
  g->OnGetCellFormat = nullptr;
  g->SetMultiSelect(true);
  clickCell(0, 2);
  ASSERT_TRUE(g->IsRowSelected(2));
  const TRect rc = g->CellRect(0, 2);
  const int x = rc.Left + 10, y = rc.Top + 5;
  f.mouse(QEvent::MouseButtonPress, x, y);
  f.mouse(QEvent::MouseMove, x + 10, y);
  EXPECT_EQ(DragControl(), nullptr);
  f.mouse(QEvent::MouseMove, x + 11, y);
  EXPECT_EQ(DragControl(), g);
  f.mouse(QEvent::MouseButtonRelease, x + 11, y);
  EXPECT_EQ(DragControl(), nullptr);
  EXPECT_TRUE(g->IsRowSelected(2));
}
