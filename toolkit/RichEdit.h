#pragma once
// A rich-text view: RTF documents shown with their fonts, colours and
// pictures. Text written in the automatic colour takes the control's font
// colour, so a black view with a white font shows it white.
//
// RTF is read through RtfImporter, which the program sets (the office suite
// turns the document into XHTML); a file that does not start with "{\rtf"
// is shown as plain text. A missing, damaged (truncated) or too large file
// raises with a clear text and the view keeps what it showed.
#include <functional>
#include "toolkit/Controls.h"
#include "toolkit/StdCtrls.h"

TK_EXCEPTION(ERichEditError, Exception)

class QTextEdit;

class TRichEdit : public TWinControl {
 public:
  explicit TRichEdit(TComponent* AOwner);
  ~TRichEdit() override;
  // Loads an RTF or plain text file (see the top of this file).
  void LoadFromFile(const String& FileName);
  // The document as XHTML / HTML.
  void SetHtml(const String& Html);
  // The text without formatting, lines separated by '\n'.
  const String& Text() const override;
  void SetText(const String& s) override;
  void Clear() { SetText(""); }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v);
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle v);
  TNotifyEvent OnChange;
  String ClassName() const override { return "TRichEdit"; }

  // Turns an RTF file into XHTML; raises on failure.
  static std::function<String(const String& FileName)> RtfImporter;
  // Largest file LoadFromFile accepts.
  static int64_t MaxFileSize;
  // True when the RTF text closes every group it opens (a cut-off file
  // does not).
  static bool RtfComplete(const std::string& Bytes);

  // Toolkit internals.
  QTextEdit* Editor() const;

 protected:
  void FontChanged() override;

 private:
  bool readOnly_ = false, wordWrap_ = true;
  TScrollStyle scrollBars_ = ssBoth;
  mutable String textCache_;
};
