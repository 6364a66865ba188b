// The entry effects of the show window (see the header).
#include "platform/office/SlideTransition.h"
#include <algorithm>
#include <cmath>

namespace {

using namespace ppEntryEffect;

// ---------------------------------------------------------------- the show window's own procedures

// The old slide slides away by the progress-scaled size towards (dx, dy) and
// uncovers the new one, which stays in place.
void Uncover(TBitmap* Screen, TBitmap* Picture, const TRect& R, int Progress, int dx, int dy) {
  const TEffectGeometry g = EffectGeometry(R, 4, Progress);
  const TRect moved(dx * g.X, dy * g.Y, g.W + dx * g.X, g.H + dy * g.Y);
  Screen->Canvas()->CopyRect(moved, Screen->Canvas(), R);
  DrawClipped(Screen, Picture, TRegion::FromRect(R).Combined(TRegion::FromRect(moved), RGN_DIFF));
}

template <int dx, int dy>
void UncoverProc(TBitmap* Screen, TBitmap* Picture, const TRect& R, uint16_t, int Progress) {
  Uncover(Screen, Picture, R, Progress, dx, dy);
}

// Squares in rows (Across) or columns, every other one offset by a square,
// each wiped over two squares' length: half-way the board is a checkerboard.
void Checkerboard(TBitmap* Screen, TBitmap* Picture, const TRect& R, int Progress, bool Across) {
  const int W = R.Width(), H = R.Height();
  const int c = AtLeast1(std::max(W, H) / 16);
  const int d = 2 * c * Progress / 100;
  const int along = Across ? W : H, lines = Across ? H : W;
  std::vector<TRect> rects;
  for (int line = 0, k = 0; line < lines; line += c, ++k)
    for (int start = (k % 2) ? -c : 0; start < along; start += 2 * c)
      rects.push_back(Across ? TRect(start, line, start + d, line + c) : TRect(line, start, line + c, start + d));
  DrawClipped(Screen, Picture, CreateRectsRgn(rects));
}

void CheckerboardAcrossProc(TBitmap* Screen, TBitmap* Picture, const TRect& R, uint16_t, int Progress) {
  Checkerboard(Screen, Picture, R, Progress, true);
}
void CheckerboardDownProc(TBitmap* Screen, TBitmap* Picture, const TRect& R, uint16_t, int Progress) {
  Checkerboard(Screen, Picture, R, Progress, false);
}

// Thin bars across (Horizontal) or down appear in a random order; the
// generator is seeded alike every frame, so a bar once shown stays.
void RandomBars(TBitmap* Screen, TBitmap* Picture, const TRect& R, int Progress, bool Horizontal) {
  const int W = R.Width(), H = R.Height();
  const int lines = Horizontal ? H : W, t = AtLeast1(lines / 180);
  TEffectRandom rng(uint32_t(W) * uint32_t(H) + 1u);
  std::vector<TRect> rects;
  for (int p = 0; p < lines; p += t)
    if (Progress > rng.Random(100)) rects.push_back(Horizontal ? TRect(0, p, W, p + t) : TRect(p, 0, p + t, H));
  DrawClipped(Screen, Picture, CreateRectsRgn(rects));
}

void RandomBarsHorizontalProc(TBitmap* Screen, TBitmap* Picture, const TRect& R, uint16_t, int Progress) {
  RandomBars(Screen, Picture, R, Progress, true);
}
void RandomBarsVerticalProc(TBitmap* Screen, TBitmap* Picture, const TRect& R, uint16_t, int Progress) {
  RandomBars(Screen, Picture, R, Progress, false);
}

// ---------------------------------------------------------------- the table

struct Entry {
  int effect;
  const char* name;
  TTransitionKind kind;
  int pictureShow;        // the picture show's effect number, or 0
  TEffectProc own;        // else the show window's own procedure
  uint16_t step;
};

constexpr TTransitionKind kCut = TTransitionKind::Cut, kBlack = TTransitionKind::ThroughBlack,
                          kDraw = TTransitionKind::Effect;

const Entry kTable[] = {
    {None, "None", kCut, 0, nullptr, 4},
    {Cut, "Cut", kCut, 0, nullptr, 4},
    {CutThroughBlack, "CutThroughBlack", kBlack, 0, nullptr, 4},
    {Random, "Random", kCut, 0, nullptr, 4},   // resolved per change of slide
    // Slats of about a twentieth of the slide.
    {BlindsHorizontal, "BlindsHorizontal", kDraw, 137, nullptr, 1},
    {BlindsVertical, "BlindsVertical", kDraw, 136, nullptr, 1},
    {CheckerboardAcross, "CheckerboardAcross", kDraw, 0, &CheckerboardAcrossProc, 4},
    {CheckerboardDown, "CheckerboardDown", kDraw, 0, &CheckerboardDownProc, 4},
    // Cover: the new slide slides in over the old one, moving the named way.
    {CoverLeft, "CoverLeft", kDraw, 3, nullptr, 4},          // Slide in from right
    {CoverUp, "CoverUp", kDraw, 20, nullptr, 4},             // Slide in from bottom
    {CoverRight, "CoverRight", kDraw, 4, nullptr, 4},        // Slide in from left
    {CoverDown, "CoverDown", kDraw, 21, nullptr, 4},         // Slide in from top
    {CoverLeftUp, "CoverLeftUp", kDraw, 39, nullptr, 4},     // Slide in from bottom right
    {CoverRightUp, "CoverRightUp", kDraw, 42, nullptr, 4},   // Slide in from bottom left
    {CoverLeftDown, "CoverLeftDown", kDraw, 40, nullptr, 4}, // Slide in from top right
    {CoverRightDown, "CoverRightDown", kDraw, 41, nullptr, 4},  // Slide in from top left
    // Small squares in a random order.
    {Dissolve, "Dissolve", kDraw, 127, nullptr, 1},
    {Fade, "Fade", kDraw, 118, nullptr, 4},
    // Uncover: the old slide slides away the named way.
    {UncoverLeft, "UncoverLeft", kDraw, 0, &UncoverProc<-1, 0>, 4},
    {UncoverUp, "UncoverUp", kDraw, 0, &UncoverProc<0, -1>, 4},
    {UncoverRight, "UncoverRight", kDraw, 0, &UncoverProc<1, 0>, 4},
    {UncoverDown, "UncoverDown", kDraw, 0, &UncoverProc<0, 1>, 4},
    {UncoverLeftUp, "UncoverLeftUp", kDraw, 0, &UncoverProc<-1, -1>, 4},
    {UncoverRightUp, "UncoverRightUp", kDraw, 0, &UncoverProc<1, -1>, 4},
    {UncoverLeftDown, "UncoverLeftDown", kDraw, 0, &UncoverProc<-1, 1>, 4},
    {UncoverRightDown, "UncoverRightDown", kDraw, 0, &UncoverProc<1, 1>, 4},
    {RandomBarsHorizontal, "RandomBarsHorizontal", kDraw, 0, &RandomBarsHorizontalProc, 4},
    {RandomBarsVertical, "RandomBarsVertical", kDraw, 0, &RandomBarsVerticalProc, 4},
    // Strips: a diagonal front from the corner opposite the named way.
    {StripsUpLeft, "StripsUpLeft", kDraw, 113, nullptr, 4},        // Reveal diagonal from bottom right
    {StripsUpRight, "StripsUpRight", kDraw, 112, nullptr, 4},      // ... from bottom left
    {StripsDownLeft, "StripsDownLeft", kDraw, 111, nullptr, 4},    // ... from top right
    {StripsDownRight, "StripsDownRight", kDraw, 110, nullptr, 4},  // ... from top left
    {StripsLeftUp, "StripsLeftUp", kDraw, 113, nullptr, 4},
    {StripsRightUp, "StripsRightUp", kDraw, 112, nullptr, 4},
    {StripsLeftDown, "StripsLeftDown", kDraw, 111, nullptr, 4},
    {StripsRightDown, "StripsRightDown", kDraw, 110, nullptr, 4},
    // Wipe: the new slide is uncovered in place, the edge moving the named way.
    {WipeLeft, "WipeLeft", kDraw, 6, nullptr, 4},     // Reveal from right
    {WipeUp, "WipeUp", kDraw, 23, nullptr, 4},        // Reveal from bottom
    {WipeRight, "WipeRight", kDraw, 5, nullptr, 4},   // Reveal from left
    {WipeDown, "WipeDown", kDraw, 22, nullptr, 4},    // Reveal from top
    {BoxOut, "BoxOut", kDraw, 53, nullptr, 4},        // Reveal out from centre
    {BoxIn, "BoxIn", kDraw, 54, nullptr, 4},          // Reveal in to centre
    {SplitHorizontalOut, "SplitHorizontalOut", kDraw, 28, nullptr, 4},  // Reveal from middle (horiz)
    {SplitHorizontalIn, "SplitHorizontalIn", kDraw, 29, nullptr, 4},    // Slide in from top / bottom
    {SplitVerticalOut, "SplitVerticalOut", kDraw, 11, nullptr, 4},      // Reveal out from middle
    {SplitVerticalIn, "SplitVerticalIn", kDraw, 12, nullptr, 4},        // Reveal in from sides
    {Appear, "Appear", kCut, 0, nullptr, 4},
};

const Entry* Find(int effect) {
  for (const Entry& e : kTable)
    if (e.effect == effect) return &e;
  return nullptr;
}

TEffectLookup pictureShowEffects = nullptr;

TSlideTransition Make(const Entry& e) {
  TSlideTransition t;
  t.Kind = e.kind;
  t.Effect = e.effect;
  t.Proc = e.pictureShow ? (pictureShowEffects ? pictureShowEffects(e.pictureShow) : nullptr) : e.own;
  t.Step = e.step;
  return t;
}

}  // namespace

void SetPictureShowEffects(TEffectLookup Lookup) { pictureShowEffects = Lookup; }

const std::vector<int>& EntryEffects() {
  static const std::vector<int> all = [] {
    std::vector<int> v;
    for (const Entry& e : kTable) v.push_back(e.effect);
    return v;
  }();
  return all;
}

String EntryEffectName(int EntryEffect) {
  const Entry* e = Find(EntryEffect);
  return e ? String(e->name) : String();
}

bool IsEntryEffect(int EntryEffect) { return Find(EntryEffect) != nullptr; }

int PictureShowEffectFor(int EntryEffect) {
  const Entry* e = Find(EntryEffect);
  return e ? e->pictureShow : 0;
}

TSlideTransition TransitionFor(int EntryEffect, TEffectRandom& Rng) {
  if (EntryEffect == Random) {
    // One of the effects that draw something: not the cuts, not random.
    std::vector<const Entry*> drawn;
    for (const Entry& e : kTable)
      if (e.kind != kCut) drawn.push_back(&e);
    return Make(*drawn[size_t(Rng.Random(int(drawn.size())))]);
  }
  const Entry* e = Find(EntryEffect);
  return Make(e ? *e : *Find(Fade));
}

void DrawTransitionFrame(const TSlideTransition& T, const TBitmap& From, TBitmap& To, TBitmap& Frame, int Progress,
                         TEffectRandom& Rng) {
  if (Progress >= 100) {
    CopyPixels(&Frame, &To);
  } else if (T.Kind == TTransitionKind::ThroughBlack) {
    Frame.Fill(clBlack);
  } else {
    CopyPixels(&Frame, &From);
    DrawEffectFrame(&Frame, &To, T.Proc, T.Step, std::clamp(Progress, 1, 99), &Rng);
  }
}

double TransitionSeconds(int Speed, TEffectRandom& Rng) {
  static constexpr double kSeconds[] = {1.0, 0.75, 0.5};   // slow, medium, fast
  switch (Speed) {
    case 1:
    case 2:
    case 3: return kSeconds[Speed - 1];
    case -2: return kSeconds[Rng.Random(3)];
    default: return kSeconds[1];
  }
}

int TransitionFrames(double Seconds, double Rate) {
  return std::max(1, int(std::lround(Seconds * Rate)));
}
