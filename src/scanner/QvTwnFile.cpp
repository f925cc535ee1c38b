#include "QvTwnFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>

QString TransferFileExtension(int FileFormat) {
  switch (FileFormat) {
    case QvTwnFileFormat::Tiff:
    case QvTwnFileFormat::TiffMulti: return QStringLiteral("tif");
    case QvTwnFileFormat::Pict: return QStringLiteral("pct");
    case QvTwnFileFormat::Bmp: return QStringLiteral("bmp");
    case QvTwnFileFormat::Xbm: return QStringLiteral("xbm");
    case QvTwnFileFormat::Jpeg:
    case QvTwnFileFormat::Jpeg8:
    case QvTwnFileFormat::Jpeg9: return QStringLiteral("jpg");
    case QvTwnFileFormat::FlashPix: return QStringLiteral("fpx");
    case QvTwnFileFormat::Png: return QStringLiteral("png");
    default: return QString();
  }
}

int TransferFileFormatOf(const QString& FileName) {
  const QString Suffix = QFileInfo(FileName).suffix().toLower();
  for (int Format = QvTwnFileFormat::Tiff; Format <= QvTwnFileFormat::Png; ++Format)
    if (!Suffix.isEmpty() && TransferFileExtension(Format) == Suffix) return Format;
  return -1;
}

int CreateTransferFile(const QString& Folder, const QString& Extension, QString& Path, TQvScanMessage& Error) {
  const QString Dir = Folder.isEmpty() ? QDir::tempPath() : Folder;
  int LastError = 0;
  for (int Attempt = 0; Attempt < 100; ++Attempt) {
    const QString Name = QStringLiteral("twn%1.%2")
                             .arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0'))
                             .arg(Extension.toLower());
    const QString Candidate = QDir(Dir).filePath(Name);
    const int Fd = ::open(QFile::encodeName(Candidate).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (Fd >= 0) {
      Path = Candidate;
      return Fd;
    }
    LastError = errno;
    if (LastError != EEXIST) break;
  }
  Error = {5540, QStringLiteral("No temporary file could be created for the scanned image: %s"),
           QString::fromLocal8Bit(std::strerror(LastError))};
  return -1;
}
