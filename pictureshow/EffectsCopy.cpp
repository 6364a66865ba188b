// The copy-based effects (1..57 and 128..135): expanding, sliding, revealing,
// unrolling, building-up, appear-and-contract, quarter and push effects. Each
// frame is one to four rectangle copies, destination <- source, onto the
// screen bitmap that already holds the old picture; the source is the new
// picture, or the screen itself for the first copy of a push. Halves are
// integer divisions truncating toward zero, also for negative values.
#include <algorithm>
#include <cstring>
#include <vector>
#include "pictureshow/EffectFamilies.h"

namespace {

// Stretching copy of Q of Src onto D of Dst: nearest neighbour; the canvas
// clips what lies outside Dst and skips source pixels outside Src (a quarter
// of effect 57 starts at W div 2 - 1 = -1 on a picture one pixel wide). A
// copy with an empty destination or source draws nothing, so a zero-sized
// strip at the very start or end of a run never reaches the stretch with a
// zero extent.
void StretchCopy(TBitmap* Dst, const TRect& D, TBitmap* Src, const TRect& Q) {
  if (D.IsEmpty() || Q.IsEmpty()) return;
  Dst->Canvas()->CopyRect(D, Src->Canvas(), Q);
}

// The first copy of a push: Q of the screen onto D of the screen itself,
// where D and Q span the same rows or the same columns. It is done in place,
// in the order that never reads a pixel already written (every destination
// index takes its source from the same side of itself), which gives the frame
// a copy through a temporary gives without copying the whole frame aside
// first: rows are moved with memmove/memcpy, squeezed rows gathered through a
// column map. Nearest neighbour from pixel centre to pixel centre, as the
// canvas copies. Any other pair of rectangles goes through the canvas.
void ShiftScreen(TBitmap* B, const TRect& D, const TRect& Q) {
  if (D.IsEmpty() || Q.IsEmpty()) return;
  const TRect bounds(0, 0, B->Width(), B->Height());
  TRect d, q;
  const bool inside = IntersectRect(d, D, bounds) && d == D && IntersectRect(q, Q, bounds) && q == Q;
  const bool across = D.Top == Q.Top && D.Bottom == Q.Bottom;   // only the columns differ
  const bool down = D.Left == Q.Left && D.Right == Q.Right;     // only the rows differ
  if (!inside || !(across || down)) {
    B->Canvas()->CopyRect(D, B->Canvas(), Q);
    return;
  }
  // Source index of each destination index along the axis that differs.
  const int n = across ? D.Width() : D.Height(), m = across ? Q.Width() : Q.Height();
  const int d0 = across ? D.Left : D.Top, q0 = across ? Q.Left : Q.Top;
  std::vector<int> map(static_cast<size_t>(n));
  bool fromBefore = true, fromAfter = true;
  for (int i = 0; i < n; ++i) {
    map[size_t(i)] = q0 + (n == m ? i : int(int64_t(2 * i + 1) * m / (int64_t(2) * n)));
    fromBefore = fromBefore && map[size_t(i)] <= d0 + i;
    fromAfter = fromAfter && map[size_t(i)] >= d0 + i;
  }
  if (!fromBefore && !fromAfter) {
    B->Canvas()->CopyRect(D, B->Canvas(), Q);
    return;
  }
  uint8_t* const base = B->ScanLine(0);
  const size_t pitch = size_t(B->BytesPerLine());
  if (across) {
    const int* const from = map.data();
    for (int y = D.Top; y < D.Bottom; ++y) {
      uint32_t* row = reinterpret_cast<uint32_t*>(base + pitch * size_t(y));
      if (n == m)
        std::memmove(row + D.Left, row + Q.Left, size_t(n) * 4);
      else if (fromBefore)
        for (int i = n - 1; i >= 0; --i) row[d0 + i] = row[from[i]];
      else
        for (int i = 0; i < n; ++i) row[d0 + i] = row[from[i]];
    }
  } else {
    const size_t offset = size_t(D.Left) * 4, bytes = size_t(D.Width()) * 4;
    auto moveRow = [&](int i) {
      const int from = map[size_t(i)];
      if (from != d0 + i)
        std::memcpy(base + pitch * size_t(d0 + i) + offset, base + pitch * size_t(from) + offset, bytes);
    };
    if (fromBefore)
      for (int i = n - 1; i >= 0; --i) moveRow(i);
    else
      for (int i = 0; i < n; ++i) moveRow(i);
  }
}

// One frame of a copy effect: the two bitmaps and the shared geometry.
struct TCopyFrame {
  TBitmap* Screen;
  TBitmap* Picture;
  int W, H, X, Y, S;

  TRect All() const { return TRect(0, 0, W, H); }
  // D <- Q of the new picture.
  void Copy(const TRect& D, const TRect& Q) const { StretchCopy(Screen, D, Picture, Q); }
  // D <- the whole new picture.
  void CopyAll(const TRect& D) const { Copy(D, All()); }
  // The new picture uncovered in place.
  void Same(const TRect& D) const { Copy(D, D); }
  // D <- Q of the screen itself (the old picture moved or squeezed aside).
  void Shift(const TRect& D, const TRect& Q) const { ShiftScreen(Screen, D, Q); }
  // Q of the new picture mirrored into D (the rolled-up strip of an unroll).
  void Mirror(const TRect& D, const TRect& Q, bool Across, bool Down) const {
    if (D.IsEmpty() || Q.IsEmpty()) return;
    MirrorCopyRect(Screen->Canvas(), D, Picture, Q, Across, Down);
  }
  // The width or height of the stretched strip of the build-up effects: the
  // side divided by S, where S counts as at least 1 and the strip is at least
  // one pixel.
  int Strip(int Side) const { return AtLeast1(Side / AtLeast1(S)); }

  // 1..17: horizontal.
  void ExpandFromRight() const { CopyAll(TRect(W - X, 0, W, H)); }
  void ExpandFromLeft() const { CopyAll(TRect(0, 0, X, H)); }
  void SlideInFromRight() const { CopyAll(TRect(W - X, 0, 2 * W - X, H)); }
  void SlideInFromLeft() const { CopyAll(TRect(X - W, 0, X, H)); }
  void RevealFromLeft() const { Same(TRect(0, 0, X, H)); }
  void RevealFromRight() const { Same(TRect(W - X, 0, W, H)); }
  void ExpandInFromRight() const { Copy(TRect(0, 0, 2 * W - X, H), TRect(0, 0, X, H)); }
  void ExpandInFromLeft() const { Copy(TRect(X - W, 0, W, H), TRect(W - X, 0, W, H)); }
  void ExpandInToMiddle() const {
    Copy(TRect(X - W, 0, 2 * W - X, H), TRect((W - X) / 2, 0, (W + X) / 2, H));
  }
  void ExpandOutFromMiddle() const { CopyAll(TRect((W - X) / 2, 0, (W + X) / 2, H)); }
  void RevealOutFromMiddle() const { Same(TRect((W - X) / 2, 0, (W + X) / 2, H)); }
  void RevealInFromSides() const {
    Same(TRect(0, 0, X / 2 + 1, H));
    Same(TRect(W - X / 2 - 1, 0, W, H));
  }
  void ExpandInFromSides() const {
    Copy(TRect(0, 0, X / 2 + 1, H), TRect(0, 0, W / 2 + 1, H));
    Copy(TRect(W - X / 2 - 1, 0, W, H), TRect(W / 2, 0, W, H));
  }
  void UnrollFromLeft() const {
    int e;
    if (X < W / 5)
      e = X + X / 2;
    else if (X + W / 5 <= W)
      e = X + W / 10;
    else
      e = X + (W - X) / 2;
    Mirror(TRect(X, 0, e, H), TRect(e, 0, 2 * e - X, H), true, false);
    Same(TRect(0, 0, X, H));
  }
  void UnrollFromRight() const {
    const int edge = W - X;
    int e;
    if (X < W / 5)
      e = edge - X / 2;
    else if (W / 5 > edge)
      e = edge - edge / 2;
    else
      e = edge - W / 10;
    Mirror(TRect(e, 0, edge, H), TRect(2 * e - edge, 0, e, H), true, false);
    Same(TRect(edge, 0, W, H));
  }
  void BuildUpFromRight() const {
    Same(TRect(0, 0, X, H));
    Copy(TRect(X, 0, W, H), TRect(X, 0, std::min(X + Strip(W), W), H));
  }
  void BuildUpFromLeft() const {
    Same(TRect(W - X, 0, W, H));
    Copy(TRect(0, 0, W - X, H), TRect(std::max(W - X - Strip(W), 0), 0, W - X, H));
  }

  // 18..34: vertical.
  void ExpandFromBottom() const { CopyAll(TRect(0, H - Y, W, H)); }
  void ExpandFromTop() const { CopyAll(TRect(0, 0, W, Y)); }
  void SlideInFromBottom() const { CopyAll(TRect(0, H - Y, W, 2 * H - Y)); }
  void SlideInFromTop() const { CopyAll(TRect(0, Y - H, W, Y)); }
  void RevealFromTop() const { Same(TRect(0, 0, W, Y)); }
  void RevealFromBottom() const { Same(TRect(0, H - Y, W, H)); }
  void ExpandInFromBottom() const { Copy(TRect(0, 0, W, 2 * H - Y), TRect(0, 0, W, Y)); }
  void ExpandInFromTop() const { Copy(TRect(0, Y - H, W, H), TRect(0, H - Y, W, H)); }
  void ExpandInToMiddleHoriz() const {
    Copy(TRect(0, Y - H, W, 2 * H - Y), TRect(0, (H - Y) / 2, W, (H + Y) / 2));
  }
  void ExpandOutFromMiddleHoriz() const { CopyAll(TRect(0, (H - Y) / 2, W, (H + Y) / 2)); }
  void RevealFromMiddleHoriz() const { Same(TRect(0, (H - Y) / 2, W, (H + Y) / 2)); }
  void SlideInFromTopBottom() const {
    Same(TRect(0, 0, W, Y / 2 + 1));
    Same(TRect(0, H - Y / 2 - 1, W, H));
  }
  void ExpandInFromTopBottom() const {
    Copy(TRect(0, 0, W, Y / 2 + 1), TRect(0, 0, W, H / 2 + 1));
    Copy(TRect(0, H - Y / 2 - 1, W, H), TRect(0, H / 2, W, H));
  }
  void UnrollFromTop() const {
    int e;
    if (Y < H / 5)
      e = Y + Y / 2;
    else if (Y + H / 5 <= H)
      e = Y + H / 10;
    else
      e = Y + (H - Y) / 2;
    Mirror(TRect(0, Y, W, e), TRect(0, e, W, 2 * e - Y), false, true);
    Same(TRect(0, 0, W, Y));
  }
  void UnrollFromBottom() const {
    const int edge = H - Y;
    int e;
    if (Y < H / 5)
      e = edge - Y / 2;
    else if (H / 5 > edge)
      e = edge - edge / 2;
    else
      e = edge - H / 10;
    Mirror(TRect(0, e, W, edge), TRect(0, 2 * e - edge, W, e), false, true);
    Same(TRect(0, edge, W, H));
  }
  void ExpandFromBottomStrip() const {
    Same(TRect(0, 0, W, Y));
    Copy(TRect(0, Y, W, H), TRect(0, Y, W, std::min(Y + Strip(H), H)));
  }
  void ExpandInFromTopStrip() const {
    Same(TRect(0, H - Y, W, H));
    Copy(TRect(0, 0, W, H - Y), TRect(0, std::max(H - Y - Strip(H), 0), W, H - Y));
  }

  // 35..57: corners, centre and quarters.
  void ExpandFromBottomRight() const { CopyAll(TRect(W - X, H - Y, W, H)); }
  void ExpandFromTopRight() const { CopyAll(TRect(W - X, 0, W, Y)); }
  void ExpandFromTopLeft() const { CopyAll(TRect(0, 0, X, Y)); }
  void ExpandFromBottomLeft() const { CopyAll(TRect(0, H - Y, X, H)); }
  void SlideInFromBottomRight() const { CopyAll(TRect(W - X, H - Y, 2 * W - X, 2 * H - Y)); }
  void SlideInFromTopRight() const { CopyAll(TRect(W - X, Y - H, 2 * W - X, Y)); }
  void SlideInFromTopLeft() const { CopyAll(TRect(X - W, Y - H, X, Y)); }
  void SlideInFromBottomLeft() const { CopyAll(TRect(X - W, H - Y, X, 2 * H - Y)); }
  void RevealFromTopLeft() const { Same(TRect(0, 0, X, Y)); }
  void RevealFromBottomLeft() const { Same(TRect(0, H - Y, X, H)); }
  void RevealFromBottomRight() const { Same(TRect(W - X, H - Y, W, H)); }
  void RevealFromTopRight() const { Same(TRect(W - X, 0, W, Y)); }
  void ContractToTopLeft() const { Copy(TRect(0, 0, 2 * W - X, 2 * H - Y), TRect(0, 0, X, Y)); }
  void ContractToBottomLeft() const { Copy(TRect(0, Y - H, 2 * W - X, H), TRect(0, H - Y, X, H)); }
  void ContractToBottomRight() const { Copy(TRect(X - W, Y - H, W, H), TRect(W - X, H - Y, W, H)); }
  void ContractToTopRight() const { Copy(TRect(X - W, 0, W, 2 * H - Y), TRect(W - X, 0, W, Y)); }
  void ContractToMiddle() const {
    Copy(TRect(X - W, Y - H, 2 * W - X, 2 * H - Y),
         TRect((W - X) / 2, (H - Y) / 2, (W + X) / 2, (H + Y) / 2));
  }
  void ExpandOutFromCentre() const { CopyAll(TRect((W - X) / 2, (H - Y) / 2, (W + X) / 2, (H + Y) / 2)); }
  void RevealOutFromCentre() const { Same(TRect((W - X) / 2, (H - Y) / 2, (W + X) / 2, (H + Y) / 2)); }
  void RevealInToCentre() const {
    Same(TRect(0, 0, W, Y / 2));
    Same(TRect(0, H - Y / 2, W, H));
    Same(TRect(0, 0, X / 2, H));
    Same(TRect(W - X / 2, 0, W, H));
  }
  void QuartersRevealInToMiddle() const {
    Same(TRect(0, 0, X / 2 + 1, Y / 2 + 1));
    Same(TRect(0, H - Y / 2 - 1, X / 2 + 1, H));
    Same(TRect(W - X / 2 - 1, H - Y / 2 - 1, W, H));
    Same(TRect(W - X / 2 - 1, 0, W, Y / 2 + 1));
  }
  void QuartersExpandToMiddle() const {
    Copy(TRect(0, 0, X / 2 + 1, Y / 2 + 1), TRect(0, 0, W / 2 + 1, H / 2 + 1));
    Copy(TRect(0, H - Y / 2, X / 2 + 1, H), TRect(0, H / 2 + 1, W / 2 + 1, H));
    Copy(TRect(W - X / 2, H - Y / 2, W, H), TRect(W / 2 + 1, H / 2 + 1, W, H));
    Copy(TRect(W - X / 2, 0, W, Y / 2 + 1), TRect(W / 2 + 1, 0, W, H / 2 + 1));
  }
  void QuartersSlideInToMiddle() const {
    Copy(TRect((X - W) / 2, 0, X / 2 + 1, H / 2 + 1), TRect(0, 0, W / 2 + 1, H / 2 + 1));
    Copy(TRect(W / 2 - 1, (Y - H) / 2, W, Y / 2 + 1), TRect(W / 2 - 1, 0, W, H / 2 + 1));
    Copy(TRect(W - X / 2, H / 2 - 1, W + (W - X) / 2, H), TRect(W / 2 + 1, H / 2 - 1, W, H));
    Copy(TRect(0, H - Y / 2, W / 2 + 1, H + (H - Y) / 2), TRect(0, H / 2 + 1, W / 2 + 1, H));
  }

  // 128..135: the old picture is pushed (moved or squeezed) aside, then the
  // entering part of the new picture is copied in.
  void PushRight() const {
    Shift(TRect(X, 0, W, H), TRect(0, 0, W - X, H));
    Copy(TRect(0, 0, X, H), TRect(W - X, 0, W, H));
  }
  void PushLeft() const {
    Shift(TRect(0, 0, W - X, H), TRect(X, 0, W, H));
    Copy(TRect(W - X, 0, W, H), TRect(0, 0, X, H));
  }
  void PushSqueezeRight() const {
    Shift(TRect(X, 0, W, H), All());
    Copy(TRect(0, 0, X, H), TRect(W - X, 0, W, H));
  }
  void PushSqueezeLeft() const {
    Shift(TRect(0, 0, W - X, H), All());
    Copy(TRect(W - X, 0, W, H), TRect(0, 0, X, H));
  }
  void PushDown() const {
    Shift(TRect(0, Y, W, H), TRect(0, 0, W, H - Y));
    Copy(TRect(0, 0, W, Y), TRect(0, H - Y, W, H));
  }
  void PushUp() const {
    Shift(TRect(0, 0, W, H - Y), TRect(0, Y, W, H));
    Copy(TRect(0, H - Y, W, H), TRect(0, 0, W, Y));
  }
  void PushSqueezeDown() const {
    Shift(TRect(0, Y, W, H), All());
    Copy(TRect(0, 0, W, Y), TRect(0, H - Y, W, H));
  }
  void PushSqueezeUp() const {
    Shift(TRect(0, 0, W, H - Y), All());
    Copy(TRect(0, H - Y, W, H), TRect(0, 0, W, Y));
  }
};

using TCopyMember = void (TCopyFrame::*)() const;

// The effect procedure around one member: the shared geometry, then the
// copies. An empty frame (or a missing bitmap) draws nothing.
template <TCopyMember M>
void Run(TBitmap* Screen, TBitmap* Picture, const TRect& R, uint16_t Step, int Progress) {
  if (!Screen || !Picture) return;
  const TEffectGeometry g = EffectGeometry(R, Step, Progress);
  if (g.W <= 0 || g.H <= 0) return;
  const TCopyFrame f{Screen, Picture, g.W, g.H, g.X, g.Y, g.S};
  (f.*M)();
}

struct TCopyEntry {
  int Number;
  TEffectProc Proc;
};

using F = TCopyFrame;
constexpr TCopyEntry CopyEffects[] = {
    {1, &Run<&F::ExpandFromRight>},
    {2, &Run<&F::ExpandFromLeft>},
    {3, &Run<&F::SlideInFromRight>},
    {4, &Run<&F::SlideInFromLeft>},
    {5, &Run<&F::RevealFromLeft>},
    {6, &Run<&F::RevealFromRight>},
    {7, &Run<&F::ExpandInFromRight>},
    {8, &Run<&F::ExpandInFromLeft>},
    {9, &Run<&F::ExpandInToMiddle>},
    {10, &Run<&F::ExpandOutFromMiddle>},
    {11, &Run<&F::RevealOutFromMiddle>},
    {12, &Run<&F::RevealInFromSides>},
    {13, &Run<&F::ExpandInFromSides>},
    {14, &Run<&F::UnrollFromLeft>},
    {15, &Run<&F::UnrollFromRight>},
    {16, &Run<&F::BuildUpFromRight>},
    {17, &Run<&F::BuildUpFromLeft>},
    {18, &Run<&F::ExpandFromBottom>},
    {19, &Run<&F::ExpandFromTop>},
    {20, &Run<&F::SlideInFromBottom>},
    {21, &Run<&F::SlideInFromTop>},
    {22, &Run<&F::RevealFromTop>},
    {23, &Run<&F::RevealFromBottom>},
    {24, &Run<&F::ExpandInFromBottom>},
    {25, &Run<&F::ExpandInFromTop>},
    {26, &Run<&F::ExpandInToMiddleHoriz>},
    {27, &Run<&F::ExpandOutFromMiddleHoriz>},
    {28, &Run<&F::RevealFromMiddleHoriz>},
    {29, &Run<&F::SlideInFromTopBottom>},
    {30, &Run<&F::ExpandInFromTopBottom>},
    {31, &Run<&F::UnrollFromTop>},
    {32, &Run<&F::UnrollFromBottom>},
    {33, &Run<&F::ExpandFromBottomStrip>},
    {34, &Run<&F::ExpandInFromTopStrip>},
    {35, &Run<&F::ExpandFromBottomRight>},
    {36, &Run<&F::ExpandFromTopRight>},
    {37, &Run<&F::ExpandFromTopLeft>},
    {38, &Run<&F::ExpandFromBottomLeft>},
    {39, &Run<&F::SlideInFromBottomRight>},
    {40, &Run<&F::SlideInFromTopRight>},
    {41, &Run<&F::SlideInFromTopLeft>},
    {42, &Run<&F::SlideInFromBottomLeft>},
    {43, &Run<&F::RevealFromTopLeft>},
    {44, &Run<&F::RevealFromBottomLeft>},
    {45, &Run<&F::RevealFromBottomRight>},
    {46, &Run<&F::RevealFromTopRight>},
    {47, &Run<&F::ContractToTopLeft>},
    {48, &Run<&F::ContractToBottomLeft>},
    {49, &Run<&F::ContractToBottomRight>},
    {50, &Run<&F::ContractToTopRight>},
    {51, &Run<&F::ContractToMiddle>},
    {52, &Run<&F::ExpandOutFromCentre>},
    {53, &Run<&F::RevealOutFromCentre>},
    {54, &Run<&F::RevealInToCentre>},
    {55, &Run<&F::QuartersRevealInToMiddle>},
    {56, &Run<&F::QuartersExpandToMiddle>},
    {57, &Run<&F::QuartersSlideInToMiddle>},
    {128, &Run<&F::PushRight>},
    {129, &Run<&F::PushLeft>},
    {130, &Run<&F::PushSqueezeRight>},
    {131, &Run<&F::PushSqueezeLeft>},
    {132, &Run<&F::PushDown>},
    {133, &Run<&F::PushUp>},
    {134, &Run<&F::PushSqueezeDown>},
    {135, &Run<&F::PushSqueezeUp>},
};

}  // namespace

TEffectProc CopyEffectProc(int number) {
  for (const TCopyEntry& e : CopyEffects)
    if (e.Number == number) return e.Proc;
  return nullptr;
}
