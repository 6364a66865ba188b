// The shape and pixel effects on self-describing pictures. A region effect
// must leave every pixel as the old or the new picture's own pixel, the new
// ones forming the shape its table row gives (exactly where the shape is made
// of rectangles, within a pixel on curved and slanted edges); the pivots must
// follow the rotation of the new picture about their corner.
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>
#include "pictureshow/EffectFamilies.h"
#include "pictureshow/EffectsShapeMask.h"
#include "tests/pictureshow/EffectTestSupport.h"

using namespace effecttest;

namespace {

constexpr double kPi = std::numbers::pi;

struct FrameSize {
  int W, H;
  uint16_t Step;
  const char* Name;
};

// Landscape, odd, portrait, and a picture whose step size S is 0.
const FrameSize kSizes[] = {{400, 300, 4, "400x300"}, {97, 61, 4, "97x61"}, {61, 97, 4, "61x97"},
                            {40, 30, 1, "40x30 step 1"}};
const int kProgress[] = {25, 50, 75};

// ---------------------------------------------------------------------------
// Shapes, judged at pixel centres

// Whether a point (in pixel units; pixel (x, y) is judged at its centre
// (x + 0.5, y + 0.5)) lies in the shape.
using Inside = std::function<bool(double, double)>;

bool InRect(double px, double py, TRect r) {
  r = r.Normalized();
  return px >= r.Left && px < r.Right && py >= r.Top && py < r.Bottom;
}

// A rounded rectangle with its corner ellipse cut to the rectangle's size.
bool InRoundRect(double px, double py, TRect r, int ew, int eh) {
  r = r.Normalized();
  if (px < r.Left || px >= r.Right || py < r.Top || py >= r.Bottom) return false;
  const double rx = std::min(std::abs(double(ew)), double(r.Width())) / 2;
  const double ry = std::min(std::abs(double(eh)), double(r.Height())) / 2;
  if (rx <= 0 || ry <= 0) return true;
  const double cx = std::clamp(px, r.Left + rx, r.Right - rx), cy = std::clamp(py, r.Top + ry, r.Bottom - ry);
  const double dx = (px - cx) / rx, dy = (py - cy) / ry;
  return dx * dx + dy * dy <= 1;
}

struct PointF {
  double X, Y;
};

// Non-zero winding number at the point.
bool InPolygon(double px, double py, const std::vector<PointF>& p) {
  int wind = 0;
  for (size_t i = 0; i < p.size(); ++i) {
    const PointF a = p[i], b = p[(i + 1) % p.size()];
    if ((a.Y <= py) != (b.Y <= py)) {
      const double cx = a.X + (py - a.Y) * (b.X - a.X) / (b.Y - a.Y);
      if (cx > px) wind += b.Y > a.Y ? 1 : -1;
    }
  }
  return wind != 0;
}

std::vector<PointF> Tri(double x1, double y1, double x2, double y2, double x3, double y3) {
  return {{x1, y1}, {x2, y2}, {x3, y3}};
}

std::vector<PointF> Rotated(std::vector<PointF> p, double cx, double cy, double angle) {
  for (PointF& q : p) {
    const double dx = q.X - cx, dy = q.Y - cy;
    q = {dx * std::cos(angle) - dy * std::sin(angle) + cx, dx * std::sin(angle) + dy * std::cos(angle) + cy};
  }
  return p;
}

int Grid(int S) { return std::max(S > 1 ? S / 2 : S, 1); }

// The uneven blinds of 138..141.
bool InUnevenBlind(int n, double x, double y, const TEffectGeometry& g, int progress) {
  const int W = g.W, H = g.H;
  if (n == 138 || n == 139) {
    const int pitch = std::max(g.X, 1), w = g.X * progress / 100;
    if (w <= 0) return false;
    for (int k = 0; k * pitch < W + pitch; ++k) {
      const TRect r = n == 138 ? TRect(k * pitch, 0, k * pitch + w, H) : TRect(W - k * pitch - w, 0, W - k * pitch, H);
      if ((n == 138 ? r.Left < W : r.Right >= 0) && w > 0 && InRect(x, y, r)) return true;
    }
    return false;
  }
  const int pitch = std::max(g.Y, 1), h = g.Y * progress / 100;
  if (h <= 0) return false;
  for (int k = 0; k * pitch < H + pitch; ++k) {
    const TRect r = n == 140 ? TRect(0, k * pitch, W, k * pitch + h) : TRect(0, H - k * pitch - h, W, H - k * pitch);
    if ((n == 140 ? r.Top < H : r.Bottom >= 0) && h > 0 && InRect(x, y, r)) return true;
  }
  return false;
}

// The moving rectangles of 145..148: bands at a pitch of Size div S, each
// 2d wide about its centre line, d = pitch x progress div 200.
bool InBand(double v, int size, const TEffectGeometry& g, int progress);

// What a member shows of the new picture, from its table row.
struct ShapeCase {
  int No;
  bool Exact;   // made of rectangles: no tolerance on the edges
  std::function<Inside(const TEffectGeometry&, int progress)> Shape;
};

// Shape builders for the table below.
Inside RR(TRect r, int ew, int eh) {
  return [=](double x, double y) { return InRoundRect(x, y, r, ew, eh); };
}
Inside Polys(std::vector<std::vector<PointF>> parts) {
  return [=](double x, double y) {
    return std::any_of(parts.begin(), parts.end(), [&](const auto& p) { return InPolygon(x, y, p); });
  };
}
Inside Rects(std::vector<TRect> rects) {
  return [=](double x, double y) {
    return std::any_of(rects.begin(), rects.end(), [&](const TRect& r) { return InRect(x, y, r); });
  };
}
Inside Blinds(int n, const TEffectGeometry& g, int progress) {
  return [=](double x, double y) { return InUnevenBlind(n, x, y, g, progress); };
}
// 145..148: bands across (or, vertical, down) the frame joined with the blinds of n.
Inside BandsAndBlinds(bool vertical, int n, const TEffectGeometry& g, int progress) {
  return [=](double x, double y) {
    return InBand(vertical ? x : y, vertical ? g.W : g.H, g, progress) || InUnevenBlind(n, x, y, g, progress);
  };
}
std::vector<PointF> Pie(const TEffectGeometry& g, int progress, double turn) {
  const double cx = g.W / 2, cy = g.H / 2, r = std::ceil(std::hypot(g.W / 2, g.H / 2));
  std::vector<PointF> pie = {{cx, cy}};
  for (int k = 0; k < progress; ++k) {
    const double a = -kPi / 2 + turn * k * kPi / 50;
    pie.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
  }
  return pie;
}

#define SHAPE(...)                                                        \
  [](const TEffectGeometry& g, int progress) -> Inside {                  \
    const int W = g.W, H = g.H, X = g.X, Y = g.Y;                         \
    (void)W, (void)H, (void)X, (void)Y, (void)progress;                   \
    __VA_ARGS__                                                           \
  }

const std::vector<ShapeCase>& Cases() {
  static const std::vector<ShapeCase> cases = {
      {58, false, SHAPE(return RR({-2 * W, -5, 2 * X, H + 5}, 2 * W, 2 * W);)},
      {59, false, SHAPE(return RR({W - 2 * X, -5, 3 * W, H + 5}, 2 * W, 2 * W);)},
      {69, false, SHAPE(return RR({-5, -2 * H, W + 5, 2 * Y}, 2 * H, 2 * H);)},
      {70, false, SHAPE(return RR({-5, H - 2 * Y, W + 5, 3 * H}, 2 * H, 2 * H);)},
      {80, false, SHAPE(return RR({-2 * W, -2 * H, 2 * X, 2 * Y}, 2 * W, 2 * H);)},
      {81, false, SHAPE(return RR({W - 2 * X, -2 * H, 3 * W, 2 * Y}, 2 * W, 2 * H);)},
      {82, false, SHAPE(return RR({-2 * W, H - 2 * Y, 2 * X, 3 * H}, 2 * W, 2 * H);)},
      {83, false, SHAPE(return RR({W - 2 * X, H - 2 * Y, 3 * W, 3 * H}, 2 * H, 2 * H);)},
      {84, false, SHAPE(return RR({W / 2 - X, H / 2 - Y, W / 2 + X, H / 2 + Y}, 9 * X / 5, 9 * Y / 5);)},
      {85, false, SHAPE(const Inside e = RR({X - W / 2, Y - H / 2, 3 * W / 2 - X, 3 * H / 2 - Y}, 9 * (W - X) / 5,
                                            9 * (H - Y) / 5);
                        return [=](double x, double y) { return !e(x, y); };)},
      {110, false, SHAPE(return Polys({Tri(0, 0, 2 * X, 0, 0, 2 * Y)});)},
      {111, false, SHAPE(return Polys({Tri(W, 0, W - 2 * X, 0, W, 2 * Y)});)},
      {112, false, SHAPE(return Polys({Tri(0, H, 2 * X, H, 0, H - 2 * Y)});)},
      {113, false, SHAPE(return Polys({Tri(W, H, W - 2 * X, H, W, H - 2 * Y)});)},
      {114, false, SHAPE(return Polys({Tri(0, H, 0, 0, X, H), Tri(W, H, W, 0, W - X, 0)});)},
      {115, false, SHAPE(return Polys({Tri(W, 0, 0, 0, W, Y), Tri(W, H, 0, H, 0, H - Y)});)},
      {116, false, SHAPE(const double mx = W / 2, my = H / 2;
                         return Polys({Tri(mx, my, 0, H, 0, H - Y), Tri(0, 0, X, 0, mx, my), Tri(W - X, H, mx, my, W, H),
                                       Tri(mx, my, W, 0, W, Y)});)},
      {117, false, SHAPE(const int n = Grid(g.S); const int x1 = X / n, y1 = Y / n, w1 = W / n, h1 = H / n;
                         std::vector<std::vector<PointF>> ts;
                         for (int i = 0; i <= n && x1 > 0 && y1 > 0; ++i)
                           for (int j = 0; j <= n; ++j) {
                             const double a = j * w1 - x1, b = i * h1 - y1;
                             ts.push_back(Tri(a, b, a + 2 * x1, b, a, b + 2 * y1));
                           }
                         return Polys(ts);)},
      {127, true, SHAPE(const int n = Grid(g.S); TEffectRandom rng(uint32_t(W * H)); std::vector<TRect> shown;
                        for (int x = 0; x < W; x += n)
                          for (int y = 0; y < H; y += n)
                            if (progress > rng.Random(100)) shown.push_back({x - n, y - n, x + n, y + n});
                        return Rects(shown);)},
      {136, true, SHAPE(const int p = std::max(W / std::max(g.S, 1), 1); const int w = p * progress / 100;
                        return [=](double x, double) { return int(x) % p < w; };)},
      {137, true, SHAPE(const int p = std::max(H / std::max(g.S, 1), 1); const int h = p * progress / 100;
                        return [=](double, double y) { return int(y) % p < h; };)},
      {138, true, SHAPE(return Blinds(138, g, progress);)},
      {139, true, SHAPE(return Blinds(139, g, progress);)},
      {140, true, SHAPE(return Blinds(140, g, progress);)},
      {141, true, SHAPE(return Blinds(141, g, progress);)},
      {142, true, SHAPE(const int s = std::max(g.S, 1); const int x1 = X / s, y1 = Y / s, n = Grid(g.S);
                        const int w1 = W / n, h1 = H / n; std::vector<TRect> rs;
                        for (int i = 0; i <= n && x1 > 0 && y1 > 0; ++i)
                          for (int j = 0; j <= n; ++j) rs.push_back({j * w1 - x1, i * h1 - y1, j * w1 + x1, i * h1 + y1});
                        return Rects(rs);)},
      {143, false, SHAPE(return Polys({Pie(g, progress, 1)});)},
      {144, false, SHAPE(return Polys({Pie(g, progress, -1)});)},
      {145, true, SHAPE(return BandsAndBlinds(false, 138, g, progress);)},
      {146, true, SHAPE(return BandsAndBlinds(false, 139, g, progress);)},
      {147, true, SHAPE(return BandsAndBlinds(true, 140, g, progress);)},
      {148, true, SHAPE(return BandsAndBlinds(true, 141, g, progress);)},
      {149, false, SHAPE(const double mx = W / 2, my = H / 2;
                         return Polys({Rotated({{mx - X / 2, my - Y / 2}, {mx + X / 2, my - Y / 2},
                                                {mx + X / 2, my + Y / 2}, {mx - X / 2, my + Y / 2}},
                                               mx, my, progress * kPi / 50)});)},
      {150, false, SHAPE(const double mx = W / 2, my = H / 2;
                         return Polys({Rotated({{mx - 2 * X, my}, {mx - X / 2, my - Y / 2}, {mx, my - 2 * Y},
                                                {mx + X / 2, my - Y / 2}, {mx + 2 * X, my}, {mx + X / 2, my + Y / 2},
                                                {mx, my + 2 * Y}, {mx - X / 2, my + Y / 2}},
                                               mx, my, progress * kPi / 50)});)},
  };
  return cases;
}

#undef SHAPE

bool InBand(double v, int size, const TEffectGeometry& g, int progress) {
  const int pitch = std::max(size / std::max(g.S, 1), 1), d = pitch * progress / 200;
  for (int top = pitch / 2 - d; top < size; top += pitch)
    if (d > 0 && v >= top && v < top + 2 * d) return true;
  return false;
}

// "" when the frame shows the new picture in place exactly where the shape
// holds the pixel's centre and the old picture in place elsewhere. With
// tolerance a pixel may differ where the shape's edge passes within a pixel
// of its centre (some point of the 3 x 3 pixels around it, sampled every
// quarter pixel, lies on the other side).
std::string Compare(const TBitmap& s, const Inside& inside, bool exact) {
  const int W = s.Width(), H = s.Height();
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const bool isNew = IsNewAt(s, x, y), isOld = IsOldAt(s, x, y);
      if (!isNew && !isOld) return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") is neither picture's own";
      const double cx = x + 0.5, cy = y + 0.5;
      const bool want = inside(cx, cy);
      if (isNew == want) continue;
      bool edge = false;
      for (int j = -4; j <= 4 && !exact && !edge; ++j)
        for (int i = -4; i <= 4 && !edge; ++i) edge = inside(cx + i / 4.0, cy + j / 4.0) != want;
      if (!edge) {
        std::ostringstream o;
        o << "pixel (" << x << ", " << y << ") is " << (isNew ? "new" : "old") << "\n" << FrameSketch(s, 16);
        return o.str();
      }
    }
  return "";
}

// ---------------------------------------------------------------------------

TEST(ShapeEffects, EveryShapeShowsItsRegion) {
  for (const ShapeCase& c : Cases())
    for (const FrameSize& sz : kSizes)
      for (int progress : kProgress) {
        SCOPED_TRACE(::testing::Message() << "effect " << c.No << " " << sz.Name << " progress " << progress);
        const ComposedFrame f = ComposeFrame(c.No, sz.W, sz.H, sz.Step, progress);
        const TEffectGeometry g = EffectGeometry(TRect(0, 0, sz.W, sz.H), sz.Step, progress);
        EXPECT_EQ(Compare(*f.Screen, c.Shape(g, progress), c.Exact), "");
      }
}

// 143 at 25: from straight up clockwise to 24 segments of 3.6 degrees.
TEST(ShapeEffects, SweepsTurnLikeAClockHand) {
  const ComposedFrame cw = ComposeFrame(143, 400, 300, 4, 25);
  const ComposedFrame acw = ComposeFrame(144, 400, 300, 4, 25);
  auto at = [](double degreesFromUp) {
    const double a = (degreesFromUp - 90) * kPi / 180;
    return TPoint(int(200 + 100 * std::cos(a)), int(150 + 100 * std::sin(a)));
  };
  for (double deg : {3.0, 45.0, 84.0}) {
    const TPoint p = at(deg), q = at(-deg);
    EXPECT_TRUE(IsNewAt(*cw.Screen, p.X, p.Y)) << deg;
    EXPECT_TRUE(IsOldAt(*cw.Screen, q.X, q.Y)) << deg;
    EXPECT_TRUE(IsNewAt(*acw.Screen, q.X, q.Y)) << deg;
    EXPECT_TRUE(IsOldAt(*acw.Screen, p.X, p.Y)) << deg;
  }
  for (double deg : {89.0, 95.0, 180.0}) {
    EXPECT_TRUE(IsOldAt(*cw.Screen, at(deg).X, at(deg).Y)) << deg;
    EXPECT_TRUE(IsOldAt(*acw.Screen, at(-deg).X, at(-deg).Y)) << deg;
  }
}

// 127: a square once shown stays shown, the order is fixed for a picture
// size, and the effect does not disturb the picture show's generator.
TEST(ShapeEffects, RandomSquaresGrowMonotonicallyAndRepeat) {
  for (const FrameSize& sz : kSizes) {
    SCOPED_TRACE(sz.Name);
    std::vector<ComposedFrame> run1, run2;
    TEffectRandom show(777);
    for (int progress : {10, 25, 50, 75, 90}) {
      run1.push_back(ComposeFrame(127, sz.W, sz.H, sz.Step, progress, &show));
      run2.push_back(ComposeFrame(127, sz.W, sz.H, sz.Step, progress));
    }
    EXPECT_EQ(show.Seed(), 777u);
    for (size_t k = 0; k < run1.size(); ++k)
      for (int y = 0; y < sz.H; ++y)
        for (int x = 0; x < sz.W; ++x) {
          ASSERT_EQ(RawPixel(*run1[k].Screen, x, y), RawPixel(*run2[k].Screen, x, y)) << k;
          if (k > 0 && IsNewAt(*run1[k - 1].Screen, x, y)) {
            ASSERT_TRUE(IsNewAt(*run1[k].Screen, x, y)) << k;
          }
        }
    EXPECT_LT(Census(*run1.front().Screen).NewInPlace, Census(*run1.back().Screen).NewInPlace);
  }
}

// 85: the ellipse starts larger than the frame (nothing new at 1); by the
// middle of the run the new picture fills the corners around it.
TEST(ShapeEffects, CircularRevealToCentreGrowsInFromTheCorners) {
  EXPECT_EQ(Census(*ComposeFrame(85, 400, 300, 4, 1).Screen).OldInPlace, 400 * 300);
  const ComposedFrame f = ComposeFrame(85, 400, 300, 4, 50);
  for (TPoint corner : {TPoint(0, 0), TPoint(399, 0), TPoint(0, 299), TPoint(399, 299)})
    EXPECT_TRUE(IsNewAt(*f.Screen, corner.X, corner.Y)) << corner.X << "," << corner.Y;
  for (TPoint inner : {TPoint(200, 150), TPoint(200, 0), TPoint(0, 150), TPoint(399, 150), TPoint(200, 299)})
    EXPECT_TRUE(IsOldAt(*f.Screen, inner.X, inner.Y)) << inner.X << "," << inner.Y;
}

// Pitches and grid steps never fall below one pixel, so tiny pictures (X,
// Y or S of 0) end at once, and so do huge steps; degenerate calls are
// harmless.
TEST(ShapeEffects, TinyPicturesHugeStepsAndDegenerateFramesEnd) {
  for (const ShapeCase& c : Cases())
    for (const FrameSize sz : {FrameSize{10, 8, 1, "10x8"}, FrameSize{3, 200, 1, "3x200"}, FrameSize{200, 2, 99, "200x2"},
                               FrameSize{1, 1, 4, "1x1"}, FrameSize{97, 61, 99, "97x61 step 99"}})
      for (int progress : {1, 2, 50, 99}) {
        SCOPED_TRACE(::testing::Message() << "effect " << c.No << " " << sz.Name << " progress " << progress);
        const ComposedFrame f = ComposeFrame(c.No, sz.W, sz.H, sz.Step, progress);
        const TEffectGeometry g = EffectGeometry(TRect(0, 0, sz.W, sz.H), sz.Step, progress);
        EXPECT_EQ(Compare(*f.Screen, c.Shape(g, progress), c.Exact), "");
      }
  // 138 with X = 0 at progress 1: pitch 1, nothing new.
  EXPECT_EQ(Census(*ComposeFrame(138, 10, 8, 4, 1).Screen).OldInPlace, 80);
  // Empty frames draw nothing; a new picture smaller than the frame is read
  // only where it exists.
  for (int n = 1; n <= EffectCount; ++n) {
    TEffectProc p = ShapeEffectProc(n);
    if (!p) continue;
    TBitmap empty;
    p(&empty, &empty, TRect(0, 0, 0, 0), 4, 50);
    auto small = MakeNewPicture(20, 10), big = MakeOldPicture(40, 30);
    p(big.get(), small.get(), TRect(0, 0, 40, 30), 4, 60);
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x) {
        const PixelClass c = Classify(*big, x, y);
        ASSERT_TRUE(c.Kind == PixelKind::New ? c.X < 20 && c.Y < 10 : c == (PixelClass{PixelKind::Old, x, y}))
            << n << " at " << x << "," << y;
      }
  }
}

// ---------------------------------------------------------------------------
// Pivots

struct PivotCase {
  int No;
  bool Right, Bottom;   // the pivot lies beyond the right / bottom edge
};
const PivotCase kPivots[] = {{119, false, false}, {120, false, true}, {121, true, false}, {122, true, true}};

// Every new pixel comes from where the rotation about the pivot maps it
// (16.16 fixed point: within a pixel of the exact mapping); every pixel whose
// exact source lies inside the new picture shows it; the others keep the old
// picture in place.
std::string PivotMismatch(const TBitmap& s, const PivotCase& p, int progress) {
  const int W = s.Width(), H = s.Height();
  const double cx = p.Right ? W : -1, cy = p.Bottom ? H : -1;
  const double a = (100 - progress) * kPi / 200;
  constexpr double slack = 0.05;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const double dx = x - cx, dy = y - cy;
      const double sx = dx * std::cos(a) - dy * std::sin(a) + cx, sy = dx * std::sin(a) + dy * std::cos(a) + cy;
      const bool clearlyInside = sx >= slack && sx < W - slack && sy >= slack && sy < H - slack;
      const PixelClass c = Classify(s, x, y);
      const bool ok = c.Kind == PixelKind::New
                          ? std::abs(c.X - sx) <= 1 + slack && std::abs(c.Y - sy) <= 1 + slack
                          : c == PixelClass{PixelKind::Old, x, y} && !clearlyInside;
      if (!ok) {
        std::ostringstream o;
        o << "pixel (" << x << ", " << y << ") maps to (" << sx << ", " << sy << ") but shows "
          << (c.Kind == PixelKind::New ? "new" : c.Kind == PixelKind::Old ? "old" : "other") << " (" << c.X << ", "
          << c.Y << ")";
        return o.str();
      }
    }
  return "";
}

TEST(ShapeEffects, PivotsTurnTheNewPictureInAboutTheirCorner) {
  for (const PivotCase& p : kPivots)
    for (const FrameSize& sz : kSizes)
      for (int progress : {1, 25, 50, 75, 99}) {
        SCOPED_TRACE(::testing::Message() << "effect " << p.No << " " << sz.Name << " progress " << progress);
        const ComposedFrame f = ComposeFrame(p.No, sz.W, sz.H, sz.Step, progress);
        EXPECT_EQ(PivotMismatch(*f.Screen, p, progress), "");
        // At 1 the picture is turned by 99/200 of a half turn: nearly all of
        // it lies outside the frame.
        if (progress == 1) {
          const FrameCensus c = Census(*f.Screen);
          EXPECT_LT(c.NewInPlace + c.NewMoved, sz.W * sz.H / 40);
        }
      }
}

// The pivots give exactly the shared bitmap rotation's frame.
TEST(ShapeEffects, PivotsMatchTheSharedRotation) {
  for (const PivotCase& p : kPivots)
    for (const FrameSize& sz : kSizes)
      for (int progress : {1, 33, 66, 99}) {
        const ComposedFrame f = ComposeFrame(p.No, sz.W, sz.H, sz.Step, progress);
        auto expected = MakeOldPicture(sz.W, sz.H);
        RotateBitmap(expected.get(), f.New.get(), p.Right ? sz.W : -1, p.Bottom ? sz.H : -1,
                     (100 - progress) * kPi / 200);
        int differing = 0;
        for (int y = 0; y < sz.H; ++y)
          for (int x = 0; x < sz.W; ++x) differing += RawPixel(*f.Screen, x, y) != RawPixel(*expected, x, y);
        EXPECT_EQ(differing, 0) << "effect " << p.No << " " << sz.Name << " progress " << progress;
      }
}

// ---------------------------------------------------------------------------
// Family membership and harmless degenerate calls

TEST(ShapeEffects, MembersAreTheFamilysAndInTheTable) {
  std::vector<int> members;
  for (const ShapeCase& c : Cases()) members.push_back(c.No);
  for (int n : {119, 120, 121, 122}) members.push_back(n);
  for (int n : members) {
    EXPECT_NE(ShapeEffectProc(n), nullptr) << n;
    EXPECT_EQ(EffectProc(n), ShapeEffectProc(n)) << n;
  }
  for (int other : {0, 1, 57, 60, 118, 123, 128, 135, 151, -3}) EXPECT_EQ(ShapeEffectProc(other), nullptr) << other;
}

// ---------------------------------------------------------------------------
// The reveal mask

// Column rectangles mark only their edges; the merge fills them in, also
// where they overlap, start above the mask or end at its bottom.
TEST(RevealMask, ColumnRectanglesMergeIntoTheMask) {
  TRevealMask mask(30, 20);
  mask.ColumnRect(2, -5, 6, 10);    // rows 0..9
  mask.ColumnRect(4, 5, 9, 30);     // rows 5..19, overlapping the first
  mask.ColumnRect(12, 15, 20, 3);   // reversed: rows 3..14
  mask.ColumnRect(25, 8, 25, 12);   // empty
  mask.MergeColumns(2);
  mask.ColumnRect(0, 18, 30, 20);   // merged by Apply with value 1
  auto screen = MakeOldPicture(30, 20), picture = MakeNewPicture(30, 20);
  mask.Apply(screen.get(), picture.get(), 1);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x) {
      const bool first = x >= 2 && x < 6 && y < 10, second = x >= 4 && x < 9 && y >= 5,
                 third = x >= 12 && x < 20 && y >= 3 && y < 15;
      EXPECT_EQ(mask.At(x, y) & 2, (first || second || third) ? 2 : 0) << x << "," << y;
      EXPECT_EQ(IsNewAt(*screen, x, y), y >= 18 && !(first || second || third)) << x << "," << y;
    }
  // A mask made while another is alive on the same thread has storage of
  // its own, cleared.
  TRevealMask inner(30, 20);
  inner.ColumnRect(0, 0, 1, 20);
  inner.MergeColumns();
  EXPECT_EQ(inner.At(0, 19), 1);
  EXPECT_EQ(inner.At(2, 0), 0);
}

TEST(RevealMask, ReusedStorageStartsClearedWhateverTheLastFrameWrote) {
  // Frames of different widths share the thread's storage: what one wrote
  // must read as clear in the next, and only the marked pixels are copied.
  const int sizes[][2] = {{130, 40}, {70, 60}, {200, 30}, {130, 40}};
  for (int k = 0; k < 4; ++k) {
    const int w = sizes[k][0], h = sizes[k][1];
    {
      TRevealMask mask(w, h);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) ASSERT_EQ(mask.At(x, y), 0) << k << ": " << x << "," << y;
      // A different pattern per frame: a long run from an odd column, a
      // column rectangle and a shape.
      mask.Rect(3 + k, 1, w - k, 4);
      mask.ColumnRect(w / 2, h / 3, w / 2 + 5 + k, h);
      mask.RoundRect(-w, 6, w / 3 + 7 * k, h - 2, w, w);
      auto screen = MakeOldPicture(w, h), picture = MakeNewPicture(w, h);
      mask.Apply(screen.get(), picture.get());
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) ASSERT_EQ(IsNewAt(*screen, x, y), mask.At(x, y) == 1) << k << ": " << x << "," << y;
      EXPECT_TRUE(IsNewAt(*screen, 3 + k, 1));
      EXPECT_TRUE(IsNewAt(*screen, w - k - 1, 3));
    }
  }
}


}  // namespace
