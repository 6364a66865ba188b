// Goals, cards and substitutions: the referee's goal with its clip and logo,
// the secretary's scorer and the goal list, the goals page drawn in colours,
// the card shown on the output area and the substitution page.
#include <cstdlib>
#include "console/FMain.h"
#include "controls/ButtonWithColor.h"
#include "controls/Label3D.h"
#include "pictureshow/PictureShow.h"

namespace {

constexpr int FadeEffect = 118;
constexpr int CardShowMs = 2000;
const char* const MediaFilter =
    "Media (*.avi;*.mpg;*.mpeg;*.asf;*.ifo;*.vob)|*.avi;*.mpg;*.mpeg;*.asf;*.ifo;*.vob";


struct FlagGuard {
  bool& flag;
  explicit FlagGuard(bool& f) : flag(f) { flag = true; }
  ~FlagGuard() { flag = false; }
};

// TransitionBusy for the length of a scripted transition, cleared on any exit.
struct ScriptedTransition {
  ScriptedTransition() { TransitionBusy = true; }
  ~ScriptedTransition() { TransitionBusy = false; }
};

// Byte length of the UTF-8 character a line begins with.
size_t FirstCharLength(const String& s) {
  if (s.empty()) return 0;
  const unsigned char b = static_cast<unsigned char>(s[0]);
  size_t n = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 1;
  return n <= s.size() ? n : s.size();
}

}  // namespace

// ---------------------------------------------------------------------------
// Goal list
// ---------------------------------------------------------------------------

TColor TFormMain::GoalLineColor(const String& Line) {
  static const TColor colours[10] = {clAqua, clYellow, clWhite, clRed,    clGreen,
                                     clBlue, clFuchsia, clLime, clSilver, clTeal};
  if (Line.empty() || Line[0] < '0' || Line[0] > '9') return clGray;
  return colours[Line[0] - '0'];
}

String TFormMain::GoalLine(int SideIndex, int Minute, const String& Scorer, const String& Team) {
  String minute = IntToStr(Minute) + "'  ";
  if (Minute < 10) minute = "  " + minute;
  return IntToStr(SideIndex) + minute + Scorer + "; " + Team;
}

void TFormMain::PaintGoalList(TCanvas* c) {
  c->SetFont(TabloGol_Paint->Font());
  c->Brush()->SetStyle(bsClear);
  const TColor saved = c->Font()->Color();
  int lineH = std::abs(c->Font()->Height());
  if (lineH == 0) lineH = c->TextHeight("8");
  TStrings* lines = TabloGol_List->Lines();
  const int first = seTabloGol_TopList->Value();
  for (int i = first; i < lines->Count(); ++i) {
    const String line = lines->Get(i);
    // A blank line has no colour code: it stays blank, and the next line
    // still goes one line lower.
    if (line.empty()) continue;
    c->Font()->SetColor(GoalLineColor(line));
    c->TextOut(0, (i - first) * lineH, line.substr(FirstCharLength(line)));
  }
  c->Font()->SetColor(saved);
}

void TFormMain::TabloGol_PaintPaint(TObject* /*Sender*/) {
  if (TCanvas* c = TabloGol_Paint->Canvas()) PaintGoalList(c);
}

void TFormMain::TabloGol_ListChange(TObject* /*Sender*/) {
  TabloGol_Paint->Invalidate();
  // A goal line added, or the list edited by hand.
  ++goalsChanges_;
  MatchStateChanged();
}

void TFormMain::seTabloGol_TopListChange(TObject* /*Sender*/) { TabloGol_Paint->Invalidate(); }

// ---------------------------------------------------------------------------
// Goal
// ---------------------------------------------------------------------------

namespace {

// The players page (or another page of the screens sheet) in view.
void BringPageIntoView(TFormMain* f, TTabSheet* page) {
  if (f->PageControl2->ActivePage() != f->Sheet_Tablo) {
    f->PageControl2->SetActivePage(f->Sheet_Tablo);
    f->PageControl2Change(f->PageControl2);
  }
  f->PageControl1->SetActivePage(page);
}

}  // namespace

void TFormMain::EnsureSideLists() {
  // The side lists of the players and substitution pages are filled by the
  // confirmation; before the first one a side's button would find them empty
  // (side 2's goal listed side 1's players), so the sides are applied first.
  if (FTeamsChosen && (cb_T_Igroki->Items()->Count() < 2 || cb_T_Zamena->Items()->Count() < 2)) bFullOK->Click();
}

void TFormMain::bGolClick(TObject* Sender) {
  const TComponent* button = dynamic_cast<const TComponent*>(Sender);
  const int side = button ? int(button->Tag()) : 0;
  if (side != 1 && side != 2) return;
  if (GoalRoadBusy) return;
  FlagGuard busy(GoalRoadBusy);
  EnsureSideLists();
  // The goal clip, then the side's logo by transition.
  const String clip = GoalClip(side == 1 ? bSud_Gol1 : bSud_Gol2);
  if (!clip.empty()) {
    ShowTimeLabels(false);
    BufferTablo->Clear();
    BufferTablo->Picture()->Assign((side == 1 ? iSud_Logo1 : iSud_Logo2)->Picture());
    if (PlayGoalClip) PlayGoalClip(clip);
    if (ClosingDown) return;
    // The clip stopped a play list that was on the screen.
    MediaPageLeftTheScreen();
    ScriptedTransition scripted;
    BufferTablo->SetStyle(FadeEffect);
    BufferTablo->Execute();
  }
  if (ClosingDown) return;
  // The side's score goes up; the scorer list shows that side.
  TSpinEdit* score = side == 1 ? seSud_Schet1 : seSud_Schet2;
  score->SetValue(score->Value() + 1);
  cb_T_Igroki->SetItemIndex(side - 1);
  // The minute of the goal.
  TabloGol_List->SetTag(MatchMinute());
  // The scorer's list follows the side.
  cb_T_IgrokiChange(cb_T_Igroki);
  bIgrok_Zabil->SetEnabled(true);
  bFullOK->Click();
  BringPageIntoView(this, TabSheet5);
  SelectTabloPage();
}

void TFormMain::bGolMouseUp(TObject* Sender, TMouseButton Button, TShiftState /*Shift*/, int /*X*/, int /*Y*/) {
  if (Button != mbRight) return;
  TButton* button = dynamic_cast<TButton*>(Sender);
  if (!button) return;
  struct RestoreFilter {
    TOpenDialog* dialog;
    String filter;
    ~RestoreFilter() { dialog->Filter = filter; }
  } restore{OpenPictureDialog1, OpenPictureDialog1->Filter};
  OpenPictureDialog1->Filter = MediaFilter;
  if (ExecuteFileDialog(OpenPictureDialog1, DialogUses.GoalClip)) button->SetHint(OpenPictureDialog1->FileName);
}

void TFormMain::bIgrok_ZabilClick(TObject* /*Sender*/) {
  if (GoalRoadBusy) return;
  FlagGuard busy(GoalRoadBusy);
  // The scorer's page goes on the screen.
  PageControl1->SetActivePageIndex(0);
  PageControl1Change(PageControl1);
  if (ClosingDown) return;
  // The scorer button is used up for this goal.
  bIgrok_Zabil->SetEnabled(false);
  // The goal line: side, minute, scorer.
  const int index = ListIgroki->ItemIndex();
  const String scorer = index >= 0 && index < ListIgroki->Count() ? ListIgroki->Items()->Get(index) : String();
  const String line = GoalLine(cb_T_Igroki->ItemIndex(), int(TabloGol_List->Tag()), scorer, cb_T_Igroki->Text());
  // The goals page becomes the selected page; the operator sends it.
  TabloGol_List->Lines()->Add(line);
  MatchStateChanged();
  BringPageIntoView(this, TabSheet2);
  ShowTabloPage(TabSheet2);
}

// ---------------------------------------------------------------------------
// Cards
// ---------------------------------------------------------------------------

void TFormMain::LoadCardResource(TPicture* Picture, const String& ResName) {
  TColor face;
  if (ResName == "K_Red")
    face = clRed;
  else if (ResName == "K_Yellow")
    face = clYellow;
  else
    throw Exception("Resource " + ResName + " not found");
  // A card held upright on black.
  TBitmap card(120, 160);
  TCanvas* c = card.Canvas();
  c->Brush()->SetColor(clBlack);
  c->FillRect(Rect(0, 0, 120, 160));
  c->Brush()->SetColor(face);
  c->Pen()->SetColor(clWhite);
  c->Pen()->SetWidth(2);
  c->RoundRect(24, 16, 96, 144, 10, 10);
  Picture->SetGraphic(&card);
}

void TFormMain::bSud_KClick(TObject* Sender) {
  if (CardRoadBusy) return;
  const TComponent* button = dynamic_cast<const TComponent*>(Sender);
  if (!button) return;
  const intptr_t t = button->Tag();
  EnsureSideLists();
  cb_T_Igroki->SetItemIndex(int((t >> 1) & 1));
  cb_T_IgrokiChange(cb_T_Igroki);
  const bool red = (t & 1) != 0;
  bIgrok_Kartochka->SetColor(red ? clRed : clYellow);
  bIgrok_Kartochka->SetHint(red ? "K_Red" : "K_Yellow");
  bIgrok_Kartochka->SetEnabled(true);
  BringPageIntoView(this, TabSheet5);
  SelectTabloPage();
}

void TFormMain::bIgrok_KartochkaClick(TObject* /*Sender*/) {
  if (CardRoadBusy) return;
  const int side = ChosenSide(cb_T_Igroki);
  const int index = ListIgroki->ItemIndex();
  // Without a chosen player there is nobody to book.
  if (side == 0 || index < 0 || index >= ListIgroki->Count() || index >= TeamPlayerCount) return;
  FlagGuard busy(CardRoadBusy);
  // The card button is used up for this card.
  bIgrok_Kartochka->SetColor(clBtnFace);
  bIgrok_Kartochka->SetEnabled(false);
  // The player's card count goes up (saved while the card is shown).
  TPlayerRec& r = TeamSlots[size_t(side)].Players[size_t(index)];
  int k = 0;
  if (!TryStrToInt(r.K, k)) k = 0;
  r.K = IntToStr(k + 1);
  MatchStateChanged();
  // The player's page, then the card, each shown for two seconds.
  if (FGrabBitmap && GrabTabloImage(*FGrabBitmap)) BufferTablo->Picture()->SetGraphic(FGrabBitmap.get());
  BufferTablo->Execute();
  if (!WaitPumping(CardShowMs) || !WaitTransitionDone()) return;
  // The card over the player's page, faded in.
  {
    ScriptedTransition scripted;
    BufferTablo->SetStyle(FadeEffect);
    LoadCardResource(Igrok_Photo->Picture(), bIgrok_Kartochka->Hint());
    Igrok_Photo->Repaint();
    if (FGrabBitmap && GrabTabloImage(*FGrabBitmap)) {
      BufferTablo->Picture()->SetGraphic(FGrabBitmap.get());
      BufferTablo->Execute();
    }
  }
  if (!WaitPumping(CardShowMs)) return;
  // The side's line-up with the new mark becomes the selected page.
  cb_T_Sostav->SetItemIndex(side - 1);
  PaintSostav->Invalidate();
  ShowTabloPage(TabSheet3);
}

// ---------------------------------------------------------------------------
// Substitutions
// ---------------------------------------------------------------------------

void TFormMain::bSud_Zamena2Click(TObject* Sender) {
  TButton* button = dynamic_cast<TButton*>(Sender);
  if (!button) return;
  const int side = int(button->Tag());
  if (side != 1 && side != 2) return;
  EnsureSideLists();
  button->SetCaption("Replace " + IntToStr(MatchMinute()));
  cb_T_Zamena->SetItemIndex(side - 1);
  cb_T_ZamenaChange(cb_T_Zamena);
  Zamena_Min->SetCaption(IntToStr(MatchMinute()) + "'");
  // The page shows the minute only when the operator asked for it.
  Zamena_Min->SetVisible(seZamena_ShowMin->Checked());
  SelectTabloPage();
  MatchStateChanged();
}

void TFormMain::cb_T_ZamenaChange(TObject* /*Sender*/) {
  const int side = ChosenSide(cb_T_Zamena);
  if (side == 0) return;
  TStringList items;
  for (const TPlayerRec& r : TeamSlots[size_t(side)].Players) {
    if ((r.F + r.I).empty() || r.Nr >= 100) continue;
    items.Add(IntToStr(r.Nr) + "  " + r.F + " " + r.I);
  }
  ListZamenaOut->Items()->Assign(&items);
  ListZamenaIn->Items()->Assign(&items);
  ListZamenaIn->SetItemIndex(0);
  ListZamenaOut->SetItemIndex(1);
  Zamena_Logo->Picture()->Assign((side == 1 ? iTablo_Logo1 : iTablo_Logo2)->Picture());
  // The page shows the pre-selected players at once.
  ListZamenaOutClick(ListZamenaOut);
  ListZamenaOutClick(ListZamenaIn);
}

void TFormMain::ListZamenaOutClick(TObject* Sender) {
  TListBox* list = dynamic_cast<TListBox*>(Sender);
  if (!list) return;
  // The players chosen are kept with the match.
  MatchStateChanged();
  const int side = ChosenSide(cb_T_Zamena);
  const int index = list->ItemIndex();
  const bool in = list->Tag() == 1;
  TLabel3D* num = in ? LabelNumIn : LabelNumOut;
  TLabel3D* name = in ? LabelNameIn : LabelNameOut;
  TImage* photo = in ? PhotoIn : PhotoOut;
  if (side == 0 || index < 0 || index >= TeamPlayerCount) return;
  const TTeamSlot& slot = TeamSlots[size_t(side)];
  // The item-th record that the lists show (the same record as at the item
  // index while the records are compact, and still the right one when not).
  const TPlayerRec* rec = nullptr;
  int shown = -1;
  for (const TPlayerRec& r : slot.Players) {
    if ((r.F + r.I).empty() || r.Nr >= 100) continue;
    if (++shown == index) {
      rec = &r;
      break;
    }
  }
  if (!rec) return;
  num->SetCaption(IntToStr(rec->Nr));
  name->SetCaption(rec->F + "\n" + rec->I);
  // A player without a photo never shows the previous player's face.
  photo->Picture()->Clear();
  if (rec->P.empty()) return;
  const String file = TeamFilePath(slot.Name, rec->P);
  if (!FileExists(file)) return;
  try {
    photo->Picture()->LoadFromFile(file);
  } catch (const std::exception&) {
    // A broken photo is left out.
  }
}

void TFormMain::seZamena_ShowMinClick(TObject* /*Sender*/) { Zamena_Min->SetVisible(seZamena_ShowMin->Checked()); }
