// Shared entry point of every test program: one application object for the
// whole run, on the offscreen platform unless the caller chose another.
#include <gtest/gtest.h>
#include <cstdlib>
#include "toolkit/TestApp.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  TestApp::Init(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
