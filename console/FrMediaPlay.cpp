// The advertising-media frame: playing the list (pictures through the
// picture show, clips through the frame's graph, Flash movies), the
// transport, the output area and the goal clip.
//
// One item plays at a time, and none inside another's wait: the operator's
// transport and the list's own advances are requests, each of which leaves
// the item that plays (its waits return, its timers stop) and is served
// once those waits have returned (request). An item that ends or fails posts
// its advance to the event loop. Every start, stop and request counts in
// playSerial_, so that a posted advance or a wait that returns after
// something else was asked for does nothing more.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <vector>
#include <utility>

#include "console/FMain.h"
#include "console/FMainBuildUtil.h"
#include "console/FrMedia.h"
#include "controls/ShockwaveEx.h"
#include "media/DSGraph.h"
#include "media/DSVideoWindow.h"
#include "pictureshow/PictureShow.h"
#include "platform/flash/SwfHeader.h"
#include "toolkit/Classes.h"
#include "toolkit/Forms.h"
#include "toolkit/WinUtils.h"

namespace {
constexpr int TabloMediaPage = 7;   // "Reklama" on the screen
}  // namespace

String MinutesSecondsText(int64_t seconds, char sep) {
  if (seconds < 0) seconds = 0;
  char buf[48];
  std::snprintf(buf, sizeof buf, "%lld%c%02lld", static_cast<long long>(seconds / 60), sep,
                static_cast<long long>(seconds % 60));
  return buf;
}

// ===========================================================================
// Set-up of the playing road
// ===========================================================================

void TFrameMedia::buildPlayback() {
  // Pause acts on the item that plays; the rest ask for another.
  btPlay->OnClick = [this](TObject*) { request([this] { btPlayClick(btPlay); }); };
  btPause->OnClick = [this](TObject* s) { btPauseClick(s); };
  btStop->OnClick = [this](TObject*) { request([this] { btStopClick(btStop); }); };
  btNextChapter->OnClick = [this](TObject*) { request([this] { btNextChapterClick(btNextChapter); }); };
  btFrameStep->OnClick = [this](TObject* s) { btFrameStepClick(s); };
  PictureShow->OnStart = [this](TObject* s) { PictureShowStart(s); };
  PictureShow->OnStop = [this](TObject* s) { PictureShowStop(s); };
  TimerDelayPics->OnTimer = [this](TObject* s) { TimerDelayPicsTimer(s); };
  TimerChange->OnTimer = [this](TObject* s) { TimerChangeTimer(s); };
  PicsShowPause->OnChange = [this](TObject* s) { PicsShowPauseChange(s); };
  DelayTrackBar->OnChange = [this](TObject* s) { DelayTrackBarChange(s); };
  flashClock_ = fmainbuild::MakeComponent<TTimer>(this, "TimerFlashClock");
  flashClock_->SetEnabled(false);
  flashClock_->SetInterval(250);
  flashClock_->OnTimer = [this](TObject*) { flashClockTick(); };

  DSVideoWindowEx1->OnLastFrame = [this](TObject*) { drawStillAhead(); };
  SampleGrabber1 = fmainbuild::MakeComponent<TSampleGrabber>(this, "SampleGrabber1");
  SampleGrabber1->SetFilterGraph(FilterGraph1);
  Filter1 = fmainbuild::MakeComponent<TFilter>(this, "Filter1");   // no moniker: contributes nothing

  FilterGraph1->OnGraphComplete = [this](TObject* s, HRESULT r, IBaseFilter* f) { FilterGraph1GraphComplete(s, r, f); };
  FilterGraph1->OnGraphVideoSizeChanged = [this](TObject* s, int w, int h) { FilterGraph1GraphVideoSizeChanged(s, w, h); };
  FilterGraph1->OnGraphPaused = [this](TObject* s, HRESULT r) { FilterGraph1GraphPaused(s, r); };
  FilterGraph1->OnGraphClockChanged = [this](TObject* s) { FilterGraph1GraphClockChanged(s); };
  FilterGraph1->OnDSEvent = [this](TComponent* s, int e, LONG_PTR p1, LONG_PTR p2) { FilterGraph1DSEvent(s, e, p1, p2); };
  DSTrackBar1->SetOnTimer([this](TObject* s, uint32_t c, uint32_t e) { DSTrackBar1Timer(s, c, e); });
  DSTrackBar1->OnChange = [this](TObject* s) { DSTrackBar1Change(s); };
  // The bar seeks when the operator lets it go (after this event): the label
  // is read again once that seek is done.
  DSTrackBar1->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) {
    std::weak_ptr<int> alive = alive_;
    TThread::Queue([this, alive] {
      if (!alive.expired()) UpdatePositionLabel();
    });
  };
  // A frame step shows its position when the frame is there.
  FilterGraph1->OnGraphStepComplete = [this](TObject*) { UpdatePositionLabel(); };

  rgMediaAspect->OnClick = [this](TObject* s) { rgMediaAspectClick(s); };
  RateLevel->OnChange = [this](TObject* s) { RateLevelChange(s); };
  SoundLevel->OnChange = [this](TObject* s) { SoundLevelChange(s); };
  for (int i = 0; i < PopupMenu2->Items()->Count(); ++i)
    PopupMenu2->Items()->Items(i)->OnClick = [this](TObject* s) { N2001Click(s); };
  TrackBar1->OnChange = [this](TObject* s) { TrackBar1Change(s); };
  TrackBar2->OnChange = [this](TObject* s) { TrackBar2Change(s); };
  TrackBar3->OnChange = [this](TObject* s) { TrackBar3Change(s); };
  TrackBar4->OnChange = [this](TObject* s) { TrackBar4Change(s); };
  cbMedia_Color->OnClick = [this](TObject* s) { cbMedia_ColorClick(s); };
  SpeedButton1->OnClick = [this](TObject* s) { SpeedButton1Click(s); };
  Snapshot->OnClick = [this](TObject* s) { SnapshotClick(s); };
}

int64_t TFrameMedia::TickNow() const { return TickSource ? TickSource() : GetTickCount64(); }

bool TFrameMedia::playing() const { return !btPlay->Enabled(); }

bool TFrameMedia::closing() const {
  const TFormMain* main = mainForm();
  return (main && main->ClosingDown) || (Application && Application->Terminated());
}

void TFrameMedia::showStatus(const String& Text) {
  TFormMain* main = mainForm();
  if (!main) return;
  if (std::find(itemMessages_.begin(), itemMessages_.end(), Text) == itemMessages_.end()) itemMessages_.push_back(Text);
  main->ShowStatusError(Text);
}

void TFrameMedia::clearItemMessages() {
  TFormMain* main = mainForm();
  for (const String& m : std::exchange(itemMessages_, {}))
    if (main) main->ClearStatusError(m);
}

bool TFrameMedia::waitFor(const std::function<bool()>& Done, int TimeoutMs, const TWaitInput& Input) {
  return WaitFor([&] { return closing() || Done(); }, TimeoutMs, Input) == wrDone && !closing();
}

int TFrameMedia::checkedCount() const {
  int n = 0;
  for (int i = 0; i < ListMedia->Count(); ++i)
    if (ListMedia->Checked(i)) ++n;
  return n;
}

void TFrameMedia::postAdvance(bool PictureAfterClip) {
  const uint64_t serial = playSerial_;
  std::weak_ptr<int> alive = alive_;
  TThread::Queue([this, serial, alive, PictureAfterClip] {
    if (alive.expired() || !itemCurrent(serial) || !playing()) return;
    request([this, PictureAfterClip] {
      if (!playing()) return;
      if (!PictureAfterClip) {
        btNextChapterClick(btNextChapter);
        return;
      }
      // The list changed meanwhile: the clip is paused as for any other item.
      if (!nextIsPicture()) {
        if (FilterGraph1->Active()) FilterGraph1->Pause();
        btNextChapterClick(btNextChapter);
        return;
      }
      holdPanel();
      try {
        btNextChapterClick(btNextChapter);
      } catch (...) {
        releasePanel();
        throw;
      }
      releasePanel();
    });
  });
}

void TFrameMedia::request(std::function<void()> Serve) {
  // State first: the item that plays is left; its waits return.
  leaveItem();
  requests_.push_back(std::move(Serve));
  serveRequests();
}

void TFrameMedia::serveRequests() {
  // Served further down the stack, once the item's wait there has returned.
  if (serving_) return;
  serving_ = true;
  std::weak_ptr<int> alive = alive_;
  try {
    while (!requests_.empty() && !closing()) {
      const std::function<void()> serve = std::move(requests_.front());
      requests_.pop_front();
      serve();
      if (alive.expired()) return;
    }
  } catch (...) {
    // The failure is shown where the event came in; what was asked after it
    // is served from the event loop.
    if (!alive.expired()) {
      serving_ = false;
      if (!requests_.empty())
        TThread::Queue([this, alive] {
          if (!alive.expired()) serveRequests();
        });
    }
    throw;
  }
  serving_ = false;
  requests_.clear();   // the program closes
}

void TFrameMedia::leaveItem() {
  ++playSerial_;
  // The picture's pause and the movie's clock end with their item.
  TimerDelayPics->SetEnabled(false);
  TimerDelayPics->SetTag(0);
  flashClock_->SetEnabled(false);
  // A movie's load under way is given up (the output keeps what it shows
  // until the next item has its own), and a movie that plays stops on its
  // frame.
  ShockwaveFlashEx1->CancelLoad();
  if (std::exchange(movieWaits_, false)) ShockwaveFlashEx1->Stop();
  // A transition under way ends on its whole picture (no half-drawn frame
  // stays), which ends its wait; it starts no pause.
  if (PictureShow->Busy()) {
    PictureShow->SetProgress(100);
    PictureShow->Stop();
  }
}

bool TFrameMedia::nextIsPicture() const {
  const TMediaItem* it = Item(nextCheckedIndex(ListMedia->ItemIndex()));
  return it && it->Kind == mkPicture;
}

void TFrameMedia::itemFailed(const String& Message) {
  showStatus(Message);
  ++failedInRow_;
  if (SingleItemMode) {
    SetButtonsState(1);
    ListMedia->SetEnabled(true);
    UpdateFilesCount();
    return;
  }
  if (!playing()) return;
  // A whole cycle of the list in which nothing played: the list stops, the
  // status keeps the last error.
  if (failedInRow_ >= std::max(1, checkedCount())) {
    ++playSerial_;
    SetButtonsState(1);
    ListMedia->SetEnabled(true);
    UpdateFilesCount();
    return;
  }
  postAdvance();
}

// ===========================================================================
// Playing one item
// ===========================================================================

void TFrameMedia::PlayItem(const String& Path) {
  // The item before ends here, whoever started this one.
  leaveItem();
  // The item's kind and the controls for it.
  const int k = CurrentKind;
  // The output keeps the last frame or picture until this item has its own
  // to show: each kind's start puts its output in front when it is ready.
  ShowControlsForKind(true);
  String path = Path.empty() ? GetItemPath(ListMedia->ItemIndex()) : Path;
  if (PreviousKind == mkUnknown) PreviousKind = k;
  // A request waiting to be served already supersedes the item: it does not
  // start (the operator's Nexts in a row skip the items between).
  if (!itemCurrent(playSerial_)) return;
  // Only a clip takes the clip made ready for it; another item has no
  // frame to step, whatever the graph still holds.
  if (CurrentKind != mkVideo) {
    FilterGraph1->CancelPrepared();
    clipItem_ = false;
    updateFrameStep();
  }
  // Each kind starts its own way.
  switch (CurrentKind) {
    case mkPicture:
      // A picture skipped leaves the output, and what the next item
      // starts from, as they were.
      if (!playPicture()) {
        if (playing()) SetButtonsState(2);
        return;
      }
      break;
    case mkVideo: playVideo(path); break;
    case mkFlash: playFlash(path); break;
    default:
      // Nothing plays an unrecognised entry; the list goes on.
      if (playing()) SetButtonsState(2);
      itemFailed("Error file " + path);
      PreviousKind = mkUnknown;
      return;
  }
  // The kind shown, for the next item's transition.
  if (CurrentItem) PreviousKind = CurrentItem->Kind;
  if (playing()) SetButtonsState(2);
}

bool TFrameMedia::playPicture() {
  const uint64_t serial = playSerial_;
  if (PictureShow->Busy()) PictureShow->Stop();
  // After a clip or a movie that shows in front, the transition starts from
  // its frame (the picture show's own picture is older).
  const bool afterClip = (PreviousKind == mkVideo || PreviousKind == mkFlash) && !pictureShowInFront();
  // After a clip, the pixels of the picture shown before it are given back
  // after the first frame, with the graph (freeing a large picture costs
  // about a millisecond).
  std::shared_ptr<TBitmap> previous;
  if (const auto* b = afterClip ? dynamic_cast<const TBitmap*>(PictureShow->Picture()->Graphic()) : nullptr) {
    previous = std::make_shared<TBitmap>();
    previous->Assign(b);
  }
  // The picture of the line. One that does not load, or is not read yet (a
  // metafile whose reader is still at work), is reported and skipped at
  // once, every time its turn comes: the output stays as it is and the list
  // goes on.
  ShowPictureParams();
  if (!pictureLoaded_) {
    if (pictureNotReady_) showStatus("Error file " + GetItemPath(ListMedia->ItemIndex()));
    pictureFailed();
    return false;
  }
  LoadedFile.clear();
  if (afterClip && !frameKept_) {
    // Nothing kept at an end is on the output (the clip or movie was left
    // early, or stopped): the transition starts from what shows now, the
    // frame where the item was left or, after Stop, nothing.
    dropKeptFrame();
    if (!cbPicsCls->Checked() && (DSVideoWindowEx1->Visible() || ShockwaveFlashEx1->Visible())) TakeSnapshot();
  }
  frameKept_ = false;
  if (cbPicsCls->Checked() || afterClip) PictureShow->Clear();
  panelChange([this] { PicsShowPauseChange(PicsShowPause); });
  if (afterClip) {
    // The transition starts at once from the clip's last frame: the
    // background is laid into the show without painting the window. From
    // the transition's own pump, after its first frame: the video window
    // that the show covers goes, the next pictures are read (the list goes
    // on after this one), the paused graph is emptied and the console
    // repainted.
    if (FilterGraph1->Active()) clipTeardownPending_ = true;
    std::weak_ptr<int> alive = alive_;
    TThread::Queue([this, alive, previous, serial]() mutable {
      previous.reset();
      if (alive.expired()) return;
      if (itemCurrent(serial)) {
        setVideoWindowShown(false);
        if (!SingleItemMode && playing()) decodeNextPictureAhead();
      }
      settleClipTeardown();
    });
    layKeptStill();
    PictureShow->BringToFront();
    PictureShow->SetVisible(true);
    PictureShow->LayBackground();
    ShockwaveFlashEx1->SetVisible(false);
  } else {
    // The list goes on after it: the next picture is read meanwhile.
    if (!SingleItemMode && playing()) decodeNextPictureAhead();
    // The show (holding the picture before) covers the output before what
    // was there goes: nothing empty is painted between them.
    PictureShow->BringToFront();
    PictureShow->SetVisible(true);
    ShockwaveFlashEx1->SetVisible(false);
    setVideoWindowShown(false);
  }
  // Reading the picture may have waited: a request made meanwhile is served
  // before any transition.
  if (!itemCurrent(serial)) return true;
  pictureStopped_ = false;
  pictureSerial_ = serial;
  PictureShow->Execute();
  if (afterClip) PictureShow->BgPicture()->Clear();
  if (!itemCurrent(serial)) return true;
  itemPlayed();
  return true;
}

void TFrameMedia::pictureFailed() {
  // It counts as nothing played; after a whole cycle of such items the list
  // stops.
  ++failedInRow_;
  if (SingleItemMode) {
    SetButtonsState(1);
    ListMedia->SetEnabled(true);
    UpdateFilesCount();
    return;
  }
  if (!playing()) return;
  if (failedInRow_ >= std::max(1, checkedCount())) {
    TimerDelayPics->SetEnabled(false);
    TimerDelayPics->SetTag(0);
    ++playSerial_;
    SetButtonsState(1);
    ListMedia->SetEnabled(true);
    UpdateFilesCount();
  } else {
    postAdvance();   // no transition ran, so no pause leads on
  }
}

void TFrameMedia::settleClipTeardown() {
  if (!clipTeardownPending_) return;
  clipTeardownPending_ = false;
  if (!FilterGraph1->Active()) return;
  FilterGraph1->Stop();
  FilterGraph1->ClearGraph();
}

void TFrameMedia::rewindClip() {
  if (ComPtr<IMediaSeeking> ms = FilterGraph1->Query<IMediaSeeking>()) {
    REFERENCE_TIME zero = 0;
    ms->SetPositions(&zero, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
  }
}

void TFrameMedia::playVideo(const String& Path) {
  const uint64_t serial = playSerial_;
  bool rendered = false;
  settleClipTeardown();
  // A clip that cannot be rendered or started is reported and the list goes on.
  auto failed = [&] {
    try {
      FilterGraph1->Stop();
    } catch (const std::exception&) {
    }
    LoadedFile.clear();
    if (playing()) SetButtonsState(2);
    itemFailed("Error file " + Path);
  };
  if (LoadedFile != Path) {
    // The clip made ready while the one before played takes the place of a
    // new render (the rate is the one a render starts with).
    const String file = ResolveFileName(Path);
    if (!FilterGraph1->PreparedFile().empty() && FilterGraph1->PreparedFile() == file && RateLevel->Position() == 0) {
      try {
        rendered = FilterGraph1->RenderPrepared(file);
      } catch (const std::exception&) {
        // Taken, but a handler failed on its notices: as a failed render,
        // which leaves no frame of the clip to be shown.
        try {
          FilterGraph1->ClearGraph();
          FilterGraph1->SetActive(false);
        } catch (const std::exception&) {
        }
        failed();
        return;
      }
    }
    if (!rendered) {
      FilterGraph1->ClearGraph();
      FilterGraph1->SetActive(false);
    }
  }
  RateLevel->SetPosition(0);
  if (!FilterGraph1->Active()) {
    releaseListPaint();   // the render serves paints while it waits
    try {
      FilterGraph1->SetActive(true);
      // Without a graph nothing is rendered (S_FALSE): the clip fails too.
      if (CheckDSError(FilterGraph1->RenderFile(ResolveFileName(Path))) == S_FALSE)
        throw EDirectShowException("no graph", S_FALSE);
      rendered = true;
    } catch (const std::exception&) {
      // A request made while the render waited is served instead: the
      // render it cut short is no failure of the clip's.
      if (!itemCurrent(serial)) return;
      failed();
      return;
    }
    if (!itemCurrent(serial)) return;
  }
  TFormMain* main = mainForm();
  // The window, holding the clip's first frame, goes in front before the
  // picture behind it goes.
  setVideoWindowShown(true);
  PictureShow->SetVisible(false);
  ShockwaveFlashEx1->SetVisible(false);
  frameKept_ = false;
  // Played again without a new render: from its beginning.
  if (!rendered) rewindClip();
  FilterGraph1->SetVolume(SoundLevel->Position());
  btFrameStep->SetEnabled(false);   // a playing clip steps once paused
  try {
    FilterGraph1->Play();
  } catch (const std::exception&) {
    LoadedFile.clear();
    if (playing()) SetButtonsState(2);
    itemFailed("Error file " + Path);
    return;
  }
  LoadedFile = Path;
  clipItem_ = true;
  if (main) main->ClearStatusError("Error file " + Path);
  btPlay->SetEnabled(false);
  itemPlayed();
  // The list goes on after the clip: its next picture is read meanwhile.
  if (!SingleItemMode && playing()) decodeNextPictureAhead();
  prepareNextClip(Path);
}

void TFrameMedia::prepareNextClip(const String& Current) {
  // While a clip plays in the list, the next checked line's clip is rendered
  // and prerolled in a second graph, a moment after this one started; the
  // same file plays again from its own render.
  const TMediaItem* it = SingleItemMode || !playing() ? nullptr : Item(nextCheckedIndex(ListMedia->ItemIndex()));
  const String next = it && it->Kind == mkVideo ? entryPath(it) : String();
  preparedEntry_.clear();
  preparedResolved_.clear();
  if (next.empty() || next == Current) {
    FilterGraph1->CancelPrepared();
    return;
  }
  const String file = ResolveFileName(next);
  if (FilterGraph1->PreparedFile() != file) FilterGraph1->PrepareFile(file, 50);
  preparedEntry_ = next;
  preparedResolved_ = file;
}

bool TFrameMedia::readyClipFollows() const {
  if (SingleItemMode || !playing() || PlayCurrentNext || preparedEntry_.empty()) return false;
  const TMediaItem* it = Item(nextCheckedIndex(ListMedia->ItemIndex()));
  return it && it->Kind == mkVideo && FilterGraph1->PreparedReady() &&
         FilterGraph1->PreparedFile() == preparedResolved_ && entryPath(it) == preparedEntry_;
}

void TFrameMedia::playFlash(const String& Path) {
  const uint64_t serial = playSerial_;
  // After a picture or a clip, the movie loads beneath the picture show or
  // the video window (on its last frame), which stays in front (the player
  // draws the movie's first frame out of sight) until the movie comes to the
  // front with its first frame drawn. With nothing in front (after Stop) the
  // control shows its own black until the player has the movie's frame.
  if (!ShockwaveFlashEx1->Visible()) {
    ShockwaveFlashEx1->SetAlign(alClient);
    ShockwaveFlashEx1->SendToBack();
    ShockwaveFlashEx1->SetVisible(true);
  }
  // A clip left before its end stops on its frame (its sound too).
  if (FilterGraph1->Active() && FilterGraph1->State() == gsPlaying) FilterGraph1->Pause();
  // Loading waits for the player (its page, the movie) and handles messages
  // meanwhile: a request for another item supersedes this one, which then
  // touches nothing.
  ShockwaveFlashEx1->SetMovie(ResolveFileName(Path));
  if (!itemCurrent(serial)) return;
  ShockwaveFlashEx1->GotoFrame(0);
  if (!itemCurrent(serial)) return;
  if (ShockwaveFlashEx1->TotalFrames() <= 0) {
    // A movie the player cannot show has no frames.
    ShockwaveFlashEx1->SetVisible(false);
    if (playing()) SetButtonsState(2);
    itemFailed("Error file " + Path);
    return;
  }
  ShockwaveFlashEx1->SetAlign(alClient);   // the movie fills the panel it lies on
  ShockwaveFlashEx1->SetVisible(true);
  ShockwaveFlashEx1->BringToFront();
  // What showed before it goes from behind it: nothing of an earlier item
  // shows once the movie is stopped and hidden.
  PictureShow->SetVisible(false);
  setVideoWindowShown(false);
  frameKept_ = false;
  if (playing()) SetButtonsState(2);
  // The item ends at the last frame (a movie that stops itself holds its
  // frame until then) or when the player no longer plays it (its page
  // ended); a movie the operator paused waits, holding its frame (paused
  // during its load: on its first frame).
  const auto paused = [this] { return btPlay->Enabled() && btStop->Enabled(); };
  if (!paused()) ShockwaveFlashEx1->Play();
  itemPlayed();
  startFlashClock(ResolveFileName(Path));
  // The list goes on after the movie: its next picture is read meanwhile.
  if (!SingleItemMode && playing()) decodeNextPictureAhead();
  // The operator goes on using the console meanwhile; the end of the movie,
  // Pause and a request for another item are notices to the wait, which
  // returns before that item is served.
  movieWaits_ = true;
  waitFor(
      [&] {
        return !itemCurrent(serial) ||
               (!paused() && (!ShockwaveFlashEx1->Playing() ||
                              ShockwaveFlashEx1->CurrentFrame() >= ShockwaveFlashEx1->TotalFrames() - 1));
      },
      -1, TWaitInput::All());
  movieWaits_ = false;
  if (!itemCurrent(serial)) return;   // superseded: the item served next owns the outputs
  ShockwaveFlashEx1->StopPlay();
  if (!SingleItemMode && playing()) {
    // The movie's last frame stays on the output until the next item shows
    // its own, and is the background of a picture's transition.
    frameKept_ = !cbPicsCls->Checked();
    if (frameKept_) TakeSnapshot();
    postAdvance();
    return;
  }
  ShockwaveFlashEx1->SetVisible(false);
  if (SingleItemMode) {
    SetButtonsState(1);
    ListMedia->SetEnabled(true);
    UpdateFilesCount();
  } else if (playing()) {
    postAdvance();
  }
}

void TFrameMedia::startFlashClock(const String& File) {
  // A rate of 0 in the header plays at 12 frames a second, as the player does.
  // The rate is in the header, within the file's first bytes.
  std::vector<uint8_t> head(4096);
  std::ifstream in(File, std::ios::binary);
  in.read(reinterpret_cast<char*>(head.data()), std::streamsize(head.size()));
  TSwfHeader header;
  String why;
  flashRate_ = ParseSwfHeader(head.data(), size_t(std::max<std::streamsize>(0, in.gcount())), header, why) &&
                       header.FrameRate > 0
                   ? header.FrameRate
                   : 12.0;
  const int64_t length = std::llround(ShockwaveFlashEx1->TotalFrames() / flashRate_);
  LabelMediaFull->SetCaption(MinutesSecondsText(length, '.'));
  LabelMedia->SetCaption(MinutesSecondsText(0, '.'));
  flashClock_->SetEnabled(true);
}

void TFrameMedia::flashClockTick() {
  if (CurrentKind != mkFlash || !ShockwaveFlashEx1->Visible()) {
    flashClock_->SetEnabled(false);
    return;
  }
  LabelMedia->SetCaption(MinutesSecondsText(int64_t(ShockwaveFlashEx1->CurrentFrame() / flashRate_), '.'));
}

void TFrameMedia::PlayNext() {
  if (ListMedia->Count() == 0) return;
  int i = ListMedia->ItemIndex();
  bool found = false;
  if (PlayCurrentNext) {
    PlayCurrentNext = false;
    found = i >= 0 && i < ListMedia->Count();
  } else {
    i = nextCheckedIndex(i);
    found = i >= 0;
  }
  // The list moves on: the new line alone is highlighted (selecting it in a
  // list of one selection does that by itself).
  if (ListMedia->MultiSelect()) ListMedia->ClearSelection();
  if (found) {
    ListMedia->SetItemIndex(i);
    // The counter shows the line that plays while it plays (a movie's
    // turn returns only at its end).
    UpdateFilesCount();
    PlayItem("");
  } else {
    // No checked line: the search ends on line 0, which becomes the
    // selection (stopped or not), and nothing plays.
    ListMedia->SetItemIndex(0);
    if (playing()) {
      ++playSerial_;
      SetButtonsState(1);
      ListMedia->SetEnabled(true);
    }
  }
  UpdateFilesCount();
}

// ===========================================================================
// Transport
// ===========================================================================

void TFrameMedia::btPlayClick(TObject* /*Sender*/) {
  if (ListMedia->Count() == 0) return;
  // No line selected (the selected one was deleted): start at the first
  // checked line; with none checked, line 0 is selected and nothing plays.
  if (ListMedia->ItemIndex() < 0 || ListMedia->ItemIndex() >= ListMedia->Count()) {
    int first = 0;
    for (int i = 0; i < ListMedia->Count(); ++i)
      if (ListMedia->Checked(i)) {
        first = i;
        break;
      }
    ListMedia->SetItemIndex(first);
  }
  const int index = ListMedia->ItemIndex();
  // A play of the list starts; the selected line's item is current.
  SingleItemMode = false;
  failedInRow_ = 0;
  failedPictures_.clear();   // what could not be read is tried again
  if (ScreenPage == TabloMediaPage) ListMedia->SetEnabled(false);
  TMediaItem* rec = Item(index);
  if (rec) CurrentItem = rec;
  const bool resume = rec && rec->Kind == mkVideo && FilterGraph1->Active() && FilterGraph1->State() == gsPaused &&
                      LoadedFile == entryPath(rec);
  // Play starts at the selected line only when it is checked.
  PlayCurrentNext = ListMedia->Checked(index);
  SetButtonsState(2);
  // A paused clip resumes; otherwise the item plays.
  if (resume) {
    leaveItem();
    btFrameStep->SetEnabled(false);
    FilterGraph1->Play();
    return;
  }
  if (rec && rec->Kind == mkPicture) {
    if (PictureShow->Busy()) PictureShow->Stop();
    ListMedia->SetMultiSelect(false);
  }
  if (rec && rec->Kind == mkVideo) btFrameStep->SetEnabled(false);
  PlayNext();
}

void TFrameMedia::ListMediaDblClick(TObject* /*Sender*/) {
  if (!Item(ListMedia->ItemIndex())) return;
  SingleItemMode = true;
  PlayCurrentNext = true;
  failedInRow_ = 0;
  PlayItem("");
  PlayCurrentNext = true;
}

void TFrameMedia::btNextChapterClick(TObject* /*Sender*/) {
  PlayCurrentNext = false;
  // A clip made ready to follow is on the output before the list shows the
  // move: the list's panel is repainted once, after the clip's first frame.
  listPaintHeld_ = readyClipFollows() && !LockedWindow() && LockWindowUpdate(PanelList);
  // The item that plays next shows its own panel: a clip or movie keeps the
  // clip panel on view rather than showing the picture panel in between.
  const TMediaItem* next = Item(nextCheckedIndex(ListMedia->ItemIndex()));
  try {
    previewNextPicture(true, !next || (next->Kind != mkVideo && next->Kind != mkFlash));
    PlayNext();
  } catch (...) {
    releaseListPaint();
    throw;
  }
  releaseListPaint();
}

void TFrameMedia::releaseListPaint() {
  if (std::exchange(listPaintHeld_, false) && LockedWindow() == PanelList) UnlockWindowUpdate();
}

void TFrameMedia::btPauseClick(TObject* /*Sender*/) {
  SetButtonsState(3);
  switch (CurrentKind) {
    case mkPicture:
      // Ends the running transition; no pause follows it (the transport
      // is no longer playing).
      if (PictureShow->Busy()) PictureShow->Stop();
      break;
    case mkVideo:
      if (FilterGraph1->Active()) FilterGraph1->Pause();
      break;
    case mkFlash: ShockwaveFlashEx1->Stop(); break;
    default: break;
  }
}

void TFrameMedia::btStopClick(TObject* /*Sender*/) {
  // The item ends: a transition under way on its whole picture (no
  // half-drawn frame of the effect stays on the output), the pause of a
  // picture whatever the selected line is.
  leaveItem();
  clearItemMessages();
  FilterGraph1->CancelPrepared();
  dropKeptFrame();   // the output keeps none of the clip or movie stopped
  SetButtonsState(1);
  ListMedia->SetEnabled(true);
  switch (CurrentKind) {
    case mkVideo:
      if (FilterGraph1->Active()) FilterGraph1->Stop();
      LoadedFile.clear();
      break;
    case mkFlash:
      if (ShockwaveFlashEx1->Playing()) ShockwaveFlashEx1->Stop();
      ShockwaveFlashEx1->SetVisible(false);
      break;
    default: break;
  }
  if (ScreenPage == TabloMediaPage) {
    setVideoWindowShown(false);
    if (FilterGraph1->Active()) {
      LoadedFile.clear();
      FilterGraph1->Stop();
      FilterGraph1->ClearGraph();
      FilterGraph1->SetActive(false);
    }
  }
  updateFrameStep();
  UpdateFilesCount();
}

// ===========================================================================
// Picture pause
// ===========================================================================

void TFrameMedia::PictureShowStart(TObject* /*Sender*/) {
  panelChange([this] { DelayTrackBar->SetPosition(0); });
}

void TFrameMedia::PictureShowStop(TObject* /*Sender*/) {
  // A transition ended because its item was left starts no pause.
  if (pictureSerial_ != playSerial_) return;
  pictureStopped_ = true;
  if (!SingleItemMode) {
    TimerDelayPics->SetTag(static_cast<intptr_t>(TickNow()));
    LabelMediaFull->SetCaption(MinutesSecondsText(PicsShowPause->Value(), ':'));
  } else {
    SetButtonsState(1);
    ListMedia->SetEnabled(true);
  }
  const bool pause = !SingleItemMode && playing();
  TimerDelayPics->SetEnabled(pause);
  if (pause) PreviewNextPicture(true);
}

void TFrameMedia::TimerDelayPicsTimer(TObject* /*Sender*/) {
  const int64_t start = TimerDelayPics->Tag();
  const int e = static_cast<int>(std::max<int64_t>(0, TickNow() - start) / 1000);
  DelayTrackBar->SetPosition(e);
  if (e < PicsShowPause->Value() && start != 0) return;
  PictureShow->SetProgress(100);
  TimerDelayPics->SetEnabled(false);
  TimerDelayPics->SetTag(0);
  if (btPause->Enabled())
    request([this] {
      if (btPause->Enabled()) PlayNext();
    });
}

void TFrameMedia::PicsShowPauseChange(TObject* /*Sender*/) {
  DelayTrackBar->SetMax(PicsShowPause->Value());
  LabelMediaFull->SetCaption(MinutesSecondsText(PicsShowPause->Value(), ':'));
}

void TFrameMedia::DelayTrackBarChange(TObject* /*Sender*/) {
  LabelMedia->SetCaption(MinutesSecondsText(DelayTrackBar->Position(), '.'));
}

// ===========================================================================
// End of a clip
// ===========================================================================

void TFrameMedia::FilterGraph1GraphComplete(TObject* /*Sender*/, int32_t /*Result*/, IBaseFilter* /*Renderer*/) {
  // The last frame stays behind the next picture; a clip made ready to
  // follow shows frames of its own, so none is taken for it.
  const bool readyClip = readyClipFollows();
  frameKept_ = !cbPicsCls->Checked() && !readyClip;
  if (frameKept_) TakeSnapshot();
  // An item played alone: the list does not go on.
  if (SingleItemMode) {
    if (!cbCikle->Checked()) {
      ++playSerial_;
      SetButtonsState(1);
      ListMedia->SetEnabled(true);
      if (ScreenPage == TabloMediaPage) {
        if (FilterGraph1->Active()) {
          LoadedFile.clear();
          FilterGraph1->Stop();
          FilterGraph1->ClearGraph();
        }
        setVideoWindowShown(false);
      }
      updateFrameStep();
      UpdateFilesCount();
    }
    return;
  }
  // The list goes on with the next item. A clip made ready to follow takes
  // the graph's place at once: the ended one, resting on its last frame at
  // its end, is not paused first; nor is it for a picture, whose transition
  // empties it once its first frame is out.
  if (!playing()) return;
  const bool pictureNext = nextIsPicture();
  if (FilterGraph1->Active() && !readyClip && !pictureNext) FilterGraph1->Pause();
  postAdvance(pictureNext);
}

bool TFrameMedia::videoWindowIsTheGrab(int W, int H) const {
  const TDSVideoWindowEx2* w = DSVideoWindowEx1;
  const TWinControl* parent = w->Parent();
  if (!parent || !w->Visible() || parent->AutoScroll()) return false;
  // Children lie from the parent's corner; the window is all client area.
  if (parent->Width() != W || parent->Height() != H || parent->ClientWidth() != W || parent->ClientHeight() != H)
    return false;
  if (w->ClientWidth() != w->Width() || w->ClientHeight() != w->Height()) return false;
  if (w->Left() > 0 || w->Top() > 0 || w->Left() + w->Width() < W || w->Top() + w->Height() < H) return false;
  // Nothing shown above it.
  bool above = false;
  for (int i = 0; i < parent->ControlCount(); ++i) {
    const TControl* c = parent->Controls(i);
    if (c == w) above = true;
    else if (above && c->Visible()) return false;
  }
  return above;
}

bool TFrameMedia::CaptureVideoWindow(TBitmap* Bitmap) {
  if (!Bitmap || Bitmap->Empty()) return false;
  TWinControl* parent = DSVideoWindowEx1->Parent();
  if (!parent) return false;
  // The video window alone: its picture drawn as it paints it.
  if (videoWindowIsTheGrab(Bitmap->Width(), Bitmap->Height())) {
    DSVideoWindowEx1->Still().DrawTo(Bitmap->Canvas(), DSVideoWindowEx1->Left(), DSVideoWindowEx1->Top());
    return true;
  }
  // The widgets that cover the rectangle, drawn from themselves (the grab
  // of the output area).
  Bitmap->Fill(clBlack);
  parent->PaintTo(Bitmap->Canvas(), 0, 0);
  return true;
}

void TFrameMedia::TakeSnapshot() {
  keptStill_.reset();
  keptDrawn_ = false;
  const std::unique_ptr<TVideoStill> ahead = std::move(stillAhead_);
  const bool aheadDrawn = std::exchange(stillAheadDrawn_, false);
  TFormMain* main = mainForm();
  if (!main || !main->FGrabBitmap) return;
  TBitmap* grab = main->FGrabBitmap.get();
  if (!grab->Empty() && videoWindowIsTheGrab(grab->Width(), grab->Height())) {
    // The frame is held as it is shown; the background it replaces goes.
    keptStill_ = std::make_unique<TVideoStill>(DSVideoWindowEx1->Still());
    keptAt_ = TPoint(DSVideoWindowEx1->Left(), DSVideoWindowEx1->Top());
    keptSize_ = TPoint(grab->Width(), grab->Height());
    // Drawn already while it showed.
    if (ahead && aheadDrawn && keptAt_ == stillAheadAt_ && stillBitmap_.Width() == keptSize_.X &&
        stillBitmap_.Height() == keptSize_.Y && keptStill_->SameAs(*ahead)) {
      keptStill_.reset();
      keptDrawn_ = true;
    }
    PictureShow->BgPicture()->Clear();
    return;
  }
  if (CaptureVideoWindow(grab)) PictureShow->BgPicture()->SetGraphic(grab);
}

void TFrameMedia::drawStill(const TVideoStill& Still, TPoint At, TPoint Size) {
  if (stillBitmap_.Width() != Size.X || stillBitmap_.Height() != Size.Y) stillBitmap_.SetSize(Size.X, Size.Y);
  Still.DrawTo(stillBitmap_.Canvas(), At.X, At.Y);
}

void TFrameMedia::dropKeptFrame() {
  frameKept_ = false;
  keptStill_.reset();
  keptDrawn_ = false;
  PictureShow->BgPicture()->Clear();
}

bool TFrameMedia::pictureShowInFront() const {
  const TWinControl* parent = PictureShow->Parent();
  if (!PictureShow->Visible() || !parent) return false;
  bool above = false;
  for (int i = 0; i < parent->ControlCount(); ++i) {
    const TControl* c = parent->Controls(i);
    if (c == PictureShow) above = true;
    else if (above && c->Visible() && (c == DSVideoWindowEx1 || c == ShockwaveFlashEx1)) return false;
  }
  return above;
}

void TFrameMedia::drawStillAhead() {
  stillAhead_.reset();
  stillAheadDrawn_ = false;
  TFormMain* main = mainForm();
  // A kept frame not laid yet keeps its pixels.
  if (!main || !main->FGrabBitmap || keptDrawn_ || SingleItemMode || !playing() || cbPicsCls->Checked() ||
      !nextIsPicture())
    return;
  const TBitmap* grab = main->FGrabBitmap.get();
  if (grab->Empty() || !videoWindowIsTheGrab(grab->Width(), grab->Height())) return;
  auto still = std::make_unique<TVideoStill>(DSVideoWindowEx1->Still());
  if (!still->HasFrame) return;
  stillAheadAt_ = TPoint(DSVideoWindowEx1->Left(), DSVideoWindowEx1->Top());
  drawStill(*still, stillAheadAt_, TPoint(grab->Width(), grab->Height()));
  stillAheadDrawn_ = true;
  stillAhead_ = std::move(still);
  reserveScreenForNext();
}

void TFrameMedia::layKeptStill() {
  if (!std::exchange(keptDrawn_, false)) {
    const std::unique_ptr<TVideoStill> still = std::move(keptStill_);
    if (!still) return;
    drawStill(*still, keptAt_, keptSize_);
  }
  PictureShow->BgPicture()->SetGraphic(&stillBitmap_);
}

// ===========================================================================
// The output area
// ===========================================================================

bool TFrameMedia::OnTablo() const {
  const TFormMain* main = mainForm();
  return main && main->PanelTabloColor && PictureShow->Parent() == main->PanelTabloColor;
}

void TFrameMedia::SetOnTablo(bool OnScreen) {
  TFormMain* main = mainForm();
  TWinControl* to = OnScreen && main && main->PanelTabloColor ? static_cast<TWinControl*>(main->PanelTabloColor)
                                                               : static_cast<TWinControl*>(PanelMedia);
  DSVideoWindowEx1->SetParent(to);
  PictureShow->SetParent(to);
  ShockwaveFlashEx1->SetParent(to);
  if (OnScreen) return;
  ShowVideoWindow(false);
  FilterGraph1->SetActive(false);
  updateFrameStep();
  ShockwaveFlashEx1->StopPlay();
  ShockwaveFlashEx1->SetVisible(false);
}

void TFrameMedia::ShowVideoWindow(bool Show) {
  setVideoWindowShown(Show);
  // The change is painted now; nothing else runs meanwhile.
  if (TWinControl* parent = DSVideoWindowEx1->Parent()) parent->Update();
}

void TFrameMedia::setVideoWindowShown(bool Show) {
  TFormMain* main = mainForm();
  if (main && main->PanelZaAvi)
    main->PanelZaAvi->SetVisible(Show && DSVideoWindowEx1->Parent() == main->PanelTabloColor);
  DSVideoWindowEx1->SetVisible(Show);
  if (Show) DSVideoWindowEx1->BringToFront();
}

void TFrameMedia::RestartOnTablo() {
  settleClipTeardown();
  if (!FilterGraph1->Active()) return;
  const String path = LoadedFile;
  // The clip, the item, starts again; a graph left empty by a clip before
  // the picture that plays goes, and the picture plays on.
  if (!path.empty()) leaveItem();
  const uint64_t serial = playSerial_;
  try {
    FilterGraph1->Stop();
  } catch (const std::exception&) {
  }
  FilterGraph1->SetActive(false);
  SetOnTablo(true);
  LoadedFile.clear();
  if (path.empty()) return;
  // The clip is rendered again into the new graph and plays from its
  // beginning on the output area.
  try {
    FilterGraph1->SetActive(true);
    const HRESULT hr = CheckDSError(FilterGraph1->RenderFile(ResolveFileName(path)));
    // A request made while the render waited is served instead.
    if (!itemCurrent(serial)) return;
    if (hr == S_FALSE) throw EDirectShowException("no graph", S_FALSE);
    PictureShow->SetVisible(false);
    ShowVideoWindow(true);
    FilterGraph1->SetVolume(SoundLevel->Position());
    FilterGraph1->Play();
    LoadedFile = path;
    if (ScreenPage == TabloMediaPage) ListMedia->SetEnabled(false);
    SetButtonsState(2);
  } catch (const std::exception&) {
    if (!itemCurrent(serial)) return;
    showStatus("Error file " + path);
    FilterGraph1->SetActive(false);
    ShowVideoWindow(false);
    SetButtonsState(ListMedia->Count() > 0 ? 1 : 0);
    ListMedia->SetEnabled(true);
  }
}

// ===========================================================================
// The goal clip
// ===========================================================================

void TFrameMedia::PlayClipBlocking(const String& Path) {
  if (inGoalClip_) return;
  inGoalClip_ = true;
  // The list stops first (a clip of its own would be left half-played).
  if (btStop->Enabled()) {
    try {
      btStopClick(btStop);
    } catch (const std::exception&) {
    }
  }
  leaveItem();
  clipItem_ = false;
  updateFrameStep();
  settleClipTeardown();
  FilterGraph1->OnGraphComplete = nullptr;
  bool ok = false;
  try {
    // The old clip goes.
    try {
      FilterGraph1->ClearGraph();
    } catch (const std::exception&) {
    }
    FilterGraph1->SetActive(false);
    LoadedFile.clear();
    // The video window is on the output.
    SetOnTablo(true);
    ShowVideoWindow(true);
    // The clip is loaded.
    try {
      FilterGraph1->SetActive(true);
      CheckDSError(FilterGraph1->RenderFile(ResolveFileName(Path)));
      ok = true;
    } catch (const std::exception&) {
      showStatus("Error file " + Path);
    }
    // The picture show gives way to the clip.
    PictureShow->SetVisible(false);
    // A loaded clip plays at the set volume.
    if (ok) {
      FilterGraph1->SetVolume(SoundLevel->Position());
      FilterGraph1->Play();
      waitGoalClip();
    }
  } catch (const std::exception&) {
    showStatus("Error file " + Path);
  }
  // Every path: the graph empty and inactive, the outputs home, the end
  // of a clip heard again.
  try {
    FilterGraph1->Stop();
  } catch (const std::exception&) {
  }
  try {
    FilterGraph1->ClearGraph();
  } catch (const std::exception&) {
  }
  try {
    FilterGraph1->SetActive(false);
    SetOnTablo(false);
  } catch (const std::exception&) {
  }
  FilterGraph1->OnGraphComplete = [this](TObject* s, HRESULT r, IBaseFilter* f) { FilterGraph1GraphComplete(s, r, f); };
  inGoalClip_ = false;
}

void TFrameMedia::waitGoalClip() {
  // The operator may cut the clip short with Stop or Escape, and nothing
  // else: the list, the pages and the rest of the console wait for its end.
  TFormMain* main = mainForm();
  if (main) main->TakeEscapePending();
  btStop->SetEnabled(true);
  const uint64_t serial = playSerial_;
  const auto cut = [&] { return serial != playSerial_ || (main && main->EscapePending); };
  // A length not known yet is asked again while the clip starts (at most
  // two seconds; the graph's notices wake the wait).
  int64_t duration = FilterGraph1->Duration();
  const int64_t t0 = GetTickCount64();
  const TWaitInput input = TWaitInput::Only({btStop}, {VK_ESCAPE});
  for (;;) {
    const int64_t elapsed = GetTickCount64() - t0;
    if (duration <= 0 && elapsed < 2000) duration = FilterGraph1->Duration();
    const int64_t end = duration > 0 ? duration : 2000;
    if (elapsed >= end || cut() || closing()) break;
    const bool learning = duration <= 0;
    waitFor([&] { return cut() || (learning && FilterGraph1->Duration() > 0); }, int(end - elapsed), input);
  }
  if (main) main->TakeEscapePending();
  if (serial == playSerial_) btStop->SetEnabled(false);
}

// ===========================================================================
// Video controls
// ===========================================================================

void TFrameMedia::placeVideoWindow(int W, int H) {
  TFormMain* main = mainForm();
  if (!main || !main->ImageBlack || W <= 0 || H <= 0) return;
  const int RW = main->ImageBlack->Width(), RH = main->ImageBlack->Height();
  if (RW <= 0 || RH <= 0) return;
  const double a = double(W) / H, r = double(RW) / RH;
  int width = 0, height = 0;
  switch (rgMediaAspect->ItemIndex()) {
    case 0:
      if (a > r) {
        height = RH;
        width = int(int64_t(W) * RH / H);
      } else {
        width = RW;
        height = int(int64_t(RW) * H / W);
      }
      break;
    case 1:
      if (a >= r) {
        width = RW;
        height = int(int64_t(RW) * H / W);
      } else {
        height = RH;
        width = int(int64_t(W) * RH / H);
      }
      break;
    case 2:
      width = RW;
      height = RH;
      break;
    default: return;   // keeps the bounds it has
  }
  DSVideoWindowEx1->SetBounds((RW - width) / 2, (RH - height) / 2, width, height);
}

void TFrameMedia::FilterGraph1GraphVideoSizeChanged(TObject* /*Sender*/, int Width, int Height) {
  // A size of 0 (no picture, or not known yet) keeps what there is.
  if (Width <= 0 || Height <= 0 || Width > 0xFFFF || Height > 0x7FFF) return;
  FilterGraph1->SetTag(Height * 65536 + Width);
  placeVideoWindow(Width, Height);
}

void TFrameMedia::rgMediaAspectClick(TObject* /*Sender*/) {
  const int64_t tag = FilterGraph1->Tag();
  if (tag == 0) return;
  placeVideoWindow(int(tag & 0xFFFF), int((tag >> 16) & 0xFFFF));
}

void TFrameMedia::RateLevelChange(TObject* /*Sender*/) {
  const int p = RateLevel->Position();
  const double rate = p < 0 ? 1.0 - double(p) / RateLevel->Min() : 1.0 + double(p) / 10.0;
  // A rate the graph refuses (0.0 at the left end) leaves the one in effect.
  FilterGraph1->SetRate(rate);
  RateLevel->SetTag(std::lround(FilterGraph1->Rate() * 100));
}

void TFrameMedia::N2001Click(TObject* Sender) {
  const auto* item = dynamic_cast<const TComponent*>(Sender);
  if (!item) return;
  const int64_t tag = item->Tag();
  int pos;
  if (tag == 25) pos = -20;
  else if (tag == 50) pos = -10;
  else if (tag == 75) pos = -5;
  else if (tag >= 100 && tag <= 500) pos = int(std::lround(double(tag) / 10.0)) - 10;
  else return;
  RateLevel->SetPosition(pos);
}

void TFrameMedia::SoundLevelChange(TObject* /*Sender*/) { FilterGraph1->SetVolume(SoundLevel->Position()); }

void TFrameMedia::btFrameStepClick(TObject* /*Sender*/) {
  if (FilterGraph1->Active())
    if (ComPtr<IVideoFrameStep> fs = FilterGraph1->Query<IVideoFrameStep>()) fs->Step(1, nullptr);
  SetButtonsState(1);
}

void TFrameMedia::FilterGraph1GraphPaused(TObject* /*Sender*/, int32_t /*Result*/) { updateFrameStep(); }

void TFrameMedia::updateFrameStep() {
  // A clip steps only while it is the item and paused in the graph (a
  // stopped one has no frame to go on from; a clip paused at its end while
  // a movie or picture after it shows is not the item).
  btFrameStep->SetEnabled(clipItem_ && FilterGraph1->Active() && FilterGraph1->State() == gsPaused &&
                          !LoadedFile.empty());
}

void TFrameMedia::UpdatePositionLabel() {
  ComPtr<IMediaSeeking> ms = FilterGraph1->Active() ? FilterGraph1->Query<IMediaSeeking>() : ComPtr<IMediaSeeking>();
  if (!ms) return;
  REFERENCE_TIME pos = 0;
  if (FAILED(ms->GetCurrentPosition(&pos))) return;
  LabelMedia->SetCaption(MinutesSecondsText(pos / 10000000, '.'));
}

void TFrameMedia::DSTrackBar1Timer(TObject* /*Sender*/, uint32_t /*CurrentPos*/, uint32_t /*StopPos*/) {
  UpdatePositionLabel();
}

void TFrameMedia::DSTrackBar1Change(TObject* /*Sender*/) {
  if (!FilterGraph1->Active()) return;
  UpdatePositionLabel();
  if (FilterGraph1->State() == gsPaused) {
    TimerChange->SetEnabled(false);
    TimerChange->SetEnabled(true);
  }
}

void TFrameMedia::TimerChangeTimer(TObject* /*Sender*/) {
  TimerChange->SetEnabled(false);
  UpdatePositionLabel();
}

void TFrameMedia::FilterGraph1GraphClockChanged(TObject* /*Sender*/) {
  const int64_t d = std::llround(double(FilterGraph1->Duration()) / 1000.0);
  LabelMediaFull->SetCaption(MinutesSecondsText(d, '.'));
}

void TFrameMedia::SnapshotClick(TObject* /*Sender*/) {
  TBitmap* b = Image5->Picture()->Bitmap();
  if (SampleGrabber1->GetBitmap(b)) Image5->Picture()->SetGraphic(b);
}

void TFrameMedia::FilterGraph1DSEvent(TComponent* /*Sender*/, int /*Event*/, intptr_t /*Param1*/, intptr_t /*Param2*/) {}

// Colours of the overlay: the video window's colour control.
void TFrameMedia::TrackBar1Change(TObject* /*Sender*/) {
  if (!readingColours_) DSVideoWindowEx1->ColorControl()->SetBrightness(TrackBar1->Position());
}
void TFrameMedia::TrackBar2Change(TObject* /*Sender*/) {
  if (!readingColours_) DSVideoWindowEx1->ColorControl()->SetContrast(TrackBar2->Position());
}
void TFrameMedia::TrackBar3Change(TObject* /*Sender*/) {
  if (!readingColours_) DSVideoWindowEx1->ColorControl()->SetHue(TrackBar3->Position());
}
void TFrameMedia::TrackBar4Change(TObject* /*Sender*/) {
  if (!readingColours_) DSVideoWindowEx1->ColorControl()->SetSaturation(TrackBar4->Position());
}
void TFrameMedia::cbMedia_ColorClick(TObject* /*Sender*/) {
  if (!readingColours_) DSVideoWindowEx1->ColorControl()->SetColorEnable(cbMedia_Color->Checked());
}
void TFrameMedia::SpeedButton1Click(TObject* /*Sender*/) {
  DSVideoWindowEx1->ColorControl()->RestoreDefault();
  GetMediaValues();
}
void TFrameMedia::GetMediaValues() {
  // The controls show the live values; showing them writes nothing back.
  TColorControl* cc = DSVideoWindowEx1->ColorControl();
  readingColours_ = true;
  try {
    cbMedia_Color->SetChecked(cc->ColorEnable());
    TrackBar1->SetPosition(cc->Brightness());
    TrackBar2->SetPosition(cc->Contrast());
    TrackBar3->SetPosition(cc->Hue());
    TrackBar4->SetPosition(cc->Saturation());
  } catch (...) {
    readingColours_ = false;
    throw;
  }
  readingColours_ = false;
}
