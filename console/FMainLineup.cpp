// Line-up grid editing and import.
#include "console/FMain.h"

void TFormMain::SetupLineupGridHeader() {
  // Titles "Nr.", "+", "Surname", "Name", "Birthday", "Growth/weight", "Card",
  // "Position", "Photo" and the column widths of sgSek_Sostav (line-up grid).
}
