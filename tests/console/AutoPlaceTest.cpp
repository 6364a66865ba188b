// Automatic placing of the page objects at the output sizes the console
// allows: rules free of font metrics checked exactly, a repeatable result.
#include <cmath>
#include "ConsoleFixture.h"
#include "controls/DialClock.h"
#include "controls/Label3D.h"
#include "toolkit/Registry.h"

namespace {

// Every object's bounds and font size, page by page.
String Dump(TFormMain* f) {
  String out;
  for (TWinControl* page : f->LayoutPages)
    for (int k = 0; k < page->ControlCount(); ++k) {
      TControl* c = page->Controls(k);
      const TRect r = c->BoundsRect();
      out += FormatA("%s %d %d %d %d %d\n", c->Name().c_str(), r.Left, r.Top, r.Width(), r.Height(), c->Font()->Size());
    }
  return out;
}

int Bottom(const TControl* c) { return c->Top() + c->Height(); }

}  // namespace

class AutoPlaceTest : public ConsoleFixture, public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(AutoPlaceTest, PlacesByTheOutputSizeAndRepeats) {
  const auto [W, H] = GetParam();
  EditKey([&](TRegistry& r) {
    r.WriteInteger("XWidth", W);
    r.WriteInteger("YHeight", H);
  });
  TFormMain* f = Create();
  ASSERT_EQ(f->PanelTablo0->Width(), W);
  ASSERT_EQ(f->PanelTablo0->Height(), H);
  f->labTablo_Title->Font()->SetStyle({fsBold});
  f->AutoPlaceTabloObjects();
  const String first = Dump(f);

  // Main page.
  EXPECT_EQ(f->labTablo_Title->Font()->Size(), H / 20);
  EXPECT_EQ(f->labTablo_Title->Font()->Style().Contains(fsBold), W >= 320);
  EXPECT_EQ(f->eTablo_Time->Font()->Size(), H / 14);
  EXPECT_EQ(f->eTablo_Time->BoundsRect(), Rect(0, H + f->eTablo_Time->Font()->Height(), W, H));
  const int T = f->labTablo_Title->Height();
  EXPECT_EQ(f->labTablo_Tur->Top(), T);
  EXPECT_EQ(f->iTablo_Logo1->BoundsRect(), Bounds(0, T, W / 2, H / 2 - T));
  EXPECT_EQ(f->iTablo_Logo2->BoundsRect(), Bounds(W / 2, T, W / 2, H / 2 - T));
  EXPECT_EQ(f->eTablo_K1->Top(), H / 2);
  EXPECT_EQ(f->eTablo_Town1->Top(), Bottom(f->eTablo_K1));
  EXPECT_EQ(f->seTablo_Schet1->BoundsRect(), Rect(0, Bottom(f->eTablo_Town1), W / 2, H));
  EXPECT_EQ(f->seTablo_Schet2->BoundsRect(), Rect(W / 2, Bottom(f->eTablo_Town2), W / 2 + W / 2, H));
  const int sh = f->seTablo_Schet1->Height();
  EXPECT_EQ(f->seTablo_Schet1->Font()->Size(), std::max(1, int(std::nearbyint(sh * 0.8))));
  EXPECT_EQ(f->seTablo_Schet2->Font()->Size(), f->seTablo_Schet1->Font()->Size());
  EXPECT_EQ(f->ImageFon0->BoundsRect(), Rect(0, 0, W, H));
  // With goals and statistics copy the Main page's names.
  EXPECT_EQ(f->eTabloGol_K1->BoundsRect(), Bounds(0, 0, f->eTablo_K1->Width(), f->eTablo_K1->Height()));
  EXPECT_EQ(f->TabloGol_Paint->Height(), H / 2);
  EXPECT_EQ(Bottom(f->eTabloGol_Time), f->TabloGol_Paint->Top());
  // Replacements: numbers sized for two digits whatever they show.
  EXPECT_EQ(f->PhotoOut->BoundsRect(), Bounds(0, 0, (H / 8) * 3, H / 2 - 1));
  EXPECT_EQ(f->PhotoIn->BoundsRect(), Bounds(0, H / 2 + 1, (H / 8) * 3, H / 2 - 1));
  EXPECT_EQ(f->ImageOut->BoundsRect(), Bounds((H / 8) * 3, 4, 24, 24));
  EXPECT_EQ(f->ImageIn->BoundsRect(), Bounds((H / 8) * 3, H - 28, 24, 24));
  EXPECT_EQ(f->LabelNumIn->Caption(), "");
  EXPECT_EQ(f->LabelNumOut->Left(), (H / 8) * 3 + 24);
  EXPECT_EQ(f->LabelNumIn->Width(), f->LabelNumOut->Width());
  EXPECT_GT(f->LabelNumOut->Width(), 0);
  EXPECT_EQ(Bottom(f->LabelNumIn), H);
  EXPECT_EQ(f->Zamena_Logo->BoundsRect(),
            Rect(f->LabelNameOut->Left(), f->LabelNameOut->Height(), W, f->LabelNameIn->Top()));
  // Players and clock.
  EXPECT_EQ(f->Igrok_Logo->BoundsRect(), Rect(f->LabelIgrokAmplua->Left() + 1, Bottom(f->LabelIgrokAmplua) + 1, W, H));
  EXPECT_EQ(f->DialClock1->BoundsRect(), Rect(0, 0, W, H));
  EXPECT_EQ(Bottom(f->LabelSekundomer), H);
  // Statistic: the mark column ends one pixel above the page's bottom.
  const int markW = int(std::nearbyint(W * 0.12));
  EXPECT_EQ(f->StatLabels[7]->BoundsRect(), Bounds(0, H - 1 - f->eTabloStat_K1->Height(), markW, f->eTabloStat_K1->Height()));
  EXPECT_EQ(f->StatLabels[4]->Left(), markW);   // yellow beside red
  EXPECT_EQ(f->StatLabels[12]->Left(), W - markW);
  EXPECT_EQ(f->StatLabels[11]->Left(), W - 2 * markW);
  EXPECT_EQ(f->eTabloStat_Label[6]->BoundsRect(), Rect(markW, f->StatLabels[7]->Top(), W - markW, H));
  EXPECT_EQ(f->StatInputs[9]->Top(), f->StatInputs[2]->Top());
  EXPECT_EQ(f->StatInputs[3]->Top(), f->StatLabels[3]->Top() + 4);
  EXPECT_EQ(f->ImageTabloStat->Left(), W / 4);
  EXPECT_EQ(f->ImageTabloStat->Width(), W / 2);
  EXPECT_EQ(f->eTabloStat_Schet1->Font()->Size(), std::max(1, (f->eTabloStat_Schet1->Height() / 6) * 5));

  // Every rule depends on the output size only: a second run is the same.
  f->AutoPlaceTabloObjects();
  EXPECT_EQ(Dump(f), first);
}

INSTANTIATE_TEST_SUITE_P(OutputSizes, AutoPlaceTest,
                         ::testing::Values(std::make_pair(320, 240), std::make_pair(319, 240),
                                           std::make_pair(1024, 768), std::make_pair(384, 256)));

// What the operator sees: after start-up the sent Main page shows both
// scores large and wholly inside the output, the title and the round above
// the team logos.
class MainPageLookTest : public ConsoleFixture, public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(MainPageLookTest, ScoresLargeAndInsideTitleAboveLogos) {
  const auto [W, H] = GetParam();
  EditKey([&](TRegistry& r) {
    r.WriteInteger("XWidth", W);
    r.WriteInteger("YHeight", H);
  });
  TFormMain* f = Create();
  TBitmap red(40, 40);
  red.Fill(clRed);
  f->iTablo_Logo1->Picture()->SetGraphic(&red);
  f->iTablo_Logo2->Picture()->SetGraphic(&red);
  f->iTablo_Logo1->SetStretch(true);
  f->iTablo_Logo1->SetProportional(false);
  f->iTablo_Logo2->SetStretch(true);
  f->iTablo_Logo2->SetProportional(false);
  f->seTablo_Schet1->SetCaption("8");
  f->seTablo_Schet2->SetCaption("8");
  TBitmap b(W, H);
  ASSERT_TRUE(f->GrabTabloImage(b));
  auto whiteRows = [&](TControl* c, int& first, int& last) {
    first = H, last = -1;
    for (int y = 0; y < H; ++y)
      for (int x = c->Left(); x < c->Left() + c->Width(); ++x) {
        const TColor p = b.Canvas()->Pixel(x, y);
        if (y >= c->Top() && GetRValue(p) > 200 && GetGValue(p) > 200 && GetBValue(p) > 200) {
          first = std::min(first, y);
          last = std::max(last, y);
        }
      }
  };
  for (TControl* score : {static_cast<TControl*>(f->seTablo_Schet1), static_cast<TControl*>(f->seTablo_Schet2)}) {
    int first = 0, last = 0;
    whiteRows(score, first, last);
    EXPECT_GT(last - first, score->Height() / 2) << score->Name();   // large
    EXPECT_LT(last, H - 1) << score->Name();                          // its foot inside
    EXPECT_GE(first, score->Top()) << score->Name();
  }
  int yellow = 0;
  for (int y = f->labTablo_Tur->Top(); y < f->labTablo_Tur->Top() + f->labTablo_Tur->Height(); ++y)
    for (int x = 0; x < W; ++x) {
      const TColor p = b.Canvas()->Pixel(x, y);
      if (GetRValue(p) > 200 && GetGValue(p) > 200 && GetBValue(p) < 80) ++yellow;
    }
  EXPECT_GT(yellow, 20);
}

INSTANTIATE_TEST_SUITE_P(OutputSizes, MainPageLookTest,
                         ::testing::Values(std::make_pair(384, 256), std::make_pair(1024, 768)));
