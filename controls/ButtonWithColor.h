#pragma once
// A push button whose face and glyph background are painted in its own Color
// (the card buttons). It draws all of itself: a soft raised edge, a face in
// Color, the glyph of the current state and the caption. Glyph pictures of
// one size share an image list from a cache kept while any button lives.
#include <array>
#include <memory>
#include <vector>

#include "toolkit/Buttons.h"
#include "toolkit/ImgList.h"

// The predefined kinds are the toolkit's bitmap-button kinds.
using TBitBtnWithColorKind = TBitBtnKind;
// Kept and repainted only; every style draws alike.
enum TButtonStyle : int { bsAutoDetect, bsWin31, bsNew };

// An image list that remembers which slots are in use: an added picture takes
// the first free slot, a deleted one frees its slot (the others keep their
// numbers).
class TGlyphList : public TImageList {
 public:
  TGlyphList(int Width, int Height);
  int AddSlot(const TBitmap* Image);
  int AddSlotMasked(const TBitmap* Image, TColor MaskColor);
  void DeleteSlot(int Index);
  int UsedCount() const { return used_count_; }
  String ClassName() const override { return "TGlyphList"; }

 private:
  int takeSlot();
  std::vector<bool> used_;
  int used_count_ = 0;
};

// Shared glyph lists by picture size.
class TGlyphCache {
 public:
  TGlyphList* GetList(int Width, int Height);
  // A list with no used slot left is freed.
  void ReturnList(TGlyphList* List);
  bool Empty() const { return lists_.empty(); }

 private:
  std::vector<std::unique_ptr<TGlyphList>> lists_;
};

// One button's glyph and the pictures of its states on a face colour.
class TButtonGlyph {
 public:
  TButtonGlyph();
  ~TButtonGlyph();
  TButtonGlyph(const TButtonGlyph&) = delete;
  TButtonGlyph& operator=(const TButtonGlyph&) = delete;

  TBitmap* Glyph() const { return glyph_.get(); }
  void SetGlyph(const TBitmap* B);
  int NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(int V);
  // The glyph's own transparent colour (clOlive before any glyph).
  TColor TransparentColor() const { return transparent_; }
  // Width and height of one state picture (0 x 0 without a glyph).
  int ImageWidth() const;
  int ImageHeight() const;
  // Discards the state pictures (they are built again on demand).
  void Invalidate();
  // The list index of the state's picture on Face, built when missing; -1
  // without a glyph.
  int StateImage(TButtonState State, TColor Face);
  TGlyphList* List() const { return list_; }
  void Draw(TCanvas* C, int X, int Y, TButtonState State, TColor Face);

  TNotifyEvent OnChange;

  // The shared cache while any glyph holder exists (null otherwise).
  static TGlyphCache* Cache();

 private:
  std::unique_ptr<TBitmap> glyph_;
  TGlyphList* list_ = nullptr;
  std::array<int, 4> indexes_{-1, -1, -1, -1};
  TColor transparent_ = clOlive;
  TColor face_ = clBtnFace;
  int numGlyphs_ = 1;
};

class TBitBtnWithColor : public TOwnerDrawButton {
 public:
  explicit TBitBtnWithColor(TComponent* AOwner);
  ~TBitBtnWithColor() override;

  void SetColor(TColor c) override;
  TBitBtnWithColorKind Kind() const;
  void SetKind(TBitBtnWithColorKind v);
  TBitmap* Glyph() const { return glyph_.Glyph(); }
  void SetGlyph(const TBitmap* B);
  int NumGlyphs() const { return glyph_.NumGlyphs(); }
  void SetNumGlyphs(int V);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout V);
  int Margin() const { return margin_; }
  void SetMargin(int V);   // values below -1 are ignored
  int Spacing() const { return spacing_; }
  void SetSpacing(int V);
  TButtonStyle Style() const { return style_; }
  void SetStyle(TButtonStyle V);

  // bkClose closes the parent form, bkHelp acts as a plain click (there is no
  // help system); the others click as any button.
  void Click() override;

  // The glyph holder (its state pictures), for those who look at it.
  TButtonGlyph& ButtonGlyph() { return glyph_; }
  String ClassName() const override { return "TBitBtnWithColor"; }

 protected:
  void DrawButton(TCanvas* c, const TRect& client, const TButtonDrawState& s) override;

 private:
  TButtonGlyph glyph_;
  mutable TBitBtnWithColorKind kind_ = bkCustom;
  TButtonLayout layout_ = blGlyphLeft;
  TButtonStyle style_ = bsAutoDetect;
  int margin_ = -1, spacing_ = 4;
  bool glyphModified_ = false;
};
