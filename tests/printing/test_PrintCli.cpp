// ocuvane-cli print without a spooler: its usage errors, and a PDF written in place of an old one.
#include "PrintFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>

namespace {

struct TCliRun {
  int Code = -1;
  QString Out, Err;
};

TCliRun RunPrint(const QStringList& Args) {
  QProcess P;
  P.start(QCoreApplication::applicationDirPath() + QStringLiteral("/ocuvane-cli"), QStringList{QStringLiteral("print")} + Args);
  TCliRun R;
  if (!P.waitForFinished(120000)) return R;
  R.Code = P.exitStatus() == QProcess::NormalExit ? P.exitCode() : -2;
  R.Out = QString::fromLocal8Bit(P.readAllStandardOutput());
  R.Err = QString::fromLocal8Bit(P.readAllStandardError());
  return R;
}

QString Photo() { return QStringLiteral(OCUVANE_SOURCE_DIR "/data/Images/red-eyes.jpg"); }

}  // namespace

TEST_F(PrintWorld, CliRefusesWhatCannotBePrinted) {
  const QString Pdf = Dir.filePath(QStringLiteral("out.pdf"));
  struct Case {
    QStringList Args;
    int Code;
    const char* Says;
  } Cases[] = {
      {{Photo()}, 2, "one of --printer NAME and --pdf"},
      {{Photo(), QStringLiteral("--pdf"), Pdf, QStringLiteral("--printer"), QStringLiteral("x")}, 2, "one of --printer"},
      {{Photo(), QStringLiteral("--printer"), QStringLiteral("nowhere")}, 2, "no printer \"nowhere\""},
      {{Photo(), QStringLiteral("--pdf"), Pdf, QStringLiteral("--width"), QStringLiteral("0")}, 2, "no width or height"},
      {{Photo(), QStringLiteral("--pdf"), Pdf, QStringLiteral("--width"), QStringLiteral("5"), QStringLiteral("--scale"),
        QStringLiteral("50")}, 2, "one of --width, --height and --scale"},
      {{Photo(), QStringLiteral("--pdf"), Pdf, QStringLiteral("--fit"), QStringLiteral("--height"), QStringLiteral("5")},
       2, "--fit chooses the size"},
      {{Photo(), QStringLiteral("--pdf"), Pdf, QStringLiteral("--left"), QStringLiteral("5")}, 2, "go together"},
      {{Photo(), QStringLiteral("--pdf"), Pdf, QStringLiteral("--scale"), QStringLiteral("0")}, 2, "from 1 to 10000"},
      {{Photo(), QStringLiteral("--pdf"), Pdf, QStringLiteral("--units"), QStringLiteral("ft")}, 2, "mm, cm, in or pt"},
      {{Photo(), QStringLiteral("--pdf"), Pdf, QStringLiteral("--width"), QStringLiteral("1,5")}, 2, "needs a number"},
      {{Photo(), QStringLiteral("--pdf"), Photo()}, 2, "OUT must not be IN"},
      {{Dir.filePath(QStringLiteral("missing.jpg")), QStringLiteral("--pdf"), Pdf}, 1, "no such file"},
      {{Photo(), QStringLiteral("--pdf"), Dir.filePath(QStringLiteral("no/folder/out.pdf"))}, 1, "could not be written"},
  };
  for (const Case& C : Cases) {
    const TCliRun R = RunPrint(C.Args);
    EXPECT_EQ(R.Code, C.Code) << C.Args.join(QLatin1Char(' ')).toStdString() << ": " << R.Err.toStdString();
    EXPECT_TRUE(R.Err.contains(QLatin1String(C.Says))) << R.Err.toStdString();
    EXPECT_EQ(R.Err.count(QLatin1Char('\n')), 1) << R.Err.toStdString();
  }
  EXPECT_FALSE(QFile::exists(Pdf));
}

TEST_F(PrintWorld, CliReplacesAnOldPdfOnlyWhenItPrinted) {
  const QString Pdf = Dir.filePath(QStringLiteral("out.pdf"));
  {
    QFile Old(Pdf);
    ASSERT_TRUE(Old.open(QIODevice::WriteOnly));
    Old.write("old");
  }
  // A photo that cannot be read leaves the old file alone.
  const QString Broken = Dir.filePath(QStringLiteral("broken.jpg"));
  {
    QFile B(Broken);
    ASSERT_TRUE(B.open(QIODevice::WriteOnly));
    B.write("\xff\xd8\xff\xe0 not really");
  }
  TCliRun R = RunPrint({Broken, QStringLiteral("--pdf"), Pdf});
  EXPECT_EQ(R.Code, 1) << R.Err.toStdString();
  QFile Kept(Pdf);
  ASSERT_TRUE(Kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(Kept.readAll(), QByteArray("old"));
  Kept.close();

  R = RunPrint({Photo(), QStringLiteral("--pdf"), Pdf, QStringLiteral("--units"), QStringLiteral("in"),
                QStringLiteral("--width"), QStringLiteral("2")});
  ASSERT_EQ(R.Code, 0) << R.Err.toStdString();
  EXPECT_TRUE(R.Out.contains(QStringLiteral("width=50.80mm"))) << R.Out.toStdString();
  QFile New(Pdf);
  ASSERT_TRUE(New.open(QIODevice::ReadOnly));
  EXPECT_TRUE(New.readAll().startsWith("%PDF-"));
  // No temporary file is left beside it.
  EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}
