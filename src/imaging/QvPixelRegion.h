// A set of image pixels: what the red-eye and gleam tools detect, keep in their undo states and
// outline in their previews.
//
// The set is held as its tight bounding box plus one byte per pixel of that box (1 = member), so
// membership is an index and every set operation is a pass over at most the union of two boxes.
// Pixel (x, y) is the unit square from (x, y) to (x + 1, y + 1).
#pragma once

#include "QvTypes.h"

#include <QRegion>

#include <cstdint>
#include <vector>

class TQvPixelRegion {
public:
  TQvPixelRegion() = default;

  // The pixels of rect (empty for an empty or inverted rectangle).
  static TQvPixelRegion FromRect(const TRect& rect);
  // The pixels of a width x height area at (left, top) whose mask byte is not 0; mask rows are
  // stride bytes apart.
  static TQvPixelRegion FromMask(int left, int top, int width, int height, const std::uint8_t* mask,
                                 std::ptrdiff_t stride);

  bool IsEmpty() const { return FWidth == 0; }
  void SetEmpty();
  void SetRect(const TRect& rect);

  bool Contains(int x, int y) const {
    const std::int64_t dx = static_cast<std::int64_t>(x) - FLeft;
    const std::int64_t dy = static_cast<std::int64_t>(y) - FTop;
    return dx >= 0 && dy >= 0 && dx < FWidth && dy < FHeight
           && FMask[static_cast<std::size_t>(dy * FWidth + dx)] != 0;
  }

  // The tight bounding box; the all-zero rectangle for an empty region.
  TRect Bounds() const;
  std::int64_t PixelCount() const;

  // Moves every pixel by (dx, dy). Pixels whose moved square would not fit the int coordinate
  // range (right and bottom edges included) are dropped.
  void Offset(int dx, int dy);
  void Unite(const TQvPixelRegion& other);
  void Intersect(const TQvPixelRegion& other);
  void Subtract(const TQvPixelRegion& other);
  void Intersect(const TRect& rect);

  // Calls visit(y, left, right) for every maximal run of members in a row, right exclusive, rows
  // top to bottom and runs left to right: the form an undo copy or an outline wants.
  template <typename Visit>
  void ForEachRun(Visit visit) const {
    for (int row = 0; row < FHeight; ++row) {
      const std::uint8_t* line = FMask.data() + static_cast<std::size_t>(row) * FWidth;
      int x = 0;
      while (x < FWidth) {
        while (x < FWidth && line[x] == 0)
          ++x;
        const int start = x;
        while (x < FWidth && line[x] != 0)
          ++x;
        if (x > start)
          visit(FTop + row, FLeft + start, FLeft + x);
      }
    }
  }

  // Membership of the pixels (left + i, y) for i in 0..width-1 as 0 or 1 bytes into out.
  // 64-bit coordinates, so that rows and columns beside any pixel can be asked for.
  void GetRow(std::int64_t y, std::int64_t left, int width, std::uint8_t* out) const;

  // One one-pixel-high rectangle per run.
  std::vector<TRect> Rects() const;
  // The same set as a QRegion, for clipping and painting.
  QRegion ToQRegion() const;

  friend bool operator==(const TQvPixelRegion& a, const TQvPixelRegion& b);

private:
  enum class TCombine { Or, And, Diff };
  void Combine(const TQvPixelRegion& other, TCombine mode);
  // Cuts the box (and the mask with it) down to its common part with the given box, right and
  // bottom exclusive; does not trim.
  void ClipTo(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom);
  // Shrinks the box to the members and drops the mask when none is left.
  void Trim();

  int FLeft = 0;
  int FTop = 0;
  int FWidth = 0;  // 0 exactly when the region is empty
  int FHeight = 0;
  std::vector<std::uint8_t> FMask;  // FWidth x FHeight bytes, rows without padding
};
