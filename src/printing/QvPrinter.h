// The program's printer: the desktop's printer list, the chosen printer's sheet and printable area
// in device pixels with the 0.01 mm map mode over them, and one-page print jobs.
//
// A page is drawn into a PDF laid out exactly like the chosen printer's page (size, margins,
// resolution) and handed to the print spooler, whose answer is checked: a refused job or a spooler
// that is gone is reported instead of passing for printed. With PDF output the page is written to
// a file instead, replaced atomically.
#pragma once

#include "QvPrintPlacement.h"

#include <QPoint>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QPainter;
class QPrinter;

class TQvPrinter {
 public:
  // The desktop's default printer, else its first one; without any, PDF output to no file yet.
  TQvPrinter();
  ~TQvPrinter();
  TQvPrinter(const TQvPrinter&) = delete;
  TQvPrinter& operator=(const TQvPrinter&) = delete;

  // The printer list (printer names as the spooler knows them).
  static QStringList PrinterNames();
  // True when the printer list is not empty.
  static bool HasPrinters();

  // Chooses a printer of the list; false (nothing changed) for an unknown name.
  bool SetPrinterName(const QString& Name);
  // The chosen printer; empty with PDF output.
  QString PrinterName() const;
  // Writes pages to FileName as PDF instead of printing them.
  void SetPdfOutput(const QString& FileName);
  // The PDF file pages go to; empty when they go to a printer.
  QString PdfOutput() const;

  // The platform printer, for the printer set-up dialog and page settings.
  QPrinter& Printer() { return *FPrinter; }

  // The sheet's size in pixels.
  int PhysicalWidth() const;
  int PhysicalHeight() const;
  // The printable area's corner, in pixels from the sheet's corner.
  QPoint PhysicalOffset() const;
  // The printable area's size in pixels.
  int PageWidth() const;
  int PageHeight() const;
  TQvPageGeometry Geometry() const;
  // Set up from the printer's page each time it is asked for.
  const TQvHiMetric& MapMode();

  // The job's name in the spooler.
  QString Title;

  // Prints one page on which Paint draws in device pixels (the printable area's corner at (0, 0)).
  // False with a message for the user in Error when the page could not be made or the spooler
  // refused the job; Paint returning false ends the job unprinted.
  bool PrintPage(const std::function<bool(QPainter&)>& Paint, QString& Error);
  // The spooler's number for the job the last PrintPage handed over (0 for PDF output, or when it
  // failed).
  int LastJobId() const { return FLastJobId; }

 private:
  bool RenderPdf(const QString& FileName, const std::function<bool(QPainter&)>& Paint, QString& Error);
  bool SubmitJob(const QString& FileName, QString& Error);

  std::unique_ptr<QPrinter> FPrinter;
  TQvHiMetric FMapMode;
  int FLastJobId = 0;
};
