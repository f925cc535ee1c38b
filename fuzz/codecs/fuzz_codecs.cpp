// Writes the input to a scratch file and opens, describes and thumbnails it. Any crash, leak or
// undefined behaviour is a finding; failures to open are the expected outcome for most inputs.

#include "QvImageCodecs.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static QTemporaryDir dir;
  const QString fileName = dir.filePath(QStringLiteral("input"));
  {
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) return 0;
    file.write(reinterpret_cast<const char*>(data), qint64(size));
  }
  TQvLTBitmap image;
  TQvImageProperties properties;
  TQvLoadTarget target;
  target.Image = &image;
  target.Properties = &properties;
  int32_t formatId = 0;
  QString error;
  LoadImageFile(target, fileName, formatId, error);
  DescribeImageFile(fileName);
  CreateThumbnail(fileName, 64, 48);
  return 0;
}
