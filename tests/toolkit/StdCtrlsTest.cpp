// Standard controls: item lists kept in step with their widgets, silent and
// firing setters, owner drawing, check boxes, radio buttons, buttons, edits,
// memos, labels and spin edits.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QAbstractItemDelegate>
#include <QPushButton>
#include <QSpinBox>

#include "tests/toolkit/ToolkitTestUtil.h"
#include "toolkit/CheckLst.h"
#include "toolkit/Forms.h"
#include "toolkit/MouseTools.h"
#include "toolkit/Spin.h"
#include "toolkit/StdCtrls.h"

namespace {

struct Fixture : ::testing::Test {
  TForm* form = nullptr;
  void SetUp() override {
    form = new TForm(nullptr);
    form->SetBorderStyle(bsNone);
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

std::vector<String> listTexts(QListWidget* w) {
  std::vector<String> v;
  for (int i = 0; i < w->count(); ++i) v.push_back(w->item(i)->text().toStdString());
  return v;
}

std::vector<String> comboTexts(QComboBox* w) {
  std::vector<String> v;
  for (int i = 0; i < w->count(); ++i) v.push_back(w->itemText(i).toStdString());
  return v;
}

using SL = std::vector<String>;

TEST_F(Fixture, ListBoxItemsFollowEveryChange) {
  auto* lb = make<TListBox>();
  QListWidget* w = lb->List();
  lb->Items()->Add("b");
  lb->Items()->Add("c");
  lb->Items()->Insert(0, "a");
  EXPECT_EQ(listTexts(w), (SL{"a", "b", "c"}));
  lb->Items()->Put(1, "B");
  lb->Items()->Delete(2);
  EXPECT_EQ(listTexts(w), (SL{"a", "B"}));
  lb->Items()->SetText("x\ny\nz\n");
  EXPECT_EQ(listTexts(w), (SL{"x", "y", "z"}));
  TStringList src;
  src.Add("1");
  lb->SetItems(&src);
  EXPECT_EQ(listTexts(w), (SL{"1"}));
  lb->Clear();
  EXPECT_EQ(w->count(), 0);
  EXPECT_EQ(lb->ItemIndex(), -1);
}

TEST_F(Fixture, ListIndexErrorsCarryTheIndex) {
  auto* lb = make<TListBox>();
  lb->Items()->Add("a");
  try {
    lb->Items()->Get(5);
    FAIL() << "no exception";
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message, "List index out of bounds (5)");
  }
  EXPECT_THROW(lb->Items()->Delete(-1), EListError);
  EXPECT_THROW(lb->Selected(3), EListError);
  auto* cb = make<TComboBox>();
  EXPECT_THROW(cb->Items()->Put(0, "x"), EListError);
}

TEST_F(Fixture, ListBoxItemIndexIsSilentAndBounded) {
  auto* lb = make<TListBox>();
  int clicks = 0;
  lb->OnClick = [&](TObject*) { ++clicks; };
  lb->Items()->SetCommaText("a,b,c");
  lb->SetItemIndex(1);
  EXPECT_EQ(lb->ItemIndex(), 1);
  EXPECT_TRUE(lb->Selected(1));
  EXPECT_EQ(lb->List()->currentRow(), 1);
  lb->SetItemIndex(7);
  EXPECT_EQ(lb->ItemIndex(), -1);
  EXPECT_EQ(clicks, 0);
  // The operator's choice runs OnClick once.
  lb->List()->setCurrentRow(2);
  EXPECT_EQ(lb->ItemIndex(), 2);
  EXPECT_EQ(clicks, 1);
  // Inserting before the selection keeps the same item selected.
  lb->Items()->Insert(0, "z");
  EXPECT_EQ(lb->ItemIndex(), 3);
  EXPECT_EQ(lb->Items()->Get(lb->ItemIndex()), "c");
  lb->Items()->Delete(3);
  EXPECT_EQ(lb->ItemIndex(), -1);
  EXPECT_EQ(clicks, 1);
}

// Each click on a line is one OnClick, also on the line already selected
// (an operator opens the same entry again); list and check-list boxes alike.
TEST_F(Fixture, ListBoxClickOnTheSelectedLineIsAClick) {
  for (TListBox* lb : {make<TListBox>(), static_cast<TListBox*>(make<TCheckListBox>())}) {
    lb->SetBounds(0, 0, 200, 120);
    lb->Items()->SetCommaText("a,b,c");
    form->Show();
    int clicks = 0;
    lb->OnClick = [&](TObject*) { ++clicks; };
    clickListItem(lb, 1);
    EXPECT_EQ(clicks, 1);
    clickListItem(lb, 1);
    EXPECT_EQ(clicks, 2);
    clickListItem(lb, 2);
    EXPECT_EQ(clicks, 3);
    EXPECT_EQ(lb->ItemIndex(), 2);
  }
}

TEST_F(Fixture, ListBoxMultiSelectAndSorted) {
  auto* lb = make<TListBox>();
  lb->SetSorted(true);
  lb->Items()->Add("pear");
  lb->Items()->Add("Apple");
  EXPECT_EQ(lb->Items()->Add("fig"), 1);
  EXPECT_EQ(listTexts(lb->List()), (SL{"Apple", "fig", "pear"}));
  lb->SetMultiSelect(true);
  lb->SetSelected(0, true);
  lb->SetSelected(2, true);
  EXPECT_EQ(lb->SelCount(), 2);
  EXPECT_FALSE(lb->Selected(1));
  lb->ClearSelection();
  EXPECT_EQ(lb->SelCount(), 0);
  // One OnClick for each change the operator makes.
  int clicks = 0;
  lb->OnClick = [&](TObject*) { ++clicks; };
  lb->List()->item(1)->setSelected(true);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(lb->Selected(1));
}

TEST_F(Fixture, ListBoxOwnerDrawGetsCanvasRectAndState) {
  auto* lb = make<TListBox>();
  lb->SetBounds(0, 0, 150, 120);
  lb->SetStyle(lbOwnerDrawFixed);
  lb->SetItemHeight(20);
  lb->Items()->SetCommaText("one,two,three");
  lb->SetItemIndex(1);
  struct Call { int index; TRect r; bool selected; };
  std::vector<Call> calls;
  lb->OnDrawItem = [&](TWinControl* c, int i, TRect r, TOwnerDrawState st) {
    EXPECT_EQ(c, lb);
    calls.push_back({i, r, st.Contains(odSelected)});
    lb->Canvas()->Brush()->SetColor(clRed);
    lb->Canvas()->FillRect(r);
  };
  form->Show();
  TBitmap shot(150, 120);
  lb->PaintTo(shot.Canvas(), 0, 0);
  ASSERT_GE(calls.size(), 3u);
  for (const Call& c : calls) {
    EXPECT_EQ(c.r.Height(), 20);
    EXPECT_EQ(c.r, lb->ItemRect(c.index));
    EXPECT_EQ(c.selected, c.index == 1);
  }
  // What the handler drew reaches the screen.
  TRect r1 = lb->ItemRect(0);
  EXPECT_EQ(shot.Canvas()->Pixel(r1.Left + 5 + 2, r1.Top + 5 + 2), clRed);
}

TEST_F(Fixture, ComboItemsIndexAndText) {
  auto* cb = make<TComboBox>();
  cb->SetStyle(csDropDownList);
  int changes = 0, selects = 0;
  cb->OnChange = [&](TObject*) { ++changes; };
  cb->OnSelect = [&](TObject*) { ++selects; };
  cb->Items()->SetCommaText("1,2,1+,2+");
  EXPECT_EQ(comboTexts(cb->Combo()), (SL{"1", "2", "1+", "2+"}));
  EXPECT_EQ(cb->ItemIndex(), -1);    // adding items selects nothing
  cb->SetItemIndex(0);
  EXPECT_EQ(cb->Text(), "1");
  cb->SetItemIndex(cb->ItemIndex() + 1);
  EXPECT_EQ(cb->Text(), "2");
  cb->SetItemIndex(4);              // past the last item: nothing selected
  EXPECT_EQ(cb->ItemIndex(), -1);
  EXPECT_EQ(cb->Text(), "");
  EXPECT_EQ(cb->Combo()->currentIndex(), -1);
  EXPECT_EQ(changes, 0);
  // The operator picks an item: OnChange and OnSelect.
  cb->SetItemIndex(1);
  emit cb->Combo()->activated(3);
  EXPECT_EQ(cb->ItemIndex(), 3);
  EXPECT_EQ(cb->Text(), "2+");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(selects, 1);
  cb->Items()->Delete(0);
  EXPECT_EQ(cb->ItemIndex(), 2);
  EXPECT_EQ(cb->Text(), "2+");
  cb->SetText("2");
  EXPECT_EQ(cb->ItemIndex(), 0);
}

TEST_F(Fixture, EditableComboKeepsTypedText) {
  auto* cb = make<TComboBox>();
  cb->Items()->SetCommaText("alpha,beta");
  cb->SetText("gamma");
  EXPECT_EQ(cb->ItemIndex(), -1);
  EXPECT_EQ(cb->Combo()->currentText().toStdString(), "gamma");
  cb->SetText("beta");
  EXPECT_EQ(cb->ItemIndex(), 1);
  int changes = 0;
  cb->OnChange = [&](TObject*) { ++changes; };
  cb->Combo()->lineEdit()->setText("alp");
  emit cb->Combo()->lineEdit()->textEdited("alp");
  EXPECT_EQ(cb->Text(), "alp");
  EXPECT_EQ(cb->ItemIndex(), -1);
  EXPECT_EQ(changes, 1);
  cb->SetSorted(true);
  cb->Items()->Add("aa");
  EXPECT_EQ(comboTexts(cb->Combo()), (SL{"aa", "alpha", "beta"}));
}

TEST_F(Fixture, CheckBoxEventsFollowTheValue) {
  auto* ch = make<TCheckBox>();
  int clicks = 0;
  ch->OnClick = [&](TObject*) { ++clicks; };
  ch->SetChecked(true);
  ch->SetChecked(true);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(static_cast<QCheckBox*>(ch->Widget())->checkState(), Qt::Checked);
  ch->SetState(cbGrayed);
  EXPECT_FALSE(ch->Checked());
  EXPECT_EQ(clicks, 2);
  // The operator's click cycles unchecked -> checked (-> grayed when allowed).
  ch->SetChecked(false);
  ch->SetAllowGrayed(true);
  clicks = 0;
  static_cast<QCheckBox*>(ch->Widget())->click();
  EXPECT_EQ(ch->State(), cbChecked);
  static_cast<QCheckBox*>(ch->Widget())->click();
  EXPECT_EQ(ch->State(), cbGrayed);
  static_cast<QCheckBox*>(ch->Widget())->click();
  EXPECT_EQ(ch->State(), cbUnchecked);
  EXPECT_EQ(clicks, 3);
}

TEST_F(Fixture, RadioButtonsTurnSiblingsOff) {
  auto* a = make<TRadioButton>();
  auto* b = make<TRadioButton>();
  int clicksA = 0, clicksB = 0;
  a->OnClick = [&](TObject*) { ++clicksA; };
  b->OnClick = [&](TObject*) { ++clicksB; };
  a->SetChecked(true);
  b->SetChecked(true);
  EXPECT_FALSE(a->Checked());
  EXPECT_TRUE(b->Checked());
  EXPECT_EQ(clicksA, 1);
  EXPECT_EQ(clicksB, 1);
  b->SetChecked(true);
  EXPECT_EQ(clicksB, 1);
}

TEST_F(Fixture, ButtonClickRunsWhenDisabledAndSetsModalResult) {
  auto* b = make<TButton>();
  int clicks = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  b->SetEnabled(false);
  b->Click();
  EXPECT_EQ(clicks, 1);
  b->SetEnabled(true);
  b->SetModalResult(mrOk);
  b->Click();
  EXPECT_EQ(form->ModalResult(), mrOk);
  b->SetCaption("Go");
  EXPECT_EQ(static_cast<QPushButton*>(b->Widget())->text().toStdString(), "Go");
}

TEST_F(Fixture, EditOnChangeOnlyOnChange) {
  auto* e = make<TEdit>();
  std::vector<String> seen;
  e->OnChange = [&](TObject*) { seen.push_back(e->Text()); };
  e->SetText("abc");
  e->SetText("abc");
  EXPECT_EQ(seen, (SL{"abc"}));
  EXPECT_EQ(static_cast<QLineEdit*>(e->Widget())->text().toStdString(), "abc");
  // Typing by the operator.
  static_cast<QLineEdit*>(e->Widget())->setFocus();
  sendKey(e->Widget(), Qt::Key_D, "d");
  EXPECT_EQ(e->Text(), "abcd");
  EXPECT_EQ(seen.back(), "abcd");
  e->SetSelStart(1);
  e->SetSelLength(2);
  EXPECT_EQ(e->SelText(), "bc");
  EXPECT_EQ(e->SelStart(), 1);
  EXPECT_EQ(e->SelLength(), 2);
  e->SetMaxLength(3);
  e->SetText("123456");
  EXPECT_EQ(e->Text(), "123");     // what the line holds
}

TEST_F(Fixture, MemoLinesAreAView) {
  auto* m = make<TMemo>();
  m->Lines()->Add("first");
  m->Lines()->Add("second");
  EXPECT_EQ(m->Lines()->Count(), 2);
  EXPECT_EQ(m->Editor()->toPlainText().toStdString(), "first\nsecond");
  m->Lines()->Insert(1, "middle");
  m->Lines()->Delete(0);
  EXPECT_EQ(m->Lines()->Text(), "middle\nsecond\n");
  m->SetText("a\r\nb\r\n");
  EXPECT_EQ(m->Lines()->Count(), 2);
  EXPECT_EQ(m->Lines()->Get(1), "b");
  m->Clear();
  EXPECT_EQ(m->Lines()->Count(), 0);
  EXPECT_THROW(m->Lines()->Get(0), EListError);
}

// Lines added at the end and taken from the end reach the editor one by one:
// what it shows is always the lines joined, read back the same once the
// lines are split from its text again.
TEST_F(Fixture, MemoLinesAddedAndTakenAtTheEndMatchTheEditor) {
  auto* m = make<TMemo>();
  std::vector<String> want;
  auto check = [&](const char* when) {
    String joined;
    for (size_t i = 0; i < want.size(); ++i) joined += (i ? "\n" : "") + want[i];
    ASSERT_EQ(m->Editor()->toPlainText().toStdString(), joined) << when;
    ASSERT_EQ(m->Lines()->Count(), int(want.size())) << when;
    for (size_t i = 0; i < want.size(); ++i) ASSERT_EQ(m->Lines()->Get(int(i)), want[i]) << when << " line " << i;
  };
  m->Lines()->Add("");                     // a single empty line first
  want.push_back("");
  for (int i = 0; i < 500; ++i) {
    const String line = i % 7 == 0 ? String() : "Gól " + IntToStr(i) + "' Ñandú";
    m->Lines()->Add(line);
    want.push_back(line);
  }
  check("after adding");
  for (int i = 0; i < 3; ++i) {
    m->Lines()->Delete(m->Lines()->Count() - 1);
    want.pop_back();
  }
  check("after taking the last lines");
  // Split again from the editor's text (a typed change forgets the lines).
  m->SetText(m->Text() + "\nz");
  want.push_back("z");
  check("after the text was set whole");
  while (m->Lines()->Count() > 0) m->Lines()->Delete(m->Lines()->Count() - 1);
  EXPECT_EQ(m->Editor()->toPlainText().toStdString(), "");
  EXPECT_TRUE(m->Editor()->document()->isUndoRedoEnabled());
}

TEST_F(Fixture, ItemDelegatesGoWithTheirControls) {
  auto* cb = make<TComboBox>();
  auto* lb = make<TListBox>();
  QPointer<QAbstractItemDelegate> comboDelegate = cb->Combo()->itemDelegate();
  QPointer<QAbstractItemDelegate> listDelegate = lb->List()->itemDelegate();
  ASSERT_TRUE(comboDelegate && listDelegate);
  delete cb;
  delete lb;
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(comboDelegate.isNull());
  EXPECT_TRUE(listDelegate.isNull());
}

TEST_F(Fixture, MemoLinesRoundTripEmptyLines) {
  auto* m = make<TMemo>();
  m->Lines()->Add("a");
  m->Lines()->Add("");
  ASSERT_EQ(m->Lines()->Count(), 2);
  EXPECT_EQ(m->Lines()->Get(1), "");
  EXPECT_EQ(m->Lines()->Text(), "a\n\n");
  m->Lines()->Add("b");                       // the empty line stays in between
  EXPECT_EQ(m->Lines()->Text(), "a\n\nb\n");
  EXPECT_EQ(m->Editor()->toPlainText().toStdString(), "a\n\nb");
  m->Lines()->Delete(2);
  EXPECT_EQ(m->Lines()->Count(), 2);
  // A copy through Assign and Text keeps the last empty line.
  TStringList copy;
  copy.Assign(m->Lines());
  EXPECT_EQ(copy.Count(), 2);
  m->Lines()->SetText("x\n\n\n");
  EXPECT_EQ(m->Lines()->Count(), 3);
  // A single empty line is a line; clearing the memo leaves none.
  m->Lines()->Clear();
  m->Lines()->Add("");
  EXPECT_EQ(m->Lines()->Count(), 1);
  m->Clear();
  EXPECT_EQ(m->Lines()->Count(), 0);
  // A text set as a whole has no empty last line.
  m->SetText("p\nq\n");
  EXPECT_EQ(m->Lines()->Count(), 2);
  m->Lines()->Add("");
  EXPECT_EQ(m->Lines()->Count(), 3);
  EXPECT_EQ(m->Lines()->Get(2), "");
  // A string with a line break becomes two lines, as the editor shows it.
  m->Lines()->Clear();
  m->Lines()->Add("one\ntwo");
  EXPECT_EQ(m->Lines()->Count(), 2);
  EXPECT_EQ(m->Lines()->Get(1), "two");
}

TEST_F(Fixture, LabelAutoSizeFollowsCaption) {
  auto* l = make<TLabel>();
  l->SetCaption("Hi");
  int small = l->Width();
  l->SetCaption("A much longer caption");
  EXPECT_GT(l->Width(), small);
  EXPECT_GT(l->Height(), 0);
  l->SetAutoSize(false);
  l->SetWidth(10);
  l->SetCaption("Another long caption");
  EXPECT_EQ(l->Width(), 10);
  // A right-aligned label keeps its right edge.
  auto* r = make<TLabel>();
  r->SetAlignment(taRightJustify);
  r->SetLeft(100);
  r->SetCaption("x");
  int right = r->Left() + r->Width();
  r->SetCaption("xxxxxxxx");
  EXPECT_EQ(r->Left() + r->Width(), right);
}

TEST_F(Fixture, SpinEditLimits) {
  auto* s = make<TSpinEdit>();
  int changes = 0;
  s->OnChange = [&](TObject*) { ++changes; };
  s->SetValue(-500);                  // both limits 0: no limit
  EXPECT_EQ(s->Value(), -500);
  EXPECT_EQ(changes, 1);
  s->SetMinValue(1);
  s->SetMaxValue(150);
  s->SetValue(200);
  EXPECT_EQ(s->Value(), 150);
  s->SetValue(150);
  EXPECT_EQ(changes, 2);
  s->SetValue(0);
  EXPECT_EQ(s->Value(), 1);
  EXPECT_EQ(s->Text(), "1");
  s->SetIncrement(10);
  s->StepUp();
  EXPECT_EQ(s->Value(), 11);
  s->SetText("x");                    // not a number: the value stays
  EXPECT_EQ(s->Value(), 11);
  s->SetText("42");
  EXPECT_EQ(s->Value(), 42);
  // The operator turns it.
  changes = 0;
  static_cast<QSpinBox*>(s->Widget())->setValue(43);
  EXPECT_EQ(s->Value(), 43);
  EXPECT_EQ(changes, 1);
}

// The operator's arrows (a click on the up arrow, the Up key) and typing on
// a spin edit: without its editor only the arrows change the value (the
// score of the referee's sheet), read-only nothing does; a digit that a box
// without its editor does not take is not told as out of range.
TEST_F(Fixture, SpinEditWithoutItsEditorStepsByItsArrowsOnly) {
  const struct {
    const char* name;
    bool editor, readOnly;
    int afterArrows, afterTyping;
  } rows[] = {{"with its editor", true, false, 2, 27}, {"without its editor", false, false, 2, 2},
              {"read-only", true, true, 0, 0}};
  form->Show();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto* s = make<TSpinEdit>();
    s->SetBounds(10, 10, 60, 30);
    s->SetMinValue(0);
    s->SetMaxValue(99);
    s->SetEditorEnabled(row.editor);
    s->SetReadOnly(row.readOnly);
    QWidget* w = s->Widget();
    const TPoint up(s->Width() - 6, 4);
    SendMouseButton(s, mbLeft, true, up);
    SendMouseButton(s, mbLeft, false, up);
    sendKey(w, Qt::Key_Up);
    EXPECT_EQ(s->Value(), row.afterArrows);
    int refused = 0;
    s->OnOutOfRange = [&](TObject*) { ++refused; };
    sendKey(w, Qt::Key_End);
    sendKey(w, Qt::Key_7, "7");
    Application->ProcessMessages();
    EXPECT_EQ(s->Value(), row.afterTyping);
    EXPECT_EQ(refused, 0);   // a digit not taken is no number out of range
  }
}

TEST_F(Fixture, CheckListStatesMoveWithTheirItems) {
  auto* cl = make<TCheckListBox>();
  cl->Items()->SetCommaText("a,b,c");
  int checks = 0;
  cl->OnClickCheck = [&](TObject*) { ++checks; };
  cl->SetChecked(1, true);
  EXPECT_EQ(checks, 0);            // silent
  EXPECT_TRUE(cl->Checked(1));
  cl->Items()->Insert(0, "z");
  EXPECT_FALSE(cl->Checked(1));
  EXPECT_TRUE(cl->Checked(2));
  EXPECT_EQ(cl->State(0), cbUnchecked);
  cl->Items()->Delete(0);
  EXPECT_TRUE(cl->Checked(1));
  EXPECT_THROW(cl->Checked(3), EListError);
  // Moving a line takes its mark and its object along.
  TObject tag;
  cl->Items()->PutObject(1, &tag);
  cl->Items()->Move(1, 0);
  EXPECT_EQ(cl->Items()->Get(0), "b");
  EXPECT_TRUE(cl->Checked(0));
  EXPECT_FALSE(cl->Checked(1));
  EXPECT_EQ(cl->Items()->GetObject(0), &tag);
  EXPECT_EQ(cl->List()->item(0)->text().toStdString(), "b");
  cl->Items()->Move(0, 1);
  cl->Items()->Delete(0);
  cl->Items()->Add("a");           // a new line with the text of a deleted one comes unchecked
  cl->Items()->Insert(0, "a");
  EXPECT_FALSE(cl->Checked(2));
  EXPECT_FALSE(cl->Checked(0));
  cl->Items()->Delete(2);
  cl->Items()->Delete(0);
  EXPECT_TRUE(cl->Checked(0));
  cl->SetChecked(0, false);
  EXPECT_THROW(cl->SetState(-1, cbChecked), EListError);
  cl->SetAllowGrayed(true);
  cl->ToggleCheck(0);
  EXPECT_EQ(cl->State(0), cbChecked);
  cl->ToggleCheck(0);
  EXPECT_EQ(cl->State(0), cbGrayed);
  cl->ToggleCheck(0);
  EXPECT_EQ(cl->State(0), cbUnchecked);
  EXPECT_EQ(checks, 3);
}

TEST_F(Fixture, CheckListClickOnTheBoxToggles) {
  auto* cl = make<TCheckListBox>();
  cl->SetBounds(0, 0, 150, 100);
  cl->Items()->SetCommaText("a,b");
  form->Show();
  int checks = 0;
  cl->OnClickCheck = [&](TObject*) { ++checks; };
  QWidget* vp = cl->List()->viewport();
  TRect r = cl->ItemRect(1);
  auto press = [&](int x, int y) {
    QPointF p(x, y);
    QMouseEvent e(QEvent::MouseButtonPress, p, p, vp->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &e);
    QMouseEvent u(QEvent::MouseButtonRelease, p, p, vp->mapToGlobal(p), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &u);
  };
  press(r.Left + 5, r.Top + r.Height() / 2);
  EXPECT_TRUE(cl->Checked(1));
  EXPECT_EQ(checks, 1);
  press(r.Left + 60, r.Top + r.Height() / 2);   // on the text: selects only
  EXPECT_TRUE(cl->Checked(1));
  EXPECT_EQ(checks, 1);
  cl->SetItemEnabled(1, false);
  press(r.Left + 5, r.Top + r.Height() / 2);
  EXPECT_TRUE(cl->Checked(1));
}

}  // namespace
