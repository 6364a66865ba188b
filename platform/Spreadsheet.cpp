#include "platform/Spreadsheet.h"

#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <cmath>
#include <cstdio>

#include "platform/SheetReader.h"
#include "toolkit/Forms.h"

#if defined(__SANITIZE_ADDRESS__)
#define TABLO_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TABLO_ASAN 1
#endif
#endif

String TSpreadsheetReader::Program;
int TSpreadsheetReader::TimeLimitSeconds = 15;
int TSpreadsheetReader::MemoryLimitMegabytes = 512;

namespace {

const char* const kReaderName = "tablo-sheet-reader";
bool g_reading = false;

[[noreturn]] void Fail(const String& file, const String& reason) {
  throw Exception("Error file " + file + ": " + reason);
}

QString Q(const String& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

String ReaderProgram() {
  if (!TSpreadsheetReader::Program.empty()) return TSpreadsheetReader::Program;
  QString dir;
  if (QCoreApplication::instance()) {
    dir = QCoreApplication::applicationDirPath();
  } else {
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    dir = n > 0 ? QFileInfo(QString::fromUtf8(buf, int(n))).absolutePath() : QStringLiteral(".");
  }
  return (dir + "/" + kReaderName).toStdString();
}

// A number as the sheet shows it in the general format.
String NumberText(double v) {
  if (!std::isfinite(v)) return String();
  if (v == std::floor(v) && std::fabs(v) < 1e15) return IntToStr(int64_t(v));
  return FloatToStr(v);
}

// "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS" or "HH:MM:SS" as the toolkit shows it.
String IsoText(sheet::Kind k, const String& t) {
  int y = 0, mo = 0, d = 0, hh = 0, mi = 0, ss = 0;
  TDateTime dt = 0;
  if (k == sheet::Kind::IsoTime)
    return std::sscanf(t.c_str(), "%d:%d:%d", &hh, &mi, &ss) == 3 && TryEncodeTime(hh, mi, ss, 0, dt) ? TimeToStr(dt)
                                                                                                       : String();
  if (std::sscanf(t.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &hh, &mi, &ss) < 3 || !TryEncodeDate(y, mo, d, dt))
    return String();
  TDateTime tm = 0;
  if (k == sheet::Kind::IsoDateTime && TryEncodeTime(hh, mi, ss, 0, tm)) return DateTimeToStr(dt + tm);
  return DateToStr(dt);
}

String CellText(const sheet::Cell& c) {
  using sheet::Kind;
  switch (c.What) {
    case Kind::Text: return c.Value;
    case Kind::Number: return NumberText(std::strtod(c.Value.c_str(), nullptr));
    case Kind::SerialDate:
    case Kind::SerialTime:
    case Kind::SerialDateTime: {
      const double v = std::strtod(c.Value.c_str(), nullptr);
      if (!std::isfinite(v) || std::fabs(v) > 3e6) return String();   // beyond the calendar
      if (c.What == Kind::SerialDateTime) return DateTimeToStr(v);
      return c.What == Kind::SerialTime ? TimeToStr(v) : DateToStr(v);
    }
    default: return IsoText(c.What, c.Value);
  }
}

// Runs the reader on the file and answers its reply; an empty string when
// the reader crashed, ran out of time or memory, or said too much.
String RunReader(const String& file, const TSheetBounds& b, size_t maxReply) {
  const String program = ReaderProgram();
  QProcess proc;
  proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  proc.setStandardInputFile(QProcess::nullDevice());
  const rlim_t memory = rlim_t(std::max(TSpreadsheetReader::MemoryLimitMegabytes, 64)) << 20;
  const rlim_t seconds = rlim_t(std::max(TSpreadsheetReader::TimeLimitSeconds, 1)) + 1;
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
  proc.start(Q(program), {QString::number(b.Columns), QString::number(b.StopColumn), QString::number(b.MaxRows), Q(file)});
  if (!proc.waitForStarted(10000)) Fail(file, "the spreadsheet reader " + program + " cannot be started");

  QByteArray reply;
  QElapsedTimer t;
  t.start();
  bool failed = false;
  const bool mainThread =
      QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
  // The wait pumps the queue, so the screen keeps painting; it ends at the
  // time limit, at a reply longer than any the bounds allow, or when the
  // program closes.
  while (proc.state() != QProcess::NotRunning) {
    proc.waitForFinished(15);
    reply += proc.readAllStandardOutput();
    if (size_t(reply.size()) > maxReply || t.elapsed() > qint64(TSpreadsheetReader::TimeLimitSeconds) * 1000 ||
        (Application && Application->Terminated())) {
      failed = true;
      proc.kill();
      proc.waitForFinished(5000);
      break;
    }
    if (mainThread) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  reply += proc.readAllStandardOutput();
  if (failed || proc.exitStatus() != QProcess::NormalExit || proc.exitCode() != 0) return String();
  return String(reply.constData(), size_t(reply.size()));
}

}  // namespace

TSheetRows ReadFirstWorksheet(const String& FileName, const TSheetBounds& Bounds) {
  sheet::Bounds b;
  b.Columns = std::clamp(Bounds.Columns, 1, sheet::kMaxColumns);
  b.MaxRows = std::clamp(Bounds.MaxRows, 1, sheet::kMaxRows);
  b.StopColumn = Bounds.StopColumn >= 0 && Bounds.StopColumn < b.Columns ? Bounds.StopColumn : -1;
  if (g_reading) Fail(FileName, "another spreadsheet is being read");
  g_reading = true;
  String reply;
  try {
    reply = RunReader(FileName, TSheetBounds{b.Columns, b.StopColumn, b.MaxRows}, sheet::MaxReplyBytes(b.Columns, b.MaxRows));
  } catch (...) {
    g_reading = false;
    throw;
  }
  g_reading = false;
  sheet::Reply r;
  if (!sheet::Decode(reply, b, r)) Fail(FileName, "not a readable workbook");
  if (r.Refused) Fail(FileName, r.Reason);
  int rows = 0;
  for (const auto& c : r.Cells) rows = std::max(rows, c.Row + 1);
  TSheetRows out(size_t(rows), std::vector<String>(size_t(b.Columns)));
  for (const auto& c : r.Cells) out[size_t(c.Row)][size_t(c.Col)] = CellText(c);
  return out;
}
