#include "QvDemoSectionText.h"

#include "QvCodePage.h"
#include "QvDemoScript.h"
#include "QvLocalizer.h"

#include <QHash>
#include <QStringList>

namespace {
QString Decode(const QByteArray& Bytes, int CodePage) {
  QByteArray Utf8;
  if (CodePage && CodePage != 65001 && QvCodePageToUtf8(Bytes, CodePage, Utf8)) return QString::fromUtf8(Utf8);
  return QString::fromUtf8(Bytes);
}

QByteArray Encode(const QString& Text, int CodePage) {
  QByteArray Bytes;
  if (CodePage && CodePage != 65001 && QvUtf8ToCodePage(Text.toUtf8(), CodePage, Bytes)) return Bytes;
  return Text.toUtf8();
}
}  // namespace

int QvDemoSectionCodePage(const TQvDemoScript& Script, int Section, const TQvLocalizer& Localizer) {
  if (Script.Utf8()) return 65001;
  bool IsNumber = false;
  const uint LangId = Script.SectionName(Section).toUInt(&IsNumber);
  return QvDefaultAnsiCodePage(IsNumber && LangId <= 0xFFFF ? static_cast<std::uint16_t>(LangId)
                                                             : Localizer.BaseLangId());
}

QString QvDemoSectionText(const TQvDemoScript& Script, int Section, const TQvLocalizer& Localizer) {
  const int CodePage = QvDemoSectionCodePage(Script, Section, Localizer);
  QStringList Lines;
  for (const QByteArray& Line : Script.SectionLines(Section)) Lines << Decode(Line, CodePage);
  return Lines.join(QLatin1Char('\n'));
}

QByteArrayList QvDemoSectionLines(const TQvDemoScript& Script, int Section, const QString& Text,
                                  const TQvLocalizer& Localizer) {
  const int CodePage = QvDemoSectionCodePage(Script, Section, Localizer);
  const QByteArrayList& Bytes = Script.SectionLines(Section);
  QStringList Decoded;
  QHash<QString, QByteArray> Original;
  for (const QByteArray& Line : Bytes) {
    Decoded << Decode(Line, CodePage);
    if (!Original.contains(Decoded.last())) Original.insert(Decoded.last(), Line);
  }
  QStringList Lines = Text.split(QLatin1Char('\n'));
  if (!Lines.isEmpty() && Lines.last().isEmpty()) Lines.removeLast();
  QByteArrayList Result;
  for (qsizetype I = 0; I < Lines.size(); ++I) {
    QString& Line = Lines[I];
    if (Line.endsWith(QLatin1Char('\r'))) Line.chop(1);
    // The line in the same place first, so that lines that read alike keep their own bytes.
    if (I < Decoded.size() && Decoded[I] == Line) {
      Result << Bytes[I];
      continue;
    }
    const auto Found = Original.constFind(Line);
    Result << (Found != Original.constEnd() ? *Found : Encode(Line, CodePage));
  }
  return Result;
}
