#pragma once
// Synthetic flash portraits for the red-eye tests: a store over exactly sized heap memory and
// painters for discs, rings, ellipses and whole faces with known pupils.

#include "QvBitmap.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace synth {

struct TRgb {
  int Red, Green, Blue;
  friend bool operator==(const TRgb&, const TRgb&) = default;
};

inline std::ostream& operator<<(std::ostream& os, const TRgb& c) {
  return os << "(" << c.Red << ", " << c.Green << ", " << c.Blue << ")";
}

// A 24-bit store over heap memory of exactly Stride x Height bytes (the sanitizer sees any access
// outside the rows).
class TImage : public TQvPixels {
public:
  TImage(int width, int height, TRgb color) {
    const int stride = RowStride(width, 24);
    FMemory.assign(std::size_t(stride) * height, 0);
    InitPixels(TRect{0, 0, width, height}, FMemory.data(), PixelFormat24, stride);
    Fill(BoundsRect(), color);
  }
  TImage(const TImage& other) : TQvPixels(), FMemory(other.FMemory) {
    InitPixels(other.BoundsRect(), FMemory.data(), PixelFormat24, other.Stride);
  }
  TImage& operator=(const TImage&) = delete;

  void Fill(const TRect& rect, TRgb color) {
    for (int y = rect.Top; y < rect.Bottom; ++y)
      for (int x = rect.Left; x < rect.Right; ++x)
        Set(x, y, color);
  }
  void Set(int x, int y, TRgb c) {
    if (!BoundsRect().Contains(x, y))
      return;
    uint8_t* p = PixelAt(x, y);
    p[ChannelRed] = uint8_t(c.Red);
    p[ChannelGreen] = uint8_t(c.Green);
    p[ChannelBlue] = uint8_t(c.Blue);
  }
  TRgb Get(int x, int y) const {
    const uint8_t* p = PixelAt(x, y);
    return TRgb{p[ChannelRed], p[ChannelGreen], p[ChannelBlue]};
  }
  // Pixels whose centres lie within the ellipse with centre (cx, cy) and radii rx, ry.
  void Ellipse(double cx, double cy, double rx, double ry, TRgb c) {
    for (int y = int(cy - ry) - 1; y <= int(cy + ry) + 1; ++y)
      for (int x = int(cx - rx) - 1; x <= int(cx + rx) + 1; ++x) {
        const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
        if (dx * dx + dy * dy <= 1.0)
          Set(x, y, c);
      }
  }
  void Disc(double cx, double cy, double r, TRgb c) { Ellipse(cx, cy, r, r, c); }
  bool SameAs(const TImage& other) const { return FMemory == other.FMemory; }

private:
  std::vector<uint8_t> FMemory;
};

inline double Distance(int x, int y, double cx, double cy) { return std::hypot(x + 0.5 - cx, y + 0.5 - cy); }

// Red in hue and clearly saturated: a pupil, its rim or a lip; not skin, iris or a grey.
inline bool ClearlyRed(TRgb c) {
  const int other = std::max(c.Green, c.Blue), low = std::min(c.Green, c.Blue);
  return c.Red >= 60 && c.Red - other >= 20 && (c.Red - low) * 100 >= c.Red * 35;
}

inline int Spread(TRgb c) {
  return std::max({c.Red, c.Green, c.Blue}) - std::min({c.Red, c.Green, c.Blue});
}

inline int Luma(TRgb c) { return (77 * c.Red + 150 * c.Green + 29 * c.Blue + 128) >> 8; }

const TRgb kSkin{215, 168, 150};
const TRgb kWhite{236, 234, 230};
const TRgb kIris{96, 112, 128};
const TRgb kPupilRed{205, 38, 52};
// Clearly red against the iris, yet too weak for the plain detection at the default area size.
const TRgb kRim{120, 76, 76};
const TRgb kCatchLight{252, 240, 240};
const TRgb kLip{206, 72, 84};

// An eye at (cx, cy): white, iris, a red rim ring and a red pupil of radius r with a catch-light.
inline void Eye(TImage& image, double cx, double cy, double r, TRgb pupil = kPupilRed) {
  image.Ellipse(cx, cy, 4.2 * r, 2.2 * r, kWhite);
  image.Disc(cx, cy, 2.2 * r, kIris);
  image.Disc(cx, cy, r + 1.5, kRim);
  image.Disc(cx, cy, r, pupil);
  image.Fill(TRect{int(cx) - 1, int(cy) - 2, int(cx) + 1, int(cy)}, kCatchLight);
}

// A face of half-width w centred at (cx, cy) with eyes of pupil radius r; the pupils' centres are
// returned in left, right.
inline void Face(TImage& image, double cx, double cy, double w, double r, TPoint& left, TPoint& right) {
  image.Ellipse(cx, cy, w, 1.3 * w, kSkin);
  const double ex = 0.42 * w, ey = cy - 0.25 * w;
  Eye(image, cx - ex, ey, r);
  Eye(image, cx + ex, ey, r);
  image.Ellipse(cx, cy + 0.62 * w, 0.38 * w, 0.1 * w, kLip);
  left = TPoint{int(cx - ex), int(ey)};
  right = TPoint{int(cx + ex), int(ey)};
}

}  // namespace synth
