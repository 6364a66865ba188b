// The main window's spine: creation (the start-up road), closing, shutdown,
// the console's message box and the visibility of the transition editors.
#include "console/FMain.h"
#include "controls/ButtonWithColor.h"
#include <algorithm>
#include <cstdio>
#include "console/FrMedia.h"
#include "controls/DialClock.h"
#include "controls/Label3D.h"
#include "controls/RunLabel.h"
#include "pictureshow/PictureShow.h"
#include "pictureshow/ShowEffects.h"
#include "platform/dshow/DShow.h"
#include "platform/office/OfficeConverter.h"
#include "platform/office/SlideTransition.h"
#include "toolkit/Registry.h"
#include "toolkit/SafeFiles.h"
#include "toolkit/Log.h"

String SettingsKeyPath;
String AppFolder;
TTabloPageIndex ScreenPage = 0;
TTabloPageIndex SelectedPage = 1;
bool TransitionBusy = false;
TFormMain* FormMain = nullptr;

const std::array<TCharsetEntry, CharsetCount> CharsetTable = {{
    {0, "ANSI", "windows-1252"},         {1, "DEFAULT", "windows-1251"},    {2, "SYMBOL", "windows-1251"},
    {77, "MAC", "macintosh"},            {128, "SHIFTJIS", "windows-932"},  {129, "HANGEUL", "windows-949"},
    {130, "JOHAB", "windows-1361"},      {134, "GB2312", "windows-936"},    {136, "CHINESEBIG5", "windows-950"},
    {161, "GREEK", "windows-1253"},      {162, "TURKISH", "windows-1254"},  {177, "HEBREW", "windows-1255"},
    {178, "ARABIC", "windows-1256"},     {186, "BALTIC", "windows-1257"},   {204, "RUSSIAN", "windows-1251"},
    {222, "THAI", "windows-874"},        {238, "EASTEUROPE", "windows-1250"}, {255, "OEM", "IBM866"},
}};

String SettingsKeyFor(const String& exeBaseName) { return "\\Software\\Quellmark\\" + exeBaseName; }

namespace {

// Output sizes outside this range are not a screen; such a stored value is
// treated as absent.
constexpr int MaxOutputSide = 4096;
// The output height the sheets are designed for (their side panels' height).
constexpr int DesignOutputHeight = 256;

String BaseNameWithoutExt(const String& path) { return ChangeFileExt(ExtractFileName(path), ""); }

}  // namespace

TFormMain::TFormMain(TComponent* AOwner) : TFormMain(AOwner, TFormMainEnvironment{}) {}

TFormMain::TFormMain(TComponent* AOwner, const TFormMainEnvironment& env) : TForm(AOwner) { init(env); }

TFormMain::~TFormMain() {
  // A window deleted directly still shuts down while its fields exist.
  BeforeDestruction();
  if (FormMain == this) FormMain = nullptr;
}

void TFormMain::init(const TFormMainEnvironment& env) {
  if (!FormMain) FormMain = this;
  const String exe = Application ? Application->ExeName() : String();
  exeBaseName_ = env.ExeBaseName.empty() ? BaseNameWithoutExt(exe) : env.ExeBaseName;
  AppFolder = IncludeTrailingPathDelimiter(NormalizePath(env.AppFolder.empty() ? ExtractFilePath(exe) : env.AppFolder));
  BuildForm();
}

bool TFormMain::MatchClockRunning() const { return TimerIgra && TimerIgra->Enabled(); }

// ---------------------------------------------------------------------------
// Start-up
// ---------------------------------------------------------------------------

void TFormMain::FormCreate(TObject* /*Sender*/) {
  // Settings key, window place, title.
  SettingsKeyPath = SettingsKeyFor(exeBaseName_);
  startedUp_ = true;
  settingsRead_.clear();
  StartupProblems.clear();
  SetLeft(0);
  SetTop(0);
  SetWidth(1024);
  if (Application) Application->SetTitle(exeBaseName_);
  // Output size from the settings.
  ReadOutputSize();
  // Output band.
  LayOutOutputBand();
  // Referee sheet.
  LayOutRefereeSheet();
  // Display pages on the output rectangle; statistics inputs.
  LayOutDisplayPages();
  FillStatInputs();
  // Caption, data folder, initial folders of the dialogs.
  SetCaption(Application ? Application->Title() : exeBaseName_);
  OpenTextDialog->InitialDir = AppFolder + "Teams/";
  SaveTextDialog->InitialDir = AppFolder + "Teams/";
  OpenPictureDialog1->InitialDir = AppFolder + "Teams/";
  OpenRtfDialog->InitialDir = AppFolder + "Texts/";
  DialogUses = TDialogUses{};
  DialogUses.LayoutOpen.Folder = DialogUses.LayoutSave.Folder = AppFolder + "Views/";
  for (TFileDialogUse* u : {&DialogUses.RunTextOpen, &DialogUses.RunTextSave, &DialogUses.OfficeOpen,
                            &DialogUses.OfficeSave, &DialogUses.LinksOpen, &DialogUses.LinksSave})
    u->Folder = AppFolder + "Texts/";
  DialogUses.Logo.Folder = DialogUses.Photo.Folder = AppFolder + "Teams/";
  // Copies that a save killed half-way left beside the operator's files
  // and the settings; the office suite's processes and folders that a
  // killed console left.
  RemoveSaveLeftoversOfData();
  TOfficeConverter::EndLeftovers();
  // Pages emptied.
  EmptyPages();
  // Transition names.
  FillEffectNames();
  SetPictureShowEffects(&EffectProc);   // the slide show window draws with them
  // Team lists, running-text directions, layout pages.
  FillTeamLists();
  FillRunDirections();
  FillLayoutPages();
  // Character sets.
  FillCharsets();
  // Live cameras (a failure leaves the design list).
  try {
    FillVideoDrivers();
  } catch (const std::exception&) {
  }
  // Settings.
  LoadSettings();
  // Configuration preview, editor width, running-text colour sample.
  PanelDVIcfg->SetEnabled(true);
  cbFullscreenClick(seDVIx);
  cbPagePerexodName->SetWidth(std::max(Width() - cbPagePerexodName->Left() - 3, 194));
  LabelRS_Color->Font()->SetColor(RunStr->RFont()->Color());
  // Sides without a selection show " Team select".
  if (cbSud_Comanda1->ItemIndex() < 0) cbSud_Comanda1->SetItemIndex(0);
  if (cbSud_Comanda2->ItemIndex() < 0) cbSud_Comanda2->SetItemIndex(0);
  // Media frame.
  FrameMedia1->Init();
  // A sound output set for this machine that cannot be made is said once;
  // clips then sound through the default output.
  if (const std::string problem = AudioSinkSettingProblem(); !problem.empty()) {
    LogFailure("tablo.console", problem);
    ShowStatusError(problem);
  }
  // Line-up grid header.
  SetupLineupGridHeader();
  // Position names.
  if (FileExists(AppFolder + "Position.txt")) {
    auto list = std::make_unique<TStringList>();
    try {
      list->LoadFromFile(AppFolder + "Position.txt");
      PositionList = std::move(list);
    } catch (const std::exception&) {
    }
  }
  // No side has a team yet.
  FTeamsChosen = 0;
  // Display pages: nothing on the output yet; the referee's sheet and page 1
  // selected.
  ScreenPage = 0;
  TransitionBusy = false;
  PageControl1->SetOwnerDraw(true);
  PageControl2->SetActivePage(Sheet_Sud);
  PageControl1->SetActivePage(TabSheet1);
  SelectedPage = PageControl1->ActivePageIndex();
  ApplyPageTagToEditors();
  PageControl2Change(PageControl2);
  // Header texts.
  labTablo_Title->SetCaption(eSek_Title->Text());
  labTablo_Tur->SetCaption(IntToStr(seSek_Tur->Value()) + eTour->Text());
  // Side panels right of their pages; live video backdrop; file drop.
  Panel1TvPics->SetLeft(PanelTablo5->Left() + PanelTablo5->Width());
  Panel1TvPics->SetHeight(PanelTablo5->Height());
  cbRlTopClick(cbRlTop);
  const std::pair<TControl*, TControl*> sides[] = {{PanelTablo0Bot, PanelTablo0}, {PanelTbaloSostavBot, PanelSostav},
                                                   {PanelTablo3Bot, PanelTablo3}, {PanelTablo4Bot, PanelTablo4},
                                                   {TabloStat_PanelL, PanelStat}, {TabloInet_PanelR, PanelInet},
                                                   {PanelOffice, RichEdit1}};
  for (const auto& [side, page] : sides) side->SetLeft(page->Left() + page->Width() + 1);
  // The statistics inputs stand as their sides on the page: the left team's
  // column first, the right team's beside it.
  TabloStat_PanelR->SetLeft(TabloStat_PanelL->Left() + TabloStat_PanelL->Width());
  // The goal editor and the clock's settings likewise; side panels keep the
  // height their controls need (a low output makes the sheet scroll instead).
  TabloGol_List->SetLeft(PanelTablo1->Left() + PanelTablo1->Width() + 1);
  seTabloGol_TopList->SetLeft(TabloGol_List->Left() + TabloGol_List->Width() + 5);
  if (auto* clockSet = dynamic_cast<TControl*>(FindComponent("PanelClockSet")))
    clockSet->SetLeft(PanelTablo8->Left() + PanelTablo8->Width() + 1);
  for (TControl* side : std::initializer_list<TControl*>{Panel1TvPics, TabloStat_PanelL, TabloStat_PanelR, TabloInet_PanelR})
    side->SetHeight(std::max(side->Height(), DesignOutputHeight));
  PanelZaAvi->SetColor(TColor(PanelZaAvi->Tag()));
  PanelZaAvi->SetAlign(alClient);
  SetFileDropEnabled(PageControl1->ActivePage() == Sheet_Media);
  // Grab target of the output size.
  FGrabBitmap = std::make_unique<TBitmap>(ImageBlack->Width(), ImageBlack->Height());
  // TV pictures and running texts.
  LoadStartupLists();
  // Sides.
  cbSud_Comanda1Change(cbSud_Comanda1);
  // A match whose clock ran at the last close runs on.
  ResumeMatch();
  // Goal list, links, period names, office list.
  LoadMatchLists();
  // The referee's period (among the names just read) and score as left.
  RestoreRefereeValues();
  RestoreStoppedMatch();
  // Page objects placed; the layout of this executable's name.
  AutoPlaceTabloObjects();
  const String layout = AppFolder + "Views/" + exeBaseName_ + ".txt";
  if (FileExists(layout)) {
    LoadTabloLayout(layout);
    cbInternationalChange(cbInternational);
    // What the load has to tell is shown once the window is up.
    if (!LayoutLoadMessage.empty()) StartupProblems.push_back(LayoutLoadMessage);
  }
  // What start-up made of the settings; the shutdown compares with it.
  RememberSettingsAsLoaded();
  // From now on the match reaches the disk as it changes.
  StartMatchSaving();
}

void TFormMain::ReadOutputSize() {
  ImageBlack->SetBounds(ImageBlack->Left(), ImageBlack->Top(), 384, 256);
  TRegistry reg;
  reg.SetRootKey(HKEY_CURRENT_USER);
  if (!reg.OpenKey(SettingsKeyPath, false)) return;
  try {
    const int w = reg.ReadInteger("XWidth");
    if (w < 1 || w > MaxOutputSide) return;
    settingsRead_.insert("XWidth");
    ImageBlack->SetWidth(w);
    if (w >= 768) SetClientWidth(Screen->DesktopWidth());
    const int h = reg.ReadInteger("YHeight");
    if (h < 1 || h > MaxOutputSide) return;
    settingsRead_.insert("YHeight");
    ImageBlack->SetHeight(h);
    if (h >= 320) SetClientHeight(Screen->WorkAreaHeight());
    seDVIx->SetValue(w);
    seDVIy->SetValue(h);
  } catch (const ERegistryException&) {
  }
}

void TFormMain::LayOutOutputBand() {
  const int w = ImageBlack->Width(), h = ImageBlack->Height();
  const int bevel = PanelTabloRamka->BevelWidth();
  PanelTabloRamka->SetBounds(PanelTabloRamka->Left(), PanelTabloRamka->Top(), w + 2 * bevel, h + 2 * bevel);
  PanelTabloColor->SetBounds(bevel, bevel, w, h);
  TBitmap black(w, h);
  black.Fill(clBlack);
  ImageBlack->Picture()->SetGraphic(&black);
  Panelekta->SetLeft(PanelTabloRamka->Left() + PanelTabloRamka->Width());
  PanelTablo->SetHeight(std::max(PanelTabloRamka->Height(), 215));
}

void TFormMain::LayOutRefereeSheet() {
  const int w = ImageBlack->Width(), h = ImageBlack->Height();
  const int room = Sheet_Sud->Height() - ToolBar6->Height() - 4;
  // The sides' panel never gets narrower than its two logo columns nor lower
  // than its buttons: where the sheet is smaller, the sheet scrolls.
  int contentBottom = 0;
  for (int i = 0; i < PanelSud->ControlCount(); ++i) {
    const TControl* c = PanelSud->Controls(i);
    if (c != PanelCom1Im && c != PanelCom2Im) contentBottom = std::max(contentBottom, c->Top() + c->Height());
  }
  PanelSud->SetBounds(PanelSud->Left(), PanelSud->Top(), std::max(w, 2 * 180 + 24),
                      std::max(std::min(h + 160, room), contentBottom + 4));
  const int logoW = std::max((w - 32) / 2, 180);
  const int logoH = cbSud_Comanda1->Top() - 6;
  PanelCom1Im->SetBounds(PanelCom1Im->Left(), PanelCom1Im->Top(), logoW, logoH);
  PanelCom2Im->SetBounds(PanelSud->ClientWidth() - logoW - 2, PanelCom2Im->Top(), logoW, logoH);
  cbSud_Comanda1->SetWidth(logoW);
  cbSud_Comanda2->SetBounds(PanelCom2Im->Left(), cbSud_Comanda2->Top(), logoW, cbSud_Comanda2->Height());
  // Side 2's score, goal, card and substitution buttons stand under its own
  // logo, as side 1's under its; the confirmation between them.
  const int side2 = PanelCom2Im->Left();
  for (TControl* c : std::initializer_list<TControl*>{seSud_Schet2, bSud_Gol2, bSud_KY2, bSud_Zamena2}) c->SetLeft(side2);
  bSud_KR2->SetLeft(side2 + bSud_KR1->Left() - bSud_KY1->Left());
  bFullOK->SetLeft((PanelSud->ClientWidth() - bFullOK->Width()) / 2);
  // The match clock's field and the period list stay right of the panel.
  eSud_Time->SetLeft(PanelSud->Left() + PanelSud->Width() + 8);
  cbSud_Period->SetLeft(eSud_Time->Left() + eSud_Time->Width() + 4);
}

void TFormMain::LayOutDisplayPages() {
  PanelTablo0->SetBounds(PanelTablo0->Left(), PanelTablo0->Top(), ImageBlack->Width(), ImageBlack->Height());
  const TRect r = PanelTablo0->ClientRect();
  for (TControl* c : std::initializer_list<TControl*>{PanelTablo1, PanelSostav, PanelTablo3, PanelTablo4, PanelTablo5,
                                                      PanelTablo8, PanelStat, PanelInet, ImageFon0, ImageFon1,
                                                      ImageFon3, ImageFon4, TabloStat_ImageFon, FrameMedia1->PanelMedia, RichEdit1}) {
    c->SetBoundsRect(r);
  }
  for (TControl* c : std::initializer_list<TControl*>{ImageFon0, ImageFon1, ImageFon3, ImageFon4, TabloStat_ImageFon}) c->SetLeft(0);
  if (DialClock1->Parent()) DialClock1->SetBoundsRect(DialClock1->Parent()->ClientRect());
  for (TControl* c : std::initializer_list<TControl*>{TabloStat_PanelL, TabloStat_PanelR, TabloInet_PanelR})
    c->SetHeight(PanelStat->Height());
  // The media frame's controls around its preview follow the preview's size.
  FrameMedia1->FrameResize(FrameMedia1);
}

void TFormMain::EmptyPages() {
  TabloGol_List->Clear();
  for (TImage* i : {Zamena_Logo, iTablo_Logo1, iTablo_Logo2, Igrok_Photo, PhotoOut, Igrok_Logo, PhotoIn})
    i->Picture()->Clear();
  for (TControl* c : std::initializer_list<TControl*>{LabelNumOut, LabelNameOut, LabelNumIn, LabelNameIn})
    c->SetCaption("");
}

void TFormMain::FillEffectNames() {
  TStrings* items = cbPagePerexodName->Items();
  items->BeginUpdate();
  items->Clear();
  for (int k = 1; k <= EffectCount; ++k) items->Add(EffectName(k));
  items->EndUpdate();
}

void TFormMain::FillRunDirections() {
  // One row of one Wingdings symbol each: left, up, down arrowheads, dots.
  const String left = "\u00D7", up = "\u00D9", down = "\u00DA", dot = "\u009F";
  TStrings* items = rlNapr->Items();
  items->Clear();
  items->Add(left + left + left + left);
  items->Add(up + up + up + up);
  items->Add(down + down + down + down);
  items->Add(dot + dot + dot + dot + dot + dot);
  // Until a stored direction is read, the list shows the running text's own
  // direction (right to left) instead of an empty box.
  rlNapr->SetItemIndex(0);
}

void TFormMain::FillLayoutPages() {
  LayoutPages = {PanelTablo0, PanelTablo1, PanelSostav,      PanelTablo3, PanelTablo4,
                 PanelTablo5, FrameMedia1->PanelMedia, RichEdit1, PanelCircleClock, PanelStat};
}

void TFormMain::FillCharsets() {
  TStrings* items = cbInternational->Items();
  items->Clear();
  for (const TCharsetEntry& e : CharsetTable) items->Add(e.Name);
  cbInternational->SetItemIndex(1);
  // Until a stored choice is applied, legacy files are read as the default
  // set's (Windows-1251).
  SetLegacyCodePage(CharsetTable[1].CodePage);
}

void TFormMain::ApplyPageTagToEditors() {
  const uint32_t tag = uint32_t(PageControl1->ActivePage()->Tag());
  cbPagePerexodNumber->SetValue(int(tag & 255));
  cbPagePerexodName->SetItemIndex(cbPagePerexodNumber->Value() - 1);
  cbPageStep->SetValue(int((tag >> 8) & 255));
  cbPagePerexodRnd->SetChecked((tag & 0x80000000u) != 0);
}

void TFormMain::LoadStartupLists() {
  try {
    TStringList list;
    list.LoadFromFile(AppFolder + "Pics/PicOnTV.txt");
    const String none = ListPicOnTV->Items()->Count() > 0 ? ListPicOnTV->Items()->Get(0) : String("NO");
    // A file that begins with the "none" line itself (as a saved copy of the
    // list does) does not give it twice.
    if (list.Count() == 0 || list.Get(0) != none) list.Insert(0, none);
    ListPicOnTV->Items()->Assign(&list);
  } catch (const std::exception&) {
  }
  try {
    TStringList list;
    list.LoadFromFile(AppFolder + "Texts/RS_Color.txt");
    ListRunStr->Items()->Assign(&list);
    for (int i = 0; i < ListRunStr->Count(); ++i) ListRunStr->SetChecked(i, true);
    if (ListRunStr->Count() > 0) ListRunStr->SetItemIndex(0);
  } catch (const std::exception&) {
  }
}

void TFormMain::ResumeMatch() {
  const bool running = loadedTimeStartWall_ > 0;
  // A match whose sides were applied comes back applied, its clock stopped
  // or not: the display pages, the side lists of the goal, card and
  // substitution buttons and the substitution page are as they were (they
  // showed the design's teams and an empty page until a confirmation).
  const bool sidesBack = FTeamsChosen && !loadedSide_[0].empty() && !loadedSide_[1].empty() &&
                         TeamSlots[1].Name == loadedSide_[0] && TeamSlots[2].Name == loadedSide_[1];
  if (!running && !sidesBack) return;
  // The kick-off as stored; Play would take it again from the whole seconds
  // shown, moving it later at every restart.
  const int64_t kickOff = TimeStart();
  bFullOK->Click();
  if (running) {
    TimerIgraTimer(TimerIgra);
    Sud_Play->Click();
    SetTimeStart(kickOff);
    resumedTimeStart_ = kickOff;
    TimerIgraTimer(TimerIgra);
  }
  // The substitution page as it was (the confirmation above prepared it anew).
  RestoreSubstitutionPage();
}

void TFormMain::LoadMatchLists() {
  // A list that exists but cannot be read is left alone: it is not saved
  // over at shutdown, and the operator is told.
  auto unreadable = [this](const String& file) {
    StartupProblems.push_back("Error file " + file + ":\nit could not be read, so it will not be saved over.");
  };
  // Each file is taken as it is before its list loads: what changes on disk
  // from then on is not replaced without asking (writeListBack).
  const String gols = AppFolder + "Gols.txt";
  golsUnreadable_ = false;
  golsFile_.Read(gols);
  if (FileExists(gols)) {
    try {
      TabloGol_List->Lines()->LoadFromFile(gols);
    } catch (const std::exception&) {
      golsUnreadable_ = true;
      unreadable(gols);
    }
  }
  golsFile_.Take(TabloGol_List->Lines()->Text());
  const String inet = AppFolder + "Texts/Internet.txt";
  inetUnreadable_ = false;
  inetFile_.Read(inet);
  try {
    TStringList list;
    list.LoadFromFile(inet);
    ListInet->Items()->Assign(&list);
    ListInet->SetItemIndex(0);
  } catch (const std::exception&) {
    if (FileExists(inet)) {
      inetUnreadable_ = true;
      unreadable(inet);
    }
  }
  inetFile_.Take(ListInet->Items()->Text());
  if (FileExists(AppFolder + "Period.txt")) {
    try {
      TStringList list;
      list.LoadFromFile(AppFolder + "Period.txt");
      cbSud_Period->Items()->Assign(&list);
      cbSud_Period->SetItemIndex(0);
      // The period of the running match, as stored, is chosen again among
      // the new names, and the period labels show its name.
      if (MatchPeriod >= 0 && MatchPeriod < cbSud_Period->Items()->Count()) {
        cbSud_Period->SetItemIndex(MatchPeriod);
        eTablo_Period->SetCaption(cbSud_Period->Text());
        eTabloGol_Period->SetCaption(cbSud_Period->Text());
      }
    } catch (const std::exception&) {
    }
  }
  try {
    TStringList list;
    list.LoadFromFile(AppFolder + "Texts/" + exeBaseName_ + ".txt");
    ListRTF->Items()->Assign(&list);
    ListRTF->SetItemIndex(0);
  } catch (const std::exception&) {
  }
}

void TFormMain::FormShow(TObject* /*Sender*/) {
  PanelDVIcfg->SetEnabled(true);
  // The window paints first; then what start-up could not read is told.
  if (!StartupProblems.empty() && !startupProblemTimer_) {
    startupProblemTimer_ = new TTimer(this);
    startupProblemTimer_->SetInterval(200);
    startupProblemTimer_->OnTimer = [this](TObject*) {
      startupProblemTimer_->SetEnabled(false);
      ShowStartupProblems();
    };
    startupProblemTimer_->SetEnabled(true);
  }
}

void TFormMain::ShowStartupProblems() {
  // Each is told once; not while the console is being closed by the system.
  std::vector<String> problems;
  problems.swap(StartupProblems);
  for (const String& p : problems) {
    if (closeWithoutQuestion_) break;
    ShowMessageDlg(p, p.rfind("Error file", 0) == 0 ? mtError : mtWarning, {mbOK});
  }
}

// ---------------------------------------------------------------------------
// Closing and shutdown
// ---------------------------------------------------------------------------

void TFormMain::FormCloseQuery(TObject* /*Sender*/, bool& CanClose) {
  if (closeWithoutQuestion_) {
    CanClose = true;
    return;
  }
  CanClose = ShowMessageDlg("Quit?", mtConfirmation, mbYesNo) == mrYes;
}

void TFormMain::CloseWithoutQuestion() {
  closeWithoutQuestion_ = true;
  Close();
}

void TFormMain::ReportShutdownFailure(const Exception& E) {
  // Closed by the system, nobody may be there to answer a box, and a box
  // would hold up the remaining saves: the failure goes to the error output.
  if (closeWithoutQuestion_ || !Application) {
    LogFailure("tablo.console", E.Message);
    return;
  }
  Application->ShowException(E);
}

void TFormMain::RemoveSaveLeftoversOfData() {
  std::vector<String> folders = {AppFolder, AppFolder + "Texts/", AppFolder + "Views/", AppFolder + "Pics/",
                                 ExtractFilePath(TRegistry::StoreFileName())};
  for (const String& team : ListDirectory(AppFolder + "Teams/", true)) folders.push_back(AppFolder + "Teams/" + team + "/");
  for (const String& folder : folders) RemoveSaveLeftovers(folder);
}

void TFormMain::SaveOnDisplayLoss() {
  closeWithoutQuestion_ = true;   // failures go to the error output
  ClosingDown = true;
  saveOperatorData();
}

void TFormMain::FormDestroy(TObject* /*Sender*/) {
  if (CursorConfined()) ReleaseShowCursor();
  // A window that never started up has nothing of the operator's to keep.
  if (!startedUp_) return;
  saveOperatorData();
  ClearCameraGraph();
  FGrabBitmap.reset();
  FrameMedia1->StopGraph();
  ClosePresentation();
}

void TFormMain::saveOperatorData() {
  if (!startedUp_ || operatorDataSaved_) return;
  operatorDataSaved_ = true;
  // No save of the match after this one, which writes everything.
  StopMatchSaving();
  SaveSettings();
  // A list that could not be read at start-up is not saved over.
  if (!golsUnreadable_) writeListBack(TabloGol_List->Lines(), golsFile_);
  if (!inetUnreadable_) writeListBack(ListInet->Items(), inetFile_);
}

void TFormMain::writeListBack(TStrings* Lines, TListFileState& State) {
  // A list the operator did not change has nothing to write (an empty list
  // without a file needs none).
  const String text = Lines->Text();
  if (!State.ListChanged(text)) return;
  String file = State.File();
  if (State.ChangedOnDisk()) {
    if (closeWithoutQuestion_ || !Application) {
      // Nobody to ask: the file stays, and the list goes beside it.
      const String beside = ChangeFileExt(file, "") + " (console)" + ExtractFileExt(file);
      LogFailure("tablo.console", file + " was changed on disk after the console read it; it is kept, and the "
                                         "console's list is written to " + beside + ".");
      file = beside;
    } else if (ShowMessageDlg("The file " + file + " was changed on disk after the console read it.\n"
                              "Replace it with the console's list?",
                              mtConfirmation, mbYesNo) != mrYes) {
      return;
    }
  }
  // A failed save is reported as a failed settings write is.
  try {
    ForceDirectories(ExtractFileDir(file));
    Lines->SaveToFile(file);
    if (file == State.File()) State.Written(text);
  } catch (const std::exception& e) {
    ReportShutdownFailure(Exception("Error file " + file + ". " + e.what()));
  }
}

// ---------------------------------------------------------------------------
// Message box below the output band
// ---------------------------------------------------------------------------

TPoint TFormMain::MessageDlgOrigin(const String& Msg) const {
  TBitmap measure(1, 1);
  measure.Canvas()->SetFont(Font());
  const int textWidth = measure.Canvas()->TextWidth(Msg);
  int x = PanelTabloRamka->Left() - 40 + (PanelTabloRamka->Width() - textWidth) / 2;
  int y = PanelTablo->Height() + 32;
  // A long message would start left of the screen (and a negative place
  // means "centred" to the dialog): the box starts inside the work area.
  const TRect work = Screen->WorkAreaRect();
  x = std::clamp(x, work.Left, std::max(work.Left, work.Right - 1));
  y = std::clamp(y, work.Top, std::max(work.Top, work.Bottom - 1));
  return TPoint(x, y);
}

TModalResult TFormMain::ShowMessageDlg(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons) {
  const TPoint p = MessageDlgOrigin(Msg);
  return MessageDlgPos(Msg, DlgType, Buttons, 0, p.X, p.Y);
}

// ---------------------------------------------------------------------------
// Transition editors follow the "Screens" sheet
// ---------------------------------------------------------------------------

void TFormMain::PageControl2Change(TObject* /*Sender*/) {
  cbPageStep->SetVisible(PageControl2->ActivePage() == Sheet_Tablo);
  const bool v = cbPageStep->Visible();
  cbPagePerexodRnd->SetVisible(v);
  ePagePerexodRnd->SetVisible(v);
  cbPagePerexodNumber->SetVisible(v);
  cbPagePerexodName->SetVisible(v);
  if (ToolBarTablo) ToolBarTablo->SetVisible(v);
}
