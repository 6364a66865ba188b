#pragma once
// The geometry of the strip patterns (bars, shred, speckle), written once for
// both ways of drawing them: the region builders of ShowEffects.h and the
// mask builders of EffectsShapeMask.h.
//
// Each pattern hands its rectangles to Emit(l, t, r, b, Column) in a fixed
// order, drawing from the generator in that same order, so every consumer
// sees the same rectangles and leaves the generator in the same state.
// Rectangles may be reversed (l > r or t > b) or empty; consumers normalise
// them like rectangle regions. Column is true for the rectangles of the
// column half of a pattern (tall and narrow) and false for those of the row
// half; it is fixed at every call site, so an inlined Emit branches on it at
// compile time.
//
// A pattern is a row half (strips stacked down the picture, growing along x
// by PX) and a column half (strips side by side, growing along y by PY), the
// row half drawn first. Both halves are one routine that works in strip
// coordinates: "along" the way a strip grows (length Len, front P) and
// "across" the way strips are stacked (extent Across); it emits
// (along0, across0, along1, across1), which the column half transposes.
#include <algorithm>
#include <cstdint>
#include "pictureshow/ShowEffects.h"

namespace strippattern {

// Calls Half(P, Len, Across, Mode, emit) for the row half and then for the
// column half, each emit turning strip coordinates into Emit's rectangles.
template <class H, class F>
void BothHalves(int PX, int PY, int W, int Ht, int RowMode, int ColMode, H&& Half, F& Emit) {
  Half(PX, W, Ht, RowMode, [&Emit](int a0, int c0, int a1, int c1) { Emit(a0, c0, a1, c1, false); });
  Half(PY, Ht, W, ColMode, [&Emit](int a0, int c0, int a1, int c1) { Emit(c0, a0, c1, a1, true); });
}

// Bars 5 thick every 10, growing from the ends by P; once P is past Len the
// gaps fill in a second pass. A front within S of the far end jumps to it.
template <class E>
void BarsHalf(int P, int Len, int Across, int S, int Mode, E&& Emit) {
  if (Mode == 0) return;
  const bool second = P > Len;
  int p = P;
  if (!second && int64_t(p) + S > Len) p = Len;
  for (int c = second ? 5 : 0; c < Across + 5; c += 10) {
    if (!second) {
      switch (Mode) {
        case 1: case 5: Emit(Len - p, c, Len, c + 5); break;
        case 2: case 4: Emit(0, c, p, c + 5); break;
        case 3:
          Emit(0, c + 5, p, c + 10);
          Emit(Len - p, c, Len, c + 5);
          break;
        default: break;
      }
    } else {
      Emit(0, c - 5, Len, c);
      switch (Mode) {
        case 1: case 4: Emit(2 * Len - p, c, Len, c + 5); break;
        case 2: case 5: Emit(0, c, p - Len, c + 5); break;
        default: break;
      }
    }
  }
}

// Strips every 5 whose ends are jittered by up to a seventh of Len while the
// front is short of the far end.
template <class E>
void ShredHalf(int P, int Len, int Across, int Mode, TEffectRandom& Rng, E&& Emit) {
  if (Mode == 0 || Across <= 0) return;
  // v + Random(j) - Random(j), the two draws in that order.
  auto jit = [&Rng](int v, int j) {
    const int a = Rng.Random(j);
    const int b = Rng.Random(j);
    return v + a - b;
  };
  const int h = 5 + Across % 5;
  const int j = P < Len ? Len / 7 : 0;
  for (int c = 0; c < Across; c += 5) {
    switch (Mode) {
      case 1: Emit(jit(Len - P, j), c, Len, c + h); break;
      case 2: Emit(0, c, jit(P, j), c + h); break;
      case 3: {
        const int a = jit(Len - P, j) / 2;
        Emit(a, c, Len / 2, c + h);
        const int b = jit(Len + P, j) / 2;
        Emit(Len / 2, c, b, c + h);
        break;
      }
      case 4: {
        const int a = Len - jit(P, j) / 2;
        Emit(a, c, Len, c + h);
        const int b = jit(P, j) / 2;
        Emit(0, c, b, c + h);
        break;
      }
      default: break;
    }
  }
}

// Lines of square cells growing from one end (mode 1 the far one, mode 2 the
// near one); ahead of the solid front the cells are shown at random, more
// often close to it. Other modes draw nothing.
template <class E>
void SpeckleHalf(int P, int Len, int Across, int Mode, TEffectRandom& Rng, E&& Emit) {
  if (Mode != 1 && Mode != 2) return;
  // Whether the cell k steps ahead of the front is shown: one draw per cell.
  auto shown = [&Rng](int k, int t) { return k <= t ? Rng.Random(k) <= 1 : Rng.Random(k) == 0; };
  const int J = P < Len ? Len / 10 : 0;
  const int C = std::max(J / 20, 2);
  const int pitch = C / 2;
  const int t = (3 * J / C) / 4;
  for (int c = 0; c < Across; c += pitch) {
    if (Mode == 1) Emit(Len - P, c, Len, c + C);
    else Emit(0, c, P, c + C);
    for (int k = J / C; k >= 1; --k) {
      if (!shown(k, t)) continue;
      if (Mode == 1) Emit(Len - P - k * C, c, Len - P - k * C + C, c + C);
      else Emit(P + k * C - C, c, P + k * C, c + C);
    }
  }
}

}  // namespace strippattern

// The bars pattern; S is the step size (0 for none).
template <class F>
void BarsPattern(int PX, int PY, int W, int H, int S, int RowMode, int ColMode, F&& Emit) {
  strippattern::BothHalves(PX, PY, W, H, RowMode, ColMode, [S](int P, int Len, int Across, int Mode, auto&& e) {
    strippattern::BarsHalf(P, Len, Across, S, Mode, e);
  }, Emit);
}

// The shred pattern, drawing from Rng.
template <class F>
void ShredPattern(int PX, int PY, int W, int H, int RowMode, int ColMode, TEffectRandom& Rng, F&& Emit) {
  strippattern::BothHalves(PX, PY, W, H, RowMode, ColMode, [&Rng](int P, int Len, int Across, int Mode, auto&& e) {
    strippattern::ShredHalf(P, Len, Across, Mode, Rng, e);
  }, Emit);
}

// The speckle pattern, drawing from Rng.
template <class F>
void SpecklePattern(int PX, int PY, int W, int H, int RowMode, int ColMode, TEffectRandom& Rng, F&& Emit) {
  strippattern::BothHalves(PX, PY, W, H, RowMode, ColMode, [&Rng](int P, int Len, int Across, int Mode, auto&& e) {
    strippattern::SpeckleHalf(P, Len, Across, Mode, Rng, e);
  }, Emit);
}
