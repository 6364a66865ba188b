#include "console/FObjPic.h"

#include "console/FMain.h"
#include "console/FObjText.h"
#include "toolkit/FileMasks.h"
#include "toolkit/ImgList.h"

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
  SetColor(clGray);
  Font()->SetName("MS Sans Serif");
  Font()->SetSize(8);

  Panel1 = new TPanel(this);
  Panel1->SetName("Panel1");
  Panel1->SetBounds(0, 0, 325, 32);
  Panel1->SetParent(this);
  Panel1->SetAlign(alTop);
  Panel1->SetCaption("");
  struct Tool { TSpeedButton** b; const char* name; const char* hint; int left; };
  for (Tool t : {Tool{&bNew, "bNew", "Очистить", 4}, Tool{&bOpen, "bOpen", "Открыть файл", 30}}) {
    auto* b = new TSpeedButton(this);
    b->SetName(t.name);
    b->SetBounds(t.left, 4, 24, 24);
    b->SetParent(Panel1);
    b->SetHint(t.hint);
    b->SetShowHint(true);
    *t.b = b;
  }
  bNew->OnClick = [this](TObject* s) { tbNewClick(s); };
  bOpen->OnClick = [this](TObject* s) { tbOpenClick(s); };
  Button1 = new TButton(this);
  Button1->SetName("Button1");
  Button1->SetBounds(244, 4, 75, 24);
  Button1->SetParent(Panel1);
  Button1->SetCaption("OK");
  Button1->SetModalResult(mrOk);
  Button1->SetDefault(true);

  Image1 = new TImage(this);
  Image1->SetName("Image1");
  Image1->SetBounds(0, 32, 325, 241);
  Image1->SetParent(this);
  Image1->SetAlign(alClient);
  Image1->SetCenter(true);
  Image1->SetProportional(true);
  Image1->SetStretch(true);

  OpenPictureDialog1 = new TOpenDialog(this);
  OpenPictureDialog1->SetName("OpenPictureDialog1");
  OpenPictureDialog1->Filter = "All (" + GraphicFileMask() + ")|" + GraphicFileMask();

  OnShow = [this](TObject* s) { FormShow(s); };
  FormCreate(this);
}

void TFormObjPic::FormCreate(TObject* /*Sender*/) {
  if (!FormMain || !FormMain->ImageList16) return;
  // The main window's "new" and "open" pictures.
  TBitmap glyph;
  FormMain->ImageList16->GetBitmap(0, &glyph, clBtnFace);
  bNew->SetGlyph(&glyph);
  FormMain->ImageList16->GetBitmap(2, &glyph, clBtnFace);
  bOpen->SetGlyph(&glyph);
}

void TFormObjPic::FormShow(TObject* /*Sender*/) { PlaceBelowOutput(this); }

void TFormObjPic::tbOpenClick(TObject* /*Sender*/) {
  if (!OpenPictureDialog1->Execute()) return;
  const String name = OpenPictureDialog1->FileName;
  try {
    Image1->Picture()->LoadFromFile(name);
  } catch (const std::exception&) {
    // The picture shown and its name stay as they were.
    const String msg = "Error file " + name;
    if (FormMain)
      FormMain->ShowMessageDlg(msg, mtError, {mbOK});
    else
      MessageDlg(msg, mtError, {mbOK}, 0);
    return;
  }
  Image1->SetHint(name);
}

void TFormObjPic::tbNewClick(TObject* /*Sender*/) {
  Image1->Picture()->Clear();
  Image1->SetHint("");
}
