// Match clock and periods: start, stop, next period, new match and the
// clock tick. TimeStart (Sud_Play's Tag) is the steady tick count of the
// period's kick-off; MatchMinute is eSud_Time's Tag.
#include "console/FMain.h"

void TFormMain::TimerIgraTimer(TObject* /*Sender*/) {
  // One clock tick: eSud_Time, MatchMinute and the time labels from
  // GetTickCount64() - TimeStart() (match clock).
}

void TFormMain::Sud_PlayClick(TObject* /*Sender*/) {
  // Start / continue the clock from the time it shows (match clock).
}

void TFormMain::Sud_StopClick(TObject* /*Sender*/) {
  // Stop the clock (match clock).
}

void TFormMain::Sud_NextPeriodClick(TObject* /*Sender*/) {
  // Next period and its preset time (match clock).
}

void TFormMain::ShowTimeLabels(bool /*Show*/) {
  // Shows or hides eTablo_Time and eTabloGol_Time (match clock).
}
