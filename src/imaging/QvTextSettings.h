#pragma once
// What the text tool draws with: font, size, style and colour mode, shared by the tool, its
// demonstration commands and the command-line program.

#include <QFont>
#include <QString>
#include <QStringList>

#include <cstdint>

constexpr int32_t TextFontSizeMin = 8;
constexpr int32_t TextFontSizeMax = 400;
constexpr int32_t TextFontSizeDefault = 32;

constexpr int32_t TextColorSelected = 0;  // the chosen colour
constexpr int32_t TextColorInverted = 1;  // the inverse of the pixels beneath

// FontStyle bits.
constexpr int32_t TextStyleBold = 1;
constexpr int32_t TextStyleItalic = 2;
constexpr int32_t TextStyleUnderline = 4;
constexpr int32_t TextStyleStrikeOut = 8;
constexpr int32_t TextStyleAll = 15;

struct TTextSettings {
  QString FontName;
  int32_t FontSize = TextFontSizeDefault;  // points
  int32_t ColorMode = TextColorSelected;
  // The chosen colour as a platform colour value: red in the low byte, then green, then blue
  // (the order the settings file and the demonstration scripts store).
  uint32_t Color = 0;
  // In inverted mode: each channel becomes 0 or 255 (maximum contrast) instead of 255 - v.
  bool MaxInverse = false;
  int32_t FontStyle = 0;  // TextStyle bits

  friend bool operator==(const TTextSettings&, const TTextSettings&) = default;

  // The drawing font: the size in points at 96 dots per inch, so that a text looks the same on
  // every display; no sub-pixel smoothing, which would colour the mask's edges.
  QFont Font() const;
  // Color as the pixels' colour value (blue in the low byte).
  uint32_t ColorValue() const;
};

// Values from outside (settings file, scripts, command line) brought into their ranges.
int32_t ClampTextFontSize(int32_t size);
int32_t ClampTextColorMode(int32_t mode);
int32_t ClampTextFontStyle(int32_t style);
// The platform colour value (red low) of a colour value (blue low), and back: the same swap.
constexpr uint32_t SwapRedBlue(uint32_t color) {
  return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}

// The spin step at a font size: size / 100 rounded (halves to even), at least 1.
int32_t TextSizeStep(int32_t size);

// The font the tool starts with: the first of "Times New Roman", Verdana, "Arial" and
// "Courier New" that families holds (compared ignoring case, answered in the list's spelling),
// else serifFallback, else the first family, else an empty name.
QString ChooseDefaultFont(const QStringList& families, const QString& serifFallback);
// The desktop's default serif family as the font configuration resolves it. Needs a
// QGuiApplication.
QString DesktopSerifFamily();
// ChooseDefaultFont over the desktop's families. Needs a QGuiApplication.
QString DefaultTextFont();
