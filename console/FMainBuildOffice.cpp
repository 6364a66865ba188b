// Design of the Office page: the document view (layout page 8), the list of
// office files with its menu and list-file buttons, the presentation
// controls and the presentation controller with its form values.
#include "console/FMain.h"
#include "console/TPowerpoint.h"
#include "console/FMainBuildUtil.h"
#include "platform/office/OfficeConverter.h"
#include "toolkit/Timer.h"

using namespace fmainbuild;

namespace {

TMenuItem* OfficeMenuItem(TComponent* owner, TPopupMenu* menu, const char* name, const char* caption) {
  TMenuItem* m = new TMenuItem(owner);
  m->SetName(name);
  m->SetCaption(caption);
  menu->Items()->Add(m);
  return m;
}

}  // namespace

void TFormMain::BuildOfficePage() {
  // RTF documents are read by the office suite.
  if (!TRichEdit::RtfImporter) TRichEdit::RtfImporter = [](const String& f) { return TOfficeConverter::RtfToXhtml(f); };

  RichEdit1 = Make<TRichEdit>(this, TabSheet6, "RichEdit1", 0, 0, 384, 256);
  RichEdit1->SetColor(clBlack);
  RichEdit1->Font()->SetColor(clWhite);   // the automatic colour of the text
  RichEdit1->SetReadOnly(true);
  RichEdit1->SetWordWrap(false);
  RichEdit1->SetScrollBars(ssNone);
  RichEdit1->SetEnabled(false);

  PanelOffice = Make<TPanel>(this, TabSheet6, "PanelOffice", 385, 0, 250, 256);
  PanelOffice->SetBevelOuter(bvNone);
  PanelOffice->SetCaption("");

  ToolBarOffice = Make<TToolBar>(this, PanelOffice, "ToolBarOffice", 4, 2, 150, 26);
  ToolBarOffice->SetAlign(alNone);
  ToolBarOffice->SetBounds(4, 2, 150, 26);
  ToolBarOffice->SetFlat(true);
  ToolBarOffice->SetShowCaptions(true);
  ToolBarOffice->SetButtonWidth(44);
  ToolBarOffice->SetButtonHeight(24);
  bOffice_New = BarButton(this, ToolBarOffice, "bOffice_New", "New", "Clear list");
  bOffice_New->OnClick = [this](TObject* s) { bOffice_NewClick(s); };
  bOffice_Open = BarButton(this, ToolBarOffice, "bOffice_Open", "Open", "Open list files");
  bOffice_Open->OnClick = [this](TObject* s) { bOffice_OpenClick(s); };
  bOffice_Save = BarButton(this, ToolBarOffice, "bOffice_Save", "Save", "Save list files");
  bOffice_Save->OnClick = [this](TObject* s) { bOffice_SaveClick(s); };
  SelectFolder = Make<TButton>(this, PanelOffice, "SelectFolder", 158, 3, 88, 24);
  SelectFolder->SetCaption("Directory...");
  SelectFolder->SetHint("Create list files from directory");
  SelectFolder->SetShowHint(true);
  SelectFolder->OnClick = [this](TObject* s) { SelectFolderClick(s); };

  ListRTF = Make<TListBox>(this, PanelOffice, "ListRTF", 4, 30, 242, 150);
  ListRTF->OnClick = [this](TObject* s) { ListRTFClick(s); };
  PopupMenuRTF = MakeComponent<TPopupMenu>(this, "PopupMenuRTF");
  ListRTF_add = OfficeMenuItem(this, PopupMenuRTF, "ListRTF_add", "Add");
  ListRTF_add->OnClick = [this](TObject* s) { ListRTF_addClick(s); };
  ListRTF_Del = OfficeMenuItem(this, PopupMenuRTF, "ListRTF_Del", "Delete");
  ListRTF_Del->OnClick = [this](TObject* s) { ListRTF_DelClick(s); };
  ListRTF->SetPopupMenu(PopupMenuRTF);

  PanelPPT = Make<TPanel>(this, PanelOffice, "PanelPPT", 4, 184, 242, 68);
  PanelPPT->SetBevelOuter(bvLowered);
  PanelPPT->SetCaption("");
  bPPT_PlayStop = Make<TButton>(this, PanelPPT, "bPPT_PlayStop", 6, 6, 72, 26);
  bPPT_PlayStop->SetCaption("Play");
  bPPT_PlayStop->SetTag(0);
  bPPT_PlayStop->OnClick = [this](TObject* s) { bPPT_PlayStopClick(s); };
  ePPT_NumSlides = Make<TEdit>(this, PanelPPT, "ePPT_NumSlides", 84, 8, 50, 21);
  ePPT_NumSlides->SetReadOnly(true);
  ePPT_NumSlides->SetText("");
  sePPT_NumSlides = Make<TSpinEdit>(this, PanelPPT, "sePPT_NumSlides", 140, 8, 60, 22);
  sePPT_NumSlides->SetMinValue(0);
  sePPT_NumSlides->SetMaxValue(0);
  sePPT_NumSlides->SetValue(0);
  sePPT_NumSlides->OnChange = [this](TObject* s) { sePPT_NumSlidesChange(s); };
  cbPPT_Cikle = Make<TCheckBox>(this, PanelPPT, "cbPPT_Cikle", 6, 40, 100, 17);
  cbPPT_Cikle->SetCaption("Cicle");
  cbPPT_Cikle->SetChecked(false);

  OfficePreviewTimer = MakeComponent<TTimer>(this, "OfficePreviewTimer");
  OfficePreviewTimer->SetInterval(200);
  OfficePreviewTimer->OnTimer = [this](TObject* s) { OfficePreviewTimerTimer(s); };

  PowPnt1 = MakeComponent<TPowPnt>(this, "PowPnt1");
  PowPnt1->SetPPTAutoQuit(true);
  PowPnt1->SetLooped(false);
  PowPnt1->SetSlideShowAllowMouse(false);
  PowPnt1->SetSlideshowUseInternalTimer(true);
  PowPnt1->SetPresentationMonitor(0);
  PowPnt1->SetPresentationMonitorUseDefaultDimensions(false);
  PowPnt1->SetPresentationMonitorXX(800);
  PowPnt1->SetPresentationMonitorYY(600);

  OpenTextDialog = MakeComponent<TOpenDialog>(this, "OpenTextDialog");
  OpenTextDialog->Filter = "Text file (*.txt)|*.txt";
  OpenTextDialog->DefaultExt = ".txt";
  OpenTextDialog->OnShow = [this](TObject* s) { OpenDialogShow(s); };
  SaveTextDialog = MakeComponent<TSaveDialog>(this, "SaveTextDialog");
  SaveTextDialog->Filter = "Text file (*.txt)|*.txt";
  SaveTextDialog->DefaultExt = ".txt";
  SaveTextDialog->OnShow = [this](TObject* s) { OpenDialogShow(s); };
  OpenRtfDialog = MakeComponent<TOpenDialog>(this, "OpenRtfDialog");
  OpenRtfDialog->Filter = "Документ RTF (*.rtf)|*.rtf|MS PowerPoint (*.ppt)|*.ppt";
  OpenRtfDialog->DefaultExt = ".rtf";
  OpenRtfDialog->Title = "Открыть RTF документ";
  OpenRtfDialog->Options.Include(ofAllowMultiSelect);
  OpenRtfDialog->OnShow = [this](TObject* s) { OpenDialogShow(s); };
}
