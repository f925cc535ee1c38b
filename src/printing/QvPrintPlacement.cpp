#include "QvPrintPlacement.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

TQvHiMetric TQvPageGeometry::MapMode() const {
  TQvHiMetric M;
  // An empty geometry still gets extents of 1, so nothing divides by zero before a printer is known.
  M.SetMapping(QRect(0, 0, std::max(PrintableWidthHiMetric, 1), std::max(PrintableHeightHiMetric, 1)),
               QRect(-OffsetX, -OffsetY, std::max(PrintableWidth, 1), std::max(PrintableHeight, 1)));
  return M;
}

// ---- units ----

double PrintUnitFactor(int Unit) {
  switch (Unit) {
    case puMillimetre: return 100.0;
    case puInch: return 2540.0;
    case puPoint: return 2540.0 / 72.0;
    default: return 1000.0;
  }
}

int DefaultPrintUnit(QLocale::MeasurementSystem System) {
  return System == QLocale::MetricSystem ? puCentimetre : puInch;
}

namespace {

// The locale without group separators: a thousands separator typed into a length is a mistake.
QLocale PlainNumbers(const QLocale& Locale) {
  QLocale L = Locale;
  L.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
  return L;
}

QString TrimZeros(QString Text, const QLocale& Locale) {
  const QString Point = Locale.decimalPoint();
  if (!Text.contains(Point)) return Text;
  while (Text.endsWith(Locale.zeroDigit())) Text.chop(1);
  if (Text.endsWith(Point)) Text.chop(Point.size());
  return Text;
}

}  // namespace

QString FormatPrintLength(int Value, int Unit, const QLocale& Locale) {
  const float Shown = static_cast<float>(Value / PrintUnitFactor(Unit));
  QString Text = TrimZeros(PlainNumbers(Locale).toString(double(Shown), 'f', 3), Locale);
  // "-0" would read as a sign typed by the user.
  if (Text == Locale.negativeSign() + Locale.zeroDigit()) Text = Locale.zeroDigit();
  return Text;
}

std::optional<double> ParsePrintNumber(const QString& Text, const QLocale& Locale) {
  bool Ok = false;
  const double Value = PlainNumbers(Locale).toDouble(Text.trimmed(), &Ok);
  if (!Ok || !std::isfinite(Value)) return std::nullopt;
  return Value;
}

std::optional<int> ParsePrintLength(const QString& Text, int Unit, const QLocale& Locale) {
  const std::optional<double> Number = ParsePrintNumber(Text, Locale);
  if (!Number) return std::nullopt;
  const double Value = std::nearbyint(*Number * PrintUnitFactor(Unit));
  return static_cast<int>(std::clamp(Value, double(-MaxPrintLength), double(MaxPrintLength)));
}

QString FormatPrintScale(double Percent, const QLocale& Locale) {
  return TrimZeros(PlainNumbers(Locale).toString(Percent, 'f', 2), Locale) + QLatin1Char('%');
}

QString FormatPrintGeneral(double Value, const QLocale& Locale) {
  return PlainNumbers(Locale).toString(Value, 'g', 15);
}

namespace {

// A * B / C: 64-bit product, halves rounded away from zero, held within ±10 m. C is not 0.
int ProportionalLength(int A, int B, int C) {
  std::int64_t Num = std::int64_t(A) * B;
  std::int64_t Den = C;
  if (Den < 0) {
    Num = -Num;
    Den = -Den;
  }
  // Halves away from zero.
  const std::int64_t Q = Num >= 0 ? (Num + Den / 2) / Den : -((-Num + Den / 2) / Den);
  return static_cast<int>(std::clamp<std::int64_t>(Q, -MaxPrintLength, MaxPrintLength));
}

}  // namespace

// ---- placement ----

void TQvPrintPlacement::SetGeometry(const TQvPageGeometry& Geometry) {
  FGeometry = Geometry;
  FMapMode = Geometry.MapMode();
}

int TQvPrintPlacement::ClampLength(int Value) { return std::clamp(Value, -MaxPrintLength, MaxPrintLength); }

void TQvPrintPlacement::SetImage(int WidthPixels, int HeightPixels, double ResolutionX, double ResolutionY) {
  const double Rx = ResolutionX > 0 && std::isfinite(ResolutionX) ? ResolutionX : DefaultResolution;
  const double Ry = ResolutionY > 0 && std::isfinite(ResolutionY) ? ResolutionY : DefaultResolution;
  // The quotient in single precision, as the size is shown.
  double W = std::nearbyint(float(2540.0 * std::max(WidthPixels, 0) / Rx));
  double H = std::nearbyint(float(2540.0 * std::max(HeightPixels, 0) / Ry));
  const double Larger = std::max(W, H);
  if (Larger > MaxPrintLength) {
    W = std::nearbyint(W * MaxPrintLength / Larger);
    H = std::nearbyint(H * MaxPrintLength / Larger);
  }
  FImageWidth = static_cast<int>(W);
  FImageHeight = static_cast<int>(H);
  FWidth = FImageWidth;
  FHeight = FImageHeight;
}

QPoint TQvPrintPlacement::PageCorner() const {
  // The sheet's far corner seen from the printable area's corner, in device pixels.
  return FMapMode.DeviceToLogical(
      QPoint(FGeometry.PhysicalWidth - FGeometry.OffsetX, FGeometry.PhysicalHeight - FGeometry.OffsetY));
}

QPoint TQvPrintPlacement::PrintableOrigin() const {
  // Both directions round down, so the page point of device pixel 0 may map back to pixel -1; the
  // first page point that maps into the printable area is the one wanted, or a photo moved there
  // would still count as outside it.
  QPoint O = FMapMode.DeviceToLogical(QPoint(0, 0));
  for (int Step = 0; Step < 1000 && FMapMode.LogicalToDevice(QPoint(O.x(), 0)).x() < 0; ++Step) O.rx()++;
  for (int Step = 0; Step < 1000 && FMapMode.LogicalToDevice(QPoint(0, O.y())).y() < 0; ++Step) O.ry()++;
  return O;
}

QPoint TQvPrintPlacement::PrintableEnd() const {
  return FMapMode.DeviceToLogical(QPoint(FGeometry.PrintableWidth, FGeometry.PrintableHeight));
}

void TQvPrintPlacement::CenterImage() {
  const QPoint Pc = PageCorner();
  // Truncating toward zero, as integer division in C++ does.
  FLeft = ClampLength((Pc.x() - FWidth) / 2);
  FTop = ClampLength((Pc.y() - FHeight) / 2);
}

void TQvPrintPlacement::ScaleToFit() {
  const QPoint O = PrintableOrigin();
  const QPoint E = PrintableEnd();
  const QPoint Pc = PageCorner();
  int BoxLeft = O.x(), BoxTop = O.y(), BoxRight = E.x(), BoxBottom = E.y();
  // Of the two margins the wider one is kept on both sides, so the box sits centred on the sheet.
  if (Pc.x() - E.x() < O.x())
    BoxRight = Pc.x() - O.x();
  else
    BoxLeft = Pc.x() - E.x();
  if (Pc.y() - E.y() < O.y())
    BoxBottom = Pc.y() - O.y();
  else
    BoxTop = Pc.y() - E.y();
  const double W = FWidth > 0 ? FWidth : 1;
  const double H = FHeight > 0 ? FHeight : 1;
  const long double Sx = static_cast<long double>(BoxRight - BoxLeft) / W;
  const long double Sy = static_cast<long double>(BoxBottom - BoxTop) / H;
  const double S = static_cast<double>(std::min(Sx, Sy));
  const int NewWidth = ClampLength(static_cast<int>(std::clamp(std::nearbyint(W * S), 0.0, double(MaxPrintLength))));
  const int NewHeight = ClampLength(static_cast<int>(std::clamp(std::nearbyint(H * S), 0.0, double(MaxPrintLength))));
  FLeft = ClampLength((BoxLeft + BoxRight) / 2 - NewWidth / 2);
  FTop = ClampLength((BoxTop + BoxBottom) / 2 - NewHeight / 2);
  FWidth = NewWidth;
  FHeight = NewHeight;
}

void TQvPrintPlacement::MoveToPrintableOrigin() {
  const QPoint O = PrintableOrigin();
  FLeft = ClampLength(O.x());
  FTop = ClampLength(O.y());
}

void TQvPrintPlacement::SetScale(double Percent) {
  const double P = std::clamp(Percent, MinPrintScale, MaxPrintScale);
  FWidth = ClampLength(static_cast<int>(std::min(std::nearbyint(FImageWidth * P / 100.0), double(MaxPrintLength))));
  FHeight = ClampLength(static_cast<int>(std::min(std::nearbyint(FImageHeight * P / 100.0), double(MaxPrintLength))));
}

double TQvPrintPlacement::Scale() const {
  if (FImageHeight >= FImageWidth && FImageHeight > 0) return 100.0 * FHeight / FImageHeight;
  if (FImageWidth > 0) return 100.0 * FWidth / FImageWidth;
  return 100.0;
}

void TQvPrintPlacement::SetWidthKeepingProportions(int Width) {
  FWidth = ClampLength(Width);
  if (FImageWidth > 0) FHeight = ClampLength(ProportionalLength(FWidth, FImageHeight, FImageWidth));
}

void TQvPrintPlacement::SetHeightKeepingProportions(int Height) {
  FHeight = ClampLength(Height);
  if (FImageHeight > 0) FWidth = ClampLength(ProportionalLength(FHeight, FImageWidth, FImageHeight));
}

QRect TQvPrintPlacement::DeviceRect() const {
  return FMapMode.LogicalToDevice(QRect(FLeft, FTop, FWidth, FHeight));
}

bool TQvPrintPlacement::FitsPrintableArea() const {
  const QRect D = DeviceRect();
  return D.left() >= 0 && D.top() >= 0 && D.x() + D.width() <= FGeometry.PrintableWidth &&
         D.y() + D.height() <= FGeometry.PrintableHeight;
}

bool TQvPrintPlacement::LargerThanPrintableArea() const {
  const QRect D = DeviceRect();
  return D.width() > FGeometry.PrintableWidth || D.height() > FGeometry.PrintableHeight;
}
