#pragma once
// The link properties: one of the console's small dialogs, created once by the
// program's main block after the main window; the link list fills and shows
// it and reads both edits back after OK.
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"

class TFInetAddr : public TForm {
 public:
  explicit TFInetAddr(TComponent* AOwner);
  ~TFInetAddr() override;
  String ClassName() const override { return "TFInetAddr"; }
  TEdit* Edit1 = nullptr;     // the link's title
  TEdit* Edit2 = nullptr;     // its address
  TButton* Button1 = nullptr;
};

extern TFInetAddr* FInetAddr;
