// The Office page and the presentation controller with the real office
// suite behind them: a 3-slide deck the test makes, RTF with its colours and
// letters, the page's picture, the play loop at a 1 s interval. Kept few and
// short: the suite costs about a second a conversion.
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <filesystem>
#include <map>
#include <fstream>
#include "ConsoleFixture.h"
#include "OperatorHands.h"
#include "console/TPowerpoint.h"
#include "pictureshow/PictureShow.h"
#include "support/OfficeSamples.h"
#include "toolkit/ToolkitTestUtil.h"

namespace {

// Pixels of B near colour C (text is smoothed at its edges).
int CountColour(TBitmap& b, TColor c) {
  auto near = [](int x, int y) { return std::abs(x - y) <= 40; };
  int n = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const TColor p = b.Canvas()->Pixel(x, y);
      n += near(GetRValue(p), GetRValue(c)) && near(GetGValue(p), GetGValue(c)) && near(GetBValue(p), GetBValue(c));
    }
  return n;
}

// What the stadium screen shows of a slide show, looked at after every
// event of the program: the colour at the centre of the show window while it
// lies over the output area, and whether it belongs to the main window
// there (only then does a window manager keep it above the main window,
// which may fill the screen); one entry for each change, an invalid colour
// while no show lies over the output area.
struct OutputWatch : QObject {
  struct Look {
    QColor colour;
    bool above = false;
    bool operator==(const Look&) const = default;
  };
  std::vector<Look> looks;
  QRect output;
  QWindow* main;
  bool looking = false;
  explicit OutputWatch(TFormMain* f) : main(f->Widget()->window()->windowHandle()) {
    const TPoint at = f->BufferTablo->ClientToScreen(TPoint(0, 0));
    output = QRect(at.X, at.Y, f->BufferTablo->ClientWidth(), f->BufferTablo->ClientHeight());
    qApp->installEventFilter(this);
  }
  ~OutputWatch() override { qApp->removeEventFilter(this); }
  bool eventFilter(QObject*, QEvent*) override {
    if (looking) return false;
    looking = true;
    Look l;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->windowTitle() == "Slide show" && w->isVisible() && w->geometry() == output) {
        const QImage c = w->screen()->grabWindow(w->winId(), w->width() / 2, w->height() / 2, 1, 1).toImage();
        l.colour = c.isNull() ? QColor() : c.pixelColor(0, 0);
        l.above = w->windowHandle()->transientParent() == main;
      }
    if (looks.empty() || !(looks.back() == l)) looks.push_back(l);
    looking = false;
    return false;
  }
  const Look& Now() const {
    static const Look none;
    return looks.empty() ? none : looks.back();
  }
  // (Above the main window or not: Beneath counts those that are not.)
  bool Shows(QColor c) const { return Now().colour == c; }
  bool Empty() const { return !Now().colour.isValid(); }
  // The slides (no black) shown from look From on, and the looks there that
  // a window manager would keep beneath the main window.
  std::vector<QColor> Slides(size_t From = 0) const {
    std::vector<QColor> out;
    for (size_t i = From; i < looks.size(); ++i)
      if (looks[i].colour.isValid() && looks[i].colour != Qt::black && (out.empty() || out.back() != looks[i].colour))
        out.push_back(looks[i].colour);
    return out;
  }
  // Whether the output showed a show all along from the first look of From
  // to the first of To (nothing beneath, no black in between).
  bool Unbroken(QColor From, QColor To) const {
    size_t i = 0;
    while (i < looks.size() && looks[i].colour != From) ++i;
    for (; i < looks.size() && looks[i].colour != To; ++i)
      if (!looks[i].colour.isValid() || looks[i].colour == Qt::black) return false;
    return i < looks.size();
  }
  int Beneath() const {
    return int(std::count_if(looks.begin(), looks.end(), [](const Look& l) { return l.colour.isValid() && !l.above; }));
  }
};

// The operator's hands, step by step: each step waits for what it names
// (looked at every few milliseconds, inside whatever wait the program is in)
// and then clicks, each click an event of its own.
struct OperatorSteps {
  struct Step {
    std::function<bool()> ready;
    std::vector<std::function<void()>> clicks;
  };
  std::vector<Step> steps;
  size_t next = 0;
  QTimer timer;
  void Then(std::function<bool()> Ready, std::vector<std::function<void()>> Clicks) {
    steps.push_back(Step{std::move(Ready), std::move(Clicks)});
  }
  // Runs the steps until the last has clicked and Finished holds. Past the
  // limit, the window is told that the program closes (its waits end).
  bool Run(TFormMain* f, const std::function<bool()>& Finished, int LimitMs = 60000) {
    const int64_t end = GetTickCount64() + LimitMs;
    QObject::connect(&timer, &QTimer::timeout, [this, f, end] {
      if (GetTickCount64() > end) f->ClosingDown = true;
      if (next < steps.size() && steps[next].ready())
        for (const auto& click : steps[next++].clicks) QTimer::singleShot(0, click);
    });
    timer.start(5);
    const bool done = pumpUntil([&] { return next == steps.size() && Finished(); }, LimitMs + 10000);
    timer.stop();
    return done && !f->ClosingDown;
  }
};

}  // namespace

class OfficeSuiteTest : public ConsoleFixture {
 protected:
  void SetUp() override {
    ConsoleFixture::SetUp();
    officesamples::UseTestCache();
    TRichEdit::RtfImporter = [](const String& f) { return TOfficeConverter::RtfToXhtml(f); };
  }
  String Deck() { return officesamples::MakeDeck(app_ + "Texts", "deck.ppt", {"#ff0000", "#00ff00", "#0000ff"}); }
  // A deck made once in the process (the suite's cache keeps its
  // conversions for the tests after), copied into "Texts/".
  void SharedDeck(const String& Name, const std::vector<String>& Colours) {
    static std::map<String, String> made;
    String& file = made[Name];
    if (file.empty()) {
      const String dir = officesamples::UseTestCache() + "shared/";
      ForceDirectories(dir);
      file = officesamples::MakeDeck(dir, Name, Colours);
    }
    std::filesystem::copy_file(file, app_ + "Texts/" + Name, std::filesystem::copy_options::overwrite_existing);
  }
  // The main window shown with the office page chosen and these entries.
  TFormMain* OfficePage(const String& Entries) {
    TFormMain* f = Create();
    f->Show();
    f->ListRTF->Items()->SetText(Entries);
    hands::ChooseSheet(f->Sheet_Tablo);
    hands::ChooseSheet(f->TabSheet6);
    return f;
  }
  bool Idle(TFormMain* f) const { return f->bPPT_PlayStop->Caption() == "Play" && !f->PlayLoopRunning; }
};

// "Play" on the output: slide 1 first, then every slide in order, each over
// the output area and above the main window, and the page's button says
// "Play" again once the show has ended.
TEST_F(OfficeSuiteTest, PlayShowsEverySlideFromTheFirstInOrderAboveTheMainWindow) {
  SharedDeck("colours.pptx", {"#ff0000", "#00ff00", "#0000ff"});
  TFormMain* f = OfficePage("colours.pptx\n");
  f->PowPnt1->SetTransisionInterval(2);
  hands::ClickLine(f->ListRTF, 0);
  ASSERT_EQ(f->sePPT_NumSlides->MaxValue(), 3);
  OutputWatch watch(f);
  hands::Click(f->bPPT_PlayStop);
  ASSERT_TRUE(pumpUntil([&] { return Idle(f) && watch.Empty(); }, 30000));
  EXPECT_EQ(watch.Slides(), (std::vector<QColor>{Qt::red, Qt::green, Qt::blue}));
  EXPECT_EQ(watch.Beneath(), 0);
  EXPECT_TRUE(requests_.empty()) << requests_[0].Msg;
}

// Stop and Play again, five times, Play each time at once after Stop: every
// Play shows slide 1 on the output again, and the last Stop ends the show.
TEST_F(OfficeSuiteTest, StopAndPlayWorkAnyNumberOfTimes) {
  SharedDeck("colours.pptx", {"#ff0000", "#00ff00", "#0000ff"});
  TFormMain* f = OfficePage("colours.pptx\n");
  f->PowPnt1->SetSlideshowUseInternalTimer(false);
  hands::ClickLine(f->ListRTF, 0);
  OutputWatch watch(f);
  const auto click = [f] { hands::Click(f->bPPT_PlayStop); };
  size_t mark = 0;
  // Slide 1 on the output, after the show left it since the last look.
  const auto restarted = [&] {
    bool left = false;
    for (size_t i = mark; i < watch.looks.size(); ++i) left = left || watch.looks[i].colour != Qt::red;
    if (!left || !watch.Shows(Qt::red)) return false;
    mark = watch.looks.size();
    return true;
  };
  OperatorSteps steps;
  steps.Then([] { return true; }, {click});
  steps.Then(
      [&] {
        mark = watch.looks.size();
        return watch.Shows(Qt::red);
      },
      {click, click});
  for (int round = 2; round <= 5; ++round) steps.Then(restarted, {click, click});
  steps.Then(restarted, {click});
  ASSERT_TRUE(steps.Run(f, [&] { return Idle(f) && watch.Empty(); })) << "steps taken: " << steps.next;
  EXPECT_EQ(watch.Beneath(), 0);
  EXPECT_FALSE(f->PowPnt1->Connected());
  EXPECT_TRUE(requests_.empty()) << requests_[0].Msg;
}

// A ".ppt" chosen (twice, at once) while a ".pptx" plays on the output plays
// there in its place, from its first slide, with nothing told to the
// operator; the output shows the first show until then (never the page
// beneath), and Stop ends the second.
TEST_F(OfficeSuiteTest, APptChosenWhileAPptxPlaysTakesItsPlace) {
  SharedDeck("colours.pptx", {"#ff0000", "#00ff00", "#0000ff"});
  SharedDeck("other.ppt", {"#ffff00", "#00ffff"});
  TFormMain* f = OfficePage("colours.pptx\nother.ppt\n");
  f->PowPnt1->SetSlideshowUseInternalTimer(false);
  OutputWatch watch(f);
  const auto play = [f] { hands::Click(f->bPPT_PlayStop); };
  const auto second = [f] { hands::ClickLine(f->ListRTF, 1); };
  OperatorSteps steps;
  steps.Then([] { return true; }, {[f] { hands::ClickLine(f->ListRTF, 0); }});
  steps.Then([f] { return f->sePPT_NumSlides->MaxValue() == 3; }, {play});
  steps.Then([&] { return watch.Shows(Qt::red); }, {second, second});
  steps.Then([&] { return watch.Shows(Qt::yellow); }, {play});
  ASSERT_TRUE(steps.Run(f, [&] { return Idle(f) && watch.Empty(); })) << "steps taken: " << steps.next;
  EXPECT_EQ(watch.Slides(), (std::vector<QColor>{Qt::red, Qt::yellow}));
  EXPECT_TRUE(watch.Unbroken(Qt::red, Qt::yellow));
  EXPECT_EQ(watch.Beneath(), 0);
  EXPECT_EQ(f->ListRTF->ItemIndex(), 1);
  EXPECT_TRUE(requests_.empty()) << requests_[0].Msg;
}

TEST_F(OfficeSuiteTest, TheControllerRunsADeckThroughTheSuite) {
  const String deck = Deck();
  TPowPnt p(nullptr);
  std::vector<int> codes;
  p.OnAccessError = [&](TObject*, int code, const String&) { codes.push_back(code); };
  ASSERT_TRUE(p.Connect());
  EXPECT_FALSE(p.PowerPointVersion().empty());
  ASSERT_TRUE(p.OpenPresentation(deck));
  EXPECT_EQ(p.LoadedPresentationName(), "deck.ppt");
  EXPECT_EQ(p.GetSlideCount(), 3);
  p.SetTransisionInterval(1);
  p.SetPresentationMonitorUseDefaultDimensions(false);
  p.SetPresentationMonitorXX(160);
  p.SetPresentationMonitorYY(90);
  ASSERT_TRUE(p.StartSlideShow());
  TRect r;
  TBitmap pic;
  ASSERT_TRUE(GrabShowWindow(p.PowerpointWindowhandle(), r, pic));
  EXPECT_EQ(r.Width(), 160);
  EXPECT_EQ(pic.Canvas()->Pixel(80, 45), clRed);
  std::vector<String> changes;
  p.OnSlideChange = [&](TObject*, int before, int now, const String& name) {
    changes.push_back(IntToStr(before) + ">" + IntToStr(now) + ":" + name);
  };
  p.GotoSlide(3);
  EXPECT_EQ(changes, (std::vector<String>{"1>3:Slide3"}));
  // At 1 s a slide, the show passes its last slide to the end screen.
  EXPECT_TRUE(pumpUntil([&] { return p.GetCurrentSlide() == 4; }, 3000));
  // A second open of the same file comes from the cache.
  const int conversions = TOfficeConverter::ConversionCount();
  ASSERT_TRUE(p.OpenPresentation(deck));
  EXPECT_EQ(TOfficeConverter::ConversionCount(), conversions);
  EXPECT_TRUE(codes.empty());
  EXPECT_TRUE(p.Disconnect());
}

TEST_F(OfficeSuiteTest, BadOrMissingDecksLeaveTheRangeAtZeroAndAreReported) {
  std::ofstream(app_ + "Texts/noise.ppt", std::ios::binary) << "\x13\x37 random bytes, not a deck";
  // A deck of 20 GB (sparse: no disk space used) is refused before a byte
  // of it is read.
  std::ofstream(app_ + "Texts/huge.pptx", std::ios::binary) << "PK\x03\x04 ppt/presentation.xml";
  std::filesystem::resize_file(app_ + "Texts/huge.pptx", uintmax_t(20) << 30);
  // A deck of a few kilobytes that the suite would need gigabytes for is
  // stopped at its memory bound.
  officesamples::WriteShapesPptx(app_ + "Texts/shapes.pptx", 12000);
  TFormMain* f = Create();
  f->ListRTF->Items()->SetText("noise.ppt\nmissing.ppt\nhuge.pptx\nshapes.pptx\n");
  const String why[] = {"noise.ppt is not a presentation", "File not found", "huge.pptx is too large (more than 256 MB)",
                        "shapes.pptx is too large (the office suite needs more than 1024 MB of memory for it)"};
  for (int i = 0; i < 4; ++i) {
    requests_.clear();
    clickListItem(f->ListRTF, i);
    EXPECT_EQ(f->sePPT_NumSlides->MinValue(), 0) << i;
    EXPECT_EQ(f->sePPT_NumSlides->MaxValue(), 0) << i;
    ASSERT_EQ(requests_.size(), 1u) << i;
    EXPECT_EQ(requests_[0].Msg, "Error file " + f->OfficeFilePath(f->ListRTF->Items()->Get(i)) + "\n" + why[i]);
  }
}

// A document that keeps the suite busy runs into the time limit: the
// operator is told, no suite process stays behind, and the next document
// converts normally; one replaced by another of the same size and time
// shows its new text.
TEST_F(OfficeSuiteTest, ABusyDocumentTimesOutWithoutLeftoversAndTheNextConvertsByItsContent) {
  const String busy = app_ + "Texts/busy.rtf";
  std::ofstream(busy, std::ios::binary) << officesamples::BusyRtf();
  const String news = app_ + "Texts/news.rtf";
  std::ofstream(news, std::ios::binary) << "{\\rtf1\\ansi Alpha\\par}";
  WriteFile("Texts/plain.rtf", "plain text");
  TFormMain* f = Create();
  f->ListRTF->Items()->SetText("busy.rtf\nnews.rtf\nplain.rtf\n");
  const String folder = officesamples::UseTestCache();
  const int limit = TOfficeConverter::TimeLimitSeconds;
  // Once the suite's main process reads the document, its time is up.
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (!officesamples::SuiteProcesses(folder, busy).empty()) TOfficeConverter::TimeLimitSeconds = 0;
  });
  watch.start(50);
  clickListItem(f->ListRTF, 0);
  watch.stop();
  TOfficeConverter::TimeLimitSeconds = limit;
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_NE(requests_[0].Msg.find("busy.rtf took longer than"), String::npos) << requests_[0].Msg;
  EXPECT_TRUE(pumpUntil([&] { return officesamples::SuiteProcesses(folder).empty(); }, 10000));

  clickListItem(f->ListRTF, 1);
  EXPECT_NE(f->RichEdit1->Text().find("Alpha"), String::npos);
  const auto time = std::filesystem::last_write_time(news);
  std::ofstream(news, std::ios::binary | std::ios::trunc) << "{\\rtf1\\ansi Omega\\par}";
  std::filesystem::last_write_time(news, time);
  clickListItem(f->ListRTF, 2);
  clickListItem(f->ListRTF, 1);
  EXPECT_NE(f->RichEdit1->Text().find("Omega"), String::npos);
  for (const TMsgDlgRequest& r : requests_) EXPECT_NE(r.Msg.find("busy.rtf took longer than"), String::npos) << r.Msg;
}

TEST_F(OfficeSuiteTest, TheRtfViewShowsLettersAndColoursAndIsPartOfThePagesPicture) {
  std::ofstream(app_ + "Texts/NEWS.RTF", std::ios::binary) << officesamples::RtfSample();
  TFormMain* f = Create();
  f->ListRTF->Items()->SetText("NEWS.RTF\n");
  f->ListRTF->SetItemIndex(0);
  f->ListRTFClick(f->ListRTF);
  EXPECT_FALSE(f->PanelPPT->Visible());
  const String text = f->RichEdit1->Text();
  EXPECT_NE(text.find("Стадион"), String::npos);
  EXPECT_NE(text.find("€"), String::npos);
  f->PageControl1->SetActivePage(f->TabSheet6);
  ASSERT_TRUE(f->GrabTabloImage(*f->FGrabBitmap));
  EXPECT_GT(CountColour(*f->FGrabBitmap, clYellow), 50);
  // The picture at the size the document gives it (0.83 x 0.42 inches:
  // 80 x 40 pixels), not at its own 40 x 20.
  EXPECT_NEAR(CountColour(*f->FGrabBitmap, clRed), 80 * 40, 400);
  // The automatic colour is white on black, though the view is disabled.
  EXPECT_GT(CountColour(*f->FGrabBitmap, clWhite), 50);
  EXPECT_GT(CountColour(*f->FGrabBitmap, clBlack), f->FGrabBitmap->Width() * f->FGrabBitmap->Height() / 2);
}

TEST_F(OfficeSuiteTest, ThePlayLoopEndsAfterTheLastSlideOrStartsAgainWithCicle) {
  Deck();
  TFormMain* f = Create();
  f->ListRTF->Items()->SetText("deck.ppt\n");
  f->ListRTF->SetItemIndex(0);
  f->ListRTFClick(f->ListRTF);
  // The show lies over the view and is part of the page's picture.
  f->PageControl1->SetActivePage(f->TabSheet6);
  ASSERT_TRUE(f->GrabTabloImage(*f->FGrabBitmap));
  EXPECT_GT(CountColour(*f->FGrabBitmap, clRed), 1000);

  f->PowPnt1->SetTransisionInterval(1);
  f->cbPPT_Cikle->SetChecked(true);
  int restarts = 0;
  f->WaitHook = [&](int ms) {
    const int64_t end = GetTickCount64() + ms;
    while (GetTickCount64() < end) Application->ProcessMessages();
    // Back at slide 1 after the end: "Cicle" started it again; the operator
    // then takes "Cicle" off and stops the show, which ends the loop.
    if (f->PowPnt1->GetCurrentSlide() == 4) ++restarts;
    if (restarts > 0 && f->PowPnt1->GetCurrentSlide() == 1 && f->cbPPT_Cikle->Checked()) {
      f->cbPPT_Cikle->SetChecked(false);
      f->bPPT_PlayStopClick(f->bPPT_PlayStop);
    }
    return true;
  };
  const int64_t start = GetTickCount64();
  f->bPPT_PlayStopClick(f->bPPT_PlayStop);
  EXPECT_GE(restarts, 1);
  EXPECT_LT(GetTickCount64() - start, 10000);
  EXPECT_EQ(f->bPPT_PlayStop->Caption(), "Play");
  EXPECT_FALSE(f->PowPnt1->Connected());
}

// The operator looked at slide 2 in the page's preview and presses "Play":
// the show leaves the preview for the output area. Every event from the
// click until slide 1 is drawn there, the show window is looked at as the
// screen has it. It must appear only where it is placed: shown at the
// preview's place and moved afterwards, it carries what the screen held
// there (the preview's slide) onto the output until it is first drawn. Over
// the output it shows slide 1 only, or black before it.
TEST_F(OfficeSuiteTest, PlayShowsNothingOfThePreviewOnTheOutput) {
  Deck();
  TFormMain* f = Create();
  f->Show();
  // Slides change only when asked: on its own clock (5 s a slide) the show
  // would move on from the slide looked for whenever the program stalls
  // that long before its first look (a busy machine), and the output would
  // show the slides after it.
  f->PowPnt1->SetSlideshowUseInternalTimer(false);
  f->ListRTF->Items()->SetText("deck.ppt\n");
  hands::ChooseSheet(f->Sheet_Tablo);
  hands::ChooseSheet(f->TabSheet6);
  hands::ClickLine(f->ListRTF, 0);
  f->PowPnt1->GotoSlide(2);
  // (The show window goes with the controller's disconnect at the end.)
  QPointer<QWidget> show;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->windowTitle() == "Slide show") show = w;
  ASSERT_NE(show, nullptr);
  auto centre = [&] {
    const QImage c = show->screen()->grabWindow(show->winId(), show->width() / 2, show->height() / 2, 1, 1).toImage();
    return c.isNull() ? QColor() : c.pixelColor(0, 0);
  };
  ASSERT_TRUE(pumpUntil([&] { return show->windowHandle()->isExposed() && centre() == Qt::green; }));

  const TPoint at = f->BufferTablo->ClientToScreen(TPoint(0, 0));
  const QRect output(at.X, at.Y, f->BufferTablo->ClientWidth(), f->BufferTablo->ClientHeight());
  std::vector<QRect> shownAt;
  std::vector<QColor> overOutput;
  struct Watch : QObject {
    std::function<void(QObject*, QEvent*)> seen;
    bool eventFilter(QObject* o, QEvent* e) override {
      seen(o, e);
      return false;
    }
  } watch;
  watch.seen = [&](QObject* o, QEvent* e) {
    if (!show) return;
    if (o == show && e->type() == QEvent::Show) shownAt.push_back(show->geometry());
    // Between events, not while the window draws itself. Until it has drawn
    // itself anew, a window system may show what the window kept of itself.
    if (o == show || o == show->windowHandle()) return;
    if (!overOutput.empty() && overOutput.back() == Qt::red) return;   // slide 1 is drawn
    if (!show->isVisible() || !show->geometry().intersects(output)) return;
    const QColor c = centre();
    if (overOutput.empty() || overOutput.back() != c) overOutput.push_back(c);
  };
  qApp->installEventFilter(&watch);
  // Slide 1 drawn over the output (or 10 s gone): the operator stops.
  const int64_t end = GetTickCount64() + 10000;
  f->WaitHook = [&](int ms) {
    pumpUntil([] { return false; }, ms);
    const bool drawn = !overOutput.empty() && overOutput.back() == Qt::red;
    if ((drawn || GetTickCount64() > end) && f->bPPT_PlayStop->Tag() == 1) hands::Click(f->bPPT_PlayStop);
    return true;
  };
  hands::Click(f->bPPT_PlayStop);
  qApp->removeEventFilter(&watch);
  EXPECT_EQ(f->bPPT_PlayStop->Caption(), "Play");
  EXPECT_EQ(shownAt, std::vector<QRect>{output});
  // Black (what the window kept of itself) at most, then slide 1.
  ASSERT_FALSE(overOutput.empty());
  EXPECT_EQ(overOutput.back(), QColor(Qt::red));
  for (const QColor& c : overOutput) EXPECT_TRUE(c == Qt::red || c == Qt::black) << c.name().toStdString();
}

// A deck whose slides carry their own transitions, converted to the binary
// format as the operator's files are: each slide keeps its own transition
// while the controller applies none, and all take the controller's when it
// does.
TEST_F(OfficeSuiteTest, SlidesKeepTheirOwnTransitionUnlessTheControllerAppliesOne) {
  const String deck = officesamples::MakeDeck(app_ + "Texts", "own.ppt", {"#ff0000", "#00ff00", "#0000ff"},
                                              {{}, {"barWipe", "leftToRight", "reverse"}, {"barnDoorWipe", "vertical", ""}});
  TPowPnt p(nullptr);
  ASSERT_TRUE(p.Connect());
  ASSERT_TRUE(p.OpenPresentation(deck));
  p.SetPresentationMonitorUseDefaultDimensions(false);
  p.SetPresentationMonitorXX(160);
  p.SetPresentationMonitorYY(90);
  ASSERT_TRUE(p.StartSlideShow());
  TSlideShowWindow* w = ShowWindowOf(p.PowerpointWindowhandle());
  ASSERT_NE(w, nullptr);
  p.GotoSlide(2);
  EXPECT_EQ(w->Transition().Effect, 2817);   // wipe left
  p.GotoSlide(3);
  EXPECT_EQ(w->Transition().Effect, 3587);   // split vertical out
  ASSERT_TRUE(p.ExitSlideShow());
  p.SetTransisioneffectApply(true);
  p.SetTransisioneffect(TTransEffect::EffectDissolve);
  ASSERT_TRUE(p.StartSlideShow());
  w = ShowWindowOf(p.PowerpointWindowhandle());
  ASSERT_NE(w, nullptr);
  p.GotoSlide(2);
  EXPECT_EQ(w->Transition().Effect, 1537);
  EXPECT_TRUE(p.Disconnect());
}
