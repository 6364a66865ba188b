// The display going away while the console runs: the program saves what a
// termination request saves and ends cleanly, without touching its windows.
// The real program runs on a private virtual display that the test ends.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "toolkit/Signals.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

bool OnPath(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// Output of a shell command.
std::string Output(const std::string& cmd) {
  std::string out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
  }
  return out;
}

// A process that has ended: its wait status, or -1 while it runs.
int Reaped(pid_t pid) {
  int status = 0;
  return waitpid(pid, &status, WNOHANG) == pid ? status : -1;
}

TEST(DisplayLossTest, TheMessageOfALostDisplayIsKnown) {
  EXPECT_TRUE(IsDisplayLossMessage("The X11 connection broke (error 1). Did the X11 server die?"));
  EXPECT_TRUE(IsDisplayLossMessage("The Wayland connection broke. Did the Wayland compositor die?"));
  EXPECT_FALSE(IsDisplayLossMessage("QXcbConnection: XCB error: 3 (BadWindow)"));
  EXPECT_FALSE(IsDisplayLossMessage(nullptr));
}

#ifdef TABLO_EXE
TEST(DisplayLossTest, TheConsoleSavesItsSettingsAndEndsWhenTheDisplayGoes) {
  if (!OnPath("Xvfb") || !OnPath("xwininfo")) GTEST_SKIP() << "Xvfb and xwininfo are needed";
  char tmpl[] = "/tmp/display_loss_XXXXXX";
  const fs::path root = mkdtemp(tmpl);
  const fs::path app = root / "app";
  fs::create_directories(app);
  fs::copy_file(TABLO_EXE, app / "tablo");
  // A virtual display of our own: it tells its number through a pipe.
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const pid_t xvfb = fork();
  if (xvfb == 0) {
    close(fds[0]);
    const std::string fd = std::to_string(fds[1]);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 2);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
           static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string number;
  char c;
  while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  close(fds[0]);
  ASSERT_FALSE(number.empty()) << "Xvfb did not start";
  const std::string display = ":" + number;
  const fs::path err = root / "stderr.txt";
  const pid_t console = fork();
  if (console == 0) {
    setenv("DISPLAY", display.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    setenv("XDG_CONFIG_HOME", (root / "cfg").c_str(), 1);
    setenv("XDG_CACHE_HOME", (root / "cache").c_str(), 1);
    setenv("HOME", root.c_str(), 1);
    setenv("TABLO_AUDIO_SINK", "fakesink sync=true", 1);
    const int out = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out, 2);
    execl((app / "tablo").c_str(), "tablo", static_cast<char*>(nullptr));
    _exit(127);
  }
  // The console's window is up: its start-up is done.
  const auto until = Clock::now() + std::chrono::seconds(120);
  bool shown = false;
  while (!shown && Clock::now() < until) {
    shown = Output("xwininfo -display " + display + " -root -children 2>/dev/null").find("\"tablo\"") != std::string::npos;
    if (!shown) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  const fs::path settings = root / "cfg" / "Quellmark" / "tablo.settings";
  EXPECT_TRUE(shown) << "the console's window did not show";
  EXPECT_FALSE(fs::exists(settings)) << "settings are written at shutdown only";
  // The display goes away.
  kill(xvfb, SIGKILL);
  waitpid(xvfb, nullptr, 0);
  int status = -1;
  const auto end = Clock::now() + std::chrono::seconds(60);
  while ((status = Reaped(console)) == -1 && Clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  if (status == -1) {
    kill(console, SIGKILL);
    waitpid(console, nullptr, 0);
  }
  std::ifstream in(err);
  const std::string errText((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_NE(status, -1) << "the console did not end";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << (WIFSIGNALED(status) ? "ended by signal " + std::to_string(WTERMSIG(status))
                              : "exit code " + std::to_string(WEXITSTATUS(status)))
      << "\n" << errText;
  EXPECT_TRUE(fs::exists(settings)) << errText;
  fs::remove_all(root);
}
#endif

}  // namespace
