#pragma once
// The printer: the system's print queues (through CUPS) and one "PDF file"
// printer that is always there. A document is begun, drawn page by page on
// the printer's canvas (vector lines and text; fonts keep their point size)
// and ended or aborted. The PDF printer writes its file under a temporary
// name that replaces the chosen file only when the document ends; an aborted
// document leaves no file.
#include <memory>
#include "toolkit/Dialogs.h"
#include "toolkit/Graphics.h"

class TPrinter {
 public:
  TPrinter();
  ~TPrinter();
  TPrinter(const TPrinter&) = delete;
  TPrinter& operator=(const TPrinter&) = delete;

  // The printer names: the system's queues, then "PDF file". Empty while
  // the test hook hides them all.
  TStrings* Printers();
  // The chosen printer (the system's default queue, else the PDF printer);
  // -1 while the list is empty.
  int PrinterIndex();
  void SetPrinterIndex(int i);   // raises "Printer index out of range"
  bool IsPdfPrinter();

  String Title;
  int Copies = 1;
  // The file the PDF printer writes (by default "print.pdf" in the user's
  // documents folder) and its resolution (600 pixels per inch by default).
  String FileName;
  int PdfResolution() const { return pdfDpi_; }
  void SetPdfResolution(int dpi);

  void BeginDoc();     // raises "Printing in progress" when one runs
  void NewPage();
  void EndDoc();
  void Abort();
  bool Printing() const { return printing_; }
  bool Aborted() const { return aborted_; }
  int PageNumber() const { return page_; }

  // The page in device pixels (the PDF printer's whole sheet, a queue's
  // printable area) and the device's pixels per inch.
  int PageWidth();
  int PageHeight();
  int XPixelsPerInch();
  int YPixelsPerInch();
  // Draws on the current page while a document runs.
  TCanvas* Canvas() { return canvas_.get(); }

 private:
  struct Impl;
  void refresh();
  std::unique_ptr<Impl> d_;
  std::unique_ptr<TCanvas> canvas_;
  std::unique_ptr<TStringList> names_;
  int index_ = -2;
  int pdfDpi_ = 600;
  bool printing_ = false, aborted_ = false;
  int page_ = 0;
};

// The program's printer.
TPrinter* Printer();
// Test hook: while true the printer list is empty ("no printer installed").
extern bool HidePrintersForTests;

// The print dialog (the toolkit's own window; answered by CommonDialogHook
// in tests). On OK the printer, copies and PDF file chosen go to Printer().
class TPrintDialog : public TCommonDialog {
 public:
  explicit TPrintDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
  bool Execute() override;
  int Copies = 1;
  int FromPage = 0, ToPage = 0, MinPage = 0, MaxPage = 0;
  String ClassName() const override { return "TPrintDialog"; }
};
