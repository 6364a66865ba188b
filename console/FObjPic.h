#pragma once
// The picture-object properties: one of the console's small dialogs, created once by the program's main
// block after the main window and shown modally by its handlers.
#include "toolkit/Forms.h"

class TFormObjPic : public TForm {
 public:
  explicit TFormObjPic(TComponent* AOwner);
  ~TFormObjPic() override;
  String ClassName() const override { return "TFormObjPic"; }
};

extern TFormObjPic* FormObjPic;
