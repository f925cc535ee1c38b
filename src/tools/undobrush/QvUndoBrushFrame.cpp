#include "QvUndoBrushFrame.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>

TQvUndoBrushFrame::TQvUndoBrushFrame(QWidget* Parent) : TQvOptionFrame(Parent) {
  PreviewAlignmentPanel = new QWidget(this);
  auto* Centre = new QHBoxLayout(PreviewAlignmentPanel);
  Centre->setContentsMargins(0, 0, 0, 0);
  PreviewPaintBox = new TQvPaintBox(PreviewAlignmentPanel);
  PreviewPaintBox->setFixedSize(105, 105);
  Centre->addStretch();
  Centre->addWidget(PreviewPaintBox);
  Centre->addStretch();
  AddControl(PreviewAlignmentPanel);
  AddOptionControl(PreviewAlignmentPanel);
  // The ranges come from the tool's binding.
  Size = &AddSlider(154, QStringLiteral("Size"), 0, 1, 1);
  SizeLabel = Size->Label;
  SizeTrackBar = Size->TrackBar;
  OpacityLabel = new QLabel(this);
  OpacityTrackBar = new QSlider(Qt::Horizontal, this);
  HardnessLabel = new QLabel(this);
  HardnessTrackBar = new QSlider(Qt::Horizontal, this);
  for (QWidget* W : {static_cast<QWidget*>(OpacityLabel), static_cast<QWidget*>(OpacityTrackBar),
                     static_cast<QWidget*>(HardnessLabel), static_cast<QWidget*>(HardnessTrackBar)}) {
    AddControl(W);
    AddOptionControl(W);
  }
  AddLink();
  ShowLink(true);
}
