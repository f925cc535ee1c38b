#include "ScanFixture.h"

#include "MainForm.h"
#include "QvScanDialog.h"
#include "QvScrollTool.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTest>

bool TPnm::Parse(const QByteArray& Data) {
  // Header: magic, width, height and (not for P4) the largest sample, separated by white space and
  // comments; then one white-space byte and the samples.
  int Pos = 0;
  auto Token = [&]() -> QByteArray {
    for (;;) {
      while (Pos < Data.size() && QChar::isSpace(Data[Pos])) ++Pos;
      if (Pos < Data.size() && Data[Pos] == '#') {
        while (Pos < Data.size() && Data[Pos] != '\n') ++Pos;
        continue;
      }
      break;
    }
    const int Start = Pos;
    while (Pos < Data.size() && !QChar::isSpace(Data[Pos])) ++Pos;
    return Data.mid(Start, Pos - Start);
  };
  const QByteArray Magic = Token();
  Width = Token().toInt();
  Height = Token().toInt();
  const int MaxValue = Magic == "P4" ? 1 : Token().toInt();
  ++Pos;
  if (Width <= 0 || Height <= 0 || (MaxValue != 1 && MaxValue != 255 && MaxValue != 65535)) return false;
  const auto* P = reinterpret_cast<const std::uint8_t*>(Data.constData()) + Pos;
  const qint64 Left = Data.size() - Pos;
  Rgb.assign(std::size_t(Width) * Height * 3, 0);
  const int Wide = MaxValue == 65535 ? 2 : 1;
  if (Magic == "P4") {
    const qint64 Row = (Width + 7) / 8;
    if (Left < Row * Height) return false;
    for (int Y = 0; Y < Height; ++Y)
      for (int X = 0; X < Width; ++X) {
        const bool Black = (P[Y * Row + X / 8] >> (7 - X % 8)) & 1;
        std::fill_n(&Rgb[(std::size_t(Y) * Width + X) * 3], 3, Black ? 0 : 255);
      }
    return true;
  }
  const int Channels = Magic == "P6" ? 3 : Magic == "P5" ? 1 : 0;
  if (!Channels || Left < qint64(Width) * Height * Channels * Wide) return false;
  for (qint64 I = 0; I < qint64(Width) * Height; ++I)
    for (int C = 0; C < 3; ++C) Rgb[I * 3 + C] = P[(I * Channels + (Channels == 3 ? C : 0)) * Wide];  // big-endian: high byte first
  return true;
}

void ScanWorld::SetUp() {
  ASSERT_TRUE(Config.isValid() && Transfer.isValid());
  Configure();
  qputenv("SANE_CONFIG_DIR", QFile::encodeName(Config.path()));
  ASSERT_EQ(Application, nullptr);
  App = std::make_unique<TQvApplication>();
  App->SetMessageBoxHandler([this](const QString& Text, const QString&, int) {
    Messages.append(Text);
    return MessageAnswer;
  });
  App->CreateModule(GraphicsEditor);
  if (!ScrollTool) App->CreateModule(ScrollTool);
  App->CreateModule(TWAINComponent);
  GraphicsEditor->SetScanner(TWAINComponent, TWAINComponent);
  TWAINComponent->TransferFolder = Transfer.path();
  MainForm->resize(700, 500);
  MainForm->show();
}

void ScanWorld::TearDown() {
  qunsetenv("OCUVANE_SANE_LIBRARY");
  App.reset();
  GraphicsEditor = nullptr;
  TWAINComponent = nullptr;
}

void ScanWorld::Configure(const QStringList& Lines) {
  QFile Dll(QDir(Config.path()).filePath(QStringLiteral("dll.conf")));
  ASSERT_TRUE(Dll.open(QIODevice::WriteOnly));
  Dll.write("test\n");
  QFile Test(QDir(Config.path()).filePath(QStringLiteral("test.conf")));
  ASSERT_TRUE(Test.open(QIODevice::WriteOnly));
  Test.write("number_of_devices 2\ntest-picture \"Color pattern\"\n");
  for (const QString& L : Lines) Test.write(L.toUtf8() + '\n');
}

bool ScanWorld::ChooseImportItem(const QString& Source) {
  emit GraphicsEditor->ImportSubmenu->aboutToShow();
  for (QAction* Item : GraphicsEditor->ImportSubmenu->actions())
    if (Item->text() == Source) {
      if (!Item->isEnabled()) return false;
      Item->trigger();
      return true;
    }
  return false;
}

bool ScanWorld::PressScan(bool Colour, double Dpi) {
  if (!QTest::qWaitFor([] { return TWAINComponent->Dialog() && TWAINComponent->Dialog()->ScanButton->isEnabled(); },
                       30000))
    return false;
  TQvScanDialog* Dialog = TWAINComponent->Dialog();
  Dialog->ModeBox->setCurrentIndex(Colour ? 0 : 1);
  const int Index = Dialog->ResolutionBox->findData(Dpi);
  if (Index < 0) return false;
  Dialog->ResolutionBox->setCurrentIndex(Index);
  QTest::mouseClick(Dialog->ScanButton, Qt::LeftButton);
  return true;
}

bool ScanWorld::WaitUntilIdle() {
  return QTest::qWaitFor([] { return !TWAINComponent->Acquiring(); }, 60000);
}

bool ScanWorld::Reference(const QString& Device, const QStringList& Options, TPnm& Picture) {
  QProcess Scan;
  QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
  Env.insert(QStringLiteral("SANE_CONFIG_DIR"), Config.path());
  Scan.setProcessEnvironment(Env);
  Scan.start(QStringLiteral(OCUVANE_SCANIMAGE),
             QStringList{QStringLiteral("-d"), Device, QStringLiteral("--format=pnm")} + Options);
  if (!Scan.waitForFinished(60000) || Scan.exitCode() != 0) {
    ADD_FAILURE() << "scanimage: " << Scan.readAllStandardError().toStdString();
    return false;
  }
  return Picture.Parse(Scan.readAllStandardOutput());
}

QStringList ScanWorld::TransferFiles() const { return QDir(Transfer.path()).entryList(QDir::Files | QDir::Hidden); }
