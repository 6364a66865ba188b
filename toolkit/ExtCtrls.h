#pragma once
// Extra controls: panel, image, paint box, radio group, bevel and shape.
// The class-library timer is reachable from here too.
#include "toolkit/StdCtrls.h"
#include "toolkit/Timer.h"

// A container with a raised/lowered double bevel and an optional caption.
// Children are laid inside the borders (border style, bevels, border width).
class TPanel : public TCustomControl {
 public:
  explicit TPanel(TComponent* AOwner);
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut v);
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut v);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int v);
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int v);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle v);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  bool FullRepaint = true;
  String ClassName() const override { return "TPanel"; }
  // The area children are laid in: the client rectangle less the borders.
  TRect InnerRect() const { return AlignRect(); }

 protected:
  void Paint() override;
  TRect AlignRect() const override;
  void TextChanged() override { Invalidate(); }
 private:
  int borderSize() const;
  TBevelCut bevelInner_ = bvNone, bevelOuter_ = bvRaised;
  int bevelWidth_ = 1, borderWidth_ = 0;
  TBorderStyle borderStyle_ = bsNone;
  TAlignment alignment_ = taCenter;
};

// Shows a picture; drawing on Canvas draws onto the picture's bitmap (an
// empty image gets one of its own size first).
class TImage : public TGraphicControl {
 public:
  explicit TImage(TComponent* AOwner);
  ~TImage() override;
  TPicture* Picture() const { return picture_.get(); }
  void SetPicture(const TPicture* p) { picture_->Assign(p); }
  // The bitmap's canvas (the picture becomes a bitmap).
  TCanvas* Canvas();
  bool Stretch() const { return stretch_; }
  void SetStretch(bool v);
  bool Center() const { return center_; }
  void SetCenter(bool v);
  bool Proportional() const { return proportional_; }
  void SetProportional(bool v);
  void SetTransparent(bool v) override;
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);
  // Where the picture lands in the client area.
  TRect DestRect() const;
  String ClassName() const override { return "TImage"; }

 protected:
  void Paint() override;
 private:
  void pictureChanged();
  std::unique_ptr<TPicture> picture_;
  bool stretch_ = false, center_ = false, proportional_ = false, autoSize_ = false;
};

// A bare surface; OnPaint draws on Canvas.
class TPaintBox : public TGraphicControl {
 public:
  explicit TPaintBox(TComponent* AOwner);
  TNotifyEvent OnPaint;
  String ClassName() const override { return "TPaintBox"; }
 protected:
  void Paint() override;
};

// A group of radio items in columns. SetItemIndex runs OnClick when the
// index changes; an index outside the items selects nothing.
class TRadioGroup : public TGroupBox {
 public:
  explicit TRadioGroup(TComponent* AOwner);
  ~TRadioGroup() override;
  TStrings* Items() const { return items_.get(); }
  void SetItems(const TStrings* s) { items_->Assign(s); }
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int i);
  int Columns() const { return columns_; }
  void SetColumns(int v);
  // The area of item i in client coordinates.
  TRect ItemRect(int i) const;
  String ClassName() const override { return "TRadioGroup"; }

 protected:
  void Paint() override;
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
  void TextChanged() override { Invalidate(); }
 private:
  void itemsChanged();
  std::unique_ptr<TStringList> items_;
  int itemIndex_ = -1, columns_ = 1;
};

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

class TBevel : public TGraphicControl {
 public:
  explicit TBevel(TComponent* AOwner);
  TBevelShape Shape() const { return shape_; }
  void SetShape(TBevelShape v);
  TBevelStyle Style() const { return style_; }
  void SetStyle(TBevelStyle v);
  String ClassName() const override { return "TBevel"; }
 protected:
  void Paint() override;
 private:
  TBevelShape shape_ = bsBox;
  TBevelStyle style_ = bsLowered;
};

enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

class TShape : public TGraphicControl {
 public:
  explicit TShape(TComponent* AOwner);
  ~TShape() override;
  TShapeType Shape() const { return shape_; }
  void SetShape(TShapeType v);
  TPen* Pen() const { return pen_.get(); }
  TBrush* Brush() const { return brush_.get(); }
  String ClassName() const override { return "TShape"; }
 protected:
  void Paint() override;
 private:
  std::unique_ptr<TPen> pen_;
  std::unique_ptr<TBrush> brush_;
  TShapeType shape_ = stRectangle;
};

// Draws a 3-D frame of width w inside r and shrinks r by it.
void Frame3D(TCanvas* c, TRect& r, TColor topLeft, TColor bottomRight, int w);
