#include "QvPixelTransforms.h"

#include "QvParallel.h"

#include <algorithm>
#include <cstring>

namespace {

// Side of the square tiles a quarter turn copies at a time: 64 × 64 pixels of source rows
// (12 KiB) stay in the first-level cache while the destination rows are written in order.
constexpr int32_t kTile = 64;

inline void CopyPixel(uint8_t* to, const uint8_t* from) { std::memcpy(to, from, 3); }

// The destination pixel (c, r) comes from source(c, r), and the source pixel of (c + 1, r) lies
// `step` bytes after that of (c, r). Rows of the destination are split among the threads, so
// each thread writes only its own memory.
template <typename SourceOf>
void TurnTiled(const TQvPixels& src, TQvPixels& dst, int threads, ptrdiff_t step, SourceOf source) {
  const int32_t dstW = dst.Width, dstH = dst.Height;
  const int tileRows = (dstH + kTile - 1) / kTile;
  // Small images are not worth a thread start.
  if (int64_t(dstW) * dstH < 65536) threads = 1;
  QvParallelFor(tileRows, threads, [&](int begin, int end) {
    for (int tileRow = begin; tileRow < end; ++tileRow) {
      const int32_t r0 = tileRow * kTile, r1 = std::min(r0 + kTile, dstH);
      for (int32_t c0 = 0; c0 < dstW; c0 += kTile) {
        const int32_t count = std::min(kTile, dstW - c0);
        for (int32_t r = r0; r < r1; ++r) {
          uint8_t* to = dst.Bits + ptrdiff_t(r) * dst.Stride + ptrdiff_t(c0) * 3;
          const uint8_t* from = source(src, c0, r);
          for (int32_t i = 0; i < count; ++i, to += 3, from += step) CopyPixel(to, from);
        }
      }
    }
  });
}

}  // namespace

void FlipHorizontal24(const TQvPixels& src, TQvPixels& dst) {
  const int32_t w = src.Width;
  for (int32_t y = 0; y < src.Height; ++y) {
    const uint8_t* from = src.Bits + ptrdiff_t(y) * src.Stride;
    uint8_t* to = dst.Bits + ptrdiff_t(y) * dst.Stride + ptrdiff_t(w - 1) * 3;
    for (int32_t x = 0; x < w; ++x, from += 3, to -= 3) CopyPixel(to, from);
  }
}

void FlipVertical24(const TQvPixels& src, TQvPixels& dst) {
  const size_t rowBytes = size_t(src.Width) * 3;
  for (int32_t y = 0; y < src.Height; ++y)
    std::memcpy(dst.Bits + ptrdiff_t(src.Height - 1 - y) * dst.Stride,
                src.Bits + ptrdiff_t(y) * src.Stride, rowBytes);
}

// Old (x, y) goes to (y, W − 1 − x): new (c, r) comes from old (W − 1 − r, c).
void RotateLeft24(const TQvPixels& src, TQvPixels& dst, int threads) {
  const int32_t w = src.Width;
  TurnTiled(src, dst, threads, src.Stride, [w](const TQvPixels& s, int32_t c, int32_t r) {
    return s.Bits + ptrdiff_t(c) * s.Stride + ptrdiff_t(w - 1 - r) * 3;
  });
}

// Old (x, y) goes to (H − 1 − y, x): new (c, r) comes from old (r, H − 1 − c).
void RotateRight24(const TQvPixels& src, TQvPixels& dst, int threads) {
  const int32_t h = src.Height;
  TurnTiled(src, dst, threads, -ptrdiff_t(src.Stride), [h](const TQvPixels& s, int32_t c, int32_t r) {
    return s.Bits + ptrdiff_t(h - 1 - c) * s.Stride + ptrdiff_t(r) * 3;
  });
}
