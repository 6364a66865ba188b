#pragma once
// The operator's hands in console tests: clicks made through the widgets
// (press and release at a point), a sheet chosen by a click on its tab.
#include "toolkit/ComCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/MouseTools.h"
#include "toolkit/StdCtrls.h"

namespace hands {

// A left click at p (the control's client coordinates), by default its middle.
inline void Click(TControl* c, TPoint p = TPoint(-1, -1)) {
  if (p.X < 0) p = TPoint(c->ClientWidth() / 2, c->ClientHeight() / 2);
  SendMouseButton(c, mbLeft, true, p);
  SendMouseButton(c, mbLeft, false, p);
  Application->ProcessMessages();
}

// A move of the mouse over a control (its middle), as the operator's.
inline void Move(TControl* c) {
  const TPoint p(c->ClientWidth() / 2, c->ClientHeight() / 2);
  SendMouseMove(c, p);
  Application->ProcessMessages();
}

// A click on the tab of page `sheet` of its page control.
inline void ChooseSheet(TTabSheet* sheet) {
  TPageControl* pc = sheet->PageControl();
  const TRect r = pc->TabRect(sheet->TabIndex());
  Click(pc, TPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
}

// A page of the output band's page control chosen and sent with the command
// tab (tab 0), as the operator does.
inline void SendPage(TTabSheet* sheet) {
  ChooseSheet(sheet);
  ChooseSheet(sheet->PageControl()->Pages(0));
}

// A line of a list box, on its text (clear of a check box's mark).
inline void ClickLine(TListBox* l, int line) {
  const TRect r = l->ItemRect(line);
  Click(l, TPoint(r.Left + r.Width() * 2 / 3, (r.Top + r.Bottom) / 2));
}

}  // namespace hands
