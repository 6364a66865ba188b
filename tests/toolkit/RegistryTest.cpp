// The settings key: typed values kept in one file per executable name.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/toolkit/ToolkitTestUtil.h"
#include "toolkit/Registry.h"

namespace {

const char* kKey = "\\Software\\Quellmark\\tablo";

// Points the configuration folder at a fresh temporary folder.
struct RegistryTest : ::testing::Test {
  QTemporaryDir dir;
  String oldXdg;
  bool hadXdg = false;
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    if (const char* x = std::getenv("XDG_CONFIG_HOME")) {
      hadXdg = true;
      oldXdg = x;
    }
    setenv("XDG_CONFIG_HOME", dir.path().toStdString().c_str(), 1);
  }
  void TearDown() override {
    if (hadXdg)
      setenv("XDG_CONFIG_HOME", oldXdg.c_str(), 1);
    else
      unsetenv("XDG_CONFIG_HOME");
  }
  String fileText() {
    std::ifstream in(TRegistry::StoreFileName());
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  void writeFile(const String& text) {
    ForceDirectories(ExtractFileDir(TRegistry::StoreFileName()));
    std::ofstream(TRegistry::StoreFileName()) << text;
  }
};

}  // namespace

TEST_F(RegistryTest, OneFilePerExecutableUnderTheConfigurationFolder) {
  EXPECT_EQ(TRegistry::StoreFileName(), dir.path().toStdString() + "/Quellmark/test_toolkit.settings");
  unsetenv("XDG_CONFIG_HOME");
  String home = std::getenv("HOME") ? std::getenv("HOME") : ".";
  EXPECT_EQ(TRegistry::StoreFileName(), home + "/.config/Quellmark/test_toolkit.settings");
}

TEST_F(RegistryTest, TypedValuesSurviveARoundTrip) {
  {
    TRegistry r;
    EXPECT_EQ(r.RootKey(), HKEY_CURRENT_USER);
    ASSERT_TRUE(r.OpenKey(kKey, true));
    EXPECT_EQ(r.CurrentPath(), "Software\\Quellmark\\tablo");
    r.WriteInteger("XWidth", 768);
    r.WriteInteger("Negative", -2147483647 - 1);
    r.WriteBool("ShowTime", true);
    r.WriteBool("ShowTown", false);
    r.WriteString("Title", "Cup final");
    r.WriteString("Tricky", "a=b\\c\nsecond line\r\n[not a key]; ok");
    r.WriteString("Empty", "");
    r.WriteString("Unicode", "Стадион «Зенит»");
    r.WriteInt64("TimeStart", 1733550000123LL);
    r.WriteInteger("odd=name\\", 5);
    r.CloseKey();
  }
  TRegistry r;
  ASSERT_TRUE(r.OpenKey(kKey, false));
  EXPECT_EQ(r.ReadInteger("XWidth"), 768);
  EXPECT_EQ(r.ReadInteger("Negative"), -2147483647 - 1);
  EXPECT_TRUE(r.ReadBool("ShowTime"));
  EXPECT_FALSE(r.ReadBool("ShowTown"));
  EXPECT_EQ(r.ReadString("Title"), "Cup final");
  EXPECT_EQ(r.ReadString("Tricky"), "a=b\\c\nsecond line\r\n[not a key]; ok");
  EXPECT_EQ(r.ReadString("Empty"), "");
  EXPECT_TRUE(r.ValueExists("Empty"));
  EXPECT_EQ(r.ReadString("Unicode"), "Стадион «Зенит»");
  EXPECT_EQ(r.ReadInt64("TimeStart"), 1733550000123LL);
  EXPECT_EQ(r.ReadInteger("odd=name\\"), 5);
  EXPECT_EQ(r.GetDataType("XWidth"), rdInteger);
  EXPECT_EQ(r.GetDataType("ShowTime"), rdBool);
  EXPECT_EQ(r.GetDataType("Title"), rdString);
  EXPECT_EQ(r.GetDataType("TimeStart"), rdInt64);
  // Names match without regard to case, and overwriting keeps one value.
  EXPECT_EQ(r.ReadInteger("xwidth"), 768);
  r.WriteInteger("XWIDTH", 1024);
  EXPECT_EQ(r.ReadInteger("XWidth"), 1024);
  TStringList names;
  r.GetValueNames(&names);
  EXPECT_EQ(names.Count(), 10);
}

TEST_F(RegistryTest, AbsentOrMistypedIntegerAndBooleanRaise) {
  TRegistry r;
  ASSERT_TRUE(r.OpenKey(kKey, true));
  r.WriteInteger("Tur", 3);
  r.WriteBool("ShowKards", true);
  r.WriteString("K1", "Zenit");
  r.WriteInt64("Big", 5);
  EXPECT_THROW(r.ReadInteger("Absent"), ERegistryException);
  EXPECT_THROW(r.ReadBool("Absent"), ERegistryException);
  EXPECT_THROW(r.ReadInt64("Absent"), ERegistryException);
  EXPECT_THROW(r.ReadBool("Tur"), ERegistryException);
  EXPECT_THROW(r.ReadInteger("ShowKards"), ERegistryException);
  EXPECT_THROW(r.ReadInteger("K1"), ERegistryException);
  EXPECT_THROW(r.ReadInteger("Big"), ERegistryException);
  EXPECT_THROW(r.ReadInt64("Tur"), ERegistryException);
  try {
    r.ReadInteger("Absent");
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message, "Invalid data type for 'Absent'");
  }
  // An absent string is empty; a string that is not one raises.
  EXPECT_EQ(r.ReadString("Absent"), "");
  EXPECT_THROW(r.ReadString("Tur"), ERegistryException);
}

TEST_F(RegistryTest, KeysOpenOnlyWhenPresentUnlessCreated) {
  TRegistry r;
  EXPECT_FALSE(r.OpenKey(kKey, false));
  EXPECT_FALSE(r.HasCurrentKey());
  EXPECT_FALSE(r.KeyExists(kKey));
  EXPECT_THROW(r.WriteInteger("X", 1), ERegistryException);   // no key open
  EXPECT_TRUE(r.OpenKey(kKey, true));
  EXPECT_TRUE(r.KeyExists(kKey));
  EXPECT_TRUE(r.KeyExists("\\SOFTWARE\\quellmark"));   // a key above it
  r.CloseKey();
  // A relative path opens below the key open now.
  ASSERT_TRUE(r.OpenKey("\\Software", false));
  ASSERT_TRUE(r.OpenKey("Quellmark\\tablo", false));
  EXPECT_EQ(r.CurrentPath(), "Software\\Quellmark\\tablo");
  // Another root is another tree.
  TRegistry m;
  m.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_FALSE(m.OpenKey(kKey, false));
}

TEST_F(RegistryTest, DeleteValueAndKey) {
  TRegistry r;
  ASSERT_TRUE(r.OpenKey(kKey, true));
  r.WriteInteger("Tur", 3);
  r.WriteInteger("S1", 2);
  EXPECT_TRUE(r.DeleteValue("tur"));
  EXPECT_FALSE(r.ValueExists("Tur"));
  EXPECT_FALSE(r.DeleteValue("Tur"));
  EXPECT_EQ(r.ReadInteger("S1"), 2);
  r.CloseKey();
  EXPECT_TRUE(r.DeleteKey("\\Software\\Quellmark"));
  EXPECT_FALSE(r.KeyExists(kKey));
}

TEST_F(RegistryTest, TheFileIsReadableTextAndBrokenLinesAreSkipped) {
  {
    TRegistry r;
    ASSERT_TRUE(r.OpenKey(kKey, true));
    r.WriteInteger("XWidth", 768);
    r.WriteBool("ShowTime", true);
    r.WriteString("Title", "two\nlines");
  }
  String text = fileText();
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Quellmark\\tablo]\n"), String::npos);
  EXPECT_NE(text.find("XWidth=int:768\n"), String::npos);
  EXPECT_NE(text.find("ShowTime=bool:1\n"), String::npos);
  EXPECT_NE(text.find("Title=str:two\\nlines\n"), String::npos);

  writeFile(
      "[HKEY_CURRENT_USER\\Software\\Quellmark\\tablo]\r\n"
      "XWidth=int:12x\r\n"          // not a number
      "YHeight=int:99999999999\r\n" // too large for an integer
      "ShowTime=bool:2\r\n"
      "garbage without equals\r\n"
      "Weird=float:1.5\r\n"
      "Tur=int:7\r\n"
      "Tur=int:8\r\n"               // the first one wins
      "Title=str:kept\r\n");
  TRegistry r;
  ASSERT_TRUE(r.OpenKey(kKey, false));
  EXPECT_FALSE(r.ValueExists("XWidth"));
  EXPECT_FALSE(r.ValueExists("YHeight"));
  EXPECT_FALSE(r.ValueExists("ShowTime"));
  EXPECT_FALSE(r.ValueExists("Weird"));
  EXPECT_EQ(r.ReadInteger("Tur"), 7);
  EXPECT_EQ(r.ReadString("Title"), "kept");
  // A write keeps every readable value.
  r.WriteInteger("S1", 1);
  r.Flush();
  TRegistry again;
  ASSERT_TRUE(again.OpenKey(kKey, false));
  EXPECT_EQ(again.ReadInteger("Tur"), 7);
  EXPECT_EQ(again.ReadString("Title"), "kept");
  EXPECT_EQ(again.ReadInteger("S1"), 1);
}

namespace {
// Puts a folder where the settings file is, so that a save fails; the file
// comes back afterwards.
struct BlockedStore {
  String fn = TRegistry::StoreFileName();
  BlockedStore() {
    EXPECT_EQ(::rename(fn.c_str(), (fn + ".keep").c_str()), 0);
    EXPECT_TRUE(ForceDirectories(fn));
  }
  ~BlockedStore() {
    EXPECT_EQ(::rmdir(fn.c_str()), 0);
    EXPECT_EQ(::rename((fn + ".keep").c_str(), fn.c_str()), 0);
  }
};
}  // namespace

TEST_F(RegistryTest, AFailedSaveIsReportedAndTheOldFileStays) {
  TRegistry r;
  ASSERT_TRUE(r.OpenKey(kKey, true));
  r.WriteInteger("Tur", 3);
  r.CloseKey();
  String before = fileText();
  ASSERT_TRUE(r.OpenKey(kKey, false));
  r.LazyWrite = false;
  {
    BlockedStore blocked;
    EXPECT_THROW(r.WriteInteger("Tur", 4), ERegistryException);
  }
  EXPECT_EQ(fileText(), before);
  EXPECT_EQ(r.ReadInteger("Tur"), 3);

  // With lazy writes the failure comes from CloseKey...
  r.LazyWrite = true;
  r.WriteInteger("Tur", 5);
  EXPECT_EQ(r.ReadInteger("Tur"), 5);   // the object sees its own change
  {
    BlockedStore blocked;
    EXPECT_THROW(r.CloseKey(), ERegistryException);
  }
  EXPECT_EQ(fileText(), before);
}

TEST_F(RegistryTest, AFailedSaveAtTheEndIsShown) {
  {
    TRegistry r;
    ASSERT_TRUE(r.OpenKey(kKey, true));
  }
  MessageBoxCapture boxes;
  auto* r = new TRegistry;
  ASSERT_TRUE(r->OpenKey(kKey, false));
  r->WriteInteger("Tur", 4);
  {
    BlockedStore blocked;
    delete r;
  }
  ASSERT_EQ(boxes.asked.size(), 1u);
  EXPECT_NE(boxes.last().find("Quellmark/test_toolkit.settings"), String::npos);
}

TEST_F(RegistryTest, ChangesAreSavedAtTheEndAndMergedWithOtherWriters) {
  TRegistry a, b;
  ASSERT_TRUE(a.OpenKey(kKey, true));
  a.Flush();
  ASSERT_TRUE(b.OpenKey(kKey, false));
  a.WriteInteger("S1", 1);
  b.WriteInteger("S2", 2);
  a.WriteString("Title", "kept");
  a.CloseKey();
  b.CloseKey();
  TRegistry c;
  ASSERT_TRUE(c.OpenKey(kKey, false));
  EXPECT_EQ(c.ReadInteger("S1"), 1);
  EXPECT_EQ(c.ReadInteger("S2"), 2);
  EXPECT_EQ(c.ReadString("Title"), "kept");
}
