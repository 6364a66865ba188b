// The media frame's play list: kinds by extension, play-list files (bare and
// full names, missing files, CRLF, legacy text, bad files), the folder fill,
// paste, the line moves, counter and transport, and the picture preview.
#include <filesystem>
#include <fstream>
#include <tuple>
#include "ConsoleFixture.h"
#include "toolkit/ToolkitTestUtil.h"
#include "OperatorHands.h"
#include "support/FullDisk.h"
#include "support/MetafileMaker.h"
#include "console/FrMedia.h"
#include "pictureshow/PictureShow.h"
#include "toolkit/Clipbrd.h"

namespace {

void WriteBytes(const String& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadBytes(const String& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

void WritePicture(const String& path, int w, int h) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  TBitmap b(w, h);
  b.Fill(clRed);
  b.SaveToFile(path);
}

struct Entry {
  String FileName, Dir;
  TMediaKind Kind;
  bool Checked;
  bool operator==(const Entry&) const = default;
};

std::ostream& operator<<(std::ostream& o, const Entry& e) {
  return o << "{" << e.FileName << ", " << e.Dir << ", " << e.Kind << ", " << e.Checked << "}";
}

class MediaPlayListTest : public ConsoleFixture {
 protected:
  void TearDown() override {
    CommonDialogHook = nullptr;
    SelectDirectoryHook = nullptr;
    ConsoleFixture::TearDown();
  }
  TFrameMedia* Frame() { return form_->FrameMedia1; }
  std::vector<Entry> Entries() {
    std::vector<Entry> out;
    TFrameMedia* f = Frame();
    for (int i = 0; i < f->ListMedia->Count(); ++i) {
      TMediaItem* it = f->Item(i);
      EXPECT_NE(it, nullptr);
      if (!it) continue;
      EXPECT_EQ(f->ListMedia->Items()->Get(i), it->FileName);
      out.push_back({it->FileName, it->Dir, it->Kind, f->ListMedia->Checked(i)});
    }
    return out;
  }
  // The open dialog answers with these files and filter.
  void AnswerOpen(std::vector<String> files, int filter) {
    CommonDialogHook = [files, filter](TCommonDialog* d) {
      auto* o = dynamic_cast<TOpenDialog*>(d);
      if (!o) return false;
      o->Files()->Clear();
      for (const String& f : files) o->Files()->Add(f);
      o->FileName = files.front();
      o->FilterIndex = filter;
      return true;
    };
  }
  String Pics() const { return app_ + "Pics/"; }
  // A list file mixing the ways a line can be written.
  String MixedList() {
    WritePicture(Pics() + "a.jpg", 8, 8);
    WriteBytes(root_ + "/clips/b.avi", "x");
    return "a.jpg\r\n" + root_ + "/clips/b.avi\r\n\r\nD:\\only\\folder\\\r\nmissing.png\r\nC:\\Clips\\old.mpg\r\n\xC8\xE3\xF0\xE0.jpg\r\n";
  }
};

TEST(MediaKindTest, ByExtensionAsSubstringOfTheMasks) {
  const std::vector<std::pair<const char*, TMediaKind>> cases = {
      {"A.AVI", mkVideo},    {"b.JPEG", mkPicture}, {"c.swf", mkFlash},     {"d.tar.gz", mkUnknown},
      {"e", mkUnknown},      {"x.MPG", mkVideo},    {"x.mp", mkVideo},      {"x.mpe", mkVideo},
      {"x.jp", mkPicture},   {"x.png", mkPicture},  {"x.txt", mkUnknown},   {"x.emf", mkPicture},
      {"dot.", mkUnknown},   {"C:\\p\\a.Bmp", mkPicture}, {"/m/clip.vob", mkVideo}, {"x.SWF", mkFlash}, {"y.WMF", mkPicture},
  };
  for (const auto& [name, kind] : cases) EXPECT_EQ(ClassifyMediaFile(name), kind) << name;
}

TEST_F(MediaPlayListTest, StartUpListLoadsEveryKindOfLineCheckedAndSavesBackLineForLine) {
  const String text = MixedList();
  WriteBytes(Pics() + String(ExeName) + ".txt", text);
  Create();
  const String cyr = "\xD0\x98\xD0\xB3\xD1\x80\xD0\xB0.jpg";   // the legacy name, decoded
  const std::vector<Entry> want = {
      {"a.jpg", Pics(), mkPicture, true},
      {"b.avi", root_ + "/clips/", mkVideo, true},
      {"missing.png", Pics(), mkPicture, true},
      {"old.mpg", "C:\\Clips\\", mkVideo, true},
      {cyr, Pics(), mkPicture, true},
  };
  EXPECT_EQ(Entries(), want);
  EXPECT_EQ(Frame()->ListFolder, Pics());
  EXPECT_EQ(Frame()->PlayListText(),
            "a.jpg\n" + root_ + "/clips/b.avi\nmissing.png\nC:\\Clips\\old.mpg\n" + cyr + "\n");
  EXPECT_TRUE(Frame()->btPlay->Enabled());
  EXPECT_EQ(Frame()->eFilesCount->Caption(), "1:5");
  EXPECT_TRUE(requests_.empty());
}

TEST_F(MediaPlayListTest, ListOpenedThroughTheDialogUnchecksMissingFiles) {
  Create();
  WriteBytes(root_ + "/lists/l.txt", MixedList());
  AnswerOpen({root_ + "/lists/l.txt"}, 2);   // a ".txt" file is a list with any filter
  Frame()->bMedia_OpenClick(nullptr);
  std::vector<bool> checked;
  for (const Entry& e : Entries()) checked.push_back(e.Checked);
  // a.jpg is in Pics/, not beside the list: only b.avi exists.
  EXPECT_EQ(checked, (std::vector<bool>{false, true, false, false, false}));
  EXPECT_EQ(Frame()->ListFolder, root_ + "/lists/");
  EXPECT_EQ(Frame()->eFilesCount->Caption(), "1:5");
}

TEST_F(MediaPlayListTest, BadListFilesLeaveTheListAndReportTheFile) {
  WritePicture(Pics() + "keep.jpg", 8, 8);
  WriteBytes(Pics() + String(ExeName) + ".txt", "keep.jpg\n");
  Create();
  std::filesystem::create_directories(root_ + "/folder.txt");
  WriteBytes(root_ + "/nul.txt", std::string("a.jpg\0b.jpg\n", 12));
  // /proc/self/mem opens but cannot be read from its start, even by root.
  for (const String& bad : {root_ + "/folder.txt", root_ + "/nul.txt", root_ + "/none.txt", String("/proc/self/mem")}) {
    requests_.clear();
    EXPECT_THROW(Frame()->LoadPlayList(bad), EFOpenError) << bad;
    AnswerOpen({bad}, 1);
    Frame()->bMedia_OpenClick(nullptr);
    ASSERT_EQ(requests_.size(), 1u) << bad;
    EXPECT_EQ(requests_[0].Msg, "Error file " + bad);
    EXPECT_EQ(Entries(), (std::vector<Entry>{{"keep.jpg", Pics(), mkPicture, true}})) << bad;
    EXPECT_EQ(Frame()->ListFolder, Pics());
  }
}

TEST_F(MediaPlayListTest, SaveReplacesAWholeFileOrReportsAndWritesNothing) {
  Create();
  Frame()->AddItemPath("/m/a.jpg");
  Frame()->AddItemPath(Pics() + "b.jpg");
  WriteBytes(root_ + "/old.txt", "old\n");
  WriteBytes(root_ + "/plain", "a file, not a folder");
  String target, startedIn;
  CommonDialogHook = [&target, &startedIn](TCommonDialog* d) {
    startedIn = dynamic_cast<TOpenDialog*>(d)->InitialDir;
    dynamic_cast<TOpenDialog*>(d)->FileName = target;
    return true;
  };
  target = root_ + "/plain/list.txt";   // its folder is a file: cannot be created
  Frame()->bMedia_SaveClick(nullptr);
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_EQ(requests_[0].Msg.rfind("Error file " + target + "\n", 0), 0u) << requests_[0].Msg;
  EXPECT_EQ(ReadBytes(root_ + "/plain"), "a file, not a folder");
  {
    // A full disk says so; the old list stays.
    FullDisk disk(root_ + "/small", 8);
    if (disk.Ok()) {
      WriteBytes(root_ + "/small/list.txt", "old\n");
      for (int i = 0; i < 400; ++i) Frame()->AddItemPath("/media/clips/a long folder name/clip " + IntToStr(i) + ".avi");
      target = root_ + "/small/list.txt";
      requests_.clear();
      Frame()->bMedia_SaveClick(nullptr);
      ASSERT_EQ(requests_.size(), 1u);
      EXPECT_NE(requests_[0].Msg.find("disk full"), String::npos) << requests_[0].Msg;
      EXPECT_EQ(ReadBytes(target), "old\n");
      Frame()->ClearList();
      Frame()->AddItemPath("/m/a.jpg");
      Frame()->AddItemPath(Pics() + "b.jpg");
    }
  }
  requests_.clear();
  target = root_ + "/old.txt";
  Frame()->bMedia_SaveClick(nullptr);
  EXPECT_EQ(requests_.size(), 0u);
  EXPECT_EQ(ReadBytes(target), "/m/a.jpg\n" + Pics() + "b.jpg\n");   // b.jpg is not beside the list
  EXPECT_EQ(startedIn, Pics());   // the dialog starts in the list's folder
}

TEST_F(MediaPlayListTest, FolderFillThenFilesFromElsewhereEachEntryKeepsItsFile) {
  Create();
  for (const char* n : {"IMG_2.JPG", "img_1.jpg", "clip.Avi", "movie.swf", "notes.txt"})
    WriteBytes(root_ + "/show/" + n, "x");
  std::filesystem::create_directories(root_ + "/show/sub.jpg");
  SelectDirectoryHook = [this](const String&, String& dir) {
    EXPECT_EQ(dir, Pics());
    dir = root_ + "/show";
    return true;
  };
  Frame()->SelectFolderClick(nullptr);
  const String show = root_ + "/show/";
  EXPECT_EQ(Frame()->LastFolder, show);
  EXPECT_EQ(Entries(), (std::vector<Entry>{{"clip.Avi", show, mkVideo, true},
                                           {"img_1.jpg", show, mkPicture, true},
                                           {"IMG_2.JPG", show, mkPicture, true}}));
  EXPECT_TRUE(Frame()->btPlay->Enabled());
  WriteBytes(root_ + "/other/c.mpg", "x");
  AnswerOpen({root_ + "/other/c.mpg"}, 4);
  Frame()->bMedia_OpenClick(nullptr);
  EXPECT_EQ(Frame()->ListFolder, root_ + "/other/");
  EXPECT_EQ(Frame()->PlayListText(), show + "clip.Avi\n" + show + "img_1.jpg\n" + show + "IMG_2.JPG\nc.mpg\n");
}

TEST_F(MediaPlayListTest, PasteInsertsInFrontOfTheSelectionOrAtTheTopAndAddAppends) {
  Create();
  TFrameMedia* f = Frame();
  const String base = Pics();
  // "Insert" with no line selected: the lines go to the top.
  Clipboard()->SetAsText("C:\\p\\a.jpg\r\n\r\nb.swf\r\n   \r\nnoext\r\nc.avi\r\n");
  f->mPasteClick(f->mPaste);
  EXPECT_EQ(Entries(), (std::vector<Entry>{{"a.jpg", "C:\\p\\", mkPicture, true}, {"c.avi", base, mkVideo, true}}));
  EXPECT_TRUE(f->ListMedia->Selected(0) && f->ListMedia->Selected(1));
  EXPECT_TRUE(f->btPlay->Enabled());
  // "Add" appends; the taken lines are selected, the old selection not.
  Clipboard()->SetAsText("d.jpg\ne.mpeg\nf.txt\n");
  f->mPasteClick(f->mAdd);
  EXPECT_EQ(f->ListMedia->Items()->Text(), "a.jpg\nc.avi\nd.jpg\ne.mpeg\n");
  // "Insert" with line 2 selected puts the lines in front of it.
  f->ListMedia->ClearSelection();
  f->ListMedia->SetItemIndex(2);
  Clipboard()->SetAsText("x.jpg\ny.avi\n");
  f->mPasteClick(f->mPaste);
  EXPECT_EQ(f->ListMedia->Items()->Text(), "a.jpg\nc.avi\nx.jpg\ny.avi\nd.jpg\ne.mpeg\n");
  std::vector<bool> selected;
  for (int i = 0; i < f->ListMedia->Count(); ++i) selected.push_back(f->ListMedia->Selected(i));
  EXPECT_EQ(selected, (std::vector<bool>{false, false, true, true, false, false}));
  EXPECT_EQ(f->eFilesCount->Caption(), "4:6");
}

TEST_F(MediaPlayListTest, FileAddBorrowsThePictureDialogAndGivesItBack) {
  Create();
  TOpenDialog* d = form_->OpenPictureDialog1;
  const String filter = d->Filter;
  const TOpenOptions options = d->Options;
  WriteBytes(root_ + "/m/here.avi", "x");
  for (bool confirm : {false, true}) {
    CommonDialogHook = [&](TCommonDialog* dlg) {
      EXPECT_EQ(dlg, d);
      EXPECT_TRUE(d->Options.Contains(ofAllowMultiSelect));
      EXPECT_EQ(d->Filter, filter + "|Media (" + VideoFileMask + ")|" + VideoFileMask + "|SWF (*.swf)|*.swf");
      d->Files()->Clear();
      d->Files()->Add(root_ + "/m/here.avi");
      d->Files()->Add(root_ + "/m/gone.jpg");
      return confirm;
    };
    Frame()->mAddFileClick(nullptr);
    EXPECT_EQ(d->Filter, filter);
    EXPECT_TRUE(d->Options == options);
  }
  EXPECT_EQ(Entries(), (std::vector<Entry>{{"here.avi", root_ + "/m/", mkVideo, true},
                                           {"gone.jpg", root_ + "/m/", mkPicture, false}}));
  EXPECT_TRUE(Frame()->btPlay->Enabled());
}

TEST_F(MediaPlayListTest, MenuCheckCopyDeleteAndMovesKeepRecordsWithTheirLines) {
  Create();
  TFrameMedia* f = Frame();
  for (const char* p : {"/m/a.jpg", "/m/b.avi", "/m/c.jpg"}) f->AddItemPath(p);
  f->LinesAdded();
  f->ListMedia->SelectAll();
  f->mOFFClick(f->mOFF);
  EXPECT_FALSE(f->ListMedia->Checked(0) || f->ListMedia->Checked(1) || f->ListMedia->Checked(2));
  f->mOFFClick(f->mON);
  EXPECT_TRUE(f->ListMedia->Checked(0) && f->ListMedia->Checked(1) && f->ListMedia->Checked(2));
  f->mCopyClick(nullptr);
  EXPECT_EQ(Clipboard()->AsText(), "a.jpg\r\nb.avi\r\nc.jpg\r\n");
  // Alt+Down on the last line does nothing; Alt+Up moves line and record.
  f->ListMedia->ClearSelection();
  f->ListMedia->SetItemIndex(2);
  uint16_t key = VK_DOWN;
  f->ListMediaKeyDown(nullptr, key, TShiftState{ssAlt});
  key = VK_UP;
  f->ListMediaKeyDown(nullptr, key, TShiftState{ssAlt});
  EXPECT_EQ(f->ListMedia->Items()->Text(), "a.jpg\nc.jpg\nb.avi\n");
  EXPECT_EQ(f->Item(1)->FileName, "c.jpg");
  EXPECT_EQ(f->ListMedia->ItemIndex(), 1);
  // The record named by CurrentItem goes with its line, also when the main
  // window's list menu deletes it.
  EXPECT_EQ(f->GetItemPath(1), "/m/c.jpg");
  f->mDelClick(nullptr);
  EXPECT_EQ(f->CurrentItem, nullptr);
  EXPECT_EQ(f->GetItemPath(1), "/m/b.avi");
  form_->PopupMenu1->SetTag(1);
  f->ListMedia->SelectAll();
  form_->N3Click(nullptr);
  EXPECT_EQ(f->ListMedia->Count(), 0);
  EXPECT_EQ(f->CurrentItem, nullptr);
  f->bMedia_NewClick(nullptr);
  EXPECT_EQ(f->eFilesCount->Caption(), "0:0");
  Clipboard()->Clear();
  f->PopupMenu1Popup(nullptr);
  for (TMenuItem* m : {f->mOFF, f->mON, f->mCopy, f->mDel, f->mPaste, f->mAdd, f->mSelAll})
    EXPECT_FALSE(m->Enabled()) << m->Caption();
}

TEST_F(MediaPlayListTest, CounterAndButtonsFollowTheTransport) {
  Create();
  TFrameMedia* f = Frame();
  EXPECT_EQ(f->eFilesCount->Caption(), "0:0");
  EXPECT_FALSE(f->btNextChapter->Enabled());
  EXPECT_TRUE(f->SelectFolder->Enabled());
  for (const char* p : {"/m/a.jpg", "/m/b.jpg"}) f->AddItemPath(p);
  f->LinesAdded();
  f->ListMedia->SetItemIndex(1);
  const std::vector<std::tuple<int, bool, bool, bool, bool>> states = {
      // state, pause, play, stop, folder choice and multi-selection
      {2, true, false, true, false}, {3, false, true, true, true}, {1, false, true, false, true}};
  for (const auto& [state, pause, play, stop, free] : states) {
    f->SetButtonsState(state);
    f->UpdateFilesCount();
    EXPECT_EQ(f->btPause->Enabled(), pause) << state;
    EXPECT_EQ(f->btPlay->Enabled(), play) << state;
    EXPECT_EQ(f->btStop->Enabled(), stop) << state;
    EXPECT_EQ(f->SelectFolder->Enabled(), free) << state;
    EXPECT_EQ(f->ListMedia->MultiSelect(), free) << state;
    EXPECT_TRUE(f->btNextChapter->Enabled());
    EXPECT_EQ(f->eFilesCount->Caption(), "2:2");
  }
}

TEST_F(MediaPlayListTest, PreviewShowsSizeOrRedQuestionMarksForABrokenPicture) {
  WritePicture(Pics() + "small.bmp", 40, 30);
  WritePicture(Pics() + "big.bmp", 1000, 800);
  WriteBytes(Pics() + "broken.jpg", "not a picture");
  WriteBytes(Pics() + String(ExeName) + ".txt", "small.bmp\nbig.bmp\nbroken.jpg\nclip.avi\n");
  Create();
  TFrameMedia* f = Frame();
  struct Case { int line; const char* size; TColor color; bool pics; };
  for (const Case& c : {Case{0, "40x30", clRed, true}, Case{1, "1000x800", clBlack, true},
                        Case{2, "???", clRed, true}, Case{3, "???", clRed, false}}) {
    f->ListMedia->SetItemIndex(c.line);
    f->ListMediaClick(f->ListMedia);
    EXPECT_EQ(f->ControlPics->Visible(), c.pics) << c.line;
    EXPECT_EQ(f->ControlAVIs->Visible(), !c.pics) << c.line;
    if (!c.pics) continue;
    EXPECT_EQ(f->PicsImageSize->Caption(), c.size) << c.line;
    EXPECT_EQ(f->PicsImageSize->Font()->Color(), c.color) << c.line;
    EXPECT_EQ(f->PicsImagePreview->Picture()->Width() == 0, String(c.size) == "???") << c.line;
  }
  // The next checked line after the last wraps to the first.
  f->ListMedia->SetChecked(0, false);
  f->ListMedia->SetItemIndex(3);
  f->PreviewNextPicture(true);
  EXPECT_EQ(f->PicsImageSize->Caption(), "1000x800");
  // A picture that does not load for the output is reported on the status
  // bar; a clip is not taken for a broken picture.
  f->ListMedia->SetItemIndex(3);
  f->ShowPictureParams();
  EXPECT_EQ(form_->StatusBar1->Panels()->Items(1)->Text(), "");
  f->ListMedia->SetItemIndex(2);
  f->ShowPictureParams();
  EXPECT_EQ(form_->StatusBar1->Panels()->Items(1)->Text(), "Error file " + Pics() + "broken.jpg");
  EXPECT_EQ(f->PictureShow->Style(), 98);
  EXPECT_EQ(f->PictureShow->Step(), 4);
}

}  // namespace

namespace {

// Metafiles whose conversion crashes the reader process, hangs it, makes it
// allocate or talk without end (the stand-in reader does each, as damaged
// files make the converters do): the operator picks each line, the click is
// served at once (a hanging reader's preview says it is reading), then the
// preview says it cannot show it, and the next metafile is shown.
TEST_F(MediaPlayListTest, MetafilesThatDefeatTheReaderAreBrokenPicturesAndTheConsoleGoesOn) {
  const std::string emf = metafiles::Emf(8, 8, {{false, 1, 1, 5, 5, 0x00FF00}});
  const char* modes[] = {"crash", "hang", "allocate", "talk"};
  String list;
  for (const char* m : modes) {
    WriteBytes(Pics() + m + ".emf", emf + m);
    list += String(m) + ".emf\n";
  }
  WriteBytes(Pics() + "good.emf", emf);
  WriteBytes(Pics() + String(ExeName) + ".txt", list + "good.emf\n");
  const String realReader = TMetafileReader::Program;
  const int timeWas = TMetafileReader::TimeLimitSeconds;
  TMetafileReader::Program = FAKE_SHEET_READER;
  TMetafileReader::TimeLimitSeconds = 2;
  Create();
  TFrameMedia* f = Frame();
  hands::ChooseSheet(form_->Sheet_Media);
  for (int i = 0; i < 4; ++i) {
    hands::ClickLine(f->ListMedia, i);
    if (i == 1) EXPECT_EQ(f->PicsImageSize->Caption(), "...");
    EXPECT_EQ(WaitFor([&] { return f->PicsImageSize->Caption() == "???"; }, 20000), wrDone) << modes[i];
    EXPECT_EQ(f->PicsImagePreview->Picture()->Width(), 0) << modes[i];
  }
  TMetafileReader::Program = realReader;
  TMetafileReader::TimeLimitSeconds = timeWas;
  hands::ClickLine(f->ListMedia, 4);
  EXPECT_EQ(WaitFor([&] { return f->PicsImageSize->Caption() == "8x8"; }, 20000), wrDone);
}

// A list filled from a folder and saved elsewhere names every file so that
// it is found again from where the list lies: a file of another folder by
// its full path, names in Latin-1 and with a backslash included; a name with
// a line break cannot be one line, and the save says so and writes nothing.
TEST_F(MediaPlayListTest, AListSavedAnywhereNamesEveryFileAgain) {
  const String show = root_ + "/show/";
  std::filesystem::create_directories(show);
  const String latin1 = "caf\xE9.jpg", backslash = "back\\slash.jpg", cyrillic = "\xD0\x98\xD0\xB3\xD1\x80\xD0\xB0.jpg";
  int w = 10;
  for (const String& n : {String("a.jpg"), latin1, backslash, cyrillic}) {
    // Named by the file system's own call: the names are bytes.
    WritePicture(root_ + "/made.jpg", w++, 8);
    std::filesystem::rename(root_ + "/made.jpg", show + n);
  }
  WriteBytes(show + "clip.avi", "x");
  WriteBytes(show + "two\nlines.jpg", "x");
  Create();
  TFrameMedia* f = Frame();
  SelectDirectoryHook = [&show](const String&, String& dir) {
    dir = show;
    return true;
  };
  hands::Click(f->SelectFolder);
  const String shown[] = {"a.jpg", "back\\slash.jpg", "caf\xC3\xA9.jpg", "clip.avi", "two\nlines.jpg", cyrillic};
  ASSERT_EQ(f->ListMedia->Count(), int(std::size(shown)));
  for (int i = 0; i < f->ListMedia->Count(); ++i) EXPECT_EQ(f->ListMedia->Items()->Get(i), shown[i]);
  // The save dialog answers with this file.
  const auto save = [&](const String& target) {
    CommonDialogHook = [target](TCommonDialog* d) {
      dynamic_cast<TOpenDialog*>(d)->FileName = target;
      return true;
    };
    hands::Click(f->bMedia_Save);
  };
  // The name with the line break is refused, and nothing is written.
  std::filesystem::create_directories(root_ + "/lists");
  save(root_ + "/lists/show.txt");
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_NE(requests_[0].Msg.find(show + "two\\nlines.jpg"), String::npos) << requests_[0].Msg;
  EXPECT_FALSE(FileExists(root_ + "/lists/show.txt"));
  f->DeleteLine(4);
  // Saved elsewhere, and beside its files: each reloads with every line's
  // file there (the open dialog checks exactly those), and the pictures play.
  for (const String& list : {root_ + "/lists/show.txt", show + "show.txt"}) {
    SCOPED_TRACE(list);
    requests_.clear();
    save(list);
    EXPECT_TRUE(requests_.empty());
    hands::Click(f->bMedia_New);
    AnswerOpen({list}, 1);
    hands::Click(f->bMedia_Open);
    ASSERT_EQ(f->ListMedia->Count(), 5);
    for (int i = 0; i < 5; ++i) {
      EXPECT_TRUE(f->ListMedia->Checked(i)) << f->ListMedia->Items()->Get(i);
      EXPECT_EQ(f->ListMedia->Items()->Get(i), shown[i < 4 ? i : 5]);
    }
    for (int i : {0, 1, 2, 4}) {
      hands::ClickLine(f->ListMedia, i);
      EXPECT_EQ(f->PicsImageSize->Caption(), IntToStr(10 + (i == 0 ? 0 : i == 1 ? 2 : i == 2 ? 1 : 3)) + "x8")
          << f->ListMedia->Items()->Get(i);
      // Enter plays the line.
      sendKey(f->ListMedia->Widget(), Qt::Key_Return, "\r");
      EXPECT_EQ(f->FailedInRow(), 0) << f->ListMedia->Items()->Get(i);
      EXPECT_EQ(form_->StatusBar1->Panels()->Items(1)->Text(), "") << f->ListMedia->Items()->Get(i);
    }
  }
  EXPECT_EQ(ReadBytes(show + "show.txt"), "a.jpg\nback\\slash.jpg\ncaf\xC3\xA9.jpg\nclip.avi\n" + cyrillic + "\n");
}

}  // namespace
