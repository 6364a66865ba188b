// Design of the secretary's sheet: the team editor (team combo, names, logo,
// line-up grid) and the match header (title and round).
#include "console/FMain.h"
#include "console/FMainBuildUtil.h"
#include "toolkit/Printers.h"
#include "controls/Led.h"
#include "console/TeamFile.h"
#include "controls/Profile.h"
#include "grids/SortGrid.h"

using namespace fmainbuild;

void TFormMain::BuildSecretarySheet() {
  // ---- Team library ------------------------------------------------------
  Profile1 = MakeComponent<TProfile>(this, "Profile1");

  ToolBarSek = Make<TToolBar>(this, Sheet_Sek, "ToolBarSek", 0, 0, 1016, 30);
  ToolBarSek->SetAlign(alTop);
  ToolBarSek->SetButtonWidth(40);
  ToolBarSek->SetButtonHeight(26);
  ToolBarSek->SetFlat(true);
  ToolBarSek->SetShowCaptions(true);
  bSek_New = new TToolButton(this);
  bSek_New->SetName("bSek_New");
  bSek_New->SetCaption("New");
  bSek_New->SetHint("New Team");
  bSek_New->SetShowHint(true);
  bSek_New->SetParent(ToolBarSek);
  bSek_New->OnClick = [this](TObject* s) { bSek_NewClick(s); };
  bSek_Save = new TToolButton(this);
  bSek_Save->SetName("bSek_Save");
  bSek_Save->SetCaption("Save");
  bSek_Save->SetHint("Save Team");
  bSek_Save->SetShowHint(true);
  bSek_Save->SetEnabled(false);
  bSek_Save->SetParent(ToolBarSek);
  bSek_Save->OnClick = [this](TObject* s) { bSek_SaveClick(s); };
  bSek_Load = new TToolButton(this);
  bSek_Load->SetName("bSek_Load");
  bSek_Load->SetCaption("XLS");
  bSek_Load->SetHint("Load Team from XLS");
  bSek_Load->SetShowHint(true);
  bSek_Load->SetParent(ToolBarSek);
  bSek_Load->OnClick = [this](TObject* s) { bSek_LoadClick(s); };
  OpenXlsDialog1 = MakeComponent<TOpenDialog>(this, "OpenXlsDialog1");
  OpenXlsDialog1->Filter = "Spreadsheets (*.xls;*.xlsx)|*.xls;*.xlsx";

  cbSek_Komands = Make<TComboBox>(this, Sheet_Sek, "cbSek_Komands", 4, 36, 240, 21);
  cbSek_Komands->SetStyle(csDropDownList);
  cbSek_Komands->SetSorted(true);
  cbSek_Komands->SetDropDownCount(24);
  cbSek_Komands->OnChange = [this](TObject* s) { cbSek_KomandsChange(s); };

  eSek_KomName = Make<TEdit>(this, Sheet_Sek, "eSek_KomName", 4, 62, 240, 21);
  eSek_KomName->SetText("");
  eSek_KomName2 = Make<TEdit>(this, Sheet_Sek, "eSek_KomName2", 4, 62, 240, 21);
  eSek_KomName2->SetText("");
  eSek_KomName2->SetVisible(false);
  eSek_KomTown = Make<TEdit>(this, Sheet_Sek, "eSek_KomTown", 4, 88, 240, 21);
  eSek_KomTown->SetText("");
  for (TEdit* e : {eSek_KomName, eSek_KomName2, eSek_KomTown}) e->OnChange = [this](TObject* s) { NadoSave(s); };

  iSek_KomLogo = Make<TImage>(this, Sheet_Sek, "iSek_KomLogo", 4, 114, 180, 120);
  iSek_KomLogo->SetCenter(true);
  iSek_KomLogo->SetProportional(true);
  iSek_KomLogo->SetStretch(true);
  iSek_KomLogo->SetHint("Press for select logo team");
  iSek_KomLogo->SetShowHint(true);
  iSek_KomLogo->OnClick = [this](TObject* s) { iSek_KomLogoClick(s); };

  OpenPictureDialog1 = MakeComponent<TOpenDialog>(this, "OpenPictureDialog1");
  OpenPictureDialog1->Filter = "All (*.jpg;*.jpeg;*.bmp;*.ico;*.png)|*.jpg;*.jpeg;*.bmp;*.ico;*.png";

  // ---- Line-up grid --------------------------------------------------------
  PanelSekGrid = Make<TPanel>(this, Sheet_Sek, "PanelSekGrid", 250, 36, 760, 400);
  PanelSekGrid->SetBevelOuter(bvNone);
  PanelSekGrid->SetCaption("");
  sgSek_Sostav = Make<TSortGrid>(this, PanelSekGrid, "sgSek_Sostav", 0, 0, 760, 400);
  sgSek_Sostav->SetAlign(alClient);
  sgSek_Sostav->SetColCount(9);
  sgSek_Sostav->SetRowCount(2);
  sgSek_Sostav->SetFixedCols(0);
  sgSek_Sostav->SetFixedRows(1);
  sgSek_Sostav->SetDefaultRowHeight(20);
  sgSek_Sostav->SortOptions()->CanSort = false;   // the line-up keeps its own order
  sgSek_Sostav->OnModified = [this](TObject* s) { NadoSave(s); };
  sgSek_Sostav->SetOptions({goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goDrawFocusSelected,
                            goColSizing, goEditing, goRowSelect});
  sgSek_Sostav->SortOptions()->CanSort = false;
  sgSek_Sostav->SortOptions()->SortStyle = ssNumeric;
  // Ticks are read by the team file's own rule, so the grid shows what a save stores.
  sgSek_Sostav->CheckedText = [](const String& t) { return IsCheckedText(t); };
  sgSek_Sostav->OnGetCellFormat = [this](TObject* s, int c, int r, TGridDrawState st, TFormatOptions& f, bool& ck,
                                         bool& cb, bool& el) { sgSek_SostavGetCellFormat(s, c, r, st, f, ck, cb, el); };
  sgSek_Sostav->OnGetComboBox = [this](TObject* s, int c, int r, TStringList*& l, int& w, int& h, bool& sorted) {
    sgSek_SostavGetComboBox(s, c, r, l, w, h, sorted);
  };
  sgSek_Sostav->OnSetChecked = [this](TObject* s, int c, int r, bool v) { sgSek_SostavSetChecked(s, c, r, v); };
  sgSek_Sostav->OnSetComboBox = [this](TObject* s, int c, int r, const String& v) {
    sgSek_SostavSetComboBox(s, c, r, v);
  };
  sgSek_Sostav->OnSelectCell = [this](TObject* s, int c, int r, bool& can) { sgSek_SostavSelectCell(s, c, r, can); };
  sgSek_Sostav->OnKeyDown = [this](TObject* s, uint16_t& k, TShiftState sh) { sgSek_SostavKeyDown(s, k, sh); };
  sgSek_Sostav->OnKeyPress = [this](TObject* s, char32_t& k) { sgSek_SostavKeyPress(s, k); };
  sgSek_Sostav->OnDblClick = [this](TObject* s) { sgSek_SostavDblClick(s); };

  PopupMenu2 = MakeComponent<TPopupMenu>(this, "PopupMenu2");
  PopupMenu2->OnPopup = [this](TObject* s) { PopupMenu2Popup(s); };
  PastefromTable = MakeComponent<TMenuItem>(this, "PastefromTable");
  PastefromTable->SetCaption("Paste from table");
  PastefromTable->OnClick = [this](TObject* s) { PastefromTableClick(s); };
  mIgrokDelete = MakeComponent<TMenuItem>(this, "mIgrokDelete");
  mIgrokDelete->SetCaption("Delete");
  mIgrokDelete->OnClick = [this](TObject* s) { mIgrokDeleteClick(s); };
  PopupMenu2->Items()->Add(PastefromTable);
  PopupMenu2->Items()->Add(mIgrokDelete);
  sgSek_Sostav->SetPopupMenu(PopupMenu2);

  LedSek_EditOn = Make<TLed>(this, Sheet_Sek, "LedSek_EditOn", 250, 442, 16, 16);
  LedSek_EditOn->SetKind(lkGreen);
  LedSek_EditOn->SetHint("Edit mode");
  LedSek_EditOn->SetShowHint(true);
  LedSek_EditOn->OnChange = [this](TObject* s) { LedSek_EditOnChange(s); };
  LedSek_EditOn->OnClick = [this](TObject* s) { LedSek_EditOnClick(s); };
  LabSek_Sostav = Make<TLabel>(this, Sheet_Sek, "LabSek_Sostav", 272, 443, 120, 13);
  LabSek_Sostav->SetCaption("");

  bPrint = new TToolButton(this);
  bPrint->SetName("bPrint");
  bPrint->SetCaption("Print");
  bPrint->SetHint("Print the line-up");
  bPrint->SetShowHint(true);
  bPrint->SetParent(ToolBarSek);
  bPrint->OnClick = [this](TObject* s) { bPrintClick(s); };
  PrintDialog1 = MakeComponent<TPrintDialog>(this, "PrintDialog1");

  Sek_ImagePhoto = Make<TImage>(this, Sheet_Sek, "Sek_ImagePhoto", 190, 114, 54, 72);
  Sek_ImagePhoto->SetCenter(true);
  Sek_ImagePhoto->SetProportional(true);
  Sek_ImagePhoto->SetStretch(true);
  Sek_ImagePhoto->SetTag(-1);
  Sek_ImagePhoto->SetCursor(crHandPoint);
  Sek_ImagePhoto->OnClick = [this](TObject* s) { Sek_ImagePhotoClick(s); };
  Sek_ImageNote = Make<TLabel>(this, Sheet_Sek, "Sek_ImageNote", 190, 190, 54, 13);
  Sek_ImageNote->SetCaption("0x0");

  // ---- Match header ------------------------------------------------------
  eSek_Title = Make<TEdit>(this, Sheet_Sek, "eSek_Title", 4, 244, 240, 21);
  eSek_Title->SetText("34-th Regional Football Championship");
  eSek_Title->OnExit = [this](TObject* s) { eSek_TitleExit(s); };

  seSek_Tur = Make<TSpinEdit>(this, Sheet_Sek, "seSek_Tur", 4, 270, 50, 22);
  seSek_Tur->SetMinValue(1);
  seSek_Tur->SetMaxValue(99);
  seSek_Tur->SetValue(3);
  seSek_Tur->OnChange = [this](TObject* s) { seSek_TurChange(s); };

  eTour = Make<TEdit>(this, Sheet_Sek, "eTour", 58, 270, 120, 21);
  eTour->SetText("-th tour");
  eTour->OnExit = [this](TObject* s) { seSek_TurChange(s); };
}
