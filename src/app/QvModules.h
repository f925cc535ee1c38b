// Modules: the non-visual components that each own one function of the program and contribute
// their menu items and buttons to the main window while they are constructed.
//
// A new module:
//   - derives from TQvModuleWithControls (or TQvModule when it has no controls to refresh);
//   - has a global reference (extern TQvFooModule* FooModule) and is created once, at its place in
//     TModule's composition, with Application->CreateModule(FooModule);
//   - in its constructor adds its items through MainForm (AddMenuItem, AddSubmenu, AddToolbar,
//     AddToolButton, AddImage, CreateDockablePanel), with empty captions or defaults;
//   - sets every caption in Localize (GetLocalString), recomputes enabled and checked states in
//     UpdateControls, and keeps its settings in one node: BeginNode(1, its GUID) ... EndNode, read back
//     with EnterNode(1, its GUID) ... LeaveNode;
//   - forms it owns derive from TQvFormOf<...>, frames from TQvFrame; those the application does not
//     own are made with CreateInitialized, tool option frames with ToolPanelModule->CreateOptionFrame.
#pragma once

#include "QvApplication.h"

#include <QObject>

// Created once by the composition root through Application->CreateModule, which puts it in the
// registry; it then takes part in every settings, Initialize and Start pass.
class TQvModule : public QObject, public IQvSettings {
  Q_OBJECT

 public:
  TQvModule();
  ~TQvModule() override;

  // Re-applies every caption, hint and title the module owns. Called at once when the module is
  // initialised and again after every change of language.
  virtual void Localize() {}
  void LoadSettings(TQvSDFReader& Reader) override;
  void SaveSettings(TQvSDFWriter& Writer) override;
  // Registers Localize with the localizer, which calls it at once.
  void Initialize() override;
  void Start() override {}
};

// A module with menu items or buttons whose enabled, checked and visible states are recomputed
// whenever the program goes idle, never set by the code that changes the state.
class TQvModuleWithControls : public TQvModule {
  Q_OBJECT

 public:
  ~TQvModuleWithControls() override;

  // Refreshes the module's controls from the current program state.
  virtual void UpdateControls() {}
  // The inherited registration, then UpdateControls as an idle handler.
  void Initialize() override;
};
