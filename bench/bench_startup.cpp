// Start-up of the console: from constructing the main window (its design and
// the whole creation handler) to the window shown, with an empty data folder
// and no settings.
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <chrono>
#include <sys/wait.h>
#include <unistd.h>
#include "console/FMain.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Forms.h"
#include "BenchMain.h"

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

// A library of 100 teams of 25 persons each under "Teams/".
static void MakeTeamLibrary(const String& app) {
  for (int t = 1; t <= 100; ++t) {
    const String folder = "Team " + IntToStr(t) + " (Town " + IntToStr(t) + ")";
    std::filesystem::create_directories(app + "Teams/" + folder);
    String text = "[Name]\nLName=Team " + IntToStr(t) + "\nSName=T" + IntToStr(t) + "\nTown=Town " + IntToStr(t) +
                  "\nLogo=\n";
    for (int n = 1; n <= 25; ++n)
      text += "[" + IntToStr(n) + "]\nY=1\nF=Surname " + IntToStr(n) + "\nI=Name\nB=01.01.1990\nR=180/75\nK=0\n"
              "A=Defender\nP=\n";
    SaveTextFile(app + "Teams/" + folder + "/" + folder + ".txt", text);
  }
}

// Start-up over a library of 100 teams: the three team combos are filled
// from it.
static void BM_MainWindowStartupTeams100(benchmark::State& state) {
  char tmpl[] = "/tmp/bench_startup_XXXXXX";
  const String root = mkdtemp(tmpl);
  setenv("XDG_CONFIG_HOME", (root + "/cfg").c_str(), 1);
  MakeTeamLibrary(root + "/app/");
  for (auto _ : state) {
    auto* f = new TFormMain(nullptr, TFormMainEnvironment{root + "/app/", "bench_startup"});
    f->AfterConstruction();
    f->Show();
    Application->ProcessMessages();
    state.PauseTiming();
    if (f->cbSek_Komands->Items()->Count() != 101) state.SkipWithError("team library not listed");
    Free(f);
    std::filesystem::remove_all(root + "/cfg");
    state.ResumeTiming();
  }
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_MainWindowStartupTeams100)->Unit(benchmark::kMillisecond);

// Loading one team of 101 persons (808 entries) into the editor.
static void BM_LoadTeamFile101(benchmark::State& state) {
  char tmpl[] = "/tmp/bench_startup_XXXXXX";
  const String root = mkdtemp(tmpl);
  setenv("XDG_CONFIG_HOME", (root + "/cfg").c_str(), 1);
  const String app = root + "/app/";
  const String folder = "Full (Town)";
  std::filesystem::create_directories(app + "Teams/" + folder);
  String text = "[Name]\nLName=Full\nTown=Town\n";
  for (int n = 1; n <= 101; ++n)
    text += "[" + IntToStr(n) + "]\nY=1\nF=Surname " + IntToStr(n) + "\nI=Name\nB=01.01.1990\nR=180/75\nK=0\n"
            "A=Defender\nP=photo.jpg\n";
  SaveTextFile(app + "Teams/" + folder + "/" + folder + ".txt", text);
  auto* f = new TFormMain(nullptr, TFormMainEnvironment{app, "bench_startup"});
  f->AfterConstruction();
  for (auto _ : state) f->LoadTeamFile(0, folder);
  if (f->TeamSlots[0].Players[100].Nr != 101) state.SkipWithError("team not loaded");
  Free(f);
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_LoadTeamFile101)->Unit(benchmark::kMillisecond);

#ifdef TABLO_EXE
// The whole program from process start to its main window shown: the
// executable is copied into a data folder of its own (its folder is the data
// folder) and run with TABLO_QUIT_WHEN_SHOWN, which ends it once the window is up.
static void RunProgramStartup(benchmark::State& state, bool withTeams) {
  char tmpl[] = "/tmp/bench_process_XXXXXX";
  const String root = mkdtemp(tmpl);
  const String app = root + "/app/";
  std::filesystem::create_directories(app);
  if (withTeams) MakeTeamLibrary(app);
  std::filesystem::copy_file(TABLO_EXE, app + "tablo");
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
      setenv("QT_QPA_PLATFORM", "offscreen", 1);
      setenv("TABLO_QUIT_WHEN_SHOWN", "1", 1);
      setenv("XDG_CONFIG_HOME", (root + "/cfg").c_str(), 1);
      execl((app + "tablo").c_str(), "tablo", static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const auto t1 = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("the program did not end cleanly");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    std::filesystem::remove_all(root + "/cfg");
  }
  std::filesystem::remove_all(root);
}
static void BM_ProgramStartToWindowShown(benchmark::State& state) { RunProgramStartup(state, false); }
static void BM_ProgramStartToWindowShownTeams100(benchmark::State& state) { RunProgramStartup(state, true); }
BENCHMARK(BM_ProgramStartToWindowShown)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProgramStartToWindowShownTeams100)->UseManualTime()->Unit(benchmark::kMillisecond);
#endif

int main(int argc, char** argv) {
  return RunBenchmarks(argc, argv);
}
