#pragma once
// The eight grab handles of an editable rectangle, the hit test over them, and the geometry of
// dragging a handle: which edges it moves, the rectangle that results, and whether the content
// ends up mirrored because an edge was pulled across the opposite one.
//
// Hit codes: 0 outside, 3 inside (the whole rectangle moves), 4 to 11 the handles clockwise from
// the top middle. Rectangles exclude their right and bottom edges; a handle sits on the last
// pixel inside the rectangle.

#include "QvTypes.h"

#include <cstdint>

constexpr int32_t HandleOutside = 0;
constexpr int32_t HandleInside = 3;
constexpr int32_t HandleTop = 4;
constexpr int32_t HandleTopRight = 5;
constexpr int32_t HandleRight = 6;
constexpr int32_t HandleBottomRight = 7;
constexpr int32_t HandleBottom = 8;
constexpr int32_t HandleBottomLeft = 9;
constexpr int32_t HandleLeft = 10;
constexpr int32_t HandleTopLeft = 11;

// Side of a handle's square in window pixels.
constexpr int32_t HandleSize = 9;

// Which edges a hit code moves when dragged.
struct THandleEdges {
  bool Left = false;
  bool Top = false;
  bool Right = false;
  bool Bottom = false;

  friend bool operator==(const THandleEdges&, const THandleEdges&) = default;
};

THandleEdges HandleEdges(int32_t code);
// Where handle code (4..11) of rect sits; the rectangle's top-left for any other code.
TPoint HandlePoint(const TRect& rect, int32_t code);
// The square of side size (0 means HandleSize) centred on point.
TRect HandleRect(const TPoint& point, int32_t size = 0);
// The first handle 4..11 whose square holds point, else 3 inside rect, else 0.
int32_t HitTestHandles(const TRect& rect, const TPoint& point);
// rect with dx added to the left and/or right edge and dy to the top and/or bottom edge as code
// says; the result may be turned inside out (right < left), NormalizeRect puts it right.
TRect MoveHandle(const TRect& rect, int32_t code, int32_t dx, int32_t dy);
// The same pixels with left <= right and top <= bottom.
TRect NormalizeRect(const TRect& rect);

// The outcome of one pointer position during a drag.
struct TRectDrag {
  TRect Rect;           // normalised, clipped where the drag asks for it
  bool FlipH = false;   // content mirrored left-right
  bool FlipV = false;   // content mirrored top-bottom
};

// Drawing a new rectangle from anchor to pointer, clipped to clip. Dragging left or up of the
// anchor mirrors the content.
TRectDrag DrawRectDrag(const TPoint& anchor, const TPoint& pointer, const TRect& clip);
// Dragging hit code `code` of startRect by (dx, dy). A handle's result is clipped to clip and
// toggles the mirror flags when the moved edge crosses the opposite one; moving the whole
// rectangle (code 3) keeps it unclipped and never mirrors it.
TRectDrag HandleDrag(const TRect& startRect, int32_t code, int32_t dx, int32_t dy, const TRect& clip,
                     bool startFlipH, bool startFlipV);
