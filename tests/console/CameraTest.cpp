// The console's camera list: the cameras found at start-up follow
// "Drivers not found", and switching the camera graph off at shutdown.
#include "console/ConsoleFixture.h"
#include "media/DSGraph.h"
#include "media/DSVideoWindow.h"
#include "media/MediaFixture.h"
#include "support/FakeCamera.h"

namespace {

class CameraTest : public ConsoleFixture {
 protected:
  void TearDown() override {
    ConsoleFixture::TearDown();
    fakecam::Uninstall();
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
  // The TV picture list and its transparency box lie below the grown list.
  EXPECT_GT(f->ListPicOnTV->Top(), f->rgVideoDrv->Top() + f->rgVideoDrv->Height());
  EXPECT_GE(f->cbTVpic_Transp->Top(), f->ListPicOnTV->Top() + f->ListPicOnTV->Height());
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

// The camera's live picture in the TV page's window, on the output area
// after TV+ is sent, and none after item 0.
TEST_F(CameraTest, ChosenCameraPlaysLiveInTheVideoWindowAndFollowsItToTheOutput) {
  fakecam::Install();
  TFormMain* f = Create();
  TDSVideoWindowEx2* v = f->DSVideoWindowEx;
  auto shows = [&] {
    TBitmap b(v->Width(), v->Height());
    v->PaintTo(b.Canvas(), 0, 0);
    const TColor c = b.Canvas()->Pixel(v->Width() / 8, v->Height() / 4);
    return c != clBlack && c != v->ColorKey();
  };
  auto frames = [&] {
    TVideoFrame fr;
    ComPtr<IVideoFrameSource> src = QueryAs<IVideoFrameSource>(v->GetFilter());
    return src && src->LatestFrame(fr) ? fr.Sequence : 0;
  };
  f->rgVideoDrv->SetItemIndex(1);   // "Fake Camera One" (colour bars)
  EXPECT_EQ(v->AspectRatio(), rmCrop);
  ASSERT_TRUE(mediatest::PumpUntil(shows));
  EXPECT_TRUE(v->OverlayOK());
  f->MoveVideoWindow(f->PanelTabloColor);
  EXPECT_EQ(v->Parent(), f->PanelTabloColor);
  const uint64_t before = frames();
  EXPECT_TRUE(mediatest::PumpUntil([&] { return frames() > before + 2 && shows(); }));
  f->rgVideoDrv->SetItemIndex(0);
  EXPECT_FALSE(f->FilterGraph1->Active());
  EXPECT_FALSE(v->GetFilter());
  Destroy();
}

}  // namespace
