#include "console/FObjText.h"

#include <algorithm>

#include "console/FMain.h"
#include "console/FMainBuildUtil.h"
#include "toolkit/Buttons.h"

TFormObjText* FormObjText = nullptr;

using namespace fmainbuild;

namespace {

TLabel* StaticText(TComponent* owner, TWinControl* parent, const char* text, int l, int t) {
  TLabel* L = Make<TLabel>(owner, parent, "", l, t, 80, 13);
  L->SetAutoSize(true);
  L->SetCaption(text);
  return L;
}

TPanel* Swatch(TComponent* owner, TWinControl* parent, const char* name, int l, int t, TColor c) {
  TPanel* p = Make<TPanel>(owner, parent, name, l, t, 40, 20);
  p->SetBevelOuter(bvLowered);
  p->SetCaption("");
  p->SetColor(c);
  p->SetCursor(crHandPoint);
  return p;
}

}  // namespace

void PlaceBelowOutput(TCustomForm* Form) {
  if (!Form) return;
  int left = Form->Left(), top = Form->Top();
  if (FormMain && FormMain->PanelTablo) {
    top = FormMain->PanelTablo->Height();
    left = (FormMain->PanelTablo->Width() - Form->Width()) / 2;
  }
  // A large output band would put the dialog off the screen: it stays whole
  // inside the work area where it fits.
  const TRect work = Screen->WorkAreaRect();
  left = std::clamp(left, work.Left, std::max(work.Left, work.Right - Form->Width()));
  top = std::clamp(top, work.Top, std::max(work.Top, work.Bottom - Form->Height()));
  Form->SetBounds(left, top, Form->Width(), Form->Height());
}

TLabel3DBevel TFormObjText::BevelOfStyleIndex(int Index) {
  switch (Index) {
    case 1: return blRaised;
    case 2: return blLowered;
    case 3: return blShadow;
    default: return blNone;
  }
}

int TFormObjText::StyleIndexOfBevel(TLabel3DBevel Bevel) {
  switch (Bevel) {
    case blNone: return 0;
    case blRaised: return 1;
    case blLowered: return 2;
    case blShadow: return 3;
    default: return -1;
  }
}

TFormObjText::~TFormObjText() {
  if (FormObjText == this) FormObjText = nullptr;
}

TFormObjText::TFormObjText(TComponent* AOwner) : TForm(AOwner) {
  if (!FormObjText) FormObjText = this;
  BuildForm();
  FormCreate(this);
}

void TFormObjText::BuildForm() {
  SetName("FormObjText");
  SetCaption("Text properties");
  SetBorderStyle(bsDialog);
  SetPosition(poDesigned);
  SetClientWidth(432);
  SetClientHeight(DesignClientHeight);
  Font()->SetName("MS Sans Serif");
  Font()->SetSize(8);
  OnShow = [this](TObject* s) { FormShow(s); };

  // ---- Text ----
  GroupBox1 = Make<TGroupBox>(this, this, "GroupBox1", 4, 0, 212, 173);
  GroupBox1->SetCaption("Text:");
  eText = Make<TEdit>(this, GroupBox1, "eText", 8, 16, 122, 21);
  eText->OnChange = [this](TObject* s) { eTextChange(s); };
  bFont = Make<TButton>(this, GroupBox1, "bFont", 134, 15, 22, 22);
  bFont->SetCaption("A");
  bFont->SetHint("Font face");
  bFont->SetShowHint(true);
  bFont->OnClick = [this](TObject* s) { bFontClick(s); };
  bFontM = Make<TButton>(this, GroupBox1, "bFontM", 158, 15, 22, 22);
  bFontM->SetCaption("-");
  bFontM->SetTag(-1);
  bFontM->SetHint("Font size dec");
  bFontM->SetShowHint(true);
  bFontM->OnClick = [this](TObject* s) { bFontPMClick(s); };
  bFontP = Make<TButton>(this, GroupBox1, "bFontP", 182, 15, 22, 22);
  bFontP->SetCaption("+");
  bFontP->SetTag(1);
  bFontP->SetHint("Font size add");
  bFontP->SetShowHint(true);
  bFontP->OnClick = [this](TObject* s) { bFontPMClick(s); };

  StaticText(this, GroupBox1, "Style:", 8, 46);
  cbTextStyle = Make<TComboBox>(this, GroupBox1, "cbTextStyle", 40, 42, 78, 21);
  cbTextStyle->SetStyle(csDropDownList);
  for (const char* s : {"Normal", "Raised", "Lowered", "Shadowed"}) cbTextStyle->Items()->Add(s);
  cbTextStyle->OnChange = [this](TObject* s) { cbTextStyleChange(s); };
  cbWordWrap = Make<TCheckBox>(this, GroupBox1, "cbWordWrap", 122, 44, 88, 17);
  cbWordWrap->SetCaption("Word wrap:");
  cbWordWrap->OnClick = [this](TObject* s) { cbWordWrapClick(s); };

  StaticText(this, GroupBox1, "Alignment:", 8, 70);
  PanelAlign = Make<TPanel>(this, GroupBox1, "PanelAlign", 8, 86, 62, 62);
  PanelAlign->SetBevelOuter(bvLowered);
  PanelAlign->SetCaption("");
  // Tags by position: the middle column is "centre" (2), the right one "right" (1).
  static const int tagAt[3][3] = {{0, 2, 1}, {3, 5, 4}, {6, 8, 7}};
  int n = 1;
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col, ++n) {
      const String name = "RadioButton" + IntToStr(int64_t(n));
      auto* rb = Make<TRadioButton>(this, PanelAlign, name.c_str(), 4 + col * 19, 4 + row * 19, 16, 16);
      rb->SetCaption("");
      rb->SetTag(tagAt[row][col]);
      rb->OnClick = [this](TObject* s) { RadioAlignClick(s); };
    }

  StaticText(this, GroupBox1, "Shadow color:", 80, 70);
  PanelColorShadow = Swatch(this, GroupBox1, "PanelColorShadow", 80, 86, clNavy);
  seShadowSize = Make<TSpinEdit>(this, GroupBox1, "seShadowSize", 126, 85, 44, 22);
  seShadowSize->SetMinValue(0);
  seShadowSize->SetMaxValue(99);
  seShadowSize->SetValue(2);
  seShadowSize->SetHint("Offset");
  seShadowSize->SetShowHint(true);
  seShadowSize->OnChange = [this](TObject* s) { seShadowSizeChange(s); };
  StaticText(this, GroupBox1, "Highlight color:", 80, 114);
  PanelColorHiText = Swatch(this, GroupBox1, "PanelColorHiText", 80, 130, clAqua);

  // ---- Background ----
  GroupBox2 = Make<TGroupBox>(this, this, "GroupBox2", 220, 0, 208, 112);
  GroupBox2->SetCaption("Background");
  StaticText(this, GroupBox2, "Color:", 8, 20);
  PanelColorFon = Swatch(this, GroupBox2, "PanelColorFon", 48, 16, clBlack);
  cbTransparent = Make<TCheckBox>(this, GroupBox2, "cbTransparent", 96, 18, 100, 17);
  cbTransparent->SetCaption("Transparent");
  cbTransparent->OnClick = [this](TObject* s) { cbTransparentClick(s); };
  cbGradient = Make<TCheckBox>(this, GroupBox2, "cbGradient", 8, 42, 80, 17);
  cbGradient->SetCaption("Gradient:");
  cbGradient->OnClick = [this](TObject* s) { cbGradientClick(s); };
  StaticText(this, GroupBox2, "Color 1:", 8, 66);
  PanelColorGr1 = Swatch(this, GroupBox2, "PanelColorGr1", 48, 62, clNavy);
  sbReplColor = Make<TSpeedButton>(this, GroupBox2, "sbReplColor", 92, 62, 22, 20);
  sbReplColor->SetCaption("<>");
  sbReplColor->OnClick = [this](TObject* s) { sbReplColorClick(s); };
  StaticText(this, GroupBox2, "Color 2:", 118, 66);
  PanelColorGr2 = Swatch(this, GroupBox2, "PanelColorGr2", 160, 62, clBlue);
  StaticText(this, GroupBox2, "Orientation:", 8, 90);
  for (int k = 0; k < 2; ++k) {
    auto* L = Make<TLabel3D>(this, GroupBox2, k == 0 ? "Label3DorH" : "Label3DorV", 76 + k * 64, 86, 58, 20);
    L->SetCaption("");
    L->SetAutoSize(false);
    L->SetFillGradient(true);
    L->SetFirstColor(clNavy);
    L->SetLastColor(clBlue);
    L->SetGradientOrientation(k == 0 ? goHorizontal : goVertical);
    L->SetCursor(crHandPoint);
    L->OnClick = [this](TObject* s) { Label3DorHClick(s); };
    (k == 0 ? Label3DorH : Label3DorV) = L;
  }

  // ---- Border ----
  GroupBox3 = Make<TGroupBox>(this, this, "GroupBox3", 220, 114, 208, 59);
  GroupBox3->SetCaption("Border");
  StaticText(this, GroupBox3, "Color:", 8, 20);
  PanelColorBorder = Swatch(this, GroupBox3, "PanelColorBorder", 48, 16, clWhite);
  StaticText(this, GroupBox3, "Width:", 96, 20);
  seBorderW = Make<TSpinEdit>(this, GroupBox3, "seBorderW", 134, 16, 44, 22);
  seBorderW->SetMinValue(0);
  seBorderW->SetMaxValue(0);   // no limits
  seBorderW->SetValue(0);
  seBorderW->OnChange = [this](TObject* s) { seBorderWChange(s); };
  StaticText(this, GroupBox3, "Style:", 8, 40);
  seBorderS = Make<TSpinEdit>(this, GroupBox3, "seBorderS", 48, 36, 44, 20);
  seBorderS->SetMinValue(0);
  seBorderS->SetMaxValue(5);
  seBorderS->SetValue(0);
  seBorderS->OnChange = [this](TObject* s) { seBorderSChange(s); };

  for (TPanel* p : {PanelColorShadow, PanelColorHiText, PanelColorFon, PanelColorGr1, PanelColorGr2, PanelColorBorder})
    p->OnClick = [this](TObject* s) { PanelColorShadowClick(s); };

  // ---- Sample ----
  Shape1 = Make<TShape>(this, this, "Shape1", 7, 180, 338, 46);
  Shape1->Brush()->SetColor(clSilver);
  Shape1->Pen()->SetStyle(psDot);
  LabelDemo = Make<TLabel3D>(this, this, "LabelDemo", 8, 181, 336, 44);
  LabelDemo->SetAutoSize(false);
  LabelDemo->SetCaption("String");
  LabelDemo->SetAlignment(taCenter);
  LabelDemo->SetLayout(tlCenter);
  LabelDemo->SetColor(clBlack);
  LabelDemo->SetTransparent(false);
  LabelDemo->SetFirstColor(clWhite);
  LabelDemo->SetLastColor(clTeal);
  LabelDemo->SetFillGradient(false);
  LabelDemo->SetGradientOrientation(goHorizontal);
  LabelDemo->SetShadowColor(clBlue);
  LabelDemo->SetShadowSize(2);
  LabelDemo->SetBevel(blNone);
  LabelDemo->SetBorderColor(clRed);
  LabelDemo->SetBorderWidth(3);
  LabelDemo->SetBorderStyle(lbLowered);

  Button2 = Make<TButton>(this, this, "Button2", 354, 192, 72, 25);
  Button2->SetCaption("OK");
  Button2->SetModalResult(mrOk);
  Button2->SetCancel(true);

  ColorDialog1 = new TColorDialog(this);
  ColorDialog1->SetName("ColorDialog1");
  ColorDialog1->Options = {cdFullOpen};
  for (const char* c : {"ColorA=808000", "ColorB=808000", "ColorC=FF8040", "ColorD=FFFF00", "ColorE=FFFFFF"})
    ColorDialog1->CustomColors()->Add(c);
  ColorDialog1->OnShow = [this](TObject* s) { ColorDialog1Show(s); };
  FontDialog1 = new TFontDialog(this);
  FontDialog1->SetName("FontDialog1");
  FontDialog1->Options = {fdEffects, fdNoOEMFonts};
  FontDialog1->OnShow = [this](TObject* s) { ColorDialog1Show(s); };
}

void TFormObjText::FormCreate(TObject* /*Sender*/) {
  for (int k = 0; k < PanelAlign->ControlCount(); ++k)
    if (auto* rb = dynamic_cast<TRadioButton*>(PanelAlign->Controls(k)))
      if (rb->Tag() >= 0 && rb->Tag() < 9) RadioAlign[size_t(rb->Tag())] = rb;
  RadioAlign[5]->SetChecked(true);
  ApplyCharset();
}

void TFormObjText::ApplyCharset() {
  // A choice outside the table (none made yet) means the default set, code 1.
  TFontCharset code = 1;
  if (FormMain && FormMain->cbInternational) {
    const int index = FormMain->cbInternational->ItemIndex();
    if (index >= 0 && index < CharsetCount) code = CharsetTable[size_t(index)].Code;
  }
  FontDialog1->Font()->SetCharset(code);
  eText->Font()->SetCharset(code);
  LabelDemo->Font()->SetCharset(code);
}

void TFormObjText::LoadControls() {
  loading_ = true;
  PanelColorGr1->SetColor(LabelDemo->FirstColor());
  PanelColorGr2->SetColor(LabelDemo->LastColor());
  ShowGradientSamples();
  cbGradient->SetChecked(LabelDemo->FillGradient());
  PanelColorHiText->SetColor(LabelDemo->HighLightColor());
  PanelColorShadow->SetColor(LabelDemo->ShadowColor());
  cbTextStyle->SetItemIndex(StyleIndexOfBevel(LabelDemo->Bevel()));
  seShadowSize->SetValue(LabelDemo->ShadowSize());
  PanelColorBorder->SetColor(LabelDemo->BorderColor());
  seBorderW->SetValue(LabelDemo->BorderWidth());
  seBorderS->SetValue(int(LabelDemo->BorderStyle()));
  const int choice = 3 * int(LabelDemo->Layout()) + int(LabelDemo->Alignment());
  if (choice >= 0 && choice < 9) RadioAlign[size_t(choice)]->SetChecked(true);
  cbWordWrap->SetChecked(LabelDemo->WordWrap());
  PanelColorFon->SetColor(LabelDemo->Color());
  cbTransparent->SetChecked(LabelDemo->Transparent());
  eText->SetText(LabelDemo->Caption());
  loading_ = false;
}

void TFormObjText::FormShow(TObject* /*Sender*/) {
  PlaceBelowOutput(this);
  Shape1->SetBounds(LabelDemo->Left() - 1, LabelDemo->Top() - 1, LabelDemo->Width() + 2, LabelDemo->Height() + 2);
  // The dialog grows with a tall sample but never gets lower than its
  // design, which holds the OK button.
  SetClientHeight(std::max(DesignClientHeight, GroupBox1->Height() + 13 + LabelDemo->Height()));
}

void TFormObjText::eTextChange(TObject*) {
  if (!loading_) LabelDemo->SetCaption(eText->Text());
}

void TFormObjText::cbWordWrapClick(TObject*) {
  if (!loading_) LabelDemo->SetWordWrap(cbWordWrap->Checked());
}

void TFormObjText::cbTextStyleChange(TObject*) {
  if (!loading_) LabelDemo->SetBevel(BevelOfStyleIndex(cbTextStyle->ItemIndex()));
}

void TFormObjText::seShadowSizeChange(TObject*) {
  if (!loading_) LabelDemo->SetShadowSize(uint8_t(std::clamp(seShadowSize->Value(), 0, 255)));
}

void TFormObjText::seBorderWChange(TObject*) {
  if (!loading_) LabelDemo->SetBorderWidth(seBorderW->Value());
}

void TFormObjText::seBorderSChange(TObject*) {
  if (!loading_) LabelDemo->SetBorderStyle(TLabel3DBorderStyle(seBorderS->Value()));
}

void TFormObjText::bFontClick(TObject*) {
  FontDialog1->SetFont(LabelDemo->Font());
  if (FontDialog1->Execute()) LabelDemo->SetFont(FontDialog1->Font());
}

void TFormObjText::bFontPMClick(TObject* Sender) {
  auto* b = dynamic_cast<TControl*>(Sender);
  if (!b) return;
  // The size never goes below 1 point.
  LabelDemo->Font()->SetSize(std::max(1, LabelDemo->Font()->Size() + int(b->Tag())));
}

void TFormObjText::RadioAlignClick(TObject* Sender) {
  auto* rb = dynamic_cast<TRadioButton*>(Sender);
  if (!rb || loading_) return;
  LabelDemo->SetAlignment(TAlignment(rb->Tag() % 3));
  LabelDemo->SetLayout(TTextLayout(rb->Tag() / 3));
}

void TFormObjText::ShowGradientSamples() {
  for (TLabel3D* L : {Label3DorH, Label3DorV}) {
    L->SetFirstColor(LabelDemo->FirstColor());
    L->SetLastColor(LabelDemo->LastColor());
  }
}

void TFormObjText::PanelColorShadowClick(TObject* Sender) {
  auto* panel = dynamic_cast<TPanel*>(Sender);
  if (!panel) return;
  ColorDialog1->Color = panel->Color();
  if (!ColorDialog1->Execute()) return;
  const TColor c = ColorDialog1->Color;
  panel->SetColor(c);
  if (panel == PanelColorShadow) {
    LabelDemo->SetShadowColor(c);
  } else if (panel == PanelColorHiText) {
    LabelDemo->SetHighLightColor(c);
  } else if (panel == PanelColorGr1 || panel == PanelColorGr2) {
    if (panel == PanelColorGr1)
      LabelDemo->SetFirstColor(c);
    else
      LabelDemo->SetLastColor(c);
    cbGradient->SetChecked(true);
    ShowGradientSamples();
  } else if (panel == PanelColorBorder) {
    LabelDemo->SetBorderColor(c);
  } else if (panel == PanelColorFon) {
    LabelDemo->SetColor(c);
    cbTransparent->SetChecked(false);
  }
}

void TFormObjText::sbReplColorClick(TObject*) {
  const TColor c1 = PanelColorGr2->Color(), c2 = PanelColorGr1->Color();
  PanelColorGr1->SetColor(c1);
  PanelColorGr2->SetColor(c2);
  LabelDemo->SetFirstColor(c1);
  LabelDemo->SetLastColor(c2);
  ShowGradientSamples();
}

void TFormObjText::cbTransparentClick(TObject*) {
  if (loading_) return;
  LabelDemo->SetTransparent(cbTransparent->Checked());
  if (cbTransparent->Checked()) cbGradient->SetChecked(false);
}

void TFormObjText::cbGradientClick(TObject*) {
  if (loading_) return;
  LabelDemo->SetFillGradient(cbGradient->Checked());
  if (cbGradient->Checked()) cbTransparent->SetChecked(false);
}

void TFormObjText::Label3DorHClick(TObject* Sender) {
  if (auto* L = dynamic_cast<TLabel3D*>(Sender)) LabelDemo->SetGradientOrientation(L->GradientOrientation());
}

void TFormObjText::ColorDialog1Show(TObject* Sender) {
  auto* dialog = dynamic_cast<TCommonDialog*>(Sender);
  if (!dialog || !FormMain || !FormMain->PanelTablo) return;
  const TRect r = dialog->BoundsRect();
  dialog->MoveTo((FormMain->Width() - r.Width()) / 2, FormMain->PanelTablo->Height());
}
