// Diagnostics through Qt's logging categories (see the header).
#include "toolkit/Log.h"
#include <QLoggingCategory>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace {

// One category object a name for the whole run (a category keeps the
// pointer to its name). Notes are info messages, below the warning level the
// categories start from, so they are off until a rule enables them.
const QLoggingCategory& category(const char* name) {
  static std::mutex m;
  static std::map<std::string, std::unique_ptr<QLoggingCategory>> categories;
  std::lock_guard<std::mutex> g(m);
  auto it = categories.find(name);
  if (it == categories.end()) {
    it = categories.emplace(name, nullptr).first;
    it->second = std::make_unique<QLoggingCategory>(it->first.c_str(), QtWarningMsg);
  }
  return *it->second;
}

}  // namespace

void LogNote(const char* Category, const String& Text) {
  const QLoggingCategory& c = category(Category);
  if (c.isInfoEnabled()) QMessageLogger(nullptr, 0, nullptr, c.categoryName()).info("%s", Text.c_str());
}

void LogFailure(const char* Category, const String& Text) {
  const QLoggingCategory& c = category(Category);
  if (c.isWarningEnabled()) QMessageLogger(nullptr, 0, nullptr, c.categoryName()).warning("%s", Text.c_str());
}

bool LogNotesOn(const char* Category) { return category(Category).isInfoEnabled(); }
