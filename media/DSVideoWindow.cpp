#include "media/DSVideoWindow.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "toolkit/Forms.h"
#include "toolkit/SysUtils.h"

namespace {

constexpr int32_t WS_CHILD = 0x40000000, WS_VISIBLE = 0x10000000, WS_CLIPSIBLINGS = 0x04000000,
                  WS_CLIPCHILDREN = 0x02000000;

bool ClassIs(IBaseFilter* f, const CLSID& c) {
  CLSID id;
  return f && SUCCEEDED(f->GetClassID(&id)) && id == c;
}

PIN_DIRECTION DirOf(IPin* p) {
  PIN_DIRECTION d = PINDIR_OUTPUT;
  if (p) p->QueryDirection(&d);
  return d;
}

bool IsConnected(IPin* p) {
  ComPtr<IPin> other;
  return p && SUCCEEDED(p->ConnectedTo(other.Put())) && other;
}

ComPtr<IPin> FirstFreeInput(IBaseFilter* f) {
  TPinList pins(f);
  for (int i = 0; i < pins.Count(); ++i) {
    ComPtr<IPin> p = pins.Items(i);
    if (DirOf(p.Get()) == PINDIR_INPUT && !IsConnected(p.Get())) return p;
  }
  return nullptr;
}

ComPtr<IPin> FindPin(IBaseFilter* f, const std::string& name) {
  TPinList pins(f);
  for (int i = 0; i < pins.Count(); ++i) {
    PIN_INFO info;
    if (SUCCEEDED(pins.Items(i)->QueryPinInfo(&info)) && info.achName == name) return pins.Items(i);
  }
  return nullptr;
}

ComPtr<IPin> FirstPin(IBaseFilter* f) {
  TPinList pins(f);
  return pins.Count() > 0 ? pins.Items(0) : nullptr;
}

IBaseFilter* FilterOf(IPin* p) {
  PIN_INFO info;
  if (!p || FAILED(p->QueryPinInfo(&info))) return nullptr;
  return info.pFilter.Get();   // the filter lives in the graph meanwhile
}

ComPtr<IMixerPinConfig2> MixerPinConfig(IBaseFilter* mixer) {
  ComPtr<IPin> p = FirstPin(mixer);
  return QueryAs<IMixerPinConfig2>(p);
}

void RaiseRange(int v, const char* bounds) {
  throw Exception(FormatA("Value %d out of range. Value must bee between %s", v, bounds));
}

TDSVideoWindowEx2* g_idleOwner = nullptr;

}  // namespace

// ---------------------------------------------------------------------------
// TColorControl

TColorControl::TColorControl(TDSVideoWindowEx2* AOwner) : owner_(AOwner) {
  defaults_ = DefaultColorControls(0x7F);
  hold(defaults_);
}

void TColorControl::hold(const DDCOLORCONTROL& c) {
  brightness_ = c.lBrightness;
  contrast_ = c.lContrast;
  hue_ = c.lHue;
  saturation_ = c.lSaturation;
  sharpness_ = c.lSharpness;
  gamma_ = c.lGamma;
  colorEnable_ = c.lColorEnable != 0;
}

bool TColorControl::live() const {
  return owner_ && !owner_->designing() && owner_->filterGraph_ && owner_->filterGraph_->Active();
}

ComPtr<IMixerPinConfig2> TColorControl::overlayPin() const {
  if (!owner_ || !owner_->filterGraph_) return nullptr;
  ComPtr<IFilterGraph> graph = owner_->filterGraph_->Query<IFilterGraph>();
  TFilterList filters(graph.Get());
  ComPtr<IBaseFilter> mixer;
  for (int i = 0; i < filters.Count(); ++i) {
    ComPtr<IBaseFilter> f = filters.Items(i);
    if (ClassIs(f.Get(), CLSID_OverlayMixer) || ClassIs(f.Get(), CLSID_OverlayMixer2)) mixer = f;
  }
  if (!mixer) return nullptr;
  ComPtr<IEnumPins> pins;
  if (FAILED(mixer->EnumPins(pins.Put())) || !pins) return nullptr;
  IPin* p = nullptr;
  while (pins->Next(1, &p, nullptr) == S_OK) {
    ComPtr<IPin> pin = ComPtr<IPin>::Attach(p);
    PIN_DIRECTION d;
    if (FAILED(pin->QueryDirection(&d))) return nullptr;
    if (d != PINDIR_INPUT) continue;
    if (ComPtr<IMixerPinConfig2> cfg = QueryAs<IMixerPinConfig2>(pin)) return cfg;
  }
  return nullptr;
}

void TColorControl::ReadDefault() {
  if (!live()) return;
  ComPtr<IMixerPinConfig2> pin = overlayPin();
  if (!pin) return;
  DDCOLORCONTROL c{};
  c.dwSize = sizeof c;
  if (SUCCEEDED(pin->GetOverlaySurfaceColorControls(&c))) defaults_ = c;
}

void TColorControl::UpdateColorControls() {
  if (!live()) return;
  ComPtr<IMixerPinConfig2> pin = overlayPin();
  if (!pin) return;
  DDCOLORCONTROL c = Held();
  c.dwSize = sizeof c;
  c.dwFlags = 0x7F;
  pin->SetOverlaySurfaceColorControls(&c);
}

void TColorControl::GetColorControls() {
  if (!live()) return;
  ComPtr<IMixerPinConfig2> pin = overlayPin();
  if (!pin) return;
  DDCOLORCONTROL c{};
  c.dwSize = sizeof c;
  hold(SUCCEEDED(pin->GetOverlaySurfaceColorControls(&c)) ? c : DefaultColorControls(0x7F));
}

DDCOLORCONTROL TColorControl::Held() const {
  DDCOLORCONTROL c = defaults_;
  c.lBrightness = brightness_;
  c.lContrast = contrast_;
  c.lHue = hue_;
  c.lSaturation = saturation_;
  c.lSharpness = sharpness_;
  c.lGamma = gamma_;
  c.lColorEnable = colorEnable_ ? 1 : 0;
  return c;
}

void TColorControl::RestoreDefault() {
  hold(defaults_);
  if (live()) UpdateColorControls();
}

void TColorControl::afterSet() {
  if (live()) UpdateColorControls();
}

#define COLOR_PROPERTY(Name, field, lo, hi, bounds)  \
  int TColorControl::Name() {                         \
    if (live()) GetColorControls();                   \
    return field;                                     \
  }                                                   \
  void TColorControl::Set##Name(int v) {              \
    if (v < (lo) || v > (hi)) RaiseRange(v, bounds);  \
    field = v;                                        \
    afterSet();                                       \
  }

COLOR_PROPERTY(Brightness, brightness_, 0, 10000, "0 -> 10.000")
COLOR_PROPERTY(Contrast, contrast_, 0, 20000, "0 -> 20.000")
COLOR_PROPERTY(Hue, hue_, -180, 180, "-180 -> 180")
COLOR_PROPERTY(Saturation, saturation_, 0, 20000, "0 -> 20.000")
COLOR_PROPERTY(Sharpness, sharpness_, 0, 10, "0 -> 10")
COLOR_PROPERTY(Gamma, gamma_, 1, 500, "1 -> 500")
#undef COLOR_PROPERTY

bool TColorControl::ColorEnable() {
  if (live()) GetColorControls();
  return colorEnable_;
}

void TColorControl::SetColorEnable(bool v) {
  colorEnable_ = v;
  afterSet();
}

// ---------------------------------------------------------------------------
// TDSVideoWindowEx2Caps

bool TDSVideoWindowEx2Caps::CanOverlayGraphic() const { return owner_ && owner_->mixer_; }

bool TDSVideoWindowEx2Caps::flag(uint32_t bit) const {
  if (!owner_ || !owner_->colorControl_) return false;
  return (owner_->colorControl_->Defaults().dwFlags & bit) != 0;
}

// ---------------------------------------------------------------------------
// TOverlayCallback

HRESULT TOverlayCallback::QueryInterface(const GUID& iid, void** out) {
  if (AnswerInterface<IUnknown>(static_cast<IDDrawExclModeVideoCallback*>(this), iid, out) ||
      AnswerInterface<IDDrawExclModeVideoCallback>(this, iid, out))
    return S_OK;
  *out = nullptr;
  return E_NOINTERFACE;
}

void TOverlayCallback::onMain(std::function<void()> f) {
  if (TThread::IsMainThread()) {
    DispatchEvent(f);
    return;
  }
  // Kept alive until the call ran; it checks its window there.
  ComPtr<TOverlayCallback> keep(this);
  TThread::Queue([keep, f] { DispatchEvent(f); });
}

HRESULT TOverlayCallback::OnUpdateColorKey(const COLORKEY* key, DWORD) {
  const uint32_t high = key ? key->HighColorValue : OverlayColorKey;
  onMain([this, high] {
    TDSVideoWindowEx2* w = owner_.load();
    if (!w) return;
    w->colorKey_ = TColor(high);
    if (w->OnColorKeyChanged) w->OnColorKeyChanged(this);
  });
  return S_OK;
}

HRESULT TOverlayCallback::OnUpdateSize(DWORD, DWORD, DWORD, DWORD) {
  onMain([this] {
    TDSVideoWindowEx2* w = owner_.load();
    if (!w) return;
    w->updateVideoRect();
    w->Invalidate();   // the colour-key paint, in the paint event
  });
  return S_OK;
}

// ---------------------------------------------------------------------------
// TDSVideoWindowEx2: life, graph

TDSVideoWindowEx2::TDSVideoWindowEx2(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle({csAcceptsControls, csCaptureMouse, csClickEvents, csDoubleClicks});
  SetTabStop(true);
  SetBounds(Left(), Top(), 320, 240);
  SetColor(clBlack);
  // The paint sets every pixel, straight onto the window's surface: nothing
  // is erased below it and no picture of its own is copied there after.
  SetPaintsDirect(true);
  colorKey_ = TColor(OverlayColorKey);
  fullScreen_ = false;
  savedStyle_ = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  colorControl_ = std::make_unique<TColorControl>(this);
  caps_ = std::make_unique<TDSVideoWindowEx2Caps>(this);
  SetAspectRatio(rmLetterBox);
  SetDigitalZoom(0);
  overlayOK_ = false;
  noScreenSaver_ = false;
  autoHideCursor_ = 0;
  if (!designing()) {
    setupTried_ = false;
    // The window created last owns the application's idle pass.
    if (Application) {
      g_idleOwner = this;
      Application->OnIdle = [this](TObject* s, bool& done) { IdleHandler(s, done); };
    }
  }
}

TDSVideoWindowEx2::~TDSVideoWindowEx2() {
  if (exclusive_) exclusive_->SetCallbackInterface(nullptr, 0);
  dropCallback();
  mixer_.Reset();
  SetFilterGraph(nullptr);
  if (g_idleOwner == this) {
    g_idleOwner = nullptr;
    if (Application) Application->OnIdle = nullptr;
  }
  listenTo(nullptr);
  videoWindow_.Reset();
  graphRenderer_.Reset();
  renderer_.Reset();
  exclusive_.Reset();
  inhibit_.Release();
  caps_.reset();
  colorControl_.reset();
}

void TDSVideoWindowEx2::Loaded() {
  TCustomControl::Loaded();
  savedStyle_ = WS_CHILD | (Visible() ? WS_VISIBLE : 0) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  savedStyleEx_ = 0;
}

void TDSVideoWindowEx2::SetFilterGraph(TFilterGraph* g) {
  if (g == filterGraph_) return;
  if (filterGraph_) {
    filterGraph_->RemoveFilter(this);
    filterGraph_->RemoveEventNotifier(this);
    filterGraph_->RemoveFreeNotification(this);
  }
  if (g) {
    g->InsertFilter(this);
    g->InsertEventNotifier(this);
    g->FreeNotification(this);
  }
  filterGraph_ = g;
}

void TDSVideoWindowEx2::Notification(TComponent* AComponent, bool removing) {
  TCustomControl::Notification(AComponent, removing);
  if (removing && AComponent == filterGraph_) filterGraph_ = nullptr;
}

HRESULT TDSVideoWindowEx2::QueryInterface(const GUID& iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid == IUnknown::IID || iid == IFilterProvider::IID) {
    *out = static_cast<IFilterProvider*>(this);
    return S_OK;
  }
  if (iid == IGraphListener::IID) {
    *out = static_cast<IGraphListener*>(this);
    return S_OK;
  }
  if (iid == ISpareFilterProvider::IID) {
    *out = static_cast<ISpareFilterProvider*>(this);
    return S_OK;
  }
  if (renderer_) return renderer_->QueryInterface(iid, out);
  return E_NOINTERFACE;
}

void TDSVideoWindowEx2::dropCallback() {
  if (callback_) callback_->Detach();
  callback_.Reset();
}

void TDSVideoWindowEx2::listenTo(IUnknown* source) {
  if (listened_) listened_->SetFrameListener(nullptr);
  listened_ = QueryAs<IVideoFrameSource>(source);
  if (listened_)
    listened_->SetFrameListener([this] {
      if (Showing()) Invalidate();
      TVideoFrame frame;
      if (OnLastFrame && listened_ && listened_->LatestFrame(frame) && frame.Last) OnLastFrame(this);
    });
}

void TDSVideoWindowEx2::NotifyFilter(TFilterNotice Operation, int) {
  switch (Operation) {
    case fnAdding:
      setupTried_ = false;
      renderer_.Reset();
      CreateMediaObject(CLSID_VideoRenderer, renderer_);
      break;
    case fnAdded:
      videoWindow_ = QueryAs<IVideoWindow>(renderer_);
      listenTo(renderer_.Get());
      break;
    case fnRemoving:
      if (mixer_) {
        colorControl_->RestoreDefault();
        if (renderer_) renderer_->Stop();
        TPinList pins(mixer_.Get());
        for (int i = 0; i < pins.Count(); ++i) pins.Items(i)->Disconnect();
      }
      if (renderer_) {
        renderer_->Stop();
        TPinList pins(renderer_.Get());
        for (int i = 0; i < pins.Count(); ++i) pins.Items(i)->Disconnect();
      }
      if (exclusive_) exclusive_->SetCallbackInterface(nullptr, 0);
      dropCallback();
      break;
    case fnRemoved:
      forgetFilters();
      overlayVisible_ = false;
      Invalidate();
      break;
  }
}

// Lets go of the filters of the graph it was in (their graph owns them).
void TDSVideoWindowEx2::forgetFilters() {
  setupTried_ = false;
  listenTo(nullptr);
  exclusive_.Reset();
  mixer_.Reset();
  graphRenderer_.Reset();
  videoWindow_.Reset();
  renderer_.Reset();
  overlayOK_ = false;
}

bool TDSVideoWindowEx2::PrepareSpare(IFilterGraph* Graph) {
  DropSpare();
  if (designing() || !Graph) return false;
  ComPtr<IBaseFilter> r;
  CreateMediaObject(CLSID_VideoRenderer, r);
  if (!r || FAILED(Graph->AddFilter(r.Get(), GetFilterName()))) return false;
  spareRenderer_ = r;
  // The overlay route is made before the render, so that the first frame
  // comes through the mixer (at its own values) and nothing is relinked
  // when the graph plays. Without it the overlay is set up after the change
  // as after any render.
  ComPtr<IBaseFilter> m;
  CreateMediaObject(CLSID_OverlayMixer, m);
  ComPtr<IGraphBuilder> gb = QueryAs<IGraphBuilder>(Graph);
  if (m && gb && SUCCEEDED(Graph->AddFilter(m.Get(), "Overlay Mixer"))) {
    ComPtr<IPin> out = FindPin(m.Get(), "Output"), in = FirstPin(r.Get());
    if (out && in && SUCCEEDED(gb->Connect(out.Get(), in.Get()))) spareMixer_ = m;
    else Graph->RemoveFilter(m.Get());
  }
  return true;
}

bool TDSVideoWindowEx2::SpareValid() {
  if (!spareRenderer_) return false;
  if (!spareMixer_) return true;
  // The first frame went through the new mixer at its own values: they must
  // be the ones the change gives it (the defaults after an overlay, as a
  // deactivation restores them, else the values held).
  ComPtr<IMixerPinConfig2> pin = MixerPinConfig(spareMixer_.Get());
  DDCOLORCONTROL have{};
  have.dwSize = sizeof have;
  if (!pin || FAILED(pin->GetOverlaySurfaceColorControls(&have))) return false;
  const DDCOLORCONTROL want = mixer_ ? colorControl_->Defaults() : colorControl_->Held();
  const DWORD f = have.dwFlags;
  return (!(f & DDCOLOR_BRIGHTNESS) || have.lBrightness == want.lBrightness) &&
         (!(f & DDCOLOR_CONTRAST) || have.lContrast == want.lContrast) &&
         (!(f & DDCOLOR_HUE) || have.lHue == want.lHue) &&
         (!(f & DDCOLOR_SATURATION) || have.lSaturation == want.lSaturation) &&
         (!(f & DDCOLOR_SHARPNESS) || have.lSharpness == want.lSharpness) &&
         (!(f & DDCOLOR_GAMMA) || have.lGamma == want.lGamma) &&
         (!(f & DDCOLOR_COLORENABLE) || (have.lColorEnable != 0) == (want.lColorEnable != 0));
}

void TDSVideoWindowEx2::LeaveForSpare() {
  // As the filter's removal, without stopping or unlinking anything in the
  // old graph; the frame on the screen stays until the next paint.
  if (mixer_) colorControl_->RestoreDefault();
  if (exclusive_) exclusive_->SetCallbackInterface(nullptr, 0);
  dropCallback();
  forgetFilters();
  overlayHiddenBySpare_ = overlayVisible_;
  overlayVisible_ = false;
}

void TDSVideoWindowEx2::TakeSpare() {
  renderer_ = std::move(spareRenderer_);
  spareRenderer_.Reset();
  spareMixer_.Reset();
  setupTried_ = false;
  videoWindow_ = QueryAs<IVideoWindow>(renderer_);
  listenTo(renderer_.Get());
}

void TDSVideoWindowEx2::SpareTaken() {
  // The overlay was hidden as a stop hides it.
  if (std::exchange(overlayHiddenBySpare_, false) && OnOverlayVisible) OnOverlayVisible(this, false);
}

void TDSVideoWindowEx2::DropSpare() {
  spareRenderer_.Reset();
  spareMixer_.Reset();
}

void TDSVideoWindowEx2::ControlEvent(TControlNotice Operation, int) {
  auto setUp = [this] {
    overlayOK_ = SUCCEEDED(setupOverlay());
    if (overlayOK_) {
      colorControl_->ReadDefault();
      colorControl_->UpdateColorControls();
    }
    attachVideoWindow();
  };
  switch (Operation) {
    case cnPlay:
    case cnPause:
      if (!setupTried_) setUp();
      if (overlayOK_ && !overlayVisible_) {
        overlayVisible_ = true;
        if (OnOverlayVisible) OnOverlayVisible(this, true);
        Repaint();
      }
      break;
    case cnStop:
      if (!setupTried_) setUp();
      if (overlayOK_ && overlayVisible_) {
        overlayVisible_ = false;
        Repaint();
        if (OnOverlayVisible) OnOverlayVisible(this, false);
      }
      break;
    case cnRenderEnd:
      setUp();
      break;
    default:
      break;
  }
}

void TDSVideoWindowEx2::GraphEvent(int Event, LONG_PTR, LONG_PTR) {
  switch (Event) {
    case EC_PALETTE_CHANGED:
      attachVideoWindow();
      break;
    case EC_CLOCK_CHANGED:
      if (overlayOK_) placeRendererWindow();
      SetDigitalZoom(digitalZoom_);
      SetAspectRatio(aspectRatio_);
      if (overlayOK_) Invalidate();
      break;
    default:
      break;
  }
}

void TDSVideoWindowEx2::attachVideoWindow() {
  if (!videoWindow_) return;
  videoWindow_->put_Owner(intptr_t(static_cast<TControl*>(Parent())));
  videoWindow_->put_WindowStyle(savedStyle_ | WS_CHILD | WS_CLIPSIBLINGS);
  videoWindow_->put_WindowStyleEx(savedStyleEx_);
  videoWindow_->SetWindowPosition(Left(), Top(), Width(), Height());
  if (!Name().empty()) videoWindow_->put_Caption(Name());
  videoWindow_->put_MessageDrain(intptr_t(static_cast<TControl*>(this)));
  // Pending messages are not processed here: a queued notification could
  // rebuild or free the graph under the caller (Play).
  videoWindow_->put_AutoShow(-1);
  Invalidate();
}

void TDSVideoWindowEx2::placeRendererWindow() {
  // The renderer's window: among the parent's child windows by class and
  // caption, else among the top-level ones. Its place in the z-order is
  // just above this control, which is where the window draws its frames.
  rendererWindow_ = 0;
  if (filterGraph_) {
    const intptr_t parent = intptr_t(static_cast<TControl*>(Parent()));
    TFilterList filters(filterGraph_->Query<IFilterGraph>().Get());
    for (intptr_t owner : {parent, intptr_t(0)}) {
      for (int i = 0; i < filters.Count() && !rendererWindow_; ++i) {
        ComPtr<IBaseFilter> f = filters.Items(i);
        if (!ClassIs(f.Get(), CLSID_VideoRenderer) && !ClassIs(f.Get(), CLSID_VideoMixingRenderer)) continue;
        ComPtr<IVideoWindow> vw = QueryAs<IVideoWindow>(f);
        intptr_t o = 0;
        std::string caption;
        if (vw && SUCCEEDED(vw->get_Owner(&o)) && SUCCEEDED(vw->get_Caption(&caption)) && o == owner &&
            caption == Name())
          rendererWindow_ = intptr_t(f.Get());
      }
      if (rendererWindow_) break;
    }
  }
  if (ComPtr<IMixerPinConfig2> pin = MixerPinConfig(mixer_.Get())) {
    COLORKEY key;
    DWORD colour = 0;
    if (SUCCEEDED(pin->GetColorKey(&key, &colour))) {
      colorKey_ = TColor(key.HighColorValue);
      if (OnColorKeyChanged) OnColorKeyChanged(this);
    }
  }
}

// ---------------------------------------------------------------------------
// The overlay set-up

HRESULT TDSVideoWindowEx2::setupOverlay() {
  // One try only: what an earlier try found is forgotten.
  setupTried_ = true;
  mixer_.Reset();
  graphRenderer_.Reset();
  std::vector<TUndo> undo;
  if (!filterGraph_) return E_FAIL;
  // The graph's overlay mixer, mixing renderer and plain renderer.
  ComPtr<IFilterGraph> graph = filterGraph_->Query<IFilterGraph>();
  ComPtr<IBaseFilter> vmr;
  {
    TFilterList filters(graph.Get());
    for (int i = 0; i < filters.Count(); ++i) {
      ComPtr<IBaseFilter> f = filters.Items(i);
      if (ClassIs(f.Get(), CLSID_OverlayMixer)) mixer_ = f;
      else if (ClassIs(f.Get(), CLSID_VideoMixingRenderer)) vmr = f;
      else if (ClassIs(f.Get(), CLSID_VideoRenderer)) graphRenderer_ = f;
    }
  }
  // Changes are undone in reverse order when a later one fails.
  ComPtr<IGraphBuilder> gb = filterGraph_->Query<IGraphBuilder>();
  if (!gb) return E_NOINTERFACE;
  ComPtr<IBaseFilter> replacedLine21, newLine21;
  HRESULT hr = E_FAIL;
  auto fail = [&](HRESULT code) {
    // Rollback.
    dropCallback();
    for (auto it = undo.rbegin(); it != undo.rend(); ++it) {
      if (it->made) {
        it->a->Disconnect();
        it->b->Disconnect();
      } else {
        gb->Connect(it->a.Get(), it->b.Get());
      }
    }
    if (newLine21) gb->RemoveFilter(newLine21.Get());
    if (mixer_) {
      HRESULT r = gb->RemoveFilter(mixer_.Get());
      if (FAILED(r)) return r;
    }
    mixer_.Reset();
    if (vmr) {
      if (ComPtr<IBaseFilter> own = QueryAs<IBaseFilter>(videoWindow_)) gb->RemoveFilter(own.Get());
      videoWindow_.Reset();
      graphRenderer_ = vmr;
      videoWindow_ = QueryAs<IVideoWindow>(vmr);
      listenTo(vmr.Get());
    }
    return code;
  };
  if (mixer_) {
    // A mixer in the graph already: wired to the renderer and fed?
    bool toRenderer = false, fed = false;
    TPinList pins(mixer_.Get());
    for (int i = 0; i < pins.Count(); ++i) {
      ComPtr<IPin> p = pins.Items(i), other;
      if (FAILED(p->ConnectedTo(other.Put())) || !other) continue;
      if (DirOf(p.Get()) == PINDIR_INPUT) fed = true;
      else if (graphRenderer_ && SameObject(FilterOf(other.Get()), graphRenderer_.Get())) toRenderer = true;
    }
    if (!(toRenderer && fed)) return E_FAIL;
  } else {
    // A new mixer.
    ComPtr<IBaseFilter> m;
    hr = CreateMediaObject(CLSID_OverlayMixer, m);
    if (FAILED(hr)) return hr;
    hr = gb->AddFilter(m.Get(), "Overlay Mixer");
    if (FAILED(hr)) return hr;
    mixer_ = m;
    if (!graphRenderer_) return E_FAIL;
    ComPtr<IPin> rendererPin = FirstPin(graphRenderer_.Get());
    if (!rendererPin || DirOf(rendererPin.Get()) != PINDIR_INPUT) return E_FAIL;
    if (!vmr) {
      // Upstream → mixer instead of upstream → renderer.
      ComPtr<IPin> up;
      if (FAILED(rendererPin->ConnectedTo(up.Put())) || !up) return fail(E_FAIL);
      rendererPin->Disconnect();
      up->Disconnect();
      undo.push_back({up, rendererPin, false});
      ComPtr<IPin> free = FirstFreeInput(mixer_.Get());
      if (!free) return fail(E_FAIL);
      hr = gb->Connect(up.Get(), free.Get());
      if (FAILED(hr)) return fail(hr);
      undo.push_back({up, free, true});
    } else {
      // Every input of the mixing renderer moves to the mixer.
      std::vector<ComPtr<IPin>> ups;
      TPinList pins(vmr.Get());
      for (int i = 0; i < pins.Count(); ++i) {
        ComPtr<IPin> p = pins.Items(i), up;
        if (FAILED(p->ConnectedTo(up.Put())) || !up) break;
        up->Disconnect();
        p->Disconnect();
        undo.push_back({up, p, false});
        ups.push_back(up);
      }
      for (auto& up : ups) {
        ComPtr<IPin> free = FirstFreeInput(mixer_.Get());
        if (!free) return fail(E_FAIL);
        IBaseFilter* owner = FilterOf(up.Get());
        if (ClassIs(owner, CLSID_Line21Decoder2)) {
          replacedLine21 = owner;
          ComPtr<IPin> decIn = FirstPin(owner), source;
          if (!decIn || FAILED(decIn->ConnectedTo(source.Put())) || !source) return fail(E_FAIL);
          source->Disconnect();
          decIn->Disconnect();
          undo.push_back({source, decIn, false});
          hr = CreateMediaObject(CLSID_Line21Decoder, newLine21);
          if (FAILED(hr)) return fail(hr);
          hr = gb->AddFilter(newLine21.Get(), "Line21 Decoder");
          if (FAILED(hr)) {
            newLine21.Reset();
            return fail(hr);
          }
          ComPtr<IPin> l21In, l21Out;
          TPinList l21(newLine21.Get());
          for (int k = 0; k < l21.Count(); ++k) {
            ComPtr<IPin> p = l21.Items(k);
            if (DirOf(p.Get()) == PINDIR_INPUT && !l21In) l21In = p;
            if (DirOf(p.Get()) == PINDIR_OUTPUT && !l21Out) l21Out = p;
          }
          if (!l21In || !l21Out) return fail(E_FAIL);
          hr = gb->Connect(source.Get(), l21In.Get());
          if (FAILED(hr)) return fail(hr);
          undo.push_back({source, l21In, true});
          hr = gb->Connect(l21Out.Get(), free.Get());
          if (FAILED(hr)) return fail(hr);
          undo.push_back({l21Out, free, true});
        } else {
          hr = gb->Connect(up.Get(), free.Get());
          if (FAILED(hr)) return fail(hr);
          undo.push_back({up, free, true});
        }
      }
    }
    // Mixer → renderer.
    ComPtr<IPin> out = FindPin(mixer_.Get(), "Output");
    if (!out) return fail(E_FAIL);
    hr = gb->Connect(out.Get(), rendererPin.Get());
    if (FAILED(hr)) return fail(hr);
    undo.push_back({out, rendererPin, true});
  }
  // The exclusive-mode interface and its callback.
  ComPtr<IDDrawExclModeVideo> excl = QueryAs<IDDrawExclModeVideo>(mixer_);
  if (!excl) return fail(E_NOINTERFACE);
  dropCallback();
  callback_ = ComPtr<TOverlayCallback>(new TOverlayCallback(this));
  hr = excl->SetCallbackInterface(callback_.Get(), 0);
  if (FAILED(hr)) return fail(hr);
  exclusive_ = excl;
  if (replacedLine21) gb->RemoveFilter(replacedLine21.Get());
  if (vmr) gb->RemoveFilter(vmr.Get());
  return S_OK;
}

// ---------------------------------------------------------------------------
// Picture, zoom, aspect

HRESULT TDSVideoWindowEx2::updateVideoRect() {
  if (!videoWindow_ || !renderer_ || !exclusive_ || !graphRenderer_ || !mixer_) return E_FAIL;
  if (aspectRatio_ == rmLetterBox) {
    DWORD w = 0, h = 0, ax = 0, ay = 0;
    exclusive_->GetNativeVideoProps(&w, &h, &ax, &ay);
    // No picture yet (or sound only): the whole client area.
    videoRect_ = FitRectKeepingAspect(ClientRect(), Rect(0, 0, int(ax), int(ay)));
  } else {
    videoRect_ = ClientRect();
  }
  return S_OK;
}

// Where the latest frame lands in Area (Dest, from the frame's Src part):
// false when there is no frame to draw.
bool TDSVideoWindowEx2::placeFrame(const TRect& area, bool byMixerMode, TVideoFrame& frame, TRect& src, TRect& dest) {
  ComPtr<IVideoFrameSource> source = listened_;
  if (!source || !source->LatestFrame(frame) || !frame.Bits || frame.Width <= 0 || frame.Height <= 0) return false;
  TRect s = Rect(0, 0, frame.Width, frame.Height);
  ComPtr<IBasicVideo2> bv =
      overlayOK_ ? QueryAs<IBasicVideo2>(graphRenderer_) : QueryAs<IBasicVideo2>(videoWindow_);
  int32_t l, t, w, h;
  if (bv && SUCCEEDED(bv->GetSourcePosition(&l, &t, &w, &h)) && w > 0 && h > 0) s = Bounds(l, t, w, h);
  dest = area;
  AM_ASPECT_RATIO_MODE mode = AM_ARMODE_STRETCHED;
  if (byMixerMode)
    if (ComPtr<IMixerPinConfig2> pin = MixerPinConfig(mixer_.Get())) pin->GetAspectRatioMode(&mode);
  if (mode != AM_ARMODE_STRETCHED && exclusive_) {
    // The source's shape on the display (the picture's pixel aspect).
    DWORD nw = 0, nh = 0, ax = 0, ay = 0;
    exclusive_->GetNativeVideoProps(&nw, &nh, &ax, &ay);
    double par = (nw && nh && ax && ay) ? (double(ax) * nh) / (double(ay) * nw) : 1.0;
    const double sw = s.Width() * par, sh = s.Height();
    const double fx = area.Width() / sw, fy = area.Height() / sh;
    const double f = mode == AM_ARMODE_CROP ? std::max(fx, fy) : std::min(fx, fy);
    const int dw = int(std::lround(sw * f)), dh = int(std::lround(sh * f));
    dest = Bounds(area.Left + (area.Width() - dw) / 2, area.Top + (area.Height() - dh) / 2, dw, dh);
  }
  // Only the part of the source inside the frame is drawn.
  src = Rect(std::max(0, s.Left), std::max(0, s.Top), std::min(frame.Width, s.Right), std::min(frame.Height, s.Bottom));
  return src.Width() > 0 && src.Height() > 0 && dest.Width() > 0 && dest.Height() > 0;
}

namespace {
// Fills Outer but for Inner: the bands around it.
void fillAround(TCanvas* c, const TRect& outer, const TRect& inner) {
  const TRect in = Rect(std::max(outer.Left, inner.Left), std::max(outer.Top, inner.Top),
                        std::min(outer.Right, inner.Right), std::min(outer.Bottom, inner.Bottom));
  if (in.Width() <= 0 || in.Height() <= 0) {
    c->FillRect(outer);
    return;
  }
  for (const TRect& band : {Rect(outer.Left, outer.Top, outer.Right, in.Top), Rect(outer.Left, in.Bottom, outer.Right, outer.Bottom),
                            Rect(outer.Left, in.Top, in.Left, in.Bottom), Rect(in.Right, in.Top, outer.Right, in.Bottom)})
    if (band.Width() > 0 && band.Height() > 0) c->FillRect(band);
}
}  // namespace

// Each pixel is written once: the control's colour around the key's area,
// the key around the frame, the frame.
void TVideoStill::DrawTo(TCanvas* c, int X, int Y) const {
  const auto at = [X, Y](TRect r) {
    r.Offset(X, Y);
    return r;
  };
  c->Brush()->SetColor(Back);
  fillAround(c, at(Client), at(Area));
  c->Brush()->SetColor(AreaColour);
  if (HasFrame) {
    fillAround(c, at(Area), at(Dest));
    DrawVideoFrame(c, Frame, Src, at(Dest), at(Area));
  } else {
    c->FillRect(at(Area));
  }
}

bool TVideoStill::SameAs(const TVideoStill& o) const {
  return Client == o.Client && Back == o.Back && Area == o.Area && AreaColour == o.AreaColour &&
         HasFrame == o.HasFrame && Src == o.Src && Dest == o.Dest && Frame.Keep == o.Frame.Keep &&
         Frame.Bits == o.Frame.Bits && Frame.Width == o.Frame.Width && Frame.Height == o.Frame.Height &&
         Frame.Stride == o.Frame.Stride;
}

TVideoStill TDSVideoWindowEx2::Still() {
  TVideoStill s;
  s.Client = ClientRect();
  s.Back = Color();
  s.Area = s.Client;
  s.AreaColour = s.Back;
  if (designing()) return s;
  if (SUCCEEDED(updateVideoRect()) && overlayVisible_) {
    // The overlay: the latest frame in the key's area (the key shows until
    // the first frame).
    s.Area = videoRect_;
    s.AreaColour = colorKey_;
    s.HasFrame = placeFrame(videoRect_, true, s.Frame, s.Src, s.Dest);
  } else if (!overlayOK_ && videoWindow_) {
    // The renderer's own window over the control: the frame stretched.
    s.HasFrame = placeFrame(s.Client, false, s.Frame, s.Src, s.Dest);
  }
  if (!s.HasFrame) s.Frame = TVideoFrame();
  return s;
}

void TDSVideoWindowEx2::colorKeyPaint() {
  if (Destroying()) return;
  TCanvas* c = Canvas();
  if (!c || (!c->Image() && !c->Painter())) return;
  Still().DrawTo(c, 0, 0);
  if (OnPaint) OnPaint(this);
}


void TDSVideoWindowEx2::Paint() {
  TCustomControl::Paint();
  colorKeyPaint();
  if (noScreenSaver_ && !inhibitTried_) updateInhibit();
}

void TDSVideoWindowEx2::Resize() {
  // OnResize does not fire: the renderer's window follows the control.
  if (videoWindow_) videoWindow_->SetWindowPosition(Left(), Top(), Width(), Height());
  Invalidate();
}

void TDSVideoWindowEx2::SetDigitalZoom(int v) {
  if (v < 0 || v > 99) RaiseRange(v, "0 -> 99");
  if (!designing() && graphRenderer_) {
    if (ComPtr<IBasicVideo2> bv = QueryAs<IBasicVideo2>(graphRenderer_)) {
      bv->SetDefaultSourcePosition();
      int32_t l = 0, t = 0, w = 0, h = 0;
      bv->GetSourcePosition(&l, &t, &w, &h);
      // A zero source (no picture yet) only stores the value.
      if (w > 0 && h > 0) {
        const double W = w, H = h;
        const double ratio = H / W;
        const double nw = W - (v * W) / 100.0;
        const double nh = nw * ratio;
        const double left = (W - nw) / 2.0, top = (H - nh) / 2.0;
        bv->SetSourcePosition(int32_t(std::lround(left)), int32_t(std::lround(top)),
                              std::max<int32_t>(1, int32_t(std::lround(nw))),
                              std::max<int32_t>(1, int32_t(std::lround(nh))));
      }
    }
  }
  digitalZoom_ = v;
  Invalidate();
}

void TDSVideoWindowEx2::SetAspectRatio(TRatioModes v) {
  if (!designing() && graphRenderer_ && mixer_) {
    ComPtr<IMixerPinConfig2> pin = MixerPinConfig(mixer_.Get());
    if (pin && SUCCEEDED(pin->SetAspectRatioMode(AM_ASPECT_RATIO_MODE(int(v))))) aspectRatio_ = v;
    if (overlayOK_) Invalidate();
  } else {
    aspectRatio_ = v;
  }
}

// ---------------------------------------------------------------------------
// Screen saver

void TDSVideoWindowEx2::updateInhibit() {
  const bool want = noScreenSaver_ && !designing() && Showing();
  if (!want) {
    inhibit_.Release();
    inhibitTried_ = false;
    return;
  }
  if (inhibit_.Held() || inhibitTried_) return;
  inhibitTried_ = true;
  inhibit_.Acquire(Application ? Application->Title() : String("video"), "Video is shown");
}

void TDSVideoWindowEx2::SetNoScreenSaver(bool v) {
  if (v == noScreenSaver_) return;
  noScreenSaver_ = v;
  inhibitTried_ = false;
  updateInhibit();
}

void TDSVideoWindowEx2::SetVisible(bool v) {
  TCustomControl::SetVisible(v);
  inhibitTried_ = false;
  if (noScreenSaver_) updateInhibit();
}

void TDSVideoWindowEx2::SetParent(TWinControl* p) {
  TCustomControl::SetParent(p);
  // The renderer's window follows its new owner.
  if (videoWindow_) {
    videoWindow_->put_Owner(intptr_t(static_cast<TControl*>(Parent())));
    videoWindow_->SetWindowPosition(Left(), Top(), Width(), Height());
  }
  inhibitTried_ = false;
  if (noScreenSaver_) updateInhibit();
}

// ---------------------------------------------------------------------------
// Cursor

void TDSVideoWindowEx2::showCursorStep() {
  if (!overlayOK_) {
    int32_t hidden = 0;
    if (SUCCEEDED(videoWindow_->IsCursorHidden(&hidden)) && hidden) {
      videoWindow_->HideCursor(0);
      SetControlCursorHidden(this, false);
      rendererCursorHidden_ = false;
      if (OnCursorShowHide) OnCursorShowHide(this, true);
    }
  } else if (Cursor() == crNone) {
    SetCursor(savedCursor_);
    if (OnCursorShowHide) OnCursorShowHide(this, true);
  }
}

void TDSVideoWindowEx2::mouseButtonActivity(int x, int y) {
  if (!videoWindow_) return;
  const bool hidden = overlayOK_ ? Cursor() == crNone : rendererCursorHidden_;
  if (hidden) {
    lastMouseX_ = x;
    lastMouseY_ = y;
    lastActivity_ = GetTickCount64();
  }
  showCursorStep();
}

void TDSVideoWindowEx2::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  mouseButtonActivity(x, y);
  TCustomControl::MouseDown(b, s, x, y);
}

void TDSVideoWindowEx2::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  mouseButtonActivity(x, y);
  TCustomControl::MouseUp(b, s, x, y);
}

void TDSVideoWindowEx2::MouseMove(TShiftState s, int x, int y) {
  if (x != lastMouseX_ || y != lastMouseY_) {
    lastMouseX_ = x;
    lastMouseY_ = y;
    lastActivity_ = GetTickCount64();
    if (videoWindow_) showCursorStep();
  }
  TCustomControl::MouseMove(s, x, y);
}

void TDSVideoWindowEx2::IdleHandler(TObject*, bool& Done) {
  Done = true;
  if (autoHideCursor_ == 0 || designing() || !videoWindow_) return;
  if (GetTickCount64() - lastActivity_ < autoHideCursor_) return;
  if (overlayOK_) {
    if (Cursor() != crNone) {
      savedCursor_ = Cursor();
      SetCursor(crNone);
      NudgeCursor();
      if (OnCursorShowHide) OnCursorShowHide(this, false);
    }
  } else {
    int32_t hidden = 0;
    if (SUCCEEDED(videoWindow_->IsCursorHidden(&hidden)) && !hidden) {
      videoWindow_->HideCursor(1);
      SetControlCursorHidden(this, true);
      rendererCursorHidden_ = true;
      NudgeCursor();
      if (OnCursorShowHide) OnCursorShowHide(this, false);
    }
  }
}

