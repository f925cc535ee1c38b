// The demonstration module: command dispatch to registered handlers and to the demonstration
// targets among the application's components, control points of widgets, menu items and toolbar
// buttons, the recording services, and the start-up setting.
#include "DemoTestApplication.h"
#include "QvApplication.h"
#include "QvDemoRecorder.h"
#include "QvDemoScript.h"
#include "QvDemoScriptParams.h"
#include "QvDemonstration.h"
#include "QvModules.h"
#include "QvSDF.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QToolBar>

#include <memory>

namespace {

// A module or tool that answers the commands and controls listed in Answers, logging every question.
class TFakeTarget : public TQvModule, public IQvDemoTarget {
 public:
  TFakeTarget(QString Name, QStringList Answers, QStringList& Log)
      : FName(std::move(Name)), FAnswers(std::move(Answers)), FLog(Log) {}

  void ExecuteDemoCommand(TQvDemoPlayback*, const QString& Command, bool& Handled, TQvDemoScriptUserAction*,
                          TQvCustomProperties* Params) override {
    const auto* Args = static_cast<TQvDemoScriptParams*>(Params);
    FLog << FName + ":" + Command + "(" + Args->AsString(0) + ")";
    if (FAnswers.contains(Command)) Handled = true;
  }
  void GetDemoControlPoint(TQvDemoPlayback*, TQvCustomProperties* Params, bool& Handled, QPoint& Point) override {
    const QString Name = static_cast<TQvDemoScriptParams*>(Params)->AsString(0).toUpper();
    FLog << FName + ":point " + Name;
    if (FAnswers.contains(Name)) {
      Point = QPoint(FAnswers.indexOf(Name), 99);
      Handled = true;
    }
  }
  void StartDemoRecording(TQvDemoRecorder* Recorder) override { this->Recorder = Recorder; }
  void StopDemoRecording() override { Recorder = nullptr; }

  TQvDemoRecorder* Recorder = nullptr;

 private:
  QString FName;
  QStringList FAnswers;
  QStringList& FLog;
};

// An application with the demonstration module and, after it, two targets (first, second).
class DemonstrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureWidgetApplication();
    App = std::make_unique<TQvApplication>();
    App->CreateModule(DemonstrationModule);
    First = App->CreateModule<TFakeTarget>(QStringLiteral("first"), QStringList{"SHARED", "ONE", "SAVE"}, Log);
    Second = App->CreateModule<TFakeTarget>(QStringLiteral("second"), QStringList{"SHARED", "TWO"}, Log);
    DemonstrationModule->DemoErrorReporter = [this](TQvDemoPlayback*, const QString& Message) { Errors << Message; };
  }
  void TearDown() override { App.reset(); }

  bool Run(const QString& Command, const char* Arguments = "") {
    return DemonstrationModule->ExecuteCommand(nullptr, Command, nullptr, TQvDemoScriptParams(Arguments));
  }
  bool PointOf(const char* Arguments, QPoint& Point) {
    return DemonstrationModule->GetControlPoint(nullptr, TQvDemoScriptParams(Arguments), Point);
  }

  std::unique_ptr<TQvApplication> App;
  TFakeTarget* First = nullptr;
  TFakeTarget* Second = nullptr;
  QStringList Log;
  QStringList Errors;
};
}  // namespace

TEST_F(DemonstrationTest, EachHandlerKindGetsItsArgumentOrDefault) {
  TQvDemonstrationModule& M = *DemonstrationModule;
  QObject Sender;
  Sender.setObjectName("sender");
  M.RegisterCommand("Proc", [this] { Log << "proc"; });
  M.RegisterNotifyCommand("Notify", &Sender, [this](QObject* S) { Log << "notify " + S->objectName(); });
  M.RegisterBooleanCommand("Bool", true, [this](bool V) { Log << QString("bool %1").arg(V); });
  M.RegisterIntegerCommand("Int", 7, [this](int V) { Log << QString("int %1").arg(V); });
  M.RegisterIntegerCommand2("Int2", 8, [this](int V) { Log << QString("int2 %1").arg(V); });
  M.RegisterPointCommand("Point", QPoint(1, 2), [this](int X, int Y) { Log << QString("point %1,%2").arg(X).arg(Y); });
  M.RegisterFloatCommand("Float", 0.5, [this](double V) { Log << QString("float %1").arg(V); });

  struct TCase {
    const char* Command;
    const char* Arguments;
    const char* Call;
  } Cases[] = {
      {"PROC", "1, 2", "proc"},
      {"NOTIFY", "", "notify sender"},
      {"BOOL", "", "bool 1"},  // no arguments: the default
      {"BOOL", "0", "bool 0"},
      {"BOOL", "0.25", "bool 1"},
      {"BOOL", "true", "bool 1"},
      {"BOOL", "yes", "bool 0"},  // a word is not a number: false, not the default
      {"INT", "", "int 7"},
      {"INT", "42", "int 42"},
      {"INT", "-3", "int -3"},
      {"INT", "abc", "int 7"},
      {"INT", "'12'", "int 7"},  // a quoted number is a string
      {"INT", "2.5", "int 2"},   // to nearest, ties to even
      {"INT", "3.5", "int 4"},
      {"INT2", "5", "int2 5"},
      {"INT2", "x", "int2 8"},
      {"POINT", "", "point 1,2"},
      {"POINT", "10", "point 1,2"},
      {"POINT", "10, 20", "point 10,20"},
      {"POINT", "10, x", "point 1,2"},
      {"POINT", "1.4E1, -20", "point 14,-20"},
      {"FLOAT", "", "float 0.5"},
      {"FLOAT", "1.25", "float 1.25"},
      {"FLOAT", "3", "float 3"},
      {"FLOAT", "many", "float 0.5"},
  };
  for (const TCase& C : Cases) {
    Log.clear();
    EXPECT_TRUE(Run(C.Command, C.Arguments)) << C.Command << " " << C.Arguments;
    EXPECT_EQ(Log, QStringList{C.Call}) << C.Command << " " << C.Arguments;
  }
  EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(DemonstrationTest, NumberTooLargeForAnIntegerIsInvalidArgumentsNotACall) {
  DemonstrationModule->RegisterIntegerCommand("Zoom", 1, [this](int V) { Log << QString::number(V); });
  DemonstrationModule->RegisterPointCommand("At", QPoint(), [this](int, int) { Log << "at"; });
  for (const char* Arguments : {"1E20", "-3E9"}) {
    Errors.clear();
    EXPECT_TRUE(Run("ZOOM", Arguments)) << Arguments;  // handled: no "Unknown command" on top
    EXPECT_EQ(Errors, QStringList{"Invalid arguments."}) << Arguments;
  }
  EXPECT_TRUE(Run("AT", "5, 1E10"));
  EXPECT_TRUE(Log.isEmpty()) << Log.join('|').toStdString();
}

TEST_F(DemonstrationTest, RegisteredCommandsComeFirstThenTargetsInCreationOrder) {
  DemonstrationModule->RegisterCommand("shared", [this] { Log << "registered shared"; });
  DemonstrationModule->RegisterCommand("Shared", [this] { Log << "second registration"; });

  EXPECT_TRUE(Run("SHARED"));
  EXPECT_EQ(Log, QStringList{"registered shared"});

  Log.clear();
  EXPECT_TRUE(Run("TWO", "7"));
  EXPECT_EQ(Log, (QStringList{"first:TWO(7)", "second:TWO(7)"}));

  Log.clear();
  EXPECT_TRUE(Run("ONE"));  // the first target handles it; the second is not asked
  EXPECT_EQ(Log, QStringList{"first:ONE()"});

  Log.clear();
  EXPECT_TRUE(Run("save"));  // the word reaches targets in upper case
  EXPECT_EQ(Log, QStringList{"first:SAVE()"});

  Log.clear();
  EXPECT_FALSE(Run("NOBODY"));
  EXPECT_EQ(Log, (QStringList{"first:NOBODY()", "second:NOBODY()"}));
}

TEST_F(DemonstrationTest, ControlPointsOfWidgetsMenuItemsAndToolbarButtons) {
  QMainWindow Window;
  Window.move(40, 30);
  QMenu* FileMenu = Window.menuBar()->addMenu("File");
  QAction* OpenItem = FileMenu->addAction("Open");
  QAction* SaveItem = FileMenu->addAction("Save");
  QToolBar* Bar = Window.addToolBar("Standard");
  Bar->addAction(SaveItem);
  QAction* ButtonOnly = Bar->addAction("Zoom");
  auto* Central = new QPushButton("Go");
  Window.setCentralWidget(Central);
  Window.resize(400, 300);
  Window.show();
  QCoreApplication::processEvents();

  TQvDemonstrationModule& M = *DemonstrationModule;
  M.RegisterComponent("GoButton", Central);
  M.RegisterComponent("FileMenu", FileMenu->menuAction());
  M.RegisterComponent("OpenItem", OpenItem);
  M.RegisterComponent("SaveItem", SaveItem);
  M.RegisterComponent("ZoomButton", ButtonOnly);
  M.RegisterComponent("Nothing", nullptr);
  EXPECT_EQ(M.DemoComponents().size(), 5u);

  QPoint P;
  ASSERT_TRUE(PointOf("gobutton", P));  // any letter case
  EXPECT_EQ(P, Central->mapToGlobal(QPoint(Central->width() / 2, Central->height() / 2)));
  EXPECT_EQ(Window.childAt(Window.mapFromGlobal(P)), Central);

  ASSERT_TRUE(PointOf("FileMenu", P));  // on the menu bar
  EXPECT_EQ(Window.menuBar()->actionAt(Window.menuBar()->mapFromGlobal(P)), FileMenu->menuAction());

  ASSERT_TRUE(PointOf("ZoomButton", P));
  EXPECT_EQ(Bar->actionAt(Bar->mapFromGlobal(P)), ButtonOnly);

  // A closed menu does not show its item; an item that is also on a toolbar is found there.
  Log.clear();
  EXPECT_FALSE(PointOf("OpenItem", P));
  EXPECT_EQ(Log, (QStringList{"first:point OPENITEM", "second:point OPENITEM"}));
  ASSERT_TRUE(PointOf("SaveItem", P));
  EXPECT_EQ(Bar->actionAt(Bar->mapFromGlobal(P)), SaveItem);

  // With the menu open, its items are found in the popup.
  FileMenu->popup(Window.mapToGlobal(QPoint(10, 10)));
  QCoreApplication::processEvents();
  ASSERT_TRUE(FileMenu->isVisible());
  ASSERT_TRUE(PointOf("OpenItem", P));
  EXPECT_EQ(FileMenu->actionAt(FileMenu->mapFromGlobal(P)), OpenItem);
  ASSERT_TRUE(PointOf("SaveItem", P));
  EXPECT_EQ(FileMenu->actionAt(FileMenu->mapFromGlobal(P)), SaveItem);
  FileMenu->close();

  // Unregistered names go to the targets in creation order; the first answer wins.
  Log.clear();
  ASSERT_TRUE(PointOf("Save", P));
  EXPECT_EQ(P, QPoint(2, 99));
  EXPECT_EQ(Log, QStringList{"first:point SAVE"});
}

TEST_F(DemonstrationTest, ControlCentreRoundsTowardZeroAndHiddenOrDeletedControlsAreSkipped) {
  QWidget Window;
  Window.setGeometry(100, 50, 200, 100);
  auto* Small = new QWidget(&Window);
  Small->setGeometry(10, 20, 5, 3);
  Window.show();
  QCoreApplication::processEvents();
  DemonstrationModule->RegisterComponent("Small", Small);
  DemonstrationModule->RegisterComponent("Shared", Small);

  QPoint P;
  ASSERT_TRUE(PointOf("SMALL", P));
  EXPECT_EQ(P, Window.mapToGlobal(QPoint(12, 21)));

  // A hidden control is nowhere to be pressed; the targets answer instead.
  Small->hide();
  ASSERT_TRUE(PointOf("Shared", P));
  EXPECT_EQ(P, QPoint(0, 99));
  Small->show();

  // A registered control that has been destroyed must not be touched; the targets answer instead.
  delete Small;
  ASSERT_TRUE(PointOf("Shared", P));
  EXPECT_EQ(P, QPoint(0, 99));
  EXPECT_FALSE(PointOf("Small", P));
}

TEST_F(DemonstrationTest, RecordingReachesEveryTargetAndWritesAtTheRecordIndex) {
  TQvDemoScript Script;
  Script.Lines() = {"Pause 1", "Pause 2"};
  TQvDemoScriptRecorder Recorder(Script);
  TQvDemonstrationModule& M = *DemonstrationModule;

  M.RecordCommand("Crop", "1, 2");  // nothing records yet
  ASSERT_TRUE(Recorder.StartRecording(1));
  M.StartDemoRecording(&Recorder);
  EXPECT_EQ(First->Recorder, &Recorder);
  EXPECT_EQ(Second->Recorder, &Recorder);

  Recorder.SetRecordMessages(false);
  EXPECT_FALSE(M.RecordMessages());
  Recorder.SetRecordMessages(true);
  EXPECT_TRUE(M.RecordMessages());

  M.RecordCommand("RedEye");
  M.RecordCommand("RedEyeSize", "20");
  M.RecordMove("Undo");
  M.RecordMessage("Undo the last step");
  First->Recorder->RecordLine("Undo");
  M.StopDemoRecording();
  Recorder.StopRecording();
  EXPECT_EQ(First->Recorder, nullptr);
  EXPECT_EQ(Second->Recorder, nullptr);
  M.RecordLine("late");

  EXPECT_EQ(Script.Lines(), (QByteArrayList{"Pause 1", "MouseCurvedMove RedEye", "RedEye", "MouseCurvedMove RedEyeSize",
                                            "RedEyeSize 20", "MouseCurvedMove Undo", "Message \"Undo the last step\"",
                                            "Undo", "Pause 2"}));
}

TEST_F(DemonstrationTest, ShowAtStartupIsKeptInTheSettings) {
  for (const bool Value : {true, false}) {
    DemonstrationModule->SetShowAtStartup(Value);
    QBuffer Stream;
    Stream.open(QIODevice::WriteOnly);
    {
      TQvSDFWriter Writer(&Stream, false);
      DemonstrationModule->SaveSettings(Writer);
    }
    DemonstrationModule->SetShowAtStartup(!Value);
    TQvSDFReader Reader(Stream.data());
    DemonstrationModule->LoadSettings(Reader);
    EXPECT_EQ(DemonstrationModule->ShowAtStartup(), Value);
    EXPECT_EQ(Reader.Depth(), 0);
  }
}

TEST_F(DemonstrationTest, TheModuleIsReachableAndKeepsItsFolderWithASlash) {
  EXPECT_EQ(App->Components(0), DemonstrationModule);
  EXPECT_EQ(FindDemoRegistry(), DemonstrationModule);
  DemonstrationModule->SetDemoFolder("/opt/ocuvane/Images");
  EXPECT_EQ(DemonstrationModule->DemoFolder(), "/opt/ocuvane/Images/");
  EXPECT_EQ(DemonstrationModule->MessageText(), "Click");
  App.reset();
  EXPECT_EQ(DemonstrationModule, nullptr);
  EXPECT_EQ(FindDemoRegistry(), nullptr);
}
