#include "controls/ButtonWithColor.h"

#include <algorithm>

#include "toolkit/Forms.h"

// ------------------------------------------------------------------ TGlyphList

TGlyphList::TGlyphList(int Width, int Height) : TImageList(nullptr) {
  SetWidth(Width);
  SetHeight(Height);
}

int TGlyphList::takeSlot() {
  for (size_t i = 0; i < used_.size(); ++i)
    if (!used_[i]) {
      used_[i] = true;
      ++used_count_;
      return int(i);
    }
  return -1;
}

int TGlyphList::AddSlot(const TBitmap* Image) {
  const int slot = takeSlot();
  if (slot >= 0) {
    Replace(slot, Image);
    return slot;
  }
  used_.push_back(true);
  ++used_count_;
  return Add(Image);
}

int TGlyphList::AddSlotMasked(const TBitmap* Image, TColor MaskColor) {
  const int slot = takeSlot();
  if (slot >= 0) {
    ReplaceMasked(slot, Image, MaskColor);
    return slot;
  }
  used_.push_back(true);
  ++used_count_;
  return AddMasked(Image, MaskColor);
}

void TGlyphList::DeleteSlot(int Index) {
  if (Index < 0 || size_t(Index) >= used_.size() || !used_[size_t(Index)]) return;
  used_[size_t(Index)] = false;
  --used_count_;
}

// ------------------------------------------------------------------ TGlyphCache

TGlyphList* TGlyphCache::GetList(int Width, int Height) {
  for (auto& l : lists_)
    if (l->Width() == Width && l->Height() == Height) return l.get();
  lists_.push_back(std::make_unique<TGlyphList>(Width, Height));
  return lists_.back().get();
}

void TGlyphCache::ReturnList(TGlyphList* List) {
  if (!List || List->UsedCount() > 0) return;
  lists_.erase(std::remove_if(lists_.begin(), lists_.end(), [List](const auto& l) { return l.get() == List; }),
               lists_.end());
}

// ------------------------------------------------------------------ TButtonGlyph

namespace {
std::unique_ptr<TGlyphCache> glyphCache;
int glyphHolders = 0;

bool IsDark(TColor c) {
  return (GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11) / 100 < 192;
}
}  // namespace

TGlyphCache* TButtonGlyph::Cache() { return glyphCache.get(); }

TButtonGlyph::TButtonGlyph() : glyph_(std::make_unique<TBitmap>()) {
  if (glyphHolders++ == 0) glyphCache = std::make_unique<TGlyphCache>();
  glyph_->OnChange = [this](TObject*) {
    Invalidate();
    if (OnChange) OnChange(nullptr);
  };
}

TButtonGlyph::~TButtonGlyph() {
  glyph_->OnChange = nullptr;
  Invalidate();
  if (--glyphHolders == 0) glyphCache.reset();
}

void TButtonGlyph::SetGlyph(const TBitmap* B) {
  Invalidate();
  if (B && !B->Empty()) {
    glyph_->Assign(B);
    transparent_ = glyph_->TransparentColor();
  } else {
    glyph_->SetSize(0, 0);
    transparent_ = clOlive;
  }
  if (OnChange) OnChange(nullptr);
}

void TButtonGlyph::SetNumGlyphs(int V) {
  // A glyph holds one to four pictures (a count below one would divide by 0).
  V = std::clamp(V, 1, 4);
  if (V == numGlyphs_) return;
  Invalidate();
  numGlyphs_ = V;
  if (OnChange) OnChange(nullptr);
}

int TButtonGlyph::ImageWidth() const { return glyph_->Empty() ? 0 : glyph_->Width() / numGlyphs_; }
int TButtonGlyph::ImageHeight() const { return glyph_->Empty() ? 0 : glyph_->Height(); }

void TButtonGlyph::Invalidate() {
  for (int& i : indexes_) {
    if (i >= 0 && list_) list_->DeleteSlot(i);
    i = -1;
  }
  if (list_ && glyphCache) glyphCache->ReturnList(list_);
  list_ = nullptr;
}

int TButtonGlyph::StateImage(TButtonState State, TColor Face) {
  const int iw = ImageWidth(), ih = ImageHeight();
  if (iw <= 0 || ih <= 0) return -1;
  if (Face != face_) {
    Invalidate();
    face_ = Face;
  }
  const int s = int(State);
  if (indexes_[size_t(s)] >= 0) return indexes_[size_t(s)];
  if (!list_) list_ = glyphCache->GetList(iw, ih);

  // Which picture of the glyph a state shows.
  int part = 0;
  bool own = false;
  switch (State) {
    case bsUp: part = 0; own = true; break;
    case bsDisabled: own = numGlyphs_ > 1; part = own ? 1 : 0; break;
    case bsDown: part = numGlyphs_ > 2 ? 2 : 0; own = true; break;
    case bsExclusive: part = numGlyphs_ > 3 ? 3 : 0; own = true; break;
  }
  const TColor face = ColorToRGB(Face), tc = ColorToRGB(transparent_);
  TBitmap img(iw, ih);
  img.Fill(face);
  auto src = [&](int x, int y) { return glyph_->Canvas()->Pixel(part * iw + x, y); };
  if (State == bsDisabled && !own) {
    // Embossed from the up picture: highlight one pixel right and down, then shadow.
    for (int pass = 0; pass < 2; ++pass)
      for (int y = 0; y < ih; ++y)
        for (int x = 0; x < iw; ++x) {
          const TColor p = src(x, y);
          if (p == tc || !IsDark(p)) continue;
          if (pass == 0 && x + 1 < iw && y + 1 < ih) img.Canvas()->SetPixel(x + 1, y + 1, ColorToRGB(clBtnHighlight));
          if (pass == 1) img.Canvas()->SetPixel(x, y, ColorToRGB(clBtnShadow));
        }
  } else {
    for (int y = 0; y < ih; ++y)
      for (int x = 0; x < iw; ++x) {
        TColor p = src(x, y);
        if (p == tc) {
          if (State == bsExclusive) img.Canvas()->SetPixel(x, y, tc);   // stays see-through
          continue;
        }
        if (State == bsDisabled) {
          if (p == clWhite) p = ColorToRGB(clBtnHighlight);
          else if (p == clGray) p = ColorToRGB(clBtnShadow);
        }
        img.Canvas()->SetPixel(x, y, p);
      }
  }
  indexes_[size_t(s)] = State == bsExclusive ? list_->AddSlotMasked(&img, tc) : list_->AddSlot(&img);
  return indexes_[size_t(s)];
}

void TButtonGlyph::Draw(TCanvas* C, int X, int Y, TButtonState State, TColor Face) {
  const int i = StateImage(State, Face);
  if (i >= 0) list_->Draw(C, X, Y, i);
}

// ------------------------------------------------------------------ kinds

namespace {
struct KindInfo {
  bool isDefault, isCancel;
  TModalResult result;
  const char* caption;
  TStandardImage picture;
};
const KindInfo Kinds[11] = {
    {false, false, mrNone, "", siApply},         {true, false, mrOk, "OK", siApply},
    {false, true, mrCancel, "Cancel", siCancel}, {false, false, mrNone, "&Help", siHelp},
    {true, false, mrYes, "&Yes", siApply},       {false, true, mrNo, "&No", siCancel},
    {false, false, mrNone, "&Close", siCancel},  {false, false, mrAbort, "Abort", siCancel},
    {false, false, mrRetry, "&Retry", siRefresh}, {false, false, mrIgnore, "&Ignore", siArrowDown},
    {false, false, mrAll, "&All", siApply},
};

// The kinds' glyphs (an up and a disabled picture, clOlive see-through),
// made on first use and kept for the program's life.
const TBitmap* KindGlyph(TBitBtnWithColorKind k) {
  static std::array<std::unique_ptr<TBitmap>, 11> glyphs;
  auto& g = glyphs[size_t(k)];
  if (!g) {
    TImageList icons(nullptr);
    icons.AddStandard(Kinds[size_t(k)].picture);
    TBitmap up;
    icons.GetBitmap(0, &up, clOlive);
    g = std::make_unique<TBitmap>(2 * up.Width(), up.Height());
    g->Fill(clOlive);
    for (int y = 0; y < up.Height(); ++y)
      for (int x = 0; x < up.Width(); ++x) {
        const TColor p = up.Canvas()->Pixel(x, y);
        g->Canvas()->SetPixel(x, y, p);
        if (p != clOlive) g->Canvas()->SetPixel(up.Width() + x, y, IsDark(p) ? clGray : clWhite);
      }
  }
  return g.get();
}
}  // namespace

// ------------------------------------------------------------------ TBitBtnWithColor

TBitBtnWithColor::TBitBtnWithColor(TComponent* AOwner) : TOwnerDrawButton(AOwner) {
  color_ = clBtnFace;
  glyph_.OnChange = [this](TObject*) { Invalidate(); };
}

TBitBtnWithColor::~TBitBtnWithColor() { glyph_.OnChange = nullptr; }

void TBitBtnWithColor::SetColor(TColor c) {
  if (c == Color()) return;
  TOwnerDrawButton::SetColor(c);
  // The state pictures are made again on the new colour.
  glyph_.Invalidate();
  Invalidate();
}

TBitBtnWithColorKind TBitBtnWithColor::Kind() const {
  if (kind_ != bkCustom) {
    const KindInfo& k = Kinds[size_t(kind_)];
    if (Default() != k.isDefault || Cancel() != k.isCancel || ModalResult() != k.result || glyphModified_)
      kind_ = bkCustom;
  }
  return kind_;
}

void TBitBtnWithColor::SetKind(TBitBtnWithColorKind v) {
  if (int(v) < int(bkCustom) || int(v) > int(bkAll) || v == kind_) return;
  if (v != bkCustom) {
    const KindInfo& k = Kinds[size_t(v)];
    SetDefault(k.isDefault);
    SetCancel(k.isCancel);
    SetCaption(k.caption);
    SetModalResult(k.result);
    glyph_.SetGlyph(KindGlyph(v));
    glyph_.SetNumGlyphs(2);
    glyphModified_ = false;
  }
  kind_ = v;
  Invalidate();
}

void TBitBtnWithColor::SetGlyph(const TBitmap* B) {
  glyph_.SetGlyph(B);
  glyphModified_ = true;
  Invalidate();
}

void TBitBtnWithColor::SetNumGlyphs(int V) { glyph_.SetNumGlyphs(std::min(V, 4)); }

void TBitBtnWithColor::SetLayout(TButtonLayout V) {
  if (V == layout_) return;
  layout_ = V;
  Invalidate();
}

void TBitBtnWithColor::SetMargin(int V) {
  if (V < -1 || V == margin_) return;
  margin_ = V;
  Invalidate();
}

void TBitBtnWithColor::SetSpacing(int V) {
  if (V == spacing_) return;
  spacing_ = V;
  Invalidate();
}

void TBitBtnWithColor::SetStyle(TButtonStyle V) {
  if (V == style_) return;
  style_ = V;
  Invalidate();
}

void TBitBtnWithColor::Click() {
  if (Kind() == bkClose)
    if (TCustomForm* f = GetParentForm(this)) {
      f->Close();
      return;
    }
  TOwnerDrawButton::Click();
}

namespace {
// A disabled button's face: its colour half-way to the button face, so a
// card button without glyph or caption greys as its captioned neighbours do
// and still shows which card it gives.
TColor greyedFace(TColor colour) {
  const TColor a = ColorToRGB(colour), b = ColorToRGB(clBtnFace);
  return RGB((GetRValue(a) + GetRValue(b)) / 2, (GetGValue(a) + GetGValue(b)) / 2, (GetBValue(a) + GetBValue(b)) / 2);
}
}  // namespace

void TBitBtnWithColor::DrawButton(TCanvas* c, const TRect& client, const TButtonDrawState& s) {
  const TColor face = s.Disabled ? greyedFace(Color()) : Color();
  const bool focusedDefault = s.Focused || s.IsDefault;
  TRect r = client;
  c->Brush()->SetStyle(bsSolid);
  c->Pen()->SetWidth(1);
  // The default (or focused) button's dark frame.
  if (focusedDefault) {
    c->Pen()->SetColor(clWindowFrame);
    c->Brush()->SetStyle(bsClear);
    c->Rectangle(r);
    c->Brush()->SetStyle(bsSolid);
    r = Rect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
  }
  // The face.
  if (s.Down && !s.Disabled) {
    c->Pen()->SetColor(clBtnShadow);
    c->Brush()->SetColor(face);
    c->Rectangle(r);
  } else {
    c->DrawSoftRaisedEdge(r);
    c->Pen()->SetColor(face);
    c->Brush()->SetColor(face);
    c->Rectangle(r);
  }
  // The content's rectangle, moved while pressed.
  r = Rect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
  if (focusedDefault) r = Rect(client.Left + 1, client.Top + 1, client.Right - 1, client.Bottom - 1);
  c->SetFont(Font());
  if (s.Down && !s.Disabled) r.Offset(1, 1);
  // Glyph and caption.
  const TButtonState state = s.Disabled ? bsDisabled : s.Down ? bsDown : bsUp;
  const String caption = Caption();
  TRect tr = Rect(0, 0, 0, 0);
  if (!caption.empty()) c->DrawText(caption, tr, TTextFormat{tfSingleLine, tfCalcRect});
  const TGlyphPlacement p =
      PlaceGlyphAndText(r, glyph_.ImageWidth(), glyph_.ImageHeight(), tr.Width(), tr.Height(), layout_, margin_, spacing_);
  glyph_.Draw(c, p.Glyph.Left, p.Glyph.Top, state, face);
  if (!caption.empty()) {
    c->Brush()->SetStyle(bsClear);
    const TTextFormat centred{tfSingleLine, tfCenter, tfVerticalCenter};
    if (s.Disabled) {
      TRect shadow = p.Text;
      shadow.Offset(1, 1);
      c->Font()->SetColor(clWhite);
      c->DrawText(caption, shadow, centred);
      c->Font()->SetColor(clGray);
    }
    TRect t = p.Text;
    c->DrawText(caption, t, centred);
    c->Brush()->SetStyle(bsSolid);
  }
  // The focus mark.
  if (s.Focused) c->DrawFocusRect(Rect(client.Left + 4, client.Top + 4, client.Right - 4, client.Bottom - 4));
}
