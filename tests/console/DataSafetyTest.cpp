// What is stored survives start-ups that cannot read it: a mistyped setting,
// a damaged settings file, unreadable lists, failed saves, restarts of a
// running match, termination by the system.
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <random>

#include "ConsoleFixture.h"
#include "OperatorHands.h"
#include "console/FInetAdress.h"
#include "toolkit/MouseTools.h"
#include "toolkit/ToolkitTestUtil.h"

namespace fs = std::filesystem;

namespace {

String ReadBytes(const String& file) {
  std::ifstream in(file, std::ios::binary);
  return String(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int64_t Ms(int m, int s) { return (int64_t(m) * 60 + s) * 1000; }

}  // namespace

class DataSafetyTest : public ConsoleFixture {
 protected:
  // Runs f with file permissions checked as for an ordinary user, also when
  // the tests run as root (whose reads never fail otherwise).
  // False when the permissions cannot be dropped (f did not run).
  bool AsOrdinaryUser(const std::function<void()>& f) {
    if (geteuid() != 0) {
      f();
      return true;
    }
    fs::permissions(root_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec);
    struct Back {
      ~Back() { setfsuid(0); }
    } back;
    setfsuid(65534);
    if (setfsuid(uid_t(-1)) != 65534) return false;
    f();
    return true;
  }
  bool Told(const String& part) const {
    for (const auto& r : requests_)
      if (r.Msg.find(part) != String::npos) return true;
    return false;
  }
};

// The black box of a match stored by a full run, then one value spoiled by
// hand: start, quit, and the stored match is byte for byte unchanged.
TEST_F(DataSafetyTest, MistypedSettingLosesNothingStored) {
  WriteFullKey();
  EditKey([](TRegistry& r) {
    r.WriteInteger("S1", 3);
    r.WriteInteger("S2", 2);
    r.WriteInteger("Tur", 7);
    r.WriteString("K1", "Alpha (North)");
    r.WriteString("Title", "Cup final");
    r.WriteString("MediaAspect", "wide");   // an Integer stored as text
  });
  const String before = ReadBytes(TRegistry::StoreFileName());
  TFormMain* f = Create();
  EXPECT_EQ(f->seSud_Schet1->Value(), 0);   // the reading stopped before the score
  EXPECT_TRUE(requests_.empty());            // told once the window is up
  f->FormShow(f);
  for (int i = 0; i < 100 && requests_.empty(); ++i) {
    Application->ProcessMessages();
    Sleep(10);
  }
  EXPECT_TRUE(Told("\"MediaAspect\""));
  requests_.clear();
  f->ShowStartupProblems();
  EXPECT_TRUE(requests_.empty());   // once
  Destroy();
  EXPECT_EQ(ReadBytes(TRegistry::StoreFileName()), before);
}

TEST_F(DataSafetyTest, ChangedValuesAreWrittenEvenWhenTheReadingStopped) {
  WriteFullKey();
  EditKey([](TRegistry& r) {
    r.WriteInteger("Tur", 7);
    r.WriteBool("PicsCls", true);
    r.WriteString("MediaVolume", "loud");
  });
  TFormMain* f = Create();
  f->seSek_Tur->SetValue(9);   // the operator's own change
  Destroy();
  EXPECT_EQ(DumpKey().at("Tur"), "int:9");
  EXPECT_EQ(DumpKey().at("PicsCls"), "bool:1");
  EXPECT_EQ(DumpKey().at("MediaVolume"), "str:loud");
}

TEST_F(DataSafetyTest, DamagedSettingsFileIsKeptAsideOnce) {
  std::mt19937 gen(7);
  String junk;
  for (int i = 0; i < 4000; ++i) junk += char(gen() & 0xFF);
  fs::create_directories(fs::path(TRegistry::StoreFileName()).parent_path());
  std::ofstream(TRegistry::StoreFileName(), std::ios::binary) << junk;
  Create()->ShowStartupProblems();
  EXPECT_TRUE(Told(".bad"));
  Destroy();
  EXPECT_EQ(ReadBytes(TRegistry::StoreFileName() + ".bad"), junk);
  requests_.clear();
  Create()->ShowStartupProblems();   // the file is sound again: nothing to tell
  EXPECT_FALSE(Told(".bad"));
}

TEST_F(DataSafetyTest, UnreadableListsAreNotSavedOver) {
  const String gols = "0  3'  7  Tony Jerry; Lions\n";
  const String links = "Club\thttp://example.org\n";
  WriteFile("Gols.txt", gols);
  WriteFile("Texts/Internet.txt", links);
  for (const char* file : {"Gols.txt", "Texts/Internet.txt"}) fs::permissions(app_ + file, fs::perms::none);
  if (!AsOrdinaryUser([&] { Create(); })) GTEST_SKIP() << "file permissions cannot be dropped here";
  form_->ShowStartupProblems();
  EXPECT_TRUE(Told("Error file " + app_ + "Gols.txt"));
  EXPECT_TRUE(Told("Error file " + app_ + "Texts/Internet.txt"));
  Destroy();
  EXPECT_EQ(ReadBytes(app_ + "Gols.txt"), gols);
  EXPECT_EQ(ReadBytes(app_ + "Texts/Internet.txt"), links);
}

TEST_F(DataSafetyTest, FailedGoalListSaveIsReported) {
  TFormMain* f = Create();
  f->TabloGol_List->Lines()->Add("0  9'  7  Tony Jerry; Lions");
  fs::create_directories(app_ + "Gols.txt");   // nothing can replace a folder
  requests_.clear();
  Destroy();
  EXPECT_TRUE(Told("Error file " + app_ + "Gols.txt"));
}

TEST_F(DataSafetyTest, ResumedMatchKeepsItsKickOffExactly) {
  WriteFullKey();
  const int64_t kickOff = WallClockMs() - Ms(12, 34) - 456;
  EditKey([&](TRegistry& r) { r.WriteInt64("TimeStart", kickOff); });
  for (int run = 0; run < 6; ++run) {
    TFormMain* f = Create();
    ASSERT_TRUE(f->MatchClockRunning());
    Destroy();
    ASSERT_EQ(DumpKey().at("TimeStart"), "int64:" + IntToStr(kickOff)) << "restart " << run + 1;
  }
}

TEST_F(DataSafetyTest, CloseWithoutQuestionSavesWithoutAsking) {
  TFormMain* f = Create();
  answer_ = mrNo;   // "Quit?" answered No would keep the window
  f->CloseWithoutQuestion();
  EXPECT_TRUE(requests_.empty());
  bool can = false;
  f->FormCloseQuery(f, can);
  EXPECT_TRUE(can);
  f->seSek_Tur->SetValue(11);
  Destroy();
  EXPECT_EQ(DumpKey().at("Tur"), "int:11");
}

TEST_F(DataSafetyTest, EmptyListsWithoutFilesNeedNoSave) {
  fs::remove_all(app_ + "Texts");
  Create();
  Destroy();
  EXPECT_TRUE(requests_.empty());
  EXPECT_FALSE(fs::exists(app_ + "Texts/Internet.txt"));
  EXPECT_FALSE(fs::exists(app_ + "Gols.txt"));
}

// The lists written at close (the link list, the goal list) are written
// only when the operator changed them; a file changed on disk since the
// console read it is replaced only when the operator says so, and with
// nobody to ask it stays and the console's list goes beside it.
TEST_F(DataSafetyTest, ListsChangedOnDiskAreNotSavedOverWithoutAsking) {
  const String links = "Club\thttp://example.org\n", goals = "0  3'  7  Tony Jerry; Lions\n";
  const String disk = "Edited on disk\thttp://example.net\n";
  struct Row {
    const char* name;
    bool edit, onDisk;
    int answer;
    bool system;         // closed by the system: nobody is asked
    const char* file;    // what each file holds after the close: "disk" or "console"
    bool beside;         // the console's list written beside the file
  };
  const Row rows[] = {
      {"untouched lists, files changed on disk", false, true, mrYes, false, "disk", false},
      {"edited lists, files as read", true, false, mrNo, false, "console", false},
      {"both changed, answered No", true, true, mrNo, false, "disk", false},
      {"both changed, answered Yes", true, true, mrYes, false, "console", false},
      {"both changed, closed by the system", true, true, mrYes, true, "disk", true},
  };
  TFInetAddr dialog(nullptr);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    WriteFile("Texts/Internet.txt", links);
    WriteFile("Gols.txt", goals);
    for (const char* f : {"Texts/Internet (console).txt", "Gols (console).txt"}) fs::remove(app_ + f);
    TFormMain* f = Create();
    f->Show();
    String consoleLinks = links, consoleGoals = goals;
    if (r.edit) {
      // A link's address changed in its dialog (right button on the line),
      // a line typed into the goal editor.
      hands::ChooseSheet(f->Sheet_Tablo);
      hands::ChooseSheet(f->Sheet_Inet);
      TThread::Queue([&dialog] {
        dialog.Edit2->SetText("http://example.com");
        const TPoint ok(dialog.Button1->Width() / 2, dialog.Button1->Height() / 2);
        SendWindowMouseButton(dialog.Button1, mbLeft, true, ok);
        SendWindowMouseButton(dialog.Button1, mbLeft, false, ok);
      });
      const TRect line = f->ListInet->ItemRect(0);
      SendMouseButton(f->ListInet, mbRight, true, TPoint(line.Left + 10, (line.Top + line.Bottom) / 2));
      SendMouseButton(f->ListInet, mbRight, false, TPoint(line.Left + 10, (line.Top + line.Bottom) / 2));
      consoleLinks = "Club\thttp://example.com\n";
      ASSERT_EQ(f->ListInet->Items()->Text(), consoleLinks);
      hands::ChooseSheet(f->TabSheet2);
      f->TabloGol_List->SetFocus();
      sendKey(f->TabloGol_List->Widget(), Qt::Key_End, QString(), Qt::ControlModifier);
      sendKey(f->TabloGol_List->Widget(), Qt::Key_1, "1");
      consoleGoals = f->TabloGol_List->Lines()->Text();
      ASSERT_NE(consoleGoals, goals);
    }
    if (r.onDisk) {
      WriteFile("Texts/Internet.txt", disk);
      WriteFile("Gols.txt", disk);
    }
    if (r.system) f->CloseWithoutQuestion();
    answer_ = r.answer;
    requests_.clear();
    Destroy();
    const String want = r.file;
    EXPECT_EQ(ReadBytes(app_ + "Texts/Internet.txt"), want == "disk" ? disk : consoleLinks);
    EXPECT_EQ(ReadBytes(app_ + "Gols.txt"), want == "disk" ? disk : consoleGoals);
    EXPECT_EQ(Told("was changed on disk"), r.edit && r.onDisk && !r.system);
    EXPECT_EQ(fs::exists(app_ + "Texts/Internet (console).txt"), r.beside);
    if (r.beside) {
      EXPECT_EQ(ReadBytes(app_ + "Texts/Internet (console).txt"), consoleLinks);
      EXPECT_EQ(ReadBytes(app_ + "Gols (console).txt"), consoleGoals);
    }
  }
  // The link list saved into its own file with the page's Save button is
  // what the file holds: the close has nothing to ask.
  WriteFile("Texts/Internet.txt", links);
  TFormMain* f = Create();
  f->ListInet->Items()->Add("Town\thttp://example.com");
  CommonDialogHook = [this](TCommonDialog* d) {
    static_cast<TSaveDialog*>(d)->FileName = app_ + "Texts/Internet.txt";
    return true;
  };
  hands::Click(f->bInet_Save);
  CommonDialogHook = nullptr;
  requests_.clear();
  Destroy();
  EXPECT_TRUE(requests_.empty());
  EXPECT_EQ(ReadBytes(app_ + "Texts/Internet.txt"), links + "Town\thttp://example.com\n");
}
