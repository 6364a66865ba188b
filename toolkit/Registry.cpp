#include "toolkit/Registry.h"

#include "toolkit/Controls.h"
#include "toolkit/SafeFiles.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

String rootName(HKEY k) {
  switch (k) {
    case HKEY_CLASSES_ROOT: return "HKEY_CLASSES_ROOT";
    case HKEY_LOCAL_MACHINE: return "HKEY_LOCAL_MACHINE";
    case HKEY_USERS: return "HKEY_USERS";
    case HKEY_CURRENT_CONFIG: return "HKEY_CURRENT_CONFIG";
    default: return "HKEY_CURRENT_USER";
  }
}

// Key paths: '/' taken as '\', no doubled, leading or trailing separators.
String cleanPath(const String& p) {
  String out;
  for (char ch : p) {
    char c = ch == '/' ? '\\' : ch;
    if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
    out += c;
  }
  while (!out.empty() && out.back() == '\\') out.pop_back();
  return out;
}

String escape(const String& s, bool name) {
  String out;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '=':
        if (name) out += "\\=";
        else out += c;
        break;
      case '[':
      case ';':
        if (name && i == 0) out += '\\';
        out += c;
        break;
      default: out += c;
    }
  }
  return out;
}

// Unescapes s up to an unescaped '=' (names) or the end; pos gets the end.
bool unescape(const String& s, size_t& pos, bool name, String& out) {
  out.clear();
  while (pos < s.size()) {
    char c = s[pos];
    if (name && c == '=') return true;
    if (c == '\\') {
      if (pos + 1 >= s.size()) return false;
      char n = s[pos + 1];
      switch (n) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        default: out += n; break;
      }
      pos += 2;
      continue;
    }
    out += c;
    ++pos;
  }
  return !name;
}

const char* typeName(TRegDataType t) {
  switch (t) {
    case rdInteger: return "int";
    case rdBool: return "bool";
    case rdInt64: return "int64";
    default: return "str";
  }
}

bool parseInt64(const String& s, int64_t& v) {
  if (s.empty()) return false;
  char* end = nullptr;
  errno = 0;
  long long x = std::strtoll(s.c_str(), &end, 10);
  if (errno || !end || *end) return false;
  v = x;
  return true;
}

// Names compare without regard to case: ASCII folds here, anything else
// through the Unicode-aware lower-casing.
String foldName(const String& s) {
  String t = s;
  for (char& c : t) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u >= 0x80) return LowerCase(s);
    if (u >= 'A' && u <= 'Z') c = char(u + ('a' - 'A'));
  }
  return t;
}

}  // namespace

TRegistry::Value* TRegistry::Key::find(const String& name) {
  auto it = index.find(foldName(name));
  return it == index.end() ? nullptr : &values[it->second];
}

void TRegistry::Key::add(Value v) {
  // The first of two values of one name wins.
  if (!index.emplace(foldName(v.name), values.size()).second) return;
  values.push_back(std::move(v));
}

void TRegistry::Key::reindex() {
  index.clear();
  for (size_t i = 0; i < values.size(); ++i) index.emplace(foldName(values[i].name), i);
}

TRegistry::Stamp TRegistry::stampNow() {
  Stamp s;
  struct stat st;
  if (::stat(StoreFileName().c_str(), &st) != 0) return s;
  s.exists = true;
  s.dev = uint64_t(st.st_dev);
  s.ino = uint64_t(st.st_ino);
  s.size = int64_t(st.st_size);
  s.mtimeNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  s.ctimeNs = int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
  return s;
}

TRegistry::TRegistry() = default;

TRegistry::~TRegistry() {
  // A failed save at the end is shown (it cannot be thrown from here).
  DispatchEvent([this] { Flush(); });
}

String TRegistry::StoreFileName() {
  String base;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    base = String(home && *home ? home : ".") + "/.config";
  }
  // The executable's name does not change while it runs.
  static const String name = [] {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    String exe = n > 0 ? String(buf, size_t(n)) : String("program");
    String base = ChangeFileExt(ExtractFileName(exe), "");
    return base.empty() ? String("program") : base;
  }();
  return IncludeTrailingPathDelimiter(base) + "Quellmark/" + name + ".settings";
}

void TRegistry::SetRootKey(HKEY k) {
  if (k == root_) return;
  CloseKey();
  root_ = k;
}

String TRegistry::fullPath(const String& rel) const {
  const String& p = rel;
  bool absolute = !p.empty() && (p[0] == '\\' || p[0] == '/');
  String tail = cleanPath(p);
  String base = rootName(root_);
  if (!absolute && open_ && !path_.empty()) base += "\\" + path_;
  return tail.empty() ? base : base + "\\" + tail;
}

// Reads the file. A missing file is an empty store; a file that exists but
// cannot be read fails when mustRead (a write must not replace it).
bool TRegistry::load(bool mustRead) {
  keys_.clear();
  loaded_ = false;
  damagedLines_ = 0;
  String fn = StoreFileName();
  const Stamp stamp = stampNow();
  if (!FileExists(fn)) {
    loaded_ = true;
    stamp_ = stamp;
    return true;
  }
  String text;
  try {
    text = ReadFileBytes(fn, MaxTextFileBytes);
  } catch (const EFOpenError&) {
    if (mustRead) throw ERegistryException(FormatA("Cannot read the settings file \"%s\"", fn));
    return false;
  }
  if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
  Key* cur = nullptr;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == String::npos) end = text.size();
    String line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') {
      if (end == text.size()) break;
      continue;
    }
    if (line[0] == '[') {
      if (line.back() != ']') { cur = nullptr; ++damagedLines_; continue; }
      String path = cleanPath(line.substr(1, line.size() - 2));
      cur = findKey(path);
      if (!cur) {
        keys_.push_back(Key{path, {}, {}});
        cur = &keys_.back();
      }
      continue;
    }
    if (!cur) { ++damagedLines_; continue; }
    size_t pos = 0;
    Value v;
    if (!unescape(line, pos, true, v.name) || pos >= line.size()) { ++damagedLines_; continue; }
    String rest = line.substr(pos + 1);
    size_t colon = rest.find(':');
    if (colon == String::npos) { ++damagedLines_; continue; }
    String type = rest.substr(0, colon), data = rest.substr(colon + 1);
    if (type == "str") {
      size_t p = 0;
      if (!unescape(data, p, false, v.text)) { ++damagedLines_; continue; }
      v.type = rdString;
    } else if (type == "int") {
      int64_t x;
      if (!parseInt64(data, x) || x < INT32_MIN || x > INT32_MAX) { ++damagedLines_; continue; }
      v.type = rdInteger;
      v.num = x;
    } else if (type == "int64") {
      if (!parseInt64(data, v.num)) { ++damagedLines_; continue; }
      v.type = rdInt64;
    } else if (type == "bool") {
      if (data != "0" && data != "1") { ++damagedLines_; continue; }
      v.type = rdBool;
      v.num = data == "1";
    } else {
      ++damagedLines_;
      continue;
    }
    cur->add(std::move(v));
  }
  loaded_ = true;
  stamp_ = stamp;
  return true;
}

void TRegistry::save() {
  String out = "; Quellmark settings\n";
  for (const Key& k : keys_) {
    out += "[" + k.path + "]\n";
    for (const Value& v : k.values) {
      out += escape(v.name, true) + "=" + typeName(v.type) + ":";
      if (v.type == rdString) out += escape(v.text, false);
      else out += IntToStr(v.num);
      out += "\n";
    }
    out += "\n";
  }
  String fn = StoreFileName();
  String err;
  if (!ForceDirectories(ExtractFileDir(fn)))
    throw ERegistryException(FormatA("Cannot save the settings file \"%s\": cannot create its folder", fn));
  if (!AtomicWriteFile(fn, out, &err)) {
    loaded_ = false;
    throw ERegistryException(err.empty() ? FormatA("Cannot save the settings file \"%s\"", fn) : err);
  }
  stamp_ = stampNow();
}

TRegistry::Key* TRegistry::findKey(const String& full) {
  for (Key& k : keys_)
    if (SameText(k.path, full)) return &k;
  return nullptr;
}

static bool below(const String& path, const String& key) {
  String prefix = key + "\\";
  return path.size() > prefix.size() && SameText(path.substr(0, prefix.size()), prefix);
}

void TRegistry::apply(const Op& op) {
  switch (op.kind) {
    case Op::CreateKey:
      if (!findKey(op.key)) keys_.push_back(Key{op.key, {}, {}});
      break;
    case Op::DeleteKey:
      keys_.erase(std::remove_if(keys_.begin(), keys_.end(),
                                 [&](const Key& k) { return SameText(k.path, op.key) || below(k.path, op.key); }),
                  keys_.end());
      break;
    case Op::SetValue: {
      Key* k = findKey(op.key);
      if (!k) {
        keys_.push_back(Key{op.key, {}, {}});
        k = &keys_.back();
      }
      if (Value* v = k->find(op.value.name)) {
        String name = v->name;
        *v = op.value;
        v->name = name;   // the stored spelling stays
        return;
      }
      k->add(op.value);
      break;
    }
    case Op::DeleteValue:
      if (Key* k = findKey(op.key)) {
        k->values.erase(std::remove_if(k->values.begin(), k->values.end(),
                                       [&](const Value& v) { return SameText(v.name, op.value.name); }),
                        k->values.end());
        k->reindex();
      }
      break;
  }
}

String TRegistry::KeepDamagedFile() {
  refresh();
  if (damagedLines_ == 0) return String();
  const String fn = StoreFileName(), bad = fn + ".bad";
  String bytes;
  try {
    bytes = ReadFileBytes(fn, MaxTextFileBytes);
  } catch (const EFOpenError&) {
    return String();
  }
  if (FileExists(bad)) {
    try {
      if (ReadFileBytes(bad, MaxTextFileBytes) == bytes) return bad;   // kept already
    } catch (const EFOpenError&) {
    }
  }
  if (!AtomicWriteFile(bad, bytes)) return String();
  return bad;
}

void TRegistry::refresh() {
  // The kept state already holds this object's pending changes.
  if (loaded_ && stampNow() == stamp_) return;
  load(false);
  for (const Op& op : pending_) apply(op);
}

void TRegistry::change(Op op) {
  apply(op);
  pending_.push_back(std::move(op));
  if (!LazyWrite) Flush();
}

void TRegistry::Flush() {
  if (pending_.empty()) return;
  std::vector<Op> ops;
  ops.swap(pending_);
  // Merged into the file as it is now, so that other writers keep theirs.
  load(true);
  for (const Op& op : ops) apply(op);
  save();
}

bool TRegistry::OpenKey(const String& Key, bool CanCreate) {
  String full = fullPath(Key);
  refresh();
  bool exists = findKey(full) != nullptr;
  for (const auto& k : keys_)
    if (below(k.path, full)) exists = true;   // only keys below it hold values
  if (!exists) {
    if (!CanCreate) return false;
    change(Op{Op::CreateKey, full, {}});
  }
  open_ = true;
  String root = rootName(root_);
  path_ = full.size() > root.size() ? full.substr(root.size() + 1) : String();
  return true;
}

void TRegistry::CloseKey() {
  open_ = false;
  path_.clear();
  Flush();
}

bool TRegistry::KeyExists(const String& Key) {
  String full = fullPath(Key);
  refresh();
  if (findKey(full)) return true;
  for (const auto& k : keys_)
    if (below(k.path, full)) return true;
  return false;
}

bool TRegistry::DeleteKey(const String& Key) {
  if (!KeyExists(Key)) return false;
  change(Op{Op::DeleteKey, fullPath(Key), {}});
  return true;
}

TRegistry::Value* TRegistry::findValue(const String& name) {
  if (!open_) return nullptr;
  Key* k = findKey(fullPath("\\" + path_));
  return k ? k->find(name) : nullptr;
}

bool TRegistry::ValueExists(const String& Name) {
  refresh();
  return findValue(Name) != nullptr;
}

TRegDataType TRegistry::GetDataType(const String& Name) {
  refresh();
  Value* v = findValue(Name);
  return v ? v->type : rdUnknown;
}

bool TRegistry::DeleteValue(const String& Name) {
  if (!ValueExists(Name)) return false;
  Op op{Op::DeleteValue, fullPath("\\" + path_), {}};
  op.value.name = Name;
  change(std::move(op));
  return true;
}

void TRegistry::GetValueNames(TStrings* Strings) {
  if (!Strings) return;
  Strings->Clear();
  refresh();
  if (!open_) return;
  if (Key* k = findKey(fullPath("\\" + path_)))
    for (const Value& v : k->values) Strings->Add(v.name);
}

void TRegistry::GetKeyNames(TStrings* Strings) {
  if (!Strings) return;
  Strings->Clear();
  refresh();
  String base = fullPath(open_ ? "\\" + path_ : String("\\"));
  for (const Key& k : keys_) {
    if (!below(k.path, base)) continue;
    String rest = k.path.substr(base.size() + 1);
    String first = rest.substr(0, rest.find('\\'));
    if (Strings->IndexOf(first) < 0) Strings->Add(first);
  }
}

const TRegistry::Value& TRegistry::typed(const String& name, TRegDataType t) {
  refresh();
  Value* v = findValue(name);
  if (!v || v->type != t) throw ERegistryException(FormatA("Invalid data type for '%s'", name));
  return *v;
}

int TRegistry::ReadInteger(const String& Name) { return int(typed(Name, rdInteger).num); }
bool TRegistry::ReadBool(const String& Name) { return typed(Name, rdBool).num != 0; }
int64_t TRegistry::ReadInt64(const String& Name) { return typed(Name, rdInt64).num; }

String TRegistry::ReadString(const String& Name) {
  refresh();
  Value* v = findValue(Name);
  if (!v) return String();
  if (v->type != rdString) throw ERegistryException(FormatA("Invalid data type for '%s'", Name));
  return v->text;
}

void TRegistry::write(const String& name, TRegDataType t, const String& text, int64_t num) {
  if (!open_) throw ERegistryException(FormatA("Failed to set data for '%s'", name));
  Op op{Op::SetValue, fullPath("\\" + path_), {}};
  op.value = Value{name, t, text, num};
  change(std::move(op));
}

void TRegistry::WriteInteger(const String& Name, int Value) { write(Name, rdInteger, String(), Value); }
void TRegistry::WriteBool(const String& Name, bool Value) { write(Name, rdBool, String(), Value ? 1 : 0); }
void TRegistry::WriteString(const String& Name, const String& Value) { write(Name, rdString, Value, 0); }
void TRegistry::WriteInt64(const String& Name, int64_t Value) { write(Name, rdInt64, String(), Value); }
