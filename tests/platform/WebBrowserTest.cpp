// The web control on a local page: the load events and the page's pixels in
// a grab of its parent.
#include "platform/web/WebBrowser.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "toolkit/Forms.h"
#include "toolkit/SysUtils.h"
#include "toolkit/ToolkitTestUtil.h"

namespace {


TEST(WebBrowserTest, LocalPageLoadsBetweenItsTwoEventsAndShowsInAGrab) {
  const auto dir = std::filesystem::temp_directory_path() / ("web_test_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const String page = (dir / "red.html").string();
  SaveTextFile(page, "<html><body style='margin:0;background:#ff0000'></body></html>");

  TForm host(nullptr);
  host.SetBorderStyle(bsNone);
  host.SetBounds(0, 0, 200, 120);
  TWebBrowser web(&host);
  web.SetParent(&host);
  web.SetAlign(alClient);
  host.Show();
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
    host.PaintTo(grab.Canvas(), 0, 0);
    return grab.Canvas()->Pixel(100, 60) == clRed;
  }, 10000);
  EXPECT_TRUE(red);
  std::filesystem::remove_all(dir);
}

}  // namespace
