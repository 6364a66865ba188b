// Design of the "Configuration" sheet: output size and its preview, the
// character set and the stadium caption.
#include "console/FMain.h"
#include "console/FMainBuildUtil.h"

using namespace fmainbuild;

void TFormMain::BuildConfigurationSheet() {
  // The preview of the output size lies below the settings, so that its
  // growth never covers them or moves them under the operator's hands.
  PanelDVIcfg = Make<TPanel>(this, Sheet_Configuration, "PanelDVIcfg", 0, 188, 320, 240);
  PanelDVIcfg->SetColor(clBlack);
  PanelDVIcfg->SetBevelOuter(bvNone);
  PanelDVIcfg->SetCaption("");
  PanelDVIcfg->SetEnabled(false);

  TLabel* lx = Make<TLabel>(this, Sheet_Configuration, "LabelDVIx", 4, 8, 60, 13);
  lx->SetCaption("Width:");
  seDVIx = Make<TSpinEdit>(this, Sheet_Configuration, "seDVIx", 74, 4, 64, 22);
  seDVIx->SetMinValue(320);
  seDVIx->SetMaxValue(1024);
  seDVIx->SetValue(384);
  TLabel* ly = Make<TLabel>(this, Sheet_Configuration, "LabelDVIy", 4, 34, 60, 13);
  ly->SetCaption("Height:");
  seDVIy = Make<TSpinEdit>(this, Sheet_Configuration, "seDVIy", 74, 30, 64, 22);
  seDVIy->SetMinValue(240);
  seDVIy->SetMaxValue(768);
  seDVIy->SetValue(256);
  seDVIx->OnChange = [this](TObject* s) { cbFullscreenClick(s); };
  seDVIy->OnChange = [this](TObject* s) { cbFullscreenClick(s); };
  seDVIx->OnOutOfRange = [this](TObject* s) { seDVIOutOfRange(s); };
  seDVIy->OnOutOfRange = [this](TObject* s) { seDVIOutOfRange(s); };

  LabelReboot = Make<TLabel>(this, Sheet_Configuration, "LabelReboot", 4, 58, 140, 13);
  LabelReboot->SetCaption("Reboot programm");
  LabelReboot->SetEnabled(false);

  cbFullscreen = Make<TCheckBox>(this, Sheet_Configuration, "cbFullscreen", 4, 80, 120, 17);
  cbFullscreen->SetCaption("Fulldisplay");
  cbFullscreen->SetEnabled(false);
  cbFullscreen->OnClick = [this](TObject* s) { cbFullscreenClick(s); };
  seDVIoffsetX = Make<TSpinEdit>(this, Sheet_Configuration, "seDVIoffsetX", 4, 102, 64, 22);
  seDVIoffsetX->SetMinValue(0);
  seDVIoffsetX->SetMaxValue(0);
  seDVIoffsetX->SetEnabled(false);
  seDVIoffsetY = Make<TSpinEdit>(this, Sheet_Configuration, "seDVIoffsetY", 74, 102, 64, 22);
  seDVIoffsetY->SetMinValue(0);
  seDVIoffsetY->SetMaxValue(0);
  seDVIoffsetY->SetEnabled(false);
  cbMonitor = Make<TComboBox>(this, Sheet_Configuration, "cbMonitor", 4, 128, 134, 21);
  cbMonitor->SetStyle(csDropDownList);
  cbMonitor->SetEnabled(false);

  bDefault = Make<TButton>(this, Sheet_Configuration, "bDefault", 4, 156, 134, 25);
  bDefault->SetCaption("Default/Reset");
  // The quit button stays at the sheet's top right corner, clear of the rest
  // and of the sheet's scroll bar.
  sbClose = Make<TSpeedButton>(this, Sheet_Configuration, "sbClose", Sheet_Configuration->ClientWidth() - 44, 2, 23, 22);
  sbClose->SetAnchors({akTop, akRight});
  sbClose->SetCaption("X");
  sbClose->SetHint("Close programm");
  sbClose->SetShowHint(true);

  TLabel* lc = Make<TLabel>(this, Sheet_Configuration, "LabelCharset", 154, 8, 80, 13);
  lc->SetCaption("Charset:");
  cbInternational = Make<TComboBox>(this, Sheet_Configuration, "cbInternational", 234, 4, 150, 21);
  cbInternational->SetStyle(csDropDownList);
  cbInternational->SetDropDownCount(18);
  cbInternational->OnChange = [this](TObject* s) { cbInternationalChange(s); };

  LabelStadion = Make<TLabel>(this, Sheet_Configuration, "LabelStadion", 154, 34, 230, 13);
  LabelStadion->SetCaption("S T A D I U M");
  LabelStadion->OnClick = [this](TObject* s) { LabelStadionNameClick(s); };
  LabelReboot->OnClick = [this](TObject* s) { LabelRebootClick(s); };
  sbClose->OnClick = [this](TObject* s) { sbCloseClick(s); };
  bDefault->OnClick = [this](TObject* s) { bDefaultClick(s); };
}
