// Loads and saves that must grow in step with their input: the goal list
// (a memo's lines), the running-text list (a check-list box), the settings
// key and a team file built key by key, each at 1,000, 10,000 and 100,000
// lines or keys. Each run includes the widgets' layout (the form is shown and
// the event queue drained).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include "console/TeamFile.h"
#include "toolkit/CheckLst.h"
#include "toolkit/Forms.h"
#include "toolkit/Registry.h"
#include "toolkit/StdCtrls.h"
#include "BenchMain.h"

namespace {

const String& Folder() {
  static String dir = [] {
    char tmpl[] = "/tmp/bench_lists_XXXXXX";
    String d = mkdtemp(tmpl);
    setenv("XDG_CONFIG_HOME", (d + "/cfg").c_str(), 1);
    return d + "/";
  }();
  return dir;
}

String GoalLine(int i) { return IntToStr(i % 2) + " " + IntToStr(i % 90 + 1) + "'  7  Tony Jerry; Lions (Town)"; }

// A list file of n lines, written once per size.
String ListFile(const char* kind, int n) {
  const String name = Folder() + kind + IntToStr(n) + ".txt";
  if (!FileExists(name)) {
    String text;
    for (int i = 0; i < n; ++i) text += GoalLine(i) + "\n";
    SaveTextFile(name, text);
  }
  return name;
}

struct Window {
  TForm* form = new TForm(nullptr);
  Window() {
    form->SetBounds(0, 0, 800, 600);
    form->Show();
  }
  ~Window() { Free(form); }
};

void BM_GoalListLoad(benchmark::State& state) {
  const int n = int(state.range(0));
  const String file = ListFile("goals", n);
  Window w;
  auto* memo = new TMemo(w.form);
  memo->SetParent(w.form);
  memo->SetBounds(0, 0, 400, 300);
  for (auto _ : state) {
    memo->Clear();
    memo->Lines()->LoadFromFile(file);
    Application->ProcessMessages();
    if (memo->Lines()->Count() != n) state.SkipWithError("wrong line count");
  }
  state.SetComplexityN(n);
}
BENCHMARK(BM_GoalListLoad)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Reference on the same work: the lines added one by one without an update
// bracket, so every line reaches the editor at once (as every load did
// before the brackets). Each added line reaches the editor alone, so this
// grows linearly too (it grew with the square of the lines while every
// addition set the editor's whole text again: 12.8 s at 4,000 lines).
void BM_GoalListLoadLineByLine(benchmark::State& state) {
  const int n = int(state.range(0));
  TStringList src;
  src.LoadFromFile(ListFile("goals", n));
  Window w;
  auto* memo = new TMemo(w.form);
  memo->SetParent(w.form);
  for (auto _ : state) {
    memo->Clear();
    for (int i = 0; i < n; ++i) memo->Lines()->Add(src[i]);
    Application->ProcessMessages();
  }
  state.SetComplexityN(n);
}
BENCHMARK(BM_GoalListLoadLineByLine)->Arg(1000)->Arg(4000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_GoalListSave(benchmark::State& state) {
  const int n = int(state.range(0));
  Window w;
  auto* memo = new TMemo(w.form);
  memo->SetParent(w.form);
  memo->Lines()->LoadFromFile(ListFile("goals", n));
  const String out = Folder() + "Gols.txt";
  for (auto _ : state) {
    memo->Lines()->Add(GoalLine(n));   // the newest goal, as at a match
    memo->Lines()->SaveToFile(out);
    memo->Lines()->Delete(memo->Lines()->Count() - 1);
  }
  state.SetComplexityN(n);
}
BENCHMARK(BM_GoalListSave)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// As the console loads "RS_Color.txt": every line checked, the first selected.
void BM_RunTextListLoad(benchmark::State& state) {
  const int n = int(state.range(0));
  const String file = ListFile("runtext", n);
  Window w;
  auto* list = new TCheckListBox(w.form);
  list->SetParent(w.form);
  list->SetBounds(0, 0, 300, 400);
  for (auto _ : state) {
    list->Clear();
    TStringList lines;
    lines.LoadFromFile(file);
    list->Items()->Assign(&lines);
    for (int i = 0; i < list->Count(); ++i) list->SetChecked(i, true);
    list->SetItemIndex(0);
    Application->ProcessMessages();
  }
  state.SetComplexityN(n);
}
BENCHMARK(BM_RunTextListLoad)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// A settings key of n values read back one by one.
void BM_SettingsRead(benchmark::State& state) {
  const int n = int(state.range(0));
  std::filesystem::remove(TRegistry::StoreFileName());
  {
    TRegistry reg;
    reg.OpenKey("\\Software\\Quellmark\\bench", true);
    for (int i = 0; i < n; ++i) reg.WriteInteger("Value" + IntToStr(i), i);
  }
  for (auto _ : state) {
    TRegistry reg;
    reg.OpenKey("\\Software\\Quellmark\\bench", false);
    int64_t sum = 0;
    for (int i = 0; i < n; ++i) sum += reg.ReadInteger("Value" + IntToStr(i));
    benchmark::DoNotOptimize(sum);
  }
  state.SetComplexityN(n);
}
BENCHMARK(BM_SettingsRead)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// A team file text of n rows (8 keys a row) built through the ini document.
void BM_TeamFileBuild(benchmark::State& state) {
  const int n = int(state.range(0));
  std::vector<TTeamRow> rows(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    rows[size_t(i)] = TTeamRow{IntToStr(i + 1), "1", "Surname", "Name", "01.01.1990", "180/75", "0", "Forward", "p.jpg"};
  for (auto _ : state) {
    String text = BuildTeamFileText(TTeamHeader{"Lions", "LIO", "Town", "logo.png"}, rows);
    benchmark::DoNotOptimize(text);
  }
  state.SetComplexityN(n);
}
BENCHMARK(BM_TeamFileBuild)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  const int rc = RunBenchmarks(argc, argv, [] { Folder(); });
  std::filesystem::remove_all(Folder());
  return rc;
}
