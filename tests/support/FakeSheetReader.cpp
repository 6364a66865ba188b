// Stands in for tablo-sheet-reader in tests: the file's first word says how
// it fails (for a metafile, given on standard input: the word it holds).
// "crash" dies of a bad memory access after half a reply, "hang" never
// answers, "allocate" takes memory until it has 8 GB (and then answers that
// it was not limited), "talk" writes without end, "wait <fifo>" answers (a
// sheet of one player, a metafile's 8 x 8 picture) once the fifo's writer
// has come and gone.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string mode, fifo;
  std::string head = "TABLO-SHEET 1\nCELLS 1\n";
  const bool metafile = std::string(argv[1]) == "metafile";
  if (metafile) {
    const std::string in(std::istreambuf_iterator<char>(std::cin), {});
    for (const char* m : {"crash", "hang", "allocate", "talk"})
      if (in.find(m) != std::string::npos) mode = m;
    const size_t wait = in.find("wait ");
    if (wait != std::string::npos) {
      mode = "wait";
      fifo = in.substr(wait + 5, in.find_first_of(" \n", wait + 5) - wait - 5);
    }
    head = "TABLO-METAFILE 2\nSIZE 8 8\nPIXELS 256\n";
  } else {
    std::ifstream(argv[argc - 1]) >> mode >> fifo;
  }
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
    if (!metafile)
      std::fputs("TABLO-SHEET 1\nCELLS 2\n0 1 T 3\nNr.1 1 T 9\nunlimited", stdout);
    else
      std::fputs(("TABLO-METAFILE 2\nSIZE 8 8\nPIXELS 256\n" + std::string(256, 'u')).c_str(), stdout);
  } else if (mode == "wait") {
    std::ifstream in(fifo);
    std::string rest((std::istreambuf_iterator<char>(in)), {});
    if (metafile) {
      const std::string reply = "TABLO-METAFILE 2\nSIZE 8 8\nPIXELS 256\n" + std::string(256, '\x7f');
      std::fwrite(reply.data(), 1, reply.size(), stdout);
    } else {
      std::fputs("TABLO-SHEET 1\nCELLS 2\n0 1 T 3\nNr.1 1 T 1\n7", stdout);
    }
  } else if (mode == "talk") {
    std::fwrite(head.data(), 1, head.size(), stdout);
    const std::string line(4096, 'x');
    for (;;)
      if (std::fwrite(line.data(), 1, line.size(), stdout) != line.size()) return 1;
  }
  return 0;
}
