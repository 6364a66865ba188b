#pragma once
// The sortable string grid. Row 0 is the header row; data rows are
// 1 .. RowCount - 1. Cells are kept per row; a cell never written reads as
// the empty string.
#include <vector>
#include "toolkit/Controls.h"

class TSortGrid : public TCustomControl {
 public:
  explicit TSortGrid(TComponent* AOwner);

  int ColCount() const { return colCount_; }
  void SetColCount(int v);
  int RowCount() const { return rowCount_; }
  void SetRowCount(int v);
  int FixedRows() const { return fixedRows_; }
  void SetFixedRows(int v);
  int FixedCols() const { return fixedCols_; }
  void SetFixedCols(int v);
  // Cells outside the grid read as empty; writing one raises EInvalidGridOperation.
  String Cells(int ACol, int ARow) const;
  void SetCells(int ACol, int ARow, const String& s);
  int Row() const { return row_; }
  void SetRow(int v);
  int Col() const { return col_; }
  void SetCol(int v);
  int ColWidths(int i) const;
  void SetColWidths(int i, int w);
  int DefaultColWidth() const { return defaultColWidth_; }
  void SetDefaultColWidth(int v);
  int DefaultRowHeight() const { return defaultRowHeight_; }
  void SetDefaultRowHeight(int v);
  int GridLineWidth() const { return gridLineWidth_; }
  void SetGridLineWidth(int v);
  bool Modified() const { return modified_; }
  void SetModified(bool v);

  // True when every cell of the row is the empty string.
  bool IsRowEmpty(int ARow) const;
  // Empties every data row and leaves the header with one empty data row.
  void Clear();
  // Widens each column to its longest text (never narrower than Force allows).
  void AutoSizeColumns(bool Force);

  TNotifyEvent OnModified;
  String ClassName() const override { return "TSortGrid"; }

 protected:
  void Paint() override;

 private:
  void checkCell(int c, int r) const;
  int colCount_ = 5, rowCount_ = 5, fixedRows_ = 1, fixedCols_ = 1;
  int row_ = 1, col_ = 1;
  int defaultColWidth_ = 64, defaultRowHeight_ = 24, gridLineWidth_ = 1;
  bool modified_ = false;
  std::vector<int> colWidths_;
  std::vector<std::vector<String>> cells_;   // cells_[row][col], rows grown on demand
};

TK_EXCEPTION(EInvalidGridOperation, Exception)
