#pragma once
// A main window with two teams in the library, chosen as the match sides
// and confirmed, with fast transitions and the road waits answered by the
// test.
#include <filesystem>
#include "ConsoleFixture.h"
#include "pictureshow/PictureShow.h"

class SidesFixture : public ConsoleFixture {
 protected:
  static constexpr const char* Alpha = "Alpha (North)";
  static constexpr const char* Beta = "Beta (South)";

  void SetUp() override {
    ConsoleFixture::SetUp();
    WriteTeam(Alpha, "Alpha", "North", "logo.bmp",
              Person(1, 1, "Keeper", "Karl", "GK") + Person(7, 1, "Tony", "Jerry", "FW") + Person(8, 0, "Bench", "Ben") +
                  Person(10, 1, "Mid", "Max", "MF", "") + Person(100, 1, "Coach", "Carl", "Coach"));
    WriteTeam(Beta, "Beta", "South", "logo.bmp", Person(2, 0, "Pit", "Nise") + Person(9, 1, "Nine", "Nils"));
    WriteLogo(Alpha, 10, 20, RGB(200, 100, 40));
    WriteLogo(Beta, 30, 10, RGB(0, 0, 200));
  }

  // One person's section of a team file.
  static String Person(int nr, int y, const String& f, const String& i, const String& a = "", const String& k = "",
                       const String& p = "") {
    return "[" + IntToStr(nr) + "]\nY=" + IntToStr(y) + "\nF=" + f + "\nI=" + i + "\nA=" + a + "\nK=" + k +
           "\nP=" + p + "\n";
  }
  void WriteTeam(const String& folder, const String& name, const String& town, const String& logo,
                 const String& persons) {
    std::filesystem::create_directories(app_ + "Teams/" + folder);
    WriteFile("Teams/" + folder + "/" + folder + ".txt",
              "[Name]\nLName=" + name + "\nSName=X\nTown=" + town + "\nLogo=" + logo + "\n" + persons);
  }
  void WriteLogo(const String& folder, int w, int h, TColor c) {
    TBitmap logo(w, h);
    logo.Fill(c);
    logo.SaveToFile(app_ + "Teams/" + folder + "/logo.bmp");
  }

  // Start-up, both sides chosen (Alpha side 1, Beta side 2) and confirmed.
  TFormMain* StartMatch() {
    TFormMain* f = Create();
    ScreenPage = 0;
    TransitionBusy = false;
    f->BufferTablo->SetDelay(0);
    f->WaitHook = [this](int ms) {
      waits_.push_back(ms);
      return onWait_ ? onWait_() : true;
    };
    SelectTeam(f->cbSud_Comanda1, Alpha);
    SelectTeam(f->cbSud_Comanda2, Beta);
    EXPECT_TRUE(f->FTeamsChosen);
    f->bFullOK->Click();
    return f;
  }
  void SelectTeam(TComboBox* side, const String& team) {
    side->SetItemIndex(side->Items()->IndexOf(team));
    form_->cbSud_Comanda1Change(side);
  }
  // The list item of shirt number nr (-1 when not listed).
  int ItemOf(int nr) const {
    const String prefix = IntToStr(nr) + "  ";
    for (int i = 0; i < form_->ListIgroki->Count(); ++i)
      if (form_->ListIgroki->Items()->Get(i).rfind(prefix, 0) == 0) return i;
    return -1;
  }
  // Notes the style and flag of every transition that starts.
  void WatchTransitions() {
    TNotifyEvent prev = form_->BufferTablo->OnStart;
    form_->BufferTablo->OnStart = [this, prev](TObject* s) {
      if (prev) prev(s);
      starts_.push_back({form_->BufferTablo->Style(), form_->BufferTablo->Step(), TransitionBusy});
      if (onStart_) onStart_();
    };
  }

  struct Start {
    int Style, Step;
    bool Busy;
  };
  std::vector<Start> starts_;
  std::function<void()> onStart_;
  std::vector<int> waits_;
  std::function<bool()> onWait_;
};
