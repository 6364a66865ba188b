// Statistics page: counters drive their labels, reset and persistence.
#include "tests/console/ConsoleFixture.h"
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
