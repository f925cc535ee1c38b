#pragma once
// The document's image: 24-bit rows in memory the program owns, shared without a copy with Qt
// as a QImage for painting and printing. Every operation that changes the size or arrangement
// of the pixels builds a new block, fills it, and only then frees the old one, so a failure
// leaves the bitmap as it was.

#include "QvBitmap.h"

#include <QImage>

#include <cstddef>
#include <memory>

class TQvPixelSnapshot;

// Whether a new block may later be shared with views (the document's current image) or stays the
// bitmap's own (an original turned or resized apart from the image, previews): large shareable
// blocks live in an in-memory file, own ones in plain memory, which the system can give in
// large pages.
enum class TQvBlockUse : uint8_t { Shareable, Own };

// The quarter turns and flips of a bitmap.
enum class TQvTurn : uint8_t { Left, Right, FlipHorizontal, FlipVertical };

class TQvLTBitmap : public TQvBitmap {
public:
  TQvLTBitmap() = default;
  ~TQvLTBitmap() override;
  TQvLTBitmap(const TQvLTBitmap&) = delete;
  TQvLTBitmap& operator=(const TQvLTBitmap&) = delete;

  int32_t Width() const override;
  int32_t Height() const override;
  // nullptr when the bitmap is empty.
  TQvPixels* Pixels() const override;
  bool Paint(QPainter* dc, const TRect& dstRect, const TRect* srcRect,
             const TRect* dstClipRect) const override;
  bool Print(QPainter* dc, const TRect& rect, void* reserved = nullptr,
             int32_t reservedSize = 0) const override;

  // A zero-filled block for width × height in format, the QImage record over it and the pixel
  // store over it. False (and both left empty) when the block or the record cannot be had.
  static bool CreatePixels(std::unique_ptr<TQvLTPixels>& pixels, QImage& record, int32_t width,
                           int32_t height, TQvPixelFormat format, TQvBlockUse use = TQvBlockUse::Shareable);
  static void ReleasePixels(std::unique_ptr<TQvLTPixels>& pixels, QImage& record);

  // Blocks of at least this many bytes live in an in-memory file that views can share (see
  // QvPixelSnapshot.h); smaller ones are plain pages. Tests lower it to put small images there.
  static size_t SharedBlockThreshold;

  void Release();
  // Empty first, then all-zero pixels of the given size. False leaves the bitmap empty.
  bool Allocate(int32_t width, int32_t height, TQvPixelFormat format = PixelFormat24,
                TQvBlockUse use = TQvBlockUse::Shareable);
  void GetBounds(TRect& rect) const { rect = TRect{0, 0, Width(), Height()}; }
  TQvPixelFormat Format() const { return FPixels ? FPixels->Format : 0; }

  // A new bitmap of the same size and format with a copy of the pixels; nullptr on failure.
  std::unique_ptr<TQvLTBitmap> Clone(TQvBlockUse use = TQvBlockUse::Shareable) const;
  // New bitmaps holding rect ∩ bounds moved to (0, 0), or the pixels turned or flipped (24-bit
  // only); nullptr when that is empty or the memory cannot be had. The bitmap is left alone.
  std::unique_ptr<TQvLTBitmap> CroppedCopy(const TRect& rect, TQvBlockUse use = TQvBlockUse::Shareable) const;
  std::unique_ptr<TQvLTBitmap> TurnedCopy(TQvTurn turn, TQvBlockUse use = TQvBlockUse::Shareable) const;
  void Swap(TQvLTBitmap& other);
  // Keeps rect ∩ bounds, moved to (0, 0). False when that is empty.
  bool Crop(const TRect& rect);
  // Only for PixelFormat24; any other format returns false and changes nothing.
  bool FlipHorizontal();
  bool FlipVertical();
  bool RotateLeft();   // 90° anticlockwise: (x, y) → (y, W − 1 − x)
  bool RotateRight();  // 90° clockwise: (x, y) → (H − 1 − y, x)
  // Lanczos resampling of the whole image to width × height.
  bool Resize(int32_t width, int32_t height);
  // A new bitmap of width × height resampled from source ∩ bounds (Lanczos, the source's edges
  // taken as the picture's edges, exactly as if it had been cut out first); nullptr when the
  // memory cannot be had or nothing is left of source. The bitmap itself is left alone.
  std::unique_ptr<TQvLTBitmap> ResizedCopy(int32_t width, int32_t height, const TRect& source,
                                           TQvBlockUse use = TQvBlockUse::Shareable) const;
  // Freezes the block so that views of it can be made: the bitmap keeps its pixels and stays
  // writable. nullptr when the block is not one that can be shared (too small, frozen before, or
  // the system has no in-memory files); nothing changes then.
  std::shared_ptr<const TQvPixelSnapshot> Freeze();
  // Becomes a private view of frozen pixels of width × height in format; false (bitmap unchanged)
  // when they do not fit the snapshot or the view cannot be had.
  bool AdoptView(const TQvPixelSnapshot& Snapshot, int32_t width, int32_t height, TQvPixelFormat format);
  // Allocates the buffer's size and format, then copies it (its pixels land at their own
  // coordinates).
  bool AssignBuffer(const TQvPixels& buffer, TQvBlockUse use = TQvBlockUse::Shareable);
  // Lays buffer out over (0, 0, width, height) in the bitmap's format and copies the pixels.
  static void CopyToBuffer(const TQvLTBitmap& bitmap, TQvPixelBuffer& buffer);

  // The record: a QImage over the pixel memory, for painting. Null when empty. A copy of it is
  // valid only as long as the bitmap keeps this memory (until the next replacing operation).
  const QImage& Image() const { return FHandle; }

private:
  void Adopt(std::unique_ptr<TQvLTPixels>& pixels, QImage& record);
  // Allocate for a block that is about to be written whole: its pages are had in one go.
  bool AllocateForWriting(int32_t width, int32_t height, TQvPixelFormat format, TQvBlockUse use);
  // Takes copy's pixels in place of its own; false (unchanged) for nullptr.
  bool Replace(std::unique_ptr<TQvLTBitmap> copy);

  std::unique_ptr<TQvLTPixels> FPixels;
  QImage FHandle;
};
