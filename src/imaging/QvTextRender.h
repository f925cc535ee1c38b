#pragma once
// The text tool's pixels: the text rendered white on black at its natural size (the mask), a
// smooth copy stretched to the text rectangle, and the blend of that copy into the image, either
// in one colour or as the inverse of the pixels beneath.
//
// Masks are 8-bit grey images: a byte is the text's opacity at that pixel.

#include "QvBitmap.h"
#include "QvTextSettings.h"

#include <QFont>
#include <QImage>
#include <QStringList>

#include <cstdint>

// A mask above this many pixels on a side is not built.
constexpr int32_t TextMaskMaxSide = 16384;

enum class TTextMaskStatus {
  Empty,     // no visible text: nothing is drawn
  Built,
  TooLarge,  // over TextMaskMaxSide on a side: nothing is drawn
};

// The memo's text as lines (line ends "\n", "\r\n" or "\r").
QStringList SplitTextLines(const QString& text);

// Renders lines white on black in font: each line at (0, index × line height), the height ending
// with the last non-empty line, the width that of the widest line. Needs a QGuiApplication.
TTextMaskStatus BuildTextMask(const QStringList& lines, const QFont& font, QImage& mask);

// Scales src (8-bit grey) to width × height into dst: bilinear when enlarging, averaging over
// the covered source pixels when shrinking, so large text is not blocky and small text does not
// sparkle. An empty src or a size of 0 gives a null dst.
void StretchMask(const QImage& src, int32_t width, int32_t height, QImage& dst);

// How the stretched mask goes onto the image.
struct TTextBlend {
  int32_t ColorMode = TextColorSelected;
  uint32_t Color = 0;  // colour value (blue low) for TextColorSelected
  bool MaxInverse = false;
  bool FlipH = false;
  bool FlipV = false;
};

// Blends mask (sized rect) into the PixelFormat24 image inside rect, clipped to the image. The
// mask pixel of (x, y) is column x - rect.Left (rect.Right - 1 - x when mirrored left-right) and
// row y - rect.Top (rect.Bottom - 1 - y when mirrored top-bottom); the pixel becomes
// BlendPixel (pixel, mask value, colour). Nothing happens when the mask's size is not rect's.
void BlendTextMask(TQvPixels& image, const TRect& rect, const QImage& mask, const TTextBlend& blend);

// The blend of settings, mirrored as given.
TTextBlend MakeTextBlend(const TTextSettings& settings, bool flipH, bool flipV);

// Draws lines in settings' font stretched into rect of image, once and for good (the command-line
// program's text). Nothing is drawn unless the result is Built and rect has an area.
TTextMaskStatus DrawTextInto(TQvPixels& image, const QStringList& lines, const TTextSettings& settings,
                             const TRect& rect, bool flipH, bool flipV);

// The colour a pixel of value (blue low) gets in inverted mode.
constexpr uint32_t InvertedTextColor(uint32_t value, bool maxInverse) {
  uint32_t result = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t v = (value >> shift) & 0xFF;
    const uint32_t c = maxInverse ? (v >= 128 ? 0 : 255) : 255 - v;
    result |= c << shift;
  }
  return result;
}

// The drawing of one text into an image, kept so that it can be taken out again: each Render
// first puts the previously drawn rectangle back from the backup copy, so moving or resizing
// the text leaves no traces.
class TQvTextRenderer {
public:
  // Renders the text's mask afresh (after a change of text, font, size or style).
  TTextMaskStatus SetText(const QStringList& lines, const QFont& font);
  TTextMaskStatus Status() const { return FStatus; }
  const QImage& TextMask() const { return FTextMask; }
  const QImage& StretchedMask() const { return FStretchedMask; }

  // Whether Render would draw anything into rect.
  bool CanDraw(const TRect& rect) const;

  // Removes the previous drawing (from backup) and draws the text into rect of image, clipped to
  // the image. Returns the image rectangle whose pixels changed: old and new drawing together.
  TRect Render(TQvPixels& image, const TQvPixels& backup, const TRect& rect, const TTextBlend& blend);
  // Removes the drawing (from backup); returns the rectangle restored.
  TRect Remove(TQvPixels& image, const TQvPixels& backup);
  // The drawing has become part of the image (committed): forget it without removing it.
  void Forget();

  bool Rendered() const { return FRendered; }
  const TRect& RenderedRect() const { return FRenderedRect; }

private:
  QImage FTextMask;
  QImage FStretchedMask;
  TTextMaskStatus FStatus = TTextMaskStatus::Empty;
  bool FRendered = false;
  TRect FRenderedRect;
};
