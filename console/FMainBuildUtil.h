#pragma once
// Small helpers of the main window's builders: every control gets its owner,
// name, parent and bounds in one call; every other design value is then set
// by the builder itself.
#include "toolkit/Controls.h"

namespace fmainbuild {

template <class T>
T* Make(TComponent* Owner, TWinControl* Parent, const char* Name, int Left, int Top, int Width, int Height) {
  T* c = new T(Owner);
  c->SetName(Name);
  c->SetBounds(Left, Top, Width, Height);
  c->SetParent(Parent);
  return c;
}

// A component without a window (timer, dialog, profile).
template <class T>
T* MakeComponent(TComponent* Owner, const char* Name) {
  T* c = new T(Owner);
  c->SetName(Name);
  return c;
}

}  // namespace fmainbuild
