#include "console/FInetAdress.h"

TFInetAddr* FInetAddr = nullptr;

TFInetAddr::TFInetAddr(TComponent* AOwner) : TForm(AOwner) {
  if (!FInetAddr) FInetAddr = this;
  SetName("FInetAddr");
  SetCaption("Link properties");
  SetBorderStyle(bsDialog);
  SetPosition(poDesigned);
  SetClientWidth(336);
  SetClientHeight(91);
  Font()->SetName("MS Sans Serif");
  Font()->SetSize(8);
}
