// Speed of the grid engine: a full repaint of the visible part of a
// 1,000 x 20 string grid (client 1000 x 600, every cell written), and in the
// same run the same texts in a QTableView over a QStandardItemModel rendered
// at the same size; and the repaint after scrolling by one row.
// Both full repaints render the widget into an image of its own size
// (QWidget::render, through PaintTo for the grid): the same work a paint of
// the window does, without the screen.
//
// New texts: before each timed repaint (untimed) every cell in view gets a
// text the grid has not drawn before; the reference, in the same run, fills
// the same cell rectangles and draws the same new texts (from the same UTF-8
// strings) with the point call the grid's canvas makes for a text it has not
// drawn before, QPainter::drawText(QPoint, QString) at the cell's text origin
// (2, 2 inside the cell, the baseline a font ascent lower), in the grid's
// font into an image of the same size, each clipped to its cell as the
// grid's are. The warm case is the plain full repaint above (every text seen
// before).
#include "toolkit/QtGlue.h"
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QHeaderView>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QStandardItemModel>
#include <QTableView>
#include <cstdlib>
#include <memory>

#include "grids/MyGrids.h"
#include "toolkit/Forms.h"
#include "toolkit/TestApp.h"

namespace {

constexpr int kRows = 1000, kCols = 20, kClientW = 1000, kClientH = 600;

String cellText(int c, int r) { return "Cell " + std::to_string(r) + ":" + std::to_string(c); }

struct GridSetup {
  std::unique_ptr<TForm> form;
  TMyStringGrid* grid = nullptr;
  GridSetup() {
    form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, kClientW + 60, kClientH + 60);
    grid = new TMyStringGrid(form.get());
    grid->SetParent(form.get());
    grid->SetColCount(kCols);
    grid->SetRowCount(kRows);
    for (int r = 0; r < kRows; ++r)
      for (int c = 0; c < kCols; ++c) grid->SetCells(c, r, cellText(c, r));
    // Edge and both bars around a client of 1000 x 600.
    grid->SetBounds(0, 0, kClientW + 4 + TCustomScrollControl::ScrollBarSize,
                    kClientH + 4 + TCustomScrollControl::ScrollBarSize);
    form->Show();
    grid->SetFocus();
    for (int i = 0; i < 10; ++i) QApplication::processEvents();
  }
};

void BM_GridFullRepaint(benchmark::State& st) {
  GridSetup s;
  if (s.grid->ClientWidth() != kClientW || s.grid->ClientHeight() != kClientH) {
    st.SkipWithError("client size is not 1000 x 600");
    return;
  }
  TBitmap picture(s.grid->Width(), s.grid->Height());
  for (auto _ : st) {
    s.grid->PaintTo(picture.Canvas(), 0, 0);
    benchmark::DoNotOptimize(picture.ScanLine(0));
  }
}
BENCHMARK(BM_GridFullRepaint)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

void BM_TableViewFullRepaint(benchmark::State& st) {
  QStandardItemModel model(kRows, kCols);
  for (int r = 0; r < kRows; ++r)
    for (int c = 0; c < kCols; ++c) {
      const String t = cellText(c, r);
      model.setItem(r, c, new QStandardItem(QString::fromUtf8(t.data(), qsizetype(t.size()))));
    }
  QTableView view;
  view.setModel(&model);
  view.horizontalHeader()->setDefaultSectionSize(64);
  view.verticalHeader()->setDefaultSectionSize(24);
  view.resize(kClientW + 4 + 17, kClientH + 4 + 17);
  view.show();
  for (int i = 0; i < 10; ++i) QApplication::processEvents();
  QImage picture(view.size(), QImage::Format_RGB32);
  for (auto _ : st) {
    view.render(&picture);
    benchmark::DoNotOptimize(picture.bits());
  }
}
BENCHMARK(BM_TableViewFullRepaint)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

// The cells in view, fixed ones included.
std::vector<std::pair<int, int>> cellsInView(TMyStringGrid* g) {
  std::vector<std::pair<int, int>> cells;
  const int lastCol = std::min(g->ColCount() - 1, g->LeftCol() + g->VisibleColCount());
  const int lastRow = std::min(g->RowCount() - 1, g->TopRow() + g->VisibleRowCount());
  for (int r = 0; r <= lastRow; ++r)
    for (int c = 0; c <= lastCol; ++c)
      if ((r < g->FixedRows() || r >= g->TopRow()) && (c < g->FixedCols() || c >= g->LeftCol()))
        cells.emplace_back(c, r);
  return cells;
}

void BM_GridRepaintNewTexts(benchmark::State& st) {
  GridSetup s;
  const auto cells = cellsInView(s.grid);
  TBitmap picture(s.grid->Width(), s.grid->Height());
  int serial = 0;
  for (auto _ : st) {
    st.PauseTiming();
    ++serial;
    for (auto [c, r] : cells) s.grid->SetCells(c, r, "New " + std::to_string(serial) + ":" + std::to_string(r * kCols + c));
    st.ResumeTiming();
    s.grid->PaintTo(picture.Canvas(), 0, 0);
    benchmark::DoNotOptimize(picture.ScanLine(0));
  }
  st.counters["cells"] = double(cells.size());
}
BENCHMARK(BM_GridRepaintNewTexts)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

void BM_DrawTextSameCells(benchmark::State& st) {
  GridSetup s;
  const auto cells = cellsInView(s.grid);
  std::vector<QRect> rects;
  for (auto [c, r] : cells) {
    const TRect rc = s.grid->CellRect(c, r);
    rects.emplace_back(rc.Left, rc.Top, rc.Right - rc.Left, rc.Bottom - rc.Top);
  }
  const QFont font = tkqt::CanvasQFont(*s.grid->Font());
  const int ascent = QFontMetrics(font).ascent();
  QImage picture(s.grid->Width(), s.grid->Height(), QImage::Format_RGB32);
  std::vector<std::string> texts(cells.size());
  int serial = 0;
  for (auto _ : st) {
    st.PauseTiming();
    ++serial;
    for (size_t i = 0; i < cells.size(); ++i)
      texts[i] = "New " + std::to_string(serial) + ":" + std::to_string(cells[i].second * kCols + cells[i].first);
    st.ResumeTiming();
    QPainter p(&picture);
    p.setFont(font);
    for (size_t i = 0; i < cells.size(); ++i) {
      // Each text clipped to its cell, as the grid's are.
      p.setClipRect(rects[i]);
      p.fillRect(rects[i], Qt::white);
      p.drawText(QPoint(rects[i].left() + 2, rects[i].top() + 2 + ascent), QString::fromStdString(texts[i]));
    }
    p.end();
    benchmark::DoNotOptimize(picture.bits());
  }
  st.counters["cells"] = double(cells.size());
}
BENCHMARK(BM_DrawTextSameCells)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

// Scrolls the shown grid by one row and lets the window repaint what came
// into view (the rest of the picture is moved).
void BM_GridOneRowScrollRepaint(benchmark::State& st) {
  GridSetup s;
  int drawn = 0;
  s.grid->OnDrawCell = [&](TObject*, int, int, TRect, TGridDrawState) { ++drawn; };
  int top = s.grid->TopRow();
  for (auto _ : st) {
    top = top == 1 ? 2 : 1;
    s.grid->SetTopRow(top);
    s.grid->Update();
  }
  st.counters["cells_drawn"] = benchmark::Counter(double(drawn) / double(st.iterations()));
}
BENCHMARK(BM_GridOneRowScrollRepaint)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  TestApp::Init(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
