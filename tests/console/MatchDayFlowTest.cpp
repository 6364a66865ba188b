// Match day as the operator runs it: teams made in the editor, sides chosen
// and confirmed, pages sent through the command tab, the clock, a goal with
// its scorer, a card, the close with "Quit?" and the start of the next
// session on the same data folder and settings; the running text while other
// pages go on the screen. Everything goes through the window's controls and
// handlers; the clock reads an injected tick count and the road's waits are
// answered at once.
#include <vector>
#include "SidesFixture.h"
#include "controls/ButtonWithColor.h"
#include "console/TeamFile.h"
#include "controls/Label3D.h"
#include "controls/RunLabel.h"
#include "grids/SortGrid.h"
#include "toolkit/Timer.h"

namespace {

bool Near(TColor a, TColor b, int tol) {
  for (int s = 0; s < 24; s += 8) {
    const int x = int((a >> s) & 255), y = int((b >> s) & 255);
    if (std::abs(x - y) > tol) return false;
  }
  return true;
}

int CountNear(const TBitmap& Bmp, const TRect& R, TColor Color, int tol = 40) {
  int n = 0;
  for (int y = std::max(R.Top, 0); y < std::min(R.Bottom, Bmp.Height()); ++y)
    for (int x = std::max(R.Left, 0); x < std::min(R.Right, Bmp.Width()); ++x)
      if (Near(Bmp.Canvas()->Pixel(x, y), Color, tol)) ++n;
  return n;
}

int64_t Ms(int minutes, int seconds) { return (int64_t(minutes) * 60 + seconds) * 1000; }

std::vector<String> Lines(TStrings* s) {
  std::vector<String> out;
  for (int i = 0; i < s->Count(); ++i) out.push_back(s->Get(i));
  return out;
}

}  // namespace

class MatchDayFlowTest : public SidesFixture {
 protected:
  void TearDown() override {
    ScreenPage = 0;
    SidesFixture::TearDown();
  }

  // A window as the program starts it, its clock reading now_.
  TFormMain* Open() {
    TFormMain* f = Create();
    ScreenPage = 0;
    TransitionBusy = false;
    f->BufferTablo->SetDelay(0);
    f->TickSource = [this] { return now_; };
    f->WaitHook = [this](int ms) {
      waits_.push_back(ms);
      return true;
    };
    return f;
  }
  // The operator closes the program and answers "Quit?"; true when it closed.
  bool Quit(int answer) {
    answer_ = answer;
    requests_.clear();
    form_->Close();
    EXPECT_EQ(requests_.size(), 1u);
    if (!requests_.empty()) {
      EXPECT_EQ(requests_[0].Msg, "Quit?");
    }
    if (answer != mrYes) return false;
    Destroy();
    return true;
  }

  void Sheet(TTabSheet* sheet) {
    form_->PageControl2->SetActivePage(sheet);
    form_->PageControl2Change(form_->PageControl2);
  }
  void Choose(TTabSheet* page) {
    form_->PageControl1->SetActivePage(page);
    form_->PageControl1Change(form_->PageControl1);
  }
  void SendSelected() {
    form_->PageControl1->SetActivePageIndex(0);
    form_->PageControl1Change(form_->PageControl1);
  }
  void Send(TTabSheet* page) {
    Choose(page);
    SendSelected();
  }
  void Tick() { form_->TimerIgraTimer(form_->TimerIgra); }
  void Advance(int64_t ms) { now_ += ms; }

  // The secretary types a team into the editor and saves it.
  void MakeTeam(const String& name, const String& town, const std::vector<TTeamRow>& rows) {
    TFormMain* f = form_;
    f->bSek_New->Click();
    f->eSek_KomName->SetText(name);
    f->eSek_KomTown->SetText(town);
    TSortGrid* grid = f->sgSek_Sostav;
    grid->SetRowCount(int(rows.size()) + 1);
    for (size_t r = 0; r < rows.size(); ++r)
      for (int c = 0; c < TeamColumnCount; ++c) grid->SetCells(c, int(r) + 1, rows[r][size_t(c)]);
    requests_.clear();
    f->bSek_Save->Click();
    EXPECT_TRUE(requests_.empty()) << (requests_.empty() ? "" : requests_[0].Msg);
  }
  static TTeamRow Row(int nr, bool lineUp, const String& surname, const String& name, const String& pos) {
    return TTeamRow{IntToStr(nr), lineUp ? "1" : "0", surname, name, "", "", "", pos, ""};
  }
  // The referee picks a team for a side.
  void Pick(TComboBox* side, const String& team) {
    const int i = side->Items()->IndexOf(team);
    ASSERT_GT(i, 0) << team;
    side->SetItemIndex(i);
    form_->cbSud_Comanda1Change(side);
  }
  // The secretary clicks a player of the players list by shirt number.
  void PickPlayer(int nr) {
    form_->ListIgroki->SetItemIndex(ItemOf(nr));
    form_->ListIgrokiClick(form_->ListIgroki);
  }
  // Goal of a side, the scorer picked, "Scored Goal!".
  void Goal(TButton* goal, int scorer) {
    goal->Click();
    PickPlayer(scorer);
    form_->bIgrok_Zabil->Click();
  }

  int64_t now_ = 50'000'000;
};

// ---------------------------------------------------------------------------
// A stopped match across the close

TEST_F(MatchDayFlowTest, TeamsFromTheEditorThroughAGoalAndACardToTheNextSession) {
  TFormMain* f = Open();
  // The secretary makes both teams.
  Sheet(f->Sheet_Sek);
  MakeTeam("Dynamo", "Kyiv",
           {Row(1, true, "Shovkovskyi", "Oleksandr", "GK"), Row(9, true, "Shevchenko", "Andriy", "FW"),
            Row(15, false, "Bench", "Petro", "DF"), Row(100, true, "Lobanovskyi", "Valeriy", "Trainer")});
  MakeTeam("Shakhtar", "Donetsk", {Row(1, true, "Pyatov", "Andriy", "GK"), Row(10, true, "Srna", "Darijo", "DF")});
  ASSERT_TRUE(FileExists(app_ + "Teams/Dynamo (Kyiv)/Dynamo (Kyiv).txt"));
  ASSERT_TRUE(FileExists(app_ + "Teams/Shakhtar (Donetsk)/Shakhtar (Donetsk).txt"));

  // The referee picks them and confirms.
  Sheet(f->Sheet_Sud);
  Pick(f->cbSud_Comanda1, "Dynamo (Kyiv)");
  Pick(f->cbSud_Comanda2, "Shakhtar (Donetsk)");
  ASSERT_TRUE(f->FTeamsChosen);
  ASSERT_TRUE(f->bFullOK->Enabled());
  f->bFullOK->Click();
  EXPECT_EQ(f->TeamSlots[1].Name, "Dynamo (Kyiv)");
  EXPECT_EQ(f->TeamSlots[2].Name, "Shakhtar (Donetsk)");

  // The Main page goes on the screen with their names.
  Sheet(f->Sheet_Tablo);
  Send(f->TabSheet1);
  EXPECT_EQ(ScreenPage, 1);
  EXPECT_EQ(f->eTablo_K1->Caption(), "Dynamo");
  EXPECT_EQ(f->eTablo_K2->Caption(), "Shakhtar");
  EXPECT_EQ(f->eTablo_Town1->Caption(), "Kyiv");
  EXPECT_EQ(f->eTablo_Town2->Caption(), "Donetsk");
  ASSERT_TRUE(f->FGrabBitmap);
  EXPECT_GT(CountNear(*f->FGrabBitmap, f->eTablo_K1->BoundsRect(), clWhite), 10);
  EXPECT_GT(CountNear(*f->FGrabBitmap, f->eTablo_K2->BoundsRect(), clWhite), 10);
  EXPECT_EQ(f->BufferTablo->Picture()->Width(), f->FGrabBitmap->Width());

  // Kick-off; 23:10 later the home side scores.
  Sheet(f->Sheet_Sud);
  ASSERT_TRUE(f->Sud_Play->Enabled());
  f->Sud_Play->Click();
  EXPECT_TRUE(f->eTablo_Time->Visible());
  Advance(Ms(23, 10));
  Tick();
  EXPECT_EQ(f->eSud_Time->Text(), "23:10");
  EXPECT_EQ(f->eTablo_Time->Caption(), "23:10");
  Goal(f->bSud_Gol1, 9);
  EXPECT_EQ(f->seSud_Schet1->Value(), 1);
  EXPECT_EQ(f->seTablo_Schet1->Caption(), "1");
  EXPECT_EQ(ScreenPage, 5);   // the scorer went out first
  EXPECT_EQ(f->LabelIgrokName->Caption(), "9 Shevchenko Andriy");
  EXPECT_EQ(Lines(f->TabloGol_List->Lines()),
            (std::vector<String>{"024'  9  Shevchenko Andriy; Dynamo (Kyiv)"}));
  EXPECT_EQ(SelectedPage, 2);

  // The goals page goes out with the command tab, the time over it.
  SendSelected();
  EXPECT_EQ(ScreenPage, 2);
  EXPECT_EQ(f->eTabloGol_Schet1->Caption(), "1");
  EXPECT_EQ(f->eTabloGol_Time->Parent(), f->BufferTablo);
  EXPECT_TRUE(f->eTabloGol_Time->Visible());
  TRect list = f->TabloGol_Paint->BoundsRect();
  for (TControl* c = f->TabloGol_Paint->Parent(); c && c != f->PanelTablo1; c = c->Parent())
    list.Offset(c->Left(), c->Top());
  EXPECT_GT(CountNear(*f->FGrabBitmap, list, clAqua), 10);   // the home side's goal line

  // A yellow card for the guests' number 10.
  Advance(Ms(10, 0));
  Tick();
  f->bSud_KY2->Click();
  EXPECT_EQ(f->cb_T_Igroki->ItemIndex(), 1);
  PickPlayer(10);
  waits_.clear();
  f->bIgrok_Kartochka->Click();
  EXPECT_EQ(waits_, (std::vector<int>{2000, 2000}));   // the player, then the card
  EXPECT_EQ(f->TeamSlots[2].Players[1].Nr, 10);
  EXPECT_EQ(f->TeamSlots[2].Players[1].K, "1");
  EXPECT_EQ(SelectedPage, 3);   // the guests' line-up with the mark
  EXPECT_EQ(f->cb_T_Sostav->ItemIndex(), 1);

  // Half-time: stop, the second half chosen and confirmed.
  Advance(Ms(11, 50));
  Tick();
  f->Sud_Stop->Click();
  EXPECT_EQ(f->eSud_Time->Text(), "45:00");
  EXPECT_FALSE(f->eTablo_Time->Visible());
  f->Sud_NextPeriod->Click();
  f->bFullOK->Click();
  EXPECT_EQ(f->MatchPeriod, 1);

  // "Quit?" refused keeps the program; accepted closes it.
  EXPECT_FALSE(Quit(mrNo));
  ASSERT_NE(form_, nullptr);
  EXPECT_TRUE(Quit(mrYes));

  // The next session: the same match, stopped.
  f = Open();
  EXPECT_FALSE(f->MatchClockRunning());
  EXPECT_EQ(f->cbSud_Comanda1->Text(), "Dynamo (Kyiv)");
  EXPECT_EQ(f->cbSud_Comanda2->Text(), "Shakhtar (Donetsk)");
  EXPECT_TRUE(f->FTeamsChosen);
  EXPECT_EQ(f->seSud_Schet1->Value(), 1);
  EXPECT_EQ(f->seSud_Schet2->Value(), 0);
  EXPECT_EQ(f->cbSud_Period->ItemIndex(), 1);
  EXPECT_EQ(Lines(f->TabloGol_List->Lines()),
            (std::vector<String>{"024'  9  Shevchenko Andriy; Dynamo (Kyiv)"}));
  f->bFullOK->Click();
  Sheet(f->Sheet_Tablo);
  Send(f->TabSheet1);
  EXPECT_EQ(ScreenPage, 1);
  EXPECT_EQ(f->eTablo_K1->Caption(), "Dynamo");
  EXPECT_EQ(f->eTablo_K2->Caption(), "Shakhtar");
  EXPECT_EQ(f->seTablo_Schet1->Caption(), "1");
  EXPECT_EQ(f->eTablo_Period->Caption(), f->cbSud_Period->Items()->Get(1));
  EXPECT_GT(CountNear(*f->FGrabBitmap, f->eTablo_K1->BoundsRect(), clWhite), 10);
  // The second half starts from 45:00.
  Sheet(f->Sheet_Sud);
  f->eSud_Time->SetText("45:00");
  f->Sud_Play->Click();
  Advance(Ms(1, 5));
  Tick();
  EXPECT_EQ(f->eSud_Time->Text(), "46:05");
}

// ---------------------------------------------------------------------------
// A running match across the close

TEST_F(MatchDayFlowTest, ClosedWithTheClockRunningTheNextSessionRunsOnAtOnce) {
  TFormMain* f = Open();
  Pick(f->cbSud_Comanda1, Alpha);
  Pick(f->cbSud_Comanda2, Beta);
  f->bFullOK->Click();
  Sheet(f->Sheet_Tablo);
  Send(f->TabSheet1);
  Sheet(f->Sheet_Sud);
  f->Sud_Play->Click();
  Advance(Ms(31, 5));
  Tick();
  Goal(f->bSud_Gol2, 9);
  SendSelected();
  ASSERT_EQ(f->eSud_Time->Text(), "31:05");
  EXPECT_TRUE(Quit(mrYes));

  f = Create();   // the next session reads the real tick count
  // Running at once, before any tick of its timer, from where it stood.
  EXPECT_TRUE(f->MatchClockRunning());
  EXPECT_TRUE(f->Sud_Stop->Enabled());
  EXPECT_FALSE(f->Sud_Play->Enabled());
  const String shown = f->eSud_Time->Text();
  EXPECT_TRUE(shown == "31:05" || shown == "31:06" || shown == "31:07") << shown;
  EXPECT_EQ(f->eTablo_Time->Caption(), shown);
  EXPECT_TRUE(f->eTablo_Time->Visible());
  EXPECT_EQ(f->MatchMinute(), 32);
  // Sides, score and goals as they were, on the display pages too.
  EXPECT_EQ(f->eTablo_K1->Caption(), "Alpha");
  EXPECT_EQ(f->eTablo_K2->Caption(), "Beta");
  EXPECT_EQ(f->seTablo_Schet2->Caption(), "1");
  EXPECT_EQ(f->eTabloGol_Schet2->Caption(), "1");
  EXPECT_EQ(Lines(f->TabloGol_List->Lines()), (std::vector<String>{"132'  9  Nine Nils; Beta (South)"}));
  EXPECT_FALSE(f->cbSud_Comanda1->Enabled());
  EXPECT_TRUE(f->bSud_Gol1->Enabled());
  // The clock runs on from there.
  f->TickSource = [] { return GetTickCount64() + Ms(2, 0); };
  Tick();
  const String later = f->eSud_Time->Text();
  EXPECT_TRUE(later == "33:05" || later == "33:06" || later == "33:07") << later;

  // Stopped later in the same session, it does not run on at the next start.
  f->Sud_Stop->Click();
  EXPECT_TRUE(Quit(mrYes));
  f = Create();
  EXPECT_FALSE(f->MatchClockRunning());
  EXPECT_EQ(f->seSud_Schet2->Value(), 1);
}

// ---------------------------------------------------------------------------
// Running text while other pages go on the screen

TEST_F(MatchDayFlowTest, RunningTextLivesOnlyWhileTvPlusIsOnTheScreen) {
  WriteFile("Texts/RS_Color.txt", "Welcome to the stadium\nNext match on Sunday\n");
  TFormMain* f = Open();
  Pick(f->cbSud_Comanda1, Alpha);
  Pick(f->cbSud_Comanda2, Beta);
  f->bFullOK->Click();
  f->Sud_Play->Click();
  Sheet(f->Sheet_Tablo);
  Send(f->TabSheet1);

  // Started with Main on the screen: it runs on the TV+ page, not over the output.
  Choose(f->Sheet_TV);
  f->rlPlay->Click();
  EXPECT_TRUE(f->RunStr->IsRunning());
  EXPECT_EQ(f->RunStr->Parent(), f->PanelTablo5);
  EXPECT_EQ(ScreenPage, 1);
  // TV+ sent: the text comes over the live output.
  SendSelected();
  EXPECT_EQ(ScreenPage, 6);
  EXPECT_EQ(f->RunStr->Parent(), f->PanelTabloColor);
  EXPECT_TRUE(f->RunStr->IsRunning());
  EXPECT_FALSE(f->BufferTablo->Visible());

  // Pages chosen but not sent leave it running.
  Choose(f->TabSheet2);
  Choose(f->TabSheet5);
  EXPECT_TRUE(f->RunStr->IsRunning());
  EXPECT_EQ(f->RunStr->Parent(), f->PanelTabloColor);
  // The referee's goal only selects the scorer's page: the text runs on.
  f->bSud_Gol1->Click();
  EXPECT_EQ(ScreenPage, 6);
  EXPECT_TRUE(f->RunStr->IsRunning());
  // "Scored Goal!" sends the players page: TV+ leaves, the text stops.
  PickPlayer(7);
  f->bIgrok_Zabil->Click();
  EXPECT_EQ(ScreenPage, 5);
  EXPECT_FALSE(f->RunStr->IsRunning());
  EXPECT_FALSE(f->RunStr->Visible());
  EXPECT_EQ(f->RunStr->Parent(), f->PanelTablo5);
  EXPECT_TRUE(f->BufferTablo->Visible());
  EXPECT_TRUE(f->rlPlay->Enabled());
  EXPECT_TRUE(f->ListRunStr->Enabled());

  // TV+ again with the text over it, then the players show.
  Send(f->Sheet_TV);
  f->rlPlay->Click();
  EXPECT_EQ(f->RunStr->Parent(), f->PanelTabloColor);
  ASSERT_TRUE(f->RunStr->IsRunning());
  Choose(f->TabSheet5);
  PickPlayer(1);
  f->tbIgrok_Play->Click();
  EXPECT_EQ(ScreenPage, 5);
  EXPECT_TRUE(f->Timer_Igrok->Enabled());
  EXPECT_FALSE(f->RunStr->IsRunning());
  EXPECT_EQ(f->RunStr->Parent(), f->PanelTablo5);
  f->Timer_IgrokTimer(f->Timer_Igrok);   // next player
  EXPECT_EQ(ScreenPage, 5);
  EXPECT_FALSE(f->RunStr->IsRunning());
  // While the show runs the TV+ tab is refused.
  Choose(f->Sheet_TV);
  EXPECT_EQ(f->PageControl1->ActivePage(), f->TabSheet5);
  f->tbIgrok_Stop->Click();

  // The clock page and the goals page take it off as well.
  for (TTabSheet* next : {f->Sheet_Clock, f->TabSheet2}) {
    Send(f->Sheet_TV);
    f->rlPlay->Click();
    ASSERT_EQ(f->RunStr->Parent(), f->PanelTabloColor) << next->Caption();
    Send(next);
    EXPECT_FALSE(f->RunStr->IsRunning()) << next->Caption();
    EXPECT_FALSE(f->RunStr->Visible()) << next->Caption();
    EXPECT_EQ(f->RunStr->Parent(), f->PanelTablo5) << next->Caption();
    EXPECT_TRUE(f->BufferTablo->Visible()) << next->Caption();
  }
  // On the goals page the time lies over the picture again.
  EXPECT_EQ(f->eTabloGol_Time->Parent(), f->BufferTablo);
  EXPECT_TRUE(f->eTabloGol_Time->Visible());
}

// What the operator works with on the TV+ page's side panel lies side by
// side: no control covers the running-text list or its settings.
TEST_F(MatchDayFlowTest, TvPlusSidePanelControlsDoNotCoverEachOther) {
  WriteFile("Texts/RS_Color.txt", "Welcome to the stadium\nNext match on Sunday\n");
  TFormMain* f = Open();
  Sheet(f->Sheet_Tablo);
  Choose(f->Sheet_TV);
  TWinControl* panel = f->Panel1TvPics;
  ASSERT_EQ(f->ListRunStr->Parent(), panel);
  ASSERT_EQ(f->ListRunStr->Count(), 2);
  for (TControl* c : std::initializer_list<TControl*>{f->ListRunStr, f->rlNapr, f->rlSpeed, f->cbRlTop,
                                                      f->LabelRS_Color, f->RS_edit, f->ListPicOnTV}) {
    ASSERT_EQ(c->Parent(), panel) << c->Name();
    for (int i = 0; i < panel->ControlCount(); ++i) {
      TControl* other = panel->Controls(i);
      if (other == c || !other->Visible()) continue;
      TRect overlap;
      EXPECT_FALSE(IntersectRect(overlap, c->BoundsRect(), other->BoundsRect()))
          << other->Name() << " lies over " << c->Name();
    }
  }
  // The font and colour sample has room for its caption in the text's font
  // (not shrunk to the empty caption it was made with).
  TBitmap measure(1, 1);
  measure.Canvas()->SetFont(f->LabelRS_Color->Font());
  EXPECT_GE(f->LabelRS_Color->Width(), measure.Canvas()->TextWidth(f->LabelRS_Color->Caption()));
  EXPECT_GE(f->LabelRS_Color->Height(), measure.Canvas()->TextHeight(f->LabelRS_Color->Caption()) / 2);
}
