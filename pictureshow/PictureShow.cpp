#include "pictureshow/PictureShow.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include "toolkit/Forms.h"

namespace {

// The animation thread running on this thread, if any.
thread_local TAnimateThread* currentWorker = nullptr;

bool IsPixelStyle(int s) { return s >= 118 && s <= 122; }

// Locks a canvas for the lifetime of the guard (unless released early).
class CanvasLock {
 public:
  explicit CanvasLock(TCanvas* c) : c_(c) { c_->Lock(); }
  ~CanvasLock() { Release(); }
  void Release() {
    if (c_) c_->Unlock();
    c_ = nullptr;
  }
  CanvasLock(const CanvasLock&) = delete;
  CanvasLock& operator=(const CanvasLock&) = delete;
 private:
  TCanvas* c_;
};

}  // namespace

// ---------------------------------------------------------------------------
// TAnimateThread

TAnimateThread::TAnimateThread(TCustomPictureShow* Show) : TThread(true), show_(Show) {}

void TAnimateThread::StopRunning() {
  Terminate();
  wake_.SetEvent();
}

void TAnimateThread::Execute() {
  started_ = true;
  currentWorker = this;
  try {
    while (!Terminated()) {
      const int64_t t0 = GetTickCount64();
      // Advance: wait until the frame before was painted, then take a step.
      show_->framePainted_.WaitFor(-1);
      if (Terminated()) break;
      show_->framePainted_.ResetEvent();
      if (show_->stepOnce()) Terminate();
      if (!Terminated()) {
        const int64_t ms = int64_t(show_->Delay()) - (GetTickCount64() - t0);
        if (ms >= 0) wake_.WaitFor(int(ms));
      }
    }
  } catch (...) {
    // Reported by the main thread when it finishes the run.
    error_ = std::current_exception();
  }
  // The end is always reported, however the loop ended.
  std::weak_ptr<int> alive = show_->alive_;
  TCustomPictureShow* show = show_;
  const uint64_t serial = serial_;
  TThread::Queue([alive, show, serial] {
    if (alive.expired()) return;
    if (show->thread_ && show->threadSerial_ == serial) show->animationDone();
  });
}

// ---------------------------------------------------------------------------
// Construction

TCustomPictureShow::TCustomPictureShow(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle(ControlStyle() + TControlStyle{csOpaque});
  screen_ = std::make_unique<TBitmap>();
  picture_ = std::make_unique<TPicture>();
  picture_->OnChange = [this](TObject*) { pictureChanged(); };
  bgPicture_ = std::make_unique<TPicture>();
  bgPicture_->OnChange = [this](TObject*) { bgPictureChanged(); };
  back_ = std::make_unique<TBitmap>();
  SetBounds(Left(), Top(), 100, 100);
}

TCustomPictureShow::~TCustomPictureShow() {
  BeginDestroy();
  try {
    Stop();
  } catch (...) {
    // Nothing may escape a destructor; the run is over either way.
  }
  if (busy_) {
    busy_ = false;
    freeWork();
  }
  alive_.reset();
  picture_->OnChange = nullptr;
  bgPicture_->OnChange = nullptr;
}

// ---------------------------------------------------------------------------
// Properties

bool TCustomPictureShow::hasPicture() const {
  const TGraphic* g = picture_->Graphic();
  return g && g->Width() > 0 && g->Height() > 0;
}

void TCustomPictureShow::pictureChanged() {
  if (Destroying()) return;
  // An offer for other pixels goes.
  if (offerWhole_) {
    const auto* b = dynamic_cast<const TBitmap*>(picture_->Graphic());
    if (!b || b->Empty() || b->ScanLine(0) != std::as_const(*offerWhole_).ScanLine(0)) {
      offerWhole_.reset();
      offerScaled_.reset();
    }
  }
  if (hasPicture() && autoSize_) adjustSize();
  DoChange();
}

void TCustomPictureShow::bgPictureChanged() {
  if (bgMode_ != bmNone && repaintAllowed()) Invalidate();
}

void TCustomPictureShow::adjustSize() {
  if (!hasPicture() || Align() == alClient) return;
  int w = Width(), h = Height();
  if (Align() != alTop && Align() != alBottom) w = picture_->Width();
  if (Align() != alLeft && Align() != alRight) h = picture_->Height();
  SetBounds(Left(), Top(), w, h);
}

void TCustomPictureShow::SetBgMode(TBackgroundMode v) {
  if (v == bgMode_) return;
  bgMode_ = v;
  const TGraphic* g = bgPicture_->Graphic();
  if (g && !g->Empty() && repaintAllowed()) Invalidate();
}

void TCustomPictureShow::SetAutoSize(bool v) {
  if (v == autoSize_) return;
  autoSize_ = v;
  if (v) adjustSize();
}

void TCustomPictureShow::SetCenter(bool v) {
  if (v == center_) return;
  center_ = v;
  if (hasPicture()) {
    updatePictureRect();
    if (!screen_->Empty() && repaintAllowed()) Invalidate();
  }
}

void TCustomPictureShow::SetStretch(bool v) {
  if (v == stretch_) return;
  stretch_ = v;
  fitScreen();
  if (!screen_->Empty() && repaintAllowed()) Invalidate();
}

void TCustomPictureShow::SetStretchFine(bool v) {
  if (v == stretchFine_) return;
  stretchFine_ = v;
  fitScreen();
  if (!screen_->Empty() && repaintAllowed()) Invalidate();
}

void TCustomPictureShow::SetStep(int v) {
  step_ = uint16_t(std::clamp(v, 1, 100));
}

void TCustomPictureShow::SetStyle(int v) {
  if (v == style_ || v < 0 || v > EffectCount) return;
  if (busy_ && IsPixelStyle(v) && !IsPixelStyle(style_)) {
    // The pixel effects read and write scan lines directly.
    if (pic_) {
      CanvasLock l(pic_->Canvas());
      pic_->SetPixelFormat(pf32bit);
    }
    CanvasLock l(screen_->Canvas());
    screen_->SetPixelFormat(pf32bit);
  }
  style_ = v;
}

String TCustomPictureShow::StyleName() const {
  const int s = style_;
  return s == 0 ? String("Custom") : EffectName(s);
}

void TCustomPictureShow::SetStyleName(const String& v) {
  if (SameText(v, "Custom")) {
    SetStyle(0);
    return;
  }
  if (const int k = FindEffect(v)) SetStyle(k);
}

void TCustomPictureShow::SetManual(bool v) {
  if (v == manual_) return;
  manual_ = v;
  // The done message of the stopped thread does not finish the run while
  // Manual is set.
  stopThread();
  if (busy_) {
    if (!v) {
      std::weak_ptr<int> alive = alive_;
      const uint64_t run = runSerial_;
      try {
        runAnimation();
      } catch (...) {
        if (!alive.expired() && runSerial_ == run) abortRun(true);
        throw;
      }
    }
  } else {
    progress_ = reverse_ ? 100 : 0;
  }
}

// ---------------------------------------------------------------------------
// Progress

void TCustomPictureShow::SetProgress(int v) {
  v = std::clamp(v, 0, 100);
  bool changed;
  {
    std::lock_guard<TCriticalSection> g(lock_);
    changed = storeProgressLocked(v);
  }
  if (changed) frameDone(!TThread::IsMainThread());
}

bool TCustomPictureShow::storeProgressLocked(int v) {
  if (!busy_ || v == progress_) return false;
  progress_ = v;
  composeFrame();
  return true;
}

// One step of a run, read, stepped and stored under the lock. True when the
// end of the run is reached.
bool TCustomPictureShow::stepOnce() {
  int target;
  bool changed, rev;
  {
    std::lock_guard<TCriticalSection> g(lock_);
    rev = reverse_;
    target = StepProgress(progress_, step_, rev);
    changed = storeProgressLocked(target);
  }
  if (changed) frameDone(!TThread::IsMainThread());
  return rev ? target == 0 : target == 100;
}

void TCustomPictureShow::composeFrame() {
  if (!pic_ || (!old_ && !oldView_)) return;
  CanvasLock pl(pic_->Canvas());
  CanvasLock sl(screen_->Canvas());
  if (!screenHoldsOld_) copyOld();
  screenHoldsOld_ = false;
  DoBeforeNewFrame(pic_.get(), screen_.get());
  const int p = progress_, s = style_;
  if (s == 0 && p > 0 && p < 100) DoCustomDraw(pic_.get(), screen_.get());
  else DrawEffectFrame(screen_.get(), pic_.get(), EffectProc(s), step_, p, &random_);
  DoAfterNewFrame(pic_.get(), screen_.get());
}

void TCustomPictureShow::frameDone(bool onWorker) {
  const TRect R(0, 0, W_, H_);
  if (!onWorker) {
    presentFrame(R);
    return;
  }
  // Painting and OnProgress belong to the main thread; the worker takes its
  // next step only after both (the frame-painted event).
  {
    std::lock_guard<std::mutex> g(pendingLock_);
    pending_.push_back(PendingFrame{R});
  }
  std::weak_ptr<int> alive = alive_;
  TThread::Queue([alive, this] {
    if (!alive.expired()) drainPending();
  });
}

// Repaints the frame, reports it and lets the worker go on, also when the
// OnProgress handler fails.
void TCustomPictureShow::presentFrame(const TRect& R) {
  struct Signal {
    TEvent& e;
    ~Signal() { e.SetEvent(); }
  } signal{framePainted_};
  // The toolkit invalidates whole controls; a frame that maps to nothing
  // visible needs no repaint at all.
  if (repaintAllowed() && !FrameToClient(R).IsEmpty()) {
    Invalidate();
    if (Showing()) Update();
  }
  DoProgress();
}

void TCustomPictureShow::drainPending() {
  std::exception_ptr first;
  for (;;) {
    PendingFrame f;
    {
      std::lock_guard<std::mutex> g(pendingLock_);
      if (pending_.empty()) break;
      f = pending_.front();
      pending_.pop_front();
    }
    try {
      presentFrame(f.R);
    } catch (...) {
      if (!first) first = std::current_exception();
    }
  }
  if (first) std::rethrow_exception(first);
}

// ---------------------------------------------------------------------------
// Runs

void TCustomPictureShow::Execute() {
  if (!hasPicture() || busy_) return;
  busy_ = true;
  ++runSerial_;
  const uint64_t run = runSerial_;
  std::weak_ptr<int> alive = alive_;
  bool started = false;
  try {
    prepare(started);
    if (alive.expired() || runSerial_ != run) return;
    if (!manual_ && !stopping_) runAnimation();
  } catch (...) {
    if (!alive.expired() && runSerial_ == run) abortRun(started);
    throw;
  }
}

// Ends a run that an exception broke off: the working bitmaps go, Busy is
// cleared and, when OnStart was fired, OnStop follows. The exception itself
// passes on to the caller.
void TCustomPictureShow::abortRun(bool started) {
  if (!busy_) return;
  if (thread_) {
    // Started just before the failure: it must not outlive the bitmaps.
    thread_->StopRunning();
    framePainted_.SetEvent();
    thread_->WaitFor();
    thread_.reset();
  }
  busy_ = false;
  ++runSerial_;
  fullPic_.reset();
  freeWork();
  {
    std::lock_guard<std::mutex> g(pendingLock_);
    pending_.clear();
  }
  if (!started || Destroying()) return;
  try {
    DoStop();
  } catch (...) {
    HandleMainThreadException(std::current_exception());
  }
}

// Copies rectangle R of Src (lying inside it) onto Dst of R's size, row by
// row; Src's pixels are only read.
static void CopyRectPixels(TBitmap* Dst, const TBitmap& Src, const TRect& R) {
  const size_t bytes = size_t(R.Width()) * 4;
  for (int y = 0; y < R.Height(); ++y) std::memcpy(Dst->ScanLine(y), Src.ScanLine(R.Top + y) + size_t(R.Left) * 4, bytes);
}

// The old picture onto the screen bitmap (its canvas locked by the caller).
void TCustomPictureShow::copyOld() {
  if (oldView_) {
    CopyRectPixels(screen_.get(), *oldView_, oldRect_);
    return;
  }
  CanvasLock ol(old_->Canvas());
  CopyPixels(screen_.get(), old_.get());
}

void TCustomPictureShow::prepare(bool& started) {
  fullPic_.reset();
  const int pw = picture_->Width(), ph = picture_->Height();
  pic_ = std::make_unique<TBitmap>();
  const TGraphic* g = picture_->Graphic();
  bool assigned = false;
  try {
    pic_->Assign(g);
    assigned = pic_->Width() == pw && pic_->Height() == ph;
  } catch (const EConvertError&) {
    assigned = false;
  }
  if (!assigned) {
    pic_ = std::make_unique<TBitmap>();
    pic_->SetSize(pw, ph);
    pic_->Fill(Color());
    pic_->Canvas()->Draw(0, 0, g);
  }
  // The see-through parts of a picture with alpha show the show's colour,
  // as the ground around the picture does; the effects work on its pixels.
  // (The picture then has pixels of its own: no offer scaled ahead from
  // the picture with alpha fits it.)
  pic_->FlattenAlpha(Color());
  // A picture the show stretches down is composed at the size shown: it is
  // scaled once, with the paint's own sampling, so the settled frame is
  // what the paint of the whole picture would show, and the run works on
  // the pixels shown only. A picture scaled ahead for this run is taken as
  // it is.
  const TPoint composed = ComposedSize(ComposeGeometry(), pw, ph, pic_->Transparent());
  if (composed.X != pw || composed.Y != ph) {
    std::unique_ptr<TBitmap> small;
    if (offerFits(*pic_, composed.X, composed.Y)) {
      small = std::make_unique<TBitmap>();
      small->Assign(offerScaled_.get());
      small->SetPixelFormat(pic_->PixelFormat());
    } else {
      small = ScaleForShow(*pic_, composed.X, composed.Y);
    }
    fullPic_ = std::move(pic_);
    pic_ = std::move(small);
  }
  offerWhole_.reset();
  offerScaled_.reset();
  W_ = pic_->Width();
  H_ = pic_->Height();

  // Where the picture is shown (client coordinates), as the picture
  // rectangle will place it.
  TRect D(0, 0, W_, H_);
  if (center_) D.Offset((ClientWidth() - W_) / 2, (ClientHeight() - H_) / 2);
  if (stretch_) D = stretchFine_ ? AspectFit(D, ClientRect()) : ClientRect();

  // A background laid as it is (LayBackground) is the old picture where the
  // new one will lie, pixel for pixel, when the picture is composed at the
  // size shown: the run reads it there, and the one copy made is the
  // screen's. Otherwise a background laid but not composed is composed now,
  // before the screen changes.
  oldView_.reset();
  std::unique_ptr<TBitmap> laid = std::move(laidBg_);
  const bool fromLaid = laid && laid->Width() == ClientWidth() && laid->Height() == ClientHeight() &&
                        D.Width() == W_ && D.Height() == H_ && D.Left >= 0 && D.Top >= 0 &&
                        D.Right <= laid->Width() && D.Bottom <= laid->Height();
  if (std::exchange(backPending_, false) && !fromLaid) {
    CanvasLock bl(back_->Canvas());
    composeBack();
  }

  // A screen cleared since the last run is taken back when the size stays:
  // it is written whole below before it is shown.
  if (screen_->Empty() && spareScreen_ && spareScreen_->Width() == W_ && spareScreen_->Height() == H_)
    screen_ = std::move(spareScreen_);
  spareScreen_.reset();
  {
    CanvasLock l(screen_->Canvas());
    screen_->SetSize(W_, H_);
  }
  updatePictureRect();

  if (fromLaid) {
    oldView_ = std::move(laid);
    oldRect_ = D;
    // The back buffer was not composed: a run that follows without a paint
    // composes it then.
    backPending_ = true;
    {
      CanvasLock l(screen_->Canvas());
      copyOld();
    }
    screenHoldsOld_ = true;
    finishPrepare(started);
    return;
  }

  // The old picture's bitmap is kept from run to run while the size stays:
  // it is written whole below, by the background's copy or by the colour.
  if (!old_ || old_->Width() != W_ || old_->Height() != H_) {
    old_ = std::make_unique<TBitmap>();
    old_->SetSize(W_, H_);
  }
  old_->Canvas()->Brush()->SetColor(Color());
  const bool fromBack = !bgStale_ && back_ && !back_->Empty() && D.Width() > 0 && D.Height() > 0;
  if (fromBack) {
    CanvasLock l(back_->Canvas());
    if (D.Left < 0 || D.Top < 0 || D.Right > back_->Width() || D.Bottom > back_->Height())
      old_->Fill(ColorToRGB(Color()));   // parts of D outside the background stay in the colour
    old_->Canvas()->CopyRect(TRect(0, 0, W_, H_), back_->Canvas(), D);
  } else {
    old_->Fill(ColorToRGB(Color()));
  }

  {
    // Until the first frame the display keeps what it showed.
    CanvasLock l(screen_->Canvas());
    CopyPixels(screen_.get(), old_.get());
  }
  screenHoldsOld_ = true;
  finishPrepare(started);
}

void TCustomPictureShow::finishPrepare(bool& started) {
  if (IsPixelStyle(style_)) {
    pic_->SetPixelFormat(pf32bit);
    screen_->SetPixelFormat(pf32bit);
  } else {
    screen_->SetPixelFormat(pfDevice);
  }
  progress_ = reverse_ ? 100 : 0;
  started = true;
  DoStart();
}

void TCustomPictureShow::runAnimation() {
  if (threaded_) startThread();
  else runLoop();
}

void TCustomPictureShow::startThread() {
  thread_ = std::make_unique<TAnimateThread>(this);
  thread_->serial_ = ++threadSerial_;
  thread_->Priority = threadPriority_;
  framePainted_.SetEvent();
  thread_->Start();
}

namespace {
bool Quitting() { return Application && Application->Terminated(); }
}  // namespace

void TCustomPictureShow::runLoop() {
  std::weak_ptr<int> alive = alive_;
  const uint64_t run = runSerial_;
  auto over = [&] { return alive.expired() || runSerial_ != run; };
  for (;;) {
    const int64_t t0 = GetTickCount64();
    const bool end = stepOnce();
    // A handler may have stopped the run (it is finished then) or freed
    // the control.
    if (over()) return;
    if (end) {
      if (!manual_) break;
    } else {
      if (!manual_) {
        // Messages are handled until the next frame is due (at least what
        // is pending now); a handler may stop the run meanwhile.
        const int64_t left = std::max<int64_t>(0, t0 + int64_t(delay_) - int64_t(GetTickCount64()));
        WaitFor([&] { return over() || Quitting(); }, int(std::min<int64_t>(left, INT32_MAX)));
        if (over()) return;
      }
      if (Quitting() && !manual_) {
        // The program is quitting: the run ends where it is.
        stopping_ = true;
        try {
          finish(false);
        } catch (...) {
          stopping_ = false;
          throw;
        }
        stopping_ = false;
        return;
      }
    }
    if (manual_) return;   // the caller drives the run from here
  }
  finish(false);
}

// Stops the worker thread and handles its end at once. False when no
// thread was running.
bool TCustomPictureShow::stopThread() {
  if (!thread_) return false;
  thread_->StopRunning();
  framePainted_.SetEvent();
  thread_->WaitFor();
  animationDone();
  return true;
}

void TCustomPictureShow::animationDone() {
  if (!thread_) return;
  thread_->WaitFor();
  std::exception_ptr failure = thread_->error_;
  thread_.reset();
  std::exception_ptr handlerError;
  try {
    drainPending();
  } catch (...) {
    handlerError = std::current_exception();
  }
  if (failure || !(manual_ && !stopping_)) {
    try {
      finish(bool(failure));
    } catch (...) {
      if (!handlerError) handlerError = std::current_exception();
    }
  }
  if (Destroying()) return;
  if (failure) HandleMainThreadException(failure);
  if (handlerError) HandleMainThreadException(handlerError);
}

void TCustomPictureShow::freeWork() {
  pic_.reset();   // the old picture's bitmap stays for the next run of its size
  oldView_.reset();
}

void TCustomPictureShow::finish(bool failed) {
  if (!busy_) return;
  busy_ = false;
  ++runSerial_;
  // The whole picture is kept only while the screen shows it settled.
  if (failed || progress_ != 100) fullPic_.reset();
  freeWork();
  fitScreen();
  {
    std::lock_guard<std::mutex> g(pendingLock_);
    pending_.clear();
  }
  if (Destroying()) return;
  std::exception_ptr first;
  if (!stopping_ && !failed) {
    try {
      DoComplete();
    } catch (...) {
      first = std::current_exception();
    }
  }
  DoStop();
  if (first) std::rethrow_exception(first);
}

void TCustomPictureShow::Stop() {
  if (!TThread::IsMainThread()) {
    // From a frame hook on the worker: it takes no further step, and the
    // main thread stops the run.
    if (currentWorker && currentWorker->show_ == this) currentWorker->StopRunning();
    std::weak_ptr<int> alive = alive_;
    TThread::Queue([alive, this] {
      if (!alive.expired()) Stop();
    });
    return;
  }
  if (!busy_ || stopping_) return;
  stopping_ = true;
  struct Reset {
    bool& f;
    ~Reset() { f = false; }
  } reset{stopping_};
  if (manual_ || !thread_) finish(false);
  else stopThread();
}

void TCustomPictureShow::Clear() {
  if (busy_ || screen_->Empty()) return;
  // No run, so no frame is being composed; its pixels serve the next run.
  fullPic_.reset();
  spareScreen_ = std::move(screen_);
  screen_ = std::make_unique<TBitmap>();
  if (repaintAllowed()) Invalidate();
}

// ---------------------------------------------------------------------------
// Events

void TCustomPictureShow::DoChange() { if (OnChange) OnChange(this); }
void TCustomPictureShow::DoProgress() { if (OnProgress) OnProgress(this); }
void TCustomPictureShow::DoCustomDraw(TBitmap* APicture, TBitmap* AScreen) {
  if (OnCustomDraw) OnCustomDraw(this, APicture, AScreen);
}
void TCustomPictureShow::DoBeforeNewFrame(TBitmap* APicture, TBitmap* AScreen) {
  if (OnBeforeNewFrame) OnBeforeNewFrame(this, APicture, AScreen);
}
void TCustomPictureShow::DoAfterNewFrame(TBitmap* APicture, TBitmap* AScreen) {
  if (OnAfterNewFrame) OnAfterNewFrame(this, APicture, AScreen);
}
void TCustomPictureShow::DoComplete() { if (OnComplete) OnComplete(this); }
void TCustomPictureShow::DoStart() { if (OnStart) OnStart(this); }
void TCustomPictureShow::DoStop() { if (OnStop) OnStop(this); }

// ---------------------------------------------------------------------------
// Geometry and painting

TRect TCustomPictureShow::AspectFit(const TRect& S, const TRect& T) {
  const int sw = S.Width(), sh = S.Height(), tw = T.Width(), th = T.Height();
  if (sw <= 0 || sh <= 0) return T;
  const double rx = double(tw) / sw, ry = double(th) / sh;
  int w, h;
  if (ry < rx) {
    w = MulDiv(sw, th, sh);
    h = th;
  } else {
    w = tw;
    h = MulDiv(sh, tw, sw);
  }
  const int l = T.Left + (tw - w) / 2, t = T.Top + (th - h) / 2;
  return TRect(l, t, l + w, t + h);
}

TRect TCustomPictureShow::stretchTarget(int w, int h) const {
  return stretchFine_ ? AspectFit(TRect(0, 0, w, h), ClientRect()) : ClientRect();
}

TCustomPictureShow::TComposeGeometry TCustomPictureShow::ComposeGeometry() const {
  TComposeGeometry g;
  g.Client = ClientRect();
  g.Stretch = stretch_;
  g.StretchFine = stretchFine_;
  return g;
}

TPoint TCustomPictureShow::ComposedSize(const TComposeGeometry& G, int W, int H, bool Transparent) {
  const TRect shown = G.StretchFine ? AspectFit(TRect(0, 0, W, H), G.Client) : G.Client;
  const int sw = shown.Width(), sh = shown.Height();
  if (G.Stretch && !Transparent && sw > 0 && sh > 0 && sw <= W && sh <= H && (sw < W || sh < H)) return TPoint(sw, sh);
  return TPoint(W, H);
}

std::unique_ptr<TBitmap> TCustomPictureShow::ScaleForShow(const TBitmap& Whole, int W, int H) {
  auto small = std::make_unique<TBitmap>();
  small->SetPixelFormat(Whole.PixelFormat());
  small->SetSize(W, H);
  small->Canvas()->StretchDraw(TRect(0, 0, W, H), &Whole);
  return small;
}

void TCustomPictureShow::OfferScaled(const TBitmap& Whole, std::shared_ptr<const TBitmap> Scaled) {
  offerWhole_.reset();
  offerScaled_.reset();
  if (!Scaled || Whole.Empty()) return;
  offerWhole_ = std::make_unique<TBitmap>();
  offerWhole_->Assign(&Whole);   // shares the pixels, so they cannot change under the offer
  offerScaled_ = std::move(Scaled);
}

void TCustomPictureShow::ReserveScreen(int W, int H) {
  if (busy_ || W <= 0 || H <= 0 || !screen_->Empty()) return;
  if (spareScreen_ && spareScreen_->Width() == W && spareScreen_->Height() == H) return;
  spareScreen_ = std::make_unique<TBitmap>(W, H);
}

// The offer is for Picture (the very same pixels: any change to either
// would have given it pixels of its own) composed at W x H.
bool TCustomPictureShow::offerFits(const TBitmap& Picture, int W, int H) const {
  if (!offerWhole_ || !offerScaled_ || Picture.Empty()) return false;
  const TBitmap& whole = *offerWhole_;
  return whole.Width() == Picture.Width() && whole.Height() == Picture.Height() &&
         whole.ScanLine(0) == Picture.ScanLine(0) && offerScaled_->Width() == W && offerScaled_->Height() == H;
}

// A settled picture composed at the size shown goes back to its whole
// pixels once it is no longer shown at that size (the show resized, the
// stretch turned off): the paint then scales it as it always did.
void TCustomPictureShow::fitScreen() {
  if (busy_ || !fullPic_) return;
  const TRect t = stretchTarget(fullPic_->Width(), fullPic_->Height());
  if (stretch_ && t.Width() == screen_->Width() && t.Height() == screen_->Height()) return;
  {
    CanvasLock l(screen_->Canvas());
    screen_->SetSize(fullPic_->Width(), fullPic_->Height());
    CopyPixels(screen_.get(), fullPic_.get());
  }
  fullPic_.reset();
  updatePictureRect();
  if (repaintAllowed()) Invalidate();
}

void TCustomPictureShow::updatePictureRect() {
  if (screen_->Empty()) {
    picRect_ = TRect();
    return;
  }
  const int w = screen_->Width(), h = screen_->Height();
  picRect_ = TRect(0, 0, w, h);
  if (center_) picRect_.Offset((ClientWidth() - w) / 2, (ClientHeight() - h) / 2);
}

TRect TCustomPictureShow::FrameToClient(const TRect& R) const {
  if (stretch_) {
    const TRect T = stretchFine_ ? AspectFit(picRect_, ClientRect()) : ClientRect();
    const int pw = picRect_.Width(), ph = picRect_.Height();
    if (pw <= 0 || ph <= 0) return TRect();
    return TRect(MulDiv(R.Left, T.Width(), pw) + T.Left, MulDiv(R.Top, T.Height(), ph) + T.Top,
                 MulDiv(R.Right, T.Width(), pw) + T.Left, MulDiv(R.Bottom, T.Height(), ph) + T.Top);
  }
  TRect r = R;
  if (center_) r.Offset(picRect_.Left, picRect_.Top);
  TRect out;
  if (!IntersectRect(out, r, picRect_)) return TRect();
  return out;
}

void TCustomPictureShow::Resize() {
  offerWhole_.reset();
  offerScaled_.reset();
  {
    CanvasLock l(back_->Canvas());
    back_->SetSize(std::max(ClientWidth(), 0), std::max(ClientHeight(), 0));
  }
  fitScreen();
  if (hasPicture()) {
    updatePictureRect();
    if (!screen_->Empty() && repaintAllowed()) Invalidate();
  }
  reserveScreen();
  TCustomControl::Resize();
}

// A run composed at the size of the client area (a picture the show fits
// to it) finds its screen bitmap made, written once so that its pages are
// there: made from the event loop once the size has settled, unless a
// screen of that size is at hand. A frame is a large block, which a first
// run would otherwise map and fault in page by page while it composes.
void TCustomPictureShow::reserveScreen() {
  if (reserveQueued_) return;
  reserveQueued_ = true;
  std::weak_ptr<int> alive = alive_;
  TThread::Queue([this, alive] {
    if (alive.expired()) return;
    reserveQueued_ = false;
    const int w = ClientWidth(), h = ClientHeight();
    if (busy_ || w <= 0 || h <= 0 || Destroying()) return;
    const auto fits = [w, h](const std::unique_ptr<TBitmap>& b) { return b && b->Width() == w && b->Height() == h; };
    if (fits(screen_) || fits(spareScreen_)) return;
    spareScreen_ = std::make_unique<TBitmap>(w, h);
  });
}

void TCustomPictureShow::Paint() {
  if (inPaint_) return;
  inPaint_ = true;
  // The frame-painted event is set where each composed frame is handed to
  // the main thread (presentFrame), after its repaint and OnProgress, so that
  // an unrelated repaint never lets the worker run ahead of its reports.
  struct Done {
    bool& f;
    ~Done() { f = false; }
  } done{inPaint_};

  CanvasLock bl(back_->Canvas());
  composeBack();
  Canvas()->Draw(0, 0, back_.get());
  bl.Release();
  bgStale_ = false;
  // What a run starts from is what was painted now.
  laidBg_.reset();
  backPending_ = false;
}

void TCustomPictureShow::LayBackground() {
  bgStale_ = false;
  laidBg_.reset();
  // Nothing shown, and a background bitmap stretched over the client area at
  // its own size: the client area is that bitmap, which is held (sharing its
  // pixels) instead of being composed.
  const auto* bg = dynamic_cast<const TBitmap*>(bgPicture_->Graphic());
  if (screen_->Empty() && bgMode_ == bmStretched && bg && !bg->Empty() && !bg->Transparent() &&
      bg->Width() == ClientWidth() && bg->Height() == ClientHeight() && !ComponentState().Contains(csDesigning)) {
    laidBg_ = std::make_unique<TBitmap>();
    laidBg_->Assign(bg);
    backPending_ = true;
    return;
  }
  backPending_ = false;
  CanvasLock bl(back_->Canvas());
  composeBack();
}

// The whole client area in the back buffer (its canvas locked by the
// caller): the colour, the background, the shown picture. What the shown
// picture covers is not drawn under it, nor the colour under a background
// stretched over everything.
void TCustomPictureShow::composeBack() {
  const TRect client = ClientRect();
  if (back_->Width() != client.Width() || back_->Height() != client.Height())
    back_->SetSize(client.Width(), client.Height());
  TCanvas* bc = back_->Canvas();

  const bool shown = !screen_->Empty();
  const TRect target = !stretch_ ? Bounds(picRect_.Left, picRect_.Top, screen_->Width(), screen_->Height())
                       : stretchFine_ ? AspectFit(picRect_, client)
                                      : client;
  const bool covered = shown && target.Left <= client.Left && target.Top <= client.Top &&
                       target.Right >= client.Right && target.Bottom >= client.Bottom;
  const TGraphic* bg = bgPicture_->Graphic();
  const bool hasBg = bg && !bg->Empty() && bgMode_ != bmNone;

  if (!covered && !(hasBg && bgMode_ == bmStretched && !bg->Transparent())) {
    bc->Brush()->SetColor(Color());
    bc->Brush()->SetStyle(bsSolid);
    bc->FillRect(client);
  }

  if (hasBg && !covered) {
    const int gw = bg->Width(), gh = bg->Height();
    switch (bgMode_) {
      case bmTiled: {
        const int rows = client.Height() / gh + 1, cols = client.Width() / gw + 1;
        for (int r = 1; r <= rows; ++r)
          for (int c = 1; c <= cols; ++c) bc->Draw(client.Left + gw * (c - 1), client.Top + gh * (r - 1), bg);
        break;
      }
      case bmStretched: bc->StretchDraw(client, bg); break;
      case bmCentered: bc->Draw((client.Width() - gw) / 2, (client.Height() - gh) / 2, bg); break;
      case bmNone: break;
    }
  }

  if (shown) {
    CanvasLock sl(screen_->Canvas());
    if (stretch_) bc->StretchDraw(target, screen_.get());
    else bc->Draw(picRect_.Left, picRect_.Top, screen_.get());
  }

  if (ComponentState().Contains(csDesigning)) {
    bc->Pen()->SetStyle(psDash);
    bc->Brush()->SetStyle(bsClear);
    bc->Rectangle(client);
  }
}
