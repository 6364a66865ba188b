#include "controls/PLNClock.h"

#include <cmath>

#include "toolkit/Timer.h"

namespace {

const double Pi = std::acos(-1.0);

int Nearest(double v) { return int(std::lround(v)); }

TRect Inflated(TRect r, int d) { return Rect(r.Left - d, r.Top - d, r.Right + d, r.Bottom + d); }

}  // namespace

TPLNClock::TPLNClock(TComponent* AOwner) : TPanel(AOwner) {
  SetBounds(0, 0, 137, 137);
  SetBevelOuter(bvRaised);
  SetBevelInner(bvLowered);
  SetBevelWidth(3);
  SetColor(clYellow);
  SetCaption(" ");
  timer_ = std::make_unique<TTimer>(nullptr);
  timer_->SetInterval(100);
  timer_->OnTimer = [this](TObject*) { Tick(); };
  // The hands start at the current time, not at twelve.
  Tick();
}

TPLNClock::~TPLNClock() {
  BeginDestroy();
  timer_.reset();
}

TDateTime TPLNClock::now() const { return TimeSource ? TimeSource() : Now(); }

void TPLNClock::SetClockEnabled(bool v) {
  clockEnabled_ = v;
  if (v) {
    if (!timer_->Enabled()) timer_->SetEnabled(true);
  } else {
    timeSet_ = now();
    Tick();
  }
}

void TPLNClock::SetTimeSet(TDateTime v) {
  timeSet_ = v;
  redraw_ = 50;
  Tick();
}

void TPLNClock::SetTimeOffset(int v) {
  timeOffset_ = v;
  redraw_ = 50;
  if (!clockEnabled_) Tick();
}

TPLNClock::TGeometry TPLNClock::Geometry() const {
  TGeometry g;
  g.CX = Width() / 2;
  g.CY = Height() / 2;
  // Room for a text line below the dial: the font's height, whichever way
  // it is given.
  if (date_) g.CY = (Height() - (std::abs(Font()->Height()) + 4)) / 2;
  int shrink = hrSize_ + 1;
  if (BevelInner() != bvNone) shrink += BevelWidth();
  if (BevelOuter() != bvNone) shrink += BevelWidth();
  g.RX = g.CX - shrink;
  g.RY = g.CY - shrink;
  g.R = std::min(g.RX, g.RY) - widthHr_;
  return g;
}

TPoint TPLNClock::PointAt(const TGeometry& g, int u, double d) {
  const double a = u * Pi / 3000.0;
  return Point(g.CX + Nearest(std::sin(a) * d), g.CY - Nearest(std::cos(a) * d));
}

// ---------------------------------------------------------------------- tick

void TPLNClock::Tick() {
  if (!clockEnabled_) timer_->SetEnabled(false);
  TDateTime t = clockEnabled_ ? now() : timeSet_;
  t += timeOffset_ / 1440.0;
  int h, m, s, ms;
  DecodeTime(t, h, m, s, ms);
  ++redraw_;
  if (secJump_) {
    if (s == lastJumpSec_ && clockEnabled_) return;
    lastJumpSec_ = s;
    ms = 0;
  }
  if (clockEnabled_ && s != lastSec_) {
    lastSec_ = s;
    if (!Destroying()) {
      if (OnChangeSec) OnChangeSec(this, h, m, s);
      int sh, sm, ss, sms;
      DecodeTime(timeSet_, sh, sm, ss, sms);
      if (h == sh && m == sm && s == ss && OnSameTime) OnSameTime(this);
      if (m != lastMin_) {
        lastMin_ = m;
        if (OnChangeMin) OnChangeMin(this, h, m, s);
        if (h != lastHour_) {
          lastHour_ = h;
          if (OnChangeHour) OnChangeHour(this, h, m, s);
        }
      }
    }
    if (seconds_) ++redraw_;
  }
  const TGeometry g = Geometry();
  const int hourLen = g.R - g.R / 3, minLen = g.R - widthHandMin_;
  if (redraw_ > 50) {
    const int newMin = (m * 60 + s) * 10 / 6, newHour = (h * 60 + m) * 25 / 3;
    if (newMin != minPos_) {
      InvalidateRect(handBox(g, minPos_, 3, minLen, 10, widthHandMin_));
      InvalidateRect(handBox(g, newMin, 3, minLen, 10, widthHandMin_));
      minPos_ = newMin;
    }
    if (newHour != hourPos_) {
      InvalidateRect(handBox(g, hourPos_, 3, hourLen, 10, widthHandHr_));
      InvalidateRect(handBox(g, newHour, 3, hourLen, 10, widthHandHr_));
      hourPos_ = newHour;
    }
    redraw_ = 0;
  }
  const int newSec = seconds_ ? (s * 1000 + ms) / 10 : 0;
  if (newSec != secPos_ || (seconds_ && !secDrawn_)) {
    InvalidateRect(handBox(g, secPos_, 4, g.R, 15, widthHandSec_));
    InvalidateRect(handBox(g, newSec, 4, g.R, 15, widthHandSec_));
    secPos_ = newSec;
  }
  secDrawn_ = seconds_;
}

TRect TPLNClock::handBox(const TGeometry& g, int u, int from, int to, int tail, int width) const {
  const TPoint a = PointAt(g, u, to), b = PointAt(g, u + 3000, tail);
  (void)from;
  TRect r = Rect(std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X) + 1, std::max(a.Y, b.Y) + 1);
  // The centre disc lies on every hand.
  r = Rect(std::min(r.Left, g.CX - centerSize_), std::min(r.Top, g.CY - centerSize_),
           std::max(r.Right, g.CX + centerSize_ + 1), std::max(r.Bottom, g.CY + centerSize_ + 1));
  return Inflated(r, width + 2);
}

// -------------------------------------------------------------------- painting

void TPLNClock::Resize() {
  Invalidate();
  TPanel::Resize();
}

void TPLNClock::Paint() {
  TPanel::Paint();
  TCanvas* c = Canvas();
  const TGeometry g = Geometry();
  paintMarks(c, g);
  paintHands(c, g);
}

void TPLNClock::paintMark(TCanvas* c, const TGeometry& g, int u, THrStyle style, int size, TColor pen, TColor fill,
                          int width, int number, int fontSize) {
  const double a = u * Pi / 3000.0;
  if (style != hsLine) {
    const int d = std::min(g.RX, g.RY) + size / 2;
    const int x = g.CX + 1 + Nearest(std::sin(a) * d), y = g.CY + 1 - Nearest(std::cos(a) * d);
    const TRect sq = Bounds(x - size / 2, y - size / 2, size, size);
    if (style == hsCircle || style == hsNumInCir) {
      c->Pen()->SetColor(pen);
      c->Pen()->SetWidth(width);
      c->Brush()->SetStyle(bsSolid);
      c->Brush()->SetColor(fill);
      c->Ellipse(sq);
    }
    if (style == hsNumber || style == hsNumInCir) {
      c->Font()->Assign(Font());
      c->Font()->SetSize(fontSize);
      c->Brush()->SetStyle(bsClear);
      TRect r = sq;
      r.Offset(-1, -1);
      c->DrawText(IntToStr(number), r, {tfCenter, tfVerticalCenter, tfSingleLine, tfNoPrefix});
      c->Brush()->SetStyle(bsSolid);
    }
    return;
  }
  const int m = spiderClock_ ? Nearest(std::sqrt(std::pow(g.RY * std::cos(a), 2) + std::pow(g.RX * std::sin(a), 2)))
                             : std::min(g.RX, g.RY);
  const TPoint in = PointAt(g, u, g.R + 1);
  TPoint out = PointAt(g, u, m + size);
  out.X = std::clamp(out.X, g.CX - (g.RX + size), g.CX + (g.RX + size));
  out.Y = std::clamp(out.Y, g.CY - (g.RY + size), g.CY + (g.RY + size));
  c->Pen()->SetColor(pen);
  c->Pen()->SetWidth(width);
  c->MoveTo(in.X, in.Y);
  c->LineTo(out.X, out.Y);
}

void TPLNClock::paintMarks(TCanvas* c, const TGeometry& g) {
  c->Pen()->SetMode(pmCopy);
  c->Pen()->SetStyle(psSolid);
  if (minMarks_) {
    for (int k = 0; k < 60; ++k) {
      const bool hourPlace = hrMarks_ == hmAll ? k % 5 == 0 : hrMarks_ == hmFour ? k % 15 == 0 : false;
      const bool skip = hourPlace && (minStyle_ != hsLine || hrStyle_ != hsNumInCir);
      if (skip) continue;
      paintMark(c, g, k * 100, minStyle_, minSize_, colorMin_, colorMinIn_, widthMin_, k, minFontSize_);
    }
  }
  if (hrMarks_ != hmNone) {
    for (int h = 1; h <= 12; ++h) {
      if (hrMarks_ == hmFour && h % 3 != 0) continue;
      paintMark(c, g, h * 500, hrStyle_, hrSize_, colorHr_, colorHrIn_, widthHr_, h, Font()->Size());
    }
  }
}

void TPLNClock::paintHands(TCanvas* c, const TGeometry& g) {
  auto hand = [&](int u, int from, int to, int tail, TColor color, int width) {
    c->Pen()->SetColor(color);
    c->Pen()->SetWidth(width);
    TPoint a = PointAt(g, u, from), b = PointAt(g, u, to);
    c->MoveTo(a.X, a.Y);
    c->LineTo(b.X, b.Y);
    a = PointAt(g, u + 3000, from);
    b = PointAt(g, u + 3000, tail);
    c->MoveTo(a.X, a.Y);
    c->LineTo(b.X, b.Y);
  };
  auto disc = [&] {
    if (centerSize_ == 0) return;
    c->Pen()->SetColor(colorHandHr_);
    c->Pen()->SetWidth(1);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(centerCol_);
    c->Ellipse(g.CX - centerSize_, g.CY - centerSize_, g.CX + centerSize_, g.CY + centerSize_);
  };
  c->Pen()->SetMode(pmCopy);
  hand(minPos_, 3, g.R - widthHandMin_, 10, colorHandMin_, widthHandMin_);
  hand(hourPos_, 3, g.R - g.R / 3, 10, colorHandHr_, widthHandHr_);
  if (seconds_) hand(secPos_, 4, g.R, 15, colorHandSec_, widthHandSec_);
  disc();
  c->Pen()->SetWidth(1);
}
