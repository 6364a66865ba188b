#include "grids/SortGrid.h"

TSortGrid::TSortGrid(TComponent* AOwner) : TCustomControl(AOwner) {
  colWidths_.assign(size_t(colCount_), defaultColWidth_);
  SetColor(clWindow);
  SetTabStop(true);
  SetBounds(0, 0, 320, 120);
}

void TSortGrid::SetColCount(int v) {
  if (v < 1) throw EInvalidGridOperation("Grid index out of range");
  if (v == colCount_) return;
  colCount_ = v;
  colWidths_.resize(size_t(v), defaultColWidth_);
  for (auto& r : cells_)
    if (int(r.size()) > v) r.resize(size_t(v));
  if (fixedCols_ >= v) fixedCols_ = v - 1;
  if (col_ >= v) col_ = v - 1;
  Invalidate();
}

void TSortGrid::SetRowCount(int v) {
  if (v < 1) throw EInvalidGridOperation("Grid index out of range");
  if (v == rowCount_) return;
  rowCount_ = v;
  if (int(cells_.size()) > v) cells_.resize(size_t(v));
  if (fixedRows_ >= v) fixedRows_ = v - 1;
  if (row_ >= v) row_ = v - 1;
  Invalidate();
}

void TSortGrid::SetFixedRows(int v) {
  if (v < 0 || v >= rowCount_) throw EInvalidGridOperation("Fixed row count must be less than row count");
  fixedRows_ = v;
  if (row_ < v) row_ = v;
  Invalidate();
}

void TSortGrid::SetFixedCols(int v) {
  if (v < 0 || v >= colCount_) throw EInvalidGridOperation("Fixed column count must be less than column count");
  fixedCols_ = v;
  if (col_ < v) col_ = v;
  Invalidate();
}

void TSortGrid::checkCell(int c, int r) const {
  if (c < 0 || r < 0 || c >= colCount_ || r >= rowCount_) throw EInvalidGridOperation("Grid index out of range");
}

String TSortGrid::Cells(int ACol, int ARow) const {
  if (ARow < 0 || ARow >= int(cells_.size())) return String();
  const auto& row = cells_[size_t(ARow)];
  if (ACol < 0 || ACol >= int(row.size())) return String();
  return row[size_t(ACol)];
}

void TSortGrid::SetCells(int ACol, int ARow, const String& s) {
  checkCell(ACol, ARow);
  if (int(cells_.size()) <= ARow) cells_.resize(size_t(ARow) + 1);
  auto& row = cells_[size_t(ARow)];
  if (int(row.size()) <= ACol) row.resize(size_t(ACol) + 1);
  if (row[size_t(ACol)] == s) return;
  row[size_t(ACol)] = s;
  Invalidate();
}

void TSortGrid::SetRow(int v) {
  if (v < 0 || v >= rowCount_) throw EInvalidGridOperation("Grid index out of range");
  if (v == row_) return;
  row_ = v;
  Invalidate();
}

void TSortGrid::SetCol(int v) {
  if (v < 0 || v >= colCount_) throw EInvalidGridOperation("Grid index out of range");
  if (v == col_) return;
  col_ = v;
  Invalidate();
}

int TSortGrid::ColWidths(int i) const {
  if (i < 0 || i >= colCount_) throw EInvalidGridOperation("Grid index out of range");
  return colWidths_[size_t(i)];
}

void TSortGrid::SetColWidths(int i, int w) {
  if (i < 0 || i >= colCount_) throw EInvalidGridOperation("Grid index out of range");
  if (colWidths_[size_t(i)] == w) return;
  colWidths_[size_t(i)] = w;
  Invalidate();
}

void TSortGrid::SetDefaultColWidth(int v) {
  defaultColWidth_ = v;
  colWidths_.assign(size_t(colCount_), v);
  Invalidate();
}

void TSortGrid::SetDefaultRowHeight(int v) {
  if (v == defaultRowHeight_) return;
  defaultRowHeight_ = v;
  Invalidate();
}

void TSortGrid::SetGridLineWidth(int v) {
  if (v == gridLineWidth_) return;
  gridLineWidth_ = v;
  Invalidate();
}

void TSortGrid::SetModified(bool v) {
  modified_ = v;
  if (v && OnModified) Dispatch([this] { OnModified(this); });
}

bool TSortGrid::IsRowEmpty(int ARow) const {
  for (int c = 0; c < colCount_; ++c)
    if (!Cells(c, ARow).empty()) return false;
  return true;
}

void TSortGrid::Clear() {
  if (int(cells_.size()) > 1) cells_.resize(1);
  row_ = std::min(1, rowCount_ - 1);
  modified_ = false;
  SetRowCount(2);
  AutoSizeColumns(true);
  Invalidate();
}

void TSortGrid::AutoSizeColumns(bool Force) {
  TBitmap measure(1, 1);
  measure.Canvas()->SetFont(Font());
  for (int c = 0; c < colCount_; ++c) {
    int w = 0;
    for (int r = 0; r < rowCount_; ++r) w = std::max(w, measure.Canvas()->TextWidth(Cells(c, r)));
    w += 8;
    if (Force || w > colWidths_[size_t(c)]) colWidths_[size_t(c)] = std::max(w, Force ? 16 : colWidths_[size_t(c)]);
  }
  Invalidate();
}

void TSortGrid::Paint() {
  TCanvas* cv = Canvas();
  cv->SetFont(Font());
  int y = 0;
  for (int r = 0; r < rowCount_ && y < Height(); ++r) {
    int x = 0;
    for (int c = 0; c < colCount_ && x < Width(); ++c) {
      TRect cell = Bounds(x, y, colWidths_[size_t(c)], defaultRowHeight_);
      bool fixed = r < fixedRows_ || c < fixedCols_;
      bool selected = !fixed && r == row_;
      cv->Brush()->SetColor(fixed ? clBtnFace : selected ? clHighlight : Color());
      cv->Brush()->SetStyle(bsSolid);
      cv->FillRect(cell);
      cv->Font()->SetColor(selected ? clHighlightText : Font()->Color());
      cv->Brush()->SetStyle(bsClear);
      cv->TextRect(cell, cell.Left + 2, cell.Top + 2, Cells(c, r));
      cv->Pen()->SetColor(clBtnShadow);
      cv->Pen()->SetWidth(gridLineWidth_);
      cv->MoveTo(cell.Right, cell.Top);
      cv->LineTo(cell.Right, cell.Bottom);
      cv->LineTo(cell.Left - 1, cell.Bottom);
      x += colWidths_[size_t(c)] + gridLineWidth_;
    }
    y += defaultRowHeight_ + gridLineWidth_;
  }
}
