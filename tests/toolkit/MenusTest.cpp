// Menu item trees, radio items, clicks and shortcuts.
#include <gtest/gtest.h>

#include "toolkit/Controls.h"
#include "toolkit/Forms.h"
#include "toolkit/Menus.h"
#include "toolkit/MouseTools.h"

namespace {

TMenuItem* item(TComponent* owner, const String& caption) {
  auto* m = new TMenuItem(owner);
  m->SetCaption(caption);
  return m;
}

TEST(Menus, AddInsertDeleteAndIndexErrors) {
  TPopupMenu menu(nullptr);
  TMenuItem* root = menu.Items();
  TMenuItem* a = item(&menu, "&Open");
  root->Add(a);
  root->Add(item(&menu, "-"));
  root->Insert(0, item(&menu, "New"));
  EXPECT_EQ(root->Count(), 3);
  EXPECT_EQ(root->Items(1), a);
  EXPECT_EQ(a->MenuIndex(), 1);
  EXPECT_TRUE(root->Items(2)->IsLine());
  EXPECT_EQ(root->Find("open"), a);
  EXPECT_THROW(root->Items(3), EListError);
  EXPECT_THROW(root->Add(a), EInvalidOperation);   // already in a menu
  root->Delete(0);
  EXPECT_EQ(root->Count(), 2);
  EXPECT_EQ(root->Items(0), a);
  // Freeing an item takes it out of its parent.
  delete a;
  EXPECT_EQ(root->Count(), 1);
  root->Clear();
  EXPECT_EQ(root->Count(), 0);
}

TEST(Menus, RadioItemsAndClicks) {
  TPopupMenu menu(nullptr);
  TMenuItem* x = item(&menu, "X");
  TMenuItem* y = item(&menu, "Y");
  for (TMenuItem* m : {x, y}) {
    m->SetRadioItem(true);
    m->SetGroupIndex(3);
    menu.Items()->Add(m);
  }
  x->SetChecked(true);
  y->SetChecked(true);
  EXPECT_FALSE(x->Checked());
  int clicks = 0;
  x->OnClick = [&](TObject* s) { EXPECT_EQ(s, x); ++clicks; };
  x->SetEnabled(false);
  x->Click();                                  // runs even when disabled
  EXPECT_EQ(clicks, 1);
  x->SetAutoCheck(true);
  x->Click();
  EXPECT_TRUE(x->Checked());
  EXPECT_FALSE(y->Checked());
}

TEST(Menus, ShortCuts) {
  EXPECT_EQ(ShortCutToText(scCtrl | 'S'), "Ctrl+S");
  EXPECT_EQ(ShortCutToText(VK_F5), "F5");
  EXPECT_EQ(ShortCutToText(scShift | VK_DELETE), "Shift+Del");
  TPopupMenu menu(nullptr);
  TMenuItem* sub = item(&menu, "File");
  TMenuItem* save = item(&menu, "Save");
  save->SetShortCut(scCtrl | 'S');
  int saves = 0;
  save->OnClick = [&](TObject*) { ++saves; };
  menu.Items()->Add(sub);
  sub->Add(save);
  EXPECT_TRUE(menu.DispatchShortCut(scCtrl | 'S'));
  EXPECT_EQ(saves, 1);
  save->SetEnabled(false);
  EXPECT_FALSE(menu.DispatchShortCut(scCtrl | 'S'));
  EXPECT_FALSE(menu.DispatchShortCut(VK_F2));
}

TEST(Menus, PopupShowsAndCloses) {
  TPopupMenu menu(nullptr);
  int pops = 0;
  menu.OnPopup = [&](TObject*) { ++pops; };
  menu.Items()->Add(item(&menu, "One"));
  menu.Popup(10, 10);
  EXPECT_EQ(pops, 1);
  EXPECT_NE(menu.ShownMenu(), nullptr);
  menu.ClosePopup();
  EXPECT_EQ(menu.ShownMenu(), nullptr);
}

// An item chosen in the shown menu, by mouse or keys, runs its Click once the
// menu has closed and its own event handling has returned (what the Click
// opens may free the menu); a menu freed first clicks nothing.
TEST(Menus, AChosenItemClicksAfterTheMenuClosedAndReturned) {
  struct Row { const char* name; bool keys, freeFirst; };
  const Row rows[] = {{"mouse", false, false}, {"keys", true, false}, {"menu freed first", false, true}};
  for (const Row& r : rows) {
    auto* menu = new TPopupMenu(nullptr);
    TMenuItem* it = item(menu, "Save");
    menu->Items()->Add(it);
    int clicks = 0;
    bool shownAtClick = false;
    it->OnClick = [&](TObject*) {
      ++clicks;
      shownAtClick = menu->ShownMenu() != nullptr;
    };
    menu->Popup(10, 10);
    if (r.keys) {
      SendWindowKey(VK_DOWN);
      SendWindowKey(VK_RETURN);
    } else {
      ASSERT_TRUE(menu->ClickShownItem("Save")) << r.name;
    }
    EXPECT_EQ(clicks, 0) << r.name << ": clicked inside the menu's handling";
    EXPECT_EQ(menu->ShownMenu(), nullptr) << r.name;
    if (r.freeFirst) {
      delete menu;
      menu = nullptr;
    }
    Application->ProcessMessages();
    EXPECT_EQ(clicks, r.freeFirst ? 0 : 1) << r.name;
    EXPECT_FALSE(shownAtClick) << r.name;
    delete menu;
  }
}

}  // namespace
