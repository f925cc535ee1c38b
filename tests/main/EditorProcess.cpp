#include "EditorProcess.h"

#include "Model.h"
#include "Module.h"
#include "QvDemonstration.h"
#include "QvGraphicsDocument.h"
#include "QvVJPEG.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <QFile>
#include <QWidget>

TEditorProcess& TEditorProcess::Get() {
  // Lives until the process ends: the modules keep process-wide references to each other.
  static TEditorProcess* Process = new TEditorProcess();
  return *Process;
}

TEditorProcess::TEditorProcess() {
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(FConfig.path()));
  FApp = std::make_unique<TQvApplication>();
  // The test program sits beside the editor in the build's bin folder, with its data folders.
  FApp->SetExecutablePath(QCoreApplication::applicationDirPath() + QStringLiteral("/ocuvane"));
  FApp->SetTitle(QStringLiteral("Ocuvane"));
  FApp->SetMessageBoxHandler([this](const QString& Text, const QString&, int Flags) {
    Boxes.push_back({Text, Flags});
    if (Answer) return Answer(Boxes.back());
    return Boxes.back().IsQuestion() ? int(QvMB::IDYES) : int(QvMB::IDOK);
  });
  QvUnitStartup();
  TModule::Composition = ComposeEditor;
  TQvGraphicsDocument::EngineFactory = CreateVJPEGObject;
  FApp->CreateForm(Module);
  // The browser would open a modal dialog from the first deferred call.
  if (DemonstrationModule) DemonstrationModule->SetShowAtStartup(false);
  FApp->LoadSettings();
  if (QWidget* Main = FApp->MainForm()) Main->show();
  QCoreApplication::processEvents();
}

QString TEditorProcess::DemoFolder() const {
  return DemonstrationModule ? DemonstrationModule->DemoFolder() : QString();
}

QStringList TEditorProcess::TutorialNames() const {
  QStringList Names;
  for (const QString& File : QDir(DemoFolder()).entryList({QStringLiteral("*.dsc")}, QDir::Files, QDir::Name))
    Names << File.chopped(4);
  return Names;
}

bool TEditorProcess::RunUntil(const std::function<bool()>& Done, int TimeoutMs) {
  if (Done()) return true;
  QEventLoop Loop;
  QTimer Poll;
  QObject::connect(&Poll, &QTimer::timeout, &Loop, [&] {
    if (Done()) Loop.quit();
  });
  Poll.start(10);
  QTimer::singleShot(TimeoutMs, &Loop, &QEventLoop::quit);
  Loop.exec();
  return Done();
}
