#pragma once
// The hosted Flash player control: a windowed control that plays a movie
// through a player object and hands its mouse messages to that player.
//
// The player is an interface. With the browser engine built the control's
// player is the web player (platform/flash/FlashPlayerWeb.cpp: Ruffle in a
// page of its own); otherwise it is "none" (TNoFlashPlayer): it keeps the
// movie's name, has no frames, never plays, and the control shows its colour.
//
// Mouse messages (move, left/right button down/up, leave) reach the control's
// message procedure WndProc as a TFlashMessage whose LParam carries the
// position as two signed 16-bit words (x low, y high). The default WndProc
// hands them to the player; a host overrides it to see them first. The
// toolkit's own context menu never shows for this control.
#include <cstdint>
#include <memory>
#include "toolkit/Controls.h"

struct TFlashMessage {
  uint32_t Msg = 0;
  uintptr_t WParam = 0;
  intptr_t LParam = 0;
  intptr_t Result = 0;
};

// Message codes of the control's message procedure.
constexpr uint32_t WM_MOUSEMOVE = 0x0200, WM_LBUTTONDOWN = 0x0201, WM_LBUTTONUP = 0x0202,
                   WM_RBUTTONDOWN = 0x0204, WM_RBUTTONUP = 0x0205, WM_MOUSELEAVE = 0x02A3;

// The position words of a mouse message.
inline intptr_t MakeMousePos(int x, int y) {
  return intptr_t(uint32_t(uint16_t(int16_t(x))) | (uint32_t(uint16_t(int16_t(y))) << 16));
}
inline int MousePosX(intptr_t lParam) { return int16_t(uint16_t(lParam & 0xFFFF)); }
inline int MousePosY(intptr_t lParam) { return int16_t(uint16_t((lParam >> 16) & 0xFFFF)); }

// What plays the movies of a Flash control.
class IFlashPlayer {
 public:
  virtual ~IFlashPlayer() = default;
  virtual String Movie() const = 0;
  virtual void SetMovie(const String& Movie) = 0;
  virtual void GotoFrame(int Frame) = 0;
  virtual void Play() = 0;
  virtual void Stop() = 0;        // pauses at the current frame
  virtual void StopPlay() = 0;    // stops playing
  virtual int CurrentFrame() const = 0;
  virtual int TotalFrames() const = 0;
  virtual bool Playing() const = 0;
  // Whether the player offers its own context menu.
  virtual bool Menu() const = 0;
  virtual void SetMenu(bool Menu) = 0;
  // A mouse message that the host passed on.
  virtual void MouseMessage(const TFlashMessage& Message) = 0;
  // Draws the current frame into r of the canvas; background is the
  // control's colour.
  virtual void Paint(TCanvas* Canvas, const TRect& R, TColor Background) = 0;
  // The control the player shows in (set by the control; null when it goes).
  virtual void SetHost(TWinControl* /*Host*/) {}
  // Starts, without waiting for it, what the first movie would otherwise
  // wait for (the web player's page), so that SetMovie does not pay it.
  virtual void Prepare() {}
  // How many times the player has started its page (0 for a player without one).
  virtual int PageStarts() const { return 0; }
  // Gives up a load under way (SetMovie, or GotoFrame(0) loading anew): its
  // wait returns at once with no movie loaded, and the player shows what it
  // showed before until its next movie has its first frame.
  virtual void CancelLoad() {}
};

// The player "none": keeps Movie and Menu, has 0 frames, never plays,
// ignores the mouse and shows the background colour.
class TNoFlashPlayer : public IFlashPlayer {
 public:
  String Movie() const override { return movie_; }
  void SetMovie(const String& Movie) override { movie_ = Movie; }
  void GotoFrame(int) override {}
  void Play() override {}
  void Stop() override {}
  void StopPlay() override {}
  int CurrentFrame() const override { return 0; }
  int TotalFrames() const override { return 0; }
  bool Playing() const override { return false; }
  bool Menu() const override { return menu_; }
  void SetMenu(bool Menu) override { menu_ = Menu; }
  void MouseMessage(const TFlashMessage&) override {}
  void Paint(TCanvas* Canvas, const TRect& R, TColor Background) override;
 private:
  String movie_;
  bool menu_ = true;
};

// The player a new Flash control gets: the web player (Ruffle in the browser
// engine) where the engine is built, else "none". Cheap: a player starts its
// page at its first movie.
std::unique_ptr<IFlashPlayer> MakeFlashPlayer();
// Whether this build can play movies; Why tells why not.
bool FlashPlayerAvailable(String* Why = nullptr);

class FlashSurface;

class TShockwaveFlash : public TCustomControl {
 public:
  explicit TShockwaveFlash(TComponent* AOwner);
  ~TShockwaveFlash() override;

  String Movie() const { return player_->Movie(); }
  void SetMovie(const String& v);
  void GotoFrame(int Frame) { player_->GotoFrame(Frame); Invalidate(); }
  void Play() { player_->Play(); Invalidate(); }
  void Stop() { player_->Stop(); }
  void StopPlay() { player_->StopPlay(); Invalidate(); }
  int CurrentFrame() const { return player_->CurrentFrame(); }
  int TotalFrames() const { return player_->TotalFrames(); }
  bool Playing() const { return player_->Playing(); }
  bool Menu() const { return player_->Menu(); }
  void SetMenu(bool v) { player_->SetMenu(v); }
  // Starts the player's page ahead of the first movie (see IFlashPlayer::Prepare).
  void Prepare() { player_->Prepare(); }
  // Gives up a load under way (see IFlashPlayer::CancelLoad).
  void CancelLoad() { player_->CancelLoad(); }

  // The player behind the control (never null); setting null restores "none".
  IFlashPlayer* Player() const { return player_.get(); }
  void SetPlayer(std::unique_ptr<IFlashPlayer> p);

  // Runs a message through the control's message procedure, as the mouse
  // does; returns its result.
  intptr_t Perform(uint32_t Msg, uintptr_t WParam, intptr_t LParam);
  void SetBounds(int l, int t, int w, int h) override;
  String ClassName() const override { return "TShockwaveFlash"; }

 protected:
  // The message procedure: by default mouse messages go to the player.
  virtual void WndProc(TFlashMessage& Message);
  void Paint() override;

 private:
  friend class FlashSurface;
  std::unique_ptr<IFlashPlayer> player_;
  FlashSurface* surface_ = nullptr;
};
