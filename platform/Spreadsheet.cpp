#include "platform/Spreadsheet.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/SheetReader.h"
#include "toolkit/ReaderProcess.h"

String TSpreadsheetReader::Program;
int TSpreadsheetReader::TimeLimitSeconds = 15;
int TSpreadsheetReader::MemoryLimitMegabytes = 512;

namespace {

bool g_reading = false;

[[noreturn]] void Fail(const String& file, const String& reason) {
  throw Exception("Error file " + file + ": " + reason);
}

// A number as the sheet shows it in the general format.
String NumberText(double v) {
  if (!std::isfinite(v)) return String();
  if (v == std::floor(v) && std::fabs(v) < 1e15) return IntToStr(int64_t(v));
  return FloatToStr(v);
}

// "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS" or "HH:MM:SS" as the toolkit shows it.
String IsoText(sheet::Kind k, const String& t) {
  int y = 0, mo = 0, d = 0, hh = 0, mi = 0, ss = 0;
  TDateTime dt = 0;
  if (k == sheet::Kind::IsoTime)
    return std::sscanf(t.c_str(), "%d:%d:%d", &hh, &mi, &ss) == 3 && TryEncodeTime(hh, mi, ss, 0, dt) ? TimeToStr(dt)
                                                                                                       : String();
  if (std::sscanf(t.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &hh, &mi, &ss) < 3 || !TryEncodeDate(y, mo, d, dt))
    return String();
  TDateTime tm = 0;
  if (k == sheet::Kind::IsoDateTime && TryEncodeTime(hh, mi, ss, 0, tm)) return DateTimeToStr(dt + tm);
  return DateToStr(dt);
}

String CellText(const sheet::Cell& c) {
  using sheet::Kind;
  switch (c.What) {
    case Kind::Text: return c.Value;
    case Kind::Number: return NumberText(std::strtod(c.Value.c_str(), nullptr));
    case Kind::SerialDate:
    case Kind::SerialTime:
    case Kind::SerialDateTime: {
      const double v = std::strtod(c.Value.c_str(), nullptr);
      if (!std::isfinite(v) || std::fabs(v) > 3e6) return String();   // beyond the calendar
      if (c.What == Kind::SerialDateTime) return DateTimeToStr(v);
      return c.What == Kind::SerialTime ? TimeToStr(v) : DateToStr(v);
    }
    default: return IsoText(c.What, c.Value);
  }
}

// Runs the reader on the file and answers its reply; an empty string when
// the reader crashed, ran out of time or memory, or said too much.
String RunReader(const String& file, const TSheetBounds& b, size_t maxReply) {
  TReaderRun run;
  run.Program = TSpreadsheetReader::Program.empty() ? DefaultReaderProgram() : TSpreadsheetReader::Program;
  run.Arguments = {IntToStr(b.Columns), IntToStr(b.StopColumn), IntToStr(b.MaxRows), file};
  run.TimeLimitMs = std::max(TSpreadsheetReader::TimeLimitSeconds, 1) * 1000;
  run.MemoryLimitMegabytes = TSpreadsheetReader::MemoryLimitMegabytes;
  run.MaxReplyBytes = maxReply;
  run.KeepInputOut = false;   // the import refuses a second one meanwhile
  std::string reply;
  const TReaderEnd end = RunReaderProcess(run, reply);
  if (end == TReaderEnd::NotStarted) Fail(file, "the spreadsheet reader " + run.Program + " cannot be started");
  return end == TReaderEnd::Replied ? reply : String();
}

}  // namespace

TSheetRows ReadFirstWorksheet(const String& FileName, const TSheetBounds& Bounds) {
  sheet::Bounds b;
  b.Columns = std::clamp(Bounds.Columns, 1, sheet::kMaxColumns);
  b.MaxRows = std::clamp(Bounds.MaxRows, 1, sheet::kMaxRows);
  b.StopColumn = Bounds.StopColumn >= 0 && Bounds.StopColumn < b.Columns ? Bounds.StopColumn : -1;
  if (g_reading) Fail(FileName, "another spreadsheet is being read");
  g_reading = true;
  String reply;
  try {
    reply = RunReader(FileName, TSheetBounds{b.Columns, b.StopColumn, b.MaxRows}, sheet::MaxReplyBytes(b.Columns, b.MaxRows));
  } catch (...) {
    g_reading = false;
    throw;
  }
  g_reading = false;
  sheet::Reply r;
  if (!sheet::Decode(reply, b, r)) Fail(FileName, "not a readable workbook");
  if (r.Refused) Fail(FileName, r.Reason);
  int rows = 0;
  for (const auto& c : r.Cells) rows = std::max(rows, c.Row + 1);
  TSheetRows out(size_t(rows), std::vector<String>(size_t(b.Columns)));
  for (const auto& c : r.Cells) out[size_t(c.Row)][size_t(c.Col)] = CellText(c);
  return out;
}
