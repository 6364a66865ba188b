// The console's camera list: the cameras found at start-up follow
// "Drivers not found", and switching the camera graph off at shutdown.
#include "console/ConsoleFixture.h"
#include "media/DSGraph.h"
#include "support/FakeCamera.h"

namespace {

class CameraTest : public ConsoleFixture {
 protected:
  void TearDown() override {
    ConsoleFixture::TearDown();
    SetMediaDeviceProviders({});
  }
};

TEST_F(CameraTest, StartUpListsTheCamerasAfterDriversNotFound) {
  fakecam::Install();
  TFormMain* f = Create();
  TStrings* items = f->rgVideoDrv->Items();
  ASSERT_EQ(items->Count(), 3);
  EXPECT_EQ(items->Get(0), "Drivers not found");
  EXPECT_EQ(items->Get(1), "Fake Camera One");
  EXPECT_EQ(items->Get(2), "Fake Camera Two");
  EXPECT_EQ(f->rgVideoDrv->Tag(), 0);
  EXPECT_EQ(f->rgVideoDrv->ItemIndex(), 0);
  EXPECT_EQ(f->rgVideoDrv->Height(), std::abs(f->rgVideoDrv->Font()->Height()) * 3 + 24);
  // The camera graph is made active when the window has loaded.
  EXPECT_TRUE(f->FilterGraph1->Active());
  EXPECT_EQ(f->FilterGraph1->Mode(), gmCapture);
  Destroy();
}

TEST_F(CameraTest, WithoutCamerasTheDesignListStays) {
  SetMediaDeviceProviders({"no-such-provider"});
  TFormMain* f = Create();
  EXPECT_EQ(f->rgVideoDrv->Items()->Count(), 1);
  EXPECT_EQ(f->rgVideoDrv->Tag(), -1);
  f->rgVideoDrv->SetItemIndex(0);
  f->rgVideoDrvClick(f->rgVideoDrv);   // no camera: the graph is switched off
  EXPECT_FALSE(f->FilterGraph1->Active());
  Destroy();
}

}  // namespace
