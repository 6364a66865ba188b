// The media frame's gap between items and its goal-clip wait, each against a
// reference measured in the same run on the same files:
//   - clip -> clip: from the end of stream of a 720x576 MJPEG AVI to the
//     first paint of the video window that draws a frame of the next clip
//     (from its renderer, not the one the first clip played in), the next
//     clip having been made ready while the first played, as the list does;
//     reference: the same
//     change done bare, the next clip prepared ahead as well: two prerolled
//     pipelines (uridecodebin ! videoconvert ! BGRx appsink), one on each
//     clip, built before the window; in the window the first one torn down,
//     the next one's prerolled frame taken and painted stretched into an
//     image the size of the video window (as the window paints it);
//   - clip -> picture: from the end of stream to the first transition frame
//     of a 1920x1080 JPEG; reference: the picture decoded ahead (libjpeg,
//     BGRx) and the first clip's last frame stretched over an image the size
//     of the picture show, both before the window; in the window the first
//     frame of the cross-fade drawn: a copy of that screen, the picture
//     stretched smoothly over it at the first step's opacity;
//   - the event loop while the next clip is made ready: a 1 ms timer on the
//     main thread while a 720x576 clip plays, the longest gap between its
//     ticks over 150 ms in which the next clip is rendered and prerolled in
//     a second graph; reference: the same 150 ms without preparing,
//     alternated (counters "median_ms", "worst_ms" of the per-run longest
//     gaps; "not_ready" counts runs whose clip was not prerolled in time,
//     "call_median_ms", "call_worst_ms": what the preparing call itself took);
//   - the goal-clip wait over a 5 s clip: CPU share of the wait and how late
//     it ends after the clip's length (counters "cpu_pct", "late_ms").
// The main window is shown (offscreen), the media page is on view, the
// settings and data live in a temporary folder.
#include <benchmark/benchmark.h>

#include <gst/app/gstappsink.h>
#include <jpeglib.h>
#include <sys/resource.h>

#include <QImage>
#include <QPainter>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <algorithm>
#include <vector>

#include "../tests/support/ClipMaker.h"
#include "console/FMain.h"
#include "console/FrMedia.h"
#include "media/DSGraph.h"
#include "media/DSVideoWindow.h"
#include "pictureshow/PictureShow.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Forms.h"
#include "toolkit/TestApp.h"
#include "toolkit/Timer.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Setup {
  std::string root, app, clipA, clipB, picture, goal, longClip;
  TFormMain* form = nullptr;
  TFrameMedia* frame = nullptr;
};

Setup& S() {
  static Setup s = [] {
    Setup r;
    char tmpl[] = "/tmp/bench_mediaplay_XXXXXX";
    r.root = mkdtemp(tmpl);
    r.app = r.root + "/app/";
    for (const char* d : {"Teams", "Texts", "Pics", "Views"}) std::filesystem::create_directories(r.app + d);
    setenv("XDG_CONFIG_HOME", (r.root + "/cfg").c_str(), 1);
    setenv("TABLO_AUDIO_SINK", "fakesink sync=true", 1);
    r.clipA = r.app + "Pics/a.avi";
    r.clipB = r.app + "Pics/b.avi";
    r.goal = r.app + "Pics/goal.avi";
    r.picture = r.app + "Pics/p.jpg";
    clips::Make(r.clipA, clips::Kind::Avi, 5, 720, 576);
    clips::Make(r.clipB, clips::Kind::Avi, 5, 720, 576);
    clips::Make(r.goal, clips::Kind::Avi, 125, 32, 32);
    r.longClip = r.app + "Pics/long.avi";
    clips::Make(r.longClip, clips::Kind::Avi, 50, 720, 576);
    QImage img(1920, 1080, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) img.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) % 256));
    img.save(QString::fromStdString(r.picture), "JPEG", 90);
    MessageDlgHook = [](const TMsgDlgRequest&) { return mrOk; };
    r.form = new TFormMain(nullptr, TFormMainEnvironment{r.app, "bench"});
    r.form->AfterConstruction();
    r.form->Show();
    r.form->PageControl2->SetActivePage(r.form->Sheet_Tablo);
    r.form->PageControl1->SetActivePage(r.form->Sheet_Media);
    r.frame = r.form->FrameMedia1;
    return r;
  }();
  return s;
}

// Median and worst of the iterations, in milliseconds, as counters.
struct Spread {
  std::vector<double> ms;
  void Add(benchmark::State& state, double seconds) {
    state.SetIterationTime(seconds);
    ms.push_back(seconds * 1000.0);
  }
  void Report(benchmark::State& state) {
    if (ms.empty()) return;
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["worst_ms"] = ms.back();
  }
};

void PumpOnce() {
  if (Application) Application->ProcessMessages();
}

// Plays a list of two lines and returns the gap from the first line's end
// of stream to the second line's first frame (Drawn tells when it came).
double Gap(const std::string& second, const std::function<void(bool&, Clock::time_point&)>& arm) {
  TFrameMedia* f = S().frame;
  f->btStopClick(f->btStop);
  f->ClearList();
  f->AddItemPath(S().clipA);
  f->AddItemPath(second);
  for (int i = 0; i < 2; ++i) f->ListMedia->SetChecked(i, true);
  f->SetButtonsState(1);
  f->ListMedia->SetItemIndex(0);
  Clock::time_point end{}, drawn{};
  bool ended = false, done = false;
  auto complete = f->FilterGraph1->OnGraphComplete;
  f->FilterGraph1->OnGraphComplete = [&](TObject* s, HRESULT r, IBaseFilter* b) {
    if (!ended) {
      ended = true;
      end = Clock::now();
      arm(done, drawn);
    }
    complete(s, r, b);
  };
  f->btPlayClick(f->btPlay);
  // The console's own wait: woken by what comes (the graph's notices, the
  // posted advance, paints), as its event loop is.
  WaitFor([&] { return done; }, 10000);
  if (!done) drawn = Clock::now();
  f->FilterGraph1->OnGraphComplete = complete;
  f->DSVideoWindowEx1->OnPaint = nullptr;
  f->PictureShow->OnAfterNewFrame = nullptr;
  f->btStopClick(f->btStop);
  return std::chrono::duration<double>(drawn - end).count();
}

// The renderer the video window draws from.
ComPtr<IVideoFrameSource> WindowSource(TDSVideoWindowEx2* w) {
  return QueryAs<IVideoFrameSource>(static_cast<IFilterProvider*>(w));
}

void BM_ClipToClip(benchmark::State& state) {
  TFrameMedia* f = S().frame;
  Spread spread;
  for (auto _ : state) {
    const double gap = Gap(S().clipB, [f](bool& done, Clock::time_point& drawn) {
      // Held, so that no later renderer can take its place in memory.
      ComPtr<IVideoFrameSource> first = WindowSource(f->DSVideoWindowEx1);
      f->DSVideoWindowEx1->OnPaint = [f, first, &done, &drawn](TObject*) {
        ComPtr<IVideoFrameSource> now = WindowSource(f->DSVideoWindowEx1);
        TVideoFrame frame;
        if (!done && now && now.Get() != first.Get() && now->LatestFrame(frame) && frame.Bits &&
            f->DSVideoWindowEx1->Visible()) {
          done = true;
          drawn = Clock::now();
        }
      };
    });
    spread.Add(state, gap);
  }
  spread.Report(state);
}
BENCHMARK(BM_ClipToClip)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

// A bare pipeline prerolled on a clip, its sink named "sink".
GstElement* Prerolled(const std::string& clip, GstElement** sink) {
  const std::string line =
      "uridecodebin uri=file://" + clip + " ! videoconvert ! video/x-raw,format=BGRx ! appsink name=sink";
  GstElement* p = gst_parse_launch(line.c_str(), nullptr);
  *sink = gst_bin_get_by_name(GST_BIN(p), "sink");
  gst_element_set_state(p, GST_STATE_PAUSED);
  return p;
}

void TearDown(GstElement* p, GstElement* sink) {
  gst_element_set_state(p, GST_STATE_NULL);
  gst_object_unref(sink);
  gst_object_unref(p);
}

// Hands a prerolled sample's BGRx frame to use() as an image over its
// mapped memory (valid only during the call).
template <class Use>
void WithFrame(GstSample* s, Use use) {
  GstStructure* st = gst_caps_get_structure(gst_sample_get_caps(s), 0);
  int fw = 0, fh = 0;
  gst_structure_get_int(st, "width", &fw);
  gst_structure_get_int(st, "height", &fh);
  GstMapInfo map;
  GstBuffer* b = gst_sample_get_buffer(s);
  if (fw > 0 && fh > 0 && gst_buffer_map(b, &map, GST_MAP_READ)) {
    use(QImage(map.data, fw, fh, fw * 4, QImage::Format_RGB32));
    gst_buffer_unmap(b, &map);
  }
}

void BM_ClipToClipReference(benchmark::State& state) {
  TDSVideoWindowEx2* w = S().frame->DSVideoWindowEx1;
  QImage window(std::max(1, w->Width()), std::max(1, w->Height()), QImage::Format_RGB32);
  Spread spread;
  for (auto _ : state) {
    GstElement* oldSink = nullptr;
    GstElement* old = Prerolled(S().clipA, &oldSink);
    if (GstSample* s = gst_app_sink_try_pull_preroll(GST_APP_SINK(oldSink), 10 * GST_SECOND)) gst_sample_unref(s);
    // The next one made ready ahead, as the list does while the first plays.
    GstElement* sink = nullptr;
    GstElement* p = Prerolled(S().clipB, &sink);
    gst_element_get_state(p, nullptr, nullptr, 10 * GST_SECOND);
    const auto t0 = Clock::now();
    TearDown(old, oldSink);
    GstSample* s = gst_app_sink_try_pull_preroll(GST_APP_SINK(sink), 10 * GST_SECOND);
    if (s) WithFrame(s, [&window](const QImage& frame) {
        QPainter painter(&window);
        painter.drawImage(window.rect(), frame);
      });
    const auto t1 = Clock::now();
    if (s) gst_sample_unref(s);
    TearDown(p, sink);
    spread.Add(state, std::chrono::duration<double>(t1 - t0).count());
  }
  spread.Report(state);
}
BENCHMARK(BM_ClipToClipReference)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

void BM_ClipToPicture(benchmark::State& state) {
  TFrameMedia* f = S().frame;
  Spread spread;
  for (auto _ : state) {
    const double gap = Gap(S().picture, [f](bool& done, Clock::time_point& drawn) {
      f->PictureShow->OnAfterNewFrame = [&done, &drawn](TObject*, TBitmap*, TBitmap*) {
        if (done) return;
        done = true;
        drawn = Clock::now();
      };
    });
    spread.Add(state, gap);
  }
  spread.Report(state);
}
BENCHMARK(BM_ClipToPicture)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

// The first frame of a clip, BGRx.
QImage FirstFrame(const std::string& clip) {
  GstElement* sink = nullptr;
  GstElement* p = Prerolled(clip, &sink);
  QImage out;
  if (GstSample* s = gst_app_sink_try_pull_preroll(GST_APP_SINK(sink), 10 * GST_SECOND)) {
    WithFrame(s, [&out](const QImage& frame) { out = frame.copy(); });
    gst_sample_unref(s);
  }
  TearDown(p, sink);
  return out;
}

QImage DecodeJpeg(const std::string& file) {
  FILE* in = std::fopen(file.c_str(), "rb");
  if (!in) return {};
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, in);
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_EXT_BGRX;
  jpeg_start_decompress(&cinfo);
  QImage picture(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB32);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW r = picture.scanLine(int(cinfo.output_scanline));
    jpeg_read_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::fclose(in);
  return picture;
}

void BM_ClipToPictureReference(benchmark::State& state) {
  TPictureShow* show = S().frame->PictureShow;
  // Made ahead: the clip's last frame at the show's size, the picture decoded.
  QImage screen(std::max(1, show->Width()), std::max(1, show->Height()), QImage::Format_RGB32);
  {
    const QImage last = FirstFrame(S().clipA);
    QPainter painter(&screen);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(screen.rect(), last);
  }
  const QImage picture = DecodeJpeg(S().picture);
  const double opacity = std::max(1, int(show->Step())) / 100.0;
  Spread spread;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    QImage frame = screen.copy();
    QPainter painter(&frame);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setOpacity(opacity);
    painter.drawImage(frame.rect(), picture);
    painter.end();
    benchmark::DoNotOptimize(frame.constBits());
    spread.Add(state, std::chrono::duration<double>(Clock::now() - t0).count());
  }
  spread.Report(state);
}
BENCHMARK(BM_ClipToPictureReference)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

// The longest gap between the ticks of a 1 ms timer over 150 ms while a
// clip plays, the next clip prepared meanwhile or not.
void PrepareStall(benchmark::State& state, bool prepare) {
  TFrameMedia* f = S().frame;
  TFilterGraph* g = f->FilterGraph1;
  f->btStopClick(f->btStop);
  TTimer timer(nullptr);
  timer.SetEnabled(false);
  timer.SetInterval(1);
  Clock::time_point last{};
  double worstGap = 0;
  timer.OnTimer = [&](TObject*) {
    const Clock::time_point now = Clock::now();
    if (last != Clock::time_point{}) worstGap = std::max(worstGap, std::chrono::duration<double>(now - last).count());
    last = now;
  };
  Spread spread;
  int notReady = 0;
  double callWorst = 0;   // the longest PrepareFile call itself
  std::vector<double> calls;
  for (auto _ : state) {
    // The clip plays (rendered anew each run, out of the measure).
    g->SetActive(false);
    g->SetActive(true);
    g->RenderFile(S().longClip);
    g->Play();
    const auto settle = Clock::now() + std::chrono::milliseconds(40);
    while (Clock::now() < settle) {
      PumpOnce();
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    last = {};
    worstGap = 0;
    timer.SetEnabled(true);
    // The timer ticks a while first, so that the call itself counts too.
    const auto ticking = Clock::now() + std::chrono::milliseconds(10);
    while (Clock::now() < ticking) {
      PumpOnce();
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (prepare) {
      const auto c0 = Clock::now();
      g->PrepareFile(S().clipB, 0);
      calls.push_back(std::chrono::duration<double, std::milli>(Clock::now() - c0).count());
      callWorst = std::max(callWorst, calls.back());
    }
    const auto end = Clock::now() + std::chrono::milliseconds(150);
    while (Clock::now() < end) {
      PumpOnce();
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    timer.SetEnabled(false);
    if (prepare && !g->PreparedReady()) ++notReady;
    g->CancelPrepared();
    spread.Add(state, worstGap);
  }
  g->Stop();
  g->ClearGraph();
  g->SetActive(false);
  spread.Report(state);
  if (prepare) {
    state.counters["not_ready"] = notReady;
    state.counters["call_worst_ms"] = callWorst;
    std::sort(calls.begin(), calls.end());
    if (!calls.empty()) state.counters["call_median_ms"] = calls[calls.size() / 2];
  }
}

void BM_PrepareStall(benchmark::State& state) { PrepareStall(state, true); }
void BM_PrepareStallReference(benchmark::State& state) { PrepareStall(state, false); }
BENCHMARK(BM_PrepareStall)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrepareStallReference)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void BM_GoalClipWait(benchmark::State& state) {
  TFrameMedia* f = S().frame;
  double cpu = 0, wall = 0, late = 0;
  // The wait's own clock: its first reading starts the wait, its last one
  // ends it.
  int64_t first = -1, last = -1;
  f->TickSource = [&] {
    const int64_t now = GetTickCount64();
    if (first < 0) first = now;
    last = now;
    return now;
  };
  for (auto _ : state) {
    first = last = -1;
    const double c0 = CpuSeconds();
    const auto t0 = Clock::now();
    f->PlayClipBlocking(S().goal);
    const double w = std::chrono::duration<double>(Clock::now() - t0).count();
    cpu += CpuSeconds() - c0;
    wall += w;
    late = std::max(late, double(last - first) - 5000.0);
  }
  f->TickSource = nullptr;
  state.counters["cpu_pct"] = wall > 0 ? 100.0 * cpu / wall : 0;
  state.counters["late_ms"] = late;
}
BENCHMARK(BM_GoalClipWait)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  TestApp::Init(argc, argv);
  S();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(S().root);
  return 0;
}
