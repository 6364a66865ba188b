#include "console/ListFileState.h"

#include "toolkit/SafeFiles.h"

bool TListFileState::readBytes(const String& File, std::string& Bytes) {
  try {
    Bytes = ReadFileBytes(File, MaxTextFileBytes);
    return true;
  } catch (const std::exception&) {
    Bytes.clear();
    return false;
  }
}

void TListFileState::Read(const String& File) {
  file_ = File;
  exists_ = readBytes(File, bytes_);
}

bool TListFileState::ChangedOnDisk() const {
  std::string now;
  const bool exists = readBytes(file_, now);
  return exists != exists_ || now != bytes_;
}

bool TListFileState::IsFile(const String& Path) const {
  return !file_.empty() && ExpandFileName(ResolveFileName(Path)) == ExpandFileName(ResolveFileName(file_));
}
