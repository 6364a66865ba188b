#pragma once
// The sortable string grid. Row 0 is the header row; data rows are
// 1 .. RowCount - 1. Cells are kept sparsely by the string grid; a cell never
// written reads as the empty string, and cells beyond the counts are kept.
#include "grids/MyGrids.h"

class TSortGrid : public TMyStringGrid {
 public:
  explicit TSortGrid(TComponent* AOwner);

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

 private:
  bool modified_ = false;
};
