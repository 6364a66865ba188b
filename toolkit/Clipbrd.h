#pragma once
// The clipboard (text only).
#include "toolkit/Classes.h"

constexpr int CF_TEXT = 1, CF_UNICODETEXT = 13;

class TClipboard : public TObject {
 public:
  String AsText() const;
  void SetAsText(const String& s);
  // Whether the clipboard holds the format (CF_TEXT / CF_UNICODETEXT: text).
  bool HasFormat(int format) const;
  void Clear();
  String ClassName() const override { return "TClipboard"; }
};

TClipboard* Clipboard();
