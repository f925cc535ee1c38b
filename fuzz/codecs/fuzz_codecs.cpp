// Writes the input to a scratch file and opens, describes and thumbnails it; a JPEG the lossless
// engine takes is also saved through it with a small changed corner, so the coefficient copy and
// the marker rewriting see the same bytes. Any crash, leak or undefined behaviour is a finding;
// failures to open are the expected outcome for most inputs.

#include "QvImageCodecs.h"
#include "QvVJPEG.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
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
  const std::unique_ptr<IVJPEG> engine = CreateVJPEGObject();
  target.Engine = engine.get();
  int32_t formatId = 0;
  QString error;
  if (LoadImageFile(target, fileName, formatId, error) && engine->IsLoaded() && image.Pixels()) {
    const TQvPixels* pixels = image.Pixels();
    TQvSaveSource source;
    source.Pixels = pixels;
    source.Properties = &properties;
    source.Engine = engine.get();
    source.ChangedRects = {TRect{0, 0, std::min(pixels->Width, 9), std::min(pixels->Height, 9)}};
    SaveImageFile(source, dir.filePath(QStringLiteral("saved.jpg")), QvFormatId::Jpeg, error);
  }
  DescribeImageFile(fileName);
  CreateThumbnail(fileName, 64, 48);
  return 0;
}
