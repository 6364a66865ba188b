// Update brackets of string lists, memos, list boxes and check-list boxes:
// many lines become one change, nothing is lost or reordered on the way.
#include <gtest/gtest.h>

#include <QListWidget>

#include "toolkit/CheckLst.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"

namespace {

struct UpdateBracketTest : ::testing::Test {
  TForm* form = nullptr;
  void SetUp() override {
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 400, 300);
  }
  void TearDown() override { Free(form); }
  template <class T>
  T* make() {
    T* c = new T(form);
    c->SetParent(form);
    return c;
  }
};

TEST_F(UpdateBracketTest, MemoLinesReachTheEditorOnceAtTheEnd) {
  auto* memo = make<TMemo>();
  int changes = 0;
  memo->OnChange = [&](TObject*) { ++changes; };
  TStrings* lines = memo->Lines();
  lines->BeginUpdate();
  for (int i = 0; i < 500; ++i) lines->Add("goal " + IntToStr(i));
  lines->Insert(0, "first\nsecond");   // a text with a break makes two lines
  lines->Add("");                       // an empty last line is kept
  EXPECT_EQ(memo->Text(), "");         // the editor waits for the end
  EXPECT_EQ(lines->Count(), 503);
  lines->EndUpdate();
  EXPECT_EQ(changes, 1);
  ASSERT_EQ(lines->Count(), 503);
  EXPECT_EQ(lines->Get(0), "first");
  EXPECT_EQ(lines->Get(1), "second");
  EXPECT_EQ(lines->Get(501), "goal 499");
  EXPECT_EQ(lines->Get(502), "");
  // Text set as a whole is split again.
  memo->SetText("a\r\nb\rc");
  ASSERT_EQ(lines->Count(), 3);
  EXPECT_EQ(lines->Get(2), "c");
}

TEST_F(UpdateBracketTest, ListBoxSelectionMovesOnceWithItsLine) {
  auto* list = make<TListBox>();
  for (const char* s : {"a", "b", "c"}) list->Items()->Add(s);
  list->SetItemIndex(1);
  int clicks = 0;
  list->OnClick = [&](TObject*) { ++clicks; };
  list->Items()->BeginUpdate();
  for (int i = 0; i < 100; ++i) list->Items()->Insert(0, "new " + IntToStr(i));
  list->Items()->EndUpdate();
  EXPECT_EQ(list->ItemIndex(), 101);
  EXPECT_EQ(list->Items()->Get(list->ItemIndex()), "b");
  EXPECT_EQ(list->List()->count(), 103);
  EXPECT_EQ(list->List()->item(101)->text().toStdString(), "b");
  EXPECT_EQ(clicks, 0);   // programmatic changes are silent
}

TEST_F(UpdateBracketTest, CheckListNewLinesStartUncheckedAndMarksStay) {
  auto* list = make<TCheckListBox>();
  TStringList src;
  for (int i = 0; i < 1000; ++i) src.Add("text " + IntToStr(i));
  list->Items()->Assign(&src);
  list->SetChecked(3, true);
  list->Items()->BeginUpdate();
  list->Items()->Insert(0, "top");
  list->Items()->Move(4, 0);   // "text 3" with its mark
  list->Items()->EndUpdate();
  ASSERT_EQ(list->Count(), 1001);
  EXPECT_EQ(list->Items()->Get(0), "text 3");
  EXPECT_TRUE(list->Checked(0));
  for (int i = 1; i < list->Count(); ++i) ASSERT_FALSE(list->Checked(i)) << i;
}

TEST_F(UpdateBracketTest, NestedBracketsCloseOnceAndStrayEndsAreHarmless) {
  TStringList l;
  int changes = 0;
  l.OnChange = [&](TObject*) { ++changes; };
  l.EndUpdate();
  EXPECT_EQ(changes, 0);
  l.BeginUpdate();
  l.BeginUpdate();
  l.Add("x");
  l.EndUpdate();
  EXPECT_TRUE(l.Updating());
  EXPECT_EQ(changes, 0);
  l.EndUpdate();
  EXPECT_EQ(changes, 1);
}

}  // namespace
