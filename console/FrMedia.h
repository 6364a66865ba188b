#pragma once
// The advertising-media frame: a play list of pictures, video clips and
// Flash movies with its preview area (PanelMedia) and the controls that act
// on the playing item. The console has one instance, FrameMedia1, filling the
// "Reklama" page.
//
// The list: ListMedia holds one line per entry, its text the file name, its
// object the entry's TMediaItem (owned by the frame and freed with its line,
// whoever removes the line). Play lists are plain text, one path per line;
// a bare name means the list file's own folder. Folder parts are kept as
// text; a list is written with the bare names of the entries in the folder
// it is written to and the paths (folders as read) of all others, so that
// it names the same files wherever it is saved; names are resolved only to
// test or open a file.
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>
#include "toolkit/Buttons.h"
#include "toolkit/CheckLst.h"
#include "toolkit/ComCtrls.h"
#include "toolkit/Dialogs.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/Menus.h"
#include "toolkit/Spin.h"
#include "toolkit/StdCtrls.h"
#include "toolkit/Timer.h"

class TFormMain;
class TFilterGraph;
class TDSTrackBar;
class TSampleGrabber;
class TFilter;
class TDSVideoWindowEx2;
struct IBaseFilter;
class TBitmap;
class TPictureShow;
class TShockwaveFlashEx;
class TPictureAhead;
struct TVideoStill;

// Kind of a play-list entry: -1 unrecognised, 0 picture, 1 video, 2 Flash.
using TMediaKind = int;
constexpr TMediaKind mkUnknown = -1, mkPicture = 0, mkVideo = 1, mkFlash = 2;

// Minutes and two-digit seconds of a number of seconds, joined by Sep
// (187 s with '.' reads "3.07").
String MinutesSecondsText(int64_t Seconds, char Sep);

// The video files the frame plays.
extern const char* const VideoFileMask;   // "*.avi;*.mpg;*.mpeg;*.asf;*.ifo;*.vob"
extern const char* const FlashFileMask;   // "*.swf"

// The kind of a file by its extension: the lower-cased extension with its
// point, searched as a substring of the picture mask, then the video mask,
// then the Flash mask; the first that holds it decides. A name without an
// extension is unrecognised.
TMediaKind ClassifyMediaFile(const String& FileName);

// One play-list entry.
class TMediaItem : public TObject {
 public:
  String FileName;        // without folder; also the line's text
  String Dir;             // the folder as written, with its separator; empty: ListFolder
  TMediaKind Kind = mkUnknown;
  String ClassName() const override { return "TMediaItem"; }
};

class TFrameMedia : public TPanel {
 public:
  explicit TFrameMedia(TComponent* AOwner);
  ~TFrameMedia() override;
  String ClassName() const override { return "TFrameMedia"; }

  // Set-up at start-up, after the settings are read: loads the default play
  // list (Pics/ + the executable's base name + ".txt").
  void Init();
  // Shutdown: the frame's filter graph made inactive.
  void StopGraph();

  // ---- The play list -----------------------------------------------------
  String ListFolder;      // base folder of entries without a folder of their own
  String LastFolder;      // folder offered by "Directory..."
  TMediaItem* CurrentItem = nullptr;   // record of the line last resolved

  // The record of line i (nullptr outside the list).
  TMediaItem* Item(int Index) const;
  // The path of line Index as stored (folder as written + name); makes its
  // record CurrentItem. Empty outside the list.
  String GetItemPath(int Index);
  // Adds one path as an entry at the end (or at Index when >= 0) and
  // returns the line's index; the file drop calls it too (then checks and
  // selects the line and calls LinesAdded).
  int AddItemPath(const String& Path, int Index = -1);
  // After lines were added from outside: transport and counter follow.
  void LinesAdded() { linesAdded(); }
  // Replaces the list with the lines of a play-list file, all checked. The
  // file is read first: when it cannot be read (missing, a folder, not
  // text) the list stays as it was and EFOpenError is raised.
  void LoadPlayList(const String& Path);
  // Writes the list to Path (atomically), each entry named so that it is
  // found again from Path's folder; raises on failure, leaving any old file
  // as it was, and writes nothing when a name holds a line break.
  void SavePlayList(const String& Path) const;
  // The list's lines as they are written to a play-list file in Folder (by
  // default ListFolder): an entry of that folder by its bare name, any other
  // by its path.
  String PlayListText() const;
  String PlayListText(const String& Folder) const;
  // Fills the list with the folder's pictures and clips (not Flash), by name.
  void FillFromFolder(const String& Folder);
  // Counter, the next button, the folder choice and multi-selection follow
  // the list and the transport.
  void UpdateFilesCount();
  // Transport state: 0 empty list, 1 ready/stopped, 2 playing, 3 paused.
  void SetButtonsState(int State);
  // Removes line Index with its record.
  void DeleteLine(int Index);
  // Removes every line with its record.
  void ClearList();

  // ---- Preview -----------------------------------------------------------
  void ShowControlsForKind(bool KeepOutputs);
  void ShowPictureParams();
  void PreviewNextPicture(bool Advance);
  int CurrentKind = mkUnknown;     // kind of the selected line
  bool PlayCurrentNext = false;    // the next advance plays the selected line

  // ---- Playback ----------------------------------------------------------
  // Transport: 0 empty, 1 ready/stopped, 2 playing, 3 paused; "playing" is
  // read as btPlay being disabled throughout.
  int PreviousKind = mkUnknown;    // kind of the item last started
  bool SingleItemMode = false;     // the item plays alone (double click, Enter)
  String LoadedFile;               // the clip rendered in FilterGraph1; empty: none
  // Milliseconds of a steady clock (the picture pause, the goal-clip wait);
  // GetTickCount64 unless a test sets another.
  std::function<int64_t()> TickSource;
  int64_t TickNow() const;
  // Plays one item: Path, or the selected line when Path is empty.
  void PlayItem(const String& Path);
  // The next checked line after the selected one (wrapping), played.
  void PlayNext();
  // The output controls onto the output area (true) or back into PanelMedia.
  void SetOnTablo(bool OnScreen);
  bool OnTablo() const;            // the picture show lies on the output area
  void ShowVideoWindow(bool Show);
  // The clip of LoadedFile rendered again and played from its beginning on
  // the output area (while the graph is active).
  void RestartOnTablo();
  // The output area's picture under the video window's parent into Bitmap
  // (its size); true when taken.
  bool CaptureVideoWindow(TBitmap* Bitmap);
  // The clip's last frame kept as the next picture transition's background.
  // Where the video window alone makes that picture, its frame is kept as
  // it is shown (held, not drawn) and drawn when a transition needs it.
  void TakeSnapshot();
  // A goal clip on the output area; returns when its duration has passed,
  // when it cannot be played (reported on the status bar) or when the
  // program closes. Never raises; the list is stopped first.
  void PlayClipBlocking(const String& Path);
  // Playback status for the operator and tests: the items started since
  // the last Play that played nothing in a row.
  int FailedInRow() const { return failedInRow_; }

  // ---- Handlers ----------------------------------------------------------
  void btPlayClick(TObject* Sender);
  void btPauseClick(TObject* Sender);
  void btStopClick(TObject* Sender);
  void btNextChapterClick(TObject* Sender);
  void PictureShowStart(TObject* Sender);
  void PictureShowStop(TObject* Sender);
  void TimerDelayPicsTimer(TObject* Sender);
  void PicsShowPauseChange(TObject* Sender);
  void DelayTrackBarChange(TObject* Sender);
  void FilterGraph1GraphComplete(TObject* Sender, int32_t Result, IBaseFilter* Renderer);
  // Video controls
  void FilterGraph1GraphVideoSizeChanged(TObject* Sender, int Width, int Height);
  void rgMediaAspectClick(TObject* Sender);
  void RateLevelChange(TObject* Sender);
  void N2001Click(TObject* Sender);
  void SoundLevelChange(TObject* Sender);
  void TrackBar1Change(TObject* Sender);
  void TrackBar2Change(TObject* Sender);
  void TrackBar3Change(TObject* Sender);
  void TrackBar4Change(TObject* Sender);
  void cbMedia_ColorClick(TObject* Sender);
  void SpeedButton1Click(TObject* Sender);
  void GetMediaValues();
  void btFrameStepClick(TObject* Sender);
  void FilterGraph1GraphPaused(TObject* Sender, int32_t Result);
  void DSTrackBar1Timer(TObject* Sender, uint32_t CurrentPos, uint32_t StopPos);
  void DSTrackBar1Change(TObject* Sender);
  void TimerChangeTimer(TObject* Sender);
  void FilterGraph1GraphClockChanged(TObject* Sender);
  void SnapshotClick(TObject* Sender);
  void FilterGraph1DSEvent(TComponent* Sender, int Event, intptr_t Param1, intptr_t Param2);
  // The position label from the graph's current position.
  void UpdatePositionLabel();

  void bMedia_NewClick(TObject* Sender);
  void bMedia_OpenClick(TObject* Sender);
  void bMedia_SaveClick(TObject* Sender);
  void SelectFolderClick(TObject* Sender);
  void ListMediaClick(TObject* Sender);
  void ListMediaDblClick(TObject* Sender);
  void ListMediaKeyPress(TObject* Sender, char32_t& Key);
  void ListMediaKeyDown(TObject* Sender, uint16_t& Key, TShiftState Shift);
  void mOFFClick(TObject* Sender);
  void mCopyClick(TObject* Sender);
  void mPasteClick(TObject* Sender);
  void mAddFileClick(TObject* Sender);
  void mDelClick(TObject* Sender);
  void mSelAllClick(TObject* Sender);
  // The menu offers what the selection and the clipboard allow.
  void PopupMenu1Popup(TObject* Sender);
  void FrameResize(TObject* Sender);

  // ---- Design ------------------------------------------------------------
  TPanel* PanelWork = nullptr;           // preview, transport and item controls
  TPanel* PanelMedia = nullptr;          // preview area; layout page 7
  TPictureShow* PictureShow = nullptr;   // pictures of the list
  TDSVideoWindowEx2* DSVideoWindowEx1 = nullptr;   // clips of the list and goal clips
  TShockwaveFlashEx* ShockwaveFlashEx1 = nullptr;
  TToolBar* MediaToolBar = nullptr;
  TToolButton* btPause = nullptr;
  TToolButton* btPlay = nullptr;
  TToolButton* btStop = nullptr;
  TToolButton* btNextChapter = nullptr;
  TToolButton* btFrameStep = nullptr;
  TToolButton* ToolButtonSep = nullptr;
  TCheckBox* cbCikle = nullptr;
  // Picture controls
  TPanel* ControlPics = nullptr;
  TPanel* PanelPreview = nullptr;
  TImage* PicsImagePreview = nullptr;
  TLabel* PicsImageSize = nullptr;
  TGroupBox* GroupNextPicture = nullptr;
  TLabel* LabelDelay = nullptr;
  TSpinEdit* PicsShowPause = nullptr;    // seconds between pictures
  TCheckBox* cbPicsCls = nullptr;        // clear before the next picture
  // Video controls
  TPanel* ControlAVIs = nullptr;
  TRadioGroup* rgMediaAspect = nullptr;  // cropped, full, stretched
  TGroupBox* GroupBox2 = nullptr;        // colour settings (never shown)
  TTrackBar* TrackBar1 = nullptr;        // brightness
  TTrackBar* TrackBar2 = nullptr;        // contrast
  TTrackBar* TrackBar3 = nullptr;        // hue
  TTrackBar* TrackBar4 = nullptr;        // saturation
  TLabel* Label1 = nullptr;
  TLabel* Label5 = nullptr;
  TLabel* Label6 = nullptr;
  TLabel* Label7 = nullptr;
  TCheckBox* cbMedia_Color = nullptr;
  TSpeedButton* SpeedButton1 = nullptr;
  TButton* Snapshot = nullptr;
  TImage* Image5 = nullptr;
  // Position, pause, rate and volume
  TPanel* Panel3 = nullptr;
  TLabel* LabelMedia = nullptr;
  TLabel* LabelMediaFull = nullptr;
  TDSTrackBar* DSTrackBar1 = nullptr;   // position of the playing clip
  TTrackBar* DelayTrackBar = nullptr;
  TTrackBar* RateLevel = nullptr;        // -30..30, rate presets on PopupMenu2
  TTrackBar* SoundLevel = nullptr;       // volume 0..10000
  TPopupMenu* PopupMenu2 = nullptr;
  // The frame's graph (clips of the list, goal clips); its handlers and
  // the sample grabber behind "Snapshot" come with media playback.
  TFilterGraph* FilterGraph1 = nullptr;
  TSampleGrabber* SampleGrabber1 = nullptr;
  TFilter* Filter1 = nullptr;             // empty moniker: contributes nothing
  TTimer* TimerDelayPics = nullptr;
  TTimer* TimerChange = nullptr;
  // The list
  TPanel* PanelList = nullptr;
  TToolBar* ToolBar5 = nullptr;
  TToolButton* bMedia_New = nullptr;
  TToolButton* bMedia_Open = nullptr;
  TToolButton* bMedia_Save = nullptr;
  TButton* SelectFolder = nullptr;
  TPanel* eFilesCount = nullptr;
  TCheckListBox* ListMedia = nullptr;
  TOpenDialog* OpenMediaDialog = nullptr;
  TPopupMenu* PopupMenu1 = nullptr;
  TMenuItem* mOFF = nullptr;
  TMenuItem* mON = nullptr;
  TMenuItem* mCopy = nullptr;
  TMenuItem* mPaste = nullptr;
  TMenuItem* mAdd = nullptr;
  TMenuItem* mAddFile = nullptr;
  TMenuItem* mDel = nullptr;
  TMenuItem* mSelAll = nullptr;
  // Pictures read ahead (while a clip played, or the item before them) and
  // then taken by the preview or the show (not read again there).
  int PicturesTakenFromAhead = 0;
  int PicturesDecodedAhead() const { return picturesDecodedAhead_.load(); }

 private:
  void build();
  TFormMain* mainForm() const;
  // The path of an entry, with the list's folder for entries without one.
  String entryPath(const TMediaItem* it) const;
  TMediaItem* newItem(const String& Path);
  TMediaItem* newItem(const String& Dir, const String& Name);
  // The lines of the list as written to a play-list file in Folder.
  std::vector<String> playListLines(const String& Folder) const;
  // Frees the records whose lines are gone (the list changed from outside).
  void itemsChanged();
  // Reads a play-list file's lines; raises EFOpenError when it is not one.
  static std::vector<String> readPlayList(const String& Path);
  void reportFileError(const String& Name);
  // After lines were added: an empty list's transport becomes ready, the
  // counter follows.
  void linesAdded();
  // Starts the Flash player's page when the list holds a movie.
  void prepareFlash();
  std::unordered_map<TMediaItem*, std::unique_ptr<TMediaItem>> records_;

  // Playback
  void buildPlayback();
  bool playing() const;                 // btPlay disabled
  bool closing() const;
  // The advance to the next item, run from the event loop (never nested in
  // the item that failed or ended); superseded by any later start or stop.
  // After a clip whose next item is a picture, the output goes first: the
  // clip's graph is not paused (the picture's transition empties it once
  // its first frame is out) and the panel follows that frame.
  void postAdvance(bool PictureAfterClip = false);
  bool nextIsPicture() const;
  // The operator's panel (the controls for the item's kind, the preview's
  // size text, the counter, the pause bar) follows the output: while held,
  // its changes wait, in order, until the event loop's next turn (a
  // transition's first frame is out by then) or the release.
  void panelChange(std::function<void()> Change);
  void holdPanel();
  void releasePanel();
  void filesCountNow();
  bool panelHeld_ = false, countHeld_ = false;
  std::vector<std::function<void()>> heldPanel_;
  // An item that played nothing: reported, counted; after a whole cycle of
  // them the list stops.
  void itemFailed(const String& Message);
  void itemPlayed() { failedInRow_ = 0; }
  int checkedCount() const;
  // False when the picture was skipped (it could not be shown).
  bool playPicture();
  void pictureFailed();
  void playVideo(const String& Path);
  void playFlash(const String& Path);
  // A movie's length (its frames at its rate) on the length label and its
  // position on the position label while it shows, as a clip's.
  void startFlashClock(const String& File);
  void flashClockTick();
  TTimer* flashClock_ = nullptr;
  bool movieWaits_ = false;   // playFlash waits for the movie's end
  // The frame kept at the end of the clip or movie that the list went on
  // from (keptStill_, or the picture show's background) is what the output
  // shows: the next picture's transition starts from it. An item that puts
  // its own in front, and Stop, end that; a picture after a clip or movie
  // left early (or after Stop) takes what the output shows then.
  bool frameKept_ = false;
  void dropKeptFrame();
  // The picture show is shown and nothing of the list's lies above it.
  bool pictureShowInFront() const;
  double flashRate_ = 12.0;
  // The toolkit's wait (WaitFor) until Done, TimeoutMs (< 0: none) or the
  // program closes; true when Done. What Done waits for may have been
  // superseded meanwhile: callers check itemCurrent after it.
  bool waitFor(const std::function<bool()>& Done, int TimeoutMs, const TWaitInput& Input);
  // One item plays at a time. Every start of an item and every request for
  // another counts in playSerial_: an item, its waits and its timers are
  // current while the count is the one it started with and no request waits.
  // A request for another item (the operator's Play, Stop, Next, double
  // click or Enter; a pause's end; an item's end or failure) leaves the
  // current item at once (leaveItem) and is served once the item's waits
  // have returned: while one is served (an item's wait runs inside it),
  // later ones queue and are served after it, in order, never inside it.
  void request(std::function<void()> Serve);
  void serveRequests();
  std::deque<std::function<void()>> requests_;
  bool serving_ = false;
  // The item that plays ends: its waits return (a transition on its whole
  // picture), its pause and its clock stop.
  void leaveItem();
  bool itemCurrent(uint64_t Serial) const { return Serial == playSerial_ && requests_.empty() && !closing(); }
  uint64_t pictureSerial_ = 0;   // the item whose transition the picture show runs
  // PlayClipBlocking's wait for the clip's end (or the operator's Stop or
  // Escape).
  void waitGoalClip();
  void placeVideoWindow(int W, int H);
  // ShowVideoWindow without processing messages.
  void setVideoWindowShown(bool Show);
  void rewindClip();
  // Messages about the list's items go to the status bar and are taken
  // away again when the list stops or is replaced.
  void showStatus(const String& Text);
  void clearItemMessages();
  std::vector<String> itemMessages_;
  uint64_t playSerial_ = 0;             // counts starts, stops and requests
  int failedInRow_ = 0;
  bool pictureStopped_ = false;
  bool pictureLoaded_ = false;
  // The picture of the line is not read yet (a metafile whose reader is
  // still at work): ShowPictureParams leaves the show's picture as it was.
  bool pictureNotReady_ = false;
  String previewFile_, previewStamp_;  // the picture the preview holds, as read
  // Pictures are read ahead on threads of their own while the items before
  // them play (those of the next three checked lines), and for the preview.
  // A metafile is drawn by the reader process, which the main thread never
  // waits for: one not read when its turn comes is skipped and reported as a
  // broken file would be (and shown when its turn comes again, if read by
  // then). Pictures read are kept while they are ahead (a few at most), and
  // what could not be read is skipped at once until the file changes, the
  // list is started again or its line is picked.
  enum class TPictureRead { Ready, Failed, Pending };
  // The read of File (started when none is under way or kept); when Ready,
  // *Read is the read, whose picture the caller may take (takeRead).
  TPictureRead pictureRead(const String& File, TPictureAhead** Read = nullptr);
  TPictureAhead* findRead(const String& File) const;
  void takeRead(TPictureAhead* Read);
  void dropRead(TPictureAhead* Read);
  void readEnded(TObject* Read);   // on the main thread, once its thread is done
  std::vector<std::unique_ptr<TPictureAhead>> reads_;     // wanted: running, or read and not taken
  std::vector<std::unique_ptr<TPictureAhead>> leaving_;   // dropped while running: they stop at once
  std::map<String, String> failedPictures_;               // file -> its stamp when it could not be read
  std::atomic<int> picturesDecodedAhead_{0};
  // The preview waits for this file's read (it shows it when read), the
  // picture of line previewIndex_.
  String previewPending_;
  int previewIndex_ = -1;
  // The preview's size text for a picture of w x h (red when smaller than
  // the show), or "???" for none (w or h 0).
  void previewShows(int w, int h);
  void decodeNextPictureAhead();
  int nextCheckedIndex(int From) const;   // -1: none
  // The next checked line's clip made ready in a second graph while the
  // clip Current plays (the list's advance then takes it).
  void prepareNextClip(const String& Current);
  String preparedEntry_, preparedResolved_;   // the line's path it was made ready for, and its file
  // The list plays on and its next checked line is the clip made ready.
  bool readyClipFollows() const;
  // While the list changes to a clip made ready, the list's panel is not
  // repainted until the clip's first frame is on the output.
  bool listPaintHeld_ = false;
  void releaseListPaint();
  // PreviewNextPicture; ShowPanel false leaves the picture and clip panels
  // as they are (the item that starts at once shows its own).
  void previewNextPicture(bool Advance, bool ShowPanel);
  // A picture after a clip: the ended clip's graph, paused on its last
  // frame, is emptied from the event loop once the picture's first frame is
  // composed; whatever uses the graph before that empties it first.
  bool clipTeardownPending_ = false;
  void settleClipTeardown();
  // The grab of the video window's parent, W x H, is the video window's own
  // picture: it is shown, covers the whole parent and nothing lies over it.
  bool videoWindowIsTheGrab(int W, int H) const;
  // The clip's last frame kept by TakeSnapshot, where it lies in the grab,
  // and the grab's size; laid as the picture show's background when a
  // transition starts after the clip.
  std::unique_ptr<TVideoStill> keptStill_;
  TPoint keptAt_, keptSize_;
  bool keptDrawn_ = false;   // the kept frame drawn already, in stillBitmap_
  void layKeptStill();
  // Once the clip's last frame is known to be on the output and a picture
  // follows, its still is drawn while the frame shows; the clip's end takes
  // it when the output is then still what it was.
  void drawStillAhead();
  // The show's frame for the next picture (read already) made ahead, when
  // the show has none (its first run).
  void reserveScreenForNext();
  std::unique_ptr<TVideoStill> stillAhead_;
  TPoint stillAheadAt_;
  bool stillAheadDrawn_ = false;   // in stillBitmap_
  // Where a clip's last frame is drawn, the grab's size, kept from clip to
  // clip (a frame of the output is a large block, which is mapped anew
  // whenever one is allocated); the transition's background shares its
  // pixels while it runs.
  TBitmap stillBitmap_;
  void drawStill(const TVideoStill& Still, TPoint At, TPoint Size);
  bool inGoalClip_ = false;
  bool clipItem_ = false;   // the item playing (or paused) is the clip in the graph
  bool readingColours_ = false;         // GetMediaValues fills the colour controls
  // The frame-step button follows the clip: on only while one is paused.
  void updateFrameStep();
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
