// The overlay video window's costs, each against a reference measured on the
// same work in the same run:
// - a 1920 x 1080 JPEG AVI (25 frames) played to its end as fast as it
//   decodes (no clock; rendering and set-up not counted): the bare pipeline (the graph's own renderer),
//   the chain through the overlay mixer at neutral colour values, and with
//   colour controls away from neutral; the latter against a bare GStreamer
//   pipeline with the same colour stage (demux, decode, videobalance at the
//   values the mixer derives from those controls, conversion to the
//   renderer's BGRx, every frame pulled and mapped as the renderer does),
//   prerolled before the timing starts as the graph is;
// - one paint of the latest 1080p frame into the window (1920 x 1080 at
//   1:1 and 384 x 256 scaled; the paused clip's frame, the window rendered
//   into an image as a grab of the output does), against the paint of the
//   same window without video (one fill by the same route) and against the
//   bound of any paint that shows the frame: a plain loop writing the same
//   frame's pixels into the same image (row copies at 1:1, nearest-neighbour
//   picks when scaled). A copy reads what a fill does not, so the paint can
//   come down to the bound but not to the fill. Medians of the runs are
//   reported as counters; run pinned (taskset) for stable figures.
#include <benchmark/benchmark.h>
#include <gst/gst.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "media/DSVideoWindow.h"
#include "toolkit/Forms.h"
#include "toolkit/TestApp.h"

namespace {

std::string g_dir;

const std::string& Clip() {
  static std::string path;
  if (!path.empty()) return path;
  path = g_dir + "/hd.avi";
  if (!gst_is_initialized()) gst_init(nullptr, nullptr);
  const std::string line =
      "videotestsrc num-buffers=25 pattern=smpte ! video/x-raw,width=1920,height=1080,framerate=25/1 ! "
      "jpegenc quality=85 ! avimux ! filesink location=\"" + path + "\"";
  GstElement* p = gst_parse_launch(line.c_str(), nullptr);
  gst_element_set_state(p, GST_STATE_PLAYING);
  GstBus* bus = gst_element_get_bus(p);
  GstMessage* m = gst_bus_timed_pop_filtered(bus, 60 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  if (m) gst_message_unref(m);
  gst_object_unref(bus);
  gst_element_set_state(p, GST_STATE_NULL);
  gst_object_unref(p);
  return path;
}

bool PumpUntil(const std::function<bool()>& cond, int limitMs = 30000) {
  QElapsedTimer t;
  t.start();
  while (!cond()) {
    if (t.elapsed() > limitMs) return false;
    QEventLoop loop;
    QTimer::singleShot(1, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return true;
}

enum class Chain { Bare, MixerNeutral, MixerColour };

void PlayClip(benchmark::State& state, Chain chain) {
  const std::string& clip = Clip();
  for (auto _ : state) {
    // Only playing counts: rendering and the mixer's set-up are outside.
    state.PauseTiming();
    TForm form(nullptr);
    form.SetBounds(0, 0, 400, 300);
    auto* graph = new TFilterGraph(&form);
    if (chain != Chain::Bare) {
      auto* win = new TDSVideoWindowEx2(&form);
      win->SetParent(&form);
      win->SetFilterGraph(graph);
      if (chain == Chain::MixerColour) {
        win->ColorControl()->SetBrightness(2000);
        win->ColorControl()->SetContrast(12000);
        win->ColorControl()->SetSaturation(5000);
        win->ColorControl()->SetHue(30);
      }
    }
    bool done = false;
    graph->OnGraphComplete = [&](TObject*, HRESULT, IBaseFilter*) { done = true; };
    graph->SetActive(true);
    graph->Query<IFilterGraph2>()->SetSyncSource(false);
    if (graph->RenderFile(clip) != S_OK) {
      state.SkipWithError("render failed");
      break;
    }
    state.ResumeTiming();
    graph->Play();
    if (!PumpUntil([&] { return done; })) {
      state.SkipWithError("no end");
      break;
    }
    state.PauseTiming();
    graph->SetActive(false);
    state.ResumeTiming();
  }
}

void BM_PlayBarePipeline(benchmark::State& s) { PlayClip(s, Chain::Bare); }
void BM_PlayThroughMixerNeutral(benchmark::State& s) { PlayClip(s, Chain::MixerNeutral); }
void BM_PlayThroughMixerColour(benchmark::State& s) { PlayClip(s, Chain::MixerColour); }
BENCHMARK(BM_PlayBarePipeline)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(BM_PlayThroughMixerNeutral)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(BM_PlayThroughMixerColour)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

void BM_PlayBarePipelineWithColour(benchmark::State& state) {
  const std::string& clip = Clip();
  for (auto _ : state) {
    state.PauseTiming();
    // Brightness 2000, contrast 12000, saturation 5000 and hue 30, as the
    // mixer maps them.
    const std::string line = "filesrc location=\"" + clip +
                             "\" ! avidemux ! jpegdec ! videobalance brightness=0.125 contrast=1.2 saturation=0.5 "
                             "hue=0.16667 ! videoconvert ! video/x-raw,format=BGRx ! appsink name=sink sync=false "
                             "max-buffers=2";
    GstElement* p = gst_parse_launch(line.c_str(), nullptr);
    GstElement* sink = p ? gst_bin_get_by_name(GST_BIN(p), "sink") : nullptr;
    if (!sink) {
      state.SkipWithError("no pipeline");
      break;
    }
    gst_element_set_state(p, GST_STATE_PAUSED);
    gst_element_get_state(p, nullptr, nullptr, 10 * GST_SECOND);
    state.ResumeTiming();
    gst_element_set_state(p, GST_STATE_PLAYING);
    for (;;) {
      GstSample* sample = nullptr;
      g_signal_emit_by_name(sink, "pull-sample", &sample);
      if (!sample) break;
      GstBuffer* b = gst_sample_get_buffer(sample);
      GstMapInfo m;
      if (b && gst_buffer_map(b, &m, GST_MAP_READ)) gst_buffer_unmap(b, &m);
      gst_sample_unref(sample);
    }
    state.PauseTiming();
    gst_element_set_state(p, GST_STATE_NULL);
    gst_object_unref(sink);
    gst_object_unref(p);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_PlayBarePipelineWithColour)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

// One paint of the latest 1080p frame; the median of the runs is reported
// as a counter (milliseconds).
enum class PaintWork { Frame, Fill, Copy };

void Paint(benchmark::State& state, PaintWork work) {
  const int w = int(state.range(0)), h = int(state.range(1));
  TForm form(nullptr);
  form.SetBounds(0, 0, w, h);
  auto* graph = new TFilterGraph(&form);
  auto* win = new TDSVideoWindowEx2(&form);
  win->SetParent(&form);
  win->SetBounds(0, 0, w, h);
  win->SetAspectRatio(rmStretched);
  form.Show();
  TVideoFrame frame;
  if (work != PaintWork::Fill) {
    win->SetFilterGraph(graph);
    graph->SetActive(true);
    if (graph->RenderFile(Clip()) != S_OK) {
      state.SkipWithError("render failed");
      return;
    }
    graph->Pause();
    PumpUntil([&] { return win->OverlayVisible(); }, 5000);
    ComPtr<IVideoFrameSource> source = QueryAs<IVideoFrameSource>(win->GetFilter());
    if (!source || !source->LatestFrame(frame) || !frame.Bits) {
      state.SkipWithError("no frame");
      return;
    }
  }
  // A render of the widget (the paint event, as a grab of the output runs it).
  TBitmap target(w, h);
  // The bound: the frame's pixels written into the same image by a plain
  // loop, row copies at 1:1 and nearest-neighbour picks otherwise.
  std::vector<int> columns(w);
  for (int x = 0; x < w; ++x) columns[x] = int(int64_t(x) * frame.Width / w);
  std::vector<double> ms;
  for (auto _ : state) {
    QElapsedTimer t;
    t.start();
    if (work != PaintWork::Copy) {
      win->PaintTo(target.Canvas(), 0, 0);
    } else {
      for (int y = 0; y < h; ++y) {
        const auto* in = reinterpret_cast<const uint32_t*>(frame.Bits + size_t(frame.Stride) * (int64_t(y) * frame.Height / h));
        auto* out = reinterpret_cast<uint32_t*>(target.ScanLine(y));
        if (w == frame.Width)
          std::memcpy(out, in, size_t(w) * 4);
        else
          for (int x = 0; x < w; ++x) out[x] = in[columns[x]];
      }
    }
    ms.push_back(t.nsecsElapsed() / 1e6);
    benchmark::DoNotOptimize(target.ScanLine(h / 2));
  }
  std::sort(ms.begin(), ms.end());
  if (!ms.empty()) state.counters["median_ms"] = ms[ms.size() / 2];
  graph->SetActive(false);
}

void BM_PaintFrame(benchmark::State& s) { Paint(s, PaintWork::Frame); }
void BM_PaintFillReference(benchmark::State& s) { Paint(s, PaintWork::Fill); }
void BM_PaintCopyBound(benchmark::State& s) { Paint(s, PaintWork::Copy); }
BENCHMARK(BM_PaintFrame)->Args({1920, 1080})->Args({384, 256})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PaintFillReference)->Args({1920, 1080})->Args({384, 256})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PaintCopyBound)->Args({1920, 1080})->Args({384, 256})->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("TABLO_AUDIO_SINK", "fakesink sync=false", 0);
  TestApp::Init(argc, argv);
  char tmpl[] = "/tmp/tablo-bench-video-XXXXXX";
  g_dir = mkdtemp(tmpl);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(g_dir);
  return 0;
}
