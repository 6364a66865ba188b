// Bitmap button and speed button.
#include "toolkit/Buttons.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStylePainter>
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/StdWidgets_p.h"

TGlyphPlacement PlaceGlyphAndText(const TRect& client, int glyphW, int glyphH, int textW, int textH,
                                  TButtonLayout layout, int margin, int spacing) {
  bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
  int cw = client.Width(), ch = client.Height();
  int avail = horizontal ? cw : ch;
  int g = horizontal ? glyphW : glyphH;
  int t = horizontal ? textW : textH;
  if (g == 0 || t == 0) spacing = 0;
  if (margin == -1) {
    if (spacing == -1) {
      int total = g + t;
      spacing = (avail - total) / 3;
      margin = spacing;
    } else {
      int total = g + spacing + t;
      margin = (avail - total) / 2;
    }
  } else if (spacing == -1) {
    int rest = avail - (margin + g);
    spacing = (rest - t) / 2;
  }
  TGlyphPlacement p;
  int gx, gy, tx, ty;
  if (horizontal) {
    gy = (ch - glyphH) / 2;
    ty = (ch - textH) / 2;
    if (layout == blGlyphLeft) { gx = margin; tx = margin + glyphW + spacing; }
    else { gx = cw - margin - glyphW; tx = gx - spacing - textW; }
  } else {
    gx = (cw - glyphW) / 2;
    tx = (cw - textW) / 2;
    if (layout == blGlyphTop) { gy = margin; ty = margin + glyphH + spacing; }
    else { gy = ch - margin - glyphH; ty = gy - spacing - textH; }
  }
  p.Glyph = Bounds(client.Left + gx, client.Top + gy, glyphW, glyphH);
  p.Text = Bounds(client.Left + tx, client.Top + ty, textW, textH);
  return p;
}

void DrawGlyph(TCanvas* c, const TBitmap* glyph, int numGlyphs, TButtonState state, int x, int y) {
  if (!glyph || glyph->Empty()) return;
  numGlyphs = std::clamp(numGlyphs, 1, 4);
  int iw = glyph->Width() / numGlyphs, ih = glyph->Height();
  if (iw <= 0) return;
  int index = 0;
  bool emboss = false;
  switch (state) {
    case bsUp: index = 0; break;
    case bsDisabled: if (numGlyphs > 1) index = 1; else emboss = true; break;
    case bsDown: index = numGlyphs > 2 ? 2 : 0; break;
    case bsExclusive: index = numGlyphs > 3 ? 3 : 0; break;
  }
  TColor tc = ColorToRGB(glyph->TransparentColor()) & 0xFFFFFF;
  auto pixel = [&](int px, int py) {
    const uint8_t* row = glyph->ScanLine(py);
    const uint8_t* q = row + 4 * (index * iw + px);
    return RGB(q[2], q[1], q[0]);
  };
  if (emboss) {
    // A picture of the dark parts: highlight one pixel right and down, then shadow.
    for (int pass = 0; pass < 2; ++pass)
      for (int py = 0; py < ih; ++py)
        for (int px = 0; px < iw; ++px) {
          TColor p = pixel(px, py);
          if (p == tc) continue;
          int lum = (GetRValue(p) * 30 + GetGValue(p) * 59 + GetBValue(p) * 11) / 100;
          if (lum >= 192) continue;
          if (pass == 0) c->SetPixel(x + px + 1, y + py + 1, ColorToRGB(clBtnHighlight));
          else c->SetPixel(x + px, y + py, ColorToRGB(clBtnShadow));
        }
    return;
  }
  for (int py = 0; py < ih; ++py)
    for (int px = 0; px < iw; ++px) {
      TColor p = pixel(px, py);
      if (p != tc) c->SetPixel(x + px, y + py, p);
    }
}

static int glyphWidth(const TBitmap* g, int n) { return g && !g->Empty() ? g->Width() / std::clamp(n, 1, 4) : 0; }
static int glyphHeight(const TBitmap* g) { return g && !g->Empty() ? g->Height() : 0; }

// Glyph and caption of a button face drawn into r.
static void paintContent(TCanvas* c, const TRect& r, const String& caption, const TBitmap* glyph, int numGlyphs,
                         TButtonState state, TButtonLayout layout, int margin, int spacing, bool enabled) {
  int gw = glyphWidth(glyph, numGlyphs), gh = glyphHeight(glyph);
  TRect tr = Rect(0, 0, 0, 0);
  if (!caption.empty()) c->DrawText(caption, tr, TTextFormat{tfSingleLine, tfCalcRect});
  TGlyphPlacement p = PlaceGlyphAndText(r, gw, gh, tr.Width(), tr.Height(), layout, margin, spacing);
  if (gw > 0) DrawGlyph(c, glyph, numGlyphs, state, p.Glyph.Left, p.Glyph.Top);
  if (!caption.empty()) {
    c->Brush()->SetStyle(bsClear);
    if (!enabled) {
      c->Font()->SetColor(clBtnHighlight);
      TRect shadow = p.Text;
      shadow.Offset(1, 1);
      c->DrawText(caption, shadow, TTextFormat{tfSingleLine, tfCenter, tfVerticalCenter});
      c->Font()->SetColor(clBtnShadow);
    }
    TRect t = p.Text;
    c->DrawText(caption, t, TTextFormat{tfSingleLine, tfCenter, tfVerticalCenter});
    c->Brush()->SetStyle(bsSolid);
  }
}

// ---------------------------------------------------------------- TBitBtn

class BitBtnWidget : public QPushButton {
 public:
  explicit BitBtnWidget(TBitBtn* b) : btn_(b) {}
  void attach(TBitBtn* b) { btn_ = b; }
 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter p(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    opt.text.clear();
    opt.icon = QIcon();
    p.drawControl(QStyle::CE_PushButton, opt);
    if (!btn_) return;
    QRect r = style()->subElementRect(QStyle::SE_PushButtonContents, &opt, this);
    stdctl::CanvasPatch patch(btn_->PaintCanvas(), r, btn_->Font(), btn_->Color(), true);
    bool down = isDown() || isChecked();
    TBitBtn* b = btn_;
    DispatchEvent([&] { b->PaintFace(b->PaintCanvas(), patch.Rect(), down); });
    patch.PaintOn(p);
  }
 private:
  TBitBtn* btn_;
};

TBitBtn::TBitBtn(TComponent* AOwner)
    : TButton(AOwner, new BitBtnWidget(nullptr)), glyph_(std::make_unique<TBitmap>()) {
  static_cast<BitBtnWidget*>(Widget())->attach(this);
  glyph_->OnChange = [this](TObject*) { Invalidate(); };
}

TBitBtn::~TBitBtn() {
  glyph_->OnChange = nullptr;
  if (auto* w = dynamic_cast<BitBtnWidget*>(Widget())) w->attach(nullptr);
}

void TBitBtn::SetGlyph(const TBitmap* b) {
  if (b) glyph_->Assign(b);
  else glyph_->SetSize(0, 0);
  Invalidate();
}

void TBitBtn::SetKind(TBitBtnKind k) {
  kind_ = k;
  static const char* captions[] = {"", "OK", "Cancel", "&Help", "&Yes", "&No", "&Close", "Abort", "&Retry", "&Ignore", "&All"};
  static const TModalResult results[] = {mrNone, mrOk, mrCancel, mrNone, mrYes, mrNo, mrNone, mrAbort, mrRetry, mrIgnore, mrAll};
  if (k == bkCustom) return;
  SetCaption(captions[k]);
  SetModalResult(results[k]);
  if (k == bkOK) SetDefault(true);
  if (k == bkCancel) SetCancel(true);
  Invalidate();
}

void TBitBtn::Click() {
  if (kind_ == bkClose) {
    if (TCustomForm* f = GetParentForm(this)) { f->Close(); return; }
  }
  TButton::Click();
}

void TBitBtn::SetLayout(TButtonLayout v) { layout_ = v; Invalidate(); }
void TBitBtn::SetMargin(int v) { margin_ = std::max(-1, v); Invalidate(); }
void TBitBtn::SetSpacing(int v) { spacing_ = std::max(-1, v); Invalidate(); }
void TBitBtn::SetNumGlyphs(int v) { numGlyphs_ = std::clamp(v, 1, 4); Invalidate(); }

void TBitBtn::PaintFace(TCanvas* c, const TRect& r, bool down) {
  c->SetFont(Font());
  TRect rr = r;
  if (down) rr.Offset(1, 1);
  TButtonState st = !Enabled() ? bsDisabled : down ? bsDown : bsUp;
  paintContent(c, rr, Caption(), glyph_.get(), numGlyphs_, st, layout_, margin_, spacing_, Enabled());
}

// ---------------------------------------------------------------- TOwnerDrawButton

class OwnerDrawButtonWidget : public QPushButton {
 public:
  void attach(TOwnerDrawButton* b) { btn_ = b; }
 protected:
  void paintEvent(QPaintEvent*) override {
    if (!btn_) return;
    QPainter p(this);
    stdctl::CanvasPatch patch(btn_->ButtonCanvas(), rect(), btn_->Font(), btn_->Color());
    TButtonDrawState s;
    s.Disabled = !isEnabled();
    s.Down = isDown();
    s.Focused = hasFocus();
    s.IsDefault = isDefault() || btn_->Default();
    TOwnerDrawButton* b = btn_;
    DispatchEvent([&] { b->PaintButton(b->ButtonCanvas(), patch.Rect(), s); });
    patch.PaintOn(p);
  }
  // A second press that arrives as a double click presses the button again.
  void mouseDoubleClickEvent(QMouseEvent* e) override { mousePressEvent(e); }
 private:
  TOwnerDrawButton* btn_ = nullptr;
};

TOwnerDrawButton::TOwnerDrawButton(TComponent* AOwner) : TButton(AOwner, new OwnerDrawButtonWidget) {
  static_cast<OwnerDrawButtonWidget*>(Widget())->attach(this);
}

TOwnerDrawButton::~TOwnerDrawButton() {
  if (auto* w = dynamic_cast<OwnerDrawButtonWidget*>(Widget())) w->attach(nullptr);
}

// ---------------------------------------------------------------- TSpeedButton

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner), glyph_(std::make_unique<TBitmap>()) {
  SetBounds(0, 0, 23, 22);
  glyph_->OnChange = [this](TObject*) { Invalidate(); };
}

TSpeedButton::~TSpeedButton() { glyph_->OnChange = nullptr; }

template <class F>
static void forGroup(TSpeedButton* self, F f) {
  TWinControl* p = self->Parent();
  if (!p || self->GroupIndex() == 0) return;
  for (int i = 0; i < p->ControlCount(); ++i)
    if (auto* b = dynamic_cast<TSpeedButton*>(p->Controls(i)))
      if (b != self && b->GroupIndex() == self->GroupIndex()) f(b);
}

void TSpeedButton::releaseSiblings() {
  forGroup(this, [](TSpeedButton* b) {
    if (b->down_) { b->down_ = false; b->Invalidate(); }
  });
}

void TSpeedButton::SetDown(bool v) {
  if (groupIndex_ == 0) v = false;
  if (v == down_) return;
  if (down_ && !allowAllUp_) return;
  down_ = v;
  if (v) releaseSiblings();
  Invalidate();
}

void TSpeedButton::SetGroupIndex(int v) {
  groupIndex_ = std::max(0, v);
  if (groupIndex_ == 0 && down_) { down_ = false; Invalidate(); }
  if (down_) releaseSiblings();
}

void TSpeedButton::SetAllowAllUp(bool v) {
  allowAllUp_ = v;
  forGroup(this, [v](TSpeedButton* b) { b->allowAllUp_ = v; });
}

void TSpeedButton::SetFlat(bool v) { flat_ = v; Invalidate(); }

void TSpeedButton::SetGlyph(const TBitmap* b) {
  if (b) glyph_->Assign(b);
  else glyph_->SetSize(0, 0);
  Invalidate();
}

void TSpeedButton::SetNumGlyphs(int v) { numGlyphs_ = std::clamp(v, 1, 4); Invalidate(); }
void TSpeedButton::SetLayout(TButtonLayout v) { layout_ = v; Invalidate(); }
void TSpeedButton::SetMargin(int v) { margin_ = std::max(-1, v); Invalidate(); }
void TSpeedButton::SetSpacing(int v) { spacing_ = std::max(-1, v); Invalidate(); }

void TSpeedButton::Click() {
  if (groupIndex_ > 0) {
    if (!down_) SetDown(true);
    else if (allowAllUp_) SetDown(false);
  }
  TGraphicControl::Click();
}

void TSpeedButton::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  if (b == mbLeft && Enabled()) { pressing_ = true; Invalidate(); }
  TGraphicControl::MouseDown(b, s, x, y);
}

void TSpeedButton::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  if (pressing_) { pressing_ = false; Invalidate(); }
  TGraphicControl::MouseUp(b, s, x, y);
}

void TSpeedButton::MouseEnter() { hot_ = true; if (flat_) Invalidate(); TGraphicControl::MouseEnter(); }
void TSpeedButton::MouseLeave() { hot_ = false; if (flat_) Invalidate(); TGraphicControl::MouseLeave(); }

void TSpeedButton::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  bool pressed = down_ || pressing_;
  if (!Transparent() || !flat_) {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(down_ && !pressing_ ? clBtnHighlight : Color());
    c->FillRect(r);
  }
  if (!flat_ || hot_ || pressed) {
    TRect fr = r;
    if (pressed) Frame3D(c, fr, clBtnShadow, clBtnHighlight, 1);
    else if (flat_) Frame3D(c, fr, clBtnHighlight, clBtnShadow, 1);
    else { Frame3D(c, fr, clBtnHighlight, cl3DDkShadow, 1); Frame3D(c, fr, Color(), clBtnShadow, 1); }
  }
  TRect cr = Rect(r.Left + 2, r.Top + 2, r.Right - 2, r.Bottom - 2);
  if (pressed) cr.Offset(1, 1);
  TButtonState st = !Enabled() ? bsDisabled : down_ ? bsExclusive : pressing_ ? bsDown : bsUp;
  c->SetFont(Font());
  paintContent(c, cr, Caption(), glyph_.get(), numGlyphs_, st, layout_, margin_, spacing_, Enabled());
}
