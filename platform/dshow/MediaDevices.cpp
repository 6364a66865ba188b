// Devices over the GStreamer device providers: the category enumerator,
// device monikers with their property bags, and element-factory monikers.
#include <cstring>
#include <map>

#include "platform/dshow/MediaFilters_p.h"

namespace {

std::mutex g_providerMutex;
std::vector<std::string> g_providers;   // empty: every installed provider

class TPropertyBag : public TComObject, public IPropertyBag {
 public:
  explicit TPropertyBag(std::map<std::string, std::string> v) : values_(std::move(v)) {}
  HRESULT QueryInterface(const GUID& iid, void** out) override {
    if (AnswerInterface<IUnknown>(this, iid, out) || AnswerInterface<IPropertyBag>(this, iid, out)) return S_OK;
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT Read(const std::string& name, std::string* value) override {
    auto it = values_.find(name);
    if (it == values_.end()) return E_INVALIDARG;
    *value = it->second;
    return S_OK;
  }
 private:
  std::map<std::string, std::string> values_;
};

// A new property bag of these values, asked for interface iid.
HRESULT AnswerPropertyBag(std::map<std::string, std::string> values, const GUID& iid, void** out) {
  auto* bag = new TPropertyBag(std::move(values));
  bag->AddRef();
  HRESULT hr = bag->QueryInterface(iid, out);
  bag->Release();
  return hr;
}

// Two monikers are equal when their display names are.
HRESULT SameDisplayName(IMoniker* self, IMoniker* other) {
  std::string a, b;
  if (!other) return S_FALSE;
  self->GetDisplayName(&a);
  other->GetDisplayName(&b);
  return a == b ? S_OK : S_FALSE;
}

struct DeviceInfo {
  std::string provider, path, name;
};

const char* classesOf(const GUID& category) {
  if (category == CLSID_VideoInputDeviceCategory) return "Video/Source";
  if (category == CLSID_AudioInputDeviceCategory) return "Audio/Source";
  if (category == CLSID_AudioRendererCategory) return "Audio/Sink";
  return nullptr;
}

std::string devicePath(GstDevice* dev) {
  std::string path;
  if (GstStructure* props = gst_device_get_properties(dev)) {
    for (const char* key : {"device.path", "api.v4l2.path", "object.path", "device.id", "udev-id"}) {
      if (const char* v = gst_structure_get_string(props, key)) {
        path = v;
        break;
      }
    }
    gst_structure_free(props);
  }
  if (path.empty()) {
    gchar* n = gst_device_get_display_name(dev);
    path = n ? n : "";
    g_free(n);
  }
  return path;
}

// Calls f(provider name, device) for each device of the classes; stops when f answers true.
template <class F>
void forEachDevice(const char* classes, F f) {
  EnsureGStreamer();
  std::vector<std::string> allowed;
  {
    std::lock_guard<std::mutex> g(g_providerMutex);
    allowed = g_providers;
  }
  GList* facs = gst_device_provider_factory_list_get_device_providers(GST_RANK_NONE);
  bool stop = false;
  for (GList* l = facs; l && !stop; l = l->next) {
    auto* fac = GST_DEVICE_PROVIDER_FACTORY(l->data);
    std::string name = GST_OBJECT_NAME(fac);
    if (!allowed.empty() && std::find(allowed.begin(), allowed.end(), name) == allowed.end()) continue;
    if (!gst_device_provider_factory_has_classes(fac, classes)) continue;
    GstDeviceProvider* p = gst_device_provider_factory_get(fac);
    if (!p) continue;
    GList* devs = gst_device_provider_get_devices(p);
    for (GList* d = devs; d && !stop; d = d->next) {
      GstDevice* dev = GST_DEVICE(d->data);
      if (gst_device_has_classes(dev, classes)) stop = f(name, dev);
    }
    g_list_free_full(devs, gst_object_unref);
    gst_object_unref(p);
  }
  gst_plugin_feature_list_free(facs);
}

void putString(std::vector<uint8_t>& b, const std::string& s) {
  uint32_t n = uint32_t(s.size());
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(n >> (8 * i)));
  b.insert(b.end(), s.begin(), s.end());
}

bool getString(const uint8_t*& p, size_t& left, std::string& s) {
  if (left < 4) return false;
  uint32_t n = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  p += 4;
  left -= 4;
  if (n > left) return false;
  s.assign(reinterpret_cast<const char*>(p), n);
  p += n;
  left -= n;
  return true;
}

// A device (or, with an empty provider, a category) found by enumeration.
class TDeviceMoniker : public TComObject, public IMoniker {
 public:
  DeviceInfo info;
  GUID category;
  bool isCategory = false;

  HRESULT QueryInterface(const GUID& iid, void** out) override {
    if (AnswerInterface<IUnknown>(this, iid, out) || AnswerInterface<IMoniker>(this, iid, out) ||
        AnswerInterface<IPersistStream>(this, iid, out) || AnswerInterface<IPersist>(this, iid, out))
      return S_OK;
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT GetClassID(CLSID* c) override { *c = CLSID_DeviceMoniker; return S_OK; }
  HRESULT Save(std::vector<uint8_t>& b) override {
    b.clear();
    putString(b, info.provider);
    putString(b, info.path);
    putString(b, info.name);
    return S_OK;
  }
  HRESULT Load(const uint8_t* p, size_t n) override {
    DeviceInfo d;
    if (!getString(p, n, d.provider) || !getString(p, n, d.path) || !getString(p, n, d.name)) return E_INVALIDARG;
    info = d;
    return S_OK;
  }
  HRESULT BindToObject(const GUID& iid, void** out) override {
    *out = nullptr;
    if (isCategory || info.provider.empty()) return E_NOINTERFACE;
    // The same device again: by its path, else by its name.
    GstElement* element = nullptr;
    for (int pass = 0; pass < 2 && !element; ++pass)
      forEachDevice("Source", [&](const std::string& prov, GstDevice* dev) {
        if (prov != info.provider) return false;
        gchar* dn = gst_device_get_display_name(dev);
        bool match = pass == 0 ? devicePath(dev) == info.path : (dn && info.name == dn);
        g_free(dn);
        if (match) element = gst_device_create_element(dev, nullptr);
        return match;
      });
    if (!element) return E_FAIL;
    auto* f = new TCaptureSource(element);
    f->AddRef();
    HRESULT hr = f->QueryInterface(iid, out);
    f->Release();
    return hr;
  }
  HRESULT BindToStorage(const GUID& iid, void** out) override {
    std::map<std::string, std::string> v;
    v["FriendlyName"] = info.name;
    if (isCategory) {
      v["CLSID"] = GUIDToString(category);
    } else {
      v["CLSID"] = GUIDToString(GUIDFromName(info.provider));
      v["DevicePath"] = info.path;
    }
    return AnswerPropertyBag(std::move(v), iid, out);
  }
  HRESULT GetDisplayName(std::string* n) override {
    *n = "@device:" + info.provider + ":" + info.path;
    return S_OK;
  }
  HRESULT IsEqual(IMoniker* o) override { return SameDisplayName(this, o); }
};

class TFactoryMoniker : public TComObject, public IMoniker {
 public:
  explicit TFactoryMoniker(GstElementFactory* f) : factory_(GST_ELEMENT_FACTORY(gst_object_ref(f))) {}
  ~TFactoryMoniker() override { gst_object_unref(factory_); }
  HRESULT QueryInterface(const GUID& iid, void** out) override {
    if (AnswerInterface<IUnknown>(this, iid, out) || AnswerInterface<IMoniker>(this, iid, out) ||
        AnswerInterface<IPersistStream>(this, iid, out) || AnswerInterface<IPersist>(this, iid, out))
      return S_OK;
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT GetClassID(CLSID* c) override { *c = GUIDFromName(GST_OBJECT_NAME(factory_)); return S_OK; }
  HRESULT Save(std::vector<uint8_t>&) override { return E_NOTIMPL; }
  HRESULT Load(const uint8_t*, size_t) override { return E_NOTIMPL; }
  HRESULT BindToObject(const GUID& iid, void** out) override {
    *out = nullptr;
    GstElement* e = gst_element_factory_create(factory_, nullptr);
    if (!e) return E_FAIL;
    gst_object_ref_sink(e);
    auto* f = new TElementFilter(e);
    gst_object_unref(e);
    f->AddRef();
    HRESULT hr = f->QueryInterface(iid, out);
    f->Release();
    return hr;
  }
  HRESULT BindToStorage(const GUID& iid, void** out) override {
    std::map<std::string, std::string> v;
    const char* longName = gst_element_factory_get_metadata(factory_, GST_ELEMENT_METADATA_LONGNAME);
    v["FriendlyName"] = longName ? longName : GST_OBJECT_NAME(factory_);
    v["CLSID"] = GUIDToString(GUIDFromName(GST_OBJECT_NAME(factory_)));
    v["FactoryName"] = GST_OBJECT_NAME(factory_);
    return AnswerPropertyBag(std::move(v), iid, out);
  }
  HRESULT GetDisplayName(std::string* n) override {
    *n = std::string("@element:") + GST_OBJECT_NAME(factory_);
    return S_OK;
  }
  HRESULT IsEqual(IMoniker* o) override { return SameDisplayName(this, o); }
 private:
  GstElementFactory* factory_;
};

class TDevEnum : public TComObject, public ICreateDevEnum {
 public:
  HRESULT QueryInterface(const GUID& iid, void** out) override {
    if (AnswerInterface<IUnknown>(this, iid, out) || AnswerInterface<ICreateDevEnum>(this, iid, out)) return S_OK;
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT CreateClassEnumerator(const GUID& category, IEnumMoniker** out, DWORD) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    std::vector<ComPtr<IMoniker>> list;
    if (category == CLSID_ActiveMovieCategories) {
      const std::pair<GUID, const char*> cats[] = {{CLSID_VideoInputDeviceCategory, "Video Capture Sources"},
                                                   {CLSID_AudioInputDeviceCategory, "Audio Capture Sources"},
                                                   {CLSID_AudioRendererCategory, "Audio Renderers"}};
      for (auto& [g, n] : cats) {
        auto* m = new TDeviceMoniker();
        m->isCategory = true;
        m->category = g;
        m->info.name = n;
        list.emplace_back(static_cast<IMoniker*>(m));
      }
    } else if (const char* classes = classesOf(category)) {
      forEachDevice(classes, [&](const std::string& prov, GstDevice* dev) {
        auto* m = new TDeviceMoniker();
        m->category = category;
        m->info.provider = prov;
        m->info.path = devicePath(dev);
        gchar* dn = gst_device_get_display_name(dev);
        m->info.name = dn ? dn : "";
        g_free(dn);
        list.emplace_back(static_cast<IMoniker*>(m));
        return false;
      });
    }
    if (list.empty()) return S_FALSE;
    auto* e = new TEnumVector<IEnumMoniker, IMoniker>(std::move(list));
    e->AddRef();
    *out = e;
    return S_OK;
  }
};

}  // namespace

ComPtr<IMoniker> MakeFactoryMoniker(GstElementFactory* factory) {
  return ComPtr<IMoniker>(static_cast<IMoniker*>(new TFactoryMoniker(factory)));
}

void SetMediaDeviceProviders(const std::vector<std::string>& names) {
  std::lock_guard<std::mutex> g(g_providerMutex);
  g_providers = names;
}

void RegisterDeviceClasses() {
  RegisterMediaClassRaw(CLSID_SystemDeviceEnum, [] { return static_cast<ICreateDevEnum*>(new TDevEnum()); });
  RegisterMediaClassRaw(CLSID_DeviceMoniker, [] { return static_cast<IMoniker*>(new TDeviceMoniker()); });
}
