#include "controls/Label3D.h"

#include "toolkit/ExtCtrls.h"

TLabel3D::TLabel3D(TComponent* AOwner) : TLabel(AOwner) { SetAutoSize(false); }

// Every style setter: store a changed value and repaint.
#define LABEL3D_SETTER(Name, Type, field) \
  void TLabel3D::Set##Name(Type v) {      \
    if (v == field) return;               \
    field = v;                            \
    Invalidate();                         \
  }

LABEL3D_SETTER(FirstColor, TColor, firstColor_)
LABEL3D_SETTER(LastColor, TColor, lastColor_)
LABEL3D_SETTER(FillGradient, bool, fillGradient_)
LABEL3D_SETTER(GradientOrientation, TGradientOrientation, gradientOrientation_)
LABEL3D_SETTER(HighLightColor, TColor, highLightColor_)
LABEL3D_SETTER(ShadowColor, TColor, shadowColor_)
LABEL3D_SETTER(Bevel, TLabel3DBevel, bevel_)
LABEL3D_SETTER(ShadowSize, uint8_t, shadowSize_)
LABEL3D_SETTER(BorderColor, TColor, borderColor_)
LABEL3D_SETTER(BorderWidth, int, borderWidth_)
LABEL3D_SETTER(BorderStyle, TLabel3DBorderStyle, borderStyle_)
LABEL3D_SETTER(ShowAccelChar, bool, showAccelChar_)

#undef LABEL3D_SETTER

TTextFormat TLabel3D::textFormat() const {
  TTextFormat fmt;
  switch (Alignment()) {
    case taRightJustify: fmt.Include(tfRight); break;
    case taCenter: fmt.Include(tfCenter); break;
    default: fmt.Include(tfLeft); break;
  }
  fmt.Include(tfExpandTabs);
  if (WordWrap()) fmt.Include(tfWordBreak);
  if (!showAccelChar_) fmt.Include(tfNoPrefix);
  return fmt;
}

void TLabel3D::PaintGradient(TCanvas* c, const TRect& r) const {
  const bool horizontal = gradientOrientation_ == goHorizontal;
  const int n = (horizontal ? r.Width() : r.Height()) - 1;
  if (n < 1) return;
  const TColor a = ColorToRGB(firstColor_), b = ColorToRGB(lastColor_);
  const int r1 = GetRValue(a), g1 = GetGValue(a), b1 = GetBValue(a);
  const int r2 = GetRValue(b), g2 = GetGValue(b), b2 = GetBValue(b);
  c->Brush()->SetStyle(bsSolid);
  for (int i = 0; i <= n; ++i) {
    c->Brush()->SetColor(RGB((r1 * (n - i) + r2 * i) / n, (g1 * (n - i) + g2 * i) / n, (b1 * (n - i) + b2 * i) / n));
    if (horizontal) c->FillRect(Rect(r.Left + i, r.Top, r.Left + i + 1, r.Bottom));
    else c->FillRect(Rect(r.Left, r.Top + i, r.Right, r.Top + i + 1));
  }
}

void TLabel3D::Paint() {
  TCanvas* c = Canvas();
  if (!c) return;
  TRect r = ClientRect();

  const int w = borderWidth_;
  if (w > 0) {
    switch (borderStyle_) {
      case lbNormal: Frame3D(c, r, borderColor_, borderColor_, w); break;
      case lbLowered: Frame3D(c, r, clBtnShadow, clBtnHighlight, w); break;
      case lbRaised: Frame3D(c, r, clBtnHighlight, clBtnShadow, w); break;
      case lbInn:
        Frame3D(c, r, clBtnShadow, clBtnHighlight, w);
        Frame3D(c, r, clBtnHighlight, clBtnShadow, w);
        break;
      case lbOut:
        Frame3D(c, r, clBtnHighlight, clBtnShadow, w);
        Frame3D(c, r, clBtnShadow, clBtnHighlight, w);
        break;
      default: break;
    }
  }

  if (fillGradient_) {
    PaintGradient(c, r);
  } else if (!Transparent()) {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(r);
  }
  c->Brush()->SetStyle(bsClear);

  const TTextFormat fmt = textFormat();
  c->SetFont(Font());
  if (Layout() == tlCenter || Layout() == tlBottom) {
    TRect calc = r;
    String measured = Caption();
    if (measured.empty() || (showAccelChar_ && measured == "&")) measured += " ";
    c->DrawText(measured, calc, fmt + TTextFormat{tfCalcRect});
    const int h = calc.Height(), H = r.Height();
    r.Offset(0, Layout() == tlCenter ? (H - h) / 2 : H - h);
    if (h > H) {
      if (calc.Bottom > r.Bottom) r.Bottom = calc.Bottom;
      if (calc.Top < r.Top) r.Top = calc.Top;
    }
  }

  auto textAt = [&](int offset, TColor color) {
    TRect q = r;
    q.Offset(offset, offset);
    c->Font()->SetColor(color);
    c->DrawText(Caption(), q, fmt);
  };
  // The relief passes: the first copy up and left (enabled only), the second
  // down and right, then the text itself.
  auto relief = [&](bool firstPass, TColor first, TColor second) {
    const int s = shadowSize_;
    if (firstPass && Enabled()) textAt(-s, first);
    textAt(s, second);
    c->SetFont(Font());
    textAt(0, Enabled() ? Font()->Color() : clGrayText);
  };
  switch (bevel_) {
    case blNone: textAt(0, Font()->Color()); break;
    case blLowered: relief(true, shadowColor_, highLightColor_); break;
    case blRaised: relief(true, highLightColor_, shadowColor_); break;
    case blShadow: relief(false, clNone, shadowColor_); break;
    default: break;   // an unknown style draws no caption
  }
}
