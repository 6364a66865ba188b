// What the output area shows around a Flash movie of the play list, with the
// control's own player on movies the tests write: an ended movie holds its
// last frame until the next item shows its own, nothing of an earlier item
// shows after Stop, and a player whose page's renderer ends starts again.
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ConsoleFixture.h"
#include "FlashNoteWatch.h"
#include "OperatorHands.h"
#include "console/FrMedia.h"
#include "controls/ShockwaveEx.h"
#include "media/DSVideoWindow.h"
#include "media/MediaFixture.h"
#include "pictureshow/PictureShow.h"
#include "support/SwfMaker.h"
#include "toolkit/ControlWindow.h"

namespace {

using mediatest::PumpUntil;

constexpr TColor Yellow = RGB(0xFF, 0xFF, 0x00);

// What a grab of the output area shows: the colour at its middle, where the
// movie's square is (its mean x as a share of the width; -1 none), whether
// it is empty (all black or all white) and the colours it shows.
struct OutputLook {
  TColor mid = clBlack;
  double squareX = -1;
  bool empty = false;
  std::set<TColor> colours;
};

OutputLook Look(TBitmap& grab) {
  OutputLook l;
  l.mid = grab.Canvas()->Pixel(grab.Width() / 2, grab.Height() / 2);
  long sum = 0, n = 0;
  bool black = true, white = true;
  for (int y = 2; y < grab.Height(); y += 4)
    for (int x = 2; x < grab.Width(); x += 4) {
      const TColor c = grab.Canvas()->Pixel(x, y);
      l.colours.insert(c);
      if (c == Yellow) sum += x, ++n;
      black = black && c == clBlack;
      white = white && c == clWhite;
    }
  l.squareX = n > 0 ? double(sum) / n / grab.Width() : -1;
  l.empty = black || white;
  return l;
}

// What the screen shows of the output area: the area as it paints, and
// over it, where the Flash player's window shows (unmasked), the pixels
// that window last put on the screen (its backing store), not the page's
// present picture.
OutputLook ScreenLook(TWinControl* area, TWinControl* flash) {
  TBitmap grab(area->Width(), area->Height());
  grab.Fill(clFuchsia);
  area->PaintTo(grab.Canvas(), 0, 0);
  for (QWidget* w : tkqt::WindowsOver(flash->Widget())) {
    if (!w->isVisible()) continue;
    const QRegion part = (w->mask().isEmpty() ? QRegion(w->rect()) : w->mask()) & w->rect();
    if (part.isEmpty()) continue;
    const QImage shot = w->screen()->grabWindow(w->winId()).toImage();
    const QPoint at = area->Widget()->mapFromGlobal(w->mapToGlobal(QPoint(0, 0)));
    QPainter p(grab.Canvas()->Image());
    p.setClipRegion(part.translated(at));
    p.drawImage(at, shot);
  }
  return Look(grab);
}

// The processes that render the pages of the browser engine's views.
std::vector<pid_t> PageRenderers() {
  std::vector<pid_t> out;
  for (QWidget* w : QApplication::allWidgets())
    if (auto* v = qobject_cast<QWebEngineView*>(w); v && v->page() && v->page()->renderProcessPid() > 0)
      out.push_back(pid_t(v->page()->renderProcessPid()));
  return out;
}

class MediaFlashOutputTest : public ConsoleFixture {
 protected:
  void SetUp() override {
    ConsoleFixture::SetUp();
    String why;
    if (!FlashPlayerAvailable(&why)) GTEST_SKIP() << "No Flash player in this build: " << why;
    setenv("TABLO_AUDIO_SINK", "fakesink sync=true", 1);
    if (!gst_is_initialized()) gst_init(nullptr, nullptr);
    Create();
    f_ = form_->FrameMedia1;
    f_->TickSource = [this] { return tick_; };
    f_->PictureShow->SetDelay(1);
    // The movies, each with a stage of its own colour; the square moves
    // from the left edge to the right one.
    const struct { const char* name; uint32_t stage; int frames; } movies[] = {
        {"m.swf", 0x000080, 24}, {"g.swf", 0x006000, 36}};
    for (const auto& m : movies) {
      swf::Movie movie;
      movie.Frames = m.frames;
      movie.FrameRate = 24;
      movie.Background = m.stage;
      swf::Save(Pics() + m.name, movie);
    }
    TBitmap red(64, 48);
    red.Fill(clRed);
    red.SaveToFile(Pics() + "a.bmp");
    clips::Make(Pics() + "c.avi", clips::Kind::Avi, 4, 176, 144);
    form_->Show();   // a page draws only when it is on the screen
    hands::SendPage(form_->Sheet_Media);
  }
  String Pics() const { return app_ + "Pics/"; }
  void List(const std::vector<String>& names) {
    std::string text;
    for (const String& n : names) text += n + "\n";
    std::ofstream(Pics() + "list.txt") << text;
    f_->LoadPlayList(Pics() + "list.txt");
    f_->SetButtonsState(1);
    f_->ListMedia->SetItemIndex(0);
  }
  // Grabs the output area every millisecond from the click on Play until
  // look() (given each grab) says it has seen enough; a picture's pause ends
  // at once. False when that took over a minute.
  bool PlayWatching(const std::function<bool(const OutputLook&)>& look) {
    TWinControl* area = form_->PanelTabloColor;
    bool enough = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
      if (enough) return;
      enough = look(ScreenLook(area, f_->ShockwaveFlashEx1));
    });
    timer.start(1);
    hands::Click(f_->btPlay);
    const bool done = PumpUntil([&] {
      if (f_->TimerDelayPics->Enabled()) {
        tick_ += 1000 * f_->PicsShowPause->Value() + 10;
        f_->TimerDelayPicsTimer(f_->TimerDelayPics);
      }
      return enough;
    }, 60000);
    timer.stop();
    return done;
  }
  // The movie of line `line` plays on the output, past its first frames.
  bool MoviePlaysOn(int line) const {
    TShockwaveFlashEx* flash = f_->ShockwaveFlashEx1;
    return f_->ListMedia->ItemIndex() == line && flash->Visible() && flash->Playing() && flash->CurrentFrame() >= 6;
  }
  TFrameMedia* f_ = nullptr;
  int64_t tick_ = 1000000;
};

const TColor Navy = RGB(0x00, 0x00, 0x80), Green = RGB(0x00, 0x60, 0x00);

// A movie's end: it holds its last frame (its square at the right) until the
// next item shows its own; it never starts again from its first frame (the
// square back at the left), and nothing empty shows between them.
TEST_F(MediaFlashOutputTest, AnEndedMovieHoldsItsLastFrameUntilTheNextItemShows) {
  const struct {
    const char* name;
    std::vector<String> lines;
    std::function<bool(const OutputLook&, TFrameMedia*)> nextShown;
  } rows[] = {
      {"to a picture", {"m.swf", "a.bmp"}, [](const OutputLook& l, TFrameMedia*) {
         return l.mid == clRed && l.squareX < 0;
       }},
      {"to a movie", {"m.swf", "g.swf"}, [](const OutputLook& l, TFrameMedia* f) {
         return l.mid == Green && f->ListMedia->ItemIndex() == 1 && f->ShockwaveFlashEx1->CurrentFrame() >= 6;
       }},
      {"to a clip", {"m.swf", "c.avi"}, [](const OutputLook& l, TFrameMedia* f) {
         return f->CurrentKind == mkVideo && f->DSVideoWindowEx1->Visible() && !l.colours.count(Navy);
       }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    List(row.lines);
    int grabs = 0, empty = 0, again = 0;
    bool atEnd = false;   // the square reached the right
    const bool seen = PlayWatching([&](const OutputLook& l) {
      if (!atEnd && l.squareX > 0.75 && l.mid == Navy) atEnd = true;
      if (!atEnd) return false;
      ++grabs;
      if (l.empty) ++empty;
      if (l.squareX >= 0 && l.squareX < 0.3 && l.mid != Green) ++again;
      return row.nextShown(l, f_);
    });
    ASSERT_TRUE(seen) << "the movie's end seen: " << atEnd << ", grabs since: " << grabs;
    hands::Click(f_->btStop);
    EXPECT_GT(grabs, 5);
    EXPECT_EQ(empty, 0) << "of " << grabs << " grabs";
    EXPECT_EQ(again, 0) << "of " << grabs << " grabs showed the movie from its start again";
  }
}

// A movie after a clip or a picture that followed another movie: the output
// keeps the clip's or the picture's frame until the movie shows its own; the
// earlier movie's last frame (what the player's window showed when it was
// last on the screen) never shows again.
TEST_F(MediaFlashOutputTest, AMovieAfterAClipOrPictureShowsNoFrameOfTheMovieBefore) {
  const struct {
    const char* name;
    std::vector<String> lines;
  } rows[] = {
      {"after a clip", {"m.swf", "c.avi", "g.swf"}},
      {"after a picture", {"m.swf", "a.bmp", "g.swf"}},
  };
  bool pictureShown = false;   // the picture's transition (from the movie's frame) has ended
  f_->PictureShow->OnStop = [&](TObject* s) {
    pictureShown = pictureShown || f_->CurrentKind == mkPicture;
    f_->PictureShowStop(s);
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    List(row.lines);
    pictureShown = false;
    int grabs = 0, earlier = 0;
    bool between = false;   // the item between the movies shows
    ASSERT_TRUE(PlayWatching([&](const OutputLook& l) {
      between = between || (f_->ListMedia->ItemIndex() == 1 && l.mid != Navy &&
                            (pictureShown || (f_->CurrentKind == mkVideo && f_->DSVideoWindowEx1->Visible())));
      if (!between) return false;
      ++grabs;
      if (l.mid == Navy) ++earlier;
      return MoviePlaysOn(2) && l.mid == Green;
    }));
    hands::Click(f_->btStop);
    EXPECT_GT(grabs, 5);
    EXPECT_EQ(earlier, 0) << "of " << grabs << " grabs showed the movie before";
  }
}

// Stop during a movie: the movie goes, and nothing of the item before it (a
// picture, a clip, another movie) shows in its place; the first movie played
// after a Stop shows no frame of the one stopped before its own.
TEST_F(MediaFlashOutputTest, AfterStopDuringAMovieNothingOfAnEarlierItemShows) {
  const struct {
    const char* name;
    std::vector<String> lines;
    std::function<bool(const OutputLook&)> earlier;
  } rows[] = {
      {"after a picture", {"a.bmp", "g.swf"}, [](const OutputLook& l) { return l.mid == clRed; }},
      {"after a clip", {"c.avi", "g.swf"}, [](const OutputLook& l) {
         return l.mid != clBlack && l.mid != Green && l.mid != Yellow && !l.empty;
       }},
      {"after a movie", {"m.swf", "g.swf"}, [](const OutputLook& l) { return l.mid == Navy; }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    List(row.lines);
    int afterStop = 0, earlier = 0;
    bool stopped = false, replayed = false;
    ASSERT_TRUE(PlayWatching([&](const OutputLook& l) {
      if (!stopped) {
        if (!MoviePlaysOn(1)) return false;
        stopped = true;
        // Stop, then (a moment later) the movie is played again.
        QTimer::singleShot(0, [&] { hands::Click(f_->btStop); });
        QTimer::singleShot(300, [&] {
          replayed = true;
          hands::Click(f_->btPlay);
        });
        return false;
      }
      if (f_->btStop->Enabled() && !replayed) return false;   // Stop not yet clicked
      ++afterStop;
      if (row.earlier(l)) ++earlier;
      return replayed && MoviePlaysOn(1) && l.mid == Green;
    }));
    hands::Click(f_->btStop);
    EXPECT_GT(afterStop, 20);
    EXPECT_EQ(earlier, 0) << "of " << afterStop << " grabs from Stop until the movie played again";
  }
}

// A picture after a clip or movie left early (Next), or stopped (Stop, then
// Play on the picture's line): its transition starts from what the output
// shows then, the frame where that item was left or (after Stop) nothing,
// never from an earlier item's frame (the last frame kept of a movie before
// it, the picture show's older picture).
TEST_F(MediaFlashOutputTest, APictureAfterAnItemLeftEarlyStartsFromWhatTheOutputShows) {
  const struct {
    const char* name;
    std::vector<String> lines;   // the item left is line 1, the picture line 2
    bool stop;
    TColor earlier;   // the colour of the item before the one left
  } rows[] = {
      {"Next during a movie after a movie", {"m.swf", "g.swf", "a.bmp"}, false, Navy},
      {"Next during a movie after a picture", {"b.bmp", "g.swf", "a.bmp"}, false, clBlue},
      {"Next during a clip after a movie", {"m.swf", "long.avi", "a.bmp"}, false, Navy},
      {"Stop during a movie after a picture", {"b.bmp", "g.swf", "a.bmp"}, true, clBlue},
      {"Stop during a clip after a movie", {"m.swf", "long.avi", "a.bmp"}, true, Navy},
  };
  TBitmap blue(64, 48);
  blue.Fill(clBlue);
  blue.SaveToFile(Pics() + "b.bmp");
  clips::Make(Pics() + "long.avi", clips::Kind::Avi, 50, 176, 144);
  enum { Playing, Left, Replayed } phase = Playing;
  bool shown = false;   // the picture's transition has ended
  f_->PictureShow->OnStop = [&](TObject* s) {
    shown = shown || (phase != Playing && f_->CurrentKind == mkPicture);
    f_->PictureShowStop(s);
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    List(row.lines);
    int grabs = 0, earlier = 0, empty = 0;
    phase = Playing;
    shown = false;
    ASSERT_TRUE(PlayWatching([&](const OutputLook& l) {
      if (shown) return true;   // the list goes on from here
      if (phase == Playing) {
        const bool plays = MoviePlaysOn(1) || (f_->ListMedia->ItemIndex() == 1 && f_->CurrentKind == mkVideo &&
                                               f_->DSVideoWindowEx1->Visible() && !l.colours.count(row.earlier));
        if (!plays) return false;
        phase = Left;
        QTimer::singleShot(0, [&] { hands::Click(row.stop ? f_->btStop : f_->btNextChapter); });
        return false;
      }
      if (phase == Left && row.stop && f_->ListMedia->Enabled()) {
        // Stopped: the picture's line is picked and played.
        phase = Replayed;
        QTimer::singleShot(0, [&] {
          hands::ClickLine(f_->ListMedia, 2);
          hands::Click(f_->btPlay);
        });
      }
      ++grabs;
      if (l.colours.count(row.earlier)) ++earlier;
      if (l.empty && !row.stop) ++empty;
      return false;
    }));
    hands::Click(f_->btStop);
    EXPECT_GT(grabs, 5);
    EXPECT_EQ(earlier, 0) << "of " << grabs << " grabs showed the item before";
    EXPECT_EQ(empty, 0) << "of " << grabs << " grabs";
  }
}

// Next while a large movie loads (its page reads it) after a movie, a
// picture or a clip: its load is given up, and the output keeps what it
// showed until the next movie has its own frame, with nothing empty between
// and no frame of the movie given up.
TEST_F(MediaFlashOutputTest, NextDuringALargeMoviesLoadKeepsTheOutputUntilTheNextMovieShows) {
  const struct {
    const char* name;
    std::vector<String> lines;
  } rows[] = {
      {"after a movie", {"m.swf", "big.swf", "g.swf"}},
      {"after a picture", {"a.bmp", "big.swf", "g.swf"}},
      {"after a clip", {"c.avi", "big.swf", "g.swf"}},
  };
  swf::Movie big;
  big.Background = 0x008080;
  big.DataBytes = 48 << 20;
  swf::Save(Pics() + "big.swf", big);
  const TColor Teal = RGB(0x00, 0x80, 0x80);
  std::optional<FlashNoteWatch> watch;   // for the page's request of the large movie
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    List(row.lines);
    int grabs = 0, empty = 0, givenUp = 0;
    bool asked = false;
    ASSERT_TRUE(PlayWatching([&](const OutputLook& l) {
      if (!watch && f_->ShockwaveFlashEx1->Movie().ends_with("big.swf"))
        watch.emplace("player/movie/", [&] {
          asked = true;
          QTimer::singleShot(0, [&] { hands::Click(f_->btNextChapter); });
        });
      if (!asked) return false;
      ++grabs;
      if (l.empty) ++empty;
      if (l.colours.count(Teal)) ++givenUp;
      return MoviePlaysOn(2) && l.mid == Green;
    }));
    watch.reset();
    hands::Click(f_->btStop);
    EXPECT_GT(grabs, 5);
    EXPECT_EQ(empty, 0) << "of " << grabs << " grabs";
    EXPECT_EQ(givenUp, 0) << "of " << grabs << " grabs showed the movie given up";
  }
}

// The player's page renderer ends while a movie plays (killed, as a crash
// ends it): the movie's picture goes at once (no white page on the output),
// the list goes on with the next item, and the next movie plays on a page
// started again, without a wait or an error.
TEST_F(MediaFlashOutputTest, APlayerWhosePageRendererEndsStartsAgainAndTheListGoesOn) {
  swf::Movie long_;
  long_.Frames = 240;   // 10 s
  long_.FrameRate = 24;
  swf::Save(Pics() + "long.swf", long_);
  List({"long.swf", "a.bmp", "g.swf"});
  int killed = 0, white = 0, afterKill = 0;
  bool greenPlayed = false;
  ASSERT_TRUE(PlayWatching([&](const OutputLook& l) {
    if (killed == 0) {
      if (!MoviePlaysOn(0)) return false;
      for (pid_t p : PageRenderers())
        if (kill(p, SIGKILL) == 0) ++killed;
      return killed == 0;   // no renderer to end: nothing to watch
    }
    ++afterKill;
    if (l.mid == clWhite) ++white;
    greenPlayed = greenPlayed || (MoviePlaysOn(2) && l.mid == Green);
    return greenPlayed || !form_->StatusBar1->Panels()->Items(1)->Text().empty();
  }));
  hands::Click(f_->btStop);
  ASSERT_GT(killed, 0) << "no renderer of the player's page found";
  EXPECT_TRUE(greenPlayed);
  EXPECT_EQ(form_->StatusBar1->Panels()->Items(1)->Text(), "");
  EXPECT_EQ(white, 0) << "of " << afterKill << " grabs after the renderer ended";
}

}  // namespace
