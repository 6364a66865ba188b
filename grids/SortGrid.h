#pragma once
// The sortable string grid. Row 0 is the header row; data rows are
// 1 .. RowCount - 1; there are no fixed columns. Cells are kept sparsely by
// the string grid; a cell never written reads as the empty string, and cells
// beyond the counts are kept.
//
// On top of the string grid it has: a per-cell format asked from
// OnGetCellFormat (TFormatOptions), check-box, drop-down and ellipsis cells,
// its own cell painting with a sort arrow in the header, multi-row selection,
// extra keys and an incremental search, a typed multi-key stable sort, a row
// filter, automatic column widths, a stretching last column, row and column
// operations with events, and printing with a page preview.
#include <memory>
#include <vector>
#include "grids/MyGrids.h"
#include "toolkit/Graphics.h"

class TListBox;
class TImage;
class TStringList;

// The per-cell format record handed to OnGetCellFormat. Brush and Font are
// the grid canvas's own: a handler changes them in place.
enum TVertAlignment : uint8_t { taTopJustify, taBottomJustify, taMiddle };
enum TCellBevelStyle : uint8_t { cbNone, cbRaised, cbLowered };

struct TFormatOptions {
  TBrush* Brush = nullptr;
  TFont* Font = nullptr;
  uint8_t AlignmentHorz = taLeftJustify;   // a TAlignment
  TVertAlignment AlignmentVert = taTopJustify;
  struct {
    TCellBevelStyle Style = cbNone;
    TColor UpperLeftColor = clWindow;
    TColor LowerRightColor = clWindow;
  } Bevel;
  bool NoText = false;
};

enum TSortStyle { ssAutomatic, ssNormal, ssNumeric, ssNumericExtended, ssDateTime, ssTime, ssCustom };
enum TSortDirection { sdAscending, sdDescending };
enum TMyPrintRange { prAll, prSelected };

using TSortCompareFunc = std::function<int(const String& S1, const String& S2)>;

// The sort settings of a grid. Assigning another object to it is refused
// ("Cannot assign a %s to a %s").
class TSortOptions : public TPersistent {
 public:
  String SecondaryIndex;          // further key columns, comma separated
  bool CanSort = true;
  TSortStyle SortStyle = ssNormal;
  bool SortCaseSensitive = false;
  int SortCol = 0;
  TSortDirection SortDirection = sdAscending;
  TSortCompareFunc SortCompare;   // for ssCustom; cleared after every sort
  bool UpdateOnSizeChange = false;
  String ClassName() const override { return "TSortOptions"; }
};

class TPrintOptions : public TPersistent {
 public:
  String JobTitle;
  String PageTitle;
  unsigned Copies = 0;
  TMyPrintRange PrintRange = prAll;
  unsigned PreviewPage = 0;
  unsigned FromRow = 0;
  unsigned ToRow = 0;
  // The columns are scaled to fill the printable width (all on one band);
  // their text shrinks only when they come out narrower than on the screen.
  bool FitToWidth = false;
  String ClassName() const override { return "TPrintOptions"; }
};

// The comparisons of the sort styles: negative when S1 sorts first. Each is a
// consistent order: empty texts first, then texts that convert, by value,
// then the others by bytes. The natural order of ssNumericExtended reads digit
// runs as numbers of any length, other characters by bytes, equal values by
// their text.
int SortCompareStr(const String& S1, const String& S2);
int SortCompareFloat(const String& S1, const String& S2);
int SortCompareNumericExtended(const String& S1, const String& S2);
int SortCompareDateTime(const String& S1, const String& S2);
int SortCompareTime(const String& S1, const String& S2);

// The grid's small pictures, drawn in code: "UP", "DOWN" (8 x 7), "CHECKED",
// "UNCHECKED", "COMBOBOX", "ELLIPSIS" (16 x 16). Another name raises
// "Resource %s not found".
std::unique_ptr<TBitmap> LoadGridGlyph(const String& Name);

using TUpdateGridEvent = std::function<void(TObject* Sender, int ARow)>;
using TSizeChangedEvent = std::function<void(TObject* Sender, int OldColCount, int OldRowCount)>;
using TFormatDrawCellEvent = std::function<void(TObject* Sender, int Col, int Row, TGridDrawState State,
                                                TFormatOptions& FormatOptions, bool& CheckBox, bool& Combobox, bool& Ellipsis)>;
using TSetFilterEvent = std::function<void(TStrings* ARows, bool& Accept)>;
using TSearchEvent = std::function<void(TStrings* ARows, bool& Accept)>;
using TGetSortStyleEvent = std::function<void(TObject* Sender, int Col, TSortStyle& SortStyle)>;
using TBeginSortEvent = std::function<void(TObject* Sender, int& ACol)>;
using TEndSortEvent = std::function<void(TObject* Sender, int ACol)>;
using TCellValidateEvent = std::function<void(TObject* Sender, int ACol, int ARow, const String& OldValue, String& NewValue, bool& Valid)>;
using TSetChecked = std::function<void(TObject* Sender, int ACol, int ARow, bool State)>;
using TGetCombobox = std::function<void(TObject* Sender, int ACol, int ARow, TStringList*& Strs, int& Width, int& Height, bool& Sorted)>;
using TSetCombobox = std::function<void(TObject* Sender, int ACol, int ARow, const String& Str)>;
using TSetEllipsis = std::function<void(TObject* Sender, int ACol, int ARow)>;

class TSortGrid : public TMyStringGrid {
 public:
  explicit TSortGrid(TComponent* AOwner);
  ~TSortGrid() override;

  // Settings objects.
  TSortOptions* SortOptions() const { return sortOptions_.get(); }
  // Refused: "Cannot assign a <source class> to a TSortOptions".
  void SetSortOptions(const TPersistent* v);
  TPrintOptions* PrintOptions() const { return printOptions_.get(); }

  bool HideRows() const { return hideRows_; }
  void SetHideRows(bool v);
  bool Filtered() const { return filtered_; }
  void SetFiltered(bool v);
  int HiddenRowCount() const { return int(parked_.size()); }
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool v);
  TStringList* UserSettings() const { return userSettings_.get(); }
  // The grid takes the list over (no copy).
  void SetUserSettings(TStringList* v);
  TAlignment AlignmentHorz() const { return alignmentHorz_; }
  void SetAlignmentHorz(TAlignment v);
  TVertAlignment AlignmentVert() const { return alignmentVert_; }
  void SetAlignmentVert(TVertAlignment v);
  TCellBevelStyle BevelStyle() const { return bevelStyle_; }
  void SetBevelStyle(TCellBevelStyle v);
  bool ProportionalScrollBars() const { return proportionalScrollBars_; }
  void SetProportionalScrollBars(bool v);
  bool ExtendedKeys() const { return extendedKeys_; }
  void SetExtendedKeys(bool v) { extendedKeys_ = v; }

  bool Modified() const { return modified_; }
  void SetModified(bool v);

  // Selected rows (decimal row numbers) and the anchors of the selection.
  TStringList* SelectedRows() const { return selectedRows_.get(); }
  TStringList* AnchorRows() const { return anchorRows_.get(); }
  void ClearSelection();
  bool IsRowSelected(int ARow) const;

  // How a check-box cell's text reads: ticked or not. Empty: "true", "1"
  // and "V" are ticked. Drawing and GetChecked both follow it, so an owner
  // whose files store ticks in other texts gives its own rule here.
  std::function<bool(const String& Text)> CheckedText;
  bool IsCheckedCellText(const String& Text) const {
    return CheckedText ? CheckedText(Text) : Text == "true" || Text == "1" || Text == "V";
  }

  // Cells.
  void GetCellFormat(int ACol, int ARow, TFormatOptions& FormatOptions, bool& CheckBox, bool& Combobox, bool& Ellipsis);
  bool GetChecked(int ACol, int ARow);
  void SetChecked(int ACol, int ARow, bool State);
  bool ShowComboBox(int ACol, int ARow);
  TListBox* DropDownList() const { return dropDown_; }
  // Writes the drop-down's chosen item into the cell it was opened for.
  void CommitComboBox();
  // Closes the drop-down writing nothing (Escape, a click elsewhere); the
  // focus comes back to the grid when asked.
  void CancelComboBox(bool focusGrid);

  // Sorting and filtering.
  void SortByColumn(int ACol);
  // Sorts by a column of a style chosen by its texts.
  TSortStyle DetectSortStyle(int ACol);
  bool IsRowEmpty(int ARow) const;
  void BeginUpdate() override;
  void EndUpdate() override;

  // Sizes, rows and columns. An index outside the grid raises "Grid index
  // out of range" and changes nothing.
  void AutoSizeCol(int ACol, bool Force);
  void AutoSizeColumns(bool Force);
  void Clear();
  void InsertRow(int ARow);
  void InsertColumn(int ACol);
  void DeleteRow(int ARow) override;
  void DeleteColumn(int ACol) override;
  void MoveRow(int FromIndex, int ToIndex);
  void MoveColumn(int FromIndex, int ToIndex);
  void SwapRows(int A, int B);
  void MoveToCell(int ACol, int ARow, bool Scroll);
  void ScrollToCell(int ACol, int ARow);

  // Printing.
  int PrintPageCounter() const { return printPageCounter_; }
  int PageCount();
  void PrintPreview(TImage* Image);
  void Print();
  // The layout routine: mode 0 print, 1 preview, 2 count pages.
  void PrintPages(TCanvas* ACanvas, int Mode, int FromRow, int ToRow);

  TNotifyEvent OnModified;
  TNotifyEvent OnRowSelected;
  TUpdateGridEvent OnRowInsert, OnRowDelete, OnColumnInsert, OnColumnDelete;
  TNotifyEvent OnColumnWidthsChanged, OnRowHeightsChanged;
  TSizeChangedEvent OnSizeChanged;
  TFormatDrawCellEvent OnGetCellFormat;
  TSetFilterEvent OnSetFilter;
  TSearchEvent OnSearch;
  TNotifyEvent OnEndUpdate;
  TGetSortStyleEvent OnGetSortStyle;
  TCellValidateEvent OnCellValidate;
  TSetChecked OnSetChecked;
  TGetCombobox OnGetComboBox;
  TSetCombobox OnSetComboBox;
  TSetEllipsis OnSetEllipsis;
  TBeginSortEvent OnBeginSort;
  TEndSortEvent OnEndSort;

  String ClassName() const override { return "TSortGrid"; }

 protected:
  void DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) override;
  bool SelectCell(int ACol, int ARow) override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void KeyUp(uint16_t& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
  void Click() override;
  void DoEnter() override;
  void DoExit() override;
  void ColumnMoved(int FromIndex, int ToIndex) override;
  void ColWidthsChanged() override;
  void RowHeightsChanged() override;
  void SizeChanged(int OldColCount, int OldRowCount) override;
  void SetEditText(int ACol, int ARow, const String& Value) override;
  void Resize() override;
  // The grid pops its menu up itself, on a right-button release over a data
  // row; the menu key still shows it.
  void DoContextPopup(TPoint p, bool& handled) override;

 private:
  void checkCol(int ACol) const;
  void checkRow(int ARow) const;
  void closeEditor();
  void selectOnly(int ARow);
  void addSelected(int ARow);
  void removeSelected(int ARow);
  void selectRange(int fromRow, int toRow);
  void invalidateRows(const std::vector<int>& rows);
  void updateScrollBars();
  void rememberCell();
  void validateCell();
  // The scales of one layout run: page units per screen pixel of the
  // columns (X), the rows (Y) and the title and footer (Title); the cell
  // text's font height over the grid font's on this canvas (Text).
  struct PrintScale {
    double X = 1, Y = 1, Title = 1, Text = 1, TitleFont = 1;
  };
  void pageHeader(TCanvas* c, bool draw, int pageW, int pageH, int pageInBand, int bandNo, int lastCol, int& y,
                  const PrintScale& k);
  void printRow(TCanvas* c, bool draw, int r, int y, int firstCol, int lastCol, const PrintScale& k);
  template <class F> void withoutAlwaysShowEditor(F f);

  std::unique_ptr<TSortOptions> sortOptions_;
  std::unique_ptr<TPrintOptions> printOptions_;
  std::unique_ptr<TStringList> userSettings_;
  std::unique_ptr<TStringList> selectedRows_, anchorRows_;
  // Which rows the selected-rows list names, by row number: made again from
  // the list after it changed, so a lookup does not search the list.
  mutable std::vector<char> selectedMask_;
  mutable bool selectedMaskStale_ = true;
  std::unique_ptr<TBitmap> arrowUp_, arrowDown_;
  // The cell glyphs, made on first use.
  std::unique_ptr<TBitmap> glyphs_[4];
  TBitmap* glyph(int i);
  TListBox* dropDown_ = nullptr;
  int dropCol_ = -1, dropRow_ = -1;
  // Rows taken out of view by the filter, in their order.
  std::vector<TStringSparseList*> parked_;
  bool hideRows_ = false, filtered_ = false, multiSelect_ = false;
  TAlignment alignmentHorz_ = taLeftJustify;
  TVertAlignment alignmentVert_ = taTopJustify;
  TCellBevelStyle bevelStyle_ = cbNone;
  bool proportionalScrollBars_ = false, extendedKeys_ = false;
  bool modified_ = false;
  bool rowSelectArmed_ = true;
  GridCoord pressCell_{-1, -1};
  TPoint pressPoint_{-1, -1};
  bool dragging_ = false;
  int updateDepth_ = 0;
  bool savedUpdateOnSizeChange_ = false;
  // The cell remembered for validation.
  int valCol_ = -1, valRow_ = -1;
  String valText_;
  bool valModified_ = false;
  int printPageCounter_ = 0;
  bool inSizeChange_ = false;
  bool tabDown_ = false;
  bool inModified_ = false;
};
