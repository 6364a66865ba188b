#include "toolkit/Printers.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <cstdio>

#include "toolkit/Classes.h"
#include "toolkit/QtGlue.h"

bool HidePrintersForTests = false;

namespace {
const char* const PdfPrinterName = "PDF file";

bool headlessGui() {
  return qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr ||
         QGuiApplication::platformName() == QLatin1String("offscreen");
}
}  // namespace

struct TPrinter::Impl {
  std::unique_ptr<QPrinter> printer;
  QPainter painter;
  String tempName, target;
};

TPrinter::TPrinter() : d_(std::make_unique<Impl>()), canvas_(std::make_unique<TCanvas>()), names_(std::make_unique<TStringList>()) {}

TPrinter::~TPrinter() {
  if (printing_) Abort();
  // At the program's end the application object may be gone already: the
  // platform printer is then left to the system.
  if (!QCoreApplication::instance()) (void)d_->printer.release();
}

TStrings* TPrinter::Printers() {
  names_->Clear();
  if (HidePrintersForTests) return names_.get();
  for (const QString& n : QPrinterInfo::availablePrinterNames()) names_->Add(tkqt::Str(n));
  names_->Add(PdfPrinterName);
  return names_.get();
}

int TPrinter::PrinterIndex() {
  TStrings* list = Printers();
  if (list->Count() == 0) return -1;
  if (index_ < 0 || index_ >= list->Count()) {
    const int def = list->IndexOf(tkqt::Str(QPrinterInfo::defaultPrinterName()));
    index_ = def >= 0 && !QPrinterInfo::defaultPrinterName().isEmpty() ? def : list->Count() - 1;
  }
  return index_;
}

void TPrinter::SetPrinterIndex(int i) {
  if (printing_) throw EInvalidOperation("Printing in progress");
  if (i < 0 || i >= Printers()->Count()) throw EInvalidOperation("Printer index out of range");
  index_ = i;
  d_->printer.reset();
}

bool TPrinter::IsPdfPrinter() {
  const int i = PrinterIndex();
  return i >= 0 && Printers()->Get(i) == PdfPrinterName;
}

void TPrinter::SetPdfResolution(int dpi) {
  if (printing_) throw EInvalidOperation("Printing in progress");
  pdfDpi_ = std::clamp(dpi, 72, 4800);
  d_->printer.reset();
}

// The Qt printer of the chosen entry, made when first needed.
void TPrinter::refresh() {
  if (d_->printer) return;
  const int i = PrinterIndex();
  // Without any printer the page is the PDF printer's (for page counts and
  // previews).
  if (i < 0 || IsPdfPrinter()) {
    d_->printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    d_->printer->setOutputFormat(QPrinter::PdfFormat);
    d_->printer->setResolution(pdfDpi_);
    d_->printer->setFullPage(true);
    d_->printer->setPageSize(QPageSize(QPageSize::A4));
  } else {
    d_->printer = std::make_unique<QPrinter>(QPrinterInfo::printerInfo(tkqt::QStr(Printers()->Get(i))), QPrinter::HighResolution);
  }
}

int TPrinter::PageWidth() {
  refresh();
  return d_->printer->pageLayout().paintRectPixels(d_->printer->resolution()).width();
}

int TPrinter::PageHeight() {
  refresh();
  return d_->printer->pageLayout().paintRectPixels(d_->printer->resolution()).height();
}

int TPrinter::XPixelsPerInch() {
  refresh();
  return d_->printer->logicalDpiX();
}

int TPrinter::YPixelsPerInch() {
  refresh();
  return d_->printer->logicalDpiY();
}

void TPrinter::BeginDoc() {
  if (printing_) throw EInvalidOperation("Printing in progress");
  refresh();
  QPrinter& p = *d_->printer;
  p.setDocName(tkqt::QStr(Title));
  p.setCopyCount(std::max(1, Copies));
  d_->target.clear();
  d_->tempName.clear();
  if (IsPdfPrinter()) {
    String target = FileName;
    if (target.empty()) {
      QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
      if (docs.isEmpty()) docs = QDir::homePath();
      target = tkqt::Str(QDir(docs).filePath("print.pdf"));
    }
    d_->target = target;
    d_->tempName = target + ".part";
    p.setOutputFileName(tkqt::QStr(d_->tempName));
  }
  if (!d_->painter.begin(&p)) {
    if (!d_->tempName.empty()) QFile::remove(tkqt::QStr(d_->tempName));
    throw EInvalidOperation("The printer cannot begin the document" +
                            (d_->target.empty() ? String() : " (" + d_->target + ")"));
  }
  const int w = PageWidth(), h = PageHeight();
  canvas_->BindPainter(&d_->painter, w, h, double(XPixelsPerInch()) / ScreenPixelsPerInch);
  canvas_->Font()->SetColor(clBlack);
  canvas_->Brush()->SetColor(clWhite);
  printing_ = true;
  aborted_ = false;
  page_ = 1;
}

void TPrinter::NewPage() {
  if (!printing_) throw EInvalidOperation("Printer is not printing");
  d_->printer->newPage();
  ++page_;
}

void TPrinter::EndDoc() {
  if (!printing_) throw EInvalidOperation("Printer is not printing");
  canvas_->BindPainter(nullptr, 0, 0, 1);
  const bool ok = d_->painter.end();
  printing_ = false;
  page_ = 0;
  if (!d_->tempName.empty()) {
    const String tmp = d_->tempName, target = d_->target;
    d_->tempName.clear();
    if (!ok || std::rename(tmp.c_str(), target.c_str()) != 0) {
      QFile::remove(tkqt::QStr(tmp));
      throw EWriteError("Cannot write the file " + target);
    }
  }
  d_->printer.reset();
}

void TPrinter::Abort() {
  if (!printing_) return;
  canvas_->BindPainter(nullptr, 0, 0, 1);
  d_->printer->abort();
  if (d_->painter.isActive()) d_->painter.end();
  if (!d_->tempName.empty()) QFile::remove(tkqt::QStr(d_->tempName));
  d_->tempName.clear();
  d_->printer.reset();
  printing_ = false;
  aborted_ = true;
  page_ = 0;
}

TPrinter* Printer() {
  static TPrinter printer;
  return &printer;
}

bool TPrintDialog::Execute() {
  tkqt::GiveMouseToModal();
  if (CommonDialogHook) return CommonDialogHook(this);
  if (headlessGui()) return false;
  TPrinter* pr = Printer();
  if (pr->PrinterIndex() < 0) return false;
  QPrinter q(QPrinter::HighResolution);
  if (pr->IsPdfPrinter()) {
    q.setOutputFormat(QPrinter::PdfFormat);
    if (!pr->FileName.empty()) q.setOutputFileName(tkqt::QStr(pr->FileName));
  } else {
    q.setPrinterName(tkqt::QStr(pr->Printers()->Get(pr->PrinterIndex())));
  }
  q.setCopyCount(std::max(1, Copies));
  if (MaxPage > 0) q.setFromTo(std::max(FromPage, MinPage), std::min(std::max(ToPage, FromPage), MaxPage));
  QPrintDialog d(&q);
  d.setOption(QAbstractPrintDialog::PrintToFile, true);
  if (MaxPage > 0) d.setMinMax(MinPage, MaxPage);
  if (!runDialog(&d)) return false;
  Copies = q.copyCount();
  FromPage = q.fromPage();
  ToPage = q.toPage();
  pr->Copies = Copies;
  if (q.outputFormat() == QPrinter::PdfFormat) {
    const int i = pr->Printers()->IndexOf(PdfPrinterName);
    if (i >= 0) pr->SetPrinterIndex(i);
    if (!q.outputFileName().isEmpty()) pr->FileName = tkqt::Str(q.outputFileName());
  } else {
    const int i = pr->Printers()->IndexOf(tkqt::Str(q.printerName()));
    if (i >= 0) pr->SetPrinterIndex(i);
  }
  return true;
}
