#include "toolkit/ReaderProcess.h"

#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <algorithm>

#include "toolkit/Classes.h"
#include "toolkit/Forms.h"
#include "toolkit/ProgramStart.h"

#if defined(__SANITIZE_ADDRESS__)
#define TABLO_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TABLO_ASAN 1
#endif
#endif

namespace {
QString Q(const String& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
thread_local const std::atomic<bool>* tl_cancel = nullptr;
bool cancelled() { return tl_cancel && tl_cancel->load(); }
}  // namespace

TReaderCancelScope::TReaderCancelScope(const std::atomic<bool>* Flag) : previous_(tl_cancel) { tl_cancel = Flag; }
TReaderCancelScope::~TReaderCancelScope() { tl_cancel = previous_; }

String DefaultReaderProgram() {
  QString dir;
  if (QCoreApplication::instance()) {
    dir = QCoreApplication::applicationDirPath();
  } else {
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    dir = n > 0 ? QFileInfo(QString::fromUtf8(buf, int(n))).absolutePath() : QStringLiteral(".");
  }
  return (dir + "/tablo-sheet-reader").toStdString();
}

TReaderEnd RunReaderProcess(const TReaderRun& run, std::string& reply) {
  reply.clear();
  QProcess proc;
  proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  if (run.Input.empty()) proc.setStandardInputFile(QProcess::nullDevice());
  const rlim_t memory = rlim_t(std::max(run.MemoryLimitMegabytes, 64)) << 20;
  const rlim_t seconds = rlim_t(std::max(run.TimeLimitMs, 1000) / 1000) + 1;
#ifdef TABLO_ASAN
  // The sanitizer reserves far more address space than any limit allows; its
  // own allocator limit stands in for the address-space one.
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":detect_leaks=0:allocator_may_return_null=1" +
                                 ":hard_rss_limit_mb=" + QString::number(qulonglong(memory >> 20)) +
                                 ":max_allocation_size_mb=" + QString::number(qulonglong(memory >> 20)));
  proc.setProcessEnvironment(env);
#endif
  // Between fork and exec: only calls that are safe there.
  proc.setChildProcessModifier([memory, seconds] {
    struct rlimit none {0, 0};
    setrlimit(RLIMIT_CORE, &none);   // a crash leaves no core file behind
#ifndef TABLO_ASAN
    struct rlimit as {memory, memory};
    setrlimit(RLIMIT_AS, &as);
#else
    (void)memory;
#endif
    struct rlimit cpu {seconds, seconds};
    setrlimit(RLIMIT_CPU, &cpu);
  });
  QStringList args;
  for (const String& a : run.Arguments) args << Q(a);
  StartProgram(proc, Q(run.Program), args);
  if (!proc.waitForStarted(10000)) return TReaderEnd::NotStarted;
  if (!run.Input.empty()) {
    // The pipe takes what it can hold now; the rest goes out while waiting.
    proc.write(run.Input.data(), qint64(run.Input.size()));
    proc.closeWriteChannel();
  }

  // The reply is gathered where it is handed back, in room made for it.
  std::string& out = reply;
  if (run.ExpectBytes) out.reserve(std::min(run.ExpectBytes, run.MaxReplyBytes + 1));
  const auto take = [&] {
    const QByteArray chunk = proc.readAllStandardOutput();
    if (out.size() <= run.MaxReplyBytes) out.append(chunk.constData(), size_t(chunk.size()));
  };
  bool failed = false;
  if (TThread::IsMainThread() && QCoreApplication::instance()) {
    // The toolkit's wait, woken by the reader's output and its end.
    QObject::connect(&proc, &QProcess::readyReadStandardOutput, take);
    const TWaitResult r =
        WaitFor([&] { return proc.state() == QProcess::NotRunning || out.size() > run.MaxReplyBytes || cancelled(); },
                run.TimeLimitMs, run.KeepInputOut ? TWaitInput::None() : TWaitInput::All());
    failed = r != wrDone || out.size() > run.MaxReplyBytes || cancelled();
  } else {
    QElapsedTimer t;
    t.start();
    while (proc.state() != QProcess::NotRunning) {
      proc.waitForFinished(15);
      take();
      if (out.size() > run.MaxReplyBytes || t.elapsed() > run.TimeLimitMs || cancelled()) {
        failed = true;
        break;
      }
    }
  }
  if (failed && proc.state() != QProcess::NotRunning) {
    proc.kill();
    proc.waitForFinished(5000);
  }
  take();
  if (failed || out.size() > run.MaxReplyBytes || proc.exitStatus() != QProcess::NormalExit || proc.exitCode() != 0) {
    std::string().swap(out);
    return TReaderEnd::Failed;
  }
  return TReaderEnd::Replied;
}
