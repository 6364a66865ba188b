// Greyed controls of the console do nothing when the operator clicks them:
// each row brings the console into a state where the control is disabled,
// clicks it with a synthesized press and release, and finds the state as it
// was and no question asked.
#include "SidesFixture.h"
#include "controls/Label3D.h"
#include "toolkit/ComCtrls.h"
#include "toolkit/MouseTools.h"
#include "toolkit/Timer.h"

namespace {

class GreyedControlsTest : public SidesFixture {
 public:
  // Reached from the rows of the table.
  using SidesFixture::Create;
  using SidesFixture::StartMatch;
  // The operator's click in the middle of the control.
  static void ClickOn(TControl* c) {
    const TPoint mid(c->Width() / 2, c->Height() / 2);
    SendMouseButton(c, mbLeft, true, mid);
    SendMouseButton(c, mbLeft, false, mid);
  }
  void LoadEditorTeam(TFormMain* f, const String& folder) {
    f->cbSek_Komands->SetItemIndex(f->cbSek_Komands->Items()->IndexOf(folder));
    f->cbSek_KomandsChange(f->cbSek_Komands);
  }
};

struct Greyed {
  const char* name;
  // Brings the console into the state and answers the greyed control.
  std::function<TControl*(GreyedControlsTest*, TFormMain*&)> prepare;
  // What a click must leave alone.
  std::function<String(TFormMain*)> state;
};

}  // namespace

// The rows are spelled out in the test body, where the fixture's helpers are
// at hand.
TEST_F(GreyedControlsTest, GreyedControlsIgnoreTheClick) {
  const Greyed rows[] = {
      {"Play before the sides are chosen",
       [](GreyedControlsTest* t, TFormMain*& f) {
         f = t->Create();
         return static_cast<TControl*>(f->Sud_Play);
       },
       [](TFormMain* f) {
         return String(f->TimerIgra->Enabled() ? "running" : "stopped") +
                (f->cbSud_Comanda1->Enabled() && f->cbSud_Comanda2->Enabled() ? " sides free" : " sides locked");
       }},
      {"Next while the clock runs",
       [](GreyedControlsTest* t, TFormMain*& f) {
         f = t->StartMatch();
         f->Sud_Play->Click();
         f->cbSud_Period->SetItemIndex(1);
         return static_cast<TControl*>(f->Sud_NextPeriod);
       },
       [](TFormMain* f) { return f->cbSud_Period->Text(); }},
      {"Save after loading a team",
       [](GreyedControlsTest* t, TFormMain*& f) {
         f = t->Create();
         t->LoadEditorTeam(f, Alpha);
         return static_cast<TControl*>(f->bSek_Save);
       },
       [](TFormMain* f) { return f->eSek_KomName->Text(); }},
      {"Reboot programm at the running output size",
       [](GreyedControlsTest* t, TFormMain*& f) {
         f = t->Create();
         return static_cast<TControl*>(f->LabelReboot);
       },
       [](TFormMain* f) { return f->LabelReboot->Caption(); }},
  };
  for (const Greyed& row : rows) {
    SCOPED_TRACE(row.name);
    TFormMain* f = nullptr;
    TControl* c = row.prepare(this, f);
    ASSERT_FALSE(c->Enabled());
    const String before = row.state(f);
    requests_.clear();
    ClickOn(c);
    EXPECT_EQ(row.state(f), before);
    EXPECT_TRUE(requests_.empty()) << requests_.front().Msg;
    Destroy();
  }
}
