// The sort grid's printing, page counting and page preview: one layout
// routine for all three.
#include <algorithm>

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
  TBitmap* bmp = Image->Picture()->Bitmap();
  const int w = pr->PageWidth() / fx, h = pr->PageHeight() / fy;
  if (bmp->Width() < w || bmp->Height() < h) bmp->SetSize(std::max(bmp->Width(), w), std::max(bmp->Height(), h));
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

void TSortGrid::pageHeader(TCanvas* c, int, bool draw, int pageW, int pageH, int pageInBand, int bandNo, int lastCol,
                           int& y, int fx, int fy) {
  TCanvas* own = Canvas();
  TFont keep;
  keep.Assign(own->Font());
  if (draw) {
    c->Font()->SetSize(12);
    c->Font()->SetStyle(c->Font()->Style() + TFontStyles{fsBold});
    own->Font()->Assign(c->Font());
    own->Font()->SetColor(keep.Color());
    const String title = printOptions_->PageTitle;
    c->Brush()->SetStyle(bsClear);
    c->TextOut(pageW / 2 - fx * (own->TextWidth(title) / 2), 0, title);
    String footer = "Seite " + IntToStr(pageInBand);
    if (lastCol < ColCount() - 1 || bandNo > 1) footer += "-" + IntToStr(bandNo);
    c->TextOut(pageW - fx * (own->TextWidth(footer) + 10), pageH - fy * 16, footer);
    c->Font()->SetStyle(c->Font()->Style() - TFontStyles{fsBold});
    c->Font()->SetSize(Font()->Size());
    own->Font()->Assign(&keep);
  }
  y = fy * 20;
}

void TSortGrid::printRow(TCanvas* c, bool draw, int r, int y, int firstCol, int lastCol, int fx, int fy) {
  if (draw) {
    c->Pen()->SetColor(clBlack);
    c->Pen()->SetStyle(psSolid);
    c->Brush()->SetColor(RGB(192, 192, 192));
    c->Brush()->SetStyle(r == 0 ? bsSolid : bsClear);
  }
  int x = PrintMargin;
  TCanvas* own = Canvas();
  for (int col = firstCol; col <= lastCol; ++col) {
    const int cw = ColWidths(col);
    const TRect rc = Rect(x, y, x + fx * cw + fx, y + fy * RowHeights(r) + fy);
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
      int off = fx * 3;
      if (F.AlignmentHorz == taRightJustify) off = fx * (cw - 3) - w;
      else if (F.AlignmentHorz == taCenter) off = fx * cw / 2 - w / 2;
      const TRect inner = Rect(rc.Left + 1, rc.Top + 1, rc.Right - 1, rc.Bottom - 1);
      c->TextRect(inner, x + off, y, text);
    }
    x += fx * (cw + 1);
  }
  if (draw) {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clWhite);
  }
}

void TSortGrid::PrintPages(TCanvas* ACanvas, int Mode, int FromRow, int ToRow) {
  TPrinter* pr = Printer();
  // Scale factors: whole multiples of the screen's resolution, at least 1.
  const int fx = Mode == 1 ? 1 : std::max(1, pr->XPixelsPerInch() / ScreenPixelsPerInch);
  const int fy = Mode == 1 ? 1 : std::max(1, pr->YPixelsPerInch() / ScreenPixelsPerInch);
  int pageW = pr->PageWidth(), pageH = pr->PageHeight();
  if (Mode == 1) {
    pageW /= std::max(1, pr->XPixelsPerInch() / ScreenPixelsPerInch);
    pageH /= std::max(1, pr->YPixelsPerInch() / ScreenPixelsPerInch);
    ACanvas->Brush()->SetStyle(bsSolid);
    ACanvas->Brush()->SetColor(clWhite);
    ACanvas->FillRect(Rect(0, 0, pageW, pageH));
  }
  if (Mode != 2 && ACanvas) {
    ACanvas->Font()->Assign(Font());
    ACanvas->Font()->SetColor(clBlack);
  }
  TCanvas* c = Mode == 2 ? nullptr : ACanvas;
  ToRow = std::min(ToRow, RowCount() - 1);
  int bandNo = 0, firstCol = -2, lastCol = -1;
  const int nCols = ColCount();
  if (nCols < 1) return;
  while (true) {
    if (firstCol == lastCol) firstCol = firstCol + 1;
    else firstCol = lastCol + 1;
    lastCol = lastCol + 1;
    int sum = 0;
    for (int col = firstCol; col < nCols; ++col) {
      sum += fx * (ColWidths(col) + 1);
      if (sum <= pageW) lastCol = col;
    }
    lastCol = std::max(lastCol, firstCol);
    int pageInBand = 1;
    ++bandNo;
    ++printPageCounter_;
    bool draw = (Mode == 1 && printPageCounter_ == int(printOptions_->PreviewPage)) || Mode == 0;
    int y = 0;
    pageHeader(c, Mode, draw && c, pageW, pageH, pageInBand, bandNo, lastCol, y, fx, fy);
    printRow(c, draw && c, 0, y, firstCol, lastCol, fx, fy);
    int rowsOnPage = 0;
    for (int r = FromRow; r <= ToRow;) {
      y += fy * RowHeights(r);
      // A row taller than the page gets a page of its own, clipped.
      if (y <= pageH - fy * 20 || rowsOnPage == 0) {
        printRow(c, draw && c, r, y, firstCol, lastCol, fx, fy);
        ++rowsOnPage;
        ++r;
        continue;
      }
      if (Mode == 1 && draw) return;
      if (Mode == 0) pr->NewPage();
      ++printPageCounter_;
      draw = (Mode == 1 && printPageCounter_ == int(printOptions_->PreviewPage)) || Mode == 0;
      ++pageInBand;
      pageHeader(c, Mode, draw && c, pageW, pageH, pageInBand, bandNo, lastCol, y, fx, fy);
      printRow(c, draw && c, 0, y, firstCol, lastCol, fx, fy);
      rowsOnPage = 0;
    }
    if (lastCol >= nCols - 1) return;
    if (Mode == 1 && draw) return;
    if (Mode == 0) pr->NewPage();
  }
}
