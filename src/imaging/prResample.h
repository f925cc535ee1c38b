#pragma once
// High-quality (Lanczos, fixed point) and fast (nearest neighbour) scaling between pixel stores.
// Both address pixels by image coordinates and write only inside the destination rectangle,
// the clip rectangle and the destination's bounds.

#include "QvBitmap.h"

#include <vector>

class TPixelResampler {
public:
  virtual ~TPixelResampler() = default;
  // Whether results must be clamped to 0..255.
  virtual bool RangeCheck() const { return false; }
  // Weight of a source sample at distance x, in source pixels.
  virtual double Filter(double x) const = 0;
  // Half-width of the kernel's support.
  virtual double GetWidth() const = 0;
};

class TWindowedSincResampler : public TPixelResampler {
public:
  bool RangeCheck() const override { return true; }
  double Filter(double x) const override;
  double GetWidth() const override { return FRadius; }
  virtual double Window(double x) const = 0;

protected:
  double FRadius = 3.0;
};

class TLanczosResampler : public TWindowedSincResampler {
public:
  double Window(double x) const override;
};

double Sinc(double x);

// One source sample of a destination column or row; weight in units of 1/256.
struct TContributor {
  int32_t Position = 0;
  int32_t Weight = 0;
  friend bool operator==(const TContributor&, const TContributor&) = default;
};
using TCluster = std::vector<TContributor>;
// One cluster per destination column (or row) of the clipped destination.
using TMappingTable = std::vector<TCluster>;

TMappingTable BuildMappingTable(int32_t dstLo, int32_t dstHi, int32_t clipLo, int32_t clipHi,
                                int32_t srcLo, int32_t srcHi, const TPixelResampler& kernel);

// Scales srcRect of src onto dstRect of dst, both PixelFormat24. threads = 0 uses every core;
// the result is the same bytes for any thread count.
void Resample(TQvPixels& dst, const TRect& dstRect, const TRect& dstClip, const TQvPixels& src,
              const TRect& srcRect, const TPixelResampler& kernel, int threads = 0);

// Nearest-neighbour scaling onto a PixelFormat24 store; src may be PixelFormat24 or
// PixelFormat32Alpha (blended by its alpha).
void StretchNearest(TQvPixels& dst, const TRect& dstRect, const TRect& dstClip,
                    const TQvPixels& src, const TRect& srcRect);
// Unscaled copy; a PixelFormat32Alpha source is blended by its alpha.
void CopyBlend(TQvPixels& dst, int32_t dstX, int32_t dstY, const TRect& dstClip,
               const TQvPixels& src, const TRect& srcRect);
// Unscaled copy; a PixelFormat32Alpha source is copied without its alpha.
void CopyDropAlpha(TQvPixels& dst, int32_t dstX, int32_t dstY, const TRect& dstClip,
                   const TQvPixels& src, const TRect& srcRect);

// The same result as Resample, computed single-threaded without vector instructions: the
// reference the fast path is checked against.
void ResampleScalar(TQvPixels& dst, const TRect& dstRect, const TRect& dstClip, const TQvPixels& src,
                    const TRect& srcRect, const TPixelResampler& kernel);
