#pragma once
// The print preview of the line-up: one of the console's small dialogs, created once by the program's main
// block after the main window and shown modally by its handlers.
#include "toolkit/Forms.h"

class TFormPP : public TForm {
 public:
  explicit TFormPP(TComponent* AOwner);
  ~TFormPP() override;
  String ClassName() const override { return "TFormPP"; }
};

extern TFormPP* FormPP;
