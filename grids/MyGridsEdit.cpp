// The in-place editor and the grid's editing cycle.
#include "grids/MyGrids.h"
#include "toolkit/WinUtils.h"

// ------------------------------------------------------------ grid side

TInplaceEdit* TMyCustomGrid::CreateEditor() { return new TInplaceEdit(this); }

bool TMyCustomGrid::CanEditShow() const {
  return options_.Contains(goEditing) && !options_.Contains(goRowSelect) && editorMode_ && hasWindow() &&
         (options_.Contains(goAlwaysShowEditor) || IsActiveControl());
}

void TMyCustomGrid::ShowEditor() {
  editorMode_ = true;
  UpdateEdit();
}

void TMyCustomGrid::HideEditor() {
  editorMode_ = false;
  HideEdit();
}

void TMyCustomGrid::ShowEditorChar(char32_t Ch) {
  ShowEditor();
  // Typed after the editor has loaded its text (posted, not sent). A key
  // typed into the grid replaces the cell's text, also when a key-down
  // handler has opened the editor with its caret at the end just before.
  if (inplaceEdit_ && inplaceEdit_->EditVisible()) {
    inplaceEdit_->SelectAll();
    PostChar(inplaceEdit_, Ch);
  }
}

void TMyCustomGrid::InvalidateEditor() {
  inplaceCol_ = -1;
  inplaceRow_ = -1;
  UpdateEdit();
}

void TMyCustomGrid::UpdateEdit() {
  if (!CanEditShow()) return;
  auto load = [this] {
    inplaceCol_ = Col();
    inplaceRow_ = Row();
    inplaceEdit_->UpdateContents();
    canEditModify_ = inplaceEdit_->MaxLength() != -1 && inplaceEdit_->editLimit_ != -1;
    inplaceEdit_->SetReadOnly(!CanEditModify());
    inplaceEdit_->SelectAll();
  };
  if (!inplaceEdit_) {
    inplaceEdit_ = CreateEditor();
    inplaceEdit_->SetGrid(this);
    inplaceEdit_->SetFont(Font());
    inplaceEdit_->SetParent(this);
    load();
  } else if (Col() != inplaceCol_ || Row() != inplaceRow_) {
    HideEdit();
    load();
  }
  if (CanEditShow()) inplaceEdit_->Move(CellRect(Col(), Row()));
}

void TMyCustomGrid::HideEdit() {
  if (!inplaceEdit_) return;
  const int c = inplaceCol_, r = inplaceRow_;
  inplaceCol_ = -1;
  inplaceRow_ = -1;
  try {
    if (c != -1 && r != -1) SetEditText(c, r, inplaceEdit_->Text());
  } catch (...) {
    inplaceEdit_->HideEdit();
    throw;
  }
  inplaceEdit_->HideEdit();
}

// ------------------------------------------------------------ the editor

TInplaceEdit::TInplaceEdit(TComponent* AOwner) : TCustomMaskEdit(AOwner) {
  SetTabStop(false);
  SetBorderStyle(bsNone);
  DoubleBuffered = false;
  SetVisible(false);
}

bool TInplaceEdit::EditVisible() const { return shown_ && Visible(); }

void TInplaceEdit::UpdateContents() {
  SetText("");
  SetEditMask(grid_->GetEditMask(grid_->Col(), grid_->Row()));
  SetText(grid_->GetEditText(grid_->Col(), grid_->Row()));
  editLimit_ = grid_->GetEditLimit();
  SetMaxLength(editLimit_ < 0 ? 0 : editLimit_);
  Modified = false;
}

void TInplaceEdit::BoundsChanged() {
  SetFormatRect(Rect(2, 2, Width() - 2, Height()));
}

void TInplaceEdit::InvalidateEdit() {
  Invalidate();
  if (grid_) grid_->TControl::InvalidateRect(BoundsRect());
}

void TInplaceEdit::Deselect() {
  SetSelStart(Utf8Length(Text()));
}

void TInplaceEdit::HideEdit() {
  if (!EditVisible()) {
    shown_ = false;
    return;
  }
  InvalidateEdit();
  // The focus goes back to the grid before the window hides (so that it
  // does not travel elsewhere).
  if (Focused() && grid_ && grid_->CanFocus()) grid_->SetFocus();
  shown_ = false;
  SetVisible(false);
  SetBounds(0, 0, 0, 0);
}

void TInplaceEdit::internalMove(const TRect& Loc, bool Redraw) {
  if (Loc.IsEmpty()) {
    HideEdit();
    return;
  }
  Redraw = Redraw || !EditVisible();
  (void)Redraw;
  SetBounds(Loc.Left, Loc.Top, Loc.Width(), Loc.Height());
  BringToFront();
  shown_ = true;
  SetVisible(true);
  BoundsChanged();
  InvalidateEdit();
  if (grid_ && grid_->Focused()) SetFocus();
}

void TInplaceEdit::Move(const TRect& Loc) { internalMove(Loc, true); }
void TInplaceEdit::UpdateLoc(const TRect& Loc) { internalMove(Loc, false); }

void TInplaceEdit::KeyDown(uint16_t& Key, TShiftState Shift) {
  if (!grid_) {
    TCustomMaskEdit::KeyDown(Key, Shift);
    return;
  }
  const bool shift = Shift.Contains(ssShift), ctrl = Shift.Contains(ssCtrl), alt = Shift.Contains(ssAlt);
  const bool canModify = grid_->CanEditModify();
  auto toGrid = [&] {
    grid_->KeyDown(Key, Shift);
    Key = 0;
  };
  switch (Key) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_ESCAPE:
      toGrid();
      break;
    case VK_INSERT:
      if (!shift && !ctrl && !alt)
        toGrid();
      else if (shift && !ctrl && !alt && !canModify)
        Key = 0;
      break;
    case VK_TAB:
      // Tab reaches the grid only when it moves between cells.
      if (!alt && grid_->Options().Contains(goTabs)) toGrid();
      break;
    case VK_DELETE:
      if (ctrl)
        toGrid();
      else if (!canModify)
        Key = 0;
      break;
    case VK_F2:
      if (grid_->OnKeyDown) grid_->OnKeyDown(grid_, Key, Shift);
      if (Key == VK_F2) {
        Deselect();
        Key = 0;
      }
      return;
    default:
      break;
  }
  if (Key == 0) return;
  if (grid_->OnKeyDown) grid_->OnKeyDown(grid_, Key, Shift);
  if (Key != 0) TCustomMaskEdit::KeyDown(Key, Shift);
}

void TInplaceEdit::KeyPress(char32_t& Key) {
  if (!grid_) {
    TCustomMaskEdit::KeyPress(Key);
    return;
  }
  grid_->GridKeyPress(Key);
  if (Key >= 32 && !grid_->CanEditAcceptKey(Key)) {
    Key = 0;
    Beep();
  }
  switch (Key) {
    case 9:
    case 27:
      Key = 0;
      break;
    case 13: {
      const int len = Utf8Length(Text());
      if (SelStart() == 0 && SelLength() == len)
        Deselect();
      else
        SelectAll();
      Key = 0;
      break;
    }
    case 8:
    case 22:
    case 24:
      if (!grid_->CanEditModify()) Key = 0;
      break;
    default:
      if (Key >= 32 && !grid_->CanEditModify()) Key = 0;
      break;
  }
  if (Key != 0) TCustomMaskEdit::KeyPress(Key);
}

void TInplaceEdit::KeyUp(uint16_t& Key, TShiftState Shift) {
  if (grid_)
    grid_->KeyUp(Key, Shift);
  else
    TCustomMaskEdit::KeyUp(Key, Shift);
}

void TInplaceEdit::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Shift.Contains(ssDouble)) {
    // The window system's double click: DblClick has run for it already.
    ClickTime = 0;
    return;
  }
  if (Button == mbLeft && grid_ && ClickTime != 0 && GetTickCount64() - ClickTime < GetDoubleClickTime()) {
    // A press on the grid that opened the editor and this one make a double
    // click.
    ClickTime = 0;
    grid_->DblClick();
    return;
  }
  ClickTime = 0;
  TCustomMaskEdit::MouseDown(Button, Shift, X, Y);
}

void TInplaceEdit::DblClick() {
  if (grid_)
    grid_->DblClick();
  else
    TCustomMaskEdit::DblClick();
}

bool TInplaceEdit::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
  return grid_ ? grid_->DoMouseWheel(Shift, WheelDelta, MousePos) : false;
}

void TInplaceEdit::DoEnter() {
  TCustomMaskEdit::DoEnter();
  if (grid_) grid_->focusEntered();
}

void TInplaceEdit::DoExit() {
  TCustomMaskEdit::DoExit();
  if (!grid_ || grid_->Focused()) return;
  grid_->focusLeft();
}
