// Office page: the list of RTF documents and presentations, the document
// view, and presentations shown through the presentation controller, over
// the page's view or, while "Play" runs, over the output area.
#include <algorithm>
#include <filesystem>
#include "console/FMain.h"
#include "console/TPowerpoint.h"
#include "pictureshow/PictureShow.h"
#include "platform/office/OfficeConverter.h"
#include "platform/office/PresentationApp.h"
#include "platform/office/SlideShow.h"
#include "toolkit/Log.h"

namespace {

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
  const int was = ListRTF->ItemIndex();
  const String shown = was >= 0 ? ListRTF->Items()->Get(was) : String();
  ListRTF->Items()->Assign(&list);
  // The document the page shows stays, its line chosen again, while the new
  // list holds it; otherwise the page shows none (a show on the output plays
  // on).
  const int again = shown.empty() ? -1 : ListRTF->Items()->IndexOf(shown);
  if (again >= 0) ListRTF->SetItemIndex(again);
  else if (bPPT_PlayStop->Tag() == 0) AskOffice(oaClear);
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
// The operator's requests, served one at a time
// ---------------------------------------------------------------------------

void TFormMain::ListRTFClick(TObject* /*Sender*/) {
  if (ListRTF->ItemIndex() < 0) return;
  ShowOfficeItem(false);
}

void TFormMain::ShowOfficeItem(bool Play) {
  const int i = ListRTF->ItemIndex();
  if (i < 0) return;
  AskOffice(Play ? oaPlay : oaShow, ListRTF->Items()->Get(i));
}

void TFormMain::AskOffice(TOfficeAskKind Kind, const String& Name) {
  // What the operator sees changes at once; the work follows.
  if (Kind == oaPlay) {
    bPPT_PlayStop->SetTag(1);
    bPPT_PlayStop->SetCaption("Stop");
  } else if (Kind == oaStop) {
    bPPT_PlayStop->SetTag(0);
    bPPT_PlayStop->SetCaption("Play");
  }
  OfficeAsk = TOfficeAsk{Kind, Name};
  ++OfficeSerial;
  // The work under way (this handler runs inside its wait) gives way once
  // its wait returns; it serves this request then.
  if (OfficeServing) {
    WakeWaiters();
    return;
  }
  ServeOffice();
}

void TFormMain::ServeOffice() {
  OfficeServing = true;
  struct Done {
    bool& serving;
    ~Done() { serving = false; }
  } done{OfficeServing};
  while (OfficeAsk.Kind != oaNone && !ClosingDown) {
    const TOfficeAsk ask = OfficeAsk;
    OfficeAsk = TOfficeAsk();
    try {
      switch (ask.Kind) {
        case oaShow: ShowOfficeEntry(ask.Name); break;
        case oaPlay: PlayPresentation(OfficeFilePath(ask.Name)); break;
        case oaStop: StopPresentation(); break;
        case oaClear: ClearOfficeView(); break;
        case oaNone: break;
      }
    } catch (const EAbort&) {
      throw;   // the program closes
    } catch (const std::exception& e) {
      // Told only while it is what the operator asked for last; a newer
      // request is served instead.
      if (OfficeAsk.Kind == oaNone) throw;
      LogFailure("tablo.console", e.what());
    }
  }
}

void TFormMain::ShowOfficeEntry(const String& Name) {
  const bool rtf = LowerCase(ExtractFileExt(Name)) == ".rtf";
  PanelPPT->SetVisible(!rtf);
  if (rtf) {
    if (PowPnt1->Connected()) PowPnt1->ExitSlideShow();
    bPPT_PlayStop->SetTag(0);
    bPPT_PlayStop->SetCaption("Play");
    RichEdit1->LoadFromFile(OfficeFilePath(Name));
    return;
  }
  RichEdit1->Clear();
  const uint64_t serial = OfficeSerial;
  if (!PowPnt1->Connected()) PowPnt1->Connect();
  if (serial != OfficeSerial) return;
  StartPresentation(OfficeFilePath(Name));
}

void TFormMain::ClearSlideCount() {
  sePPT_NumSlides->SetMinValue(0);
  sePPT_NumSlides->SetMaxValue(0);
  sePPT_NumSlides->SetValue(0);
  ePPT_NumSlides->SetText("");
  OfficeSlideCount = 0;
}

void TFormMain::ClearOfficeView() {
  StopPresentation();
  RichEdit1->Clear();
  ClearSlideCount();
}

bool TFormMain::StartPresentation(const String& FileName) {
  const uint64_t serial = OfficeSerial;
  // Until this one has opened, no slides: nothing of an earlier deck.
  ClearSlideCount();
  // The presentation takes the view's place: no text of an earlier document
  // stays beneath it.
  RichEdit1->Clear();
  // Every failed open is told: the operator would otherwise wait for a show
  // that never comes. (No reason: the open was given up as the program
  // closes.) The open waits while the suite converts the file: a request
  // made meanwhile takes its place, and the show is not started.
  const bool opened = PowPnt1->OpenPresentation(FileName);
  if (serial != OfficeSerial) return false;
  if (!opened) {
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
  const HWND wnd = PowPnt1->PowerpointWindowhandle();
  OfficePreviewWindow = bPPT_PlayStop->Tag() == 0 ? wnd : 0;
  // Over the output area all of it shows; over the view, what its sheet shows.
  if (OfficePreviewWindow) PlaceOfficePreview();
  else SetWindowRgn(wnd, Rect(0, 0, target.Width(), target.Height()));
  if (Application) Application->BringToFront();
  return true;
}

void TFormMain::PlaceOfficePreview() {
  const HWND wnd = OfficePreviewWindow;
  if (!wnd) return;
  // The view's part that its sheet shows (a sheet lower than the view
  // scrolls): the preview shows there only, and follows the view.
  const TRect view = ScreenRectOf(RichEdit1);
  TRect seen = view;
  for (const TControl* c = RichEdit1->Parent(); c; c = c->Parent()) {
    const TRect r = ScreenRectOf(c);
    seen = Rect(std::max(seen.Left, r.Left), std::max(seen.Top, r.Top), std::min(seen.Right, r.Right),
                std::min(seen.Bottom, r.Bottom));
  }
  TRect at;
  if (GetWindowRect(wnd, at) && at != view)
    SetWindowPos(wnd, HWND_TOP, view.Left, view.Top, view.Width(), view.Height(), SWP_NOACTIVATE | SWP_NOZORDER);
  SetWindowRgn(wnd, seen.Right > seen.Left && seen.Bottom > seen.Top
                        ? Rect(seen.Left - view.Left, seen.Top - view.Top, seen.Right - view.Left, seen.Bottom - view.Top)
                        : Rect(0, 0, 0, 0));
}

void TFormMain::OfficePreviewTimerTimer(TObject* /*Sender*/) {
  if (!OfficePreviewWindow) return;
  // Played over the output area, or gone: no longer a preview.
  if (!PowPnt1->Connected() || bPPT_PlayStop->Tag() != 0) {
    OfficePreviewWindow = 0;
    return;
  }
  if (!ShowWindow(OfficePreviewWindow, RichEdit1->Showing())) {
    OfficePreviewWindow = 0;
    return;
  }
  if (RichEdit1->Showing()) PlaceOfficePreview();
}

// ---------------------------------------------------------------------------
// Play and Stop
// ---------------------------------------------------------------------------

void TFormMain::bPPT_PlayStopClick(TObject* /*Sender*/) {
  const int i = ListRTF->ItemIndex();
  if (bPPT_PlayStop->Tag() != 0) {
    AskOffice(oaStop);
    return;
  }
  if (i < 0) return;
  ShowOfficeItem(true);
}

void TFormMain::StopPresentation() {
  if (PowPnt1->Connected() && PowPnt1->GetCurrentSlide() != -1) PowPnt1->ExitSlideShow();
}

bool TFormMain::WaitOffice(const std::function<bool()>& Done) {
  auto closing = [this] { return ClosingDown || (Application && Application->Terminated()); };
  if (WaitHook) {
    // A test's rounds, each one of its waits (of 40 ms, when it waits).
    while (!Done() && !closing())
      if (!WaitHook(40)) return false;
    return !closing();
  }
  // Every change of the show (its timers, a click) and every request of the
  // operator is a message on this thread, after which Done is asked again.
  WaitFor([&] { return closing() || Done(); }, -1);
  return !closing();
}

void TFormMain::PlayPresentation(const String& FileName) {
  if (PlayLoopRunning) return;
  PlayLoopRunning = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{PlayLoopRunning};
  String file = FileName;
  bool tookOver = false;
  uint64_t serial = OfficeSerial;
  const auto stale = [&] { return serial != OfficeSerial; };
  // Another presentation chosen while a show plays over the output area
  // plays there in its place; any other request ends the play.
  const auto takeOver = [&] {
    if (OfficeAsk.Kind != oaShow || bPPT_PlayStop->Tag() != 1 || LowerCase(ExtractFileExt(OfficeAsk.Name)) == ".rtf")
      return false;
    file = OfficeFilePath(OfficeAsk.Name);
    OfficeAsk = TOfficeAsk();
    serial = OfficeSerial;
    PanelPPT->SetVisible(true);
    // The show on the output goes on while the suite converts the next one,
    // and its picture stays there until the next one's first slide is drawn:
    // the output never falls back on the page beneath meanwhile.
    PreparePresentation(file);
    tookOver = true;
    return true;
  };
  if (!PowPnt1->Connected()) PowPnt1->Connect();
  bool started = false;
  while (PowPnt1->Connected()) {
    if (!started) {
      // (A request made while the next one was prepared comes first.)
      if (!stale()) {
        LockWindowUpdate(tookOver ? PowPnt1->PowerpointWindowhandle() : 0);
        struct Release {
          ~Release() { LockWindowUpdate(0); }
        } release;
        tookOver = false;
        started = StartPresentation(file);
      }
      if (stale()) {
        if (takeOver()) continue;
        break;
      }
      if (!started) break;
      PowPnt1->StartSlideShow();
      if (Application) Application->BringToFront();
    }
    const auto ended = [&] {
      const int current = PowPnt1->GetCurrentSlide();
      return current == -1 || current > OfficeSlideCount;
    };
    if (!WaitOffice([&] { return stale() || ended(); })) break;
    if (stale()) {
      started = false;
      if (takeOver()) continue;
      break;
    }
    // The show ended or ran past its last slide.
    if (!cbPPT_Cikle->Checked()) break;
    PowPnt1->GotoSlide(1);
    if (!PowPnt1->StartSlideShow()) break;
  }
  if (PowPnt1->Connected()) {
    StopPresentation();
    PowPnt1->Disconnect();
  }
  // The button says "Play" again unless a request made meanwhile says
  // otherwise.
  if (!stale()) {
    bPPT_PlayStop->SetTag(0);
    bPPT_PlayStop->SetCaption("Play");
  }
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
