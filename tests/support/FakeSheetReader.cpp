// Stands in for tablo-sheet-reader in tests: the file's first word says how
// it fails. "crash" dies of a bad memory access after half a reply, "hang"
// never answers, "allocate" takes memory until it has 8 GB (and then answers
// that it was not limited), "talk" writes without end.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string mode;
  std::ifstream(argv[argc - 1]) >> mode;
  const std::string head = "TABLO-SHEET 1\nCELLS 1\n";
  if (mode == "crash") {
    std::fwrite(head.data(), 1, head.size(), stdout);
    std::fflush(stdout);
    std::raise(SIGSEGV);
  } else if (mode == "hang") {
    for (;;) pause();
  } else if (mode == "allocate") {
    std::vector<char*> blocks;
    for (int i = 0; i < 128; ++i) {
      char* p = new char[64u << 20];
      std::memset(p, 1, 64u << 20);
      blocks.push_back(p);
    }
    std::fputs("TABLO-SHEET 1\nCELLS 2\n0 1 T 3\nNr.1 1 T 9\nunlimited", stdout);
  } else if (mode == "talk") {
    std::fwrite(head.data(), 1, head.size(), stdout);
    const std::string line(4096, 'x');
    for (;;)
      if (std::fwrite(line.data(), 1, line.size(), stdout) != line.size()) return 1;
  }
  return 0;
}
