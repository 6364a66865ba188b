#include "toolkit/TextLine.h"

#include <QFontMetrics>
#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include "toolkit/QtGlue.h"

namespace {
// One run of glyphs of one font, ordered by their x position.
struct Run {
  QRawFont font;
  QGlyphRun::GlyphRunFlags flags;
  std::vector<quint32> glyphs;
  std::vector<QPointF> positions;   // baseline at y = the font's ascent
};
}  // namespace

struct TTextLine::Impl {
  String text, fontName;
  int fontHeight = 0;
  TFontStyles fontStyle;
  bool laidOut = false;
  int generation = 0;
  int width = 0, height = 0, overhang = 0, count = 0;
  std::vector<Run> runs;
};

TTextLine::TTextLine() : d_(std::make_unique<Impl>()) {}
TTextLine::~TTextLine() = default;

void TTextLine::Layout(const String& text, const TFont* font) {
  Impl& d = *d_;
  if (d.laidOut && text == d.text && font->Name() == d.fontName && font->Height() == d.fontHeight &&
      font->Style() == d.fontStyle)
    return;
  d.text = text;
  d.fontName = font->Name();
  d.fontHeight = font->Height();
  d.fontStyle = font->Style();
  d.laidOut = true;
  ++d.generation;
  d.runs.clear();
  d.count = 0;

  const QFont qf = tkqt::CanvasQFont(*font);
  const QFontMetrics fm(qf);
  const QString t = tkqt::QStr(MapSymbolText(font->Name(), text));
  d.width = fm.horizontalAdvance(t);
  d.height = fm.height();
  // Glyphs may reach past their advance (italics, wide strokes).
  d.overhang = std::max(fm.height(), fm.maxWidth());
  if (t.isEmpty()) return;

  QTextLayout layout(t, qf);
  QTextOption opt;
  opt.setWrapMode(QTextOption::NoWrap);
  layout.setTextOption(opt);
  layout.setCacheEnabled(false);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  if (!line.isValid()) {
    layout.endLayout();
    return;
  }
  line.setNumColumns(int(t.size()));
  line.setPosition(QPointF(0, 0));
  layout.endLayout();
  // Canvases put the baseline at the font's ascent.
  const qreal shift = fm.ascent() - line.ascent();
  for (const QGlyphRun& g : layout.glyphRuns()) {
    const QList<quint32> idx = g.glyphIndexes();
    const QList<QPointF> pos = g.positions();
    const size_t n = size_t(std::min(idx.size(), pos.size()));
    if (n == 0) continue;
    std::vector<size_t> order(n);
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return pos[qsizetype(a)].x() < pos[qsizetype(b)].x(); });
    Run r;
    r.font = g.rawFont();
    r.flags = g.flags();
    r.glyphs.reserve(n);
    r.positions.reserve(n);
    for (size_t k : order) {
      r.glyphs.push_back(idx[qsizetype(k)]);
      r.positions.emplace_back(pos[qsizetype(k)].x(), pos[qsizetype(k)].y() + shift);
    }
    d.count += int(n);
    d.runs.push_back(std::move(r));
  }
}

int TTextLine::Width() const { return d_->width; }
int TTextLine::Height() const { return d_->height; }
int TTextLine::GlyphCount() const { return d_->count; }
int TTextLine::Generation() const { return d_->generation; }

void TTextLine::Draw(TCanvas* c, int x, int y, TColor color, const TRect& area) const {
  const Impl& d = *d_;
  QImage* img = c ? c->Image() : nullptr;
  if (!img || img->isNull() || d.runs.empty() || area.Right <= area.Left || area.Bottom <= area.Top) return;
  // The part of the line that can meet the area, in line coordinates.
  const qreal from = qreal(area.Left - x - d.overhang), to = qreal(area.Right - x + d.overhang);
  if (area.Bottom <= y - d.overhang || area.Top >= y + d.height + d.overhang) return;
  QPainter p(img);
  if (!p.isActive()) return;
  const TPoint o = c->Origin();
  if (o.X || o.Y) p.translate(o.X, o.Y);
  if (const TRegion* clip = c->ClipRegion()) p.setClipRegion(clip->Q());
  p.setClipRect(QRect(area.Left, area.Top, area.Right - area.Left, area.Bottom - area.Top),
                c->ClipRegion() ? Qt::IntersectClip : Qt::ReplaceClip);
  p.setPen(tkqt::ToQColor(color));
  bool drew = false;
  for (const Run& r : d.runs) {
    auto lo = std::lower_bound(r.positions.begin(), r.positions.end(), from,
                               [](const QPointF& a, qreal v) { return a.x() < v; });
    auto hi = std::upper_bound(lo, r.positions.end(), to, [](qreal v, const QPointF& a) { return v < a.x(); });
    const auto first = size_t(lo - r.positions.begin());
    const int n = int(hi - lo);
    if (n <= 0) continue;
    QGlyphRun part;
    part.setRawFont(r.font);
    part.setFlags(r.flags);
    part.setRawData(r.glyphs.data() + first, r.positions.data() + first, n);
    p.drawGlyphRun(QPointF(x, y), part);
    drew = true;
  }
  p.end();
  if (drew && c->OnChange) c->OnChange(c);
}

void ScrollBitmap(TBitmap* b, int dx, int dy) {
  const int w = b->Width(), h = b->Height();
  if ((dx == 0 && dy == 0) || std::abs(dx) >= w || std::abs(dy) >= h) return;
  const size_t bytes = size_t(w - std::abs(dx)) * 4;
  auto moveRow = [&](int to, int from) {
    uint8_t* d = b->ScanLine(to) + (dx > 0 ? size_t(dx) * 4 : 0);
    const uint8_t* s = b->ScanLine(from) + (dx < 0 ? size_t(-dx) * 4 : 0);
    std::memmove(d, s, bytes);
  };
  if (dy > 0)
    for (int y = h - 1; y >= dy; --y) moveRow(y, y - dy);
  else
    for (int y = 0; y < h + dy; ++y) moveRow(y, y - dy);
  if (TCanvas* c = b->Canvas(); c->OnChange) c->OnChange(c);
}
