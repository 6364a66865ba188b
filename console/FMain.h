#pragma once
// The console's main window: the output band at the top (what the stadium
// screen shows) and below it the operator's sheets. Its controls are fields,
// grouped by subject; each subject's handlers live in a unit of their own
// (FMain<Subject>.cpp) and each sheet is built by its own function
// (FMainBuild<Sheet>.cpp).
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>
#include "console/ConsoleTypes.h"
#include "console/ListFileState.h"
#include "console/MatchStateWriter.h"
#include "console/StatusQueue.h"
#include "grids/SortGrid.h"
#include "toolkit/Buttons.h"
#include "toolkit/CheckLst.h"
#include "toolkit/ComCtrls.h"
#include "toolkit/Dialogs.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/ImgList.h"
#include "toolkit/Mask.h"
#include "toolkit/Menus.h"
#include "toolkit/Registry.h"
#include "toolkit/RichEdit.h"
#include "toolkit/Spin.h"
#include "toolkit/StdCtrls.h"

class TTimer;
class TLabel3D;
class TRunLabel;
class TPictureShow;
class TProfile;
class TFrameMedia;
class TSortGrid;
class TFileDrag;
class TBitBtnWithColor;
class TLed;
class TPrintDialog;
class TWebBrowser;
class TStretchHandle;
class TIniDocument;
class TDialClock;
class TPLNClock;
class TPowPnt;

// ---------------------------------------------------------------------------
// Unit-level state of the console.
// Settings key: "\Software\Quellmark\" + the executable's base name.
extern String SettingsKeyPath;
// The executable's folder with a trailing '/'; prefix of every data file
// ("Teams/", "Texts/", "Pics/", "Views/", "Gols.txt", "Period.txt").
extern String AppFolder;
// The page on the output area and the page selected in the console.
extern TTabloPageIndex ScreenPage;
extern TTabloPageIndex SelectedPage;
// Set while a scripted transition (goal logo, card) runs.
extern bool TransitionBusy;

// The settings key path for an executable's base name.
String SettingsKeyFor(const String& exeBaseName);

// How a main window finds its files; the program uses the executable's
// folder and name, tests a temporary folder.
struct TFormMainEnvironment {
  String AppFolder;     // with or without trailing '/'; empty: the executable's folder
  String ExeBaseName;   // empty: the executable's file name without extension
};

class TFilterGraph;
class TFilter;
class TSysDevEnum;
class TDSVideoWindowEx2;

class TFormMain : public TForm {
 public:
  explicit TFormMain(TComponent* AOwner);
  TFormMain(TComponent* AOwner, const TFormMainEnvironment& env);
  ~TFormMain() override;
  String ClassName() const override { return "TFormMain"; }

  // The executable's base name (settings key, layout file, office list).
  const String& ExeBaseName() const { return exeBaseName_; }

  // =========================================================================
  // Start-up, main window and shutdown
  // =========================================================================
  TPanel* PanelTablo = nullptr;        // band holding the output area
  TImage* ImageBlack = nullptr;        // carrier of the output size (invisible)
  TPanel* PanelTabloRamka = nullptr;   // frame around the output area
  TPanel* PanelTabloColor = nullptr;   // the output area proper
  TPictureShow* BufferTablo = nullptr; // transitions into the output area
  TPanel* PanelZaAvi = nullptr;        // backdrop of the live video
  TPanel* Panelekta = nullptr;         // right of the frame
  TPanel* Panel1 = nullptr;            // operator sheets
  TPageControl* PageControl2 = nullptr;
  TTabSheet* Sheet_Sud = nullptr;            // "Referee"
  TTabSheet* Sheet_Sek = nullptr;            // "Secretary"
  TTabSheet* Sheet_Tablo = nullptr;          // "Screens"
  TTabSheet* Sheet_Configuration = nullptr;  // "Configuration"
  std::unique_ptr<TBitmap> FGrabBitmap;      // target of the page grab
  std::unique_ptr<TStringList> PositionList; // absent without "Position.txt"
  uint8_t FTeamsChosen = 0;

  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void FormDestroy(TObject* Sender);
  // Problems found at start-up (an unreadable setting, settings file or
  // list), told once the window is up (FormShow).
  std::vector<String> StartupProblems;
  void ShowStartupProblems();
  // Closes the console as the operator's Yes to "Quit?" would, without the
  // question (a termination request from the system).
  void CloseWithoutQuestion();
  // The display went away: what the shutdown saves (settings, goal list,
  // link list) is saved now, without touching a window; the program then
  // ends without closing them.
  void SaveOnDisplayLoss();
  // Start-up: removes what saves killed half-way left in the data folders
  // and the settings folder.
  void RemoveSaveLeftoversOfData();
  // A failed save at shutdown: a message box, or the error output when the
  // system closed the console.
  void ReportShutdownFailure(const Exception& E);
  // The console's message box, just below the output band.
  TModalResult ShowMessageDlg(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons);
  // Where ShowMessageDlg puts a box for Msg (kept inside the work area).
  TPoint MessageDlgOrigin(const String& Msg) const;
  void PageControl2Change(TObject* Sender);

  // =========================================================================
  // Settings store (Settings.cpp)
  // =========================================================================
  void LoadSettings();
  void SaveSettings();
  // The match state (the settings and the goal list) is saved as it
  // changes, not only at the close: each match event asks for a save, which
  // is written soon after on a thread of its own, and every other setting
  // the operator changes is found by a look twice a second. A save writes
  // only what changed since the last one, whole and atomically.
  void MatchStateChanged();
  // Everything the console would save now is on disk (nothing changed since
  // the last save handed over, and that one's write has ended).
  bool MatchStateSaved();
  // Saving as the match changes on or off (a measurement compares the two);
  // the close saves in either case.
  void SetMatchSaving(bool On);
  // Writes the background saves made (settings file and goal list count
  // one each).
  int MatchStateWrites() const;

  // =========================================================================
  // Team library and team file (FMainTeams.cpp)
  // =========================================================================
  std::array<TTeamSlot, 3> TeamSlots;   // 0 editor, 1 side one, 2 side two
  TProfile* Profile1 = nullptr;
  TComboBox* cbSek_Komands = nullptr;   // the editor's team
  TEdit* eSek_KomName = nullptr;
  TEdit* eSek_KomName2 = nullptr;       // short name (hidden)
  TEdit* eSek_KomTown = nullptr;
  TImage* iSek_KomLogo = nullptr;
  TToolBar* ToolBarSek = nullptr;
  TToolButton* bSek_New = nullptr;
  TToolButton* bSek_Save = nullptr;
  TOpenDialog* OpenPictureDialog1 = nullptr;

  void FillTeamLists();
  void LoadTeamFile(int Slot, const String& TeamName);
  // A match side (slot 1 or 2) read again from its team file, after a save
  // of that team or a change of code page: the cards given in the match stay
  // with the persons of their numbers (a team file holds the team, not the
  // match). Raises as LoadTeamFile does.
  void ReloadSideTeam(int Slot, const String& TeamName);
  // Writes the editor to FileName with its extension replaced by ".txt";
  // only slot 0 is ever saved. Raises when the grid holds a bad cell or the
  // file cannot be written; the file on disk is then left as it was.
  void SaveTeamFile(int Slot, const String& FileName);
  // AppFolder + "Teams/" + Folder + "/" + File; with File empty, the folder
  // with a trailing '/'.
  String TeamFilePath(const String& Folder, const String& File) const;
  // The folder of the team in the editor, with its '/'; empty for a new
  // team not saved yet.
  String EditorTeamFolder() const;
  // The match side (1 or 2) chosen in a side list; 0 when none.
  static int ChosenSide(const TComboBox* cb);
  void cbSek_KomandsChange(TObject* Sender);
  void bSek_NewClick(TObject* Sender);
  void bSek_SaveClick(TObject* Sender);
  void iSek_KomLogoClick(TObject* Sender);
  // The editor was changed: saving enabled, one empty row kept at the end.
  void NadoSave(TObject* Sender);

  // =========================================================================
  // Line-up grid (FMainLineup.cpp)
  // =========================================================================
  TPanel* PanelSekGrid = nullptr;       // place of the line-up grid `sgSek_Sostav`
  TSortGrid* sgSek_Sostav = nullptr;    // the editor's line-up
  TImage* Sek_ImagePhoto = nullptr;     // photo preview; Tag: the row shown (-1 none)
  // Import of a line-up from a spreadsheet (FMainLineup.cpp): spreadsheet
  // columns 1..5 go to the grid columns "+", "Nr.", "Surname", "Position", "Photo".
  static constexpr std::array<int, 5> ExcelColumnMap{1, 0, 2, 7, 8};
  TToolButton* bSek_Load = nullptr;
  // Editing the line-up (FMainLineup.cpp).
  TLed* LedSek_EditOn = nullptr;        // lit: the grid edits cells
  TLabel* LabSek_Sostav = nullptr;      // "-> row/count"; Tag: the last selected column
  TPopupMenu* PopupMenu2 = nullptr;
  TMenuItem* PastefromTable = nullptr;
  TMenuItem* mIgrokDelete = nullptr;
  TToolButton* bPrint = nullptr;
  TPrintDialog* PrintDialog1 = nullptr;
  void sgSek_SostavGetCellFormat(TObject* Sender, int Col, int Row, TGridDrawState State, TFormatOptions& FormatOptions,
                                 bool& CheckBox, bool& Combobox, bool& Ellipsis);
  void sgSek_SostavGetComboBox(TObject* Sender, int ACol, int ARow, TStringList*& Strs, int& Width, int& Height,
                               bool& Sorted);
  void sgSek_SostavSetChecked(TObject* Sender, int ACol, int ARow, bool State);
  void sgSek_SostavSetComboBox(TObject* Sender, int ACol, int ARow, const String& Str);
  void sgSek_SostavSelectCell(TObject* Sender, int ACol, int ARow, bool& CanSelect);
  // The photo preview shows the photo of Row (none for the title row or an empty name).
  void ShowPlayerPhoto(int Row);
  void sgSek_SostavKeyDown(TObject* Sender, uint16_t& Key, TShiftState Shift);
  void sgSek_SostavKeyPress(TObject* Sender, char32_t& Key);
  void sgSek_SostavDblClick(TObject* Sender);
  void LedSek_EditOnChange(TObject* Sender);
  void LedSek_EditOnClick(TObject* Sender);
  void Sek_ImagePhotoClick(TObject* Sender);
  void mIgrokDeleteClick(TObject* Sender);
  void bPrintClick(TObject* Sender);
  void PopupMenu2Popup(TObject* Sender);
  void PastefromTableClick(TObject* Sender);
  TOpenDialog* OpenXlsDialog1 = nullptr;
  void bSek_LoadClick(TObject* Sender);
  void ImportLineupFromExcel(const String& FileName);
  TLabel* Sek_ImageNote = nullptr;      // "width x height" of the preview
  void SetupLineupGridHeader();
  // The designed column widths of the line-up grid, the spare width to "Surname".
  void SetLineupDesignWidths();
  // The loaded team files read again (after the legacy code page changed):
  // the editor's unless it has unsaved changes, the sides keeping their cards.
  void ReloadTeamFiles();

  // =========================================================================
  // Match clock and periods (FMainClock.cpp)
  // =========================================================================
  TToolBar* ToolBar6 = nullptr;
  TToolButton* Sud_Play = nullptr;      // Tag: TimeStart (steady ms of the kick-off)
  TToolButton* Sud_Stop = nullptr;
  TToolButton* Sud_NextPeriod = nullptr;
  TToolButton* ToolButton5 = nullptr;   // new match
  TMaskEdit* eSud_Time = nullptr;       // Tag: MatchMinute
  TComboBox* cbSud_Period = nullptr;
  TTimer* TimerIgra = nullptr;

  int64_t TimeStart() const { return int64_t(Sud_Play->Tag()); }
  void SetTimeStart(int64_t t) { Sud_Play->SetTag(intptr_t(t)); }
  int MatchMinute() const { return int(eSud_Time->Tag()); }
  bool MatchClockRunning() const;
  void TimerIgraTimer(TObject* Sender);
  void Sud_PlayClick(TObject* Sender);
  void Sud_StopClick(TObject* Sender);
  // Start-up: Next and the match's buttons as its stopped clock left them.
  void RestoreStoppedMatch();
  void Sud_NextPeriodClick(TObject* Sender);
  void ToolButton5Click(TObject* Sender);
  // TimeStart from the time eSud_Time shows: that much is taken as played.
  // Raises EConvertError when the minutes or seconds are not digits.
  void SetStartFromTime();
  void ShowTimeLabels(bool Show);
  // Puts "m:ss" into eSud_Time; from 100 minutes on the field takes a third
  // minute place (and gives it up again below).
  void SetClockText(const String& Text);
  // The seconds of a clock text "m:ss" (blanks before the digits allowed);
  // false when it is not one.
  static bool ClockTextSeconds(const String& Text, int64_t& Seconds);
  // A stopped clock shows the time stored with it ("TimeShown"); a text that
  // is not a time changes nothing.
  void ShowStoppedTime(const String& Text);
  // The clock's tick source, steady milliseconds; GetTickCount64 unless a
  // test sets another.
  std::function<int64_t()> TickSource = GetTickCount64;
  int64_t TickNow() const { return TickSource ? TickSource() : GetTickCount64(); }
  // Set while the period handler runs, so that a selection made from code
  // never applies a period a second time.
  bool FPeriodChanging = false;

  // =========================================================================
  // Scoreboard refresh and match header (FMainScoreboard.cpp)
  // =========================================================================
  std::array<int32_t, 2> MatchScore{};  // as last applied
  int32_t MatchPeriod = 0;              // as last applied
  TPanel* PanelSud = nullptr;
  TPanel* PanelCom1Im = nullptr;
  TPanel* PanelCom2Im = nullptr;
  TImage* iSud_Logo1 = nullptr;
  TImage* iSud_Logo2 = nullptr;
  TComboBox* cbSud_Comanda1 = nullptr;
  TComboBox* cbSud_Comanda2 = nullptr;
  TCheckBox* cbFixCmd1 = nullptr;
  TBitBtn* bFullOK = nullptr;
  TSpinEdit* seSud_Schet1 = nullptr;
  TSpinEdit* seSud_Schet2 = nullptr;
  TEdit* eSek_Title = nullptr;
  TSpinEdit* seSek_Tur = nullptr;
  TEdit* eTour = nullptr;
  TComboBox* cbInternational = nullptr;
  // Main page objects
  TLabel3D* eTablo_K1 = nullptr;
  TLabel3D* eTablo_K2 = nullptr;
  TLabel3D* eTablo_Town1 = nullptr;
  TLabel3D* eTablo_Town2 = nullptr;
  TLabel3D* seTablo_Schet1 = nullptr;
  TLabel3D* seTablo_Schet2 = nullptr;
  TImage* iTablo_Logo1 = nullptr;
  TImage* iTablo_Logo2 = nullptr;
  TLabel3D* labTablo_Title = nullptr;
  TLabel3D* labTablo_Tur = nullptr;
  TLabel3D* eTablo_Time = nullptr;
  TLabel3D* eTablo_Period = nullptr;
  TCheckBox* seTablo_ShowTime = nullptr;
  TCheckBox* seTablo_ShowTown = nullptr;
  TCheckBox* seTablo_ShowTitle = nullptr;
  TCheckBox* seTablo_ShowTur = nullptr;

  void cbSud_Comanda1Change(TObject* Sender);
  void cbFixCmd1Click(TObject* Sender);
  void bFullOKClick(TObject* Sender);
  void eSek_TitleExit(TObject* Sender);
  void seSek_TurChange(TObject* Sender);
  void seTablo_ShowClick(TObject* Sender);
  void cbInternationalChange(TObject* Sender);

  // =========================================================================
  // Goals, cards and substitutions (FMainGoals.cpp)
  // =========================================================================
  TButton* bSud_Gol1 = nullptr;         // Hint: goal clip of side 1
  TButton* bSud_Gol2 = nullptr;
  TBitBtnWithColor* bSud_KY1 = nullptr;
  TBitBtnWithColor* bSud_KR1 = nullptr;
  TBitBtnWithColor* bSud_KY2 = nullptr;
  TBitBtnWithColor* bSud_KR2 = nullptr;
  TButton* bSud_Zamena1 = nullptr;
  TButton* bSud_Zamena2 = nullptr;
  // With goals page
  TLabel3D* eTabloGol_K1 = nullptr;
  TLabel3D* eTabloGol_K2 = nullptr;
  TLabel3D* eTabloGol_Town1 = nullptr;
  TLabel3D* eTabloGol_Town2 = nullptr;
  TLabel3D* eTabloGol_Schet1 = nullptr;
  TLabel3D* eTabloGol_Schet2 = nullptr;
  TLabel3D* eTabloGol_Time = nullptr;
  TLabel3D* eTabloGol_Period = nullptr;
  TPaintBox* TabloGol_Paint = nullptr;
  TMemo* TabloGol_List = nullptr;       // the goal list
  // Replacements page
  TPanel* PanelTablo3Bot = nullptr;
  TComboBox* cb_T_Zamena = nullptr;
  TListBox* ListZamenaOut = nullptr;
  TListBox* ListZamenaIn = nullptr;
  TLabel3D* LabelNumOut = nullptr;
  TLabel3D* LabelNameOut = nullptr;
  TLabel3D* LabelNumIn = nullptr;
  TLabel3D* LabelNameIn = nullptr;
  TImage* PhotoOut = nullptr;
  TImage* PhotoIn = nullptr;
  TImage* Zamena_Logo = nullptr;
  TLabel3D* Zamena_Min = nullptr;
  TCheckBox* seZamena_ShowMin = nullptr;
  TSpinEdit* seTabloGol_TopList = nullptr;  // first goal line shown (0..100)
  TButton* bIgrok_Zabil = nullptr;          // "Scored Goal!" (players page)
  TBitBtnWithColor* bIgrok_Kartochka = nullptr;      // "Card"; Hint: "K_Red" / "K_Yellow"

  // The goal clip of a side (the Hint of its goal button).
  static String GoalClip(const TButton* GoalButton) { return GoalButton->Hint(); }
  // Font colour of a goal line by its first character ("0".."9", else grey).
  static TColor GoalLineColor(const String& Line);
  // The goal line of the goal list: side index, minute, scorer, team.
  static String GoalLine(int SideIndex, int Minute, const String& Scorer, const String& Team);
  // Draws the goal list from line seTabloGol_TopList on onto Canvas, in the
  // paint box's font.
  void PaintGoalList(TCanvas* Canvas);
  // The card pictures of the program ("K_Red", "K_Yellow"); any other name
  // raises "Resource <name> not found".
  static void LoadCardResource(TPicture* Picture, const String& ResName);
  void bGolClick(TObject* Sender);
  void bGolMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void bIgrok_ZabilClick(TObject* Sender);
  void TabloGol_PaintPaint(TObject* Sender);
  void TabloGol_ListChange(TObject* Sender);
  void seTabloGol_TopListChange(TObject* Sender);
  void bSud_KClick(TObject* Sender);
  void bIgrok_KartochkaClick(TObject* Sender);
  void bSud_Zamena2Click(TObject* Sender);
  void EnsureSideLists();   // the sides applied before a side's button uses the lists
  void cb_T_ZamenaChange(TObject* Sender);
  void ListZamenaOutClick(TObject* Sender);
  void seZamena_ShowMinClick(TObject* Sender);
  // Playback of a goal clip on the output area, returning when it has
  // ended: the media frame's blocking clip player.
  std::function<void(const String& Clip)> PlayGoalClip;
  // Set while the goal or card road runs (its buttons are not re-entered).
  bool GoalRoadBusy = false;
  bool CardRoadBusy = false;

  // =========================================================================
  // Players show and line-up page (FMainPlayers.cpp)
  // =========================================================================
  TPanel* PanelTablo4Bot = nullptr;
  TPanel* Panel9 = nullptr;             // left list panel of the players page
  TComboBox* cb_T_Igroki = nullptr;
  TCheckListBox* ListIgroki = nullptr;
  TLabel3D* LabelIgrokName = nullptr;
  TLabel3D* LabelIgrokBirthday = nullptr;
  TLabel3D* LabelIgrokRostVes = nullptr;
  TLabel3D* LabelIgrokAmplua = nullptr;
  TImage* Igrok_Photo = nullptr;
  TImage* Igrok_Logo = nullptr;
  TSpinEdit* seIgok_Wait = nullptr;
  TTimer* Timer_Igrok = nullptr;
  TPanel* PanelTbaloSostavBot = nullptr;
  TComboBox* cb_T_Sostav = nullptr;
  TPaintBox* PaintSostav = nullptr;
  TCheckBox* cbKards = nullptr;
  TCheckBox* cbWithLogo = nullptr;
  TListBox* DopPics = nullptr;
  TToolBar* ToolBarIgrok = nullptr;
  TToolButton* tbIgrok_Play = nullptr;      // "Show all players"
  TToolButton* tbIgrok_Stop = nullptr;      // "Stop"
  TToolButton* tbIgrok_NextIgrok = nullptr; // "Show next player"
  TPopupMenu* PopupIgroki = nullptr;
  TMenuItem* mIgrokCopy = nullptr;          // "Copy"
  TButton* bIgroki_Logo = nullptr;          // "LOGO" on the players page
  TButton* Button1 = nullptr;               // "LOGO" on the line-up page

  void BuildPlayersControls();   // controls and handlers of these pages
  void cb_T_IgrokiChange(TObject* Sender);
  void ListIgrokiClick(TObject* Sender);
  void ListIgrokiDblClick(TObject* Sender);
  void ListIgrokiKeyPress(TObject* Sender, char32_t& Key);
  void tbIgrok_PlayClick(TObject* Sender);
  void tbIgrok_StopClick(TObject* Sender);
  void tbIgrok_NextIgrokClick(TObject* Sender);
  void seIgok_WaitChange(TObject* Sender);
  void Timer_IgrokTimer(TObject* Sender);
  void mIgrokCopyClick(TObject* Sender);
  void cb_T_SostavChange(TObject* Sender);
  void PaintSostavPaint(TObject* Sender);
  // Draws the line-up page of side cb_T_Sostav onto Canvas of Width x Height.
  void PaintSostavTo(TCanvas* Canvas, int Width, int Height);
  void cbKardsClick(TObject* Sender);
  void bIgroki_LogoClick(TObject* Sender);
  // The program lost the focus: a confined cursor is released.
  void AppDeactivate(TObject* Sender);
  // The players show lets the cursor go (its Stop, the program deactivated).
  void ReleaseShowCursor();
  // The selection step of the show: on to the next checked player, at the
  // end of the list over to the other side.
  void NextCheckedPlayer();

  // Cursor confinement of the players show: the screen rectangle the
  // cursor is held in and where it was put; empty rectangle = free.
  TRect CursorClipRect;
  TPoint CursorPlace;
  bool CursorConfined() const { return !CursorClipRect.IsEmpty(); }
  // The Esc key pressed since the last query (the query clears it).
  bool EscapePending = false;
  bool TakeEscapePending() { const bool e = EscapePending; EscapePending = false; return e; }
  // Waits Ms milliseconds pumping messages; false when the program closes
  // meanwhile. A test may set WaitHook to shorten the wait (it returns
  // false to end the road as a closing program would).
  bool WaitPumping(int Ms);
  std::function<bool(int Ms)> WaitHook;
  // Pumps messages until BufferTablo is idle; false when the program closes.
  bool WaitTransitionDone();
  // The program is closing: waits under way end.
  bool ClosingDown = false;
  bool ShowStepBusy = false;

  // =========================================================================
  // Statistics page (FMainStat.cpp)
  // =========================================================================
  TPanel* TabloStat_PanelL = nullptr;
  TPanel* TabloStat_PanelR = nullptr;
  TToolButton* bTabloStat_New = nullptr;
  TLabel3D* eTabloStat_K1 = nullptr;
  TLabel3D* eTabloStat_K2 = nullptr;
  TLabel3D* eTabloStat_Schet1 = nullptr;
  TLabel3D* eTabloStat_Schet2 = nullptr;
  std::array<TLabel3D*, 7> eTabloStat_Label{};   // row titles 1..6
  // The 14 counters, index 1..14 (index 0 unused); each one's Tag holds
  // the label it drives.
  std::array<TSpinEdit*, 15> StatInputs{};
  std::array<TLabel3D*, 15> StatLabels{};
  void FillStatInputs();
  void seTabloStat_Change(TObject* Sender);
  void bTabloStat_NewClick(TObject* Sender);

  // =========================================================================
  // Display pages and sending a page to the screen (FMainPages.cpp)
  // =========================================================================
  TPageControl* PageControl1 = nullptr;
  TTabSheet* TabSheet0 = nullptr;       // " On the Screen " (command)
  TTabSheet* TabSheet1 = nullptr;       // "Main"
  TTabSheet* TabSheet2 = nullptr;       // "With goals"
  TTabSheet* TabSheet3 = nullptr;       // "Structure"
  TTabSheet* TabSheet4 = nullptr;       // "Replacements"
  TTabSheet* TabSheet5 = nullptr;       // "Players"
  TTabSheet* Sheet_TV = nullptr;        // "TV+"
  TTabSheet* Sheet_Media = nullptr;     // "Reklama"
  TTabSheet* TabSheet6 = nullptr;       // "Office"
  TTabSheet* Sheet_Clock = nullptr;     // "Clock"
  TTabSheet* Sheet_Stat = nullptr;      // "Statistic"
  TTabSheet* Sheet_Inet = nullptr;      // "Internet"
  TPanel* PanelTablo0 = nullptr;        // Main
  TPanel* PanelTablo1 = nullptr;        // With goals
  TPanel* PanelSostav = nullptr;        // Structure
  TPanel* PanelTablo3 = nullptr;        // Replacements
  TPanel* PanelTablo4 = nullptr;        // Players
  TPanel* PanelTablo5 = nullptr;        // TV+
  TPanel* PanelTablo8 = nullptr;        // Clock
  TPanel* PanelStat = nullptr;          // Statistic
  TPanel* PanelInet = nullptr;          // Internet
  TPanel* PanelTablo0Bot = nullptr;
  TImage* ImageFon0 = nullptr;
  TImage* ImageFon1 = nullptr;
  TImage* ImageFon3 = nullptr;
  TImage* ImageFon4 = nullptr;
  // Transition editors of the selected page.
  TComboBox* cbPagePerexodName = nullptr;
  TSpinEdit* cbPagePerexodNumber = nullptr;
  TSpinEdit* cbPageStep = nullptr;
  TCheckBox* cbPagePerexodRnd = nullptr;
  TEdit* ePagePerexodRnd = nullptr;

  void PageControl1Change(TObject* Sender);
  void PageControl1DrawTab(TCustomControl* Control, int TabIndex, const TRect& Rect, bool Active);
  void SelectTabloPage();
  // Makes Sheet the active tab and the selected page (it is not sent).
  void ShowTabloPage(TTabSheet* Sheet);
  // Renders what the selected page shows on the output rectangle into
  // Bitmap (at its size); false when there is nothing to render.
  bool GrabTabloImage(TBitmap& Bitmap);
  // The container of a page (its layout page), nullptr for the command tab.
  TControl* PageContainer(TTabloPageIndex Page) const;
  // OnStart of BufferTablo: the active page's transition word.
  void BufferTabloStart(TObject* Sender);
  void cbPagePerexodNumberChange(TObject* Sender);
  void cbPageStepChange(TObject* Sender);
  void cbPagePerexodNameChange(TObject* Sender);
  void cbPagePerexodRndClick(TObject* Sender);
  void seTablo_ShowTimeClick(TObject* Sender);
  // A right click at MousePos (page control coordinates) below the pages.
  void PageControl1ContextPopup(TObject* Sender, const TPoint& MousePos, bool& Handled);
  // The transition word of a tab (its Tag as 32 bits) and its store.
  static uint32_t PageTag(const TTabSheet* Sheet);
  static void SetPageTag(TTabSheet* Sheet, uint32_t Word);
  // Source of the random page effects: a number in 0 .. Range-1. Empty:
  // the window's own generator; a test may put a repeatable one here.
  std::function<int(int Range)> PageEffectRandom;
  // Files dropped on the window go to the media play list while enabled.
  // Files dropped on the window (taken only while the media page is selected).
  TFileDrag* FileDrag1 = nullptr;
  void SetFileDropEnabled(bool Enabled);
  bool FileDropEnabled() const { return fileDropEnabled_; }
  // Live elements of the output area that belong to other subjects; the
  // page sending reaches them only through these.
  bool StretchHandleAttached() const;   // layout editor's selection
  void DetachStretchHandle();
  void UpdateClockPicEnabled();         // clock page
  bool MediaStopEnabled() const;        // media frame: its stop button
  void MediaStopClick();
  bool MediaGraphActive() const;        // media frame: a clip is loaded
  bool MediaOnOutput() const;           // media frame's output on the output area
  void MediaSetOnTablo(bool OnScreen);
  void MediaRestartOnTablo();
  // The output area's video window moved to NewParent with the live
  // picture stopped around the move.
  void MoveVideoWindow(TWinControl* NewParent);
  // Caption of the command tab naming the page on the screen (the active
  // one), or no page.
  void UpdateScreenTabCaption(bool NoPage = false);
  // The media page's output was taken off the output area by a scripted
  // picture (a goal clip and logo, a team's extra picture or logo): no page
  // is on the screen any more, and the tabs say so.
  void MediaPageLeftTheScreen();

  // =========================================================================
  // Running text (FMainRunText.cpp)
  // =========================================================================
  TRunLabel* RunStr = nullptr;
  TPanel* Panel1TvPics = nullptr;       // side panel of the TV+ page
  TCheckListBox* ListRunStr = nullptr;
  TComboBox* rlNapr = nullptr;
  TTrackBar* rlSpeed = nullptr;
  TCheckBox* cbRlTop = nullptr;
  TLabel* LabelRS_Color = nullptr;      // sample of the text's font and colour
  TEdit* RS_edit = nullptr;
  TButton* bRS_ADD = nullptr;           // "Add"
  TButton* bRS_INS = nullptr;           // "Insert"
  TEdit* rlFilesCount = nullptr;        // "selected + 1:count"
  TToolBar* ToolBarRunStr = nullptr;
  TToolButton* rlPlay = nullptr;        // Tag: 0 rotation, 1 one text then stop
  TToolButton* rlPause = nullptr;
  TToolButton* rlStop = nullptr;
  TToolButton* rlCikle = nullptr;       // down: the rotation wraps to the first text
  TToolBar* ToolBarRunStrFiles = nullptr;
  TToolButton* bRunStr_Open = nullptr;
  TToolButton* bRunStr_Save = nullptr;
  TToolButton* bRunStr_New = nullptr;
  // The list menu; its Tag names the list: 0 ListRunStr, 1 the media play list.
  TPopupMenu* PopupMenu1 = nullptr;
  TMenuItem* N1 = nullptr;              // "All"
  TMenuItem* N3 = nullptr;              // "Delete"
  TMenuItem* N4 = nullptr;              // "Include" (Tag 1)
  TMenuItem* N5 = nullptr;              // "Exclude" (Tag 0)
  // Shared with the clock page; both place themselves below the output band.
  TFontDialog* FontDialog1 = nullptr;
  TColorDialog* ColorDialog1 = nullptr;
  void BuildRunTextPage();              // the running-text controls of the TV+ page
  void rlPlayClick(TObject* Sender);
  void rlPauseClick(TObject* Sender);
  void rlStopClick(TObject* Sender);
  void RunStrBegin(TObject* Sender);
  void RunStrEnd(TObject* Sender);
  void ListRunStrClick(TObject* Sender);
  void ListRunStrDblClick(TObject* Sender);
  void ListKeyDown(TObject* Sender, uint16_t& Key, TShiftState Shift);
  void ListRunStrMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void bRS_ADDClick(TObject* Sender);
  void bRS_InsClick(TObject* Sender);
  void RS_editKeyPress(TObject* Sender, char32_t& Key);
  void bRunStr_OpenClick(TObject* Sender);
  void bRunStr_SaveClick(TObject* Sender);
  void bRunStr_NewClick(TObject* Sender);
  void PopupMenu1Popup(TObject* Sender);
  void N1Click(TObject* Sender);
  void N3Click(TObject* Sender);
  void N4Click(TObject* Sender);
  void rlNaprChange(TObject* Sender);
  void rlSpeedChange(TObject* Sender);
  void cbRlTopClick(TObject* Sender);
  void LabelRS_ColorClick(TObject* Sender);
  void LabelRS_ColorMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void FontDialogShow(TObject* Sender);
  void ColorDialog1Show(TObject* Sender);
  // The list PopupMenu1 acts on (null when that list does not exist).
  TListBox* PopupMenuList() const;

  // =========================================================================
  // Live camera, TV pictures, links and configuration (FMainConfig.cpp)
  // =========================================================================
  TRadioGroup* rgVideoDrv = nullptr;    // Tag: the chosen camera index
  TDSVideoWindowEx2* DSVideoWindowEx = nullptr;  // the camera's video window
  TFilterGraph* FilterGraph1 = nullptr;  // the camera graph (capture mode, made active when loaded)
  TFilter* Filter1 = nullptr;            // the chosen camera's filter in FilterGraph1
  std::shared_ptr<TSysDevEnum> VideoCaptureDevices;  // the cameras listed in rgVideoDrv
  TListBox* ListPicOnTV = nullptr;
  // TV and extra pictures, dropped files (FMainPictures.cpp).
  TToolButton* tbDop_New = nullptr;
  TToolButton* tbDop_Load = nullptr;
  TToolButton* tbDop_Save = nullptr;
  void ListPicOnTVClick(TObject* Sender);
  void cbTVpic_TranspClick(TObject* Sender);
  void tbDop_NewClick(TObject* Sender);
  void tbDop_LoadClick(TObject* Sender);
  void tbDop_SaveClick(TObject* Sender);
  void DopPicsDblClick(TObject* Sender);
  void FileDrag1Drop(TObject* Sender);
  TImage* ImageOnTV = nullptr;
  TCheckBox* cbTVpic_Transp = nullptr;
  TListBox* ListInet = nullptr;
  TPanel* TabloInet_PanelR = nullptr;
  // Link list (FMainLinks.cpp): the page's web control, its loading lamp.
  TWebBrowser* WebBrowser = nullptr;
  TLed* InetLedLoader = nullptr;
  TLabel* LinkLedLabel = nullptr;
  TToolButton* bInet_Load = nullptr;
  TToolButton* bInet_New = nullptr;
  TToolButton* bInet_Save = nullptr;
  void ListInetDrawItem(TWinControl* Control, int Index, TRect Rect, TOwnerDrawState State);
  void ListInetDblClick(TObject* Sender);
  void ListInetMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void WebBrowserDownloadBegin(TObject* Sender);
  void WebBrowserDownloadComplete(TObject* Sender);
  String InetAsked;   // the address of the link opened last
  void bInet_LoadClick(TObject* Sender);
  void bInet_NewClick(TObject* Sender);
  void bInet_SaveClick(TObject* Sender);
  // A list file chosen in the text dialogs (starting in StartDir when given)
  // is read whole into List, or written from Items; a failure shows
  // "Error file <name>". False when cancelled or failed.
  bool OpenListFile(TStringList& List, TFileDialogUse& Use);
  bool SaveListFile(TStrings* Items, TFileDialogUse& Use);
  TPanel* PanelDVIcfg = nullptr;
  TSpinEdit* seDVIx = nullptr;
  TSpinEdit* seDVIy = nullptr;
  TLabel* LabelReboot = nullptr;
  TButton* bDefault = nullptr;
  TSpeedButton* sbClose = nullptr;
  TCheckBox* cbFullscreen = nullptr;
  TSpinEdit* seDVIoffsetX = nullptr;
  TSpinEdit* seDVIoffsetY = nullptr;
  TComboBox* cbMonitor = nullptr;
  TLabel* LabelStadion = nullptr;
  TLabel3D* LabelStadionName = nullptr;
  void rgVideoDrvClick(TObject* Sender);
  // The camera graph: enumerating the capture devices into rgVideoDrv,
  // emptying the graph, and the preview of device `DeviceIndex` (0-based).
  void FillVideoDrivers();
  void ClearCameraGraph();
  void StartCameraPreview(int DeviceIndex);
  void cbFullscreenClick(TObject* Sender);
  // The operator typed an output width or height outside its range.
  void seDVIOutOfRange(TObject* Sender);
  // The output size chosen on the configuration page (stored at shutdown,
  // used from the next start); the live size until the page sets one.
  TPoint PendingOutputSize() const;
  void LabelRebootClick(TObject* Sender);
  void sbCloseClick(TObject* Sender);
  void bDefaultClick(TObject* Sender);
  void LabelStadionNameClick(TObject* Sender);

  // =========================================================================
  // Clock page and Sekundomer (FMainSekundomer.cpp)
  // =========================================================================
  TPanel* PanelCircleClock = nullptr;
  TImage* ImageClockFon = nullptr;
  TDialClock* DialClock1 = nullptr;
  TLabel3D* LabelSekundomer = nullptr;
  // The clock's settings (group "Clock").
  TGroupBox* gbClock = nullptr;
  TRadioButton* rbClockFonColor = nullptr;   // "Color"
  TRadioButton* rbClockFonPic = nullptr;     // "Image", only while its file exists
  TEdit* eClockPicName = nullptr;
  TButton* bClockPic = nullptr;
  TPanel* PanelColorClockFon = nullptr;      // colour swatches: Color is the value
  TPanel* PanelColorMinDot = nullptr;
  TPanel* PanelColor5Min = nullptr;
  TPanel* PanelColorMinlen = nullptr;
  TPanel* PanelColorStrelok = nullptr;
  TPanel* PanelColorStrelokSec = nullptr;
  TComboBox* cbClockText = nullptr;          // numerals: "Off", "Arabic", "Roman"
  TCheckBox* cbClockfaceEnable = nullptr;
  TCheckBox* cbClockCircle = nullptr;
  TSpinEdit* seClockMinLen = nullptr;
  TSpinEdit* seCentrRadius = nullptr;
  TButton* bFont = nullptr;
  TCheckBox* cbClockAnalog = nullptr;
  // The Sekundomer ("Timer" group).
  TRadioGroup* rgSekundomer = nullptr;       // Tag: the tick at which the run was paused
  TMaskEdit* meSekundomer = nullptr;
  TComboBox* comboSekundomer = nullptr;
  TButton* btSekPlay = nullptr;              // Tag 0
  TButton* btSekStop = nullptr;              // Tag 1
  TButton* btSekReset = nullptr;             // Tag 2
  TCheckBox* cbSekTimer = nullptr;           // "Countdown"
  TCheckBox* cbSekundomer = nullptr;
  // Tag: counting up the tick at which the count was 0, counting down the
  // tick at which it reaches 0.
  TTimer* TimerSekundomer = nullptr;
  // A run exists (started, maybe paused); false after a reset.
  bool SekundomerRun = false;
  // The running count-up started from its preset: its Tag lies the preset
  // before the moment Play was pressed.
  bool SekundomerFromPreset = false;
  // The panel clock beside the output area.
  TPanel* PanelClock = nullptr;
  TPLNClock* Clock = nullptr;
  void PanelColorClick(TObject* Sender);
  void rbClockFonClick(TObject* Sender);
  void bClockPicClick(TObject* Sender);
  void eClockPicNameExit(TObject* Sender);
  void cbClockTextChange(TObject* Sender);
  void cbClockfaceEnableClick(TObject* Sender);
  void cbClockCircleClick(TObject* Sender);
  void seClockMinLenChange(TObject* Sender);
  void seCentrRadiusChange(TObject* Sender);
  void bFontClick(TObject* Sender);
  void DialClock1NewMinute(TObject* Sender);
  void cbClockAnalogClick(TObject* Sender);
  void btSekClick(TObject* Sender);
  void TimerSekundomerTimer(TObject* Sender);
  void cbSekTimerClick(TObject* Sender);
  void comboSekundomerChange(TObject* Sender);
  void comboSekundomerDropDown(TObject* Sender);
  void comboSekundomerCloseUp(TObject* Sender);
  void cbSekundomerClick(TObject* Sender);
  // Milliseconds (>= 0) as "hh:mm.ss", fractions dropped, hours modulo 100.
  static String FormatSekundomerTime(int64_t T);
  // "hh:mm.ss" (completed on the left from "00:00.00") to seconds; a field
  // that is not a number counts 0.
  static int64_t ParseSekundomerTime(const String& Text);

  // =========================================================================
  // Office page (FMainOffice.cpp)
  // =========================================================================
  TRichEdit* RichEdit1 = nullptr;       // the page's document view (layout page 8)
  TListBox* ListRTF = nullptr;          // bare names, each in AppFolder + "Texts/"
  TPanel* PanelOffice = nullptr;        // the page's side panel
  TToolBar* ToolBarOffice = nullptr;
  TToolButton* bOffice_New = nullptr;   // "Clear list"
  TToolButton* bOffice_Open = nullptr;  // "Open list files"
  TToolButton* bOffice_Save = nullptr;  // "Save list files"
  TButton* SelectFolder = nullptr;      // "Directory..."
  TPopupMenu* PopupMenuRTF = nullptr;
  TMenuItem* ListRTF_add = nullptr;     // "Add"
  TMenuItem* ListRTF_Del = nullptr;     // "Delete"
  TPanel* PanelPPT = nullptr;           // presentation controls (not for RTF)
  TButton* bPPT_PlayStop = nullptr;     // "Play"/"Stop"; Tag 1 while a play run is active
  TEdit* ePPT_NumSlides = nullptr;      // slide count
  TSpinEdit* sePPT_NumSlides = nullptr;
  TCheckBox* cbPPT_Cikle = nullptr;     // "Cicle"
  TPowPnt* PowPnt1 = nullptr;
  TOpenDialog* OpenTextDialog = nullptr;
  TSaveDialog* SaveTextDialog = nullptr;
  // Each use of the shared file dialogs starts from its own last folder and
  // name (its first folder set at start-up).
  struct TDialogUses {
    TFileDialogUse LayoutOpen, LayoutSave, RunTextOpen, RunTextSave, OfficeOpen, OfficeSave, LinksOpen, LinksSave,
        DopOpen, DopSave, Logo, Photo, GoalClip, ClockPicture, MediaListSave, MediaAdd;
  } DialogUses;
  TOpenDialog* OpenRtfDialog = nullptr;
  void BuildOfficePage();
  void bOffice_NewClick(TObject* Sender);
  void bOffice_OpenClick(TObject* Sender);
  void bOffice_SaveClick(TObject* Sender);
  void SelectFolderClick(TObject* Sender);
  void ListRTF_addClick(TObject* Sender);
  void ListRTF_DelClick(TObject* Sender);
  void ListRTFClick(TObject* Sender);
  void bPPT_PlayStopClick(TObject* Sender);
  void OpenDialogShow(TObject* Sender);
  void sePPT_NumSlidesChange(TObject* Sender);
  void ShowOfficeItem(bool Play);
  bool StartPresentation(const String& FileName);
  void PlayPresentation(const String& FileName);
  // The office file of a list entry: AppFolder + "Texts/" + Name.
  String OfficeFilePath(const String& Name) const;
  // Draws the slide show's window where it lies over RichEdit1 onto
  // Bitmap, RichEdit1's origin being at (X, Y) of the bitmap.
  void ComposeShowWindow(TBitmap& Bitmap, int X, int Y);
  // Shutdown: a connected controller ends its show and disconnects.
  void ClosePresentation();
  // The show window while it previews a presentation over RichEdit1: it is
  // hidden while the view is not on the screen (another sheet or page).
  uintptr_t OfficePreviewWindow = 0;
  TTimer* OfficePreviewTimer = nullptr;
  void OfficePreviewTimerTimer(TObject* Sender);
  // Set while PlayPresentation's loop runs (only one at a time).
  bool PlayLoopRunning = false;
  // Slide count of the presentation opened last.
  int OfficeSlideCount = 0;
  // The operator's requests on the page (an entry chosen, Play, Stop) are
  // served one at a time: opening a document waits (the office suite
  // converts it, the queue pumped) and so does the play loop, and a request
  // made meanwhile (its handler runs inside that wait) is only noted, the
  // newest in place of any older one; the work under way sees the change
  // after its wait, does nothing more with what is no longer current, and
  // the newest request is served once that wait has returned. Nothing nests.
  enum TOfficeAskKind { oaNone, oaShow, oaPlay, oaStop, oaClear };
  struct TOfficeAsk {
    TOfficeAskKind Kind = oaNone;
    String Name;   // the list entry (oaShow, oaPlay)
  };
  TOfficeAsk OfficeAsk;        // the request not yet served
  uint64_t OfficeSerial = 0;   // counts the requests
  bool OfficeServing = false;  // a request is being served
  void AskOffice(TOfficeAskKind Kind, const String& Name = String());
  void ServeOffice();
  void ShowOfficeEntry(const String& Name);
  void StopPresentation();
  void ClearOfficeView();    // no document on the page (a show on the output goes on)
  void ClearSlideCount();
  // The play loop's wait: until Done, or the program closes (false).
  bool WaitOffice(const std::function<bool()>& Done);
  // Keeps the page's preview show over the visible part of RichEdit1.
  void PlaceOfficePreview();

  // =========================================================================
  // Layout file and layout editor (FMainLayout.cpp)
  // =========================================================================
  std::vector<TWinControl*> LayoutPages;   // page i (1..10) is LayoutPages[i - 1]
  TToolBar* ToolBarTablo = nullptr;        // layout tool bar of the "Screens" sheet
  TToolButton* tbNewTablo = nullptr;       // automatic placing
  TToolButton* tbOpenTablo = nullptr;
  TToolButton* tbSaveTablo = nullptr;
  TImage* ImageOut = nullptr;              // Replacements: marks of the player going off
  TImage* ImageIn = nullptr;               // and of the player coming on
  TLabel3D* LabelStat = nullptr;           // Statistic: caption over the score
  TImage* ImageTabloStat = nullptr;        // Statistic: picture behind that caption
  TImage* TabloStat_ImageFon = nullptr;    // Statistic: page background
  TStretchHandle* StretchHandle1 = nullptr;
  TPopupMenu* PopMenuEdit = nullptr;       // the handle's object menu
  TMenuItem* mObjEdit = nullptr;           // "Properties"
  TMenuItem* mObjPropCopy = nullptr;       // "Copy properties"
  TMenuItem* mObjPropPaste = nullptr;      // "Insert properties"
  TMenuItem* mObjFon = nullptr;            // "Background properties"
  TMenuItem* mObjMove = nullptr;           // "Move": Tags 0..3
  TMenuItem* mObjMoveL = nullptr;
  TMenuItem* mObjMoveR = nullptr;
  TMenuItem* mObjMoveT = nullptr;
  TMenuItem* mObjMoveB = nullptr;
  TMenuItem* mObjAlign = nullptr;          // "Place": Tags 4..7
  TMenuItem* mObjAlignCX = nullptr;
  TMenuItem* mObjAlignCY = nullptr;
  TMenuItem* mObjAlignW = nullptr;
  TMenuItem* mObjAlignH = nullptr;
  TMenuItem* mObjPor = nullptr;            // "Order": Tags 8, 9
  TMenuItem* mObjPorTop = nullptr;
  TMenuItem* mObjPorBottom = nullptr;

  // What a layout object is to the layout file and the editor (by its
  // exact class; the clock page's paint-box placeholder counts as other).
  enum class TLayoutKind { Label3D, Image, PaintBox, DialClock, Other };
  TLayoutKind LayoutKind(const TControl* Obj) const;

  void AutoPlaceTabloObjects();
  // Loads a layout file. Nothing is changed when the file cannot be read or
  // holds no object section; the text of what the operator must be told
  // (refusal, or objects whose size or picture was kept) is left in
  // LayoutLoadMessage, empty when the load was clean. True when applied.
  bool LoadTabloLayout(const String& FileName);
  String LayoutLoadMessage;
  // Writes the whole layout into FileName at once; a failure shows
  // "Error file <name>" and leaves the old file as it was. True when written.
  bool SaveTabloLayout(const String& FileName);
  void SaveTabloObjects(TIniDocument& Doc, const String& PageName, TWinControl* Container);
  // Applies one container's sections; names of objects that kept their size
  // or picture are added to Kept.
  void LoadTabloObjects(const TIniDocument& Doc, const String& PageName, TWinControl* Container,
                        std::vector<String>& Kept);
  // The clock's keys of one section, with the clock page's controls.
  // False when the section chose a background picture that does not load
  // (the clock page then keeps its background choice).
  bool LoadClockKeys(const TIniDocument& Doc, const String& Section, TDialClock* Clock, int Charset);
  void tbSaveTabloClick(TObject* Sender);
  void tbOpenTabloClick(TObject* Sender);
  void tbNewTabloClick(TObject* Sender);
  // The character-set code of the console's chosen character set (1 when
  // none is chosen).
  int ConsoleCharsetCode() const;
  // A 3D label's style onto another (size, font, colours, frame, layout);
  // acts only when Source is exactly a TLabel3D.
  static void CopyLabel3DProps(TControl* Source, TControl* Dest);
  // The statistics inputs follow the rows of their marks.
  void AlignStatInputs();
  // Layout editor.
  void BuildLayoutEditor();
  void AttachDblClick(TObject* Sender);
  void MouseDownObj(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void StretchHandle1DblClick(TObject* Sender);
  void PopMenuEditPopup(TObject* Sender);
  void mObjEditClick(TObject* Sender);
  void mObjPropCopyClick(TObject* Sender);
  void mObjPropPasteClick(TObject* Sender);
  void mObjMoveClick(TObject* Sender);
  void mObjFonClick(TObject* Sender);
  // The selected object (null when none).
  TControl* SelectedObject() const;
  // "Position: l,t\r\nSize: wxh" of an object.
  static String GeometryHint(const TControl* Obj);
  // The remembered style source of "Insert properties"; forgotten when the
  // object goes away.
  TControl* StyleSource() const;
  void Notification(TComponent* AComponent, bool removing) override;
  // Call points of the property dialogs of text and picture objects
  // (FMainObjDialogs.cpp): each edits Obj in its dialog and gives it the
  // confirmed style back; true when the operator confirmed.
  bool EditTextObject(TLabel3D* Obj);
  bool EditPictureObject(TImage* Obj);

  // =========================================================================
  // Media frame (FrMedia.h)
  // =========================================================================
  TFrameMedia* FrameMedia1 = nullptr;

  // =========================================================================
  // Status bar and tool-bar images (FMainBuildStatus.cpp)
  // =========================================================================
  TStatusBar* StatusBar1 = nullptr;     // panel 1 reports file errors
  // ImageList16: 0 new, 1 delete, 2 open, 3 folder, 4 save, 5 print.
  // ImageList (media transport): 0 pause, 1 play, 2 stop, 3 next, 4 frame step.
  TImageList* ImageList16 = nullptr;
  TImageList* ImageList = nullptr;
  // Reports a problem in the status bar's panel 1 through the window's
  // status queue (console/StatusQueue.h): each message stays there for at
  // least StatusMinShowMs before the next one waiting takes its place; the
  // last stays until it is replaced or no longer holds. A message already
  // waiting, or shown with none waiting, is not repeated.
  void ShowStatusError(const String& Text);
  // The message Text no longer holds (the file it names loaded after all):
  // it goes, and the panel shows the next waiting one, or nothing.
  void ClearStatusError(const String& Text);
  // The least time a message is shown (4 s); a test may set it shorter.
  int StatusMinShowMs() const;
  void SetStatusMinShowMs(int Ms);

 private:
  void BuildStatusAndImages();
  std::unique_ptr<TStatusQueue> statusQueue_;
  void init(const TFormMainEnvironment& env);
  // Builders: every design value of the window, one function per sheet.
  void BuildForm();
  void BuildOutputBand();
  void BuildOperatorSheets();
  void BuildRefereeSheet();
  void BuildSecretarySheet();
  void BuildScreensSheet();
  void BuildMainPages();
  void BuildTvAndMediaPages();
  void BuildClockStatInetPages();
  void BuildClockPage();
  void BuildConfigurationSheet();

  // Start-up steps that are whole tasks of their own.
  void ReadOutputSize();             // step 2
  void LayOutOutputBand();           // step 3
  void LayOutRefereeSheet();         // step 4
  void LayOutDisplayPages();         // step 5
  void EmptyPages();                 // step 7
  void FillEffectNames();            // step 8
  void FillRunDirections();          // step 9
  void FillLayoutPages();            // step 9
  void FillCharsets();               // step 10
  void ApplyPageTagToEditors();      // step 19
  void LoadStartupLists();           // step 23
  void ResumeMatch();                // step 25
  void LoadMatchLists();             // step 26
  void RestoreAppliedMatchState();   // after the settings

  // Every value SaveSettings writes, in its order, typed as stored.
  void ForEachSetting(const std::function<void(const String& Name, TRegDataType Type, int64_t Num, const String& Text)>& f);
  // The settings as they stood at the end of start-up.
  void RememberSettingsAsLoaded();

  String exeBaseName_;
  bool closeWithoutQuestion_ = false;
  bool operatorDataSaved_ = false;
  void saveOperatorData();
  TTimer* startupProblemTimer_ = nullptr;   // tells StartupProblems after the first paint
  // Settings values read at start-up (or written since by a save), and
  // every value as it stood at the end of start-up: a value that was not
  // read and that the operator has not changed is not written back, so a
  // stop of the reading (a mistyped value) loses nothing stored.
  std::set<String> settingsRead_;
  std::map<String, String> settingsAsLoaded_;
  // Lists that exist but could not be read are not saved over at shutdown.
  bool golsUnreadable_ = false, inetUnreadable_ = false;
  // The goal list's and the link list's files as read or last written.
  TListFileState golsFile_, inetFile_;
  // Writes a list back to its file when the console's list changed since it
  // was read or written; a file changed on disk since is replaced only when
  // the operator answers Yes (with nobody to ask, it is kept and the list
  // goes beside it). Failures are reported as shutdown failures.
  void writeListBack(TStrings* Lines, TListFileState& State);
  // The kick-off of a resumed match: while the clock runs on from it the
  // stored value is written back exactly.
  int64_t resumedTimeStart_ = 0;
  bool fileDropEnabled_ = false;
  bool startedUp_ = false;
  // Counts the sends of a page to the screen: a send whose transition let
  // another one run does nothing more after it.
  uint64_t pageSends_ = 0;
  TPoint pendingOutputSize_{0, 0};
  // "TimeStart" as read from the settings: wall-clock milliseconds of the
  // kick-off of a match that was running at the last close, else 0.
  int64_t loadedTimeStartWall_ = 0;
  // Values of the match state as read from the settings.
  String loadedSide_[2];
  // Cards and substitutions of the match as stored ("Kards1", "Kards2",
  // "Zamena1", "Zamena2", "ZamenaPage"), applied once the sides are loaded.
  String loadedKards_[2], loadedZamenaPage_;
  // The referee's period and score as set when not yet confirmed
  // ("RefereeMatch": "period,score1,score2", else empty); "Period", "S1" and
  // "S2" hold the confirmed ones.
  String loadedReferee_;
  // The stored match events go back to the sides, the substitution buttons
  // and (for a resumed match) the substitution page.
  void RestoreMatchEvents();
  void RestoreSubstitutionPage();
  void RestoreRefereeValues();
  // The values a save writes now, each marked whether the store keeps what
  // it holds for it (see settingsRead_).
  std::vector<TSettingValue> TakeSettingValues();
  // Saving as the match changes: started at the end of start-up, stopped
  // (a write under way ends first) before the close saves.
  void StartMatchSaving();
  void StopMatchSaving();
  // Hands over what changed since the last save (nothing when nothing did).
  void SaveMatchStateNow();
  std::shared_ptr<TMatchStateWriter> matchWriter_;
  TTimer* matchSaveLook_ = nullptr;   // the look twice a second
  TTimer* matchSaveSoon_ = nullptr;   // a save asked for by a match event
  bool matchSaving_ = false;
  uint64_t matchSaveSerial_ = 0;      // of the last save handed over
  // What the last save handed over wrote (or start-up found).
  std::vector<TSettingValue> savedSettings_;
  String savedGoals_;
  bool goalsToWrite_ = false;   // the goal list's last write failed
  // Changes of the goal editor (its change notice counts them), and their
  // count when the list was last looked at by a save.
  uint64_t goalsChanges_ = 0, goalsChangesSaved_ = 0;
  // The running clock's kick-off in wall-clock milliseconds, worked out
  // once for the TimeStart it belongs to, so that every save writes the same.
  int64_t kickOffWallFor_ = 0, kickOffWall_ = 0;
};

extern TFormMain* FormMain;
