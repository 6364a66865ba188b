#pragma once
// The link properties: one of the console's small dialogs, created once by the program's main
// block after the main window and shown modally by its handlers.
#include "toolkit/Forms.h"

class TFInetAddr : public TForm {
 public:
  explicit TFInetAddr(TComponent* AOwner);
  String ClassName() const override { return "TFInetAddr"; }
};

extern TFInetAddr* FInetAddr;
