#include "console/FStadion.h"

TFormStadion* FormStadion = nullptr;

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
}
