// What the console costs while it does nothing, around the browser engine:
// the share of one core that this console process uses over 20 s (all its
// threads, the engine's included; the page renderer is a process of its
// own).
// - Around a web page of the "Internet" page: before any page was shown
//   (the reference: the engine never started), while a page shows, and
//   after it was sent away (another page selected). Counters:
//   idle_before_pct, idle_shown_pct, idle_after_pct, shown_ratio.
// - Around a Flash list: before (the reference), and once a play list
//   holding a movie has been loaded (the player's page started, nothing
//   playing, the display pages on the sheet). Counters: idle_before_pct,
//   idle_flash_list_pct, flash_ratio.
// The window is a real one on an X display: without DISPLAY the program
// runs itself again under xvfb-run.
#include <benchmark/benchmark.h>

#include "bench/BenchMain.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <filesystem>
#include <ctime>
#include <unistd.h>
#include <vector>

#include "console/FMain.h"
#include "console/FrMedia.h"
#include "controls/Led.h"
#include "controls/ShockwaveEx.h"
#include "platform/web/WebBrowser.h"
#include "toolkit/Forms.h"
#include "toolkit/TestApp.h"
#include "tests/support/SwfMaker.h"

namespace {

// Seconds of processor time this process has used (all its threads), to the
// scheduler's nanosecond (the tick counts of /proc are too coarse for a share
// of half a per cent).
double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Runs the event loop for Ms milliseconds.
void Idle(int Ms) {
  QEventLoop loop;
  QTimer::singleShot(Ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// Per cent of one core used while the console idles for Ms milliseconds.
double IdleShare(int Ms) {
  QElapsedTimer wall;
  wall.start();
  const double cpu0 = CpuSeconds();
  Idle(Ms);
  return (CpuSeconds() - cpu0) * 100.0 * 1000.0 / double(wall.elapsed());
}

bool PumpUntil(const std::function<bool()>& Done, int Ms) {
  QElapsedTimer t;
  t.start();
  while (!Done() && t.elapsed() < Ms) Idle(10);
  return Done();
}

void Choose(TFormMain* f, TTabSheet* Sheet) {
  f->PageControl1->SetActivePage(Sheet);
  f->PageControl1Change(f->PageControl1);
}

// A data folder of a console in a temporary folder; gone with the object.
struct DataFolder {
  String root, app;
  DataFolder() {
    char tmpl[] = "/tmp/bench_web_idle_XXXXXX";
    root = mkdtemp(tmpl);
    setenv("XDG_CONFIG_HOME", (root + "/cfg").c_str(), 1);
    app = root + "/app/";
    for (const char* d : {"Teams", "Texts", "Pics", "Views"}) std::filesystem::create_directories(app + d);
  }
  ~DataFolder() { std::filesystem::remove_all(root); }
};

// A shown console on the display pages, settled.
TFormMain* ShownConsole(const DataFolder& Folder) {
  auto* f = new TFormMain(nullptr, TFormMainEnvironment{Folder.app, "bench_web_idle"});
  f->AfterConstruction();
  f->Show();
  f->PageControl2->SetActivePage(f->Sheet_Tablo);
  Idle(2000);   // the window settles
  return f;
}

}  // namespace

static void BM_IdleAroundAWebPage(benchmark::State& state) {
  DataFolder folder;
  const String& app = folder.app;
  SaveTextFile(app + "page.html",
               "<html><body style='background:#cde'><h1>Stadium news</h1><p>Kick-off at 18:00.</p></body></html>");
  const int ms = int(state.range(0));
  for (auto _ : state) {
    TFormMain* f = ShownConsole(folder);
    const double before = IdleShare(ms);
    state.counters["idle_before_pct"] = before;
    f->ListInet->Items()->SetText("News\tfile://" + app + "page.html\n");
    Choose(f, f->Sheet_Inet);
    f->ListInet->SetItemIndex(0);
    f->ListInetDblClick(f->ListInet);
    if (!PumpUntil([f] { return !f->WebBrowser->Busy() && !f->InetLedLoader->Value(); }, 30000))
      state.SkipWithError("the page did not load");
    Idle(2000);
    const double shown = IdleShare(ms);
    state.counters["idle_shown_pct"] = shown;
    state.counters["shown_ratio"] = before > 0 ? shown / before : 0;
    Choose(f, f->TabSheet1);
    Idle(2000);
    state.counters["idle_after_pct"] = IdleShare(ms);
    Free(f);
  }
}
BENCHMARK(BM_IdleAroundAWebPage)->Arg(20000)->Iterations(1)->Unit(benchmark::kSecond);

static void BM_IdleAroundAFlashList(benchmark::State& state) {
  if (!FlashPlayerAvailable()) {
    state.SkipWithError("no Flash player in this build");
    return;
  }
  DataFolder folder;
  const String& app = folder.app;
  swf::Save(app + "Pics/movie.swf", swf::Movie{});
  SaveTextFile(app + "Pics/movies.txt", "movie.swf\n");
  const int ms = int(state.range(0));
  for (auto _ : state) {
    TFormMain* f = ShownConsole(folder);
    const double before = IdleShare(ms);
    state.counters["idle_before_pct"] = before;
    f->FrameMedia1->LoadPlayList(app + "Pics/movies.txt");
    if (f->FrameMedia1->ShockwaveFlashEx1->Player()->PageStarts() != 1) state.SkipWithError("the page did not start");
    Idle(10000);   // the page starts and loads its blank movie
    const double loaded = IdleShare(ms);
    state.counters["idle_flash_list_pct"] = loaded;
    state.counters["flash_ratio"] = before > 0 ? loaded / before : 0;
    Free(f);
  }
}
BENCHMARK(BM_IdleAroundAFlashList)->Arg(20000)->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char** argv) { return RunWindowedBenchmarks(argc, argv); }
