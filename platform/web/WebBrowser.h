#pragma once
// A control that shows a web page. Navigate loads an address (typed the way
// a person types one into a browser); OnDownloadBegin fires when a load
// starts and OnDownloadComplete when it has finished, whether or not it
// succeeded. The page engine starts at the first Navigate, so a window that
// never shows a page costs nothing; a page draws only while it shows and
// when it changes.
//
// Addresses come from a link list that anyone may hand the operator: only
// http:, https: and local HTML files are opened; any other address
// (javascript:, data:, a local file that is not a page, view-source:, the
// engine's own pages, ...) raises EWebError and leaves the page as it was.
// A page follows its own links to http: and https: only (a local page to
// itself); local pages cannot read other local files or remote addresses.
//
// Each navigation is bounded: a page that has not finished loading
// NavigationLimitMs after Navigate is stopped there (what has loaded stays)
// and its load counts as complete, TimedOut() saying why. A page renderer
// that no longer answers (a script that never returns) is ended then, and
// before another address is opened in it: the next page of that site opens
// in a renderer of its own.
#include <memory>

#include "toolkit/Controls.h"
#include "toolkit/SysUtils.h"

TK_EXCEPTION(EWebError, Exception)

// The browser engine's views (web pages, the Flash player's page) are drawn
// by the scene graph's software renderer into plain window pictures: drawn
// with the graphics library, every picture of a view was composed with it
// on the main thread, which took up to a tenth of a second at a large output
// on a machine without a graphics card (the driver's software rendering).
// Called before the first view exists (the units that make views call it
// from their static initialisers).
void DrawViewsInSoftware();

class TWebBrowser : public TWinControl {
 public:
  explicit TWebBrowser(TComponent* AOwner);
  ~TWebBrowser() override;
  // Raises EWebError for an address that is not opened.
  void Navigate(const String& Url);
  // Url as the address that Navigate opens; raises EWebError with the
  // operator's message when it is not one.
  static String OpenableAddress(const String& Url);
  // The address of the page shown (empty before the first Navigate).
  String LocationURL() const;
  // True while a load runs.
  bool Busy() const { return busy_; }
  // Whether the page shows its scroll bars (it does by default).
  bool ScrollBars() const;
  void SetScrollBars(bool Show);
  // Whether a page is there and running: a page that is not shown is frozen
  // once it has loaded, and costs nothing until it shows again.
  bool PageActive() const;
  // The bound of each navigation (DefaultNavigationLimitMs unless set).
  static constexpr int DefaultNavigationLimitMs = 15000;
  int NavigationLimitMs() const { return limitMs_; }
  void SetNavigationLimitMs(int Ms) { limitMs_ = Ms; }
  // The last load was stopped at the bound (until the next Navigate).
  bool TimedOut() const { return timedOut_; }

  TNotifyEvent OnDownloadBegin, OnDownloadComplete;

  String ClassName() const override { return "TWebBrowser"; }

  // Toolkit internals: the engine reports the start and the end of a load.
  void LoadStarted();
  void LoadFinished();

 private:
  struct Engine;
  std::unique_ptr<Engine> engine_;
  bool busy_ = false, timedOut_ = false;
  int limitMs_ = DefaultNavigationLimitMs;
  void overrun();   // the bound passed: the load is stopped
};
