#include "controls/ThreadTimer.h"

#include <chrono>
#include <climits>

#include "toolkit/Controls.h"
#include "toolkit/Timer.h"

// Everything the worker, the owner and the ticks on their way share; all of it
// under one lock.
struct TTimerThread::Shared {
  std::mutex m;
  std::condition_variable cv;
  TThreadTimer* owner = nullptr;   // read on the main thread only
  bool stop = false;               // no tick is ever delivered again
  bool running = false;            // ticks are wanted
  uint32_t interval = 0;
  uint64_t generation = 0;         // bumped by every rebuild
  bool tickPending = false;        // a tick handed to the main thread has not run yet
};

void TTimerThread::Deliver(const std::shared_ptr<Shared>& s, uint64_t gen) {
  TThreadTimer* owner = nullptr;
  {
    std::lock_guard<std::mutex> g(s->m);
    // Without an event loop a queued call runs where it was queued: no tick
    // may reach the handler from the worker.
    if (TThread::IsMainThread() && !s->stop && s->running && s->generation == gen) owner = s->owner;
  }
  // An exception in the handler is shown and the timer goes on.
  if (owner) DispatchEvent([owner] { owner->Timer(); });
  {
    std::lock_guard<std::mutex> g(s->m);
    s->tickPending = false;
  }
  s->cv.notify_all();
}

TTimerThread::TTimerThread(TThreadTimer* AOwner) : TThread(false), shared_(std::make_shared<Shared>()) {
  shared_->owner = AOwner;
  Priority = AOwner->ThreadPriority();
  Start();
}

TTimerThread::~TTimerThread() {
  Stop();
  Terminate();
  WaitFor();
}

void TTimerThread::Stop() {
  {
    std::lock_guard<std::mutex> g(shared_->m);
    shared_->stop = true;
    shared_->running = false;
    shared_->owner = nullptr;
    ++shared_->generation;
  }
  shared_->cv.notify_all();
}

void TTimerThread::Pause() {
  {
    std::lock_guard<std::mutex> g(shared_->m);
    shared_->running = false;
    ++shared_->generation;
  }
  shared_->cv.notify_all();
}

void TTimerThread::Run(uint32_t IntervalMs) {
  {
    std::lock_guard<std::mutex> g(shared_->m);
    shared_->interval = IntervalMs;
    shared_->running = IntervalMs > 0;
    ++shared_->generation;
  }
  shared_->cv.notify_all();
}

void TTimerThread::Execute() {
  std::shared_ptr<Shared> s = shared_;
  std::unique_lock<std::mutex> lk(s->m);
  while (!s->stop) {
    if (!s->running) {
      s->cv.wait(lk, [&] { return s->stop || s->running; });
      continue;
    }
    // A full interval without a rebuild, then one tick.
    const uint64_t gen = s->generation;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(s->interval);
    if (s->cv.wait_until(lk, deadline, [&] { return s->stop || s->generation != gen; })) continue;
    s->tickPending = true;
    lk.unlock();
    TThread::Queue([s, gen] { Deliver(s, gen); });
    lk.lock();
    // The next interval counts from the end of this tick's call.
    s->cv.wait(lk, [&] { return s->stop || !s->tickPending; });
  }
}

// ---------------------------------------------------------------------------

TThreadTimer::TThreadTimer(TComponent* AOwner) : TComponent(AOwner) { UpdateTimer(); }

TThreadTimer::~TThreadTimer() {
  BeginDestroy();
  enabled_ = false;
  try {
    UpdateTimer();
  } catch (...) {
  }
  if (thread_) thread_->Stop();
  thread_.reset();   // wakes and joins the worker
  windowTimer_.reset();
}

void TThreadTimer::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  UpdateTimer();
}

void TThreadTimer::SetInterval(uint32_t v) {
  if (v == interval_) return;
  interval_ = v;
  UpdateTimer();
}

void TThreadTimer::SetThreaded(bool v) {
  if (v == threaded_) return;
  threaded_ = v;
  UpdateTimer();
}

void TThreadTimer::SetThreadPriority(TThreadPriority v) {
  if (v == priority_) return;
  priority_ = v;
  if (threaded_) UpdateTimer();
}

void TThreadTimer::SetOnTimer(TNotifyEvent e) {
  onTimer_ = std::move(e);
  UpdateTimer();
}

void TThreadTimer::Timer() {
  if (enabled_ && onTimer_) onTimer_(this);
}

void TThreadTimer::UpdateTimer() {
  // The worker delivers nothing while the timer is rebuilt.
  if (thread_) thread_->Pause();
  // The window timer stops.
  if (windowTimer_) windowTimer_->SetEnabled(false);
  // The mode's source of ticks exists, the other one goes.
  if (threaded_) {
    windowTimer_.reset();
    if (!thread_) thread_ = std::make_unique<TTimerThread>(this);
  } else {
    if (thread_) thread_->Stop();
    thread_.reset();
    if (!windowTimer_) {
      windowTimer_ = std::make_unique<TTimer>(nullptr);
      windowTimer_->SetEnabled(false);
      windowTimer_->OnTimer = [this](TObject*) { Timer(); };
    }
  }
  // Ticks only with an interval, enabled and with a handler.
  if (interval_ == 0 || !enabled_ || !onTimer_) return;
  if (threaded_) {
    thread_->Priority = priority_;
    thread_->Run(interval_);
  } else {
    windowTimer_->SetInterval(int(std::min<uint32_t>(interval_, INT_MAX)));
    windowTimer_->SetEnabled(true);
    if (!windowTimer_->Active()) throw EOutOfResources("Not enough timers available");
  }
}
