#pragma once
// The print preview of the line-up: one of the console's small dialogs,
// created once by the program's main block after the main window and shown
// (not modally) by the line-up page's print command.
#include "toolkit/ComCtrls.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"

// The preview window's picture area in pixels, as its last showing set it.
extern int PreviewWidth;
extern int PreviewHeight;

class TFormPP : public TForm {
 public:
  explicit TFormPP(TComponent* AOwner);
  ~TFormPP() override;
  String ClassName() const override { return "TFormPP"; }

  TToolBar* ToolBar1 = nullptr;
  TButton* Button1 = nullptr;    // "Print"
  TImage* Image1 = nullptr;      // the whole page, drawn at the size it is shown

  void FormShow(TObject* Sender);
  void FormResize(TObject* Sender);
  // Draws the preview page at Image1's size.
  void DrawPreview();
  void Button1Click(TObject* Sender);
};

extern TFormPP* FormPP;
