#pragma once
// Reading the members of a zip package in the console (presentations).
// Failures are reported through the caller's Fail, which must not return,
// so each reader raises its own error with its own words.
//
// Members are inflated piece by piece and never held whole: a package of a
// megabyte may hold members of gigabytes (a zip bomb), so each reader says
// how much of a member it takes at most.
#include <cstddef>
#include <cstdint>
#include <functional>
#include "toolkit/SysUtils.h"

struct zip;

// How the reading of a member ended.
enum class TZipRead {
  Missing,   // no such member (and it was not required)
  Whole,     // every byte was handed over
  Stopped,   // the taker wanted no more
  Bounded,   // the member holds more than the bound: the rest was not read
};

class TZipPackage {
 public:
  using TFail = std::function<void(const String& Reason)>;
  // Takes the next piece of a member; false: no more is wanted.
  using TTake = std::function<bool(const char* Data, size_t Size)>;
  // Opens File; Fail("not a readable package") when it cannot.
  TZipPackage(const String& File, TFail Fail);
  ~TZipPackage();
  TZipPackage(const TZipPackage&) = delete;
  TZipPackage& operator=(const TZipPackage&) = delete;
  // Hands the member's bytes to Take in pieces of at most 64 KB, no more
  // than MaxBytes in all. A missing member fails when Required; one that
  // cannot be inflated fails ("is damaged").
  TZipRead Read(const String& Name, bool Required, uint64_t MaxBytes, const TTake& Take);
 private:
  TFail fail_;
  struct zip* z_ = nullptr;
};
