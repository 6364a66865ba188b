// The overlay video window: the mixer's set-up and rollback, the picture it
// draws in each aspect mode, colour controls acting on the pixels, zoom,
// the cursor and the colour controls' rules.
#include <QCursor>
#include <QMouseEvent>
#include <QWidget>
#include <functional>
#include <thread>

#include "toolkit/ExtCtrls.h"

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
    // The picture, and the mixer has seen the stream's size.
    return PumpUntil([&] {
      DWORD w = 0, h = 0, ax = 0, ay = 0;
      if (ComPtr<IDDrawExclModeVideo> m = QueryAs<IDDrawExclModeVideo>(win->Mixer()))
        if (FAILED(m->GetNativeVideoProps(&w, &h, &ax, &ay)) || w == 0) return false;
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

// The clip made ready while another plays is taken whole before anyone hears
// of the change: every notice finds the new clip in the graph with the
// window's renderer in it, in the order of a clear, a deactivation, an
// activation and a render.
TEST_F(VideoWindow, APreparedClipIsWholeBeforeAnyNoticeOfTheChange) {
  struct Told : IGraphListener {
    std::function<void(const std::string&)> note;
    void GraphEvent(int, LONG_PTR, LONG_PTR) override {}
    void ControlEvent(TControlNotice op, int p) override { note("control " + std::to_string(op) + " " + std::to_string(p)); }
    HRESULT QueryInterface(const GUID&, void** out) override { return *out = nullptr, E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
  } told;
  Render(SolidClip("orange", {230, 120, 30}));
  ASSERT_TRUE(PlayUntilPicture(160, 120));
  const std::string next = SolidClip("short blue", {30, 60, 230}, 160, 120, 10);
  ASSERT_TRUE(graph->PrepareFile(next));
  ASSERT_TRUE(PumpUntil([&] { return graph->PreparedReady(); }));
  std::vector<std::string> heard;
  told.note = [&](const std::string& what) {
    bool rendererIn = false;
    TFilterList filters(graph->Query<IFilterGraph>().Get());
    for (int i = 0; i < filters.Count(); ++i) rendererIn |= SameObject(filters.Items(i).Get(), win->GetFilter().Get());
    heard.push_back(what + (graph->Duration() == 400 && rendererIn ? "" : " on a half-made change"));
  };
  graph->InsertEventNotifier(&told);
  graph->OnActivate = [&](TObject*) { told.note("activate"); };
  win->OnOverlayVisible = [&](TObject*, bool v) { told.note(v ? "overlay shown" : "overlay hidden"); };
  ASSERT_TRUE(graph->RenderPrepared(next));
  EXPECT_EQ(heard, (std::vector<std::string>{"overlay hidden", "control 7 0", "activate", "control 7 1", "control 3 0",
                                             "control 4 0"}));
  ASSERT_TRUE(PlayUntilPicture(160, 120));
  EXPECT_TRUE(Near(At(160, 120), {30, 60, 230}));
  graph->RemoveEventNotifier(&told);
}

// Pins of a filter by position.
ComPtr<IPin> PinOf(IBaseFilter* f, int i) {
  TPinList pins(f);
  return pins.Items(i);
}
bool Linked(IPin* a, IPin* b) {
  ComPtr<IPin> other;
  return SUCCEEDED(a->ConnectedTo(other.Put())) && SameObject(other.Get(), b);
}

// Puts a fake in the class registry for one test.
struct FakeClass {
  CLSID clsid;
  TClassFactory old;
  FakeClass(const CLSID& c, TClassFactory f) : clsid(c), old(RegisterMediaClass(c, std::move(f))) {}
  ~FakeClass() { RegisterMediaClass(clsid, old); }
};

TEST_F(VideoWindow, BusyMixerFailsAndTheDecoderFeedsTheRendererAgain) {
  FakeClass busy(CLSID_OverlayMixer, OverlayFakeFactory(TOverlayFake::BusyMixer));
  Render(SolidClip("orange", {230, 120, 30}));
  EXPECT_EQ(Upstream(win->GetFilter().Get()), (std::vector<CLSID>{CLSID_SourceFilter}));
  EXPECT_FALSE(InGraph(graph, CLSID_OverlayMixer));
  EXPECT_FALSE(win->OverlayOK());
  EXPECT_FALSE(win->Caps()->CanOverlayGraphic());
  // Without the overlay the frame covers the whole window, stretched.
  ASSERT_TRUE(PlayUntilPicture(2, 2));
  EXPECT_TRUE(Near(At(2, 2), {230, 120, 30}));
  EXPECT_TRUE(Near(At(317, 237), {230, 120, 30}));
}

class MixingRendererGraph : public VideoWindow {
 protected:
  // source (two outputs) → mixing renderer input 0; source → Line 21
  // decoder → mixing renderer input 1; the window's own renderer unconnected.
  void SetUp() override {
    VideoWindow::SetUp();
    graph->SetActive(true);
    gb = graph->Query<IGraphBuilder>();
    source = MakeStubFilter(CLSID_SourceFilter, 0, 2);
    decoder2 = MakeStubFilter(CLSID_Line21Decoder2, 1, 1);
    vmr = QueryAs<IBaseFilter>(ComPtr<IUnknown>(OverlayFakeFactory(TOverlayFake::MixingRenderer)()));
    for (auto& [f, n] : {std::pair{source, "Source"}, {decoder2, "CC"}, {vmr, "VMR"}}) gb->AddFilter(f.Get(), n);
    ASSERT_EQ(gb->Connect(PinOf(source.Get(), 0).Get(), PinOf(vmr.Get(), 0).Get()), S_OK);
    ASSERT_EQ(gb->Connect(PinOf(source.Get(), 1).Get(), PinOf(decoder2.Get(), 0).Get()), S_OK);
    ASSERT_EQ(gb->Connect(PinOf(decoder2.Get(), 1).Get(), PinOf(vmr.Get(), 1).Get()), S_OK);
  }
  ComPtr<IGraphBuilder> gb;
  ComPtr<IBaseFilter> source, decoder2, vmr;
};

TEST_F(MixingRendererGraph, EveryInputMovesToTheMixerAndTheLine21DecoderIsReplaced) {
  win->ControlEvent(cnRenderEnd);
  ASSERT_TRUE(win->OverlayOK());
  ComPtr<IBaseFilter> mixer = win->Mixer(), line21;
  ASSERT_EQ(gb->FindFilterByName("Line21 Decoder", line21.Put()), S_OK);
  EXPECT_TRUE(Linked(PinOf(mixer.Get(), 0).Get(), PinOf(source.Get(), 0).Get()));
  EXPECT_TRUE(Linked(PinOf(mixer.Get(), 1).Get(), PinOf(line21.Get(), 1).Get()));
  EXPECT_TRUE(Linked(PinOf(line21.Get(), 0).Get(), PinOf(source.Get(), 1).Get()));
  EXPECT_EQ(Upstream(win->GetFilter().Get()).front(), CLSID_OverlayMixer);
  EXPECT_FALSE(InGraph(graph, CLSID_VideoMixingRenderer));
  EXPECT_FALSE(InGraph(graph, CLSID_Line21Decoder2));
}

TEST_F(MixingRendererGraph, FailureAfterTheLinksMovedRestoresEveryLink) {
  FakeClass none(CLSID_Line21Decoder, [] { return static_cast<IUnknown*>(nullptr); });
  win->ControlEvent(cnRenderEnd);
  EXPECT_FALSE(win->OverlayOK());
  EXPECT_FALSE(InGraph(graph, CLSID_OverlayMixer));
  EXPECT_TRUE(Linked(PinOf(vmr.Get(), 0).Get(), PinOf(source.Get(), 0).Get()));
  EXPECT_TRUE(Linked(PinOf(decoder2.Get(), 0).Get(), PinOf(source.Get(), 1).Get()));
  EXPECT_TRUE(Linked(PinOf(vmr.Get(), 1).Get(), PinOf(decoder2.Get(), 1).Get()));
  // The mixing renderer shows the video in the window's renderer's stead.
  EXPECT_FALSE(InGraph(graph, CLSID_VideoRenderer));
}

TEST_F(VideoWindow, DestroyedInAnActiveGraphTakesItsRendererOutFirst) {
  Render(SolidClip("orange", {230, 120, 30}));
  ASSERT_TRUE(InGraph(graph, CLSID_VideoRenderer));
  delete win;
  EXPECT_TRUE(graph->Active());
  EXPECT_FALSE(InGraph(graph, CLSID_VideoRenderer));
  graph->ClearGraph();   // nothing of the window is left to fail
}

// ---- pixels

struct AspectCase {
  TRatioModes mode;
  const char* name;
};
class AspectPixels : public VideoWindow, public ::testing::WithParamInterface<AspectCase> {};

TEST_P(AspectPixels, FrameInsideTheVideoRectangleColourOutside) {
  win->SetBounds(0, 0, 400, 200);
  win->SetColor(clNavy);
  Render(SolidClip("orange", {230, 120, 30}));
  win->SetAspectRatio(GetParam().mode);
  EXPECT_EQ(win->AspectRatio(), GetParam().mode);
  ASSERT_TRUE(PlayUntilPicture(200, 100));
  const TRect r = win->VideoRect();
  if (GetParam().mode == rmLetterBox) {
    EXPECT_EQ(r, FitRectKeepingAspect(win->ClientRect(), Rect(0, 0, 4, 3)));
    EXPECT_EQ(r.Height(), 200);
    EXPECT_EQ(At(r.Left - 1, 100), clNavy);
    EXPECT_EQ(At(r.Right, 100), clNavy);
  } else {
    EXPECT_EQ(r, win->ClientRect());
  }
  EXPECT_TRUE(Near(At(r.Left, 100), {230, 120, 30}));
  EXPECT_TRUE(Near(At(r.Right - 1, r.Bottom - 1), {230, 120, 30}));
}

INSTANTIATE_TEST_SUITE_P(Modes, AspectPixels,
                         ::testing::Values(AspectCase{rmStretched, "Stretched"}, AspectCase{rmLetterBox, "LetterBox"},
                                           AspectCase{rmCrop, "Crop"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(VideoWindow, ColourKeyIsReadWhenTheRendererWindowIsPlaced) {
  Render(SolidClip("orange", {230, 120, 30}));
  int keyEvents = 0;
  win->OnColorKeyChanged = [&](TObject*) { ++keyEvents; };
  win->GraphEvent(EC_CLOCK_CHANGED, 0, 0);
  EXPECT_EQ(keyEvents, 1);
  EXPECT_EQ(win->ColorKey(), TColor(0x100010));
  EXPECT_NE(win->RendererWindow(), 0);
}

// ---- colour

double MeanLuma(TBitmap* b) {
  double sum = 0;
  for (int y = 0; y < b->Height(); y += 8)
    for (int x = 0; x < b->Width(); x += 8) {
      TColor c = b->Canvas()->Pixel(x, y);
      sum += 0.299 * (c & 0xFF) + 0.587 * ((c >> 8) & 0xFF) + 0.114 * ((c >> 16) & 0xFF);
    }
  return sum;
}
bool Grey(TColor c) {
  const int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
  return std::abs(r - g) <= 2 && std::abs(g - b) <= 2 && std::abs(r - b) <= 2;
}

struct GreyCase {
  bool colourOff;
  const char* name;
};
class GreyPicture : public VideoWindow, public ::testing::WithParamInterface<GreyCase> {};

TEST_P(GreyPicture, NoSaturationOrColourOffGivesGrey) {
  win->SetAspectRatio(rmStretched);
  Render(SolidClip("orange", {230, 120, 30}));
  if (GetParam().colourOff) win->ColorControl()->SetColorEnable(false);
  else win->ColorControl()->SetSaturation(0);
  ASSERT_TRUE(graph->Play());
  EXPECT_TRUE(PumpUntil([&] { return Grey(At(160, 120)) && At(160, 120) != win->ColorKey(); }));
}

INSTANTIATE_TEST_SUITE_P(Colour, GreyPicture,
                         ::testing::Values(GreyCase{false, "SaturationZero"}, GreyCase{true, "ColourOff"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(VideoWindow, BrightnessUpRaisesTheMeanLuma) {
  win->SetAspectRatio(rmStretched);
  Render(SolidClip("orange", {230, 120, 30}));
  ASSERT_TRUE(PlayUntilPicture(160, 120));
  graph->Stop();
  const double before = MeanLuma(Grab().get());
  win->ColorControl()->SetBrightness(3000);
  ASSERT_EQ(graph->RenderFile(SolidClip("orange", {230, 120, 30})), S_OK);
  ASSERT_TRUE(graph->Play());
  EXPECT_TRUE(PumpUntil([&] { return MeanLuma(Grab().get()) > before * 1.2; }));
}

TEST_F(VideoWindow, ValuesSetBeforeActivationReachThePictureAtTheNextRender) {
  win->SetAspectRatio(rmStretched);
  win->ColorControl()->SetSaturation(0);   // not live: only stored
  EXPECT_EQ(win->ColorControl()->Saturation(), 0);
  Render(SolidClip("orange", {230, 120, 30}));
  ASSERT_TRUE(graph->Play());
  EXPECT_TRUE(PumpUntil([&] { return Grey(At(160, 120)) && At(160, 120) != win->ColorKey(); }));
  EXPECT_EQ(win->ColorControl()->Saturation(), 0);
}

// ---- zoom

TEST_F(VideoWindow, ZoomShowsOnlyTheCentreInProportion) {
  // Quadrants inside a yellow border of 16 x 12 pixels.
  static const std::string clip = [] {
    std::string p = Clips::Get().Dir() + "/framed.avi";
    MakePaintedClip(
        p,
        [](int x, int y, int w, int h) {
          if (x < 16 || y < 12 || x >= w - 16 || y >= h - 12) return clips::Rgb{230, 230, 20};
          return Quadrant(x, y, w, h);
        },
        160, 120, 25);
    return p;
  }();
  win->SetAspectRatio(rmStretched);
  Render(clip);
  ASSERT_TRUE(PlayUntilPicture(160, 120));
  EXPECT_TRUE(Near(At(2, 2), {230, 230, 20}));
  win->SetDigitalZoom(50);
  int32_t l, t, w, h;
  ASSERT_EQ(QueryAs<IBasicVideo2>(win->GetFilter())->GetSourcePosition(&l, &t, &w, &h), S_OK);
  EXPECT_EQ((std::vector<int>{l, t, w, h}), (std::vector<int>{40, 30, 80, 60}));
  EXPECT_TRUE(PumpUntil([&] { return Near(At(2, 2), {220, 20, 20}, 40); }));
  EXPECT_TRUE(Near(At(317, 2), {20, 200, 20}, 40));
  EXPECT_TRUE(Near(At(2, 237), {20, 20, 220}, 40));
  EXPECT_TRUE(Near(At(317, 237), {240, 240, 240}, 40));
  win->SetDigitalZoom(0);
  ASSERT_EQ(QueryAs<IBasicVideo2>(win->GetFilter())->GetSourcePosition(&l, &t, &w, &h), S_OK);
  EXPECT_EQ((std::vector<int>{l, t, w, h}), (std::vector<int>{0, 0, 160, 120}));
}

TEST_F(VideoWindow, ZoomOutsideItsRangeRaisesAndZeroSourceOnlyStores) {
  for (int v : {-1, 100}) {
    try {
      win->SetDigitalZoom(v);
      ADD_FAILURE() << v;
    } catch (const Exception& e) {
      EXPECT_EQ(String(e.what()), FormatA("Value %d out of range. Value must bee between 0 -> 99", v));
    }
  }
  graph->SetActive(true);   // a renderer without a picture
  win->SetDigitalZoom(99);
  EXPECT_EQ(win->DigitalZoom(), 99);
}

// ---- cursor

TEST_F(VideoWindow, IdleHidesTheCursorAndAMoveShowsIt) {
  Render(SolidClip("orange", {230, 120, 30}));
  std::vector<bool> shown;
  win->OnCursorShowHide = [&](TObject*, bool v) { shown.push_back(v); };
  bool done = false;
  win->SetAutoHideCursor(0);
  win->IdleHandler(nullptr, done);
  EXPECT_EQ(win->Cursor(), crDefault);
  win->SetAutoHideCursor(1);
  Pump(5);
  win->IdleHandler(nullptr, done);
  EXPECT_TRUE(done);
  EXPECT_EQ(win->Cursor(), crNone);
  QMouseEvent move(QEvent::MouseMove, QPointF(30, 40), QPointF(30, 40), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(win->Widget(), &move);
  EXPECT_EQ(win->Cursor(), crDefault);
  EXPECT_EQ(shown, (std::vector<bool>{false, true}));
}

// ---- colour controls

struct RangeCase {
  const char* name;
  void (TColorControl::*set)(int);
  int lo, hi;
  const char* bounds;
};
class ColourRanges : public VideoWindow, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(ColourRanges, EdgesAcceptedBeyondRaisesWithTheValue) {
  const RangeCase& c = GetParam();
  TColorControl* cc = win->ColorControl();
  (cc->*c.set)(c.lo);
  (cc->*c.set)(c.hi);
  for (int v : {c.lo - 1, c.hi + 1}) {
    try {
      (cc->*c.set)(v);
      ADD_FAILURE() << v;
    } catch (const Exception& e) {
      EXPECT_EQ(String(e.what()), FormatA("Value %d out of range. Value must bee between %s", v, c.bounds));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Controls, ColourRanges,
    ::testing::Values(RangeCase{"Brightness", &TColorControl::SetBrightness, 0, 10000, "0 -> 10.000"},
                      RangeCase{"Contrast", &TColorControl::SetContrast, 0, 20000, "0 -> 20.000"},
                      RangeCase{"Hue", &TColorControl::SetHue, -180, 180, "-180 -> 180"},
                      RangeCase{"Saturation", &TColorControl::SetSaturation, 0, 20000, "0 -> 20.000"},
                      RangeCase{"Sharpness", &TColorControl::SetSharpness, 0, 10, "0 -> 10"},
                      RangeCase{"Gamma", &TColorControl::SetGamma, 1, 500, "1 -> 500"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VideoWindow, RestoreDefaultGivesTheOverlaysDefaults) {
  Render(SolidClip("orange", {230, 120, 30}));
  TColorControl* cc = win->ColorControl();
  cc->SetBrightness(5000);
  cc->ReadDefault();   // the overlay's values are now 5000
  cc->SetBrightness(2000);
  cc->RestoreDefault();
  EXPECT_EQ(cc->Brightness(), 5000);
}

TEST_F(VideoWindow, FailingReadGivesTheFixedValues) {
  FakeClass fails(CLSID_OverlayMixer, OverlayFakeFactory(TOverlayFake::MixerReadFails));
  Render(SolidClip("orange", {230, 120, 30}));
  TColorControl* cc = win->ColorControl();
  cc->SetBrightness(5000);
  cc->SetGamma(9);
  EXPECT_EQ(cc->Brightness(), 750);
  EXPECT_EQ(cc->Gamma(), 1);
  EXPECT_TRUE(cc->ColorEnable());
}

TEST_F(VideoWindow, CapsFollowTheFlagsTheMixerOffers) {
  FakeClass three(CLSID_OverlayMixer, OverlayFakeFactory(TOverlayFake::MixerOtherFlags, 3));
  TDSVideoWindowEx2Caps* caps = win->Caps();
  EXPECT_TRUE(caps->CanControlGamma());   // before a read: all
  Render(SolidClip("orange", {230, 120, 30}));
  EXPECT_EQ((std::vector<bool>{caps->CanControlBrigtness(), caps->CanControlContrast(), caps->CanControlHue(),
                               caps->CanControlSaturation(), caps->CanControlSharpness(), caps->CanControlGamma(),
                               caps->CanControlColorEnabled()}),
            (std::vector<bool>{true, true, false, false, false, false, false}));
}

// ---- window life

TEST_F(VideoWindow, MixerNotificationsFromAnotherThreadAreHandledOnTheMainThread) {
  ComPtr<TOverlayCallback> cb(new TOverlayCallback(win));
  bool onMain = false;
  int calls = 0;
  win->OnColorKeyChanged = [&](TObject*) {
    ++calls;
    onMain = TThread::IsMainThread();
  };
  std::thread t([&] {
    COLORKEY key;
    key.HighColorValue = 0x00FF00;
    cb->OnUpdateColorKey(&key, 0);
    cb->OnUpdateSize(0, 0, 0, 0);
  });
  t.join();
  EXPECT_EQ(calls, 0);
  ASSERT_TRUE(PumpUntil([&] { return calls == 1; }));
  EXPECT_TRUE(onMain);
  EXPECT_EQ(win->ColorKey(), TColor(0x00FF00));
  cb->Detach();   // the window has gone: nothing more reaches it
  cb->OnUpdateColorKey(nullptr, 0);
  Pump(20);
  EXPECT_EQ(calls, 1);
}

TEST_F(VideoWindow, RendererWindowFollowsTheControlAndTheParent) {
  Render(SolidClip("orange", {230, 120, 30}));
  ComPtr<IVideoWindow> vw = QueryAs<IVideoWindow>(win->GetFilter());
  win->SetBounds(10, 20, 200, 100);
  int32_t l, t, w, h;
  vw->GetWindowPosition(&l, &t, &w, &h);
  EXPECT_EQ((std::vector<int>{l, t, w, h}), (std::vector<int>{10, 20, 200, 100}));
  auto* panel = new TPanel(form);
  panel->SetParent(form);
  win->SetParent(panel);
  intptr_t owner = 0;
  vw->get_Owner(&owner);
  EXPECT_EQ(owner, intptr_t(static_cast<TControl*>(panel)));
  std::string caption;
  vw->get_Caption(&caption);
  EXPECT_EQ(caption, "Video");
}

TEST_F(VideoWindow, TheWindowMadeLastOwnsTheIdlePass) {
  auto* second = new TDSVideoWindowEx2(form);
  EXPECT_TRUE(bool(Application->OnIdle));
  delete win;   // not the owner: the idle pass stays
  win = nullptr;
  EXPECT_TRUE(bool(Application->OnIdle));
  delete second;
  EXPECT_FALSE(bool(Application->OnIdle));
}

}  // namespace
