#include "platform/Spreadsheet.h"

#include <freexl.h>
#include <zip.h>

#include <QXmlStreamReader>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <set>

namespace {

[[noreturn]] void Fail(const String& file, const String& reason) {
  throw Exception("Error file " + file + ": " + reason);
}

// A number as the sheet shows it in the general format.
String NumberText(double v) {
  if (!std::isfinite(v)) return String();
  if (v == std::floor(v) && std::fabs(v) < 1e15) return IntToStr(int64_t(v));
  return FloatToStr(v);
}

// A date serial (days since 1899-12-30, as the toolkit counts) as text:
// date, time or both, by which parts it has.
String DateText(double serial, bool hasDate, bool hasTime) {
  const TDateTime d = serial;
  if (hasDate && hasTime) return DateTimeToStr(d);
  if (hasTime) return TimeToStr(d);
  return DateToStr(d);
}

void SetCell(TSheetRows& rows, size_t r, size_t c, String text) {
  if (rows.size() <= r) rows.resize(r + 1);
  if (rows[r].size() <= c) rows[r].resize(c + 1);
  rows[r][c] = std::move(text);
}

void Pad(TSheetRows& rows) {
  size_t width = 0;
  for (const auto& r : rows) width = std::max(width, r.size());
  for (auto& r : rows) r.resize(width);
}

// ---------------------------------------------------------------- binary workbooks

TSheetRows ReadXls(const String& file) {
  const void* h = nullptr;
  struct Closer {
    const void*& h;
    ~Closer() {
      if (h) freexl_close(h);
    }
  } closer{h};
  if (freexl_open(file.c_str(), &h) != FREEXL_OK) Fail(file, "not a readable workbook");
  unsigned int sheets = 0;
  if (freexl_get_info(h, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK || sheets == 0) Fail(file, "no worksheet");
  if (freexl_select_active_worksheet(h, 0) != FREEXL_OK) Fail(file, "the first worksheet cannot be read");
  unsigned int rowCount = 0;
  unsigned short colCount = 0;
  if (freexl_worksheet_dimensions(h, &rowCount, &colCount) != FREEXL_OK) Fail(file, "the sheet's size cannot be read");
  TSheetRows rows(rowCount, std::vector<String>(colCount));
  for (unsigned int r = 0; r < rowCount; ++r)
    for (unsigned short c = 0; c < colCount; ++c) {
      FreeXL_CellValue v{};
      if (freexl_get_cell_value(h, r, c, &v) != FREEXL_OK) Fail(file, "a cell cannot be read");
      String& out = rows[r][c];
      switch (v.type) {
        case FREEXL_CELL_INT: out = IntToStr(int64_t(v.value.int_value)); break;
        case FREEXL_CELL_DOUBLE: out = NumberText(v.value.double_value); break;
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT: out = v.value.text_value ? v.value.text_value : ""; break;
        case FREEXL_CELL_DATE:
        case FREEXL_CELL_DATETIME:
        case FREEXL_CELL_TIME: {
          // "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS" or "HH:MM:SS".
          int y = 0, mo = 0, d = 0, hh = 0, mi = 0, ss = 0;
          const char* t = v.value.text_value ? v.value.text_value : "";
          TDateTime dt = 0;
          if (v.type == FREEXL_CELL_TIME) {
            if (std::sscanf(t, "%d:%d:%d", &hh, &mi, &ss) == 3 && TryEncodeTime(hh, mi, ss, 0, dt)) out = TimeToStr(dt);
          } else if (std::sscanf(t, "%d-%d-%d %d:%d:%d", &y, &mo, &d, &hh, &mi, &ss) >= 3 &&
                     TryEncodeDate(y, mo, d, dt)) {
            TDateTime tm = 0;
            if (v.type == FREEXL_CELL_DATETIME && TryEncodeTime(hh, mi, ss, 0, tm))
              out = DateTimeToStr(dt + tm);
            else
              out = DateToStr(dt);
          }
          break;
        }
        default: break;
      }
    }
  return rows;
}

// ---------------------------------------------------------------- zipped XML workbooks

class Zip {
 public:
  explicit Zip(const String& file) : file_(file) {
    int err = 0;
    z_ = zip_open(file.c_str(), ZIP_RDONLY, &err);
    if (!z_) Fail(file, "not a readable workbook package");
  }
  ~Zip() {
    if (z_) zip_discard(z_);
  }
  // The member's bytes; empty when missing (required: raises).
  QByteArray Read(const String& name, bool required) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat(z_, name.c_str(), 0, &st) != 0) {
      if (required) Fail(file_, "the package lacks " + name);
      return {};
    }
    // Members are small XML parts; a huge one means a broken or hostile file.
    if (!(st.valid & ZIP_STAT_SIZE) || st.size > (512u << 20)) Fail(file_, name + " is too large");
    zip_file_t* f = zip_fopen(z_, name.c_str(), 0);
    if (!f) Fail(file_, name + " cannot be opened");
    QByteArray data(qsizetype(st.size), '\0');
    const zip_int64_t n = zip_fread(f, data.data(), st.size);
    zip_fclose(f);
    if (n != zip_int64_t(st.size)) Fail(file_, name + " is damaged");
    return data;
  }

 private:
  String file_;
  zip_t* z_ = nullptr;
};

String Attr(const QXmlStreamReader& x, const char* name) { return x.attributes().value(name).toString().toStdString(); }

// "B12" -> column 1, row 11 (0-based); false when it is not a reference.
bool ParseRef(const String& ref, size_t& col, size_t& row) {
  size_t i = 0, c = 0, r = 0;
  while (i < ref.size() && std::isalpha(static_cast<unsigned char>(ref[i]))) {
    c = c * 26 + size_t(std::toupper(static_cast<unsigned char>(ref[i])) - 'A' + 1);
    if (c > 16384) return false;
    ++i;
  }
  if (i == 0 || i == ref.size()) return false;
  for (; i < ref.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(ref[i]))) return false;
    r = r * 10 + size_t(ref[i] - '0');
    if (r > 1048576) return false;
  }
  if (r == 0) return false;
  col = c - 1;
  row = r - 1;
  return true;
}

// The text of the current element and its runs (<t> inside <si> or <is>).
String InlineText(QXmlStreamReader& x) {
  String out;
  const QString end = x.name().toString();
  while (!x.atEnd()) {
    x.readNext();
    if (x.isStartElement() && x.name() == u"t") out += x.readElementText().toStdString();
    else if (x.isStartElement() && x.name() == u"rPh") x.skipCurrentElement();   // phonetic hints
    else if (x.isEndElement() && x.name() == end) break;
  }
  return out;
}

// Which number formats show dates and times.
struct DateFormats {
  std::vector<int> styleFormat;   // cell style index -> number format id
  std::map<int, String> custom;   // number format id -> format code
  // 0 none, 1 date, 2 time, 3 both.
  int Kind(int style) const {
    if (style < 0 || size_t(style) >= styleFormat.size()) return 0;
    const int id = styleFormat[size_t(style)];
    if (id >= 14 && id <= 17) return 1;
    if (id >= 18 && id <= 21) return 2;
    if (id == 22) return 3;
    if (id >= 45 && id <= 47) return 2;
    auto it = custom.find(id);
    if (it == custom.end()) return 0;
    bool date = false, time = false, quoted = false;
    const String& f = it->second;
    for (size_t i = 0; i < f.size(); ++i) {
      const char ch = char(std::tolower(static_cast<unsigned char>(f[i])));
      if (f[i] == '"') quoted = !quoted;
      if (quoted) continue;
      if (f[i] == '\\' || f[i] == '_') { ++i; continue; }
      if (f[i] == '[') {   // colours and conditions
        while (i < f.size() && f[i] != ']') ++i;
        continue;
      }
      if (ch == 'd' || ch == 'y') date = true;
      if (ch == 'h' || ch == 's') time = true;
      if (ch == 'm') (time ? time : date) = true;
    }
    return (date ? 1 : 0) | (time ? 2 : 0);
  }
};

DateFormats ReadStyles(const QByteArray& xml) {
  DateFormats f;
  QXmlStreamReader x(xml);
  bool inXfs = false;
  while (!x.atEnd()) {
    x.readNext();
    if (x.isStartElement()) {
      if (x.name() == u"numFmt") f.custom[std::atoi(Attr(x, "numFmtId").c_str())] = Attr(x, "formatCode");
      else if (x.name() == u"cellXfs") inXfs = true;
      else if (inXfs && x.name() == u"xf") f.styleFormat.push_back(std::atoi(Attr(x, "numFmtId").c_str()));
    } else if (x.isEndElement() && x.name() == u"cellXfs") {
      inXfs = false;
    }
  }
  return f;
}

TSheetRows ReadXlsx(const String& file) {
  Zip zip(file);
  // The first sheet of the workbook and the part it lives in.
  String sheetId;
  {
    QXmlStreamReader x(zip.Read("xl/workbook.xml", true));
    while (!x.atEnd() && sheetId.empty()) {
      x.readNext();
      if (x.isStartElement() && x.name() == u"sheet")
        for (const auto& a : x.attributes())
          if (a.name() == u"id") sheetId = a.value().toString().toStdString();
    }
    if (x.hasError()) Fail(file, "the workbook part is damaged");
  }
  if (sheetId.empty()) Fail(file, "no worksheet");
  String target;
  {
    QXmlStreamReader x(zip.Read("xl/_rels/workbook.xml.rels", true));
    while (!x.atEnd() && target.empty()) {
      x.readNext();
      if (x.isStartElement() && x.name() == u"Relationship" && Attr(x, "Id") == sheetId) target = Attr(x, "Target");
    }
  }
  if (target.empty()) Fail(file, "the first worksheet is not in the package");
  const String part = target[0] == '/' ? target.substr(1) : "xl/" + target;

  std::vector<String> shared;
  {
    QXmlStreamReader x(zip.Read("xl/sharedStrings.xml", false));
    while (!x.atEnd()) {
      x.readNext();
      if (x.isStartElement() && x.name() == u"si") shared.push_back(InlineText(x));
    }
  }
  const DateFormats dates = ReadStyles(zip.Read("xl/styles.xml", false));

  TSheetRows rows;
  QXmlStreamReader x(zip.Read(part, true));
  size_t row = 0, col = 0;
  while (!x.atEnd()) {
    x.readNext();
    if (!x.isStartElement()) continue;
    if (x.name() == u"row") {
      const int r = std::atoi(Attr(x, "r").c_str());
      row = r > 0 ? size_t(r - 1) : row;
      col = 0;
      if (rows.size() <= row) rows.resize(row + 1);
    } else if (x.name() == u"c") {
      size_t c = col, r = row;
      const String ref = Attr(x, "r");
      if (!ref.empty() && !ParseRef(ref, c, r)) Fail(file, "a cell reference is damaged");
      const String type = Attr(x, "t");
      const String styleText = Attr(x, "s");
      const int style = styleText.empty() ? -1 : std::atoi(styleText.c_str());
      String value, text;
      bool inlineText = false;
      while (!x.atEnd()) {
        x.readNext();
        if (x.isStartElement() && x.name() == u"v") value = x.readElementText().toStdString();
        else if (x.isStartElement() && x.name() == u"is") { text = InlineText(x); inlineText = true; }
        else if (x.isEndElement() && x.name() == u"c") break;
      }
      if (type == "s") {
        const long i = std::strtol(value.c_str(), nullptr, 10);
        if (i < 0 || size_t(i) >= shared.size()) Fail(file, "a shared text is missing");
        text = shared[size_t(i)];
      } else if (type == "b") {
        text = value == "1" ? "1" : "0";
      } else if (type == "e") {
        text.clear();
      } else if (type == "str" || type == "inlineStr" || inlineText) {
        if (!inlineText) text = value;
      } else if (!value.empty()) {
        char* end = nullptr;
        const double v = std::strtod(value.c_str(), &end);
        if (end == value.c_str()) Fail(file, "a number is damaged");
        const int k = dates.Kind(style);
        text = k ? DateText(v, k & 1, k & 2) : NumberText(v);
      }
      SetCell(rows, r, c, std::move(text));
      col = c + 1;
    }
  }
  if (x.hasError()) Fail(file, "the worksheet is damaged");
  Pad(rows);
  return rows;
}

}  // namespace

TSheetRows ReadFirstWorksheet(const String& FileName) {
  std::FILE* f = std::fopen(FileName.c_str(), "rb");
  if (!f) Fail(FileName, "cannot be opened");
  unsigned char head[8] = {};
  const size_t n = std::fread(head, 1, sizeof head, f);
  std::fclose(f);
  static const unsigned char ole[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  if (n == 8 && std::equal(head, head + 8, ole)) return ReadXls(FileName);
  if (n >= 4 && head[0] == 'P' && head[1] == 'K' && head[2] == 3 && head[3] == 4) return ReadXlsx(FileName);
  Fail(FileName, "not a spreadsheet");
}
