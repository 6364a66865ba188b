// Sorting, filtering, the update bracket and the row and column operations
// of the sort grid.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "grids/SortGrid.h"

namespace {

// A grid of the given data rows (row 0 the header "c0", "c1", ...).
struct Rows : ::testing::Test {
  TSortGrid g{nullptr};
  void fill(const std::vector<std::vector<String>>& rows) {
    const int cols = rows.empty() ? 1 : int(rows[0].size());
    g.SetColCount(cols);
    g.SetRowCount(int(rows.size()) + 1);
    for (int c = 0; c < cols; ++c) g.SetCells(c, 0, "c" + IntToStr(c));
    for (size_t r = 0; r < rows.size(); ++r)
      for (int c = 0; c < cols; ++c) g.SetCells(c, int(r) + 1, rows[r][size_t(c)]);
  }
  std::vector<String> col(int c) const {
    std::vector<String> v;
    for (int r = 1; r < g.RowCount(); ++r) v.push_back(g.Cells(c, r));
    return v;
  }
  void sortBy(int c, TSortStyle st, TSortDirection d = sdAscending) {
    g.SortOptions()->SortStyle = st;
    g.SortOptions()->SortDirection = d;
    g.SortByColumn(c);
  }
};

using V = std::vector<String>;

}  // namespace

TEST_F(Rows, KeysOneThenTwoThenThreeAndEqualKeysKeepTheirOrder) {
  fill({{"a", "2", "x", "r1"}, {"b", "1", "y", "r2"}, {"c", "1", "x", "r3"}, {"d", "2", "x", "r4"}, {"e", "1", "x", "r5"}});
  g.SortOptions()->SecondaryIndex = "2,3";
  sortBy(1, ssNormal);
  EXPECT_EQ(col(0), (V{"c", "e", "b", "a", "d"}));
  // Equal keys keep their previous order in both directions.
  g.SortOptions()->SecondaryIndex = "";
  sortBy(1, ssNormal, sdDescending);
  EXPECT_EQ(col(0), (V{"a", "d", "c", "e", "b"}));
  sortBy(1, ssNormal, sdAscending);
  EXPECT_EQ(col(0), (V{"c", "e", "b", "a", "d"}));
  EXPECT_EQ(g.Cells(0, 0), "c0");
}

// Multi-key sorts of awkward keys (signed zeros, exponents, texts that do
// not convert, texts of 16 and more bytes with the same start, zero bytes,
// non-ASCII letters) give the order of a plain stable sort by the
// comparison functions themselves, in both directions and both cases.
struct MultiKeyCase {
  const char* name;
  int primary;
  const char* secondary;
  bool caseSensitive;
  TSortDirection dir;
};

class MultiKeyOrder : public ::testing::TestWithParam<MultiKeyCase> {};

TEST_P(MultiKeyOrder, IsThatOfTheComparisonFunctions) {
  const MultiKeyCase& p = GetParam();
  const V numbers = {"", "0", "-0", "-1.5", "1e3", "1000", "7", " 7", "abc", "ABC", String("7\0", 2)};
  const V texts = {"", "a", "A", "ab", String("ab\0", 3), String("ab\0c", 4), "abcdefghijklmnop", "abcdefghijklmnopq",
                   "ABCDEFGHIJKLMNOPqr", "abcdefghijklmnop" + String(1, '\0'), "\xc3\x84pfel", "\xc3\xa4pfel", "zz"};
  const V extended = {"", "R2a", "R10a", "r10A", "Item 9", "Item 10", "a01", "a1"};
  std::mt19937 rng(11);
  std::vector<V> rows;
  for (int r = 0; r < 400; ++r)
    rows.push_back({numbers[rng() % numbers.size()], texts[rng() % texts.size()], IntToStr(r),
                    extended[rng() % extended.size()]});
  const TSortStyle styles[] = {ssNumeric, ssNormal, ssNormal, ssNumericExtended};
  TSortGrid g(nullptr);
  g.SetColCount(4);
  g.SetRowCount(int(rows.size()) + 1);
  for (size_t r = 0; r < rows.size(); ++r)
    for (int c = 0; c < 4; ++c) g.SetCells(c, int(r) + 1, rows[r][size_t(c)]);
  g.OnGetSortStyle = [&](TObject*, int c, TSortStyle& st) { st = styles[c]; };
  g.SortOptions()->SecondaryIndex = p.secondary;
  g.SortOptions()->SortCaseSensitive = p.caseSensitive;
  g.SortOptions()->SortDirection = p.dir;
  g.SortByColumn(p.primary);

  std::vector<int> keys = {p.primary};
  TStringList more;
  more.SetCommaText(p.secondary);
  for (int i = 0; i < more.Count(); ++i)
    if (StrToInt(more.Get(i)) != p.primary) keys.push_back(StrToInt(more.Get(i)));
  std::vector<size_t> order(rows.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    for (int k : keys) {
      const String x = p.caseSensitive ? rows[a][size_t(k)] : LowerCase(rows[a][size_t(k)]);
      const String y = p.caseSensitive ? rows[b][size_t(k)] : LowerCase(rows[b][size_t(k)]);
      int r = styles[k] == ssNumeric ? SortCompareFloat(x, y)
              : styles[k] == ssNumericExtended ? SortCompareNumericExtended(x, y)
                                               : SortCompareStr(x, y);
      if (p.dir == sdDescending) r = -r;
      if (r != 0) return r < 0;
    }
    return false;
  });
  V want, got;
  for (size_t i : order) want.push_back(IntToStr(int(i)));
  for (int r = 1; r < g.RowCount(); ++r) got.push_back(g.Cells(2, r));
  EXPECT_EQ(got, want);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MultiKeyOrder,
    ::testing::Values(MultiKeyCase{"NumberThenText", 0, "1", false, sdAscending},
                      MultiKeyCase{"NumberThenTextDescending", 0, "1", false, sdDescending},
                      MultiKeyCase{"TextThenNumberCaseSensitive", 1, "0", true, sdAscending},
                      MultiKeyCase{"ExtendedThenTextThenNumber", 3, "1,0", false, sdDescending},
                      MultiKeyCase{"NumberAlone", 0, "", true, sdAscending}),
    [](const ::testing::TestParamInfo<MultiKeyCase>& i) { return String(i.param.name); });

struct StyleCase {
  TSortStyle style;
  bool caseSensitive;
  V in, out;
};

class SortStyles : public ::testing::TestWithParam<StyleCase> {};

TEST_P(SortStyles, OrderTypedData) {
  const StyleCase& p = GetParam();
  TSortGrid g(nullptr);
  g.SetColCount(1);
  g.SetRowCount(int(p.in.size()) + 1);
  for (size_t i = 0; i < p.in.size(); ++i) g.SetCells(0, int(i) + 1, p.in[i]);
  g.SortOptions()->SortStyle = p.style;
  g.SortOptions()->SortCaseSensitive = p.caseSensitive;
  g.SortByColumn(0);
  V got;
  for (int r = 1; r < g.RowCount(); ++r) got.push_back(g.Cells(0, r));
  EXPECT_EQ(got, p.out);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SortStyles,
    ::testing::Values(StyleCase{ssNumeric, false, {"10", "9", "abc", "", "-1.5"}, {"", "-1.5", "9", "10", "abc"}},
                      StyleCase{ssNormal, false, {"b", "A", "a", "B"}, {"A", "a", "b", "B"}},
                      StyleCase{ssNormal, true, {"b", "A", "a", "B"}, {"A", "B", "a", "b"}},
                      StyleCase{ssNumericExtended, false, {"Item 10", "R10a", "Item 9", "R2a"}, {"Item 9", "Item 10", "R2a", "R10a"}},
                      StyleCase{ssDateTime, false, {"02.01.2020", "01.02.2019", "x"}, {"01.02.2019", "02.01.2020", "x"}},
                      StyleCase{ssTime, false, {"12:00", "9:30", "23:59:59"}, {"9:30", "12:00", "23:59:59"}},
                      StyleCase{ssAutomatic, false, {"10", "9", "100"}, {"9", "10", "100"}}));

TEST_F(Rows, AutomaticWithAnEmptyCellSortsAsTextAndKeepsTheStyle) {
  fill({{"10"}, {""}, {"9"}});
  sortBy(0, ssAutomatic);
  EXPECT_EQ(col(0), (V{"", "10", "9"}));
  EXPECT_EQ(g.SortOptions()->SortStyle, ssNormal);
}

// Every input order of a would-be cycle gives the same order.
TEST(SortCompare, CycleExamplesAreAConsistentOrder) {
  const std::vector<std::pair<TSortStyle, V>> cases = {
      {ssNumeric, {"10", "5a", "9"}},
      {ssNumericExtended, {"R50b", "R77", "R102"}},
      {ssNumericExtended, {"a1", "a01", "a001", "a2"}},
      {ssNumericExtended, {"x99999999999999999999999", "x100000000000000000000000", "x9"}},
  };
  for (const auto& [style, values] : cases) {
    V first;
    V perm = values;
    std::sort(perm.begin(), perm.end());
    do {
      TSortGrid g(nullptr);
      g.SetColCount(1);
      g.SetRowCount(int(perm.size()) + 1);
      for (size_t i = 0; i < perm.size(); ++i) g.SetCells(0, int(i) + 1, perm[i]);
      g.SortOptions()->SortStyle = style;
      g.SortByColumn(0);
      V got;
      for (int r = 1; r < g.RowCount(); ++r) got.push_back(g.Cells(0, r));
      if (first.empty()) first = got;
      EXPECT_EQ(got, first) << "style " << style;
    } while (std::next_permutation(perm.begin(), perm.end()));
  }
  EXPECT_LT(SortCompareNumericExtended("a1", "a01") * SortCompareNumericExtended("a01", "a1"), 0);
  EXPECT_EQ(SortCompareNumericExtended("a1", "a1"), 0);
  EXPECT_LT(SortCompareNumericExtended("R77", "R102"), 0);
  EXPECT_LT(SortCompareNumericExtended("R50b", "R77"), 0);
  EXPECT_LT(SortCompareNumericExtended("", "0"), 0);
}

TEST_F(Rows, ACustomCompareThatIsNoOrderStillGivesEveryRowOnce) {
  V values;
  for (int i = 0; i < 300; ++i) values.push_back(IntToStr(i));
  std::vector<std::vector<String>> rows;
  for (const String& v : values) rows.push_back({v});
  fill(rows);
  std::mt19937 rng(7);
  g.SortOptions()->SortCompare = [&](const String&, const String&) { return int(rng() % 3) - 1; };
  sortBy(0, ssCustom);
  V got = col(0);
  std::sort(got.begin(), got.end());
  std::sort(values.begin(), values.end());
  EXPECT_EQ(got, values);
  EXPECT_FALSE(g.SortOptions()->SortCompare);
}

TEST_F(Rows, ABadKeyMovesNoRowAndClosesTheBracket) {
  fill({{"b", "1"}, {"a", "2"}});
  g.SortOptions()->UpdateOnSizeChange = true;
  int ended = 0;
  g.OnEndUpdate = [&](TObject*) { ++ended; };
  struct Bad {
    String secondary;
    TSortStyle style;
    int col;
  };
  for (const Bad& b : {Bad{"x", ssNormal, 0}, Bad{"7", ssNormal, 0}, Bad{"", ssCustom, 0}, Bad{"", ssNormal, 5}}) {
    g.SortOptions()->SecondaryIndex = b.secondary;
    g.SortOptions()->SortStyle = b.style;
    EXPECT_ANY_THROW(g.SortByColumn(b.col)) << b.secondary;
    EXPECT_EQ(col(0), (V{"b", "a"}));
    EXPECT_FALSE(g.NowUpdating());
    EXPECT_TRUE(g.SortOptions()->UpdateOnSizeChange);
  }
  EXPECT_EQ(ended, 4);
}

TEST_F(Rows, NestedBracketsKeepReSortingOnSizeChanges) {
  fill({{"b"}, {"a"}});
  g.SortOptions()->UpdateOnSizeChange = true;
  g.BeginUpdate();
  g.AutoSizeColumns(true);   // a bracket of its own inside
  EXPECT_TRUE(g.NowUpdating());
  g.EndUpdate();
  EXPECT_FALSE(g.NowUpdating());
  EXPECT_TRUE(g.SortOptions()->UpdateOnSizeChange);
  g.SetCells(0, 2, "0");
  g.SetRowCount(4);
  EXPECT_EQ(g.Cells(0, 1), "");   // the new empty row sorts first
  EXPECT_EQ(g.Cells(0, 2), "0");
}

TEST_F(Rows, SelectedRowsFollowTheSort) {
  fill({{"c"}, {"a"}, {"b"}});
  g.SelectedRows()->Clear();
  g.SelectedRows()->Add("1");
  g.SelectedRows()->Add("02");   // names no row
  sortBy(0, ssNormal);
  EXPECT_TRUE(g.IsRowSelected(3));
  EXPECT_FALSE(g.IsRowSelected(1));
  EXPECT_EQ(g.Row(), 3);
}

// The program's own changes to the list of selected rows are what the grid
// answers, inside and after an update bracket; only a row's own number
// names it.
TEST_F(Rows, SelectedRowsListChangesAreSeen) {
  fill({{"a"}, {"b"}, {"c"}, {"d"}});
  TStringList* sel = g.SelectedRows();
  sel->Clear();
  sel->Add("2");
  sel->Add("04");
  EXPECT_TRUE(g.IsRowSelected(2));
  EXPECT_FALSE(g.IsRowSelected(4));
  sel->BeginUpdate();
  sel->Add("3");
  EXPECT_TRUE(g.IsRowSelected(3));
  sel->Delete(0);
  sel->EndUpdate();
  EXPECT_FALSE(g.IsRowSelected(2));
  EXPECT_TRUE(g.IsRowSelected(3));
}

// ------------------------------------------------------------ filter

TEST_F(Rows, FilterShowsAcceptedRowsAndUnfilterRestoresAll) {
  fill({{"1"}, {"2"}, {"3"}, {"4"}, {"5"}});
  g.SortOptions()->SortDirection = sdDescending;
  g.OnSetFilter = [](TStrings* r, bool& accept) { accept = r->Get(0) == "2" || r->Get(0) == "5"; };
  g.SetFiltered(true);
  EXPECT_EQ(g.RowCount(), 3);
  EXPECT_EQ(col(0), (V{"5", "2"}));
  EXPECT_EQ(g.HiddenRowCount(), 3);
  g.SetFiltered(false);
  EXPECT_EQ(col(0), (V{"5", "4", "3", "2", "1"}));
  EXPECT_EQ(g.HiddenRowCount(), 0);
}

TEST_F(Rows, FilterRejectingEveryRowLeavesOneEmptyRow) {
  fill({{"1"}, {"2"}});
  g.OnSetFilter = [](TStrings*, bool& accept) { accept = false; };
  g.SetFiltered(true);
  EXPECT_EQ(g.RowCount(), 2);
  EXPECT_TRUE(g.IsRowEmpty(1));
  g.SetFiltered(false);
  EXPECT_EQ(col(0), (V{"1", "2"}));
}

TEST_F(Rows, RowsChangedWhileFilteredComeBackExactlyOnce) {
  fill({{"a"}, {"b"}, {"c"}, {"d"}});
  g.OnSetFilter = [](TStrings* r, bool& accept) { accept = r->Get(0) == "a" || r->Get(0) == "b"; };
  g.SetFiltered(true);
  g.InsertRow(1);
  g.SetCells(0, 1, "new");
  g.DeleteRow(2);            // "a"
  g.SetRowCount(g.RowCount() + 1);
  EXPECT_TRUE(g.IsRowEmpty(g.RowCount() - 1));
  g.SetCells(0, g.RowCount() - 1, "added");
  g.SetFiltered(false);
  V got = col(0);
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, (V{"added", "b", "c", "d", "new"}));
}

// ------------------------------------------------------------ rows and columns

TEST_F(Rows, ADeletedRowNeverComesBack) {
  fill({{"Ivanov"}, {"Petrov"}, {"Sidorov"}});
  int deleted = -1;
  g.OnRowDelete = [&](TObject*, int r) { deleted = r; };
  g.DeleteRow(1);
  EXPECT_EQ(deleted, 1);
  EXPECT_EQ(col(0), (V{"Petrov", "Sidorov"}));
  g.SetRowCount(g.RowCount() + 1);
  EXPECT_TRUE(g.IsRowEmpty(g.RowCount() - 1));
  // With one data row the row is only emptied.
  fill({{"x"}});
  g.DeleteRow(1);
  EXPECT_EQ(g.RowCount(), 2);
  EXPECT_TRUE(g.IsRowEmpty(1));
}

TEST_F(Rows, IndexesOutsideTheGridChangeNothing) {
  fill({{"a", "b"}, {"c", "d"}});
  const std::vector<std::function<void()>> ops = {
      [&] { g.AutoSizeCol(-1, true); }, [&] { g.AutoSizeCol(2, true); }, [&] { g.InsertRow(3); },
      [&] { g.DeleteRow(-1); },         [&] { g.DeleteColumn(2); },      [&] { g.MoveRow(1, 3); },
      [&] { g.MoveColumn(-1, 0); },     [&] { g.InsertColumn(5); },      [&] { g.SwapRows(0, 9); }};
  for (const auto& op : ops) {
    try {
      op();
      ADD_FAILURE() << "no error";
    } catch (const EInvalidGridOperation& e) {
      EXPECT_EQ(e.Message, "Grid index out of range");
    }
    EXPECT_EQ(g.RowCount(), 3);
    EXPECT_EQ(g.ColCount(), 2);
    EXPECT_EQ(col(0), (V{"a", "c"}));
  }
}

TEST_F(Rows, InsertSwapAndColumnOperations) {
  fill({{"a", "1"}, {"b", "2"}, {"c", "3"}});
  g.InsertRow(1);
  EXPECT_EQ(col(0), (V{"", "a", "b", "c"}));
  EXPECT_EQ(g.Row(), 1);
  g.SwapRows(2, 4);
  EXPECT_EQ(col(0), (V{"", "c", "b", "a"}));
  g.SortOptions()->SortCol = 1;
  g.MoveColumn(1, 0);   // the sort column follows
  EXPECT_EQ(g.SortOptions()->SortCol, 0);
  EXPECT_EQ(g.Cells(0, 2), "3");
  g.InsertColumn(0);
  EXPECT_EQ(g.ColCount(), 3);
  EXPECT_EQ(g.Cells(0, 2), "");
  g.DeleteColumn(0);
  g.SetColCount(3);
  EXPECT_EQ(g.Cells(2, 2), "");
  EXPECT_THROW(g.SetSortOptions(g.PrintOptions()), EConvertError);
}
