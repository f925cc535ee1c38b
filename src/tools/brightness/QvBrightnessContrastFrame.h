#pragma once
// The brightness and contrast tool's option frame: the Auto Correction button always, and among
// the further options the two sliders and the Ok and Cancel buttons that end the open adjustment.

#include "QvOptionFrame.h"

class QLabel;
class QPushButton;
class QSlider;

class TQvBrightnessContrastFrame : public TQvOptionFrame {
  Q_OBJECT

 public:
  explicit TQvBrightnessContrastFrame(QWidget* Parent = nullptr);

  QWidget* AutoCorrectionPanel = nullptr;
  QPushButton* AutoCorrectionButton = nullptr;
  QLabel* BrightnessLabel = nullptr;
  QSlider* BrightnessTrackBar = nullptr;
  QLabel* ContrastLabel = nullptr;
  QSlider* ContrastTrackBar = nullptr;
  QWidget* OkPanel = nullptr;
  QPushButton* OkButton = nullptr;
  QPushButton* CancelButton = nullptr;
};
