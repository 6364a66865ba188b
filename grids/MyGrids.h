#pragma once
// The grid engine: a rectangle of cells in ColCount columns and RowCount
// rows, the first FixedCols columns and FixedRows rows fixed (headers that
// never scroll). The grid paints its background, lines, selection, focus
// marks and raised header edges and leaves each cell's content to DrawCell;
// it scrolls by keys, mouse and scroll bars, sizes and moves columns and
// rows with the mouse and edits one cell at a time in an in-place editor.
//
// TMyCustomGrid       the engine (geometry, painting, selection, scrolling)
// TInplaceEdit        the editor laid over the current cell
// TMyCustomDrawGrid   the engine's hooks as events
// TMyDrawGrid         the same with every property public
// TMyStringGrid       a string and an object per cell, kept sparsely
#include <memory>
#include <vector>
#include "toolkit/Classes.h"
#include "toolkit/Mask.h"
#include "toolkit/ScrollCtrl.h"
#include "toolkit/StdCtrls.h"

class TTimer;

TK_EXCEPTION(EInvalidGridOperation, Exception)

struct GridCoord {
  int X = 0, Y = 0;
  constexpr bool operator==(const GridCoord&) const = default;
};

// Inclusive cell rectangle.
struct GridRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  constexpr bool Contains(int c, int r) const { return Left <= c && c <= Right && Top <= r && r <= Bottom; }
  constexpr GridCoord TopLeft() const { return {Left, Top}; }
  constexpr GridCoord BottomRight() const { return {Right, Bottom}; }
  constexpr bool operator==(const GridRect&) const = default;
};

// Orders two cells into a rectangle.
GridRect MakeGridRect(GridCoord c1, GridCoord c2);

enum TGridOption {
  goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goDrawFocusSelected, goRowSizing,
  goColSizing, goRowMoving, goColMoving, goEditing, goTabs, goRowSelect, goAlwaysShowEditor, goThumbTracking
};
using TGridOptions = TSet<TGridOption>;
enum TGridDrawStateItem { gdSelected, gdFocused, gdFixed };
using TGridDrawState = TSet<TGridDrawStateItem>;
// Reading order of a control; with bdRightToLeft the grid is laid out from
// the right (fixed columns at the right edge, columns growing leftwards), the
// text in the cells stays left to right.
enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
// What the mouse is doing.
enum GridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };

// Per-column widths, per-row heights or per-column tab stops: absent (every
// entry has its default) or element 0 the count N and elements 1..N the
// values of entries 0..N-1.
class SizesArray {
 public:
  bool Exists() const { return !data_.empty(); }
  int Count() const { return data_.empty() ? 0 : data_[0]; }
  // Entry i (no range check; callers keep 0 <= i < Count()).
  int operator[](int i) const { return data_[size_t(i) + 1]; }
  int& operator[](int i) { return data_[size_t(i) + 1]; }
  // Element access (element 0 is the count).
  const std::vector<int>& Elements() const { return data_; }
  void Free() { data_.clear(); data_.shrink_to_fit(); }
  bool operator==(const SizesArray& o) const { return data_ == o.data_; }

  // Changes the count by Amount; elements Index + 1 .. N + Amount take
  // Default. Raises "Grid index out of range" (Index outside 0..N), "Too many
  // rows or columns deleted", "Grid too large for operation"; unchanged then.
  static void Resize(SizesArray& a, int Index, int Amount, int Default);
  static void SetCount(SizesArray& a, int NewCount, int Default) { Resize(a, a.Count(), NewCount - a.Count(), Default); }
  // Moves element FromIndex to ToIndex, shifting those between.
  static void MoveEntry(SizesArray& a, int FromIndex, int ToIndex);

 private:
  std::vector<int> data_;
};

class TMyCustomGrid;

// The layout of one axis for a client extent.
struct AxisDrawInfo {
  int EffectiveLineWidth = 0;
  int FixedBoundary = 0;
  int GridBoundary = 0;
  int GridExtent = 0;
  int LastFullVisibleCell = 0;
  int FullVisBoundary = 0;
  int FixedCellCount = 0;
  int FirstGridCell = 0;
  int GridCellCount = 0;
  // Width of column i (horizontal axis) or height of row i (vertical).
  int GetExtent(int i) const;
  const TMyCustomGrid* Grid = nullptr;
  bool Columns = true;
};

struct GridDrawInfo {
  AxisDrawInfo Horz, Vert;
};

class TInplaceEdit;

using TMovedEvent = std::function<void(TObject* Sender, int FromIndex, int ToIndex)>;
using TDrawCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, TRect Rect, TGridDrawState State)>;
using TGetEditEvent = std::function<void(TObject* Sender, int ACol, int ARow, String& Value)>;
using TSetEditEvent = std::function<void(TObject* Sender, int ACol, int ARow, const String& Value)>;
using TSelectCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, bool& CanSelect)>;
using TMouseWheelUpDownEvent = std::function<void(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled)>;

class TMyCustomGrid : public TCustomScrollControl {
 public:
  explicit TMyCustomGrid(TComponent* AOwner);
  ~TMyCustomGrid() override;

  // Geometry.
  TRect CellRect(int ACol, int ARow) const;
  TRect BoxRect(int ALeft, int ATop, int ARight, int ABottom) const;
  GridCoord MouseCoord(int X, int Y) const;
  GridCoord CalcCoordFromPoint(int X, int Y, const GridDrawInfo& info) const;
  void CalcDrawInfo(GridDrawInfo& info) const;
  void CalcDrawInfoXY(GridDrawInfo& info, int UseWidth, int UseHeight) const;
  void CalcFixedInfo(GridDrawInfo& info) const;
  GridCoord CalcMaxTopLeft(GridCoord Coord, const GridDrawInfo& info) const;
  void GridRectToScreenRect(GridRect r, TRect& screen, bool IncludeLine) const;

  // Repainting.
  void InvalidateCell(int ACol, int ARow);
  void InvalidateCol(int ACol);
  void InvalidateRow(int ARow);
  using TControl::InvalidateRect;
  void InvalidateRect(const GridRect& r);
  void InvalidateGrid();
  void InvalidateEditor();

  // The update bracket (not counted: the first EndUpdate ends it).
  virtual void BeginUpdate();
  virtual void EndUpdate();
  bool NowUpdating() const { return nowUpdating_; }
  TNotifyEvent OnBeginUpdate;

  bool IsActiveControl() const;
  bool Sizing(int X, int Y) const;
  TBiDiMode BiDiMode() const { return biDiMode_; }
  void SetBiDiMode(TBiDiMode v);
  bool UseRightToLeftAlignment() const { return biDiMode_ == bdRightToLeft; }
  GridState State() const { return gridState_; }
  GridRect Selection() const { return MakeGridRect(current_, anchor_); }

  // The current cell (public form of the move).
  void MoveColRow(int ACol, int ARow, bool MoveAnchor, bool Show);
  // The editor; null until it is first shown.
  TInplaceEdit* InplaceEditor() const { return inplaceEdit_; }

  // Sizes as integer lists ("ColWidths", "RowHeights"): written only when a
  // storage exists (and SaveCellExtents is set); reading sets each size
  // through the setters, within the counts.
  bool WriteColWidths(std::vector<int>& out) const;
  bool WriteRowHeights(std::vector<int>& out) const;
  void ReadColWidths(const std::vector<int>& v);
  void ReadRowHeights(const std::vector<int>& v);
  bool SaveCellExtents() const { return saveCellExtents_; }
  void SetSaveCellExtents(bool v) { saveCellExtents_ = v; }
  bool VirtualView() const { return virtualView_; }
  void SetVirtualView(bool v) { virtualView_ = v; }

  String ClassName() const override { return "TMyCustomGrid"; }

  // Properties, published by TMyDrawGrid.
 protected:
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle v);
  int Col() const { return current_.X; }
  void SetCol(int v);
  int Row() const { return current_.Y; }
  void SetRow(int v);
  int ColCount() const { return colCount_; }
  void SetColCount(int v);
  int RowCount() const { return rowCount_; }
  void SetRowCount(int v);
  int ColWidths(int i) const;
  void SetColWidths(int i, int v);
  int RowHeights(int i) const;
  void SetRowHeights(int i, int v);
  bool TabStops(int i) const;
  void SetTabStops(int i, bool v);
  int DefaultColWidth() const { return defaultColWidth_; }
  void SetDefaultColWidth(int v);
  int DefaultRowHeight() const { return defaultRowHeight_; }
  void SetDefaultRowHeight(int v);
  bool DefaultDrawing() const { return defaultDrawing_; }
  void SetDefaultDrawing(bool v) { defaultDrawing_ = v; }
  bool EditorMode() const { return editorMode_; }
  void SetEditorMode(bool v);
  TColor FixedColor() const { return fixedColor_; }
  void SetFixedColor(TColor v);
  int FixedCols() const { return fixedCols_; }
  void SetFixedCols(int v);
  int FixedRows() const { return fixedRows_; }
  void SetFixedRows(int v);
  int GridLineWidth() const { return gridLineWidth_; }
  void SetGridLineWidth(int v);
  int LeftCol() const { return topLeft_.X; }
  void SetLeftCol(int v);
  int TopRow() const { return topLeft_.Y; }
  void SetTopRow(int v);
  TGridOptions Options() const { return options_; }
  void SetOptions(TGridOptions v);
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle v);
  void SetSelection(const GridRect& v);
  int VisibleColCount() const;
  int VisibleRowCount() const;
  bool Ctl3D() const { return ctl3D_; }
  void SetCtl3D(bool v);

  // Hooks, in slot order.
  virtual void CalcSizingState(int X, int Y, GridState& State, int& Index, int& SizingPos, int& SizingOfs,
                               GridDrawInfo& FixedInfo) const;
  virtual TInplaceEdit* CreateEditor();
  virtual bool CanEditShow() const;
  virtual void DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) = 0;
  virtual bool SelectCell(int ACol, int ARow);
  virtual void DeleteColumn(int ACol);
  virtual void DeleteRow(int ARow);

  virtual void SizeChanged(int OldColCount, int OldRowCount) { (void)OldColCount; (void)OldRowCount; }
  virtual void ColumnMoved(int FromIndex, int ToIndex) { (void)FromIndex; (void)ToIndex; }
  virtual void RowMoved(int FromIndex, int ToIndex) { (void)FromIndex; (void)ToIndex; }
  virtual void TopLeftChanged();
  virtual void ColWidthsChanged();
  virtual void RowHeightsChanged();
  virtual String GetEditText(int ACol, int ARow) { (void)ACol; (void)ARow; return String(); }
  virtual String GetEditMask(int ACol, int ARow) { (void)ACol; (void)ARow; return String(); }
  virtual void SetEditText(int ACol, int ARow, const String& Value) { (void)ACol; (void)ARow; (void)Value; }
  virtual int GetEditLimit() { return 0; }
  virtual bool CanEditAcceptKey(char32_t Key) { (void)Key; return true; }
  virtual bool CanGridAcceptKey(uint16_t Key, TShiftState Shift) { (void)Key; (void)Shift; return true; }
  virtual bool CanEditModify() const { return canEditModify_; }
  virtual bool BeginColumnDrag(int& Origin, int& Destination, TPoint MousePt);
  virtual bool BeginRowDrag(int& Origin, int& Destination, TPoint MousePt);
  virtual bool CheckColumnDrag(int& Origin, int& Destination, TPoint MousePt);
  virtual bool CheckRowDrag(int& Origin, int& Destination, TPoint MousePt);
  virtual bool EndColumnDrag(int& Origin, int& Destination, TPoint MousePt);
  virtual bool EndRowDrag(int& Origin, int& Destination, TPoint MousePt);
  // Inserts (Amount > 0) or removes (Amount < 0) lines at Index.
  virtual void ResizeLines(int Index, int Amount, bool Rows);

  // Moves and selection.
  void MoveCurrent(int ACol, int ARow, bool MoveAnchor, bool Show);
  void MoveAnchor(GridCoord NewAnchor);
  void FocusCell(int ACol, int ARow, bool MoveAnchor);
  void MoveTopLeft(int ALeft, int ATop);
  void ClampInView(GridCoord Coord);
  void TopLeftMoved(GridCoord OldTopLeft);
  void ScrollData(int DX, int DY);
  void ScrollDataInfo(int DX, int DY, const GridDrawInfo& info);
  void SelectionMoved(const GridRect& OldSel);
  void ModifyScrollBar(TScrollBarKind ScrollBar, int ScrollCode, int Pos, bool UseRightToLeft);
  void UpdateScrollPos();
  void UpdateScrollRange();
  void MoveColumn(int FromIndex, int ToIndex);
  void MoveRow(int FromIndex, int ToIndex);
  static void MoveAdjust(int& CellPos, int FromIndex, int ToIndex);
  void ChangeSize(int NewColCount, int NewRowCount);

  // The editing cycle.
  void ShowEditor();
  void HideEditor();
  void ShowEditorChar(char32_t Ch);
  void UpdateEdit();
  void HideEdit();

  // Toolkit handlers.
  void Paint() override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  // Characters typed into the grid: with goEditing they open the editor and
  // are typed into it; others go to GridKeyPress.
  void KeyPress(char32_t& Key) override;
  // The grid's own key-press handling (OnKeyPress; Enter toggles the editor).
  virtual void GridKeyPress(char32_t& Key);
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
  virtual bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos);
  virtual bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos);
  void DoEnter() override;
  void DoExit() override;
  void Resize() override;
  void FontChanged() override;
  void CancelMode() override;
  void ScrollBarCode(TScrollBarKind k, TScrollCode code, int pos) override;
  // The 60 ms timer while selecting or moving.
  virtual void TimerTick();
  // Moves the top-left cell one step in each direction asked (bits 1 left,
  // 2 right, 4 up, 8 down), within the scrollable cells.
  void TimedScroll(int Direction);

  friend struct AxisDrawInfo;
  friend class TInplaceEdit;

  // Fields.
  GridCoord anchor_;
  TBorderStyle borderStyle_ = bsSingle;
  bool canEditModify_ = true;
  int colCount_ = 5;
  SizesArray colWidths_, tabStops_;
  GridCoord current_;
  int defaultColWidth_ = 64, defaultRowHeight_ = 24;
  int fixedCols_ = 1, fixedRows_ = 1;
  TColor fixedColor_ = clBtnFace;
  int gridLineWidth_ = 1;
  TGridOptions options_{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};
  int rowCount_ = 5;
  SizesArray rowHeights_;
  TScrollStyle scrollBars_ = ssBoth;
  GridCoord topLeft_;
  int sizingIndex_ = 0, sizingPos_ = 0, sizingOfs_ = 0;
  int moveIndex_ = 0, movePos_ = 0;
  TPoint hitTest_;
  TInplaceEdit* inplaceEdit_ = nullptr;
  int inplaceCol_ = -1, inplaceRow_ = -1;
  int colOffset_ = 0;
  bool defaultDrawing_ = true;
  bool editorMode_ = false;
  bool nowUpdating_ = false;
  GridState gridState_ = gsNormal;
  bool saveCellExtents_ = true;
  bool virtualView_ = false;
  bool ctl3D_ = true;
  TBiDiMode biDiMode_ = bdLeftToRight;

 private:
  // Mirroring of the right-to-left mode: a client x (pixel) and a rectangle.
  int mirrorX(int x) const { return UseRightToLeftAlignment() ? ClientWidth() - 1 - x : x; }
  TRect mirror(const TRect& r) const {
    return UseRightToLeftAlignment() ? TRect(ClientWidth() - r.Right, r.Top, ClientWidth() - r.Left, r.Bottom) : r;
  }
  void initialize();
  void calcAxis(AxisDrawInfo& a, int extent) const;
  void drawLines(const GridDrawInfo& info, bool doHorz, bool doVert, int startCol, int startRow, const TRect& bounds,
                 TColor onColor, TColor offColor);
  void drawCells(const GridDrawInfo& info, int aCol, int aRow, int startX, int startY, int stopX, int stopY,
                 TColor color, TGridDrawState included, const GridRect& sel, bool active);
  void drawMarks(const GridDrawInfo& info);
  void changeSizeApply(int oldColCount, int oldRowCount, bool hadInfo, const GridDrawInfo& oldInfo);
  void setMarks(bool sizing, bool moving);
  void invalidateMark(const GridDrawInfo& info, GridState st, int pos, int index);
  void moveAndScroll(int mouse, int cellHit, GridDrawInfo& info, bool columns, TPoint mousePt);
  void pixelScroll(int code, int pos);
  void updateCursor(int X, int Y);
  void startTimer();
  void stopTimer();
  void focusEntered();
  void focusLeft();
  bool hasWindow() const;
  void checkIndex(int i, int count) const;
  // Keeps TopRow and LeftCol within the grid when there is no window to
  // hold them there.
  void holdTopLeft();

  TTimer* timer_ = nullptr;
  int updateOldCols_ = 0, updateOldRows_ = 0;
  bool sizePending_ = false;
  bool sizingMark_ = false, moveMark_ = false;
  bool focusWithin_ = false;
  bool sizeCursor_ = false;
  TPoint lastMouse_;
  bool inScrollRange_ = false;
};

// The editor laid over the current cell.
class TInplaceEdit : public TCustomMaskEdit {
 public:
  explicit TInplaceEdit(TComponent* AOwner);
  TMyCustomGrid* Grid() const { return grid_; }
  void SetGrid(TMyCustomGrid* g) { grid_ = g; }
  int64_t ClickTime = 0;

  virtual void BoundsChanged();
  virtual void UpdateContents();
  // Place and show: always redrawn / redrawn only when it was hidden.
  void Move(const TRect& Loc);
  void UpdateLoc(const TRect& Loc);
  void HideEdit();
  void InvalidateEdit();
  void Deselect();
  bool EditVisible() const;
  String ClassName() const override { return "TInplaceEdit"; }

 protected:
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void KeyUp(uint16_t& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void DblClick() override;
  bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
  void DoEnter() override;
  void DoExit() override;

 private:
  friend class TMyCustomGrid;
  void internalMove(const TRect& Loc, bool Redraw);
  TMyCustomGrid* grid_ = nullptr;
  bool shown_ = false;
  int editLimit_ = 0;
};

// The engine's hooks as events, each fired only when assigned.
class TMyCustomDrawGrid : public TMyCustomGrid {
 public:
  explicit TMyCustomDrawGrid(TComponent* AOwner) : TMyCustomGrid(AOwner) {}
  void MouseToCell(int X, int Y, int& ACol, int& ARow) const;
  TMovedEvent OnColumnMoved, OnRowMoved;
  TDrawCellEvent OnDrawCell;
  TGetEditEvent OnGetEditMask, OnGetEditText;
  TSetEditEvent OnSetEditText;
  TSelectCellEvent OnSelectCell;
  TNotifyEvent OnTopLeftChanged;
  TMouseWheelUpDownEvent OnMouseWheelDown, OnMouseWheelUp;
  String ClassName() const override { return "TMyCustomDrawGrid"; }

 protected:
  void ColumnMoved(int FromIndex, int ToIndex) override;
  void RowMoved(int FromIndex, int ToIndex) override;
  String GetEditMask(int ACol, int ARow) override;
  String GetEditText(int ACol, int ARow) override;
  void SetEditText(int ACol, int ARow, const String& Value) override;
  bool SelectCell(int ACol, int ARow) override;
  void DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) override;
  void TopLeftChanged() override;
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
};

class TMyDrawGrid : public TMyCustomDrawGrid {
 public:
  explicit TMyDrawGrid(TComponent* AOwner) : TMyCustomDrawGrid(AOwner) {}
  using TMyCustomGrid::BorderStyle;
  using TMyCustomGrid::SetBorderStyle;
  using TMyCustomGrid::Col;
  using TMyCustomGrid::SetCol;
  using TMyCustomGrid::Row;
  using TMyCustomGrid::SetRow;
  using TMyCustomGrid::ColCount;
  using TMyCustomGrid::SetColCount;
  using TMyCustomGrid::RowCount;
  using TMyCustomGrid::SetRowCount;
  using TMyCustomGrid::ColWidths;
  using TMyCustomGrid::SetColWidths;
  using TMyCustomGrid::RowHeights;
  using TMyCustomGrid::SetRowHeights;
  using TMyCustomGrid::TabStops;
  using TMyCustomGrid::SetTabStops;
  using TMyCustomGrid::DefaultColWidth;
  using TMyCustomGrid::SetDefaultColWidth;
  using TMyCustomGrid::DefaultRowHeight;
  using TMyCustomGrid::SetDefaultRowHeight;
  using TMyCustomGrid::DefaultDrawing;
  using TMyCustomGrid::SetDefaultDrawing;
  using TMyCustomGrid::EditorMode;
  using TMyCustomGrid::SetEditorMode;
  using TMyCustomGrid::FixedColor;
  using TMyCustomGrid::SetFixedColor;
  using TMyCustomGrid::FixedCols;
  using TMyCustomGrid::SetFixedCols;
  using TMyCustomGrid::FixedRows;
  using TMyCustomGrid::SetFixedRows;
  using TMyCustomGrid::GridLineWidth;
  using TMyCustomGrid::SetGridLineWidth;
  using TMyCustomGrid::LeftCol;
  using TMyCustomGrid::SetLeftCol;
  using TMyCustomGrid::TopRow;
  using TMyCustomGrid::SetTopRow;
  using TMyCustomGrid::Options;
  using TMyCustomGrid::SetOptions;
  using TMyCustomGrid::ScrollBars;
  using TMyCustomGrid::SetScrollBars;
  using TMyCustomGrid::SetSelection;
  using TMyCustomGrid::VisibleColCount;
  using TMyCustomGrid::VisibleRowCount;
  using TMyCustomGrid::Ctl3D;
  using TMyCustomGrid::SetCtl3D;
  using TMyCustomGrid::DeleteColumn;
  using TMyCustomGrid::DeleteRow;
  using TMyCustomGrid::MoveColumn;
  using TMyCustomGrid::MoveRow;
  String ClassName() const override { return "TMyDrawGrid"; }
};

// Sparse storage -------------------------------------------------------------

enum TSPAQuantum { SPASmall, SPALarge };

// Two-level pointer array: a directory of sections of 16 (small) or 256
// (large) slots, a section allocated on the first write into it.
class TSparsePointerArray {
 public:
  explicit TSparsePointerArray(TSPAQuantum Quantum);
  ~TSparsePointerArray();
  TSparsePointerArray(const TSparsePointerArray&) = delete;
  TSparsePointerArray& operator=(const TSparsePointerArray&) = delete;
  void* Get(int Index) const {
    if (Index < 0) return nullptr;
    if (Index == cachedIndex_) return cachedPointer_;
    const size_t sec = size_t(uint32_t(Index) >> secShift_);
    void* item = sec < dir_.size() && dir_[sec] ? dir_[sec][uint32_t(Index) & indexMask_] : nullptr;
    cachedIndex_ = Index;
    cachedPointer_ = item;
    return item;
  }
  void Put(int Index, void* Item);
  // Items First .. First + Count - 1 read into Out, or written from Items,
  // a section at a time: as Get or Put of each in turn.
  void GetRun(int First, int Count, void** Out) const;
  void PutRun(int First, int Count, void* const* Items);
  int HighBound() const { return highBound_; }
  // Calls f(Index, Item) for every item in ascending order until it returns
  // non-zero; returns that value (0 when all were visited).
  int ForAll(const std::function<int(int, void*)>& f) const;

 private:
  void** slotFor(int Index);
  std::vector<void**> dir_;
  uint32_t indexMask_, secShift_, slotsInSection_;
  int highBound_ = -1;
  mutable int cachedIndex_ = -1;
  mutable void* cachedPointer_ = nullptr;
};

class TSparseList {
 public:
  explicit TSparseList(TSPAQuantum Quantum);
  void* Get(int Index) const {
    if (Index < 0) ListIndexError(Index);
    return list_->Get(Index);
  }
  void Put(int Index, void* Item);
  // Count items from First on, as Get or Put of each in turn.
  void GetRun(int First, int Count, void** Out) const;
  void PutRun(int First, int Count, void* const* Items);
  int Count() const { return count_; }
  void Clear();
  void Delete(int Index);
  void Insert(int Index, void* Item);
  void Exchange(int Index1, int Index2);
  void Move(int CurIndex, int NewIndex);
  int ForAll(const std::function<int(int, void*)>& f) const { return list_->ForAll(f); }

 private:
  std::unique_ptr<TSparsePointerArray> list_;
  TSPAQuantum quantum_;
  int count_ = 0;
};

// A string list over a sparse list of {object, string} items.
class TStringSparseList : public TStrings {
 public:
  explicit TStringSparseList(TSPAQuantum Quantum);
  ~TStringSparseList() override;
  int Count() const override { return list_.Count(); }
  String Get(int i) const override;
  // The stored string itself, without a copy; null for an empty item.
  const String* Peek(int i) const {
    auto* it = static_cast<Item*>(list_.Get(i));
    return it ? &it->s : nullptr;
  }
  void Put(int i, const String& s) override;
  TObject* GetObject(int i) const override;
  void PutObject(int i, TObject* o) override;
  void Insert(int i, const String& s) override;
  void Delete(int i) override;
  void Clear() override;
  void Exchange(int i, int j) { list_.Exchange(i, j); changed(); }
  void Move(int cur, int to) { list_.Move(cur, to); changed(); }
  // The stored "List": the count of non-empty items, then index and string
  // of each in ascending order.
  void WriteList(std::vector<std::pair<int, String>>& out) const;
  void ReadList(const std::vector<std::pair<int, String>>& in);
  String ClassName() const override { return "TStringSparseList"; }

 private:
  struct Item { TObject* obj = nullptr; String s; };
  void changed() { if (OnChange) OnChange(this); }
  TSparseList list_;
};

class TMyStringGrid;

// One row (Index n > 0: row n - 1) or one column (n < 0: column -n - 1) of
// a string grid as a string list; 0 views nothing.
class TMyStringGridStrings : public TStrings {
 public:
  TMyStringGridStrings(TMyStringGrid* AGrid, int AIndex) : grid_(AGrid), index_(AIndex) {}
  int Count() const override;
  String Get(int i) const override;
  void Put(int i, const String& s) override;
  TObject* GetObject(int i) const override;
  void PutObject(int i, TObject* o) override;
  void Insert(int i, const String& s) override;
  void Delete(int i) override;
  void Clear() override;
  int Add(const String& s) override;
  void Assign(const TPersistent* Source) override;
  void BeginViewUpdate();
  void EndViewUpdate();
  String ClassName() const override { return "TMyStringGridStrings"; }

 private:
  bool cell(int i, int& c, int& r) const;
  TMyStringGrid* grid_;
  int index_;
};

class TMyStringGrid : public TMyDrawGrid {
 public:
  explicit TMyStringGrid(TComponent* AOwner);
  ~TMyStringGrid() override;
  String Cells(int ACol, int ARow) const;
  void SetCells(int ACol, int ARow, const String& Value);
  TObject* Objects(int ACol, int ARow) const;
  void SetObjects(int ACol, int ARow, TObject* Value);
  TStrings* Rows(int Index);
  TStrings* Cols(int Index);
  String ClassName() const override { return "TMyStringGrid"; }

 protected:
  void DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) override;
  void ColumnMoved(int FromIndex, int ToIndex) override;
  void RowMoved(int FromIndex, int ToIndex) override;
  String GetEditText(int ACol, int ARow) override;
  void SetEditText(int ACol, int ARow, const String& Value) override;

 private:
  friend class TMyStringGridStrings;
  // The sort grid moves and parks whole rows.
  friend class TSortGrid;
  TStringSparseList* ensureRow(int ARow);
  void cellChanged(int ACol, int ARow);
  void setUpdateState(bool updating);
  void update(int ACol, int ARow);
  std::unique_ptr<TSparseList> data_, rows_, cols_;
  bool updating_ = false, needsUpdating_ = false;
  int editUpdate_ = 0;
};
