#include "toolkit/Graphics.h"

#include <QPainterPath>
#include <QPolygon>
#include <QRegion>
#include <QTransform>

namespace {

QRect qrect(const TRect& r) {
  TRect n = r.Normalized();
  return QRect(n.Left, n.Top, n.Right - n.Left, n.Bottom - n.Top);
}

}  // namespace

TRegion::TRegion() : r_(std::make_unique<QRegion>()) {}
TRegion::~TRegion() = default;
TRegion::TRegion(const TRegion& o) : r_(std::make_unique<QRegion>(*o.r_)) {}
TRegion& TRegion::operator=(const TRegion& o) {
  if (this != &o) *r_ = *o.r_;
  return *this;
}

TRegion TRegion::FromRect(const TRect& r) {
  TRegion g;
  QRect q = qrect(r);
  if (!q.isEmpty()) *g.r_ = QRegion(q);
  return g;
}

TRegion TRegion::Ellipse(const TRect& r) {
  TRegion g;
  QRect q = qrect(r);
  if (!q.isEmpty()) *g.r_ = QRegion(q, QRegion::Ellipse);
  return g;
}

TRegion TRegion::RoundRect(const TRect& r, int w, int h) {
  TRegion g;
  QRect q = qrect(r);
  if (q.isEmpty()) return g;
  w = std::min(std::abs(w), q.width());
  h = std::min(std::abs(h), q.height());
  if (w <= 1 || h <= 1) {
    *g.r_ = QRegion(q);
    return g;
  }
  // Straight parts as rectangles, the corners as quarter ellipses.
  QRegion reg(q.adjusted(w / 2, 0, -(w / 2), 0));
  reg += QRegion(q.adjusted(0, h / 2, 0, -(h / 2)));
  QRegion e(QRect(0, 0, w, h), QRegion::Ellipse);
  reg += e.translated(q.left(), q.top());
  reg += e.translated(q.left() + q.width() - w, q.top());
  reg += e.translated(q.left(), q.top() + q.height() - h);
  reg += e.translated(q.left() + q.width() - w, q.top() + q.height() - h);
  *g.r_ = reg;
  return g;
}

TRegion TRegion::Polygon(const std::vector<TPoint>& pts, TPolyFillMode mode) {
  TRegion g;
  if (pts.size() < 3) return g;
  QPolygon poly;
  poly.reserve(qsizetype(pts.size()));
  for (const TPoint& p : pts) poly << QPoint(p.X, p.Y);
  *g.r_ = QRegion(poly, mode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
  return g;
}

TRegion TRegion::FromMask(const std::vector<uint8_t>& mask, int w, int h, int x, int y) {
  TRegion g;
  if (w <= 0 || h <= 0 || mask.size() < size_t(w) * size_t(h)) return g;
  // Rows with the same runs are merged into one band; the bands form a
  // y-x banded rectangle list that the region takes as it is.
  std::vector<QRect> rects;
  std::vector<std::pair<int, int>> runs, prevRuns;
  int bandTop = 0;
  size_t bandStart = 0;
  auto rowRuns = [&](int row, std::vector<std::pair<int, int>>& out) {
    out.clear();
    const uint8_t* m = mask.data() + size_t(row) * size_t(w);
    int i = 0;
    while (i < w) {
      while (i < w && !m[i]) ++i;
      if (i >= w) break;
      int b = i;
      while (i < w && m[i]) ++i;
      out.emplace_back(b, i);
    }
  };
  auto flush = [&](int bandBottom) {
    for (size_t k = bandStart; k < rects.size(); ++k) rects[k].setHeight(bandBottom - bandTop);
  };
  bool havePrev = false;
  for (int row = 0; row < h; ++row) {
    rowRuns(row, runs);
    if (havePrev && runs == prevRuns) continue;
    if (havePrev) flush(row);
    bandTop = row;
    bandStart = rects.size();
    for (auto& r : runs) rects.emplace_back(QRect(r.first + x, row + y, r.second - r.first, 1));
    prevRuns.swap(runs);
    havePrev = true;
  }
  if (havePrev) flush(h);
  // Bands that are empty contribute nothing; the list is already sorted.
  if (!rects.empty()) g.r_->setRects(rects.data(), int(rects.size()));
  return g;
}

TRegion TRegion::Combined(const TRegion& other, TRegionCombine mode) const {
  TRegion g;
  switch (mode) {
    case RGN_AND: *g.r_ = r_->intersected(*other.r_); break;
    case RGN_OR: *g.r_ = r_->united(*other.r_); break;
    case RGN_XOR: *g.r_ = r_->xored(*other.r_); break;
    case RGN_DIFF: *g.r_ = r_->subtracted(*other.r_); break;
    case RGN_COPY: *g.r_ = *r_; break;
  }
  return g;
}

void TRegion::Offset(int dx, int dy) { r_->translate(dx, dy); }
bool TRegion::Contains(int x, int y) const { return r_->contains(QPoint(x, y)); }
bool TRegion::IsEmpty() const { return r_->isEmpty(); }

TRect TRegion::BoundingRect() const {
  QRect b = r_->boundingRect();
  if (b.isEmpty()) return TRect();
  return Bounds(b.x(), b.y(), b.width(), b.height());
}

std::vector<TRect> TRegion::Rects() const {
  std::vector<TRect> out;
  out.reserve(size_t(r_->rectCount()));
  for (const QRect& q : *r_) out.push_back(Bounds(q.x(), q.y(), q.width(), q.height()));
  return out;
}

const QRegion& TRegion::Q() const { return *r_; }

// Handle-style helpers.

HRGN CreateRectRgn(int l, int t, int r, int b) { return new TRegion(TRegion::FromRect(Rect(l, t, r, b))); }
HRGN CreateRectRgnIndirect(const TRect& r) { return new TRegion(TRegion::FromRect(r)); }
HRGN CreateEllipticRgn(int l, int t, int r, int b) { return new TRegion(TRegion::Ellipse(Rect(l, t, r, b))); }
HRGN CreateRoundRectRgn(int l, int t, int r, int b, int w, int h) {
  return new TRegion(TRegion::RoundRect(Rect(l, t, r, b), w, h));
}
HRGN CreatePolygonRgn(const TPoint* pts, int count, TPolyFillMode mode) {
  std::vector<TPoint> v;
  if (pts && count > 0) v.assign(pts, pts + count);
  return new TRegion(TRegion::Polygon(v, mode));
}

static int regionKind(const TRegion& r) {
  int n = r.Q().rectCount();
  return n == 0 ? NULLREGION : (n == 1 ? SIMPLEREGION : COMPLEXREGION);
}

int CombineRgn(HRGN dest, HRGN a, HRGN b, TRegionCombine mode) {
  if (!dest || !a || (mode != RGN_COPY && !b)) return ERROR_REGION;
  *dest = mode == RGN_COPY ? *a : a->Combined(*b, mode);
  return regionKind(*dest);
}

int OffsetRgn(HRGN r, int dx, int dy) {
  if (!r) return ERROR_REGION;
  r->Offset(dx, dy);
  return regionKind(*r);
}

bool PtInRegion(HRGN r, int x, int y) { return r && r->Contains(x, y); }
void DeleteObject(HRGN r) { delete r; }
