#include "console/FInetAdress.h"

TFInetAddr* FInetAddr = nullptr;

TFInetAddr::~TFInetAddr() {
  if (FInetAddr == this) FInetAddr = nullptr;
}

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
  int top = 8;
  for (auto [caption, name, edit] : {std::tuple{"Name:", "Edit1", &Edit1}, std::tuple{"Adress:", "Edit2", &Edit2}}) {
    auto* label = new TLabel(this);
    label->SetBounds(8, top + 4, 44, 13);
    label->SetParent(this);
    label->SetCaption(caption);
    *edit = new TEdit(this);
    (*edit)->SetName(name);
    (*edit)->SetBounds(56, top, 272, 21);
    (*edit)->SetParent(this);
    (*edit)->SetText("");
    top += 28;
  }
  Button1 = new TButton(this);
  Button1->SetName("Button1");
  Button1->SetBounds(253, 62, 75, 25);
  Button1->SetParent(this);
  Button1->SetCaption("OK");
  Button1->SetDefault(true);
  Button1->SetModalResult(mrOk);
}
