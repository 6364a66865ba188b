// The strip-pattern effects (bars, uneven shreds, criss-cross bars, speckles)
// on self-describing pictures: every pixel of a frame must be the old or the
// new picture's own pixel, and the new ones must form exactly the strip
// region that the member's builder gives.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>
#include "pictureshow/EffectFamilies.h"
#include "pictureshow/EffectsShapeMask.h"
#include "tests/pictureshow/EffectTestSupport.h"

using namespace effecttest;

namespace {

struct FrameSize {
  int W, H;
  uint16_t Step;
  const char* Name;
};

// Landscape, odd, portrait, and a picture whose step size S is 0.
const FrameSize kSizes[] = {{400, 300, 4, "400x300"}, {97, 61, 4, "97x61"}, {61, 97, 4, "61x97"},
                            {40, 30, 1, "40x30 step 1"}};
const int kProgress[] = {25, 50, 75};

enum class Pattern { Bars, Shred, Speckle, CrossOverlap };

// A member and the builder arguments its row of the family table gives:
// PX = XMul * X, PY = YMul * Y, S or 0, RowMode, ColMode.
struct Member {
  int No;
  Pattern Kind;
  int XMul, YMul;
  bool UseS;
  int Row, Col;
};

const Member kMembers[] = {
    {60, Pattern::Bars, 2, 0, true, 1, 0},    {61, Pattern::Bars, 2, 0, true, 2, 0},
    {62, Pattern::Bars, 2, 0, true, 4, 0},    {63, Pattern::Bars, 2, 0, true, 5, 0},
    {64, Pattern::Bars, 1, 0, false, 3, 0},   {71, Pattern::Bars, 0, 2, true, 0, 1},
    {72, Pattern::Bars, 0, 2, true, 0, 2},    {73, Pattern::Bars, 0, 2, true, 0, 4},
    {74, Pattern::Bars, 0, 2, true, 0, 5},    {75, Pattern::Bars, 0, 1, false, 0, 3},
    {86, Pattern::Bars, 2, 2, true, 1, 1},    {87, Pattern::Bars, 2, 2, true, 1, 2},
    {88, Pattern::Bars, 2, 2, true, 2, 1},    {89, Pattern::Bars, 2, 2, true, 2, 2},
    {90, Pattern::Bars, 2, 2, true, 4, 4},    {91, Pattern::Bars, 2, 2, true, 4, 5},
    {92, Pattern::Bars, 2, 2, true, 5, 4},    {93, Pattern::Bars, 2, 2, true, 5, 5},
    {94, Pattern::Bars, 1, 1, true, 1, 3},    {95, Pattern::Bars, 1, 1, true, 2, 3},
    {96, Pattern::Bars, 1, 1, true, 3, 1},    {97, Pattern::Bars, 1, 1, true, 3, 2},
    {98, Pattern::Bars, 1, 1, false, 3, 3},   {99, Pattern::CrossOverlap, 2, 2, true, 0, 0},
    {65, Pattern::Shred, 1, 1, false, 1, 0},  {66, Pattern::Shred, 1, 1, false, 2, 0},
    {67, Pattern::Shred, 1, 1, false, 3, 0},  {68, Pattern::Shred, 1, 1, false, 4, 0},
    {76, Pattern::Shred, 1, 1, false, 0, 1},  {77, Pattern::Shred, 1, 1, false, 0, 2},
    {78, Pattern::Shred, 1, 1, false, 0, 3},  {79, Pattern::Shred, 1, 1, false, 0, 4},
    {100, Pattern::Shred, 1, 1, false, 1, 1}, {101, Pattern::Shred, 1, 1, false, 1, 2},
    {102, Pattern::Shred, 1, 1, false, 2, 1}, {103, Pattern::Shred, 1, 1, false, 2, 2},
    {104, Pattern::Shred, 1, 1, false, 1, 3}, {105, Pattern::Shred, 1, 1, false, 2, 3},
    {106, Pattern::Shred, 1, 1, false, 3, 1}, {107, Pattern::Shred, 1, 1, false, 3, 2},
    {108, Pattern::Shred, 1, 1, false, 3, 3}, {109, Pattern::Shred, 1, 1, false, 4, 4},
    {123, Pattern::Speckle, 1, 1, false, 1, 0}, {124, Pattern::Speckle, 1, 1, false, 2, 0},
    {125, Pattern::Speckle, 1, 1, false, 0, 1}, {126, Pattern::Speckle, 1, 1, false, 0, 2},
};

TRegion Take(HRGN h) {
  TRegion r = *h;
  DeleteObject(h);
  return r;
}

// The member's region for this frame from the shared builders; the shred and
// speckle builders draw from rng.
TRegion ExpectedRegion(const Member& m, const TEffectGeometry& g, TEffectRandom& rng) {
  const int PX = m.XMul * g.X, PY = m.YMul * g.Y;
  switch (m.Kind) {
    case Pattern::Bars: return Take(CreateBarsRgn(PX, PY, g.W, g.H, m.UseS ? g.S : 0, m.Row, m.Col));
    case Pattern::CrossOverlap:
      return Take(CreateBarsRgn(PX, PY, g.W, g.H, g.S, 1, 1))
          .Combined(Take(CreateBarsRgn(PX, PY, g.W, g.H, g.S, 2, 2)), RGN_AND);
    case Pattern::Shred: return Take(CreateShredRgn(PX, PY, g.W, g.H, m.Row, m.Col, rng));
    case Pattern::Speckle: return Take(CreateSpeckleRgn(PX, PY, g.W, g.H, m.Row, m.Col, rng));
  }
  return TRegion();
}

// "" when every pixel is the new picture's own where expectNew holds and the
// old picture's own elsewhere; else where and how it is not.
std::string FrameMismatch(const TBitmap& s, const std::function<bool(int, int)>& expectNew) {
  const TPoint p = FirstMismatch(s, expectNew);
  if (p.X < 0) return "";
  std::ostringstream o;
  o << "at (" << p.X << ", " << p.Y << ") expected " << (expectNew(p.X, p.Y) ? "new" : "old") << "\n"
    << FrameSketch(s, 8);
  return o.str();
}

std::string FrameMismatch(const TBitmap& s, const TRegion& expected) {
  // The region's rectangles laid out as one flag per pixel.
  const int W = s.Width(), H = s.Height();
  std::vector<char> in(size_t(W) * size_t(H));
  for (const TRect& r : expected.Rects())
    for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, H); ++y)
      for (int x = std::max(r.Left, 0); x < std::min(r.Right, W); ++x) in[size_t(y) * W + x] = 1;
  return FrameMismatch(s, [&](int x, int y) { return in[size_t(y) * W + x] != 0; });
}

bool RowIsNewExactlyIn(const TBitmap& s, int y, int from, int to) {
  for (int x = 0; x < s.Width(); ++x)
    if ((x >= from && x < to) ? !IsNewAt(s, x, y) : !IsOldAt(s, x, y)) return false;
  return true;
}

// ---------------------------------------------------------------------------

TEST(StripEffects, EveryMemberShowsExactlyItsStripRegion) {
  for (const Member& m : kMembers)
    for (const FrameSize& sz : kSizes)
      for (int progress : kProgress) {
        SCOPED_TRACE(::testing::Message() << "effect " << m.No << " " << sz.Name << " progress " << progress);
        const uint32_t seed = 1000u + uint32_t(m.No) * 7u + uint32_t(progress);
        TEffectRandom drawn(seed), replay(seed);
        const ComposedFrame f = ComposeFrame(m.No, sz.W, sz.H, sz.Step, progress, &drawn);
        const TEffectGeometry g = EffectGeometry(TRect(0, 0, sz.W, sz.H), sz.Step, progress);
        const TRegion expected = ExpectedRegion(m, g, replay);
        EXPECT_EQ(FrameMismatch(*f.Screen, expected), "");
        // The effect drew exactly as many numbers as the builder.
        EXPECT_EQ(drawn.Seed(), replay.Seed());
      }
}

TEST(StripEffects, MembersAreTheFamilysAndInTheTable) {
  for (const Member& m : kMembers) {
    EXPECT_NE(StripEffectProc(m.No), nullptr) << m.No;
    EXPECT_EQ(EffectProc(m.No), StripEffectProc(m.No)) << m.No;
  }
  for (int other : {0, 1, 58, 59, 69, 70, 80, 110, 118, 127, 150, 151, -1})
    EXPECT_EQ(StripEffectProc(other), nullptr) << other;
}

// Row by row on 400 x 300, Step 4: the first set of rows (y mod 10 < 5) and
// the second, each as the columns [from, to) that show the new picture.
struct RowProfile {
  int No, Progress;
  int FirstFrom, FirstTo, SecondFrom, SecondTo;
};
const RowProfile kRowProfiles[] = {
    {60, 25, 200, 400, 0, 0},     // X = 100: 2X from the right
    {60, 75, 0, 400, 200, 400},   // second half: first set full, 2X - W from the right
    {62, 50, 0, 400, 0, 0},       // 2X = W: still the first half
    {62, 51, 0, 400, 392, 400},   // 2X = W + 8: the second set starts from the right
    {64, 99, 4, 400, 0, 396},     // both sides at once, never a second half
};

TEST(StripEffects, BarsFillOneSetOfRowsPerHalfOfTheRun) {
  for (const RowProfile& p : kRowProfiles) {
    const ComposedFrame f = ComposeFrame(p.No, 400, 300, 4, p.Progress);
    for (int y = 0; y < 300; ++y) {
      const bool first = y % 10 < 5;
      EXPECT_TRUE(RowIsNewExactlyIn(*f.Screen, y, first ? p.FirstFrom : p.SecondFrom, first ? p.FirstTo : p.SecondTo))
          << "effect " << p.No << " progress " << p.Progress << " row " << y;
    }
  }
  // Columns alike: 75 at 99 (Y = 297) from the bottom and the top at once.
  const ComposedFrame cols = ComposeFrame(75, 400, 300, 4, 99);
  EXPECT_EQ(FrameMismatch(*cols.Screen, [](int x, int y) { return x % 10 < 5 ? y >= 3 : y < 297; }), "");
}

// Below 7 pixels of width the jitter range is 0: shreds have straight edges
// whatever the generator holds.
TEST(StripEffects, NarrowPicturesGiveStraightShreds) {
  for (uint32_t seed : {1u, 99u, 123456u}) {
    TEffectRandom rng(seed);
    const ComposedFrame f = ComposeFrame(65, 6, 40, 4, 50, &rng);   // Y = 20, X = 3
    for (int y = 0; y < 40; ++y) EXPECT_TRUE(RowIsNewExactlyIn(*f.Screen, y, 3, 6)) << "seed " << seed << " row " << y;
  }
}

// Below 10 pixels of width the spread is 0: speckle rows are the bare front.
TEST(StripEffects, NarrowPicturesGiveSpeckleRowsWithoutCells) {
  for (uint32_t seed : {1u, 77u}) {
    TEffectRandom rng(seed);
    const ComposedFrame f = ComposeFrame(124, 9, 50, 4, 50, &rng);   // Y = 25, X = 5 (rounded 4.5)
    const TEffectGeometry g = EffectGeometry(TRect(0, 0, 9, 50), 4, 50);
    for (int y = 0; y < 50; ++y) EXPECT_TRUE(RowIsNewExactlyIn(*f.Screen, y, 0, g.X)) << "row " << y;
  }
}

// The generator is not reseeded: two frames in a row draw different edges,
// and the frames follow the picture show's generator, not a private one.
TEST(StripEffects, ShredsAndSpecklesDrawFreshJitterEveryFrame) {
  for (int no : {65, 78, 108, 123, 126}) {
    TEffectRandom rng(5);
    const ComposedFrame a = ComposeFrame(no, 400, 300, 4, 50, &rng);
    const ComposedFrame b = ComposeFrame(no, 400, 300, 4, 50, &rng);
    TEffectRandom again(5);
    const ComposedFrame c = ComposeFrame(no, 400, 300, 4, 50, &again);
    const FrameCensus ca = Census(*a.Screen), cb = Census(*b.Screen);
    EXPECT_EQ(ca.OldMoved + ca.NewMoved + ca.Other, 0) << no;
    bool differs = false, same = true;
    for (int y = 0; y < 300; ++y)
      for (int x = 0; x < 400; ++x) {
        differs |= RawPixel(*a.Screen, x, y) != RawPixel(*b.Screen, x, y);
        same &= RawPixel(*a.Screen, x, y) == RawPixel(*c.Screen, x, y);
      }
    EXPECT_TRUE(differs) << no;
    EXPECT_TRUE(same) << no;
    EXPECT_GT(cb.NewInPlace, 0) << no;
  }
}

// The masks stamp the same regions as the shared builders, also for
// arguments that no member passes (beyond the edges, negative, huge S).
TEST(StripEffects, MasksMatchTheSharedBuildersForAnyArguments) {
  std::srand(42);
  for (int round = 0; round < 300; ++round) {
    const int W = 1 + std::rand() % 90, H = 1 + std::rand() % 90;
    const int PX = std::rand() % (2 * W + 20) - 10, PY = std::rand() % (2 * H + 20) - 10;
    const int S = std::rand() % 40;
    const int row = std::rand() % 6, col = std::rand() % 6;
    SCOPED_TRACE(::testing::Message() << W << "x" << H << " P " << PX << "," << PY << " S " << S << " modes "
                                      << row << "," << col);
    const uint32_t seed = uint32_t(std::rand());
    for (int kind = 0; kind < 3; ++kind) {
      TEffectRandom r1(seed), r2(seed);
      TRevealMask mask(W, H);
      TRegion expected;
      if (kind == 0) {
        BarsMask(mask, PX, PY, W, H, S, row, col);
        expected = Take(CreateBarsRgn(PX, PY, W, H, S, row, col));
      } else if (kind == 1) {
        ShredMask(mask, PX, PY, W, H, row % 5, col % 5, r1);
        expected = Take(CreateShredRgn(PX, PY, W, H, row % 5, col % 5, r2));
      } else {
        SpeckleMask(mask, PX, PY, W, H, row % 3, col % 3, r1);
        expected = Take(CreateSpeckleRgn(PX, PY, W, H, row % 3, col % 3, r2));
      }
      int wrong = 0;
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) wrong += (mask.At(x, y) == 1) != expected.Contains(x, y);
      EXPECT_EQ(wrong, 0) << "pattern " << kind;
      EXPECT_EQ(r1.Seed(), r2.Seed()) << "pattern " << kind;
    }
  }
}

// Degenerate frames end without touching anything outside the bitmaps.
TEST(StripEffects, DegenerateFramesAreHarmless) {
  for (const Member& m : kMembers) {
    TEffectProc p = StripEffectProc(m.No);
    ASSERT_NE(p, nullptr);
    auto screen = MakeOldPicture(1, 1), picture = MakeNewPicture(1, 1);
    for (int progress : {1, 50, 99}) p(screen.get(), picture.get(), TRect(0, 0, 1, 1), 1, progress);
    EXPECT_TRUE(IsOldAt(*screen, 0, 0) || IsNewAt(*screen, 0, 0)) << m.No;
    TBitmap empty;
    p(&empty, &empty, TRect(0, 0, 0, 0), 4, 50);
    // A picture smaller than the frame rectangle is read only where it exists.
    auto small = MakeNewPicture(20, 10), big = MakeOldPicture(40, 30);
    p(big.get(), small.get(), TRect(0, 0, 40, 30), 4, 60);
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x)
        if (!(x < 20 && y < 10)) {
          ASSERT_TRUE(IsOldAt(*big, x, y)) << m.No << " at " << x << "," << y;
        }
  }
}

}  // namespace
