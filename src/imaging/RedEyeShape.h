#pragma once
// Shape measures and whole-pixel morphology of small pixel regions (a pupil and what lies around
// it), shared by the automatic finder and the natural correction.

#include "QvPixelRegion.h"

#include <cstdint>

struct TRegionShape {
  int64_t Area = 0;  // pixels
  TRect Box;         // tight box; empty for an empty region
  double CentreX = 0, CentreY = 0;  // centroid of the pixel centres
  double Major = 0, Minor = 0;      // axes of the ellipse with the same second moments
  // Area over box area: pi / 4 for a disc, 1 for a square, small for a ring or a diagonal line.
  double Fill() const { return Box.IsEmpty() ? 0.0 : double(Area) / (double(Box.Width()) * Box.Height()); }
  double AxisRatio() const { return Minor > 0 ? Major / Minor : 0.0; }
  double Aspect() const;  // longer box side over shorter, 1 or more
};

TRegionShape MeasureShape(const TQvPixelRegion& region);

// The region with every hole filled: pixels that no 4-connected path of non-members leads from to
// the outside of the box.
TQvPixelRegion FillHoles(const TQvPixelRegion& region);

// The 8-connected part of region that holds point, or, when point is not a member, the part of
// the member nearest to it (the first in row order among equals). Empty for an empty region.
TQvPixelRegion ConnectedPart(const TQvPixelRegion& region, const TPoint& point);

// Members whose chessboard distance to the nearest non-member is more than steps (the erosion by
// a (2 steps + 1) square), and the dilation by the same square. steps <= 0 returns the region.
TQvPixelRegion Erode(const TQvPixelRegion& region, int32_t steps);
TQvPixelRegion Dilate(const TQvPixelRegion& region, int32_t steps);

// The deepest member's chessboard distance to the outside (1 for a lone pixel, 0 when empty).
int32_t InscribedDepth(const TQvPixelRegion& region);
