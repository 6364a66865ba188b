// The match clock: ticks from the kick-off tick count, start, stop, typed
// times, periods, a new match and a match that runs on across a restart.
#include "ConsoleFixture.h"
#include "OperatorHands.h"
#include "controls/ButtonWithColor.h"
#include "controls/Label3D.h"
#include "toolkit/Timer.h"

namespace {

class MatchClockTest : public ConsoleFixture {
 protected:
  // A window whose clock reads `now_`.
  TFormMain* CreateWithClock() {
    TFormMain* f = Create();
    f->TickSource = [this] { return now_; };
    return f;
  }
  void Advance(int64_t ms) { now_ += ms; }
  static int64_t Ms(int minutes, int seconds) { return (int64_t(minutes) * 60 + seconds) * 1000; }

  // Two teams in the library, chosen as side 1 and side 2.
  void WriteTeams() {
    for (const char* d : {"Teams/Alpha (North)", "Teams/Beta (South)"}) std::filesystem::create_directories(app_ + d);
    WriteFile("Teams/Alpha (North)/Alpha (North).txt", "[Name]\nLName=Alpha\nSName=ALP\nTown=North\n");
    WriteFile("Teams/Beta (South)/Beta (South).txt", "[Name]\nLName=Beta\nSName=BET\nTown=South\n");
  }
  void ChooseSides(TFormMain* f) {
    f->cbSud_Comanda1->SetItemIndex(1);
    f->cbSud_Comanda1Change(f->cbSud_Comanda1);
    f->cbSud_Comanda2->SetItemIndex(2);
    f->cbSud_Comanda1Change(f->cbSud_Comanda2);
  }

  int64_t now_ = 50'000'000;
};

TEST_F(MatchClockTest, RunningClockFollowsTheTickCount) {
  // The minute crosses the end of a 32-bit tick count: nothing wraps.
  now_ = (int64_t(1) << 32) - 30'000;
  TFormMain* f = CreateWithClock();
  ASSERT_EQ(f->eSud_Time->Text(), " 0:00");
  f->Sud_Play->Click();
  EXPECT_EQ(f->TimeStart(), now_);

  Advance(61'500);
  f->TimerIgraTimer(f->TimerIgra);
  EXPECT_EQ(f->eSud_Time->Text(), " 1:01");
  EXPECT_EQ(f->MatchMinute(), 2);
  EXPECT_EQ(f->eTablo_Time->Caption(), " 1:01");
  EXPECT_EQ(f->eTabloGol_Time->Caption(), " 1:01");

  // A late tick loses nothing; past 45 minutes the clock just goes on.
  Advance(Ms(46, 0));
  f->TimerIgraTimer(f->TimerIgra);
  EXPECT_EQ(f->eSud_Time->Text(), "47:01");
  EXPECT_EQ(f->MatchMinute(), 48);
  EXPECT_TRUE(f->MatchClockRunning());
}

TEST_F(MatchClockTest, PlayAndStopSetTheControls) {
  TFormMain* f = CreateWithClock();
  f->Sud_Play->Click();
  EXPECT_FALSE(f->Sud_Play->Enabled());
  EXPECT_TRUE(f->Sud_Stop->Enabled());
  EXPECT_FALSE(f->cbSud_Comanda1->Enabled());
  EXPECT_FALSE(f->cbSud_Comanda2->Enabled());
  EXPECT_FALSE(f->Sud_NextPeriod->Enabled());
  EXPECT_FALSE(f->bTabloStat_New->Enabled());
  for (TControl* c : std::initializer_list<TControl*>{f->bSud_Zamena1, f->bSud_Zamena2, f->bSud_Gol1, f->bSud_Gol2,
                                                      f->bSud_KY1, f->bSud_KR1, f->bSud_KY2, f->bSud_KR2})
    EXPECT_TRUE(c->Enabled()) << c->Name();
  EXPECT_TRUE(f->TimerIgra->Enabled());
  EXPECT_TRUE(f->eTablo_Time->Visible());
  EXPECT_TRUE(f->eTabloGol_Time->Visible());
  EXPECT_TRUE(f->eTablo_Period->Visible());
  EXPECT_TRUE(f->eTabloGol_Period->Visible());

  f->Sud_Stop->Click();
  EXPECT_TRUE(f->Sud_Play->Enabled());
  EXPECT_FALSE(f->Sud_Stop->Enabled());
  EXPECT_FALSE(f->eTablo_Time->Visible());
  EXPECT_FALSE(f->eTabloGol_Time->Visible());
  EXPECT_TRUE(f->cbSud_Comanda1->Enabled());
  EXPECT_TRUE(f->cbSud_Comanda2->Enabled());
  EXPECT_TRUE(f->Sud_NextPeriod->Enabled());
  EXPECT_TRUE(f->bTabloStat_New->Enabled());
  EXPECT_FALSE(f->TimerIgra->Enabled());
  EXPECT_TRUE(f->bSud_Gol1->Enabled());   // the match's buttons stay usable

  // With the time switched off the labels stay hidden while running.
  f->seTablo_ShowTime->SetChecked(false);
  f->Sud_Play->Click();
  EXPECT_FALSE(f->eTablo_Time->Visible());
  EXPECT_TRUE(f->eTablo_Period->Visible());
}

TEST_F(MatchClockTest, StoppedClockContinuesFromTheShownTime) {
  TFormMain* f = CreateWithClock();
  f->Sud_Play->Click();
  Advance(Ms(12, 34) + 400);
  f->TimerIgraTimer(f->TimerIgra);
  f->Sud_Stop->Click();
  ASSERT_EQ(f->eSud_Time->Text(), "12:34");

  Advance(Ms(10, 0));   // the break
  f->Sud_Play->Click();
  EXPECT_EQ(f->TimeStart(), now_ - Ms(12, 34));
  f->TimerIgraTimer(f->TimerIgra);
  EXPECT_EQ(f->eSud_Time->Text(), "12:34");
  Advance(1000);
  f->TimerIgraTimer(f->TimerIgra);
  EXPECT_EQ(f->eSud_Time->Text(), "12:35");
  EXPECT_EQ(f->MatchMinute(), 13);
}

TEST_F(MatchClockTest, TypedTimeIsTakenAsPlayed) {
  TFormMain* f = CreateWithClock();
  f->eSud_Time->SetText("44:30");
  f->Sud_Play->Click();
  EXPECT_EQ(f->TimeStart(), now_ - Ms(44, 30));
  f->TimerIgraTimer(f->TimerIgra);
  EXPECT_EQ(f->eSud_Time->Text(), "44:30");
  EXPECT_EQ(f->MatchMinute(), 45);
}

TEST_F(MatchClockTest, UnreadableTypedTimeDoesNotStart) {
  TFormMain* f = CreateWithClock();
  f->eSud_Time->SetEditText(" 5:  ");
  EXPECT_THROW(f->Sud_PlayClick(f->Sud_Play), EConvertError);
  EXPECT_FALSE(f->TimerIgra->Enabled());
  EXPECT_FALSE(f->Sud_Stop->Enabled());
  EXPECT_EQ(f->TimeStart(), 0);
}

TEST_F(MatchClockTest, MoreThan99MinutesShowAndContinue) {
  TFormMain* f = CreateWithClock();
  f->eSud_Time->SetText("99:58");
  f->Sud_Play->Click();
  Advance(3000);
  f->TimerIgraTimer(f->TimerIgra);
  EXPECT_EQ(f->eSud_Time->Text(), "100:01");
  EXPECT_EQ(f->MatchMinute(), 101);
  EXPECT_EQ(f->eTablo_Time->Caption(), "100:01");
  Advance(Ms(23, 3));
  f->TimerIgraTimer(f->TimerIgra);
  EXPECT_EQ(f->eSud_Time->Text(), "123:04");

  // Stopped and played again, the clock goes on from 123:04.
  f->Sud_Stop->Click();
  Advance(Ms(5, 0));
  f->Sud_Play->Click();
  EXPECT_EQ(f->TimeStart(), now_ - Ms(123, 4));
  // The next period's preset gives the field its two places back.
  f->Sud_Stop->Click();
  f->cbSud_Period->SetItemIndex(0);
  f->Sud_NextPeriod->Click();
  EXPECT_EQ(f->eSud_Time->Text(), "45:00");
  EXPECT_EQ(f->eSud_Time->EditMask(), "!90:00;1; ");
}

TEST_F(MatchClockTest, KickOffLaterThanNowCountsAsZero) {
  TFormMain* f = CreateWithClock();
  f->SetTimeStart(now_ + 5000);
  f->TimerIgraTimer(f->TimerIgra);
  EXPECT_EQ(f->eSud_Time->Text(), " 0:00");
  EXPECT_EQ(f->MatchMinute(), 1);
}

TEST_F(MatchClockTest, NextPeriodAdvancesOnePeriodPerPress) {
  TFormMain* f = CreateWithClock();
  int changes = 0;
  TNotifyEvent handler = f->cbSud_Period->OnChange;
  f->cbSud_Period->OnChange = [&](TObject* s) {
    ++changes;
    handler(s);
  };
  ASSERT_EQ(f->cbSud_Period->ItemIndex(), 0);
  const struct {
    int index;
    const char* time;
  } expected[] = {{1, "45:00"}, {2, " 0:00"}, {3, "15:00"}};
  for (const auto& e : expected) {
    f->Sud_NextPeriod->Click();
    EXPECT_EQ(f->cbSud_Period->ItemIndex(), e.index);
    EXPECT_EQ(f->eSud_Time->Text(), e.time);
  }
  EXPECT_EQ(changes, 0);   // the selection from code did not run the handler again

  // Past the last period nothing is selected and the time stays; the next
  // press starts again with the first period.
  f->Sud_NextPeriod->Click();
  EXPECT_EQ(f->cbSud_Period->ItemIndex(), -1);
  EXPECT_EQ(f->eSud_Time->Text(), "15:00");
  f->Sud_NextPeriod->Click();
  EXPECT_EQ(f->cbSud_Period->ItemIndex(), 0);
  EXPECT_EQ(f->eSud_Time->Text(), " 0:00");

  // Choosing a period in the combo applies its preset without advancing.
  f->cbSud_Period->SetItemIndex(3);
  f->cbSud_Period->OnChange(f->cbSud_Period);
  EXPECT_EQ(f->cbSud_Period->ItemIndex(), 3);
  EXPECT_EQ(f->eSud_Time->Text(), "15:00");

  // The output learns the period only with the confirmation.
  EXPECT_EQ(f->eTablo_Period->Caption(), "1");
  f->bFullOK->Click();
  EXPECT_EQ(f->eTablo_Period->Caption(), "2+");
  EXPECT_EQ(f->eTabloGol_Period->Caption(), "2+");
  EXPECT_EQ(f->MatchPeriod, 3);
}

TEST_F(MatchClockTest, NewMatchAsksAndResets) {
  TFormMain* f = CreateWithClock();
  f->seSud_Schet1->SetValue(2);
  f->seSud_Schet2->SetValue(3);
  f->cbSud_Period->SetItemIndex(2);
  f->TabloGol_List->Lines()->SetText("0  3'  7  Tony\n");
  f->Sud_Play->Click();
  Advance(Ms(20, 0));
  f->TimerIgraTimer(f->TimerIgra);

  answer_ = mrNo;
  f->ToolButton5->Click();
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_EQ(requests_[0].Msg, "New Match. Reset?");
  EXPECT_EQ(requests_[0].DlgType, mtConfirmation);
  EXPECT_TRUE(f->MatchClockRunning());
  EXPECT_EQ(f->eSud_Time->Text(), "20:00");
  EXPECT_EQ(f->seSud_Schet1->Value(), 2);
  EXPECT_EQ(f->cbSud_Period->ItemIndex(), 2);
  EXPECT_EQ(f->TabloGol_List->Lines()->Count(), 1);

  answer_ = mrYes;
  f->ToolButton5->Click();
  EXPECT_FALSE(f->MatchClockRunning());
  EXPECT_FALSE(f->Sud_Stop->Enabled());
  EXPECT_EQ(f->eSud_Time->Text(), " 0:00");
  EXPECT_EQ(f->MatchMinute(), 0);
  EXPECT_EQ(f->seSud_Schet1->Value(), 0);
  EXPECT_EQ(f->seSud_Schet2->Value(), 0);
  EXPECT_EQ(f->cbSud_Period->ItemIndex(), 0);
  EXPECT_EQ(f->TabloGol_List->Lines()->Count(), 0);
  // The empty match reached the display pages.
  EXPECT_EQ(f->seTablo_Schet2->Caption(), "0");
  EXPECT_EQ(f->MatchScore[1], 0);
  EXPECT_EQ(f->eTablo_Period->Caption(), "1");
}

TEST_F(MatchClockTest, RunningMatchShowsItsTimeAtOnceAfterARestart) {
  WriteTeams();
  WriteFullKey();
  EditKey([](TRegistry& r) {
    r.WriteString("K1", "Alpha (North)");
    r.WriteString("K2", "Beta (South)");
    r.WriteInteger("S1", 1);
    r.WriteInteger("S2", 0);
    r.WriteInt64("TimeStart", WallClockMs() - Ms(12, 34) - 300);
  });
  TFormMain* f = Create();
  // Shown at once, before any tick of the timer: the time since the stored
  // kick-off (start-up itself may take a moment).
  const String shown = f->eSud_Time->Text();
  EXPECT_TRUE(shown == "12:34" || shown == "12:35" || shown == "12:36") << shown;
  EXPECT_EQ(f->eTablo_Time->Caption(), shown);
  EXPECT_TRUE(f->eTablo_Time->Visible());
  EXPECT_TRUE(f->MatchClockRunning());
  EXPECT_TRUE(f->Sud_Stop->Enabled());
  EXPECT_FALSE(f->cbSud_Comanda1->Enabled());
  EXPECT_EQ(f->eTablo_K1->Caption(), "Alpha");
  EXPECT_EQ(f->seTablo_Schet1->Caption(), "1");

  // The clock goes on from there.
  f->TickSource = [] { return GetTickCount64() + Ms(1, 0); };
  f->TimerIgraTimer(f->TimerIgra);
  const String later = f->eSud_Time->Text();
  EXPECT_TRUE(later == "13:34" || later == "13:35" || later == "13:36") << later;
}

TEST_F(MatchClockTest, StoppedMatchComesBackAsItWas) {
  WriteTeams();
  TFormMain* f = CreateWithClock();
  ChooseSides(f);
  f->seSud_Schet1->SetValue(2);
  f->seSud_Schet2->SetValue(1);
  f->cbSud_Period->SetItemIndex(1);
  f->bFullOK->Click();
  f->Sud_Play->Click();
  Advance(Ms(3, 0));
  f->Sud_Stop->Click();
  Destroy();

  f = Create();
  EXPECT_FALSE(f->MatchClockRunning());
  EXPECT_EQ(f->TimeStart(), 0);
  EXPECT_EQ(f->cbSud_Comanda1->Text(), "Alpha (North)");
  EXPECT_EQ(f->cbSud_Comanda2->Text(), "Beta (South)");
  EXPECT_TRUE(f->FTeamsChosen);
  EXPECT_TRUE(f->bFullOK->Enabled());
  EXPECT_TRUE(f->Sud_Play->Enabled());
  EXPECT_EQ(f->seSud_Schet1->Value(), 2);
  EXPECT_EQ(f->seSud_Schet2->Value(), 1);
  EXPECT_EQ(f->cbSud_Period->ItemIndex(), 1);
  EXPECT_EQ(f->MatchScore[0], 2);
  EXPECT_EQ(f->MatchPeriod, 1);
  f->bFullOK->Click();
  EXPECT_EQ(f->eTablo_K2->Caption(), "Beta");
  EXPECT_EQ(f->seTablo_Schet1->Caption(), "2");
  EXPECT_EQ(f->eTablo_Period->Caption(), "2");
}

// A stopped clock keeps the time it shows across a clean restart, with Next
// and the goal, card and substitution buttons as Stop left them, and Play
// goes on from there; a store without that time starts at 0:00 as before.
TEST_F(MatchClockTest, StoppedClockKeepsItsTimeAcrossARestart) {
  WriteTeams();
  const struct {
    const char* name;
    std::function<void(TFormMain*)> stop;
    const char* shown;
    const char* after;
    bool underWay;   // Next and the match's buttons enabled
  } rows[] = {
      {"not yet started", [](TFormMain*) {}, " 0:00", nullptr, false},
      {"stopped at 58:18",
       [this](TFormMain* f) {
         hands::Click(f->Sud_Play);
         Advance(Ms(58, 18) + 300);
         f->TimerIgraTimer(f->TimerIgra);
         hands::Click(f->Sud_Stop);
       },
       "58:18", "58:19", true},
      {"set to 45:00 for the second half",
       [this](TFormMain* f) {
         hands::Click(f->Sud_Play);
         Advance(Ms(47, 2));
         f->TimerIgraTimer(f->TimerIgra);
         hands::Click(f->Sud_Stop);
         hands::Click(f->Sud_NextPeriod);
       },
       "45:00", "45:01", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TFormMain* f = CreateWithClock();
    f->Show();
    ChooseSides(f);
    row.stop(f);
    ASSERT_FALSE(f->MatchClockRunning());
    ASSERT_EQ(f->eSud_Time->Text(), row.shown);
    Destroy();
    f = CreateWithClock();
    f->Show();
    EXPECT_EQ(f->eSud_Time->Text(), row.shown);
    EXPECT_FALSE(f->MatchClockRunning());
    for (TControl* c : std::initializer_list<TControl*>{f->Sud_NextPeriod, f->bSud_Zamena1, f->bSud_Zamena2,
                                                        f->bSud_Gol1, f->bSud_Gol2, f->bSud_KY1, f->bSud_KR1,
                                                        f->bSud_KY2, f->bSud_KR2})
      EXPECT_EQ(c->Enabled(), row.underWay) << c->Name();
    if (!row.after) {
      Destroy();
      continue;
    }
    ChooseSides(f);
    hands::Click(f->Sud_Play);
    Advance(1000);
    f->TimerIgraTimer(f->TimerIgra);
    EXPECT_EQ(f->eSud_Time->Text(), row.after);
    hands::Click(f->Sud_Stop);
    Destroy();
  }
  EditKey([](TRegistry& r) { r.DeleteValue("TimeShown"); });
  EXPECT_EQ(CreateWithClock()->eSud_Time->Text(), " 0:00");
}

}  // namespace
