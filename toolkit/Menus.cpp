// Menus: the item tree, pop-up menus shown through Qt menus.
#include "toolkit/Menus.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QPointer>
#include "toolkit/Controls.h"
#include "toolkit/QtGlue.h"

String ShortCutToText(TShortCut s) {
  if (s == 0) return String();
  String r;
  if (s & scCtrl) r += "Ctrl+";
  if (s & scShift) r += "Shift+";
  if (s & scAlt) r += "Alt+";
  int k = s & 0xFF;
  switch (k) {
    case VK_BACK: return r + "BkSp";
    case VK_TAB: return r + "Tab";
    case VK_RETURN: return r + "Enter";
    case VK_ESCAPE: return r + "Esc";
    case VK_SPACE: return r + "Space";
    case VK_PRIOR: return r + "PgUp";
    case VK_NEXT: return r + "PgDn";
    case VK_END: return r + "End";
    case VK_HOME: return r + "Home";
    case VK_LEFT: return r + "Left";
    case VK_UP: return r + "Up";
    case VK_RIGHT: return r + "Right";
    case VK_DOWN: return r + "Down";
    case VK_INSERT: return r + "Ins";
    case VK_DELETE: return r + "Del";
    default: break;
  }
  if (k >= VK_F1 && k < VK_F1 + 24) return r + "F" + IntToStr(k - VK_F1 + 1);
  if ((k >= '0' && k <= '9') || (k >= 'A' && k <= 'Z')) return r + char(k);
  return r + "#" + IntToStr(k);
}

// ---------------------------------------------------------------- TMenuItem

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem() {
  BeginDestroy();
  while (!items_.empty()) {
    TMenuItem* it = items_.back();
    items_.pop_back();
    it->parent_ = nullptr;
    delete it;
  }
  if (parent_) parent_->detach(this);
}

void TMenuItem::detach(TMenuItem* item) {
  items_.erase(std::remove(items_.begin(), items_.end(), item), items_.end());
  item->parent_ = nullptr;
}

TMenuItem* TMenuItem::Items(int i) const {
  if (i < 0 || i >= Count()) ListIndexError(i);
  return items_[size_t(i)];
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (!item) return;
  if (item->parent_) throw EInvalidOperation("Menu inserted twice");
  if (index < 0 || index > Count()) ListIndexError(index);
  for (const TMenuItem* p = this; p; p = p->parent_)
    if (p == item) throw EInvalidOperation("Menu inserted twice");
  items_.insert(items_.begin() + index, item);
  item->parent_ = this;
}

void TMenuItem::Delete(int i) {
  TMenuItem* it = Items(i);
  detach(it);
  delete it;
}

void TMenuItem::Remove(TMenuItem* item) {
  if (IndexOf(item) < 0) throw EListError("Menu index out of range");
  detach(item);
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : int(it - items_.begin());
}

void TMenuItem::Clear() {
  while (!items_.empty()) Delete(Count() - 1);
}

static String stripAmp(const String& s) {
  String r;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '&') {
      if (i + 1 < s.size() && s[i + 1] == '&') { r += '&'; ++i; }
      continue;
    }
    r += s[i];
  }
  return r;
}

TMenuItem* TMenuItem::Find(const String& caption) const {
  for (TMenuItem* it : items_)
    if (SameText(stripAmp(it->caption_), stripAmp(caption))) return it;
  return nullptr;
}

void TMenuItem::SetChecked(bool v) {
  if (checked_ == v) return;
  checked_ = v;
  if (v && radioItem_ && parent_)
    for (TMenuItem* sib : parent_->items_)
      if (sib != this && sib->radioItem_ && sib->groupIndex_ == groupIndex_) sib->checked_ = false;
}

void TMenuItem::Click() {
  if (autoCheck_) SetChecked(radioItem_ ? true : !checked_);
  if (OnClick) OnClick(this);
}

// ---------------------------------------------------------------- TMenu

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), items_(new TMenuItem(this)) {}

TMenu::~TMenu() = default;

static TMenuItem* findShortCut(TMenuItem* root, TShortCut s) {
  for (int i = 0; i < root->Count(); ++i) {
    TMenuItem* it = root->Items(i);
    if (!it->Visible() || !it->Enabled()) continue;
    if (it->ShortCut() == s) return it;
    if (TMenuItem* sub = findShortCut(it, s)) return sub;
  }
  return nullptr;
}

bool TMenu::DispatchShortCut(TShortCut s) {
  if (s == 0) return false;
  TMenuItem* it = findShortCut(items_, s);
  if (!it) return false;
  DispatchEvent([it] { it->Click(); });
  return true;
}

// ---------------------------------------------------------------- TPopupMenu

namespace {
QKeySequence keySequence(TShortCut s) {
  String t = ShortCutToText(s);
  if (t.empty()) return QKeySequence();
  t = StringReplaceAll(t, "BkSp", "Backspace");
  t = StringReplaceAll(t, "Ins", "Insert");
  t = StringReplaceAll(t, "Del", "Delete");
  return QKeySequence(tkqt::QStr(t));
}

bool contains(const TMenuItem* root, const TMenuItem* it) {
  for (int i = 0; i < root->Count(); ++i)
    if (root->Items(i) == it || contains(root->Items(i), it)) return true;
  return false;
}

void fill(QMenu* m, TMenuItem* root, TMenuItem* top, QObject* clicks) {
  QActionGroup* group = nullptr;
  int groupIndex = -1;
  for (int i = 0; i < root->Count(); ++i) {
    TMenuItem* it = root->Items(i);
    if (!it->Visible()) continue;
    if (it->IsLine()) { m->addSeparator(); continue; }
    if (it->Count() > 0) {
      QMenu* sub = m->addMenu(tkqt::QStr(it->Caption()));
      sub->setEnabled(it->Enabled());
      fill(sub, it, top, clicks);
      continue;
    }
    QAction* a = m->addAction(tkqt::QStr(it->Caption()));
    a->setEnabled(it->Enabled());
    if (it->Checked() || it->AutoCheck() || it->RadioItem()) {
      a->setCheckable(true);
      a->setChecked(it->Checked());
    }
    if (it->RadioItem()) {
      if (!group || groupIndex != it->GroupIndex()) {
        group = new QActionGroup(m);
        groupIndex = it->GroupIndex();
      }
      a->setActionGroup(group);
    }
    if (it->ShortCut()) a->setShortcut(keySequence(it->ShortCut()));
    if (!it->Hint().empty()) a->setStatusTip(tkqt::QStr(it->Hint()));
    // The chosen item's Click runs once the menu has closed and its own
    // event handling has returned (a dialog it opens may free the menu), as
    // a queued call that dies with the pop-up menu; an item freed by then is
    // no longer clicked.
    QObject::connect(a, &QAction::triggered, m, [it, top, clicks] {
      QMetaObject::invokeMethod(
          clicks, [it, top] {
            if (contains(top, it)) DispatchEvent([it] { it->Click(); });
          },
          Qt::QueuedConnection);
    });
  }
}
}  // namespace

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner), clicks_(new QObject) {}

TPopupMenu::~TPopupMenu() {
  ClosePopup();
  delete clicks_;   // an item's Click still queued goes with it
}

void TPopupMenu::ClosePopup() {
  if (auto* p = static_cast<QPointer<QMenu>*>(shown_)) {
    if (!p->isNull()) {
      (*p)->disconnect();
      (*p)->close();
      (*p)->deleteLater();
    }
    delete p;
    shown_ = nullptr;
  }
}

void* TPopupMenu::ShownMenu() const {
  auto* p = static_cast<QPointer<QMenu>*>(shown_);
  return p && !p->isNull() && (*p)->isVisible() ? p->data() : nullptr;
}

bool TPopupMenu::ClickShownItem(const String& Caption) {
  auto* m = static_cast<QMenu*>(ShownMenu());
  if (!m) return false;
  for (QAction* a : m->actions()) {
    if (a->isSeparator() || stripAmp(tkqt::Str(a->text())) != stripAmp(Caption)) continue;
    const QPoint at = m->actionGeometry(a).center();
    tkqt::SendWindowMouse(m, at, Qt::LeftButton, true);
    tkqt::SendWindowMouse(m, at, Qt::LeftButton, false);
    return true;
  }
  return false;
}

void TPopupMenu::Popup(int X, int Y) {
  ClosePopup();
  if (OnPopup) DispatchEvent([this] { OnPopup(this); });
  auto* m = new QMenu;
  m->setAttribute(Qt::WA_DeleteOnClose);
  fill(m, Items(), Items(), clicks_);
  shown_ = new QPointer<QMenu>(m);
  QPoint at(X, Y);
  if (Alignment == paRight) at.rx() -= m->sizeHint().width();
  else if (Alignment == paCenter) at.rx() -= m->sizeHint().width() / 2;
  m->popup(at);
}
