#pragma once
// The messages of a status panel, one at a time. Each message shown stays at
// least MinShowMs before the next waiting one takes its place; the last one
// stays until it is replaced or no longer holds. A message already waiting,
// or shown with none waiting, is not repeated; with more than MaxWaiting
// waiting the oldest waiting ones give way. One single-shot timer is armed for
// when the next waiting message is due (and armed again should it fire early).
#include <functional>
#include <memory>
#include <vector>
#include "toolkit/SysUtils.h"

class TTimer;

class TStatusQueue {
 public:
  static constexpr size_t MaxWaiting = 16;
  // Show puts a text on the panel ("" empties it).
  explicit TStatusQueue(std::function<void(const String&)> Show);
  ~TStatusQueue();
  TStatusQueue(const TStatusQueue&) = delete;
  TStatusQueue& operator=(const TStatusQueue&) = delete;

  void Post(const String& Text);
  // Text no longer holds: it goes, and the panel shows the next waiting one,
  // or nothing.
  void Clear(const String& Text);
  int MinShowMs() const { return minShowMs_; }
  void SetMinShowMs(int Ms);

 private:
  void show(const String& Text);
  void next();
  void arm();
  void due();
  std::function<void(const String&)> show_;
  std::unique_ptr<TTimer> timer_;
  std::vector<String> waiting_;   // in order of arrival
  String shown_;
  bool showing_ = false;
  int64_t shownAt_ = 0;
  int minShowMs_ = 4000;
};
