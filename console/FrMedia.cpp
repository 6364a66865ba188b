// The advertising-media frame: its design, the play list and the preview.
#include "console/FrMedia.h"

#include <filesystem>
#include <random>
#include <utility>
#include "console/FMain.h"
#include "console/FMainBuildUtil.h"
#include "controls/ShockwaveEx.h"
#include "media/DSGraph.h"
#include "media/DSVideoWindow.h"
#include "pictureshow/PictureShow.h"
#include "toolkit/Clipbrd.h"
#include "toolkit/FileMasks.h"
#include "toolkit/Forms.h"
#include "toolkit/ReaderProcess.h"

namespace {
constexpr int kPanel3Width = 312;   // the item panel's designed width
}  // namespace

using namespace fmainbuild;

const char* const VideoFileMask = "*.avi;*.mpg;*.mpeg;*.asf;*.ifo;*.vob";
const char* const FlashFileMask = "*.swf";

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

// Splits a path as written into its folder part (with its separator, as
// written) and its file-name part.
void splitPath(const String& path, String& dir, String& name) {
  size_t p = path.find_last_of("/\\");
  if (p == String::npos) {
    dir.clear();
    name = path;
  } else {
    dir = path.substr(0, p + 1);
    name = path.substr(p + 1);
  }
}

// The extension of a file name with its point, as written; empty without one.
String extensionOf(const String& name) {
  size_t p = name.rfind('.');
  return p == String::npos ? String() : name.substr(p);
}

// A substring search in a mask text; an extension of a point alone or
// nothing at all is in no mask.
bool inMask(const String& ext, const String& mask) { return ext.size() > 1 && mask.find(ext) != String::npos; }

}  // namespace

TMediaKind ClassifyMediaFile(const String& FileName) {
  String dir, name;
  splitPath(FileName, dir, name);
  const String ext = LowerCase(extensionOf(name));
  if (inMask(ext, GraphicFileMask())) return mkPicture;
  if (inMask(ext, VideoFileMask)) return mkVideo;
  if (inMask(ext, FlashFileMask)) return mkFlash;
  return mkUnknown;
}

// ===========================================================================
// Design
// ===========================================================================

// The picture of a line read off the main thread, and scaled there to the
// size the picture show will compose it at (its geometry when the read
// began). The file's stamp is read before and after the read: a file that
// changed meanwhile gives no picture (it is read again when wanted). A
// metafile is drawn by the reader process; a read nobody wants any more
// (Cancel) stops its reader at once, so dropping one never waits for it.
class TPictureAhead : public TThread {
 public:
  TPictureAhead(const String& File, const TPictureShow::TComposeGeometry& Show, std::atomic<int>* Decoded)
      : TThread(true), File(File), show_(Show), decoded_(Decoded) {}
  // The read ends before the members it writes go (the thread itself is
  // joined only after them, in ~TThread). Cancelled, a metafile's reader
  // stops at once; a decode under way is waited for.
  ~TPictureAhead() override {
    Cancel();
    WaitFor();
  }
  void Cancel() { cancel_ = true; }
  const String File;
  // Set by the read, seen once it has finished.
  String Stamp;                       // empty: no picture
  bool Failed = false;                // the file could not be read (FailedStamp: its stamp then)
  String FailedStamp;
  TBitmap Bitmap;
  std::shared_ptr<const TBitmap> Scaled;   // null: the show composes it at its own size

 protected:
  void Execute() override {
    const TReaderCancelScope scope(&cancel_);
    const String before = FileWriteStamp(File);
    try {
      if (before.empty()) throw EInvalidGraphic("No picture");
      Bitmap.LoadFromFile(File);
    } catch (const std::exception&) {
      // Not a failure of the file when the read was cancelled or the file
      // changed meanwhile.
      Failed = !cancel_ && FileWriteStamp(File) == before;
      FailedStamp = before;
      return;
    }
    if (FileWriteStamp(File) != before) return;
    const TPoint size = TPictureShow::ComposedSize(show_, Bitmap.Width(), Bitmap.Height(), Bitmap.Transparent());
    if (size.X != Bitmap.Width() || size.Y != Bitmap.Height())
      Scaled = TPictureShow::ScaleForShow(Bitmap, size.X, size.Y);
    Stamp = before;
    ++*decoded_;
  }

 private:
  const TPictureShow::TComposeGeometry show_;
  std::atomic<int>* decoded_;
  std::atomic<bool> cancel_{false};
};

TFrameMedia::TFrameMedia(TComponent* AOwner) : TPanel(AOwner) { build(); }

TFrameMedia::~TFrameMedia() {
  // The list goes with the owned components; its records go with the frame.
  if (ListMedia) ListMedia->Items()->OnChange = nullptr;
  CurrentItem = nullptr;
  // The reads stop (their readers killed) and end here.
  for (auto* reads : {&reads_, &leaving_})
    for (const auto& r : *reads) {
      r->OnTerminate = nullptr;
      r->Cancel();
    }
  reads_.clear();
  leaving_.clear();
  // The components go after the frame's own part: none may call back in.
  if (FilterGraph1) {
    FilterGraph1->OnGraphComplete = nullptr;
    FilterGraph1->OnGraphVideoSizeChanged = nullptr;
    FilterGraph1->OnGraphPaused = nullptr;
    FilterGraph1->OnGraphClockChanged = nullptr;
    FilterGraph1->OnDSEvent = nullptr;
  }
  if (DSVideoWindowEx1) DSVideoWindowEx1->OnLastFrame = nullptr;
  if (PictureShow) {
    PictureShow->OnStart = nullptr;
    PictureShow->OnStop = nullptr;
  }
  if (DSTrackBar1) {
    DSTrackBar1->SetOnTimer(nullptr);
    DSTrackBar1->OnChange = nullptr;
  }
}

void TFrameMedia::build() {
  SetName("FrameMedia");
  SetBevelOuter(bvNone);
  SetCaption("");
  SetBounds(0, 0, 1000, 420);
  OnResize = [this](TObject* s) { FrameResize(s); };

  // ---- The list, at the right edge ----------------------------------------
  PanelList = Make<TPanel>(this, this, "PanelList", 700, 0, 300, 420);
  PanelList->SetAlign(alRight);
  PanelList->SetBevelOuter(bvNone);
  PanelList->SetCaption("");
  ToolBar5 = Make<TToolBar>(this, PanelList, "ToolBar5", 0, 0, 300, 28);
  ToolBar5->SetAlign(alNone);
  ToolBar5->SetFlat(true);
  ToolBar5->SetWrapable(false);
  ToolBar5->SetBounds(0, 0, 78, 28);
  auto toolButton = [this](TToolBar* bar, const char* name, int image, const char* hint) {
    TToolButton* b = Make<TToolButton>(this, bar, name, 0, 0, 23, 22);
    b->SetImageIndex(image);
    b->SetHint(hint);
    b->SetShowHint(true);
    return b;
  };
  bMedia_New = toolButton(ToolBar5, "bMedia_New", 0, "New list");
  bMedia_New->OnClick = [this](TObject* s) { bMedia_NewClick(s); };
  bMedia_Open = toolButton(ToolBar5, "bMedia_Open", 2, "Open a list or add media files");
  bMedia_Open->OnClick = [this](TObject* s) { bMedia_OpenClick(s); };
  bMedia_Save = toolButton(ToolBar5, "bMedia_Save", 4, "Save the list");
  bMedia_Save->OnClick = [this](TObject* s) { bMedia_SaveClick(s); };
  SelectFolder = Make<TButton>(this, PanelList, "SelectFolder", 82, 3, 90, 22);
  SelectFolder->SetCaption("Directory...");
  SelectFolder->OnClick = [this](TObject* s) { SelectFolderClick(s); };
  eFilesCount = Make<TPanel>(this, PanelList, "eFilesCount", 178, 3, 70, 22);
  eFilesCount->SetBevelOuter(bvLowered);
  eFilesCount->SetCaption("0:0");

  ListMedia = Make<TCheckListBox>(this, PanelList, "ListMedia", 0, 30, 300, 390);
  ListMedia->SetAnchors({akLeft, akTop, akRight, akBottom});
  ListMedia->SetMultiSelect(true);
  ListMedia->OnClick = [this](TObject* s) { ListMediaClick(s); };
  ListMedia->OnDblClick = [this](TObject*) { request([this] { ListMediaDblClick(ListMedia); }); };
  ListMedia->OnKeyPress = [this](TObject* s, char32_t& k) { ListMediaKeyPress(s, k); };
  ListMedia->OnKeyDown = [this](TObject* s, uint16_t& k, TShiftState sh) { ListMediaKeyDown(s, k, sh); };
  ListMedia->Items()->OnChange = [this](TObject*) { itemsChanged(); };

  OpenMediaDialog = MakeComponent<TOpenDialog>(this, "OpenMediaDialog");
  OpenMediaDialog->Filter = "Play-list files (*.txt)|*.txt";
  OpenMediaDialog->DefaultExt = "txt";
  OpenMediaDialog->Options = TOpenOptions{ofHideReadOnly, ofAllowMultiSelect, ofPathMustExist, ofFileMustExist,
                                          ofEnableSizing};

  PopupMenu1 = MakeComponent<TPopupMenu>(this, "PopupMenu1");
  auto menuItem = [this](const char* name, const char* caption, int tag, std::function<void(TObject*)> h) {
    auto* m = MakeComponent<TMenuItem>(this, name);
    m->SetCaption(caption);
    m->SetTag(tag);
    if (h) m->OnClick = std::move(h);
    PopupMenu1->Items()->Add(m);
    return m;
  };
  mOFF = menuItem("mOFF", "Unchecked", 0, [this](TObject* s) { mOFFClick(s); });
  mON = menuItem("mON", "Checked", 1, [this](TObject* s) { mOFFClick(s); });
  menuItem("N1", "-", 0, nullptr);
  mCopy = menuItem("mCopy", "Copy", 0, [this](TObject* s) { mCopyClick(s); });
  mPaste = menuItem("mPaste", "Insert", 0, [this](TObject* s) { mPasteClick(s); });
  mAdd = menuItem("mAdd", "Add", 1, [this](TObject* s) { mPasteClick(s); });
  menuItem("N2", "-", 0, nullptr);
  mAddFile = menuItem("mAddFile", "File Add...", 0, [this](TObject* s) { mAddFileClick(s); });
  menuItem("N3", "-", 0, nullptr);
  mDel = menuItem("mDel", "Delete", 0, [this](TObject* s) { mDelClick(s); });
  mSelAll = menuItem("mSelAll", "Select all", 0, [this](TObject* s) { mSelAllClick(s); });
  ListMedia->SetPopupMenu(PopupMenu1);
  PopupMenu1->OnPopup = [this](TObject* s) { PopupMenu1Popup(s); };

  // ---- Preview, transport and item controls --------------------------------
  PanelWork = Make<TPanel>(this, this, "PanelWork", 0, 0, 700, 420);
  PanelWork->SetAlign(alClient);
  PanelWork->SetBevelOuter(bvNone);
  // A large output's preview does not fit beside the list: the work area
  // scrolls.
  PanelWork->SetAutoScroll(true);
  PanelWork->SetCaption("");

  PanelMedia = Make<TPanel>(this, PanelWork, "PanelMedia", 0, 0, 384, 256);
  PanelMedia->SetColor(clBlack);
  PanelMedia->SetBevelOuter(bvNone);
  PanelMedia->SetCaption("");

  PictureShow = Make<TPictureShow>(this, PanelMedia, "PictureShow", 0, 0, 384, 256);
  PictureShow->SetAlign(alClient);
  PictureShow->SetColor(clBlack);
  PictureShow->SetStyle(118);
  PictureShow->SetStep(2);
  PictureShow->SetDelay(20);
  PictureShow->SetStretch(true);
  PictureShow->SetStretchFine(true);
  PictureShow->SetCenter(true);
  PictureShow->SetBgMode(bmStretched);
  PictureShow->SetThreaded(false);

  // The clip's picture; placed by size on the output area (not aligned).
  // Made after the main window's camera window, so that its idle pass is
  // the one that hides the cursor over the output.
  DSVideoWindowEx1 = Make<TDSVideoWindowEx2>(this, PanelMedia, "DSVideoWindowEx1", 0, 0, 384, 256);
  DSVideoWindowEx1->SetAlign(alClient);
  DSVideoWindowEx1->SetColor(clBlack);
  DSVideoWindowEx1->SetAspectRatio(rmStretched);
  DSVideoWindowEx1->SetAutoHideCursor(1);
  DSVideoWindowEx1->SetDigitalZoom(0);
  DSVideoWindowEx1->SetNoScreenSaver(true);
  if (TColorControl* cc = DSVideoWindowEx1->ColorControl()) {
    cc->SetBrightness(750);
    cc->SetContrast(10000);
    cc->SetHue(0);
    cc->SetSaturation(10000);
    cc->SetSharpness(5);
    cc->SetGamma(1);
    cc->SetColorEnable(true);
  }
  DSVideoWindowEx1->SetVisible(false);

  ShockwaveFlashEx1 = Make<TShockwaveFlashEx>(this, PanelMedia, "ShockwaveFlashEx1", 0, 0, 384, 256);
  ShockwaveFlashEx1->SetColor(clBlack);
  ShockwaveFlashEx1->SetVisible(false);

  MediaToolBar = Make<TToolBar>(this, PanelWork, "MediaToolBar", 0, 258, 384, 28);
  MediaToolBar->SetAlign(alNone);
  MediaToolBar->SetFlat(true);
  MediaToolBar->SetWrapable(false);
  MediaToolBar->SetBounds(0, 258, 384, 28);
  btPause = toolButton(MediaToolBar, "btPause", 0, "Pause");
  btPlay = toolButton(MediaToolBar, "btPlay", 1, "Play");
  btStop = toolButton(MediaToolBar, "btStop", 2, "Stop");
  btNextChapter = toolButton(MediaToolBar, "btNextChapter", 3, "Next");
  btFrameStep = toolButton(MediaToolBar, "btFrameStep", 4, "Next kadr");
  ToolButtonSep = Make<TToolButton>(this, MediaToolBar, "ToolButton1", 0, 0, 8, 22);
  ToolButtonSep->SetStyle(tbsSeparator);
  cbCikle = Make<TCheckBox>(this, MediaToolBar, "cbCikle", 5 * 23 + 12, 4, 70, 17);
  cbCikle->SetCaption("Cikle");
  cbCikle->SetChecked(true);
  for (TToolButton* b : {btPause, btPlay, btStop, btNextChapter, btFrameStep}) b->SetEnabled(false);

  // Picture controls
  ControlPics = Make<TPanel>(this, PanelWork, "ControlPics", 384, 0, 200, 200);
  ControlPics->SetBevelOuter(bvNone);
  ControlPics->SetCaption("");
  PanelPreview = Make<TPanel>(this, ControlPics, "PanelPreview", 4, 4, 192, 108);
  PanelPreview->SetColor(clGray);
  PanelPreview->SetBevelOuter(bvLowered);
  PanelPreview->SetCaption("");
  PicsImagePreview = Make<TImage>(this, PanelPreview, "PicsImagePreview", 1, 1, 190, 106);
  PicsImagePreview->SetAlign(alClient);
  PicsImagePreview->SetStretch(true);
  PicsImagePreview->SetProportional(true);
  PicsImagePreview->SetCenter(true);
  PicsImageSize = Make<TLabel>(this, ControlPics, "PicsImageSize", 4, 114, 100, 13);
  PicsImageSize->SetCaption("0x0");
  GroupNextPicture = Make<TGroupBox>(this, ControlPics, "GroupNextPicture", 4, 130, 192, 66);
  GroupNextPicture->SetCaption("Next picture");
  LabelDelay = Make<TLabel>(this, GroupNextPicture, "LabelDelay", 8, 20, 40, 13);
  LabelDelay->SetCaption("Delay:");
  PicsShowPause = Make<TSpinEdit>(this, GroupNextPicture, "PicsShowPause", 52, 16, 56, 22);
  PicsShowPause->SetMinValue(1);
  PicsShowPause->SetMaxValue(900);
  PicsShowPause->SetValue(2);
  PicsShowPause->SetEditorEnabled(false);
  PicsShowPause->SetHint("секунд");
  PicsShowPause->SetShowHint(true);
  cbPicsCls = Make<TCheckBox>(this, GroupNextPicture, "cbPicsCls", 8, 42, 100, 17);
  cbPicsCls->SetCaption("With clear");
  cbPicsCls->SetChecked(false);

  // Video controls
  ControlAVIs = Make<TPanel>(this, PanelWork, "ControlAVIs", 384, 0, 200, 200);
  ControlAVIs->SetBevelOuter(bvNone);
  ControlAVIs->SetCaption("");
  ControlAVIs->SetVisible(false);
  rgMediaAspect = Make<TRadioGroup>(this, ControlAVIs, "rgMediaAspect", 4, 4, 192, 80);
  rgMediaAspect->SetCaption("Вид кадра");
  rgMediaAspect->Items()->SetText("Обрезанный\nПолный\nРастянутый\n");
  rgMediaAspect->SetItemIndex(0);
  GroupBox2 = Make<TGroupBox>(this, ControlAVIs, "GroupBox2", 4, 88, 192, 108);
  GroupBox2->SetCaption("Настройки");
  GroupBox2->SetVisible(false);
  auto colourBar = [this](const char* name, int top, int mn, int mx, int pos) {
    TTrackBar* t = Make<TTrackBar>(this, GroupBox2, name, 4, top, 140, 20);
    t->SetMin(mn);
    t->SetMax(mx);
    t->SetPosition(pos);
    t->SetTickStyle(tsNone);
    return t;
  };
  TrackBar1 = colourBar("TrackBar1", 14, 0, 5000, 750);
  TrackBar2 = colourBar("TrackBar2", 34, 0, 20000, 10000);
  TrackBar4 = colourBar("TrackBar4", 54, 0, 20000, 10000);
  TrackBar3 = colourBar("TrackBar3", 74, -180, 180, 0);
  int labelTop = 16;
  for (TLabel** l : {&Label1, &Label5, &Label6, &Label7}) {
    static const char* names[] = {"Label1", "Label5", "Label6", "Label7"};
    *l = Make<TLabel>(this, GroupBox2, names[(labelTop - 16) / 20], 150, labelTop, 36, 13);
    (*l)->SetCaption("0");
    labelTop += 20;
  }
  cbMedia_Color = Make<TCheckBox>(this, GroupBox2, "cbMedia_Color", 4, 92, 100, 14);
  cbMedia_Color->SetCaption("Utilized colors");
  SpeedButton1 = Make<TSpeedButton>(this, GroupBox2, "SpeedButton1", 108, 90, 80, 16);
  SpeedButton1->SetCaption("По умолчанию");
  Snapshot = Make<TButton>(this, ControlAVIs, "Snapshot", 4, 170, 75, 25);
  Snapshot->SetCaption("Snapshot");
  Snapshot->SetVisible(false);
  Image5 = Make<TImage>(this, ControlAVIs, "Image5", 100, 170, 60, 25);
  Image5->SetVisible(false);

  // Position, pause, rate and volume
  Panel3 = Make<TPanel>(this, PanelWork, "Panel3", 388, 204, kPanel3Width, 84);
  Panel3->SetBevelOuter(bvNone);
  Panel3->SetCaption("");
  LabelMedia = Make<TLabel>(this, Panel3, "LabelMedia", 4, 4, 40, 13);
  LabelMedia->SetCaption("0.00");
  LabelMediaFull = Make<TLabel>(this, Panel3, "LabelMediaFull", 60, 4, 40, 13);
  LabelMediaFull->SetCaption("0.00");
  FilterGraph1 = MakeComponent<TFilterGraph>(this, "FilterGraph1");
  FilterGraph1->SetMode(gmNormal);
  FilterGraph1->SetLinearVolume(true);
  DSVideoWindowEx1->SetFilterGraph(FilterGraph1);
  DSTrackBar1 = Make<TDSTrackBar>(this, Panel3, "DSTrackBar1", 0, 20, 312, 24);
  DSTrackBar1->SetFilterGraph(FilterGraph1);
  DSTrackBar1->SetTickStyle(tsNone);
  DSTrackBar1->SetVisible(false);
  DelayTrackBar = Make<TTrackBar>(this, Panel3, "DelayTrackBar", 0, 20, 312, 24);
  DelayTrackBar->SetMax(2);
  DelayTrackBar->SetEnabled(false);
  RateLevel = Make<TTrackBar>(this, Panel3, "RateLevel", 0, 48, 150, 30);
  RateLevel->SetMin(-30);
  RateLevel->SetMax(30);
  RateLevel->SetPosition(0);
  RateLevel->SetTag(100);
  RateLevel->SetFrequency(5);
  RateLevel->SetSelStart(-2);
  RateLevel->SetSelEnd(2);
  RateLevel->SetHint("Speed");
  RateLevel->SetShowHint(true);
  RateLevel->SetVisible(false);
  SoundLevel = Make<TTrackBar>(this, Panel3, "SoundLevel", 156, 48, 150, 30);
  SoundLevel->SetMin(0);
  SoundLevel->SetMax(10000);
  SoundLevel->SetFrequency(1000);
  SoundLevel->SetPosition(10000);
  SoundLevel->SetHint("Volume");
  SoundLevel->SetShowHint(true);
  SoundLevel->SetVisible(false);
  PopupMenu2 = MakeComponent<TPopupMenu>(this, "PopupMenu2");
  for (int pct : {200, 150, 100, 75, 50, 25}) {
    auto* m = MakeComponent<TMenuItem>(this, ("N" + IntToStr(pct) + "1").c_str());
    m->SetCaption(IntToStr(pct) + "%");
    m->SetTag(pct);
    PopupMenu2->Items()->Add(m);
  }
  RateLevel->SetPopupMenu(PopupMenu2);

  TimerDelayPics = MakeComponent<TTimer>(this, "TimerDelayPics");
  TimerDelayPics->SetEnabled(false);
  TimerDelayPics->SetInterval(1000);
  TimerChange = MakeComponent<TTimer>(this, "TimerChange");
  TimerChange->SetEnabled(false);
  TimerChange->SetInterval(500);
  buildPlayback();
}

TFormMain* TFrameMedia::mainForm() const { return dynamic_cast<TFormMain*>(Owner()); }

void TFrameMedia::FrameResize(TObject* /*Sender*/) {
  if (!Panel3 || !PanelMedia) return;
  // The transport bar below the preview, the picture controls and the item
  // panel right of both, whatever the output size.
  MediaToolBar->SetTop(PanelMedia->Top() + PanelMedia->Height() + 2);
  const int right = std::max(PanelMedia->Left() + PanelMedia->Width(), MediaToolBar->Left() + MediaToolBar->Width());
  ControlPics->SetLeft(right);
  Panel3->SetLeft(right + 4);
  // The item panel reaches the right edge, never narrower than designed (the
  // work area scrolls to it).
  Panel3->SetWidth(std::max(kPanel3Width, PanelWork->ClientWidth() - Panel3->Left()));
  for (TControl* c : std::initializer_list<TControl*>{DelayTrackBar, DSTrackBar1})
    if (c->Parent()) c->SetWidth(std::max(0, c->Parent()->ClientWidth() - c->Left()));
}

// ===========================================================================
// Start-up and shutdown
// ===========================================================================

void TFrameMedia::Init() {
  TFormMain* main = mainForm();
  // Several lines may be selected.
  ListMedia->SetMultiSelect(true);
  // The open dialog starts in the pictures folder.
  OpenMediaDialog->InitialDir = AppFolder + "Pics/";
  LastFolder = OpenMediaDialog->InitialDir;
  // Filter 1 the play list, 2 pictures, 3 Flash, 4 video.
  const String pics = GraphicFileMask();
  OpenMediaDialog->Filter = "Play-list files (*.txt)|*.txt|Images (" + pics + ")|" + pics + "|SWF (" +
                            FlashFileMask + ")|" + FlashFileMask + "|Media (" + VideoFileMask + ")|" + VideoFileMask;
  // The picture show's effect and step from the main window's settings.
  if (main) {
    PictureShow->SetStyle(main->cbPagePerexodNumber->Value());
    PictureShow->SetStep(main->cbPageStep->Value());
  }
  // The picture and clip controls right of the media panel.
  ControlPics->SetLeft(PanelMedia->Left() + PanelMedia->Width());
  ControlAVIs->SetBounds(ControlPics->Left(), ControlPics->Top(), ControlAVIs->Width(), ControlAVIs->Height());
  // The video window is placed by size, not aligned.
  DSVideoWindowEx1->SetAlign(alNone);
  // Each colour slider works and shows its thumb only where the video
  // window can control that colour.
  const TDSVideoWindowEx2Caps* caps = DSVideoWindowEx1->Caps();
  const bool canBrightness = caps->CanControlBrigtness(), canContrast = caps->CanControlContrast(),
             canHue = caps->CanControlHue(), canSaturation = caps->CanControlSaturation(),
             canColor = caps->CanControlColorEnabled();
  const std::pair<TTrackBar*, bool> sliders[] = {
      {TrackBar1, canBrightness}, {TrackBar2, canContrast}, {TrackBar3, canHue}, {TrackBar4, canSaturation}};
  for (const auto& [bar, can] : sliders) {
    bar->SetEnabled(can);
    bar->SetSliderVisible(can);
  }
  cbMedia_Color->SetEnabled(canColor);
  // The tool bars' images are the main window's.
  if (main) {
    ToolBar5->SetImages(main->ImageList16);
    MediaToolBar->SetImages(main->ImageList);
  }
  // The pause bar shares the position bar's place.
  DelayTrackBar->SetBoundsRect(DSTrackBar1->BoundsRect());
  FrameResize(this);
  // The default list; a missing or unreadable one leaves the list empty.
  // Bare names are taken in its folder until a list or files are chosen.
  const String exe = main ? main->ExeBaseName() : String("tablo");
  ListFolder = AppFolder + "Pics/";
  try {
    LoadPlayList(AppFolder + "Pics/" + exe + ".txt");
    if (ListMedia->Count() > 0) SetButtonsState(1);
  } catch (const std::exception&) {
  }
  UpdateFilesCount();
  // The first line is selected and its values shown.
  ListMedia->SetItemIndex(0);
  ListMediaClick(ListMedia);
  GetMediaValues();
  ShowPictureParams();
}

void TFrameMedia::StopGraph() { FilterGraph1->SetActive(false); }

// ===========================================================================
// The records
// ===========================================================================

TMediaItem* TFrameMedia::Item(int Index) const {
  if (Index < 0 || Index >= ListMedia->Count()) return nullptr;
  return dynamic_cast<TMediaItem*>(ListMedia->Items()->GetObject(Index));
}

void TFrameMedia::itemsChanged() {
  // Lines removed from outside the frame (the main window's list menu):
  // their records go, and CurrentItem with them.
  TStrings* items = ListMedia->Items();
  if (size_t(items->Count()) >= records_.size()) return;
  std::unordered_map<TMediaItem*, std::unique_ptr<TMediaItem>> live;
  live.reserve(size_t(items->Count()));
  for (int i = 0; i < items->Count(); ++i) {
    auto* it = static_cast<TMediaItem*>(items->GetObject(i));
    auto f = records_.find(it);
    if (f != records_.end()) live.emplace(it, std::move(f->second));
  }
  if (CurrentItem && !live.count(CurrentItem)) CurrentItem = nullptr;
  records_.swap(live);
}

TMediaItem* TFrameMedia::newItem(const String& Path) {
  String dir, name;
  splitPath(Path, dir, name);
  // A backslash after the last '/' separates folders, unless the name with
  // it is a file there (a name may hold one).
  const size_t slash = Path.rfind('/');
  const String whole = slash == String::npos ? Path : Path.substr(slash + 1);
  if (whole.find('\\') != String::npos) {
    const String folder = slash == String::npos ? String() : Path.substr(0, slash + 1);
    String base = folder.empty() ? ListFolder : folder;
    if (!base.empty() && !isSeparator(base.back())) base += '/';
    if (FileExists(ResolveFileName(base + whole))) {
      dir = folder;
      name = whole;
    }
  }
  return newItem(dir.empty() ? ListFolder : dir, name);
}

TMediaItem* TFrameMedia::newItem(const String& Dir, const String& Name) {
  auto rec = std::make_unique<TMediaItem>();
  rec->FileName = Name;
  rec->Dir = Dir;
  rec->Kind = ClassifyMediaFile(rec->FileName);
  TMediaItem* raw = rec.get();
  records_.emplace(raw, std::move(rec));
  return raw;
}

int TFrameMedia::AddItemPath(const String& Path, int Index) {
  TMediaItem* rec = newItem(Path);
  TStrings* items = ListMedia->Items();
  if (Index < 0 || Index > items->Count()) Index = items->Count();
  items->Insert(Index, rec->FileName);
  items->PutObject(Index, rec);
  return Index;
}

void TFrameMedia::DeleteLine(int Index) {
  TMediaItem* rec = Item(Index);
  if (rec == CurrentItem) CurrentItem = nullptr;
  auto node = records_.extract(rec);   // freed when this function returns
  ListMedia->Items()->Delete(Index);
}

void TFrameMedia::ClearList() {
  clearItemMessages();
  CurrentItem = nullptr;
  auto old = std::move(records_);
  records_.clear();
  ListMedia->Clear();
}

String TFrameMedia::entryPath(const TMediaItem* it) const {
  if (!it) return String();
  String folder = it->Dir.empty() ? ListFolder : it->Dir;
  if (!folder.empty() && !isSeparator(folder.back())) folder += '/';
  return folder + it->FileName;
}

String TFrameMedia::GetItemPath(int Index) {
  TMediaItem* it = Item(Index);
  if (!it) return String();
  CurrentItem = it;
  return entryPath(it);
}

// ===========================================================================
// Play-list files
// ===========================================================================

std::vector<String> TFrameMedia::readPlayList(const String& Path) {
  const String name = ResolveFileName(Path);
  if (DirectoryExists(name)) throw EFOpenError("Cannot open file \"" + NormalizePath(Path) + "\". It is a folder.");
  const String text = LoadTextFile(name);
  if (text.find('\0') != String::npos)
    throw EFOpenError("Cannot read file \"" + NormalizePath(Path) + "\". It is not a text file.");
  std::vector<String> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t e = text.find_first_of("\r\n", start);
    if (e == String::npos) e = text.size();
    String line = text.substr(start, e - start);
    // Blank lines and lines that name only a folder are no entries.
    if (!Trim(line).empty() && !isSeparator(Trim(line).back())) lines.push_back(std::move(line));
    if (e < text.size() && text[e] == '\r' && e + 1 < text.size() && text[e + 1] == '\n') ++e;
    start = e + 1;
  }
  return lines;
}

void TFrameMedia::LoadPlayList(const String& Path) {
  const std::vector<String> lines = readPlayList(Path);   // raises: the list stays
  ClearList();
  ListFolder = ExtractFilePath(Path);
  TStrings* items = ListMedia->Items();
  items->BeginUpdate();
  try {
    for (const String& l : lines) AddItemPath(l);
  } catch (...) {
    items->EndUpdate();
    throw;
  }
  items->EndUpdate();
  for (int i = 0; i < ListMedia->Count(); ++i) ListMedia->SetChecked(i, true);
  UpdateFilesCount();
  prepareFlash();
}

void TFrameMedia::prepareFlash() {
  // A list with a movie starts the Flash player's page now, while nothing
  // waits on it, rather than at the movie's turn.
  for (int i = 0; i < ListMedia->Count(); ++i)
    if (const TMediaItem* it = Item(i); it && it->Kind == mkFlash) {
      ShockwaveFlashEx1->Prepare();
      break;
    }
}

String TFrameMedia::PlayListText() const { return PlayListText(ListFolder); }

std::vector<String> TFrameMedia::playListLines(const String& Folder) const {
  // The folder the list lies in, as one text: an entry of that folder is
  // written by its bare name, any other by its path (its folder as written).
  const auto key = [](const String& folder) {
    return folder.empty() ? String() : IncludeTrailingPathDelimiter(ExpandFileName(NormalizePath(folder)));
  };
  const String listFolder = key(Folder);
  std::vector<String> lines;
  for (int i = 0; i < ListMedia->Count(); ++i) {
    const TMediaItem* it = Item(i);
    if (!it) {
      lines.push_back(ListMedia->Items()->Get(i));
      continue;
    }
    const String full = entryPath(it);
    const String folder = full.substr(0, full.size() - it->FileName.size());
    lines.push_back(!listFolder.empty() && key(folder) == listFolder ? it->FileName : full);
  }
  return lines;
}

String TFrameMedia::PlayListText(const String& Folder) const {
  String out;
  for (const String& l : playListLines(Folder)) out += l + "\n";
  return out;
}

void TFrameMedia::SavePlayList(const String& Path) const {
  const std::vector<String> lines = playListLines(ExtractFilePath(ExpandFileName(Path)));
  // A name holding a line break would come back as two lines: such a list
  // is not written.
  String bad;
  for (const String& l : lines)
    if (l.find_first_of("\r\n") != String::npos)
      bad += "\n" + StringReplaceAll(StringReplaceAll(l, "\r", "\\r"), "\n", "\\n");
  if (!bad.empty())
    throw EWriteError("These names hold a line break and cannot be written as one line of a play list; nothing "
                      "was written (delete their lines, or rename the files):" + bad);
  String text;
  for (const String& l : lines) text += l + "\n";
  SaveTextFile(Path, text);
}

void TFrameMedia::reportFileError(const String& Name) {
  if (TFormMain* main = mainForm())
    main->ShowMessageDlg("Error file " + Name, mtError, TMsgDlgButtons{mbOK});
}

// ===========================================================================
// Counter and transport
// ===========================================================================

void TFrameMedia::UpdateFilesCount() {
  if (panelHeld_) {
    countHeld_ = true;   // counted once, from what the list is then
    return;
  }
  filesCountNow();
}

void TFrameMedia::filesCountNow() {
  const int count = ListMedia->Count();
  const int index = ListMedia->ItemIndex();
  btNextChapter->SetEnabled(count >= 1);
  eFilesCount->SetCaption(IntToStr(count > 0 ? index + 1 : 0) + ":" + IntToStr(count));
  SelectFolder->SetEnabled(btPlay->Enabled() || count == 0);
  ListMedia->SetMultiSelect(btPlay->Enabled());
  if (ListMedia->MultiSelect() && index >= 0 && index < count) ListMedia->SetSelected(index, true);
}

void TFrameMedia::SetButtonsState(int State) {
  btPause->SetEnabled(State == 2);
  btPlay->SetEnabled(State == 1 || State == 3);
  btStop->SetEnabled(State == 2 || State == 3);
}

// ===========================================================================
// List handlers
// ===========================================================================

void TFrameMedia::bMedia_NewClick(TObject* /*Sender*/) {
  ClearList();
  if (!btStop->Enabled()) SetButtonsState(0);
  UpdateFilesCount();
}

void TFrameMedia::bMedia_OpenClick(TObject* /*Sender*/) {
  if (OpenMediaDialog->Execute()) {
    std::vector<String> chosen;
    for (int i = 0; i < OpenMediaDialog->Files()->Count(); ++i) chosen.push_back(OpenMediaDialog->Files()->Get(i));
    if (chosen.empty() && !OpenMediaDialog->FileName.empty()) chosen.push_back(OpenMediaDialog->FileName);
    if (!chosen.empty()) {
      const String first = chosen.front();
      const bool asList = OpenMediaDialog->FilterIndex == 1 || LowerCase(ExtractFileExt(first)) == ".txt";
      std::vector<String> paths = chosen;
      bool ok = true;
      if (asList) {
        try {
          paths = readPlayList(first);
        } catch (const std::exception&) {
          reportFileError(first);
          ok = false;
        }
      }
      if (ok) {
        ListFolder = ExtractFilePath(first);
        if (asList) ClearList();
        TStrings* items = ListMedia->Items();
        const int from = items->Count();
        items->BeginUpdate();
        for (const String& p : paths) AddItemPath(p);
        items->EndUpdate();
        for (int i = from; i < ListMedia->Count(); ++i)
          ListMedia->SetChecked(i, FileExists(ResolveFileName(entryPath(Item(i)))));
        SetButtonsState(ListMedia->Count() > 0 ? 1 : 0);
        ListMedia->SetItemIndex(0);
        ListMediaClick(ListMedia);
        prepareFlash();
      }
    }
  }
  UpdateFilesCount();
}

void TFrameMedia::bMedia_SaveClick(TObject* /*Sender*/) {
  TFormMain* main = mainForm();
  if (!main) return;
  TSaveDialog* d = main->SaveTextDialog;
  d->Filter = "Text file (*.txt)|*.txt";
  d->DefaultExt = ".txt";
  d->Options = TOpenOptions{ofHideReadOnly, ofNoNetworkButton, ofEnableSizing};
  // The play list's own use of the shared dialog, starting in the list's
  // folder.
  TFileDialogUse& use = main->DialogUses.MediaListSave;
  use.Folder = ListFolder;
  if (!ExecuteFileDialog(d, use)) return;
  try {
    SavePlayList(d->FileName);
  } catch (const std::exception& e) {
    // The reason goes with it (a full disk says so).
    main->ShowMessageDlg("Error file " + d->FileName + "\n" + e.what(), mtError, TMsgDlgButtons{mbOK});
  }
}

void TFrameMedia::SelectFolderClick(TObject* /*Sender*/) {
  String dir = LastFolder;
  if (!SelectDirectory("", "", dir)) return;
  LastFolder = dir;
  if (!LastFolder.empty() && !isSeparator(LastFolder.back())) LastFolder += '/';
  FillFromFolder(LastFolder);
}

void TFrameMedia::FillFromFolder(const String& Folder) {
  String folder = Folder;
  if (folder.empty() || !isSeparator(folder.back())) folder += '/';
  const std::vector<String> names =
      ListFilesByMask(ResolveFileName(folder), GraphicFileMask() + ";" + VideoFileMask);
  ClearList();
  ListFolder = folder;
  TStrings* items = ListMedia->Items();
  items->BeginUpdate();
  // Each entry keeps its folder, so that a later change of ListFolder (media
  // files opened from elsewhere) does not re-point it; a name is taken whole
  // (a backslash in it is no folder).
  for (const String& n : names) {
    TMediaItem* rec = newItem(folder, n);
    items->Add(rec->FileName);
    items->PutObject(items->Count() - 1, rec);
  }
  items->EndUpdate();
  for (int i = 0; i < ListMedia->Count(); ++i) ListMedia->SetChecked(i, true);
  SetButtonsState(ListMedia->Count() > 0 ? 1 : 0);
  UpdateFilesCount();
  ListMediaClick(ListMedia);
}

void TFrameMedia::ListMediaKeyPress(TObject* /*Sender*/, char32_t& Key) {
  if (Key == 13) request([this] { ListMediaDblClick(ListMedia); });
}

void TFrameMedia::ListMediaKeyDown(TObject* /*Sender*/, uint16_t& Key, TShiftState Shift) {
  if (Shift != TShiftState{ssAlt}) return;
  const int i = ListMedia->ItemIndex();
  if (i < 0 || (Key != VK_UP && Key != VK_DOWN)) return;
  const int to = Key == VK_UP ? i - 1 : i + 1;
  Key = 0;
  if (to < 0 || to >= ListMedia->Count()) return;
  const bool checked = ListMedia->Checked(i);
  ListMedia->Items()->Move(i, to);
  ListMedia->SetChecked(to, checked);
  ListMedia->ClearSelection();
  ListMedia->SetItemIndex(to);
  ListMedia->SetSelected(to, true);
  UpdateFilesCount();
}

void TFrameMedia::mOFFClick(TObject* Sender) {
  auto* item = dynamic_cast<TComponent*>(Sender);
  const bool on = item && item->Tag() == 1;
  for (int i = 0; i < ListMedia->Count(); ++i)
    if (ListMedia->Selected(i)) ListMedia->SetChecked(i, on);
}

void TFrameMedia::mCopyClick(TObject* /*Sender*/) {
  String text;
  for (int i = 0; i < ListMedia->Count(); ++i)
    if (ListMedia->Selected(i)) text += ListMedia->Items()->Get(i) + "\r\n";
  Clipboard()->SetAsText(text);
}

void TFrameMedia::mPasteClick(TObject* Sender) {
  if (!Clipboard()->HasFormat(CF_TEXT)) return;
  auto* item = dynamic_cast<TComponent*>(Sender);
  const bool append = item && item->Tag() == 1;
  TStringList lines;
  lines.SetText(Clipboard()->AsText());
  const int s = ListMedia->ItemIndex();
  if (ListMedia->Count() > 0 && s >= 0) ListMedia->SetSelected(s, false);
  // Inserted lines go in front of the selected line, or to the top when
  // none is selected.
  const int base = std::max(s, 0);
  const String pics = GraphicFileMask();
  std::vector<int> taken;
  TStrings* items = ListMedia->Items();
  items->BeginUpdate();
  for (int k = 0; k < lines.Count(); ++k) {
    const String line = Trim(lines[k]);
    String dir, name;
    splitPath(line, dir, name);
    const String ext = extensionOf(name);
    if (!inMask(ext, pics) && !inMask(ext, VideoFileMask)) continue;
    const int n = int(taken.size()) + 1;
    taken.push_back(AddItemPath(line, append ? -1 : base + n - 1));
  }
  items->EndUpdate();
  // The last taken line becomes the current one, so that only taken lines
  // stay selected.
  if (!taken.empty()) ListMedia->SetItemIndex(taken.back());
  linesAdded();
  items->BeginUpdate();   // one selection change for all taken lines
  for (int i : taken) {
    ListMedia->SetChecked(i, true);
    ListMedia->SetSelected(i, true);
  }
  items->EndUpdate();
}

void TFrameMedia::mAddFileClick(TObject* /*Sender*/) {
  TFormMain* main = mainForm();
  if (!main) return;
  TOpenDialog* d = main->OpenPictureDialog1;
  const String filter = d->Filter;
  const TOpenOptions options = d->Options;
  d->Options.Include(ofAllowMultiSelect);
  d->Filter = filter + "|Media (" + VideoFileMask + ")|" + VideoFileMask + "|SWF (" + FlashFileMask + ")|" +
              FlashFileMask;
  bool ok = false;
  try {
    ok = ExecuteFileDialog(d, main->DialogUses.MediaAdd);
  } catch (...) {
    d->Filter = filter;
    d->Options = options;
    throw;
  }
  d->Filter = filter;
  d->Options = options;
  if (!ok) return;
  std::vector<String> chosen;
  for (int i = 0; i < d->Files()->Count(); ++i) chosen.push_back(d->Files()->Get(i));
  if (chosen.empty() && !d->FileName.empty()) chosen.push_back(d->FileName);
  TStrings* items = ListMedia->Items();
  const int from = items->Count();
  items->BeginUpdate();
  for (const String& p : chosen) AddItemPath(p);
  items->EndUpdate();
  for (int i = from; i < ListMedia->Count(); ++i)
    ListMedia->SetChecked(i, FileExists(ResolveFileName(entryPath(Item(i)))));
  linesAdded();
}

void TFrameMedia::linesAdded() {
  // A list that was empty is ready to play once lines come in.
  if (ListMedia->Count() > 0 && !btPlay->Enabled() && !btStop->Enabled()) SetButtonsState(1);
  UpdateFilesCount();
  prepareFlash();
}

void TFrameMedia::mDelClick(TObject* /*Sender*/) {
  for (int i = ListMedia->Count() - 1; i >= 0; --i)
    if (ListMedia->Selected(i)) DeleteLine(i);
  if (ListMedia->Count() == 0 && !btStop->Enabled()) SetButtonsState(0);
  UpdateFilesCount();
}

void TFrameMedia::mSelAllClick(TObject* /*Sender*/) { ListMedia->SelectAll(); }

void TFrameMedia::PopupMenu1Popup(TObject* /*Sender*/) {
  bool any = false;
  for (int i = 0; i < ListMedia->Count() && !any; ++i) any = ListMedia->Selected(i);
  for (TMenuItem* m : {mOFF, mON, mCopy, mDel}) m->SetEnabled(any);
  const bool text = Clipboard()->HasFormat(CF_TEXT);
  mPaste->SetEnabled(text);
  mAdd->SetEnabled(text);
  mSelAll->SetEnabled(ListMedia->Count() > 0);
}

// ===========================================================================
// Preview
// ===========================================================================

void TFrameMedia::ShowControlsForKind(bool KeepOutputs) {
  CurrentKind = mkUnknown;
  if (TMediaItem* it = Item(ListMedia->ItemIndex())) {
    CurrentItem = it;
    CurrentKind = it->Kind;
  }
  const int kind = CurrentKind;
  const auto controls = [this, kind, KeepOutputs] {
    if (kind == mkPicture) ControlAVIs->SetVisible(false);
    else if (kind == mkVideo || kind == mkFlash) ControlAVIs->SetVisible(true);
    ControlPics->SetVisible(!ControlAVIs->Visible());
    const bool avis = ControlAVIs->Visible(), pics = ControlPics->Visible();
    for (TControl* c : std::initializer_list<TControl*>{SoundLevel, RateLevel, cbCikle, DSTrackBar1}) c->SetVisible(avis);
    LabelMedia->SetVisible(avis || pics);
    LabelMediaFull->SetVisible(LabelMedia->Visible());
    DelayTrackBar->SetVisible(pics);
    if (!KeepOutputs) {
      PictureShow->SetVisible(pics);
      DSVideoWindowEx1->SetVisible(avis);
    }
  };
  // The outputs follow the panel here: then nothing waits.
  if (KeepOutputs) panelChange(controls);
  else controls();
}

void TFrameMedia::panelChange(std::function<void()> Change) {
  if (panelHeld_) heldPanel_.push_back(std::move(Change));
  else Change();
}

void TFrameMedia::holdPanel() {
  if (panelHeld_) return;
  panelHeld_ = true;
  std::weak_ptr<int> alive = alive_;
  TThread::Queue([this, alive] {
    if (!alive.expired()) releasePanel();
  });
}

void TFrameMedia::releasePanel() {
  if (!panelHeld_) return;
  panelHeld_ = false;
  for (const std::function<void()>& change : std::exchange(heldPanel_, {})) change();
  if (std::exchange(countHeld_, false)) filesCountNow();
}

void TFrameMedia::ListMediaClick(TObject* /*Sender*/) {
  ShowControlsForKind(true);
  // A picture picked is read again, though it could not be read before.
  if (CurrentKind == mkPicture && CurrentItem) failedPictures_.erase(ResolveFileName(entryPath(CurrentItem)));
  if (CurrentKind == mkFlash) ShockwaveFlashEx1->Prepare();   // its page starts before Play
  if (CurrentKind == mkPicture) PreviewNextPicture(false);
  else UpdateFilesCount();
}

void TFrameMedia::ShowPictureParams() {
  TFormMain* main = mainForm();
  const int i = ListMedia->ItemIndex();
  // Only a picture line is loaded: a clip or movie is no broken picture.
  const TMediaItem* line = Item(i);
  pictureLoaded_ = false;
  pictureNotReady_ = false;
  if (line && line->Kind == mkPicture) {
    const String path = GetItemPath(i);
    try {
      // The preview usually holds this very picture (it was shown as the
      // next one): taken from there unless the file changed since.
      const String file = ResolveFileName(path);
      if (!previewFile_.empty() && file == previewFile_ && FileWriteStamp(file) == previewStamp_ &&
          PicsImagePreview->Picture()->Graphic()) {
        PictureShow->Picture()->Assign(PicsImagePreview->Picture());
      } else if (PictureNeedsReader(file)) {
        // Read on a thread: taken when read, else it is not shown now.
        TPictureAhead* read = nullptr;
        const TPictureRead state = pictureRead(file, &read);
        if (state == TPictureRead::Failed) throw EInvalidGraphic("No picture");
        pictureNotReady_ = state == TPictureRead::Pending;
        if (read) {
          PictureShow->Picture()->Assign(&read->Bitmap);
          if (read->Scaled) PictureShow->OfferScaled(read->Bitmap, read->Scaled);
          takeRead(read);
        }
      } else {
        PictureShow->Picture()->LoadFromFile(file);
      }
      pictureLoaded_ = !pictureNotReady_;
      if (main && pictureLoaded_) main->ClearStatusError("Error file " + path);
    } catch (const std::exception&) {
      showStatus("Error file " + path);
    }
  }
  if (!main) return;
  const uint32_t tag = TFormMain::PageTag(main->Sheet_Media);
  if (tag & 0x80000000u) {
    const int range = 150;
    static std::mt19937 gen{std::random_device{}()};
    const int r = main->PageEffectRandom ? main->PageEffectRandom(range) : int(gen() % unsigned(range));
    PictureShow->SetStyle(r + 1);
  } else {
    PictureShow->SetStyle(int(tag & 0xFF));
  }
  int step = int((tag >> 8) & 0xFF);
  if (step == 0) step = 1;
  if (PictureShow->Style() == 127 && step < 2) step = 2;
  PictureShow->SetStep(step);
}

int TFrameMedia::nextCheckedIndex(int From) const {
  const int count = ListMedia->Count();
  if (count <= 0) return -1;
  int i = From, wraps = 0;
  for (;;) {
    ++i;
    if (i >= count) {
      i = 0;
      if (++wraps > 1) return -1;
    }
    if (ListMedia->Checked(i)) return i;
  }
}

void TFrameMedia::decodeNextPictureAhead() {
  // The pictures of the next checked lines (three lines ahead): a picture
  // skipped, or a short item, leaves the next one its turn at once.
  std::vector<String> upcoming;
  int i = ListMedia->ItemIndex();
  for (int n = 0; n < 3; ++n) {
    i = nextCheckedIndex(i);
    const TMediaItem* it = Item(i);
    if (!it) break;
    if (it->Kind != mkPicture) continue;
    const String file = ResolveFileName(entryPath(it));
    if (std::find(upcoming.begin(), upcoming.end(), file) == upcoming.end()) upcoming.push_back(file);
  }
  // Reads of other pictures go (the one the preview waits for stays).
  std::vector<TPictureAhead*> unwanted;
  for (const auto& r : reads_)
    if (r->File != previewPending_ && std::find(upcoming.begin(), upcoming.end(), r->File) == upcoming.end())
      unwanted.push_back(r.get());
  for (TPictureAhead* r : unwanted) dropRead(r);
  for (const String& file : upcoming) pictureRead(file);
}

void TFrameMedia::reserveScreenForNext() {
  const TMediaItem* next = Item(nextCheckedIndex(ListMedia->ItemIndex()));
  const TPictureAhead* read = next && next->Kind == mkPicture ? findRead(ResolveFileName(entryPath(next))) : nullptr;
  if (!read || !read->Finished() || read->Failed) return;
  const TBitmap& composed = read->Scaled ? *read->Scaled : read->Bitmap;
  PictureShow->ReserveScreen(composed.Width(), composed.Height());
}

TPictureAhead* TFrameMedia::findRead(const String& File) const {
  for (const auto& r : reads_)
    if (r->File == File) return r.get();
  return nullptr;
}

TFrameMedia::TPictureRead TFrameMedia::pictureRead(const String& File, TPictureAhead** Read) {
  if (Read) *Read = nullptr;
  const String stamp = FileWriteStamp(File);
  const auto failed = failedPictures_.find(File);
  if (failed != failedPictures_.end()) {
    if (failed->second == stamp) return TPictureRead::Failed;
    failedPictures_.erase(failed);   // changed since: read again
  }
  if (TPictureAhead* r = findRead(File)) {
    // The newest wanted read: the last one dropped when too many are kept.
    std::stable_partition(reads_.begin(), reads_.end(), [r](const auto& x) { return x.get() != r; });
    if (!r->Finished()) return TPictureRead::Pending;
    if (r->Failed && r->FailedStamp == stamp) {
      failedPictures_[File] = stamp;
      dropRead(r);
      return TPictureRead::Failed;
    }
    if (!r->Stamp.empty() && r->Stamp == stamp) {
      if (Read) *Read = r;
      return TPictureRead::Ready;
    }
    dropRead(r);   // the file changed: read again
  }
  auto read = std::make_unique<TPictureAhead>(File, PictureShow->ComposeGeometry(), &picturesDecodedAhead_);
  std::weak_ptr<int> alive = alive_;
  read->OnTerminate = [this, alive](TObject* t) {
    if (!alive.expired()) readEnded(t);
  };
  read->Start();
  reads_.push_back(std::move(read));
  // A few are kept (those read ahead, the preview's): the oldest goes.
  constexpr size_t kKept = 5;
  while (reads_.size() > kKept) dropRead(reads_.front().get());
  return TPictureRead::Pending;
}

void TFrameMedia::takeRead(TPictureAhead* /*Read*/) {
  // It stays (the picture's pixels are shared): the list's next pass, or
  // the preview, takes it again until it is no longer ahead.
  ++PicturesTakenFromAhead;
}

void TFrameMedia::dropRead(TPictureAhead* Read) {
  const auto it = std::find_if(reads_.begin(), reads_.end(), [Read](const auto& r) { return r.get() == Read; });
  if (it == reads_.end()) return;
  std::unique_ptr<TPictureAhead> r = std::move(*it);
  reads_.erase(it);
  if (r->Finished()) return;   // its thread is done: it goes at once
  // Still reading: its reader is stopped and the thread ends by itself.
  r->Cancel();
  leaving_.push_back(std::move(r));
}

void TFrameMedia::readEnded(TObject* Sender) {
  auto* read = static_cast<TPictureAhead*>(Sender);
  const auto gone = std::find_if(leaving_.begin(), leaving_.end(), [read](const auto& r) { return r.get() == read; });
  if (gone != leaving_.end()) {
    leaving_.erase(gone);
    return;
  }
  if (std::none_of(reads_.begin(), reads_.end(), [read](const auto& r) { return r.get() == read; })) return;
  const String file = read->File;
  // A read that gave no picture goes; one that could not be read is noted.
  if (read->Failed) failedPictures_[file] = read->FailedStamp;
  TPictureAhead* ready = read->Stamp.empty() ? nullptr : read;
  if (!ready) dropRead(read);
  // The preview waiting for it shows it now.
  if (previewPending_ == file) {
    previewPending_.clear();
    const TMediaItem* it = Item(previewIndex_);
    if (it && it->Kind == mkPicture && ResolveFileName(entryPath(it)) == file) {
      if (ready) {
        PicsImagePreview->Picture()->Assign(&ready->Bitmap);
        previewStamp_ = ready->Stamp;
        previewFile_ = file;
        if (ready->Scaled) PictureShow->OfferScaled(ready->Bitmap, ready->Scaled);
        previewShows(ready->Bitmap.Width(), ready->Bitmap.Height());
        takeRead(ready);
      } else {
        previewShows(0, 0);
      }
    }
  }
}

void TFrameMedia::PreviewNextPicture(bool Advance) { previewNextPicture(Advance, true); }

void TFrameMedia::previewNextPicture(bool Advance, bool ShowPanel) {
  if (ShowPanel)
    panelChange([this] {
      ControlPics->SetVisible(true);
      ControlAVIs->SetVisible(false);
    });
  int i = ListMedia->ItemIndex();
  const int count = ListMedia->Count();
  if (Advance) {
    if (PlayCurrentNext) {
      PlayCurrentNext = false;
    } else if (count > 0) {
      // No checked line: the first line.
      const int next = nextCheckedIndex(i);
      i = next >= 0 ? next : 0;
    }
  }
  previewIndex_ = i;
  previewPending_.clear();
  const TMediaItem* line = Item(i);
  if (!line || line->Kind == mkVideo || line->Kind == mkFlash) {
    // No picture: a clip or movie is none, and its file is not read.
    previewFile_.clear();
    PicsImagePreview->Picture()->Clear();
    previewShows(0, 0);
    UpdateFilesCount();
    return;
  }
  try {
    const TMediaItem* it = line;
    const String file = ResolveFileName(entryPath(it));
    previewFile_.clear();
    TPictureAhead* read = nullptr;
    if (PictureNeedsReader(file)) {
      // Its reader is never waited for: the preview shows it once read.
      switch (pictureRead(file, &read)) {
        case TPictureRead::Failed: throw EInvalidGraphic("No picture");
        case TPictureRead::Pending:
          previewPending_ = file;
          PicsImagePreview->Picture()->Clear();
          panelChange([this] {
            PicsImageSize->SetCaption("...");
            PicsImageSize->Font()->SetColor(clBlack);
          });
          UpdateFilesCount();
          return;
        case TPictureRead::Ready: break;
      }
    } else if ((read = findRead(file))) {
      // Decoded here: the thread's decode is as quick as one of our own.
      read->WaitFor();
      if (read->Stamp.empty() || FileWriteStamp(file) != read->Stamp) {
        dropRead(read);
        read = nullptr;
      }
    }
    if (read) {
      PicsImagePreview->Picture()->Assign(&read->Bitmap);
      previewStamp_ = read->Stamp;
      // The show's next run takes it scaled when it is this picture.
      if (read->Scaled) PictureShow->OfferScaled(read->Bitmap, read->Scaled);
      takeRead(read);
    } else {
      PicsImagePreview->Picture()->LoadFromFile(file);
      previewStamp_ = FileWriteStamp(file);
    }
    previewFile_ = file;
    previewShows(PicsImagePreview->Picture()->Width(), PicsImagePreview->Picture()->Height());
  } catch (const std::exception&) {
    previewFile_.clear();
    PicsImagePreview->Picture()->Clear();
    previewShows(0, 0);
  }
  UpdateFilesCount();
}

void TFrameMedia::previewShows(int w, int h) {
  if (w <= 0 || h <= 0) {
    panelChange([this] {
      PicsImageSize->SetCaption("???");
      PicsImageSize->Font()->SetColor(clRed);
    });
    return;
  }
  const TColor colour = w < PictureShow->Width() && h < PictureShow->Height() ? clRed : clBlack;
  panelChange([this, w, h, colour] {
    PicsImageSize->SetCaption(IntToStr(w) + "x" + IntToStr(h));
    PicsImageSize->Font()->SetColor(colour);
  });
}
