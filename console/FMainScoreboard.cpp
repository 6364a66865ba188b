// Scoreboard refresh and match header: choice of the sides, the
// confirmation that applies the match to the display pages, title, round,
// show switches and the character set.
#include "console/FMain.h"

void TFormMain::cbSud_Comanda1Change(TObject* /*Sender*/) {
  // Side choice: logos, FTeamsChosen, enabling of bFullOK and Sud_Play
  // (scoreboard).
}

void TFormMain::cbFixCmd1Click(TObject* /*Sender*/) {
  // Keeps side 1 fixed across restarts (scoreboard).
}

void TFormMain::bFullOKClick(TObject* /*Sender*/) {
  // Applies the sides, score and period to the display pages; sets
  // MatchScore and MatchPeriod (scoreboard).
}

void TFormMain::eSek_TitleExit(TObject* /*Sender*/) {
  // labTablo_Title from eSek_Title (match header).
}

void TFormMain::seSek_TurChange(TObject* /*Sender*/) {
  // labTablo_Tur from seSek_Tur and eTour (match header).
}

void TFormMain::seTablo_ShowClick(TObject* /*Sender*/) {
  // Shows or hides towns, title or round and restacks the Main page
  // (match header).
}

void TFormMain::cbInternationalChange(TObject* /*Sender*/) {
  // Applies the chosen CharsetTable code to the console's and the pages'
  // fonts (character set).
}
