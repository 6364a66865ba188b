#pragma once
// Pixel helpers shared by the label tests: reading pixels, the extent of
// what was drawn, and the check of relief passes against a plain drawing.
#include <gtest/gtest.h>

#include <memory>

#include "toolkit/Graphics.h"

namespace relief {

using Pic = std::shared_ptr<TBitmap>;

inline TColor px(const TBitmap& b, int x, int y) {
  if (x < 0 || y < 0 || x >= b.Width() || y >= b.Height()) return clBlack;
  const uint8_t* p = b.ScanLine(y) + 4 * x;
  return RGB(p[2], p[1], p[0]);
}

// The smallest rectangle holding every pixel that differs from bg
// (Left > Right when there is none).
inline TRect inkBounds(const Pic& pic, TColor bg) {
  const TBitmap& b = *pic;
  TRect r(b.Width(), b.Height(), -1, -1);
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (px(b, x, y) != bg) {
        r.Left = std::min(r.Left, x);
        r.Top = std::min(r.Top, y);
        r.Right = std::max(r.Right, x + 1);
        r.Bottom = std::max(r.Bottom, y + 1);
      }
  return r;
}

// The text drawn once in white on black: the reference for the passes.
struct Mask {
  Pic b;
  bool full(int x, int y) const { return px(*b, x, y) == clWhite; }     // fully covered
  bool empty(int x, int y) const { return px(*b, x, y) == clBlack; }    // untouched
};

// For every pixel the expected colour by the pass that lies on top there:
// the text at offset 0, the second pass at +s, the first pass at -s (clNone:
// the pass is not drawn). Only pixels where each relevant pass either covers
// fully or not at all are judged, so smoothing of glyph edges does not
// matter. Returns the number of pixels judged.
inline int checkRelief(const Pic& gotPic, const Mask& m, int s, TColor text, TColor second, TColor first) {
  const TBitmap& got = *gotPic;
  int judged = 0;
  for (int y = 0; y < got.Height(); ++y)
    for (int x = 0; x < got.Width(); ++x) {
      TColor want;
      if (m.full(x, y)) {
        want = text;
      } else if (!m.empty(x, y)) {
        continue;
      } else if (second != clNone && m.full(x - s, y - s)) {
        want = second;
      } else if (second != clNone && !m.empty(x - s, y - s)) {
        continue;
      } else if (first != clNone && m.full(x + s, y + s)) {
        want = first;
      } else if (first != clNone && !m.empty(x + s, y + s)) {
        continue;
      } else {
        want = clBlack;
      }
      ++judged;
      if (px(got, x, y) != want) {
        ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << px(got, x, y) << " not " << want;
        return judged;
      }
    }
  return judged;
}

}  // namespace relief
