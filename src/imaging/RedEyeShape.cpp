#include "RedEyeShape.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// A region's box widened by a margin, one byte per pixel.
struct TGrid {
  int32_t Left = 0, Top = 0, Width = 0, Height = 0;
  std::vector<uint8_t> Cells;

  uint8_t& At(int32_t x, int32_t y) { return Cells[size_t(y) * Width + x]; }
  uint8_t At(int32_t x, int32_t y) const { return Cells[size_t(y) * Width + x]; }

  static TGrid Of(const TQvPixelRegion& region, int32_t margin) {
    TGrid g;
    const TRect box = region.Bounds();
    g.Left = box.Left - margin;
    g.Top = box.Top - margin;
    g.Width = box.Width() + 2 * margin;
    g.Height = box.Height() + 2 * margin;
    g.Cells.assign(size_t(g.Width) * g.Height, 0);
    for (int32_t y = 0; y < g.Height; ++y)
      region.GetRow(int64_t(g.Top) + y, g.Left, g.Width, &g.Cells[size_t(y) * g.Width]);
    return g;
  }

  TQvPixelRegion ToRegion() const {
    return TQvPixelRegion::FromMask(Left, Top, Width, Height, Cells.data(), Width);
  }
};

// Chessboard distance of each member to the nearest non-member; the grid's outer ring must be
// empty.
std::vector<int32_t> Distances(const TGrid& g) {
  std::vector<int32_t> d(g.Cells.size(), 0);
  const int32_t w = g.Width, h = g.Height;
  auto at = [&](int32_t x, int32_t y) -> int32_t& { return d[size_t(y) * w + x]; };
  for (int32_t y = 1; y < h - 1; ++y)
    for (int32_t x = 1; x < w - 1; ++x)
      if (g.At(x, y))
        at(x, y) = 1 + std::min({at(x - 1, y), at(x - 1, y - 1), at(x, y - 1), at(x + 1, y - 1)});
  for (int32_t y = h - 2; y >= 1; --y)
    for (int32_t x = w - 2; x >= 1; --x)
      if (g.At(x, y))
        at(x, y) = std::min(at(x, y),
                            1 + std::min({at(x + 1, y), at(x + 1, y + 1), at(x, y + 1), at(x - 1, y + 1)}));
  return d;
}

} // namespace

double TRegionShape::Aspect() const {
  if (Box.IsEmpty())
    return 0.0;
  const double a = Box.Width(), b = Box.Height();
  return std::max(a, b) / std::min(a, b);
}

TRegionShape MeasureShape(const TQvPixelRegion& region) {
  TRegionShape s;
  if (region.IsEmpty())
    return s;
  s.Box = region.Bounds();
  // Sums relative to the box, exact for any box a region can have.
  double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
  region.ForEachRun([&](int y, int left, int right) {
    for (int x = left; x < right; ++x) {
      const double px = x - s.Box.Left, py = y - s.Box.Top;
      sx += px;
      sy += py;
      sxx += px * px;
      syy += py * py;
      sxy += px * py;
    }
    s.Area += right - left;
  });
  const double n = double(s.Area);
  const double mx = sx / n, my = sy / n;
  s.CentreX = s.Box.Left + mx + 0.5;
  s.CentreY = s.Box.Top + my + 0.5;
  const double cxx = sxx / n - mx * mx, cyy = syy / n - my * my, cxy = sxy / n - mx * my;
  const double mean = (cxx + cyy) / 2;
  const double spread = std::sqrt(std::max(0.0, (cxx - cyy) * (cxx - cyy) / 4 + cxy * cxy));
  // A pixel is a unit square: 1/12 of variance along each axis even for a lone one.
  s.Major = std::sqrt(std::max(0.0, mean + spread) + 1.0 / 12);
  s.Minor = std::sqrt(std::max(0.0, mean - spread) + 1.0 / 12);
  return s;
}

TQvPixelRegion FillHoles(const TQvPixelRegion& region) {
  if (region.IsEmpty())
    return region;
  TGrid g = TGrid::Of(region, 1);
  // Non-members reachable from the margin are outside (2); what stays 0 is a hole.
  std::vector<std::pair<int32_t, int32_t>> stack{{0, 0}};
  g.At(0, 0) = 2;
  while (!stack.empty()) {
    const auto [x, y] = stack.back();
    stack.pop_back();
    const int32_t nx[4] = {x - 1, x + 1, x, x};
    const int32_t ny[4] = {y, y, y - 1, y + 1};
    for (int i = 0; i < 4; ++i)
      if (nx[i] >= 0 && ny[i] >= 0 && nx[i] < g.Width && ny[i] < g.Height && g.At(nx[i], ny[i]) == 0) {
        g.At(nx[i], ny[i]) = 2;
        stack.emplace_back(nx[i], ny[i]);
      }
  }
  for (uint8_t& c : g.Cells)
    c = c == 2 ? 0 : 1;
  return g.ToRegion();
}

TQvPixelRegion ConnectedPart(const TQvPixelRegion& region, const TPoint& point) {
  if (region.IsEmpty())
    return region;
  TGrid g = TGrid::Of(region, 1);
  // The start: the point itself, else the nearest member.
  int32_t sx = -1, sy = -1;
  const int64_t px = int64_t(point.X) - g.Left, py = int64_t(point.Y) - g.Top;
  if (px >= 0 && py >= 0 && px < g.Width && py < g.Height && g.At(int32_t(px), int32_t(py))) {
    sx = int32_t(px);
    sy = int32_t(py);
  } else {
    int64_t best = -1;
    for (int32_t y = 0; y < g.Height; ++y)
      for (int32_t x = 0; x < g.Width; ++x)
        if (g.At(x, y)) {
          const int64_t d = (x - px) * (x - px) + (y - py) * (y - py);
          if (best < 0 || d < best) {
            best = d;
            sx = x;
            sy = y;
          }
        }
  }
  std::vector<std::pair<int32_t, int32_t>> stack{{sx, sy}};
  g.At(sx, sy) = 2;
  while (!stack.empty()) {
    const auto [x, y] = stack.back();
    stack.pop_back();
    for (int32_t dy = -1; dy <= 1; ++dy)
      for (int32_t dx = -1; dx <= 1; ++dx) {
        // The margin keeps every neighbour of a member inside the grid.
        uint8_t& c = g.At(x + dx, y + dy);
        if (c == 1) {
          c = 2;
          stack.emplace_back(x + dx, y + dy);
        }
      }
  }
  for (uint8_t& c : g.Cells)
    c = c == 2 ? 1 : 0;
  return g.ToRegion();
}

TQvPixelRegion Erode(const TQvPixelRegion& region, int32_t steps) {
  if (steps <= 0 || region.IsEmpty())
    return region;
  TGrid g = TGrid::Of(region, 1);
  const std::vector<int32_t> d = Distances(g);
  for (size_t i = 0; i < g.Cells.size(); ++i)
    g.Cells[i] = d[i] > steps ? 1 : 0;
  return g.ToRegion();
}

TQvPixelRegion Dilate(const TQvPixelRegion& region, int32_t steps) {
  if (steps <= 0 || region.IsEmpty())
    return region;
  // Dilation is the erosion of the complement: a pixel joins when a member lies within steps.
  TGrid g = TGrid::Of(region, steps + 1);
  for (uint8_t& c : g.Cells)
    c = c ? 0 : 1;
  // The complement touches the grid's edge, where the distance must keep growing: treat the
  // outside as complement by leaving the ring as it is and measuring from members only.
  std::vector<int32_t> d(g.Cells.size(), 0);
  const int32_t w = g.Width, h = g.Height;
  const int32_t far = w + h;
  auto at = [&](int32_t x, int32_t y) -> int32_t& { return d[size_t(y) * w + x]; };
  auto get = [&](int32_t x, int32_t y) { return x < 0 || y < 0 || x >= w || y >= h ? far : at(x, y); };
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      at(x, y) = g.At(x, y) == 0
                   ? 0
                   : std::min(far, 1 + std::min({get(x - 1, y), get(x - 1, y - 1), get(x, y - 1), get(x + 1, y - 1)}));
  for (int32_t y = h - 1; y >= 0; --y)
    for (int32_t x = w - 1; x >= 0; --x)
      if (g.At(x, y))
        at(x, y) = std::min(at(x, y),
                            1 + std::min({get(x + 1, y), get(x + 1, y + 1), get(x, y + 1), get(x - 1, y + 1)}));
  for (size_t i = 0; i < g.Cells.size(); ++i)
    g.Cells[i] = d[i] <= steps ? 1 : 0;
  return g.ToRegion();
}

int32_t InscribedDepth(const TQvPixelRegion& region) {
  if (region.IsEmpty())
    return 0;
  const TGrid g = TGrid::Of(region, 1);
  const std::vector<int32_t> d = Distances(g);
  return *std::max_element(d.begin(), d.end());
}
