// The effect table, the shared geometry and drawing routines, and the fade.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include "tests/pictureshow/EffectTestSupport.h"
#include "pictureshow/ShowEffects.h"

using namespace effecttest;

namespace {

bool In(HRGN r, int x, int y) { return PtInRegion(r, x, y); }

struct RgnDeleter {
  void operator()(TRegion* r) const { DeleteObject(r); }
};
using RgnPtr = std::unique_ptr<TRegion, RgnDeleter>;

RgnPtr Own(HRGN r) { return RgnPtr(r); }

bool SameRegion(HRGN a, HRGN b) {
  TRegion x = a->Combined(*b, RGN_XOR);
  return x.IsEmpty();
}

}  // namespace

// ---------------------------------------------------------------------------
// Table and lookup

TEST(EffectTable, HoldsTheNamedEffectsByNumber) {
  EXPECT_EQ(EffectCount, 150);
  EXPECT_EQ(EffectTable(1).Name, "Expand from right");
  EXPECT_EQ(EffectTable(18).Name, "Expand from bottom");
  EXPECT_EQ(EffectTable(33).Name, "Expand from bottom");
  EXPECT_EQ(EffectTable(51).Name, "Appear and Contract to middle");
  EXPECT_EQ(EffectTable(76).Name, "Unven shred from bottom");
  EXPECT_EQ(EffectTable(118).Name, "Fade");
  EXPECT_EQ(EffectTable(134).Name, "Push and sqeeze down");
  EXPECT_EQ(EffectTable(150).Name, "Rotational star");
  for (int k = 1; k <= EffectCount; ++k) {
    EXPECT_FALSE(EffectTable(k).Name.empty()) << k;
    EXPECT_EQ(EffectName(k), EffectTable(k).Name);
    EXPECT_EQ(EffectProc(k), EffectTable(k).Proc);
  }
}

TEST(EffectTable, NumbersOutsideTheTableAreRejected) {
  EXPECT_THROW(EffectTable(0), EListError);
  EXPECT_THROW(EffectTable(151), EListError);
  EXPECT_EQ(EffectName(0), "");
  EXPECT_EQ(EffectName(-3), "");
  EXPECT_EQ(EffectProc(0), nullptr);
  EXPECT_EQ(EffectProc(151), nullptr);
}

TEST(EffectTable, LookupByNameIgnoresCaseAndPrefersTheLowerNumber) {
  EXPECT_EQ(FindEffect("Expand from bottom"), 18);
  EXPECT_EQ(FindEffect("EXPAND IN FROM TOP"), 25);
  EXPECT_EQ(FindEffect("fade"), 118);
  EXPECT_EQ(FindEffect("Rotational star"), 150);
  EXPECT_EQ(FindEffect("No such effect"), 0);
  EXPECT_EQ(FindEffect(""), 0);
  int duplicates = 0;
  for (int k = 1; k <= EffectCount; ++k) {
    const int found = FindEffect(EffectName(k));
    EXPECT_LE(found, k);
    EXPECT_EQ(EffectName(found), EffectName(k));
    if (found != k) ++duplicates;
  }
  EXPECT_EQ(duplicates, 2);   // 33 and 34
}

// ---------------------------------------------------------------------------
// Geometry

TEST(EffectGeometry, LandscapeScalesFromTheWidth) {
  const TEffectGeometry g = EffectGeometry(TRect(0, 0, 400, 300), 4, 50);
  EXPECT_EQ(g.W, 400);
  EXPECT_EQ(g.H, 300);
  EXPECT_EQ(g.X, 200);
  EXPECT_EQ(g.Y, 150);
  EXPECT_EQ(g.S, 18);   // 17.78 rounded
  const TEffectGeometry odd = EffectGeometry(TRect(0, 0, 97, 61), 4, 33);
  EXPECT_EQ(odd.X, 32);   // 32.01
  EXPECT_EQ(odd.Y, 20);   // 32 * 61 / 97 = 20.12
  EXPECT_EQ(odd.S, 4);    // 4.31
}

TEST(EffectGeometry, PortraitScalesFromTheHeight) {
  const TEffectGeometry g = EffectGeometry(TRect(0, 0, 61, 97), 4, 33);
  EXPECT_EQ(g.Y, 32);
  EXPECT_EQ(g.X, 20);
  EXPECT_EQ(g.S, 4);
  const TEffectGeometry h = EffectGeometry(TRect(0, 0, 300, 400), 10, 50);
  EXPECT_EQ(h.Y, 200);
  EXPECT_EQ(h.X, 150);
  EXPECT_EQ(h.S, 44);   // 44.4
}

TEST(EffectGeometry, TinyPictureGivesZeroStepThatCountsAsOne) {
  const TEffectGeometry g = EffectGeometry(TRect(0, 0, 40, 30), 1, 10);
  EXPECT_EQ(g.S, 0);
  EXPECT_EQ(g.SD(), 1);
  EXPECT_EQ(AtLeast1(0), 1);
  EXPECT_EQ(AtLeast1(-4), 1);
  EXPECT_EQ(AtLeast1(7), 7);
  const TEffectGeometry none = EffectGeometry(TRect(0, 0, 0, 0), 4, 50);
  EXPECT_EQ(none.X, 0);
  EXPECT_EQ(none.Y, 0);
  EXPECT_EQ(none.SD(), 1);
}

// ---------------------------------------------------------------------------
// Cross-fade and effect 118

namespace {

// Checks every colour byte of `screen` against the fade of `oldPic` and
// `newPic` at p, and that the fourth byte kept the old picture's.
void ExpectFaded(const TBitmap& screen, const TBitmap& oldPic, const TBitmap& newPic, int p) {
  int bad = 0;
  for (int y = 0; y < screen.Height() && bad < 5; ++y)
    for (int x = 0; x < screen.Width() && bad < 5; ++x) {
      const uint8_t* s = screen.ScanLine(y) + 4 * x;
      const uint8_t* o = oldPic.ScanLine(y) + 4 * x;
      const uint8_t* n = newPic.ScanLine(y) + 4 * x;
      for (int b = 0; b < 3; ++b) {
        const int want = (o[b] * (100 - p) + n[b] * p) / 100;
        if (s[b] != want) {
          ADD_FAILURE() << "p=" << p << " at (" << x << "," << y << ") byte " << b << ": " << int(s[b])
                        << " want " << want;
          ++bad;
        }
      }
      if (s[3] != o[3]) {
        ADD_FAILURE() << "fourth byte changed at (" << x << "," << y << ")";
        ++bad;
      }
    }
}

}  // namespace

TEST(CrossFade, MatchesTheByteFormulaAndKeepsTheFourthByte) {
  for (int p = 0; p <= 100; ++p) {
    auto oldPic = MakeOldPicture(97, 61);
    auto newPic = MakeNewPicture(97, 61);
    auto screen = MakeOldPicture(97, 61);
    CrossFade(screen.get(), newPic.get(), p);
    ExpectFaded(*screen, *oldPic, *newPic, p);
  }
}

TEST(CrossFade, AtOnePercentIsNinetyNineHundredthsOld) {
  auto screen = std::make_unique<TBitmap>(3, 1);
  auto pic = std::make_unique<TBitmap>(3, 1);
  uint8_t* s = screen->ScanLine(0);
  uint8_t* n = pic->ScanLine(0);
  const uint8_t olds[12] = {255, 0, 100, 7, 1, 2, 3, 4, 200, 201, 202, 203};
  const uint8_t news[12] = {0, 255, 100, 9, 255, 255, 255, 255, 0, 0, 0, 0};
  std::memcpy(s, olds, 12);
  std::memcpy(n, news, 12);
  CrossFade(screen.get(), pic.get(), 1);
  const uint8_t want[12] = {252, 2, 100, 7, 3, 4, 5, 4, 198, 198, 199, 203};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(int(s[i]), int(want[i])) << i;
}

TEST(FadeEffect, ComposesTheCrossFadeAtTheProgress) {
  for (auto [w, h] : {std::pair{97, 61}, std::pair{61, 97}, std::pair{40, 30}}) {
    for (int p : {1, 33, 99}) {
      ComposedFrame f = ComposeFrame(118, w, h, 4, p);
      ExpectFaded(*f.Screen, *f.Old, *f.New, p);
      EXPECT_FALSE(f.Screen->Canvas()->HasClip());
    }
  }
}

// ---------------------------------------------------------------------------
// Rotation

TEST(RotateBitmap, ZeroAngleCopiesEveryPixelEvenOnWidePictures) {
  // Products of a 40000-pixel offset and 65536 overflow 32 bits.
  auto src = MakeNewPicture(2047, 3);
  auto dst = MakeOldPicture(2047, 3);
  RotateBitmap(dst.get(), src.get(), -38000, 1, 0.0);
  const FrameCensus c = Census(*dst);
  EXPECT_EQ(c.NewInPlace, 2047 * 3);
}

TEST(RotateBitmap, FollowsTheFixedPointFormula) {
  auto src = MakeNewPicture(97, 61);
  auto dst = MakeOldPicture(97, 61);
  const double angle = 0.3;
  const int cx = 10, cy = 20;
  RotateBitmap(dst.get(), src.get(), cx, cy, angle);
  const int64_t sinF = Trunc(std::sin(angle) * 65536), cosF = Trunc(std::cos(angle) * 65536);
  int newCount = 0;
  for (int y = 0; y < 61; ++y)
    for (int x = 0; x < 97; ++x) {
      const int64_t dx = x - cx, dy = y - cy;
      const int64_t sx = ((dx * cosF - dy * sinF) >> 16) + cx;
      const int64_t sy = ((dx * sinF + dy * cosF) >> 16) + cy;
      const PixelClass got = Classify(*dst, x, y);
      if (sx >= 0 && sx < 97 && sy >= 0 && sy < 61) {
        ASSERT_EQ(got, (PixelClass{PixelKind::New, int(sx), int(sy)})) << x << "," << y;
        ++newCount;
      } else {
        ASSERT_EQ(got, (PixelClass{PixelKind::Old, x, y})) << x << "," << y;
      }
    }
  EXPECT_GT(newCount, 0);
  EXPECT_LT(newCount, 97 * 61);
}

// Each row is walked only over the columns whose source can lie in the
// picture: at every angle, centre and size no pixel may be lost or gained.
TEST(RotateBitmap, EveryAngleAndCentreFollowsTheFormula) {
  struct Case { int sw, sh, dw, dh, cx, cy; double angle; };
  const Case cases[] = {
      {53, 31, 53, 31, 26, 15, 0.0},          {53, 31, 53, 31, 26, 15, std::numbers::pi},
      {53, 31, 53, 31, -1, -1, 0.01},         {53, 31, 53, 31, 53, 31, -0.7},
      {53, 31, 40, 50, 7, 29, 2.5},           {31, 53, 60, 20, 100, -40, 1.2},
      {64, 48, 64, 48, 32, 24, std::numbers::pi / 2}, {64, 48, 64, 48, 0, 0, -std::numbers::pi / 2},
      {64, 48, 64, 48, 32, 24, 6.2},          {200, 5, 200, 5, -3000, 2, 0.0005},
      // Small turns of wide pictures, copied in runs of whole row pieces: up
      // to the angle where runs stop paying off, and just past it.
      {600, 90, 600, 90, -1, -1, 0.05},       {600, 90, 600, 90, 600, 90, 0.1249},
      {700, 40, 650, 40, -1, 40, 0.126},      {530, 70, 530, 70, 530, -1, 0.0001},
  };
  for (const Case& k : cases) {
    auto src = MakeNewPicture(k.sw, k.sh);
    auto dst = MakeOldPicture(k.dw, k.dh);
    RotateBitmap(dst.get(), src.get(), k.cx, k.cy, k.angle);
    const int64_t sinF = Trunc(std::sin(k.angle) * 65536), cosF = Trunc(std::cos(k.angle) * 65536);
    const int w = std::min(k.sw, k.dw), h = std::min(k.sh, k.dh);
    for (int y = 0; y < k.dh; ++y)
      for (int x = 0; x < k.dw; ++x) {
        const int64_t dx = x - k.cx, dy = y - k.cy;
        const int64_t sx = ((dx * cosF - dy * sinF) >> 16) + k.cx;
        const int64_t sy = ((dx * sinF + dy * cosF) >> 16) + k.cy;
        const bool fromSource = x < w && y < h && sx >= 0 && sx < k.sw && sy >= 0 && sy < k.sh;
        const PixelClass want = fromSource ? PixelClass{PixelKind::New, int(sx), int(sy)} : PixelClass{PixelKind::Old, x, y};
        ASSERT_EQ(Classify(*dst, x, y), want) << "angle " << k.angle << " centre " << k.cx << "," << k.cy << " at " << x
                                              << "," << y;
      }
  }
}

TEST(RotateBitmap, QuarterTurnAboutACornerLeavesTheOldPicture) {
  auto src = MakeNewPicture(61, 97);
  auto dst = MakeOldPicture(61, 97);
  RotateBitmap(dst.get(), src.get(), -1, -1, std::numbers::pi / 2);
  EXPECT_EQ(Census(*dst).OldInPlace, 61 * 97);
}

TEST(RotatePoints, RotatesAboutTheCentreAndRounds) {
  std::vector<TPoint> pts{TPoint(10, 0), TPoint(0, 0), TPoint(3, 4)};
  RotatePoints(pts, 0, 0, std::numbers::pi / 2);
  EXPECT_EQ(pts[0], TPoint(0, 10));
  EXPECT_EQ(pts[1], TPoint(0, 0));
  EXPECT_EQ(pts[2], TPoint(-4, 3));
  TPoint p[2] = {TPoint(60, 50), TPoint(50, 50)};
  RotatePoints(p, 0, 50, 50, std::numbers::pi);   // only index 0
  EXPECT_EQ(p[0], TPoint(40, 50));
  EXPECT_EQ(p[1], TPoint(50, 50));
}

// ---------------------------------------------------------------------------
// Regions

TEST(Regions, TriangleAndPie) {
  RgnPtr t = Own(CreateTriangleRgn(0, 0, 100, 0, 0, 100));
  EXPECT_TRUE(In(t.get(), 10, 10));
  EXPECT_FALSE(In(t.get(), 80, 80));

  // A quarter pie in 4 segments: the last arc point lies at 67.5 degrees, so
  // the region stops short of straight down.
  RgnPtr p = Own(CreatePieRgn(50, 50, 40, 0, std::numbers::pi / 2, 4));
  EXPECT_TRUE(In(p.get(), 80, 55));
  EXPECT_FALSE(In(p.get(), 51, 88));
  EXPECT_FALSE(In(p.get(), 30, 30));
  RgnPtr none = Own(CreatePieRgn(50, 50, 40, 0, 1, 0));
  EXPECT_TRUE(none->IsEmpty());
}

TEST(Regions, BarsFirstHalfEndsAtTheFullWidth) {
  // PX = W still belongs to the first half: rows at 0, 10, 20 ... are full.
  RgnPtr r = Own(CreateBarsRgn(100, 0, 100, 50, 0, 2, 0));
  for (int y = 0; y < 50; ++y) EXPECT_EQ(In(r.get(), 99, y), y % 10 < 5) << y;
  // From PX = W + 1 on, the rows between grow from the left.
  RgnPtr s = Own(CreateBarsRgn(101, 0, 100, 50, 0, 2, 0));
  EXPECT_TRUE(In(s.get(), 99, 0));
  EXPECT_TRUE(In(s.get(), 0, 5));
  EXPECT_FALSE(In(s.get(), 1, 5));
  // Mode 1 second half grows from the right.
  RgnPtr t = Own(CreateBarsRgn(130, 0, 100, 50, 0, 1, 0));
  EXPECT_TRUE(In(t.get(), 99, 5));
  EXPECT_TRUE(In(t.get(), 70, 5));
  EXPECT_FALSE(In(t.get(), 69, 5));
}

TEST(Regions, BarsSnapToTheEdgeAndAlternate) {
  // PX + S beyond W counts as W.
  RgnPtr r = Own(CreateBarsRgn(95, 0, 100, 20, 10, 1, 0));
  EXPECT_TRUE(In(r.get(), 0, 0));
  // Mode 3: alternate rows from the left and from the right.
  RgnPtr b = Own(CreateBarsRgn(30, 0, 100, 20, 0, 3, 0));
  EXPECT_TRUE(In(b.get(), 99, 0));
  EXPECT_TRUE(In(b.get(), 70, 0));
  EXPECT_FALSE(In(b.get(), 0, 0));
  EXPECT_TRUE(In(b.get(), 0, 5));
  EXPECT_FALSE(In(b.get(), 99, 5));
  // Columns from the bottom (mode 1).
  RgnPtr c = Own(CreateBarsRgn(0, 20, 50, 100, 0, 0, 1));
  EXPECT_TRUE(In(c.get(), 0, 99));
  EXPECT_TRUE(In(c.get(), 4, 80));
  EXPECT_FALSE(In(c.get(), 4, 79));
  EXPECT_FALSE(In(c.get(), 5, 99));
}

TEST(Regions, ShredCoversEveryRowOfAnOddPictureAtTheEnd) {
  TEffectRandom rng(3);
  // At PX = W the jitter is 0: the rows (6 high at a pitch of 5 for H = 61)
  // cover the whole picture.
  RgnPtr r = Own(CreateShredRgn(97, 0, 97, 61, 2, 0, rng));
  for (int y = 0; y < 61; ++y) EXPECT_TRUE(In(r.get(), 96, y)) << y;
  RgnPtr c = Own(CreateShredRgn(0, 61, 97, 61, 0, 2, rng));
  for (int x = 0; x < 97; ++x) EXPECT_TRUE(In(c.get(), x, 60)) << x;
}

TEST(Regions, ShredAndSpeckleDrawOnlyFromTheirGenerator) {
  TEffectRandom a(42), b(42), other(7);
  RgnPtr r1 = Own(CreateShredRgn(40, 0, 97, 61, 1, 0, a));
  (void)Own(CreateShredRgn(40, 0, 97, 61, 1, 0, other));
  (void)Own(CreateShredRgn(40, 0, 97, 61, 1, 0));   // the thread's fallback
  RgnPtr r2 = Own(CreateShredRgn(40, 0, 97, 61, 1, 0, b));
  EXPECT_TRUE(SameRegion(r1.get(), r2.get()));
  // The jitter changes from frame to frame (no reseeding).
  RgnPtr r3 = Own(CreateShredRgn(40, 0, 97, 61, 1, 0, a));
  EXPECT_FALSE(SameRegion(r1.get(), r3.get()));

  TEffectRandom c(9), d(9);
  RgnPtr s1 = Own(CreateSpeckleRgn(100, 0, 400, 60, 2, 0, c));
  RgnPtr s2 = Own(CreateSpeckleRgn(100, 0, 400, 60, 2, 0, d));
  EXPECT_TRUE(SameRegion(s1.get(), s2.get()));
}

TEST(Regions, SpeckleFrontAndCells) {
  TEffectRandom rng(5);
  // W = 400: spread 40, cells of 2 at a pitch of 1; the two nearest cells
  // ahead of the front always show.
  RgnPtr s = Own(CreateSpeckleRgn(100, 0, 400, 60, 2, 0, rng));
  for (int y = 0; y < 60; ++y) {
    EXPECT_TRUE(In(s.get(), 99, y));
    EXPECT_TRUE(In(s.get(), 101, y));
    EXPECT_TRUE(In(s.get(), 103, y));
    EXPECT_FALSE(In(s.get(), 141, y));
  }
  // At the end there is no spread: the front covers everything.
  RgnPtr e = Own(CreateSpeckleRgn(400, 0, 400, 60, 1, 0, rng));
  EXPECT_TRUE(In(e.get(), 0, 59));
  RgnPtr c = Own(CreateSpeckleRgn(0, 30, 50, 60, 0, 1, rng));
  EXPECT_TRUE(In(c.get(), 10, 59));
  EXPECT_FALSE(In(c.get(), 10, 10));
}

TEST(Regions, ManyRectanglesMakeOneUnion) {
  std::vector<TRect> rs;
  for (int i = 0; i < 500; ++i) rs.emplace_back(i * 2, 0, i * 2 + 1, 10);
  rs.emplace_back(10, 20, 5, 15);   // normalised
  rs.emplace_back(3, 3, 3, 9);      // empty
  RgnPtr r = Own(CreateRectsRgn(rs));
  EXPECT_TRUE(In(r.get(), 998, 9));
  EXPECT_FALSE(In(r.get(), 999, 9));
  EXPECT_TRUE(In(r.get(), 7, 17));
  RgnPtr none = Own(CreateRectsRgn({}));
  EXPECT_TRUE(none->IsEmpty());
}

// ---------------------------------------------------------------------------
// Drawing helpers

TEST(DrawClipped, DrawsOnlyInsideTheRegionAndRemovesTheClip) {
  auto screen = MakeOldPicture(97, 61);
  auto pic = MakeNewPicture(97, 61);
  DrawClipped(screen.get(), pic.get(), CreateRectRgn(10, 5, 30, 20));
  EXPECT_FALSE(screen->Canvas()->HasClip());
  const TPoint bad = FirstMismatch(*screen, [](int x, int y) { return x >= 10 && x < 30 && y >= 5 && y < 20; });
  EXPECT_EQ(bad, TPoint(-1, -1)) << FrameSketch(*screen);

  auto untouched = MakeOldPicture(97, 61);
  DrawClipped(untouched.get(), pic.get(), HRGN(nullptr));
  DrawClipped(untouched.get(), pic.get(), CreateRectRgn(4, 4, 4, 9));
  EXPECT_EQ(Census(*untouched).OldInPlace, 97 * 61);
}

TEST(MirrorCopyRect, ClipsTheSourceAndMirrors) {
  auto src = MakeNewPicture(20, 10);
  auto plain = MakeOldPicture(40, 10);
  MirrorCopyRect(plain->Canvas(), TRect(0, 0, 20, 10), src.get(), TRect(-5, 0, 20, 10), false, false);
  // The source rectangle is cut to the bitmap: 20 x 10 onto 20 x 10.
  EXPECT_TRUE(IsNewAt(*plain, 0, 0));
  EXPECT_TRUE(IsNewAt(*plain, 19, 9));
  EXPECT_TRUE(IsOldAt(*plain, 25, 5));

  auto across = MakeOldPicture(40, 10);
  MirrorCopyRect(across->Canvas(), TRect(10, 0, 30, 10), src.get(), TRect(0, 0, 20, 10), true, false);
  const PixelClass left = Classify(*across, 11, 4), right = Classify(*across, 28, 4);
  EXPECT_EQ(left.Kind, PixelKind::New);
  EXPECT_EQ(right.Kind, PixelKind::New);
  EXPECT_GT(left.X, right.X);   // mirrored left to right
  EXPECT_EQ(left.Y, 4);

  auto down = MakeOldPicture(20, 30);
  MirrorCopyRect(down->Canvas(), TRect(0, 10, 20, 20), src.get(), TRect(0, 0, 20, 10), false, true);
  const PixelClass top = Classify(*down, 5, 11), bottom = Classify(*down, 5, 18);
  EXPECT_EQ(top.Kind, PixelKind::New);
  EXPECT_EQ(bottom.Kind, PixelKind::New);
  EXPECT_GT(top.Y, bottom.Y);
  EXPECT_TRUE(IsOldAt(*down, 5, 2));
}

// ---------------------------------------------------------------------------
// Generator

TEST(EffectRandom, ScopesNestAndRestore) {
  TEffectRandom outer(1), inner(2);
  TEffectRandom& fallback = EffectRandom();
  {
    TEffectRandomScope a(&outer);
    EXPECT_EQ(&EffectRandom(), &outer);
    {
      TEffectRandomScope b(&inner);
      EXPECT_EQ(&EffectRandom(), &inner);
    }
    EXPECT_EQ(&EffectRandom(), &outer);
  }
  EXPECT_EQ(&EffectRandom(), &fallback);
}

TEST(EffectRandom, SameSeedSameSequenceAndRangeHonoured) {
  TEffectRandom a(97 * 61), b(97 * 61);
  for (int i = 0; i < 1000; ++i) {
    const int v = a.Random(100);
    EXPECT_EQ(v, b.Random(100));
    EXPECT_GE(v, 0);
    EXPECT_LT(v, 100);
  }
  EXPECT_EQ(a.Random(0), 0);
  EXPECT_EQ(a.Random(-5), 0);
  a.SetSeed(12);
  b.SetSeed(12);
  EXPECT_EQ(a.Random(1000000), b.Random(1000000));
}
