// The program's main block: the application object, the main window and the
// five dialogs in their order, then the message loop until the main window
// closes.
#include "console/FInetAdress.h"
#include "console/FMain.h"
#include "console/FObjPic.h"
#include "console/FObjText.h"
#include "console/FPP.h"
#include "console/FStadion.h"
#include "toolkit/Forms.h"
#include "toolkit/Signals.h"
#include <cstdlib>

static int ProgramMainBlock() {
  SelectDisplayPlatform();
  Application->Initialize();
  // A service stop or the end of the session closes the console as the
  // operator's "Quit?" answered Yes does: the settings and lists are saved.
  InstallTerminationHandler([](int) {
    if (FormMain) FormMain->CloseWithoutQuestion();
    else Application->Terminate();
  });
  // A display that goes away ends the program as a termination request
  // would, with the same saves, but no window is touched any more.
  InstallDisplayLossHandler([] {
    if (FormMain) FormMain->SaveOnDisplayLoss();
  });
  // The main window's creation handler runs inside this call, before any of
  // the dialogs exists.
  Application->CreateForm<TFormMain>(&FormMain);
  Application->CreateForm<TFormPP>(&FormPP);
  Application->CreateForm<TFormObjText>(&FormObjText);
  Application->CreateForm<TFormObjPic>(&FormObjPic);
  Application->CreateForm<TFormStadion>(&FormStadion);
  Application->CreateForm<TFInetAddr>(&FInetAddr);
  // Start-up measurement: with TABLO_QUIT_WHEN_SHOWN set the program ends as
  // soon as its message loop runs, i.e. once the main window is shown.
  if (std::getenv("TABLO_QUIT_WHEN_SHOWN")) TThread::Queue([] { Application->Terminate(); });
  Application->Run();
  return 0;
}

int main() { return ProgramMainBlock(); }
