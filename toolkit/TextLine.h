#pragma once
// A line of text laid out once and drawn in pieces: drawing the part of it
// that meets a rectangle costs the same whatever the line's length (the
// running text, which may be many thousands of characters long).
#include <memory>
#include "toolkit/Graphics.h"

class TTextLine {
 public:
  TTextLine();
  ~TTextLine();
  TTextLine(const TTextLine&) = delete;
  TTextLine& operator=(const TTextLine&) = delete;

  // Lays the text out in the font (name, size and style; the colour is given
  // when drawing). Laying out the same text in the same font again is free.
  void Layout(const String& text, const TFont* font);
  // Width and height as TCanvas::TextExtent measures the same text and font.
  int Width() const;
  int Height() const;
  int GlyphCount() const;
  // Counts the layouts that changed the line (a picture of it drawn earlier
  // is still right while this stays the same).
  int Generation() const;
  // Draws, inside `area` (canvas coordinates), what TCanvas::TextOut with a
  // clear brush draws there with the line's top-left corner at (x, y); only
  // the glyphs that meet the area are drawn.
  void Draw(TCanvas* c, int x, int y, TColor color, const TRect& area) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

// Moves a bitmap's picture by (dx, dy) pixels within itself; the uncovered
// strips keep their old pixels, for the caller to draw.
void ScrollBitmap(TBitmap* b, int dx, int dy);
