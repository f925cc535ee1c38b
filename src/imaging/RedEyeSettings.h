#pragma once
// The settings of one red-eye correction, as the tool, its undo states, the demonstration commands
// and the command-line program all use them: the start values of every run, the ranges the user
// can reach, and the one place where the area size becomes the detection threshold.

#include "RedEyeSelection.h"

#include <cstdint>

struct TRedEyeSettings {
  static constexpr int32_t DefaultAreaSize = 176;
  static constexpr int32_t DefaultBrightness = 50;
  static constexpr int32_t MaxAreaSize = 255;
  static constexpr int32_t MaxBrightness = 255;
  static constexpr int32_t FormulaCount = 3;
  static constexpr int32_t MaxBorder = 5;

  int32_t AreaSize = DefaultAreaSize;      // 0..255
  int32_t Brightness = DefaultBrightness;  // 0..255
  int32_t Formula = TRedEyeSelection::FormulaCubic;  // 0..2
  int32_t Border = 0;                      // -5..5

  // The detection threshold: a larger area lets weaker colours in.
  int32_t Threshold() const { return MaxAreaSize - AreaSize; }
  static bool ValidBorder(int32_t Value) { return Value >= -MaxBorder && Value <= MaxBorder; }

  friend bool operator==(const TRedEyeSettings&, const TRedEyeSettings&) = default;
};

// Detects the pupil around Seed in Committed (the image as last committed) and darkens it in
// Pixels; returns the rectangle written (empty when nothing was found).
TRect ApplyRedEye(TRedEyeSelection& Selection, const TQvPixels& Committed, TQvPixels& Pixels, const TPoint& Seed,
                  const TRedEyeSettings& Settings);
