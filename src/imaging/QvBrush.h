#pragma once
// Round brush dabs: the dab's coverage mask, the coverage a stroke accumulates, the positions a
// stroke paints at, and the undo brush's blend back towards the original image.

#include "QvBitmap.h"

#include <QRegion>

#include <cstdint>
#include <vector>

// The undo brush's values, shared by the tool, its settings, the demonstration commands and the
// tests.
struct TUndoBrushSettings {
  static constexpr int32_t MinSize = 1;
  static constexpr int32_t MaxSize = 100;

  int32_t Size = 10;       // diameter in image pixels
  int32_t Opacity = 255;   // 0..255
  int32_t Hardness = 255;  // 0..255: 255 a one-pixel soft rim, 0 a ramp from the centre

  friend bool operator==(const TUndoBrushSettings&, const TUndoBrushSettings&) = default;
};

// The square a dab of the given size covers around p: 2·(size div 2) + 1 pixels on a side.
TRect DabRect(const TPoint& p, int32_t size);

// Lays mask out at (0, 0) with the dab's size and fills it with a disc: opacity inside the hard
// core, a linear ramp to 0 across the rim, 0 beyond. A dab of one pixel is always 255.
void BuildBrushMask(TQvPixelMask& mask, int32_t size, int32_t opacity, int32_t hardness);

// stroke := the per-pixel maximum of stroke and dab, growing stroke's bounds as needed. The
// bounds grow with room to spare, so that a long stroke does not copy its mask at every dab.
void AccumulateDab(TQvPixelMask& stroke, const TQvPixelMask& dab);

// The positions a stroke paints at between two reported pointer positions: evenly spaced from
// after `from` up to and including `to`, at most a quarter of the brush size apart (at least one
// pixel), so that a fast stroke leaves no gaps. Empty when the two positions are equal.
std::vector<TPoint> DabPositions(const TPoint& from, const TPoint& to, int32_t size);

// For every pixel of rect that pixels, backup and original share (rows outside, columns inside):
// pixels := backup blended towards original by the coverage there (0 outside coverage's bounds).
// The blend always starts from backup, so coverage that only grows never builds up.
void UndoBrushBlend(TQvPixels& pixels, const TQvPixels& backup, const TQvPixels& original,
                    const TQvPixelMask& coverage, const TRect& rect);

// The option frame's picture of the dab: bitmap filled white, mask centred on it painted towards
// grey level k (255 gives k exactly, other values p + ((value × (k − p)) >> 8)), and a grey 128
// border. mask is read at its own bounds; it is not moved.
void PaintMaskPreview(TQvPixels& bitmap, const TQvPixelMask& mask, uint8_t k);

// Inverts every pixel of the one-pixel outline of the ellipse inscribed in rect (surface
// coordinates) that lies in clip and on the surface: the brush outline, which shows on any colour.
// Each outline pixel is inverted once, so a second call restores the surface.
void InvertEllipseOutline(TQvPixels& surface, const TRect& rect, const QRegion& clip);
