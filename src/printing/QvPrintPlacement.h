// Where and how large the photo lands on the printed page: the page's geometry, the four length
// units of the print dialog and the placement arithmetic shared by the dialog and ocuvane-cli.
// No widgets here, so the arithmetic can be tested on its own.
//
// Page coordinates are integers in 0.01 mm from the sheet's top-left corner, x to the right and y
// downwards; the printer's device pixels count from the printable area's corner.
#pragma once

#include "QvMapMode.h"

#include <QLocale>
#include <QPoint>
#include <QRect>
#include <QString>

#include <optional>

// What the placement needs to know of the page, in the printer's device pixels.
struct TQvPageGeometry {
  int PhysicalWidth = 0;   // the sheet
  int PhysicalHeight = 0;
  int OffsetX = 0;         // the printable area's corner, measured from the sheet's corner
  int OffsetY = 0;
  int PrintableWidth = 0;  // the printable area
  int PrintableHeight = 0;
  int PrintableWidthHiMetric = 0;  // the printable area's size in 0.01 mm
  int PrintableHeightHiMetric = 0;

  bool IsValid() const {
    return PhysicalWidth > 0 && PhysicalHeight > 0 && PrintableWidth > 0 && PrintableHeight > 0 &&
           PrintableWidthHiMetric > 0 && PrintableHeightHiMetric > 0;
  }
  // Page units to device pixels and back: logical origin (0, 0), logical extent the printable size
  // in 0.01 mm, device extent the printable size in pixels, device origin minus the offset.
  TQvHiMetric MapMode() const;
};

// ---- units ----

// The unit lists' order: millimetres, centimetres, inches, points.
enum TQvPrintUnit { puMillimetre = 0, puCentimetre = 1, puInch = 2, puPoint = 3 };
inline constexpr int PrintUnitCount = 4;

// Page units (0.01 mm) per unit.
double PrintUnitFactor(int Unit);
// The unit the user's measurement system suggests: centimetres for metric, inches otherwise.
int DefaultPrintUnit(QLocale::MeasurementSystem System);

// Lengths are held within ±10 m, the scale within 1 % to 10000 %.
inline constexpr int MaxPrintLength = 1000000;
inline constexpr double MinPrintScale = 1.0;
inline constexpr double MaxPrintScale = 10000.0;

// Value / factor, rounded to single precision, with at most three decimals and no trailing zeros,
// in the locale's decimal separator ("0.###").
QString FormatPrintLength(int Value, int Unit, const QLocale& Locale = QLocale());
// A number in the locale's notation (its decimal separator, no group separators); nothing when the
// text is not one.
std::optional<double> ParsePrintNumber(const QString& Text, const QLocale& Locale = QLocale());
// A typed length: the number times the unit's factor, rounded to nearest with halves to even, held
// within ±10 m. Nothing when the text is not a number.
std::optional<int> ParsePrintLength(const QString& Text, int Unit, const QLocale& Locale = QLocale());
// A percentage with at most two decimals and a percent sign ("#.##%"); below 1 with a leading zero.
QString FormatPrintScale(double Percent, const QLocale& Locale = QLocale());
// The general number format (up to 15 significant digits) a field is normalised to on leaving it.
QString FormatPrintGeneral(double Value, const QLocale& Locale = QLocale());

// ---- placement ----

class TQvPrintPlacement {
 public:
  // A missing or zero resolution is taken as 72 dots per inch, the default of EXIF and JFIF.
  static constexpr double DefaultResolution = 72.0;

  void SetGeometry(const TQvPageGeometry& Geometry);
  const TQvPageGeometry& Geometry() const { return FGeometry; }
  const TQvHiMetric& MapMode() const { return FMapMode; }

  // The image at its stored resolution, placed at 100 % (held within ±10 m: a natural size beyond
  // that starts scaled down, keeping its proportions). Does not centre.
  void SetImage(int WidthPixels, int HeightPixels, double ResolutionX, double ResolutionY);

  // Page coordinates of the sheet's far corner, of the printable area's corner and of its far end.
  QPoint PageCorner() const;
  QPoint PrintableOrigin() const;
  QPoint PrintableEnd() const;

  // Centres the image on the sheet.
  void CenterImage();
  // The largest rectangle of the image's proportions that fits the printable area (the area made
  // symmetric on the sheet when the margins differ), centred in it.
  void ScaleToFit();
  // Moves the image's corner to the printable area's corner.
  void MoveToPrintableOrigin();

  // Width and height := the natural size times Percent / 100 (held within 1 % to 10000 %).
  void SetScale(double Percent);
  // The shown scale: the taller side's ratio to its natural size, in percent (100 when the natural
  // size is 0).
  double Scale() const;
  // Sets one side (held within ±10 m) and makes the other follow the image's proportions.
  void SetWidthKeepingProportions(int Width);
  void SetHeightKeepingProportions(int Height);
  void SetLeft(int Value) { FLeft = ClampLength(Value); }
  void SetTop(int Value) { FTop = ClampLength(Value); }
  void SetWidth(int Value) { FWidth = ClampLength(Value); }
  void SetHeight(int Value) { FHeight = ClampLength(Value); }

  // The placement in device pixels (right and bottom excluded).
  QRect DeviceRect() const;
  // Whether DeviceRect lies inside the printable area.
  bool FitsPrintableArea() const;
  // Whether DeviceRect is wider or taller than the printable area.
  bool LargerThanPrintableArea() const;
  // A width or height of 0 prints nothing.
  bool IsEmpty() const { return FWidth <= 0 || FHeight <= 0; }

  static int ClampLength(int Value);

  int FImageWidth = 0;  // natural printed size
  int FImageHeight = 0;
  int FLeft = 0;
  int FTop = 0;
  int FWidth = 0;
  int FHeight = 0;

 private:
  TQvPageGeometry FGeometry;
  TQvHiMetric FMapMode;
};
