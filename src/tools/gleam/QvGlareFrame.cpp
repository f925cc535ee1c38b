#include "QvGlareFrame.h"

#include "GlareSelection.h"

#include <QEvent>
#include <QLabel>
#include <QSlider>

TQvGlareFrame::TQvGlareFrame(QWidget* Parent) : TQvOptionFrame(Parent) {
  Brightness = &AddSlider(550, QStringLiteral("Brightness"), 0, TGleamSettings::MaxBrightness, 16);
  BrightnessLabel = Brightness->Label;
  BrightnessTrackBar = Brightness->TrackBar;
  SizeLabel = new QLabel(this);
  SizeTrackBar = new QSlider(Qt::Horizontal, this);
  SizeTrackBar->setRange(0, TGleamSettings::MaxSize);
  SizeTrackBar->setTickInterval(16);
  SizeTrackBar->setTickPosition(QSlider::TicksBelow);
  AddControl(SizeLabel);
  AddControl(SizeTrackBar);
  SizeLabel->hide();
  SizeTrackBar->hide();
  BrightnessTrackBar->installEventFilter(this);
  SizeTrackBar->installEventFilter(this);
}

bool TQvGlareFrame::eventFilter(QObject* Watched, QEvent* Event) {
  if (Event->type() == QEvent::FocusIn && OnEnter) OnEnter(Watched);
  return TQvOptionFrame::eventFilter(Watched, Event);
}
