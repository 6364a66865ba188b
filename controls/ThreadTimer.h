#pragma once
// A timer with the interface of TTimer whose ticks may come from a worker
// thread of its own (TTimerThread) instead of a window timer, so that its
// period does not depend on the message loop's timers. Either way OnTimer runs
// on the main thread.
//
// The worker never gets suspended: it waits on a condition variable for the
// interval, and every rebuild of the timer bumps a generation and wakes it, so
// a new Interval starts a fresh wait. A tick reaches the main thread as a
// queued call that the worker waits for; the call checks the generation there,
// so a tick handed over before a change (or before the timer was freed) does
// nothing.
#include <cstdint>
#include <memory>
#include "toolkit/Classes.h"

class TTimer;
class TThreadTimer;

// The worker thread of a TThreadTimer. Its state lives in a block shared with
// the owner and with ticks on their way to the main thread.
class TTimerThread : public TThread {
 public:
  struct Shared;
  explicit TTimerThread(TThreadTimer* AOwner);
  ~TTimerThread() override;   // stops, wakes and joins the worker
  // Sets the stop flag and wakes the worker; it delivers no further tick.
  void Stop();
  // Pauses delivery (a fresh generation; ticks in flight are dropped).
  void Pause();
  // Delivers a tick every IntervalMs after the end of the previous one.
  void Run(uint32_t IntervalMs);
  std::shared_ptr<Shared> State() const { return shared_; }

 protected:
  void Execute() override;

 private:
  // Runs on the main thread: the tick of generation gen, unless the timer was
  // rebuilt, stopped or freed since it was handed over.
  static void Deliver(const std::shared_ptr<Shared>& s, uint64_t gen);
  std::shared_ptr<Shared> shared_;
};

class TThreadTimer : public TComponent {
 public:
  explicit TThreadTimer(TComponent* AOwner);
  ~TThreadTimer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  uint32_t Interval() const { return interval_; }   // milliseconds; 0 delivers nothing
  void SetInterval(uint32_t v);
  bool Threaded() const { return threaded_; }
  void SetThreaded(bool v);
  // Kept as data: Linux gives ordinary threads no priorities to choose.
  TThreadPriority ThreadPriority() const { return priority_; }
  void SetThreadPriority(TThreadPriority v);
  const TNotifyEvent& OnTimer() const { return onTimer_; }
  void SetOnTimer(TNotifyEvent e);

  // Toolkit internals for tests: whether a worker or a window timer exists.
  bool HasWorker() const { return thread_ != nullptr; }
  bool HasWindowTimer() const { return windowTimer_ != nullptr; }
  String ClassName() const override { return "TThreadTimer"; }

 protected:
  // Fires OnTimer when Enabled and a handler is assigned.
  virtual void Timer();

 private:
  friend class TTimerThread;
  void UpdateTimer();
  bool enabled_ = true, threaded_ = true;
  uint32_t interval_ = 1000;
  TThreadPriority priority_ = tpNormal;
  TNotifyEvent onTimer_;
  std::unique_ptr<TTimerThread> thread_;
  std::unique_ptr<TTimer> windowTimer_;
};
