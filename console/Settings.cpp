// Settings store: the operator's settings and the state of a running match
// in the settings key SettingsKeyPath, read once at start-up, saved as they
// change (with the goal list) and written whole at shutdown.
//
// Reading stops at the first Integer or Boolean value that is absent or of
// another type: the rows read before it stay applied, the later rows keep
// their design values. "MainW", "MainH", "Charset" and the load of a fixed
// side 1 have guards of their own. An absent String reads as "".
#include <algorithm>
#include <optional>
#include "console/FMain.h"
#include "console/FrMedia.h"
#include "console/MatchStateWriter.h"
#include "controls/Label3D.h"
#include "controls/RunLabel.h"
#include "toolkit/Registry.h"
#include "toolkit/Timer.h"

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
  loadedKards_[0].clear();
  loadedKards_[1].clear();
  loadedZamenaPage_.clear();
  loadedReferee_.clear();
  loadedTimeStartWall_ = 0;
  {
    TRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    const bool opened = reg.OpenKey(SettingsKeyPath, false);
    // A settings file with lines that cannot be read is kept aside before
    // anything is written over it.
    const String kept = reg.KeepDamagedFile();
    if (!kept.empty())
      StartupProblems.push_back("The settings file could not be read whole; it was kept as\n\"" + kept +
                                "\".\nSettings that could not be read start with their defaults.");
    if (opened) {
      // Each read is noted, so that the values not read keep what is stored.
      String reading;
      auto readInt = [&](const String& n) {
        reading = n;
        const int v = reg.ReadInteger(n);
        settingsRead_.insert(n);
        return v;
      };
      auto readBool = [&](const String& n) {
        reading = n;
        const bool v = reg.ReadBool(n);
        settingsRead_.insert(n);
        return v;
      };
      auto readStr = [&](const String& n) {
        reading = n;
        String v = reg.ReadString(n);
        settingsRead_.insert(n);
        return v;
      };
      // A value that is there but of another type is told to the operator.
      auto mistyped = [&](const String& n, const String& consequence) {
        if (reg.ValueExists(n))
          StartupProblems.push_back("The setting \"" + n + "\" could not be read (a value of another type):\n" +
                                    consequence + "\nThe stored values are kept.");
      };
      try {
        cbFixCmd1->SetTag(readInt("FixCmdN"));
        FrameMedia1->rgMediaAspect->SetItemIndex(readInt("MediaAspect"));
        FrameMedia1->SoundLevel->SetPosition(readInt("MediaVolume"));
        FrameMedia1->cbPicsCls->SetChecked(readBool("PicsCls"));
        FrameMedia1->PicsShowPause->SetValue(readInt("PicsPause"));
        {
          // The check mark follows the stored tag; its click handler would
          // take the tag from the side combo, which is not chosen yet.
          TNotifyEvent click = std::move(cbFixCmd1->OnClick);
          cbFixCmd1->OnClick = nullptr;
          cbFixCmd1->SetChecked(cbFixCmd1->Tag() > 0);
          cbFixCmd1->OnClick = std::move(click);
        }
        cbSek_Komands->SetItemIndex(readInt("K0"));
        cbSek_KomandsChange(cbSek_Komands);
        loadedSide_[0] = readStr("K1");
        cbSud_Comanda1->SetItemIndex(IndexOfExact(cbSud_Comanda1->Items(), loadedSide_[0]));
        loadedSide_[1] = readStr("K2");
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
        period = readInt("Period");
        cbSud_Period->SetItemIndex(*period);
        score1 = readInt("S1");
        seSud_Schet1->SetValue(*score1);
        score2 = readInt("S2");
        seSud_Schet2->SetValue(*score2);
        const String title = readStr("Title");
        if (!title.empty()) eSek_Title->SetText(title);
        seSek_Tur->SetValue(readInt("Tur"));
        seTablo_ShowTime->SetChecked(readBool("ShowTime"));
        seTablo_ShowTown->SetChecked(readBool("ShowTown"));
        seTablo_ShowTitle->SetChecked(readBool("ShowTitle"));
        seTablo_ShowTur->SetChecked(readBool("ShowTur"));
        seZamena_ShowMin->SetChecked(readBool("ShowZamenaMin"));
        seIgok_Wait->SetValue(readInt("Igrok_Wait"));
        cbKards->SetChecked(readBool("ShowKards"));
        for (int n = 0; n < PageControl1->PageCount(); ++n)
          PageControl1->Pages(n)->SetTag(readInt("Pg" + IntToStr(n)));
        bSud_Gol1->SetHint(readStr("Gol1Media"));
        bSud_Gol2->SetHint(readStr("Gol2Media"));
        cbTVpic_Transp->SetChecked(readBool("PicOnTVovl"));
        rlSpeed->SetPosition(readInt("RS_Speed"));
        rlNapr->SetItemIndex(readInt("RS_Napr"));
        rlNaprChange(rlNapr);
        RunStr->RFont()->SetColor(TColor(readInt("RS_Color")));
        cbRlTop->SetChecked(readBool("RS_Top"));
        RunStr->RFont()->SetSize(readInt("RS_Size"));
        RunStr->RFont()->SetName(readStr("RS_Name"));
        if (readBool("RS_SBold")) RunStr->RFont()->SetStyle(RunStr->RFont()->Style() + TFontStyles{fsBold});
        if (readBool("RS_SItalic")) RunStr->RFont()->SetStyle(RunStr->RFont()->Style() + TFontStyles{fsItalic});
        for (const char* name : {"MainW", "MainH"}) {
          try {
            const int v = reg.ReadInteger(name);
            if (v > 0 && name[4] == 'W') SetWidth(v);
            if (v > 0 && name[4] == 'H') SetHeight(v);
          } catch (const ERegistryException&) {
          }
        }
        reading = "TimeStart";
        const int64_t timeStart = reg.ReadInt64("TimeStart");
        settingsRead_.insert("TimeStart");
        loadedTimeStartWall_ = timeStart > 0 ? timeStart : 0;
        SetTimeStart(timeStart > 0 ? SteadyFromWall(timeStart, TickNow()) : 0);
        // A stopped clock shows the time it showed (a running one resumes
        // from its kick-off); without the value it starts at 0:00.
        const String shown = readStr("TimeShown");
        if (timeStart <= 0) ShowStoppedTime(shown);
        try {
          cbInternational->SetItemIndex(readInt("Charset"));
          cbInternationalChange(cbInternational);
        } catch (const ERegistryException&) {
          mistyped("Charset", "The character set starts with its default.");
        }
        LabelStadion->SetCaption(readStr("Stadion"));
        LabelStadionName->SetCaption(readStr("StadionN"));
        cbClockAnalog->SetChecked(readBool("ClockAnalog"));
        cbSekundomer->SetChecked(readBool("ClockSekundomer"));
        cbSekTimer->SetChecked(readBool("ClockTimer"));
        meSekundomer->SetText(readStr("ClockTimerStr"));
        LabelSekundomer->SetCaption(meSekundomer->Text());
        for (size_t n = 1; n < StatInputs.size(); ++n)
          StatInputs[n]->SetValue(readInt("Stat1_" + IntToStr(int64_t(n))));
        // The match's cards and substitutions (texts: an absent one is empty).
        loadedKards_[0] = readStr("Kards1");
        loadedKards_[1] = readStr("Kards2");
        for (TButton* b : {bSud_Zamena1, bSud_Zamena2}) {
          const String caption = readStr(b == bSud_Zamena1 ? "Zamena1" : "Zamena2");
          if (!caption.empty()) b->SetCaption(caption);
        }
        loadedZamenaPage_ = readStr("ZamenaPage");
        loadedReferee_ = readStr("RefereeMatch");
      } catch (const ERegistryException&) {
        // The first absent or mistyped value ends the block.
        mistyped(reading, "It and the settings after it start with their defaults.");
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
  RestoreMatchEvents();
}

namespace {
// The pieces of a stored text between its separators.
std::vector<String> Pieces(const String& text, char sep) {
  std::vector<String> out;
  size_t start = 0;
  for (;;) {
    const size_t at = text.find(sep, start);
    out.push_back(text.substr(start, at == String::npos ? String::npos : at - start));
    if (at == String::npos) return out;
    start = at + 1;
  }
}

// The cards of one side: "number=count" for every person with a count,
// separated by ";".
String CardsText(const TTeamSlot& side) {
  String out;
  for (const TPlayerRec& r : side.Players) {
    if (r.Nr <= 0 || Trim(r.K).empty()) continue;
    if (!out.empty()) out += ";";
    out += IntToStr(r.Nr) + "=" + Trim(r.K);
  }
  return out;
}
}  // namespace

void TFormMain::RestoreMatchEvents() {
  // The cards go back to the side they were given in, when that side is the
  // team stored with them (a side changed since keeps its file's cards).
  for (int k = 0; k < 2; ++k) {
    TTeamSlot& side = TeamSlots[size_t(k + 1)];
    if (loadedKards_[k].empty() || side.Name.empty() || side.Name != loadedSide_[k]) continue;
    for (const String& item : Pieces(loadedKards_[k], ';')) {
      const size_t eq = item.find('=');
      int nr = 0, count = 0;
      if (eq == String::npos || !TryStrToInt(Trim(item.substr(0, eq)), nr) ||
          !TryStrToInt(Trim(item.substr(eq + 1)), count) || count < 0)
        continue;
      for (TPlayerRec& r : side.Players)
        if (r.Nr == nr && !(r.F + r.I).empty()) r.K = IntToStr(count);
    }
  }
}

void TFormMain::RestoreSubstitutionPage() {
  // "side,out,in,shown,minute": the page's side, the chosen players and the
  // minute label, as the operator left them.
  if (loadedZamenaPage_.empty()) return;
  const std::vector<String> parts = Pieces(loadedZamenaPage_, ',');
  if (parts.size() < 5) return;
  int side = 0, out = 0, in = 0, shown = 0;
  if (!TryStrToInt(parts[0], side) || !TryStrToInt(parts[1], out) || !TryStrToInt(parts[2], in) ||
      !TryStrToInt(parts[3], shown) || side < 0 || side >= cb_T_Zamena->Items()->Count())
    return;
  cb_T_Zamena->SetItemIndex(side);
  cb_T_ZamenaChange(cb_T_Zamena);
  if (out >= -1 && out < ListZamenaOut->Count()) ListZamenaOut->SetItemIndex(out);
  if (in >= -1 && in < ListZamenaIn->Count()) ListZamenaIn->SetItemIndex(in);
  ListZamenaOutClick(ListZamenaOut);
  ListZamenaOutClick(ListZamenaIn);
  String minute = parts[4];
  for (size_t i = 5; i < parts.size(); ++i) minute += "," + parts[i];
  Zamena_Min->SetCaption(minute);
  Zamena_Min->SetVisible(shown != 0);
}

void TFormMain::RestoreRefereeValues() {
  // After the confirmed match went back to the display pages: the referee's
  // sheet holds the period and score as the operator left them.
  const std::vector<String> parts = Pieces(loadedReferee_, ',');
  int period = 0, s1 = 0, s2 = 0;
  if (parts.size() != 3 || !TryStrToInt(parts[0], period) || !TryStrToInt(parts[1], s1) ||
      !TryStrToInt(parts[2], s2) || period < -1 || period >= cbSud_Period->Items()->Count())
    return;
  cbSud_Period->SetItemIndex(period);
  seSud_Schet1->SetValue(s1);
  seSud_Schet2->SetValue(s2);
}

void TFormMain::ForEachSetting(
    const std::function<void(const String& Name, TRegDataType Type, int64_t Num, const String& Text)>& f) {
  auto I = [&](const String& n, int64_t v) { f(n, rdInteger, v, String()); };
  auto B = [&](const String& n, bool v) { f(n, rdBool, v ? 1 : 0, String()); };
  auto S = [&](const String& n, const String& v) { f(n, rdString, 0, v); };
  I("XWidth", PendingOutputSize().X);
  I("YHeight", PendingOutputSize().Y);
  I("MediaAspect", FrameMedia1->rgMediaAspect->ItemIndex());
  I("MediaVolume", FrameMedia1->SoundLevel->Position());
  B("PicsCls", FrameMedia1->cbPicsCls->Checked());
  I("PicsPause", FrameMedia1->PicsShowPause->Value());
  I("FixCmdN", int(cbFixCmd1->Tag()));
  I("K0", cbSek_Komands->ItemIndex());
  S("K1", TeamSlots[1].Name);
  S("K2", TeamSlots[2].Name);
  I("Period", MatchPeriod);
  I("S1", MatchScore[0]);
  I("S2", MatchScore[1]);
  S("Title", eSek_Title->Text());
  I("Tur", seSek_Tur->Value());
  B("ShowTime", seTablo_ShowTime->Checked());
  B("ShowTown", seTablo_ShowTown->Checked());
  B("ShowTitle", seTablo_ShowTitle->Checked());
  B("ShowTur", seTablo_ShowTur->Checked());
  B("ShowZamenaMin", seZamena_ShowMin->Checked());
  I("Igrok_Wait", seIgok_Wait->Value());
  B("ShowKards", cbKards->Checked());
  for (int n = 0; n < PageControl1->PageCount(); ++n) I("Pg" + IntToStr(n), int(PageControl1->Pages(n)->Tag()));
  S("Gol1Media", bSud_Gol1->Hint());
  S("Gol2Media", bSud_Gol2->Hint());
  B("PicOnTVovl", cbTVpic_Transp->Checked());
  I("RS_Speed", rlSpeed->Position());
  I("RS_Napr", rlNapr->ItemIndex());
  I("RS_Color", int(RunStr->RFont()->Color()));
  B("RS_Top", cbRlTop->Checked());
  I("RS_Size", RunStr->RFont()->Size());
  S("RS_Name", RunStr->RFont()->Name());
  B("RS_SBold", RunStr->RFont()->Style().Contains(fsBold));
  B("RS_SItalic", RunStr->RFont()->Style().Contains(fsItalic));
  // The kick-off of a running clock, in wall-clock milliseconds so that a
  // restart of the machine does not spoil it; 0 while the clock stands. A
  // match resumed at start-up and running on from its kick-off writes the
  // stored kick-off back exactly, so restarts never move it.
  // Worked out once for a kick-off, so that saves while the clock runs all
  // write the same value.
  int64_t kickOff = 0;
  if (MatchClockRunning()) {
    if (resumedTimeStart_ != 0 && TimeStart() == resumedTimeStart_) {
      kickOff = loadedTimeStartWall_;
    } else {
      if (kickOffWallFor_ != TimeStart() || kickOffWall_ == 0) {
        kickOffWallFor_ = TimeStart();
        kickOffWall_ = WallClockMs() - (TickNow() - TimeStart());
      }
      kickOff = kickOffWall_;
    }
  }
  f("TimeStart", rdInt64, kickOff, String());
  // The time a stopped clock shows (a stopped clock writes no kick-off).
  S("TimeShown", MatchClockRunning() ? String() : Trim(eSud_Time->Text()));
  I("Charset", cbInternational->ItemIndex());
  S("Stadion", LabelStadion->Caption());
  S("StadionN", LabelStadionName->Caption());
  B("ClockAnalog", cbClockAnalog->Checked());
  B("ClockSekundomer", cbSekundomer->Checked());
  B("ClockTimer", cbSekTimer->Checked());
  S("ClockTimerStr", meSekundomer->Text());
  for (size_t n = 1; n < StatInputs.size(); ++n) I("Stat1_" + IntToStr(int64_t(n)), StatInputs[n]->Value());
  // Cards and substitutions of the match, with its other settings.
  S("Kards1", CardsText(TeamSlots[1]));
  S("Kards2", CardsText(TeamSlots[2]));
  S("Zamena1", bSud_Zamena1->Caption());
  S("Zamena2", bSud_Zamena2->Caption());
  S("ZamenaPage", IntToStr(cb_T_Zamena->ItemIndex()) + "," + IntToStr(ListZamenaOut->ItemIndex()) + "," +
                      IntToStr(ListZamenaIn->ItemIndex()) + "," + (Zamena_Min->Visible() ? "1" : "0") + "," +
                      Zamena_Min->Caption());
  // The referee's period and score as set, when they are not the confirmed
  // ones ("Period", "S1", "S2"): a period chosen or a score corrected without
  // a confirmation yet. Empty otherwise.
  const bool confirmed = cbSud_Period->ItemIndex() == MatchPeriod && seSud_Schet1->Value() == MatchScore[0] &&
                         seSud_Schet2->Value() == MatchScore[1];
  S("RefereeMatch", confirmed ? String() : IntToStr(cbSud_Period->ItemIndex()) + "," +
                                               IntToStr(seSud_Schet1->Value()) + "," + IntToStr(seSud_Schet2->Value()));
  I("VideoDrv", rgVideoDrv->ItemIndex());
}

namespace {
String settingText(TRegDataType type, int64_t num, const String& text) {
  return IntToStr(int64_t(type)) + ":" + (type == rdString ? text : IntToStr(num));
}
}  // namespace

void TFormMain::RememberSettingsAsLoaded() {
  settingsAsLoaded_.clear();
  ForEachSetting([&](const String& name, TRegDataType type, int64_t num, const String& text) {
    settingsAsLoaded_[name] = settingText(type, num, text);
  });
}

std::vector<TSettingValue> TFormMain::TakeSettingValues() {
  std::vector<TSettingValue> out;
  out.reserve(settingsAsLoaded_.size() + 8);
  ForEachSetting([&](const String& name, TRegDataType type, int64_t num, const String& text) {
    // A stored value that start-up did not read, and that the operator
    // has not changed since, stays as it is ("VideoDrv" is never read).
    auto was = settingsAsLoaded_.find(name);
    const bool unchanged = was != settingsAsLoaded_.end() && was->second == settingText(type, num, text);
    out.push_back(TSettingValue{name, type, num, text, name != "VideoDrv" && !settingsRead_.count(name) && unchanged});
  });
  return out;
}

void TFormMain::SaveSettings() {
  TRegistry reg;
  reg.SetRootKey(HKEY_CURRENT_USER);
  try {
    if (!reg.OpenKey(SettingsKeyPath, true)) return;
    if (!MatchClockRunning()) SetTimeStart(0);
    WriteSettingValues(reg, TakeSettingValues());
    reg.CloseKey();
  } catch (const ERegistryException& e) {
    // The settings could not be written (e.g. a full disk): say so.
    ReportShutdownFailure(e);
  }
}

// ---------------------------------------------------------------------------
// Saving as the match changes
// ---------------------------------------------------------------------------

namespace {
// A look for changes twice a second; a match event's save is handed over
// right after the handler that asked for it.
constexpr int LookMs = 500;
constexpr int SoonMs = 20;
}  // namespace

void TFormMain::StartMatchSaving() {
  // What start-up found is what the disk holds: nothing to write yet.
  savedSettings_ = TakeSettingValues();
  savedGoals_ = TabloGol_List->Lines()->Text();
  goalsChangesSaved_ = goalsChanges_;
  // No two writes closer together than a tick of the match clock.
  matchWriter_ = std::make_shared<TMatchStateWriter>(std::max(1, TimerIgra->Interval()), golsFile_);
  matchSaveLook_ = new TTimer(this);
  matchSaveLook_->SetEnabled(false);
  matchSaveLook_->SetInterval(LookMs);
  matchSaveLook_->OnTimer = [this](TObject*) {
    // A write that failed is said, and tried again with the next look.
    const String failure = matchWriter_->TakeFailure();
    if (!failure.empty()) {
      ShowStatusError(failure);
      savedSettings_.clear();
      goalsToWrite_ = true;
    }
    const String note = matchWriter_->TakeNote();
    if (!note.empty()) ShowStatusError(note);
    SaveMatchStateNow();
  };
  matchSaveSoon_ = new TTimer(this);
  matchSaveSoon_->SetEnabled(false);
  matchSaveSoon_->SetInterval(SoonMs);
  matchSaveSoon_->OnTimer = [this](TObject*) {
    matchSaveSoon_->SetEnabled(false);
    SaveMatchStateNow();
  };
  SetMatchSaving(true);
}

void TFormMain::StopMatchSaving() {
  SetMatchSaving(false);
  // The close writes everything after the last write under way, and knows
  // what the goal list's file holds now.
  if (!matchWriter_) return;
  matchWriter_->Stop();
  golsFile_ = matchWriter_->GoalsState();
}

void TFormMain::SetMatchSaving(bool On) {
  matchSaving_ = On && matchWriter_ != nullptr;
  if (matchSaveLook_) matchSaveLook_->SetEnabled(matchSaving_);
  if (matchSaveSoon_ && !matchSaving_) matchSaveSoon_->SetEnabled(false);
}

void TFormMain::MatchStateChanged() {
  if (matchSaving_ && !matchSaveSoon_->Enabled()) matchSaveSoon_->SetEnabled(true);
}

void TFormMain::SaveMatchStateNow() {
  if (!matchSaving_) return;
  std::vector<TSettingValue> values = TakeSettingValues();
  // A goal list that could not be read is not saved over; one that has not
  // changed since (the editor tells every change) is not looked at.
  const bool goalsTouched = !golsUnreadable_ && (goalsToWrite_ || goalsChanges_ != goalsChangesSaved_);
  String goals = goalsTouched ? TabloGol_List->Lines()->Text() : savedGoals_;
  goalsChangesSaved_ = goalsChanges_;
  const bool settingsChanged = values != savedSettings_;
  const bool goalsChanged = goalsTouched && (goalsToWrite_ || goals != savedGoals_);
  if (!settingsChanged && !goalsChanged) return;
  TMatchSave save;
  save.Serial = ++matchSaveSerial_;
  save.KeyPath = SettingsKeyPath;
  if (settingsChanged) {
    // A value written is the console's own from now on.
    for (const TSettingValue& v : values)
      if (!v.KeepStored) settingsRead_.insert(v.Name);
    save.Settings = values;
    savedSettings_ = std::move(values);
  }
  if (goalsChanged) {
    save.Goals = goals;
    savedGoals_ = std::move(goals);
    goalsToWrite_ = false;
  }
  matchWriter_->Put(std::move(save));
}

bool TFormMain::MatchStateSaved() {
  if (!matchWriter_ || goalsToWrite_ || TakeSettingValues() != savedSettings_) return false;
  if (!golsUnreadable_ && goalsChanges_ != goalsChangesSaved_ && TabloGol_List->Lines()->Text() != savedGoals_)
    return false;
  return matchWriter_->Ended() >= matchSaveSerial_ && !matchWriter_->LastFailed();
}

int TFormMain::MatchStateWrites() const { return matchWriter_ ? matchWriter_->Writes() : 0; }
