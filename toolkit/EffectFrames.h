#pragma once
// The frame engine of transition effects: what the picture show's effect
// procedures and the slide show window's own ones run on. The procedure type
// and its contract, the geometry the region effects share, the seedable
// generator, drawing through a clip region, and the stepping and composing of
// one frame of a run. Plain canvas and pixel routines; the effect table itself
// is the picture show's (pictureshow/ShowEffects.h).
//
// Contract of every effect procedure:
//  - it is called only for Progress 1..99 (the old picture is shown at 0 and
//    the new one at 100);
//  - Screen already holds the old picture, W x H; Picture holds the new one at
//    the same size; R is (0, 0, W, H) and is not changed;
//  - it draws only on Screen (reading Picture and, for the push effects,
//    Screen itself); a clip region set on Screen's canvas is removed again;
//  - it may run on a worker thread, so it touches nothing but its two bitmaps
//    and the per-run generator (EffectRandom()).
#include <cstdint>
#include <vector>
#include "toolkit/Graphics.h"

using TEffectProc = void (*)(TBitmap* Screen, TBitmap* Picture, const TRect& R, uint16_t Step, int Progress);

// ---------------------------------------------------------------------------
// Geometry shared by the region effects (all but 118..122).
//   W, H: size of R;
//   X, Y: the progress-scaled width and height, both computed from the longer
//         side so that they follow the same fraction;
//   S:    the size in pixels of one Step (longer side / 90); may be 0 on a tiny
//         picture. Use SD() wherever S is divided by or halved into a count or
//         a pitch: it never falls below 1.
struct TEffectGeometry {
  int W = 0, H = 0, X = 0, Y = 0, S = 0;
  int SD() const { return S < 1 ? 1 : S; }
};
TEffectGeometry EffectGeometry(const TRect& R, uint16_t Step, int Progress);
// A pitch or count that repeats a shape never falls below 1.
inline int AtLeast1(int v) { return v < 1 ? 1 : v; }
// Integer division truncating toward zero (as C++ does), spelled out for
// readers of the region formulas.
inline int IDiv(int a, int b) { return a / b; }

// ---------------------------------------------------------------------------
// Seedable pseudo-random generator of the effects. The shred and speckle
// jitter draws from EffectRandom(): each picture show owns a generator and
// makes it current around every effect call (TEffectRandomScope), so one show
// never disturbs another's sequence and nothing process-wide is reseeded.
// Without a current one, EffectRandom() gives a generator of the calling
// thread that starts from a fixed seed. An effect that needs a repeatable
// sequence per frame (127) seeds a generator of its own.
class TEffectRandom {
 public:
  explicit TEffectRandom(uint32_t seed = 0) : seed_(seed) {}
  void SetSeed(uint32_t seed) { seed_ = seed; }
  uint32_t Seed() const { return seed_; }
  // Uniform in 0..range-1; 0 when range <= 0.
  int Random(int range) {
    seed_ = seed_ * 134775813u + 1u;
    if (range <= 0) return 0;
    return int((uint64_t(seed_) * uint64_t(uint32_t(range))) >> 32);
  }
 private:
  uint32_t seed_;
};

TEffectRandom& EffectRandom();

class TEffectRandomScope {
 public:
  explicit TEffectRandomScope(TEffectRandom* r);
  ~TEffectRandomScope();
  TEffectRandomScope(const TEffectRandomScope&) = delete;
  TEffectRandomScope& operator=(const TEffectRandomScope&) = delete;
 private:
  TEffectRandom* prev_;
};

// ---------------------------------------------------------------------------
// Drawing through a region.

// The last step of every region effect: Rgn becomes the clip of Screen's
// canvas, the region object is released (DeleteObject), Picture is drawn at
// (0, 0) and the clip is removed again. A null or empty region leaves the old
// picture.
void DrawClipped(TBitmap* Screen, TBitmap* Picture, HRGN Rgn);
// The same for a region value (not released).
void DrawClipped(TBitmap* Screen, TBitmap* Picture, const TRegion& Rgn);

// The union of many rectangles, merged pairwise (much cheaper than adding
// them one by one to a growing region).
HRGN CreateRectsRgn(const std::vector<TRect>& Rects);

// ---------------------------------------------------------------------------
// The frame engine shared by every run of an effect (the picture show and
// the slide show window).

// One step of a run on a scale of 0..Full: Progress moves by Step towards
// Full (or towards 0 when Reverse) and stops there. The picture show steps
// whole percents (Full 100); a run of a fixed number of frames steps a finer
// scale so that its frames share the way evenly.
int StepProgress(int Progress, int Step, bool Reverse, int Full = 100);

// Copies a whole bitmap of the same size row by row (the old picture onto
// the screen at the start of every frame); other sizes are drawn.
void CopyPixels(TBitmap* Dst, const TBitmap* Src);

// Composes one frame of an effect on Screen, which holds the old picture:
// Progress 0 leaves it, 100 shows Picture whole, 1..99 calls Proc (absent:
// the old picture stays) with Rng as the current generator and removes a
// clip the procedure left.
void DrawEffectFrame(TBitmap* Screen, TBitmap* Picture, TEffectProc Proc, uint16_t Step, int Progress,
                     TEffectRandom* Rng);
