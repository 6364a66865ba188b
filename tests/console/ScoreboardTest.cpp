// The scoreboard: choosing the sides, the confirmation that copies the match
// onto the display pages, the match header, the Main page's show switches
// and the character set.
#include <set>
#include "ConsoleFixture.h"
#include "console/FrMedia.h"
#include "controls/Label3D.h"
#include "controls/RunLabel.h"
#include "grids/SortGrid.h"

namespace {

class ScoreboardTest : public ConsoleFixture {
 protected:
  void SetUp() override {
    ConsoleFixture::SetUp();
    WriteTeam("Alpha (North)", "Alpha", "North", "logo.bmp");
    WriteTeam("Beta (South)", "Beta", "South", "");
    TBitmap logo(8, 6);
    logo.Fill(clRed);
    logo.SaveToFile(app_ + "Teams/Alpha (North)/logo.bmp");
  }
  void WriteTeam(const String& folder, const String& name, const String& town, const String& logo) {
    std::filesystem::create_directories(app_ + "Teams/" + folder);
    WriteFile("Teams/" + folder + "/" + folder + ".txt",
              "[Name]\nLName=" + name + "\nSName=X\nTown=" + town + "\nLogo=" + logo + "\n");
  }
  static void Choose(TFormMain* f, TComboBox* side, int index) {
    side->SetItemIndex(index);
    f->cbSud_Comanda1Change(side);
  }
  // Items of the side lists: 0 " Team select", then the library in order.
  static constexpr int Alpha = 1, Beta = 2;
};

TEST_F(ScoreboardTest, BothSidesMustHoldDifferentTeams) {
  TFormMain* f = Create();
  auto matchControls = [f] {
    return std::vector<bool>{f->bFullOK->Enabled(), f->Sud_Play->Enabled(), f->cbSud_Period->Enabled(),
                             f->seSud_Schet1->Enabled(), f->seSud_Schet2->Enabled()};
  };
  const std::vector<bool> none(5, false), all(5, true);
  ASSERT_EQ(f->cbSud_Comanda1->Items()->Get(0), " Team select");
  EXPECT_FALSE(f->FTeamsChosen);
  EXPECT_EQ(matchControls(), none);
  EXPECT_FALSE(f->cbFixCmd1->Enabled());

  Choose(f, f->cbSud_Comanda1, Alpha);
  EXPECT_FALSE(f->FTeamsChosen);
  EXPECT_EQ(matchControls(), none);
  EXPECT_TRUE(f->cbFixCmd1->Enabled());

  Choose(f, f->cbSud_Comanda2, Alpha);   // the same team twice
  EXPECT_FALSE(f->FTeamsChosen);
  EXPECT_EQ(matchControls(), none);

  Choose(f, f->cbSud_Comanda2, Beta);
  EXPECT_TRUE(f->FTeamsChosen);
  EXPECT_EQ(matchControls(), all);

  // Back to " Team select": the slot is read again by the next confirmation.
  f->bFullOK->Click();
  ASSERT_EQ(f->TeamSlots[1].Name, "Alpha (North)");
  Choose(f, f->cbSud_Comanda1, 0);
  EXPECT_FALSE(f->FTeamsChosen);
  EXPECT_EQ(matchControls(), none);
  EXPECT_EQ(f->TeamSlots[1].Name, "");
  EXPECT_EQ(f->TeamSlots[2].Name, "Beta (South)");
  EXPECT_FALSE(f->cbFixCmd1->Enabled());
}

TEST_F(ScoreboardTest, ConfirmationCopiesTheMatchToThePages) {
  TFormMain* f = Create();
  Choose(f, f->cbSud_Comanda1, Alpha);
  Choose(f, f->cbSud_Comanda2, Beta);
  f->seSud_Schet1->SetValue(3);
  f->seSud_Schet2->SetValue(1);
  f->cbSud_Period->SetItemIndex(1);
  f->bFullOK->Click();

  for (TLabel3D* l : {f->eTablo_K1, f->eTabloGol_K1, f->eTabloStat_K1}) EXPECT_EQ(l->Caption(), "Alpha") << l->Name();
  for (TLabel3D* l : {f->eTablo_K2, f->eTabloGol_K2, f->eTabloStat_K2}) EXPECT_EQ(l->Caption(), "Beta") << l->Name();
  EXPECT_EQ(f->eTablo_Town1->Caption(), "North");
  EXPECT_EQ(f->eTabloGol_Town2->Caption(), "South");
  for (TLabel3D* l : {f->seTablo_Schet1, f->eTabloGol_Schet1, f->eTabloStat_Schet1}) EXPECT_EQ(l->Caption(), "3");
  for (TLabel3D* l : {f->seTablo_Schet2, f->eTabloGol_Schet2, f->eTabloStat_Schet2}) EXPECT_EQ(l->Caption(), "1");
  EXPECT_EQ(f->MatchScore, (std::array<int32_t, 2>{3, 1}));
  EXPECT_EQ(f->eTablo_Period->Caption(), "2");
  EXPECT_EQ(f->eTabloGol_Period->Caption(), "2");
  EXPECT_EQ(f->MatchPeriod, 1);
  // Logos: side 1 has one, side 2 none.
  EXPECT_EQ(f->iTablo_Logo1->Picture()->Width(), 8);
  EXPECT_EQ(f->iSud_Logo1->Picture()->Width(), 8);
  EXPECT_EQ(f->iTablo_Logo2->Picture()->Graphic(), nullptr);
  // The side lists of the other pages.
  for (TComboBox* cb : {f->cb_T_Zamena, f->cb_T_Igroki, f->cb_T_Sostav}) {
    ASSERT_EQ(cb->Items()->Count(), 2) << cb->Name();
    EXPECT_EQ(cb->Items()->Get(0), "Alpha (North)");
    EXPECT_EQ(cb->Items()->Get(1), "Beta (South)");
    EXPECT_TRUE(cb->Enabled());
  }
  EXPECT_EQ(f->cb_T_Igroki->ItemIndex(), 0);
  EXPECT_EQ(f->cb_T_Sostav->ItemIndex(), 0);

  // The lists keep their selection when the sides change.
  f->cb_T_Zamena->SetItemIndex(1);
  f->cb_T_Igroki->SetItemIndex(1);
  Choose(f, f->cbSud_Comanda1, 0);
  Choose(f, f->cbSud_Comanda2, Alpha);
  Choose(f, f->cbSud_Comanda1, Beta);
  f->bFullOK->Click();
  EXPECT_EQ(f->cb_T_Zamena->ItemIndex(), 1);
  EXPECT_EQ(f->cb_T_Zamena->Text(), "Alpha (North)");
  EXPECT_EQ(f->cb_T_Sostav->ItemIndex(), 1);
  EXPECT_EQ(f->eTablo_K1->Caption(), "Beta");
  // Side 2's referee logo was emptied by the change and then takes the new one.
  EXPECT_EQ(f->iSud_Logo2->Picture()->Width(), 8);
  EXPECT_EQ(f->iSud_Logo1->Picture()->Graphic(), nullptr);
}

TEST_F(ScoreboardTest, UnchangedSidesAreNotReadAgain) {
  TFormMain* f = Create();
  Choose(f, f->cbSud_Comanda1, Alpha);
  Choose(f, f->cbSud_Comanda2, Beta);
  f->bFullOK->Click();
  ASSERT_EQ(f->eTablo_K1->Caption(), "Alpha");
  WriteTeam("Alpha (North)", "Alpha Renamed", "North", "logo.bmp");
  f->bFullOK->Click();
  EXPECT_EQ(f->eTablo_K1->Caption(), "Alpha");
  // Another choice and back: read again.
  Choose(f, f->cbSud_Comanda1, 0);
  Choose(f, f->cbSud_Comanda1, Alpha);
  f->bFullOK->Click();
  EXPECT_EQ(f->eTablo_K1->Caption(), "Alpha Renamed");
}

TEST_F(ScoreboardTest, UnreadableLogoEmptiesOnlyTheDisplayLogo) {
  TFormMain* f = Create();
  Choose(f, f->cbSud_Comanda1, Alpha);
  Choose(f, f->cbSud_Comanda2, Beta);
  TBitmap old(5, 5);
  f->iSud_Logo1->Picture()->SetGraphic(&old);
  WriteFile("Teams/Alpha (North)/logo.bmp", "this is not a picture");
  f->seSud_Schet2->SetValue(4);
  f->bFullOK->Click();
  EXPECT_EQ(f->iTablo_Logo1->Picture()->Graphic(), nullptr);
  EXPECT_EQ(f->iSud_Logo1->Picture()->Width(), 5);
  // The rest of the refresh went on.
  EXPECT_EQ(f->eTablo_K2->Caption(), "Beta");
  EXPECT_EQ(f->seTablo_Schet2->Caption(), "4");
}

TEST_F(ScoreboardTest, FixedSideOneStaysLocked) {
  TFormMain* f = Create();
  Choose(f, f->cbSud_Comanda1, Beta);
  Choose(f, f->cbSud_Comanda2, Alpha);
  f->cbFixCmd1->SetChecked(true);
  EXPECT_EQ(f->cbFixCmd1->Tag(), Beta);
  EXPECT_FALSE(f->cbSud_Comanda1->Enabled());
  // A stopped clock frees side 2 but not the fixed side 1.
  f->Sud_Play->Click();
  f->Sud_Stop->Click();
  EXPECT_FALSE(f->cbSud_Comanda1->Enabled());
  EXPECT_TRUE(f->cbSud_Comanda2->Enabled());
  f->cbFixCmd1->SetChecked(false);
  EXPECT_EQ(f->cbFixCmd1->Tag(), 0);
  EXPECT_TRUE(f->cbSud_Comanda1->Enabled());
}

TEST_F(ScoreboardTest, TitleAndRound) {
  TFormMain* f = Create();
  EXPECT_EQ(f->labTablo_Tur->Caption(), "3-th tour");
  f->eSek_Title->SetText("Cup Final");
  f->eSek_Title->OnExit(f->eSek_Title);
  EXPECT_EQ(f->labTablo_Title->Caption(), "Cup Final");
  f->seSek_Tur->SetValue(12);
  EXPECT_EQ(f->labTablo_Tur->Caption(), "12-th tour");
  f->eTour->SetText(" round");
  f->eTour->OnExit(f->eTour);
  EXPECT_EQ(f->labTablo_Tur->Caption(), "12 round");
}

TEST_F(ScoreboardTest, ShowSwitchesRestackTheMainPage) {
  TFormMain* f = Create();
  const int bottom = f->PanelTablo0->ClientHeight();
  f->seTablo_ShowTitle->SetChecked(false);
  EXPECT_FALSE(f->labTablo_Title->Visible());
  EXPECT_EQ(f->iTablo_Logo1->Top(), 0);
  EXPECT_EQ(f->iTablo_Logo2->Top(), 0);
  EXPECT_EQ(f->labTablo_Tur->Top(), 0);
  const int names = f->iTablo_Logo1->Height();
  EXPECT_EQ(f->eTablo_K1->Top(), names);
  EXPECT_EQ(f->eTablo_Town2->Top(), names + f->eTablo_K1->Height());
  int scores = names + f->eTablo_K1->Height() + f->eTablo_Town1->Height();
  EXPECT_EQ(f->seTablo_Schet1->Top(), scores);
  EXPECT_EQ(f->seTablo_Schet2->Top() + f->seTablo_Schet2->Height(), bottom);
  EXPECT_EQ(f->seTablo_Schet1->Font()->Size(), Round((bottom - scores) * 0.88));

  // Without towns the scores start right below the names.
  f->seTablo_ShowTown->SetChecked(false);
  EXPECT_FALSE(f->eTablo_Town1->Visible());
  EXPECT_FALSE(f->eTablo_Town2->Visible());
  scores = names + f->eTablo_K1->Height();
  EXPECT_EQ(f->seTablo_Schet2->Top(), scores);
  EXPECT_EQ(f->seTablo_Schet2->Height(), bottom - scores);
  EXPECT_EQ(f->seTablo_Schet2->Font()->Size(), Round((bottom - scores) * 0.88));

  // Title back: everything moves down by its height.
  f->seTablo_ShowTitle->SetChecked(true);
  EXPECT_EQ(f->iTablo_Logo1->Top(), f->labTablo_Title->Height());
  EXPECT_EQ(f->seTablo_Schet1->Top(), f->labTablo_Title->Height() + scores);

  f->seTablo_ShowTur->SetChecked(false);
  EXPECT_FALSE(f->labTablo_Tur->Visible());
  EXPECT_TRUE(f->labTablo_Title->Visible());
}

// Every 3-D label and paint box anywhere inside a container.
void CollectPageObjects(TWinControl* p, std::vector<TControl*>& out) {
  for (int k = 0; k < p->ControlCount(); ++k) {
    TControl* c = p->Controls(k);
    if (dynamic_cast<TLabel3D*>(c) || dynamic_cast<TPaintBox*>(c)) out.push_back(c);
    if (auto* w = dynamic_cast<TWinControl*>(c)) CollectPageObjects(w, out);
  }
}

TEST_F(ScoreboardTest, CharsetReachesExactlyTheListedControls) {
  TFormMain* f = Create();
  ASSERT_EQ(f->cbInternational->Items()->Get(14), "RUSSIAN");
  f->cbInternational->SetItemIndex(14);
  f->cbInternational->OnChange(f->cbInternational);

  const std::vector<TControl*> listed = {
      f->LabelStadion, f->LabelStadionName, f->eSek_Title,    f->eTour,        f->sgSek_Sostav,   f->eSek_KomName,
      f->eSek_KomName2, f->eSek_KomTown,    f->cbSek_Komands, f->cbSud_Comanda1, f->cbSud_Comanda2, f->cb_T_Sostav,
      f->cb_T_Zamena,  f->cb_T_Igroki,      f->TabloGol_List, f->DopPics,      f->ListZamenaOut,  f->ListZamenaIn,
      f->ListIgroki,   f->ListRunStr,       f->ListPicOnTV,   f->RS_edit,      f->ListRTF,        f->LabelRS_Color,
      f->RunStr,       f->RichEdit1};
  for (TControl* c : listed) EXPECT_EQ(c->Font()->Charset(), RUSSIAN_CHARSET) << c->Name();
  EXPECT_EQ(f->RunStr->RFont()->Charset(), RUSSIAN_CHARSET);

  std::vector<TControl*> matchPages;
  for (TWinControl* p : {f->PanelTablo0, f->PanelTablo1, f->PanelSostav, f->PanelTablo3, f->PanelTablo4, f->PanelStat})
    for (int k = 0; k < p->ControlCount(); ++k)
      if (dynamic_cast<TLabel3D*>(p->Controls(k)) || dynamic_cast<TPaintBox*>(p->Controls(k)))
        matchPages.push_back(p->Controls(k));
  ASSERT_GT(matchPages.size(), 20u);
  for (TControl* c : matchPages) EXPECT_EQ(c->Font()->Charset(), RUSSIAN_CHARSET) << c->Name();

  // Not the TV+, media, clock and internet pages' own objects, and nothing
  // that is not listed.
  std::vector<TControl*> others;
  for (TWinControl* p : {f->PanelTablo5, f->FrameMedia1->PanelMedia, f->PanelTablo8, f->PanelInet})
    CollectPageObjects(p, others);
  std::erase(others, static_cast<TControl*>(f->LabelStadionName));
  ASSERT_FALSE(others.empty());
  for (TControl* c : others) EXPECT_NE(c->Font()->Charset(), RUSSIAN_CHARSET) << c->Name();
  for (TControl* c : std::initializer_list<TControl*>{f->seTablo_ShowTown, f->eSud_Time, f->cbSud_Period,
                                                      f->ListInet, f->bFullOK, f->PanelTablo0})
    EXPECT_NE(c->Font()->Charset(), RUSSIAN_CHARSET) << c->Name();

  // Back to ANSI reaches the same controls.
  f->cbInternational->SetItemIndex(0);
  f->cbInternational->OnChange(f->cbInternational);
  for (TControl* c : listed) EXPECT_EQ(c->Font()->Charset(), ANSI_CHARSET) << c->Name();
  for (TControl* c : matchPages) EXPECT_EQ(c->Font()->Charset(), ANSI_CHARSET) << c->Name();
}

TEST_F(ScoreboardTest, CharsetIndexOutsideTheTableChangesNothing) {
  TFormMain* f = Create();
  const TFontCharset before = f->eTablo_K1->Font()->Charset();
  f->cbInternational->SetItemIndex(-1);
  f->cbInternationalChange(f->cbInternational);
  EXPECT_EQ(f->eTablo_K1->Font()->Charset(), before);
  EXPECT_EQ(f->cbSud_Comanda1->Font()->Charset(), before);
}

}  // namespace
