// Importing a line-up from a spreadsheet into the editor's grid.
#include "ConsoleFixture.h"
#include "toolkit/ToolkitTestUtil.h"
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include <QTimer>
#include "grids/SortGrid.h"
#include "platform/Spreadsheet.h"
#include "toolkit/Timer.h"

class LineupImportTest : public ConsoleFixture {
 protected:
  // A previous team: every column filled on six rows.
  void FillOldTeam(TSortGrid* g) {
    g->SetRowCount(6);
    for (int r = 1; r < 6; ++r)
      for (int c = 0; c < 9; ++c) g->SetCells(c, r, "old" + IntToStr(int64_t(r * 10 + c)));
  }
  const String fixture_ = String(TABLO_TEST_DATA) + "/lineup.xls";
};

TEST_F(LineupImportTest, SheetRowsUpToTheFirstEmptyNumberReplaceTheTeam) {
  TFormMain* f = Create();
  TSortGrid* g = f->sgSek_Sostav;
  FillOldTeam(g);
  f->bSek_Save->SetEnabled(false);
  f->ImportLineupFromExcel(fixture_);
  ASSERT_EQ(g->RowCount(), 3);   // titles and two players: row 4 has no number
  const char* titles[9] = {"Nr.", "+", "Surname", "Name", "Birthday", "Growth/weight", "Card", "Position", "Photo"};
  const char* first[9] = {"7", "1", "Иванов", "", "", "", "", "Goalkeeper", "ivanov.jpg"};
  for (int c = 0; c < 9; ++c) {
    EXPECT_EQ(g->Cells(c, 0), titles[c]) << c;
    EXPECT_EQ(g->Cells(c, 1), first[c]) << c;   // nothing of the old player stays
  }
  EXPECT_EQ(g->Cells(0, 2), "1" + String(1, FormatSettings.DecimalSeparator) + "5");
  g->SetRowCount(6);   // rows of the old team do not come back
  for (int r = 3; r < 6; ++r) EXPECT_TRUE(g->IsRowEmpty(r)) << r;
  EXPECT_FALSE(f->bSek_Save->Enabled());   // the import does not mark the team modified
}

TEST_F(LineupImportTest, TitlesTheSheetDoesNotFillStayThroughImportAndNew) {
  TFormMain* f = Create();
  TSortGrid* g = f->sgSek_Sostav;
  CommonDialogHook = [&](TCommonDialog* d) {
    EXPECT_EQ(d, f->OpenXlsDialog1);
    f->OpenXlsDialog1->FileName = fixture_;
    return true;
  };
  clickAt(f->bSek_Load, f->bSek_Load->Width() / 2, f->bSek_Load->Height() / 2);
  CommonDialogHook = nullptr;
  ASSERT_EQ(g->RowCount(), 3);
  clickAt(f->bSek_New, f->bSek_New->Width() / 2, f->bSek_New->Height() / 2);
  const char* kept[] = {"Name", "Birthday", "Growth/weight", "Card"};
  for (int c = 3; c <= 6; ++c) EXPECT_EQ(g->Cells(c, 0), kept[c - 3]) << c;
}

TEST_F(LineupImportTest, BadFileOrSheetWithoutPlayersKeepsTheGrid) {
  TFormMain* f = Create();
  TSortGrid* g = f->sgSek_Sostav;
  FillOldTeam(g);
  WriteFile("broken.xls", "not a workbook");
  f->ImportLineupFromExcel(app_ + "broken.xls");
  ASSERT_FALSE(requests_.empty());
  EXPECT_EQ(requests_.back().Msg.rfind("Error file " + app_ + "broken.xls", 0), 0u);
  EXPECT_EQ(g->RowCount(), 6);
  EXPECT_EQ(g->Cells(3, 2), "old23");
}

// A file that crashes the reader, hangs it, makes it allocate or talk without
// end is "not a readable workbook": the console lives on, keeps serving its
// timers while it waits, and the grid stays as it was.
TEST_F(LineupImportTest, ReaderThatCrashesHangsOrExhaustsLeavesTheGrid) {
  TFormMain* f = Create();
  TSortGrid* g = f->sgSek_Sostav;
  FillOldTeam(g);
  // The fixture with two bytes changed crashes the binary-workbook library.
  std::ifstream in(fixture_, std::ios::binary);
  String crashing(std::istreambuf_iterator<char>(in), {});
  crashing[2254] = '\x7e';
  crashing[2260] = '\0';
  std::ofstream(app_ + "damaged.xls", std::ios::binary) << crashing;
  for (const char* mode : {"crash", "hang", "allocate", "talk"}) WriteFile(String(mode) + ".xls", mode);
  struct Case {
    const char* file;
    bool fake;   // through the stand-in reader
  };
  const Case cases[] = {{"damaged.xls", false}, {"crash.xls", true}, {"hang.xls", true}, {"allocate.xls", true},
                        {"talk.xls", true}};
  const String realReader = TSpreadsheetReader::Program;
  const int timeWas = TSpreadsheetReader::TimeLimitSeconds;
  TSpreadsheetReader::TimeLimitSeconds = 2;
  TTimer timer(nullptr);
  int ticks = 0;
  timer.OnTimer = [&](TObject*) { ++ticks; };
  timer.SetInterval(50);
  timer.SetEnabled(true);
  for (const Case& c : cases) {
    TSpreadsheetReader::Program = c.fake ? String(FAKE_SHEET_READER) : realReader;
    const String file = app_ + c.file;
    CommonDialogHook = [&](TCommonDialog* d) {
      dynamic_cast<TOpenDialog*>(d)->FileName = file;
      return true;
    };
    requests_.clear();
    ticks = 0;
    f->bSek_Load->Click();
    ASSERT_EQ(requests_.size(), 1u) << c.file;
    EXPECT_EQ(requests_.back().Msg, "Error file " + file + ": not a readable workbook") << c.file;
    EXPECT_EQ(g->RowCount(), 6) << c.file;
    EXPECT_EQ(g->Cells(3, 2), "old23") << c.file;
    if (String(c.file) == "hang.xls") {
      EXPECT_GT(ticks, 0);   // the wait kept the queue going
    }
  }
  CommonDialogHook = nullptr;
  TSpreadsheetReader::Program = realReader;
  TSpreadsheetReader::TimeLimitSeconds = timeWas;
}

// A second import clicked while the first one's reader runs is refused with
// its reason; the first goes on and fills the grid when its reader answers.
TEST_F(LineupImportTest, ASecondImportDuringTheFirstIsRefusedAndTheFirstCompletes) {
  TFormMain* f = Create();
  TSortGrid* g = f->sgSek_Sostav;
  FillOldTeam(g);
  const String fifo = app_ + "answer.fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  WriteFile("first.xls", "wait " + fifo);
  WriteFile("second.xls", "wait " + fifo);
  const String realReader = TSpreadsheetReader::Program;
  TSpreadsheetReader::Program = String(FAKE_SHEET_READER);
  String next = app_ + "first.xls";
  CommonDialogHook = [&](TCommonDialog* d) {
    dynamic_cast<TOpenDialog*>(d)->FileName = next;
    return true;
  };
  // Once the first reader waits on the fifo (a writer can open it), the
  // operator clicks the import again; then the first reader is let go.
  size_t refusals = 0;
  std::function<void()> whenReading = [&] {
    const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd < 0) {
      QTimer::singleShot(0, whenReading);
      return;
    }
    next = app_ + "second.xls";
    clickAt(f->bSek_Load, f->bSek_Load->Width() / 2, f->bSek_Load->Height() / 2);
    refusals = requests_.size();
    close(fd);
  };
  QTimer::singleShot(0, whenReading);
  clickAt(f->bSek_Load, f->bSek_Load->Width() / 2, f->bSek_Load->Height() / 2);
  CommonDialogHook = nullptr;
  TSpreadsheetReader::Program = realReader;
  ASSERT_EQ(refusals, 1u);
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_EQ(requests_[0].Msg, "Error file " + app_ + "second.xls: another spreadsheet is being read");
  ASSERT_EQ(g->RowCount(), 2);
  EXPECT_EQ(g->Cells(0, 1), "7");
}
