#include "toolkit/ProgramStart.h"

#if defined(__SANITIZE_THREAD__)
#define TABLO_TSAN_BUILD 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TABLO_TSAN_BUILD 1
#endif
#endif

#ifdef TABLO_TSAN_BUILD
#include <dlfcn.h>
#include <sched.h>
#include <sys/types.h>

#include <cstdarg>

namespace {

// Set while this thread starts a program through StartProgram.
thread_local bool t_starting = false;

using TClone = int (*)(int (*)(void*), void*, int, void*, ...);

TClone CloneOf(void* library) { return library ? reinterpret_cast<TClone>(dlsym(library, "clone")) : nullptr; }

}  // namespace

// Defined in the program itself, so that Qt's call of clone comes here before
// the sanitizer's interceptor (the next definition); see the header.
extern "C" int clone(int (*fn)(void*), void* stack, int flags, void* arg, ...) noexcept {
  va_list more;
  va_start(more, arg);
  pid_t* parentTid = va_arg(more, pid_t*);
  void* tls = va_arg(more, void*);
  pid_t* childTid = va_arg(more, pid_t*);
  va_end(more);
  static const TClone intercepted = CloneOf(RTLD_NEXT);
  static const TClone libc = CloneOf(dlopen("libc.so.6", RTLD_NOW | RTLD_NOLOAD));
  const TClone target = t_starting && (flags & CLONE_VM) && (flags & CLONE_VFORK) && libc ? libc : intercepted;
  return target(fn, stack, flags, arg, parentTid, tls, childTid);
}
#endif

void StartProgram(QProcess& Process, const QString& Program, const QStringList& Arguments) {
#ifdef TABLO_TSAN_BUILD
  struct Starting {
    Starting() { t_starting = true; }
    ~Starting() { t_starting = false; }
  } starting;
#endif
  Process.start(Program, Arguments);
}
