#include "controls/RunLabel.h"

#include <algorithm>

#include "toolkit/Timer.h"

TRunString::TRunString(TComponent* AOwner)
    : TGraphicControl(AOwner), rFont_(std::make_unique<TFont>()), buffer_(std::make_unique<TBitmap>()) {
  SetBounds(Left(), Top(), 192, 20);
  TControlStyle style = ControlStyle();
  style.Exclude(csOpaque);
  SetControlStyle(style);
  color_ = clBlack;
  steps_ = Width();
  stepToView_ = Width() / 2;
  rFont_->SetName("System");
  rFont_->SetSize(10);
  rFont_->SetColor(clWhite);
  rFont_->OnChange = [this](TObject*) { UpdateLayout(); };
  timer_ = std::make_unique<TTimer>(nullptr);
  timer_->SetEnabled(false);
  timer_->SetInterval(speed_);
  timer_->OnTimer = [this](TObject*) { TimerTick(); };
}

TRunString::~TRunString() {
  timer_->SetEnabled(false);
  timer_->OnTimer = nullptr;
  rFont_->OnChange = nullptr;
}

void TRunString::Start(int Pos) {
  if (Pos >= 0 && Pos <= steps_) position_ = Pos;
  timer_->SetEnabled(true);
}

int TRunString::Stop() {
  timer_->SetEnabled(false);
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
  timer_->SetInterval(speed_);
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
  if (buffer_->Width() != W || buffer_->Height() != H) buffer_->SetSize(W, H);
  TCanvas* c = buffer_->Canvas();
  c->SetFont(rFont_.get());
  const TextBox b = Measure(c);

  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(Rect(0, 0, W, H));

  const TPoint o = TextOrigin(b);
  const int x = o.X, y = o.Y, d = depth_;
  c->Brush()->SetStyle(bsClear);
  auto pass = [&](int px, int py, TColor color) {
    c->Font()->SetColor(color);
    c->TextOut(px, py, rText_);
  };
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

  target->Draw(0, 0, buffer_.get());
}

void TRunString::TimerTick() {
  if (!timer_->Enabled()) return;
  if (position_ == 0 && OnBegin) Dispatch([this] { OnBegin(this); });
  position_ += oneStep_;
  Repaint();
  if (OnStep) Dispatch([this] { OnStep(this); });
  if (position_ >= steps_) {
    if (!autoRewind_) timer_->SetEnabled(false);
    if (OnEnd) Dispatch([this] { OnEnd(this); });
    position_ = 0;
  }
}
