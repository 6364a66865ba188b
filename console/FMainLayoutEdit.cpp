// Layout editor: selecting a page object with the mouse, the move/resize
// handle around it, and the object menu (properties, style copy and paste,
// edges, centring, stretching, stacking, page background). Also the layout
// tool bar and the page objects that only the layout file and the editor use.
#include "console/FMain.h"
#include "console/FMainBuildUtil.h"
#include "controls/DialClock.h"
#include "controls/Handles.h"
#include "controls/Label3D.h"
#include "controls/RunLabel.h"

using namespace fmainbuild;

namespace {

TImage* StretchedImage(TComponent* owner, TWinControl* parent, const char* name, int l, int t, int w, int h) {
  TImage* I = Make<TImage>(owner, parent, name, l, t, w, h);
  I->SetStretch(true);
  return I;
}

}  // namespace

void TFormMain::BuildLayoutEditor() {
  // ---- Page objects of the layout -----------------------------------------
  // Replacements: the marks beside the photos of the player going off and
  // of the player coming on (24 x 24, their pictures come from the layout).
  ImageOut = StretchedImage(this, PanelTablo3, "ImageOut", 96, 4, 24, 24);
  ImageIn = StretchedImage(this, PanelTablo3, "ImageIn", 96, 228, 24, 24);
  // Statistic: page background, a picture between the scores and a caption
  // over it.
  TabloStat_ImageFon = StretchedImage(this, PanelStat, "TabloStat_ImageFon", 0, 0, 384, 256);
  ImageTabloStat = StretchedImage(this, PanelStat, "ImageTabloStat", 96, 22, 192, 80);
  ImageTabloStat->SendToBack();
  TabloStat_ImageFon->SendToBack();
  LabelStat = PageLabel(this, PanelStat, "LabelStat", "STATISTICS", 96, 52, 192, 20, clYellow);
  // Scores stand in the middle of their places: at the large sizes the
  // placing gives them, a digit cell is taller than the label and would
  // lose its foot at the output's bottom edge when hung from the top.
  for (TLabel3D* L : {seTablo_Schet1, seTablo_Schet2, eTabloGol_Schet1, eTabloGol_Schet2, eTabloStat_Schet1,
                      eTabloStat_Schet2})
    L->SetLayout(tlCenter);
  // Texts of the Main page lie above its pictures.
  iTablo_Logo1->SendToBack();
  iTablo_Logo2->SendToBack();
  ImageFon0->SendToBack();

  // ---- Layout tool bar of the "Screens" sheet -------------------------------
  ToolBarTablo = Make<TToolBar>(this, Panel1, "ToolBarTablo", 250, 0, 150, 22);
  ToolBarTablo->SetAlign(alNone);
  ToolBarTablo->SetBounds(250, 0, 150, 22);
  ToolBarTablo->SetFlat(true);
  ToolBarTablo->SetShowCaptions(true);
  ToolBarTablo->SetButtonWidth(48);
  ToolBarTablo->SetButtonHeight(20);
  ToolBarTablo->SetVisible(false);
  auto button = [this](const char* name, const char* caption, const char* hint) {
    TToolButton* b = new TToolButton(this);
    b->SetName(name);
    b->SetCaption(caption);
    b->SetHint(hint);
    b->SetShowHint(true);
    b->SetParent(ToolBarTablo);
    return b;
  };
  tbNewTablo = button("tbNewTablo", "New", "Place the objects of the screens automatically");
  tbOpenTablo = button("tbOpenTablo", "Open", "Open a layout of the screens");
  tbSaveTablo = button("tbSaveTablo", "Save", "Save the layout of the screens");
  tbNewTablo->OnClick = [this](TObject* s) { tbNewTabloClick(s); };
  tbOpenTablo->OnClick = [this](TObject* s) { tbOpenTabloClick(s); };
  tbSaveTablo->OnClick = [this](TObject* s) { tbSaveTabloClick(s); };

  // ---- Object menu ------------------------------------------------------------
  PopMenuEdit = MakeComponent<TPopupMenu>(this, "PopMenuEdit");
  PopMenuEdit->OnPopup = [this](TObject* s) { PopMenuEditPopup(s); };
  auto item = [this](TMenuItem* parent, const char* name, const char* caption, intptr_t tag,
                     const TNotifyEvent& click) {
    TMenuItem* m = MakeComponent<TMenuItem>(this, name);
    m->SetCaption(caption);
    m->SetTag(tag);
    m->OnClick = click;
    parent->Add(m);
    return m;
  };
  TMenuItem* root = PopMenuEdit->Items();
  mObjEdit = item(root, "mObjEdit", "Properties", 0, [this](TObject* s) { mObjEditClick(s); });
  mObjPropCopy = item(root, "mObjPropCopy", "Copy properties", 0, [this](TObject* s) { mObjPropCopyClick(s); });
  mObjPropPaste = item(root, "mObjPropPaste", "Insert properties", 0, [this](TObject* s) { mObjPropPasteClick(s); });
  mObjFon = item(root, "mObjFon", "Background properties", 0, [this](TObject* s) { mObjFonClick(s); });
  const TNotifyEvent move = [this](TObject* s) { mObjMoveClick(s); };
  mObjMove = item(root, "mObjMove", "Move", 0, nullptr);
  mObjMoveL = item(mObjMove, "mObjMoveL", "К левому краю", 0, move);
  mObjMoveR = item(mObjMove, "mObjMoveR", "К правому краю", 1, move);
  mObjMoveT = item(mObjMove, "mObjMoveT", "К верхнему краю", 2, move);
  mObjMoveB = item(mObjMove, "mObjMoveB", "К нижнему краю", 3, move);
  mObjAlign = item(root, "mObjAlign", "Place", 0, nullptr);
  mObjAlignCX = item(mObjAlign, "mObjAlignCX", "Centre on width", 4, move);
  mObjAlignCY = item(mObjAlign, "mObjAlignCY", "Centre on height", 5, move);
  mObjAlignW = item(mObjAlign, "mObjAlignW", "For all width", 6, move);
  mObjAlignH = item(mObjAlign, "mObjAlignH", "For all height", 7, move);
  mObjPor = item(root, "mObjPor", "Order", 0, nullptr);
  mObjPorTop = item(mObjPor, "mObjPorTop", "Top", 8, move);
  mObjPorBottom = item(mObjPor, "mObjPorBottom", "Back", 9, move);

  // ---- The handle -------------------------------------------------------------
  StretchHandle1 = MakeComponent<TStretchHandle>(this, "StretchHandle1");
  StretchHandle1->SetColor(clRed);
  StretchHandle1->SetGridX(1);
  StretchHandle1->SetGridY(1);
  StretchHandle1->SetPopupMenu(PopMenuEdit);
  StretchHandle1->SetShowHint(true);
  StretchHandle1->OnDblClick = [this](TObject* s) { StretchHandle1DblClick(s); };

  // ---- Objects chosen with the mouse --------------------------------------------
  // Every label of the pages but LabelStadionName, which lies under the live
  // camera picture of the TV+ page; every image but ImageOnTV (the TV picture
  // over the camera) and ImageClockFon (under the clock).
  TControl* const objects[] = {
      // Main
      ImageFon0, labTablo_Title, labTablo_Tur, iTablo_Logo1, iTablo_Logo2, eTablo_K1, eTablo_K2, eTablo_Town1,
      eTablo_Town2, seTablo_Schet1, seTablo_Schet2, eTablo_Period, eTablo_Time,
      // With goals
      ImageFon1, eTabloGol_K1, eTabloGol_K2, eTabloGol_Town1, eTabloGol_Town2, eTabloGol_Schet1, eTabloGol_Schet2,
      eTabloGol_Period, TabloGol_Paint, eTabloGol_Time,
      // Structure
      PaintSostav,
      // Replacements
      ImageFon3, PhotoOut, PhotoIn, ImageOut, ImageIn, LabelNumOut, LabelNameOut, LabelNumIn, LabelNameIn,
      Zamena_Logo, Zamena_Min,
      // Players
      ImageFon4, LabelIgrokName, Igrok_Photo, LabelIgrokBirthday, LabelIgrokRostVes, LabelIgrokAmplua, Igrok_Logo,
      // Clock
      DialClock1, LabelSekundomer,
      // Statistic
      TabloStat_ImageFon, ImageTabloStat, LabelStat, eTabloStat_K1, eTabloStat_K2, eTabloStat_Schet1,
      eTabloStat_Schet2};
  auto bind = [this](TControl* c) {
    c->OnDblClick = [this](TObject* s) { AttachDblClick(s); };
    c->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) { MouseDownObj(s, b, sh, x, y); };
  };
  for (TControl* c : objects) bind(c);
  for (size_t r = 1; r <= 6; ++r) bind(eTabloStat_Label[r]);
  for (size_t n = 1; n <= 14; ++n) bind(StatLabels[n]);
  RunStr->OnDblClick = [this](TObject* s) { AttachDblClick(s); };
}

// ---------------------------------------------------------------------------
// Selecting
// ---------------------------------------------------------------------------

String TFormMain::GeometryHint(const TControl* Obj) {
  if (!Obj) return String();
  return FormatA("Position: %d,%d\r\nSize: %dx%d", Obj->Left(), Obj->Top(), Obj->Width(), Obj->Height());
}

TControl* TFormMain::SelectedObject() const { return StretchHandle1 ? StretchHandle1->GetChildControl(0) : nullptr; }

void TFormMain::AttachDblClick(TObject* Sender) {
  auto* obj = dynamic_cast<TControl*>(Sender);
  if (!obj || !obj->Parent() || !StretchHandle1) return;
  StretchHandle1->Detach();
  StretchHandle1->Attach(obj);
  StretchHandle1->SetHint(GeometryHint(obj));
}

void TFormMain::MouseDownObj(TObject* Sender, TMouseButton Button, TShiftState /*Shift*/, int /*X*/, int /*Y*/) {
  if (Button == mbRight) {
    AttachDblClick(Sender);
  } else if (Button == mbMiddle) {
    AttachDblClick(Sender);
    mObjEditClick(mObjEdit);
  }
}

void TFormMain::StretchHandle1DblClick(TObject* /*Sender*/) {
  if (!StretchHandle1) return;
  StretchHandle1->Detach();
  StretchHandle1->SetHint("");
}

// ---------------------------------------------------------------------------
// The object menu
// ---------------------------------------------------------------------------

TControl* TFormMain::StyleSource() const { return reinterpret_cast<TControl*>(mObjPropCopy ? mObjPropCopy->Tag() : 0); }

void TFormMain::Notification(TComponent* AComponent, bool removing) {
  TForm::Notification(AComponent, removing);
  if (removing && AComponent == mObjPropCopy) mObjPropCopy = nullptr;
  if (removing && AComponent == StretchHandle1) StretchHandle1 = nullptr;
  // A style source that goes away is forgotten: nothing freed is pasted from.
  if (removing && mObjPropCopy && AComponent && AComponent == StyleSource()) mObjPropCopy->SetTag(0);
}

void TFormMain::PopMenuEditPopup(TObject* /*Sender*/) {
  TControl* obj = SelectedObject();
  const TLayoutKind kind = LayoutKind(obj);
  const bool editable = obj && (kind == TLayoutKind::Label3D || kind == TLayoutKind::PaintBox || kind == TLayoutKind::Image);
  mObjEdit->SetEnabled(editable);
  mObjPropCopy->SetEnabled(editable);
  TControl* src = StyleSource();
  mObjPropPaste->SetEnabled(editable && src && src->ClassName() == obj->ClassName());
  const int page = PageControl1->ActivePageIndex();
  mObjFon->SetEnabled(page == 1 || page == 2 || page == 4 || page == 5 || page == 9 || page == 10);
}

void TFormMain::mObjEditClick(TObject* /*Sender*/) {
  TControl* obj = SelectedObject();
  if (!obj) return;
  switch (LayoutKind(obj)) {
    case TLayoutKind::Label3D:
      EditTextObject(static_cast<TLabel3D*>(obj));
      break;
    case TLayoutKind::Image:
      EditPictureObject(static_cast<TImage*>(obj));
      break;
    case TLayoutKind::PaintBox:
      FontDialog1->SetFont(obj->Font());
      if (FontDialog1->Execute()) {
        obj->Font()->Assign(FontDialog1->Font());
        obj->Invalidate();
      }
      break;
    default:
      ShowMessageDlg("Object properties \"" + obj->ClassName() + "\" not edit...", mtCustom, {mbOK});
      break;
  }
}

void TFormMain::mObjPropCopyClick(TObject* /*Sender*/) {
  if (!mObjPropCopy) return;
  TControl* old = StyleSource();
  TControl* obj = SelectedObject();
  if (old && old != obj) old->RemoveFreeNotification(this);
  mObjPropCopy->SetTag(reinterpret_cast<intptr_t>(obj));
  if (obj) obj->FreeNotification(this);
}

void TFormMain::mObjPropPasteClick(TObject* /*Sender*/) {
  TControl* obj = SelectedObject();
  if (!obj || !mObjPropCopy) return;
  StretchHandle1->Detach();
  CopyLabel3DProps(StyleSource(), obj);
  StretchHandle1->Attach(obj);
  StretchHandle1->SetHint(GeometryHint(obj));
}

void TFormMain::mObjMoveClick(TObject* Sender) {
  TControl* obj = SelectedObject();
  auto* item = dynamic_cast<TMenuItem*>(Sender);
  if (!obj || !item || !obj->Parent()) return;
  TWinControl* P = obj->Parent();
  TStretchHandle* H = StretchHandle1;
  const int pw = P->ClientWidth(), ph = P->ClientHeight();
  switch (item->Tag()) {
    case 0: H->SetBounds(-2, H->Top(), H->Width(), H->Height()); break;
    case 1: H->SetBounds(pw - obj->Width() - 2, H->Top(), H->Width(), H->Height()); break;
    case 2: H->SetBounds(H->Left(), -2, H->Width(), H->Height()); break;
    case 3: H->SetBounds(H->Left(), ph - obj->Height() - 2, H->Width(), H->Height()); break;
    case 4: H->SetBounds((pw - obj->Width()) / 2 - 2, H->Top(), H->Width(), H->Height()); break;
    case 5: H->SetBounds(H->Left(), (ph - obj->Height()) / 2 - 2, H->Width(), H->Height()); break;
    case 6:
      H->Detach();
      obj->SetBounds(0, obj->Top(), pw, obj->Height());
      H->Attach(obj);
      break;
    case 7:
      H->Detach();
      obj->SetBounds(obj->Left(), 0, obj->Width(), ph);
      H->Attach(obj);
      break;
    case 8: obj->BringToFront(); break;
    case 9: obj->SendToBack(); break;
    default: break;
  }
  AttachDblClick(obj);
}

void TFormMain::mObjFonClick(TObject* /*Sender*/) {
  TImage* fon = nullptr;
  switch (PageControl1->ActivePageIndex()) {
    case 1: fon = ImageFon0; break;
    case 2: fon = ImageFon1; break;
    case 4: fon = ImageFon3; break;
    case 5: fon = ImageFon4; break;
    case 9: fon = ImageClockFon; break;
    case 10: fon = TabloStat_ImageFon; break;
    default: return;
  }
  AttachDblClick(fon);
  mObjEditClick(mObjEdit);
}

void TFormMain::tbNewTabloClick(TObject* /*Sender*/) {
  if (ShowMessageDlg("Automatically to place objects for a screen?", mtConfirmation, mbYesNo) == mrYes)
    AutoPlaceTabloObjects();
}
