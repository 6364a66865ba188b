// tablo-sheet-reader: reads one spreadsheet for the console in a process of
// its own (see platform/SheetReader.h). It ends without running exit
// handlers: whatever the libraries left behind goes with the process.
#include <unistd.h>

#include "platform/SheetReader.h"

int main(int argc, char** argv) { _exit(sheet::ReaderMain(argc, argv)); }
