#pragma once
// What the crop tool draws over the view while a rectangle is on the photo, straight into the
// pixels of the screen surface (never the image's): the darkened surround, the eight hollow
// handles and the dotted outline. Everything is limited to the paint pass's clip.

#include "QvBitmap.h"
#include "QvTypes.h"

#include <QRegion>

// How the crop rectangle is on the screen: being drawn, shown (with handles) or being dragged.
enum class TCropOverlayState { None = 0, Drawing = 1, Shown = 2, Dragging = 3 };

// Inverts every channel of Rect ∩ Clip in Surface.
void InvertPixels(TQvPixels& Surface, const QRegion& Clip, const TRect& Rect);
// The dotted outline of K: every second pixel of its border inverted, on the checkerboard of
// the surface's own coordinates so that a second call removes it again.
void FocusRectPixels(TQvPixels& Surface, const QRegion& Clip, const TRect& K);
// The overlay for Area (the document's area on the screen) and K (the crop rectangle on the
// screen). Nothing for an empty K or state None.
void PaintCropOverlay(TQvPixels& Surface, const QRegion& Clip, const TRect& Area, const TRect& K,
                      TCropOverlayState State);
