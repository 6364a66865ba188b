#include "console/FObjText.h"

TFormObjText* FormObjText = nullptr;

TFormObjText::TFormObjText(TComponent* AOwner) : TForm(AOwner) {
  if (!FormObjText) FormObjText = this;
  SetName("FormObjText");
  SetCaption("Text properties");
  SetBorderStyle(bsDialog);
  SetPosition(poDesigned);
  SetClientWidth(432);
  SetClientHeight(230);
  Font()->SetName("MS Sans Serif");
  Font()->SetSize(8);
}
