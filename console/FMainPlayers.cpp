// Players show and line-up page: the players list of a side, the player
// shown on the players page, the timed show that sends one player after
// another, the line-up page drawn in code and the "LOGO" buttons.
#include <cstdlib>
#include <optional>
#include "console/FMain.h"
#include "controls/Label3D.h"
#include "pictureshow/PictureShow.h"
#include "toolkit/Clipbrd.h"
#include "toolkit/Timer.h"
#include "toolkit/WinUtils.h"

namespace {

constexpr TTabloPageIndex PageLineUp = 3;
constexpr TTabloPageIndex PagePlayers = 5;
constexpr TTabloPageIndex PageMedia = 7;
// The players list walks this many records of a side.
constexpr int ListedRecords = 99;


String FullName(const TPlayerRec& r) { return r.F + " " + r.I; }

// The card count of a record; text that is not a whole number counts as none.
int CardCount(const TPlayerRec& r) {
  int k = 0;
  return TryStrToInt(r.K, k) ? k : 0;
}

// Keeps a flag set while a road runs.
struct FlagGuard {
  bool& flag;
  explicit FlagGuard(bool& f) : flag(f) { flag = true; }
  ~FlagGuard() { flag = false; }
};

}  // namespace

int TFormMain::ChosenSide(const TComboBox* cb) {
  const int i = cb->ItemIndex();
  return i == 0 || i == 1 ? i + 1 : 0;
}

// ---------------------------------------------------------------------------
// Players list
// ---------------------------------------------------------------------------

void TFormMain::cb_T_IgrokiChange(TObject* /*Sender*/) {
  const int side = ChosenSide(cb_T_Igroki);
  if (side == 0) return;
  const TTeamSlot& slot = TeamSlots[size_t(side)];
  TStrings* items = ListIgroki->Items();
  items->BeginUpdate();
  items->Clear();
  std::vector<bool> checks;
  for (int i = 0; i < ListedRecords; ++i) {
    const TPlayerRec& r = slot.Players[size_t(i)];
    if ((r.F + r.I).empty()) continue;
    items->Add(IntToStr(r.Nr) + "  " + FullName(r));
    checks.push_back((r.Y & 1) != 0);
  }
  items->EndUpdate();
  for (size_t i = 0; i < checks.size(); ++i) ListIgroki->SetChecked(int(i), checks[i]);
  ListIgroki->SetItemIndex(ListIgroki->Count() > 0 ? 0 : -1);
  Igrok_Logo->Picture()->Assign((side == 1 ? iTablo_Logo1 : iTablo_Logo2)->Picture());
  tbIgrok_Play->SetEnabled(ListIgroki->Count() > 0);
  tbIgrok_NextIgrok->SetEnabled(cb_T_Igroki->Items()->Count() > 1);
  ListIgrokiClick(ListIgroki);
}

void TFormMain::ListIgrokiClick(TObject* /*Sender*/) {
  const int side = ChosenSide(cb_T_Igroki);
  const int index = ListIgroki->ItemIndex();
  // No player chosen: the page keeps what it shows.
  if (side == 0 || index < 0 || index >= TeamPlayerCount) return;
  const TTeamSlot& slot = TeamSlots[size_t(side)];
  const TPlayerRec& r = slot.Players[size_t(index)];
  LabelIgrokName->SetCaption(r.Nr >= 100 ? FullName(r) : IntToStr(r.Nr) + " " + FullName(r));
  LabelIgrokBirthday->SetCaption(r.B);
  LabelIgrokRostVes->SetCaption(r.R);
  LabelIgrokAmplua->SetCaption(r.A);
  // A player without a photo (none named, missing or unreadable) shows
  // none: never the previous player's face or the card shown before.
  Igrok_Photo->Picture()->Clear();
  if (!r.P.empty()) {
    const String photo = TeamFilePath(slot.Name, r.P);
    if (FileExists(photo)) {
      try {
        Igrok_Photo->Picture()->LoadFromFile(photo);
      } catch (const std::exception&) {
        Igrok_Photo->Picture()->Clear();
      }
    }
  }
}

void TFormMain::ListIgrokiDblClick(TObject* /*Sender*/) {
  PageControl1->SetActivePageIndex(0);
  PageControl1Change(PageControl1);
}

void TFormMain::ListIgrokiKeyPress(TObject* /*Sender*/, char32_t& Key) {
  if (Key == 13) Timer_IgrokTimer(Timer_Igrok);
}

void TFormMain::mIgrokCopyClick(TObject* /*Sender*/) {
  const int index = ListIgroki->ItemIndex();
  if (index < 0 || index >= ListIgroki->Count()) return;
  Clipboard()->SetAsText(ListIgroki->Items()->Get(index));
}

// ---------------------------------------------------------------------------
// Players show
// ---------------------------------------------------------------------------

void TFormMain::seIgok_WaitChange(TObject* /*Sender*/) { Timer_Igrok->SetInterval(seIgok_Wait->Value() * 1000); }

void TFormMain::NextCheckedPlayer() {
  const int count = ListIgroki->Count();
  if (count == 0) return;
  int i = ListIgroki->ItemIndex();
  if (i < count - 1) {
    while (i < count - 1) {
      ListIgroki->SetItemIndex(++i);
      if (ListIgroki->Checked(i)) {
        ListIgrokiClick(ListIgroki);
        break;
      }
    }
    return;
  }
  // At the end of the list: the other side, from its first checked player.
  if (cb_T_Igroki->Items()->Count() > 1) cb_T_Igroki->SetItemIndex(cb_T_Igroki->ItemIndex() ^ 1);
  cb_T_IgrokiChange(cb_T_Igroki);
  const int n = ListIgroki->Count();
  i = 0;
  while (i < n - 1 && !ListIgroki->Checked(i)) {
    ListIgroki->SetItemIndex(++i);
    ListIgrokiClick(ListIgroki);
  }
}

void TFormMain::tbIgrok_PlayClick(TObject* /*Sender*/) {
  if (Timer_Igrok->Tag() != 0 || ShowStepBusy) return;
  try {
    // The operator can only stop the show: the cursor is held on Stop.
    const TPoint origin = tbIgrok_Stop->ClientToScreen(TPoint(0, 0));
    CursorClipRect = Bounds(origin.X, origin.Y, tbIgrok_Stop->Width(), tbIgrok_Stop->Height());
    CursorPlace = TPoint(origin.X + 13, origin.Y + 13);
    ClipCursor(CursorClipRect);
    SetCursorPos(CursorPlace);
    // Play becomes Stop; the first player is shown.
    tbIgrok_Play->SetEnabled(false);
    tbIgrok_Stop->SetEnabled(true);
    ListIgrokiDblClick(ListIgroki);
    Timer_Igrok->SetTag(1);
    TakeEscapePending();
    // An unchecked selected line is passed over at once.
    const int i = ListIgroki->ItemIndex();
    if (i >= 0 && i < ListIgroki->Count() && !ListIgroki->Checked(i)) Timer_IgrokTimer(Timer_Igrok);
    if (Timer_Igrok->Tag() > 0 && !ClosingDown) Timer_Igrok->SetEnabled(true);
  } catch (...) {
    tbIgrok_StopClick(tbIgrok_Stop);
    throw;
  }
}

void TFormMain::Timer_IgrokTimer(TObject* /*Sender*/) {
  // A step runs to its end before the next one (the transition pumps
  // messages; Enter or the timer may come in meanwhile).
  if (ShowStepBusy) return;
  FlagGuard busy(ShowStepBusy);
  try {
    // Nothing to show: the show ends as the Stop button ends it.
    if (ListIgroki->Count() == 0) {
      if (Timer_Igrok->Tag() != 0 || Timer_Igrok->Enabled() || CursorConfined())
        tbIgrok_StopClick(tbIgrok_Stop);
      else
        Timer_Igrok->SetEnabled(false);
      return;
    }
    if (Timer_Igrok->Tag() == 0) return;
    // The next checked player.
    NextCheckedPlayer();
    // The grabbed output fades over to the player's page.
    ShowTimeLabels(false);
    if (FGrabBitmap && GrabTabloImage(*FGrabBitmap)) BufferTablo->Picture()->SetGraphic(FGrabBitmap.get());
    Timer_Igrok->SetEnabled(false);
    {
      // While the show runs the operator can only stop it (Stop or Escape).
      std::optional<TInputGate> onlyStop;
      if (Timer_Igrok->Tag() > 0) onlyStop.emplace(TWaitInput::Only({tbIgrok_Stop}, {VK_ESCAPE}));
      BufferTablo->Execute();
    }
    if (ClosingDown) return;
    if (Timer_Igrok->Tag() > 0) Timer_Igrok->SetEnabled(true);
    // Enter during the step stops the show.
    if (TakeEscapePending()) tbIgrok_Stop->Click();
  } catch (...) {
    tbIgrok_StopClick(tbIgrok_Stop);
    throw;
  }
}

void TFormMain::tbIgrok_NextIgrokClick(TObject* /*Sender*/) {
  if (ShowStepBusy) return;
  FlagGuard busy(ShowStepBusy);
  NextCheckedPlayer();
  ListIgrokiDblClick(ListIgroki);
}

void TFormMain::tbIgrok_StopClick(TObject* /*Sender*/) {
  ReleaseShowCursor();
  tbIgrok_Play->SetEnabled(true);
  tbIgrok_Stop->SetEnabled(false);
  Timer_Igrok->SetEnabled(false);
  Timer_Igrok->SetTag(0);
}

void TFormMain::AppDeactivate(TObject* /*Sender*/) { ReleaseShowCursor(); }

void TFormMain::ReleaseShowCursor() {
  CursorClipRect = TRect();
  CursorPlace = TPoint();
  ClipCursor(TRect());
}

bool TFormMain::WaitPumping(int Ms) {
  auto closing = [this] { return ClosingDown || (Application && Application->Terminated()); };
  if (WaitHook) return WaitHook(Ms) && !closing();
  WaitFor(closing, Ms);
  return !closing();
}

bool TFormMain::WaitTransitionDone() {
  auto closing = [this] { return ClosingDown || (Application && Application->Terminated()); };
  WaitFor([&] { return closing() || !BufferTablo->Busy(); }, -1);
  return !closing();
}

// ---------------------------------------------------------------------------
// Line-up page
// ---------------------------------------------------------------------------

void TFormMain::cb_T_SostavChange(TObject* /*Sender*/) {
  TStrings* items = DopPics->Items();
  items->Clear();
  const int side = ChosenSide(cb_T_Sostav);
  if (side != 0) {
    const String list = TeamFilePath(TeamSlots[size_t(side)].Name, "pics.txt");
    if (FileExists(list)) {
      try {
        items->LoadFromFile(list);
      } catch (const std::exception&) {
        items->Clear();
      }
    }
  }
  if (items->Count() == 0 || items->Get(0) != "LOGO") items->Insert(0, "LOGO");
  DopPics->SetItemIndex(0);
  PaintSostav->Invalidate();
}

void TFormMain::cbKardsClick(TObject* /*Sender*/) { PaintSostav->Invalidate(); }

void TFormMain::PaintSostavPaint(TObject* /*Sender*/) {
  TCanvas* c = PaintSostav->Canvas();
  if (c) PaintSostavTo(c, PaintSostav->Width(), PaintSostav->Height());
}

void TFormMain::PaintSostavTo(TCanvas* c, int w, int h) {
  c->SetFont(PaintSostav->Font());
  // A black page.
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(clBlack);
  c->FillRect(Rect(0, 0, w, h));
  const int side = ChosenSide(cb_T_Sostav);
  if (side == 0) return;
  const TTeamSlot& slot = TeamSlots[size_t(side)];
  // The logo, darkened to a quarter, in the lower right corner.
  try {
    const TPicture* logo = (side == 1 ? iSud_Logo1 : iSud_Logo2)->Picture();
    if (cbWithLogo->Checked() && logo->Graphic() && logo->Width() >= 1 && logo->Height() >= 1 && h > 0) {
      const int lw = Round(double(h) * logo->Width() / logo->Height());
      if (lw > 0) {
        TBitmap dark(lw, h);
        dark.SetPixelFormat(pf24bit);
        dark.Fill(clBlack);   // the page's ground, where the logo is see-through
        dark.Canvas()->StretchDraw(Rect(0, 0, lw, h), logo->Graphic());
        for (int y = 0; y < h; ++y) {
          uint8_t* p = dark.ScanLine(y);
          for (int x = 0; x < lw; ++x, p += 4) {
            p[0] >>= 2;
            p[1] >>= 2;
            p[2] >>= 2;
          }
        }
        c->Draw(w - lw, 0, &dark);
      }
    }
  } catch (const std::exception&) {
    // A logo that cannot be drawn is left out.
  }
  // Row height and the column of the numbers.
  const int rowH = h / 14;
  const int x0 = c->TextWidth("99") + 2;
  // Header.
  c->Font()->SetColor(clYellow);
  c->TextOut(x0 + 24, -2, slot.LName + " (" + slot.Town + ")");
  c->Pen()->SetColor(labTablo_Title->Color());
  c->MoveTo(0, rowH + 2);
  c->LineTo(w, rowH + 2);
  // Up to 11 players of the line-up, up to 2 staff lines at the bottom.
  int row = 1, staff = 0;
  for (const TPlayerRec& r : slot.Players) {
    if ((r.F + r.I).empty() || (r.Y & 1) == 0) continue;
    c->Brush()->SetStyle(bsClear);
    if (r.Nr < 100 && row < 12) {
      const int y = row * rowH;
      c->Font()->SetColor(clWhite);
      const String nr = IntToStr(r.Nr);
      c->TextOut(x0 - c->TextWidth(nr), y, nr);
      if (cbKards->Checked() && CardCount(r) > 0) {
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(clYellow);
        c->Pen()->SetColor(clYellow);
        c->Rectangle(x0 + 4, y + 5, x0 + 20, y + c->Font()->Size() + 6);
        c->Brush()->SetStyle(bsClear);
      }
      c->TextOut(x0 + 24, y, r.F + "  " + r.I + (r.A.empty() ? String() : ", " + r.A));
      ++row;
    } else if (r.Nr >= 100 && staff < 2) {
      c->Font()->SetColor(clAqua);
      c->TextOut(2, h - rowH - c->TextHeight("8") + staff * rowH, r.A + ": " + FullName(r));
      ++staff;
    }
  }
}

// ---------------------------------------------------------------------------
// "LOGO"
// ---------------------------------------------------------------------------

void TFormMain::bIgroki_LogoClick(TObject* /*Sender*/) {
  // The output fades to black (the media page takes its output away).
  if (ScreenPage != PageMedia) {
    const int step = BufferTablo->Step(), style = BufferTablo->Style();
    struct Restore {
      TPictureShow* show;
      int step, style;
      ~Restore() {
        show->SetStep(step);
        show->SetStyle(style);
        TransitionBusy = false;
      }
    } restore{BufferTablo, step, style};
    TransitionBusy = true;
    BufferTablo->SetStep(8);
    BufferTablo->SetStyle(11);
    BufferTablo->Picture()->Assign(ImageBlack->Picture());
    BufferTablo->Execute();
  } else {
    MediaSetOnTablo(false);
    MediaPageLeftTheScreen();
  }
  if (ClosingDown) return;
  // The logo of the page's side.
  const int active = PageControl1->ActivePageIndex();
  if (ScreenPage == PageLineUp || active == PageLineUp) {
    const int side = ChosenSide(cb_T_Sostav);
    if (side != 0) BufferTablo->Picture()->Assign((side == 1 ? iSud_Logo1 : iSud_Logo2)->Picture());
  } else if (ScreenPage == PagePlayers || active == PagePlayers) {
    const int side = ChosenSide(cb_T_Igroki);
    if (side != 0) BufferTablo->Picture()->Assign((side == 1 ? iSud_Logo1 : iSud_Logo2)->Picture());
  }
  // The logo fades in.
  ShowTimeLabels(false);
  BufferTablo->Execute();
}
