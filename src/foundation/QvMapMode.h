// Integer mappings between a logical and a device coordinate system, rounding down.
#pragma once

#include <QPoint>
#include <QRect>

#include <cstdint>

// What a map mode needs of a printing device (filled by the printing code from its printer):
// the printable area in pixels, the unprintable margin in pixels, the printable size in millimetres.
struct TQvDeviceCaps {
  int HorzRes = 0;          // printable width, device pixels
  int VertRes = 0;          // printable height, device pixels
  int PhysicalOffsetX = 0;  // unprintable left margin, device pixels
  int PhysicalOffsetY = 0;  // unprintable top margin, device pixels
  int HorzSize = 0;         // printable width, millimetres
  int VertSize = 0;         // printable height, millimetres
};

// d = floor((l - LogicalOrigin) * DeviceExtent / LogicalExtent) + DeviceOrigin, per axis, and the
// inverse likewise; both directions round toward minus infinity, so a round trip may move a point
// by one unit. Extents in the source direction must not be 0.
//
// Rectangles follow the program's convention of excluding their right and bottom edges: a QRect
// (x, y, w, h) has corners (x, y) and (x + w, y + h); both corners are converted independently.
class TQvMapMode {
 public:
  TQvMapMode() = default;

  QPoint LogicalOrigin{0, 0};
  QPoint LogicalExtent{1, 1};
  QPoint DeviceOrigin{0, 0};
  QPoint DeviceExtent{1, 1};

  // Origins := the rectangles' top-left corners, extents := their widths and heights.
  void SetMapping(const QRect& LogicalRect, const QRect& DeviceRect);
  // DeviceExtent := printable size in pixels, DeviceOrigin := minus the unprintable margin,
  // LogicalExtent := printable size in 0.01 mm, LogicalOrigin := (0, 0).
  void SetFromDevice(const TQvDeviceCaps& Caps);

  QPoint LogicalToDevice(const QPoint& Point) const;
  QRect LogicalToDevice(const QRect& Rect) const;
  void LogicalToDevice(QPoint* Points, int Count) const;
  QPoint DeviceToLogical(const QPoint& Point) const;
  QRect DeviceToLogical(const QRect& Rect) const;

  // One axis: floor((Value - FromOrigin) * ToExtent / FromExtent) + ToOrigin.
  static int Map(int Value, int FromOrigin, int FromExtent, int ToOrigin, int ToExtent);

  // Lengths to 0.01 mm, rounded to nearest (ties to even).
  static int CentimetresToHiMetric(double Value);
  static int MillimetresToHiMetric(double Value);
  static int InchesToHiMetric(double Value);
  static int PointsToHiMetric(double Value);
  static float HiMetricToCentimetres(int Value);
  static float HiMetricToMillimetres(int Value);
  static float HiMetricToInches(int Value);
  static float HiMetricToPoints(int Value);
};

// A map mode whose logical unit is 0.01 mm (the printer's page coordinates).
class TQvHiMetric : public TQvMapMode {};
