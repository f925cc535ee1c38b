#include "QvMapMode.h"

#include <cmath>

int TQvMapMode::Map(int Value, int FromOrigin, int FromExtent, int ToOrigin, int ToExtent) {
  // 64-bit product and an exact floor division: the same result as a 32-bit product with a
  // floating-point quotient rounded down, for every product that fits in 32 bits.
  const std::int64_t Num = (std::int64_t(Value) - FromOrigin) * ToExtent;
  const std::int64_t Den = FromExtent;
  std::int64_t Q = Num / Den;
  if ((Num % Den != 0) && ((Num < 0) != (Den < 0))) --Q;
  return static_cast<int>(Q + ToOrigin);
}

void TQvMapMode::SetMapping(const QRect& LogicalRect, const QRect& DeviceRect) {
  LogicalOrigin = LogicalRect.topLeft();
  LogicalExtent = QPoint(LogicalRect.width(), LogicalRect.height());
  DeviceOrigin = DeviceRect.topLeft();
  DeviceExtent = QPoint(DeviceRect.width(), DeviceRect.height());
}

void TQvMapMode::SetFromDevice(const TQvDeviceCaps& Caps) {
  DeviceExtent = QPoint(Caps.HorzRes, Caps.VertRes);
  DeviceOrigin = QPoint(-Caps.PhysicalOffsetX, -Caps.PhysicalOffsetY);
  LogicalExtent = QPoint(Caps.HorzSize * 100, Caps.VertSize * 100);
  LogicalOrigin = QPoint(0, 0);
}

QPoint TQvMapMode::LogicalToDevice(const QPoint& P) const {
  return QPoint(Map(P.x(), LogicalOrigin.x(), LogicalExtent.x(), DeviceOrigin.x(), DeviceExtent.x()),
                Map(P.y(), LogicalOrigin.y(), LogicalExtent.y(), DeviceOrigin.y(), DeviceExtent.y()));
}

QPoint TQvMapMode::DeviceToLogical(const QPoint& P) const {
  return QPoint(Map(P.x(), DeviceOrigin.x(), DeviceExtent.x(), LogicalOrigin.x(), LogicalExtent.x()),
                Map(P.y(), DeviceOrigin.y(), DeviceExtent.y(), LogicalOrigin.y(), LogicalExtent.y()));
}

namespace {
// A rectangle's exclusive corners.
QPoint FarCorner(const QRect& R) { return QPoint(R.x() + R.width(), R.y() + R.height()); }
QRect FromCorners(const QPoint& A, const QPoint& B) { return QRect(A.x(), A.y(), B.x() - A.x(), B.y() - A.y()); }
}  // namespace

QRect TQvMapMode::LogicalToDevice(const QRect& R) const {
  return FromCorners(LogicalToDevice(R.topLeft()), LogicalToDevice(FarCorner(R)));
}

QRect TQvMapMode::DeviceToLogical(const QRect& R) const {
  return FromCorners(DeviceToLogical(R.topLeft()), DeviceToLogical(FarCorner(R)));
}

void TQvMapMode::LogicalToDevice(QPoint* Points, int Count) const {
  for (int I = 0; I < Count; ++I) Points[I] = LogicalToDevice(Points[I]);
}

namespace {
int ToHiMetric(double Value, double Factor) {
  const double V = std::nearbyint(Value * Factor);
  // Out-of-range lengths saturate instead of overflowing the conversion.
  if (!(V >= -2147483648.0)) return V != V ? 0 : INT32_MIN;
  if (V > 2147483647.0) return INT32_MAX;
  return static_cast<int>(V);
}
}  // namespace

int TQvMapMode::CentimetresToHiMetric(double Value) { return ToHiMetric(Value, 1000.0); }
int TQvMapMode::MillimetresToHiMetric(double Value) { return ToHiMetric(Value, 100.0); }
int TQvMapMode::InchesToHiMetric(double Value) { return ToHiMetric(Value, 2540.0); }
int TQvMapMode::PointsToHiMetric(double Value) { return ToHiMetric(Value, 2540.0 / 72.0); }
float TQvMapMode::HiMetricToCentimetres(int Value) { return static_cast<float>(Value / 1000.0); }
float TQvMapMode::HiMetricToMillimetres(int Value) { return static_cast<float>(Value / 100.0); }
float TQvMapMode::HiMetricToInches(int Value) { return static_cast<float>(Value / 2540.0); }
float TQvMapMode::HiMetricToPoints(int Value) { return static_cast<float>(Value * 72.0 / 2540.0); }
