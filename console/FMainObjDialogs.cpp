// Call points of the small property dialogs that the layout editor opens
// for a text object and a picture object.
#include "console/FMain.h"
#include "console/FObjPic.h"
#include "console/FObjText.h"
#include "controls/Label3D.h"

bool TFormMain::EditTextObject(TLabel3D* Obj) {
  TFormObjText* d = FormObjText;
  if (!Obj || !d || !d->LabelDemo) return false;
  // The sample takes the object's style and caption; the dialog's controls
  // are loaded from the sample.
  TLabel3D* demo = d->LabelDemo;
  CopyLabel3DProps(Obj, demo);
  demo->SetCaption(Obj->Caption());
  d->LoadControls();
  demo->SetBounds((d->ClientWidth() - demo->Width()) / 2, d->GroupBox1->Height() + 8, demo->Width(), demo->Height());
  if (d->ShowModal() != mrOk) return false;
  CopyLabel3DProps(demo, Obj);
  // Only the statistics captions take their text from here; the other
  // labels show match data.
  const String n = Obj->Name();
  if (n == "LabelStat" || n.rfind("eTabloStat_Label", 0) == 0) Obj->SetCaption(demo->Caption());
  return true;
}

bool TFormMain::EditPictureObject(TImage* Obj) {
  TFormObjPic* d = FormObjPic;
  if (!Obj || !d) return false;
  // The dialog's image takes the object's picture and file name, and gives
  // them back on OK.
  d->Image1->SetPicture(Obj->Picture());
  d->Image1->SetHint(Obj->Hint());
  if (d->ShowModal() != mrOk) return false;
  Obj->SetPicture(d->Image1->Picture());
  Obj->SetHint(d->Image1->Hint());
  return true;
}
