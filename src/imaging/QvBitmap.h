#pragma once
// Pixel stores, per-pixel masks, the abstract document bitmap and the colour helpers.
//
// A pixel store is a window onto image coordinates: it carries an origin (Left, Top) and a size,
// every pixel is addressed by its image coordinates, and copies between stores match pixels by
// those coordinates. A buffer that holds only a changed rectangle therefore answers to the same
// (x, y) as the whole image.
//
// PixelFormat24 rows are three bytes per pixel (blue, green, red), top-down, each row padded to a
// multiple of 4 bytes: exactly QImage::Format_BGR888 with a 4-byte-aligned bytesPerLine.
//
// A colour passed as one integer holds blue in bits 0-7, green in 8-15 and red in 16-23 (the
// pixel's bytes read as a little-endian number); bits 24-31 are ignored.

#include "QvTypes.h"

#include <QImage>

#include <cstddef>
#include <cstdint>

class QPainter;
class TQvPixelSnapshot;

// Pixel format code: bits 0-3 kind, bits 4-7 channel-width multiplier, bits 8-11 alpha marker.
using TQvPixelFormat = uint32_t;
constexpr TQvPixelFormat PixelFormat24 = 0x1012;       // blue, green, red
constexpr TQvPixelFormat PixelFormat32Alpha = 0x1112;  // blue, green, red, alpha (sources only)

// Byte offsets of the channels inside a pixel.
constexpr int ChannelBlue = 0;
constexpr int ChannelGreen = 1;
constexpr int ChannelRed = 2;
constexpr int ChannelAlpha = 3;

// Bits per pixel of a format code; 0 for an unknown kind (nothing can be allocated then).
int BitsPerPixel(TQvPixelFormat format);
// Bytes per row, padded to a multiple of 4: ((width × bits + 31) div 32) × 4.
// 0 when width × bits ≤ 0 or when the row would not fit a 32-bit stride.
int32_t RowStride(int32_t width, int32_t bits);
// The QImage format that describes the same bytes, or QImage::Format_Invalid.
QImage::Format QImageFormatOf(TQvPixelFormat format);

// Page-granular, zero-filled memory, released whole. nullptr when size is 0 or the system refuses.
void* QvAllocPages(size_t size);
void QvFreePages(void* memory, size_t size);

// ---------------------------------------------------------------------------------------------
// Colour values and helpers
// ---------------------------------------------------------------------------------------------

constexpr uint32_t MakeColorValue(uint8_t red, uint8_t green, uint8_t blue) {
  return uint32_t(blue) | (uint32_t(green) << 8) | (uint32_t(red) << 16);
}
constexpr uint8_t ColorBlue(uint32_t color) { return uint8_t(color); }
constexpr uint8_t ColorGreen(uint32_t color) { return uint8_t(color >> 8); }
constexpr uint8_t ColorRed(uint32_t color) { return uint8_t(color >> 16); }
// The colour value of the 3-byte pixel at pixel.
inline uint32_t PixelColor(const uint8_t* pixel) {
  return MakeColorValue(pixel[ChannelRed], pixel[ChannelGreen], pixel[ChannelBlue]);
}

// Writes blue = b, green = g, red = r.
void MakeColor(uint8_t r, uint8_t g, uint8_t b, uint8_t* pixel);
// Each channel of color times numerator / denominator (MulDiv), clamped to 0..255, into pixel.
void ScaleColor(int32_t numerator, int32_t denominator, uint8_t* pixel, uint32_t color);
// alpha 0 writes background, 255 foreground, else b + floor(alpha × (f − b) / 256) per channel.
void BlendColor(int32_t alpha, uint8_t* pixel, uint32_t foreground, uint32_t background);
// alpha 0 leaves the pixel, 255 writes color, else p + floor(alpha × (c − p) / 256) per channel.
void BlendPixel(uint8_t* pixel, int32_t alpha, uint32_t color);

// Fits width × height into maxWidth × maxHeight keeping the aspect ratio. False (sizes untouched)
// when any of the four sizes is not positive.
bool FitSize(int32_t width, int32_t height, int32_t maxWidth, int32_t maxHeight, int32_t& newWidth,
             int32_t& newHeight);

constexpr int32_t Clamp(int32_t value, int32_t low, int32_t high) {
  return value < low ? low : (value > high ? high : value);
}

// 64-bit product divided with halves rounded away from zero; −1 for a zero divisor.
int32_t MulDiv(int32_t number, int32_t numerator, int32_t denominator);

// ---------------------------------------------------------------------------------------------
// Pixel stores
// ---------------------------------------------------------------------------------------------

// Base of every pixel store. Never owns memory itself; each descendant decides.
class TQvPixels {
public:
  uint8_t* Bits = nullptr;  // pixel (Left, Top); nullptr when empty
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Stride = 0;  // bytes per row
  TQvPixelFormat Format = 0;
  uint8_t BytesPerPixel = 0;

  TQvPixels() = default;
  virtual ~TQvPixels() = default;

  // Views onto someone else's memory; a descendant that owns memory forbids copying.
  TQvPixels(const TQvPixels&) = default;
  TQvPixels& operator=(const TQvPixels&) = default;

  void InitPixels(const TRect& rect, uint8_t* bits, TQvPixelFormat format, int32_t stride);

  // No bounds check: callers clip first.
  uint8_t* PixelAt(int32_t x, int32_t y) const {
    return Bits + ptrdiff_t(x - Left) * BytesPerPixel + ptrdiff_t(y - Top) * Stride;
  }

  void GetBounds(TRect& rect) const { rect = BoundsRect(); }
  TRect BoundsRect() const { return TRect{Left, Top, Left + Width, Top + Height}; }
  bool IsEmpty() const { return Bits == nullptr || Width <= 0 || Height <= 0; }

  // Copies srcRect of src so that its top-left lands on (dstX, dstY) here, clipped on both
  // sides. Nothing happens when the formats differ.
  void CopyRect(int32_t dstX, int32_t dstY, const TQvPixels& src, const TRect& srcRect);
  // The common part of both windows, at identical image coordinates.
  void CopyFrom(const TQvPixels& src);

  // A QImage over these bytes without a copy (null when empty or the format has no QImage
  // equivalent). Pixel (Left, Top) is the image's (0, 0). Valid only while the memory lives.
  QImage AsQImage() const;
};

// A private, page-granular, zero-filled block owned by the buffer.
class TQvPixelBuffer : public TQvPixels {
public:
  TQvPixelBuffer();
  ~TQvPixelBuffer() override;
  TQvPixelBuffer(const TQvPixelBuffer&) = delete;
  TQvPixelBuffer& operator=(const TQvPixelBuffer&) = delete;

  // Lays the block out for rect (no-op when rect equals the current bounds). With keep, the
  // pixels of the old and new bounds' common part survive at their coordinates; the rest is zero.
  // Returns false when a block was needed and could not be had (the buffer is then empty).
  bool SetBounds(const TRect& rect, bool keep);
  // Sets the format and lays the storage out afresh for rect; contents are not kept.
  bool Allocate(TQvPixelFormat format, const TRect& rect);
  // Becomes a private view of frozen pixels laid out for rect in format (rows as Allocate lays
  // them out): the pixels are the snapshot's, and only pages written later take memory. False
  // (buffer unchanged) when the layout does not fit the snapshot or the view cannot be had.
  bool AdoptView(const TQvPixelSnapshot& Snapshot, TQvPixelFormat format, const TRect& rect);
  void Release();
  // Exchanges layout and memory with other.
  void Swap(TQvPixelBuffer& other);

  size_t BlockSize() const { return FBlockSize; }

private:
  size_t FBlockSize = 0;
};

// An off-screen 24-bit surface: the program's own memory with a QImage over it that QPainter
// can draw on (FImage stands for the memory device context) and that can be drawn elsewhere.
class TDIBSection : public TQvPixels {
public:
  TDIBSection() = default;
  ~TDIBSection() override;
  TDIBSection(const TDIBSection&) = delete;
  TDIBSection& operator=(const TDIBSection&) = delete;

  // Releases any previous section; does nothing more if width < 1 or height < 1.
  // Covers (0, 0, width, height). False when the memory could not be had.
  bool CreateSection(int32_t width, int32_t height, TQvPixelFormat format = PixelFormat24);
  // Copies the whole section to (x, y) of dc.
  void Draw(QPainter* dc, int32_t x, int32_t y) const;
  void ReleaseSection();

  // The paint surface over the section's bytes; paint on it with a QPainter. Null when empty.
  QImage& Image() { return FImage; }
  const QImage& Image() const { return FImage; }

private:
  QImage FImage;
  size_t FBlockSize = 0;
};

// The store over the off-screen surface of the current paint pass, in device coordinates.
// The view canvas fills in its fields with InitPixels and owns the memory.
class TQvCanvasPixels : public TQvPixels {};

// The store over the memory of a TQvLTBitmap, which owns that memory.
class TQvLTPixels : public TQvPixels {
public:
  size_t FBlockSize = 0;  // bytes of the page block at Bits, for its release
};

// ---------------------------------------------------------------------------------------------
// Masks
// ---------------------------------------------------------------------------------------------

// One byte per pixel in image coordinates: 0 untouched, 255 fully covered. Rows unpadded.
class TQvPixelMask {
public:
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;   // never negative
  int32_t Height = 0;  // never negative
  uint8_t* Values = nullptr;  // Width × Height bytes; nullptr when empty

  TQvPixelMask() = default;
  ~TQvPixelMask();
  TQvPixelMask(const TQvPixelMask& other);
  TQvPixelMask& operator=(const TQvPixelMask& other);

  // Negative sizes become 0; the block is resized and zero-filled.
  void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
  void GetBounds(TRect& rect) const { rect = BoundsRect(); }
  TRect BoundsRect() const { return TRect{Left, Top, Left + Width, Top + Height}; }
  // Grows to the union of the bounds and rect; existing values stay at their coordinates.
  void Include(const TRect& rect);
  // The byte for (x, y), or nullptr outside the bounds or without a block.
  uint8_t* ValueAt(int32_t x, int32_t y) const;
  void Clear();
  // Include(other's bounds), then every byte becomes the larger of the two.
  void MergeMax(const TQvPixelMask& other);
};

// ---------------------------------------------------------------------------------------------
// Document bitmap
// ---------------------------------------------------------------------------------------------

// The document's images are held through this interface; pixels are reached only via Pixels.
class TQvBitmap {
public:
  virtual ~TQvBitmap() = default;
  virtual int32_t Width() const = 0;
  virtual int32_t Height() const = 0;
  virtual TQvPixels* Pixels() const = 0;
  // Scales srcRect of the image (whole image when nullptr) into dstRect of dc, clipped to
  // dstClipRect when given.
  virtual bool Paint(QPainter* dc, const TRect& dstRect, const TRect* srcRect,
                     const TRect* dstClipRect) const = 0;
  // Draws the whole image scaled into rect of a printer's painter. The last two arguments are
  // reserved and ignored.
  virtual bool Print(QPainter* dc, const TRect& rect, void* reserved = nullptr,
                     int32_t reservedSize = 0) const = 0;
};
