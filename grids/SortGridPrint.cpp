// The sort grid's printing, page counting and page preview: one layout
// routine for all three.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "grids/SortGrid.h"
#include "toolkit/Dialogs.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Printers.h"

namespace {
constexpr int PrintMargin = 30;   // left margin, in device units (not scaled)
}

int TSortGrid::PageCount() {
  SetFiltered(false);
  printOptions_->PrintRange = prAll;
  printPageCounter_ = 0;
  PrintPages(nullptr, 2, 1, RowCount() - 1);
  return printPageCounter_;
}

void TSortGrid::PrintPreview(TImage* Image) {
  if (!Image) return;
  SetFiltered(false);
  printOptions_->PrintRange = prAll;
  printPageCounter_ = 0;
  TPrinter* pr = Printer();
  const int fx = std::max(1, pr->XPixelsPerInch() / ScreenPixelsPerInch);
  const int fy = std::max(1, pr->YPixelsPerInch() / ScreenPixelsPerInch);
  // An empty picture gets the page's size at the screen's resolution; a
  // picture of its own size gets the page drawn at that size.
  TBitmap* bmp = Image->Picture()->Bitmap();
  if (bmp->Empty()) bmp->SetSize(pr->PageWidth() / fx, pr->PageHeight() / fy);
  PrintPages(bmp->Canvas(), 1, 1, RowCount() - 1);
  Image->Invalidate();
}

void TSortGrid::Print() {
  TPrinter* pr = Printer();
  if (pr->Printers()->Count() == 0) {
    MessageDlg("No Printer is installed", mtError, TMsgDlgButtons{mbOK}, 0);
    return;
  }
  SetFiltered(false);
  pr->Title = printOptions_->JobTitle;
  pr->Copies = int(printOptions_->Copies);
  const int from = int(printOptions_->FromRow);
  // Only rows that exist are printed.
  const int to = std::min(int(printOptions_->ToRow), RowCount() - 1);
  pr->BeginDoc();
  try {
    PrintPages(pr->Canvas(), 0, from, to);
  } catch (...) {
    // No half document: the run is abandoned and the error shown.
    pr->Abort();
    throw;
  }
  pr->EndDoc();
}

namespace {
// The font's height times Scale (at least one pixel).
void scaleFont(TFont* f, double Scale) {
  if (Scale == 1.0) return;
  const int h = f->Height();
  const int v = std::max(1, int(std::lround(std::abs(h) * Scale)));
  f->SetHeight(h < 0 ? -v : v);
}
}  // namespace

void TSortGrid::pageHeader(TCanvas* c, bool draw, int pageW, int pageH, int pageInBand, int bandNo, int lastCol,
                           int& y, const PrintScale& k) {
  TCanvas* own = Canvas();
  TFont keep;
  keep.Assign(own->Font());
  if (draw) {
    c->Font()->SetSize(12);
    c->Font()->SetStyle(c->Font()->Style() + TFontStyles{fsBold});
    own->Font()->Assign(c->Font());
    own->Font()->SetColor(keep.Color());
    scaleFont(c->Font(), k.TitleFont);
    const String title = printOptions_->PageTitle;
    c->Brush()->SetStyle(bsClear);
    c->TextOut(pageW / 2 - int(std::lround(k.Title * (own->TextWidth(title) / 2))), 0, title);
    String footer = "Seite " + IntToStr(pageInBand);
    if (lastCol < ColCount() - 1 || bandNo > 1) footer += "-" + IntToStr(bandNo);
    c->TextOut(pageW - int(std::lround(k.Title * (own->TextWidth(footer) + 10))), pageH - int(std::lround(k.Y * 16)),
               footer);
    c->Font()->SetStyle(c->Font()->Style() - TFontStyles{fsBold});
    c->Font()->SetHeight(Font()->Height());
    scaleFont(c->Font(), k.Text);
    own->Font()->Assign(&keep);
  }
  y = int(std::lround(k.Y * 20));
}

void TSortGrid::printRow(TCanvas* c, bool draw, int r, int y, int firstCol, int lastCol, const PrintScale& k) {
  if (draw) {
    c->Pen()->SetColor(clBlack);
    c->Pen()->SetStyle(psSolid);
    c->Brush()->SetColor(RGB(192, 192, 192));
    c->Brush()->SetStyle(r == 0 ? bsSolid : bsClear);
  }
  // Edges from the running sum of the widths, so that no rounding adds up.
  auto X = [&k](int sum) { return PrintMargin + int(std::lround(k.X * sum)); };
  const int bottom = y + int(std::lround(k.Y * (RowHeights(r) + 1)));
  TCanvas* own = Canvas();
  int sum = 0;
  for (int col = firstCol; col <= lastCol; ++col) {
    const int cw = ColWidths(col);
    const int x = X(sum);
    const TRect rc = Rect(x, y, X(sum + cw + 1), bottom);
    if (cw > 0 && draw) {
      TFormatOptions F;
      bool ck, cb, el;
      TFont keepFont;
      keepFont.Assign(own->Font());
      const TColor keepBrush = own->Brush()->Color();
      GetCellFormat(col, r, F, ck, cb, el);
      own->Font()->Assign(&keepFont);
      own->Brush()->SetColor(keepBrush);
      c->Rectangle(rc);
      const String text = Cells(col, r);
      const int w = c->TextWidth(text);
      int off = int(std::lround(k.X * 3));
      if (F.AlignmentHorz == taRightJustify) off = int(std::lround(k.X * (cw - 3))) - w;
      else if (F.AlignmentHorz == taCenter) off = int(std::lround(k.X * cw)) / 2 - w / 2;
      const TRect inner = Rect(rc.Left + 1, rc.Top + 1, rc.Right - 1, rc.Bottom - 1);
      c->TextRect(inner, x + off, y, text);
    }
    sum += cw + 1;
  }
  if (draw) {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clWhite);
  }
}

void TSortGrid::PrintPages(TCanvas* ACanvas, int Mode, int FromRow, int ToRow) {
  TPrinter* pr = Printer();
  // Whole multiples of the screen's resolution, at least 1.
  const int fx = std::max(1, pr->XPixelsPerInch() / ScreenPixelsPerInch);
  const int fy = std::max(1, pr->YPixelsPerInch() / ScreenPixelsPerInch);
  int pageW = pr->PageWidth(), pageH = pr->PageHeight();
  PrintScale k;
  k.X = k.Title = Mode == 1 ? 1 : fx;
  k.Y = Mode == 1 ? 1 : fy;
  // How much larger than on the screen text is on the page without scaling.
  double textX = double(pr->XPixelsPerInch()) / ScreenPixelsPerInch;
  double textY = double(pr->YPixelsPerInch()) / ScreenPixelsPerInch;
  if (Mode == 1) {
    pageW /= fx;
    pageH /= fy;
    // A picture of another size gets the page fitted into it, drawn at its
    // own resolution (fonts and lines at that size, nothing resampled).
    if (ACanvas && ACanvas->Width() > 0 && ACanvas->Height() > 0 &&
        (ACanvas->Width() != pageW || ACanvas->Height() != pageH)) {
      const double p = std::min(double(ACanvas->Width()) / pageW, double(ACanvas->Height()) / pageH);
      k.X = k.Y = k.Title = k.Text = k.TitleFont = p;
      pageW = int(std::lround(pageW * p));
      pageH = int(std::lround(pageH * p));
    }
    textX = textY = k.X;
    ACanvas->Brush()->SetStyle(bsSolid);
    ACanvas->Brush()->SetColor(clWhite);
    ACanvas->FillRect(Rect(0, 0, pageW, pageH));
  }
  const int nCols = ColCount();
  if (nCols < 1) return;
  if (printOptions_->FitToWidth) {
    int total = 0;
    for (int col = 0; col < nCols; ++col) total += ColWidths(col) + 1;
    if (total > 0 && pageW > 2 * PrintMargin) {
      // The columns fill the width between equal margins; text and rows keep
      // their size unless the columns come out narrower than on the screen.
      k.X = double(pageW - 2 * PrintMargin) / total;
      const double shrink = std::min(1.0, k.X / textX);
      k.Y = textY * shrink;
      k.Text *= shrink;
    }
  }
  if (Mode != 2 && ACanvas) {
    ACanvas->Font()->Assign(Font());
    ACanvas->Font()->SetColor(clBlack);
    scaleFont(ACanvas->Font(), k.Text);
  }
  TCanvas* c = Mode == 2 ? nullptr : ACanvas;
  ToRow = std::min(ToRow, RowCount() - 1);
  int bandNo = 0, firstCol = -2, lastCol = -1;
  while (true) {
    if (firstCol == lastCol) firstCol = firstCol + 1;
    else firstCol = lastCol + 1;
    lastCol = lastCol + 1;
    int sum = 0;
    for (int col = firstCol; col < nCols; ++col) {
      sum += ColWidths(col) + 1;
      if (std::lround(k.X * sum) <= pageW || printOptions_->FitToWidth) lastCol = col;
    }
    lastCol = std::max(lastCol, firstCol);
    int pageInBand = 1;
    ++bandNo;
    ++printPageCounter_;
    bool draw = (Mode == 1 && printPageCounter_ == int(printOptions_->PreviewPage)) || Mode == 0;
    int y = 0;
    pageHeader(c, draw && c, pageW, pageH, pageInBand, bandNo, lastCol, y, k);
    printRow(c, draw && c, 0, y, firstCol, lastCol, k);
    int rowsOnPage = 0;
    for (int r = FromRow; r <= ToRow;) {
      y += int(std::lround(k.Y * RowHeights(r)));
      // A row taller than the page gets a page of its own, clipped.
      if (y <= pageH - int(std::lround(k.Y * 20)) || rowsOnPage == 0) {
        printRow(c, draw && c, r, y, firstCol, lastCol, k);
        ++rowsOnPage;
        ++r;
        continue;
      }
      if (Mode == 1 && draw) return;
      if (Mode == 0) pr->NewPage();
      ++printPageCounter_;
      draw = (Mode == 1 && printPageCounter_ == int(printOptions_->PreviewPage)) || Mode == 0;
      ++pageInBand;
      pageHeader(c, draw && c, pageW, pageH, pageInBand, bandNo, lastCol, y, k);
      printRow(c, draw && c, 0, y, firstCol, lastCol, k);
      rowsOnPage = 0;
    }
    if (lastCol >= nCols - 1) return;
    if (Mode == 1 && draw) return;
    if (Mode == 0) pr->NewPage();
  }
}
