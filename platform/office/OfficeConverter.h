#pragma once
// The office suite run headless as a converter: presentations to PDF (shown
// by our own show window) and RTF documents to UTF-8 XHTML (shown by the rich
// edit). Each console process has its own suite profile in the cache folder;
// the import filter is chosen from the file's first bytes, never from its
// name, so a file that is not what its name says fails instead of being read
// as plain text. A conversion counts only when its output exists (the suite
// also ends with 0 on failure). Results are cached by the file's content (a
// hash of its bytes), so a second open of the same file costs no conversion;
// a result is renamed over its cache name when complete, so consoles sharing
// the cache never see a missing or partial one.
//
// A document is converted from its own bytes only: the suite runs without
// the network and reads no file but the document, its own installation and
// the system's (linked pictures are left out), and under an address-space
// bound that grows with the document's size; a document that needs more is
// "too large".
//
// While the suite runs, the message queue is pumped (the console stays
// usable); a second conversion asked for meanwhile fails with "busy". Each
// run of the suite (a conversion, the version read) is a process group of
// its own: a timeout, KillRunning and a closing program end the whole group
// (the suite's main process too). A watchdog leads the group and ends it
// when the program dies without its shutdown (killed, crashed); what such a
// program left anyway is ended by the next console at its start
// (EndLeftovers). A conversion that fails with no room left in the cache
// says "disk full".
#include <atomic>
#include <cstdint>
#include <functional>
#include "toolkit/SysUtils.h"

TK_EXCEPTION(EOfficeError, Exception)

enum class TOfficeKind { Unknown, Presentation, Rtf };

class TOfficeConverter {
 public:
  // The import filter for the file's content ("MS PowerPoint 97", ...), or
  // empty when it is none the suite should read; Kind tells which.
  static String ImportFilter(const String& FileName, TOfficeKind* Kind = nullptr);
  // FileName as a PDF file in the cache (converted when needed). Raises
  // EOfficeError with a clear text on any failure.
  static String ToPdf(const String& FileName);
  // FileName (a presentation) as an OpenDocument presentation in the cache,
  // for reading what the PDF does not keep (the slides' transitions).
  static String ToOdp(const String& FileName);
  // FileName (an RTF document) as UTF-8 XHTML text. Raises EOfficeError.
  static String RtfToXhtml(const String& FileName);
  // Any conversion: InFile with the given import filter to OutFormat
  // ("pdf", "ppt", "html:XHTML Writer File:UTF8") into OutDir; returns the
  // output file. Raises EOfficeError.
  static String Convert(const String& InFile, const String& Filter, const String& OutFormat, const String& OutDir,
                        const String& OutExt);
  // The suite's version text ("7.4.7.2"); empty when no suite answered.
  // It is read once per process, by a run of the suite on a thread of its
  // own (bounded in time like a conversion, its whole group ended);
  // Version waits for that read when it is not done yet: on the main
  // thread through the toolkit's wait, which serves the program meanwhile.
  static String Version();
  // The same without waiting: Done gets the text on the main thread, at a
  // later turn of its event loop (also when it is known already). What Done
  // reaches must be guarded by its own lifetime.
  static void ReadVersion(std::function<void(const String& Version)> Done = {});
  // Folder of the cache and the suite profile: $XDG_CACHE_HOME (else
  // ~/.cache) + "/Quellmark/office/"; a test may choose another.
  static String CacheFolder();
  static void SetCacheFolder(const String& Folder);
  // Ends a running conversion (the program shuts down): it raises EAbort,
  // which is not told, as it does when the program closes during it. A
  // version read under way ends too (the version stays empty) and is
  // waited for.
  static void KillRunning();
  // Removes this process's suite profile and work folder (the cached
  // results stay for the next start).
  static void RemoveProcessFolders();
  // Ends the suite processes that a console sharing the cache left when it
  // ended without its shutdown (killed, crashed), and removes its profile
  // and work folder. Run at the console's start and before a process's
  // first conversion; costs a folder listing when nothing was left.
  static void EndLeftovers();
  static bool Running();
  // Runs Work on a thread of its own (reading a document's bytes); on the
  // main thread the message queue is pumped meanwhile, so the screen and the
  // clock never stop. A closing program or KillRunning sets Work's Stop, and
  // the call raises EAbort once Work has returned; Work's own exception is
  // raised here. Asked for again meanwhile, it fails as busy.
  static void RunAside(const std::function<void(const std::atomic<bool>& Stop)>& Work);
  // Limits: seconds a conversion may take; bytes of an RTF document; bytes
  // of a presentation (a larger deck is almost all embedded media, which
  // the show does not play, and the suite would need several times its size
  // in memory and more than its time to convert it).
  static int TimeLimitSeconds;
  static int64_t RtfSizeLimit;
  static int64_t PresentationSizeLimit;
  // The address space every process of a run of the suite may take:
  // MemoryLimitBytes plus MemoryPerDocumentByte times the document's size
  // (a deck of pictures needs about 14 times its size). A conversion that
  // fails having come near it is "too large".
  static int64_t MemoryLimitBytes;
  static int MemoryPerDocumentByte;
  static int64_t MemoryLimit(int64_t DocumentBytes);
  // Conversions actually run by the suite (a cached result counts none).
  static int ConversionCount();
};
