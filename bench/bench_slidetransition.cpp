// Slide transitions of the show window at 1920 x 1080.
//
// - One transition frame: the show window's frame of an entry effect
//   (DrawTransitionFrame) against the picture show's own frame of the effect
//   it maps to (the old picture copied onto the screen bitmap, then the
//   effect procedure), on the same two bitmaps, every progress value of a
//   run. Target: at most 1.1x (counter "ratio_vs_pictureshow").
// - A timed advance: the time from the change being due (the show window's
//   advance, which its timer runs) to its first transition frame drawn, with
//   the next slide rendered ahead. Target: at most one display frame
//   (counter "display_frame_ms").
// - The event loop during transitions: a 20 ms timer (the running text's
//   pace) and a 222 ms timer (the match clock) run while slow transitions
//   play back to back for 3 s; their ticks against the ticks due and the
//   longest gap between two ticks, and the same 3 s with the show standing
//   on one slide (argument 0) as the reference.
#include <benchmark/benchmark.h>

#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>
#include "pictureshow/ShowEffects.h"
#include "platform/office/SlideShow.h"
#include "platform/office/SlideTransition.h"
#include "toolkit/Forms.h"
#include "toolkit/Timer.h"
#include "BenchMain.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int W = 1920, H = 1080;

// Pictures with detail in every pixel.
std::unique_ptr<TBitmap> MakePicture(int seed) {
  auto b = std::make_unique<TBitmap>();
  b->SetSize(W, H);
  for (int y = 0; y < H; ++y) {
    uint8_t* row = b->ScanLine(y);
    for (int x = 0; x < W; ++x) {
      row[4 * x + 0] = uint8_t(x * 3 + seed);
      row[4 * x + 1] = uint8_t(y * 5 + seed * 7);
      row[4 * x + 2] = uint8_t((x ^ y) + seed * 13);
      row[4 * x + 3] = 0;
    }
  }
  return b;
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// One frame of entry effect Effect, by the show window and by the picture
// show, over every progress value of a run at the picture show's step 4.
void BM_TransitionFrame(benchmark::State& state) {
  const int effect = int(state.range(0));
  const auto from = MakePicture(1), to = MakePicture(2);
  TBitmap frame, screen;
  frame.SetSize(W, H);
  screen.SetSize(W, H);
  TEffectRandom rng(1), refRng(1);
  const TSlideTransition t = TransitionFor(effect, rng);
  const int number = PictureShowEffectFor(effect);
  const TEffectProc ref = EffectProc(number);
  std::vector<int> progress;
  for (int p = StepProgress(0, 4, false); p < 100; p = StepProgress(p, 4, false)) progress.push_back(p);
  double ours = 0, theirs = 0;
  for (auto _ : state) {
    for (int p : progress) {
      auto a = Clock::now();
      DrawTransitionFrame(t, *from, *to, frame, p, rng);
      auto b = Clock::now();
      CopyPixels(&screen, from.get());
      DrawEffectFrame(&screen, to.get(), ref, t.Step, p, &refRng);
      auto c = Clock::now();
      ours += Ms(b - a);
      theirs += Ms(c - b);
      benchmark::DoNotOptimize(frame.ScanLine(H / 2)[0]);
      benchmark::DoNotOptimize(screen.ScanLine(H / 2)[0]);
    }
  }
  const double n = double(state.iterations()) * double(progress.size());
  state.counters["frame_ms"] = ours / n;
  state.counters["pictureshow_frame_ms"] = theirs / n;
  state.counters["ratio_vs_pictureshow"] = theirs > 0 ? ours / theirs : 0;
  state.SetLabel(EntryEffectName(effect) + " = effect " + IntToStr(number));
}
BENCHMARK(BM_TransitionFrame)
    ->Arg(ppEntryEffect::Fade)
    ->Arg(ppEntryEffect::WipeLeft)
    ->Arg(ppEntryEffect::CoverDown)
    ->Arg(ppEntryEffect::SplitVerticalOut)
    ->Arg(ppEntryEffect::BlindsHorizontal)
    ->Arg(ppEntryEffect::Dissolve)
    ->Unit(benchmark::kMillisecond);

// A deck of three full-page pictures (released before the program ends,
// while the PDF library is still there).
std::shared_ptr<TSlideDeck> g_deck;
std::shared_ptr<TSlideDeck> Deck() {
  std::shared_ptr<TSlideDeck>& deck = g_deck;
  if (deck) return deck;
  char tmpl[] = "/tmp/tablo_bench_XXXXXX";
  const String dir = IncludeTrailingPathDelimiter(mkdtemp(tmpl));
  const String pdf = dir + "deck.pdf";
  {
    QPdfWriter w(QString::fromStdString(pdf));
    w.setPageSize(QPageSize(QSizeF(320, 180), QPageSize::Millimeter));
    w.setPageMargins(QMarginsF(0, 0, 0, 0));
    w.setResolution(150);
    QPainter p(&w);
    for (int i = 0; i < 3; ++i) {
      if (i) w.newPage();
      const auto pic = MakePicture(i + 1);
      p.drawImage(QRect(0, 0, w.width(), w.height()), pic->Image());
    }
  }
  deck = std::make_shared<TSlideDeck>(pdf);
  return deck;
}

void Pump(const std::function<bool()>& done, int limitMs = 10000) {
  const int64_t end = GetTickCount64() + limitMs;
  while (!done() && GetTickCount64() < end) {
    Application->ProcessMessages();
    Sleep(1);
  }
}

// From the advance being due to the first frame of its transition.
void BM_TimedAdvanceToFirstFrame(benchmark::State& state) {
  TSlideShowWindow w;
  SetWindowPos(w.Handle(), HWND_TOP, 0, 0, W, H, SWP_NOACTIVATE);
  TShowSettings s;
  s.AdvanceOnTime = false;   // the benchmark runs the advance the timer would
  s.Loop = true;
  s.EntryEffect = int(state.range(0));
  s.Speed = 3;
  w.Start(Deck(), s);
  Clock::time_point first;
  bool drawn = false;
  w.OnTransitionFrame = [&] {
    if (!drawn) first = Clock::now();
    drawn = true;
  };
  double worst = 0;
  // One change first, so that the working bitmaps exist, as in a running show.
  Pump([&] { return w.FollowingReady(); });
  w.Next();
  for (auto _ : state) {
    Pump([&] { return w.FollowingReady() && !w.Transition().Running; });
    drawn = false;
    const auto due = Clock::now();
    w.Next();
    const double ms = drawn ? Ms(first - due) : 1e9;
    worst = std::max(worst, ms);
    state.SetIterationTime(ms / 1000);
  }
  w.Exit();
  state.counters["display_frame_ms"] = 1000.0 / w.DisplayRate();
  state.counters["worst_ms"] = worst;
  state.SetLabel(EntryEffectName(int(state.range(0))));
}
BENCHMARK(BM_TimedAdvanceToFirstFrame)
    ->Arg(ppEntryEffect::Fade)
    ->Arg(ppEntryEffect::Dissolve)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

// The console's timers while slow transitions play back to back (argument
// 1), or while the show stands on a slide (0).
void BM_TimersDuringTransitions(benchmark::State& state) {
  const bool transitions = state.range(0) != 0;
  for (auto _ : state) {
    TSlideShowWindow w;
    SetWindowPos(w.Handle(), HWND_TOP, 0, 0, W, H, SWP_NOACTIVATE);
    TShowSettings s;
    s.AdvanceOnTime = false;
    s.Loop = true;
    s.EntryEffect = ppEntryEffect::Fade;
    s.Speed = 1;
    w.Start(Deck(), s);
    int frames = 0;
    w.OnTransitionFrame = [&] { ++frames; };
    struct Pace {
      TTimer timer{nullptr};
      int ticks = 0;
      int64_t last = 0;
      double worstGap = 0;
    } text, clock;
    for (auto [p, ms] : {std::pair<Pace*, int>{&text, 20}, {&clock, 222}}) {
      p->timer.SetInterval(ms);
      p->timer.OnTimer = [p](TObject*) {
        const int64_t now = GetTickCount64();
        if (p->last) p->worstGap = std::max(p->worstGap, double(now - p->last));
        p->last = now;
        ++p->ticks;
      };
      p->timer.SetEnabled(true);
    }
    const int64_t start = GetTickCount64();
    const int64_t end = start + 3000;
    while (GetTickCount64() < end) {
      if (transitions && !w.Transition().Running) w.Next();
      Application->ProcessMessages();
      Sleep(1);
    }
    const double span = double(GetTickCount64() - start);
    text.timer.SetEnabled(false);
    clock.timer.SetEnabled(false);
    w.Exit();
    state.counters["transition_frames"] = frames;
    state.counters["text_ticks"] = text.ticks;
    state.counters["text_ticks_due"] = span / 20;
    state.counters["text_worst_gap_ms"] = text.worstGap;
    state.counters["clock_ticks"] = clock.ticks;
    state.counters["clock_ticks_due"] = span / 222;
    state.counters["clock_worst_gap_ms"] = clock.worstGap;
  }
}
BENCHMARK(BM_TimersDuringTransitions)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  const int rc = RunBenchmarks(argc, argv);
  g_deck.reset();
  return rc;
}
