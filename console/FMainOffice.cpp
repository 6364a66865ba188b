// Office page: RTF documents and PowerPoint slide shows.
#include "console/FMain.h"

void TFormMain::ClosePresentation() {
  // Shutdown: a connected presentation controller ends its slide show and
  // disconnects (office page).
}
