// The demonstration module: the program's registry of demonstration commands and controls, the
// answers to the playback's questions (which module carries out a command, where a named control
// is on the screen) and the recording services that modules report the user's actions through.
#pragma once

#include "QvDemoClickMessage.h"
#include "QvDemoTarget.h"
#include "QvModules.h"

#include <QPoint>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QObject;
class TQvDemoPlayback;
class TQvDemoRecorder;
class TQvDemoScript;
class TQvDemoScriptParams;
class TQvDemonstrationForm;
class TQvEditor;

// A control, menu item or toolbar item that scripts name.
struct TQvDemoComponentInfo {
  QString Name;  // upper case
  QPointer<QObject> Component;
};

// A registered command: exactly one handler is assigned; the defaults stand in for missing or
// non-numeric arguments.
struct TQvDemoCommandInfo {
  QString Name;  // upper case
  std::function<void()> Procedure;
  QPointer<QObject> Sender;
  std::function<void(QObject*)> Notify;
  bool BooleanDefault = false;
  std::function<void(bool)> BooleanSetter;
  int IntegerDefault = 0;
  std::function<void(int)> IntegerSetter;
  std::function<void(int)> IntegerSetter2;
  QPoint PointDefault;
  std::function<void(int, int)> PointSetter;
  double FloatDefault = 0;
  std::function<void(double)> FloatSetter;

  bool HasHandler() const {
    return Procedure || Notify || BooleanSetter || IntegerSetter || IntegerSetter2 || PointSetter || FloatSetter;
  }
};

class TQvDemonstrationModule : public TQvModuleWithControls, public IQvDemoRegistry, public IQvDemoClickMessage {
  Q_OBJECT

 public:
  TQvDemonstrationModule();
  ~TQvDemonstrationModule() override;

  // The one playback engine of the program.
  TQvDemoPlayback* Playback() const { return FPlayback.get(); }
  // Plays the demonstration "<demonstration folder>Name.dsc"; false (and an error box) when there
  // is no such file or it cannot be read, or when a demonstration already plays.
  bool PlayDemo(const QString& Name);
  // The browser of the demonstrations; Start plays the chosen one and brings the browser back when
  // it ends.
  void ShowBrowser();
  // The demonstration that the command line names: played after start-up instead of showing the
  // browser.
  const QString& StartDemo() const { return FStartDemo; }
  void SetStartDemo(const QString& Name) { FStartDemo = Name; }

  // ---- the playback's handlers ----
  void OnBeforeStart(TQvDemoPlayback* Sender, bool& Cancel);
  void OnStopQuery(TQvDemoPlayback* Sender, bool& Stop);
  void OnEnd(TQvDemoPlayback* Sender);
  void OnError(TQvDemoPlayback* Sender, const QString& Message, bool& Stop, const QString& LineText);

  // ---- registries ----
  void RegisterCommand(const QString& Name, std::function<void()> Procedure) override;
  void RegisterNotifyCommand(const QString& Name, QObject* Sender, std::function<void(QObject*)> Handler) override;
  void RegisterBooleanCommand(const QString& Name, bool Default, std::function<void(bool)> Setter) override;
  void RegisterIntegerCommand(const QString& Name, int Default, std::function<void(int)> Setter) override;
  void RegisterIntegerCommand2(const QString& Name, int Default, std::function<void(int)> Setter) override;
  void RegisterPointCommand(const QString& Name, QPoint Default, std::function<void(int, int)> Setter) override;
  void RegisterFloatCommand(const QString& Name, double Default, std::function<void(double)> Setter) override;
  void RegisterComponent(const QString& Name, QObject* Component) override;
  const std::vector<TQvDemoCommandInfo>& Commands() const { return FCommands; }
  const std::vector<TQvDemoComponentInfo>& DemoComponents() const { return FComponents; }

  // ---- the playback's questions ----
  // The first registered command of that name runs with its argument; otherwise the components of
  // the application that are demonstration targets are asked in creation order until one handles
  // it. Returns whether the command was handled. A number that does not fit the handler's integer
  // is reported as "Invalid arguments." (through DemoErrorReporter) and counts as handled.
  bool ExecuteCommand(TQvDemoPlayback* Playback, const QString& Command, TQvDemoScriptUserAction* Action,
                      const TQvDemoScriptParams& Params);
  // The registered control, menu item or toolbar item named by item 0 (any letter case), else the
  // first target that knows the name. False when nobody does.
  bool GetControlPoint(TQvDemoPlayback* Playback, const TQvDemoScriptParams& Params, QPoint& Point);
  // Reports a script error of a command's arguments; the playback stops on it.
  std::function<void(TQvDemoPlayback* Playback, const QString& Message)> DemoErrorReporter;

  // ---- recording ----
  // The recorder that Record* write to while it records; nullptr when none (not owned).
  TQvDemoRecorder* Recorder() const { return FRecorder; }
  // Tells every demonstration target of the application, in creation order, to record into
  // ARecorder; the module's own Record* services write there too.
  void StartDemoRecording(TQvDemoRecorder* ARecorder);
  // Tells every target to stop recording and forgets the recorder.
  void StopDemoRecording();
  void RecordLine(const QString& Text) override;
  void RecordMove(const QString& Name) override;
  void RecordCommand(const QString& Name, const QString& Arguments = QString()) override;
  void RecordMessage(const QString& Text) override;
  bool RecordMessages() const override;

  // ---- folder and start-up ----
  // The folder of the ".dsc" files and their pictures, with a trailing "/".
  const QString& DemoFolder() const { return FDemoFolder; }
  void SetDemoFolder(const QString& Folder);
  bool ShowAtStartup() const { return FShowAtStartup; }
  void SetShowAtStartup(bool Value) { FShowAtStartup = Value; }
  // The message the recorder writes for mouse clicks.
  const QString& MessageText() const override { return FMessageText; }
  void SetMessageText(const QString& Text) { FMessageText = Text; }

  // Browser state: the index preselected next time, whether the browser comes back after the
  // demonstration, and the exchange file closed for a demonstration in plug-in mode.
  int LastIndex() const { return FLastIndex; }
  void SetLastIndex(int Value) { FLastIndex = Value; }
  bool ReturnToBrowser() const { return FReturnToBrowser; }
  const QString& PluginFile() const { return FPluginFile; }
  // Ask to close the open documents / to maximise the main window before a demonstration.
  bool CloseDocuments() const { return FCloseDocuments; }
  void SetCloseDocuments(bool Value) { FCloseDocuments = Value; }
  bool Maximize() const { return FMaximize; }
  void SetMaximize(bool Value) { FMaximize = Value; }
  int ViewStyle() const { return FViewStyle; }
  QAction* DemoMenuItem = nullptr;

  // Runs the browser dialog modally and returns its result (QDialog::Accepted: Start); tests
  // answer it without a modal loop.
  std::function<int(TQvDemonstrationForm& Form)> ExecuteBrowser;

  void LoadSettings(TQvSDFReader& Reader) override;
  void SaveSettings(TQvSDFWriter& Writer) override;
  void Initialize() override;
  void Localize() override;
  void UpdateControls() override;

 private:
  // The editor among the application's components, or nullptr.
  static TQvEditor* FindEditor();
  // What every end of a demonstration restores: the title, then the browser (when it started the
  // demonstration) or, in plug-in mode, the exchange document.
  void Finish();
  void ReopenPluginFile();
  std::unique_ptr<TQvDemoScript> RunBrowserDialog();

  // Calls Info's first assigned handler with its argument from Params; false when the argument
  // cannot be given to it.
  bool CallCommand(const TQvDemoCommandInfo& Info, const TQvDemoScriptParams& Params);
  TQvDemoCommandInfo& AddCommand(const QString& Name);

  std::vector<TQvDemoCommandInfo> FCommands;
  std::vector<TQvDemoComponentInfo> FComponents;
  TQvDemoRecorder* FRecorder = nullptr;
  QString FDemoFolder;
  bool FShowAtStartup = false;
  QString FMessageText = QStringLiteral("Click");
  std::unique_ptr<TQvDemoPlayback> FPlayback;
  bool FReturnToBrowser = false;
  int FLastIndex = 0;
  QString FSavedTitle;
  bool FMaximize = false;
  bool FCloseDocuments = true;
  int FViewStyle = 0;
  QString FPluginFile;
  QString FStartDemo;
};

extern TQvDemonstrationModule* DemonstrationModule;
