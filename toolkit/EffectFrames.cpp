// The frame engine of transition effects (see the header).
#include "toolkit/EffectFrames.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

thread_local TEffectRandom* currentRandom = nullptr;

// Removes the clip of a canvas however the drawing under it ends.
class ClipGuard {
 public:
  ClipGuard(TCanvas* c, const TRegion* r) : c_(c) { c_->SelectClipRgn(r); }
  ~ClipGuard() { c_->SelectClipRgn(nullptr); }
  ClipGuard(const ClipGuard&) = delete;
  ClipGuard& operator=(const ClipGuard&) = delete;
 private:
  TCanvas* c_;
};

}  // namespace

// ---------------------------------------------------------------------------
// Stepping, geometry and generator

int StepProgress(int Progress, int Step, bool Reverse, int Full) {
  Step = std::max(Step, 1);
  if (Reverse) return Progress > Step ? Progress - Step : 0;
  return Progress < Full - Step ? Progress + Step : Full;
}

void CopyPixels(TBitmap* Dst, const TBitmap* Src) {
  if (Dst->Width() == Src->Width() && Dst->Height() == Src->Height()) {
    const size_t bytes = size_t(Src->Width()) * 4;
    for (int y = 0; y < Src->Height(); ++y) std::memcpy(Dst->ScanLine(y), Src->ScanLine(y), bytes);
  } else {
    Dst->Canvas()->Draw(0, 0, Src);
  }
}

void DrawEffectFrame(TBitmap* Screen, TBitmap* Picture, TEffectProc Proc, uint16_t Step, int Progress,
                     TEffectRandom* Rng) {
  if (Progress >= 100) {
    CopyPixels(Screen, Picture);
  } else if (Progress > 0 && Proc) {
    TEffectRandomScope rs(Rng);
    Proc(Screen, Picture, TRect(0, 0, Screen->Width(), Screen->Height()), Step, Progress);
    if (Screen->Canvas()->HasClip()) Screen->Canvas()->SelectClipRgn(nullptr);
  }
}

TEffectGeometry EffectGeometry(const TRect& R, uint16_t Step, int Progress) {
  TEffectGeometry g;
  g.W = R.Right - R.Left;
  g.H = R.Bottom - R.Top;
  if (g.W <= 0 || g.H <= 0) return g;   // nothing to show: all sizes stay 0
  if (g.W >= g.H) {
    g.X = MulDiv(g.W, Progress, 100);
    g.Y = MulDiv(g.X, g.H, g.W);
    g.S = MulDiv(g.W, Step, 90);
  } else {
    g.Y = MulDiv(g.H, Progress, 100);
    g.X = MulDiv(g.Y, g.W, g.H);
    g.S = MulDiv(g.H, Step, 90);
  }
  return g;
}

TEffectRandom& EffectRandom() {
  // A thread's own generator, from a fixed seed, when no picture show has
  // made its generator current.
  thread_local TEffectRandom fallback(0);
  return currentRandom ? *currentRandom : fallback;
}

TEffectRandomScope::TEffectRandomScope(TEffectRandom* r) : prev_(currentRandom) { currentRandom = r; }
TEffectRandomScope::~TEffectRandomScope() { currentRandom = prev_; }

// ---------------------------------------------------------------------------
// Drawing through a region

void DrawClipped(TBitmap* Screen, TBitmap* Picture, HRGN Rgn) {
  if (!Rgn) return;
  TRegion clip = *Rgn;   // the canvas keeps its own copy; the object goes now
  DeleteObject(Rgn);
  DrawClipped(Screen, Picture, clip);
}

void DrawClipped(TBitmap* Screen, TBitmap* Picture, const TRegion& Rgn) {
  if (Rgn.IsEmpty()) return;
  TCanvas* c = Screen->Canvas();
  ClipGuard guard(c, &Rgn);
  c->Draw(0, 0, Picture);
}

HRGN CreateRectsRgn(const std::vector<TRect>& Rects) {
  std::vector<TRegion> level;
  level.reserve(Rects.size());
  for (const TRect& r : Rects) {
    TRect n = r.Normalized();
    if (!n.IsEmpty()) level.push_back(TRegion::FromRect(n));
  }
  if (level.empty()) return new TRegion();
  while (level.size() > 1) {
    std::vector<TRegion> next;
    next.reserve(level.size() / 2 + 1);
    for (size_t i = 0; i + 1 < level.size(); i += 2) next.push_back(level[i].Combined(level[i + 1], RGN_OR));
    if (level.size() % 2) next.push_back(std::move(level.back()));
    level.swap(next);
  }
  return new TRegion(std::move(level.front()));
}
