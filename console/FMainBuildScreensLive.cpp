// Design of the live and document pages of the "Screens" sheet: TV+ with the
// running text and the cameras, Reklama (media frame), Office, Clock,
// Statistic and Internet.
#include "console/FMain.h"
#include "console/FMainBuildUtil.h"
#include "controls/Led.h"
#include "platform/web/WebBrowser.h"
#include "console/FrMedia.h"
#include "controls/Label3D.h"
#include "controls/RunLabel.h"
#include "media/DSGraph.h"
#include "media/DSVideoWindow.h"

using namespace fmainbuild;

namespace {

TPanel* PagePanel(TComponent* owner, TWinControl* parent, const char* name) {
  TPanel* p = Make<TPanel>(owner, parent, name, 0, 0, 384, 256);
  p->SetColor(clBlack);
  p->SetBevelOuter(bvNone);
  p->SetCaption("");
  return p;
}

TPanel* SidePanel(TComponent* owner, TWinControl* parent, const char* name, int left = 385, int width = 250) {
  TPanel* p = Make<TPanel>(owner, parent, name, left, 0, width, 256);
  p->SetBevelOuter(bvNone);
  p->SetCaption("");
  return p;
}


}  // namespace

void TFormMain::BuildTvAndMediaPages() {
  // ---- 6 TV+ -------------------------------------------------------------
  PanelTablo5 = PagePanel(this, Sheet_TV, "PanelTablo5");
  DSVideoWindowEx = Make<TDSVideoWindowEx2>(this, PanelTablo5, "DSVideoWindowEx", 0, 0, 384, 256);
  DSVideoWindowEx->SetAlign(alClient);
  DSVideoWindowEx->SetColor(clBlack);
  DSVideoWindowEx->SetAspectRatio(rmCrop);
  DSVideoWindowEx->SetAutoHideCursor(0);
  FilterGraph1 = new TFilterGraph(this);
  FilterGraph1->SetName("FilterGraph1");
  FilterGraph1->SetMode(gmCapture);
  FilterGraph1->SetAutoCreate(true);
  DSVideoWindowEx->SetFilterGraph(FilterGraph1);
  Filter1 = new TFilter(this);
  Filter1->SetName("Filter1");
  Filter1->SetFilterGraph(FilterGraph1);
  ImageOnTV = Make<TImage>(this, PanelTablo5, "ImageOnTV", 0, 0, 384, 256);
  ImageOnTV->SetStretch(true);
  ImageOnTV->SetTransparent(true);
  LabelStadionName = PageLabel(this, PanelTablo5, "LabelStadionName", "ZEL", 0, 0, 384, 24, clYellow);
  LabelStadionName->OnClick = [this](TObject* s) { LabelStadionNameClick(s); };

  RunStr = Make<TRunLabel>(this, PanelTablo5, "RunStr", 0, 224, 384, 32);
  RunStr->SetAlign(alBottom);
  RunStr->SetSpeed(10);
  RunStr->SetColorH(TColor(32));
  RunStr->SetColorS(TColor(32));
  RunStr->RFont()->SetName("Arial Narrow");
  RunStr->RFont()->SetStyle({fsBold});
  RunStr->RFont()->SetHeight(-27);
  RunStr->RFont()->SetColor(clWhite);
  RunStr->SetRText("RUNNING STRING");
  RunStr->SetStepToView(192);
  RunStr->SetVisible(false);

  Panel1TvPics = SidePanel(this, Sheet_TV, "Panel1TvPics", 384, 620);
  rgVideoDrv = Make<TRadioGroup>(this, Panel1TvPics, "rgVideoDrv", 4, 4, 180, 40);
  rgVideoDrv->SetCaption("Video drivers:");
  rgVideoDrv->Items()->SetText("Drivers not found\n");
  rgVideoDrv->SetItemIndex(0);
  rgVideoDrv->SetTag(-1);
  rgVideoDrv->OnClick = [this](TObject* s) { rgVideoDrvClick(s); };

  ListPicOnTV = Make<TListBox>(this, Panel1TvPics, "ListPicOnTV", 4, 50, 180, 150);
  ListPicOnTV->Items()->SetText("NO\n");
  ListPicOnTV->SetHint("List in file: PicOnTV.txt");
  ListPicOnTV->SetShowHint(true);
  ListPicOnTV->OnClick = [this](TObject* s) { ListPicOnTVClick(s); };
  cbTVpic_Transp = Make<TCheckBox>(this, Panel1TvPics, "cbTVpic_Transp", 4, 204, 180, 17);
  cbTVpic_Transp->OnClick = [this](TObject* s) { cbTVpic_TranspClick(s); };
  cbTVpic_Transp->SetCaption("Transparency ");
  cbTVpic_Transp->SetChecked(true);

  ListRunStr = Make<TCheckListBox>(this, Panel1TvPics, "ListRunStr", 190, 4, 300, 196);
  ListRunStr->SetMultiSelect(true);
  RS_edit = Make<TEdit>(this, Panel1TvPics, "RS_edit", 190, 204, 300, 21);
  RS_edit->SetText("");
  rlNapr = Make<TComboBox>(this, Panel1TvPics, "rlNapr", 496, 4, 110, 21);
  rlNapr->SetStyle(csDropDownList);
  rlNapr->Font()->SetName("Wingdings");
  rlNapr->OnChange = [this](TObject* s) { rlNaprChange(s); };
  rlSpeed = Make<TTrackBar>(this, Panel1TvPics, "rlSpeed", 496, 30, 110, 30);
  rlSpeed->SetMin(-2);
  rlSpeed->SetMax(2);
  rlSpeed->SetPageSize(1);
  rlSpeed->SetPosition(0);
  cbRlTop = Make<TCheckBox>(this, Panel1TvPics, "cbRlTop", 496, 64, 110, 17);
  cbRlTop->SetCaption("Atring at top");
  cbRlTop->SetChecked(false);
  cbRlTop->OnClick = [this](TObject* s) { cbRlTopClick(s); };
  LabelRS_Color = Make<TLabel>(this, Panel1TvPics, "LabelRS_Color", 496, 86, 110, 32);
  LabelRS_Color->SetAutoSize(false);
  // Made with an empty caption, the label had already shrunk to fit it.
  LabelRS_Color->SetBounds(496, 86, 110, 32);
  LabelRS_Color->SetAlignment(taCenter);
  LabelRS_Color->SetLayout(tlCenter);
  LabelRS_Color->SetColor(clBlack);
  LabelRS_Color->SetTransparent(false);
  LabelRS_Color->SetCaption("COLOR");
  BuildRunTextPage();

  // ---- 7 Reklama ---------------------------------------------------------
  FrameMedia1 = new TFrameMedia(this);
  FrameMedia1->SetName("FrameMedia1");
  FrameMedia1->SetBounds(0, 0, 1000, 300);
  FrameMedia1->SetParent(Sheet_Media);
  FrameMedia1->SetAlign(alClient);
  PlayGoalClip = [this](const String& Clip) { FrameMedia1->PlayClipBlocking(Clip); };
  FrameMedia1->cbCikle->SetCaption("Cicle");
  FrameMedia1->LabelDelay->SetCaption("DElay:");

  // ---- 8 Office ----------------------------------------------------------
  BuildOfficePage();
}

void TFormMain::BuildClockStatInetPages() {
  // ---- 9 Clock -----------------------------------------------------------
  BuildClockPage();

  // ---- 10 Statistic --------------------------------------------------------
  PanelStat = PagePanel(this, Sheet_Stat, "PanelStat");
  eTabloStat_K1 = PageLabel(this, PanelStat, "eTabloStat_K1", "HOME", 0, 0, 191, 22);
  eTabloStat_K2 = PageLabel(this, PanelStat, "eTabloStat_K2", "GUEST", 193, 0, 191, 22);
  eTabloStat_Schet1 = PageLabel(this, PanelStat, "eTabloStat_Schet1", "0", 0, 22, 191, 80);
  eTabloStat_Schet2 = PageLabel(this, PanelStat, "eTabloStat_Schet2", "0", 193, 22, 191, 80);
  static const char* rowTitles[7] = {"", "IMPACTS IN GATE", "IMPACTS IN PASS", "ANGULAR", "CARDS", "OFSIDES", "FOLES"};
  static const char* rowNames[7] = {"", "eTabloStat_Label1", "eTabloStat_Label2", "eTabloStat_Label3",
                                    "eTabloStat_Label4", "eTabloStat_Label5", "eTabloStat_Label6"};
  for (int r = 1; r <= 6; ++r)
    eTabloStat_Label[size_t(r)] = PageLabel(this, PanelStat, rowNames[r], rowTitles[r], 46, 110 + (r - 1) * 24, 292, 22);

  // Counters in the order of the settings "Stat1_1".."Stat1_14".
  static const char* keys[15] = {"", "K1_1", "K1_2", "K1_3", "K1_4Y", "K1_4R", "K1_5", "K1_6",
                                 "K2_1", "K2_2", "K2_3", "K2_4Y", "K2_4R", "K2_5", "K2_6"};
  // Every counter is wide enough for three digits: the cards row holds two
  // of them per side (yellow, then red), the other rows one.
  constexpr int inputW = 56, sideW = 2 + inputW + 2 + inputW + 2;
  TabloStat_PanelL = SidePanel(this, Sheet_Stat, "TabloStat_PanelL", 385, sideW);
  TabloStat_PanelR = SidePanel(this, Sheet_Stat, "TabloStat_PanelR", 385 + sideW, sideW);
  static const int rowOf[15] = {0, 1, 2, 3, 4, 4, 5, 6, 1, 2, 3, 4, 4, 5, 6};
  for (int n = 1; n <= 14; ++n) {
    const bool left = n <= 7;
    const bool red = String(keys[n]).find("4R") != String::npos;
    const bool yellow = String(keys[n]).find("4Y") != String::npos;
    const int top = 110 + (rowOf[n] - 1) * 24;
    const String labelName = String("CTabloStat_") + keys[n];
    int lx = left ? 0 : 338;
    if (red) lx = left ? 23 : 315;
    TLabel3D* L = PageLabel(this, PanelStat, labelName.c_str(), "0", lx, top, (red || yellow) ? 23 : 46, 22,
                            red ? clRed : (yellow ? clYellow : clWhite));
    StatLabels[size_t(n)] = L;
    const String inputName = String("seTabloStat_") + keys[n];
    TSpinEdit* se = Make<TSpinEdit>(this, left ? TabloStat_PanelL : TabloStat_PanelR, inputName.c_str(),
                                    red ? 2 + inputW + 2 : 2, top, inputW, 22);
    se->SetMinValue(0);
    se->SetMaxValue(999);
    se->SetValue(0);
    se->OnChange = [this](TObject* s) { seTabloStat_Change(s); };
    StatInputs[size_t(n)] = se;
  }
  TToolBar* statBar = Make<TToolBar>(this, TabloStat_PanelL, "ToolBarStat", 0, 0, 60, 28);
  statBar->SetFlat(true);
  statBar->SetButtonWidth(56);
  statBar->SetButtonHeight(24);
  statBar->SetShowCaptions(true);
  bTabloStat_New = new TToolButton(this);
  bTabloStat_New->SetName("bTabloStat_New");
  bTabloStat_New->SetCaption("Reset");
  bTabloStat_New->SetHint("Reset statistic");
  bTabloStat_New->SetShowHint(true);
  bTabloStat_New->SetParent(statBar);
  bTabloStat_New->OnClick = [this](TObject* s) { bTabloStat_NewClick(s); };

  // ---- 11 Internet -------------------------------------------------------
  PanelInet = PagePanel(this, Sheet_Inet, "PanelInet");
  TabloInet_PanelR = SidePanel(this, Sheet_Inet, "TabloInet_PanelR");
  WebBrowser = Make<TWebBrowser>(this, PanelInet, "WebBrowser", 0, 0, 384, 256);
  WebBrowser->SetAlign(alClient);
  // The page is the picture the output shows: without scroll bars (the
  // operator scrolls with the wheel or the keys).
  WebBrowser->SetScrollBars(false);
  WebBrowser->OnDownloadBegin = [this](TObject* s) { WebBrowserDownloadBegin(s); };
  WebBrowser->OnDownloadComplete = [this](TObject* s) { WebBrowserDownloadComplete(s); };
  TToolBar* inetBar = Make<TToolBar>(this, TabloInet_PanelR, "ToolBarInet", 0, 0, 156, 28);
  // Left part of the top row only: the status lamp and its text lie beside it.
  inetBar->SetAlign(alNone);
  inetBar->SetBounds(0, 0, 156, 28);
  inetBar->SetFlat(true);
  inetBar->SetShowCaptions(true);
  inetBar->SetButtonWidth(48);
  inetBar->SetButtonHeight(24);
  struct Tool { TToolButton** button; const char* name; const char* caption; const char* hint; };
  for (Tool t : {Tool{&bInet_New, "bInet_New", "New", "Clear the link list"},
                 Tool{&bInet_Load, "bInet_Load", "Open", "Load a link list"},
                 Tool{&bInet_Save, "bInet_Save", "Save", "Save the link list"}}) {
    auto* b = new TToolButton(this);
    b->SetName(t.name);
    b->SetCaption(t.caption);
    b->SetHint(t.hint);
    b->SetShowHint(true);
    b->SetParent(inetBar);
    *t.button = b;
  }
  bInet_New->OnClick = [this](TObject* s) { bInet_NewClick(s); };
  bInet_Load->OnClick = [this](TObject* s) { bInet_LoadClick(s); };
  bInet_Save->OnClick = [this](TObject* s) { bInet_SaveClick(s); };
  InetLedLoader = Make<TLed>(this, TabloInet_PanelR, "InetLedLoader", 160, 6, 16, 16);
  InetLedLoader->SetKind(lkRed);
  InetLedLoader->SetShape(lsCircle);
  InetLedLoader->SetHint("Link status");
  InetLedLoader->SetShowHint(true);
  LinkLedLabel = Make<TLabel>(this, TabloInet_PanelR, "LinkLedLabel", 180, 7, 64, 13);
  InetLedLoader->SetLabelOnText("Loading");
  InetLedLoader->SetLabelOffText("Ready");
  InetLedLoader->SetLabelLinked(LinkLedLabel);
  ListInet = Make<TListBox>(this, TabloInet_PanelR, "ListInet", 4, 32, 240, 216);
  ListInet->SetStyle(lbOwnerDrawFixed);
  ListInet->SetHint("Right button - properties");
  ListInet->SetShowHint(true);
  ListInet->OnDrawItem = [this](TWinControl* c, int i, TRect r, TOwnerDrawState st) { ListInetDrawItem(c, i, r, st); };
  ListInet->OnDblClick = [this](TObject* s) { ListInetDblClick(s); };
  ListInet->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    ListInetMouseDown(s, b, sh, x, y);
  };
}
