// The sort grid's comparisons, multi-key stable sort, filter and update
// bracket.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <numeric>

#include "grids/SortGrid.h"
#include "toolkit/Classes.h"

// ------------------------------------------------------------ comparisons

namespace {

inline int sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

// Empty texts first, then those that convert (by value), then the others by
// bytes.
template <class Conv>
int compareConverted(const String& a, const String& b, Conv conv) {
  if (a.empty() || b.empty()) return a.empty() ? (b.empty() ? 0 : -1) : 1;
  double va = 0, vb = 0;
  const bool ca = conv(a, va), cb = conv(b, vb);
  if (ca && cb) {
    if (va < vb) return -1;
    if (va > vb) return 1;
    return 0;
  }
  if (ca != cb) return ca ? -1 : 1;
  return SortCompareStr(a, b);
}

bool convFloat(const String& s, double& v) { return TryStrToFloat(s, v) && !std::isnan(v); }
bool convDateTime(const String& s, double& v) {
  TDateTime d;
  if (!TryStrToDateTime(s, d)) return false;
  v = double(d);
  return !std::isnan(v);
}
bool convTime(const String& s, double& v) {
  TDateTime d;
  if (!TryStrToTime(s, d)) return false;
  v = double(d);
  return !std::isnan(v);
}

inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int SortCompareStr(const String& S1, const String& S2) { return sign(S1.compare(S2)); }

int SortCompareFloat(const String& S1, const String& S2) { return compareConverted(S1, S2, convFloat); }
int SortCompareDateTime(const String& S1, const String& S2) { return compareConverted(S1, S2, convDateTime); }
int SortCompareTime(const String& S1, const String& S2) { return compareConverted(S1, S2, convTime); }

int SortCompareNumericExtended(const String& S1, const String& S2) {
  const size_t n1 = S1.size(), n2 = S2.size();
  size_t i = 0, j = 0;
  while (i < n1 && j < n2) {
    if (isDigit(S1[i]) && isDigit(S2[j])) {
      // Digit runs as numbers of any length: leading zeros skipped, then the
      // longer run is the larger, then digit by digit.
      size_t e1 = i, e2 = j;
      while (e1 < n1 && isDigit(S1[e1])) ++e1;
      while (e2 < n2 && isDigit(S2[e2])) ++e2;
      size_t z1 = i, z2 = j;
      while (z1 + 1 < e1 && S1[z1] == '0') ++z1;
      while (z2 + 1 < e2 && S2[z2] == '0') ++z2;
      const size_t l1 = e1 - z1, l2 = e2 - z2;
      if (l1 != l2) return l1 < l2 ? -1 : 1;
      const int c = S1.compare(z1, l1, S2, z2, l2);
      if (c != 0) return sign(c);
      i = e1;
      j = e2;
      continue;
    }
    const uint8_t a = uint8_t(S1[i]), b = uint8_t(S2[j]);
    if (a != b) return a < b ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < n1 || j < n2) return i < n1 ? 1 : -1;
  // Equal values ("a1", "a01"): by the texts themselves.
  return SortCompareStr(S1, S2);
}

// ------------------------------------------------------------ update bracket

void TSortGrid::BeginUpdate() {
  if (updateDepth_++ > 0) return;
  TMyStringGrid::BeginUpdate();
  savedUpdateOnSizeChange_ = sortOptions_->UpdateOnSizeChange;
  sortOptions_->UpdateOnSizeChange = false;
}

void TSortGrid::EndUpdate() {
  if (updateDepth_ == 0) return;
  if (--updateDepth_ > 0) return;
  try {
    TMyStringGrid::EndUpdate();
  } catch (...) {
    sortOptions_->UpdateOnSizeChange = savedUpdateOnSizeChange_;
    throw;
  }
  sortOptions_->UpdateOnSizeChange = savedUpdateOnSizeChange_;
  if (OnEndUpdate) OnEndUpdate(this);
}

void TSortGrid::closeEditor() {
  // The editor's text goes back to its own cell before rows move.
  if (InplaceEditor() && InplaceEditor()->Visible()) HideEdit();
}

// ------------------------------------------------------------ style detection

TSortStyle TSortGrid::DetectSortStyle(int ACol) {
  bool numeric = true, dateTime = true, time = true;
  double v;
  for (int r = 1; r < RowCount() && (numeric || dateTime || time); ++r) {
    const String s = Cells(ACol, r);
    if (numeric && !convFloat(s, v)) numeric = false;
    if (time && !convTime(s, v)) time = false;
    if (dateTime && !convDateTime(s, v)) dateTime = false;
  }
  if (numeric) return ssNumeric;
  if (dateTime) return ssDateTime;
  if (time) return ssTime;
  return ssNormal;
}

// ------------------------------------------------------------ the sort

namespace {

// A stable merge sort that stays inside its range whatever the comparison
// answers (a program's own comparison need not be an order).
template <class Less>
void guardedStableSort(std::vector<int>& a, Less less) {
  const size_t n = a.size();
  if (n < 2) return;
  constexpr size_t Run = 24;
  for (size_t lo = 0; lo < n; lo += Run) {
    const size_t hi = std::min(n, lo + Run);
    for (size_t i = lo + 1; i < hi; ++i) {
      const int v = a[i];
      size_t j = i;
      while (j > lo && less(v, a[j - 1])) {
        a[j] = a[j - 1];
        --j;
      }
      a[j] = v;
    }
  }
  std::vector<int> buf(n);
  std::vector<int>* src = &a;
  std::vector<int>* dst = &buf;
  for (size_t width = Run; width < n; width *= 2) {
    for (size_t lo = 0; lo < n; lo += 2 * width) {
      const size_t mid = std::min(n, lo + width), hi = std::min(n, lo + 2 * width);
      size_t i = lo, j = mid, k = lo;
      const int* s = src->data();
      int* d = dst->data();
      if (mid >= hi || !less(s[mid], s[mid - 1])) {
        std::copy(s + lo, s + hi, d + lo);
        continue;
      }
      while (i < mid && j < hi) d[k++] = less(s[j], s[i]) ? s[j++] : s[i++];
      while (i < mid) d[k++] = s[i++];
      while (j < hi) d[k++] = s[j++];
    }
    std::swap(src, dst);
  }
  if (src != &a) a.swap(buf);
}

}  // namespace

void TSortGrid::SortByColumn(int ACol) {
  TSortOptions& so = *sortOptions_;
  if (!so.CanSort) return;
  closeEditor();
  const int oldSortCol = so.SortCol;
  so.SortCol = ACol;
  BeginUpdate();
  int keyCol = ACol;
  try {
    int col = ACol;
    if (OnBeginSort) OnBeginSort(this, col);
    // The keys: the primary column, then the secondary ones, each once. All
    // of them are checked before any row moves.
    TStringList keyTexts;
    keyTexts.SetCommaText(so.SecondaryIndex);
    const String primary = IntToStr(col);
    for (int i = keyTexts.Count() - 1; i >= 0; --i)
      if (Trim(keyTexts.Get(i)) == primary) keyTexts.Delete(i);
    keyTexts.Insert(0, primary);
    std::vector<int> keys;
    for (int i = 0; i < keyTexts.Count(); ++i) {
      int k;
      if (!TryStrToInt(Trim(keyTexts.Get(i)), k))
        throw EConvertError("'" + keyTexts.Get(i) + "' is not a valid integer value");
      if (k < 0 || k >= ColCount()) throw EInvalidGridOperation("Grid index out of range");
      keys.push_back(k);
    }
    std::vector<TSortStyle> styles(keys.size());
    for (size_t k = keys.size(); k-- > 0;) {
      if (OnGetSortStyle) {
        TSortStyle st = so.SortStyle;
        OnGetSortStyle(this, keys[k], st);
        so.SortStyle = st;
      } else if (so.SortStyle == ssAutomatic) {
        so.SortStyle = DetectSortStyle(keys[k]);
      }
      styles[k] = so.SortStyle;
      if (styles[k] == ssCustom && !so.SortCompare)
        throw EInvalidGridOperation("A custom sort needs a compare function");
    }
    // The rows 1 .. RowCount - 1 as they stand.
    const int n = RowCount() - 1;
    std::vector<void*> rows(size_t(std::max(0, n)));
    data_->GetRun(1, int(rows.size()), rows.data());
    auto cellOf = [&](size_t i, int col) -> const String& {
      static const String none;
      const String* cell = rows[i] ? static_cast<TStringSparseList*>(rows[i])->Peek(col) : nullptr;
      return cell ? *cell : none;
    };
    auto keyText = [&](const String& t) { return so.SortCaseSensitive ? t : LowerCase(t); };
    auto convert = [](TSortStyle st, const String& t, double& v) {
      return (st == ssNumeric && convFloat(t, v)) || (st == ssDateTime && convDateTime(t, v)) ||
             (st == ssTime && convTime(t, v));
    };
    const bool desc = so.SortDirection == sdDescending;
    const size_t nk = keys.size();
    bool custom = false;
    for (size_t k = 0; k < nk; ++k) custom = custom || styles[k] == ssCustom;
    // The first two keys of each row travel with it through the sort (see
    // Rec below); the keys after them, and all keys of a sort by the
    // program's own comparison, are taken here once in the rows' own order:
    // values of the converting styles as numbers (their texts only when they
    // do not convert), the others as texts. A text of one of the first two
    // keys is kept here only when its record cannot stand for it.
    const size_t inl = custom ? 0 : std::min<size_t>(nk, 2);
    struct NumKey {
      double v;
      uint8_t cls;   // 0 empty, 1 value, 2 text
    };
    struct KeyColumn {
      TSortStyle st;
      bool converts;
      std::vector<NumKey> num;
      std::vector<String> txt;
    };
    std::vector<KeyColumn> kc(nk);
    for (size_t k = 0; k < nk; ++k) {
      KeyColumn& K = kc[k];
      K.st = styles[k];
      K.converts = K.st == ssNumeric || K.st == ssDateTime || K.st == ssTime;
      if (k < inl) continue;
      // The texts of a converting key are kept only when one does not convert.
      if (K.converts) K.num.resize(rows.size());
      else K.txt.resize(rows.size());
      for (size_t i = 0; i < rows.size(); ++i) {
        const String& t = cellOf(i, keys[k]);
        if (K.converts) {
          NumKey& nm = K.num[i];
          nm.v = 0;
          nm.cls = t.empty() ? 0 : 2;
          double v;
          if (nm.cls == 2 && convert(K.st, t, v)) {
            nm.cls = 1;
            nm.v = v;
            continue;
          }
          if (nm.cls == 0) continue;
          if (K.txt.empty()) K.txt.resize(rows.size());
        }
        if (!t.empty()) K.txt[i] = keyText(t);
      }
    }
    auto compareKey = [&](size_t k, int a, int b) -> int {
      const KeyColumn& K = kc[k];
      if (K.converts) {
        const NumKey& x = K.num[size_t(a)];
        const NumKey& y = K.num[size_t(b)];
        if (x.cls != y.cls) return x.cls < y.cls ? -1 : 1;
        if (x.cls == 1) return x.v < y.v ? -1 : x.v > y.v ? 1 : 0;
        if (x.cls == 2) return SortCompareStr(K.txt[size_t(a)], K.txt[size_t(b)]);
        return 0;
      }
      if (K.st == ssCustom) return so.SortCompare(K.txt[size_t(a)], K.txt[size_t(b)]);
      if (K.st == ssNumericExtended) return SortCompareNumericExtended(K.txt[size_t(a)], K.txt[size_t(b)]);
      return SortCompareStr(K.txt[size_t(a)], K.txt[size_t(b)]);
    };
    // Which rows are selected now (only a row's own decimal text names it,
    // as IsRowSelected reads the list).
    std::vector<char> wasSelected(rows.size(), 0);
    bool anySelected = false;
    for (int i = 0; i < selectedRows_->Count(); ++i) {
      const String s = selectedRows_->Get(i);
      int r;
      if (TryStrToInt(s, r) && r >= 1 && r <= n && IntToStr(r) == s) {
        wasSelected[size_t(r - 1)] = 1;
        anySelected = true;
      }
    }
    // The rows in their new order, and the new numbers of the selected ones.
    std::vector<void*> moved(rows.size());
    std::vector<int> newSelected;
    auto place = [&](size_t i, size_t old) {
      moved[i] = rows[old];
      if (anySelected && wasSelected[old]) newSelected.push_back(int(i) + 1);
    };
    if (custom) {
      std::vector<int> order(rows.size());
      // One stable sort by the keys in their order of priority: the same
      // order as one stable pass per key from the least significant up, each
      // pass keeping the order of the one before for equal keys. The
      // program's comparison need not be an order: a sort that stays inside
      // its range whatever it answers.
      std::iota(order.begin(), order.end(), 0);
      guardedStableSort(order, [&](int a, int b) {
        for (size_t k = 0; k < nk; ++k) {
          const int r = compareKey(k, a, b);
          if (r != 0) return (desc ? -sign(r) : sign(r)) < 0;
        }
        return false;
      });
      for (size_t i = 0; i < order.size(); ++i) place(i, size_t(order[i]));
    } else {
      // A row's record: for each of the first two keys its class (0 empty,
      // 1 value, 2 text), then two words that order as the key does: a value
      // as its bits made to order as unsigned numbers, a text by its first
      // sixteen bytes, big-end first. A text is whole in them (Whole) when it
      // is no longer than that and holds no zero byte; then equal words mean
      // equal texts, and a whole text sorts before one that is not but has
      // the same words (that one is longer with the same start). Only texts
      // that are not whole, and all numeric-extended ones, are compared by
      // their kept texts.
      struct Rec {
        uint64_t w[2][2];
        int32_t row;
        uint8_t cls[2];
        uint8_t whole[2];
      };
      static_assert(sizeof(Rec) == 40);
      std::vector<Rec> recs(rows.size());
      for (size_t i = 0; i < rows.size(); ++i) {
        Rec& rec = recs[i];
        rec.row = int32_t(i);
        for (size_t k = 0; k < 2; ++k) {
          rec.w[k][0] = rec.w[k][1] = 0;
          rec.cls[k] = 0;
          rec.whole[k] = 1;
          if (k >= inl) continue;
          KeyColumn& K = kc[k];
          const String& t = cellOf(i, keys[k]);
          if (t.empty()) continue;
          double v;
          if (K.converts && convert(K.st, t, v)) {
            rec.cls[k] = 1;
            if (v == 0) v = 0;   // -0 and 0 are equal
            uint64_t bits;
            std::memcpy(&bits, &v, sizeof bits);
            rec.w[k][0] = bits >> 63 ? ~bits : bits | (uint64_t(1) << 63);
            continue;
          }
          rec.cls[k] = 2;
          rec.whole[k] = 0;
          if (K.st == ssNumericExtended) {
            if (K.txt.empty()) K.txt.resize(rows.size());
            K.txt[i] = keyText(t);
            continue;
          }
          String lowered;
          const String& kt = so.SortCaseSensitive ? t : (lowered = LowerCase(t));
          unsigned char b[16] = {};
          const size_t len = kt.size();
          std::memcpy(b, kt.data(), std::min<size_t>(len, 16));
          for (size_t h = 0; h < 2; ++h) {
            uint64_t word;
            std::memcpy(&word, b + 8 * h, 8);
            if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
            rec.w[k][h] = word;
          }
          if (len <= 16 && !std::memchr(kt.data(), 0, len)) {
            rec.whole[k] = 1;
            continue;
          }
          if (K.txt.empty()) K.txt.resize(rows.size());
          K.txt[i] = so.SortCaseSensitive ? t : std::move(lowered);
        }
      }
      auto compareRec = [&](size_t k, const Rec& x, const Rec& y) -> int {
        if (x.cls[k] != y.cls[k]) return x.cls[k] < y.cls[k] ? -1 : 1;
        for (size_t h = 0; h < 2; ++h)
          if (x.w[k][h] != y.w[k][h]) return x.w[k][h] < y.w[k][h] ? -1 : 1;
        if (x.whole[k] && y.whole[k]) return 0;
        if (x.whole[k] != y.whole[k]) return x.whole[k] ? -1 : 1;
        const KeyColumn& K = kc[k];
        if (K.st == ssNumericExtended) return SortCompareNumericExtended(K.txt[size_t(x.row)], K.txt[size_t(y.row)]);
        return SortCompareStr(K.txt[size_t(x.row)], K.txt[size_t(y.row)]);
      };
      auto sortBy = [&](auto descending) {
        constexpr bool Desc = decltype(descending)::value;
        std::stable_sort(recs.begin(), recs.end(), [&](const Rec& a, const Rec& b) {
          for (size_t k = 0; k < 2; ++k) {
            const int r = compareRec(k, a, b);
            if (r != 0) return Desc ? r > 0 : r < 0;
          }
          for (size_t k = inl; k < nk; ++k) {
            const int r = sign(compareKey(k, a.row, b.row));
            if (r != 0) return Desc ? r > 0 : r < 0;
          }
          return false;
        });
      };
      if (desc) sortBy(std::true_type{});
      else sortBy(std::false_type{});
      for (size_t i = 0; i < recs.size(); ++i) place(i, size_t(recs[i].row));
    }
    keyCol = keys[0];
    // The rows at their new places; selected rows stay selected.
    data_->PutRun(1, int(moved.size()), moved.data());
    if (!newSelected.empty()) {
      current_.Y = anchor_.Y = newSelected[0];
      selectedRows_->Clear();
      anchorRows_->Clear();
      for (int r : newSelected) {
        selectedRows_->Add(IntToStr(r));
        anchorRows_->Add(IntToStr(r));
      }
    }
  } catch (...) {
    // Nothing has moved: the grid is left as it was.
    so.SortCompare = nullptr;
    so.SortCol = oldSortCol;
    EndUpdate();
    throw;
  }
  so.SortCompare = nullptr;
  if (OnEndSort) OnEndSort(this, keyCol);
  InvalidateGrid();
  EndUpdate();
}

// ------------------------------------------------------------ filter

void TSortGrid::SetFiltered(bool v) {
  filtered_ = v;
  if (v && IsRowEmpty(1)) return;
  if (!v && parked_.empty()) return;
  closeEditor();
  const bool keepModified = modified_;
  BeginUpdate();
  try {
    if (v) {
      std::vector<int> accepted, rejected;
      TStringList cells;
      bool asking = static_cast<bool>(OnSetFilter);
      for (int r = 1; r < RowCount(); ++r) {
        bool accept = false;
        if (asking) {
          cells.Clear();
          for (int c = 0; c < ColCount(); ++c) cells.Add(Cells(c, r));
          OnSetFilter(&cells, accept);
        }
        (accept ? accepted : rejected).push_back(r);
      }
      std::vector<TStringSparseList*> acc;
      for (int r : accepted) acc.push_back(static_cast<TStringSparseList*>(data_->Get(r)));
      for (int r : rejected) {
        auto* row = static_cast<TStringSparseList*>(data_->Get(r));
        // A parked row is kept whole, even when it holds nothing.
        parked_.push_back(row ? row : new TStringSparseList(ColCount() > 512 ? SPALarge : SPASmall));
      }
      const int old = RowCount();
      for (int r = 1; r < old; ++r) data_->Put(r, nullptr);
      for (size_t i = 0; i < acc.size(); ++i) data_->Put(int(i) + 1, acc[i]);
      if (!acc.empty()) {
        SetRowCount(int(acc.size()) + 1);
        SortByColumn(sortOptions_->SortCol);
      } else {
        // A really empty row stands in for them.
        SetRowCount(2);
      }
      MoveToCell(0, 1, true);
    } else {
      const int base = RowCount();
      for (size_t i = 0; i < parked_.size(); ++i) {
        const int at = base + int(i);
        delete static_cast<TStringSparseList*>(data_->Get(at));
        data_->Put(at, parked_[i]);
        parked_[i] = nullptr;
      }
      const int hidden = int(parked_.size());
      parked_.clear();
      SetRowCount(base + hidden);
      if (IsRowEmpty(1)) DeleteRow(1);
      if (hidden != 0) SortByColumn(sortOptions_->SortCol);
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  SetModified(keepModified);
}
