// Scoreboard refresh and match header: choice of the sides, the
// confirmation that applies the match to the display pages, title, round,
// show switches and the character set.
#include "console/FMain.h"
#include "console/FObjText.h"
#include "console/FrMedia.h"
#include "controls/Label3D.h"
#include "controls/RunLabel.h"
#include "grids/SortGrid.h"

namespace {

// Replaces the first two items of a side list by the two sides' names,
// keeping the selection.
void PutSides(TComboBox* cb, const String& side1, const String& side2) {
  const int index = cb->ItemIndex();
  TStrings* items = cb->Items();
  while (items->Count() < 2) items->Add("");
  items->Put(0, side1);
  items->Put(1, side2);
  cb->SetItemIndex(index);
}

}  // namespace

void TFormMain::cbSud_Comanda1Change(TObject* Sender) {
  // The referee's logo of the changed side waits for the confirmation.
  const TComponent* sender = dynamic_cast<const TComponent*>(Sender);
  const intptr_t side = sender ? sender->Tag() : 0;
  if (side == 1) iSud_Logo1->Picture()->Clear();
  if (side == 2) iSud_Logo2->Picture()->Clear();
  // Two different teams.
  const int i1 = cbSud_Comanda1->ItemIndex(), i2 = cbSud_Comanda2->ItemIndex();
  FTeamsChosen = i1 > 0 && i2 > 0 && i1 != i2;
  // A side without a team is loaded afresh by the next confirmation.
  if (i1 == 0) TeamSlots[1].Name.clear();
  if (i2 == 0) TeamSlots[2].Name.clear();
  // 4., 5.
  cbFixCmd1->SetEnabled(i1 > 0);
  bFullOK->SetEnabled(FTeamsChosen != 0);
  Sud_Play->SetEnabled(FTeamsChosen != 0);
  cbSud_Period->SetEnabled(Sud_Play->Enabled());
  seSud_Schet1->SetEnabled(Sud_Play->Enabled());
  seSud_Schet2->SetEnabled(Sud_Play->Enabled());
}

void TFormMain::cbFixCmd1Click(TObject* /*Sender*/) {
  if (cbSud_Comanda1->ItemIndex() <= 0) return;
  cbFixCmd1->SetTag(cbFixCmd1->Checked() ? cbSud_Comanda1->ItemIndex() : 0);
  cbSud_Comanda1->SetEnabled(!cbFixCmd1->Checked());
}

void TFormMain::bFullOKClick(TObject* /*Sender*/) {
  struct SideControls {
    TComboBox* combo;
    TSpinEdit* score;
    TLabel3D *name, *goalName, *statName, *town, *goalTown, *scoreLabel, *goalScore, *statScore;
    TImage *logo, *refereeLogo;
  };
  const SideControls sides[2] = {
      {cbSud_Comanda1, seSud_Schet1, eTablo_K1, eTabloGol_K1, eTabloStat_K1, eTablo_Town1, eTabloGol_Town1,
       seTablo_Schet1, eTabloGol_Schet1, eTabloStat_Schet1, iTablo_Logo1, iSud_Logo1},
      {cbSud_Comanda2, seSud_Schet2, eTablo_K2, eTabloGol_K2, eTabloStat_K2, eTablo_Town2, eTabloGol_Town2,
       seTablo_Schet2, eTabloGol_Schet2, eTabloStat_Schet2, iTablo_Logo2, iSud_Logo2},
  };
  // 1., 2. The sides; a side is read again only when another team is chosen.
  for (int k = 0; k < 2; ++k) {
    const SideControls& c = sides[k];
    TTeamSlot& slot = TeamSlots[size_t(k + 1)];
    if (c.combo->Text() != slot.Name) {
      try {
        LoadTeamFile(k + 1, c.combo->Text());
      } catch (const Exception& e) {
        // An unreadable team file: the side keeps what it had, the rest of
        // the match still reaches the display.
        if (Application) Application->ShowException(e);
      }
    }
    c.name->SetCaption(slot.LName);
    c.goalName->SetCaption(slot.LName);
    c.statName->SetCaption(slot.LName);
    c.town->SetCaption(slot.Town);
    c.goalTown->SetCaption(slot.Town);
    const String score = IntToStr(c.score->Value());
    c.scoreLabel->SetCaption(score);
    MatchScore[size_t(k)] = c.score->Value();
    c.goalScore->SetCaption(score);
    c.statScore->SetCaption(score);
    // A logo that cannot be read leaves the display's logo empty and the
    // referee's as it was.
    c.logo->Picture()->Clear();
    try {
      if (!slot.Logo.empty()) c.logo->Picture()->LoadFromFile(ResolveFileName(TeamFilePath(slot.Name, slot.Logo)));
      c.refereeLogo->Picture()->Clear();
      c.refereeLogo->Picture()->Assign(c.logo->Picture());
    } catch (const std::exception&) {
      c.logo->Picture()->Clear();
    }
  }
  // The side lists of the substitution, players and line-up pages.
  const String side1 = cbSud_Comanda1->Text(), side2 = cbSud_Comanda2->Text();
  PutSides(cb_T_Zamena, side1, side2);
  cb_T_Zamena->SetEnabled(true);
  cb_T_ZamenaChange(cb_T_Zamena);
  PutSides(cb_T_Igroki, side1, side2);
  if (cb_T_Igroki->ItemIndex() < 0) cb_T_Igroki->SetItemIndex(0);
  cb_T_Igroki->SetEnabled(true);
  cb_T_IgrokiChange(cb_T_Igroki);
  PutSides(cb_T_Sostav, side1, side2);
  cb_T_Sostav->SetItemIndex(cb_T_Igroki->ItemIndex());
  cb_T_SostavChange(cb_T_Sostav);
  cb_T_Sostav->SetEnabled(true);
  // The period.
  eTablo_Period->SetCaption(cbSud_Period->Text());
  MatchPeriod = cbSud_Period->ItemIndex();
  eTabloGol_Period->SetCaption(cbSud_Period->Text());
  // The applied score and period are the match's: saved as they change.
  MatchStateChanged();
}

void TFormMain::eSek_TitleExit(TObject* /*Sender*/) { labTablo_Title->SetCaption(eSek_Title->Text()); }

void TFormMain::seSek_TurChange(TObject* /*Sender*/) {
  labTablo_Tur->SetCaption(IntToStr(seSek_Tur->Value()) + eTour->Text());
}

void TFormMain::seTablo_ShowClick(TObject* Sender) {
  if (auto* check = dynamic_cast<TCheckBox*>(Sender)) {
    switch (check->Tag()) {
      case 0:
        eTablo_Town1->SetVisible(check->Checked());
        eTablo_Town2->SetVisible(check->Checked());
        break;
      case 1: labTablo_Title->SetVisible(check->Checked()); break;
      case 2: labTablo_Tur->SetVisible(check->Checked()); break;
      default: break;
    }
  }
  // The Main page stacked again from the top.
  const int logoTop = labTablo_Title->Visible() ? labTablo_Title->Height() : 0;
  for (TControl* c : std::initializer_list<TControl*>{iTablo_Logo1, iTablo_Logo2, labTablo_Tur}) c->SetTop(logoTop);
  const int nameTop = iTablo_Logo1->Top() + iTablo_Logo1->Height();
  eTablo_K1->SetTop(nameTop);
  eTablo_K2->SetTop(nameTop);
  const int townTop = nameTop + eTablo_K1->Height();
  eTablo_Town1->SetTop(townTop);
  eTablo_Town2->SetTop(townTop);
  const int scoreTop = eTablo_Town1->Visible() ? townTop + eTablo_Town1->Height() : townTop;
  const int scoreHeight = std::max(0, PanelTablo0->ClientHeight() - scoreTop);
  for (TLabel3D* s : {seTablo_Schet1, seTablo_Schet2}) {
    s->SetBounds(s->Left(), scoreTop, s->Width(), scoreHeight);
    s->Font()->SetSize(Round(scoreHeight * 0.88));
  }
}

void TFormMain::ReloadTeamFiles() {
  // The editor's team, unless it holds changes not saved yet.
  if (!TeamSlots[0].Name.empty() && !bSek_Save->Enabled() && cbSek_Komands->ItemIndex() > 0) {
    try {
      LoadTeamFile(0, TeamSlots[0].Name);
    } catch (const std::exception&) {
    }
  }
  // The sides, keeping the cards given in the match; names shown on the
  // pages follow.
  struct Shown {
    TLabel3D *name, *gol, *stat, *town, *golTown;
  };
  const Shown shown[2] = {{eTablo_K1, eTabloGol_K1, eTabloStat_K1, eTablo_Town1, eTabloGol_Town1},
                          {eTablo_K2, eTabloGol_K2, eTabloStat_K2, eTablo_Town2, eTabloGol_Town2}};
  for (int k = 1; k <= 2; ++k) {
    TTeamSlot& side = TeamSlots[size_t(k)];
    if (side.Name.empty()) continue;
    const TTeamSlot before = side;
    try {
      ReloadSideTeam(k, side.Name);
    } catch (const std::exception&) {
      continue;
    }
    const Shown& s = shown[k - 1];
    for (TLabel3D* l : {s.name, s.gol, s.stat})
      if (l && l->Caption() == before.LName) l->SetCaption(side.LName);
    for (TLabel3D* l : {s.town, s.golTown})
      if (l && l->Caption() == before.Town) l->SetCaption(side.Town);
  }
}

void TFormMain::cbInternationalChange(TObject* /*Sender*/) {
  const int index = cbInternational->ItemIndex();
  // A stored index outside the table changes nothing.
  if (index < 0 || index >= CharsetCount) return;
  const TFontCharset code = CharsetTable[size_t(index)].Code;
  // Legacy text files are read with the set's code page from now on; the
  // team files already loaded are read again with it.
  const String codePage = CharsetTable[size_t(index)].CodePage;
  if (!SameText(codePage, LegacyCodePage())) {
    SetLegacyCodePage(codePage);
    ReloadTeamFiles();
  }
  const std::initializer_list<TControl*> listed = {
      LabelStadion,  LabelStadionName, eSek_Title,    eTour,         sgSek_Sostav,  eSek_KomName, eSek_KomName2,
      eSek_KomTown,  cbSek_Komands,    cbSud_Comanda1, cbSud_Comanda2, cb_T_Sostav, cb_T_Zamena,  cb_T_Igroki,
      TabloGol_List, DopPics,          ListZamenaOut, ListZamenaIn,  ListIgroki,    ListRunStr,   ListPicOnTV,
      RS_edit,       ListRTF,          LabelRS_Color, RunStr,        RichEdit1};
  for (TControl* c : listed)
    if (c) c->Font()->SetCharset(code);
  if (RunStr) RunStr->RFont()->SetCharset(code);
  if (FormObjText) FormObjText->ApplyCharset();
  // The 3-D labels and paint boxes lying directly on the match pages.
  for (TWinControl* page : {PanelTablo0, PanelTablo1, PanelSostav, PanelTablo3, PanelTablo4, PanelStat}) {
    if (!page) continue;
    for (int k = 0; k < page->ControlCount(); ++k) {
      TControl* c = page->Controls(k);
      if (dynamic_cast<TLabel3D*>(c) || dynamic_cast<TPaintBox*>(c)) c->Font()->SetCharset(code);
    }
  }
}
