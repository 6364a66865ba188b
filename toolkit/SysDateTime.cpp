// Floating point text, dates and times of the toolkit.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>

#include "toolkit/SysUtils.h"

TFormatSettings FormatSettings;

namespace {

constexpr double kMSecsPerDay = 86400000.0;

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
int64_t daysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = int(doy - (153 * mp + 2) / 5 + 1);
  m = int(mp < 10 ? mp + 3 : mp - 9);
  y = int(yoe + era * 400 + (m <= 2));
}

constexpr int64_t kEpochOffset = 25569;  // 1970-01-01 as a TDateTime

bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && isLeap(y) ? 29 : days[m - 1];
}

String pad(int v, int width) {
  String s = std::to_string(v);
  while (int(s.size()) < width) s = "0" + s;
  return s;
}

bool startsWithCI(const String& s, size_t i, const char* what) {
  size_t n = std::char_traits<char>::length(what);
  return i + n <= s.size() && SameText(s.substr(i, n), what);
}

// Reads an unsigned number at s[i]; false when there is none.
bool readNumber(const String& s, size_t& i, int& out, int& digits) {
  size_t b = i;
  int64_t v = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9' && i - b < 9) v = v * 10 + (s[i++] - '0');
  digits = int(i - b);
  out = int(v);
  return digits > 0;
}

void skipBlanks(const String& s, size_t& i) {
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
}

// Parses a time at s[i..]; on success i is past it.
bool parseTime(const String& s, size_t& i, TDateTime& out) {
  int part[4] = {0, 0, 0, 0};
  int count = 0, digits;
  skipBlanks(s, i);
  while (count < 3) {
    if (!readNumber(s, i, part[count], digits)) return false;
    ++count;
    if (i < s.size() && s[i] == FormatSettings.TimeSeparator && count < 3) {
      ++i;
      continue;
    }
    break;
  }
  if (count == 3 && i < s.size() && s[i] == '.') {
    ++i;
    int ms;
    if (!readNumber(s, i, ms, digits)) return false;
    while (digits > 3) { ms /= 10; --digits; }
    while (digits < 3) { ms *= 10; ++digits; }
    part[3] = ms;
  }
  skipBlanks(s, i);
  int ampm = 0;
  const String& am = FormatSettings.TimeAMString;
  const String& pm = FormatSettings.TimePMString;
  if (!am.empty() && startsWithCI(s, i, am.c_str())) {
    ampm = 1;
    i += am.size();
  } else if (!pm.empty() && startsWithCI(s, i, pm.c_str())) {
    ampm = 2;
    i += pm.size();
  } else if (startsWithCI(s, i, "AM")) {
    ampm = 1;
    i += 2;
  } else if (startsWithCI(s, i, "PM")) {
    ampm = 2;
    i += 2;
  }
  if (count < 2 && ampm == 0) return false;  // a lone number is no time without AM/PM
  int h = part[0];
  if (ampm) {
    if (h < 1 || h > 12) return false;
    if (ampm == 1 && h == 12) h = 0;
    if (ampm == 2 && h != 12) h += 12;
  }
  return TryEncodeTime(h, part[1], part[2], part[3], out);
}

// The order of day, month and year in ShortDateFormat ("dmy", "mdy", "ymd").
String dateOrder() {
  String order;
  for (char c : LowerCase(FormatSettings.ShortDateFormat)) {
    if ((c == 'd' || c == 'm' || c == 'y') && order.find(c) == String::npos) order += c;
  }
  return order.size() == 3 ? order : String("dmy");
}

bool parseDate(const String& s, size_t& i, TDateTime& out) {
  int part[3] = {0, 0, 0}, digits[3] = {0, 0, 0};
  int count = 0;
  skipBlanks(s, i);
  const char sep = FormatSettings.DateSeparator;
  while (count < 3) {
    if (!readNumber(s, i, part[count], digits[count])) return false;
    ++count;
    if (count < 3 && i < s.size() && (s[i] == sep || s[i] == '/' || s[i] == '-' || s[i] == '.')) {
      ++i;
      continue;
    }
    break;
  }
  if (count < 2) return false;
  String order = dateOrder();
  int y = 0, m = 0, d = 0, yDigits = 0;
  int now_y, now_m, now_d;
  DecodeDate(Date(), now_y, now_m, now_d);
  if (count == 2) {
    // Day and month of this year, in the order of the format.
    size_t dPos = order.find('d'), mPos = order.find('m');
    bool dayFirst = dPos < mPos;
    d = dayFirst ? part[0] : part[1];
    m = dayFirst ? part[1] : part[0];
    y = now_y;
    yDigits = 4;
  } else {
    for (int k = 0; k < 3; ++k) {
      if (order[size_t(k)] == 'd') d = part[k];
      else if (order[size_t(k)] == 'm') m = part[k];
      else {
        y = part[k];
        yDigits = digits[k];
      }
    }
  }
  if (yDigits <= 2) {
    // Two-digit years fall within 50 years of now.
    int century = now_y / 100 * 100;
    y += century;
    if (y > now_y + 50) y -= 100;
    else if (y < now_y - 50) y += 100;
  }
  return TryEncodeDate(y, m, d, out);
}

bool onlyBlanksFrom(const String& s, size_t i) {
  skipBlanks(s, i);
  return i == s.size();
}

}  // namespace

// ---------------------------------------------------------------------------
// Floating point text

bool TryStrToFloat(const String& s, double& out) {
  String t = Trim(s);
  if (t.empty()) return false;
  String c;
  c.reserve(t.size());
  for (char ch : t) {
    if (ch == FormatSettings.DecimalSeparator) c += '.';
    else if (ch == '.' || ch == ',') return false;  // not the decimal separator
    else c += ch;
  }
  for (char ch : c)
    if (!((ch >= '0' && ch <= '9') || ch == '.' || ch == '+' || ch == '-' || ch == 'e' || ch == 'E')) return false;
  char* end = nullptr;
  double v = std::strtod(c.c_str(), &end);
  if (end == c.c_str() || *end != '\0' || !std::isfinite(v)) return false;
  out = v;
  return true;
}

double StrToFloat(const String& s) {
  double v;
  if (!TryStrToFloat(s, v)) throw EConvertError("'" + s + "' is not a valid floating point value");
  return v;
}

double StrToFloatDef(const String& s, double def) {
  double v;
  return TryStrToFloat(s, v) ? v : def;
}

// ---------------------------------------------------------------------------
// Encoding and decoding

bool TryEncodeDate(int year, int month, int day, TDateTime& out) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month)) return false;
  out = double(daysFromCivil(year, month, day) + kEpochOffset);
  return true;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& out) {
  if (hour < 0 || hour >= 24 || min < 0 || min >= 60 || sec < 0 || sec >= 60 || msec < 0 || msec >= 1000) return false;
  out = (((hour * 60.0 + min) * 60.0 + sec) * 1000.0 + msec) / kMSecsPerDay;
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime d;
  if (!TryEncodeDate(year, month, day, d)) throw EConvertError("Invalid argument to date encode");
  return d;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
  TDateTime d;
  if (!TryEncodeTime(hour, min, sec, msec, d)) throw EConvertError("Invalid argument to time encode");
  return d;
}

namespace {
// Whole milliseconds of a date-time: date part and time of day.
void split(TDateTime d, int64_t& days, int64_t& ms) {
  double whole = std::trunc(d);
  int64_t total = int64_t(std::llround(std::fabs(d - whole) * kMSecsPerDay));
  days = int64_t(whole);
  if (total >= int64_t(kMSecsPerDay)) {
    total -= int64_t(kMSecsPerDay);
    days += d < 0 ? -1 : 1;
  }
  ms = total;
}
}  // namespace

void DecodeDate(TDateTime d, int& year, int& month, int& day) {
  int64_t days, ms;
  split(d, days, ms);
  civilFromDays(days - kEpochOffset, year, month, day);
}

void DecodeTime(TDateTime d, int& hour, int& min, int& sec, int& msec) {
  int64_t days, ms;
  split(d, days, ms);
  hour = int(ms / 3600000);
  min = int(ms / 60000 % 60);
  sec = int(ms / 1000 % 60);
  msec = int(ms % 1000);
}

int DayOfWeek(TDateTime d) {
  int64_t days, ms;
  split(d, days, ms);
  // 1899-12-30 was a Saturday.
  int64_t k = (days - 1) % 7;
  if (k < 0) k += 7;
  return int(k) + 1;
}

TDateTime Now() {
  auto now = std::chrono::system_clock::now();
  int64_t ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
  std::time_t t = std::time_t(ms / 1000);
  std::tm lt{};
  localtime_r(&t, &lt);
  TDateTime date = EncodeDate(lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday);
  TDateTime time = EncodeTime(lt.tm_hour, lt.tm_min, std::min(lt.tm_sec, 59), int(ms % 1000));
  return date + time;
}

TDateTime Date() { return std::trunc(Now()); }

TDateTime Time() {
  TDateTime n = Now();
  return n - std::trunc(n);
}

// ---------------------------------------------------------------------------
// Formatting

namespace {

void formatInto(String& out, const String& fmt, TDateTime dt, int depth) {
  int y, mo, d, h, mi, s, ms;
  DecodeDate(dt, y, mo, d);
  DecodeTime(dt, h, mi, s, ms);
  const TFormatSettings& fs = FormatSettings;
  // A 12-hour clock when the format holds an am/pm marker.
  String low = LowerCase(fmt);
  bool twelve = low.find("am/pm") != String::npos || low.find("a/p") != String::npos ||
                low.find("ampm") != String::npos;
  bool lastWasHour = false;
  size_t i = 0, n = fmt.size();
  while (i < n) {
    char c = fmt[i];
    char lc = char(std::tolower(static_cast<unsigned char>(c)));
    auto run = [&](char ch) {
      size_t k = i;
      while (k < n && std::tolower(static_cast<unsigned char>(fmt[k])) == ch) ++k;
      return int(k - i);
    };
    if (c == '"' || c == '\'') {
      size_t e = fmt.find(c, i + 1);
      if (e == String::npos) e = n;
      out += fmt.substr(i + 1, e - i - 1);
      i = e < n ? e + 1 : n;
      continue;
    }
    if (c == '/') { out += fs.DateSeparator; ++i; continue; }
    if (c == ':') { out += fs.TimeSeparator; ++i; continue; }
    if (lc == 'a') {
      if (startsWithCI(fmt, i, "am/pm")) {
        bool upper = std::isupper(static_cast<unsigned char>(c));
        out += h < 12 ? (upper ? "AM" : "am") : (upper ? "PM" : "pm");
        i += 5;
        continue;
      }
      if (startsWithCI(fmt, i, "a/p")) {
        out += std::isupper(static_cast<unsigned char>(c)) ? (h < 12 ? "A" : "P") : (h < 12 ? "a" : "p");
        i += 3;
        continue;
      }
      if (startsWithCI(fmt, i, "ampm")) {
        out += h < 12 ? fs.TimeAMString : fs.TimePMString;
        i += 4;
        continue;
      }
      out += c;
      ++i;
      continue;
    }
    int cnt;
    switch (lc) {
      case 'y':
        cnt = run('y');
        out += cnt <= 2 ? pad(y % 100, 2) : pad(y, 4);
        i += size_t(cnt);
        lastWasHour = false;
        continue;
      case 'm':
        cnt = run('m');
        if (lastWasHour && cnt <= 2) out += cnt == 1 ? std::to_string(mi) : pad(mi, 2);
        else if (cnt == 1) out += std::to_string(mo);
        else if (cnt == 2) out += pad(mo, 2);
        else if (cnt == 3) out += fs.ShortMonthNames[mo - 1];
        else out += fs.LongMonthNames[mo - 1];
        i += size_t(cnt);
        lastWasHour = false;
        continue;
      case 'd':
        cnt = run('d');
        if (cnt == 1) out += std::to_string(d);
        else if (cnt == 2) out += pad(d, 2);
        else if (cnt == 3) out += fs.ShortDayNames[DayOfWeek(dt) - 1];
        else if (cnt == 4) out += fs.LongDayNames[DayOfWeek(dt) - 1];
        else if (cnt == 5 && depth < 2) formatInto(out, fs.ShortDateFormat, dt, depth + 1);
        else if (depth < 2) formatInto(out, fs.LongDateFormat, dt, depth + 1);
        i += size_t(cnt);
        lastWasHour = false;
        continue;
      case 'h': {
        cnt = run('h');
        int hh = h;
        if (twelve) {
          hh = h % 12;
          if (hh == 0) hh = 12;
        }
        out += cnt == 1 ? std::to_string(hh) : pad(hh, 2);
        i += size_t(cnt);
        lastWasHour = true;
        continue;
      }
      case 'n':
        cnt = run('n');
        out += cnt == 1 ? std::to_string(mi) : pad(mi, 2);
        i += size_t(cnt);
        lastWasHour = false;
        continue;
      case 's':
        cnt = run('s');
        out += cnt == 1 ? std::to_string(s) : pad(s, 2);
        i += size_t(cnt);
        lastWasHour = false;
        continue;
      case 'z':
        cnt = run('z');
        out += cnt >= 3 ? pad(ms, 3) : std::to_string(ms);
        i += size_t(cnt);
        continue;
      case 't':
        cnt = run('t');
        if (depth < 2) formatInto(out, cnt == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, dt, depth + 1);
        i += size_t(cnt);
        continue;
      case 'c':
        ++i;
        if (depth < 2) {
          formatInto(out, fs.ShortDateFormat, dt, depth + 1);
          if (h || mi || s || ms) {
            out += ' ';
            formatInto(out, fs.LongTimeFormat, dt, depth + 1);
          }
        }
        continue;
      default:
        out += c;  // other characters stand for themselves
        ++i;
        continue;
    }
  }
}

}  // namespace

String FormatDateTime(const String& fmt, TDateTime d) {
  String out;
  formatInto(out, fmt.empty() ? String("c") : fmt, d, 0);
  return out;
}

String DateToStr(TDateTime d) { return FormatDateTime(FormatSettings.ShortDateFormat, d); }
String TimeToStr(TDateTime d) { return FormatDateTime(FormatSettings.LongTimeFormat, d); }
String DateTimeToStr(TDateTime d) { return FormatDateTime("c", d); }

// ---------------------------------------------------------------------------
// Parsing

bool TryStrToTime(const String& s, TDateTime& out) {
  size_t i = 0;
  TDateTime t;
  if (!parseTime(s, i, t) || !onlyBlanksFrom(s, i)) return false;
  out = t;
  return true;
}

bool TryStrToDate(const String& s, TDateTime& out) {
  size_t i = 0;
  TDateTime d;
  if (!parseDate(s, i, d) || !onlyBlanksFrom(s, i)) return false;
  out = d;
  return true;
}

bool TryStrToDateTime(const String& s, TDateTime& out) {
  size_t i = 0;
  TDateTime d;
  if (parseDate(s, i, d)) {
    if (onlyBlanksFrom(s, i)) {
      out = d;
      return true;
    }
    TDateTime t;
    if (parseTime(s, i, t) && onlyBlanksFrom(s, i)) {
      out = d + t;
      return true;
    }
  }
  return TryStrToTime(s, out);
}

TDateTime StrToTime(const String& s) {
  TDateTime d;
  if (!TryStrToTime(s, d)) throw EConvertError("'" + s + "' is not a valid time");
  return d;
}

TDateTime StrToDate(const String& s) {
  TDateTime d;
  if (!TryStrToDate(s, d)) throw EConvertError("'" + s + "' is not a valid date");
  return d;
}

TDateTime StrToDateTime(const String& s) {
  TDateTime d;
  if (!TryStrToDateTime(s, d)) throw EConvertError("'" + s + "' is not a valid date and time");
  return d;
}
