#include "QvPixelRegion.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <stdexcept>

namespace {

// A box in 64-bit coordinates, right and bottom exclusive, so that sums of int coordinates and
// offsets can be formed without overflow before they are checked.
struct TBox {
  std::int64_t left, top, right, bottom;
  bool IsEmpty() const { return right <= left || bottom <= top; }
};

TBox Intersection(const TBox& a, const TBox& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

// Every pixel whose box, right and bottom edges included, has int coordinates.
constexpr TBox kIntPlane{INT_MIN, INT_MIN, INT_MAX, INT_MAX};

}  // namespace

TQvPixelRegion TQvPixelRegion::FromRect(const TRect& rect) {
  TQvPixelRegion region;
  region.SetRect(rect);
  return region;
}

TQvPixelRegion TQvPixelRegion::FromMask(int left, int top, int width, int height,
                                        const std::uint8_t* mask, std::ptrdiff_t stride) {
  TQvPixelRegion region;
  if (width <= 0 || height <= 0 || mask == nullptr)
    return region;
  const TBox box =
      Intersection({left, top, std::int64_t(left) + width, std::int64_t(top) + height}, kIntPlane);
  region.FLeft = left;
  region.FTop = top;
  region.FWidth = static_cast<int>(box.right - box.left);
  region.FHeight = static_cast<int>(box.bottom - box.top);
  region.FMask.resize(static_cast<std::size_t>(region.FWidth) * region.FHeight);
  for (int row = 0; row < region.FHeight; ++row) {
    const std::uint8_t* src = mask + row * stride;
    std::uint8_t* dst = region.FMask.data() + static_cast<std::size_t>(row) * region.FWidth;
    for (int x = 0; x < region.FWidth; ++x)
      dst[x] = src[x] != 0 ? 1 : 0;
  }
  region.Trim();
  return region;
}

void TQvPixelRegion::SetEmpty() {
  FLeft = FTop = FWidth = FHeight = 0;
  FMask.clear();
}

void TQvPixelRegion::SetRect(const TRect& rect) {
  SetEmpty();
  if (rect.IsEmpty())
    return;
  FLeft = rect.Left;
  FTop = rect.Top;
  // In 64 bits: a rectangle spanning most of the int range has a width that does not fit one.
  const std::int64_t width = std::int64_t(rect.Right) - rect.Left;
  const std::int64_t height = std::int64_t(rect.Bottom) - rect.Top;
  if (width > INT_MAX || height > INT_MAX)
    throw std::length_error("TQvPixelRegion: rectangle too large");
  FWidth = static_cast<int>(width);
  FHeight = static_cast<int>(height);
  FMask.assign(static_cast<std::size_t>(FWidth) * FHeight, 1);
}

TRect TQvPixelRegion::Bounds() const {
  return IsEmpty() ? TRect{} : TRect{FLeft, FTop, FLeft + FWidth, FTop + FHeight};
}

std::int64_t TQvPixelRegion::PixelCount() const {
  return std::count(FMask.begin(), FMask.end(), std::uint8_t(1));
}

void TQvPixelRegion::Offset(int dx, int dy) {
  if (IsEmpty())
    return;
  // Keep only the pixels whose moved coordinates are still ints, then move the box.
  const TBox keep{kIntPlane.left - dx, kIntPlane.top - dy, kIntPlane.right - dx,
                  kIntPlane.bottom - dy};
  ClipTo(keep.left, keep.top, keep.right, keep.bottom);
  Trim();
  if (IsEmpty())
    return;
  FLeft += dx;
  FTop += dy;
}

void TQvPixelRegion::Intersect(const TRect& rect) {
  ClipTo(rect.Left, rect.Top, rect.Right, rect.Bottom);
  Trim();
}

void TQvPixelRegion::ClipTo(std::int64_t left, std::int64_t top, std::int64_t right,
                            std::int64_t bottom) {
  if (IsEmpty())
    return;
  const TBox box =
      Intersection({FLeft, FTop, std::int64_t(FLeft) + FWidth, std::int64_t(FTop) + FHeight},
                   {left, top, right, bottom});
  if (box.IsEmpty()) {
    SetEmpty();
    return;
  }
  if (box.left == FLeft && box.top == FTop && box.right - box.left == FWidth
      && box.bottom - box.top == FHeight)
    return;
  const int width = static_cast<int>(box.right - box.left);
  const int height = static_cast<int>(box.bottom - box.top);
  std::vector<std::uint8_t> mask(static_cast<std::size_t>(width) * height);
  for (int row = 0; row < height; ++row)
    std::memcpy(
        mask.data() + static_cast<std::size_t>(row) * width,
        FMask.data() + static_cast<std::size_t>(box.top - FTop + row) * FWidth + (box.left - FLeft),
        static_cast<std::size_t>(width));
  FLeft = static_cast<int>(box.left);
  FTop = static_cast<int>(box.top);
  FWidth = width;
  FHeight = height;
  FMask = std::move(mask);
}

void TQvPixelRegion::Unite(const TQvPixelRegion& other) {
  Combine(other, TCombine::Or);
}

void TQvPixelRegion::Intersect(const TQvPixelRegion& other) {
  Combine(other, TCombine::And);
}

void TQvPixelRegion::Subtract(const TQvPixelRegion& other) {
  Combine(other, TCombine::Diff);
}

void TQvPixelRegion::Combine(const TQvPixelRegion& other, TCombine mode) {
  if (this == &other) {
    if (mode == TCombine::Diff)
      SetEmpty();
    return;
  }
  if (other.IsEmpty()) {
    if (mode == TCombine::And)
      SetEmpty();
    return;
  }
  if (IsEmpty()) {
    if (mode == TCombine::Or)
      *this = other;
    return;
  }
  const TBox mine{FLeft, FTop, std::int64_t(FLeft) + FWidth, std::int64_t(FTop) + FHeight};
  const TBox theirs{other.FLeft, other.FTop, std::int64_t(other.FLeft) + other.FWidth,
                    std::int64_t(other.FTop) + other.FHeight};
  const TBox common = Intersection(mine, theirs);

  if (mode == TCombine::And) {
    // Cut this region down to the common box, then clear what the other lacks.
    ClipTo(common.left, common.top, common.right, common.bottom);
    if (IsEmpty())
      return;
  } else if (mode == TCombine::Or) {
    const TBox all{std::min(mine.left, theirs.left), std::min(mine.top, theirs.top),
                   std::max(mine.right, theirs.right), std::max(mine.bottom, theirs.bottom)};
    if (all.left != FLeft || all.top != FTop || all.right != mine.right
        || all.bottom != mine.bottom) {
      const int width = static_cast<int>(all.right - all.left);
      const int height = static_cast<int>(all.bottom - all.top);
      std::vector<std::uint8_t> mask(static_cast<std::size_t>(width) * height);
      for (int row = 0; row < FHeight; ++row)
        std::memcpy(mask.data() + static_cast<std::size_t>(FTop - all.top + row) * width
                        + (FLeft - all.left),
                    FMask.data() + static_cast<std::size_t>(row) * FWidth,
                    static_cast<std::size_t>(FWidth));
      FLeft = static_cast<int>(all.left);
      FTop = static_cast<int>(all.top);
      FWidth = width;
      FHeight = height;
      FMask = std::move(mask);
    }
  } else if (common.IsEmpty()) {
    return;  // nothing to take away
  }

  // Walk the part of the other region's box that overlaps this box.
  const TBox area =
      mode == TCombine::Or
          ? theirs
          : Intersection({FLeft, FTop, std::int64_t(FLeft) + FWidth, std::int64_t(FTop) + FHeight},
                         theirs);
  const int width = static_cast<int>(area.right - area.left);
  for (std::int64_t y = area.top; y < area.bottom; ++y) {
    std::uint8_t* dst =
        FMask.data() + static_cast<std::size_t>(y - FTop) * FWidth + (area.left - FLeft);
    const std::uint8_t* src = other.FMask.data()
                              + static_cast<std::size_t>(y - other.FTop) * other.FWidth
                              + (area.left - other.FLeft);
    switch (mode) {
      case TCombine::Or:
        for (int x = 0; x < width; ++x)
          dst[x] |= src[x];
        break;
      case TCombine::And:
        for (int x = 0; x < width; ++x)
          dst[x] &= src[x];
        break;
      case TCombine::Diff:
        for (int x = 0; x < width; ++x)
          dst[x] &= static_cast<std::uint8_t>(src[x] ^ 1);
        break;
    }
  }
  if (mode != TCombine::Or)
    Trim();
}

void TQvPixelRegion::Trim() {
  if (IsEmpty())
    return;
  int top = FHeight, bottom = -1, left = FWidth, right = -1;
  for (int row = 0; row < FHeight; ++row) {
    const std::uint8_t* line = FMask.data() + static_cast<std::size_t>(row) * FWidth;
    const auto first = std::find(line, line + FWidth, std::uint8_t(1));
    if (first == line + FWidth)
      continue;
    const auto last = std::find(std::make_reverse_iterator(line + FWidth),
                                std::make_reverse_iterator(line), std::uint8_t(1));
    top = std::min(top, row);
    bottom = row;
    left = std::min(left, static_cast<int>(first - line));
    right = std::max(right, static_cast<int>(last.base() - line) - 1);
  }
  if (bottom < 0) {
    SetEmpty();
    return;
  }
  ClipTo(std::int64_t(FLeft) + left, std::int64_t(FTop) + top, std::int64_t(FLeft) + right + 1,
         std::int64_t(FTop) + bottom + 1);
}

void TQvPixelRegion::GetRow(std::int64_t y, std::int64_t left, int width, std::uint8_t* out) const {
  if (width <= 0)
    return;
  std::memset(out, 0, static_cast<std::size_t>(width));
  if (IsEmpty() || y < FTop || y >= std::int64_t(FTop) + FHeight)
    return;
  const std::int64_t from = std::max<std::int64_t>(left, FLeft);
  const std::int64_t to = std::min<std::int64_t>(left + width, std::int64_t(FLeft) + FWidth);
  if (from < to)
    std::memcpy(out + (from - left),
                FMask.data() + static_cast<std::size_t>(y - FTop) * FWidth + (from - FLeft),
                static_cast<std::size_t>(to - from));
}

std::vector<TRect> TQvPixelRegion::Rects() const {
  std::vector<TRect> rects;
  ForEachRun([&rects](int y, int left, int right) {
    rects.push_back(TRect{left, y, right, y + 1});
  });
  return rects;
}

QRegion TQvPixelRegion::ToQRegion() const {
  // Runs come in rows top to bottom and left to right within a row, never touching: the banded
  // order that setRects requires.
  std::vector<QRect> rects;
  ForEachRun(
      [&rects](int y, int left, int right) { rects.emplace_back(left, y, right - left, 1); });
  QRegion region;
  if (!rects.empty())
    region.setRects(rects.data(), static_cast<int>(rects.size()));
  return region;
}

bool operator==(const TQvPixelRegion& a, const TQvPixelRegion& b) {
  // Both boxes are tight, so equal sets have equal boxes and masks.
  return a.FLeft == b.FLeft && a.FTop == b.FTop && a.FWidth == b.FWidth && a.FHeight == b.FHeight
         && a.FMask == b.FMask;
}
