// The web control on a local page: the load events and the page's pixels in
// a grab of its parent.
#include "platform/web/WebBrowser.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "toolkit/Forms.h"
#include "toolkit/SysUtils.h"
#include "toolkit/ToolkitTestUtil.h"

namespace {

// A shown borderless window of 200 x 120 filled by a web control.
struct WebHost {
  TForm host{nullptr};
  TWebBrowser web{&host};
  WebHost() {
    host.SetBorderStyle(bsNone);
    host.SetBounds(0, 0, 200, 120);
    web.SetParent(&host);
    web.SetAlign(alClient);
    host.Show();
  }
};

TEST(WebBrowserTest, LocalPageLoadsBetweenItsTwoEventsAndShowsInAGrab) {
  const auto dir = std::filesystem::temp_directory_path() / ("web_test_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const String page = (dir / "red.html").string();
  SaveTextFile(page, "<html><body style='margin:0;background:#ff0000'></body></html>");

  WebHost shown;
  TWebBrowser& web = shown.web;
  std::vector<String> events;
  web.OnDownloadBegin = [&](TObject*) { events.push_back(web.Busy() ? "begin" : "begin?"); };
  web.OnDownloadComplete = [&](TObject*) { events.push_back(web.Busy() ? "complete?" : "complete"); };
  web.Navigate(page);
  ASSERT_TRUE(pumpUntil([&] { return !events.empty() && events.back() == "complete"; }, 20000));
  EXPECT_EQ(events.front(), "begin");
  EXPECT_EQ(web.LocationURL(), "file://" + page);

  // The page paints asynchronously after the load: wait for its colour.
  TBitmap grab(200, 120);
  const bool red = pumpUntil([&] {
    grab.Fill(clBlack);
    shown.host.PaintTo(grab.Canvas(), 0, 0);
    return grab.Canvas()->Pixel(100, 60) == clRed;
  }, 10000);
  EXPECT_TRUE(red);
  std::filesystem::remove_all(dir);
}

}  // namespace

namespace {

// A folder of this test with a page, a text file and a link named like a
// page that leads to a system file.
struct WebFolder {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / ("web_guard_" + std::to_string(getpid()));
  WebFolder() {
    std::filesystem::create_directories(dir);
    SaveTextFile((dir / "secret.txt").string(), "SECRET");
    std::error_code ec;
    std::filesystem::create_symlink("/etc/passwd", dir / "passwd.html", ec);
  }
  ~WebFolder() { std::filesystem::remove_all(dir); }
  String operator()(const char* name) const { return (dir / name).string(); }
};

}  // namespace

TEST(WebBrowserTest, OnlyWebAddressesAndLocalPagesAreOpened) {
  WebFolder files;
  SaveTextFile(files("page.html"), "<html><body>x</body></html>");
  const struct {
    String url;
    bool opened;
  } cases[] = {
      {"http://example.com/", true},
      {"HTTPS://example.com/a?b=1", true},
      {"example.com", true},
      {"file://" + files("page.html"), true},
      {files("page.html"), true},
      {"javascript:document.title='x'", false},
      {" JavaScript:alert(1)", false},
      {"data:text/html,<script>alert(1)</script>", false},
      {"file:///etc/passwd", false},
      {"/etc/passwd", false},
      {"file://" + files("secret.txt"), false},
      {"file://" + files("passwd.html"), false},
      {"file://" + files("gone.html"), false},
      {"view-source:file:///etc/passwd", false},
      {"view-source:http://example.com/", false},
      {"chrome://version", false},
      {"about:blank", false},
      {"qrc:/index.html", false},
      {"ftp://example.com/", false},
      {"mailto:a@example.com", false},
      {"http://", false},
  };
  for (const auto& c : cases) {
    if (c.opened) {
      EXPECT_NO_THROW(TWebBrowser::OpenableAddress(c.url)) << c.url;
      continue;
    }
    try {
      TWebBrowser::OpenableAddress(c.url);
      ADD_FAILURE() << c.url << " is opened";
    } catch (const EWebError& e) {
      EXPECT_NE(e.Message.find(Trim(c.url)), String::npos) << e.Message;
    }
  }
}

// A refused address leaves the page that was shown; a local page's script
// cannot read a file beside it, nor lead the page to one.
TEST(WebBrowserTest, ALocalPageReadsNoOtherLocalFileAndARefusedAddressChangesNothing) {
  WebFolder files;
  const String page = files("reader.html");
  SaveTextFile(page,
               "<html><body style='margin:0;background:#0000ff'><script>"
               "var colour = '#00ff00';"
               "try { var x = new XMLHttpRequest(); x.open('GET', 'secret.txt', false); x.send();"
               "  if (x.responseText.indexOf('SECRET') >= 0) colour = '#ff0000'; } catch (e) {}"
               "if (colour == '#ff0000') document.body.style.background = colour;"
               "else { location.href = 'secret.txt';"
               "  setTimeout(function() { document.body.style.background = colour; }, 300); }"
               "</script></body></html>");
  WebHost shown;
  TWebBrowser& web = shown.web;
  int completed = 0;
  web.OnDownloadComplete = [&](TObject*) { ++completed; };
  web.Navigate(page);
  ASSERT_TRUE(pumpUntil([&] { return completed == 1; }, 20000));
  TBitmap grab(200, 120);
  auto colour = [&] {
    grab.Fill(clBlack);
    shown.host.PaintTo(grab.Canvas(), 0, 0);
    return grab.Canvas()->Pixel(100, 60);
  };
  ASSERT_TRUE(pumpUntil([&] { return colour() == clLime || colour() == clRed || completed > 1; }, 10000));
  EXPECT_EQ(colour(), clLime);   // the read and the page's own way to the file were refused

  EXPECT_THROW(web.Navigate("javascript:document.body.style.background='#ff0000'"), EWebError);
  EXPECT_THROW(web.Navigate("file://" + files("secret.txt")), EWebError);
  pumpUntil([] { return false; }, 300);
  EXPECT_EQ(completed, 1);
  EXPECT_EQ(web.LocationURL(), "file://" + page);
  EXPECT_EQ(colour(), clLime);
}
