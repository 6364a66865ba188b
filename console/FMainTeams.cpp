// Team library and team file: the three team combos, the team records of
// the editor and the two sides, reading and writing team files.
#include "console/FMain.h"

void TFormMain::FillTeamLists() {
  // Rebuilds cbSek_Komands, cbSud_Comanda1 and cbSud_Comanda2 from the
  // folders under AppFolder + "Teams/" (team library).
}

void TFormMain::LoadTeamFile(int /*Slot*/, const String& /*TeamName*/) {
  // Reads a team file into TeamSlots[Slot]; slot 0 also fills the editor
  // (team library).
}

void TFormMain::cbSek_KomandsChange(TObject* /*Sender*/) {
  // Loads the chosen team into the editor (team library).
}
