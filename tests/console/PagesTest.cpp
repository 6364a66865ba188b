// Display pages: selecting, sending a page to the output area through its
// transition, the transition word and its editors, the live pages and the
// grab of a page's picture.
#include <algorithm>
#include <filesystem>
#include <QContextMenuEvent>
#include <QWidget>
#include <QCoreApplication>
#include "media/DSVideoWindow.h"
#include "ConsoleFixture.h"
#include "console/FrMedia.h"
#include "controls/DialClock.h"
#include "controls/Label3D.h"
#include "controls/filedrag.h"
#include "controls/RunLabel.h"
#include "pictureshow/PictureShow.h"
#include "toolkit/Timer.h"

namespace {

bool Near(TColor a, TColor b, int tol = 8) {
  for (int s = 0; s < 24; s += 8) {
    const int x = int((a >> s) & 255), y = int((b >> s) & 255);
    if (std::abs(x - y) > tol) return false;
  }
  return true;
}

// How many pixels of R in Bmp are close to Color.
int CountNear(const TBitmap& Bmp, const TRect& R, TColor Color, int tol = 8) {
  int n = 0;
  for (int y = R.Top; y < R.Bottom; ++y)
    for (int x = R.Left; x < R.Right; ++x)
      if (Near(Bmp.Canvas()->Pixel(x, y), Color, tol)) ++n;
  return n;
}

}  // namespace

class PagesTest : public ConsoleFixture {
 protected:
  // The window as the program has it after start-up, with fast transitions.
  TFormMain* Start(bool teams) {
    TFormMain* f = Create();
    ScreenPage = 0;
    TransitionBusy = false;
    f->FTeamsChosen = teams ? 1 : 0;
    f->BufferTablo->SetDelay(0);
    f->BufferTablo->OnProgress = [this, f](TObject*) {
      frames_.push_back({f->BufferTablo->Progress(), f->BufferTablo->Style(), f->BufferTablo->Step()});
    };
    return f;
  }
  // The operator chooses a page tab.
  void Choose(TTabSheet* sheet) {
    form_->PageControl1->SetActivePage(sheet);
    form_->PageControl1Change(form_->PageControl1);
  }
  // The operator chooses the command tab.
  void SendSelected() {
    frames_.clear();
    form_->PageControl1->SetActivePageIndex(0);
    form_->PageControl1Change(form_->PageControl1);
  }
  void Send(TTabSheet* sheet) {
    Choose(sheet);
    SendSelected();
  }
  void PaintBackground(TImage* fon, TColor c) {
    TBitmap b(384, 256);
    b.Fill(c);
    fon->Picture()->SetGraphic(&b);
  }

  struct Frame {
    int Progress, Style, Step;
  };
  std::vector<Frame> frames_;
};

// ---------------------------------------------------------------------------
// Selecting and refusing

TEST_F(PagesTest, MatchPagesWaitForTheTeamsOthersGo) {
  TFormMain* f = Start(false);
  for (TTabSheet* p : {f->TabSheet1, f->TabSheet2, f->TabSheet3, f->TabSheet4, f->TabSheet5, f->Sheet_Stat}) {
    Send(p);
    EXPECT_EQ(f->PageControl1->ActivePage(), p) << p->Caption();
    EXPECT_EQ(SelectedPage, p->PageIndex());
    EXPECT_EQ(ScreenPage, 0) << p->Caption();
    EXPECT_TRUE(frames_.empty()) << p->Caption();
  }
  for (TTabSheet* p : {f->Sheet_TV, f->TabSheet6, f->Sheet_Inet, f->Sheet_Media, f->Sheet_Clock}) {
    Send(p);
    EXPECT_EQ(ScreenPage, p->PageIndex()) << p->Caption();
    EXPECT_EQ(f->PageControl1->ActivePage(), p);
    // Only the live pages go without a transition; Reklama without a
    // playing clip is grabbed like any page.
    const bool live = p == f->Sheet_TV || p == f->Sheet_Clock;
    EXPECT_EQ(frames_.empty(), live) << p->Caption();
    // Files dropped on the window reach the play list only with Reklama chosen.
    EXPECT_EQ(f->FileDropEnabled(), p == f->Sheet_Media) << p->Caption();
    EXPECT_EQ(f->FileDrag1->EnableDrop(), p == f->Sheet_Media) << p->Caption();
  }
}

TEST_F(PagesTest, ShowTimeBoxShowsTheTimeOnlyWhileTheClockRuns) {
  TFormMain* f = Start(true);
  f->seTablo_ShowTime->SetChecked(false);
  f->TimerIgra->SetEnabled(true);
  f->seTablo_ShowTime->SetChecked(true);
  EXPECT_TRUE(f->eTablo_Time->Visible());
  EXPECT_TRUE(f->eTabloGol_Time->Visible());
  f->seTablo_ShowTime->SetChecked(false);
  EXPECT_FALSE(f->eTablo_Time->Visible());
  f->TimerIgra->SetEnabled(false);
  f->seTablo_ShowTime->SetChecked(true);
  EXPECT_FALSE(f->eTablo_Time->Visible());
  EXPECT_FALSE(f->eTabloGol_Time->Visible());
}

TEST_F(PagesTest, CommandTabBeforeAnyPageSendsTheEmptyCommandSheet) {
  TFormMain* f = Start(true);
  SelectedPage = 0;
  f->PageControl1->SetActivePageIndex(0);
  SendSelected();
  EXPECT_EQ(ScreenPage, 0);
  EXPECT_EQ(f->PageControl1->ActivePageIndex(), 0);
  EXPECT_FALSE(frames_.empty());
}

TEST_F(PagesTest, PlayersShowOnTheScreenKeepsItsTab) {
  TFormMain* f = Start(true);
  Send(f->TabSheet5);
  ASSERT_EQ(ScreenPage, 5);
  f->Timer_Igrok->SetEnabled(true);
  Choose(f->TabSheet1);
  EXPECT_EQ(f->PageControl1->ActivePage(), f->TabSheet5);
  EXPECT_EQ(SelectedPage, 5);
  f->ShowTabloPage(f->Sheet_Inet);
  EXPECT_EQ(f->PageControl1->ActivePage(), f->TabSheet5);
  f->Timer_Igrok->SetEnabled(false);
  f->ShowTabloPage(f->TabSheet2);
  EXPECT_EQ(SelectedPage, 2);
  EXPECT_EQ(f->PageControl1->ActivePage(), f->TabSheet2);
  EXPECT_EQ(ScreenPage, 5);   // selected, not sent
}


// ---------------------------------------------------------------------------
// Sending through the transition

TEST_F(PagesTest, MainPlaysItsPictureThroughItsEffectAndStep) {
  TFormMain* f = Start(true);
  PaintBackground(f->ImageFon0, clRed);
  f->Sud_Stop->SetEnabled(true);
  f->seTablo_ShowTime->SetChecked(true);
  Send(f->TabSheet1);
  EXPECT_EQ(ScreenPage, 1);
  EXPECT_EQ(f->PageControl1->ActivePage(), f->TabSheet1);
  ASSERT_GE(frames_.size(), 2u);
  for (const Frame& fr : frames_) {
    EXPECT_EQ(fr.Style, 10);
    EXPECT_EQ(fr.Step, 2);
  }
  EXPECT_EQ(frames_.back().Progress, 100);
  EXPECT_EQ(frames_[1].Progress - frames_[0].Progress, 2);
  // The grab holds the page's picture and is what the show played.
  ASSERT_TRUE(f->BufferTablo->Picture()->Graphic());
  EXPECT_EQ(f->BufferTablo->Picture()->Width(), 384);
  EXPECT_TRUE(Near(f->FGrabBitmap->Canvas()->Pixel(190, 100), clRed));
  // The match time lies over the Main page only.
  EXPECT_EQ(f->eTablo_Time->Parent(), f->BufferTablo);
  EXPECT_EQ(f->eTabloGol_Time->Parent(), f->PanelTablo1);
  EXPECT_TRUE(f->eTablo_Time->Visible());

  Send(f->TabSheet2);
  EXPECT_EQ(f->eTablo_Time->Parent(), f->PanelTablo0);
  EXPECT_EQ(f->eTabloGol_Time->Parent(), f->BufferTablo);
  ASSERT_FALSE(frames_.empty());
  EXPECT_EQ(frames_.front().Style, 150);
  EXPECT_EQ(frames_.front().Step, 1);   // a stored step 0 runs as 1

  // Without the running clock the time stays hidden.
  f->Sud_Stop->SetEnabled(false);
  Send(f->TabSheet1);
  EXPECT_FALSE(f->eTablo_Time->Visible());
  Send(f->TabSheet3);
  EXPECT_EQ(f->eTablo_Time->Parent(), f->PanelTablo0);
  EXPECT_EQ(f->eTabloGol_Time->Parent(), f->PanelTablo1);
}

TEST_F(PagesTest, Effect127NeverRunsBelowStepTwo) {
  TFormMain* f = Start(true);
  TFormMain::SetPageTag(f->TabSheet3, 127 | (1u << 8));
  Send(f->TabSheet3);
  ASSERT_FALSE(frames_.empty());
  EXPECT_EQ(frames_.front().Style, 127);
  EXPECT_EQ(frames_.front().Step, 2);
}

TEST_F(PagesTest, ScreenTabCaptionNamesThePageAndHasRoom) {
  TFormMain* f = Start(true);
  Send(f->TabSheet6);
  const String c = f->TabSheet0->Caption();
  const String core = String(30, ' ') + "On the Screen" + String(29, ' ') + ": Office";
  const size_t at = c.find(core);
  ASSERT_NE(at, String::npos);
  EXPECT_EQ(c.size() - at - core.size(), at - 0);   // as many blanks after as added before
  TBitmap m(1, 1);
  m.Canvas()->SetFont(f->PageControl1->Font());
  EXPECT_GE(m.Canvas()->TextWidth(c), f->Panel9->Width() - 10);

  const String longName(300, 'W');
  f->Sheet_Inet->SetCaption(longName);
  Send(f->Sheet_Inet);
  const String c2 = f->TabSheet0->Caption();
  EXPECT_EQ(c2, String(30, ' ') + "On the Screen" + String(29, ' ') + ": " + longName);
}

// ---------------------------------------------------------------------------
// Transition word

TEST_F(PagesTest, TransitionWordRoundTripsThroughItsEditors) {
  TFormMain* f = Start(true);
  Choose(f->Sheet_Stat);
  f->cbPagePerexodNumber->SetValue(77);
  EXPECT_EQ(f->BufferTablo->Style(), 77);
  EXPECT_EQ(f->cbPagePerexodName->ItemIndex(), 76);
  f->cbPagePerexodName->SetItemIndex(4);
  f->cbPagePerexodNameChange(f->cbPagePerexodName);
  EXPECT_EQ(f->cbPagePerexodNumber->Value(), 5);
  f->cbPageStep->SetValue(9);
  EXPECT_EQ(f->BufferTablo->Step(), 9);
  f->cbPagePerexodRnd->SetChecked(true);
  const uint32_t word = 5u | (9u << 8) | 0x80000000u;
  EXPECT_EQ(TFormMain::PageTag(f->Sheet_Stat), word);
  EXPECT_LT(f->Sheet_Stat->Tag(), 0);   // the 32-bit signed word

  // Another page and back: the editors show the word again.
  Choose(f->TabSheet1);
  EXPECT_EQ(f->cbPagePerexodNumber->Value(), 10);
  EXPECT_EQ(f->cbPageStep->Value(), 2);
  EXPECT_FALSE(f->cbPagePerexodRnd->Checked());
  Choose(f->Sheet_Stat);
  EXPECT_EQ(f->cbPagePerexodNumber->Value(), 5);
  EXPECT_EQ(f->cbPageStep->Value(), 9);
  EXPECT_TRUE(f->cbPagePerexodRnd->Checked());
  EXPECT_EQ(TFormMain::PageTag(f->Sheet_Stat), word);
  EXPECT_EQ(TFormMain::PageTag(f->TabSheet1), 522u);

  // Unchecking clears bit 31 only.
  f->cbPagePerexodRnd->SetChecked(false);
  EXPECT_EQ(TFormMain::PageTag(f->Sheet_Stat), 5u | (9u << 8));
  f->cbPagePerexodRnd->SetChecked(true);

  // A stored effect and step 0 are shown as 1 and so written as 1.
  ASSERT_EQ(TFormMain::PageTag(f->TabSheet6), 0u);
  Choose(f->TabSheet6);
  EXPECT_EQ(f->cbPagePerexodNumber->Value(), 1);
  EXPECT_EQ(TFormMain::PageTag(f->TabSheet6), 1u | (1u << 8));
  Choose(f->Sheet_Stat);

  // Through the settings store and back.
  Destroy();
  TFormMain* g = Start(true);
  EXPECT_EQ(TFormMain::PageTag(g->Sheet_Stat), word);
  Choose(g->Sheet_Stat);
  EXPECT_EQ(g->cbPagePerexodNumber->Value(), 5);
  EXPECT_TRUE(g->cbPagePerexodRnd->Checked());
}


TEST_F(PagesTest, RandomEffectIsShownButNotStored) {
  TFormMain* f = Start(true);
  Choose(f->TabSheet1);
  f->cbPagePerexodRnd->SetChecked(true);
  int asked = 0;
  f->PageEffectRandom = [&](int range) {
    ++asked;
    EXPECT_EQ(range, 150);
    return 41;
  };
  SendSelected();
  EXPECT_EQ(asked, 1);
  ASSERT_FALSE(frames_.empty());
  EXPECT_EQ(frames_.front().Style, 42);
  EXPECT_EQ(frames_.front().Step, 2);   // the step stays the editor's
  EXPECT_EQ(f->ePagePerexodRnd->Text(), "42");
  EXPECT_EQ(f->ePagePerexodRnd->Tag(), 42);
  EXPECT_EQ(TFormMain::PageTag(f->TabSheet1), 522u | 0x80000000u);
  EXPECT_EQ(f->cbPagePerexodNumber->Value(), 10);
}

TEST_F(PagesTest, ScriptedTransitionKeepsItsEffectEvenWithRandomFlag) {
  TFormMain* f = Start(true);
  Choose(f->TabSheet1);
  f->cbPagePerexodRnd->SetChecked(true);
  f->ePagePerexodRnd->SetText("");
  int asked = 0;
  f->PageEffectRandom = [&](int) { return ++asked; };
  TBitmap logo(384, 256);
  logo.Fill(clYellow);
  f->BufferTablo->Picture()->SetGraphic(&logo);
  f->BufferTablo->SetStyle(33);
  f->BufferTablo->SetStep(5);
  TransitionBusy = true;
  f->BufferTablo->Execute();
  TransitionBusy = false;
  EXPECT_EQ(asked, 0);
  ASSERT_FALSE(frames_.empty());
  EXPECT_EQ(frames_.front().Style, 33);
  EXPECT_EQ(frames_.front().Step, 5);
  EXPECT_EQ(f->ePagePerexodRnd->Text(), "");

  // Without the flag the page's word is not applied either.
  f->cbPagePerexodRnd->SetChecked(false);
  frames_.clear();
  f->BufferTablo->SetStyle(61);
  f->BufferTablo->SetStep(4);
  TransitionBusy = true;
  f->BufferTablo->Execute();
  TransitionBusy = false;
  ASSERT_FALSE(frames_.empty());
  EXPECT_EQ(frames_.front().Style, 61);
  EXPECT_EQ(frames_.front().Step, 4);
}

// ---------------------------------------------------------------------------
// Live pages

TEST_F(PagesTest, TvPageGoesLiveAndComesBack) {
  TFormMain* f = Start(true);
  f->rgVideoDrv->Items()->Add("Camera");
  f->rgVideoDrv->SetItemIndex(1);
  std::vector<int> camera;
  auto original = f->rgVideoDrv->OnClick;
  f->rgVideoDrv->OnClick = [&, original](TObject* s) {
    camera.push_back(f->rgVideoDrv->ItemIndex());
    original(s);
  };
  f->RunStr->SetVisible(true);
  f->RunStr->Start(0);
  ASSERT_TRUE(f->RunStr->IsRunning());

  Send(f->Sheet_TV);
  EXPECT_TRUE(frames_.empty());   // no grab, no transition
  EXPECT_EQ(f->DSVideoWindowEx->Parent(), f->PanelTabloColor);
  EXPECT_FALSE(f->BufferTablo->Visible());
  EXPECT_EQ(f->RunStr->Parent(), f->PanelTabloColor);
  EXPECT_EQ(camera, (std::vector<int>{0, 1}));
  EXPECT_EQ(f->rgVideoDrv->ItemIndex(), 1);

  // Sent again: no clean-up, the window moves again.
  camera.clear();
  SendSelected();
  EXPECT_EQ(camera, (std::vector<int>{0, 1}));
  EXPECT_TRUE(f->RunStr->IsRunning());

  camera.clear();
  Send(f->Sheet_Inet);
  EXPECT_EQ(ScreenPage, 11);
  EXPECT_TRUE(f->BufferTablo->Visible());
  EXPECT_EQ(f->DSVideoWindowEx->Parent(), f->PanelTablo5);
  EXPECT_EQ(f->ImageOnTV->Parent(), f->PanelTablo5);
  EXPECT_FALSE(f->RunStr->IsRunning());
  EXPECT_FALSE(f->RunStr->Visible());
  EXPECT_EQ(f->RunStr->Parent(), f->PanelTablo5);
  EXPECT_EQ(camera, (std::vector<int>{0, 1}));
  EXPECT_FALSE(frames_.empty());
}

TEST_F(PagesTest, ClockPageGoesLiveInsideTheShow) {
  TFormMain* f = Start(false);
  Send(f->Sheet_Clock);
  EXPECT_TRUE(frames_.empty());
  EXPECT_EQ(f->PanelCircleClock->Parent(), f->BufferTablo);
  EXPECT_EQ(f->DialClock1->Cursor(), crNone);
  Send(f->TabSheet6);
  EXPECT_EQ(f->PanelCircleClock->Parent(), f->PanelTablo8);
  EXPECT_EQ(f->DialClock1->Cursor(), crDefault);
}

// ---------------------------------------------------------------------------
// The grab

TEST_F(PagesTest, GrabRendersTheSelectedPageHeadlessAndUnderAWindow) {
  TFormMain* f = Start(true);
  PaintBackground(f->ImageFon3, clBlue);
  PaintBackground(f->ImageFon0, clLime);
  Choose(f->TabSheet4);
  TBitmap b(384, 256);
  ASSERT_TRUE(f->GrabTabloImage(b));
  EXPECT_TRUE(Near(b.Canvas()->Pixel(120, 100), clBlue));
  Choose(f->TabSheet1);
  ASSERT_TRUE(f->GrabTabloImage(b));
  EXPECT_TRUE(Near(b.Canvas()->Pixel(190, 100), clLime));
  TBitmap empty;
  EXPECT_FALSE(f->GrabTabloImage(empty));

  // Shown, with a window lying over the whole output band.
  f->Show();
  TForm* cover = new TForm(nullptr);
  cover->SetBorderStyle(bsNone);
  cover->SetColor(clFuchsia);
  cover->SetBounds(0, 0, 1024, 740);
  cover->Show();
  ASSERT_TRUE(f->GrabTabloImage(b));
  EXPECT_TRUE(Near(b.Canvas()->Pixel(190, 100), clLime));
  EXPECT_EQ(CountNear(b, Rect(0, 0, 384, 256), clFuchsia), 0);
  Free(cover);
}


// The output area after sending the Main page with two teams, as a picture.
TEST_F(PagesTest, ScreenshotOfTheOutputAfterSendingMain) {
  TFormMain* f = Start(true);
  f->Show();
  PaintBackground(f->ImageFon0, clMaroon);
  f->eTablo_K1->SetCaption("ALPHA");
  f->eTablo_K2->SetCaption("BETA");
  f->eTablo_Time->SetCaption("45:00");
  f->Sud_Stop->SetEnabled(true);
  f->seTablo_ShowTime->SetChecked(true);
  Send(f->TabSheet1);
  ASSERT_EQ(ScreenPage, 1);
  Application->ProcessMessages();

  TBitmap shot(f->PanelTabloColor->Width(), f->PanelTabloColor->Height());
  f->PanelTabloColor->PaintTo(shot.Canvas(), 0, 0);
  const String dir = ExtractFilePath(Application->ExeName());
  const String png = dir + "pages_output_main.png";
  shot.SaveToFile(png);
  EXPECT_TRUE(std::filesystem::exists(png));

  // The page's picture arrived: its background fills the free parts.
  EXPECT_TRUE(Near(shot.Canvas()->Pixel(190, 195), clMaroon, 16));
  EXPECT_TRUE(Near(shot.Canvas()->Pixel(5, 70), clMaroon, 16));
  // The team names came with it (white text in their places).
  EXPECT_GT(CountNear(shot, f->eTablo_K1->BoundsRect(), clWhite, 40), 10);
  // The match time is on top, in its place at the bottom.
  const TRect timeRect = f->eTablo_Time->BoundsRect();
  EXPECT_GT(CountNear(shot, timeRect, clAqua, 40), 10);
  // Hidden again, the time label leaves the page's picture.
  f->ShowTimeLabels(false);
  TBitmap plain(shot.Width(), shot.Height());
  f->PanelTabloColor->PaintTo(plain.Canvas(), 0, 0);
  EXPECT_EQ(CountNear(plain, timeRect, clAqua, 40), 0);
}

TEST_F(PagesTest, RightClickBelowThePagesBeepsAndShowsNoMenu) {
  TFormMain* f = Start(false);
  int beeps = 0;
  BeepHook = [&] { ++beeps; };
  auto rightClick = [&](int y) {
    QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(20, y));
    QCoreApplication::sendEvent(f->PageControl1->Widget(), &e);
  };
  rightClick(f->TabSheet1->Height() / 2);
  EXPECT_EQ(beeps, 0);
  rightClick(f->TabSheet1->Height() + 5);
  EXPECT_EQ(beeps, 1);
  BeepHook = nullptr;
}
