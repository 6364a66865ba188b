// The link list of the Internet page: titles, addresses and the loading lamp.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QRegion>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <QWidget>

#include "ConsoleFixture.h"
#include "OperatorHands.h"
#include "controls/Led.h"
#include "pictureshow/PictureShow.h"
#include "platform/web/WebBrowser.h"
#include "toolkit/ControlWindow.h"
#include "toolkit/ToolkitTestUtil.h"

class LinkListTest : public ConsoleFixture {
 protected:
  // Double-clicks line i and waits until the lamp has gone on and off again.
  void Open(TFormMain* f, int i) {
    captions_.clear();
    f->InetLedLoader->OnChange = [this, f](TObject*) { captions_.push_back(f->LinkLedLabel->Caption()); };
    f->ListInet->SetItemIndex(i);
    f->ListInetDblClick(f->ListInet);
    QElapsedTimer t;
    t.start();
    while (!(captions_.size() >= 2 && captions_.back() == "Ready") && t.elapsed() < 20000) {
      QEventLoop loop;
      QTimer::singleShot(10, &loop, &QEventLoop::quit);
      loop.exec();
    }
  }
  std::vector<String> captions_;
};

TEST_F(LinkListTest, AddressAfterTheTabIsOpenedAndTheLampShowsTheLoad) {
  TFormMain* f = Create();
  WriteFile("page.html", "<html><body>x</body></html>");
  const String url = "file://" + app_ + "page.html";
  f->ListInet->Items()->Add("Home\t " + url + " ");
  f->ListInet->Items()->Add(url);
  Open(f, 0);
  EXPECT_EQ(f->WebBrowser->LocationURL(), url);
  ASSERT_GE(captions_.size(), 2u);
  EXPECT_EQ(captions_.front(), "Loading");
  EXPECT_EQ(captions_.back(), "Ready");
  EXPECT_FALSE(f->InetLedLoader->Value());
  Open(f, 1);   // a line without a TAB is title and address at once
  EXPECT_EQ(f->WebBrowser->LocationURL(), url);
}

TEST_F(LinkListTest, ThePageGoesToTheOutputWithoutScrollBarsAndFreezesWhenItIsNotShown) {
  TFormMain* f = Create();
  f->Show();
  // A page much larger than the output, all green.
  WriteFile("big.html", "<html><body style='margin:0;background:#00ff00'>"
                        "<div style='width:5000px;height:5000px'></div></body></html>");
  f->ListInet->Items()->SetText("Big\tfile://" + app_ + "big.html\n");
  f->PageControl2->SetActivePage(f->Sheet_Tablo);
  hands::ChooseSheet(f->Sheet_Inet);
  Open(f, 0);
  TBitmap shot(f->WebBrowser->Width(), f->WebBrowser->Height());
  ASSERT_TRUE(pumpUntil([&] {
    f->WebBrowser->PaintTo(shot.Canvas(), 0, 0);
    return shot.Canvas()->Pixel(shot.Width() / 2, shot.Height() / 2) == clLime;
  }, 20000));
  hands::ChooseSheet(f->TabSheet0);   // "On the Screen"
  TBitmap* out = f->BufferTablo->Picture()->Bitmap();
  ASSERT_GT(out->Width(), 40);
  // Green up to the right and bottom edges: no scroll bar there.
  for (const TPoint p : {TPoint(out->Width() - 4, out->Height() / 2), TPoint(out->Width() / 2, out->Height() - 4),
                         TPoint(out->Width() - 4, out->Height() - 4)})
    EXPECT_EQ(out->Canvas()->Pixel(p.X, p.Y), clLime) << p.X << "," << p.Y;
  EXPECT_TRUE(f->WebBrowser->PageActive());
  hands::ChooseSheet(f->TabSheet1);   // another page selected: the web page is not shown
  EXPECT_TRUE(pumpUntil([&] { return !f->WebBrowser->PageActive(); }, 20000));
  hands::ChooseSheet(f->Sheet_Inet);
  EXPECT_TRUE(f->WebBrowser->PageActive());
}

// The global rectangle of a control's widget.
static QRegion OnScreen(TControl* c) {
  return QRect(c->Widget()->mapToGlobal(QPoint(0, 0)), c->Widget()->size());
}

// At the largest output the page is larger than its sheet: while the sheet
// scrolls under the wheel, the page's window lies over the page control and
// shows only the part of it inside the sheet, never over the output area,
// a tab strip, the sheet's bars or the status bar; it hides with its page.
TEST_F(LinkListTest, ThePagesWindowShowsOnlyThePartOfThePageInsideItsSheet) {
  if (!std::getenv("TABLO_TEST_SCREEN")) GTEST_SKIP() << "runs with a screen configuration (ctest)";
  EditKey([](TRegistry& r) {
    r.WriteInteger("XWidth", 1024);
    r.WriteInteger("YHeight", 768);
  });
  TFormMain* f = Create();
  f->Show();
  WriteFile("page.html", "<html><body style='background:#00ff00'></body></html>");
  f->ListInet->Items()->SetText("Page\tfile://" + app_ + "page.html\n");
  hands::ChooseSheet(f->Sheet_Tablo);
  hands::ChooseSheet(f->Sheet_Inet);
  Open(f, 0);
  TWebBrowser* web = f->WebBrowser;
  const std::vector<QWidget*> windows = tkqt::WindowsOver(web->Widget());
  ASSERT_EQ(windows.size(), 1u);
  QWidget* page = windows[0];
  QWidget* sheet = f->Sheet_Inet->Widget();
  ASSERT_GT(f->Sheet_Inet->ScrollLimit().Y, 0) << "the sheet does not scroll at this output size";
  QRegion covered = OnScreen(f->PanelTablo) + OnScreen(f->StatusBar1);
  for (TPageControl* pc : {f->PageControl1, f->PageControl2})
    for (int t = 0; t < pc->TabCount(); ++t) {
      const TRect r = pc->TabRect(t);
      covered += QRect(pc->Widget()->mapToGlobal(QPoint(r.Left, r.Top)), QSize(r.Width(), r.Height()));
    }
  for (QScrollBar* b : sheet->findChildren<QScrollBar*>())
    if (b->isVisible()) covered += QRect(b->mapToGlobal(QPoint(0, 0)), b->size());
  int lastY = -1;
  for (int notch = 0; f->Sheet_Inet->ScrollPosition().Y != lastY; ++notch) {
    SCOPED_TRACE("scrolled to " + IntToStr(f->Sheet_Inet->ScrollPosition().Y));
    lastY = f->Sheet_Inet->ScrollPosition().Y;
    Application->ProcessMessages();
    const QRegion control = OnScreen(web);
    EXPECT_TRUE(page->isVisible());
    EXPECT_EQ(QRegion(page->geometry()), control);
    const QRegion shown = (page->mask().isEmpty() ? QRegion(page->rect()) : page->mask()).translated(page->pos());
    const QRegion inside = control & OnScreen(f->Sheet_Inet);
    EXPECT_EQ(shown - OnScreen(f->Sheet_Inet), QRegion()) << "the page shows outside its sheet";
    EXPECT_EQ(shown & covered, QRegion()) << "the page covers the output, a tab strip, a bar or the status bar";
    EXPECT_EQ(inside - covered - shown, QRegion()) << "a visible part of the page is not shown";
    // One notch of the wheel down over the sheet.
    const QPointF at(sheet->width() - 5, 5);
    QWheelEvent down(at, sheet->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(sheet, &down);
    ASSERT_LT(notch, 200);
  }
  EXPECT_EQ(f->Sheet_Inet->ScrollPosition(), f->Sheet_Inet->ScrollLimit());
  hands::ChooseSheet(f->TabSheet1);
  EXPECT_FALSE(page->isVisible());
  hands::ChooseSheet(f->Sheet_Inet);
  EXPECT_TRUE(page->isVisible());
}

TEST_F(LinkListTest, NoSelectionDoesNothing) {
  TFormMain* f = Create();
  f->ListInet->Items()->Clear();
  f->ListInetDblClick(f->ListInet);
  f->ListInetMouseDown(f->ListInet, mbRight, {}, 5, 5);
  EXPECT_EQ(f->WebBrowser->LocationURL(), "");
}

TEST_F(LinkListTest, OnlyTheTitleIsDrawn) {
  TFormMain* f = Create();
  f->ListInet->Items()->SetText("Home\t http://x/ \n");
  f->ListInet->SetItemIndex(-1);
  TBitmap shot(f->ListInet->Width(), f->ListInet->Height());
  f->ListInet->PaintTo(shot.Canvas(), 0, 0);
  TBitmap measure(1, 1);
  measure.Canvas()->SetFont(f->ListInet->Font());
  const int titleEnd = 2 + 2 + measure.Canvas()->TextWidth("Home") + 2;   // frame, indent, text, slack
  const TColor back = shot.Canvas()->Pixel(shot.Width() - 4, 6);
  int rightmost = -1;
  for (int y = 2; y < 2 + measure.Canvas()->TextHeight("Home"); ++y)
    for (int x = 0; x < shot.Width() - 4; ++x)
      if (shot.Canvas()->Pixel(x, y) != back) rightmost = std::max(rightmost, x);
  EXPECT_GT(rightmost, 4);          // something is written
  EXPECT_LT(rightmost, titleEnd);   // and it ends with the title
}

// A link list handed to the operator may hold any address: those that are
// not web addresses or local pages are refused with a message, and the page
// shown stays as it was.
TEST_F(LinkListTest, HostileLinksAreRefusedWithAMessage) {
  WriteFile("page.html", "<html><body>x</body></html>");
  WriteFile("notes.txt", "local notes");
  const std::vector<String> hostile = {
      "javascript:document.title='x'", "data:text/html,<script>alert(1)</script>", "file:///etc/passwd",
      "file://" + app_ + "notes.txt", "view-source:file:///etc/passwd", "chrome://version", "about:blank",
  };
  String list = "Home\tfile://" + app_ + "page.html\n";
  for (const String& url : hostile) list += "Bad\t" + url + "\n";
  WriteFile("Texts/Internet.txt", list);
  TFormMain* f = Create();
  ASSERT_EQ(f->ListInet->Items()->Count(), int(hostile.size()) + 1);
  for (size_t i = 0; i < hostile.size(); ++i) {
    requests_.clear();
    clickListItem(f->ListInet, int(i) + 1, true);
    ASSERT_EQ(requests_.size(), 1u) << hostile[i];
    EXPECT_NE(requests_[0].Msg.find(hostile[i]), String::npos) << requests_[0].Msg;
    EXPECT_EQ(f->WebBrowser->LocationURL(), "") << hostile[i];
    EXPECT_FALSE(f->InetLedLoader->Value());
  }
  requests_.clear();
  Open(f, 0);
  EXPECT_EQ(f->WebBrowser->LocationURL(), "file://" + app_ + "page.html");
  EXPECT_TRUE(requests_.empty());
}

// An address without a scheme whose first part is not a host name names a
// file in the console's folder (as the data folders do), never the host
// "texts": a page there opens, a missing page or another file is refused
// with the message, and the page shown stays.
TEST_F(LinkListTest, RelativeLinksNameFilesInTheConsolesFolder) {
  WriteFile("Texts/page.html", "<html><body>x</body></html>");
  WriteFile("Texts/notes.txt", "local notes");
  const struct {
    const char* entry;
    const char* opens;     // relative to the console's folder; null: refused
    const char* message;   // part of the refusal
  } rows[] = {
      {"Texts/evil.html", nullptr, "not found"},
      {"Texts/notes.txt", nullptr, "refused"},
      {"Texts/page.html", "Texts/page.html", nullptr},
      {"Texts\\page.html", "Texts/page.html", nullptr},
  };
  String list;
  for (const auto& r : rows) list += String("Link\t") + r.entry + "\n";
  WriteFile("Texts/Internet.txt", list);
  TFormMain* f = Create();
  ASSERT_EQ(f->ListInet->Items()->Count(), int(std::size(rows)));
  for (size_t i = 0; i < std::size(rows); ++i) {
    const String before = f->WebBrowser->LocationURL();
    requests_.clear();
    clickListItem(f->ListInet, int(i), true);
    if (rows[i].opens) {
      EXPECT_TRUE(requests_.empty()) << rows[i].entry;
      EXPECT_EQ(f->WebBrowser->LocationURL(), app_ + rows[i].opens);
    } else {
      ASSERT_EQ(requests_.size(), 1u) << rows[i].entry;
      EXPECT_NE(requests_[0].Msg.find(rows[i].message), String::npos) << requests_[0].Msg;
      EXPECT_EQ(f->WebBrowser->LocationURL(), before) << rows[i].entry;
    }
  }
}

// A site that never answers: its load is stopped at the bound and the status
// line names its address, not the page before it that the view still shows.
TEST_F(LinkListTest, ASiteThatNeverAnswersIsToldByItsOwnAddress) {
  // A port that takes connections and never answers one.
  const int server = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(server, 0);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof at;
  ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&at), len), 0);
  ASSERT_EQ(::listen(server, 16), 0);
  ASSERT_EQ(::getsockname(server, reinterpret_cast<sockaddr*>(&at), &len), 0);
  struct Close {
    int fd;
    ~Close() { ::close(fd); }
  } closeServer{server};
  const String silent = "http://127.0.0.1:" + IntToStr(int64_t(ntohs(at.sin_port))) + "/silent";
  TFormMain* f = Create();
  f->Show();
  form_->SetStatusMinShowMs(0);
  WriteFile("ok.html", "<html><body>ok</body></html>");
  f->ListInet->Items()->SetText("Page\tfile://" + app_ + "ok.html\nSilent\t" + silent + "\n");
  f->PageControl2->SetActivePage(f->Sheet_Tablo);
  hands::ChooseSheet(f->Sheet_Inet);
  f->WebBrowser->SetNavigationLimitMs(3000);
  for (int line : {0, 1}) {
    captions_.clear();
    f->InetLedLoader->OnChange = [&](TObject*) { captions_.push_back(f->LinkLedLabel->Caption()); };
    const TRect r = f->ListInet->ItemRect(line);
    SendWindowDoubleClick(f->ListInet, TPoint(r.Left + 10, (r.Top + r.Bottom) / 2));
    ASSERT_TRUE(pumpUntil([&] { return captions_.size() >= 2 && captions_.back() == "Ready"; }, 60000)) << line;
  }
  EXPECT_TRUE(f->WebBrowser->TimedOut());
  EXPECT_EQ(f->StatusBar1->Panels()->Items(1)->Text(),
            "The page did not finish loading in 3 s and was stopped: " + silent);
}

// A page whose script never returns: its load is stopped at the bound and the
// status line says so; the next link of the same site then opens at once (the
// page's renderer, which would never answer it, is ended). Links chosen as
// the operator does, by double clicks.
TEST_F(LinkListTest, APageThatNeverFinishesIsStoppedAtTheBoundAndTheNextLinkOfItsSiteOpens) {
  TFormMain* f = Create();
  f->Show();
  form_->SetStatusMinShowMs(0);
  WriteFile("hang.html", "<html><body style='background:#ff0000'>x<script>while(true){}</script></body></html>");
  WriteFile("ok.html", "<html><body style='margin:0;background:#00ff00'></body></html>");
  f->ListInet->Items()->SetText("Hangs\tfile://" + app_ + "hang.html\nPage\tfile://" + app_ + "ok.html\n");
  f->PageControl2->SetActivePage(f->Sheet_Tablo);
  hands::ChooseSheet(f->Sheet_Inet);
  f->WebBrowser->SetNavigationLimitMs(3000);
  auto open = [&](int line) {
    captions_.clear();
    f->InetLedLoader->OnChange = [&](TObject*) { captions_.push_back(f->LinkLedLabel->Caption()); };
    const TRect r = f->ListInet->ItemRect(line);
    SendWindowDoubleClick(f->ListInet, TPoint(r.Left + 10, (r.Top + r.Bottom) / 2));
    return pumpUntil([&] { return captions_.size() >= 2 && captions_.back() == "Ready"; }, 60000);
  };
  ASSERT_TRUE(open(0));
  EXPECT_TRUE(f->WebBrowser->TimedOut());
  EXPECT_EQ(f->StatusBar1->Panels()->Items(1)->Text(),
            "The page did not finish loading in 3 s and was stopped: file://" + app_ + "hang.html");
  ASSERT_TRUE(open(1));
  EXPECT_FALSE(f->WebBrowser->TimedOut());
  EXPECT_EQ(f->WebBrowser->LocationURL(), "file://" + app_ + "ok.html");
  TBitmap shot(f->WebBrowser->Width(), f->WebBrowser->Height());
  EXPECT_TRUE(pumpUntil([&] {
    f->WebBrowser->PaintTo(shot.Canvas(), 0, 0);
    return shot.Canvas()->Pixel(shot.Width() / 2, shot.Height() / 2) == clLime;
  }, 20000));
}
