#pragma once
// The transition effects of the picture show: the table of 150 named effect
// procedures and the drawing routines several of them use (mirrored copy,
// cross-fade, rotations, region builders). The frame engine they run on (the
// procedure type, geometry, generator, clipped drawing, stepping) is the
// toolkit's (toolkit/EffectFrames.h), shared with the slide show window.
#include <cstdint>
#include <vector>
#include "toolkit/EffectFrames.h"

struct TEffect {
  String Name;
  TEffectProc Proc;   // nullptr while the procedure is not available
};

constexpr int EffectCount = 150;

// Entry k (1..EffectCount) of the table; raises EListError outside that range.
const TEffect& EffectTable(int k);
// The effect's name, or "" for a number outside 1..EffectCount.
String EffectName(int k);
// The number of the first entry whose name matches (case-insensitive); 0 when
// none does. Two names occur twice; the lower number wins.
int FindEffect(const String& Name);
// The procedure of effect k, nullptr when k is outside the table or the
// procedure is absent.
TEffectProc EffectProc(int k);

// ---------------------------------------------------------------------------
// Drawing routines.

// Copies Q of Src (intersected with Src's bounds) onto D of Dst; with
// MirrorAcross D's left and right become (right + 1, left - 1), with
// MirrorDown its top and bottom become (bottom + 1, top - 1), so the negative
// extent mirrors the copy.
void MirrorCopyRect(TCanvas* Dst, TRect D, TBitmap* Src, TRect Q, bool MirrorAcross, bool MirrorDown);

// Screen := (Screen * (100 - p) + Picture * p) div 100 for blue, green and red
// of every pixel; the fourth byte is left alone.
void CrossFade(TBitmap* Screen, TBitmap* Picture, int Progress);

// Rotates Src into Dst about (CX, CY) by Angle radians, 16.16 fixed point with
// 64-bit products: Dst(x, y) := Src(sx, sy) where the source point falls
// inside Src; other pixels of Dst keep their value.
void RotateBitmap(TBitmap* Dst, TBitmap* Src, int CX, int CY, double Angle);

// Rotates Points[0..Last] about (CX, CY) by Angle radians, rounding to the
// nearest integer.
void RotatePoints(TPoint* Points, int Last, int CX, int CY, double Angle);
inline void RotatePoints(std::vector<TPoint>& Points, int CX, int CY, double Angle) {
  if (!Points.empty()) RotatePoints(Points.data(), int(Points.size()) - 1, CX, CY, Angle);
}

// Region builders. Each returns a new region the caller owns (release it with
// DeleteObject, or hand it to DrawClipped).
HRGN CreateTriangleRgn(int x1, int y1, int x2, int y2, int x3, int y3);
// The centre and N points of the arc from StartAngle, the last one segment
// short of EndAngle.
HRGN CreatePieRgn(int CX, int CY, int Radius, double StartAngle, double EndAngle, int N);
// Rows of height 5 and columns of width 5 at a pitch of 10 (modes 1..5).
HRGN CreateBarsRgn(int PX, int PY, int W, int H, int S, int RowMode, int ColMode);
// Overlapping rows/columns with jittered edges, drawn from Rng.
HRGN CreateShredRgn(int PX, int PY, int W, int H, int RowMode, int ColMode, TEffectRandom& Rng);
inline HRGN CreateShredRgn(int PX, int PY, int W, int H, int RowMode, int ColMode) {
  return CreateShredRgn(PX, PY, W, H, RowMode, ColMode, EffectRandom());
}
// A solid front with scattered cells ahead of it, drawn from Rng.
HRGN CreateSpeckleRgn(int PX, int PY, int W, int H, int RowMode, int ColMode, TEffectRandom& Rng);
inline HRGN CreateSpeckleRgn(int PX, int PY, int W, int H, int RowMode, int ColMode) {
  return CreateSpeckleRgn(PX, PY, W, H, RowMode, ColMode, EffectRandom());
}

