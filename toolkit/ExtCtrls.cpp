// Panel, image, paint box, radio group, bevel and shape.
#include "toolkit/ExtCtrls.h"

#include <algorithm>

void Frame3D(TCanvas* c, TRect& r, TColor topLeft, TColor bottomRight, int w) {
  TBrushStyle oldStyle = c->Brush()->Style();
  TColor oldColor = c->Brush()->Color();
  c->Brush()->SetStyle(bsSolid);
  for (int i = 0; i < w && r.Width() > 0 && r.Height() > 0; ++i) {
    c->Brush()->SetColor(topLeft);
    c->FillRect(Rect(r.Left, r.Top, r.Right - 1, r.Top + 1));
    c->FillRect(Rect(r.Left, r.Top, r.Left + 1, r.Bottom - 1));
    c->Brush()->SetColor(bottomRight);
    c->FillRect(Rect(r.Right - 1, r.Top, r.Right, r.Bottom));
    c->FillRect(Rect(r.Left, r.Bottom - 1, r.Right, r.Bottom));
    r = Rect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
  }
  c->Brush()->SetColor(oldColor);
  c->Brush()->SetStyle(oldStyle);
}

// ---------------------------------------------------------------- TPanel

TPanel::TPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  SetBounds(0, 0, 185, 41);
}

static void bevelColors(TBevelCut cut, TColor& tl, TColor& br) {
  tl = cut == bvLowered ? clBtnShadow : clBtnHighlight;
  br = cut == bvLowered ? clBtnHighlight : clBtnShadow;
  if (cut == bvSpace) tl = br = clBtnFace;
}

int TPanel::borderSize() const {
  int n = borderWidth_;
  if (bevelOuter_ != bvNone) n += bevelWidth_;
  if (bevelInner_ != bvNone) n += bevelWidth_;
  if (borderStyle_ == bsSingle) n += 1;
  return n;
}

TRect TPanel::AlignRect() const {
  TRect r = ClientRect();
  int n = borderSize();
  r = Rect(r.Left + n, r.Top + n, r.Right - n, r.Bottom - n);
  if (r.Right < r.Left) r.Right = r.Left;
  if (r.Bottom < r.Top) r.Bottom = r.Top;
  return r;
}

void TPanel::SetBevelInner(TBevelCut v) { if (bevelInner_ != v) { bevelInner_ = v; Realign(); Invalidate(); } }
void TPanel::SetBevelOuter(TBevelCut v) { if (bevelOuter_ != v) { bevelOuter_ = v; Realign(); Invalidate(); } }
void TPanel::SetBevelWidth(int v) { v = std::max(1, v); if (bevelWidth_ != v) { bevelWidth_ = v; Realign(); Invalidate(); } }
void TPanel::SetBorderWidth(int v) { v = std::max(0, v); if (borderWidth_ != v) { borderWidth_ = v; Realign(); Invalidate(); } }
void TPanel::SetBorderStyle(TBorderStyle v) { if (borderStyle_ != v) { borderStyle_ = v; Realign(); Invalidate(); } }
void TPanel::SetAlignment(TAlignment v) { if (alignment_ != v) { alignment_ = v; Invalidate(); } }

void TPanel::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  if (borderStyle_ == bsSingle) Frame3D(c, r, clWindowFrame, clWindowFrame, 1);
  TColor tl, br;
  if (bevelOuter_ != bvNone) { bevelColors(bevelOuter_, tl, br); Frame3D(c, r, tl, br, bevelWidth_); }
  Frame3D(c, r, Color(), Color(), borderWidth_);
  if (bevelInner_ != bvNone) { bevelColors(bevelInner_, tl, br); Frame3D(c, r, tl, br, bevelWidth_); }
  if (Caption().empty()) return;
  c->SetFont(Font());
  c->Brush()->SetStyle(bsClear);
  if (!Enabled()) c->Font()->SetColor(clGrayText);
  TTextFormat f{tfSingleLine, tfVerticalCenter};
  f.Include(alignment_ == taCenter ? tfCenter : alignment_ == taRightJustify ? tfRight : tfLeft);
  c->DrawText(Caption(), r, f);
}

// ---------------------------------------------------------------- TImage

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), picture_(std::make_unique<TPicture>()) {
  SetBounds(0, 0, 105, 105);
  picture_->OnChange = [this](TObject*) { pictureChanged(); };
}

TImage::~TImage() { picture_->OnChange = nullptr; }

void TImage::pictureChanged() {
  if (TGraphic* g = picture_->Graphic()) {
    if (g->Transparent() != Transparent()) g->SetTransparent(Transparent());
    if (autoSize_ && g->Width() > 0 && g->Height() > 0) SetBounds(Left(), Top(), g->Width(), g->Height());
  }
  Invalidate();
}

TCanvas* TImage::Canvas() {
  bool empty = !picture_->Graphic() || picture_->Graphic()->Empty();
  TBitmap* b = picture_->Bitmap();
  if (empty && b->Empty()) b->SetSize(std::max(1, Width()), std::max(1, Height()));
  Invalidate();
  return b->Canvas();
}

void TImage::SetStretch(bool v) { if (stretch_ != v) { stretch_ = v; Invalidate(); } }
void TImage::SetCenter(bool v) { if (center_ != v) { center_ = v; Invalidate(); } }
void TImage::SetProportional(bool v) { if (proportional_ != v) { proportional_ = v; Invalidate(); } }

void TImage::SetTransparent(bool v) {
  TGraphicControl::SetTransparent(v);
  if (TGraphic* g = picture_->Graphic())
    if (g->Transparent() != v) g->SetTransparent(v);
  Invalidate();
}

void TImage::SetAutoSize(bool v) {
  autoSize_ = v;
  if (v) pictureChanged();
}

TRect TImage::DestRect() const {
  int w = picture_->Width(), h = picture_->Height();
  int cw = ClientWidth(), ch = ClientHeight();
  if (stretch_ || (proportional_ && (w > cw || h > ch))) {
    if (proportional_ && w > 0 && h > 0) {
      double aspect = double(w) / double(h);
      if (w > h) {
        w = cw;
        h = int(cw / aspect);
        if (h > ch) { h = ch; w = int(ch * aspect); }
      } else {
        h = ch;
        w = int(ch * aspect);
        if (w > cw) { w = cw; h = int(cw / aspect); }
      }
    } else {
      w = cw;
      h = ch;
    }
  }
  int x = 0, y = 0;
  if (center_) { x = (cw - w) / 2; y = (ch - h) / 2; }
  return Rect(x, y, x + w, y + h);
}

void TImage::Paint() {
  TGraphic* g = picture_->Graphic();
  if (!g || g->Empty()) return;
  TRect d = DestRect();
  if (!stretch_ && !proportional_ && d.Width() == g->Width() && d.Height() == g->Height())
    PaintCanvas()->Draw(d.Left, d.Top, g);
  else
    PaintCanvas()->StretchDraw(d, g);
}

// ---------------------------------------------------------------- TPaintBox

TPaintBox::TPaintBox(TComponent* AOwner) : TGraphicControl(AOwner) { SetBounds(0, 0, 105, 105); }

void TPaintBox::Paint() {
  if (OnPaint) OnPaint(this);
}

// ---------------------------------------------------------------- TRadioGroup

TRadioGroup::TRadioGroup(TComponent* AOwner) : TGroupBox(AOwner), items_(std::make_unique<TStringList>()) {
  SetControlStyle(ControlStyle() - TControlStyle{csClickEvents});
  items_->OnChange = [this](TObject*) { itemsChanged(); };
}

TRadioGroup::~TRadioGroup() { items_->OnChange = nullptr; }

void TRadioGroup::itemsChanged() {
  if (itemIndex_ >= items_->Count()) itemIndex_ = -1;
  Invalidate();
}

void TRadioGroup::SetItemIndex(int i) {
  if (i < -1 || i >= items_->Count()) i = -1;
  if (i == itemIndex_) return;
  itemIndex_ = i;
  Invalidate();
  if (OnClick) Dispatch([this] { OnClick(this); });
}

void TRadioGroup::SetColumns(int v) {
  v = std::clamp(v, 1, 16);
  if (columns_ != v) { columns_ = v; Invalidate(); }
}

TRect TRadioGroup::ItemRect(int i) const {
  int n = items_->Count();
  if (i < 0 || i >= n) return TRect();
  int perCol = (n + columns_ - 1) / columns_;
  int th = captionHeight();
  int bw = (Width() - 10) / columns_;
  int avail = Height() - th - 5;
  int bh = std::max(1, avail / perCol);
  int top = th + 1 + (avail % perCol) / 2;
  int x = (i / perCol) * bw + 8, y = (i % perCol) * bh + top;
  return Rect(x, y, x + bw, y + bh);
}

void TRadioGroup::Paint() {
  TGroupBox::Paint();
  TCanvas* c = Canvas();
  c->SetFont(Font());
  if (!Enabled()) c->Font()->SetColor(clGrayText);
  int th = c->TextHeight("0");
  for (int i = 0; i < items_->Count(); ++i) {
    TRect r = ItemRect(i);
    int d = 12;
    int cy = r.Top + (r.Height() - d) / 2;
    c->Pen()->SetColor(clBtnShadow);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clWindow);
    c->Ellipse(r.Left, cy, r.Left + d, cy + d);
    if (i == itemIndex_) {
      c->Brush()->SetColor(Enabled() ? clWindowText : clGrayText);
      c->Pen()->SetColor(Enabled() ? clWindowText : clGrayText);
      c->Ellipse(r.Left + 3, cy + 3, r.Left + d - 3, cy + d - 3);
    }
    c->Brush()->SetStyle(bsClear);
    c->TextOut(r.Left + d + 5, r.Top + (r.Height() - th) / 2, items_->Get(i));
  }
}

void TRadioGroup::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  TGroupBox::MouseDown(b, s, x, y);
  if (b != mbLeft || !Enabled()) return;
  for (int i = 0; i < items_->Count(); ++i)
    if (ItemRect(i).Contains(TPoint(x, y))) { SetItemIndex(i); break; }
}

// ---------------------------------------------------------------- TBevel

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) { SetBounds(0, 0, 50, 50); }
void TBevel::SetShape(TBevelShape v) { if (shape_ != v) { shape_ = v; Invalidate(); } }
void TBevel::SetStyle(TBevelStyle v) { if (style_ != v) { style_ = v; Invalidate(); } }

void TBevel::Paint() {
  TCanvas* c = Canvas();
  TColor c1 = style_ == bsLowered ? clBtnShadow : clBtnHighlight;
  TColor c2 = style_ == bsLowered ? clBtnHighlight : clBtnShadow;
  int w = Width(), h = Height();
  TRect r = ClientRect();
  auto line = [&](TColor col, TRect lr) {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(col);
    c->FillRect(lr);
  };
  switch (shape_) {
    case bsBox: Frame3D(c, r, c1, c2, 1); break;
    case bsFrame: {
      TRect a = Rect(1, 1, w, h);
      Frame3D(c, a, c2, c2, 1);
      TRect b = Rect(0, 0, w - 1, h - 1);
      Frame3D(c, b, c1, c1, 1);
      break;
    }
    case bsTopLine: line(c1, Rect(0, 0, w, 1)); line(c2, Rect(0, 1, w, 2)); break;
    case bsBottomLine: line(c1, Rect(0, h - 2, w, h - 1)); line(c2, Rect(0, h - 1, w, h)); break;
    case bsLeftLine: line(c1, Rect(0, 0, 1, h)); line(c2, Rect(1, 0, 2, h)); break;
    case bsRightLine: line(c1, Rect(w - 2, 0, w - 1, h)); line(c2, Rect(w - 1, 0, w, h)); break;
    case bsSpacer: break;
  }
}

// ---------------------------------------------------------------- TShape

TShape::TShape(TComponent* AOwner)
    : TGraphicControl(AOwner), pen_(std::make_unique<TPen>()), brush_(std::make_unique<TBrush>()) {
  SetBounds(0, 0, 65, 65);
  pen_->OnChange = [this](TObject*) { Invalidate(); };
  brush_->OnChange = [this](TObject*) { Invalidate(); };
}

TShape::~TShape() {
  pen_->OnChange = nullptr;
  brush_->OnChange = nullptr;
}

void TShape::SetShape(TShapeType v) { if (shape_ != v) { shape_ = v; Invalidate(); } }

void TShape::Paint() {
  TCanvas* c = Canvas();
  c->Pen()->Assign(pen_.get());
  c->Brush()->Assign(brush_.get());
  int pw = pen_->Width();
  int x = pw / 2, y = x;
  int w = Width() - pw + 1, h = Height() - pw + 1;
  if (pw == 0) { --w; --h; }
  if (w < h && (shape_ == stSquare || shape_ == stRoundSquare || shape_ == stCircle)) { y += (h - w) / 2; h = w; }
  else if (h < w && (shape_ == stSquare || shape_ == stRoundSquare || shape_ == stCircle)) { x += (w - h) / 2; w = h; }
  switch (shape_) {
    case stRectangle: case stSquare: c->Rectangle(x, y, x + w, y + h); break;
    case stRoundRect: case stRoundSquare: c->RoundRect(x, y, x + w, y + h, std::min(w, h) / 4, std::min(w, h) / 4); break;
    case stEllipse: case stCircle: c->Ellipse(x, y, x + w, y + h); break;
  }
}
