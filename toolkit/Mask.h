#pragma once
// An edit box with an input mask. A mask is "<mask>;<keep literals>;<blank>":
//   the second field "1" (default) keeps the literals in Text, "0" drops them;
//   the third field is the character shown for an empty position (default "_").
// Mask characters:
//   !  empty optional positions are leading blanks: a shorter value is
//      aligned to the right of the mask
//   >  following letters upper-case, <  following letters lower-case, <> neither
//   \  the next character is a literal
//   L  letter (required)        l  letter (optional)
//   A  letter or digit (req.)   a  letter or digit (optional)
//   C  any character (req.)     c  any character (optional)
//   0  digit (required)         9  digit (optional)
//   #  digit, "+" or "-" (optional)
//   :  /  time and date separators (shown as ":" and "/")
//   _  a blank literal
//   anything else is a literal.
// EditText is what the box shows (literals in place, empty positions as the
// blank character). Text is EditText with empty positions as spaces when
// literals are kept; without literals it is the entered characters only.
// A value put into Text may carry the literals or not: a character equal to
// the literal at its place is taken as that literal, and one that fits no
// place before the next matching literal leaves that place empty.
// An empty mask makes a plain edit.
#include "toolkit/StdCtrls.h"

// A parsed mask.
class TEditMask {
 public:
  TEditMask() = default;
  explicit TEditMask(const String& mask);
  bool Empty() const { return pos_.empty(); }
  int Length() const { return int(pos_.size()); }    // characters of EditText
  bool SaveLiterals() const { return saveLiterals_; }
  char32_t Blank() const { return blank_; }
  bool RightAligned() const { return rightAligned_; }
  bool IsLiteral(int i) const { return pos_.at(size_t(i)).literal; }
  bool IsRequired(int i) const { return pos_.at(size_t(i)).required; }
  // The character accepted at position i after case conversion, or 0.
  char32_t Accept(int i, char32_t c) const;
  // Edit text from a value in Text form / in edit form.
  String FromText(const String& text) const;
  String FromEditText(const String& editText) const;
  // Text form of an edit text.
  String ToText(const String& editText) const;
  // The edit text with every position empty.
  String EmptyEditText() const;
  // Index of the first input position at or after i (Length() when none)
  // / at or before i (-1 when none).
  int NextInput(int i) const;
  int PrevInput(int i) const;
 private:
  struct Pos { bool literal = true; char32_t ch = 0; char kind = 0; bool required = false; int casing = 0; };
  std::vector<Pos> pos_;
  bool saveLiterals_ = true, rightAligned_ = false;
  char32_t blank_ = U'_';
};

// Applies a mask to a value given in Text form and returns the Text form.
String FormatMaskText(const String& editMask, const String& value);

class TCustomMaskEdit : public TEdit {
 public:
  explicit TCustomMaskEdit(TComponent* AOwner);
  const String& EditMask() const { return editMask_; }
  // Keeps the current value as far as the new mask allows.
  void SetEditMask(const String& m);
  bool IsMasked() const { return !mask_.Empty(); }
  const String& Text() const override;
  // Runs OnChange when the value changes.
  void SetText(const String& s) override;
  const String& EditText() const { return editText_; }
  void SetEditText(const String& s);
  // True when every required position holds a character.
  bool IsComplete() const;
  String ClassName() const override { return "TCustomMaskEdit"; }

 protected:
  bool WidgetKey(int qtKey, TShiftState shift, const String& typed) override;
  void WidgetTextEdited(const String& s) override;
  // Sets the edit text, shows it and runs OnChange when the value changed.
  void applyEditText(const String& et, int cursor);
  // Types one character at position p; returns the position after it or -1.
  int typeChar(String& et, int p, char32_t c) const;
  String editMask_;
  TEditMask mask_;
  String editText_;
  mutable String textCache_;
};

class TMaskEdit : public TCustomMaskEdit {
 public:
  using TCustomMaskEdit::TCustomMaskEdit;
  String ClassName() const override { return "TMaskEdit"; }
};
