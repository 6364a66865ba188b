// tablo-sheet-reader: reads one spreadsheet (platform/SheetReader.h) or
// converts one metafile (platform/sheetreader/Metafiles.h) for the console
// in a process of its own. It ends without running exit handlers: whatever
// the libraries left behind goes with the process.
#include <unistd.h>

#include <cstring>

#include "platform/SheetReader.h"
#include "platform/sheetreader/Metafiles.h"

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "metafile") == 0) _exit(metafile::ConverterMain(argc, argv));
  _exit(sheet::ReaderMain(argc, argv));
}
