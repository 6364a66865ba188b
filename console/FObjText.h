#pragma once
// The text-object properties: one of the console's small dialogs, created once
// by the program's main block after the main window and shown modally by the
// layout editor, which copies the edited object into LabelDemo, loads the
// controls from it (LoadControls) and copies LabelDemo back after OK.
#include <array>

#include "controls/Label3D.h"
#include "toolkit/Buttons.h"
#include "toolkit/Dialogs.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/Spin.h"
#include "toolkit/StdCtrls.h"

class TFormObjText : public TForm {
 public:
  explicit TFormObjText(TComponent* AOwner);
  ~TFormObjText() override;
  String ClassName() const override { return "TFormObjText"; }
  // Client height of the design (the OK button lies inside it).
  static constexpr int DesignClientHeight = 230;

  // The style list shows "Normal", "Raised", "Lowered", "Shadowed"; these map
  // its index to the label's relief and back (an unknown relief shows -1).
  static TLabel3DBevel BevelOfStyleIndex(int Index);
  static int StyleIndexOfBevel(TLabel3DBevel Bevel);

  // The character set chosen in the main window goes to the font dialog, the
  // text edit and the sample.
  void ApplyCharset();
  // Loads every control from LabelDemo (text, colours, style, alignment, ...).
  void LoadControls();

  TLabel3D* LabelDemo = nullptr;
  TShape* Shape1 = nullptr;
  TGroupBox* GroupBox1 = nullptr;   // "Text:"
  TGroupBox* GroupBox2 = nullptr;   // "Background"
  TGroupBox* GroupBox3 = nullptr;   // "Border"
  TEdit* eText = nullptr;
  TButton* bFont = nullptr;
  TButton* bFontM = nullptr;
  TButton* bFontP = nullptr;
  TComboBox* cbTextStyle = nullptr;
  TCheckBox* cbWordWrap = nullptr;
  TPanel* PanelAlign = nullptr;
  // The nine alignment choices by Tag: Tag mod 3 is the horizontal alignment
  // (left, right, centre), Tag div 3 the vertical layout (top, centre, bottom).
  std::array<TRadioButton*, 9> RadioAlign{};
  TPanel* PanelColorShadow = nullptr;
  TSpinEdit* seShadowSize = nullptr;
  TPanel* PanelColorHiText = nullptr;
  TPanel* PanelColorFon = nullptr;
  TCheckBox* cbTransparent = nullptr;
  TCheckBox* cbGradient = nullptr;
  TPanel* PanelColorGr1 = nullptr;
  TSpeedButton* sbReplColor = nullptr;
  TPanel* PanelColorGr2 = nullptr;
  TLabel3D* Label3DorH = nullptr;
  TLabel3D* Label3DorV = nullptr;
  TPanel* PanelColorBorder = nullptr;
  TSpinEdit* seBorderW = nullptr;
  TSpinEdit* seBorderS = nullptr;
  TButton* Button2 = nullptr;       // "OK"
  TColorDialog* ColorDialog1 = nullptr;
  TFontDialog* FontDialog1 = nullptr;

  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void eTextChange(TObject* Sender);
  void cbWordWrapClick(TObject* Sender);
  void cbTextStyleChange(TObject* Sender);
  void seShadowSizeChange(TObject* Sender);
  void seBorderWChange(TObject* Sender);
  void seBorderSChange(TObject* Sender);
  void bFontClick(TObject* Sender);
  void bFontPMClick(TObject* Sender);
  void RadioAlignClick(TObject* Sender);
  void PanelColorShadowClick(TObject* Sender);
  void sbReplColorClick(TObject* Sender);
  void cbTransparentClick(TObject* Sender);
  void cbGradientClick(TObject* Sender);
  void Label3DorHClick(TObject* Sender);
  void ColorDialog1Show(TObject* Sender);

 private:
  void BuildForm();
  void ShowGradientSamples();
  bool loading_ = false;
};

extern TFormObjText* FormObjText;

// Where the console's small dialogs stand: top at the output band's height,
// centred on it, kept inside the work area.
void PlaceBelowOutput(TCustomForm* Form);
