#include "platform/IniFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>

namespace {

bool isBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

String trimBlanks(const String& s) {
  size_t b = 0, e = s.size();
  while (b < e && isBlank(s[b])) ++b;
  while (e > b && isBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// Names compare without regard to case: ASCII folds here, anything else
// through the toolkit's Unicode-aware lower-casing.
String fold(const String& s) {
  String t = trimBlanks(s);
  bool ascii = true;
  for (char& c : t) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u >= 0x80) { ascii = false; break; }
    if (u >= 'A' && u <= 'Z') c = char(u + ('a' - 'A'));
  }
  return ascii ? t : LowerCase(t);
}

// A value as read: trimmed, then one pair of matching surrounding quotes removed.
String unquote(const String& raw) {
  String v = trimBlanks(raw);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  return v;
}

// Texts written into a line must not break it.
String oneLine(const String& s) {
  String t = s;
  for (char& c : t)
    if (c == '\r' || c == '\n') c = ' ';
  return t;
}

String profileFolder() {
  String base;
  if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) base = x;
  else if (const char* h = std::getenv("HOME"); h && *h) base = String(h) + "/.config";
  else base = ".config";
  return IncludeTrailingPathDelimiter(base) + "Quellmark/";
}

bool isBareName(const String& s) { return s.find('/') == String::npos && s.find('\\') == String::npos; }

}  // namespace

String ResolveProfileFileName(const String& fileName) {
  if (fileName.empty()) return fileName;
  if (isBareName(fileName)) return ResolveFileName(profileFolder() + fileName);
  return ResolveFileName(fileName);
}

// ---------------------------------------------------------------------------
// TIniDocument

TIniDocument::TIniDocument() { blocks_.emplace_back(); }
TIniDocument::TIniDocument(const String& fileName) : TIniDocument() { LoadFromFile(fileName); }
TIniDocument::~TIniDocument() = default;
TIniDocument::TIniDocument(const TIniDocument& o) = default;
TIniDocument& TIniDocument::operator=(const TIniDocument& o) = default;

TIniDocument::Line TIniDocument::parseLine(const String& text) {
  Line l;
  l.text = text;
  size_t b = 0;
  while (b < text.size() && isBlank(text[b])) ++b;
  if (b == text.size()) return l;               // blank line
  if (text[b] == '[') {
    size_t close = text.rfind(']');
    if (close != String::npos && close > b) {
      l.kind = lkSection;
      l.fold = fold(text.substr(b + 1, close - b - 1));
    }
    return l;
  }
  if (text[b] == ';') return l;                 // comment
  l.kind = lkEntry;
  size_t eq = text.find('=', b);
  l.fold = fold(eq == String::npos ? text.substr(b) : text.substr(b, eq - b));
  return l;
}

int TIniDocument::Block::find(const String& f) const {
  if (body.size() <= ScanLimit) {
    for (int i = 0; i < int(body.size()); ++i)
      if (body[size_t(i)].kind == lkEntry && body[size_t(i)].fold == f) return i;
    return -1;
  }
  auto k = keys.find(f);
  return k == keys.end() ? -1 : k->second;
}

void TIniDocument::Block::added(int line) {
  lastEntry = line;
  if (body.size() > ScanLimit + 1) keys.emplace(body[size_t(line)].fold, line);
  else if (body.size() == ScanLimit + 1) reindex();
}

void TIniDocument::Block::reindex() {
  keys.clear();
  lastEntry = -1;
  const bool indexed = body.size() > ScanLimit;
  for (int i = 0; i < int(body.size()); ++i) {
    if (body[size_t(i)].kind != lkEntry) continue;
    if (indexed) keys.emplace(body[size_t(i)].fold, i);
    lastEntry = i;
  }
}

void TIniDocument::reindexSections() {
  firstSection_.clear();
  for (int b = 1; b < int(blocks_.size()); ++b) firstSection_.emplace(blocks_[size_t(b)].header.fold, b);
}

void TIniDocument::LoadFromFile(const String& fileName) {
  String resolved = ResolveProfileFileName(fileName);
  String text;
  if (!resolved.empty() && FileExists(resolved)) text = LoadTextFile(resolved);  // raises EFOpenError
  fileName_ = resolved;
  SetText(text);
  modified_ = false;
}

String TIniDocument::Text() const {
  size_t n = 0;
  for (const Block& b : blocks_) {
    n += b.header.text.size() + 1;
    for (const Line& l : b.body) n += l.text.size() + 1;
  }
  String out;
  out.reserve(n);
  for (size_t k = 0; k < blocks_.size(); ++k) {
    const Block& b = blocks_[k];
    if (k > 0) {
      out += b.header.text;
      out += '\n';
    }
    for (const Line& l : b.body) {
      out += l.text;
      out += '\n';
    }
  }
  return out;
}

void TIniDocument::SetText(const String& text) {
  blocks_.clear();
  blocks_.emplace_back();
  auto add = [this](const String& lineText) {
    Line l = parseLine(lineText);
    if (l.kind == lkSection) {
      blocks_.emplace_back();
      blocks_.back().header = std::move(l);
    } else {
      blocks_.back().body.push_back(std::move(l));
    }
  };
  size_t i = 0;
  // Byte-order marks at the start (some editors write more than one).
  while (text.compare(i, 3, "\xEF\xBB\xBF") == 0) i += 3;
  while (i < text.size()) {
    size_t e = text.find_first_of("\r\n", i);
    if (e == String::npos) {
      add(text.substr(i));
      break;
    }
    add(text.substr(i, e - i));
    i = e + 1;
    if (text[e] == '\r' && i < text.size() && text[i] == '\n') ++i;
  }
  for (Block& b : blocks_) b.reindex();
  reindexSections();
  modified_ = true;
}

int TIniDocument::findSection(const String& section) const {
  auto it = firstSection_.find(fold(section));
  return it == firstSection_.end() ? -1 : it->second;
}

int TIniDocument::findKey(int block, const String& key) const {
  if (block < 0) return -1;
  return blocks_[size_t(block)].find(fold(key));
}

String TIniDocument::ReadString(const String& section, const String& key, const String& def) const {
  const int b = findSection(section);
  const int line = findKey(b, key);
  if (line < 0) return def;
  const String& t = blocks_[size_t(b)].body[size_t(line)].text;
  size_t eq = t.find('=');
  return eq == String::npos ? String() : unquote(t.substr(eq + 1));
}

int TIniDocument::ReadInteger(const String& section, const String& key, int def) const {
  return StrToIntDef(ReadString(section, key, String()), def);
}

bool TIniDocument::SectionExists(const String& section) const { return findSection(section) >= 0; }

bool TIniDocument::ValueExists(const String& section, const String& key) const {
  return findKey(findSection(section), key) >= 0;
}

std::vector<String> TIniDocument::ReadSections() const {
  std::vector<String> out;
  for (int k = 1; k < int(blocks_.size()); ++k) {
    const Line& l = blocks_[size_t(k)].header;
    if (firstSection_.at(l.fold) != k) continue;
    size_t b = l.text.find('['), e = l.text.rfind(']');
    out.push_back(trimBlanks(l.text.substr(b + 1, e - b - 1)));
  }
  return out;
}

std::vector<String> TIniDocument::ReadSection(const String& section) const {
  std::vector<String> out;
  int h = findSection(section);
  if (h < 0) return out;
  for (const Line& l : blocks_[size_t(h)].body) {
    if (l.kind != lkEntry) continue;
    size_t eq = l.text.find('=');
    out.push_back(trimBlanks(eq == String::npos ? l.text : l.text.substr(0, eq)));
  }
  return out;
}

void TIniDocument::WriteString(const String& section, const String& key, const String& value) {
  const String sec = trimBlanks(oneLine(section));
  const String k = trimBlanks(oneLine(key));
  const String v = oneLine(value);
  int h = findSection(sec);
  int line = findKey(h, k);
  if (line >= 0) {
    Line& l = blocks_[size_t(h)].body[size_t(line)];
    size_t eq = l.text.find('=');
    String name = trimBlanks(eq == String::npos ? l.text : l.text.substr(0, eq));
    String text = name + "=" + v;
    if (text == l.text) return;
    l.text = std::move(text);              // the key and its place stay
  } else {
    if (h < 0) {
      // A new section at the end of the document.
      Block b;
      b.header = parseLine("[" + sec + "]");
      blocks_.push_back(std::move(b));
      h = int(blocks_.size()) - 1;
      firstSection_.emplace(blocks_.back().header.fold, h);
    }
    // After the last entry of the section: only blank lines and comments
    // (no entries) follow, so the key index keeps its line numbers.
    Block& b = blocks_[size_t(h)];
    const int at = b.lastEntry + 1;
    b.body.insert(b.body.begin() + at, parseLine(k + "=" + v));
    b.added(at);
  }
  modified_ = true;
}

void TIniDocument::WriteInteger(const String& section, const String& key, int value) {
  WriteString(section, key, IntToStr(value));
}

void TIniDocument::EraseSection(const String& section) {
  const String f = fold(section);
  const size_t before = blocks_.size();
  blocks_.erase(std::remove_if(blocks_.begin() + 1, blocks_.end(), [&](const Block& b) { return b.header.fold == f; }),
                blocks_.end());
  if (blocks_.size() == before) return;
  reindexSections();
  modified_ = true;
}

void TIniDocument::DeleteKey(const String& section, const String& key) {
  int h = findSection(section);
  if (h < 0) return;
  const String f = fold(key);
  Block& b = blocks_[size_t(h)];
  const size_t before = b.body.size();
  b.body.erase(std::remove_if(b.body.begin(), b.body.end(), [&](const Line& l) { return l.kind == lkEntry && l.fold == f; }),
               b.body.end());
  if (b.body.size() == before) return;
  b.reindex();
  modified_ = true;
}

bool TIniDocument::TrySave(String* err) {
  if (fileName_.empty()) {
    if (err) *err = "no file name";
    return false;
  }
  // An atomic replace would succeed over a write-protected file; the profile
  // functions have always refused those.
  if (FileExists(fileName_) && ::access(fileName_.c_str(), W_OK) != 0) {
    if (err) *err = "the file is write-protected";
    return false;
  }
  if (!AtomicWriteFile(fileName_, Text(), err)) return false;
  modified_ = false;
  return true;
}

void TIniDocument::Save() {
  String err;
  if (!TrySave(&err)) throw EIniFileError("Error file " + fileName_);
}

// ---------------------------------------------------------------------------
// Profile functions

namespace {

struct FileStamp {
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  timespec mtim{}, ctim{};
  bool operator==(const FileStamp& o) const {
    return dev == o.dev && ino == o.ino && size == o.size && mtim.tv_sec == o.mtim.tv_sec &&
           mtim.tv_nsec == o.mtim.tv_nsec && ctim.tv_sec == o.ctim.tv_sec && ctim.tv_nsec == o.ctim.tv_nsec;
  }
};

// False when there is no regular file of that name.
bool stampOf(const String& path, FileStamp& s) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  s.dev = st.st_dev;
  s.ino = st.st_ino;
  s.size = st.st_size;
  s.mtim = st.st_mtim;
  s.ctim = st.st_ctim;
  return true;
}

struct CachedFile {
  FileStamp stamp;
  std::shared_ptr<const TIniDocument> doc;
};

constexpr size_t kMaxCachedFiles = 32;

std::mutex& cacheMutex() {
  static std::mutex m;
  return m;
}
std::unordered_map<String, CachedFile>& cache() {
  static std::unordered_map<String, CachedFile> c;
  return c;
}

void remember(const String& path, const FileStamp& stamp, std::shared_ptr<const TIniDocument> doc) {
  auto& c = cache();
  if (c.size() >= kMaxCachedFiles && !c.count(path)) c.clear();
  c[path] = CachedFile{stamp, std::move(doc)};
}

// The parsed file as it is on disk now (an empty document when it is missing);
// nullptr with the reason in err when it exists but cannot be read.
// The caller holds the cache mutex.
std::shared_ptr<const TIniDocument> currentDocument(const String& path, String* err) {
  FileStamp stamp;
  if (!stampOf(path, stamp)) {
    cache().erase(path);
    auto doc = std::make_shared<TIniDocument>();
    doc->SetFileName(path);
    if (FileExists(path)) {            // something that is not a regular file
      if (err) *err = "not a regular file";
      return nullptr;
    }
    return doc;
  }
  auto it = cache().find(path);
  if (it != cache().end() && it->second.stamp == stamp) return it->second.doc;
  try {
    auto doc = std::make_shared<TIniDocument>(path);
    remember(path, stamp, doc);
    return doc;
  } catch (const std::exception& e) {
    cache().erase(path);
    if (err) *err = e.what();
    return nullptr;
  }
}

}  // namespace

String GetPrivateProfileString(const String& section, const String& key, const String& def,
                               const String& fileName) {
  String path = ResolveProfileFileName(fileName);
  if (path.empty()) return def;
  std::lock_guard<std::mutex> lock(cacheMutex());
  auto doc = currentDocument(path, nullptr);
  return doc ? doc->ReadString(section, key, def) : def;
}

bool WritePrivateProfileString(const String& section, const String& key, const String& value,
                               const String& fileName, String* err) {
  String path = ResolveProfileFileName(fileName);
  if (path.empty()) {
    if (err) *err = "no file name";
    return false;
  }
  if (isBareName(fileName)) ForceDirectories(ExtractFileDir(path));
  std::lock_guard<std::mutex> lock(cacheMutex());
  auto current = currentDocument(path, err);
  if (!current) return false;            // never replace a file that could not be read
  auto doc = std::make_shared<TIniDocument>(*current);
  doc->SetFileName(path);
  doc->WriteString(section, key, value);
  if (!doc->Modified()) return true;     // the entry already holds that value
  if (!doc->TrySave(err)) {
    cache().erase(path);
    return false;
  }
  FileStamp stamp;
  if (stampOf(path, stamp)) remember(path, stamp, doc);
  else cache().erase(path);
  return true;
}

std::vector<String> GetPrivateProfileSectionNames(const String& fileName) {
  String path = ResolveProfileFileName(fileName);
  if (path.empty()) return {};
  std::lock_guard<std::mutex> lock(cacheMutex());
  auto doc = currentDocument(path, nullptr);
  return doc ? doc->ReadSections() : std::vector<String>{};
}

void FlushProfileCache() {
  std::lock_guard<std::mutex> lock(cacheMutex());
  cache().clear();
}
