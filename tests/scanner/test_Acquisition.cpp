// File › Import against the scanner stack's test backend: the devices it lists, scans that open as
// untitled, modified documents with scanimage's pixels, the dialog's remembered choices, cancel
// and failures that leave neither a document nor a file, and a missing stack.

#include "ScanFixture.h"

#include "MainForm.h"
#include "QvSDF.h"
#include "QvScanDialog.h"

#include <QBuffer>
#include <functional>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

namespace {

const QString TestDevice0 = QStringLiteral("Noname frontend-tester (test:0)");
const QString TestDevice1 = QStringLiteral("Noname frontend-tester (test:1)");

// The first pixel where the document differs from the reference, or "".
std::string FirstDifference(const TQvPixels& P, const TPnm& Ref) {
  for (int Y = 0; Y < Ref.Height; ++Y)
    for (int X = 0; X < Ref.Width; ++X) {
      const std::uint8_t* Got = P.PixelAt(X, Y);
      const std::uint8_t* Want = &Ref.Rgb[(std::size_t(Y) * Ref.Width + X) * 3];
      if (Got[2] != Want[0] || Got[1] != Want[1] || Got[0] != Want[2])
        return "(" + std::to_string(X) + ", " + std::to_string(Y) + "): got " + std::to_string(Got[2]) + "," +
               std::to_string(Got[1]) + "," + std::to_string(Got[0]) + " want " + std::to_string(Want[0]) + "," +
               std::to_string(Want[1]) + "," + std::to_string(Want[2]);
    }
  return {};
}

}  // namespace

TEST_F(ScanWorld, ImportSubmenuListsTheTestDevicesEachTimeItOpens) {
  emit GraphicsEditor->ImportSubmenu->aboutToShow();
  QStringList Names;
  for (QAction* Item : GraphicsEditor->ImportSubmenu->actions()) Names.append(Item->text());
  EXPECT_EQ(Names, (QStringList{TestDevice0, TestDevice1}));
  // The list is the stack's answer now, not one kept from before.
  Configure({QStringLiteral("number_of_devices 1")});
  QStringList Again;
  TWAINComponent->GetSourceList(Again);
  EXPECT_EQ(Again, QStringList{QStringLiteral("Noname frontend-tester")});
}

TEST_F(ScanWorld, ScansOpenUntitledModifiedDocumentsWithScanimagesPixels) {
  struct TCase {
    bool Colour;
    double Dpi;
    QStringList Config;  // further test-backend settings
    QStringList Options;  // the same for scanimage
  };
  const TCase Cases[] = {
      {true, 50, {}, {}},
      {true, 75, {}, {}},
      {false, 50, {}, {}},
      {false, 75, {}, {}},
      // The other kinds of data a scanner may send, each turned into the same 24-bit rows.
      {true, 50, {QStringLiteral("three-pass true")}, {QStringLiteral("--three-pass=yes")}},
      {true, 50, {QStringLiteral("depth 16")}, {QStringLiteral("--depth=16")}},
      {false, 50, {QStringLiteral("depth 1")}, {QStringLiteral("--depth=1")}},
      {false, 50, {QStringLiteral("hand-scanner true")}, {QStringLiteral("--hand-scanner=yes")}},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE((C.Colour ? "colour " : "grey ") + std::to_string(int(C.Dpi)) + " " + C.Config.join(' ').toStdString());
    Configure(C.Config);
    TPnm Ref;
    ASSERT_TRUE(Reference(QStringLiteral("test:0"),
                          QStringList{QStringLiteral("--mode"), C.Colour ? QStringLiteral("Color") : QStringLiteral("Gray"),
                                      QStringLiteral("--resolution"), QString::number(C.Dpi)} +
                              C.Options,
                          Ref));
    // The document of the case before is modified: answered No, it goes without being saved.
    Messages.clear();
    ASSERT_TRUE(ChooseImportItem(TestDevice0));
    ASSERT_TRUE(PressScan(C.Colour, C.Dpi));
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_TRUE(Messages.size() <= 1) << Messages.join('\n').toStdString();
    auto* Doc = GraphicsEditor->ActiveDocument();
    ASSERT_TRUE(Doc);
    EXPECT_TRUE(Doc->FileName.isEmpty());
    EXPECT_TRUE(Doc->Modified());
    ASSERT_EQ(Doc->Pixels()->Width, Ref.Width);
    ASSERT_EQ(Doc->Pixels()->Height, Ref.Height);
    EXPECT_EQ(FirstDifference(*Doc->Pixels(), Ref), "");
    EXPECT_TRUE(TransferFiles().isEmpty()) << TransferFiles().join(' ').toStdString();
    EXPECT_TRUE(GraphicsEditor->FolderFiles().isEmpty());
    EXPECT_FALSE(GraphicsEditor->RecentFiles().contains(QStringLiteral("twn"), Qt::CaseInsensitive));
  }
  // 80 × 100 mm at 75 dpi, as the colour and grey scans above were.
  EXPECT_TRUE(GraphicsEditor->RecentFiles().isEmpty());
}

TEST_F(ScanWorld, AFurtherImageAsksBeforeItReplacesTheAcquiredOne) {
  ASSERT_TRUE(ChooseImportItem(TestDevice0));
  ASSERT_TRUE(PressScan(true, 50));
  ASSERT_TRUE(WaitUntilIdle());
  TQvDocument* First = GraphicsEditor->ActiveDocument();
  ASSERT_TRUE(First);
  // Cancel in the save question keeps the first picture; the second one is dropped with its file.
  MessageAnswer = QvMB::IDCANCEL;
  Messages.clear();
  ASSERT_TRUE(ChooseImportItem(TestDevice1));
  ASSERT_TRUE(PressScan(false, 50));
  ASSERT_TRUE(WaitUntilIdle());
  EXPECT_EQ(Messages.size(), 1);
  EXPECT_EQ(GraphicsEditor->ActiveDocument(), First);
  EXPECT_EQ(GraphicsEditor->DocumentCount(), 1);
  EXPECT_TRUE(TransferFiles().isEmpty());
}

TEST_F(ScanWorld, MenuItemsAreDisabledWhileAnAcquisitionRuns) {
  ASSERT_TRUE(ChooseImportItem(TestDevice0));
  EXPECT_TRUE(TWAINComponent->Acquiring());
  EXPECT_TRUE(GraphicsEditor->ScannerBusy());
  emit GraphicsEditor->ImportSubmenu->aboutToShow();
  ASSERT_EQ(GraphicsEditor->ImportSubmenu->actions().size(), 2);
  for (QAction* Item : GraphicsEditor->ImportSubmenu->actions()) EXPECT_FALSE(Item->isEnabled());
  // Cancel in the dialog before the scan: nothing opens, the items come back.
  ASSERT_TRUE(QTest::qWaitFor([] { return TWAINComponent->Dialog() && TWAINComponent->Dialog()->ScanButton->isEnabled(); }, 30000));
  QTest::mouseClick(TWAINComponent->Dialog()->CancelButton, Qt::LeftButton);
  ASSERT_TRUE(WaitUntilIdle());
  EXPECT_EQ(GraphicsEditor->ActiveDocument(), nullptr);
  for (QAction* Item : GraphicsEditor->ImportSubmenu->actions()) EXPECT_TRUE(Item->isEnabled());
  EXPECT_TRUE(Messages.isEmpty());
}

TEST_F(ScanWorld, CancelDuringTheScanLeavesNoDocumentAndNoFile) {
  // Slow enough to be caught in the middle: small blocks, each one late.
  Configure({QStringLiteral("read-limit true"), QStringLiteral("read-limit-size 2000"),
             QStringLiteral("read-delay true"), QStringLiteral("read-delay-duration 100000")});
  ASSERT_TRUE(ChooseImportItem(TestDevice0));
  ASSERT_TRUE(PressScan(true, 300));
  TQvScanDialog* Dialog = TWAINComponent->Dialog();
  ASSERT_TRUE(QTest::qWaitFor([Dialog] { return Dialog->Progress->value() >= 1; }, 30000));
  EXPECT_LT(Dialog->Progress->value(), 100);
  QTest::mouseClick(Dialog->CancelButton, Qt::LeftButton);
  ASSERT_TRUE(WaitUntilIdle());
  EXPECT_EQ(GraphicsEditor->ActiveDocument(), nullptr);
  EXPECT_TRUE(TransferFiles().isEmpty());
  EXPECT_TRUE(Messages.isEmpty()) << Messages.join('\n').toStdString();
}

TEST_F(ScanWorld, ClosingTheWindowOrTheDocumentDuringTheScanCancelsAndWaits) {
  Configure({QStringLiteral("read-limit true"), QStringLiteral("read-limit-size 2000"),
             QStringLiteral("read-delay true"), QStringLiteral("read-delay-duration 100000")});
  QImage Picture(8, 6, QImage::Format_RGB888);
  Picture.fill(qRgb(1, 2, 3));
  const QString Path = QDir(Config.path()).filePath(QStringLiteral("open.png"));
  ASSERT_TRUE(Picture.save(Path));
  const std::function<void()> Closers[] = {
      [] {
        bool CanClose = true;
        GraphicsEditor->MainFormCloseQuery(MainForm, CanClose);
        EXPECT_TRUE(CanClose);
      },
      [] { GraphicsEditor->CloseCommand(); },
  };
  for (const auto& Close : Closers) {
    TQvDocument* Doc = nullptr;
    ASSERT_TRUE(GraphicsEditor->OpenFile(Path, Doc, false));
    ASSERT_TRUE(ChooseImportItem(TestDevice0));
    ASSERT_TRUE(PressScan(true, 300));
    TQvScanDialog* Dialog = TWAINComponent->Dialog();
    ASSERT_TRUE(QTest::qWaitFor([Dialog] { return Dialog->Progress->value() >= 1; }, 30000));
    Close();
    // No waiting here: closing itself waited for the session thread.
    EXPECT_FALSE(TWAINComponent->Acquiring());
    EXPECT_TRUE(TransferFiles().isEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ(GraphicsEditor->ActiveDocument(), nullptr);
    EXPECT_TRUE(Messages.isEmpty()) << Messages.join('\n').toStdString();
  }
}

TEST_F(ScanWorld, ADeviceThatFailsHalfWayIsReportedAndLeavesNothingBehind) {
  // A stack of the test's own: its one scanner sends half of its lines, then an I/O error.
  TWAINComponent->SetLibraryPath(QStringLiteral(OCUVANE_FAKE_SANE));
  ASSERT_TRUE(ChooseImportItem(QStringLiteral("Fake Breaking scanner")));
  ASSERT_TRUE(QTest::qWaitFor([] { return TWAINComponent->Dialog() && TWAINComponent->Dialog()->ScanButton->isEnabled(); }, 30000));
  // The device offers neither modes nor resolutions nor an area: the dialog has nothing to choose.
  EXPECT_FALSE(TWAINComponent->Dialog()->ModeBox->isEnabled());
  EXPECT_FALSE(TWAINComponent->Dialog()->ResolutionBox->isEnabled());
  QTest::mouseClick(TWAINComponent->Dialog()->ScanButton, Qt::LeftButton);
  ASSERT_TRUE(WaitUntilIdle());
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Messages[0].contains(QStringLiteral("stopped with an error"))) << Messages[0].toStdString();
  EXPECT_TRUE(Messages[0].contains(QStringLiteral("Error during device I/O"))) << Messages[0].toStdString();
  EXPECT_EQ(GraphicsEditor->ActiveDocument(), nullptr);
  EXPECT_TRUE(TransferFiles().isEmpty());
}

TEST_F(ScanWorld, TheLastChoicesPerDeviceAreRememberedInTheSettings) {
  ASSERT_TRUE(ChooseImportItem(TestDevice1));
  ASSERT_TRUE(PressScan(false, 75));
  ASSERT_TRUE(WaitUntilIdle());
  QBuffer Stream;
  Stream.open(QIODevice::WriteOnly);
  {
    TQvSDFWriter Writer(&Stream, false);
    TWAINComponent->SaveSettings(Writer);
  }
  // A new run: the settings read back, and the dialog for that device starts from them.
  TQvTWAIN Fresh;
  TQvSDFReader Reader(Stream.data());
  Fresh.LoadSettings(Reader);
  const TQvScanChoices* Choices = Fresh.RememberedChoices(QStringLiteral("test:1"));
  ASSERT_TRUE(Choices);
  EXPECT_FALSE(Choices->Colour);
  EXPECT_EQ(Choices->Resolution, 75);
  EXPECT_TRUE(Choices->HasArea);
  EXPECT_EQ(Choices->Right, 80);
  EXPECT_EQ(Fresh.RememberedChoices(QStringLiteral("test:0")), nullptr);
  Fresh.TransferFolder = Transfer.path();
  ASSERT_TRUE(Fresh.Acquire(QStringLiteral("test:1")));
  ASSERT_TRUE(QTest::qWaitFor([&Fresh] { return Fresh.Dialog() && Fresh.Dialog()->ScanButton->isEnabled(); }, 30000));
  EXPECT_EQ(Fresh.Dialog()->ModeBox->currentIndex(), 1);
  EXPECT_EQ(Fresh.Dialog()->ResolutionBox->currentData().toDouble(), 75);
  Fresh.CancelAcquisition();
  EXPECT_FALSE(Fresh.Acquiring());
}

TEST_F(ScanWorld, DamagedSettingsAreIgnored) {
  QBuffer Stream;
  Stream.open(QIODevice::WriteOnly);
  {
    TQvSDFWriter Writer(&Stream, false);
    Writer.BeginNode(1, QvSettingsGuid::TWAIN);
    Writer.WriteInteger(1, 1000000);  // far more entries than there are
    Writer.BeginNode(100, 0);
    Writer.WriteWideString(1, QStringLiteral("test:0"));
    Writer.WriteInteger(3, -5);  // a negative resolution
    Writer.EndNode();
    Writer.EndNode();
  }
  TQvTWAIN Fresh;
  TQvSDFReader Reader(Stream.data());
  Fresh.LoadSettings(Reader);
  EXPECT_EQ(Fresh.RememberedChoices(QStringLiteral("test:0")), nullptr);
}

TEST_F(ScanWorld, WithoutTheScannerStackTheSubmenuIsEmptyAndTheEditorWorks) {
  // The variable points the loader at a file that is not there.
  qputenv("OCUVANE_SANE_LIBRARY", QFile::encodeName(QDir(Config.path()).filePath(QStringLiteral("no-such-libsane.so.1"))));
  TWAINComponent->SetLibraryPath(QString());
  emit GraphicsEditor->ImportSubmenu->aboutToShow();
  EXPECT_TRUE(GraphicsEditor->ImportSubmenu->actions().isEmpty());
  EXPECT_FALSE(TWAINComponent->Acquire(QString()));
  EXPECT_FALSE(TWAINComponent->Acquiring());
  // Opening a picture goes on as ever.
  QImage Image(8, 6, QImage::Format_RGB888);
  Image.fill(qRgb(1, 2, 3));
  const QString Path = QDir(Transfer.path()).filePath(QStringLiteral("plain.png"));
  ASSERT_TRUE(Image.save(Path));
  TQvDocument* Doc = nullptr;
  ASSERT_TRUE(GraphicsEditor->OpenFile(Path, Doc, true));
  EXPECT_EQ(Doc->FileName, Path);
  EXPECT_TRUE(Messages.isEmpty());
}
