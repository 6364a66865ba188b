#include "console/TeamFile.h"

#include <sys/stat.h>

#include "platform/IniFile.h"
#include "toolkit/SafeFiles.h"

namespace {

const char* const NameSection = "Name";
// Player keys in the order they are written and read, with their grid column.
struct KeyColumn {
  const char* Key;
  TTeamColumn Column;
};
constexpr KeyColumn PlayerKeys[] = {{"Y", tcY}, {"F", tcF}, {"I", tcI}, {"B", tcB},
                                    {"R", tcR}, {"K", tcK}, {"A", tcA}, {"P", tcP}};

bool isCheckChar(char c) { return c == '+' || c == '1' || c == 'V' || c == 'Y' || c == 'v' || c == 'y'; }

String& field(TPlayerRec& p, TTeamColumn c) {
  switch (c) {
    case tcF: return p.F;
    case tcI: return p.I;
    case tcB: return p.B;
    case tcR: return p.R;
    case tcK: return p.K;
    case tcA: return p.A;
    default: return p.P;
  }
}

}  // namespace

bool TryCheckCellValue(const String& Text, int& Value) {
  const String t = Trim(Text);
  if (t.empty()) {
    Value = 0;
    return true;
  }
  // A number is its value ("10" and "014" are even: no tick), so display,
  // record and save agree; only other texts go by their first character.
  if (TryStrToInt(t, Value)) return true;
  if (isCheckChar(t[0]) || SameText(t, "true")) {
    Value = 1;
    return true;
  }
  return false;
}

bool IsCheckedText(const String& Text) {
  int v = 0;
  return TryCheckCellValue(Text, v) && (v & 1) != 0;
}

String TeamNameProblem(const String& Text, const String& What) {
  for (unsigned char c : Text) {
    if (c < 0x20 || c == 0x7F)
      return What + ": control characters are not allowed.";
    if (String("<>:\"/\\|?*").find(char(c)) != String::npos)
      return What + ": the characters < > : \" / \\ | ? * are not allowed.";
  }
  if (!Text.empty() && Text.front() == '.')
    return What + ": a dot at the beginning is not allowed (the library does not list such folders).";
  if (!Text.empty() && (Text.front() == ' ' || Text.back() == ' '))
    return What + ": blanks at the beginning or the end are not allowed.";
  return String();
}

String BuildTeamFileText(const TTeamHeader& Header, const std::vector<TTeamRow>& Rows) {
  // Every cell is checked before anything is built, so a bad cell costs
  // nothing already stored.
  std::vector<int> checks(Rows.size(), 0);
  for (size_t r = 0; r < Rows.size(); ++r) {
    const TTeamRow& row = Rows[r];
    if (row[tcNr].empty()) continue;
    int nr = 0;
    if (!TryStrToInt(row[tcNr], nr))
      throw ETeamFileError(Format("Row %d: '%s' is not a valid number.", {int(r + 1), row[tcNr]}));
    if (!TryCheckCellValue(row[tcY], checks[r]))
      throw ETeamFileError(Format("Row %d: '%s' is not a valid value of the column \"+\".", {int(r + 1), row[tcY]}));
  }
  TIniDocument doc;
  doc.WriteString(NameSection, "LName", Header.LName);
  doc.WriteString(NameSection, "SName", Header.SName);
  doc.WriteString(NameSection, "Town", Header.Town);
  doc.WriteString(NameSection, "Logo", Header.Logo);
  for (size_t r = 0; r < Rows.size(); ++r) {
    const TTeamRow& row = Rows[r];
    if (row[tcNr].empty()) continue;
    // A repeated number writes into the same section: the later row's keys win.
    for (const KeyColumn& k : PlayerKeys) {
      if (k.Column == tcY)
        doc.WriteInteger(row[tcNr], k.Key, checks[r]);
      else
        doc.WriteString(row[tcNr], k.Key, row[k.Column]);
    }
  }
  return doc.Text();
}

void WriteTeamFile(const String& FileName, const TTeamHeader& Header, const std::vector<TTeamRow>& Rows) {
  const String text = BuildTeamFileText(Header, Rows);
  const String target = ResolveFileName(FileName);
  if (!AtomicWriteFile(target, text)) throw ETeamFileError("Error file " + FileName);
}

TTeamFileData ReadTeamFile(const String& FileName) {
  TIniDocument doc(FileName);   // parsed once for all entries
  TTeamFileData d;
  d.Header.LName = doc.ReadString(NameSection, "LName", "");
  d.Header.SName = doc.ReadString(NameSection, "SName", "");
  d.Header.Town = doc.ReadString(NameSection, "Town", "");
  d.Header.Logo = doc.ReadString(NameSection, "Logo", "");
  for (int n = 1; n <= TeamPlayerCount; ++n) {
    const String section = IntToStr(n);
    const String surname = doc.ReadString(section, "F", "");
    if (surname.empty()) continue;
    TPlayerRec& p = d.Players[size_t(d.PlayerCount++)];
    TTeamRow row;
    row[tcNr] = section;
    p.Nr = n;
    for (const KeyColumn& k : PlayerKeys) {
      const String text = k.Column == tcF ? surname : doc.ReadString(section, k.Key, "");
      row[k.Column] = text;
      if (k.Column == tcY) {
        int y = 0;
        p.Y = TryCheckCellValue(text, y) ? y : 0;
      }
      else
        field(p, k.Column) = text;
    }
    d.Rows.push_back(std::move(row));
  }
  return d;
}

// ---------------------------------------------------------------------------
// Pictures

namespace {

// The largest picture file the console reads (as the picture loader's bound).
constexpr size_t MaxTeamPictureBytes = size_t(40000000) * 4 + (size_t(1) << 20);

bool isFullPath(const String& name) { return !name.empty() && (name[0] == '/' || name[0] == '\\'); }

// A folder as one text: absolute, lexically clean, with a trailing '/'.
String folderKey(const String& folder) { return IncludeTrailingPathDelimiter(ExpandFileName(folder)); }

// Any entry under that name: a file, a folder, a link (even a broken one).
bool entryExists(const String& path) {
  struct stat st {};
  return ::lstat(NormalizePath(path).c_str(), &st) == 0;
}

bool readPicture(const String& file, std::string& bytes) {
  try {
    bytes = ReadFileBytes(file, MaxTeamPictureBytes);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

String ChosenTeamPicture(const String& File, const String& TeamFolder) {
  const String file = ExpandFileName(File);
  if (!TeamFolder.empty() && folderKey(ExtractFilePath(file)) == folderKey(TeamFolder)) return ExtractFileName(file);
  return file;
}

String TeamPictureFile(const String& Name, const String& TeamFolder) {
  if (isFullPath(Name)) return NormalizePath(Name);
  if (Name.empty() || TeamFolder.empty()) return String();
  return IncludeTrailingPathDelimiter(TeamFolder) + Name;
}

String PlaceTeamPicture(const String& Name, const String& From, const String& Folder, std::vector<String>& Copied) {
  const String folder = IncludeTrailingPathDelimiter(Folder);
  // Already where the team file looks for it.
  if (!isFullPath(Name) && FileExists(ResolveFileName(folder + Name))) return Name;
  const String source = TeamPictureFile(Name, From);
  if (source.empty() || !FileExists(ResolveFileName(source))) return Name;   // nothing to copy: kept as named
  const String file = ResolveFileName(source);
  if (folderKey(ExtractFilePath(file)) == folderKey(folder)) return ExtractFileName(file);
  std::string bytes;
  if (!readPicture(file, bytes)) throw ETeamFileError("Error file " + file);
  // Its own name, or the first free one; a file of that name holding the
  // same picture is the picture.
  const String base = ChangeFileExt(ExtractFileName(file), ""), ext = ExtractFileExt(file);
  for (int n = 1;; ++n) {
    const String name = n == 1 ? base + ext : base + " (" + IntToStr(n) + ")" + ext;
    const String target = folder + name;
    if (entryExists(target)) {
      std::string there;
      if (FileExists(target) && readPicture(target, there) && there == bytes) return name;
      continue;
    }
    String why;
    if (!AtomicWriteFile(target, bytes, &why)) throw ETeamFileError("Error file " + target + ". " + why);
    Copied.push_back(target);
    return name;
  }
}

String SheetTeamPicture(const String& Cell, const String& SheetFolder, const String& TeamFolder) {
  const String name = Trim(Cell);
  if (name.empty()) return Cell;
  const String file = ResolveFileName(isFullPath(name) ? name : IncludeTrailingPathDelimiter(SheetFolder) + name);
  return FileExists(file) ? ChosenTeamPicture(file, TeamFolder) : Cell;
}
