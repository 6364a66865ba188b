// Reveal masks and the strip patterns stamped into them.
#include "pictureshow/EffectsShapeMask.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include "pictureshow/EffectPatterns.h"

// The planes of a mask.
struct TRevealMask::TStore {
  std::vector<uint8_t> Mask;
  std::vector<int8_t> Edges;
  // The rows of Mask written by the last frame (row r: bytes Lo[r]..Hi[r]-1
  // of a row of DirtyStride bytes); every other byte of Mask is zero, so a
  // new frame clears only these.
  std::vector<int> Lo, Hi;
  int DirtyStride = 0;
  bool Busy = false;
};

namespace {

// Pixel columns whose centres lie in [a, b): x + 0.5 >= a and x + 0.5 < b.
// Far-away edges are clamped so that the conversion to int cannot overflow.
inline int FirstCentreAtOrAfter(double a) {
  a = std::clamp(a, -1e9, 1e9);
  return int(std::ceil(a - 0.5));
}

// A crossing of a polygon edge with the centre line of a row.
struct TCrossing {
  double X;
  int Dir;
};

struct TEdge {
  double X0, Y0, Slope;   // x = X0 + (y - Y0) * Slope
  int YLo, YHi, Dir;      // rows YLo..YHi-1 have their centre line on the edge
};

}  // namespace

// ---------------------------------------------------------------------------
// Storage

TRevealMask::TRevealMask(int W, int H) {
  // The storage of the thread, reused by every frame composed on it.
  thread_local TStore threadStore;
  const int w = std::max(W, 0), h = std::max(H, 0);
  const int stride = (w + 63) & ~63;   // whole blocks, so rows can be read 64 bytes at a time
  const size_t bytes = size_t(stride) * size_t(h);
  try {
    if (!threadStore.Busy) {
      store_ = &threadStore;
    } else {
      store_ = new TStore();
      ownStore_ = true;
    }
    store_->Busy = true;
    TStore& st = *store_;
    // Clear what the last frame wrote, then record nothing written.
    for (size_t y = 0; y < st.Lo.size(); ++y)
      if (st.Hi[y] > st.Lo[y])
        std::memset(st.Mask.data() + y * size_t(st.DirtyStride) + size_t(st.Lo[y]), 0, size_t(st.Hi[y] - st.Lo[y]));
    st.Lo.clear();
    st.Hi.clear();
    if (st.Mask.size() < bytes) st.Mask.resize(bytes);
    if (st.Edges.size() < bytes) st.Edges.resize(bytes);
    st.Lo.assign(size_t(h), w);
    st.Hi.assign(size_t(h), 0);
    st.DirtyStride = stride;
    data_ = st.Mask.data();
    edges_ = st.Edges.data();
    lo_ = st.Lo.data();
    hi_ = st.Hi.data();
    w_ = w;
    h_ = h;
    stride_ = stride;
    // The column plane is kept cleared between frames; see MergeColumns.
  } catch (const std::bad_alloc&) {
    // A frame too large to mask shows nothing new; the run still ends on the
    // new picture, which the picture show draws itself.
    w_ = h_ = stride_ = 0;
    data_ = nullptr;
    edges_ = nullptr;
    lo_ = hi_ = nullptr;
    if (store_) {   // nothing written: the record must not point past the storage
      store_->Lo.clear();
      store_->Hi.clear();
    }
  }
}

TRevealMask::~TRevealMask() {
  if (edgeBottom_ > edgeTop_) {   // leave the column plane cleared for the next frame
    for (int y = edgeTop_; y < edgeBottom_; ++y) std::memset(edges(y), 0, size_t(w_));
  }
  if (store_) store_->Busy = false;
  if (ownStore_) delete store_;
}

uint8_t TRevealMask::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= w_ || y >= h_) return 0;
  return row(y)[x];
}

// ---------------------------------------------------------------------------
// Stamping

void TRevealMask::fill(uint8_t* p, int n, TOp op, uint8_t value) {
  switch (op) {
    case opSet: std::memset(p, value, size_t(n)); break;
    case opOr: {
      int i = 0;
#if defined(__SSE2__)
      const __m128i v = _mm_set1_epi8(char(value));
      for (; i + 16 <= n; i += 16) {
        __m128i* q = reinterpret_cast<__m128i*>(p + i);
        _mm_storeu_si128(q, _mm_or_si128(_mm_loadu_si128(q), v));
      }
#endif
      for (; i < n; ++i) p[i] |= value;
      break;
    }
  }
}

void TRevealMask::Span(int y, int x0, int x1, TOp op, uint8_t value) {
  if (y < 0 || y >= h_) return;
  x0 = std::max(x0, 0);
  x1 = std::min(x1, w_);
  if (x1 > x0) {
    fill(row(y) + x0, x1 - x0, op, value);
    touch(y, x0, x1);
  }
}

void TRevealMask::Rect(int l, int t, int r, int b, TOp op, uint8_t value) {
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
  l = std::max(l, 0);
  r = std::min(r, w_);
  t = std::max(t, 0);
  b = std::min(b, h_);
  if (l >= r) return;
  for (int y = t; y < b; ++y) {
    fill(row(y) + l, r - l, op, value);
    touch(y, l, r);
  }
}

void TRevealMask::PeriodicSpan(int y, int64_t x0, int len, int Pitch, int64_t Count, TOp op, uint8_t value) {
  if (y < 0 || y >= h_ || len <= 0 || Count <= 0) return;
  if (Pitch <= 0) Count = 1;   // every copy lies on the first
  const int64_t pitch = std::max(Pitch, 1);
  auto stamp = [&](int64_t a, int64_t b) {
    a = std::max<int64_t>(a, 0);
    b = std::min<int64_t>(b, w_);
    if (b > a) {
      fill(row(y) + a, int(b - a), op, value);
      touch(y, int(a), int(b));
    }
  };
  if (len >= pitch) {
    // The copies touch or overlap: one span from the first to the last.
    stamp(x0, x0 + (Count - 1) * pitch + len);
    return;
  }
  // Skip the copies that end left of the mask, stop at its right edge.
  int64_t k = 0;
  if (x0 + len <= 0) k = (-(x0 + len)) / pitch + 1;
  for (; k < Count; ++k) {
    const int64_t a = x0 + k * pitch;
    if (a >= w_) break;
    stamp(a, a + len);
  }
}

void TRevealMask::polygonRows(const TPoint* Points, int Count, int ClipH, void* ctx,
                              void (*emit)(void*, int, int, int)) {
  if (!Points || Count < 3 || ClipH <= 0) return;
  thread_local std::vector<TEdge> edges;
  thread_local std::vector<TCrossing> xs;
  edges.clear();
  int yMin = Points[0].Y, yMax = Points[0].Y;
  for (int i = 0; i < Count; ++i) {
    const TPoint& a = Points[i];
    const TPoint& b = Points[(i + 1) % Count];
    yMin = std::min(yMin, a.Y);
    yMax = std::max(yMax, a.Y);
    if (a.Y == b.Y) continue;   // a horizontal edge crosses no centre line
    TEdge e;
    e.X0 = a.X;
    e.Y0 = a.Y;
    e.Slope = double(int64_t(b.X) - a.X) / double(int64_t(b.Y) - a.Y);
    e.YLo = std::min(a.Y, b.Y);
    e.YHi = std::max(a.Y, b.Y);
    e.Dir = b.Y > a.Y ? 1 : -1;
    edges.push_back(e);
  }
  // Row y samples the line y + 0.5; with integer vertices it never passes a
  // vertex, so each edge covers the rows YLo..YHi-1 exactly.
  const int y0 = std::max(yMin, 0), y1 = std::min(yMax, ClipH);
  for (int y = y0; y < y1; ++y) {
    const double yc = y + 0.5;
    xs.clear();
    for (const TEdge& e : edges)
      if (y >= e.YLo && y < e.YHi) xs.push_back({e.X0 + (yc - e.Y0) * e.Slope, e.Dir});
    if (xs.size() < 2) continue;
    std::sort(xs.begin(), xs.end(), [](const TCrossing& p, const TCrossing& q) { return p.X < q.X; });
    int wind = 0;
    double start = 0;
    for (const TCrossing& c : xs) {
      const int before = wind;
      wind += c.Dir;
      if (before == 0 && wind != 0) {
        start = c.X;
      } else if (before != 0 && wind == 0) {
        const int a = FirstCentreAtOrAfter(start), b = FirstCentreAtOrAfter(c.X);
        if (b > a) emit(ctx, y, a, b);
      }
    }
  }
}

void TRevealMask::Polygon(const TPoint* Points, int Count, TOp op, uint8_t value) {
  PolygonSpans(Points, Count, h_, [&](int y, int a, int b) { Span(y, a, b, op, value); });
}

void TRevealMask::RoundRect(int l, int t, int r, int b, int ew, int eh, TOp op, uint8_t value) {
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
  const double w = double(r) - l, h = double(b) - t;
  if (w <= 0 || h <= 0) return;
  // Corner ellipse radii; an ellipse larger than the rectangle is cut to it.
  const double rx = std::min(std::abs(double(ew)), w) / 2;
  const double ry = std::min(std::abs(double(eh)), h) / 2;
  const int y0 = std::max(t, 0), y1 = std::min(b, h_);
  for (int y = y0; y < y1; ++y) {
    const double yc = y + 0.5;
    double a = l, z = r;
    if (rx > 0 && ry > 0) {
      double dy = 0;
      if (yc < t + ry) dy = t + ry - yc;
      else if (yc > b - ry) dy = yc - (b - ry);
      if (dy > 0) {
        const double q = 1 - (dy / ry) * (dy / ry);
        const double half = q > 0 ? rx * std::sqrt(q) : 0;
        a = l + rx - half;
        z = r - rx + half;
      }
    }
    Span(y, FirstCentreAtOrAfter(a), FirstCentreAtOrAfter(z), op, value);
  }
}

// ---------------------------------------------------------------------------
// Column plane

void TRevealMask::ColumnRect(int l, int t, int r, int b) {
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
  l = std::max(l, 0);
  r = std::min(r, w_);
  t = std::max(t, 0);
  b = std::min(b, h_);
  if (l >= r || t >= b) return;
  if (edgeBottom_ <= edgeTop_) {
    edgeTop_ = t;
    edgeBottom_ = t + 1;
  }
  int8_t* top = edges(t);
  for (int x = l; x < r; ++x) ++top[x];
  edgeTop_ = std::min(edgeTop_, t);
  edgeBottom_ = std::max(edgeBottom_, t + 1);
  if (b < h_) {
    int8_t* below = edges(b);
    for (int x = l; x < r; ++x) --below[x];
    edgeBottom_ = std::max(edgeBottom_, b + 1);
  }
}

void TRevealMask::MergeColumns(uint8_t value) {
  if (edgeBottom_ <= edgeTop_) return;
  // Running count of the column rectangles over each pixel, row by row.
  thread_local std::vector<int8_t> count;
  count.assign(size_t(stride_), 0);
  int8_t* c = count.data();
#if defined(__SSE2__)
  // The columns covered by some rectangle: only rows with edges change them.
  int coverLo = 0, coverHi = 0;
#endif
  for (int y = edgeTop_; y < h_; ++y) {
    int8_t* e = edges(y);
    uint8_t* m = row(y);
    const bool hasEdges = y < edgeBottom_;
#if defined(__SSE2__)
    if (!hasEdges && coverHi <= coverLo) break;   // no rectangle reaches further down
    const __m128i zero = _mm_setzero_si128(), v = _mm_set1_epi8(char(value));
    if (hasEdges) {
      coverLo = w_;
      coverHi = 0;
    }
    const int from = hasEdges ? 0 : coverLo, to = hasEdges ? w_ : coverHi;
    for (int x = from; x < to; x += 16) {
      __m128i cnt = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c + x));
      if (hasEdges) {
        __m128i* ep = reinterpret_cast<__m128i*>(e + x);
        cnt = _mm_add_epi8(cnt, _mm_loadu_si128(ep));
        _mm_storeu_si128(ep, zero);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(c + x), cnt);
      }
      const __m128i over = _mm_cmpgt_epi8(cnt, zero);
      if (_mm_movemask_epi8(over) == 0) continue;
      if (hasEdges) {
        coverLo = std::min(coverLo, x);
        coverHi = std::max(coverHi, x + 16);
      }
      const __m128i covered = _mm_and_si128(over, v);
      __m128i* mp = reinterpret_cast<__m128i*>(m + x);
      _mm_storeu_si128(mp, _mm_or_si128(_mm_loadu_si128(mp), covered));
    }
    if (coverHi > coverLo) touch(y, coverLo, std::min(coverHi, w_));
#else
    touch(y, 0, w_);
    for (int x = 0; x < w_; ++x) {
      if (hasEdges) {
        c[x] = int8_t(c[x] + e[x]);
        e[x] = 0;
      }
      if (c[x] > 0) m[x] |= value;
    }
#endif
  }
  edgeTop_ = edgeBottom_ = 0;
}

// ---------------------------------------------------------------------------
// Copying the marked pixels

void TRevealMask::Apply(TBitmap* Screen, const TBitmap* Picture, uint8_t Want) {
  if (!Screen || !Picture || Want == 0 || !data_) return;
  MergeColumns(1);
  const int w = std::min({w_, Screen->Width(), Picture->Width()});
  const int h = std::min({h_, Screen->Height(), Picture->Height()});
  if (w <= 0 || h <= 0) return;
  // Bit i of the result: byte i of the 64 at m equals Want.
#if defined(__SSE2__)
  const __m128i want = _mm_set1_epi8(char(Want));
  auto block = [&want](const uint8_t* m) {
    uint64_t bits = 0;
    for (int k = 0; k < 4; ++k) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(m + 16 * k));
      bits |= uint64_t(uint16_t(_mm_movemask_epi8(_mm_cmpeq_epi8(v, want)))) << (16 * k);
    }
    return bits;
  };
#else
  auto block = [Want](const uint8_t* m) {
    uint64_t bits = 0;
    for (int k = 0; k < 64; ++k) bits |= uint64_t(m[k] == Want) << k;
    return bits;
  };
#endif
  for (int y = 0; y < h; ++y) {
    // Only the written part of the row can hold Want (never 0).
    const int lo = lo_[y], hi = std::min(hi_[y], w);
    if (hi <= lo) continue;
    const int first = lo & ~63, end = std::min((hi + 63) & ~63, w);
    const uint8_t* m = row(y);
    uint8_t* dst = nullptr;
    const uint8_t* src = nullptr;
    auto copy = [&](int a, int b) {
      if (!dst) {
        dst = Screen->ScanLine(y);
        src = Picture->ScanLine(y);
      }
      if (b - a <= 8) {   // the short runs of fine patterns: no call
        uint32_t* d = reinterpret_cast<uint32_t*>(dst) + a;
        const uint32_t* s = reinterpret_cast<const uint32_t*>(src) + a;
        for (int k = 0; k < b - a; ++k) d[k] = s[k];
      } else {
        // The library's block copy (a string move) runs at a fraction of its
        // speed on these row pieces, whose source and destination lie whole
        // pages apart; plain vector moves do not. The pixels up to the next
        // 64-byte boundary of the screen go one by one, so that every vector
        // move fills whole cache lines.
        uint8_t* d = dst + 4 * size_t(a);
        const uint8_t* s = src + 4 * size_t(a);
        int n = b - a;
        const int head = std::min(n, int(((64 - (reinterpret_cast<uintptr_t>(d) & 63)) & 63) / 4));
        for (int k = 0; k < head; ++k)
          reinterpret_cast<uint32_t*>(d)[k] = reinterpret_cast<const uint32_t*>(s)[k];
        d += 4 * size_t(head);
        s += 4 * size_t(head);
        n -= head;
#if defined(__SSE2__)
        for (; n >= 16; n -= 16, d += 64, s += 64) {
          const __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
          const __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16));
          const __m128i a2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 32));
          const __m128i a3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 48));
          _mm_storeu_si128(reinterpret_cast<__m128i*>(d), a0);
          _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 16), a1);
          _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 32), a2);
          _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 48), a3);
        }
#endif
        if (n > 0) std::memcpy(d, s, 4 * size_t(n));
      }
    };
    int runStart = -1;
    for (int base = first; base < end; base += 64) {
      const uint64_t valid = base + 64 <= w ? ~0ull : (1ull << (w - base)) - 1;
      const uint64_t in = block(m + base) & valid;
      // Whole blocks inside a run or between runs cost one test.
      if (runStart >= 0 ? in == ~0ull : in == 0) continue;
      for (int i = 0; i < 64;) {
        const uint64_t next = (runStart >= 0 ? ~in : in) >> i;
        if (!next) break;
        i += __builtin_ctzll(next);
        if (runStart >= 0) {
          copy(runStart, base + i);
          runStart = -1;
        } else {
          runStart = base + i;
        }
      }
    }
    if (runStart >= 0) copy(runStart, end);
  }
}

// ---------------------------------------------------------------------------
// Strip patterns

namespace {

// The sink of a strip pattern: row rectangles into the mask, column
// rectangles onto the column plane.
auto Stamp(TRevealMask& M, TRevealMask::TOp Op, uint8_t Value) {
  return [&M, Op, Value](int l, int t, int r, int b, bool column) {
    if (column) M.ColumnRect(l, t, r, b);
    else M.Rect(l, t, r, b, Op, Value);
  };
}

}  // namespace

void BarsMask(TRevealMask& M, int PX, int PY, int W, int H, int S, int RowMode, int ColMode, uint8_t Value) {
  BarsPattern(PX, PY, W, H, S, RowMode, ColMode, Stamp(M, TRevealMask::opOr, Value));
  M.MergeColumns(Value);
}

void ShredMask(TRevealMask& M, int PX, int PY, int W, int H, int RowMode, int ColMode, TEffectRandom& Rng) {
  ShredPattern(PX, PY, W, H, RowMode, ColMode, Rng, Stamp(M, TRevealMask::opSet, 1));
  M.MergeColumns(1);
}

void SpeckleMask(TRevealMask& M, int PX, int PY, int W, int H, int RowMode, int ColMode, TEffectRandom& Rng) {
  SpecklePattern(PX, PY, W, H, RowMode, ColMode, Rng, Stamp(M, TRevealMask::opSet, 1));
  M.MergeColumns(1);
}
