#pragma once
// The common body of a benchmark program's main(): headless Qt (unless a
// display was chosen), the application object, then every registered
// benchmark. Set-up that needs the application runs between the two.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "pictureshow/ShowEffects.h"
#include "platform/office/SlideTransition.h"
#include "toolkit/TestApp.h"

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
