// The console's memory while the media page loops a mixed list on the
// output area: an MPEG-2 clip, an MJPEG AVI, an ASF clip, a VOB, a DVD folder,
// JPEG, PNG, BMP, ICO, EMF and WMF pictures and a Flash movie, each clip
// about two seconds, each picture one second after its transition, on an
// output area of 1024 x 768 (TABLO_SOAK_OUTPUT=WxH for another).
// The figures are the process's resident memory (VmRSS) after the first two
// minutes (the caches of the decoders, fonts and the player's page fill in
// the first passes), taken each time the list wraps to its first line (the
// same point of every pass) and every 10 s: counters "rss_2min_mb" (the
// first wrap after two minutes), "rss_end_mb" (the last wrap), "growth_mb"
// (their difference), "spread_mb" (the largest minus the smallest of all
// samples after two minutes, items of different sizes included) and
// "passes" (wraps of the list). The same for the whole tree of processes
// (the console and the browser engine's, the Flash player's page renderer
// among them), by the memory they hold of their own (anonymous and shared
// memory, a page shared among them split among them; TreeOwnMb), taken at
// the wraps and every 10 s after the first two minutes: "tree_first_mb" and
// "tree_last_mb", the medians of the first and the second half of them,
// "tree_growth_mb" their difference, "tree_spread_mb" the largest minus the
// smallest sample, and "processes" (the tree's processes at the end).
// Medians of halves, because the tree moves by tens of megabytes over a few
// minutes: the Flash player's page is started anew, out of sight, every
// eight movies it plays, in a renderer that then fills again.
// No reference: the bound is absolute (10 MB over 30 minutes, for the
// console and the tree).
//
// The length is TABLO_SOAK_SECONDS (default 300; scripts/soak-media.sh runs
// 1800); TABLO_SOAK_KINDS limits the list to the named kinds (a comma list
// of mpg, avi, asf, vob, dvd, jpg, png, bmp, ico, emf, wmf, swf), to find
// which one grows; every sample is printed to the error output as it is
// taken. The window is a real one on an X display: without DISPLAY the
// program runs itself again under xvfb-run.
#include <benchmark/benchmark.h>

#include "bench/BenchMain.h"
#include "bench/ResidentMemory.h"

#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "../tests/support/ClipMaker.h"
#include "../tests/support/MetafileMaker.h"
#include "../tests/support/SwfMaker.h"
#include "console/FMain.h"
#include "console/FrMedia.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Forms.h"
#include "toolkit/Registry.h"
#include "toolkit/TestApp.h"

namespace {

using Clock = std::chrono::steady_clock;

bool Wanted(const std::string& kind) {
  const char* e = std::getenv("TABLO_SOAK_KINDS");
  if (!e || !*e) return true;
  const std::string list = std::string(",") + e + ",";
  return list.find("," + kind + ",") != std::string::npos;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// The list's files, made in Pics/ of the console's folder; answers the
// list's lines (full paths).
std::vector<std::string> MakeMedia(const std::string& pics) {
  std::vector<std::string> lines;
  auto add = [&](const std::string& kind, const std::string& name, const std::function<std::string()>& make) {
    if (!Wanted(kind)) return;
    const std::string path = make();
    if (!std::filesystem::exists(path)) throw std::runtime_error("soak: could not make " + name);
    lines.push_back(path);
  };
  auto picture = [&](const std::string& name, const char* format, int w, int h) {
    const std::string path = pics + name;
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
    if (!img.save(QString::fromStdString(path), format)) {
      // Qt without the icon writer: ffmpeg writes it.
      const std::string png = path + ".png";
      img.save(QString::fromStdString(png), "PNG");
      std::system(("ffmpeg -loglevel error -y -i '" + png + "' '" + path + "'").c_str());
      std::remove(png.c_str());
    }
    return path;
  };
  add("mpg", "clip.mpg", [&] {
    clips::Make(pics + "clip.mpg", clips::Kind::Mpg, 50, 352, 288);
    return pics + "clip.mpg";
  });
  add("avi", "clip.avi", [&] {
    clips::Make(pics + "clip.avi", clips::Kind::AviWithAudio, 50, 352, 288);
    return pics + "clip.avi";
  });
  add("asf", "clip.asf", [&] {
    clips::Make(pics + "clip.asf", clips::Kind::Asf, 50, 352, 288);
    return pics + "clip.asf";
  });
  add("vob", "clip.vob", [&] {
    clips::Make(pics + "clip.vob", clips::Kind::Mpg, 50, 720, 576);
    return pics + "clip.vob";
  });
  add("dvd", "DVD", [&] { return clips::MakeDvdFolder(pics + "DVD", 2); });
  add("jpg", "p.jpg", [&] { return picture("p.jpg", "JPEG", 1024, 576); });
  add("png", "p.png", [&] { return picture("p.png", "PNG", 800, 450); });
  add("bmp", "p.bmp", [&] { return picture("p.bmp", "BMP", 640, 360); });
  add("ico", "p.ico", [&] { return picture("p.ico", "ICO", 128, 128); });
  add("emf", "p.emf", [&] {
    WriteFile(pics + "p.emf", metafiles::Emf(640, 360, {{false, 20, 20, 300, 200, 0x0000FF}, {true, 200, 100, 600, 340, 0x00FF00}}));
    return pics + "p.emf";
  });
  add("wmf", "p.wmf", [&] {
    WriteFile(pics + "p.wmf", metafiles::Wmf(640, 360, {{true, 20, 20, 300, 200, 0xFF0000}, {false, 200, 100, 600, 340, 0x00FFFF}}));
    return pics + "p.wmf";
  });
  add("swf", "m.swf", [&] {
    swf::Movie m;
    m.Frames = 24;
    m.FrameRate = 12;
    m.SquareSize = 50;
    swf::Save(pics + "m.swf", m);
    return pics + "m.swf";
  });
  return lines;
}

void BM_MixedListSoak(benchmark::State& state) {
  const char* secondsText = std::getenv("TABLO_SOAK_SECONDS");
  const int seconds = secondsText ? std::atoi(secondsText) : 300;
  const int settle = std::min(120, seconds / 3);   // the first two minutes
  char tmpl[] = "/tmp/bench_media_soak_XXXXXX";
  const std::string root = mkdtemp(tmpl);
  const std::string app = root + "/app/";
  for (const char* d : {"Teams", "Texts", "Pics", "Views"}) std::filesystem::create_directories(app + d);
  setenv("XDG_CONFIG_HOME", (root + "/cfg").c_str(), 1);
  setenv("TABLO_AUDIO_SINK", "fakesink sync=true", 1);
  const std::vector<std::string> lines = MakeMedia(app + "Pics/");
  std::string list;
  for (const std::string& l : lines) list += l + "\n";
  WriteFile(app + "Pics/soak.txt", list);

  // The output area's size (TABLO_SOAK_OUTPUT, default 1024x768).
  int outW = 1024, outH = 768;
  if (const char* o = std::getenv("TABLO_SOAK_OUTPUT")) std::sscanf(o, "%dx%d", &outW, &outH);
  {
    TRegistry reg;
    if (reg.OpenKey(SettingsKeyFor("bench"), true)) {
      reg.WriteInteger("XWidth", outW);
      reg.WriteInteger("YHeight", outH);
    }
  }
  MessageDlgHook = [](const TMsgDlgRequest&) { return mrOk; };
  auto* form = new TFormMain(nullptr, TFormMainEnvironment{app, "bench"});
  form->AfterConstruction();
  form->Show();
  form->PageControl2->SetActivePage(form->Sheet_Tablo);
  // The media page goes on the output area.
  form->PageControl1->SetActivePage(form->Sheet_Media);
  form->PageControl1Change(form->PageControl1);
  form->PageControl1->SetActivePageIndex(0);
  form->PageControl1Change(form->PageControl1);
  TFrameMedia* f = form->FrameMedia1;
  f->PicsShowPause->SetValue(1);
  f->LoadPlayList(app + "Pics/soak.txt");
  f->SetButtonsState(1);
  f->ListMedia->SetItemIndex(0);

  double at2 = 0, lastWrap = 0, low = 1e12, high = 0;
  std::vector<double> trees;   // MB, every sample after the first two minutes
  double treeLow = 1e12, treeHigh = 0;
  int passes = 0, processes = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    auto next = t0;
    int lastIndex = 0;
    f->btPlayClick(f->btPlay);
    while (true) {
      const auto now = Clock::now();
      const int index = f->ListMedia->ItemIndex();
      const double elapsed = std::chrono::duration<double>(now - t0).count();
      if (index < lastIndex) {
        ++passes;
        const double rss = ResidentMb(), tree = TreeOwnMb(&processes);
        std::fprintf(stderr, "wrap %d  rss %7.1f MB  tree %7.1f MB (%d processes)\n", passes, rss, tree, processes);
        if (elapsed >= settle) {
          if (at2 == 0) at2 = rss;
          lastWrap = rss;
          trees.push_back(tree);
          low = std::min(low, rss), high = std::max(high, rss);
          treeLow = std::min(treeLow, tree), treeHigh = std::max(treeHigh, tree);
        }
      }
      lastIndex = index;
      if (now >= next) {
        const double rss = ResidentMb(), tree = TreeOwnMb(&processes);
        std::fprintf(stderr, "soak %6.0f s  rss %7.1f MB  tree %7.1f MB  passes %d  line %d\n", elapsed, rss, tree,
                     passes, index);
        if (elapsed >= settle) {
          low = std::min(low, rss), high = std::max(high, rss);
          trees.push_back(tree);
          treeLow = std::min(treeLow, tree), treeHigh = std::max(treeHigh, tree);
        }
        if (elapsed >= seconds) break;
        next += std::chrono::seconds(10);
      }
      Application->ProcessMessages();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    f->btStopClick(f->btStop);
  }
  state.counters["rss_2min_mb"] = at2;
  state.counters["rss_end_mb"] = lastWrap;
  state.counters["growth_mb"] = lastWrap - at2;
  state.counters["spread_mb"] = high >= low ? high - low : 0;
  state.counters["passes"] = passes;
  // The medians of the first and the second half of the samples after the
  // first two minutes.
  auto median = [&](bool first) {
    const size_t half = trees.size() / 2;
    std::vector<double> v(trees.begin() + (first ? 0 : std::ptrdiff_t(half)),
                          first ? trees.begin() + std::ptrdiff_t(half) : trees.end());
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  state.counters["tree_first_mb"] = median(true);
  state.counters["tree_last_mb"] = median(false);
  state.counters["tree_growth_mb"] = median(false) - median(true);
  state.counters["tree_spread_mb"] = treeHigh >= treeLow ? treeHigh - treeLow : 0;
  state.counters["processes"] = processes;
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_MixedListSoak)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) { return RunWindowedBenchmarks(argc, argv); }
