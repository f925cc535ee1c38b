#include "QvDemoEditor.h"

#include "MainForm.h"
#include "QvDemoPlaybackEngine.h"
#include "QvDemonstration.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

TQvDemoEditorModule* DemoEditorModule = nullptr;

TQvDemoRecordingEngine::TQvDemoRecordingEngine() {
  FRecorder.OnRecordStart = [this](TQvDemoScriptRecorder&) {
    if (FRecordEvents.OnRecordStart) FRecordEvents.OnRecordStart();
  };
  FRecorder.OnRecordLine = [this](TQvDemoScriptRecorder&, int Index, const QString& Line) {
    if (FRecordEvents.OnRecordLine) FRecordEvents.OnRecordLine(Index, Line);
  };
  FRecorder.OnRecordStop = [this](TQvDemoScriptRecorder&) {
    // A copy: the handler may give the events back while it runs.
    const auto Stop = FRecordEvents.OnRecordStop;
    if (Stop) Stop();
  };
}

IQvDemoEditorEngine::TPlayEvents TQvDemoRecordingEngine::TakePlayEvents(const TPlayEvents& Events) {
  if (!FPlayTaken) FKeptPlayEvents = FPlayEvents;
  FPlayTaken = true;
  FPlayEvents = Events;
  return FKeptPlayEvents;
}

void TQvDemoRecordingEngine::GiveBackPlayEvents() {
  if (!FPlayTaken) return;
  FPlayTaken = false;
  FPlayEvents = FKeptPlayEvents;
}

IQvDemoEditorEngine::TRecordEvents TQvDemoRecordingEngine::TakeRecordEvents(const TRecordEvents& Events) {
  if (!FRecordTaken) FKeptRecordEvents = FRecordEvents;
  FRecordTaken = true;
  FRecordEvents = Events;
  return FKeptRecordEvents;
}

void TQvDemoRecordingEngine::GiveBackRecordEvents() {
  if (!FRecordTaken) return;
  FRecordTaken = false;
  FRecordEvents = FKeptRecordEvents;
}

// ---- the add-language dialog ----

TAddLangForm::TAddLangForm(QWidget* Owner) : QDialog(Owner) {
  setWindowTitle(QStringLiteral("Add Language"));
  setObjectName(QStringLiteral("AddLangForm"));
  auto* Layout = new QVBoxLayout(this);
  auto* Row = new QHBoxLayout;
  LangIdLabel = new QLabel(QStringLiteral("LangID:"), this);
  LangIdEdit = new QLineEdit(this);
  LangIdLabel->setBuddy(LangIdEdit);
  Row->addWidget(LangIdLabel);
  Row->addWidget(LangIdEdit, 1);
  Layout->addLayout(Row);
  auto* Buttons = new QDialogButtonBox(this);
  AddButton = Buttons->addButton(QStringLiteral("Add"), QDialogButtonBox::AcceptRole);
  CancelButton = Buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
  AddButton->setDefault(true);
  connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  Layout->addWidget(Buttons);
  // Centred on its owner.
  if (Owner) {
    adjustSize();
    move(Owner->frameGeometry().center() - rect().center());
  }
}

// ---- the module ----

TQvDemoEditorModule::TQvDemoEditorModule(IQvDemoEditorEngine* Engine, TQvDemonstrationModule* Demo)
    : FEngine(Engine), FDemo(Demo ? Demo : DemonstrationModule) {
  if (!FEngine) {
    if (TQvDemoPlayback* Playback = FDemo ? FDemo->Playback() : nullptr)
      FOwnEngine = std::make_unique<TQvDemoPlaybackEngine>(*Playback);
    else
      FOwnEngine = std::make_unique<TQvDemoRecordingEngine>();
    FEngine = FOwnEngine.get();
  }
  if (MainForm) {
    DemoEditorMenuItem = MainForm->AddMenuItem(QStringLiteral("Demo"), QKeySequence(QStringLiteral("Ctrl+Shift+K")),
                                               MainForm->FileMenuSeparator, MainForm->FileMenuItem, -1,
                                               [this] { CmDemoEditor(); });
    DemoEditorMenuItem->setObjectName(QStringLiteral("DemoEditorMenuItem"));
    DemoEditorMenuItem->setVisible(false);
    // A hidden item takes no key presses; the main window listens for its shortcut instead.
    auto* Key = new QShortcut(DemoEditorMenuItem->shortcut(), MainForm);
    Key->setContext(Qt::ApplicationShortcut);
    QObject::connect(Key, &QShortcut::activated, this, [this] { CmDemoEditor(); });
  }
}

TQvDemoEditorModule::~TQvDemoEditorModule() {
  delete FForm.data();
  if (DemoEditorModule == this) DemoEditorModule = nullptr;
}

void TQvDemoEditorModule::SetEngine(IQvDemoEditorEngine* Engine) {
  if (FForm || !Engine) return;
  FEngine = Engine;
  FOwnEngine.reset();
}

void TQvDemoEditorModule::CmDemoEditor() {
  if (!FForm) FForm = CreateInitialized<TQvDemoEditorForm>(*FEngine, FDemo.data(), MainForm);
  FForm->show();
  FForm->raise();
  FForm->activateWindow();
}
