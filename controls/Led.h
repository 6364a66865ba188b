#pragma once
// A 16 x 16 status lamp in one of seven colours and two shapes, drawn pixel by
// pixel from fixed templates. Pixels outside the lamp's shape are not painted,
// so the parent shows through. A linked label can follow the lamp's state.
#include "toolkit/Controls.h"
#include "toolkit/StdCtrls.h"

// Stored forms may hold any number, so each type takes every int value.
enum TLedKind : int { lkRed, lkGreen, lkYellow, lkCyan, lkMagenta, lkBlue, lkWhite };
enum TLedShape : int { lsCircle, lsRectangle };

// Colours of shades 1..6 per kind (index 0 unused: shade 0 leaves a pixel alone).
extern const TColor LedColors[7][7];

class TLed : public TCustomControl {
 public:
  explicit TLed(TComponent* AOwner);
  ~TLed() override;

  TLedKind Kind() const { return kind_; }
  void SetKind(TLedKind v);
  TLedShape Shape() const { return shape_; }
  void SetShape(TLedShape v);
  bool Value() const { return value_; }
  // Stores, repaints, updates the linked caption, then fires OnChange.
  void SetValue(bool v);
  TLabel* LabelLinked() const { return labelLinked_; }
  void SetLabelLinked(TLabel* v);
  const String& LabelOnText() const { return labelOnText_; }
  void SetLabelOnText(const String& v);
  const String& LabelOffText() const { return labelOffText_; }
  void SetLabelOffText(const String& v);

  TNotifyEvent OnChange;

  // The template shade (0..6) of pixel (x, y) for a shape and value; 0 outside 16 x 16.
  static int Shade(TLedShape shape, bool value, int x, int y);

  String ClassName() const override { return "TLed"; }

 protected:
  void Paint() override;
  void Notification(TComponent* AComponent, bool removing) override;

 private:
  void UpdateLabel();
  TLedKind kind_ = lkRed;
  TLedShape shape_ = lsCircle;
  bool value_ = false;
  TLabel* labelLinked_ = nullptr;
  String labelOnText_, labelOffText_;
};
