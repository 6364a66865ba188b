// Statistics page: 14 counters, each driving one label of the page.
#include "console/FMain.h"
#include "controls/Label3D.h"

void TFormMain::FillStatInputs() {
  for (size_t n = 1; n < StatInputs.size(); ++n) StatInputs[n]->SetTag(reinterpret_cast<intptr_t>(StatLabels[n]));
}

void TFormMain::seTabloStat_Change(TObject* /*Sender*/) {
  // The label held in the sender's Tag shows the sender's value
  // (statistics page).
}
