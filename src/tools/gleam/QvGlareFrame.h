#pragma once
// The gleam tool's option frame: the Brightness slider, and a size slider that only
// demonstrations reach (it is never shown).

#include "QvOptionFrame.h"

#include <functional>

class QLabel;
class QSlider;

class TQvGlareFrame : public TQvOptionFrame {
  Q_OBJECT

 public:
  explicit TQvGlareFrame(QWidget* Parent = nullptr);

  TQvLabelledSlider* Brightness = nullptr;
  QLabel* BrightnessLabel = nullptr;
  QSlider* BrightnessTrackBar = nullptr;
  QLabel* SizeLabel = nullptr;
  QSlider* SizeTrackBar = nullptr;
  // A track bar got the keyboard focus (the user reached it).
  std::function<void(QObject*)> OnEnter;

 protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override;
};
