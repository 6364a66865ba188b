// Running text: the list of texts and its files, play/pause/stop with the
// rotation through the checked texts, direction, speed, font and colour, and
// where the running label sits.
#include <cstdlib>
#include "console/FMain.h"
#include "console/FrMedia.h"
#include "controls/RunLabel.h"
#include "pictureshow/PictureShow.h"

namespace {

// The TV+ page: the only page over whose output the text runs.
constexpr TTabloPageIndex PageTv = 6;
// The Enter key as a typed character.
constexpr char32_t KeyEnter = 13;

bool ValidIndex(const TListBox* l, int i) { return l && i >= 0 && i < l->Count(); }

int SelectedItems(const TListBox* l) {
  int n = 0;
  for (int i = 0; i < l->Count(); ++i)
    if (l->Selected(i)) ++n;
  return n;
}

// Exchanges two items of a list; on a check list the check marks go with
// their texts.
void ExchangeItems(TListBox* l, int a, int b) {
  auto* cl = dynamic_cast<TCheckListBox*>(l);
  const TCheckBoxState sa = cl ? cl->State(a) : cbUnchecked;
  const TCheckBoxState sb = cl ? cl->State(b) : cbUnchecked;
  l->Items()->Exchange(a, b);
  if (cl) {
    cl->SetState(a, sb);
    cl->SetState(b, sa);
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Play, pause, stop and the rotation
// ---------------------------------------------------------------------------

void TFormMain::rlPlayClick(TObject* /*Sender*/) {
  // The list is locked on its selected item while the text runs.
  ListRunStr->SetMultiSelect(false);   // keeps the selected item
  ListRunStr->SetEnabled(false);
  rlPlay->SetEnabled(false);
  rlStop->SetEnabled(true);
  rlPause->SetEnabled(true);
  // Over the live output with TV+ on the screen, else on the TV+ panel.
  if (ScreenPage == PageTv) {
    BufferTablo->SetVisible(false);
    RunStr->SetParent(PanelTabloColor);
  } else {
    BufferTablo->SetVisible(true);
    RunStr->SetParent(PanelTablo5);
  }
  // The text's position (top or bottom) follows its check box.
  cbRlTopClick(cbRlTop);
  // A paused text resumes where it stood; otherwise the selected text
  // starts (in rotation mode the next checked one when it is not checked).
  if (RunStr->Visible()) {
    RunStr->Start(RunStr->GetPosition());
  } else {
    const int i = ListRunStr->ItemIndex();
    const bool single = rlPlay->Tag() == 1;
    if (!ValidIndex(ListRunStr, i) || (!single && !ListRunStr->Checked(i))) {
      // With nothing selected the search starts before the first item; a
      // single text needs a selected one.
      if (single)
        rlStop->Click();
      else
        RunStrEnd(RunStr);
      // Nothing to run: the stop has already put every control back.
      if (rlPlay->Enabled()) return;
    }
    RunStr->SetRText(ListRunStr->Items()->Get(ListRunStr->ItemIndex()));
    RunStr->SetVisible(true);
    RunStr->Start(1);
    // The run starts past position 0, where the label announces a pass, so
    // the counter is brought up to date here for the first pass.
    RunStrBegin(RunStr);
  }
  // The list's editing buttons wait until the text stops.
  bRS_ADD->SetEnabled(false);
  bRS_INS->SetEnabled(false);
  LabelRS_Color->SetEnabled(false);
}

void TFormMain::rlPauseClick(TObject* /*Sender*/) {
  RunStr->Stop();
  rlStop->SetEnabled(false);
  rlPlay->SetEnabled(true);
  rlPause->SetEnabled(false);
}

void TFormMain::rlStopClick(TObject* /*Sender*/) {
  RunStr->Stop();
  RunStr->SetVisible(false);
  bRS_ADD->SetEnabled(true);
  bRS_INS->SetEnabled(true);
  LabelRS_Color->SetEnabled(true);
  rlPlay->SetTag(0);
  RunStr->SetParent(PanelTablo5);
  rlStop->SetEnabled(false);
  rlPlay->SetEnabled(true);
  rlPause->SetEnabled(false);
  const int i = ListRunStr->ItemIndex();
  ListRunStr->SetEnabled(true);
  ListRunStr->SetMultiSelect(true);
  if (ValidIndex(ListRunStr, i)) {
    ListRunStr->SetItemIndex(i);
    ListRunStr->SetSelected(i, true);
  }
}

void TFormMain::RunStrBegin(TObject* /*Sender*/) {
  rlFilesCount->SetText(IntToStr(ListRunStr->ItemIndex() + 1) + ":" + IntToStr(ListRunStr->Count()));
}

void TFormMain::RunStrEnd(TObject* /*Sender*/) {
  if (rlPlay->Tag() == 1) {
    rlStop->Click();
    return;
  }
  const int count = ListRunStr->Count();
  int i = ListRunStr->ItemIndex();
  for (int step = 0; step < count; ++step) {
    ++i;
    if (i >= count) {
      if (!rlCikle->Down()) {
        ListRunStr->SetItemIndex(0);
        rlStop->Click();
        return;
      }
      i = 0;
    }
    if (ListRunStr->Checked(i)) {
      ListRunStr->SetItemIndex(i);
      RunStr->SetRText(ListRunStr->Items()->Get(i));
      return;
    }
  }
  rlStop->Click();
}

// ---------------------------------------------------------------------------
// The list
// ---------------------------------------------------------------------------

void TFormMain::ListRunStrClick(TObject* /*Sender*/) {
  const int i = ListRunStr->ItemIndex();
  if (ValidIndex(ListRunStr, i)) RS_edit->SetText(ListRunStr->Items()->Get(i));
  RunStrBegin(ListRunStr);
}

void TFormMain::ListRunStrDblClick(TObject* /*Sender*/) {
  rlPlay->SetTag(1);
  rlPlay->Click();
}

void TFormMain::ListKeyDown(TObject* Sender, uint16_t& Key, TShiftState Shift) {
  auto* list = dynamic_cast<TListBox*>(Sender);
  if (!list) list = ListRunStr;
  if (Shift != TShiftState{ssAlt}) return;
  const int i = list->ItemIndex();
  if (!ValidIndex(list, i)) return;
  if (Key == VK_UP && i > 0) {
    ExchangeItems(list, i, i - 1);
    list->ClearSelection();
    list->SetItemIndex(i - 1);
    Key = 0;
  } else if (Key == VK_DOWN && i < list->Count() - 1) {
    ExchangeItems(list, i, i + 1);
    list->ClearSelection();
    list->SetItemIndex(i + 1);
    Key = 0;
  }
}

void TFormMain::ListRunStrMouseDown(TObject* Sender, TMouseButton Button, TShiftState /*Shift*/, int /*X*/,
                                    int /*Y*/) {
  if (Button != mbRight) return;
  auto* c = dynamic_cast<TComponent*>(Sender);
  PopupMenu1->SetTag(c ? c->Tag() : 0);
}

void TFormMain::bRS_ADDClick(TObject* /*Sender*/) {
  const String text = RS_edit->Text();
  if (text.empty()) return;
  ListRunStr->Items()->Add(text);
  ListRunStr->SetChecked(ListRunStr->Count() - 1, true);
}

void TFormMain::bRS_InsClick(TObject* /*Sender*/) {
  const String text = RS_edit->Text();
  if (text.empty()) return;
  const int selected = ListRunStr->ItemIndex();
  // With nothing selected the text goes to the top of the list.
  const int at = ValidIndex(ListRunStr, selected) ? selected : 0;
  ListRunStr->Items()->Insert(at, text);
  ListRunStr->SetChecked(at, true);
  // The selection stays on the item that was selected.
  if (selected >= 0 && selected < ListRunStr->Count() - 1) {
    ListRunStr->ClearSelection();
    ListRunStr->SetItemIndex(selected + 1);
  }
}

void TFormMain::RS_editKeyPress(TObject* /*Sender*/, char32_t& Key) {
  if (Key != KeyEnter) return;
  const String text = RS_edit->Text();
  const int i = ListRunStr->ItemIndex();
  if (text.empty() || !ValidIndex(ListRunStr, i)) return;
  ListRunStr->Items()->Put(i, text);
}

// ---------------------------------------------------------------------------
// List files
// ---------------------------------------------------------------------------

void TFormMain::bRunStr_OpenClick(TObject* /*Sender*/) {
  OpenTextDialog->Filter = "Text file (*.txt)|*.txt";
  OpenTextDialog->DefaultExt = ".txt";
  if (!ExecuteFileDialog(OpenTextDialog, DialogUses.RunTextOpen)) return;
  // Read whole before anything changes: a file that cannot be read leaves
  // the list as it was.
  TStringList texts;
  texts.LoadFromFile(OpenTextDialog->FileName);
  ListRunStr->Items()->Assign(&texts);
  ListRunStr->SetItemIndex(0);
  for (int i = 0; i < ListRunStr->Count(); ++i) ListRunStr->SetChecked(i, true);
  RunStrBegin(ListRunStr);
}

void TFormMain::bRunStr_SaveClick(TObject* /*Sender*/) {
  SaveTextDialog->Filter = "Text file (*.txt)|*.txt";
  SaveTextDialog->DefaultExt = ".txt";
  if (!ExecuteFileDialog(SaveTextDialog, DialogUses.RunTextSave)) return;
  ListRunStr->Items()->SaveToFile(SaveTextDialog->FileName);
}

void TFormMain::bRunStr_NewClick(TObject* /*Sender*/) { ListRunStr->Items()->Clear(); }

// ---------------------------------------------------------------------------
// The list menu (running texts or the media play list)
// ---------------------------------------------------------------------------

TListBox* TFormMain::PopupMenuList() const {
  if (PopupMenu1->Tag() == 0) return ListRunStr;
  if (PopupMenu1->Tag() == 1 && FrameMedia1)
    return dynamic_cast<TListBox*>(FrameMedia1->FindComponent("ListMedia"));
  return nullptr;
}

void TFormMain::PopupMenu1Popup(TObject* /*Sender*/) {
  TListBox* list = PopupMenuList();
  const bool any = list && SelectedItems(list) > 0;
  N3->SetEnabled(any);
  N4->SetEnabled(any);
  N5->SetEnabled(any);
}

void TFormMain::N1Click(TObject* /*Sender*/) {
  if (TListBox* list = PopupMenuList()) list->SelectAll();
}

void TFormMain::N3Click(TObject* /*Sender*/) {
  TListBox* list = PopupMenuList();
  if (!list) return;
  for (int i = list->Count() - 1; i >= 0; --i)
    if (list->Selected(i)) list->Items()->Delete(i);
}

void TFormMain::N4Click(TObject* Sender) {
  auto* list = dynamic_cast<TCheckListBox*>(PopupMenuList());
  auto* item = dynamic_cast<TComponent*>(Sender);
  if (!list || !item) return;
  const bool include = item->Tag() == 1;
  for (int i = list->Count() - 1; i >= 0; --i)
    if (list->Selected(i)) list->SetChecked(i, include);
}

// ---------------------------------------------------------------------------
// Direction, speed, place, font and colour
// ---------------------------------------------------------------------------

void TFormMain::rlNaprChange(TObject* /*Sender*/) {
  switch (rlNapr->ItemIndex()) {
    case 0: RunStr->SetDirection(rdRightToLeft); break;
    case 1: RunStr->SetDirection(rdTopToBottom); break;   // the text moves upwards
    case 2: RunStr->SetDirection(rdBottomToTop); break;   // the text moves downwards
    case 3: RunStr->SetDirection(rdStatic); break;
    default: break;
  }
}

void TFormMain::rlSpeedChange(TObject* /*Sender*/) {
  const int p = rlSpeed->Position();
  if (p < 1) {
    RunStr->SetSpeed(std::abs(p) * 17 + 1);
    RunStr->SetOneStep(1);
  } else {
    RunStr->SetSpeed(1);
    RunStr->SetOneStep(p + 1);
  }
}

void TFormMain::cbRlTopClick(TObject* /*Sender*/) { RunStr->SetAlign(cbRlTop->Checked() ? alTop : alBottom); }

void TFormMain::LabelRS_ColorClick(TObject* /*Sender*/) {
  FontDialog1->SetFont(RunStr->RFont());
  if (!FontDialog1->Execute()) return;
  LabelRS_Color->Font()->Assign(FontDialog1->Font());
  RunStr->SetRFont(LabelRS_Color->Font());
  cbRlTopClick(cbRlTop);
}

void TFormMain::LabelRS_ColorMouseDown(TObject* /*Sender*/, TMouseButton Button, TShiftState /*Shift*/, int /*X*/,
                                       int /*Y*/) {
  if (Button != mbRight) return;
  // The dialog (shared with the clock page) opens at the text's colour.
  ColorDialog1->Color = RunStr->RFont()->Color();
  if (!ColorDialog1->Execute()) return;
  LabelRS_Color->Font()->SetColor(ColorDialog1->Color);
  RunStr->RFont()->SetColor(ColorDialog1->Color);
}

void TFormMain::FontDialogShow(TObject* Sender) {
  auto* dialog = dynamic_cast<TCommonDialog*>(Sender);
  if (!dialog) dialog = FontDialog1;
  dialog->MoveTo(PanelTabloRamka->Left() - 32, PanelTabloRamka->Height() + 16);
}

void TFormMain::ColorDialog1Show(TObject* Sender) {
  auto* dialog = dynamic_cast<TCommonDialog*>(Sender);
  if (!dialog) dialog = ColorDialog1;
  dialog->SetBounds(PanelTabloRamka->Left() - 32, PanelTabloRamka->Height() + 16, 470, 330);
}
