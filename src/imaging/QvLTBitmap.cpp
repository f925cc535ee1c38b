#include "QvLTBitmap.h"

#include "QvPixelSnapshot.h"
#include "QvPixelTransforms.h"
#include "prResample.h"

#include <QPainter>

#include <utility>

size_t TQvLTBitmap::SharedBlockThreshold = size_t(4) << 20;

TQvLTBitmap::~TQvLTBitmap() { Release(); }

int32_t TQvLTBitmap::Width() const { return FHandle.width(); }
int32_t TQvLTBitmap::Height() const { return FHandle.height(); }
TQvPixels* TQvLTBitmap::Pixels() const { return FPixels.get(); }

bool TQvLTBitmap::Paint(QPainter* dc, const TRect& dstRect, const TRect* srcRect,
                        const TRect* dstClipRect) const {
  if (!dc || FHandle.isNull() || dstRect.IsEmpty()) return false;
  const QRect source = srcRect ? ToQRect(*srcRect) : FHandle.rect();
  if (source.isEmpty()) return false;
  dc->save();
  if (dstClipRect) dc->setClipRect(ToQRect(*dstClipRect), Qt::IntersectClip);
  dc->drawImage(ToQRect(dstRect), FHandle, source);
  dc->restore();
  return true;
}

bool TQvLTBitmap::Print(QPainter* dc, const TRect& rect, void*, int32_t) const {
  if (!dc || FHandle.isNull() || rect.IsEmpty()) return false;
  dc->save();
  // Printers scale a lot; smooth scaling keeps the photo from turning blocky.
  dc->setRenderHint(QPainter::SmoothPixmapTransform, true);
  dc->drawImage(ToQRect(rect), FHandle);
  dc->restore();
  return true;
}

bool TQvLTBitmap::CreatePixels(std::unique_ptr<TQvLTPixels>& pixels, QImage& record, int32_t width,
                               int32_t height, TQvPixelFormat format, TQvBlockUse use) {
  pixels.reset();
  record = QImage();
  const QImage::Format imageFormat = QImageFormatOf(format);
  const int32_t stride = RowStride(width, BitsPerPixel(format));
  if (imageFormat == QImage::Format_Invalid || stride <= 0 || height <= 0) return false;
  const size_t size = size_t(stride) * size_t(height);
  // Large blocks go where the document can later share them with its other images.
  void* memory = use == TQvBlockUse::Shareable && size >= SharedBlockThreshold ? QvAllocSharedPages(size) : nullptr;
  if (!memory) memory = QvAllocPages(size);
  auto* block = static_cast<uint8_t*>(memory);
  if (!block) return false;
  // The record only borrows the block: painting reads the rows the program keeps writing.
  record = QImage(block, width, height, stride, imageFormat);
  if (record.isNull()) {
    QvFreePages(block, size);
    return false;
  }
  pixels = std::make_unique<TQvLTPixels>();
  pixels->InitPixels(TRect{0, 0, width, height}, block, format, stride);
  pixels->FBlockSize = size;
  return true;
}

void TQvLTBitmap::ReleasePixels(std::unique_ptr<TQvLTPixels>& pixels, QImage& record) {
  if (!pixels) return;
  record = QImage();
  QvFreePages(pixels->Bits, pixels->FBlockSize);
  pixels.reset();
}

void TQvLTBitmap::Release() { ReleasePixels(FPixels, FHandle); }

void TQvLTBitmap::Adopt(std::unique_ptr<TQvLTPixels>& pixels, QImage& record) {
  Release();
  FPixels = std::move(pixels);
  FHandle = std::move(record);
  record = QImage();
}

bool TQvLTBitmap::Allocate(int32_t width, int32_t height, TQvPixelFormat format, TQvBlockUse use) {
  Release();
  return CreatePixels(FPixels, FHandle, width, height, format, use);
}

std::shared_ptr<const TQvPixelSnapshot> TQvLTBitmap::Freeze() {
  if (!FPixels) return nullptr;
  return TQvPixelSnapshot::Freeze(FPixels->Bits, FPixels->FBlockSize);
}

bool TQvLTBitmap::AdoptView(const TQvPixelSnapshot& Snapshot, int32_t width, int32_t height, TQvPixelFormat format) {
  const QImage::Format imageFormat = QImageFormatOf(format);
  const int32_t stride = RowStride(width, BitsPerPixel(format));
  if (imageFormat == QImage::Format_Invalid || stride <= 0 || height <= 0) return false;
  const size_t size = size_t(stride) * size_t(height);
  if (size > Snapshot.Size()) return false;
  auto* view = static_cast<uint8_t*>(Snapshot.MapView());
  if (!view) return false;
  QImage record(view, width, height, stride, imageFormat);
  if (record.isNull()) {
    QvFreePages(view, Snapshot.Size());
    return false;
  }
  auto pixels = std::make_unique<TQvLTPixels>();
  pixels->InitPixels(TRect{0, 0, width, height}, view, format, stride);
  pixels->FBlockSize = Snapshot.Size();
  Adopt(pixels, record);
  return true;
}

std::unique_ptr<TQvLTBitmap> TQvLTBitmap::Clone(TQvBlockUse use) const {
  auto copy = std::make_unique<TQvLTBitmap>();
  if (!FPixels) return copy;
  if (!copy->AssignBuffer(*FPixels, use)) return nullptr;
  return copy;
}

std::unique_ptr<TQvLTBitmap> TQvLTBitmap::CroppedCopy(const TRect& rect, TQvBlockUse use) const {
  TRect bounds;
  GetBounds(bounds);
  const TRect r = IntersectRect(rect, bounds);
  if (r.IsEmpty() || !FPixels) return nullptr;
  auto copy = std::make_unique<TQvLTBitmap>();
  if (!copy->AllocateForWriting(r.Width(), r.Height(), FPixels->Format, use)) return nullptr;
  copy->FPixels->CopyRect(0, 0, *FPixels, r);
  return copy;
}

std::unique_ptr<TQvLTBitmap> TQvLTBitmap::TurnedCopy(TQvTurn turn, TQvBlockUse use) const {
  if (!FPixels || FPixels->Format != PixelFormat24) return nullptr;
  const bool across = turn == TQvTurn::Left || turn == TQvTurn::Right;
  auto copy = std::make_unique<TQvLTBitmap>();
  if (!copy->AllocateForWriting(across ? Height() : Width(), across ? Width() : Height(), PixelFormat24, use))
    return nullptr;
  switch (turn) {
    case TQvTurn::Left: RotateLeft24(*FPixels, *copy->FPixels); break;
    case TQvTurn::Right: RotateRight24(*FPixels, *copy->FPixels); break;
    case TQvTurn::FlipHorizontal: FlipHorizontal24(*FPixels, *copy->FPixels); break;
    case TQvTurn::FlipVertical: FlipVertical24(*FPixels, *copy->FPixels); break;
  }
  return copy;
}

void TQvLTBitmap::Swap(TQvLTBitmap& other) {
  std::swap(FPixels, other.FPixels);
  std::swap(FHandle, other.FHandle);
}

bool TQvLTBitmap::Replace(std::unique_ptr<TQvLTBitmap> copy) {
  if (!copy) return false;
  Swap(*copy);
  return true;
}

bool TQvLTBitmap::Crop(const TRect& rect) { return Replace(CroppedCopy(rect)); }
bool TQvLTBitmap::FlipHorizontal() { return Replace(TurnedCopy(TQvTurn::FlipHorizontal)); }
bool TQvLTBitmap::FlipVertical() { return Replace(TurnedCopy(TQvTurn::FlipVertical)); }
bool TQvLTBitmap::RotateLeft() { return Replace(TurnedCopy(TQvTurn::Left)); }
bool TQvLTBitmap::RotateRight() { return Replace(TurnedCopy(TQvTurn::Right)); }

bool TQvLTBitmap::Resize(int32_t width, int32_t height) {
  if (!FPixels) return false;
  std::unique_ptr<TQvLTPixels> pixels;
  QImage record;
  if (!CreatePixels(pixels, record, width, height, FPixels->Format)) return false;
  const TRect bounds{0, 0, width, height};
  Resample(*pixels, bounds, bounds, *FPixels, FPixels->BoundsRect(), TLanczosResampler());
  Adopt(pixels, record);
  return true;
}

std::unique_ptr<TQvLTBitmap> TQvLTBitmap::ResizedCopy(int32_t width, int32_t height, const TRect& source,
                                                     TQvBlockUse use) const {
  if (!FPixels || width <= 0 || height <= 0) return nullptr;
  const TRect from = IntersectRect(source, FPixels->BoundsRect());
  if (from.IsEmpty()) return nullptr;
  auto copy = std::make_unique<TQvLTBitmap>();
  if (!copy->AllocateForWriting(width, height, FPixels->Format, use)) return nullptr;
  const TRect bounds{0, 0, width, height};
  Resample(*copy->FPixels, bounds, bounds, *FPixels, from, TLanczosResampler());
  return copy;
}

bool TQvLTBitmap::AllocateForWriting(int32_t width, int32_t height, TQvPixelFormat format, TQvBlockUse use) {
  if (!Allocate(width, height, format, use)) return false;
  QvPrepareForWriting(*FPixels, FPixels->BoundsRect());
  return true;
}

bool TQvLTBitmap::AssignBuffer(const TQvPixels& buffer, TQvBlockUse use) {
  if (!Allocate(buffer.Width, buffer.Height, buffer.Format, use)) return false;
  // A block in a file takes the rows through the file: fresh pages filled directly, not first
  // cleared and then overwritten.
  if (QvFillSharedBlock(FPixels->Bits, FPixels->Stride, buffer)) return true;
  QvPrepareForWriting(*FPixels, FPixels->BoundsRect());
  FPixels->CopyFrom(buffer);
  return true;
}

void TQvLTBitmap::CopyToBuffer(const TQvLTBitmap& bitmap, TQvPixelBuffer& buffer) {
  const TQvPixelFormat format = bitmap.FPixels ? bitmap.FPixels->Format : buffer.Format;
  buffer.Allocate(format, TRect{0, 0, bitmap.Width(), bitmap.Height()});
  if (bitmap.FPixels) buffer.CopyFrom(*bitmap.FPixels);
}
