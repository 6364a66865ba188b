// Frame cost of the strip-pattern and shape effects on a 1920 x 1080 picture
// at Step 4: one call of the effect procedure on a screen that holds the old
// picture. Run with --benchmark_repetitions=N to see the median.
#include <benchmark/benchmark.h>
#include <memory>
#include "pictureshow/EffectFamilies.h"

namespace {

constexpr int kW = 1920, kH = 1080;

std::unique_ptr<TBitmap> Filled(uint32_t seed) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf32bit);
  b->SetSize(kW, kH);
  for (int y = 0; y < kH; ++y) {
    uint32_t* row = reinterpret_cast<uint32_t*>(b->ScanLine(y));
    for (int x = 0; x < kW; ++x) row[x] = seed ^ uint32_t(x * 2654435761u + y * 40503u);
  }
  return b;
}

void BM_Effect(benchmark::State& state) {
  const int number = int(state.range(0)), progress = int(state.range(1));
  TEffectProc proc = StripEffectProc(number);
  if (!proc) proc = ShapeEffectProc(number);
  if (!proc) {
    state.SkipWithError("no such effect");
    return;
  }
  auto old = Filled(0x123456), picture = Filled(0xABCDEF), screen = Filled(0x123456);
  TEffectRandom rng(1);
  TEffectRandomScope scope(&rng);
  const TRect r(0, 0, kW, kH);
  for (auto _ : state) {
    proc(screen.get(), picture.get(), r, 4, progress);
    benchmark::ClobberMemory();
  }
  state.SetLabel(EffectName(number));
}

void Members(benchmark::internal::Benchmark* b) {
  for (int n = 1; n <= EffectCount; ++n) {
    if (!StripEffectProc(n) && !ShapeEffectProc(n)) continue;
    for (int progress : {25, 50, 75, 96}) b->Args({n, progress});
  }
}

BENCHMARK(BM_Effect)->Apply(Members)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
