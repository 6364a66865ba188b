#pragma once
// The entry effects of the show window. Each of the presentation program's
// 47 entry effects (its PpEntryEffect constants) is drawn by the picture
// show's effect procedure of the same motion (wipe left is "Reveal from
// right", cover down "Slide in from top", box out "Reveal out from centre",
// dissolve "Random squares appear", ...); the few motions the picture show
// has none for (uncover in eight directions, checkerboard across and down,
// random bars) are procedures of the show window's own, built on the same
// canvas routines. None, cut and appear are cuts; cut through black shows
// one black frame between the slides; random picks one of the drawn effects
// per change of slide. A constant the program does not know is drawn as a
// fade.
#include <cstdint>
#include <vector>
#include "toolkit/EffectFrames.h"

namespace ppEntryEffect {
constexpr int None = 0, Cut = 257, CutThroughBlack = 258, Random = 513, BlindsHorizontal = 769,
              BlindsVertical = 770, CheckerboardAcross = 1025, CheckerboardDown = 1026, CoverLeft = 1281,
              CoverUp = 1282, CoverRight = 1283, CoverDown = 1284, CoverLeftUp = 1285, CoverRightUp = 1286,
              CoverLeftDown = 1287, CoverRightDown = 1288, Dissolve = 1537, Fade = 1793, UncoverLeft = 2049,
              UncoverUp = 2050, UncoverRight = 2051, UncoverDown = 2052, UncoverLeftUp = 2053,
              UncoverRightUp = 2054, UncoverLeftDown = 2055, UncoverRightDown = 2056,
              RandomBarsHorizontal = 2305, RandomBarsVertical = 2306, StripsUpLeft = 2561, StripsUpRight = 2562,
              StripsDownLeft = 2563, StripsDownRight = 2564, StripsLeftUp = 2565, StripsRightUp = 2566,
              StripsLeftDown = 2567, StripsRightDown = 2568, WipeLeft = 2817, WipeUp = 2818, WipeRight = 2819,
              WipeDown = 2820, BoxOut = 3073, BoxIn = 3074, SplitHorizontalOut = 3585, SplitHorizontalIn = 3586,
              SplitVerticalOut = 3587, SplitVerticalIn = 3588, Appear = 3844;
}  // namespace ppEntryEffect

// The picture show's effect procedures by number (its table of 150). The
// platform does not reach into the system's own code: the console hands the
// table over at start-up. Until it does, an entry effect drawn by a picture-show
// procedure keeps the old slide until the new one is shown whole.
using TEffectLookup = TEffectProc (*)(int Effect);
void SetPictureShowEffects(TEffectLookup Lookup);

// The 47 constants.
const std::vector<int>& EntryEffects();
// The program's name of a constant ("WipeLeft"); empty for an unknown one.
String EntryEffectName(int EntryEffect);
bool IsEntryEffect(int EntryEffect);

enum class TTransitionKind { Cut, ThroughBlack, Effect };

struct TSlideTransition {
  TTransitionKind Kind = TTransitionKind::Cut;
  int Effect = 0;               // the entry effect drawn (random resolved)
  TEffectProc Proc = nullptr;   // for Effect
  uint16_t Step = 4;            // the picture show's step, for the effect's geometry
};

// How entry effect EntryEffect is drawn; random picks with Rng, an unknown
// constant is a fade.
TSlideTransition TransitionFor(int EntryEffect, TEffectRandom& Rng);
// Draws frame Progress (1..100) of T going from From to To into Frame (all
// of one size), as the show window does each display frame: the picture show's
// frame of the effect (From, then the effect over it), or black before the end
// of a cut through black.
void DrawTransitionFrame(const TSlideTransition& T, const TBitmap& From, TBitmap& To, TBitmap& Frame, int Progress,
                         TEffectRandom& Rng);
// The picture show's effect number that draws EntryEffect; 0 when it is a cut
// or a procedure of the show window's own.
int PictureShowEffectFor(int EntryEffect);

// Seconds of a transition at a speed constant: fast (3) 0.5, medium (2)
// 0.75, slow (1) 1.0; mixed (-2) picks one of them with Rng; others medium.
double TransitionSeconds(int Speed, TEffectRandom& Rng);
// Frames of a transition of Seconds at Rate frames a second (at least 1).
int TransitionFrames(double Seconds, double Rate);
