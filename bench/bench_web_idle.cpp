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
// Each case runs in a process of its own, started for it before anything of
// Qt, the engine or GStreamer is there, so that its "before" is a console
// that never started the engine; its counters come back through a pipe.
// Beside each share, the engine's processes below the console (named
// "QtWebEngineProc...": its zygotes and page renderers) are counted
// (engine_procs_*), with the share of a core they used over the same time
// (engine_cpu_*_pct, not part of the console's share).
// The window is a real one on an X display: without DISPLAY the program
// runs itself again under xvfb-run.
#include <benchmark/benchmark.h>

#include "bench/BenchMain.h"
#include "bench/ChildProcesses.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
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

// Per cent of one core used while the console idles for Ms milliseconds,
// and by the engine's processes below it meanwhile.
struct TIdle {
  double Console = 0, Engine = 0;
  int EngineProcesses = 0;
};
TIdle IdleShare(int Ms) {
  QElapsedTimer wall;
  wall.start();
  const double cpu0 = CpuSeconds();
  const TDescendants engine0 = Descendants("QtWebEngineProc");
  Idle(Ms);
  const TDescendants engine1 = Descendants("QtWebEngineProc");
  const double share = 100.0 * 1000.0 / double(wall.elapsed());
  TIdle r;
  r.Console = (CpuSeconds() - cpu0) * share;
  r.Engine = std::max(0.0, engine1.CpuSeconds - engine0.CpuSeconds) * share;
  r.EngineProcesses = engine1.Count;
  return r;
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

// The counters a case gives back, and why it could not run (empty: it ran).
struct TCaseResult {
  std::map<std::string, double> Counters;
  std::string Error;
};

// The arguments the application of a case is made with.
int gArgc = 1;
char* gArgv[2] = {nullptr, nullptr};

// Runs Case in a process of its own (this one forked before Qt is there):
// the child makes the application, runs the case and writes its result
// into a pipe, which the parent reads into the benchmark's counters.
void RunInOwnProcess(benchmark::State& state, const std::function<void(TCaseResult&)>& Case) {
  int fds[2];
  if (pipe(fds) != 0) {
    state.SkipWithError("no pipe");
    return;
  }
  const pid_t pid = fork();
  if (pid < 0) {
    state.SkipWithError("no process");
    return;
  }
  if (pid == 0) {
    close(fds[0]);
    TCaseResult r;
    try {
      TestApp::Init(gArgc, gArgv);
      Case(r);
    } catch (const std::exception& e) {
      r.Error = e.what();
    }
    std::ostringstream out;
    for (const auto& [name, value] : r.Counters) out << name << ' ' << value << '\n';
    if (!r.Error.empty()) out << "error " << r.Error << '\n';
    const std::string text = out.str();
    for (size_t done = 0; done < text.size();) {
      const ssize_t n = write(fds[1], text.data() + done, text.size() - done);
      if (n <= 0) break;
      done += size_t(n);
    }
    close(fds[1]);
    // The engine's processes end with the application (a minute at most).
    alarm(60);
    TestApp::Finish();
    _exit(0);
  }
  close(fds[1]);
  std::string text;
  char buf[4096];
  for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) text.append(buf, size_t(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  std::istringstream in(text);
  bool any = false;
  for (std::string line; std::getline(in, line);) {
    const size_t blank = line.find(' ');
    if (blank == std::string::npos) continue;
    const std::string name = line.substr(0, blank), value = line.substr(blank + 1);
    if (name == "error") {
      state.SkipWithError(value.c_str());
      return;
    }
    state.counters[name] = std::atof(value.c_str());
    any = true;
  }
  if (!any) state.SkipWithError("the case's process ended without a result");
}

}  // namespace

static void BM_IdleAroundAWebPage(benchmark::State& state) {
  const int ms = int(state.range(0));
  for (auto _ : state) {
    RunInOwnProcess(state, [ms](TCaseResult& r) {
      DataFolder folder;
      const String& app = folder.app;
      SaveTextFile(app + "page.html",
                   "<html><body style='background:#cde'><h1>Stadium news</h1><p>Kick-off at 18:00.</p></body></html>");
      TFormMain* f = ShownConsole(folder);
      const TIdle before = IdleShare(ms);
      r.Counters["idle_before_pct"] = before.Console;
      r.Counters["engine_procs_before"] = before.EngineProcesses;
      f->ListInet->Items()->SetText("News\tfile://" + app + "page.html\n");
      Choose(f, f->Sheet_Inet);
      f->ListInet->SetItemIndex(0);
      f->ListInetDblClick(f->ListInet);
      if (!PumpUntil([f] { return !f->WebBrowser->Busy() && !f->InetLedLoader->Value(); }, 30000)) {
        r.Error = "the page did not load";
        Free(f);
        return;
      }
      Idle(2000);
      const TIdle shown = IdleShare(ms);
      r.Counters["idle_shown_pct"] = shown.Console;
      r.Counters["shown_ratio"] = before.Console > 0 ? shown.Console / before.Console : 0;
      r.Counters["engine_procs_shown"] = shown.EngineProcesses;
      r.Counters["engine_cpu_shown_pct"] = shown.Engine;
      Choose(f, f->TabSheet1);
      Idle(2000);
      const TIdle after = IdleShare(ms);
      r.Counters["idle_after_pct"] = after.Console;
      r.Counters["engine_procs_after"] = after.EngineProcesses;
      r.Counters["engine_cpu_after_pct"] = after.Engine;
      Free(f);
    });
  }
}
BENCHMARK(BM_IdleAroundAWebPage)->Arg(20000)->Iterations(1)->Unit(benchmark::kSecond);

static void BM_IdleAroundAFlashList(benchmark::State& state) {
  const int ms = int(state.range(0));
  for (auto _ : state) {
    RunInOwnProcess(state, [ms](TCaseResult& r) {
      if (!FlashPlayerAvailable()) {
        r.Error = "no Flash player in this build";
        return;
      }
      DataFolder folder;
      const String& app = folder.app;
      swf::Save(app + "Pics/movie.swf", swf::Movie{});
      SaveTextFile(app + "Pics/movies.txt", "movie.swf\n");
      TFormMain* f = ShownConsole(folder);
      const TIdle before = IdleShare(ms);
      r.Counters["idle_before_pct"] = before.Console;
      r.Counters["engine_procs_before"] = before.EngineProcesses;
      f->FrameMedia1->LoadPlayList(app + "Pics/movies.txt");
      if (f->FrameMedia1->ShockwaveFlashEx1->Player()->PageStarts() != 1) {
        r.Error = "the page did not start";
        Free(f);
        return;
      }
      Idle(10000);   // the page starts and loads its blank movie
      const TIdle loaded = IdleShare(ms);
      r.Counters["idle_flash_list_pct"] = loaded.Console;
      r.Counters["flash_ratio"] = before.Console > 0 ? loaded.Console / before.Console : 0;
      r.Counters["engine_procs_flash_list"] = loaded.EngineProcesses;
      r.Counters["engine_cpu_flash_list_pct"] = loaded.Engine;
      Free(f);
    });
  }
}
BENCHMARK(BM_IdleAroundAFlashList)->Arg(20000)->Iterations(1)->Unit(benchmark::kSecond);

// The application is made in each case's own process, not here.
int main(int argc, char** argv) {
  if (!EnsureDisplay(argc, argv)) return 1;
  setenv("QT_QPA_PLATFORM", "xcb", 0);
  gArgv[0] = argv[0];
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
