// Settings store: the operator's settings and the state of a running match
// in the settings key SettingsKeyPath, read once at start-up and written at
// shutdown.
//
// Reading stops at the first Integer or Boolean value that is absent or of
// another type: the rows read before it stay applied, the later rows keep
// their design values. "MainW", "MainH", "Charset" and the load of a fixed
// side 1 have guards of their own. An absent String reads as "".
#include <optional>
#include "console/FMain.h"
#include "console/FrMedia.h"
#include "controls/Label3D.h"
#include "controls/RunLabel.h"
#include "toolkit/Registry.h"

namespace {

// The item equal to the text (exact comparison), -1 when none.
int IndexOfExact(TStrings* items, const String& text) {
  for (int i = 0; i < items->Count(); ++i)
    if (items->Get(i) == text) return i;
  return -1;
}

// Tick (of the clock's tick source `now`) of a kick-off stored as wall-clock
// milliseconds; the elapsed time never counts below 0 (a clock set back, a
// value from the future).
int64_t SteadyFromWall(int64_t wallMs, int64_t now) {
  const int64_t elapsed = std::max<int64_t>(0, WallClockMs() - wallMs);
  return now - elapsed;
}

}  // namespace

void TFormMain::LoadSettings() {
  std::optional<int> period, score1, score2;
  loadedSide_[0].clear();
  loadedSide_[1].clear();
  loadedTimeStartWall_ = 0;
  {
    TRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    if (reg.OpenKey(SettingsKeyPath, false)) {
      try {
        cbFixCmd1->SetTag(reg.ReadInteger("FixCmdN"));
        FrameMedia1->rgMediaAspect->SetItemIndex(reg.ReadInteger("MediaAspect"));
        FrameMedia1->SoundLevel->SetPosition(reg.ReadInteger("MediaVolume"));
        FrameMedia1->cbPicsCls->SetChecked(reg.ReadBool("PicsCls"));
        FrameMedia1->PicsShowPause->SetValue(reg.ReadInteger("PicsPause"));
        {
          // The check mark follows the stored tag; its click handler would
          // take the tag from the side combo, which is not chosen yet.
          TNotifyEvent click = std::move(cbFixCmd1->OnClick);
          cbFixCmd1->OnClick = nullptr;
          cbFixCmd1->SetChecked(cbFixCmd1->Tag() > 0);
          cbFixCmd1->OnClick = std::move(click);
        }
        cbSek_Komands->SetItemIndex(reg.ReadInteger("K0"));
        cbSek_KomandsChange(cbSek_Komands);
        loadedSide_[0] = reg.ReadString("K1");
        cbSud_Comanda1->SetItemIndex(IndexOfExact(cbSud_Comanda1->Items(), loadedSide_[0]));
        loadedSide_[1] = reg.ReadString("K2");
        cbSud_Comanda2->SetItemIndex(IndexOfExact(cbSud_Comanda2->Items(), loadedSide_[1]));
        if (cbFixCmd1->Checked()) {
          try {
            LoadTeamFile(1, cbSud_Comanda1->Text());
            const TTeamSlot& side = TeamSlots[1];
            iTablo_Logo1->Picture()->Clear();
            if (!side.Logo.empty()) {
              iTablo_Logo1->Picture()->LoadFromFile(AppFolder + "Teams/" + side.Name + "/" + side.Logo);
              iSud_Logo1->Picture()->Assign(iTablo_Logo1->Picture());
            }
          } catch (const std::exception&) {
          }
        }
        cbSud_Comanda1->SetEnabled(!cbFixCmd1->Checked());
        period = reg.ReadInteger("Period");
        cbSud_Period->SetItemIndex(*period);
        score1 = reg.ReadInteger("S1");
        seSud_Schet1->SetValue(*score1);
        score2 = reg.ReadInteger("S2");
        seSud_Schet2->SetValue(*score2);
        const String title = reg.ReadString("Title");
        if (!title.empty()) eSek_Title->SetText(title);
        seSek_Tur->SetValue(reg.ReadInteger("Tur"));
        seTablo_ShowTime->SetChecked(reg.ReadBool("ShowTime"));
        seTablo_ShowTown->SetChecked(reg.ReadBool("ShowTown"));
        seTablo_ShowTitle->SetChecked(reg.ReadBool("ShowTitle"));
        seTablo_ShowTur->SetChecked(reg.ReadBool("ShowTur"));
        seZamena_ShowMin->SetChecked(reg.ReadBool("ShowZamenaMin"));
        seIgok_Wait->SetValue(reg.ReadInteger("Igrok_Wait"));
        cbKards->SetChecked(reg.ReadBool("ShowKards"));
        for (int n = 0; n < PageControl1->PageCount(); ++n)
          PageControl1->Pages(n)->SetTag(reg.ReadInteger("Pg" + IntToStr(n)));
        bSud_Gol1->SetHint(reg.ReadString("Gol1Media"));
        bSud_Gol2->SetHint(reg.ReadString("Gol2Media"));
        cbTVpic_Transp->SetChecked(reg.ReadBool("PicOnTVovl"));
        rlSpeed->SetPosition(reg.ReadInteger("RS_Speed"));
        rlNapr->SetItemIndex(reg.ReadInteger("RS_Napr"));
        rlNaprChange(rlNapr);
        RunStr->RFont()->SetColor(TColor(reg.ReadInteger("RS_Color")));
        cbRlTop->SetChecked(reg.ReadBool("RS_Top"));
        RunStr->RFont()->SetSize(reg.ReadInteger("RS_Size"));
        RunStr->RFont()->SetName(reg.ReadString("RS_Name"));
        if (reg.ReadBool("RS_SBold")) RunStr->RFont()->SetStyle(RunStr->RFont()->Style() + TFontStyles{fsBold});
        if (reg.ReadBool("RS_SItalic")) RunStr->RFont()->SetStyle(RunStr->RFont()->Style() + TFontStyles{fsItalic});
        try {
          const int w = reg.ReadInteger("MainW");
          if (w > 0) SetWidth(w);
        } catch (const ERegistryException&) {
        }
        try {
          const int h = reg.ReadInteger("MainH");
          if (h > 0) SetHeight(h);
        } catch (const ERegistryException&) {
        }
        const int64_t timeStart = reg.ReadInt64("TimeStart");
        loadedTimeStartWall_ = timeStart > 0 ? timeStart : 0;
        SetTimeStart(timeStart > 0 ? SteadyFromWall(timeStart, TickNow()) : 0);
        try {
          cbInternational->SetItemIndex(reg.ReadInteger("Charset"));
          cbInternationalChange(cbInternational);
        } catch (const ERegistryException&) {
        }
        LabelStadion->SetCaption(reg.ReadString("Stadion"));
        LabelStadionName->SetCaption(reg.ReadString("StadionN"));
        cbClockAnalog->SetChecked(reg.ReadBool("ClockAnalog"));
        cbSekundomer->SetChecked(reg.ReadBool("ClockSekundomer"));
        cbSekTimer->SetChecked(reg.ReadBool("ClockTimer"));
        meSekundomer->SetText(reg.ReadString("ClockTimerStr"));
        LabelSekundomer->SetCaption(meSekundomer->Text());
        for (size_t n = 1; n < StatInputs.size(); ++n)
          StatInputs[n]->SetValue(reg.ReadInteger("Stat1_" + IntToStr(int64_t(n))));
      } catch (const ERegistryException&) {
        // The first absent or mistyped value ends the block.
      }
    }
  }
  LabelRS_Color->Font()->Assign(RunStr->RFont());

  // The match as last applied is what the settings hold; a save without a
  // new confirmation writes the same values back.
  MatchPeriod = period ? *period : cbSud_Period->ItemIndex();
  MatchScore = {score1 ? *score1 : seSud_Schet1->Value(), score2 ? *score2 : seSud_Schet2->Value()};
  RestoreAppliedMatchState();
}

void TFormMain::RestoreAppliedMatchState() {
  TComboBox* combos[2] = {cbSud_Comanda1, cbSud_Comanda2};
  for (int k = 0; k < 2; ++k) {
    TTeamSlot& side = TeamSlots[size_t(k + 1)];
    if (!side.Name.empty() || loadedSide_[k].empty() || combos[k]->ItemIndex() <= 0) continue;
    try {
      LoadTeamFile(k + 1, loadedSide_[k]);
    } catch (const std::exception&) {
    }
  }
}

void TFormMain::SaveSettings() {
  TRegistry reg;
  reg.SetRootKey(HKEY_CURRENT_USER);
  try {
    if (!reg.OpenKey(SettingsKeyPath, true)) return;
    reg.WriteInteger("XWidth", PendingOutputSize().X);
    reg.WriteInteger("YHeight", PendingOutputSize().Y);
    reg.WriteInteger("MediaAspect", FrameMedia1->rgMediaAspect->ItemIndex());
    reg.WriteInteger("MediaVolume", FrameMedia1->SoundLevel->Position());
    reg.WriteBool("PicsCls", FrameMedia1->cbPicsCls->Checked());
    reg.WriteInteger("PicsPause", FrameMedia1->PicsShowPause->Value());
    reg.WriteInteger("FixCmdN", int(cbFixCmd1->Tag()));
    reg.WriteInteger("K0", cbSek_Komands->ItemIndex());
    reg.WriteString("K1", TeamSlots[1].Name);
    reg.WriteString("K2", TeamSlots[2].Name);
    reg.WriteInteger("Period", MatchPeriod);
    reg.WriteInteger("S1", MatchScore[0]);
    reg.WriteInteger("S2", MatchScore[1]);
    reg.WriteString("Title", eSek_Title->Text());
    reg.WriteInteger("Tur", seSek_Tur->Value());
    reg.WriteBool("ShowTime", seTablo_ShowTime->Checked());
    reg.WriteBool("ShowTown", seTablo_ShowTown->Checked());
    reg.WriteBool("ShowTitle", seTablo_ShowTitle->Checked());
    reg.WriteBool("ShowTur", seTablo_ShowTur->Checked());
    reg.WriteBool("ShowZamenaMin", seZamena_ShowMin->Checked());
    reg.WriteInteger("Igrok_Wait", seIgok_Wait->Value());
    reg.WriteBool("ShowKards", cbKards->Checked());
    for (int n = 0; n < PageControl1->PageCount(); ++n)
      reg.WriteInteger("Pg" + IntToStr(n), int(PageControl1->Pages(n)->Tag()));
    reg.WriteString("Gol1Media", bSud_Gol1->Hint());
    reg.WriteString("Gol2Media", bSud_Gol2->Hint());
    reg.WriteBool("PicOnTVovl", cbTVpic_Transp->Checked());
    reg.WriteInteger("RS_Speed", rlSpeed->Position());
    reg.WriteInteger("RS_Napr", rlNapr->ItemIndex());
    reg.WriteInteger("RS_Color", int(RunStr->RFont()->Color()));
    reg.WriteBool("RS_Top", cbRlTop->Checked());
    reg.WriteInteger("RS_Size", RunStr->RFont()->Size());
    reg.WriteString("RS_Name", RunStr->RFont()->Name());
    reg.WriteBool("RS_SBold", RunStr->RFont()->Style().Contains(fsBold));
    reg.WriteBool("RS_SItalic", RunStr->RFont()->Style().Contains(fsItalic));
    // The kick-off of a running clock, in wall-clock milliseconds so that a
    // restart of the machine does not spoil it; 0 while the clock stands.
    // The time played is read from the clock's own tick source.
    if (!MatchClockRunning()) SetTimeStart(0);
    reg.WriteInt64("TimeStart", MatchClockRunning() ? WallClockMs() - (TickNow() - TimeStart()) : 0);
    reg.WriteInteger("Charset", cbInternational->ItemIndex());
    reg.WriteString("Stadion", LabelStadion->Caption());
    reg.WriteString("StadionN", LabelStadionName->Caption());
    reg.WriteBool("ClockAnalog", cbClockAnalog->Checked());
    reg.WriteBool("ClockSekundomer", cbSekundomer->Checked());
    reg.WriteBool("ClockTimer", cbSekTimer->Checked());
    reg.WriteString("ClockTimerStr", meSekundomer->Text());
    for (size_t n = 1; n < StatInputs.size(); ++n)
      reg.WriteInteger("Stat1_" + IntToStr(int64_t(n)), StatInputs[n]->Value());
    reg.WriteInteger("VideoDrv", rgVideoDrv->ItemIndex());
  } catch (const ERegistryException& e) {
    // The settings could not be written (e.g. a full disk): say so.
    if (Application) Application->ShowException(e);
  }
}
