#pragma once
// Brightness and contrast: one straight tone curve applied alike to red, green and blue, either
// from two slider values or from a scan that stretches the image's darkest and lightest tones to
// the full range. Every adjustment reads the image as it was before the change and writes the
// current image, so adjustments never accumulate.

#include "QvBitmap.h"
#include "QvCurveSegment.h"

#include <cstdint>

// What the two sliders hold. The sliders keep -127..127; auto-correction may compute values
// outside that range.
struct TBrightnessContrastSettings {
  static constexpr int32_t MinValue = -127;
  static constexpr int32_t MaxValue = 127;

  int32_t Brightness = 0;
  int32_t Contrast = 0;

  bool IsIdentity() const { return Brightness == 0 && Contrast == 0; }
  friend bool operator==(const TBrightnessContrastSettings&, const TBrightnessContrastSettings&) = default;
};

// The end points of the manual curve: (-B, 0) and (255 - B, 255), moved towards each other along x
// by a positive contrast (steeper) or towards each other along y by a negative one (flatter).
void ManualTonePoints(const TBrightnessContrastSettings& settings, TQvPointList& points);

// The outcome of the auto-correction scan.
struct TAutoTone {
  // The smallest non-zero channel among the pixels that set a new darkest sum (scan order), and
  // the largest channel below 255 among those that set a new lightest sum; 0 and 255 when no pixel
  // took part.
  int32_t MinV = 0;
  int32_t MaxV = 255;
  // The slider values that describe the stretch; both 0 when the image is left as it is.
  TBrightnessContrastSettings Settings;

  // True when the stretch maps MinV to 0 and MaxV to 255. False when MinV is not below MaxV (one
  // grey, or records whose ranges cross): such a curve would have no slope or fall, turning the
  // image black or into a threshold, so the image is left as it is.
  bool Stretches() const { return MinV < MaxV; }
};

// Scans every pixel of a PixelFormat24 store; threads as for QvParallelFor. The result does not
// depend on the number of threads.
TAutoTone ScanAutoTone(const TQvPixels& pixels, int threads = 0);

// (MinV, 0) and (MaxV, 255), or the identity (0, 0) and (255, 255) when the scan does not stretch.
void AutoTonePoints(const TAutoTone& tone, TQvPointList& points);

// The 256-entry table of a two-point curve (BuildLUT with maxValue 255).
TQvLUT ToneTable(const TQvPointList& points);
TQvLUT ToneTable(const TBrightnessContrastSettings& settings);

// Every channel of every pixel the two stores share: dst := table[src] (low byte). dst and src
// may be the same store. threads as for QvParallelFor. A table shorter than 256 entries, or a
// format other than PixelFormat24, changes nothing.
void ApplyToneTable(TQvPixels& dst, const TQvPixels& src, const TQvLUT& table, int threads = 0);
