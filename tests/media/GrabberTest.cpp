// The sample grabber: the frame a paused clip shows, buffers handed to
// OnBuffer bottom row first, and what the bitmap conversion accepts.
#include <cstring>

#include "media/MediaFixture.h"
#include "toolkit/Forms.h"

using namespace mediatest;
using clips::Kind;

namespace {

int FrameOf(const TBitmap& b, int x, int y) {
  const uint8_t* p = b.ScanLine(y) + 4 * x;
  return clips::DecodeColour(p[2], p[1], p[0]);
}
bool WhiteAt(const TBitmap& b, int x, int y) {
  const uint8_t* p = b.ScanLine(y) + 4 * x;
  return p[0] > 230 && p[1] > 230 && p[2] > 230;
}

class Grabber : public ::testing::Test {
 protected:
  void SetUp() override {
    g = new TFilterGraph(&owner);
    grabber = new TSampleGrabber(&owner);
    grabber->SetFilterGraph(g);
  }
  TComponent owner{nullptr};
  TFilterGraph* g = nullptr;
  TSampleGrabber* grabber = nullptr;
};

TEST_F(Grabber, APausedClipGivesItsFrameTheRightWayUp) {
  TBitmap bmp;
  EXPECT_FALSE(grabber->GetBitmap(&bmp));   // outside a graph
  g->SetActive(true);
  ASSERT_EQ(g->RenderFile(Clips::Get().Path(Kind::Avi)), S_OK);
  g->Pause();
  for (int k : {10, 23}) {
    REFERENCE_TIME pos = REFERENCE_TIME(k) * 400000, stop = 0;
    ASSERT_EQ(g->Query<IMediaSeeking>()->SetPositions(&pos, AM_SEEKING_AbsolutePositioning, &stop,
                                                      AM_SEEKING_NoPositioning),
              S_OK);
    ASSERT_TRUE(grabber->GetBitmap(&bmp));
    ASSERT_EQ(bmp.Width(), 176);
    ASSERT_EQ(bmp.Height(), 144);
    EXPECT_EQ(FrameOf(bmp, 150, 120), k);
    EXPECT_TRUE(WhiteAt(bmp, 20, 20));
    EXPECT_FALSE(WhiteAt(bmp, 150, 20));
    EXPECT_FALSE(WhiteAt(bmp, 20, 120));
    // The snapshot taken straight from the kept sample has the pixels of the
    // one made from the handed-out buffer.
    ComPtr<ISampleGrabber> sg = QueryAs<ISampleGrabber>(static_cast<IFilterProvider*>(grabber));
    int32_t size = 0;
    ASSERT_EQ(sg->GetCurrentBuffer(&size, nullptr), S_OK);
    std::vector<uint8_t> buffer(static_cast<size_t>(size));
    ASSERT_EQ(sg->GetCurrentBuffer(&size, buffer.data()), S_OK);
    TBitmap viaBuffer;
    ASSERT_TRUE(grabber->BufferToBitmap(&viaBuffer, buffer.data(), size));
    for (int y = 0; y < bmp.Height(); ++y)
      ASSERT_EQ(std::memcmp(bmp.ScanLine(y), viaBuffer.ScanLine(y), size_t(4 * bmp.Width())), 0) << "row " << y;
  }
  EXPECT_FALSE(grabber->GetBitmap(nullptr));
  std::vector<uint8_t> big(1 << 20, 0x80);
  EXPECT_FALSE(grabber->BufferToBitmap(&bmp, big.data(), 0));
  ASSERT_TRUE(grabber->BufferToBitmap(&bmp, big.data(), int(big.size())));   // cut to the picture
  EXPECT_EQ(bmp.ScanLine(143)[0], 0x80);
}

TEST_F(Grabber, OnBufferGetsRowsBottomFirstOnAStreamingThread) {
  std::mutex m;
  int bottom = -2, top = -2, len = 0;
  bool onMain = true;
  grabber->OnBuffer = [&](TObject*, double, void* buf, int n) {
    auto* p = static_cast<uint8_t*>(buf);
    const int stride = 176 * 3;
    if (len) return;
    len = n;
    onMain = TThread::IsMainThread();
    bottom = clips::DecodeColour(p[2], p[1], p[0]);       // first row: the bottom of the picture
    const uint8_t* last = p + size_t(stride) * 143;       // last row: the top, white on the left
    top = last[0] > 230 && last[1] > 230 && last[2] > 230 ? 1 : 0;
  };
  g->SetActive(true);
  ASSERT_EQ(g->RenderFile(Clips::Get().Path(Kind::Avi)), S_OK);
  g->Play();
  ASSERT_TRUE(PumpUntil([&] {
    std::lock_guard<TCriticalSection> l(grabber->Lock());
    return len != 0;
  }));
  g->Stop();
  std::lock_guard<TCriticalSection> l(grabber->Lock());
  EXPECT_EQ(len, 176 * 3 * 144);
  EXPECT_GE(bottom, 0);
  EXPECT_EQ(top, 1);
  EXPECT_FALSE(onMain);
}

TEST_F(Grabber, AFailingOnBufferIsShownOnTheMainThread) {
  std::vector<String> shown;
  Application->OnException = [&](TObject*, const Exception& e) {
    if (shown.empty()) shown.push_back(e.Message + (TThread::IsMainThread() ? " on main" : ""));
  };
  grabber->OnBuffer = [&](TObject*, double, void*, int) { throw Exception("buffer failed"); };
  g->SetActive(true);
  ASSERT_EQ(g->RenderFile(Clips::Get().Path(Kind::Avi)), S_OK);
  g->Play();
  EXPECT_TRUE(PumpUntil([&] { return !shown.empty(); }));
  g->Stop();
  {
    std::lock_guard<TCriticalSection> lock(grabber->Lock());   // the streaming threads read it
    grabber->OnBuffer = nullptr;
  }
  Pump(20);
  Application->OnException = nullptr;
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown[0], "buffer failed on main");
}

// A grabber of the registry that describes its picture as the test wants.
struct FakeSpec {
  GUID format = FORMAT_VideoInfo;
  uint32_t cbFormat = sizeof(VIDEOINFOHEADER);
  int width = 3, height = -2, bits = 24;
  uint32_t imageSize = 0;
  std::vector<uint8_t> buffer;
};
FakeSpec g_spec;

class FakeGrabberFilter : public TComObject, public IBaseFilter, public ISampleGrabber {
 public:
  HRESULT QueryInterface(const GUID& iid, void** out) override {
    if (AnswerInterface<IUnknown>(static_cast<IBaseFilter*>(this), iid, out) ||
        AnswerInterface<IBaseFilter>(this, iid, out) || AnswerInterface<ISampleGrabber>(this, iid, out))
      return S_OK;
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT GetClassID(CLSID* c) override { *c = CLSID_SampleGrabber; return S_OK; }
  HRESULT Stop() override { return S_OK; }
  HRESULT Pause() override { return S_OK; }
  HRESULT Run(REFERENCE_TIME) override { return S_OK; }
  HRESULT GetState(DWORD, FILTER_STATE* s) override { *s = State_Stopped; return S_OK; }
  HRESULT EnumPins(IEnumPins**) override { return E_NOTIMPL; }
  HRESULT QueryFilterInfo(FILTER_INFO*) override { return S_OK; }
  HRESULT JoinFilterGraph(IFilterGraph*, const std::string&) override { return S_OK; }
  HRESULT SetOneShot(bool) override { return S_OK; }
  HRESULT SetMediaType(const AM_MEDIA_TYPE*) override { return S_OK; }
  HRESULT GetConnectedMediaType(AM_MEDIA_TYPE* mt) override {
    *mt = AM_MEDIA_TYPE{};
    mt->majortype = MEDIATYPE_Video;
    mt->formattype = g_spec.format;
    mt->cbFormat = g_spec.cbFormat;
    mt->pbFormat = static_cast<uint8_t*>(CoTaskMemAlloc(g_spec.cbFormat));
    std::memset(mt->pbFormat, 0, g_spec.cbFormat);
    BITMAPINFOHEADER h;
    h.biWidth = g_spec.width;
    h.biHeight = g_spec.height;
    h.biBitCount = uint16_t(g_spec.bits);
    h.biSizeImage = g_spec.imageSize;
    size_t at = g_spec.format == FORMAT_VideoInfo2 ? offsetof(VIDEOINFOHEADER2, bmiHeader)
                                                    : offsetof(VIDEOINFOHEADER, bmiHeader);
    if (at + sizeof h <= g_spec.cbFormat) std::memcpy(mt->pbFormat + at, &h, sizeof h);
    return S_OK;
  }
  HRESULT SetBufferSamples(bool) override { return S_OK; }
  HRESULT GetCurrentBuffer(int32_t* size, uint8_t* buf) override {
    if (!buf) {
      *size = int32_t(g_spec.buffer.size());
      return S_OK;
    }
    // A well-behaved grabber never writes past the size it is given.
    const int32_t n = std::min<int32_t>(*size, int32_t(g_spec.buffer.size()));
    std::memcpy(buf, g_spec.buffer.data(), size_t(n));
    *size = n;
    return S_OK;
  }
  HRESULT SetCallback(ISampleGrabberCB*, int32_t) override { return S_OK; }
};

TEST_F(Grabber, HeadersOfEitherSignAndSizeLimits) {
  TClassFactory old =
      RegisterMediaClass(CLSID_SampleGrabber, [] { return static_cast<IBaseFilter*>(new FakeGrabberFilter()); });
  g->SetActive(true);
  TBitmap bmp;
  // A top-down 3 x 2 picture (negative height), rows of 12 bytes, more bytes
  // than the picture holds.
  g_spec = FakeSpec();
  g_spec.buffer.assign(100, 0);
  g_spec.buffer[0] = 1;        // top row, first pixel blue 1
  g_spec.buffer[12] = 2;       // second row, first pixel blue 2
  ASSERT_TRUE(grabber->GetBitmap(&bmp));
  EXPECT_EQ(bmp.Width(), 3);
  EXPECT_EQ(bmp.Height(), 2);
  EXPECT_EQ(bmp.ScanLine(0)[0], 1);
  EXPECT_EQ(bmp.ScanLine(1)[0], 2);
  // Bottom-up (positive height): the first row in memory is the bottom.
  g_spec.height = 2;
  ASSERT_TRUE(grabber->GetBitmap(&bmp));
  EXPECT_EQ(bmp.ScanLine(1)[0], 1);
  // A 15-bit picture of width 10: rows of 20 bytes; the second row's bytes are cut.
  g_spec = FakeSpec();
  g_spec.width = 10;
  g_spec.height = 1;
  g_spec.bits = 15;
  g_spec.buffer.assign(40, 0xFF);
  g_spec.buffer[0] = 0x1F;     // blue at full, green and red 0
  g_spec.buffer[1] = 0x00;
  ASSERT_TRUE(grabber->GetBitmap(&bmp));
  EXPECT_EQ(bmp.Width(), 10);
  EXPECT_GE(bmp.ScanLine(0)[0], 0xF0);
  EXPECT_EQ(bmp.ScanLine(0)[2], 0);
  // Format blocks of the wrong length are refused; the bitmap is unchanged.
  for (auto [fmt, cb] : {std::pair{FORMAT_VideoInfo, 90u}, std::pair{FORMAT_VideoInfo2, 88u}}) {
    g_spec.format = fmt;
    g_spec.cbFormat = cb;
    EXPECT_FALSE(grabber->GetBitmap(&bmp));
    EXPECT_EQ(bmp.Width(), 10);
  }
  g_spec = FakeSpec();
  g_spec.format = FORMAT_VideoInfo2;
  g_spec.cbFormat = sizeof(VIDEOINFOHEADER2);
  g_spec.buffer.assign(24, 7);
  EXPECT_TRUE(grabber->GetBitmap(&bmp));
  g->SetActive(false);
  RegisterMediaClass(CLSID_SampleGrabber, old);
}

}  // namespace
