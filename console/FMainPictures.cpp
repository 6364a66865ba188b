// Pictures laid over the live TV picture, extra pictures of a team, and
// picture files dropped on the media page.
#include <sys/stat.h>

#include "console/FMain.h"
#include "media/DSVideoWindow.h"
#include "console/FrMedia.h"
#include "controls/filedrag.h"
#include "pictureshow/PictureShow.h"
#include "toolkit/FileMasks.h"

namespace {
constexpr TTabloPageIndex PageTv = 6;
constexpr TTabloPageIndex PageMedia = 7;

// Pure black in the picture becomes 8,8,8, so that no part of it reads as
// see-through over the live video.
void LiftPureBlack(TBitmap* b) {
  for (int y = 0; y < b->Height(); ++y) {
    uint8_t* p = b->ScanLine(y);
    for (int x = 0; x < b->Width(); ++x, p += 4)
      if (p[0] == 0 && p[1] == 0 && p[2] == 0) p[0] = p[1] = p[2] = 8;
  }
}

bool IsRegularFile(const String& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// True when ext (without its dot) is one of the picture loader's extensions,
// compared whole and without regard to letter case.
bool IsPictureExtension(const String& ext) {
  return !ext.empty() && MatchesMask("x." + ext, GraphicFileMask());
}
}  // namespace

void TFormMain::ListPicOnTVClick(TObject* /*Sender*/) {
  const int line = ListPicOnTV->ItemIndex();
  if (line < 0 || line >= ListPicOnTV->Items()->Count()) return;
  if (line == 0) {
    ImageOnTV->SetParent(PanelTablo5);
    ImageOnTV->Picture()->Clear();
    ImageOnTV->SetVisible(false);
    return;
  }
  const String path = AppFolder + "Pics/" + (*ListPicOnTV->Items())[line];
  try {
    ImageOnTV->SetVisible(false);
    ImageOnTV->Picture()->LoadFromFile(path);
    if (ScreenPage == PageTv) {
      // On the output the picture lies over the live video: it is laid on
      // the video window, which covers the output area (a picture beside it
      // would be painted under it). Pure black is where the video shows
      // through, unless "Transparency " is off: then it is lifted.
      DSVideoWindowEx->SetParent(PanelTabloColor);
      ImageOnTV->SetParent(DSVideoWindowEx);
      ImageOnTV->SetBounds(0, 0, DSVideoWindowEx->ClientWidth(), DSVideoWindowEx->ClientHeight());
      if (!cbTVpic_Transp->Checked()) {
        try {
          LiftPureBlack(ImageOnTV->Picture()->Bitmap());
        } catch (const std::exception&) {
        }
      }
    } else {
      ImageOnTV->SetParent(PanelTablo5);
      ImageOnTV->SetBounds(0, 0, PanelTablo5->ClientWidth(), PanelTablo5->ClientHeight());
    }
    // Whatever its format, the picture is drawn as a bitmap keyed on pure
    // black.
    TBitmap* shown = ImageOnTV->Picture()->Bitmap();
    shown->SetTransparentColor(clBlack);
    shown->SetTransparent(true);
    ImageOnTV->Invalidate();
    ImageOnTV->BringToFront();
    ImageOnTV->SetVisible(true);
    ClearStatusError("File Error " + path);
  } catch (const std::exception&) {
    ImageOnTV->SetVisible(false);
    ShowStatusError("File Error " + path);
  }
}

void TFormMain::cbTVpic_TranspClick(TObject* Sender) { ListPicOnTVClick(Sender); }

void TFormMain::tbDop_NewClick(TObject* /*Sender*/) {
  DopPics->Items()->SetText("LOGO\n");
  DopPics->SetItemIndex(0);
}

void TFormMain::tbDop_LoadClick(TObject* /*Sender*/) {
  TStringList list;
  if (!OpenListFile(list, DialogUses.DopOpen)) return;
  if (list.Count() == 0 || list[0] != "LOGO") list.Insert(0, "LOGO");
  DopPics->Items()->Assign(&list);
  DopPics->SetItemIndex(0);
}

void TFormMain::tbDop_SaveClick(TObject* /*Sender*/) { SaveListFile(DopPics->Items(), DialogUses.DopSave); }

void TFormMain::DopPicsDblClick(TObject* /*Sender*/) {
  const int line = DopPics->ItemIndex();
  if (line < 0 || line >= DopPics->Items()->Count()) return;
  if (line == 0) {
    bIgroki_Logo->Click();
    return;
  }
  // The media output leaves the screen; the picture is not shown then.
  if (ScreenPage == PageMedia) {
    MediaSetOnTablo(false);
    MediaPageLeftTheScreen();
    return;
  }
  const int side = ChosenSide(cb_T_Sostav);
  const String path = TeamFilePath(side ? TeamSlots[size_t(side)].Name : String(), (*DopPics->Items())[line]);
  try {
    BufferTablo->Picture()->LoadFromFile(path);
  } catch (const std::exception&) {
    ShowStatusError("Error file " + path);
    return;
  }
  ClearStatusError("Error file " + path);
  ShowTimeLabels(false);
  BufferTablo->Execute();
}

void TFormMain::FileDrag1Drop(TObject* /*Sender*/) {
  if (PageControl1->ActivePage() != Sheet_Media) return;
  bool added = false;
  for (int i = 0; i < FileDrag1->FileCount(); ++i) {
    const String path = (*FileDrag1->NameWithPath())[i];
    if (!IsPictureExtension((*FileDrag1->Extension())[i]) || !IsRegularFile(path)) continue;
    const int line = FrameMedia1->AddItemPath(path);
    if (line < 0) continue;
    FrameMedia1->ListMedia->SetChecked(line, true);
    FrameMedia1->ListMedia->SetItemIndex(line);
    added = true;
  }
  if (added) FrameMedia1->LinesAdded();
}
