// The play list's pictures are read on threads of their own while the items
// before them play. A metafile is drawn by the reader process, which hands
// back only the picture's pixels, whatever the metafile holds, and which the
// main thread never waits for: a picture not read when its turn comes, or
// one that cannot be read, is reported and skipped at once, on every pass,
// while the operator's clicks are served throughout.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <optional>
#include "ConsoleFixture.h"
#include "OperatorHands.h"
#include "bench/ResidentMemory.h"
#include "console/FrMedia.h"
#include "pictureshow/PictureShow.h"
#include "support/MetafileMaker.h"
#include "toolkit/Timer.h"

namespace {

class PlayListPictureReadTest : public ConsoleFixture {
 protected:
  void SetUp() override {
    ConsoleFixture::SetUp();
    readerWas_ = TMetafileReader::Program;
    timeWas_ = TMetafileReader::TimeLimitSeconds;
    TMetafileReader::Program = TABLO_SHEET_READER;
  }
  void TearDown() override {
    ConsoleFixture::TearDown();
    TMetafileReader::Program = readerWas_;
    TMetafileReader::TimeLimitSeconds = timeWas_;
  }
  String Pics() const { return app_ + "Pics/"; }
  void Write(const String& name, const std::string& bytes) { std::ofstream(Pics() + name, std::ios::binary) << bytes; }
  void Picture(const String& name, TColor c) {
    TBitmap b(64, 48);
    b.Fill(c);
    b.SaveToFile(Pics() + name);
  }
  // The console with these lines as its default list, on the media page,
  // every line's transition noted (the line and the picture's size) and the
  // longest gap between the ticks of a 10 ms timer measured from now on.
  void Start(const std::vector<String>& lines) {
    std::string text;
    for (const String& l : lines) text += l + "\n";
    Write(String(ExeName) + ".txt", text);
    Create();
    f_ = form_->FrameMedia1;
    f_->PictureShow->SetDelay(1);
    form_->SetStatusMinShowMs(0);   // each item's message at once
    hands::ChooseSheet(form_->Sheet_Media);
    f_->PictureShow->OnStart = [this](TObject* s) {
      const TPicture* p = f_->PictureShow->Picture();
      shown_.push_back({f_->ListMedia->ItemIndex(), p->Width(), p->Height()});
      f_->PictureShowStart(s);
    };
    ticker_ = std::make_unique<TTimer>(nullptr);
    ticker_->SetInterval(10);
    ticker_->OnTimer = [this](TObject*) {
      const auto now = std::chrono::steady_clock::now();
      if (lastTick_) longestGapMs_ = std::max<int64_t>(longestGapMs_, std::chrono::duration_cast<std::chrono::milliseconds>(now - *lastTick_).count());
      lastTick_ = now;
    };
    ticker_->SetEnabled(true);
  }
  bool Until(const std::function<bool()>& done, int ms = 30000) { return WaitFor(done, ms) == wrDone; }
  String Status() { return form_->StatusBar1->Panels()->Items(1)->Text(); }
  // A picture's pause runs (its transition is over).
  bool Pausing() const { return f_->TimerDelayPics->Enabled(); }
  // The operator's Next during a picture's pause, once the preview shows
  // what it is to show.
  void NextWhenPreviewShows(const String& caption) {
    ASSERT_TRUE(Until([&] { return Pausing() && f_->PicsImageSize->Caption() == caption; })) << caption;
    hands::Click(f_->btNextChapter);
  }
  // The same once the preview has read the next picture, whatever it says.
  String NextWhenPreviewRead() {
    EXPECT_TRUE(Until([&] { return Pausing() && f_->PicsImageSize->Caption() != "..."; }));
    const String said = f_->PicsImageSize->Caption();
    hands::Click(f_->btNextChapter);
    return said;
  }
  int Starts(int line) const {
    return int(std::count_if(shown_.begin(), shown_.end(), [line](const Shown& s) { return s.line == line; }));
  }
  struct Shown {
    int line, w, h;
  };
  TFrameMedia* f_ = nullptr;
  std::vector<Shown> shown_;
  std::unique_ptr<TTimer> ticker_;
  std::optional<std::chrono::steady_clock::time_point> lastTick_;
  int64_t longestGapMs_ = 0;
  String readerWas_;
  int timeWas_ = 0;
};

// A metafile of a 100 x 100 frame holding two pictures of 4000 x 4000 is
// shown at 100 x 100, and one holding sixteen of 5600 x 5600 (1.6 MB; they
// would take 2 GB of pixels) is refused: the console's resident memory and
// its main loop hardly notice either (the reader draws them, or refuses them
// at the look of their headers).
TEST_F(PlayListPictureReadTest, AMetafileHoldingHugePicturesCostsTheConsoleOnlyItsFrame) {
  const std::string big = metafiles::Png(4000, 4000, 0x0000FF), huge = metafiles::Png(5600, 5600, 0xFF0000);
  std::string two, sixteen;
  for (int k = 0; k < 2; ++k) two += metafiles::EmfPicture(50 * k, 0, 50, 100, big, 4000, 4000);
  for (int k = 0; k < 16; ++k) sixteen += metafiles::EmfPicture(25 * (k % 4), 25 * (k / 4), 25, 25, huge, 5600, 5600);
  Write("two.emf", metafiles::Emf(100, 100, {}, -1, -1, two));
  Write("sixteen.emf", metafiles::Emf(100, 100, {}, -1, -1, sixteen));
  Picture("a.bmp", clLime);
  Start({"a.bmp", "two.emf", "sixteen.emf"});
  ResetPeakResident();
  const double before = ResidentMb();
  hands::Click(f_->btPlay);
  EXPECT_EQ(NextWhenPreviewRead(), "100x100");   // two.emf, read while a.bmp showed
  EXPECT_EQ(NextWhenPreviewRead(), "???");       // sixteen.emf, refused
  EXPECT_TRUE(Until([&] { return Starts(0) == 2; }));
  EXPECT_EQ(Status(), "Error file " + Pics() + "sixteen.emf");
  // Generous bounds: about 2 GB and 2.5 to 4.8 s while the console decoded
  // the pictures itself.
  EXPECT_LT(PeakResidentMb() - before, 150.0);
  EXPECT_LT(longestGapMs_, 1000);
  const auto two100 = std::find_if(shown_.begin(), shown_.end(), [](const Shown& s) { return s.line == 1; });
  ASSERT_NE(two100, shown_.end());
  EXPECT_EQ(std::make_pair(two100->w, two100->h), std::make_pair(100, 100));
  EXPECT_EQ(Starts(2), 0);
  hands::Click(f_->btStop);
}

// A metafile whose reader takes longer than the item before it (it answers
// when the test lets it) is reported and skipped when its turn comes, the
// list going on at once and the main loop never waiting for it; read by its
// next turn, it is shown then.
TEST_F(PlayListPictureReadTest, AMetafileNotReadInTimeIsSkippedAndShownOnceRead) {
  TMetafileReader::Program = FAKE_SHEET_READER;
  TMetafileReader::TimeLimitSeconds = 120;   // the test lets it answer
  const String fifo = root_ + "/answer";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  Write("slow.emf", metafiles::Emf(8, 8, {}) + "wait " + fifo + "\n");
  Picture("a.bmp", clLime);
  Picture("b.bmp", clBlue);
  Start({"a.bmp", "slow.emf", "b.bmp"});
  hands::Click(f_->btPlay);
  NextWhenPreviewShows("...");   // slow.emf: its reader is at work
  ASSERT_TRUE(Until([&] { return Starts(2) == 1; }));
  EXPECT_EQ(Status(), "Error file " + Pics() + "slow.emf");
  EXPECT_EQ(Starts(1), 0);
  // The main loop went on all the while; the operator's Next is served.
  EXPECT_LT(longestGapMs_, 1000);
  NextWhenPreviewShows("64x48");   // a.bmp
  // The reader answers: on its next turn the metafile is shown.
  if (HasFatalFailure()) return;   // the reader may be gone: nobody would read the fifo
  const int w = open(fifo.c_str(), O_WRONLY);
  ASSERT_GE(w, 0);
  close(w);
  NextWhenPreviewShows("8x8");
  NextWhenPreviewShows("64x48");   // b.bmp
  EXPECT_EQ(Starts(1), 1);
  EXPECT_EQ(Status(), "");
  hands::Click(f_->btStop);
}

// A picture that cannot be read is skipped at once on every pass: no
// transition, no pause (the list's first pass skips it even when the show
// holds another picture), and the status names it each time.
TEST_F(PlayListPictureReadTest, APictureThatFailedIsSkippedAtOnceOnEveryPass) {
  Picture("a.bmp", clLime);
  Write("bad.bmp", "not a picture");
  Write("bad.emf", "not a metafile");
  Picture("b.bmp", clBlue);
  Start({"a.bmp", "bad.bmp", "b.bmp", "bad.emf"});
  hands::Click(f_->btPlay);
  for (int pass = 1; pass <= 2; ++pass) {
    NextWhenPreviewShows("???");   // bad.bmp
    ASSERT_TRUE(Until([&] { return Starts(2) == pass; }));
    EXPECT_EQ(Status(), "Error file " + Pics() + "bad.bmp");
    NextWhenPreviewShows("???");   // bad.emf
    ASSERT_TRUE(Until([&] { return Starts(0) == pass + 1; }));
    EXPECT_EQ(Status(), "Error file " + Pics() + "bad.emf");
  }
  EXPECT_EQ(Starts(1) + Starts(3), 0);
  EXPECT_EQ(f_->FailedInRow(), 0);
  hands::Click(f_->btStop);
}

}  // namespace
