// Automatic placing of the page objects proportionally to the output size:
// a fixed recipe per page that sets bounds and font sizes so that the texts
// fit. Every rule depends only on the output size and on sizes set earlier
// in the same run, so a second run gives the same result.
#include <cstdlib>
#include "console/FMain.h"
#include "controls/DialClock.h"
#include "controls/Label3D.h"

namespace {

// num / den rounded to the nearest integer, halves to even (den > 0).
int RoundHalfEven(long long num, long long den) {
  long long q = num / den, r = num % den;
  if (r < 0) r += den, --q;
  const long long twice = 2 * r;
  if (twice > den || (twice == den && (q & 1))) ++q;
  return int(q);
}

}  // namespace

void TFormMain::AutoPlaceTabloObjects() {
  // The measuring canvas: the label's whole font at the size being fitted.
  TBitmap measure(1, 1);
  int w = 0, h = 0;
  // fit(L, n): L's font size becomes n (at least 1) and w and h become the
  // width of its caption and the height of "X" in that font.
  auto FitLabelFont = [&](TControl* L, int n) {
    L->Font()->SetSize(n < 1 ? 1 : n);
    measure.Canvas()->SetFont(L->Font());
    w = measure.Canvas()->TextWidth(L->Caption());
    h = measure.Canvas()->TextHeight("X");
  };
  auto AutoPlaceBounds = [](TControl* c, int l, int t, int cw, int ch) { c->SetBounds(l, t, cw, ch); };
  auto rect = [](TControl* c, int l, int t, int r, int b) { c->SetBounds(l, t, r - l, b - t); };
  auto fill = [](TControl* c) {
    if (c->Parent()) c->SetBounds(0, 0, c->Parent()->ClientWidth(), c->Parent()->ClientHeight());
  };
  auto copy = [](TControl* a, TControl* b) {
    b->Font()->Assign(a->Font());
    b->SetBoundsRect(a->BoundsRect());
  };
  auto bottom = [](const TControl* c) { return c->Top() + c->Height(); };
  auto right = [](const TControl* c) { return c->Left() + c->Width(); };
  const int W = PanelTablo0->Width(), H = PanelTablo0->Height();

  // ---- Main page -------------------------------------------------------------
  FitLabelFont(labTablo_Title, H / 20);                                  // 1
  if (W < 320) labTablo_Title->Font()->SetStyle({});
  AutoPlaceBounds(labTablo_Title, 0, 0, W, h);
  FitLabelFont(labTablo_Tur, labTablo_Title->Font()->Size());            // 2
  AutoPlaceBounds(labTablo_Tur, 0, labTablo_Title->Height(), W, h);
  FitLabelFont(eTablo_Time, H / 14);                                     // 3
  const int F = std::abs(eTablo_Time->Font()->Height());
  AutoPlaceBounds(eTablo_Time, 0, H - F, W, F);
  const int T = labTablo_Title->Height();                               // 4
  AutoPlaceBounds(iTablo_Logo1, 0, T, W / 2, H / 2 - T);
  AutoPlaceBounds(iTablo_Logo2, iTablo_Logo1->Width(), T, W / 2, H / 2 - T);
  FitLabelFont(eTablo_K1, H / 14);                                       // 5
  AutoPlaceBounds(eTablo_K1, 0, bottom(iTablo_Logo1), W / 2 - 1, h);
  FitLabelFont(eTablo_K2, eTablo_K1->Font()->Size());
  AutoPlaceBounds(eTablo_K2, W / 2 + 1, bottom(iTablo_Logo2), W / 2 - 1, h);
  FitLabelFont(eTablo_Town1, H / 20);                                    // 6
  AutoPlaceBounds(eTablo_Town1, 0, bottom(eTablo_K1), W / 2 - 1, h);
  FitLabelFont(eTablo_Town2, eTablo_Town1->Font()->Size());
  AutoPlaceBounds(eTablo_Town2, W / 2 + 1, bottom(eTablo_K2), W / 2 - 1, h);
  AutoPlaceBounds(seTablo_Schet1, 0, bottom(eTablo_Town1), W / 2, H - bottom(eTablo_Town1));   // 7
  AutoPlaceBounds(seTablo_Schet2, W / 2, bottom(eTablo_Town2), W / 2, H - bottom(eTablo_Town2));
  FitLabelFont(seTablo_Schet1, RoundHalfEven(4LL * seTablo_Schet1->Height(), 5));              // 8
  FitLabelFont(seTablo_Schet2, seTablo_Schet1->Font()->Size());
  FitLabelFont(eTablo_Period, H / 12);                                   // 9
  fill(ImageFon0);
  const int s = eTablo_Period->Font()->Size();
  AutoPlaceBounds(eTablo_Period, W / 2 - s, eTablo_K1->Top() - h, 2 * s, h);

  // ---- With goals page -------------------------------------------------------
  copy(eTablo_K1, eTabloGol_K1);                                         // 10
  eTabloGol_K1->SetTop(0);
  copy(eTablo_K2, eTabloGol_K2);
  eTabloGol_K2->SetTop(0);
  copy(eTablo_Town1, eTabloGol_Town1);                                   // 11
  eTabloGol_Town1->SetTop(eTabloGol_K1->Height());
  copy(eTablo_Town2, eTabloGol_Town2);
  eTabloGol_Town2->SetTop(eTabloGol_K2->Height());
  // 12: the goal list lies along the page's bottom edge.
  AutoPlaceBounds(TabloGol_Paint, 0, PanelTablo1->Height() - H / 2, PanelTablo1->Width(), H / 2);
  copy(seTablo_Schet1, eTabloGol_Schet1);                                // 13
  eTabloGol_Schet1->SetTop(bottom(eTabloGol_Town1));
  copy(seTablo_Schet2, eTabloGol_Schet2);
  eTabloGol_Schet2->SetTop(bottom(eTabloGol_Town2));
  copy(eTablo_Period, eTabloGol_Period);
  eTabloGol_Period->SetTop(bottom(eTabloGol_Town1));
  TabloGol_Paint->Font()->SetSize(std::max(1, PanelTablo1->Height() / 14));   // 14
  FitLabelFont(eTabloGol_Time, eTablo_Time->Font()->Size());             // 15
  rect(eTabloGol_Time, 0, TabloGol_Paint->Top() - h, W, TabloGol_Paint->Top());
  fill(ImageFon1);                                                       // 16

  // ---- Structure page --------------------------------------------------------
  fill(PaintSostav);                                                     // 17
  PaintSostav->Font()->SetSize(std::max(1, PaintSostav->Height() / 18));

  // ---- Replacements page -----------------------------------------------------
  const int H3 = PanelTablo3->Height();
  AutoPlaceBounds(PhotoOut, 0, 0, (H3 / 8) * 3, H3 / 2 - 1);             // 18
  AutoPlaceBounds(PhotoIn, 0, H3 / 2 + 1, (H3 / 8) * 3, H3 / 2 - 1);
  ImageOut->SetBounds(PhotoOut->Width(), 4, ImageOut->Width(), ImageOut->Height());   // 19
  ImageIn->SetBounds(PhotoIn->Width(), H3 - ImageIn->Height() - 4, ImageIn->Width(), ImageIn->Height());
  FitLabelFont(LabelNumOut, H / 9);                                      // 20
  {
    // The number labels are sized for two digits whatever they show.
    const String shown = LabelNumIn->Caption();
    LabelNumIn->SetCaption("99");
    FitLabelFont(LabelNumIn, LabelNumOut->Font()->Size());
    LabelNumIn->SetCaption(shown);
  }
  AutoPlaceBounds(LabelNumOut, right(ImageOut), 0, w, h);
  LabelNumIn->SetBoundsRect(LabelNumOut->BoundsRect());
  LabelNumIn->SetTop(H - LabelNumIn->Height());
  FitLabelFont(LabelNameOut, H / 12);                                    // 21
  rect(LabelNameOut, right(LabelNumOut), 0, W, 2 * h);
  FitLabelFont(LabelNameIn, LabelNameOut->Font()->Size());
  LabelNameIn->SetBoundsRect(LabelNameOut->BoundsRect());
  LabelNameIn->SetTop(H - LabelNameIn->Height());
  rect(Zamena_Logo, LabelNameOut->Left(), LabelNameOut->Height(), W, LabelNameIn->Top());   // 22
  FitLabelFont(Zamena_Min, H / 12);                                      // 23
  AutoPlaceBounds(Zamena_Min, ImageOut->Left(), (H3 - h) / 2, LabelNameIn->Left() - ImageOut->Left(), h);
  fill(ImageFon3);                                                       // 24

  // ---- Players page ----------------------------------------------------------
  const int W4 = PanelTablo4->Width(), H4 = PanelTablo4->Height();
  FitLabelFont(LabelIgrokName, LabelNameOut->Font()->Size());           // 25
  rect(LabelIgrokName, 0, 0, W4, h);
  AutoPlaceBounds(Igrok_Photo, 0, h, ((H - h) / 4) * 3, H4 - h);         // 26
  FitLabelFont(LabelIgrokBirthday, H / 13);                              // 27
  AutoPlaceBounds(LabelIgrokBirthday, Igrok_Photo->Width(), LabelIgrokName->Height(), W - Igrok_Photo->Width(), h);
  FitLabelFont(LabelIgrokRostVes, LabelIgrokBirthday->Font()->Size());   // 28
  LabelIgrokRostVes->SetBoundsRect(LabelIgrokBirthday->BoundsRect());
  LabelIgrokRostVes->SetTop(LabelIgrokName->Height() + h);
  FitLabelFont(LabelIgrokAmplua, LabelIgrokBirthday->Font()->Size());
  LabelIgrokAmplua->SetBoundsRect(LabelIgrokBirthday->BoundsRect());
  LabelIgrokAmplua->SetTop(LabelIgrokName->Height() + 2 * h);
  rect(Igrok_Logo, LabelIgrokAmplua->Left() + 1, bottom(LabelIgrokAmplua) + 1, W4, H4);   // 29
  fill(ImageFon4);                                                       // 30

  // ---- Clock page ------------------------------------------------------------
  FitLabelFont(LabelSekundomer, H / 14);                                 // 31
  AutoPlaceBounds(LabelSekundomer, 0, H - h, w + w / 10, h);
  AutoPlaceBounds(DialClock1, 0, 0, W, H);                               // 32

  // ---- Statistic page --------------------------------------------------------
  const int WS = PanelStat->Width(), HS = PanelStat->Height();
  copy(eTablo_K1, eTabloStat_K1);                                        // 33
  eTabloStat_K1->SetTop(0);
  copy(eTablo_K2, eTabloStat_K2);
  eTabloStat_K2->SetTop(0);
  const int r = eTabloStat_K1->Height();
  // 34: the left column of row marks, six rows of height r ending one
  // pixel above the page's bottom; row 4 holds the red and the yellow mark.
  // StatLabels 1..7 are K1_1, K1_2, K1_3, K1_4Y, K1_4R, K1_5, K1_6; 8..14
  // their partners of the right team.
  TLabel3D* const K1_1 = StatLabels[1];
  TLabel3D* const K1_4Y = StatLabels[4];
  TLabel3D* const K1_4R = StatLabels[5];
  const int markW = RoundHalfEven(12LL * WS, 100);
  const TColor markColor[8] = {0, clNone, clNone, clNone, clYellow, clRed, clNone, clNone};
  const int rowOf[8] = {0, 0, 1, 2, 3, 3, 4, 5};
  for (size_t n = 1; n <= 7; ++n) {
    TLabel3D* m = StatLabels[n];
    m->Font()->Assign(eTabloStat_K1->Font());
    if (markColor[n] != clNone) m->Font()->SetColor(markColor[n]);
    const int left = m == K1_4Y ? markW : 0;
    m->SetBounds(left, HS - 6 * r - 1 + rowOf[n] * r, markW, r);
  }
  for (size_t n = 8; n <= 14; ++n) {                                     // 35
    TLabel3D* m = StatLabels[n];
    TLabel3D* partner = StatLabels[n - 7];
    m->Font()->Assign(partner->Font());
    m->SetBoundsRect(partner->BoundsRect());
    m->SetLeft(WS - m->Width());
  }
  TLabel3D* const K2_4Y = StatLabels[11];
  TLabel3D* const K2_4R = StatLabels[12];
  K2_4Y->SetLeft(WS - K2_4Y->Width() - K2_4R->Width());
  // 36: row captions between the marks.
  TLabel3D* const K1_2 = StatLabels[2];
  TLabel3D* const K1_3 = StatLabels[3];
  TLabel3D* const K1_5 = StatLabels[6];
  TLabel3D* const K1_6 = StatLabels[7];
  for (size_t row = 1; row <= 6; ++row) eTabloStat_Label[row]->Font()->Assign(eTabloStat_K1->Font());
  rect(eTabloStat_Label[1], K1_1->Width(), K1_1->Top(), StatLabels[8]->Left(), K1_2->Top());
  rect(eTabloStat_Label[2], K1_2->Width(), K1_2->Top(), StatLabels[9]->Left(), K1_3->Top());
  rect(eTabloStat_Label[3], K1_3->Width(), K1_3->Top(), StatLabels[10]->Left(), K1_4R->Top());
  rect(eTabloStat_Label[4], K1_4R->Width() + K1_4Y->Width(), K1_4R->Top(), K2_4Y->Left(), K1_5->Top());
  rect(eTabloStat_Label[5], K1_5->Width(), K1_5->Top(), StatLabels[13]->Left(), K1_6->Top());
  rect(eTabloStat_Label[6], K1_6->Width(), K1_6->Top(), StatLabels[14]->Left(), HS);
  // 37: the counters beside their rows.
  const int d = (K1_1->Height() - StatInputs[1]->Height()) / 2;
  for (size_t n = 1; n <= 7; ++n) {
    StatInputs[n]->SetTop(StatLabels[n]->Top() + (n <= 2 ? d : 4));
    StatInputs[n + 7]->SetTop(StatInputs[n]->Top());
  }
  // 38: the scores under the team names.
  eTabloStat_Schet1->Font()->Assign(seTablo_Schet1->Font());
  eTabloStat_Schet1->SetBoundsRect(eTabloStat_K1->BoundsRect());
  eTabloStat_Schet1->SetHeight(eTabloStat_Label[1]->Top() - eTabloStat_K1->Height());
  eTabloStat_Schet1->SetTop(eTabloStat_K1->Height());
  eTabloStat_Schet1->Font()->SetSize(std::max(1, (eTabloStat_Schet1->Height() / 6) * 5));
  eTabloStat_Schet2->Font()->Assign(seTablo_Schet1->Font());
  eTabloStat_Schet2->SetBoundsRect(eTabloStat_K2->BoundsRect());
  eTabloStat_Schet2->SetBounds(eTabloStat_Schet2->Left(), eTabloStat_Schet1->Top(), eTabloStat_Schet2->Width(),
                               eTabloStat_Schet1->Height());
  eTabloStat_Schet2->Font()->SetSize(std::max(1, (eTabloStat_Schet2->Height() / 6) * 5));
  // 39, 40: the picture between the scores and its caption.
  ImageTabloStat->SetBoundsRect(eTabloStat_Schet1->BoundsRect());
  ImageTabloStat->SetBounds(WS / 4, ImageTabloStat->Top(), WS / 2, ImageTabloStat->Height());
  LabelStat->SetBoundsRect(ImageTabloStat->BoundsRect());
  LabelStat->SetHeight(std::abs(LabelStat->Font()->Height()));
  LabelStat->SetTop(ImageTabloStat->Top() + (ImageTabloStat->Height() - LabelStat->Height()) / 2);
}
