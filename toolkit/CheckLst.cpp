// The check-list box: a list box whose items carry a check state.
#include "toolkit/CheckLst.h"

#include <QListWidget>
#include <QSignalBlocker>
#include "toolkit/StdWidgets_p.h"

namespace {
constexpr int kBox = 13;       // side of the drawn check box
constexpr int kBoxArea = 16;   // width of the item's check area

Qt::CheckState qtState(TCheckBoxState s) {
  return s == cbChecked ? Qt::Checked : s == cbGrayed ? Qt::PartiallyChecked : Qt::Unchecked;
}
TCheckBoxState tkState(const QListWidgetItem* it) {
  QVariant v = it->data(Qt::CheckStateRole);
  if (!v.isValid()) return cbUnchecked;
  auto q = Qt::CheckState(v.toInt());
  return q == Qt::Checked ? cbChecked : q == Qt::PartiallyChecked ? cbGrayed : cbUnchecked;
}
}  // namespace

TCheckListBox::TCheckListBox(TComponent* AOwner) : TListBox(AOwner) {}

void TCheckListBox::ItemInserted(QListWidgetItem* it) {
  if (!it || it->data(Qt::CheckStateRole).isValid()) return;
  // The list toggles the state itself (see ViewportMouse), not the view.
  it->setFlags(it->flags() & ~Qt::ItemIsUserCheckable);
  it->setData(Qt::CheckStateRole, int(Qt::Unchecked));
}

void TCheckListBox::ItemsChanged() { TListBox::ItemsChanged(); }

static QListWidgetItem* itemAt(const TCheckListBox* c, int i) {
  if (i < 0 || i >= c->Count()) ListIndexError(i);
  return c->List()->item(i);
}

bool TCheckListBox::Checked(int i) const { return State(i) == cbChecked; }
void TCheckListBox::SetChecked(int i, bool v) { SetState(i, v ? cbChecked : cbUnchecked); }
TCheckBoxState TCheckListBox::State(int i) const { return tkState(itemAt(this, i)); }

void TCheckListBox::SetState(int i, TCheckBoxState s) {
  QListWidgetItem* it = itemAt(this, i);
  QSignalBlocker b(List());
  it->setData(Qt::CheckStateRole, int(qtState(s)));
  List()->viewport()->update();
}

bool TCheckListBox::ItemEnabled(int i) const { return itemAt(this, i)->flags() & Qt::ItemIsEnabled; }

void TCheckListBox::SetItemEnabled(int i, bool v) {
  QListWidgetItem* it = itemAt(this, i);
  QSignalBlocker b(List());
  it->setFlags(v ? it->flags() | Qt::ItemIsEnabled : it->flags() & ~Qt::ItemIsEnabled);
}

void TCheckListBox::ToggleCheck(int i) {
  TCheckBoxState s = State(i);
  TCheckBoxState next = s == cbUnchecked ? cbChecked : s == cbChecked ? (allowGrayed_ ? cbGrayed : cbUnchecked) : cbUnchecked;
  SetState(i, next);
  if (OnClickCheck) Dispatch([this] { OnClickCheck(this); });
}

void TCheckListBox::WidgetCheckChanged(int i) {
  if (i < 0 || i >= Count() || !ItemEnabled(i) || !Enabled()) return;
  ToggleCheck(i);
}

void TCheckListBox::ViewportMouse(int kind, TMouseButton b, TShiftState s, int x, int y) {
  if (kind == 0 && b == mbLeft) {
    int i = ItemAtPos(TPoint(x, y), true);
    if (i >= 0) {
      TRect r = ItemRect(i);
      if (x >= r.Left && x < r.Left + kBoxArea) WidgetCheckChanged(i);
    }
  }
  TListBox::ViewportMouse(kind, b, s, x, y);
}

void TCheckListBox::KeyPress(char32_t& key) {
  TListBox::KeyPress(key);
  if (key == U' ' && ItemIndex() >= 0) {
    WidgetCheckChanged(ItemIndex());
    key = 0;
  }
}

void TCheckListBox::DefaultDrawItem(int index, const TRect& r, TOwnerDrawState st) {
  TCanvas* c = Canvas();
  c->FillRect(r);
  if (index < 0 || index >= Count()) return;
  TCheckBoxState s = State(index);
  TRect box = Bounds(r.Left + (kBoxArea - kBox) / 2, r.Top + (r.Height() - kBox) / 2, kBox, kBox);
  TColor brush = c->Brush()->Color();
  c->Brush()->SetColor(s == cbGrayed ? clBtnFace : clWindow);
  c->Pen()->SetColor(ItemEnabled(index) ? clBtnShadow : clGrayText);
  c->Rectangle(box);
  if (s != cbUnchecked) {
    c->Pen()->SetColor(s == cbGrayed ? clGrayText : clWindowText);
    c->Pen()->SetWidth(2);
    c->MoveTo(box.Left + 3, box.Top + 6);
    c->LineTo(box.Left + 5, box.Top + 9);
    c->LineTo(box.Left + 10, box.Top + 3);
    c->Pen()->SetWidth(1);
  }
  c->Brush()->SetColor(brush);
  if (!ItemEnabled(index) && !st.Contains(odSelected)) c->Font()->SetColor(clGrayText);
  TRect tr = r;
  tr.Left += kBoxArea + 2;
  c->Brush()->SetStyle(bsClear);
  c->DrawText(Items()->Get(index), tr, TTextFormat{tfLeft, tfVerticalCenter, tfSingleLine, tfNoPrefix});
  c->Brush()->SetStyle(bsSolid);
}
