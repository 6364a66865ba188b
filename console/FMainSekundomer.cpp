// The clock page: the analogue clock's settings and the Sekundomer, a seconds
// counter that counts up from a preset or down to zero.
#include "console/FMain.h"
#include "controls/DialClock.h"
#include "controls/Label3D.h"
#include "toolkit/Timer.h"

// ---------------------------------------------------------------------------
// Sekundomer
// ---------------------------------------------------------------------------

String TFormMain::FormatSekundomerTime(int64_t T) {
  const int64_t s = std::max<int64_t>(0, T) / 1000;
  const int64_t seconds = s % 60, minutes = s / 60 % 60, hours = s / 3600 % 100;
  auto two = [](int64_t v) { return (v < 10 ? String("0") : String()) + IntToStr(v); };
  return two(hours) + ":" + two(minutes) + "." + two(seconds);
}

int64_t TFormMain::ParseSekundomerTime(const String& Text) {
  static const String blank = "00:00.00";
  String t = Text;
  if (t.size() < blank.size()) t = blank.substr(0, blank.size() - t.size()) + t;
  auto field = [&](size_t at) {
    int v = 0;
    return TryStrToInt(Trim(t.substr(at, 2)), v) && v >= 0 ? int64_t(v) : int64_t(0);
  };
  return field(0) * 3600 + field(3) * 60 + field(6);
}

void TFormMain::btSekClick(TObject* Sender) {
  auto* button = dynamic_cast<TButton*>(Sender);
  if (!button) return;
  button->SetEnabled(false);
  const int64_t now = TickNow();
  switch (button->Tag()) {
    case 0:
      if (SekundomerRun) {
        // Continuing after a pause: the pause is skipped.
        TimerSekundomer->SetTag(TimerSekundomer->Tag() + (now - rgSekundomer->Tag()));
      } else {
        int64_t P = ParseSekundomerTime(meSekundomer->Text()) * 1000;
        if (cbSekTimer->Checked()) {
          if (P == 0) {
            P = 61000;
            meSekundomer->SetText("00:01.00");
          }
          TimerSekundomer->SetTag(now + P);
          SekundomerFromPreset = false;
        } else {
          TimerSekundomer->SetTag(now - P);
          SekundomerFromPreset = true;
        }
        SekundomerRun = true;
      }
      TimerSekundomer->SetEnabled(true);
      btSekStop->SetEnabled(true);
      btSekReset->SetEnabled(false);
      meSekundomer->SetEnabled(false);
      comboSekundomer->SetEnabled(false);
      break;
    case 1:
      rgSekundomer->SetTag(now);
      TimerSekundomer->SetEnabled(false);
      btSekReset->SetEnabled(true);
      btSekPlay->SetEnabled(true);
      break;
    case 2:
      TimerSekundomer->SetEnabled(false);
      LabelSekundomer->SetCaption(meSekundomer->Text());
      btSekPlay->SetEnabled(true);
      TimerSekundomer->SetTag(0);
      rgSekundomer->SetTag(0);
      SekundomerRun = false;
      SekundomerFromPreset = false;
      meSekundomer->SetEnabled(true);
      comboSekundomer->SetEnabled(true);
      break;
    default:
      break;
  }
}

void TFormMain::TimerSekundomerTimer(TObject* /*Sender*/) {
  const int64_t now = TickNow();
  if (cbSekTimer->Checked()) {
    int64_t R = TimerSekundomer->Tag() - now;
    if (R <= 0) {
      R = 0;
      btSekStop->Click();
      TimerSekundomer->SetEnabled(false);
      // A finished count-down can only be reset.
      btSekPlay->SetEnabled(false);
    }
    LabelSekundomer->SetCaption(FormatSekundomerTime(R));
  } else {
    LabelSekundomer->SetCaption(FormatSekundomerTime(now - TimerSekundomer->Tag()));
  }
}

void TFormMain::cbSekTimerClick(TObject* /*Sender*/) {
  if (!SekundomerRun) return;
  const int64_t P = ParseSekundomerTime(meSekundomer->Text()) * 1000;
  if (cbSekTimer->Checked()) {
    // The deadline lies the preset after the moment the run started; a
    // count-up from the preset started the preset before its Tag.
    const int64_t started = TimerSekundomer->Tag() + (SekundomerFromPreset ? P : 0);
    TimerSekundomer->SetTag(started + P);
  } else {
    // From here on the count shows the time run.
    TimerSekundomer->SetTag(TimerSekundomer->Tag() - P);
  }
  SekundomerFromPreset = false;
}

void TFormMain::comboSekundomerChange(TObject* /*Sender*/) {
  const int i = comboSekundomer->ItemIndex();
  if (i < 0) return;
  meSekundomer->SetText(comboSekundomer->Items()->Get(i));
  LabelSekundomer->SetCaption(meSekundomer->Text());
  if (meSekundomer->CanFocus()) meSekundomer->SetFocus();
}

void TFormMain::comboSekundomerDropDown(TObject* /*Sender*/) {
  comboSekundomer->SetBounds(meSekundomer->Left(), comboSekundomer->Top(), meSekundomer->Width() + 22,
                             comboSekundomer->Height());
  meSekundomer->SetVisible(false);
}

void TFormMain::comboSekundomerCloseUp(TObject* /*Sender*/) {
  comboSekundomer->SetBounds(meSekundomer->Left() + meSekundomer->Width(), comboSekundomer->Top(), 22,
                             comboSekundomer->Height());
  meSekundomer->SetVisible(true);
}

void TFormMain::cbSekundomerClick(TObject* /*Sender*/) { LabelSekundomer->SetVisible(cbSekundomer->Checked()); }

// ---------------------------------------------------------------------------
// The analogue clock's settings
// ---------------------------------------------------------------------------

void TFormMain::UpdateClockPicEnabled() {
  if (!rbClockFonPic) return;
  const String name = eClockPicName->Text();
  rbClockFonPic->SetEnabled(!name.empty() && FileExists(ResolveFileName(name)));
}

void TFormMain::eClockPicNameExit(TObject* /*Sender*/) { UpdateClockPicEnabled(); }

void TFormMain::PanelColorClick(TObject* Sender) {
  auto* swatch = dynamic_cast<TPanel*>(Sender);
  if (!swatch) return;
  ColorDialog1->Color = swatch->Color();
  if (!ColorDialog1->Execute()) return;
  const TColor c = ColorDialog1->Color;
  swatch->SetColor(c);
  if (swatch == PanelColorClockFon) {
    PanelCircleClock->SetColor(c);
    DialClock1->SetColor(c);
  } else if (swatch == PanelColorMinDot) {
    DialClock1->SetDotsColor(c);
  } else if (swatch == PanelColorMinlen) {
    DialClock1->SetDotsLColor(c);
  } else if (swatch == PanelColor5Min) {
    DialClock1->SetDotsBColor(c);
  } else if (swatch == PanelColorStrelok) {
    DialClock1->SetHandColor(c);
  } else if (swatch == PanelColorStrelokSec) {
    DialClock1->SetHandSecColor(c);
  }
}

void TFormMain::rbClockFonClick(TObject* /*Sender*/) {
  if (rbClockFonPic->Checked()) {
    ImageClockFon->Picture()->LoadFromFile(ResolveFileName(eClockPicName->Text()));
  } else {
    ImageClockFon->Picture()->Clear();
  }
  DialClock1->Repaint();
}

void TFormMain::bClockPicClick(TObject* /*Sender*/) {
  if (!ExecuteFileDialog(OpenPictureDialog1, DialogUses.ClockPicture)) return;
  eClockPicName->SetText(OpenPictureDialog1->FileName);
  UpdateClockPicEnabled();
  // Choosing "Image" loads the picture; when it was chosen already, load anew.
  if (rbClockFonPic->Checked())
    rbClockFonClick(rbClockFonPic);
  else
    rbClockFonPic->SetChecked(true);
}

void TFormMain::cbClockTextChange(TObject* /*Sender*/) {
  const int i = cbClockText->ItemIndex();
  if (i >= 0) DialClock1->SetTextType(uint8_t(i));
}

void TFormMain::cbClockfaceEnableClick(TObject* /*Sender*/) {
  DialClock1->SetAnalogFaceEnabled(cbClockfaceEnable->Checked());
}

void TFormMain::cbClockCircleClick(TObject* /*Sender*/) { DialClock1->SetClockCircle(cbClockCircle->Checked()); }

void TFormMain::seClockMinLenChange(TObject* /*Sender*/) { DialClock1->SetDot_Len(seClockMinLen->Value()); }

void TFormMain::seCentrRadiusChange(TObject* /*Sender*/) {
  DialClock1->SetHourCenter_Radius(uint8_t(std::clamp(seCentrRadius->Value(), 0, 255)));
}

void TFormMain::bFontClick(TObject* /*Sender*/) {
  FontDialog1->SetFont(DialClock1->Font());
  if (FontDialog1->Execute()) DialClock1->SetFont(FontDialog1->Font());
}

void TFormMain::DialClock1NewMinute(TObject* /*Sender*/) { PanelCircleClock->Repaint(); }

void TFormMain::cbClockAnalogClick(TObject* /*Sender*/) { DialClock1->SetVisible(cbClockAnalog->Checked()); }
