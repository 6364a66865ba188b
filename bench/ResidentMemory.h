#pragma once
// The process's resident memory as the kernel counts it (/proc/self/status):
// now (VmRSS) and its peak since the last reset (VmHWM), in MB.
#include <fstream>
#include <string>

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
