#include "grids/SortGrid.h"

TSortGrid::TSortGrid(TComponent* AOwner) : TMyStringGrid(AOwner) { SetFixedCols(0); }

void TSortGrid::SetModified(bool v) {
  modified_ = v;
  if (v && OnModified) Dispatch([this] { OnModified(this); });
}

bool TSortGrid::IsRowEmpty(int ARow) const {
  for (int c = 0; c < ColCount(); ++c)
    if (!Cells(c, ARow).empty()) return false;
  return true;
}

void TSortGrid::Clear() {
  for (int r = 1; r < RowCount(); ++r) Rows(r)->Clear();
  SetRowCount(2);
  SetRow(1);
  modified_ = false;
  AutoSizeColumns(true);
  InvalidateGrid();
}

void TSortGrid::AutoSizeColumns(bool Force) {
  // The grid's own canvas measures outside painting too.
  TCanvas* measure = Canvas();
  measure->Font()->Assign(Font());
  for (int c = 0; c < ColCount(); ++c) {
    int w = 0;
    for (int r = 0; r < RowCount(); ++r) w = std::max(w, measure->TextWidth(Cells(c, r)));
    w += 8;
    if (Force || w > ColWidths(c)) SetColWidths(c, std::max(w, Force ? 16 : ColWidths(c)));
  }
}
