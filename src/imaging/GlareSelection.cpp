#include "GlareSelection.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

namespace {

int32_t ToInt32(int64_t value) { return int32_t(std::clamp<int64_t>(value, INT_MIN, INT_MAX)); }

int32_t TruncToInt32(double value) {
  if (std::isnan(value)) return 0;
  return int32_t(std::clamp(std::trunc(value), double(INT_MIN), double(INT_MAX)));
}

}  // namespace

void GleamCorners(const TPoint& start, const TPoint& end, int32_t size, TPoint& a, TPoint& q) {
  const double scale = double(size) / TGleamSettings::DraggedSize;
  q.X = TruncToInt32(start.X + (double(end.X) - start.X) * scale);
  q.Y = TruncToInt32(start.Y + (double(end.Y) - start.Y) * scale);
  a.X = ToInt32(2 * int64_t(start.X) - q.X);
  a.Y = ToInt32(2 * int64_t(start.Y) - q.Y);
}

TQvPixelRegion EllipticRegion(const TRect& window) {
  if (window.IsEmpty()) return {};
  // In half-pixel units from the centre, pixel (x, y) has its centre at u = 2x + 1 - (left + right),
  // v = 2y + 1 - (top + bottom), and lies in the ellipse when u²h² + v²w² <= w²h². Exact in
  // 128-bit integers for any window that fits the coordinate range.
  using TWide = __int128;
  const int64_t w = window.Width(), h = window.Height();
  const int64_t sumX = int64_t(window.Left) + window.Right, sumY = int64_t(window.Top) + window.Bottom;
  const TWide w2 = TWide(w) * w, h2 = TWide(h) * h;
  std::vector<uint8_t> mask(size_t(w) * size_t(h), 0);
  for (int64_t row = 0; row < h; ++row) {
    const int64_t v = 2 * (window.Top + row) + 1 - sumY;
    const TWide room = w2 * (h2 - TWide(v) * v);  // u²h² may not exceed this
    if (room < 0) continue;
    auto inside = [&](int64_t u) { return TWide(u) * u * h2 <= room; };
    int64_t u = int64_t(std::floor(double(w) * std::sqrt(std::max(0.0, 1.0 - double(v) * v / double(h2)))));
    while (inside(u + 1)) ++u;
    while (u > 0 && !inside(u)) --u;
    if (!inside(u)) continue;
    // The pixels with |2x + 1 - sumX| <= u.
    const int64_t first = int64_t(std::ceil((double(sumX) - 1 - double(u)) / 2));
    const int64_t last = int64_t(std::floor((double(sumX) - 1 + double(u)) / 2));
    for (int64_t x = std::max<int64_t>(first, window.Left); x <= std::min<int64_t>(last, int64_t(window.Right) - 1); ++x)
      mask[size_t(row) * size_t(w) + size_t(x - window.Left)] = 1;
  }
  return TQvPixelRegion::FromMask(window.Left, window.Top, int(w), int(h), mask.data(), std::ptrdiff_t(w));
}

void TGlareSelection::Select(const TQvPixels& pixels, const TPoint& p1, const TPoint& p2) {
  FRegion.SetEmpty();
  FPixels = &pixels;
  FPixelBounds = pixels.BoundsRect();
  const TRect spanned{std::min(p1.X, p2.X), std::min(p1.Y, p2.Y), std::max(p1.X, p2.X), std::max(p1.Y, p2.Y)};
  FWindow = IntersectRect(spanned, FPixelBounds);
  FRegion = EllipticRegion(FWindow);
}

void TGlareSelection::Clear() {
  FRegion.SetEmpty();
  FPixels = nullptr;
  FPixelBounds = TRect{};
  FWindow = TRect{};
}

TRect TGlareSelection::GetBounds() const {
  if (FRegion.IsEmpty()) return TRect{};
  const TRect box = FRegion.Bounds();
  // The region lies inside the store's bounds, so the enlarged box never leaves the int range
  // once clipped.
  const TRect grown{ToInt32(int64_t(box.Left) - 1), ToInt32(int64_t(box.Top) - 1),
                    ToInt32(int64_t(box.Right) + 1), ToInt32(int64_t(box.Bottom) + 1)};
  return IntersectRect(grown, FPixelBounds);
}

void BrightenGleam(TQvPixels& pixels, const TGlareSelection& selection, int32_t brightness) {
  if (pixels.IsEmpty() || pixels.Format != PixelFormat24) return;
  const TRect box = selection.GetBounds();
  if (box.IsEmpty()) return;
  // w and h are one less than the box's width and height, so a box one pixel wide or high gives
  // 0; such a box is brightened as if they were 1 rather than divided by zero.
  const double w = std::max<int64_t>(1, int64_t(box.Right) - 1 - box.Left);
  const double h = std::max<int64_t>(1, int64_t(box.Bottom) - 1 - box.Top);
  const double cx = box.Left + w / 2, cy = box.Top + h / 2;
  const TRect area = IntersectRect(box, pixels.BoundsRect());
  const TQvPixelRegion& region = selection.Region();
  for (int32_t y = area.Top; y < area.Bottom; ++y) {
    const double dy = (y - cy) * (y - cy) / h / h;
    uint8_t* p = pixels.PixelAt(area.Left, y);
    for (int32_t x = area.Left; x < area.Right; ++x, p += 3) {
      if (!region.Contains(x, y)) continue;
      const double d = (x - cx) * (x - cx) / w / w + dy;
      const double l = 1 - std::sqrt(d);
      const double t = l < 0.4 ? 0.0 : std::min(1.0, (l - 0.4) / 0.6);
      const double f = std::clamp(brightness * t / 255, 0.0, 1.0);
      for (int channel : {ChannelRed, ChannelGreen, ChannelBlue})
        p[channel] = uint8_t(p[channel] + int32_t(std::trunc((255 - p[channel]) * f)));
    }
  }
}
