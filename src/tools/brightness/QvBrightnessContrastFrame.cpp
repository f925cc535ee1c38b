#include "QvBrightnessContrastFrame.h"

#include "QvToneCorrection.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

namespace {

QSlider* ToneSlider(QWidget* Parent) {
  auto* Slider = new QSlider(Qt::Horizontal, Parent);
  Slider->setRange(TBrightnessContrastSettings::MinValue, TBrightnessContrastSettings::MaxValue);
  Slider->setTickInterval(16);
  Slider->setPageStep(16);
  Slider->setTickPosition(QSlider::TicksBelow);
  return Slider;
}

}  // namespace

TQvBrightnessContrastFrame::TQvBrightnessContrastFrame(QWidget* Parent) : TQvOptionFrame(Parent) {
  AutoCorrectionPanel = new QWidget(this);
  auto* AutoLayout = new QHBoxLayout(AutoCorrectionPanel);
  AutoLayout->setContentsMargins(0, 0, 0, 0);
  AutoCorrectionButton = new QPushButton(AutoCorrectionPanel);
  AutoLayout->addWidget(AutoCorrectionButton);
  AutoLayout->addStretch();
  AddControl(AutoCorrectionPanel);

  BrightnessLabel = new QLabel(this);
  BrightnessTrackBar = ToneSlider(this);
  ContrastLabel = new QLabel(this);
  ContrastTrackBar = ToneSlider(this);
  OkPanel = new QWidget(this);
  auto* OkLayout = new QHBoxLayout(OkPanel);
  OkLayout->setContentsMargins(0, 0, 0, 0);
  OkButton = new QPushButton(OkPanel);
  CancelButton = new QPushButton(OkPanel);
  OkLayout->addWidget(OkButton);
  OkLayout->addWidget(CancelButton);
  OkLayout->addStretch();
  for (QWidget* W : {static_cast<QWidget*>(BrightnessLabel), static_cast<QWidget*>(BrightnessTrackBar),
                     static_cast<QWidget*>(ContrastLabel), static_cast<QWidget*>(ContrastTrackBar), OkPanel}) {
    AddControl(W);
    AddOptionControl(W);
  }
  AddLink();
  ShowLink(true);
}
