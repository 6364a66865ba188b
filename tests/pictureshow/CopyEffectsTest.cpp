// The copy-based effects (1..57, 128..135) on self-describing pictures: every
// frame is checked pixel by pixel against the copies the effect is made of.
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <vector>
#include "pictureshow/EffectFamilies.h"
#include "tests/pictureshow/EffectTestSupport.h"

using namespace effecttest;

namespace {

// One copy of an effect: destination D of the screen <- source Q of the new
// picture, or of the old picture for the first copy of a push.
struct Copy {
  TRect D, Q;
  PixelKind From = PixelKind::New;
};
using Plan = std::vector<Copy>;
using Planner = Plan (*)(const TEffectGeometry&);

Copy Same(const TRect& d) { return {d, d}; }
Copy All(const TEffectGeometry& g, const TRect& d) { return {d, TRect(0, 0, g.W, g.H)}; }
Copy Old(const TRect& d, const TRect& q) { return {d, q, PixelKind::Old}; }

// The copies of each effect, written from its description as
// (destination, source) pairs in drawing order. The unrolls (14, 15, 31, 32)
// have a mirrored copy and are checked on their own below.
const std::map<int, Planner>& Plans() {
  static const std::map<int, Planner> plans = {
      {1, [](const TEffectGeometry& g) { return Plan{All(g, {g.W - g.X, 0, g.W, g.H})}; }},
      {2, [](const TEffectGeometry& g) { return Plan{All(g, {0, 0, g.X, g.H})}; }},
      {3, [](const TEffectGeometry& g) { return Plan{All(g, {g.W - g.X, 0, 2 * g.W - g.X, g.H})}; }},
      {4, [](const TEffectGeometry& g) { return Plan{All(g, {g.X - g.W, 0, g.X, g.H})}; }},
      {5, [](const TEffectGeometry& g) { return Plan{Same({0, 0, g.X, g.H})}; }},
      {6, [](const TEffectGeometry& g) { return Plan{Same({g.W - g.X, 0, g.W, g.H})}; }},
      {7, [](const TEffectGeometry& g) { return Plan{{{0, 0, 2 * g.W - g.X, g.H}, {0, 0, g.X, g.H}}}; }},
      {8, [](const TEffectGeometry& g) { return Plan{{{g.X - g.W, 0, g.W, g.H}, {g.W - g.X, 0, g.W, g.H}}}; }},
      {9, [](const TEffectGeometry& g) {
         return Plan{{{g.X - g.W, 0, 2 * g.W - g.X, g.H}, {(g.W - g.X) / 2, 0, (g.W + g.X) / 2, g.H}}};
       }},
      {10, [](const TEffectGeometry& g) { return Plan{All(g, {(g.W - g.X) / 2, 0, (g.W + g.X) / 2, g.H})}; }},
      {11, [](const TEffectGeometry& g) { return Plan{Same({(g.W - g.X) / 2, 0, (g.W + g.X) / 2, g.H})}; }},
      {12, [](const TEffectGeometry& g) {
         return Plan{Same({0, 0, g.X / 2 + 1, g.H}), Same({g.W - g.X / 2 - 1, 0, g.W, g.H})};
       }},
      {13, [](const TEffectGeometry& g) {
         return Plan{{{0, 0, g.X / 2 + 1, g.H}, {0, 0, g.W / 2 + 1, g.H}},
                     {{g.W - g.X / 2 - 1, 0, g.W, g.H}, {g.W / 2, 0, g.W, g.H}}};
       }},
      {16, [](const TEffectGeometry& g) {
         const int strip = std::max(g.W / std::max(g.S, 1), 1);
         return Plan{Same({0, 0, g.X, g.H}), {{g.X, 0, g.W, g.H}, {g.X, 0, std::min(g.X + strip, g.W), g.H}}};
       }},
      {17, [](const TEffectGeometry& g) {
         const int strip = std::max(g.W / std::max(g.S, 1), 1);
         return Plan{Same({g.W - g.X, 0, g.W, g.H}),
                     {{0, 0, g.W - g.X, g.H}, {std::max(g.W - g.X - strip, 0), 0, g.W - g.X, g.H}}};
       }},
      {18, [](const TEffectGeometry& g) { return Plan{All(g, {0, g.H - g.Y, g.W, g.H})}; }},
      {19, [](const TEffectGeometry& g) { return Plan{All(g, {0, 0, g.W, g.Y})}; }},
      {20, [](const TEffectGeometry& g) { return Plan{All(g, {0, g.H - g.Y, g.W, 2 * g.H - g.Y})}; }},
      {21, [](const TEffectGeometry& g) { return Plan{All(g, {0, g.Y - g.H, g.W, g.Y})}; }},
      {22, [](const TEffectGeometry& g) { return Plan{Same({0, 0, g.W, g.Y})}; }},
      {23, [](const TEffectGeometry& g) { return Plan{Same({0, g.H - g.Y, g.W, g.H})}; }},
      {24, [](const TEffectGeometry& g) { return Plan{{{0, 0, g.W, 2 * g.H - g.Y}, {0, 0, g.W, g.Y}}}; }},
      {25, [](const TEffectGeometry& g) { return Plan{{{0, g.Y - g.H, g.W, g.H}, {0, g.H - g.Y, g.W, g.H}}}; }},
      {26, [](const TEffectGeometry& g) {
         return Plan{{{0, g.Y - g.H, g.W, 2 * g.H - g.Y}, {0, (g.H - g.Y) / 2, g.W, (g.H + g.Y) / 2}}};
       }},
      {27, [](const TEffectGeometry& g) { return Plan{All(g, {0, (g.H - g.Y) / 2, g.W, (g.H + g.Y) / 2})}; }},
      {28, [](const TEffectGeometry& g) { return Plan{Same({0, (g.H - g.Y) / 2, g.W, (g.H + g.Y) / 2})}; }},
      {29, [](const TEffectGeometry& g) {
         return Plan{Same({0, 0, g.W, g.Y / 2 + 1}), Same({0, g.H - g.Y / 2 - 1, g.W, g.H})};
       }},
      {30, [](const TEffectGeometry& g) {
         return Plan{{{0, 0, g.W, g.Y / 2 + 1}, {0, 0, g.W, g.H / 2 + 1}},
                     {{0, g.H - g.Y / 2 - 1, g.W, g.H}, {0, g.H / 2, g.W, g.H}}};
       }},
      {33, [](const TEffectGeometry& g) {
         const int strip = std::max(g.H / std::max(g.S, 1), 1);
         return Plan{Same({0, 0, g.W, g.Y}), {{0, g.Y, g.W, g.H}, {0, g.Y, g.W, std::min(g.Y + strip, g.H)}}};
       }},
      {34, [](const TEffectGeometry& g) {
         const int strip = std::max(g.H / std::max(g.S, 1), 1);
         return Plan{Same({0, g.H - g.Y, g.W, g.H}),
                     {{0, 0, g.W, g.H - g.Y}, {0, std::max(g.H - g.Y - strip, 0), g.W, g.H - g.Y}}};
       }},
      {35, [](const TEffectGeometry& g) { return Plan{All(g, {g.W - g.X, g.H - g.Y, g.W, g.H})}; }},
      {36, [](const TEffectGeometry& g) { return Plan{All(g, {g.W - g.X, 0, g.W, g.Y})}; }},
      {37, [](const TEffectGeometry& g) { return Plan{All(g, {0, 0, g.X, g.Y})}; }},
      {38, [](const TEffectGeometry& g) { return Plan{All(g, {0, g.H - g.Y, g.X, g.H})}; }},
      {39, [](const TEffectGeometry& g) { return Plan{All(g, {g.W - g.X, g.H - g.Y, 2 * g.W - g.X, 2 * g.H - g.Y})}; }},
      {40, [](const TEffectGeometry& g) { return Plan{All(g, {g.W - g.X, g.Y - g.H, 2 * g.W - g.X, g.Y})}; }},
      {41, [](const TEffectGeometry& g) { return Plan{All(g, {g.X - g.W, g.Y - g.H, g.X, g.Y})}; }},
      {42, [](const TEffectGeometry& g) { return Plan{All(g, {g.X - g.W, g.H - g.Y, g.X, 2 * g.H - g.Y})}; }},
      {43, [](const TEffectGeometry& g) { return Plan{Same({0, 0, g.X, g.Y})}; }},
      {44, [](const TEffectGeometry& g) { return Plan{Same({0, g.H - g.Y, g.X, g.H})}; }},
      {45, [](const TEffectGeometry& g) { return Plan{Same({g.W - g.X, g.H - g.Y, g.W, g.H})}; }},
      {46, [](const TEffectGeometry& g) { return Plan{Same({g.W - g.X, 0, g.W, g.Y})}; }},
      {47, [](const TEffectGeometry& g) { return Plan{{{0, 0, 2 * g.W - g.X, 2 * g.H - g.Y}, {0, 0, g.X, g.Y}}}; }},
      {48, [](const TEffectGeometry& g) {
         return Plan{{{0, g.Y - g.H, 2 * g.W - g.X, g.H}, {0, g.H - g.Y, g.X, g.H}}};
       }},
      {49, [](const TEffectGeometry& g) {
         return Plan{{{g.X - g.W, g.Y - g.H, g.W, g.H}, {g.W - g.X, g.H - g.Y, g.W, g.H}}};
       }},
      {50, [](const TEffectGeometry& g) {
         return Plan{{{g.X - g.W, 0, g.W, 2 * g.H - g.Y}, {g.W - g.X, 0, g.W, g.Y}}};
       }},
      {51, [](const TEffectGeometry& g) {
         return Plan{{{g.X - g.W, g.Y - g.H, 2 * g.W - g.X, 2 * g.H - g.Y},
                      {(g.W - g.X) / 2, (g.H - g.Y) / 2, (g.W + g.X) / 2, (g.H + g.Y) / 2}}};
       }},
      {52, [](const TEffectGeometry& g) {
         return Plan{All(g, {(g.W - g.X) / 2, (g.H - g.Y) / 2, (g.W + g.X) / 2, (g.H + g.Y) / 2})};
       }},
      {53, [](const TEffectGeometry& g) {
         return Plan{Same({(g.W - g.X) / 2, (g.H - g.Y) / 2, (g.W + g.X) / 2, (g.H + g.Y) / 2})};
       }},
      {54, [](const TEffectGeometry& g) {
         return Plan{Same({0, 0, g.W, g.Y / 2}), Same({0, g.H - g.Y / 2, g.W, g.H}), Same({0, 0, g.X / 2, g.H}),
                     Same({g.W - g.X / 2, 0, g.W, g.H})};
       }},
      {55, [](const TEffectGeometry& g) {
         const int x = g.X / 2 + 1, y = g.Y / 2 + 1;
         return Plan{Same({0, 0, x, y}), Same({0, g.H - y, x, g.H}), Same({g.W - x, g.H - y, g.W, g.H}),
                     Same({g.W - x, 0, g.W, y})};
       }},
      {56, [](const TEffectGeometry& g) {
         const int w2 = g.W / 2 + 1, h2 = g.H / 2 + 1;
         return Plan{{{0, 0, g.X / 2 + 1, g.Y / 2 + 1}, {0, 0, w2, h2}},
                     {{0, g.H - g.Y / 2, g.X / 2 + 1, g.H}, {0, h2, w2, g.H}},
                     {{g.W - g.X / 2, g.H - g.Y / 2, g.W, g.H}, {w2, h2, g.W, g.H}},
                     {{g.W - g.X / 2, 0, g.W, g.Y / 2 + 1}, {w2, 0, g.W, h2}}};
       }},
      {57, [](const TEffectGeometry& g) {
         const int w2 = g.W / 2 + 1, h2 = g.H / 2 + 1;
         return Plan{{{(g.X - g.W) / 2, 0, g.X / 2 + 1, h2}, {0, 0, w2, h2}},
                     {{g.W / 2 - 1, (g.Y - g.H) / 2, g.W, g.Y / 2 + 1}, {g.W / 2 - 1, 0, g.W, h2}},
                     {{g.W - g.X / 2, g.H / 2 - 1, g.W + (g.W - g.X) / 2, g.H}, {w2, g.H / 2 - 1, g.W, g.H}},
                     {{0, g.H - g.Y / 2, w2, g.H + (g.H - g.Y) / 2}, {0, h2, w2, g.H}}};
       }},
      {128, [](const TEffectGeometry& g) {
         return Plan{Old({g.X, 0, g.W, g.H}, {0, 0, g.W - g.X, g.H}), {{0, 0, g.X, g.H}, {g.W - g.X, 0, g.W, g.H}}};
       }},
      {129, [](const TEffectGeometry& g) {
         return Plan{Old({0, 0, g.W - g.X, g.H}, {g.X, 0, g.W, g.H}), {{g.W - g.X, 0, g.W, g.H}, {0, 0, g.X, g.H}}};
       }},
      {130, [](const TEffectGeometry& g) {
         return Plan{Old({g.X, 0, g.W, g.H}, {0, 0, g.W, g.H}), {{0, 0, g.X, g.H}, {g.W - g.X, 0, g.W, g.H}}};
       }},
      {131, [](const TEffectGeometry& g) {
         return Plan{Old({0, 0, g.W - g.X, g.H}, {0, 0, g.W, g.H}), {{g.W - g.X, 0, g.W, g.H}, {0, 0, g.X, g.H}}};
       }},
      {132, [](const TEffectGeometry& g) {
         return Plan{Old({0, g.Y, g.W, g.H}, {0, 0, g.W, g.H - g.Y}), {{0, 0, g.W, g.Y}, {0, g.H - g.Y, g.W, g.H}}};
       }},
      {133, [](const TEffectGeometry& g) {
         return Plan{Old({0, 0, g.W, g.H - g.Y}, {0, g.Y, g.W, g.H}), {{0, g.H - g.Y, g.W, g.H}, {0, 0, g.W, g.Y}}};
       }},
      {134, [](const TEffectGeometry& g) {
         return Plan{Old({0, g.Y, g.W, g.H}, {0, 0, g.W, g.H}), {{0, 0, g.W, g.Y}, {0, g.H - g.Y, g.W, g.H}}};
       }},
      {135, [](const TEffectGeometry& g) {
         return Plan{Old({0, 0, g.W, g.H - g.Y}, {0, 0, g.W, g.H}), {{0, g.H - g.Y, g.W, g.H}, {0, 0, g.W, g.Y}}};
       }},
  };
  return plans;
}

// Whether source coordinate s is what a nearest-neighbour stretch of the
// source span [q0, q1) over the destination span [d0, d1) may pick for
// destination coordinate d: exact when the spans are equally long, else within
// one pixel of the linear map (pixel centres to pixel centres).
bool MapsTo(int d, int s, int d0, int d1, int q0, int q1) {
  if (d1 - d0 == q1 - q0) return s == q0 + (d - d0);
  if (s < q0 || s >= q1) return false;
  const double exact = q0 + (d - d0 + 0.5) * double(q1 - q0) / double(d1 - d0) - 0.5;
  return std::fabs(s - exact) <= 1.0;
}

std::string Describe(int x, int y, const PixelClass& p) {
  std::ostringstream o;
  o << "at (" << x << ", " << y << "): "
    << (p.Kind == PixelKind::Old ? "old" : p.Kind == PixelKind::New ? "new" : "other") << " (" << p.X << ", "
    << p.Y << ")";
  return o.str();
}

// Checks a composed frame against a plan: every pixel comes from the last copy
// whose destination holds it, mapped (exactly or linearly) from that copy's
// source, and source coordinates never run backwards within a copy; pixels no
// copy reaches keep the old picture in place. Returns the number of wrong
// pixels and describes the first one.
int CheckPlan(const TBitmap& screen, const Plan& plan, std::string& first) {
  const int w = screen.Width(), h = screen.Height();
  int wrong = 0;
  auto fail = [&](const std::string& why) {
    if (wrong++ == 0) first = why;
  };
  std::vector<int> owner(size_t(w) * h, -1);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int k = int(plan.size()) - 1;
      while (k >= 0 && !(plan[k].D.Contains(TPoint(x, y)) && !plan[k].Q.IsEmpty())) --k;
      owner[size_t(y) * w + x] = k;
      const PixelClass p = Classify(screen, x, y);
      if (k < 0) {
        if (!(p == PixelClass{PixelKind::Old, x, y})) fail("outside every copy " + Describe(x, y, p));
        continue;
      }
      const Copy& c = plan[k];
      if (p.Kind != c.From || !MapsTo(x, p.X, c.D.Left, c.D.Right, c.Q.Left, c.Q.Right) ||
          !MapsTo(y, p.Y, c.D.Top, c.D.Bottom, c.Q.Top, c.Q.Bottom))
        fail("copy " + std::to_string(k) + " " + Describe(x, y, p));
      if (x > 0 && owner[size_t(y) * w + x - 1] == k && Classify(screen, x - 1, y).X > p.X)
        fail("columns run backwards " + Describe(x, y, p));
      if (y > 0 && owner[size_t(y - 1) * w + x] == k && Classify(screen, x, y - 1).Y > p.Y)
        fail("rows run backwards " + Describe(x, y, p));
    }
  return wrong;
}

struct Size {
  int W, H;
};

// Odd landscape, odd portrait, and a size whose sides divide evenly.
const Size kSizes[] = {{97, 61}, {61, 97}, {160, 90}};
const int kProgresses[] = {25, 50, 75};

TEST(CopyEffects, EveryFrameIsTheCopiesOfItsEffect) {
  for (const auto& [number, planner] : Plans())
    for (const Size& s : kSizes)
      for (int progress : kProgresses)
        for (uint16_t step : {uint16_t(4), uint16_t(37)}) {
          SCOPED_TRACE(::testing::Message() << "effect " << number << " " << s.W << "x" << s.H << " progress "
                                            << progress << " step " << step);
          const ComposedFrame f = ComposeFrame(number, s.W, s.H, step, progress);
          const Plan plan = planner(EffectGeometry(TRect(0, 0, s.W, s.H), step, progress));
          std::string first;
          EXPECT_EQ(CheckPlan(*f.Screen, plan, first), 0) << first << "\n" << FrameSketch(*f.Screen);
        }
}

TEST(CopyEffects, ExpandFromRightAtProgressOneIsAFourPixelColumn) {
  const ComposedFrame f = ComposeFrame(1, 400, 300, 4, 1);
  for (int y : {0, 150, 299}) {
    EXPECT_TRUE(IsOldAt(*f.Screen, 395, y));
    for (int x = 396; x < 400; ++x) EXPECT_EQ(Classify(*f.Screen, x, y).Kind, PixelKind::New) << x;
  }
  // The whole width of the new picture is squeezed into the four columns.
  EXPECT_LT(Classify(*f.Screen, 396, 0).X, 100);
  EXPECT_GE(Classify(*f.Screen, 399, 0).X, 300);
}

TEST(CopyEffects, TheTwoPairsOfEqualNamesDrawDifferently) {
  for (auto [a, b] : {std::pair{18, 33}, std::pair{25, 34}}) {
    const ComposedFrame fa = ComposeFrame(a, 97, 61, 4, 50), fb = ComposeFrame(b, 97, 61, 4, 50);
    EXPECT_EQ(EffectName(a), EffectName(b));
    const FrameCensus ca = Census(*fa.Screen), cb = Census(*fb.Screen);
    EXPECT_GT(cb.NewInPlace, 0) << b << " uncovers part of the new picture in place";
    EXPECT_NE(ca.NewInPlace, cb.NewInPlace) << a << " vs " << b;
  }
}

// The build-up effects stretch a strip of (side div S) pixels over the rest of
// the frame. When S is 0 (a side under 45 pixels at step 1) it counts as 1, so
// the strip is the whole remaining part and the frame is the new picture in
// place; when S exceeds the side, the strip is one pixel wide.
TEST(CopyEffects, BuildUpStripWithZeroOrOversizedStep) {
  for (int number : {16, 17, 33, 34}) {
    SCOPED_TRACE(number);
    ASSERT_EQ(EffectGeometry(TRect(0, 0, 40, 30), 1, 50).S, 0);
    const ComposedFrame zero = ComposeFrame(number, 40, 30, 1, 50);
    EXPECT_EQ(FirstMismatch(*zero.Screen, [](int, int) { return true; }), TPoint(-1, -1))
        << FrameSketch(*zero.Screen, 2);

    const TEffectGeometry g = EffectGeometry(TRect(0, 0, 97, 61), 100, 50);
    ASSERT_GT(g.S, g.W);
    const ComposedFrame wide = ComposeFrame(number, 97, 61, 100, 50);
    std::set<int> stripSources;
    for (int y = 0; y < 61; ++y)
      for (int x = 0; x < 97; ++x) {
        const PixelClass p = Classify(*wide.Screen, x, y);
        ASSERT_EQ(p.Kind, PixelKind::New) << Describe(x, y, p);
        if (p.X != x || p.Y != y) stripSources.insert(number <= 17 ? p.X : p.Y);
      }
    // Everything off its place comes from the single row or column next to the
    // uncovered part.
    EXPECT_EQ(stripSources.size(), 1u);
  }
}

// The unrolls: the new picture uncovered in place up to the edge, then its
// next strip mirrored between the edge and the roll edge e, the old picture
// beyond. Roll edges worked out by hand for each branch of the rule, among
// them the documented case: 14 at X = 60 on a 400-wide picture rolls at 90,
// mirroring the strip 90..120 into 60..90.
struct UnrollCase {
  int Number, W, H, Progress, E;
};
const UnrollCase kUnrolls[] = {
    {14, 400, 300, 15, 90},  {14, 400, 300, 50, 240}, {14, 400, 300, 90, 380}, {14, 97, 61, 25, 33},
    {14, 97, 61, 50, 58},    {14, 97, 61, 75, 82},    {14, 61, 97, 50, 37},    {15, 400, 300, 15, 310},
    {15, 400, 300, 50, 160}, {15, 400, 300, 90, 20},  {15, 97, 61, 25, 64},    {15, 97, 61, 50, 39},
    {15, 97, 61, 75, 15},    {31, 300, 400, 15, 90},  {31, 300, 400, 50, 240}, {31, 300, 400, 90, 380},
    {31, 97, 61, 25, 21},    {31, 97, 61, 50, 37},    {31, 97, 61, 75, 52},    {32, 300, 400, 15, 310},
    {32, 300, 400, 50, 160}, {32, 300, 400, 90, 20},  {32, 97, 61, 25, 40},    {32, 97, 61, 50, 24},
    {32, 97, 61, 75, 9},     {14, 97, 61, 15, 22},    {14, 97, 61, 85, 89},    {15, 97, 61, 15, 75},
    {15, 97, 61, 85, 8},     {31, 97, 61, 15, 13},    {31, 97, 61, 85, 56},    {32, 97, 61, 15, 48},
    {32, 97, 61, 85, 5},
};

TEST(CopyEffects, UnrollMirrorsTheStripBeyondTheEdge) {
  for (const UnrollCase& u : kUnrolls) {
    SCOPED_TRACE(::testing::Message() << "effect " << u.Number << " " << u.W << "x" << u.H << " progress "
                                      << u.Progress);
    const ComposedFrame f = ComposeFrame(u.Number, u.W, u.H, 4, u.Progress);
    const TEffectGeometry g = EffectGeometry(TRect(0, 0, u.W, u.H), 4, u.Progress);
    const bool across = u.Number == 14 || u.Number == 15;
    const bool fromStart = u.Number == 14 || u.Number == 31;
    const int side = across ? u.W : u.H;
    const int edge = fromStart ? (across ? g.X : g.Y) : side - (across ? g.X : g.Y);
    // Along the rolling axis: the uncovered part, the mirrored strip [a, b)
    // taken from [q0, q1), the old picture.
    const int a = std::min(edge, u.E), b = std::max(edge, u.E);
    const int q0 = fromStart ? u.E : 2 * u.E - edge, q1 = fromStart ? 2 * u.E - edge : u.E;
    int wrong = 0;
    std::string first;
    for (int y = 0; y < u.H; ++y)
      for (int x = 0; x < u.W; ++x) {
        const int t = across ? x : y;   // along the rolling axis
        const PixelClass p = Classify(*f.Screen, x, y);
        const int pt = across ? p.X : p.Y, pn = across ? p.Y : p.X, n = across ? y : x;
        bool ok = true;
        if (fromStart ? t < edge : t >= edge) {
          ok = p == PixelClass{PixelKind::New, x, y};
        } else if (t > a && t < b - 1) {
          // Mirrored: the source runs backwards over [q0, q1), linearly (the
          // mirrored destination is a pixel wider on each side).
          const double mirror = q1 - 0.5 - (t + 0.5 - a) * double(q1 - q0) / double(b - a);
          ok = p.Kind == PixelKind::New && pn == n && std::fabs(pt - mirror) <= 1.5;
        } else if (t < a - 1 || t > b + 1) {
          ok = p == PixelClass{PixelKind::Old, x, y};
        }
        if (!ok && wrong++ == 0) first = Describe(x, y, p);
      }
    EXPECT_EQ(wrong, 0) << first << "\n" << FrameSketch(*f.Screen);
  }
}

// Pictures down to one pixel, every step size extreme and the ends of a run:
// nothing is read outside a bitmap (the sanitizer build checks that) and every
// pixel still shows the old or the new picture.
TEST(CopyEffects, TinyPicturesStayPictures) {
  const Size tiny[] = {{1, 1}, {1, 5}, {5, 1}, {2, 2}, {3, 7}, {7, 3}, {44, 2}};
  for (int number = 1; number <= EffectCount; ++number) {
    if (!CopyEffectProc(number)) continue;
    for (const Size& s : tiny)
      for (int progress : {1, 50, 99})
        for (uint16_t step : {uint16_t(1), uint16_t(100)}) {
          SCOPED_TRACE(::testing::Message() << "effect " << number << " " << s.W << "x" << s.H << " progress "
                                            << progress << " step " << step);
          const ComposedFrame f = ComposeFrame(number, s.W, s.H, step, progress);
          const FrameCensus c = Census(*f.Screen);
          EXPECT_EQ(c.Other, 0) << FrameSketch(*f.Screen, 1);
        }
  }
  // An empty frame draws nothing and does not fail.
  TBitmap screen, picture;
  for (int number = 1; number <= EffectCount; ++number)
    if (TEffectProc p = CopyEffectProc(number)) p(&screen, &picture, TRect(0, 0, 0, 0), 4, 50);
}

TEST(CopyEffects, TheFamilyOwnsExactlyItsNumbers) {
  std::set<TEffectProc> seen;
  for (int number = -1; number <= EffectCount + 1; ++number) {
    const bool owned = (number >= 1 && number <= 57) || (number >= 128 && number <= 135);
    const TEffectProc p = CopyEffectProc(number);
    EXPECT_EQ(p != nullptr, owned) << number;
    if (p) {
      EXPECT_TRUE(seen.insert(p).second) << number << " shares its procedure";
      EXPECT_EQ(EffectProc(number), p) << number << " is reached through the table";
    }
  }
  EXPECT_EQ(seen.size(), 65u);
}

}  // namespace
