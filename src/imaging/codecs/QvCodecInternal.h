#pragma once
// Shared by the codec sources only: the decoders' row interface, the encoders and the file helpers.

#include "QvBitmap.h"
#include "QvLTBitmap.h"
#include "QvPixelSnapshot.h"
#include "QvProgress.h"

#include <QImage>

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct TQvMetadataBlobs;

enum class TQvFileKind { Unknown, Jpeg, Png, Tiff, Bmp };

// Largest image the decoders accept: about 805 MB of 24-bit rows. A build may lower it (the
// codec fuzzer does, so that legal huge images do not slow it to a crawl).
#ifndef OCUVANE_MAX_IMAGE_PIXELS
#define OCUVANE_MAX_IMAGE_PIXELS (int64_t(1) << 28)
#endif
inline constexpr int64_t MaxImagePixels = OCUVANE_MAX_IMAGE_PIXELS;
inline constexpr int32_t MaxImageSide = 65535;

struct TQvImageHeader {
  int32_t Width = 0;
  int32_t Height = 0;
  TQvPixelFormat SourceFormat = PixelFormat24;
  int32_t ResolutionX = 0;  // dots per inch, 0 when the file gives none
  int32_t ResolutionY = 0;
};

// Where a decoder puts its rows. Rows arrive as blue-green-red bytes, Width × 3 of them, in any
// order, each exactly once.
class TQvRowTarget {
 public:
  virtual ~TQvRowTarget() = default;
  // Called once, before any row; false refuses the image (out of memory, too large).
  virtual bool Begin(const TQvImageHeader& header) = 0;
  // Buffer for row y; valid until RowDone(y).
  virtual uint8_t* RowBuffer(int32_t y) = 0;
  virtual void RowDone(int32_t y) = 0;
  // True when RowBuffer(y) keeps its contents for the whole decode (needed by interlaced PNG).
  virtual bool KeepsRows() const = 0;
};

// Rows straight into a bitmap's pixel memory.
class TQvBitmapTarget : public TQvRowTarget {
 public:
  enum TRefusal { NotRefused, TooLarge, OutOfMemory };
  explicit TQvBitmapTarget(TQvLTBitmap& bitmap) : FBitmap(bitmap) {}
  bool Begin(const TQvImageHeader& header) override;
  uint8_t* RowBuffer(int32_t y) override { return FBits + int64_t(y) * FStride; }
  void RowDone(int32_t) override { QvReportProgress(++FRowsDone, FHeader.Height); }
  bool KeepsRows() const override { return true; }
  const TQvImageHeader& Header() const { return FHeader; }
  TRefusal Refusal() const { return FRefusal; }
  // What the image would need, when refused for memory.
  uint64_t NeededBytes() const { return FNeeded; }
  // Before the bitmap is released or handed on: the pages prepared for the rows on another core
  // are no longer touched after this.
  void Finish() { FPrepare.reset(); }

 private:
  TQvLTBitmap& FBitmap;
  std::unique_ptr<TQvPrepareAhead> FPrepare;
  TRefusal FRefusal = NotRefused;
  uint64_t FNeeded = 0;
  TQvImageHeader FHeader;
  uint8_t* FBits = nullptr;
  int64_t FStride = 0;
  int32_t FRowsDone = 0;
};

// Box-averages rows into an image of a fixed size, whatever order they come in; memory is bounded
// by the output size and one source row. Only for reducing: the output is no larger than the source.
class TQvReducingTarget : public TQvRowTarget {
 public:
  TQvReducingTarget(int32_t outWidth, int32_t outHeight) : FOutWidth(outWidth), FOutHeight(outHeight) {}
  bool Begin(const TQvImageHeader& header) override;
  uint8_t* RowBuffer(int32_t) override { return FRow.data(); }
  void RowDone(int32_t y) override;
  bool KeepsRows() const override { return false; }
  // The averaged image (Format_BGR888); null before Begin.
  QImage Result() const;
  const TQvImageHeader& Header() const { return FHeader; }

 private:
  int32_t FOutWidth, FOutHeight;
  TQvImageHeader FHeader;
  std::vector<uint8_t> FRow;
  std::vector<int32_t> FColumnMap;  // source column -> output column
  std::vector<uint64_t> FSums;      // per output pixel: blue, green, red, count
};

// Rows into a QImage of the decoded size (small images: embedded thumbnails).
class TQvImageTarget : public TQvRowTarget {
 public:
  bool Begin(const TQvImageHeader& header) override;
  uint8_t* RowBuffer(int32_t y) override { return FImage.scanLine(y); }
  void RowDone(int32_t) override {}
  bool KeepsRows() const override { return true; }
  const QImage& Image() const { return FImage; }

 private:
  QImage FImage;
};

// Decoders: data/size is the whole file in memory. False with a reason (English detail from the
// library, or empty for a plain "damaged file") on any failure, including truncation.
// scaleDenominator (1, 2, 4 or 8) lets JPEG decode at a reduced size.
bool JpegDecode(const uint8_t* data, uint64_t size, int scaleDenominator, TQvRowTarget& target,
                QString& reason);
// Size of a JPEG without decoding; false for a damaged header.
bool JpegReadHeader(const uint8_t* data, uint64_t size, TQvImageHeader& header);
// Smallest DCT scale denominator (1, 2, 4, 8) whose result still covers minWidth × minHeight.
int JpegScaleFor(int32_t width, int32_t height, int32_t minWidth, int32_t minHeight);

bool PngDecode(const uint8_t* data, uint64_t size, TQvRowTarget& target, QString& reason);
bool PngReadHeader(const uint8_t* data, uint64_t size, TQvImageHeader& header);
bool TiffDecode(const uint8_t* data, uint64_t size, TQvRowTarget& target, QString& reason);
bool TiffReadHeader(const uint8_t* data, uint64_t size, TQvImageHeader& header);
bool BmpDecode(const uint8_t* data, uint64_t size, TQvRowTarget& target, QString& reason);
bool BmpReadHeader(const uint8_t* data, uint64_t size, TQvImageHeader& header);

// Encoders: pixels are PixelFormat24 rows; the result replaces out.
bool PngEncode(const TQvPixels& pixels, const TRect& area, int32_t resolutionX, int32_t resolutionY,
               const TQvMetadataBlobs& metadata, std::vector<uint8_t>& out, QString& reason);
bool TiffEncode(const TQvPixels& pixels, const TRect& area, int32_t resolutionX, int32_t resolutionY,
                const TQvMetadataBlobs& metadata, std::vector<uint8_t>& out, QString& reason);
// JPEG and BMP are handed to write piece by piece, never held whole (false from write stops it and is
// returned).
bool JpegWrite(const TQvPixels& pixels, const TRect& area, int quality, int32_t resolutionX,
               int32_t resolutionY, const TQvMetadataBlobs& metadata,
               const std::function<bool(const uint8_t*, size_t)>& write, QString& reason);
bool BmpWrite(const TQvPixels& pixels, const TRect& area, int32_t resolutionX, int32_t resolutionY,
              const std::function<bool(const uint8_t*, size_t)>& write, QString& reason);
// A 24-bit BMP file's headers, which its bottom-up rows (each BmpRowSize bytes) follow; false
// (with the reason) when the picture is too large for the format.
constexpr int BmpHeaderSize = 54;
uint64_t BmpRowSize(int32_t width);
bool BmpFileHeader(int32_t width, int32_t height, int32_t resolutionX, int32_t resolutionY,
                   uint8_t (&header)[BmpHeaderSize], QString& reason);

// What the first bytes say the file is (never the extension).
TQvFileKind SniffFileKind(const uint8_t* data, uint64_t size);
bool CheckImageSize(int64_t width, int64_t height);
// Whether the system can give a document what an image of width × height needs; when not, needed
// is that amount. Checked before the pixels are allocated: Linux grants a few GiB it cannot back
// and kills the program when the pages are touched.
bool ImageMemoryAvailable(int64_t width, int64_t height, uint64_t& needed);

// The first maxBytes bytes (fewer when the file is shorter); false for anything but a regular file.
bool ReadFileHead(const QString& fileName, uint64_t maxBytes, QByteArray& bytes);
// An image file for decoding: no more of it than its format can need (judged from its header), at
// most maxBytes; allocate gives the buffer for that many bytes. A regular file only: FIFOs and
// devices are refused. An empty file reads as 0 bytes.
bool ReadImageFile(const QString& fileName, uint64_t maxBytes, const std::function<uint8_t*(uint64_t)>& allocate,
                   uint64_t& readBytes, QString& error);
bool ReadImageFile(const QString& fileName, QByteArray& bytes, QString& error);
// The same into a byte vector, at most maxBytes of it, for the engine's work on JPEG files.
bool ReadImageFile(const QString& fileName, uint64_t maxBytes, std::vector<uint8_t>& bytes);

// Turns the bitmap upright for an EXIF orientation value 1..8 (other values: unchanged).
bool ApplyOrientation(TQvLTBitmap& bitmap, int orientation);
// The same on a small QImage (thumbnails).
QImage ApplyOrientation(const QImage& image, int orientation);

// libjpeg only warns about these (a libjpeg message code) and goes on, filling the rest of the
// picture with grey or noise; the decoder and the lossless engine treat them as errors.
bool IsJpegDamageWarning(int code);
