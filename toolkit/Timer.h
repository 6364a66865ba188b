#pragma once
// TTimer: runs OnTimer every Interval milliseconds on the main thread while
// Enabled; an interval of 0 stops it. An exception escaping OnTimer is shown by
// Application->HandleException and the timer goes on. A tick that comes due
// while the handler is still running (it pumps messages) is skipped.
#include <memory>
#include "toolkit/Classes.h"

class QTimer;

class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  int Interval() const { return interval_; }   // milliseconds
  void SetInterval(int v);
  TNotifyEvent OnTimer;
  // Whether the timer is counting now (enabled, interval above 0).
  bool Active() const;
  String ClassName() const override { return "TTimer"; }

 protected:
  virtual void Timer();

 private:
  void update();
  QTimer* timer_ = nullptr;
  bool enabled_ = true, inTimer_ = false;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
  int interval_ = 1000;
};
