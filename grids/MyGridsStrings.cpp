// The draw grid's events, the sparse cell storage and the string grid.
#include <algorithm>

#include "grids/MyGrids.h"

// ------------------------------------------------------------ draw grid

void TMyCustomDrawGrid::MouseToCell(int X, int Y, int& ACol, int& ARow) const {
  const GridCoord c = MouseCoord(X, Y);
  ACol = c.X;
  ARow = c.Y;
}

void TMyCustomDrawGrid::ColumnMoved(int FromIndex, int ToIndex) {
  if (OnColumnMoved) OnColumnMoved(this, FromIndex, ToIndex);
}

void TMyCustomDrawGrid::RowMoved(int FromIndex, int ToIndex) {
  if (OnRowMoved) OnRowMoved(this, FromIndex, ToIndex);
}

String TMyCustomDrawGrid::GetEditMask(int ACol, int ARow) {
  String v;
  if (OnGetEditMask) OnGetEditMask(this, ACol, ARow, v);
  return v;
}

String TMyCustomDrawGrid::GetEditText(int ACol, int ARow) {
  String v;
  if (OnGetEditText) OnGetEditText(this, ACol, ARow, v);
  return v;
}

void TMyCustomDrawGrid::SetEditText(int ACol, int ARow, const String& Value) {
  if (OnSetEditText) OnSetEditText(this, ACol, ARow, Value);
}

bool TMyCustomDrawGrid::SelectCell(int ACol, int ARow) {
  bool can = true;
  if (OnSelectCell) OnSelectCell(this, ACol, ARow, can);
  return can;
}

void TMyCustomDrawGrid::DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) {
  if (OnDrawCell) OnDrawCell(this, ACol, ARow, ARect, AState);
}

void TMyCustomDrawGrid::TopLeftChanged() {
  TMyCustomGrid::TopLeftChanged();
  if (OnTopLeftChanged) OnTopLeftChanged(this);
}

bool TMyCustomDrawGrid::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  bool handled = false;
  if (OnMouseWheelDown) OnMouseWheelDown(this, Shift, MousePos, handled);
  return handled;
}

bool TMyCustomDrawGrid::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  bool handled = false;
  if (OnMouseWheelUp) OnMouseWheelUp(this, Shift, MousePos, handled);
  return handled;
}

// ------------------------------------------------------------ sparse array

TSparsePointerArray::TSparsePointerArray(TSPAQuantum Quantum) {
  if (Quantum == SPALarge) {
    indexMask_ = 255;
    secShift_ = 8;
    slotsInSection_ = 256;
  } else {
    indexMask_ = 15;
    secShift_ = 4;
    slotsInSection_ = 16;
  }
}

TSparsePointerArray::~TSparsePointerArray() {
  for (void** s : dir_) delete[] s;
}

void** TSparsePointerArray::slotFor(int Index) {
  const size_t sec = size_t(uint32_t(Index) >> secShift_);
  if (sec >= dir_.size()) dir_.resize(sec + 1, nullptr);
  if (!dir_[sec]) dir_[sec] = new void*[slotsInSection_]();
  highBound_ = std::max(highBound_, Index);
  cachedIndex_ = -1;
  return &dir_[sec][uint32_t(Index) & indexMask_];
}

void TSparsePointerArray::Put(int Index, void* Item) {
  if (Index < 0) return;
  if (!Item && !Get(Index)) return;
  *slotFor(Index) = Item;
  if (!Item) {
    int h = highBound_;
    while (h >= 0 && !Get(h)) --h;
    highBound_ = h;
  }
  cachedIndex_ = -1;
}

void TSparsePointerArray::GetRun(int First, int Count, void** Out) const {
  int i = 0;
  for (; i < Count && First + i < 0; ++i) Out[i] = nullptr;
  while (i < Count) {
    const uint32_t at = uint32_t(First + i);
    const size_t sec = size_t(at >> secShift_);
    const uint32_t from = at & indexMask_;
    const int run = std::min(Count - i, int(slotsInSection_ - from));
    void* const* s = sec < dir_.size() ? dir_[sec] : nullptr;
    if (s) std::copy(s + from, s + from + run, Out + i);
    else std::fill(Out + i, Out + i + run, nullptr);
    i += run;
  }
}

void TSparsePointerArray::PutRun(int First, int Count, void* const* Items) {
  bool cleared = false;
  for (int i = 0; i < Count; ++i) {
    const int at = First + i;
    if (at < 0) continue;
    void* item = Items[i];
    if (item) {
      const size_t sec = size_t(uint32_t(at) >> secShift_);
      if (sec < dir_.size() && dir_[sec]) {
        dir_[sec][uint32_t(at) & indexMask_] = item;
        highBound_ = std::max(highBound_, at);
      } else {
        *slotFor(at) = item;
      }
    } else {
      const size_t sec = size_t(uint32_t(at) >> secShift_);
      if (sec < dir_.size() && dir_[sec]) {
        void*& slot = dir_[sec][uint32_t(at) & indexMask_];
        cleared = cleared || slot;
        slot = nullptr;
      }
    }
  }
  cachedIndex_ = -1;
  if (cleared) {
    int h = highBound_;
    while (h >= 0 && !Get(h)) --h;
    highBound_ = h;
    cachedIndex_ = -1;
  }
}

int TSparsePointerArray::ForAll(const std::function<int(int, void*)>& f) const {
  for (size_t sec = 0; sec < dir_.size(); ++sec) {
    void** s = dir_[sec];
    if (!s) continue;
    for (uint32_t k = 0; k < slotsInSection_; ++k) {
      if (!s[k]) continue;
      const int r = f(int((sec << secShift_) + k), s[k]);
      if (r != 0) return r;
    }
  }
  return 0;
}

// ------------------------------------------------------------ sparse list

TSparseList::TSparseList(TSPAQuantum Quantum) : list_(std::make_unique<TSparsePointerArray>(Quantum)), quantum_(Quantum) {}

void TSparseList::GetRun(int First, int Count, void** Out) const {
  if (Count > 0 && First < 0) ListIndexError(First);
  list_->GetRun(First, Count, Out);
}

void TSparseList::PutRun(int First, int Count, void* const* Items) {
  if (Count <= 0) return;
  if (First < 0) ListIndexError(First);
  list_->PutRun(First, Count, Items);
  count_ = list_->HighBound() + 1;
}

void TSparseList::Put(int Index, void* Item) {
  if (Index < 0) ListIndexError(Index);
  list_->Put(Index, Item);
  count_ = list_->HighBound() + 1;
}

void TSparseList::Clear() {
  list_ = std::make_unique<TSparsePointerArray>(quantum_);
  count_ = 0;
}

void TSparseList::Delete(int Index) {
  if (Index < 0 || Index >= count_) return;
  for (int i = Index; i < count_ - 1; ++i) list_->Put(i, list_->Get(i + 1));
  list_->Put(count_ - 1, nullptr);
  --count_;
}

void TSparseList::Insert(int Index, void* Item) {
  if (Index < 0) ListIndexError(Index);
  for (int i = count_; i > Index; --i) list_->Put(i, list_->Get(i - 1));
  list_->Put(Index, Item);
  if (Index > count_) count_ = Index;
  ++count_;
}

void TSparseList::Exchange(int Index1, int Index2) {
  if (Index1 < 0) ListIndexError(Index1);
  if (Index2 < 0) ListIndexError(Index2);
  void* a = list_->Get(Index1);
  void* b = list_->Get(Index2);
  list_->Put(Index1, b);
  list_->Put(Index2, a);
  count_ = std::max(count_, list_->HighBound() + 1);
}

void TSparseList::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  void* item = Get(CurIndex);
  Delete(CurIndex);
  Insert(NewIndex, item);
}

// ------------------------------------------------------------ string sparse list

TStringSparseList::TStringSparseList(TSPAQuantum Quantum) : list_(Quantum) {}

TStringSparseList::~TStringSparseList() {
  list_.ForAll([](int, void* p) {
    delete static_cast<Item*>(p);
    return 0;
  });
}

String TStringSparseList::Get(int i) const {
  auto* it = static_cast<Item*>(list_.Get(i));
  return it ? it->s : String();
}

TObject* TStringSparseList::GetObject(int i) const {
  auto* it = static_cast<Item*>(list_.Get(i));
  return it ? it->obj : nullptr;
}

void TStringSparseList::Put(int i, const String& s) {
  auto* old = static_cast<Item*>(list_.Get(i));
  if (s.empty() && (!old || !old->obj)) {
    list_.Put(i, nullptr);
    delete old;
  } else {
    auto* it = new Item{old ? old->obj : nullptr, s};
    list_.Put(i, it);
    delete old;
  }
  changed();
}

void TStringSparseList::PutObject(int i, TObject* o) {
  auto* it = static_cast<Item*>(list_.Get(i));
  if (it) {
    it->obj = o;
  } else if (o) {
    list_.Put(i, new Item{o, String()});
  }
  changed();
}

void TStringSparseList::Insert(int i, const String& s) {
  list_.Insert(i, new Item{nullptr, s});
  changed();
}

void TStringSparseList::Delete(int i) {
  if (i < 0) ListIndexError(i);
  if (i < list_.Count()) delete static_cast<Item*>(list_.Get(i));
  list_.Delete(i);
  changed();
}

void TStringSparseList::Clear() {
  list_.ForAll([](int, void* p) {
    delete static_cast<Item*>(p);
    return 0;
  });
  list_.Clear();
  changed();
}

void TStringSparseList::WriteList(std::vector<std::pair<int, String>>& out) const {
  out.clear();
  list_.ForAll([&](int i, void* p) {
    auto* it = static_cast<Item*>(p);
    if (!it->s.empty()) out.emplace_back(i, it->s);
    return 0;
  });
}

void TStringSparseList::ReadList(const std::vector<std::pair<int, String>>& in) {
  for (const auto& [i, s] : in) Insert(i, s);
}

// ------------------------------------------------------------ row and column views

bool TMyStringGridStrings::cell(int i, int& c, int& r) const {
  if (index_ > 0) {
    c = i;
    r = index_ - 1;
    return true;
  }
  if (index_ < 0) {
    c = -index_ - 1;
    r = i;
    return true;
  }
  return false;
}

int TMyStringGridStrings::Count() const {
  if (index_ == 0) return 0;
  return index_ > 0 ? grid_->ColCount() : grid_->RowCount();
}

String TMyStringGridStrings::Get(int i) const {
  int c, r;
  return cell(i, c, r) ? grid_->Cells(c, r) : String();
}

void TMyStringGridStrings::Put(int i, const String& s) {
  int c, r;
  if (cell(i, c, r)) grid_->SetCells(c, r, s);
}

TObject* TMyStringGridStrings::GetObject(int i) const {
  int c, r;
  return cell(i, c, r) ? grid_->Objects(c, r) : nullptr;
}

void TMyStringGridStrings::PutObject(int i, TObject* o) {
  int c, r;
  if (cell(i, c, r)) grid_->SetObjects(c, r, o);
}

void TMyStringGridStrings::Insert(int, const String&) {
  throw EInvalidGridOperation("Cannot insert or delete rows from grid");
}

void TMyStringGridStrings::Delete(int) { throw EInvalidGridOperation("Cannot insert or delete rows from grid"); }

int TMyStringGridStrings::Add(const String& s) {
  const int n = Count();
  for (int i = 0; i < n; ++i) {
    if (Get(i).empty()) {
      Put(i, s.empty() ? String(" ") : s);
      return i;
    }
  }
  return -1;
}

void TMyStringGridStrings::Clear() {
  if (index_ == 0) return;
  BeginViewUpdate();
  try {
    if (index_ > 0) {
      const int r = index_ - 1;
      if (auto* row = static_cast<TStringSparseList*>(grid_->data_->Get(r))) {
        std::vector<int> written;
        for (int c = 0; c < row->Count(); ++c)
          if (!row->Get(c).empty() || row->GetObject(c)) written.push_back(c);
        for (int c : written) {
          grid_->SetObjects(c, r, nullptr);
          grid_->SetCells(c, r, String());
        }
      }
    } else {
      const int c = -index_ - 1;
      for (int i = Count() - 1; i >= 0; --i) {
        grid_->SetObjects(c, i, nullptr);
        grid_->SetCells(c, i, String());
      }
    }
  } catch (...) {
    EndViewUpdate();
    throw;
  }
  EndViewUpdate();
}

void TMyStringGridStrings::Assign(const TPersistent* Source) {
  if (auto* src = dynamic_cast<const TStrings*>(Source)) {
    BeginViewUpdate();
    try {
      const int n = std::min(src->Count(), Count());
      for (int i = 0; i < n; ++i) {
        Put(i, src->Get(i));
        PutObject(i, src->GetObject(i));
      }
    } catch (...) {
      EndViewUpdate();
      throw;
    }
    EndViewUpdate();
    return;
  }
  TStrings::Assign(Source);
}

void TMyStringGridStrings::BeginViewUpdate() {
  if (index_ != 0) grid_->setUpdateState(true);
}

void TMyStringGridStrings::EndViewUpdate() {
  if (index_ != 0) grid_->setUpdateState(false);
}

// ------------------------------------------------------------ string grid

TMyStringGrid::TMyStringGrid(TComponent* AOwner) : TMyDrawGrid(AOwner) {
  cols_ = std::make_unique<TSparseList>(ColCount() > 512 ? SPALarge : SPASmall);
  const TSPAQuantum rq = RowCount() > 256 ? SPALarge : SPASmall;
  rows_ = std::make_unique<TSparseList>(rq);
  data_ = std::make_unique<TSparseList>(rq);
}

TMyStringGrid::~TMyStringGrid() {
  for (TSparseList* l : {rows_.get(), cols_.get()})
    l->ForAll([](int, void* p) {
      delete static_cast<TMyStringGridStrings*>(p);
      return 0;
    });
  data_->ForAll([](int, void* p) {
    delete static_cast<TStringSparseList*>(p);
    return 0;
  });
}

String TMyStringGrid::Cells(int ACol, int ARow) const {
  auto* row = static_cast<TStringSparseList*>(data_->Get(ARow));
  return row ? row->Get(ACol) : String();
}

TObject* TMyStringGrid::Objects(int ACol, int ARow) const {
  auto* row = static_cast<TStringSparseList*>(data_->Get(ARow));
  return row ? row->GetObject(ACol) : nullptr;
}

TStringSparseList* TMyStringGrid::ensureRow(int ARow) {
  auto* row = static_cast<TStringSparseList*>(data_->Get(ARow));
  if (!row) {
    row = new TStringSparseList(ColCount() > 512 ? SPALarge : SPASmall);
    data_->Put(ARow, row);
  }
  return row;
}

void TMyStringGrid::SetCells(int ACol, int ARow, const String& Value) {
  if (ACol < 0) ListIndexError(ACol);
  ensureRow(ARow)->Put(ACol, Value);
  update(ACol, ARow);
}

void TMyStringGrid::SetObjects(int ACol, int ARow, TObject* Value) {
  if (ACol < 0) ListIndexError(ACol);
  ensureRow(ARow)->PutObject(ACol, Value);
  update(ACol, ARow);
}

void TMyStringGrid::update(int ACol, int ARow) {
  if (!updating_)
    InvalidateCell(ACol, ARow);
  else
    needsUpdating_ = true;
  if (ACol == Col() && ARow == Row() && editUpdate_ == 0) InvalidateEditor();
}

void TMyStringGrid::setUpdateState(bool updating) {
  updating_ = updating;
  if (!updating && needsUpdating_) {
    needsUpdating_ = false;
    InvalidateGrid();
  }
}

TStrings* TMyStringGrid::Rows(int Index) {
  auto* v = static_cast<TMyStringGridStrings*>(rows_->Get(Index));
  if (!v) {
    v = new TMyStringGridStrings(this, Index + 1);
    rows_->Put(Index, v);
  }
  return v;
}

TStrings* TMyStringGrid::Cols(int Index) {
  auto* v = static_cast<TMyStringGridStrings*>(cols_->Get(Index));
  if (!v) {
    v = new TMyStringGridStrings(this, -Index - 1);
    cols_->Put(Index, v);
  }
  return v;
}

void TMyStringGrid::ColumnMoved(int FromIndex, int ToIndex) {
  data_->ForAll([&](int, void* p) {
    static_cast<TStringSparseList*>(p)->Move(FromIndex, ToIndex);
    return 0;
  });
  InvalidateGrid();
  TMyDrawGrid::ColumnMoved(FromIndex, ToIndex);
}

void TMyStringGrid::RowMoved(int FromIndex, int ToIndex) {
  data_->Move(FromIndex, ToIndex);
  InvalidateGrid();
  TMyDrawGrid::RowMoved(FromIndex, ToIndex);
}

String TMyStringGrid::GetEditText(int ACol, int ARow) {
  String v = Cells(ACol, ARow);
  if (OnGetEditText) OnGetEditText(this, ACol, ARow, v);
  return v;
}

void TMyStringGrid::SetEditText(int ACol, int ARow, const String& Value) {
  ++editUpdate_;
  try {
    if (Value != Cells(ACol, ARow)) SetCells(ACol, ARow, Value);
  } catch (...) {
    --editUpdate_;
    throw;
  }
  --editUpdate_;
  TMyDrawGrid::SetEditText(ACol, ARow, Value);
}

void TMyStringGrid::DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) {
  if (DefaultDrawing()) Canvas()->TextRect(ARect, ARect.Left + 2, ARect.Top + 2, Cells(ACol, ARow));
  TMyDrawGrid::DrawCell(ACol, ARow, ARect, AState);
}
