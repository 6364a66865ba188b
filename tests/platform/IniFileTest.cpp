#include "platform/IniFile.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/inifile-test-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = String(tmpl) + "/";
    FlushProfileCache();
  }
  void TearDown() override {
    String cmd = "rm -rf '" + dir_ + "'";
    (void)!std::system(cmd.c_str());
    FlushProfileCache();
  }
  String path(const String& name) const { return dir_ + name; }
  void writeRaw(const String& name, const std::string& bytes) const {
    std::ofstream f(path(name), std::ios::binary | std::ios::trunc);
    f << bytes;
  }
  std::string readRaw(const String& name) const {
    std::ifstream f(path(name), std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
  }
  String dir_;
};

TEST_F(IniFileTest, NamesMatchWithoutCaseAndFirstMatchWins) {
  writeRaw("t.ini",
           "[Name]\nLName=Dynamo\nlname=Second\n[Player]\nF=Ivanov\n[NAME]\nLName=Other\nTown=Kyiv\n"
           "[Город]\nКлюч=значение\n");
  const String f = path("t.ini");
  EXPECT_EQ(GetPrivateProfileString("name", "LNAME", "", f), "Dynamo");
  EXPECT_EQ(GetPrivateProfileString("NaMe", "lname", "", f), "Dynamo");
  // Only the first section of a name is searched.
  EXPECT_EQ(GetPrivateProfileString("Name", "Town", "def", f), "def");
  EXPECT_EQ(GetPrivateProfileString("player", "f", "", f), "Ivanov");
  // Cyrillic names fold as well.
  EXPECT_EQ(GetPrivateProfileString("ГОРОД", "ключ", "", f), "значение");

  TIniDocument doc(f);
  EXPECT_EQ(doc.ReadSections(), (std::vector<String>{"Name", "Player", "Город"}));
  EXPECT_EQ(doc.ReadSection("NAME"), (std::vector<String>{"LName", "lname"}));
}

TEST_F(IniFileTest, ValuesAreTrimmedAndLoseOnePairOfQuotes) {
  writeRaw("t.ini",
           "  [ S ]  \n a = b c  \nq=\"quoted\"\nq2=\"\"twice\"\"\nq3='single'\nq4=\"open\nq5=\"mixed'\n"
           "empty=\nnoeq\n;c=comment\n");
  const String f = path("t.ini");
  EXPECT_EQ(GetPrivateProfileString("S", "a", "", f), "b c");
  EXPECT_EQ(GetPrivateProfileString("S", "q", "", f), "quoted");
  EXPECT_EQ(GetPrivateProfileString("S", "q2", "", f), "\"twice\"");
  EXPECT_EQ(GetPrivateProfileString("S", "q3", "", f), "single");
  EXPECT_EQ(GetPrivateProfileString("S", "q4", "", f), "\"open");
  EXPECT_EQ(GetPrivateProfileString("S", "q5", "", f), "\"mixed'");
  // A present but empty entry is empty, not the default.
  EXPECT_EQ(GetPrivateProfileString("S", "empty", "def", f), "");
  EXPECT_EQ(GetPrivateProfileString("S", "noeq", "def", f), "");
  EXPECT_EQ(GetPrivateProfileString("S", ";c", "def", f), "def");
}

TEST_F(IniFileTest, MissingFileSectionOrKeyGivesTheDefault) {
  EXPECT_EQ(GetPrivateProfileString("S", "k", "dflt", path("none.ini")), "dflt");
  writeRaw("t.ini", "k=outside\n[S]\nk=1\n");
  EXPECT_EQ(GetPrivateProfileString("T", "k", "dflt", path("t.ini")), "dflt");
  EXPECT_EQ(GetPrivateProfileString("S", "x", "dflt", path("t.ini")), "dflt");
  // A key above every section belongs to none.
  TIniDocument doc(path("t.ini"));
  EXPECT_FALSE(doc.ValueExists("", "k"));
  EXPECT_EQ(doc.ReadInteger("S", "k", 7), 1);
  EXPECT_EQ(doc.ReadInteger("S", "x", 7), 7);
}

TEST_F(IniFileTest, LongValuesAreReadWhole) {
  String longValue(5000, 'x');
  longValue += "end";
  ASSERT_TRUE(WritePrivateProfileString("S", "k", longValue, path("t.ini")));
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", path("t.ini")), longValue);
  String longKey(400, 'K');
  ASSERT_TRUE(WritePrivateProfileString(String(300, 's'), longKey, "v", path("t.ini")));
  EXPECT_EQ(GetPrivateProfileString(String(300, 'S'), String(400, 'k'), "", path("t.ini")), "v");
}

TEST_F(IniFileTest, WriteCreatesFileSectionAndKeyAndKeepsOtherLines) {
  ASSERT_TRUE(WritePrivateProfileString("Name", "LName", "Dynamo", path("new.ini")));
  EXPECT_EQ(readRaw("new.ini"), "[Name]\nLName=Dynamo\n");

  writeRaw("t.ini", "; team file\r\n[Name]\r\nLName = Old \r\n\r\n; players\r\n[1]\r\nF=Ivanov\r\n");
  const String f = path("t.ini");
  ASSERT_TRUE(WritePrivateProfileString("NAME", "lname", "New", f));   // replaced in place, spelling kept
  ASSERT_TRUE(WritePrivateProfileString("name", "Town", "Kyiv", f));   // after the section's last entry
  ASSERT_TRUE(WritePrivateProfileString("1", "I", "Petro", f));
  ASSERT_TRUE(WritePrivateProfileString("2", "F", "Sydorenko", f));    // new section at the end
  EXPECT_EQ(readRaw("t.ini"),
            "; team file\n[Name]\nLName=New\nTown=Kyiv\n\n; players\n[1]\nF=Ivanov\nI=Petro\n[2]\nF=Sydorenko\n");
}

TEST_F(IniFileTest, LineBreaksInsideAWrittenValueBecomeBlanks) {
  const String f = path("t.ini");
  ASSERT_TRUE(WritePrivateProfileString("S", "k", "one\r\ntwo\nthree", f));
  ASSERT_TRUE(WritePrivateProfileString("S", "after", "x", f));
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", f), "one  two three");
  EXPECT_EQ(GetPrivateProfileString("S", "after", "", f), "x");
}

TEST_F(IniFileTest, ReadsSeeChangesMadeOnDisk) {
  const String f = path("t.ini");
  writeRaw("t.ini", "[S]\nk=1\n");
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", f), "1");
  writeRaw("t.ini", "[S]\nk=2\n");   // same size, written in place
  // Make sure the time stamp moves even on a coarse clock.
  struct timespec ts[2] = {{0, UTIME_NOW}, {12345, 0}};
  utimensat(AT_FDCWD, f.c_str(), ts, 0);
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", f), "2");
  ASSERT_TRUE(WritePrivateProfileString("S", "k", "3", f));
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", f), "3");
  unlink(f.c_str());
  EXPECT_EQ(GetPrivateProfileString("S", "k", "gone", f), "gone");
}

TEST_F(IniFileTest, FailedWriteIsReportedAndChangesNothing) {
  String err;
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", path("no/such/folder/t.ini"), &err));
  EXPECT_FALSE(err.empty());
  EXPECT_FALSE(FileExists(path("no/such/folder/t.ini")));
  // A folder standing where the file should be.
  ASSERT_EQ(mkdir(path("adir").c_str(), 0755), 0);
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", path("adir")));

  TIniDocument doc;
  doc.SetFileName(path("no/such/folder/t.ini"));
  doc.WriteString("S", "k", "v");
  try {
    doc.Save();
    FAIL() << "Save into a missing folder succeeded";
  } catch (const EIniFileError& e) {
    EXPECT_EQ(e.Message, "Error file " + path("no/such/folder/t.ini"));
  }
  EXPECT_TRUE(doc.Modified());
  EXPECT_FALSE(doc.TrySave());
}

TEST_F(IniFileTest, WriteProtectedFileIsRefused) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write any file";
  writeRaw("ro.ini", "[S]\nk=old\n");
  chmod(path("ro.ini").c_str(), 0444);
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "new", path("ro.ini")));
  EXPECT_EQ(readRaw("ro.ini"), "[S]\nk=old\n");
}

TEST_F(IniFileTest, LegacyCodePageFileIsReadAndRewrittenAsUtf8) {
  // "[Команда]\nГород=Київ\r\n" in Windows-1251.
  writeRaw("old.ini", "[\xCA\xEE\xEC\xE0\xED\xE4\xE0]\r\n\xC3\xEE\xF0\xEE\xE4=\xCA\xE8\xBF\xE2\r\n");
  const String f = path("old.ini");
  EXPECT_EQ(GetPrivateProfileString("команда", "ГОРОД", "", f), "Київ");
  ASSERT_TRUE(WritePrivateProfileString("Команда", "Назва", "Динамо", f));
  EXPECT_EQ(readRaw("old.ini"), "[Команда]\nГород=Київ\nНазва=Динамо\n");
}

TEST_F(IniFileTest, DocumentEditsAndSavesOnce) {
  writeRaw("t.ini", "[A]\nx=1\n[B]\ny=2\nz=3\n[a]\nw=4\n");
  TIniDocument doc(path("t.ini"));
  EXPECT_FALSE(doc.Modified());
  doc.DeleteKey("b", "Y");
  doc.EraseSection("A");       // both sections of that name
  doc.WriteInteger("C", "n", -5);
  EXPECT_TRUE(doc.Modified());
  EXPECT_EQ(readRaw("t.ini"), "[A]\nx=1\n[B]\ny=2\nz=3\n[a]\nw=4\n");   // nothing on disk yet
  doc.Save();
  EXPECT_FALSE(doc.Modified());
  EXPECT_EQ(readRaw("t.ini"), "[B]\nz=3\n[C]\nn=-5\n");
  EXPECT_EQ(GetPrivateProfileSectionNames(path("t.ini")), (std::vector<String>{"B", "C"}));
  EXPECT_EQ(GetPrivateProfileString("C", "n", "", path("t.ini")), "-5");
}

}  // namespace

// Writes keep the document's index valid: whatever order sections and keys
// are written in, a read sees the same as a fresh parse of the text.
TEST(IniDocumentIndexTest, ReadsAfterWritesMatchAFreshParse) {
  TIniDocument doc;
  doc.SetText("; head\n[B]\nx=1\n\n; tail of B\n[a]\n[b]\nx=shadowed\n");
  for (int i = 0; i < 60; ++i) {
    const String sec = i % 3 == 0 ? "b" : i % 3 == 1 ? "A" : "S" + IntToStr(i % 7);
    doc.WriteString(sec, "k" + IntToStr(i % 29), "v" + IntToStr(i));
    if (i == 40) doc.DeleteKey("B", "k1");
    if (i == 50) doc.EraseSection("S3");
  }
  TIniDocument fresh;
  fresh.SetText(doc.Text());
  for (const String& sec : fresh.ReadSections())
    for (const String& key : fresh.ReadSection(sec))
      EXPECT_EQ(doc.ReadString(sec, key, "?"), fresh.ReadString(sec, key, "!")) << sec << "/" << key;
  EXPECT_EQ(doc.ReadSections(), fresh.ReadSections());
  EXPECT_EQ(doc.ReadString("b", "x", ""), "1");          // the first section of a name wins
  EXPECT_EQ(doc.Text().rfind("x=shadowed"), doc.Text().find("x=shadowed"));
  EXPECT_FALSE(doc.ValueExists("S3", "k3"));
  // A new key goes after the section's last entry, before its comments.
  EXPECT_LT(doc.Text().find("k0=v0"), doc.Text().find("; tail of B"));
}

TEST(IniDocumentIndexTest, EveryLeadingByteOrderMarkIsSkipped) {
  TIniDocument doc;
  doc.SetText("\xEF\xBB\xBF\xEF\xBB\xBF[Name]\nLName=Lions\n");
  EXPECT_EQ(doc.ReadString("Name", "LName", ""), "Lions");
  EXPECT_EQ(doc.Text(), "[Name]\nLName=Lions\n");
}
