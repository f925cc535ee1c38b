#include "QvPixelTransforms.h"

#include <cstring>

void FlipHorizontal24(const TQvPixels& src, TQvPixels& dst) {
  const int32_t w = src.Width;
  for (int32_t y = 0; y < src.Height; ++y) {
    const uint8_t* from = src.Bits + ptrdiff_t(y) * src.Stride;
    uint8_t* to = dst.Bits + ptrdiff_t(y) * dst.Stride + ptrdiff_t(w - 1) * 3;
    for (int32_t x = 0; x < w; ++x, from += 3, to -= 3) std::memcpy(to, from, 3);
  }
}

void FlipVertical24(const TQvPixels& src, TQvPixels& dst) {
  const size_t rowBytes = size_t(src.Width) * 3;
  for (int32_t y = 0; y < src.Height; ++y)
    std::memcpy(dst.Bits + ptrdiff_t(src.Height - 1 - y) * dst.Stride,
                src.Bits + ptrdiff_t(y) * src.Stride, rowBytes);
}

void RotateLeft24(const TQvPixels& src, TQvPixels& dst, int) {
  const int32_t w = src.Width;
  for (int32_t y = 0; y < src.Height; ++y)
    for (int32_t x = 0; x < w; ++x)
      std::memcpy(dst.Bits + ptrdiff_t(w - 1 - x) * dst.Stride + ptrdiff_t(y) * 3,
                  src.Bits + ptrdiff_t(y) * src.Stride + ptrdiff_t(x) * 3, 3);
}

void RotateRight24(const TQvPixels& src, TQvPixels& dst, int) {
  const int32_t h = src.Height;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < src.Width; ++x)
      std::memcpy(dst.Bits + ptrdiff_t(x) * dst.Stride + ptrdiff_t(h - 1 - y) * 3,
                  src.Bits + ptrdiff_t(y) * src.Stride + ptrdiff_t(x) * 3, 3);
}
