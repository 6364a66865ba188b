// Design of the "Screens" sheet: the display-page control with its command
// tab and the match pages (Main, With goals, Structure, Replacements,
// Players).
#include "console/FMain.h"
#include "console/FMainBuildUtil.h"
#include "controls/Label3D.h"
#include "pictureshow/PictureShow.h"
#include "toolkit/Timer.h"

using namespace fmainbuild;

namespace {

TImage* PageImage(TComponent* owner, TWinControl* parent, const char* name, int l, int t, int w, int h) {
  TImage* I = Make<TImage>(owner, parent, name, l, t, w, h);
  I->SetCenter(true);
  I->SetProportional(true);
  I->SetStretch(true);
  return I;
}

TPanel* PagePanel(TComponent* owner, TWinControl* parent, const char* name) {
  TPanel* p = Make<TPanel>(owner, parent, name, 0, 0, 384, 256);
  p->SetColor(clBlack);
  p->SetBevelOuter(bvNone);
  p->SetCaption("");
  return p;
}

TPanel* SidePanel(TComponent* owner, TWinControl* parent, const char* name, int left = 385) {
  TPanel* p = Make<TPanel>(owner, parent, name, left, 0, 250, 256);
  p->SetBevelOuter(bvNone);
  p->SetCaption("");
  return p;
}

TCheckBox* Check(TComponent* owner, TWinControl* parent, const char* name, const char* caption, int l, int t,
                 int w, bool checked, intptr_t tag = 0) {
  TCheckBox* c = Make<TCheckBox>(owner, parent, name, l, t, w, 17);
  c->SetCaption(caption);
  c->SetTag(tag);
  c->SetChecked(checked);
  return c;
}

}  // namespace

void TFormMain::BuildScreensSheet() {
  PageControl1 = Make<TPageControl>(this, Sheet_Tablo, "PageControl1", 0, 0, 1016, 446);
  PageControl1->SetAlign(alClient);
  PageControl1->SetTabPosition(tpBottom);
  PageControl1->SetMultiLine(true);
  PageControl1->SetOwnerDraw(true);

  auto page = [this](const char* name, const String& caption, intptr_t tag) {
    TTabSheet* t = new TTabSheet(this);
    t->SetName(name);
    t->SetPageControl(PageControl1);
    t->SetCaption(caption);
    t->SetTag(tag);
    return t;
  };
  const String blanks(30, ' ');
  TabSheet0 = page("TabSheet0", blanks + "On the Screen" + blanks, 0);
  TabSheet1 = page("TabSheet1", "Main", 522);
  TabSheet2 = page("TabSheet2", "With goals", 150);
  TabSheet3 = page("TabSheet3", "Structure", 630);
  TabSheet4 = page("TabSheet4", "Replacements", 539);
  TabSheet5 = page("TabSheet5", "Players", 20);
  Sheet_TV = page("Sheet_TV", "TV+", 6);
  Sheet_Media = page("Sheet_Media", "Reklama", 1122);
  TabSheet6 = page("TabSheet6", "Office", 0);
  Sheet_Clock = page("Sheet_Clock", "Clock", 0);
  Sheet_Stat = page("Sheet_Stat", "Statistic", 0);
  Sheet_Inet = page("Sheet_Inet", "Internet", 0);
  PageControl1->SetActivePage(TabSheet1);
  PageControl1->OnChange = [this](TObject* s) { PageControl1Change(s); };
  PageControl1->OnContextPopup = [this](TObject* s, TPoint p, bool& h) { PageControl1ContextPopup(s, p, h); };
  PageControl1->OnDrawTab = [this](TCustomControl* c, int i, const TRect& r, bool a) { PageControl1DrawTab(c, i, r, a); };

  // The transition editors of the selected page and the output's picture
  // show act on the page's transition word.
  cbPagePerexodNumber->OnChange = [this](TObject* s) { cbPagePerexodNumberChange(s); };
  cbPageStep->OnChange = [this](TObject* s) { cbPageStepChange(s); };
  cbPagePerexodName->OnChange = [this](TObject* s) { cbPagePerexodNameChange(s); };
  cbPagePerexodRnd->OnClick = [this](TObject* s) { cbPagePerexodRndClick(s); };
  BufferTablo->OnStart = [this](TObject* s) { BufferTabloStart(s); };

  BuildMainPages();
  BuildTvAndMediaPages();
  BuildClockStatInetPages();
  BuildLayoutEditor();
}

void TFormMain::BuildMainPages() {
  // ---- 1 Main ------------------------------------------------------------
  PanelTablo0 = PagePanel(this, TabSheet1, "PanelTablo0");
  ImageFon0 = Make<TImage>(this, PanelTablo0, "ImageFon0", 0, 0, 384, 256);
  ImageFon0->SetStretch(true);
  labTablo_Title = PageLabel(this, PanelTablo0, "labTablo_Title", "34-th Regional Football Championship", 0, 0, 384, 18,
                             clYellow);
  labTablo_Tur = PageLabel(this, PanelTablo0, "labTablo_Tur", "3-th tour", 0, 18, 384, 18, clYellow);
  iTablo_Logo1 = PageImage(this, PanelTablo0, "iTablo_Logo1", 0, 18, 192, 110);
  iTablo_Logo2 = PageImage(this, PanelTablo0, "iTablo_Logo2", 192, 18, 192, 110);
  eTablo_K1 = PageLabel(this, PanelTablo0, "eTablo_K1", "HOME", 0, 128, 191, 22);
  eTablo_K2 = PageLabel(this, PanelTablo0, "eTablo_K2", "GUEST", 193, 128, 191, 22);
  eTablo_Town1 = PageLabel(this, PanelTablo0, "eTablo_Town1", "Town", 0, 150, 191, 16);
  eTablo_Town2 = PageLabel(this, PanelTablo0, "eTablo_Town2", "Town", 193, 150, 191, 16);
  seTablo_Schet1 = PageLabel(this, PanelTablo0, "seTablo_Schet1", "0", 0, 166, 192, 90);
  seTablo_Schet2 = PageLabel(this, PanelTablo0, "seTablo_Schet2", "0", 192, 166, 192, 90);
  eTablo_Period = PageLabel(this, PanelTablo0, "eTablo_Period", "1", 176, 106, 32, 22, clAqua);
  eTablo_Period->SetVisible(false);
  eTablo_Time = PageLabel(this, PanelTablo0, "eTablo_Time", "0:00", 0, 238, 384, 18, clAqua);
  eTablo_Time->SetVisible(false);

  PanelTablo0Bot = SidePanel(this, TabSheet1, "PanelTablo0Bot");
  seTablo_ShowTime = Check(this, PanelTablo0Bot, "seTablo_ShowTime", "Show match time", 8, 8, 200, true);
  seTablo_ShowTown = Check(this, PanelTablo0Bot, "seTablo_ShowTown", "Town name", 8, 30, 200, true, 0);
  seTablo_ShowTitle = Check(this, PanelTablo0Bot, "seTablo_ShowTitle", "Title", 8, 52, 200, true, 1);
  seTablo_ShowTur = Check(this, PanelTablo0Bot, "seTablo_ShowTur", "Tour", 8, 74, 200, true, 2);
  seTablo_ShowTime->OnClick = [this](TObject* s) { seTablo_ShowTimeClick(s); };
  seTablo_ShowTown->OnClick = [this](TObject* s) { seTablo_ShowClick(s); };
  seTablo_ShowTitle->OnClick = [this](TObject* s) { seTablo_ShowClick(s); };
  seTablo_ShowTur->OnClick = [this](TObject* s) { seTablo_ShowClick(s); };

  // ---- 2 With goals ------------------------------------------------------
  PanelTablo1 = PagePanel(this, TabSheet2, "PanelTablo1");
  ImageFon1 = Make<TImage>(this, PanelTablo1, "ImageFon1", 0, 0, 384, 256);
  ImageFon1->SetStretch(true);
  eTabloGol_K1 = PageLabel(this, PanelTablo1, "eTabloGol_K1", "HOME", 0, 0, 191, 22);
  eTabloGol_K2 = PageLabel(this, PanelTablo1, "eTabloGol_K2", "GUEST", 193, 0, 191, 22);
  eTabloGol_Town1 = PageLabel(this, PanelTablo1, "eTabloGol_Town1", "Town", 0, 22, 191, 16);
  eTabloGol_Town2 = PageLabel(this, PanelTablo1, "eTabloGol_Town2", "Town", 193, 22, 191, 16);
  eTabloGol_Schet1 = PageLabel(this, PanelTablo1, "eTabloGol_Schet1", "0", 0, 38, 192, 70);
  eTabloGol_Schet2 = PageLabel(this, PanelTablo1, "eTabloGol_Schet2", "0", 192, 38, 192, 70);
  eTabloGol_Period = PageLabel(this, PanelTablo1, "eTabloGol_Period", "1", 176, 38, 32, 22, clAqua);
  eTabloGol_Period->SetVisible(false);
  TabloGol_Paint = Make<TPaintBox>(this, PanelTablo1, "TabloGol_Paint", 0, 128, 384, 128);
  TabloGol_Paint->Font()->SetHeight(-24);
  TabloGol_Paint->Font()->SetColor(clAqua);
  eTabloGol_Time = PageLabel(this, PanelTablo1, "eTabloGol_Time", "0:00", 0, 110, 384, 18, clAqua);
  eTabloGol_Time->SetVisible(false);

  TabloGol_List = Make<TMemo>(this, TabSheet2, "TabloGol_List", 385, 0, 250, 256);
  TabloGol_List->SetHint("Goal editor. First symbol 0..9 - string color");
  TabloGol_List->SetShowHint(true);
  TabloGol_List->SetScrollBars(ssVertical);
  TabloGol_List->Lines()->SetText("0  3'  7  Tony Jerry\n111'  2  Pit Nise\n");

  // ---- 3 Structure -------------------------------------------------------
  PanelSostav = PagePanel(this, TabSheet3, "PanelSostav");
  PaintSostav = Make<TPaintBox>(this, PanelSostav, "PaintSostav", 0, 0, 384, 256);
  PanelTbaloSostavBot = SidePanel(this, TabSheet3, "PanelTbaloSostavBot");
  cb_T_Sostav = Make<TComboBox>(this, PanelTbaloSostavBot, "cb_T_Sostav", 8, 8, 200, 21);
  cb_T_Sostav->SetStyle(csDropDownList);
  cb_T_Sostav->SetEnabled(false);
  cbKards = Check(this, PanelTbaloSostavBot, "cbKards", "Show yellow cards", 8, 34, 200, true);
  cbWithLogo = Check(this, PanelTbaloSostavBot, "cbWithLogo", "Show Logo", 8, 56, 200, false);
  DopPics = Make<TListBox>(this, PanelTbaloSostavBot, "DopPics", 8, 80, 200, 150);
  DopPics->Items()->SetText("LOGO\n");

  // ---- 4 Replacements ----------------------------------------------------
  PanelTablo3 = PagePanel(this, TabSheet4, "PanelTablo3");
  ImageFon3 = Make<TImage>(this, PanelTablo3, "ImageFon3", 0, 0, 384, 256);
  ImageFon3->SetStretch(true);
  PhotoOut = PageImage(this, PanelTablo3, "PhotoOut", 0, 0, 96, 127);
  PhotoIn = PageImage(this, PanelTablo3, "PhotoIn", 0, 129, 96, 127);
  LabelNumOut = PageLabel(this, PanelTablo3, "LabelNumOut", "", 120, 0, 40, 28);
  LabelNameOut = PageLabel(this, PanelTablo3, "LabelNameOut", "", 160, 0, 224, 42);
  LabelNumIn = PageLabel(this, PanelTablo3, "LabelNumIn", "", 120, 228, 40, 28);
  LabelNameIn = PageLabel(this, PanelTablo3, "LabelNameIn", "", 160, 214, 224, 42);
  Zamena_Logo = PageImage(this, PanelTablo3, "Zamena_Logo", 160, 42, 224, 172);
  Zamena_Min = PageLabel(this, PanelTablo3, "Zamena_Min", "1'", 96, 117, 64, 22, clYellow);
  Zamena_Min->SetVisible(false);
  PanelTablo3Bot = SidePanel(this, TabSheet4, "PanelTablo3Bot");
  cb_T_Zamena = Make<TComboBox>(this, PanelTablo3Bot, "cb_T_Zamena", 8, 8, 200, 21);
  cb_T_Zamena->SetStyle(csDropDownList);
  cb_T_Zamena->SetEnabled(false);
  ListZamenaOut = Make<TListBox>(this, PanelTablo3Bot, "ListZamenaOut", 8, 34, 116, 190);
  ListZamenaOut->SetTag(0);
  ListZamenaIn = Make<TListBox>(this, PanelTablo3Bot, "ListZamenaIn", 128, 34, 116, 190);
  ListZamenaIn->SetTag(1);
  seZamena_ShowMin = Check(this, PanelTablo3Bot, "seZamena_ShowMin", "Show minute", 8, 230, 200, false);

  // ---- 5 Players ---------------------------------------------------------
  PanelTablo4 = PagePanel(this, TabSheet5, "PanelTablo4");
  ImageFon4 = Make<TImage>(this, PanelTablo4, "ImageFon4", 0, 0, 384, 256);
  ImageFon4->SetStretch(true);
  LabelIgrokName = PageLabel(this, PanelTablo4, "LabelIgrokName", "", 0, 0, 384, 28);
  Igrok_Photo = PageImage(this, PanelTablo4, "Igrok_Photo", 0, 28, 171, 228);
  LabelIgrokBirthday = PageLabel(this, PanelTablo4, "LabelIgrokBirthday", "", 171, 28, 213, 20);
  LabelIgrokRostVes = PageLabel(this, PanelTablo4, "LabelIgrokRostVes", "", 171, 48, 213, 20);
  LabelIgrokAmplua = PageLabel(this, PanelTablo4, "LabelIgrokAmplua", "", 171, 68, 213, 20);
  Igrok_Logo = PageImage(this, PanelTablo4, "Igrok_Logo", 172, 89, 212, 167);
  PanelTablo4Bot = SidePanel(this, TabSheet5, "PanelTablo4Bot");
  Panel9 = Make<TPanel>(this, PanelTablo4Bot, "Panel9", 0, 0, 250, 256);
  Panel9->SetBevelOuter(bvNone);
  Panel9->SetCaption("");
  cb_T_Igroki = Make<TComboBox>(this, Panel9, "cb_T_Igroki", 4, 4, 200, 21);
  cb_T_Igroki->SetStyle(csDropDownList);
  cb_T_Igroki->SetEnabled(false);
  ListIgroki = Make<TCheckListBox>(this, Panel9, "ListIgroki", 4, 30, 244, 190);
  ListIgroki->SetTag(1);
  seIgok_Wait = Make<TSpinEdit>(this, Panel9, "seIgok_Wait", 4, 226, 50, 22);
  seIgok_Wait->SetMinValue(2);
  seIgok_Wait->SetMaxValue(99);
  seIgok_Wait->SetValue(2);
  seIgok_Wait->SetHint("Delay (с)");
  seIgok_Wait->SetShowHint(true);
  Timer_Igrok = MakeComponent<TTimer>(this, "Timer_Igrok");
  Timer_Igrok->SetEnabled(false);
  Timer_Igrok->SetInterval(2000);
  Timer_Igrok->SetTag(0);
}
