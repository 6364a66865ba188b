// The overlay video window: the mixer's set-up and rollback, the picture it
// draws in each aspect mode, colour controls acting on the pixels, zoom,
// the cursor and the colour controls' rules.
#include <QCursor>

#include "media/DSVideoWindow.h"
#include "media/VideoClips.h"
#include "toolkit/Forms.h"

using namespace mediatest;
using namespace videotest;

namespace {

std::vector<CLSID> Upstream(IBaseFilter* f) {
  // Classes of the filters feeding f through their first inputs.
  std::vector<CLSID> chain;
  for (int guard = 0; f && guard < 8; ++guard) {
    TPinList pins(f);
    IBaseFilter* next = nullptr;
    for (int i = 0; i < pins.Count() && !next; ++i) {
      PIN_DIRECTION d;
      ComPtr<IPin> other;
      if (SUCCEEDED(pins.Items(i)->QueryDirection(&d)) && d == PINDIR_INPUT &&
          SUCCEEDED(pins.Items(i)->ConnectedTo(other.Put())) && other) {
        PIN_INFO info;
        other->QueryPinInfo(&info);
        next = info.pFilter.Get();
      }
    }
    if (!next) break;
    CLSID c;
    next->GetClassID(&c);
    chain.push_back(c);
    f = next;
  }
  return chain;
}

bool InGraph(TFilterGraph* g, const CLSID& c) {
  TFilterList filters(g->Query<IFilterGraph>().Get());
  for (int i = 0; i < filters.Count(); ++i) {
    CLSID id;
    if (SUCCEEDED(filters.Items(i)->GetClassID(&id)) && id == c) return true;
  }
  return false;
}

class VideoWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    Clips::Get();
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 420, 320);
    graph = new TFilterGraph(form);
    win = new TDSVideoWindowEx2(form);
    win->SetName("Video");
    win->SetParent(form);
    win->SetBounds(0, 0, 320, 240);
    win->SetFilterGraph(graph);
    form->Show();
  }
  void TearDown() override { delete form; }
  void WithGrabber() {
    grabber = new TSampleGrabber(form);
    grabber->SetFilterGraph(graph);
  }
  void Render(const std::string& clip) {
    graph->SetActive(true);
    ASSERT_EQ(graph->RenderFile(clip), S_OK);
  }
  std::unique_ptr<TBitmap> Grab() {
    auto b = std::make_unique<TBitmap>(win->Width(), win->Height());
    win->PaintTo(b->Canvas(), 0, 0);
    return b;
  }
  TColor At(int x, int y) { return Grab()->Canvas()->Pixel(x, y); }
  // Plays and waits until the window shows a frame at (x, y).
  bool PlayUntilPicture(int x, int y) {
    if (!graph->Play()) return false;
    return PumpUntil([&] {
      TColor c = At(x, y);
      return c != win->Color() && c != win->ColorKey();
    });
  }
  static bool Near(TColor c, clips::Rgb e, int tol = 24) {
    return std::abs(int(c & 0xFF) - e.r) <= tol && std::abs(int((c >> 8) & 0xFF) - e.g) <= tol &&
           std::abs(int((c >> 16) & 0xFF) - e.b) <= tol;
  }
  TForm* form = nullptr;
  TFilterGraph* graph = nullptr;
  TSampleGrabber* grabber = nullptr;
  TDSVideoWindowEx2* win = nullptr;
};

TEST_F(VideoWindow, RenderRoutesThroughTheMixerOncePerRender) {
  WithGrabber();
  Render(SolidClip("orange", {230, 120, 30}));
  EXPECT_EQ(Upstream(win->GetFilter().Get()),
            (std::vector<CLSID>{CLSID_OverlayMixer, CLSID_SampleGrabber, CLSID_SourceFilter}));
  ComPtr<IBaseFilter> named;
  EXPECT_EQ(graph->Query<IFilterGraph>()->FindFilterByName("Overlay Mixer", named.Put()), S_OK);
  EXPECT_TRUE(win->Caps()->CanOverlayGraphic());
  EXPECT_TRUE(win->Caps()->CanControlBrigtness());
  EXPECT_FALSE(win->Caps()->CanControlSharpness());
  EXPECT_FALSE(win->Caps()->CanControlGamma());
  ComPtr<IBaseFilter> mixer = win->Mixer();
  ASSERT_TRUE(graph->Play());
  EXPECT_TRUE(SameObject(win->Mixer().Get(), mixer.Get()));   // a second play sets up nothing
  graph->ClearGraph();
  EXPECT_FALSE(InGraph(graph, CLSID_OverlayMixer));
  ASSERT_EQ(graph->RenderFile(SolidClip("orange", {230, 120, 30})), S_OK);   // a new render sets up again
  EXPECT_FALSE(SameObject(win->Mixer().Get(), mixer.Get()));
  EXPECT_EQ(Upstream(win->GetFilter().Get()).front(), CLSID_OverlayMixer);
}

TEST_F(VideoWindow, PicturePaintedInTheKeyAreaThenOnlyColourAfterStop) {
  Render(SolidClip("orange", {230, 120, 30}));
  std::vector<bool> visible;
  win->OnOverlayVisible = [&](TObject*, bool v) { visible.push_back(v); };
  ASSERT_TRUE(PlayUntilPicture(160, 120));
  EXPECT_TRUE(Near(At(160, 120), {230, 120, 30}));
  graph->Stop();
  EXPECT_EQ(At(160, 120), win->Color());
  EXPECT_EQ(visible, (std::vector<bool>{true, false}));
}

}  // namespace
