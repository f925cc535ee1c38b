// The whole program under an X server (label x11): a demonstration recorded from what a user does
// with the real pointer and keyboard, saved, and played back by the demo editor of a program
// started afresh gives the same picture bit for bit; Esc during an editor playback, confirmed,
// shows the end message and brings the editor back.
#include "RealPointer.h"

#include "MainForm.h"
#include "Model.h"
#include "Module.h"
#include "QvApplication.h"
#include "QvCrop2Tool.h"
#include "QvDemoEditor.h"
#include "QvDemoPlayback.h"
#include "QvDemonstration.h"
#include "QvGlareFrame.h"
#include "QvGlareTool.h"
#include "QvGraphicsDocument.h"
#include "QvGraphicsEditor.h"
#include "QvGraphicsView.h"
#include "QvLocalizer.h"
#include "QvRedEyeFrame.h"
#include "QvRedEyeTool.h"
#include "QvRotateFrame.h"
#include "QvRotateTool.h"
#include "QvToolPanel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <X11/keysym.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr TPoint LeftPupil{82, 81};
constexpr TPoint RightPupil{232, 33};

class DemoRoundTrip : public ::testing::Test {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !Pointer.Ok())
      GTEST_SKIP() << "needs an X server with XTest";
    ASSERT_TRUE(Dir.isValid());
    FOldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(Dir.filePath("config")));
    // The program's folder: its language files and, in Images, the shipped sample photo.
    const QString Bin = Dir.filePath("bin");
    ASSERT_TRUE(QDir().mkpath(Bin + "/Languages") && QDir().mkpath(Bin + "/Images"));
    const QDir Shipped(QStringLiteral(OCUVANE_SOURCE_DIR "/data/Languages"));
    for (const QString& Name : Shipped.entryList({QStringLiteral("*.ini")}, QDir::Files))
      ASSERT_TRUE(QFile::copy(Shipped.filePath(Name), Bin + "/Languages/" + Name));
    ASSERT_TRUE(QFile::copy(QStringLiteral(OCUVANE_SOURCE_DIR "/data/Images/red-eyes.jpg"),
                            Bin + "/Images/red-eyes.jpg"));
  }
  void TearDown() override {
    Quit();
    if (FOldConfig.isNull())
      qunsetenv("XDG_CONFIG_HOME");
    else
      qputenv("XDG_CONFIG_HOME", FOldConfig);
  }

  // Starts the program as its main does, at a fixed place and size, without the start-up browser.
  void Launch() {
    App = std::make_unique<TQvApplication>();
    App->SetExecutablePath(Dir.filePath("bin/ocuvane"));
    App->SetTitle(QStringLiteral("Ocuvane"));
    App->SetMessageBoxHandler([this](const QString& Text, const QString&, int) {
      Messages << Text;
      return QvMB::IDYES;
    });
    QvUnitStartup();
    TModule::Composition = ComposeEditor;
    App->CreateForm(Module);
    ASSERT_TRUE(MainForm && DemonstrationModule && DemoEditorModule);
    if (!DemoEditorModule->Engine().CanPlay()) GTEST_SKIP() << "the program has no playback engine";
    DemonstrationModule->SetShowAtStartup(false);
    // Pauses and messages ten times as fast; the pointer lands where it would anyway.
    DemonstrationModule->Playback()->SetTimeScale(10);
    App->LoadSettings();
    // Tall enough for the tool panel's frames below its buttons.
    MainForm->setGeometry(20, 20, 1100, 1150);
    MainForm->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(MainForm));
    Activate();
  }
  void Quit() {
    if (!App) return;
    App->DestroyComponents();
    App.reset();
    QCoreApplication::processEvents();
  }
  void Activate() {
    MainForm->activateWindow();
    Wait([] { return QApplication::activeWindow() == MainForm; });
  }
  // The editor window, opened as by its shortcut and moved beside the main window so that it
  // covers nothing the test clicks.
  TQvDemoEditorForm* Editor() {
    DemoEditorModule->CmDemoEditor();
    TQvDemoEditorForm* F = DemoEditorModule->Form();
    if (F) F->move(1140, 40);
    return F;
  }
  bool Wait(const std::function<bool()>& Done, int Ms = 30000) { return QTest::qWaitFor(Done, Ms); }

  TQvGraphicsDocument* Doc() const { return GraphicsEditor ? GraphicsEditor->ActiveDocument() : nullptr; }
  TQvGraphicsView* View() const { return GraphicsEditor ? GraphicsEditor->ActiveView() : nullptr; }
  QPoint OnImage(const TPoint& P) const {
    return View()->viewport()->mapToGlobal(ToQPoint(View()->LogicalToDevice(P)));
  }
  static QPoint Centre(const QWidget* W) { return W->mapToGlobal(W->rect().center()); }
  void ClickTool(TQvPanelTool* Tool) {
    QToolButton* Found = nullptr;
    for (QToolButton* B : ToolPanelModule->Toolbar->findChildren<QToolButton*>())
      if (B->defaultAction() == Tool->Button()) Found = B;
    ASSERT_TRUE(Found && Found->isVisible());
    Pointer.Click(Centre(Found));
    ASSERT_TRUE(Wait([&] { return GraphicsEditor->ActiveTool() == Tool; }));
  }
  std::vector<uint8_t> Pixels() const {
    const TQvPixels* P = Doc()->Pixels();
    std::vector<uint8_t> Bytes;
    for (int32_t Y = 0; Y < P->Height; ++Y) {
      const uint8_t* Row = P->PixelAt(0, Y);
      Bytes.insert(Bytes.end(), Row, Row + size_t(P->Width) * P->BytesPerPixel);
    }
    return Bytes;
  }

  QTemporaryDir Dir;
  TRealPointer Pointer;
  std::unique_ptr<TQvApplication> App;
  QStringList Messages;

 private:
  QByteArray FOldConfig;
};

TEST_F(DemoRoundTrip, APlayedRecordingGivesTheRecordedPicture) {
  const QString ScriptPath = Dir.filePath("retouch.dsc");
  std::vector<uint8_t> Expected;
  int Width = 0, Height = 0;
  {
    Launch();
    if (IsSkipped() || HasFatalFailure()) return;
    TQvDemoEditorForm* E = Editor();
    ASSERT_TRUE(E);
    // Turns apply at once, without the preview of the options mode.
    RotateTool->SetShowOptions(false);
    E->CmRecord();
    ASSERT_TRUE(DemoEditorModule->Engine().IsRecording());
    Activate();

    TQvDocument* Opened = nullptr;
    ASSERT_TRUE(GraphicsEditor->OpenFile(GraphicsEditor->ImagesFolder() + "red-eyes.jpg", Opened, true));
    ASSERT_TRUE(Doc() && View());
    QCoreApplication::processEvents();

    // Both eyes, then the brightness of the second.
    Pointer.Click(OnImage(LeftPupil));
    ASSERT_TRUE(Wait([&] { return Doc()->History.Count() == 1; }));
    Pointer.Click(OnImage(RightPupil));
    ASSERT_TRUE(Wait([&] { return Doc()->History.Count() == 2; }));
    QSlider* Brightness = RedEyeTool->Frame()->BrightnessTrackBar;
    const int Before = RedEyeTool->FBrightness;
    const QPoint From = SliderHandleCentre(Brightness);
    Pointer.Drag({From, From + QPoint(10, 0), From + QPoint(25, 0), From + QPoint(40, 0)});
    ASSERT_TRUE(Wait([&] { return RedEyeTool->FBrightness != Before; }));

    // A gleam dragged into the first pupil.
    ClickTool(GlareTool);
    Pointer.Drag({OnImage(LeftPupil), OnImage({LeftPupil.X + 4, LeftPupil.Y + 3}),
                  OnImage({LeftPupil.X + 8, LeftPupil.Y + 6})});
    ASSERT_TRUE(Wait([&] { return Doc()->History.Count() == 3; }));

    // A left turn, then a crop drawn on the turned photo and taken with Enter.
    ClickTool(RotateTool);
    QPushButton* Left = RotateTool->Frame()->LargeButton(TQvImageOperation::RotateLeft);
    // The panel shows the tool's frame once the tool is chosen; its buttons are laid out after.
    ASSERT_TRUE(Wait([&] { return Left->isVisible() && Left->isEnabled(); }));
    QCoreApplication::processEvents();
    Pointer.Click(Centre(Left));
    ASSERT_TRUE(Wait([&] { return Doc()->History.Count() == 4; })) << Doc()->History.Count();
    ClickTool(Crop2Tool);
    const int TurnedWidth = Doc()->Width();
    Pointer.Drag({OnImage({30, 40}), OnImage({80, 100}), OnImage({150, 180}), OnImage({200, 230})});
    QCoreApplication::processEvents();
    View()->setFocus();
    Pointer.Key(XK_Return);
    ASSERT_TRUE(Wait([&] { return Doc()->Width() != TurnedWidth; }));

    E->CmStop();
    ASSERT_FALSE(DemoEditorModule->Engine().IsRecording());
    ASSERT_TRUE(E->SaveFile(ScriptPath));
    Expected = Pixels();
    Width = Doc()->Width();
    Height = Doc()->Height();
    Quit();
  }

  Launch();
  if (IsSkipped() || HasFatalFailure()) return;
  TQvDemoEditorForm* E = Editor();
  ASSERT_TRUE(E && E->OpenFile(ScriptPath));
  ASSERT_TRUE(E->ScriptMemo->toPlainText().contains("ImageOpen \"red-eyes.jpg\""));
  Messages.clear();
  E->CmPlay();
  ASSERT_TRUE(DemoEditorModule->Engine().IsPlaying());
  EXPECT_FALSE(E->isVisible());
  Activate();
  ASSERT_TRUE(Wait([&] { return !DemoEditorModule->Engine().IsPlaying(); }, 120000)) << "the playback did not end";
  ASSERT_TRUE(Wait([&] { return E->isVisible(); }));
  EXPECT_EQ(Messages.size(), 1) << Messages.join('\n').toStdString();  // the end message alone
  ASSERT_TRUE(Doc());
  EXPECT_EQ(Doc()->Width(), Width);
  EXPECT_EQ(Doc()->Height(), Height);
  EXPECT_TRUE(Pixels() == Expected) << "the played picture differs from the recorded one";
}

TEST_F(DemoRoundTrip, EscAndYesDuringAnEditorPlaybackShowTheEndMessageAndTheEditor) {
  Launch();
  if (IsSkipped() || HasFatalFailure()) return;
  TQvDemoEditorForm* E = Editor();
  ASSERT_TRUE(E);
  E->ScriptMemo->setPlainText("Pause 60");
  Messages.clear();
  E->CmPlay();
  ASSERT_TRUE(DemoEditorModule->Engine().IsPlaying());
  EXPECT_FALSE(E->isVisible());
  Activate();
  Pointer.Key(XK_Escape);
  ASSERT_TRUE(Wait([&] { return !DemoEditorModule->Engine().IsPlaying(); })) << "Esc did not stop the playback";
  ASSERT_TRUE(Wait([&] { return E->isVisible(); }));
  // The stop question, answered Yes, then the end message.
  ASSERT_EQ(Messages.size(), 2) << Messages.join('\n').toStdString();
  EXPECT_EQ(Messages[1], Localizer().GetLocalString(725, QString()));
}

}  // namespace
