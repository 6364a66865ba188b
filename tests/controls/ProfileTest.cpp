#include "controls/Profile.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>

#include "platform/IniFile.h"

namespace {

class ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/profile-test-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = String(tmpl) + "/";
    const char* old = std::getenv("XDG_CONFIG_HOME");
    hadConfig_ = old != nullptr;
    if (old) oldConfig_ = old;
    setenv("XDG_CONFIG_HOME", (dir_ + "config").c_str(), 1);
    file_ = dir_ + "team.txt";
  }
  void TearDown() override {
    if (hadConfig_) setenv("XDG_CONFIG_HOME", oldConfig_.c_str(), 1);
    else unsetenv("XDG_CONFIG_HOME");
    String cmd = "rm -rf '" + dir_ + "'";
    (void)!std::system(cmd.c_str());
  }
  void writeRaw(const String& name, const std::string& bytes) const {
    std::ofstream f(name, std::ios::binary | std::ios::trunc);
    f << bytes;
  }
  std::string readRaw(const String& name) const {
    std::ifstream f(name, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
  }
  void aim(TProfile& p, const String& section, const String& entry) const {
    p.SetFileName(file_);
    p.SetSection(section);
    p.SetEntry(entry);
  }
  String dir_, file_, oldConfig_;
  bool hadConfig_ = false;
};

TEST(StrToBooleanTest, TruthTexts) {
  for (const char* t : {"TRUE", "true", "True", "YES", "yes", "Yes", "1"}) EXPECT_TRUE(StrToBoolean(t)) << t;
  for (const char* f : {"", "0", "FALSE", "NO", " TRUE", "2", "on", "T", "-1", "01"}) EXPECT_FALSE(StrToBoolean(f)) << f;
  EXPECT_EQ(BooleanToStr(true), "True");
  EXPECT_EQ(BooleanToStr(false), "False");
}

TEST_F(ProfileTest, NewComponentUsesWinIniInTheProfileFolder) {
  TProfile p(nullptr);
  EXPECT_EQ(p.FileName(), "WIN.INI");
  EXPECT_EQ(p.Section(), "");
  EXPECT_EQ(p.Entry(), "");
  EXPECT_EQ(p.DefaultText(), "");
  p.SetSection("Desktop");
  p.SetEntry("Wallpaper");
  p.SetText("pitch.bmp");
  EXPECT_EQ(readRaw(dir_ + "config/Quellmark/WIN.INI"), "[Desktop]\nWallpaper=pitch.bmp\n");
  EXPECT_EQ(p.Text(), "pitch.bmp");
}

TEST_F(ProfileTest, TextValueAndStateRoundTrip) {
  TProfile p(nullptr);
  aim(p, "Name", "LName");
  p.SetText("Dynamo");
  EXPECT_EQ(p.LastText(), "Dynamo");
  p.SetEntry("Round");
  p.SetState(true);
  p.SetSection("1");
  p.SetEntry("Y");
  p.SetValue(-5);
  EXPECT_EQ(readRaw(file_), "[Name]\nLName=Dynamo\nRound=True\n[1]\nY=-5\n");
  EXPECT_EQ(p.Value(), -5);
  p.SetSection("Name");
  p.SetEntry("Round");
  EXPECT_TRUE(p.State());
  p.SetState(false);
  EXPECT_FALSE(p.State());
  EXPECT_EQ(p.Text(), "False");
}

TEST_F(ProfileTest, ConversionsOfStoredTexts) {
  writeRaw(file_, "[S]\nyes=yes\nYes=Yes\none=1\ntwo=2\non=on\nt=T\ntrue=TRUE\nminus=-1\nblank=  \nbad=12a\n");
  TProfile p(nullptr);
  aim(p, "S", "yes");
  EXPECT_TRUE(p.State());
  p.SetEntry("one");
  EXPECT_TRUE(p.State());
  EXPECT_EQ(p.Value(), 1);
  for (const char* k : {"two", "on", "t", "minus"}) {
    p.SetEntry(k);
    EXPECT_FALSE(p.State()) << k;
  }
  p.SetEntry("minus");
  EXPECT_EQ(p.Value(), -1);
  for (const char* k : {"true", "blank", "bad", "missing"}) {
    p.SetEntry(k);
    EXPECT_EQ(p.Value(), 0) << k;
  }
}

TEST_F(ProfileTest, DefaultTextAnswersMissingEntriesAndIsKept) {
  writeRaw(file_, "[S]\nk=v\n");
  TProfile p(nullptr);
  aim(p, "S", "none");
  p.SetDefaultText("7");
  EXPECT_EQ(p.Text(), "7");
  EXPECT_EQ(p.Value(), 7);
  p.SetSection("Other");
  EXPECT_EQ(p.Text(), "7");      // still passed on
  p.SetFileName(dir_ + "missing.ini");
  EXPECT_EQ(p.Text(), "7");
  p.SetFileName(file_);
  p.SetSection("S");
  p.SetEntry("k");
  EXPECT_EQ(p.Text(), "v");
}

TEST_F(ProfileTest, UnaimedAccessNeitherReadsNorWrites) {
  writeRaw(file_, "[S]\nk=v\n");
  TProfile p(nullptr);
  aim(p, "S", "k");
  EXPECT_EQ(p.Text(), "v");
  p.SetEntry("");
  p.SetDefaultText("def");
  EXPECT_EQ(p.Text(), "");
  EXPECT_EQ(p.LastText(), "");   // the record is cleared too
  EXPECT_EQ(p.Value(), 0);
  p.SetText("x");
  p.SetState(true);
  p.SetEntry("k");
  p.SetSection("");
  p.SetValue(3);
  EXPECT_EQ(readRaw(file_), "[S]\nk=v\n");
}

TEST_F(ProfileTest, LongEntriesAreReadWhole) {
  TProfile p(nullptr);
  String longText(1000, 'a');
  aim(p, String(300, 'S'), String(300, 'k'));
  p.SetText(longText);
  EXPECT_EQ(p.Text(), longText);
}

TEST_F(ProfileTest, FailedWriteRaisesAndKeepsTheRecord) {
  TProfile p(nullptr);
  aim(p, "S", "k");
  p.SetText("first");
  p.SetFileName(dir_ + "no/such/folder/team.txt");
  try {
    p.SetText("second");
    FAIL() << "a write into a missing folder was taken for success";
  } catch (const EProfileError& e) {
    EXPECT_EQ(e.Message, "Error file " + dir_ + "no/such/folder/team.txt");
  }
  EXPECT_EQ(p.LastText(), "first");
  EXPECT_THROW(p.SetValue(1), EWriteError);
  EXPECT_THROW(p.SetState(true), EProfileError);
}

}  // namespace
