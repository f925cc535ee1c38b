// The Print dialog over a PDF printer with a known page: its fields, options and the print itself.
#include "PrintFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPrinter>
#include <QtTest/QTest>

#include <functional>

namespace {

// A4, 600 dpi, margins 10 mm left, 15 mm top, 20 mm right, 25 mm bottom.
void SetUpPage(TQvPrinter& Printer, QPageLayout::Orientation Orientation = QPageLayout::Portrait) {
  Printer.Printer().setResolution(600);
  Printer.Printer().setPageLayout(QPageLayout(QPageSize(QPageSize::A4), Orientation, QMarginsF(10, 15, 20, 25),
                                              QPageLayout::Millimeter));
}

const QString NoFitQuestion = QStringLiteral("The image does not fit in the printable area of the page.");

class PrintDialog : public PrintWorld {
 protected:
  void SetUp() override {
    PrintWorld::SetUp();
    Output = Dir.filePath(QStringLiteral("page.pdf"));
    Printer = std::make_unique<TQvPrinter>();
    Printer->SetPdfOutput(Output);
    SetUpPage(*Printer);
    Doc = MakeDocument(1200, 900, 300, 300);
    Form = OpenDialog(*Printer, Doc.get());
    Form->show();
  }
  void TearDown() override {
    Form.reset();
    Doc.reset();
    Printer.reset();
    PrintWorld::TearDown();
  }

  // Replaces the field's text key by key, through the dialog's key filter, and leaves the field.
  void Type(QLineEdit* Edit, const QString& Keys) {
    Edit->setFocus();
    Edit->selectAll();
    QTest::keyClicks(Edit, Keys);
  }
  bool Printed() const { return QFileInfo(Output).size() > 0; }
  QPoint Corner() const { return Form->Placement().PageCorner(); }
  const TQvPrintPlacement& P() const { return Form->Placement(); }

  QString Output;
  std::unique_ptr<TQvPrinter> Printer;
  std::unique_ptr<TQvGraphicsDocument> Doc;
  std::unique_ptr<TQvGraphicsPrintForm> Form;
};

}  // namespace

TEST_F(PrintDialog, StartsCentredAtTheNaturalSize) {
  EXPECT_EQ(P().FWidth, 10160);
  EXPECT_EQ(P().FHeight, 7620);
  EXPECT_EQ(Form->WidthEdit->text(), QStringLiteral("10.16"));
  EXPECT_EQ(Form->HeightEdit->text(), QStringLiteral("7.62"));
  EXPECT_EQ(Form->ScaleEdit->text(), QStringLiteral("100%"));
  // A4 is 595 x 842 points on a PDF page: 209.90 x 297.04 mm.
  EXPECT_NEAR(Corner().x(), 20990, 2);
  EXPECT_NEAR(Corner().y(), 29704, 2);
  EXPECT_EQ(P().FLeft, (Corner().x() - 10160) / 2);
  EXPECT_EQ(P().FTop, (Corner().y() - 7620) / 2);
  EXPECT_EQ(Form->LeftEdit->text(), FormatPrintLength(P().FLeft, puCentimetre));
  EXPECT_FALSE(Form->CenterImageCheckBox->isChecked());
  EXPECT_FALSE(Form->ScaleToFitMediaCheckBox->isChecked());
  for (QComboBox* Box : {Form->LeftUnitsComboBox, Form->TopUnitsComboBox, Form->WidthUnitsComboBox,
                         Form->HeightUnitsComboBox})
    EXPECT_EQ(Box->currentIndex(), puCentimetre);
  EXPECT_EQ(Form->LeftUnitsComboBox->itemText(puInch), QStringLiteral("in."));
}

TEST_F(PrintDialog, TypingTheScaleResizesBothSides) {
  struct Case {
    const char* Keys;
    int Width, Height;
  } Cases[] = {{"50", 5080, 3810}, {"50%", 5080, 3810}, {"25.5", 2591, 1943}, {"200%", 20320, 15240}};
  for (const Case& C : Cases) {
    Type(Form->ScaleEdit, QLatin1String(C.Keys));
    EXPECT_EQ(P().FWidth, C.Width) << C.Keys;
    EXPECT_EQ(P().FHeight, C.Height) << C.Keys;
    EXPECT_EQ(Form->WidthEdit->text(), FormatPrintLength(C.Width, puCentimetre));
  }
  // A digit changed in front of the percent sign still counts.
  Type(Form->ScaleEdit, QStringLiteral("50%"));
  QTest::keyClick(Form->ScaleEdit, Qt::Key_Home);
  QTest::keyClick(Form->ScaleEdit, Qt::Key_Delete);
  QTest::keyClicks(Form->ScaleEdit, QStringLiteral("7"));
  EXPECT_EQ(Form->ScaleEdit->text(), QStringLiteral("70%"));
  EXPECT_EQ(P().FWidth, 7112);
  // Nothing but a digit goes behind the sign... and not even that.
  QTest::keyClick(Form->ScaleEdit, Qt::Key_End);
  QTest::keyClicks(Form->ScaleEdit, QStringLiteral("5x"));
  EXPECT_EQ(Form->ScaleEdit->text(), QStringLiteral("70%"));
}

TEST_F(PrintDialog, ScaleToFitMediaTakesOverPlacementAndSize) {
  Form->ScaleToFitMediaCheckBox->setChecked(true);
  EXPECT_TRUE(Form->CenterImageCheckBox->isChecked());
  EXPECT_FALSE(Form->CenterImageCheckBox->isEnabled());
  for (QLineEdit* Edit : {Form->LeftEdit, Form->TopEdit, Form->ScaleEdit, Form->WidthEdit, Form->HeightEdit})
    EXPECT_FALSE(Edit->isEnabled()) << Edit->objectName().toStdString();
  TQvPrintPlacement Expected;
  Expected.SetGeometry(Printer->Geometry());
  Expected.SetImage(1200, 900, 300, 300);
  Expected.ScaleToFit();
  EXPECT_EQ(QRect(P().FLeft, P().FTop, P().FWidth, P().FHeight),
            QRect(Expected.FLeft, Expected.FTop, Expected.FWidth, Expected.FHeight));
  // The wider side margin (20 mm, 57 points) on both sides of the 595-point sheet.
  EXPECT_NEAR(P().FWidth, 16968, 20);
  EXPECT_EQ(Form->ScaleEdit->text(), FormatPrintScale(P().Scale()));
  EXPECT_TRUE(P().FitsPrintableArea());

  Form->ScaleToFitMediaCheckBox->setChecked(false);
  EXPECT_TRUE(Form->CenterImageCheckBox->isEnabled());
  EXPECT_TRUE(Form->CenterImageCheckBox->isChecked());
  EXPECT_FALSE(Form->LeftEdit->isEnabled());
  EXPECT_TRUE(Form->WidthEdit->isEnabled());
  EXPECT_TRUE(Form->ScaleEdit->isEnabled());
}

TEST_F(PrintDialog, AWidthChangeKeepsTheImageCentredAndInProportion) {
  Form->CenterImageCheckBox->setChecked(true);
  EXPECT_FALSE(Form->LeftEdit->isEnabled());
  Type(Form->WidthEdit, QStringLiteral("5.08"));
  EXPECT_EQ(P().FWidth, 5080);
  EXPECT_EQ(P().FHeight, 3810);
  EXPECT_EQ(Form->HeightEdit->text(), QStringLiteral("3.81"));
  EXPECT_EQ(P().FLeft, (Corner().x() - 5080) / 2);
  EXPECT_EQ(P().FTop, (Corner().y() - 3810) / 2);
  EXPECT_EQ(Form->LeftEdit->text(), FormatPrintLength(P().FLeft, puCentimetre));
  Type(Form->HeightEdit, QStringLiteral("15.24"));
  EXPECT_EQ(P().FWidth, 20320);
  EXPECT_EQ(P().FLeft, (Corner().x() - 20320) / 2);
}

TEST_F(PrintDialog, APlacementOffThePrintableAreaAsksFirst) {
  Type(Form->LeftEdit, QStringLiteral("-1"));
  EXPECT_EQ(P().FLeft, -1000);
  Answer = QvMB::IDNO;
  Form->PrintButtonClick();
  ASSERT_EQ(Asked.size(), 1u);
  EXPECT_TRUE(Asked[0].Text.startsWith(NoFitQuestion));
  EXPECT_EQ(Asked[0].Flags, QvMB::MB_YESNO | QvMB::MB_ICONQUESTION);
  EXPECT_EQ(Asked[0].Caption, Form->windowTitle());
  EXPECT_FALSE(Printed());
  EXPECT_NE(Form->result(), QvMB::IDOK);
  // It fits, so No only moves it to the printable area's corner, the size unchanged.
  EXPECT_EQ(QPoint(P().FLeft, P().FTop), P().PrintableOrigin());
  EXPECT_NEAR(P().FLeft, 1000, 20);  // 10 mm in whole points
  EXPECT_EQ(P().FWidth, 10160);
  EXPECT_EQ(Form->LeftEdit->text(), FormatPrintLength(P().FLeft, puCentimetre));

  Form->PrintButtonClick();  // fits now: no question
  EXPECT_EQ(Asked.size(), 1u);
  EXPECT_TRUE(Printed());
  EXPECT_EQ(Form->result(), QvMB::IDOK);
}

TEST_F(PrintDialog, NoToALargeImageScalesItToFit) {
  Type(Form->WidthEdit, QStringLiteral("50"));
  Answer = QvMB::IDNO;
  Form->PrintButtonClick();
  ASSERT_EQ(Asked.size(), 1u);
  EXPECT_FALSE(Printed());
  EXPECT_TRUE(P().FitsPrintableArea());
  EXPECT_NEAR(P().FWidth, 16968, 20);
}

TEST_F(PrintDialog, YesPrintsOffTheArea) {
  Type(Form->TopEdit, QStringLiteral("-2"));
  Answer = QvMB::IDYES;
  Form->PrintButtonClick();
  EXPECT_EQ(Asked.size(), 1u);
  EXPECT_TRUE(Printed());
  EXPECT_EQ(Form->result(), QvMB::IDOK);
}

TEST_F(PrintDialog, AnEmptySizeRefusesToPrint) {
  // A pasted word becomes "0" on leaving the field, and a size of 0 would print a blank page.
  Form->WidthEdit->setText(QStringLiteral("abc"));
  Form->EditExit(Form->WidthEdit);
  EXPECT_EQ(Form->WidthEdit->text(), QStringLiteral("0"));
  EXPECT_EQ(P().FWidth, 0);
  EXPECT_EQ(P().FHeight, 0);
  Form->PrintButtonClick();
  ASSERT_EQ(Asked.size(), 1u);
  EXPECT_TRUE(Asked[0].Text.contains(QStringLiteral("no width or height")));
  EXPECT_FALSE(Printed());
  EXPECT_NE(Form->result(), QvMB::IDOK);
}

TEST_F(PrintDialog, AScaleThatIsNoNumberKeepsTheSize) {
  Type(Form->ScaleEdit, QStringLiteral("50"));
  Form->ScaleEdit->setText(QStringLiteral("x%"));
  Form->EditExit(Form->ScaleEdit);
  EXPECT_EQ(Form->ScaleEdit->text(), QStringLiteral("50%"));
  EXPECT_EQ(P().FWidth, 5080);
  Form->ScaleEdit->clear();
  Form->EditExit(Form->ScaleEdit);
  EXPECT_EQ(Form->ScaleEdit->text(), QStringLiteral("50%"));
  Form->ScaleEdit->setText(QStringLiteral("0"));
  Form->EditExit(Form->ScaleEdit);
  EXPECT_EQ(Form->ScaleEdit->text(), QStringLiteral("1%"));
  EXPECT_EQ(P().FWidth, 102);
}

TEST_F(PrintDialog, AFailedJobIsReportedAndTheDialogStays) {
  Printer->SetPdfOutput(Dir.filePath(QStringLiteral("missing/folder/page.pdf")));
  Form->PrintButtonClick();
  ASSERT_EQ(Asked.size(), 1u);
  EXPECT_EQ(Asked[0].Flags, QvMB::MB_OK | QvMB::MB_ICONERROR);
  EXPECT_TRUE(Asked[0].Text.contains(QStringLiteral("page.pdf")));
  EXPECT_NE(Form->result(), QvMB::IDOK);
}

TEST_F(PrintDialog, LengthsAreHeldWithinTenMetres) {
  Type(Form->WidthEdit, QStringLiteral("123456789"));
  EXPECT_EQ(P().FWidth, MaxPrintLength);
  Form->EditExit(Form->WidthEdit);
  EXPECT_EQ(Form->WidthEdit->text(), QStringLiteral("1000"));
  Type(Form->ScaleEdit, QStringLiteral("99999999"));
  EXPECT_LE(P().FWidth, MaxPrintLength);
  EXPECT_LE(P().FHeight, MaxPrintLength);
}

TEST_F(PrintDialog, AnotherUnitShowsTheSameLength) {
  struct Case {
    int Unit;
    const char* Width;
  } Cases[] = {{puMillimetre, "101.6"}, {puInch, "4"}, {puPoint, "288"}, {puCentimetre, "10.16"}};
  for (const Case& C : Cases) {
    Form->WidthUnitsComboBox->setCurrentIndex(C.Unit);
    EXPECT_EQ(Form->WidthEdit->text(), QLatin1String(C.Width));
    EXPECT_EQ(P().FWidth, 10160);
  }
  Form->WidthUnitsComboBox->setCurrentIndex(puInch);
  Type(Form->WidthEdit, QStringLiteral("2"));
  EXPECT_EQ(P().FWidth, 5080);
}

TEST_F(PrintDialog, TheUsersDecimalSeparatorIsTyped) {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  Type(Form->WidthEdit, QStringLiteral("5.08"));
  EXPECT_EQ(Form->WidthEdit->text(), QStringLiteral("5,08"));
  EXPECT_EQ(P().FWidth, 5080);
  EXPECT_EQ(Form->HeightEdit->text(), QStringLiteral("3,81"));
}

TEST_F(PrintDialog, ImperialUnitsSelectInches) {
  TQvGraphicsPrintForm::MeasurementSystem = [] { return QLocale::ImperialUSSystem; };
  std::unique_ptr<TQvGraphicsPrintForm> Imperial = OpenDialog(*Printer, Doc.get());
  for (QComboBox* Box : {Imperial->LeftUnitsComboBox, Imperial->TopUnitsComboBox, Imperial->WidthUnitsComboBox,
                         Imperial->HeightUnitsComboBox})
    EXPECT_EQ(Box->currentIndex(), puInch);
  EXPECT_EQ(Imperial->WidthEdit->text(), QStringLiteral("4"));
  EXPECT_EQ(Imperial->HeightEdit->text(), QStringLiteral("3"));
}

namespace {
// A printer set-up dialog whose user makes the given change and confirms.
class TSetUpForm : public TQvGraphicsPrintForm {
 public:
  using TQvGraphicsPrintForm::TQvGraphicsPrintForm;
  std::function<void()> Change;

 protected:
  bool ExecutePrinterDialog() override {
    Change();
    return true;
  }
};
}  // namespace

TEST_F(PrintDialog, AChangedPageIsFittedAgain) {
  std::unique_ptr<TSetUpForm> Landscape(CreateInitialized<TSetUpForm>(nullptr, Printer.get()));
  Landscape->Change = [this] { SetUpPage(*Printer, QPageLayout::Landscape); };
  Landscape->SetDocument(Doc.get());
  Landscape->ScaleToFitMediaCheckBox->setChecked(true);
  const int PortraitWidth = Landscape->Placement().FWidth;
  Landscape->PrinterButtonClick();
  EXPECT_GT(Landscape->Placement().FWidth, PortraitWidth);
  EXPECT_NEAR(Landscape->Placement().PageCorner().x(), 29704, 2);
  EXPECT_TRUE(Landscape->Placement().FitsPrintableArea());
}

TEST_F(PrintDialog, PrintToFileFromTheSetUpDialogWritesThatFile) {
  const QString Other = Dir.filePath(QStringLiteral("chosen.pdf"));
  std::unique_ptr<TSetUpForm> ToFile(CreateInitialized<TSetUpForm>(nullptr, Printer.get()));
  ToFile->Change = [this, &Other] { Printer->Printer().setOutputFileName(Other); };
  ToFile->SetDocument(Doc.get());
  ToFile->PrinterButtonClick();
  ToFile->PrintButtonClick();
  EXPECT_TRUE(Asked.empty());
  EXPECT_EQ(ToFile->result(), QvMB::IDOK);
  EXPECT_GT(QFileInfo(Other).size(), 0);
  EXPECT_FALSE(Printed());
}
