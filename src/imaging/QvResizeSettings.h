#pragma once
// The resize tool's new size and its constrain-proportions rule, free of widgets: the tool's
// frame, its demonstration commands and the command-line program all set the size through it.

#include <cstdint>

// The size a resize makes, and whether it keeps the image's proportions.
class TResizeSettings {
 public:
  // The up-downs' range, and so every side a resize can produce.
  static constexpr int32_t MinSide = 1;
  static constexpr int32_t MaxSide = 32767;

  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }
  bool ConstrainProportions() const { return FConstrainProportions; }

  // Each returns whether the size changed. A value equal to the field does nothing; below 2 it
  // becomes 1, above MaxSide it becomes MaxSide. With proportions kept the other side follows as
  // MulDiv(other image side, new side, image side), held within 1..MaxSide, so a very wide or tall
  // image never gives a side of 0. ImageWidth and ImageHeight are 1 when there is no image.
  bool SetWidth(int32_t Value, int32_t ImageWidth, int32_t ImageHeight);
  bool SetHeight(int32_t Value, int32_t ImageWidth, int32_t ImageHeight);
  // Turning proportions on fits the image's aspect into the current width × height box.
  bool SetConstrainProportions(bool Value, int32_t ImageWidth, int32_t ImageHeight);
  // SetWidth (image width), then SetHeight (image height).
  void ResetToImage(int32_t ImageWidth, int32_t ImageHeight);
  // Both sides as given (within 1..MaxSide), proportions aside.
  void SetSize(int32_t Width, int32_t Height);

 private:
  int32_t FWidth = 0;
  int32_t FHeight = 0;
  bool FConstrainProportions = true;
};

// A side within 1..MaxSide: values below 2 become 1.
int32_t ClampResizeSide(int64_t Value);
// The side that keeps the proportion Other / Side of the image when Side becomes New:
// MulDiv(Other, New, Side) (halves away from zero), within 1..MaxSide.
int32_t ProportionalSide(int32_t Other, int32_t New, int32_t Side);
