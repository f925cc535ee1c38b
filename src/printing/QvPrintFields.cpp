#include "QvPrintFields.h"

#include "QvPrintPlacement.h"

#include <algorithm>

bool AcceptPrintKey(TQvPrintField Field, QChar Key, const TQvPrintFieldState& State, QString& Insert,
                    const QLocale& Locale) {
  Insert = QString(Key);
  const bool Scale = Field == TQvPrintField::Scale;
  const bool Signed = Field == TQvPrintField::Left || Field == TQvPrintField::Top;
  if (Key == QLatin1Char('\b')) return true;
  if (Key.isDigit() && Key.unicode() < 128) {
    // A digit behind the scale's percent sign would read as part of another number.
    return !(Scale && State.Text.endsWith(QLatin1Char('%')) && State.Caret >= State.Text.size());
  }
  if (Key == QLatin1Char(',') || Key == QLatin1Char('.')) {
    Insert = Locale.decimalPoint();
    return State.Caret > 0;
  }
  if (Key == QLatin1Char('-')) return Signed && State.Caret == 0;
  if (Key == QLatin1Char('%'))
    return Scale && !State.Text.isEmpty() && State.SelectionEnd >= State.Text.size() &&
           !State.Text.endsWith(QLatin1Char('%'));
  return false;
}

QString NormalizePrintField(TQvPrintField Field, const QString& Text, int Unit, const QLocale& Locale) {
  const bool Scale = Field == TQvPrintField::Scale;
  QString T = Text;
  T.remove(QLatin1Char('%'));
  T = T.trimmed();
  if (T.endsWith(Locale.decimalPoint())) T.chop(Locale.decimalPoint().size());
  // A scale is never below 1 %; a length that is no number becomes 0, which refuses to print.
  QString Result = Scale ? FormatPrintGeneral(MinPrintScale, Locale) : QStringLiteral("0");
  if (const std::optional<double> Number = ParsePrintNumber(T, Locale)) {
    double Value = *Number;
    if (Scale) {
      Value = std::clamp(Value, MinPrintScale, MaxPrintScale);
    } else {
      const double Limit = MaxPrintLength / PrintUnitFactor(Unit);
      Value = std::clamp(Value, -Limit, Limit);
    }
    Result = FormatPrintGeneral(Value, Locale);
  }
  if (Scale) Result += QLatin1Char('%');
  return Result;
}
