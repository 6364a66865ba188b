#pragma once
// The object model of the media platform layer: result codes, 16-byte class
// and interface identifiers, reference-counted objects reached through
// interfaces, a class registry that creates objects by identifier (tests
// register fakes in it), the error texts, a process-local running object
// table and the hidden message windows through which media notifications and
// timers reach the main thread.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

using HRESULT = int32_t;
using ULONG = uint32_t;
using DWORD = uint32_t;
using REFERENCE_TIME = int64_t;   // 100-nanosecond units
// Event parameters are pointer-sized.
using LONG_PTR = intptr_t;
using UINT_PTR = uintptr_t;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = HRESULT(0x80004001u);
constexpr HRESULT E_NOINTERFACE = HRESULT(0x80004002u);
constexpr HRESULT E_POINTER = HRESULT(0x80004003u);
constexpr HRESULT E_ABORT = HRESULT(0x80004004u);
constexpr HRESULT E_FAIL = HRESULT(0x80004005u);
constexpr HRESULT E_UNEXPECTED = HRESULT(0x8000FFFFu);
constexpr HRESULT E_OUTOFMEMORY = HRESULT(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = HRESULT(0x80070057u);
constexpr HRESULT REGDB_E_CLASSNOTREG = HRESULT(0x80040154u);
// The media layer's own codes.
constexpr HRESULT MEDIA_E_FILE_NOT_FOUND = HRESULT(0x80070002u);
constexpr HRESULT MEDIA_E_UNSUPPORTED_STREAM = HRESULT(0x80040265u);
constexpr HRESULT MEDIA_E_NOT_STOPPED = HRESULT(0x80040224u);
constexpr HRESULT MEDIA_E_NOT_CONNECTED = HRESULT(0x80040209u);
constexpr HRESULT MEDIA_E_ALREADY_CONNECTED = HRESULT(0x80040204u);
constexpr HRESULT MEDIA_E_CANNOT_CONNECT = HRESULT(0x80040217u);
constexpr HRESULT MEDIA_E_NOT_IN_GRAPH = HRESULT(0x8004025Fu);
constexpr HRESULT MEDIA_E_TIMEOUT = HRESULT(0x8004022Eu);
constexpr HRESULT MEDIA_E_BUFFER_EMPTY = HRESULT(0x8004020Du);
constexpr HRESULT MEDIA_S_PARTIAL_RENDER = HRESULT(0x00040242);

inline bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
inline bool FAILED(HRESULT hr) { return hr < 0; }

// The text of a result code (our table; "Unknown error" for codes outside it).
std::string MediaErrorText(HRESULT hr);

struct GUID {
  uint32_t Data1 = 0;
  uint16_t Data2 = 0, Data3 = 0;
  uint8_t Data4[8] = {};
  constexpr bool operator==(const GUID& o) const {
    if (Data1 != o.Data1 || Data2 != o.Data2 || Data3 != o.Data3) return false;
    for (int i = 0; i < 8; ++i)
      if (Data4[i] != o.Data4[i]) return false;
    return true;
  }
};
using CLSID = GUID;

inline constexpr GUID GUID_NULL{};

constexpr GUID MakeGUID(uint32_t d1, uint16_t d2, uint16_t d3, uint8_t a, uint8_t b, uint8_t c, uint8_t d,
                        uint8_t e, uint8_t f, uint8_t g, uint8_t h) {
  GUID r;
  r.Data1 = d1;
  r.Data2 = d2;
  r.Data3 = d3;
  r.Data4[0] = a; r.Data4[1] = b; r.Data4[2] = c; r.Data4[3] = d;
  r.Data4[4] = e; r.Data4[5] = f; r.Data4[6] = g; r.Data4[7] = h;
  return r;
}
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case.
std::string GUIDToString(const GUID& g);
// Parses the braced form; false on anything else.
bool StringToGUID(const std::string& s, GUID& out);
// A stable identifier made from a name (for element factories and providers).
GUID GUIDFromName(const std::string& name);

// ---------------------------------------------------------------------------
// Objects and interfaces
//
// An interface is an abstract class deriving virtually from IUnknown and
// naming its identifier as `static constexpr GUID IID`. An object derives
// from TComObject (reference count) and from its interfaces, and answers
// QueryInterface for each. Components of the system that implement an
// interface keep their owner's lifetime: their AddRef/Release count nothing.

struct IUnknown {
  static constexpr GUID IID = MakeGUID(0x00000000, 0x0000, 0x0000, 0xC0, 0, 0, 0, 0, 0, 0, 0x46);
  virtual HRESULT QueryInterface(const GUID& iid, void** out) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
 protected:
  virtual ~IUnknown() = default;
};

class TComObject : public virtual IUnknown {
 public:
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG r = --refs_;
    if (r == 0) delete this;
    return r;
  }
 protected:
  TComObject() = default;
  ~TComObject() override = default;
 private:
  std::atomic<ULONG> refs_{0};
};

// Helper for QueryInterface implementations: when iid is T's, stores the
// object as T (with a reference) and answers true.
template <class T, class Self>
bool AnswerInterface(Self* self, const GUID& iid, void** out) {
  if (iid == T::IID) {
    T* p = static_cast<T*>(self);
    p->AddRef();
    *out = p;
    return true;
  }
  return false;
}

// Holds one reference to an interface.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  ComPtr(T* p) : p_(p) { if (p_) p_->AddRef(); }
  ComPtr(const ComPtr& o) : p_(o.p_) { if (p_) p_->AddRef(); }
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <class U>
  ComPtr(const ComPtr<U>& o) : p_(o.Get()) { if (p_) p_->AddRef(); }
  ~ComPtr() { Reset(); }
  ComPtr& operator=(const ComPtr& o) {
    if (o.p_) o.p_->AddRef();
    T* old = std::exchange(p_, o.p_);
    if (old) old->Release();
    return *this;
  }
  ComPtr& operator=(ComPtr&& o) noexcept {
    if (this != &o) {
      T* old = std::exchange(p_, std::exchange(o.p_, nullptr));
      if (old) old->Release();
    }
    return *this;
  }
  ComPtr& operator=(std::nullptr_t) { Reset(); return *this; }
  // Takes over a reference that the caller already holds.
  static ComPtr Attach(T* p) { ComPtr r; r.p_ = p; return r; }
  void Reset() {
    // Cleared before the release, so that nothing reaches the object meanwhile.
    if (T* old = std::exchange(p_, nullptr)) old->Release();
  }
  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }
  bool operator==(const ComPtr& o) const { return p_ == o.p_; }
  // For out parameters: releases what is held and gives the slot.
  T** Put() { Reset(); return &p_; }
  void** PutVoid() { Reset(); return reinterpret_cast<void**>(&p_); }
 private:
  T* p_ = nullptr;
};

// Queries `from` for T; an empty pointer when it does not answer.
template <class T>
ComPtr<T> QueryAs(IUnknown* from) {
  ComPtr<T> r;
  if (from) {
    void* p = nullptr;
    if (SUCCEEDED(from->QueryInterface(T::IID, &p)) && p) r = ComPtr<T>::Attach(static_cast<T*>(p));
  }
  return r;
}
template <class T, class U>
ComPtr<T> QueryAs(const ComPtr<U>& from) { return QueryAs<T>(static_cast<IUnknown*>(from.Get())); }

// Same object identity (both reached through IUnknown).
bool SameObject(IUnknown* a, IUnknown* b);

// ---------------------------------------------------------------------------
// Class registry: creates objects by class identifier. The media layer
// registers its own classes on first use; a registration replaces the
// previous one and answers it, so that tests can put fakes in and restore.

using TClassFactory = std::function<IUnknown*()>;   // a new object with no reference yet
TClassFactory RegisterMediaClass(const CLSID& clsid, TClassFactory factory);
// Creates the object and queries it for iid; REGDB_E_CLASSNOTREG when the
// class is not registered.
HRESULT CoCreateInstance(const CLSID& clsid, const GUID& iid, void** out);
template <class T>
HRESULT CreateMediaObject(const CLSID& clsid, ComPtr<T>& out) {
  return CoCreateInstance(clsid, T::IID, out.PutVoid());
}

// ---------------------------------------------------------------------------
// Hidden message windows (main thread). A window is a handler of posted
// messages; PostMessage may be called from any thread and the message is
// handled later on the main thread, never after the window was released.
// Window timers post WM_TIMER with the timer id as wParam.

using HWND = uintptr_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
constexpr uint32_t WM_TIMER = 0x0113;
constexpr uint32_t WM_USER = 0x0400;
using TWindowProc = std::function<void(uint32_t Msg, WPARAM wParam, LPARAM lParam)>;
HWND AllocateHWnd(TWindowProc proc);
void DeallocateHWnd(HWND wnd);
bool IsWindow(HWND wnd);
bool PostMessage(HWND wnd, uint32_t msg, WPARAM wParam, LPARAM lParam);
// A repeating timer of the window; false when the window does not exist.
bool SetTimer(HWND wnd, UINT_PTR id, uint32_t intervalMs);
bool KillTimer(HWND wnd, UINT_PTR id);
