// The media play list filled three ways, each against a reference measured in
// the same run on the same names: QDir::entryList listing the folder by the
// masks and a QListWidget filled with the names in one batch.
//   - the folder fill: 10,000 files of which 7,500 are pictures or clips;
//   - loading a play list of 10,000 lines;
//   - "Add" of 10,000 lines pasted from the clipboard.
// Each run includes the widgets' layout (the window is shown and the event
// queue drained).
//
// A Flash movie's reading before it plays (ReadSwfMovie: the file, unpacked,
// its tags walked): movies whose header lies (only a header claiming 65,535
// frames; 24 frames claiming 65,535; a garbage body; the first 200 bytes of a
// good 120-frame movie), a sparse 3 GB file with a good header, a FIFO, and
// the largest movie accepted (zlib, 256 MiB unpacked: 24 frames, then zeros),
// each against the reference: a good 600-frame movie read the same way in the
// same run (Arg 0). Counters: ms per read, the peak resident memory during
// it (VmHWM after clear_refs) and whether it was taken. Targets: the lying
// files refused in well under 100 ms, every read under 600 MB.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QListWidget>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include "console/FrMedia.h"
#include "toolkit/Clipbrd.h"
#include "toolkit/FileMasks.h"
#include "toolkit/Forms.h"
#include "BenchMain.h"
#include "ResidentMemory.h"
#include "platform/flash/SwfHeader.h"
#include "tests/support/SwfMaker.h"

namespace {

constexpr int kFiles = 10000;

struct Data {
  String root, mixed, media, list, pasted;
};

// Two folders: "mixed" with 7,500 pictures and clips among 10,000 files,
// "media" with 10,000 pictures and clips; a play list and a clipboard text
// naming the files of "media".
const Data& Files() {
  static Data d = [] {
    Data r;
    char tmpl[] = "/tmp/bench_playlist_XXXXXX";
    r.root = String(mkdtemp(tmpl)) + "/";
    r.mixed = r.root + "mixed/";
    r.media = r.root + "media/";
    std::filesystem::create_directories(r.mixed);
    std::filesystem::create_directories(r.media);
    static const char* taken[] = {".jpg", ".JPG", ".avi", ".png"};
    static const char* skipped[] = {".txt", ".swf"};
    static const char* media[] = {".jpg", ".bmp", ".avi", ".png"};
    for (int i = 0; i < kFiles; ++i) {
      const String n = "clip_" + IntToStr(100000 + i);
      const char* ext = i % 4 == 3 ? skipped[(i / 4) % 2] : taken[i % 4];
      std::ofstream(r.mixed + n + ext);
      const String m = n + media[i % 4];
      std::ofstream(r.media + m);
      r.list += m + "\n";
      r.pasted += r.media + m + "\r\n";
    }
    std::ofstream(r.root + "list.txt") << r.list;
    return r;
  }();
  return d;
}

struct Window {
  TForm* form = new TForm(nullptr);
  TFrameMedia* frame = new TFrameMedia(form);
  QListWidget* reference = new QListWidget;
  Window() {
    form->SetBounds(0, 0, 1000, 450);
    frame->SetParent(form);
    frame->SetAlign(alClient);
    form->Show();
    reference->resize(300, 400);
    reference->show();
  }
  ~Window() {
    delete reference;
    Free(form);
  }
  // The reference: the folder listed by the masks, the names put into the
  // list widget in one batch.
  int Reference(const String& folder, const String& masks) {
    QStringList filters;
    for (const QString& m : QString::fromStdString(masks).split(u';', Qt::SkipEmptyParts)) filters << m;
    const QStringList names = QDir(QString::fromStdString(folder)).entryList(filters, QDir::Files, QDir::Name | QDir::IgnoreCase);
    reference->clear();
    reference->addItems(names);
    Application->ProcessMessages();
    return reference->count();
  }
};

String MediaMasks() { return GraphicFileMask() + ";" + VideoFileMask; }

void BM_FolderFill(benchmark::State& state) {
  const Data& d = Files();
  Window w;
  for (auto _ : state) {
    w.frame->FillFromFolder(d.mixed);
    Application->ProcessMessages();
    if (w.frame->ListMedia->Count() != 7500) state.SkipWithError("wrong line count");
  }
}
BENCHMARK(BM_FolderFill)->Unit(benchmark::kMillisecond);

void BM_FolderFillReference(benchmark::State& state) {
  const Data& d = Files();
  Window w;
  for (auto _ : state)
    if (w.Reference(d.mixed, MediaMasks()) != 7500) state.SkipWithError("wrong line count");
}
BENCHMARK(BM_FolderFillReference)->Unit(benchmark::kMillisecond);

void BM_PlayListLoad(benchmark::State& state) {
  const Data& d = Files();
  Window w;
  for (auto _ : state) {
    w.frame->LoadPlayList(d.root + "list.txt");
    Application->ProcessMessages();
    if (w.frame->ListMedia->Count() != kFiles) state.SkipWithError("wrong line count");
  }
}
BENCHMARK(BM_PlayListLoad)->Unit(benchmark::kMillisecond);

void BM_PlayListLoadReference(benchmark::State& state) {
  const Data& d = Files();
  Window w;
  for (auto _ : state)
    if (w.Reference(d.media, MediaMasks()) != kFiles) state.SkipWithError("wrong line count");
}
BENCHMARK(BM_PlayListLoadReference)->Unit(benchmark::kMillisecond);

void BM_PasteAdd(benchmark::State& state) {
  const Data& d = Files();
  Window w;
  Clipboard()->SetAsText(d.pasted);
  for (auto _ : state) {
    w.frame->ClearList();
    w.frame->mPasteClick(w.frame->mAdd);
    Application->ProcessMessages();
    if (w.frame->ListMedia->Count() != kFiles) state.SkipWithError("wrong line count");
  }
}
BENCHMARK(BM_PasteAdd)->Unit(benchmark::kMillisecond);

void BM_PasteAddReference(benchmark::State& state) {
  const Data& d = Files();
  Window w;
  for (auto _ : state)
    if (w.Reference(d.media, MediaMasks()) != kFiles) state.SkipWithError("wrong line count");
}
BENCHMARK(BM_PasteAddReference)->Unit(benchmark::kMillisecond);

// --- Flash movies read before they play

const char* const kMovieNames[] = {"good600", "header_only", "more_frames", "garbage", "first200",
                                   "sparse3g", "fifo", "largest"};

std::string MovieFile(int kind) {
  static const std::string dir = [] {   // removed with the other files at the end
    const std::string d = Files().root + "swf";
    std::filesystem::create_directories(d);
    return d;
  }();
  const std::string path = dir + "/" + kMovieNames[kind] + ".swf";
  if (std::filesystem::exists(path) || std::filesystem::is_fifo(path)) return path;
  switch (kind) {
    case 0: {
      swf::Movie m;
      m.Frames = 600;
      m.Packing = swf::Pack::Zlib;
      swf::Save(path, m);
      break;
    }
    case 1: swf::SaveBytes(path, swf::lies::HeaderOnly()); break;
    case 2: swf::SaveBytes(path, swf::lies::MoreFramesThanHeld(swf::Pack::Zlib)); break;
    case 3: swf::SaveBytes(path, swf::lies::GarbageBody()); break;
    case 4: swf::SaveBytes(path, swf::lies::FirstBytesOfAGoodMovie()); break;
    case 5:
      swf::Save(path, swf::Movie{});
      std::filesystem::resize_file(path, uint64_t(3) << 30);
      break;
    case 6: mkfifo(path.c_str(), 0600); break;
    default: {
      std::vector<uint8_t> b = swf::lies::Plain(24, 12);
      b.resize(SwfMaxFileLength, 0);
      for (int i = 0; i < 4; ++i) b[4 + size_t(i)] = uint8_t(SwfMaxFileLength >> (8 * i));
      swf::SaveBytes(path, swf::Repack(b, swf::Pack::Zlib));
      break;
    }
  }
  return path;
}

void BM_ReadSwfMovie(benchmark::State& st) {
  const int kind = int(st.range(0));
  const std::string path = MovieFile(kind), reference = MovieFile(0);
  double ms = 0, peak = 0, refMs = 0;
  bool taken = false;
  for (auto _ : st) {
    ResetPeakResident();
    TSwfHeader h;
    String why;
    auto t0 = std::chrono::steady_clock::now();
    taken = ReadSwfMovie(path, h, why);
    ms += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    peak = std::max(peak, PeakResidentMb());
    t0 = std::chrono::steady_clock::now();
    ReadSwfMovie(reference, h, why);
    refMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  }
  const double n = double(st.iterations());
  st.SetLabel(kMovieNames[kind]);
  st.counters["ms"] = ms / n;
  st.counters["peak_mb"] = peak;
  st.counters["taken"] = taken;
  st.counters["reference_ms"] = refMs / n;
}
BENCHMARK(BM_ReadSwfMovie)->DenseRange(0, 7)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  const int rc = RunBenchmarks(argc, argv, [] { Files(); });
  std::filesystem::remove_all(Files().root);
  return rc;
}
