#include "toolkit/SysUtils.h"
#include "toolkit/SafeFiles.h"
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>
#include <QStringDecoder>

#include <algorithm>
#include <cctype>
#include <ctime>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

void Abort() { throw EAbort("Operation aborted"); }

// ---------------------------------------------------------------------------
// Format

namespace {

[[noreturn]] void formatError(const String& fmt) {
  throw EConvertError("Format '" + fmt + "' invalid or incompatible with argument");
}

String groupThousands(const String& digits) {
  // digits: an unsigned integer part
  String out;
  int n = int(digits.size());
  for (int i = 0; i < n; ++i) {
    out += digits[size_t(i)];
    int rest = n - 1 - i;
    if (rest > 0 && rest % 3 == 0) out += FormatSettings.ThousandSeparator;
  }
  return out;
}

String fixedText(double v, int prec, bool thousands) {
  if (prec < 0) prec = 0;
  if (prec > 18) prec = 18;
  if (!std::isfinite(v)) return std::isnan(v) ? "NAN" : (v < 0 ? "-INF" : "INF");
  // Rounded half away from zero on the exact decimal value (the C library
  // would round an exact half to even).
  const double a = std::fabs(v);
  int n = std::snprintf(nullptr, 0, "%.*f", prec + 30, a);
  std::vector<char> buf(size_t(n) + 1);
  std::snprintf(buf.data(), buf.size(), "%.*f", prec + 30, a);
  String digits(buf.data());
  size_t dot = digits.find('.');
  String ip = digits.substr(0, dot);
  String fp = digits.substr(dot + 1);
  bool up = fp[size_t(prec)] >= '5';
  String all = ip + fp.substr(0, size_t(prec));
  if (up) {
    int k = int(all.size()) - 1;
    while (k >= 0 && all[size_t(k)] == '9') all[size_t(k--)] = '0';
    if (k >= 0) all[size_t(k)]++;
    else all.insert(0, "1");
  }
  size_t intLen = all.size() - size_t(prec);
  String s = all.substr(0, intLen);
  if (prec > 0) s += FormatSettings.DecimalSeparator + all.substr(intLen);
  bool neg = v < 0 && all.find_first_not_of('0') != String::npos;
  if (!thousands) return (neg ? "-" : "") + s;
  String frac = prec > 0 ? s.substr(intLen) : String();
  return (neg ? "-" : "") + groupThousands(s.substr(0, intLen)) + frac;
}

// Scientific with `digits` significant digits and an exponent of at least
// `expDigits` digits, always signed: 1.50000000000000E+003.
String sciText(double v, int digits, int expDigits) {
  if (digits < 1) digits = 1;
  if (digits > 18) digits = 18;
  if (!std::isfinite(v)) return std::isnan(v) ? "NAN" : (v < 0 ? "-INF" : "INF");
  char buf[512];
  std::snprintf(buf, sizeof buf, "%.*E", digits - 1, v);
  String s = buf;
  size_t e = s.find('E');
  String mant = s.substr(0, e);
  char sign = s[e + 1];
  String ex = s.substr(e + 2);
  while (ex.size() > 1 && ex[0] == '0') ex.erase(0, 1);
  while (int(ex.size()) < expDigits) ex = "0" + ex;
  return mant + "E" + sign + ex;
}

// General format: the shorter of fixed and scientific with `prec` significant
// digits, trailing zeros removed; the exponent has no '+' and no padding.
String generalText(double v, int prec) {
  if (prec < 1 || prec > 18) prec = 15;
  if (!std::isfinite(v)) return std::isnan(v) ? "NAN" : (v < 0 ? "-INF" : "INF");
  if (v == 0) return "0";
  char buf[512];
  std::snprintf(buf, sizeof buf, "%.*E", prec - 1, v);
  String s = buf;
  size_t e = s.find('E');
  int exponent = std::atoi(s.c_str() + e + 1);
  auto stripZeros = [](String m) {
    if (m.find('.') != String::npos) {
      while (!m.empty() && m.back() == '0') m.pop_back();
      if (!m.empty() && m.back() == '.') m.pop_back();
    }
    return m;
  };
  if (exponent >= prec || exponent < -5) {
    String mant = stripZeros(s.substr(0, e));
    return mant + "E" + std::to_string(exponent);
  }
  int decimals = prec - 1 - exponent;
  if (decimals < 0) decimals = 0;
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  String r = stripZeros(buf);
  if (r == "-0") r = "0";
  return r;
}

String localDecimal(String s) {
  if (FormatSettings.DecimalSeparator != '.')
    for (char& c : s)
      if (c == '.') c = FormatSettings.DecimalSeparator;
  return s;
}

String hexText(uint64_t u) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(u));
  return buf;
}

int utf8Chars(const String& s) {
  int n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

// The first `chars` characters of s.
String utf8Left(const String& s, int chars) {
  if (chars <= 0) return String();
  int n = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if ((c & 0xC0) != 0x80) {
      if (n == chars) return s.substr(0, i);
      ++n;
    }
  }
  return s;
}

}  // namespace

String Format(const String& fmt, const std::vector<TVarRec>& args) {
  String out;
  out.reserve(fmt.size() + 16);
  size_t argIndex = 0;
  size_t i = 0;
  const size_t n = fmt.size();
  while (i < n) {
    char c = fmt[i];
    if (c != '%') {
      out += c;
      ++i;
      continue;
    }
    ++i;
    if (i >= n) formatError(fmt);
    if (fmt[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    // [index:]
    auto readNumberOrStar = [&](int& value) -> bool {
      if (i < n && fmt[i] == '*') {
        ++i;
        if (argIndex >= args.size()) formatError(fmt);
        const auto* p = std::get_if<int64_t>(&args[argIndex].v);
        if (!p) formatError(fmt);
        value = int(*p);
        ++argIndex;
        return true;
      }
      if (i < n && fmt[i] >= '0' && fmt[i] <= '9') {
        int64_t v = 0;
        while (i < n && fmt[i] >= '0' && fmt[i] <= '9') {
          v = v * 10 + (fmt[i] - '0');
          if (v > 100000) formatError(fmt);
          ++i;
        }
        value = int(v);
        return true;
      }
      return false;
    };
    int num = 0;
    bool leftJustify = false;
    int width = -1, prec = -1;
    size_t save = i;
    if (readNumberOrStar(num)) {
      if (i < n && fmt[i] == ':') {
        ++i;
        if (num < 0) formatError(fmt);
        argIndex = size_t(num);
      } else {
        // It was the width after all; re-read below.
        i = save;
        if (fmt[i] == '*') argIndex--;  // give the '*' argument back
      }
    }
    if (i < n && fmt[i] == '-') {
      leftJustify = true;
      ++i;
    }
    if (readNumberOrStar(width)) {
      if (width < 0) {
        leftJustify = true;
        width = -width;
      }
    }
    if (i < n && fmt[i] == '.') {
      ++i;
      if (!readNumberOrStar(prec)) prec = 0;
      if (prec < 0) prec = -1;
    }
    if (i >= n) formatError(fmt);
    char type = char(fmt[i] | 0x20);  // lower case
    ++i;
    if (argIndex >= args.size()) formatError(fmt);
    const TVarRec& a = args[argIndex++];
    String text;
    switch (type) {
      case 'd': {
        const auto* p = std::get_if<int64_t>(&a.v);
        if (!p) formatError(fmt);
        int64_t v = *p;
        uint64_t mag = v < 0 ? uint64_t(0) - uint64_t(v) : uint64_t(v);
        String digits = std::to_string(mag);
        if (prec > 0 && int(digits.size()) < prec) digits.insert(0, size_t(prec) - digits.size(), '0');
        text = (v < 0 ? "-" : "") + digits;
        break;
      }
      case 'u': {
        const auto* p = std::get_if<int64_t>(&a.v);
        if (!p) formatError(fmt);
        int64_t v = *p;
        uint64_t u = (v < 0 && v >= std::numeric_limits<int32_t>::min()) ? uint64_t(uint32_t(int32_t(v))) : uint64_t(v);
        String digits = std::to_string(u);
        if (prec > 0 && int(digits.size()) < prec) digits.insert(0, size_t(prec) - digits.size(), '0');
        text = digits;
        break;
      }
      case 'x': {
        const auto* p = std::get_if<int64_t>(&a.v);
        if (!p) formatError(fmt);
        int64_t v = *p;
        uint64_t u = (v < 0 && v >= std::numeric_limits<int32_t>::min()) ? uint64_t(uint32_t(int32_t(v))) : uint64_t(v);
        String digits = hexText(u);
        if (prec > 0 && int(digits.size()) < prec) digits.insert(0, size_t(prec) - digits.size(), '0');
        text = digits;
        break;
      }
      case 'e': case 'f': case 'g': case 'n': case 'm': {
        const auto* p = std::get_if<double>(&a.v);
        if (!p) formatError(fmt);
        double v = *p;
        if (type == 'e') text = localDecimal(sciText(v, prec < 0 ? 15 : prec, 3));
        else if (type == 'f') text = fixedText(v, prec < 0 ? 2 : prec, false);
        else if (type == 'g') text = localDecimal(generalText(v, prec < 0 ? 15 : prec));
        else if (type == 'n') text = fixedText(v, prec < 0 ? 2 : prec, true);
        else {
          String t = fixedText(std::fabs(v), prec < 0 ? 2 : prec, true);
          text = (v < 0 ? "-$" : "$") + t;
        }
        break;
      }
      case 's': {
        const auto* p = std::get_if<String>(&a.v);
        if (!p) formatError(fmt);
        text = prec >= 0 ? utf8Left(*p, prec) : *p;
        break;
      }
      case 'p': {
        const auto* p = std::get_if<const void*>(&a.v);
        if (!p) formatError(fmt);
        String h = hexText(uint64_t(reinterpret_cast<uintptr_t>(*p)));
        while (h.size() < 2 * sizeof(void*)) h = "0" + h;
        text = h;
        break;
      }
      default:
        formatError(fmt);
    }
    int len = utf8Chars(text);
    if (width > len) {
      String pad(size_t(width - len), ' ');
      text = leftJustify ? text + pad : pad + text;
    }
    out += text;
  }
  return out;
}

// ---------------------------------------------------------------------------
// Numbers and text

namespace {

QString qs(const String& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
String us(const QString& s) { return s.toUtf8().toStdString(); }

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// Parses an integer the classic way: optional leading blanks, a sign, decimal
// digits or a hex number written $FF / 0xFF. Nothing may follow.
bool parseInt64(const String& s, int64_t& out, int64_t lo, int64_t hi) {
  size_t i = 0, n = s.size();
  while (i < n && isSpace(s[i])) ++i;
  bool neg = false;
  if (i < n && (s[i] == '+' || s[i] == '-')) {
    neg = s[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < n && s[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= n) return false;
  unsigned __int128 v = 0;
  for (; i < n; ++i) {
    char c = s[i];
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return false;
    v = v * unsigned(base) + unsigned(d);
    if (v > (unsigned __int128)(uint64_t(1) << 63) * 2) return false;
  }
  __int128 sv = neg ? -(__int128)v : (__int128)v;
  if (base == 16 && !neg && hi == std::numeric_limits<int32_t>::max() && v <= 0xFFFFFFFFu) {
    sv = int32_t(uint32_t(v));  // $FFFFFFFF is -1 for a 32-bit integer
  }
  if (sv < lo || sv > hi) return false;
  out = int64_t(sv);
  return true;
}

}  // namespace

String IntToStr(int64_t v) { return std::to_string(v); }

String IntToHex(int64_t v, int digits) {
  String h = hexText(uint64_t(v));
  while (int(h.size()) < digits) h = "0" + h;
  return h;
}

int StrToInt(const String& s) {
  int64_t v;
  if (!parseInt64(s, v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()))
    throw EConvertError("'" + s + "' is not a valid integer value");
  return int(v);
}

int StrToIntDef(const String& s, int def) {
  int v;
  return TryStrToInt(s, v) ? v : def;
}

bool TryStrToInt(const String& s, int& out) {
  int64_t v;
  if (!parseInt64(s, v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max())) return false;
  out = int(v);
  return true;
}

int64_t StrToInt64(const String& s) {
  int64_t v;
  if (!parseInt64(s, v, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max()))
    throw EConvertError("'" + s + "' is not a valid integer value");
  return v;
}

int64_t StrToInt64Def(const String& s, int64_t def) {
  int64_t v;
  return parseInt64(s, v, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max()) ? v : def;
}

String FloatToStr(double v) { return localDecimal(generalText(v, 15)); }

String Trim(const String& s) { return TrimRight(TrimLeft(s)); }

String TrimLeft(const String& s) {
  size_t i = 0;
  while (i < s.size() && static_cast<unsigned char>(s[i]) <= ' ') ++i;
  return s.substr(i);
}

String TrimRight(const String& s) {
  size_t n = s.size();
  while (n > 0 && static_cast<unsigned char>(s[n - 1]) <= ' ') --n;
  return s.substr(0, n);
}

namespace {
bool isAscii(const String& s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}
}  // namespace

// ASCII texts (most names and numbers) are mapped byte by byte; others
// through Qt's case tables.
String UpperCase(const String& s) {
  if (!isAscii(s)) return us(qs(s).toUpper());
  String t(s);
  for (char& c : t)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return t;
}
String LowerCase(const String& s) {
  if (!isAscii(s)) return us(qs(s).toLower());
  String t(s);
  for (char& c : t)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return t;
}

int CompareText(const String& a, const String& b) {
  bool ascii = true;
  for (unsigned char c : a) if (c >= 0x80) { ascii = false; break; }
  if (ascii) for (unsigned char c : b) if (c >= 0x80) { ascii = false; break; }
  if (ascii) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
      int ca = std::tolower(static_cast<unsigned char>(a[i]));
      int cb = std::tolower(static_cast<unsigned char>(b[i]));
      if (ca != cb) return ca - cb;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
  }
  return QString::compare(qs(a), qs(b), Qt::CaseInsensitive);
}

bool SameText(const String& a, const String& b) { return CompareText(a, b) == 0; }

int CompareStr(const String& a, const String& b) {
  int r = a.compare(b);
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

String StringReplaceAll(const String& s, const String& from, const String& to) {
  if (from.empty()) return s;
  String out;
  size_t pos = 0;
  while (true) {
    size_t f = s.find(from, pos);
    if (f == String::npos) break;
    out.append(s, pos, f - pos);
    out += to;
    pos = f + from.size();
  }
  out.append(s, pos, String::npos);
  return out;
}

int Pos(const String& sub, const String& s) {
  if (sub.empty()) return 0;
  size_t f = s.find(sub);
  return f == String::npos ? 0 : int(f) + 1;
}

String Copy(const String& s, int index1, int count) {
  if (index1 < 1) index1 = 1;
  if (count <= 0 || size_t(index1) > s.size()) return String();
  return s.substr(size_t(index1 - 1), size_t(count));
}

int Utf8Length(const String& s) { return utf8Chars(s); }

String QuotedStr(const String& s) { return "'" + StringReplaceAll(s, "'", "''") + "'"; }

// ---------------------------------------------------------------------------
// Files and folders

String NormalizePath(const String& s) {
  String r = s;
  for (char& c : r)
    if (c == '\\') c = '/';
  return r;
}

String IncludeTrailingPathDelimiter(const String& s) {
  String r = NormalizePath(s);
  if (r.empty() || r.back() != '/') r += '/';
  return r;
}

String ExcludeTrailingPathDelimiter(const String& s) {
  String r = NormalizePath(s);
  while (r.size() > 1 && r.back() == '/') r.pop_back();
  return r;
}

String ExtractFilePath(const String& s) {
  String r = NormalizePath(s);
  size_t p = r.rfind('/');
  return p == String::npos ? String() : r.substr(0, p + 1);
}

String ExtractFileDir(const String& s) {
  String r = NormalizePath(s);
  size_t p = r.rfind('/');
  if (p == String::npos) return String();
  if (p == 0) return "/";
  return r.substr(0, p);
}

String ExtractFileName(const String& s) {
  String r = NormalizePath(s);
  size_t p = r.rfind('/');
  return p == String::npos ? r : r.substr(p + 1);
}

String ExtractFileExt(const String& s) {
  String name = ExtractFileName(s);
  size_t p = name.rfind('.');
  return p == String::npos ? String() : name.substr(p);
}

String ChangeFileExt(const String& s, const String& ext) {
  String r = NormalizePath(s);
  size_t slash = r.rfind('/');
  size_t dot = r.rfind('.');
  if (dot != String::npos && (slash == String::npos || dot > slash)) r.erase(dot);
  return r + ext;
}

// File names are bytes: these look at them through the system's calls, so
// that a name that is not UTF-8 (a file named in an 8-bit code page) is
// found as it is.
namespace {
bool validUtf8(const std::string& b);
bool statOf(const String& path, struct stat& st) { return ::stat(path.c_str(), &st) == 0; }
bool pathExists(const String& path) {
  struct stat st {};
  return statOf(path, st);
}
// Absolute (against the current folder) and lexically clean: no ".", "..",
// doubled or trailing separators (the root stays "/").
String cleanAbsolute(const String& path) {
  std::string p = path;
  if (p.empty() || p[0] != '/') {
    std::string cwd(4096, '\0');
    while (!::getcwd(cwd.data(), cwd.size())) {
      if (errno != ERANGE) return us(QDir::cleanPath(QDir::current().absoluteFilePath(qs(path))));
      cwd.resize(cwd.size() * 2);
    }
    cwd.resize(std::strlen(cwd.c_str()));
    p = cwd + "/" + p;
  }
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= p.size()) {
    size_t e = p.find('/', start);
    if (e == std::string::npos) e = p.size();
    const std::string part = p.substr(start, e - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = e + 1;
  }
  std::string out;
  for (const std::string& part : parts) out += "/" + part;
  return out.empty() ? String("/") : out;
}
}  // namespace

String ExpandFileName(const String& s) {
  if (s.empty()) return String();
  String r = NormalizePath(s);
  String out = cleanAbsolute(r);
  if (r.back() == '/' && (out.empty() || out.back() != '/')) out += '/';
  return out;
}

String FileNameText(const std::string& Name) {
  if (validUtf8(Name)) return Name;
  // Latin-1: every byte is the character of its own number.
  String out;
  for (unsigned char c : Name) {
    if (c < 0x80) {
      out += char(c);
    } else {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

bool FileExists(const String& s) {
  struct stat st {};
  return statOf(s, st) ? !S_ISDIR(st.st_mode) : s.find('\\') != String::npos && statOf(NormalizePath(s), st) && !S_ISDIR(st.st_mode);
}

String FileWriteStamp(const String& s) {
  struct stat st;
  if (::stat(s.c_str(), &st) != 0 && ::stat(NormalizePath(s).c_str(), &st) != 0) return String();
  return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + ":" + std::to_string(st.st_size) + ":" +
         std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
}

bool RemoveDir(const String& s) { return ::rmdir(NormalizePath(s).c_str()) == 0; }

bool DirectoryExists(const String& s) {
  struct stat st {};
  return statOf(s, st) ? S_ISDIR(st.st_mode) : s.find('\\') != String::npos && statOf(NormalizePath(s), st) && S_ISDIR(st.st_mode);
}

bool ForceDirectories(const String& s) {
  if (s.empty()) return false;
  return QDir().mkpath(qs(NormalizePath(s)));
}

bool DeleteFile(const String& s) { return ::unlink(NormalizePath(s).c_str()) == 0; }

bool RenameFile(const String& from, const String& to) {
  String t = NormalizePath(to);
  if (QFileInfo::exists(qs(t))) return false;
  return QFile::rename(qs(NormalizePath(from)), qs(t));
}

String GetCurrentDir() { return us(QDir::currentPath()); }

bool SetCurrentDir(const String& s) { return QDir::setCurrent(qs(NormalizePath(s))); }

String ResolveFileName(const String& s) {
  if (s.empty()) return s;
  // A name may hold a backslash of its own: as given, when it is there.
  if (s.find('\\') != String::npos) {
    const String literal = cleanAbsolute(s);
    if (pathExists(literal)) return literal;
  }
  String path = NormalizePath(s);
  const bool trailing = path.back() == '/';
  path = cleanAbsolute(path);
  if (trailing && path.back() != '/') path += '/';
  if (pathExists(path)) return path;
  // Walk the components, taking an existing entry whose name reads the same
  // but for letter case, or whose name is the same text in Latin-1 bytes.
  std::vector<String> parts;
  {
    size_t start = 1;  // skip the root '/'
    while (start <= path.size()) {
      size_t e = path.find('/', start);
      if (e == String::npos) e = path.size();
      if (e > start) parts.push_back(path.substr(start, e - start));
      start = e + 1;
    }
  }
  String cur = "/";
  for (size_t k = 0; k < parts.size(); ++k) {
    const String& part = parts[k];
    String candidate = cur + part;
    if (!pathExists(candidate)) {
      const QString want = qs(FileNameText(part));
      bool found = false;
      if (DIR* dir = ::opendir(cur.c_str())) {
        std::vector<String> names;
        while (const dirent* e = ::readdir(dir)) {
          const String n = e->d_name;
          if (n != "." && n != "..") names.push_back(n);
        }
        ::closedir(dir);
        std::sort(names.begin(), names.end());   // the same choice every time
        for (const String& n : names) {
          if (QString::compare(qs(FileNameText(n)), want, Qt::CaseInsensitive) == 0) {
            candidate = cur + n;
            found = true;
            break;
          }
        }
      }
      if (!found) return path;  // nothing matches: the name as given
    }
    cur = candidate;
    if (k + 1 < parts.size()) cur += '/';
  }
  if (trailing && cur.back() != '/') cur += '/';
  return cur;
}

std::vector<String> ListDirectory(const String& dir, bool folders) {
  QDir d(qs(NormalizePath(dir)));
  QDir::Filters f = (folders ? QDir::Dirs : QDir::Files) | QDir::NoDotAndDotDot | QDir::Hidden;
  std::vector<String> out;
  for (const QString& e : d.entryList(f, QDir::Name)) out.push_back(us(e));
  return out;
}

// ---------------------------------------------------------------------------
// Text files

namespace {

std::mutex g_codePageMutex;
String g_codePage = "windows-1251";

const char16_t kCp1251High[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, 0x0410,
    0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D,
    0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A,
    0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444,
    0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F};

String decodeCp1251Table(const std::string& bytes) {
  QString out;
  out.reserve(qsizetype(bytes.size()));
  for (unsigned char c : bytes) out += c < 0x80 ? QChar(c) : QChar(kCp1251High[c - 0x80]);
  return us(out);
}

bool validUtf8(const std::string& b) {
  size_t i = 0, n = b.size();
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(b[i]);
    if (c < 0x80) { ++i; continue; }
    int len;
    uint32_t cp;
    if ((c & 0xE0) == 0xC0) { len = 2; cp = c & 0x1F; }
    else if ((c & 0xF0) == 0xE0) { len = 3; cp = c & 0x0F; }
    else if ((c & 0xF8) == 0xF0) { len = 4; cp = c & 0x07; }
    else return false;
    if (i + size_t(len) > n) return false;
    for (int k = 1; k < len; ++k) {
      unsigned char cc = static_cast<unsigned char>(b[i + size_t(k)]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += size_t(len);
  }
  return true;
}

}  // namespace

String LegacyCodePage() {
  std::lock_guard<std::mutex> g(g_codePageMutex);
  return g_codePage;
}

void SetLegacyCodePage(const String& name) {
  std::lock_guard<std::mutex> g(g_codePageMutex);
  g_codePage = name.empty() ? String("windows-1251") : name;
}

String DecodeLegacyText(const std::string& bytes) {
  String cp;
  {
    std::lock_guard<std::mutex> g(g_codePageMutex);
    cp = g_codePage;
  }
  if (SameText(cp, "windows-1251") || SameText(cp, "cp1251")) {
    // Our own table: independent of the ICU build and identical everywhere.
    return decodeCp1251Table(bytes);
  }
  QStringDecoder dec(cp.c_str());
  if (!dec.isValid()) return decodeCp1251Table(bytes);
  QString s = dec.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
  return us(s);
}

std::string ReadFileBytes(const String& fileName, size_t maxBytes) {
  const String name = ResolveFileName(fileName);
  const String shown = "\"" + NormalizePath(fileName) + "\". ";
  const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) throw EFOpenError("Cannot open file " + shown + std::strerror(errno));
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) throw EFOpenError("Cannot open file " + shown + std::strerror(errno));
  if (S_ISDIR(st.st_mode)) throw EFOpenError("Cannot open file " + shown + "It is a folder.");
  if (!S_ISREG(st.st_mode)) throw EFOpenError("Cannot open file " + shown + "It is not a regular file.");
  const String tooLarge = "Cannot read file " + shown + "It is too large (more than " +
                          std::to_string(maxBytes >> 20 ? maxBytes >> 20 : 1) + " MB).";
  if (uint64_t(st.st_size) > maxBytes) throw EFileTooLarge(tooLarge);
  // The size may change under us (or be 0, as for kernel files): read to the
  // end, never more than the bound.
  std::string out;
  out.resize(size_t(st.st_size) + 1);
  size_t got = 0;
  for (;;) {
    if (got == out.size()) {
      if (out.size() > maxBytes) throw EFileTooLarge(tooLarge);
      out.resize(std::min(maxBytes + 1, std::max<size_t>(out.size() * 2, 4096)));
    }
    const ssize_t n = ::read(fd, &out[got], out.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EFOpenError("Cannot read file " + shown + std::strerror(errno));
    }
    if (n == 0) break;
    got += size_t(n);
  }
  if (got > maxBytes) throw EFileTooLarge(tooLarge);
  out.resize(got);
  return out;
}

String LoadTextFile(const String& fileName) {
  std::string bytes = ReadFileBytes(fileName, MaxTextFileBytes);
  String text;
  if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
      static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF) {
    text = bytes.substr(3);
    if (!validUtf8(text)) text = us(QString::fromUtf8(text.data(), qsizetype(text.size())));  // repairs
  } else if (bytes.size() >= 2 && ((static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) ||
                                    (static_cast<unsigned char>(bytes[0]) == 0xFE && static_cast<unsigned char>(bytes[1]) == 0xFF))) {
    // UTF-16 with its byte-order mark (what some programs call "Unicode text").
    bool le = static_cast<unsigned char>(bytes[0]) == 0xFF;
    std::u16string u;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      unsigned char a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
      u.push_back(char16_t(le ? (a | (b << 8)) : ((a << 8) | b)));
    }
    text = us(QString::fromUtf16(u.data(), qsizetype(u.size())));
  } else if (validUtf8(bytes)) {
    text = std::move(bytes);
  } else {
    text = DecodeLegacyText(bytes);
  }
  return StringReplaceAll(text, "\r\n", "\n");
}

namespace {

enum class SaveStep { Ok, Create, Write };

// The reason of a failed step: a full disk (or quota) is said as such; Qt
// reports a write cut short by a full disk as an "Unknown error".
String saveFailure(const QSaveFile& f, int err) {
  if (err == ENOSPC || err == EDQUOT || f.errorString() == QString::fromLocal8Bit(std::strerror(ENOSPC)))
    return "disk full (no space left on the device)";
  if (err != 0 && (f.error() == QFileDevice::NoError || f.errorString() == QStringLiteral("Unknown error")))
    return std::strerror(err);
  return us(f.errorString());
}

// Writes the bytes whole through a temporary file that replaces the target
// only when complete. Unbuffered, so that a short write (full disk, file
// size limit) shows in the result of write(); a buffered flush would let it
// pass unnoticed. A write cut short is tried again for the rest, so that
// the system's reason is known.
SaveStep saveWhole(const String& name, const std::string& bytes, String& why) {
  QSaveFile f(qs(name));
  errno = 0;
  if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
    why = saveFailure(f, errno);
    return SaveStep::Create;
  }
  size_t done = 0;
  while (done < bytes.size()) {
    errno = 0;
    const qint64 n = f.write(bytes.data() + done, qint64(bytes.size() - done));
    if (n <= 0) {
      why = saveFailure(f, errno);
      f.cancelWriting();
      return SaveStep::Write;
    }
    done += size_t(n);
  }
  errno = 0;
  if (!f.commit()) {
    why = saveFailure(f, errno);
    return SaveStep::Write;
  }
  return SaveStep::Ok;
}

}  // namespace

bool AtomicWriteFile(const String& fileName, const std::string& bytes, String* err) {
  String why;
  const SaveStep step = saveWhole(NormalizePath(fileName), bytes, why);
  if (step == SaveStep::Ok) return true;
  if (err)
    *err = String(step == SaveStep::Create ? "Cannot create file \"" : "Cannot write file \"") + NormalizePath(fileName) +
           "\". " + why;
  return false;
}

void SaveTextFile(const String& fileName, const String& text) {
  String name = ResolveFileName(fileName);
  String bytes = StringReplaceAll(text, "\r\n", "\n");
  // The reader takes a leading byte-order mark for the file's own: a text
  // that starts with one (a line that is only a mark) gets a mark before it.
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.insert(0, "\xEF\xBB\xBF");
  String why;
  switch (saveWhole(name, bytes, why)) {
    case SaveStep::Ok: return;
    case SaveStep::Create: throw EFCreateError("Cannot create file \"" + NormalizePath(fileName) + "\". " + why);
    case SaveStep::Write: throw EWriteError("Cannot write file \"" + NormalizePath(fileName) + "\". " + why);
  }
}

int RemoveSaveLeftovers(const String& Folder, int MinAgeSeconds) {
  const String dir = IncludeTrailingPathDelimiter(NormalizePath(Folder));
  int removed = 0;
  const time_t now = ::time(nullptr);
  for (const String& name : ListDirectory(dir, false)) {
    if (name.size() < 8 || name[name.size() - 7] != '.') continue;
    // Six random letters, of both cases: an extension of the operator's
    // own ("backup") is not taken for one.
    bool letters = true, upper = false, lower = false;
    for (size_t i = name.size() - 6; i < name.size(); ++i) {
      const unsigned char ch = static_cast<unsigned char>(name[i]);
      letters = letters && std::isalpha(ch) && ch < 128;
      upper = upper || std::isupper(ch);
      lower = lower || std::islower(ch);
    }
    if (!letters || !upper || !lower) continue;
    struct stat own {}, target {};
    const String path = dir + name, of = dir + name.substr(0, name.size() - 7);
    if (::lstat(path.c_str(), &own) != 0 || !S_ISREG(own.st_mode)) continue;
    if (::stat(of.c_str(), &target) != 0 || !S_ISREG(target.st_mode)) continue;
    if (now - own.st_mtime < MinAgeSeconds) continue;
    if (::unlink(path.c_str()) == 0) ++removed;
  }
  return removed;
}

// ---------------------------------------------------------------------------
// Time

int64_t GetTickCount64() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

int64_t WallClockMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

void Sleep(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  else std::this_thread::yield();
}
