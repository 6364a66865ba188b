// Members of a zip package (see the header).
#include "platform/ZipPackage.h"
#include <zip.h>
#include <algorithm>
#include <memory>

TZipPackage::TZipPackage(const String& File, TFail Fail) : fail_(std::move(Fail)) {
  int err = 0;
  z_ = zip_open(File.c_str(), ZIP_RDONLY, &err);
  if (!z_) fail_("not a readable package");
}

TZipPackage::~TZipPackage() {
  if (z_) zip_discard(z_);
}

TZipRead TZipPackage::Read(const String& Name, bool Required, uint64_t MaxBytes, const TTake& Take) {
  zip_stat_t st;
  zip_stat_init(&st);
  if (!z_ || zip_stat(z_, Name.c_str(), 0, &st) != 0) {
    if (Required) fail_("the package lacks " + Name);
    return TZipRead::Missing;
  }
  zip_file_t* f = zip_fopen(z_, Name.c_str(), 0);
  if (!f) fail_(Name + " cannot be opened");
  // Closed however the reading ends (Take and Fail may throw).
  const std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> closer(f, zip_fclose);
  constexpr size_t kPiece = 64 * 1024;
  const auto buffer = std::make_unique<char[]>(kPiece);
  uint64_t taken = 0;
  for (;;) {
    // One byte past the bound tells a member of exactly MaxBytes from a longer one.
    const uint64_t left = MaxBytes - taken;
    const zip_int64_t n = zip_fread(f, buffer.get(), left < kPiece ? left + 1 : kPiece);
    if (n < 0) fail_(Name + " is damaged");
    if (n == 0) return TZipRead::Whole;
    const uint64_t use = std::min<uint64_t>(uint64_t(n), MaxBytes - taken);
    if (use > 0 && !Take(buffer.get(), size_t(use))) return TZipRead::Stopped;
    taken += use;
    if (use < uint64_t(n)) return TZipRead::Bounded;
  }
}
