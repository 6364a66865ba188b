// Configuration page: the output size chosen for the next start, reset, and
// the stadium caption.
#include "ConsoleFixture.h"
#include "console/FStadion.h"
#include "controls/Label3D.h"
#include "toolkit/Classes.h"

class ConfigurationTest : public ConsoleFixture {};

TEST_F(ConfigurationTest, ChosenSizeWaitsForTheNextStart) {
  TFormMain* f = Create();
  f->FormShow(f);
  const int w = f->ImageBlack->Width(), h = f->ImageBlack->Height();
  EXPECT_FALSE(f->LabelReboot->Enabled());
  f->seDVIx->SetValue(640);
  f->seDVIy->SetValue(480);
  EXPECT_TRUE(f->LabelReboot->Enabled());
  EXPECT_EQ(f->PanelDVIcfg->Width(), 640);
  EXPECT_EQ(f->PanelDVIcfg->Height(), 480);
  EXPECT_EQ(f->ImageBlack->Width(), w);   // the live output keeps its size
  EXPECT_EQ(f->ImageBlack->Height(), h);
  f->seDVIx->SetValue(w);
  f->seDVIy->SetValue(h);
  EXPECT_FALSE(f->LabelReboot->Enabled());
  f->seDVIx->SetValue(800);
  Destroy();
  EXPECT_EQ(DumpKey()["XWidth"], "int:800");
  EXPECT_EQ(DumpKey()["YHeight"], "int:" + IntToStr(int64_t(h)));
}

TEST_F(ConfigurationTest, ResetStoresTheSmallestOutputOnlyWhenConfirmed) {
  TFormMain* f = Create();
  f->FormShow(f);
  answer_ = mrNo;
  f->bDefault->Click();
  EXPECT_EQ(requests_.at(0).Msg, "Reset programm?");
  EXPECT_NE(f->seDVIx->Value(), 320);
  answer_ = mrYes;
  f->bDefault->Click();
  Destroy();
  EXPECT_EQ(DumpKey()["XWidth"], "int:320");
  EXPECT_EQ(DumpKey()["YHeight"], "int:240");
}

TEST_F(ConfigurationTest, StadiumDialogEditsBothCaptions) {
  TFormMain* f = Create();
  TFormStadion dialog(nullptr);
  // The operator types while the dialog is up, then confirms.
  TThread::Queue([&dialog] {
    dialog.eStadion->SetText("ARENA");
    dialog.eStadionName->SetText("NORD");
    dialog.SetModalResult(mrOk);
  });
  f->LabelStadionName->Click();
  EXPECT_EQ(f->LabelStadion->Caption(), "ARENA");
  EXPECT_EQ(f->LabelStadionName->Caption(), "NORD");
}
