#pragma once
// Drawing: fonts, pens, brushes, regions, canvases, bitmaps and pictures.
// A bitmap is 32 bits per pixel, B G R and a fourth byte that effects leave
// alone; copies are nearest-neighbour; a negative extent mirrors.
#include <memory>
#include <mutex>
#include <vector>
#include "toolkit/Classes.h"

class QByteArray;
class QImage;
class QPainter;
class QRegion;

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
using TFontCharset = uint8_t;
constexpr TFontCharset ANSI_CHARSET = 0, DEFAULT_CHARSET = 1, SYMBOL_CHARSET = 2, RUSSIAN_CHARSET = 204;
constexpr int ScreenPixelsPerInch = 96;

class TGraphicsObject : public TPersistent {
 public:
  TNotifyEvent OnChange;
 protected:
  void Changed() { if (OnChange) OnChange(this); }
};

class TFont : public TGraphicsObject {
 public:
  TFont();
  const String& Name() const { return name_; }
  void SetName(const String& v);
  int Size() const;                 // points at 96 dpi
  void SetSize(int v);
  int Height() const { return height_; }   // pixels; negative = character height
  void SetHeight(int v);
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles v);
  TFontCharset Charset() const { return charset_; }
  void SetCharset(TFontCharset v);
  TFontPitch Pitch() const { return pitch_; }
  void SetPitch(TFontPitch v);
  int Orientation() const { return orientation_; }   // tenths of a degree
  void SetOrientation(int v);
  void Assign(const TPersistent* Source) override;
  String ClassName() const override { return "TFont"; }
 private:
  String name_ = "Arial";
  int height_ = -11;            // 8 pt
  TColor color_ = clWindowText;
  TFontStyles style_;
  TFontCharset charset_ = DEFAULT_CHARSET;
  TFontPitch pitch_ = fpDefault;
  int orientation_ = 0;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
// The ends and joins of lines wider than 1 pixel (a 1-pixel line always has
// flat ends). Flat ends stop exactly at the end points; round and square ones
// reach half the width beyond them.
enum TPenEndCap { pecRound, pecSquare, pecFlat };
enum TPenJoin { pjRound, pjBevel, pjMiter };
enum TPenMode { pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
                pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor };

class TPen : public TGraphicsObject {
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  int Width() const { return width_; }
  void SetWidth(int v);
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle v);
  TPenMode Mode() const { return mode_; }
  void SetMode(TPenMode v);
  TPenEndCap EndCap() const { return endCap_; }
  void SetEndCap(TPenEndCap v);
  TPenJoin Join() const { return join_; }
  void SetJoin(TPenJoin v);
  void Assign(const TPersistent* Source) override;
  String ClassName() const override { return "TPen"; }
 private:
  TPenEndCap endCap_ = pecRound;
  TPenJoin join_ = pjRound;
  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = psSolid;
  TPenMode mode_ = pmCopy;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };
class TBitmap;

class TBrush : public TGraphicsObject {
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle v);
  TBitmap* Bitmap() const { return bitmap_; }    // pattern, not owned
  void SetBitmap(TBitmap* b);
  void Assign(const TPersistent* Source) override;
  String ClassName() const override { return "TBrush"; }
 private:
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
  TBitmap* bitmap_ = nullptr;
};

// Regions: value objects (a handle in the classic API). Combined with
// CombineRgn; selected into a canvas as its clip.
enum TRegionCombine { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };
enum TPolyFillMode { ALTERNATE = 1, WINDING = 2 };
enum TRegionKind { ERROR_REGION = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };

class TRegion {
 public:
  TRegion();
  ~TRegion();
  TRegion(const TRegion&);
  TRegion& operator=(const TRegion&);
  static TRegion FromRect(const TRect& r);                    // normalised
  static TRegion Ellipse(const TRect& r);
  static TRegion RoundRect(const TRect& r, int w, int h);
  static TRegion Polygon(const std::vector<TPoint>& pts, TPolyFillMode mode);
  // A region given as a mask over w x h pixels (1 = inside), for large
  // periodic patterns; offset by (x, y).
  static TRegion FromMask(const std::vector<uint8_t>& mask, int w, int h, int x = 0, int y = 0);
  TRegion Combined(const TRegion& other, TRegionCombine mode) const;
  void Offset(int dx, int dy);
  bool Contains(int x, int y) const;
  bool IsEmpty() const;
  TRect BoundingRect() const;
  std::vector<TRect> Rects() const;         // disjoint rectangles, y-x banded
  const QRegion& Q() const;
 private:
  std::unique_ptr<QRegion> r_;
};

// Classic handle-style helpers over TRegion; a null pointer is "no region".
using HRGN = TRegion*;
HRGN CreateRectRgn(int l, int t, int r, int b);
HRGN CreateRectRgnIndirect(const TRect& r);
HRGN CreateEllipticRgn(int l, int t, int r, int b);
HRGN CreateRoundRectRgn(int l, int t, int r, int b, int w, int h);
HRGN CreatePolygonRgn(const TPoint* pts, int count, TPolyFillMode mode);
int CombineRgn(HRGN dest, HRGN a, HRGN b, TRegionCombine mode);
int OffsetRgn(HRGN r, int dx, int dy);
bool PtInRegion(HRGN r, int x, int y);
void DeleteObject(HRGN r);

enum TCopyMode { cmSrcCopy, cmSrcInvert, cmSrcAnd, cmSrcPaint, cmNotSrcCopy, cmBlackness, cmWhiteness, cmDstInvert };
// tfExpandTabs moves the text after a tab to the next tab stop (without it a
// tab shows as a blank).
enum TTextFormatFlag { tfLeft, tfCenter, tfRight, tfTop, tfVerticalCenter, tfBottom, tfSingleLine, tfWordBreak,
                       tfCalcRect, tfNoPrefix, tfEndEllipsis, tfNoClip, tfExpandTabs };
using TTextFormat = TSet<TTextFormatFlag>;

class TGraphic;

// Where TextOut's point lies on the text (combine one horizontal and one
// vertical flag): left/top is the default; TA_CENTER centres the text on x,
// TA_RIGHT ends it there; TA_BASELINE puts its baseline on y, TA_BOTTOM its
// bottom edge.
enum : unsigned { TA_LEFT = 0, TA_TOP = 0, TA_RIGHT = 2, TA_CENTER = 6, TA_BOTTOM = 8, TA_BASELINE = 24 };

// A canvas draws on a 32-bit image: a bitmap's, or the paint surface of a
// control during its paint event.
class TCanvas : public TPersistent {
 public:
  TCanvas();
  ~TCanvas() override;
  TFont* Font() const { return font_.get(); }
  TPen* Pen() const { return pen_.get(); }
  TBrush* Brush() const { return brush_.get(); }
  void SetFont(const TFont* f) { font_->Assign(f); }
  TCopyMode CopyMode = cmSrcCopy;
  TPoint PenPos() const { return penPos_; }
  void SetPenPos(const TPoint& p) { penPos_ = p; }

  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void Rectangle(int l, int t, int r, int b);
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void RoundRect(int l, int t, int r, int b, int w, int h);
  void FillRect(const TRect& r);
  void FrameRect(const TRect& r);
  void Ellipse(int l, int t, int r, int b);
  void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
  void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  void Polygon(const std::vector<TPoint>& pts);
  void Polyline(const std::vector<TPoint>& pts);
  // Several polylines at once: counts[k] points of pts belong to stroke k.
  // Axis-parallel two-point strokes of a plain 1-pixel pen are written
  // straight into the pixels.
  void PolyPolyline(const TPoint* pts, const int* counts, int strokes);
  // The focus mark: a dotted frame (every other pixel, counted from the
  // surface's origin) whose pixels are inverted, so that drawing it twice
  // removes it.
  void DrawFocusRect(const TRect& r);
  // A raised inner edge on the chosen sides of r: left and top in
  // clBtnHighlight, right and bottom (the last column and row inside r) in
  // clBtnShadow.
  enum TEdgeSide { esLeft, esTop, esRight, esBottom };
  using TEdgeSides = TSet<TEdgeSide>;
  void DrawRaisedInnerEdge(const TRect& r, TEdgeSides sides);
  // A sunken 2-pixel edge just inside r (the client edge of a framed
  // control): outer shadow/highlight, inner dark shadow/light.
  void DrawSunkenEdge(const TRect& r);
  // A soft raised 2-pixel edge just inside r (a push button's face): outer
  // highlight/dark shadow, inner light/shadow; r shrinks by the edge.
  void DrawSoftRaisedEdge(TRect& r);
  void FillRegion(const TRegion& rgn);      // with the brush
  // Draws text at (x, y) as TextAlign places it.
  void TextOut(int x, int y, const String& text);
  unsigned TextAlign() const { return textAlign_; }
  void SetTextAlign(unsigned flags) { textAlign_ = flags; }
  void TextRect(const TRect& r, int x, int y, const String& text);   // clipped to r
  // Draws text in a rectangle with the given format; with tfCalcRect it only
  // measures and updates r.
  int DrawText(const String& text, TRect& r, TTextFormat fmt);
  int TextWidth(const String& text);
  int TextHeight(const String& text);
  TPoint TextExtent(const String& text);    // X = width, Y = height
  void Draw(int x, int y, const TGraphic* g);
  void StretchDraw(const TRect& r, const TGraphic* g);
  // Copies src's rectangle s onto d of this canvas (nearest-neighbour, a
  // negative extent mirrors), honouring CopyMode and the clip.
  void CopyRect(const TRect& d, TCanvas* src, const TRect& s);
  TColor Pixel(int x, int y) const;
  void SetPixel(int x, int y, TColor c);
  // Clip: a region (a copy is kept) or none.
  void SelectClipRgn(const TRegion* rgn);
  bool HasClip() const { return clip_ != nullptr; }
  const TRegion* ClipRegion() const { return clip_.get(); }   // nullptr: none
  TRect ClipRect() const;
  // Whether any part of r lies inside the clip (and the surface).
  bool RectVisible(const TRect& r) const;
  void Lock() { lock_.lock(); }
  void Unlock() { lock_.unlock(); }
  bool TryLock() { return lock_.try_lock(); }
  // The size of the drawing surface.
  int Width() const;
  int Height() const;
  String ClassName() const override { return "TCanvas"; }
  // Fired after drawing changed the surface (a bitmap passes it on as its own
  // change).
  TNotifyEvent OnChange;

  // Toolkit internals: the image drawn on, and an optional origin offset.
  // Whoever takes the image to paint on it himself finds no painter of the
  // canvas's own left open on it.
  QImage* Image() const {
    closeTextPainter();
    return image_;
  }
  void BindImage(QImage* img) {
    closeTextPainter();
    image_ = img;
  }
  // A text run (nesting; a control's paint is one): the texts of TextRect
  // share one painter on the image, opened at the first and kept while only
  // texts and pixel-level drawing follow. Any other drawing, a look at
  // Image(), rebinding or moving the origin closes it first, and so does the
  // end of the outermost run.
  void BeginTextRun() { ++textRun_; }
  void EndTextRun() {
    if (textRun_ > 0 && --textRun_ == 0) closeTextPainter();
  }
  // A canvas on a page (a printer): drawing goes through the given painter,
  // the surface is width x height device pixels, and fonts keep their point
  // size (pixel sizes scaled by fontScale, the device's pixels per inch over
  // 96). Pixel-level operations (copies, pixels, focus marks) do nothing
  // there. A null painter unbinds.
  void BindPainter(QPainter* p, int width, int height, double fontScale);
  QPainter* Painter() const { return painter_; }
  void SetOrigin(TPoint o) {
    if (o != origin_) closeTextPainter();
    origin_ = o;
  }
  TPoint Origin() const { return origin_; }

 private:
  friend class CanvasPainter;
  struct TextPainter;
  void closeTextPainter() const;
  // Fills the logical rectangle r (clipped) with c straight into the pixels;
  // false when the surface is not one this can be done on.
  bool fillPixels(const TRect& r, TColor c);
  void textRectInRun(const TRect& r, int x, int y, const String& text);
  void twoPixelEdge(const TRect& n, TColor outerTL, TColor outerBR, TColor innerTL, TColor innerBR);
  std::unique_ptr<TFont> font_;
  std::unique_ptr<TPen> pen_;
  std::unique_ptr<TBrush> brush_;
  TPoint penPos_;
  std::unique_ptr<TRegion> clip_;
  // The clip when it is one rectangle (the usual case while painting).
  bool clipIsRect_ = false;
  TRect clipRect_;
  QImage* image_ = nullptr;
  QPainter* painter_ = nullptr;
  int deviceW_ = 0, deviceH_ = 0;
  double fontScale_ = 1.0;
  TPoint origin_;
  unsigned textAlign_ = TA_LEFT | TA_TOP;
  int textRun_ = 0;
  mutable std::unique_ptr<TextPainter> textPainter_;
  // In a text run: the rectangle that the last drawing filled with one solid
  // colour, while nothing else has been drawn since (a TextRect of the same
  // rectangle and colour need not fill it again).
  mutable bool filledValid_ = false;
  TRect filled_;
  uint32_t filledPixel_ = 0;
  std::recursive_mutex lock_;
};

// Toolkit internals: the bytes this thread keeps for copies of a picture
// onto itself (a snapshot of the source rectangle, reused from copy to copy).
size_t SelfCopyScratchBytes();
// Toolkit internals: how many text layouts TextRect has made on this thread.
size_t TextLayoutsMade();

class TGraphic : public TPersistent {
 public:
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual bool Empty() const { return Width() == 0 || Height() == 0; }
  virtual void LoadFromFile(const String& fileName) = 0;
  virtual void SaveToFile(const String& fileName) const = 0;
  // Draws itself stretched into r of the canvas.
  virtual void DrawOn(TCanvas* c, const TRect& r) const = 0;
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v) { transparent_ = v; Changed(); }
  TNotifyEvent OnChange;
 protected:
  void Changed() { if (OnChange) OnChange(this); }
  bool transparent_ = false;
};

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

class TBitmap : public TGraphic {
 public:
  TBitmap();
  TBitmap(int w, int h);
  ~TBitmap() override;
  int Width() const override;
  int Height() const override;
  void SetWidth(int w);
  void SetHeight(int h);
  void SetSize(int w, int h);            // new pixels are white
  TCanvas* Canvas() const { return canvas_.get(); }
  uint8_t* ScanLine(int y);              // row y, 4 bytes a pixel
  const uint8_t* ScanLine(int y) const;
  int BytesPerLine() const;
  TPixelFormat PixelFormat() const { return pixelFormat_; }
  void SetPixelFormat(TPixelFormat p) { pixelFormat_ = p; }
  TColor TransparentColor() const;       // the bottom-left pixel unless set
  void SetTransparentColor(TColor c) { transparentColor_ = c; }
  void LoadFromFile(const String& fileName) override;
  void SaveToFile(const String& fileName) const override;   // by extension, atomic
  void DrawOn(TCanvas* c, const TRect& r) const override;
  void Assign(const TPersistent* Source) override;
  void Fill(TColor c);                   // every pixel c, opaque
  bool Empty() const override;
  // A picture with alpha (a PNG or icon with see-through parts) keeps it
  // beside its pixels, which stay RGB32: an 8-bit plane, 0 see-through to
  // 255 opaque. Its pixels hold the colours (white where wholly
  // see-through). Drawing it (Draw, StretchDraw: a TImage, the picture
  // show's background) composes it over what the canvas holds there; a copy
  // of pixels (CopyRect, ScanLine, the effects) sees its colours only.
  // SetSize keeps the plane of the pixels kept; Fill, SetImage without
  // alpha and Assign of an opaque graphic drop it.
  bool HasAlpha() const { return alpha_ != nullptr; }
  // Composes the picture over colour c for good: the plane goes.
  void FlattenAlpha(TColor c);
  String ClassName() const override { return "TBitmap"; }
  // Toolkit internals.
  QImage& Image() { return *image_; }
  const QImage& Image() const { return *image_; }
  void SetImage(const QImage& img);       // converted to 32-bit, alpha kept beside
  const QImage* AlphaPlane() const { return alpha_.get(); }   // null when opaque
 private:
  std::unique_ptr<QImage> image_;
  std::unique_ptr<QImage> alpha_;         // Format_Alpha8 of the image's size
  // The picture ready to be composed: premultiplied, its key colour
  // see-through; made at its first draw, again once pixels, plane or key
  // changed.
  std::shared_ptr<const QImage> composeReady(int64_t key) const;
  void dropAlpha();
  mutable std::mutex readyLock_;
  mutable std::shared_ptr<const QImage> ready_;
  mutable int64_t readyImageKey_ = 0, readyPlaneKey_ = 0, readyKey_ = -2;
  std::unique_ptr<TCanvas> canvas_;
  TPixelFormat pixelFormat_ = pfDevice;
  TColor transparentColor_ = clDefault;
};

// Any loadable graphic: icons and PNG through Qt, JPEG through libjpeg
// ("JPEG error #%d"), bitmaps. Held as a 32-bit image.
class TImageGraphic : public TBitmap {
 public:
  String ClassName() const override { return "TImageGraphic"; }
};

class TPicture : public TPersistent {
 public:
  TPicture();
  ~TPicture() override;
  TGraphic* Graphic() const { return graphic_.get(); }
  void SetGraphic(const TGraphic* g);     // copies; nullptr clears
  TBitmap* Bitmap();                      // makes the graphic a bitmap when it is not one
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }
  void LoadFromFile(const String& fileName);  // by extension; raises EInvalidGraphic
  void SaveToFile(const String& fileName) const;
  void Assign(const TPersistent* Source) override;   // TPicture, TGraphic or nullptr
  void Clear() { SetGraphic(nullptr); }
  TNotifyEvent OnChange;
  String ClassName() const override { return "TPicture"; }
 private:
  void changed();
  void adopt(std::unique_ptr<TGraphic> g);
  std::unique_ptr<TGraphic> graphic_;
};

// Loads any supported picture file into a 32-bit image; raises EInvalidGraphic
// for an unknown format and "JPEG error #%d" for a broken JPEG.
void LoadImageFile(const String& fileName, QImage& out);
// Pictures larger than this are refused when loaded (from their declared
// size, before any decoding): at most 8192 pixels a side, 40 million in all.
constexpr int MaxPictureSide = 8192;
constexpr int64_t MaxPicturePixels = 40000000;
inline bool PictureSizeAllowed(int64_t w, int64_t h) {
  return w > 0 && h > 0 && w <= MaxPictureSide && h <= MaxPictureSide && w * h <= MaxPicturePixels;
}
// Toolkit internal: an RGB32 image in a buffer laid out as a bitmap keeps its
// pixels, so a bitmap takes it over without a copy (null when out of memory).
QImage NewBitmapImage(int w, int h);
// Draws a metafile's bytes (enhanced when enhanced, else a Windows metafile)
// at its frame's size in pixels, checked against the limits above before
// drawing; raises EInvalidGraphic naming the file when it is broken or the
// pictures inside it hold more pixels together than one picture may. The
// reader process (toolkit/ReaderProcess.h) draws it and hands back its pixels.
void LoadMetafile(const String& fileName, const std::string& data, bool enhanced, QImage& out);
// The picture is drawn by the reader process (a metafile, by its extension):
// loading it means starting that process and waiting for it.
bool PictureNeedsReader(const String& FileName);
// The reader process that converts metafiles and its limits. The program
// defaults to "tablo-sheet-reader" in the executable's folder; tests point
// it at the one of their build.
struct TMetafileReader {
  static String Program;
  static int TimeLimitSeconds;       // wall-clock time of one conversion
  static int MemoryLimitMegabytes;   // the reader's address space
};
// Decodes JPEG bytes through libjpeg.
void DecodeJpeg(const std::string& bytes, QImage& out);
// Encodes an image as JPEG through libjpeg (quality 1..100).
std::string EncodeJpeg(const QImage& img, int quality = 90);
// Maps a font name to the installed font that stands in for it ("Arial" ->
// "Liberation Sans" and the like).
String ResolveFontFamily(const String& name);
// Symbol fonts ("Wingdings") are not installed here: they resolve to an
// installed face, and the symbol characters the console uses are shown as the
// same shapes from it (arrowheads, dots). Text in any other font is unchanged.
bool IsSymbolFont(const String& name);
String MapSymbolText(const String& fontName, const String& text);

// Colours as "r,g,b" text used by layout and list files.
String ColorToRGBText(TColor c);
// The first three comma-separated pieces are red, green and blue, each taken
// modulo 256; a piece that is not a number leaves its component 0.
TColor RGBTextToColor(const String& s);
