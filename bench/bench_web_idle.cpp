// What the console costs while it does nothing, around a web page of the
// "Internet" page: the share of one core that this console process uses over
// 10 s, read from /proc, before any page was shown, while a page shows, and
// after it was sent away (another page selected). The window is a real one on
// an X display: without DISPLAY the program runs itself again under
// xvfb-run. Counters: idle_before_pct, idle_shown_pct, idle_after_pct.
#include <benchmark/benchmark.h>

#include "bench/VirtualDisplay.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "console/FMain.h"
#include "controls/Led.h"
#include "platform/web/WebBrowser.h"
#include "toolkit/Forms.h"
#include "toolkit/TestApp.h"

namespace {

// Seconds of processor time this process has used (all its threads).
double CpuSeconds() {
  std::ifstream in("/proc/self/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::istringstream rest(text.substr(text.rfind(')') + 2));
  std::vector<std::string> f;
  for (std::string w; rest >> w;) f.push_back(w);
  if (f.size() < 13) return 0;
  return double(std::stoll(f[11]) + std::stoll(f[12])) / double(sysconf(_SC_CLK_TCK));
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

}  // namespace

static void BM_IdleAroundAWebPage(benchmark::State& state) {
  char tmpl[] = "/tmp/bench_web_idle_XXXXXX";
  const String root = mkdtemp(tmpl);
  setenv("XDG_CONFIG_HOME", (root + "/cfg").c_str(), 1);
  const String app = root + "/app/";
  for (const char* d : {"Teams", "Texts", "Pics", "Views"}) std::filesystem::create_directories(app + d);
  SaveTextFile(app + "page.html",
               "<html><body style='background:#cde'><h1>Stadium news</h1><p>Kick-off at 18:00.</p></body></html>");
  const int ms = int(state.range(0));
  for (auto _ : state) {
    auto* f = new TFormMain(nullptr, TFormMainEnvironment{app, "bench_web_idle"});
    f->AfterConstruction();
    f->Show();
    f->PageControl2->SetActivePage(f->Sheet_Tablo);
    Idle(2000);   // the window settles
    state.counters["idle_before_pct"] = IdleShare(ms);
    f->ListInet->Items()->SetText("News\tfile://" + app + "page.html\n");
    Choose(f, f->Sheet_Inet);
    f->ListInet->SetItemIndex(0);
    f->ListInetDblClick(f->ListInet);
    if (!PumpUntil([f] { return !f->WebBrowser->Busy() && !f->InetLedLoader->Value(); }, 30000))
      state.SkipWithError("the page did not load");
    Idle(2000);
    state.counters["idle_shown_pct"] = IdleShare(ms);
    Choose(f, f->TabSheet1);
    Idle(2000);
    state.counters["idle_after_pct"] = IdleShare(ms);
    Free(f);
  }
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_IdleAroundAWebPage)->Arg(10000)->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char** argv) {
  if (!EnsureDisplay(argc, argv)) return 1;
  setenv("QT_QPA_PLATFORM", "xcb", 0);
  TestApp::Init(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
