// Start-up, closing and shutdown of the main window.
#include "ConsoleFixture.h"
#include "console/FInetAdress.h"
#include "console/FObjPic.h"
#include "console/FObjText.h"
#include "console/FPP.h"
#include "console/FStadion.h"
#include "console/FrMedia.h"
#include "controls/Label3D.h"
#include "pictureshow/ShowEffects.h"
#include "support/OfficeSamples.h"

using StartupTest = ConsoleFixture;

TEST_F(StartupTest, FirstStartWithoutSettings) {
  ASSERT_FALSE(StoreExists());
  TFormMain* f = Create();
  EXPECT_EQ(f->Left(), 0);
  EXPECT_EQ(f->Top(), 0);
  EXPECT_EQ(f->Width(), 1024);
  EXPECT_EQ(SettingsKeyPath, "\\Software\\Quellmark\\tablo_test");
  EXPECT_EQ(Application->Title(), "tablo_test");
  EXPECT_EQ(f->Caption(), "tablo_test");
  EXPECT_EQ(AppFolder, app_);

  // Output 384 x 256, framed by the bevel on every side.
  EXPECT_EQ(f->ImageBlack->Width(), 384);
  EXPECT_EQ(f->ImageBlack->Height(), 256);
  EXPECT_EQ(f->ImageBlack->Picture()->Width(), 384);
  EXPECT_EQ(f->PanelTabloColor->Width(), 384);
  EXPECT_EQ(f->PanelTabloColor->Height(), 256);
  EXPECT_EQ(f->PanelTabloRamka->Width(), 384 + 8);
  EXPECT_EQ(f->PanelTabloRamka->Height(), 256 + 8);
  EXPECT_EQ(f->PanelTablo->Height(), 264);
  EXPECT_EQ(f->Panelekta->Left(), f->PanelTabloRamka->Left() + f->PanelTabloRamka->Width());
  ASSERT_TRUE(f->FGrabBitmap);
  EXPECT_EQ(f->FGrabBitmap->Width(), 384);
  EXPECT_EQ(f->FGrabBitmap->Height(), 256);
  // Every page lies on the output rectangle.
  for (TControl* p : std::initializer_list<TControl*>{f->PanelTablo1, f->PanelSostav, f->PanelTablo3, f->PanelTablo4,
                                                      f->PanelTablo5, f->PanelTablo8, f->PanelStat, f->PanelInet,
                                                      f->FrameMedia1->PanelMedia, f->RichEdit1})
    EXPECT_EQ(p->BoundsRect(), Rect(0, 0, 384, 256)) << p->Name();
  EXPECT_EQ(f->PanelTablo0Bot->Left(), 385);
  // Referee sheet: the sides' panel follows the output, the logo panels are
  // at least 180 wide and the second one sits 2 pixels inside the right edge.
  EXPECT_EQ(f->PanelSud->Width(), 384);
  EXPECT_GT(f->PanelSud->Height(), 0);
  EXPECT_EQ(f->PanelSud->Height(), std::min(256 + 160, f->Sheet_Sud->Height() - f->ToolBar6->Height() - 4));
  EXPECT_EQ(f->PanelCom1Im->Width(), 180);
  EXPECT_EQ(f->PanelCom1Im->Height(), f->cbSud_Comanda1->Top() - 6);
  EXPECT_EQ(f->PanelCom2Im->Left() + f->PanelCom2Im->Width(), f->PanelSud->ClientWidth() - 2);
  EXPECT_EQ(f->cbSud_Comanda2->Left(), f->PanelCom2Im->Left());
  EXPECT_EQ(f->cbSud_Comanda2->Width(), 180);

  // The operator's sheets, the referee's first; page 1 selected.
  ASSERT_EQ(f->PageControl2->PageCount(), 4);
  const char* sheets[] = {"Referee", "Secretary", "Screens", "Configuration"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(f->PageControl2->Pages(i)->Caption(), sheets[i]);
  EXPECT_EQ(f->PageControl2->ActivePage(), f->Sheet_Sud);
  ASSERT_EQ(f->PageControl1->PageCount(), 12);
  EXPECT_EQ(f->PageControl1->Pages(0)->Caption(), String(30, ' ') + "On the Screen" + String(30, ' '));
  EXPECT_EQ(f->PageControl1->ActivePage(), f->TabSheet1);
  EXPECT_EQ(SelectedPage, 1);
  EXPECT_TRUE(f->PageControl1->OwnerDraw());
  // Page 1's transition word 522: effect 10, step 2.
  EXPECT_EQ(f->cbPagePerexodNumber->Value(), 10);
  EXPECT_EQ(f->cbPageStep->Value(), 2);
  EXPECT_EQ(f->cbPagePerexodName->ItemIndex(), 9);
  EXPECT_FALSE(f->cbPagePerexodRnd->Checked());

  // Lists filled at start-up.
  ASSERT_EQ(f->cbPagePerexodName->Items()->Count(), 150);
  EXPECT_EQ(f->cbPagePerexodName->Items()->Get(117), EffectName(118));
  ASSERT_EQ(f->cbInternational->Items()->Count(), 18);
  EXPECT_EQ(f->cbInternational->ItemIndex(), 1);
  EXPECT_EQ(f->cbInternational->Items()->Get(14), "RUSSIAN");
  EXPECT_EQ(f->rlNapr->Items()->Count(), 4);
  EXPECT_EQ(f->rlNapr->ItemIndex(), 0);   // the running text's own direction, right to left
  ASSERT_EQ(f->LayoutPages.size(), 10u);
  EXPECT_EQ(f->LayoutPages[0], f->PanelTablo0);
  EXPECT_EQ(f->LayoutPages[8], f->PanelCircleClock);
  // No camera: the design item, size and tag stay.
  EXPECT_EQ(f->rgVideoDrv->Items()->Count(), 1);
  EXPECT_EQ(f->rgVideoDrv->Items()->Get(0), "Drivers not found");
  EXPECT_EQ(f->rgVideoDrv->Tag(), -1);
  // Statistics inputs drive their labels.
  for (size_t n = 1; n <= 14; ++n)
    EXPECT_EQ(f->StatInputs[n]->Tag(), reinterpret_cast<intptr_t>(f->StatLabels[n])) << n;
  // Header from the secretary's fields; pages emptied; no team loaded.
  EXPECT_EQ(f->labTablo_Title->Caption(), "34-th Regional Football Championship");
  EXPECT_EQ(f->labTablo_Tur->Caption(), "3-th tour");
  EXPECT_EQ(f->TabloGol_List->Lines()->Count(), 0);
  EXPECT_TRUE(f->TeamSlots[1].Name.empty());
  EXPECT_EQ(f->FTeamsChosen, 0);
  EXPECT_FALSE(f->PositionList);
  EXPECT_EQ(f->TimeStart(), 0);
  EXPECT_FALSE(f->MatchClockRunning());
  // Start-up writes nothing.
  EXPECT_FALSE(StoreExists());
  EXPECT_TRUE(requests_.empty());
}

TEST_F(StartupTest, OutputWidthThreshold) {
  EditKey([](TRegistry& r) {
    r.WriteInteger("XWidth", 767);
    r.WriteInteger("YHeight", 319);
  });
  TFormMain* f = Create();
  EXPECT_EQ(f->ClientWidth(), 1024);
  EXPECT_EQ(f->ClientHeight(), 740);
  EXPECT_EQ(f->ImageBlack->Width(), 767);
  EXPECT_EQ(f->ImageBlack->Height(), 319);
  EXPECT_EQ(f->PanelTabloColor->Width(), 767);
  EXPECT_EQ(f->PanelTablo->Height(), 319 + 8);
  EXPECT_EQ(f->seDVIx->Value(), 767);
  EXPECT_EQ(f->seDVIy->Value(), 319);
  EXPECT_EQ(f->FGrabBitmap->Width(), 767);
  // Only the output size is applied: the other settings keep their design.
  EXPECT_EQ(f->seSek_Tur->Value(), 3);
  EXPECT_TRUE(f->seTablo_ShowTime->Checked());
  Destroy();

  EditKey([](TRegistry& r) {
    r.WriteInteger("XWidth", 768);
    r.WriteInteger("YHeight", 320);
  });
  f = Create();
  EXPECT_EQ(f->ClientWidth(), Screen->DesktopWidth());
  EXPECT_EQ(f->ClientHeight(), Screen->WorkAreaHeight());
  EXPECT_EQ(f->ImageBlack->Width(), 768);
  EXPECT_EQ(f->ImageBlack->Height(), 320);
}

TEST_F(StartupTest, AbsentHeightKeepsWidthOnly) {
  EditKey([](TRegistry& r) { r.WriteInteger("XWidth", 640); });
  TFormMain* f = Create();
  EXPECT_EQ(f->ImageBlack->Width(), 640);
  EXPECT_EQ(f->ImageBlack->Height(), 256);
  // The configuration edits are set only at the end of the block.
  EXPECT_EQ(f->seDVIx->Value(), 384);
}

TEST_F(StartupTest, ImpossibleOutputSizeIsIgnored) {
  EditKey([](TRegistry& r) {
    r.WriteInteger("XWidth", 0);
    r.WriteInteger("YHeight", -5);
  });
  TFormMain* f = Create();
  EXPECT_EQ(f->ImageBlack->Width(), 384);
  EXPECT_EQ(f->ImageBlack->Height(), 256);
  EXPECT_EQ(f->FGrabBitmap->Width(), 384);
}

TEST_F(StartupTest, QuitAskedBelowOutputBandAndNoKeepsWindow) {
  TFormMain* f = Create();
  f->Show();
  answer_ = mrNo;
  f->Close();
  ASSERT_EQ(requests_.size(), 1u);
  const TMsgDlgRequest& q = requests_[0];
  EXPECT_EQ(q.Msg, "Quit?");
  EXPECT_EQ(q.DlgType, mtConfirmation);
  EXPECT_EQ(q.Buttons, mbYesNo);
  EXPECT_EQ(q.BoundsRect.Top, f->PanelTablo->Height() + 32);
  EXPECT_GE(q.BoundsRect.Top, f->PanelTablo->Top() + f->PanelTablo->Height());
  EXPECT_TRUE(f->Visible());
  EXPECT_FALSE(StoreExists());

  answer_ = mrYes;
  bool canClose = false;
  f->FormCloseQuery(f, canClose);
  EXPECT_TRUE(canClose);
  EXPECT_FALSE(StoreExists());
}

TEST_F(StartupTest, YesWritesEverySetting) {
  TFormMain* f = Create();
  answer_ = mrYes;
  EXPECT_TRUE(f->CloseQuery());
  Destroy();
  ASSERT_TRUE(StoreExists());
  const auto key = DumpKey();
  std::vector<String> expected = {"XWidth", "YHeight", "MediaAspect", "MediaVolume", "PicsCls", "PicsPause",
                                  "FixCmdN", "K0", "K1", "K2", "Period", "S1", "S2", "Title", "Tur", "ShowTime",
                                  "ShowTown", "ShowTitle", "ShowTur", "ShowZamenaMin", "Igrok_Wait", "ShowKards",
                                  "Gol1Media", "Gol2Media", "PicOnTVovl", "RS_Speed", "RS_Napr", "RS_Color",
                                  "RS_Top", "RS_Size", "RS_Name", "RS_SBold", "RS_SItalic", "TimeStart", "TimeShown", "Charset",
                                  "Stadion", "StadionN", "ClockAnalog", "ClockSekundomer", "ClockTimer",
                                  "ClockTimerStr", "Kards1", "Kards2", "Zamena1", "Zamena2", "ZamenaPage",
                                  "RefereeMatch", "VideoDrv"};
  for (int n = 0; n < 12; ++n) expected.push_back("Pg" + IntToStr(n));
  for (int n = 1; n <= 14; ++n) expected.push_back("Stat1_" + IntToStr(n));
  for (const String& n : expected) EXPECT_TRUE(key.count(n)) << n;
  EXPECT_EQ(key.size(), expected.size());
  // Types as stored.
  EXPECT_EQ(key.at("XWidth"), "int:384");
  EXPECT_EQ(key.at("YHeight"), "int:256");
  EXPECT_EQ(key.at("ShowTime"), "bool:1");
  EXPECT_EQ(key.at("TimeStart"), "int64:0");
  EXPECT_EQ(key.at("TimeShown"), "str:0:00");
  EXPECT_EQ(key.at("RefereeMatch"), "str:");   // the referee's values are the confirmed ones
  EXPECT_EQ(key.at("Title"), "str:34-th Regional Football Championship");
  EXPECT_EQ(key.at("Pg0"), "int:0");
  EXPECT_EQ(key.at("Pg7"), "int:1122");
  EXPECT_EQ(key.at("VideoDrv"), "int:0");
  EXPECT_FALSE(key.count("MainW"));
}

TEST_F(StartupTest, LongMessageStaysInsideWorkArea) {
  TFormMain* f = Create();
  const TRect work = Screen->WorkAreaRect();
  const String shortMsg = "Quit?";
  const TPoint p = f->MessageDlgOrigin(shortMsg);
  EXPECT_EQ(p.Y, f->PanelTablo->Height() + 32);
  const String longMsg(4000, 'W');
  const TPoint q = f->MessageDlgOrigin(longMsg);
  EXPECT_GE(q.X, work.Left);
  EXPECT_GE(q.Y, work.Top);
  f->ShowMessageDlg(longMsg, mtError, {mbOK});
  ASSERT_EQ(requests_.size(), 1u);
  const TRect b = requests_[0].BoundsRect;
  EXPECT_GE(b.Left, work.Left);
  EXPECT_GE(b.Top, work.Top);
  EXPECT_LE(b.Right, work.Right);
  EXPECT_LE(b.Bottom, work.Bottom);
}

TEST_F(StartupTest, TransitionEditorsOnlyOnScreensSheet) {
  TFormMain* f = Create();
  EXPECT_FALSE(f->cbPageStep->Visible());
  EXPECT_FALSE(f->cbPagePerexodName->Visible());
  f->PageControl2->SetActivePage(f->Sheet_Tablo);
  f->PageControl2Change(f->PageControl2);
  for (TControl* c : std::initializer_list<TControl*>{f->cbPageStep, f->cbPagePerexodRnd, f->ePagePerexodRnd,
                                                      f->cbPagePerexodNumber, f->cbPagePerexodName})
    EXPECT_TRUE(c->Visible()) << c->Name();
  f->PageControl2->SetActivePage(f->Sheet_Configuration);
  f->PageControl2Change(f->PageControl2);
  EXPECT_FALSE(f->cbPagePerexodRnd->Visible());
  // The name list reaches the window's right edge (at least 194 wide).
  EXPECT_EQ(f->cbPagePerexodName->Left() + f->cbPagePerexodName->Width(), f->Width() - 3);
  // File drop belongs to the advertising page, not to page 1.
  EXPECT_FALSE(f->FileDropEnabled());
}

TEST_F(StartupTest, DataListsLoadedAndSaved) {
  WriteFile("Pics/PicOnTV.txt", "a.jpg\nb.png\n");
  WriteFile("Texts/RS_Color.txt", "Welcome\nGo team\n");
  WriteFile("Gols.txt", "0  3'  7  Tony Jerry; HOME\n");
  WriteFile("Texts/Internet.txt", "Club\thttp://example.org\n");
  WriteFile("Position.txt", "GK\nDF\n");
  WriteFile("Texts/tablo_test.txt", "a.rtf\n");
  TFormMain* f = Create();
  ASSERT_EQ(f->ListPicOnTV->Items()->Count(), 3);
  EXPECT_EQ(f->ListPicOnTV->Items()->Get(0), "NO");
  EXPECT_EQ(f->ListPicOnTV->Items()->Get(2), "b.png");
  ASSERT_EQ(f->ListRunStr->Count(), 2);
  EXPECT_TRUE(f->ListRunStr->Checked(0));
  EXPECT_TRUE(f->ListRunStr->Checked(1));
  EXPECT_EQ(f->TabloGol_List->Lines()->Count(), 1);
  EXPECT_EQ(f->ListInet->ItemIndex(), 0);
  ASSERT_TRUE(f->PositionList);
  EXPECT_EQ(f->PositionList->Count(), 2);
  EXPECT_EQ(f->ListRTF->Items()->Get(0), "a.rtf");

  f->TabloGol_List->Lines()->Add("111'  2  Pit Nise; GUEST");
  f->ListInet->Items()->Add("Town\thttp://example.com");
  Destroy();
  EXPECT_EQ(LoadTextFile(app_ + "Gols.txt"), "0  3'  7  Tony Jerry; HOME\n111'  2  Pit Nise; GUEST\n");
  EXPECT_EQ(LoadTextFile(app_ + "Texts/Internet.txt"), "Club\thttp://example.org\nTown\thttp://example.com\n");
}

TEST_F(StartupTest, PeriodNamesKeepStoredPeriod) {
  WriteFullKey();
  EditKey([](TRegistry& r) { r.WriteInteger("Period", 4); });
  WriteFile("Period.txt", "1st half\n2nd half\nExtra 1\nExtra 2\nPenalties\n");
  TFormMain* f = Create();
  ASSERT_EQ(f->cbSud_Period->Items()->Count(), 5);
  EXPECT_EQ(f->cbSud_Period->ItemIndex(), 4);
  EXPECT_EQ(f->eTablo_Period->Caption(), "Penalties");
  EXPECT_EQ(f->eTabloGol_Period->Caption(), "Penalties");
  EXPECT_EQ(f->MatchPeriod, 4);
}

TEST_F(StartupTest, PeriodOutOfRangeSelectsFirstName) {
  WriteFullKey();
  EditKey([](TRegistry& r) { r.WriteInteger("Period", 7); });
  WriteFile("Period.txt", "A\nB\n");
  TFormMain* f = Create();
  EXPECT_EQ(f->cbSud_Period->ItemIndex(), 0);
  EXPECT_EQ(f->eTablo_Period->Caption(), "1");
  // What was stored is written back unchanged.
  Destroy();
  EXPECT_EQ(DumpKey().at("Period"), "int:7");
}

TEST_F(StartupTest, RunningMatchResumesFromStoredKickOff) {
  WriteFullKey();
  const int64_t kickOff = WallClockMs() - 90 * 60 * 1000;
  EditKey([&](TRegistry& r) { r.WriteInt64("TimeStart", kickOff); });
  const int64_t before = GetTickCount64();
  TFormMain* f = Create();
  const int64_t after = GetTickCount64();
  // The kick-off lies 90 minutes before the start, on the steady clock.
  EXPECT_GE(f->TimeStart(), before - 90 * 60 * 1000 - 1000);
  EXPECT_LE(f->TimeStart(), after - 90 * 60 * 1000 + 1000);
}

TEST_F(StartupTest, KickOffInTheFutureCountsAsNow) {
  WriteFullKey();
  EditKey([](TRegistry& r) { r.WriteInt64("TimeStart", WallClockMs() + 3600 * 1000); });
  const int64_t before = GetTickCount64();
  TFormMain* f = Create();
  EXPECT_GE(f->TimeStart(), before);
  EXPECT_LE(f->TimeStart(), GetTickCount64());
}

TEST_F(StartupTest, WindowThatNeverStartedWritesNothing) {
  // Start-up left the store alone; a window freed before its creation
  // handler ran must not overwrite it with design values.
  WriteFullKey();
  EditKey([](TRegistry& r) { r.WriteInteger("Tur", 42); });
  auto* f = new TFormMain(nullptr, TFormMainEnvironment{app_, ExeName});
  Free(f);
  EXPECT_EQ(DumpKey().at("Tur"), "int:42");
}

TEST_F(StartupTest, DialogsArePlainForms) {
  TFormPP pp(nullptr);
  TFormObjText text(nullptr);
  TFormObjPic pic(nullptr);
  TFormStadion stadion(nullptr);
  TFInetAddr inet(nullptr);
  EXPECT_EQ(pp.Caption(), "Print Preview");
  EXPECT_EQ(pp.Width(), 549);
  EXPECT_EQ(pp.Height(), 703);
  EXPECT_EQ(text.Caption(), "Text properties");
  EXPECT_EQ(text.ClientWidth(), 432);
  EXPECT_EQ(text.ClientHeight(), 230);
  EXPECT_EQ(pic.ClientWidth(), 325);
  EXPECT_EQ(stadion.Caption(), "Stadium");
  EXPECT_EQ(stadion.ClientHeight(), 92);
  EXPECT_EQ(inet.Caption(), "Link properties");
  EXPECT_EQ(inet.BorderStyle(), bsDialog);
  EXPECT_EQ(inet.ClientWidth(), 336);
}

TEST_F(StartupTest, WindowAndOutputBandKeepTheirMinimumSizes) {
  TFormMain* f = Create();
  f->SetWidth(300);
  EXPECT_EQ(f->Width(), 640);
  f->PanelTablo->SetHeight(100);
  EXPECT_EQ(f->PanelTablo->Height(), 215);
}

// A console that was killed left the office suite running: the next console
// ends it (and removes the dead console's folders) as it starts, though it
// converts nothing.
TEST_F(StartupTest, TheOfficeSuiteAKilledConsoleLeftEndsAtStart) {
  const String folder = TOfficeConverter::CacheFolder();
  const qint64 dead = officesamples::EndedProcess();
  const auto left = officesamples::FakeLeftover(folder, dead);
  ASSERT_EQ(left->state(), QProcess::Running);
  Create();
  EXPECT_TRUE(left->waitForFinished(5000));
  EXPECT_FALSE(std::filesystem::exists(folder + "profile-" + IntToStr(dead)));
}
