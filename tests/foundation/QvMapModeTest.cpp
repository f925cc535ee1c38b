#include "QvMapMode.h"
#include "QvPointList.h"

#include <gtest/gtest.h>

TEST(QvMapMode, NewMapModeIsIdentity) {
  const TQvMapMode M;
  EXPECT_EQ(M.LogicalToDevice(QPoint(-7, 12)), QPoint(-7, 12));
  EXPECT_EQ(M.DeviceToLogical(QPoint(5, -3)), QPoint(5, -3));
}

TEST(QvMapMode, ConversionsRoundDown) {
  TQvMapMode M;
  M.SetMapping(QRect(0, 0, 100, 100), QRect(0, 0, 50, 50));
  struct Case {
    QPoint Logical, Device;
  };
  const Case Cases[] = {
      {{3, 3}, {1, 1}},     {{-1, -1}, {-1, -1}},  // toward minus infinity, not toward zero
      {{0, 0}, {0, 0}},     {{1, 199}, {0, 99}},
      {{-2, -3}, {-1, -2}}, {{100, 100}, {50, 50}},
  };
  for (const auto& C : Cases) EXPECT_EQ(M.LogicalToDevice(C.Logical), C.Device) << C.Logical.x() << "," << C.Logical.y();
  EXPECT_EQ(M.DeviceToLogical(QPoint(1, -1)), QPoint(2, -2));
}

TEST(QvMapMode, OriginsAndZoom) {
  // A view scrolled to logical (10, 20) at 300 % zoom, drawn from device (5, 5).
  TQvMapMode M;
  M.SetMapping(QRect(10, 20, 1, 1), QRect(5, 5, 3, 3));
  EXPECT_EQ(M.LogicalToDevice(QPoint(10, 20)), QPoint(5, 5));
  EXPECT_EQ(M.LogicalToDevice(QPoint(12, 19)), QPoint(11, 2));
  EXPECT_EQ(M.DeviceToLogical(QPoint(7, 4)), QPoint(10, 19));
  // A round trip may move a point by one unit, never more.
  TQvMapMode Shrink;
  Shrink.SetMapping(QRect(0, 0, 3, 3), QRect(0, 0, 2, 2));
  for (int X = -10; X <= 10; ++X) {
    const int Back = Shrink.DeviceToLogical(Shrink.LogicalToDevice(QPoint(X, 0))).x();
    EXPECT_LE(X - Back, 1) << X;
    EXPECT_GE(X - Back, 0) << X;
  }
}

TEST(QvMapMode, RectanglesConvertBothCorners) {
  TQvMapMode M;
  M.SetMapping(QRect(0, 0, 4, 4), QRect(0, 0, 1, 1));
  // Corners (1, 1) and (7, 10) go to (0, 0) and (1, 2).
  EXPECT_EQ(M.LogicalToDevice(QRect(1, 1, 6, 9)), QRect(0, 0, 1, 2));
  EXPECT_EQ(M.DeviceToLogical(QRect(1, 1, 2, 2)), QRect(4, 4, 8, 8));
  QPoint Points[2] = {{4, 8}, {-1, 0}};
  M.LogicalToDevice(Points, 2);
  EXPECT_EQ(Points[0], QPoint(1, 2));
  EXPECT_EQ(Points[1], QPoint(-1, 0));
}

TEST(QvMapMode, FromDeviceMapsHiMetricFromThePrintableOrigin) {
  // A 600 dpi A4 page: 4760 x 6814 printable pixels, a 100-pixel margin, 201 x 288 mm printable.
  TQvHiMetric M;
  M.SetFromDevice(TQvDeviceCaps{4760, 6814, 100, 100, 201, 288});
  EXPECT_EQ(M.LogicalExtent, QPoint(20100, 28800));
  EXPECT_EQ(M.DeviceOrigin, QPoint(-100, -100));
  EXPECT_EQ(M.LogicalToDevice(QPoint(0, 0)), QPoint(-100, -100));
  EXPECT_EQ(M.LogicalToDevice(QPoint(20100, 28800)), QPoint(4660, 6714));
}

TEST(QvMapMode, UnitConversions) {
  EXPECT_EQ(TQvMapMode::InchesToHiMetric(1.0), 2540);
  EXPECT_EQ(TQvMapMode::PointsToHiMetric(72.0), 2540);
  EXPECT_EQ(TQvMapMode::CentimetresToHiMetric(2.1), 2100);
  EXPECT_EQ(TQvMapMode::MillimetresToHiMetric(0.125), 12);  // 12.5: ties to even
  EXPECT_EQ(TQvMapMode::MillimetresToHiMetric(0.375), 38);  // 37.5
  EXPECT_EQ(TQvMapMode::MillimetresToHiMetric(-0.125), -12);
  EXPECT_EQ(TQvMapMode::MillimetresToHiMetric(1e12), INT32_MAX);
  EXPECT_FLOAT_EQ(TQvMapMode::HiMetricToInches(2540), 1.0f);
  EXPECT_FLOAT_EQ(TQvMapMode::HiMetricToPoints(2540), 72.0f);
  EXPECT_FLOAT_EQ(TQvMapMode::HiMetricToCentimetres(2100), 2.1f);
  EXPECT_FLOAT_EQ(TQvMapMode::HiMetricToMillimetres(150), 1.5f);
}

TEST(QvPointList, AddAndGet) {
  TQvPointList L;
  L.Add(QPoint(0, 0));
  L.Add(QPoint(255, 128));
  QPoint P(9, 9);
  EXPECT_TRUE(L.Get(1, P));
  EXPECT_EQ(P, QPoint(255, 128));
  EXPECT_FALSE(L.Get(2, P));
  EXPECT_EQ(P, QPoint(255, 128));
  L.Delete(0);
  EXPECT_EQ(L.Count(), 1);
}
