// Speed of the pixel copies that picture transitions run every frame at
// 1920x1080: plain, stretched, mirrored, clipped by a many-rectangle region,
// and combining copy modes; a picture with alpha composed, beside one keyed
// on a colour.
#include <benchmark/benchmark.h>

#include <QImage>
#include <cstdlib>

#include "toolkit/Graphics.h"
#include "BenchMain.h"

namespace {

constexpr int W = 1920, H = 1080;

std::unique_ptr<TBitmap> noise(int w, int h) {
  auto b = std::make_unique<TBitmap>(w, h);
  uint32_t seed = 12345;
  for (int y = 0; y < h; ++y) {
    uint32_t* p = reinterpret_cast<uint32_t*>(b->ScanLine(y));
    for (int x = 0; x < w; ++x) {
      seed = seed * 1664525u + 1013904223u;
      p[x] = 0xFF000000u | (seed >> 8);
    }
  }
  return b;
}

void BM_CopyRectFullFrame(benchmark::State& st) {
  auto src = noise(W, H);
  TBitmap dst(W, H);
  for (auto _ : st) {
    dst.Canvas()->CopyRect(Rect(0, 0, W, H), src->Canvas(), Rect(0, 0, W, H));
    benchmark::DoNotOptimize(dst.ScanLine(0));
  }
  st.SetItemsProcessed(st.iterations() * W * H);
}
BENCHMARK(BM_CopyRectFullFrame)->Unit(benchmark::kMillisecond);

void BM_StretchDrawUpscale(benchmark::State& st) {
  auto src = noise(1280, 720);
  TBitmap dst(W, H);
  for (auto _ : st) {
    dst.Canvas()->StretchDraw(Rect(0, 0, W, H), src.get());
    benchmark::DoNotOptimize(dst.ScanLine(0));
  }
  st.SetItemsProcessed(st.iterations() * W * H);
}
BENCHMARK(BM_StretchDrawUpscale)->Unit(benchmark::kMillisecond);

void BM_CopyRectShrinkingZoom(benchmark::State& st) {
  auto src = noise(W, H);
  TBitmap dst(W, H);
  int k = 0;
  for (auto _ : st) {
    // A zoom step of a transition: a shrinking source rectangle.
    int m = (k++ % 100) * 4;
    dst.Canvas()->CopyRect(Rect(0, 0, W, H), src->Canvas(), Rect(m, m / 2, W - m, H - m / 2));
    benchmark::DoNotOptimize(dst.ScanLine(0));
  }
  st.SetItemsProcessed(st.iterations() * W * H);
}
BENCHMARK(BM_CopyRectShrinkingZoom)->Unit(benchmark::kMillisecond);

void BM_CopyRectMirrored(benchmark::State& st) {
  auto src = noise(W, H);
  TBitmap dst(W, H);
  for (auto _ : st) {
    dst.Canvas()->CopyRect(Rect(0, 0, W, H), src->Canvas(), Rect(W, H, 0, 0));
    benchmark::DoNotOptimize(dst.ScanLine(0));
  }
  st.SetItemsProcessed(st.iterations() * W * H);
}
BENCHMARK(BM_CopyRectMirrored)->Unit(benchmark::kMillisecond);

void BM_CopyRectClippedByStripes(benchmark::State& st) {
  auto src = noise(W, H);
  TBitmap dst(W, H);
  // Venetian-blind style clip: 4-pixel stripes in both directions.
  std::vector<uint8_t> mask(size_t(W) * H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) mask[size_t(y) * W + x] = ((x / 4 + y / 4) & 1) ? 1 : 0;
  TRegion clip = TRegion::FromMask(mask, W, H);
  dst.Canvas()->SelectClipRgn(&clip);
  for (auto _ : st) {
    dst.Canvas()->CopyRect(Rect(0, 0, W, H), src->Canvas(), Rect(0, 0, W, H));
    benchmark::DoNotOptimize(dst.ScanLine(0));
  }
  st.SetItemsProcessed(st.iterations() * W * H);
}
BENCHMARK(BM_CopyRectClippedByStripes)->Unit(benchmark::kMillisecond);

void BM_RegionFromMaskStripes(benchmark::State& st) {
  std::vector<uint8_t> mask(size_t(W) * H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) mask[size_t(y) * W + x] = ((x / 8) & 1) ? 1 : 0;
  for (auto _ : st) {
    TRegion r = TRegion::FromMask(mask, W, H);
    benchmark::DoNotOptimize(r.IsEmpty());
  }
}
BENCHMARK(BM_RegionFromMaskStripes)->Unit(benchmark::kMillisecond);

void BM_CopyRectSrcInvert(benchmark::State& st) {
  auto src = noise(W, H);
  TBitmap dst(W, H);
  dst.Canvas()->CopyMode = cmSrcInvert;
  for (auto _ : st) {
    dst.Canvas()->CopyRect(Rect(0, 0, W, H), src->Canvas(), Rect(0, 0, W, H));
    benchmark::DoNotOptimize(dst.ScanLine(0));
  }
  st.SetItemsProcessed(st.iterations() * W * H);
}
BENCHMARK(BM_CopyRectSrcInvert)->Unit(benchmark::kMillisecond);

void BM_CopyRectOntoItself(benchmark::State& st) {
  auto b = noise(W, H);
  for (auto _ : st) {
    b->Canvas()->CopyRect(Rect(8, 0, W, H), b->Canvas(), Rect(0, 0, W - 8, H));
    benchmark::DoNotOptimize(b->ScanLine(0));
  }
  st.SetItemsProcessed(st.iterations() * W * H);
}
BENCHMARK(BM_CopyRectOntoItself)->Unit(benchmark::kMillisecond);

// The TV page's picture over the live video, drawn on the see-through
// picture of its control at every repaint of the video beneath: a picture
// keyed on black (the reference, the same work without alpha) and one with
// alpha composed over the surface, both 1024 x 768 stretched to 1920 x 1080.
std::unique_ptr<TBitmap> overlay(bool alpha) {
  QImage img(1024, 768, QImage::Format_ARGB32);
  uint32_t seed = 777;
  for (int y = 0; y < img.height(); ++y) {
    uint32_t* p = reinterpret_cast<uint32_t*>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      seed = seed * 1664525u + 1013904223u;
      // A third see-through, a third half, a third opaque (keyed: black, red, noise).
      const uint32_t band = uint32_t(x * 3 / img.width());
      const uint32_t a = band == 0 ? 0 : band == 1 ? 128 : 255;
      p[x] = alpha ? (a << 24) | (seed >> 8 & 0xFFFFFF) : 0xFF000000u | (band == 0 ? 0 : band == 1 ? 0xFF0000 : seed >> 8);
    }
  }
  auto b = std::make_unique<TBitmap>();
  b->SetImage(img);
  b->SetTransparentColor(clBlack);
  b->SetTransparent(true);
  return b;
}

void drawOverlay(benchmark::State& st, bool alpha) {
  auto pic = overlay(alpha);
  if (pic->HasAlpha() != alpha) st.SkipWithError("the picture's alpha is not as made");
  QImage surface(W, H, QImage::Format_ARGB32_Premultiplied);
  TCanvas c;
  c.BindImage(&surface);
  for (auto _ : st) {
    surface.fill(Qt::transparent);
    c.StretchDraw(Rect(0, 0, W, H), pic.get());
    benchmark::DoNotOptimize(surface.constBits());
  }
  st.SetItemsProcessed(st.iterations() * W * H);
}
void BM_OverlayKeyedOnBlack(benchmark::State& st) { drawOverlay(st, false); }
void BM_OverlayWithAlpha(benchmark::State& st) { drawOverlay(st, true); }
BENCHMARK(BM_OverlayKeyedOnBlack)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OverlayWithAlpha)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return RunBenchmarks(argc, argv);
}
