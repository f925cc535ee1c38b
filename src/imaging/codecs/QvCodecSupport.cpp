// Row targets, format sniffing and orientation.

#include "QvCodecInternal.h"
#include "QvPixelSnapshot.h"
#include "QvMemory.h"

#include <QTransform>

#include <cstring>

bool CheckImageSize(int64_t width, int64_t height) {
  return width > 0 && height > 0 && width <= MaxImageSide && height <= MaxImageSide &&
         width * height <= MaxImagePixels;
}

bool ImageMemoryAvailable(int64_t width, int64_t height, uint64_t& needed) {
  needed = QvDocumentImageBytes(width, height);
  return QvMemoryFits(needed);
}

bool TQvBitmapTarget::Begin(const TQvImageHeader& header) {
  FPrepare.reset();
  FHeader = header;
  if (!CheckImageSize(header.Width, header.Height)) {
    FRefusal = TooLarge;
    return false;
  }
  if (!ImageMemoryAvailable(header.Width, header.Height, FNeeded) ||
      !FBitmap.Allocate(header.Width, header.Height, PixelFormat24) || !FBitmap.Pixels()) {
    FNeeded = QvDocumentImageBytes(header.Width, header.Height);
    FRefusal = OutOfMemory;
    return false;
  }
  // Every row is about to be written, mostly from the top down.
  FPrepare = std::make_unique<TQvPrepareAhead>(*FBitmap.Pixels(), FBitmap.Pixels()->BoundsRect());
  FBits = FBitmap.Pixels()->Bits;
  FStride = FBitmap.Pixels()->Stride;
  return true;
}

bool TQvReducingTarget::Begin(const TQvImageHeader& header) {
  FHeader = header;
  if (!CheckImageSize(header.Width, header.Height) || FOutWidth < 1 || FOutHeight < 1) return false;
  // Never enlarge: a source smaller than the box gives one output pixel per source pixel.
  FOutWidth = std::min(FOutWidth, header.Width);
  FOutHeight = std::min(FOutHeight, header.Height);
  try {
    FRow.assign(size_t(header.Width) * 3, 0);
    FColumnMap.resize(size_t(header.Width));
    for (int32_t x = 0; x < header.Width; ++x) FColumnMap[size_t(x)] = int32_t(int64_t(x) * FOutWidth / header.Width);
    FSums.assign(size_t(FOutWidth) * size_t(FOutHeight) * 4, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

void TQvReducingTarget::RowDone(int32_t y) {
  const int32_t outY = int32_t(int64_t(y) * FOutHeight / FHeader.Height);
  uint64_t* sums = FSums.data() + size_t(outY) * size_t(FOutWidth) * 4;
  const uint8_t* pixel = FRow.data();
  for (int32_t x = 0; x < FHeader.Width; ++x, pixel += 3) {
    uint64_t* sum = sums + size_t(FColumnMap[size_t(x)]) * 4;
    sum[0] += pixel[ChannelBlue];
    sum[1] += pixel[ChannelGreen];
    sum[2] += pixel[ChannelRed];
    sum[3] += 1;
  }
}

QImage TQvReducingTarget::Result() const {
  if (FSums.empty()) return QImage();
  QImage image(FOutWidth, FOutHeight, QImage::Format_BGR888);
  if (image.isNull()) return image;
  for (int32_t y = 0; y < FOutHeight; ++y) {
    uint8_t* out = image.scanLine(y);
    const uint64_t* sum = FSums.data() + size_t(y) * size_t(FOutWidth) * 4;
    for (int32_t x = 0; x < FOutWidth; ++x, sum += 4, out += 3) {
      const uint64_t count = sum[3] ? sum[3] : 1;
      out[ChannelBlue] = uint8_t((sum[0] + count / 2) / count);
      out[ChannelGreen] = uint8_t((sum[1] + count / 2) / count);
      out[ChannelRed] = uint8_t((sum[2] + count / 2) / count);
    }
  }
  return image;
}

bool TQvImageTarget::Begin(const TQvImageHeader& header) {
  if (!CheckImageSize(header.Width, header.Height)) return false;
  FImage = QImage(header.Width, header.Height, QImage::Format_BGR888);
  return !FImage.isNull();
}

TQvFileKind SniffFileKind(const uint8_t* data, uint64_t size) {
  if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return TQvFileKind::Jpeg;
  if (size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0) return TQvFileKind::Png;
  if (size >= 4 && (std::memcmp(data, "II*\0", 4) == 0 || std::memcmp(data, "MM\0*", 4) == 0))
    return TQvFileKind::Tiff;
  if (size >= 2 && data[0] == 'B' && data[1] == 'M') return TQvFileKind::Bmp;
  return TQvFileKind::Unknown;
}

bool ApplyOrientation(TQvLTBitmap& bitmap, int orientation) {
  switch (orientation) {
    case 2: return bitmap.FlipHorizontal();
    case 3: return bitmap.FlipHorizontal() && bitmap.FlipVertical();
    case 4: return bitmap.FlipVertical();
    case 5: return bitmap.RotateRight() && bitmap.FlipHorizontal();  // transpose
    case 6: return bitmap.RotateRight();
    case 7: return bitmap.RotateLeft() && bitmap.FlipHorizontal();  // transverse
    case 8: return bitmap.RotateLeft();
    default: return true;
  }
}

QImage ApplyOrientation(const QImage& image, int orientation) {
  switch (orientation) {
    case 2: return image.mirrored(true, false);
    case 3: return image.mirrored(true, true);
    case 4: return image.mirrored(false, true);
    case 5: return image.transformed(QTransform().rotate(90)).mirrored(true, false);
    case 6: return image.transformed(QTransform().rotate(90));
    case 7: return image.transformed(QTransform().rotate(270)).mirrored(true, false);
    case 8: return image.transformed(QTransform().rotate(270));
    default: return image;
  }
}
