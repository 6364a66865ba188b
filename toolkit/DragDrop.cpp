#include "toolkit/DragDrop.h"

#include "toolkit/Controls.h"
#include "toolkit/MouseTools.h"

std::function<void(TControl* Control)> DragStartedHook;

namespace {
TControl* dragged = nullptr;
}

void BeginDrag(TControl* Control) {
  if (!Control) return;
  dragged = Control;
  // The mouse stays with the dragged control until the release.
  SetCaptureControl(Control);
  if (DragStartedHook) DragStartedHook(Control);
}

void EndDrag() {
  if (!dragged) return;
  dragged = nullptr;
  ReleaseCapture();
}

TControl* DragControl() { return dragged; }
