#pragma once
// Reading the members of a zip package in the console (presentations).
// Failures are reported through the caller's Fail, which must not return,
// so each reader raises its own error with its own words.
#include <QByteArray>
#include <functional>
#include "toolkit/SysUtils.h"

struct zip;

class TZipPackage {
 public:
  using TFail = std::function<void(const String& Reason)>;
  // Opens File; Fail("not a readable package") when it cannot.
  TZipPackage(const String& File, TFail Fail);
  ~TZipPackage();
  TZipPackage(const TZipPackage&) = delete;
  TZipPackage& operator=(const TZipPackage&) = delete;
  // The member's bytes; empty when it is missing (Fail when Required). A
  // member over 512 MB, or one that cannot be read whole, fails.
  QByteArray Read(const String& Name, bool Required);
 private:
  TFail fail_;
  struct zip* z_ = nullptr;
};
