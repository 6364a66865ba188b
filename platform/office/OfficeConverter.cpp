// The office suite as a converter (see the header).
#include "platform/office/OfficeConverter.h"
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <mutex>
#include <thread>
#include <sys/prctl.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include "toolkit/Forms.h"
#include "toolkit/ProgramStart.h"

int TOfficeConverter::TimeLimitSeconds = 60;
int64_t TOfficeConverter::RtfSizeLimit = 8 * 1024 * 1024;
int64_t TOfficeConverter::PresentationSizeLimit = int64_t(256) * 1024 * 1024;

namespace {

QString Q(const String& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
String S(const QString& s) {
  const QByteArray b = s.toUtf8();
  return String(b.constData(), size_t(b.size()));
}

String g_cacheFolder;
QProcess* g_running = nullptr;
// The process group of the running conversion: the launcher leads it, and
// the suite's main process (which the launcher starts) belongs to it.
qint64 g_group = 0;
bool g_killed = false;
int g_conversions = 0;
// A pipe whose write end only this process holds (close-on-exec): each
// conversion's watchdog reads its other end, and the read ends when this
// process does, however it ends (a kill too), since the kernel closes the
// write end then.
int g_lifeline[2] = {-1, -1};

// The stop of the work that RunAside waits for (null when none).
std::atomic<bool>* g_asideStop = nullptr;

bool OnMainThread() {
  return QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
}

const char* const kSuite = "soffice";

QString SuiteProgram() {
  const QString p = QStandardPaths::findExecutable(kSuite);
  return p.isEmpty() ? QString::fromLatin1(kSuite) : p;
}

QByteArray Head(const String& file, qint64 n) {
  QFile f(Q(file));
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.read(n);
}

// The name of the main entry of a zip package (its content types or mimetype
// entry) tells what the package holds; the local headers are read in turn.
String ZipKind(const String& file) {
  QFile f(Q(file));
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QByteArray data = f.read(256 * 1024);
  if (data.contains("mimetypeapplication/vnd.oasis.opendocument.presentation")) return "impress8";
  if (data.contains("ppt/presentation.xml") || data.contains("ppt/slides/")) return "Impress MS PowerPoint 2007 XML";
  return {};
}

}  // namespace

String TOfficeConverter::CacheFolder() {
  if (!g_cacheFolder.empty()) return g_cacheFolder;
  QString base = qEnvironmentVariable("XDG_CACHE_HOME");
  if (base.isEmpty()) base = QDir::homePath() + "/.cache";
  return IncludeTrailingPathDelimiter(S(base) + "/Quellmark/office");
}

void TOfficeConverter::SetCacheFolder(const String& Folder) {
  g_cacheFolder = Folder.empty() ? String() : IncludeTrailingPathDelimiter(Folder);
}

int TOfficeConverter::ConversionCount() { return g_conversions; }

bool TOfficeConverter::Running() { return g_running != nullptr; }

namespace {
// Ends every process of the running conversion, its watchdog too. The
// watchdog belongs to the group until it is ended here, so the group's
// number is still its own even after the launcher was waited for.
void EndGroup() {
  if (g_group > 0) ::kill(-pid_t(g_group), SIGKILL);
  if (g_running) g_running->kill();
}
}  // namespace

void TOfficeConverter::KillRunning() {
  if (g_asideStop) *g_asideStop = true;
  if (g_running) {
    g_killed = true;
    EndGroup();
  }
}

void TOfficeConverter::RunAside(const std::function<void(const std::atomic<bool>& Stop)>& Work) {
  std::atomic<bool> stop{false};
  if (!OnMainThread()) {
    Work(stop);
    return;
  }
  if (g_asideStop) throw EOfficeError("The office suite is busy with another document");
  std::mutex m;
  bool done = false;
  std::exception_ptr error;
  g_asideStop = &stop;
  std::thread worker([&] {
    try {
      Work(stop);
    } catch (...) {
      error = std::current_exception();
    }
    {
      std::lock_guard<std::mutex> g(m);
      done = true;
    }
    WakeWaiters();
  });
  // However the wait ends (a handler run by the pumping may throw), the
  // work is told to stop and joined.
  struct Join {
    std::thread& worker;
    std::atomic<bool>& stop;
    ~Join() {
      if (worker.joinable()) {
        stop = true;
        worker.join();
      }
      g_asideStop = nullptr;
    }
  } join{worker, stop};
  // The toolkit's wait, woken when the work is done; a closing program
  // tells the work to stop and waits for it.
  const auto finished = [&] {
    std::lock_guard<std::mutex> g(m);
    return done;
  };
  if (WaitFor(finished, -1) == wrClosing) stop = true;
  worker.join();
  if (error) std::rethrow_exception(error);
  if (stop) throw EAbort("Reading was stopped");
}

void TOfficeConverter::RemoveProcessFolders() {
  if (g_running) return;
  const QString pid = QString::number(QCoreApplication::applicationPid());
  for (const char* prefix : {"profile-", "work-"}) QDir(Q(CacheFolder()) + prefix + pid).removeRecursively();
}

namespace {
// True while process Pid exists.
bool Alive(qint64 Pid) { return Pid > 0 && (::kill(pid_t(Pid), 0) == 0 || errno != ESRCH); }

// The decimal number at the start of Text (0 when none or absurdly long).
qint64 LeadingNumber(const QByteArray& Text) {
  qint64 n = 0;
  for (int i = 0; i < Text.size() && i < 10 && Text[i] >= '0' && Text[i] <= '9'; ++i) n = n * 10 + (Text[i] - '0');
  return n;
}
}  // namespace

void TOfficeConverter::EndLeftovers() {
  const qint64 self = QCoreApplication::applicationPid();
  // The suite runs with its profile folder, which its console removes at its
  // shutdown: without a folder of a console that no longer runs there is
  // nothing to end (and no process list is read).
  const QDir cache(Q(CacheFolder()));
  QStringList dead;
  for (const QString& d : cache.entryList({"profile-*", "work-*"}, QDir::Dirs | QDir::NoDotAndDotDot)) {
    const qint64 owner = LeadingNumber(d.mid(d.indexOf('-') + 1).toLatin1());
    if (owner > 0 && owner != self && !Alive(owner)) dead << d;
  }
  if (dead.isEmpty()) return;
  // The suite runs with its profile folder on its command line; a folder
  // named after a console that no longer runs marks a leftover.
  const QByteArray marker =
      ("-env:UserInstallation=" + QUrl::fromLocalFile(Q(CacheFolder()) + "profile-").toString()).toUtf8();
  const QStringList pids = QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  for (const QString& name : pids) {
    bool number = false;
    const qint64 pid = name.toLongLong(&number);
    if (!number) continue;
    QFile cmd("/proc/" + name + "/cmdline");
    if (!cmd.open(QIODevice::ReadOnly)) continue;
    const QByteArray line = cmd.read(64 * 1024);
    const qsizetype at = line.indexOf(marker);
    if (at < 0) continue;
    const qint64 owner = LeadingNumber(line.mid(at + marker.size()));
    if (owner <= 0 || owner == self || Alive(owner)) continue;
    // Its group (the fifth field of its status line) goes as a whole.
    QFile stat("/proc/" + name + "/stat");
    qint64 group = 0;
    if (stat.open(QIODevice::ReadOnly)) {
      const QByteArray st = stat.read(4096);
      const QList<QByteArray> fields = st.mid(st.lastIndexOf(')') + 2).split(' ');
      if (fields.size() > 2) group = fields[2].toLongLong();
    }
    if (group > 1 && group != qint64(::getpgrp()))
      ::kill(-pid_t(group), SIGKILL);
    else
      ::kill(pid_t(pid), SIGKILL);
  }
  // Folders of consoles that no longer run.
  for (const QString& d : dead) QDir(cache.filePath(d)).removeRecursively();
}

namespace {

// Free space below which a failed write or conversion in the cache is taken
// for a full disk: the suite's profile alone takes several MB.
constexpr uint64_t kLowSpaceBytes = uint64_t(32) << 20;

// "disk full (...)" when the file system of Folder has (next to) no space
// left, else empty.
String FullDiskReason(const String& Folder) {
  struct statvfs fs {};
  if (::statvfs(Folder.c_str(), &fs) != 0) return {};
  const bool noInodes = fs.f_files > 0 && fs.f_favail == 0;   // some file systems count none
  if (uint64_t(fs.f_bavail) * fs.f_frsize >= kLowSpaceBytes && !noInodes) return {};
  return "disk full (no space left on the device) in " + Folder;
}

// The reason of a failed write into the cache with errno Err.
String WriteFailure(int Err, const String& Folder) {
  const String full = FullDiskReason(Folder);
  if (Err == ENOSPC || Err == EDQUOT || !full.empty()) return full.empty() ? "disk full (no space left on the device)" : full;
  return std::strerror(Err);
}

}  // namespace

String TOfficeConverter::ImportFilter(const String& FileName, TOfficeKind* Kind) {
  if (Kind) *Kind = TOfficeKind::Unknown;
  const QByteArray h = Head(FileName, 4096);
  auto kind = [&](TOfficeKind k) { if (Kind) *Kind = k; };
  static const char ole2[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
  if (h.startsWith(QByteArray(ole2, 8))) {
    kind(TOfficeKind::Presentation);
    return "MS PowerPoint 97";
  }
  if (h.startsWith("PK\x03\x04")) {
    const String z = ZipKind(FileName);
    if (!z.empty()) kind(TOfficeKind::Presentation);
    return z;
  }
  if (h.startsWith("{\\rtf")) {
    kind(TOfficeKind::Rtf);
    return "Rich Text Format";
  }
  if (h.contains("<office:document") && h.contains("application/vnd.oasis.opendocument.presentation")) {
    kind(TOfficeKind::Presentation);
    return "OpenDocument Presentation Flat XML";
  }
  return {};
}

String TOfficeConverter::Convert(const String& InFile, const String& Filter, const String& OutFormat,
                                 const String& OutDir, const String& OutExt) {
  if (g_running || g_asideStop) throw EOfficeError("The office suite is busy with another document");
  if (!QFileInfo::exists(Q(InFile))) throw EOfficeError("File not found: " + InFile);
  static bool swept = false;
  if (!swept) {
    swept = true;
    EndLeftovers();
  }
  const String profile = CacheFolder() + "profile-" + IntToStr(QCoreApplication::applicationPid());
  for (const String& folder : {profile, OutDir}) {
    errno = 0;
    if (!QDir().mkpath(Q(folder)))
      throw EOfficeError("Cannot create the folder " + folder + ": " + WriteFailure(errno, CacheFolder()));
  }
  if (g_lifeline[0] < 0 && ::pipe2(g_lifeline, O_CLOEXEC) != 0)
    throw EOfficeError(String("The office suite could not be started: ") + std::strerror(errno));
  const String out = IncludeTrailingPathDelimiter(OutDir) + ChangeFileExt(ExtractFileName(InFile), OutExt);
  QFile::remove(Q(out));

  QProcess proc;
  QStringList args;
  args << "-env:UserInstallation=" + QUrl::fromLocalFile(Q(profile)).toString() << "--headless" << "--norestore" << "--nolockcheck";
  if (!Filter.empty()) args << "--infilter=" + Q(Filter);
  args << "--convert-to" << Q(OutFormat) << "--outdir" << Q(OutDir) << Q(InFile);
  proc.setProcessChannelMode(QProcess::MergedChannels);
  // The launcher starts the suite's main process and may end before it: the
  // conversion gets a process group of its own, so that a timeout, a stop or
  // the program's end takes every process with it. A killed program has no
  // end of its own: a watchdog in the group (forked by the launcher before it
  // starts the suite, holding nothing but the lifeline as its input) ends the
  // group once the lifeline's read ends, i.e. once this process is gone. It
  // runs as a small shell, so that it keeps no copy of this process's memory.
  // Between fork and exec: only calls that are safe there.
  const int lifeline = g_lifeline[0];
  proc.setChildProcessModifier([lifeline] {
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    const pid_t watchdog = ::fork();
    if (watchdog < 0) ::_exit(127);   // no conversion without its watchdog
    if (watchdog > 0) return;
    if (lifeline != 0) ::dup2(lifeline, 0);
    ::fcntl(0, F_SETFD, 0);   // kept across exec
    ::close_range(1, ~0u, 0);
    ::open("/dev/null", O_WRONLY);   // its output and errors go nowhere
    ::dup2(1, 2);
    ::execl("/bin/sh", "sh", "-c", "read x; kill -9 0", "tablo-office-watchdog", static_cast<char*>(nullptr));
    char c;   // no shell: the copy waits itself
    while (::read(0, &c, 1) < 0 && errno == EINTR) {
    }
    ::kill(0, SIGKILL);   // the whole group, the watchdog with it
    ::_exit(0);
  });
  StartProgram(proc, SuiteProgram(), args);
  if (!proc.waitForStarted(10000)) throw EOfficeError("The office suite could not be started");
  g_running = &proc;
  g_group = proc.processId();
  g_killed = false;
  // Whatever ends the wait (an exception from a handler run by the pumping
  // too), the suite does not outlive it and the state is clear again.
  struct Clear {
    QProcess& proc;
    ~Clear() {
      // The watchdog (and whatever the suite left) goes with the group.
      EndGroup();
      if (proc.state() != QProcess::NotRunning) proc.waitForFinished(1000);
      g_running = nullptr;
      g_group = 0;
    }
  } clear{proc};
  ++g_conversions;
  bool timedOut = false;
  const int limitMs = TimeLimitSeconds * 1000;
  if (OnMainThread()) {
    // The toolkit's wait, woken by the suite's end; KillRunning (from a
    // handler it runs) or a closing program end it too.
    QElapsedTimer t;
    t.start();
    const auto late = [&] { return t.elapsed() > qint64(TimeLimitSeconds) * 1000; };
    const TWaitResult r =
        WaitFor([&] { return proc.state() == QProcess::NotRunning || g_killed || late(); }, limitMs);
    if (r == wrClosing) g_killed = true;
    timedOut = !g_killed && proc.state() != QProcess::NotRunning && (r == wrTimeout || late());
  } else {
    timedOut = !proc.waitForFinished(limitMs);
  }
  if (proc.state() != QProcess::NotRunning) EndGroup();
  proc.waitForFinished(1000);
  const bool killed = g_killed;
  g_killed = false;
  // Stopped because the program closes: nothing to tell (EAbort is silent),
  // and no message may hold the closing up.
  if (killed) throw EAbort("Conversion of " + ExtractFileName(InFile) + " was stopped");
  if (timedOut)
    throw EOfficeError("Conversion of " + ExtractFileName(InFile) + " took longer than " + IntToStr(TimeLimitSeconds) + " s");
  if (!QFileInfo(Q(out)).isFile() || QFileInfo(Q(out)).size() == 0) {
    // The suite says nothing we can read about why; a cache with no room
    // left is the likeliest reason, and the operator can mend it.
    const String full = FullDiskReason(OutDir);
    if (!full.empty()) throw EOfficeError("The office suite could not write the conversion of " + ExtractFileName(InFile) + ": " + full);
    throw EOfficeError("The office suite could not read " + ExtractFileName(InFile));
  }
  return out;
}

namespace {

// A cache name for a file's content: a hash of its bytes and of what it
// becomes. A file replaced by another of the same size and time (as a copy
// that keeps times leaves it) gets a name of its own. Hashed aside from the
// main thread: a deck of hundreds of MB takes a second.
String CacheKey(const String& file, const String& what) {
  String key;
  TOfficeConverter::RunAside([&](const std::atomic<bool>& stop) {
    QFile f(Q(file));
    if (!f.open(QIODevice::ReadOnly)) throw EOfficeError("Cannot read " + file + ": " + S(f.errorString()));
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QByteArray piece(1 << 20, Qt::Uninitialized);
    for (qint64 n; (n = f.read(piece.data(), piece.size())) != 0;) {
      if (n < 0) throw EOfficeError("Cannot read " + file + ": " + S(f.errorString()));
      if (stop) return;
      hash.addData(QByteArrayView(piece.constData(), n));
    }
    hash.addData(QByteArray("|") + Q(what).toUtf8());
    key = S(QString::fromLatin1(hash.result().toHex()));
  });
  return key;
}

// Converts into this process's own folder and renames the result over its
// cache name in one step: another console that looks at the same name sees
// either no file or a complete one, never a gap or a part.
String Cached(const String& file, const String& filter, const String& format, const String& ext) {
  const String cache = TOfficeConverter::CacheFolder();
  const String target = cache + CacheKey(file, format) + ext;
  if (QFileInfo(Q(target)).isFile()) return target;
  const String work = cache + "work-" + IntToStr(QCoreApplication::applicationPid());
  const String out = TOfficeConverter::Convert(file, filter, format, work, ext);
  if (std::rename(out.c_str(), target.c_str()) != 0)
    throw EOfficeError("Cannot write the cache file " + target + ": " + WriteFailure(errno, cache));
  return target;
}

}  // namespace

namespace {

// The import filter of a presentation that may be converted.
String PresentationFilter(const String& FileName) {
  const QFileInfo fi(Q(FileName));
  if (!fi.isFile()) throw EOfficeError("File not found: " + FileName);
  if (fi.size() > TOfficeConverter::PresentationSizeLimit)
    throw EOfficeError(ExtractFileName(FileName) + " is too large (more than " +
                       IntToStr(TOfficeConverter::PresentationSizeLimit / (1024 * 1024)) + " MB)");
  TOfficeKind kind;
  const String filter = TOfficeConverter::ImportFilter(FileName, &kind);
  if (kind != TOfficeKind::Presentation) throw EOfficeError(ExtractFileName(FileName) + " is not a presentation");
  return filter;
}

}  // namespace

String TOfficeConverter::ToPdf(const String& FileName) {
  return Cached(FileName, PresentationFilter(FileName), "pdf", ".pdf");
}

String TOfficeConverter::ToOdp(const String& FileName) {
  return Cached(FileName, PresentationFilter(FileName), "odp", ".odp");
}

String TOfficeConverter::RtfToXhtml(const String& FileName) {
  const QFileInfo fi(Q(FileName));
  if (!fi.isFile()) throw EOfficeError("File not found: " + FileName);
  if (fi.size() > RtfSizeLimit)
    throw EOfficeError(ExtractFileName(FileName) + " is larger than " + IntToStr(RtfSizeLimit / (1024 * 1024)) + " MB");
  const String html = Cached(FileName, "Rich Text Format", "html:XHTML Writer File:UTF8", ".html");
  QFile f(Q(html));
  if (!f.open(QIODevice::ReadOnly)) throw EOfficeError("Cannot read " + html);
  QString text = QString::fromUtf8(f.readAll());
  // The page margins of a printed page mean nothing on a screen.
  static const QRegularExpression body(QStringLiteral("<body([^>]*) style=\"[^\"]*\""));
  text.replace(body, QStringLiteral("<body\\1"));
  return S(text);
}

String TOfficeConverter::Version() {
  static bool read = false;
  static String version;
  if (read) return version;
  read = true;
  QProcess p;
  StartProgram(p, SuiteProgram(), {"--version"});
  if (!p.waitForFinished(20000)) {
    p.kill();
    p.waitForFinished(1000);
    return version;
  }
  // "LibreOffice 7.4.7.2 40(Build:2)": the second word.
  const QStringList words = QString::fromUtf8(p.readAllStandardOutput()).split(' ', Qt::SkipEmptyParts);
  for (const QString& w : words)
    if (!w.isEmpty() && w[0].isDigit()) {
      version = S(w.trimmed());
      break;
    }
  return version;
}
