// Players show and line-up page: the players list, the player on the
// players page, the timed show with its held cursor, the line-up page drawn
// in code and the "LOGO" buttons.
#include "SidesFixture.h"
#include "controls/ButtonWithColor.h"
#include "controls/Label3D.h"
#include "toolkit/Clipbrd.h"
#include "toolkit/Timer.h"
#include "toolkit/WinUtils.h"
#include "tests/console/OperatorHands.h"

class PlayersTest : public SidesFixture {
 protected:
  TFormMain* StartShow() {
    TFormMain* f = StartMatch();
    f->PageControl1->SetActivePage(f->TabSheet5);
    f->PageControl1Change(f->PageControl1);
    f->cb_T_Igroki->SetItemIndex(0);
    f->cb_T_IgrokiChange(f->cb_T_Igroki);
    return f;
  }
  String Selected() const {
    const int i = form_->ListIgroki->ItemIndex();
    return i < 0 ? String("<none>") : form_->ListIgroki->Items()->Get(i);
  }
  void ExpectStopped() {
    TFormMain* f = form_;
    EXPECT_EQ(f->Timer_Igrok->Tag(), 0);
    EXPECT_FALSE(f->Timer_Igrok->Enabled());
    EXPECT_TRUE(f->tbIgrok_Play->Enabled());
    EXPECT_FALSE(f->tbIgrok_Stop->Enabled());
    EXPECT_FALSE(f->CursorConfined());
  }
};

// ---------------------------------------------------------------------------
// Players list and players page

TEST_F(PlayersTest, ListShowsTheSidesPersonsWithTheLineUpChecked) {
  TFormMain* f = StartShow();
  ASSERT_EQ(f->ListIgroki->Count(), 5);
  EXPECT_EQ(f->ListIgroki->Items()->Get(0), "1  Keeper Karl");
  EXPECT_EQ(f->ListIgroki->Items()->Get(4), "100  Coach Carl");
  const bool checks[5] = {true, true, false, true, true};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(f->ListIgroki->Checked(i), checks[i]) << i;
  EXPECT_EQ(f->ListIgroki->ItemIndex(), 0);
  EXPECT_TRUE(f->tbIgrok_Play->Enabled());
  EXPECT_TRUE(f->tbIgrok_NextIgrok->Enabled());
  EXPECT_EQ(f->Igrok_Logo->Picture()->Width(), f->iTablo_Logo1->Picture()->Width());
  EXPECT_EQ(f->LabelIgrokName->Caption(), "1 Keeper Karl");
  EXPECT_EQ(f->LabelIgrokAmplua->Caption(), "GK");

  // The coach is named without his number.
  f->ListIgroki->SetItemIndex(4);
  f->ListIgrokiClick(f->ListIgroki);
  EXPECT_EQ(f->LabelIgrokName->Caption(), "Coach Carl");
  // No selection: the page keeps its player.
  f->ListIgroki->SetItemIndex(-1);
  f->ListIgrokiClick(f->ListIgroki);
  EXPECT_EQ(f->LabelIgrokName->Caption(), "Coach Carl");

  f->cb_T_Igroki->SetItemIndex(1);
  f->cb_T_IgrokiChange(f->cb_T_Igroki);
  EXPECT_EQ(f->ListIgroki->Items()->Text(), "2  Pit Nise\n9  Nine Nils\n");
  EXPECT_EQ(f->Igrok_Logo->Picture()->Width(), 30);
}


TEST_F(PlayersTest, PhotoComesFromTheTeamFolderMissingShowsNone) {
  TFormMain* f = StartShow();
  TBitmap photo(12, 16);
  photo.Fill(clLime);
  photo.SaveToFile(app_ + "Teams/" + Alpha + "/tony.bmp");
  f->TeamSlots[1].Players[1].P = "tony.bmp";
  f->TeamSlots[1].Players[3].P = "gone.bmp";
  f->ListIgroki->SetItemIndex(1);
  f->ListIgrokiClick(f->ListIgroki);
  EXPECT_EQ(f->Igrok_Photo->Picture()->Width(), 12);
  f->ListIgroki->SetItemIndex(3);
  f->ListIgrokiClick(f->ListIgroki);
  EXPECT_EQ(f->LabelIgrokName->Caption(), "10 Mid Max");
  EXPECT_EQ(f->Igrok_Photo->Picture()->Width(), 0);   // not Tony's face
}

TEST_F(PlayersTest, CopyTakesTheSelectedItemAndNothingWithoutOne) {
  TFormMain* f = StartShow();
  Clipboard()->SetAsText("before");
  f->ListIgroki->SetItemIndex(-1);
  f->mIgrokCopy->Click();
  EXPECT_EQ(Clipboard()->AsText(), "before");
  f->ListIgroki->SetItemIndex(1);
  f->mIgrokCopy->Click();
  EXPECT_EQ(Clipboard()->AsText(), "7  Tony Jerry");
}


// ---------------------------------------------------------------------------
// Players show

TEST_F(PlayersTest, PlayHoldsTheCursorOnStopAndSendsThePage) {
  TFormMain* f = StartShow();
  f->ListIgroki->SetItemIndex(1);   // checked: no step at once
  f->Show();
  hands::Click(f->tbIgrok_Play);
  const TPoint o = f->tbIgrok_Stop->ClientToScreen(TPoint(0, 0));
  const TRect stop = Bounds(o.X, o.Y, f->tbIgrok_Stop->Width(), f->tbIgrok_Stop->Height());
  EXPECT_TRUE(f->CursorConfined());
  EXPECT_EQ(f->CursorClipRect, stop);
  EXPECT_EQ(f->CursorPlace, TPoint(o.X + 13, o.Y + 13));
  // The cursor itself stands on Stop, and a move away puts it back there.
  EXPECT_EQ(GetCursorPos(), TPoint(o.X + 13, o.Y + 13));
  SetCursorPos(TPoint(o.X - 300, o.Y + 500));
  hands::Move(f);
  EXPECT_TRUE(stop.Contains(GetCursorPos()));
  EXPECT_FALSE(f->tbIgrok_Play->Enabled());
  EXPECT_TRUE(f->tbIgrok_Stop->Enabled());
  EXPECT_EQ(f->Timer_Igrok->Tag(), 1);
  EXPECT_TRUE(f->Timer_Igrok->Enabled());
  EXPECT_EQ(ScreenPage, 5);
  EXPECT_EQ(Selected(), "7  Tony Jerry");

  hands::Click(f->tbIgrok_Stop);
  ExpectStopped();
  SetCursorPos(TPoint(o.X - 300, o.Y + 500));
  hands::Move(f);
  EXPECT_EQ(GetCursorPos(), TPoint(o.X - 300, o.Y + 500));
}

TEST_F(PlayersTest, UncheckedSelectionStepsAtOnce) {
  TFormMain* f = StartShow();
  f->ListIgroki->SetItemIndex(2);   // "8  Bench Ben", not in the line-up
  f->tbIgrok_Play->Click();
  EXPECT_EQ(Selected(), "10  Mid Max");
  EXPECT_EQ(f->LabelIgrokName->Caption(), "10 Mid Max");
  f->tbIgrok_Stop->Click();
}

TEST_F(PlayersTest, StepsWalkTheCheckedPlayersThenTheOtherSide) {
  TFormMain* f = StartShow();
  WatchTransitions();
  f->tbIgrok_Play->Click();
  const std::vector<String> want = {"7  Tony Jerry", "10  Mid Max", "100  Coach Carl", "9  Nine Nils"};
  for (const String& w : want) {
    f->Timer_IgrokTimer(f->Timer_Igrok);
    EXPECT_EQ(Selected(), w);
    EXPECT_TRUE(f->Timer_Igrok->Enabled()) << "the timer runs again after the transition";
  }
  EXPECT_EQ(f->cb_T_Igroki->ItemIndex(), 1);
  EXPECT_EQ(starts_.size(), want.size() + 1);   // the page sent at Play, then one per step
  // The player is on the output: the grab went to the picture show.
  EXPECT_EQ(f->BufferTablo->Picture()->Width(), f->FGrabBitmap->Width());
  // From the last of side 2 back to side 1's first checked.
  f->Timer_IgrokTimer(f->Timer_Igrok);
  EXPECT_EQ(f->cb_T_Igroki->ItemIndex(), 0);
  EXPECT_EQ(Selected(), "1  Keeper Karl");
  f->tbIgrok_Stop->Click();
}

TEST_F(PlayersTest, NoCheckedPlayerSwitchesSidesAtEveryStep) {
  TFormMain* f = StartShow();
  for (int s = 1; s <= 2; ++s)
    for (TPlayerRec& r : f->TeamSlots[size_t(s)].Players) r.Y = 0;
  f->cb_T_IgrokiChange(f->cb_T_Igroki);
  f->tbIgrok_Play->Click();   // the first item is unchecked: a step at once
  EXPECT_EQ(f->ListIgroki->ItemIndex(), f->ListIgroki->Count() - 1);
  EXPECT_EQ(f->cb_T_Igroki->ItemIndex(), 0);
  for (int k = 0; k < 4; ++k) {
    f->Timer_IgrokTimer(f->Timer_Igrok);
    EXPECT_EQ(f->cb_T_Igroki->ItemIndex(), (k + 1) % 2) << k;
    EXPECT_EQ(f->ListIgroki->ItemIndex(), f->ListIgroki->Count() - 1);
  }
  f->tbIgrok_Stop->Click();
}

TEST_F(PlayersTest, EscStopsTheShowAtTheNextStep) {
  TFormMain* f = StartShow();
  f->EscapePending = true;   // pressed before the show: cleared at Play
  f->tbIgrok_Play->Click();
  EXPECT_FALSE(f->EscapePending);
  f->Timer_IgrokTimer(f->Timer_Igrok);
  EXPECT_EQ(f->Timer_Igrok->Tag(), 1);
  uint16_t key = VK_ESCAPE;
  f->OnKeyDown(f, key, {});
  EXPECT_TRUE(f->EscapePending);
  f->Timer_IgrokTimer(f->Timer_Igrok);
  ExpectStopped();
}

TEST_F(PlayersTest, EmptyListDuringTheShowRunsTheWholeStop) {
  TFormMain* f = StartShow();
  f->tbIgrok_Play->Click();
  f->TeamSlots[1].Players = {};
  f->cb_T_IgrokiChange(f->cb_T_Igroki);
  ASSERT_EQ(f->ListIgroki->Count(), 0);
  f->Timer_IgrokTimer(f->Timer_Igrok);
  ExpectStopped();
  // The page tabs are free again.
  ScreenPage = 5;
  f->PageControl1->SetActivePage(f->TabSheet1);
  f->PageControl1Change(f->PageControl1);
  EXPECT_EQ(f->PageControl1->ActivePage(), f->TabSheet1);
}

TEST_F(PlayersTest, LosingTheFocusOrAnErrorFreesTheCursor) {
  TFormMain* f = StartShow();
  f->tbIgrok_Play->Click();
  ASSERT_TRUE(f->CursorConfined());
  ASSERT_TRUE(f->OnDeactivate);
  f->OnDeactivate(f);
  EXPECT_FALSE(f->CursorConfined());

  f->tbIgrok_Stop->Click();
  f->tbIgrok_Play->Click();
  ASSERT_TRUE(f->CursorConfined());
  // A step that fails ends the show.
  f->TeamSlots[1].Players[3].P = "bad.bmp";
  WatchTransitions();
  onStart_ = [] { throw Exception("transition failed"); };
  EXPECT_ANY_THROW({
    for (int k = 0; k < 3; ++k) f->Timer_IgrokTimer(f->Timer_Igrok);
  });
  onStart_ = nullptr;
  ExpectStopped();
  EXPECT_FALSE(f->ShowStepBusy);
}

TEST_F(PlayersTest, StepIsNotReenteredDuringItsTransition) {
  TFormMain* f = StartShow();
  f->tbIgrok_Play->Click();
  WatchTransitions();
  int nested = 0;
  onStart_ = [&] {
    if (nested++ == 0) {
      f->Timer_IgrokTimer(f->Timer_Igrok);   // a tick or Enter meanwhile
      f->tbIgrok_NextIgrok->Click();
      f->tbIgrok_Play->Click();
    }
  };
  f->Timer_IgrokTimer(f->Timer_Igrok);
  onStart_ = nullptr;
  EXPECT_EQ(Selected(), "7  Tony Jerry");
  EXPECT_EQ(starts_.size(), 1u);
  EXPECT_FALSE(f->ShowStepBusy);
  f->tbIgrok_Stop->Click();
}

TEST_F(PlayersTest, ClosingDuringAStepLeavesTheTimerOff) {
  TFormMain* f = StartShow();
  f->tbIgrok_Play->Click();
  WatchTransitions();
  onStart_ = [f] { f->ClosingDown = true; };
  f->Timer_IgrokTimer(f->Timer_Igrok);
  onStart_ = nullptr;
  EXPECT_FALSE(f->Timer_Igrok->Enabled());
  f->ClosingDown = false;
  f->tbIgrok_Stop->Click();
}

TEST_F(PlayersTest, EnterRunsOneStepOnlyWhileTheShowRuns) {
  TFormMain* f = StartShow();
  char32_t enter = 13;
  f->ListIgrokiKeyPress(f->ListIgroki, enter);
  EXPECT_EQ(Selected(), "1  Keeper Karl");
  f->tbIgrok_Play->Click();
  f->ListIgrokiKeyPress(f->ListIgroki, enter);
  EXPECT_EQ(Selected(), "7  Tony Jerry");
  f->tbIgrok_Stop->Click();
}

TEST_F(PlayersTest, NextPlayerByHandSendsThePage) {
  TFormMain* f = StartShow();
  ScreenPage = 1;
  f->tbIgrok_NextIgrok->Click();
  EXPECT_EQ(Selected(), "7  Tony Jerry");
  EXPECT_EQ(ScreenPage, 5);
  EXPECT_EQ(f->LabelIgrokName->Caption(), "7 Tony Jerry");
}

// ---------------------------------------------------------------------------
// Line-up page

class LineUpTest : public PlayersTest {
 protected:
  // Side 1 with the given line-up, drawn at the paint box's size.
  std::unique_ptr<TBitmap> Draw(TFormMain* f) {
    auto b = std::make_unique<TBitmap>(f->PaintSostav->Width(), f->PaintSostav->Height());
    f->PaintSostavTo(b->Canvas(), b->Width(), b->Height());
    return b;
  }
  static bool Same(TBitmap& a, TBitmap& b) {
    for (int y = 0; y < a.Height(); ++y)
      for (int x = 0; x < a.Width(); ++x)
        if (a.Canvas()->Pixel(x, y) != b.Canvas()->Pixel(x, y)) return false;
    return true;
  }
  void FillSide(TFormMain* f, int players, int staff) {
    auto& ps = f->TeamSlots[1].Players;
    ps = {};
    int k = 0;
    for (int i = 0; i < players; ++i, ++k) ps[size_t(k)] = {i + 1, 1, "S" + IntToStr(i + 1), "F", "", "", "", "", ""};
    for (int i = 0; i < staff; ++i, ++k) ps[size_t(k)] = {100 + i, 1, "Staff" + IntToStr(i), "X", "", "", "", "Coach", ""};
  }
  int X0(TFormMain* f) {
    TBitmap m(1, 1);
    m.Canvas()->SetFont(f->PaintSostav->Font());
    return m.Canvas()->TextWidth("99") + 2;
  }
};

TEST_F(LineUpTest, AtMostElevenPlayersAndTwoStaff) {
  TFormMain* f = StartMatch();
  f->cb_T_Sostav->SetItemIndex(0);
  f->cbWithLogo->SetChecked(false);
  FillSide(f, 12, 3);
  auto allP = Draw(f);
  TBitmap& all = *allP;
  // The twelfth player and the third staff entry leave no trace.
  FillSide(f, 11, 2);
  auto firstP = Draw(f);
  TBitmap& first = *firstP;
  EXPECT_TRUE(Same(all, first));
  // ... while the eleventh does.
  FillSide(f, 10, 2);
  auto fewerP = Draw(f);
  TBitmap& fewer = *fewerP;
  EXPECT_FALSE(Same(first, fewer));
  FillSide(f, 11, 1);
  auto oneStaffP = Draw(f);
  TBitmap& oneStaff = *oneStaffP;
  EXPECT_FALSE(Same(first, oneStaff));
}

TEST_F(LineUpTest, CardMarksOnlyForWholeNumbersAboveZero) {
  TFormMain* f = StartMatch();
  f->cb_T_Sostav->SetItemIndex(0);
  f->cbWithLogo->SetChecked(false);
  FillSide(f, 5, 0);
  auto& ps = f->TeamSlots[1].Players;
  ps[0].K = "1";
  ps[1].K = "x";
  ps[2].K = "";
  ps[3].K = "0";
  ps[4].K = "2";
  auto bP = Draw(f);
  TBitmap& b = *bP;
  const int h = f->PaintSostav->Height() / 14, x0 = X0(f);
  auto mark = [&](int row) { return b.Canvas()->Pixel(x0 + 12, row * h + 7); };
  EXPECT_EQ(mark(1), clYellow);
  EXPECT_NE(mark(2), clYellow);
  EXPECT_NE(mark(3), clYellow);
  EXPECT_NE(mark(4), clYellow);
  EXPECT_EQ(mark(5), clYellow);
  // "Show yellow cards" off: no marks at all.
  f->cbKards->SetChecked(false);
  auto noneP = Draw(f);
  TBitmap& none = *noneP;
  EXPECT_NE(none.Canvas()->Pixel(x0 + 12, h + 7), clYellow);
}

TEST_F(LineUpTest, LogoDarkenedToAQuarterInTheLowerRightCorner) {
  TFormMain* f = StartMatch();
  f->cb_T_Sostav->SetItemIndex(0);
  FillSide(f, 2, 0);
  const int w = f->PaintSostav->Width(), h = f->PaintSostav->Height();
  ASSERT_EQ(f->iSud_Logo1->Picture()->Width(), 10);   // 10 x 20, (200, 100, 40)
  f->cbWithLogo->SetChecked(true);
  auto bP = Draw(f);
  TBitmap& b = *bP;
  const int lw = Round(double(h) * 10 / 20);
  EXPECT_EQ(b.Canvas()->Pixel(w - 2, h / 2), RGB(50, 25, 10));
  EXPECT_EQ(b.Canvas()->Pixel(w - lw + 1, h - 2), RGB(50, 25, 10));
  EXPECT_EQ(b.Canvas()->Pixel(w - lw - 2, h / 2), clBlack);
  // The header rule crosses the logo in the title's background colour.
  EXPECT_EQ(b.Canvas()->Pixel(w - 2, h / 14 + 2), ColorToRGB(f->labTablo_Title->Color()));

  f->cbWithLogo->SetChecked(false);
  auto plainP = Draw(f);
  TBitmap& plain = *plainP;
  EXPECT_EQ(plain.Canvas()->Pixel(w - 2, h / 2), clBlack);
  // A side without a logo draws none.
  f->cbWithLogo->SetChecked(true);
  f->iSud_Logo1->Picture()->Clear();
  auto noLogoP = Draw(f);
  TBitmap& noLogo = *noLogoP;
  EXPECT_EQ(noLogo.Canvas()->Pixel(w - 2, h / 2), clBlack);
}

TEST_F(LineUpTest, SideChoiceLoadsTheExtraPictures) {
  TFormMain* f = StartMatch();
  WriteFile(String("Teams/") + Beta + "/pics.txt", "a.jpg\nb.jpg\n");
  WriteFile(String("Teams/") + Alpha + "/pics.txt", "LOGO\nc.jpg\n");
  f->cb_T_Sostav->SetItemIndex(1);
  f->cb_T_SostavChange(f->cb_T_Sostav);
  EXPECT_EQ(f->DopPics->Items()->Text(), "LOGO\na.jpg\nb.jpg\n");
  EXPECT_EQ(f->DopPics->ItemIndex(), 0);
  f->cb_T_Sostav->SetItemIndex(0);
  f->cb_T_SostavChange(f->cb_T_Sostav);
  EXPECT_EQ(f->DopPics->Items()->Text(), "LOGO\nc.jpg\n");
  DeleteFile(app_ + "Teams/" + Alpha + "/pics.txt");
  f->cb_T_SostavChange(f->cb_T_Sostav);
  EXPECT_EQ(f->DopPics->Items()->Text(), "LOGO\n");
}

// ---------------------------------------------------------------------------
// "LOGO"

TEST_F(PlayersTest, LogoFadesToBlackThenShowsTheSidesLogo) {
  TFormMain* f = StartMatch();
  WatchTransitions();
  f->cbPagePerexodRnd->SetChecked(false);
  f->BufferTablo->SetStep(3);
  f->BufferTablo->SetStyle(40);
  f->PageControl1->SetActivePage(f->TabSheet3);
  f->cb_T_Sostav->SetItemIndex(1);
  int pictureAtFade = -1;
  onStart_ = [&] {
    if (pictureAtFade < 0) pictureAtFade = f->BufferTablo->Picture()->Width();
  };
  f->Button1->Click();
  ASSERT_EQ(starts_.size(), 2u);
  EXPECT_EQ(starts_[0].Style, 11);
  EXPECT_EQ(starts_[0].Step, 8);
  EXPECT_TRUE(starts_[0].Busy);
  EXPECT_EQ(pictureAtFade, f->ImageBlack->Picture()->Width());
  EXPECT_FALSE(starts_[1].Busy);
  EXPECT_FALSE(TransitionBusy);
  EXPECT_EQ(f->BufferTablo->Picture()->Width(), 30);   // side 2's logo
  // The players page takes the players side's logo.
  starts_.clear();
  f->PageControl1->SetActivePage(f->TabSheet5);
  f->cb_T_Igroki->SetItemIndex(0);
  f->bIgroki_Logo->Click();
  EXPECT_EQ(starts_.size(), 2u);
  EXPECT_EQ(f->BufferTablo->Picture()->Width(), 10);
}

TEST_F(PlayersTest, ShowControlsDoNotCoverTheList) {
  TFormMain* f = Create();
  for (TControl* c : std::initializer_list<TControl*>{f->bIgrok_Zabil, f->bIgrok_Kartochka, f->bIgroki_Logo,
                                                      f->ToolBarIgrok}) {
    EXPECT_EQ(c->Parent(), f->Panel9) << c->Name();
    EXPECT_GE(c->Top(), f->ListIgroki->Top() + f->ListIgroki->Height()) << c->Name();
  }
}
