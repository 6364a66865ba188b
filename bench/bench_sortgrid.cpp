// Speed of the sort grid.
//
// Sort: SortByColumn on 1,000 / 10,000 / 100,000 / 1,000,000 data rows x 4
// columns by two keys (column 0 ssNumeric "1".."99", then column 1 ssNormal
// names, case-insensitive), and in the same run the reference on the same
// rows: keys converted once with the same toolkit functions (TryStrToFloat,
// LowerCase) into an array of values (number, lowered name, row number),
// that array std::stable_sort-ed by the same comparisons in the same order
// (number, then name), the rows then permuted by it. Before every timed run
// both get the rows back in their first, random order (not timed). The two
// are timed in pairs, alternately (201 / 41 / 11 / 3 pairs by size), and
// compared by their medians, so a burst of load on the machine meets both.
//
// Repaint: a full repaint of a 1,000 x 20 sort grid with OnGetCellFormat
// assigned (client 1000 x 600), beside the string grid's full repaint of
// the same cells, both rendered into an image of the grid's size.
//
// Selection: the same full repaint of a 50,001-row multi-select sort grid
// with 1, 10,000 and 50,000 rows selected (the first rows, so the visible
// ones are among them); the reference is the case with 1 selected row.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <numeric>
#include <random>

#include "grids/SortGrid.h"
#include "toolkit/Forms.h"
#include "BenchMain.h"

namespace {

constexpr int kSortRows = 1000000;

// The data rows: a number 1..99, a name, two more texts.
const std::vector<std::array<String, 4>>& sortData() {
  static const std::vector<std::array<String, 4>> data = [] {
    static const char* names[] = {"Ivanov", "petrov", "Sidorov", "smirnov", "Kuznetsov", "popov", "Vasiliev",
                                  "Sokolov", "mikhailov", "Novikov", "Fedorov", "morozov", "Volkov", "Alekseev"};
    std::mt19937 rng(20);
    std::vector<std::array<String, 4>> v(kSortRows);
    for (int i = 0; i < kSortRows; ++i) {
      v[size_t(i)][0] = std::to_string(1 + rng() % 99);
      v[size_t(i)][1] = String(names[rng() % 14]) + " " + std::to_string(rng() % 1000);
      v[size_t(i)][2] = "Team " + std::to_string(rng() % 50);
      v[size_t(i)][3] = std::to_string(i);
    }
    return v;
  }();
  return data;
}

void fillGrid(TSortGrid& g, int rows) {
  const auto& d = sortData();
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < 4; ++c) g.SetCells(c, r + 1, d[size_t(r)][size_t(c)]);
}

// The grid: a new one each time, its rows made in order as the reference's
// are.
std::unique_ptr<TSortGrid> newSortGrid(int rows) {
  auto grid = std::make_unique<TSortGrid>(nullptr);
  grid->SetColCount(4);
  grid->SetRowCount(rows + 1);
  grid->OnGetSortStyle = [](TObject*, int col, TSortStyle& s) { s = col == 0 ? ssNumeric : ssNormal; };
  fillGrid(*grid, rows);
  grid->SortOptions()->SecondaryIndex = "1";
  grid->SortOptions()->SortCaseSensitive = false;
  return grid;
}

using Rows = std::vector<std::unique_ptr<std::array<String, 4>>>;

// The reference: keys converted once into an array of values, that array
// stable-sorted, the rows permuted by it.
void referenceSort(Rows& rows) {
  const size_t n = rows.size();
  struct Key {
    double num;
    String name;
    int row;
  };
  std::vector<Key> keys(n);
  for (size_t i = 0; i < n; ++i) {
    double v = 0;
    TryStrToFloat((*rows[i])[0], v);
    keys[i] = Key{v, LowerCase((*rows[i])[1]), int(i)};
  }
  std::stable_sort(keys.begin(), keys.end(), [](const Key& ka, const Key& kb) {
    if (ka.num != kb.num) return ka.num < kb.num;
    return ka.name < kb.name;
  });
  Rows out(n);
  for (size_t i = 0; i < n; ++i) out[i] = std::move(rows[size_t(keys[i].row)]);
  rows.swap(out);
}

bool inOracleOrder(const TSortGrid& g) {
  for (int r = 2; r < g.RowCount(); ++r) {
    const double a = StrToFloat(g.Cells(0, r - 1)), b = StrToFloat(g.Cells(0, r));
    if (a > b || (a == b && LowerCase(g.Cells(1, r - 1)) > LowerCase(g.Cells(1, r)))) return false;
  }
  return true;
}

double medianOf(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Pairs of sorts: one of ours and one of the reference, each on its rows
// made anew just before it (not timed), in alternating order (ours first in even pairs), so both
// meet the same machine load. Counters: the median of each side's times and
// their ratio; the time reported is that of all sorts of both.
void BM_SortTwoKeys(benchmark::State& st) {
  const int rows = int(st.range(0));
  const int pairs = rows <= 1000 ? 201 : rows <= 10000 ? 41 : rows <= 100000 ? 11 : 3;
  const auto& d = sortData();
  using Clock = std::chrono::steady_clock;
  std::vector<double> ours, reference;
  for (auto _ : st) {
    double total = 0;
    for (int i = 0; i < pairs; ++i) {
      for (int side = 0; side < 2; ++side) {
        const bool oursNow = (side == 0) == (i % 2 == 0);
        // Each side's rows are made just before its sort, as when each ran
        // on its own, and freed after it.
        std::unique_ptr<TSortGrid> grid;
        Rows refRows;
        if (oursNow) {
          grid = newSortGrid(rows);
        } else {
          refRows.resize(size_t(rows));
          for (size_t r = 0; r < size_t(rows); ++r) refRows[r] = std::make_unique<std::array<String, 4>>(d[r]);
        }
        const auto t0 = Clock::now();
        if (oursNow) {
          grid->SortByColumn(0);
          benchmark::DoNotOptimize(grid->Cells(0, 1));
        } else {
          referenceSort(refRows);
          benchmark::DoNotOptimize(refRows[0].get());
        }
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        (oursNow ? ours : reference).push_back(ms);
        total += ms;
        if (oursNow && !inOracleOrder(*grid)) {
          st.SkipWithError("rows out of order");
          return;
        }
      }
    }
    st.SetIterationTime(total / 1000);
  }
  const double o = medianOf(ours), r = medianOf(reference);
  st.counters["grid_ms"] = o;
  st.counters["reference_ms"] = r;
  st.counters["ratio"] = o / r;
}
BENCHMARK(BM_SortTwoKeys)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(kSortRows)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// ------------------------------------------------------------ repaint

constexpr int kRows = 1000, kCols = 20, kClientW = 1000, kClientH = 600;

template <class G>
struct GridSetup {
  std::unique_ptr<TForm> form;
  G* grid = nullptr;
  explicit GridSetup(int kRows = ::kRows) {
    form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, kClientW + 60, kClientH + 60);
    grid = new G(form.get());
    grid->SetParent(form.get());
    grid->SetColCount(kCols);
    grid->SetRowCount(kRows);
    for (int r = 0; r < kRows; ++r)
      for (int c = 0; c < kCols; ++c) grid->SetCells(c, r, "Cell " + std::to_string(r) + ":" + std::to_string(c));
    grid->SetBounds(0, 0, kClientW + 4 + TCustomScrollControl::ScrollBarSize, kClientH + 4 + TCustomScrollControl::ScrollBarSize);
    form->Show();
    grid->SetFocus();
    for (int i = 0; i < 10; ++i) QApplication::processEvents();
  }
};

template <class G>
void repaint(benchmark::State& st, GridSetup<G>& s) {
  TBitmap picture(s.grid->Width(), s.grid->Height());
  for (auto _ : st) {
    s.grid->PaintTo(picture.Canvas(), 0, 0);
    benchmark::DoNotOptimize(picture.ScanLine(0));
  }
}

void BM_SortGridRepaintWithFormats(benchmark::State& st) {
  GridSetup<TSortGrid> s;
  // As the line-up grid: a bold header, check boxes and drop-downs.
  s.grid->OnGetCellFormat = [](TObject*, int c, int r, TGridDrawState, TFormatOptions& f, bool& ck, bool& cb, bool&) {
    if (r == 0) f.Font->SetStyle(TFontStyles{fsBold});
    ck = r > 0 && c == 1;
    cb = r > 0 && c == 7;
  };
  repaint(st, s);
}
BENCHMARK(BM_SortGridRepaintWithFormats)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

void BM_SortGridRepaintSelected(benchmark::State& st) {
  static GridSetup<TSortGrid>* s = [] {
    auto* g = new GridSetup<TSortGrid>(50001);
    g->grid->SetMultiSelect(true);
    return g;
  }();
  TStringList* sel = s->grid->SelectedRows();
  sel->BeginUpdate();
  sel->Clear();
  for (int r = 1; r <= int(st.range(0)); ++r) sel->Add(IntToStr(r));
  sel->EndUpdate();
  repaint(st, *s);
}
BENCHMARK(BM_SortGridRepaintSelected)->Arg(1)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_StringGridRepaint(benchmark::State& st) {
  GridSetup<TMyStringGrid> s;
  repaint(st, s);
}
BENCHMARK(BM_StringGridRepaint)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  return RunBenchmarks(argc, argv);
}
