#include "controls/RunLabel.h"

#include <algorithm>
#include <cstdlib>

#include "toolkit/SysUtils.h"
#include "toolkit/Timer.h"

TRunString::TRunString(TComponent* AOwner)
    : TGraphicControl(AOwner), rFont_(std::make_unique<TFont>()), buffer_(std::make_unique<TBitmap>()) {
  SetBounds(Left(), Top(), 192, 20);
  TControlStyle style = ControlStyle();
  style.Exclude(csOpaque);
  SetControlStyle(style);
  color_ = clBlack;
  // Every paint fills the whole strip.
  SetPaintsOpaque(true);
  steps_ = Width();
  stepToView_ = Width() / 2;
  rFont_->SetName("System");
  rFont_->SetSize(10);
  rFont_->SetColor(clWhite);
  rFont_->OnChange = [this](TObject*) { UpdateLayout(); };
  timer_ = std::make_unique<TTimer>(nullptr);
  timer_->SetEnabled(false);
  timer_->SetInterval(TimerInterval());
  timer_->OnTimer = [this](TObject*) { TimerFired(); };
}

TRunString::~TRunString() {
  timer_->SetEnabled(false);
  timer_->OnTimer = nullptr;
  rFont_->OnChange = nullptr;
}

void TRunString::Start(int Pos) {
  if (Pos >= 0 && Pos <= steps_) position_ = Pos;
  if (!timer_->Enabled()) tickClock_ = FrameClock();
  timer_->SetEnabled(true);
}

int TRunString::Stop() {
  timer_->SetEnabled(false);
  // A step that was not painted yet shows where the text stopped.
  if (paintPending_) {
    paintPending_ = false;
    Invalidate();
  }
  return position_;
}

bool TRunString::IsRunning() const { return timer_->Enabled(); }

void TRunString::SetLabelStyle(TRLabelStyle v) {
  if (v == labelStyle_) return;
  labelStyle_ = v;
  UpdateLayout();
}

void TRunString::SetDepth(int v) {
  if (v == depth_) return;
  depth_ = v;
  UpdateLayout();
}

void TRunString::SetSteps(int v) {
  // A run of no positions would divide by zero when placing the text.
  if (v < 1) v = 1;
  if (v == steps_) return;
  steps_ = v;
  if (designing()) {
    stepToView_ = steps_ / 2;
    Invalidate();
  }
}

void TRunString::SetOneStep(int v) { oneStep_ = v == 0 ? 1 : v; }

void TRunString::SetSpeed(int v) {
  if (v == speed_) return;
  speed_ = std::clamp(v, 1, 1000);
  timer_->SetInterval(TimerInterval());
}

void TRunString::SetColor(TColor c) {
  if (c == color_) return;
  TGraphicControl::SetColor(c);
  UpdateLayout();
}

void TRunString::SetColorH(TColor v) {
  if (v == colorH_) return;
  colorH_ = v;
  UpdateLayout();
}

void TRunString::SetColorS(TColor v) {
  if (v == colorS_) return;
  colorS_ = v;
  UpdateLayout();
}

void TRunString::SetRFont(const TFont* f) {
  if (!f || f == rFont_.get()) return;
  rFont_->Assign(f);
  UpdateLayout();
}

void TRunString::SetRText(const String& v) {
  if (v == rText_) return;
  rText_ = v;
  UpdateLayout();
}

void TRunString::SetStepToView(int v) {
  if (!designing() || v == stepToView_ || v < 0 || v > steps_) return;
  stepToView_ = v;
  UpdateLayout();
}

TPoint TRunString::MeasureText(TCanvas* c) const { return c->TextExtent(rText_); }

int64_t TRunString::FrameClock() const { return GetTickCount64(); }

TRunString::TextBox TRunString::Measure(TCanvas* c) const {
  TextBox b;
  TPoint ext = MeasureText(c);
  b.tw = ext.X + 2 * depth_;
  b.th = ext.Y + 2 * depth_;
  b.cx = Width() > b.tw ? (Width() - b.tw) / 2 : 0;
  b.cy = Height() > b.th ? (Height() - b.th) / 2 : 0;
  return b;
}

void TRunString::UpdateLayout() {
  TCanvas* c = buffer_->Canvas();
  c->SetFont(rFont_.get());
  box_ = Measure(c);
  measured_ = true;
  lineStale_ = true;
  steps_ = std::max(1, box_.tw + Width());
  Invalidate();
}

TPoint TRunString::TextOrigin(const TextBox& b) const {
  const int W = Width(), H = Height();
  const double f = double(designing() ? stepToView_ : position_) / double(std::max(1, steps_));
  switch (direction_) {
    case rdRightToLeft: return Point(Round((1.0 - f) * (b.tw + W)) - b.tw, b.cy);
    case rdLeftToRight: return Point(Round(f * (b.tw + W)) - b.tw, b.cy);
    case rdTopToBottom: return Point(b.cx, Round((1.0 - f) * (b.th + H)) - b.th);
    case rdBottomToTop: return Point(b.cx, Round(f * (b.th + H)) - b.th);
    default: return Point(b.cx, b.cy);   // standing, also for unknown values
  }
}

void TRunString::Paint() {
  if (!Visible()) return;
  TCanvas* target = Canvas();
  const int W = Width(), H = Height();
  if (!target || W <= 0 || H <= 0) return;
  if (buffer_->Width() != W || buffer_->Height() != H) {
    buffer_->SetSize(W, H);
    drawn_.valid = false;
  }
  TCanvas* c = buffer_->Canvas();
  // The sizes of the last layout (measured here when none ran yet); the
  // centring follows the current size.
  if (!measured_) {
    c->SetFont(rFont_.get());
    box_ = Measure(c);
    measured_ = true;
  }
  TextBox b = box_;
  b.cx = W > b.tw ? (W - b.tw) / 2 : 0;
  b.cy = H > b.th ? (H - b.th) / 2 : 0;
  // Laid out again only after a change (comparing a long text on every
  // step would cost in proportion to its length).
  if (lineStale_) {
    line_.Layout(rText_, rFont_.get());
    lineStale_ = false;
  }

  const TPoint o = TextOrigin(b);
  const int x = o.X, y = o.Y, d = depth_;
  // Fills r with the background and draws the three passes inside it.
  auto drawArea = [&](const TRect& r) {
    if (r.Right <= r.Left || r.Bottom <= r.Top) return;
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(r);
    auto pass = [&](int px, int py, TColor color) { line_.Draw(c, px, py, color, r); };
    switch (labelStyle_) {
      case rlRaised:
        pass(x, y, colorH_);
        pass(x + 2 * d, y + 2 * d, colorS_);
        break;
      case rlLowered:
        pass(x, y, colorS_);
        pass(x + 2 * d, y + 2 * d, colorH_);
        break;
      default: break;
    }
    pass(x + d, y + d, rFont_->Color());
  };

  // The picture of the previous paint is moved with the text and only the
  // strips it uncovers are drawn, while nothing else about it changed.
  const Drawn now{true, x, y, Color(), colorH_, colorS_, rFont_->Color(), labelStyle_, d, line_.Generation()};
  const int dx = x - drawn_.x, dy = y - drawn_.y;
  if (now.sameLook(drawn_) && std::abs(dx) < W && std::abs(dy) < H) {
    ScrollBitmap(buffer_.get(), dx, dy);
    const TRect cols = dx > 0 ? Rect(0, 0, dx, H) : Rect(W + dx, 0, W, H);
    if (dx != 0) drawArea(cols);
    // Rows uncovered, less the columns just drawn.
    const int l = dx > 0 ? dx : 0, r = dx < 0 ? W + dx : W;
    if (dy > 0) drawArea(Rect(l, 0, r, dy));
    if (dy < 0) drawArea(Rect(l, H + dy, r, H));
  } else {
    drawArea(Rect(0, 0, W, H));
  }
  drawn_ = now;

  target->Draw(0, 0, buffer_.get());
}

int TRunString::TimerInterval() const { return std::max(speed_, int(FrameMs)); }

void TRunString::TimerFired() {
  if (speed_ >= FrameMs) {
    TimerTick();
    return;
  }
  // Faster than a frame: every tick due since the last wake runs now, each
  // as a tick of its own; the strip is painted once, after them. After a
  // stall (a modal loop, a busy machine) at most two frames of ticks are
  // made up, as missed timer ticks are not queued either.
  const int64_t now = FrameClock();
  int64_t due = (now - tickClock_) / speed_;
  if (due < 1) return;
  const int64_t most = 2 * FrameMs / speed_;
  if (due > most) {
    due = most;
    tickClock_ = now;
  } else {
    tickClock_ += due * speed_;
  }
  batching_ = true;
  for (int64_t k = 0; k < due && timer_->Enabled(); ++k) TimerTick();
  batching_ = false;
  if (paintPending_ && Visible()) {
    paintPending_ = false;
    lastPaint_ = now;
    Repaint();
  }
}

void TRunString::TimerTick() {
  if (!timer_->Enabled()) return;
  if (position_ == 0 && OnBegin) Dispatch([this] { OnBegin(this); });
  position_ += oneStep_;
  // The step is painted at once unless a paint was made less than a frame
  // ago; then the next tick after the frame paints the position it reached.
  const int64_t now = batching_ ? lastPaint_ : FrameClock();
  if (!batching_ && (now - lastPaint_ >= FrameMs || now < lastPaint_)) {
    lastPaint_ = now;
    paintPending_ = false;
    Repaint();
  } else {
    paintPending_ = true;
  }
  if (OnStep) Dispatch([this] { OnStep(this); });
  if (position_ >= steps_) {
    if (!autoRewind_) timer_->SetEnabled(false);
    if (OnEnd) Dispatch([this] { OnEnd(this); });
    position_ = 0;
  }
}
