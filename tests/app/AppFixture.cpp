#include "AppFixture.h"

#include "Module.h"

#include <QCoreApplication>

std::unique_ptr<TQvApplication> AppFixture::MakeApplication() {
  auto App = std::make_unique<TQvApplication>();
  App->SetExecutablePath(BinFolder() + QStringLiteral("ocuvane"));
  App->SetMessageBoxHandler([this](const QString& Text, const QString&, int) {
    Messages << Text;
    return Answer;
  });
  QvUnitStartup();
  return App;
}

std::unique_ptr<TQvApplication> AppFixture::StartEditor() {
  auto App = MakeApplication();
  App->CreateForm(Module);
  return App;
}

int AppFixture::RunAndClose(TQvApplication& App, const std::function<void()>& Action) {
  QTimer::singleShot(0, &App, [&App, Action] {
    if (Action) Action();
    if (App.MainForm()) App.MainForm()->close();
  });
  return App.Run();
}

void AppFixture::ProcessEvents(int Rounds) {
  for (int I = 0; I < Rounds; ++I) QCoreApplication::processEvents();
}
