// The sort grid's keys, mouse, scrolling, sizes and row and column
// operations.
#include <algorithm>
#include <cmath>

#include "grids/SortGrid.h"
#include "toolkit/Dialogs.h"
#include "toolkit/DragDrop.h"
#include "toolkit/Forms.h"
#include "toolkit/Menus.h"
#include "toolkit/StdCtrls.h"
#include "toolkit/WinUtils.h"

namespace {

bool isNavKey(uint16_t k) {
  return k == VK_HOME || k == VK_END || k == VK_PRIOR || k == VK_NEXT || k == VK_LEFT || k == VK_RIGHT || k == VK_UP ||
         k == VK_DOWN;
}

String utf8Of(char32_t c) {
  String s;
  if (c < 0x80) {
    s += char(c);
  } else if (c < 0x800) {
    s += char(0xC0 | (c >> 6));
    s += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    s += char(0xE0 | (c >> 12));
    s += char(0x80 | ((c >> 6) & 0x3F));
    s += char(0x80 | (c & 0x3F));
  } else {
    s += char(0xF0 | (c >> 18));
    s += char(0x80 | ((c >> 12) & 0x3F));
    s += char(0x80 | ((c >> 6) & 0x3F));
    s += char(0x80 | (c & 0x3F));
  }
  return s;
}

char32_t firstChar(const String& s) {
  if (s.empty()) return 0;
  const uint8_t b = uint8_t(s[0]);
  if (b < 0x80) return b;
  int n = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1;
  char32_t c = b & (0x3F >> n);
  for (int i = 1; i <= n && size_t(i) < s.size(); ++i) c = (c << 6) | (uint8_t(s[size_t(i)]) & 0x3F);
  return c;
}

}  // namespace

// ------------------------------------------------------------ keys

void TSortGrid::KeyDown(uint16_t& Key, TShiftState Shift) {
  if (Key == VK_TAB) tabDown_ = true;
  if (multiSelect_ && !EditorMode()) {
    if (Key == VK_SHIFT && Shift == TShiftState{ssShift}) {
      SetOptions(Options() + TGridOptions{goRangeSelect});
      ClearSelection();
    } else if (Shift.Contains(ssShift)) {
      anchorRows_->Put(0, IntToStr(Row()));
    }
  }
  rowSelectArmed_ = isNavKey(Key);
  if (extendedKeys_ && !EditorMode() && Shift.Contains(ssCtrl)) {
    const bool shift = Shift.Contains(ssShift);
    if (Key == VK_INSERT && !shift) {
      InsertRow(Row());
      Key = 0;
    } else if (Key == VK_DELETE && !shift) {
      if (RowCount() >= 3) DeleteRow(Row());
      Key = 0;
    } else if (Key == VK_INSERT && shift) {
      InsertColumn(Col());
      Key = 0;
    } else if (Key == VK_DELETE && shift) {
      if (ColCount() >= 2) DeleteColumn(Col());
      Key = 0;
    }
  }
  if (Key != 0) TMyStringGrid::KeyDown(Key, Shift);
}

void TSortGrid::KeyUp(uint16_t& Key, TShiftState Shift) {
  if (Key == VK_TAB) tabDown_ = false;
  rowSelectArmed_ = true;
  if (multiSelect_ && !EditorMode()) {
    const bool shiftDone = Key == VK_SHIFT && selectedRows_->Count() == 0;
    const bool navDone = isNavKey(Key) && !Shift.Contains(ssShift);
    if (shiftDone || navDone) {
      const GridRect s = Selection();
      selectRange(s.Top, s.Bottom);
      if (navDone) SetOptions(Options() - TGridOptions{goRangeSelect});
    }
    if (OnRowSelected) OnRowSelected(this);
  }
  if (Key == VK_SPACE && !EditorMode() && Row() >= 1) {
    TFormatOptions F;
    bool ck, cb, el;
    TFont keep;
    keep.Assign(Canvas()->Font());
    GetCellFormat(Col(), Row(), F, ck, cb, el);
    Canvas()->Font()->Assign(&keep);
    if (ck) SetChecked(Col(), Row(), !GetChecked(Col(), Row()));
    if (cb && !ShowComboBox(Col(), Row())) dropDown_->SetVisible(false);
    if (el && OnSetEllipsis) OnSetEllipsis(this, Col(), Row());
  }
  TMyStringGrid::KeyUp(Key, Shift);
}

void TSortGrid::KeyPress(char32_t& Key) {
  if (Key == 13) validateCell();
  if (EditorMode() || Key == 0) {
    TMyStringGrid::KeyPress(Key);
    return;
  }
  const char32_t typed = Key;
  if (typed >= 32) {
    const String up = UpperCase(utf8Of(typed));
    Key = firstChar(up);
  }
  const char32_t search = Key;
  TMyStringGrid::KeyPress(Key);
  // An incremental search in the sort column, unless the key opened the
  // editor.
  if (search < 32 || EditorMode() || NowUpdating()) return;
  const int sc = sortOptions_->SortCol;
  if (sc < 0 || sc >= ColCount()) return;
  const String want = utf8Of(search);
  auto hit = [&](int r) {
    const String t = Cells(sc, r);
    return !t.empty() && firstChar(UpperCase(t)) == search && want.size() > 0;
  };
  for (int r = Row() + 1; r < RowCount(); ++r)
    if (hit(r)) return MoveToCell(sc, r, true);
  for (int r = 1; r <= Row() && r < RowCount(); ++r)
    if (hit(r)) return MoveToCell(sc, r, true);
}

// ------------------------------------------------------------ mouse

void TSortGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (dropDown_->Visible()) {
    dropDown_->SetVisible(false);
    dropCol_ = dropRow_ = -1;
  }
  GridCoord cell = MouseCoord(X, Y);
  if (cell.Y < 0 && Y > 0 && RowCount() > 1) {
    const TRect last = CellRect(0, RowCount() - 1);
    if (Y >= last.Bottom && last.Bottom > 0) cell.Y = RowCount() - 1;
  }
  pressCell_ = cell;
  pressPoint_ = TPoint(-1, -1);
  // A press on a check box or a drop-down cell never opens the text editor
  // there: while a cell is being edited it ends that edit (the text goes
  // into its cell) and the current cell stays where it is; the release then
  // toggles the tick or opens the list.
  bool specialCellPress = false;
  if (Button == mbLeft && Options().Contains(goEditing) && cell.Y >= 1 && cell.X >= 0 && cell.X < ColCount() &&
      cell.Y < RowCount() && (EditorMode() || (cell.X == Col() && cell.Y == Row()))) {
    TFormatOptions F;
    bool ck = false, cb = false, el = false;
    TFont keep;
    keep.Assign(Canvas()->Font());
    GetCellFormat(cell.X, cell.Y, F, ck, cb, el);
    Canvas()->Font()->Assign(&keep);
    if (ck || cb) {
      if (EditorMode()) HideEditor();
      specialCellPress = true;
    }
  }
  const bool passBase = !specialCellPress &&
                        (!multiSelect_ || (Options().Contains(goRangeSelect) && Shift.Contains(ssShift) && Button == mbLeft) ||
                         EditorMode() || cell.Y == 0);
  if (multiSelect_ && !EditorMode() && !specialCellPress && Button == mbLeft && cell.Y >= 1 && cell.X >= 0) {
    const bool plain = !Shift.Contains(ssShift) && !Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt);
    if (IsRowSelected(cell.Y)) {
      pressPoint_ = TPoint(X, Y);
    } else if (plain) {
      SetOptions(Options() - TGridOptions{goRangeSelect});
      MoveColRow(cell.X, cell.Y, true, true);
      selectOnly(cell.Y);
      if (OnRowSelected) OnRowSelected(this);
    }
  }
  if (Button == mbLeft && Shift.Contains(ssDouble) && cell.Y == 0) {
    // Double click near a header border sizes the column to its texts.
    const TRect r = CellRect(cell.X, 0);
    if (std::abs(X - r.Left) <= 5 || std::abs(X - r.Right) <= 5) {
      int target = -1;
      if (std::abs(r.Right - X) <= 3) target = cell.X;
      else if (cell.X > 0 && std::abs(CellRect(cell.X - 1, 0).Right - X) <= 3) target = cell.X - 1;
      if (target >= 0 && target < ColCount()) AutoSizeCol(target, true);
    }
  }
  if (passBase) {
    TMyStringGrid::MouseDown(Button, Shift, X, Y);
  } else {
    if (CanFocus() && !Focused()) SetFocus();
    if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
  }
}

void TSortGrid::MouseMove(TShiftState Shift, int X, int Y) {
  if (pressPoint_.X >= 0 && Shift.Contains(ssLeft) &&
      (std::abs(X - pressPoint_.X) >= 11 || std::abs(Y - pressPoint_.Y) >= 11)) {
    pressPoint_ = TPoint(-1, -1);
    dragging_ = true;
    BeginDrag(this);
  }
  TMyStringGrid::MouseMove(Shift, X, Y);
}

void TSortGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (dragging_) {
    dragging_ = false;
    if (DragControl() == this) EndDrag();
    TMyStringGrid::MouseUp(Button, Shift, X, Y);
    return;
  }
  pressPoint_ = TPoint(-1, -1);
  // The focus comes to the grid, unless its own editor holds it (the press
  // has just opened it): taking it away would lose the editor's selection.
  const bool editorHasFocus = InplaceEditor() && InplaceEditor()->Focused();
  if (CanFocus() && !Focused() && !editorHasFocus) SetFocus();
  TMyStringGrid::MouseUp(Button, Shift, X, Y);
  GridCoord cell = MouseCoord(X, Y);
  if (cell.Y < 0 && Y > 0 && RowCount() > 1) {
    const TRect last = CellRect(0, RowCount() - 1);
    if (Y >= last.Bottom && last.Bottom > 0) cell.Y = RowCount() - 1;
  }
  if (cell.X < 0 || cell.Y < 0) return;
  const bool samePressed = cell == pressCell_;
  if (Button == mbRight && cell.Y >= 1 && PopupMenu()) {
    const TPoint p = ClientToScreen(TPoint(X, Y));
    PopupMenu()->SetPopupComponent(this);
    PopupMenu()->Popup(p.X, p.Y);
  }
  if (samePressed && cell.Y >= 1 && Button == mbLeft && !EditorMode()) {
    TFormatOptions F;
    bool ck, cb, el;
    TFont keep;
    keep.Assign(Canvas()->Font());
    GetCellFormat(cell.X, cell.Y, F, ck, cb, el);
    Canvas()->Font()->Assign(&keep);
    if (ck) SetChecked(cell.X, cell.Y, !GetChecked(cell.X, cell.Y));
    if (cb && !ShowComboBox(cell.X, cell.Y)) dropDown_->SetVisible(false);
    if (el) {
      const TRect r = CellRect(cell.X, cell.Y);
      if (X >= r.Right - 16 && X <= r.Right && OnSetEllipsis) OnSetEllipsis(this, cell.X, cell.Y);
    }
  }
  if (cell.Y == 0 && samePressed) {
    const TRect r = CellRect(cell.X, 0);
    if (std::abs(X - r.Left) > 5 && std::abs(X - r.Right) > 5) {
      TSortOptions& so = *sortOptions_;
      so.SortDirection = so.SortDirection == sdAscending && so.SortCol == cell.X ? sdDescending : sdAscending;
      if (Button == mbRight) so.SortDirection = sdDescending;
      if (so.CanSort) SortByColumn(cell.X);
      else InvalidateRow(0);
    }
  }
  if (multiSelect_ && !EditorMode() && Button == mbLeft && cell.Y >= 1 && pressCell_.Y >= 1) {
    if (Shift.Contains(ssCtrl)) {
      if (!IsRowSelected(cell.Y)) {
        addSelected(cell.Y);
        const bool armed = rowSelectArmed_;
        rowSelectArmed_ = false;
        MoveColRow(Col(), cell.Y, false, true);
        rowSelectArmed_ = armed;
      } else if (selectedRows_->Count() > 1) {
        removeSelected(cell.Y);
        int r;
        if (anchorRows_->Count() > 0 && TryStrToInt(anchorRows_->Get(anchorRows_->Count() - 1), r) && r >= 1 && r < RowCount()) {
          const bool armed = rowSelectArmed_;
          rowSelectArmed_ = false;
          MoveColRow(Col(), r, false, true);
          rowSelectArmed_ = armed;
        }
      }
      SetOptions(Options() - TGridOptions{goRangeSelect});
    } else if (Shift.Contains(ssShift)) {
      const GridRect s = Selection();
      selectRange(s.Top, s.Bottom);
    } else {
      SetOptions(Options() - TGridOptions{goRangeSelect});
      if (cell.Y != Row()) MoveColRow(Col(), cell.Y, true, true);
      selectOnly(cell.Y);
    }
    if (OnRowSelected) OnRowSelected(this);
  }
}

void TSortGrid::DoContextPopup(TPoint p, bool& handled) {
  TMyStringGrid::DoContextPopup(p, handled);
  if (p.X >= 0) handled = true;
}

bool TSortGrid::DoMouseWheelDown(TShiftState, TPoint) {
  ScrollToCell(Col(), TopRow() + 2);
  return true;
}

bool TSortGrid::DoMouseWheelUp(TShiftState, TPoint) {
  ScrollToCell(Col(), TopRow() - 2);
  return true;
}

// ------------------------------------------------------------ focus and validation

void TSortGrid::rememberCell() {
  if (!EditorMode()) return;
  valCol_ = Col();
  valRow_ = Row();
  valText_ = Cells(valCol_, valRow_);
  valModified_ = modified_;
}

void TSortGrid::validateCell() {
  if (EditorMode() && valCol_ >= 0 && valRow_ >= 0 && valCol_ < ColCount() && valRow_ < RowCount()) {
    const String now = Cells(valCol_, valRow_);
    if (now != valText_ && OnCellValidate) {
      String newValue = now;
      bool valid = true;
      OnCellValidate(this, valCol_, valRow_, valText_, newValue, valid);
      if (valid) {
        if (newValue != now) SetCells(valCol_, valRow_, newValue);
      } else {
        SetCells(valCol_, valRow_, newValue != now ? newValue : valText_);
        SetModified(valModified_);
      }
    }
  }
  rememberCell();
}

void TSortGrid::Click() {
  if (Focused()) validateCell();
  TMyStringGrid::Click();
}

void TSortGrid::DoEnter() {
  TMyStringGrid::DoEnter();
  rememberCell();
}

void TSortGrid::DoExit() {
  const bool toEditor = InplaceEditor() && InplaceEditor()->Focused();
  const bool toList = dropDown_->Focused();
  if (!toEditor && !toList) validateCell();
  TMyStringGrid::DoExit();
}

// ------------------------------------------------------------ scrolling

void TSortGrid::ScrollToCell(int ACol, int ARow) {
  if (ColCount() < 1 || RowCount() < 2) return;
  ACol = std::clamp(ACol, 0, ColCount() - 1);
  ARow = std::clamp(ARow, 1, RowCount() - 1);
  while (ACol >= LeftCol() + VisibleColCount()) {
    const int before = LeftCol();
    SetLeftCol(before + 1);
    if (LeftCol() == before) break;
  }
  if (ACol < LeftCol()) SetLeftCol(ACol);
  const int limit = std::max(1, RowCount() - VisibleRowCount());
  SetTopRow(ARow > limit ? limit : std::max(1, ARow - 1));
}

void TSortGrid::MoveToCell(int ACol, int ARow, bool Scroll) {
  if (ColCount() < 1 || RowCount() < 2) return;
  ACol = std::clamp(ACol, 0, ColCount() - 1);
  ARow = std::clamp(ARow, 1, RowCount() - 1);
  if (!SelectCell(ACol, ARow)) return;
  const bool locked = LockedWindow() == nullptr && GetParentForm(this) && LockWindowUpdate(GetParentForm(this));
  const bool armed = rowSelectArmed_;
  rowSelectArmed_ = false;
  try {
    MoveColRow(ACol, ARow, true, !Scroll);
  } catch (...) {
    rowSelectArmed_ = armed;
    if (locked) UnlockWindowUpdate();
    throw;
  }
  rowSelectArmed_ = armed;
  selectOnly(ARow);
  InvalidateGrid();
  if (Scroll) ScrollToCell(ACol, ARow);
  if (locked) UnlockWindowUpdate();
}

void TSortGrid::updateScrollBars() {
  if (!proportionalScrollBars_) return;
  const TScrollStyle sb = ScrollBars();
  if ((sb == ssVertical || sb == ssBoth) && RowCount() > 0) {
    const int range = ScrollMax(sbVertical) - ScrollMin(sbVertical) + 1;
    SetScrollPage(sbVertical, std::max(1, int(std::lround(double(VisibleRowCount() + 1) / RowCount() * range))), false);
  }
  if ((sb == ssHorizontal || sb == ssBoth) && ColCount() > 0) {
    const int range = ScrollMax(sbHorizontal) - ScrollMin(sbHorizontal) + 1;
    SetScrollPage(sbHorizontal, std::max(1, int(std::lround(double(VisibleColCount()) / ColCount() * range))), true);
  }
}

void TSortGrid::Resize() {
  TMyStringGrid::Resize();
  if (ColCount() > 0 && LeftCol() + VisibleColCount() == ColCount()) {
    int used = 0;
    for (int c = LeftCol(); c <= ColCount() - 2; ++c) used += ColWidths(c);
    const int w = Width() - used - (VisibleColCount() + 3);
    if (w > 0 && w != ColWidths(ColCount() - 1)) SetColWidths(ColCount() - 1, w);
  }
  Invalidate();
  updateScrollBars();
}

void TSortGrid::ColWidthsChanged() {
  TMyStringGrid::ColWidthsChanged();
  updateScrollBars();
  if (OnColumnWidthsChanged) OnColumnWidthsChanged(this);
}

void TSortGrid::RowHeightsChanged() {
  TMyStringGrid::RowHeightsChanged();
  updateScrollBars();
  if (OnRowHeightsChanged) OnRowHeightsChanged(this);
}

void TSortGrid::SizeChanged(int OldColCount, int OldRowCount) {
  TMyStringGrid::SizeChanged(OldColCount, OldRowCount);
  // The engine reports the end of every update bracket; only real count
  // changes count here.
  if (OldColCount == ColCount() && OldRowCount == RowCount()) return;
  // A count change marks the grid modified; OnModified is told when it
  // becomes so (a handler that adds rows is not run again from inside its
  // own count change).
  if (!modified_) SetModified(true);
  updateScrollBars();
  if (sortOptions_->UpdateOnSizeChange) SortByColumn(sortOptions_->SortCol);
  if (!NowUpdating()) MoveToCell(0, 1, true);
  if (RowCount() < 2) ShowMessage("Rowsize too small");
  if (OnSizeChanged) OnSizeChanged(this, OldColCount, OldRowCount);
}

void TSortGrid::SetEditText(int ACol, int ARow, const String& Value) {
  const String old = Cells(ACol, ARow);
  String stored = Value;
  if (Value != old) {
    // The edit guard: the editor's text reaches its cell only when
    // OnCellValidate lets it (or gives another).
    bool valid = true;
    if (OnCellValidate) {
      String newValue = Value;
      OnCellValidate(this, ACol, ARow, old, newValue, valid);
      stored = valid ? newValue : (newValue != Value ? newValue : old);
    }
    if (valid && stored != old) SetModified(true);
  }
  TMyStringGrid::SetEditText(ACol, ARow, stored);
  if (ACol == valCol_ && ARow == valRow_) valText_ = stored;
}

// ------------------------------------------------------------ sizes

void TSortGrid::AutoSizeCol(int ACol, bool Force) {
  checkCol(ACol);
  if (ColWidths(ACol) == -1 && !Force) return;
  TCanvas* cv = Canvas();
  TFont keep;
  keep.Assign(cv->Font());
  int header = 0, widest = 0;
  for (int r = 0; r < RowCount(); ++r) {
    cv->Font()->Assign(Font());
    if (OnGetCellFormat) {
      TFormatOptions F;
      bool ck, cb, el;
      GetCellFormat(ACol, r, F, ck, cb, el);
      if (F.Font != cv->Font()) cv->Font()->Assign(F.Font);
    }
    const int w = cv->TextWidth(Cells(ACol, r));
    if (r == 0)
      header = w + (ACol == sortOptions_->SortCol && sortOptions_->CanSort ? 12 : 0);
    else
      widest = std::max(widest, w);
  }
  cv->Font()->Assign(Font());
  const int m = std::max(header, widest);
  const int width = m < 1 ? cv->TextWidth("xx") : cv->TextWidth("X") + m;
  cv->Font()->Assign(&keep);
  SetColWidths(ACol, width);
}

void TSortGrid::AutoSizeColumns(bool Force) {
  BeginUpdate();
  try {
    for (int c = 0; c < ColCount(); ++c) AutoSizeCol(c, Force);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TSortGrid::Clear() {
  closeEditor();
  BeginUpdate();
  try {
    for (TStringSparseList* p : parked_) delete p;
    parked_.clear();
    filtered_ = false;
    if (RowCount() > 1) {
      current_.Y = 1;
      anchor_.Y = 1;
    }
    selectOnly(1);
    for (int r = 1; r < RowCount(); ++r) Rows(r)->Clear();
    modified_ = false;
    SetRowCount(2);
    AutoSizeColumns(true);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  // An emptied grid holds nothing to save.
  modified_ = false;
  InvalidateGrid();
  if (OnRowSelected) OnRowSelected(this);
}

// ------------------------------------------------------------ rows and columns

template <class F>
void TSortGrid::withoutAlwaysShowEditor(F f) {
  const bool had = Options().Contains(goAlwaysShowEditor);
  if (had) SetOptions(Options() - TGridOptions{goAlwaysShowEditor});
  try {
    f();
  } catch (...) {
    if (had) SetOptions(Options() + TGridOptions{goAlwaysShowEditor});
    throw;
  }
  if (had) SetOptions(Options() + TGridOptions{goAlwaysShowEditor});
}

void TSortGrid::InsertRow(int ARow) {
  checkRow(ARow);
  closeEditor();
  SetRowCount(RowCount() + 1);
  const int n = RowCount();
  int newRow = n - 1;
  if (ARow < n - 2) {
    withoutAlwaysShowEditor([&] { TMyStringGrid::MoveRow(n - 1, ARow); });
    newRow = ARow;
  }
  // The new row is really empty (nothing kept behind the count comes back).
  delete static_cast<TStringSparseList*>(data_->Get(newRow));
  data_->Put(newRow, nullptr);
  InvalidateRow(newRow);
  MoveToCell(Col(), newRow, true);
  if (OnRowInsert) OnRowInsert(this, newRow);
}

void TSortGrid::InsertColumn(int ACol) {
  checkCol(ACol);
  closeEditor();
  SetColCount(ColCount() + 1);
  const int last = ColCount() - 1;
  withoutAlwaysShowEditor([&] { TMyStringGrid::MoveColumn(last, ACol); });
  data_->ForAll([&](int, void* p) {
    static_cast<TStringSparseList*>(p)->Put(ACol, String());
    return 0;
  });
  for (TStringSparseList* p : parked_) p->Put(ACol, String());
  InvalidateGrid();
  SetCol(ACol);
  if (OnColumnInsert) OnColumnInsert(this, ACol);
}

void TSortGrid::DeleteRow(int ARow) {
  checkRow(ARow);
  closeEditor();
  SetModified(true);
  if (RowCount() < 3) {
    Rows(ARow)->Clear();
  } else {
    const int last = RowCount() - 1;
    withoutAlwaysShowEditor([&] {
      TMyStringGrid::MoveRow(ARow, last);
      // The removed row is emptied, so a row added later starts empty.
      delete static_cast<TStringSparseList*>(data_->Get(last));
      data_->Put(last, nullptr);
      SetRowCount(last);
    });
  }
  InvalidateGrid();
  if (OnRowDelete) OnRowDelete(this, ARow);
}

void TSortGrid::DeleteColumn(int ACol) {
  checkCol(ACol);
  closeEditor();
  data_->ForAll([&](int, void* p) {
    static_cast<TStringSparseList*>(p)->Put(ACol, String());
    return 0;
  });
  for (TStringSparseList* p : parked_) p->Put(ACol, String());
  withoutAlwaysShowEditor([&] { TMyStringGrid::DeleteColumn(ACol); });
  if (OnColumnDelete) OnColumnDelete(this, ACol);
}

void TSortGrid::MoveRow(int FromIndex, int ToIndex) {
  checkRow(FromIndex);
  checkRow(ToIndex);
  withoutAlwaysShowEditor([&] { TMyStringGrid::MoveRow(FromIndex, ToIndex); });
}

void TSortGrid::MoveColumn(int FromIndex, int ToIndex) {
  checkCol(FromIndex);
  checkCol(ToIndex);
  withoutAlwaysShowEditor([&] { TMyStringGrid::MoveColumn(FromIndex, ToIndex); });
}

void TSortGrid::SwapRows(int A, int B) {
  checkRow(A);
  checkRow(B);
  if (B > A) {
    MoveRow(B, A);
    MoveRow(A + 1, B);
  } else if (A > B) {
    MoveRow(A, B);
    MoveRow(B + 1, A);
  }
}

void TSortGrid::ColumnMoved(int FromIndex, int ToIndex) {
  SetModified(true);
  int& sc = sortOptions_->SortCol;
  if (FromIndex == sc) sc = ToIndex;
  else if (FromIndex > sc && ToIndex <= sc) ++sc;
  else if (FromIndex < sc && ToIndex >= sc) --sc;
  for (TStringSparseList* p : parked_) p->Move(FromIndex, ToIndex);
  TMyStringGrid::ColumnMoved(FromIndex, ToIndex);
}
