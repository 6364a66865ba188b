// The mask language of the masked edit: literals, blanks, right alignment,
// Text against EditText, typing and OnChange.
#include <gtest/gtest.h>

#include <QLineEdit>

#include "tests/toolkit/ToolkitTestUtil.h"
#include "toolkit/Forms.h"
#include "toolkit/Mask.h"

namespace {

TEST(EditMask, ParsesFieldsAndPositions) {
  TEditMask m("!90:00;1; ");
  EXPECT_EQ(m.Length(), 5);
  EXPECT_TRUE(m.SaveLiterals());
  EXPECT_TRUE(m.RightAligned());
  EXPECT_EQ(m.Blank(), U' ');
  EXPECT_TRUE(m.IsLiteral(2));
  EXPECT_FALSE(m.IsRequired(0));
  EXPECT_TRUE(m.IsRequired(1));

  TEditMask d("000");
  EXPECT_TRUE(d.SaveLiterals());
  EXPECT_EQ(d.Blank(), U'_');
  EXPECT_EQ(d.EmptyEditText(), "___");

  TEditMask esc("00\\:00\\.00;1;_");
  EXPECT_EQ(esc.Length(), 8);
  EXPECT_EQ(esc.EmptyEditText(), "__:__.__");
  EXPECT_TRUE(TEditMask("").Empty());
}

TEST(EditMask, MatchClockMaskAlignsShortValuesRight) {
  TEditMask m("!90:00;1; ");
  EXPECT_EQ(m.FromText("0:00"), " 0:00");
  EXPECT_EQ(m.ToText(m.FromText("0:00")), " 0:00");
  EXPECT_EQ(m.FromText("1:01"), " 1:01");
  EXPECT_EQ(m.FromText("12:34"), "12:34");
  EXPECT_EQ(m.FromText("45:00"), "45:00");
  EXPECT_EQ(m.FromText(""), "  :  ");
  EXPECT_EQ(FormatMaskText("!90:00;1; ", "7:05"), " 7:05");
}

TEST(EditMask, LeftAlignedWithoutBang) {
  TEditMask m("90:00;1;_");
  // A short value fills from the left; the literal is matched where it is.
  EXPECT_EQ(m.FromText("1:01"), "1_:01");
  EXPECT_EQ(m.ToText("1_:01"), "1 :01");
}

TEST(EditMask, LiteralsDroppedFromText) {
  TEditMask m("000-000;0;_");
  EXPECT_EQ(m.FromText("123456"), "123-456");
  EXPECT_EQ(m.ToText("123-456"), "123456");
  EXPECT_EQ(m.FromText("12"), "12_-___");
  EXPECT_EQ(m.ToText("12_-___"), "12");
}

TEST(EditMask, CharacterClassesAndCase) {
  TEditMask m(">LL<ll;1;_");
  EXPECT_EQ(m.FromText("abCD"), "ABcd");
  EXPECT_EQ(m.FromText("a1b"), "A_b_");   // a digit is no letter: that place stays empty
  TEditMask any("Cc;1;*");
  EXPECT_EQ(any.FromText("?!"), "?!");
  TEditMask sign("#00;1;_");
  EXPECT_EQ(sign.FromText("-12"), "-12");
  EXPECT_EQ(sign.Accept(0, U'x'), 0u);
  TEditMask alnum("Aa;1;_");
  EXPECT_EQ(alnum.FromText("z9"), "z9");
  TEditMask blankLiteral("00_00;1;*");
  EXPECT_EQ(blankLiteral.EmptyEditText(), "** **");
}

TEST(EditMask, FromEditTextKeepsPositions) {
  TEditMask m("00\\:00\\.00;1;_");
  EXPECT_EQ(m.FromEditText("01:02.03"), "01:02.03");
  EXPECT_EQ(m.FromEditText("0x:02"), "0_:02.__");
  EXPECT_EQ(m.ToText("0_:02.__"), "0 :02.  ");
  EXPECT_EQ(m.NextInput(2), 3);
  EXPECT_EQ(m.PrevInput(2), 1);
  EXPECT_EQ(m.NextInput(8), 8);
}

struct MaskEditFixture : ::testing::Test {
  TForm* form = nullptr;
  TMaskEdit* e = nullptr;
  int changes = 0;
  void SetUp() override {
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 200, 100);
    e = new TMaskEdit(form);
    e->SetParent(form);
    e->OnChange = [this](TObject*) { ++changes; };
  }
  void TearDown() override { Free(form); }
  QLineEdit* line() const { return static_cast<QLineEdit*>(e->Widget()); }
};

TEST_F(MaskEditFixture, MatchClockTextAndEditText) {
  e->SetEditMask("!90:00;1; ");
  e->SetMaxLength(5);
  EXPECT_EQ(e->EditText(), "  :  ");
  e->SetText("0:00");
  EXPECT_EQ(e->Text(), " 0:00");
  EXPECT_EQ(e->EditText(), " 0:00");
  EXPECT_EQ(line()->text().toStdString(), " 0:00");
  EXPECT_EQ(changes, 1);
  e->SetText("0:00");             // the same value: no event
  EXPECT_EQ(changes, 1);
  e->SetText("12:34");
  EXPECT_EQ(e->Text(), "12:34");
  EXPECT_EQ(changes, 2);
  // The console reads minutes and seconds from fixed places.
  EXPECT_EQ(StrToInt(Trim(Copy(e->Text(), 1, 2))), 12);
  EXPECT_EQ(StrToInt(Copy(e->Text(), 4, 2)), 34);
}

TEST_F(MaskEditFixture, StopwatchMaskShowsUnderscores) {
  e->SetEditMask("00\\:00\\.00;1;_");
  EXPECT_EQ(e->EditText(), "__:__.__");
  EXPECT_EQ(e->Text(), "  :  .  ");
  e->SetText("00:10.00");
  EXPECT_EQ(e->EditText(), "00:10.00");
  EXPECT_EQ(e->Text(), "00:10.00");
  EXPECT_TRUE(e->IsComplete());
  e->SetEditText("01:__.__");
  EXPECT_FALSE(e->IsComplete());
}

TEST_F(MaskEditFixture, TypingFillsInputPositionsAndSkipsLiterals) {
  e->SetEditMask("!90:00;1; ");
  line()->setCursorPosition(0);
  for (const char* k : {"4", "4", "3", "0"}) sendKey(line(), Qt::Key_0 + (k[0] - '0'), QString(k));
  EXPECT_EQ(e->Text(), "44:30");
  EXPECT_EQ(changes, 4);
  // A letter is refused and changes nothing.
  sendKey(line(), Qt::Key_A, "a");
  EXPECT_EQ(e->Text(), "44:30");
  EXPECT_EQ(changes, 4);
  // Backspace empties the input place before the cursor, literals stay.
  line()->setCursorPosition(3);
  sendKey(line(), Qt::Key_Backspace);
  EXPECT_EQ(e->EditText(), "4 :30");
  EXPECT_EQ(line()->cursorPosition(), 1);
}

TEST_F(MaskEditFixture, ChangingTheMaskKeepsTheValue) {
  e->SetText("1234");
  EXPECT_EQ(e->Text(), "1234");
  e->SetEditMask("00-00;1;_");
  EXPECT_EQ(e->EditText(), "12-34");
  e->SetEditMask("00-00;0;_");
  EXPECT_EQ(e->Text(), "1234");
  e->SetEditMask("");
  EXPECT_FALSE(e->IsMasked());
  EXPECT_EQ(e->Text(), "1234");
}

}  // namespace
