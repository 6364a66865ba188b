#pragma once
// The stadium name: one of the console's small dialogs, created once by the
// program's main block after the main window and shown modally by a click on
// the stadium name of the output area; the caller reads both edits after OK.
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"

class TFormStadion : public TForm {
 public:
  explicit TFormStadion(TComponent* AOwner);
  ~TFormStadion() override;
  String ClassName() const override { return "TFormStadion"; }
  TEdit* eStadion = nullptr;
  TEdit* eStadionName = nullptr;
  TButton* bOK = nullptr;
  void FormShow(TObject* Sender);
};

extern TFormStadion* FormStadion;
