#pragma once
// The gleam: a soft white highlight brightened into an ellipse, strongest at its centre, with a
// visible rim. TGlareSelection holds the ellipse of the last gleam; BrightenGleam paints it.

#include "QvBitmap.h"
#include "QvPixelRegion.h"

#include <cstdint>

// The gleam's strength and the ellipse's scale, shared by the tool, its undo states, the
// demonstration commands and the command line.
struct TGleamSettings {
  static constexpr int32_t MaxBrightness = 320;
  // Size is in 128ths of the dragged extent: 128 draws the ellipse as dragged.
  static constexpr int32_t DraggedSize = 128;
  static constexpr int32_t MaxSize = 255;

  int32_t Brightness = 204;
  int32_t Size = DraggedSize;

  friend bool operator==(const TGleamSettings&, const TGleamSettings&) = default;
};

// The corners of the ellipse centred on start that reaches to end scaled by size / 128: q is the
// scaled end point (truncated toward zero) and a its mirror image through start.
void GleamCorners(const TPoint& start, const TPoint& end, int32_t size, TPoint& a, TPoint& q);

// The pixels whose centres lie inside or on the ellipse inscribed in window; empty for an empty
// window.
TQvPixelRegion EllipticRegion(const TRect& window);

class TGlareSelection {
public:
  // The ellipse inscribed in the rectangle spanned by p1 and p2, cut to the bounds of pixels.
  // pixels is only read for its bounds, now and by GetBounds.
  void Select(const TQvPixels& pixels, const TPoint& p1, const TPoint& p2);
  void Clear();

  // The region's box enlarged by one pixel on every side and clipped to the bounds of the store
  // last selected in; the all-zero rectangle when the region is empty.
  void GetBounds(TRect& rect) const { rect = GetBounds(); }
  TRect GetBounds() const;

  // 255 inside the ellipse, 0 elsewhere: the gleam has no soft edge.
  int32_t Coverage(int32_t x, int32_t y) const { return FRegion.Contains(x, y) ? 255 : 0; }

  const TQvPixelRegion& Region() const { return FRegion; }
  const TQvPixels* Pixels() const { return FPixels; }
  TRect Window() const { return FWindow; }

private:
  TQvPixelRegion FRegion;
  const TQvPixels* FPixels = nullptr;  // not owned; only its bounds are used after Select
  TRect FPixelBounds;
  TRect FWindow;
};

// Brightens every pixel of the selection's region in pixels towards white: at the centre by
// brightness / 255 of the way (full white from 255 up), less further out, down to about a sixth
// of that at the ellipse's border, which so shows as a rim. Pixels outside the region, or outside
// pixels, are never changed.
void BrightenGleam(TQvPixels& pixels, const TGlareSelection& selection, int32_t brightness);
