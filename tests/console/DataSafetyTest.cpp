// What is stored survives start-ups that cannot read it: a mistyped setting,
// a damaged settings file, unreadable lists, failed saves, restarts of a
// running match, termination by the system.
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <random>

#include "ConsoleFixture.h"

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
