#pragma once
// Routines the media components are built on: the layer's exception and the
// check that raises it, registering a graph in the running object table,
// media types and their stored bytes, device enumeration, lists of a graph's
// filters and a filter's pins, a stored byte block that keeps a device's
// moniker, and the volume and balance conversions.
#include <array>
#include <cstdint>
#include <vector>

#include "platform/dshow/DShow.h"
#include "toolkit/Classes.h"

class EDirectShowException : public Exception {
 public:
  EDirectShowException(const String& msg, HRESULT code) : Exception(msg), ErrorCode(code) {}
  HRESULT ErrorCode;
 protected:
  const char* className() const override { return "EDirectShowException"; }
};

// Stored bytes that cannot be read (a size below 0 or beyond the bytes given).
TK_EXCEPTION(EReadError, Exception)

// The platform's text for a result code (at most 255 characters).
String GetErrorString(HRESULT hr);
// A failure (negative code) raises EDirectShowException with the text
// followed by " ($%x)." (upper-case hexadecimal); other codes come back.
HRESULT CheckDSError(HRESULT hr);

// Registers the graph in the process's running object table under
// "FilterGraph <pointer> pid <process id>" (the pointer in its full width).
HRESULT AddGraphToRot(IUnknown* graph, DWORD& registration);
HRESULT RemoveGraphFromRot(DWORD registration);

// Deep copy; target and source must differ.
void CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source);
void FreeMediaType(AM_MEDIA_TYPE* mt);

int64_t RefTimeToMSec(int64_t refTime);
// The largest rectangle of shape's proportions inside the container,
// centred; an empty shape gives the container.
TRect FitRectKeepingAspect(const TRect& container, const TRect& shape);
// Nine fields, most significant first: seven of 4 bits, then two of 2 bits.
std::array<uint8_t, 9> UnpackTimeCode(uint32_t value);
int LinearToDirectShowVolume(int v);     // 0..10000 -> -10000..0
int LinearToDirectShowBalance(int v);    // the magnitude of the volume curve, the opposite sign
// The English name of a language given by its Windows locale identifier;
// empty when unknown.
String LanguageNameOfLCID(uint32_t lcid);

// Frees an object after clearing the reference that held it.
template <class T>
void FreeAndNil(T*& ref) {
  T* p = ref;
  ref = nullptr;
  delete p;
}

// One enumerated device or category: a name of at most 255 characters and
// its class identifier.
struct TDeviceEntry {
  String FriendlyName;
  GUID CLSID;
};

// Devices of one category (the video inputs, for instance). The monikers
// found when a category is selected are kept, so the device chosen by index
// is the one that was listed even when a device came or went meanwhile.
class TSysDevEnum : public TObject {
 public:
  explicit TSysDevEnum(const GUID& category = GUID_NULL);
  void SelectCategory(const GUID& category);
  const GUID& Category() const { return category_; }
  int CountCategories() const { return int(categories_.size()); }
  TDeviceEntry GetCategory(int index) const;
  int CountFilters() const { return int(entries_.size()); }
  TDeviceEntry GetFilter(int index) const;     // EListError out of range
  ComPtr<IMoniker> GetMoniker(int index) const;  // null out of range
  String ClassName() const override { return "TSysDevEnum"; }

 private:
  static void fill(const GUID& category, std::vector<TDeviceEntry>& entries, std::vector<ComPtr<IMoniker>>* monikers);
  GUID category_;
  std::vector<TDeviceEntry> categories_;
  std::vector<TDeviceEntry> entries_;
  std::vector<ComPtr<IMoniker>> monikers_;
};

// A media type record with its format block. Its stored "data" bytes are the
// 72-byte record (32-bit reference fields written as 0), then the format block.
class TMediaType : public TPersistent {
 public:
  explicit TMediaType(const GUID& majorType = GUID_NULL);
  ~TMediaType() override;
  AM_MEDIA_TYPE* AMMediaType() { return &mt_; }
  const AM_MEDIA_TYPE* AMMediaType() const { return &mt_; }
  void SetMajorType(const GUID& g) { mt_.majortype = g; }
  void SetSubType(const GUID& g) { mt_.subtype = g; }
  void SetFormatType(const GUID& g) { mt_.formattype = g; }
  void Assign(const TPersistent* Source) override;
  bool Equal(const TMediaType& other) const;
  // Whether the data is stored against an ancestor (null: none).
  bool DataStored(const TPersistent* ancestor) const;
  std::vector<uint8_t> WriteData() const;
  // Raises EReadError (the object unchanged) on bytes that do not fit.
  void ReadData(const std::vector<uint8_t>& bytes);
  String ClassName() const override { return "TMediaType"; }
 private:
  AM_MEDIA_TYPE mt_;
};

// An owned, zero-filled byte block; stored as a 32-bit little-endian size and
// the bytes.
class TPersistentMemory : public TPersistent {
 public:
  TPersistentMemory() = default;
  ~TPersistentMemory() override;
  const uint8_t* Data() const { return data_; }
  uint8_t* Data() { return data_; }
  int Size() const { return size_; }
  // Frees the old block; a new size other than 0 gives a zero-filled block.
  void SetSize(int size);
  void Assign(const TPersistent* Source) override;
  void AssignTo(TPersistent* target) const;
  bool DataStored(const TPersistent* ancestor) const;
  std::vector<uint8_t> WriteData() const;
  void ReadData(const std::vector<uint8_t>& bytes);
  String ClassName() const override { return "TPersistentMemory"; }
 private:
  uint8_t* data_ = nullptr;
  int size_ = 0;
};

// Keeps a device's moniker as bytes.
class TBaseFilter : public TPersistentMemory {
 public:
  void SetMoniker(IMoniker* moniker);
  ComPtr<IMoniker> GetMoniker() const;
  // The device's filter; null when no moniker is kept or it cannot be bound.
  ComPtr<IBaseFilter> CreateFilter() const;
  String ClassName() const override { return "TBaseFilter"; }
};

template <class T>
class TInterfaceList : public TObject {
 public:
  int Count() const { return int(items_.size()); }
  ComPtr<T> Items(int i) const {
    if (i < 0 || i >= Count()) ListIndexError(i);
    return items_[size_t(i)];
  }
  int Add(const ComPtr<T>& item) {
    items_.push_back(item);
    return Count() - 1;
  }
  int Remove(IUnknown* item) {
    for (size_t i = 0; i < items_.size(); ++i)
      if (SameObject(items_[i].Get(), item)) {
        items_.erase(items_.begin() + long(i));
        return int(i);
      }
    return -1;
  }
  void Clear() { items_.clear(); }
 protected:
  std::vector<ComPtr<T>> items_;
};

// The filters of a graph (empty without one).
class TFilterList : public TInterfaceList<IBaseFilter> {
 public:
  explicit TFilterList(IFilterGraph* graph = nullptr);
  void Update();
 private:
  ComPtr<IFilterGraph> graph_;
};

// The pins of a filter (empty without one); refilling clears it first.
class TPinList : public TInterfaceList<IPin> {
 public:
  explicit TPinList(IBaseFilter* filter = nullptr);
  void Update();
 private:
  ComPtr<IBaseFilter> filter_;
};
