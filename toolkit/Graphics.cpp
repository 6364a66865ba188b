#include "toolkit/Graphics.h"
#include "toolkit/SafeFiles.h"
#include "toolkit/QtGlue.h"

#include <QBuffer>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QStaticText>

#include <cmath>
#include <cstdlib>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <map>

// ---------------------------------------------------------------------------
// Helpers shared by this file

namespace {

QString qs(const String& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
String us(const QString& s) { return s.toUtf8().toStdString(); }

QColor qcolor(TColor c) {
  c = ColorToRGB(c);
  return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

// The pixel value of a colour in a 32-bit image (0xFFRRGGBB).
uint32_t pixelOf(TColor c) {
  c = ColorToRGB(c);
  return 0xFF000000u | (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | uint32_t(GetBValue(c));
}

TColor colorOfPixel(uint32_t p) { return RGB(int((p >> 16) & 255), int((p >> 8) & 255), int(p & 255)); }

bool is32(const QImage& i) {
  auto f = i.format();
  return f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 || f == QImage::Format_ARGB32_Premultiplied;
}

}  // namespace

// ---------------------------------------------------------------------------
// Fonts, pens, brushes

String ResolveFontFamily(const String& name) {
  static const std::pair<const char*, const char*> map[] = {
      {"Arial", "Liberation Sans"},          {"Helvetica", "Liberation Sans"},
      {"MS Sans Serif", "Liberation Sans"},  {"Microsoft Sans Serif", "Liberation Sans"},
      {"Tahoma", "Liberation Sans"},         {"Times New Roman", "Liberation Serif"},
      {"Times", "Liberation Serif"},         {"Courier New", "Liberation Mono"},
      {"Courier", "Liberation Mono"},        {"Arial Narrow", "Liberation Sans Narrow"},
      {"Wingdings", "Liberation Sans"}};
  for (const auto& m : map)
    if (SameText(name, m.first)) return m.second;
  return name;
}

bool IsSymbolFont(const String& name) { return name.size() == 9 && SameText(name, "Wingdings"); }

String MapSymbolText(const String& fontName, const String& text) {
  if (!IsSymbolFont(fontName)) return text;
  // Symbol-font code -> the same shape in Unicode, as the stand-in face has it.
  static const std::pair<char32_t, char32_t> shapes[] = {
      {0x9E, 0x00B7}, {0x9F, 0x2022}, {0xA7, 0x25AA}, {0xD7, 0x25C4}, {0xD8, 0x25BA}, {0xD9, 0x25B2},
      {0xDA, 0x25BC}, {0xE7, 0x2190}, {0xE8, 0x2192}, {0xE9, 0x2191}, {0xEA, 0x2193}};
  std::u32string in = QString::fromUtf8(text.data(), qsizetype(text.size())).toStdU32String(), out;
  out.reserve(in.size());
  for (char32_t ch : in) {
    // The private-use forms (U+F0xx) stand for the same codes.
    char32_t code = ch >= 0xF000 && ch <= 0xF0FF ? ch - 0xF000 : ch;
    for (const auto& m : shapes)
      if (m.first == code) {
        ch = m.second;
        break;
      }
    out.push_back(ch);
  }
  QByteArray b = QString::fromStdU32String(out).toUtf8();
  return String(b.constData(), size_t(b.size()));
}

TFont::TFont() = default;

void TFont::SetName(const String& v) {
  if (v == name_) return;
  name_ = v;
  Changed();
}

int TFont::Size() const { return -MulDiv(height_, 72, ScreenPixelsPerInch); }

void TFont::SetSize(int v) { SetHeight(-MulDiv(v, ScreenPixelsPerInch, 72)); }

void TFont::SetHeight(int v) {
  if (v == height_) return;
  height_ = v;
  Changed();
}

void TFont::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  Changed();
}

void TFont::SetStyle(TFontStyles v) {
  if (v == style_) return;
  style_ = v;
  Changed();
}

void TFont::SetCharset(TFontCharset v) {
  if (v == charset_) return;
  charset_ = v;
  Changed();
}

void TFont::SetPitch(TFontPitch v) {
  if (v == pitch_) return;
  pitch_ = v;
  Changed();
}

void TFont::SetOrientation(int v) {
  if (v == orientation_) return;
  orientation_ = v;
  Changed();
}

void TFont::Assign(const TPersistent* Source) {
  if (auto* f = dynamic_cast<const TFont*>(Source)) {
    if (f == this) return;
    bool diff = name_ != f->name_ || height_ != f->height_ || color_ != f->color_ || style_ != f->style_ ||
                charset_ != f->charset_ || pitch_ != f->pitch_ || orientation_ != f->orientation_;
    name_ = f->name_;
    height_ = f->height_;
    color_ = f->color_;
    style_ = f->style_;
    charset_ = f->charset_;
    pitch_ = f->pitch_;
    orientation_ = f->orientation_;
    if (diff) Changed();
    return;
  }
  TPersistent::Assign(Source);
}

void TPen::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  Changed();
}

void TPen::SetWidth(int v) {
  if (v == width_) return;
  width_ = v;
  Changed();
}

void TPen::SetStyle(TPenStyle v) {
  if (v == style_) return;
  style_ = v;
  Changed();
}

void TPen::SetMode(TPenMode v) {
  if (v == mode_) return;
  mode_ = v;
  Changed();
}

void TPen::SetEndCap(TPenEndCap v) {
  if (v == endCap_) return;
  endCap_ = v;
  Changed();
}

void TPen::SetJoin(TPenJoin v) {
  if (v == join_) return;
  join_ = v;
  Changed();
}

void TPen::Assign(const TPersistent* Source) {
  if (auto* p = dynamic_cast<const TPen*>(Source)) {
    if (p == this) return;
    color_ = p->color_;
    width_ = p->width_;
    style_ = p->style_;
    mode_ = p->mode_;
    endCap_ = p->endCap_;
    join_ = p->join_;
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}

void TBrush::SetColor(TColor v) {
  if (v == color_ && style_ != bsClear) return;
  color_ = v;
  if (style_ == bsClear) style_ = bsSolid;  // a colour makes a clear brush solid again
  Changed();
}

void TBrush::SetStyle(TBrushStyle v) {
  if (v == style_) return;
  style_ = v;
  Changed();
}

void TBrush::SetBitmap(TBitmap* b) {
  if (b == bitmap_) return;
  bitmap_ = b;
  Changed();
}

void TBrush::Assign(const TPersistent* Source) {
  if (auto* b = dynamic_cast<const TBrush*>(Source)) {
    if (b == this) return;
    color_ = b->color_;
    style_ = b->style_;
    bitmap_ = b->bitmap_;
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}

// ---------------------------------------------------------------------------
// Qt objects made from the canvas state

namespace {

// Pixel size of a font: a negative height is the character height; a
// positive one the cell height (character plus internal leading).
int pixelSizeOf(const QString& family, int height) {
  if (height < 0) return -height;
  if (height == 0) return 11;
  static std::mutex m;
  static std::map<QString, double> ratio;
  std::lock_guard<std::mutex> g(m);
  auto it = ratio.find(family);
  if (it == ratio.end()) {
    QFont f(family);
    f.setPixelSize(1000);
    QFontMetricsF fm(f);
    double cell = fm.ascent() + fm.descent();
    it = ratio.emplace(family, cell > 0 ? 1000.0 / cell : 1.0).first;
  }
  return std::max(1, int(std::lround(height * it->second)));
}

QFont makeQFont(const TFont* f);

// The Qt font of a toolkit font. Text drawn cell by cell asks for the same
// font again and again: the last few are kept (per thread).
QFont qfont(const TFont* f) {
  struct Entry {
    String name;
    int height;
    uint64_t style;
    TFontPitch pitch;
    QFont font;
  };
  thread_local std::vector<Entry> cache;
  for (const Entry& e : cache)
    if (e.height == f->Height() && e.style == f->Style().Bits() && e.pitch == f->Pitch() && e.name == f->Name())
      return e.font;
  if (cache.size() >= 8) cache.erase(cache.begin());
  cache.push_back(Entry{f->Name(), f->Height(), f->Style().Bits(), f->Pitch(), makeQFont(f)});
  return cache.back().font;
}

// The font of a canvas on a page of another resolution (same point size).
QFont scaledFont(QFont f, double scale) {
  if (scale != 1.0) f.setPixelSize(std::max(1, int(std::lround(f.pixelSize() * scale))));
  return f;
}

QFont makeQFont(const TFont* f) {
  QString family = qs(ResolveFontFamily(f->Name()));
  QFont q(family);
  q.setPixelSize(pixelSizeOf(family, f->Height()));
  TFontStyles s = f->Style();
  q.setBold(s.Contains(fsBold));
  q.setItalic(s.Contains(fsItalic));
  q.setUnderline(s.Contains(fsUnderline));
  q.setStrikeOut(s.Contains(fsStrikeOut));
  if (f->Pitch() == fpFixed) q.setFixedPitch(true);
  return q;
}

bool penModeOp(TPenMode m, QPainter::CompositionMode& op, bool& forceBlack, bool& forceWhite) {
  forceBlack = forceWhite = false;
  op = QPainter::CompositionMode_SourceOver;
  switch (m) {
    case pmBlack: forceBlack = true; break;
    case pmWhite: forceWhite = true; break;
    case pmNop: return false;
    case pmNot: op = QPainter::RasterOp_NotDestination; break;
    case pmCopy: break;
    case pmNotCopy: op = QPainter::RasterOp_NotSource; break;
    case pmMergePenNot: op = QPainter::RasterOp_SourceOrNotDestination; break;
    case pmMaskPenNot: op = QPainter::RasterOp_SourceAndNotDestination; break;
    case pmMergeNotPen: op = QPainter::RasterOp_NotSourceOrDestination; break;
    case pmMaskNotPen: op = QPainter::RasterOp_NotSourceAndDestination; break;
    case pmMerge: op = QPainter::RasterOp_SourceOrDestination; break;
    case pmNotMerge: op = QPainter::RasterOp_NotSourceAndNotDestination; break;
    case pmMask: op = QPainter::RasterOp_SourceAndDestination; break;
    case pmNotMask: op = QPainter::RasterOp_NotSourceOrNotDestination; break;
    case pmXor: op = QPainter::RasterOp_SourceXorDestination; break;
    case pmNotXor: op = QPainter::RasterOp_NotSourceXorDestination; break;
  }
  return true;
}

// The text as shown when '&' marks an accelerator: "&&" is one '&'.
QString stripMnemonic(const QString& t) {
  QString out;
  out.reserve(t.size());
  for (qsizetype i = 0; i < t.size(); ++i) {
    if (t[i] == QLatin1Char('&') && i + 1 < t.size()) ++i;
    else if (t[i] == QLatin1Char('&')) continue;
    out += t[i];
  }
  return out;
}

}  // namespace

// Opens a painter on the canvas surface with its origin and clip.
class CanvasPainter {
 public:
  explicit CanvasPainter(TCanvas* c) : c_(c) {
    c->closeTextPainter();
    if (c->painter_) {
      // A page: the device's painter, its state kept around each call.
      if (!c->painter_->isActive()) return;
      pp_ = c->painter_;
      pp_->save();
      saved_ = true;
    } else {
      if (!c->image_ || c->image_->isNull()) return;
      own_.begin(c->image_);
      if (!own_.isActive()) return;
    }
    ok_ = true;
    if (c->origin_.X || c->origin_.Y) pp_->translate(c->origin_.X, c->origin_.Y);
    if (c->clip_) pp_->setClipRegion(c->clip_->Q());
  }
  ~CanvasPainter() {
    if (saved_) pp_->restore();
    else if (own_.isActive()) own_.end();
    if (ok_ && c_->OnChange) c_->OnChange(c_);
  }
  bool ok() const { return ok_; }
  QPainter& p() { return *pp_; }

  // Pen and brush for shapes; false when the pen mode draws nothing.
  bool setupShape(bool withBrush) {
    QPainter::CompositionMode op;
    bool black, white;
    if (!penModeOp(c_->pen_->Mode(), op, black, white)) return false;
    pp_->setCompositionMode(op);
    TPen* pen = c_->pen_.get();
    if (pen->Style() == psClear) {
      pp_->setPen(Qt::NoPen);
    } else {
      QColor col = black ? QColor(0, 0, 0) : white ? QColor(255, 255, 255) : qcolor(pen->Color());
      QPen qp(col);
      int w = std::max(1, pen->Width());
      qp.setWidth(w);
      Qt::PenStyle st = Qt::SolidLine;
      if (w == 1) {
        switch (pen->Style()) {
          case psDash: st = Qt::DashLine; break;
          case psDot: st = Qt::DotLine; break;
          case psDashDot: st = Qt::DashDotLine; break;
          case psDashDotDot: st = Qt::DashDotDotLine; break;
          default: break;
        }
      }
      qp.setStyle(st);
      static const Qt::PenCapStyle caps[] = {Qt::RoundCap, Qt::SquareCap, Qt::FlatCap};
      static const Qt::PenJoinStyle joins[] = {Qt::RoundJoin, Qt::BevelJoin, Qt::MiterJoin};
      qp.setCapStyle(w == 1 ? Qt::FlatCap : caps[pen->EndCap()]);
      qp.setJoinStyle(w == 1 ? Qt::MiterJoin : joins[pen->Join()]);
      pp_->setPen(qp);
    }
    pp_->setBrush(withBrush ? brush(black, white) : QBrush(Qt::NoBrush));
    return true;
  }

  QBrush brush(bool black = false, bool white = false) const {
    TBrush* b = c_->brush_.get();
    QColor col = black ? QColor(0, 0, 0) : white ? QColor(255, 255, 255) : qcolor(b->Color());
    if (b->Bitmap() && !b->Bitmap()->Empty()) return QBrush(b->Bitmap()->Image());
    switch (b->Style()) {
      case bsSolid: return QBrush(col);
      case bsClear: return QBrush(Qt::NoBrush);
      case bsHorizontal: return QBrush(col, Qt::HorPattern);
      case bsVertical: return QBrush(col, Qt::VerPattern);
      case bsFDiagonal: return QBrush(col, Qt::FDiagPattern);
      case bsBDiagonal: return QBrush(col, Qt::BDiagPattern);
      case bsCross: return QBrush(col, Qt::CrossPattern);
      case bsDiagCross: return QBrush(col, Qt::DiagCrossPattern);
    }
    return QBrush(col);
  }

 private:
  TCanvas* c_;
  QPainter own_;
  QPainter* pp_ = &own_;
  bool saved_ = false;
  bool ok_ = false;
};

// ---------------------------------------------------------------------------
// Pixel copies between 32-bit images

namespace {

// Copies a row of pixels. Our own loop: the C library's copy turns very slow
// on some processors for certain distances between source and target rows.
inline void copyPixels(uint8_t* d, const uint8_t* s, size_t bytes) {
#if defined(__SSE2__)
  size_t i = 0;
  for (; i + 64 <= bytes; i += 64) {
    __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 16));
    __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 32));
    __m128i e = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 48));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), a);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i + 16), b);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i + 32), c);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i + 48), e);
  }
  if (i < bytes) std::memcpy(d + i, s + i, bytes - i);
#else
  std::memcpy(d, s, bytes);
#endif
}

template <class Op>
void copyRows(uint8_t* dbits, qsizetype dbpl, const uint8_t* sbits, qsizetype sbpl, const QRect& r, const QRect& bounds,
              const std::vector<int>& xm, const std::vector<int>& ym, bool straight, Op op) {
  const int x0 = r.x(), x1 = r.x() + r.width();
  const int* xmap = xm.data() - bounds.x();
  for (int y = r.y(); y < r.y() + r.height(); ++y) {
    int sy = ym[size_t(y - bounds.y())];
    if (sy < 0) continue;
    uint32_t* d = reinterpret_cast<uint32_t*>(dbits + dbpl * y);
    if (sbits && straight) {
      // Consecutive source columns: only the ends can lack a source.
      int a = x0, b = x1;
      while (a < b && xmap[a] < 0) ++a;
      while (b > a && xmap[b - 1] < 0) --b;
      if (a >= b) continue;
      const uint32_t* s = reinterpret_cast<const uint32_t*>(sbits + sbpl * sy) + (xmap[a] - a);
      for (int x = a; x < b; ++x) op(d[x], s[x]);
    } else if (sbits) {
      const uint32_t* s = reinterpret_cast<const uint32_t*>(sbits + sbpl * sy);
      for (int x = x0; x < x1; ++x) {
        int sx = xmap[x];
        if (sx >= 0) op(d[x], s[sx]);
      }
    } else {
      for (int x = x0; x < x1; ++x) op(d[x], 0u);
    }
  }
}

// The snapshot of a source rectangle when a picture is copied onto itself.
std::vector<uint8_t>& selfCopyScratch() {
  thread_local std::vector<uint8_t> scratch;
  return scratch;
}

// Copies the source rectangle s of src (nearest neighbour, mirrored as
// asked) onto the rectangle d of dst, both normalised, in image coordinates.
// clip (image coordinates) limits the pixels written. key >= 0 skips source
// pixels of that colour (0xRRGGBB). over (a source of premultiplied
// pixels) composes each source pixel over the destination by its opacity:
// a bitmap keeps the fourth byte of its pixels, a surface with alpha gets
// the union of the two coverages.
void blit(QImage& dst, const QImage* srcIn, QRect d, QRect s, bool mirrorX, bool mirrorY, const QRegion* clip,
          TCopyMode mode, int64_t key, bool over = false) {
  if (d.isEmpty()) return;
  const bool needSrc = !(mode == cmBlackness || mode == cmWhiteness || mode == cmDstInvert);
  if (needSrc && (!srcIn || srcIn->isNull() || s.isEmpty())) return;
  QRect bounds = d.intersected(dst.rect());
  if (bounds.isEmpty()) return;

  if (!is32(dst)) {
    // Other surfaces: work on a 32-bit copy of the touched area.
    QImage tmp = dst.copy(bounds).convertToFormat(QImage::Format_RGB32);
    QRect d2 = d.translated(-bounds.topLeft());
    blit(tmp, srcIn, d2, s, mirrorX, mirrorY, nullptr, mode, key, over);
    QPainter p(&dst);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    if (clip) p.setClipRegion(*clip);
    p.drawImage(bounds.topLeft(), tmp);
    return;
  }

  uint8_t* dbits = dst.bits();  // detaches first, so a shared source is told apart below
  const qsizetype dbpl = dst.bytesPerLine();

  QImage holder;
  const QImage* src = srcIn;
  if (over) key = -1;   // a composed source has its key made see-through
  if (needSrc) {
    if (!over && (!is32(*src) || (src->format() != dst.format() && src->format() != QImage::Format_RGB32))) {
      // Pixels with alpha become the target's kind (opaque for a bitmap).
      QRect inter = s.intersected(src->rect());
      if (inter.isEmpty()) return;
      holder = src->copy(inter).convertToFormat(dst.format());
      s.translate(-inter.topLeft());
      src = &holder;
    } else if (src->constBits() == dst.constBits()) {
      // A copy onto the same picture reads from a snapshot of the source
      // rectangle, kept in this thread's scratch buffer (reused from copy to
      // copy, so a transition frame allocates nothing).
      QRect inter = s.intersected(src->rect());
      if (inter.isEmpty()) return;
      std::vector<uint8_t>& scratch = selfCopyScratch();
      const size_t rowBytes = size_t(inter.width()) * 4;
      const size_t need = rowBytes * size_t(inter.height());
      if (scratch.size() < need) {
        scratch.clear();
        scratch.shrink_to_fit();
        scratch.resize(need);
      }
      holder = QImage(scratch.data(), inter.width(), inter.height(), qsizetype(rowBytes), src->format());
      if (holder.isNull()) return;
      for (int y = 0; y < inter.height(); ++y)
        copyPixels(scratch.data() + rowBytes * size_t(y), src->constScanLine(inter.y() + y) + qsizetype(inter.x()) * 4,
                   rowBytes);
      s.translate(-inter.topLeft());
      src = &holder;
    }
  }

  const int DW = d.width(), DH = d.height();
  const int SW = s.width(), SH = s.height();
  const int srcW = needSrc ? src->width() : 0, srcH = needSrc ? src->height() : 0;

  // Source column and row of every destination column and row in bounds.
  std::vector<int> xm(size_t(bounds.width())), ym(size_t(bounds.height()));
  for (int x = bounds.x(); x < bounds.x() + bounds.width(); ++x) {
    int sx = 0;
    if (needSrc) {
      int rel = x - d.x();
      int j = SW == DW ? rel : int((int64_t(2 * rel + 1) * SW) / (int64_t(2) * DW));
      if (mirrorX) j = SW - 1 - j;
      sx = s.x() + j;
      if (sx < 0 || sx >= srcW) sx = -1;
    }
    xm[size_t(x - bounds.x())] = sx;
  }
  for (int y = bounds.y(); y < bounds.y() + bounds.height(); ++y) {
    int sy = 0;
    if (needSrc) {
      int rel = y - d.y();
      int j = SH == DH ? rel : int((int64_t(2 * rel + 1) * SH) / (int64_t(2) * DH));
      if (mirrorY) j = SH - 1 - j;
      sy = s.y() + j;
      if (sy < 0 || sy >= srcH) sy = -1;
    }
    ym[size_t(y - bounds.y())] = sy;
  }

  const uint8_t* sbits = needSrc ? src->constBits() : nullptr;
  const qsizetype sbpl = needSrc ? src->bytesPerLine() : 0;
  const bool straight = needSrc && SW == DW && !mirrorX;

  // The rectangles to write.
  std::vector<QRect> rects;
  if (clip) {
    QRegion r = clip->intersected(bounds);
    rects.assign(r.begin(), r.end());
  } else {
    rects.push_back(bounds);
  }

  constexpr uint32_t kRgb = 0x00FFFFFFu;
  // A bitmap keeps the fourth byte of its pixels through the combining
  // modes; a surface with alpha gets opaque pixels where they are written.
  const bool plain = dst.format() == QImage::Format_RGB32;
  const uint32_t kX = plain ? 0xFF000000u : 0u;
  const uint32_t kA = plain ? 0u : 0xFF000000u;
  if (over) {
    // One loop per kind of destination, so that the per-pixel work is the
    // composition alone.
    const int* xmap = xm.data() - bounds.x();
    auto compose = [&](auto put) {
      for (const QRect& r : rects) {
        for (int y = r.y(); y < r.y() + r.height(); ++y) {
          const int sy = ym[size_t(y - bounds.y())];
          if (sy < 0) continue;
          uint32_t* dr = reinterpret_cast<uint32_t*>(dbits + dbpl * y);
          const uint32_t* sr = reinterpret_cast<const uint32_t*>(sbits + sbpl * sy);
          for (int x = r.x(); x < r.x() + r.width(); ++x) {
            const int sx = xmap[x];
            if (sx < 0) continue;
            const uint32_t sp = sr[sx];
            const uint32_t a = sp >> 24;
            if (a != 0) put(dr[x], sp, a);
          }
        }
      }
    };
    // sp + dp x (255 - a) / 255 on each byte: the source is premultiplied.
    auto under = [](uint32_t dp, uint32_t a) {
      const uint32_t na = 255 - a;
      uint32_t t = (dp & 0xFF00FFu) * na;
      t = ((t + ((t >> 8) & 0xFF00FFu) + 0x800080u) >> 8) & 0xFF00FFu;
      uint32_t u = ((dp >> 8) & 0xFF00FFu) * na;
      u = (u + ((u >> 8) & 0xFF00FFu) + 0x800080u) & 0xFF00FF00u;
      return u | t;
    };
    switch (dst.format()) {
      case QImage::Format_RGB32:
        compose([under](uint32_t& dp, uint32_t sp, uint32_t a) {
          dp = ((a == 255 ? sp : sp + under(dp, a)) & kRgb) | (dp & 0xFF000000u);
        });
        break;
      case QImage::Format_ARGB32_Premultiplied:
        compose([under](uint32_t& dp, uint32_t sp, uint32_t a) { dp = a == 255 ? sp : sp + under(dp, a); });
        break;
      default:
        // Straight alpha: the colours weighed by what each contributes.
        compose([](uint32_t& dp, uint32_t sp, uint32_t a) {
          if (a == 255) {
            dp = sp;
            return;
          }
          const uint32_t da = ((dp >> 24) * (255 - a) + 127) / 255, oa = a + da;
          auto ch = [&](int sh) {
            return ((((sp >> sh) & 255) * 255 + ((dp >> sh) & 255) * da + oa / 2) / oa) & 255;
          };
          dp = (oa << 24) | (std::min(255u, ch(16)) << 16) | (std::min(255u, ch(8)) << 8) | std::min(255u, ch(0));
        });
        break;
    }
    return;
  }
  for (const QRect& r : rects) {
    if (mode == cmSrcCopy && key < 0 && straight) {
      // Unscaled copy: one memcpy per row over the columns that have a source.
      int x0 = r.x(), x1 = r.x() + r.width();
      while (x0 < x1 && xm[size_t(x0 - bounds.x())] < 0) ++x0;
      while (x1 > x0 && xm[size_t(x1 - 1 - bounds.x())] < 0) --x1;
      if (x0 >= x1) continue;
      const int sx0 = xm[size_t(x0 - bounds.x())];
      const size_t bytes = size_t(x1 - x0) * 4;
      for (int y = r.y(); y < r.y() + r.height(); ++y) {
        int sy = ym[size_t(y - bounds.y())];
        if (sy < 0) continue;
        copyPixels(dbits + dbpl * y + qsizetype(x0) * 4, sbits + sbpl * sy + qsizetype(sx0) * 4, bytes);
      }
      continue;
    }
    if (key >= 0) {
      const uint32_t k = uint32_t(key);
      copyRows(dbits, dbpl, sbits, sbpl, r, bounds, xm, ym, straight, [k](uint32_t& dp, uint32_t sp) {
        if ((sp & kRgb) != k) dp = sp;
      });
      continue;
    }
    switch (mode) {
      case cmSrcCopy: {
        // Stretched: the columns with a source form one run (the mapping is
        // monotonic); a row that repeats the source row of the row above is
        // copied from there.
        const int* xmap = xm.data() - bounds.x();
        int a = r.x(), b = r.x() + r.width();
        while (a < b && xmap[a] < 0) ++a;
        while (b > a && xmap[b - 1] < 0) --b;
        if (a >= b) break;
        int prevSy = -1;
        for (int y = r.y(); y < r.y() + r.height(); ++y) {
          int sy = ym[size_t(y - bounds.y())];
          if (sy < 0) {
            prevSy = -1;
            continue;
          }
          uint32_t* d = reinterpret_cast<uint32_t*>(dbits + dbpl * y);
          if (sy == prevSy) {
            copyPixels(reinterpret_cast<uint8_t*>(d + a), dbits + dbpl * (y - 1) + qsizetype(a) * 4, size_t(b - a) * 4);
            continue;
          }
          const uint32_t* sr = reinterpret_cast<const uint32_t*>(sbits + sbpl * sy);
          for (int x = a; x < b; ++x) d[x] = sr[xmap[x]];
          prevSy = sy;
        }
        break;
      }
      case cmSrcInvert:
        copyRows(dbits, dbpl, sbits, sbpl, r, bounds, xm, ym, straight,
                 [kX, kA](uint32_t& dp, uint32_t sp) { dp = ((dp ^ sp) & kRgb) | (dp & kX) | kA; });
        break;
      case cmSrcAnd:
        copyRows(dbits, dbpl, sbits, sbpl, r, bounds, xm, ym, straight,
                 [kX, kA](uint32_t& dp, uint32_t sp) { dp = ((dp & sp) & kRgb) | (dp & kX) | kA; });
        break;
      case cmSrcPaint:
        copyRows(dbits, dbpl, sbits, sbpl, r, bounds, xm, ym, straight,
                 [kX, kA](uint32_t& dp, uint32_t sp) { dp = ((dp | sp) & kRgb) | (dp & kX) | kA; });
        break;
      case cmNotSrcCopy:
        copyRows(dbits, dbpl, sbits, sbpl, r, bounds, xm, ym, straight,
                 [kX, kA](uint32_t& dp, uint32_t sp) { dp = (~sp & kRgb) | (dp & kX) | kA; });
        break;
      case cmBlackness:
        copyRows(dbits, dbpl, nullptr, 0, r, bounds, xm, ym, false, [kX, kA](uint32_t& dp, uint32_t) { dp = (dp & kX) | kA; });
        break;
      case cmWhiteness:
        copyRows(dbits, dbpl, nullptr, 0, r, bounds, xm, ym, false, [kA](uint32_t& dp, uint32_t) { dp |= kRgb | kA; });
        break;
      case cmDstInvert:
        copyRows(dbits, dbpl, nullptr, 0, r, bounds, xm, ym, false, [kA](uint32_t& dp, uint32_t) { dp = (dp ^ kRgb) | kA; });
        break;
    }
  }
}

// Splits a rectangle with possibly negative extents into a normalised one
// and the mirror flags.
QRect normalised(const TRect& r) {
  TRect n = r.Normalized();
  return QRect(n.Left, n.Top, n.Right - n.Left, n.Bottom - n.Top);
}

}  // namespace

// ---------------------------------------------------------------------------
// TCanvas

// The painter of a text run and what is set on it.
struct TCanvas::TextPainter {
  QPainter p;
  QFont font;
  int ascent = 0;
  TColor pen = clBlack;
  bool fontSet = false, penSet = false;
};

void TCanvas::closeTextPainter() const {
  filledValid_ = false;
  if (textPainter_ && textPainter_->p.isActive()) {
    textPainter_->p.end();
    textPainter_->fontSet = textPainter_->penSet = false;
  }
}

TCanvas::TCanvas() : font_(std::make_unique<TFont>()), pen_(std::make_unique<TPen>()), brush_(std::make_unique<TBrush>()) {}
TCanvas::~TCanvas() { closeTextPainter(); }

int TCanvas::Width() const { return painter_ ? deviceW_ : image_ ? image_->width() : 0; }
int TCanvas::Height() const { return painter_ ? deviceH_ : image_ ? image_->height() : 0; }

void TCanvas::BindPainter(QPainter* p, int width, int height, double fontScale) {
  closeTextPainter();
  painter_ = p;
  deviceW_ = p ? width : 0;
  deviceH_ = p ? height : 0;
  fontScale_ = p && fontScale > 0 ? fontScale : 1.0;
}

void TCanvas::MoveTo(int x, int y) { penPos_ = TPoint(x, y); }

void TCanvas::LineTo(int x, int y) {
  TPoint from = penPos_;
  penPos_ = TPoint(x, y);
  CanvasPainter cp(this);
  if (!cp.ok() || !cp.setupShape(false)) return;
  if (from == TPoint(x, y)) return;
  if (std::max(1, pen_->Width()) == 1) {
    // The end point itself is not drawn.
    cp.p().drawLine(QPoint(from.X, from.Y), QPoint(x, y));
  } else {
    cp.p().drawLine(QPointF(from.X + 0.5, from.Y + 0.5), QPointF(x + 0.5, y + 0.5));
  }
}

namespace {
// The outline path of a GDI-style shape [l, r) x [t, b) for a pen of width w.
QRectF outlineRect(int l, int t, int r, int b, int w) {
  TRect n = Rect(l, t, r, b).Normalized();
  double h = w / 2.0;
  return QRectF(n.Left + h, n.Top + h, std::max(0.0, double(n.Width()) - w), std::max(0.0, double(n.Height()) - w));
}
}  // namespace

void TCanvas::Rectangle(int l, int t, int r, int b) {
  CanvasPainter cp(this);
  if (!cp.ok()) return;
  QBrush br = cp.brush();
  if (!cp.setupShape(false)) return;
  QPainter& p = cp.p();
  QRect inner = normalised(Rect(l, t, r, b));
  if (br.style() != Qt::NoBrush) {
    p.fillRect(inner, br);
  }
  if (pen_->Style() != psClear && inner.width() > 0 && inner.height() > 0) {
    int w = std::max(1, pen_->Width());
    QPen qp = p.pen();
    qp.setJoinStyle(Qt::MiterJoin);
    p.setPen(qp);
    p.setBrush(Qt::NoBrush);
    p.drawRect(outlineRect(l, t, r, b, w));
  }
}

void TCanvas::RoundRect(int l, int t, int r, int b, int w, int h) {
  CanvasPainter cp(this);
  if (!cp.ok() || !cp.setupShape(true)) return;
  int pw = pen_->Style() == psClear ? 0 : std::max(1, pen_->Width());
  QRectF rr = outlineRect(l, t, r, b, std::max(pw, 1));
  cp.p().drawRoundedRect(rr, w / 2.0, h / 2.0);
}

bool TCanvas::fillPixels(const TRect& r, TColor color) {
  if (painter_ || !image_ || image_->isNull() || !is32(*image_)) return false;
  const QRect bounds = normalised(r).translated(origin_.X, origin_.Y).intersected(image_->rect());
  if (bounds.isEmpty()) return true;
  const uint32_t v = pixelOf(color);
  uint8_t* bits = image_->bits();
  const qsizetype bpl = image_->bytesPerLine();
  auto fill = [&](const QRect& rc) {
    for (int y = rc.y(); y < rc.y() + rc.height(); ++y) {
      uint32_t* row = reinterpret_cast<uint32_t*>(bits + bpl * y);
      std::fill(row + rc.x(), row + rc.x() + rc.width(), v);
    }
  };
  if (clip_ && clipIsRect_) {
    const QRect c = QRect(clipRect_.Left, clipRect_.Top, clipRect_.Width(), clipRect_.Height()).translated(origin_.X, origin_.Y);
    const QRect b = bounds.intersected(c);
    if (!b.isEmpty()) fill(b);
  } else if (clip_) {
    QRegion rg = clip_->Q().translated(origin_.X, origin_.Y).intersected(bounds);
    for (const QRect& rc : rg) fill(rc);
  } else {
    fill(bounds);
  }
  return true;
}

void TCanvas::FillRect(const TRect& r) {
  if (painter_) {
    if (brush_->Style() == bsClear && !brush_->Bitmap()) return;
    CanvasPainter cp(this);
    if (cp.ok()) cp.p().fillRect(normalised(r), cp.brush());
    return;
  }
  if (!image_ || image_->isNull()) return;
  if (brush_->Style() == bsClear && !brush_->Bitmap()) return;
  if (normalised(r).translated(origin_.X, origin_.Y).intersected(image_->rect()).isEmpty()) return;
  // Solid fills go straight into the pixels.
  if (brush_->Style() == bsSolid && !brush_->Bitmap() && fillPixels(r, brush_->Color())) {
    if (textRun_ > 0) {
      filledValid_ = true;
      filled_ = r.Normalized();
      filledPixel_ = pixelOf(brush_->Color());
    }
    if (OnChange) OnChange(this);
    return;
  }
  CanvasPainter cp(this);
  if (!cp.ok()) return;
  cp.p().fillRect(normalised(r), cp.brush());
}

void TCanvas::FrameRect(const TRect& r) {
  TRect n = r.Normalized();
  if (n.IsEmpty()) return;
  FillRect(Rect(n.Left, n.Top, n.Right, n.Top + 1));
  FillRect(Rect(n.Left, n.Bottom - 1, n.Right, n.Bottom));
  FillRect(Rect(n.Left, n.Top + 1, n.Left + 1, n.Bottom - 1));
  FillRect(Rect(n.Right - 1, n.Top + 1, n.Right, n.Bottom - 1));
}

void TCanvas::Ellipse(int l, int t, int r, int b) {
  CanvasPainter cp(this);
  if (!cp.ok() || !cp.setupShape(true)) return;
  int pw = pen_->Style() == psClear ? 1 : std::max(1, pen_->Width());
  cp.p().drawEllipse(outlineRect(l, t, r, b, pw));
}

namespace {
// Parametric angle (degrees, counter-clockwise) of the radial through (x, y)
// on the ellipse inscribed in rc.
double radialAngle(const QRectF& rc, int x, int y) {
  double cx = rc.center().x(), cy = rc.center().y();
  double rx = std::max(rc.width() / 2, 0.5), ry = std::max(rc.height() / 2, 0.5);
  return std::atan2(-(y - cy) / ry, (x - cx) / rx) * 180.0 / M_PI;
}

void arcAngles(const QRectF& rc, int x3, int y3, int x4, int y4, double& start, double& span) {
  start = radialAngle(rc, x3, y3);
  double end = radialAngle(rc, x4, y4);
  span = end - start;
  while (span <= 0) span += 360.0;  // counter-clockwise; equal points give a full ellipse
  while (span > 360.0) span -= 360.0;
}
}  // namespace

void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  CanvasPainter cp(this);
  if (!cp.ok() || !cp.setupShape(false)) return;
  int pw = std::max(1, pen_->Width());
  QRectF rc = outlineRect(x1, y1, x2, y2, pw);
  double start, span;
  arcAngles(rc, x3, y3, x4, y4, start, span);
  cp.p().drawArc(rc, int(std::lround(start * 16)), int(std::lround(span * 16)));
}

void TCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  CanvasPainter cp(this);
  if (!cp.ok() || !cp.setupShape(true)) return;
  int pw = pen_->Style() == psClear ? 1 : std::max(1, pen_->Width());
  QRectF rc = outlineRect(x1, y1, x2, y2, pw);
  double start, span;
  arcAngles(rc, x3, y3, x4, y4, start, span);
  cp.p().drawPie(rc, int(std::lround(start * 16)), int(std::lround(span * 16)));
}

void TCanvas::Polygon(const std::vector<TPoint>& pts) {
  if (pts.empty()) return;
  CanvasPainter cp(this);
  if (!cp.ok() || !cp.setupShape(true)) return;
  QPolygon poly;
  for (const TPoint& p : pts) poly << QPoint(p.X, p.Y);
  cp.p().drawPolygon(poly, Qt::OddEvenFill);
}

void TCanvas::Polyline(const std::vector<TPoint>& pts) {
  if (pts.empty()) return;
  penPos_ = pts.back();
  CanvasPainter cp(this);
  if (!cp.ok() || !cp.setupShape(false)) return;
  QPolygon poly;
  for (const TPoint& p : pts) poly << QPoint(p.X, p.Y);
  cp.p().drawPolyline(poly);
}

void TCanvas::PolyPolyline(const TPoint* pts, const int* counts, int strokes) {
  filledValid_ = false;
  if (!pts || !counts || strokes <= 0 || !image_ || image_->isNull()) return;
  int total = 0;
  for (int k = 0; k < strokes; ++k) total += std::max(0, counts[k]);
  if (total == 0) return;
  penPos_ = pts[total - 1];
  const int pw = std::max(1, pen_->Width());
  const bool plain = pen_->Style() == psSolid && pen_->Mode() == pmCopy && (pw == 1 || pen_->EndCap() == pecFlat) &&
                     is32(*image_);
  bool simple = plain;
  for (int k = 0, i = 0; simple && k < strokes; i += counts[k], ++k)
    simple = counts[k] == 2 && (pts[i].X == pts[i + 1].X || pts[i].Y == pts[i + 1].Y);
  if (simple) {
    // Grid lines: each stroke is a band of pixels w wide around the line,
    // the end point not drawn (flat ends).
    const uint32_t v = pixelOf(pen_->Color());
    const QRect bounds = image_->rect();
    uint8_t* bits = image_->bits();
    const qsizetype bpl = image_->bytesPerLine();
    QRegion clip;
    if (clip_) clip = clip_->Q().translated(origin_.X, origin_.Y);
    auto fill = [&](QRect rc) {
      rc = rc.intersected(bounds);
      if (rc.isEmpty()) return;
      auto run = [&](const QRect& r) {
        for (int y = r.y(); y < r.y() + r.height(); ++y) {
          uint32_t* row = reinterpret_cast<uint32_t*>(bits + bpl * y);
          std::fill(row + r.x(), row + r.x() + r.width(), v);
        }
      };
      if (clip_) {
        for (const QRect& r : clip.intersected(rc)) run(r);
      } else {
        run(rc);
      }
    };
    for (int k = 0; k < strokes; ++k) {
      TPoint a = pts[2 * k], b = pts[2 * k + 1];
      a.X += origin_.X; a.Y += origin_.Y; b.X += origin_.X; b.Y += origin_.Y;
      if (a == b) continue;
      const int across = -(pw / 2);
      if (a.Y == b.Y) {
        const int x0 = a.X < b.X ? a.X : b.X + 1, x1 = a.X < b.X ? b.X - 1 : a.X;
        fill(QRect(QPoint(x0, a.Y + across), QPoint(x1, a.Y + across + pw - 1)));
      } else {
        const int y0 = a.Y < b.Y ? a.Y : b.Y + 1, y1 = a.Y < b.Y ? b.Y - 1 : a.Y;
        fill(QRect(QPoint(a.X + across, y0), QPoint(a.X + across + pw - 1, y1)));
      }
    }
    if (OnChange) OnChange(this);
    return;
  }
  CanvasPainter cp(this);
  if (!cp.ok() || !cp.setupShape(false)) return;
  const bool wide = std::max(1, pen_->Width()) > 1;
  for (int k = 0, i = 0; k < strokes; i += std::max(0, counts[k]), ++k) {
    if (counts[k] < 2) continue;
    if (wide) {
      QPolygonF poly;
      for (int j = 0; j < counts[k]; ++j) poly << QPointF(pts[i + j].X + 0.5, pts[i + j].Y + 0.5);
      cp.p().drawPolyline(poly);
    } else {
      QPolygon poly;
      for (int j = 0; j < counts[k]; ++j) poly << QPoint(pts[i + j].X, pts[i + j].Y);
      cp.p().drawPolyline(poly);
    }
  }
}

void TCanvas::DrawFocusRect(const TRect& r) {
  filledValid_ = false;
  if (!image_ || image_->isNull()) return;
  const TRect n = r.Normalized();
  if (n.IsEmpty()) return;
  const QRect bounds = image_->rect();
  QRegion clip;
  if (clip_) clip = clip_->Q().translated(origin_.X, origin_.Y);
  auto flip = [&](int x, int y) {
    x += origin_.X;
    y += origin_.Y;
    if (((x + y) & 1) != 0 || !bounds.contains(x, y)) return;
    if (clip_ && !clip.contains(QPoint(x, y))) return;
    if (is32(*image_)) {
      uint32_t& px = reinterpret_cast<uint32_t*>(image_->scanLine(y))[x];
      px ^= 0x00FFFFFFu;
    } else {
      image_->setPixel(x, y, image_->pixel(x, y) ^ 0x00FFFFFFu);
    }
  };
  for (int x = n.Left; x < n.Right; ++x) {
    flip(x, n.Top);
    if (n.Bottom - 1 > n.Top) flip(x, n.Bottom - 1);
  }
  for (int y = n.Top + 1; y < n.Bottom - 1; ++y) {
    flip(n.Left, y);
    if (n.Right - 1 > n.Left) flip(n.Right - 1, y);
  }
  if (OnChange) OnChange(this);
}

void TCanvas::DrawRaisedInnerEdge(const TRect& r, TEdgeSides sides) {
  const TRect n = r.Normalized();
  if (n.IsEmpty()) return;
  const TColor oldColor = brush_->Color();
  const TBrushStyle oldStyle = brush_->Style();
  TBitmap* oldBitmap = brush_->Bitmap();
  brush_->SetBitmap(nullptr);
  brush_->SetStyle(bsSolid);
  brush_->SetColor(clBtnHighlight);
  if (sides.Contains(esLeft)) FillRect(Rect(n.Left, n.Top, n.Left + 1, n.Bottom));
  if (sides.Contains(esTop)) FillRect(Rect(n.Left, n.Top, n.Right, n.Top + 1));
  brush_->SetColor(clBtnShadow);
  if (sides.Contains(esRight)) FillRect(Rect(n.Right - 1, n.Top, n.Right, n.Bottom));
  if (sides.Contains(esBottom)) FillRect(Rect(n.Left, n.Bottom - 1, n.Right, n.Bottom));
  brush_->SetColor(oldColor);
  brush_->SetStyle(oldStyle);
  brush_->SetBitmap(oldBitmap);
}

// Two one-pixel frames just inside n: the outer one in outerTL (left, top)
// and outerBR (right, bottom), the inner one in innerTL and innerBR.
void TCanvas::twoPixelEdge(const TRect& n, TColor outerTL, TColor outerBR, TColor innerTL, TColor innerBR) {
  const TColor oldColor = brush_->Color();
  const TBrushStyle oldStyle = brush_->Style();
  TBitmap* oldBitmap = brush_->Bitmap();
  brush_->SetBitmap(nullptr);
  brush_->SetStyle(bsSolid);
  auto side = [&](TColor c, const TRect& x) {
    brush_->SetColor(c);
    FillRect(x);
  };
  side(outerTL, Rect(n.Left, n.Top, n.Right - 1, n.Top + 1));
  side(outerTL, Rect(n.Left, n.Top, n.Left + 1, n.Bottom - 1));
  side(outerBR, Rect(n.Left, n.Bottom - 1, n.Right, n.Bottom));
  side(outerBR, Rect(n.Right - 1, n.Top, n.Right, n.Bottom));
  side(innerTL, Rect(n.Left + 1, n.Top + 1, n.Right - 2, n.Top + 2));
  side(innerTL, Rect(n.Left + 1, n.Top + 1, n.Left + 2, n.Bottom - 2));
  side(innerBR, Rect(n.Left + 1, n.Bottom - 2, n.Right - 1, n.Bottom - 1));
  side(innerBR, Rect(n.Right - 2, n.Top + 1, n.Right - 1, n.Bottom - 1));
  brush_->SetColor(oldColor);
  brush_->SetStyle(oldStyle);
  brush_->SetBitmap(oldBitmap);
}

void TCanvas::DrawSunkenEdge(const TRect& r) {
  const TRect n = r.Normalized();
  if (n.Width() < 4 || n.Height() < 4) return;
  twoPixelEdge(n, clBtnShadow, clBtnHighlight, cl3DDkShadow, cl3DLight);
}

void TCanvas::DrawSoftRaisedEdge(TRect& r) {
  r = r.Normalized();
  if (r.Width() < 4 || r.Height() < 4) return;
  twoPixelEdge(r, clBtnHighlight, cl3DDkShadow, cl3DLight, clBtnShadow);
  r = Rect(r.Left + 2, r.Top + 2, r.Right - 2, r.Bottom - 2);
}

void TCanvas::FillRegion(const TRegion& rgn) {
  if (brush_->Style() == bsClear && !brush_->Bitmap()) return;
  CanvasPainter cp(this);
  if (!cp.ok()) return;
  QBrush br = cp.brush();
  for (const QRect& r : rgn.Q()) cp.p().fillRect(r, br);
}

void TCanvas::TextOut(int x, int y, const String& text) {
  int w = TextWidth(text);
  {
    CanvasPainter cp(this);
    if (cp.ok()) {
      QPainter& p = cp.p();
      QFont f = scaledFont(qfont(font_.get()), fontScale_);
      p.setFont(f);
      QFontMetrics fm(f);
      QString t = qs(MapSymbolText(font_->Name(), text));
      p.translate(x, y);
      if (font_->Orientation() != 0) p.rotate(-font_->Orientation() / 10.0);
      // The text box's top-left corner relative to the point.
      const int tw = fm.horizontalAdvance(t);
      const unsigned h = textAlign_ & TA_CENTER, v = textAlign_ & TA_BASELINE;
      const int dx = h == TA_CENTER ? -tw / 2 : h == TA_RIGHT ? -tw : 0;
      const int dy = v == TA_BASELINE ? -fm.ascent() : v == TA_BOTTOM ? -fm.height() : 0;
      if (brush_->Style() != bsClear) p.fillRect(QRect(dx, dy, tw, fm.height()), qcolor(brush_->Color()));
      p.setPen(qcolor(font_->Color()));
      p.drawText(QPoint(dx, dy + fm.ascent()), t);
    }
  }
  penPos_ = TPoint(x + w, y);
}

namespace {
// Laid-out texts of TextRect, kept per thread: a grid draws the same cell
// texts in the same font at every repaint, and laying a text out costs more
// than drawing it. A text is laid out on its second use; its first use only
// leaves its hash in a small table of recent sights and the text is drawn
// plainly, so a text seen once costs no more than drawing it. The least
// recently used layout leaves when the cache is full.
class StaticTextCache {
 public:
  StaticTextCache() : slots_(Slots), seen_(Slots), entries_(Capacity) {}

  // The layout to draw, or null when the text is to be drawn plainly.
  const QStaticText* get(const String& text, const QFont& font) {
    if (!fontKnown_ || !(font == font_)) {
      font_ = font;
      fontHash_ = qHash(font);
      fontKnown_ = true;
    }
    const size_t h = std::hash<String>()(text) ^ (fontHash_ * size_t(0x9E3779B97F4A7C15ull));
    size_t at = h & (Slots - 1);
    while (slots_[at].entry >= 0 && slots_[at].hash != h) at = (at + 1) & (Slots - 1);
    int k = slots_[at].entry;
    if (k >= 0 && entries_[size_t(k)].text == text && entries_[size_t(k)].font == font) {
      toFront(k);
      return &entries_[size_t(k)].layout;
    }
    size_t& seen = seen_[h & (Slots - 1)];
    if (seen != h) {
      seen = h;
      return nullptr;
    }
    // The second use: laid out (in place of another text of the same hash).
    if (k < 0) {
      if (used_ < int(Capacity)) {
        k = used_++;
      } else {
        k = tail_;
        unlink(k);
        const size_t old = entries_[size_t(k)].slot;
        erase(old);
        // The search for this text's free slot starts again: erasing moves
        // slots back.
        at = h & (Slots - 1);
        while (slots_[at].entry >= 0) at = (at + 1) & (Slots - 1);
      }
      slots_[at] = Slot{h, k};
      entries_[size_t(k)].slot = at;
    } else {
      unlink(k);
    }
    pushFront(k);
    Entry& e = entries_[size_t(k)];
    e.text = text;
    e.font = font;
    e.layout = QStaticText(qs(text));
    e.layout.setTextFormat(Qt::PlainText);
    e.layout.setPerformanceHint(QStaticText::AggressiveCaching);
    e.layout.prepare(QTransform(), font);
    ++made_;
    return &e.layout;
  }
  size_t made() const { return made_; }

 private:
  // Kept layouts, and slots for twice as many hashes (open addressing).
  static constexpr size_t Capacity = 4096, Slots = 8192;
  struct Slot {
    size_t hash = 0;
    int entry = -1;
  };
  struct Entry {
    String text;
    QFont font;
    QStaticText layout;
    size_t slot = 0;
    int prev = -1, next = -1;   // the use order, most recent first
  };

  void unlink(int k) {
    Entry& e = entries_[size_t(k)];
    (e.prev >= 0 ? entries_[size_t(e.prev)].next : head_) = e.next;
    (e.next >= 0 ? entries_[size_t(e.next)].prev : tail_) = e.prev;
    e.prev = e.next = -1;
  }
  void pushFront(int k) {
    Entry& e = entries_[size_t(k)];
    e.prev = -1;
    e.next = head_;
    (head_ >= 0 ? entries_[size_t(head_)].prev : tail_) = k;
    head_ = k;
  }
  void toFront(int k) {
    if (head_ == k) return;
    unlink(k);
    pushFront(k);
  }
  // Empties slot i, moving later slots of the same run back so that every
  // hash stays reachable from its home slot.
  void erase(size_t i) {
    for (size_t j = (i + 1) & (Slots - 1); slots_[j].entry >= 0; j = (j + 1) & (Slots - 1)) {
      const size_t home = slots_[j].hash & (Slots - 1);
      // Stays when its home lies cyclically in (i, j].
      const bool stays = i <= j ? (home > i && home <= j) : (home > i || home <= j);
      if (stays) continue;
      slots_[i] = slots_[j];
      entries_[size_t(slots_[i].entry)].slot = i;
      i = j;
    }
    slots_[i] = Slot{};
  }

  std::vector<Slot> slots_;
  std::vector<size_t> seen_;
  std::vector<Entry> entries_;
  int used_ = 0, head_ = -1, tail_ = -1;
  size_t made_ = 0;
  QFont font_;
  size_t fontHash_ = 0;
  bool fontKnown_ = false;
};

StaticTextCache& staticTexts() {
  thread_local StaticTextCache cache;
  return cache;
}

}  // namespace

size_t TextLayoutsMade() { return staticTexts().made(); }

namespace {
bool isOneLine(const String& s) { return s.find_first_of("\n\t") == String::npos; }
}  // namespace

void TCanvas::TextRect(const TRect& r, int x, int y, const String& text) {
  if (textRun_ > 0 && !painter_ && image_ && !image_->isNull() && is32(*image_)) {
    textRectInRun(r, x, y, text);
    return;
  }
  CanvasPainter cp(this);
  if (!cp.ok()) return;
  QPainter& p = cp.p();
  QRect rc = normalised(r);
  if (p.hasClipping()) p.setClipRect(rc, Qt::IntersectClip);
  else p.setClipRect(rc);
  if (brush_->Style() != bsClear) p.fillRect(rc, qcolor(brush_->Color()));
  if (text.empty()) return;
  QFont f = scaledFont(qfont(font_.get()), fontScale_);
  p.setFont(f);
  p.setPen(qcolor(font_->Color()));
  String mapped;
  const String& shown = IsSymbolFont(font_->Name()) ? (mapped = MapSymbolText(font_->Name(), text)) : text;
  if (!painter_ && isOneLine(shown)) {
    // A static text is placed by the top of its line, as here.
    if (const QStaticText* st = staticTexts().get(shown, f)) {
      p.drawStaticText(QPoint(x, y), *st);
      return;
    }
  }
  QFontMetrics fm(f);
  p.drawText(QPoint(x, y + fm.ascent()), qs(shown));
}

// TextRect in a text run: the same pixels as above, with the fill written
// straight into the pixels and the painter, its font and pen kept from text
// to text.
void TCanvas::textRectInRun(const TRect& r, int x, int y, const String& text) {
  // A cell just filled with the same colour (the grids fill each cell before
  // its text) is not filled twice.
  const bool filled = filledValid_ && filled_ == r.Normalized() && filledPixel_ == pixelOf(brush_->Color());
  filledValid_ = false;
  if (brush_->Style() != bsClear && !filled) fillPixels(r, brush_->Color());
  QRect rc = normalised(r);
  if (clip_ && clipIsRect_) rc &= QRect(clipRect_.Left, clipRect_.Top, clipRect_.Width(), clipRect_.Height());
  if (!text.empty() && !rc.isEmpty()) {
    if (!textPainter_) textPainter_ = std::make_unique<TextPainter>();
    TextPainter& tp = *textPainter_;
    QPainter& p = tp.p;
    if (!p.isActive()) {
      if (!p.begin(image_)) return;
      if (origin_.X || origin_.Y) p.translate(origin_.X, origin_.Y);
    }
    if (clip_ && !clipIsRect_) {
      p.setClipRegion(clip_->Q());
      p.setClipRect(rc, Qt::IntersectClip);
    } else {
      p.setClipRect(rc);
    }
    const QFont f = scaledFont(qfont(font_.get()), fontScale_);
    if (!tp.fontSet || !(tp.font == f)) {
      p.setFont(f);
      tp.font = f;
      tp.ascent = QFontMetrics(f).ascent();
      tp.fontSet = true;
    }
    if (!tp.penSet || tp.pen != font_->Color()) {
      p.setPen(qcolor(font_->Color()));
      tp.pen = font_->Color();
      tp.penSet = true;
    }
    String mapped;
    const String& shown = IsSymbolFont(font_->Name()) ? (mapped = MapSymbolText(font_->Name(), text)) : text;
    const QStaticText* st = isOneLine(shown) ? staticTexts().get(shown, f) : nullptr;
    if (st)
      p.drawStaticText(QPoint(x, y), *st);
    else
      p.drawText(QPoint(x, y + tp.ascent), qs(shown));
  }
  if (OnChange) OnChange(this);
}

int TCanvas::DrawText(const String& text, TRect& r, TTextFormat fmt) {
  QFont f = scaledFont(qfont(font_.get()), fontScale_);
  QFontMetrics fm(f);
  int flags = 0;
  if (fmt.Contains(tfCenter)) flags |= Qt::AlignHCenter;
  else if (fmt.Contains(tfRight)) flags |= Qt::AlignRight;
  else flags |= Qt::AlignLeft;
  if (fmt.Contains(tfVerticalCenter)) flags |= Qt::AlignVCenter;
  else if (fmt.Contains(tfBottom)) flags |= Qt::AlignBottom;
  else flags |= Qt::AlignTop;
  if (fmt.Contains(tfSingleLine)) flags |= Qt::TextSingleLine;
  if (fmt.Contains(tfWordBreak)) flags |= Qt::TextWordWrap;
  if (!fmt.Contains(tfNoPrefix)) flags |= Qt::TextShowMnemonic;
  const bool expandTabs = fmt.Contains(tfExpandTabs);
  if (expandTabs) flags |= Qt::TextExpandTabs;
  QString t = qs(MapSymbolText(font_->Name(), text));
  QRect rc = normalised(r);
  const int hAlign = Qt::AlignHCenter | Qt::AlignRight | Qt::AlignLeft;
  const int vAlign = Qt::AlignVCenter | Qt::AlignBottom | Qt::AlignTop;
  // The width of one line as drawn: tabs at their tab stops when expanded,
  // else blanks.
  auto lineWidth = [&](const QString& line) {
    if (!line.contains(QLatin1Char('\t'))) return fm.horizontalAdvance(line);
    if (!expandTabs) return fm.horizontalAdvance(QString(line).replace(QLatin1Char('\t'), QLatin1Char(' ')));
    return fm.boundingRect(QRect(0, 0, 1 << 20, 1 << 20), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextExpandTabs, line)
        .width();
  };
  if (fmt.Contains(tfCalcRect)) {
    int w = 0, h = 0;
    if (fmt.Contains(tfWordBreak)) {
      QRect br = fm.boundingRect(QRect(rc.x(), rc.y(), std::max(rc.width(), 1), 1 << 20),
                                 (flags & ~(Qt::AlignHCenter | Qt::AlignRight | Qt::AlignVCenter | Qt::AlignBottom)) |
                                     Qt::AlignLeft | Qt::AlignTop,
                                 t);
      w = br.width();
      h = br.height();
    } else {
      // The advance width of the widest line, as the text functions measure it.
      QString plain = fmt.Contains(tfNoPrefix) ? t : stripMnemonic(t);
      const QStringList lines = fmt.Contains(tfSingleLine) ? QStringList{QString(plain).replace(QLatin1Char('\n'), QLatin1Char(' '))}
                                                           : plain.split(QLatin1Char('\n'));
      for (const QString& line : lines) w = std::max(w, lineWidth(line));
      h = int(lines.size()) * fm.height();
    }
    if (t.isEmpty()) h = fm.height();
    r.Right = r.Left + w;
    r.Bottom = r.Top + h;
    return h;
  }
  if (fmt.Contains(tfEndEllipsis) && (fmt.Contains(tfSingleLine) || !t.contains(QLatin1Char('\n'))))
    t = fm.elidedText(t, Qt::ElideRight, rc.width(), flags & Qt::TextShowMnemonic);
  CanvasPainter cp(this);
  if (!cp.ok()) return fm.boundingRect(rc, flags, t).height();
  QPainter& p = cp.p();
  p.setFont(f);
  if (!fmt.Contains(tfNoClip)) {
    if (p.hasClipping()) p.setClipRect(rc, Qt::IntersectClip);
    else p.setClipRect(rc);
  }
  p.setPen(qcolor(font_->Color()));
  if (expandTabs && !(flags & Qt::AlignLeft) && t.contains(QLatin1Char('\t'))) {
    // The text engine expands tabs only in left-aligned text: each line
    // (each paragraph when words wrap) is laid out from the left and moved
    // to its place.
    const int left = (flags & ~(hAlign | vAlign)) | Qt::AlignLeft | Qt::AlignTop;
    const QStringList paras = (flags & Qt::TextSingleLine) ? QStringList{t} : t.split(QLatin1Char('\n'));
    std::vector<QRect> boxes;
    int total = 0;
    for (const QString& para : paras) {
      QRect b = fm.boundingRect(QRect(0, 0, std::max(rc.width(), 1), 1 << 20), left, para);
      if (para.isEmpty()) b.setSize(QSize(0, fm.height()));
      boxes.push_back(b);
      total += b.height();
    }
    int y = (flags & Qt::AlignVCenter) ? rc.y() + (rc.height() - total) / 2
            : (flags & Qt::AlignBottom) ? rc.y() + rc.height() - total
                                        : rc.y();
    for (size_t i = 0; i < boxes.size(); ++i) {
      const int bw = boxes[i].width(), bh = boxes[i].height();
      const int x = (flags & Qt::AlignHCenter) ? rc.x() + (rc.width() - bw) / 2 : rc.x() + rc.width() - bw;
      if (brush_->Style() != bsClear) p.fillRect(QRect(x, y, bw, bh), qcolor(brush_->Color()));
      p.drawText(QRect(x, y, std::max(rc.width(), 1), bh), left, paras[qsizetype(i)]);
      y += bh;
    }
    return total;
  }
  QRect br = fm.boundingRect(rc, flags, t);
  if (brush_->Style() != bsClear) p.fillRect(br, qcolor(brush_->Color()));
  p.drawText(rc, flags, t);
  return br.height();
}

QFont tkqt::CanvasQFont(const TFont& f) { return qfont(&f); }

int TCanvas::TextWidth(const String& text) { return TextExtent(text).X; }
int TCanvas::TextHeight(const String& text) { return TextExtent(text).Y; }

TPoint TCanvas::TextExtent(const String& text) {
  QFontMetrics fm(scaledFont(qfont(font_.get()), fontScale_));
  return TPoint(fm.horizontalAdvance(qs(MapSymbolText(font_->Name(), text))), fm.height());
}

void TCanvas::Draw(int x, int y, const TGraphic* g) {
  if (!g || g->Empty()) return;
  g->DrawOn(this, Bounds(x, y, g->Width(), g->Height()));
}

void TCanvas::StretchDraw(const TRect& r, const TGraphic* g) {
  if (!g || g->Empty()) return;
  g->DrawOn(this, r);
}

void TCanvas::CopyRect(const TRect& d, TCanvas* src, const TRect& s) {
  filledValid_ = false;
  if (!image_ || image_->isNull()) return;
  const bool needSrc = !(CopyMode == cmBlackness || CopyMode == cmWhiteness || CopyMode == cmDstInvert);
  const QImage* sImg = nullptr;
  TPoint so;
  if (needSrc) {
    if (!src || !src->image_ || src->image_->isNull()) return;
    sImg = src->image_;
    so = src->origin_;
  }
  const int dw = d.Right - d.Left, dh = d.Bottom - d.Top;
  const int sw = s.Right - s.Left, sh = s.Bottom - s.Top;
  if (dw == 0 || dh == 0 || (needSrc && (sw == 0 || sh == 0))) return;
  bool mx = needSrc && ((dw < 0) != (sw < 0));
  bool my = needSrc && ((dh < 0) != (sh < 0));
  QRect dq = normalised(d).translated(origin_.X, origin_.Y);
  QRect sq = needSrc ? normalised(s).translated(so.X, so.Y) : QRect();
  if (clip_) {
    QRegion c = clip_->Q().translated(origin_.X, origin_.Y);
    blit(*image_, sImg, dq, sq, mx, my, &c, CopyMode, -1);
  } else {
    blit(*image_, sImg, dq, sq, mx, my, nullptr, CopyMode, -1);
  }
  if (OnChange) OnChange(this);
}

size_t SelfCopyScratchBytes() { return selfCopyScratch().capacity(); }

TColor TCanvas::Pixel(int x, int y) const {
  if (!image_) return TColor(-1);
  x += origin_.X;
  y += origin_.Y;
  if (x < 0 || y < 0 || x >= image_->width() || y >= image_->height()) return TColor(-1);
  return colorOfPixel(image_->pixel(x, y));
}

void TCanvas::SetPixel(int x, int y, TColor c) {
  filledValid_ = false;
  if (!image_ || image_->isNull()) return;
  if (clip_ && !clip_->Contains(x, y)) return;
  int ix = x + origin_.X, iy = y + origin_.Y;
  if (ix < 0 || iy < 0 || ix >= image_->width() || iy >= image_->height()) return;
  if (is32(*image_)) {
    reinterpret_cast<uint32_t*>(image_->scanLine(iy))[ix] = pixelOf(c);
  } else {
    image_->setPixel(ix, iy, pixelOf(c));
  }
  if (OnChange) OnChange(this);
}

void TCanvas::SelectClipRgn(const TRegion* rgn) {
  filledValid_ = false;
  if (rgn) clip_ = std::make_unique<TRegion>(*rgn);
  else clip_.reset();
  clipIsRect_ = clip_ && clip_->Q().rectCount() <= 1;
  clipRect_ = clipIsRect_ ? clip_->BoundingRect() : TRect();
}

bool TCanvas::RectVisible(const TRect& r) const {
  TRect n = r.Normalized(), x;
  if (!IntersectRect(x, n, ClipRect())) return false;
  if (!clip_ || clipIsRect_) return true;
  return clip_->Q().intersects(QRect(n.Left, n.Top, n.Width(), n.Height()));
}

TRect TCanvas::ClipRect() const {
  TRect all = Rect(-origin_.X, -origin_.Y, Width() - origin_.X, Height() - origin_.Y);
  if (!clip_) return all;
  TRect r;
  IntersectRect(r, all, clip_->BoundingRect());
  return r;
}

// ---------------------------------------------------------------------------
// TBitmap

namespace {

// The pixels of a bitmap start on a page boundary. Bitmaps of one size then
// lie a whole number of pages apart, so a row copied from one to the other
// never has its target a few bytes past its source modulo the page size,
// where the processor takes the loads for reloads of the stores just made
// and a whole-frame copy runs several times slower. Small bitmaps, whose
// copies are short, start on a cache line instead. Rows stay 4 * width bytes
// long, as everywhere else.
constexpr size_t kPixelAlign = 4096, kSmallAlign = 64, kSmallBytes = 64 * 1024;

}  // namespace

QImage NewBitmapImage(int w, int h) {
  const size_t bytes = size_t(w) * 4 * size_t(h);
  const size_t align = bytes < kSmallBytes ? kSmallAlign : kPixelAlign;
  void* p = std::aligned_alloc(align, (bytes + align - 1) / align * align);
  if (!p) return QImage();
  QImage img(static_cast<uchar*>(p), w, h, qsizetype(w) * 4, QImage::Format_RGB32, [](void* q) { std::free(q); }, p);
  if (img.isNull()) std::free(p);
  return img;
}

namespace {

bool PixelsAligned(const QImage& img) {
  const size_t align = size_t(img.sizeInBytes()) < kSmallBytes ? kSmallAlign : kPixelAlign;
  return reinterpret_cast<uintptr_t>(img.constBits()) % align == 0;
}

// An RGB32 image in an aligned buffer: img itself when its buffer is one and
// no copy is asked for, else a copy.
QImage AlignedCopy(const QImage& img, bool always = false) {
  if (img.isNull() || (!always && PixelsAligned(img))) return img;
  QImage n = NewBitmapImage(img.width(), img.height());
  if (n.isNull()) return img;
  const size_t bytes = size_t(img.width()) * 4;
  for (int y = 0; y < img.height(); ++y) copyPixels(n.scanLine(y), img.constScanLine(y), bytes);
  return n;
}

}  // namespace

TBitmap::TBitmap() : image_(std::make_unique<QImage>()), canvas_(std::make_unique<TCanvas>()) {
  canvas_->BindImage(image_.get());
  canvas_->OnChange = [this](TObject*) { Changed(); };
}

TBitmap::TBitmap(int w, int h) : TBitmap() { SetSize(w, h); }

TBitmap::~TBitmap() = default;

int TBitmap::Width() const { return image_->width(); }
int TBitmap::Height() const { return image_->height(); }
void TBitmap::SetWidth(int w) { SetSize(w, Height()); }
void TBitmap::SetHeight(int h) { SetSize(Width(), h); }

void TBitmap::SetSize(int w, int h) {
  w = std::max(0, w);
  h = std::max(0, h);
  if (w == Width() && h == Height()) return;
  if (w == 0 || h == 0) {
    *image_ = QImage();
  } else {
    QImage n = NewBitmapImage(w, h);
    if (n.isNull()) throw EOutOfResources(FormatA("Not enough memory for a %dx%d bitmap", w, h));
    n.fill(QColor(255, 255, 255));
    const QImage& old = *image_;
    int cw = std::min(w, old.width()), ch = std::min(h, old.height());
    for (int y = 0; y < ch; ++y) copyPixels(n.scanLine(y), old.constScanLine(y), size_t(cw) * 4);
    *image_ = std::move(n);
  }
  if (alpha_) {
    // The kept pixels keep their opacity; new ones are opaque.
    if (w == 0 || h == 0) {
      dropAlpha();
    } else {
      auto a = std::make_unique<QImage>(w, h, QImage::Format_Alpha8);
      if (a->isNull()) throw EOutOfResources(FormatA("Not enough memory for a %dx%d bitmap", w, h));
      a->fill(0xFF);   // an Alpha8 image fills with the byte itself
      const int cw = std::min(w, alpha_->width()), ch = std::min(h, alpha_->height());
      for (int y = 0; y < ch; ++y) std::memcpy(a->scanLine(y), alpha_->constScanLine(y), size_t(cw));
      alpha_ = std::move(a);
    }
  }
  Changed();
}

uint8_t* TBitmap::ScanLine(int y) {
  if (y < 0 || y >= Height()) throw EInvalidGraphicOperation(FormatA("Scan line index out of range (%d)", y));
  // Writing to pixels shared with another bitmap takes a copy of its own.
  if (!image_->isDetached() && image_->format() == QImage::Format_RGB32) *image_ = AlignedCopy(*image_, true);
  return image_->scanLine(y);
}

const uint8_t* TBitmap::ScanLine(int y) const {
  if (y < 0 || y >= Height()) throw EInvalidGraphicOperation(FormatA("Scan line index out of range (%d)", y));
  return image_->constScanLine(y);
}

int TBitmap::BytesPerLine() const { return int(image_->bytesPerLine()); }

TColor TBitmap::TransparentColor() const {
  if (transparentColor_ != clDefault) return transparentColor_;
  if (Empty()) return clDefault;
  return colorOfPixel(image_->pixel(0, Height() - 1));
}

bool TBitmap::Empty() const { return image_->isNull() || Width() == 0 || Height() == 0; }

void TBitmap::Fill(TColor c) {
  dropAlpha();
  if (Empty()) return;
  image_->fill(pixelOf(c));
  Changed();
}

void TBitmap::SetImage(const QImage& img) {
  dropAlpha();
  if (img.isNull()) *image_ = QImage();
  else if (img.format() == QImage::Format_RGB32) *image_ = AlignedCopy(img);
  else if (img.hasAlphaChannel()) {
    // The colours as pixels (white where wholly see-through), the opacity
    // beside them when any pixel is not opaque.
    const QImage straight = img.convertToFormat(QImage::Format_ARGB32);
    const int w = straight.width(), h = straight.height();
    QImage n = NewBitmapImage(w, h);
    if (n.isNull()) throw EOutOfResources(FormatA("Not enough memory for a %dx%d bitmap", w, h));
    std::unique_ptr<QImage> plane;
    for (int y = 0; y < h; ++y) {
      const uint32_t* sp = reinterpret_cast<const uint32_t*>(straight.constScanLine(y));
      uint32_t* dp = reinterpret_cast<uint32_t*>(n.scanLine(y));
      for (int x = 0; x < w; ++x) {
        const uint32_t a = sp[x] >> 24;
        dp[x] = a == 0 ? 0xFFFFFFFFu : sp[x] | 0xFF000000u;
        if (a != 255 && !plane) {
          plane = std::make_unique<QImage>(w, h, QImage::Format_Alpha8);
          if (plane->isNull()) throw EOutOfResources(FormatA("Not enough memory for a %dx%d bitmap", w, h));
          plane->fill(0xFF);
        }
        if (plane) plane->scanLine(y)[x] = uint8_t(a);
      }
    }
    *image_ = std::move(n);
    alpha_ = std::move(plane);
  } else {
    *image_ = AlignedCopy(img.convertToFormat(QImage::Format_RGB32));
  }
  Changed();
}

std::shared_ptr<const QImage> TBitmap::composeReady(int64_t key) const {
  if (!alpha_ || Empty() || alpha_->size() != image_->size()) return nullptr;
  std::lock_guard<std::mutex> lock(readyLock_);
  // The copy holds while neither the pixels nor the plane were touched
  // (any write to a QImage's pixels changes its cache key) and the key is
  // the same.
  if (ready_ && readyImageKey_ == image_->cacheKey() && readyPlaneKey_ == alpha_->cacheKey() && readyKey_ == key)
    return ready_;
  auto made = std::make_shared<QImage>(Width(), Height(), QImage::Format_ARGB32_Premultiplied);
  if (made->isNull()) throw EOutOfResources(FormatA("Not enough memory for a %dx%d bitmap", Width(), Height()));
  for (int y = 0; y < Height(); ++y) {
    const uint32_t* sp = reinterpret_cast<const uint32_t*>(image_->constScanLine(y));
    const uint8_t* ap = alpha_->constScanLine(y);
    uint32_t* dp = reinterpret_cast<uint32_t*>(made->scanLine(y));
    for (int x = 0; x < Width(); ++x) {
      const uint32_t a = ap[x], c = sp[x] & 0x00FFFFFFu;
      if (a == 0 || (key >= 0 && c == uint32_t(key))) {
        dp[x] = 0;
      } else if (a == 255) {
        dp[x] = 0xFF000000u | c;
      } else {
        auto mul = [a](uint32_t v) { return (v * a + 127) / 255; };
        dp[x] = (a << 24) | (mul(c >> 16) << 16) | (mul((c >> 8) & 255) << 8) | mul(c & 255);
      }
    }
  }
  ready_ = std::move(made);
  readyImageKey_ = image_->cacheKey();
  readyPlaneKey_ = alpha_->cacheKey();
  readyKey_ = key;
  return ready_;
}

void TBitmap::dropAlpha() {
  alpha_.reset();
  std::lock_guard<std::mutex> lock(readyLock_);
  ready_.reset();
}

void TBitmap::FlattenAlpha(TColor c) {
  const std::shared_ptr<const QImage> ready = composeReady(-1);
  dropAlpha();
  if (!ready) return;
  QImage ground = NewBitmapImage(Width(), Height());
  if (ground.isNull()) throw EOutOfResources(FormatA("Not enough memory for a %dx%d bitmap", Width(), Height()));
  ground.fill(pixelOf(c));
  const QRect all(0, 0, Width(), Height());
  blit(ground, ready.get(), all, all, false, false, nullptr, cmSrcCopy, -1, true);
  *image_ = std::move(ground);
  Changed();
}

void TBitmap::LoadFromFile(const String& fileName) {
  QImage img;
  LoadImageFile(fileName, img);
  SetImage(img);
}

void TBitmap::SaveToFile(const String& fileName) const {
  String ext = LowerCase(ExtractFileExt(fileName));
  std::string bytes;
  if (Empty()) throw EInvalidGraphicOperation("Cannot save an empty bitmap");
  if (ext == ".jpg" || ext == ".jpeg") {
    bytes = EncodeJpeg(*image_);
  } else {
    const char* fmt = ext == ".png" ? "PNG" : "BMP";
    QByteArray data;
    QBuffer buf(&data);
    buf.open(QIODevice::WriteOnly);
    // A PNG keeps the picture's alpha.
    QImage out = *image_;
    if (alpha_ && ext == ".png" && alpha_->size() == image_->size()) {
      out = image_->convertToFormat(QImage::Format_ARGB32);
      for (int y = 0; y < out.height(); ++y) {
        uint32_t* p = reinterpret_cast<uint32_t*>(out.scanLine(y));
        const uint8_t* a = alpha_->constScanLine(y);
        for (int x = 0; x < out.width(); ++x) p[x] = (p[x] & 0x00FFFFFFu) | (uint32_t(a[x]) << 24);
      }
    }
    if (!out.save(&buf, fmt)) throw EInvalidGraphicOperation("Cannot encode the bitmap as " + String(fmt));
    bytes.assign(data.constData(), size_t(data.size()));
  }
  String err;
  if (!AtomicWriteFile(ResolveFileName(fileName), bytes, &err)) throw EFCreateError(err);
}

void TBitmap::DrawOn(TCanvas* c, const TRect& r) const {
  if (!c || Empty()) return;
  QImage* dst = c->Image();
  if (!dst || dst->isNull()) return;
  const int dw = r.Right - r.Left, dh = r.Bottom - r.Top;
  if (dw == 0 || dh == 0) return;
  TPoint o = c->Origin();
  QRect dq = normalised(r).translated(o.X, o.Y);
  int64_t key = -1;
  if (transparent_) {
    TColor t = ColorToRGB(TransparentColor());
    key = int64_t(pixelOf(t) & 0x00FFFFFFu);
  }
  const TRegion* clip = c->ClipRegion();
  QRegion qc;
  if (clip) qc = clip->Q().translated(o.X, o.Y);
  // A picture with alpha is composed over what the canvas holds.
  if (const std::shared_ptr<const QImage> ready = composeReady(key)) {
    blit(*dst, ready.get(), dq, QRect(0, 0, Width(), Height()), dw < 0, dh < 0, clip ? &qc : nullptr, cmSrcCopy, -1,
         true);
  } else {
    blit(*dst, image_.get(), dq, QRect(0, 0, Width(), Height()), dw < 0, dh < 0, clip ? &qc : nullptr,
         key >= 0 ? cmSrcCopy : c->CopyMode, key);
  }
  if (c->OnChange) c->OnChange(c);
}

void TBitmap::Assign(const TPersistent* Source) {
  if (!Source) {
    *image_ = QImage();
    dropAlpha();
    Changed();
    return;
  }
  if (auto* b = dynamic_cast<const TBitmap*>(Source)) {
    if (b == this) return;
    *image_ = *b->image_;
    dropAlpha();
    if (b->alpha_) alpha_ = std::make_unique<QImage>(*b->alpha_);
    pixelFormat_ = b->pixelFormat_;
    transparentColor_ = b->transparentColor_;
    transparent_ = b->transparent_;
    Changed();
    return;
  }
  if (auto* p = dynamic_cast<const TPicture*>(Source)) {
    Assign(p->Graphic());
    return;
  }
  if (auto* g = dynamic_cast<const TGraphic*>(Source)) {
    dropAlpha();
    SetSize(0, 0);
    SetSize(g->Width(), g->Height());
    g->DrawOn(canvas_.get(), Rect(0, 0, g->Width(), g->Height()));
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}

// ---------------------------------------------------------------------------
// TPicture

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::changed() {
  if (OnChange) OnChange(this);
}

void TPicture::adopt(std::unique_ptr<TGraphic> g) {
  graphic_ = std::move(g);
  if (graphic_) graphic_->OnChange = [this](TObject*) { changed(); };
  changed();
}

void TPicture::SetGraphic(const TGraphic* g) {
  if (!g) {
    adopt(nullptr);
    return;
  }
  if (g == graphic_.get()) return;
  std::unique_ptr<TGraphic> n;
  if (dynamic_cast<const TImageGraphic*>(g)) n = std::make_unique<TImageGraphic>();
  else n = std::make_unique<TBitmap>();
  n->Assign(g);
  n->SetTransparent(g->Transparent());
  adopt(std::move(n));
}

TBitmap* TPicture::Bitmap() {
  if (auto* b = dynamic_cast<TBitmap*>(graphic_.get())) return b;
  adopt(std::make_unique<TBitmap>());
  return static_cast<TBitmap*>(graphic_.get());
}

void TPicture::LoadFromFile(const String& fileName) {
  String ext = LowerCase(ExtractFileExt(fileName));
  std::unique_ptr<TGraphic> g;
  if (ext == ".bmp") g = std::make_unique<TBitmap>();
  else g = std::make_unique<TImageGraphic>();
  g->LoadFromFile(fileName);  // the current graphic stays when this fails
  adopt(std::move(g));
}

void TPicture::SaveToFile(const String& fileName) const {
  if (graphic_) graphic_->SaveToFile(fileName);
}

void TPicture::Assign(const TPersistent* Source) {
  if (!Source) {
    SetGraphic(nullptr);
    return;
  }
  if (auto* p = dynamic_cast<const TPicture*>(Source)) {
    if (p != this) SetGraphic(p->Graphic());
    return;
  }
  if (auto* g = dynamic_cast<const TGraphic*>(Source)) {
    SetGraphic(g);
    return;
  }
  TPersistent::Assign(Source);
}

// ---------------------------------------------------------------------------
// Picture files

namespace {
// A PNG whose chunks declare more bytes than the file holds is broken; the
// PNG library would take the declared length as an allocation (a few
// hundred bytes asking for gigabytes), so such a file is refused first.
bool pngChunksFit(const QByteArray& d) {
  static const char sig[8] = {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1a', '\n'};
  if (d.size() < 8 || std::memcmp(d.constData(), sig, 8) != 0) return true;   // not PNG: the reader says so
  const auto* b = reinterpret_cast<const unsigned char*>(d.constData());
  const uint64_t size = uint64_t(d.size());
  uint64_t pos = 8;
  while (pos + 8 <= size) {
    const uint64_t len = (uint64_t(b[pos]) << 24) | (uint64_t(b[pos + 1]) << 16) | (uint64_t(b[pos + 2]) << 8) | b[pos + 3];
    if (pos + 12 + len > size) return false;
    if (std::memcmp(b + pos + 4, "IEND", 4) == 0) return true;
    pos += 12 + len;
  }
  return true;
}
// The bytes a picture file may hold: the largest picture allowed, stored
// uncompressed at 32 bits a pixel, with room for its headers.
constexpr size_t MaxPictureFileBytes = size_t(MaxPicturePixels) * 4 + (size_t(1) << 20);

// The BMP reader reports a top-down bitmap (negative height) as an invalid
// size, which would pass the size guard: the header's own width and height
// are checked, whatever their sign.
bool bmpSizeAllowed(const QByteArray& d) {
  const auto* b = reinterpret_cast<const unsigned char*>(d.constData());
  auto le32 = [b](int at) { return int32_t(uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24); };
  if (d.size() < 26 || b[0] != 'B' || b[1] != 'M') return true;   // not BMP: the reader says so
  int64_t w, h;
  if (le32(14) == 12) {   // the old OS/2 header: 16-bit sizes
    w = int64_t(b[18] | b[19] << 8);
    h = int64_t(b[20] | b[21] << 8);
  } else {
    w = le32(18);
    h = le32(22);
  }
  return PictureSizeAllowed(w < 0 ? -w : w, h < 0 ? -h : h);
}
}  // namespace

void LoadImageFile(const String& fileName, QImage& out) {
  String name = ResolveFileName(fileName);
  String ext = LowerCase(ExtractFileExt(name));
  const char* fmt = nullptr;
  bool jpeg = false, metafile = false;
  if (ext == ".jpg" || ext == ".jpeg") jpeg = true;
  else if (ext == ".emf" || ext == ".wmf") metafile = true;
  else if (ext == ".bmp") fmt = "BMP";
  else if (ext == ".ico") fmt = "ICO";
  else if (ext == ".png") fmt = "PNG";
  else if (ext == ".gif") fmt = "GIF";
  else
    throw EInvalidGraphic("Unknown picture file extension (" + (ext.empty() ? String("none") : ext) + ") of \"" +
                          NormalizePath(fileName) + "\"");
  const std::string bytes = ReadFileBytes(name, MaxPictureFileBytes);
  QImage img;
  if (jpeg) {
    DecodeJpeg(bytes, img);
  } else if (metafile) {
    LoadMetafile(fileName, bytes, ext == ".emf", img);
  } else {
    QByteArray data = QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size()));
    if (std::strcmp(fmt, "BMP") == 0 && !bmpSizeAllowed(data))
      throw EInvalidGraphic(FormatA("Cannot load picture \"%s\": too large", NormalizePath(fileName)));
    if (std::strcmp(fmt, "PNG") == 0 && !pngChunksFit(data))
      throw EInvalidGraphic("Cannot load picture \"" + NormalizePath(fileName) + "\": the file is broken");
    QBuffer buf(&data);
    buf.open(QIODevice::ReadOnly);
    QImageReader reader(&buf, fmt);
    reader.setAutoTransform(false);
    const QSize declared = reader.size();
    if (declared.isValid() && !PictureSizeAllowed(declared.width(), declared.height()))
      throw EInvalidGraphic(FormatA("Cannot load picture \"%s\": too large (%d x %d)", NormalizePath(fileName),
                                    declared.width(), declared.height()));
    img = reader.read();
    if (img.isNull())
      throw EInvalidGraphic("Cannot load picture \"" + NormalizePath(fileName) + "\": " + us(reader.errorString()));
  }
  out = std::move(img);
}

// ---------------------------------------------------------------------------
// Colour text

String ColorToRGBText(TColor c) { return FormatA("%d,%d,%d", GetRValue(c), GetGValue(c), GetBValue(c)); }

TColor RGBTextToColor(const String& s) {
  int comp[3] = {0, 0, 0};
  size_t pos = 0;
  for (int k = 0; k < 3 && pos <= s.size(); ++k) {
    size_t e = s.find(',', pos);
    String piece = s.substr(pos, e == String::npos ? String::npos : e - pos);
    int v;
    if (TryStrToInt(Trim(piece), v)) comp[k] = v & 255;
    if (e == String::npos) break;
    pos = e + 1;
  }
  return RGB(comp[0], comp[1], comp[2]);
}
