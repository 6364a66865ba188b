// Shared entry point of every test program: one application object for the
// whole run, on the offscreen platform unless the caller chose another.
#include <gtest/gtest.h>
#include <cstdlib>
#include "pictureshow/ShowEffects.h"
#include "platform/office/SlideTransition.h"
#include "toolkit/TestApp.h"
#ifdef TABLO_SHEET_READER
#include "platform/Spreadsheet.h"
#include "toolkit/Graphics.h"
#endif

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  TestApp::Init(argc, argv);
  SetPictureShowEffects(&EffectProc);   // as the console does at start-up
#ifdef TABLO_SHEET_READER
  TSpreadsheetReader::Program = TABLO_SHEET_READER;   // the one this build made
  TMetafileReader::Program = TABLO_SHEET_READER;
#endif
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  TestApp::Finish();
  return result;
}
