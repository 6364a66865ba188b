#include <gtest/gtest.h>

#include <filesystem>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QFontInfo>
#include <QImage>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>
#include <vector>

#include "tests/support/MetafileMaker.h"
#include "toolkit/Graphics.h"

namespace {

// A bitmap whose pixel (x, y) is RGB(x, y, 7): every copy can be traced back.
std::unique_ptr<TBitmap> coordBitmap(int w, int h) {
  auto b = std::make_unique<TBitmap>(w, h);
  for (int y = 0; y < h; ++y) {
    uint8_t* p = b->ScanLine(y);
    for (int x = 0; x < w; ++x) {
      p[4 * x + 0] = 7;             // B
      p[4 * x + 1] = uint8_t(y);    // G
      p[4 * x + 2] = uint8_t(x);    // R
      p[4 * x + 3] = 0xFF;
    }
  }
  return b;
}

TColor px(const TBitmap& b, int x, int y) { return b.Canvas()->Pixel(x, y); }

class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/tk_graphics_XXXXXX";
    path_ = mkdtemp(tmpl);
  }
  ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  String operator/(const String& n) const { return path_ + "/" + n; }

 private:
  String path_;
};

std::string readBytes(const String& name) {
  std::ifstream f(name, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

void writeBytes(const String& name, const std::string& b) {
  std::ofstream f(name, std::ios::binary);
  f << b;
}

}  // namespace

// --- Bitmaps -----------------------------------------------------------------

TEST(BitmapTest, MemoryLayoutAndSize) {
  TBitmap b(3, 2);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(b.Height(), 2);
  EXPECT_EQ(px(b, 2, 1), clWhite);  // new pixels are white
  b.Canvas()->SetPixel(1, 0, RGB(10, 20, 30));
  const uint8_t* row = b.ScanLine(0);
  EXPECT_EQ(row[4], 30);  // B
  EXPECT_EQ(row[5], 20);  // G
  EXPECT_EQ(row[6], 10);  // R
  EXPECT_GE(b.BytesPerLine(), 12);
  b.SetSize(5, 3);  // keeps the old picture, extends with white
  EXPECT_EQ(px(b, 1, 0), RGB(10, 20, 30));
  EXPECT_EQ(px(b, 4, 2), clWhite);
  b.SetWidth(1);
  EXPECT_EQ(b.Width(), 1);
  EXPECT_THROW(b.ScanLine(3), EInvalidGraphicOperation);
  b.SetSize(0, 0);
  EXPECT_TRUE(b.Empty());
}

TEST(BitmapTest, TransparentColourAndAssign) {
  TBitmap b(4, 4);
  b.Fill(clRed);
  b.Canvas()->SetPixel(0, 3, clLime);
  EXPECT_EQ(b.TransparentColor(), clLime);  // bottom-left
  b.SetTransparentColor(clBlue);
  EXPECT_EQ(b.TransparentColor(), clBlue);
  TBitmap c;
  c.Assign(&b);
  EXPECT_EQ(px(c, 1, 1), clRed);
  c.Canvas()->SetPixel(1, 1, clBlack);
  EXPECT_EQ(px(b, 1, 1), clRed);  // copies do not share pixels
}

// Frame-sized bitmaps start on a page boundary, however they came to be, so
// that whole-frame copies between them run at full speed; sharing pixels
// through Assign still never lets a write reach the other bitmap.
TEST(BitmapTest, LargePixelsStartOnAPageAndSharedPixelsSplitOnWrite) {
  auto aligned = [](const TBitmap& b) { return reinterpret_cast<uintptr_t>(b.ScanLine(0)) % 4096 == 0; };
  std::vector<std::unique_ptr<TBitmap>> made;
  for (int i = 0; i < 4; ++i) {   // later ones come from reused heap memory
    made.push_back(std::make_unique<TBitmap>(1920, 1080));
    EXPECT_TRUE(aligned(*made.back()));
    made.erase(made.begin(), made.end() - 1);
  }
  QImage loaded(300, 200, QImage::Format_ARGB32);
  loaded.fill(Qt::transparent);
  TBitmap fromAlpha, fromPlain;
  fromAlpha.SetImage(loaded);
  fromPlain.SetImage(loaded.convertToFormat(QImage::Format_RGB32));
  EXPECT_TRUE(aligned(fromAlpha));
  EXPECT_TRUE(aligned(fromPlain));
  EXPECT_EQ(px(fromAlpha, 5, 5), clWhite);   // see-through reads white

  auto src = coordBitmap(300, 200);
  TBitmap shared;
  shared.Assign(src.get());
  shared.ScanLine(10)[4 * 20] = 99;   // the write takes pixels of its own
  EXPECT_TRUE(aligned(shared));
  EXPECT_EQ(shared.ScanLine(10)[4 * 20], 99);
  EXPECT_EQ(shared.ScanLine(10)[4 * 20 + 1], 10);
  EXPECT_EQ(src->ScanLine(10)[4 * 20], 7);
}

// A picture with alpha keeps it beside its RGB32 pixels: drawn, it is
// composed over what the canvas holds (a bitmap's fourth bytes untouched, a
// see-through surface keeps its see-through parts); copies of its pixels
// see its colours only; flattened, it lies on a colour for good.
TEST(BitmapTest, APictureWithAlphaIsComposedOverWhatLiesBehind) {
  // Four pixels: see-through, half red, opaque blue, see-through (a black
  // colour, as encoders often leave there).
  QImage argb(4, 1, QImage::Format_ARGB32);
  argb.setPixel(0, 0, qRgba(0, 255, 0, 0));
  argb.setPixel(1, 0, qRgba(255, 0, 0, 128));
  argb.setPixel(2, 0, qRgba(0, 0, 255, 255));
  argb.setPixel(3, 0, qRgba(0, 0, 0, 0));
  TBitmap pic;
  pic.SetImage(argb);
  ASSERT_TRUE(pic.HasAlpha());
  EXPECT_EQ(px(pic, 0, 0), clWhite);   // its pixels: colours, white where see-through
  EXPECT_EQ(px(pic, 1, 0), clRed);
  EXPECT_EQ(px(pic, 3, 0), clWhite);

  // Drawn on a green bitmap, stretched twice as wide: the fourth bytes stay.
  TBitmap ground(8, 1);
  ground.Fill(clLime);
  for (int x = 0; x < 8; ++x) ground.ScanLine(0)[4 * x + 3] = 0x5A;
  ground.Canvas()->StretchDraw(Rect(0, 0, 8, 1), &pic);
  const TColor want[8] = {clLime, clLime, RGB(128, 127, 0), RGB(128, 127, 0), clBlue, clBlue, clLime, clLime};
  for (int x = 0; x < 8; ++x) {
    EXPECT_EQ(px(ground, x, 0), want[x]) << x;
    EXPECT_EQ(ground.ScanLine(0)[4 * x + 3], 0x5A) << x;
  }
  // On a see-through surface (a control's picture) its alpha stays.
  QImage surface(4, 1, QImage::Format_ARGB32_Premultiplied);
  surface.fill(Qt::transparent);
  TCanvas c;
  c.BindImage(&surface);
  c.Draw(0, 0, &pic);
  EXPECT_EQ(qAlpha(surface.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(surface.pixel(1, 0)), 128);
  EXPECT_EQ(QColor(surface.pixel(2, 0)), QColor(0, 0, 255));
  EXPECT_EQ(qAlpha(surface.pixel(3, 0)), 0);
  // A colour key still skips its colour.
  TBitmap keyed;
  keyed.Assign(&pic);
  EXPECT_TRUE(keyed.HasAlpha());
  keyed.SetTransparentColor(clBlue);
  keyed.SetTransparent(true);
  ground.Fill(clLime);
  ground.Canvas()->Draw(0, 0, &keyed);
  EXPECT_EQ(px(ground, 2, 0), clLime);
  // Its pixels changed after a draw are drawn anew (through the canvas, or
  // a scan line).
  pic.Canvas()->Brush()->SetColor(clYellow);
  pic.Canvas()->FillRect(Rect(2, 0, 3, 1));
  pic.ScanLine(0)[4 * 1 + 1] = 255;   // half red becomes half yellow
  ground.Fill(clLime);
  ground.Canvas()->Draw(0, 0, &pic);
  EXPECT_EQ(px(ground, 2, 0), clYellow);
  EXPECT_EQ(px(ground, 1, 0), RGB(128, 255, 0));
  // A copy of pixels sees the colours; a PNG saved and loaded keeps alpha.
  TBitmap copy(4, 1);
  copy.Canvas()->CopyRect(Rect(0, 0, 4, 1), pic.Canvas(), Rect(0, 0, 4, 1));
  EXPECT_FALSE(copy.HasAlpha());
  EXPECT_EQ(px(copy, 0, 0), clWhite);
  pic.ScanLine(0)[4 * 1 + 1] = 0;
  const String png = (std::filesystem::temp_directory_path() / "tablo_alpha_test.png").string();
  pic.SaveToFile(png);
  TBitmap again;
  again.LoadFromFile(png);
  std::filesystem::remove(png);
  ASSERT_TRUE(again.HasAlpha());
  EXPECT_EQ(again.AlphaPlane()->constScanLine(0)[1], 128);
  // Flattened on black; grown, the new pixels are opaque; filled, opaque.
  again.FlattenAlpha(clBlack);
  EXPECT_FALSE(again.HasAlpha());
  EXPECT_EQ(px(again, 0, 0), clBlack);
  EXPECT_EQ(px(again, 1, 0), RGB(128, 0, 0));
  pic.SetSize(5, 2);
  ASSERT_TRUE(pic.HasAlpha());
  EXPECT_EQ(pic.AlphaPlane()->constScanLine(0)[1], 128);
  EXPECT_EQ(pic.AlphaPlane()->constScanLine(1)[4], 255);
  pic.Fill(clRed);
  EXPECT_FALSE(pic.HasAlpha());
  // An image whose alpha is opaque throughout keeps no plane.
  QImage opaque(2, 2, QImage::Format_ARGB32);
  opaque.fill(qRgba(1, 2, 3, 255));
  TBitmap plain;
  plain.SetImage(opaque);
  EXPECT_FALSE(plain.HasAlpha());
}

// --- CopyRect, Draw, StretchDraw ---------------------------------------------

TEST(CopyRectTest, UnscaledCopyAndSourceOutside) {
  auto src = coordBitmap(20, 10);
  TBitmap dst(10, 10);
  dst.Fill(clBlack);
  dst.Canvas()->CopyRect(Rect(2, 3, 6, 5), src->Canvas(), Rect(10, 4, 14, 6));
  EXPECT_EQ(px(dst, 2, 3), RGB(10, 4, 7));
  EXPECT_EQ(px(dst, 5, 4), RGB(13, 5, 7));
  EXPECT_EQ(px(dst, 6, 4), clBlack);  // right edge exclusive
  EXPECT_EQ(px(dst, 2, 5), clBlack);  // bottom edge exclusive
  // Parts whose source lies outside the source picture are left alone.
  dst.Canvas()->CopyRect(Rect(0, 0, 4, 1), src->Canvas(), Rect(18, 0, 22, 1));
  EXPECT_EQ(px(dst, 0, 0), RGB(18, 0, 7));
  EXPECT_EQ(px(dst, 1, 0), RGB(19, 0, 7));
  EXPECT_EQ(px(dst, 2, 0), clBlack);
  // Destination outside the target is clipped away without harm.
  dst.Canvas()->CopyRect(Rect(-5, -5, 3, 3), src->Canvas(), Rect(0, 0, 8, 8));
  EXPECT_EQ(px(dst, 0, 0), RGB(5, 5, 7));
}

TEST(CopyRectTest, NegativeExtentsMirror) {
  auto src = coordBitmap(4, 3);
  TBitmap dst(4, 3);
  // Source extent negative in x: a horizontal mirror.
  dst.Canvas()->CopyRect(Rect(0, 0, 4, 3), src->Canvas(), Rect(4, 0, 0, 3));
  for (int x = 0; x < 4; ++x) EXPECT_EQ(px(dst, x, 1), RGB(3 - x, 1, 7)) << x;
  // Destination extent negative in y: a vertical mirror.
  dst.Canvas()->CopyRect(Rect(0, 3, 4, 0), src->Canvas(), Rect(0, 0, 4, 3));
  for (int y = 0; y < 3; ++y) EXPECT_EQ(px(dst, 2, y), RGB(2, 2 - y, 7)) << y;
  // Both negative: no mirror.
  dst.Canvas()->CopyRect(Rect(4, 3, 0, 0), src->Canvas(), Rect(4, 3, 0, 0));
  EXPECT_EQ(px(dst, 1, 2), RGB(1, 2, 7));
}

TEST(CopyRectTest, StretchIsNearestNeighbour) {
  auto src = coordBitmap(2, 2);
  TBitmap dst(6, 4);
  dst.Canvas()->CopyRect(Rect(0, 0, 6, 4), src->Canvas(), Rect(0, 0, 2, 2));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(px(dst, x, y), RGB(x / 3, y / 2, 7)) << x << "," << y;
  // Shrinking takes every other column.
  auto big = coordBitmap(8, 8);
  TBitmap small(4, 4);
  small.Canvas()->CopyRect(Rect(0, 0, 4, 4), big->Canvas(), Rect(0, 0, 8, 8));
  for (int x = 0; x < 4; ++x) {
    int sx = GetRValue(px(small, x, 0));
    EXPECT_TRUE(sx == 2 * x || sx == 2 * x + 1) << sx;
  }
  // Stretched and mirrored at once.
  TBitmap m(4, 1);
  m.Canvas()->CopyRect(Rect(4, 0, 0, 1), src->Canvas(), Rect(0, 0, 2, 1));
  EXPECT_EQ(GetRValue(px(m, 0, 0)), 1);
  EXPECT_EQ(GetRValue(px(m, 1, 0)), 1);
  EXPECT_EQ(GetRValue(px(m, 2, 0)), 0);
  EXPECT_EQ(GetRValue(px(m, 3, 0)), 0);
}

TEST(CopyRectTest, ClipRegionLimitsTheCopy) {
  auto src = coordBitmap(10, 10);
  TBitmap dst(10, 10);
  dst.Fill(clBlack);
  TRegion clip = TRegion::FromRect(Rect(0, 0, 3, 10)).Combined(TRegion::FromRect(Rect(7, 0, 10, 10)), RGN_OR);
  dst.Canvas()->SelectClipRgn(&clip);
  dst.Canvas()->CopyRect(Rect(0, 0, 10, 10), src->Canvas(), Rect(0, 0, 10, 10));
  EXPECT_EQ(px(dst, 2, 5), RGB(2, 5, 7));
  EXPECT_EQ(px(dst, 3, 5), clBlack);
  EXPECT_EQ(px(dst, 6, 5), clBlack);
  EXPECT_EQ(px(dst, 7, 5), RGB(7, 5, 7));
  // Scaled copies honour the clip too.
  dst.Fill(clBlack);
  dst.Canvas()->CopyRect(Rect(0, 0, 10, 10), src->Canvas(), Rect(0, 0, 5, 5));
  EXPECT_EQ(px(dst, 5, 5), clBlack);
  EXPECT_EQ(px(dst, 9, 9), RGB(4, 4, 7));
  // Without a clip everything is written again.
  dst.Canvas()->SelectClipRgn(nullptr);
  EXPECT_FALSE(dst.Canvas()->HasClip());
  dst.Canvas()->CopyRect(Rect(0, 0, 10, 10), src->Canvas(), Rect(0, 0, 10, 10));
  EXPECT_EQ(px(dst, 5, 5), RGB(5, 5, 7));
}

TEST(CopyRectTest, CopyOntoItselfUsesASnapshot) {
  auto b = coordBitmap(10, 1);
  // Overlapping shift to the right: a naive forward copy would smear.
  b->Canvas()->CopyRect(Rect(1, 0, 10, 1), b->Canvas(), Rect(0, 0, 9, 1));
  for (int x = 1; x < 10; ++x) EXPECT_EQ(GetRValue(px(*b, x, 0)), x - 1) << x;
  // Mirror in place.
  auto m = coordBitmap(6, 1);
  m->Canvas()->CopyRect(Rect(0, 0, 6, 1), m->Canvas(), Rect(6, 0, 0, 1));
  for (int x = 0; x < 6; ++x) EXPECT_EQ(GetRValue(px(*m, x, 0)), 5 - x) << x;
}

TEST(CopyRectTest, CopyOntoItselfSnapshotsOnlyTheSourceRectangle) {
  // A thread of its own starts with no scratch buffer.
  std::thread([] {
    EXPECT_EQ(SelfCopyScratchBytes(), 0u);
    auto b = coordBitmap(200, 100);
    b->Canvas()->CopyRect(Rect(15, 12, 35, 22), b->Canvas(), Rect(10, 10, 30, 20));
    EXPECT_EQ(px(*b, 15, 12), RGB(10, 10, 7));
    EXPECT_EQ(px(*b, 34, 21), RGB(29, 19, 7));
    const size_t first = SelfCopyScratchBytes();
    EXPECT_GE(first, size_t(20 * 10 * 4));
    EXPECT_LT(first, size_t(200 * 100 * 4));   // not a copy of the whole picture
    // Smaller copies reuse the buffer; stale bytes in it do not leak through.
    auto c = coordBitmap(200, 100);
    c->Canvas()->CopyRect(Rect(0, 0, 4, 4), c->Canvas(), Rect(100, 50, 104, 54));
    EXPECT_EQ(SelfCopyScratchBytes(), first);
    EXPECT_EQ(px(*c, 0, 0), RGB(100, 50, 7));
    EXPECT_EQ(px(*c, 3, 3), RGB(103, 53, 7));
    // A source reaching past the picture, stretched and mirrored.
    c->Canvas()->CopyRect(Rect(40, 0, 0, 2), c->Canvas(), Rect(180, 98, 220, 100));
    EXPECT_EQ(px(*c, 39, 0), RGB(180, 98, 7));
    EXPECT_EQ(px(*c, 20, 1), RGB(199, 99, 7));
    EXPECT_EQ(px(*c, 19, 1), RGB(19, 1, 7));   // no source there: left as it was
  }).join();
}

TEST(CopyRectTest, CopyModes) {
  TBitmap src(1, 1), dst(1, 1);
  src.Fill(RGB(0x0F, 0xF0, 0x55));
  auto run = [&](TCopyMode mode, TColor before) {
    dst.Fill(before);
    dst.Canvas()->CopyMode = mode;
    dst.Canvas()->CopyRect(Rect(0, 0, 1, 1), src.Canvas(), Rect(0, 0, 1, 1));
    return px(dst, 0, 0);
  };
  const TColor d = RGB(0x33, 0x3C, 0xFF);
  const TColor s = RGB(0x0F, 0xF0, 0x55);
  EXPECT_EQ(run(cmSrcCopy, d), s);
  EXPECT_EQ(run(cmSrcInvert, d), (d ^ s) & 0xFFFFFF);
  EXPECT_EQ(run(cmSrcAnd, d), d & s);
  EXPECT_EQ(run(cmSrcPaint, d), d | s);
  EXPECT_EQ(run(cmNotSrcCopy, d), ~s & 0xFFFFFF);
  EXPECT_EQ(run(cmBlackness, d), clBlack);
  EXPECT_EQ(run(cmWhiteness, d), clWhite);
  EXPECT_EQ(run(cmDstInvert, d), ~d & 0xFFFFFF);
  // The fourth byte of the target is left alone by the combining modes.
  dst.Fill(d);
  dst.ScanLine(0)[3] = 0x5A;
  dst.Canvas()->CopyMode = cmSrcInvert;
  dst.Canvas()->CopyRect(Rect(0, 0, 1, 1), src.Canvas(), Rect(0, 0, 1, 1));
  EXPECT_EQ(dst.ScanLine(0)[3], 0x5A);
}

TEST(CopyRectTest, DrawStretchDrawAndTransparency) {
  auto src = coordBitmap(4, 4);
  TBitmap dst(10, 10);
  dst.Fill(clBlack);
  dst.Canvas()->Draw(3, 2, src.get());
  EXPECT_EQ(px(dst, 3, 2), RGB(0, 0, 7));
  EXPECT_EQ(px(dst, 6, 5), RGB(3, 3, 7));
  EXPECT_EQ(px(dst, 7, 5), clBlack);
  dst.Canvas()->StretchDraw(Rect(0, 0, 8, 8), src.get());
  EXPECT_EQ(px(dst, 7, 7), RGB(3, 3, 7));
  EXPECT_EQ(px(dst, 2, 5), RGB(1, 2, 7));

  TBitmap sprite(2, 1);
  sprite.Canvas()->SetPixel(0, 0, clFuchsia);
  sprite.Canvas()->SetPixel(1, 0, clGreen);
  sprite.SetTransparentColor(clFuchsia);
  sprite.SetTransparent(true);
  dst.Fill(clBlue);
  dst.Canvas()->Draw(0, 0, &sprite);
  EXPECT_EQ(px(dst, 0, 0), clBlue);
  EXPECT_EQ(px(dst, 1, 0), clGreen);
}

TEST(CopyRectTest, CanvasOriginShiftsDrawing) {
  QImage surface(20, 20, QImage::Format_RGB32);
  surface.fill(Qt::black);
  TCanvas c;
  c.BindImage(&surface);
  c.SetOrigin(Point(5, 5));
  auto src = coordBitmap(3, 3);
  c.CopyRect(Rect(0, 0, 3, 3), src->Canvas(), Rect(0, 0, 3, 3));
  EXPECT_EQ(QColor(surface.pixel(5, 5)), QColor(0, 0, 7));
  EXPECT_EQ(QColor(surface.pixel(7, 7)), QColor(2, 2, 7));
  EXPECT_EQ(c.Pixel(2, 2), RGB(2, 2, 7));
  c.Brush()->SetColor(clRed);
  c.FillRect(Rect(-5, -5, -4, -4));
  EXPECT_EQ(QColor(surface.pixel(0, 0)), QColor(255, 0, 0));
}

TEST(CopyRectTest, SurfacesWithAlpha) {
  // A control's see-through paint surface: copies onto it are opaque.
  QImage surface(4, 1, QImage::Format_ARGB32_Premultiplied);
  surface.fill(Qt::transparent);
  TCanvas c;
  c.BindImage(&surface);
  TBitmap src(4, 1);
  src.Fill(RGB(10, 20, 30));
  c.CopyMode = cmSrcInvert;
  c.CopyRect(Rect(0, 0, 2, 1), src.Canvas(), Rect(0, 0, 2, 1));
  EXPECT_EQ(qAlpha(surface.pixel(0, 0)), 255);
  EXPECT_EQ(QColor(surface.pixel(1, 0)), QColor(10, 20, 30));
  EXPECT_EQ(qAlpha(surface.pixel(2, 0)), 0);  // untouched
  // Copying the surface back into a bitmap gives valid opaque pixels.
  TBitmap back(4, 1);
  back.Canvas()->CopyRect(Rect(0, 0, 4, 1), &c, Rect(0, 0, 4, 1));
  EXPECT_EQ(px(back, 0, 0), RGB(10, 20, 30));
  EXPECT_EQ(back.ScanLine(0)[4 * 3 + 3], 0xFF);
}

// --- Shapes --------------------------------------------------------------------

TEST(ShapeTest, RectangleFillRectAndFrameFollowTheClassicBounds) {
  TBitmap b(10, 10);
  b.Fill(clWhite);
  TCanvas* c = b.Canvas();
  c->Pen()->SetColor(clBlack);
  c->Brush()->SetColor(clRed);
  c->Rectangle(2, 2, 6, 6);
  EXPECT_EQ(px(b, 2, 2), clBlack);
  EXPECT_EQ(px(b, 5, 5), clBlack);
  EXPECT_EQ(px(b, 5, 3), clBlack);
  EXPECT_EQ(px(b, 3, 3), clRed);
  EXPECT_EQ(px(b, 4, 4), clRed);
  EXPECT_EQ(px(b, 6, 6), clWhite);
  EXPECT_EQ(px(b, 6, 3), clWhite);

  c->Brush()->SetColor(clBlue);
  c->FillRect(Rect(7, 7, 9, 9));
  EXPECT_EQ(px(b, 7, 7), clBlue);
  EXPECT_EQ(px(b, 8, 8), clBlue);
  EXPECT_EQ(px(b, 9, 9), clWhite);
  c->Brush()->SetStyle(bsClear);
  c->FillRect(Rect(0, 0, 10, 10));  // a clear brush fills nothing
  EXPECT_EQ(px(b, 0, 0), clWhite);

  c->Brush()->SetColor(clGreen);
  c->FrameRect(Rect(0, 0, 4, 4));
  EXPECT_EQ(px(b, 0, 0), clGreen);
  EXPECT_EQ(px(b, 3, 3), clGreen);
  EXPECT_EQ(px(b, 1, 1), clWhite);
}

TEST(ShapeTest, LinesLeaveOutTheEndPointAndXorUndoes) {
  TBitmap b(10, 3);
  b.Fill(clWhite);
  TCanvas* c = b.Canvas();
  c->MoveTo(1, 1);
  c->LineTo(5, 1);
  EXPECT_EQ(c->PenPos(), Point(5, 1));
  EXPECT_EQ(px(b, 1, 1), clBlack);
  EXPECT_EQ(px(b, 4, 1), clBlack);
  EXPECT_EQ(px(b, 5, 1), clWhite);

  b.Fill(RGB(10, 200, 30));
  c->Pen()->SetMode(pmXor);
  c->Pen()->SetColor(clWhite);
  c->MoveTo(0, 0);
  c->LineTo(8, 0);
  EXPECT_EQ(px(b, 3, 0), RGB(245, 55, 225));
  c->MoveTo(0, 0);
  c->LineTo(8, 0);
  EXPECT_EQ(px(b, 3, 0), RGB(10, 200, 30));
  c->Pen()->SetMode(pmNot);
  c->MoveTo(0, 2);
  c->LineTo(8, 2);
  EXPECT_EQ(px(b, 2, 2), RGB(245, 55, 225));
}

TEST(ShapeTest, EllipseStaysInsideItsBounds) {
  TBitmap b(20, 20);
  b.Fill(clWhite);
  b.Canvas()->Brush()->SetColor(clRed);
  b.Canvas()->Ellipse(2, 2, 12, 12);
  EXPECT_EQ(px(b, 7, 7), clRed);
  EXPECT_EQ(px(b, 2, 2), clWhite);   // corner outside the ellipse
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(px(b, 12, i), clWhite) << i;  // right edge exclusive
    EXPECT_EQ(px(b, i, 12), clWhite) << i;
  }
}

TEST(ShapeTest, ClipAppliesToPainting) {
  TBitmap b(10, 10);
  b.Fill(clWhite);
  TRegion r = TRegion::FromRect(Rect(0, 0, 5, 10));
  b.Canvas()->SelectClipRgn(&r);
  b.Canvas()->Brush()->SetColor(clBlue);
  b.Canvas()->FillRect(Rect(0, 0, 10, 10));
  b.Canvas()->Pen()->SetColor(clRed);
  b.Canvas()->MoveTo(0, 9);
  b.Canvas()->LineTo(10, 9);
  EXPECT_EQ(px(b, 4, 0), clBlue);
  EXPECT_EQ(px(b, 5, 0), clWhite);
  EXPECT_EQ(px(b, 4, 9), clRed);
  EXPECT_EQ(px(b, 6, 9), clWhite);
  EXPECT_EQ(b.Canvas()->ClipRect(), Rect(0, 0, 5, 10));
}

// --- Text --------------------------------------------------------------------

TEST(TextTest, FontSizesAndArialStandIn) {
  TFont f;
  EXPECT_EQ(f.Size(), 8);
  EXPECT_EQ(f.Height(), -11);
  f.SetSize(12);
  EXPECT_EQ(f.Height(), -16);
  EXPECT_EQ(f.Size(), 12);
  EXPECT_EQ(ResolveFontFamily("arial"), "Liberation Sans");
  QFont q("Liberation Sans");
  EXPECT_EQ(QFontInfo(q).family(), "Liberation Sans");
  int changes = 0;
  f.OnChange = [&](TObject*) { ++changes; };
  f.SetStyle({fsBold});
  f.SetStyle({fsBold});
  EXPECT_EQ(changes, 1);
}

TEST(TextTest, MeasuresAndDrawsText) {
  TBitmap b(200, 60);
  b.Fill(clWhite);
  TCanvas* c = b.Canvas();
  c->Font()->SetName("Arial");
  c->Font()->SetHeight(-20);
  int wShort = c->TextWidth("ii");
  int wLong = c->TextWidth("WWWW");
  EXPECT_GT(wLong, wShort);
  EXPECT_GE(c->TextHeight("Xg"), 20);
  c->Font()->SetSize(24);
  EXPECT_GT(c->TextWidth("WWWW"), wLong);
  c->Font()->SetHeight(-20);

  c->Brush()->SetStyle(bsClear);
  c->Font()->SetColor(clBlack);
  c->TextOut(10, 10, "WWW");
  EXPECT_EQ(c->PenPos(), Point(10 + c->TextWidth("WWW"), 10));
  int dark = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 200; ++x)
      if (GetRValue(px(b, x, y)) < 128) {
        ++dark;
        EXPECT_GE(x, 10);
        EXPECT_GE(y, 10);
      }
  EXPECT_GT(dark, 20);

  TRect r = Rect(0, 0, 40, 0);
  int h = c->DrawText("one two three four five", r, {tfWordBreak, tfCalcRect});
  EXPECT_GT(h, c->TextHeight("X"));  // wrapped onto more lines
  EXPECT_EQ(r.Bottom, h);
  TRect one = Rect(0, 0, 0, 0);
  c->DrawText("abc", one, {tfSingleLine, tfCalcRect});
  EXPECT_EQ(one.Right, c->TextWidth("abc"));
}

// Columns holding dark pixels: first and last (-1, -1 when none).
std::pair<int, int> inkColumns(const TBitmap& b) {
  int first = -1, last = -1;
  for (int x = 0; x < b.Width(); ++x)
    for (int y = 0; y < b.Height(); ++y)
      if (GetRValue(px(b, x, y)) < 128) {
        if (first < 0) first = x;
        last = x;
        break;
      }
  return {first, last};
}

TEST(TextTest, ExpandTabsMovesTextToTheNextTabStop) {
  TBitmap b(400, 30);
  TCanvas* c = b.Canvas();
  c->Font()->SetName("Arial");
  c->Font()->SetHeight(-16);
  c->Font()->SetColor(clBlack);
  c->Brush()->SetStyle(bsClear);
  auto draw = [&](const String& text, TTextFormat fmt) {
    b.Fill(clWhite);
    TRect r = Rect(0, 0, 400, 30);
    c->DrawText(text, r, fmt);
    return inkColumns(b);
  };
  // Without the flag a tab is a blank; with it "X" goes to a tab stop
  // several characters on, for every alignment.
  const auto blank = draw("\tX", {tfLeft, tfSingleLine});
  const auto left = draw("\tX", {tfLeft, tfSingleLine, tfExpandTabs});
  EXPECT_GT(left.first, blank.first + 3 * c->TextWidth("x"));
  const auto wide = draw("W\tW", {tfLeft, tfExpandTabs});
  const auto centred = draw("W\tW", {tfCenter, tfExpandTabs});
  const auto right = draw("W\tW", {tfRight, tfVerticalCenter, tfSingleLine, tfExpandTabs});
  EXPECT_NEAR(centred.second - centred.first, wide.second - wide.first, 1);
  EXPECT_NEAR(right.second - right.first, wide.second - wide.first, 1);
  EXPECT_NEAR(centred.first + centred.second, 400, 4);
  EXPECT_GT(right.second, 395);
  // Each line of a centred text is placed by its own width.
  b.SetSize(400, 60);
  const auto lines = draw("W\tW\nW", {tfCenter, tfExpandTabs});
  EXPECT_EQ(lines, centred);
  // Measuring agrees with drawing.
  TRect m = Rect(0, 0, 0, 0);
  c->DrawText("W\tW", m, {tfSingleLine, tfCalcRect, tfExpandTabs});
  EXPECT_NEAR(m.Right, wide.second + 1, 3);
  TRect plain = Rect(0, 0, 0, 0);                  // a tab drawn as a blank is measured as one
  c->DrawText("W\tW", plain, {tfSingleLine, tfCalcRect});
  EXPECT_EQ(plain.Right, c->TextWidth("W W"));
}

TEST(TextTest, TextRectClipsAndFillsItsRectangle) {
  TBitmap b(100, 40);
  b.Fill(clWhite);
  TCanvas* c = b.Canvas();
  c->Brush()->SetColor(clYellow);
  c->Font()->SetHeight(-30);
  c->TextRect(Rect(0, 0, 20, 40), 0, 0, "WWWWWWWW");
  EXPECT_EQ(px(b, 50, 20), clWhite);  // nothing beyond the rectangle
  EXPECT_EQ(px(b, 19, 39), clYellow);  // the rectangle is filled
}

// A text is drawn plainly the first time and from its kept layout after:
// both draw the same pixels, and a layout pushed out by many others comes
// back the same.
TEST(TextTest, TextRectDrawsTheSameWhetherSeenBeforeOrNot) {
  auto draw = [](const String& text) {
    auto b = std::make_unique<TBitmap>(120, 30);
    b->Fill(clWhite);
    b->Canvas()->Font()->SetHeight(-18);
    b->Canvas()->TextRect(Rect(0, 0, 120, 30), 3, 4, text);
    return b;
  };
  const String text = "Shovkovskyi 1";
  auto first = draw(text), second = draw(text), third = draw(text);
  for (int i = 0; i < 5000; ++i) draw("filler " + std::to_string(i));
  auto afterMany = draw(text);
  int inked = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 120; ++x) {
      const TColor c = px(*first, x, y);
      inked += c != clWhite;
      ASSERT_EQ(px(*second, x, y), c) << x << "," << y;
      ASSERT_EQ(px(*third, x, y), c) << x << "," << y;
      ASSERT_EQ(px(*afterMany, x, y), c) << x << "," << y;
    }
  EXPECT_GT(inked, 20);
}

// The layouts kept are the most recently used: a text drawn again and again
// keeps its layout while thousands of others come and go; one left unused
// that long is laid out anew.
TEST(TextTest, TextRectKeepsTheLayoutsInUse) {
  TBitmap b(120, 30);
  TCanvas* c = b.Canvas();
  auto draw = [c](const String& text) { c->TextRect(Rect(0, 0, 120, 30), 2, 2, text); };
  for (const char* t : {"Kept", "Kept", "Left", "Left"}) draw(t);
  for (int i = 0; i < 12000; ++i) {
    draw("other " + std::to_string(i));
    draw("other " + std::to_string(i));
    if (i % 1000 == 0) draw("Kept");
  }
  const size_t made = TextLayoutsMade();
  draw("Kept");
  EXPECT_EQ(TextLayoutsMade(), made);
  draw("Left");
  draw("Left");
  EXPECT_EQ(TextLayoutsMade(), made + 1);
}

// --- Regions -----------------------------------------------------------------

TEST(RegionTest, RectanglesAreNormalisedAndCombine) {
  TRegion r = TRegion::FromRect(Rect(10, 10, 0, 0));
  EXPECT_EQ(r.BoundingRect(), Rect(0, 0, 10, 10));
  EXPECT_TRUE(r.Contains(0, 0));
  EXPECT_FALSE(r.Contains(10, 10));
  TRegion s = TRegion::FromRect(Rect(5, 0, 15, 10));
  EXPECT_EQ(r.Combined(s, RGN_AND).BoundingRect(), Rect(5, 0, 10, 10));
  EXPECT_EQ(r.Combined(s, RGN_OR).BoundingRect(), Rect(0, 0, 15, 10));
  TRegion x = r.Combined(s, RGN_XOR);
  EXPECT_TRUE(x.Contains(2, 2));
  EXPECT_FALSE(x.Contains(7, 2));
  EXPECT_TRUE(x.Contains(12, 2));
  TRegion d = r.Combined(s, RGN_DIFF);
  EXPECT_EQ(d.BoundingRect(), Rect(0, 0, 5, 10));
  EXPECT_TRUE(TRegion::FromRect(Rect(3, 3, 3, 9)).IsEmpty());

  HRGN h = CreateRectRgn(0, 0, 4, 4);
  HRGN g = CreateRectRgn(2, 2, 6, 6);
  EXPECT_EQ(CombineRgn(h, h, g, RGN_OR), COMPLEXREGION);
  EXPECT_TRUE(PtInRegion(h, 5, 5));
  EXPECT_EQ(OffsetRgn(h, 10, 0), COMPLEXREGION);
  EXPECT_TRUE(PtInRegion(h, 15, 5));
  EXPECT_EQ(CombineRgn(h, h, g, RGN_AND), NULLREGION);
  EXPECT_EQ(CombineRgn(h, g, nullptr, RGN_COPY), SIMPLEREGION);
  EXPECT_EQ(CombineRgn(h, g, nullptr, RGN_OR), ERROR_REGION);
  DeleteObject(h);
  DeleteObject(g);
}

TEST(RegionTest, PolygonFillModes) {
  // A pentagram: its centre is inside with WINDING and outside with ALTERNATE.
  std::vector<TPoint> star = {{50, 0}, {79, 90}, {2, 35}, {98, 35}, {21, 90}};
  TRegion wind = TRegion::Polygon(star, WINDING);
  TRegion alt = TRegion::Polygon(star, ALTERNATE);
  EXPECT_TRUE(wind.Contains(50, 50));
  EXPECT_FALSE(alt.Contains(50, 50));
  EXPECT_TRUE(alt.Contains(50, 10));
  EXPECT_FALSE(wind.Contains(5, 80));
  TPoint tri[] = {{0, 0}, {10, 0}, {0, 10}};
  HRGN h = CreatePolygonRgn(tri, 3, ALTERNATE);
  EXPECT_TRUE(PtInRegion(h, 2, 2));
  EXPECT_FALSE(PtInRegion(h, 9, 9));
  DeleteObject(h);
}

TEST(RegionTest, EllipseAndRoundRect) {
  TRegion e = TRegion::Ellipse(Rect(0, 0, 20, 10));
  EXPECT_TRUE(e.Contains(10, 5));
  EXPECT_FALSE(e.Contains(0, 0));
  EXPECT_FALSE(e.Contains(20, 5));
  TRegion rr = TRegion::RoundRect(Rect(0, 0, 20, 20), 10, 10);
  EXPECT_TRUE(rr.Contains(10, 0));
  EXPECT_TRUE(rr.Contains(10, 10));
  EXPECT_FALSE(rr.Contains(0, 0));
  EXPECT_FALSE(rr.Contains(19, 19));
  EXPECT_EQ(rr.BoundingRect(), Rect(0, 0, 20, 20));
}

TEST(RegionTest, MaskRegionsMatchTheMask) {
  const int w = 64, h = 48;
  std::vector<uint8_t> mask(size_t(w * h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) mask[size_t(y * w + x)] = ((x / 4 + y / 6) % 2 == 0) ? 1 : 0;
  TRegion r = TRegion::FromMask(mask, w, h, 100, 200);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) ASSERT_EQ(r.Contains(100 + x, 200 + y), mask[size_t(y * w + x)] != 0) << x << "," << y;
  EXPECT_FALSE(r.Contains(99, 200));
  // The rectangles are disjoint and cover exactly the mask.
  int64_t area = 0;
  for (const TRect& rc : r.Rects()) area += int64_t(rc.Width()) * rc.Height();
  int64_t ones = 0;
  for (uint8_t m : mask) ones += m;
  EXPECT_EQ(area, ones);
  // Combining with an ordinary region works as with any region.
  TRegion cut = r.Combined(TRegion::FromRect(Rect(100, 200, 104, 206)), RGN_DIFF);
  EXPECT_FALSE(cut.Contains(100, 200));
  EXPECT_TRUE(TRegion::FromMask(std::vector<uint8_t>(16, 0), 4, 4).IsEmpty());
  EXPECT_TRUE(TRegion::FromMask(std::vector<uint8_t>(3, 1), 4, 4).IsEmpty());  // short mask: nothing
}

// --- Pictures ----------------------------------------------------------------

TEST(PictureTest, JpegRoundTrip) {
  TempDir t;
  TBitmap b(32, 16);
  b.Fill(RGB(200, 40, 20));
  b.Canvas()->Brush()->SetColor(RGB(20, 60, 220));
  b.Canvas()->FillRect(Rect(16, 0, 32, 16));
  b.SaveToFile(t / "shot.jpg");
  TPicture p;
  int changes = 0;
  p.OnChange = [&](TObject*) { ++changes; };
  p.LoadFromFile(t / "SHOT.JPG");  // a name that differs in case still loads
  EXPECT_GE(changes, 1);
  ASSERT_EQ(p.Width(), 32);
  ASSERT_EQ(p.Height(), 16);
  TColor left = p.Bitmap()->Canvas()->Pixel(4, 8);
  TColor right = p.Bitmap()->Canvas()->Pixel(28, 8);
  EXPECT_NEAR(GetRValue(left), 200, 12);
  EXPECT_NEAR(GetGValue(left), 40, 12);
  EXPECT_NEAR(GetBValue(right), 220, 12);
  EXPECT_EQ(p.Bitmap()->ScanLine(0)[3], 0xFF);
}

TEST(PictureTest, GreyscaleJpegBecomesAnOpaqueBitmap) {
  QImage grey(6, 4, QImage::Format_Grayscale8);
  grey.fill(200);
  QByteArray data;
  {
    QBuffer buf(&data);
    buf.open(QIODevice::WriteOnly);
    ASSERT_TRUE(grey.save(&buf, "JPG", 95));
  }
  QImage out;
  DecodeJpeg(std::string(data.constData(), size_t(data.size())), out);
  ASSERT_EQ(out.format(), QImage::Format_RGB32);
  ASSERT_EQ(out.size(), QSize(6, 4));
  QRgb p = out.pixel(3, 2);
  EXPECT_NEAR(qRed(p), 200, 3);
  EXPECT_EQ(qRed(p), qBlue(p));
  EXPECT_EQ(qAlpha(p), 255);
  // Truncated data still gives a picture of the right size (libjpeg fills
  // the missing part) rather than a crash.
  std::string half(data.constData(), size_t(data.size()) / 2 + 8);
  QImage part;
  try {
    DecodeJpeg(half, part);
    EXPECT_EQ(part.size(), QSize(6, 4));
  } catch (const EInvalidGraphic&) {
  }
}

TEST(PictureTest, CorruptJpegRaisesAndKeepsTheOldPicture) {
  TempDir t;
  TBitmap b(8, 8);
  b.Fill(clRed);
  b.SaveToFile(t / "good.png");
  TPicture p;
  p.LoadFromFile(t / "good.png");
  ASSERT_EQ(p.Width(), 8);

  writeBytes(t / "bad.jpg", "\xFF\xD8\xFF\xE0 this is no picture at all");
  try {
    p.LoadFromFile(t / "bad.jpg");
    FAIL();
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(String(e.what()).rfind("JPEG error #", 0), 0u) << e.what();
  }
  writeBytes(t / "empty.jpeg", "");
  EXPECT_THROW(p.LoadFromFile(t / "empty.jpeg"), EInvalidGraphic);
  EXPECT_EQ(p.Width(), 8);  // the old picture stays
  std::string garbage = "not a jpeg";
  QImage img;
  EXPECT_THROW(DecodeJpeg(garbage, img), EInvalidGraphic);
}

TEST(PictureTest, UnknownOrBrokenFormatsRaiseClearErrors) {
  TempDir t;
  writeBytes(t / "x.tiffy", "abc");
  TPicture p;
  try {
    p.LoadFromFile(t / "x.tiffy");
    FAIL();
  } catch (const EInvalidGraphic& e) {
    EXPECT_NE(String(e.what()).find(".tiffy"), String::npos);
  }
  writeBytes(t / "x.png", "definitely not png");
  EXPECT_THROW(p.LoadFromFile(t / "x.png"), EInvalidGraphic);
  writeBytes(t / "x.bmp", "BM broken");
  EXPECT_THROW(p.LoadFromFile(t / "x.bmp"), EInvalidGraphic);
  EXPECT_THROW(p.LoadFromFile(t / "missing.png"), EFOpenError);
  EXPECT_EQ(p.Graphic(), nullptr);
}

TEST(PictureTest, BitmapFormatsAndAtomicSave) {
  TempDir t;
  TBitmap b(5, 4);
  b.Fill(clTeal);
  b.SaveToFile(t / "a.bmp");
  b.SaveToFile(t / "a.png");
  for (const char* n : {"a.bmp", "a.png"}) {
    TBitmap c;
    c.LoadFromFile(t / n);
    EXPECT_EQ(c.Width(), 5) << n;
    EXPECT_EQ(px(c, 4, 3), clTeal) << n;
  }
  std::string before = readBytes(t / "a.bmp");
  writeBytes(t / "file", "x");
  EXPECT_THROW(b.SaveToFile(t / "file/a.bmp"), EFCreateError);
  EXPECT_EQ(readBytes(t / "a.bmp"), before);

  TPicture p;
  p.LoadFromFile(t / "a.png");
  TPicture q;
  q.Assign(&p);
  EXPECT_EQ(q.Width(), 5);
  EXPECT_NE(q.Graphic(), p.Graphic());
  q.Clear();
  EXPECT_EQ(q.Width(), 0);
  EXPECT_EQ(q.Bitmap()->Width(), 0);
}

TEST(ColourTextTest, RoundTripAndLenientReading) {
  EXPECT_EQ(ColorToRGBText(RGB(1, 2, 3)), "1,2,3");
  EXPECT_EQ(ColorToRGBText(clBlue), "0,0,255");
  EXPECT_EQ(RGBTextToColor("1,2,3"), RGB(1, 2, 3));
  EXPECT_EQ(RGBTextToColor(ColorToRGBText(RGB(250, 128, 7))), RGB(250, 128, 7));
  EXPECT_EQ(RGBTextToColor("x,20,30"), RGB(0, 20, 30));
  EXPECT_EQ(RGBTextToColor("256,257,-1"), RGB(0, 1, 255));
  EXPECT_EQ(RGBTextToColor("5"), RGB(5, 0, 0));
  EXPECT_EQ(RGBTextToColor("1,2,3,4"), RGB(1, 2, 3));
  EXPECT_EQ(RGBTextToColor(""), clBlack);
  EXPECT_EQ(ColorToRGB(clBtnFace), TColor(0xF0F0F0));
}

// Pictures declaring a giant size are refused from their header, before any
// memory for them is taken; the old picture stays.
TEST(PictureTest, GiantDeclaredSizesAreRefusedFromTheHeader) {
  QImage small(16, 16, QImage::Format_RGB32);
  small.fill(Qt::green);
  const std::string jpeg = EncodeJpeg(small);
  const size_t sof = jpeg.find("\xFF\xC0", 2);
  ASSERT_NE(sof, std::string::npos);
  auto declare = [&](char marker, int w, int h) {
    std::string b = jpeg;
    b[sof + 1] = marker;   // baseline C0 or progressive C2
    b[sof + 5] = char(h >> 8), b[sof + 6] = char(h & 255);
    b[sof + 7] = char(w >> 8), b[sof + 8] = char(w & 255);
    return b;
  };
  const struct {
    char marker;
    int w, h;
  } giants[] = {{'\xC0', 16384, 16384}, {'\xC2', 65500, 65500}, {'\xC0', 8193, 8}, {'\xC0', 8000, 5001}};
  for (const auto& g : giants) {
    QImage out;
    try {
      DecodeJpeg(declare(g.marker, g.w, g.h), out);
      ADD_FAILURE() << g.w << " x " << g.h;
    } catch (const EInvalidGraphic& e) {
      EXPECT_NE(String(e.what()).find("too large"), String::npos) << e.what();
    }
  }
  TempDir t;
  TPicture p;
  writeBytes(t / "ok.jpg", jpeg);
  p.LoadFromFile(t / "ok.jpg");
  writeBytes(t / "giant.jpg", declare('\xC2', 65500, 65500));
  EXPECT_THROW(p.LoadFromFile(t / "giant.jpg"), EInvalidGraphic);
  EXPECT_EQ(p.Width(), 16);

  // A bitmap's header is checked the same way.
  QByteArray bmp;
  {
    QBuffer buf(&bmp);
    buf.open(QIODevice::WriteOnly);
    ASSERT_TRUE(small.save(&buf, "BMP"));
  }
  // Bottom-up and top-down (a negative height) alike.
  const struct {
    int32_t w, h;
  } sizes[] = {{9000, 9000}, {9000, -9000}, {7, -131067}, {8000, -5001}};
  for (const auto& sz : sizes) {
    QByteArray b = bmp;
    std::memcpy(b.data() + 18, &sz.w, 4);
    std::memcpy(b.data() + 22, &sz.h, 4);
    writeBytes(t / "giant.bmp", std::string(b.constData(), size_t(b.size())));
    EXPECT_THROW(p.LoadFromFile(t / "giant.bmp"), EInvalidGraphic) << sz.w << " x " << sz.h;
    EXPECT_EQ(p.Width(), 16);
  }
}

// A FIFO or a device under a picture's name is refused without waiting and
// without reading it; the old picture stays.
TEST(PictureTest, OnlyRegularFilesLoad) {
  TempDir t;
  QImage small(6, 5, QImage::Format_RGB32);
  small.fill(Qt::red);
  ASSERT_TRUE(small.save(QString::fromStdString(t / "ok.bmp"), "BMP"));
  TPicture p;
  p.LoadFromFile(t / "ok.bmp");
  ASSERT_EQ(mkfifo((t / "fifo.jpg").c_str(), 0644), 0);
  ASSERT_EQ(symlink("/dev/zero", (t / "zero.jpg").c_str()), 0);
  ASSERT_EQ(symlink("/dev/zero", (t / "zero.bmp").c_str()), 0);
  for (const char* name : {"fifo.jpg", "zero.jpg", "zero.bmp"}) {
    EXPECT_THROW(p.LoadFromFile(t / name), EFOpenError) << name;
    EXPECT_EQ(p.Width(), 6);
  }
}

// A PNG chunk declaring more bytes than the file holds would become a giant
// allocation inside the PNG library: the file is refused as broken.
TEST(PictureTest, PngChunkLongerThanTheFileIsRefused) {
  QImage small(6, 5, QImage::Format_RGB32);
  small.fill(Qt::red);
  QByteArray png;
  {
    QBuffer buf(&png);
    buf.open(QIODevice::WriteOnly);
    ASSERT_TRUE(small.save(&buf, "PNG"));
  }
  TempDir t;
  writeBytes(t / "ok.png", std::string(png.constData(), size_t(png.size())));
  TPicture p;
  p.LoadFromFile(t / "ok.png");
  ASSERT_EQ(p.Width(), 6);
  // After the signature and IHDR (8 + 25 bytes): a text chunk of 1 GB, 4 bytes given.
  std::string bad(png.constData(), 33);
  bad += std::string("\x40\x00\x00\x00tEXtabcd", 12);
  bad += std::string(png.constData() + 33, size_t(png.size()) - 33);
  writeBytes(t / "bad.png", bad);
  EXPECT_THROW(p.LoadFromFile(t / "bad.png"), EInvalidGraphic);
  EXPECT_EQ(p.Width(), 6);
}

// --- Metafiles -----------------------------------------------------------------

// Both metafile kinds load at their frame's size, with their shapes where the
// metafile puts them on a white ground.
TEST(PictureTest, MetafilesDrawTheirShapesAtTheirFrameSize) {
  const std::vector<metafiles::Shape> shapes = {{false, 10, 10, 110, 86, 0x0000FF}, {true, 130, 10, 230, 86, 0xFF0000}};
  TempDir t;
  writeBytes(t / "a.emf", metafiles::Emf(240, 96, shapes));
  writeBytes(t / "a.wmf", metafiles::Wmf(240, 96, shapes));
  for (const char* name : {"a.emf", "a.wmf"}) {
    TPicture p;
    p.LoadFromFile(t / name);
    ASSERT_EQ(p.Width(), 240) << name;
    ASSERT_EQ(p.Height(), 96) << name;
    TBitmap* b = p.Bitmap();
    const struct {
      int x, y;
      TColor c;
    } probes[] = {{60, 48, clRed}, {14, 14, clRed}, {106, 82, clRed}, {180, 48, clBlue}, {135, 48, clBlue},
                  {2, 2, clWhite}, {60, 92, clWhite}, {120, 48, clWhite}, {134, 14, clWhite}, {236, 90, clWhite}};
    for (const auto& pr : probes) EXPECT_EQ(px(*b, pr.x, pr.y), pr.c) << name << " at " << pr.x << "," << pr.y;
  }
}

// A picture inside a metafile is drawn by the reader over the part of the
// frame it covers, scaled from its own size; what the console takes is the
// frame's pixels.
TEST(PictureTest, PicturesInsideAMetafileAreDrawnAtTheFramesSize) {
  TempDir t;
  const std::string blue = metafiles::Png(300, 200, 0xFF0000), red = metafiles::Png(2, 2, 0x0000FF);
  writeBytes(t / "p.emf", metafiles::Emf(40, 20, {}, -1, -1,
                                         metafiles::EmfPicture(0, 0, 20, 20, blue, 300, 200) +
                                             metafiles::EmfPicture(20, 0, 20, 20, red, 2, 2)));
  TPicture p;
  p.LoadFromFile(t / "p.emf");
  ASSERT_EQ(std::make_pair(p.Width(), p.Height()), std::make_pair(40, 20));
  for (const auto& [x, y, c] : {std::tuple{2, 2, clBlue}, {17, 17, clBlue}, {22, 2, clRed}, {37, 17, clRed}})
    EXPECT_EQ(px(*p.Bitmap(), x, y), c) << x << "," << y;
}

// A Windows metafile of 44 bytes whose header claims a record of 2^31 words:
// its player would set aside 4 GB for it.
static std::string wmfClaimingAHugeRecord() {
  std::string s;
  auto put16 = [&s](int v) { s += char(v & 255), s += char((v >> 8) & 255); };
  auto put32 = [&](int64_t v) { put16(int(v & 0xFFFF)), put16(int((v >> 16) & 0xFFFF)); };
  put16(1), put16(9), put16(0x300), put32(22), put16(0), put32(0x7FFFFFFF), put16(0);
  put32(5), put16(0x020B), put16(0), put16(0);      // window origin
  put32(5), put16(0x020C), put16(100), put16(100);  // window extent
  put32(3), put16(0);                               // end
  return s;
}

// A broken metafile, or one whose frame is beyond the limits, is refused with
// a message naming the file; the old picture stays. Metafiles that crash,
// exhaust or read beyond the converters end in the reader process.
TEST(PictureTest, BrokenOrGiantMetafilesAreRefused) {
  const std::vector<metafiles::Shape> box = {{false, 1, 1, 5, 5, 0x00FF00}};
  const std::string emf = metafiles::Emf(8, 8, box), wmf = metafiles::Wmf(8, 8, box);
  ASSERT_EQ(wmfClaimingAHugeRecord().size(), 44u);
  const struct {
    const char* name;
    std::string bytes;
    const char* says;
  } cases[] = {
      {"text.emf", "not a metafile at all", "not an enhanced metafile"},
      {"text.wmf", "not a metafile at all", "not a Windows metafile"},
      {"cut.emf", emf.substr(0, 60), "not an enhanced metafile"},
      {"cut.wmf", wmf.substr(0, 30), "not a Windows metafile"},
      {"giant.emf", metafiles::Emf(8, 8, box, 9000LL * 2540 / 96, 100), "too large"},
      {"huge.emf", metafiles::Emf(8, 8, box, 7000LL * 2540 / 96, 7000LL * 2540 / 96), "too large"},
      {"empty.emf", metafiles::Emf(8, 8, box, 0, 0), "too large or empty"},
      {"giant.wmf", metafiles::Wmf(30000, 30000, box, 96), "too large"},
      {"huge.wmf", metafiles::Wmf(7000, 7000, box, 96), "too large"},
      {"truncated.emf", emf.substr(0, emf.size() - 30), "the metafile is broken"},
      {"bad-font-index.emf", metafiles::Emf(8, 8, box, -1, -1, metafiles::EmfFont(0x7FFFFFF0)), "the metafile is broken"},
      {"huge-record.wmf", wmfClaimingAHugeRecord(), "the metafile is broken"},
      // Two pictures of 8000 x 8000 inside a frame of 8 x 8: refused by the
      // reader at the look of their headers, nothing decoded.
      {"pictures.emf",
       metafiles::Emf(8, 8, box, -1, -1,
                      metafiles::EmfPicture(0, 0, 4, 8, metafiles::PngClaiming(8000, 8000), 8000, 8000) +
                          metafiles::EmfPicture(4, 0, 4, 8, metafiles::PngClaiming(8000, 8000), 8000, 8000)),
       "the pictures inside it are too large (128 million pixels; at most 40 million in all)"},
  };
  TempDir t;
  TPicture p;
  writeBytes(t / "ok.wmf", wmf);
  p.LoadFromFile(t / "ok.wmf");
  ASSERT_EQ(p.Width(), 8);
  for (const auto& c : cases) {
    writeBytes(t / c.name, c.bytes);
    try {
      p.LoadFromFile(t / c.name);
      ADD_FAILURE() << c.name;
    } catch (const EInvalidGraphic& e) {
      EXPECT_NE(String(e.what()).find(c.says), String::npos) << c.name << ": " << e.what();
      EXPECT_NE(String(e.what()).find(c.name), String::npos) << c.name << ": " << e.what();
    }
    EXPECT_EQ(p.Width(), 8) << c.name;
  }
}
