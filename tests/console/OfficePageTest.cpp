// The Office page on the recording automation object: the list and its
// dialogs, RTF documents in the view, a presentation over the view, and the
// play loop over the output area.
#include <filesystem>
#include "ConsoleFixture.h"
#include "FakeAutomation.h"
#include "console/TPowerpoint.h"
#include "pictureshow/PictureShow.h"
#include "toolkit/ToolkitTestUtil.h"

namespace {

const String kName = "ActivePresentation.Name";
const String kSlideName = "ActivePresentation.SlideShowWindow.View.Slide.Name";
const String kState = "ActivePresentation.SlideShowWindow.View.State";
const String kPos = "ActivePresentation.SlideShowWindow.View.CurrentShowPosition";
const String kCount = "ActivePresentation.Slides.Count";

TRect ScreenRectOf(const TControl* c) {
  const TPoint p = c->ClientToScreen(TPoint(0, 0));
  return Rect(p.X, p.Y, p.X + c->ClientWidth(), p.Y + c->ClientHeight());
}

}  // namespace

class OfficePageTest : public ConsoleFixture {
 protected:
  void SetUp() override {
    ConsoleFixture::SetUp();
    savedImporter_ = TRichEdit::RtfImporter;
    TRichEdit::RtfImporter = [](const String&) { return String("<p>From RTF</p>"); };
    FakeAutomation& f = *scope_.fake;
    // The fake behaves as the program would: Open makes a 3-slide deck
    // active, Run starts at slide 1, Exit ends the show.
    f.OnCall = [this, &f](const String& k, const std::vector<OleValue>& a) {
      if (k == "presentations.open") {
        f.Answer(kName, ExtractFileName(OleToStr(a[0])));
        if (slides_ >= 0) f.Answer(kCount, slides_);
        else f.Forget(kCount);
      } else if (k == "activepresentation.slideshowsettings.run") {
        Show(1);
      } else if (k == "activepresentation.slideshowwindow.view.exit") {
        NoShow();
      } else if (k == "activepresentation.slideshowwindow.view.gotoslide") {
        Show(OleToInt(a[0]));
      } else if (k == "activewindow.close") {
        f.Forget(kName);
      }
    };
    NoShow();
  }
  void TearDown() override {
    ConsoleFixture::TearDown();
    TRichEdit::RtfImporter = savedImporter_;
    CommonDialogHook = nullptr;
    SelectDirectoryHook = nullptr;
  }
  void Show(int pos) {
    FakeAutomation& f = *scope_.fake;
    f.Failing.erase(FakeAutomation::Key(kState));
    f.Answer(kSlideName, "Slide" + IntToStr(pos));
    f.Answer(kPos, pos);
    f.Answer(kState, 1);
  }
  void NoShow() {
    scope_.fake->Forget(kSlideName);
    scope_.fake->Forget(kPos);
    scope_.fake->Fail(kState);
  }
  bool ShowRuns() const { return scope_.fake->Values.count(FakeAutomation::Key(kPos)) > 0; }
  void Advance() {
    if (ShowRuns()) Show(OleToInt(scope_.fake->Values[FakeAutomation::Key(kPos)]) + 1);
  }
  int Count(const String& entry) const {
    return int(std::count(scope_.fake->Log.begin(), scope_.fake->Log.end(), entry));
  }
  // A main window whose office list holds Names (files made in "Texts/").
  TFormMain* WithList(const std::vector<String>& names) {
    TFormMain* f = Create();
    for (const String& n : names) {
      WriteFile("Texts/" + n, n.size() > 4 && LowerCase(n.substr(n.size() - 4)) == ".rtf" ? "{\\rtf1 x}" : "deck");
      f->ListRTF->Items()->Add(n);
    }
    return f;
  }
  void Select(int i) {
    form_->ListRTF->SetItemIndex(i);
    form_->ListRTFClick(form_->ListRTF);
  }

  FakeAutomationScope scope_;
  std::function<String(const String&)> savedImporter_;
  int slides_ = 3;   // -1: the count fails
};

TEST_F(OfficePageTest, AnRtfEntryShowsTheDocumentAndHidesThePresentationControls) {
  TFormMain* f = WithList({"NEWS.RTF", "deck.ppt"});
  Select(1);
  EXPECT_TRUE(f->PanelPPT->Visible());
  Select(0);
  EXPECT_FALSE(f->PanelPPT->Visible());
  EXPECT_EQ(f->RichEdit1->Text(), "From RTF");
  EXPECT_EQ(f->bPPT_PlayStop->Caption(), "Play");
  EXPECT_TRUE(scope_.fake->Logged("call ActivePresentation.SlideShowWindow.View.Exit()"));
  // A presentation chosen next takes the view's place: no text of the
  // document stays beneath it.
  clickListItem(f->ListRTF, 1);
  EXPECT_TRUE(f->PanelPPT->Visible());
  EXPECT_EQ(f->RichEdit1->Text(), "");
}

TEST_F(OfficePageTest, ABadRtfFileRaisesAndKeepsTheShownText) {
  TFormMain* f = WithList({"good.rtf", "cut.rtf", "big.rtf", "gone.rtf"});
  WriteFile("Texts/cut.rtf", "{\\rtf1 {\\b Stadion");
  WriteFile("Texts/big.rtf", "{\\rtf1 " + String(4096, 'x') + "}");
  std::filesystem::remove(app_ + "Texts/gone.rtf");
  Select(0);
  ASSERT_EQ(f->RichEdit1->Text(), "From RTF");
  const int64_t limit = TRichEdit::MaxFileSize;
  TRichEdit::MaxFileSize = 1024;
  f->ListRTF->SetItemIndex(1);
  EXPECT_THROW(f->ShowOfficeItem(false), ERichEditError);
  f->ListRTF->SetItemIndex(2);
  EXPECT_THROW(f->ShowOfficeItem(false), ERichEditError);
  f->ListRTF->SetItemIndex(3);
  EXPECT_THROW(f->ShowOfficeItem(false), EFOpenError);
  TRichEdit::MaxFileSize = limit;
  EXPECT_EQ(f->RichEdit1->Text(), "From RTF");
  // A raw-data count of 20 digits (2^64 + 1) is more than the file holds,
  // however it would wrap.
  EXPECT_FALSE(TRichEdit::RtfComplete("{\\rtf1 \\bin18446744073709551617 x}"));
  EXPECT_FALSE(TRichEdit::RtfComplete("{\\rtf1 \\bin99999999999999999999999999 }"));
  EXPECT_TRUE(TRichEdit::RtfComplete("{\\rtf1 \\bin2 }}}"));
}

TEST_F(OfficePageTest, AFileThatIsNotRtfIsShownAsPlainText) {
  TFormMain* f = WithList({"plain.rtf"});
  WriteFile("Texts/plain.rtf", "just text\nsecond line");
  Select(0);
  EXPECT_EQ(f->RichEdit1->Text(), "just text\nsecond line");
}

TEST_F(OfficePageTest, APresentationOpensOverTheView) {
  TFormMain* f = WithList({"deck.ppt"});
  Select(0);
  EXPECT_TRUE(f->PowPnt1->Connected());
  EXPECT_EQ(f->ePPT_NumSlides->Text(), "3");
  EXPECT_EQ(f->sePPT_NumSlides->MinValue(), 1);
  EXPECT_EQ(f->sePPT_NumSlides->MaxValue(), 3);
  EXPECT_EQ(f->sePPT_NumSlides->Value(), 1);
  const TRect view = ScreenRectOf(f->RichEdit1);
  EXPECT_EQ(Rect(f->PowPnt1->PresentationMonitorX(), f->PowPnt1->PresentationMonitorY(),
                 f->PowPnt1->PresentationMonitorX() + f->PowPnt1->PresentationMonitorXX(),
                 f->PowPnt1->PresentationMonitorY() + f->PowPnt1->PresentationMonitorYY()),
            view);
  EXPECT_EQ(Count("call ActivePresentation.SlideShowSettings.Run()"), 1);
}

TEST_F(OfficePageTest, AFailedOpenIsReportedAndStartsNothing) {
  struct Case {
    int slides;
    bool openFails;
    String why;
  } const cases[] = {
      {-1, false, "Its slides cannot be counted"},
      {0, false, "The presentation has no slides"},
      {3, true, "fake: Presentations.Open fails"},
  };
  for (const Case& c : cases) {
    // A good deck first: nothing of it stays in the count or the spin.
    slides_ = 3;
    TFormMain* f = WithList({"good.ppt", "deck.ppt"});
    clickListItem(f->ListRTF, 0);
    ASSERT_EQ(f->ePPT_NumSlides->Text(), "3");
    const int runs = Count("call ActivePresentation.SlideShowSettings.Run()");
    slides_ = c.slides;
    if (c.openFails) scope_.fake->Fail("Presentations.Open");
    clickListItem(f->ListRTF, 1);
    EXPECT_EQ(f->sePPT_NumSlides->MinValue(), 0) << c.why;
    EXPECT_EQ(f->sePPT_NumSlides->MaxValue(), 0) << c.why;
    EXPECT_EQ(f->sePPT_NumSlides->Value(), 0) << c.why;
    EXPECT_EQ(f->ePPT_NumSlides->Text(), "") << c.why;
    EXPECT_FALSE(ShowRuns()) << c.why;
    EXPECT_EQ(Count("call ActivePresentation.SlideShowSettings.Run()"), runs) << c.why;
    ASSERT_EQ(requests_.size(), 1u) << c.why;
    EXPECT_EQ(requests_[0].Msg, "Error file " + app_ + "Texts/deck.ppt\n" + c.why);
    EXPECT_EQ(requests_[0].DlgType, mtError);
    requests_.clear();
    Destroy();
  }
}

// A document whose reading is given up because the program closes (its
// conversion stopped) is not told: no box may hold the closing up.
TEST_F(OfficePageTest, AReadingGivenUpAsTheProgramClosesIsNotTold) {
  TFormMain* f = WithList({"news.rtf", "deck.ppt", "other.rtf"});
  clickListItem(f->ListRTF, 2);
  TRichEdit::RtfImporter = [](const String&) -> String { throw EAbort("Conversion of news.rtf was stopped"); };
  scope_.fake->OnCall = [](const String& k, const std::vector<OleValue>&) {
    if (k == "presentations.open") throw EAbort("Conversion of deck.ppt was stopped");
  };
  clickListItem(f->ListRTF, 0);
  EXPECT_EQ(f->RichEdit1->Text(), "From RTF");
  clickListItem(f->ListRTF, 1);
  EXPECT_EQ(f->sePPT_NumSlides->MaxValue(), 0);
  EXPECT_TRUE(requests_.empty()) << requests_[0].Msg;
}

TEST_F(OfficePageTest, ListEditing) {
  TFormMain* f = WithList({"a.rtf", "b.ppt"});
  // Delete with nothing selected does nothing; deleting the last entry
  // leaves no selection.
  f->ListRTF->SetItemIndex(-1);
  f->ListRTF_DelClick(nullptr);
  EXPECT_EQ(f->ListRTF->Count(), 2);
  f->ListRTF->SetItemIndex(1);
  f->ListRTF_DelClick(nullptr);
  EXPECT_EQ(f->ListRTF->Count(), 1);
  EXPECT_EQ(f->ListRTF->ItemIndex(), -1);
  // Nothing selected: neither a click nor Play does anything.
  f->ListRTFClick(nullptr);
  f->bPPT_PlayStopClick(nullptr);
  EXPECT_EQ(scope_.created, 0);
  // Add: every chosen file by its bare name.
  String dir;
  CommonDialogHook = [&](TCommonDialog* d) {
    auto* o = static_cast<TOpenDialog*>(d);
    o->Files()->Clear();
    o->Files()->Add(app_ + "Texts/one.rtf");
    o->Files()->Add(app_ + "Texts/two.PPT");
    return true;
  };
  f->ListRTF_addClick(nullptr);
  EXPECT_EQ(f->ListRTF->Items()->Text(), "a.rtf\none.rtf\ntwo.PPT\n");
  // Save and open a list file; the shared dialog keeps its own folder.
  const String before = f->OpenTextDialog->InitialDir;
  CommonDialogHook = [&](TCommonDialog* d) {
    auto* o = static_cast<TOpenDialog*>(d);
    dir = o->InitialDir;
    o->FileName = app_ + "Texts/office.txt";
    return true;
  };
  f->bOffice_SaveClick(nullptr);
  f->bOffice_NewClick(nullptr);
  EXPECT_EQ(f->ListRTF->Count(), 0);
  f->bOffice_OpenClick(nullptr);
  EXPECT_EQ(dir, app_ + "Texts/");
  EXPECT_EQ(f->ListRTF->Count(), 3);
  EXPECT_EQ(f->ListRTF->ItemIndex(), 0);
  EXPECT_EQ(f->OpenTextDialog->InitialDir, before);
}

TEST_F(OfficePageTest, AFolderListingReplacesTheList) {
  TFormMain* f = WithList({"old.rtf"});
  const String dir = app_ + "Texts/sub";
  std::filesystem::create_directories(dir + "/folder.rtf");
  for (const char* n : {"b.PPT", "a.rtf", "c.txt", "d.Rtf"}) WriteFile(String("Texts/sub/") + n, "x");
  SelectDirectoryHook = [&](const String&, String& d) {
    EXPECT_EQ(d, app_ + "Texts/");
    d = dir;
    return true;
  };
  f->SelectFolderClick(nullptr);
  EXPECT_EQ(f->ListRTF->Items()->Text(), "a.rtf\nb.PPT\nd.Rtf\n");
}

// "Directory..." with a document on the page: the new list chooses its line
// again when it holds it, and the page shows no document when it does not.
TEST_F(OfficePageTest, AFolderListingKeepsTheShownDocumentOrShowsNone) {
  const struct {
    const char* name;
    int line;            // the line shown before
    const char* folder;  // the folder listed, under "Texts/"
    int lineAfter;       // -1: none
  } rows[] = {
      {"deck still listed", 0, "", 0},
      {"deck not listed", 0, "sub", -1},
      {"document still listed", 1, "", 1},
      {"document not listed", 1, "sub", -1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TFormMain* f = WithList({"deck.ppt", "news.rtf"});
    std::filesystem::create_directories(app_ + "Texts/sub");
    WriteFile("Texts/sub/other.rtf", "x");
    clickListItem(f->ListRTF, row.line);
    SelectDirectoryHook = [&](const String&, String& d) {
      d = app_ + "Texts/" + row.folder;
      return true;
    };
    clickAt(f->SelectFolder, f->SelectFolder->Width() / 2, f->SelectFolder->Height() / 2);
    EXPECT_EQ(f->ListRTF->ItemIndex(), row.lineAfter);
    const bool deck = row.line == 0, kept = row.lineAfter >= 0;
    EXPECT_EQ(ShowRuns(), deck && kept);
    EXPECT_EQ(f->ePPT_NumSlides->Text(), deck && kept ? "3" : "");
    EXPECT_EQ(f->sePPT_NumSlides->Value(), deck && kept ? 1 : 0);
    EXPECT_EQ(f->RichEdit1->Text(), !deck && kept ? "From RTF" : "");
    Destroy();
  }
}

// The play loop: "Stop" while it runs over the output area, "Play" and
// disconnected after; rounds are the waits of WaitHook.
TEST_F(OfficePageTest, PlayRunsTheShowOverTheOutputAreaUntilItEnds) {
  TFormMain* f = WithList({"deck.ppt"});
  f->ListRTF->SetItemIndex(0);
  int rounds = 0;
  f->WaitHook = [&](int) {
    if (++rounds == 1) {
      EXPECT_EQ(f->bPPT_PlayStop->Caption(), "Stop");
      EXPECT_EQ(f->bPPT_PlayStop->Tag(), 1);
      EXPECT_EQ(f->PowPnt1->PresentationMonitorX(), ScreenRectOf(f->BufferTablo).Left);
      EXPECT_EQ(f->PowPnt1->PresentationMonitorXX(), f->BufferTablo->ClientWidth());
      EXPECT_EQ(f->PowPnt1->PresentationMonitorYY(), f->BufferTablo->ClientHeight());
    }
    Advance();
    return rounds < 50;
  };
  f->bPPT_PlayStopClick(f->bPPT_PlayStop);
  EXPECT_EQ(rounds, 3);   // slides 2, 3, then past the last one
  EXPECT_EQ(f->bPPT_PlayStop->Caption(), "Play");
  EXPECT_EQ(f->bPPT_PlayStop->Tag(), 0);
  EXPECT_FALSE(f->PowPnt1->Connected());
  EXPECT_TRUE(scope_.fake->Logged("call Quit()"));
  EXPECT_FALSE(f->PlayLoopRunning);
}

TEST_F(OfficePageTest, ClosingDuringThePlayLoopEndsItCleanly) {
  TFormMain* f = WithList({"deck.ppt"});
  f->ListRTF->SetItemIndex(0);
  f->WaitHook = [&](int) {
    f->ClosingDown = true;
    return false;
  };
  f->bPPT_PlayStopClick(f->bPPT_PlayStop);
  EXPECT_FALSE(f->PowPnt1->Connected());
  EXPECT_FALSE(f->PlayLoopRunning);
  EXPECT_EQ(f->bPPT_PlayStop->Caption(), "Play");
}

TEST_F(OfficePageTest, CicleRestartsAShowThatEndedButStopEndsItForGood) {
  TFormMain* f = WithList({"deck.ppt"});
  f->ListRTF->SetItemIndex(0);
  f->cbPPT_Cikle->SetChecked(true);
  int rounds = 0, runsAtStop = 0;
  f->WaitHook = [&](int) {
    if (++rounds < 4) {
      Advance();   // slides 2, 3, then past the last one: the show starts again
    } else if (rounds == 4) {
      EXPECT_TRUE(scope_.fake->Logged("call ActivePresentation.SlideShowWindow.View.GotoSlide(1)"));
      runsAtStop = Count("call ActivePresentation.SlideShowSettings.Run()");
      // The operator's "Stop".
      clickAt(f->bPPT_PlayStop, f->bPPT_PlayStop->Width() / 2, f->bPPT_PlayStop->Height() / 2);
      EXPECT_EQ(f->bPPT_PlayStop->Caption(), "Play");
    }
    return rounds < 20;
  };
  clickAt(f->bPPT_PlayStop, f->bPPT_PlayStop->Width() / 2, f->bPPT_PlayStop->Height() / 2);
  EXPECT_EQ(rounds, 4);
  EXPECT_EQ(Count("call ActivePresentation.SlideShowSettings.Run()"), runsAtStop);
  EXPECT_FALSE(ShowRuns());
  EXPECT_EQ(f->bPPT_PlayStop->Caption(), "Play");
  EXPECT_FALSE(f->PowPnt1->Connected());
  EXPECT_EQ(Count("call Quit()"), 1);
}

TEST_F(OfficePageTest, AddTakesFilesOfTheTextsFolderAndRefusesOthersWithAMessage) {
  TFormMain* f = WithList({"a.rtf"});
  WriteFile("Texts/two.PPT", "deck");
  CommonDialogHook = [&](TCommonDialog* d) {
    auto* o = static_cast<TOpenDialog*>(d);
    EXPECT_EQ(o->InitialDir, app_ + "Texts/");
    o->Files()->Clear();
    o->Files()->Add(root_ + "/elsewhere/one.rtf");
    o->Files()->Add(app_ + "Texts/two.PPT");
    return true;
  };
  f->ListRTF_add->Click();
  EXPECT_EQ(f->ListRTF->Items()->Text(), "a.rtf\ntwo.PPT\n");
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_NE(requests_[0].Msg.find(root_ + "/elsewhere/one.rtf"), String::npos);
  // A listed presentation that has gone is reported, not passed over in
  // silence.
  std::filesystem::remove(app_ + "Texts/two.PPT");
  clickListItem(f->ListRTF, 1);
  ASSERT_EQ(requests_.size(), 2u);
  EXPECT_EQ(requests_[1].Msg.rfind("Error file " + app_ + "Texts/two.PPT", 0), 0u);
}

TEST_F(OfficePageTest, ShutdownEndsTheShowThenDisconnects) {
  TFormMain* f = WithList({"deck.ppt"});
  Select(0);
  ASSERT_TRUE(f->PowPnt1->Connected());
  scope_.fake->Log.clear();
  Destroy();
  std::vector<String> ends;
  for (const String& e : scope_.fake->Log)
    if (e.find("Exit()") != String::npos || e.find("Quit()") != String::npos) ends.push_back(e);
  EXPECT_EQ(ends, (std::vector<String>{"call ActivePresentation.SlideShowWindow.View.Exit()", "call Quit()"}));
}
