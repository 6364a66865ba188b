// Pictures with see-through parts (a PNG with alpha) on the output: a team's
// logo on a page and played in by the picture show, and a TV picture over
// the live video. Where the picture is see-through the output shows what
// lies behind it: the page's ground, the picture show's colour, the video.
#include <QImage>

#include "OperatorHands.h"
#include "SidesFixture.h"
#include "media/DSVideoWindow.h"
#include "media/MediaFixture.h"
#include "support/FakeCamera.h"

namespace {

// A 4 x 4 picture: its top-left quarter opaque red, pixel (3, 0) half
// see-through blue, the rest see-through (black there, as encoders often
// leave it).
void WriteSeeThroughPng(const String& file) {
  QImage img(4, 4, QImage::Format_ARGB32);
  img.fill(qRgba(0, 0, 0, 0));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) img.setPixel(x, y, qRgba(255, 0, 0, 255));
  img.setPixel(3, 0, qRgba(0, 0, 255, 128));
  ASSERT_TRUE(img.save(QString::fromStdString(file), "PNG"));
}

// The output area as the stadium screen shows it.
TColor OutputAt(TFormMain* f, TPoint p) {
  TWinControl* out = f->PanelTabloColor;
  TBitmap b(out->Width(), out->Height());
  b.Fill(clFuchsia);
  out->PaintTo(b.Canvas(), 0, 0);
  return b.Canvas()->Pixel(p.X, p.Y);
}

bool Near(TColor a, TColor b, int tolerance = 3) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
         std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

}  // namespace

class SeeThroughPicturesTest : public SidesFixture {
 protected:
  void SetUp() override {
    SidesFixture::SetUp();
    WriteTeam(Alpha, "Alpha", "North", "logo.png", Person(1, 1, "Keeper", "Karl") + Person(7, 1, "Tony", "Jerry"));
    WriteSeeThroughPng(app_ + "Teams/" + Alpha + "/logo.png");
  }
  void TearDown() override {
    ScreenPage = 0;
    SelectedPage = 0;
    SidesFixture::TearDown();
    fakecam::Uninstall();
  }
};

TEST_F(SeeThroughPicturesTest, ALogoShowsWhatLiesBehindWhereItIsSeeThrough) {
  enum Where { MainPage, PictureShow, LineUpPage };
  struct Case {
    const char* name;
    Where where;
  };
  const Case cases[] = {{"on the Main page", MainPage},
                        {"played in by the picture show", PictureShow},
                        {"darkened on the line-up page", LineUpPage}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TFormMain* f = StartMatch();
    f->Show();
    // The Main page's ground is a picture of one colour.
    TBitmap ground(384, 256);
    ground.Fill(clMaroon);
    f->ImageFon0->Picture()->SetGraphic(&ground);
    hands::ChooseSheet(f->Sheet_Tablo);
    TRect logo;                // where the logo's picture lies on the output
    TColor opaque = clRed;     // its opaque part there
    TColor behind = clBlack;   // what lies behind it
    if (c.where == PictureShow) {
      hands::ChooseSheet(f->TabSheet5);
      f->cb_T_Igroki->SetItemIndex(0);
      f->cb_T_IgrokiChange(f->cb_T_Igroki);
      hands::Click(f->bIgroki_Logo);
      const TRect out = f->PanelTabloColor->ClientRect();
      const int side = std::min(out.Width(), out.Height());   // a square picture, fitted and centred
      logo = Bounds((out.Width() - side) / 2, (out.Height() - side) / 2, side, side);
      behind = f->BufferTablo->Color();
    } else if (c.where == LineUpPage) {
      // The logo, darkened to a quarter, in the page's lower right corner.
      hands::ChooseSheet(f->TabSheet3);
      f->cb_T_Sostav->SetItemIndex(0);
      f->cb_T_SostavChange(f->cb_T_Sostav);
      hands::Click(f->cbWithLogo, TPoint(6, f->cbWithLogo->Height() / 2));
      ASSERT_TRUE(f->cbWithLogo->Checked());
      hands::SendPage(f->TabSheet3);
      const TRect r = f->PaintSostav->BoundsRect();
      logo = TRect(r.Right - r.Height(), r.Top, r.Right, r.Bottom);
      opaque = RGB(63, 0, 0);
    } else {
      hands::SendPage(f->TabSheet1);
      ASSERT_EQ(ScreenPage, 1);
      const TRect r = f->iTablo_Logo1->BoundsRect();
      const int side = std::min(r.Width(), r.Height());
      logo = Bounds(r.Left + (r.Width() - side) / 2, r.Top + (r.Height() - side) / 2, side, side);
      behind = clMaroon;
    }
    auto at = [&](double qx, double qy) {   // a point of the logo, in its own quarters
      return TPoint(logo.Left + int(logo.Width() * qx / 4), logo.Top + int(logo.Height() * qy / 4));
    };
    EXPECT_EQ(OutputAt(f, at(1, 1)), opaque);
    EXPECT_EQ(OutputAt(f, at(3, 3)), behind);
    EXPECT_EQ(OutputAt(f, at(1, 3)), behind);
    Destroy();
  }
}

TEST_F(SeeThroughPicturesTest, ATvPictureShowsTheVideoWhereItIsSeeThroughWhateverTransparency) {
  fakecam::Install();
  WriteSeeThroughPng(app_ + "Pics/over.png");
  WriteFile("Pics/PicOnTV.txt", "over.png\n");
  TFormMain* f = Create();
  f->Show();
  hands::ChooseSheet(f->Sheet_Tablo);
  f->rgVideoDrv->SetItemIndex(1);
  hands::SendPage(f->Sheet_TV);
  ASSERT_EQ(ScreenPage, f->Sheet_TV->PageIndex());
  const TRect out = f->PanelTabloColor->ClientRect();
  auto at = [&](double qx, double qy) {   // the picture covers the output
    return TPoint(int(out.Width() * qx / 4), int(out.Height() * qy / 4));
  };
  // The live picture where the picture's see-through parts will lie.
  ASSERT_TRUE(mediatest::PumpUntil([&] {
    const TColor v = OutputAt(f, at(3, 1.5));
    return v != clBlack && v != f->DSVideoWindowEx->ColorKey();
  }));
  const TColor video = OutputAt(f, at(3, 1.5)), videoTop = OutputAt(f, at(3.2, 0.5));
  for (bool transparency : {true, false}) {
    SCOPED_TRACE(transparency ? "Transparency ticked" : "Transparency unticked");
    if (f->cbTVpic_Transp->Checked() != transparency) hands::Click(f->cbTVpic_Transp);
    hands::ClickLine(f->ListPicOnTV, 1);
    ASSERT_TRUE(f->ImageOnTV->Visible());
    EXPECT_EQ(OutputAt(f, at(1, 1)), clRed);
    EXPECT_EQ(OutputAt(f, at(3, 1.5)), video);
    // Half see-through blue over the video.
    const TColor half = RGB((GetRValue(videoTop) * 127 + 127) / 255, (GetGValue(videoTop) * 127 + 127) / 255,
                            (255 * 128 + GetBValue(videoTop) * 127 + 127) / 255);
    EXPECT_TRUE(Near(OutputAt(f, at(3.2, 0.5)), half)) << std::hex << OutputAt(f, at(3.2, 0.5)) << " " << half;
  }
  Destroy();
}
