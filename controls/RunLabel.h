#pragma once
// Running text: one line that travels across (or up or down through) a strip,
// one step every few milliseconds, drawn with a relief in three passes on an
// off-screen bitmap. The line is laid out once per text and font, and a paint
// moves the previous picture and draws only the glyphs it uncovers, so a step
// costs the same for ten characters or a hundred thousand. The position
// advances on every tick of Speed ms; the timer wakes and the strip is
// painted at most once per display frame, running the ticks due since.
#include <memory>
#include "toolkit/Controls.h"
#include "toolkit/TextLine.h"

class TTimer;

// Stored values may be any number, so each type takes every int value.
enum TRLabelStyle : int { rlNormal, rlRaised, rlLowered };
// The motion of the text.
enum TRDirection : int {
  rdStatic,        // stands centred
  rdRightToLeft,   // enters at the right edge, leaves at the left edge
  rdLeftToRight,   // enters at the left edge, leaves at the right edge
  rdTopToBottom,   // enters at the bottom edge and moves up, leaves at the top
  rdBottomToTop    // enters at the top edge and moves down, leaves at the bottom
};

class TRunString : public TGraphicControl {
 public:
  explicit TRunString(TComponent* AOwner);
  ~TRunString() override;

  // Stored defaults where they differ from the constructor's values (the
  // constructor's values are what a new control gets).
  static constexpr int DefaultSteps = 96;
  static constexpr int DefaultSpeed = 1;
  // The shortest time between two paints of the strip: one frame of a 60 Hz
  // display. Faster ticks move the text on without painting each step.
  static constexpr int FrameMs = 16;

  // Makes Pos the run position when it lies in 0 .. Steps (otherwise the
  // position stays), then runs the timer.
  void Start(int Pos);
  // Stops the timer and returns the run position (Start with it resumes).
  int Stop();
  int GetPosition() const { return position_; }
  bool IsRunning() const;

  TRLabelStyle LabelStyle() const { return labelStyle_; }
  void SetLabelStyle(TRLabelStyle v);
  // Relief offset in pixels.
  int Depth() const { return depth_; }
  void SetDepth(int v);
  // Length of one run in positions; never below 1.
  int Steps() const { return steps_; }
  virtual void SetSteps(int v);
  // Positions advanced per tick; 0 becomes 1, a negative value runs backwards.
  int OneStep() const { return oneStep_; }
  void SetOneStep(int v);
  // Tick interval in milliseconds, kept to 1 .. 1000.
  int Speed() const { return speed_; }
  void SetSpeed(int v);
  // Background of the strip.
  void SetColor(TColor c) override;
  TColor ColorH() const { return colorH_; }
  void SetColorH(TColor v);
  TColor ColorS() const { return colorS_; }
  void SetColorS(TColor v);
  // Font of the running text; its colour is the colour of the text itself.
  TFont* RFont() const { return rFont_.get(); }
  void SetRFont(const TFont* f);
  // The run starts over by itself when it ends.
  bool AutoRewind() const { return autoRewind_; }
  void SetAutoRewind(bool v) { autoRewind_ = v; }
  // Takes effect at the next paint.
  TRDirection Direction() const { return direction_; }
  void SetDirection(TRDirection v) { direction_ = v; }
  const String& RText() const { return rText_; }
  void SetRText(const String& v);
  // The position shown while the form is being designed.
  int StepToView() const { return stepToView_; }
  void SetStepToView(int v);

  // At the first tick of a run.
  TNotifyEvent OnBegin;
  // After every step has been painted.
  TNotifyEvent OnStep;
  // When a run reaches its end (the position goes back to 0 afterwards).
  TNotifyEvent OnEnd;

  String ClassName() const override { return "TRunString"; }

 protected:
  void Paint() override;
  // The timer's tick: OnBegin at position 0, advance, paint, OnStep, and at
  // the end of the run OnEnd and back to position 0.
  void TimerTick();
  // The timer woke: one tick, or for speeds faster than a frame every tick
  // due since the last wake, then one paint.
  void TimerFired();
  // The timer wakes every Speed ms, but at most once a frame.
  int TimerInterval() const;
  // Width and height of RText in the canvas's font.
  virtual TPoint MeasureText(TCanvas* c) const;
  // The clock that paces the paints (steady milliseconds).
  virtual int64_t FrameClock() const;
  // Text size with the relief (tw, th) and the centring offsets (cx, cy).
  struct TextBox {
    int tw = 0, th = 0, cx = 0, cy = 0;
  };
  TextBox Measure(TCanvas* c) const;
  // Where the text lies for the current position (or StepToView while designing).
  TPoint TextOrigin(const TextBox& box) const;
  // Re-measures the text, derives Steps from it and repaints.
  void UpdateLayout();
  TTimer* Timer() const { return timer_.get(); }

 private:
  bool designing() const { return ComponentState().Contains(csDesigning); }

  TRLabelStyle labelStyle_ = rlRaised;
  int depth_ = 1;
  int steps_ = 0;
  int oneStep_ = 1;
  int speed_ = 10;
  TColor colorH_ = clBlue, colorS_ = clBlue;
  std::unique_ptr<TFont> rFont_;
  bool autoRewind_ = true;
  TRDirection direction_ = rdRightToLeft;
  String rText_ = "Running label";
  int stepToView_ = 0;
  int position_ = 0;
  TextBox box_;                        // from the last layout
  bool measured_ = false;
  TTextLine line_;                     // RText laid out in RFont
  bool lineStale_ = true;              // RText or RFont may have changed since
  int64_t lastPaint_ = 0;              // FrameClock of the last tick's paint
  bool paintPending_ = false;          // a tick moved the text since then
  bool batching_ = false;              // ticks made up in one wake: no paint each
  int64_t tickClock_ = 0;              // FrameClock when the last tick was due
  std::unique_ptr<TTimer> timer_;
  std::unique_ptr<TBitmap> buffer_;    // the off-screen picture, reused between paints
  // What the off-screen picture shows: the text's origin and everything
  // else its pixels depend on.
  struct Drawn {
    bool valid = false;
    int x = 0, y = 0;
    TColor color = 0, colorH = 0, colorS = 0, textColor = 0;
    TRLabelStyle style = rlNormal;
    int depth = 0, generation = -1;
    bool sameLook(const Drawn& o) const {
      return valid && o.valid && color == o.color && colorH == o.colorH && colorS == o.colorS &&
             textColor == o.textColor && style == o.style && depth == o.depth && generation == o.generation;
    }
  } drawn_;
};

// The published form of the running text.
class TRunLabel : public TRunString {
 public:
  explicit TRunLabel(TComponent* AOwner) : TRunString(AOwner) {}
  String ClassName() const override { return "TRunLabel"; }
};
