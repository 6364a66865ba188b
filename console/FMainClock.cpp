// Match clock and periods: start, stop, next period, new match and the
// clock tick. TimeStart (Sud_Play's Tag) is the steady tick count at which
// the period's clock would have read 0:00; MatchMinute is eSud_Time's Tag.
// The shown time is always derived from the tick count, never counted up,
// so a late or missed tick loses nothing.
#include <algorithm>
#include "console/FMain.h"
#include "controls/ButtonWithColor.h"
#include "controls/Label3D.h"
#include "toolkit/Timer.h"

namespace {

// The clock field's mask: two minute places, and three from 100 minutes on.
const char* const ClockMask = "!90:00;1; ";
const char* const LongClockMask = "!990:00;1; ";

// The decimal value of a field of the clock's text: leading blanks are
// allowed (the mask's empty places), anything else must be digits.
int ClockField(const String& s) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  const String digits = s.substr(i);
  if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
      digits.size() > 6)
    throw EConvertError("'" + s + "' is not a valid integer value");
  return StrToInt(digits);
}

}  // namespace

void TFormMain::SetClockText(const String& Text) {
  const size_t colon = Text.find(':');
  const bool longTime = colon != String::npos && colon >= 3;
  const String mask = longTime ? LongClockMask : ClockMask;
  if (eSud_Time->EditMask() != mask) {
    eSud_Time->SetMaxLength(longTime ? 6 : 5);
    eSud_Time->SetEditMask(mask);
  }
  eSud_Time->SetText(Text);
}

bool TFormMain::ClockTextSeconds(const String& Text, int64_t& Seconds) {
  const size_t colon = Text.find(':');
  if (colon == String::npos) return false;
  try {
    const int64_t minutes = ClockField(Text.substr(0, colon)), seconds = ClockField(Text.substr(colon + 1));
    if (minutes > 999 || Text.size() - colon - 1 != 2) return false;
    Seconds = minutes * 60 + seconds;
    return Seconds <= 999 * 60 + 59;
  } catch (const EConvertError&) {
    return false;
  }
}

void TFormMain::ShowStoppedTime(const String& Text) {
  int64_t s = 0;
  if (!ClockTextSeconds(Text, s)) return;
  const int64_t minutes = s / 60, seconds = s % 60;
  SetClockText(IntToStr(minutes) + ":" + (seconds < 10 ? "0" : "") + IntToStr(seconds));
  // The minute in play, as the clock's last tick left it.
  if (s > 0) eSud_Time->SetTag(intptr_t(minutes + 1));
  eTablo_Time->SetCaption(eSud_Time->Text());
  eTabloGol_Time->SetCaption(eSud_Time->Text());
}

void TFormMain::TimerIgraTimer(TObject* /*Sender*/) {
  // A kick-off later than now (a clock that was set back) counts as now.
  const int64_t s = std::max<int64_t>(0, TickNow() - TimeStart()) / 1000;
  const int64_t minutes = s / 60;
  const int64_t seconds = s % 60;
  SetClockText(IntToStr(minutes) + ":" + (seconds < 10 ? "0" : "") + IntToStr(seconds));
  eSud_Time->SetTag(intptr_t(minutes + 1));
  eTablo_Time->SetCaption(eSud_Time->Text());
  eTabloGol_Time->SetCaption(eSud_Time->Text());
}

void TFormMain::SetStartFromTime() {
  const String text = eSud_Time->Text();
  const size_t colon = text.find(':');
  if (colon == String::npos) throw EConvertError("'" + text + "' is not a valid time");
  const int64_t minutes = ClockField(text.substr(0, colon));
  const int64_t seconds = ClockField(text.substr(colon + 1));
  SetTimeStart(TickNow() - (minutes * 60 + seconds) * 1000);
}

void TFormMain::Sud_PlayClick(TObject* /*Sender*/) {
  // From zero, or from the time shown (a stopped clock, a typed time).
  if (eSud_Time->Text() == " 0:00")
    SetTimeStart(TickNow());
  else
    SetStartFromTime();
  // Running: the sides are locked, the match's buttons are free.
  Sud_Play->SetEnabled(false);
  Sud_Stop->SetEnabled(true);
  cbSud_Comanda1->SetEnabled(false);
  cbSud_Comanda2->SetEnabled(false);
  for (TControl* c : std::initializer_list<TControl*>{bSud_Zamena1, bSud_Zamena2, bSud_Gol1, bSud_Gol2, bSud_KY1,
                                                      bSud_KR1, bSud_KY2, bSud_KR2})
    c->SetEnabled(true);
  Sud_NextPeriod->SetEnabled(false);
  bTabloStat_New->SetEnabled(false);
  TimerIgra->SetEnabled(true);
  // 3., 4. Time and period on the output.
  ShowTimeLabels(Sud_Stop->Enabled() && seTablo_ShowTime->Checked());
  eTablo_Period->SetVisible(Sud_Stop->Enabled());
  eTabloGol_Period->SetVisible(eTablo_Period->Visible());
  MatchStateChanged();
}

void TFormMain::Sud_StopClick(TObject* /*Sender*/) {
  Sud_Play->SetEnabled(true);
  Sud_Stop->SetEnabled(false);
  ShowTimeLabels(false);
  // A side fixed for good stays locked.
  cbSud_Comanda1->SetEnabled(!cbFixCmd1->Checked());
  cbSud_Comanda2->SetEnabled(true);
  Sud_NextPeriod->SetEnabled(true);
  bTabloStat_New->SetEnabled(true);
  TimerIgra->SetEnabled(false);
  // The time it shows is kept.
  MatchStateChanged();
}

void TFormMain::Sud_NextPeriodClick(TObject* Sender) {
  // Selecting the next period below must not come back here as a change of
  // the combo: one press is one period.
  if (FPeriodChanging) return;
  FPeriodChanging = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{FPeriodChanging};

  // The button advances; past the last period nothing is selected, and
  // the press after that starts again at the first.
  if (Sender != cbSud_Period) {
    const int next = cbSud_Period->ItemIndex() + 1;
    cbSud_Period->SetItemIndex(next < cbSud_Period->Items()->Count() ? next : -1);
  }
  // The period's starting time.
  switch (cbSud_Period->ItemIndex()) {
    case 0: SetClockText("0:00"); break;
    case 1: SetClockText("45:00"); break;
    case 2: SetClockText("0:00"); break;
    case 3: SetClockText("15:00"); break;
    default: break;
  }
  // The output shows the period with the next confirmation.
  MatchStateChanged();
}

void TFormMain::RestoreStoppedMatch() {
  // A clock stopped at the last close was stopped by Stop, which leaves Next
  // and the match's buttons on: a match under way (a time or a period past
  // the first kick-off's) comes back so; one not yet started keeps them off,
  // as at a first start.
  if (MatchClockRunning()) return;
  int64_t s = 0;
  const bool timeRun = ClockTextSeconds(eSud_Time->Text(), s) && s > 0;
  if (!timeRun && cbSud_Period->ItemIndex() == 0) return;
  Sud_NextPeriod->SetEnabled(true);
  for (TControl* c : std::initializer_list<TControl*>{bSud_Zamena1, bSud_Zamena2, bSud_Gol1, bSud_Gol2, bSud_KY1,
                                                      bSud_KR1, bSud_KY2, bSud_KR2})
    c->SetEnabled(true);
}

void TFormMain::ToolButton5Click(TObject* /*Sender*/) {
  if (ShowMessageDlg("New Match. Reset?", mtConfirmation, mbYesNo) != mrYes) return;
  Sud_Stop->Click();
  TimerIgra->SetEnabled(false);
  seSud_Schet2->SetValue(0);
  seSud_Schet1->SetValue(0);
  SetClockText("0:00");
  eSud_Time->SetTag(0);
  cbSud_Period->SetItemIndex(0);
  TabloGol_List->Clear();
  bTabloStat_New->Click();
  bFullOK->Click();
  MatchStateChanged();
}

void TFormMain::ShowTimeLabels(bool Show) {
  eTablo_Time->SetVisible(Show);
  eTabloGol_Time->SetVisible(Show);
  // The output area repaints now, not after the handler (a paint; nothing
  // else runs meanwhile).
  Update();
}
