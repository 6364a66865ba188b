#pragma once
// Exceptions, Format and the small string/number/file helpers of the toolkit.
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <variant>
#include <vector>
#include "toolkit/Types.h"

// One argument of Format: integers, floating point, text, pointers.
struct TVarRec {
  std::variant<int64_t, double, String, const void*> v;
  TVarRec(int x) : v(int64_t(x)) {}
  TVarRec(unsigned x) : v(int64_t(x)) {}
  TVarRec(long x) : v(int64_t(x)) {}
  TVarRec(unsigned long x) : v(int64_t(x)) {}
  TVarRec(long long x) : v(int64_t(x)) {}
  TVarRec(unsigned long long x) : v(int64_t(x)) {}
  TVarRec(double x) : v(x) {}
  TVarRec(const char* s) : v(String(s ? s : "")) {}
  TVarRec(const String& s) : v(s) {}
  TVarRec(const void* p) : v(p) {}
};

// Format with the classic specifiers: %[index:][-][width][.prec]type, type one of
// d u x e f g n m s p, '*' taking width or precision from the arguments, "%%".
// A specifier that does not match its argument raises EConvertError.
String Format(const String& fmt, const std::vector<TVarRec>& args);
template <class... A>
String FormatA(const String& fmt, A&&... a) { return Format(fmt, std::vector<TVarRec>{TVarRec(std::forward<A>(a))...}); }

class Exception : public std::exception {
 public:
  explicit Exception(const String& msg) : Message(msg) {}
  // Format-style constructor: Exception(fmt, {args...}).
  Exception(const String& fmt, const std::vector<TVarRec>& args) : Message(Format(fmt, args)) {}
  virtual ~Exception() = default;
  const char* what() const noexcept override { return Message.c_str(); }
  String ClassName() const { return className(); }
  String Message;
 protected:
  virtual const char* className() const { return "Exception"; }
};

#define TK_EXCEPTION(Name, Base)                                              \
  class Name : public Base {                                                  \
   public:                                                                    \
    using Base::Base;                                                         \
   protected:                                                                 \
    const char* className() const override { return #Name; }                  \
  };

TK_EXCEPTION(EConvertError, Exception)
TK_EXCEPTION(EListError, Exception)
TK_EXCEPTION(EStringListError, EListError)
TK_EXCEPTION(EInOutError, Exception)
TK_EXCEPTION(EFOpenError, Exception)
TK_EXCEPTION(EFCreateError, Exception)
TK_EXCEPTION(EWriteError, Exception)
TK_EXCEPTION(EInvalidOperation, Exception)
TK_EXCEPTION(EInvalidGraphic, Exception)
TK_EXCEPTION(EInvalidGraphicOperation, Exception)
TK_EXCEPTION(EOutOfResources, Exception)
TK_EXCEPTION(EAbort, Exception)
TK_EXCEPTION(EThread, Exception)

[[noreturn]] void Abort();

// Numbers and text.
String IntToStr(int64_t v);
String IntToHex(int64_t v, int digits);
int StrToInt(const String& s);                      // EConvertError "'%s' is not a valid integer value"
int StrToIntDef(const String& s, int def);
bool TryStrToInt(const String& s, int& out);
int64_t StrToInt64(const String& s);
int64_t StrToInt64Def(const String& s, int64_t def);
String FloatToStr(double v);
String Trim(const String& s);
String TrimLeft(const String& s);
String TrimRight(const String& s);
String UpperCase(const String& s);                  // Unicode-aware
String LowerCase(const String& s);
int CompareText(const String& a, const String& b);  // case-insensitive, <0 / 0 / >0
bool SameText(const String& a, const String& b);
int CompareStr(const String& a, const String& b);
String StringReplaceAll(const String& s, const String& from, const String& to);
int Pos(const String& sub, const String& s);        // 1-based, 0 when absent
String Copy(const String& s, int index1, int count); // 1-based on bytes
int Utf8Length(const String& s);                    // characters, not bytes
String QuotedStr(const String& s);

// Files and folders. Names use '/' but '\' is accepted on input.
String IncludeTrailingPathDelimiter(const String& s);
String ExcludeTrailingPathDelimiter(const String& s);
String ExtractFilePath(const String& s);            // with trailing '/'
String ExtractFileDir(const String& s);
String ExtractFileName(const String& s);
String ExtractFileExt(const String& s);             // with the dot
String ChangeFileExt(const String& s, const String& ext);
String ExpandFileName(const String& s);
String NormalizePath(const String& s);               // '\' -> '/'
bool FileExists(const String& s);
// Device, node, size and time of change (to the nanosecond) of a file, as one
// text: a file written again, even within the same second or by a file of the
// same size put in its place, has another stamp. Empty when it cannot be read.
String FileWriteStamp(const String& s);
bool DirectoryExists(const String& s);
bool ForceDirectories(const String& s);
bool RemoveDir(const String& s);                     // an empty folder only
bool DeleteFile(const String& s);
bool RenameFile(const String& from, const String& to);
String GetCurrentDir();
bool SetCurrentDir(const String& s);
// Resolves a stored name: '\' becomes '/' (unless the name with its
// backslashes is there as it is: a name may hold one), relative names resolve
// against the current folder, and when the exact name is missing an existing
// file whose name differs only in letter case, or whose name is the same
// text in Latin-1 bytes (see FileNameText), is returned. Names are bytes
// throughout.
String ResolveFileName(const String& s);
// The text of a file name as the system gives it (bytes): UTF-8 as it is, a
// name that is not UTF-8 read as Latin-1. ResolveFileName finds the file
// again by that text.
String FileNameText(const std::string& Name);
std::vector<String> ListDirectory(const String& dir, bool folders);  // names only, sorted

// Whole text files: read as UTF-8 when valid (BOM honoured), else the legacy
// code page; written as UTF-8 with LF through an atomic save.
String LoadTextFile(const String& fileName);         // raises EFOpenError
void SaveTextFile(const String& fileName, const String& text);  // raises EFCreateError / EWriteError
String DecodeLegacyText(const std::string& bytes);   // the legacy 8-bit code page to UTF-8
void SetLegacyCodePage(const String& name);          // "windows-1251" by default
String LegacyCodePage();                             // the one set now
// Atomic save of raw bytes; returns false and fills err on failure.
bool AtomicWriteFile(const String& fileName, const std::string& bytes, String* err = nullptr);

// Floating point text with the decimal separator of FormatSettings.
double StrToFloat(const String& s);                  // EConvertError "'%s' is not a valid floating point value"
bool TryStrToFloat(const String& s, double& out);
double StrToFloatDef(const String& s, double def);

// Dates and times. A TDateTime counts days since 1899-12-30; the fraction is
// the time of day.
struct TFormatSettings {
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
  char DateSeparator = '.';
  char TimeSeparator = ':';
  String ShortDateFormat = "dd/mm/yyyy";     // '/' stands for DateSeparator
  String LongDateFormat = "d mmmm yyyy";
  String ShortTimeFormat = "hh:nn";          // ':' stands for TimeSeparator
  String LongTimeFormat = "hh:nn:ss";
  String TimeAMString = "AM";
  String TimePMString = "PM";
  String ShortMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  String LongMonthNames[12] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};
  String ShortDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  String LongDayNames[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
};
// The toolkit's locale settings (main thread; read by the functions below).
extern TFormatSettings FormatSettings;

TDateTime EncodeDate(int year, int month, int day);          // EConvertError on an invalid date
TDateTime EncodeTime(int hour, int min, int sec, int msec);  // EConvertError on an invalid time
bool TryEncodeDate(int year, int month, int day, TDateTime& out);
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& out);
void DecodeDate(TDateTime d, int& year, int& month, int& day);
void DecodeTime(TDateTime d, int& hour, int& min, int& sec, int& msec);
int DayOfWeek(TDateTime d);                                  // 1 = Sunday .. 7 = Saturday
TDateTime Now();                                             // local date and time
TDateTime Date();
TDateTime Time();
// Classic format letters: d dd ddd dddd m mm mmm mmmm yy yyyy h hh n nn s ss
// z zzz t tt c, am/pm a/p ampm (12-hour clock), '/' and ':' for the
// separators, quoted text as it is.
String FormatDateTime(const String& fmt, TDateTime d);
String DateToStr(TDateTime d);
String TimeToStr(TDateTime d);
String DateTimeToStr(TDateTime d);
// Parsing with the separators of FormatSettings: times "h:n[:s[.z]] [AM|PM]",
// dates "d/m/y" in the order of ShortDateFormat (a two-digit year is 19xx or
// 20xx within 50 years of now), date-times "date [time]".
TDateTime StrToTime(const String& s);                        // EConvertError "'%s' is not a valid time"
TDateTime StrToDate(const String& s);                        // EConvertError "'%s' is not a valid date"
TDateTime StrToDateTime(const String& s);                    // EConvertError "'%s' is not a valid date and time"
bool TryStrToTime(const String& s, TDateTime& out);
bool TryStrToDate(const String& s, TDateTime& out);
bool TryStrToDateTime(const String& s, TDateTime& out);

// The platform's default sound (the message beep). Programs that run without
// a person (tests) may set BeepHook; while it is set it is called instead.
void Beep();
extern std::function<void()> BeepHook;

// Time.
int64_t GetTickCount64();                            // steady milliseconds
int64_t WallClockMs();                               // milliseconds since the epoch
void Sleep(int ms);
