// The main window's status bar and the image lists of its tool bars.
#include <algorithm>

#include "console/FMain.h"
#include "console/FMainBuildUtil.h"
#include "toolkit/Timer.h"

using namespace fmainbuild;

void TFormMain::BuildStatusAndImages() {
  StatusBar1 = Make<TStatusBar>(this, this, "StatusBar1", 0, 721, 1024, 19);
  StatusBar1->SetAlign(alBottom);
  StatusBar1->Panels()->Add()->SetWidth(250);
  StatusBar1->Panels()->Add()->SetWidth(600);
  StatusTimer = MakeComponent<TTimer>(this, "StatusTimer");
  StatusTimer->SetEnabled(false);
  StatusTimer->SetInterval(250);
  StatusTimer->OnTimer = [this](TObject* s) { StatusTimerTimer(s); };

  ImageList16 = MakeComponent<TImageList>(this, "ImageList16");
  for (TStandardImage i : {siFileNew, siDelete, siFileOpen, siFolder, siFileSave, siPrint}) ImageList16->AddStandard(i);
  ImageList = MakeComponent<TImageList>(this, "ImageList");
  for (TStandardImage i : {siMediaPause, siMediaPlay, siMediaStop, siMediaNext, siMediaStep}) ImageList->AddStandard(i);
}

// ---------------------------------------------------------------------------
// Messages of the status bar
// ---------------------------------------------------------------------------

namespace {
// More messages than this waiting: the oldest waiting ones give way.
constexpr size_t StatusMaxWaiting = 16;
}  // namespace

void TFormMain::ShowStatusError(const String& Text) {
  if (!StatusBar1 || StatusBar1->Panels()->Count() < 2) return;
  // Said already: shown with nothing after it, or waiting its turn.
  if ((statusShowing_ && statusShown_ == Text && statusWaiting_.empty()) ||
      std::find(statusWaiting_.begin(), statusWaiting_.end(), Text) != statusWaiting_.end())
    return;
  if (!statusShowing_ || TickNow() - statusShownAt_ >= StatusMinShowMs) {
    showStatusNote(Text);
    return;
  }
  if (statusWaiting_.size() >= StatusMaxWaiting) statusWaiting_.erase(statusWaiting_.begin());
  statusWaiting_.push_back(Text);
  if (StatusTimer) StatusTimer->SetEnabled(true);
}

void TFormMain::ClearStatusError(const String& Text) {
  std::erase(statusWaiting_, Text);
  if (!statusShowing_ || statusShown_ != Text) return;
  statusShowing_ = false;
  if (StatusBar1 && StatusBar1->Panels()->Count() > 1) StatusBar1->Panels()->Items(1)->SetText("");
  nextStatusNote();
}

void TFormMain::showStatusNote(const String& Text) {
  statusShown_ = Text;
  statusShowing_ = true;
  statusShownAt_ = TickNow();
  StatusBar1->Panels()->Items(1)->SetText(Text);
  if (StatusTimer) StatusTimer->SetEnabled(!statusWaiting_.empty());
}

void TFormMain::nextStatusNote() {
  if (statusWaiting_.empty()) {
    if (StatusTimer) StatusTimer->SetEnabled(false);
    return;
  }
  const String next = statusWaiting_.front();
  statusWaiting_.erase(statusWaiting_.begin());
  showStatusNote(next);
}

void TFormMain::StatusTimerTimer(TObject* /*Sender*/) {
  if (statusShowing_ && TickNow() - statusShownAt_ < StatusMinShowMs) return;
  nextStatusNote();
}
