#pragma once
// Buttons with glyphs: the bitmap push button and the flat speed button.
// A glyph bitmap holds NumGlyphs images side by side (up, disabled, down,
// exclusive); its bottom-left pixel is the transparent colour.
#include "toolkit/StdCtrls.h"

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };

// Where glyph and caption go on a button face of the given size; Margin -1
// centres the pair, Spacing -1 spreads them evenly.
struct TGlyphPlacement { TRect Glyph; TRect Text; };
TGlyphPlacement PlaceGlyphAndText(const TRect& client, int glyphW, int glyphH, int textW, int textH,
                                  TButtonLayout layout, int margin, int spacing);

// How an owner-drawn button is to be drawn.
struct TButtonDrawState {
  bool Disabled = false;
  bool Down = false;       // pressed (the mouse held on it, or Space)
  bool Focused = false;    // it has the keyboard focus
  bool IsDefault = false;  // it is the form's default button
};

// A push button that draws all of itself (face, edge, glyph and caption)
// through DrawButton on a canvas of its whole client area. It clicks and
// takes the keyboard as any push button; a fast second press (a double
// click) counts as a second click.
class TOwnerDrawButton : public TButton {
 public:
  explicit TOwnerDrawButton(TComponent* AOwner);
  ~TOwnerDrawButton() override;
  String ClassName() const override { return "TOwnerDrawButton"; }
  // Toolkit internals: the widget paints through this.
  void PaintButton(TCanvas* c, const TRect& client, const TButtonDrawState& s) { DrawButton(c, client, s); }
  TCanvas* ButtonCanvas() const { return PaintCanvas(); }

 protected:
  virtual void DrawButton(TCanvas* c, const TRect& client, const TButtonDrawState& s) = 0;
};

class TBitBtn : public TButton {
 public:
  explicit TBitBtn(TComponent* AOwner);
  ~TBitBtn() override;
  TBitmap* Glyph() const { return glyph_.get(); }
  void SetGlyph(const TBitmap* b);
  // Sets caption and modal result of a standard button; Cancel and OK also
  // take their Cancel and Default roles.
  TBitBtnKind Kind() const { return kind_; }
  void SetKind(TBitBtnKind k);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout v);
  int Margin() const { return margin_; }
  void SetMargin(int v);
  int Spacing() const { return spacing_; }
  void SetSpacing(int v);
  int NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(int v);
  // A Close button closes its form instead of running OnClick.
  void Click() override;
  String ClassName() const override { return "TBitBtn"; }

  // Toolkit internals: paints the face content (glyph and caption).
  void PaintFace(TCanvas* c, const TRect& r, bool down);
 private:
  friend class BitBtnWidget;
  std::unique_ptr<TBitmap> glyph_;
  TBitBtnKind kind_ = bkCustom;
  TButtonLayout layout_ = blGlyphLeft;
  int margin_ = -1, spacing_ = 4, numGlyphs_ = 1;
};

// Draws the image of a state from a glyph strip of n images at (x, y),
// its transparent colour left out; a disabled image is made from the first
// one when the strip has none.
void DrawGlyph(TCanvas* c, const TBitmap* glyph, int numGlyphs, TButtonState state, int x, int y);

// A graphic button: Down stays pressed in a group (GroupIndex > 0); with
// AllowAllUp the pressed one of a group may be released again.
class TSpeedButton : public TGraphicControl {
 public:
  explicit TSpeedButton(TComponent* AOwner);
  ~TSpeedButton() override;
  bool Down() const { return down_; }
  void SetDown(bool v);
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int v);
  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool v);
  bool Flat() const { return flat_; }
  void SetFlat(bool v);
  TBitmap* Glyph() const { return glyph_.get(); }
  void SetGlyph(const TBitmap* b);
  int NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(int v);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout v);
  int Margin() const { return margin_; }
  void SetMargin(int v);
  int Spacing() const { return spacing_; }
  void SetSpacing(int v);
  // Runs OnClick; in a group it presses the button first.
  void Click() override;
  String ClassName() const override { return "TSpeedButton"; }

 protected:
  void Paint() override;
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;
  void MouseEnter() override;
  void MouseLeave() override;
 private:
  void releaseSiblings();
  std::unique_ptr<TBitmap> glyph_;
  bool down_ = false, allowAllUp_ = false, flat_ = false, pressing_ = false, hot_ = false;
  int groupIndex_ = 0, numGlyphs_ = 1, margin_ = -1, spacing_ = 4;
  TButtonLayout layout_ = blGlyphLeft;
};
