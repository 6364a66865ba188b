// Design of the controls of the players, line-up, goals and replacements
// pages that the page builders leave out, and the wiring of their handlers
// and of the referee's goal, card and substitution buttons.
#include "console/FMain.h"
#include "console/FMainBuildUtil.h"
#include "controls/ButtonWithColor.h"
#include "toolkit/Timer.h"

using namespace fmainbuild;

void TFormMain::BuildPlayersControls() {
  // ---- Players page --------------------------------------------------------
  ListIgroki->SetHeight(140);
  ListIgroki->OnClick = [this](TObject* s) { ListIgrokiClick(s); };
  ListIgroki->OnDblClick = [this](TObject* s) { ListIgrokiDblClick(s); };
  ListIgroki->OnKeyPress = [this](TObject* s, char32_t& k) { ListIgrokiKeyPress(s, k); };
  cb_T_Igroki->OnChange = [this](TObject* s) { cb_T_IgrokiChange(s); };

  PopupIgroki = MakeComponent<TPopupMenu>(this, "PopupIgroki");
  mIgrokCopy = MakeComponent<TMenuItem>(this, "mIgrokCopy");
  mIgrokCopy->SetCaption("Copy");
  mIgrokCopy->OnClick = [this](TObject* s) { mIgrokCopyClick(s); };
  PopupIgroki->Items()->Add(mIgrokCopy);
  ListIgroki->SetPopupMenu(PopupIgroki);

  bIgrok_Zabil = Make<TButton>(this, Panel9, "bIgrok_Zabil", 4, 174, 120, 24);
  bIgrok_Zabil->SetCaption("Scored Goal!");
  bIgrok_Zabil->SetEnabled(false);
  bIgrok_Zabil->OnClick = [this](TObject* s) { bIgrok_ZabilClick(s); };
  bIgrok_Kartochka = Make<TBitBtnWithColor>(this, Panel9, "bIgrok_Kartochka", 128, 174, 60, 24);
  bIgrok_Kartochka->SetCaption("Card");
  bIgrok_Kartochka->SetHint("K_Yellow");
  bIgrok_Kartochka->SetEnabled(false);
  bIgrok_Kartochka->OnClick = [this](TObject* s) { bIgrok_KartochkaClick(s); };
  bIgroki_Logo = Make<TButton>(this, Panel9, "bIgroki_Logo", 192, 174, 56, 24);
  bIgroki_Logo->SetCaption("LOGO");
  bIgroki_Logo->OnClick = [this](TObject* s) { bIgroki_LogoClick(s); };

  ToolBarIgrok = Make<TToolBar>(this, Panel9, "ToolBarIgrok", 58, 224, 190, 28);
  ToolBarIgrok->SetAlign(alNone);
  ToolBarIgrok->SetBounds(58, 224, 190, 28);
  ToolBarIgrok->SetButtonWidth(40);
  ToolBarIgrok->SetButtonHeight(24);
  ToolBarIgrok->SetFlat(true);
  ToolBarIgrok->SetShowCaptions(true);
  auto toolButton = [this](const char* name, const char* caption, const char* hint) {
    TToolButton* b = new TToolButton(this);
    b->SetName(name);
    b->SetCaption(caption);
    b->SetHint(hint);
    b->SetShowHint(true);
    b->SetParent(ToolBarIgrok);
    return b;
  };
  tbIgrok_Play = toolButton("tbIgrok_Play", "Play", "Show all players");
  tbIgrok_Play->SetEnabled(false);
  tbIgrok_Play->OnClick = [this](TObject* s) { tbIgrok_PlayClick(s); };
  tbIgrok_Stop = toolButton("tbIgrok_Stop", "Stop", "Stop");
  tbIgrok_Stop->SetEnabled(false);
  tbIgrok_Stop->OnClick = [this](TObject* s) { tbIgrok_StopClick(s); };
  tbIgrok_NextIgrok = toolButton("tbIgrok_NextIgrok", "Next", "Show next player");
  tbIgrok_NextIgrok->SetEnabled(false);
  tbIgrok_NextIgrok->OnClick = [this](TObject* s) { tbIgrok_NextIgrokClick(s); };

  seIgok_Wait->OnChange = [this](TObject* s) { seIgok_WaitChange(s); };
  Timer_Igrok->OnTimer = [this](TObject* s) { Timer_IgrokTimer(s); };

  // ---- Line-up page --------------------------------------------------------
  DopPics->SetHeight(120);
  DopPics->OnDblClick = [this](TObject* s) { DopPicsDblClick(s); };
  TToolBar* dopBar = Make<TToolBar>(this, PanelTbaloSostavBot, "ToolBarDop", 212, 80, 28, 76);
  dopBar->SetAlign(alNone);   // a column of buttons beside the list
  dopBar->SetBounds(212, 80, 28, 76);
  dopBar->SetWrapable(true);
  dopBar->SetFlat(true);
  dopBar->SetButtonWidth(24);
  dopBar->SetButtonHeight(24);
  dopBar->SetImages(ImageList16);
  struct Tool { TToolButton** button; const char* name; const char* hint; int image; };
  for (Tool t : {Tool{&tbDop_New, "tbDop_New", "New picture list", 0}, Tool{&tbDop_Load, "tbDop_Load", "Load a picture list", 2},
                 Tool{&tbDop_Save, "tbDop_Save", "Save the picture list", 4}}) {
    auto* b = new TToolButton(this);
    b->SetName(t.name);
    b->SetHint(t.hint);
    b->SetShowHint(true);
    b->SetImageIndex(t.image);
    b->SetParent(dopBar);
    *t.button = b;
  }
  tbDop_New->OnClick = [this](TObject* s) { tbDop_NewClick(s); };
  tbDop_Load->OnClick = [this](TObject* s) { tbDop_LoadClick(s); };
  tbDop_Save->OnClick = [this](TObject* s) { tbDop_SaveClick(s); };
  Button1 = Make<TButton>(this, PanelTbaloSostavBot, "Button1", 8, 206, 80, 24);
  Button1->SetCaption("LOGO");
  Button1->OnClick = [this](TObject* s) { bIgroki_LogoClick(s); };
  cb_T_Sostav->OnChange = [this](TObject* s) { cb_T_SostavChange(s); };
  PaintSostav->OnPaint = [this](TObject* s) { PaintSostavPaint(s); };
  cbKards->OnClick = [this](TObject* s) { cbKardsClick(s); };
  cbWithLogo->OnClick = [this](TObject* s) { cbKardsClick(s); };

  // ---- With goals page -----------------------------------------------------
  seTabloGol_TopList = Make<TSpinEdit>(this, TabSheet2, "seTabloGol_TopList", 640, 0, 50, 22);
  seTabloGol_TopList->SetMinValue(0);
  seTabloGol_TopList->SetMaxValue(100);
  seTabloGol_TopList->SetValue(0);
  seTabloGol_TopList->SetHint("Scroll is more goal");
  seTabloGol_TopList->SetShowHint(true);
  seTabloGol_TopList->OnChange = [this](TObject* s) { seTabloGol_TopListChange(s); };
  TabloGol_Paint->OnPaint = [this](TObject* s) { TabloGol_PaintPaint(s); };
  TabloGol_List->OnChange = [this](TObject* s) { TabloGol_ListChange(s); };

  // ---- Replacements page ---------------------------------------------------
  cb_T_Zamena->OnChange = [this](TObject* s) { cb_T_ZamenaChange(s); };
  ListZamenaOut->OnClick = [this](TObject* s) { ListZamenaOutClick(s); };
  ListZamenaIn->OnClick = [this](TObject* s) { ListZamenaOutClick(s); };
  seZamena_ShowMin->OnClick = [this](TObject* s) { seZamena_ShowMinClick(s); };

  // ---- Referee's buttons ---------------------------------------------------
  for (TButton* b : {bSud_Gol1, bSud_Gol2}) {
    b->OnClick = [this](TObject* s) { bGolClick(s); };
    b->OnMouseUp = [this](TObject* s, TMouseButton mb, TShiftState sh, int x, int y) { bGolMouseUp(s, mb, sh, x, y); };
  }
  for (TButton* b : std::initializer_list<TButton*>{bSud_KY1, bSud_KR1, bSud_KY2, bSud_KR2})
    b->OnClick = [this](TObject* s) { bSud_KClick(s); };
  for (TButton* b : {bSud_Zamena1, bSud_Zamena2}) b->OnClick = [this](TObject* s) { bSud_Zamena2Click(s); };

  // ---- The window ----------------------------------------------------------
  // A closing program ends the waits of the goal, card and players roads;
  // losing the focus frees a confined cursor; Esc is noted for the show.
  TCloseEvent prevClose = OnClose;
  OnClose = [this, prevClose](TObject* s, TCloseAction& a) {
    if (prevClose) prevClose(s, a);
    if (a != caNone) {
      ClosingDown = true;
      AppDeactivate(s);
    }
  };
  TNotifyEvent prevDeactivate = OnDeactivate;
  OnDeactivate = [this, prevDeactivate](TObject* s) {
    AppDeactivate(s);
    if (prevDeactivate) prevDeactivate(s);
  };
  SetKeyPreview(true);
  TKeyEvent prevKey = OnKeyDown;
  OnKeyDown = [this, prevKey](TObject* s, uint16_t& key, TShiftState sh) {
    if (key == VK_ESCAPE) EscapePending = true;
    if (prevKey) prevKey(s, key, sh);
  };
}
