// Printing the sort grid to the PDF printer, read back with the PDF tools.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdio>

#include "grids/SortGrid.h"
#include "toolkit/Dialogs.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Printers.h"

namespace {

String run(const String& cmd) {
  String out;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

struct PrintToPdf : ::testing::Test {
  QTemporaryDir dir;
  TSortGrid g{nullptr};
  String pdf;
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    pdf = dir.path().toStdString() + "/lineup.pdf";
    TPrinter* pr = Printer();
    pr->SetPrinterIndex(pr->Printers()->IndexOf("PDF file"));
    pr->FileName = pdf;
    pr->SetPdfResolution(300);
    g.PrintOptions()->PageTitle = "Line-up";
    g.PrintOptions()->Copies = 1;
    g.PrintOptions()->FromRow = 1;
    g.PrintOptions()->ToRow = 100000;   // held to the rows that exist
  }
  void TearDown() override {
    HidePrintersForTests = false;
    MessageDlgHook = nullptr;
    Printer()->SetPdfResolution(600);
    Printer()->FileName.clear();
  }
  // cols x rows of data, every column w pixels wide.
  void fill(int cols, int rows, int w) {
    g.SetColCount(cols);
    g.SetRowCount(rows + 1);
    for (int c = 0; c < cols; ++c) {
      g.SetColWidths(c, w);
      g.SetCells(c, 0, "Head" + IntToStr(c));
      for (int r = 1; r <= rows; ++r) g.SetCells(c, r, "r" + IntToStr(r));
    }
  }
  // The footers of the pages in order.
  std::vector<String> footers() {
    const String text = run("pdftotext -layout '" + pdf + "' -");
    std::vector<String> out;
    size_t at = 0;
    while ((at = text.find("Seite ", at)) != String::npos) {
      size_t e = at + 6;
      while (e < text.size() && (isdigit(uint8_t(text[e])) || text[e] == '-')) ++e;
      out.push_back(text.substr(at, e - at));
      at = e;
    }
    return out;
  }
  std::unique_ptr<TBitmap> page(int n) {
    const String base = dir.path().toStdString() + "/page";
    run("pdftoppm -r 300 -png -f " + IntToStr(n) + " -l " + IntToStr(n) + " -singlefile '" + pdf + "' '" + base + "'");
    auto b = std::make_unique<TBitmap>();
    b->LoadFromFile(base + ".png");
    return b;
  }
  static int grey(TColor c) { return (int(c & 0xFF) + int((c >> 8) & 0xFF) + int((c >> 16) & 0xFF)) / 3; }
};

}  // namespace

TEST_F(PrintToPdf, GreyHeaderCentredTitleAndFactorThreeAt300Dpi) {
  fill(3, 5, 100);
  g.SetColWidths(2, 200);
  g.Print();
  ASSERT_TRUE(FileExists(pdf));
  EXPECT_FALSE(FileExists(pdf + ".part"));
  auto b = page(1);
  ASSERT_GE(b->Width(), 2400);
  // The header row: grey from y = 3 x 20 over 3 x 24 pixels.
  const int x = 30 + 3 * 101 + 3 * 101 + 300;   // inside the empty third column
  g.SetCells(2, 0, "");
  EXPECT_EQ(b->Canvas()->Pixel(x, 70), RGB(192, 192, 192));
  EXPECT_EQ(b->Canvas()->Pixel(x, 125), RGB(192, 192, 192));
  EXPECT_EQ(b->Canvas()->Pixel(x, 150), clWhite);
  // The first data row's top line at 60 + 72 (3.125 would give 137).
  int darkest = 255;
  for (int y = 130; y <= 135; ++y) darkest = std::min(darkest, grey(b->Canvas()->Pixel(x, y)));
  EXPECT_LT(darkest, 128);
  for (int y = 137; y <= 140; ++y) EXPECT_GT(grey(b->Canvas()->Pixel(x, y)), 200) << y;
  // The title: centred on the sheet in the top band.
  int left = b->Width(), right = -1;
  for (int y = 0; y < 55; ++y)
    for (int xx = 0; xx < b->Width(); ++xx)
      if (grey(b->Canvas()->Pixel(xx, y)) < 128) {
        left = std::min(left, xx);
        right = std::max(right, xx);
      }
  ASSERT_GT(right, left);
  EXPECT_NEAR((left + right) / 2, b->Width() / 2, 20);
  EXPECT_EQ(footers(), (std::vector<String>{"Seite 1"}));
}

TEST_F(PrintToPdf, TwoBandsPrintLeftColumnsFirstAndPageCountAgrees) {
  fill(4, 60, 300);
  const int pages = g.PageCount();
  g.Print();
  EXPECT_EQ(footers(), (std::vector<String>{"Seite 1-1", "Seite 2-1", "Seite 1-2", "Seite 2-2"}));
  EXPECT_EQ(pages, 4);
  // A preview of page 2 draws that page only.
  TImage img(nullptr);
  g.PrintOptions()->PreviewPage = 2;
  g.PrintPreview(&img);
  TBitmap* p2 = img.Picture()->Bitmap();
  EXPECT_EQ(p2->Width(), 2480 / 3);
  EXPECT_EQ(p2->Canvas()->Pixel(30 + 290, 40), RGB(192, 192, 192));
  auto dark = [](TBitmap* b) {
    int n = 0;
    for (int y = 0; y < b->Height(); ++y)
      for (int x = 0; x < b->Width(); ++x) n += grey(b->Canvas()->Pixel(x, y)) < 128;
    return n;
  };
  const int onPage2 = dark(p2);
  TImage blank(nullptr);
  g.PrintOptions()->PreviewPage = 9;
  g.PrintPreview(&blank);
  EXPECT_EQ(dark(blank.Picture()->Bitmap()), 0);
  EXPECT_GT(onPage2, 1000);
}

TEST_F(PrintToPdf, ARowTallerThanThePageGetsAPageOfItsOwn) {
  fill(2, 3, 100);
  g.SetRowHeights(2, 5000);
  EXPECT_EQ(g.PageCount(), 3);
  g.Print();
  EXPECT_EQ(footers().size(), 3u);
}

TEST_F(PrintToPdf, NoPrinterShowsTheErrorAndWritesNothing) {
  fill(2, 3, 100);
  HidePrintersForTests = true;
  String shown;
  MessageDlgHook = [&](const TMsgDlgRequest& r) {
    shown = r.Msg;
    return int(mrOk);
  };
  g.Print();
  EXPECT_EQ(shown, "No Printer is installed");
  EXPECT_FALSE(FileExists(pdf));
  // An error inside the document leaves no file either.
  HidePrintersForTests = false;
  g.OnGetCellFormat = [](TObject*, int, int r, TGridDrawState, TFormatOptions&, bool&, bool&, bool&) {
    if (r == 2) throw Exception("broken cell");
  };
  EXPECT_THROW(g.Print(), Exception);
  EXPECT_FALSE(Printer()->Printing());
  EXPECT_FALSE(FileExists(pdf));
  EXPECT_FALSE(FileExists(pdf + ".part"));
  EXPECT_EQ(g.PageCount(), 1);
}

TEST_F(PrintToPdf, ThePrintDialogIsAnsweredByTheHook) {
  TPrintDialog d(nullptr);
  int asked = 0;
  CommonDialogHook = [&](TCommonDialog* dlg) {
    ++asked;
    EXPECT_EQ(dlg, &d);
    d.Copies = 2;
    return true;
  };
  EXPECT_TRUE(d.Execute());
  CommonDialogHook = nullptr;
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(d.Copies, 2);
  EXPECT_NE(Printer()->Printers()->IndexOf("PDF file"), -1);
  HidePrintersForTests = true;
  EXPECT_EQ(Printer()->Printers()->Count(), 0);
  EXPECT_EQ(Printer()->PrinterIndex(), -1);
}
