#pragma once
// The crop tool's arithmetic, free of widgets: the aspect ratio and its formats, the adjustment of
// a dragged rectangle to the ratio, the drawing and dragging rules, the handles and the darkened
// surround. The tool, its demonstration commands and the command-line program share it.

#include "QvBitmap.h"
#include "QvTypes.h"

#include <Qt>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// Width : height the crop rectangle is held to. Free (not held) unless both terms are above 0.
struct TCropRatio {
  int32_t Width = 0;
  int32_t Height = 0;

  // Largest term a ratio may have: the free-ratio edits stop there, so every product of a side
  // (at most 32767) and a term stays far inside 64 bits and the rectangles inside 32.
  static constexpr int32_t MaxTerm = 10000;

  bool IsFree() const { return Width <= 0 || Height <= 0; }
  friend bool operator==(const TCropRatio&, const TCropRatio&) = default;
};

// gcd by repeated remainders of the larger by the smaller; gcd(a, 0) = a, gcd(0, 0) = 0.
int32_t RatioGcd(int32_t A, int32_t B);
// (W, H) reduced by their gcd. Free when either is below 0 or the gcd is 0 (both 0): a zero term
// holds nothing, and dividing by a zero gcd is undefined.
TCropRatio ReducedRatio(int32_t W, int32_t H);
// The ratio of a format name "WxH" (also "W:H", the screen's own notation), reduced: "10x15"
// gives (2, 3). Nothing when the text is not two whole numbers 0..MaxTerm around one separator;
// a 0 term gives the free ratio.
std::optional<TCropRatio> ParseRatio(const QString& Text);

// The entries of the print and the screen format lists, in their order (the first is selected).
const QStringList& PrintFormats();
const QStringList& ScreenFormats();
// The screen's own ratio, e.g. 1920 × 1080 gives "16:9".
QString ScreenRatioText(int32_t Width, int32_t Height);

// Which part of the crop rectangle the pointer holds.
enum TCropHit : int32_t {
  CropHitOutside = 0,
  CropHitInside = 3,
  CropHitTop = 4,
  CropHitTopRight = 5,
  CropHitRight = 6,
  CropHitBottomRight = 7,
  CropHitBottom = 8,
  CropHitBottomLeft = 9,
  CropHitLeft = 10,
  CropHitTopLeft = 11,
};

// Recomputes one side of Rect so that width : height = Ratio for the handle Code (the side the
// handle does not hold still). Rounding is to nearest, halves to even; the left edge (code 10)
// divides first and so rounds the height down to whole ratio steps. A free ratio or another code
// leaves Rect as it is. Computed in 64 bits; a result beyond 32 bits is clamped, which puts it
// outside any area.
TRect ApplyRatio(int32_t Code, const TRect& Rect, const TCropRatio& Ratio);

// Whether Rect reaches beyond Area on any side.
bool RectOutside(const TRect& Rect, const TRect& Area);

// One pointer move while a new rectangle is drawn from Anchor: the rectangle spanned by Anchor and
// Point, held to the ratio at the pointer's corner. When the pointer is on the anchor's row or
// column, or the result leaves Area, Current stays. Either way the result lies inside Area.
TRect DrawCropRect(const TPoint& Anchor, const TPoint& Point, const TCropRatio& Ratio, const TRect& Area,
                   const TRect& Current);

// One pointer move while the rectangle is moved (Hit inside) or resized by a handle: Start is the
// rectangle when the drag began, (DX, DY) how far the pointer went since. A move is pushed back
// inside Area keeping its size; a resize that would leave Area, or holds no pixel there, keeps
// Current.
TRect DragCropRect(int32_t Hit, const TRect& Start, int32_t DX, int32_t DY, const TCropRatio& Ratio,
                   const TRect& Area, const TRect& Current);

// The rectangle a crop with no fresh rectangle uses: the last one, which may come from another,
// larger photo, cut to this image. Empty when they do not meet (then nothing is to be done).
TRect CropPerformRect(const TRect& Last, const TRect& ImageBounds);

// ---- handles, in screen pixels ----
constexpr int32_t CropHandleSize = 9;
constexpr int32_t CropHandleInner = 7;
// The point of handle Code (4..11) on screen rectangle K; the middle of a side rounds toward zero.
TPoint CropHandlePoint(int32_t Code, const TRect& K);
// The 9 × 9 square of a handle (its top-left 4 pixels left of and above the point).
TRect CropHandleSquare(int32_t Code, const TRect& K);
// The 7 × 7 square inside it; inverting both leaves a hollow frame.
TRect CropHandleInnerSquare(int32_t Code, const TRect& K);
// The handle under screen point P, tested in the order 11, 4, 5, 6, 9, 8, 7, 10, then inside K.
int32_t CropHitTest(const TRect& K, const TPoint& P);
// The order in which the handles are drawn.
inline constexpr int32_t CropHandleDrawOrder[8] = {4, 11, 6, 5, 8, 9, 10, 7};
// The pointer's shape over a handle code; the arrow for outside.
Qt::CursorShape CropHitCursor(int32_t Code);

// ---- the darkened surround ----
// p − ((p × 92) shr 8): 255 becomes 164, 100 becomes 65.
constexpr uint8_t DarkenChannel(uint8_t P) { return uint8_t(P - ((P * 92) >> 8)); }
// The four bands of Area outside Crop (top, left, right, bottom), each clipped to Area; empty
// bands are empty rectangles.
void CropSurroundBands(const TRect& Area, const TRect& Crop, TRect Bands[4]);
// Darkens every channel of Pixels inside Rect (clipped to the store); 24- and 32-bit stores.
void DarkenPixels(TQvPixels& Pixels, const TRect& Rect);
