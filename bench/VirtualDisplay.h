#pragma once
// Benchmarks that need real windows: without a display the program runs
// itself again under xvfb-run (a virtual display), once.
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

// Returns only when a display is there; otherwise replaces the process (or
// returns false when xvfb-run cannot be started).
inline bool EnsureDisplay(int argc, char** argv) {
  if (std::getenv("DISPLAY") || std::getenv("TABLO_BENCH_UNDER_XVFB")) return true;
  setenv("TABLO_BENCH_UNDER_XVFB", "1", 1);
  std::vector<char*> args{const_cast<char*>("xvfb-run"), const_cast<char*>("-a"), const_cast<char*>("-s"),
                          const_cast<char*>("-screen 0 1280x1024x24")};
  for (int i = 0; i < argc; ++i) args.push_back(argv[i]);
  args.push_back(nullptr);
  execvp("xvfb-run", args.data());
  std::perror("xvfb-run");
  return false;
}
