// The Flash control's own player on movies written by the test: it shows the
// movie (pixels change between frames), knows its frames, counts them while
// playing and holds while stopped, and refuses a broken movie.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "controls/ShockwaveEx.h"
#include "support/SwfMaker.h"
#include "toolkit/Forms.h"
#include "toolkit/Graphics.h"
#include "toolkit/SysUtils.h"
#include "toolkit/ToolkitTestUtil.h"

namespace {

class FlashPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    String why;
    if (!FlashPlayerAvailable(&why)) GTEST_SKIP() << "No Flash player in this build: " << why;
    dir = std::filesystem::temp_directory_path() / ("flash_player_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    form = new TForm(nullptr);
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, 160, 120);
    flash = new TShockwaveFlashEx(form);
    flash->SetParent(form);
    flash->SetBounds(0, 0, 160, 120);
    form->Show();
  }
  void TearDown() override {
    delete form;
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  String Movie(const char* name, swf::Movie m) {
    const String path = (dir / name).string();
    swf::Save(path, m);
    return path;
  }
  // The colour at (x, y) of what the form shows.
  TColor PixelAt(int x, int y) {
    TBitmap grab(160, 120);
    grab.Fill(clFuchsia);
    form->PaintTo(grab.Canvas(), 0, 0);
    return grab.Canvas()->Pixel(x, y);
  }
  std::filesystem::path dir;
  TForm* form = nullptr;
  TShockwaveFlashEx* flash = nullptr;
};

// Stage 160 x 120, navy, a 30-pixel yellow square from the top-left corner
// to the bottom-right one over the frames.
constexpr TColor Yellow = TColor(0x00FFFF), Navy = TColor(0x800000);

TEST_F(FlashPlayerTest, ShowsTheMovingSquareCountsFramesAndHoldsWhileStopped) {
  swf::Movie m;
  m.Frames = 48;
  m.FrameRate = 12;
  // Loaded while hidden, as the media frame does, then shown.
  flash->SetVisible(false);
  flash->SetMovie(Movie("square.swf", m));
  ASSERT_EQ(flash->TotalFrames(), 48);
  flash->SetVisible(true);
  flash->GotoFrame(0);
  EXPECT_EQ(flash->CurrentFrame(), 0);
  // Held on its first frames until played (the player may run a few in its
  // first tick on a busy machine): the square near its first place, which it
  // leaves after the tenth frame.
  ASSERT_TRUE(pumpUntil([&] { return PixelAt(28, 28) == Yellow; }, 30000)) << "the first frame never shows";
  flash->Play();
  EXPECT_TRUE(flash->Playing());
  EXPECT_TRUE(pumpUntil([&] { return PixelAt(28, 28) == Navy; }, 30000)) << "the movie does not move";
  flash->Stop();
  EXPECT_FALSE(flash->Playing());
  const int held = flash->CurrentFrame();
  pumpUntil([] { return false; }, 300);
  EXPECT_EQ(flash->CurrentFrame(), held);
  flash->Play();
  ASSERT_TRUE(pumpUntil([&] { return flash->CurrentFrame() >= 47; }, 60000));
  EXPECT_EQ(flash->CurrentFrame(), 47);   // clamped to the last frame
  EXPECT_TRUE(pumpUntil([&] { return PixelAt(150, 110) == Yellow; }, 30000)) << "last frame never shown";
  flash->GotoFrame(0);
  EXPECT_EQ(flash->CurrentFrame(), 0);
}

// A page that has loaded eight movies is started anew once out of sight (its
// renderer kept memory of every movie), and the next movie plays in it.
TEST_F(FlashPlayerTest, APageThatLoadedEightMoviesStartsAnewOutOfSightAndPlaysOn) {
  swf::Movie m;
  m.Frames = 12;
  m.SquareSize = 120;   // over (60, 60) in every frame
  const String movie = Movie("m.swf", m);
  for (int k = 0; k < 8; ++k) flash->SetMovie(movie);
  const int starts = flash->Player()->PageStarts();
  flash->SetVisible(false);
  ASSERT_TRUE(pumpUntil([&] { return flash->Player()->PageStarts() > starts; }, 30000)) << "the page was kept";
  flash->SetMovie(movie);
  ASSERT_EQ(flash->TotalFrames(), 12);
  flash->SetVisible(true);
  flash->GotoFrame(0);
  EXPECT_TRUE(pumpUntil([&] { return PixelAt(60, 60) == Yellow; }, 30000)) << "the movie does not show";
}

TEST_F(FlashPlayerTest, ReadsEveryPackingAndRefusesABrokenMovie) {
  for (swf::Pack p : {swf::Pack::Zlib, swf::Pack::Lzma}) {
    swf::Movie m;
    m.Frames = 10;
    m.Packing = p;
    flash->SetMovie(Movie(p == swf::Pack::Zlib ? "z.swf" : "l.swf", m));
    EXPECT_EQ(flash->TotalFrames(), 10);
  }
  const String broken = (dir / "broken.swf").string();
  SaveTextFile(broken, "FWS");
  flash->SetMovie(broken);
  EXPECT_EQ(flash->TotalFrames(), 0);
  flash->Play();
  EXPECT_FALSE(flash->Playing());
}

}  // namespace
