// The editor: set up the process-wide objects, compose the modules, run, and save at the end.
#include "Model.h"
#include "Module.h"
#include "QvApplication.h"
#include "QvCommandLine.h"
#include "QvDemoPlayback.h"
#include "QvGraphicsEditor.h"
#include "QvSignals.h"
#include "QvVJPEG.h"

#include <QApplication>
#include <QIcon>
#include <QString>

int main(int argc, char** argv) {
  TQvApplication App;
  App.Initialize(argc, argv);
  App.SetTitle(QStringLiteral("Ocuvane"));
  // The launcher's id ties the windows to the launcher entry; its icon is the windows' icon.
  const QString AppId = QStringLiteral("org.ocuvane.Ocuvane");
  QGuiApplication::setDesktopFileName(AppId);
  QApplication::setWindowIcon(QIcon::fromTheme(AppId, QIcon(QStringLiteral(":/ocuvane/icon/") + AppId + QStringLiteral(".svg"))));
  QvUnitStartup();
  QvInstallTerminationHandler();
  // Tests play demonstrations faster; users never give this option.
  if (const double Speed = TQvCommandLine::Program().DemoSpeed; Speed > 0) TQvDemoPlayback::SetDefaultTimeScale(Speed);
  TModule::Composition = ComposeEditor;
  TQvGraphicsDocument::EngineFactory = CreateVJPEGObject;
  int Code = 0;
  try {
    App.CreateForm(Module);
    Code = App.Run();
    // A plug-in session's result: -1 (255 to the parent) until OK has written the exchange file.
    if (Code == 0 && GraphicsEditor) Code = GraphicsEditor->ExitCode;
  } catch (const std::exception& E) {
    App.ShowException(E);
    Code = 1;
  }
  App.DestroyComponents();
  return Code;
}
