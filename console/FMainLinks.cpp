// The link list of the "Internet" page: each line is a title, a TAB and an
// address; a double click shows the page in the web control.
#include <cstring>

#include "console/FInetAdress.h"
#include "console/FMain.h"
#include "controls/Led.h"
#include "platform/web/WebBrowser.h"

namespace {
// The title (before the first TAB) and the address (after it, trimmed); a
// line without a TAB is both.
String LinkTitle(const String& line) { return line.substr(0, line.find('\t')); }
String LinkUrl(const String& line) {
  const size_t tab = line.find('\t');
  return Trim(tab == String::npos ? line : line.substr(tab + 1));
}

bool IsPageName(const String& name) {
  const String n = LowerCase(name);
  for (const char* ext : {".html", ".htm", ".xhtml"})
    if (n.size() > std::strlen(ext) && n.compare(n.size() - std::strlen(ext), String::npos, ext) == 0) return true;
  return false;
}

// An address without a scheme whose first part cannot be a host (no dot in
// it, not "localhost"; or a bare page name such as "index.html") names a
// file relative to the console's folder, as the data folders are: "Texts/
// page.html" is that page in the console's "Texts" folder, not the host
// "texts". Anything else goes to the web control as it is.
String LinkAddress(const String& url) {
  if (url.empty() || url[0] == '/') return url;
  const size_t colon = url.find(':'), slash = url.find_first_of("/\\");
  if (colon != String::npos && (slash == String::npos || colon < slash)) return url;   // a scheme (or host:port)
  const String first = LowerCase(url.substr(0, slash));
  const bool host = first == "localhost" || (first.find('.') != String::npos && first != "." && first != ".." &&
                                             !(slash == String::npos && IsPageName(first)));
  if (host) return url;
  return ResolveFileName(IncludeTrailingPathDelimiter(AppFolder) + url);
}
}  // namespace

void TFormMain::ListInetDrawItem(TWinControl* /*Control*/, int Index, TRect Rect, TOwnerDrawState /*State*/) {
  TCanvas* c = ListInet->Canvas();
  c->FillRect(Rect);
  if (Index >= 0 && Index < ListInet->Items()->Count())
    c->TextOut(Rect.Left + 2, Rect.Top, LinkTitle((*ListInet->Items())[Index]));
}

void TFormMain::ListInetDblClick(TObject* /*Sender*/) {
  const int i = ListInet->ItemIndex();
  if (i < 0 || i >= ListInet->Items()->Count()) return;
  // A list may come from anyone: an address the control does not open is
  // told, and the page shown stays.
  try {
    const String address = LinkAddress(LinkUrl((*ListInet->Items())[i]));
    WebBrowser->Navigate(address);
    InetAsked = TWebBrowser::OpenableAddress(address);
  } catch (const EWebError& e) {
    ShowMessageDlg(e.Message, mtError, {mbOK});
  }
}

void TFormMain::ListInetMouseDown(TObject* /*Sender*/, TMouseButton Button, TShiftState /*Shift*/, int X, int Y) {
  if (Button != mbRight || !FInetAddr) return;
  const int i = ListInet->ItemIndex();
  if (i < 0 || i >= ListInet->Items()->Count() || ListInet->ItemAtPos(TPoint(X, Y), true) != i) return;
  const String line = (*ListInet->Items())[i];
  const int left = PanelTabloRamka->Left() - 40 + (PanelTabloRamka->Width() - X) / 2;
  FInetAddr->SetBounds(left, PanelTablo->Height() + 32, FInetAddr->Width(), FInetAddr->Height());
  FInetAddr->Edit1->SetText(LinkTitle(line));
  FInetAddr->Edit2->SetText(LinkUrl(line));
  if (FInetAddr->ShowModal() == mrOk)
    ListInet->Items()->Put(i, FInetAddr->Edit1->Text() + "\t" + FInetAddr->Edit2->Text());
}

void TFormMain::WebBrowserDownloadBegin(TObject* /*Sender*/) { InetLedLoader->SetValue(true); }

void TFormMain::WebBrowserDownloadComplete(TObject* /*Sender*/) {
  InetLedLoader->SetValue(false);
  // A page stopped at the bound of its load is told (what it loaded stays)
  // by the address asked for: a site that never answered leaves the view at
  // the page before, whose address is not the one that failed.
  if (WebBrowser->TimedOut())
    ShowStatusError(FormatA("The page did not finish loading in %d s and was stopped: %s",
                            WebBrowser->NavigationLimitMs() / 1000,
                            InetAsked.empty() ? WebBrowser->LocationURL() : InetAsked));
}

bool TFormMain::OpenListFile(TStringList& List, TFileDialogUse& Use) {
  if (!ExecuteFileDialog(OpenTextDialog, Use)) return false;
  try {
    List.LoadFromFile(OpenTextDialog->FileName);
  } catch (const std::exception&) {
    ShowMessageDlg("Error file " + OpenTextDialog->FileName, mtError, {mbOK});
    return false;
  }
  return true;
}

bool TFormMain::SaveListFile(TStrings* Items, TFileDialogUse& Use) {
  if (!ExecuteFileDialog(SaveTextDialog, Use)) return false;
  try {
    Items->SaveToFile(SaveTextDialog->FileName);
  } catch (const std::exception&) {
    ShowMessageDlg("Error file " + SaveTextDialog->FileName, mtError, {mbOK});
    return false;
  }
  return true;
}

// The link list's own file ("Texts/Internet.txt") loaded or saved through
// the buttons is taken as read or written: the close does not ask about
// what the operator did with it.
void TFormMain::bInet_LoadClick(TObject* /*Sender*/) {
  TStringList list;
  // The own file as it is before anything loads, as at start-up.
  TListFileState before;
  before.Read(inetFile_.File());
  if (!OpenListFile(list, DialogUses.LinksOpen)) return;
  ListInet->Items()->Assign(&list);
  ListInet->SetItemIndex(0);
  if (inetFile_.IsFile(OpenTextDialog->FileName)) {
    inetFile_ = before;
    inetFile_.Take(ListInet->Items()->Text());
    inetUnreadable_ = false;   // it was read whole
  }
}

void TFormMain::bInet_NewClick(TObject* /*Sender*/) { ListInet->Items()->Clear(); }

void TFormMain::bInet_SaveClick(TObject* /*Sender*/) {
  if (SaveListFile(ListInet->Items(), DialogUses.LinksSave) && inetFile_.IsFile(SaveTextDialog->FileName)) {
    inetFile_.Written(ListInet->Items()->Text());
    inetUnreadable_ = false;   // written whole: it reads again
  }
}
