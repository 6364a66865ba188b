// Cost of composing one transition frame: the old picture copied onto the
// screen bitmap, then the effect drawn over it, for every progress value of a
// run, as the picture show does on every frame. Reported per effect, picture
// size and step: the median frame, the worst frame (the costliest progress
// value, each timed as the median of its runs) and the slowest single sample.
//
// For comparison the same run measures ffmpeg's xfade filter, single
// threaded at 1920 x 1080 on the same work: a run whose 100 frames are all
// transition frames (duration 4 s from offset 0) less a run that reads and
// converts both inputs alike but has one transition frame (duration 0.04 s at
// offset 3.96 s), divided by the 99 frames that differ. Our median frame at
// 1920 x 1080 is reported against it as counters. Without ffmpeg that part is
// skipped.
//
// The fade is also measured against a plain blend of the same BGRA buffers in
// the same run: the same frame (the old picture copied, then every byte mixed
// with the new picture's as (s * (100 - p) + n * p) / 100) written as a plain
// loop that the compiler vectorises by itself, median frame of the same
// progress values.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>
#include "pictureshow/PictureShow.h"
#include "pictureshow/ShowEffects.h"
#include "BenchMain.h"

namespace {

using Clock = std::chrono::steady_clock;

// A picture with detail in every pixel, so that no effect gets an easy case.
std::unique_ptr<TBitmap> MakePicture(int w, int h, int seed) {
  auto b = std::make_unique<TBitmap>();
  b->SetSize(w, h);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = b->ScanLine(y);
    for (int x = 0; x < w; ++x) {
      row[4 * x + 0] = uint8_t(x * 3 + seed);
      row[4 * x + 1] = uint8_t(y * 5 + seed * 7);
      row[4 * x + 2] = uint8_t((x ^ y) + seed * 13);
      row[4 * x + 3] = 0xFF;
    }
  }
  return b;
}

// The progress values of a forward run.
std::vector<int> RunProgress(int step) {
  std::vector<int> out;
  int p = 0;
  while (p != 100) {
    p = StepProgress(p, step, false);
    out.push_back(p);
  }
  return out;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// ---------------------------------------------------------------------------
// ffmpeg reference

struct XfadeRef {
  const char* transition;
  int effect;   // our nearest counterpart
};
const XfadeRef kXfade[] = {{"fade", 118}, {"wipeleft", 6}, {"slideleft", 3}, {"circleopen", 84}};
// Transition frames of the full run and of the baseline run.
constexpr int kXfadeFrames = 100, kBaselineFrames = 1;

bool HaveFfmpeg() {
  static const bool have = std::system("command -v ffmpeg >/dev/null 2>&1") == 0;
  return have;
}

// Seconds for one ffmpeg run with the given filter between the two inputs;
// the best of three. Negative when ffmpeg fails.
double TimeFfmpeg(const std::string& filter) {
  const std::string cmd =
      "ffmpeg -nostdin -hide_banner -loglevel error -threads 1 -filter_threads 1 -filter_complex_threads 1"
      " -f lavfi -i testsrc=size=1920x1080:rate=25:duration=4"
      " -f lavfi -i testsrc2=size=1920x1080:rate=25:duration=4"
      " -filter_complex \"[0:v]format=yuv420p[a];[1:v]format=yuv420p[b];" + filter + "\""
      " -threads 1 -f null - >/dev/null 2>&1";
  double best = -1;
  for (int i = 0; i < 3; ++i) {
    const auto t0 = Clock::now();
    const int rc = std::system(cmd.c_str());
    const double s = std::chrono::duration<double>(Clock::now() - t0).count();
    if (rc != 0) return -1;
    if (best < 0 || s < best) best = s;
  }
  return best;
}

// Milliseconds per transition frame of each xfade transition (absent when
// ffmpeg is missing or failed).
const std::map<std::string, double>& XfadeFrameMs() {
  static const std::map<std::string, double> table = [] {
    std::map<std::string, double> m;
    if (!HaveFfmpeg()) return m;
    for (const XfadeRef& x : kXfade) {
      const std::string xfade = std::string("[a][b]xfade=transition=") + x.transition;
      const double base = TimeFfmpeg(xfade + ":duration=0.04:offset=3.96");
      const double t = TimeFfmpeg(xfade + ":duration=4:offset=0");
      if (base >= 0 && t >= 0)
        m[x.transition] = std::max(t - base, 0.0) * 1000.0 / (kXfadeFrames - kBaselineFrames);
    }
    return m;
  }();
  return table;
}

void BM_FfmpegXfade(benchmark::State& state, const char* transition) {
  const auto& m = XfadeFrameMs();
  auto it = m.find(transition);
  if (it == m.end()) {
    for (auto _ : state) {}
    state.SkipWithError("ffmpeg not available");
    return;
  }
  for (auto _ : state) state.SetIterationTime(it->second / 1000.0);
  state.counters["frame_ms"] = it->second;
}

// ---------------------------------------------------------------------------
// Plain blend reference

// Sixteen-bit sums (at most 255 * 100), as a plain loop would be written to
// let the compiler use its narrow vector lanes.
__attribute__((noinline)) void PlainBlendRow(uint8_t* s, const uint8_t* n, size_t bytes, uint16_t a, uint16_t b) {
  for (size_t i = 0; i < bytes; ++i) s[i] = uint8_t(uint16_t(s[i] * a + n[i] * b) / uint16_t(100));
}

// ---------------------------------------------------------------------------
// Our effects

// Composes every frame of the run once to warm up (first touch of every
// buffer kept from frame to frame), then once per benchmark iteration, each
// frame timed on its own. Entry i holds every sample of the i-th frame.
template <typename Frame>
std::vector<std::vector<double>> TimeRuns(benchmark::State& state, const std::vector<int>& run, Frame&& frame) {
  std::vector<std::vector<double>> times(run.size());
  for (int p : run) frame(p);
  for (auto _ : state) {
    const auto runStart = Clock::now();
    for (size_t i = 0; i < run.size(); ++i) {
      const auto t0 = Clock::now();
      frame(run[i]);
      times[i].push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - runStart).count());
  }
  return times;
}

// Reports the frames of a run, times[i] holding every sample of its i-th
// frame, and returns the median frame. The median is over every sample; the
// worst frame is the costliest frame of the run, each frame taken as the
// median of its samples so that a single interruption of the process by the
// system does not count as compose time. The single slowest sample,
// interruptions included, is reported as well.
double ReportFrames(benchmark::State& state, const std::vector<std::vector<double>>& times) {
  std::vector<double> all;
  double worst = 0, slowest = 0;
  for (const auto& t : times) {
    all.insert(all.end(), t.begin(), t.end());
    worst = std::max(worst, Median(t));
    for (double v : t) slowest = std::max(slowest, v);
  }
  const double median = Median(all);
  state.counters["median_frame_ms"] = median;
  state.counters["worst_frame_ms"] = worst;
  state.counters["slowest_sample_ms"] = slowest;
  state.counters["frames"] = double(times.size());
  return median;
}

// The plain blend's median frame at a size and step.
double PlainBlendFrame(benchmark::State* state, int w, int h, int step) {
  auto oldPic = MakePicture(w, h, 1);
  auto newPic = MakePicture(w, h, 2);
  auto screen = MakePicture(w, h, 1);
  const std::vector<int> run = RunProgress(step);
  auto frame = [&](int p) {
    CopyPixels(screen.get(), oldPic.get());
    for (int y = 0; y < h; ++y) PlainBlendRow(screen->ScanLine(y), newPic->ScanLine(y), size_t(w) * 4, uint16_t(100 - p), uint16_t(p));
    benchmark::DoNotOptimize(screen->ScanLine(h / 2)[0]);
  };
  if (state) return ReportFrames(*state, TimeRuns(*state, run, frame));
  // Outside a benchmark: five runs, every frame timed.
  std::vector<double> all;
  for (int p : run) frame(p);
  for (int i = 0; i < 5; ++i)
    for (int p : run) {
      const auto t0 = Clock::now();
      frame(p);
      all.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
  return Median(all);
}

void BM_PlainBlend(benchmark::State& state) {
  PlainBlendFrame(&state, int(state.range(0)), int(state.range(1)), int(state.range(2)));
}

void BM_Effect(benchmark::State& state, int effect) {
  const int w = int(state.range(0)), h = int(state.range(1));
  const uint16_t step = uint16_t(state.range(2));
  const TEffectProc proc = EffectProc(effect);
  auto oldPic = MakePicture(w, h, 1);
  auto newPic = MakePicture(w, h, 2);
  auto screen = MakePicture(w, h, 1);
  const TRect R(0, 0, w, h);
  const std::vector<int> run = RunProgress(step);
  TEffectRandom random(1);
  TEffectRandomScope scope(&random);
  auto frame = [&](int p) {
    CopyPixels(screen.get(), oldPic.get());
    if (p < 100) proc(screen.get(), newPic.get(), R, step, p);
    else CopyPixels(screen.get(), newPic.get());
    benchmark::DoNotOptimize(screen->ScanLine(h / 2)[0]);
  };
  const double median = ReportFrames(state, TimeRuns(state, run, frame));
  if (effect == 118) state.counters["ratio_vs_plain_blend"] = median / PlainBlendFrame(nullptr, w, h, step);
  if (w == 1920 && h == 1080) {
    for (const XfadeRef& x : kXfade) {
      if (x.effect != effect) continue;
      const auto& m = XfadeFrameMs();
      auto it = m.find(x.transition);
      if (it != m.end() && it->second > 0)
        state.counters[std::string("ratio_vs_xfade_") + x.transition] = median / it->second;
    }
  }
}

// The same frames composed by the picture show control itself, driven by
// hand through Progress (the control is not on screen, so no painting): the
// old-picture copy, the frame hooks and the locking around the effect.
void BM_ShowFrame(benchmark::State& state, int effect) {
  const int w = 1920, h = 1080, step = 4;
  TPictureShow show(nullptr);
  show.SetAutoSize(false);
  show.SetBounds(0, 0, w, h);
  show.SetThreaded(false);
  show.SetManual(true);
  show.SetStyle(effect);
  show.SetStep(step);
  auto newPic = MakePicture(w, h, 2);
  TPicture picture;
  picture.SetGraphic(newPic.get());
  show.SetPicture(&picture);
  show.Execute();
  const std::vector<int> run = RunProgress(step);
  const auto times = TimeRuns(state, run, [&](int p) { show.SetProgress(p); });
  show.Stop();
  ReportFrames(state, times);
}

struct Size {
  int w, h;
};
const Size kSizes[] = {{384, 256}, {1024, 768}, {1920, 1080}};
const int kSteps[] = {1, 4, 16};

int RegisterAll() {
  for (const XfadeRef& x : kXfade)
    benchmark::RegisterBenchmark((std::string("BM_FfmpegXfade/") + x.transition).c_str(), BM_FfmpegXfade,
                                 x.transition)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
  for (const Size& s : kSizes)
    benchmark::RegisterBenchmark("BM_PlainBlend", BM_PlainBlend)
        ->Args({s.w, s.h, 4})
        ->ArgNames({"w", "h", "step"})
        ->UseManualTime()
        ->Iterations(5)
        ->Unit(benchmark::kMillisecond);
  // The xfade counterparts and the costliest effects, through the control.
  for (int k : {3, 6, 84, 118, 119, 127, 136})
    benchmark::RegisterBenchmark((std::string("BM_ShowFrame/") + std::to_string(k)).c_str(), BM_ShowFrame, k)
        ->UseManualTime()
        ->Iterations(5)
        ->Unit(benchmark::kMillisecond);
  for (int k = 1; k <= EffectCount; ++k) {
    if (!EffectProc(k)) continue;
    for (const Size& s : kSizes)
      for (int step : kSteps) {
        // At least five runs, so that every frame has a median of its own,
        // and about a hundred frames per measurement.
        const int frames = int(RunProgress(step).size());
        const int iterations = std::max(5, (100 + frames - 1) / frames);
        benchmark::RegisterBenchmark((std::string("BM_Effect/") + std::to_string(k)).c_str(), BM_Effect, k)
            ->Args({s.w, s.h, step})
            ->ArgNames({"w", "h", "step"})
            ->UseManualTime()
            ->Iterations(iterations)
            ->Unit(benchmark::kMillisecond);
      }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return RunBenchmarks(argc, argv, [] { RegisterAll(); });
}
