// Pictures over the live TV picture, extra-picture lists and picture files
// dropped on the media page.
#include "ConsoleFixture.h"
#include "OperatorHands.h"
#include "console/FrMedia.h"
#include "media/DSVideoWindow.h"
#include "media/MediaFixture.h"
#include "support/FakeCamera.h"
#include "toolkit/ToolkitTestUtil.h"
#include "toolkit/TestApp.h"

class PictureListsTest : public ConsoleFixture {
 protected:
  // A picture with a pure black half, in the program's Pics folder.
  void WriteHalfBlack(const String& name) {
    TBitmap b(8, 4);
    b.Fill(clRed);
    b.Canvas()->Brush()->SetColor(clBlack);
    b.Canvas()->FillRect(Rect(0, 0, 4, 4));
    b.SaveToFile(app_ + "Pics/" + name);
  }
  int BlackPixels(TFormMain* f) {
    TBitmap* b = f->ImageOnTV->Picture()->Bitmap();
    int n = 0;
    for (int y = 0; y < b->Height(); ++y)
      for (int x = 0; x < b->Width(); ++x) n += b->Canvas()->Pixel(x, y) == clBlack;
    return n;
  }
  void TearDown() override {
    ScreenPage = 0;   // the page on the output is program state: the next test starts without one
    ConsoleFixture::TearDown();
    fakecam::Uninstall();
  }
  void Choose(TFormMain* f, int line) {
    f->ListPicOnTV->SetItemIndex(line);
    f->ListPicOnTVClick(f->ListPicOnTV);
  }
};

TEST_F(PictureListsTest, OverLiveVideoPureBlackIsLiftedUnlessTransparencyIsChecked) {
  WriteHalfBlack("over.bmp");
  TFormMain* f = Create();
  f->ListPicOnTV->Items()->SetText("NO\nover.bmp\nmissing.bmp\n");
  ScreenPage = 6;
  f->cbTVpic_Transp->SetChecked(false);
  Choose(f, 1);
  EXPECT_TRUE(f->ImageOnTV->Visible());
  EXPECT_EQ(f->ImageOnTV->Parent(), static_cast<TWinControl*>(f->DSVideoWindowEx));   // over the live video
  EXPECT_EQ(f->DSVideoWindowEx->Parent(), f->PanelTabloColor);
  EXPECT_EQ(BlackPixels(f), 0);
  EXPECT_EQ(f->ImageOnTV->Picture()->Bitmap()->Canvas()->Pixel(0, 0), TColor(0x080808));
  f->cbTVpic_Transp->SetChecked(true);   // clicking the box loads the picture again
  EXPECT_EQ(BlackPixels(f), 16);

  ScreenPage = 1;   // another page on the screen: the picture stays on the TV page
  Choose(f, 1);
  EXPECT_EQ(f->ImageOnTV->Parent(), f->PanelTablo5);
  Choose(f, 2);
  EXPECT_FALSE(f->ImageOnTV->Visible());
  EXPECT_EQ(f->StatusBar1->Panels()->Items(1)->Text(), "File Error " + app_ + "Pics/missing.bmp");
  Choose(f, 1);
  Choose(f, 0);     // line 0 takes the overlay off
  EXPECT_FALSE(f->ImageOnTV->Visible());
  EXPECT_EQ(f->ImageOnTV->Picture()->Graphic(), nullptr);
}

TEST_F(PictureListsTest, FailingItemsInARowEachStayAWhileAndAMessageGoesWhenItNoLongerHolds) {
  TFormMain* f = Create();
  f->SetStatusMinShowMs(300);
  f->ListPicOnTV->Items()->SetText("NO\nfirst.bmp\nsecond.bmp\n");
  const String first = "File Error " + app_ + "Pics/first.bmp", second = "File Error " + app_ + "Pics/second.bmp";
  auto panel = [f] { return f->StatusBar1->Panels()->Items(1)->Text(); };
  const int64_t before = GetTickCount64();
  clickListItem(f->ListPicOnTV, 1);
  clickListItem(f->ListPicOnTV, 2);
  EXPECT_EQ(panel(), first);   // the second waits its turn
  EXPECT_TRUE(pumpUntil([&] { return panel() == second; }, 20000));
  EXPECT_GE(GetTickCount64() - before, 300);   // the first stayed its time
  // The file is there now: its message no longer holds.
  WriteHalfBlack("second.bmp");
  clickListItem(f->ListPicOnTV, 0);
  clickListItem(f->ListPicOnTV, 2);
  EXPECT_TRUE(f->ImageOnTV->Visible());
  EXPECT_EQ(panel(), "");
}

TEST_F(PictureListsTest, ExtraPictureListAlwaysStartsWithOneLogoLine) {
  TFormMain* f = Create();
  WriteFile("with.txt", "LOGO\na.jpg\n");
  WriteFile("without.txt", "a.jpg\nb.jpg\n");
  String chosen;
  CommonDialogHook = [&chosen](TCommonDialog* d) {
    static_cast<TOpenDialog*>(d)->FileName = chosen;
    return true;
  };
  chosen = app_ + "with.txt";
  f->tbDop_Load->Click();
  EXPECT_EQ(f->DopPics->Items()->Text(), "LOGO\na.jpg\n");
  chosen = app_ + "without.txt";
  f->tbDop_Load->Click();
  EXPECT_EQ(f->DopPics->Items()->Text(), "LOGO\na.jpg\nb.jpg\n");
  EXPECT_EQ(f->DopPics->ItemIndex(), 0);
  chosen = app_ + "missing.txt";
  f->tbDop_Load->Click();   // an unreadable list keeps the one shown
  CommonDialogHook = nullptr;
  EXPECT_EQ(requests_.back().Msg, "Error file " + chosen);
  EXPECT_EQ(f->DopPics->Items()->Count(), 3);
  f->tbDop_New->Click();
  EXPECT_EQ(f->DopPics->Items()->Text(), "LOGO\n");
}

TEST_F(PictureListsTest, OnlyPictureFilesDroppedOnTheMediaPageJoinThePlayList) {
  TFormMain* f = Create();
  for (const char* n : {"a.JPG", "b.avi", "c.pg", "README"}) WriteFile(n, "x");
  std::filesystem::create_directories(app_ + "d.png");
  std::vector<String> urls;
  for (const char* n : {"a.JPG", "b.avi", "c.pg", "README", "d.png"}) urls.push_back("file://" + app_ + n);
  f->PageControl1->SetActivePage(f->Sheet_TV);
  f->PageControl1Change(f->PageControl1);
  EXPECT_FALSE(TestApp::DropUrls(f, urls));   // not a drop target on other pages
  f->PageControl1->SetActivePage(f->Sheet_Media);
  f->PageControl1Change(f->PageControl1);
  const int before = f->FrameMedia1->ListMedia->Count();
  ASSERT_TRUE(TestApp::DropUrls(f, urls));
  TCheckListBox* list = f->FrameMedia1->ListMedia;
  ASSERT_EQ(list->Count(), before + 1);
  EXPECT_EQ(f->FrameMedia1->GetItemPath(before), app_ + "a.JPG");
  EXPECT_TRUE(list->Checked(before));
  EXPECT_EQ(list->ItemIndex(), before);
}

TEST_F(PictureListsTest, ExtraPictureThatDoesNotLoadIsReportedInTheStatusBar) {
  TFormMain* f = Create();
  f->DopPics->Items()->SetText("LOGO\nnone.jpg\n");
  f->DopPics->SetItemIndex(1);
  f->DopPicsDblClick(f->DopPics);
  const String text = f->StatusBar1->Panels()->Items(1)->Text();
  EXPECT_EQ(text.rfind("Error file ", 0), 0u) << text;
  EXPECT_NE(text.find("none.jpg"), String::npos) << text;
  f->DopPics->SetItemIndex(-1);
  f->DopPicsDblClick(f->DopPics);   // no selection: nothing happens
}

// What the output area shows at a point of it (x and y in quarters of its size).
TColor OutputAt(TFormMain* f, int qx, int qy) {
  TWinControl* out = f->PanelTabloColor;
  TBitmap b(out->Width(), out->Height());
  b.Fill(clFuchsia);
  out->PaintTo(b.Canvas(), 0, 0);
  return b.Canvas()->Pixel(out->Width() * qx / 4, out->Height() * qy / 4);
}

// The pictures of PicOnTV.txt over the TV page's live video on the output
// area, with and without a camera: the picture covers the video, its pure
// black lets the video through while "Transparency " is checked and is
// lifted to 8,8,8 when it is not; a JPEG shows as well; line 0 takes it off.
TEST_F(PictureListsTest, TvPicturesShowOverTheLiveVideoOnTheOutput) {
  for (const bool camera : {false, true}) {
    SCOPED_TRACE(camera ? "camera" : "no camera");
    if (camera) fakecam::Install();
    WriteHalfBlack("over.bmp");   // left half black, right half red
    TBitmap blue(8, 4);
    blue.Fill(clBlue);
    blue.SaveToFile(app_ + "Pics/blue.jpg");
    WriteFile("Pics/PicOnTV.txt", "over.bmp\nblue.jpg\n");
    TFormMain* f = Create();
    f->Show();
    hands::ChooseSheet(f->Sheet_Tablo);
    if (camera) f->rgVideoDrv->SetItemIndex(1);
    hands::SendPage(f->Sheet_TV);
    ASSERT_EQ(ScreenPage, f->Sheet_TV->PageIndex());
    // The live picture where the black half will lie (black without a camera).
    TColor video = clBlack;
    if (camera) {
      ASSERT_TRUE(mediatest::PumpUntil([&] {
        const TColor c = OutputAt(f, 1, 1);
        return c != clBlack && c != f->DSVideoWindowEx->ColorKey();
      }));
      video = OutputAt(f, 1, 1);
    }
    if (!f->cbTVpic_Transp->Checked()) hands::Click(f->cbTVpic_Transp);   // as the last run left it
    hands::ClickLine(f->ListPicOnTV, 1);
    ASSERT_TRUE(f->ImageOnTV->Visible());
    EXPECT_EQ(OutputAt(f, 3, 2), clRed);
    EXPECT_EQ(OutputAt(f, 1, 1), video);
    hands::Click(f->cbTVpic_Transp);   // unchecked: the black is shown, not seen through
    ASSERT_FALSE(f->cbTVpic_Transp->Checked());
    EXPECT_EQ(OutputAt(f, 1, 1), TColor(0x080808));
    EXPECT_EQ(OutputAt(f, 3, 2), clRed);
    hands::ClickLine(f->ListPicOnTV, 2);
    const TColor c = OutputAt(f, 2, 2);
    EXPECT_TRUE(GetBValue(c) > 200 && GetRValue(c) < 60 && GetGValue(c) < 60) << std::hex << c;
    hands::ClickLine(f->ListPicOnTV, 0);
    EXPECT_FALSE(f->ImageOnTV->Visible());
    if (camera) {
      EXPECT_TRUE(mediatest::PumpUntil([&] { return OutputAt(f, 1, 1) == video; }));
    } else {
      EXPECT_EQ(OutputAt(f, 2, 2), clBlack);
    }
    Destroy();
    ScreenPage = 0;
    SelectedPage = 0;
    if (camera) fakecam::Uninstall();
  }
}

TEST_F(PictureListsTest, TvListGetsOneNoneLineWhateverTheFileBeginsWith) {
  struct Case {
    const char* name;
    String file;
  };
  const Case cases[] = {{"names only", "a.bmp\nb.bmp\n"}, {"a saved list", "NO\na.bmp\nb.bmp\n"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile("Pics/PicOnTV.txt", c.file);
    TFormMain* f = Create();
    EXPECT_EQ(f->ListPicOnTV->Items()->Text(), "NO\na.bmp\nb.bmp\n");
    Destroy();
  }
}
