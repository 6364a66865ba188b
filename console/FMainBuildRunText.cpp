// Design of the running text's controls on the TV+ page's side panel: the
// play/pause/stop bar, the list files, entering texts, the position counter,
// the list menu, the font and colour dialogs, and the bindings of the running
// label, the list, the direction, speed and place controls.
#include "console/FMain.h"
#include "console/FMainBuildUtil.h"
#include "controls/RunLabel.h"

using namespace fmainbuild;

namespace {

TToolBar* Bar(TComponent* owner, TWinControl* parent, const char* name, int left, int top) {
  TToolBar* bar = Make<TToolBar>(owner, parent, name, left, top, 110, 26);
  // Placed in the panel's right column, not docked at its top, where it
  // would lie over the text list and the direction and speed controls.
  bar->SetAlign(alNone);
  bar->SetBounds(left, top, 110, 26);
  bar->SetFlat(true);
  bar->SetShowCaptions(true);
  bar->SetButtonWidth(36);
  bar->SetButtonHeight(24);
  return bar;
}

TMenuItem* MenuItem(TComponent* owner, TPopupMenu* menu, const char* name, const char* caption, intptr_t tag) {
  TMenuItem* m = new TMenuItem(owner);
  m->SetName(name);
  m->SetCaption(caption);
  m->SetTag(tag);
  menu->Items()->Add(m);
  return m;
}

}  // namespace

void TFormMain::BuildRunTextPage() {
  // The running label.
  RunStr->OnBegin = [this](TObject* s) { RunStrBegin(s); };
  RunStr->OnEnd = [this](TObject* s) { RunStrEnd(s); };

  // The list of texts and its menu.
  PopupMenu1 = MakeComponent<TPopupMenu>(this, "PopupMenu1");
  PopupMenu1->SetTag(0);
  PopupMenu1->OnPopup = [this](TObject* s) { PopupMenu1Popup(s); };
  N1 = MenuItem(this, PopupMenu1, "N1", "All", 0);
  N1->OnClick = [this](TObject* s) { N1Click(s); };
  N3 = MenuItem(this, PopupMenu1, "N3", "Delete", 0);
  N3->OnClick = [this](TObject* s) { N3Click(s); };
  N4 = MenuItem(this, PopupMenu1, "N4", "Include", 1);
  N4->OnClick = [this](TObject* s) { N4Click(s); };
  N5 = MenuItem(this, PopupMenu1, "N5", "Exclude", 0);
  N5->OnClick = [this](TObject* s) { N4Click(s); };

  ListRunStr->SetTag(0);
  ListRunStr->SetMultiSelect(true);
  ListRunStr->SetPopupMenu(PopupMenu1);
  ListRunStr->OnClick = [this](TObject* s) { ListRunStrClick(s); };
  ListRunStr->OnDblClick = [this](TObject* s) { ListRunStrDblClick(s); };
  ListRunStr->OnKeyDown = [this](TObject* s, uint16_t& k, TShiftState sh) { ListKeyDown(s, k, sh); };
  ListRunStr->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    ListRunStrMouseDown(s, b, sh, x, y);
  };

  // Entering texts.
  RS_edit->OnKeyPress = [this](TObject* s, char32_t& k) { RS_editKeyPress(s, k); };
  bRS_ADD = Make<TButton>(this, Panel1TvPics, "bRS_ADD", 190, 229, 75, 24);
  bRS_ADD->SetCaption("Add");
  bRS_ADD->OnClick = [this](TObject* s) { bRS_ADDClick(s); };
  bRS_INS = Make<TButton>(this, Panel1TvPics, "bRS_INS", 268, 229, 75, 24);
  bRS_INS->SetCaption("Insert");
  bRS_INS->OnClick = [this](TObject* s) { bRS_InsClick(s); };

  // Direction, speed, place, font and colour.
  rlSpeed->OnChange = [this](TObject* s) { rlSpeedChange(s); };
  LabelRS_Color->Font()->Assign(RunStr->RFont());
  LabelRS_Color->SetHint("Click - font, right click - colour");
  LabelRS_Color->SetShowHint(true);
  LabelRS_Color->OnClick = [this](TObject* s) { LabelRS_ColorClick(s); };
  LabelRS_Color->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    LabelRS_ColorMouseDown(s, b, sh, x, y);
  };
  FontDialog1 = MakeComponent<TFontDialog>(this, "FontDialog1");
  FontDialog1->OnShow = [this](TObject* s) { FontDialogShow(s); };
  ColorDialog1 = MakeComponent<TColorDialog>(this, "ColorDialog1");
  ColorDialog1->Options.Include(cdFullOpen);
  ColorDialog1->OnShow = [this](TObject* s) { ColorDialog1Show(s); };

  // Play, pause, stop and the repeat of the rotation.
  ToolBarRunStr = Bar(this, Panel1TvPics, "ToolBarRunStr", 496, 122);
  ToolBarRunStr->SetButtonWidth(27);
  rlPlay = BarButton(this, ToolBarRunStr, "rlPlay", ">", "Play");
  rlPlay->SetTag(0);
  rlPlay->OnClick = [this](TObject* s) { rlPlayClick(s); };
  rlPause = BarButton(this, ToolBarRunStr, "rlPause", "||", "Pause");
  rlPause->SetEnabled(false);
  rlPause->OnClick = [this](TObject* s) { rlPauseClick(s); };
  rlStop = BarButton(this, ToolBarRunStr, "rlStop", "[]", "Stop");
  rlStop->SetEnabled(false);
  rlStop->OnClick = [this](TObject* s) { rlStopClick(s); };
  rlCikle = BarButton(this, ToolBarRunStr, "rlCikle", "@", "Repeat the list");
  rlCikle->SetStyle(tbsCheck);
  rlCikle->SetDown(true);

  // List files.
  ToolBarRunStrFiles = Bar(this, Panel1TvPics, "ToolBarRunStrFiles", 496, 150);
  bRunStr_Open = BarButton(this, ToolBarRunStrFiles, "bRunStr_Open", "Open", "Open a list");
  bRunStr_Open->OnClick = [this](TObject* s) { bRunStr_OpenClick(s); };
  bRunStr_Save = BarButton(this, ToolBarRunStrFiles, "bRunStr_Save", "Save", "Save the list");
  bRunStr_Save->OnClick = [this](TObject* s) { bRunStr_SaveClick(s); };
  bRunStr_New = BarButton(this, ToolBarRunStrFiles, "bRunStr_New", "New", "New list");
  bRunStr_New->OnClick = [this](TObject* s) { bRunStr_NewClick(s); };

  // Position in the list.
  rlFilesCount = Make<TEdit>(this, Panel1TvPics, "rlFilesCount", 496, 180, 110, 21);
  rlFilesCount->SetReadOnly(true);
  rlFilesCount->SetText("0/0");
}
