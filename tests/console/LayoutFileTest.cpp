// Layout file: writing and reading the objects of the ten display pages,
// the live elements around a save or load, and broken files.
#include <unistd.h>
#include <filesystem>
#include <random>
#include "ConsoleFixture.h"
#include "controls/DialClock.h"
#include "controls/Label3D.h"
#include "controls/Profile.h"
#include "pictureshow/PictureShow.h"
#include "platform/IniFile.h"

namespace {

// Gives every object of the layout pages another place, size and style.
void Scramble(TFormMain* f, int seed) {
  for (TWinControl* page : f->LayoutPages)
    for (int k = 0; k < page->ControlCount(); ++k) {
      TControl* c = page->Controls(k);
      c->SetBounds(c->Left() + seed, c->Top() + 2 * seed, c->Width() + seed, c->Height() + 3);
      if (auto* L = dynamic_cast<TLabel3D*>(c)) {
        L->Font()->SetSize(L->Font()->Size() + seed);
        L->Font()->SetName("Courier New");
        L->SetFirstColor(RGB(seed, 2, 3));
        L->SetBorderStyle(lbOut);
        L->SetAlignment(taRightJustify);
        L->SetLayout(tlBottom);
        L->SetTransparent(!L->Transparent());
      }
      if (c->ClassName() == "TPaintBox") c->Font()->SetColor(RGB(seed, seed, seed));
    }
}

String ReadAll(const String& path) { return LoadTextFile(path); }

}  // namespace

class LayoutFileTest : public ConsoleFixture {
 protected:
  void TearDown() override {
    CommonDialogHook = nullptr;
    ConsoleFixture::TearDown();
  }
  String View(const String& name) const { return app_ + "Views/" + name; }
};

TEST_F(LayoutFileTest, RoundTripBringsEveryWrittenKeyBack) {
  TFormMain* f = Create();
  // A style of each class: label, image (picture in Views/), paint box, other.
  f->eTablo_K1->SetBorderStyle(lbLowered);
  f->eTablo_K1->SetHighLightColor(clBtnHighlight);
  f->eTablo_K1->Font()->SetStyle({fsItalic, fsUnderline});
  f->eTablo_K1->Font()->SetCharset(204);
  TBitmap bmp(6, 4);
  bmp.Fill(clLime);
  bmp.SaveToFile(View("fon.bmp"));
  f->ImageFon0->SetHint(View("fon.bmp"));
  f->TabloGol_Paint->Font()->SetSize(19);
  f->LabelStat->SetCaption("SHOTS");
  ASSERT_TRUE(f->SaveTabloLayout(View("a.txt")));
  EXPECT_EQ(f->Profile1->FileName(), View("a.txt"));
  Scramble(f, 5);
  f->AutoPlaceTabloObjects();
  f->ImageFon0->Picture()->Clear();
  f->LabelStat->SetCaption("x");
  ASSERT_TRUE(f->LoadTabloLayout(View("a.txt"))) << f->LayoutLoadMessage;
  EXPECT_EQ(f->LayoutLoadMessage, "");
  ASSERT_TRUE(f->SaveTabloLayout(View("b.txt")));
  EXPECT_EQ(ReadAll(View("a.txt")), ReadAll(View("b.txt")));
  EXPECT_EQ(f->ImageFon0->Picture()->Width(), 6);
  EXPECT_EQ(f->LabelStat->Caption(), "SHOTS");

  // Each class writes its own keys, in order.
  TIniDocument doc(View("a.txt"));
  struct Case { String name; std::vector<String> keys; };
  const std::vector<String> head = {"Type", "Name", "Left", "Top", "Width", "Height"};
  const std::vector<String> font = {"FontSize", "FontName", "FontColor", "FontStyle", "FontSet"};
  auto join = [](std::vector<String> a, const std::vector<String>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  std::vector<String> label = join(head, {"ColorFon", "ColorGr1", "ColorGr2", "ColorSh", "ColorHiText", "ShadowSize",
                                          "BorderSize", "BorderColor", "BorderStyle", "Transparent", "Gradient",
                                          "GradientOri", "AlignmentH", "AlignmentV", "BevelStyle", "WordWrap"});
  label = join(join(label, font), {"Text"});
  const Case cases[] = {{"eTablo_K1", label},
                        {"ImageFon0", join(head, {"Filename"})},
                        {"TabloGol_Paint", join(head, font)},
                        {"DialClock1", join(join(head, font), {"ColorFon", "ColorDot", "ColorDotB", "ColorDotL",
                                                               "ColorStr", "ColorStrSec", "Picture", "Fon", "Cifra",
                                                               "Round", "Minuts", "MinutLen", "CentrRadius"})}};
  for (const Case& c : cases) {
    String sec;
    for (const String& s : doc.ReadSections())
      if (doc.ReadString(s, "Name", "") == c.name) sec = s;
    ASSERT_FALSE(sec.empty()) << c.name;
    EXPECT_EQ(doc.ReadSection(sec), c.keys) << c.name;
    if (c.name == "eTablo_K1") {
      EXPECT_EQ(doc.ReadString(sec, "ColorHiText", ""), "255,255,255");   // a system colour as shown
      EXPECT_EQ(doc.ReadInteger(sec, "FontStyle", 0), 6);
      EXPECT_EQ(doc.ReadInteger(sec, "FontSet", 0), 204);
    }
    if (c.name == "ImageFon0") {
      EXPECT_EQ(doc.ReadString(sec, "Filename", ""), "fon.bmp");
    }
  }
  EXPECT_EQ(doc.ReadString("Tablo1.1", "Name", ""), f->PanelTablo0->Controls(0)->Name());
}

TEST_F(LayoutFileTest, MatchTimeOnTheScreenIsSavedInItsPageAndPutBack) {
  TFormMain* f = Create();
  f->eTablo_Time->SetParent(f->BufferTablo);
  f->PanelCircleClock->SetParent(f->BufferTablo);
  ASSERT_TRUE(f->SaveTabloLayout(View("live.txt")));
  TIniDocument doc(View("live.txt"));
  bool inMain = false;
  for (int k = 1; k <= 40; ++k) inMain |= doc.ReadString("Tablo1." + IntToStr(k), "Name", "") == "eTablo_Time";
  EXPECT_TRUE(inMain);
  EXPECT_EQ(f->eTablo_Time->Parent(), f->BufferTablo);
  EXPECT_EQ(f->PanelCircleClock->Parent(), f->BufferTablo);
  ASSERT_TRUE(f->LoadTabloLayout(View("live.txt")));
  EXPECT_EQ(f->eTablo_Time->Parent(), f->BufferTablo);
  EXPECT_EQ(f->PanelCircleClock->Parent(), f->BufferTablo);
}

TEST_F(LayoutFileTest, BareImageNameReloadsFromViewsInAnotherFolder) {
  TFormMain* f = Create();
  TBitmap bmp(3, 5);
  bmp.SaveToFile(View("Out.bmp"));
  WriteFile("Views/img.txt", "[Tablo4.1]\nName=ImageOut\nLeft=1\nTop=2\nWidth=30\nHeight=31\nFilename=out.BMP\n");
  const String cwd = GetCurrentDir();
  SetCurrentDir(root_);
  ASSERT_TRUE(f->LoadTabloLayout(View("img.txt")));
  SetCurrentDir(cwd);
  EXPECT_EQ(f->ImageOut->Picture()->Height(), 5);
  EXPECT_EQ(f->ImageOut->Hint(), "out.BMP");
  EXPECT_EQ(f->ImageOut->BoundsRect(), Rect(1, 2, 31, 33));
}

TEST_F(LayoutFileTest, CharacterSetRuleAndStatisticsCaptions) {
  TFormMain* f = Create();
  f->cbInternational->SetItemIndex(16);   // EASTEUROPE, 238
  struct { const char* fontSet; int want; } cases[] = {{"FontSet=1\n", 238}, {"", 238}, {"FontSet=204\n", 204}};
  auto sectionOf = [f](TControl* c) {
    for (int k = 0; k < f->PanelStat->ControlCount(); ++k)
      if (f->PanelStat->Controls(k) == c) return "[Tablo10." + IntToStr(k + 1) + "]\n";
    return String();
  };
  for (const auto& c : cases) {
    WriteFile("Views/cs.txt", sectionOf(f->eTabloStat_Label[1]) + "Name=eTabloStat_Label1\nWidth=50\nHeight=20\n" +
                                  c.fontSet + "Text=   \n" + sectionOf(f->eTabloStat_Label[2]) +
                                  "Name=eTabloStat_Label2\nWidth=50\nHeight=20\nText= GOALS \n");
    ASSERT_TRUE(f->LoadTabloLayout(View("cs.txt")));
    EXPECT_EQ(int(f->eTabloStat_Label[1]->Font()->Charset()), c.want) << c.fontSet;
    EXPECT_EQ(f->eTabloStat_Label[1]->Caption(), "IMPACTS IN GATE");
    EXPECT_EQ(f->eTabloStat_Label[2]->Caption(), "GOALS");
  }
  f->cbInternational->SetItemIndex(-1);
  EXPECT_EQ(f->ConsoleCharsetCode(), 1);
}

TEST_F(LayoutFileTest, CancelledOrFailedSaveKeepsTheOldFile) {
  TFormMain* f = Create();
  ASSERT_TRUE(f->SaveTabloLayout(View("last.txt")));
  const String before = ReadAll(View("last.txt"));
  Scramble(f, 3);
  String startDir;
  CommonDialogHook = [&](TCommonDialog* d) {
    startDir = static_cast<TSaveDialog*>(d)->InitialDir;
    return false;
  };
  const String oldDir = f->SaveTextDialog->InitialDir;
  f->tbSaveTabloClick(f->tbSaveTablo);
  EXPECT_EQ(startDir, app_ + "Views/");
  EXPECT_EQ(f->SaveTextDialog->InitialDir, oldDir);
  EXPECT_EQ(ReadAll(View("last.txt")), before);

  // A place nobody may write to: reported, the old file as it was.
  String target = "/proc/version";
  if (geteuid() != 0) {
    std::filesystem::create_directories(root_ + "/ro");
    SaveTextFile(root_ + "/ro/l.txt", "old");
    std::filesystem::permissions(root_ + "/ro", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    target = root_ + "/ro/l.txt";
  }
  const std::string old = LoadTextFile(target);
  requests_.clear();
  EXPECT_FALSE(f->SaveTabloLayout(target));
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_EQ(requests_[0].Msg.rfind("Error file " + target, 0), 0u) << requests_[0].Msg;
  EXPECT_EQ(LoadTextFile(target), old);
  EXPECT_EQ(f->Profile1->FileName(), View("last.txt"));
  if (geteuid() != 0) std::filesystem::permissions(root_ + "/ro", std::filesystem::perms::owner_all);
}

TEST_F(LayoutFileTest, BrokenFilesChangeNothingOrKeepWhatTheyLack) {
  TFormMain* f = Create();
  f->eTablo_Time->SetParent(f->BufferTablo);
  ASSERT_TRUE(f->SaveTabloLayout(View("good.txt")));
  const String good = ReadAll(View("good.txt"));

  // Refused whole: no object section at all.
  for (const String& text : {String("[1]\nY=7\nF=Smith\n"), String("\x01\x02garbage\xff\xfe")}) {
    WriteFile("Views/bad.txt", text);
    const TRect before = f->eTablo_K1->BoundsRect();
    EXPECT_FALSE(f->LoadTabloLayout(View("bad.txt")));
    EXPECT_EQ(f->LayoutLoadMessage.rfind("Error file " + View("bad.txt"), 0), 0u);
    EXPECT_EQ(f->eTablo_K1->BoundsRect(), before);
  }
  EXPECT_FALSE(f->LoadTabloLayout(View("missing.txt")));

  // Cut anywhere, or random bytes: no crash, the time label over the output.
  std::mt19937 gen(7);
  for (size_t cut = 0; cut < good.size(); cut += 173) {
    WriteFile("Views/cut.txt", good.substr(0, cut));
    f->LoadTabloLayout(View("cut.txt"));
    EXPECT_EQ(f->eTablo_Time->Parent(), f->BufferTablo) << cut;
  }
  for (int n = 0; n < 20; ++n) {
    String junk = "[Tablo1.1]\n";
    for (int i = 0; i < 300; ++i) junk += char(gen() % 256);
    WriteFile("Views/junk.txt", junk);
    f->LoadTabloLayout(View("junk.txt"));
    EXPECT_EQ(f->eTablo_Time->Parent(), f->BufferTablo);
  }

  // Lacking keys: left edge for a missing Left, size kept and named.
  ASSERT_TRUE(f->LoadTabloLayout(View("good.txt")));
  const TRect k1 = f->eTablo_K1->BoundsRect();
  String sec;
  TIniDocument doc(View("good.txt"));
  for (const String& s : doc.ReadSections())
    if (doc.ReadString(s, "Name", "") == "eTablo_K1") sec = s;
  doc.DeleteKey(sec, "Left");
  doc.DeleteKey(sec, "Width");
  doc.WriteString(sec, "Height", "99999999");
  doc.WriteString(sec, "FontSize", "2000000");
  doc.EraseSection("Tablo1.1");   // a missing section: skipped
  doc.SetFileName(View("lack.txt"));
  doc.Save();
  ASSERT_TRUE(f->LoadTabloLayout(View("lack.txt")));
  EXPECT_EQ(f->eTablo_K1->BoundsRect(), Bounds(0, k1.Top, k1.Width(), k1.Height()));
  EXPECT_NE(f->LayoutLoadMessage.find("eTablo_K1"), String::npos) << f->LayoutLoadMessage;
  EXPECT_EQ(f->eTablo_K1->Font()->Size(), 1000);
  doc.WriteString(sec, "Height", "-4");
  doc.Save();
  ASSERT_TRUE(f->LoadTabloLayout(View("lack.txt")));
  EXPECT_EQ(f->eTablo_K1->Height(), k1.Height());
}

TEST_F(LayoutFileTest, StatisticsInputsFollowTheirRows) {
  TFormMain* f = Create();
  f->StatLabels[4]->SetTop(150);
  f->StatLabels[4]->SetHeight(30);
  f->StatLabels[1]->SetHeight(30);
  ASSERT_TRUE(f->SaveTabloLayout(View("stat.txt")));
  ASSERT_TRUE(f->LoadTabloLayout(View("stat.txt")));
  const int d = (30 - f->StatInputs[1]->Height()) / 2;
  EXPECT_EQ(f->StatInputs[4]->Top(), 150 + d);
  EXPECT_EQ(f->StatInputs[11]->Top(), 150 + d);
}

TEST_F(LayoutFileTest, ClockPictureThatDoesNotLoadKeepsTheColourBackground) {
  TFormMain* f = Create();
  f->rbClockFonColor->SetChecked(true);
  int k = 0;
  for (int j = 0; j < f->PanelCircleClock->ControlCount(); ++j)
    if (f->PanelCircleClock->Controls(j) == f->DialClock1) k = j + 1;
  ASSERT_GT(k, 0);
  WriteFile("Views/clock.txt", "[Tablo9." + IntToStr(k) +
                                   "]\nName=DialClock1\nWidth=100\nHeight=100\nPicture=nowhere.jpg\nFon=1\n");
  ASSERT_TRUE(f->LoadTabloLayout(View("clock.txt")));
  EXPECT_TRUE(f->rbClockFonColor->Checked());
  EXPECT_FALSE(f->rbClockFonPic->Checked());
  EXPECT_NE(f->LayoutLoadMessage.find("DialClock1"), String::npos) << f->LayoutLoadMessage;
}
