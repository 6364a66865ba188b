// Team library: team folders, the team file's reader and writer, the editor's
// new and save actions and the three team combos.
#include <sys/resource.h>

#include <csignal>
#include <fstream>
#include <set>

#include "ConsoleFixture.h"
#include "OperatorHands.h"
#include "console/TeamFile.h"
#include "controls/Profile.h"
#include "grids/SortGrid.h"
#include "toolkit/MouseTools.h"

namespace fs = std::filesystem;

namespace {

// Every path under a folder, relative to it.
std::set<String> Tree(const String& root) {
  std::set<String> out;
  for (const auto& e : fs::recursive_directory_iterator(root)) out.insert(fs::relative(e.path(), root).string());
  return out;
}

String ReadBytes(const String& file) {
  std::ifstream in(file, std::ios::binary);
  return String(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const String& file, const String& bytes) {
  fs::create_directories(fs::path(file).parent_path());
  std::ofstream(file, std::ios::binary) << bytes;
}

}  // namespace

class TeamLibraryTest : public ConsoleFixture {
 protected:
  void SetUp() override {
    ConsoleFixture::SetUp();
    f = Create();
    grid = f->sgSek_Sostav;
    ASSERT_NE(grid, nullptr);
  }

  // Puts a team into the editor as the operator would type it.
  void Edit(const String& name, const String& town, const std::vector<TTeamRow>& rows) {
    f->bSek_New->Click();
    f->eSek_KomName->SetText(name);
    f->eSek_KomTown->SetText(town);
    grid->SetRowCount(int(rows.size()) + 1);
    for (size_t r = 0; r < rows.size(); ++r)
      for (int c = 0; c < TeamColumnCount; ++c) grid->SetCells(c, int(r) + 1, rows[r][size_t(c)]);
  }
  // Presses "Save"; returns the messages it showed.
  std::vector<TMsgDlgRequest> Save() {
    requests_.clear();
    f->bSek_SaveClick(f->bSek_Save);
    return requests_;
  }
  String TeamFile(const String& folder) { return app_ + "Teams/" + folder + "/" + folder + ".txt"; }
  // Chooses a team in the editor's combo as the operator would.
  void Choose(const String& folder) {
    const int i = f->cbSek_Komands->Items()->IndexOf(folder);
    ASSERT_GT(i, 0) << folder;
    f->cbSek_Komands->SetItemIndex(i);
    f->cbSek_KomandsChange(f->cbSek_Komands);
  }
  std::vector<String> Items(TComboBox* cb) {
    std::vector<String> v;
    for (int i = 0; i < cb->Items()->Count(); ++i) v.push_back(cb->Items()->Get(i));
    return v;
  }
  static TTeamRow Row(const String& nr, const String& y, const String& surname, const String& name = "") {
    return TTeamRow{nr, y, surname, name, "", "", "", "", ""};
  }

  TFormMain* f = nullptr;
  TSortGrid* grid = nullptr;
};

// ---------------------------------------------------------------------------
// Round trip

TEST_F(TeamLibraryTest, FullTeamRoundTripsWithCyrillicAndGermanNames) {
  const String longText(300, 'x');   // longer than the old 255-character reads
  std::vector<TTeamRow> rows;
  for (int n = 1; n <= 101; ++n) {
    TTeamRow r;
    r[tcNr] = IntToStr(n);
    r[tcY] = n % 3 == 0 ? "1" : n % 3 == 1 ? "0" : "";
    r[tcF] = n % 2 ? "Шевченко " + IntToStr(n) : "Müller-Weiß " + IntToStr(n);
    r[tcI] = n % 2 ? "Андрій" : "Jürgen";
    r[tcB] = "0" + IntToStr(n % 9 + 1) + ".05.1990";
    r[tcR] = "180/75";
    r[tcK] = IntToStr(n % 3);
    r[tcA] = n == 100 ? "President" : n == 101 ? "Trainer" : "Defender";
    r[tcP] = "photo " + IntToStr(n) + ".jpg";
    rows.push_back(r);
  }
  rows[41][tcI] = longText;
  Edit("Динамо", "Köln", rows);
  f->eSek_KomName2->SetText("Дин");
  EXPECT_TRUE(f->bSek_Save->Enabled());
  EXPECT_TRUE(Save().empty());
  const String folder = "Динамо (Köln)";
  ASSERT_TRUE(FileExists(TeamFile(folder)));
  EXPECT_FALSE(f->bSek_Save->Enabled());
  EXPECT_EQ(f->cbSek_Komands->Text(), folder);
  EXPECT_NE(f->cbSud_Comanda1->Items()->IndexOf(folder), -1);

  // Into the editor again: every cell as typed, one empty row at the end.
  f->bSek_New->Click();
  Choose(folder);
  EXPECT_EQ(f->eSek_KomName->Text(), "Динамо");
  EXPECT_EQ(f->eSek_KomName2->Text(), "Дин");
  EXPECT_EQ(f->eSek_KomTown->Text(), "Köln");
  ASSERT_EQ(grid->RowCount(), 103);
  for (int r = 0; r < 101; ++r) {
    TTeamRow expect = rows[size_t(r)];
    if (expect[tcY].empty()) expect[tcY] = "0";
    for (int c = 0; c < TeamColumnCount; ++c)
      ASSERT_EQ(grid->Cells(c, r + 1), expect[size_t(c)]) << "row " << r + 1 << " col " << c;
  }
  EXPECT_TRUE(grid->IsRowEmpty(102));
  EXPECT_FALSE(f->bSek_Save->Enabled());

  // Into a side: the records, staff entries included.
  f->LoadTeamFile(2, folder);
  const TTeamSlot& s = f->TeamSlots[2];
  EXPECT_EQ(s.Name, folder);
  EXPECT_EQ(s.LName, "Динамо");
  EXPECT_EQ(s.SName, "Дин");
  EXPECT_EQ(s.Town, "Köln");
  for (int n = 1; n <= 101; ++n) {
    const TPlayerRec& p = s.Players[size_t(n - 1)];
    ASSERT_EQ(p.Nr, n);
    EXPECT_EQ(p.Y, n % 3 == 0 ? 1 : 0);
    EXPECT_EQ(p.F, rows[size_t(n - 1)][tcF]);
    EXPECT_EQ(p.I, rows[size_t(n - 1)][tcI]);
    EXPECT_EQ(p.A, rows[size_t(n - 1)][tcA]);
    EXPECT_EQ(p.P, rows[size_t(n - 1)][tcP]);
  }
  EXPECT_EQ(s.Players[41].I.size(), 300u);
  EXPECT_EQ(s.Players[99].A, "President");
  EXPECT_EQ(s.Players[100].A, "Trainer");
}

TEST_F(TeamLibraryTest, LegacyCodePageTeamFileReads) {
  // "Спартак", "Москва", "Иванов" in Windows-1251, CRLF lines, a logo named
  // with a backslash in a different letter case.
  const String folder = "Spartak (Moskva)";
  WriteBytes(TeamFile(folder),
             "[Name]\r\nLName=\xD1\xEF\xE0\xF0\xF2\xE0\xEA\r\nTown=\xCC\xEE\xF1\xEA\xE2\xE0\r\n"
             "Logo=Pics\\Logo.bmp\r\n[7]\r\nY=1\r\nF=\xC8\xE2\xE0\xED\xEE\xE2\r\n");
  TBitmap logo(8, 6);
  fs::create_directories(app_ + "Teams/" + folder + "/pics");
  logo.SaveToFile(app_ + "Teams/" + folder + "/pics/logo.bmp");
  f->FillTeamLists();
  Choose(folder);
  EXPECT_EQ(f->eSek_KomName->Text(), "Спартак");
  EXPECT_EQ(f->eSek_KomTown->Text(), "Москва");
  EXPECT_EQ(grid->Cells(tcF, 1), "Иванов");
  EXPECT_EQ(grid->Cells(tcNr, 1), "7");
  EXPECT_EQ(f->TeamSlots[0].Logo, "Pics\\Logo.bmp");
  EXPECT_EQ(f->iSek_KomLogo->Picture()->Width(), 8);
  EXPECT_EQ(f->iSek_KomLogo->Hint(), "Pics\\Logo.bmp");
}

TEST_F(TeamLibraryTest, MissingFileAndMissingLogoLoadEmpty) {
  f->TeamSlots[1].Players[0].F = "old";
  f->LoadTeamFile(1, "Nowhere (Nohow)");
  EXPECT_EQ(f->TeamSlots[1].Name, "Nowhere (Nohow)");
  EXPECT_TRUE(f->TeamSlots[1].LName.empty());
  EXPECT_EQ(f->TeamSlots[1].Players[0].Nr, 0);
  EXPECT_TRUE(f->TeamSlots[1].Players[0].F.empty());

  WriteBytes(app_ + "Teams/A (B)/A (B).txt", "[Name]\nLName=A\nTown=B\nLogo=gone.png\n");
  f->LoadTeamFile(0, "A (B)");
  EXPECT_TRUE(f->TeamSlots[0].Logo.empty());
  EXPECT_TRUE(f->iSek_KomLogo->Picture()->Width() == 0);
  // No persons: the header and empty rows only.
  EXPECT_GE(grid->RowCount(), 2);
  for (int r = 1; r < grid->RowCount(); ++r) EXPECT_TRUE(grid->IsRowEmpty(r));
}

// ---------------------------------------------------------------------------
// The file's rules

TEST_F(TeamLibraryTest, NumbersOutsideOneToHundredOneAndDuplicates) {
  Edit("Rules", "Town", {Row("102", "", "Far"), Row("07", "", "Zero"), Row("5", "1", "First"),
                         Row("5", "", "Second"), Row("9", "", ""), Row("1", "", "One")});
  EXPECT_TRUE(Save().empty());
  const String text = LoadTextFile(TeamFile("Rules (Town)"));
  // Written: 102, "07" and the row without surname.
  EXPECT_NE(text.find("[102]\n"), String::npos);
  EXPECT_NE(text.find("[07]\n"), String::npos);
  EXPECT_NE(text.find("[9]\n"), String::npos);
  // The repeated number is one section whose keys the later row set.
  EXPECT_EQ(text.find("[5]"), text.rfind("[5]"));
  f->LoadTeamFile(1, "Rules (Town)");
  const auto& p = f->TeamSlots[1].Players;
  EXPECT_EQ(p[0].Nr, 1);
  EXPECT_EQ(p[1].Nr, 5);
  EXPECT_EQ(p[1].F, "Second");
  EXPECT_EQ(p[1].Y, 0);
  EXPECT_EQ(p[2].Nr, 0);   // 102, "07" and the empty surname are not loaded
}

TEST_F(TeamLibraryTest, CheckTextsAreOneRuleForDrawingAndSaving) {
  for (const char* on : {"1", "+", "V", "v", "Y", "y", "true", "TRUE", "Yes", "3"}) {
    int v = -1;
    EXPECT_TRUE(TryCheckCellValue(on, v)) << on;
    EXPECT_TRUE(IsCheckedText(on)) << on;
  }
  for (const char* off : {"", "0", "2", "-"}) EXPECT_FALSE(IsCheckedText(off)) << off;
  int v = 7;
  EXPECT_FALSE(TryCheckCellValue("maybe", v));
  EXPECT_EQ(v, 7);

  // An imported "+" saves as 1 and shows as "1" again.
  Edit("Checks", "Town", {Row("1", "+", "Plus"), Row("2", "v", "Vee"), Row("3", "", "None")});
  EXPECT_TRUE(Save().empty());
  Choose("Checks (Town)");
  EXPECT_EQ(grid->Cells(tcY, 1), "1");
  EXPECT_EQ(grid->Cells(tcY, 2), "1");
  EXPECT_EQ(grid->Cells(tcY, 3), "0");
  EXPECT_TRUE(IsCheckedText(grid->Cells(tcY, 1)));
}

TEST_F(TeamLibraryTest, LineBreaksInsideValuesBecomeBlanks) {
  Edit("Breaks", "Town", {Row("4", "", "Two\nLines", "And\r\nMore")});
  EXPECT_TRUE(Save().empty());
  f->LoadTeamFile(1, "Breaks (Town)");
  EXPECT_EQ(f->TeamSlots[1].Players[0].F, "Two Lines");
  EXPECT_EQ(f->TeamSlots[1].Players[0].I, "And  More");
  EXPECT_EQ(f->TeamSlots[1].Players[1].Nr, 0);
}

// ---------------------------------------------------------------------------
// Nothing stored is lost

TEST_F(TeamLibraryTest, BadCellsAreRefusedBeforeAnythingIsWritten) {
  Edit("Keep", "Town", {Row("1", "", "Stored")});
  ASSERT_TRUE(Save().empty());
  const String before = ReadBytes(TeamFile("Keep (Town)"));
  answer_ = mrYes;
  for (const TTeamRow& bad : {Row("7a", "", "X"), Row("8", "maybe", "Y")}) {
    Edit("Keep", "Town", {Row("1", "", "Changed"), bad});
    const auto msgs = Save();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].DlgType, mtError);
    EXPECT_NE(msgs[0].Msg.find("Row 2"), String::npos) << msgs[0].Msg;
    EXPECT_EQ(ReadBytes(TeamFile("Keep (Town)")), before);
    EXPECT_TRUE(f->bSek_Save->Enabled());
  }
  // A new team with a bad cell does not even get its folder.
  Edit("Fresh", "Town", {Row("x", "", "X")});
  EXPECT_EQ(Save().size(), 1u);
  EXPECT_FALSE(DirectoryExists(app_ + "Teams/Fresh (Town)"));
}

TEST_F(TeamLibraryTest, WriteFailingPartWayKeepsThePreviousFile) {
  std::vector<TTeamRow> rows;
  for (int n = 1; n <= 101; ++n) rows.push_back(Row(IntToStr(n), "1", "Player with a long surname " + IntToStr(n)));
  Edit("Big", "Town", {Row("1", "", "Old")});
  ASSERT_TRUE(Save().empty());
  const String file = TeamFile("Big (Town)");
  const String before = ReadBytes(file);

  // The file system takes the first 2000 bytes of any file, then refuses.
  Edit("Big", "Town", rows);
  answer_ = mrYes;
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  auto oldSig = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 2000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const auto msgs = Save();
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldSig);

  ASSERT_EQ(msgs.size(), 2u);   // the overwrite question, then the error
  EXPECT_EQ(msgs[1].DlgType, mtError);
  EXPECT_EQ(msgs[1].Msg.rfind("Error file ", 0), 0u) << msgs[1].Msg;
  EXPECT_NE(msgs[1].Msg.find("Big (Town).txt"), String::npos);
  EXPECT_EQ(ReadBytes(file), before);
  EXPECT_EQ(Tree(app_ + "Teams/Big (Town)"), std::set<String>{"Big (Town).txt"});
  EXPECT_TRUE(f->bSek_Save->Enabled());   // still unsaved
  // With room again the same save goes through.
  EXPECT_EQ(Save().size(), 1u);
  f->LoadTeamFile(1, "Big (Town)");
  EXPECT_EQ(f->TeamSlots[1].Players[100].Nr, 101);
}

TEST_F(TeamLibraryTest, ProfileEntryReportsFailedWritesAndReadsLongValues) {
  TProfile* p = f->Profile1;
  p->SetFileName(app_ + "no such folder/x.txt");
  p->SetSection("Name");
  p->SetEntry("LName");
  try {
    p->SetText("v");
    FAIL() << "write into a missing folder succeeded";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, "Error file " + p->FileName());
  }
  p->SetFileName(app_ + "long.txt");
  const String value(1000, 'q');
  p->SetText(value);
  EXPECT_EQ(p->Text(), value);
}

// ---------------------------------------------------------------------------
// Names that would leave the library

TEST_F(TeamLibraryTest, UnsafeNamesAreRefusedAndNothingIsCreated) {
  const std::set<String> before = Tree(root_);
  const std::pair<String, String> bad[] = {
      {"../evil", "Town"}, {"a/b", "Town"}, {"..", "Town"}, {"Name", "../.."}, {"x\\y", "Town"},
      {"Tab\tName", "Town"}, {".Name", "Town"}, {" Name", "Town"}, {"Name", "Town "}, {"Que?", "Town"},
      {"Line\nBreak", "Town"}};
  for (const auto& [name, town] : bad) {
    Edit(name, town, {Row("1", "", "X")});
    const auto msgs = Save();
    ASSERT_EQ(msgs.size(), 1u) << name << " / " << town;
    EXPECT_EQ(msgs[0].DlgType, mtError);
    EXPECT_EQ(msgs[0].Msg.rfind(name == "Name" ? "Team town" : "Team name", 0), 0u) << msgs[0].Msg;
  }
  EXPECT_EQ(Tree(root_), before);
  EXPECT_TRUE(TeamNameProblem("Динамо Київ", "Team name").empty());
  EXPECT_TRUE(TeamNameProblem("1. FC Köln", "x").empty());   // dots inside a name are common
}

// ---------------------------------------------------------------------------
// The save action's messages and the library lists

TEST_F(TeamLibraryTest, SaveNeedsNameAndTownAndAsksBeforeOverwriting) {
  Edit("", "", {});
  auto msgs = Save();
  ASSERT_EQ(msgs.size(), 1u);
  EXPECT_EQ(msgs[0].Msg, "No name team.\nNo team town.");
  EXPECT_EQ(msgs[0].DlgType, mtError);
  EXPECT_EQ(msgs[0].Buttons, TMsgDlgButtons{mbOK});
  Edit("Only", "", {});
  EXPECT_EQ(Save().at(0).Msg, "No team town.");

  Edit("Twice", "Town", {Row("1", "", "First")});
  ASSERT_TRUE(Save().empty());
  const String before = ReadBytes(TeamFile("Twice (Town)"));
  Edit("Twice", "Town", {Row("1", "", "Second")});
  answer_ = mrNo;
  msgs = Save();
  ASSERT_EQ(msgs.size(), 1u);
  EXPECT_EQ(msgs[0].Msg, "Team already is. Overwrite?");
  EXPECT_EQ(msgs[0].DlgType, mtConfirmation);
  EXPECT_EQ(msgs[0].Buttons, mbYesNo);
  EXPECT_EQ(ReadBytes(TeamFile("Twice (Town)")), before);
  answer_ = mrYes;
  EXPECT_EQ(Save().size(), 1u);
  EXPECT_NE(ReadBytes(TeamFile("Twice (Town)")), before);
}

TEST_F(TeamLibraryTest, FolderCreationFailureIsShown) {
  // "Teams" is a file here, so no team folder can be made under it.
  fs::remove_all(app_ + "Teams");
  WriteFile("Teams", "not a folder");
  Edit("Blocked", "Town", {Row("1", "", "X")});
  const auto msgs = Save();
  ASSERT_EQ(msgs.size(), 1u);
  EXPECT_EQ(msgs[0].Msg, "Orror directory create: " + app_ + "Teams/Blocked (Town)");
  EXPECT_EQ(msgs[0].DlgType, mtError);
}

TEST_F(TeamLibraryTest, ListsSkipDotFoldersAndCutExtensions) {
  for (const char* d : {".hidden", "A.B", "Zeta (Z)", "alpha (A)"}) fs::create_directories(app_ + "Teams/" + d);
  WriteFile("Teams/plain file.txt", "x");
  f->cbSud_Comanda1->SetItemIndex(-1);
  f->FillTeamLists();
  EXPECT_EQ(Items(f->cbSek_Komands), (std::vector<String>{" New team", "A", "alpha (A)", "Zeta (Z)"}));
  EXPECT_EQ(Items(f->cbSud_Comanda1), (std::vector<String>{" Team select", "A", "alpha (A)", "Zeta (Z)"}));
  EXPECT_EQ(Items(f->cbSud_Comanda2), Items(f->cbSud_Comanda1));
  // A remembered side survives a refill; one whose folder went is dropped.
  f->cbSud_Comanda1->SetItemIndex(3);
  f->cbSud_Comanda2->SetItemIndex(2);
  fs::remove_all(app_ + "Teams/alpha (A)");
  f->FillTeamLists();
  EXPECT_EQ(f->cbSud_Comanda1->Text(), "Zeta (Z)");
  EXPECT_EQ(f->cbSud_Comanda2->ItemIndex(), -1);
}

TEST_F(TeamLibraryTest, SavingASidesTeamReloadsThatSide) {
  Edit("Home", "Town", {Row("1", "", "Before")});
  ASSERT_TRUE(Save().empty());
  f->cbSud_Comanda2->SetItemIndex(f->cbSud_Comanda2->Items()->IndexOf("Home (Town)"));
  f->LoadTeamFile(2, "Home (Town)");
  ASSERT_EQ(f->TeamSlots[2].Players[0].F, "Before");
  f->TeamSlots[1].Players[0].F = "side one untouched";

  Choose("Home (Town)");
  grid->SetCells(tcF, 1, "After");
  answer_ = mrYes;
  Save();
  EXPECT_EQ(f->TeamSlots[2].Players[0].F, "After");
  EXPECT_EQ(f->TeamSlots[1].Players[0].F, "side one untouched");
  EXPECT_EQ(f->cbSud_Comanda2->Text(), "Home (Town)");
}

// ---------------------------------------------------------------------------
// Editor state

// The photo preview shows the current player's photo as soon as a team is in
// the editor, chosen in its list or back after a restart.
TEST_F(TeamLibraryTest, APhotoPreviewShowsTheCurrentPlayerFromTheStart) {
  fs::create_directories(app_ + "Teams/Club (Town)");
  TBitmap(9, 7).SaveToFile(app_ + "Teams/Club (Town)/keeper.bmp");
  WriteBytes(TeamFile("Club (Town)"),
             "[Name]\nLName=Club\nTown=Town\n[1]\nF=Keeper\nP=keeper.bmp\n[2]\nF=Other\n");
  Destroy();
  f = Create();
  grid = f->sgSek_Sostav;
  ASSERT_EQ(f->cbSek_Komands->Items()->Get(1), "Club (Town)");
  const struct {
    const char* name;
    std::function<void()> bring;
  } rows[] = {
      {"chosen in the list",
       [this] {
         f->Show();
         hands::ChooseSheet(f->Sheet_Sek);
         // The list dropped by a click, the team chosen by its keys.
         hands::Click(f->cbSek_Komands);
         SendWindowKey(VK_DOWN);
         SendWindowKey(VK_RETURN);
         Application->ProcessMessages();
       }},
      {"after a restart",
       [this] {
         Destroy();
         f = Create();
         grid = f->sgSek_Sostav;
       }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    row.bring();
    ASSERT_EQ(f->cbSek_Komands->Text(), "Club (Town)");
    EXPECT_EQ(f->sgSek_Sostav->Row(), 1);
    EXPECT_EQ(f->Sek_ImageNote->Caption(), "9x7");
    EXPECT_EQ(f->Sek_ImagePhoto->Picture()->Width(), 9);
  }
}

TEST_F(TeamLibraryTest, NewTeamEmptiesTheEditorAndEditsKeepAnEmptyLastRow) {
  Edit("Some", "Town", {Row("1", "", "X"), Row("2", "", "Y")});
  f->Sek_ImagePhoto->SetTag(2);
  f->bSek_New->Click();
  EXPECT_TRUE(f->eSek_KomName->Text().empty());
  EXPECT_TRUE(f->eSek_KomTown->Text().empty());
  EXPECT_EQ(grid->RowCount(), 2);
  EXPECT_TRUE(grid->IsRowEmpty(1));
  EXPECT_EQ(f->iSek_KomLogo->Hint(), "Press for select logo team");
  EXPECT_EQ(f->Sek_ImagePhoto->Tag(), 0);
  EXPECT_EQ(f->Sek_ImageNote->Caption(), "0x0");
  EXPECT_EQ(f->cbSek_Komands->ItemIndex(), 0);
  EXPECT_FALSE(f->bSek_Save->Enabled());

  grid->SetRow(1);
  grid->SetCol(tcF);
  grid->SetCells(tcF, 1, "Typed");
  f->NadoSave(grid);
  EXPECT_TRUE(f->bSek_Save->Enabled());
  EXPECT_EQ(grid->RowCount(), 3);
  EXPECT_EQ(grid->Row(), 1);
  EXPECT_EQ(grid->Col(), int(tcF));
  f->NadoSave(grid);   // the last row is empty already
  EXPECT_EQ(grid->RowCount(), 3);
  // The grid keeps cells beyond its row count (a row taken away): the row
  // appended for the next person is empty all the same.
  grid->SetCells(tcF, 3, "Removed");
  grid->SetCells(tcF, 2, "Next");
  f->NadoSave(grid);
  EXPECT_EQ(grid->RowCount(), 4);
  EXPECT_TRUE(grid->IsRowEmpty(3));
}

TEST_F(TeamLibraryTest, LogoIsChosenThroughThePictureDialog) {
  fs::create_directories(app_ + "Teams/Logo (Town)");
  const String logo = app_ + "Teams/Logo (Town)/crest.bmp";
  TBitmap(12, 10).SaveToFile(logo);
  CommonDialogHook = [&](TCommonDialog* d) {
    static_cast<TOpenDialog*>(d)->FileName = logo;
    return true;
  };
  Edit("Logo", "Town", {Row("1", "", "X")});
  f->iSek_KomLogoClick(f->iSek_KomLogo);
  CommonDialogHook = nullptr;
  EXPECT_EQ(f->iSek_KomLogo->Hint(), logo);   // a new team has no folder yet: held by its path
  EXPECT_EQ(f->DialogUses.Logo.FileName, "crest.bmp");   // only the name is kept for next time
  EXPECT_EQ(f->iSek_KomLogo->Picture()->Width(), 12);
  EXPECT_TRUE(f->bSek_Save->Enabled());
  answer_ = mrYes;
  Save();
  EXPECT_EQ(f->iSek_KomLogo->Hint(), "crest.bmp");   // in the team's folder now
  f->bSek_New->Click();
  Choose("Logo (Town)");
  EXPECT_EQ(f->TeamSlots[0].Logo, "crest.bmp");
  EXPECT_EQ(f->iSek_KomLogo->Picture()->Width(), 12);
  EXPECT_EQ(f->OpenPictureDialog1->InitialDir, app_ + "Teams/Logo (Town)/");
}

// A logo and a photo chosen outside the team's folder (a new team has none
// yet) are copied into it when the team is saved, never over another file,
// and are found again after a restart.
TEST_F(TeamLibraryTest, PicturesChosenElsewhereAreCopiedIntoTheTeamFolderWhenSaved) {
  const String elsewhere = root_ + "/pictures/";
  fs::create_directories(elsewhere);
  TBitmap(12, 10).SaveToFile(elsewhere + "crest.bmp");
  TBitmap(9, 7).SaveToFile(elsewhere + "photo.bmp");
  struct Row {
    const char* name;
    const char* there;     // what the team's folder holds as "crest.bmp" before: "", "same", "other"
    const char* stored;    // the logo's name in the team file
  };
  const Row rows[] = {{"no file of that name", "", "crest.bmp"},
                      {"the same picture under that name", "same", "crest.bmp"},
                      {"another picture under that name", "other", "crest (2).bmp"}};
  String chosen;
  CommonDialogHook = [&chosen](TCommonDialog* d) {
    static_cast<TOpenDialog*>(d)->FileName = chosen;
    return true;
  };
  answer_ = mrYes;   // "Team already is. Overwrite?"
  for (size_t i = 0; i < std::size(rows); ++i) {
    const Row& r = rows[i];
    SCOPED_TRACE(r.name);
    const String team = "Club" + IntToStr(int(i)) + " (Town)", folder = app_ + "Teams/" + team + "/";
    if (!String(r.there).empty()) fs::create_directories(folder);
    if (String(r.there) == "same") fs::copy_file(elsewhere + "crest.bmp", folder + "crest.bmp");
    if (String(r.there) == "other") TBitmap(5, 5).SaveToFile(folder + "crest.bmp");
    const String otherBefore = String(r.there) == "other" ? ReadBytes(folder + "crest.bmp") : String();
    hands::Click(f->bSek_New);
    f->eSek_KomName->SetText("Club" + IntToStr(int(i)));
    f->eSek_KomTown->SetText("Town");
    grid->SetCells(0, 1, "7");
    grid->SetCells(2, 1, "Meier");
    chosen = elsewhere + "crest.bmp";
    hands::Click(f->iSek_KomLogo);
    grid->SetRow(1);
    chosen = elsewhere + "photo.bmp";
    hands::Click(f->Sek_ImagePhoto);
    requests_.clear();
    hands::Click(f->bSek_Save);
    EXPECT_EQ(requests_.size(), String(r.there).empty() ? 0u : 1u);
    EXPECT_EQ(f->iSek_KomLogo->Hint(), r.stored);
    EXPECT_EQ(grid->Cells(8, 1), "photo.bmp");
    EXPECT_EQ(ReadBytes(folder + r.stored), ReadBytes(elsewhere + "crest.bmp"));
    if (!otherBefore.empty()) EXPECT_EQ(ReadBytes(folder + "crest.bmp"), otherBefore);
    // After a restart the team shows both.
    Destroy();
    f = Create();
    grid = f->sgSek_Sostav;
    Choose(team);
    EXPECT_EQ(f->TeamSlots[0].Logo, r.stored);
    EXPECT_EQ(f->iSek_KomLogo->Picture()->Width(), 12);
    grid->SetRow(2);
    grid->SetRow(1);
    EXPECT_EQ(f->Sek_ImageNote->Caption(), "9x7");
  }
  CommonDialogHook = nullptr;
}

// Photos an imported sheet names beside itself are copied in at the save,
// and a team saved under a new name takes its pictures into its new folder.
TEST_F(TeamLibraryTest, PhotosOfAnImportedSheetAndOfARenamedTeamGoIntoItsFolder) {
  const String sheet = root_ + "/sheet/lineup.xls";
  fs::create_directories(root_ + "/sheet");
  fs::copy_file(String(TABLO_TEST_DATA) + "/lineup.xls", sheet);
  TBitmap(9, 7).SaveToFile(root_ + "/sheet/ivanov.jpg");
  CommonDialogHook = [&sheet](TCommonDialog* d) {
    static_cast<TOpenDialog*>(d)->FileName = sheet;
    return true;
  };
  hands::Click(f->bSek_New);
  hands::Click(f->bSek_Load);
  CommonDialogHook = nullptr;
  ASSERT_EQ(grid->Cells(8, 1), root_ + "/sheet/ivanov.jpg");   // held by its path until the save
  grid->SetCells(0, 2, "15");   // the sheet's "1.5"
  f->eSek_KomName->SetText("Imported");
  f->eSek_KomTown->SetText("Old");
  hands::Click(f->bSek_Save);
  ASSERT_TRUE(requests_.empty()) << requests_[0].Msg;
  EXPECT_EQ(grid->Cells(8, 1), "ivanov.jpg");
  EXPECT_TRUE(FileExists(app_ + "Teams/Imported (Old)/ivanov.jpg"));
  // Saved again under another town: a new folder, with the photo.
  f->eSek_KomTown->SetText("New");
  hands::Click(f->bSek_Save);
  ASSERT_TRUE(requests_.empty());
  Destroy();
  f = Create();
  grid = f->sgSek_Sostav;
  Choose("Imported (New)");
  EXPECT_TRUE(FileExists(app_ + "Teams/Imported (New)/ivanov.jpg"));
  EXPECT_EQ(grid->Cells(8, 1), "ivanov.jpg");
  grid->SetRow(2);
  grid->SetRow(1);
  EXPECT_EQ(f->Sek_ImageNote->Caption(), "9x7");
}

// ---------------------------------------------------------------------------
// Names with dots, failed saves, the tick column's one rule

TEST_F(TeamLibraryTest, NamesWithDotsAreSavedListedAndLoaded) {
  Edit("St. Pauli", "Hamburg", {Row("7", "1", "Meier")});
  ASSERT_TRUE(Save().empty());
  ASSERT_TRUE(FileExists(TeamFile("St. Pauli (Hamburg)")));
  EXPECT_EQ(Items(f->cbSud_Comanda1).at(1), "St. Pauli (Hamburg)");
  Choose("St. Pauli (Hamburg)");
  EXPECT_EQ(f->eSek_KomName->Text(), "St. Pauli");
  EXPECT_EQ(grid->Cells(2, 1), "Meier");
}

TEST_F(TeamLibraryTest, FailedSaveRemovesTheFolderItMade) {
  const std::set<String> before = Tree(app_ + "Teams");
  Edit(String(250, 'N'), "T", {Row("1", "", "X")});   // the folder fits, its file name does not
  const auto msgs = Save();
  ASSERT_EQ(msgs.size(), 1u);
  EXPECT_EQ(msgs[0].Msg.rfind("Error file ", 0), 0u) << msgs[0].Msg;
  EXPECT_EQ(Tree(app_ + "Teams"), before);
}

TEST_F(TeamLibraryTest, TickCellsReadDrawAndSaveByOneRule) {
  const struct {
    const char* text;
    bool ticked;
  } cells[] = {{"014", false}, {"10", false}, {"0", false}, {"", false}, {"1", true},
               {"3", true},    {"+", true},   {"Yes", true}, {"v", true}};
  std::vector<TTeamRow> rows;
  for (size_t i = 0; i < std::size(cells); ++i) rows.push_back(Row(IntToStr(int(i) + 1), cells[i].text, "P"));
  const String file = app_ + "tick.txt";
  WriteTeamFile(file, TTeamHeader{"A", "", "B", ""}, rows);
  const TTeamFileData d = ReadTeamFile(file);
  ASSERT_EQ(d.PlayerCount, int(std::size(cells)));
  for (size_t i = 0; i < std::size(cells); ++i) {
    SCOPED_TRACE(cells[i].text);
    EXPECT_EQ(IsCheckedText(cells[i].text), cells[i].ticked);
    EXPECT_EQ((d.Players[i].Y & 1) != 0, cells[i].ticked);          // the record
    EXPECT_EQ(IsCheckedText(d.Rows[i][tcY]), cells[i].ticked);     // the reloaded cell
  }
}
