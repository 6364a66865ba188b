#pragma once
// Shared pieces of the media tests: clips made once per program in a
// temporary folder, a silent audio sink, pumping the main loop until a
// condition holds, and a graph whose notifications are recorded.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "media/DSGraph.h"
#include "support/ClipMaker.h"

namespace mediatest {

inline bool PumpUntil(const std::function<bool()>& cond, int limitMs = 8000) {
  QElapsedTimer t;
  t.start();
  while (!cond()) {
    if (t.elapsed() > limitMs) return false;
    QEventLoop loop;
    QTimer::singleShot(5, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return true;
}

inline void Pump(int ms) {
  QElapsedTimer t;
  t.start();
  PumpUntil([&] { return t.elapsed() >= ms; }, ms + 1000);
}

// The clips every media test uses, made once.
class Clips {
 public:
  static Clips& Get() {
    static Clips c;
    return c;
  }
  std::string Path(clips::Kind k) {
    auto it = made_.find(int(k));
    if (it != made_.end()) return it->second;
    static const char* names[] = {"plain.avi", "sound.avi", "clip.mpg", "clip.asf"};
    std::string p = dir_ + "/" + names[int(k)];
    clips::Make(p, k);
    made_[int(k)] = p;
    return p;
  }
  std::string Dir() const { return dir_; }
  // A file with the given bytes in the clip folder.
  std::string Write(const std::string& name, const std::string& bytes) {
    std::string p = dir_ + "/" + name;
    FILE* f = std::fopen(p.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return p;
  }
  ~Clips() { std::filesystem::remove_all(dir_); }

 private:
  Clips() {
    setenv("TABLO_AUDIO_SINK", "fakesink sync=true", 1);
    char tmpl[] = "/tmp/tablo-media-XXXXXX";
    dir_ = mkdtemp(tmpl);
  }
  std::string dir_;
  std::map<int, std::string> made_;
};

// A graph that records its notifications (code, and whether they came on
// the main thread).
struct RecordingGraph {
  TFilterGraph* graph;
  std::vector<int> codes;
  bool allOnMain = true;
  explicit RecordingGraph(TComponent* owner = nullptr) : graph(new TFilterGraph(owner)) {
    graph->OnDSEvent = [this](TComponent*, int code, LONG_PTR, LONG_PTR) {
      codes.push_back(code);
      if (!TThread::IsMainThread()) allOnMain = false;
    };
  }
  ~RecordingGraph() {
    if (!graph->Owner()) delete graph;
  }
  int Count(int code) const { return int(std::count(codes.begin(), codes.end(), code)); }
  bool WaitFor(int code, int n = 1, int limitMs = 8000) {
    return PumpUntil([&] { return Count(code) >= n; }, limitMs);
  }
};

}  // namespace mediatest
