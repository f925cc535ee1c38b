#include "QvBitmap.h"

#include "QvPixelSnapshot.h"

#include <QPainter>

#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>

// ---------------------------------------------------------------------------------------------
// Formats and memory
// ---------------------------------------------------------------------------------------------

int BitsPerPixel(TQvPixelFormat format) {
  int bits;
  switch (format & 0xF) {
    case 1: bits = 8; break;
    case 2: case 3: case 4: case 5: case 7: case 8: bits = 24; break;
    case 6: bits = 32; break;
    default: return 0;
  }
  if (((format >> 8) & 0xF) == 1) bits += 8;
  const uint32_t multiplier = (format >> 4) & 0xF;
  if (multiplier == 2 || multiplier == 3)
    bits *= 2;
  else if (multiplier == 4)
    bits *= 4;
  return bits;
}

int32_t RowStride(int32_t width, int32_t bits) {
  const int64_t rowBits = int64_t(width) * bits;
  if (rowBits <= 0) return 0;
  const int64_t stride = ((rowBits + 31) / 32) * 4;
  return stride > std::numeric_limits<int32_t>::max() ? 0 : int32_t(stride);
}

QImage::Format QImageFormatOf(TQvPixelFormat format) {
  switch (format) {
    case PixelFormat24: return QImage::Format_BGR888;
    // Bytes blue, green, red, alpha are a little-endian 0xAARRGGBB word.
    case PixelFormat32Alpha: return QImage::Format_ARGB32;
    default: return QImage::Format_Invalid;
  }
}

// Under AddressSanitizer pixel blocks come from the checked heap, so that a read or write past
// a block's end is reported instead of landing silently in the page's slack.
#if defined(__SANITIZE_ADDRESS__)
#define QV_CHECKED_PIXEL_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QV_CHECKED_PIXEL_HEAP 1
#endif
#endif

void* QvAllocPages(size_t size) {
  if (size == 0 || QvAllocationFails(size)) return nullptr;
#ifdef QV_CHECKED_PIXEL_HEAP
  return std::calloc(1, size);
#else
  // Anonymous mappings arrive zero-filled and go back to the system whole on munmap.
  constexpr size_t kHugePage = size_t(2) << 20;
  if (size < 2 * kHugePage) {
    void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return memory == MAP_FAILED ? nullptr : memory;
  }
  // Large images fault in 2 MiB pages: on this kind of machine faulting 72 MB in 4 KiB pages
  // costs far more than the pixel work itself. The block starts on a 2 MiB boundary so that
  // every part of it can use them; the slack around it is returned at once.
  void* mapped = mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  const uintptr_t start = reinterpret_cast<uintptr_t>(mapped);
  const uintptr_t end = start + size + kHugePage;
  const uintptr_t aligned = (start + kHugePage - 1) & ~uintptr_t(kHugePage - 1);
  // munmap of the block later rounds its size up to whole pages; keep exactly those.
  const uintptr_t pageSize = uintptr_t(sysconf(_SC_PAGESIZE));
  const uintptr_t blockEnd = (aligned + size + pageSize - 1) & ~(pageSize - 1);
  if (aligned > start) munmap(mapped, aligned - start);
  if (end > blockEnd) munmap(reinterpret_cast<void*>(blockEnd), end - blockEnd);
#ifdef MADV_HUGEPAGE
  madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
#endif
  return reinterpret_cast<void*>(aligned);
#endif
}

void QvFreePages(void* memory, size_t size) {
  if (QvReleaseMappedBlock(memory, size)) return;
#ifdef QV_CHECKED_PIXEL_HEAP
  (void)size;
  std::free(memory);
#else
  if (memory) munmap(memory, size);
#endif
}

// Size of the block for a rectangle in a format; 0 when nothing can be allocated.
static size_t BlockSizeFor(const TRect& rect, TQvPixelFormat format, int32_t& stride) {
  stride = RowStride(rect.Width(), BitsPerPixel(format));
  if (stride <= 0 || rect.Height() <= 0) return 0;
  return size_t(stride) * size_t(rect.Height());
}

// ---------------------------------------------------------------------------------------------
// Colour helpers
// ---------------------------------------------------------------------------------------------

int32_t MulDiv(int32_t number, int32_t numerator, int32_t denominator) {
  if (denominator == 0) return -1;
  const int64_t product = int64_t(number) * numerator;
  int64_t quotient = product / denominator;
  const int64_t remainder = product % denominator;
  // Halves round away from zero.
  if (2 * std::abs(remainder) >= std::abs(int64_t(denominator)))
    quotient += ((product < 0) != (denominator < 0)) ? -1 : 1;
  if (quotient > std::numeric_limits<int32_t>::max() || quotient < std::numeric_limits<int32_t>::min())
    return -1;
  return int32_t(quotient);
}

void MakeColor(uint8_t r, uint8_t g, uint8_t b, uint8_t* pixel) {
  pixel[ChannelBlue] = b;
  pixel[ChannelGreen] = g;
  pixel[ChannelRed] = r;
}

void ScaleColor(int32_t numerator, int32_t denominator, uint8_t* pixel, uint32_t color) {
  auto scaled = [&](uint8_t channel) {
    return uint8_t(Clamp(MulDiv(channel, numerator, denominator), 0, 255));
  };
  pixel[ChannelBlue] = scaled(ColorBlue(color));
  pixel[ChannelGreen] = scaled(ColorGreen(color));
  pixel[ChannelRed] = scaled(ColorRed(color));
}

// b + floor(alpha × (f − b) / 256): an arithmetic shift of the signed product, so the result
// always lies between the two inputs.
static inline uint8_t BlendChannel(int32_t alpha, int32_t from, int32_t to) {
  return uint8_t(from + ((alpha * (to - from)) >> 8));
}

void BlendColor(int32_t alpha, uint8_t* pixel, uint32_t foreground, uint32_t background) {
  if (alpha == 0) {
    MakeColor(ColorRed(background), ColorGreen(background), ColorBlue(background), pixel);
  } else if (alpha == 255) {
    MakeColor(ColorRed(foreground), ColorGreen(foreground), ColorBlue(foreground), pixel);
  } else {
    pixel[ChannelBlue] = BlendChannel(alpha, ColorBlue(background), ColorBlue(foreground));
    pixel[ChannelGreen] = BlendChannel(alpha, ColorGreen(background), ColorGreen(foreground));
    pixel[ChannelRed] = BlendChannel(alpha, ColorRed(background), ColorRed(foreground));
  }
}

void BlendPixel(uint8_t* pixel, int32_t alpha, uint32_t color) {
  if (alpha == 0) return;
  if (alpha == 255) {
    MakeColor(ColorRed(color), ColorGreen(color), ColorBlue(color), pixel);
    return;
  }
  pixel[ChannelBlue] = BlendChannel(alpha, pixel[ChannelBlue], ColorBlue(color));
  pixel[ChannelGreen] = BlendChannel(alpha, pixel[ChannelGreen], ColorGreen(color));
  pixel[ChannelRed] = BlendChannel(alpha, pixel[ChannelRed], ColorRed(color));
}

bool FitSize(int32_t width, int32_t height, int32_t maxWidth, int32_t maxHeight, int32_t& newWidth,
             int32_t& newHeight) {
  // A source with a zero side has no aspect ratio to keep; dividing by it would give
  // nonsense sizes.
  if (maxWidth <= 0 || maxHeight <= 0 || width <= 0 || height <= 0) return false;
  if (double(height) / maxHeight >= double(width) / maxWidth) {
    newHeight = maxHeight;
    newWidth = MulDiv(width, maxHeight, height);
  } else {
    newWidth = maxWidth;
    newHeight = MulDiv(height, maxWidth, width);
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// TQvPixels
// ---------------------------------------------------------------------------------------------

void TQvPixels::InitPixels(const TRect& rect, uint8_t* bits, TQvPixelFormat format, int32_t stride) {
  Left = rect.Left;
  Top = rect.Top;
  Width = rect.Width();
  Height = rect.Height();
  Format = format;
  BytesPerPixel = uint8_t((BitsPerPixel(format) / 8) & 0x1F);
  Stride = stride;
  Bits = bits;
}

void TQvPixels::CopyRect(int32_t dstX, int32_t dstY, const TQvPixels& src, const TRect& srcRect) {
  if (Format != src.Format || Bits == nullptr || src.Bits == nullptr) return;
  TRect r = IntersectRect(srcRect, src.BoundsRect());
  if (r.IsEmpty()) return;
  const int32_t dx = dstX - srcRect.Left;
  const int32_t dy = dstY - srcRect.Top;
  r = IntersectRect(OffsetRect(r, dx, dy), BoundsRect());
  if (r.IsEmpty()) return;
  const size_t rowBytes = size_t(r.Width()) * BytesPerPixel;
  for (int32_t y = r.Top; y < r.Bottom; ++y)
    std::memmove(PixelAt(r.Left, y), src.PixelAt(r.Left - dx, y - dy), rowBytes);
}

void TQvPixels::CopyFrom(const TQvPixels& src) {
  CopyRect(src.Left, src.Top, src, src.BoundsRect());
}

QImage TQvPixels::AsQImage() const {
  const QImage::Format format = QImageFormatOf(Format);
  if (IsEmpty() || format == QImage::Format_Invalid) return QImage();
  return QImage(Bits, Width, Height, Stride, format);
}

// ---------------------------------------------------------------------------------------------
// TQvPixelBuffer
// ---------------------------------------------------------------------------------------------

TQvPixelBuffer::TQvPixelBuffer() {
  Format = PixelFormat24;
  BytesPerPixel = 3;
}

TQvPixelBuffer::~TQvPixelBuffer() { Release(); }

bool TQvPixelBuffer::SetBounds(const TRect& rect, bool keep) {
  if (rect == BoundsRect()) return true;
  int32_t stride = 0;
  const size_t size = BlockSizeFor(rect, Format, stride);
  uint8_t* block = nullptr;
  bool ok = true;
  if (size > 0) {
    block = static_cast<uint8_t*>(QvAllocPages(size));
    ok = block != nullptr;
  }
  TQvPixels fresh;
  fresh.InitPixels(rect, block, Format, block ? stride : 0);
  if (keep && Bits) fresh.CopyFrom(*this);
  QvFreePages(Bits, FBlockSize);
  if (!block) fresh.InitPixels(ok ? rect : TRect{}, nullptr, Format, 0);
  static_cast<TQvPixels&>(*this) = fresh;
  FBlockSize = block ? size : 0;
  return ok;
}

bool TQvPixelBuffer::Allocate(TQvPixelFormat format, const TRect& rect) {
  if (format != Format) {
    Release();
    Format = format;
    BytesPerPixel = uint8_t((BitsPerPixel(format) / 8) & 0x1F);
  }
  return SetBounds(rect, false);
}

bool TQvPixelBuffer::AdoptView(const TQvPixelSnapshot& Snapshot, TQvPixelFormat format, const TRect& rect) {
  int32_t stride = 0;
  const size_t size = BlockSizeFor(rect, format, stride);
  if (size == 0 || size > Snapshot.Size()) return false;
  auto* view = static_cast<uint8_t*>(Snapshot.MapView());
  if (!view) return false;
  Release();
  Format = format;
  BytesPerPixel = uint8_t((BitsPerPixel(format) / 8) & 0x1F);
  InitPixels(rect, view, format, stride);
  FBlockSize = Snapshot.Size();
  return true;
}

void TQvPixelBuffer::Swap(TQvPixelBuffer& other) {
  TQvPixels mine = *this;
  static_cast<TQvPixels&>(*this) = other;
  static_cast<TQvPixels&>(other) = mine;
  std::swap(FBlockSize, other.FBlockSize);
}

void TQvPixelBuffer::Release() {
  QvFreePages(Bits, FBlockSize);
  Bits = nullptr;
  FBlockSize = 0;
  Left = Top = Width = Height = Stride = 0;
}

// ---------------------------------------------------------------------------------------------
// TDIBSection
// ---------------------------------------------------------------------------------------------

TDIBSection::~TDIBSection() { ReleaseSection(); }

bool TDIBSection::CreateSection(int32_t width, int32_t height, TQvPixelFormat format) {
  ReleaseSection();
  if (width < 1 || height < 1) return true;
  const TRect rect{0, 0, width, height};
  int32_t stride = 0;
  const size_t size = BlockSizeFor(rect, format, stride);
  const QImage::Format imageFormat = QImageFormatOf(format);
  if (size == 0 || imageFormat == QImage::Format_Invalid) return false;
  auto* block = static_cast<uint8_t*>(QvAllocPages(size));
  if (!block) return false;
  FBlockSize = size;
  InitPixels(rect, block, format, stride);
  FImage = QImage(block, width, height, stride, imageFormat);
  return true;
}

void TDIBSection::Draw(QPainter* dc, int32_t x, int32_t y) const {
  if (dc && !FImage.isNull()) dc->drawImage(QPoint(x, y), FImage);
}

void TDIBSection::ReleaseSection() {
  if (!Bits) return;
  FImage = QImage();
  QvFreePages(Bits, FBlockSize);
  FBlockSize = 0;
  InitPixels(TRect{}, nullptr, 0, 0);
}

// ---------------------------------------------------------------------------------------------
// TQvPixelMask
// ---------------------------------------------------------------------------------------------

TQvPixelMask::~TQvPixelMask() { Clear(); }

TQvPixelMask::TQvPixelMask(const TQvPixelMask& other) { *this = other; }

TQvPixelMask& TQvPixelMask::operator=(const TQvPixelMask& other) {
  if (this == &other) return *this;
  SetBounds(other.Left, other.Top, other.Width, other.Height);
  if (Values && other.Values) std::memcpy(Values, other.Values, size_t(Width) * size_t(Height));
  return *this;
}

void TQvPixelMask::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  const size_t size = size_t(width) * size_t(height);
  delete[] Values;
  Values = size ? new uint8_t[size]() : nullptr;
  Left = left;
  Top = top;
  Width = width;
  Height = height;
}

void TQvPixelMask::Include(const TRect& rect) {
  const TRect old = BoundsRect();
  const TRect grown = Values ? UnionRect(old, rect) : (rect.IsEmpty() ? TRect{} : rect);
  if (grown == old || grown.IsEmpty()) return;
  const size_t size = size_t(grown.Width()) * size_t(grown.Height());
  auto* block = new uint8_t[size]();
  if (Values) {
    for (int32_t y = 0; y < Height; ++y)
      std::memcpy(block + size_t(y + Top - grown.Top) * grown.Width() + (Left - grown.Left),
                  Values + size_t(y) * Width, size_t(Width));
  }
  delete[] Values;
  Values = block;
  Left = grown.Left;
  Top = grown.Top;
  Width = grown.Width();
  Height = grown.Height();
}

uint8_t* TQvPixelMask::ValueAt(int32_t x, int32_t y) const {
  if (!Values || !BoundsRect().Contains(x, y)) return nullptr;
  return Values + size_t(y - Top) * Width + (x - Left);
}

void TQvPixelMask::Clear() {
  delete[] Values;
  Values = nullptr;
  Left = Top = Width = Height = 0;
}

void TQvPixelMask::MergeMax(const TQvPixelMask& other) {
  if (!other.Values) return;
  Include(other.BoundsRect());
  for (int32_t y = 0; y < other.Height; ++y) {
    const uint8_t* from = other.Values + size_t(y) * other.Width;
    uint8_t* to = ValueAt(other.Left, other.Top + y);
    for (int32_t x = 0; x < other.Width; ++x) to[x] = std::max(to[x], from[x]);
  }
}
