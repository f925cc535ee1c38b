#pragma once
// Red-eye detection and correction.
//
// TRedEyeSelection finds the pupil around a clicked pixel: the 4-connected patch of pixels that are
// strong in the channel dominating the 3 x 3 block under the click (red, green or blue, so green and
// blue eye-shine are found too), searched inside a 175-pixel window. CorrectRedEye then lowers the
// red energy of that patch, with a soft edge one pixel wide.
//
// Detection and correction use exact integer arithmetic, so results do not depend on how a
// compiler evaluates floating point.

#include "QvBitmap.h"
#include "QvPixelRegion.h"

#include <QLoggingCategory>

#include <cstdint>
#include <vector>

// One line per detection ("Stack iterations: <pushes> Time: <ms>"); off by default. Enable with
// QT_LOGGING_RULES="ocuvane.imaging.redeye.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcRedEye)

// Weights of the dominant channel: exactly one of them is 1 after a Select.
struct TRedEyeChannel {
  uint8_t Blue = 0;
  uint8_t Green = 0;
  uint8_t Red = 0;

  friend bool operator==(const TRedEyeChannel&, const TRedEyeChannel&) = default;
};

class TRedEyeSelection {
public:
  // Colour tests; the user sees them as "1", "2" and "3".
  static constexpr int32_t FormulaCubic = 0;      // (F / E)^2 x F >= threshold
  static constexpr int32_t FormulaRatio = 1;      // (F / E)^2 x 127 >= threshold
  static constexpr int32_t FormulaSimilar = 2;    // close to the clicked colour

  TRedEyeSelection();

  // Detects the pupil in pixels (a PixelFormat24 store) around seed, in image coordinates.
  // threshold = 255 - area size (0..255); border grows (> 0) or shrinks (< 0) the result by whole
  // pixels; formula is one of the Formula constants. Another format, or an unknown formula,
  // detects nothing. pixels is only read during the call; its bounds are remembered for GetBounds.
  void Select(const TQvPixels& pixels, const TPoint& seed, int32_t threshold, int32_t border,
              int32_t formula);
  // Empties the region and forgets the pixel store.
  void Clear();
  // Puts a refined detection in place of the last Select's region, kept inside that Select's search
  // window without its outer ring, as a detected region is.
  void ReplaceRegion(const TQvPixelRegion& region);

  // The region's box enlarged by one pixel on every side (the soft edge) and clipped to the bounds
  // of the store last searched; the all-zero rectangle when the region is empty.
  void GetBounds(TRect& rect) const { rect = GetBounds(); }
  TRect GetBounds() const;

  // The detected pupil. Kept until the next Select or Clear.
  const TQvPixelRegion& Region() const { return FRegion; }

  // Strength of the correction at (x, y), 0..255: the region's membership blurred by the 3 x 3
  // kernel 1-2-1 / 2-4-2 / 1-2-1 and scaled by 255 / 16, rounded down.
  int32_t Coverage(int32_t x, int32_t y) const;

  // What the last Select used.
  const TQvPixels* Pixels() const { return FPixels; }
  TPoint Seed() const { return FSeed; }
  TRect Window() const { return FWindow; }
  TRedEyeChannel Channel() const { return FChannel; }
  int32_t Threshold() const { return FThreshold; }
  int32_t Border() const { return FBorder; }
  int32_t Formula() const { return FFormula; }
  int32_t WindowSize() const { return FWindowSize; }

private:
  void ChooseChannel(const TPoint& seed);
  void Grow(const TPoint& seed);
  // Grows (n > 0) or shrinks (n < 0) region by |n| steps of the 3 x 3 square; the grown pixels
  // are kept only inside clip, which must hold the region.
  static void Morph(TQvPixelRegion& region, int32_t n, const TRect& clip);

  TQvPixelRegion FRegion;
  int32_t FThreshold = 0;
  int32_t FBorder = 0;
  int32_t FFormula = 0;
  TRedEyeChannel FChannel;
  int32_t FWindowSize = 175;
  const TQvPixels* FPixels = nullptr;  // not owned; only its bounds are used after Select
  TRect FPixelBounds;
  TPoint FSeed;
  TRect FWindow;

  // Working storage of Grow, kept between calls only to spare the allocations: one state byte per
  // pixel of the shrunk window, and the fill stack.
  std::vector<uint8_t> FGrowState;
  std::vector<TPoint> FStack;
};

// Darkens, in pixels, every pixel of the selection's GetBounds box whose coverage is not 0.
// pixels should have the geometry of the store passed to Select; pixels outside it are left alone.
// brightness (0..255) is how much red energy may remain; values below 1 count as 1.
void CorrectRedEye(TQvPixels& pixels, const TRedEyeSelection& selection, int32_t brightness);

// The new red of one pixel at full coverage: the largest R' <= red with
// R'^2 x red < brightness x max(1, green + blue)^2. brightness must be at least 1.
uint8_t DarkenedRed(uint8_t red, uint8_t green, uint8_t blue, int32_t brightness);
