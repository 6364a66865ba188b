// Statistics page: 14 counters, each driving one label of the page.
#include "console/FMain.h"
#include "controls/Label3D.h"

void TFormMain::FillStatInputs() {
  for (size_t n = 1; n < StatInputs.size(); ++n) StatInputs[n]->SetTag(reinterpret_cast<intptr_t>(StatLabels[n]));
}

void TFormMain::seTabloStat_Change(TObject* Sender) {
  // The label held in the sender's Tag shows the sender's value.
  auto* se = dynamic_cast<TSpinEdit*>(Sender);
  if (!se) return;
  if (auto* label = reinterpret_cast<TLabel3D*>(se->Tag())) label->SetCaption(IntToStr(int64_t(se->Value())));
}

void TFormMain::bTabloStat_NewClick(TObject* /*Sender*/) {
  // While the match runs the operator confirms; with the clock stopped the
  // counters go back to zero at once.
  if (TimerIgra->Enabled() && ShowMessageDlg("Reset statistic?", mtConfirmation, mbYesNo) != mrYes) return;
  for (size_t n = 1; n < StatInputs.size(); ++n) StatInputs[n]->SetValue(0);
}
