#pragma once
// Reveal masks: the fast path of the region effects.
//
// A mask holds one byte per pixel of the frame. Shapes are stamped into it
// span by span (rectangles normalised like rectangle regions, polygons with
// the winding rule and rounded rectangles, both sampled at pixel centres), and
// the pixels whose byte holds the wanted value are then copied from the new
// picture onto the screen bitmap straight through their scan lines. The
// result is that of building the region and drawing the picture through it
// as clip, without uniting thousands of rectangles into one region first.
//
// Tall narrow rectangles (columns of a strip pattern) go through a second
// plane: each marks only its top and bottom edge there, and one pass down the
// columns turns the edges into covered pixels, so a column costs its width
// rather than its area.
//
// The storage is kept per thread and reused from frame to frame, so a frame
// costs no allocation once the first one has run.
#include <cstdint>
#include <type_traits>
#include <vector>
#include "pictureshow/ShowEffects.h"

class TRevealMask {
 public:
  // How a stamped span changes the bytes it covers.
  enum TOp : uint8_t {
    opSet,   // byte := value (a union when every shape uses the same value)
    opOr,    // byte := byte or value (bit planes, for intersections)
  };

  // A cleared mask of W x H pixels (negative sizes count as 0).
  TRevealMask(int W, int H);
  ~TRevealMask();
  TRevealMask(const TRevealMask&) = delete;
  TRevealMask& operator=(const TRevealMask&) = delete;

  int Width() const { return w_; }
  int Height() const { return h_; }
  uint8_t At(int x, int y) const;   // 0 outside the mask

  // Pixels x0..x1-1 of row y (clipped; an empty or reversed span does nothing).
  void Span(int y, int x0, int x1, TOp op = opSet, uint8_t value = 1);
  // The rectangle (l, t, r, b), normalised (l > r or t > b swapped) and clipped.
  void Rect(int l, int t, int r, int b, TOp op = opSet, uint8_t value = 1);
  // Count copies of the span (x0, x0 + len) on row y, one every Pitch pixels
  // to the right (with a Pitch of 0 or less every copy lies on the first).
  // Touching or overlapping copies are stamped as one span.
  void PeriodicSpan(int y, int64_t x0, int len, int Pitch, int64_t Count, TOp op = opSet, uint8_t value = 1);
  // The polygon of the points, winding fill: a pixel belongs to it when its
  // centre lies inside.
  void Polygon(const TPoint* Points, int Count, TOp op = opSet, uint8_t value = 1);
  void Polygon(const std::vector<TPoint>& Points, TOp op = opSet, uint8_t value = 1) {
    Polygon(Points.data(), int(Points.size()), op, value);
  }
  // The rectangle (l, t, r, b), normalised, with its corners rounded by an
  // ellipse ew x eh (each cut to the rectangle's own width or height): the
  // pixels whose centres lie inside.
  void RoundRect(int l, int t, int r, int b, int ew, int eh, TOp op = opSet, uint8_t value = 1);

  // The rectangle (l, t, r, b), normalised and clipped, on the column plane.
  // Up to 127 column rectangles may overlap at one pixel.
  void ColumnRect(int l, int t, int r, int b);
  // Ors value into every byte covered by the column rectangles given since
  // the last merge, and clears the column plane.
  void MergeColumns(uint8_t value = 1);

  // Copies Picture onto Screen at every pixel whose byte equals Want (Want 0
  // is not allowed and copies nothing); column rectangles not yet merged are
  // merged with value 1 first. Only the part that lies inside both bitmaps is
  // touched.
  void Apply(TBitmap* Screen, const TBitmap* Picture, uint8_t Want = 1);

  // The spans of a polygon sampled at pixel centres, rows clipped to
  // 0..ClipH-1 and columns left unclipped: Emit(y, x0, x1) for each span
  // x0..x1-1. Rows come in ascending order.
  template <class F>
  static void PolygonSpans(const TPoint* Points, int Count, int ClipH, F&& Emit);

 private:
  uint8_t* row(int y) const { return data_ + size_t(y) * size_t(stride_); }
  static void fill(uint8_t* p, int n, TOp op, uint8_t value);
  static void polygonRows(const TPoint* Points, int Count, int ClipH, void* ctx,
                          void (*emit)(void*, int, int, int));

  int8_t* edges(int y) const { return edges_ + size_t(y) * size_t(stride_); }
  // Widens the written part of row y to cover x0..x1-1 (already clipped).
  void touch(int y, int x0, int x1) {
    if (x0 < lo_[y]) lo_[y] = x0;
    if (x1 > hi_[y]) hi_[y] = x1;
  }

  int w_ = 0, h_ = 0, stride_ = 0;
  uint8_t* data_ = nullptr;
  // Per row, the bytes lo_[y]..hi_[y]-1 that may have been written; all the
  // others of the row are zero (lo_[y] >= hi_[y] for a row never written).
  int* lo_ = nullptr;
  int* hi_ = nullptr;
  int8_t* edges_ = nullptr;   // column plane: +1 at a top edge, -1 below a bottom edge
  int edgeTop_ = 0, edgeBottom_ = 0;   // rows of the column plane that hold edges
  struct TStore;
  TStore* store_ = nullptr;   // the thread's storage, or one of its own when that is taken
  bool ownStore_ = false;
};

template <class F>
void TRevealMask::PolygonSpans(const TPoint* Points, int Count, int ClipH, F&& Emit) {
  polygonRows(Points, Count, ClipH, &Emit, [](void* ctx, int y, int x0, int x1) {
    (*static_cast<std::remove_reference_t<F>*>(ctx))(y, x0, x1);
  });
}

// ---------------------------------------------------------------------------
// The strip patterns as masks. Each stamps exactly the region that the
// builder of the same name in ShowEffects.h returns, drawing from the
// generator in the same order. The bars pattern ors Value into the mask, so
// that two patterns can be told apart by their bits.
void BarsMask(TRevealMask& M, int PX, int PY, int W, int H, int S, int RowMode, int ColMode, uint8_t Value = 1);
void ShredMask(TRevealMask& M, int PX, int PY, int W, int H, int RowMode, int ColMode, TEffectRandom& Rng);
void SpeckleMask(TRevealMask& M, int PX, int PY, int W, int H, int RowMode, int ColMode, TEffectRandom& Rng);

