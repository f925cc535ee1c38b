// What the open dialog shows beside a file: its description and a thumbnail. Thumbnails are made on
// the dialog's preview thread: nothing here touches a widget or the localizer.

#include "QvImageCodecs.h"

#include "QvCodecInternal.h"
#include "QvCodecStrings.h"

#include <QPainter>

#include <cmath>
#include <cstring>

namespace {

// Enough for the markers of a JPEG up to its first scan in nearly every camera file (EXIF with its
// thumbnail is at most 64 KB).
constexpr uint64_t JpegHeadBytes = 256 * 1024;

bool ReadHeader(TQvFileKind kind, const uint8_t* data, uint64_t size, TQvImageHeader& header) {
  switch (kind) {
    case TQvFileKind::Jpeg: return JpegReadHeader(data, size, header);
    case TQvFileKind::Png: return PngReadHeader(data, size, header);
    case TQvFileKind::Tiff: return TiffReadHeader(data, size, header);
    case TQvFileKind::Bmp: return BmpReadHeader(data, size, header);
    case TQvFileKind::Unknown: break;
  }
  return false;
}

// "EXIF" for a JPEG that starts with its EXIF block rather than a JFIF one.
QString FormatName(TQvFileKind kind, const uint8_t* data, uint64_t size) {
  switch (kind) {
    case TQvFileKind::Jpeg:
      if (size >= 10 && data[3] == 0xE1 && std::memcmp(data + 6, "Exif", 4) == 0) return QStringLiteral("EXIF");
      return QStringLiteral("JPEG");
    case TQvFileKind::Png: return QStringLiteral("PNG");
    case TQvFileKind::Tiff: return QStringLiteral("TIFF");
    case TQvFileKind::Bmp: return QStringLiteral("BMP");
    case TQvFileKind::Unknown: break;
  }
  return QString();
}

QString OrientationText(int orientation) {
  const QString mirrored = QStringLiteral(", ") + CodecText(QvCodecString::Mirrored);
  switch (orientation) {
    case 1: return QStringLiteral("0°");
    case 2: return QStringLiteral("0°") + mirrored;
    case 3: return QStringLiteral("180°");
    case 4: return QStringLiteral("180°") + mirrored;
    case 5: return QStringLiteral("90°") + mirrored;
    case 6: return QStringLiteral("90°");
    case 7: return QStringLiteral("270°") + mirrored;
    case 8: return QStringLiteral("270°");
    default: return QString::number(orientation);  // not a valid value: show it, never as a raw byte
  }
}

QString Line(const QvCodecString::TText& label, const QString& value) {
  return CodecText(label) + QStringLiteral(": ") + value;
}

bool SwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

// The embedded thumbnail, cut to the photo's aspect ratio (cameras pad it with black bars) and
// scaled to the fitted size; null when it is missing or clearly smaller than that size.
QImage FromEmbeddedThumbnail(const QByteArray& jpeg, int32_t imageWidth, int32_t imageHeight, int32_t width,
                             int32_t height) {
  if (jpeg.isEmpty()) return QImage();
  TQvImageTarget target;
  QString reason;
  if (!JpegDecode(reinterpret_cast<const uint8_t*>(jpeg.constData()), uint64_t(jpeg.size()), 1, target, reason))
    return QImage();
  QImage image = target.Image();
  const int64_t w = image.width(), h = image.height();
  QRect crop(0, 0, int(w), int(h));
  if (w * imageHeight > h * imageWidth) {
    const int cw = int(h * imageWidth / imageHeight);
    crop = QRect(int((w - cw) / 2), 0, cw, int(h));
  } else if (w * imageHeight < h * imageWidth) {
    const int ch = int(w * imageHeight / imageWidth);
    crop = QRect(0, int((h - ch) / 2), int(w), ch);
  }
  // Rounding may leave the cut a pixel short of the box; a slight enlargement does no harm, a
  // thumbnail much smaller than the box would look blurred.
  if (int64_t(crop.width()) * 10 < int64_t(width) * 9 || int64_t(crop.height()) * 10 < int64_t(height) * 9)
    return QImage();
  return image.copy(crop).scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

QString DescribeImageFile(const QString& fileName) {
  // A JPEG is described from its markers, which lie at its start; other formats may keep their
  // directories anywhere and are read as far as their picture can reach.
  QByteArray bytes;
  QString reason;
  if (!ReadFileHead(fileName, JpegHeadBytes, bytes) || bytes.isEmpty()) return QString();
  uint8_t* data = reinterpret_cast<uint8_t*>(bytes.data());
  uint64_t size = uint64_t(bytes.size());
  RevealHeader(data, size);
  TQvFileKind kind = SniffFileKind(data, size);
  TQvImageHeader header;
  if (kind != TQvFileKind::Jpeg || !ReadHeader(kind, data, size, header)) {
    if (size == JpegHeadBytes) {
      if (!ReadImageFile(fileName, bytes, reason) || bytes.isEmpty()) return QString();
      data = reinterpret_cast<uint8_t*>(bytes.data());
      size = uint64_t(bytes.size());
      RevealHeader(data, size);
      kind = SniffFileKind(data, size);
    }
    if (!ReadHeader(kind, data, size, header)) return QString();
  }
  TQvImageProperties properties;
  if (kind != TQvFileKind::Bmp) ReadImageProperties(properties, data, size, 0, 0);

  QStringList lines;
  lines << Line(QvCodecString::FormatLabel, FormatName(kind, data, size));
  lines << Line(QvCodecString::SizeLabel, QStringLiteral("%1 x %2").arg(header.Width).arg(header.Height));
  const QString date = ReadAsciiProperty(properties, QvPropertyTag::DateTime);
  if (!date.isEmpty()) lines << Line(QvCodecString::DateLabel, date);
  const int orientation = ReadOrientationProperty(properties);
  if (orientation >= 0) lines << Line(QvCodecString::OrientationLabel, OrientationText(orientation));
  const QString make = ReadAsciiProperty(properties, QvPropertyTag::Make);
  const QString model = ReadAsciiProperty(properties, QvPropertyTag::Model);
  QString camera = model;
  if (!make.isEmpty()) camera = model.isEmpty() ? make : make + QLatin1Char(' ') + model;
  if (!camera.isEmpty()) lines << Line(QvCodecString::CameraLabel, camera);
  return lines.join(QLatin1Char('\n'));
}

std::unique_ptr<TQvImageThumbnail> CreateThumbnail(const QString& fileName, int32_t boxWidth, int32_t boxHeight) {
  if (boxWidth < 1 || boxHeight < 1) return nullptr;
  QByteArray bytes;
  if (!ReadFileHead(fileName, JpegHeadBytes, bytes) || bytes.size() < 4) return nullptr;
  uint8_t* data = reinterpret_cast<uint8_t*>(bytes.data());
  RevealHeader(data, uint64_t(bytes.size()));
  const TQvFileKind kind = SniffFileKind(data, uint64_t(bytes.size()));
  if (kind == TQvFileKind::Unknown) return nullptr;

  TQvImageHeader header;
  TQvImageProperties properties;
  bool haveHeader = false;
  QByteArray embedded;
  if (kind == TQvFileKind::Jpeg) {
    haveHeader = JpegReadHeader(data, uint64_t(bytes.size()), header);
    if (haveHeader) {
      ReadImageProperties(properties, data, uint64_t(bytes.size()), 0, 0);
      embedded = ReadEmbeddedJpegThumbnail(data, uint64_t(bytes.size()));
    }
  }
  const int orientation = ReadOrientationProperty(properties);
  int32_t width = 0, height = 0;
  auto fit = [&] {
    const bool swap = SwapsSides(orientation);
    return FitSize(header.Width, header.Height, swap ? boxHeight : boxWidth, swap ? boxWidth : boxHeight, width,
                   height) &&
           width > 0 && height > 0;
  };
  if (haveHeader && !embedded.isEmpty() && fit()) {
    QImage image = FromEmbeddedThumbnail(embedded, header.Width, header.Height, width, height);
    if (!image.isNull()) return std::make_unique<TQvImageThumbnail>(ApplyOrientation(image, orientation));
  }

  QString reason;
  QByteArray whole;
  if (!ReadImageFile(fileName, whole, reason) || whole.isEmpty()) return nullptr;
  data = reinterpret_cast<uint8_t*>(whole.data());
  const uint64_t size = uint64_t(whole.size());
  RevealHeader(data, size);
  if (!haveHeader && !ReadHeader(kind, data, size, header)) return nullptr;
  if (kind != TQvFileKind::Jpeg && kind != TQvFileKind::Bmp) {
    ReadImageProperties(properties, data, size, 0, 0);
  } else if (kind == TQvFileKind::Jpeg && properties.Count() == 0) {
    ReadImageProperties(properties, data, size, 0, 0);
  }
  const int finalOrientation = ReadOrientationProperty(properties);
  const bool swap = SwapsSides(finalOrientation);
  if (!FitSize(header.Width, header.Height, swap ? boxHeight : boxWidth, swap ? boxWidth : boxHeight, width, height) ||
      width < 1 || height < 1)
    return nullptr;
  TQvReducingTarget target(width, height);
  bool decoded = false;
  switch (kind) {
    case TQvFileKind::Jpeg:
      decoded = JpegDecode(data, size, JpegScaleFor(header.Width, header.Height, width, height), target, reason);
      break;
    case TQvFileKind::Png: decoded = PngDecode(data, size, target, reason); break;
    case TQvFileKind::Tiff: decoded = TiffDecode(data, size, target, reason); break;
    case TQvFileKind::Bmp: decoded = BmpDecode(data, size, target, reason); break;
    case TQvFileKind::Unknown: break;
  }
  if (!decoded) return nullptr;
  QImage image = target.Result();
  if (image.isNull()) return nullptr;
  return std::make_unique<TQvImageThumbnail>(ApplyOrientation(image, finalOrientation));
}

bool PaintThumbnail(const TQvImageThumbnail& thumbnail, QPainter* dc, const TRect& targetRect, TRect& paintedRect) {
  const int32_t width = thumbnail.Image().width(), height = thumbnail.Image().height();
  const int32_t left = targetRect.Left + (targetRect.Width() - width) / 2;
  const int32_t top = targetRect.Top + (targetRect.Height() - height) / 2;
  paintedRect = TRect{left, top, left + width, top + height};
  if (dc && !thumbnail.Image().isNull()) dc->drawImage(QPoint(left, top), thumbnail.Image());
  return true;
}
