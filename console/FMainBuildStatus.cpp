// The main window's status bar and the image lists of its tool bars.
#include "console/FMain.h"
#include "console/FMainBuildUtil.h"

using namespace fmainbuild;

void TFormMain::BuildStatusAndImages() {
  StatusBar1 = Make<TStatusBar>(this, this, "StatusBar1", 0, 721, 1024, 19);
  StatusBar1->SetAlign(alBottom);
  StatusBar1->Panels()->Add()->SetWidth(250);
  StatusBar1->Panels()->Add()->SetWidth(600);
  statusQueue_ = std::make_unique<TStatusQueue>([this](const String& Text) {
    if (StatusBar1 && StatusBar1->Panels()->Count() > 1) StatusBar1->Panels()->Items(1)->SetText(Text);
  });

  ImageList16 = MakeComponent<TImageList>(this, "ImageList16");
  for (TStandardImage i : {siFileNew, siDelete, siFileOpen, siFolder, siFileSave, siPrint}) ImageList16->AddStandard(i);
  ImageList = MakeComponent<TImageList>(this, "ImageList");
  for (TStandardImage i : {siMediaPause, siMediaPlay, siMediaStop, siMediaNext, siMediaStep}) ImageList->AddStandard(i);
}

// ---------------------------------------------------------------------------
// Messages of the status bar
// ---------------------------------------------------------------------------

void TFormMain::ShowStatusError(const String& Text) {
  if (!StatusBar1 || StatusBar1->Panels()->Count() < 2) return;
  statusQueue_->Post(Text);
}

void TFormMain::ClearStatusError(const String& Text) {
  if (statusQueue_) statusQueue_->Clear(Text);
}

int TFormMain::StatusMinShowMs() const { return statusQueue_->MinShowMs(); }
void TFormMain::SetStatusMinShowMs(int Ms) { statusQueue_->SetMinShowMs(Ms); }
