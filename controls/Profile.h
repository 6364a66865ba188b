#pragma once
// One entry of one ini-style text file. Reading Text, Value or State reads the
// entry from the file at that moment; assigning one of them writes it at once.
// Nothing is cached between calls.
#include "toolkit/Classes.h"

// A write of the entry that the file system refused; the message is
// "Error file " followed by the file name.
TK_EXCEPTION(EProfileError, EWriteError)

// True for "TRUE" and "YES" in any letter case and for "1"; False otherwise.
bool StrToBoolean(const String& s);
// "True" or "False".
String BooleanToStr(bool b);

class TProfile : public TComponent {
 public:
  explicit TProfile(TComponent* AOwner);

  // Returned by a read when the entry, its section or the file is missing.
  const String& DefaultText() const { return defaultText_; }
  void SetDefaultText(const String& v);
  // The key inside the section.
  const String& Entry() const { return entry_; }
  void SetEntry(const String& v);
  // The ini file; a name without a folder lives in the profile folder.
  const String& FileName() const { return fileName_; }
  void SetFileName(const String& v);
  // The section name, without brackets.
  const String& Section() const { return section_; }
  void SetSection(const String& v);

  // The entry as text. With Section, Entry or FileName empty a read gives the
  // empty text and a write does nothing. A write the file system refuses
  // raises EProfileError and leaves the file as it was.
  String Text() const;
  void SetText(const String& v);
  // The entry as a decimal integer; a text that is not one reads as 0.
  int Value() const;
  void SetValue(int v);
  // The entry as a truth value, stored as "True" or "False".
  bool State() const;
  void SetState(bool v);

  // The last text read or written successfully: a record only, never used to
  // answer a read.
  const String& LastText() const { return lastText_; }

  String ClassName() const override { return "TProfile"; }

 private:
  bool aimed() const { return !section_.empty() && !entry_.empty() && !fileName_.empty(); }
  String defaultText_, entry_, fileName_, section_;
  mutable String lastText_;
};
