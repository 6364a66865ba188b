#include "console/FStadion.h"

#include <algorithm>

#include "console/FMain.h"
#include "controls/Label3D.h"

TFormStadion* FormStadion = nullptr;

TFormStadion::~TFormStadion() {
  if (FormStadion == this) FormStadion = nullptr;
}

TFormStadion::TFormStadion(TComponent* AOwner) : TForm(AOwner) {
  if (!FormStadion) FormStadion = this;
  SetName("FormStadion");
  SetCaption("Stadium");
  SetBorderStyle(bsDialog);
  SetPosition(poDesigned);
  SetClientWidth(115);
  SetClientHeight(92);
  Font()->SetName("MS Sans Serif");
  Font()->SetSize(8);
  eStadion = new TEdit(this);
  eStadion->SetName("eStadion");
  eStadion->SetBounds(8, 8, 99, 21);
  eStadion->SetParent(this);
  eStadion->SetText("S T A D I U M");
  eStadionName = new TEdit(this);
  eStadionName->SetName("eStadionName");
  eStadionName->SetBounds(8, 34, 99, 21);
  eStadionName->SetParent(this);
  eStadionName->SetText("ZEL");
  bOK = new TButton(this);
  bOK->SetName("bOK");
  bOK->SetBounds(20, 62, 75, 25);
  bOK->SetParent(this);
  bOK->SetCaption("OK");
  bOK->SetModalResult(mrOk);
  bOK->SetDefault(true);
  OnShow = [this](TObject* s) { FormShow(s); };
}

void TFormStadion::FormShow(TObject* /*Sender*/) {
  int left = Left();
  if (FormMain && FormMain->PanelTabloRamka) left = (FormMain->PanelTabloRamka->Left() - Width()) / 2;
  // The output frame starts at the screen's left edge, which would put half
  // the dialog off the screen: it stays inside the work area.
  const TRect work = Screen->WorkAreaRect();
  left = std::clamp(left, work.Left, std::max(work.Left, work.Right - Width()));
  SetBounds(left, std::max(48, work.Top), Width(), Height());
  if (!FormMain) return;
  if (FormMain->LabelStadionName) {
    const TFontCharset code = FormMain->LabelStadionName->Font()->Charset();
    eStadion->Font()->SetCharset(code);
    eStadionName->Font()->SetCharset(code);
    eStadionName->SetText(FormMain->LabelStadionName->Caption());
  }
  if (FormMain->LabelStadion) eStadion->SetText(FormMain->LabelStadion->Caption());
}
