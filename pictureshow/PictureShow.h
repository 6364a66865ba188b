#pragma once
// The picture show: a control that shows one picture and replaces it by a new
// one through a stepped transition effect, on a worker thread of its own or in
// a loop that pumps the message queue between frames, or driven by hand
// through Progress.
#include <atomic>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include "pictureshow/ShowEffects.h"
#include "toolkit/Classes.h"
#include "toolkit/Controls.h"
#include "toolkit/Graphics.h"

enum TBackgroundMode { bmNone, bmTiled, bmStretched, bmCentered };

// 0 = custom drawing through OnCustomDraw; 1..150 = entry of EffectTable.
using TShowStyle = uint8_t;

using TCustomDrawEvent = std::function<void(TObject* Sender, TBitmap* Picture, TBitmap* Screen)>;

// Marker for design tools; carries nothing.
class TAbout {};

class TCustomPictureShow;

// The worker of a threaded run.
class TAnimateThread : public TThread {
 public:
  explicit TAnimateThread(TCustomPictureShow* Show);
  // Set when the loop has begun.
  bool Started() const { return started_.load(); }
  // Terminates the loop and wakes it from its wait between frames.
  void StopRunning();
  String ClassName() const override { return "TAnimateThread"; }

 protected:
  void Execute() override;

 private:
  friend class TCustomPictureShow;
  TCustomPictureShow* show_;
  std::atomic<bool> started_{false};
  TEvent wake_{true, false};      // interrupts the pause between frames
  std::exception_ptr error_;      // what ended the loop abnormally, if anything
  uint64_t serial_ = 0;
};

class TCustomPictureShow : public TCustomControl {
 public:
  explicit TCustomPictureShow(TComponent* AOwner);
  ~TCustomPictureShow() override;

  // The picture to show next; SetPicture assigns (nullptr clears).
  TPicture* Picture() const { return picture_.get(); }
  void SetPicture(const TPicture* v) { picture_->Assign(v); }
  TPicture* BgPicture() const { return bgPicture_.get(); }
  void SetBgPicture(const TPicture* v) { bgPicture_->Assign(v); }
  TBackgroundMode BgMode() const { return bgMode_; }
  void SetBgMode(TBackgroundMode v);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);
  bool Center() const { return center_; }
  void SetCenter(bool v);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool v);
  bool StretchFine() const { return stretchFine_; }
  void SetStretchFine(bool v);
  bool Threaded() const { return threaded_; }
  void SetThreaded(bool v) { threaded_ = v; }
  TThreadPriority ThreadPriority() const { return threadPriority_; }
  void SetThreadPriority(TThreadPriority v) { threadPriority_ = v; }
  bool Manual() const { return manual_.load(); }
  void SetManual(bool v);
  TShowStyle Style() const { return TShowStyle(style_.load()); }
  void SetStyle(int v);
  String StyleName() const;
  void SetStyleName(const String& v);
  uint16_t Step() const { return step_.load(); }
  void SetStep(int v);
  uint16_t Delay() const { return delay_.load(); }
  void SetDelay(uint16_t v) { delay_ = v; }
  uint8_t Progress() const { return uint8_t(progress_.load()); }
  void SetProgress(int v);
  bool Reverse() const { return reverse_.load(); }
  void SetReverse(bool v) { reverse_ = v; }
  bool Busy() const { return busy_.load(); }

  // Starts a transition from what is on display to Picture.
  virtual void Execute();
  // Ends a running transition at once; the display keeps the last frame.
  // Called on the worker (from a frame hook) it is carried out by the main
  // thread.
  virtual void Stop();
  // Empties the display when no transition runs.
  virtual void Clear();
  // Lays the client area as the next paint shows it (colour, background,
  // shown picture) without painting the window: the next run starts from
  // it. A background bitmap that alone fills the client area at its own
  // size is held as it is, and the run reads its old picture there.
  void LayBackground();

  // What decides the size a run composes a picture at: a picture the show
  // stretches down is composed at the size shown, any other at its own.
  struct TComposeGeometry {
    TRect Client;
    bool Stretch = false, StretchFine = false;
  };
  TComposeGeometry ComposeGeometry() const;
  // The size a picture of W x H is composed at (on any thread).
  static TPoint ComposedSize(const TComposeGeometry& G, int W, int H, bool Transparent);
  // Whole scaled to W x H as a run scales it (on any thread).
  static std::unique_ptr<TBitmap> ScaleForShow(const TBitmap& Whole, int W, int H);
  // A picture scaled ahead (ScaleForShow) for a coming run: the run whose
  // picture holds Whole's very pixels and is composed at Scaled's size takes
  // Scaled instead of scaling; a resize, another picture or another run
  // drops it.
  void OfferScaled(const TBitmap& Whole, std::shared_ptr<const TBitmap> Scaled);
  // Makes the screen bitmap of a coming run composed at W x H now, when the
  // show shows nothing and has none of that size at hand (the run would
  // otherwise map a frame and fault it in while it composes).
  void ReserveScreen(int W, int H);

  TNotifyEvent OnChange;
  TNotifyEvent OnProgress;          // always on the main thread
  TNotifyEvent OnComplete;
  // The frame hooks run where the frame is composed, which is the worker
  // thread on a threaded run: they may touch only the two bitmaps.
  TCustomDrawEvent OnCustomDraw;
  TCustomDrawEvent OnBeforeNewFrame;
  TCustomDrawEvent OnAfterNewFrame;
  TNotifyEvent OnStart;
  TNotifyEvent OnStop;

  String ClassName() const override { return "TCustomPictureShow"; }

 protected:
  virtual void DoChange();
  virtual void DoProgress();
  virtual void DoCustomDraw(TBitmap* APicture, TBitmap* AScreen);
  virtual void DoBeforeNewFrame(TBitmap* APicture, TBitmap* AScreen);
  virtual void DoAfterNewFrame(TBitmap* APicture, TBitmap* AScreen);
  virtual void DoComplete();
  virtual void DoStart();
  virtual void DoStop();
  void Paint() override;
  void Resize() override;

  // The picture rectangle: where the screen bitmap lies in the client area
  // without stretching.
  TRect PictureRect() const { return picRect_; }
  // A rectangle of the screen bitmap in client coordinates, as invalidated
  // after a frame.
  TRect FrameToClient(const TRect& R) const;
  // The fit of S in T keeping S's proportions, centred.
  static TRect AspectFit(const TRect& S, const TRect& T);
  // The frame on display (picture coordinates).
  TBitmap* ScreenBitmap() const { return screen_.get(); }

 private:
  friend class TAnimateThread;
  struct PendingFrame { TRect R; };

  bool hasPicture() const;
  void pictureChanged();
  void bgPictureChanged();
  void adjustSize();
  void updatePictureRect();
  TRect stretchTarget(int w, int h) const;
  void fitScreen();
  void prepare(bool& started);
  void reserveScreen();
  void finishPrepare(bool& started);
  void copyOld();
  void runAnimation();
  void runLoop();
  void startThread();
  bool stopThread();
  void animationDone();
  void finish(bool failed);
  void abortRun(bool started);
  void freeWork();
  bool stepOnce();
  bool storeProgressLocked(int v);
  void composeFrame();
  void composeBack();
  void frameDone(bool onWorker);
  void presentFrame(const TRect& R);
  void drainPending();
  bool repaintAllowed() const { return !inPaint_; }

  std::unique_ptr<TPicture> picture_, bgPicture_;
  TBackgroundMode bgMode_ = bmTiled;
  bool autoSize_ = true, center_ = false, stretch_ = false, stretchFine_ = false, threaded_ = true;
  TThreadPriority threadPriority_ = tpNormal;
  std::atomic<bool> manual_{false}, reverse_{false}, busy_{false};
  std::atomic<int> style_{51}, progress_{0};
  std::atomic<uint16_t> step_{4}, delay_{40};

  std::unique_ptr<TBitmap> screen_, back_, old_, pic_;
  std::unique_ptr<TBitmap> spareScreen_;
  bool reserveQueued_ = false;
  // The whole picture of a run composed at the size shown, while the
  // screen shows it settled.
  std::unique_ptr<TBitmap> fullPic_;   // a cleared screen, kept for the next run
  // The picture scaled ahead (OfferScaled): the whole one, sharing its
  // pixels, and the scaled one.
  std::unique_ptr<TBitmap> offerWhole_;
  std::shared_ptr<const TBitmap> offerScaled_;
  bool offerFits(const TBitmap& Picture, int W, int H) const;
  TRect picRect_;
  std::unique_ptr<TAnimateThread> thread_;
  uint64_t threadSerial_ = 0;
  bool inPaint_ = false, stopping_ = false, bgStale_ = true;
  // The screen bitmap holds the old picture's pixels, unchanged since the
  // run was prepared: the first frame need not copy them again.
  bool screenHoldsOld_ = false;
  // The background laid by LayBackground, held (its pixels shared) in place
  // of composing the back buffer, which is then composed only when needed
  // (backPending_).
  std::unique_ptr<TBitmap> laidBg_;
  bool backPending_ = false;
  // A run's old picture read from the laid background: rectangle oldRect_
  // of oldView_ (in place of old_).
  std::unique_ptr<TBitmap> oldView_;
  TRect oldRect_;
  int W_ = 0, H_ = 0;
  TCriticalSection lock_;
  TEvent framePainted_{true, true};
  // Frames composed on the worker whose painting and OnProgress are still to
  // be done by the main thread.
  std::mutex pendingLock_;
  std::deque<PendingFrame> pending_;
  // Generator of the effects' jitter and random squares, owned per show.
  TEffectRandom random_{0x5EED};
  // Changes whenever a run starts or finishes, so that a loop or a queued
  // call can tell that its run is over.
  uint64_t runSerial_ = 0;
  // Expires when the control is destroyed; queued calls and the pumping loop
  // hold weak references.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

class TPictureShow : public TCustomPictureShow {
 public:
  explicit TPictureShow(TComponent* AOwner) : TCustomPictureShow(AOwner) {}
  TAbout About;
  String ClassName() const override { return "TPictureShow"; }
};
