#pragma once
// Ini-style text files: sections in square brackets, one "key=value" line per
// entry. The classic profile semantics hold throughout: section and key names
// match without regard to case, the first match wins, values are trimmed and
// lose one pair of surrounding quotes, a missing entry gives the default, and a
// write creates file, section and key as needed and keeps every other line as
// it was. Values have no length limit.
//
// TIniDocument is a file parsed once and read or changed in memory; Save
// writes it back whole through an atomic replace. The profile functions below
// work entry by entry on the file as it is on disk.
#include <memory>
#include <unordered_map>
#include <vector>
#include "toolkit/SysUtils.h"

TK_EXCEPTION(EIniFileError, EWriteError)

// The file an ini name stands for: a bare name (no folder) lives in the
// profile folder ($XDG_CONFIG_HOME, else ~/.config, then "Quellmark/"); other
// names go through ResolveFileName ('\' accepted, letter case forgiven).
String ResolveProfileFileName(const String& fileName);

class TIniDocument {
 public:
  TIniDocument();
  // Loads fileName (see LoadFromFile).
  explicit TIniDocument(const String& fileName);
  ~TIniDocument();
  TIniDocument(const TIniDocument&);
  TIniDocument& operator=(const TIniDocument&);

  // Reads the file whole (UTF-8 when valid, else the legacy code page; CRLF or
  // LF). A missing file gives an empty document; a file that exists but cannot
  // be read raises EFOpenError and leaves the document as it was.
  void LoadFromFile(const String& fileName);
  // The resolved file that Save writes.
  const String& FileName() const { return fileName_; }
  void SetFileName(const String& fileName) { fileName_ = ResolveProfileFileName(fileName); }

  // The whole document as lines joined by LF (with a trailing LF when not empty).
  String Text() const;
  void SetText(const String& text);

  String ReadString(const String& section, const String& key, const String& def) const;
  // The entry as a decimal integer; def when missing or not an integer.
  int ReadInteger(const String& section, const String& key, int def) const;
  bool SectionExists(const String& section) const;
  bool ValueExists(const String& section, const String& key) const;
  // Section names in file order (as written, without brackets; a repeated name once).
  std::vector<String> ReadSections() const;
  // Key names of the (first) section in file order.
  std::vector<String> ReadSection(const String& section) const;

  // Line breaks inside the texts become blanks. An existing key keeps its line
  // position; a new key goes after the last entry of its section; a new
  // section is appended at the end.
  void WriteString(const String& section, const String& key, const String& value);
  void WriteInteger(const String& section, const String& key, int value);
  // Removes every section of that name with all its lines.
  void EraseSection(const String& section);
  // Removes the key's lines from the (first) section of that name.
  void DeleteKey(const String& section, const String& key);

  bool Modified() const { return modified_; }
  // Writes the document to FileName through an atomic replace (UTF-8, LF).
  // Raises EIniFileError "Error file <name>" when the file cannot be written.
  void Save();
  // As Save, but returns false (and the reason in err) instead of raising.
  bool TrySave(String* err = nullptr);

 private:
  enum LineKind : uint8_t { lkOther, lkSection, lkEntry };
  struct Line {
    String text;      // as in the file, without the line break
    String fold;      // section or key name folded for comparison
    LineKind kind = lkOther;
  };
  // The lines before the first section header form block 0 (without a
  // header); every header starts a block holding its lines up to the next
  // header. Each block indexes its keys (first match wins) and the document
  // indexes the first block of every section name. A write changes one block
  // and keeps both indexes valid, so building a file key by key stays linear.
  struct Block {
    Line header;                                 // kind lkOther for block 0
    std::vector<Line> body;
    // fold -> body line; kept only for long sections (a short one is scanned)
    std::unordered_map<String, int> keys;
    int lastEntry = -1;                          // body line of the last entry
    static constexpr size_t ScanLimit = 24;
    int find(const String& fold) const;
    void added(int line);                         // an entry was inserted at line
    void reindex();
  };
  static Line parseLine(const String& text);
  void reindexSections();
  int findSection(const String& section) const;      // block or -1
  int findKey(int block, const String& key) const;   // body line or -1

  String fileName_;
  std::vector<Block> blocks_;
  std::unordered_map<String, int> firstSection_;   // fold -> block
  bool modified_ = false;
};

// Profile functions: each call sees the file as it is on disk. A parsed file
// is kept while its size, time and identity on disk stay the same, so a run
// of reads of one file parses it once.
// The entry's value, or def when the file, the section or the key is missing.
String GetPrivateProfileString(const String& section, const String& key, const String& def,
                               const String& fileName);
// Writes one entry, creating file, section and key as needed. Returns false
// (with the reason in err) when the file cannot be read or written; nothing
// on disk changes then.
bool WritePrivateProfileString(const String& section, const String& key, const String& value,
                               const String& fileName, String* err = nullptr);
// Names of the file's sections in file order; empty when the file is missing.
std::vector<String> GetPrivateProfileSectionNames(const String& fileName);
// Forgets every parsed file kept by the profile functions.
void FlushProfileCache();
