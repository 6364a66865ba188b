#pragma once
// The effect procedures by family; each gives nullptr for a number it does
// not own or has not built.
#include "pictureshow/ShowEffects.h"

TEffectProc CopyEffectProc(int number);    // copy-based effects
TEffectProc StripEffectProc(int number);   // strip-pattern effects
TEffectProc ShapeEffectProc(int number);   // shape and pixel effects
TEffectProc FadeEffectProc(int number);    // the cross-fade (118)
