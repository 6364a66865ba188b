#pragma once
// The common body of a benchmark program's main(): headless Qt (unless a
// display was chosen), the application object, then every registered
// benchmark. Set-up that needs the application runs between the two.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "pictureshow/ShowEffects.h"
#include "platform/office/SlideTransition.h"
#include "toolkit/TestApp.h"
#include "bench/VirtualDisplay.h"

inline int RunBenchmarks(int argc, char** argv, void (*SetUp)() = nullptr) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  TestApp::Init(argc, argv);
  SetPictureShowEffects(&EffectProc);   // as the console does at start-up
  if (SetUp) SetUp();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

// The same for benchmarks that need real windows: on the display there is,
// else under a virtual one.
inline int RunWindowedBenchmarks(int argc, char** argv) {
  if (!EnsureDisplay(argc, argv)) return 1;
  setenv("QT_QPA_PLATFORM", "xcb", 0);
  return RunBenchmarks(argc, argv);
}
