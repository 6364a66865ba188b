#include "controls/DialClock.h"

#include <cmath>

#include "controls/ThreadTimer.h"
#include "toolkit/Forms.h"

namespace {

std::array<std::array<int16_t, 2>, 60> MakeCircleTable() {
  std::array<std::array<int16_t, 2>, 60> t{};
  const double pi = std::acos(-1.0);
  for (int k = 0; k < 60; ++k) {
    const double a = k * 6.0 * pi / 180.0;
    int x = int(8000.0 * std::sin(a)), y = int(-8000.0 * std::cos(a));
    // The table holds the full 8000 only at three o'clock; the other
    // quarters are one unit short, as the stored table always was.
    if (std::abs(y) == 8000) y = y > 0 ? 7999 : -7999;
    if (x == -8000) x = -7999;
    t[size_t(k)] = {int16_t(x), int16_t(y)};
  }
  return t;
}

const char* const RomanNumerals[12] = {"XII", "I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX", "X", "XI"};

int MsOfDay(TDateTime t) {
  int h, m, s, ms;
  DecodeTime(t, h, m, s, ms);
  return ((h * 60 + m) * 60 + s) * 1000 + ms;
}

TRect Inflated(TRect r, int d) { return Rect(r.Left - d, r.Top - d, r.Right + d, r.Bottom + d); }

bool Touches(const TRect& a, const TRect& b) {
  TRect x;
  return IntersectRect(x, a, b);
}

}  // namespace

const std::array<std::array<int16_t, 2>, 60> TDialClock::CircleTable = MakeCircleTable();
int TDialClock::screenWidth_ = 0;

int TDialClock::ScreenWidth() {
  if (screenWidth_ <= 0 && Screen) screenWidth_ = Screen->Width();
  return std::max(1, screenWidth_);
}

void TDialClock::SetScreenWidth(int w) { screenWidth_ = w; }

TDialClock::TDialClock(TComponent* AOwner)
    : TGraphicControl(AOwner), picture_(std::make_unique<TPicture>()), measure_(std::make_unique<TCanvas>()) {
  SetBounds(0, 0, 96, 96);
  SetParentColor(true);
  // The caption holds the time at creation and never shows.
  SetText(TimeToStr(Now()));
  Font()->SetColor(clWhite);
  controlStyle_.Include(csOpaque);
  picture_->OnChange = [this](TObject*) { Invalidate(); };
  const TDateTime t = now();
  shown_time_ = split(t);
  rearm(t);
  timer_ = std::make_unique<TThreadTimer>(nullptr);
  timer_->SetInterval(250);
  timer_->SetOnTimer([this](TObject* s) { TimerExpired(s); });
}

TDialClock::~TDialClock() {
  // The timer goes first: no tick may reach a clock being freed.
  timer_.reset();
  picture_->OnChange = nullptr;
}

// ---------------------------------------------------------------- properties

void TDialClock::setColorProp(TColor& field, TColor v) {
  if (field == v) return;
  field = v;
  Invalidate();
}

void TDialClock::SetAutoSize(bool v) {
  autoSize_ = v;
  if (v) Invalidate();
}

void TDialClock::SetPicture(const TPicture* p) {
  picture_->Assign(p);
  Repaint();
}

void TDialClock::SetHand_Hour(uint8_t v) {
  handHour_ = v;
  Repaint();
}

void TDialClock::SetHand_Min(uint8_t v) {
  handMin_ = v;
  Repaint();
}

void TDialClock::SetDot_Len(int v) {
  dotLen_ = v;
  Repaint();
}

void TDialClock::SetHourCenter_Radius(uint8_t v) {
  centerRadius_ = v;
  Repaint();
}

void TDialClock::SetAnalogFaceEnabled(bool v) {
  faceEnabled_ = v;
  Repaint();
}

void TDialClock::SetClockCircle(bool v) {
  clockCircle_ = v;
  Repaint();
}

void TDialClock::SetShowMode(TShowClock v) {
  if (v == showMode_) return;
  showMode_ = v;
  Invalidate();
}

void TDialClock::SetShowSeconds(bool v) {
  if (v == showSeconds_) return;
  showSeconds_ = v;
  Invalidate();
}

void TDialClock::SetTextType(uint8_t v) {
  textType_ = v;
  Invalidate();
  Update();
}

void TDialClock::SetWidthSecHour(uint8_t v) {
  if (v == widthSecHour_) return;
  widthSecHour_ = v;
  Invalidate();
}

void TDialClock::SetTwelveHour(bool v) {
  if (v == twelveHour_) return;
  twelveHour_ = v;
  Invalidate();
}

void TDialClock::SetLeadingZero(bool v) {
  if (v == leadingZero_) return;
  leadingZero_ = v;
  Invalidate();
}

void TDialClock::SetTransparent(bool v) {
  if (v) controlStyle_.Exclude(csOpaque);
  else controlStyle_.Include(csOpaque);
  TGraphicControl::SetTransparent(v);
  Invalidate();
}

// --------------------------------------------------------------------- alarm

void TDialClock::setAlarmPart(int index, int value) {
  int h = AlarmHour(), m = AlarmMinute(), s = AlarmSecond();
  (index == 1 ? h : index == 2 ? m : s) = value;
  if (h >= 24 || m >= 60 || s >= 60) {
    const String sep(1, FormatSettings.TimeSeparator);
    throw EConvertError(FormatA("'%s' is not a valid time", IntToStr(h) + sep + IntToStr(m) + sep + IntToStr(s)));
  }
  alarmMs_ = ((h * 60 + m) * 60 + s) * 1000;
  rearm(now());
}

void TDialClock::rearm(TDateTime t) { armed_ = MsOfDay(t) < alarmMs_; }

void TDialClock::checkAlarm(TDateTime t) {
  const int ms = MsOfDay(t);
  const bool reached = armed_ && ms / 60000 == alarmMs_ / 60000 && ms / 1000 % 60 >= alarmMs_ / 1000 % 60;
  if (alarmEnabled_ && reached) {
    armed_ = false;
    if (OnAlarm) OnAlarm(this);
  } else {
    rearm(t);
  }
}

void TDialClock::Loaded() { rearm(now()); }

// ---------------------------------------------------------------------- tick

TDialClock::TShownTime TDialClock::split(TDateTime t) const {
  int h, m, s, ms;
  DecodeTime(t, h, m, s, ms);
  TShownTime r;
  r.D.Hour = h >= 12 ? h - 12 : h;
  r.D.Minute = m;
  r.D.Second = s;
  r.Hour24 = h;
  r.Stamp = t;
  return r;
}

void TDialClock::damage(const TRect& r) {
  TRect x;
  if (!IntersectRect(x, r, ClientRect())) return;
  damage_.push_back(x);
  InvalidateRect(x);
}

void TDialClock::damageAll() {
  damage_.assign(1, ClientRect());
  Invalidate();
}

void TDialClock::TimerExpired(TObject* /*Sender*/) {
  if (!Visible()) return;
  damage_.clear();
  const TDateTime t = now();
  const TShownTime n = split(t);
  // The day rolled over: an alarm at midnight is due again.
  const int day = int(std::floor(t));
  if (lastDay_ >= 0 && day != lastDay_) armed_ = true;
  lastDay_ = day;
  // The wall clock was set: everything shown may be out of date.
  const bool jumped = lastTick_ != 0 && std::fabs(t - lastTick_) > 2.0 / 86400.0;
  lastTick_ = t;

  const TDisplayed d = shown_time_.D;
  const bool secChanged = n.D.Second != d.Second;
  const bool minChanged = n.D.Minute != d.Minute || n.D.Hour != d.Hour;
  if (showMode_ == scAnalog) {
    if (minChanged) {
      damageAll();
      newMinute_ = true;
    } else if (secChanged && showSeconds_) {
      const TFace f = Face();
      damage(secondHandBox(f, d.Second));
      damage(secondHandBox(f, n.D.Second));
    }
    if (secChanged || minChanged) shown_time_ = n;
  } else {
    if (n.D.Hour != d.Hour || n.Hour24 != shown_time_.Hour24) {
      damageAll();
    } else if (secChanged || minChanged) {
      measure_->Font()->Assign(Font());
      const TDigital g = digitalFor(n, measure_.get());
      const bool two = g.L == 5 || g.L == 8;
      for (int i = 1; i <= g.L; ++i) {
        const bool isMin = two ? (i == 4 || i == 5) : (i == 3 || i == 4);
        const bool isSec = two ? (i == 7 || i == 8) : (i == 6 || i == 7);
        if ((isMin && minChanged) || (isSec && secChanged)) damage(g.Cells[size_t(i - 1)]);
      }
    }
    shown_time_ = n;
  }
  if (jumped) damageAll();
  checkAlarm(t);
  if (newMinute_) {
    newMinute_ = false;
    if (OnNewMinute) OnNewMinute(this);
  }
}

// -------------------------------------------------------------------- geometry

TDialClock::TFace TDialClock::Face() const {
  TFace f;
  TRect F = ClientRect();
  if (clockCircle_) {
    const int w = F.Width(), h = F.Height();
    if (w <= h) {
      F.Top += (h - w) / 2;
      F.Bottom = F.Top + w;
    } else {
      F.Left += (w - h) / 2;
      F.Right = F.Left + h;
    }
  }
  f.F = F;
  f.D = std::max(4, F.Width() * 25 / ScreenWidth());
  f.E = f.D;
  const TRect in = Rect(F.Left + f.E / 2, F.Top + f.D / 2, F.Right - f.E / 2, F.Bottom - f.D / 2);
  f.RX = in.Width() / 2;
  f.RY = in.Height() / 2;
  f.R = std::min(f.RX, f.RY);
  f.C = Point(in.Left + f.RX, in.Top + f.RY);
  return f;
}

std::vector<TPoint> TDialClock::HandPolygon(bool Hour, int p) const {
  const TFace f = Face();
  const int a = Hour ? 7 : 5, b = Hour ? 60 : 95, c = Hour ? 15 : 20;
  auto scaled = [&](int k, int r) {
    const auto& t = CircleTable[size_t(((k % 60) + 60) % 60)];
    return Point(t[0] * r / 8000, t[1] * r / 8000);
  };
  const TPoint S = scaled(p + 15, f.R * a / 100), V = scaled(p, f.R * b / 100), B = scaled(p + 30, f.R * c / 100);
  const TPoint C = f.C;
  switch (Hour ? handHour_ : handMin_) {
    case 0:
      return {Point(C.X + S.X, C.Y + S.Y), Point(C.X + V.X, C.Y + V.Y), Point(C.X - S.X, C.Y - S.Y),
              Point(C.X + B.X, C.Y + B.Y)};
    case 1: {
      const TPoint h(S.X / 2, S.Y / 2);
      return {Point(C.X + h.X, C.Y + h.Y), Point(C.X + V.X + h.X, C.Y + V.Y + h.Y),
              Point(C.X + V.X - h.X, C.Y + V.Y - h.Y), Point(C.X + B.X - h.X, C.Y + B.Y - h.Y),
              Point(C.X + B.X + h.X, C.Y + B.Y + h.Y)};
    }
    case 2:
      return {Point(C.X + S.X, C.Y + S.Y), Point(C.X + V.X, C.Y + V.Y), Point(C.X - S.X, C.Y - S.Y)};
    default:
      return {};
  }
}

TPoint TDialClock::SecondTip(int p) const {
  const TFace f = Face();
  const auto& t = CircleTable[size_t(((p % 60) + 60) % 60)];
  const int r = f.R * 99 / 100;
  return Point(f.C.X + t[0] * r / 8000, f.C.Y + t[1] * r / 8000);
}

TRect TDialClock::secondHandBox(const TFace& f, int p) const {
  const TPoint tip = SecondTip(p);
  const TRect r = Rect(f.C.X, f.C.Y, tip.X, tip.Y).Normalized();
  return Inflated(Rect(r.Left, r.Top, r.Right + 1, r.Bottom + 1), widthSecHour_ + 2);
}

TDialClock::TDigital TDialClock::digitalFor(const TShownTime& t, TCanvas* c) const {
  TDigital g;
  int H = t.Hour24;
  if (twelveHour_) {
    if (H > 12) H -= 12;
    else if (H == 0) H = 12;
  }
  String fmt = leadingZero_ ? "hh:mm" : "h:mm";
  if (showSeconds_) fmt += ":ss";
  if (twelveHour_) fmt += " ampm";
  g.Text = FormatDateTime(fmt, t.Stamp);
  g.L = (H >= 10 || leadingZero_) ? 5 : 4;
  if (showSeconds_) g.L += 3;
  const String ampm = g.Text.size() > size_t(g.L) ? g.Text.substr(size_t(g.L)) : String();
  const TPoint cell = c->TextExtent("8");
  const int ampmWidth = ampm.empty() ? 0 : c->TextWidth(ampm);
  const int full = g.L * cell.X + ampmWidth;
  const TRect cr = ClientRect();
  const int left = (cr.Left + cr.Right - full) / 2, top = (cr.Top + cr.Bottom - cell.Y) / 2;
  g.Box = Bounds(left, top, full, cell.Y);
  for (int i = 0; i < g.L; ++i) g.Cells.push_back(Bounds(left + i * cell.X, top, cell.X, cell.Y));
  g.AmPm = Bounds(left + g.L * cell.X, top, ampmWidth, cell.Y);
  return g;
}

TDialClock::TDigital TDialClock::Digital() const {
  measure_->Font()->Assign(Font());
  return digitalFor(shown_time_, measure_.get());
}

// -------------------------------------------------------------------- painting

void TDialClock::Paint() {
  TCanvas* c = Canvas();
  const TRect client = ClientRect();
  const TRect clip = c->HasClip() ? c->ClipRect() : client;
  c->Pen()->SetMode(pmCopy);
  c->Pen()->SetWidth(1);
  c->Pen()->SetStyle(psSolid);
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  if (!Transparent()) c->FillRect(client);
  if (showMode_ == scDigital) {
    paintDigital(c);
    return;
  }
  if (TGraphic* g = picture_->Graphic(); g && !g->Empty()) c->StretchDraw(client, g);
  const TFace f = Face();
  paintFace(c, f, clip);
  c->Pen()->SetColor(handColor_);
  c->Brush()->SetColor(handColor_);
  const TDisplayed& d = shown_time_.D;
  paintHand(c, f, true, d.Hour * 5 + d.Minute / 12);
  paintHand(c, f, false, d.Minute);
  if (showSeconds_) paintSecondHand(c, f, d.Second);
}

void TDialClock::paintFace(TCanvas* c, const TFace& f, const TRect& clip) {
  const TColor savedBrush = c->Brush()->Color(), savedPen = c->Pen()->Color();
  const unsigned savedAlign = c->TextAlign();
  c->SetTextAlign(TA_CENTER | TA_BASELINE);
  c->Font()->Assign(Font());
  const int fontSize = 3 * f.D;
  c->Font()->SetSize(fontSize);
  const int fontPx = std::abs(c->Font()->Height()) + 1;
  const TPoint C = f.C;
  for (int k = 0; k < 60; ++k) {
    const auto& t = CircleTable[size_t(k)];
    const int ox = t[0] * f.RX / 8000, oy = t[1] * f.RY / 8000;
    const TPoint P(C.X + ox, C.Y + oy);
    if (faceEnabled_) {
      if (k % 5 != 0) {
        const TRect dot = Rect(P.X - f.D / 3, P.Y - f.E / 3, P.X + f.D / 3, P.Y + f.E / 3);
        const TPoint end(C.X + ox * dotLen_ / 100, C.Y + oy * dotLen_ / 100);
        const TRect line = Rect(P.X, P.Y, end.X, end.Y).Normalized();
        if (Touches(Inflated(dot, 1), clip)) {
          c->Brush()->SetColor(dotsColor_);
          c->FillRect(dot);
        }
        if (!(end == P) && Touches(Inflated(line, 2), clip)) {
          c->Pen()->SetColor(dotsLColor_);
          c->MoveTo(P.X, P.Y);
          c->LineTo(end.X, end.Y);
        }
      } else {
        const TRect mark = Bounds(P.X - f.D / 2, P.Y - f.E / 2, f.D, f.E + 1);
        if (Touches(Inflated(mark, 1), clip)) {
          c->Brush()->SetColor(dotsBColor_);
          c->FillRect(mark);
        }
      }
    }
    if (textType_ != 0 && k % 5 == 1) {
      const auto& h = CircleTable[size_t(k - 1)];
      const TPoint N(C.X + h[0] * f.RX * 85 / 100 / 8000, C.Y + h[1] * f.RY * 85 / 100 / 8000);
      const TPoint at(N.X, N.Y + fontSize / 2);
      // Numerals lie within two font heights of their point.
      if (!Touches(Rect(at.X - 2 * fontPx, at.Y - 2 * fontPx, at.X + 2 * fontPx, at.Y + fontPx), clip)) continue;
      const int index = k / 5;
      const String text = textType_ == 2 ? String(RomanNumerals[index]) : IntToStr(index == 0 ? 12 : index);
      // The numerals are drawn over the face without a background.
      c->Brush()->SetStyle(bsClear);
      c->TextOut(at.X, at.Y, text);
      c->Brush()->SetStyle(bsSolid);
    }
  }
  c->SetTextAlign(savedAlign);
  c->Brush()->SetColor(savedBrush);
  c->Pen()->SetColor(savedPen);
}

void TDialClock::paintHand(TCanvas* c, const TFace& f, bool hour, int p) {
  const std::vector<TPoint> poly = HandPolygon(hour, p);
  const TPenMode mode = c->Pen()->Mode();
  const TColor pen = c->Pen()->Color(), fill = c->Brush()->Color();
  c->Pen()->SetMode(pmCopy);
  c->Brush()->SetStyle(bsSolid);
  if (!poly.empty()) c->Polygon(poly);
  if (centerRadius_ > 0) {
    const int r = centerRadius_ * f.R / 100;
    c->Brush()->SetColor(Color());
    c->Ellipse(f.C.X - r, f.C.Y - r, f.C.X + r, f.C.Y + r);
  }
  c->Pen()->SetMode(mode);
  c->Pen()->SetColor(pen);
  c->Brush()->SetColor(fill);
}

void TDialClock::paintSecondHand(TCanvas* c, const TFace& f, int p) {
  const TPoint tip = SecondTip(p);
  const int width = c->Pen()->Width();
  const TPenMode mode = c->Pen()->Mode();
  c->Pen()->SetWidth(widthSecHour_);
  if (Transparent()) {
    // Where the clock lets its parent show through there is nothing of its
    // own to invert: the hand shows as it would over the clock's colour.
    c->Pen()->SetMode(pmCopy);
    c->Pen()->SetColor(ColorToRGB(handSecColor_) ^ ColorToRGB(Color()));
  } else {
    c->Pen()->SetMode(pmXor);
    c->Pen()->SetColor(handSecColor_);
  }
  c->MoveTo(f.C.X, f.C.Y);
  c->LineTo(tip.X, tip.Y);
  c->Pen()->SetMode(mode);
  c->Pen()->SetWidth(width);
}

void TDialClock::paintDigital(TCanvas* c) {
  c->Font()->Assign(Font());
  c->Pen()->SetColor(Font()->Color());
  c->Brush()->SetColor(Color());
  const TDigital g = digitalFor(shown_time_, c);
  for (int i = 0; i < g.L && size_t(i) < g.Text.size(); ++i) {
    TRect cell = g.Cells[size_t(i)];
    if (!Transparent()) c->FillRect(cell);
    c->DrawText(g.Text.substr(size_t(i), 1), cell, {tfCenter, tfVerticalCenter, tfSingleLine, tfNoClip, tfNoPrefix});
  }
  if (g.Text.size() > size_t(g.L)) {
    TRect r = g.AmPm;
    c->DrawText(g.Text.substr(size_t(g.L)), r, {tfLeft, tfSingleLine, tfNoClip, tfNoPrefix});
  }
}
