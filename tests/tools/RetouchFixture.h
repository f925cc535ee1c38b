// An editor for the retouching tools' tests: the red-eye world with the brightness and contrast,
// gleam and undo brush tools added in their places, and images made in code.
#pragma once

#include "RedEyeFixture.h"

#include "QvBrightnessContrastTool.h"
#include "QvDemonstration.h"
#include "QvGlareTool.h"
#include "QvUndoBrushTool.h"

#include <QImage>

#include <functional>

class RetouchWorld : public RedEyeWorld {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Saves a Width x Height image whose pixel (x, y) is Color(x, y) as a PNG in the test folder
  // and returns its path.
  QString MakeImage(const QString& Name, int Width, int Height, const std::function<QRgb(int, int)>& Color);
  // A dark photograph-like image: tones between 20 and 120.
  QString DarkImage();
  // The demonstration module, for commands and recording.
  TQvDemonstrationModule* Demo = nullptr;
  TQvGlareTool* Gleam = nullptr;
  TQvBrightnessContrastTool* Tone = nullptr;
  TQvUndoBrushTool* Brush = nullptr;
};
