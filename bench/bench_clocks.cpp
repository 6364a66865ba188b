// The clocks: the threaded timer's period beside the toolkit's window timer
// (a precise QTimer) in the same run; one full paint of the panel clock
// beside a bare QPainter drawing of the same dial; the analog clock's full
// paint over a stretched picture and its per-second update; and the console's
// idle CPU with the clock page on the screen, the Sekundomer running, the
// panel clock shown and the running text playing.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numeric>

#include "console/FMain.h"
#include "controls/DialClock.h"
#include "controls/PLNClock.h"
#include "controls/RunLabel.h"
#include "controls/ThreadTimer.h"
#include "toolkit/Forms.h"
#include "toolkit/Registry.h"
#include "toolkit/Timer.h"
#include "BenchMain.h"

namespace {

// ---------------------------------------------------------------- timer period

struct Periods {
  double mean = 0, sd = 0, p99dev = 0;
};

Periods Measure(const std::vector<int64_t>& t, double interval) {
  std::vector<double> p;
  for (size_t i = 1; i < t.size(); ++i) p.push_back(double(t[i] - t[i - 1]) / 1000.0);
  Periods r;
  if (p.empty()) return r;
  r.mean = std::accumulate(p.begin(), p.end(), 0.0) / double(p.size());
  double v = 0;
  for (double x : p) v += (x - r.mean) * (x - r.mean);
  r.sd = std::sqrt(v / double(p.size()));
  std::vector<double> dev;
  for (double x : p) dev.push_back(std::fabs(x - interval));
  std::sort(dev.begin(), dev.end());
  r.p99dev = dev[std::min(dev.size() - 1, size_t(double(dev.size()) * 0.99))];
  return r;
}

int64_t Micros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Ticks of one timer until count periods are seen; the main loop waits for
// messages between them.
template <class Setup>
std::vector<int64_t> Collect(int count, Setup setup) {
  std::vector<int64_t> ticks;
  auto stop = setup([&] { ticks.push_back(Micros()); });
  while (int(ticks.size()) <= count) Application->HandleMessage();
  stop();
  return ticks;
}

void BM_TimerPeriod(benchmark::State& state) {
  const int interval = int(state.range(0));
  const int count = interval <= 10 ? 400 : 50;
  Periods threaded, window;
  for (auto _ : state) {
    std::unique_ptr<TThreadTimer> tt;
    threaded = Measure(Collect(count,
                               [&](std::function<void()> tick) {
                                 tt = std::make_unique<TThreadTimer>(nullptr);
                                 tt->SetInterval(uint32_t(interval));
                                 tt->SetOnTimer([tick](TObject*) { tick(); });
                                 return [&] { tt.reset(); };
                               }),
                       interval);
    std::unique_ptr<TTimer> qt;
    window = Measure(Collect(count,
                             [&](std::function<void()> tick) {
                               qt = std::make_unique<TTimer>(nullptr);
                               qt->SetInterval(interval);
                               qt->OnTimer = [tick](TObject*) { tick(); };
                               return [&] { qt.reset(); };
                             }),
                     interval);
  }
  state.counters["interval_ms"] = interval;
  state.counters["threaded_mean_ms"] = threaded.mean;
  state.counters["threaded_sd_ms"] = threaded.sd;
  state.counters["threaded_p99dev_ms"] = threaded.p99dev;
  state.counters["qtimer_mean_ms"] = window.mean;
  state.counters["qtimer_sd_ms"] = window.sd;
  state.counters["qtimer_p99dev_ms"] = window.p99dev;
}
BENCHMARK(BM_TimerPeriod)->Arg(10)->Arg(100)->Iterations(1)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------- panel clock

// Paints the way a paint event does, into a bitmap of its own size.
template <class C>
struct Painter : C {
  explicit Painter(int w, int h) : C(nullptr) { this->SetBounds(0, 0, w, h); }
  void PaintInto(TBitmap& b, const TRect* clip = nullptr) {
    TCanvas* c = this->canvas_.get();
    c->BindImage(&b.Image());
    c->SetOrigin(TPoint(0, 0));
    c->Font()->Assign(this->Font());
    c->Brush()->SetColor(this->Color());
    if (clip) {
      const TRegion r = TRegion::FromRect(*clip);
      c->SelectClipRgn(&r);
    }
    this->Paint();
    c->SelectClipRgn(nullptr);
    c->BindImage(nullptr);
  }
};

void BM_PanelClockFullPaint(benchmark::State& state) {
  const int side = int(state.range(0));
  Painter<TPLNClock> c(side, side);
  c.Timer()->SetEnabled(false);
  TBitmap b(side, side);
  for (auto _ : state) {
    c.PaintInto(b);
    benchmark::DoNotOptimize(b.ScanLine(0));
  }
}
BENCHMARK(BM_PanelClockFullPaint)->Arg(137)->Arg(256)->Unit(benchmark::kMicrosecond);

// The same dial drawn with QPainter alone: panel, bevels, 48 minute and 12
// hour marks, three hands and the disc.
void BM_PanelClockBareQPainter(benchmark::State& state) {
  const int side = int(state.range(0));
  QImage img(side, side, QImage::Format_RGB32);
  const double pi = std::acos(-1.0);
  for (auto _ : state) {
    QPainter p(&img);
    p.fillRect(img.rect(), QColor(255, 255, 0));
    p.setPen(QColor(255, 255, 255));
    p.drawRect(0, 0, side - 1, side - 1);
    p.setPen(QColor(128, 128, 128));
    p.drawRect(3, 3, side - 7, side - 7);
    const int c = side / 2, rx = c - 13 - 6, r = rx - 2;
    auto at = [&](double u, double d) {
      const double a = u * pi / 3000.0;
      return QPoint(c + int(std::lround(std::sin(a) * d)), c - int(std::lround(std::cos(a) * d)));
    };
    for (int k = 0; k < 60; ++k) {
      const bool hour = k % 5 == 0;
      QPen pen(hour ? QColor(255, 0, 0) : QColor(0, 0, 255));
      pen.setWidth(hour ? 2 : 1);
      p.setPen(pen);
      p.drawLine(at(k * 100, r + 1), at(k * 100, rx + (hour ? 12 : 7)));
    }
    const struct { int u, len, w; QColor col; } hands[] = {
        {2000, r - 3, 3, QColor(0, 0, 255)}, {1333, r - r / 3, 5, QColor(255, 0, 0)}, {4500, r, 1, QColor(128, 0, 128)}};
    for (const auto& h : hands) {
      QPen pen(h.col);
      pen.setWidth(h.w);
      pen.setCapStyle(h.w == 1 ? Qt::FlatCap : Qt::RoundCap);
      p.setPen(pen);
      p.drawLine(at(h.u, 3), at(h.u, h.len));
      p.drawLine(at(h.u + 3000, 3), at(h.u + 3000, 10));
    }
    p.setPen(QColor(255, 0, 0));
    p.setBrush(QColor(128, 0, 128));
    p.drawEllipse(QPoint(c, c), 5, 5);
    p.end();
    benchmark::DoNotOptimize(img.bits());
  }
}
BENCHMARK(BM_PanelClockBareQPainter)->Arg(137)->Arg(256)->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------- analog clock

struct BenchDial : Painter<TDialClock> {
  BenchDial(int w, int h) : Painter<TDialClock>(w, h) {
    Timer()->SetEnabled(false);
    SetColor(clBlack);
    SetDotsColor(clYellow);
    SetDotsLColor(clYellow);
    SetHand_Hour(1);
    SetHourCenter_Radius(6);
    SetWidthSecHour(2);
    Font()->SetName("Arial");
    Font()->SetStyle({fsBold});
    TBitmap pic(800, 600);
    for (int y = 0; y < 600; ++y)
      for (int x = 0; x < 800; ++x) reinterpret_cast<uint32_t*>(pic.ScanLine(y))[x] = 0xFF000000u | uint32_t(x * 97 + y * 31);
    TPicture p;
    p.SetGraphic(&pic);
    SetPicture(&p);
    TimeSource = [this] { return now; };
  }
  TDateTime now = 46000 + EncodeTime(10, 8, 30, 0);
};

void BM_DialClockFullPaint(benchmark::State& state) {
  TDialClock::SetScreenWidth(1920);
  BenchDial c(int(state.range(0)), int(state.range(1)));
  TBitmap b(c.Width(), c.Height());
  for (auto _ : state) {
    c.PaintInto(b);
    benchmark::DoNotOptimize(b.ScanLine(0));
  }
}
BENCHMARK(BM_DialClockFullPaint)->Args({384, 256})->Args({1024, 768})->Unit(benchmark::kMicrosecond);

// One second on: the tick and the paints of the two boxes it invalidates.
void BM_DialClockSecondUpdate(benchmark::State& state) {
  TDialClock::SetScreenWidth(1920);
  BenchDial c(int(state.range(0)), int(state.range(1)));
  TBitmap b(c.Width(), c.Height());
  c.PaintInto(b);
  int s = 0;
  size_t boxes = 0;
  for (auto _ : state) {
    s = s % 50 + 1;   // within one minute: never the whole face
    c.now = 46000 + EncodeTime(10, 8, s, 0);
    c.TimerExpired(&c);
    for (const TRect& r : c.LastTickDamage()) c.PaintInto(b, &r);
    boxes += c.LastTickDamage().size();
  }
  state.counters["boxes_per_update"] = double(boxes) / double(state.iterations());
}
BENCHMARK(BM_DialClockSecondUpdate)->Args({384, 256})->Args({1024, 768})->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------- idle console

// CPU seconds (user + system) of the whole process, worker threads included.
double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The console at an output of 1024 x 768 with the clock page on the screen and
// the running text playing on the TV+ tab, which the operator looks at; range(0): clocks running (1) or
// stopped (0); range(1): the running text's step in ms.
void BM_ConsoleIdleCpu(benchmark::State& state) {
  const bool clocks = state.range(0) != 0;
  const int speed = int(state.range(1));
  char tmpl[] = "/tmp/bench_clocks_XXXXXX";
  const String root = mkdtemp(tmpl);
  setenv("XDG_CONFIG_HOME", (root + "/cfg").c_str(), 1);
  const String app = root + "/app/";
  for (const char* d : {"Teams", "Texts", "Pics", "Views"}) std::filesystem::create_directories(app + d);
  SaveTextFile(app + "Texts/RS_Color.txt", "Welcome to the stadium * Next home match on Saturday at 18:00\n");
  {
    TRegistry reg;
    reg.OpenKey(SettingsKeyFor("bench_clocks"), true);
    reg.WriteInteger("XWidth", 1024);
    reg.WriteInteger("YHeight", 768);
  }
  double share = 0;
  for (auto _ : state) {
    auto* f = new TFormMain(nullptr, TFormMainEnvironment{app, "bench_clocks"});
    f->AfterConstruction();
    f->Show();
    Application->ProcessMessages();
    f->PageControl2->SetActivePage(f->Sheet_Tablo);
    f->PageControl1->SetActivePage(f->Sheet_Clock);
    f->PageControl1Change(f->PageControl1);
    f->PageControl1->SetActivePageIndex(0);
    f->PageControl1Change(f->PageControl1);
    // The operator looks at the TV+ tab while the clock is on the screen.
    f->PageControl1->SetActivePage(f->Sheet_TV);
    f->PageControl1Change(f->PageControl1);
    if (clocks) {
      f->btSekPlay->Click();
    } else {
      f->DialClock1->Timer()->SetEnabled(false);
      f->Clock->Timer()->SetEnabled(false);
    }
    f->ListRunStr->SetItemIndex(0);
    f->rlPlay->Click();
    f->RunStr->SetSpeed(speed);
    int64_t steps = 0, dialTicks = 0;
    f->RunStr->OnStep = [&](TObject*) { ++steps; };
    f->DialClock1->OnAlarm = nullptr;
    f->DialClock1->Timer()->SetOnTimer([&, f](TObject* s) {
      ++dialTicks;
      f->DialClock1->TimerExpired(s);
    });
    if (!clocks) f->DialClock1->Timer()->SetEnabled(false);
    Application->ProcessMessages();
    const int64_t t0 = GetTickCount64();
    const double c0 = CpuSeconds();
    while (GetTickCount64() - t0 < 10000) Application->HandleMessage();
    const double secs = double(GetTickCount64() - t0) / 1000.0;
    share = (CpuSeconds() - c0) / secs;
    state.counters["text_steps_per_s"] = double(steps) / secs;
    state.counters["dial_ticks_per_s"] = double(dialTicks) / secs;
    state.counters["text_visible"] = f->RunStr->Showing() ? 1 : 0;
    if (!f->RunStr->IsRunning()) state.SkipWithError("the running text did not run");
    Free(f);
  }
  std::filesystem::remove_all(root);
  state.counters["cpu_percent_of_a_core"] = share * 100.0;
  state.counters["clocks"] = clocks ? 1 : 0;
  state.counters["text_step_ms"] = speed;
}
BENCHMARK(BM_ConsoleIdleCpu)->Args({1, 10})->Args({0, 10})->Args({1, 1})->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return RunBenchmarks(argc, argv);
}
