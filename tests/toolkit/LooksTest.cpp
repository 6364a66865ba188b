// How controls look: the disabled look, fonts resolving to installed faces,
// symbol-font characters shown as their shapes, the drop-down list height,
// window size limits and the beep.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontDatabase>
#include <QListWidget>
#include <QPushButton>

#include "tests/toolkit/ToolkitTestUtil.h"
#include "toolkit/Forms.h"
#include "toolkit/QtGlue.h"
#include "toolkit/StdCtrls.h"
#include "toolkit/SysUtils.h"

namespace {

struct Looks : ::testing::Test {
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

// The darkest pixel of a control's picture: its caption on a light face.
int DarkestLuminance(TControl* c) {
  TBitmap bmp(c->Width(), c->Height());
  c->PaintTo(bmp.Canvas(), 0, 0);
  int darkest = 255;
  for (int y = 0; y < bmp.Height(); ++y)
    for (int x = 4; x < bmp.Width() - 4; ++x) {
      TColor p = bmp.Canvas()->Pixel(x, y);
      darkest = std::min(darkest, (GetRValue(p) * 30 + GetGValue(p) * 59 + GetBValue(p) * 11) / 100);
    }
  return darkest;
}

TEST_F(Looks, DisabledButtonDrawsItsCaptionInTheDisabledColour) {
  auto* on = make<TButton>();
  auto* off = make<TButton>();
  for (TButton* b : {on, off}) {
    b->SetBounds(0, 0, 120, 32);
    b->SetCaption("GOAL!");
    b->Font()->SetColor(clBlack);   // the colour sync runs for both
  }
  off->SetEnabled(false);
  form->Show();
  const int enabled = DarkestLuminance(on), disabled = DarkestLuminance(off);
  EXPECT_LT(enabled, 60);
  EXPECT_GT(disabled, enabled + 40);
  // Enabled again, it draws as the enabled one does.
  off->SetEnabled(true);
  EXPECT_EQ(DarkestLuminance(off), enabled);
}

TEST_F(Looks, DisabledListsAndCheckBoxesDrawGreyed) {
  const std::function<TControl*()> makers[] = {
      [&] {
        auto* l = make<TListBox>();
        l->Items()->Add("Tony Jerry");
        l->Items()->Add("Pit Nise");
        l->SetItemIndex(0);
        return l;
      },
      [&] {
        auto* b = make<TCheckBox>();
        b->SetCaption("Show match time");
        return b;
      }};
  form->Show();
  for (const auto& makeOne : makers) {
    TControl* on = makeOne();
    TControl* off = makeOne();
    for (TControl* c : {on, off}) c->SetBounds(0, 0, 160, 40);
    off->SetEnabled(false);
    SCOPED_TRACE(on->ClassName());
    EXPECT_GT(DarkestLuminance(off), DarkestLuminance(on) + 40);
  }
}

TEST_F(Looks, NamedFontsResolveToInstalledMetricCompatibleFaces) {
  const QStringList installed = QFontDatabase::families();
  const std::pair<const char*, const char*> table[] = {{"Arial", "Liberation Sans"},
                                                       {"Arial Narrow", "Liberation Sans Narrow"},
                                                       {"Times New Roman", "Liberation Serif"},
                                                       {"Courier New", "Liberation Mono"},
                                                       {"Wingdings", "Liberation Sans"}};
  for (const auto& [name, face] : table) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ResolveFontFamily(name), face);
    EXPECT_TRUE(installed.contains(QString::fromUtf8(face)));
    // Widgets get the same face as canvases.
    auto* b = make<TButton>();
    b->Font()->SetName(name);
    EXPECT_EQ(tkqt::Str(b->Widget()->font().family()), face);
  }
}

TEST_F(Looks, SymbolFontCharactersShowAsTheirShapes) {
  const String left = "\u00D7", up = "\u00D9", down = "\u00DA", dot = "\u009F";
  EXPECT_EQ(MapSymbolText("Wingdings", left + up + down + dot + "A"), "\u25C4\u25B2\u25BC\u2022A");
  EXPECT_EQ(MapSymbolText("wingdings", "\uF0D7"), "\u25C4");
  EXPECT_EQ(MapSymbolText("Arial", left), left);

  // A combo and a list show the shapes and keep the stored text; a font
  // chosen after the items are in re-shows them.
  auto* combo = make<TComboBox>();
  combo->SetStyle(csDropDownList);
  combo->Font()->SetName("Wingdings");
  combo->Items()->Add(left + left);
  EXPECT_EQ(tkqt::Str(combo->Combo()->itemText(0)), "\u25C4\u25C4");
  EXPECT_EQ(combo->Items()->Get(0), left + left);
  auto* list = make<TListBox>();
  list->Items()->Add(up);
  EXPECT_EQ(tkqt::Str(list->List()->item(0)->text()), up);
  list->Font()->SetName("Wingdings");
  EXPECT_EQ(tkqt::Str(list->List()->item(0)->text()), "\u25B2");
  list->Font()->SetName("Arial");
  EXPECT_EQ(tkqt::Str(list->List()->item(0)->text()), up);

  // Canvases measure and draw the shape.
  TBitmap bmp(50, 50);
  bmp.Canvas()->Font()->SetName("Wingdings");
  const int symbolWidth = bmp.Canvas()->TextWidth(down);
  bmp.Canvas()->Font()->SetName("Liberation Sans");
  EXPECT_EQ(symbolWidth, bmp.Canvas()->TextWidth("\u25BC"));
}

TEST_F(Looks, DropDownListShowsDropDownCountRows) {
  auto* combo = make<TComboBox>();
  combo->SetStyle(csDropDownList);
  for (int i = 0; i < 150; ++i) combo->Items()->Add("Effect " + IntToStr(i));
  combo->SetItemIndex(75);
  combo->SetDropDownCount(25);
  form->Show();
  combo->SetDroppedDown(true);
  QAbstractItemView* view = combo->Combo()->view();
  ASSERT_TRUE(pumpUntil([&] { return view->isVisible(); }));
  const int row = view->sizeHintForRow(0);
  ASSERT_GT(row, 0);
  const int rows = view->viewport()->height() / row;
  EXPECT_GE(rows, 24);
  EXPECT_LE(rows, 26);
  combo->SetDroppedDown(false);
}

TEST_F(Looks, FormSizeLimitsHoldForCodeAndWindow) {
  TSizeConstraints k;
  k.MinWidth = 640;
  form->SetConstraints(k);
  form->SetWidth(300);
  EXPECT_EQ(form->Width(), 640);
  EXPECT_EQ(form->Widget()->minimumWidth(), 640);
}

TEST_F(Looks, BeepGoesToTheHookWhileOneIsSet) {
  int beeps = 0;
  BeepHook = [&] { ++beeps; };
  Beep();
  Beep();
  BeepHook = nullptr;
  EXPECT_EQ(beeps, 2);
  Beep();   // the platform's sound; nothing to see headless
}

}  // namespace
