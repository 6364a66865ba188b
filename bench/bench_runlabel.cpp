// Smoothness of the running text: the cost of painting one scroll step of a
// full-HD-wide line, and the tick period reached against the set speed.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "controls/RunLabel.h"
#include "toolkit/Forms.h"
#include "toolkit/TestApp.h"

namespace {

class BenchRun : public TRunLabel {
 public:
  using TRunLabel::TRunLabel;
  void Tick() { TimerTick(); }
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

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  TestApp::Init(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
