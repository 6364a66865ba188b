#include "media/DSUtil.h"

#include <unicode/uloc.h>
#include <unicode/ustring.h>
#include <unistd.h>

#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// At most n characters of UTF-8 text, never cutting inside a character.
String cutChars(const String& s, int n) {
  int count = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
      if (count == n) return s.substr(0, i);
      ++count;
    }
  }
  return s;
}

void putGuid(std::vector<uint8_t>& b, const GUID& g) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(g.Data1 >> (8 * i)));
  for (int i = 0; i < 2; ++i) b.push_back(uint8_t(g.Data2 >> (8 * i)));
  for (int i = 0; i < 2; ++i) b.push_back(uint8_t(g.Data3 >> (8 * i)));
  for (int i = 0; i < 8; ++i) b.push_back(g.Data4[i]);
}
void put32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
uint32_t get32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
GUID getGuid(const uint8_t* p) {
  GUID g;
  g.Data1 = get32(p);
  g.Data2 = uint16_t(p[4] | p[5] << 8);
  g.Data3 = uint16_t(p[6] | p[7] << 8);
  std::memcpy(g.Data4, p + 8, 8);
  return g;
}

[[noreturn]] void readError() { throw EReadError("Stream read error"); }

}  // namespace

String GetErrorString(HRESULT hr) { return cutChars(MediaErrorText(hr), 255); }

HRESULT CheckDSError(HRESULT hr) {
  if (hr >= 0) return hr;
  char code[16];
  std::snprintf(code, sizeof code, "%X", unsigned(uint32_t(hr)));
  throw EDirectShowException(GetErrorString(hr) + " ($" + code + ").", hr);
}

HRESULT AddGraphToRot(IUnknown* graph, DWORD& registration) {
  ComPtr<IRunningObjectTable> rot;
  HRESULT hr = GetRunningObjectTable(0, rot.Put());
  if (FAILED(hr)) return hr;
  char name[96];
  std::snprintf(name, sizeof name, "FilterGraph %0*llX pid %x", int(2 * sizeof(void*)),
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(graph)), unsigned(getpid()));
  ComPtr<IMoniker> moniker;
  hr = CreateItemMoniker("!", name, moniker.Put());
  if (FAILED(hr)) return hr;
  return rot->Register(0, graph, moniker.Get(), &registration);
}

HRESULT RemoveGraphFromRot(DWORD registration) {
  ComPtr<IRunningObjectTable> rot;
  HRESULT hr = GetRunningObjectTable(0, rot.Put());
  if (FAILED(hr)) return hr;
  return rot->Revoke(registration);
}

void CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source) {
  assert(target != source);
  *target = *source;
  if (source->cbFormat != 0) {
    assert(source->pbFormat != nullptr);
    target->pbFormat = static_cast<uint8_t*>(CoTaskMemAlloc(source->cbFormat));
    if (!target->pbFormat) target->cbFormat = 0;
    else std::memcpy(target->pbFormat, source->pbFormat, source->cbFormat);
  } else {
    target->pbFormat = nullptr;
  }
  if (target->pUnk) target->pUnk->AddRef();
}

void FreeMediaType(AM_MEDIA_TYPE* mt) {
  if (mt->cbFormat != 0) {
    CoTaskMemFree(mt->pbFormat);
    mt->cbFormat = 0;
    mt->pbFormat = nullptr;
  }
  if (mt->pUnk) {
    IUnknown* u = mt->pUnk;
    mt->pUnk = nullptr;
    u->Release();
  }
}

int64_t RefTimeToMSec(int64_t refTime) { return refTime / 10000; }

TRect FitRectKeepingAspect(const TRect& c, const TRect& f) {
  const int cw = c.Width(), ch = c.Height(), fw = f.Width(), fh = f.Height();
  // A shape without area has no proportions to keep.
  if (fw <= 0 || fh <= 0) return c;
  const double rx = double(cw) / fw, ry = double(ch) / fh;
  int w, h;
  if (ry < rx) {
    w = MulDiv(fw, ch, fh);
    h = ch;
  } else {
    w = cw;
    h = MulDiv(fh, cw, fw);
  }
  return Bounds(c.Left + (cw - w) / 2, c.Top + (ch - h) / 2, w, h);
}

std::array<uint8_t, 9> UnpackTimeCode(uint32_t v) {
  std::array<uint8_t, 9> r{};
  for (int i = 0; i < 7; ++i) r[size_t(i)] = uint8_t((v >> (28 - 4 * i)) & 0xF);
  r[7] = uint8_t((v >> 2) & 3);
  r[8] = uint8_t(v & 3);
  return r;
}

int LinearToDirectShowVolume(int v) {
  if (v < 0) v = 0;
  return int(std::lround(std::log(double(v) + 1.0) * 1085.73)) - 10000;
}

int LinearToDirectShowBalance(int v) {
  const int mag = int(std::lround(std::log(double(std::abs(v)) + 1.0) * 1085.73));
  return v > 0 ? -mag : mag;
}

String LanguageNameOfLCID(uint32_t lcid) {
  char locale[64];
  UErrorCode st = U_ZERO_ERROR;
  int32_t n = uloc_getLocaleForLCID(lcid, locale, sizeof locale, &st);
  if (U_FAILURE(st) || n <= 0) return "";
  UChar name[260];
  st = U_ZERO_ERROR;
  int32_t len = uloc_getDisplayLanguage(locale, "en", name, 260, &st);
  if (U_FAILURE(st) || len <= 0) return "";
  char out[1040];
  int32_t outLen = 0;
  st = U_ZERO_ERROR;
  u_strToUTF8(out, sizeof out, &outLen, name, len, &st);
  if (U_FAILURE(st)) return "";
  return String(out, size_t(outLen));
}

// ---------------------------------------------------------------------------
// TSysDevEnum

TSysDevEnum::TSysDevEnum(const GUID& category) {
  fill(CLSID_ActiveMovieCategories, categories_, nullptr);
  SelectCategory(category);
}

void TSysDevEnum::fill(const GUID& category, std::vector<TDeviceEntry>& entries, std::vector<ComPtr<IMoniker>>* monikers) {
  entries.clear();
  if (monikers) monikers->clear();
  ComPtr<ICreateDevEnum> devEnum;
  if (FAILED(CreateMediaObject(CLSID_SystemDeviceEnum, devEnum))) return;
  ComPtr<IEnumMoniker> e;
  if (devEnum->CreateClassEnumerator(category, e.Put(), 0) != S_OK || !e) return;
  IMoniker* m = nullptr;
  while (e->Next(1, &m, nullptr) == S_OK) {
    ComPtr<IMoniker> moniker = ComPtr<IMoniker>::Attach(m);
    TDeviceEntry entry;
    ComPtr<IPropertyBag> bag;
    if (SUCCEEDED(moniker->BindToStorage(IPropertyBag::IID, bag.PutVoid())) && bag) {
      std::string v;
      if (SUCCEEDED(bag->Read("FriendlyName", &v))) entry.FriendlyName = cutChars(v, 255);
      if (FAILED(bag->Read("CLSID", &v)) || !StringToGUID(v, entry.CLSID)) entry.CLSID = GUID_NULL;
    }
    entries.push_back(entry);
    if (monikers) monikers->push_back(moniker);
  }
}

void TSysDevEnum::SelectCategory(const GUID& category) {
  category_ = category;
  fill(category, entries_, &monikers_);
}

TDeviceEntry TSysDevEnum::GetCategory(int index) const {
  if (index < 0 || index >= CountCategories()) ListIndexError(index);
  return categories_[size_t(index)];
}

TDeviceEntry TSysDevEnum::GetFilter(int index) const {
  if (index < 0 || index >= CountFilters()) ListIndexError(index);
  return entries_[size_t(index)];
}

ComPtr<IMoniker> TSysDevEnum::GetMoniker(int index) const {
  if (index < 0 || index >= CountFilters()) return nullptr;
  return monikers_[size_t(index)];
}

// ---------------------------------------------------------------------------
// TMediaType

TMediaType::TMediaType(const GUID& majorType) {
  mt_.majortype = majorType;
  mt_.bFixedSizeSamples = 1;
  mt_.lSampleSize = 1;
}

TMediaType::~TMediaType() { FreeMediaType(&mt_); }

void TMediaType::Assign(const TPersistent* Source) {
  if (auto* src = dynamic_cast<const TMediaType*>(Source)) {
    if (src == this) return;
    FreeMediaType(&mt_);
    CopyMediaType(&mt_, &src->mt_);
    return;
  }
  TPersistent::Assign(Source);
}

bool TMediaType::Equal(const TMediaType& o) const {
  if (!(mt_.majortype == o.mt_.majortype) || !(mt_.subtype == o.mt_.subtype) ||
      !(mt_.formattype == o.mt_.formattype) || mt_.cbFormat != o.mt_.cbFormat)
    return false;
  return mt_.cbFormat == 0 || std::memcmp(mt_.pbFormat, o.mt_.pbFormat, mt_.cbFormat) == 0;
}

bool TMediaType::DataStored(const TPersistent* ancestor) const {
  auto* a = dynamic_cast<const TMediaType*>(ancestor);
  return !a || !Equal(*a);
}

std::vector<uint8_t> TMediaType::WriteData() const {
  std::vector<uint8_t> b;
  b.reserve(72 + mt_.cbFormat);
  putGuid(b, mt_.majortype);
  putGuid(b, mt_.subtype);
  put32(b, uint32_t(mt_.bFixedSizeSamples));
  put32(b, uint32_t(mt_.bTemporalCompression));
  put32(b, mt_.lSampleSize);
  putGuid(b, mt_.formattype);
  put32(b, 0);   // object reference: not stored
  put32(b, mt_.cbFormat);
  put32(b, 0);   // format block pointer: not stored
  if (mt_.cbFormat) b.insert(b.end(), mt_.pbFormat, mt_.pbFormat + mt_.cbFormat);
  return b;
}

void TMediaType::ReadData(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < 72) readError();
  const uint8_t* p = bytes.data();
  const int32_t cb = int32_t(get32(p + 64));
  if (cb < 0 || size_t(cb) > bytes.size() - 72) readError();
  AM_MEDIA_TYPE m;
  m.majortype = getGuid(p);
  m.subtype = getGuid(p + 16);
  m.bFixedSizeSamples = int32_t(get32(p + 32));
  m.bTemporalCompression = int32_t(get32(p + 36));
  m.lSampleSize = get32(p + 40);
  m.formattype = getGuid(p + 44);
  m.pUnk = nullptr;   // a stored reference means nothing in this process
  m.cbFormat = uint32_t(cb);
  m.pbFormat = nullptr;
  if (cb > 0) {
    m.pbFormat = static_cast<uint8_t*>(CoTaskMemAlloc(size_t(cb)));
    std::memcpy(m.pbFormat, p + 72, size_t(cb));
  }
  FreeMediaType(&mt_);
  mt_ = m;
}

// ---------------------------------------------------------------------------
// TPersistentMemory and TBaseFilter

TPersistentMemory::~TPersistentMemory() { SetSize(0); }

void TPersistentMemory::SetSize(int size) {
  uint8_t* old = data_;
  data_ = nullptr;
  size_ = 0;
  std::free(old);
  if (size > 0) {
    data_ = static_cast<uint8_t*>(std::calloc(size_t(size), 1));
    if (!data_) throw EOutOfResources("Out of memory");
    size_ = size;
  }
}

void TPersistentMemory::Assign(const TPersistent* Source) {
  if (auto* src = dynamic_cast<const TPersistentMemory*>(Source)) {
    if (src == this) return;
    SetSize(src->size_);
    if (size_) std::memcpy(data_, src->data_, size_t(size_));
    return;
  }
  TPersistent::Assign(Source);
}

void TPersistentMemory::AssignTo(TPersistent* target) const { target->Assign(this); }

bool TPersistentMemory::DataStored(const TPersistent* ancestor) const {
  auto* a = dynamic_cast<const TPersistentMemory*>(ancestor);
  return !(a && a->size_ == size_ && size_ != 0 && std::memcmp(a->data_, data_, size_t(size_)) == 0);
}

std::vector<uint8_t> TPersistentMemory::WriteData() const {
  std::vector<uint8_t> b(4 + size_t(size_));
  for (int i = 0; i < 4; ++i) b[size_t(i)] = uint8_t(uint32_t(size_) >> (8 * i));
  if (size_ > 0) std::memcpy(b.data() + 4, data_, size_t(size_));
  return b;
}

void TPersistentMemory::ReadData(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < 4) readError();
  const int32_t n = int32_t(get32(bytes.data()));
  if (n < 0 || size_t(n) > bytes.size() - 4) readError();
  SetSize(n);
  if (n) std::memcpy(data_, bytes.data() + 4, size_t(n));
}

void TBaseFilter::SetMoniker(IMoniker* moniker) {
  if (!moniker) {
    SetSize(0);
    return;
  }
  std::vector<uint8_t> bytes;
  if (FAILED(OleSaveToStream(moniker, bytes))) {
    SetSize(0);
    return;
  }
  SetSize(int(bytes.size()));
  if (!bytes.empty()) std::memcpy(Data(), bytes.data(), bytes.size());
}

ComPtr<IMoniker> TBaseFilter::GetMoniker() const {
  ComPtr<IMoniker> m;
  if (Size() == 0) return m;
  if (FAILED(OleLoadFromStream(Data(), size_t(Size()), IMoniker::IID, m.PutVoid()))) m = nullptr;
  return m;
}

ComPtr<IBaseFilter> TBaseFilter::CreateFilter() const {
  ComPtr<IBaseFilter> f;
  ComPtr<IMoniker> m = GetMoniker();
  if (!m) return f;
  if (FAILED(m->BindToObject(IBaseFilter::IID, f.PutVoid()))) f = nullptr;
  return f;
}

// ---------------------------------------------------------------------------
// Lists

TFilterList::TFilterList(IFilterGraph* graph) : graph_(graph) { Update(); }

void TFilterList::Update() {
  Clear();
  if (!graph_) return;
  ComPtr<IEnumFilters> e;
  if (FAILED(graph_->EnumFilters(e.Put())) || !e) return;
  IBaseFilter* f = nullptr;
  while (e->Next(1, &f, nullptr) == S_OK) items_.push_back(ComPtr<IBaseFilter>::Attach(f));
}

TPinList::TPinList(IBaseFilter* filter) : filter_(filter) { Update(); }

void TPinList::Update() {
  Clear();
  if (!filter_) return;
  ComPtr<IEnumPins> e;
  if (FAILED(filter_->EnumPins(e.Put())) || !e) return;
  IPin* p = nullptr;
  while (e->Next(1, &p, nullptr) == S_OK) items_.push_back(ComPtr<IPin>::Attach(p));
}
