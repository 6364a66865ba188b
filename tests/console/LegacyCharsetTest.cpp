// The character set chosen on the configuration sheet picks the Windows code
// page that legacy 8-bit team files (not UTF-8) are read with; the loaded
// team files are read again when it changes, and at the next start.
#include <filesystem>
#include "ConsoleFixture.h"
#include "console/TeamFile.h"
#include "grids/SortGrid.h"

class LegacyCharsetTest : public ConsoleFixture {
 protected:
  void WriteLegacyTeam(const String& folder, const std::string& bytes) {
    std::filesystem::create_directories(app_ + "Teams/" + folder);
    FILE* f = std::fopen((app_ + "Teams/" + folder + "/" + folder + ".txt").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  void Choose(TComboBox* combo, const String& text) {
    combo->SetItemIndex(combo->Items()->IndexOf(text));
    if (combo->OnChange) combo->OnChange(combo);
  }
  String Surname(int slot, int nr) {
    for (const TPlayerRec& r : form_->TeamSlots[size_t(slot)].Players)
      if (r.Nr == nr) return r.F;
    return "?";
  }
};

TEST_F(LegacyCharsetTest, TeamFilesAreReadWithTheChosenSetsCodePage) {
  // "Παπαδόπουλος" in Windows-1253, "Šarūnas" in Windows-1257.
  WriteLegacyTeam("Hellas (Athina)",
                  "[Name]\r\nLName=Hellas\r\nTown=Athina\r\n[1]\r\nF=\xD0\xE1\xF0\xE1\xE4\xFC\xF0\xEF\xF5\xEB\xEF\xF2\r\n"
                  "I=\xC3\xE9\xFE\xF1\xE3\xEF\xF2\r\n");
  WriteLegacyTeam("Baltija (Kaunas)", "[Name]\r\nLName=Baltija\r\nTown=Kaunas\r\n[7]\r\nF=\xD0\x61\x72\xFB\x6E\x61\x73\r\n"
                                      "I=\xDE\x61\x6C\x67\x69\x72\x69\x73\r\n");
  TFormMain* f = Create();
  Choose(f->cbSud_Comanda1, "Hellas (Athina)");
  Choose(f->cbSud_Comanda2, "Baltija (Kaunas)");
  f->bFullOK->Click();
  Choose(f->cbSek_Komands, "Hellas (Athina)");
  f->TeamSlots[1].Players[0].K = "1";   // a card given in the match
  struct Row {
    const char* charset;
    String greek, baltic;
  };
  // Each file as its code page and as the others' (Python's codecs give the
  // same letters).
  const Row rows[] = {
      {"DEFAULT", "\u0420\u0431\u0440\u0431\u0434\u044c\u0440\u043f\u0445\u043b\u043f\u0442", "\u0420ar\u044bnas"},
      {"GREEK", "\u03a0\u03b1\u03c0\u03b1\u03b4\u03cc\u03c0\u03bf\u03c5\u03bb\u03bf\u03c2", "\u03a0ar\u03cbnas"},
      {"BALTIC", "\u0160\u012f\u0161\u012f\u00e4\u00fc\u0161\u013c\u00f5\u0117\u013c\u0146", "\u0160ar\u016bnas"},
  };
  for (const Row& r : rows) {
    Choose(f->cbInternational, r.charset);
    EXPECT_EQ(Surname(1, 1), r.greek) << r.charset;
    EXPECT_EQ(Surname(2, 7), r.baltic) << r.charset;
    EXPECT_EQ(f->sgSek_Sostav->Cells(2, 1), r.greek) << r.charset << " (editor)";
    EXPECT_EQ(f->TeamSlots[1].Players[0].K, "1") << r.charset;
  }
  // The choice is kept: the next start reads the files with it at once.
  Choose(f->cbInternational, "GREEK");
  Destroy();
  Create();
  EXPECT_EQ(form_->cbInternational->Text(), "GREEK");
  EXPECT_EQ(Surname(1, 1), rows[1].greek);
  EXPECT_EQ(form_->sgSek_Sostav->Cells(2, 1), rows[1].greek);
}
