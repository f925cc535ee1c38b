#include "QvForms.h"

#include "QvLocalizer.h"

void TQvFormLifecycle::LoadSettings(TQvSDFReader&) {}

void TQvFormLifecycle::SaveSettings(TQvSDFWriter&) {}

void TQvFormLifecycle::Initialize() {
  AddLocalizeHandler(this, &TQvFormLifecycle::Localize);
  if (Application) Application->AddIdleHandler(TQvMethod(this, &TQvFormLifecycle::UpdateControls));
}

void TQvFormLifecycle::UnregisterHandlers() {
  RemoveLocalizeHandler(this, &TQvFormLifecycle::Localize);
  if (Application) Application->RemoveIdleHandler(TQvMethod(this, &TQvFormLifecycle::UpdateControls));
}

TQvFrame::TQvFrame(QWidget* Parent) : QWidget(Parent) {}

TQvFrame::~TQvFrame() {
  UnregisterHandlers();
  if (Application) Application->RemoveComponent(this);
}

void TQvFrame::Initialize() {
  FControlsEnabled = true;
  TQvFormLifecycle::Initialize();
}

void TQvFrame::SetControlsEnabled(bool Value) {
  if (Value == FControlsEnabled) return;
  for (QWidget* Child : findChildren<QWidget*>()) Child->setEnabled(Value);
  FControlsEnabled = Value;
}
