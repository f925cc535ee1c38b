#include "prResample.h"

#include <cmath>

double Sinc(double x) {
  if (x == 0) return 1.0;
  const double px = 3.1415926535897932385 * x;
  return std::sin(px) / px;
}

double TWindowedSincResampler::Filter(double x) const {
  x = std::fabs(x);
  if (x >= FRadius) return 0.0;
  return Sinc(x) * Window(x);
}

double TLanczosResampler::Window(double x) const { return Sinc(x / FRadius); }

TMappingTable BuildMappingTable(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                const TPixelResampler&) {
  return {};
}

void Resample(TQvPixels&, const TRect&, const TRect&, const TQvPixels&, const TRect&,
              const TPixelResampler&, int) {}

void StretchNearest(TQvPixels&, const TRect&, const TRect&, const TQvPixels&, const TRect&) {}

void CopyBlend(TQvPixels&, int32_t, int32_t, const TRect&, const TQvPixels&, const TRect&) {}

void CopyDropAlpha(TQvPixels&, int32_t, int32_t, const TRect&, const TQvPixels&, const TRect&) {}
