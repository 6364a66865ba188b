#pragma once
// The picture-object properties: one of the console's small dialogs, created
// once by the program's main block after the main window and shown modally
// by the layout editor, which reads Image1's picture and its file name
// (Image1's Hint) back.
#include "toolkit/Buttons.h"
#include "toolkit/Dialogs.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"

class TFormObjPic : public TForm {
 public:
  explicit TFormObjPic(TComponent* AOwner);
  ~TFormObjPic() override;
  String ClassName() const override { return "TFormObjPic"; }

  TPanel* Panel1 = nullptr;
  TSpeedButton* bNew = nullptr;
  TSpeedButton* bOpen = nullptr;
  TButton* Button1 = nullptr;    // "OK"
  TImage* Image1 = nullptr;
  TOpenDialog* OpenPictureDialog1 = nullptr;

  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void tbOpenClick(TObject* Sender);
  void tbNewClick(TObject* Sender);
};

extern TFormObjPic* FormObjPic;
