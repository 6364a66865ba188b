#pragma once
// A main window over a temporary data folder and a temporary settings store,
// with the message boxes answered by the test.
#include <gtest/gtest.h>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <vector>
#include "console/FMain.h"
#include "platform/office/OfficeConverter.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Forms.h"
#include "toolkit/Registry.h"

class ConsoleFixture : public ::testing::Test {
 protected:
  static constexpr const char* ExeName = "tablo_test";

  void SetUp() override {
    char tmpl[] = "/tmp/console_test_XXXXXX";
    root_ = mkdtemp(tmpl);
    app_ = root_ + "/app/";
    std::filesystem::create_directories(app_);
    for (const char* d : {"Teams", "Texts", "Pics", "Views"}) std::filesystem::create_directories(app_ + d);
    const char* old = std::getenv("XDG_CONFIG_HOME");
    hadXdg_ = old != nullptr;
    if (old) oldXdg_ = old;
    setenv("XDG_CONFIG_HOME", (root_ + "/cfg").c_str(), 1);
    // The office suite's cache of its own (a console sweeps it at start).
    TOfficeConverter::SetCacheFolder(root_ + "/office/");
    MessageDlgHook = [this](const TMsgDlgRequest& r) {
      requests_.push_back(r);
      return answer_;
    };
  }

  void TearDown() override {
    if (form_) Destroy();
    MessageDlgHook = nullptr;
    TOfficeConverter::SetCacheFolder("");
    if (hadXdg_)
      setenv("XDG_CONFIG_HOME", oldXdg_.c_str(), 1);
    else
      unsetenv("XDG_CONFIG_HOME");
    std::filesystem::remove_all(root_);
  }

  // A new main window: construction and its creation handler.
  TFormMain* Create() {
    EXPECT_EQ(form_, nullptr);
    form_ = new TFormMain(nullptr, TFormMainEnvironment{app_, ExeName});
    form_->AfterConstruction();
    return form_;
  }
  // Frees the window: its destroy handler (which saves) and the destructors.
  void Destroy() {
    Free(form_);
    form_ = nullptr;
  }
  // Creates and frees a window once, leaving a settings key with every value.
  void WriteFullKey() {
    Create();
    Destroy();
  }

  bool StoreExists() const { return std::filesystem::exists(TRegistry::StoreFileName()); }

  // Every value of the settings key as "type:value".
  std::map<String, String> DumpKey() {
    std::map<String, String> out;
    TRegistry reg;
    if (!reg.OpenKey(SettingsKeyFor(ExeName), false)) return out;
    TStringList names;
    reg.GetValueNames(&names);
    for (int i = 0; i < names.Count(); ++i) {
      const String n = names[i];
      switch (reg.GetDataType(n)) {
        case rdInteger: out[n] = "int:" + IntToStr(reg.ReadInteger(n)); break;
        case rdBool: out[n] = String("bool:") + (reg.ReadBool(n) ? "1" : "0"); break;
        case rdInt64: out[n] = "int64:" + IntToStr(reg.ReadInt64(n)); break;
        default: out[n] = "str:" + reg.ReadString(n); break;
      }
    }
    return out;
  }

  // Opens the key for direct edits.
  void EditKey(const std::function<void(TRegistry&)>& f) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(SettingsKeyFor(ExeName), true));
    f(reg);
  }

  void WriteFile(const String& rel, const String& text) { SaveTextFile(app_ + rel, text); }

  String root_, app_, oldXdg_;
  bool hadXdg_ = false;
  TFormMain* form_ = nullptr;
  std::vector<TMsgDlgRequest> requests_;
  int answer_ = mrNo;
};
