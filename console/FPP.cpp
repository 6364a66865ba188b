#include "console/FPP.h"

#include <algorithm>

#include "console/FMain.h"
#include "grids/SortGrid.h"
#include "toolkit/Printers.h"

TFormPP* FormPP = nullptr;
int PreviewWidth = 0;
int PreviewHeight = 0;

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

  ToolBar1 = new TToolBar(this);
  ToolBar1->SetName("ToolBar1");
  ToolBar1->SetParent(this);
  ToolBar1->SetAlign(alBottom);
  Button1 = new TButton(this);
  Button1->SetName("Button1");
  Button1->SetBounds(4, 2, 75, 22);   // 4 pixels in from the bar's edge
  Button1->SetParent(ToolBar1);
  Button1->SetCaption("Print");
  Button1->OnClick = [this](TObject* s) { Button1Click(s); };

  Image1 = new TImage(this);
  Image1->SetName("Image1");
  Image1->SetParent(this);
  Image1->SetAlign(alClient);
  Image1->SetCenter(true);
  Image1->SetProportional(true);
  Image1->SetStretch(true);
  OnShow = [this](TObject* s) { FormShow(s); };
  OnResize = [this](TObject* s) { FormResize(s); };
}

void TFormPP::FormShow(TObject* /*Sender*/) {
  TPrinter* pr = Printer();
  // A printer below the screen's resolution still gives a preview (r >= 1).
  const int rx = std::max(1, pr->XPixelsPerInch() / Screen->PixelsPerInch());
  const int ry = std::max(1, pr->YPixelsPerInch() / Screen->PixelsPerInch());
  PreviewWidth = pr->PageWidth() / rx / 3 * 2;
  PreviewHeight = pr->PageHeight() / ry / 3 * 2;
  SetClientHeight(ToolBar1->Height() + PreviewHeight);
  SetClientWidth(PreviewWidth);
  SetBounds((Screen->Width() - Width()) / 2, (Screen->Height() - Height()) / 2, Width(), Height());
  DrawPreview();
}

void TFormPP::DrawPreview() {
  // The whole page is drawn at the size it is shown (two thirds of the
  // page at the screen's resolution, or what the window was sized to), so
  // that no line or letter is lost or blurred by stretching the picture.
  const int w = Image1->Width() > 0 ? Image1->Width() : PreviewWidth;
  const int h = Image1->Height() > 0 ? Image1->Height() : PreviewHeight;
  if (w < 1 || h < 1) return;
  TBitmap* b = Image1->Picture()->Bitmap();
  b->SetSize(w, h);
  b->Fill(clWhite);
  if (FormMain && FormMain->sgSek_Sostav) FormMain->sgSek_Sostav->PrintPreview(Image1);
}

void TFormPP::FormResize(TObject* /*Sender*/) {
  if (!Visible()) return;
  const TBitmap* b = Image1->Picture()->Bitmap();
  if (b->Width() != Image1->Width() || b->Height() != Image1->Height()) DrawPreview();
}

void TFormPP::Button1Click(TObject* /*Sender*/) {
  if (FormMain && FormMain->sgSek_Sostav) FormMain->sgSek_Sostav->Print();
  Close();
}
