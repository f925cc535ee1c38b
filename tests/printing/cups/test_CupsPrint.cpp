// Printing through a real spooler: run-cups-test starts a private cupsd with one queue that keeps
// each job's document, and names the queue and its folder in the environment. The job's pages are
// rendered with pdftoppm at 254 dpi (a pixel is 0.1 mm), and the black photo's bounding box must
// stand where the dialog placed it, within 0.5 mm.
#include "PrintFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest/QTest>

#include <cstdint>
#include <optional>

namespace {

constexpr int Tolerance = 50;  // 0.5 mm in page units

QString Env(const char* Name) { return qEnvironmentVariable(Name); }

// A rendered page: its size and the bounding box of its dark pixels, in 0.01 mm.
struct TPage {
  QSize Size;
  QRect Box;  // empty when nothing dark was printed
};

// The first page of Pdf as pdftoppm draws it at 254 dpi in grey. Fails the test on any error.
std::optional<TPage> Render(const QString& Pdf, const QString& Folder) {
  const QString Prefix = Folder + QStringLiteral("/page");
  QProcess Run;
  Run.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("254"), QStringLiteral("-gray"),
                                         QStringLiteral("-singlefile"), QStringLiteral("-f"), QStringLiteral("1"),
                                         Pdf, Prefix});
  if (!Run.waitForFinished(60000) || Run.exitCode() != 0) {
    ADD_FAILURE() << "pdftoppm failed on " << Pdf.toStdString() << ": " << Run.readAllStandardError().toStdString();
    return std::nullopt;
  }
  QFile File(Prefix + QStringLiteral(".pgm"));
  if (!File.open(QIODevice::ReadOnly)) {
    ADD_FAILURE() << "no page rendered";
    return std::nullopt;
  }
  const QByteArray Bytes = File.readAll();
  // "P5\n<width> <height>\n255\n" and then one byte a pixel.
  const QRegularExpression Header(QStringLiteral("^P5\\s+(\\d+)\\s+(\\d+)\\s+255\\s"));
  const QRegularExpressionMatch M = Header.match(QString::fromLatin1(Bytes.left(64)));
  if (!M.hasMatch()) {
    ADD_FAILURE() << "not a grey page";
    return std::nullopt;
  }
  const std::int64_t W = M.captured(1).toLongLong(), H = M.captured(2).toLongLong();
  const std::int64_t Start = M.capturedLength(0);
  if (W <= 0 || H <= 0 || Start + W * H > Bytes.size()) {
    ADD_FAILURE() << "the page is shorter than its header says";
    return std::nullopt;
  }
  int Left = INT32_MAX, Top = INT32_MAX, Right = -1, Bottom = -1;
  const auto* Pixels = reinterpret_cast<const unsigned char*>(Bytes.constData() + Start);
  for (std::int64_t Y = 0; Y < H; ++Y)
    for (std::int64_t X = 0; X < W; ++X)
      if (Pixels[Y * W + X] < 128) {
        Left = std::min<int>(Left, int(X));
        Right = std::max<int>(Right, int(X));
        Top = std::min<int>(Top, int(Y));
        Bottom = std::max<int>(Bottom, int(Y));
      }
  TPage Page;
  Page.Size = QSize(int(W) * 10, int(H) * 10);
  if (Right >= 0) Page.Box = QRect(Left * 10, Top * 10, (Right - Left + 1) * 10, (Bottom - Top + 1) * 10);
  return Page;
}

void ExpectPlacedAt(const TPage& Page, const QRect& Placement, const char* What) {
  ASSERT_FALSE(Page.Box.isEmpty()) << What << ": nothing printed";
  EXPECT_NEAR(Page.Box.x(), Placement.x(), Tolerance) << What << " left";
  EXPECT_NEAR(Page.Box.y(), Placement.y(), Tolerance) << What << " top";
  EXPECT_NEAR(Page.Box.width(), Placement.width(), Tolerance) << What << " width";
  EXPECT_NEAR(Page.Box.height(), Placement.height(), Tolerance) << What << " height";
}

QRect PlacementOf(const TQvPrintPlacement& P) { return QRect(P.FLeft, P.FTop, P.FWidth, P.FHeight); }

// How the dialog is set before Print.
enum class TSetting { Centred, Fitted, Moved };

class CupsPrint : public PrintWorld {
 protected:
  void SetUp() override {
    PrintWorld::SetUp();
    Queue = Env("OCUVANE_CUPS_QUEUE");
    Jobs = Env("OCUVANE_CUPS_OUTPUT");
    if (Queue.isEmpty() || Jobs.isEmpty()) GTEST_SKIP() << "run through run-cups-test";
    ASSERT_TRUE(TQvPrinter::PrinterNames().contains(Queue));
    // A black photo of 1200 x 900 pixels stored at 300 dpi: 101.6 x 76.2 mm at its natural size.
    Photo = Dir.filePath(QStringLiteral("photo.png"));
    QImage Black(1200, 900, QImage::Format_RGB888);
    Black.fill(Qt::black);
    Black.setDotsPerMeterX(11811);
    Black.setDotsPerMeterY(11811);
    ASSERT_TRUE(Black.save(Photo));
    Doc = MakeDocument(1200, 900, 300, 300);
  }
  void TearDown() override {
    Doc.reset();
    PrintWorld::TearDown();
  }

  // Prints through the dialog with the given setting; the page the spooler received, and where
  // the dialog placed the photo.
  std::optional<TPage> PrintThroughDialog(TSetting Setting, QRect& Placement) {
    TQvPrinter Printer;
    EXPECT_TRUE(Printer.SetPrinterName(Queue));
    std::unique_ptr<TQvGraphicsPrintForm> Form = OpenDialog(Printer, Doc.get());
    switch (Setting) {
      case TSetting::Centred: break;
      case TSetting::Fitted: Form->ScaleToFitMediaCheckBox->setChecked(true); break;
      case TSetting::Moved:
        Form->LeftUnitsComboBox->setCurrentIndex(puMillimetre);
        Form->TopUnitsComboBox->setCurrentIndex(puMillimetre);
        Form->LeftEdit->setText(QStringLiteral("25"));
        Form->TopEdit->setText(QStringLiteral("40"));
        Form->ScaleEdit->setText(QStringLiteral("150%"));
        break;
    }
    Form->PrintButtonClick();
    EXPECT_TRUE(Asked.empty()) << (Asked.empty() ? "" : Asked[0].Text.toStdString());
    EXPECT_EQ(Form->result(), QvMB::IDOK);
    Placement = PlacementOf(Form->Placement());
    if (Printer.LastJobId() <= 0) {
      ADD_FAILURE() << "no job was handed to the spooler";
      return std::nullopt;
    }
    const QString Job = Jobs + QStringLiteral("/job-%1.pdf").arg(Printer.LastJobId());
    // The backend gives the document this name only once it is complete.
    [&] { QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(Job), 60000); }();
    if (!QFile::exists(Job)) {
      ADD_FAILURE() << "the spooler never delivered " << Job.toStdString();
      return std::nullopt;
    }
    return Render(Job, Dir.path());
  }

  // The same photo through ocuvane-cli print --pdf with Options; the page and the placement the
  // program reported (in 0.01 mm).
  std::optional<TPage> PrintThroughCli(const QStringList& Options, QRect& Placement) {
    const QString Out = Dir.filePath(QStringLiteral("cli.pdf"));
    QFile::remove(Out);
    QProcess Run;
    Run.start(Env("OCUVANE_CLI"), QStringList{QStringLiteral("print"), Photo, QStringLiteral("--pdf"), Out} + Options);
    if (!Run.waitForFinished(120000) || Run.exitCode() != 0) {
      ADD_FAILURE() << "ocuvane-cli print failed: " << Run.readAllStandardError().toStdString();
      return std::nullopt;
    }
    const QString Said = QString::fromLocal8Bit(Run.readAllStandardOutput());
    const QRegularExpressionMatch M =
        QRegularExpression(QStringLiteral("left=(-?[\\d.]+)mm top=(-?[\\d.]+)mm width=([\\d.]+)mm height=([\\d.]+)mm"))
            .match(Said);
    if (!M.hasMatch()) {
      ADD_FAILURE() << "no placement reported: " << Said.toStdString();
      return std::nullopt;
    }
    auto HiMetric = [&M](int I) { return qRound(M.captured(I).toDouble() * 100); };
    Placement = QRect(HiMetric(1), HiMetric(2), HiMetric(3), HiMetric(4));
    return Render(Out, Dir.path());
  }

  QString Queue;
  QString Jobs;
  QString Photo;
  std::unique_ptr<TQvGraphicsDocument> Doc;
};

}  // namespace

TEST_F(CupsPrint, TheJobShowsThePhotoWhereTheDialogPlacedIt) {
  struct Case {
    TSetting Setting;
    const char* What;
    QStringList CliOptions;
  } Cases[] = {
      {TSetting::Centred, "centred", {}},
      {TSetting::Fitted, "fitted", {QStringLiteral("--fit")}},
      {TSetting::Moved, "moved",
       {QStringLiteral("--left"), QStringLiteral("25"), QStringLiteral("--top"), QStringLiteral("40"),
        QStringLiteral("--scale"), QStringLiteral("150")}},
  };
  for (const Case& C : Cases) {
    QRect Dialog;
    const std::optional<TPage> Job = PrintThroughDialog(C.Setting, Dialog);
    ASSERT_TRUE(Job) << C.What;
    // A4 as a PDF page: 595 x 842 points.
    EXPECT_NEAR(Job->Size.width(), 20990, 10) << C.What;
    EXPECT_NEAR(Job->Size.height(), 29704, 10) << C.What;
    ExpectPlacedAt(*Job, Dialog, C.What);

    QRect Cli;
    const std::optional<TPage> Page = PrintThroughCli(C.CliOptions, Cli);
    ASSERT_TRUE(Page) << C.What;
    ExpectPlacedAt(*Page, Cli, C.What);
    // Both pages are A4, so the command line places the photo as the dialog does.
    if (Page->Size == Job->Size) {
      EXPECT_NEAR(Cli.x(), Dialog.x(), 1) << C.What;
      EXPECT_NEAR(Cli.y(), Dialog.y(), 1) << C.What;
      EXPECT_NEAR(Cli.width(), Dialog.width(), 1) << C.What;
      EXPECT_NEAR(Cli.height(), Dialog.height(), 1) << C.What;
    } else {
      ADD_FAILURE() << C.What << ": the PDF page and the queue's page differ in size";
    }
  }
  // The moved placement is the one asked for.
  QRect Moved;
  PrintThroughDialog(TSetting::Moved, Moved);
  EXPECT_EQ(Moved, QRect(2500, 4000, 15240, 11430));
}

TEST_F(CupsPrint, ARefusedJobIsReportedAndTheDialogStaysOpen) {
  auto Run = [](const char* Program, const QString& Queue) {
    QProcess P;
    P.start(QLatin1String(Program), {Queue});
    return P.waitForFinished(30000) && P.exitCode() == 0;
  };
  ASSERT_TRUE(Run("cupsreject", Queue));
  TQvPrinter Printer;
  ASSERT_TRUE(Printer.SetPrinterName(Queue));
  std::unique_ptr<TQvGraphicsPrintForm> Form = OpenDialog(Printer, Doc.get());
  Form->PrintButtonClick();
  EXPECT_TRUE(Run("cupsaccept", Queue));
  ASSERT_EQ(Asked.size(), 1u);
  EXPECT_EQ(Asked[0].Flags, QvMB::MB_OK | QvMB::MB_ICONERROR);
  EXPECT_TRUE(Asked[0].Text.contains(Queue)) << Asked[0].Text.toStdString();
  EXPECT_NE(Form->result(), QvMB::IDOK);
  EXPECT_EQ(Printer.LastJobId(), 0);
}
