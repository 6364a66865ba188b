// Files an operator names that are no files: FIFOs and links to /dev/zero
// under a picture's or a list's name. Start-up and the operator's clicks go
// on at once (an open of a FIFO would wait for a writer for good, /dev/zero
// would be read without end), and what could not be read is not saved over.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <fstream>
#include "ConsoleFixture.h"
#include "support/FullDisk.h"
#include "console/FrMedia.h"
#include "toolkit/CheckLst.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/MouseTools.h"
#include "toolkit/StdCtrls.h"

namespace {

class HostileFilesTest : public ConsoleFixture {
 protected:
  void Fifo(const String& rel) { ASSERT_EQ(mkfifo((app_ + rel).c_str(), 0644), 0) << rel; }
  void Zero(const String& rel) { ASSERT_EQ(symlink("/dev/zero", (app_ + rel).c_str()), 0) << rel; }
  static void Click(TControl* c, const TPoint& p) {
    SendMouseButton(c, mbLeft, true, p);
    SendMouseButton(c, mbLeft, false, p);
  }
  void TearDown() override {
    CommonDialogHook = nullptr;
    ConsoleFixture::TearDown();
  }
};

TEST_F(HostileFilesTest, FifosAndDevicesUnderDataNamesNeverHold) {
  Fifo("Pics/x.jpg");
  Zero("Pics/zero.jpg");
  Fifo("Views/fifo.jpg");
  Zero("Views/zero.bmp");
  Zero("Gols.txt");
  Fifo("Texts/Internet.txt");
  // The default play list names both; the default layout takes them as
  // the backgrounds of two pages.
  WriteFile("Pics/tablo_test.txt", "x.jpg\nzero.jpg\n");
  WriteFile("Views/tablo_test.txt", "[Tablo1.1]\nName=ImageFon0\nFilename=" + app_ + "Views/fifo.jpg\n[Tablo2.1]\nName=ImageFon1\nFilename=zero.bmp\n");
  TFormMain* f = Create();
  TFrameMedia* m = f->FrameMedia1;
  ASSERT_EQ(m->ListMedia->Count(), 2);
  EXPECT_EQ(f->ImageFon0->Hint(), app_ + "Views/fifo.jpg");
  // The operator picks each line: the preview says it cannot show it.
  for (int i = 0; i < 2; ++i) {
    m->ListMedia->SetItemIndex(i);
    m->ListMediaClick(m->ListMedia);
    EXPECT_EQ(m->PicsImageSize->Caption(), "???") << i;
  }
  // The layout opened from the editor's button.
  CommonDialogHook = [&](TCommonDialog* d) {
    static_cast<TOpenDialog*>(d)->FileName = app_ + "Views/tablo_test.txt";
    return true;
  };
  requests_.clear();
  Click(f->tbOpenTablo, TPoint(3, 3));
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_NE(requests_[0].Msg.find("ImageFon0"), String::npos) << requests_[0].Msg;
  // A layout file that is a FIFO is refused.
  Fifo("Views/pipe.txt");
  CommonDialogHook = [&](TCommonDialog* d) {
    static_cast<TOpenDialog*>(d)->FileName = app_ + "Views/pipe.txt";
    return true;
  };
  requests_.clear();
  Click(f->tbOpenTablo, TPoint(3, 3));
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_EQ(requests_[0].Msg.rfind("Error file " + app_ + "Views/pipe.txt", 0), 0u) << requests_[0].Msg;
  // What could not be read is not saved over at shutdown.
  Destroy();
  struct stat st {};
  ASSERT_EQ(lstat((app_ + "Gols.txt").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(lstat((app_ + "Texts/Internet.txt").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

}  // namespace

namespace {

// Copies that saves killed between writing and renaming left beside the
// goal list, a team file and the settings are gone after the next start.
TEST_F(HostileFilesTest, LeftoversOfKilledSavesGoAtTheNextStart) {
  const String cfg = ExtractFilePath(TRegistry::StoreFileName());
  ForceDirectories(cfg);
  ForceDirectories(app_ + "Teams/Lions");
  const std::vector<String> leftovers = {app_ + "Gols.txt.qpcvzP", app_ + "Teams/Lions/Lions.txt.AbCdEf",
                                         TRegistry::StoreFileName() + ".XyzAbc"};
  WriteFile("Gols.txt", "1 10 Smith Lions\n");
  WriteFile("Teams/Lions/Lions.txt", "[Name]\nLName=Lions\n");
  SaveTextFile(TRegistry::StoreFileName(), "");
  const struct timespec old[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
  for (const String& l : leftovers) {
    SaveTextFile(l, "half a save");
    ASSERT_EQ(utimensat(AT_FDCWD, l.c_str(), old, 0), 0);
  }
  Create();
  for (const String& l : leftovers) EXPECT_FALSE(FileExists(l)) << l;
  EXPECT_TRUE(FileExists(app_ + "Gols.txt"));
}

}  // namespace

namespace {

// Settings written at close onto a full disk: the operator is told "disk
// full" (not an unknown error), and the old settings file stays whole.
TEST_F(HostileFilesTest, SettingsOnAFullDiskSayDiskFull) {
  const String folder = ExtractFilePath(TRegistry::StoreFileName());
  FullDisk disk(folder, 16);
  if (!disk.Ok()) GTEST_SKIP() << "no right to mount a small file system";
  SaveTextFile(TRegistry::StoreFileName(), "");
  // The rest of the disk is taken.
  {
    std::ofstream filler(folder + "filler", std::ios::binary);
    const std::string block(4096, 'x');
    for (int i = 0; i < 64 && filler; ++i) filler << block << std::flush;
  }
  Create();
  requests_.clear();
  Destroy();
  ASSERT_FALSE(requests_.empty());
  EXPECT_NE(requests_[0].Msg.find("disk full"), String::npos) << requests_[0].Msg;
  EXPECT_EQ(LoadTextFile(TRegistry::StoreFileName()), "");
}

}  // namespace
