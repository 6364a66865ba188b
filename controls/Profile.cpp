#include "controls/Profile.h"

#include "platform/IniFile.h"

bool StrToBoolean(const String& s) {
  if (s == "1") return true;
  String u = UpperCase(s);
  return u == "TRUE" || u == "YES";
}

String BooleanToStr(bool b) { return b ? "True" : "False"; }

TProfile::TProfile(TComponent* AOwner) : TComponent(AOwner), fileName_("WIN.INI") {}

void TProfile::SetDefaultText(const String& v) {
  if (v != defaultText_) defaultText_ = v;
}

void TProfile::SetEntry(const String& v) {
  if (v != entry_) entry_ = v;
}

void TProfile::SetFileName(const String& v) {
  if (v != fileName_) fileName_ = v;
}

void TProfile::SetSection(const String& v) {
  if (v != section_) section_ = v;
}

String TProfile::Text() const {
  if (!aimed()) {
    lastText_.clear();
    return String();
  }
  lastText_ = GetPrivateProfileString(section_, entry_, defaultText_, fileName_);
  return lastText_;
}

void TProfile::SetText(const String& v) {
  if (!aimed()) return;
  if (!WritePrivateProfileString(section_, entry_, v, fileName_))
    throw EProfileError("Error file " + fileName_);
  lastText_ = v;
}

int TProfile::Value() const { return StrToIntDef(Text(), 0); }

void TProfile::SetValue(int v) { SetText(IntToStr(v)); }

bool TProfile::State() const { return StrToBoolean(Text()); }

void TProfile::SetState(bool v) { SetText(BooleanToStr(v)); }
