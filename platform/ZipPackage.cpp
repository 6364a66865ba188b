// Members of a zip package (see the header).
#include "platform/ZipPackage.h"
#include <zip.h>

TZipPackage::TZipPackage(const String& File, TFail Fail) : fail_(std::move(Fail)) {
  int err = 0;
  z_ = zip_open(File.c_str(), ZIP_RDONLY, &err);
  if (!z_) fail_("not a readable package");
}

TZipPackage::~TZipPackage() {
  if (z_) zip_discard(z_);
}

QByteArray TZipPackage::Read(const String& Name, bool Required) {
  zip_stat_t st;
  zip_stat_init(&st);
  if (!z_ || zip_stat(z_, Name.c_str(), 0, &st) != 0) {
    if (Required) fail_("the package lacks " + Name);
    return {};
  }
  // Members are small XML parts; a huge one means a broken or hostile file.
  if (!(st.valid & ZIP_STAT_SIZE) || st.size > (512u << 20)) fail_(Name + " is too large");
  zip_file_t* f = zip_fopen(z_, Name.c_str(), 0);
  if (!f) fail_(Name + " cannot be opened");
  QByteArray data(qsizetype(st.size), '\0');
  const zip_int64_t n = zip_fread(f, data.data(), st.size);
  zip_fclose(f);
  if (n != zip_int64_t(st.size)) fail_(Name + " is damaged");
  return data;
}
