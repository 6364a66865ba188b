// The grid engine: size storage, geometry, painting, repainting, count
// changes and the update bracket.
#include "grids/MyGrids.h"

#include <algorithm>

#include "toolkit/Forms.h"
#include "toolkit/Timer.h"
#include "toolkit/WinUtils.h"

namespace {
constexpr int kMaxSizeEntries = 134217726;
[[noreturn]] void gridError(const char* msg) { throw EInvalidGridOperation(msg); }
constexpr const char* kIndexError = "Grid index out of range";
}  // namespace

GridRect MakeGridRect(GridCoord c1, GridCoord c2) {
  GridRect r;
  r.Left = std::min(c1.X, c2.X);
  r.Right = std::max(c1.X, c2.X);
  r.Top = std::min(c1.Y, c2.Y);
  r.Bottom = std::max(c1.Y, c2.Y);
  return r;
}

// ------------------------------------------------------------ SizesArray

void SizesArray::Resize(SizesArray& a, int Index, int Amount, int Default) {
  if (Amount == 0) return;
  const int n = a.Count();
  if (Index < 0 || Index > n) gridError(kIndexError);
  const long long newN = (long long)n + Amount;
  if (newN < 0) gridError("Too many rows or columns deleted");
  if (newN >= kMaxSizeEntries) gridError("Grid too large for operation");
  if (newN == 0) {
    a.Free();
    return;
  }
  a.data_.resize(size_t(newN) + 1);
  for (long long i = (long long)Index + 1; i <= newN; ++i) a.data_[size_t(i)] = Default;
  a.data_[0] = int(newN);
}

void SizesArray::MoveEntry(SizesArray& a, int FromIndex, int ToIndex) {
  if (!a.Exists() || FromIndex == ToIndex) return;
  const int last = int(a.data_.size()) - 1;
  if (FromIndex < 1 || ToIndex < 1 || FromIndex > last || ToIndex > last) gridError(kIndexError);
  auto b = a.data_.begin();
  if (FromIndex < ToIndex)
    std::rotate(b + FromIndex, b + FromIndex + 1, b + ToIndex + 1);
  else
    std::rotate(b + ToIndex, b + FromIndex, b + FromIndex + 1);
}

int AxisDrawInfo::GetExtent(int i) const { return Columns ? Grid->ColWidths(i) : Grid->RowHeights(i); }

// ------------------------------------------------------------ construction

TMyCustomGrid::TMyCustomGrid(TComponent* AOwner) : TCustomScrollControl(AOwner) {
  // Clicks are the grid's own business (FocusCell, mouse up), not the
  // toolkit's.
  SetControlStyle(TControlStyle{csCaptureMouse, csOpaque, csDoubleClicks});
  SetColor(clWindow);
  SetParentColor(false);
  SetTabStop(true);
  SetClientEdge(true);
  SetHasScrollBars(true, true);
  SetBounds(Left(), Top(), colCount_ * defaultColWidth_, rowCount_ * defaultRowHeight_);
  initialize();
}

TMyCustomGrid::~TMyCustomGrid() {
  BeginDestroy();
  if (LockedWindow() == this) UnlockWindowUpdate();
  // A grid freed inside its update bracket gives the cursor back.
  if (nowUpdating_ && Screen) Screen->SetCursor(crDefault);
  delete inplaceEdit_;
  inplaceEdit_ = nullptr;
  delete timer_;
  timer_ = nullptr;
}

void TMyCustomGrid::initialize() {
  topLeft_ = GridCoord{fixedCols_, fixedRows_};
  current_ = topLeft_;
  anchor_ = current_;
  if (options_.Contains(goRowSelect)) anchor_.X = colCount_ - 1;
}

bool TMyCustomGrid::hasWindow() const { return Parent() != nullptr && !Destroying(); }

bool TMyCustomGrid::IsActiveControl() const {
  if (TCustomForm* f = GetParentForm(this)) {
    TWinControl* a = f->ActiveControl();
    return a == this || (inplaceEdit_ && a == inplaceEdit_);
  }
  return Focused() || (inplaceEdit_ && inplaceEdit_->Focused());
}

// ------------------------------------------------------------ sizes

int TMyCustomGrid::ColWidths(int i) const {
  if (i >= 0 && i < colCount_ && i < colWidths_.Count()) return colWidths_[i];
  return defaultColWidth_;
}

int TMyCustomGrid::RowHeights(int i) const {
  if (i >= 0 && i < rowCount_ && i < rowHeights_.Count()) return rowHeights_[i];
  return defaultRowHeight_;
}

bool TMyCustomGrid::TabStops(int i) const {
  if (i >= 0 && i < colCount_ && i < tabStops_.Count()) return tabStops_[i] != 0;
  return true;
}

void TMyCustomGrid::checkIndex(int i, int count) const {
  if (i < 0 || i >= count) gridError(kIndexError);
}

void TMyCustomGrid::SetColWidths(int i, int v) {
  checkIndex(i, colCount_);
  if (colWidths_.Count() != colCount_) SizesArray::SetCount(colWidths_, colCount_, defaultColWidth_);
  if (colWidths_[i] == v) return;
  colWidths_[i] = v;
  ColWidthsChanged();
  InvalidateGrid();
}

void TMyCustomGrid::SetRowHeights(int i, int v) {
  checkIndex(i, rowCount_);
  if (rowHeights_.Count() != rowCount_) SizesArray::SetCount(rowHeights_, rowCount_, defaultRowHeight_);
  if (rowHeights_[i] == v) return;
  rowHeights_[i] = v;
  RowHeightsChanged();
  InvalidateGrid();
}

void TMyCustomGrid::SetTabStops(int i, bool v) {
  checkIndex(i, colCount_);
  if (tabStops_.Count() != colCount_) SizesArray::SetCount(tabStops_, colCount_, 1);
  tabStops_[i] = v ? 1 : 0;
}

void TMyCustomGrid::SetDefaultColWidth(int v) {
  if (v == defaultColWidth_) return;
  colWidths_.Free();
  defaultColWidth_ = v;
  ColWidthsChanged();
  InvalidateGrid();
}

void TMyCustomGrid::SetDefaultRowHeight(int v) {
  if (v == defaultRowHeight_) return;
  rowHeights_.Free();
  defaultRowHeight_ = v;
  RowHeightsChanged();
  InvalidateGrid();
}

void TMyCustomGrid::ColWidthsChanged() {
  UpdateScrollRange();
  UpdateEdit();
}

void TMyCustomGrid::RowHeightsChanged() {
  UpdateScrollRange();
  UpdateEdit();
}

bool TMyCustomGrid::WriteColWidths(std::vector<int>& out) const {
  out.clear();
  if (!saveCellExtents_ || !colWidths_.Exists()) return false;
  for (int i = 0; i < colCount_; ++i) out.push_back(ColWidths(i));
  return true;
}

bool TMyCustomGrid::WriteRowHeights(std::vector<int>& out) const {
  out.clear();
  if (!saveCellExtents_ || !rowHeights_.Exists()) return false;
  for (int i = 0; i < rowCount_; ++i) out.push_back(RowHeights(i));
  return true;
}

void TMyCustomGrid::ReadColWidths(const std::vector<int>& v) {
  for (int i = 0; i < colCount_ && i < int(v.size()); ++i) SetColWidths(i, v[size_t(i)]);
}

void TMyCustomGrid::ReadRowHeights(const std::vector<int>& v) {
  for (int i = 0; i < rowCount_ && i < int(v.size()); ++i) SetRowHeights(i, v[size_t(i)]);
}

// ------------------------------------------------------------ properties

void TMyCustomGrid::SetBorderStyle(TBorderStyle v) {
  if (v == borderStyle_) return;
  borderStyle_ = v;
  SetClientEdge(borderStyle_ == bsSingle && ctl3D_);
  UpdateScrollRange();
}

void TMyCustomGrid::SetBiDiMode(TBiDiMode v) {
  if (v == biDiMode_) return;
  biDiMode_ = v;
  UpdateScrollPos();
  InvalidateEditor();
  InvalidateGrid();
}

void TMyCustomGrid::SetCtl3D(bool v) {
  if (v == ctl3D_) return;
  ctl3D_ = v;
  SetClientEdge(borderStyle_ == bsSingle && ctl3D_);
  InvalidateGrid();
}

void TMyCustomGrid::SetScrollBars(TScrollStyle v) {
  if (v == scrollBars_) return;
  scrollBars_ = v;
  SetHasScrollBars(v == ssHorizontal || v == ssBoth, v == ssVertical || v == ssBoth);
  if (v == ssNone) {
    SetScrollRange(sbHorizontal, 0, 0);
    SetScrollRange(sbVertical, 0, 0);
  }
  UpdateScrollRange();
}

void TMyCustomGrid::SetColCount(int v) {
  if (v < 1) v = 1;
  if (v == colCount_) return;
  if (v <= fixedCols_) SetFixedCols(v - 1);
  ChangeSize(v, rowCount_);
  if (options_.Contains(goRowSelect)) {
    anchor_.X = colCount_ - 1;
    Invalidate();
  }
}

void TMyCustomGrid::SetRowCount(int v) {
  if (v < 1) v = 1;
  if (v == rowCount_) return;
  if (v <= fixedRows_) SetFixedRows(v - 1);
  ChangeSize(colCount_, v);
}

void TMyCustomGrid::SetFixedCols(int v) {
  if (v == fixedCols_) return;
  if (v < 0) gridError(kIndexError);
  if (v >= colCount_) gridError("Fixed column count must be less than column count");
  fixedCols_ = v;
  initialize();
  InvalidateEditor();
  UpdateScrollRange();
  InvalidateGrid();
}

void TMyCustomGrid::SetFixedRows(int v) {
  if (v == fixedRows_) return;
  if (v < 0) gridError(kIndexError);
  if (v >= rowCount_) gridError("Fixed row count must be less than row count");
  fixedRows_ = v;
  initialize();
  InvalidateEditor();
  UpdateScrollRange();
  InvalidateGrid();
}

void TMyCustomGrid::SetFixedColor(TColor v) {
  if (v == fixedColor_) return;
  fixedColor_ = v;
  InvalidateGrid();
}

void TMyCustomGrid::SetGridLineWidth(int v) {
  if (v == gridLineWidth_) return;
  gridLineWidth_ = v;
  ColWidthsChanged();
  InvalidateGrid();
}

void TMyCustomGrid::SetOptions(TGridOptions v) {
  if (v.Contains(goRowSelect)) v.Exclude(goAlwaysShowEditor);
  if (v == options_) return;
  options_ = v;
  if (!editorMode_) {
    if (options_.Contains(goAlwaysShowEditor))
      ShowEditor();
    else
      HideEditor();
  }
  if (options_.Contains(goRowSelect)) MoveCurrent(Col(), Row(), true, false);
  ColWidthsChanged();
  InvalidateGrid();
}

void TMyCustomGrid::SetCol(int v) {
  if (v == Col()) return;
  FocusCell(v, Row(), true);
}

void TMyCustomGrid::SetRow(int v) {
  if (v == Row()) return;
  FocusCell(Col(), v, true);
}

void TMyCustomGrid::SetLeftCol(int v) {
  if (v == topLeft_.X) return;
  MoveTopLeft(v, topLeft_.Y);
}

void TMyCustomGrid::SetTopRow(int v) {
  if (v == topLeft_.Y) return;
  MoveTopLeft(topLeft_.X, v);
}

void TMyCustomGrid::SetSelection(const GridRect& v) {
  checkIndex(v.Left, colCount_);
  checkIndex(v.Right, colCount_);
  checkIndex(v.Top, rowCount_);
  checkIndex(v.Bottom, rowCount_);
  const GridRect old = Selection();
  anchor_ = v.TopLeft();
  current_ = v.BottomRight();
  SelectionMoved(old);
}

void TMyCustomGrid::SetEditorMode(bool v) {
  if (!v) {
    HideEditor();
  } else {
    ShowEditor();
    if (inplaceEdit_) inplaceEdit_->Deselect();
  }
}

int TMyCustomGrid::VisibleColCount() const {
  GridDrawInfo info;
  CalcDrawInfo(info);
  return info.Horz.LastFullVisibleCell - topLeft_.X + 1;
}

int TMyCustomGrid::VisibleRowCount() const {
  GridDrawInfo info;
  CalcDrawInfo(info);
  return info.Vert.LastFullVisibleCell - topLeft_.Y + 1;
}

// ------------------------------------------------------------ geometry

void TMyCustomGrid::CalcFixedInfo(GridDrawInfo& info) const {
  auto fixed = [this](AxisDrawInfo& a, bool cols) {
    a.Grid = this;
    a.Columns = cols;
    const bool lines = cols ? (options_.Contains(goFixedVertLine) || options_.Contains(goVertLine))
                            : (options_.Contains(goFixedHorzLine) || options_.Contains(goHorzLine));
    a.EffectiveLineWidth = lines ? gridLineWidth_ : 0;
    a.FixedCellCount = cols ? fixedCols_ : fixedRows_;
    a.FirstGridCell = cols ? topLeft_.X : topLeft_.Y;
    a.GridCellCount = cols ? colCount_ : rowCount_;
    int b = 0;
    for (int i = 0; i < a.FixedCellCount; ++i) b += a.GetExtent(i) + a.EffectiveLineWidth;
    a.FixedBoundary = b;
  };
  fixed(info.Horz, true);
  fixed(info.Vert, false);
}

void TMyCustomGrid::calcAxis(AxisDrawInfo& a, int extent) const {
  a.GridExtent = extent;
  a.GridBoundary = a.FixedBoundary;
  a.FullVisBoundary = a.FixedBoundary;
  a.LastFullVisibleCell = a.FirstGridCell;
  const int lw = a.EffectiveLineWidth;
  for (int i = a.FirstGridCell; i < a.GridCellCount; ++i) {
    a.GridBoundary += a.GetExtent(i) + lw;
    if (a.GridBoundary > extent + lw) {
      a.GridBoundary = extent;
      break;
    }
    a.LastFullVisibleCell = i;
    a.FullVisBoundary = a.GridBoundary;
  }
}

void TMyCustomGrid::CalcDrawInfoXY(GridDrawInfo& info, int UseWidth, int UseHeight) const {
  CalcFixedInfo(info);
  calcAxis(info.Horz, UseWidth);
  calcAxis(info.Vert, UseHeight);
}

void TMyCustomGrid::CalcDrawInfo(GridDrawInfo& info) const { CalcDrawInfoXY(info, ClientWidth(), ClientHeight()); }

namespace {
int axisCoord(const AxisDrawInfo& a, int n) {
  const int lw = a.EffectiveLineWidth;
  if (n < a.FixedBoundary) {
    int line = 0;
    for (int i = 0; i < a.FixedCellCount; ++i) {
      line += a.GetExtent(i) + lw;
      if (line > n) return i;
    }
    return -1;
  }
  int line = a.FixedBoundary;
  for (int i = a.FirstGridCell; i < a.GridCellCount; ++i) {
    line += a.GetExtent(i) + lw;
    if (line > n) return i;
  }
  return -1;
}

// Pixel start of cell l on an axis; 0 when it lies beyond the extent.
int linePos(const AxisDrawInfo& a, int l) {
  const int lw = a.EffectiveLineWidth;
  int start, i;
  if (l < a.FixedCellCount) {
    start = 0;
    i = 0;
  } else {
    start = l >= a.FirstGridCell ? a.FixedBoundary : 0;
    i = a.FirstGridCell;
  }
  int result = start;
  for (; i < l; ++i) {
    result += a.GetExtent(i) + lw;
    if (result > a.GridExtent) return 0;
  }
  return result;
}

bool axisScreen(const AxisDrawInfo& a, int mn, int mx, bool includeLine, int& smin, int& smax) {
  if (mn >= a.FixedCellCount && mn < a.FirstGridCell) {
    if (mx < a.FirstGridCell) return false;
    mn = a.FirstGridCell;
  }
  if (mx > a.LastFullVisibleCell) {
    mx = a.LastFullVisibleCell;
    if (mx < a.GridCellCount - 1) ++mx;
    if (linePos(a, mx) == 0) --mx;
  }
  smin = linePos(a, mn);
  smax = linePos(a, mx);
  if (smax == 0)
    smax = smin + a.GetExtent(mn);
  else
    smax += a.GetExtent(mx);
  if (smax > a.GridExtent) smax = a.GridExtent;
  if (includeLine) smax += a.EffectiveLineWidth;
  return true;
}
}  // namespace

GridCoord TMyCustomGrid::CalcCoordFromPoint(int X, int Y, const GridDrawInfo& info) const {
  return GridCoord{axisCoord(info.Horz, mirrorX(X)), axisCoord(info.Vert, Y)};
}

GridCoord TMyCustomGrid::MouseCoord(int X, int Y) const {
  GridDrawInfo info;
  CalcDrawInfo(info);
  GridCoord c = CalcCoordFromPoint(X, Y, info);
  if (c.X < 0 || c.Y < 0) return GridCoord{-1, -1};
  return c;
}

void TMyCustomGrid::GridRectToScreenRect(GridRect r, TRect& screen, bool IncludeLine) const {
  screen = TRect();
  if (r.Left > r.Right || r.Top > r.Bottom) return;
  GridDrawInfo info;
  CalcDrawInfo(info);
  if (r.Left > info.Horz.LastFullVisibleCell + 1 || r.Top > info.Vert.LastFullVisibleCell + 1) return;
  TRect s;
  if (!axisScreen(info.Horz, r.Left, r.Right, IncludeLine, s.Left, s.Right)) return;
  if (!axisScreen(info.Vert, r.Top, r.Bottom, IncludeLine, s.Top, s.Bottom)) return;
  screen = mirror(s);
}

TRect TMyCustomGrid::CellRect(int ACol, int ARow) const { return BoxRect(ACol, ARow, ACol, ARow); }

TRect TMyCustomGrid::BoxRect(int ALeft, int ATop, int ARight, int ABottom) const {
  TRect r;
  GridRectToScreenRect(MakeGridRect(GridCoord{ALeft, ATop}, GridCoord{ARight, ABottom}), r, false);
  return r;
}

GridCoord TMyCustomGrid::CalcMaxTopLeft(GridCoord Coord, const GridDrawInfo& info) const {
  auto axis = [](const AxisDrawInfo& a, int s) {
    int result = s;
    int line = a.GridExtent + a.EffectiveLineWidth;
    bool taken = false;
    for (int i = s; i >= a.FixedCellCount; --i) {
      const int e = a.GetExtent(i);
      if (e <= 0) continue;
      line -= e + a.EffectiveLineWidth;
      if (line < a.FixedBoundary) {
        if (!taken && a.GetExtent(s) <= 0) result = i;
        break;
      }
      result = i;
      taken = true;
    }
    return result;
  };
  return GridCoord{axis(info.Horz, Coord.X), axis(info.Vert, Coord.Y)};
}

// ------------------------------------------------------------ repainting

void TMyCustomGrid::InvalidateRect(const GridRect& r) {
  if (!hasWindow()) return;
  TRect s;
  GridRectToScreenRect(r, s, true);
  TControl::InvalidateRect(s);
}

void TMyCustomGrid::InvalidateCell(int ACol, int ARow) { InvalidateRect(GridRect{ACol, ARow, ACol, ARow}); }

void TMyCustomGrid::InvalidateCol(int ACol) {
  if (!hasWindow()) return;
  GridDrawInfo info;
  CalcDrawInfo(info);
  InvalidateRect(GridRect{ACol, 0, ACol, info.Vert.LastFullVisibleCell + 1});
}

void TMyCustomGrid::InvalidateRow(int ARow) {
  if (!hasWindow()) return;
  GridDrawInfo info;
  CalcDrawInfo(info);
  InvalidateRect(GridRect{0, ARow, info.Horz.LastFullVisibleCell + 1, ARow});
}

void TMyCustomGrid::InvalidateGrid() {
  if (hasWindow()) Invalidate();
}

// ------------------------------------------------------------ painting

void TMyCustomGrid::drawLines(const GridDrawInfo& info, bool doHorz, bool doVert, int startCol, int startRow,
                              const TRect& b, TColor onColor, TColor offColor) {
  if (b.Right <= b.Left || b.Bottom <= b.Top) return;
  TCanvas* c = Canvas();
  // A fixed buffer of strokes, drawn whenever it is full: its size never
  // depends on how many cells lie in view.
  constexpr int kStrokes = 256;
  TPoint pts[kStrokes * 2];
  int counts[kStrokes];
  std::fill(counts, counts + kStrokes, 2);
  auto family = [&](bool vertical, TColor color) {
    const AxisDrawInfo& a = vertical ? info.Horz : info.Vert;
    const int lw = a.EffectiveLineWidth;
    if (lw == 0) return;
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetMode(pmCopy);
    c->Pen()->SetWidth(gridLineWidth_);
    c->Pen()->SetColor(color);
    c->Pen()->SetEndCap(pecFlat);
    c->Pen()->SetJoin(pjMiter);
    const int start = vertical ? b.Left : b.Top, stop = vertical ? b.Right : b.Bottom;
    int cell = vertical ? startCol : startRow;
    int base = start + lw / 2;
    int n = 0;
    for (; cell < a.GridCellCount && cell <= std::max(a.LastFullVisibleCell, a.FixedCellCount - 1); ++cell) {
      const int e = a.GetExtent(cell);
      if (e + lw <= 0) continue;   // a hidden cell takes no room and has no line
      const int line = base + e;
      if (line > stop + lw) break;
      if (vertical) {
        pts[2 * n] = TPoint(mirrorX(line), b.Top);
        pts[2 * n + 1] = TPoint(mirrorX(line), b.Bottom);
      } else {
        const TRect m = mirror(b);
        pts[2 * n] = TPoint(m.Left, line);
        pts[2 * n + 1] = TPoint(m.Right, line);
      }
      if (++n == kStrokes) {
        c->PolyPolyline(pts, counts, n);
        n = 0;
      }
      base += e + lw;
    }
    if (n > 0) c->PolyPolyline(pts, counts, n);
  };
  const TColor horzColor = doHorz ? onColor : offColor, vertColor = doVert ? onColor : offColor;
  if (!doHorz) {
    family(false, horzColor);
    family(true, vertColor);
  } else {
    family(true, vertColor);
    family(false, horzColor);
  }
}

void TMyCustomGrid::drawCells(const GridDrawInfo& info, int aCol, int aRow, int startX, int startY, int stopX,
                              int stopY, TColor color, TGridDrawState included, const GridRect& sel, bool active) {
  TCanvas* c = Canvas();
  const TRect clip = c->ClipRect();
  const int hlw = info.Horz.EffectiveLineWidth, vlw = info.Vert.EffectiveLineWidth;
  TCanvas::TEdgeSides flags1, flags2;
  const bool rtl = UseRightToLeftAlignment();
  if (options_.Contains(goFixedVertLine)) {
    flags1.Include(rtl ? TCanvas::esLeft : TCanvas::esRight);
    flags2.Include(rtl ? TCanvas::esRight : TCanvas::esLeft);
  }
  if (options_.Contains(goFixedHorzLine)) {
    flags1.Include(TCanvas::esBottom);
    flags2.Include(TCanvas::esTop);
  }
  const bool editing = options_.Contains(goEditing) && editorMode_;
  const bool selColorsForFocused = options_.Contains(goDrawFocusSelected) || options_.Contains(goRowSelect);
  const bool focusMark = !(options_.Contains(goEditing) && options_.Contains(goAlwaysShowEditor)) &&
                         !options_.Contains(goRowSelect);
  int y = startY;
  for (int row = aRow; y < stopY && row < rowCount_; ++row) {
    const int h = RowHeights(row);
    const int bottom = y + h;
    if (h > 0 && bottom > clip.Top && y < clip.Bottom) {
      int x = startX;
      for (int col = aCol; x < stopX && col < colCount_; ++col) {
        const int w = ColWidths(col);
        const TRect logical(x, y, x + w, bottom);
        x = logical.Right + hlw;
        const TRect where = mirror(logical);
        if (w <= 0 || where.Right <= clip.Left || where.Left >= clip.Right || !c->RectVisible(where)) continue;
        TGridDrawState state = included;
        const bool focused = active && col == current_.X && row == current_.Y;
        if (focused) state.Include(gdFocused);
        if (sel.Contains(col, row)) state.Include(gdSelected);
        if (focused && editing) continue;   // the editor covers it
        if (defaultDrawing_) {
          c->Font()->Assign(Font());
          if (state.Contains(gdSelected) && (!focused || selColorsForFocused)) {
            c->Brush()->SetColor(clHighlight);
            c->Font()->SetColor(clHighlightText);
          } else {
            c->Brush()->SetColor(color);
          }
          c->Brush()->SetStyle(bsSolid);
          c->FillRect(where);
        }
        DrawCell(col, row, where, state);
        if (defaultDrawing_ && included.Contains(gdFixed) && ctl3D_ && !(flags1.Empty() && flags2.Empty())) {
          TRect edge = logical;
          if (!options_.Contains(goFixedVertLine))
            edge.Right += hlw;
          else if (!flags1.Contains(TCanvas::esBottom))
            edge.Bottom += vlw;
          edge = mirror(edge);
          c->DrawRaisedInnerEdge(edge, flags1);
          c->DrawRaisedInnerEdge(edge, flags2);
        }
        if (defaultDrawing_ && focused && focusMark) c->DrawFocusRect(where);
      }
    }
    y = bottom + vlw;
  }
}

void TMyCustomGrid::Paint() {
  TCanvas* c = Canvas();
  GridDrawInfo info;
  CalcDrawInfo(info);
  const AxisDrawInfo &H = info.Horz, &V = info.Vert;
  // Lines.
  if (H.EffectiveLineWidth > 0 || V.EffectiveLineWidth > 0) {
    const TColor lineColor = ColorToRGB(Color()) == clSilver ? clGray : clSilver;
    const bool fh = options_.Contains(goFixedHorzLine), fv = options_.Contains(goFixedVertLine);
    drawLines(info, fh, fv, 0, 0, Rect(0, 0, H.FixedBoundary, V.FixedBoundary), clBlack, fixedColor_);
    drawLines(info, fh, fv, topLeft_.X, 0, Rect(H.FixedBoundary, 0, H.GridBoundary, V.FixedBoundary), clBlack,
              fixedColor_);
    drawLines(info, fh, fv, 0, topLeft_.Y, Rect(0, V.FixedBoundary, H.FixedBoundary, V.GridBoundary), clBlack,
              fixedColor_);
    drawLines(info, options_.Contains(goHorzLine), options_.Contains(goVertLine), topLeft_.X, topLeft_.Y,
              Rect(H.FixedBoundary, V.FixedBoundary, H.GridBoundary, V.GridBoundary), lineColor, Color());
  }
  // Cells.
  const GridRect sel = Selection();
  const bool active = IsActiveControl();
  drawCells(info, 0, 0, 0, 0, H.FixedBoundary, V.FixedBoundary, fixedColor_, TGridDrawState{gdFixed}, sel, active);
  drawCells(info, topLeft_.X, 0, H.FixedBoundary - colOffset_, 0, H.GridBoundary, V.FixedBoundary, fixedColor_,
            TGridDrawState{gdFixed}, sel, active);
  drawCells(info, 0, topLeft_.Y, 0, V.FixedBoundary, H.FixedBoundary, V.GridBoundary, fixedColor_,
            TGridDrawState{gdFixed}, sel, active);
  drawCells(info, topLeft_.X, topLeft_.Y, H.FixedBoundary - colOffset_, V.FixedBoundary, H.GridBoundary,
            V.GridBoundary, Color(), TGridDrawState(), sel, active);
  // Row focus.
  if (options_.Contains(goRowSelect) && defaultDrawing_ && Focused()) {
    TRect r;
    GridRectToScreenRect(sel, r, false);
    c->DrawFocusRect(r);
  }
  // Area without cells.
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  if (H.GridBoundary < H.GridExtent) c->FillRect(mirror(Rect(H.GridBoundary, 0, H.GridExtent, V.GridBoundary)));
  if (V.GridBoundary < V.GridExtent) c->FillRect(mirror(Rect(0, V.GridBoundary, H.GridExtent, V.GridExtent)));
  drawMarks(info);
}

// Sizing and move marks: inverted dotted lines laid over the picture while
// their state lasts.
void TMyCustomGrid::drawMarks(const GridDrawInfo& info) {
  if (!sizingMark_ && !moveMark_) return;
  TCanvas* c = Canvas();
  TPen saved;
  saved.Assign(c->Pen());
  c->Pen()->SetStyle(psDot);
  c->Pen()->SetMode(pmXor);
  c->Pen()->SetColor(clWhite);
  c->Pen()->SetWidth(1);
  if (sizingMark_) {
    if (gridState_ == gsRowSizing) {
      const TRect m = mirror(Rect(0, 0, info.Horz.GridBoundary, 1));
      c->MoveTo(m.Left, sizingPos_);
      c->LineTo(m.Right, sizingPos_);
    } else {
      c->MoveTo(sizingPos_, 0);
      c->LineTo(sizingPos_, info.Vert.GridBoundary);
    }
  }
  if (moveMark_) {
    TRect r;
    const bool rows = gridState_ == gsRowMoving;
    GridRectToScreenRect(rows ? GridRect{0, movePos_, 0, movePos_} : GridRect{movePos_, 0, movePos_, 0}, r, false);
    const bool after = (movePos_ > moveIndex_) != (!rows && UseRightToLeftAlignment());
    const int at = rows ? (movePos_ > moveIndex_ ? r.Bottom : r.Top) : (after ? r.Right : r.Left);
    for (int k = -2; k <= 2; ++k) {
      if (rows) {
        c->MoveTo(0, at + k);
        c->LineTo(ClientWidth(), at + k);
      } else {
        c->MoveTo(at + k, 0);
        c->LineTo(at + k, ClientHeight());
      }
    }
  }
  c->Pen()->Assign(&saved);
}

void TMyCustomGrid::invalidateMark(const GridDrawInfo& info, GridState st, int pos, int index) {
  (void)index;
  if (!hasWindow()) return;
  switch (st) {
    case gsRowSizing: TControl::InvalidateRect(Rect(0, pos - 1, ClientWidth(), pos + 2)); break;
    case gsColSizing: TControl::InvalidateRect(Rect(pos - 1, 0, pos + 2, info.Vert.GridBoundary + 1)); break;
    case gsRowMoving:
    case gsColMoving: {
      TRect r;
      const bool rows = st == gsRowMoving;
      GridRectToScreenRect(rows ? GridRect{0, pos, 0, pos} : GridRect{pos, 0, pos, 0}, r, false);
      const int lo = rows ? r.Top : r.Left, hi = rows ? r.Bottom : r.Right;
      for (int at : {lo, hi}) {
        if (rows)
          TControl::InvalidateRect(Rect(0, at - 3, ClientWidth(), at + 4));
        else
          TControl::InvalidateRect(Rect(at - 3, 0, at + 4, ClientHeight()));
      }
      break;
    }
    default: break;
  }
}

// ------------------------------------------------------------ count changes

void TMyCustomGrid::ChangeSize(int NewColCount, int NewRowCount) {
  const bool hadInfo = hasWindow();
  GridDrawInfo oldInfo;
  if (hadInfo) CalcDrawInfo(oldInfo);
  const int oldCols = colCount_, oldRows = rowCount_, oldFixedCols = fixedCols_, oldFixedRows = fixedRows_;
  colCount_ = NewColCount;
  rowCount_ = NewRowCount;
  if (fixedCols_ > NewColCount) fixedCols_ = NewColCount - 1;
  if (fixedRows_ > NewRowCount) fixedRows_ = NewRowCount - 1;
  if (nowUpdating_) {
    if (NewColCount != oldCols || NewRowCount != oldRows) sizePending_ = true;
    return;
  }
  try {
    changeSizeApply(oldCols, oldRows, hadInfo, oldInfo);
  } catch (...) {
    colCount_ = oldCols;
    rowCount_ = oldRows;
    fixedCols_ = oldFixedCols;
    fixedRows_ = oldFixedRows;
    try {
      changeSizeApply(oldCols, oldRows, false, oldInfo);
    } catch (...) {
    }
    InvalidateGrid();
    throw;
  }
}

void TMyCustomGrid::holdTopLeft() {
  GridDrawInfo info;
  CalcDrawInfo(info);
  const GridCoord maxTL = CalcMaxTopLeft(GridCoord{colCount_ - 1, rowCount_ - 1}, info);
  if (topLeft_.X >= colCount_ || topLeft_.X > std::max(maxTL.X, fixedCols_)) topLeft_.X = std::max(fixedCols_, maxTL.X);
  if (topLeft_.Y >= rowCount_ || topLeft_.Y > std::max(maxTL.Y, fixedRows_)) topLeft_.Y = std::max(fixedRows_, maxTL.Y);
  if (topLeft_.X < fixedCols_) topLeft_.X = fixedCols_;
  if (topLeft_.Y < fixedRows_) topLeft_.Y = fixedRows_;
}

void TMyCustomGrid::changeSizeApply(int oldColCount, int oldRowCount, bool hadInfo, const GridDrawInfo& oldInfo) {
  if (colWidths_.Exists()) SizesArray::SetCount(colWidths_, colCount_, defaultColWidth_);
  if (tabStops_.Exists()) SizesArray::SetCount(tabStops_, colCount_, 1);
  if (rowHeights_.Exists()) SizesArray::SetCount(rowHeights_, rowCount_, defaultRowHeight_);
  GridCoord target = current_;
  if (target.X >= colCount_) target.X = colCount_ - 1;
  if (target.Y >= rowCount_) target.Y = rowCount_ - 1;
  if (target.X < 0) target.X = 0;
  if (target.Y < 0) target.Y = 0;
  if (!(target == current_)) {
    MoveCurrent(target.X, target.Y, true, true);
    // A cell the grid refuses to select is still held inside the grid.
    if (current_.X >= colCount_ || current_.Y >= rowCount_) {
      current_ = target;
      anchor_ = target;
    }
  }
  if (!(anchor_ == current_)) MoveAnchor(current_);
  if (anchor_.X >= colCount_ || anchor_.Y >= rowCount_) anchor_ = current_;
  // Without a window (or without scroll bars) nothing else keeps the first
  // cell in view inside the grid.
  holdTopLeft();
  if (virtualView_ || (hadInfo && (topLeft_.X != oldInfo.Horz.FirstGridCell || topLeft_.Y != oldInfo.Vert.FirstGridCell))) {
    InvalidateGrid();
  } else if (hasWindow()) {
    if (!hadInfo) {
      InvalidateGrid();
    } else {
      GridDrawInfo newInfo;
      CalcDrawInfo(newInfo);
      const int c = std::min(oldInfo.Horz.LastFullVisibleCell, newInfo.Horz.LastFullVisibleCell);
      const TRect rc = CellRect(c, 0);
      TControl::InvalidateRect(Rect(rc.Left, rc.Top, Width(), Height()));
      const int r = std::min(oldInfo.Vert.LastFullVisibleCell, newInfo.Vert.LastFullVisibleCell);
      const TRect rr = CellRect(0, r);
      TControl::InvalidateRect(Rect(rr.Left, rr.Top, Width(), Height()));
    }
  }
  UpdateScrollRange();
  SizeChanged(oldColCount, oldRowCount);
}

// ------------------------------------------------------------ update bracket

void TMyCustomGrid::BeginUpdate() {
  if (!nowUpdating_) {
    updateOldCols_ = colCount_;
    updateOldRows_ = rowCount_;
    sizePending_ = false;
  }
  nowUpdating_ = true;
  if (Screen) Screen->SetCursor(crHourGlass);
  LockWindowUpdate(this);
  // The grid takes no input while updating (disabling its window would send
  // the focus elsewhere).
  if (OnBeginUpdate) OnBeginUpdate(this);
}

void TMyCustomGrid::EndUpdate() {
  if (!nowUpdating_) return;
  try {
    ChangeSize(colCount_, rowCount_);
    if (sizePending_) {
      sizePending_ = false;
      changeSizeApply(updateOldCols_, updateOldRows_, false, GridDrawInfo());
    }
  } catch (...) {
    InvalidateGrid();
    if (LockedWindow() == this) UnlockWindowUpdate();
    if (Screen) Screen->SetCursor(crDefault);
    nowUpdating_ = false;
    throw;
  }
  InvalidateGrid();
  if (LockedWindow() == this) UnlockWindowUpdate();
  if (Screen) Screen->SetCursor(crDefault);
  nowUpdating_ = false;
}

// ------------------------------------------------------------ the timer

void TMyCustomGrid::startTimer() {
  if (!timer_) {
    timer_ = new TTimer(this);
    timer_->SetEnabled(false);
    timer_->SetInterval(60);
    timer_->OnTimer = [this](TObject*) { TimerTick(); };
  }
  timer_->SetEnabled(true);
}

void TMyCustomGrid::stopTimer() {
  if (timer_) timer_->SetEnabled(false);
}
