#include "QvCropOverlay.h"

#include "QvCropGeometry.h"

namespace {

// Calls Do with every part of Rect that lies in Clip and on Surface.
template <class F>
void ForEachClipped(const TQvPixels& Surface, const QRegion& Clip, const TRect& Rect, F&& Do) {
  const TRect R = IntersectRect(Rect, Surface.BoundsRect());
  if (R.IsEmpty()) return;
  for (const QRect& Part : Clip) {
    const TRect P = IntersectRect(R, FromQRect(Part));
    if (!P.IsEmpty()) Do(P);
  }
}

void InvertRectPixels(TQvPixels& Surface, const TRect& R) {
  const int32_t BPP = Surface.BytesPerPixel;
  for (int32_t Y = R.Top; Y < R.Bottom; ++Y) {
    uint8_t* P = Surface.PixelAt(R.Left, Y);
    for (int32_t X = R.Left; X < R.Right; ++X, P += BPP) {
      P[ChannelBlue] = uint8_t(~P[ChannelBlue]);
      P[ChannelGreen] = uint8_t(~P[ChannelGreen]);
      P[ChannelRed] = uint8_t(~P[ChannelRed]);
    }
  }
}

// Every second pixel of one row or column of the outline (the ones with x + y even).
void InvertDotted(TQvPixels& Surface, const TRect& R) {
  const int32_t BPP = Surface.BytesPerPixel;
  for (int32_t Y = R.Top; Y < R.Bottom; ++Y) {
    int32_t X = R.Left + ((R.Left + Y) & 1);
    for (uint8_t* P = Surface.PixelAt(X, Y); X < R.Right; X += 2, P += 2 * BPP) {
      P[ChannelBlue] = uint8_t(~P[ChannelBlue]);
      P[ChannelGreen] = uint8_t(~P[ChannelGreen]);
      P[ChannelRed] = uint8_t(~P[ChannelRed]);
    }
  }
}

}  // namespace

void InvertPixels(TQvPixels& Surface, const QRegion& Clip, const TRect& Rect) {
  if (Surface.IsEmpty() || (Surface.BytesPerPixel != 3 && Surface.BytesPerPixel != 4)) return;
  ForEachClipped(Surface, Clip, Rect, [&](const TRect& R) { InvertRectPixels(Surface, R); });
}

void FocusRectPixels(TQvPixels& Surface, const QRegion& Clip, const TRect& K) {
  if (K.IsEmpty() || Surface.IsEmpty() || (Surface.BytesPerPixel != 3 && Surface.BytesPerPixel != 4)) return;
  // The top and bottom rows whole, the side columns between them, so no pixel is met twice.
  TRect Lines[4] = {TRect{K.Left, K.Top, K.Right, K.Top + 1}, TRect{}, TRect{}, TRect{}};
  if (K.Height() > 1) {
    Lines[1] = TRect{K.Left, K.Bottom - 1, K.Right, K.Bottom};
    Lines[2] = TRect{K.Left, K.Top + 1, K.Left + 1, K.Bottom - 1};
    if (K.Width() > 1) Lines[3] = TRect{K.Right - 1, K.Top + 1, K.Right, K.Bottom - 1};
  }
  for (const TRect& Line : Lines)
    if (!Line.IsEmpty()) ForEachClipped(Surface, Clip, Line, [&](const TRect& R) { InvertDotted(Surface, R); });
}

void PaintCropOverlay(TQvPixels& Surface, const QRegion& Clip, const TRect& Area, const TRect& K,
                      TCropOverlayState State) {
  if (State == TCropOverlayState::None || K.IsEmpty() || Surface.IsEmpty()) return;
  if (State == TCropOverlayState::Shown || State == TCropOverlayState::Dragging) {
    TRect Bands[4];
    CropSurroundBands(Area, K, Bands);
    for (const TRect& Band : Bands)
      if (!Band.IsEmpty()) ForEachClipped(Surface, Clip, Band, [&](const TRect& R) { DarkenPixels(Surface, R); });
  }
  if (State == TCropOverlayState::Shown)
    for (const int32_t Code : CropHandleDrawOrder) {
      InvertPixels(Surface, Clip, CropHandleSquare(Code, K));
      InvertPixels(Surface, Clip, CropHandleInnerSquare(Code, K));
    }
  FocusRectPixels(Surface, Clip, K);
}
