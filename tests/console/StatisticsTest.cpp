// Statistics page: counters drive their labels, reset and persistence.
#include <QLineEdit>
#include <cstring>

#include "tests/console/ConsoleFixture.h"
#include "toolkit/MouseTools.h"
#include "controls/Label3D.h"
#include "toolkit/Spin.h"

class StatisticsTest : public ConsoleFixture {
 protected:
  void SetAll(TFormMain* f) {
    for (size_t n = 1; n < f->StatInputs.size(); ++n) f->StatInputs[n]->SetValue(int(n) + 1);
  }
};

TEST_F(StatisticsTest, CounterShowsItsValueOnItsOwnLabel) {
  TFormMain* f = Create();
  auto* se = dynamic_cast<TSpinEdit*>(f->FindComponent("seTabloStat_K2_4R"));
  auto* label = dynamic_cast<TLabel3D*>(f->FindComponent("CTabloStat_K2_4R"));
  ASSERT_TRUE(se && label);
  se->SetValue(3);
  EXPECT_EQ(label->Caption(), "3");
  EXPECT_EQ(f->StatLabels[1]->Caption(), "0");   // no other label moved
}

TEST_F(StatisticsTest, ResetAsksOnlyWhileTheClockRuns) {
  TFormMain* f = Create();
  SetAll(f);
  f->TimerIgra->SetEnabled(true);
  answer_ = mrNo;
  f->bTabloStat_New->Click();
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_EQ(requests_[0].Msg, "Reset statistic?");
  for (size_t n = 1; n < f->StatInputs.size(); ++n) EXPECT_EQ(f->StatInputs[n]->Value(), int(n) + 1);

  f->TimerIgra->SetEnabled(false);
  f->bTabloStat_New->Click();
  EXPECT_EQ(requests_.size(), 1u);
  for (size_t n = 1; n < f->StatInputs.size(); ++n) {
    EXPECT_EQ(f->StatInputs[n]->Value(), 0);
    EXPECT_EQ(f->StatLabels[n]->Caption(), "0");
  }
}

TEST_F(StatisticsTest, ValuesAndLabelsSurviveARestart) {
  SetAll(Create());
  Destroy();
  TFormMain* f = Create();
  for (size_t n = 1; n < f->StatInputs.size(); ++n) {
    EXPECT_EQ(f->StatInputs[n]->Value(), int(n) + 1);
    EXPECT_EQ(f->StatLabels[n]->Caption(), IntToStr(int64_t(n) + 1));
  }
}

TEST_F(StatisticsTest, EveryCounterShowsItsWholeNumber) {
  // The operator types 14, and 999 (the largest), into each counter: the
  // field shows the number from its first digit (a field too narrow scrolls
  // it, so that 14 reads "4").
  TFormMain* f = Create();
  f->Show();
  f->PageControl2->SetActivePage(f->Sheet_Tablo);
  f->PageControl1->SetActivePage(f->Sheet_Stat);
  Application->ProcessMessages();
  for (size_t n = 1; n < f->StatInputs.size(); ++n) {
    TSpinEdit* se = f->StatInputs[n];
    SCOPED_TRACE(se->Name());
    auto* field = se->Widget()->findChild<QLineEdit*>();
    ASSERT_NE(field, nullptr);
    for (const char* number : {"14", "999"}) {
      const TPoint inField(4, se->ClientHeight() / 2);
      SendWindowMouseButton(se, mbLeft, true, inField);
      SendWindowMouseButton(se, mbLeft, false, inField);
      SendWindowKey(VK_END);
      for (int k = 0; k < 3; ++k) SendWindowKey(VK_BACK);
      for (const char* d = number; *d; ++d) SendWindowKey(uint16_t(*d));
      Application->ProcessMessages();
      EXPECT_EQ(f->StatLabels[n]->Caption(), number);
      EXPECT_EQ(field->cursorPositionAt(QPoint(field->contentsRect().left() + 1, field->height() / 2)), 0);
      EXPECT_EQ(field->cursorPositionAt(QPoint(field->contentsRect().right() - 1, field->height() / 2)),
                int(strlen(number)));
    }
  }
}
