#pragma once
// A recording stand-in for the presentation program's automation object:
// every member used is written to Log ("get A.B", "set A.B=v",
// "call A.B(x,y)") in order; reads answer from Values (a chain not there
// fails, as a member of an object that does not exist does); a chain in
// Failing fails; a set of a chain that is in Values changes its answer. The
// version answers "16.0" until Quit.
#include <map>
#include <set>
#include "platform/office/Automation.h"

class FakeAutomation : public IAutomationObject {
 public:
  std::vector<String> Log;
  std::map<String, OleValue> Values;   // keys in lower case
  std::set<String> Failing;            // keys in lower case
  std::function<void(const String& Key, const std::vector<OleValue>& Args)> OnCall;
  // After Quit the version reads empty, unless the program keeps answering.
  bool AnswersAfterQuit = false;

  FakeAutomation() { Answer("version", String("16.0")); }

  static String Key(const String& chain) { return LowerCase(chain); }
  void Answer(const String& chain, const OleValue& v) { Values[Key(chain)] = v; }
  void Forget(const String& chain) { Values.erase(Key(chain)); }
  void Fail(const String& chain) { Failing.insert(Key(chain)); }
  bool Logged(const String& entry) const { return std::find(Log.begin(), Log.end(), entry) != Log.end(); }

  OleValue Get(const String& Chain) override {
    Log.push_back("get " + Chain);
    const String k = Key(Chain);
    auto it = Values.find(k);
    if (Failing.count(k) || it == Values.end()) throw EOleError("fake: " + Chain + " fails");
    return it->second;
  }
  void Set(const String& Chain, const OleValue& Value) override {
    Log.push_back("set " + Chain + "=" + OleToStr(Value));
    const String k = Key(Chain);
    if (Failing.count(k)) throw EOleError("fake: " + Chain + " fails");
    if (Values.count(k)) Values[k] = Value;
  }
  OleValue Call(const String& Chain, const std::vector<OleValue>& Args) override {
    String a;
    for (size_t i = 0; i < Args.size(); ++i) a += (i ? "," : "") + OleToStr(Args[i]);
    Log.push_back("call " + Chain + "(" + a + ")");
    const String k = Key(Chain);
    if (Failing.count(k)) throw EOleError("fake: " + Chain + " fails");
    if (k == "quit" && !AnswersAfterQuit) Answer("version", String());
    if (OnCall) OnCall(k, Args);
    return {};
  }
};

// Hands the fake out for "PowerPoint.Application" while it lives.
struct FakeAutomationScope {
  std::shared_ptr<FakeAutomation> fake = std::make_shared<FakeAutomation>();
  int created = 0;
  FakeAutomationScope() {
    AutomationFactoryHook = [this](const String& name) -> AutomationObjectPtr {
      if (!SameText(name, "PowerPoint.Application")) return nullptr;
      ++created;
      return fake;
    };
  }
  ~FakeAutomationScope() { AutomationFactoryHook = nullptr; }
};
