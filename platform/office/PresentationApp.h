#pragma once
// The presentation program behind "PowerPoint.Application": presentations
// are converted to PDF by the office suite (cached), and a show runs in our
// own show window. The object answers the member chains the presentation
// controller uses; what it does not know raises EOleError, as an automation
// server answers an unknown member.
#include <memory>
#include <vector>
#include "platform/office/Automation.h"
#include "platform/office/SlideShow.h"

class TPresentationApp : public IAutomationObject {
 public:
  TPresentationApp();
  ~TPresentationApp() override;
  OleValue Get(const String& Chain) override;
  void Set(const String& Chain, const OleValue& Value) override;
  OleValue Call(const String& Chain, const std::vector<OleValue>& Args = {}) override;

  // The show window (null until a show was started).
  TSlideShowWindow* ShowWindow() const { return show_.get(); }

 private:
  struct Presentation {
    String Path, Name;
    std::shared_ptr<const TSlideDeck> Deck;
    TShowSettings Settings;
    int RangeType = 1;
  };
  Presentation& active();
  TSlideShowWindow& runningShow();
  void run();
  void checkAlive() const;
  bool visible_ = false;
  bool quit_ = false;
  std::vector<Presentation> presentations_;
  std::unique_ptr<TSlideShowWindow> show_;
};

// Converts what an open of FileName needs (its PDF and, for a binary deck,
// its OpenDocument copy) into the cache, the queue pumped meanwhile, so
// that a show already on the screen goes on until the open that follows,
// which then only reads the cache. A failure is left for that open to tell;
// EAbort when the program closes.
void PreparePresentation(const String& FileName);
