#pragma once
// An analog clock drawn on a bevelled panel: hour and minute marks in four
// styles, hour, minute and second hands drawn as lines, a centre disc; driven
// by its own 100 ms timer, showing the current time or a fixed time, shifted
// by an offset in minutes, with events at each new second, minute and hour and
// when the time equals the set time.
//
// Painting happens in paint events only: the tick works out the hands'
// positions and invalidates the boxes of the hands that moved; a paint draws
// the face and the hands at their current positions.
#include <functional>
#include <memory>
#include "toolkit/ExtCtrls.h"

class TTimer;

enum THrStyle : int { hsLine, hsCircle, hsNumber, hsNumInCir };
enum THrMarks : int { hmNone, hmFour, hmAll };
using TNotifyTime = std::function<void(TObject* Sender, int Hour, int Minute, int Second)>;

class TPLNClock : public TPanel {
 public:
  explicit TPLNClock(TComponent* AOwner);
  ~TPLNClock() override;

  // Moves the dial centre up to leave room for a text line below (no text is
  // drawn).
  bool Date() const { return date_; }
  void SetDate(bool v) { setAndInvalidate(date_, v); }
  // Runs on the current time; False shows TimeSet and stops the timer.
  bool ClockEnabled() const { return clockEnabled_; }
  void SetClockEnabled(bool v);
  TDateTime TimeSet() const { return timeSet_; }
  void SetTimeSet(TDateTime v);
  int TimeOffset() const { return timeOffset_; }   // minutes
  void SetTimeOffset(int v);
  bool SpiderClock() const { return spiderClock_; }
  void SetSpiderClock(bool v) { setAndInvalidate(spiderClock_, v); }
  bool SecJump() const { return secJump_; }
  void SetSecJump(bool v) { secJump_ = v; }
  bool Seconds() const { return seconds_; }
  void SetSeconds(bool v) { setAndInvalidate(seconds_, v); }
  bool MinMarks() const { return minMarks_; }
  void SetMinMarks(bool v) { setAndInvalidate(minMarks_, v); }
  THrStyle HrStyle() const { return hrStyle_; }
  void SetHrStyle(THrStyle v) { setAndInvalidate(hrStyle_, v); }
  THrStyle MinStyle() const { return minStyle_; }
  void SetMinStyle(THrStyle v) { setAndInvalidate(minStyle_, v); }
  THrMarks HrMarks() const { return hrMarks_; }
  void SetHrMarks(THrMarks v) { setAndInvalidate(hrMarks_, v); }
  int HrSize() const { return hrSize_; }
  void SetHrSize(int v) { setAndInvalidate(hrSize_, v); }
  int MinSize() const { return minSize_; }
  void SetMinSize(int v) { setAndInvalidate(minSize_, v); }
  int MinFontSize() const { return minFontSize_; }
  void SetMinFontSize(int v) { setAndInvalidate(minFontSize_, v); }
  TColor ColorHr() const { return colorHr_; }
  void SetColorHr(TColor v) { setAndInvalidate(colorHr_, v); }
  TColor ColorHrIn() const { return colorHrIn_; }
  void SetColorHrIn(TColor v) { setAndInvalidate(colorHrIn_, v); }
  TColor ColorMin() const { return colorMin_; }
  void SetColorMin(TColor v) { setAndInvalidate(colorMin_, v); }
  TColor ColorMinIn() const { return colorMinIn_; }
  void SetColorMinIn(TColor v) { setAndInvalidate(colorMinIn_, v); }
  TColor ColorHandHr() const { return colorHandHr_; }
  void SetColorHandHr(TColor v) { setAndInvalidate(colorHandHr_, v); }
  TColor ColorHandMin() const { return colorHandMin_; }
  void SetColorHandMin(TColor v) { setAndInvalidate(colorHandMin_, v); }
  TColor ColorHandSec() const { return colorHandSec_; }
  void SetColorHandSec(TColor v) { setAndInvalidate(colorHandSec_, v); }
  uint8_t WidthHandSec() const { return widthHandSec_; }
  void SetWidthHandSec(uint8_t v) { setAndInvalidate(widthHandSec_, v); }
  uint8_t WidthHandMin() const { return widthHandMin_; }
  void SetWidthHandMin(uint8_t v) { setAndInvalidate(widthHandMin_, v); }
  uint8_t WidthHandHr() const { return widthHandHr_; }
  void SetWidthHandHr(uint8_t v) { setAndInvalidate(widthHandHr_, v); }
  uint8_t WidthHr() const { return widthHr_; }
  void SetWidthHr(uint8_t v) { setAndInvalidate(widthHr_, v); }
  uint8_t WidthMin() const { return widthMin_; }
  void SetWidthMin(uint8_t v) { setAndInvalidate(widthMin_, v); }
  uint8_t CenterSize() const { return centerSize_; }   // 0 = no disc
  void SetCenterSize(uint8_t v) { setAndInvalidate(centerSize_, v); }
  TColor CenterCol() const { return centerCol_; }
  void SetCenterCol(TColor v) { setAndInvalidate(centerCol_, v); }

  TNotifyTime OnChangeSec, OnChangeMin, OnChangeHour;
  TNotifyEvent OnSameTime;

  // The 100 ms tick (also run by the setters that move the hands).
  void Tick();
  TTimer* Timer() const { return timer_.get(); }
  // The current time; Now unless a test replaces it.
  std::function<TDateTime()> TimeSource;

  // Geometry and hand positions (units of 1/6000 of a turn).
  struct TGeometry { int CX = 0, CY = 0, RX = 0, RY = 0, R = 0; };
  TGeometry Geometry() const;
  int HourPos() const { return hourPos_; }
  int MinutePos() const { return minPos_; }
  int SecondPos() const { return secPos_; }
  // The point at distance d along position u (1/6000 of a turn).
  static TPoint PointAt(const TGeometry& g, int u, double d);
  String ClassName() const override { return "TPLNClock"; }

 protected:
  void Paint() override;
  void Resize() override;

 private:
  template <class T>
  void setAndInvalidate(T& field, T v) {
    field = v;
    Invalidate();
  }
  TDateTime now() const;
  void paintMarks(TCanvas* c, const TGeometry& g);
  void paintMark(TCanvas* c, const TGeometry& g, int u, THrStyle style, int size, TColor pen, TColor fill, int width,
                 int number, int fontSize);
  void paintHands(TCanvas* c, const TGeometry& g);
  TRect handBox(const TGeometry& g, int u, int from, int to, int tail, int width) const;

  std::unique_ptr<TTimer> timer_;
  bool date_ = false, clockEnabled_ = true, spiderClock_ = true, secJump_ = false, seconds_ = true,
       minMarks_ = true;
  TDateTime timeSet_ = 0;
  int timeOffset_ = 0;
  THrStyle hrStyle_ = hsLine, minStyle_ = hsLine;
  THrMarks hrMarks_ = hmAll;
  int hrSize_ = 12, minSize_ = 7, minFontSize_ = 7;
  TColor colorHr_ = clRed, colorHrIn_ = clYellow, colorMin_ = clBlue, colorMinIn_ = clYellow,
         colorHandHr_ = clRed, colorHandMin_ = clBlue, colorHandSec_ = clPurple, centerCol_ = clPurple;
  uint8_t widthHandSec_ = 1, widthHandMin_ = 3, widthHandHr_ = 5, widthHr_ = 2, widthMin_ = 1, centerSize_ = 5;
  int hourPos_ = 0, minPos_ = 0, secPos_ = 0;
  int lastSec_ = 0, lastMin_ = 0, lastHour_ = 0, lastJumpSec_ = -1;
  int redraw_ = 50;
  bool secDrawn_ = false;
};
