#pragma once
// The stadium name: one of the console's small dialogs, created once by the program's main
// block after the main window and shown modally by its handlers.
#include "toolkit/Forms.h"

class TFormStadion : public TForm {
 public:
  explicit TFormStadion(TComponent* AOwner);
  String ClassName() const override { return "TFormStadion"; }
};

extern TFormStadion* FormStadion;
