#include "console/FPP.h"

TFormPP* FormPP = nullptr;

TFormPP::~TFormPP() {
  if (FormPP == this) FormPP = nullptr;
}

TFormPP::TFormPP(TComponent* AOwner) : TForm(AOwner) {
  if (!FormPP) FormPP = this;
  SetName("FormPP");
  SetCaption("Print Preview");
  SetBorderStyle(bsSizeable);
  SetPosition(poDesigned);
  SetWidth(549);
  SetHeight(703);
  Font()->SetName("MS Sans Serif");
  Font()->SetSize(8);
}
