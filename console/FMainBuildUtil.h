#pragma once
// Small helpers of the main window's builders: every control gets its owner,
// name, parent and bounds in one call; every other design value is then set
// by the builder itself.
#include "controls/Label3D.h"
#include "toolkit/ComCtrls.h"
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

// A page object: a bold Arial 3D label with a centred caption, see-through
// over the page's background.
inline TLabel3D* PageLabel(TComponent* owner, TWinControl* parent, const char* name, const char* caption, int l,
                           int t, int w, int h, TColor fontColor = clWhite) {
  TLabel3D* L = Make<TLabel3D>(owner, parent, name, l, t, w, h);
  L->SetAutoSize(false);
  L->SetAlignment(taCenter);
  L->SetTransparent(true);
  L->Font()->SetName("Arial");
  L->Font()->SetColor(fontColor);
  L->Font()->SetStyle({fsBold});
  L->SetCaption(caption);
  return L;
}

// A tool button with a caption and a hint shown on hover, last on its bar.
inline TToolButton* BarButton(TComponent* owner, TToolBar* bar, const char* name, const char* caption,
                              const char* hint) {
  TToolButton* b = new TToolButton(owner);
  b->SetName(name);
  b->SetCaption(caption);
  b->SetHint(hint);
  b->SetShowHint(true);
  b->SetParent(bar);
  return b;
}

}  // namespace fmainbuild
