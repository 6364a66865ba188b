#pragma once
// The text-object properties: one of the console's small dialogs, created once by the program's main
// block after the main window and shown modally by its handlers.
#include "toolkit/Forms.h"

class TFormObjText : public TForm {
 public:
  explicit TFormObjText(TComponent* AOwner);
  String ClassName() const override { return "TFormObjText"; }
};

extern TFormObjText* FormObjText;
