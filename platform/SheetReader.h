#pragma once
// The part of the spreadsheet reader that touches the file: it runs in the
// reader process (platform/sheetreader/), never in the console, because the
// binary-workbook library can crash, hang or allocate without end on a
// damaged file. It depends on Qt Core, FreeXL and libzip only (no toolkit).
//
// What is read is bounded by what the caller can use: the first `Columns`
// columns, the rows up to the first one whose `StopColumn` cell is empty
// (blank after trimming) and at most `MaxRows` of them; every part of a
// zipped workbook is read to at most `kMaxPartBytes` unpacked, and cells are
// kept sparse (only those that hold something). Anything beyond is refused
// with a reason (a `SheetError`), never allocated.
//
// The reader process hands its cells to the console over a pipe as text:
// "TABLO-SHEET 1\n" then either "ERROR <reason>\n" or "CELLS <count>\n"
// followed by one "<row> <col> <kind> <bytes>\n<value>" per cell.
#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace sheet {

// Hard limits of the reader, whatever the caller asks for.
constexpr int kMaxColumns = 64;
constexpr int kMaxRows = 10000;
constexpr size_t kMaxCellBytes = 4096;               // a cell's text
constexpr size_t kMaxPartBytes = 32u << 20;          // one unpacked part of a zipped workbook
constexpr size_t kMaxSharedStrings = 1u << 20;       // entries of the shared text table
constexpr unsigned long long kMaxBinaryCells = 4u << 20;   // rows x columns a binary sheet declares
constexpr size_t kMaxReplyTextBytes = 8u << 20;     // all cells of one reply together
// The most a reply can hold: all its text, a header line per cell and its own.
constexpr size_t MaxReplyBytes(int columns, int rows) {
  return 1024 + kMaxReplyTextBytes + size_t(columns) * size_t(rows) * 48;
}

struct Bounds {
  int Columns = 5;
  int StopColumn = -1;   // -1: no stop rule, the sheet's last row ends it
  int MaxRows = 1000;
};

// How a cell's value is to be shown. Numbers and serials travel as text in
// C's "%.17g"; binary-workbook dates as "YYYY-MM-DD", "HH:MM:SS" or both.
enum class Kind : char {
  Text = 'T',
  Number = 'N',
  SerialDate = 'D',
  SerialTime = 'H',
  SerialDateTime = 'M',
  IsoDate = 'd',
  IsoTime = 'h',
  IsoDateTime = 'm',
};

struct Cell {
  int Row = 0, Col = 0;
  Kind What = Kind::Text;
  std::string Value;
};

class SheetError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the first worksheet (in workbook order) of a ".xls" or ".xlsx" file,
// recognised by its first bytes. Raises SheetError with the reason.
std::vector<Cell> Read(const std::string& path, const Bounds& b);

std::string EncodeCells(const std::vector<Cell>& cells);
std::string EncodeError(const std::string& reason);

// A reply as the console takes it: ok with the cells, or the reader's reason
// for refusing. False when the reply is not one the reader writes within the
// bounds (a cell outside them, a cut or overlong reply).
struct Reply {
  bool Refused = false;
  std::string Reason;
  std::vector<Cell> Cells;
};
bool Decode(const std::string& reply, const Bounds& b, Reply& out);

// Runs the reader as its process: arguments "<columns> <stop column>
// <max rows> <file>", the reply on standard output. Answers the exit code.
int ReaderMain(int argc, char** argv);

}  // namespace sheet
