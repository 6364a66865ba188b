#pragma once
// The clock of the scoreboard's clock page: the time of day as an analog face
// (minute dots, five-minute marks, lines towards the centre, numerals, hour and
// minute hands in three shapes, a centre disc, an inverting second hand, an
// optional background picture) or as digital text; a 250 ms tick, an alarm
// and an event at every new minute.
//
// Painting happens in paint events only and always draws the displayed time in
// full (clipped to the area being repainted). The tick works out what changed
// and invalidates just that: the second hand's old and new box, the whole face
// once a minute, the digit cells whose digits changed.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>
#include "toolkit/Controls.h"

class TThreadTimer;

enum TShowClock : int { scDigital, scAnalog };

class TDialClock : public TGraphicControl {
 public:
  explicit TDialClock(TComponent* AOwner);
  ~TDialClock() override;

  // The circle table: 60 points, k = 0 at twelve o'clock, clockwise, in
  // 1/8000 of the radius, y growing downwards.
  static const std::array<std::array<int16_t, 2>, 60> CircleTable;
  // The screen width the dot size is measured against: the toolkit's Screen
  // width, taken once; a test may set it (at least 1 is used).
  static int ScreenWidth();
  static void SetScreenWidth(int w);

  bool AlarmEnabled() const { return alarmEnabled_; }
  void SetAlarmEnabled(bool v) { alarmEnabled_ = v; }
  uint8_t AlarmHour() const { return uint8_t(alarmMs_ / 3600000); }
  uint8_t AlarmMinute() const { return uint8_t(alarmMs_ / 60000 % 60); }
  uint8_t AlarmSecond() const { return uint8_t(alarmMs_ / 1000 % 60); }
  // EConvertError "'h:m:s' is not a valid time" for an hour above 23 or a
  // minute or second above 59; the alarm then stays as it was.
  void SetAlarmHour(uint8_t v) { setAlarmPart(1, v); }
  void SetAlarmMinute(uint8_t v) { setAlarmPart(2, v); }
  void SetAlarmSecond(uint8_t v) { setAlarmPart(3, v); }
  bool AlarmArmed() const { return armed_; }
  // Stored only; nothing is resized.
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);
  TPicture* Picture() const { return picture_.get(); }
  void SetPicture(const TPicture* p);
  TColor HandColor() const { return handColor_; }
  void SetHandColor(TColor v) { setColorProp(handColor_, v); }
  TColor HandSecColor() const { return handSecColor_; }
  void SetHandSecColor(TColor v) { setColorProp(handSecColor_, v); }
  TColor DotsColor() const { return dotsColor_; }
  void SetDotsColor(TColor v) { setColorProp(dotsColor_, v); }
  TColor DotsBColor() const { return dotsBColor_; }
  void SetDotsBColor(TColor v) { setColorProp(dotsBColor_, v); }
  TColor DotsLColor() const { return dotsLColor_; }
  void SetDotsLColor(TColor v) { setColorProp(dotsLColor_, v); }
  // Hand shapes: 0 diamond, 1 bar, 2 triangle, other values no hand.
  uint8_t Hand_Hour() const { return handHour_; }
  void SetHand_Hour(uint8_t v);
  uint8_t Hand_Min() const { return handMin_; }
  void SetHand_Min(uint8_t v);
  // End of the minute lines in percent of the radius (100: no line).
  int Dot_Len() const { return dotLen_; }
  void SetDot_Len(int v);
  // Radius of the centre disc in percent of the radius; 0 = none.
  uint8_t HourCenter_Radius() const { return centerRadius_; }
  void SetHourCenter_Radius(uint8_t v);
  bool AnalogFaceEnabled() const { return faceEnabled_; }
  void SetAnalogFaceEnabled(bool v);
  bool ClockCircle() const { return clockCircle_; }
  void SetClockCircle(bool v);
  TShowClock ShowMode() const { return showMode_; }
  void SetShowMode(TShowClock v);
  bool ShowSeconds() const { return showSeconds_; }
  void SetShowSeconds(bool v);
  // Numerals: 0 none, 1 Arabic, 2 Roman, any other value Arabic.
  uint8_t TextType() const { return textType_; }
  void SetTextType(uint8_t v);
  uint8_t WidthSecHour() const { return widthSecHour_; }
  void SetWidthSecHour(uint8_t v);
  bool TwelveHour() const { return twelveHour_; }
  void SetTwelveHour(bool v);
  bool LeadingZero() const { return leadingZero_; }
  void SetLeadingZero(bool v);
  // No background fill: the parent shows through.
  void SetTransparent(bool v) override;

  TNotifyEvent OnAlarm;
  TNotifyEvent OnNewMinute;

  // The 250 ms tick.
  void TimerExpired(TObject* Sender);
  // After the values of a form are set: re-arms the alarm.
  void Loaded();
  TThreadTimer* Timer() const { return timer_.get(); }
  // The time of day; Now unless a test replaces it.
  std::function<TDateTime()> TimeSource;

  // The displayed time (hour 0..11).
  struct TDisplayed { int Hour = 0, Minute = 0, Second = 0; };
  TDisplayed Displayed() const { return shown_time_.D; }
  // Face geometry for the current size (a full paint and the tick use it).
  struct TFace {
    TRect F;           // face rectangle
    int D = 4, E = 4;  // dot width and height
    int RX = 0, RY = 0, R = 0;
    TPoint C;
  };
  TFace Face() const;
  // Where a hand's polygon lies (hour hand: Hour = true) at position p
  // (0..59); empty for a shape that draws no hand.
  std::vector<TPoint> HandPolygon(bool Hour, int p) const;
  // The second hand's tip at position p.
  TPoint SecondTip(int p) const;
  // The digital text of the displayed time and its layout: L cells of the
  // width of "8", then the am/pm part.
  struct TDigital {
    String Text;
    int L = 0;
    TRect Box;                 // whole text
    std::vector<TRect> Cells;  // the first L characters
    TRect AmPm;
  };
  TDigital Digital() const;
  // The areas the last tick invalidated (empty: nothing changed; the whole
  // client rectangle for a full repaint).
  const std::vector<TRect>& LastTickDamage() const { return damage_; }
  String ClassName() const override { return "TDialClock"; }

 protected:
  void Paint() override;
  void FontChanged() override {
    TGraphicControl::FontChanged();
    Invalidate();
  }
  void TextChanged() override {}   // the caption does not show

 private:
  struct TShownTime {
    TDisplayed D;
    int Hour24 = 0;
    TDateTime Stamp = 0;
  };
  void setAlarmPart(int index, int value);
  void setColorProp(TColor& field, TColor v);
  void rearm(TDateTime now);
  void checkAlarm(TDateTime now);
  TShownTime split(TDateTime t) const;
  TDateTime now() const { return TimeSource ? TimeSource() : Now(); }
  void paintFace(TCanvas* c, const TFace& f, const TRect& clip);
  void paintHand(TCanvas* c, const TFace& f, bool hour, int p);
  void paintSecondHand(TCanvas* c, const TFace& f, int p);
  void paintDigital(TCanvas* c);
  TRect secondHandBox(const TFace& f, int p) const;
  TDigital digitalFor(const TShownTime& t, TCanvas* measure) const;
  void damage(const TRect& r);
  void damageAll();

  std::unique_ptr<TThreadTimer> timer_;
  std::unique_ptr<TPicture> picture_;
  std::unique_ptr<TCanvas> measure_;
  bool alarmEnabled_ = false, armed_ = false, autoSize_ = false;
  int alarmMs_ = 0;   // alarm as milliseconds of the day
  TColor handColor_ = clWhite, handSecColor_ = clWhite, dotsColor_ = clWhite, dotsBColor_ = clWhite,
         dotsLColor_ = clWhite;
  uint8_t handHour_ = 0, handMin_ = 0, centerRadius_ = 10, textType_ = 1, widthSecHour_ = 1;
  int dotLen_ = 100;
  bool faceEnabled_ = true, clockCircle_ = true, showSeconds_ = true, twelveHour_ = false, leadingZero_ = true;
  TShowClock showMode_ = scAnalog;
  TShownTime shown_time_;
  bool newMinute_ = false;
  TDateTime lastTick_ = 0;
  int lastDay_ = -1;
  std::vector<TRect> damage_;
  static int screenWidth_;
};
