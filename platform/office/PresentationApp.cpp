// The presentation program behind "PowerPoint.Application" (see the header).
#include "platform/office/PresentationApp.h"
#include <cstdio>
#include "platform/office/OfficeConverter.h"
#include "platform/office/PresentationTransitions.h"
#include "toolkit/Log.h"

namespace {

String Key(const String& chain) { return LowerCase(StringReplaceAll(chain, " ", "")); }

[[noreturn]] void Unknown(const String& chain) { throw EOleError("Unknown name: " + chain); }

const String kShowView = "activepresentation.slideshowwindow.view.";
const String kSettings = "activepresentation.slideshowsettings.";
const String kTransition = "activepresentation.slides.range.slideshowtransition.";

bool StartsWith(const String& s, const String& p) { return s.compare(0, p.size(), p) == 0; }

}  // namespace

TPresentationApp::TPresentationApp() = default;
TPresentationApp::~TPresentationApp() = default;

void TPresentationApp::checkAlive() const {
  if (quit_) throw EOleError("The remote procedure call failed");
}

TPresentationApp::Presentation& TPresentationApp::active() {
  checkAlive();
  if (presentations_.empty()) throw EOleError("ActivePresentation: no presentation is open");
  return presentations_.back();
}

TSlideShowWindow& TPresentationApp::runningShow() {
  active();
  if (!show_ || !show_->Active()) throw EOleError("SlideShowWindow: no slide show is running");
  return *show_;
}

void TPresentationApp::run() {
  Presentation& p = active();
  if (!show_) show_ = std::make_unique<TSlideShowWindow>();
  // A second Run starts the show again from its first slide.
  show_->Start(p.Deck, p.Settings);
}

OleValue TPresentationApp::Get(const String& Chain) {
  const String k = Key(Chain);
  if (k == "version") return quit_ ? String() : TOfficeConverter::Version();
  checkAlive();
  if (k == "visible") return OleBool(visible_);
  if (k == "activepresentation.name") return active().Name;
  if (k == "activepresentation.fullname") return active().Path;
  if (k == "activepresentation.slides.count") return active().Deck->Count();
  if (k == "presentations.count") return int(presentations_.size());
  if (StartsWith(k, kShowView)) {
    TSlideShowWindow& s = runningShow();
    const String m = k.substr(kShowView.size());
    if (m == "currentshowposition") return s.Position();
    if (m == "state") return s.GetState();
    if (m == "pointertype") return s.Settings().PointerType;
    // The end screen has no slide.
    if (m == "slide.name") return s.Position() <= s.Count() ? "Slide" + IntToStr(s.Position()) : String();
    if (m == "slide.slideindex") return s.Position();
  }
  Unknown(Chain);
}

void TPresentationApp::Set(const String& Chain, const OleValue& Value) {
  const String k = Key(Chain);
  checkAlive();
  if (k == "visible") {
    visible_ = OleToInt(Value) != 0;
    return;
  }
  if (StartsWith(k, kSettings)) {
    const String m = k.substr(kSettings.size());
    if (m == "run.view.pointertype") {
      run();
      show_->SetPointer(OleToInt(Value));
      active().Settings.PointerType = OleToInt(Value);
      return;
    }
    TShowSettings& s = active().Settings;
    if (m == "loopuntilstopped") s.Loop = OleToInt(Value) != 0;
    else if (m == "advancemode") s.AdvanceMode = OleToInt(Value);
    else if (m == "showtype") s.ShowType = OleToInt(Value);
    else if (m == "rangetype") active().RangeType = OleToInt(Value);
    else Unknown(Chain);
    return;
  }
  if (StartsWith(k, kTransition)) {
    const String m = k.substr(kTransition.size());
    TShowSettings& s = active().Settings;
    if (m == "entryeffect") s.EntryEffect = OleToInt(Value);
    else if (m == "speed") s.Speed = OleToInt(Value);
    else if (m == "advancetime") s.AdvanceTime = OleToInt(Value);
    else if (m == "advanceonclick") s.AdvanceOnClick = OleToInt(Value) != 0;
    else if (m == "advanceontime") s.AdvanceOnTime = OleToInt(Value) != 0;
    else Unknown(Chain);
    return;
  }
  if (k == kShowView + "state") {
    const int v = OleToInt(Value);
    if (v < 1 || v > 5) throw EOleError("State: value out of range");
    runningShow().SetState(v);
    return;
  }
  if (k == kShowView + "pointertype") {
    runningShow().SetPointer(OleToInt(Value));
    return;
  }
  Unknown(Chain);
}

OleValue TPresentationApp::Call(const String& Chain, const std::vector<OleValue>& Args) {
  const String k = Key(Chain);
  checkAlive();
  if (k == "quit") {
    if (show_) show_->Exit();
    show_.reset();
    presentations_.clear();
    quit_ = true;
    return {};
  }
  if (k == "presentations.open") {
    if (Args.empty()) throw EOleError("Presentations.Open: file name missing");
    const String file = OleToStr(Args[0]);
    Presentation p;
    p.Path = file;
    p.Name = ExtractFileName(file);
    try {
      p.Deck = std::make_shared<TSlideDeck>(TOfficeConverter::ToPdf(file));
    } catch (const EOfficeError& e) {
      throw EOleError(e.Message);
    }
    // Each slide keeps its own transition unless one is given to them all.
    // They are read aside from the main thread (a package may inflate to
    // far more than it holds); a binary deck's copy is converted first.
    try {
      String source = file;
      if (TOfficeConverter::ImportFilter(file) == "MS PowerPoint 97") source = TOfficeConverter::ToOdp(file);
      std::vector<int> effects;
      TOfficeConverter::RunAside([&](const std::atomic<bool>& stop) { effects = ReadSlideTransitions(source, &stop); });
      p.Settings.SlideEffects = std::move(effects);
    } catch (const EAbort&) {
      throw;   // the program closes
    } catch (const std::exception& e) {
      LogNote("tablo.office", "The slide transitions of " + p.Name + " cannot be read: " + e.what());
    }
    presentations_.push_back(std::move(p));
    return presentations_.back().Name;
  }
  if (k == "activewindow.close") {
    active();
    if (show_) show_->Exit();
    presentations_.pop_back();
    return {};
  }
  if (k == kSettings + "run") {
    run();
    return {};
  }
  if (k == kShowView + "exit") {
    runningShow().Exit();
    return {};
  }
  if (k == kShowView + "gotoslide") {
    if (Args.empty()) throw EOleError("GotoSlide: index missing");
    TSlideShowWindow& s = runningShow();
    const int i = OleToInt(Args[0]);
    if (i < 1 || i > s.Count()) throw EOleError("GotoSlide: index out of range");
    s.GotoSlide(i);
    return {};
  }
  if (k == kShowView + "next") {
    runningShow().Next();
    return {};
  }
  Unknown(Chain);
}

void PreparePresentation(const String& FileName) {
  try {
    TOfficeConverter::ToPdf(FileName);
    if (TOfficeConverter::ImportFilter(FileName) == "MS PowerPoint 97") TOfficeConverter::ToOdp(FileName);
  } catch (const EAbort&) {
    throw;
  } catch (const std::exception&) {
  }
}
