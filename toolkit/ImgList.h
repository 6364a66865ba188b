#pragma once
// Image lists: numbered images of one size, drawn by tool buttons and menus.
// Images come from bitmaps or from the platform's standard icons, so the
// console needs no picture files for its tool bars.
#include <memory>
#include <vector>
#include "toolkit/Classes.h"
#include "toolkit/Graphics.h"

class QImage;

// The standard icons an image list can take (what they show, not where they
// come from).
enum TStandardImage {
  siFileNew, siFileOpen, siFileSave, siFolder, siDelete, siPrint,
  siMediaPlay, siMediaPause, siMediaStop, siMediaNext, siMediaStep, siMediaVolume,
  siArrowUp, siArrowDown, siApply, siCancel, siHelp, siRefresh
};

class TImageList : public TComponent {
 public:
  explicit TImageList(TComponent* AOwner);
  ~TImageList() override;
  // Size of every image; changing it empties the list.
  int Width() const { return width_; }
  void SetWidth(int v);
  int Height() const { return height_; }
  void SetHeight(int v);
  int Count() const { return int(images_.size()); }
  // Adds a bitmap (scaled to the list's size when it differs); with a mask
  // colour, pixels of that colour are see-through. Returns the new index.
  int Add(const TBitmap* image);
  int AddMasked(const TBitmap* image, TColor maskColor);
  int AddStandard(TStandardImage which);
  // Puts a new picture in place of image index (EListError when out of range).
  void Replace(int index, const TBitmap* image);
  void ReplaceMasked(int index, const TBitmap* image, TColor maskColor);
  void Delete(int index);                 // EListError when out of range
  void Clear();
  // Draws image index with its top-left corner at (x, y) of the canvas
  // (blended over what is there); disabled images are drawn greyed. An index
  // outside the list draws nothing.
  void Draw(TCanvas* canvas, int x, int y, int index, bool enabled = true) const;
  // Copies image index onto a bitmap of the list's size filled with the
  // background colour.
  void GetBitmap(int index, TBitmap* out, TColor background = clBtnFace) const;
  // Told when the images change (tool bars repaint).
  TNotifyEvent OnChange;
  String ClassName() const override { return "TImageList"; }

 private:
  void changed();
  int width_ = 16, height_ = 16;
  std::vector<std::unique_ptr<QImage>> images_;
};
