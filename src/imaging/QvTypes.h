#pragma once
// Integer points and rectangles in image (logical) or window (device) coordinates.
// A rectangle's right and bottom edges are exclusive: (0, 0, 2, 3) holds 2 × 3 pixels.

#include <QPoint>
#include <QRect>

#include <algorithm>
#include <cstdint>

struct TPoint {
  int32_t X = 0;
  int32_t Y = 0;

  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;

  int32_t Width() const { return Right - Left; }
  int32_t Height() const { return Bottom - Top; }
  // Empty when it holds no pixel, whatever its corners.
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  bool Contains(int32_t x, int32_t y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }

  friend bool operator==(const TRect&, const TRect&) = default;
};

inline TRect MakeRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return TRect{left, top, right, bottom};
}

inline TRect Bounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  return TRect{left, top, left + width, top + height};
}

inline bool PtInRect(const TRect& r, int32_t x, int32_t y) { return r.Contains(x, y); }

// The common part of a and b; the all-zero rectangle when they share no pixel.
inline TRect IntersectRect(const TRect& a, const TRect& b) {
  TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom)};
  return r.IsEmpty() ? TRect{} : r;
}

// The smallest rectangle holding both; an empty operand does not count.
inline TRect UnionRect(const TRect& a, const TRect& b) {
  if (a.IsEmpty()) return b.IsEmpty() ? TRect{} : b;
  if (b.IsEmpty()) return a;
  return TRect{std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
               std::max(a.Bottom, b.Bottom)};
}

inline TRect OffsetRect(const TRect& r, int32_t dx, int32_t dy) {
  return TRect{r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
}

inline TRect InflateRect(const TRect& r, int32_t dx, int32_t dy) {
  return TRect{r.Left - dx, r.Top - dy, r.Right + dx, r.Bottom + dy};
}

// QRect's right() and bottom() are inclusive; these convert between the two conventions.
inline QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }
inline TRect FromQRect(const QRect& r) { return TRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }
inline QPoint ToQPoint(const TPoint& p) { return QPoint(p.X, p.Y); }
