// The application object: the settings pass over the registry, deferred calls and the idle pass.
#include "AppFixture.h"

#include "MainForm.h"
#include "QvForms.h"
#include "QvLocalizer.h"
#include "QvModules.h"
#include "QvSDF.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QEventLoop>
#include <QVBoxLayout>

#include <stdexcept>

namespace {

constexpr TGUID FirstGuid = TGUID::Parse("{11111111-2222-3333-4444-555555555555}");
constexpr TGUID SecondGuid = TGUID::Parse("{66666666-7777-8888-9999-AAAAAAAAAAAA}");

QStringList Journal;

// A module that keeps one number in its own node and records its lifecycle calls.
class TNumberModule : public TQvModuleWithControls {
 public:
  TNumberModule(QString Name, TGUID Guid, bool ThrowInsideNode = false, bool ThrowOnSave = false)
      : FName(std::move(Name)), FGuid(Guid), FThrowInsideNode(ThrowInsideNode), FThrowOnSave(ThrowOnSave) {}

  void LoadSettings(TQvSDFReader& Reader) override {
    Journal << FName + QStringLiteral(".Load");
    if (!Reader.EnterNode(1, FGuid)) return;
    // A failure half-way inside the node: the reader is left one level down.
    if (FThrowInsideNode) throw std::runtime_error("settings of this module are unreadable");
    Reader.ReadInteger(1, Number);
    Reader.LeaveNode();
  }
  void SaveSettings(TQvSDFWriter& Writer) override {
    if (FThrowOnSave) throw std::runtime_error("cannot save");
    Writer.BeginNode(1, FGuid);
    Writer.WriteInteger(1, Number);
    Writer.EndNode();
  }
  void Initialize() override {
    Journal << FName + QStringLiteral(".Initialize");
    TQvModuleWithControls::Initialize();
  }
  void Start() override { Journal << FName + QStringLiteral(".Start"); }
  void UpdateControls() override { ++Updates; }

  std::int32_t Number = 0;
  int Updates = 0;

 private:
  QString FName;
  TGUID FGuid;
  bool FThrowInsideNode;
  bool FThrowOnSave;
};

class ApplicationTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    Journal.clear();
  }
};

TEST_F(ApplicationTest, SettingsPassRunsInRegistryOrderAndRoundTrips) {
  {
    auto App = MakeApplication();
    TNumberModule* A = nullptr;
    TNumberModule* B = nullptr;
    App->CreateModule(A, QStringLiteral("A"), FirstGuid);
    App->CreateModule(B, QStringLiteral("B"), SecondGuid);
    ASSERT_EQ(App->ComponentCount(), 2);
    EXPECT_EQ(App->Components(0), A);
    EXPECT_FALSE(QFile::exists(SettingsFile()));
    App->LoadSettings();
    // First run: no file, yet every component is initialised and started, in registry order.
    EXPECT_EQ(Journal, (QStringList{"A.Initialize", "B.Initialize", "A.Start", "B.Start"}));
    A->Number = 7;
    B->Number = -65536;
    App->SaveSettings();
  }
  ASSERT_TRUE(QFile::exists(SettingsFile()));
  Journal.clear();
  auto App = MakeApplication();
  TNumberModule* A = nullptr;
  TNumberModule* B = nullptr;
  App->CreateModule(A, QStringLiteral("A"), FirstGuid);
  App->CreateModule(B, QStringLiteral("B"), SecondGuid);
  App->LoadSettings();
  EXPECT_EQ(A->Number, 7);
  EXPECT_EQ(B->Number, -65536);
  EXPECT_EQ(Journal,
            (QStringList{"A.Load", "A.Initialize", "B.Load", "B.Initialize", "A.Start", "B.Start"}));
}

// Regression: a component that threw inside its node left the reader there, so every later
// component missed its own node.
TEST_F(ApplicationTest, ThrowingLoadSettingsDoesNotHideLaterComponentsSettings) {
  {
    auto App = MakeApplication();
    auto* A = App->CreateModule<TNumberModule>(QStringLiteral("A"), FirstGuid);
    auto* B = App->CreateModule<TNumberModule>(QStringLiteral("B"), SecondGuid);
    A->Number = 1;
    B->Number = 42;
    App->SaveSettings();
  }
  auto App = MakeApplication();
  auto* A = App->CreateModule<TNumberModule>(QStringLiteral("A"), FirstGuid, /*ThrowInsideNode*/ true);
  auto* B = App->CreateModule<TNumberModule>(QStringLiteral("B"), SecondGuid);
  App->LoadSettings();
  EXPECT_EQ(A->Number, 0);
  EXPECT_EQ(B->Number, 42);
  EXPECT_TRUE(Journal.contains("A.Initialize"));
  EXPECT_TRUE(Journal.contains("A.Start"));
}

TEST_F(ApplicationTest, SaveWritesNothingWhenEmptyAndKeepsOldFileWhenAComponentFails) {
  {
    auto App = MakeApplication();
    App->SaveSettings();  // nobody writes anything
    EXPECT_FALSE(QFile::exists(SettingsFile()));
    App->CreateModule<TNumberModule>(QStringLiteral("A"), FirstGuid)->Number = 5;
    App->SaveSettings();
  }
  QFile File(SettingsFile());
  ASSERT_TRUE(File.open(QIODevice::ReadOnly));
  const QByteArray Before = File.readAll();
  File.close();

  auto App = MakeApplication();
  App->CreateModule<TNumberModule>(QStringLiteral("A"), FirstGuid)->Number = 6;
  App->CreateModule<TNumberModule>(QStringLiteral("B"), SecondGuid, false, /*ThrowOnSave*/ true);
  EXPECT_THROW(App->SaveSettings(), std::runtime_error);
  ASSERT_TRUE(File.open(QIODevice::ReadOnly));
  EXPECT_EQ(File.readAll(), Before);
}

class TFailingModule : public TQvModule {
 public:
  TFailingModule() { throw std::runtime_error("cannot create"); }
};

TEST_F(ApplicationTest, FailedConstructionClearsReferenceAndRegistryPlace) {
  auto App = MakeApplication();
  App->CreateModule<TNumberModule>(QStringLiteral("A"), FirstGuid);
  TFailingModule* Failing = reinterpret_cast<TFailingModule*>(1);
  EXPECT_THROW(App->CreateModule(Failing), std::runtime_error);
  EXPECT_EQ(Failing, nullptr);
  EXPECT_EQ(App->ComponentCount(), 1);
}

// A module that creates another in its constructor stands before it in the registry.
class TOuterModule : public TQvModule {
 public:
  TOuterModule() {
    EXPECT_EQ(Outer, this);  // the global reference is set before the constructor runs
    Application->CreateModule(Inner, QStringLiteral("Inner"), FirstGuid);
  }
  static inline TOuterModule* Outer = nullptr;
  static inline TNumberModule* Inner = nullptr;
};

TEST_F(ApplicationTest, RegistryOrderIsCreationOrderOfCreators) {
  auto App = MakeApplication();
  App->CreateModule(TOuterModule::Outer);
  ASSERT_EQ(App->ComponentCount(), 2);
  EXPECT_EQ(App->Components(0), TOuterModule::Outer);
  EXPECT_EQ(App->Components(1), TOuterModule::Inner);
  App->DestroyComponents();
  EXPECT_EQ(App->ComponentCount(), 0);
  // Destroyed modules left no handlers behind.
  EXPECT_EQ(App->IdleHandlers().Count(), 0);
  EXPECT_EQ(Localizer().LocalizeHandlers().Count(), 0);
}

TEST_F(ApplicationTest, DeferredCallsRunInOrderAndSurviveAThrowingCall) {
  auto App = MakeApplication();
  QStringList Calls;
  App->PostCall(TQvMethod(this, 1, [&] { Calls << "early"; }));
  EXPECT_EQ(App->PostedCallCount(), 0);  // no main window yet

  TQvForm* Form = nullptr;
  App->CreateForm(Form);
  ASSERT_EQ(App->MainForm(), Form);
  App->PostCall(TQvMethod(this, 2, [&] {
    Calls << "first";
    // Posted from inside a call: they run after it, in posting order.
    Application->PostCall(TQvMethod(this, 3, [&] { Calls << "second"; }));
    Application->PostCall(TQvMethod(this, 4, [&] { Calls << "third"; }));
  }));
  App->PostCall(TQvMethod(this, 5, [&] {
    Calls << "throws";
    throw std::runtime_error("deferred call failed");
  }));
  App->PostCall(TQvMethod(this, 6, [&] { Calls << "after"; }));
  ProcessEvents();
  EXPECT_EQ(Calls, (QStringList{"first", "throws", "after", "second", "third"}));
  EXPECT_EQ(App->PostedCallCount(), 0);
  EXPECT_EQ(Messages, QStringList{"deferred call failed"});
}

TEST_F(ApplicationTest, IdlePassRunsWhenTheLoopWaitsAndNeverReenters) {
  auto App = MakeApplication();
  auto* A = App->CreateModule<TNumberModule>(QStringLiteral("A"), FirstGuid);
  App->LoadSettings();
  int Depth = 0, MaxDepth = 0;
  App->AddIdleHandler(TQvMethod(this, 1, [&] {
    MaxDepth = std::max(MaxDepth, ++Depth);
    App->DoIdle();  // as a modal loop inside a handler would
    --Depth;
  }));
  A->Updates = 0;
  QEventLoop Loop;
  QTimer::singleShot(30, &Loop, &QEventLoop::quit);
  Loop.exec();  // waits for the timer, so the loop blocks at least once
  EXPECT_GT(A->Updates, 0);
  EXPECT_EQ(MaxDepth, 1);

  // A handler that throws does not stop the others.
  App->AddIdleHandler(TQvMethod(this, 2, [] { throw std::runtime_error("idle failed"); }));
  int After = 0;
  App->AddIdleHandler(TQvMethod(this, 3, [&] { ++After; }));
  App->DoIdle();
  EXPECT_EQ(After, 1);

  // While its error box is open (and idle passes run inside the box's own loop) no second box opens.
  int Boxes = 0, Depth2 = 0, MaxBoxDepth = 0;
  App->SetMessageBoxHandler([&](const QString&, const QString&, int) {
    ++Boxes;
    MaxBoxDepth = std::max(MaxBoxDepth, ++Depth2);
    for (int I = 0; I < 3; ++I) {
      App->DoIdle();
      ProcessEvents(2);
    }
    --Depth2;
    return QvMB::IDOK;
  });
  ProcessEvents(5);
  EXPECT_GE(Boxes, 1);
  EXPECT_EQ(MaxBoxDepth, 1);
}

TEST_F(ApplicationTest, SetControlsEnabledReachesNestedControls) {
  auto App = MakeApplication();
  auto* Frame = CreateInitialized<TQvFrame>();
  auto* Group = new QGroupBox(Frame);
  auto* Inner = new QCheckBox(Group);
  auto* Layout = new QVBoxLayout(Frame);
  Layout->addWidget(Group);
  EXPECT_TRUE(Frame->ControlsEnabled());
  Frame->SetControlsEnabled(false);
  EXPECT_FALSE(Inner->isEnabled());
  EXPECT_FALSE(Group->isEnabled());
  Inner->setEnabled(true);
  Frame->SetControlsEnabled(false);  // same value: nothing changes
  EXPECT_FALSE(Inner->testAttribute(Qt::WA_ForceDisabled));
  Frame->SetControlsEnabled(true);
  EXPECT_TRUE(Group->isEnabled());
  delete Frame;
  EXPECT_EQ(App->IdleHandlers().Count(), 0);
}

TEST_F(ApplicationTest, SettingsFileFollowsTheExecutableName) {
  auto App = MakeApplication();
  App->SetExecutablePath(BinFolder() + QStringLiteral("photo.retouch.bin"));
  EXPECT_TRUE(App->GetSettingsFileName().endsWith(QStringLiteral("/config/photo.retouch/photo.retouch.cfg")));
  EXPECT_EQ(App->DataFolder(QStringLiteral("Languages")), LanguageFolder());
  EXPECT_EQ(App->DataFolder(QStringLiteral("Images")),
            QDir::cleanPath(BinFolder() + QStringLiteral("../share/ocuvane/Images")) + QLatin1Char('/'));
}

}  // namespace
