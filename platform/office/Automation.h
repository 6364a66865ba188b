#pragma once
// Late-bound automation: an application object reached by its program name,
// whose members are addressed as dotted chains ("ActivePresentation.Name")
// and take small variant values. Member names match without regard to case.
// A failing member raises EOleError; callers that must not raise guard it.
//
// CreateOleObject("PowerPoint.Application") gives the presentation program
// of this system (the office suite's converter and our own show window); a
// test installs AutomationFactoryHook to hand out a recording object instead.
#include <functional>
#include <memory>
#include <variant>
#include <vector>
#include "toolkit/SysUtils.h"

TK_EXCEPTION(EOleError, Exception)

// Empty, an integer (Booleans are -1 and 0) or a text.
using OleValue = std::variant<std::monostate, int, String>;

inline constexpr int OleTrue = -1;
inline constexpr int OleFalse = 0;
inline int OleBool(bool b) { return b ? OleTrue : OleFalse; }
// The value as an integer (a text is parsed); EOleError when it is none.
int OleToInt(const OleValue& v);
// The value as text (an integer in decimal, empty as "").
String OleToStr(const OleValue& v);

// One automation object.
class IAutomationObject {
 public:
  virtual ~IAutomationObject() = default;
  // Reads the property at the end of Chain.
  virtual OleValue Get(const String& Chain) = 0;
  // Assigns the property at the end of Chain.
  virtual void Set(const String& Chain, const OleValue& Value) = 0;
  // Calls the method at the end of Chain.
  virtual OleValue Call(const String& Chain, const std::vector<OleValue>& Args = {}) = 0;
};

using AutomationObjectPtr = std::shared_ptr<IAutomationObject>;

// The application object of a program name; EOleError "Invalid class string"
// for a name no program answers to.
AutomationObjectPtr CreateOleObject(const String& ClassName);
// Test hook: when set, CreateOleObject asks it (a null result raises as an
// unknown name does).
extern std::function<AutomationObjectPtr(const String& ClassName)> AutomationFactoryHook;

// Splits "A.B.C" into its members.
std::vector<String> SplitChain(const String& Chain);
