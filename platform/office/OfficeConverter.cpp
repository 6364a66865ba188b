// The office suite as a converter (see the header).
#include "platform/office/OfficeConverter.h"
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <mutex>
#include <thread>
#include <vector>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>
#include "toolkit/Forms.h"
#include "toolkit/Log.h"
#include "toolkit/ProgramStart.h"

int TOfficeConverter::TimeLimitSeconds = 60;
int64_t TOfficeConverter::RtfSizeLimit = 8 * 1024 * 1024;
int64_t TOfficeConverter::PresentationSizeLimit = int64_t(256) * 1024 * 1024;
int64_t TOfficeConverter::MemoryLimitBytes = int64_t(1) << 30;
int TOfficeConverter::MemoryPerDocumentByte = 16;

int64_t TOfficeConverter::MemoryLimit(int64_t DocumentBytes) {
  return MemoryLimitBytes + int64_t(MemoryPerDocumentByte) * std::max<int64_t>(DocumentBytes, 0);
}

namespace {

QString Q(const String& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
String S(const QString& s) {
  const QByteArray b = s.toUtf8();
  return String(b.constData(), size_t(b.size()));
}

String g_cacheFolder;
// The conversion under way (its launcher), null when none.
QProcess* g_running = nullptr;
int g_conversions = 0;

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

// ---------------------------------------------------------------------------
// What the suite may reach
// ---------------------------------------------------------------------------

// The suite's own settings in its profile: a picture linked from outside
// the document is not loaded (the document shows the suite's placeholder,
// which a PDF leaves empty), and no macro of a document runs.
const char kSettingsMarker[] = "BlockUntrustedRefererLinks";
const char kSettings[] =
    "<item oor:path=\"/org.openoffice.Office.Common/Security/Scripting\"><prop oor:name=\"BlockUntrustedRefererLinks\" "
    "oor:op=\"fuse\"><value>true</value></prop></item>\n"
    "<item oor:path=\"/org.openoffice.Office.Common/Security/Scripting\"><prop oor:name=\"DisableMacrosExecution\" "
    "oor:op=\"fuse\"><value>true</value></prop></item>\n";

// Writes the settings into Profile's user settings, unless they are there
// (the suite keeps them when it writes the file again at its end).
void WriteSuiteSettings(const QString& Profile) {
  const QString file = Profile + "/user/registrymodifications.xcu";
  QFile f(file);
  QByteArray text;
  if (f.open(QIODevice::ReadOnly)) text = f.readAll();
  f.close();
  if (text.contains(kSettingsMarker)) return;
  const qsizetype end = text.lastIndexOf("</oor:items>");
  if (end < 0)
    text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
           "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n" +
           QByteArray(kSettings) + "</oor:items>\n";
  else
    text.insert(end, kSettings);
  QDir().mkpath(Profile + "/user");
  QFile out(file + ".new");
  if (out.open(QIODevice::WriteOnly) && out.write(text) == text.size() && out.flush()) {
    out.close();
    std::rename(QFile::encodeName(file + ".new").constData(), QFile::encodeName(file).constData());
  }
}

// The file system rules of the kernel (Landlock): what the calling process
// and its children may reach, set up here and put in force in the child.
// Older kernel headers lack some rights, so their values are written out.
namespace fsrule {
constexpr uint64_t kExecute = 1ull << 0, kWriteFile = 1ull << 1, kReadFile = 1ull << 2, kReadDir = 1ull << 3,
                   kRemoveFile = 1ull << 5, kMakeSock = 1ull << 9, kRefer = 1ull << 13, kTruncate = 1ull << 14;
// Every right of the first version (executing to making a symbolic link).
constexpr uint64_t kVersion1 = (1ull << 13) - 1;
constexpr uint64_t kFileRights = kExecute | kWriteFile | kReadFile | kTruncate;
#ifdef SYS_landlock_create_ruleset
constexpr long kCreate = SYS_landlock_create_ruleset, kAddRule = SYS_landlock_add_rule, kRestrict = SYS_landlock_restrict_self;
#else
constexpr long kCreate = 444, kAddRule = 445, kRestrict = 446;
#endif
struct RulesetAttr {
  uint64_t handled;
};
struct PathBeneath {
  uint64_t allowed;
  int32_t parent;
} __attribute__((packed));
constexpr int kPathBeneathRule = 1;
constexpr unsigned kVersionFlag = 1;
}  // namespace fsrule

// A set of rules of what the suite may reach of the file system; -1 when
// the kernel has none to give (the profile's settings still keep linked
// pictures out).
class TFileRules {
 public:
  TFileRules() {
    using namespace fsrule;
    const long version = ::syscall(kCreate, nullptr, 0, kVersionFlag);
    if (version < 1) {
      static std::once_flag told;
      std::call_once(told, [] { LogNote("tablo.office", "The kernel has no file system rules: the office suite reads what its user may"); });
      return;
    }
    handled_ = kVersion1 | (version >= 2 ? kRefer : 0) | (version >= 3 ? kTruncate : 0);
    RulesetAttr attr{handled_};
    fd_ = int(::syscall(kCreate, &attr, sizeof attr, 0));
  }
  ~TFileRules() {
    if (fd_ >= 0) ::close(fd_);
  }
  TFileRules(const TFileRules&) = delete;
  TFileRules& operator=(const TFileRules&) = delete;
  // Allows Rights beneath Path (a folder, or the file itself); a path that
  // does not exist is left out.
  void Allow(const QString& Path, uint64_t Rights) {
    if (fd_ < 0 || Path.isEmpty()) return;
    const int at = ::open(QFile::encodeName(Path).constData(), O_PATH | O_CLOEXEC);
    if (at < 0) return;
    struct stat st {};
    if (::fstat(at, &st) == 0) {
      fsrule::PathBeneath rule{Rights & handled_, at};
      if (!S_ISDIR(st.st_mode)) rule.allowed &= fsrule::kFileRights;
      ::syscall(fsrule::kAddRule, fd_, fsrule::kPathBeneathRule, &rule, 0);
    }
    ::close(at);
  }
  int Fd() const { return fd_; }

 private:
  int fd_ = -1;
  uint64_t handled_ = 0;
};

// The rules of a run: the system and the suite's installation to read and
// run, the user's fonts to read, the profile and the output folder to
// write, the document to read, and in the temporary folders only the
// suite's own socket (it makes one to find a running copy of itself).
void AllowSuite(TFileRules& Rules, const QString& Profile, const QString& OutDir, const QString& Document) {
  using namespace fsrule;
  const uint64_t read = kExecute | kReadFile | kReadDir;
  const uint64_t all = ~uint64_t(0);
  for (const char* system : {"/usr", "/etc", "/var", "/opt", "/bin", "/sbin", "/lib", "/lib32", "/lib64", "/libx32", "/proc", "/sys"})
    Rules.Allow(QString::fromLatin1(system), read);
  // An installation outside them: the folder above the program's own.
  const QString program = QFileInfo(SuiteProgram()).canonicalFilePath();
  if (!program.isEmpty()) Rules.Allow(QFileInfo(QFileInfo(program).path()).path(), read);
  const QString home = QDir::homePath();
  const auto xdg = [&](const char* name, const QString& fallback) {
    const QString v = qEnvironmentVariable(name);
    return v.isEmpty() ? home + fallback : v;
  };
  for (const QString& fonts : {home + "/.fonts", xdg("XDG_DATA_HOME", "/.local/share") + "/fonts",
                               xdg("XDG_CONFIG_HOME", "/.config") + "/fontconfig", xdg("XDG_CACHE_HOME", "/.cache") + "/fontconfig"})
    Rules.Allow(fonts, read);
  Rules.Allow("/dev", kReadFile | kWriteFile | kReadDir);
  Rules.Allow("/dev/shm", all);
  for (const char* temp : {"/tmp", "/var/tmp"}) Rules.Allow(QString::fromLatin1(temp), kMakeSock | kRemoveFile);
  Rules.Allow(Profile, all);
  Rules.Allow(OutDir, all);
  Rules.Allow(Document, kReadFile);
}

// The system call filter of a run: no socket but the local ones (no
// network, whatever a document links to). Other architectures than the
// program's own are refused as a whole (a 32-bit call could open one).
#if defined(__x86_64__)
#define TABLO_AUDIT_ARCH AUDIT_ARCH_X86_64
#elif defined(__aarch64__)
#define TABLO_AUDIT_ARCH AUDIT_ARCH_AARCH64
#endif
#ifdef TABLO_AUDIT_ARCH
const sock_filter kNoNetwork[] = {
    BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
    BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, TABLO_AUDIT_ARCH, 1, 0),
    BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EACCES),
    BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
#if defined(__x86_64__)
    BPF_JUMP(BPF_JMP | BPF_JGE | BPF_K, 0x40000000u, 0, 1),   // the x32 calls
    BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EACCES),
#endif
    BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_socket, 1, 0),
    BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[0])),
    BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AF_UNIX, 2, 0),
    BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AF_NETLINK, 1, 0),
    BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EACCES),
    BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
};
const sock_fprog kNoNetworkProgram = {sizeof kNoNetwork / sizeof kNoNetwork[0], const_cast<sock_filter*>(kNoNetwork)};
const sock_fprog* const g_noNetwork = &kNoNetworkProgram;
#else
const sock_fprog* const g_noNetwork = nullptr;
#endif

// ---------------------------------------------------------------------------
// A run of the suite
// ---------------------------------------------------------------------------

// A pipe whose write end only this process holds (close-on-exec): each
// run's watchdog reads its other end, and the read ends when this process
// does, however it ends (a kill too), since the kernel closes the write end
// then. Made once, by whichever thread needs it first.
int g_lifeline[2] = {-1, -1};
bool Lifeline() {
  static std::once_flag made;
  std::call_once(made, [] {
    if (::pipe2(g_lifeline, O_CLOEXEC) != 0) g_lifeline[0] = g_lifeline[1] = -1;
  });
  return g_lifeline[0] >= 0;
}

// The runs under way (a conversion, the version read), which KillRunning
// ends from any thread.
struct TLiveRun {
  std::atomic<qint64> group{0};
  std::atomic<bool> stopped{false};
};
std::mutex g_liveLock;
std::vector<TLiveRun*> g_live;

// Ends every process of Run's group, its watchdog too.
void EndGroup(TLiveRun& Run) {
  const qint64 group = Run.group.load();
  if (group > 0) ::kill(-pid_t(group), SIGKILL);
}

// "VmPeak" of process Pid in bytes (0 when it is gone), and the processes
// its threads started.
int64_t PeakOf(pid_t Pid, std::vector<pid_t>& Children) {
  char path[64];
  char buf[4096];
  int64_t peak = 0;
  std::snprintf(path, sizeof path, "/proc/%d/status", int(Pid));
  if (const int fd = ::open(path, O_RDONLY | O_CLOEXEC); fd >= 0) {
    const ssize_t n = ::read(fd, buf, sizeof buf - 1);
    ::close(fd);
    if (n > 0) {
      buf[n] = 0;
      if (const char* at = std::strstr(buf, "VmPeak:")) peak = std::strtoll(at + 7, nullptr, 10) * 1024;
    }
  }
  const QString tasks = QStringLiteral("/proc/%1/task").arg(Pid);
  for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    QFile f(tasks + "/" + task + "/children");
    if (!f.open(QIODevice::ReadOnly)) continue;
    for (const QByteArray& child : f.readAll().split(' '))
      if (const int c = child.trimmed().toInt(); c > 0) Children.push_back(pid_t(c));
  }
  return peak;
}

// The largest address space a process of the tree under Root has reached.
int64_t TreePeak(pid_t Root) {
  int64_t peak = 0;
  std::vector<pid_t> todo{Root};
  for (size_t i = 0; i < todo.size() && i < 64; ++i) peak = std::max(peak, PeakOf(todo[i], todo));
  return peak;
}

// How a run ended.
struct TRunEnd {
  bool stopped = false;    // KillRunning or the program's end
  bool timedOut = false;
  bool nearBound = false;  // a process came near its address-space bound
  QByteArray output;
};

struct TSuiteRun {
  QStringList args;
  QString profile;         // the run's suite profile
  QString outDir;          // where it writes (empty: nowhere)
  QString document;        // what it reads (empty: nothing)
  int64_t memory = 0;      // bytes of address space a process may take
  // Milliseconds it may take, asked again while it runs (a limit lowered
  // meanwhile counts).
  std::function<qint64()> limitMs;
  const std::atomic<bool>* cancel = nullptr;   // set: the run is stopped at once
};

// Runs the suite as Job says and waits for its end: on the main thread
// through the toolkit's wait (all input gets in), elsewhere by blocking.
// The run is a process group that its watchdog leads: the watchdog starts
// first (a small shell reading the lifeline), the suite's launcher joins
// its group, bounded in address space, confined to what Job names and
// without the network. Whatever ends the wait, the group is ended before
// this returns. Raises EOfficeError when the suite cannot start.
TRunEnd RunSuite(const TSuiteRun& Job) {
  TRunEnd end;
  if (!Lifeline()) throw EOfficeError(String("The office suite could not be started: ") + std::strerror(errno));
  TLiveRun live;
  {
    std::lock_guard<std::mutex> g(g_liveLock);
    g_live.push_back(&live);
  }
  // A stop asked for before the run was listed.
  if (Job.cancel && *Job.cancel) live.stopped = true;
  QProcess watchdog;
  QProcess suite;
  // Runs last (declared after both processes): the group goes, then both
  // are waited for.
  struct Clear {
    TLiveRun& live;
    QProcess& watchdog;
    QProcess& suite;
    ~Clear() {
      EndGroup(live);
      for (QProcess* p : {&suite, &watchdog})
        if (p->state() != QProcess::NotRunning) {
          p->kill();
          p->waitForFinished(1000);
        }
      std::lock_guard<std::mutex> g(g_liveLock);
      std::erase(g_live, &live);
    }
  } clear{live, watchdog, suite};

  // The watchdog: the lifeline as its input, nothing else open; it ends the
  // group (itself with it) once the lifeline's read ends. Between Qt's
  // start of the child and its program only calls that are safe there.
  const int lifeline = g_lifeline[0];
  watchdog.setStandardInputFile(QProcess::nullDevice());
  watchdog.setStandardOutputFile(QProcess::nullDevice());
  watchdog.setStandardErrorFile(QProcess::nullDevice());
  watchdog.setChildProcessModifier([lifeline] {
    ::setpgid(0, 0);
    ::dup2(lifeline, 0);
    ::fcntl(0, F_SETFD, 0);   // kept across exec (if the lifeline was 0 already)
    ::close_range(3, ~0u, CLOSE_RANGE_CLOEXEC);
  });
  StartProgram(watchdog, "/bin/sh", {"-c", "read x; kill -9 0", "tablo-office-watchdog"});
  if (!watchdog.waitForStarted(10000)) throw EOfficeError("The office suite could not be started (no watchdog)");
  const qint64 group = watchdog.processId();
  live.group = group;

  // The suite: in the watchdog's group or not at all, killed with the
  // thread that started it, bounded, confined, without the network.
  TFileRules rules;
  AllowSuite(rules, Job.profile, Job.outDir, Job.document);
  QDir().mkpath(Job.profile + "/tmp");
  QDir().mkpath(Job.profile + "/cache");
  if (!Job.document.isEmpty()) WriteSuiteSettings(Job.profile);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("TMPDIR", Job.profile + "/tmp");
  env.insert("XDG_CACHE_HOME", Job.profile + "/cache");
  // Few malloc arenas: the address space follows what is used.
  env.insert("MALLOC_ARENA_MAX", "2");
  suite.setProcessEnvironment(env);
  suite.setProcessChannelMode(QProcess::MergedChannels);
  suite.setStandardInputFile(QProcess::nullDevice());
  const rlim_t bound = Job.memory > 0 ? rlim_t(Job.memory) : RLIM_INFINITY;
  const rlimit memory{bound, bound};
  const int ruleset = rules.Fd();
  const sock_fprog* const noNetwork = g_noNetwork;
  suite.setChildProcessModifier([group, memory, ruleset, noNetwork] {
    if (::setpgid(0, pid_t(group)) != 0) ::_exit(127);   // its watchdog is gone: no run
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    ::setrlimit(RLIMIT_AS, &memory);
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    ::close_range(3, ~0u, CLOSE_RANGE_CLOEXEC);   // nothing of this program's but what Qt gives
    ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
    if (noNetwork) ::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, noNetwork);
    if (ruleset >= 0) ::syscall(fsrule::kRestrict, ruleset, 0);
  });
  if (live.stopped) {
    end.stopped = true;
    return end;
  }
  StartProgram(suite, SuiteProgram(), Job.args);
  if (!suite.waitForStarted(10000)) throw EOfficeError("The office suite could not be started");
  const pid_t launcher = pid_t(suite.processId());
  if (OnMainThread()) g_running = &suite;
  struct Running {
    bool main;
    ~Running() {
      if (main) g_running = nullptr;
    }
  } running{OnMainThread()};

  // The address space the suite's processes reach, looked at while it runs
  // (the kernel keeps each one's high-water mark, so a look after the peak
  // still sees it; a suite stopped by its bound goes on for a while to
  // report the failure and end).
  std::mutex m;
  std::condition_variable cv;
  bool over = false;
  std::atomic<int64_t> peak{0};
  std::thread watch([&] {
    std::unique_lock<std::mutex> lock(m);
    while (!over) {
      lock.unlock();
      peak = std::max(peak.load(), TreePeak(launcher));
      lock.lock();
      cv.wait_for(lock, std::chrono::milliseconds(20), [&] { return over; });
    }
  });
  struct StopWatch {
    std::mutex& m;
    std::condition_variable& cv;
    bool& over;
    std::thread& watch;
    ~StopWatch() {
      {
        std::lock_guard<std::mutex> g(m);
        over = true;
      }
      cv.notify_all();
      watch.join();
    }
  } stopWatch{m, cv, over, watch};

  if (OnMainThread()) {
    // The toolkit's wait, woken by the suite's end; KillRunning (from a
    // handler it runs) or a closing program end it too.
    QElapsedTimer t;
    t.start();
    const auto late = [&] { return t.elapsed() > Job.limitMs(); };
    const TWaitResult r =
        WaitFor([&] { return suite.state() == QProcess::NotRunning || live.stopped || late(); }, int(Job.limitMs()));
    if (r == wrClosing) live.stopped = true;
    end.timedOut = !live.stopped && suite.state() != QProcess::NotRunning && (r == wrTimeout || late());
  } else {
    end.timedOut = !suite.waitForFinished(int(Job.limitMs())) && !live.stopped;
  }
  if (suite.state() != QProcess::NotRunning) EndGroup(live);
  suite.waitForFinished(1000);
  end.stopped = live.stopped;
  end.nearBound = Job.memory > 0 && peak.load() >= Job.memory - Job.memory / 8;
  end.output = suite.readAll();
  return end;
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

// Ends every run of the suite under way, from any thread.
void StopRuns() {
  std::lock_guard<std::mutex> g(g_liveLock);
  for (TLiveRun* r : g_live) {
    r->stopped = true;
    EndGroup(*r);
  }
}

// The version read: a run of the suite on a thread of its own, once per
// process (and suite program); those who asked meanwhile are told when it
// is done. A read stopped by KillRunning tells no one, and the next ask
// reads again.
struct TVersionRead {
  std::mutex m;
  bool started = false;
  bool known = false;
  int reads = 0;   // reads ended, known or not
  QString program;   // the suite program read
  String text;
  std::vector<std::function<void(const String&)>> told;
  std::thread worker;
  std::atomic<bool> cancel{false};
  // A program ending without KillRunning (a test program) still ends the
  // read's group and waits for its thread.
  ~TVersionRead() { Stop(); }
  void Stop() {
    cancel = true;
    StopRuns();
    if (worker.joinable() && worker.get_id() != std::this_thread::get_id()) worker.join();
    cancel = false;
  }
};
TVersionRead g_version;

// The suite's version text from its answer ("LibreOffice 7.4.7.2
// 40(Build:2)": the first word that starts with a digit).
String VersionOf(const QByteArray& Answer) {
  for (const QString& w : QString::fromUtf8(Answer).split(QRegularExpression("\\s+"), Qt::SkipEmptyParts))
    if (w[0].isDigit()) return S(w);
  return {};
}

void ReadVersionAside(QString Program) {
  String text;
  bool stopped = false;
  try {
    TSuiteRun job;
    job.profile = Q(TOfficeConverter::CacheFolder()) + "profile-" + QString::number(QCoreApplication::applicationPid());
    job.args << "-env:UserInstallation=" + QUrl::fromLocalFile(job.profile).toString() << "--version";
    job.memory = TOfficeConverter::MemoryLimit(0);
    job.limitMs = [] { return 20000; };
    job.cancel = &g_version.cancel;
    QDir().mkpath(job.profile);
    const TRunEnd end = RunSuite(job);
    stopped = end.stopped;
    if (!end.stopped && !end.timedOut) text = VersionOf(end.output);
  } catch (const std::exception& e) {
    LogNote("tablo.office", String("The office suite's version cannot be read: ") + e.what());
  }
  std::vector<std::function<void(const String&)>> told;
  {
    std::lock_guard<std::mutex> g(g_version.m);
    ++g_version.reads;
    if (stopped) {
      g_version.started = false;
    } else {
      g_version.known = true;
      g_version.program = Program;
      g_version.text = text;
      told.swap(g_version.told);
    }
  }
  WakeWaiters();
  for (auto& done : told) PostToMainThread([done = std::move(done), text] { done(text); });
}

}  // namespace

void TOfficeConverter::ReadVersion(std::function<void(const String& Version)> Done) {
  const QString program = SuiteProgram();
  std::lock_guard<std::mutex> g(g_version.m);
  if (g_version.known && g_version.program != program && !g_version.started) g_version.known = false;
  if (g_version.known) {
    if (Done) PostToMainThread([Done = std::move(Done), text = g_version.text] { Done(text); });
    return;
  }
  if (Done) g_version.told.push_back(std::move(Done));
  if (g_version.started) return;
  // A read stopped before has ended its thread (or is just ending it).
  if (g_version.worker.joinable()) g_version.worker.join();
  g_version.started = true;
  g_version.worker = std::thread(ReadVersionAside, program);
}

String TOfficeConverter::Version() {
  const QString program = SuiteProgram();
  int reads;
  {
    std::lock_guard<std::mutex> g(g_version.m);
    if (g_version.known && g_version.program == program) return g_version.text;
    reads = g_version.reads;
  }
  ReadVersion();
  // The read ends within its own bound, or when it is stopped.
  WaitFor([reads] {
    std::lock_guard<std::mutex> g(g_version.m);
    return g_version.reads != reads;
  }, 30000);
  std::lock_guard<std::mutex> g(g_version.m);
  return g_version.text;
}

void TOfficeConverter::KillRunning() {
  if (g_asideStop) *g_asideStop = true;
  g_version.Stop();
  WakeWaiters();
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
  const QFileInfo in(Q(InFile));
  if (!in.exists()) throw EOfficeError("File not found: " + InFile);
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
  const String out = IncludeTrailingPathDelimiter(OutDir) + ChangeFileExt(ExtractFileName(InFile), OutExt);
  QFile::remove(Q(out));

  TSuiteRun job;
  job.profile = Q(profile);
  job.outDir = Q(OutDir);
  job.document = in.absoluteFilePath();
  job.args << "-env:UserInstallation=" + QUrl::fromLocalFile(job.profile).toString() << "--headless" << "--norestore"
            << "--nolockcheck";
  if (!Filter.empty()) job.args << "--infilter=" + Q(Filter);
  job.args << "--convert-to" << Q(OutFormat) << "--outdir" << Q(OutDir) << Q(InFile);
  job.memory = MemoryLimit(in.size());
  job.limitMs = [] { return qint64(TimeLimitSeconds) * 1000; };
  ++g_conversions;
  const TRunEnd end = RunSuite(job);
  // Stopped because the program closes: nothing to tell (EAbort is silent),
  // and no message may hold the closing up.
  if (end.stopped) throw EAbort("Conversion of " + ExtractFileName(InFile) + " was stopped");
  const bool made = QFileInfo(Q(out)).isFile() && QFileInfo(Q(out)).size() > 0;
  if (!made && end.nearBound)
    throw EOfficeError(ExtractFileName(InFile) + " is too large (the office suite needs more than " +
                       IntToStr(job.memory / (1024 * 1024)) + " MB of memory for it)");
  if (end.timedOut)
    throw EOfficeError("Conversion of " + ExtractFileName(InFile) + " took longer than " + IntToStr(TimeLimitSeconds) + " s");
  if (!made) {
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
