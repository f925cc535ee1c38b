#include "QvGuid.h"

bool TGUID::TryParse(const QString& Text, TGUID& Value) {
  const QByteArray Latin = Text.trimmed().toLatin1();
  try {
    Value = Parse(std::string_view(Latin.constData(), static_cast<std::size_t>(Latin.size())));
    return true;
  } catch (const std::invalid_argument&) {
    return false;
  }
}

QString TGUID::ToString() const {
  return QStringLiteral("{%1-%2-%3-%4%5-%6%7%8%9%10%11}")
      .arg(Data1, 8, 16, QLatin1Char('0'))
      .arg(Data2, 4, 16, QLatin1Char('0'))
      .arg(Data3, 4, 16, QLatin1Char('0'))
      .arg(Data4[0], 2, 16, QLatin1Char('0'))
      .arg(Data4[1], 2, 16, QLatin1Char('0'))
      .arg(Data4[2], 2, 16, QLatin1Char('0'))
      .arg(Data4[3], 2, 16, QLatin1Char('0'))
      .arg(Data4[4], 2, 16, QLatin1Char('0'))
      .arg(Data4[5], 2, 16, QLatin1Char('0'))
      .arg(Data4[6], 2, 16, QLatin1Char('0'))
      .arg(Data4[7], 2, 16, QLatin1Char('0'))
      .toUpper();
}
