// The capture graph builder (connects a source into a sink) and the disc
// graph builder (a plain graph whose disc interfaces come from the registry).
#include <glib.h>

#include "platform/dshow/MediaGraph_p.h"

namespace {

ComPtr<IPin> freePin(IBaseFilter* f, PIN_DIRECTION dir, const GUID* type) {
  if (!f) return nullptr;
  ComPtr<IEnumPins> e;
  if (FAILED(f->EnumPins(e.Put())) || !e) return nullptr;
  IPin* p = nullptr;
  while (e->Next(1, &p, nullptr) == S_OK) {
    ComPtr<IPin> pin = ComPtr<IPin>::Attach(p);
    PIN_DIRECTION d;
    ComPtr<IPin> other;
    if (FAILED(pin->QueryDirection(&d)) || d != dir || SUCCEEDED(pin->ConnectedTo(other.Put()))) continue;
    if (type && dir == PINDIR_OUTPUT) {
      if (auto* mp = dynamic_cast<TMediaPin*>(pin.Get())) {
        std::string k = mp->Kind();
        if ((*type == MEDIATYPE_Video && k != "video" && !k.empty()) ||
            (*type == MEDIATYPE_Audio && k != "audio" && !k.empty()))
          continue;
      }
    }
    return pin;
  }
  return nullptr;
}

// The graph a builder works on, made when it has none yet; the caller gets
// a reference of its own.
HRESULT GraphOfBuilder(ComPtr<IGraphBuilder>& graph, IGraphBuilder** g) {
  if (!g) return E_POINTER;
  if (!graph) {
    HRESULT hr = CreateMediaObject(CLSID_FilterGraph, graph);
    if (FAILED(hr)) return hr;
  }
  graph->AddRef();
  *g = graph.Get();
  return S_OK;
}

class TCaptureBuilder : public TComObject, public ICaptureGraphBuilder2 {
 public:
  HRESULT QueryInterface(const GUID& iid, void** out) override {
    if (AnswerInterface<IUnknown>(this, iid, out) || AnswerInterface<ICaptureGraphBuilder2>(this, iid, out))
      return S_OK;
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT SetFiltergraph(IGraphBuilder* g) override {
    if (graph_) return E_UNEXPECTED;
    graph_ = g;
    return S_OK;
  }
  HRESULT GetFiltergraph(IGraphBuilder** g) override { return GraphOfBuilder(graph_, g); }
  HRESULT RenderStream(const GUID*, const GUID* type, IUnknown* source, IBaseFilter* intermediate,
                       IBaseFilter* sink) override {
    if (!source) return E_POINTER;
    if (!graph_) {
      ComPtr<IGraphBuilder> g;
      HRESULT hr = GetFiltergraph(g.Put());
      if (FAILED(hr)) return hr;
    }
    ComPtr<IPin> out = QueryAs<IPin>(source);
    if (!out) out = freePin(QueryAs<IBaseFilter>(source).Get(), PINDIR_OUTPUT, type);
    if (!out) return MEDIA_E_CANNOT_CONNECT;
    if (intermediate) {
      ComPtr<IPin> in = freePin(intermediate, PINDIR_INPUT, nullptr);
      if (!in) return MEDIA_E_CANNOT_CONNECT;
      HRESULT hr = graph_->Connect(out.Get(), in.Get());
      if (FAILED(hr)) return hr;
      out = freePin(intermediate, PINDIR_OUTPUT, nullptr);
      if (!out) return MEDIA_E_CANNOT_CONNECT;
    }
    if (!sink) return graph_->Render(out.Get());
    ComPtr<IPin> in = freePin(sink, PINDIR_INPUT, nullptr);
    if (!in) return MEDIA_E_CANNOT_CONNECT;
    return graph_->Connect(out.Get(), in.Get());
  }
 private:
  ComPtr<IGraphBuilder> graph_;
};

class TDvdBuilder : public TComObject, public IDvdGraphBuilder {
 public:
  HRESULT QueryInterface(const GUID& iid, void** out) override {
    if (AnswerInterface<IUnknown>(this, iid, out) || AnswerInterface<IDvdGraphBuilder>(this, iid, out)) return S_OK;
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT GetFiltergraph(IGraphBuilder** g) override { return GraphOfBuilder(graph_, g); }
  HRESULT GetDvdInterface(const GUID& iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!navigator_) {
      HRESULT hr = CoCreateInstance(CLSID_DvdNavigator, IUnknown::IID, navigator_.PutVoid());
      if (FAILED(hr)) return E_NOINTERFACE;
    }
    return navigator_->QueryInterface(iid, out);
  }
  // Renders the disc of a folder (the disc's own folder or its VIDEO_TS
  // folder) or of an information file in it, through the graph's file
  // rendering; there is no drive to fall back on when no path is given.
  HRESULT RenderDvdVideoVolume(const std::string& path, DWORD) override {
    if (path.empty()) return MEDIA_E_FILE_NOT_FOUND;
    std::string file = path;
    if (g_file_test(path.c_str(), G_FILE_TEST_IS_DIR)) {
      file.clear();
      for (const char* sub : {"VIDEO_TS.IFO", "VIDEO_TS/VIDEO_TS.IFO", "video_ts.ifo", "video_ts/video_ts.ifo"}) {
        gchar* f = g_build_filename(path.c_str(), sub, nullptr);
        if (file.empty() && g_file_test(f, G_FILE_TEST_IS_REGULAR)) file = f;
        g_free(f);
      }
      if (file.empty()) return MEDIA_E_FILE_NOT_FOUND;
    }
    ComPtr<IGraphBuilder> g;
    HRESULT hr = GetFiltergraph(g.Put());
    if (FAILED(hr)) return hr;
    return g->RenderFile(file, "");
  }
 private:
  ComPtr<IGraphBuilder> graph_;
  ComPtr<IUnknown> navigator_;
};

}  // namespace

void RegisterBuilderClasses() {
  RegisterMediaClassRaw(CLSID_CaptureGraphBuilder2,
                        [] { return static_cast<ICaptureGraphBuilder2*>(new TCaptureBuilder()); });
  RegisterMediaClassRaw(CLSID_DvdGraphBuilder, [] { return static_cast<IDvdGraphBuilder*>(new TDvdBuilder()); });
}
