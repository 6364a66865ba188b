// Cameras through the device providers: listing, a stored moniker that binds
// the same camera again, and a camera graph that delivers frames.
#include "media/MediaFixture.h"
#include "support/FakeCamera.h"

using namespace mediatest;

namespace {

class Devices : public ::testing::Test {
 protected:
  void SetUp() override { fakecam::Install(); }
  void TearDown() override { fakecam::Uninstall(); }
};

TEST_F(Devices, CategoriesAndTheTwoCameras) {
  TSysDevEnum devices(CLSID_VideoInputDeviceCategory);
  ASSERT_EQ(devices.CountFilters(), 2);
  EXPECT_EQ(devices.GetFilter(0).FriendlyName, "Fake Camera One");
  EXPECT_EQ(devices.GetFilter(1).FriendlyName, "Fake Camera Two");
  EXPECT_TRUE(devices.GetFilter(0).CLSID == GUIDFromName(fakecam::kProvider));
  ASSERT_EQ(devices.CountCategories(), 3);
  EXPECT_TRUE(devices.GetCategory(0).CLSID == CLSID_VideoInputDeviceCategory);
  devices.SelectCategory(CLSID_AudioInputDeviceCategory);
  EXPECT_EQ(devices.CountFilters(), 0);
}

TEST_F(Devices, StoredMonikerBindsTheSameCamera) {
  TSysDevEnum devices(CLSID_VideoInputDeviceCategory);
  TBaseFilter stored;
  stored.SetMoniker(devices.GetMoniker(1).Get());
  const std::vector<uint8_t> bytes = stored.WriteData();
  TBaseFilter loaded;
  loaded.ReadData(bytes);
  ComPtr<IMoniker> m = loaded.GetMoniker();
  ASSERT_TRUE(m);
  EXPECT_EQ(m->IsEqual(devices.GetMoniker(1).Get()), S_OK);
  EXPECT_EQ(m->IsEqual(devices.GetMoniker(0).Get()), S_FALSE);
  ComPtr<IBaseFilter> f = loaded.CreateFilter();
  ASSERT_TRUE(f);
  CLSID c;
  f->GetClassID(&c);
  EXPECT_TRUE(c == CLSID_CaptureSource);
  // Bytes cut short are refused and leave the block as it was.
  TBaseFilter other;
  other.ReadData(bytes);
  std::vector<uint8_t> cut(bytes.begin(), bytes.end() - 3);
  EXPECT_THROW(other.ReadData(cut), EReadError);
  EXPECT_EQ(other.WriteData(), bytes);
}

TEST_F(Devices, TheCameraGraphDeliversFrames) {
  TSysDevEnum devices(CLSID_VideoInputDeviceCategory);
  TComponent owner(nullptr);
  auto* graph = new TFilterGraph(&owner);
  graph->SetMode(gmCapture);
  auto* camera = new TFilter(&owner);
  camera->SetName("Camera");
  camera->BaseFilter()->SetMoniker(devices.GetMoniker(0).Get());
  camera->SetFilterGraph(graph);
  auto* grabber = new TSampleGrabber(&owner);
  grabber->SetFilterGraph(graph);
  std::atomic<int> frames{0};
  grabber->OnBuffer = [&](TObject*, double, void*, int) { ++frames; };
  graph->SetActive(true);
  ComPtr<ICaptureGraphBuilder2> builder = graph->Query<ICaptureGraphBuilder2>();
  ASSERT_TRUE(builder);
  ComPtr<IBaseFilter> source = QueryAs<IBaseFilter>(static_cast<IFilterProvider*>(camera));
  ASSERT_TRUE(source);
  CheckDSError(builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, source.Get(),
                                     grabber->GetFilter().Get(), nullptr));
  ASSERT_TRUE(graph->Play());
  EXPECT_TRUE(PumpUntil([&] { return frames >= 3; }));
  graph->ClearGraph();
  TFilterList left(graph->Query<IFilterGraph2>().Get());
  EXPECT_EQ(left.Count(), 2);   // the camera and the grabber stay
  graph->SetActive(false);
  EXPECT_FALSE(camera->GetFilter());
}

}  // namespace
