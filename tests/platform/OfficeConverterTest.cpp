// The office suite as converter and the slide deck: the import filter from
// the content, slides fitted with black bars, the cache, clear failures.
// Only the few cases here run the suite itself.
#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QByteArray>
#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QThread>
#include <cstdlib>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <thread>
#include <fstream>
#include <memory>
#include "platform/office/SlideShow.h"
#include "support/FullDisk.h"
#include "support/OfficeSamples.h"
#include "toolkit/ToolkitTestUtil.h"

namespace {

QString Q(const String& s) { return QString::fromStdString(s); }
String S(const QString& s) { return s.toStdString(); }

String Temp(const String& name, const std::string& bytes) {
  const String dir = officesamples::UseTestCache() + "files/";
  ForceDirectories(dir);
  std::ofstream(dir + name, std::ios::binary) << bytes;
  return dir + name;
}

TColor At(TBitmap& b, int x, int y) { return b.Canvas()->Pixel(x, y); }

int Count(TBitmap& b, TColor c) {
  int n = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) n += b.Canvas()->Pixel(x, y) == c;
  return n;
}

// A web server on the loopback interface that counts the connections made
// to it and answers each with Body (a picture).
class LoopbackServer {
 public:
  explicit LoopbackServer(std::string Body) : body_(std::move(Body)) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), len) != 0 || ::listen(fd_, 16) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0 || ::pipe2(stop_, O_CLOEXEC) != 0)
      return;
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~LoopbackServer() {
    if (thread_.joinable()) {
      (void)!::write(stop_[1], "x", 1);
      thread_.join();
    }
    for (int f : {fd_, stop_[0], stop_[1]})
      if (f >= 0) ::close(f);
  }
  String Url(const String& Name) const { return "http://127.0.0.1:" + IntToStr(port_) + "/" + Name; }
  int Requests() const { return requests_; }
  bool Ok() const { return port_ > 0; }

 private:
  void serve() {
    for (;;) {
      pollfd p[2] = {{fd_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
      if (::poll(p, 2, -1) < 0 || p[1].revents) return;
      const int c = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (c < 0) continue;
      ++requests_;
      const timeval wait{2, 0};
      ::setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
      char buf[4096];
      std::string request;
      for (ssize_t n; request.find("\r\n\r\n") == std::string::npos && (n = ::read(c, buf, sizeof buf)) > 0;)
        request.append(buf, size_t(n));
      const std::string reply = "HTTP/1.0 200 OK\r\nContent-Type: image/png\r\nContent-Length: " +
                                std::to_string(body_.size()) + "\r\n\r\n" + body_;
      (void)!::write(c, reply.data(), reply.size());
      ::close(c);
    }
  }
  std::string body_;
  int fd_ = -1, stop_[2] = {-1, -1}, port_ = 0;
  std::atomic<int> requests_{0};
  std::thread thread_;
};

}  // namespace

TEST(OfficeConverterTest, TheImportFilterComesFromTheContent) {
  const std::pair<std::string, String> table[] = {
      {std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + "rest", "MS PowerPoint 97"},
      {"{\\rtf1\\ansi x}", "Rich Text Format"},
      {"PK\x03\x04....ppt/presentation.xml....", "Impress MS PowerPoint 2007 XML"},
      {"PK\x03\x04mimetypeapplication/vnd.oasis.opendocument.presentation", "impress8"},
      {"<?xml?><office:document office:mimetype=\"application/vnd.oasis.opendocument.presentation\">",
       "OpenDocument Presentation Flat XML"},
      {"PK\x03\x04 word/document.xml", ""},
      {"random bytes named like a deck", ""},
  };
  int i = 0;
  for (const auto& [bytes, filter] : table)
    EXPECT_EQ(TOfficeConverter::ImportFilter(Temp("f" + IntToStr(i++) + ".ppt", bytes)), filter) << bytes;
}

TEST(OfficeConverterTest, ANonPresentationOrMissingFileFailsWithoutTheSuite) {
  const int before = TOfficeConverter::ConversionCount();
  EXPECT_THROW(TOfficeConverter::ToPdf(Temp("noise.ppt", "\x01\x02 not a deck")), EOfficeError);
  EXPECT_THROW(TOfficeConverter::ToPdf("/tmp/no/such/deck.ppt"), EOfficeError);
  EXPECT_THROW(TOfficeConverter::RtfToXhtml("/tmp/no/such/news.rtf"), EOfficeError);
  EXPECT_EQ(TOfficeConverter::ConversionCount(), before);
}

TEST(OfficeConverterTest, ADeckBecomesSlidesOnceAndThenComesFromTheCache) {
  const String dir = officesamples::UseTestCache() + "decks-in/";
  ForceDirectories(dir);
  const String ppt = officesamples::MakeDeck(dir, "three.ppt", {"#ff0000", "#00ff00", "#0000ff"});
  const int before = TOfficeConverter::ConversionCount();
  const String pdf = TOfficeConverter::ToPdf(ppt);
  EXPECT_EQ(TOfficeConverter::ConversionCount(), before + 1);
  EXPECT_EQ(TOfficeConverter::ToPdf(ppt), pdf);
  EXPECT_EQ(TOfficeConverter::ConversionCount(), before + 1);

  TSlideDeck deck(pdf);
  ASSERT_EQ(deck.Count(), 3);
  // A 16:9 slide in a 4:3 picture: black bars above and below.
  TBitmap b(320, 240);
  const TColor colours[] = {clRed, clLime, clBlue};
  for (int s = 1; s <= 3; ++s) {
    deck.Render(s, b);
    EXPECT_EQ(At(b, 160, 120), colours[s - 1]) << s;
    EXPECT_EQ(At(b, 160, 2), clBlack);
    EXPECT_EQ(At(b, 160, 237), clBlack);
  }
  deck.Render(4, b);
  EXPECT_EQ(At(b, 160, 120), clBlack);
}

TEST(OfficeConverterTest, RtfBecomesXhtmlWithItsLettersAndColours) {
  const String rtf = Temp("news.rtf", officesamples::RtfSample());
  const String html = TOfficeConverter::RtfToXhtml(rtf);
  EXPECT_NE(html.find("Стадион"), String::npos);
  EXPECT_NE(html.find("€"), String::npos);
  EXPECT_NE(LowerCase(html).find("#ffff00"), String::npos);
  EXPECT_NE(html.find("src=\"data:image/png;base64,"), String::npos);
  // The printed page's margins are dropped.
  EXPECT_EQ(html.find("margin-left:1in"), String::npos);
  const int64_t limit = TOfficeConverter::RtfSizeLimit;
  TOfficeConverter::RtfSizeLimit = 16;
  EXPECT_THROW(TOfficeConverter::RtfToXhtml(rtf), EOfficeError);
  TOfficeConverter::RtfSizeLimit = limit;
}

// Work run aside from the main thread: the queue keeps going meanwhile (the
// work here ends only once a queued call has run), a second one meanwhile
// fails as busy, and a stop (as shutdown gives) ends it with EAbort.
TEST(OfficeConverterTest, WorkRunAsideKeepsTheQueueGoingAndEndsWhenStopped) {
  std::atomic<bool> pumped{false};
  bool nestedBusy = false;
  QTimer::singleShot(0, [&] {
    try {
      TOfficeConverter::RunAside([](const std::atomic<bool>&) {});
    } catch (const EOfficeError&) {
      nestedBusy = true;
    }
    pumped = true;
  });
  TOfficeConverter::RunAside([&](const std::atomic<bool>&) {
    while (!pumped) std::this_thread::yield();
  });
  EXPECT_TRUE(nestedBusy);
  QTimer::singleShot(0, [] { TOfficeConverter::KillRunning(); });
  EXPECT_THROW(TOfficeConverter::RunAside([](const std::atomic<bool>& stop) {
                 while (!stop) std::this_thread::yield();
               }),
               EAbort);
}

// Stopping a conversion (as shutdown does) while the suite's main process
// reads the document ends that process too, not only its launcher.
TEST(OfficeConverterTest, AStoppedConversionLeavesNoSuiteProcess) {
  const String folder = officesamples::UseTestCache();
  const String busy = Temp("busy.rtf", officesamples::BusyRtf());
  QTimer stop;
  QObject::connect(&stop, &QTimer::timeout, [&] {
    if (!officesamples::SuiteProcesses(folder, busy).empty()) TOfficeConverter::KillRunning();
  });
  stop.start(50);
  // Given up, not failed: nothing is told while the program closes.
  EXPECT_THROW(TOfficeConverter::RtfToXhtml(busy), EAbort);
  stop.stop();
  EXPECT_TRUE(pumpUntil([&] { return officesamples::SuiteProcesses(folder).empty(); }, 10000));
}

// Two consoles share the cache: when the other one has written the result
// while this one converted, this one's result replaces it in one step, so
// that a reader never finds the name missing.
TEST(OfficeConverterTest, TheCacheFileIsReplacedWithoutAGap) {
  const String folder = officesamples::UseTestCache();
  const String deck = Temp("gap.fodp", officesamples::FlatDeck({"#ff0000", "#00ff00", "#0000ff"}));
  const String pdf = TOfficeConverter::ToPdf(deck);
  const std::string theirs = officesamples::LoadBinary(pdf);
  std::filesystem::remove(pdf);

  const int watch = inotify_init1(IN_NONBLOCK);
  ASSERT_GE(watch, 0);
  ASSERT_GE(inotify_add_watch(watch, folder.c_str(), IN_DELETE | IN_MOVED_FROM), 0);
  QTimer other;   // the other console finishes first
  QObject::connect(&other, &QTimer::timeout, [&] {
    if (!TOfficeConverter::Running() || std::filesystem::exists(pdf)) return;
    std::ofstream(pdf + ".other", std::ios::binary) << theirs;
    std::filesystem::rename(pdf + ".other", pdf);
  });
  other.start(20);
  EXPECT_EQ(TOfficeConverter::ToPdf(deck), pdf);
  other.stop();
  std::vector<String> gone;
  alignas(inotify_event) char buf[8192];
  for (ssize_t n; (n = read(watch, buf, sizeof buf)) > 0;)
    for (char* p = buf; p < buf + n; p += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(p)->len)
      gone.push_back(reinterpret_cast<inotify_event*>(p)->name);
  close(watch);
  EXPECT_EQ(std::count(gone.begin(), gone.end(), ExtractFileName(pdf)), 0);
  EXPECT_EQ(TSlideDeck(pdf).Count(), 3);
}

// A flat presentation whose slide holds its own green picture and, linked
// from outside, pictures, fills and an object at the given addresses.
String LinkingFlatDeck(const String& File, const String& Web, const String& Disk) {
  const std::string green = QByteArray::fromStdString(officesamples::PngBytes(clLime)).toBase64().toStdString();
  const auto frame = [](int x, const String& inner) {
    return "<draw:frame svg:x=\"" + IntToStr(x) + "cm\" svg:y=\"1cm\" svg:width=\"4cm\" svg:height=\"4cm\">" + inner +
           "</draw:frame>";
  };
  const auto rect = [](int x, const char* style) {
    return "<draw:rect draw:style-name=\"" + String(style) + "\" svg:x=\"" + IntToStr(x) +
           "cm\" svg:y=\"8cm\" svg:width=\"4cm\" svg:height=\"4cm\"/>";
  };
  const auto link = [](const char* element, const String& href) {
    return "<draw:" + String(element) + " xlink:href=\"" + href + "\" xlink:type=\"simple\" xlink:show=\"embed\" "
           "xlink:actuate=\"onLoad\"/>";
  };
  const auto fill = [](const char* name) {
    return "<style:style style:name=\"" + String(name) + "\" style:family=\"graphic\"><style:graphic-properties "
           "draw:fill=\"bitmap\" draw:fill-image-name=\"" + name + "\" draw:stroke=\"none\"/></style:style>";
  };
  SaveTextFile(File,
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document "
      "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
      "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
      "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
      "xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\" office:version=\"1.3\" "
      "office:mimetype=\"application/vnd.oasis.opendocument.presentation\"><office:styles>"
      "<draw:fill-image draw:name=\"web\" xlink:href=\"" + Web + "\" xlink:type=\"simple\" xlink:show=\"embed\" "
      "xlink:actuate=\"onLoad\"/><draw:fill-image draw:name=\"disk\" xlink:href=\"" + Disk + "\" "
      "xlink:type=\"simple\" xlink:show=\"embed\" xlink:actuate=\"onLoad\"/></office:styles>"
      "<office:automatic-styles>" + fill("web") + fill("disk") + "</office:automatic-styles>"
      "<office:master-styles><style:master-page style:name=\"M\"/></office:master-styles><office:body>"
      "<office:presentation><draw:page draw:name=\"p1\" draw:master-page-name=\"M\">" +
      frame(1, "<draw:image><office:binary-data>" + green + "</office:binary-data></draw:image>") +
      frame(8, link("image", Web)) + frame(15, link("image", Disk)) + frame(22, link("object", Web + ".odg")) +
      rect(1, "web") + rect(8, "disk") + "</draw:page></office:presentation></office:body></office:document>\n");
  return File;
}

// The same as a ".pptx" package: its own picture and two linked ones.
String LinkingPptx(const String& File, const String& Web, const String& Disk) {
  const auto picture = [](int n, const char* how, const char* id) {
    return "<p:pic><p:nvPicPr><p:cNvPr id=\"" + std::to_string(n + 2) + "\" name=\"P\"/><p:cNvPicPr/><p:nvPr/>"
           "</p:nvPicPr><p:blipFill><a:blip r:" + how + "=\"" + id + "\"/><a:stretch><a:fillRect/></a:stretch>"
           "</p:blipFill><p:spPr><a:xfrm><a:off x=\"" + std::to_string(457200 + n * 3657600) + "\" y=\"914400\"/>"
           "<a:ext cx=\"2743200\" cy=\"2743200\"/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom>"
           "</p:spPr></p:pic>";
  };
  const auto rel = [](const char* id, const std::string& target, bool external) {
    return "<Relationship Id=\"" + std::string(id) + "\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
           "2006/relationships/image\" Target=\"" + target + "\"" + (external ? " TargetMode=\"External\"" : "") + "/>";
  };
  officesamples::WritePptx(File, picture(0, "embed", "rIdOwn") + picture(1, "link", "rIdWeb") + picture(2, "link", "rIdDisk"),
                           rel("rIdOwn", "../media/own.png", false) + rel("rIdWeb", Web, true) + rel("rIdDisk", Disk, true),
                           {{"ppt/media/own.png", officesamples::PngBytes(clLime)}});
  return File;
}

// A document is converted from its own bytes only: what it links to on a
// web server (pictures, a fill, an object) is never asked for, and what it
// links to in a file never shows (the suite's placeholder, which a PDF
// leaves empty); its own picture shows.
TEST(OfficeConverterTest, ADocumentIsConvertedFromItsOwnBytesOnly) {
  LoopbackServer server(officesamples::PngBytes(clFuchsia));
  ASSERT_TRUE(server.Ok());
  const String dir = officesamples::UseTestCache() + "linking/";
  ForceDirectories(dir);
  std::ofstream(dir + "linked.png", std::ios::binary) << officesamples::PngBytes(clFuchsia);
  const String disk = S(QUrl::fromLocalFile(Q(dir + "linked.png")).toString());
  const struct {
    const char* name;
    String deck;
  } decks[] = {
      {"flat OpenDocument", LinkingFlatDeck(dir + "links.fodp", server.Url("web.png"), disk)},
      {"pptx", LinkingPptx(dir + "links.pptx", server.Url("web.png"), disk)},
  };
  for (const auto& d : decks) {
    const int before = server.Requests();
    TSlideDeck deck(TOfficeConverter::ToPdf(d.deck));
    TBitmap b(560, 315);
    deck.Render(1, b);
    EXPECT_EQ(server.Requests(), before) << d.name;
    EXPECT_EQ(Count(b, clFuchsia), 0) << d.name;
    EXPECT_GT(Count(b, clLime), 100) << d.name;
  }
}

// A suite that never answers (a stand-in on the PATH: a launcher and a
// child, both naming the stand-in's file) while its version is read:
// the program goes on meanwhile, a stop ends the read, and no process of it
// stays.
TEST(OfficeConverterTest, AVersionReadThatHangsKeepsTheProgramGoingAndLeavesNoProcess) {
  const String folder = officesamples::UseTestCache();
  officesamples::FakeSuite hanging(folder, "sh -c 'sleep 600; :' \"$0\" & wait");
  bool served = false;
  QTimer stop;
  QObject::connect(&stop, &QTimer::timeout, [&] {
    if (officesamples::SuiteProcesses(folder).size() < 2) return;
    served = true;
    TOfficeConverter::KillRunning();
  });
  stop.start(20);
  EXPECT_EQ(TOfficeConverter::Version(), "");
  stop.stop();
  EXPECT_TRUE(served);
  EXPECT_TRUE(pumpUntil([&] { return officesamples::SuiteProcesses(folder).empty(); }, 10000));
}

// The version read without waiting: told on the main thread, the same text
// the waiting form gives.
TEST(OfficeConverterTest, TheVersionIsToldOnTheMainThread) {
  struct Told {
    int calls = 0;
    bool onMain = false;
    String version;
  };
  auto told = std::make_shared<Told>();
  TOfficeConverter::ReadVersion([told](const String& v) {
    ++told->calls;
    told->onMain = QThread::currentThread() == QCoreApplication::instance()->thread();
    told->version = v;
  });
  ASSERT_TRUE(pumpUntil([&] { return told->calls > 0; }, 30000));
  EXPECT_EQ(told->calls, 1);
  EXPECT_TRUE(told->onMain);
  EXPECT_TRUE(QRegularExpression("^[0-9]+(\\.[0-9]+)+$").match(Q(told->version)).hasMatch()) << told->version;
  EXPECT_EQ(TOfficeConverter::Version(), told->version);
}

// Stands in for a console in the test below: converts a document that keeps
// the suite busy, with the cache folder it is given, until it is killed (its
// conversion has no time limit that could end it first).
TEST(OfficeConverterTest, DISABLED_ConsoleStandIn) {
  const char* folder = std::getenv("TABLO_STAND_IN_CACHE");
  ASSERT_NE(folder, nullptr);
  TOfficeConverter::SetCacheFolder(folder);
  TOfficeConverter::TimeLimitSeconds = 3600;
  TOfficeConverter::RtfToXhtml(String(folder) + "busy.rtf");
}

// A console killed during a conversion takes every process of the suite
// with it, though it had no chance to end them.
TEST(OfficeConverterTest, AKilledConsoleLeavesNoSuiteProcess) {
  const String folder = officesamples::UseTestCache() + "killed/";
  ForceDirectories(folder);
  const String busy = folder + "busy.rtf";
  std::ofstream(busy, std::ios::binary) << officesamples::BusyRtf();
  QProcess console;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("TABLO_STAND_IN_CACHE", QString::fromStdString(folder));
  console.setProcessEnvironment(env);
  console.setProcessChannelMode(QProcess::MergedChannels);
  StartProgram(console, QCoreApplication::applicationFilePath(),
               {"--gtest_filter=OfficeConverterTest.DISABLED_ConsoleStandIn", "--gtest_also_run_disabled_tests"});
  ASSERT_TRUE(console.waitForStarted(10000));
  // Killed once the suite's main process reads the document. The first
  // start of the suite in a new profile on a busy machine may take a while;
  // a console that ended meanwhile says why.
  ASSERT_TRUE(pumpUntil([&] {
    return console.state() == QProcess::NotRunning || !officesamples::SuiteProcesses(folder, busy).empty();
  }, 180000));
  ASSERT_EQ(console.state(), QProcess::Running) << console.readAll().toStdString();
  ::kill(pid_t(console.processId()), SIGKILL);
  ASSERT_TRUE(console.waitForFinished(10000));
  EXPECT_TRUE(pumpUntil([&] { return officesamples::SuiteProcesses(folder).empty(); }, 10000));
}

// A cache whose disk is full: the conversion fails and says so.
TEST(OfficeConverterTest, AFullCacheDiskIsSaidAsSuch) {
  const String rtf = Temp("full.rtf", "{\\rtf1\\ansi Alpha\\par}");
  const String folder = officesamples::UseTestCache() + "full/";
  FullDisk disk(folder, 64);
  if (!disk.Ok()) GTEST_SKIP() << "no right to mount a small file system";
  {
    std::ofstream filler(folder + "filler", std::ios::binary);
    const std::string block(4096, 'x');
    for (int i = 0; i < 64 && filler; ++i) filler << block << std::flush;
  }
  TOfficeConverter::SetCacheFolder(folder);
  try {
    TOfficeConverter::RtfToXhtml(rtf);
    ADD_FAILURE() << "converted on a full disk";
  } catch (const EOfficeError& e) {
    EXPECT_NE(e.Message.find("disk full"), String::npos) << e.Message;
  }
  officesamples::UseTestCache();
}

// A console that was killed during a conversion leaves the suite's main
// process behind: the next console ends it (its whole group) and removes the
// dead console's folders; what belongs to a running console stays.
TEST(OfficeConverterTest, LeftoversOfADeadConsoleAreEnded) {
  const String folder = officesamples::UseTestCache();
  const struct {
    qint64 owner;
    bool ended;
  } cases[] = {{officesamples::EndedProcess(), true}, {QCoreApplication::applicationPid(), false}};
  std::vector<std::unique_ptr<QProcess>> procs;
  for (const auto& c : cases) {
    procs.push_back(officesamples::FakeLeftover(folder, c.owner));
    ASSERT_EQ(procs.back()->state(), QProcess::Running);
  }
  TOfficeConverter::EndLeftovers();
  for (size_t i = 0; i < procs.size(); ++i) {
    EXPECT_EQ(procs[i]->waitForFinished(cases[i].ended ? 10000 : 300), cases[i].ended) << i;
    EXPECT_EQ(std::filesystem::exists(folder + "profile-" + IntToStr(cases[i].owner)), !cases[i].ended) << i;
  }
  ::kill(-pid_t(procs[1]->processId()), SIGKILL);
  procs[1]->waitForFinished(5000);
  // The child in the ended group went with it.
  EXPECT_TRUE(pumpUntil([&] { return officesamples::SuiteProcesses(folder).empty(); }, 5000));
}
