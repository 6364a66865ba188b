// Goals, cards and substitutions: the goal road from the referee's button
// to the goal list, the goals page in colours, the card shown on the output
// area and the substitution page.
#include <gst/gst.h>
#include "OperatorHands.h"
#include "SidesFixture.h"
#include "console/FrMedia.h"
#include "support/ClipMaker.h"
#include "controls/ButtonWithColor.h"
#include "controls/Label3D.h"
#include "tests/toolkit/ToolkitTestUtil.h"
#include "toolkit/Dialogs.h"

namespace {

// The goals page as the paint box draws it.
std::unique_ptr<TBitmap> PaintGoals(TFormMain* f) {
  auto b = std::make_unique<TBitmap>(384, 128);
  b->Fill(clBlack);
  f->PaintGoalList(b->Canvas());
  return b;
}

// Text drawn as the goals page draws a line, for comparison.
void DrawReference(TFormMain* f, TBitmap& b, int y, const String& text, TColor color) {
  TCanvas* c = b.Canvas();
  c->SetFont(f->TabloGol_Paint->Font());
  c->Brush()->SetStyle(bsClear);
  c->Font()->SetColor(color);
  c->TextOut(0, y, text);
}

bool SameBand(TBitmap& a, TBitmap& b, int top, int bottom) {
  for (int y = top; y < bottom; ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.Canvas()->Pixel(x, y) != b.Canvas()->Pixel(x, y)) return false;
  return true;
}

int CountColor(TBitmap& b, const TRect& r, TColor c) {
  int n = 0;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x)
      if (b.Canvas()->Pixel(x, y) == c) ++n;
  return n;
}

}  // namespace

class GoalsTest : public SidesFixture {
 protected:
  // Referee's goal of a side at a minute, then the scorer (shirt number,
  // or 0 for none) pressed on the players page.
  void Goal(int side, int minute, int scorer) {
    TFormMain* f = form_;
    f->eSud_Time->SetTag(minute);
    (side == 1 ? f->bSud_Gol1 : f->bSud_Gol2)->Click();
    f->ListIgroki->SetItemIndex(scorer ? ItemOf(scorer) : -1);
    f->bIgrok_Zabil->Click();
  }
  String LastGoalLine() const {
    TStrings* l = form_->TabloGol_List->Lines();
    return l->Count() ? l->Get(l->Count() - 1) : String("<none>");
  }
};

// ---------------------------------------------------------------------------
// The goal road


TEST_F(GoalsTest, ScorerSendsThePageAppendsTheLineAndSelectsTheGoals) {
  TFormMain* f = StartMatch();
  // The referee's goal counts and opens the side's scorer list.
  f->eSud_Time->SetTag(7);
  f->bSud_Gol1->Click();
  EXPECT_EQ(f->seSud_Schet1->Value(), 1);
  EXPECT_EQ(f->seTablo_Schet1->Caption(), "1");   // on the display pages at once
  EXPECT_EQ(f->cb_T_Igroki->ItemIndex(), 0);
  EXPECT_EQ(f->TabloGol_List->Tag(), 7);
  EXPECT_TRUE(f->bIgrok_Zabil->Enabled());
  EXPECT_EQ(f->PageControl2->ActivePage(), f->Sheet_Tablo);
  EXPECT_EQ(f->PageControl1->ActivePage(), f->TabSheet5);
  EXPECT_EQ(SelectedPage, 5);
  EXPECT_EQ(f->TabloGol_List->Lines()->Count(), 0);   // nothing written yet
  // The secretary's scorer.
  f->ListIgroki->SetItemIndex(ItemOf(7));
  f->bIgrok_Zabil->Click();
  EXPECT_EQ(ScreenPage, 5);                      // the scorer's page went out first
  EXPECT_FALSE(f->bIgrok_Zabil->Enabled());
  EXPECT_EQ(LastGoalLine(), "0  7'  7  Tony Jerry; Alpha (North)");
  EXPECT_EQ(SelectedPage, 2);                    // selected, not sent
  EXPECT_EQ(ScreenPage, 5);
  EXPECT_EQ(f->PageControl1->ActivePage(), f->TabSheet2);

  Goal(2, 23, 9);
  EXPECT_EQ(LastGoalLine(), "123'  9  Nine Nils; Beta (South)");
  // A goal without a chosen scorer still names the side.
  Goal(2, 90, 0);
  EXPECT_EQ(LastGoalLine(), "190'  ; Beta (South)");
  EXPECT_EQ(f->seSud_Schet1->Value(), 1);
  EXPECT_EQ(f->seSud_Schet2->Value(), 2);
}

TEST_F(GoalsTest, GoalListSurvivesARestart) {
  StartMatch();
  Goal(1, 7, 7);
  Goal(2, 23, 9);
  Destroy();
  TFormMain* f = Create();
  ASSERT_EQ(f->TabloGol_List->Lines()->Count(), 2);
  EXPECT_EQ(f->TabloGol_List->Lines()->Get(0), "0  7'  7  Tony Jerry; Alpha (North)");
  EXPECT_EQ(f->TabloGol_List->Lines()->Get(1), "123'  9  Nine Nils; Beta (South)");
}


TEST_F(GoalsTest, GoalClipThenTheLogoByTheFadeUnderTheFlag) {
  TFormMain* f = StartMatch();
  WatchTransitions();
  f->bSud_Gol1->SetHint("/clips/goal1.avi");
  std::vector<String> played;
  int logoWidth = -1;
  f->PlayGoalClip = [&](const String& clip) {
    played.push_back(clip);
    logoWidth = f->BufferTablo->Picture()->Width();
  };
  f->cbPagePerexodRnd->SetChecked(false);
  f->bSud_Gol1->Click();
  ASSERT_EQ(played.size(), 1u);
  EXPECT_EQ(played[0], "/clips/goal1.avi");
  EXPECT_EQ(logoWidth, f->iSud_Logo1->Picture()->Width());
  EXPECT_EQ(logoWidth, 10);
  ASSERT_FALSE(starts_.empty());
  EXPECT_EQ(starts_[0].Style, 118);
  EXPECT_TRUE(starts_[0].Busy);
  EXPECT_FALSE(TransitionBusy);
  EXPECT_EQ(f->seSud_Schet1->Value(), 1);

  // Without a clip no transition runs at the goal.
  starts_.clear();
  played.clear();
  f->bSud_Gol2->Click();
  EXPECT_TRUE(played.empty());
  EXPECT_TRUE(starts_.empty());
  EXPECT_EQ(f->seSud_Schet2->Value(), 1);
}

TEST_F(GoalsTest, GoalButtonIsNotReenteredWhileItsRoadRuns) {
  TFormMain* f = StartMatch();
  f->bSud_Gol1->SetHint("/clips/goal1.avi");
  int calls = 0;
  f->PlayGoalClip = [&](const String&) {
    ++calls;
    f->bSud_Gol1->Click();   // an impatient second press during the clip
  };
  f->bSud_Gol1->Click();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(f->seSud_Schet1->Value(), 1);
  EXPECT_FALSE(f->GoalRoadBusy);
  // The road is open again afterwards.
  f->bSud_Gol1->Click();
  EXPECT_EQ(f->seSud_Schet1->Value(), 2);
}

TEST_F(GoalsTest, ClosingDuringTheClipEndsTheRoad) {
  TFormMain* f = StartMatch();
  WatchTransitions();
  f->bSud_Gol1->SetHint("/clips/goal1.avi");
  f->PlayGoalClip = [&](const String&) { f->ClosingDown = true; };
  f->bSud_Gol1->Click();
  EXPECT_TRUE(starts_.empty());
  EXPECT_EQ(f->seSud_Schet1->Value(), 0);
  EXPECT_FALSE(TransitionBusy);
  EXPECT_FALSE(f->GoalRoadBusy);
  f->ClosingDown = false;
}

TEST_F(GoalsTest, RightClickChoosesTheClipCancelKeepsIt) {
  TFormMain* f = StartMatch();
  f->OpenPictureDialog1->Filter = "Pictures|*.bmp";
  String seenFilter;
  bool ok = true;
  int shown = 0;
  CommonDialogHook = [&](TCommonDialog* d) {
    ++shown;
    auto* o = dynamic_cast<TOpenDialog*>(d);
    seenFilter = o->Filter;
    o->FileName = "/media/goal.mpg";
    return ok;
  };
  f->bSud_Gol2->SetHint("/old.avi");
  f->bGolMouseUp(f->bSud_Gol2, mbLeft, {}, 1, 1);
  EXPECT_EQ(shown, 0);
  ok = false;
  f->bGolMouseUp(f->bSud_Gol2, mbRight, {}, 1, 1);
  EXPECT_EQ(f->bSud_Gol2->Hint(), "/old.avi");
  ok = true;
  f->bGolMouseUp(f->bSud_Gol2, mbRight, {}, 1, 1);
  CommonDialogHook = nullptr;
  EXPECT_EQ(shown, 2);
  EXPECT_EQ(seenFilter, "Media (*.avi;*.mpg;*.mpeg;*.asf;*.ifo;*.vob)|*.avi;*.mpg;*.mpeg;*.asf;*.ifo;*.vob");
  EXPECT_EQ(f->bSud_Gol2->Hint(), "/media/goal.mpg");
  EXPECT_EQ(TFormMain::GoalClip(f->bSud_Gol2), "/media/goal.mpg");
  EXPECT_EQ(f->OpenPictureDialog1->Filter, "Pictures|*.bmp");
}

// ---------------------------------------------------------------------------
// The goals page

TEST_F(GoalsTest, GoalsPageColoursEachLineAndDropsTheCode) {
  TFormMain* f = Create();
  f->TabloGol_List->Lines()->SetText("0  7'  7  Tony Jerry\n123'  9  Nine Nils\nx by hand\n");
  auto pageP = PaintGoals(f);
  TBitmap& page = *pageP;
  TBitmap ref(384, 128);
  ref.Fill(clBlack);
  DrawReference(f, ref, 0, "  7'  7  Tony Jerry", clAqua);
  DrawReference(f, ref, 24, "23'  9  Nine Nils", clYellow);
  DrawReference(f, ref, 48, " by hand", clGray);
  EXPECT_TRUE(SameBand(page, ref, 0, 128));
  EXPECT_GT(CountColor(page, Rect(0, 0, 384, 24), clAqua), 0);
  EXPECT_GT(CountColor(page, Rect(0, 24, 384, 48), clYellow), 0);
  EXPECT_EQ(CountColor(page, Rect(0, 0, 384, 24), clYellow), 0);
  // The paint box's own font colour is left as it was.
  EXPECT_EQ(f->TabloGol_Paint->Font()->Color(), clAqua);
}


TEST_F(GoalsTest, BlankLineIsSkippedAndTheNextGoesLower) {
  TFormMain* f = Create();
  f->TabloGol_List->SetText("0first\n\n1third\n");
  auto pageP = PaintGoals(f);
  TBitmap& page = *pageP;
  TBitmap ref(384, 128);
  ref.Fill(clBlack);
  DrawReference(f, ref, 0, "first", clAqua);
  DrawReference(f, ref, 48, "third", clYellow);
  EXPECT_TRUE(SameBand(page, ref, 0, 128));
  EXPECT_EQ(CountColor(page, Rect(0, 24, 384, 48), clBlack), 384 * 24);
}

TEST_F(GoalsTest, TopListScrollsAndALineStartingInAMultiByteCharacterLosesItWhole) {
  TFormMain* f = Create();
  f->TabloGol_List->Lines()->SetText("0a\n0b\n0c\n1fourth\n\xC3\xA9" "accent\n");
  f->seTabloGol_TopList->SetValue(3);
  auto pageP = PaintGoals(f);
  TBitmap& page = *pageP;
  TBitmap ref(384, 128);
  ref.Fill(clBlack);
  DrawReference(f, ref, 0, "fourth", clYellow);
  DrawReference(f, ref, 24, "accent", clGray);
  EXPECT_TRUE(SameBand(page, ref, 0, 128));
  f->seTabloGol_TopList->SetValue(100);   // past the end: an empty page
  auto emptyP = PaintGoals(f);
  TBitmap& empty = *emptyP;
  EXPECT_EQ(CountColor(empty, Rect(0, 0, 384, 128), clBlack), 384 * 128);
}

// ---------------------------------------------------------------------------
// Cards

class CardsTest : public GoalsTest {
 protected:
  TPlayerRec& Rec(int side, int nr) {
    for (TPlayerRec& r : form_->TeamSlots[size_t(side)].Players)
      if (r.Nr == nr) return r;
    ADD_FAILURE() << "no record " << nr;
    return form_->TeamSlots[size_t(side)].Players[100];
  }
};

TEST_F(CardsTest, CardButtonPreparesTheListAndTheCardButton) {
  TFormMain* f = StartMatch();
  f->bSud_KR2->Click();
  EXPECT_EQ(f->cb_T_Igroki->ItemIndex(), 1);
  EXPECT_EQ(f->ListIgroki->Count(), 2);
  EXPECT_TRUE(f->bIgrok_Kartochka->Enabled());
  EXPECT_EQ(f->bIgrok_Kartochka->Hint(), "K_Red");
  EXPECT_EQ(f->bIgrok_Kartochka->Color(), RGB(255, 0, 0));
  EXPECT_EQ(f->PageControl1->ActivePage(), f->TabSheet5);
  EXPECT_EQ(SelectedPage, 5);
  f->bSud_KY1->Click();
  EXPECT_EQ(f->cb_T_Igroki->ItemIndex(), 0);
  EXPECT_EQ(f->bIgrok_Kartochka->Hint(), "K_Yellow");
  EXPECT_EQ(f->bIgrok_Kartochka->Color(), RGB(255, 255, 0));
}

TEST_F(CardsTest, CardCountsShowsTheCardAndSelectsTheLineUp) {
  TFormMain* f = StartMatch();
  WatchTransitions();
  f->bSud_KY1->Click();
  f->ListIgroki->SetItemIndex(ItemOf(7));
  ASSERT_EQ(Rec(1, 7).K, "");
  f->bIgrok_Kartochka->Click();
  EXPECT_EQ(Rec(1, 7).K, "1");
  EXPECT_FALSE(f->bIgrok_Kartochka->Enabled());
  EXPECT_EQ(f->bIgrok_Kartochka->Color(), clBtnFace);
  EXPECT_EQ(waits_, (std::vector<int>{2000, 2000}));
  // The player's page, then the card under the flag with the fade.
  ASSERT_EQ(starts_.size(), 2u);
  EXPECT_FALSE(starts_[0].Busy);
  EXPECT_TRUE(starts_[1].Busy);
  EXPECT_EQ(starts_[1].Style, 118);
  EXPECT_FALSE(TransitionBusy);
  // The photo holds the yellow card.
  TBitmap* photo = f->Igrok_Photo->Picture()->Bitmap();
  EXPECT_EQ(photo->Canvas()->Pixel(photo->Width() / 2, photo->Height() / 2), clYellow);
  // The side's line-up page is selected, not sent.
  EXPECT_EQ(f->cb_T_Sostav->ItemIndex(), 0);
  EXPECT_EQ(SelectedPage, 3);
  EXPECT_NE(ScreenPage, 3);
  EXPECT_FALSE(f->CardRoadBusy);

  f->bSud_KR1->Click();
  f->ListIgroki->SetItemIndex(ItemOf(7));
  f->bIgrok_Kartochka->Click();
  EXPECT_EQ(Rec(1, 7).K, "2");
  photo = f->Igrok_Photo->Picture()->Bitmap();
  EXPECT_EQ(photo->Canvas()->Pixel(photo->Width() / 2, photo->Height() / 2), clRed);
}

TEST_F(CardsTest, PlayerWithoutAPhotoShowsNoneAfterTheCard) {
  TFormMain* f = StartMatch();
  TBitmap face(8, 6);
  face.Fill(clBlue);
  face.SaveToFile(app_ + "Teams/" + Alpha + "/p7.bmp");
  Rec(1, 7).P = "p7.bmp";
  f->bSud_KY1->Click();
  f->ListIgroki->SetItemIndex(ItemOf(7));
  f->bIgrok_Kartochka->Click();
  ASSERT_GT(f->Igrok_Photo->Picture()->Width(), 0);   // the card
  // The operator walks the list with the arrow keys: 8 has no photo, 7 has
  // one, 1 has none.
  for (auto [key, nr, width] : {std::tuple{Qt::Key_Down, 8, 0}, {Qt::Key_Up, 7, 8}, {Qt::Key_Up, 1, 0}}) {
    sendKey(f->ListIgroki->Widget(), key);
    ASSERT_EQ(f->ListIgroki->ItemIndex(), ItemOf(nr));
    EXPECT_EQ(f->Igrok_Photo->Picture()->Width(), width) << nr;
  }
}

TEST_F(CardsTest, CountThatIsNoNumberStartsAtOne) {
  TFormMain* f = StartMatch();
  f->bSud_KY1->Click();
  Rec(1, 10).K = "x";
  f->ListIgroki->SetItemIndex(ItemOf(10));
  f->bIgrok_Kartochka->Click();
  EXPECT_EQ(Rec(1, 10).K, "1");
}

TEST_F(CardsTest, NoSelectionOrAnEmptyListChangesNothing) {
  TFormMain* f = StartMatch();
  WatchTransitions();
  f->bSud_KY1->Click();
  const auto before = f->TeamSlots;
  f->ListIgroki->SetItemIndex(-1);
  f->bIgrok_Kartochka->Click();
  EXPECT_TRUE(f->bIgrok_Kartochka->Enabled());
  EXPECT_TRUE(starts_.empty());
  EXPECT_TRUE(waits_.empty());
  for (int s = 0; s < 3; ++s)
    for (int i = 0; i < TeamPlayerCount; ++i)
      EXPECT_EQ(f->TeamSlots[size_t(s)].Players[size_t(i)].K, before[size_t(s)].Players[size_t(i)].K);

  // A side without persons: the list is empty.
  f->TeamSlots[1].Players = {};
  f->cb_T_IgrokiChange(f->cb_T_Igroki);
  ASSERT_EQ(f->ListIgroki->Count(), 0);
  f->bIgrok_Kartochka->Click();
  EXPECT_TRUE(starts_.empty());
  EXPECT_TRUE(waits_.empty());
  for (const TPlayerRec& r : f->TeamSlots[1].Players) EXPECT_EQ(r.K, "");
  EXPECT_NE(SelectedPage, 3);
}

TEST_F(CardsTest, MissingCardPictureEndsAfterTheFirstTransition) {
  TFormMain* f = StartMatch();
  WatchTransitions();
  f->bSud_KY1->Click();
  f->bIgrok_Kartochka->SetHint("K_Blue");
  f->ListIgroki->SetItemIndex(ItemOf(7));
  EXPECT_THROW(f->bIgrok_KartochkaClick(f->bIgrok_Kartochka), Exception);
  EXPECT_EQ(Rec(1, 7).K, "1");
  EXPECT_EQ(starts_.size(), 1u);
  EXPECT_FALSE(TransitionBusy);
  EXPECT_FALSE(f->CardRoadBusy);
  EXPECT_EQ(SelectedPage, 5);
}

TEST_F(CardsTest, ClosingDuringTheWaitEndsTheCardCleanly) {
  TFormMain* f = StartMatch();
  WatchTransitions();
  f->bSud_KY1->Click();
  f->ListIgroki->SetItemIndex(ItemOf(7));
  onWait_ = [] { return false; };
  f->bIgrok_Kartochka->Click();
  EXPECT_EQ(Rec(1, 7).K, "1");
  EXPECT_EQ(waits_.size(), 1u);
  EXPECT_EQ(starts_.size(), 1u);   // the card itself is not shown any more
  EXPECT_FALSE(TransitionBusy);
  EXPECT_FALSE(f->CardRoadBusy);
  EXPECT_EQ(SelectedPage, 5);
}

TEST_F(CardsTest, ButtonsAreNotReenteredDuringTheWait) {
  TFormMain* f = StartMatch();
  f->bSud_KY1->Click();
  f->ListIgroki->SetItemIndex(ItemOf(7));
  int nested = 0;
  onWait_ = [&] {
    if (nested++ == 0) {
      f->bSud_KR2->Click();            // the referee's button meanwhile
      f->bIgrok_Kartochka->Click();    // and the card button again
    }
    return true;
  };
  f->bIgrok_Kartochka->Click();
  EXPECT_EQ(Rec(1, 7).K, "1");
  EXPECT_EQ(waits_.size(), 2u);
  EXPECT_EQ(f->cb_T_Igroki->ItemIndex(), 0);
  EXPECT_EQ(f->bIgrok_Kartochka->Hint(), "K_Yellow");
}


// ---------------------------------------------------------------------------
// Substitutions

TEST_F(GoalsTest, SubstitutionPreparesThePageWithTheMinute) {
  TFormMain* f = StartMatch();
  f->eSud_Time->SetTag(30);
  f->seZamena_ShowMin->SetChecked(true);
  f->bSud_Zamena1->Click();
  EXPECT_EQ(f->bSud_Zamena1->Caption(), "Replace 30");
  EXPECT_EQ(f->cb_T_Zamena->ItemIndex(), 0);
  EXPECT_EQ(f->Zamena_Min->Caption(), "30'");
  EXPECT_TRUE(f->Zamena_Min->Visible());
  // The coach (100) is not among the lists.
  ASSERT_EQ(f->ListZamenaOut->Count(), 4);
  EXPECT_EQ(f->ListZamenaOut->Items()->Get(0), "1  Keeper Karl");
  EXPECT_EQ(f->ListZamenaOut->Items()->Get(3), "10  Mid Max");
  EXPECT_EQ(f->ListZamenaIn->Items()->Text(), f->ListZamenaOut->Items()->Text());
  EXPECT_EQ(f->ListZamenaIn->ItemIndex(), 0);
  EXPECT_EQ(f->ListZamenaOut->ItemIndex(), 1);
  EXPECT_EQ(f->Zamena_Logo->Picture()->Width(), f->iTablo_Logo1->Picture()->Width());

  // The pre-selected players are on the page at once, without a click.
  EXPECT_EQ(f->LabelNumOut->Caption(), "7");
  EXPECT_EQ(f->LabelNameOut->Caption(), "Tony\nJerry");
  EXPECT_EQ(f->LabelNumIn->Caption(), "1");
  f->ListZamenaOut->SetItemIndex(2);
  f->ListZamenaOutClick(f->ListZamenaOut);
  EXPECT_EQ(f->LabelNumOut->Caption(), "8");
  f->ListZamenaOutClick(f->ListZamenaIn);
  EXPECT_EQ(f->LabelNumIn->Caption(), "1");
  EXPECT_EQ(f->LabelNameIn->Caption(), "Keeper\nKarl");
  // No selection: the labels stay.
  f->ListZamenaIn->SetItemIndex(-1);
  f->ListZamenaOutClick(f->ListZamenaIn);
  EXPECT_EQ(f->LabelNumIn->Caption(), "1");

  f->eSud_Time->SetTag(61);
  f->bSud_Zamena2->Click();
  EXPECT_EQ(f->bSud_Zamena2->Caption(), "Replace 61");
  EXPECT_EQ(f->cb_T_Zamena->ItemIndex(), 1);
  EXPECT_EQ(f->Zamena_Min->Caption(), "61'");

  f->seZamena_ShowMin->SetChecked(true);
  f->seZamena_ShowMin->SetChecked(false);
  EXPECT_FALSE(f->Zamena_Min->Visible());
}

TEST_F(GoalsTest, TheSubstitutionMinuteIsOnTheScreenOnlyWithShowMinuteTicked) {
  // The Replace button, then the page sent: the minute (yellow) is on the
  // output only while "Show minute" is ticked; the button shows it always.
  for (bool ticked : {false, true}) {
    SCOPED_TRACE(ticked ? "ticked" : "unticked");
    TFormMain* f = StartMatch();
    f->Show();
    if (f->seZamena_ShowMin->Checked() != ticked) hands::Click(f->seZamena_ShowMin, TPoint(6, f->seZamena_ShowMin->Height() / 2));   // on its box
    hands::Click(f->Sud_Play);   // the Replace buttons work while the clock runs
    hands::Click(f->bSud_Zamena1);
    EXPECT_EQ(f->bSud_Zamena1->Caption(), "Replace " + IntToStr(f->MatchMinute()));
    EXPECT_EQ(f->Zamena_Min->Visible(), ticked);
    hands::SendPage(f->TabSheet4);
    ASSERT_EQ(ScreenPage, 4);
    TBitmap shot(f->PanelTabloColor->Width(), f->PanelTabloColor->Height());
    f->PanelTabloColor->PaintTo(shot.Canvas(), 0, 0);
    EXPECT_EQ(CountColor(shot, f->Zamena_Min->BoundsRect(), clYellow) > 0, ticked);
    Destroy();
  }
}


// The sides chosen and the clock started without a confirmation since the
// console started: a side's goal, card and substitution buttons still list
// that side's players. The side lists were empty until a confirmation, so
// side 2's goal listed side 1's players (its scorer went into the goal list
// as side 1's) and its card and substitution listed nobody.
TEST_F(GoalsTest, BeforeAnyConfirmationASidesButtonsListThatSide) {
  const struct {
    const char* name;
    TControl* (*button)(TFormMain*);
    TListBox* (*list)(TFormMain*);
  } rows[] = {
      {"goal", [](TFormMain* f) -> TControl* { return f->bSud_Gol2; }, [](TFormMain* f) -> TListBox* { return f->ListIgroki; }},
      {"card", [](TFormMain* f) -> TControl* { return f->bSud_KY2; }, [](TFormMain* f) -> TListBox* { return f->ListIgroki; }},
      {"substitution", [](TFormMain* f) -> TControl* { return f->bSud_Zamena2; },
       [](TFormMain* f) -> TListBox* { return f->ListZamenaOut; }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::filesystem::remove(TRegistry::StoreFileName());   // a first start
    TFormMain* f = Create();
    ScreenPage = 0;
    f->WaitHook = [](int) { return true; };
    SelectTeam(f->cbSud_Comanda1, Alpha);
    SelectTeam(f->cbSud_Comanda2, Beta);
    f->Show();
    hands::Click(f->Sud_Play);
    hands::Click(row.button(f));
    TStrings* items = row.list(f)->Items();
    EXPECT_EQ(items->Count() == 2 ? items->Get(0) + "|" + items->Get(1) : items->Text(), "2  Pit Nise|9  Nine Nils");
    Destroy();
  }
}


// A goal whose clip stops the play list on the output: the output shows the
// side's logo, and the tabs no longer mark "Reklama" as on the screen.
TEST_F(GoalsTest, AGoalClipOverThePlayListTakesReklamasMarkOffTheTabs) {
  setenv("TABLO_AUDIO_SINK", "fakesink sync=true", 1);
  if (!gst_is_initialized()) gst_init(nullptr, nullptr);
  clips::Make(app_ + "Pics/ad.avi", clips::Kind::Avi, 50);
  clips::Make(app_ + "Pics/goal.avi", clips::Kind::Avi, 5);
  WriteFile("Pics/list.txt", "ad.avi\n");
  TFormMain* f = StartMatch();
  TFrameMedia* m = f->FrameMedia1;
  m->LoadPlayList(app_ + "Pics/list.txt");
  m->SetButtonsState(1);
  m->ListMedia->SetItemIndex(0);
  f->bSud_Gol1->SetHint(app_ + "Pics/goal.avi");
  f->Show();
  hands::ChooseSheet(f->Sheet_Tablo);
  hands::ChooseSheet(f->Sheet_Media);
  hands::Click(m->btPlay);
  hands::ChooseSheet(f->TabSheet0);
  ASSERT_EQ(ScreenPage, f->Sheet_Media->PageIndex());
  ASSERT_EQ(m->LoadedFile, app_ + "Pics/ad.avi");
  ASSERT_NE(f->TabSheet0->Caption().find(": Reklama"), String::npos);

  hands::ChooseSheet(f->Sheet_Sud);
  hands::Click(f->Sud_Play);   // the match runs: its buttons are free
  hands::Click(f->bSud_Gol1);
  EXPECT_EQ(f->seSud_Schet1->Value(), 1);
  EXPECT_TRUE(m->btPlay->Enabled());   // the list stopped
  EXPECT_EQ(ScreenPage, 0);
  EXPECT_EQ(f->TabSheet0->Caption().find(": "), String::npos) << f->TabSheet0->Caption();
  Destroy();
}
