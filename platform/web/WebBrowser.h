#pragma once
// A control that shows a web page. Navigate loads an address (typed the way
// a person types one into a browser); OnDownloadBegin fires when a load
// starts and OnDownloadComplete when it has finished, whether or not it
// succeeded. The page engine starts at the first Navigate, so a window that
// never shows a page costs nothing.
#include <memory>

#include "toolkit/Controls.h"

class TWebBrowser : public TWinControl {
 public:
  explicit TWebBrowser(TComponent* AOwner);
  ~TWebBrowser() override;
  void Navigate(const String& Url);
  // The address of the page shown (empty before the first Navigate).
  String LocationURL() const;
  // True while a load runs.
  bool Busy() const { return busy_; }

  TNotifyEvent OnDownloadBegin, OnDownloadComplete;

  String ClassName() const override { return "TWebBrowser"; }

  // Toolkit internals: the engine reports the start and the end of a load.
  void LoadStarted();
  void LoadFinished();

 private:
  struct Engine;
  std::unique_ptr<Engine> engine_;
  bool busy_ = false;
};
