#pragma once
// The console's main window: the output band at the top (what the stadium
// screen shows) and below it the operator's sheets. Its controls are fields,
// grouped by subject; each subject's handlers live in a unit of their own
// (FMain<Subject>.cpp) and each sheet is built by its own function
// (FMainBuild<Sheet>.cpp).
#include <array>
#include <cstdint>
#include <memory>
#include <vector>
#include "console/ConsoleTypes.h"
#include "toolkit/Buttons.h"
#include "toolkit/CheckLst.h"
#include "toolkit/ComCtrls.h"
#include "toolkit/Dialogs.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/Mask.h"
#include "toolkit/Menus.h"
#include "toolkit/Spin.h"
#include "toolkit/StdCtrls.h"

class TTimer;
class TLabel3D;
class TRunLabel;
class TPictureShow;
class TProfile;
class TFrameMedia;

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
  void cbSek_KomandsChange(TObject* Sender);

  // =========================================================================
  // Line-up grid (FMainLineup.cpp)
  // =========================================================================
  TPanel* PanelSekGrid = nullptr;       // place of the line-up grid `sgSek_Sostav`
  void SetupLineupGridHeader();

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
  void Sud_NextPeriodClick(TObject* Sender);
  void ShowTimeLabels(bool Show);

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
  TBitBtn* bSud_KY1 = nullptr;
  TBitBtn* bSud_KR1 = nullptr;
  TBitBtn* bSud_KY2 = nullptr;
  TBitBtn* bSud_KR2 = nullptr;
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
  // Files dropped on the window go to the media play list while enabled.
  void SetFileDropEnabled(bool Enabled);
  bool FileDropEnabled() const { return fileDropEnabled_; }

  // =========================================================================
  // Running text (FMainRunText.cpp)
  // =========================================================================
  TRunLabel* RunStr = nullptr;
  TPanel* Panel1TvPics = nullptr;       // side panel of the TV+ page
  TCheckListBox* ListRunStr = nullptr;
  TComboBox* rlNapr = nullptr;
  TTrackBar* rlSpeed = nullptr;
  TCheckBox* cbRlTop = nullptr;
  TLabel* LabelRS_Color = nullptr;
  TEdit* RS_edit = nullptr;
  void rlNaprChange(TObject* Sender);
  void cbRlTopClick(TObject* Sender);

  // =========================================================================
  // Live camera, TV pictures, links and configuration (FMainConfig.cpp)
  // =========================================================================
  TRadioGroup* rgVideoDrv = nullptr;    // Tag: the chosen camera index
  TPanel* DSVideoWindowEx = nullptr;    // place of the camera's video window
  TListBox* ListPicOnTV = nullptr;
  TImage* ImageOnTV = nullptr;
  TCheckBox* cbTVpic_Transp = nullptr;
  TListBox* ListInet = nullptr;
  TPanel* TabloInet_PanelR = nullptr;
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

  // =========================================================================
  // Clock page and Sekundomer (FMainSekundomer.cpp)
  // =========================================================================
  TPanel* PanelCircleClock = nullptr;
  TImage* ImageClockFon = nullptr;
  TPaintBox* DialClock1 = nullptr;      // place of the analogue clock
  TLabel3D* LabelSekundomer = nullptr;
  TCheckBox* cbClockAnalog = nullptr;
  TCheckBox* cbSekundomer = nullptr;
  TCheckBox* cbSekTimer = nullptr;
  TMaskEdit* meSekundomer = nullptr;

  // =========================================================================
  // Office page (FMainOffice.cpp)
  // =========================================================================
  TMemo* RichEdit1 = nullptr;           // the page's document view
  TListBox* ListRTF = nullptr;
  TOpenDialog* OpenTextDialog = nullptr;
  TSaveDialog* SaveTextDialog = nullptr;
  TOpenDialog* OpenRtfDialog = nullptr;
  void ClosePresentation();

  // =========================================================================
  // Layout file and layout editor (FMainLayout.cpp)
  // =========================================================================
  std::vector<TWinControl*> LayoutPages;   // page i (1..10) is LayoutPages[i - 1]
  void AutoPlaceTabloObjects();
  void LoadTabloLayout(const String& FileName);

  // =========================================================================
  // Media frame (FrMedia.h)
  // =========================================================================
  TFrameMedia* FrameMedia1 = nullptr;

 private:
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

  String exeBaseName_;
  bool fileDropEnabled_ = false;
  bool startedUp_ = false;
  // "TimeStart" as read from the settings: wall-clock milliseconds of the
  // kick-off of a match that was running at the last close, else 0.
  int64_t loadedTimeStartWall_ = 0;
  // Values of the match state as read from the settings.
  String loadedSide_[2];
};

extern TFormMain* FormMain;
