// The sort grid: construction, settings, cell formats, special cells and
// cell painting.
#include "grids/SortGrid.h"

#include <algorithm>

#include "toolkit/Classes.h"
#include "toolkit/Dialogs.h"
#include "toolkit/DragDrop.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"

// ------------------------------------------------------------ glyphs

namespace {

void fillBox(TCanvas* c, int l, int t, int r, int b, TColor col) {
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(col);
  c->FillRect(Rect(l, t, r, b));
}

void line(TCanvas* c, int x1, int y1, int x2, int y2, TColor col) {
  c->Pen()->SetColor(col);
  c->MoveTo(x1, y1);
  c->LineTo(x2, y2);
}

// A small button face of w x h with raised edges.
void buttonFace(TCanvas* c, int w, int h) {
  fillBox(c, 0, 0, w, h, clBtnFace);
  line(c, 0, 0, w - 1, 0, clBtnHighlight);
  line(c, 0, 0, 0, h - 1, clBtnHighlight);
  line(c, w - 1, 0, w - 1, h, clBtnShadow);
  line(c, 0, h - 1, w, h - 1, clBtnShadow);
}

}  // namespace

std::unique_ptr<TBitmap> LoadGridGlyph(const String& Name) {
  auto b = std::make_unique<TBitmap>();
  TCanvas* c = b->Canvas();
  if (Name == "UP" || Name == "DOWN") {
    // A filled triangle on the header's face, 8 x 7.
    b->SetSize(8, 7);
    fillBox(c, 0, 0, 8, 7, clBtnFace);
    const bool up = Name == "UP";
    for (int i = 0; i < 4; ++i) {
      const int y = up ? 1 + i : 5 - i;
      fillBox(c, 3 - i, y, 5 + i, y + 1, clBtnShadow);
    }
    fillBox(c, 0, up ? 5 : 1, 8, up ? 6 : 2, clBtnShadow);
    return b;
  }
  b->SetSize(16, 16);
  if (Name == "CHECKED" || Name == "UNCHECKED") {
    fillBox(c, 0, 0, 16, 16, clWindow);
    // A sunken 13 x 13 box.
    fillBox(c, 1, 1, 14, 14, clWindow);
    line(c, 1, 1, 13, 1, clBtnShadow);
    line(c, 1, 1, 1, 13, clBtnShadow);
    line(c, 2, 2, 12, 2, clBlack);
    line(c, 2, 2, 2, 12, clBlack);
    line(c, 13, 1, 13, 14, clBtnHighlight);
    line(c, 1, 13, 14, 13, clBtnHighlight);
    if (Name == "CHECKED") {
      // The tick: down-right from (4, 7), then up-right to (10, 4).
      for (int i = 0; i < 3; ++i) fillBox(c, 4 + i, 6 + i, 5 + i, 9 + i, clBlack);
      for (int i = 0; i < 4; ++i) fillBox(c, 7 + i, 7 - i, 8 + i, 10 - i, clBlack);
    }
    return b;
  }
  if (Name == "COMBOBOX") {
    buttonFace(c, 16, 16);
    for (int i = 0; i < 4; ++i) fillBox(c, 4 + i, 6 + i, 12 - i, 7 + i, clBlack);
    return b;
  }
  if (Name == "ELLIPSIS") {
    buttonFace(c, 16, 16);
    for (int i = 0; i < 3; ++i) fillBox(c, 3 + 4 * i, 10, 5 + 4 * i, 12, clBlack);
    return b;
  }
  throw Exception("Resource " + Name + " not found");
}

// ------------------------------------------------------------ construction

TSortGrid::TSortGrid(TComponent* AOwner) : TMyStringGrid(AOwner) {
  userSettings_ = std::make_unique<TStringList>();
  sortOptions_ = std::make_unique<TSortOptions>();
  printOptions_ = std::make_unique<TPrintOptions>();
  selectedRows_ = std::make_unique<TStringList>();
  selectedRows_->OnChange = [this](TObject*) { selectedMaskStale_ = true; };
  anchorRows_ = std::make_unique<TStringList>();
  selectedRows_->Add(IntToStr(Row()));
  anchorRows_->Add(IntToStr(Row()));
  SetFixedCols(0);
  arrowUp_ = LoadGridGlyph("UP");
  arrowDown_ = LoadGridGlyph("DOWN");
  dropDown_ = new TListBox(this);
  dropDown_->SetVisible(false);
  dropDown_->SetSorted(true);
  dropDown_->SetTabStop(false);
  // A choice is written by a click on an item, Enter or Space; Escape and a
  // click elsewhere (the list loses the focus) close it writing nothing.
  dropDown_->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { CommitComboBox(); };
  dropDown_->OnKeyUp = [this](TObject*, uint16_t& Key, TShiftState) {
    if (Key == VK_RETURN || Key == VK_SPACE) CommitComboBox();
  };
  dropDown_->OnKeyDown = [this](TObject*, uint16_t& Key, TShiftState) {
    if (Key != VK_ESCAPE) return;
    Key = 0;
    CancelComboBox(true);
  };
  dropDown_->OnExit = [this](TObject*) { CancelComboBox(false); };
}

TSortGrid::~TSortGrid() {
  if (DragControl() == this) EndDrag();
  for (TStringSparseList* p : parked_) delete p;
  parked_.clear();
}

void TSortGrid::SetSortOptions(const TPersistent* v) {
  throw EConvertError("Cannot assign a " + (v ? v->ClassName() : String("nil")) + " to a " + sortOptions_->ClassName());
}

void TSortGrid::SetHideRows(bool v) {
  hideRows_ = v;
  if (RowCount() > 1) SetRow(1);
  InvalidateGrid();
}

void TSortGrid::SetMultiSelect(bool v) {
  multiSelect_ = v;
  if (v) SetOptions(Options() + TGridOptions{goRowSelect});
}

void TSortGrid::SetUserSettings(TStringList* v) {
  SetModified(true);
  if (v != userSettings_.get()) userSettings_.reset(v);
}

void TSortGrid::SetAlignmentHorz(TAlignment v) {
  if (v == alignmentHorz_) return;
  alignmentHorz_ = v;
  InvalidateGrid();
}

void TSortGrid::SetAlignmentVert(TVertAlignment v) {
  if (v == alignmentVert_) return;
  alignmentVert_ = v;
  InvalidateGrid();
}

void TSortGrid::SetBevelStyle(TCellBevelStyle v) {
  if (v == bevelStyle_) return;
  bevelStyle_ = v;
  InvalidateGrid();
}

void TSortGrid::SetProportionalScrollBars(bool v) {
  proportionalScrollBars_ = v;
  updateScrollBars();
}

void TSortGrid::SetModified(bool v) {
  modified_ = v;
  // A handler that changes the grid (adding the empty last row) is not run
  // again from inside itself.
  if (v && OnModified && !inModified_) {
    inModified_ = true;
    Dispatch([this] { OnModified(this); });
    inModified_ = false;
  }
}

bool TSortGrid::IsRowEmpty(int ARow) const {
  for (int c = 0; c < ColCount(); ++c)
    if (!Cells(c, ARow).empty()) return false;
  return true;
}

void TSortGrid::checkCol(int ACol) const {
  if (ACol < 0 || ACol >= ColCount()) throw EInvalidGridOperation("Grid index out of range");
}

void TSortGrid::checkRow(int ARow) const {
  if (ARow < 0 || ARow >= RowCount()) throw EInvalidGridOperation("Grid index out of range");
}

// ------------------------------------------------------------ formats

void TSortGrid::GetCellFormat(int ACol, int ARow, TFormatOptions& F, bool& CheckBox, bool& Combobox, bool& Ellipsis) {
  F.NoText = false;
  F.Brush = Canvas()->Brush();
  F.Font = Canvas()->Font();
  F.AlignmentHorz = uint8_t(alignmentHorz_);
  F.AlignmentVert = alignmentVert_;
  F.Bevel.Style = bevelStyle_;
  switch (bevelStyle_) {
    case cbRaised:
      F.Bevel.UpperLeftColor = clBtnHighlight;
      F.Bevel.LowerRightColor = clBtnShadow;
      break;
    case cbLowered:
      F.Bevel.UpperLeftColor = clBtnShadow;
      F.Bevel.LowerRightColor = clBtnHighlight;
      break;
    default:
      F.Bevel.UpperLeftColor = clWindow;
      F.Bevel.LowerRightColor = clWindow;
      break;
  }
  CheckBox = Combobox = Ellipsis = false;
  if (OnGetCellFormat) {
    TGridDrawState st;
    if (Focused() && ACol == Col() && ARow == Row()) st.Include(gdFocused);
    if (Selection().Contains(ACol, ARow)) st.Include(gdSelected);
    OnGetCellFormat(this, ACol, ARow, st, F, CheckBox, Combobox, Ellipsis);
  }
}

// ------------------------------------------------------------ painting

namespace {

// The text shortened to Avail pixels with ".." at its end (a text of one
// character is left as it is).
String shortenHeader(TCanvas* c, const String& text, int avail) {
  if (c->TextWidth(text) <= avail) return text;
  std::vector<size_t> starts;   // byte offsets of the characters
  for (size_t i = 0; i < text.size(); ++i)
    if ((uint8_t(text[i]) & 0xC0) != 0x80) starts.push_back(i);
  if (starts.size() < 2) return text;
  // The last two characters become "..".
  String head = text.substr(0, starts[starts.size() - 2]);
  String s = head + "..";
  size_t chars = starts.size();
  while (c->TextWidth(s) > avail && chars >= 4) {
    // Drop the last character; the new second-last becomes '.'.
    std::vector<size_t> hs;
    for (size_t i = 0; i < head.size(); ++i)
      if ((uint8_t(head[i]) & 0xC0) != 0x80) hs.push_back(i);
    if (hs.empty()) break;
    head = head.substr(0, hs.back());
    s = head + "..";
    --chars;
  }
  return s;
}

}  // namespace

void TSortGrid::DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) {
  TCanvas* cv = Canvas();
  if (ARow >= 1 && (NowUpdating() || hideRows_)) {
    cv->FillRect(Rect(ARect.Left, ARect.Top, ARect.Right + Width() + 1, ARect.Bottom + 1));
    return;
  }
  TFormatOptions F;
  bool isCheck = false, isCombo = false, isEllipsis = false;
  GetCellFormat(ACol, ARow, F, isCheck, isCombo, isEllipsis);
  if (isCheck) F.NoText = true;
  const TGridOptions opts = Options();
  const GridRect sel = Selection();
  if ((opts.Contains(goRangeSelect) && ARow >= sel.Top && ARow <= sel.Bottom && ARow >= 1) ||
      (multiSelect_ && ARow >= 1 && IsRowSelected(ARow) && !opts.Contains(goEditing))) {
    F.Font->SetColor(clHighlightText);
    F.Brush->SetColor(clHighlight);
  }
  if (F.Font != cv->Font()) cv->Font()->Assign(F.Font);
  const bool arrow = ACol == sortOptions_->SortCol && sortOptions_->CanSort;
  const int cw = ARect.Right - ARect.Left, ch = ARect.Bottom - ARect.Top;
  String text = Cells(ACol, ARow);
  if (ARow == 0) text = shortenHeader(cv, text, ColWidths(ACol) - 1 - (arrow ? 11 : 0));
  int hx = 2, vy = 2;
  const bool placed = F.AlignmentHorz == taRightJustify || F.AlignmentHorz == taCenter ||
                      F.AlignmentVert == taBottomJustify || F.AlignmentVert == taMiddle;
  if (placed && !F.NoText && !text.empty()) {
    // Only a text placed by its size is measured.
    const TPoint ext = cv->TextExtent(text);
    if (F.AlignmentHorz == taRightJustify) hx = cw - ext.X - 2;
    else if (F.AlignmentHorz == taCenter) hx = (cw - ext.X) / 2;
    if (F.AlignmentVert == taBottomJustify) vy = ch - ext.Y - 3;
    else if (F.AlignmentVert == taMiddle) vy = (ch - ext.Y) / 2;
  }
  if (arrow && ARow == 0) hx += 10;
  cv->TextRect(ARect, ARect.Left + hx, ARect.Top + vy, F.NoText ? String() : text);
  if (arrow && ARow == 0) {
    const int w = cw < 11 ? cw - 3 : 8;
    if (w > 0) {
      TBitmap* b = sortOptions_->SortDirection == sdDescending ? arrowDown_.get() : arrowUp_.get();
      const int y = RowHeights(0) / 2 - 4;
      cv->CopyRect(Rect(ARect.Left + 3, y, ARect.Left + 3 + w, y + 7), b->Canvas(), Rect(0, 0, w, 7));
    }
  }
  if (isCheck) {
    const String t = Cells(ACol, ARow);
    TBitmap* g = glyph(IsCheckedCellText(t) ? 0 : 1);
    const int w = cw < 17 ? cw - 1 : 16;
    if (w > 0) {
      const int x = ARect.Left + (cw - w) / 2, y = ARect.Top + RowHeights(ARow) / 2 - 8;
      cv->CopyRect(Rect(x, y, x + w, y + 16), g->Canvas(), Rect(0, 0, w, 16));
    }
  }
  auto buttonGlyph = [&](int which) {
    TBitmap* g = glyph(which);
    const int w = std::min(cw, 16);
    if (w > 0) cv->CopyRect(Rect(ARect.Right - w, ARect.Top, ARect.Right, ARect.Bottom), g->Canvas(), Rect(0, 0, w, 16));
  };
  if (isCombo && ARow == Row() && (ACol == Col() || EditorMode())) buttonGlyph(2);
  if (isEllipsis && ARow == Row() && ACol != Col()) buttonGlyph(3);
  if (F.Bevel.Style != cbNone && ARow >= 1) {
    if (opts.Contains(goFixedVertLine)) line(cv, ARect.Right - 1, ARect.Top, ARect.Right - 1, ARect.Bottom, F.Bevel.LowerRightColor);
    if (opts.Contains(goFixedHorzLine)) line(cv, ARect.Left, ARect.Bottom - 1, ARect.Right, ARect.Bottom - 1, F.Bevel.LowerRightColor);
    if (opts.Contains(goFixedVertLine)) line(cv, ARect.Left, ARect.Top, ARect.Left, ARect.Bottom, F.Bevel.UpperLeftColor);
    if (opts.Contains(goFixedHorzLine)) line(cv, ARect.Left, ARect.Top, ARect.Right, ARect.Top, F.Bevel.UpperLeftColor);
  }
  if (OnDrawCell) OnDrawCell(this, ACol, ARow, ARect, AState);
}

TBitmap* TSortGrid::glyph(int i) {
  static const char* const names[] = {"CHECKED", "UNCHECKED", "COMBOBOX", "ELLIPSIS"};
  if (!glyphs_[i]) glyphs_[i] = LoadGridGlyph(names[i]);
  return glyphs_[i].get();
}

// ------------------------------------------------------------ special cells

bool TSortGrid::GetChecked(int ACol, int ARow) {
  TFormatOptions F;
  bool ck, cb, el;
  TFont keep;
  keep.Assign(Canvas()->Font());
  GetCellFormat(ACol, ARow, F, ck, cb, el);
  Canvas()->Font()->Assign(&keep);
  if (!ck) return false;
  const String t = Cells(ACol, ARow);
  return IsCheckedCellText(t);
}

void TSortGrid::SetChecked(int ACol, int ARow, bool State) {
  TFormatOptions F;
  bool ck, cb, el;
  GetCellFormat(ACol, ARow, F, ck, cb, el);
  if (!ck) return;
  SetCells(ACol, ARow, State ? "V" : "");
  InvalidateRow(ARow);
  if (OnSetChecked) OnSetChecked(this, ACol, ARow, State);
}

bool TSortGrid::ShowComboBox(int ACol, int ARow) {
  TFormatOptions F;
  bool ck, cb, el;
  GetCellFormat(ACol, ARow, F, ck, cb, el);
  if (!cb || !OnGetComboBox) return false;
  TCustomForm* form = GetParentForm(this);
  if (!form) return false;
  auto strs = std::make_unique<TStringList>();
  TStringList* given = strs.get();
  int w = 0, h = 0;
  bool sorted = true;
  OnGetComboBox(this, ACol, ARow, given, w, h, sorted);
  // The handler may hand over a list of its own; ours is freed in any case.
  if (!given || given->Count() == 0) return false;
  dropDown_->SetParent(form);
  dropDown_->SetFont(Font());
  dropDown_->Items()->Clear();
  dropDown_->SetSorted(sorted);
  dropDown_->Items()->AddStrings(given);
  const int idx = dropDown_->Items()->IndexOf(Cells(ACol, ARow));
  dropDown_->SetItemIndex(idx >= 0 ? idx : 0);
  // Under the cell, in the form's coordinates (the grid may sit in panels).
  const TRect cr = CellRect(ACol, ARow);
  const TPoint p = form->ScreenToClient(ClientToScreen(TPoint(cr.Left, cr.Bottom)));
  const int cellTop = p.Y - (cr.Bottom - cr.Top);
  const int ih = std::max(1, dropDown_->ItemHeight());
  const int n = dropDown_->Items()->Count();
  if (w == 0) w = cr.Right - cr.Left + 1;
  if (h == 0) h = (n < 10 ? n : 10) * ih + 5;
  // Every item within reach: the list stays inside the form and the visible
  // part of its screen. Without room below the cell it opens upward; with
  // room on neither side it takes the larger one and scrolls.
  int lowest = form->ClientHeight(), highest = 0;
  const TPoint cellOnScreen = ClientToScreen(TPoint(cr.Left, cr.Bottom));
  for (int i = 0; i < Screen->MonitorCount(); ++i) {
    const TMonitor* m = Screen->Monitors(i);
    if (!m->BoundsRect.Contains(cellOnScreen)) continue;
    const TPoint top = form->ScreenToClient(TPoint(0, m->WorkareaRect.Top));
    const TPoint bottom = form->ScreenToClient(TPoint(0, m->WorkareaRect.Bottom));
    highest = std::max(highest, top.Y);
    lowest = std::min(lowest, bottom.Y);
    break;
  }
  int top = p.Y + 1;
  if (top + h > lowest) {
    const int below = lowest - top, above = cellTop - highest;
    if (above >= h) {
      top = cellTop - h;
    } else if (above > below) {
      h = std::max(ih + 5, above);
      top = cellTop - h;
    } else {
      h = std::max(ih + 5, below);
    }
  }
  dropDown_->SetBounds(p.X + 2, top, w, h);
  dropCol_ = ACol;
  dropRow_ = ARow;
  dropDown_->SetVisible(true);
  dropDown_->BringToFront();
  if (dropDown_->CanFocus()) dropDown_->SetFocus();
  return true;
}

void TSortGrid::CancelComboBox(bool focusGrid) {
  if (!dropDown_->Visible()) return;
  const int c = dropCol_;
  dropCol_ = dropRow_ = -1;
  dropDown_->SetVisible(false);
  if (c >= 0 && c < ColCount()) InvalidateCol(c);
  if (focusGrid && CanFocus()) SetFocus();
}

void TSortGrid::CommitComboBox() {
  if (!dropDown_->Visible() || dropCol_ < 0) return;
  const int c = dropCol_, r = dropRow_;
  dropCol_ = dropRow_ = -1;
  const int idx = dropDown_->ItemIndex();
  const String item = idx >= 0 && idx < dropDown_->Items()->Count() ? dropDown_->Items()->Get(idx) : String();
  dropDown_->SetVisible(false);
  if (c >= ColCount() || r >= RowCount()) return;
  if (idx >= 0) {
    if (item != Cells(c, r)) SetModified(true);
    SetCells(c, r, item);
  }
  InvalidateCol(c);
  if (CanFocus()) SetFocus();
  if (idx >= 0 && OnSetComboBox) OnSetComboBox(this, c, r, item);
}

// ------------------------------------------------------------ cell selection

bool TSortGrid::SelectCell(int ACol, int ARow) {
  bool result;
  if (EditorMode() && ACol >= 0 && ARow >= 0) {
    TFormatOptions F;
    bool ck, cb, el;
    TFont keep;
    keep.Assign(Canvas()->Font());
    GetCellFormat(ACol, ARow, F, ck, cb, el);
    Canvas()->Font()->Assign(&keep);
    if (cb) {
      if (tabDown_ && ACol < ColCount() - 2 && SelectCell(ACol + 1, ARow)) {
        Dispatch([this, ACol, ARow] {
          if (ACol + 1 < ColCount() && ARow < RowCount()) MoveColRow(ACol + 1, ARow, true, true);
        });
      } else {
        Dispatch([this, ACol, ARow] {
          if (ACol < ColCount() && ARow < RowCount()) ShowComboBox(ACol, ARow);
        });
      }
      result = false;
    } else if (ck) {
      result = false;
    } else {
      result = TMyStringGrid::SelectCell(ACol, ARow);
    }
  } else {
    result = TMyStringGrid::SelectCell(ACol, ARow);
  }
  if (result && rowSelectArmed_) {
    ClearSelection();
    selectedRows_->Add(IntToStr(ARow));
    if (anchorRows_->Count() == 0) anchorRows_->Add(String());
    anchorRows_->Put(0, IntToStr(ARow));
    if (OnRowSelected) OnRowSelected(this);
  }
  InvalidateRow(Row());
  if (ARow >= 0 && ARow < RowCount()) InvalidateRow(ARow);
  return result;
}

void TSortGrid::ClearSelection() {
  std::vector<int> was;
  was.reserve(size_t(selectedRows_->Count()));
  for (int i = 0; i < selectedRows_->Count(); ++i) {
    int r;
    if (TryStrToInt(selectedRows_->Get(i), r)) was.push_back(r);
  }
  invalidateRows(was);
  selectedRows_->Clear();
  while (anchorRows_->Count() > 1) anchorRows_->Delete(anchorRows_->Count() - 1);
  if (anchorRows_->Count() == 0) anchorRows_->Add(String());
  anchorRows_->Put(0, String());
}

// The rows' band is repainted at once: one invalidation whatever the count.
void TSortGrid::invalidateRows(const std::vector<int>& rows) {
  int lo = RowCount(), hi = -1;
  for (int r : rows)
    if (r >= 0 && r < RowCount()) {
      lo = std::min(lo, r);
      hi = std::max(hi, r);
    }
  if (hi < 0) return;
  if (lo == hi) InvalidateRow(lo);
  else InvalidateRect(GridRect{0, lo, ColCount() - 1, hi});
}

bool TSortGrid::IsRowSelected(int ARow) const {
  // Inside an update bracket the list has not told its changes yet; rows
  // past the mask's reach are looked up in the list itself.
  constexpr int MaskReach = 1 << 24;
  if (selectedRows_->Updating() || ARow >= MaskReach) return selectedRows_->IndexOf(IntToStr(ARow)) >= 0;
  if (selectedMaskStale_) {
    selectedMask_.clear();
    for (int i = 0; i < selectedRows_->Count(); ++i) {
      const String s = selectedRows_->Get(i);
      int r;
      // Only a row's own decimal text names it, as a search of the list finds it.
      if (!TryStrToInt(s, r) || r < 0 || r >= MaskReach || IntToStr(r) != s) continue;
      if (size_t(r) >= selectedMask_.size()) selectedMask_.resize(size_t(r) + 1, 0);
      selectedMask_[size_t(r)] = 1;
    }
    selectedMaskStale_ = false;
  }
  return ARow >= 0 && size_t(ARow) < selectedMask_.size() && selectedMask_[size_t(ARow)];
}

void TSortGrid::selectOnly(int ARow) {
  ClearSelection();
  selectedRows_->Add(IntToStr(ARow));
  anchorRows_->Put(0, IntToStr(ARow));
  InvalidateRow(ARow);
}

void TSortGrid::addSelected(int ARow) {
  if (!IsRowSelected(ARow)) selectedRows_->Add(IntToStr(ARow));
  if (anchorRows_->IndexOf(IntToStr(ARow)) < 0) anchorRows_->Add(IntToStr(ARow));
  InvalidateRow(ARow);
}

void TSortGrid::removeSelected(int ARow) {
  int i = selectedRows_->IndexOf(IntToStr(ARow));
  if (i >= 0) selectedRows_->Delete(i);
  i = anchorRows_->IndexOf(IntToStr(ARow));
  if (i >= 0) anchorRows_->Delete(i);
  if (anchorRows_->Count() == 0) anchorRows_->Add(String());
  InvalidateRow(ARow);
}

void TSortGrid::selectRange(int fromRow, int toRow) {
  ClearSelection();
  anchorRows_->Clear();
  const int lo = std::max(1, std::min(fromRow, toRow)), hi = std::min(RowCount() - 1, std::max(fromRow, toRow));
  selectedRows_->BeginUpdate();
  anchorRows_->BeginUpdate();
  for (int r = lo; r <= hi; ++r) {
    anchorRows_->Add(IntToStr(r));
    selectedRows_->Add(IntToStr(r));
  }
  anchorRows_->EndUpdate();
  selectedRows_->EndUpdate();
  invalidateRows({lo, hi});
  if (anchorRows_->Count() == 0) anchorRows_->Add(String());
}
