// Spreadsheets: any bytes read as a zipped workbook by the reader's own code
// (in this process) give cells within the bounds or a refusal; any bytes as
// the reader's reply decode within the bounds or are rejected; binary
// workbooks go the whole way through the reader process, whose crashes and
// limits become a refusal. Rows never pass the line-up's bounds.
#include <QCoreApplication>
#include <cstring>
#include "platform/SheetReader.h"
#include "platform/Spreadsheet.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {
const sheet::Bounds kLineup{5, 1, 1000};
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  static QCoreApplication app(*argc, *argv);   // the reader process is started through Qt
  TSpreadsheetReader::Program = TABLO_SHEET_READER;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const String bytes = fuzz::Bytes(data, size);
  sheet::Reply reply;
  if (sheet::Decode(bytes, kLineup, reply))
    for (const sheet::Cell& c : reply.Cells)
      FUZZ_CHECK(c.Row < kLineup.MaxRows && c.Col < kLineup.Columns && c.Value.size() <= sheet::kMaxCellBytes);

  static const char ole[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
  const bool binary = size >= 8 && std::memcmp(data, ole, 8) == 0;
  const String file = fuzz::AsFile(binary ? "s.xls" : "s.xlsx", data, size);
  if (!binary) {
    // The binary-workbook library is left to the reader process: it crashes
    // on damaged files, which is why that process exists.
    try {
      const auto cells = sheet::Read(file, kLineup);
      for (const sheet::Cell& c : cells)
        FUZZ_CHECK(c.Row < kLineup.MaxRows && c.Col < kLineup.Columns && c.Value.size() <= sheet::kMaxCellBytes);
      FUZZ_CHECK(sheet::Decode(sheet::EncodeCells(cells), kLineup, reply) && reply.Cells.size() == cells.size());
    } catch (const sheet::SheetError&) {
    }
    return 0;
  }
  try {
    const TSheetRows rows = ReadFirstWorksheet(file, TSheetBounds{5, 1, 1000});
    FUZZ_CHECK(rows.size() <= 1000);
    for (const auto& r : rows) FUZZ_CHECK(r.size() == 5);
  } catch (const Exception&) {
  }
  return 0;
}
