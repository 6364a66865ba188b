// Frame composition time of the copy-based effects on a full-HD frame: each
// must compose a 1920 x 1080 frame in well under one frame interval.
#include <benchmark/benchmark.h>
#include <memory>
#include "pictureshow/EffectFamilies.h"

namespace {

constexpr int kW = 1920, kH = 1080;

std::unique_ptr<TBitmap> Filled(uint8_t seed) {
  auto b = std::make_unique<TBitmap>();
  b->SetSize(kW, kH);
  for (int y = 0; y < kH; ++y) {
    uint8_t* row = b->ScanLine(y);
    for (int x = 0; x < 4 * kW; ++x) row[x] = uint8_t(x * 7 + y * 3 + seed);
  }
  return b;
}

void BM_CopyEffect(benchmark::State& state) {
  const int number = int(state.range(0));
  const int progress = int(state.range(1));
  const TEffectProc proc = CopyEffectProc(number);
  if (!proc) {
    state.SkipWithError("no procedure");
    return;
  }
  auto old = Filled(1), picture = Filled(2), screen = Filled(1);
  for (auto _ : state) {
    // The picture show puts the old picture back before every frame.
    screen->Canvas()->CopyRect(TRect(0, 0, kW, kH), old->Canvas(), TRect(0, 0, kW, kH));
    proc(screen.get(), picture.get(), TRect(0, 0, kW, kH), 4, progress);
    benchmark::ClobberMemory();
  }
}

void CopyEffectArgs(benchmark::internal::Benchmark* b) {
  for (int n = 1; n <= 57; ++n)
    for (int p : {25, 75}) b->Args({n, p});
  for (int n = 128; n <= 135; ++n)
    for (int p : {25, 75}) b->Args({n, p});
}

BENCHMARK(BM_CopyEffect)->Apply(CopyEffectArgs)->Unit(benchmark::kMillisecond);

// The reset alone, to tell the effect's share from the frame's set-up.
void BM_FrameReset(benchmark::State& state) {
  auto old = Filled(1), screen = Filled(1);
  for (auto _ : state) {
    screen->Canvas()->CopyRect(TRect(0, 0, kW, kH), old->Canvas(), TRect(0, 0, kW, kH));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FrameReset)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
