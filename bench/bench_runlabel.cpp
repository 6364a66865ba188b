// Smoothness and cost of the running text: the cost of one scroll step of a
// full-HD-wide line (also for texts of 100 to 100,000 characters), the tick
// period reached against the set speed, and the whole console's share of a
// core while the text runs over the output.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>

#include "console/FMain.h"
#include "controls/RunLabel.h"
#include "toolkit/Forms.h"
#include "toolkit/Registry.h"
#include "toolkit/Timer.h"
#include "BenchMain.h"

namespace {

// A running label whose ticks the benchmark drives, each a frame after the
// previous one, so that every step is painted.
class BenchRun : public TRunLabel {
 public:
  using TRunLabel::TRunLabel;
  void Tick() {
    clock_ += FrameMs;
    TimerTick();
  }
 protected:
  int64_t FrameClock() const override { return clock_; }
 private:
  int64_t clock_ = 0;
};

const char* kText =
    "RUNNING STRING  *  Welcome to the stadium  *  Next home match on Saturday at 18:00  *  "
    "Tickets at the box office and online";

void SetUpLine(BenchRun* r) {
  TFont f;
  f.SetName("Arial Narrow");
  f.SetStyle({fsBold});
  f.SetHeight(-27);
  f.SetColor(clWhite);
  r->SetRFont(&f);
  r->SetColorH(TColor(32));
  r->SetColorS(TColor(32));
  r->SetRText(kText);
  r->SetDirection(rdRightToLeft);
}

struct Strip {
  TForm* form;
  BenchRun* run;
  Strip() {
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 1920, 120);
    run = new BenchRun(form);
    run->SetParent(form);
    run->SetBounds(0, 80, 1920, 40);
    SetUpLine(run);
    form->Show();
    Application->ProcessMessages();
  }
  ~Strip() { Free(form); }
};

// One tick: advance one step and paint the strip at once, as on screen.
void BM_RunLabelStep(benchmark::State& state) {
  Strip s;
  s.run->SetOneStep(int(state.range(0)));
  s.run->Start(0);
  for (auto _ : state) s.run->Tick();
  s.run->Stop();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RunLabelStep)->Arg(1)->Arg(8)->Unit(benchmark::kMicrosecond);

// A text of n characters: the console's sample line repeated.
String TextOfLength(size_t n) {
  String t;
  while (t.size() < n) t += kText;
  t.resize(n);
  return t;
}

// One painted step at 1920 wide for texts of 100, 10,000 and 100,000
// characters, with the text under the strip's right edge (glyphs entering at
// every step, as during most of a run): a step costs the same whatever the
// length.
void BM_RunLabelStepByLength(benchmark::State& state) {
  Strip s;
  s.run->SetRText(TextOfLength(size_t(state.range(0))));
  s.run->Start((s.run->Steps() - s.run->Width()) / 2);
  s.run->Tick();   // the first paint lays the text out
  for (auto _ : state) s.run->Tick();
  s.run->Stop();
  state.counters["chars"] = double(state.range(0));
}
BENCHMARK(BM_RunLabelStepByLength)->Arg(100)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// Laying a new text out (once per text of the list).
void BM_RunLabelNewText(benchmark::State& state) {
  Strip s;
  const String a = TextOfLength(size_t(state.range(0))), b = a + "!";
  bool flip = false;
  for (auto _ : state) {
    s.run->SetRText((flip = !flip) ? a : b);
    s.run->Tick();
  }
  state.counters["chars"] = double(state.range(0));
}
BENCHMARK(BM_RunLabelNewText)->Arg(100)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The picture of one step rendered into a bitmap (no screen involved).
void BM_RunLabelPaintTo(benchmark::State& state) {
  Strip s;
  TBitmap target(1920, 40);
  int pos = 0;
  for (auto _ : state) {
    s.run->Start(pos);
    s.run->Stop();
    s.run->PaintTo(target.Canvas(), 0, 0);
    pos = (pos + 1) % s.run->Steps();
  }
}
BENCHMARK(BM_RunLabelPaintTo)->Unit(benchmark::kMicrosecond);

// The real tick period against the set Speed, over half a second of running.
void BM_RunLabelTickPeriod(benchmark::State& state) {
  Strip s;
  const int speed = int(state.range(0));
  s.run->SetSpeed(speed);
  int64_t steps = 0;
  s.run->OnStep = [&](TObject*) { ++steps; };
  double elapsed = 0;
  for (auto _ : state) {
    steps = 0;
    s.run->Start(0);
    const int64_t t0 = GetTickCount64();
    while (GetTickCount64() - t0 < 500) Application->HandleMessage();
    elapsed = double(GetTickCount64() - t0);
    s.run->Stop();
  }
  state.counters["set_ms"] = speed;
  state.counters["period_ms"] = steps ? elapsed / double(steps) : 0.0;
  state.counters["ticks"] = double(steps);
}
BENCHMARK(BM_RunLabelTickPeriod)->Arg(1)->Arg(10)->Arg(20)->Iterations(1)->Unit(benchmark::kMillisecond);

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The console itself (its main window with every page and timer) with the
// running text over the output: the TV+ page is sent to the screen and the
// text plays at Speed ms per step (1 = the fastest position of the speed
// bar, 3 pixels a step; 10 = the form's speed, 1 pixel a step; 0 = the
// text stopped, for the console's own share). The share is the process's
// CPU time over 10 s of wall time, in percent of one core. Arguments: speed,
// output width (384 = no stored size; 1920 = a full-HD output).
void BM_ConsoleRunTextCpu(benchmark::State& state) {
  const int speed = int(state.range(0)), width = int(state.range(1));
  char tmpl[] = "/tmp/bench_runtext_XXXXXX";
  const String root = mkdtemp(tmpl);
  const String app = root + "/app/";
  setenv("XDG_CONFIG_HOME", (root + "/cfg").c_str(), 1);
  for (const char* d : {"Teams", "Texts", "Pics", "Views"}) std::filesystem::create_directories(app + d);
  SaveTextFile(app + "Texts/RS_Color.txt", String(kText) + "\n" + TextOfLength(2000) + "\n");
  if (width != 384) {
    TRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    reg.OpenKey("\\Software\\Quellmark\\bench_runtext", true);
    reg.WriteInteger("XWidth", width);
    reg.WriteInteger("YHeight", width * 9 / 16);
    reg.CloseKey();
  }
  auto* f = new TFormMain(nullptr, TFormMainEnvironment{app, "bench_runtext"});
  f->AfterConstruction();
  f->Show();
  Application->ProcessMessages();
  f->PageControl1->SetActivePage(f->Sheet_TV);
  f->PageControl1Change(f->PageControl1);
  f->PageControl1->SetActivePageIndex(0);
  f->PageControl1Change(f->PageControl1);
  if (speed > 0) {
    f->rlSpeed->SetPosition(2);
    if (speed != 1) {
      f->RunStr->SetSpeed(speed);
      f->RunStr->SetOneStep(1);
    }
    f->rlPlay->Click();
  }
  int64_t steps = 0;
  f->RunStr->OnStep = [&](TObject*) { ++steps; };
  // Wakes the loop now and then so that it sees the end of the 10 s.
  TTimer wake(nullptr);
  wake.SetInterval(250);
  wake.OnTimer = [](TObject*) {};
  wake.SetEnabled(true);
  double share = 0;
  for (auto _ : state) {
    const double c0 = CpuSeconds();
    const int64_t t0 = GetTickCount64();
    while (GetTickCount64() - t0 < 10000) Application->HandleMessage();
    share = 100.0 * (CpuSeconds() - c0) / (double(GetTickCount64() - t0) / 1000.0);
  }
  if (speed > 0 && (f->RunStr->Parent() != f->PanelTabloColor || !f->RunStr->IsRunning()))
    state.SkipWithError("the running text is not running over the output");
  state.counters["cpu_pct"] = share;
  state.counters["steps_per_s"] = double(steps) / 10.0;
  f->RunStr->OnStep = nullptr;
  Free(f);
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_ConsoleRunTextCpu)
    ->Args({0, 384})
    ->Args({1, 384})
    ->Args({10, 384})
    ->Args({0, 1920})
    ->Args({1, 1920})
    ->Args({10, 1920})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  return RunBenchmarks(argc, argv);
}
