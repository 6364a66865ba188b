// Configuration page: the output size chosen for the next start, reset, and
// the stadium caption.
#include "ConsoleFixture.h"
#include "console/FStadion.h"
#include "controls/Label3D.h"
#include "toolkit/Classes.h"
#include "toolkit/MouseTools.h"
#include "toolkit/Spin.h"

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

TEST_F(ConfigurationTest, ASizeOutsideItsRangeIsRefusedWithTheRange) {
  // The operator types into the width or height field: a number the field
  // refuses (a digit too many, or Enter on one too small) is told with the
  // range, and the size stays; one inside the range is taken silently.
  struct Case {
    const char* name;
    bool height;
    const char* keys;   // '\r' is Enter
    const char* said;   // "" for nothing said
    int value;          // the field's value afterwards (0: as before)
  };
  const Case cases[] = {
      {"width too large", false, "1100", "The output width is from 320 to 1024 pixels.", 0},
      {"height too large", true, "800", "The output height is from 240 to 768 pixels.", 0},
      {"width too small", false, "100\r", "The output width is from 320 to 1024 pixels.", 0},
      {"width inside", false, "640\r", "", 640},
  };
  TFormMain* f = Create();
  f->Show();
  f->FormShow(f);
  f->PageControl2->SetActivePage(f->Sheet_Configuration);
  Application->ProcessMessages();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TSpinEdit* se = c.height ? f->seDVIy : f->seDVIx;
    const int before = se->Value();
    const TPoint inField(6, se->ClientHeight() / 2);
    SendWindowMouseButton(se, mbLeft, true, inField);
    SendWindowMouseButton(se, mbLeft, false, inField);
    Application->ProcessMessages();
    requests_.clear();   // (leaving the other field may have told its own range)
    SendWindowKey(VK_END);
    for (int k = 0; k < 4; ++k) SendWindowKey(VK_BACK);
    for (const char* k = c.keys; *k; ++k) SendWindowKey(*k == '\r' ? uint16_t(VK_RETURN) : uint16_t(*k));
    Application->ProcessMessages();
    if (*c.said) {
      ASSERT_EQ(requests_.size(), 1u);
      EXPECT_EQ(requests_[0].Msg, c.said);
    } else {
      EXPECT_TRUE(requests_.empty());
    }
    EXPECT_EQ(se->Value(), c.value ? c.value : before);
  }
}
