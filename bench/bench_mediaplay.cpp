// The media frame's gap between items and its goal-clip wait, each against a
// reference measured in the same run on the same files. The gaps are timed
// with the media page on the screen at the default output (384 x 256) and
// at 1920 x 1080 (argument: the output width), each case on a console
// started for it (its first change is the first after start: "first_ms"),
// then in 21 alternating pairs with its reference (the order turns every
// pair); counters are each side's median and worst ("median_ms",
// "worst_ms", "ref_median_ms", "ref_worst_ms") and "ratio", ours / the
// reference's median:
//   - clip -> clip: from the end of stream of a 720x576 MJPEG AVI to the
//     first paint of the video window that draws a frame of the next clip
//     (from its renderer, not the one the first clip played in), the next
//     clip having been made ready while the first played, as the list does.
//     Reference, the same change done bare, step for step: two prerolled
//     pipelines (uridecodebin ! videoconvert ! BGRx appsink), one on each
//     clip, built before the gap, the next one's prerolled frame mapped (as
//     the renderer holds it), the first then played to its end, its frames
//     painted into the window as they come (as the window shows them); in the gap
//     (1) the old pipeline handed to a background thread that releases it
//     100 ms later (as the graph retires its old one), (2) the next one's
//     frame painted stretched, nearest neighbour, into an image the size of
//     the video window (the window's paint, which the console makes as the
//     graph is told to play, before it runs); the next one is then set
//     playing, after the gap as in the console;
//   - clip -> picture: from the end of stream to the first transition frame
//     of a 1920x1080 JPEG, with the media page's effect: 98 "Criss Cross
//     reveal from top left right and bottom" at step 4, its default
//     (BM_ClipToPicture), and 118 "Fade" at step 4 (BM_ClipToPictureFade).
//     Reference, step for step: made before the gap (as the console makes
//     them while the clip plays) the clip's last frame decoded bare and drawn
//     stretched, nearest neighbour, where the video window lies on an image
//     of the output's size (the still the window shows at the clip's end),
//     and the picture decoded (libjpeg) and scaled to the size the show
//     composes it at (the aspect fit of the picture in the show: 384 x 216,
//     1920 x 1080); in the gap (1) the part of the clip's image that the
//     picture will cover copied into the frame (the old picture), (2) the
//     first frame of the same effect drawn over it by the console's own
//     effect code (DrawEffectFrame, progress = step);
//   - the parts of the console's clip -> picture gap (medians): "list_ms" to
//     the show given its picture (the list's move to the next line),
//     "show_ms" from there to the effect's start (the show brought forward,
//     the background laid, the old picture copied), "effect_ms" the
//     effect's first frame;
//   - the floor of clip -> picture, in the same pairs: one frame copy and one
//     blend of the composed size (plain loops that the compiler vectorises)
//     into a frame kept ("floor_warm_ms") and into one allocated for it
//     ("floor_cold_ms": a first use, or a buffer not kept, under the
//     console's allocation rule), and the two fused into one pass
//     ("floor_fused_ms"); "ratio_cold_floor" is ours / the cold floor.
// Both sides of a pair give the same output frame: the console's (the video
// window's still at its first paint, the show's first frame) is compared
// pixel for pixel with the reference's ("frames_differing" counts pairs that
// differ); a pair that differs while its gap is under one frame interval
// (40 ms, the output cannot have moved on) ends the case with an error
// (BENCH_FRAME_DUMP=<folder> saves both frames there).
// Large blocks (128 KiB and more: each one is mapped and unmapped anew, see
// KeepLargeBlocksReturnable) that the main thread allocates are counted in
// the gap ("blocks_gap": the median change; "blocks_gap_first": the first
// change after start) and after it, over the rest of a whole change ("blocks
// after": the transition to its end, or the next clip's play with its frames
// painted, the second of two whole changes after the timed ones).
// BENCH_BLOCK_TRACE=1 prints where each one counted is allocated.
// Further:
//   - the event loop while the next clip is made ready: a 1 ms timer on the
//     main thread while a 720x576 clip plays, the longest gap between its
//     ticks over 150 ms in which the next clip is rendered and prerolled in
//     a second graph; reference: the same 150 ms without preparing,
//     alternated (counters "median_ms", "worst_ms" of the per-run longest
//     gaps; "not_ready" counts runs whose clip was not prerolled in time,
//     "call_median_ms", "call_worst_ms": what the preparing call itself took);
//   - the goal-clip wait over a 5 s clip: CPU share of the wait and how late
//     it ends after the clip's length (counters "cpu_pct", "late_ms");
//   - what a large block costs: 8 MiB allocated, written and freed, against
//     the same frame kept and written again (BM_LargeBlockCost).
// The main window is shown (offscreen, on a 1920 x 1200 screen), the media
// page is sent to the screen (its video window and picture show lie on the
// output area), the settings and data live in a temporary folder.
#include <benchmark/benchmark.h>

#include <gst/app/gstappsink.h>
#include <jpeglib.h>
#include <pthread.h>
#include <execinfo.h>
#include <sys/resource.h>

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "../tests/support/ClipMaker.h"
#include "console/FMain.h"
#include "console/FrMedia.h"
#include "media/DSGraph.h"
#include "media/DSVideoWindow.h"
#include "pictureshow/PictureShow.h"
#include "pictureshow/ShowEffects.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Forms.h"
#include "toolkit/Registry.h"
#include "toolkit/TestApp.h"
#include "toolkit/Timer.h"

// ---------------------------------------------------------------------------
// Large blocks: every allocation of 128 KiB and more, counted while asked,
// by the thread that makes it (the program's allocation functions wrap the C
// library's own).
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
}

namespace largeblocks {
constexpr size_t kLarge = 128 * 1024;
std::atomic<bool> counting{false};
std::atomic<long> onMain{0};
pthread_t mainThread;
inline void Note(size_t n) {
  if (n >= kLarge && counting.load(std::memory_order_relaxed) && pthread_equal(pthread_self(), mainThread)) {
    onMain.fetch_add(1, std::memory_order_relaxed);
    if (std::getenv("BENCH_BLOCK_TRACE")) {
      counting = false;
      void* bt[40];
      int k = backtrace(bt, 40);
      std::fprintf(stderr, "large block %zu\n", n);
      backtrace_symbols_fd(bt, k, 2);
      counting = true;
    }
  }
}
void Start() {
  onMain = 0;
  counting = true;
}
long Stop() {
  counting = false;
  return onMain.load();
}
}  // namespace largeblocks

extern "C" void* malloc(size_t n) {
  largeblocks::Note(n);
  return __libc_malloc(n);
}
extern "C" void* calloc(size_t a, size_t b) {
  largeblocks::Note(a * b);
  return __libc_calloc(a, b);
}
extern "C" void* realloc(void* p, size_t n) {
  largeblocks::Note(n);
  return __libc_realloc(p, n);
}
extern "C" void* memalign(size_t a, size_t n) {
  largeblocks::Note(n);
  return __libc_memalign(a, n);
}
extern "C" void* aligned_alloc(size_t a, size_t n) {
  largeblocks::Note(n);
  return __libc_memalign(a, n);
}
extern "C" int posix_memalign(void** p, size_t a, size_t n) {
  largeblocks::Note(n);
  *p = __libc_memalign(a, n);
  return *p || n == 0 ? 0 : ENOMEM;
}

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// ---------------------------------------------------------------------------
// Files and consoles

struct Files {
  std::string root, app, clipA, clipB, picture, goal, longClip;
};

// The temporary folder (settings, data, files).
const std::string& Root() {
  static const std::string root = [] {
    char tmpl[] = "/tmp/bench_mediaplay_XXXXXX";
    return std::string(mkdtemp(tmpl));
  }();
  return root;
}

Files& F() {
  static Files f = [] {
    Files r;
    r.root = Root();
    r.app = r.root + "/app/";
    for (const char* d : {"Teams", "Texts", "Pics", "Views"}) std::filesystem::create_directories(r.app + d);
    r.clipA = r.app + "Pics/a.avi";
    r.clipB = r.app + "Pics/b.avi";
    r.goal = r.app + "Pics/goal.avi";
    r.picture = r.app + "Pics/p.jpg";
    r.longClip = r.app + "Pics/long.avi";
    clips::Make(r.clipA, clips::Kind::Avi, 5, 720, 576);
    clips::Make(r.clipB, clips::Kind::Avi, 5, 720, 576);
    clips::Make(r.goal, clips::Kind::Avi, 125, 32, 32);
    clips::Make(r.longClip, clips::Kind::Avi, 50, 720, 576);
    QImage img(1920, 1080, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) img.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) % 256));
    img.save(QString::fromStdString(r.picture), "JPEG", 90);
    return r;
  }();
  return f;
}

// One console at a time, started with the output size asked for.
struct Console {
  int w = 0, h = 0;
  TFormMain* form = nullptr;
  TFrameMedia* frame = nullptr;
};
Console console;

void CloseConsole() {
  if (!console.form) return;
  Free(console.form);
  console = Console{};
  for (int i = 0; i < 5; ++i) Application->ProcessMessages();
}

// A console started now (fresh) or the one running at that size.
TFrameMedia* ConsoleAt(int w, int h, bool fresh) {
  if (console.form && !fresh && console.w == w && console.h == h) return console.frame;
  CloseConsole();
  {
    TRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    reg.OpenKey(SettingsKeyFor("bench"), true);
    reg.WriteInteger("XWidth", w);
    reg.WriteInteger("YHeight", h);
    reg.CloseKey();
  }
  console.w = w;
  console.h = h;
  console.form = new TFormMain(nullptr, TFormMainEnvironment{F().app, "bench"});
  console.form->AfterConstruction();
  console.form->Show();
  console.form->PageControl2->SetActivePage(console.form->Sheet_Tablo);
  // The media page is sent to the screen: its outputs lie on the output area.
  TFormMain* m = console.form;
  m->PageControl1->SetActivePage(m->Sheet_Media);
  m->PageControl1Change(m->PageControl1);
  m->PageControl1->SetActivePageIndex(0);
  m->PageControl1Change(m->PageControl1);
  console.frame = console.form->FrameMedia1;
  // The window settles.
  const auto until = Clock::now() + std::chrono::milliseconds(300);
  while (Clock::now() < until) {
    Application->ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return console.frame;
}

int HeightFor(int w) { return w == 384 ? 256 : w * 9 / 16; }

// ---------------------------------------------------------------------------
// Measures

// Median and worst, in milliseconds.
struct Spread {
  std::vector<double> ms;
  void Add(double v) { ms.push_back(v); }
  double Median() const {
    if (ms.empty()) return 0;
    std::vector<double> s = ms;
    std::sort(s.begin(), s.end());
    return s[s.size() / 2];
  }
  double Worst() const { return ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()); }
};

// Pixels that differ between two frames of the same size (all when the
// sizes differ).
long Differing(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return long(std::max(a.width() * a.height(), b.width() * b.height()) + 1);
  long n = 0;
  for (int y = 0; y < a.height(); ++y) {
    const auto* pa = reinterpret_cast<const uint32_t*>(a.constScanLine(y));
    const auto* pb = reinterpret_cast<const uint32_t*>(b.constScanLine(y));
    for (int x = 0; x < a.width(); ++x)
      if ((pa[x] & 0xFFFFFFu) != (pb[x] & 0xFFFFFFu)) ++n;
  }
  return n;
}

// ---------------------------------------------------------------------------
// The console's change

struct Change {
  double ms = 0;
  long blocks = 0;
  QImage frame;   // what it showed first
  // Clip -> picture: the gap's parts (negative when not seen): to the show
  // given its picture (the list's move), from there to the effect's start
  // (the show brought forward, the background laid, the old picture copied)
  // and the effect's first frame.
  double listMs = -1, showMs = -1, effectMs = -1;
};

// What a change's hook calls at the output it waits for: Reached() notes the
// time (and ends the count of large blocks) the first time it is called and
// tells whether this was the first; the hook then leaves a copy of the
// output in *Frame (after the time was taken).
struct Arrival {
  std::function<bool()> Reached;
  QImage* Frame = nullptr;
  // Notes the time of a part's end (0: the show given its picture, 1: the
  // effect's start), the first time only.
  std::function<void(int)> Part;
};

// Plays a list of two lines and measures the gap from the first line's end
// of stream to the second line's first output (arm() installs the hook;
// whole: the second item then goes on to the end of its transition or of its
// play, and blocksAfter counts the large blocks of that part).
Change ConsoleChange(TFrameMedia* f, const std::string& second, const std::function<void(Arrival)>& arm,
                     bool whole = false, long* blocksAfter = nullptr) {
  f->btStopClick(f->btStop);
  f->ClearList();
  f->AddItemPath(F().clipA);
  f->AddItemPath(second);
  // A second clip played whole is followed by a picture: no clip is made
  // ready on the main thread while its frames are counted.
  if (whole && second != F().picture) f->AddItemPath(F().picture);
  for (int i = 0; i < f->ListMedia->Count(); ++i) f->ListMedia->SetChecked(i, true);
  f->SetButtonsState(1);
  f->ListMedia->SetItemIndex(0);
  Clock::time_point end{}, drawn{}, parts[2]{};
  bool ended = false, done = false, after = false;
  Change c;
  auto complete = f->FilterGraph1->OnGraphComplete;
  f->FilterGraph1->OnGraphComplete = [&](TObject* s, HRESULT r, IBaseFilter* b) {
    if (after) {
      // The second clip's end: its play is over, and so is the list.
      if (blocksAfter) *blocksAfter = largeblocks::Stop();
      after = false;
      f->SetButtonsState(1);
      return;
    }
    if (!ended) {
      ended = true;
      Arrival a;
      a.Frame = &c.frame;
      a.Part = [&](int k) {
        if (!done && parts[k] == Clock::time_point{}) parts[k] = Clock::now();
      };
      a.Reached = [&] {
        if (done) return false;
        drawn = Clock::now();
        c.blocks = largeblocks::Stop();
        done = true;
        if (whole) {
          after = true;
          largeblocks::Start();
        }
        return true;
      };
      arm(a);
      largeblocks::Start();
      end = Clock::now();
    }
    complete(s, r, b);
  };
  f->btPlayClick(f->btPlay);
  // The console's own wait: woken by what comes (the graph's notices, the
  // posted advance, paints), as its event loop is.
  WaitFor([&] { return done; }, 10000);
  if (!done) {
    drawn = Clock::now();
    c.blocks = largeblocks::Stop();
  }
  if (whole && done) {
    // To the end of the transition, or of the second clip.
    WaitFor([&] { return !after || (!f->PictureShow->Busy() && f->PictureShow->Visible()); }, 10000);
    if (after) {
      if (blocksAfter) *blocksAfter = largeblocks::Stop();
      after = false;
    }
  }
  largeblocks::Stop();
  f->FilterGraph1->OnGraphComplete = complete;
  f->DSVideoWindowEx1->OnPaint = nullptr;
  f->PictureShow->OnAfterNewFrame = nullptr;
  f->PictureShow->OnBeforeNewFrame = nullptr;
  f->PictureShow->OnChange = nullptr;
  f->btStopClick(f->btStop);
  c.ms = Ms(drawn - end);
  const Clock::time_point none{};
  if (done && parts[0] != none && parts[1] != none && end <= parts[0] && parts[0] <= parts[1] && parts[1] <= drawn) {
    c.listMs = Ms(parts[0] - end);
    c.showMs = Ms(parts[1] - parts[0]);
    c.effectMs = Ms(drawn - parts[1]);
  }
  return c;
}

// The renderer the video window draws from.
ComPtr<IVideoFrameSource> WindowSource(TDSVideoWindowEx2* w) {
  return QueryAs<IVideoFrameSource>(static_cast<IFilterProvider*>(w));
}

// Copies the pixels of a bitmap (out of the count of large blocks).
QImage Copied(const TBitmap& b) {
  const bool counting = largeblocks::counting;
  largeblocks::counting = false;
  QImage copy = b.Image().copy();
  largeblocks::counting = counting;
  return copy;
}

// The video window's first paint of a frame from another renderer than the
// one the first clip played in; the output is the window's still.
Change ConsoleClipToClip(TFrameMedia* f, bool whole = false, long* blocksAfter = nullptr) {
  return ConsoleChange(
      f, F().clipB,
      [f](Arrival a) {
        // Held, so that no later renderer can take its place in memory.
        ComPtr<IVideoFrameSource> first = WindowSource(f->DSVideoWindowEx1);
        f->DSVideoWindowEx1->OnPaint = [f, first, a](TObject*) {
          ComPtr<IVideoFrameSource> now = WindowSource(f->DSVideoWindowEx1);
          TVideoFrame frame;
          if (!now || now.Get() == first.Get() || !now->LatestFrame(frame) || !frame.Bits ||
              !f->DSVideoWindowEx1->Visible() || !a.Reached())
            return;
          TDSVideoWindowEx2* w = f->DSVideoWindowEx1;
          const bool counting = largeblocks::counting;
          largeblocks::counting = false;
          TBitmap still(w->Width(), w->Height());
          w->Still().DrawTo(still.Canvas(), 0, 0);
          largeblocks::counting = counting;
          *a.Frame = Copied(still);
        };
      },
      whole, blocksAfter);
}

// The show's first transition frame.
Change ConsoleClipToPicture(TFrameMedia* f, bool whole = false, long* blocksAfter = nullptr) {
  return ConsoleChange(
      f, F().picture,
      [f](Arrival a) {
        f->PictureShow->OnChange = [a](TObject*) { a.Part(0); };
        f->PictureShow->OnBeforeNewFrame = [a](TObject*, TBitmap*, TBitmap*) { a.Part(1); };
        f->PictureShow->OnAfterNewFrame = [a](TObject*, TBitmap*, TBitmap* screen) {
          if (a.Reached()) *a.Frame = Copied(*screen);
        };
      },
      whole, blocksAfter);
}

// ---------------------------------------------------------------------------
// Bare pipelines

// A bare pipeline prerolled on a clip, its sink named "sink" (which keeps
// only the newest frames it is given, so that it plays to its end unread).
GstElement* Prerolled(const std::string& clip, GstElement** sink) {
  const std::string line = "uridecodebin uri=file://" + clip +
                           " ! videoconvert ! video/x-raw,format=BGRx ! appsink name=sink max-buffers=2 drop=true";
  GstElement* p = gst_parse_launch(line.c_str(), nullptr);
  *sink = gst_bin_get_by_name(GST_BIN(p), "sink");
  gst_element_set_state(p, GST_STATE_PAUSED);
  return p;
}

void TearDown(GstElement* p, GstElement* sink) {
  gst_element_set_state(p, GST_STATE_NULL);
  gst_object_unref(sink);
  gst_object_unref(p);
}

// A sample's BGRx frame mapped as an image (no copy) for as long as the
// object lives.
struct MappedFrame {
  GstSample* sample = nullptr;
  GstBuffer* buffer = nullptr;
  GstMapInfo map{};
  QImage image;
  explicit MappedFrame(GstSample* s) : sample(s) {
    if (!s) return;
    GstStructure* st = gst_caps_get_structure(gst_sample_get_caps(s), 0);
    int fw = 0, fh = 0;
    gst_structure_get_int(st, "width", &fw);
    gst_structure_get_int(st, "height", &fh);
    buffer = gst_sample_get_buffer(s);
    if (fw > 0 && fh > 0 && gst_buffer_map(buffer, &map, GST_MAP_READ))
      image = QImage(map.data, fw, fh, fw * 4, QImage::Format_RGB32);
    else
      buffer = nullptr;
  }
  ~MappedFrame() {
    if (buffer) gst_buffer_unmap(buffer, &map);
    if (sample) gst_sample_unref(sample);
  }
  MappedFrame(const MappedFrame&) = delete;
  MappedFrame& operator=(const MappedFrame&) = delete;
};

// The last frame of a clip, decoded bare.
QImage LastFrame(const std::string& clip) {
  const std::string line = "uridecodebin uri=file://" + clip +
                           " ! videoconvert ! video/x-raw,format=BGRx ! appsink name=sink sync=false";
  GstElement* p = gst_parse_launch(line.c_str(), nullptr);
  GstElement* sink = gst_bin_get_by_name(GST_BIN(p), "sink");
  gst_element_set_state(p, GST_STATE_PLAYING);
  QImage last;
  while (GstSample* s = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 10 * GST_SECOND)) {
    MappedFrame m(s);
    if (!m.image.isNull()) last = m.image.copy();
  }
  TearDown(p, sink);
  return last;
}

// Draws a frame over the whole of an image as the video window paints it:
// its pixels replace what is there, scaled nearest neighbour.
void PaintStretched(QImage& target, const QImage& frame, const QRect& where) {
  QPainter p(&target);
  p.setRenderHint(QPainter::SmoothPixmapTransform, false);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.drawImage(where, frame);
}
void PaintStretched(QImage& target, const QImage& frame) { PaintStretched(target, frame, target.rect()); }

// Releases pipelines handed to it once their time has come, on a thread of
// its own (as the graph's background thread releases a retired graph).
class Retirer {
 public:
  Retirer() : thread_([this] { run(); }) {}
  ~Retirer() {
    {
      std::lock_guard<std::mutex> g(m_);
      quit_ = true;
    }
    cv_.notify_all();
    thread_.join();
  }
  void Push(GstElement* p, GstElement* sink, int DelayMs) {
    {
      std::lock_guard<std::mutex> g(m_);
      tasks_.push_back({p, sink, Clock::now() + std::chrono::milliseconds(DelayMs)});
    }
    cv_.notify_all();
  }

 private:
  struct Task {
    GstElement* p;
    GstElement* sink;
    Clock::time_point notBefore;
  };
  void run() {
    std::unique_lock<std::mutex> l(m_);
    for (;;) {
      if (tasks_.empty()) {
        if (quit_) return;
        cv_.wait(l);
        continue;
      }
      if (!quit_ && Clock::now() < tasks_.front().notBefore) {
        cv_.wait_until(l, tasks_.front().notBefore);
        continue;
      }
      Task t = tasks_.front();
      tasks_.pop_front();
      l.unlock();
      TearDown(t.p, t.sink);
      l.lock();
    }
  }
  std::mutex m_;
  std::condition_variable cv_;
  std::deque<Task> tasks_;
  bool quit_ = false;
  std::thread thread_;
};

Retirer& TheRetirer() {
  static Retirer r;
  return r;
}

// The reference's clip -> clip change; frame: what it painted.
Change ReferenceClipToClip(QImage& window) {
  GstElement* oldSink = nullptr;
  GstElement* old = Prerolled(F().clipA, &oldSink);
  gst_element_get_state(old, nullptr, nullptr, 10 * GST_SECOND);
  // The next one made ready ahead, as the list does while the first plays,
  // its frame held mapped as the renderer holds it.
  GstElement* sink = nullptr;
  GstElement* next = Prerolled(F().clipB, &sink);
  gst_element_get_state(next, nullptr, nullptr, 10 * GST_SECOND);
  auto frame = std::make_unique<MappedFrame>(gst_app_sink_try_pull_preroll(GST_APP_SINK(sink), 10 * GST_SECOND));
  // The first one plays to its end meanwhile, each of its frames painted
  // into the window as it comes.
  gst_element_set_state(old, GST_STATE_PLAYING);
  while (GstSample* s = gst_app_sink_try_pull_sample(GST_APP_SINK(oldSink), 10 * GST_SECOND)) {
    MappedFrame m(s);
    if (!m.image.isNull()) PaintStretched(window, m.image);
  }
  Change c;
  largeblocks::Start();
  const auto t0 = Clock::now();
  // (1) The old pipeline retired, released 100 ms later off this thread.
  TheRetirer().Push(old, oldSink, 100);
  // (2) The next one's frame painted over the window.
  if (!frame->image.isNull()) PaintStretched(window, frame->image);
  const auto t1 = Clock::now();
  c.blocks = largeblocks::Stop();
  // Then it plays (the console's window paints the frame as the graph is
  // told to play, before it runs).
  gst_element_set_state(next, GST_STATE_PLAYING);
  c.ms = Ms(t1 - t0);
  c.frame = window.copy();
  frame.reset();
  TearDown(next, sink);
  return c;
}

QImage DecodeJpeg(const std::string& file) {
  FILE* in = std::fopen(file.c_str(), "rb");
  if (!in) return {};
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, in);
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_EXT_BGRX;
  jpeg_start_decompress(&cinfo);
  QImage picture(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB32);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW r = picture.scanLine(int(cinfo.output_scanline));
    jpeg_read_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::fclose(in);
  return picture;
}

// Where a picture of pw x ph lies in a show of cw x ch that fits it keeping
// its proportions, centred.
QRect AspectFit(int pw, int ph, int cw, int ch) {
  const double rx = double(cw) / pw, ry = double(ch) / ph;
  int w, h;
  if (ry < rx) {
    w = int((int64_t(pw) * ch + ph / 2) / ph);
    h = ch;
  } else {
    w = cw;
    h = int((int64_t(ph) * cw + pw / 2) / pw);
  }
  return QRect((cw - w) / 2, (ch - h) / 2, w, h);
}

// The reference's clip -> picture change, its inputs made ahead.
struct PictureReference {
  QImage still;             // the clip's last frame over the video window's area
  QRect covered;            // where the composed picture lies on it
  TBitmap picture, frame;   // the picture at the composed size; the frame composed
  TEffectRandom random{0x5EED};
  int style = 98, step = 4;

  // The video window lies at Window on an area of AreaW x AreaH.
  PictureReference(int AreaW, int AreaH, const QRect& Window, int showW, int showH, int Style, int Step)
      : style(Style), step(Step) {
    still = QImage(AreaW, AreaH, QImage::Format_RGB32);
    still.fill(Qt::black);
    PaintStretched(still, LastFrame(F().clipA), Window);
    const QImage whole = DecodeJpeg(F().picture);
    covered = AspectFit(whole.width(), whole.height(), showW, showH);
    if (covered.size() == whole.size()) {
      picture.SetImage(whole);
    } else {
      // Scaled as the show scales a picture it stretches down.
      TBitmap w;
      w.SetImage(whole);
      picture.SetImage(TPictureShow::ScaleForShow(w, covered.width(), covered.height())->Image());
    }
    frame.SetSize(covered.width(), covered.height());   // kept, as the console keeps its frames
  }

  Change Run() {
    Change c;
    largeblocks::Start();
    const auto t0 = Clock::now();
    // (1) The old picture: the part of the clip's still the picture covers.
    QImage& out = frame.Image();
    const size_t row = size_t(covered.width()) * 4;
    for (int y = 0; y < covered.height(); ++y)
      std::memcpy(out.scanLine(y), still.constScanLine(covered.top() + y) + covered.left() * 4, row);
    // (2) The effect's first frame over it.
    DrawEffectFrame(&frame, &picture, EffectProc(style), uint16_t(step), step, &random);
    const auto t1 = Clock::now();
    c.blocks = largeblocks::Stop();
    c.ms = Ms(t1 - t0);
    c.frame = frame.Image().copy();
    return c;
  }
};

// The floor of a clip -> picture change: one frame copy and one blend of
// the picture over it at the first step's weight, (old x (100 - p) + new x
// p) / 100 per byte in plain loops that the compiler vectorises, into a
// frame kept (warm) or one allocated for it (cold); fused: the blend read
// from the old frame and written into the kept one in one pass.
enum class FloorKind { Warm, Cold, Fused };
double Floor(const QImage& old, const QImage& picture, QImage& kept, int step, FloorKind kind) {
  const size_t n = size_t(old.width()) * size_t(old.height()) * 4;
  const uint8_t* __restrict p = picture.constBits();
  const uint8_t* __restrict o = old.constBits();
  const int a = step, b = 100 - step;
  const auto t0 = Clock::now();
  QImage fresh;
  uint8_t* __restrict out;
  if (kind == FloorKind::Cold) {
    fresh = QImage(old.size(), QImage::Format_RGB32);
    out = fresh.bits();
  } else {
    out = kept.bits();
  }
  if (kind == FloorKind::Fused) {
    for (size_t i = 0; i < n; ++i) out[i] = uint8_t(uint16_t(o[i] * b + p[i] * a) / 100);
  } else {
    std::memcpy(out, o, n);
    for (size_t i = 0; i < n; ++i) out[i] = uint8_t(uint16_t(out[i] * b + p[i] * a) / 100);
  }
  benchmark::DoNotOptimize(out);
  return Ms(Clock::now() - t0);
}

// ---------------------------------------------------------------------------
// The cases

// The media page's transition word.
void SetMediaEffect(int style, int step) {
  TFormMain::SetPageTag(console.form->Sheet_Media, uint32_t(style) | (uint32_t(step) << 8));
}

struct Pairs {
  Spread ours, ref;
  double oursFirst = 0, refFirst = 0;
  std::vector<double> blocks;
  long blocksFirst = 0;
  long pairsDiffering = 0;
  void Report(benchmark::State& state) const {
    state.counters["median_ms"] = ours.Median();
    state.counters["worst_ms"] = ours.Worst();
    state.counters["first_ms"] = oursFirst;
    state.counters["ref_median_ms"] = ref.Median();
    state.counters["ref_worst_ms"] = ref.Worst();
    state.counters["ref_first_ms"] = refFirst;
    state.counters["ratio"] = ref.Median() > 0 ? ours.Median() / ref.Median() : 0;
    std::vector<double> b = blocks;
    std::sort(b.begin(), b.end());
    state.counters["blocks_gap"] = b.empty() ? 0 : b[b.size() / 2];
    state.counters["blocks_gap_first"] = double(blocksFirst);
    state.counters["frames_differing"] = double(pairsDiffering);
  }
};

constexpr int kPairs = 21;

// A pair's frames compared; a difference in a change that took less than a
// frame interval (the output cannot have moved on) is an error.
bool Compare(benchmark::State& state, Pairs& p, const Change& ours, const Change& ref) {
  const long d = Differing(ours.frame, ref.frame);
  if (d == 0) return true;
  ++p.pairsDiffering;
  if (const char* dump = std::getenv("BENCH_FRAME_DUMP")) {
    ours.frame.save(QString(dump) + "/ours.png");
    ref.frame.save(QString(dump) + "/ref.png");
  }
  if (ours.ms < 40.0) {
    char why[160];
    std::snprintf(why, sizeof why, "the console's frame and the reference's differ in %ld pixels", d);
    state.SkipWithError(why);
    return false;
  }
  return true;
}

void BM_ClipToClip(benchmark::State& state) {
  const int w = int(state.range(0)), h = HeightFor(w);
  TFrameMedia* f = ConsoleAt(w, h, true);
  TDSVideoWindowEx2* win = f->DSVideoWindowEx1;
  Pairs p;
  QImage window;
  for (auto _ : state) {
    for (int i = 0; i <= kPairs; ++i) {
      const bool oursFirst = i % 2 == 0;
      Change ours, ref;
      for (int side = 0; side < 2; ++side) {
        if ((side == 0) == oursFirst) {
          ours = ConsoleClipToClip(f);
        } else {
          if (window.size() != QSize(win->Width(), win->Height()))
            window = QImage(std::max(1, win->Width()), std::max(1, win->Height()), QImage::Format_RGB32);
          ref = ReferenceClipToClip(window);
        }
      }
      if (!Compare(state, p, ours, ref)) return;
      if (i == 0) {
        p.oursFirst = ours.ms;
        p.refFirst = ref.ms;
        p.blocksFirst = ours.blocks;
        continue;
      }
      p.ours.Add(ours.ms);
      p.ref.Add(ref.ms);
      p.blocks.push_back(double(ours.blocks));
    }
    // Twice: the first may make what is kept from then on.
    long after = 0;
    ConsoleClipToClip(f, true, &after);
    ConsoleClipToClip(f, true, &after);
    state.counters["blocks_after"] = double(after);
    state.SetIterationTime(p.ours.Median() / 1000.0);
  }
  p.Report(state);
  CloseConsole();
}
BENCHMARK(BM_ClipToClip)->Arg(384)->Arg(1920)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void ClipToPicture(benchmark::State& state, int style) {
  const int w = int(state.range(0)), h = HeightFor(w);
  TFrameMedia* f = ConsoleAt(w, h, true);
  SetMediaEffect(style, 4);
  // The reference's inputs, made before its gaps, once the console's first
  // change has placed the video window.
  std::unique_ptr<PictureReference> ref;
  Pairs p;
  Spread warm, cold, fused, list, show, effect;
  QImage oldFrame, picture, kept;
  for (auto _ : state) {
    for (int i = 0; i <= kPairs; ++i) {
      const bool oursFirst = i % 2 == 0;
      Change ours, bare;
      for (int side = 0; side < 2; ++side) {
        if ((side == 0) == oursFirst) {
          ours = ConsoleClipToPicture(f);
          continue;
        }
        if (!ref) {
          const TDSVideoWindowEx2* win = f->DSVideoWindowEx1;
          ref = std::make_unique<PictureReference>(
              win->Parent()->ClientWidth(), win->Parent()->ClientHeight(),
              QRect(win->Left(), win->Top(), win->Width(), win->Height()), f->PictureShow->ClientWidth(),
              f->PictureShow->ClientHeight(), style, 4);
          oldFrame = ref->still.copy(ref->covered);
          picture = ref->picture.Image().copy();
          kept = QImage(oldFrame.size(), QImage::Format_RGB32);
        }
        bare = ref->Run();
      }
      if (!Compare(state, p, ours, bare)) return;
      if (i == 0) {
        p.oursFirst = ours.ms;
        p.refFirst = bare.ms;
        p.blocksFirst = ours.blocks;
        continue;
      }
      p.ours.Add(ours.ms);
      p.ref.Add(bare.ms);
      p.blocks.push_back(double(ours.blocks));
      if (ours.listMs >= 0) {
        list.Add(ours.listMs);
        show.Add(ours.showMs);
        effect.Add(ours.effectMs);
      }
      warm.Add(Floor(oldFrame, picture, kept, 4, FloorKind::Warm));
      cold.Add(Floor(oldFrame, picture, kept, 4, FloorKind::Cold));
      fused.Add(Floor(oldFrame, picture, kept, 4, FloorKind::Fused));
    }
    long after = 0;
    ConsoleClipToPicture(f, true, &after);
    ConsoleClipToPicture(f, true, &after);
    state.counters["blocks_after"] = double(after);
    state.SetIterationTime(p.ours.Median() / 1000.0);
  }
  p.Report(state);
  state.counters["floor_warm_ms"] = warm.Median();
  state.counters["floor_cold_ms"] = cold.Median();
  state.counters["floor_fused_ms"] = fused.Median();
  state.counters["list_ms"] = list.Median();
  state.counters["show_ms"] = show.Median();
  state.counters["effect_ms"] = effect.Median();
  state.counters["ratio_cold_floor"] = cold.Median() > 0 ? p.ours.Median() / cold.Median() : 0;
  CloseConsole();
}

void BM_ClipToPicture(benchmark::State& state) { ClipToPicture(state, 98); }
void BM_ClipToPictureFade(benchmark::State& state) { ClipToPicture(state, 118); }
BENCHMARK(BM_ClipToPicture)->Arg(384)->Arg(1920)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClipToPictureFade)->Arg(384)->Arg(1920)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void PumpOnce() {
  if (Application) Application->ProcessMessages();
}

// The longest gap between the ticks of a 1 ms timer over 150 ms while a
// clip plays, the next clip prepared meanwhile or not.
void PrepareStall(benchmark::State& state, bool prepare) {
  TFrameMedia* f = ConsoleAt(384, 256, false);
  TFilterGraph* g = f->FilterGraph1;
  f->btStopClick(f->btStop);
  TTimer timer(nullptr);
  timer.SetEnabled(false);
  timer.SetInterval(1);
  Clock::time_point last{};
  double worstGap = 0;
  timer.OnTimer = [&](TObject*) {
    const Clock::time_point now = Clock::now();
    if (last != Clock::time_point{}) worstGap = std::max(worstGap, std::chrono::duration<double>(now - last).count());
    last = now;
  };
  std::vector<double> gaps;
  int notReady = 0;
  double callWorst = 0;   // the longest PrepareFile call itself
  std::vector<double> calls;
  for (auto _ : state) {
    // The clip plays (rendered anew each run, out of the measure).
    g->SetActive(false);
    g->SetActive(true);
    g->RenderFile(F().longClip);
    g->Play();
    const auto settle = Clock::now() + std::chrono::milliseconds(40);
    while (Clock::now() < settle) {
      PumpOnce();
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    last = {};
    worstGap = 0;
    timer.SetEnabled(true);
    // The timer ticks a while first, so that the call itself counts too.
    const auto ticking = Clock::now() + std::chrono::milliseconds(10);
    while (Clock::now() < ticking) {
      PumpOnce();
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (prepare) {
      const auto c0 = Clock::now();
      g->PrepareFile(F().clipB, 0);
      calls.push_back(Ms(Clock::now() - c0));
      callWorst = std::max(callWorst, calls.back());
    }
    const auto end = Clock::now() + std::chrono::milliseconds(150);
    while (Clock::now() < end) {
      PumpOnce();
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    timer.SetEnabled(false);
    if (prepare && !g->PreparedReady()) ++notReady;
    g->CancelPrepared();
    state.SetIterationTime(worstGap);
    gaps.push_back(worstGap * 1000.0);
  }
  g->Stop();
  g->ClearGraph();
  g->SetActive(false);
  std::sort(gaps.begin(), gaps.end());
  if (!gaps.empty()) {
    state.counters["median_ms"] = gaps[gaps.size() / 2];
    state.counters["worst_ms"] = gaps.back();
  }
  if (prepare) {
    state.counters["not_ready"] = notReady;
    state.counters["call_worst_ms"] = callWorst;
    std::sort(calls.begin(), calls.end());
    if (!calls.empty()) state.counters["call_median_ms"] = calls[calls.size() / 2];
  }
}

void BM_PrepareStall(benchmark::State& state) { PrepareStall(state, true); }
void BM_PrepareStallReference(benchmark::State& state) { PrepareStall(state, false); }
BENCHMARK(BM_PrepareStall)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrepareStallReference)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void BM_GoalClipWait(benchmark::State& state) {
  TFrameMedia* f = ConsoleAt(384, 256, false);
  double cpu = 0, wall = 0, late = 0;
  // The wait's own clock: its first reading starts the wait, its last one
  // ends it.
  int64_t first = -1, last = -1;
  f->TickSource = [&] {
    const int64_t now = GetTickCount64();
    if (first < 0) first = now;
    last = now;
    return now;
  };
  for (auto _ : state) {
    first = last = -1;
    const double c0 = CpuSeconds();
    const auto t0 = Clock::now();
    f->PlayClipBlocking(F().goal);
    const double w = std::chrono::duration<double>(Clock::now() - t0).count();
    cpu += CpuSeconds() - c0;
    wall += w;
    late = std::max(late, double(last - first) - 5000.0);
  }
  f->TickSource = nullptr;
  state.counters["cpu_pct"] = wall > 0 ? 100.0 * cpu / wall : 0;
  state.counters["late_ms"] = late;
}
BENCHMARK(BM_GoalClipWait)->Iterations(1)->Unit(benchmark::kMillisecond);

// What a large block costs under the console's allocation rule: a frame of
// 1920 x 1080 (8 MiB) allocated, written whole and freed (mapped and
// unmapped anew each time, its pages faulted in as they are first written),
// against the same frame kept and written again; alternated, medians of 41
// ("mapped_ms", "kept_ms", "ratio").
void BM_LargeBlockCost(benchmark::State& state) {
  constexpr size_t kFrame = size_t(1920) * 1080 * 4;
  std::vector<uint8_t> kept(kFrame, 1);
  Spread mapped, again;
  for (auto _ : state) {
    for (int i = 0; i < 41; ++i) {
      const uint8_t v = uint8_t(i);
      auto t0 = Clock::now();
      auto* block = static_cast<uint8_t*>(std::malloc(kFrame));
      std::memset(block, v, kFrame);
      benchmark::DoNotOptimize(block);
      std::free(block);
      mapped.Add(Ms(Clock::now() - t0));
      t0 = Clock::now();
      std::memset(kept.data(), v, kFrame);
      benchmark::DoNotOptimize(kept.data());
      again.Add(Ms(Clock::now() - t0));
    }
    state.SetIterationTime(mapped.Median() / 1000.0);
  }
  state.counters["mapped_ms"] = mapped.Median();
  state.counters["kept_ms"] = again.Median();
  state.counters["ratio"] = again.Median() > 0 ? mapped.Median() / again.Median() : 0;
}
BENCHMARK(BM_LargeBlockCost)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// An offscreen screen large enough for a 1920 x 1080 output below its band.
std::string ScreenConfig(const std::string& root) {
  const std::string path = root + "/screen.json";
  std::ofstream(path) << R"({"screens":[{"name":"bench","x":0,"y":0,"width":1920,"height":1200,)"
                         R"("logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})";
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  largeblocks::mainThread = pthread_self();
  setenv("XDG_CONFIG_HOME", (Root() + "/cfg").c_str(), 1);
  setenv("TABLO_AUDIO_SINK", "fakesink sync=true", 1);
  const std::string platform = "offscreen:configfile=" + ScreenConfig(Root());
  setenv("QT_QPA_PLATFORM", platform.c_str(), 0);
  TestApp::Init(argc, argv);
  F();
  MessageDlgHook = [](const TMsgDlgRequest&) { return mrOk; };
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  CloseConsole();
  std::filesystem::remove_all(Root());
  return 0;
}
