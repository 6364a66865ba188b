// Start-up of the console: from constructing the main window (its design and
// the whole creation handler) to the window shown, with an empty data folder
// and no settings.
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include "console/FMain.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Forms.h"
#include "toolkit/TestApp.h"

static void BM_MainWindowStartup(benchmark::State& state) {
  char tmpl[] = "/tmp/bench_startup_XXXXXX";
  const String root = mkdtemp(tmpl);
  setenv("XDG_CONFIG_HOME", (root + "/cfg").c_str(), 1);
  std::filesystem::create_directories(root + "/app");
  for (auto _ : state) {
    auto* f = new TFormMain(nullptr, TFormMainEnvironment{root + "/app/", "bench_startup"});
    f->AfterConstruction();
    f->Show();
    Application->ProcessMessages();
    state.PauseTiming();
    // Closing writes the settings; the next round starts without them again.
    Free(f);
    std::filesystem::remove_all(root + "/cfg");
    state.ResumeTiming();
  }
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_MainWindowStartup)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  TestApp::Init(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
