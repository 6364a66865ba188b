// Reading a spreadsheet's first worksheet: the binary workbook fixture, a
// zipped XML workbook written here, and damaged files.
#include "platform/Spreadsheet.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <variant>

namespace {

class SpreadsheetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("sheet_test_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // A zipped workbook with the given parts.
  String WriteZip(const String& name, const std::map<String, String>& parts) {
    const String path = (dir_ / name).string();
    int err = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    for (const auto& [member, text] : parts) {
      zip_source_t* src = zip_source_buffer(z, text.data(), text.size(), 0);
      zip_file_add(z, member.c_str(), src, ZIP_FL_OVERWRITE);
    }
    zip_close(z);
    return path;
  }
  String WriteBytes(const String& name, const String& bytes) {
    const String path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  static String Slurp(const String& path) {
    std::ifstream in(path, std::ios::binary);
    return String(std::istreambuf_iterator<char>(in), {});
  }
  String Fifo(const String& name) {
    const String path = (dir_ / name).string();
    mkfifo(path.c_str(), 0600);
    return path;
  }
  std::filesystem::path dir_;
};

std::map<String, String> Workbook(const String& sheet) {
  return {
      {"[Content_Types].xml", "<Types/>"},
      {"xl/workbook.xml",
       "<workbook xmlns:r='http://schemas.openxmlformats.org/officeDocument/2006/relationships'><sheets>"
       "<sheet name='Sostav' sheetId='1' r:id='rId7'/><sheet name='Other' sheetId='2' r:id='rId8'/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels",
       "<Relationships><Relationship Id='rId8' Target='worksheets/other.xml'/>"
       "<Relationship Id='rId7' Target='/xl/worksheets/first.xml'/></Relationships>"},
      {"xl/sharedStrings.xml",
       "<sst><si><t>Surname</t></si><si><r><t>Ива</t></r><r><rPh><t>x</t></rPh><t>нов</t></r></si></sst>"},
      {"xl/styles.xml",
       "<styleSheet><numFmts><numFmt numFmtId='164' formatCode='dd/mm/yyyy'/></numFmts>"
       "<cellXfs><xf numFmtId='0'/><xf numFmtId='164'/><xf numFmtId='20'/></cellXfs></styleSheet>"},
      {"xl/worksheets/first.xml", sheet},
      {"xl/worksheets/other.xml", "<worksheet><sheetData><row r='1'><c r='A1' t='inlineStr'><is><t>no</t></is></c>"
                                  "</row></sheetData></worksheet>"},
  };
}

TEST_F(SpreadsheetTest, BinaryWorkbookFirstSheetAsShown) {
  const TSheetRows rows = ReadFirstWorksheet(String(TABLO_TEST_DATA) + "/lineup.xls", TSheetBounds{6, -1, 1000});
  ASSERT_EQ(rows.size(), 4u);
  ASSERT_EQ(rows[0].size(), 6u);
  EXPECT_EQ(rows[0][1], "Nr.");
  EXPECT_EQ(rows[1][1], "7");
  EXPECT_EQ(rows[1][2], "Иванов");
  EXPECT_EQ(rows[2][1], "1" + String(1, FormatSettings.DecimalSeparator) + "5");
  EXPECT_EQ(rows[1][5], DateToStr(EncodeDate(1990, 5, 17)));
  EXPECT_EQ(rows[2][5], "1");
  EXPECT_EQ(rows[3][1], "");
  EXPECT_EQ(rows[3][2], "after the stop");
}

TEST_F(SpreadsheetTest, ZippedWorkbookCellsByReferenceWithTheirTypes) {
  const String path = WriteZip("team.xlsx", Workbook(
      "<worksheet><sheetData>"
      "<row r='1'><c r='B1' t='s'><v>0</v></c></row>"
      "<row r='2'><c r='A2' t='b'><v>1</v></c><c r='B2'><v>7</v></c><c r='C2' t='s'><v>1</v></c>"
      "<c r='D2' s='1'><v>32980</v></c><c r='E2' s='2'><v>0.5</v></c></row>"
      "<row r='4'><c r='B4'><v>1.5</v></c><c r='C4' t='e'><v>#N/A</v></c><c r='F4' t='str'><v>f</v></c></row>"
      "</sheetData></worksheet>"));
  const TSheetRows rows = ReadFirstWorksheet(path, TSheetBounds{6, -1, 1000});
  ASSERT_EQ(rows.size(), 4u);
  for (const auto& r : rows) EXPECT_EQ(r.size(), 6u);   // padded to the columns read
  EXPECT_EQ(rows[0][1], "Surname");
  EXPECT_EQ(rows[1][0], "1");
  EXPECT_EQ(rows[1][1], "7");
  EXPECT_EQ(rows[1][2], "Иванов");   // runs joined, phonetic hints left out
  EXPECT_EQ(rows[1][3], DateToStr(32980));
  EXPECT_EQ(rows[1][4], TimeToStr(0.5));
  EXPECT_EQ(rows[2][1], "");          // a row the sheet does not list
  EXPECT_EQ(rows[3][1], "1" + String(1, FormatSettings.DecimalSeparator) + "5");
  EXPECT_EQ(rows[3][2], "");          // an error value
  EXPECT_EQ(rows[3][5], "f");
}

TEST_F(SpreadsheetTest, DamagedOrForeignFilesRaiseWithTheirName) {
  const String xls = Slurp(String(TABLO_TEST_DATA) + "/lineup.xls");
  const String good = WriteZip("good.xlsx", Workbook("<worksheet><sheetData/></worksheet>"));
  const String xlsx = Slurp(good);
  auto bad = Workbook("<worksheet><sheetData><row r='1'><c r='A1' t='s'><v>99</v></c></row></sheetData></worksheet>");
  auto noSheet = Workbook("");
  noSheet.erase("xl/worksheets/first.xml");
  const std::vector<String> files = {
      (dir_ / "missing.xls").string(),
      WriteBytes("cut.xls", xls.substr(0, xls.size() / 2)),
      WriteBytes("cut.xlsx", xlsx.substr(0, xlsx.size() / 2)),
      WriteBytes("team.txt", "Nr.;Surname\n7;Smith\n"),
      WriteBytes("empty.xlsx", ""),
      WriteZip("badref.xlsx", bad),
      WriteZip("nosheet.xlsx", noSheet),
      Fifo("pipe.xls"),   // refused without waiting for a writer
  };
  for (const String& f : files) {
    try {
      ReadFirstWorksheet(f);
      ADD_FAILURE() << f << " was read";
    } catch (const Exception& e) {
      EXPECT_EQ(String(e.what()).rfind("Error file " + f + ": ", 0), 0u) << e.what();
    }
  }
}

// Files made to exhaust or mislead the reader: each is refused with its
// reason, or read within the bounds the line-up import asks for (its five
// columns, up to the first row without a number).
TEST_F(SpreadsheetTest, HostileWorkbooksAreRefusedOrReadWithinBounds) {
  String xls = Slurp(String(TABLO_TEST_DATA) + "/lineup.xls");
  // The first sheet's size record claims more rows.
  auto claimRows = [&](uint32_t rows) {
    String s = xls;
    const size_t at = s.find(String("\x00\x02\x0e\x00", 4));
    for (int i = 0; i < 4; ++i) s[at + 8 + size_t(i)] = char((rows >> (8 * i)) & 0xFF);
    return s;
  };
  auto sheet = [&](const String& name, const String& rows, const String& before = "") {
    return WriteZip(name, Workbook("<worksheet>" + before + "<sheetData>" + rows + "</sheetData></worksheet>"));
  };
  auto numbered = [](int n) {
    String rows;
    for (int r = 1; r <= n; ++r) rows += "<row r='" + IntToStr(r) + "'><c r='B" + IntToStr(r) + "'><v>" + IntToStr(r) + "</v></c></row>";
    return rows;
  };
  auto manyShared = Workbook("<worksheet><sheetData><row r='1'><c r='B1' t='s'><v>0</v></c></row>"
                             "<row r='2'><c r='B2' t='s'><v>1100000</v></c></row></sheetData></worksheet>");
  struct Case {
    String file;
    std::variant<String, size_t> expect;   // the reason, or the rows read
  };
  const Case cases[] = {
      {WriteBytes("rows1m.xls", claimRows(1000000)), String("the first worksheet claims 1000000 rows and 6 columns, "
                                                            "more than a workbook of this kind holds")},
      {WriteBytes("rows436m.xls", claimRows(436000000)), String("no worksheet that can be read")},
      {sheet("far.xlsx", "<row r='1'><c r='B1' t='inlineStr'><is><t>Nr.</t></is></c><c r='F1'><v>6</v></c></row>"
                         "<row r='2'><c r='B2'><v>7</v></c></row><row r='1048576'><c r='XFD1048576'><v>1</v></c></row>"),
       size_t(2)},
      {sheet("rowmax.xlsx", "<row r='1'><c><v>1</v></c></row><row r='2147483647'/>"), String("a row number is damaged")},
      {WriteZip("shared.xlsx", manyShared), String("the shared text table has more than 1048576 entries")},
      {sheet("bomb.xlsx", numbered(3), String(40u << 20, ' ')),
       String("xl/worksheets/first.xml is larger than 32 MB unpacked")},
      {sheet("rows.xlsx", numbered(1001)), String("more than 1000 rows to import")},
      {sheet("stop.xlsx", numbered(3) + "<row r='5'/><row r='6'><c r='B6'><v>6</v></c></row>"),
       size_t(3)},
      {sheet("cell.xlsx", "<row r='1'><c r='B1' t='inlineStr'><is><t>" + String(5000, 'x') + "</t></is></c></row>"),
       String("a cell holds more than 4096 bytes of text")},
  };
  const TSheetBounds lineup{5, 1, 1000};
  for (const Case& c : cases) {
    try {
      const TSheetRows rows = ReadFirstWorksheet(c.file, lineup);
      ASSERT_TRUE(std::holds_alternative<size_t>(c.expect)) << c.file << " was read";
      EXPECT_EQ(rows.size(), std::get<size_t>(c.expect)) << c.file;
      for (const auto& r : rows) EXPECT_EQ(r.size(), 5u) << c.file;
    } catch (const Exception& e) {
      ASSERT_TRUE(std::holds_alternative<String>(c.expect)) << e.what();
      EXPECT_EQ(String(e.what()), "Error file " + c.file + ": " + std::get<String>(c.expect));
    }
  }
}

}  // namespace
