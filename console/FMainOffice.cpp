// Office page: the list of RTF documents and presentations, the document
// view, and presentations shown through the presentation controller, over
// the page's view or, while "Play" runs, over the output area.
#include <algorithm>
#include <filesystem>
#include "console/FMain.h"
#include "console/TPowerpoint.h"
#include "pictureshow/PictureShow.h"
#include "platform/office/OfficeConverter.h"
#include "platform/office/SlideShow.h"

namespace {

// How long each round of the play loop waits, pumping messages.
constexpr int PlayLoopWaitMs = 40;

// Whether two folder names name the same folder.
bool SameFolder(const String& A, const String& B) {
  std::error_code ec;
  return std::filesystem::equivalent(std::filesystem::path(A), std::filesystem::path(B), ec);
}

bool IsOfficeFile(const String& Name) {
  const String ext = LowerCase(ExtractFileExt(Name));
  return ext == ".rtf" || ext == ".ppt";
}

// The control's client area on the screen.
TRect ScreenRectOf(const TControl* C) {
  const TPoint p = C->ClientToScreen(TPoint(0, 0));
  return Rect(p.X, p.Y, p.X + C->ClientWidth(), p.Y + C->ClientHeight());
}

}  // namespace

String TFormMain::OfficeFilePath(const String& Name) const { return AppFolder + "Texts/" + Name; }

// ---------------------------------------------------------------------------
// The list
// ---------------------------------------------------------------------------

void TFormMain::bOffice_NewClick(TObject* /*Sender*/) { ListRTF->Clear(); }

void TFormMain::bOffice_OpenClick(TObject* /*Sender*/) {
  // The dialog is shared with other pages: its folder is theirs again after.
  if (!ExecuteFileDialog(OpenTextDialog, DialogUses.OfficeOpen)) return;
  // Read whole first, so that an unreadable file leaves the list as it was.
  TStringList list;
  list.LoadFromFile(OpenTextDialog->FileName);
  ListRTF->Items()->Assign(&list);
  ListRTF->SetItemIndex(0);
}

void TFormMain::bOffice_SaveClick(TObject* /*Sender*/) {
  if (!ExecuteFileDialog(SaveTextDialog, DialogUses.OfficeSave)) return;
  ListRTF->Items()->SaveToFile(SaveTextDialog->FileName);
}

void TFormMain::SelectFolderClick(TObject* /*Sender*/) {
  String dir = AppFolder + "Texts/";
  if (!SelectDirectory("Create list files from directory", "", dir)) return;
  dir = IncludeTrailingPathDelimiter(dir);
  // Files only, "*.rtf;*.ppt" without regard to case, in name order.
  TStringList list;
  for (const String& name : ListDirectory(dir, false))
    if (IsOfficeFile(name) && FileExists(dir + name)) list.Add(name);
  ListRTF->Items()->Assign(&list);
}

void TFormMain::ListRTF_addClick(TObject* /*Sender*/) {
  const String texts = AppFolder + "Texts/";
  OpenRtfDialog->InitialDir = texts;
  if (!OpenRtfDialog->Execute()) return;
  TStrings* files = OpenRtfDialog->Files();
  // The list keeps bare names, looked up in "Texts/": a file of another
  // folder could never be opened from it, so it is not taken.
  String refused;
  ListRTF->Items()->BeginUpdate();
  for (int i = 0; i < files->Count(); ++i) {
    const String file = files->Get(i);
    if (SameFolder(ExtractFilePath(file), texts))
      ListRTF->Items()->Add(ExtractFileName(file));
    else
      refused += "\n" + file;
  }
  ListRTF->Items()->EndUpdate();
  if (!refused.empty())
    ShowMessageDlg("Only files of the folder " + texts + " can be listed; copy these there first:" + refused, mtError,
                   TMsgDlgButtons{mbOK});
}

void TFormMain::ListRTF_DelClick(TObject* /*Sender*/) {
  const int i = ListRTF->ItemIndex();
  if (i < 0) return;
  ListRTF->Items()->Delete(i);
  ListRTF->SetItemIndex(i);
}

void TFormMain::OpenDialogShow(TObject* /*Sender*/) {}

void TFormMain::sePPT_NumSlidesChange(TObject* /*Sender*/) {}

// ---------------------------------------------------------------------------
// Showing an entry
// ---------------------------------------------------------------------------

void TFormMain::ListRTFClick(TObject* /*Sender*/) {
  if (ListRTF->ItemIndex() < 0) return;
  ShowOfficeItem(false);
}

void TFormMain::ShowOfficeItem(bool /*Play*/) {
  const int i = ListRTF->ItemIndex();
  if (i < 0) return;
  const String name = ListRTF->Items()->Get(i);
  const bool rtf = LowerCase(ExtractFileExt(name)) == ".rtf";
  PanelPPT->SetVisible(!rtf);
  if (rtf) {
    if (PowPnt1->Connected()) PowPnt1->ExitSlideShow();
    bPPT_PlayStop->SetTag(0);
    bPPT_PlayStop->SetCaption("Play");
    RichEdit1->LoadFromFile(OfficeFilePath(name));
    return;
  }
  if (!PowPnt1->Connected()) PowPnt1->Connect();
  StartPresentation(OfficeFilePath(name));
}

bool TFormMain::StartPresentation(const String& FileName) {
  sePPT_NumSlides->SetMinValue(0);
  sePPT_NumSlides->SetMaxValue(0);
  OfficeSlideCount = 0;
  // Every failed open is told: the operator would otherwise wait for a show
  // that never comes. (No reason: the open was given up as the program
  // closes.)
  if (!PowPnt1->OpenPresentation(FileName)) {
    const String why = PowPnt1->OpenError();
    if (!why.empty()) ShowMessageDlg("Error file " + FileName + "\n" + why, mtError, {mbOK});
    return false;
  }
  const int count = PowPnt1->GetSlideCount();
  // A deck without slides (or a count that failed, -1) is a failed open:
  // the range stays 0 to 0 and no show starts.
  if (count < 1) {
    ShowMessageDlg("Error file " + FileName + "\n" +
                       (count == 0 ? String("The presentation has no slides") : String("Its slides cannot be counted")),
                   mtError, {mbOK});
    return false;
  }
  OfficeSlideCount = count;
  sePPT_NumSlides->SetMaxValue(count);
  sePPT_NumSlides->SetMinValue(1);
  ePPT_NumSlides->SetText(IntToStr(count));
  const TRect target = ScreenRectOf(bPPT_PlayStop->Tag() == 0 ? static_cast<TControl*>(RichEdit1)
                                                              : static_cast<TControl*>(BufferTablo));
  PowPnt1->SetPresentationMonitorX(target.Left);
  PowPnt1->SetPresentationMonitorY(target.Top);
  PowPnt1->SetPresentationMonitorXX(target.Width());
  PowPnt1->SetPresentationMonitorYY(target.Height());
  SetWindowPos(PowPnt1->PowerpointWindowhandle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
  sePPT_NumSlides->SetValue(1);
  PowPnt1->StartSlideShow();
  OfficePreviewWindow = bPPT_PlayStop->Tag() == 0 ? PowPnt1->PowerpointWindowhandle() : 0;
  if (Application) Application->BringToFront();
  return true;
}

void TFormMain::OfficePreviewTimerTimer(TObject* /*Sender*/) {
  if (!OfficePreviewWindow) return;
  // Played over the output area, or gone: no longer a preview.
  if (!PowPnt1->Connected() || bPPT_PlayStop->Tag() != 0) {
    OfficePreviewWindow = 0;
    return;
  }
  if (!ShowWindow(OfficePreviewWindow, RichEdit1->Showing())) OfficePreviewWindow = 0;
}

// ---------------------------------------------------------------------------
// Play and Stop
// ---------------------------------------------------------------------------

void TFormMain::bPPT_PlayStopClick(TObject* /*Sender*/) {
  const int i = ListRTF->ItemIndex();
  if (i < 0) return;
  if (bPPT_PlayStop->Tag() == 0) {
    bPPT_PlayStop->SetTag(1);
    bPPT_PlayStop->SetCaption("Stop");
    // A play loop already runs (its show was stopped and started again with
    // "Cicle"): the button only takes up the running loop again.
    if (PlayLoopRunning) return;
    PlayPresentation(OfficeFilePath(ListRTF->Items()->Get(i)));
    bPPT_PlayStop->SetTag(0);
    bPPT_PlayStop->SetCaption("Play");
  } else {
    bPPT_PlayStop->SetTag(0);
    bPPT_PlayStop->SetCaption("Play");
    PowPnt1->ExitSlideShow();
  }
}

void TFormMain::PlayPresentation(const String& FileName) {
  if (PlayLoopRunning) return;
  if (!PowPnt1->Connected()) PowPnt1->Connect();
  if (!PowPnt1->Connected()) return;
  PlayLoopRunning = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{PlayLoopRunning};
  if (StartPresentation(FileName)) {
    PowPnt1->StartSlideShow();
    if (Application) Application->BringToFront();
    for (;;) {
      // One wait per round, pumping messages; a closing program ends it.
      if (!WaitPumping(PlayLoopWaitMs)) break;
      // "Stop" ends the show whatever "Cicle" says: the restart below is for
      // a show that ended by itself.
      if (bPPT_PlayStop->Tag() == 0) break;
      const int current = PowPnt1->GetCurrentSlide();
      if (current != -1 && current <= OfficeSlideCount) continue;
      // The show ended or ran past its last slide.
      if (!cbPPT_Cikle->Checked()) break;
      PowPnt1->GotoSlide(1);
      if (!PowPnt1->StartSlideShow()) break;
    }
    if (PowPnt1->Connected()) PowPnt1->ExitSlideShow();
  }
  if (PowPnt1->Connected()) PowPnt1->Disconnect();
}

// ---------------------------------------------------------------------------
// The page's picture and shutdown
// ---------------------------------------------------------------------------

void TFormMain::ComposeShowWindow(TBitmap& Bitmap, int X, int Y) {
  if (!PowPnt1 || !RichEdit1) return;
  TRect show;
  TBitmap picture;
  // The preview may be hidden just now (its page was not on the screen).
  const HWND wnd = OfficePreviewWindow ? HWND(OfficePreviewWindow) : PowPnt1->PowerpointWindowhandle();
  if (!GrabShowWindow(wnd, show, picture)) return;
  const TRect view = ScreenRectOf(RichEdit1);
  const TRect r = Rect(std::max(show.Left, view.Left), std::max(show.Top, view.Top), std::min(show.Right, view.Right),
                       std::min(show.Bottom, view.Bottom));
  if (r.Right <= r.Left || r.Bottom <= r.Top) return;
  const TRect src = Rect(r.Left - show.Left, r.Top - show.Top, r.Right - show.Left, r.Bottom - show.Top);
  const TRect dst = Rect(X + r.Left - view.Left, Y + r.Top - view.Top, X + r.Right - view.Left, Y + r.Bottom - view.Top);
  Bitmap.Canvas()->CopyRect(dst, picture.Canvas(), src);
}

void TFormMain::ClosePresentation() {
  // A conversion under way is not waited for.
  TOfficeConverter::KillRunning();
  if (PowPnt1 && PowPnt1->Connected()) {
    PowPnt1->ExitSlideShow();
    PowPnt1->Disconnect();
  }
  TOfficeConverter::RemoveProcessFolders();
}
