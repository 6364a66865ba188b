// The running text of the TV+ page: the rotation through the checked texts,
// play, pause and stop, the list with its menu and files, direction, speed,
// place, font and colour. The label's ticks are run by the tests.
#include <initializer_list>
#include <vector>
#include "ConsoleFixture.h"
#include "toolkit/MouseTools.h"
#include "controls/RunLabel.h"
#include "pictureshow/PictureShow.h"

namespace {

// Reaches the label's timer tick so a test can run it step by step.
struct TickAccess : TRunLabel {
  using TRunString::TimerTick;
};
void Tick(TRunLabel* r) { (r->*(&TickAccess::TimerTick))(); }

// Ticks until the pass ends (the position goes back to 0) or the text stops.
void FinishPass(TRunLabel* r) {
  for (int n = 0; n < 100000 && r->IsRunning(); ++n) {
    Tick(r);
    if (r->GetPosition() == 0) return;
  }
}

std::vector<String> Items(const TCheckListBox* l) {
  std::vector<String> out;
  for (int i = 0; i < l->Count(); ++i) out.push_back(l->Items()->Get(i));
  return out;
}

class RunTextTest : public ConsoleFixture {
 protected:
  void TearDown() override {
    CommonDialogHook = nullptr;
    ScreenPage = 0;
    ConsoleFixture::TearDown();
  }
  // A console whose start-up list holds these texts (all checked, first selected).
  TFormMain* StartWith(std::initializer_list<const char*> texts) {
    String s;
    for (const char* t : texts) s += String(t) + "\n";
    WriteFile("Texts/RS_Color.txt", s);
    TFormMain* f = Create();
    ScreenPage = 1;
    return f;
  }
  // The stopped state: every control the run locks is free again.
  static void ExpectStopped(TFormMain* f) {
    EXPECT_FALSE(f->RunStr->IsRunning());
    EXPECT_FALSE(f->RunStr->Visible());
    EXPECT_EQ(f->RunStr->Parent(), f->PanelTablo5);
    EXPECT_TRUE(f->rlPlay->Enabled());
    EXPECT_FALSE(f->rlPause->Enabled());
    EXPECT_FALSE(f->rlStop->Enabled());
    EXPECT_TRUE(f->bRS_ADD->Enabled());
    EXPECT_TRUE(f->bRS_INS->Enabled());
    EXPECT_TRUE(f->LabelRS_Color->Enabled());
    EXPECT_TRUE(f->ListRunStr->Enabled());
    EXPECT_TRUE(f->ListRunStr->MultiSelect());
    EXPECT_EQ(f->rlPlay->Tag(), 0);
  }
};

TEST_F(RunTextTest, RotationWithoutRepeatEndsOnLastAndSelectsFirst) {
  TFormMain* f = StartWith({"alpha", "beta", "gamma"});
  f->rlCikle->Click();
  ASSERT_FALSE(f->rlCikle->Down());
  f->rlPlay->Click();
  EXPECT_FALSE(f->bRS_ADD->Enabled());
  EXPECT_FALSE(f->ListRunStr->Enabled());
  EXPECT_FALSE(f->ListRunStr->MultiSelect());
  std::vector<String> shown, counters;
  while (f->RunStr->IsRunning() && shown.size() < 5) {
    shown.push_back(f->RunStr->RText());
    Tick(f->RunStr);
    counters.push_back(f->rlFilesCount->Text());
    FinishPass(f->RunStr);
  }
  EXPECT_EQ(shown, (std::vector<String>{"alpha", "beta", "gamma"}));
  // The counter is right from the first pass on (Play starts past position 0).
  EXPECT_EQ(counters, (std::vector<String>{"1:3", "2:3", "3:3"}));
  ExpectStopped(f);
  EXPECT_EQ(f->ListRunStr->ItemIndex(), 0);
}

TEST_F(RunTextTest, DoubleClickedTextRunsOnceThenRotationSkipsUnchecked) {
  TFormMain* f = StartWith({"alpha", "beta", "gamma"});
  f->ListRunStr->SetChecked(2, false);
  f->ListRunStr->SetItemIndex(2);
  f->ListRunStrDblClick(f->ListRunStr);
  EXPECT_EQ(f->RunStr->RText(), "gamma");
  FinishPass(f->RunStr);
  ExpectStopped(f);
  EXPECT_EQ(f->ListRunStr->ItemIndex(), 2);
  // Play is in rotation mode again and wraps over the checked texts.
  f->rlPlay->Click();
  std::vector<String> shown;
  for (int pass = 0; pass < 3; ++pass) {
    shown.push_back(f->RunStr->RText());
    FinishPass(f->RunStr);
  }
  EXPECT_EQ(shown, (std::vector<String>{"alpha", "beta", "alpha"}));
  EXPECT_TRUE(f->RunStr->IsRunning());
}

TEST_F(RunTextTest, PlayWithNothingToRunStopsAndFreesTheControls) {
  TFormMain* f = StartWith({"alpha", "beta"});
  // Nothing selected: the rotation starts at the first checked text.
  f->ListRunStr->SetChecked(0, false);
  f->ListRunStr->SetItemIndex(-1);
  f->rlPlay->Click();
  EXPECT_EQ(f->RunStr->RText(), "beta");
  f->rlStop->Click();
  f->ListRunStr->SetChecked(1, false);
  f->rlPlay->Click();
  ExpectStopped(f);
  // An empty list, and a single text with nothing selected, stop as well.
  f->bRunStr_New->Click();
  f->rlPlay->Click();
  ExpectStopped(f);
  f->ListRunStrDblClick(f->ListRunStr);
  ExpectStopped(f);
}

TEST_F(RunTextTest, PauseKeepsPositionAndPlayResumes) {
  TFormMain* f = StartWith({"alpha", "beta"});
  f->rlPlay->Click();
  for (int i = 0; i < 5; ++i) Tick(f->RunStr);
  f->rlPause->Click();
  EXPECT_FALSE(f->RunStr->IsRunning());
  EXPECT_TRUE(f->RunStr->Visible());
  EXPECT_FALSE(f->rlStop->Enabled());
  f->rlPlay->Click();
  Tick(f->RunStr);
  EXPECT_EQ(f->RunStr->GetPosition(), 7);
  EXPECT_EQ(f->RunStr->RText(), "alpha");
}

TEST_F(RunTextTest, TextRunsOverTheOutputOnlyWhileTvIsOnTheScreen) {
  TFormMain* f = StartWith({"alpha", "beta"});
  f->BufferTablo->SetDelay(0);
  auto send = [f](TTabSheet* sheet) {
    f->PageControl1->SetActivePage(sheet);
    f->PageControl1Change(f->PageControl1);
    f->PageControl1->SetActivePageIndex(0);
    f->PageControl1Change(f->PageControl1);
  };
  f->rlPlay->Click();
  EXPECT_EQ(f->RunStr->Parent(), f->PanelTablo5);
  EXPECT_TRUE(f->BufferTablo->Visible());
  send(f->Sheet_TV);
  EXPECT_EQ(f->RunStr->Parent(), f->PanelTabloColor);
  // TV+ leaving the screen is a stop; Play with TV+ on the screen goes over it.
  send(f->Sheet_Inet);
  ExpectStopped(f);
  ScreenPage = 6;
  f->rlPlay->Click();
  EXPECT_EQ(f->RunStr->Parent(), f->PanelTabloColor);
  EXPECT_FALSE(f->BufferTablo->Visible());
}

TEST_F(RunTextTest, EnteringAndMovingTexts) {
  TFormMain* f = StartWith({"alpha", "beta"});
  f->ListRunStr->SetChecked(1, false);
  // Insert with nothing selected goes to the top.
  f->ListRunStr->SetItemIndex(-1);
  f->RS_edit->SetText("top");
  f->bRS_INS->Click();
  // Insert before the selected text; the selection stays on it.
  f->ListRunStr->SetItemIndex(2);
  f->RS_edit->SetText("new");
  f->bRS_INS->Click();
  EXPECT_EQ(Items(f->ListRunStr), (std::vector<String>{"top", "alpha", "new", "beta"}));
  EXPECT_EQ(f->ListRunStr->ItemIndex(), 3);
  // Enter replaces the selected text and keeps its mark.
  char32_t key = 13;
  f->RS_edit->SetText("BETA");
  f->RS_editKeyPress(f->RS_edit, key);
  f->RS_edit->SetText("last");
  f->bRS_ADD->Click();
  EXPECT_EQ(Items(f->ListRunStr), (std::vector<String>{"top", "alpha", "new", "BETA", "last"}));
  const bool marks[] = {true, true, true, false, true};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(f->ListRunStr->Checked(i), marks[i]) << i;
  // Alt+Up moves the selected text with its mark; Alt with Shift does nothing.
  uint16_t k = VK_UP;
  f->ListKeyDown(f->ListRunStr, k, TShiftState{ssAlt, ssShift});
  f->ListKeyDown(f->ListRunStr, k, TShiftState{ssAlt});
  EXPECT_EQ(k, 0);
  EXPECT_EQ(f->ListRunStr->Items()->Get(2), "BETA");
  EXPECT_FALSE(f->ListRunStr->Checked(2));
  EXPECT_TRUE(f->ListRunStr->Checked(3));
  EXPECT_EQ(f->ListRunStr->ItemIndex(), 2);
}

TEST_F(RunTextTest, ListSavedAndLoadedBackIsIdentical) {
  TFormMain* f = StartWith({"alpha", "Добро пожаловать на стадион!", "  spaced  ", "", "tab\there"});
  f->ListRunStr->SetChecked(2, false);
  const std::vector<String> before = Items(f->ListRunStr);
  String file = app_ + "Texts/saved.txt";
  std::vector<String> dirs;
  CommonDialogHook = [&](TCommonDialog* d) {
    auto* od = dynamic_cast<TOpenDialog*>(d);
    dirs.push_back(od->InitialDir);
    od->FileName = file;
    return true;
  };
  f->bRunStr_Save->Click();
  f->bRunStr_New->Click();
  EXPECT_EQ(f->ListRunStr->Count(), 0);
  f->bRunStr_Open->Click();
  EXPECT_EQ(Items(f->ListRunStr), before);
  for (int i = 0; i < f->ListRunStr->Count(); ++i) EXPECT_TRUE(f->ListRunStr->Checked(i)) << i;
  EXPECT_EQ(f->rlFilesCount->Text(), "1:5");
  EXPECT_EQ(dirs, (std::vector<String>{app_ + "Texts/", app_ + "Texts/"}));
  // A file that cannot be read or written is reported; the list stays.
  file = app_ + "Texts/missing.txt";
  EXPECT_THROW(f->bRunStr_OpenClick(f->bRunStr_Open), Exception);
  file = app_ + "no such folder/list.txt";
  EXPECT_THROW(f->bRunStr_SaveClick(f->bRunStr_Save), Exception);
  EXPECT_EQ(Items(f->ListRunStr), before);
}

TEST_F(RunTextTest, ListMenuActsOnTheSelectedTexts) {
  TFormMain* f = StartWith({"alpha", "beta", "gamma"});
  f->PopupMenu1->SetTag(1);
  f->ListRunStrMouseDown(f->ListRunStr, mbRight, {}, 0, 0);
  EXPECT_EQ(f->PopupMenu1->Tag(), 0);
  f->ListRunStr->ClearSelection();
  f->PopupMenu1Popup(f->PopupMenu1);
  EXPECT_FALSE(f->N3->Enabled());
  f->ListRunStr->SetSelected(0, true);
  f->ListRunStr->SetSelected(2, true);
  f->PopupMenu1Popup(f->PopupMenu1);
  EXPECT_TRUE(f->N3->Enabled());
  f->N5->Click();
  EXPECT_FALSE(f->ListRunStr->Checked(0));
  EXPECT_TRUE(f->ListRunStr->Checked(1));
  f->N4->Click();
  EXPECT_TRUE(f->ListRunStr->Checked(0));
  f->N3->Click();
  EXPECT_EQ(Items(f->ListRunStr), (std::vector<String>{"beta"}));
}

TEST_F(RunTextTest, DirectionSpeedPlaceFontAndColour) {
  TFormMain* f = StartWith({"alpha"});
  const TRDirection dirs[] = {rdRightToLeft, rdTopToBottom, rdBottomToTop, rdStatic};
  for (int i = 3; i >= 0; --i) {
    f->rlNapr->SetItemIndex(i);
    f->rlNaprChange(f->rlNapr);
    EXPECT_EQ(f->RunStr->Direction(), dirs[i]) << i;
  }
  const int speed[] = {35, 18, 1, 1, 1}, step[] = {1, 1, 1, 2, 3};
  for (int p = -2; p <= 2; ++p) {
    f->rlSpeed->SetPosition(p == 0 ? 1 : 0);
    f->rlSpeed->SetPosition(p);
    EXPECT_EQ(f->RunStr->Speed(), speed[p + 2]) << p;
    EXPECT_EQ(f->RunStr->OneStep(), step[p + 2]) << p;
  }
  f->cbRlTop->SetChecked(true);
  EXPECT_EQ(f->RunStr->Align(), alTop);
  CommonDialogHook = [](TCommonDialog* d) {
    if (auto* fd = dynamic_cast<TFontDialog*>(d)) fd->Font()->SetName("DejaVu Sans");
    if (auto* cd = dynamic_cast<TColorDialog*>(d)) cd->Color = clYellow;
    return true;
  };
  f->LabelRS_ColorClick(f->LabelRS_Color);
  EXPECT_EQ(f->RunStr->RFont()->Name(), "DejaVu Sans");
  EXPECT_EQ(f->LabelRS_Color->Font()->Name(), "DejaVu Sans");
  // Only the right button chooses the colour.
  f->LabelRS_ColorMouseDown(f->LabelRS_Color, mbLeft, {}, 0, 0);
  EXPECT_EQ(f->RunStr->RFont()->Color(), clWhite);
  f->LabelRS_ColorMouseDown(f->LabelRS_Color, mbRight, {}, 0, 0);
  EXPECT_EQ(f->RunStr->RFont()->Color(), clYellow);
  EXPECT_EQ(f->LabelRS_Color->Font()->Color(), clYellow);
}

TEST_F(RunTextTest, TheColourDialogOpensAtTheTextsColour) {
  // A right click on the colour sample, the first time and after the clock
  // page has used the same dialog for one of its colours: the dialog opens
  // at the running text's colour, and the one chosen is then the text's.
  TFormMain* f = StartWith({"A"});
  f->Show();
  f->PageControl2->SetActivePage(f->Sheet_Tablo);
  f->PageControl1->SetActivePage(f->Sheet_TV);
  Application->ProcessMessages();
  TColor shown = clNone, answer = clYellow;
  CommonDialogHook = [&](TCommonDialog* d) {
    auto* cd = dynamic_cast<TColorDialog*>(d);
    if (!cd) return false;
    shown = cd->Color;
    cd->Color = answer;
    return true;
  };
  auto rightClick = [&] {
    const TPoint p(f->LabelRS_Color->Width() / 2, f->LabelRS_Color->Height() / 2);
    SendWindowMouseButton(f->LabelRS_Color, mbRight, true, p);
    SendWindowMouseButton(f->LabelRS_Color, mbRight, false, p);
    Application->ProcessMessages();
  };
  const TColor first = f->RunStr->RFont()->Color();
  rightClick();
  EXPECT_EQ(shown, first);
  EXPECT_EQ(f->RunStr->RFont()->Color(), clYellow);
  answer = 0x102030;
  f->PanelColorClockFon->Click();   // the clock page's swatch
  answer = clAqua;
  rightClick();
  EXPECT_EQ(shown, clYellow);
  EXPECT_EQ(f->LabelRS_Color->Font()->Color(), clAqua);
}

}  // namespace
