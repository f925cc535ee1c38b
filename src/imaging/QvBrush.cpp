#include "QvBrush.h"

#include "GlareSelection.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace {

int32_t ToInt32(int64_t value) { return int32_t(std::clamp<int64_t>(value, INT_MIN, INT_MAX)); }

}  // namespace

TRect DabRect(const TPoint& p, int32_t size) {
  const int64_t half = std::max(0, size) / 2;
  return TRect{ToInt32(p.X - half), ToInt32(p.Y - half), ToInt32(p.X + half + 1), ToInt32(p.Y + half + 1)};
}

void BuildBrushMask(TQvPixelMask& mask, int32_t size, int32_t opacity, int32_t hardness) {
  size = std::clamp(size, 0, 65535);
  opacity = std::clamp(opacity, 0, 255);
  hardness = std::clamp(hardness, 0, 255);
  const int32_t side = 2 * (size / 2) + 1;
  mask.SetBounds(0, 0, side, side);
  const int32_t d = side / 2;
  if (d == 0) {
    mask.Values[0] = 255;
    return;
  }
  const double e = size / 2.0;
  const double f = e + 0.5;                                // outer radius
  const double g = e - e * (1 - hardness / 255.0) - 0.5;  // inner radius: full opacity inside
  for (int32_t h = 0; h <= d; ++h) {
    for (int32_t l = 0; l <= d; ++l) {
      const double m = std::sqrt(double(h) * h + double(l) * l);
      if (m > f) break;
      const uint8_t v = m < g ? uint8_t(opacity) : uint8_t(std::nearbyint((f - m) / (f - g) * opacity));
      for (int32_t row : {d + h, d - h})
        for (int32_t column : {d + l, d - l}) mask.Values[size_t(row) * size_t(side) + size_t(column)] = v;
    }
  }
}

void AccumulateDab(TQvPixelMask& stroke, const TQvPixelMask& dab) {
  if (!dab.Values) return;
  const TRect have = stroke.BoundsRect();
  const TRect need = dab.BoundsRect();
  if (!stroke.Values) {
    stroke.Include(need);
  } else if (IntersectRect(UnionRect(have, need), have) != UnionRect(have, need)) {
    // Grow each side that must move by at least half the current extent, so the number of copies
    // stays logarithmic in the stroke's length.
    const int64_t slackX = std::max<int64_t>(need.Width(), have.Width() / 2);
    const int64_t slackY = std::max<int64_t>(need.Height(), have.Height() / 2);
    TRect grown = have;
    if (need.Left < have.Left) grown.Left = ToInt32(int64_t(need.Left) - slackX);
    if (need.Top < have.Top) grown.Top = ToInt32(int64_t(need.Top) - slackY);
    if (need.Right > have.Right) grown.Right = ToInt32(int64_t(need.Right) + slackX);
    if (need.Bottom > have.Bottom) grown.Bottom = ToInt32(int64_t(need.Bottom) + slackY);
    stroke.Include(grown);
  }
  stroke.MergeMax(dab);
}

std::vector<TPoint> DabPositions(const TPoint& from, const TPoint& to, int32_t size) {
  std::vector<TPoint> positions;
  const double dx = double(to.X) - from.X, dy = double(to.Y) - from.Y;
  const double length = std::sqrt(dx * dx + dy * dy);
  if (length == 0) return positions;
  const double spacing = std::max(1.0, size / 4.0);
  // At least as many steps as pixels along the longer axis divided by the spacing, so that even
  // a one-pixel brush moves at most one pixel per axis from dab to dab.
  const int64_t steps = std::max<int64_t>(1, int64_t(std::ceil(length / spacing)));
  positions.reserve(size_t(steps));
  for (int64_t k = 1; k <= steps; ++k) {
    const double t = double(k) / double(steps);
    positions.push_back(TPoint{ToInt32(int64_t(std::nearbyint(from.X + dx * t))),
                               ToInt32(int64_t(std::nearbyint(from.Y + dy * t)))});
  }
  positions.back() = to;
  return positions;
}

void UndoBrushBlend(TQvPixels& pixels, const TQvPixels& backup, const TQvPixels& original,
                    const TQvPixelMask& coverage, const TRect& rect) {
  for (const TQvPixels* store : {static_cast<const TQvPixels*>(&pixels), &backup, &original})
    if (store->IsEmpty() || store->Format != PixelFormat24) return;
  const TRect area = IntersectRect(
      IntersectRect(IntersectRect(rect, pixels.BoundsRect()), backup.BoundsRect()), original.BoundsRect());
  if (area.IsEmpty()) return;
  TRect covered = coverage.Values ? IntersectRect(area, coverage.BoundsRect()) : TRect{};
  if (covered.IsEmpty()) covered = TRect{area.Left, area.Top, area.Left, area.Top};
  // BlendColor's arithmetic, written out so that the pixels of a dab do not each pay a call:
  // coverage 0 is the backup, 255 the original, anything between backup + floor(a × (o − b) / 256).
  const auto copy = [](uint8_t* to, const uint8_t* from, int32_t count) {
    if (count > 0) std::memmove(to, from, size_t(count) * 3);
  };
  for (int32_t y = area.Top; y < area.Bottom; ++y) {
    uint8_t* to = pixels.PixelAt(area.Left, y);
    const uint8_t* from = backup.PixelAt(area.Left, y);
    if (y < covered.Top || y >= covered.Bottom) {
      copy(to, from, area.Width());
      continue;
    }
    const uint8_t* back = original.PixelAt(area.Left, y);
    const int32_t before = covered.Left - area.Left, inside = covered.Width();
    copy(to, from, before);
    const uint8_t* a = coverage.ValueAt(covered.Left, y);
    for (int32_t i = before * 3, end = (before + inside) * 3; i < end; i += 3) {
      const int32_t alpha = *a++;
      if (alpha == 0) {
        to[i] = from[i];
        to[i + 1] = from[i + 1];
        to[i + 2] = from[i + 2];
      } else if (alpha == 255) {
        to[i] = back[i];
        to[i + 1] = back[i + 1];
        to[i + 2] = back[i + 2];
      } else {
        for (int32_t c = 0; c < 3; ++c)
          to[i + c] = uint8_t(from[i + c] + ((alpha * (int32_t(back[i + c]) - from[i + c])) >> 8));
      }
    }
    const int32_t after = before + inside;
    copy(to + after * 3, from + after * 3, area.Width() - after);
  }
}

void PaintMaskPreview(TQvPixels& bitmap, const TQvPixelMask& mask, uint8_t k) {
  if (bitmap.IsEmpty() || bitmap.Format != PixelFormat24) return;
  for (int32_t y = 0; y < bitmap.Height; ++y) std::memset(bitmap.Bits + ptrdiff_t(y) * bitmap.Stride, 255, size_t(bitmap.Width) * 3);
  if (mask.Values) {
    const int32_t offsetX = bitmap.Left + (bitmap.Width - mask.Width) / 2;
    const int32_t offsetY = bitmap.Top + (bitmap.Height - mask.Height) / 2;
    const TRect placed = Bounds(offsetX, offsetY, mask.Width, mask.Height);
    const TRect area = IntersectRect(placed, bitmap.BoundsRect());
    for (int32_t y = area.Top; y < area.Bottom; ++y) {
      const uint8_t* value = mask.Values + size_t(y - offsetY) * size_t(mask.Width) + size_t(area.Left - offsetX);
      uint8_t* p = bitmap.PixelAt(area.Left, y);
      for (int32_t x = area.Left; x < area.Right; ++x, ++value)
        for (int channel = 0; channel < 3; ++channel, ++p)
          *p = *value == 255 ? k : uint8_t(*p + ((int32_t(*value) * (int32_t(k) - *p)) >> 8));
    }
  }
  const TRect all = bitmap.BoundsRect();
  for (int32_t y = all.Top; y < all.Bottom; ++y)
    for (int32_t x = all.Left; x < all.Right; ++x)
      if (y == all.Top || y == all.Bottom - 1 || x == all.Left || x == all.Right - 1)
        MakeColor(128, 128, 128, bitmap.PixelAt(x, y));
}

void InvertEllipseOutline(TQvPixels& surface, const TRect& rect, const QRegion& clip) {
  if (surface.IsEmpty() || surface.Format != PixelFormat24) return;
  const TQvPixelRegion disc = EllipticRegion(rect);
  const TRect area = surface.BoundsRect();
  disc.ForEachRun([&](int y, int left, int right) {
    for (int x = left; x < right; ++x) {
      // On the outline: a member with a neighbour outside (left, right, above or below).
      const bool edge = x == left || x == right - 1 || !disc.Contains(x, y - 1) || !disc.Contains(x, y + 1);
      if (!edge || !area.Contains(x, y) || !clip.contains(QPoint(x, y))) continue;
      uint8_t* p = surface.PixelAt(x, y);
      p[ChannelBlue] = uint8_t(~p[ChannelBlue]);
      p[ChannelGreen] = uint8_t(~p[ChannelGreen]);
      p[ChannelRed] = uint8_t(~p[ChannelRed]);
    }
  });
}
