// Layout file and layout editor: the objects of the ten display pages.
#include "console/FMain.h"

void TFormMain::AutoPlaceTabloObjects() {
  // Places the page objects proportionally to the output size (automatic
  // placing of page objects).
}

void TFormMain::LoadTabloLayout(const String& /*FileName*/) {
  // Restyles the objects of LayoutPages from a layout file (layout file).
}
