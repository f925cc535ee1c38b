#pragma once
// Small 24-bit images made in code for the retouching kernels' tests.

#include "QvBitmap.h"

#include <cstdint>
#include <ostream>
#include <vector>

namespace retouch_test {

struct TRgb {
  int Red = 0, Green = 0, Blue = 0;
  friend bool operator==(const TRgb&, const TRgb&) = default;
};

inline std::ostream& operator<<(std::ostream& os, const TRgb& c) {
  return os << "(" << c.Red << ", " << c.Green << ", " << c.Blue << ")";
}

// A store over heap memory of exactly Stride x Height bytes, so that the sanitizer sees any access
// outside the rows.
class TImage : public TQvPixels {
public:
  TImage(int width, int height, TRgb color = {}, int left = 0, int top = 0) {
    const int stride = RowStride(width, 24);
    FMemory.assign(size_t(stride) * size_t(height), 0);
    InitPixels(TRect{left, top, left + width, top + height}, FMemory.data(), PixelFormat24, stride);
    Fill(BoundsRect(), color);
  }
  TImage(const TImage& other) : TQvPixels(other), FMemory(other.FMemory) { Bits = FMemory.data(); }
  TImage& operator=(const TImage&) = delete;

  void Fill(const TRect& rect, TRgb color) {
    for (int y = rect.Top; y < rect.Bottom; ++y)
      for (int x = rect.Left; x < rect.Right; ++x) Set(x, y, color);
  }
  void Set(int x, int y, TRgb c) { MakeColor(uint8_t(c.Red), uint8_t(c.Green), uint8_t(c.Blue), PixelAt(x, y)); }
  TRgb Get(int x, int y) const {
    const uint8_t* p = PixelAt(x, y);
    return TRgb{p[ChannelRed], p[ChannelGreen], p[ChannelBlue]};
  }
  // Deterministic texture that makes every shifted or swapped pixel show.
  void Texture(int seed = 0) {
    for (int y = Top; y < Top + Height; ++y)
      for (int x = Left; x < Left + Width; ++x)
        Set(x, y, TRgb{(x * 37 + y * 11 + seed) & 255, (x * 5 + y * 53 + seed * 3) & 255, (x * y + seed * 7) & 255});
  }
  bool SameAs(const TImage& other) const { return FMemory == other.FMemory; }

private:
  std::vector<uint8_t> FMemory;
};

}  // namespace retouch_test
