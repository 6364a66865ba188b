// The signal handler only writes the signal's number into a pipe (all it
// may do); a socket notifier on the main thread reads it and makes the call.
#include "toolkit/Signals.h"

#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QSocketNotifier>

#include "toolkit/Controls.h"

namespace {

int g_pipe[2] = {-1, -1};
std::function<void(int)> g_onRequest;
QSocketNotifier* g_notifier = nullptr;

extern "C" void tkTerminationSignal(int sig) {
  const int saved = errno;
  const unsigned char b = static_cast<unsigned char>(sig);
  if (g_pipe[1] >= 0) {
    ssize_t n = ::write(g_pipe[1], &b, 1);
    (void)n;
  }
  errno = saved;
}

// Message boxes and dialogs still open would hold the program up: they are
// cancelled, as Escape would.
void cancelOpenDialogs() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible() && d->isModal()) d->reject();
}

void readRequests() {
  unsigned char buf[16];
  ssize_t n;
  while ((n = ::read(g_pipe[0], buf, sizeof buf)) > 0)
    for (ssize_t i = 0; i < n; ++i)
      if (g_onRequest) {
        const int sig = buf[i];
        DispatchEvent([sig] { g_onRequest(sig); });
        cancelOpenDialogs();
      }
}

}  // namespace

void InstallTerminationHandler(std::function<void(int Signal)> OnRequest) {
  g_onRequest = std::move(OnRequest);
  if (!g_onRequest) {
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGHUP, SIG_DFL);
    return;
  }
  if (g_pipe[0] < 0) {
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    g_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(g_notifier, &QSocketNotifier::activated, g_notifier, [] { readRequests(); });
  }
  struct sigaction sa {};
  sa.sa_handler = tkTerminationSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &sa, nullptr);
  ::sigaction(SIGHUP, &sa, nullptr);
  struct sigaction ign {};
  ign.sa_handler = SIG_IGN;
  sigemptyset(&ign.sa_mask);
  ::sigaction(SIGXFSZ, &ign, nullptr);
}

// ---------------------------------------------------------------------------
// Loss of the display

namespace {

std::function<void()> g_onDisplayLoss;
QtMessageHandler g_previousHandler = nullptr;
bool g_handlerInstalled = false;

void displayLossMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  const QByteArray text = message.toLocal8Bit();
  static bool running = false;
  if (g_onDisplayLoss && !running && IsDisplayLossMessage(text.constData())) {
    running = true;
    // Inside Qt's message handler: written as is, not through a category.
    std::fprintf(stderr, "%s: the display is gone; saving and ending\n", text.constData());
    try {
      g_onDisplayLoss();
    } catch (...) {
    }
    std::fflush(nullptr);
    ::_exit(0);
  }
  if (g_previousHandler) g_previousHandler(type, context, message);
  else std::fprintf(stderr, "%s\n", text.constData());
}

}  // namespace

bool IsDisplayLossMessage(const char* Message) {
  return Message && (std::strncmp(Message, "The X11 connection broke", 24) == 0 ||
                     std::strncmp(Message, "The Wayland connection broke", 28) == 0);
}

void InstallDisplayLossHandler(std::function<void()> OnLoss) {
  g_onDisplayLoss = std::move(OnLoss);
  if (g_onDisplayLoss && !g_handlerInstalled) {
    g_previousHandler = qInstallMessageHandler(displayLossMessageHandler);
    g_handlerInstalled = true;
  } else if (!g_onDisplayLoss && g_handlerInstalled) {
    qInstallMessageHandler(g_previousHandler);
    g_previousHandler = nullptr;
    g_handlerInstalled = false;
  }
}
