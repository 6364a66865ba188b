#include "platform/dshow/Com.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/dshow/DShow.h"

#include "platform/dshow/MediaGraph_p.h"
#include "toolkit/Classes.h"

// ---------------------------------------------------------------------------
// Identifiers and texts

std::string GUIDToString(const GUID& g) {
  char b[40];
  std::snprintf(b, sizeof b, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", unsigned(g.Data1),
                unsigned(g.Data2), unsigned(g.Data3), g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4],
                g.Data4[5], g.Data4[6], g.Data4[7]);
  return b;
}

bool StringToGUID(const std::string& s, GUID& out) {
  if (s.size() != 38 || s[0] != '{' || s[37] != '}') return false;
  static const int groups[] = {8, 4, 4, 4, 12};
  std::string hex;
  size_t p = 1;
  for (int gi = 0; gi < 5; ++gi) {
    for (int k = 0; k < groups[gi]; ++k, ++p)
      if (!std::isxdigit(static_cast<unsigned char>(s[p]))) return false;
      else hex += s[p];
    if (gi < 4) {
      if (s[p] != '-') return false;
      ++p;
    }
  }
  auto val = [&](size_t at, size_t n) { return uint64_t(std::stoull(hex.substr(at, n), nullptr, 16)); };
  GUID g;
  g.Data1 = uint32_t(val(0, 8));
  g.Data2 = uint16_t(val(8, 4));
  g.Data3 = uint16_t(val(12, 4));
  for (int i = 0; i < 8; ++i) g.Data4[i] = uint8_t(val(16 + size_t(i) * 2, 2));
  out = g;
  return true;
}

GUID GUIDFromName(const std::string& name) {
  // Two FNV-1a hashes with different seeds fill the 16 bytes.
  auto fnv = [&](uint64_t h) {
    for (unsigned char c : name) h = (h ^ c) * 1099511628211ull;
    return h;
  };
  uint64_t a = fnv(14695981039346656037ull), b = fnv(0x84222325cbf29ce4ull);
  GUID g;
  g.Data1 = uint32_t(a >> 32);
  g.Data2 = uint16_t(a >> 16);
  g.Data3 = uint16_t((a & 0x0FFF) | 0x5000);
  for (int i = 0; i < 8; ++i) g.Data4[i] = uint8_t(b >> (56 - 8 * i));
  g.Data4[0] = uint8_t((g.Data4[0] & 0x3F) | 0x80);
  return g;
}

std::string MediaErrorText(HRESULT hr) {
  switch (uint32_t(hr)) {
    case 0x00000000u: return "The operation completed successfully.";
    case 0x00000001u: return "The operation completed; the result is false.";
    case 0x80004001u: return "Not implemented.";
    case 0x80004002u: return "No such interface supported.";
    case 0x80004003u: return "Invalid pointer.";
    case 0x80004004u: return "Operation aborted.";
    case 0x80004005u: return "Unspecified error.";
    case 0x8000FFFFu: return "Catastrophic failure.";
    case 0x8007000Eu: return "Ran out of memory.";
    case 0x80070057u: return "The parameter is incorrect.";
    case 0x80040154u: return "Class not registered.";
    case 0x80070002u: return "The system cannot find the file specified.";
    case 0x80040265u: return "Cannot play back the file: the format is not supported.";
    case 0x80040224u: return "The operation could not be performed because the filter graph is not stopped.";
    case 0x80040209u: return "The operation cannot be performed because the pins are not connected.";
    case 0x80040204u: return "The operation cannot be performed because the pin is already connected.";
    case 0x80040217u: return "No combination of intermediate filters could be found to make the connection.";
    case 0x8004025Fu: return "The filter is not in the filter graph.";
    case 0x8004022Eu: return "The operation timed out.";
    case 0x8004020Du: return "No sample buffer is available.";
    case 0x00040242u: return "Some of the streams in this movie are in an unsupported format.";
    default: return "Unknown error.";
  }
}

bool SameObject(IUnknown* a, IUnknown* b) {
  if (!a || !b) return a == b;
  ComPtr<IUnknown> ua = QueryAs<IUnknown>(a), ub = QueryAs<IUnknown>(b);
  return ua.Get() == ub.Get();
}

void* CoTaskMemAlloc(size_t n) { return std::malloc(n ? n : 1); }
void CoTaskMemFree(void* p) { std::free(p); }

// ---------------------------------------------------------------------------
// Class registry

namespace {

struct GuidHash {
  size_t operator()(const GUID& g) const {
    uint64_t h = g.Data1 ^ (uint64_t(g.Data2) << 32) ^ (uint64_t(g.Data3) << 48);
    for (int i = 0; i < 8; ++i) h = h * 131 + g.Data4[i];
    return size_t(h);
  }
};

std::recursive_mutex g_regMutex;
std::unordered_map<GUID, TClassFactory, GuidHash>& registry() {
  static std::unordered_map<GUID, TClassFactory, GuidHash> r;
  return r;
}
void ensureBuiltins() {
  static std::once_flag once;
  std::call_once(once, [] { RegisterBuiltinMediaClasses(); });
}

}  // namespace

TClassFactory RegisterMediaClass(const CLSID& clsid, TClassFactory factory) {
  ensureBuiltins();
  std::lock_guard<std::recursive_mutex> g(g_regMutex);
  TClassFactory old;
  auto it = registry().find(clsid);
  if (it != registry().end()) old = it->second;
  if (factory) registry()[clsid] = std::move(factory);
  else registry().erase(clsid);
  return old;
}

// Registration without the built-ins (used while they register).
void RegisterMediaClassRaw(const CLSID& clsid, TClassFactory factory) {
  std::lock_guard<std::recursive_mutex> g(g_regMutex);
  registry()[clsid] = std::move(factory);
}

HRESULT CoCreateInstance(const CLSID& clsid, const GUID& iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  ensureBuiltins();
  TClassFactory f;
  {
    std::lock_guard<std::recursive_mutex> g(g_regMutex);
    auto it = registry().find(clsid);
    if (it == registry().end()) return REGDB_E_CLASSNOTREG;
    f = it->second;
  }
  IUnknown* obj = nullptr;
  try {
    obj = f();
  } catch (...) {
    return E_FAIL;
  }
  if (!obj) return E_OUTOFMEMORY;
  obj->AddRef();
  HRESULT hr = obj->QueryInterface(iid, out);
  obj->Release();
  return hr;
}

// ---------------------------------------------------------------------------
// Moniker persistence

HRESULT OleSaveToStream(IPersistStream* object, std::vector<uint8_t>& bytes) {
  if (!object) return E_POINTER;
  CLSID clsid;
  HRESULT hr = object->GetClassID(&clsid);
  if (FAILED(hr)) return hr;
  bytes.resize(16);
  std::memcpy(bytes.data(), &clsid.Data1, 4);
  std::memcpy(bytes.data() + 4, &clsid.Data2, 2);
  std::memcpy(bytes.data() + 6, &clsid.Data3, 2);
  std::memcpy(bytes.data() + 8, clsid.Data4, 8);
  std::vector<uint8_t> own;
  hr = object->Save(own);
  if (FAILED(hr)) return hr;
  bytes.insert(bytes.end(), own.begin(), own.end());
  return S_OK;
}

HRESULT OleLoadFromStream(const uint8_t* bytes, size_t size, const GUID& iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!bytes || size < 16) return E_INVALIDARG;
  CLSID clsid;
  std::memcpy(&clsid.Data1, bytes, 4);
  std::memcpy(&clsid.Data2, bytes + 4, 2);
  std::memcpy(&clsid.Data3, bytes + 6, 2);
  std::memcpy(clsid.Data4, bytes + 8, 8);
  ComPtr<IPersistStream> ps;
  HRESULT hr = CreateMediaObject(clsid, ps);
  if (FAILED(hr)) return hr;
  hr = ps->Load(bytes + 16, size - 16);
  if (FAILED(hr)) return hr;
  return ps->QueryInterface(iid, out);
}

// ---------------------------------------------------------------------------
// Running object table and item monikers

namespace {

class TItemMoniker : public TComObject, public IMoniker {
 public:
  std::string delimiter, item;
  HRESULT QueryInterface(const GUID& iid, void** out) override {
    if (AnswerInterface<IUnknown>(this, iid, out) || AnswerInterface<IMoniker>(this, iid, out) ||
        AnswerInterface<IPersistStream>(this, iid, out) || AnswerInterface<IPersist>(this, iid, out))
      return S_OK;
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT GetClassID(CLSID* c) override { *c = CLSID_ItemMoniker; return S_OK; }
  HRESULT Save(std::vector<uint8_t>& b) override {
    std::string s = delimiter + '\n' + item;
    b.assign(s.begin(), s.end());
    return S_OK;
  }
  HRESULT Load(const uint8_t* b, size_t n) override {
    std::string s(reinterpret_cast<const char*>(b), n);
    size_t p = s.find('\n');
    if (p == std::string::npos) return E_INVALIDARG;
    delimiter = s.substr(0, p);
    item = s.substr(p + 1);
    return S_OK;
  }
  HRESULT BindToObject(const GUID& iid, void** out) override;
  HRESULT BindToStorage(const GUID&, void** out) override { *out = nullptr; return E_NOINTERFACE; }
  HRESULT GetDisplayName(std::string* n) override { *n = delimiter + item; return S_OK; }
  HRESULT IsEqual(IMoniker* o) override {
    std::string a, b;
    if (!o) return S_FALSE;
    GetDisplayName(&a);
    o->GetDisplayName(&b);
    return a == b ? S_OK : S_FALSE;
  }
};

class TRunningObjectTable : public TComObject, public IRunningObjectTable {
 public:
  HRESULT QueryInterface(const GUID& iid, void** out) override {
    if (AnswerInterface<IUnknown>(this, iid, out) || AnswerInterface<IRunningObjectTable>(this, iid, out))
      return S_OK;
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT Register(DWORD, IUnknown* object, IMoniker* name, DWORD* cookie) override {
    if (!object || !name || !cookie) return E_INVALIDARG;
    std::string n;
    name->GetDisplayName(&n);
    std::lock_guard<std::mutex> g(m_);
    DWORD c = ++next_;
    entries_[c] = {n, ComPtr<IUnknown>(object)};
    *cookie = c;
    return S_OK;
  }
  HRESULT Revoke(DWORD cookie) override {
    ComPtr<IUnknown> gone;   // released outside the lock
    std::lock_guard<std::mutex> g(m_);
    auto it = entries_.find(cookie);
    if (it == entries_.end()) return E_INVALIDARG;
    gone = std::move(it->second.object);
    entries_.erase(it);
    return S_OK;
  }
  HRESULT IsRunning(IMoniker* name) override {
    ComPtr<IUnknown> o;
    return SUCCEEDED(GetObject(name, o.Put())) ? S_OK : S_FALSE;
  }
  HRESULT GetObject(IMoniker* name, IUnknown** object) override {
    *object = nullptr;
    if (!name) return E_INVALIDARG;
    std::string n;
    name->GetDisplayName(&n);
    std::lock_guard<std::mutex> g(m_);
    for (auto& [c, e] : entries_)
      if (e.name == n) {
        e.object->AddRef();
        *object = e.object.Get();
        return S_OK;
      }
    return HRESULT(0x800401E3u);   // not running
  }
  ULONG AddRef() override { return 1; }   // lives as long as the process
  ULONG Release() override { return 1; }

 private:
  struct Entry {
    std::string name;
    ComPtr<IUnknown> object;
  };
  std::mutex m_;
  std::map<DWORD, Entry> entries_;
  DWORD next_ = 0;
};

TRunningObjectTable& rot() {
  static TRunningObjectTable* t = new TRunningObjectTable();   // never freed: objects may be revoked late
  return *t;
}

HRESULT TItemMoniker::BindToObject(const GUID& iid, void** out) {
  *out = nullptr;
  ComPtr<IUnknown> o;
  HRESULT hr = rot().GetObject(this, o.Put());
  if (FAILED(hr)) return hr;
  return o->QueryInterface(iid, out);
}

}  // namespace

HRESULT GetRunningObjectTable(DWORD, IRunningObjectTable** table) {
  if (!table) return E_POINTER;
  *table = &rot();
  return S_OK;
}

HRESULT CreateItemMoniker(const std::string& delimiter, const std::string& item, IMoniker** moniker) {
  if (!moniker) return E_POINTER;
  auto* m = new TItemMoniker();
  m->delimiter = delimiter;
  m->item = item;
  m->AddRef();
  *moniker = m;
  return S_OK;
}

void RegisterItemMonikerClass() {
  RegisterMediaClassRaw(CLSID_ItemMoniker, [] { return static_cast<IMoniker*>(new TItemMoniker()); });
}

// ---------------------------------------------------------------------------
// Message windows

namespace {

struct MsgWindow {
  TWindowProc proc;
  bool alive = true;
  std::map<UINT_PTR, QTimer*> timers;
};

std::mutex g_wndMutex;
std::map<HWND, std::shared_ptr<MsgWindow>> g_windows;
HWND g_nextWnd = 0x1000;

std::shared_ptr<MsgWindow> findWindow(HWND w) {
  std::lock_guard<std::mutex> g(g_wndMutex);
  auto it = g_windows.find(w);
  return it == g_windows.end() ? nullptr : it->second;
}

void deliver(const std::shared_ptr<MsgWindow>& w, uint32_t msg, WPARAM wp, LPARAM lp) {
  if (!w->alive || !w->proc) return;
  TWindowProc proc = w->proc;   // the window may be released by its own procedure
  try {
    proc(msg, wp, lp);
  } catch (...) {
    // A window procedure catches its own failures; nothing may unwind into Qt.
  }
}

}  // namespace

HWND AllocateHWnd(TWindowProc proc) {
  auto w = std::make_shared<MsgWindow>();
  w->proc = std::move(proc);
  std::lock_guard<std::mutex> g(g_wndMutex);
  HWND h = g_nextWnd++;
  g_windows[h] = w;
  return h;
}

void DeallocateHWnd(HWND wnd) {
  std::shared_ptr<MsgWindow> w;
  {
    std::lock_guard<std::mutex> g(g_wndMutex);
    auto it = g_windows.find(wnd);
    if (it == g_windows.end()) return;
    w = it->second;
    g_windows.erase(it);
    w->alive = false;
  }
  for (auto& [id, t] : w->timers) {
    t->stop();
    QObject::disconnect(t, nullptr, nullptr, nullptr);
    t->deleteLater();
  }
  w->timers.clear();
  w->proc = nullptr;
}

bool IsWindow(HWND wnd) { return findWindow(wnd) != nullptr; }

bool PostMessage(HWND wnd, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  std::shared_ptr<MsgWindow> w = findWindow(wnd);
  if (!w) return false;
  if (!QCoreApplication::instance()) return false;
  std::weak_ptr<MsgWindow> weak = w;
  PostToMainThread([weak, msg, wParam, lParam] {
    if (auto s = weak.lock()) deliver(s, msg, wParam, lParam);
  });
  return true;
}

bool SetTimer(HWND wnd, UINT_PTR id, uint32_t intervalMs) {
  std::shared_ptr<MsgWindow> w = findWindow(wnd);
  if (!w || !QCoreApplication::instance()) return false;
  QTimer*& t = w->timers[id];
  if (!t) {
    t = new QTimer();
    t->setTimerType(Qt::PreciseTimer);
    std::weak_ptr<MsgWindow> weak = w;
    QObject::connect(t, &QTimer::timeout, t, [weak, id] {
      if (auto s = weak.lock()) deliver(s, WM_TIMER, id, 0);
    });
  }
  t->start(int(intervalMs));
  return true;
}

bool KillTimer(HWND wnd, UINT_PTR id) {
  std::shared_ptr<MsgWindow> w = findWindow(wnd);
  if (!w) return false;
  auto it = w->timers.find(id);
  if (it == w->timers.end()) return false;
  it->second->stop();
  QObject::disconnect(it->second, nullptr, nullptr, nullptr);
  it->second->deleteLater();
  w->timers.erase(it);
  return true;
}
