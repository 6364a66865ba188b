// The Flash host's mouse handling: what the player gets, which events fire,
// the shared pressed flag and the popup on the right button.
#include <gtest/gtest.h>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QWidget>
#include "controls/ShockwaveEx.h"
#include "toolkit/Forms.h"
#include "toolkit/Menus.h"

namespace {

// Keeps every message the host passed on.
struct RecordingPlayer : TNoFlashPlayer {
  std::vector<uint32_t>* got;
  explicit RecordingPlayer(std::vector<uint32_t>* g) : got(g) {}
  void MouseMessage(const TFlashMessage& m) override { got->push_back(m.Msg); }
};

class ShockwaveExTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 300, 300);
    flash = new TShockwaveFlashEx(form);
    flash->SetParent(form);
    flash->SetBounds(10, 10, 200, 150);
    flash->SetPlayer(std::make_unique<RecordingPlayer>(&player));
    menu = new TPopupMenu(form);
    auto* item = new TMenuItem(form);
    item->SetCaption("Stop");
    menu->Items()->Add(item);
    flash->SetPopupMenu(menu);
    flash->OnMouseUp = [this](TObject*, TMouseButton b, TShiftState, int x, int y) {
      events.push_back("up" + IntToStr(int(b)) + ":" + IntToStr(x) + "," + IntToStr(y));
    };
    flash->OnClick = [this](TObject*) { events.push_back("click"); };
    flash->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { events.push_back("down"); };
  }
  void TearDown() override {
    menu->ClosePopup();
    delete form;
  }
  void Send(std::initializer_list<uint32_t> msgs, int x = 5, int y = 6) {
    for (uint32_t m : msgs) flash->Perform(m, 0, MakeMousePos(x, y));
  }
  TForm* form = nullptr;
  TShockwaveFlashEx* flash = nullptr;
  TPopupMenu* menu = nullptr;
  std::vector<uint32_t> player;
  std::vector<String> events;
};

TEST(FlashControlTest, NonePlayerKeepsMovieHasNoFramesAndShowsItsColour) {
  TShockwaveFlash f(nullptr);
  EXPECT_TRUE(f.Menu());
  f.SetMovie("/m/a.swf");
  f.GotoFrame(0);
  f.Play();
  EXPECT_EQ(f.Movie(), "/m/a.swf");
  EXPECT_EQ(f.TotalFrames(), 0);
  EXPECT_FALSE(f.Playing());
  f.SetColor(clNavy);
  TBitmap shot(f.Width(), f.Height());
  f.PaintTo(shot.Canvas(), 0, 0);
  EXPECT_EQ(shot.Canvas()->Pixel(50, 50), clNavy);
}

TEST(FlashControlTest, PositionWordsAreSigned) {
  EXPECT_EQ(MousePosX(MakeMousePos(-3, 700)), -3);
  EXPECT_EQ(MousePosY(MakeMousePos(-3, -700)), -700);
}

TEST_F(ShockwaveExTest, LockedClicksKeepReleasesFromThePlayerButFireTheEvents) {
  flash->SetLockMouseClick(true);
  Send({WM_LBUTTONDOWN, WM_LBUTTONUP});
  EXPECT_EQ(player, (std::vector<uint32_t>{WM_LBUTTONDOWN}));
  EXPECT_EQ(events, (std::vector<String>{"down", "up0:5,6", "click"}));
  flash->SetLockMouseClick(false);
  Send({WM_LBUTTONDOWN, WM_LBUTTONUP});
  EXPECT_EQ(player, (std::vector<uint32_t>{WM_LBUTTONDOWN, WM_LBUTTONDOWN, WM_LBUTTONUP}));
}

TEST_F(ShockwaveExTest, WithoutThePlayersMenuTheRightPressIsKeptAndTheHostMenuPopsUp) {
  flash->SetMenu(false);
  Send({WM_RBUTTONDOWN, WM_RBUTTONUP});
  EXPECT_EQ(player, (std::vector<uint32_t>{WM_RBUTTONUP}));
  EXPECT_NE(menu->ShownMenu(), nullptr);
  EXPECT_EQ(menu->PopupComponent(), flash);
  EXPECT_TRUE(events.empty());
}

TEST_F(ShockwaveExTest, OnePressedFlagServesBothButtonsAndLeavingClearsIt) {
  Send({WM_RBUTTONDOWN, WM_LBUTTONUP});
  EXPECT_EQ(events, (std::vector<String>{"up0:5,6", "click"}));
  events.clear();
  Send({WM_LBUTTONDOWN, WM_MOUSELEAVE, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_MOUSELEAVE, WM_RBUTTONUP});
  EXPECT_EQ(events, (std::vector<String>{"down", "up0:5,6"}));
  EXPECT_EQ(menu->ShownMenu(), nullptr);
}

TEST_F(ShockwaveExTest, TheMouseReachesTheMessageProcedureAndNoToolkitMenuShows) {
  form->Show();
  QWidget* surface = flash->Widget()->childAt(20, 20);
  ASSERT_NE(surface, nullptr);
  const QPointF p(20, 30);
  QMouseEvent press(QEvent::MouseButtonPress, p, p, surface->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, p, p, surface->mapToGlobal(p), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QCoreApplication::sendEvent(surface, &press);
  QCoreApplication::sendEvent(surface, &release);
  EXPECT_EQ(events, (std::vector<String>{"down", "up0:20,30", "click"}));
  EXPECT_EQ(player, (std::vector<uint32_t>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
  QContextMenuEvent ctx(QContextMenuEvent::Mouse, QPoint(20, 30), surface->mapToGlobal(QPoint(20, 30)));
  QCoreApplication::sendEvent(surface, &ctx);
  EXPECT_EQ(menu->ShownMenu(), nullptr);
}

}  // namespace
