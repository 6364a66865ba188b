// The media utilities: error checks, conversions, stored bytes, device
// lists and the running object table.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>

#include "media/DSUtil.h"

namespace {

TEST(DSUtil, CheckDSErrorPassesSuccessesAndRaisesFailuresWithTextAndCode) {
  EXPECT_EQ(CheckDSError(0), 0);
  EXPECT_EQ(CheckDSError(1), 1);
  try {
    CheckDSError(E_FAIL);
    FAIL() << "no exception";
  } catch (const EDirectShowException& e) {
    EXPECT_EQ(e.ErrorCode, E_FAIL);
    EXPECT_EQ(e.Message, GetErrorString(E_FAIL) + " ($80004005).");
  }
}

TEST(DSUtil, Conversions) {
  struct { int in, out; } volumes[] = {{0, -10000}, {10, -7397}, {100, -4989}, {1000, -2499}, {5000, -752}, {10000, 0}};
  for (auto v : volumes) EXPECT_EQ(LinearToDirectShowVolume(v.in), v.out) << v.in;
  EXPECT_EQ(LinearToDirectShowBalance(0), 0);
  EXPECT_EQ(LinearToDirectShowBalance(10000), 0 - 10000);
  EXPECT_EQ(LinearToDirectShowBalance(-100), 5011);
  EXPECT_EQ(RefTimeToMSec(25000000), 2500);
  EXPECT_EQ(FitRectKeepingAspect(Rect(0, 0, 1600, 900), Rect(0, 0, 4, 3)), Rect(200, 0, 1400, 900));
  EXPECT_EQ(FitRectKeepingAspect(Rect(10, 20, 110, 420), Rect(0, 0, 16, 9)), Rect(10, 192, 110, 248));
  // A shape without area keeps the container (no division by zero).
  EXPECT_EQ(FitRectKeepingAspect(Rect(5, 5, 100, 60), Rect(0, 0, 0, 0)), Rect(5, 5, 100, 60));
  std::array<uint8_t, 9> want{3, 1, 5, 4, 2, 0, 9, 1, 1};
  std::array<uint8_t, 9> f = UnpackTimeCode((3u << 28) | (1u << 24) | (5u << 20) | (4u << 16) | (2u << 12) | (0u << 8) | (9u << 4) | (1u << 2) | 1u);
  EXPECT_EQ(f, want);
  EXPECT_EQ(LanguageNameOfLCID(0x0409), "English");
  EXPECT_EQ(LanguageNameOfLCID(0x0419), "Russian");
}

TEST(DSUtil, MediaTypeBytesRoundTripAndBadSizesLeaveTheObject) {
  TMediaType a(MEDIATYPE_Video);
  a.SetSubType(MEDIASUBTYPE_RGB24);
  a.SetFormatType(FORMAT_VideoInfo);
  a.AMMediaType()->cbFormat = 3;
  a.AMMediaType()->pbFormat = static_cast<uint8_t*>(CoTaskMemAlloc(3));
  std::memcpy(a.AMMediaType()->pbFormat, "abc", 3);
  std::vector<uint8_t> bytes = a.WriteData();
  ASSERT_EQ(bytes.size(), 75u);
  TMediaType b;
  EXPECT_TRUE(b.DataStored(&a));
  b.ReadData(bytes);
  EXPECT_TRUE(b.Equal(a));
  EXPECT_FALSE(b.DataStored(&a));
  EXPECT_EQ(b.AMMediaType()->pUnk, nullptr);
  // A format size beyond the bytes, a negative one, a short record.
  for (int32_t bad : {100, -1}) {
    std::vector<uint8_t> broken = bytes;
    std::memcpy(broken.data() + 64, &bad, 4);
    TMediaType c(MEDIATYPE_Audio);
    EXPECT_THROW(c.ReadData(broken), EReadError);
    EXPECT_TRUE(c.AMMediaType()->majortype == MEDIATYPE_Audio);
  }
  EXPECT_THROW(b.ReadData(std::vector<uint8_t>(10)), EReadError);
  EXPECT_TRUE(b.Equal(a));
  TMediaType d;
  d.Assign(&a);
  EXPECT_TRUE(d.Equal(a));
  EXPECT_NE(d.AMMediaType()->pbFormat, a.AMMediaType()->pbFormat);
  TPersistentMemory m;
  EXPECT_THROW(d.Assign(&m), EConvertError);
}

TEST(DSUtil, PersistentMemoryBytes) {
  TPersistentMemory m;
  EXPECT_EQ(m.WriteData(), std::vector<uint8_t>({0, 0, 0, 0}));
  EXPECT_TRUE(m.DataStored(&m));   // an empty block is always written
  m.SetSize(3);
  m.Data()[1] = 7;
  TPersistentMemory n;
  n.ReadData(m.WriteData());
  ASSERT_EQ(n.Size(), 3);
  EXPECT_EQ(n.Data()[1], 7);
  EXPECT_FALSE(n.DataStored(&m));
  EXPECT_THROW(n.ReadData({9, 0, 0, 0, 1}), EReadError);
  EXPECT_THROW(n.ReadData({0xFF, 0xFF, 0xFF, 0xFF}), EReadError);
  EXPECT_EQ(n.Size(), 3);
  TBaseFilter empty;
  EXPECT_EQ(empty.WriteData(), std::vector<uint8_t>({0, 0, 0, 0}));
  EXPECT_FALSE(empty.CreateFilter());
  EXPECT_FALSE(empty.GetMoniker());
}

// A device enumerator that lists one long-named device without a class id.
class FakeBag : public TComObject, public IPropertyBag {
 public:
  HRESULT QueryInterface(const GUID& iid, void** out) override {
    if (AnswerInterface<IUnknown>(this, iid, out) || AnswerInterface<IPropertyBag>(this, iid, out)) return S_OK;
    return E_NOINTERFACE;
  }
  HRESULT Read(const std::string& name, std::string* v) override {
    if (name != "FriendlyName") return E_INVALIDARG;
    *v = std::string(254, 'a') + "\xD0\xAF\xD0\xAF";   // 256 characters, the last two of two bytes
    return S_OK;
  }
};
class FakeMoniker : public TComObject, public IMoniker {
 public:
  HRESULT QueryInterface(const GUID& iid, void** out) override {
    if (AnswerInterface<IUnknown>(this, iid, out) || AnswerInterface<IMoniker>(this, iid, out)) return S_OK;
    return E_NOINTERFACE;
  }
  HRESULT GetClassID(CLSID* c) override { *c = GUID_NULL; return S_OK; }
  HRESULT Save(std::vector<uint8_t>&) override { return E_NOTIMPL; }
  HRESULT Load(const uint8_t*, size_t) override { return E_NOTIMPL; }
  HRESULT BindToObject(const GUID&, void**) override { return E_FAIL; }
  HRESULT BindToStorage(const GUID& iid, void** out) override {
    auto* b = new FakeBag();
    b->AddRef();
    HRESULT hr = b->QueryInterface(iid, out);
    b->Release();
    return hr;
  }
  HRESULT GetDisplayName(std::string* n) override { *n = "fake"; return S_OK; }
  HRESULT IsEqual(IMoniker*) override { return S_FALSE; }
};
class FakeDevEnum : public TComObject, public ICreateDevEnum {
 public:
  HRESULT QueryInterface(const GUID& iid, void** out) override {
    if (AnswerInterface<IUnknown>(this, iid, out) || AnswerInterface<ICreateDevEnum>(this, iid, out)) return S_OK;
    return E_NOINTERFACE;
  }
  HRESULT CreateClassEnumerator(const GUID& cat, IEnumMoniker** out, DWORD) override {
    if (!(cat == CLSID_VideoInputDeviceCategory)) return S_FALSE;
    struct E : TComObject, IEnumMoniker {
      int left = 1;
      HRESULT QueryInterface(const GUID& iid, void** o) override {
        if (AnswerInterface<IUnknown>(this, iid, o) || AnswerInterface<IEnumMoniker>(this, iid, o)) return S_OK;
        return E_NOINTERFACE;
      }
      HRESULT Next(ULONG, IMoniker** m, ULONG* f) override {
        if (left-- <= 0) return S_FALSE;
        *m = new FakeMoniker();
        (*m)->AddRef();
        if (f) *f = 1;
        return S_OK;
      }
      HRESULT Skip(ULONG) override { return S_OK; }
      HRESULT Reset() override { return S_OK; }
    };
    auto* e = new E();
    e->AddRef();
    *out = e;
    return S_OK;
  }
};

TEST(DSUtil, DeviceListCutsNamesAtWholeCharactersAndMissingClassIdIsNull) {
  TClassFactory old = RegisterMediaClass(CLSID_SystemDeviceEnum, [] { return static_cast<ICreateDevEnum*>(new FakeDevEnum()); });
  {
    TSysDevEnum devices(CLSID_VideoInputDeviceCategory);
    ASSERT_EQ(devices.CountFilters(), 1);
    TDeviceEntry e = devices.GetFilter(0);
    EXPECT_EQ(e.FriendlyName, std::string(254, 'a') + "\xD0\xAF");
    EXPECT_TRUE(e.CLSID == GUID_NULL);
    EXPECT_TRUE(devices.GetMoniker(0));
    EXPECT_FALSE(devices.GetMoniker(1));
    EXPECT_FALSE(devices.GetMoniker(-1));
    EXPECT_THROW(devices.GetFilter(1), EListError);
    devices.SelectCategory(CLSID_AudioRendererCategory);
    EXPECT_EQ(devices.CountFilters(), 0);
  }
  RegisterMediaClass(CLSID_SystemDeviceEnum, old);
}

TEST(DSUtil, RunningObjectTableKnowsTheGraphByPointerAndProcess) {
  ComPtr<IFilterGraph2> graph;
  ASSERT_EQ(CreateMediaObject(CLSID_FilterGraph, graph), S_OK);
  DWORD cookie = 0;
  ASSERT_EQ(AddGraphToRot(graph.Get(), cookie), S_OK);
  char name[96];
  std::snprintf(name, sizeof name, "FilterGraph %016llX pid %x",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(static_cast<IUnknown*>(graph.Get()))),
                unsigned(getpid()));
  ComPtr<IMoniker> m;
  CreateItemMoniker("!", name, m.Put());
  ComPtr<IRunningObjectTable> rot;
  GetRunningObjectTable(0, rot.Put());
  ComPtr<IUnknown> found;
  ASSERT_EQ(rot->GetObject(m.Get(), found.Put()), S_OK);
  EXPECT_TRUE(SameObject(found.Get(), graph.Get()));
  found.Reset();
  EXPECT_EQ(RemoveGraphFromRot(cookie), S_OK);
  EXPECT_EQ(rot->IsRunning(m.Get()), S_FALSE);
}

}  // namespace
