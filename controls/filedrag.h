#pragma once
// Catches files dropped from the desktop on its owner's window: each drop
// fills three parallel lists (full names, bare names, extensions) and fires
// OnDrop. Only '/' separates folders; a backslash stays in the bare name.
#include <memory>

#include "toolkit/Classes.h"
#include "toolkit/Controls.h"

class TFileDrag : public TComponent {
 public:
  explicit TFileDrag(TComponent* AOwner);
  ~TFileDrag() override;

  // The items of the last drop, in drop order.
  TStrings* NameWithPath() const { return nameWithPath_.get(); }
  TStrings* NameOnly() const { return nameOnly_.get(); }
  // After the last dot of the bare name, without the dot; empty without one.
  TStrings* Extension() const { return extension_.get(); }
  int FileCount() const { return fileCount_; }
  // The owner window takes dropped files; stays false for an owner that is
  // not a windowed control.
  bool EnableDrop() const { return enableDrop_; }
  void SetEnableDrop(bool v);

  TNotifyEvent OnDrop;

  // What a drop of these full names does (the owner window's drop calls it).
  void HandleDrop(const std::vector<String>& names);

  String ClassName() const override { return "TFileDrag"; }

 private:
  std::unique_ptr<TStringList> nameWithPath_, nameOnly_, extension_;
  TWinControl* window_ = nullptr;
  int fileCount_ = 0;
  bool enableDrop_ = false;
};
