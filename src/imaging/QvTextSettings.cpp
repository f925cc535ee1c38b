#include "QvTextSettings.h"

#include "QvBitmap.h"

#include <QFontDatabase>
#include <QFontInfo>

#include <algorithm>

QFont TTextSettings::Font() const {
  QFont font(FontName);
  // Points at 96 dots per inch, rounded as the Windows MulDiv rounds.
  font.setPixelSize(std::max(1, MulDiv(ClampTextFontSize(FontSize), 96, 72)));
  font.setBold((FontStyle & TextStyleBold) != 0);
  font.setItalic((FontStyle & TextStyleItalic) != 0);
  font.setUnderline((FontStyle & TextStyleUnderline) != 0);
  font.setStrikeOut((FontStyle & TextStyleStrikeOut) != 0);
  font.setStyleStrategy(QFont::StyleStrategy(QFont::PreferAntialias | QFont::NoSubpixelAntialias));
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}

uint32_t TTextSettings::ColorValue() const { return SwapRedBlue(Color & 0xFFFFFF); }

int32_t ClampTextFontSize(int32_t size) { return std::clamp(size, TextFontSizeMin, TextFontSizeMax); }

int32_t ClampTextColorMode(int32_t mode) { return mode == TextColorInverted ? mode : TextColorSelected; }

int32_t ClampTextFontStyle(int32_t style) { return style & TextStyleAll; }

int32_t TextSizeStep(int32_t size) {
  int32_t step = size / 100;
  const int32_t rest = size % 100;
  if (rest > 50 || (rest == 50 && step % 2 == 1)) ++step;
  return step == 0 ? 1 : step;
}

QString ChooseDefaultFont(const QStringList& families, const QString& serifFallback) {
  static const char* const chain[] = {"Times New Roman", "Verdana", "Arial", "Courier New"};
  for (const char* name : chain)
    for (const QString& family : families)
      if (family.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) return family;
  if (!serifFallback.isEmpty()) return serifFallback;
  return families.value(0);
}

QString DesktopSerifFamily() {
  QFont font(QStringLiteral("serif"));
  font.setStyleHint(QFont::Serif);
  return QFontInfo(font).family();
}

QString DefaultTextFont() { return ChooseDefaultFont(QFontDatabase::families(), DesktopSerifFamily()); }
