#pragma once
// The undo brush's option frame: the size slider always; the dab preview and the opacity and
// hardness sliders among the further options.

#include "QvDrawTools.h"
#include "QvOptionFrame.h"

class QLabel;
class QSlider;

class TQvUndoBrushFrame : public TQvOptionFrame {
  Q_OBJECT

 public:
  explicit TQvUndoBrushFrame(QWidget* Parent = nullptr);

  QWidget* PreviewAlignmentPanel = nullptr;
  TQvPaintBox* PreviewPaintBox = nullptr;
  TQvLabelledSlider* Size = nullptr;
  QLabel* SizeLabel = nullptr;
  QSlider* SizeTrackBar = nullptr;
  QLabel* OpacityLabel = nullptr;
  QSlider* OpacityTrackBar = nullptr;
  QLabel* HardnessLabel = nullptr;
  QSlider* HardnessTrackBar = nullptr;
};
