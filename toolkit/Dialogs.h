#pragma once
// Message boxes and the common dialogs (open, save, colour, font, folder).
//
// Test hooks: programs that run without a person set MessageDlgHook and
// CommonDialogHook. While a hook is set, no window is shown: the hook gets
// the request (for message boxes also the place where the box would have
// appeared) and its result is the dialog's result. Without a hook, on the
// "offscreen" platform (where no one could answer), a message box is not shown
// either: its text goes to the standard error stream and the result is that
// of the box's cancel button (Cancel, else No, else OK); a common dialog
// returns false.
#include <functional>
#include <memory>
#include <vector>
#include "toolkit/Controls.h"

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };
using TMsgDlgButtons = TSet<TMsgDlgBtn>;
inline const TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline const TMsgDlgButtons mbYesNo{mbYes, mbNo};
inline const TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
inline const TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};

// Shows a message box with its top-left corner at (X, Y) of the screen; the
// box is moved as little as needed to lie inside the work area of the primary
// monitor (also for a long message, whose lines are wrapped). X or Y below 0
// centres the box on the screen in that direction. Returns the modal result
// of the button pressed (mrOk, mrYes, ...); closing the box gives the result
// of its cancel button.
int MessageDlgPos(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx, int X, int Y);
// The same, centred on the screen.
int MessageDlg(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx);
// A box with the application's title, the message and OK.
void ShowMessage(const String& Msg);

// What a message box would show.
struct TMsgDlgRequest {
  String Msg;
  TMsgDlgType DlgType = mtCustom;
  TMsgDlgButtons Buttons;
  int HelpCtx = 0;
  String Caption;
  TRect BoundsRect;        // where the box would appear, on the screen
  int DefaultResult = mrNone, CancelResult = mrNone;
};
// Test hook: answers message boxes (see the top of this file).
extern std::function<int(const TMsgDlgRequest& Request)> MessageDlgHook;

class TCommonDialog;
// Test hook: answers common dialogs (see the top of this file). The hook may
// fill the dialog (FileName, Files, Color, Font) before returning true.
extern std::function<bool(TCommonDialog* Dialog)> CommonDialogHook;

class QDialog;

class TCommonDialog : public TComponent {
 public:
  explicit TCommonDialog(TComponent* AOwner) : TComponent(AOwner) {}
  // Shows the dialog modally; true when the operator confirmed it.
  virtual bool Execute() = 0;
  // While the dialog is shown (from OnShow on): its window's place on the
  // screen, and a way to move it without resizing.
  TRect BoundsRect() const;
  void MoveTo(int X, int Y);
  // While the dialog is shown: moves its window to (X, Y) and sizes it.
  void SetBounds(int X, int Y, int Width, int Height);
  String Title;
  TNotifyEvent OnShow, OnClose;
  String ClassName() const override { return "TCommonDialog"; }

 protected:
  // Runs the window: OnShow, exec, OnClose.
  bool runDialog(QDialog* d);
  QDialog* shown_ = nullptr;
};

enum TOpenOption { ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate,
                   ofAllowMultiSelect, ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt,
                   ofShareAware, ofNoReadOnlyReturn, ofNoTestFileCreate, ofNoNetworkButton, ofNoLongNames,
                   ofOldStyleDialog, ofNoDereferenceLinks, ofEnableIncludeNotify, ofEnableSizing };
using TOpenOptions = TSet<TOpenOption>;

class TOpenDialog : public TCommonDialog {
 public:
  explicit TOpenDialog(TComponent* AOwner);
  ~TOpenDialog() override;
  bool Execute() override;
  String FileName;
  String InitialDir;
  // "Text files (*.txt)|*.txt|All files|*.*": description and mask pairs.
  String Filter;
  int FilterIndex = 1;        // 1-based, as chosen last
  String DefaultExt;          // without or with the dot
  TOpenOptions Options{ofHideReadOnly, ofEnableSizing};
  // The chosen files (several with ofAllowMultiSelect).
  TStrings* Files() const { return files_.get(); }
  String ClassName() const override { return "TOpenDialog"; }

 protected:
  virtual bool saving() const { return false; }
  std::unique_ptr<TStringList> files_;
};

// The filter lines a file dialog shows for Filter ("desc|mask|desc|mask"):
// each description followed by its mask in parentheses, unless the
// description already ends with it ("Text file (*.txt)" stays as it is).
std::vector<String> FileDialogFilterNames(const String& Filter);

// One of several uses of a shared file dialog (the layout's save, the
// running texts' save, ...) remembers its own last folder and name: each run
// for it starts there, and nothing of another use shows in it. Folder starts
// as the use's own start folder (empty: the dialog's InitialDir).
struct TFileDialogUse {
  String Folder;
  String FileName;   // without its folder
};
class TOpenDialog;
// Runs Dialog for Use: it starts in Use.Folder offering Use.FileName, and its
// InitialDir is put back afterwards. On OK Use remembers the chosen file's
// folder and name (Dialog->FileName holds the chosen file, as always).
bool ExecuteFileDialog(TOpenDialog* Dialog, TFileDialogUse& Use);

// As the open dialog; ofOverwritePrompt asks before an existing file is
// chosen, and DefaultExt is added to a name without extension.
class TSaveDialog : public TOpenDialog {
 public:
  explicit TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}
  String ClassName() const override { return "TSaveDialog"; }
 protected:
  bool saving() const override { return true; }
};

enum TColorDialogOption { cdFullOpen, cdPreventFullOpen, cdShowHelp, cdSolidColor, cdAnyColor };
using TColorDialogOptions = TSet<TColorDialogOption>;

class TColorDialog : public TCommonDialog {
 public:
  explicit TColorDialog(TComponent* AOwner);
  ~TColorDialog() override;
  bool Execute() override;
  TColor Color = clBlack;
  TColorDialogOptions Options;
  // "ColorA=808000" ... "ColorP=...": the custom colours (hex BBGGRR).
  TStrings* CustomColors() const { return customColors_.get(); }
  String ClassName() const override { return "TColorDialog"; }
 private:
  std::unique_ptr<TStringList> customColors_;
};

enum TFontDialogOption { fdAnsiOnly, fdTrueTypeOnly, fdEffects, fdFixedPitchOnly, fdForceFontExist, fdNoFaceSel,
                         fdNoOEMFonts, fdNoSimulations, fdNoSizeSel, fdNoStyleSel, fdNoVectorFonts, fdShowHelp,
                         fdWysiwyg, fdLimitSize, fdScalableOnly, fdApplyButton };
using TFontDialogOptions = TSet<TFontDialogOption>;

// The face that holds a style the font dialog offers, for a font kept as
// name and style bits (the layout file's keys): bold and italic (or oblique)
// go to Style; the other words of the style's name ("Condensed", "Narrow",
// "Light") name a face of their own ("DejaVu Serif Condensed") when the
// installed fonts have one. Without one the family is kept.
String FontFaceForStyle(const String& Family, const String& StyleName, TFontStyles& Style);

class TFontDialog : public TCommonDialog {
 public:
  explicit TFontDialog(TComponent* AOwner);
  ~TFontDialog() override;
  bool Execute() override;
  // Name, size and style are chosen; colour and charset stay.
  TFont* Font() const { return font_.get(); }
  void SetFont(const TFont* f) { font_->Assign(f); }
  TFontDialogOptions Options{fdEffects};
  String ClassName() const override { return "TFontDialog"; }
 private:
  std::unique_ptr<TFont> font_;
};

// The folder choice: true when confirmed, Directory then holds the choice
// (without a trailing '/'); Directory gives the folder to start in.
bool SelectDirectory(const String& Caption, const String& Root, String& Directory);
// Test hook of the folder choice: gets the caption and the start folder,
// which it may change; its result is SelectDirectory's.
extern std::function<bool(const String& Caption, String& Directory)> SelectDirectoryHook;
