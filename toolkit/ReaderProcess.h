#pragma once
// The reader process: files whose libraries can crash, hang or allocate
// without end on damaged input (binary workbooks, metafiles) are read by a
// program of the console's own, "tablo-sheet-reader", installed beside the
// console, in a process of its own. It runs under an address-space limit, a
// time limit and without a core file, takes its input on the command line or
// its standard input, and answers on its standard output; whatever the file
// makes it do, the console stays as it was.
//
// The wait for the reader is one routine. Off the main thread it only waits.
// On the main thread it is the toolkit's wait (WaitFor, toolkit/Forms.h),
// woken by the reader's output and its end: with `KeepInputOut` none of the
// operator's input gets in (picture loading, which can happen in the middle
// of anything), else all of it (the line-up import, which refuses a second
// import meanwhile). It ends at the time limit, at a reply longer than
// allowed, when its run is cancelled (TReaderCancelScope) or (on the main
// thread) when the program closes.
#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

#include "toolkit/SysUtils.h"

struct TReaderRun {
  String Program;
  std::vector<String> Arguments;
  std::string Input;              // written to its standard input, which then closes
  int TimeLimitMs = 15000;        // wall-clock time
  int MemoryLimitMegabytes = 512; // address space (the sanitizer's allocator limit in sanitizer builds)
  size_t MaxReplyBytes = 1 << 20;
  size_t ExpectBytes = 0;         // room made for the reply at once (its size when known)
  bool KeepInputOut = true;
};

enum class TReaderEnd {
  Replied,     // ended by itself with exit code 0; the reply is what it wrote
  NotStarted,  // the program could not be started
  Failed,      // crashed, ended with another code, ran out of time or said too much, was cancelled, or the program closes
};

// While one lives, every reader run started on its thread ends (failed, the
// reader killed) soon after the flag is set: work done ahead on a thread of
// its own that nobody wants any more stops at once, and whoever drops it
// never waits for the reader's time limit.
class TReaderCancelScope {
 public:
  explicit TReaderCancelScope(const std::atomic<bool>* Flag);
  ~TReaderCancelScope();
  TReaderCancelScope(const TReaderCancelScope&) = delete;
  TReaderCancelScope& operator=(const TReaderCancelScope&) = delete;

 private:
  const std::atomic<bool>* previous_;
};

TReaderEnd RunReaderProcess(const TReaderRun& Run, std::string& Reply);

// "tablo-sheet-reader" in the executable's folder.
String DefaultReaderProgram();
