// A disabled control, and a control inside a disabled parent, takes none of
// the operator's input: one table over every kind of control that has a
// click, driven by synthesized presses, releases, double clicks, the wheel
// and keys through the control's widget.
#include <gtest/gtest.h>

#include <QWheelEvent>

#include "controls/ButtonWithColor.h"
#include "controls/Label3D.h"
#include "controls/Led.h"
#include "grids/SortGrid.h"
#include "tests/toolkit/ToolkitTestUtil.h"
#include "toolkit/Buttons.h"
#include "toolkit/CheckLst.h"
#include "toolkit/ComCtrls.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/Mask.h"
#include "toolkit/MouseTools.h"
#include "toolkit/RichEdit.h"
#include "toolkit/Spin.h"
#include "toolkit/StdCtrls.h"

namespace {

struct Kind {
  const char* name;
  // Builds the control inside `holder` (a panel on a shown form).
  std::function<TControl*(TPanel* holder)> make;
};
void PrintTo(const Kind& k, std::ostream* os) { *os << k.name; }

template <class T>
TControl* in(TPanel* holder) {
  auto* c = new T(holder);
  c->SetParent(holder);
  c->SetBounds(10, 10, 100, 60);
  return c;
}

TControl* toolButton(TPanel* holder) {
  auto* bar = new TToolBar(holder);
  bar->SetParent(holder);
  bar->SetBounds(0, 0, 200, 30);
  bar->SetShowCaptions(true);
  auto* b = new TToolButton(holder);
  b->SetCaption("Play");
  b->SetParent(bar);
  return b;
}

TControl* radioGroup(TPanel* holder) {
  auto* g = static_cast<TRadioGroup*>(in<TRadioGroup>(holder));
  g->Items()->SetText("a\nb\n");
  return g;
}

TControl* listWithLines(TPanel* holder, TListBox* l) {
  l->SetParent(holder);
  l->SetBounds(10, 10, 100, 60);
  l->Items()->SetText("one\ntwo\nthree\n");
  return l;
}

const Kind kKinds[] = {
    {"TLabel", [](TPanel* h) { auto* c = in<TLabel>(h); c->SetCaption("Reboot programm"); return c; }},
    {"TLabel3D", [](TPanel* h) { auto* c = in<TLabel3D>(h); c->SetCaption("1:0"); return c; }},
    {"TButton", in<TButton>},
    {"TBitBtn", in<TBitBtn>},
    {"TSpeedButton", in<TSpeedButton>},
    {"TBitBtnWithColor", in<TBitBtnWithColor>},
    {"TCheckBox", in<TCheckBox>},
    {"TRadioButton", in<TRadioButton>},
    {"TRadioGroup", radioGroup},
    {"TGroupBox", in<TGroupBox>},
    {"TPanel", in<TPanel>},
    {"TImage", in<TImage>},
    {"TPaintBox", in<TPaintBox>},
    {"TShape", in<TShape>},
    {"TBevel", in<TBevel>},
    {"TToolButton", toolButton},
    {"TToolBar", in<TToolBar>},
    {"TStatusBar", in<TStatusBar>},
    {"TLed", in<TLed>},
    {"TEdit", in<TEdit>},
    {"TMaskEdit", in<TMaskEdit>},
    {"TMemo", in<TMemo>},
    {"TSpinEdit", in<TSpinEdit>},
    {"TRichEdit", in<TRichEdit>},
    {"TListBox", [](TPanel* h) { return listWithLines(h, new TListBox(h)); }},
    {"TCheckListBox", [](TPanel* h) { return listWithLines(h, new TCheckListBox(h)); }},
    {"TTrackBar", in<TTrackBar>},
    {"TSortGrid", in<TSortGrid>},
};

// What reached the control's handlers.
struct Heard {
  int clicks = 0, downs = 0, ups = 0, doubles = 0, keys = 0, chars = 0, wheels = 0;
  int total() const { return clicks + downs + ups + doubles + keys + chars + wheels; }
};

class DisabledInputTest : public ::testing::TestWithParam<Kind> {
 protected:
  void SetUp() override {
    form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 300, 200);
    holder = new TPanel(form.get());
    holder->SetParent(form.get());
    holder->SetBounds(0, 0, 260, 160);
    control = GetParam().make(holder);
    control->OnClick = [this](TObject*) { ++heard.clicks; };
    control->OnDblClick = [this](TObject*) { ++heard.doubles; };
    control->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { ++heard.downs; };
    control->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { ++heard.ups; };
    control->OnMouseWheel = [this](TObject*, TShiftState, int, TPoint, bool& handled) {
      ++heard.wheels;
      handled = true;
    };
    if (auto* w = dynamic_cast<TWinControl*>(control)) {
      w->OnKeyDown = [this](TObject*, uint16_t&, TShiftState) { ++heard.keys; };
      w->OnKeyPress = [this](TObject*, char32_t&) { ++heard.chars; };
    }
    form->Show();
    pumpUntil([] { return false; }, 20);
  }

  // The operator's hands on the control: two clicks (the second one a
  // double click), the wheel, Space and a letter.
  void Handle() {
    // The point the operator aims at: the middle of the control, as the
    // widget's own coordinates.
    const QPoint at(control->Width() / 2, control->Height() / 2);
    SendMouseButton(control, mbLeft, true, TPoint(at.x(), at.y()));
    SendMouseButton(control, mbLeft, false, TPoint(at.x(), at.y()));
    QWidget* w = control->Widget();
    const QPointF p(at), g(w->mapToGlobal(at));
    QMouseEvent dbl(QEvent::MouseButtonDblClick, p, p, g, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &dbl);
    SendMouseButton(control, mbLeft, false, TPoint(at.x(), at.y()));
    QWheelEvent wheel(p, g, QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w, &wheel);
    sendKey(w, Qt::Key_Space, " ");
    sendKey(w, Qt::Key_A, "a");
    pumpUntil([] { return false; }, 20);
  }

  std::unique_ptr<TForm> form;
  TPanel* holder = nullptr;
  TControl* control = nullptr;
  Heard heard;
};

TEST_P(DisabledInputTest, EnabledControlHearsThePress) {
  Handle();
  EXPECT_GE(heard.downs, 1);
}

TEST_P(DisabledInputTest, DisabledControlHearsNothing) {
  control->SetEnabled(false);
  Handle();
  EXPECT_EQ(heard.total(), 0) << "clicks " << heard.clicks << ", presses " << heard.downs << ", releases "
                              << heard.ups << ", double clicks " << heard.doubles << ", keys " << heard.keys
                              << ", characters " << heard.chars << ", wheel " << heard.wheels;
}

TEST_P(DisabledInputTest, ControlInADisabledParentHearsNothing) {
  holder->SetEnabled(false);
  Handle();
  EXPECT_EQ(heard.total(), 0) << "clicks " << heard.clicks << ", presses " << heard.downs << ", releases "
                              << heard.ups << ", double clicks " << heard.doubles << ", keys " << heard.keys
                              << ", characters " << heard.chars << ", wheel " << heard.wheels;
}

TEST_P(DisabledInputTest, ClickFromCodeStillRuns) {
  control->SetEnabled(false);
  control->Click();
  EXPECT_EQ(heard.clicks, 1);
}

INSTANTIATE_TEST_SUITE_P(EveryControl, DisabledInputTest, ::testing::ValuesIn(kKinds),
                         [](const ::testing::TestParamInfo<Kind>& i) { return String(i.param.name).substr(1); });

}  // namespace
