// Late-bound automation: program names, values and member chains.
#include "platform/office/Automation.h"
#include "platform/office/PresentationApp.h"

std::function<AutomationObjectPtr(const String&)> AutomationFactoryHook;

int OleToInt(const OleValue& v) {
  if (const int* i = std::get_if<int>(&v)) return *i;
  if (const String* s = std::get_if<String>(&v)) {
    int r = 0;
    if (TryStrToInt(Trim(*s), r)) return r;
  }
  throw EOleError("Type mismatch");
}

String OleToStr(const OleValue& v) {
  if (const int* i = std::get_if<int>(&v)) return IntToStr(*i);
  if (const String* s = std::get_if<String>(&v)) return *s;
  return String();
}

std::vector<String> SplitChain(const String& Chain) {
  std::vector<String> out;
  size_t start = 0;
  for (size_t i = 0; i <= Chain.size(); ++i) {
    if (i == Chain.size() || Chain[i] == '.') {
      out.push_back(Trim(Chain.substr(start, i - start)));
      start = i + 1;
    }
  }
  return out;
}

AutomationObjectPtr CreateOleObject(const String& ClassName) {
  AutomationObjectPtr obj;
  if (AutomationFactoryHook) {
    obj = AutomationFactoryHook(ClassName);
  } else if (SameText(ClassName, "PowerPoint.Application")) {
    obj = std::make_shared<TPresentationApp>();
  }
  if (!obj) throw EOleError("Invalid class string");
  return obj;
}
