// A match resumed after quitting and starting again brings back its cards
// and substitutions with its clock, score and goals: all made with the
// operator's clicks, then "Quit?" answered Yes and the console started anew.
#include "OperatorHands.h"
#include "SidesFixture.h"
#include "controls/ButtonWithColor.h"
#include "console/TeamFile.h"
#include "controls/Label3D.h"

class ResumeEventsTest : public SidesFixture {
 protected:
  void ClickItem(TListBox* list, int index) {
    const TRect r = list->ItemRect(index);
    hands::Click(list, TPoint(r.Left + 4, (r.Top + r.Bottom) / 2));
  }
  const TPlayerRec& Rec(int side, int nr) {
    for (const TPlayerRec& r : form_->TeamSlots[size_t(side)].Players)
      if (r.Nr == nr) return r;
    static TPlayerRec none;
    return none;
  }
  void Quit() {
    answer_ = mrYes;
    form_->Close();
    Destroy();
  }
};

TEST_F(ResumeEventsTest, CardsAndSubstitutionsComeBackAfterQuitAndRestart) {
  TFormMain* f = StartMatch();
  f->Show();
  hands::Click(f->Sud_Play);
  ASSERT_TRUE(f->MatchClockRunning());
  // A yellow card for number 7 of side 1, a red one for number 9 of side 2.
  hands::Click(f->bSud_KY1);
  ClickItem(f->ListIgroki, ItemOf(7));
  hands::Click(f->bIgrok_Kartochka);
  hands::Click(f->bSud_KR2);
  ClickItem(f->ListIgroki, ItemOf(9));
  hands::Click(f->bIgrok_Kartochka);
  ASSERT_EQ(Rec(1, 7).K, "1");
  ASSERT_EQ(Rec(2, 9).K, "1");
  // A substitution of side 1, its minute shown: the third player out, the
  // second in.
  hands::Click(f->seZamena_ShowMin, TPoint(6, f->seZamena_ShowMin->Height() / 2));   // on its box
  hands::Click(f->bSud_Zamena1);
  ClickItem(f->ListZamenaOut, 2);
  ClickItem(f->ListZamenaIn, 1);
  const String caption = f->bSud_Zamena1->Caption(), minute = f->Zamena_Min->Caption();
  const String outName = f->LabelNameOut->Caption(), inName = f->LabelNameIn->Caption();
  ASSERT_NE(caption, "Replace");
  ASSERT_NE(outName, inName);

  Quit();
  f = Create();
  ASSERT_TRUE(f->MatchClockRunning());   // the match was resumed
  EXPECT_EQ(Rec(1, 7).K, "1");
  EXPECT_EQ(Rec(2, 9).K, "1");
  EXPECT_EQ(Rec(1, 1).K, "");
  EXPECT_EQ(f->bSud_Zamena1->Caption(), caption);
  EXPECT_EQ(f->bSud_Zamena2->Caption(), "Replace");
  EXPECT_EQ(f->cb_T_Zamena->ItemIndex(), 0);
  EXPECT_EQ(f->ListZamenaOut->ItemIndex(), 2);
  EXPECT_EQ(f->ListZamenaIn->ItemIndex(), 1);
  EXPECT_EQ(f->LabelNameOut->Caption(), outName);
  EXPECT_EQ(f->LabelNameIn->Caption(), inName);
  EXPECT_EQ(f->Zamena_Min->Caption(), minute);
  EXPECT_TRUE(f->Zamena_Min->Visible());

  // A second card for the same player counts on from the one brought back.
  f->Show();
  f->WaitHook = [](int) { return true; };
  ScreenPage = 0;
  hands::Click(f->bSud_KY1);
  ClickItem(f->ListIgroki, ItemOf(7));
  hands::Click(f->bIgrok_Kartochka);
  EXPECT_EQ(Rec(1, 7).K, "2");
}

// Saving a side's team in the secretary's sheet during the match changes the
// team file, not the match: the side keeps its cards, and so does the store.
TEST_F(ResumeEventsTest, SavingASidesTeamKeepsItsCards) {
  const struct {
    int side, nr;
    const char* team;
  } rows[] = {{1, 7, Alpha}, {2, 9, Beta}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.team);
    TFormMain* f = StartMatch();
    f->Show();
    hands::Click(f->Sud_Play);
    hands::Click(row.side == 1 ? f->bSud_KY1 : f->bSud_KY2);
    ClickItem(f->ListIgroki, ItemOf(row.nr));
    hands::Click(f->bIgrok_Kartochka);
    ASSERT_EQ(Rec(row.side, row.nr).K, "1");
    // The team in the editor, one cell changed, saved over its file.
    hands::ChooseSheet(f->Sheet_Sek);
    f->cbSek_Komands->SetItemIndex(f->cbSek_Komands->Items()->IndexOf(row.team));
    f->cbSek_KomandsChange(f->cbSek_Komands);
    f->sgSek_Sostav->SetCells(tcB, 1, "1.2.2003");
    f->NadoSave(f->sgSek_Sostav);
    answer_ = mrYes;   // "Team already is. Overwrite?"
    hands::Click(f->bSek_Save);
    ASSERT_FALSE(f->bSek_Save->Enabled());   // saved
    EXPECT_EQ(Rec(row.side, row.nr).K, "1");
    Quit();
    f = Create();
    EXPECT_EQ(Rec(row.side, row.nr).K, "1");
    Destroy();
  }
}
