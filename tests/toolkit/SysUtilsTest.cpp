#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "tests/support/FullDisk.h"
#include "toolkit/SafeFiles.h"
#include "toolkit/SysUtils.h"

namespace {

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/tk_sysutils_XXXXXX";
    path_ = mkdtemp(tmpl);
  }
  ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  String operator/(const String& name) const { return path_ + "/" + name; }
  const String& path() const { return path_; }

 private:
  String path_;
};

void writeBytes(const String& name, const std::string& bytes) {
  std::ofstream f(name, std::ios::binary);
  f << bytes;
}

std::string readBytes(const String& name) {
  std::ifstream f(name, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

}  // namespace

// --- Format ---------------------------------------------------------------

TEST(FormatTest, IntegersWidthPrecisionAndJustification) {
  EXPECT_EQ(FormatA("%d:%2.2d", 3, 7), "3:07");
  EXPECT_EQ(FormatA("%d.%2.2d", 12, 45), "12.45");
  EXPECT_EQ(FormatA("[%5d]", 42), "[   42]");
  EXPECT_EQ(FormatA("[%-5d]", 42), "[42   ]");
  EXPECT_EQ(FormatA("%.4d", -7), "-0007");
  EXPECT_EQ(FormatA("%x", 255), "FF");
  EXPECT_EQ(FormatA("%.4x", 10), "000A");
  EXPECT_EQ(FormatA("%u", -1), "4294967295");
  EXPECT_EQ(FormatA("%d", int64_t(-9000000000LL)), "-9000000000");
}

TEST(FormatTest, FloatsInEveryNotation) {
  EXPECT_EQ(FormatA("%f", 1.5), "1.50");
  EXPECT_EQ(FormatA("%.3f", 2.0), "2.000");
  // Halves round away from zero; values just below a half round down.
  EXPECT_EQ(FormatA("%.0f", 2.5), "3");
  EXPECT_EQ(FormatA("%.1f", 0.25), "0.3");
  EXPECT_EQ(FormatA("%.1f", -0.25), "-0.3");
  EXPECT_EQ(FormatA("%.2f", 1.005), "1.00");  // 1.00499999... in binary
  EXPECT_EQ(FormatA("%.2f", 9.999), "10.00");
  EXPECT_EQ(FormatA("%.2f", -0.001), "0.00");
  EXPECT_EQ(FormatA("%n", 999999.999), "1,000,000.00");
  EXPECT_EQ(FormatA("%n", 1234567.891), "1,234,567.89");
  EXPECT_EQ(FormatA("%e", 1234.5), "1.23450000000000E+003");
  EXPECT_EQ(FormatA("%.3e", -0.00125), "-1.25E-003");
  EXPECT_EQ(FormatA("%g", 0.5), "0.5");
  EXPECT_EQ(FormatA("%g", 100.0), "100");
  EXPECT_EQ(FormatA("%m", 3.0), "$3.00");
  EXPECT_EQ(FloatToStr(0.1), "0.1");
  EXPECT_EQ(FloatToStr(1e20), "1E20");
  EXPECT_EQ(FloatToStr(-2.0), "-2");
}

TEST(FormatTest, StringsPointersIndexesAndStars) {
  EXPECT_EQ(FormatA("Position: %d,%d\r\nSize: %dx%d", 1, 2, 30, 40), "Position: 1,2\r\nSize: 30x40");
  EXPECT_EQ(FormatA("%s-%s", "a", String("b")), "a-b");
  EXPECT_EQ(FormatA("%.2s|%4s|%-4s|", "abcdef", "ab", "ab"), "ab|  ab|ab  |");
  // Width counts characters, not bytes.
  EXPECT_EQ(FormatA("%3s", "\xD0\xAF"), "  \xD0\xAF");
  EXPECT_EQ(FormatA("%1:s %0:s %s", "x", "y"), "y x y");
  EXPECT_EQ(FormatA("%*d|%-*d|", 4, 7, 3, 8), "   7|8  |");
  EXPECT_EQ(FormatA("%.*f", 1, 2.25), "2.3");
  EXPECT_EQ(FormatA("100%%"), "100%");
  EXPECT_EQ(FormatA("%p", static_cast<const void*>(nullptr)), "0000000000000000");
  EXPECT_EQ(FormatA("%s", "No args needed beyond this"), "No args needed beyond this");
}

TEST(FormatTest, MismatchAndMissingArgumentsRaise) {
  EXPECT_THROW(FormatA("%d", 1.5), EConvertError);
  EXPECT_THROW(FormatA("%f", 3), EConvertError);
  EXPECT_THROW(FormatA("%s", 3), EConvertError);
  EXPECT_THROW(FormatA("%d", "3"), EConvertError);
  EXPECT_THROW(FormatA("%d %d", 1), EConvertError);
  EXPECT_THROW(FormatA("%q", 1), EConvertError);
  EXPECT_THROW(FormatA("trailing %"), EConvertError);
  EXPECT_THROW(FormatA("%*d", "x", 1), EConvertError);
  try {
    FormatA("%d", "x");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.ClassName(), "EConvertError");
    EXPECT_NE(String(e.what()).find("%d"), String::npos);
  }
}

TEST(FormatTest, ExceptionFormatConstructor) {
  Exception e("Value %d out of range. Value must bee between 0 -> 99", {100});
  EXPECT_EQ(e.Message, "Value 100 out of range. Value must bee between 0 -> 99");
  EXPECT_EQ(e.ClassName(), "Exception");
  EListError le("x");
  EXPECT_EQ(le.ClassName(), "EListError");
}

// --- Numbers and text -------------------------------------------------------

TEST(StrToIntTest, ValidForms) {
  EXPECT_EQ(StrToInt("42"), 42);
  EXPECT_EQ(StrToInt("-17"), -17);
  EXPECT_EQ(StrToInt("+5"), 5);
  EXPECT_EQ(StrToInt("  12"), 12);
  EXPECT_EQ(StrToInt("$1F"), 31);
  EXPECT_EQ(StrToInt("0x10"), 16);
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(StrToInt("-2147483648"), int(-2147483648LL));
  EXPECT_EQ(StrToInt64("9000000000"), 9000000000LL);
}

TEST(StrToIntTest, InvalidTextRaisesWithTheText) {
  for (const char* bad : {"", "abc", "12a", "1 2", "12 ", "-", "2147483648", "0x", "1.5"}) {
    try {
      StrToInt(bad);
      ADD_FAILURE() << "no error for '" << bad << "'";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message, "'" + String(bad) + "' is not a valid integer value");
    }
  }
  EXPECT_EQ(StrToIntDef("x", -3), -3);
  EXPECT_EQ(StrToIntDef("8", -3), 8);
  int v = 99;
  EXPECT_FALSE(TryStrToInt("99999999999", v));
  EXPECT_EQ(v, 99);
  EXPECT_THROW(StrToInt64("x"), EConvertError);
  EXPECT_EQ(StrToInt64Def("", 7), 7);
}

TEST(TextHelpersTest, CaseTrimAndSearch) {
  EXPECT_EQ(UpperCase("abc \xD0\xBF\xD1\x80\xD0\xB8"), "ABC \xD0\x9F\xD0\xA0\xD0\x98");  // "при" -> "ПРИ"
  EXPECT_EQ(LowerCase("\xD0\x9F\xD0\xA0\xD0\x98"), "\xD0\xBF\xD1\x80\xD0\xB8");
  EXPECT_TRUE(SameText("\xD0\x9F\xD0\xA0\xD0\x98", "\xD0\xBF\xD1\x80\xD0\xB8"));
  EXPECT_TRUE(SameText("Team", "TEAM"));
  EXPECT_LT(CompareText("apple", "Banana"), 0);
  EXPECT_GT(CompareStr("b", "B"), 0);
  EXPECT_EQ(Trim("\t a b \r\n"), "a b");
  EXPECT_EQ(TrimLeft("  x "), "x ");
  EXPECT_EQ(TrimRight("  x "), "  x");
  EXPECT_EQ(Pos("lo", "hello"), 4);
  EXPECT_EQ(Pos("z", "hello"), 0);
  EXPECT_EQ(Copy("hello", 2, 3), "ell");
  EXPECT_EQ(Copy("hello", 0, 2), "he");
  EXPECT_EQ(Copy("hello", 4, 100), "lo");
  EXPECT_EQ(Copy("hello", 9, 1), "");
  EXPECT_EQ(StringReplaceAll("a.b.c", ".", ".."), "a..b..c");
  EXPECT_EQ(Utf8Length("\xD0\xAF" "b"), 2);
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToStr(-5), "-5");
}

// --- File names --------------------------------------------------------------

TEST(FileNameTest, PartsOfNames) {
  EXPECT_EQ(ExtractFilePath("C:\\Tablo\\Teams\\a.txt"), "C:/Tablo/Teams/");
  EXPECT_EQ(ExtractFileName("Teams\\a.txt"), "a.txt");
  EXPECT_EQ(ExtractFileExt("/x/y.tar.gz"), ".gz");
  EXPECT_EQ(ExtractFileExt("/x.d/y"), "");
  EXPECT_EQ(ChangeFileExt("/a.b/c.txt", ".ini"), "/a.b/c.ini");
  EXPECT_EQ(ChangeFileExt("/a.b/c", ".ini"), "/a.b/c.ini");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a"), "/a/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/a/"), "/a");
  EXPECT_EQ(ExtractFileDir("/a/b.txt"), "/a");
  EXPECT_EQ(ExpandFileName("/a/./b/../c"), "/a/c");
}

TEST(FileNameTest, ResolvesBackslashesAndLetterCase) {
  TempDir t;
  ASSERT_TRUE(ForceDirectories(t / "Teams/Sub"));
  writeBytes(t / "Teams/Sub/Dynamo.txt", "x");
  EXPECT_EQ(ResolveFileName(t / "teams\\SUB\\dynamo.TXT"), t / "Teams/Sub/Dynamo.txt");
  EXPECT_EQ(ResolveFileName(t / "Teams/Sub/Dynamo.txt"), t / "Teams/Sub/Dynamo.txt");
  // A missing file keeps its name (backslashes normalised).
  EXPECT_EQ(ResolveFileName(t / "Teams\\Other.txt"), t / "Teams/Other.txt");
  // An exact match wins over one that differs in case.
  writeBytes(t / "Teams/Sub/dynamo.txt", "y");
  EXPECT_EQ(ResolveFileName(t / "Teams/Sub/dynamo.txt"), t / "Teams/Sub/dynamo.txt");
  // Relative names resolve against the current folder.
  String old = GetCurrentDir();
  ASSERT_TRUE(SetCurrentDir(t.path()));
  EXPECT_EQ(ResolveFileName("TEAMS\\sub\\Dynamo.txt"), t / "Teams/Sub/Dynamo.txt");
  SetCurrentDir(old);
  // A name that is not UTF-8 (Latin-1 bytes) is found by its text; a name
  // holding a backslash is found as it is.
  writeBytes(t / "Teams/caf\xE9.jpg", "z");
  EXPECT_EQ(FileNameText("caf\xE9.jpg"), "caf\xC3\xA9.jpg");
  EXPECT_EQ(ResolveFileName(t / "Teams/CAF\xC3\x89.jpg"), t / "Teams/caf\xE9.jpg");
  EXPECT_TRUE(FileExists(ResolveFileName(t / "Teams/caf\xC3\xA9.jpg")));
  writeBytes(t / "Teams/back\\slash.jpg", "b");
  EXPECT_EQ(ResolveFileName(t / "Teams/back\\slash.jpg"), t / "Teams/back\\slash.jpg");
  EXPECT_TRUE(FileExists(t / "Teams/back\\slash.jpg"));
  std::vector<String> files = ListDirectory(t / "Teams/Sub", false);
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(ListDirectory(t / "Teams", true), std::vector<String>{"Sub"});
}

// A file written again has another stamp, even when it keeps its size and
// its time of change (a copy with the times kept, put in its place).
TEST(FileNameTest, WriteStampChangesWhenTheFileIsWrittenAgain) {
  TempDir t;
  const String file = t / "clip.avi", other = t / "other.avi";
  const timespec kept[2] = {{1700000000, 5}, {1700000000, 5}};
  struct Row {
    const char* name;
    void (*change)(const String& file, const String& other, const timespec* kept);
  } rows[] = {
      {"same size, later time", [](const String& f, const String&, const timespec*) {
         const timespec later[2] = {{1700000000, 6}, {1700000000, 6}};
         writeBytes(f, "bbbb");
         utimensat(AT_FDCWD, f.c_str(), later, 0);
       }},
      {"same size and time, put in its place", [](const String& f, const String& o, const timespec* k) {
         writeBytes(o, "cccc");
         utimensat(AT_FDCWD, o.c_str(), k, 0);
         std::rename(o.c_str(), f.c_str());
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    writeBytes(file, "aaaa");
    utimensat(AT_FDCWD, file.c_str(), kept, 0);
    const String before = FileWriteStamp(file);
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(FileWriteStamp(file), before);
    row.change(file, other, kept);
    EXPECT_NE(FileWriteStamp(file), before);
  }
  EXPECT_EQ(FileWriteStamp(t / "missing.avi"), "");
}

// --- Text files --------------------------------------------------------------

TEST(TextFileTest, LegacyCodePageIsDecoded) {
  // "Динамо" in Windows-1251, CRLF line ends.
  std::string cp1251 = "\xC4\xE8\xED\xE0\xEC\xEE\r\n\xB8\xA8\x96\x85\r\n";
  EXPECT_EQ(DecodeLegacyText("\xC4\xE8\xED\xE0\xEC\xEE"), "Динамо");
  TempDir t;
  writeBytes(t / "team.txt", cp1251);
  EXPECT_EQ(LoadTextFile(t / "team.txt"), "Динамо\nёЁ–…\n");
}

TEST(TextFileTest, Utf8WithAndWithoutBom) {
  TempDir t;
  writeBytes(t / "a.txt", "\xEF\xBB\xBFЁлка\r\nb");
  EXPECT_EQ(LoadTextFile(t / "a.txt"), "Ёлка\nb");
  writeBytes(t / "b.txt", "Ёлка\n");
  EXPECT_EQ(LoadTextFile(t / "b.txt"), "Ёлка\n");
  EXPECT_THROW(LoadTextFile(t / "missing.txt"), EFOpenError);
}

TEST(TextFileTest, Utf16WithByteOrderMark) {
  TempDir t;
  writeBytes(t / "le.txt", std::string("\xFF\xFE\x14\x04\x30\x04\r\0\n\0x\0", 12));
  EXPECT_EQ(LoadTextFile(t / "le.txt"), "Да\nx");
  writeBytes(t / "be.txt", std::string("\xFE\xFF\x04\x14\x04\x30", 6));
  EXPECT_EQ(LoadTextFile(t / "be.txt"), "Да");
}

// A file named by the operator may be anything: a FIFO or a device under a
// picture's or a list's name is refused at once (an open of a FIFO would wait
// for a writer for good, /dev/zero never ends), and no more than the bound
// is read.
TEST(TextFileTest, OnlyRegularFilesOpenAndAtMostTheBoundIsRead) {
  TempDir t;
  ASSERT_EQ(mkfifo((t / "fifo.txt").c_str(), 0644), 0);
  ASSERT_EQ(symlink("/dev/zero", (t / "zero.txt").c_str()), 0);
  ASSERT_TRUE(ForceDirectories(t / "folder.txt"));
  for (const char* name : {"fifo.txt", "zero.txt", "folder.txt", "missing.txt"}) {
    EXPECT_THROW(LoadTextFile(t / name), EFOpenError) << name;
    EXPECT_THROW(ReadFileBytes(t / name, 100), EFOpenError) << name;
  }
  writeBytes(t / "ten.txt", "0123456789");
  EXPECT_EQ(ReadFileBytes(t / "ten.txt", 10), "0123456789");
  EXPECT_THROW(ReadFileBytes(t / "ten.txt", 9), EFileTooLarge);
  // A regular file through a link is a regular file.
  ASSERT_EQ(symlink((t / "ten.txt").c_str(), (t / "link.txt").c_str()), 0);
  EXPECT_EQ(LoadTextFile(t / "link.txt"), "0123456789");
}

// A text whose first line is only a byte-order mark reads back whole: the
// reader takes one leading mark for the file's own.
TEST(TextFileTest, ALeadingByteOrderMarkSurvivesSaveAndLoad) {
  TempDir t;
  for (const String text : {String("\xEF\xBB\xBF\na.jpg\n"), String("\xEF\xBB\xBF\xEF\xBB\xBFx\n"), String("plain\n")}) {
    SaveTextFile(t / "list.txt", text);
    EXPECT_EQ(LoadTextFile(t / "list.txt"), text);
  }
}

TEST(TextFileTest, SaveWritesUtf8WithLf) {
  TempDir t;
  SaveTextFile(t / "out.txt", "Спартак\r\nline2\n");
  EXPECT_EQ(readBytes(t / "out.txt"), "Спартак\nline2\n");
}

TEST(TextFileTest, FailedSaveRaisesAndKeepsTheOldFile) {
  TempDir t;
  writeBytes(t / "blocker", "not a folder");
  // The parent of the target is a regular file: nothing can be created.
  EXPECT_THROW(SaveTextFile(t / "blocker/out.txt", "data"), EFCreateError);
  String err;
  EXPECT_FALSE(AtomicWriteFile(t / "blocker/x.bin", "data", &err));
  EXPECT_FALSE(err.empty());
  EXPECT_EQ(readBytes(t / "blocker"), "not a folder");

  // A target that is a folder cannot be replaced: the folder stays as it was.
  ASSERT_TRUE(ForceDirectories(t / "dir.txt"));
  writeBytes(t / "dir.txt/keep", "k");
  EXPECT_ANY_THROW(SaveTextFile(t / "dir.txt", "data"));
  EXPECT_EQ(readBytes(t / "dir.txt/keep"), "k");

  // A successful save replaces the content whole.
  writeBytes(t / "ok.txt", "old content");
  SaveTextFile(t / "ok.txt", "new");
  EXPECT_EQ(readBytes(t / "ok.txt"), "new");
}

// A save that runs out of space says "disk full" and leaves the old file.
TEST(TextFileTest, AFullDiskIsSaidAsSuch) {
  TempDir t;
  FullDisk disk(t / "small", 8);
  if (!disk.Ok()) GTEST_SKIP() << "no right to mount a small file system";
  writeBytes(t / "small/list.txt", "old\n");
  for (const size_t size : {size_t(64) << 10, size_t(7) << 10}) {
    const std::string big(size, 'x');
    try {
      SaveTextFile(t / "small/list.txt", big);
      ADD_FAILURE() << size;
    } catch (const EWriteError& e) {
      EXPECT_NE(String(e.what()).find("disk full"), String::npos) << e.what();
    }
    String err;
    EXPECT_FALSE(AtomicWriteFile(t / "small/list.txt", big, &err));
    EXPECT_NE(err.find("disk full"), String::npos) << err;
    EXPECT_EQ(readBytes(t / "small/list.txt"), "old\n");
  }
}

// What a save killed between writing and renaming leaves ("<name>.XXXXXX")
// is removed; the operator's own files of a like name are not.
TEST(TextFileTest, LeftoversOfKilledSavesAreRemoved) {
  TempDir t;
  for (const char* n : {"Gols.txt", "Gols.txt.qpcvzP", "Gols.txt.backup", "Gols.txt.ABCDEF", "lone.txt.XyZabc",
                        "team.txt", "team.txt.AbCdEf", "team.txt.NewOne"})
    writeBytes(t / n, "x");
  // A save of another program that runs now: too young to be a leftover.
  struct timespec old[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
  for (const char* n : {"Gols.txt.qpcvzP", "Gols.txt.backup", "Gols.txt.ABCDEF", "lone.txt.XyZabc", "team.txt.AbCdEf"})
    ASSERT_EQ(utimensat(AT_FDCWD, (t / n).c_str(), old, 0), 0);
  EXPECT_EQ(RemoveSaveLeftovers(t.path()), 2);
  std::vector<String> left = ListDirectory(t.path(), false);
  EXPECT_EQ(left, (std::vector<String>{"Gols.txt", "Gols.txt.ABCDEF", "Gols.txt.backup", "lone.txt.XyZabc", "team.txt",
                                       "team.txt.NewOne"}));
}

TEST(TimeTest, TickCountsMove) {
  int64_t a = GetTickCount64();
  Sleep(2);
  EXPECT_GE(GetTickCount64(), a + 1);
  EXPECT_GT(WallClockMs(), 1600000000000LL);
}

// --- Floating point text, dates and times --------------------------------------

TEST(FloatTextTest, DecimalSeparatorIsHonoured) {
  EXPECT_DOUBLE_EQ(StrToFloat("1.5"), 1.5);
  EXPECT_DOUBLE_EQ(StrToFloat(" -2e3 "), -2000.0);
  EXPECT_THROW(StrToFloat("1,5"), EConvertError);
  EXPECT_THROW(StrToFloat("abc"), EConvertError);
  EXPECT_THROW(StrToFloat(""), EConvertError);
  EXPECT_THROW(StrToFloat("nan"), EConvertError);
  EXPECT_DOUBLE_EQ(StrToFloatDef("x", 4.0), 4.0);
  TFormatSettings saved = FormatSettings;
  FormatSettings.DecimalSeparator = ',';
  FormatSettings.ThousandSeparator = ' ';
  EXPECT_DOUBLE_EQ(StrToFloat("1,5"), 1.5);
  EXPECT_THROW(StrToFloat("1.5"), EConvertError);
  EXPECT_EQ(FloatToStr(2.25), "2,25");
  EXPECT_EQ(FormatA("%n", 1234.5), "1 234,50");
  FormatSettings = saved;
}

TEST(DateTimeTest, EncodeDecodeAndWeekday) {
  EXPECT_DOUBLE_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_DOUBLE_EQ(EncodeDate(2000, 1, 1), 36526.0);
  EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
  EXPECT_NO_THROW(EncodeDate(2024, 2, 29));
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  int y, m, d, h, n, s, ms;
  TDateTime dt = EncodeDate(2026, 12, 7) + EncodeTime(23, 59, 59, 999);
  DecodeDate(dt, y, m, d);
  DecodeTime(dt, h, n, s, ms);
  EXPECT_EQ(y * 10000 + m * 100 + d, 20261207);
  EXPECT_EQ(h * 10000 + n * 100 + s, 235959);
  EXPECT_EQ(ms, 999);
  EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 7)), 2);  // a Monday
  TDateTime now = Now();
  EXPECT_GT(now, EncodeDate(2020, 1, 1));
  EXPECT_LT(Time(), 1.0);
}

TEST(DateTimeTest, FormatDateTimeLetters) {
  TDateTime dt = EncodeDate(2026, 3, 4) + EncodeTime(7, 5, 9, 42);
  EXPECT_EQ(FormatDateTime("hh:mm", dt), "07:05");
  EXPECT_EQ(FormatDateTime("h:mm:ss", dt), "7:05:09");
  EXPECT_EQ(FormatDateTime("dd/mm/yyyy", dt), "04.03.2026");
  EXPECT_EQ(FormatDateTime("d mmm yy, dddd", dt), "4 Mar 26, Wednesday");
  EXPECT_EQ(FormatDateTime("hh:nn:ss.zzz", dt), "07:05:09.042");
  EXPECT_EQ(FormatDateTime("'at' h:mm ampm", dt), "at 7:05 AM");
  TDateTime pm = EncodeTime(12, 30, 0, 0);
  EXPECT_EQ(FormatDateTime("h:mm am/pm", pm), "12:30 pm");
  EXPECT_EQ(FormatDateTime("h:mm ampm", EncodeTime(0, 15, 0, 0)), "12:15 AM");
  EXPECT_EQ(FormatDateTime("hh:mm", pm), "12:30");
  EXPECT_EQ(TimeToStr(dt), "07:05:09");
  EXPECT_EQ(DateToStr(dt), "04.03.2026");
  EXPECT_EQ(DateTimeToStr(EncodeDate(2026, 3, 4)), "04.03.2026");
}

TEST(DateTimeTest, ParsingTimesAndDates) {
  EXPECT_DOUBLE_EQ(StrToTime("12:00"), 0.5);
  EXPECT_DOUBLE_EQ(StrToTime("6:00 PM"), 0.75);
  EXPECT_DOUBLE_EQ(StrToTime("12:00 AM"), 0.0);
  EXPECT_DOUBLE_EQ(StrToTime("1:02:03"), EncodeTime(1, 2, 3, 0));
  for (const char* bad : {"", "12", "25:00", "1:60", "ab:cd", "1:2:3:4", "13:00 PM"}) {
    try {
      StrToTime(bad);
      ADD_FAILURE() << bad;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message, "'" + String(bad) + "' is not a valid time");
    }
  }
  EXPECT_DOUBLE_EQ(StrToDate("04.03.2026"), EncodeDate(2026, 3, 4));
  EXPECT_DOUBLE_EQ(StrToDate("4/3/26"), EncodeDate(2026, 3, 4));
  EXPECT_THROW(StrToDate("31.02.2026"), EConvertError);
  EXPECT_THROW(StrToDate("12:30"), EConvertError);
  EXPECT_DOUBLE_EQ(StrToDateTime("04.03.2026 12:00"), EncodeDate(2026, 3, 4) + 0.5);
  EXPECT_DOUBLE_EQ(StrToDateTime("18:00"), 0.75);
  TDateTime out = 0;
  EXPECT_FALSE(TryStrToDateTime("tomorrow", out));
  EXPECT_THROW(StrToDateTime(""), EConvertError);
}
