// The match saved as it changes. A console killed (SIGKILL) right after a
// match event (or a change of a page's transition): the console started
// again holds it. The console that is killed is this test program run again
// as a child (MatchSavingTest.DISABLED_Console): it makes the event with the
// operator's clicks, says what the match is once the console has it on
// disk, and waits to be killed. The goal list saved as it changes never
// replaces a file changed on disk; a save that fails is told and tried again.
#include <signal.h>

#include <QCoreApplication>
#include <QProcess>
#include <chrono>
#include <cstdio>

#include "OperatorHands.h"
#include "SidesFixture.h"
#include "controls/ButtonWithColor.h"
#include "controls/Label3D.h"
#include "tests/toolkit/ToolkitTestUtil.h"
#include "toolkit/ProgramStart.h"
#include "toolkit/Timer.h"

namespace fs = std::filesystem;

namespace {

// A click on a spin edit's up arrow.
void ClickUp(TSpinEdit* s) {
  const TPoint p(s->Width() - 6, 4);
  SendMouseButton(s, mbLeft, true, p);
  SendMouseButton(s, mbLeft, false, p);
  Application->ProcessMessages();
}

String OneLine(String s) {
  for (char& c : s)
    if (c == '\n') c = '|';
  return s;
}

}  // namespace

class MatchSavingTest : public SidesFixture {
 protected:
  void SetUp() override {
    SidesFixture::SetUp();
    // The child works in the folders of the test that started it.
    if (const char* parent = std::getenv("TABLO_KILLED_ROOT")) {
      ownRoot_ = root_;
      fs::remove_all(root_);
      root_ = parent;
      app_ = root_ + "/app/";
      setenv("XDG_CONFIG_HOME", (root_ + "/cfg").c_str(), 1);
      TOfficeConverter::SetCacheFolder(root_ + "/office/");
    }
  }
  void TearDown() override {
    // A child that ends by itself leaves the parent's folders alone.
    if (!ownRoot_.empty()) root_ = ownRoot_;
    SidesFixture::TearDown();
  }

  void ClickItem(TListBox* list, int index) {
    const TRect r = list->ItemRect(index);
    hands::Click(list, TPoint(r.Left + 4, (r.Top + r.Bottom) / 2));
  }
  void Goal(TFormMain* f) {
    hands::Click(f->bSud_Gol1);
    ClickItem(f->ListIgroki, ItemOf(7));
    hands::Click(f->bIgrok_Zabil);
  }

  // What the match is, as far as the settings and the goal list keep it.
  String Facts(TFormMain* f) {
    String s = "sides " + f->cbSud_Comanda1->Text() + "/" + f->cbSud_Comanda2->Text();
    s += "; score " + IntToStr(f->seSud_Schet1->Value()) + ":" + IntToStr(f->seSud_Schet2->Value());
    s += " shown " + IntToStr(f->MatchScore[0]) + ":" + IntToStr(f->MatchScore[1]);
    s += "; period " + IntToStr(f->cbSud_Period->ItemIndex()) + " shown " + IntToStr(f->MatchPeriod);
    s += f->MatchClockRunning() ? String("; running") : "; stopped at " + f->eSud_Time->Text();
    s += "; goals [" + OneLine(f->TabloGol_List->Lines()->Text()) + "]; cards";
    for (int side : {1, 2})
      for (const TPlayerRec& r : f->TeamSlots[size_t(side)].Players)
        if (r.Nr > 0 && !r.K.empty()) s += " " + IntToStr(side) + "/" + IntToStr(r.Nr) + "=" + r.K;
    s += "; " + f->bSud_Zamena1->Caption() + "/" + f->bSud_Zamena2->Caption() + "; pages";
    for (int n = 0; n < f->PageControl1->PageCount(); ++n) s += " " + IntToStr(int64_t(f->PageControl1->Pages(n)->Tag()));
    // The display pages and the substitution page come back as they were,
    // whether the clock ran or not.
    s += "; display " + f->eTablo_K1->Caption() + " " + f->seTablo_Schet1->Caption() + ":" +
         f->seTablo_Schet2->Caption() + " " + f->eTablo_K2->Caption() + " period " + f->eTablo_Period->Caption();
    s += "; page " + IntToStr(f->cb_T_Zamena->ItemIndex()) + "," + IntToStr(f->ListZamenaOut->ItemIndex()) + "," +
         IntToStr(f->ListZamenaIn->ItemIndex()) + "," + f->Zamena_Min->Caption();
    return s;
  }

  struct Row {
    const char* name;
    std::function<void(MatchSavingTest*, TFormMain*)> before;   // a clean run first (optional)
    std::function<void(MatchSavingTest*, TFormMain*)> event;    // in the console that is killed
  };
  static const std::vector<Row>& Rows();

  int64_t fakeNow_ = 40'000'000;
  String ownRoot_;
};

const std::vector<MatchSavingTest::Row>& MatchSavingTest::Rows() {
  static const std::vector<Row> rows = {
      {"goal", nullptr,
       [](MatchSavingTest* t, TFormMain* f) {
         hands::Click(f->Sud_Play);
         t->Goal(f);
       }},
      {"card", nullptr,
       [](MatchSavingTest* t, TFormMain* f) {
         hands::Click(f->Sud_Play);
         hands::Click(f->bSud_KR2);
         t->ClickItem(f->ListIgroki, t->ItemOf(9));
         hands::Click(f->bIgrok_Kartochka);
       }},
      {"substitution", nullptr,
       [](MatchSavingTest* t, TFormMain* f) {
         hands::Click(f->Sud_Play);
         hands::Click(f->bSud_Zamena1);
         t->ClickItem(f->ListZamenaOut, 2);
         t->ClickItem(f->ListZamenaIn, 1);
       }},
      {"substitution, clock stopped", nullptr,
       [](MatchSavingTest* t, TFormMain* f) {
         hands::Click(f->Sud_Play);
         hands::Click(f->bSud_Zamena2);
         t->ClickItem(f->ListZamenaOut, 0);
         hands::Click(f->Sud_Stop);
       }},
      {"score edit", nullptr,
       [](MatchSavingTest*, TFormMain* f) {
         ClickUp(f->seSud_Schet2);
         ClickUp(f->seSud_Schet2);
         hands::Click(f->bFullOK);
       }},
      {"period change", nullptr,
       [](MatchSavingTest*, TFormMain* f) {
         hands::Click(f->Sud_Play);
         hands::Click(f->Sud_Stop);
         hands::Click(f->Sud_NextPeriod);
         hands::Click(f->bFullOK);
       }},
      // The referee's period and score as set, before a confirmation.
      {"period change, not confirmed", nullptr,
       [](MatchSavingTest*, TFormMain* f) {
         hands::Click(f->Sud_Play);
         hands::Click(f->Sud_Stop);
         hands::Click(f->Sud_NextPeriod);
       }},
      {"score edit, not confirmed", nullptr, [](MatchSavingTest*, TFormMain* f) { ClickUp(f->seSud_Schet1); }},
      {"clock start", nullptr, [](MatchSavingTest*, TFormMain* f) { hands::Click(f->Sud_Play); }},
      {"clock stop", nullptr,
       [](MatchSavingTest* t, TFormMain* f) {
         f->TickSource = [t] { return t->fakeNow_; };
         hands::Click(f->Sud_Play);
         t->fakeNow_ += (12 * 60 + 34) * 1000 + 500;
         f->TimerIgraTimer(f->TimerIgra);
         hands::Click(f->Sud_Stop);
       }},
      {"page transition", nullptr,
       [](MatchSavingTest*, TFormMain* f) {
         hands::ChooseSheet(f->Sheet_Tablo);
         ClickUp(f->cbPageStep);
       }},
      {"new match",
       [](MatchSavingTest* t, TFormMain* f) {
         hands::Click(f->Sud_Play);
         t->Goal(f);
       },
       [](MatchSavingTest* t, TFormMain* f) {
         t->answer_ = mrYes;   // "New Match. Reset?"
         hands::Click(f->ToolButton5);
       }},
  };
  return rows;
}

// The console that is killed: the row's event, then its match once on disk.
TEST_F(MatchSavingTest, DISABLED_Console) {
  const char* name = std::getenv("TABLO_KILLED_ROW");
  ASSERT_NE(name, nullptr);
  const Row* row = nullptr;
  for (const Row& r : Rows())
    if (String(name) == r.name) row = &r;
  ASSERT_NE(row, nullptr) << name;
  TFormMain* f = StartMatch();
  f->Show();
  ASSERT_TRUE(WaitFor([f] { return f->MatchStateSaved(); }, 60000) == wrDone);
  std::printf("@@before %s\n", Facts(f).c_str());
  row->event(this, f);
  ASSERT_TRUE(WaitFor([f] { return f->MatchStateSaved(); }, 60000) == wrDone) << "not saved";
  std::printf("@@after %s\n", Facts(f).c_str());
  std::fflush(stdout);
  WaitFor([] { return false; }, -1);
}

TEST_F(MatchSavingTest, TheMatchSurvivesAKillRightAfterEachEvent) {
  for (const Row& row : Rows()) {
    SCOPED_TRACE(row.name);
    fs::remove(TRegistry::StoreFileName());
    fs::remove(app_ + "Gols.txt");
    if (row.before) {
      TFormMain* f = StartMatch();
      f->Show();
      row.before(this, f);
      Destroy();
    }
    QProcess console;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TABLO_KILLED_ROOT", QString::fromStdString(root_));
    env.insert("TABLO_KILLED_ROW", row.name);
    console.setProcessEnvironment(env);
    console.setProcessChannelMode(QProcess::MergedChannels);
    // (The folder this program is in may be one a test before removed.)
    console.setWorkingDirectory(QString::fromStdString(root_));
    StartProgram(console, QCoreApplication::applicationFilePath(),
                 {"--gtest_filter=MatchSavingTest.DISABLED_Console", "--gtest_also_run_disabled_tests"});
    ASSERT_TRUE(console.waitForStarted(30000));
    String out, before, after;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (after.empty() && console.state() == QProcess::Running && std::chrono::steady_clock::now() < until) {
      console.waitForReadyRead(1000);
      out += console.readAllStandardOutput().toStdString();
      for (const char* tag : {"@@before ", "@@after "}) {
        const size_t at = out.find(tag);
        const size_t end = at == String::npos ? at : out.find('\n', at);
        if (end != String::npos) (tag[2] == 'b' ? before : after) = out.substr(at + strlen(tag), end - at - strlen(tag));
      }
    }
    // (A child that ended by itself has no process to kill.)
    if (console.state() == QProcess::Running && console.processId() > 0) ::kill(pid_t(console.processId()), SIGKILL);
    console.waitForFinished(30000);
    out += console.readAllStandardOutput().toStdString();
    ASSERT_FALSE(after.empty()) << "exit " << console.exitCode() << "\n" << out;
    EXPECT_NE(before, after) << out;   // the event changed the match
    TFormMain* f = Create();
    EXPECT_EQ(Facts(f), after);
    Destroy();
  }
}

// The goal list saved as it changes keeps to the rule of a list file: a
// file changed on disk after the console read or wrote it is not replaced;
// the console's list goes beside it, and the close asks.
TEST_F(MatchSavingTest, TheGoalListSavedAsItChangesNeverReplacesAFileChangedOnDisk) {
  const String disk = "0  9'  1  Edited on disk; Alpha\n";
  TFormMain* f = StartMatch();
  f->Show();
  auto type = [f](const QString& text) {
    hands::ChooseSheet(f->TabSheet2);
    f->TabloGol_List->SetFocus();
    sendKey(f->TabloGol_List->Widget(), Qt::Key_End, QString(), Qt::ControlModifier);
    for (const QChar c : text) sendKey(f->TabloGol_List->Widget(), 0, c);
    return f->TabloGol_List->Lines()->Text();
  };
  auto saved = [f] { return WaitFor([f] { return f->MatchStateSaved(); }, 60000) == wrDone; };
  const String first = type("1 10' hand");
  ASSERT_TRUE(saved());
  EXPECT_EQ(LoadTextFile(app_ + "Gols.txt"), first);
  WriteFile("Gols.txt", disk);
  const String second = type("!");
  ASSERT_TRUE(saved());
  EXPECT_EQ(LoadTextFile(app_ + "Gols.txt"), disk);
  EXPECT_EQ(LoadTextFile(app_ + "Gols (console).txt"), second);
  ASSERT_TRUE(WaitFor([f] { return f->StatusBar1->Panels()->Items(1)->Text().find("Gols (console).txt") !=
                                    String::npos; },
                      60000) == wrDone);
  answer_ = mrYes;   // "... was changed on disk ... Replace it?"
  Destroy();
  EXPECT_EQ(LoadTextFile(app_ + "Gols.txt"), second);
}

// A save that cannot be written is told in the status bar and tried again
// until it is written.
TEST_F(MatchSavingTest, AFailedSaveIsToldAndTriedAgain) {
  TFormMain* f = StartMatch();
  f->Show();
  ASSERT_TRUE(WaitFor([f] { return f->MatchStateSaved(); }, 60000) == wrDone);
  fs::create_directories(app_ + "Gols.txt");   // nothing can replace a folder
  hands::Click(f->Sud_Play);
  Goal(f);
  ASSERT_TRUE(WaitFor([f] { return f->StatusBar1->Panels()->Items(1)->Text().find("Error file") != String::npos; },
                      60000) == wrDone);
  EXPECT_FALSE(f->MatchStateSaved());
  fs::remove(app_ + "Gols.txt");
  ASSERT_TRUE(WaitFor([f] { return f->MatchStateSaved(); }, 60000) == wrDone);
  EXPECT_EQ(LoadTextFile(app_ + "Gols.txt"), f->TabloGol_List->Lines()->Text());
}
