#pragma once
// Mirror and quarter-turn copies of whole 24-bit images. Both stores cover (0, 0) to their size;
// dst must already have the transformed size (W × H for flips, H × W for turns).

#include "QvBitmap.h"

void FlipHorizontal24(const TQvPixels& src, TQvPixels& dst);
void FlipVertical24(const TQvPixels& src, TQvPixels& dst);
// threads = 0 uses every core; the bytes are the same for any count.
void RotateLeft24(const TQvPixels& src, TQvPixels& dst, int threads = 0);
void RotateRight24(const TQvPixels& src, TQvPixels& dst, int threads = 0);
