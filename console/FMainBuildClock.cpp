// Design of the clock page: the clock panel with the analogue clock and the
// Sekundomer's label, the clock's settings, the Sekundomer's controls, and the
// panel clock beside the output area.
#include "console/FMain.h"
#include "console/FMainBuildUtil.h"
#include "controls/DialClock.h"
#include "controls/PLNClock.h"
#include "toolkit/Timer.h"

using namespace fmainbuild;

namespace {

TPanel* Swatch(TComponent* owner, TWinControl* parent, const char* name, int l, int t, TColor color) {
  TPanel* p = Make<TPanel>(owner, parent, name, l, t, 36, 19);
  p->SetBevelOuter(bvLowered);
  p->SetCaption("");
  p->SetColor(color);
  p->SetCursor(crHandPoint);
  return p;
}

TLabel* SetLabel(TComponent* owner, TWinControl* parent, const char* name, const char* text, int l, int t, int w) {
  TLabel* L = Make<TLabel>(owner, parent, name, l, t, w, 17);
  L->SetCaption(text);
  return L;
}

TButton* Button(TComponent* owner, TWinControl* parent, const char* name, const char* caption, int l, int t, int w,
                int h = 25) {
  TButton* b = Make<TButton>(owner, parent, name, l, t, w, h);
  b->SetCaption(caption);
  return b;
}

}  // namespace

void TFormMain::BuildClockPage() {
  // ---- the page's display objects ------------------------------------------
  PanelTablo8 = Make<TPanel>(this, Sheet_Clock, "PanelTablo8", 0, 0, 384, 256);
  PanelTablo8->SetColor(clBlack);
  PanelTablo8->SetBevelOuter(bvNone);
  PanelTablo8->SetCaption("");
  PanelCircleClock = Make<TPanel>(this, PanelTablo8, "PanelCircleClock", 0, 0, 384, 256);
  PanelCircleClock->SetAlign(alClient);
  PanelCircleClock->SetColor(clBlack);
  PanelCircleClock->SetBevelOuter(bvNone);
  PanelCircleClock->SetCaption("");
  ImageClockFon = Make<TImage>(this, PanelCircleClock, "ImageClockFon", 0, 0, 384, 256);
  ImageClockFon->SetAlign(alClient);
  ImageClockFon->SetStretch(true);

  DialClock1 = Make<TDialClock>(this, PanelCircleClock, "DialClock1", 0, 0, 384, 256);
  DialClock1->SetColor(clBlack);
  DialClock1->SetTransparent(true);
  DialClock1->SetDotsColor(clYellow);
  DialClock1->SetDotsBColor(clWhite);
  DialClock1->SetDotsLColor(clYellow);
  DialClock1->SetHandColor(clWhite);
  DialClock1->SetHandSecColor(clWhite);
  DialClock1->SetHand_Hour(1);
  DialClock1->SetHand_Min(0);
  DialClock1->SetDot_Len(100);
  DialClock1->SetHourCenter_Radius(6);
  DialClock1->SetTextType(1);
  DialClock1->SetWidthSecHour(2);
  DialClock1->SetShowMode(scAnalog);
  DialClock1->SetShowSeconds(true);
  DialClock1->SetClockCircle(true);
  DialClock1->SetAnalogFaceEnabled(true);
  DialClock1->Font()->SetName("Arial");
  DialClock1->Font()->SetStyle({fsBold});
  DialClock1->Font()->SetColor(clWhite);
  DialClock1->OnNewMinute = [this](TObject* s) { DialClock1NewMinute(s); };
  DialClock1->Loaded();

  LabelSekundomer = PageLabel(this, PanelCircleClock, "LabelSekundomer", "00:00.00", 0, 230, 120, 26);
  LabelSekundomer->SetTransparent(false);
  LabelSekundomer->SetColor(clNavy);

  // ---- the clock's settings --------------------------------------------------
  TPanel* side = Make<TPanel>(this, Sheet_Clock, "PanelClockSet", 385, 0, 620, 256);
  side->SetBevelOuter(bvNone);
  side->SetCaption("");
  gbClock = Make<TGroupBox>(this, side, "gbClock", 4, 0, 330, 254);
  gbClock->SetCaption("Clock");

  rbClockFonColor = Make<TRadioButton>(this, gbClock, "rbClockFonColor", 8, 20, 70, 19);
  rbClockFonColor->SetCaption("Color");
  rbClockFonColor->SetChecked(true);
  PanelColorClockFon = Swatch(this, gbClock, "PanelColorClockFon", 80, 20, clBlack);
  rbClockFonPic = Make<TRadioButton>(this, gbClock, "rbClockFonPic", 8, 44, 70, 19);
  rbClockFonPic->SetCaption("Image");
  rbClockFonPic->SetEnabled(false);
  eClockPicName = Make<TEdit>(this, gbClock, "eClockPicName", 80, 43, 206, 21);
  eClockPicName->SetText("");
  bClockPic = Button(this, gbClock, "bClockPic", "...", 290, 42, 30, 23);

  SetLabel(this, gbClock, "LabelClockMinDot", "Minute dots", 8, 74, 110);
  PanelColorMinDot = Swatch(this, gbClock, "PanelColorMinDot", 120, 72, clYellow);
  SetLabel(this, gbClock, "LabelClock5Min", "Five-minute marks", 8, 98, 110);
  PanelColor5Min = Swatch(this, gbClock, "PanelColor5Min", 120, 96, clWhite);
  SetLabel(this, gbClock, "LabelClockMinlen", "Minute lines", 8, 122, 110);
  PanelColorMinlen = Swatch(this, gbClock, "PanelColorMinlen", 120, 120, clYellow);
  SetLabel(this, gbClock, "LabelClockStrelok", "Hands", 8, 146, 110);
  PanelColorStrelok = Swatch(this, gbClock, "PanelColorStrelok", 120, 144, clWhite);
  SetLabel(this, gbClock, "LabelClockStrelokSec", "Second hand", 8, 170, 110);
  PanelColorStrelokSec = Swatch(this, gbClock, "PanelColorStrelokSec", 120, 168, clWhite);

  SetLabel(this, gbClock, "LabelClockText", "Numerals", 170, 74, 70);
  cbClockText = Make<TComboBox>(this, gbClock, "cbClockText", 240, 72, 80, 21);
  cbClockText->SetStyle(csDropDownList);
  cbClockText->Items()->SetText("Off\nArabic\nRoman\n");
  cbClockText->SetItemIndex(1);
  cbClockfaceEnable = Make<TCheckBox>(this, gbClock, "cbClockfaceEnable", 170, 98, 150, 17);
  cbClockfaceEnable->SetCaption("Minute marks");
  cbClockfaceEnable->SetChecked(true);
  cbClockCircle = Make<TCheckBox>(this, gbClock, "cbClockCircle", 170, 120, 150, 17);
  cbClockCircle->SetCaption("Round");
  cbClockCircle->SetChecked(true);
  SetLabel(this, gbClock, "LabelClockMinLen", "Line end, %", 170, 146, 70);
  seClockMinLen = Make<TSpinEdit>(this, gbClock, "seClockMinLen", 250, 143, 70, 22);
  seClockMinLen->SetMinValue(0);
  seClockMinLen->SetMaxValue(100);
  seClockMinLen->SetValue(100);
  SetLabel(this, gbClock, "LabelCentrRadius", "Centre, %", 170, 172, 70);
  seCentrRadius = Make<TSpinEdit>(this, gbClock, "seCentrRadius", 250, 169, 70, 22);
  seCentrRadius->SetMinValue(0);
  seCentrRadius->SetMaxValue(100);
  seCentrRadius->SetValue(6);
  bFont = Button(this, gbClock, "bFont", "Font", 8, 200, 100);
  cbClockAnalog = Make<TCheckBox>(this, gbClock, "cbClockAnalog", 170, 204, 150, 17);
  cbClockAnalog->SetCaption("Show clock");
  cbClockAnalog->SetChecked(true);

  for (TPanel* p : {PanelColorClockFon, PanelColorMinDot, PanelColor5Min, PanelColorMinlen, PanelColorStrelok,
                    PanelColorStrelokSec})
    p->OnClick = [this](TObject* s) { PanelColorClick(s); };
  rbClockFonColor->OnClick = [this](TObject* s) { rbClockFonClick(s); };
  rbClockFonPic->OnClick = [this](TObject* s) { rbClockFonClick(s); };
  bClockPic->OnClick = [this](TObject* s) { bClockPicClick(s); };
  eClockPicName->OnExit = [this](TObject* s) { eClockPicNameExit(s); };
  cbClockText->OnChange = [this](TObject* s) { cbClockTextChange(s); };
  cbClockfaceEnable->OnClick = [this](TObject* s) { cbClockfaceEnableClick(s); };
  cbClockCircle->OnClick = [this](TObject* s) { cbClockCircleClick(s); };
  seClockMinLen->OnChange = [this](TObject* s) { seClockMinLenChange(s); };
  seCentrRadius->OnChange = [this](TObject* s) { seCentrRadiusChange(s); };
  bFont->OnClick = [this](TObject* s) { bFontClick(s); };
  cbClockAnalog->OnClick = [this](TObject* s) { cbClockAnalogClick(s); };

  // ---- the Sekundomer ---------------------------------------------------------
  rgSekundomer = Make<TRadioGroup>(this, side, "rgSekundomer", 340, 0, 270, 254);
  rgSekundomer->SetCaption("Timer");
  meSekundomer = Make<TMaskEdit>(this, rgSekundomer, "meSekundomer", 10, 24, 80, 21);
  meSekundomer->SetEditMask("00\\:00\\.00;1;_");
  meSekundomer->SetText("00:00.00");
  comboSekundomer = Make<TComboBox>(this, rgSekundomer, "comboSekundomer", 90, 24, 22, 21);
  comboSekundomer->SetStyle(csDropDownList);
  comboSekundomer->Items()->SetText("00:00.00\n00:10.00\n00:15.00\n00:20.00\n00:30.00\n00:45.00\n01:00.00\n");
  btSekPlay = Button(this, rgSekundomer, "btSekPlay", "Start", 10, 56, 76);
  btSekPlay->SetTag(0);
  btSekStop = Button(this, rgSekundomer, "btSekStop", "Pause", 92, 56, 76);
  btSekStop->SetTag(1);
  btSekStop->SetEnabled(false);
  btSekReset = Button(this, rgSekundomer, "btSekReset", "0:00", 174, 56, 76);
  btSekReset->SetTag(2);
  btSekReset->SetEnabled(false);
  cbSekTimer = Make<TCheckBox>(this, rgSekundomer, "cbSekTimer", 10, 92, 200, 17);
  cbSekTimer->SetCaption("Countdown");
  cbSekTimer->SetChecked(false);
  cbSekundomer = Make<TCheckBox>(this, rgSekundomer, "cbSekundomer", 10, 114, 200, 17);
  cbSekundomer->SetCaption("Sekundomer");
  cbSekundomer->SetChecked(true);
  TimerSekundomer = MakeComponent<TTimer>(this, "TimerSekundomer");
  TimerSekundomer->SetEnabled(false);
  TimerSekundomer->SetInterval(240);

  for (TButton* b : {btSekPlay, btSekStop, btSekReset}) b->OnClick = [this](TObject* s) { btSekClick(s); };
  TimerSekundomer->OnTimer = [this](TObject* s) { TimerSekundomerTimer(s); };
  cbSekTimer->OnClick = [this](TObject* s) { cbSekTimerClick(s); };
  comboSekundomer->OnChange = [this](TObject* s) { comboSekundomerChange(s); };
  comboSekundomer->OnDropDown = [this](TObject* s) { comboSekundomerDropDown(s); };
  comboSekundomer->OnCloseUp = [this](TObject* s) { comboSekundomerCloseUp(s); };
  cbSekundomer->OnClick = [this](TObject* s) { cbSekundomerClick(s); };

  // ---- the panel clock beside the output area ----------------------------------
  PanelClock = Make<TPanel>(this, Panelekta, "PanelClock", 8, 8, 200, 200);
  PanelClock->SetBevelOuter(bvNone);
  PanelClock->SetCaption("");
  Clock = Make<TPLNClock>(this, PanelClock, "Clock", 0, 0, 200, 200);
  Clock->SetAlign(alClient);
}
