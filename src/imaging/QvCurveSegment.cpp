#include "QvCurveSegment.h"

#include <algorithm>
#include <cmath>
#include <limits>

void TQvCurveSegment::SetStart(const TQvCurvePoint& point) {
  FStart = point;
  Update();
}

void TQvCurveSegment::SetEnd(const TQvCurvePoint& point) {
  FEnd = point;
  Update();
}

bool TQvLineSegment::Update() {
  const double dx = FEnd.X - FStart.X;
  if (dx != 0) {
    FSlope = (FEnd.Y - FStart.Y) / dx;
    FIntercept = FStart.Y - FSlope * FStart.X;
    return true;
  }
  FSlope = std::numeric_limits<double>::infinity();
  FIntercept = -std::numeric_limits<double>::infinity();
  return false;
}

void TQvLineSegment::Fill(int32_t maxValue, TQvLUT& table, double endX, double startX) {
  if (std::isinf(FSlope) || std::isnan(startX) || std::isnan(endX)) return;
  // Only the entries that exist; the bounds also keep the loop counter far from overflow.
  const double first = std::max(std::ceil(startX), 0.0);
  const double last = std::min(endX, double(table.size()) - 1);
  for (double i = first; i <= last; i += 1)
    table[size_t(i)] = int16_t(ClampRound(maxValue, i * FSlope + FIntercept));
}

int32_t ClampRound(int32_t maxValue, double y) {
  if (std::isnan(y) || y < 0) return 0;
  if (y > maxValue) return maxValue;
  return int32_t(std::nearbyint(y));
}

int32_t BuildLUT(const TQvPointList& points, int32_t maxValue, TQvLUT& table) {
  table.clear();
  if (points.Count() != 2 || maxValue < 0) return QvResultFail;
  TQvLineSegment line;
  line.SetStart(TQvCurvePoint{double(points[0].x()), double(points[0].y())});
  line.SetEnd(TQvCurvePoint{double(points[1].x()), double(points[1].y())});
  table.assign(size_t(maxValue) + 1, 0);
  line.Fill(maxValue, table, maxValue, 0);
  return QvResultOk;
}
