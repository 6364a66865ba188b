// Each use of the shared file dialogs starts from its own last folder and
// name: saving the running texts does not pre-fill the layout's save, a goal
// clip does not pre-fill the team logo, and each use offers its own last
// choice again. Driven by the operator's clicks.
#include <map>
#include "OperatorHands.h"
#include "SidesFixture.h"
#include "toolkit/Dialogs.h"

class FileDialogUsesTest : public SidesFixture {
 protected:
  struct Offer {
    String dir, name;
  };
  // Every dialog run is answered with `answer` and noted with what it offered.
  void Answer(const String& answer) {
    answer_file_ = answer;
    CommonDialogHook = [this](TCommonDialog* d) {
      auto* o = dynamic_cast<TOpenDialog*>(d);
      offers_.push_back({o->InitialDir, o->FileName});
      o->FileName = answer_file_;
      return true;
    };
  }
  void TearDown() override {
    CommonDialogHook = nullptr;
    SidesFixture::TearDown();
  }
  String answer_file_;
  std::vector<Offer> offers_;
};

TEST_F(FileDialogUsesTest, EachDialogUseStartsFromItsOwnFolderAndName) {
  TFormMain* f = StartMatch();
  f->Show();
  f->bSek_New->Click();
  hands::Click(f->Sud_Play);   // the goal buttons take clicks while the match runs
  ASSERT_TRUE(f->bSud_Gol1->Enabled());
  TBitmap(8, 8).SaveToFile(app_ + "Teams/crest.bmp");
  const String views = app_ + "Views/", texts = app_ + "Texts/", teams = app_ + "Teams/";
  struct Step {
    const char* what;
    std::function<void()> run;
    String answer, dir, name;   // what the operator picks; what the dialog offered
  };
  const Step steps[] = {
      {"running texts saved", [&] { hands::Click(f->bRunStr_Save); }, texts + "RS_Color.txt", texts, ""},
      {"layout saved", [&] { hands::Click(f->tbSaveTablo); }, views + "Match.txt", views, ""},
      {"goal clip chosen", [&] {
         SendMouseButton(f->bSud_Gol1, mbRight, true, TPoint(4, 4));
         SendMouseButton(f->bSud_Gol1, mbRight, false, TPoint(4, 4));
       }, root_ + "/clips/goal.avi", teams, ""},
      {"logo chosen", [&] { hands::Click(f->iSek_KomLogo); }, teams + "crest.bmp", teams, ""},
      {"running texts saved again", [&] { hands::Click(f->bRunStr_Save); }, texts + "RS_Color.txt", texts,
       "RS_Color.txt"},
      {"layout saved again", [&] { hands::Click(f->tbSaveTablo); }, views + "Match.txt", views, "Match.txt"},
      {"logo chosen again", [&] { hands::Click(f->iSek_KomLogo); }, teams + "crest.bmp", teams, "crest.bmp"},
  };
  for (const Step& s : steps) {
    offers_.clear();
    Answer(s.answer);
    s.run();
    ASSERT_EQ(offers_.size(), 1u) << s.what;
    EXPECT_EQ(offers_[0].dir, s.dir) << s.what;
    EXPECT_EQ(offers_[0].name, s.name) << s.what;
  }
}
