// Saving the match as it changes, against the same work with that saving
// switched off, in one run: the match clock's tick and a page sent to the
// output (the main page and the goals page in turn) while the match changes
// before each round (a goal line, a card), timed in alternating pairs (the
// order of the two modes swaps every round). With saving on, the save each
// change asks for is handed over inside the send and written on the writer's
// thread while the ticks run. Also the main thread's cost of one look for
// changes (the settings values taken and compared). Figures are the medians
// of the rounds (a busy machine preempts a few of them).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "console/FMain.h"
#include "pictureshow/PictureShow.h"
#include "toolkit/Forms.h"
#include "toolkit/Registry.h"
#include "toolkit/Timer.h"
#include "BenchMain.h"

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

double Micros(std::chrono::steady_clock::duration d) {
  return double(std::chrono::duration_cast<std::chrono::nanoseconds>(d).count()) / 1000.0;
}

struct Console {
  String root, app;
  TFormMain* f = nullptr;

  Console() {
    char tmpl[] = "/tmp/bench_matchsave_XXXXXX";
    root = mkdtemp(tmpl);
    setenv("XDG_CONFIG_HOME", (root + "/cfg").c_str(), 1);
    app = root + "/app/";
    for (const char* d : {"Teams", "Texts", "Pics", "Views"}) std::filesystem::create_directories(app + d);
    for (const char* team : {"Alpha (North)", "Beta (South)"}) {
      std::filesystem::create_directories(app + "Teams/" + team);
      String text = "[Name]\nLName=" + String(team).substr(0, 5) + "\nSName=X\nTown=T\nLogo=\n";
      for (int n = 1; n <= 22; ++n) text += "[" + IntToStr(n) + "]\nY=1\nF=Surname" + IntToStr(n) + "\nI=Name\nK=\n";
      SaveTextFile(app + "Teams/" + team + "/" + team + ".txt", text);
    }
    f = new TFormMain(nullptr, TFormMainEnvironment{app, "bench_matchsave"});
    f->AfterConstruction();
    f->Show();
    f->BufferTablo->SetDelay(0);
    for (TComboBox* side : {f->cbSud_Comanda1, f->cbSud_Comanda2}) {
      side->SetItemIndex(side == f->cbSud_Comanda1 ? 1 : 2);
      f->cbSud_Comanda1Change(side);
    }
    f->bFullOK->Click();
    f->Sud_Play->Click();
    Application->ProcessMessages();
  }
  ~Console() {
    Free(f);
    std::filesystem::remove_all(root);
  }

  void Send(TTabSheet* page) {
    f->PageControl1->SetActivePage(page);
    f->PageControl1Change(f->PageControl1);
    f->PageControl1->SetActivePageIndex(0);
    f->PageControl1Change(f->PageControl1);
  }

  // A change of the match: a goal line, a card for a player.
  void Change(int round) {
    TStrings* goals = f->TabloGol_List->Lines();
    if (goals->Count() >= 8) goals->Clear();
    goals->Add("0 " + IntToStr(round % 90 + 1) + "'  7  Surname7 Name; Alpha (North)");
    f->TeamSlots[1].Players[size_t(round % 22)].K = IntToStr(round % 3);
    f->MatchStateChanged();
  }
};

void BM_TickAndPageSendWithMatchSaving(benchmark::State& state) {
  constexpr int Rounds = 24, Ticks = 2000;
  Console c;
  std::vector<double> tick[2], send[2];   // per round, [saving on]
  int writes = 0;
  for (auto _ : state) {
    const int before = c.f->MatchStateWrites();
    for (int round = 0; round < Rounds; ++round) {
      for (int k = 0; k < 2; ++k) {
        const bool on = (round + k) % 2 == 1;
        c.f->SetMatchSaving(on);
        c.Change(round * 2 + k);
        // The save asked for is due when the send begins.
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        auto t0 = std::chrono::steady_clock::now();
        c.Send(round % 2 ? c.f->TabSheet2 : c.f->TabSheet1);
        send[on].push_back(Micros(std::chrono::steady_clock::now() - t0) / 1000.0);
        t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < Ticks; ++i) c.f->TimerIgraTimer(c.f->TimerIgra);
        tick[on].push_back(Micros(std::chrono::steady_clock::now() - t0) / Ticks);
        // The writer ends its write before the other mode's turn.
        WaitFor([&c] { return c.f->MatchStateSaved(); }, on ? 5000 : 0);
      }
    }
    writes = c.f->MatchStateWrites() - before;
  }
  c.f->SetMatchSaving(true);
  // One look for changes, as the timer makes it twice a second.
  const int looks = 2000;
  const auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < looks; ++i) benchmark::DoNotOptimize(c.f->MatchStateSaved());
  const double lookUs = Micros(std::chrono::steady_clock::now() - t0) / looks;

  state.counters["tick_us_saving"] = Median(tick[1]);
  state.counters["tick_us_off"] = Median(tick[0]);
  state.counters["tick_ratio"] = Median(tick[1]) / Median(tick[0]);
  state.counters["send_ms_saving"] = Median(send[1]);
  state.counters["send_ms_off"] = Median(send[0]);
  state.counters["send_ratio"] = Median(send[1]) / Median(send[0]);
  state.counters["background_writes"] = writes;
  state.counters["look_us"] = lookUs;
}
BENCHMARK(BM_TickAndPageSendWithMatchSaving)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunBenchmarks(argc, argv); }
