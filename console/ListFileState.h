#pragma once
// A list file that the console reads at start-up and writes back itself
// ("Texts/Internet.txt", "Gols.txt"): what the file held when the console
// read it or last wrote it, and the list's text then. The list is written
// back only when the console's list changed since, and a file that changed
// on disk since (edited, replaced, removed) is not replaced without the
// operator's answer.
#include <string>
#include "toolkit/SysUtils.h"

class TListFileState {
 public:
  // Takes the file as it is on disk now: call it before the list is loaded
  // from the file, so that a change made while it loads counts as a change.
  void Read(const String& File);
  // The list's text as loaded from the file (or as written to it).
  void Take(const String& ListText) { text_ = ListText; }
  // After the list was written to the file: both taken anew.
  void Written(const String& ListText) {
    Read(file_);
    Take(ListText);
  }
  const String& File() const { return file_; }
  // True when the list differs from what was loaded or last written.
  bool ListChanged(const String& ListText) const { return ListText != text_; }
  // True when the file is not what was read or written: other bytes, or a
  // file where there was none, or none where there was one. A path that is
  // no readable regular file counts as none.
  bool ChangedOnDisk() const;
  // True when Path names the same file as this list (the operator saved or
  // loaded the list file through a dialog).
  bool IsFile(const String& Path) const;

 private:
  static bool readBytes(const String& File, std::string& Bytes);
  String file_;
  bool exists_ = false;
  std::string bytes_;
  String text_;
};
