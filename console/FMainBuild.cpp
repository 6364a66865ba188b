// The main window's own design: the window, the output band and the
// operator's sheets with the transition editors of the display pages.
#include "console/FMain.h"
#include "console/FMainBuildUtil.h"
#include "controls/filedrag.h"
#include "pictureshow/PictureShow.h"

using namespace fmainbuild;

void TFormMain::BuildForm() {
  SetName("FormMain");
  SetCaption("Tablo");
  SetBorderStyle(bsNone);
  SetColor(clBtnFace);
  SetPosition(poDesigned);
  SetBounds(0, 0, 1024, 740);
  SetClientWidth(1024);
  SetClientHeight(740);
  TSizeConstraints limits;
  limits.MinWidth = 640;
  SetConstraints(limits);
  Font()->SetName("MS Sans Serif");
  Font()->SetSize(8);

  BuildOutputBand();
  BuildStatusAndImages();
  BuildOperatorSheets();
  BuildRefereeSheet();
  BuildSecretarySheet();
  BuildScreensSheet();
  BuildConfigurationSheet();
  FileDrag1 = new TFileDrag(this);
  FileDrag1->SetName("FileDrag1");
  FileDrag1->SetEnableDrop(false);
  FileDrag1->OnDrop = [this](TObject* s) { FileDrag1Drop(s); };

  OnCreate = [this](TObject* s) { FormCreate(s); };
  OnShow = [this](TObject* s) { FormShow(s); };
  OnCloseQuery = [this](TObject* s, bool& canClose) { FormCloseQuery(s, canClose); };
  OnDestroy = [this](TObject* s) { FormDestroy(s); };
  BuildPlayersControls();
}

void TFormMain::BuildOutputBand() {
  PanelTablo = Make<TPanel>(this, this, "PanelTablo", 0, 0, 1024, 264);
  PanelTablo->SetAlign(alTop);
  PanelTablo->SetColor(clGreen);
  PanelTablo->SetBevelOuter(bvNone);
  PanelTablo->SetCaption("");
  TSizeConstraints bandLimits;
  bandLimits.MinHeight = 215;
  PanelTablo->SetConstraints(bandLimits);

  ImageBlack = Make<TImage>(this, PanelTablo, "ImageBlack", 0, 0, 384, 256);
  ImageBlack->SetVisible(false);

  PanelTabloRamka = Make<TPanel>(this, PanelTablo, "PanelTabloRamka", 0, 0, 392, 264);
  PanelTabloRamka->SetColor(clNavy);
  PanelTabloRamka->SetBevelWidth(4);
  PanelTabloRamka->SetBevelOuter(bvRaised);
  PanelTabloRamka->SetCaption("");

  PanelTabloColor = Make<TPanel>(this, PanelTabloRamka, "PanelTabloColor", 4, 4, 384, 256);
  PanelTabloColor->SetColor(clBlack);
  PanelTabloColor->SetBevelOuter(bvNone);
  PanelTabloColor->SetCursor(crNone);
  PanelTabloColor->SetCaption("");

  PanelZaAvi = Make<TPanel>(this, PanelTabloColor, "PanelZaAvi", 0, 0, 384, 256);
  PanelZaAvi->SetBevelOuter(bvNone);
  PanelZaAvi->SetTag(clBlack);   // its colour, applied at start-up
  PanelZaAvi->SetCaption("");

  BufferTablo = Make<TPictureShow>(this, PanelTabloColor, "BufferTablo", 0, 0, 384, 256);
  BufferTablo->SetAlign(alClient);
  BufferTablo->SetColor(clBlack);
  BufferTablo->SetBgMode(bmStretched);
  BufferTablo->SetCenter(true);
  BufferTablo->SetStretch(true);
  BufferTablo->SetStretchFine(true);
  BufferTablo->SetDelay(10);
  BufferTablo->SetStep(2);
  BufferTablo->SetStyle(118);
  BufferTablo->SetThreaded(false);
  BufferTablo->SetCursor(crNone);

  Panelekta = Make<TPanel>(this, PanelTablo, "Panelekta", 392, 0, 632, 264);
  Panelekta->SetBevelOuter(bvNone);
  Panelekta->SetColor(clBtnFace);
  Panelekta->SetCaption("");
}

void TFormMain::BuildOperatorSheets() {
  Panel1 = Make<TPanel>(this, this, "Panel1", 0, 264, 1024, 476);
  Panel1->SetAlign(alClient);
  Panel1->SetBevelOuter(bvNone);
  Panel1->SetCaption("");

  PageControl2 = Make<TPageControl>(this, Panel1, "PageControl2", 0, 0, 1024, 476);
  PageControl2->SetAlign(alClient);
  PageControl2->OnChange = [this](TObject* s) { PageControl2Change(s); };

  auto sheet = [this](const char* name, const char* caption) {
    TTabSheet* t = new TTabSheet(this);
    t->SetName(name);
    t->SetPageControl(PageControl2);
    t->SetCaption(caption);
    return t;
  };
  Sheet_Sud = sheet("Sheet_Sud", "Referee");
  Sheet_Sek = sheet("Sheet_Sek", "Secretary");
  Sheet_Tablo = sheet("Sheet_Tablo", "Screens");
  Sheet_Configuration = sheet("Sheet_Configuration", "Configuration");
  PageControl2->SetActivePage(Sheet_Sud);

  // Transition editors of the selected display page, right of the sheet tabs.
  cbPagePerexodRnd = Make<TCheckBox>(this, Panel1, "cbPagePerexodRnd", 404, 2, 17, 17);
  cbPagePerexodRnd->SetCaption("");
  cbPagePerexodRnd->SetHint("Flag random effect");
  cbPagePerexodRnd->SetShowHint(true);
  cbPagePerexodRnd->SetVisible(false);

  ePagePerexodRnd = Make<TEdit>(this, Panel1, "ePagePerexodRnd", 424, 0, 40, 21);
  ePagePerexodRnd->SetReadOnly(true);
  ePagePerexodRnd->SetText("");
  ePagePerexodRnd->SetHint("Random number effect");
  ePagePerexodRnd->SetShowHint(true);
  ePagePerexodRnd->SetVisible(false);

  cbPagePerexodNumber = Make<TSpinEdit>(this, Panel1, "cbPagePerexodNumber", 468, 0, 52, 22);
  cbPagePerexodNumber->SetMinValue(1);
  cbPagePerexodNumber->SetMaxValue(150);
  cbPagePerexodNumber->SetValue(1);
  cbPagePerexodNumber->SetHint("Number effect");
  cbPagePerexodNumber->SetShowHint(true);
  cbPagePerexodNumber->SetVisible(false);

  cbPageStep = Make<TSpinEdit>(this, Panel1, "cbPageStep", 524, 0, 46, 22);
  cbPageStep->SetMinValue(1);
  cbPageStep->SetMaxValue(64);
  cbPageStep->SetValue(1);
  cbPageStep->SetHint("Speed effects (step effects)");
  cbPageStep->SetShowHint(true);
  cbPageStep->SetVisible(false);

  cbPagePerexodName = Make<TComboBox>(this, Panel1, "cbPagePerexodName", 574, 0, 194, 21);
  cbPagePerexodName->SetStyle(csDropDownList);
  cbPagePerexodName->SetDropDownCount(25);
  cbPagePerexodName->SetHint("Name effect");
  cbPagePerexodName->SetShowHint(true);
  cbPagePerexodName->SetVisible(false);

  for (TControl* c : std::initializer_list<TControl*>{cbPagePerexodRnd, ePagePerexodRnd, cbPagePerexodNumber,
                                                      cbPageStep, cbPagePerexodName})
    c->BringToFront();
}
