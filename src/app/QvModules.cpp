#include "QvModules.h"

#include "QvLocalizer.h"

TQvModule::TQvModule() = default;

TQvModule::~TQvModule() {
  RemoveLocalizeHandler(this, &TQvModule::Localize);
  if (Application) Application->RemoveComponent(this);
}

void TQvModule::LoadSettings(TQvSDFReader&) {}

void TQvModule::SaveSettings(TQvSDFWriter&) {}

void TQvModule::Initialize() { AddLocalizeHandler(this, &TQvModule::Localize); }

TQvModuleWithControls::~TQvModuleWithControls() {
  // Otherwise the idle pass would call into a destroyed module.
  if (Application) Application->RemoveIdleHandler(TQvMethod(this, &TQvModuleWithControls::UpdateControls));
}

void TQvModuleWithControls::Initialize() {
  TQvModule::Initialize();
  if (Application) Application->AddIdleHandler(TQvMethod(this, &TQvModuleWithControls::UpdateControls));
}
