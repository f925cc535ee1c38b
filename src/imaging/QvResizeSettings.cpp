#include "QvResizeSettings.h"

#include "QvBitmap.h"

int32_t ClampResizeSide(int64_t Value) {
  if (Value < 2) return TResizeSettings::MinSide;
  if (Value > TResizeSettings::MaxSide) return TResizeSettings::MaxSide;
  return int32_t(Value);
}

int32_t ProportionalSide(int32_t Other, int32_t New, int32_t Side) {
  if (Side <= 0) return ClampResizeSide(New);
  // MulDiv answers −1 when the quotient leaves 32 bits; only a huge quotient can, so it is the top.
  const int32_t V = MulDiv(Other, New, Side);
  return V < 0 ? TResizeSettings::MaxSide : ClampResizeSide(V);
}

bool TResizeSettings::SetWidth(int32_t Value, int32_t ImageWidth, int32_t ImageHeight) {
  if (Value == FWidth) return false;
  FWidth = ClampResizeSide(Value);
  if (FConstrainProportions) FHeight = ProportionalSide(ImageHeight, FWidth, ImageWidth);
  return true;
}

bool TResizeSettings::SetHeight(int32_t Value, int32_t ImageWidth, int32_t ImageHeight) {
  if (Value == FHeight) return false;
  FHeight = ClampResizeSide(Value);
  if (FConstrainProportions) FWidth = ProportionalSide(ImageWidth, FHeight, ImageHeight);
  return true;
}

bool TResizeSettings::SetConstrainProportions(bool Value, int32_t ImageWidth, int32_t ImageHeight) {
  if (Value == FConstrainProportions) return false;
  FConstrainProportions = Value;
  int32_t W = 0;
  int32_t H = 0;
  if (Value && FitSize(ImageWidth, ImageHeight, FWidth, FHeight, W, H)) {
    FWidth = W < 0 ? MaxSide : ClampResizeSide(W);
    FHeight = H < 0 ? MaxSide : ClampResizeSide(H);
  }
  return true;
}

void TResizeSettings::ResetToImage(int32_t ImageWidth, int32_t ImageHeight) {
  SetWidth(ImageWidth, ImageWidth, ImageHeight);
  SetHeight(ImageHeight, ImageWidth, ImageHeight);
}

void TResizeSettings::SetSize(int32_t Width, int32_t Height) {
  FWidth = ClampResizeSide(Width);
  FHeight = ClampResizeSide(Height);
}
