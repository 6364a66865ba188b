// Automatic placing of the page objects proportionally to the output size.
#include "console/FMain.h"

void TFormMain::AutoPlaceTabloObjects() {}
