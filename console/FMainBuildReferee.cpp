// Design of the referee's sheet: the match clock's tool bar, the two sides
// with logos, score, goal, card and substitution buttons.
#include "console/FMain.h"
#include "console/FMainBuildUtil.h"
#include "controls/ButtonWithColor.h"
#include "toolkit/Timer.h"

using namespace fmainbuild;

void TFormMain::BuildRefereeSheet() {
  // ---- Match clock -------------------------------------------------------
  ToolBar6 = Make<TToolBar>(this, Sheet_Sud, "ToolBar6", 0, 0, 1016, 30);
  ToolBar6->SetAlign(alTop);
  ToolBar6->SetButtonWidth(40);
  ToolBar6->SetButtonHeight(26);
  ToolBar6->SetFlat(true);
  ToolBar6->SetShowCaptions(true);

  auto toolButton = [this](const char* name, const char* hint) {
    TToolButton* b = new TToolButton(this);
    b->SetName(name);
    b->SetHint(hint);
    b->SetShowHint(true);
    b->SetParent(ToolBar6);
    return b;
  };
  ToolButton5 = toolButton("ToolButton5", "New match");
  ToolButton5->SetCaption("New");
  Sud_Play = toolButton("Sud_Play", "Start");
  Sud_Play->SetCaption("Play");
  Sud_Play->SetEnabled(false);
  Sud_Play->SetTag(0);
  Sud_Stop = toolButton("Sud_Stop", "Stop");
  Sud_Stop->SetCaption("Stop");
  Sud_Stop->SetEnabled(false);
  Sud_NextPeriod = toolButton("Sud_NextPeriod", "Next period");
  Sud_NextPeriod->SetCaption("Next");
  Sud_NextPeriod->SetEnabled(false);
  Sud_Play->OnClick = [this](TObject* s) { Sud_PlayClick(s); };
  Sud_Stop->OnClick = [this](TObject* s) { Sud_StopClick(s); };
  Sud_NextPeriod->OnClick = [this](TObject* s) { Sud_NextPeriodClick(s); };
  ToolButton5->OnClick = [this](TObject* s) { ToolButton5Click(s); };

  eSud_Time = Make<TMaskEdit>(this, Sheet_Sud, "eSud_Time", 392, 36, 64, 24);
  eSud_Time->SetEditMask("!90:00;1; ");
  eSud_Time->SetMaxLength(5);
  eSud_Time->Font()->SetStyle({fsBold});
  eSud_Time->SetText("0:00");
  eSud_Time->SetTag(0);

  cbSud_Period = Make<TComboBox>(this, Sheet_Sud, "cbSud_Period", 460, 36, 56, 21);
  cbSud_Period->SetStyle(csDropDownList);
  cbSud_Period->Items()->SetText("1\n2\n1+\n2+\n");
  cbSud_Period->SetItemIndex(0);
  cbSud_Period->SetEnabled(false);
  cbSud_Period->OnChange = [this](TObject* s) { Sud_NextPeriodClick(s); };

  TimerIgra = MakeComponent<TTimer>(this, "TimerIgra");
  TimerIgra->SetEnabled(false);
  TimerIgra->SetInterval(222);
  TimerIgra->OnTimer = [this](TObject* s) { TimerIgraTimer(s); };

  // ---- The two sides ----------------------------------------------------
  PanelSud = Make<TPanel>(this, Sheet_Sud, "PanelSud", 0, 30, 384, 416);
  PanelSud->SetBevelOuter(bvLowered);
  PanelSud->SetCaption("");

  PanelCom1Im = Make<TPanel>(this, PanelSud, "PanelCom1Im", 2, 2, 180, 126);
  PanelCom1Im->SetBevelOuter(bvLowered);
  PanelCom1Im->SetColor(clBlack);
  PanelCom1Im->SetCaption("");
  iSud_Logo1 = Make<TImage>(this, PanelCom1Im, "iSud_Logo1", 0, 0, 180, 126);
  iSud_Logo1->SetAlign(alClient);
  iSud_Logo1->SetCenter(true);
  iSud_Logo1->SetProportional(true);
  iSud_Logo1->SetStretch(true);

  PanelCom2Im = Make<TPanel>(this, PanelSud, "PanelCom2Im", 202, 2, 180, 126);
  PanelCom2Im->SetBevelOuter(bvLowered);
  PanelCom2Im->SetColor(clBlack);
  PanelCom2Im->SetCaption("");
  iSud_Logo2 = Make<TImage>(this, PanelCom2Im, "iSud_Logo2", 0, 0, 180, 126);
  iSud_Logo2->SetAlign(alClient);
  iSud_Logo2->SetCenter(true);
  iSud_Logo2->SetProportional(true);
  iSud_Logo2->SetStretch(true);

  cbSud_Comanda1 = Make<TComboBox>(this, PanelSud, "cbSud_Comanda1", 2, 132, 180, 21);
  cbSud_Comanda1->SetStyle(csDropDownList);
  cbSud_Comanda1->SetDropDownCount(24);
  cbSud_Comanda1->SetTag(1);
  cbSud_Comanda2 = Make<TComboBox>(this, PanelSud, "cbSud_Comanda2", 202, 132, 180, 21);
  cbSud_Comanda2->SetStyle(csDropDownList);
  cbSud_Comanda2->SetDropDownCount(24);
  cbSud_Comanda2->SetTag(2);
  cbSud_Comanda1->OnChange = [this](TObject* s) { cbSud_Comanda1Change(s); };
  cbSud_Comanda2->OnChange = [this](TObject* s) { cbSud_Comanda1Change(s); };

  cbFixCmd1 = Make<TCheckBox>(this, PanelSud, "cbFixCmd1", 2, 156, 120, 17);
  cbFixCmd1->SetCaption("Fix");
  cbFixCmd1->SetHint("Always this team");
  cbFixCmd1->SetShowHint(true);
  cbFixCmd1->SetEnabled(false);
  cbFixCmd1->OnClick = [this](TObject* s) { cbFixCmd1Click(s); };

  seSud_Schet1 = Make<TSpinEdit>(this, PanelSud, "seSud_Schet1", 2, 178, 60, 30);
  seSud_Schet1->SetMinValue(0);
  seSud_Schet1->SetMaxValue(99);
  seSud_Schet1->SetValue(0);
  seSud_Schet1->SetTag(1);
  seSud_Schet1->SetEditorEnabled(false);
  seSud_Schet1->SetEnabled(false);
  seSud_Schet2 = Make<TSpinEdit>(this, PanelSud, "seSud_Schet2", 202, 178, 60, 30);
  seSud_Schet2->SetMinValue(0);
  seSud_Schet2->SetMaxValue(99);
  seSud_Schet2->SetValue(0);
  seSud_Schet2->SetTag(2);
  seSud_Schet2->SetEditorEnabled(false);
  seSud_Schet2->SetEnabled(false);

  bFullOK = Make<TBitBtn>(this, PanelSud, "bFullOK", 132, 212, 120, 28);
  bFullOK->SetCaption("Confirmation");
  bFullOK->SetEnabled(false);
  bFullOK->OnClick = [this](TObject* s) { bFullOKClick(s); };

  // ---- Goals, cards and substitutions ------------------------------------
  bSud_Gol1 = Make<TButton>(this, PanelSud, "bSud_Gol1", 2, 246, 120, 32);
  bSud_Gol1->SetCaption("GOAL!");
  bSud_Gol1->SetTag(1);
  bSud_Gol1->SetHint("");
  bSud_Gol1->SetEnabled(false);
  bSud_Gol2 = Make<TButton>(this, PanelSud, "bSud_Gol2", 202, 246, 120, 32);
  bSud_Gol2->SetCaption("GOAL!");
  bSud_Gol2->SetTag(2);
  bSud_Gol2->SetHint("");
  bSud_Gol2->SetEnabled(false);

  auto cardButton = [this](const char* name, int left, int tag, TColor color) {
    auto* b = Make<TBitBtnWithColor>(this, PanelSud, name, left, 284, 40, 28);
    b->SetCaption("");
    b->SetTag(tag);
    b->SetColor(color);
    b->SetEnabled(false);
    return b;
  };
  bSud_KY1 = cardButton("bSud_KY1", 2, 0, clYellow);
  bSud_KR1 = cardButton("bSud_KR1", 46, 1, clRed);
  bSud_KY2 = cardButton("bSud_KY2", 202, 2, clYellow);
  bSud_KR2 = cardButton("bSud_KR2", 246, 3, clRed);

  bSud_Zamena1 = Make<TButton>(this, PanelSud, "bSud_Zamena1", 2, 318, 120, 28);
  bSud_Zamena1->SetCaption("Replace");
  bSud_Zamena1->SetTag(1);
  bSud_Zamena1->SetEnabled(false);
  bSud_Zamena2 = Make<TButton>(this, PanelSud, "bSud_Zamena2", 202, 318, 120, 28);
  bSud_Zamena2->SetCaption("Replace");
  bSud_Zamena2->SetTag(2);
  bSud_Zamena2->SetEnabled(false);
}
