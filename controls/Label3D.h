#pragma once
// A label whose caption is drawn with a relief: one or two offset copies of
// the text in a highlight and a shadow colour under the text itself, on a
// plain, transparent or two-colour gradient background, inside an optional
// 3D frame.
#include "toolkit/StdCtrls.h"

// Stored layouts may hold any number, so each type takes every int value.
enum TGradientOrientation : int { goHorizontal, goVertical };
enum TLabel3DBevel : int { blNone, blLowered, blRaised, blShadow };
enum TLabel3DBorderStyle : int { lbNone, lbNormal, lbLowered, lbRaised, lbInn, lbOut };

class TLabel3D : public TLabel {
 public:
  explicit TLabel3D(TComponent* AOwner);

  // Stored defaults of the properties that have one (equal to the values the
  // constructor sets).
  static constexpr TColor DefaultHighLightColor = clBtnHighlight;
  static constexpr TColor DefaultShadowColor = clBtnShadow;
  static constexpr TLabel3DBevel DefaultBevel = blRaised;
  static constexpr uint8_t DefaultShadowSize = 1;

  // Gradient colour at the left (horizontal) or top (vertical) edge.
  TColor FirstColor() const { return firstColor_; }
  void SetFirstColor(TColor v);
  // Gradient colour at the right or bottom edge.
  TColor LastColor() const { return lastColor_; }
  void SetLastColor(TColor v);
  // Fill the background with the gradient instead of Color (also when transparent).
  bool FillGradient() const { return fillGradient_; }
  void SetFillGradient(bool v);
  // goHorizontal: one-pixel columns from left to right; any other value: rows
  // from top to bottom.
  TGradientOrientation GradientOrientation() const { return gradientOrientation_; }
  void SetGradientOrientation(TGradientOrientation v);
  TColor HighLightColor() const { return highLightColor_; }
  void SetHighLightColor(TColor v);
  TColor ShadowColor() const { return shadowColor_; }
  void SetShadowColor(TColor v);
  // Relief style; a value above blShadow draws no caption.
  TLabel3DBevel Bevel() const { return bevel_; }
  void SetBevel(TLabel3DBevel v);
  // Offset in pixels of the relief passes, in x and y alike.
  uint8_t ShadowSize() const { return shadowSize_; }
  void SetShadowSize(uint8_t v);
  // Frame colour of lbNormal.
  TColor BorderColor() const { return borderColor_; }
  void SetBorderColor(TColor v);
  // Frame width (for lbInn and lbOut, of each of the two frames).
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int v);
  // A value above lbOut draws no frame.
  TLabel3DBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TLabel3DBorderStyle v);
  // When true an "&" marks the next character as an accelerator and is not drawn.
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool v);

  String ClassName() const override { return "TLabel3D"; }

 protected:
  void Paint() override;
  // Fills r with the gradient from FirstColor to LastColor.
  void PaintGradient(TCanvas* c, const TRect& r) const;

 private:
  TTextFormat textFormat() const;

  TColor firstColor_ = clWhite, lastColor_ = clTeal;
  bool fillGradient_ = false;
  TGradientOrientation gradientOrientation_ = goHorizontal;
  TColor highLightColor_ = DefaultHighLightColor, shadowColor_ = DefaultShadowColor;
  TLabel3DBevel bevel_ = DefaultBevel;
  uint8_t shadowSize_ = DefaultShadowSize;
  TColor borderColor_ = clBlack;
  int borderWidth_ = 1;
  TLabel3DBorderStyle borderStyle_ = lbNone;
  bool showAccelChar_ = true;
};
