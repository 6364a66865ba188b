// Forms, the application object, the screen, timers and the clipboard.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QTimer>
#include <atomic>
#include <stdexcept>
#include <thread>

#include "tests/toolkit/ToolkitTestUtil.h"
#include "toolkit/Clipbrd.h"
#include "toolkit/Dialogs.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Menus.h"
#include "toolkit/MouseTools.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"
#include "toolkit/Timer.h"

namespace {

std::vector<String>* gLog = nullptr;

// A form built in code: the constructor sets the design values and handlers.
class LoggingForm : public TForm {
 public:
  explicit LoggingForm(TComponent* o) : TForm(o) {
    SetBorderStyle(bsDialog);
    SetBounds(10, 10, 200, 100);
    SetCaption("Logging");
    OnCreate = [this](TObject*) {
      log("create");
      seenSelfAtCreate = seenSelfAtCreate || (gRef && *gRef == this);
    };
    OnDestroy = [this](TObject*) { log(FormatA("destroy %s", marker)); };
    OnShow = [this](TObject*) { log("show"); };
    OnHide = [this](TObject*) { log("hide"); };
  }
  ~LoggingForm() override { log("~LoggingForm"); }
  void log(const String& s) {
    if (gLog) gLog->push_back(s);
  }
  String marker = "alive";   // a member the destroy handler reads
  bool seenSelfAtCreate = false;
  static LoggingForm** gRef;
};
LoggingForm** LoggingForm::gRef = nullptr;

}  // namespace

TEST(Forms, CreateFormRunsOnCreateAfterTheConstructorAndFreeRunsOnDestroyFirst) {
  std::vector<String> log;
  gLog = &log;
  LoggingForm* f = nullptr;
  LoggingForm::gRef = &f;
  Application->CreateForm(&f);
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(f->seenSelfAtCreate);   // the reference is set before OnCreate
  EXPECT_EQ(log, (std::vector<String>{"create"}));
  TCustomForm* main = Application->MainForm();
  EXPECT_NE(main, nullptr);
  EXPECT_EQ(f->Owner(), Application);

  f->Show();
  EXPECT_TRUE(f->Visible());
  EXPECT_TRUE(f->Widget()->isVisible());
  EXPECT_EQ(f->Widget()->windowTitle().toStdString(), "Logging");
  f->Hide();
  EXPECT_FALSE(f->Widget()->isVisible());
  Free(f);
  EXPECT_EQ(log, (std::vector<String>{"create", "show", "hide", "destroy alive", "~LoggingForm"}));
  if (main == f) {
    EXPECT_EQ(Application->MainForm(), nullptr);
  }
  gLog = nullptr;
  LoggingForm::gRef = nullptr;
}

// A form whose handlers use its own members: freeing it while it is the
// active window must not run them once its own part is gone.
namespace {
struct MemberForm : TForm {
  explicit MemberForm(bool* alive) : TForm(nullptr), alive_(alive) {}
  ~MemberForm() override { *alive_ = false; }
  bool* alive_;
};
}  // namespace

TEST(Forms, FreeingAnActiveFormRunsNoHandlerOfTheDestroyedPart) {
  bool alive = true, calledWhenGone = false;
  int deactivations = 0;
  auto* f = new MemberForm(&alive);
  f->OnDeactivate = [&](TObject*) {
    ++deactivations;
    if (!alive) calledWhenGone = true;
  };
  // A control of the form hears nothing either: its list, dropped down, is
  // closed as the form is hidden on its way out.
  auto* combo = new TComboBox(f);
  combo->SetParent(f);
  combo->Items()->Add("one");
  combo->OnCloseUp = [&](TObject*) {
    if (!alive) calledWhenGone = true;
  };
  f->Show();
  combo->SetDroppedDown(true);
  QApplication::setActiveWindow(f->Widget());
  Application->ProcessMessages();
  ASSERT_TRUE(f->Widget()->isActiveWindow());
  Free(f);
  Application->ProcessMessages();
  EXPECT_FALSE(calledWhenGone);
}

TEST(Forms, OnCloseQueryCanKeepTheFormOpen) {
  TForm f(nullptr);
  f.Show();
  int asked = 0;
  bool allow = false;
  f.OnCloseQuery = [&](TObject*, bool& can) {
    ++asked;
    can = allow;
  };
  TCloseAction seen = caNone;
  f.OnClose = [&](TObject*, TCloseAction& a) { seen = a; };
  f.Close();
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(f.Visible());
  EXPECT_EQ(seen, caNone);   // OnClose did not run
  allow = true;
  f.Close();
  EXPECT_EQ(seen, caHide);
  EXPECT_FALSE(f.Visible());
}

TEST(Forms, OnCloseWithCaNoneKeepsTheForm) {
  TForm f(nullptr);
  f.Show();
  f.OnClose = [](TObject*, TCloseAction& a) { a = caNone; };
  f.Close();
  EXPECT_TRUE(f.Visible());
  f.Hide();
}

TEST(Forms, ShowModalReturnsTheResultSetWhileShown) {
  TForm f(nullptr);
  f.SetBounds(0, 0, 100, 100);
  int shows = 0;
  f.OnShow = [&](TObject*) {
    ++shows;
    QTimer::singleShot(0, [&f] { f.SetModalResult(mrYes); });
  };
  EXPECT_EQ(f.ShowModal(), mrYes);
  EXPECT_EQ(shows, 1);
  EXPECT_FALSE(f.Visible());
  EXPECT_FALSE(f.Modal());
}

TEST(Forms, ShowModalAsksCloseQueryAndCloseGivesCancel) {
  TForm f(nullptr);
  int asked = 0;
  f.OnCloseQuery = [&](TObject*, bool& can) {
    ++asked;
    can = asked > 1;   // the first request is refused
    if (!can) QTimer::singleShot(0, [&f] { f.Close(); });
  };
  f.OnShow = [&](TObject*) { QTimer::singleShot(0, [&f] { f.Close(); }); };
  EXPECT_EQ(f.ShowModal(), mrCancel);
  EXPECT_EQ(asked, 2);
  f.OnShow = nullptr;
  EXPECT_THROW(
      {
        f.Show();
        f.ShowModal();
      },
      EInvalidOperation);
  f.Hide();
}

// A modal window or dialog takes the mouse as it starts: a control's capture
// ends and an open pop-up menu closes.
TEST(Forms, AModalWindowTakesTheMouse) {
  TForm owner(nullptr);
  owner.SetBounds(0, 0, 200, 100);
  auto* panel = new TPanel(&owner);
  panel->SetParent(&owner);
  owner.Show();
  TPopupMenu menu(nullptr);
  menu.Items()->Add(new TMenuItem(&menu));
  menu.Items()->Items(0)->SetCaption("One");
  TForm modal(nullptr);
  TFontDialog font(nullptr);
  bool captured = true, menuShown = true;
  auto look = [&] {
    captured = GetCaptureControl() != nullptr;
    menuShown = menu.ShownMenu() != nullptr;
  };
  modal.OnShow = [&](TObject*) {
    look();
    QTimer::singleShot(0, [&modal] { modal.SetModalResult(mrOk); });
  };
  MessageDlgHook = [&](const TMsgDlgRequest&) {
    look();
    return int(mrOk);
  };
  CommonDialogHook = [&](TCommonDialog*) {
    look();
    return false;
  };
  struct Row { const char* name; std::function<void()> open; };
  const Row rows[] = {{"form", [&] { modal.ShowModal(); }},
                      {"message box", [] { ShowMessage("Saved"); }},
                      {"common dialog", [&] { font.Execute(); }}};
  for (const Row& r : rows) {
    SetCaptureControl(panel);
    menu.Popup(10, 10);
    ASSERT_EQ(GetCaptureControl(), panel) << r.name;
    r.open();
    EXPECT_FALSE(captured) << r.name;
    EXPECT_FALSE(menuShown) << r.name;
  }
  MessageDlgHook = nullptr;
  CommonDialogHook = nullptr;
}

TEST(Forms, ReleaseFreesTheFormLater) {
  std::vector<String> log;
  gLog = &log;
  auto* f = new LoggingForm(nullptr);
  f->AfterConstruction();
  f->Show();
  f->OnClose = [](TObject*, TCloseAction& a) { a = caFree; };
  f->Close();
  EXPECT_EQ(std::count(log.begin(), log.end(), "~LoggingForm"), 0);
  EXPECT_TRUE(pumpUntil([&] { return std::count(log.begin(), log.end(), "~LoggingForm") == 1; }));
  gLog = nullptr;
}

TEST(Forms, PositionScreenCenterCentresOnTheWorkArea) {
  TForm f(nullptr);
  f.SetBounds(0, 0, 200, 100);
  f.SetPosition(poScreenCenter);
  f.Show();
  TRect wa = Screen->WorkAreaRect();
  EXPECT_EQ(f.Left(), wa.Left + (wa.Width() - 200) / 2);
  EXPECT_EQ(f.Top(), wa.Top + (wa.Height() - 100) / 2);
  f.Hide();
}

TEST(Forms, GetParentFormFindsTheForm) {
  TForm f(nullptr);
  auto* panel = new TCustomControl(&f);
  panel->SetParent(&f);
  auto* inner = new TCustomControl(&f);
  inner->SetParent(panel);
  EXPECT_EQ(GetParentForm(inner), &f);
  inner->SetParent(nullptr);
  EXPECT_EQ(GetParentForm(inner), nullptr);
}

TEST(Application, HandleExceptionUsesOnExceptionWhenAssigned) {
  String seen;
  Application->OnException = [&](TObject*, const Exception& e) { seen = e.Message; };
  MessageBoxCapture boxes;
  DispatchEvent([] { throw EListError("List index out of bounds (5)"); });
  EXPECT_EQ(seen, "List index out of bounds (5)");
  EXPECT_TRUE(boxes.asked.empty());
  Application->OnException = nullptr;
  DispatchEvent([] { throw std::runtime_error("plain failure"); });
  EXPECT_EQ(boxes.last(), "plain failure");
}

TEST(Application, ExeNameIsThisProgram) {
  String exe = Application->ExeName();
  EXPECT_TRUE(FileExists(exe));
  EXPECT_EQ(ExtractFileName(exe), "test_toolkit");
}

TEST(Application, OnIdleRunsWhenTheQueueIsEmpty) {
  Application->Initialize();
  int idles = 0;
  Application->OnIdle = [&](TObject*, bool& done) {
    ++idles;
    done = idles >= 3;   // asks to be called again twice
  };
  EXPECT_TRUE(pumpUntil([&] { return idles >= 3; }));
  Application->OnIdle = nullptr;
}

TEST(Application, SelectDisplayPlatformChoosesX11OnlyWhenUnset) {
  String oldDisplay = getenv("DISPLAY") ? getenv("DISPLAY") : "";
  String oldPlatform = getenv("QT_QPA_PLATFORM") ? getenv("QT_QPA_PLATFORM") : "";
  setenv("DISPLAY", ":5", 1);
  unsetenv("QT_QPA_PLATFORM");
  SelectDisplayPlatform();
  EXPECT_STREQ(getenv("QT_QPA_PLATFORM"), "xcb");
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  SelectDisplayPlatform();
  EXPECT_STREQ(getenv("QT_QPA_PLATFORM"), "offscreen");
  unsetenv("DISPLAY");
  unsetenv("QT_QPA_PLATFORM");
  SelectDisplayPlatform();
  EXPECT_EQ(getenv("QT_QPA_PLATFORM"), nullptr);
  if (!oldDisplay.empty()) setenv("DISPLAY", oldDisplay.c_str(), 1);
  if (!oldPlatform.empty()) setenv("QT_QPA_PLATFORM", oldPlatform.c_str(), 1);
}

TEST(ScreenMetrics, PrimaryDesktopAndWorkArea) {
  ASSERT_GE(Screen->MonitorCount(), 1);
  EXPECT_GT(Screen->Width(), 0);
  EXPECT_GT(Screen->Height(), 0);
  TRect desk = Screen->DesktopRect();
  EXPECT_GE(Screen->DesktopWidth(), Screen->Width());
  EXPECT_GE(Screen->DesktopHeight(), Screen->Height());
  TRect wa = Screen->WorkAreaRect();
  TRect both;
  EXPECT_TRUE(IntersectRect(both, wa, desk));
  EXPECT_EQ(both, wa);
  TMonitor* m = Screen->Monitors(0);
  EXPECT_EQ(m->Width(), Screen->Monitors(0)->BoundsRect.Width());
  bool anyPrimary = false;
  for (int i = 0; i < Screen->MonitorCount(); ++i) anyPrimary = anyPrimary || Screen->Monitors(i)->Primary;
  EXPECT_TRUE(anyPrimary);
  EXPECT_THROW(Screen->Monitors(Screen->MonitorCount()), EListError);
  EXPECT_EQ(Screen->PixelsPerInch(), 96);
}

TEST(ScreenMetrics, CursorOfTheWholeApplication) {
  Screen->SetCursor(crHourGlass);
  EXPECT_EQ(Screen->Cursor(), crHourGlass);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  Screen->SetCursor(crDefault);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(Timers, IntervalZeroStopsAndEnabledStarts) {
  TTimer t(nullptr);
  EXPECT_TRUE(t.Enabled());
  EXPECT_EQ(t.Interval(), 1000);
  EXPECT_TRUE(t.Active());
  t.SetInterval(0);
  EXPECT_FALSE(t.Active());
  t.SetInterval(50);
  EXPECT_TRUE(t.Active());
  t.SetEnabled(false);
  EXPECT_FALSE(t.Active());
}

TEST(Timers, HandlerExceptionIsShownAndTheTimerGoesOn) {
  MessageBoxCapture boxes;
  TTimer t(nullptr);
  int ticks = 0;
  t.OnTimer = [&](TObject* s) {
    EXPECT_EQ(s, &t);
    ++ticks;
    if (ticks == 1) throw Exception("tick failed");
  };
  t.SetInterval(1);
  EXPECT_TRUE(pumpUntil([&] { return ticks >= 3; }));
  ASSERT_GE(boxes.asked.size(), 1u);
  EXPECT_EQ(boxes.asked[0].Msg, "tick failed");
  EXPECT_EQ(boxes.asked.size(), 1u);
}

TEST(Timers, ATimerFreedByItsOwnHandler) {
  auto* t = new TTimer(nullptr);
  bool ran = false;
  t->OnTimer = [&](TObject*) {
    ran = true;
    delete t;
  };
  t->SetInterval(1);
  EXPECT_TRUE(pumpUntil([&] { return ran; }));
  QCoreApplication::processEvents();
}

TEST(Timers, ANestedTickIsSkippedWhileTheHandlerRuns) {
  TTimer t(nullptr);
  int depth = 0, maxDepth = 0, ticks = 0;
  t.OnTimer = [&](TObject*) {
    ++ticks;
    maxDepth = std::max(maxDepth, ++depth);
    if (ticks == 1) pumpUntil([] { return false; }, 30);   // pumps while other ticks come due
    --depth;
  };
  t.SetInterval(1);
  EXPECT_TRUE(pumpUntil([&] { return ticks >= 2; }));
  EXPECT_EQ(maxDepth, 1);
}

TEST(ClipboardText, RoundTrip) {
  Clipboard()->SetAsText("Ivanov\nPetrov\n");
  EXPECT_TRUE(Clipboard()->HasFormat(CF_TEXT));
  EXPECT_EQ(Clipboard()->AsText(), "Ivanov\nPetrov\n");
  Clipboard()->Clear();
  EXPECT_FALSE(Clipboard()->HasFormat(CF_TEXT));
  EXPECT_EQ(Clipboard()->AsText(), "");
}

// The main thread's wait: it sleeps until a notice (a wake from another
// thread, a timer, a posted call) and ends there, not at its deadline.
TEST(WaitForTest, EndsAtTheNoticeThatMakesItDone) {
  const struct {
    const char* name;
    std::function<void(std::atomic<bool>&, std::thread&)> notice;
  } rows[] = {
      {"a wake from another thread",
       [](std::atomic<bool>& done, std::thread& t) {
         t = std::thread([&done] {
           done = true;
           WakeWaiters();
         });
       }},
      {"a timer", [](std::atomic<bool>& done, std::thread&) { QTimer::singleShot(5, [&done] { done = true; }); }},
      {"a posted call", [](std::atomic<bool>& done, std::thread&) { TThread::Queue([&done] { done = true; }); }},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    std::atomic<bool> done{false};
    std::thread t;
    int depth = -1;
    r.notice(done, t);
    const TWaitResult res = WaitFor([&] {
      depth = WaitDepth();
      return done.load();
    }, 60000);
    if (t.joinable()) t.join();
    EXPECT_EQ(res, wrDone);
    EXPECT_EQ(depth, 1);
    EXPECT_EQ(WaitDepth(), 0);
  }
  EXPECT_EQ(WaitFor([] { return false; }, 0), wrTimeout);   // what is pending, once
}

// A wait that lets in listed controls only: a click elsewhere is dropped; a
// gate inside it lets in no more than it does.
TEST(WaitForTest, LetsInOnlyTheInputItsCallerAllows) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 100);
  auto* listed = new TButton(&form);
  listed->SetParent(&form);
  listed->SetBounds(0, 0, 80, 30);
  auto* other = new TButton(&form);
  other->SetParent(&form);
  other->SetBounds(100, 0, 80, 30);
  form.Show();
  int listedClicks = 0, otherClicks = 0;
  listed->OnClick = [&](TObject*) { ++listedClicks; };
  other->OnClick = [&](TObject*) { ++otherClicks; };
  const struct {
    const char* name;
    TWaitInput inner;
    int listed, other;
  } rows[] = {{"listed", TWaitInput::All(), 1, 0},
              {"nested: nothing", TWaitInput::None(), 0, 0},
              {"nested: the other", TWaitInput::Only({other}), 0, 0}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    listedClicks = otherClicks = 0;
    bool clicked = false;
    QTimer::singleShot(0, [&] {
      TInputGate inner(r.inner);
      clickAt(listed, 10, 10);
      clickAt(other, 10, 10);
      clicked = true;
    });
    WaitFor([&] { return clicked; }, 60000, TWaitInput::Only({listed}));
    EXPECT_EQ(listedClicks, r.listed);
    EXPECT_EQ(otherClicks, r.other);
  }
  clickAt(other, 10, 10);   // no gate open: everything gets in
  EXPECT_EQ(otherClicks, 1);
}
