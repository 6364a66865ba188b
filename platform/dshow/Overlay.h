#pragma once
// The overlay mixer of the media graph and what the video window needs around
// it: the colour-control record, the mixer's pin and exclusive-mode
// interfaces with their callback, the classes the window's overlay set-up
// looks for, drawing a renderer's frame into a canvas, and the desktop
// services of a video window (cursor, screen-saver inhibit).
//
// The mixer is a filter with input pins "Input0", ... and an "Output" pin; its
// colour stage is GStreamer's videobalance working in the format it receives
// (a decoder's YUV), before the renderer's conversion; at neutral values it
// passes buffers through untouched. The overlay surface is our own drawing:
// the video window draws the renderer's latest frame where it shows the
// colour key.
//
// Threads: the mixer calls its callback's OnUpdateSize on a streaming thread;
// every other call is made on the main thread.
#include "platform/dshow/DShow.h"

class TCanvas;
class TControl;
struct TRect;

// ---------------------------------------------------------------------------
// Classes

inline constexpr CLSID CLSID_OverlayMixer = MEDIA_GUID(14);
inline constexpr CLSID CLSID_OverlayMixer2 =
    MakeGUID(0xA0025E90, 0xE45B, 0x11D1, 0xAB, 0xE9, 0x00, 0xA0, 0xC9, 0x05, 0xF3, 0x75);
inline constexpr CLSID CLSID_VideoMixingRenderer = MEDIA_GUID(15);
inline constexpr CLSID CLSID_Line21Decoder = MEDIA_GUID(16);
inline constexpr CLSID CLSID_Line21Decoder2 =
    MakeGUID(0xE4206432, 0x01A1, 0x4BEE, 0xB3, 0xE1, 0x37, 0x02, 0xC8, 0xED, 0xC5, 0x74);

// ---------------------------------------------------------------------------
// Records

// Colour controls of an overlay surface (40 bytes, this layout).
#pragma pack(push, 4)
struct DDCOLORCONTROL {
  uint32_t dwSize = 40;
  uint32_t dwFlags = 0;
  int32_t lBrightness = 0, lContrast = 0, lHue = 0, lSaturation = 0, lSharpness = 0, lGamma = 0, lColorEnable = 0;
  uint32_t dwReserved1 = 0;
};
#pragma pack(pop)
static_assert(sizeof(DDCOLORCONTROL) == 40);

// The colour controls an overlay starts with, with Flags telling which of
// them it offers.
inline DDCOLORCONTROL DefaultColorControls(uint32_t Flags) {
  DDCOLORCONTROL c;
  c.dwFlags = Flags;
  c.lBrightness = 750;
  c.lContrast = 10000;
  c.lHue = 0;
  c.lSaturation = 10000;
  c.lSharpness = 5;
  c.lGamma = 1;
  c.lColorEnable = 1;
  return c;
}

enum : uint32_t {
  DDCOLOR_BRIGHTNESS = 1,
  DDCOLOR_CONTRAST = 2,
  DDCOLOR_HUE = 4,
  DDCOLOR_SATURATION = 8,
  DDCOLOR_SHARPNESS = 16,
  DDCOLOR_GAMMA = 32,
  DDCOLOR_COLORENABLE = 64,
};

struct DDCOLORKEY {
  uint32_t dwColorSpaceLowValue = 0;
  uint32_t dwColorSpaceHighValue = 0;
};

// The colour key record of a mixer pin (the key colour in its high value).
struct COLORKEY {
  uint32_t KeyType = 0;
  uint32_t PaletteIndex = 0;
  uint32_t LowColorValue = 0;
  uint32_t HighColorValue = 0;
};

enum AM_ASPECT_RATIO_MODE { AM_ARMODE_STRETCHED = 0, AM_ARMODE_LETTER_BOX = 1, AM_ARMODE_CROP = 2 };

// ---------------------------------------------------------------------------
// Interfaces

// An input pin of the mixer.
struct IMixerPinConfig2 : virtual IUnknown {
  static constexpr GUID IID = MEDIA_GUID(0x160);
  virtual HRESULT GetColorKey(COLORKEY* key, DWORD* colour) = 0;
  virtual HRESULT SetAspectRatioMode(AM_ASPECT_RATIO_MODE mode) = 0;
  virtual HRESULT GetAspectRatioMode(AM_ASPECT_RATIO_MODE* mode) = 0;
  // The mixer applies the controls it offers (its flags) and keeps the rest.
  virtual HRESULT SetOverlaySurfaceColorControls(const DDCOLORCONTROL* controls) = 0;
  // The current values, dwFlags telling which ones the mixer offers.
  virtual HRESULT GetOverlaySurfaceColorControls(DDCOLORCONTROL* controls) = 0;
};

struct IDDrawExclModeVideoCallback : virtual IUnknown {
  static constexpr GUID IID = MEDIA_GUID(0x161);
  virtual HRESULT OnUpdateOverlay(bool before, DWORD flags, bool oldVisible, const RECT32* oldSrc,
                                  const RECT32* oldDest, bool newVisible, const RECT32* newSrc,
                                  const RECT32* newDest) = 0;
  virtual HRESULT OnUpdateColorKey(const COLORKEY* key, DWORD colour) = 0;
  // The picture's size or aspect changed (streaming thread).
  virtual HRESULT OnUpdateSize(DWORD width, DWORD height, DWORD aspectX, DWORD aspectY) = 0;
};

// The mixer itself.
struct IDDrawExclModeVideo : virtual IUnknown {
  static constexpr GUID IID = MEDIA_GUID(0x162);
  // A null callback stops the notifications.
  virtual HRESULT SetCallbackInterface(IDDrawExclModeVideoCallback* callback, DWORD flags) = 0;
  // Width and height of the picture and its display aspect; zeros before
  // the first picture.
  virtual HRESULT GetNativeVideoProps(DWORD* width, DWORD* height, DWORD* aspectX, DWORD* aspectY) = 0;
};

// The mixer's colour key: red 16, green 0, blue 16.
inline constexpr uint32_t OverlayColorKey = 0x100010;

// ---------------------------------------------------------------------------
// Fakes for tests, made through the class registry (RegisterMediaClass):

enum class TOverlayFake {
  BusyMixer,          // a mixer whose every input pin is connected already
  MixerReadFails,     // a working mixer whose colour read fails
  MixerOtherFlags,    // a working mixer offering the controls in `flags`
  MixingRenderer,     // CLSID_VideoMixingRenderer: a video renderer with two inputs
  Line21Decoder,      // CLSID_Line21Decoder: one input, one output
  Line21Decoder2,     // CLSID_Line21Decoder2: one input, one output
};
TClassFactory OverlayFakeFactory(TOverlayFake kind, DWORD flags = 0);
// A filter of any class with plain input and output pins (a stand-in source
// or transform for wiring tests); nothing of it plays.
ComPtr<IBaseFilter> MakeStubFilter(const CLSID& clsid, int inputs, int outputs);

// Registers the mixer (called with the layer's other classes).
void RegisterOverlayClasses();

// ---------------------------------------------------------------------------
// Drawing and desktop services of a video window

// Draws rectangle `src` of the frame (nearest neighbour) scaled into `dest`
// of the canvas, clipped to `clip` (canvas coordinates).
void DrawVideoFrame(TCanvas* canvas, const TVideoFrame& frame, const TRect& src, const TRect& dest,
                    const TRect& clip);
// Shows or hides the mouse cursor over a control without touching its Cursor.
void SetControlCursorHidden(TControl* control, bool hidden);
// Sets the system cursor to where it is (a changed cursor shows at once).
void NudgeCursor();

// Keeps the desktop's screen saver off (org.freedesktop.ScreenSaver on the
// session bus) while held; without a bus or service it does nothing.
class TScreenSaverInhibit {
 public:
  TScreenSaverInhibit() = default;
  ~TScreenSaverInhibit() { Release(); }
  TScreenSaverInhibit(const TScreenSaverInhibit&) = delete;
  TScreenSaverInhibit& operator=(const TScreenSaverInhibit&) = delete;
  // True when the desktop took the request.
  bool Acquire(const std::string& application, const std::string& reason);
  void Release();
  bool Held() const { return cookie_ != 0; }
 private:
  uint32_t cookie_ = 0;
};
