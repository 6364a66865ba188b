#include "console/FObjPic.h"

TFormObjPic* FormObjPic = nullptr;

TFormObjPic::~TFormObjPic() {
  if (FormObjPic == this) FormObjPic = nullptr;
}

TFormObjPic::TFormObjPic(TComponent* AOwner) : TForm(AOwner) {
  if (!FormObjPic) FormObjPic = this;
  SetName("FormObjPic");
  SetCaption("Свойства Картинки");
  SetBorderStyle(bsDialog);
  SetPosition(poDesigned);
  SetClientWidth(325);
  SetClientHeight(273);
  Font()->SetName("MS Sans Serif");
  Font()->SetSize(8);
}
