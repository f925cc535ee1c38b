#pragma once
// Fixtures for the codec tests: images made in code, files in a temporary folder, and the outside
// tools (Exiv2, exiftool) that check what the codecs wrote.

#include "QvImageCodecs.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

#include <exiv2/exiv2.hpp>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace codecs_test {

// Smooth gradients with a little deterministic texture; distinct enough that any shifted,
// mirrored or swapped row shows.
inline std::unique_ptr<TQvLTBitmap> MakeBitmap(int32_t width, int32_t height) {
  auto bitmap = std::make_unique<TQvLTBitmap>();
  bitmap->Allocate(width, height, PixelFormat24);
  TQvPixels* pixels = bitmap->Pixels();
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      uint8_t* p = pixels->PixelAt(x, y);
      p[ChannelBlue] = uint8_t(x * 255 / std::max(1, width - 1));
      p[ChannelGreen] = uint8_t(y * 255 / std::max(1, height - 1));
      p[ChannelRed] = uint8_t((x + y) * 255 / std::max(1, width + height - 2));
    }
  return bitmap;
}

inline std::unique_ptr<TQvLTBitmap> MakeSolid(int32_t width, int32_t height, uint8_t red, uint8_t green, uint8_t blue) {
  auto bitmap = std::make_unique<TQvLTBitmap>();
  bitmap->Allocate(width, height, PixelFormat24);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) MakeColor(red, green, blue, bitmap->Pixels()->PixelAt(x, y));
  return bitmap;
}

// "" when equal, else where they first differ.
inline std::string FirstDifference(const TQvPixels& a, const TQvPixels& b, int tolerance = 0) {
  if (a.Width != b.Width || a.Height != b.Height)
    return "size " + std::to_string(a.Width) + "x" + std::to_string(a.Height) + " vs " + std::to_string(b.Width) +
           "x" + std::to_string(b.Height);
  for (int32_t y = 0; y < a.Height; ++y)
    for (int32_t x = 0; x < a.Width; ++x)
      for (int c = 0; c < 3; ++c) {
        const int d = int(a.PixelAt(x, y)[c]) - int(b.PixelAt(x, y)[c]);
        if (d > tolerance || -d > tolerance)
          return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") channel " + std::to_string(c) + ": " +
                 std::to_string(a.PixelAt(x, y)[c]) + " vs " + std::to_string(b.PixelAt(x, y)[c]);
      }
  return "";
}

// Mean absolute difference over all channels, for lossy formats.
inline double MeanDifference(const TQvPixels& a, const TQvPixels& b) {
  if (a.Width != b.Width || a.Height != b.Height || a.Width == 0) return 1e9;
  double sum = 0;
  for (int32_t y = 0; y < a.Height; ++y)
    for (int32_t x = 0; x < a.Width; ++x)
      for (int c = 0; c < 3; ++c) sum += std::abs(int(a.PixelAt(x, y)[c]) - int(b.PixelAt(x, y)[c]));
  return sum / (double(a.Width) * a.Height * 3);
}

inline uint32_t PixelAt(const TQvLTBitmap& bitmap, int32_t x, int32_t y) {
  return PixelColor(bitmap.Pixels()->PixelAt(x, y));
}

struct TLoaded {
  TQvLTBitmap Image;
  TQvImageProperties Properties;
  TQvPixelFormat SourceFormat = 0;
  int32_t FormatId = -2;
  QString Error;
  bool Ok = false;
};

inline std::unique_ptr<TLoaded> Load(const QString& fileName) {
  auto loaded = std::make_unique<TLoaded>();
  TQvLoadTarget target;
  target.Image = &loaded->Image;
  target.Properties = &loaded->Properties;
  loaded->Ok = LoadImageFile(target, fileName, loaded->FormatId, loaded->Error);
  loaded->SourceFormat = target.SourceFormat;
  return loaded;
}

inline bool Save(const TQvLTBitmap& bitmap, TQvImageProperties& properties, const QString& fileName,
                 int32_t formatId, QString* error = nullptr, int32_t quality = 90) {
  TQvSaveSource source;
  source.Pixels = bitmap.Pixels();
  source.Properties = &properties;
  source.AskJpegQuality = [quality](int32_t& q) {
    q = quality;
    return true;
  };
  QString message;
  const bool ok = SaveImageFile(source, fileName, formatId, message);
  if (error) *error = message;
  return ok;
}

inline QByteArray ReadBytes(const QString& fileName) {
  QFile file(fileName);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void WriteBytes(const QString& fileName, const QByteArray& bytes) {
  QFile file(fileName);
  if (file.open(QIODevice::WriteOnly)) file.write(bytes);
}

// Adds EXIF tags (Exiv2 key -> value text) to an existing file, the way a camera or another
// program would have written them.
inline void AddExif(const QString& fileName, const std::vector<std::pair<std::string, std::string>>& tags,
                    const QByteArray& thumbnailJpeg = QByteArray()) {
  Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(fileName.toStdString());
  image->readMetadata();
  Exiv2::ExifData& exif = image->exifData();
  for (const auto& [key, value] : tags) exif[key] = value;
  if (!thumbnailJpeg.isEmpty()) {
    Exiv2::ExifThumb thumbnail(exif);
    thumbnail.setJpegThumbnail(reinterpret_cast<const Exiv2::byte*>(thumbnailJpeg.constData()), long(thumbnailJpeg.size()));
  }
  image->writeMetadata();
}

// exiftool's view of some tags ("-s -s -s" values, one a line), or empty when it is not installed.
inline std::map<std::string, std::string> Exiftool(const QString& fileName, const QStringList& tags) {
  std::map<std::string, std::string> values;
  const QString program = QStandardPaths::findExecutable(QStringLiteral("exiftool"));
  if (program.isEmpty()) return values;
  QStringList arguments{QStringLiteral("-s"), QStringLiteral("-n")};
  for (const QString& tag : tags) arguments << QStringLiteral("-") + tag;
  arguments << fileName;
  QProcess process;
  process.start(program, arguments);
  process.waitForFinished(30000);
  for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
    const int colon = line.indexOf(':');
    if (colon > 0) values[line.left(colon).trimmed().toStdString()] = line.mid(colon + 1).trimmed().toStdString();
  }
  return values;
}

}  // namespace codecs_test
