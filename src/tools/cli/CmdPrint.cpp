// ocuvane-cli print: one page through the Print dialog's own placement code.
//
//   ocuvane-cli print IN (--printer NAME | --pdf OUT.pdf) [--fit] [--center] [--left L --top T]
//                        [--width W | --height H | --scale P] [--units mm|cm|in|pt]
//
// The photo starts at its natural size (its stored resolution; none or 0 counts as 72 dpi),
// centred on the sheet. --width or --height sets that side and the other follows the photo's
// proportions; --scale is a percentage of the natural size (1 to 10000); --fit makes it as large as
// the printable area allows, centred. --left and --top place its corner, measured from the sheet's
// corner, instead of centring it. Lengths are in --units (millimetres by default) with "." as the
// decimal point and are held within ±10 m. The placement used is written to standard output in
// millimetres. A photo reaching beyond the printable area is printed as asked, with a warning.
//
// Exit status: 0 printed (or written), 2 bad usage, 1 the image could not be read or the page not
// printed or written (one line on standard error).

#include "CmdPrint.h"

#include "CliCommand.h"

#include "QvApplication.h"
#include "QvGraphicsEditor.h"
#include "QvPrintPlacement.h"
#include "QvPrinter.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPainter>

#include <cstdio>
#include <optional>

namespace {

struct TPrintError {
  int Code;
  QString Message;
};

struct TPrintOptions {
  QString In;
  QString Printer;
  QString Pdf;
  bool Fit = false;
  bool Center = false;
  std::optional<QString> Left, Top, Width, Height, Scale;
  int Unit = puMillimetre;
};

[[noreturn]] void Usage(const QString& Message) { throw TPrintError{2, Message}; }

int UnitByName(const QString& Name) {
  if (Name == QLatin1String("mm")) return puMillimetre;
  if (Name == QLatin1String("cm")) return puCentimetre;
  if (Name == QLatin1String("in")) return puInch;
  if (Name == QLatin1String("pt")) return puPoint;
  Usage(QStringLiteral("--units takes mm, cm, in or pt, not \"") + Name + QLatin1Char('"'));
}

TPrintOptions ParsePrintArguments(const QStringList& Args) {
  TPrintOptions O;
  QStringList Files;
  for (int I = 2; I < Args.size(); ++I) {
    QString Arg = Args[I];
    if (!Arg.startsWith(QLatin1String("--"))) {
      Files << Arg;
      continue;
    }
    if (Arg == QLatin1String("--fit")) {
      O.Fit = true;
      continue;
    }
    if (Arg == QLatin1String("--center")) {
      O.Center = true;
      continue;
    }
    QString Value;
    const int Equals = Arg.indexOf(QLatin1Char('='));
    if (Equals > 0) {
      Value = Arg.mid(Equals + 1);
      Arg = Arg.left(Equals);
    } else {
      if (I + 1 >= Args.size()) Usage(Arg + QStringLiteral(" needs a value"));
      Value = Args[++I];
    }
    if (Arg == QLatin1String("--printer")) O.Printer = Value;
    else if (Arg == QLatin1String("--pdf")) O.Pdf = Value;
    else if (Arg == QLatin1String("--left")) O.Left = Value;
    else if (Arg == QLatin1String("--top")) O.Top = Value;
    else if (Arg == QLatin1String("--width")) O.Width = Value;
    else if (Arg == QLatin1String("--height")) O.Height = Value;
    else if (Arg == QLatin1String("--scale")) O.Scale = Value;
    else if (Arg == QLatin1String("--units")) O.Unit = UnitByName(Value);
    else Usage(QStringLiteral("unknown option ") + Arg);
  }
  if (Files.size() != 1) Usage(QStringLiteral("print needs IN"));
  O.In = Files[0];
  if (O.Printer.isEmpty() == O.Pdf.isEmpty()) Usage(QStringLiteral("print needs one of --printer NAME and --pdf OUT.pdf"));
  if (int(O.Width.has_value()) + int(O.Height.has_value()) + int(O.Scale.has_value()) > 1)
    Usage(QStringLiteral("print takes one of --width, --height and --scale"));
  if (O.Left.has_value() != O.Top.has_value()) Usage(QStringLiteral("--left and --top go together"));
  if (O.Left && (O.Center || O.Fit)) Usage(QStringLiteral("--left and --top place the photo; --center and --fit cannot"));
  if (O.Fit && (O.Width || O.Height || O.Scale))
    Usage(QStringLiteral("--fit chooses the size itself; drop --width, --height and --scale"));
  return O;
}

int Length(const QString& Option, const QString& Text, int Unit) {
  const std::optional<int> Value = ParsePrintLength(Text, Unit, QLocale::c());
  if (!Value) Usage(Option + QStringLiteral(" needs a number, not \"") + Text + QLatin1Char('"'));
  return *Value;
}

QString Millimetres(int HiMetric) { return QString::number(HiMetric / 100.0, 'f', 2); }

void Report(FILE* Stream, const QString& Line) { std::fprintf(Stream, "%s\n", Line.toLocal8Bit().constData()); }

int Run(const TPrintOptions& O, int& Argc, char** Argv) {
  const QFileInfo Info(O.In);
  if (!Info.isFile()) throw TPrintError{1, QStringLiteral("cannot read ") + O.In + QStringLiteral(": no such file")};
  if (!O.Pdf.isEmpty() && QFileInfo(O.Pdf).absoluteFilePath() == Info.absoluteFilePath())
    Usage(QStringLiteral("OUT must not be IN: the original is never written"));

  TQvPrinter Printer;
  if (!O.Pdf.isEmpty()) {
    Printer.SetPdfOutput(O.Pdf);
  } else if (!Printer.SetPrinterName(O.Printer)) {
    const QStringList Names = TQvPrinter::PrinterNames();
    Usage(QStringLiteral("no printer \"") + O.Printer + QStringLiteral("\"; ") +
          (Names.isEmpty() ? QStringLiteral("no printer is set up")
                           : QStringLiteral("the printers are: ") + Names.join(QStringLiteral(", "))));
  }

  TQvApplication App;
  App.Initialize(Argc, Argv);
  QString LastMessage;
  App.SetMessageBoxHandler([&LastMessage](const QString& Text, const QString&, int) {
    LastMessage = Text;
    return QvMB::IDNO;
  });
  App.CreateModule(GraphicsEditor);
  TQvDocument* Opened = nullptr;
  if (!GraphicsEditor->OpenFile(O.In, Opened, false) || !Opened) {
    App.DestroyComponents();
    throw TPrintError{1, QStringLiteral("cannot read ") + O.In + QStringLiteral(": ") +
                             (LastMessage.isEmpty() ? QStringLiteral("not an image file") : LastMessage.simplified())};
  }
  auto* Doc = qobject_cast<TQvGraphicsDocument*>(Opened);

  TQvPrintPlacement P;
  P.SetGeometry(Printer.Geometry());
  P.SetImage(Doc->Width(), Doc->Height(), Doc->Properties().FResolutionX, Doc->Properties().FResolutionY);
  if (O.Scale) {
    const std::optional<double> Percent = ParsePrintNumber(*O.Scale, QLocale::c());
    if (!Percent || *Percent < MinPrintScale || *Percent > MaxPrintScale)
      Usage(QStringLiteral("--scale needs a percentage from 1 to 10000, not \"") + *O.Scale + QLatin1Char('"'));
    P.SetScale(*Percent);
  } else if (O.Width) {
    P.SetWidthKeepingProportions(Length(QStringLiteral("--width"), *O.Width, O.Unit));
  } else if (O.Height) {
    P.SetHeightKeepingProportions(Length(QStringLiteral("--height"), *O.Height, O.Unit));
  }
  if (O.Fit) {
    P.ScaleToFit();
  } else if (O.Left) {
    P.SetLeft(Length(QStringLiteral("--left"), *O.Left, O.Unit));
    P.SetTop(Length(QStringLiteral("--top"), *O.Top, O.Unit));
  } else {
    P.CenterImage();
  }
  if (P.IsEmpty()) Usage(QStringLiteral("the photo would print with no width or height; give a size above 0"));
  const TQvPageGeometry& G = P.Geometry();
  const QPoint Sheet = P.PageCorner();
  Report(stdout, QStringLiteral("left=%1mm top=%2mm width=%3mm height=%4mm scale=%5% sheet=%6x%7mm")
                     .arg(Millimetres(P.FLeft), Millimetres(P.FTop), Millimetres(P.FWidth), Millimetres(P.FHeight),
                          FormatPrintScale(P.Scale(), QLocale::c()).chopped(1), Millimetres(Sheet.x()),
                          Millimetres(Sheet.y())));
  if (!P.FitsPrintableArea())
    Report(stderr, QStringLiteral("ocuvane-cli: warning: the photo reaches beyond the printable area (%1 x %2 mm "
                                  "from %3, %4 mm)")
                       .arg(Millimetres(G.PrintableWidthHiMetric), Millimetres(G.PrintableHeightHiMetric),
                            Millimetres(P.PrintableOrigin().x()), Millimetres(P.PrintableOrigin().y())));

  const QRect D = P.DeviceRect();
  const TRect Rect{D.x(), D.y(), D.x() + D.width(), D.y() + D.height()};
  Printer.Title = Doc->DisplayName();
  TQvLTBitmap& Image = Doc->Image();
  QString Error;
  const bool Printed =
      Printer.PrintPage([&Image, &Rect](QPainter& Painter) { return Image.Print(&Painter, Rect); }, Error);
  App.DestroyComponents();
  if (!Printed) throw TPrintError{1, Error};
  if (Printer.LastJobId() > 0) Report(stdout, QStringLiteral("job=%1").arg(Printer.LastJobId()));
  return 0;
}

}  // namespace

int RunPrintCommand(const QStringList& Args, int& Argc, char** Argv) {
  try {
    return Run(ParsePrintArguments(Args), Argc, Argv);
  } catch (const TPrintError& E) {
    Report(stderr, QStringLiteral("ocuvane-cli: ") + E.Message.simplified());
    return E.Code;
  }
}

namespace {

// The table lists the options for --help and checks their names; the command reads its own
// arguments again, since its rules (which options go together) are its own.
const TCliRegistration Registration{TCliCommand{
    QStringLiteral("print"),
    QStringLiteral("IN (--printer NAME | --pdf OUT.pdf) [--fit] [--center] [--left L --top T] "
                   "[--width W | --height H | --scale P] [--units mm|cm|in|pt]"),
    QStringLiteral("prints the photo on one page, placed as the Print dialog places it"),
    70,
    {{QStringLiteral("--printer"), QStringLiteral("NAME"), QStringLiteral("the printer to print on")},
     {QStringLiteral("--pdf"), QStringLiteral("OUT.pdf"), QStringLiteral("write the page to a PDF file instead")},
     {QStringLiteral("--fit"), QString(), QStringLiteral("as large as the printable area allows, centred")},
     {QStringLiteral("--center"), QString(), QStringLiteral("centred on the sheet (the default)")},
     {QStringLiteral("--left"), QStringLiteral("L"), QStringLiteral("the photo's left edge from the sheet's")},
     {QStringLiteral("--top"), QStringLiteral("T"), QStringLiteral("the photo's top edge from the sheet's")},
     {QStringLiteral("--width"), QStringLiteral("W"), QStringLiteral("printed width; the height follows")},
     {QStringLiteral("--height"), QStringLiteral("H"), QStringLiteral("printed height; the width follows")},
     {QStringLiteral("--scale"), QStringLiteral("P"), QStringLiteral("percentage of the natural size, 1 to 10000")},
     {QStringLiteral("--units"), QStringLiteral("mm|cm|in|pt"), QStringLiteral("unit of the lengths (mm)")}},
    [](const TCliInvocation& Call) { return RunPrintCommand(QCoreApplication::arguments(), *Call.Argc, Call.Argv); }}};

}  // namespace
