// The time from SetMovie to the first painted frame of a Flash movie: the
// first movie of a new player (its page started on the way) and the next
// movie on the same player. The reference is the same movie loaded by a bare
// QWebEngineView page running the same player files (Ruffle), served through
// a scheme of its own, in the same run. Both wait on a grab of the window
// showing the movie's yellow square. The engine itself is started once
// before (a blank page shown), so neither side pays it. The window is a real
// one on an X display: without DISPLAY the program runs itself again under
// xvfb-run. Figures in milliseconds: first_ms, next_ms; our player also with
// its page started ahead (Arg 1), as a loaded list holding a movie starts it.
//
// BM_ConsoleStallsWhileMoviesPlay: the console's main loop while its media
// page plays a list of eight movies (one second each) on a 1024 x 768 output
// area (TABLO_BENCH_OUTPUT=WxH for another): the longest gap between the
// ticks of a 1 ms timer during each movie's item (its load, its first frame
// and its play), the first movie (the page started on the way) and the
// median and worst of the others; the reference is the longest gap of the
// same timer over the same time while the console shows the media page with
// nothing playing, in the same run. Figures in milliseconds: first_gap_ms,
// next_gap_ms (median), worst_gap_ms, idle_gap_ms.
#include <benchmark/benchmark.h>

#include "bench/VirtualDisplay.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>
#include <vector>

#include "console/FMain.h"
#include "console/FrMedia.h"
#include "pictureshow/ShowEffects.h"
#include "platform/flash/ShockwaveFlash.h"
#include "platform/office/SlideTransition.h"
#include "tests/support/SwfMaker.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Forms.h"
#include "toolkit/Registry.h"
#include "toolkit/TestApp.h"

namespace {

void Idle(int Ms) {
  QEventLoop loop;
  QTimer::singleShot(Ms, &loop, &QEventLoop::quit);
  loop.exec();
}

bool PumpUntil(const std::function<bool()>& Done, int Ms) {
  QElapsedTimer t;
  t.start();
  while (!Done() && t.elapsed() < Ms) Idle(2);
  return Done();
}

// The square's colour of movie k: the first yellow, the next magenta, so
// that the next movie is told from the frame the first one left.
uint32_t SquareOf(int k) { return k == 0 ? 0xFFFF00 : 0xFF00FF; }

bool HasSquare(const QImage& img, uint32_t rgb) {
  auto near = [](int a, int b) { return std::abs(a - b) < 50; };
  for (int y = 0; y < img.height(); y += 2)
    for (int x = 0; x < img.width(); x += 2) {
      const QRgb c = img.pixel(x, y);
      if (near(qRed(c), (rgb >> 16) & 255) && near(qGreen(c), (rgb >> 8) & 255) && near(qBlue(c), rgb & 255))
        return true;
    }
  return false;
}

String RuffleDir() {
  if (const char* e = std::getenv("TABLO_RUFFLE_DIR")) return e;
  return TABLO_RUFFLE_DIR;
}

// Movies of the run: the same picture, each its own file (no cache helps).
struct Movies {
  String root;
  int next = 0;
  Movies() {
    char tmpl[] = "/tmp/bench_flash_XXXXXX";
    root = mkdtemp(tmpl);
  }
  ~Movies() { std::filesystem::remove_all(root); }
  String Make(int k) {
    swf::Movie m;
    m.Square = SquareOf(k);
    m.Frames = 240;
    m.FrameRate = 24;
    m.SquareSize = 60;
    const String f = root + "/m" + std::to_string(next++) + ".swf";
    swf::Save(f, m);
    return f;
  }
};
Movies* movies = nullptr;

// ---- The reference: a bare page ---------------------------------------------

const char* kBarePage = R"(<!doctype html><html><head><style>html,body{margin:0;width:100%;height:100%;background:#000}
ruffle-player{display:block;width:100%;height:100%}</style><script>
(function(){const real=window.fetch.bind(window);window.fetch=function(i,n){const u=(i instanceof Request)?i.url:String(i);
if(!u.startsWith("bench-flash:"))return real(i,n);return new Promise((ok,no)=>{const x=new XMLHttpRequest();x.open("GET",u);
x.responseType="arraybuffer";x.onload=()=>ok(new Response(x.response,{status:x.status||200,headers:{"Content-Type":x.getResponseHeader("Content-Type")||"application/octet-stream"}}));
x.onerror=()=>no(new TypeError("fetch "+u));x.send();});};})();
window.RufflePlayer={config:{publicPath:"bench-flash://b/",polyfills:false}};</script>
<script src="bench-flash://b/ruffle.js"></script></head><body><script>
let p=null;window.go=function(u){if(!p){p=window.RufflePlayer.newest().createPlayer();document.body.appendChild(p);}
p.ruffle().load({url:u,autoplay:"on",unmuteOverlay:"hidden",splashScreen:false,letterbox:"on",preferredRenderer:"canvas",logLevel:"error"});};
</script></body></html>)";

class BareHandler : public QWebEngineUrlSchemeHandler {
 public:
  using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
  void requestStarted(QWebEngineUrlRequestJob* job) override {
    const QString path = job->requestUrl().path();
    if (path == "/index.html") {
      auto* b = new QBuffer(job);
      b->setData(QByteArray(kBarePage));
      b->open(QIODevice::ReadOnly);
      return job->reply("text/html", b);
    }
    const QString name = QFileInfo(path).fileName();
    const QString file = name.endsWith(".swf") ? QString::fromStdString(movies->root) + "/" + name
                                               : QString::fromStdString(RuffleDir()) + "/" + name;
    auto* f = new QFile(file, job);
    if (!f->open(QIODevice::ReadOnly)) return job->fail(QWebEngineUrlRequestJob::UrlNotFound);
    job->reply(name.endsWith(".wasm") ? "application/wasm" : name.endsWith(".js") ? "text/javascript"
                                                                                   : "application/x-shockwave-flash", f);
  }
};

QWebEngineProfile* BareProfile() {
  static QWebEngineProfile* p = [] {
    auto* p = new QWebEngineProfile(QCoreApplication::instance());
    p->installUrlSchemeHandler("bench-flash", new BareHandler(p));
    p->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    p->settings()->setAttribute(QWebEngineSettings::WebGLEnabled, false);
    return p;
  }();
  return p;
}

void StartEngineOnce() {
  static bool done = false;
  if (done) return;
  done = true;
  QWebEngineView v;
  v.resize(200, 200);
  v.setHtml("<html><body>blank</body></html>");
  v.show();
  bool loaded = false;
  QObject::connect(&v, &QWebEngineView::loadFinished, [&] { loaded = true; });
  PumpUntil([&] { return loaded; }, 60000);
  Idle(300);
}

// The player's files are there (else the benchmark is skipped with the
// reason) and the engine has started.
bool PlayerReady(benchmark::State& state) {
  if (String why; !FlashPlayerAvailable(&why)) {
    state.SkipWithError(("no Flash player: " + why).c_str());
    return false;
  }
  StartEngineOnce();
  return true;
}

}  // namespace

// Our player: a Flash control in a shown form. Arg 1: its page was started
// (Prepare, as a loaded list holding a movie does) 3 s before the first movie.
static void BM_FlashFirstFrame(benchmark::State& state) {
  if (!PlayerReady(state)) return;
  double first = 0, next = 0;
  int n = 0;
  for (auto _ : state) {
    auto* form = new TForm(nullptr);
    form->SetBounds(0, 0, 640, 480);
    auto* flash = new TShockwaveFlash(form);
    flash->SetParent(form);
    flash->SetBounds(0, 0, 640, 480);
    form->Show();
    Idle(100);
    if (state.range(0) == 1) {
      flash->Prepare();
      Idle(3000);
    }
    for (int k = 0; k < 2; ++k) {
      // A grab of the control (its page's picture; the page lies in a window
      // of its own over it).
      auto painted = [&] {
        TBitmap grab(flash->Width(), flash->Height());
        flash->PaintTo(grab.Canvas(), 0, 0);
        return HasSquare(grab.Image(), SquareOf(k));
      };
      const String m = movies->Make(k);
      QElapsedTimer t;
      t.start();
      flash->SetMovie(m);
      flash->Play();
      if (!PumpUntil(painted, 60000)) state.SkipWithError("the movie was not painted");
      (k == 0 ? first : next) += double(t.nsecsElapsed()) / 1e6;
      flash->StopPlay();
    }
    Free(form);
    ++n;
  }
  state.counters["first_ms"] = first / n;
  state.counters["next_ms"] = next / n;
}
BENCHMARK(BM_FlashFirstFrame)->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// The reference: the same movies in a bare page with the same player files.
static void BM_BarePageFirstFrame(benchmark::State& state) {
  if (!PlayerReady(state)) return;
  double first = 0, next = 0;
  int n = 0;
  for (auto _ : state) {
    auto* view = new QWebEngineView;
    view->resize(640, 480);
    view->show();
    Idle(100);
    for (int k = 0; k < 2; ++k) {
      auto painted = [&] { return HasSquare(view->grab().toImage(), SquareOf(k)); };
      const QString m = "bench-flash://b/" + QFileInfo(QString::fromStdString(movies->Make(k))).fileName();
      QElapsedTimer t;
      t.start();
      if (k == 0) {
        auto* page = new QWebEnginePage(BareProfile(), view);
        view->setPage(page);
        bool loaded = false;
        QObject::connect(page, &QWebEnginePage::loadFinished, [&](bool) { loaded = true; });
        page->load(QUrl("bench-flash://b/index.html"));
        PumpUntil([&] { return loaded; }, 60000);
      }
      view->page()->runJavaScript(QString("go('%1')").arg(m));
      if (!PumpUntil(painted, 60000)) state.SkipWithError("the movie was not painted");
      (k == 0 ? first : next) += double(t.nsecsElapsed()) / 1e6;
    }
    delete view;
    ++n;
  }
  state.counters["first_ms"] = first / n;
  state.counters["next_ms"] = next / n;
}
BENCHMARK(BM_BarePageFirstFrame)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// The console's main loop while its media page plays movies (see the head
// of the file).
static void BM_ConsoleStallsWhileMoviesPlay(benchmark::State& state) {
  if (!PlayerReady(state)) return;
  char tmpl[] = "/tmp/bench_flash_console_XXXXXX";
  const String root = mkdtemp(tmpl);
  const String app = root + "/app/";
  for (const char* d : {"Teams", "Texts", "Pics", "Views"}) std::filesystem::create_directories(app + d);
  setenv("XDG_CONFIG_HOME", (root + "/cfg").c_str(), 1);
  setenv("TABLO_AUDIO_SINK", "fakesink sync=true", 1);
  // The output area's size (TABLO_BENCH_OUTPUT, default 1024x768).
  int outW = 1024, outH = 768;
  if (const char* o = std::getenv("TABLO_BENCH_OUTPUT")) std::sscanf(o, "%dx%d", &outW, &outH);
  {
    TRegistry reg;
    if (reg.OpenKey(SettingsKeyFor("bench_flash"), true)) {
      reg.WriteInteger("XWidth", outW);
      reg.WriteInteger("YHeight", outH);
    }
  }
  constexpr int kMovies = 8;
  std::string list;
  for (int k = 0; k < kMovies; ++k) {
    swf::Movie m;
    m.Width = 640;
    m.Height = 480;
    m.Frames = 24;
    m.FrameRate = 24;
    m.SquareSize = 120;
    m.Background = 0x000080 + 0x100000 * uint32_t(k);
    swf::Save(app + "Pics/m" + std::to_string(k) + ".swf", m);
    list += "m" + std::to_string(k) + ".swf\n";
  }
  std::ofstream(app + "Pics/movies.txt") << list;
  MessageDlgHook = [](const TMsgDlgRequest&) { return mrOk; };
  std::vector<double> firsts, nexts, idles;
  for (auto _ : state) {
    auto* f = new TFormMain(nullptr, TFormMainEnvironment{app, "bench_flash"});
    f->AfterConstruction();
    f->Show();
    f->PageControl2->SetActivePage(f->Sheet_Tablo);
    f->PageControl1->SetActivePage(f->Sheet_Media);
    f->PageControl1Change(f->PageControl1);
    f->PageControl1->SetActivePageIndex(0);
    f->PageControl1Change(f->PageControl1);
    TFrameMedia* media = f->FrameMedia1;
    media->LoadPlayList(app + "Pics/movies.txt");
    media->SetButtonsState(1);
    media->ListMedia->SetItemIndex(0);
    Idle(3000);   // the window settles, the player's page starts
    // The longest gap between ticks, per item of the list (by its line).
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    int line = -1;
    std::vector<std::pair<int, qint64>> worst;   // line, longest gap
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
      const qint64 now = clock.elapsed();
      const int at = media->ListMedia->ItemIndex();
      if (at != line) worst.emplace_back(line = at, 0);
      if (last > 0) worst.back().second = std::max(worst.back().second, now - last);
      last = now;
    });
    tick.start(1);
    Idle(2000);
    double idle = 0;
    for (auto& w : worst) idle = std::max(idle, double(w.second));
    idles.push_back(idle);
    worst.clear();
    line = -1;
    media->btPlayClick(media->btPlay);
    // Two passes of the list.
    PumpUntil([&] { return worst.size() >= size_t(2 * kMovies + 1); }, 120000);
    media->btStopClick(media->btStop);
    tick.stop();
    for (size_t i = 0; i + 1 < worst.size(); ++i) (i == 0 ? firsts : nexts).push_back(double(worst[i].second));
    Free(f);
  }
  MessageDlgHook = nullptr;
  std::filesystem::remove_all(root);
  auto median = [](std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  state.counters["first_gap_ms"] = median(firsts);
  state.counters["next_gap_ms"] = median(nexts);
  state.counters["worst_gap_ms"] = nexts.empty() ? 0 : *std::max_element(nexts.begin(), nexts.end());
  state.counters["idle_gap_ms"] = median(idles);
}
BENCHMARK(BM_ConsoleStallsWhileMoviesPlay)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

int main(int argc, char** argv) {
  if (!EnsureDisplay(argc, argv)) return 1;
  setenv("QT_QPA_PLATFORM", "xcb", 0);
  // The engine's renderer refuses its sandbox as root (as the player does).
  if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
  QWebEngineUrlScheme s("bench-flash");
  s.setSyntax(QWebEngineUrlScheme::Syntax::Host);
  s.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::CorsEnabled);
  QWebEngineUrlScheme::registerScheme(s);
  TestApp::Init(argc, argv);
  SetPictureShowEffects(&EffectProc);   // as the console does at start-up
  Movies m;
  movies = &m;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
