#pragma once
// The processes this one started, and theirs (the browser engine runs its
// pages in processes of its own, started by a zygote of its own): how many
// there are of a given name, and the processor time they have used.
#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

struct TDescendants {
  int Count = 0;
  double CpuSeconds = 0;   // user and system time of those counted
};

// The descendants of this process whose name (as /proc shows it, at most 15
// characters) starts with Prefix; every descendant with an empty prefix.
inline TDescendants Descendants(const std::string& Prefix = "") {
  struct Proc {
    int ppid = 0;
    std::string name;
    double cpu = 0;
  };
  std::map<int, Proc> procs;
  const double tick = double(sysconf(_SC_CLK_TCK));
  if (DIR* d = opendir("/proc")) {
    while (dirent* e = readdir(d)) {
      const int pid = std::atoi(e->d_name);
      if (pid <= 0) continue;
      std::ifstream in("/proc/" + std::string(e->d_name) + "/stat");
      std::string line;
      if (!std::getline(in, line)) continue;
      // pid (name) state ppid ... utime (14) stime (15); the name may hold blanks.
      const size_t open = line.find('('), close = line.rfind(')');
      if (open == std::string::npos || close == std::string::npos) continue;
      Proc p;
      p.name = line.substr(open + 1, close - open - 1);
      std::istringstream rest(line.substr(close + 2));
      std::vector<std::string> f;
      for (std::string w; rest >> w;) f.push_back(w);
      if (f.size() < 13) continue;
      p.ppid = std::atoi(f[1].c_str());
      p.cpu = (std::atof(f[11].c_str()) + std::atof(f[12].c_str())) / tick;
      procs[pid] = p;
    }
    closedir(d);
  }
  TDescendants r;
  const int self = int(getpid());
  for (const auto& [pid, p] : procs) {
    bool below = false;
    for (int up = p.ppid, hops = 0; up > 0 && hops < 64; ++hops) {
      if (up == self) {
        below = true;
        break;
      }
      const auto it = procs.find(up);
      if (it == procs.end()) break;
      up = it->second.ppid;
    }
    if (!below || p.name.rfind(Prefix, 0) != 0) continue;
    ++r.Count;
    r.CpuSeconds += p.cpu;
  }
  return r;
}
