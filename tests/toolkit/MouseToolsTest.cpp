// Mouse tools: the child at a point, synthesized presses reaching what a
// real one reaches, mouse capture and the outline overlay.
#include "toolkit/MouseTools.h"
#include <gtest/gtest.h>
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"
#include "ToolkitTestUtil.h"

class MouseToolsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 300, 200);
    page = new TPanel(form);
    page->SetBounds(0, 0, 200, 150);
    page->SetParent(form);
    label = new TLabel(form);
    label->SetAutoSize(false);
    label->SetBounds(10, 10, 50, 50);
    label->SetParent(page);
    panel = new TPanel(form);
    panel->SetBounds(40, 40, 50, 50);
    panel->SetParent(page);
  }
  void TearDown() override { delete form; }
  TForm* form = nullptr;
  TPanel *page = nullptr, *panel = nullptr;
  TLabel* label = nullptr;
};

TEST_F(MouseToolsTest, ControlAtPosFindsTheTopmostChild) {
  struct Case { TPoint p; bool disabled, windowed; TControl* want; };
  const std::vector<Case> cases = {
      {TPoint(45, 45), false, true, panel},    // windowed above graphic
      {TPoint(45, 45), false, false, label},   // windowed ones left out
      {TPoint(15, 15), false, true, label},
      {TPoint(150, 140), false, true, nullptr},
  };
  for (const Case& c : cases) EXPECT_EQ(ControlAtPos(page, c.p, c.disabled, c.windowed), c.want);
  EXPECT_EQ(ControlAtPos(page, TPoint(45, 45), false, true, panel), label);
  label->SetEnabled(false);
  EXPECT_EQ(ControlAtPos(page, TPoint(15, 15), false, true), nullptr);
  EXPECT_EQ(ControlAtPos(page, TPoint(15, 15), true, true), label);
  label->SetVisible(false);
  EXPECT_EQ(ControlAtPos(page, TPoint(15, 15), true, true), nullptr);
}

TEST_F(MouseToolsTest, SynthesizedPressReachesAGraphicControlAsARealOne) {
  std::vector<String> heard;
  label->OnMouseDown = [&](TObject*, TMouseButton b, TShiftState, int x, int y) {
    heard.push_back(FormatA("down %d %d %d", int(b), x, y));
  };
  label->OnClick = [&](TObject*) { heard.push_back("click"); };
  page->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int x, int y) { heard.push_back(FormatA("page up %d %d", x, y)); };
  EXPECT_EQ(SendMouseButtonAt(page, mbLeft, true, TPoint(15, 20)), label);
  SendMouseButton(label, mbLeft, false, TPoint(5, 10));
  EXPECT_EQ(SendMouseButtonAt(page, mbMiddle, false, TPoint(150, 140)), page);
  EXPECT_EQ(heard, (std::vector<String>{"down 0 5 10", "click", "page up 150 140"}));
}

TEST_F(MouseToolsTest, CaptureAndOutline) {
  form->Show();
  SetCaptureControl(panel);
  EXPECT_EQ(GetCaptureControl(), panel);
  ReleaseCapture();
  EXPECT_EQ(GetCaptureControl(), nullptr);
  SetCaptureControl(panel);
  delete panel;
  panel = nullptr;
  EXPECT_EQ(GetCaptureControl(), nullptr);

  TOutlineOverlay o;
  EXPECT_FALSE(o.Shown());
  o.Show(page, Rect(30, 20, 10, 5));   // normalised
  EXPECT_TRUE(o.Shown());
  EXPECT_EQ(o.Rect(), Rect(10, 5, 30, 20));
  EXPECT_EQ(o.Parent(), page);
  // It never takes the mouse: a press there still reaches the label.
  int downs = 0;
  label->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++downs; };
  SendMouseButtonAt(page, mbLeft, true, TPoint(15, 15));
  EXPECT_EQ(downs, 1);
  o.Hide();
  EXPECT_FALSE(o.Shown());
  form->Hide();
}
