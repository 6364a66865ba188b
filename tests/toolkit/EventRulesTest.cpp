// The event rules of the layer, one table row per rule: which programmatic
// changes run their handler (only when the value changes), which are
// silent, Click() from code on a disabled control, and exceptions escaping a
// handler that the operator's action started (shown; the loop goes on).
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>

#include "tests/toolkit/ToolkitTestUtil.h"
#include "toolkit/Buttons.h"
#include "toolkit/CheckLst.h"
#include "toolkit/ComCtrls.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/Mask.h"
#include "toolkit/Spin.h"
#include "toolkit/StdCtrls.h"
#include "toolkit/Timer.h"

namespace {

struct Rule {
  const char* name;
  // Builds the control on the form and hooks `fired` to the event under test.
  std::function<TControl*(TForm* f, const TNotifyEvent& fired)> make;
  // The change made from code.
  std::function<void(TControl* c)> change;
  int expected;   // how often the handler runs
};

template <class T>
T* on(TForm* f) {
  auto* c = new T(f);
  c->SetParent(f);
  c->SetBounds(0, 0, 120, 60);
  return c;
}

void threeItems(TStrings* s) {
  s->Add("one");
  s->Add("two");
  s->Add("three");
}

const Rule kRules[] = {
    // Setters that run their handler when the value changes...
    {"CheckBox.SetChecked changes", [](TForm* f, const TNotifyEvent& e) { auto* c = on<TCheckBox>(f); c->OnClick = e; return c; },
     [](TControl* c) { static_cast<TCheckBox*>(c)->SetChecked(true); }, 1},
    {"CheckBox.SetChecked same", [](TForm* f, const TNotifyEvent& e) { auto* c = on<TCheckBox>(f); c->OnClick = e; return c; },
     [](TControl* c) { static_cast<TCheckBox*>(c)->SetChecked(false); }, 0},
    {"RadioButton.SetChecked changes", [](TForm* f, const TNotifyEvent& e) { auto* c = on<TRadioButton>(f); c->OnClick = e; return c; },
     [](TControl* c) { static_cast<TRadioButton*>(c)->SetChecked(true); }, 1},
    {"RadioButton.SetChecked same",
     [](TForm* f, const TNotifyEvent& e) { auto* c = on<TRadioButton>(f); c->SetChecked(true); c->OnClick = e; return c; },
     [](TControl* c) { static_cast<TRadioButton*>(c)->SetChecked(true); }, 0},
    {"SpinEdit.SetValue changes", [](TForm* f, const TNotifyEvent& e) { auto* c = on<TSpinEdit>(f); c->OnChange = e; return c; },
     [](TControl* c) { static_cast<TSpinEdit*>(c)->SetValue(5); }, 1},
    {"SpinEdit.SetValue same", [](TForm* f, const TNotifyEvent& e) { auto* c = on<TSpinEdit>(f); c->OnChange = e; return c; },
     [](TControl* c) { static_cast<TSpinEdit*>(c)->SetValue(0); }, 0},
    {"Edit.SetText changes", [](TForm* f, const TNotifyEvent& e) { auto* c = on<TEdit>(f); c->OnChange = e; return c; },
     [](TControl* c) { c->SetText("Zenit"); }, 1},
    {"Edit.SetText same",
     [](TForm* f, const TNotifyEvent& e) { auto* c = on<TEdit>(f); c->SetText("Zenit"); c->OnChange = e; return c; },
     [](TControl* c) { c->SetText("Zenit"); }, 0},
    {"MaskEdit.SetText changes", [](TForm* f, const TNotifyEvent& e) { auto* c = on<TMaskEdit>(f); c->OnChange = e; return c; },
     [](TControl* c) { c->SetText("45:00"); }, 1},
    {"MaskEdit.SetText same",
     [](TForm* f, const TNotifyEvent& e) { auto* c = on<TMaskEdit>(f); c->SetText("45:00"); c->OnChange = e; return c; },
     [](TControl* c) { c->SetText("45:00"); }, 0},
    {"TrackBar.SetPosition changes", [](TForm* f, const TNotifyEvent& e) { auto* c = on<TTrackBar>(f); c->OnChange = e; return c; },
     [](TControl* c) { static_cast<TTrackBar*>(c)->SetPosition(3); }, 1},
    {"TrackBar.SetPosition same", [](TForm* f, const TNotifyEvent& e) { auto* c = on<TTrackBar>(f); c->OnChange = e; return c; },
     [](TControl* c) { static_cast<TTrackBar*>(c)->SetPosition(static_cast<TTrackBar*>(c)->Position()); }, 0},
    {"RadioGroup.SetItemIndex changes",
     [](TForm* f, const TNotifyEvent& e) { auto* c = on<TRadioGroup>(f); threeItems(c->Items()); c->OnClick = e; return c; },
     [](TControl* c) { static_cast<TRadioGroup*>(c)->SetItemIndex(1); }, 1},
    {"RadioGroup.SetItemIndex same",
     [](TForm* f, const TNotifyEvent& e) {
       auto* c = on<TRadioGroup>(f); threeItems(c->Items()); c->SetItemIndex(1); c->OnClick = e; return c; },
     [](TControl* c) { static_cast<TRadioGroup*>(c)->SetItemIndex(1); }, 0},
    // ...and the silent ones.
    {"ComboBox.SetItemIndex silent",
     [](TForm* f, const TNotifyEvent& e) {
       auto* c = on<TComboBox>(f); threeItems(c->Items()); c->OnChange = e; c->OnSelect = e; c->OnClick = e; return c; },
     [](TControl* c) { static_cast<TComboBox*>(c)->SetItemIndex(2); }, 0},
    {"ListBox.SetItemIndex silent",
     [](TForm* f, const TNotifyEvent& e) { auto* c = on<TListBox>(f); threeItems(c->Items()); c->OnClick = e; return c; },
     [](TControl* c) { static_cast<TListBox*>(c)->SetItemIndex(1); }, 0},
    {"CheckListBox.SetItemIndex silent",
     [](TForm* f, const TNotifyEvent& e) {
       auto* c = on<TCheckListBox>(f); threeItems(c->Items()); c->OnClick = e; c->OnClickCheck = e; return c; },
     [](TControl* c) { static_cast<TCheckListBox*>(c)->SetItemIndex(1); }, 0},
    {"CheckListBox.SetChecked silent",
     [](TForm* f, const TNotifyEvent& e) {
       auto* c = on<TCheckListBox>(f); threeItems(c->Items()); c->OnClick = e; c->OnClickCheck = e; return c; },
     [](TControl* c) { static_cast<TCheckListBox*>(c)->SetChecked(1, true); }, 0},
    {"PageControl.SetActivePageIndex silent",
     [](TForm* f, const TNotifyEvent& e) {
       auto* c = on<TPageControl>(f);
       for (int i = 0; i < 3; ++i) (new TTabSheet(f))->SetPageControl(c);
       c->SetActivePageIndex(0);
       c->OnChange = e;
       return c; },
     [](TControl* c) { static_cast<TPageControl*>(c)->SetActivePageIndex(2); }, 0},
    {"PageControl.SetActivePage silent",
     [](TForm* f, const TNotifyEvent& e) {
       auto* c = on<TPageControl>(f);
       for (int i = 0; i < 3; ++i) (new TTabSheet(f))->SetPageControl(c);
       c->SetActivePageIndex(0);
       c->OnChange = e;
       return c; },
     [](TControl* c) { auto* p = static_cast<TPageControl*>(c); p->SetActivePage(p->Pages(1)); }, 0},
    // Click() from code runs OnClick, also on a disabled control.
    {"Button.Click disabled",
     [](TForm* f, const TNotifyEvent& e) { auto* c = on<TButton>(f); c->OnClick = e; c->SetEnabled(false); return c; },
     [](TControl* c) { c->Click(); }, 1},
    {"Panel.Click disabled",
     [](TForm* f, const TNotifyEvent& e) { auto* c = on<TPanel>(f); c->OnClick = e; c->SetEnabled(false); return c; },
     [](TControl* c) { c->Click(); }, 1},
    {"Label.Click disabled",
     [](TForm* f, const TNotifyEvent& e) { auto* c = on<TLabel>(f); c->OnClick = e; c->SetEnabled(false); return c; },
     [](TControl* c) { c->Click(); }, 1},
    {"Image.Click disabled",
     [](TForm* f, const TNotifyEvent& e) { auto* c = on<TImage>(f); c->OnClick = e; c->SetEnabled(false); return c; },
     [](TControl* c) { c->Click(); }, 1},
    {"SpeedButton.Click disabled",
     [](TForm* f, const TNotifyEvent& e) { auto* c = on<TSpeedButton>(f); c->OnClick = e; c->SetEnabled(false); return c; },
     [](TControl* c) { c->Click(); }, 1},
    {"CustomControl.Click disabled",
     [](TForm* f, const TNotifyEvent& e) { auto* c = on<TCustomControl>(f); c->OnClick = e; c->SetEnabled(false); return c; },
     [](TControl* c) { c->Click(); }, 1},
};

class EventRules : public ::testing::TestWithParam<Rule> {};

}  // namespace

TEST_P(EventRules, HandlerRunsAsTheRuleSays) {
  const Rule& r = GetParam();
  TForm form(nullptr);
  form.SetBounds(0, 0, 400, 300);
  int fired = 0;
  TControl* sender = nullptr;
  TControl* c = r.make(&form, [&](TObject* s) {
    ++fired;
    sender = dynamic_cast<TControl*>(s);
  });
  r.change(c);
  EXPECT_EQ(fired, r.expected) << r.name;
  if (fired) {
    EXPECT_EQ(sender, c) << r.name;
  }
}

INSTANTIATE_TEST_SUITE_P(Table, EventRules, ::testing::ValuesIn(kRules), [](const auto& info) {
  String n;
  for (const char* p = info.param.name; *p; ++p)
    n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
  return n;
});

// An exception escaping a handler that the operator's action ran is shown
// in a message box with its text, and the program goes on: the next action
// runs its handler again.
struct OperatorAction {
  const char* name;
  std::function<TControl*(TForm* f, const TNotifyEvent& handler)> make;
  std::function<void(TControl* c)> act;
};

namespace {
const OperatorAction kActions[] = {
    {"button press",
     [](TForm* f, const TNotifyEvent& h) { auto* b = on<TButton>(f); b->OnClick = h; return b; },
     [](TControl* c) { static_cast<QPushButton*>(c->Widget())->click(); }},
    {"panel click",
     [](TForm* f, const TNotifyEvent& h) { auto* p = on<TPanel>(f); p->OnClick = h; return p; },
     [](TControl* c) { clickAt(c, 5, 5); }},
    {"painted control click",
     [](TForm* f, const TNotifyEvent& h) { auto* p = on<TCustomControl>(f); p->OnClick = h; return p; },
     [](TControl* c) { clickAt(c, 5, 5); }},
    {"typing into an edit",
     [](TForm* f, const TNotifyEvent& h) { auto* e = on<TEdit>(f); e->OnChange = h; return e; },
     [](TControl* c) {
       auto* line = c->Widget()->findChild<QLineEdit*>();
       QWidget* w = line ? line : c->Widget();
       sendKey(w, Qt::Key_X, "x");
     }},
};

class HandlerExceptions : public ::testing::TestWithParam<OperatorAction> {};
}  // namespace

TEST_P(HandlerExceptions, ShownAndTheLoopGoesOn) {
  const OperatorAction& a = GetParam();
  TForm form(nullptr);
  form.SetBounds(0, 0, 400, 300);
  form.Show();
  MessageBoxCapture boxes;
  int runs = 0;
  TControl* c = a.make(&form, [&](TObject*) {
    ++runs;
    throw EConvertError(FormatA("failure %d", runs));
  });
  if (auto* w = dynamic_cast<TWinControl*>(c)) w->SetFocus();
  a.act(c);
  ASSERT_EQ(runs, 1) << a.name;
  ASSERT_EQ(boxes.asked.size(), 1u) << a.name;
  EXPECT_EQ(boxes.asked[0].Msg, "failure 1");
  EXPECT_EQ(boxes.asked[0].DlgType, mtError);
  a.act(c);
  EXPECT_EQ(runs, 2) << a.name;
  EXPECT_EQ(boxes.last(), "failure 2");
  form.Hide();
}

INSTANTIATE_TEST_SUITE_P(Table, HandlerExceptions, ::testing::ValuesIn(kActions), [](const auto& info) {
  String n;
  for (const char* p = info.param.name; *p; ++p)
    n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
  return n;
});
