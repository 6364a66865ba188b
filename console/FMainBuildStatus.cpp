// The main window's status bar and the image lists of its tool bars.
#include "console/FMain.h"
#include "console/FMainBuildUtil.h"

using namespace fmainbuild;

void TFormMain::BuildStatusAndImages() {
  StatusBar1 = Make<TStatusBar>(this, this, "StatusBar1", 0, 721, 1024, 19);
  StatusBar1->SetAlign(alBottom);
  StatusBar1->Panels()->Add()->SetWidth(250);
  StatusBar1->Panels()->Add()->SetWidth(600);

  ImageList16 = MakeComponent<TImageList>(this, "ImageList16");
  for (TStandardImage i : {siFileNew, siDelete, siFileOpen, siFolder, siFileSave, siPrint}) ImageList16->AddStandard(i);
  ImageList = MakeComponent<TImageList>(this, "ImageList");
  for (TStandardImage i : {siMediaPause, siMediaPlay, siMediaStop, siMediaNext, siMediaStep}) ImageList->AddStandard(i);
}

void TFormMain::ShowStatusError(const String& Text) {
  if (StatusBar1 && StatusBar1->Panels()->Count() > 1) StatusBar1->Panels()->Items(1)->SetText(Text);
}
