#include "platform/SheetReader.h"

#include <fcntl.h>
#include <freexl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <QIODevice>
#include <QXmlStreamReader>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

namespace sheet {
namespace {

constexpr char kMagic[] = "TABLO-SHEET 1\n";

[[noreturn]] void Fail(const std::string& reason) { throw SheetError(reason); }

bool Blank(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char ch) { return static_cast<unsigned char>(ch) <= ' '; });
}

void CheckCellSize(size_t n) {
  if (n > kMaxCellBytes) Fail("a cell holds more than " + std::to_string(kMaxCellBytes) + " bytes of text");
}

std::string NumberValue(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

// The cells of the rows the caller can use, gathered sparsely in any order.
// Rows read in ascending order let the reading end at the stop row.
class Collector {
 public:
  explicit Collector(const Bounds& b) : b_(b) {}

  bool Wanted(int row, int col) const {
    return col >= 0 && col < b_.Columns && row >= 0 && (row <= b_.MaxRows || b_.StopColumn < 0);
  }

  // Notes that reading reached this row; false once nothing from here on can
  // change what is imported (the rows come in order and the stop row, or the
  // row past the limit, lies behind).
  bool Reach(int row) {
    if (row < lastRow_) ascending_ = false;
    lastRow_ = std::max(lastRow_, row);
    if (!ascending_) return true;
    if (row > b_.MaxRows && b_.StopColumn >= 0) return false;
    return !(b_.StopColumn >= 0 && nextUnkeyed_ < row);
  }

  // A cell's value; `provisional` when its text is only known later (a
  // shared text): it counts as filled until then.
  void Add(int row, int col, Kind k, std::string value, bool provisional = false) {
    if (row > b_.MaxRows) {   // only without a stop rule: a row too many
      beyond_ = beyond_ || provisional || !Blank(value);
      return;
    }
    Cell& c = cells_[{row, col}];
    c = Cell{row, col, k, std::move(value)};
    if (col == b_.StopColumn && (provisional || !Blank(c.Value))) {
      keyed_.insert(row);
      while (keyed_.count(nextUnkeyed_)) ++nextUnkeyed_;
    }
  }

  std::map<std::pair<int, int>, Cell>& Cells() { return cells_; }

  // The rows up to the stop rule, refused when they are more than allowed.
  std::vector<Cell> Finish() {
    int rows = 0;
    if (b_.StopColumn >= 0) {
      while (rows <= b_.MaxRows) {
        auto it = cells_.find({rows, b_.StopColumn});
        if (it == cells_.end() || Blank(it->second.Value)) break;
        ++rows;
      }
    } else {
      for (const auto& [at, c] : cells_)
        if (!Blank(c.Value)) rows = std::max(rows, at.first + 1);
      if (beyond_) rows = b_.MaxRows + 1;
    }
    if (rows > b_.MaxRows) Fail("more than " + std::to_string(b_.MaxRows) + " rows to import");
    std::vector<Cell> out;
    size_t bytes = 0;
    for (auto& [at, c] : cells_) {
      if (at.first >= rows || c.Value.empty()) continue;
      bytes += c.Value.size();
      if (bytes > kMaxReplyTextBytes)
        Fail("the cells to import hold more than " + std::to_string(kMaxReplyTextBytes >> 20) + " MB of text");
      out.push_back(std::move(c));
    }
    return out;
  }

 private:
  Bounds b_;
  std::map<std::pair<int, int>, Cell> cells_;
  std::set<int> keyed_;
  int nextUnkeyed_ = 0;
  int lastRow_ = -1;
  bool ascending_ = true;
  bool beyond_ = false;
};

// ---------------------------------------------------------------- binary workbooks

struct XlsHandle {
  const void* h = nullptr;
  ~XlsHandle() {
    if (h) freexl_close(h);
  }
};

std::vector<Cell> ReadXls(const std::string& path, const Bounds& b) {
  // The library allocates the cells of every sheet as their size claims;
  // a claim beyond the reader's memory limit leaves it without a sheet.
  XlsHandle x;
  if (freexl_open(path.c_str(), &x.h) != FREEXL_OK) Fail("not a readable workbook");
  unsigned int sheets = 0;
  if (freexl_get_info(x.h, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK || sheets == 0)
    Fail("no worksheet that can be read");
  if (freexl_select_active_worksheet(x.h, 0) != FREEXL_OK) Fail("the first worksheet cannot be read");
  unsigned int rows = 0;
  unsigned short cols = 0;
  if (freexl_worksheet_dimensions(x.h, &rows, &cols) != FREEXL_OK) Fail("the sheet's size cannot be read");
  if (rows > 65536 || cols > 256 || (unsigned long long)rows * cols > kMaxBinaryCells)
    Fail("the first worksheet claims " + std::to_string(rows) + " rows and " + std::to_string(cols) +
         " columns, more than a workbook of this kind holds");
  Collector out(b);
  const int useCols = std::min<int>(cols, b.Columns);
  for (unsigned int r = 0; r < rows; ++r) {
    if (!out.Reach(int(std::min<unsigned int>(r, 1u << 30)))) break;
    for (int c = 0; c < useCols; ++c) {
      FreeXL_CellValue v{};
      if (freexl_get_cell_value(x.h, r, (unsigned short)c, &v) != FREEXL_OK) Fail("a cell cannot be read");
      const char* t = v.value.text_value ? v.value.text_value : "";
      switch (v.type) {
        case FREEXL_CELL_INT: out.Add(int(r), c, Kind::Number, std::to_string(v.value.int_value)); break;
        case FREEXL_CELL_DOUBLE: out.Add(int(r), c, Kind::Number, NumberValue(v.value.double_value)); break;
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
          CheckCellSize(std::strlen(t));
          out.Add(int(r), c, Kind::Text, t);
          break;
        case FREEXL_CELL_DATE: out.Add(int(r), c, Kind::IsoDate, std::string(t).substr(0, 32)); break;
        case FREEXL_CELL_DATETIME: out.Add(int(r), c, Kind::IsoDateTime, std::string(t).substr(0, 32)); break;
        case FREEXL_CELL_TIME: out.Add(int(r), c, Kind::IsoTime, std::string(t).substr(0, 32)); break;
        default: break;
      }
    }
  }
  return out.Finish();
}

// ---------------------------------------------------------------- zipped XML workbooks

// One member of the package as a device the XML reader pulls from: at most
// kMaxPartBytes are unpacked, never the whole member at once.
class ZipPart : public QIODevice {
 public:
  ZipPart(zip_t* z, const std::string& name) : name_(name) {
    f_ = zip_fopen(z, name.c_str(), 0);
    if (f_) open(QIODevice::ReadOnly);
  }
  ~ZipPart() override {
    if (f_) zip_fclose(f_);
  }
  bool Found() const { return f_ != nullptr; }
  const std::string& Name() const { return name_; }
  bool isSequential() const override { return true; }
  // After the XML reader stopped: raises when the part was the reason.
  void Check() const {
    if (tooLarge_)
      Fail(name_ + " is larger than " + std::to_string(kMaxPartBytes >> 20) + " MB unpacked");
    if (damaged_) Fail(name_ + " is damaged");
  }

 protected:
  qint64 readData(char* data, qint64 max) override {
    if (!f_ || tooLarge_ || damaged_) return -1;
    const zip_uint64_t room = kMaxPartBytes - total_ + 1;
    const zip_int64_t n = zip_fread(f_, data, std::min<zip_uint64_t>(zip_uint64_t(max), room));
    if (n < 0) {
      damaged_ = true;
      return -1;
    }
    total_ += size_t(n);
    if (total_ > kMaxPartBytes) {
      tooLarge_ = true;
      return -1;
    }
    return n;
  }
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  std::string name_;
  zip_file_t* f_ = nullptr;
  size_t total_ = 0;
  bool tooLarge_ = false, damaged_ = false;
};

struct ZipArchive {
  zip_t* z = nullptr;
  ~ZipArchive() {
    if (z) zip_discard(z);
  }
};

std::string Attr(const QXmlStreamReader& x, const char* name) {
  return x.attributes().value(name).toString().toStdString();
}

// "B12" -> column 1, row 11 (0-based); false when it is not a reference.
bool ParseRef(const std::string& ref, int& col, int& row) {
  size_t i = 0;
  long c = 0, r = 0;
  while (i < ref.size() && std::isalpha(static_cast<unsigned char>(ref[i]))) {
    c = c * 26 + (std::toupper(static_cast<unsigned char>(ref[i])) - 'A' + 1);
    if (c > 16384) return false;
    ++i;
  }
  if (i == 0 || i == ref.size()) return false;
  for (; i < ref.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(ref[i]))) return false;
    r = r * 10 + (ref[i] - '0');
    if (r > 1048576) return false;
  }
  if (r == 0) return false;
  col = int(c - 1);
  row = int(r - 1);
  return true;
}

// A row number attribute ("1" and up, at most the format's last row).
bool ParseRowNumber(const std::string& s, int& row) {
  if (s.empty() || s.size() > 7 || !std::all_of(s.begin(), s.end(), [](char ch) { return ch >= '0' && ch <= '9'; }))
    return false;
  const long r = std::strtol(s.c_str(), nullptr, 10);
  if (r < 1 || r > 1048576) return false;
  row = int(r - 1);
  return true;
}

// The text of an element's own content, bounded like a cell's.
std::string ElementText(QXmlStreamReader& x) {
  std::string s = x.readElementText(QXmlStreamReader::IncludeChildElements).toStdString();
  CheckCellSize(s.size());
  return s;
}

// The text of the current element and its runs (<t> inside <si> or <is>).
std::string InlineText(QXmlStreamReader& x) {
  std::string out;
  while (!x.atEnd()) {
    x.readNext();
    if (x.isStartElement() && x.name() == u"t") {
      out += ElementText(x);
      CheckCellSize(out.size());
    } else if (x.isStartElement()) {
      if (x.name() == u"rPh") x.skipCurrentElement();   // phonetic hints
    } else if (x.isEndElement() && (x.name() == u"si" || x.name() == u"is")) {
      break;
    }
  }
  return out;
}

// 0 none, 1 date, 2 time, 3 both, for a number format.
int FormatKind(int id, const std::map<int, std::string>& custom) {
  if (id >= 14 && id <= 17) return 1;
  if (id >= 18 && id <= 21) return 2;
  if (id == 22) return 3;
  if (id >= 45 && id <= 47) return 2;
  auto it = custom.find(id);
  if (it == custom.end()) return 0;
  bool date = false, time = false, quoted = false;
  const std::string& f = it->second;
  for (size_t i = 0; i < f.size(); ++i) {
    const char ch = char(std::tolower(static_cast<unsigned char>(f[i])));
    if (f[i] == '"') quoted = !quoted;
    if (quoted) continue;
    if (f[i] == '\\' || f[i] == '_') {
      ++i;
      continue;
    }
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

// The date kind of each style the kept cells use.
std::map<int, int> StyleKinds(zip_t* z, const std::set<int>& styles) {
  std::map<int, int> kinds;
  if (styles.empty()) return kinds;
  ZipPart part(z, "xl/styles.xml");
  if (!part.Found()) return kinds;
  std::map<int, std::string> custom;
  std::map<int, int> formatOf;   // style -> number format id
  QXmlStreamReader x(&part);
  bool inXfs = false;
  int xf = 0;
  const int last = *styles.rbegin();
  while (!x.atEnd()) {
    x.readNext();
    if (x.isStartElement()) {
      if (x.name() == u"numFmt") {
        if (custom.size() >= 4096) Fail("xl/styles.xml holds more than 4096 number formats");
        std::string code = Attr(x, "formatCode");
        CheckCellSize(code.size());
        custom[std::atoi(Attr(x, "numFmtId").c_str())] = std::move(code);
      } else if (x.name() == u"cellXfs") {
        inXfs = true;
      } else if (inXfs && x.name() == u"xf") {
        if (styles.count(xf)) formatOf[xf] = std::atoi(Attr(x, "numFmtId").c_str());
        if (++xf > last) break;
      }
    } else if (x.isEndElement() && x.name() == u"cellXfs") {
      break;
    }
  }
  part.Check();
  for (const auto& [style, id] : formatOf) kinds[style] = FormatKind(id, custom);
  return kinds;
}

std::vector<Cell> ReadXlsx(int fd, const Bounds& b) {
  ZipArchive zip;
  zip_error_t err;
  zip_error_init(&err);
  FILE* file = fdopen(fd, "rb");
  if (!file) ::close(fd);
  zip_source_t* src = file ? zip_source_filep_create(file, 0, -1, &err) : nullptr;
  if (file && !src) std::fclose(file);
  if (src) {
    zip.z = zip_open_from_source(src, ZIP_RDONLY, &err);
    if (!zip.z) zip_source_free(src);
  }
  zip_error_fini(&err);
  if (!zip.z) Fail("not a readable workbook package");

  auto required = [](const ZipPart& p) {
    if (!p.Found()) Fail("the package lacks " + p.Name());
  };
  // The first sheet of the workbook and the part it lives in.
  std::string sheetId;
  {
    ZipPart part(zip.z, "xl/workbook.xml");
    required(part);
    QXmlStreamReader x(&part);
    while (!x.atEnd() && sheetId.empty()) {
      x.readNext();
      if (x.isStartElement() && x.name() == u"sheet")
        for (const auto& a : x.attributes())
          if (a.name() == u"id") sheetId = a.value().toString().toStdString();
    }
    part.Check();
    if (x.hasError() && sheetId.empty()) Fail("the workbook part is damaged");
  }
  if (sheetId.empty()) Fail("no worksheet");
  std::string target;
  {
    ZipPart part(zip.z, "xl/_rels/workbook.xml.rels");
    required(part);
    QXmlStreamReader x(&part);
    while (!x.atEnd() && target.empty()) {
      x.readNext();
      if (x.isStartElement() && x.name() == u"Relationship" && Attr(x, "Id") == sheetId) target = Attr(x, "Target");
    }
    part.Check();
  }
  if (target.empty()) Fail("the first worksheet is not in the package");
  const std::string name = target[0] == '/' ? target.substr(1) : "xl/" + target;

  // The sheet: only the cells of the wanted rows and columns are kept;
  // shared texts and date styles are looked up afterwards for those alone.
  Collector out(b);
  std::map<std::pair<int, int>, long> sharedOf;    // cell -> shared text index
  std::map<std::pair<int, int>, int> styleOf;      // number cell -> style
  {
    ZipPart part(zip.z, name);
    required(part);
    QXmlStreamReader x(&part);
    int row = -1, col = 0;
    while (!x.atEnd()) {
      x.readNext();
      if (!x.isStartElement()) continue;
      if (x.name() == u"row") {
        const std::string r = Attr(x, "r");
        int at = row + 1;
        if (!r.empty() && !ParseRowNumber(r, at)) Fail("a row number is damaged");
        row = at;
        col = 0;
        if (!out.Reach(row)) break;
      } else if (x.name() == u"c") {
        int c = col, r = std::max(row, 0);
        const std::string ref = Attr(x, "r");
        if (!ref.empty() && !ParseRef(ref, c, r)) Fail("a cell reference is damaged");
        col = c + 1;
        if (!out.Wanted(r, c)) {
          x.skipCurrentElement();
          continue;
        }
        if (r != row && !out.Reach(r)) break;
        const std::string type = Attr(x, "t");
        const std::string styleText = Attr(x, "s");
        std::string value, text;
        bool inlineText = false;
        while (!x.atEnd()) {
          x.readNext();
          if (x.isStartElement() && x.name() == u"v") {
            value = ElementText(x);
          } else if (x.isStartElement() && x.name() == u"is") {
            text = InlineText(x);
            inlineText = true;
          } else if (x.isStartElement()) {
            x.skipCurrentElement();   // formulas and the like
          } else if (x.isEndElement() && x.name() == u"c") {
            break;
          }
        }
        if (type == "s") {
          char* end = nullptr;
          const long i = std::strtol(value.c_str(), &end, 10);
          if (value.empty() || *end || i < 0) Fail("a shared text is missing");
          if (size_t(i) >= kMaxSharedStrings)
            Fail("the shared text table has more than " + std::to_string(kMaxSharedStrings) + " entries");
          out.Add(r, c, Kind::Text, std::string(), true);
          if (r <= b.MaxRows) sharedOf[{r, c}] = i;
        } else if (type == "b") {
          out.Add(r, c, Kind::Text, value == "1" ? "1" : "0");
        } else if (type == "e") {
          out.Cells().erase({r, c});
        } else if (type == "str" || type == "inlineStr" || inlineText) {
          out.Add(r, c, Kind::Text, inlineText ? text : value);
        } else if (!value.empty()) {
          char* end = nullptr;
          const double v = std::strtod(value.c_str(), &end);
          if (end == value.c_str()) Fail("a number is damaged");
          out.Add(r, c, Kind::Number, NumberValue(v));
          if (!styleText.empty() && r <= b.MaxRows) styleOf[{r, c}] = std::clamp(std::atoi(styleText.c_str()), 0, 1 << 20);
        }
      }
    }
    part.Check();
    if (x.hasError()) Fail("the worksheet is damaged");
  }

  if (!sharedOf.empty()) {
    std::map<long, std::string> texts;
    for (const auto& [at, i] : sharedOf) texts[i];
    const long last = texts.rbegin()->first;
    ZipPart part(zip.z, "xl/sharedStrings.xml");
    if (part.Found()) {
      QXmlStreamReader x(&part);
      long i = 0;
      while (!x.atEnd() && i <= last) {
        x.readNext();
        if (!x.isStartElement() || x.name() != u"si") continue;
        auto it = texts.find(i++);
        if (it != texts.end())
          it->second = InlineText(x);
        else
          x.skipCurrentElement();
      }
      part.Check();
      if (i <= last) Fail("a shared text is missing");
    } else {
      Fail("a shared text is missing");
    }
    for (const auto& [at, i] : sharedOf) out.Cells()[at].Value = texts[i];
  }
  if (!styleOf.empty()) {
    std::set<int> styles;
    for (const auto& [at, s] : styleOf) styles.insert(s);
    const std::map<int, int> kinds = StyleKinds(zip.z, styles);
    for (const auto& [at, s] : styleOf) {
      auto k = kinds.find(s);
      if (k == kinds.end() || k->second == 0) continue;
      out.Cells()[at].What = k->second == 3 ? Kind::SerialDateTime : k->second == 2 ? Kind::SerialTime : Kind::SerialDate;
    }
  }
  return out.Finish();
}

bool ValidKind(char k) { return std::strchr("TNDHMdhm", k) != nullptr && k != '\0'; }

}  // namespace

std::vector<Cell> Read(const std::string& path, const Bounds& b) {
  // Opened once, without waiting on a pipe or device that bears the name;
  // both libraries read this very descriptor.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) Fail("cannot be opened");
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    Fail("not a regular file");
  }
  unsigned char head[8] = {};
  const ssize_t n = ::pread(fd, head, sizeof head, 0);
  static const unsigned char ole[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  if (n == 8 && std::equal(head, head + 8, ole)) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    try {
      auto cells = ReadXls(self, b);
      ::close(fd);
      return cells;
    } catch (...) {
      ::close(fd);
      throw;
    }
  }
  if (n >= 4 && head[0] == 'P' && head[1] == 'K' && head[2] == 3 && head[3] == 4) return ReadXlsx(fd, b);
  ::close(fd);
  Fail("not a spreadsheet");
}

std::string EncodeCells(const std::vector<Cell>& cells) {
  std::string out = kMagic;
  out += "CELLS " + std::to_string(cells.size()) + "\n";
  for (const Cell& c : cells) {
    out += std::to_string(c.Row) + " " + std::to_string(c.Col) + " " + char(c.What) + " " +
           std::to_string(c.Value.size()) + "\n";
    out += c.Value;
  }
  return out;
}

std::string EncodeError(const std::string& reason) {
  std::string r = reason.substr(0, 500);
  for (char& ch : r)
    if (static_cast<unsigned char>(ch) < ' ') ch = ' ';
  return std::string(kMagic) + "ERROR " + r + "\n";
}

bool Decode(const std::string& reply, const Bounds& b, Reply& out) {
  out = Reply{};
  const size_t magic = sizeof kMagic - 1;
  if (reply.compare(0, magic, kMagic) != 0) return false;
  size_t at = magic;
  auto line = [&](std::string& s) {
    const size_t nl = reply.find('\n', at);
    if (nl == std::string::npos || nl - at > 600) return false;
    s = reply.substr(at, nl - at);
    at = nl + 1;
    return true;
  };
  std::string head;
  if (!line(head)) return false;
  if (head.rfind("ERROR ", 0) == 0) {
    out.Refused = true;
    out.Reason = head.substr(6);
    return at == reply.size() && !out.Reason.empty();
  }
  // Whole non-negative numbers of at most nine digits.
  auto number = [](const std::string& s, long& v) {
    if (s.empty() || s.size() > 9 || !std::all_of(s.begin(), s.end(), [](char ch) { return ch >= '0' && ch <= '9'; }))
      return false;
    v = std::strtol(s.c_str(), nullptr, 10);
    return true;
  };
  long count = 0;
  if (head.rfind("CELLS ", 0) != 0 || !number(head.substr(6), count)) return false;
  if (count > long(b.Columns) * long(b.MaxRows)) return false;
  std::set<std::pair<int, int>> seen;
  for (long k = 0; k < count; ++k) {
    std::string l;
    if (!line(l)) return false;
    long r = 0, c = 0, len = 0;
    const size_t s1 = l.find(' '), s2 = l.find(' ', s1 + 1), s3 = l.find(' ', s2 + 1);
    if (s1 == std::string::npos || s2 == std::string::npos || s3 == std::string::npos || s3 != s2 + 2) return false;
    if (!number(l.substr(0, s1), r) || !number(l.substr(s1 + 1, s2 - s1 - 1), c) || !number(l.substr(s3 + 1), len))
      return false;
    const char kind = l[s2 + 1];
    if (r >= b.MaxRows || c >= b.Columns || !ValidKind(kind) || size_t(len) > kMaxCellBytes) return false;
    if (reply.size() - at < size_t(len) || !seen.insert({int(r), int(c)}).second) return false;
    out.Cells.push_back(Cell{int(r), int(c), Kind(kind), reply.substr(at, size_t(len))});
    at += size_t(len);
  }
  return at == reply.size();
}

int ReaderMain(int argc, char** argv) {
  if (argc != 5) {
    std::fputs("usage: tablo-sheet-reader <columns> <stop column> <max rows> <file>\n", stderr);
    return 2;
  }
  Bounds b;
  char* end = nullptr;
  b.Columns = int(std::strtol(argv[1], &end, 10));
  const bool okCols = *end == '\0' && b.Columns >= 1 && b.Columns <= kMaxColumns;
  b.StopColumn = int(std::strtol(argv[2], &end, 10));
  const bool okStop = *end == '\0' && b.StopColumn >= -1 && b.StopColumn < b.Columns;
  b.MaxRows = int(std::strtol(argv[3], &end, 10));
  const bool okRows = *end == '\0' && b.MaxRows >= 1 && b.MaxRows <= kMaxRows;
  if (!okCols || !okStop || !okRows) {
    std::fputs("tablo-sheet-reader: bounds out of range\n", stderr);
    return 2;
  }
  std::string reply;
  try {
    reply = EncodeCells(Read(argv[4], b));
  } catch (const SheetError& e) {
    reply = EncodeError(e.what());
  } catch (const std::bad_alloc&) {
    return 3;   // the memory limit: the console takes the file as unreadable
  }
  size_t done = 0;
  while (done < reply.size()) {
    const ssize_t n = ::write(1, reply.data() + done, reply.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return 4;
    done += size_t(n);
  }
  return 0;
}

}  // namespace sheet
