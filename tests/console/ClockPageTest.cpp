// The clock page: the Sekundomer with an injected tick source (its states,
// its two routines and its edge cases), the clock's settings reaching the
// clock, the background picture choice, and the clock's layout section.
#include <gtest/gtest.h>

#include "ConsoleFixture.h"
#include "controls/DialClock.h"
#include "controls/Label3D.h"
#include "controls/ThreadTimer.h"
#include "platform/IniFile.h"
#include "toolkit/Timer.h"

namespace {

class ClockPageTest : public ConsoleFixture {
 protected:
  TFormMain* Start() {
    TFormMain* f = Create();
    f->TickSource = [this] { return tick_; };
    f->DialClock1->Timer()->SetEnabled(false);
    return f;
  }
  // Runs the Sekundomer's timer for ms milliseconds in 240 ms steps.
  void Run(TFormMain* f, int64_t ms) {
    const int64_t end = tick_ + ms;
    while (tick_ < end) {
      tick_ = std::min(end, tick_ + 240);
      if (f->TimerSekundomer->Enabled()) f->TimerSekundomerTimer(f->TimerSekundomer);
    }
  }
  String Shown(TFormMain* f) { return f->LabelSekundomer->Caption(); }
  // Buttons and edits: play, pause, reset, edit, presets, timer.
  String State(TFormMain* f) {
    String s;
    for (bool b : {f->btSekPlay->Enabled(), f->btSekStop->Enabled(), f->btSekReset->Enabled(),
                   f->meSekundomer->Enabled(), f->comboSekundomer->Enabled(), f->TimerSekundomer->Enabled()})
      s += b ? '1' : '0';
    return s;
  }
  int64_t tick_ = 5000000;
};

TEST_F(ClockPageTest, FormatAndParse) {
  const struct { int64_t ms; const char* text; } formats[] = {
      {0, "00:00.00"}, {61000, "00:01.01"}, {61999, "00:01.01"}, {3600000, "01:00.00"}, {100LL * 3600000, "00:00.00"},
      {(99LL * 3600 + 59 * 60 + 59) * 1000, "99:59.59"}};
  for (const auto& c : formats) EXPECT_EQ(TFormMain::FormatSekundomerTime(c.ms), c.text) << c.ms;
  const struct { const char* text; int64_t s; } parses[] = {
      {"00:10.00", 600}, {"01:02.03", 3723}, {"_1:__.05", 5}, {"5.07", 307}, {"", 0}, {"ab:cd.ef", 0}};
  for (const auto& c : parses) EXPECT_EQ(TFormMain::ParseSekundomerTime(c.text), c.s) << c.text;
}

TEST_F(ClockPageTest, ButtonsAndEditsFollowTheState) {
  TFormMain* f = Start();
  EXPECT_EQ(State(f), "100110");   // reset
  f->btSekPlay->Click();
  EXPECT_EQ(State(f), "010001");   // running
  f->btSekStop->Click();
  EXPECT_EQ(State(f), "101000");   // paused
  f->btSekPlay->Click();
  EXPECT_EQ(State(f), "010001");
  f->btSekStop->Click();
  f->btSekReset->Click();
  EXPECT_EQ(State(f), "100110");
  f->cbSekTimer->SetChecked(true);
  f->meSekundomer->SetText("00:00.05");
  f->btSekPlay->Click();
  Run(f, 6000);
  EXPECT_EQ(State(f), "001000");   // a finished count-down
  EXPECT_EQ(Shown(f), "00:00.00");
}

TEST_F(ClockPageTest, CountDownFromZeroRunsSixtyOneSeconds) {
  TFormMain* f = Start();
  f->cbSekTimer->SetChecked(true);
  f->btSekPlay->Click();
  EXPECT_EQ(f->meSekundomer->Text(), "00:01.00");
  Run(f, 240);
  EXPECT_EQ(Shown(f), "00:01.00");
  Run(f, 60500);
  EXPECT_TRUE(f->TimerSekundomer->Enabled());
  Run(f, 500);
  EXPECT_FALSE(f->TimerSekundomer->Enabled());
  EXPECT_EQ(Shown(f), "00:00.00");
}

TEST_F(ClockPageTest, CountUpStartsAtItsPresetAndPausesAreSkipped) {
  TFormMain* f = Start();
  f->meSekundomer->SetText("00:10.00");
  f->btSekPlay->Click();
  Run(f, 240);
  EXPECT_EQ(Shown(f), "00:10.00");
  Run(f, 3000);
  EXPECT_EQ(Shown(f), "00:10.03");
  f->btSekStop->Click();
  tick_ += 5000;
  f->btSekPlay->Click();
  Run(f, 240);
  EXPECT_EQ(Shown(f), "00:10.03");
}

TEST_F(ClockPageTest, ARunStartedAtTickZeroIsNoReset) {
  TFormMain* f = Start();
  tick_ = 0;
  f->btSekPlay->Click();   // a count-up from 00:00.00 starts at tick 0
  Run(f, 4000);
  f->btSekStop->Click();
  tick_ += 10000;
  f->btSekPlay->Click();
  Run(f, 240);
  EXPECT_EQ(Shown(f), "00:00.04");
}

TEST_F(ClockPageTest, HoursWrapAtOneHundred) {
  TFormMain* f = Start();
  f->btSekPlay->Click();
  tick_ += 100LL * 3600000 + 7000;
  f->TimerSekundomerTimer(f->TimerSekundomer);
  EXPECT_EQ(Shown(f), "00:00.07");
}

TEST_F(ClockPageTest, SwitchingCountdownDuringARun) {
  // On during a count-up from P: P minus the time run. Off again: the time run.
  TFormMain* f = Start();
  f->meSekundomer->SetText("00:10.00");
  f->btSekPlay->Click();
  Run(f, 20000);
  EXPECT_EQ(Shown(f), "00:10.20");
  f->cbSekTimer->SetChecked(true);
  Run(f, 240);
  EXPECT_EQ(Shown(f), "00:09.39");
  EXPECT_TRUE(f->TimerSekundomer->Enabled());
  f->cbSekTimer->SetChecked(false);
  Run(f, 240);
  EXPECT_EQ(Shown(f), "00:00.20");
  // A run started counting down: off shows the time run, on again the rest.
  f->btSekStop->Click();
  f->btSekReset->Click();
  f->cbSekTimer->SetChecked(true);
  f->btSekPlay->Click();
  Run(f, 5000);
  EXPECT_EQ(Shown(f), "00:09.55");
  f->cbSekTimer->SetChecked(false);
  Run(f, 240);
  EXPECT_EQ(Shown(f), "00:00.05");
  f->cbSekTimer->SetChecked(true);
  Run(f, 240);
  EXPECT_EQ(Shown(f), "00:09.54");
}

TEST_F(ClockPageTest, PresetsFillTheEditAndTheLabel) {
  TFormMain* f = Start();
  f->comboSekundomer->SetItemIndex(4);
  f->comboSekundomerChange(f->comboSekundomer);
  EXPECT_EQ(f->meSekundomer->Text(), "00:30.00");
  EXPECT_EQ(Shown(f), "00:30.00");
  f->comboSekundomerDropDown(f->comboSekundomer);
  EXPECT_FALSE(f->meSekundomer->Visible());
  EXPECT_EQ(f->comboSekundomer->Width(), f->meSekundomer->Width() + 22);
  f->comboSekundomerCloseUp(f->comboSekundomer);
  EXPECT_TRUE(f->meSekundomer->Visible());
  EXPECT_EQ(f->comboSekundomer->Left(), f->meSekundomer->Left() + f->meSekundomer->Width());
}

TEST_F(ClockPageTest, SettingsReachTheClock) {
  TFormMain* f = Start();
  TDialClock* d = f->DialClock1;
  f->cbClockText->SetItemIndex(2);
  f->cbClockTextChange(f->cbClockText);
  EXPECT_EQ(d->TextType(), 2);
  f->cbClockfaceEnable->SetChecked(false);
  EXPECT_FALSE(d->AnalogFaceEnabled());
  f->cbClockCircle->SetChecked(false);
  EXPECT_FALSE(d->ClockCircle());
  f->seClockMinLen->SetValue(80);
  EXPECT_EQ(d->Dot_Len(), 80);
  f->seCentrRadius->SetValue(12);
  EXPECT_EQ(d->HourCenter_Radius(), 12);
  f->cbClockAnalog->SetChecked(false);
  EXPECT_FALSE(d->Visible());
  f->cbSekundomer->SetChecked(false);
  EXPECT_FALSE(f->LabelSekundomer->Visible());
  // Each swatch sets its colour.
  const struct { TPanel* swatch; std::function<TColor()> got; } swatches[] = {
      {f->PanelColorClockFon, [&] { return d->Color(); }},   {f->PanelColorMinDot, [&] { return d->DotsColor(); }},
      {f->PanelColor5Min, [&] { return d->DotsBColor(); }},    {f->PanelColorMinlen, [&] { return d->DotsLColor(); }},
      {f->PanelColorStrelok, [&] { return d->HandColor(); }}, {f->PanelColorStrelokSec, [&] { return d->HandSecColor(); }}};
  TColor next = 0x102030;
  CommonDialogHook = [&](TCommonDialog* dlg) {
    static_cast<TColorDialog*>(dlg)->Color = next;
    return true;
  };
  for (const auto& s : swatches) {
    s.swatch->Click();
    EXPECT_EQ(s.got(), next) << s.swatch->Name();
    EXPECT_EQ(s.swatch->Color(), next);
    next += 0x010101;
  }
  EXPECT_EQ(f->PanelCircleClock->Color(), 0x102030);
  CommonDialogHook = nullptr;
}

TEST_F(ClockPageTest, ImageIsChosenOnlyWhileItsFileExists) {
  TFormMain* f = Start();
  const String pic = app_ + "Views/fon.bmp";
  f->eClockPicName->SetText(pic);
  f->UpdateClockPicEnabled();
  EXPECT_FALSE(f->rbClockFonPic->Enabled());
  TBitmap bmp(8, 6);
  bmp.Fill(clLime);
  bmp.SaveToFile(pic);
  f->eClockPicNameExit(f->eClockPicName);
  EXPECT_TRUE(f->rbClockFonPic->Enabled());
  f->rbClockFonPic->SetChecked(true);
  EXPECT_EQ(f->ImageClockFon->Picture()->Width(), 8);
  f->rbClockFonColor->SetChecked(true);
  EXPECT_EQ(f->ImageClockFon->Picture()->Width(), 0);
}

TEST_F(ClockPageTest, TheLayoutCarriesTheClockAndItsControls) {
  TFormMain* f = Start();
  TDialClock* d = f->DialClock1;
  d->SetDotsColor(clRed);
  d->SetHandSecColor(clAqua);
  f->PanelCircleClock->SetColor(clNavy);
  f->cbClockText->SetItemIndex(2);
  f->cbClockTextChange(f->cbClockText);
  f->cbClockCircle->SetChecked(false);
  f->seClockMinLen->SetValue(70);
  f->seCentrRadius->SetValue(9);
  d->Font()->SetSize(15);
  const String file = app_ + "Views/clock.txt";
  ASSERT_TRUE(f->SaveTabloLayout(file));
  TIniDocument doc(file);
  String sec;
  for (const String& s : doc.ReadSections())
    if (doc.ReadString(s, "Name", "") == "DialClock1") sec = s;
  ASSERT_FALSE(sec.empty());
  EXPECT_EQ(doc.ReadString(sec, "ColorFon", ""), "0,0,128");
  EXPECT_EQ(doc.ReadString(sec, "Round", ""), "False");
  EXPECT_EQ(doc.ReadInteger(sec, "Fon", -1), 0);

  d->SetDotsColor(clWhite);
  d->SetHandSecColor(clWhite);
  f->PanelCircleClock->SetColor(clBlack);
  f->cbClockText->SetItemIndex(1);
  f->cbClockTextChange(f->cbClockText);
  f->cbClockCircle->SetChecked(true);
  f->seClockMinLen->SetValue(100);
  f->seCentrRadius->SetValue(6);
  d->Font()->SetSize(9);
  ASSERT_TRUE(f->LoadTabloLayout(file)) << f->LayoutLoadMessage;
  EXPECT_EQ(d->DotsColor(), clRed);
  EXPECT_EQ(f->PanelColorMinDot->Color(), clRed);
  EXPECT_EQ(d->HandSecColor(), clAqua);
  EXPECT_EQ(d->Color(), clNavy);
  EXPECT_EQ(f->PanelColorClockFon->Color(), clNavy);
  EXPECT_EQ(d->TextType(), 2);
  EXPECT_EQ(f->cbClockText->ItemIndex(), 2);
  EXPECT_FALSE(d->ClockCircle());
  EXPECT_FALSE(f->cbClockCircle->Checked());
  EXPECT_EQ(d->Dot_Len(), 70);
  EXPECT_EQ(f->seCentrRadius->Value(), 9);
  EXPECT_EQ(d->Font()->Size(), 15);
}

}  // namespace
