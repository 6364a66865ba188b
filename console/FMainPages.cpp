// Display pages: which page is selected, which is on the screen, the command
// tab that sends the selected page, the per-page transition word with its
// editors, the grab of a page's picture and the live elements that are moved
// onto and off the output area.
#include <random>
#include "console/FMain.h"
#include "media/DSVideoWindow.h"
#include "controls/filedrag.h"
#include "controls/DialClock.h"
#include "console/FrMedia.h"
#include "media/DSGraph.h"
#include "controls/Handles.h"
#include "controls/Label3D.h"
#include "controls/RunLabel.h"
#include "pictureshow/PictureShow.h"
#include "toolkit/Timer.h"

namespace {

// Tabs of PageControl1 by index.
constexpr TTabloPageIndex PagePlayers = 5;
constexpr TTabloPageIndex PageTv = 6;
constexpr TTabloPageIndex PageMedia = 7;
constexpr TTabloPageIndex PageClock = 9;
constexpr TTabloPageIndex PageStat = 10;

// Transition word: effect in bits 0-7, step in bits 8-15, random in bit 31.
constexpr uint32_t TagEffectMask = 0x000000FFu;
constexpr uint32_t TagStepMask = 0x0000FF00u;
constexpr uint32_t TagRandomBit = 0x80000000u;

// Pages that show the match and so need both sides chosen.
bool IsMatchPage(TTabloPageIndex i) { return (i >= 1 && i <= 5) || i == PageStat; }

int DefaultRandom(int range) {
  static std::mt19937 gen{std::random_device{}()};
  if (range <= 0) return 0;
  return std::uniform_int_distribution<int>(0, range - 1)(gen);
}

}  // namespace

uint32_t TFormMain::PageTag(const TTabSheet* Sheet) { return Sheet ? uint32_t(int32_t(Sheet->Tag())) : 0u; }

void TFormMain::SetPageTag(TTabSheet* Sheet, uint32_t Word) {
  // The word is kept as the 32-bit signed value the settings store.
  if (Sheet) Sheet->SetTag(intptr_t(int32_t(Word)));
}

// ---------------------------------------------------------------------------
// Selecting and sending
// ---------------------------------------------------------------------------

void TFormMain::PageControl1Change(TObject* /*Sender*/) {
  // The layout editor's selection ends.
  if (StretchHandleAttached()) DetachStretchHandle();
  // The clock page's picture choice follows its file.
  if (PageControl1->ActivePageIndex() == PageClock) UpdateClockPicEnabled();

  // A page tab: it becomes the selected page, unless the players show
  // (or a media clip) runs on the screen.
  if (PageControl1->ActivePageIndex() != 0) {
    if (ScreenPage == PagePlayers && ((Timer_Igrok && Timer_Igrok->Enabled()) || MediaStopEnabled())) {
      PageControl1->SetActivePageIndex(PagePlayers);
      return;
    }
    SelectTabloPage();
    return;
  }

  // The command tab sends the selected page.
  // 4.1 The match pages wait for both sides.
  if (!FTeamsChosen && IsMatchPage(SelectedPage)) {
    PageControl1->SetActivePageIndex(SelectedPage);
    return;
  }
  const uint64_t send = ++pageSends_;
  // 4.2 The page that leaves the screen takes its live elements back.
  if (SelectedPage != ScreenPage) {
    if (ScreenPage == PageTv) {
      BufferTablo->Clear();
      rlStop->Click();
      BufferTablo->SetVisible(true);
      ImageOnTV->SetParent(PanelTablo5);
      MoveVideoWindow(PanelTablo5);
    } else if (ScreenPage == PageMedia) {
      MediaStopClick();
      MediaSetOnTablo(false);
      BufferTablo->Clear();
    }
  }
  // 4.3 The moves above are painted first (nothing else runs meanwhile).
  Update();
  // 4.4 The page goes on the screen.
  PageControl1->SetActivePageIndex(SelectedPage);
  ScreenPage = PageControl1->ActivePageIndex();
  // 4.5 The command tab names it.
  UpdateScreenTabCaption();

  // 4.6 Live pages.
  TTabSheet* page = PageControl1->ActivePage();
  if (page == Sheet_Media && MediaGraphActive()) {
    MediaRestartOnTablo();
    return;
  }
  if (page == Sheet_TV) {
    MoveVideoWindow(PanelTabloColor);
    BufferTablo->SetVisible(false);
    if (RunStr->IsRunning()) RunStr->SetParent(PanelTabloColor);
    return;
  }
  if (page == Sheet_Clock) {
    PanelCircleClock->SetParent(BufferTablo);
    DialClock1->SetCursor(crNone);
    DialClock1->Repaint();
    return;
  }

  // 4.7 Grab and transition.
  ShowTimeLabels(false);
  if (FGrabBitmap && GrabTabloImage(*FGrabBitmap)) BufferTablo->Picture()->SetGraphic(FGrabBitmap.get());
  if (!BufferTablo->Visible()) BufferTablo->SetVisible(true);
  PanelCircleClock->SetParent(PanelTablo8);
  DialClock1->SetCursor(crDefault);
  BufferTablo->Execute();
  // The transition let the operator go on: a page sent meanwhile owns the
  // output now.
  if (send != pageSends_) return;
  eTablo_Time->SetParent(page == TabSheet1 ? static_cast<TWinControl*>(BufferTablo) : PanelTablo0);
  eTabloGol_Time->SetParent(page == TabSheet2 ? static_cast<TWinControl*>(BufferTablo) : PanelTablo1);
  ShowTimeLabels(Sud_Stop->Enabled() && seTablo_ShowTime->Checked());
  if (SelectedPage == PageMedia && !MediaOnOutput()) MediaSetOnTablo(true);
}

void TFormMain::UpdateScreenTabCaption(bool NoPage) {
  const String blanks(30, ' ');
  TTabSheet* page = NoPage ? nullptr : PageControl1->ActivePage();
  String caption = NoPage ? blanks + "On the Screen" + blanks
                          : blanks + "On the Screen" + String(29, ' ') + ": " + (page ? page->Caption() : String());
  TBitmap measure(1, 1);
  measure.Canvas()->SetFont(PageControl1->Font());
  const int wanted = Panel9->Width() - 10;
  int width = measure.Canvas()->TextWidth(caption);
  while (width < wanted) {
    caption = " " + caption + " ";
    const int grown = measure.Canvas()->TextWidth(caption);
    // A font without a width for the blank would never get there.
    if (grown <= width) break;
    width = grown;
  }
  TabSheet0->SetCaption(caption);
}

void TFormMain::MediaPageLeftTheScreen() {
  if (ScreenPage != PageMedia) return;
  ScreenPage = 0;
  UpdateScreenTabCaption(true);
  PageControl1->Repaint();
}

void TFormMain::SelectTabloPage() {
  SetFileDropEnabled(false);
  SelectedPage = PageControl1->ActivePageIndex();
  const uint32_t tag = PageTag(PageControl1->ActivePage());
  // Each value that changes an editor runs its change handler, which
  // writes the value as the editor holds it back into the word.
  cbPagePerexodNumber->SetValue(int(tag & TagEffectMask));
  cbPageStep->SetValue(int((tag & TagStepMask) >> 8));
  cbPagePerexodRnd->SetChecked((tag & TagRandomBit) != 0);
  PageControl2Change(PageControl2);
  PageControl1->Repaint();
  if (PageControl1->ActivePageIndex() == PageMedia) SetFileDropEnabled(true);
}

void TFormMain::ShowTabloPage(TTabSheet* Sheet) {
  PageControl1->SetActivePage(Sheet);
  SelectedPage = PageControl1->ActivePageIndex();
  PageControl1Change(PageControl1);
}

TControl* TFormMain::PageContainer(TTabloPageIndex Page) const {
  switch (Page) {
    case 1: return PanelTablo0;
    case 2: return PanelTablo1;
    case 3: return PanelSostav;
    case 4: return PanelTablo3;
    case 5: return PanelTablo4;
    case 6: return PanelTablo5;
    case 7: return FrameMedia1 ? FrameMedia1->PanelMedia : nullptr;
    case 8: return RichEdit1;
    case 9: return PanelTablo8;
    case 10: return PanelStat;
    case 11: return PanelInet;
    default: return nullptr;
  }
}

namespace {

// Where C lies on its tab sheet.
TPoint OriginOnSheet(const TControl* C) {
  TPoint r(0, 0);
  for (const TControl* c = C; c && !dynamic_cast<const TTabSheet*>(c); c = c->Parent()) {
    r.X += c->Left();
    r.Y += c->Top();
  }
  return r;
}

}  // namespace

bool TFormMain::GrabTabloImage(TBitmap& Bitmap) {
  TTabSheet* sheet = PageControl1 ? PageControl1->ActivePage() : nullptr;
  if (!sheet || !PanelTablo0 || Bitmap.Empty()) return false;
  // The page's own container is drawn, with everything on it, as it lies
  // on the output rectangle (the place of PanelTablo0 on its sheet). It is
  // drawn from the controls themselves, not read from the screen, so a
  // window over the output band, a sheet that was never shown or a program
  // without a display give the same picture.
  TControl* page = PageContainer(sheet->PageIndex());
  if (!page) {
    // The command sheet holds nothing but its colour.
    Bitmap.Fill(ColorToRGB(sheet->Color()));
    return true;
  }
  Bitmap.Fill(clBlack);
  if (page->Visible()) {
    const TPoint at = OriginOnSheet(page), out = OriginOnSheet(PanelTablo0);
    page->PaintTo(Bitmap.Canvas(), at.X - out.X, at.Y - out.Y);
    // A slide show placed over the office page's view is part of its picture.
    if (page == RichEdit1) ComposeShowWindow(Bitmap, at.X - out.X, at.Y - out.Y);
  }
  return true;
}

// ---------------------------------------------------------------------------
// Transition word and its editors
// ---------------------------------------------------------------------------

void TFormMain::BufferTabloStart(TObject* /*Sender*/) {
  // A scripted transition (goal logo, card, logo buttons) keeps its own
  // effect: neither the page's word nor a random effect replaces it.
  if (!TransitionBusy) {
    if (cbPagePerexodRnd->Checked()) {
      const int range = cbPagePerexodNumber->MaxValue();
      const int e = (PageEffectRandom ? PageEffectRandom(range) : DefaultRandom(range)) + 1;
      ePagePerexodRnd->SetTag(e);
      ePagePerexodRnd->SetText(IntToStr(e));
      BufferTablo->SetStyle(e);
    } else {
      const uint32_t tag = PageTag(PageControl1->ActivePage());
      BufferTablo->SetStyle(int(tag & TagEffectMask));
      BufferTablo->SetStep(int((tag & TagStepMask) >> 8));
    }
  }
  if (BufferTablo->Step() < 1) BufferTablo->SetStep(1);
  if (BufferTablo->Style() == 127 && BufferTablo->Step() < 2) BufferTablo->SetStep(2);
}

void TFormMain::cbPagePerexodNumberChange(TObject* /*Sender*/) {
  BufferTablo->SetStyle(cbPagePerexodNumber->Value());
  cbPagePerexodName->SetItemIndex(int(BufferTablo->Style()) - 1);
  TTabSheet* sheet = PageControl1->ActivePage();
  SetPageTag(sheet, (PageTag(sheet) & ~TagEffectMask) + (uint32_t(BufferTablo->Style()) & TagEffectMask));
}

void TFormMain::cbPageStepChange(TObject* /*Sender*/) {
  const int v = cbPageStep->Value();
  BufferTablo->SetStep(v);
  TTabSheet* sheet = PageControl1->ActivePage();
  SetPageTag(sheet, (PageTag(sheet) & ~TagStepMask) + ((uint32_t(v) << 8) & TagStepMask));
}

void TFormMain::cbPagePerexodNameChange(TObject* /*Sender*/) {
  cbPagePerexodNumber->SetValue(cbPagePerexodName->ItemIndex() + 1);
}

void TFormMain::cbPagePerexodRndClick(TObject* /*Sender*/) {
  TTabSheet* sheet = PageControl1->ActivePage();
  if (cbPagePerexodRnd->Checked())
    SetPageTag(sheet, PageTag(sheet) | TagRandomBit);
  else
    SetPageTag(sheet, PageTag(sheet) & ~TagRandomBit);
}

void TFormMain::seTablo_ShowTimeClick(TObject* /*Sender*/) {
  ShowTimeLabels(seTablo_ShowTime->Checked() && TimerIgra && TimerIgra->Enabled());
}

// ---------------------------------------------------------------------------
// Tabs
// ---------------------------------------------------------------------------

void TFormMain::PageControl1DrawTab(TCustomControl* Control, int TabIndex, const TRect& Rect, bool Active) {
  TCanvas* c = Control->Canvas();
  if (!c) return;
  TTabSheet* sheet = PageControl1->TabPage(TabIndex);
  if (!sheet) return;
  TColor color = clBlack;
  if (Active)
    color = clRed;
  else if (sheet->PageIndex() == ScreenPage)
    color = clGreen;
  c->Font()->SetColor(color);
  c->TextRect(Rect, Rect.Left + 4 + (Active ? 2 : 0), Rect.Top + (Active ? 4 : 0), sheet->Caption());
}

void TFormMain::PageControl1ContextPopup(TObject* /*Sender*/, const TPoint& MousePos, bool& /*Handled*/) {
  // A right click on the tab rows below the pages beeps; the event stays
  // unhandled.
  if (MousePos.Y > TabSheet1->Height()) Beep();
}

void TFormMain::SetFileDropEnabled(bool Enabled) {
  // Files dropped on the window go to the media play list while this is set.
  fileDropEnabled_ = Enabled;
  if (FileDrag1) FileDrag1->SetEnableDrop(Enabled);
}

// ---------------------------------------------------------------------------
// Live elements of the output area
// ---------------------------------------------------------------------------

void TFormMain::MoveVideoWindow(TWinControl* NewParent) {
  // Index 0 is "no camera": the live picture stops while the window moves
  // and starts again with the camera that was chosen.
  const int camera = rgVideoDrv->ItemIndex();
  rgVideoDrv->SetItemIndex(0);
  DSVideoWindowEx->SetParent(NewParent);
  rgVideoDrv->SetItemIndex(camera);
}

bool TFormMain::StretchHandleAttached() const { return StretchHandle1 && StretchHandle1->Attached(); }

void TFormMain::DetachStretchHandle() {
  if (StretchHandle1) StretchHandle1->Detach();
}

bool TFormMain::MediaStopEnabled() const { return FrameMedia1 && FrameMedia1->btStop->Enabled(); }

void TFormMain::MediaStopClick() {
  if (FrameMedia1) FrameMedia1->btStopClick(FrameMedia1->btStop);
}

bool TFormMain::MediaGraphActive() const { return FrameMedia1 && FrameMedia1->FilterGraph1->Active(); }

bool TFormMain::MediaOnOutput() const { return FrameMedia1 && FrameMedia1->OnTablo(); }

void TFormMain::MediaSetOnTablo(bool OnScreen) {
  if (FrameMedia1) FrameMedia1->SetOnTablo(OnScreen);
}

void TFormMain::MediaRestartOnTablo() {
  if (FrameMedia1) FrameMedia1->RestartOnTablo();
}
