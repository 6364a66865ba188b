// The effect table and the routines shared by the effect procedures.
#include "pictureshow/ShowEffects.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <utility>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include "pictureshow/EffectFamilies.h"
#include "pictureshow/EffectPatterns.h"

namespace {

const char* const kEffectNames[EffectCount] = {
    "Expand from right",
    "Expand from left",
    "Slide in from right",
    "Slide in from left",
    "Reveal from left",
    "Reveal from right",
    "Expand in from right",
    "Expand in from left",
    "Expand in to middle",
    "Expand out from middle",
    "Reveal out from middle",
    "Reveal in from sides",
    "Expand in from sides",
    "Unroll from left",
    "Unroll from right",
    "Build up from right",
    "Build up from left",
    "Expand from bottom",
    "Expand from top",
    "Slide in from bottom",
    "Slide in from top",
    "Reveal from top",
    "Reveal from bottom",
    "Expand in from bottom",
    "Expand in from top",
    "Expand in to middle (horiz)",
    "Expand out from middle (horiz)",
    "Reveal from middle (horiz)",
    "Slide in from top / bottom",
    "Expand in from top / bottom",
    "Unroll from top",
    "Unroll from bottom",
    "Expand from bottom",
    "Expand in from top",
    "Expand from bottom right",
    "Expand from top right",
    "Expand from top left",
    "Expand from bottom left",
    "Slide in from bottom right",
    "Slide in from top right",
    "Slide in from top left",
    "Slide in from bottom left",
    "Reveal from top left",
    "Reveal from bottom left",
    "Reveal from bottom right",
    "Reveal from top right",
    "Appear and Contract to top left",
    "Appear and Contract to bottom left",
    "Appear and Contract to bottom right",
    "Appear and Contract to top right",
    "Appear and Contract to middle",
    "Expand out from centre",
    "Reveal out from centre",
    "Reveal in to centre",
    "Quarters Reveal in to middle",
    "Quarters Expand to middle",
    "Quarters Slide in to middle",
    "Curved Reveal from left",
    "Curved Reveal from right",
    "Bars in from right",
    "Bars in from left",
    "Bars left then right",
    "Bars right then left",
    "Bars from both sides",
    "Uneven shred from right",
    "Uneven shred from left",
    "Uneven shred out from middle (horiz)",
    "Uneven shred in to middle (horiz)",
    "Curved Reveal from top",
    "Curved Reveal from bottom",
    "Bars from bottom",
    "Bars from top",
    "Bars top then bottom",
    "Bars bottom then top",
    "Bars from top and bottom",
    "Unven shred from bottom",
    "Uneven shred from top",
    "Uneven shred from horizon",
    "Uneven shred in to horizon",
    "Curved reveal from top left",
    "Curved reveal from top right",
    "Curved reveal from bottom left",
    "Curved reveal from bottom right",
    "Circular reveal from centre",
    "Circular reveal to centre",
    "Criss Cross reveal from bottom right",
    "Criss Cross reveal from top right",
    "Criss Cross reveal from bottom left",
    "Criss Cross reveal from top left",
    "Criss Cross reveal bounce from top left",
    "Criss Cross reveal bounce from bottom left",
    "Criss Cross reveal bounce from top right",
    "Criss Cross reveal bounce from bottom right",
    "Criss Cross reveal from right top and bottom",
    "Criss Cross reveal from left top and bottom",
    "Criss Cross reveal from left right and bottom",
    "Criss Cross reveal from left right and top",
    "Criss Cross reveal from top left right and bottom",
    "Criss Cross reveal from bottom left top right",
    "Uneven shred from bottom and right",
    "Uneven shred from top and right",
    "Uneven shred from bottom and left",
    "Uneven shred from top and left",
    "Uneven shred from horiz and right",
    "Uneven shred from horiz and left",
    "Uneven shred from bottom and vert middle",
    "Uneven shred from top and vert middle",
    "Uneven shred from centre",
    "Uneven shred to centre",
    "Reveal diagonal from top left",
    "Reveal diagonal from top right",
    "Reveal diagonal from bottom left",
    "Reveal diagonal from bottom right",
    "Diagonal sweep from top left bottom right anticlockwise",
    "Diagonal sweep from top left bottom right clockwise",
    "Starburst clockwise from center",
    "Triangular shred to top left",
    "Fade",
    "Pivot from top left",
    "Pivot from bottom left",
    "Pivot from top right",
    "Pivot from bottom right",
    "Speckle appear from right",
    "Speckle appear from left",
    "Speckle appear from bottom",
    "Speckle appear from top",
    "Random squares appear",
    "Push right",
    "Push left",
    "Push and squeeze right",
    "Push and squeeze left",
    "Push down",
    "Push up",
    "Push and sqeeze down",
    "Push and sqeeze up",
    "Blind vertically",
    "Blind horizontally",
    "Uneven blind from left",
    "Uneven blind from right",
    "Uneven blind from top",
    "Uneven blind from bottom",
    "Rectangular shred",
    "Sweep clockwise",
    "Sweep anticlockwise",
    "Rectangles apear from left and disapear to right",
    "Rectangles apear from right and disapear to left",
    "Rectangles apear from up and disapear to bottom",
    "Rectangles apear from bottom and disapear to up",
    "Rotational rectangle",
    "Rotational star",
};

std::array<TEffect, EffectCount> BuildTable() {
  std::array<TEffect, EffectCount> t;
  for (int k = 1; k <= EffectCount; ++k) {
    TEffectProc p = FadeEffectProc(k);
    if (!p) p = CopyEffectProc(k);
    if (!p) p = StripEffectProc(k);
    if (!p) p = ShapeEffectProc(k);
    t[size_t(k - 1)] = TEffect{kEffectNames[k - 1], p};
  }
  return t;
}

const std::array<TEffect, EffectCount>& Table() {
  static const std::array<TEffect, EffectCount> table = BuildTable();
  return table;
}

}  // namespace

// ---------------------------------------------------------------------------
// Table

const TEffect& EffectTable(int k) {
  if (k < 1 || k > EffectCount) throw EListError(FormatA("Effect number %d out of range", k));
  return Table()[size_t(k - 1)];
}

String EffectName(int k) {
  if (k < 1 || k > EffectCount) return String();
  return Table()[size_t(k - 1)].Name;
}

int FindEffect(const String& Name) {
  for (int k = 1; k <= EffectCount; ++k)
    if (SameText(Table()[size_t(k - 1)].Name, Name)) return k;
  return 0;
}

TEffectProc EffectProc(int k) {
  if (k < 1 || k > EffectCount) return nullptr;
  return Table()[size_t(k - 1)].Proc;
}

// ---------------------------------------------------------------------------
// Drawing

void MirrorCopyRect(TCanvas* Dst, TRect D, TBitmap* Src, TRect Q, bool MirrorAcross, bool MirrorDown) {
  TRect bounds(0, 0, Src->Width(), Src->Height());
  TRect q;
  if (!IntersectRect(q, Q, bounds)) return;
  if (MirrorAcross) D = TRect(D.Right + 1, D.Top, D.Left - 1, D.Bottom);
  if (MirrorDown) D = TRect(D.Left, D.Bottom + 1, D.Right, D.Top - 1);
  Dst->CopyRect(D, Src->Canvas(), q);
}

namespace {

// One row of the cross-fade: blue, green and red become
// (s * a + n * b) div 100 with a = 100 - p, b = p; the fourth byte stays.
// Every sum fits 16 bits (at most 255 * 100), and (x * 5243) >> 19 equals
// x div 100 for all of them, so eight channels go at once with SSE2.
void FadeRow(uint8_t* s, const uint8_t* n, int w, int a, int b) {
  int x = 0;
#if defined(__SSE2__)
  const __m128i ca = _mm_set_epi16(100, short(a), short(a), short(a), 100, short(a), short(a), short(a));
  const __m128i cb = _mm_set_epi16(0, short(b), short(b), short(b), 0, short(b), short(b), short(b));
  const __m128i k = _mm_set1_epi16(5243), zero = _mm_setzero_si128();
  for (; x + 4 <= w; x += 4) {
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4 * x));
    const __m128i nv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(n + 4 * x));
    __m128i lo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(sv, zero), ca),
                               _mm_mullo_epi16(_mm_unpacklo_epi8(nv, zero), cb));
    __m128i hi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(sv, zero), ca),
                               _mm_mullo_epi16(_mm_unpackhi_epi8(nv, zero), cb));
    lo = _mm_srli_epi16(_mm_mulhi_epu16(lo, k), 3);
    hi = _mm_srli_epi16(_mm_mulhi_epu16(hi, k), 3);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(s + 4 * x), _mm_packus_epi16(lo, hi));
  }
#endif
  for (; x < w; ++x)
    for (int c = 0; c < 3; ++c) s[4 * x + c] = uint8_t((s[4 * x + c] * a + n[4 * x + c] * b) / 100);
}

}  // namespace

void CrossFade(TBitmap* Screen, TBitmap* Picture, int Progress) {
  const int p = std::clamp(Progress, 0, 100);
  const int w = std::min(Screen->Width(), Picture->Width());
  const int h = std::min(Screen->Height(), Picture->Height());
  const TBitmap* pic = Picture;
  for (int y = 0; y < h; ++y) FadeRow(Screen->ScanLine(y), pic->ScanLine(y), w, 100 - p, p);
}

namespace {
// Division by a fixed positive divisor of up to 16 bits for numerators of up
// to 17 bits, through the reciprocal and an exact correction.
class TDivider {
 public:
  explicit TDivider(int64_t d) : d_(d > 0 ? d : 1), inv_(1.0 / double(d > 0 ? d : 1)) {}
  int64_t FloorDiv(int64_t n) const {
    int64_t q = int64_t(double(n) * inv_);
    while (q * d_ > n) --q;
    while ((q + 1) * d_ <= n) ++q;
    return q;
  }
  int64_t CeilDiv(int64_t n) const { return FloorDiv(n + d_ - 1); }
 private:
  int64_t d_;
  double inv_;
};

// Narrows [x0, x1) to the columns x of a row where v0 + a x can lie in
// [lo, hi). The interval is a little wide; the exact test stays with the
// caller.
void sourceColumns(int64_t v0, int64_t a, int64_t lo, int64_t hi, int dw, int& x0, int& x1) {
  if (a == 0) {
    if (v0 < lo || v0 >= hi) x0 = x1 = 0;
    return;
  }
  double p = double(lo - v0) / double(a), q = double(hi - v0) / double(a);
  if (p > q) std::swap(p, q);
  const double from = std::max(std::floor(p) - 1, 0.0), to = std::min(std::ceil(q) + 1, double(dw));
  x0 = std::max(x0, int(std::min(from, double(dw))));
  x1 = std::min(x1, int(std::max(to, 0.0)));
}
}  // namespace

// Each row is walked only over the columns whose source lies inside Src, so
// a full-frame turn stays within the frame budget.
void RotateBitmap(TBitmap* Dst, TBitmap* Src, int CX, int CY, double Angle) {
  if (!Dst || !Src) return;
  const int W = Src->Width(), H = Src->Height();
  const int dw = std::min(W, Dst->Width()), dh = std::min(H, Dst->Height());
  if (dw <= 0 || dh <= 0) return;
  const int64_t sinF = Trunc(std::sin(Angle) * 65536.0);
  const int64_t cosF = Trunc(std::cos(Angle) * 65536.0);
  const TBitmap* src = Src;
  const uint8_t* srcBase = src->ScanLine(0);
  const ptrdiff_t srcStride = src->BytesPerLine();
  // Runs pay off when they are long on average: both the row and the column
  // fraction step by less than an eighth of a pixel.
  const int64_t gap = 65536 - cosF;   // how far the column fraction falls per step
  const bool runs = sinF >= 0 && sinF < 8192 && gap >= 0 && gap < 8192;
  const TDivider rowSteps(sinF), colSteps(gap);
  // Lengths of a run that starts just past a row crossing (fraction below
  // sinF): rowShort or rowShort + 1; of a gapless column run that starts
  // just past a repeat (fraction at least 65536 - gap): colLong or colLong + 1
  // pixels.
  const int64_t rowShort = runs && sinF > 0 ? rowSteps.CeilDiv(65536 - (sinF - 1)) : 0;
  const int64_t colLong = runs && gap > 0 ? colSteps.FloorDiv(65536 - gap) + 1 : 0;

  for (int y = 0; y < dh; ++y) {
    const int64_t dy = int64_t(y) - CY;
    // Numerators at x = 0; each step to the right adds cosF and sinF.
    const int64_t nx0 = -int64_t(CX) * cosF - dy * sinF;
    const int64_t ny0 = -int64_t(CX) * sinF + dy * cosF;
    int x0 = 0, x1 = dw;
    sourceColumns(nx0, cosF, -int64_t(CX) * 65536, int64_t(W - CX) * 65536, dw, x0, x1);
    sourceColumns(ny0, sinF, -int64_t(CY) * 65536, int64_t(H - CY) * 65536, dw, x0, x1);
    // Both source coordinates are monotonic along the row, so the columns
    // whose source lies inside Src form one interval: trim the estimate to
    // it exactly, and the copy needs no test per pixel.
    auto inside = [&](int x) {
      const int64_t sx = ((nx0 + int64_t(x) * cosF) >> 16) + CX;
      const int64_t sy = ((ny0 + int64_t(x) * sinF) >> 16) + CY;
      return uint64_t(sx) < uint64_t(W) && uint64_t(sy) < uint64_t(H);
    };
    while (x0 < x1 && !inside(x0)) ++x0;
    while (x1 > x0 && !inside(x1 - 1)) --x1;
    if (x0 >= x1) continue;
    uint32_t* d = reinterpret_cast<uint32_t*>(Dst->ScanLine(y));
    int64_t nx = nx0 + int64_t(x0) * cosF, ny = ny0 + int64_t(x0) * sinF;
    if (!runs) {
      for (int x = x0; x < x1; ++x, nx += cosF, ny += sinF)
        d[x] = reinterpret_cast<const uint32_t*>(srcBase + ((ny >> 16) + CY) * srcStride)[(nx >> 16) + CX];
      continue;
    }
    // A turn by a small angle reads long runs of columns from one source row
    // without a gap: a run ends where the source row changes (the row
    // fraction reaches a whole number) or where a source column repeats (the
    // column fraction runs out). Each run is a plain row copy. A run that
    // ends restarts with a fraction below one step, so its next length is
    // one of two values.
    int64_t rowLeft = sinF > 0 ? rowSteps.CeilDiv(65536 - (ny & 0xFFFF)) : dw;
    int64_t colLeft = gap > 0 ? colSteps.FloorDiv(nx & 0xFFFF) + 1 : dw;
    for (int x = x0; x < x1;) {
      const uint32_t* s = reinterpret_cast<const uint32_t*>(srcBase + ((ny >> 16) + CY) * srcStride) + (nx >> 16) + CX;
      const int64_t run = std::min<int64_t>({rowLeft, colLeft, x1 - x});
      for (int64_t i = 0; i < run; ++i) d[x + i] = s[i];
      x += int(run);
      nx += run * cosF;
      ny += run * sinF;
      rowLeft -= run;
      colLeft -= run;
      if (rowLeft == 0) {
        const int64_t f = ny & 0xFFFF;   // below sinF
        rowLeft = f + rowShort * sinF >= 65536 ? rowShort : rowShort + 1;
      }
      if (colLeft == 0) {
        const int64_t f = nx & 0xFFFF;   // at least 65536 - gap
        colLeft = f >= colLong * gap ? colLong + 1 : colLong;
      }
    }
  }
}

void RotatePoints(TPoint* Points, int Last, int CX, int CY, double Angle) {
  const double s = std::sin(Angle), c = std::cos(Angle);
  for (int i = 0; i <= Last; ++i) {
    const double dx = double(Points[i].X) - CX, dy = double(Points[i].Y) - CY;
    Points[i] = TPoint(Round(dx * c - dy * s) + CX, Round(dx * s + dy * c) + CY);
  }
}

// ---------------------------------------------------------------------------
// Regions

HRGN CreateTriangleRgn(int x1, int y1, int x2, int y2, int x3, int y3) {
  const TPoint pts[3] = {TPoint(x1, y1), TPoint(x2, y2), TPoint(x3, y3)};
  return CreatePolygonRgn(pts, 3, WINDING);
}

HRGN CreatePieRgn(int CX, int CY, int Radius, double StartAngle, double EndAngle, int N) {
  if (N < 1) return new TRegion();
  std::vector<TPoint> pts;
  pts.reserve(size_t(N) + 1);
  pts.emplace_back(CX, CY);
  for (int k = 0; k < N; ++k) {
    const double a = StartAngle + k * (EndAngle - StartAngle) / N;
    pts.emplace_back(Round(Radius * std::cos(a)) + CX, Round(Radius * std::sin(a)) + CY);
  }
  return CreatePolygonRgn(pts.data(), int(pts.size()), WINDING);
}

namespace {

// The sink of a strip pattern for a region: every rectangle, row or column.
auto Collect(std::vector<TRect>& Rects) {
  return [&Rects](int l, int t, int r, int b, bool) { Rects.emplace_back(l, t, r, b); };
}

}  // namespace

HRGN CreateBarsRgn(int PX, int PY, int W, int H, int S, int RowMode, int ColMode) {
  std::vector<TRect> rs;
  BarsPattern(PX, PY, W, H, S, RowMode, ColMode, Collect(rs));
  return CreateRectsRgn(rs);
}

HRGN CreateShredRgn(int PX, int PY, int W, int H, int RowMode, int ColMode, TEffectRandom& Rng) {
  std::vector<TRect> rs;
  ShredPattern(PX, PY, W, H, RowMode, ColMode, Rng, Collect(rs));
  return CreateRectsRgn(rs);
}

HRGN CreateSpeckleRgn(int PX, int PY, int W, int H, int RowMode, int ColMode, TEffectRandom& Rng) {
  std::vector<TRect> rs;
  SpecklePattern(PX, PY, W, H, RowMode, ColMode, Rng, Collect(rs));
  return CreateRectsRgn(rs);
}
