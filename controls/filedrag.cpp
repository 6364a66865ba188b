#include "controls/filedrag.h"

TFileDrag::TFileDrag(TComponent* AOwner)
    : TComponent(AOwner),
      nameWithPath_(std::make_unique<TStringList>()),
      nameOnly_(std::make_unique<TStringList>()),
      extension_(std::make_unique<TStringList>()) {
  window_ = dynamic_cast<TWinControl*>(AOwner);
  if (window_) window_->OnFilesDropped = [this](const std::vector<String>& names) { HandleDrop(names); };
  SetEnableDrop(false);
}

TFileDrag::~TFileDrag() {
  // An owner on its way out has dropped its window already.
  if (window_ && !window_->Destroying()) {
    window_->OnFilesDropped = nullptr;
    window_->SetAcceptFileDrops(false);
  }
}

void TFileDrag::SetEnableDrop(bool v) {
  if (!window_) v = false;
  enableDrop_ = v;
  if (window_) window_->SetAcceptFileDrops(v);
}

void TFileDrag::HandleDrop(const std::vector<String>& names) {
  nameWithPath_->Clear();
  nameOnly_->Clear();
  extension_->Clear();
  fileCount_ = int(names.size());
  for (const String& full : names) {
    const size_t slash = full.rfind('/');
    const String bare = slash == String::npos ? full : full.substr(slash + 1);
    const size_t dot = bare.rfind('.');
    nameWithPath_->Add(full);
    nameOnly_->Add(bare);
    extension_->Add(dot == String::npos ? String() : bare.substr(dot + 1));
  }
  if (OnDrop) OnDrop(this);
}
