// Shape and pixel effects: the new picture shows through a growing shape
// (rounded rectangles and ellipses 58, 59, 69, 70, 80..85; triangles
// 110..117; random squares 127; blinds and shreds 136..142; sweeps 143, 144;
// moving rectangles 145..148; rotating polygons 149, 150) or is rotated in
// about a corner (pivots 119..122). The cross-fade 118 lives with the table.
//
// Every region effect stamps its shapes into a reveal mask
// (EffectsShapeMask.h) and copies the new picture through it.
#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>
#include "pictureshow/EffectFamilies.h"
#include "pictureshow/EffectsShapeMask.h"

namespace {

constexpr double kPi = std::numbers::pi;

// ---------------------------------------------------------------------------
// Curved and circular reveals: rounded rectangles, most of them reaching far
// beyond the frame.

int NineFifths(int v) { return int(std::clamp<int64_t>(9 * int64_t(v) / 5, INT32_MIN, INT32_MAX)); }

void Curved(TRevealMask& m, int n, const TEffectGeometry& g) {
  const int W = g.W, H = g.H, X = g.X, Y = g.Y;
  switch (n) {
    case 58: m.RoundRect(-2 * W, -5, 2 * X, H + 5, 2 * W, 2 * W); break;
    case 59: m.RoundRect(W - 2 * X, -5, 3 * W, H + 5, 2 * W, 2 * W); break;
    case 69: m.RoundRect(-5, -2 * H, W + 5, 2 * Y, 2 * H, 2 * H); break;
    case 70: m.RoundRect(-5, H - 2 * Y, W + 5, 3 * H, 2 * H, 2 * H); break;
    case 80: m.RoundRect(-2 * W, -2 * H, 2 * X, 2 * Y, 2 * W, 2 * H); break;
    case 81: m.RoundRect(W - 2 * X, -2 * H, 3 * W, 2 * Y, 2 * W, 2 * H); break;
    case 82: m.RoundRect(-2 * W, H - 2 * Y, 2 * X, 3 * H, 2 * W, 2 * H); break;
    // Its corner ellipse is 2H x 2H, where the three sister corners use 2W x 2H.
    case 83: m.RoundRect(W - 2 * X, H - 2 * Y, 3 * W, 3 * H, 2 * H, 2 * H); break;
    // Nine fifths of a side in 64 bits: no overflow on the widest frames.
    case 84: m.RoundRect(W / 2 - X, H / 2 - Y, W / 2 + X, H / 2 + Y, NineFifths(X), NineFifths(Y)); break;
    case 85:
      // The whole frame exclusive-or a shrinking ellipse: the new picture
      // grows inward around it.
      m.Rect(0, 0, W, H);
      m.RoundRect(X - W / 2, Y - H / 2, 3 * W / 2 - X, 3 * H / 2 - Y, NineFifths(W - X), NineFifths(H - Y),
                  TRevealMask::opSet, 0);
      break;
    default: break;
  }
}

// ---------------------------------------------------------------------------
// Polygons
//
// Rasterised at pixel centres with the winding rule, rows clipped to the
// frame: the platform's polygon region of a shape that reaches far beyond the
// frame, like the star near the end of its run, costs many frames' time.

// Diagonal reveals, sweeps and the starburst.
void Triangles(TRevealMask& m, int n, const TEffectGeometry& g) {
  const int W = g.W, H = g.H, X = g.X, Y = g.Y;
  const TPoint M(W / 2, H / 2);
  auto tri = [&m](TPoint a, TPoint b, TPoint c) {
    const TPoint p[3] = {a, b, c};
    m.Polygon(p, 3);
  };
  switch (n) {
    case 110: tri({0, 0}, {2 * X, 0}, {0, 2 * Y}); break;
    case 111: tri({W, 0}, {W - 2 * X, 0}, {W, 2 * Y}); break;
    case 112: tri({0, H}, {2 * X, H}, {0, H - 2 * Y}); break;
    case 113: tri({W, H}, {W - 2 * X, H}, {W, H - 2 * Y}); break;
    case 114:
      tri({0, H}, {0, 0}, {X, H});
      tri({W, H}, {W, 0}, {W - X, 0});
      break;
    case 115:
      tri({W, 0}, {0, 0}, {W, Y});
      tri({W, H}, {0, H}, {0, H - Y});
      break;
    case 116:
      tri(M, {0, H}, {0, H - Y});
      tri({0, 0}, {X, 0}, M);
      tri({W - X, H}, M, {W, H});
      tri(M, {W, 0}, {W, Y});
      break;
    default: break;
  }
}

// 143, 144: a pie slice about the centre that sweeps once around like a
// clock hand, one segment per unit of progress, its radius reaching the
// corners. The points are those of the shared pie region: the centre, then
// Progress points of the arc, the last one segment short of the end angle.
void Sweep(TRevealMask& m, int n, const TEffectGeometry& g, int Progress) {
  const int cx = g.W / 2, cy = g.H / 2;
  const int radius = int(std::ceil(std::sqrt(double(cx) * cx + double(cy) * cy)));
  const double start = -kPi / 2;
  const double end = n == 143 ? start + Progress * kPi / 50 : start - Progress * kPi / 50;
  if (Progress < 1) return;
  std::vector<TPoint> pts;
  pts.reserve(size_t(Progress) + 1);
  pts.emplace_back(cx, cy);
  for (int k = 0; k < Progress; ++k) {
    const double a = start + k * (end - start) / Progress;
    pts.emplace_back(Round(radius * std::cos(a)) + cx, Round(radius * std::sin(a)) + cy);
  }
  m.Polygon(pts);
}

// 149, 150: a rectangle or a four-pointed star about the centre, turned by
// one full turn over the run.
void Rotating(TRevealMask& m, int n, const TEffectGeometry& g, int Progress) {
  const int mx = g.W / 2, my = g.H / 2, X = g.X, Y = g.Y;
  std::vector<TPoint> pts;
  if (n == 149) {
    pts = {{mx - X / 2, my - Y / 2}, {mx + X / 2, my - Y / 2}, {mx + X / 2, my + Y / 2}, {mx - X / 2, my + Y / 2}};
  } else {
    pts = {{mx - 2 * X, my},         {mx - X / 2, my - Y / 2}, {mx, my - 2 * Y}, {mx + X / 2, my - Y / 2},
           {mx + 2 * X, my},         {mx + X / 2, my + Y / 2}, {mx, my + 2 * Y}, {mx - X / 2, my + Y / 2}};
  }
  RotatePoints(pts, mx, my, Progress * kPi / 50);
  m.Polygon(pts);
}

// ---------------------------------------------------------------------------
// Masks of many shapes

// The grid count of 117, 127 and 142: half the step size, at least 1.
int GridCount(int S) { return AtLeast1(S > 1 ? S / 2 : S); }

// "Uneven blind" rectangles of 138..141 at a pitch of X or Y, each
// Size x Progress div 100 deep.
void UnevenBlinds(TRevealMask& m, int n, const TEffectGeometry& g, int Progress) {
  const int W = g.W, H = g.H;
  if (n == 138 || n == 139) {
    const int pitch = AtLeast1(g.X);
    const int w = int(int64_t(g.X) * Progress / 100);
    if (w <= 0) return;
    if (n == 138) {
      for (int64_t x = 0; x < W; x += pitch) m.ColumnRect(int(x), 0, int(x + w), H);
    } else {
      for (int64_t x = W; x >= 0; x -= pitch) m.ColumnRect(int(x - w), 0, int(x), H);
    }
  } else {
    const int pitch = AtLeast1(g.Y);
    const int h = int(int64_t(g.Y) * Progress / 100);
    if (h <= 0) return;
    if (n == 140) {
      for (int64_t y = 0; y < H; y += pitch) m.Rect(0, int(y), W, int(y + h));
    } else {
      for (int64_t y = H; y >= 0; y -= pitch) m.Rect(0, int(y - h), W, int(y));
    }
  }
}

// 117 "Triangular shred to top left": a grid of right triangles, each on
// the top-left half of the cell around its grid point.
void TriangularShred(TRevealMask& m, const TEffectGeometry& g) {
  const int n = GridCount(g.S);
  const int x1 = g.X / n, y1 = g.Y / n, w1 = g.W / n, h1 = g.H / n;
  if (x1 <= 0 || y1 <= 0) return;   // every triangle is empty
  // All triangles are the same shape moved by whole pixels: rasterise one at
  // the origin, then stamp its rows along each grid row.
  std::vector<std::pair<int, int>> rows(size_t(2) * y1, {0, 0});
  const TPoint tri[3] = {TPoint(0, 0), TPoint(2 * x1, 0), TPoint(0, 2 * y1)};
  TRevealMask::PolygonSpans(tri, 3, 2 * y1, [&](int y, int a, int b) { rows[size_t(y)] = {a, b}; });
  for (int i = n; i >= 0; --i) {
    const int64_t b = int64_t(i) * h1 - y1;
    for (int dy = 0; dy < 2 * y1; ++dy) {
      const auto [s0, s1] = rows[size_t(dy)];
      const int64_t y = b + dy;
      if (s1 <= s0 || y < 0 || y >= g.H) continue;
      m.PeriodicSpan(int(y), int64_t(s0) - x1, s1 - s0, w1, int64_t(n) + 1);
    }
  }
}

// 142 "Rectangular shred": a grid of rectangles growing about their grid points.
void RectangularShred(TRevealMask& m, const TEffectGeometry& g) {
  const int x1 = g.X / g.SD(), y1 = g.Y / g.SD();
  const int n = GridCount(g.S);
  const int w1 = g.W / n, h1 = g.H / n;
  if (x1 <= 0 || y1 <= 0) return;   // every rectangle is empty
  for (int i = n; i >= 0; --i) {
    const int64_t top = int64_t(i) * h1 - y1;
    for (int64_t y = std::max<int64_t>(top, 0); y < top + 2 * int64_t(y1) && y < g.H; ++y)
      m.PeriodicSpan(int(y), -int64_t(x1), 2 * x1, w1, int64_t(n) + 1);
  }
}

// 127 "Random squares appear": each grid point draws one number from a
// generator seeded with the picture's size, so a square once shown stays
// shown while the progress grows, in an order fixed for that size. The
// generator is the effect's own: no other sequence is disturbed.
void RandomSquares(TRevealMask& m, const TEffectGeometry& g, int Progress) {
  TEffectRandom rng(uint32_t(g.W) * uint32_t(g.H));
  const int n = GridCount(g.S);
  for (int64_t x = 0; x < g.W; x += n)
    for (int64_t y = 0; y < g.H; y += n)
      if (Progress > rng.Random(100)) m.Rect(int(x - n), int(y - n), int(x + n), int(y + n));
}

void MaskShapes(TRevealMask& m, int n, const TEffectGeometry& g, int Progress) {
  const int W = g.W, H = g.H;
  switch (n) {
    case 117: TriangularShred(m, g); break;
    case 127: RandomSquares(m, g, Progress); break;
    case 136: {   // "Blind vertically"
      const int pitch = AtLeast1(W / g.SD());
      const int w = int(int64_t(pitch) * Progress / 100);
      if (w > 0)
        for (int64_t x = 0; x < W; x += pitch) m.ColumnRect(int(x), 0, int(x + w), H);
      break;
    }
    case 137: {   // "Blind horizontally"
      const int pitch = AtLeast1(H / g.SD());
      const int h = int(int64_t(pitch) * Progress / 100);
      if (h > 0)
        for (int64_t y = 0; y < H; y += pitch) m.Rect(0, int(y), W, int(y + h));
      break;
    }
    case 138: case 139: case 140: case 141: UnevenBlinds(m, n, g, Progress); break;
    case 142: RectangularShred(m, g); break;
    case 145: case 146: {   // horizontal bands growing from their centre lines
      const int pitch = AtLeast1(H / g.SD());
      const int d = int(int64_t(pitch) * Progress / 200);
      if (d > 0)
        for (int64_t top = pitch / 2 - d; top < H; top += pitch) m.Rect(0, int(top), W, int(top + 2 * d));
      UnevenBlinds(m, n == 145 ? 138 : 139, g, Progress);
      break;
    }
    case 147: case 148: {   // vertical bands growing from their centre lines
      const int pitch = AtLeast1(W / g.SD());
      const int d = int(int64_t(pitch) * Progress / 200);
      if (d > 0)
        for (int64_t left = pitch / 2 - d; left < W; left += pitch) m.ColumnRect(int(left), 0, int(left + 2 * d), H);
      UnevenBlinds(m, n == 147 ? 140 : 141, g, Progress);
      break;
    }
    default: break;
  }
}

// ---------------------------------------------------------------------------
// The procedures

enum class TShapeKind : uint8_t { None, Curved, Polygon, Masked, Pivot };

constexpr TShapeKind ShapeKind(int n) {
  if (n == 58 || n == 59 || n == 69 || n == 70 || (n >= 80 && n <= 85)) return TShapeKind::Curved;
  if (n >= 119 && n <= 122) return TShapeKind::Pivot;
  if ((n >= 110 && n <= 116) || n == 143 || n == 144 || n == 149 || n == 150) return TShapeKind::Polygon;
  if (n == 117 || n == 127 || (n >= 136 && n <= 142) || (n >= 145 && n <= 148)) return TShapeKind::Masked;
  return TShapeKind::None;
}

// 119..122: the new picture turns in about a point just outside one corner,
// a quarter turn at the start and none at the end. Pixels onto which no pixel
// of the new picture falls keep the old picture.
void Pivot(int n, TBitmap* Screen, TBitmap* Picture, const TRect& R, int Progress) {
  const int W = R.Right, H = R.Bottom;
  const int cx = n == 119 || n == 120 ? -1 : W;
  const int cy = n == 119 || n == 121 ? -1 : H;
  RotateBitmap(Screen, Picture, cx, cy, (100 - Progress) * kPi / 200);
}

void DrawShape(int n, TBitmap* Screen, TBitmap* Picture, const TRect& R, uint16_t Step, int Progress) {
  if (!Screen || !Picture) return;
  const TShapeKind kind = ShapeKind(n);
  if (kind == TShapeKind::Pivot) {
    Pivot(n, Screen, Picture, R, Progress);
    return;
  }
  const TEffectGeometry g = EffectGeometry(R, Step, Progress);
  if (g.W <= 0 || g.H <= 0) return;
  switch (kind) {
    case TShapeKind::Curved:
    case TShapeKind::Polygon:
    case TShapeKind::Masked: {
      TRevealMask mask(g.W, g.H);
      if (kind == TShapeKind::Curved) Curved(mask, n, g);
      else if (n >= 110 && n <= 116) Triangles(mask, n, g);
      else if (n == 143 || n == 144) Sweep(mask, n, g, Progress);
      else if (n == 149 || n == 150) Rotating(mask, n, g, Progress);
      else MaskShapes(mask, n, g, Progress);
      mask.Apply(Screen, Picture);
      break;
    }
    default: break;
  }
}

template <int N>
void ShapeEffect(TBitmap* Screen, TBitmap* Picture, const TRect& R, uint16_t Step, int Progress) {
  DrawShape(N, Screen, Picture, R, Step, Progress);
}

template <int N>
constexpr TEffectProc ShapeProcFor() {
  if constexpr (ShapeKind(N) != TShapeKind::None) return &ShapeEffect<N>;
  else return nullptr;
}

template <int... N>
constexpr std::array<TEffectProc, sizeof...(N)> MakeShapeProcs(std::integer_sequence<int, N...>) {
  return {ShapeProcFor<N>()...};
}

constexpr auto kShapeProcs = MakeShapeProcs(std::make_integer_sequence<int, EffectCount + 1>{});

}  // namespace

TEffectProc ShapeEffectProc(int number) {
  if (number < 0 || number > EffectCount) return nullptr;
  return kShapeProcs[size_t(number)];
}
