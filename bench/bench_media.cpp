// Cost of a decoded frame on its way to the video renderer through our graph,
// against the bare GStreamer pipeline on the same clip in the same run, and
// the cost of a snapshot at 1080p.
//
// The clip: 50 frames of 1920 x 1080 JPEG in AVI, made by the benchmark in a
// temporary folder. Both are run unsynchronised (no clock: frames as fast as
// they are decoded), from a prerolled pause to the end of the stream:
//   bare:  filesrc ! avidemux ! jpegdec ! videoconvert ! video/x-raw,format=BGRx ! fakesink
//   graph: TFilterGraph.RenderFile with a TSampleGrabber in the graph (OnBuffer
//          unassigned): decoder, grabber (the conversion to BGRx), video
//          renderer (keeps the latest sample, no copy).
// Each iteration runs both, alternately; counters give the time per frame of
// each and their ratio (target: at most 1.15).
//
// GetBitmap: a 1080p clip paused on a frame; one snapshot per iteration into
// the same bitmap (reported with its median over repetitions); reference in
// the same run: one copy of the same frame, row by row (memcpy) from the
// frame's BGRx rows into the rows of a bitmap of the same size (target: at
// most 1.5x).
//
// GiantPictures: a motion-JPEG AVI of three 16 x 16 frames whose pictures
// each declare 30000 x 30000 in their own frame header, rendered (refused)
// and the graph cleared as the play list does, against the same route on the
// same clip with its honest pictures (the reference). Counters per route:
// ms per render, the longest gap between two runs of a 5 ms timer of the
// main thread while it runs (the main loop's stall), and the peak resident
// memory during it (VmHWM after clear_refs). Targets: no gap above 100 ms,
// peak under 600 MB.
//
// RenderAndSeekWaits: the waits of the main thread on the graph, against the
// same work waited for bare in the same run, alternately:
//   graph: TFilterGraph.RenderFile (waits for the first frame), Pause, then a
//          seek to the middle (waits for the pipeline to settle before and
//          after);
//   bare:  a launch line of the same decoding set to PAUSED and waited for
//          (gst_element_get_state without limit), then the same flushing
//          accurate seek and its wait.
// Two clips: /0 the 1080p clip (a wait of a few ms); /1 a 176x144 clip with
// sound whose sound output takes 300 ms over its first buffer (waits of
// 300 ms each: "identity sleep-time=300000 ! fakesink" in both). Counters per
// iteration: ms (and of it the seek's), the main thread's sleeps ended (voluntary context
// switches, getrusage RUSAGE_THREAD) of each; a wait that sleeps until a
// notice ends about one a message of the pipeline, one that wakes to look
// again about one more a period. No timer runs meanwhile.
#include <benchmark/benchmark.h>

#include <gst/gst.h>
#include <sys/resource.h>

#include <QElapsedTimer>
#include <QTimer>

#include <chrono>
#include <cstring>
#include <vector>
#include <fstream>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "media/DSGraph.h"
#include "BenchMain.h"
#include "ResidentMemory.h"
#include "../tests/support/ClipMaker.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kFrames = 50;

class Clip {
 public:
  static Clip& Get() {
    static Clip c;
    return c;
  }
  const std::string& Path() const { return path_; }
  ~Clip() { std::filesystem::remove_all(dir_); }

 private:
  Clip() {
    char tmpl[] = "/tmp/tablo-bench-media-XXXXXX";
    dir_ = mkdtemp(tmpl);
    path_ = dir_ + "/hd.avi";
    if (!gst_is_initialized()) gst_init(nullptr, nullptr);
    std::string line = "videotestsrc num-buffers=" + std::to_string(kFrames) +
                       " pattern=smpte ! video/x-raw,width=1920,height=1080,framerate=25/1 ! jpegenc quality=85 ! "
                       "avimux ! filesink location=\"" + path_ + "\"";
    GstElement* p = gst_parse_launch(line.c_str(), nullptr);
    gst_element_set_state(p, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(p);
    GstMessage* m = gst_bus_timed_pop_filtered(bus, 120 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    if (m) gst_message_unref(m);
    gst_object_unref(bus);
    gst_element_set_state(p, GST_STATE_NULL);
    gst_object_unref(p);
  }
  std::string dir_, path_;
};

double RunLine(const std::string& line);
// The bare pipeline, from a prerolled pause to the end of the stream.
double RunBare(const std::string& path) {
  return RunLine("filesrc location=\"" + path +
                 "\" ! avidemux ! jpegdec ! videoconvert ! video/x-raw,format=BGRx ! fakesink sync=false");
}
// Seconds from PLAYING to the end of the stream of a launch line, prerolled before.
double RunLine(const std::string& line) {
  GstElement* p = gst_parse_launch(line.c_str(), nullptr);
  gst_element_set_state(p, GST_STATE_PAUSED);
  gst_element_get_state(p, nullptr, nullptr, 30 * GST_SECOND);
  GstBus* bus = gst_element_get_bus(p);
  const auto t0 = Clock::now();
  gst_element_set_state(p, GST_STATE_PLAYING);
  GstMessage* m = gst_bus_timed_pop_filtered(bus, 60 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  const double s = std::chrono::duration<double>(Clock::now() - t0).count();
  if (m) gst_message_unref(m);
  gst_object_unref(bus);
  gst_element_set_state(p, GST_STATE_NULL);
  gst_object_unref(p);
  return s;
}

struct GraphRig {
  TComponent owner{nullptr};
  TFilterGraph* graph = new TFilterGraph(&owner);
  TSampleGrabber* grabber = new TSampleGrabber(&owner);
  GraphRig() {
    grabber->SetFilterGraph(graph);
    graph->SetActive(true);
  }
  void Render(const std::string& path) {
    graph->RenderFile(path);
    graph->Query<IFilterGraph2>()->SetSyncSource(false);
  }
  // Waits for the end of the stream on the graph's own queue.
  void WaitComplete() {
    ComPtr<IMediaEvent> ev = graph->Query<IMediaEvent>();
    int32_t code = 0;
    LONG_PTR p1, p2;
    for (int i = 0; i < 600; ++i)
      if (ev->GetEvent(&code, &p1, &p2, 100) == S_OK) {
        ev->FreeEventParams(code, p1, p2);
        if (code == EC_COMPLETE || code == EC_ERRORABORT) return;
      }
  }
};

double RunGraph(const std::string& path) {
  GraphRig rig;
  rig.Render(path);
  const auto t0 = Clock::now();
  rig.graph->Play();
  rig.WaitComplete();
  const double s = std::chrono::duration<double>(Clock::now() - t0).count();
  rig.graph->Stop();
  rig.graph->ClearGraph();
  return s;
}

void BM_FrameThroughGraphVsBarePipeline(benchmark::State& st) {
  const std::string& path = Clip::Get().Path();
  double bare = 0, graph = 0;
  for (auto _ : st) {
    const double b = RunBare(path);
    const double g = RunGraph(path);
    bare += b;
    graph += g;
    st.SetIterationTime(b + g);
  }
  const double n = double(st.iterations()) * kFrames;
  st.counters["bare_ms_per_frame"] = bare / n * 1000.0;
  st.counters["graph_ms_per_frame"] = graph / n * 1000.0;
  st.counters["ratio"] = graph / bare;
}
BENCHMARK(BM_FrameThroughGraphVsBarePipeline)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// Sleeps of the calling thread that have ended so far.
long ThreadSleeps() {
  rusage u{};
  getrusage(RUSAGE_THREAD, &u);
  return u.ru_nvcsw;
}

struct WaitCost {
  double ms = 0;
  long sleeps = 0;
  double seekMs = 0;   // of ms: the seek and its wait
};

WaitCost BareRenderAndSeek(const std::string& line, gint64 toNs) {
  GstElement* p = gst_parse_launch(line.c_str(), nullptr);
  const long s0 = ThreadSleeps();
  const auto t0 = Clock::now();
  gst_element_set_state(p, GST_STATE_PAUSED);
  gst_element_get_state(p, nullptr, nullptr, GST_CLOCK_TIME_NONE);
  const auto t1 = Clock::now();
  gst_element_seek_simple(p, GST_FORMAT_TIME, GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), toNs);
  gst_element_get_state(p, nullptr, nullptr, GST_CLOCK_TIME_NONE);
  const auto t2 = Clock::now();
  const WaitCost c{std::chrono::duration<double, std::milli>(t2 - t0).count(), ThreadSleeps() - s0,
                   std::chrono::duration<double, std::milli>(t2 - t1).count()};
  gst_element_set_state(p, GST_STATE_NULL);
  gst_object_unref(p);
  return c;
}

WaitCost GraphRenderAndSeek(const std::string& path, gint64 toNs) {
  GraphRig rig;
  const long s0 = ThreadSleeps();
  const auto t0 = Clock::now();
  rig.graph->RenderFile(path);
  rig.graph->Pause();
  const auto t1 = Clock::now();
  REFERENCE_TIME pos = toNs / 100;
  rig.graph->Query<IMediaSeeking>()->SetPositions(&pos, AM_SEEKING_AbsolutePositioning, nullptr,
                                                   AM_SEEKING_NoPositioning);
  const auto t2 = Clock::now();
  const WaitCost c{std::chrono::duration<double, std::milli>(t2 - t0).count(), ThreadSleeps() - s0,
                   std::chrono::duration<double, std::milli>(t2 - t1).count()};
  rig.graph->Stop();
  rig.graph->ClearGraph();
  return c;
}

void BM_RenderAndSeekWaitsVsBarePipeline(benchmark::State& st) {
  const bool slowSound = st.range(0) == 1;
  const char* sound = "identity sleep-time=300000 ! fakesink sync=false";
  std::string path = Clip::Get().Path();
  if (slowSound) {
    path = std::filesystem::path(path).parent_path().string() + "/slow-sound.avi";
    clips::Make(path, clips::Kind::AviWithAudio, kFrames);
  }
  const std::string line =
      "filesrc location=\"" + path + "\" ! avidemux name=d d. ! queue ! jpegdec ! videoconvert ! "
      "video/x-raw,format=BGRx ! fakesink" + (slowSound ? std::string(" d. ! queue ! audioconvert ! ") + sound : "");
  const std::string kept = std::getenv("TABLO_AUDIO_SINK") ? std::getenv("TABLO_AUDIO_SINK") : "";
  if (slowSound) setenv("TABLO_AUDIO_SINK", sound, 1);
  const gint64 middle = gint64(kFrames / 2) * GST_SECOND / 25;
  WaitCost g, b;
  for (auto _ : st) {
    const WaitCost bare = BareRenderAndSeek(line, middle), graph = GraphRenderAndSeek(path, middle);
    b.ms += bare.ms, b.sleeps += bare.sleeps, b.seekMs += bare.seekMs;
    g.ms += graph.ms, g.sleeps += graph.sleeps, g.seekMs += graph.seekMs;
    st.SetIterationTime((bare.ms + graph.ms) / 1000.0);
  }
  setenv("TABLO_AUDIO_SINK", kept.c_str(), 1);
  const double n = double(st.iterations());
  st.counters["graph_ms"] = g.ms / n;
  st.counters["graph_sleeps"] = double(g.sleeps) / n;
  st.counters["graph_seek_ms"] = g.seekMs / n;
  st.counters["bare_ms"] = b.ms / n;
  st.counters["bare_sleeps"] = double(b.sleeps) / n;
  st.counters["bare_seek_ms"] = b.seekMs / n;
}
BENCHMARK(BM_RenderAndSeekWaitsVsBarePipeline)->Arg(0)->Arg(1)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

void BM_GetBitmap1080(benchmark::State& st) {
  GraphRig rig;
  rig.Render(Clip::Get().Path());
  rig.graph->Pause();
  REFERENCE_TIME pos = 10000000, stop = 0;
  rig.graph->Query<IMediaSeeking>()->SetPositions(&pos, AM_SEEKING_AbsolutePositioning, &stop, AM_SEEKING_NoPositioning);
  TBitmap bmp;
  if (!rig.grabber->GetBitmap(&bmp)) {
    st.SkipWithError("no frame to grab");
    return;
  }
  for (auto _ : st) benchmark::DoNotOptimize(rig.grabber->GetBitmap(&bmp));
  st.counters["width"] = bmp.Width();
  st.counters["height"] = bmp.Height();
}
BENCHMARK(BM_GetBitmap1080)->Repetitions(7)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);

void BM_FrameCopy1080Reference(benchmark::State& st) {
  GraphRig rig;
  rig.Render(Clip::Get().Path());
  rig.graph->Pause();
  REFERENCE_TIME pos = 10000000, stop = 0;
  rig.graph->Query<IMediaSeeking>()->SetPositions(&pos, AM_SEEKING_AbsolutePositioning, &stop, AM_SEEKING_NoPositioning);
  TBitmap shown;
  if (!rig.grabber->GetBitmap(&shown)) {
    st.SkipWithError("no frame to grab");
    return;
  }
  // The frame's rows as the grabber keeps them.
  const int w = shown.Width(), h = shown.Height();
  std::vector<uint8_t> frame(size_t(w) * 4 * size_t(h));
  for (int y = 0; y < h; ++y) std::memcpy(frame.data() + size_t(y) * size_t(w) * 4, shown.ScanLine(y), size_t(w) * 4);
  TBitmap bmp;
  bmp.SetSize(w, h);
  for (auto _ : st) {
    for (int y = 0; y < h; ++y) std::memcpy(bmp.ScanLine(y), frame.data() + size_t(y) * size_t(w) * 4, size_t(w) * 4);
    benchmark::DoNotOptimize(bmp.ScanLine(0));
  }
}
BENCHMARK(BM_FrameCopy1080Reference)->Repetitions(7)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);


struct RenderCost {
  double ms = 0, gapMs = 0, peakMb = 0;
};

RenderCost RenderAndClear(const std::string& path) {
  ResetPeakResident();
  QElapsedTimer clock;
  clock.start();
  qint64 last = 0, gap = 0;
  QTimer beat;
  QObject::connect(&beat, &QTimer::timeout, [&] {
    gap = std::max(gap, clock.elapsed() - last);
    last = clock.elapsed();
  });
  beat.start(5);
  {
    GraphRig rig;
    try {
      rig.Render(path);
    } catch (const std::exception&) {
    }
    rig.graph->Stop();
    rig.graph->ClearGraph();
    rig.graph->SetActive(false);
  }
  gap = std::max(gap, clock.elapsed() - last);
  return {double(clock.elapsed()), double(gap), PeakResidentMb()};
}

void BM_GiantPicturesVsHonestOnes(benchmark::State& st) {
  const std::string dir = std::filesystem::path(Clip::Get().Path()).parent_path().string();
  const std::string giant = dir + "/giant-pictures.avi", honest = dir + "/honest-pictures.avi";
  clips::MakeLyingMjpeg(giant, 30000, 30000);
  clips::MakeLyingMjpeg(honest, 16, 16);
  RenderCost g, h;
  for (auto _ : st) {
    const RenderCost a = RenderAndClear(giant), b = RenderAndClear(honest);
    g.ms += a.ms, h.ms += b.ms;
    g.gapMs = std::max(g.gapMs, a.gapMs), h.gapMs = std::max(h.gapMs, b.gapMs);
    g.peakMb = std::max(g.peakMb, a.peakMb), h.peakMb = std::max(h.peakMb, b.peakMb);
    st.SetIterationTime((a.ms + b.ms) / 1000.0);
  }
  const double n = double(st.iterations());
  st.counters["giant_ms"] = g.ms / n;
  st.counters["giant_longest_gap_ms"] = g.gapMs;
  st.counters["giant_peak_mb"] = g.peakMb;
  st.counters["honest_ms"] = h.ms / n;
  st.counters["honest_longest_gap_ms"] = h.gapMs;
  st.counters["honest_peak_mb"] = h.peakMb;
}
BENCHMARK(BM_GiantPicturesVsHonestOnes)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("TABLO_AUDIO_SINK", "fakesink sync=false", 0);
  return RunBenchmarks(argc, argv);
}
