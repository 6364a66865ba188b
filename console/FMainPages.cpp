// Display pages: which page is selected, which is on the screen, the command
// tab that sends the selected page, the tab drawing and the file drop of the
// advertising page.
#include "console/FMain.h"

void TFormMain::PageControl1Change(TObject* /*Sender*/) {
  // Selects a page, or with tab 0 sends SelectedPage to the screen
  // (display pages).
}

void TFormMain::SelectTabloPage() {
  // The active tab becomes SelectedPage; its transition word goes into the
  // editors (display pages).
}

void TFormMain::PageControl1DrawTab(TCustomControl* Control, int TabIndex, const TRect& Rect, bool Active) {
  TCanvas* c = Control->Canvas();
  if (!c) return;
  TTabSheet* sheet = PageControl1->TabPage(TabIndex);
  if (!sheet) return;
  TColor color = clBlack;
  if (Active)
    color = clRed;
  else if (sheet->PageIndex() == ScreenPage)
    color = clGreen;
  c->Font()->SetColor(color);
  c->TextRect(Rect, Rect.Left + 4 + (Active ? 2 : 0), Rect.Top + (Active ? 4 : 0), sheet->Caption());
}

void TFormMain::SetFileDropEnabled(bool Enabled) {
  // Files dropped on the window go to the media play list while this is
  // set; the drop catcher reads it.
  fileDropEnabled_ = Enabled;
}
