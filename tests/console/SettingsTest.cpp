// The settings store: what a start reads, in which order, with which guards,
// and what a shutdown writes.
#include "ConsoleFixture.h"
#include "console/FrMedia.h"
#include "controls/Label3D.h"
#include "controls/RunLabel.h"

namespace {

// Sets a value of every row that a start reads back into a control.
void ChangeEverything(TFormMain* f) {
  f->FrameMedia1->rgMediaAspect->SetItemIndex(2);
  f->FrameMedia1->SoundLevel->SetPosition(4000);
  f->FrameMedia1->cbPicsCls->SetChecked(true);
  f->FrameMedia1->PicsShowPause->SetValue(17);
  f->seSud_Schet1->SetValue(3);
  f->seSud_Schet2->SetValue(1);
  f->cbSud_Period->SetItemIndex(2);
  // What the confirmation would have applied.
  f->MatchScore = {3, 1};
  f->MatchPeriod = 2;
  f->eSek_Title->SetText("Cup final");
  f->seSek_Tur->SetValue(12);
  f->seTablo_ShowTime->SetChecked(false);
  f->seTablo_ShowTown->SetChecked(false);
  f->seTablo_ShowTitle->SetChecked(false);
  f->seTablo_ShowTur->SetChecked(false);
  f->seZamena_ShowMin->SetChecked(true);
  f->seIgok_Wait->SetValue(9);
  f->cbKards->SetChecked(false);
  // every page a valid word: effect n + 1, step 4
  for (int n = 0; n < f->PageControl1->PageCount(); ++n) f->PageControl1->Pages(n)->SetTag(0x0400 + n + 1);
  f->TabSheet3->SetTag(intptr_t(int32_t(0x80000000u | 0x0305)));   // random flag, step 3, effect 5
  f->bSud_Gol1->SetHint("/clips/goal1.avi");
  f->bSud_Gol2->SetHint("/clips/goal2.avi");
  f->cbTVpic_Transp->SetChecked(false);
  f->rlSpeed->SetPosition(-2);
  f->rlNapr->SetItemIndex(2);
  f->RunStr->RFont()->SetColor(clYellow);
  f->cbRlTop->SetChecked(true);
  f->RunStr->RFont()->SetSize(30);
  f->RunStr->RFont()->SetName("DejaVu Sans");
  f->RunStr->RFont()->SetStyle({fsBold, fsItalic});
  f->cbInternational->SetItemIndex(14);
  f->LabelStadion->SetCaption("Arena");
  f->LabelStadionName->SetCaption("NORTH");
  f->cbClockAnalog->SetChecked(false);
  f->cbSekundomer->SetChecked(false);
  f->cbSekTimer->SetChecked(true);
  f->meSekundomer->SetText("00:45.00");
  for (size_t n = 1; n <= 14; ++n) f->StatInputs[n]->SetValue(int(n * 7));
}

}  // namespace

using SettingsTest = ConsoleFixture;

TEST_F(SettingsTest, RoundTripKeepsEveryRow) {
  ChangeEverything(Create());
  Destroy();
  const auto first = DumpKey();
  ASSERT_FALSE(first.empty());

  TFormMain* f = Create();
  EXPECT_EQ(f->FrameMedia1->rgMediaAspect->ItemIndex(), 2);
  EXPECT_EQ(f->FrameMedia1->SoundLevel->Position(), 4000);
  EXPECT_TRUE(f->FrameMedia1->cbPicsCls->Checked());
  EXPECT_EQ(f->FrameMedia1->PicsShowPause->Value(), 17);
  EXPECT_EQ(f->seSud_Schet1->Value(), 3);
  EXPECT_EQ(f->seSud_Schet2->Value(), 1);
  EXPECT_EQ(f->cbSud_Period->ItemIndex(), 2);
  EXPECT_EQ(f->eSek_Title->Text(), "Cup final");
  EXPECT_EQ(f->seSek_Tur->Value(), 12);
  EXPECT_EQ(f->labTablo_Tur->Caption(), "12-th tour");
  EXPECT_FALSE(f->seTablo_ShowTime->Checked());
  EXPECT_FALSE(f->seTablo_ShowTown->Checked());
  EXPECT_FALSE(f->seTablo_ShowTitle->Checked());
  EXPECT_FALSE(f->seTablo_ShowTur->Checked());
  EXPECT_TRUE(f->seZamena_ShowMin->Checked());
  EXPECT_EQ(f->seIgok_Wait->Value(), 9);
  EXPECT_FALSE(f->cbKards->Checked());
  EXPECT_EQ(f->TabSheet1->Tag(), 0x0402);
  EXPECT_EQ(uint32_t(f->TabSheet3->Tag()), 0x80000305u);
  EXPECT_EQ(f->bSud_Gol1->Hint(), "/clips/goal1.avi");
  EXPECT_EQ(f->bSud_Gol2->Hint(), "/clips/goal2.avi");
  EXPECT_FALSE(f->cbTVpic_Transp->Checked());
  EXPECT_EQ(f->rlSpeed->Position(), -2);
  EXPECT_EQ(f->rlNapr->ItemIndex(), 2);
  EXPECT_EQ(f->RunStr->RFont()->Color(), clYellow);
  EXPECT_TRUE(f->cbRlTop->Checked());
  EXPECT_EQ(f->RunStr->RFont()->Size(), 30);
  EXPECT_EQ(f->RunStr->RFont()->Name(), "DejaVu Sans");
  EXPECT_TRUE(f->RunStr->RFont()->Style().Contains(fsBold));
  EXPECT_TRUE(f->RunStr->RFont()->Style().Contains(fsItalic));
  EXPECT_EQ(f->LabelRS_Color->Font()->Color(), clYellow);
  EXPECT_EQ(f->LabelRS_Color->Font()->Size(), 30);
  EXPECT_EQ(f->cbInternational->ItemIndex(), 14);
  EXPECT_EQ(f->LabelStadion->Caption(), "Arena");
  EXPECT_EQ(f->LabelStadionName->Caption(), "NORTH");
  EXPECT_FALSE(f->cbClockAnalog->Checked());
  EXPECT_FALSE(f->cbSekundomer->Checked());
  EXPECT_TRUE(f->cbSekTimer->Checked());
  EXPECT_EQ(f->meSekundomer->Text(), "00:45.00");
  EXPECT_EQ(f->LabelSekundomer->Caption(), "00:45.00");
  for (size_t n = 1; n <= 14; ++n) EXPECT_EQ(f->StatInputs[n]->Value(), int(n * 7)) << n;
  // The match as applied is what the settings held, so a close without a
  // new confirmation keeps it.
  EXPECT_EQ(f->MatchScore[0], 3);
  EXPECT_EQ(f->MatchScore[1], 1);
  EXPECT_EQ(f->MatchPeriod, 2);

  Destroy();
  EXPECT_EQ(DumpKey(), first);
}

TEST_F(SettingsTest, DeletedTurEndsTheGuardedBlock) {
  ChangeEverything(Create());
  Destroy();
  EditKey([](TRegistry& r) {
    ASSERT_TRUE(r.DeleteValue("Tur"));
    r.WriteInteger("MainW", 900);
  });
  TFormMain* f = Create();
  // Rows 1..12 applied.
  EXPECT_EQ(f->FrameMedia1->rgMediaAspect->ItemIndex(), 2);
  EXPECT_EQ(f->FrameMedia1->PicsShowPause->Value(), 17);
  EXPECT_EQ(f->seSud_Schet2->Value(), 1);
  EXPECT_EQ(f->eSek_Title->Text(), "Cup final");
  // Everything after keeps its design value, own guards included.
  EXPECT_EQ(f->seSek_Tur->Value(), 3);
  EXPECT_TRUE(f->seTablo_ShowTime->Checked());
  EXPECT_EQ(f->TabSheet1->Tag(), 522);
  EXPECT_EQ(f->bSud_Gol1->Hint(), "");
  EXPECT_EQ(f->rlSpeed->Position(), 0);
  EXPECT_EQ(f->RunStr->RFont()->Name(), "Arial Narrow");
  EXPECT_EQ(f->Width(), 1024);
  EXPECT_EQ(f->cbInternational->ItemIndex(), 1);
  EXPECT_EQ(f->LabelStadion->Caption(), "S T A D I U M");
  EXPECT_TRUE(f->cbClockAnalog->Checked());
  EXPECT_EQ(f->StatInputs[14]->Value(), 0);
}

TEST_F(SettingsTest, MistypedIntegerEndsTheBlockLikeAnAbsentOne) {
  ChangeEverything(Create());
  Destroy();
  EditKey([](TRegistry& r) { r.WriteString("ShowKards", "yes"); });
  TFormMain* f = Create();
  EXPECT_EQ(f->seIgok_Wait->Value(), 9);       // row 19, before
  EXPECT_TRUE(f->cbKards->Checked());          // row 20, design
  EXPECT_EQ(f->TabSheet1->Tag(), 522);         // row 21, design
}

TEST_F(SettingsTest, AbsentStringDoesNotEndTheBlock) {
  ChangeEverything(Create());
  Destroy();
  EditKey([](TRegistry& r) {
    r.DeleteValue("Title");
    r.DeleteValue("Gol1Media");
  });
  TFormMain* f = Create();
  EXPECT_EQ(f->eSek_Title->Text(), "34-th Regional Football Championship");   // empty is not applied
  EXPECT_EQ(f->bSud_Gol1->Hint(), "");
  EXPECT_EQ(f->seSek_Tur->Value(), 12);
  EXPECT_EQ(f->StatInputs[14]->Value(), 98);
}

TEST_F(SettingsTest, OwnGuardsSkipOnlyTheirRow) {
  ChangeEverything(Create());
  Destroy();
  EditKey([](TRegistry& r) {
    r.WriteString("MainW", "wide");
    r.WriteInteger("MainH", 700);
    r.DeleteValue("Charset");
  });
  TFormMain* f = Create();
  EXPECT_EQ(f->Width(), 1024);
  EXPECT_EQ(f->Height(), 700);
  EXPECT_EQ(f->cbInternational->ItemIndex(), 1);
  EXPECT_EQ(f->LabelStadion->Caption(), "Arena");
  EXPECT_EQ(f->StatInputs[1]->Value(), 7);
}

TEST_F(SettingsTest, NonPositiveWindowSizeIsNotApplied) {
  WriteFullKey();
  EditKey([](TRegistry& r) {
    r.WriteInteger("MainW", 0);
    r.WriteInteger("MainH", -3);
  });
  TFormMain* f = Create();
  EXPECT_EQ(f->Width(), 1024);
  EXPECT_EQ(f->ClientHeight(), 740);
}

TEST_F(SettingsTest, FixedSideSurvivesRestarts) {
  WriteFullKey();
  EditKey([](TRegistry& r) { r.WriteInteger("FixCmdN", 2); });
  TFormMain* f = Create();
  EXPECT_TRUE(f->cbFixCmd1->Checked());
  EXPECT_EQ(f->cbFixCmd1->Tag(), 2);
  EXPECT_FALSE(f->cbSud_Comanda1->Enabled());
  Destroy();
  EXPECT_EQ(DumpKey().at("FixCmdN"), "int:2");
  f = Create();
  EXPECT_TRUE(f->cbFixCmd1->Checked());
}

TEST_F(SettingsTest, TimeStartFollowsTheClockTimer) {
  TFormMain* f = Create();
  // Play left enabled and a stale tag: the clock timer does not run.
  f->Sud_Play->SetEnabled(true);
  f->SetTimeStart(GetTickCount64() - 5000);
  Destroy();
  EXPECT_EQ(DumpKey().at("TimeStart"), "int64:0");

  f = Create();
  f->Sud_Play->SetEnabled(true);   // whatever the button's state
  const int64_t kickOffWall = WallClockMs() - 20 * 60 * 1000;
  f->SetTimeStart(GetTickCount64() - 20 * 60 * 1000);
  f->TimerIgra->SetEnabled(true);
  Destroy();
  const String stored = DumpKey().at("TimeStart");
  ASSERT_EQ(stored.rfind("int64:", 0), 0u);
  const int64_t wall = StrToInt64(stored.substr(6));
  EXPECT_NEAR(double(wall), double(kickOffWall), 2000.0);
}

TEST_F(SettingsTest, NothingWrittenWhenTheStoreCannotBeCreated) {
  // The configuration folder is a file: the key cannot be created.
  SaveTextFile(root_ + "/cfg", "not a folder");
  answer_ = mrOk;
  Create();
  Destroy();
  EXPECT_FALSE(std::filesystem::is_directory(root_ + "/cfg"));
  EXPECT_FALSE(requests_.empty());   // the failure was reported
}
