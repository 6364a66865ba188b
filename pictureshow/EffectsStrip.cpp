// Strip-pattern effects: bars (60..64, 71..75), uneven shreds (65..68,
// 76..79, 100..109), criss-cross bars (86..99) and speckles (123..126).
//
// Every member computes the shared geometry, builds one strip pattern from it
// and shows the new picture through the pattern. Members differ only in the
// arguments they give the pattern, so they are one procedure driven by a
// table. The pattern is stamped into a reveal mask (the same region as the
// builder of ShowEffects.h, drawn from the same generator in the same order)
// and copied row by row, which keeps a frame of thousands of strips cheap.
#include <array>
#include <utility>
#include "pictureshow/EffectFamilies.h"
#include "pictureshow/EffectsShapeMask.h"

namespace {

enum class TStripKind : uint8_t { None, Bars, CrossOverlap, Shred, Speckle };

// The arguments of one member. PX and PY are given as multiples of X and Y
// (0, 1 or 2); UseS tells whether the bars pattern gets S or 0.
struct TStripPattern {
  TStripKind Kind = TStripKind::None;
  int8_t XMul = 0, YMul = 0;
  bool UseS = false;
  int8_t RowMode = 0, ColMode = 0;
};

constexpr TStripPattern Bars(int xm, int ym, bool s, int row, int col) {
  return {TStripKind::Bars, int8_t(xm), int8_t(ym), s, int8_t(row), int8_t(col)};
}
constexpr TStripPattern Shred(int row, int col) { return {TStripKind::Shred, 1, 1, false, int8_t(row), int8_t(col)}; }
constexpr TStripPattern Speckle(int row, int col) { return {TStripKind::Speckle, 1, 1, false, int8_t(row), int8_t(col)}; }

constexpr TStripPattern StripPattern(int n) {
  switch (n) {
    case 60: return Bars(2, 0, true, 1, 0);    // "Bars in from right"
    case 61: return Bars(2, 0, true, 2, 0);    // "Bars in from left"
    case 62: return Bars(2, 0, true, 4, 0);    // "Bars left then right"
    case 63: return Bars(2, 0, true, 5, 0);    // "Bars right then left"
    case 64: return Bars(1, 0, false, 3, 0);   // "Bars from both sides"
    case 65: return Shred(1, 0);
    case 66: return Shred(2, 0);
    case 67: return Shred(3, 0);
    case 68: return Shred(4, 0);
    case 71: return Bars(0, 2, true, 0, 1);    // "Bars from bottom"
    case 72: return Bars(0, 2, true, 0, 2);    // "Bars from top"
    case 73: return Bars(0, 2, true, 0, 4);    // "Bars top then bottom"
    case 74: return Bars(0, 2, true, 0, 5);    // "Bars bottom then top"
    case 75: return Bars(0, 1, false, 0, 3);   // "Bars from top and bottom"
    case 76: return Shred(0, 1);
    case 77: return Shred(0, 2);
    case 78: return Shred(0, 3);
    case 79: return Shred(0, 4);
    case 86: return Bars(2, 2, true, 1, 1);
    case 87: return Bars(2, 2, true, 1, 2);
    case 88: return Bars(2, 2, true, 2, 1);
    case 89: return Bars(2, 2, true, 2, 2);
    case 90: return Bars(2, 2, true, 4, 4);
    case 91: return Bars(2, 2, true, 4, 5);
    case 92: return Bars(2, 2, true, 5, 4);
    case 93: return Bars(2, 2, true, 5, 5);
    case 94: return Bars(1, 1, true, 1, 3);
    case 95: return Bars(1, 1, true, 2, 3);
    case 96: return Bars(1, 1, true, 3, 1);
    case 97: return Bars(1, 1, true, 3, 2);
    case 98: return Bars(1, 1, false, 3, 3);
    // "Criss Cross reveal from bottom left top right": where the strips from
    // the right and bottom overlap those from the left and top.
    case 99: return {TStripKind::CrossOverlap, 2, 2, true, 0, 0};
    case 100: return Shred(1, 1);
    case 101: return Shred(1, 2);
    case 102: return Shred(2, 1);
    case 103: return Shred(2, 2);
    case 104: return Shred(1, 3);
    case 105: return Shred(2, 3);
    case 106: return Shred(3, 1);
    case 107: return Shred(3, 2);
    case 108: return Shred(3, 3);
    case 109: return Shred(4, 4);
    case 123: return Speckle(1, 0);
    case 124: return Speckle(2, 0);
    case 125: return Speckle(0, 1);
    case 126: return Speckle(0, 2);
    default: return {};
  }
}

void DrawStrips(const TStripPattern& pattern, TBitmap* Screen, TBitmap* Picture, const TRect& R, uint16_t Step,
                int Progress) {
  if (!Screen || !Picture) return;
  const TEffectGeometry g = EffectGeometry(R, Step, Progress);
  if (g.W <= 0 || g.H <= 0) return;
  const int PX = pattern.XMul * g.X, PY = pattern.YMul * g.Y;
  TRevealMask mask(g.W, g.H);
  uint8_t want = 1;
  switch (pattern.Kind) {
    case TStripKind::Bars:
      BarsMask(mask, PX, PY, g.W, g.H, pattern.UseS ? g.S : 0, pattern.RowMode, pattern.ColMode);
      break;
    case TStripKind::CrossOverlap:
      // Two bit planes; the picture shows where both are set.
      BarsMask(mask, PX, PY, g.W, g.H, g.S, 1, 1, 1);
      BarsMask(mask, PX, PY, g.W, g.H, g.S, 2, 2, 2);
      want = 3;
      break;
    case TStripKind::Shred:
      ShredMask(mask, PX, PY, g.W, g.H, pattern.RowMode, pattern.ColMode, EffectRandom());
      break;
    case TStripKind::Speckle:
      SpeckleMask(mask, PX, PY, g.W, g.H, pattern.RowMode, pattern.ColMode, EffectRandom());
      break;
    case TStripKind::None:
      return;
  }
  mask.Apply(Screen, Picture, want);
}

template <int N>
void StripEffect(TBitmap* Screen, TBitmap* Picture, const TRect& R, uint16_t Step, int Progress) {
  static constexpr TStripPattern pattern = StripPattern(N);
  DrawStrips(pattern, Screen, Picture, R, Step, Progress);
}

template <int N>
constexpr TEffectProc StripProcFor() {
  if constexpr (StripPattern(N).Kind != TStripKind::None) return &StripEffect<N>;
  else return nullptr;
}

template <int... N>
constexpr std::array<TEffectProc, sizeof...(N)> MakeStripProcs(std::integer_sequence<int, N...>) {
  return {StripProcFor<N>()...};
}

constexpr auto kStripProcs = MakeStripProcs(std::make_integer_sequence<int, EffectCount + 1>{});

}  // namespace

TEffectProc StripEffectProc(int number) {
  if (number < 0 || number > EffectCount) return nullptr;
  return kStripProcs[size_t(number)];
}
