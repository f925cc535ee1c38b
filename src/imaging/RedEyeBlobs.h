#pragma once
// The first stage of finding red eyes automatically: every 8-connected patch of pixels that are
// strongly of one colour (red, or the green and blue of animal eye-shine), with the moments that
// the shape tests need. The whole image is scanned once, in bands on every core; the patches are
// then joined from their row runs.

#include "QvBitmap.h"

#include <cstdint>
#include <vector>

// How strongly a pixel must be of its dominant channel to take part. F is the dominant channel's
// value and E the sum of the other two: F must reach MinValue, lead both others by MinLead, and
// satisfy F^3 >= Strength x max(1, E)^2 (the click's colour test "1" at a stricter threshold).
struct TRedEyeColorTest {
  int32_t MinValue = 0;
  int32_t MinLead = 0;
  int32_t Strength = 0;
};

struct TRedEyeBlobOptions {
  TRedEyeColorTest Red{70, 40, 180};
  // Eye-shine is bright; a green or blue that is merely saturated (cloth, foliage) is not enough.
  TRedEyeColorTest Green{120, 50, 260};
  TRedEyeColorTest Blue{120, 50, 260};
  bool EyeShine = true;  // look for green and blue patches as well
  int Threads = 0;       // 0: every core
  // Patches larger than this many pixels across are dropped while they are joined: no click can
  // correct more than its 175-pixel window.
  int32_t MaxExtent = 172;
  // A scene with more strongly coloured runs than this (a red wall in fine texture) is not
  // searched further: the finder reports that it gave up rather than use unbounded memory.
  int64_t MaxRuns = 6'000'000;
};

struct TRedEyeBlob {
  int32_t Channel = ChannelRed;  // ChannelRed, ChannelGreen or ChannelBlue
  int64_t Area = 0;              // pixels
  TRect Box;                     // right and bottom exclusive
  // Sums over the pixels' coordinates (relative to Box's top-left corner, so that they stay exact):
  // x, y, x^2, y^2, x y.
  int64_t SumX = 0, SumY = 0, SumXX = 0, SumYY = 0, SumXY = 0;

  double CentreX() const { return Box.Left + double(SumX) / double(Area) + 0.5; }
  double CentreY() const { return Box.Top + double(SumY) / double(Area) + 0.5; }
  // The axes of the ellipse with the same second moments: sqrt of the larger and smaller
  // eigenvalue of the covariance, in pixels (a disc of radius r gives r / 2 for both).
  void Axes(double& major, double& minor) const;
};

struct TRedEyeBlobResult {
  std::vector<TRedEyeBlob> Blobs;  // ordered by their first pixel: top to bottom, left to right
  bool GaveUp = false;             // more runs than MaxRuns
};

// Whether one pixel passes test for channel (of the three bytes blue, green, red).
bool PassesColorTest(const uint8_t* pixel, int32_t channel, const TRedEyeColorTest& test);

// The patches of a PixelFormat24 store (any other store has none). Patches larger than MaxExtent
// across are left out.
TRedEyeBlobResult FindColorBlobs(const TQvPixels& pixels, const TRedEyeBlobOptions& options);
