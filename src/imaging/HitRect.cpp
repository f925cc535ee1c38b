#include "HitRect.h"

#include <algorithm>

namespace {

// Halving toward zero, in 64 bits so that far-apart edges cannot overflow.
int32_t Middle(int32_t a, int32_t b) { return int32_t((int64_t(a) + b) / 2); }

}  // namespace

THandleEdges HandleEdges(int32_t code) {
  switch (code) {
    case HandleInside: return {true, true, true, true};
    case HandleTop: return {false, true, false, false};
    case HandleTopRight: return {false, true, true, false};
    case HandleRight: return {false, false, true, false};
    case HandleBottomRight: return {false, false, true, true};
    case HandleBottom: return {false, false, false, true};
    case HandleBottomLeft: return {true, false, false, true};
    case HandleLeft: return {true, false, false, false};
    case HandleTopLeft: return {true, true, false, false};
    default: return {};
  }
}

TPoint HandlePoint(const TRect& r, int32_t code) {
  const int32_t cx = Middle(r.Left, r.Right);
  const int32_t cy = Middle(r.Top, r.Bottom);
  switch (code) {
    case HandleTop: return {cx, r.Top};
    case HandleTopRight: return {r.Right - 1, r.Top};
    case HandleRight: return {r.Right - 1, cy};
    case HandleBottomRight: return {r.Right - 1, r.Bottom - 1};
    case HandleBottom: return {cx, r.Bottom - 1};
    case HandleBottomLeft: return {r.Left, r.Bottom - 1};
    case HandleLeft: return {r.Left, cy};
    default: return {r.Left, r.Top};
  }
}

TRect HandleRect(const TPoint& point, int32_t size) {
  if (size == 0) size = HandleSize;
  const int32_t left = point.X - size / 2;
  const int32_t top = point.Y - size / 2;
  return TRect{left, top, left + size, top + size};
}

int32_t HitTestHandles(const TRect& rect, const TPoint& point) {
  for (int32_t code = HandleTop; code <= HandleTopLeft; ++code)
    if (HandleRect(HandlePoint(rect, code)).Contains(point.X, point.Y)) return code;
  return rect.Contains(point.X, point.Y) ? HandleInside : HandleOutside;
}

TRect MoveHandle(const TRect& rect, int32_t code, int32_t dx, int32_t dy) {
  const THandleEdges edges = HandleEdges(code);
  TRect r = rect;
  if (edges.Left) r.Left += dx;
  if (edges.Right) r.Right += dx;
  if (edges.Top) r.Top += dy;
  if (edges.Bottom) r.Bottom += dy;
  return r;
}

TRect NormalizeRect(const TRect& r) {
  return TRect{std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
               std::max(r.Top, r.Bottom)};
}

namespace {

// The part of r inside clip; a rectangle that misses clip keeps no area (not a far-away origin).
TRect ClipDragRect(const TRect& r, const TRect& clip) {
  TRect c{std::clamp(r.Left, clip.Left, clip.Right), std::clamp(r.Top, clip.Top, clip.Bottom),
          std::clamp(r.Right, clip.Left, clip.Right), std::clamp(r.Bottom, clip.Top, clip.Bottom)};
  return c;
}

}  // namespace

TRectDrag DrawRectDrag(const TPoint& anchor, const TPoint& pointer, const TRect& clip) {
  TRectDrag drag;
  drag.Rect = ClipDragRect(NormalizeRect(TRect{anchor.X, anchor.Y, pointer.X, pointer.Y}), clip);
  drag.FlipH = pointer.X < anchor.X;
  drag.FlipV = pointer.Y < anchor.Y;
  return drag;
}

TRectDrag HandleDrag(const TRect& startRect, int32_t code, int32_t dx, int32_t dy, const TRect& clip,
                     bool startFlipH, bool startFlipV) {
  TRectDrag drag;
  drag.Rect = NormalizeRect(MoveHandle(startRect, code, dx, dy));
  drag.FlipH = startFlipH;
  drag.FlipV = startFlipV;
  if (code == HandleInside || HandleEdges(code) == THandleEdges{}) return drag;
  const THandleEdges edges = HandleEdges(code);
  // An edge that crossed its opposite shows up as the opposite side of the normalised result.
  const bool crossedH = (edges.Right && drag.Rect.Left < startRect.Left) ||
                        (edges.Left && startRect.Right < drag.Rect.Right);
  const bool crossedV = (edges.Bottom && drag.Rect.Top < startRect.Top) ||
                        (edges.Top && startRect.Bottom < drag.Rect.Bottom);
  drag.FlipH = crossedH != startFlipH;
  drag.FlipV = crossedV != startFlipV;
  drag.Rect = ClipDragRect(drag.Rect, clip);
  return drag;
}
