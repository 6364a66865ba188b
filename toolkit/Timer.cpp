#include "toolkit/Timer.h"

#include <QCoreApplication>
#include <QTimer>

#include "toolkit/Controls.h"

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
  timer_ = new QTimer();
  timer_->setTimerType(Qt::PreciseTimer);
  QObject::connect(timer_, &QTimer::timeout, timer_, [this] {
    if (inTimer_) return;
    inTimer_ = true;
    std::weak_ptr<int> alive = alive_;
    DispatchEvent([this] { Timer(); });
    // The handler may have freed the timer.
    if (!alive.expired()) inTimer_ = false;
  });
  update();
}

TTimer::~TTimer() {
  QTimer* t = timer_;
  timer_ = nullptr;
  t->stop();
  QObject::disconnect(t, nullptr, nullptr, nullptr);
  // The timer may be freed by its own handler: the Qt object goes later.
  t->deleteLater();
}

void TTimer::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  update();
}

void TTimer::SetInterval(int v) {
  if (v < 0) v = 0;
  if (v == interval_) return;
  interval_ = v;
  update();
}

bool TTimer::Active() const { return timer_ && timer_->isActive(); }

void TTimer::Timer() {
  if (OnTimer) OnTimer(this);
}

void TTimer::update() {
  if (!timer_) return;
  timer_->stop();
  // Timers need the application object; a timer made before it starts when
  // it is next set.
  if (enabled_ && interval_ > 0 && QCoreApplication::instance()) timer_->start(interval_);
}
