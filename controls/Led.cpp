#include "controls/Led.h"

const TColor LedColors[7][7] = {
    {0, clWhite, clGray, clBlack, clRed, clFuchsia, clWhite},
    {0, clWhite, clGray, clBlack, clLime, clYellow, clWhite},
    {0, clWhite, clGray, clBlack, clYellow, clWhite, clWhite},
    {0, clWhite, clGray, clBlack, clTeal, clAqua, clWhite},
    {0, clWhite, clGray, clBlack, clFuchsia, clWhite, clWhite},
    {0, clWhite, clGray, clBlack, clBlue, clAqua, clWhite},
    {0, clWhite, clGray, clBlack, clGray, clSilver, clWhite},
};

namespace {

// Rows top to bottom, 16 shades each; '.' leaves the pixel alone.
// [shape][value][row]
const char* const Templates[2][2][16] = {
    {{
      ".....222222.....", "...2233333322...", "..233333333331..", ".23333333333331.",
      ".23334443333331.", "2333443333333331", "2333433333333331", "2333433333333331",
      "2333333333333331", "2333333333333331", "2333333333333331", ".23333333333331.",
      ".23333333333331.", "..133333333331..", "...1133333311...", ".....111111.....",
     },
     {
      ".....222222.....", "...2234444422...", "..234455544441..", ".23455544444441.",
      ".24566644444441.", "2345664444444431", "2455644444444431", "2454444444444431",
      "2454444444444431", "2444444444444331", "2444444444444331", ".24444444444331.",
      ".24444444443331.", "..144444433331..", "...1133333311...", ".....111111.....",
     }},
    {{
      "................", "................", "................", "2222222222222222",
      "2333333333333331", "2344443333333331", "2344333333333331", "2333333333333331",
      "2333333333333331", "2333333333333331", "2333333333333331", "2333333333333331",
      "2111111111111111", "................", "................", "................",
     },
     {
      "................", "................", "................", "2222222222222222",
      "2444444444444441", "2455555555555431", "2456554444444431", "2455544444444431",
      "2455444444444431", "2454444444444431", "2444444444444431", "2433333333333331",
      "2111111111111111", "................", "................", "................",
     }},
};

}  // namespace

int TLed::Shade(TLedShape shape, bool value, int x, int y) {
  if (x < 0 || x > 15 || y < 0 || y > 15) return 0;
  const int s = int(shape) == int(lsRectangle) ? 1 : 0;
  const char c = Templates[s][value ? 1 : 0][y][x];
  return c >= '1' && c <= '6' ? c - '0' : 0;
}

TLed::TLed(TComponent* AOwner) : TCustomControl(AOwner) {
  SetTransparent(true);
  SetBounds(Left(), Top(), 16, 16);
}

TLed::~TLed() {
  BeginDestroy();
  if (labelLinked_) labelLinked_->RemoveFreeNotification(this);
}

void TLed::SetKind(TLedKind v) {
  if (kind_ == v) return;
  kind_ = v;
  Invalidate();
}

void TLed::SetShape(TLedShape v) {
  if (shape_ == v) return;
  shape_ = v;
  Invalidate();
}

void TLed::SetValue(bool v) {
  if (value_ == v) return;
  value_ = v;
  Invalidate();
  UpdateLabel();
  if (OnChange) OnChange(this);
}

void TLed::SetLabelLinked(TLabel* v) {
  if (labelLinked_ == v) return;
  if (labelLinked_) labelLinked_->RemoveFreeNotification(this);
  labelLinked_ = v;
  if (v) v->FreeNotification(this);
  UpdateLabel();
}

void TLed::SetLabelOnText(const String& v) {
  if (labelOnText_ == v) return;
  labelOnText_ = v;
  UpdateLabel();
}

void TLed::SetLabelOffText(const String& v) {
  if (labelOffText_ == v) return;
  labelOffText_ = v;
  UpdateLabel();
}

void TLed::UpdateLabel() {
  if (labelLinked_) labelLinked_->SetCaption(value_ ? labelOnText_ : labelOffText_);
}

void TLed::Notification(TComponent* AComponent, bool removing) {
  TCustomControl::Notification(AComponent, removing);
  if (removing && AComponent == labelLinked_) labelLinked_ = nullptr;
}

void TLed::Paint() {
  // Kinds outside the table (a stored number) draw as red.
  const int k = int(kind_) >= 0 && int(kind_) <= 6 ? int(kind_) : 0;
  TCanvas* c = Canvas();
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      if (const int s = Shade(shape_, value_, x, y)) c->SetPixel(x, y, LedColors[k][s]);
}
