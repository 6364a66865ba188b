#pragma once
// The process's resident memory as the kernel counts it (/proc/self/status):
// now (VmRSS) and its peak since the last reset (VmHWM), in MB; and the
// memory of the whole tree of processes the program started (the browser
// engine's helpers among them) holds of its own.
#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

inline double StatusMb(const char* field) {
  std::ifstream in("/proc/self/status");
  const std::string key = field;
  for (std::string line; std::getline(in, line);)
    if (line.rfind(key, 0) == 0) return std::stod(line.substr(key.size())) / 1024.0;
  return 0;
}
inline double ResidentMb() { return StatusMb("VmRSS:"); }
inline double PeakResidentMb() { return StatusMb("VmHWM:"); }
// Starts the peak anew from what is resident now.
inline void ResetPeakResident() { std::ofstream("/proc/self/clear_refs") << "5"; }

// The program and every process below it (children, their children, ...).
inline std::vector<int> ProcessTree() {
  std::map<int, std::vector<int>> children;
  if (DIR* d = opendir("/proc")) {
    while (dirent* e = readdir(d)) {
      const int pid = std::atoi(e->d_name);
      if (pid <= 0) continue;
      std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
      std::string line;
      std::getline(stat, line);
      const size_t close = line.rfind(')');
      if (close == std::string::npos || close + 4 >= line.size()) continue;
      children[std::atoi(line.c_str() + close + 4)].push_back(pid);   // ") S ppid"
    }
    closedir(d);
  }
  std::vector<int> tree{int(getpid())};
  for (size_t i = 0; i < tree.size(); ++i)
    for (int c : children[tree[i]]) tree.push_back(c);
  return tree;
}
// The memory the program's whole tree of processes holds of its own: each
// process's anonymous and shared-memory pages, a page shared among several
// of them split among those (PSS_Anon + PSS_Shmem; only the tree's own
// processes share such pages, so other programs on the machine, which share
// the libraries' pages, do not move the figure), in MB.
inline double TreeOwnMb(int* Processes = nullptr) {
  double kb = 0;
  const std::vector<int> tree = ProcessTree();
  for (int pid : tree) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/smaps_rollup");
    for (std::string key; in >> key;)
      if (key == "Pss_Anon:" || key == "Pss_Shmem:") {
        double v = 0;
        in >> v;
        kb += v;
      }
  }
  if (Processes) *Processes = int(tree.size());
  return kb / 1024.0;
}
