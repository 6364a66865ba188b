// The messages of a status panel (see the header).
#include "console/StatusQueue.h"
#include <algorithm>
#include "toolkit/Timer.h"

TStatusQueue::TStatusQueue(std::function<void(const String&)> Show)
    : show_(std::move(Show)), timer_(std::make_unique<TTimer>(nullptr)) {
  timer_->SetEnabled(false);
  timer_->OnTimer = [this](TObject*) { due(); };
}

TStatusQueue::~TStatusQueue() = default;

void TStatusQueue::Post(const String& Text) {
  if ((showing_ && shown_ == Text && waiting_.empty()) ||
      std::find(waiting_.begin(), waiting_.end(), Text) != waiting_.end())
    return;
  if (!showing_ || GetTickCount64() - shownAt_ >= minShowMs_) {
    show(Text);
    return;
  }
  if (waiting_.size() >= MaxWaiting) waiting_.erase(waiting_.begin());
  waiting_.push_back(Text);
  arm();
}

void TStatusQueue::Clear(const String& Text) {
  std::erase(waiting_, Text);
  if (!showing_ || shown_ != Text) return arm();
  showing_ = false;
  show_("");
  next();
}

void TStatusQueue::SetMinShowMs(int Ms) {
  minShowMs_ = std::max(Ms, 0);
  arm();
}

void TStatusQueue::show(const String& Text) {
  shown_ = Text;
  showing_ = true;
  shownAt_ = GetTickCount64();
  show_(Text);
  arm();
}

void TStatusQueue::next() {
  if (waiting_.empty()) return arm();
  const String text = waiting_.front();
  waiting_.erase(waiting_.begin());
  show(text);
}

void TStatusQueue::arm() {
  timer_->SetEnabled(false);
  if (waiting_.empty()) return;
  const int64_t left = showing_ ? shownAt_ + minShowMs_ - GetTickCount64() : 0;
  timer_->SetInterval(int(std::clamp<int64_t>(left, 1, minShowMs_ + 1)));   // 0 would stop it
  timer_->SetEnabled(true);
}

void TStatusQueue::due() {
  timer_->SetEnabled(false);
  if (showing_ && GetTickCount64() - shownAt_ < minShowMs_) return arm();
  next();
}
