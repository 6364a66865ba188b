// Call points of the small property dialogs that the layout editor opens
// for a text object and a picture object.
#include "console/FMain.h"

bool TFormMain::EditTextObject(TLabel3D* /*Obj*/) {
  // The text-object dialog is not built yet: nothing is changed.
  return false;
}

bool TFormMain::EditPictureObject(TImage* /*Obj*/) {
  // The picture-object dialog is not built yet: nothing is changed.
  return false;
}
