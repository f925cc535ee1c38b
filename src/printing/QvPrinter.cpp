#include "QvPrinter.h"

#include "QvLocalizer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>

#include <cups/cups.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

namespace {

// The print engine property under which the printer set-up dialog leaves the spooler options it
// collected (name, value, name, value...).
constexpr auto CupsOptionsKey = QPrintEngine::PrintEnginePropertyKey(0xfe00);

int PixelsToHiMetric(int Pixels, int Resolution) {
  return Resolution > 0 ? static_cast<int>(std::lround(Pixels * 2540.0 / Resolution)) : 0;
}

}  // namespace

TQvPrinter::TQvPrinter() : FPrinter(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
  const QPrinterInfo Default = QPrinterInfo::defaultPrinter();
  if (!Default.isNull())
    FPrinter->setPrinterName(Default.printerName());
  else if (const QStringList Names = PrinterNames(); !Names.isEmpty())
    FPrinter->setPrinterName(Names.first());
  else
    FPrinter->setOutputFormat(QPrinter::PdfFormat);
  FPrinter->setFullPage(false);
}

TQvPrinter::~TQvPrinter() = default;

QStringList TQvPrinter::PrinterNames() { return QPrinterInfo::availablePrinterNames(); }

bool TQvPrinter::HasPrinters() { return !PrinterNames().isEmpty(); }

bool TQvPrinter::SetPrinterName(const QString& Name) {
  if (!PrinterNames().contains(Name)) return false;
  FPrinter->setOutputFileName(QString());
  FPrinter->setOutputFormat(QPrinter::NativeFormat);
  FPrinter->setPrinterName(Name);
  return FPrinter->isValid() && FPrinter->outputFormat() == QPrinter::NativeFormat;
}

QString TQvPrinter::PrinterName() const {
  return FPrinter->outputFormat() == QPrinter::NativeFormat ? FPrinter->printerName() : QString();
}

QString TQvPrinter::PdfOutput() const {
  return FPrinter->outputFormat() == QPrinter::PdfFormat ? FPrinter->outputFileName() : QString();
}

void TQvPrinter::SetPdfOutput(const QString& FileName) {
  FPrinter->setOutputFormat(QPrinter::PdfFormat);
  FPrinter->setOutputFileName(FileName);
}

int TQvPrinter::PhysicalWidth() const { return Geometry().PhysicalWidth; }
int TQvPrinter::PhysicalHeight() const { return Geometry().PhysicalHeight; }
QPoint TQvPrinter::PhysicalOffset() const {
  const TQvPageGeometry G = Geometry();
  return QPoint(G.OffsetX, G.OffsetY);
}
int TQvPrinter::PageWidth() const { return Geometry().PrintableWidth; }
int TQvPrinter::PageHeight() const { return Geometry().PrintableHeight; }

TQvPageGeometry TQvPrinter::Geometry() const {
  const QPageLayout Layout = FPrinter->pageLayout();
  const int Resolution = FPrinter->resolution();
  const QRect Full = Layout.fullRectPixels(Resolution);
  const QRect Paint = Layout.paintRectPixels(Resolution);
  TQvPageGeometry G;
  G.PhysicalWidth = Full.width();
  G.PhysicalHeight = Full.height();
  G.OffsetX = Paint.x() - Full.x();
  G.OffsetY = Paint.y() - Full.y();
  G.PrintableWidth = Paint.width();
  G.PrintableHeight = Paint.height();
  // The length the whole pixels of the printable area cover, in 0.01 mm. The page's own
  // millimetres would not match the pixel count rounded from them, and that mismatch grows across
  // the sheet to a quarter of a millimetre at the far edge.
  G.PrintableWidthHiMetric = PixelsToHiMetric(G.PrintableWidth, Resolution);
  G.PrintableHeightHiMetric = PixelsToHiMetric(G.PrintableHeight, Resolution);
  return G;
}

const TQvHiMetric& TQvPrinter::MapMode() {
  FMapMode = Geometry().MapMode();
  return FMapMode;
}

bool TQvPrinter::RenderPdf(const QString& FileName, const std::function<bool(QPainter&)>& Paint, QString& Error) {
  QPrinter Pdf(QPrinter::HighResolution);
  Pdf.setOutputFormat(QPrinter::PdfFormat);
  Pdf.setOutputFileName(FileName);
  Pdf.setResolution(FPrinter->resolution());
  Pdf.setPageLayout(FPrinter->pageLayout());
  Pdf.setFullPage(false);
  Pdf.setColorMode(FPrinter->colorMode());
  Pdf.setDocName(Title);
  Pdf.setCreator(QStringLiteral("Ocuvane"));
  QPainter Painter;
  if (!Painter.begin(&Pdf)) {
    Error = GetLocalStringFormatted(5400, QStringLiteral("The page could not be prepared for printing: %s"),
                                    {QFileInfo(FileName).absolutePath()});
    return false;
  }
  const bool Drawn = Paint(Painter);
  const bool Ended = Painter.end();
  if (!Drawn || !Ended || QFileInfo(FileName).size() <= 0) {
    Error = GetLocalStringFormatted(5400, QStringLiteral("The page could not be prepared for printing: %s"),
                                    {Drawn ? QFileInfo(FileName).absolutePath() : Title});
    return false;
  }
  return true;
}

bool TQvPrinter::SubmitJob(const QString& FileName, QString& Error) {
  // The spooler wants the queue's own name, without an instance ("queue/instance").
  const QString Queue = FPrinter->printerName().section(QLatin1Char('/'), 0, 0);
  const QPageLayout Layout = FPrinter->pageLayout();
  std::vector<std::pair<QByteArray, QByteArray>> Options;
  Options.emplace_back("media", Layout.pageSize().key().toUtf8());
  if (FPrinter->copyCount() > 1) {
    Options.emplace_back("copies", QByteArray::number(FPrinter->copyCount()));
    if (FPrinter->collateCopies()) Options.emplace_back("Collate", "True");
  }
  switch (FPrinter->duplex()) {
    case QPrinter::DuplexNone: Options.emplace_back("sides", "one-sided"); break;
    case QPrinter::DuplexAuto:
      Options.emplace_back("sides", Layout.orientation() == QPageLayout::Portrait ? "two-sided-long-edge"
                                                                                  : "two-sided-short-edge");
      break;
    case QPrinter::DuplexLongSide: Options.emplace_back("sides", "two-sided-long-edge"); break;
    case QPrinter::DuplexShortSide: Options.emplace_back("sides", "two-sided-short-edge"); break;
  }
  if (Layout.orientation() == QPageLayout::Landscape) Options.emplace_back("landscape", "");
  if (QPrintEngine* Engine = FPrinter->printEngine()) {
    const QStringList Extra = Engine->property(CupsOptionsKey).toStringList();
    for (int I = 0; I + 1 < Extra.size(); I += 2) Options.emplace_back(Extra[I].toUtf8(), Extra[I + 1].toUtf8());
  }
  std::vector<cups_option_t> Raw;
  Raw.reserve(Options.size());
  for (auto& [Name, Value] : Options) Raw.push_back(cups_option_t{Name.data(), Value.data()});

  const int Job = cupsPrintFile2(CUPS_HTTP_DEFAULT, Queue.toLocal8Bit().constData(),
                                 QFile::encodeName(FileName).constData(), Title.toUtf8().constData(),
                                 static_cast<int>(Raw.size()), Raw.empty() ? nullptr : Raw.data());
  if (Job <= 0) {
    Error = GetLocalStringFormatted(5401, QStringLiteral("The printer %s did not accept the job: %s"),
                                    {Queue, QString::fromUtf8(cupsLastErrorString())});
    return false;
  }
  FLastJobId = Job;
  return true;
}

bool TQvPrinter::PrintPage(const std::function<bool(QPainter&)>& Paint, QString& Error) {
  Error.clear();
  FLastJobId = 0;
  // Set here, or chosen as "print to file" in the printer set-up dialog.
  const QString PdfTarget = PdfOutput();
  if (!PdfTarget.isEmpty()) {
    // Written beside the target and renamed over it, so a failure leaves an older file whole.
    const QFileInfo Target(PdfTarget);
    QTemporaryFile Temp(Target.absolutePath() + QStringLiteral("/.") + Target.fileName() + QStringLiteral(".XXXXXX"));
    if (!Temp.open()) {
      Error = GetLocalStringFormatted(5404, QStringLiteral("The PDF file %s could not be written: %s"),
                                      {PdfTarget, Temp.errorString()});
      return false;
    }
    Temp.close();
    if (!RenderPdf(Temp.fileName(), Paint, Error)) return false;
    QFile::setPermissions(Temp.fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ReadGroup | QFileDevice::ReadOther);
    if (std::rename(QFile::encodeName(Temp.fileName()).constData(), QFile::encodeName(PdfTarget).constData()) != 0) {
      Error = GetLocalStringFormatted(5404, QStringLiteral("The PDF file %s could not be written: %s"),
                                      {PdfTarget, QString::fromLocal8Bit(std::strerror(errno))});
      return false;
    }
    Temp.setAutoRemove(false);
    return true;
  }
  if (FPrinter->outputFormat() != QPrinter::NativeFormat || FPrinter->printerName().isEmpty()) {
    Error = GetLocalString(170, QStringLiteral("No printer is installed."));
    return false;
  }
  QTemporaryFile Temp(QDir::tempPath() + QStringLiteral("/ocuvane-print-XXXXXX.pdf"));
  if (!Temp.open()) {
    Error = GetLocalStringFormatted(5400, QStringLiteral("The page could not be prepared for printing: %s"),
                                    {Temp.errorString()});
    return false;
  }
  Temp.close();
  return RenderPdf(Temp.fileName(), Paint, Error) && SubmitJob(Temp.fileName(), Error);
}
