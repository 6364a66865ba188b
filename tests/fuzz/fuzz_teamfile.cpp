// The team file: any file reads without a crash; the tick column's record
// and cell agree; what is read can be written and read again.
#include "console/TeamFile.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const String file = fuzz::AsFile("team.txt", data, size);
  const TTeamFileData d = ReadTeamFile(file);
  FUZZ_CHECK(d.PlayerCount == int(d.Rows.size()));
  for (int i = 0; i < d.PlayerCount; ++i) {
    const TPlayerRec& p = d.Players[size_t(i)];
    FUZZ_CHECK(p.Nr >= 1 && p.Nr <= 101 && !p.F.empty());
    int v = 0;
    if (TryCheckCellValue(d.Rows[size_t(i)][tcY], v)) FUZZ_CHECK(((p.Y & 1) != 0) == IsCheckedText(d.Rows[size_t(i)][tcY]));
  }
  try {
    WriteTeamFile(fuzz::Folder() + "copy.txt", d.Header, d.Rows);
    const TTeamFileData back = ReadTeamFile(fuzz::Folder() + "copy.txt");
    FUZZ_CHECK(back.PlayerCount <= d.PlayerCount);
  } catch (const ETeamFileError&) {
    // a "+" cell that is no check value is refused before anything is written
  }
  return 0;
}
