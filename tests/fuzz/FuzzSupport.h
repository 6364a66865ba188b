#pragma once
// Shared by the fuzz targets: a private folder for files and settings, and
// the one application object the widget-based targets need.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include "toolkit/SysUtils.h"

namespace fuzz {

// A folder of this process; XDG_CONFIG_HOME points into it.
inline const String& Folder() {
  struct Dir {
    String path;
    ~Dir() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    }
  };
  static const Dir dir = [] {
    char tmpl[] = "/tmp/tablo_fuzz_XXXXXX";
    const char* made = mkdtemp(tmpl);
    String d = made ? made : "/tmp";
    setenv("XDG_CONFIG_HOME", (d + "/cfg").c_str(), 1);
    return Dir{d + "/"};
  }();
  return dir.path;
}

inline String Bytes(const uint8_t* data, size_t size) { return String(reinterpret_cast<const char*>(data), size); }

// Writes the input as a file of that name in the folder; returns its path.
inline String AsFile(const String& name, const uint8_t* data, size_t size) {
  const String path = Folder() + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f) {
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  return path;
}

// A failed check: the process ends loudly, as libFuzzer expects.
#define FUZZ_CHECK(cond)                                                          \
  do {                                                                            \
    if (!(cond)) {                                                                \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                               \
    }                                                                             \
  } while (0)

}  // namespace fuzz
