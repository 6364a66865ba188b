#pragma once
// A folder on a file system of a few KB (a tmpfs mounted for the test), so
// that a save into it runs out of space. Mounting needs root's right to do
// so; without it Ok() is false and the test skips that case.
#include <sys/mount.h>

#include <filesystem>
#include <string>

class FullDisk {
 public:
  explicit FullDisk(const std::string& dir, int kb = 8) : dir_(dir) {
    std::filesystem::create_directories(dir);
    const std::string opts = "size=" + std::to_string(kb) + "k";
    ok_ = ::mount("tmpfs", dir.c_str(), "tmpfs", 0, opts.c_str()) == 0;
  }
  ~FullDisk() {
    if (ok_) ::umount2(dir_.c_str(), MNT_DETACH);
  }
  FullDisk(const FullDisk&) = delete;
  FullDisk& operator=(const FullDisk&) = delete;
  bool Ok() const { return ok_; }

 private:
  std::string dir_;
  bool ok_ = false;
};
