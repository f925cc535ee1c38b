// The shared pieces of the panel tools, checked through a tool written only for these tests and
// through the red-eye tool, which stands on the same pieces.
#include "RedEyeFixture.h"

#include "QvDemoScriptParams.h"
#include "QvDemonstration.h"
#include "QvGuid.h"
#include "QvProperties.h"
#include "QvSDF.h"
#include "QvTestSupport.h"
#include "QvTestTool.h"

#include <QAction>
#include <QBuffer>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

#include <gtest/gtest.h>

namespace {

class PanelToolWorld : public RedEyeWorld {
 protected:
  void SetUp() override {
    RedEyeWorld::SetUp();
    Test = App->CreateModule<TQvTestTool>();
    ASSERT_TRUE(Test && Test->Frame() && Test->Button());
    Demo = App->CreateModule<TQvDemonstrationModule>();
    Test->RegisterDemoItems();
    Tool->RegisterDemoItems();
    Test->Localize();
  }
  void TearDown() override {
    Test = nullptr;
    RedEyeWorld::TearDown();
  }
  bool Run(const QString& Command, const QByteArray& Arguments = {}) {
    return Demo->ExecuteCommand(nullptr, Command, nullptr, TQvDemoScriptParams(Arguments));
  }
  QByteArray Settings(TQvPanelTool& T) {
    QBuffer Stream;
    Stream.open(QIODevice::WriteOnly);
    {
      TQvSDFWriter Writer(&Stream, false);
      T.SaveSettings(Writer);
    }
    return Stream.data();
  }

  TQvTestTool* Test = nullptr;
  TQvDemonstrationModule* Demo = nullptr;
};

TEST_F(PanelToolWorld, AClickIsOneBitExactUndoStepThatTouchesOnlyItsSquare) {
  Open(SamplePath());
  GraphicsEditor->SetActiveTool(Test);
  const auto Before = QvTest::CopyPixels(*Doc->Pixels());
  EXPECT_TRUE(QvTest::ApplyUndoRedoIsBitExact(*Doc, [this] { Click({40, 30}); }));
  EXPECT_TRUE(QvTest::UnchangedOutside(*Before, *Doc->Pixels(), {TRect{36, 26, 44, 34}}));
  EXPECT_EQ(Doc->Pixels()->PixelAt(40, 30)[0], 128);
  auto* State = dynamic_cast<TQvTestCommandState*>(Doc->History.LastUndoState());
  ASSERT_TRUE(State);
  EXPECT_EQ(State->FAmount, 128);
  EXPECT_EQ(State->FSize, 8);
  EXPECT_EQ(State->FRect, (TRect{36, 26, 44, 34}));

  // The red-eye tool's step passes the same check.
  GraphicsEditor->SetActiveTool(Tool);
  EXPECT_TRUE(QvTest::ApplyUndoRedoIsBitExact(*Doc, [this] { Click(LeftPupil); }));
}

TEST_F(PanelToolWorld, ARedEyeClickBesideThePictureIsAStepThatTouchesNothing) {
  Open(SamplePath());
  const QvTest::TDocumentSnapshot Before = QvTest::TDocumentSnapshot::Take(*Doc);
  for (const TPoint P : {TPoint{-3, -3}, TPoint{Doc->Width() + 2, 5}}) {
    Tool->SetSeed(P);
    EXPECT_TRUE(QvTest::ApplyUndoRedoIsBitExact(*Doc, [this] { Tool->Apply(); }));
    EXPECT_TRUE(QvTest::TDocumentSnapshot::Take(*Doc) == Before);
  }
}

TEST_F(PanelToolWorld, ButtonAndFrameFollowTheToolAtIdle) {
  Open(SamplePath());
  struct Case {
    const char* What;
    bool Active;
    bool Available;
  };
  for (const Case& C : {Case{"inactive", false, true}, Case{"active", true, true}, Case{"unavailable", true, false}}) {
    GraphicsEditor->SetActiveTool(C.Active ? static_cast<TQvGraphicsTool*>(Test) : Tool);
    Test->SetAvailable(C.Available);
    Test->UpdateControls();
    EXPECT_EQ(Test->Button()->isVisible(), C.Available) << C.What;
    EXPECT_EQ(Test->Button()->isChecked(), C.Active) << C.What;
    EXPECT_EQ(Test->Frame()->isVisibleTo(Test->Frame()->parentWidget()), C.Active && C.Available) << C.What;
    // A hidden button is a disabled one, so an unavailable tool's controls are disabled too.
    EXPECT_EQ(Test->Frame()->Amount->TrackBar->isEnabled(), C.Active && C.Available) << C.What;
  }
}

TEST_F(PanelToolWorld, ShowOptionsSwitchesTheSectionTheLinkAndTheSavedValue) {
  Test->Frame()->show();
  EXPECT_TRUE(Test->Frame()->Size->TrackBar->isHidden());
  EXPECT_EQ(Test->Frame()->ShowOptions->text(), QStringLiteral("Show More Options"));
  EXPECT_EQ(Test->Frame()->ShowOptions->Image(), 0);
  Test->Frame()->ShowOptions->click();
  EXPECT_TRUE(Test->FShowOptions);
  EXPECT_FALSE(Test->Frame()->Size->TrackBar->isHidden());
  EXPECT_EQ(Test->Frame()->ShowOptions->text(), QStringLiteral("Hide Options"));
  EXPECT_EQ(Test->Frame()->ShowOptions->Image(), 1);

  // The settings node holds the one value, and loading it sets the options again.
  QBuffer Expected;
  Expected.open(QIODevice::WriteOnly);
  {
    TQvSDFWriter Writer(&Expected, false);
    Writer.BeginNode(1, TQvTestTool::SettingsGuid);
    Writer.WriteInteger(1, 1);
    Writer.EndNode();
  }
  const QByteArray Saved = Settings(*Test);
  EXPECT_EQ(Saved, Expected.data());
  Test->SetShowOptions(false);
  TQvSDFReader Reader(Saved);
  Test->LoadSettings(Reader);
  EXPECT_TRUE(Test->FShowOptions);
}

TEST_F(PanelToolWorld, TheRedEyeSettingsNodeIsUnchanged) {
  Tool->SetShowOptions(false);
  QBuffer Expected;
  Expected.open(QIODevice::WriteOnly);
  {
    TQvSDFWriter Writer(&Expected, false);
    Writer.BeginNode(1, QvSettingsGuid::RedEyeTool);
    Writer.WriteInteger(1, 0);
    Writer.EndNode();
  }
  EXPECT_EQ(Settings(*Tool), Expected.data());
}

TEST_F(PanelToolWorld, RecordedLinesComeFromTheTableAndHonourTheMessageOption) {
  Open(SamplePath());
  for (const bool Messages : {true, false}) {
    QvTest::TLineRecorder Lines(Messages);
    Demo->StartDemoRecording(&Lines);
    Test->ButtonClick(Test->Button());
    Test->SetShowOptions(true);
    Test->RecordEnter(QStringLiteral("TestAmount"));
    Test->Frame()->Amount->TrackBar->setValue(40);
    Demo->StopDemoRecording();
    QStringList Expected{QStringLiteral("MouseCurvedMove Test")};
    if (Messages) Expected << QStringLiteral("Message \"Test\"");
    Expected << QStringLiteral("Test") << QStringLiteral("MouseCurvedMove TestOptions")
             << QStringLiteral("TestShowOptions") << QStringLiteral("MouseCurvedMove TestAmount");
    if (Messages) Expected << QStringLiteral("Message \"Change Amount\"");
    Expected << QStringLiteral("TestAmount 40");
    EXPECT_EQ(Lines.Lines, Expected) << "messages " << Messages;
    Test->Frame()->Amount->TrackBar->setValue(128);
  }
}

TEST_F(PanelToolWorld, TheTableAnswersCommandsAndControlPoints) {
  EXPECT_TRUE(Run(QStringLiteral("TESTAMOUNT"), "40"));
  EXPECT_EQ(Test->FAmount, 40);
  EXPECT_TRUE(Run(QStringLiteral("TestSize")));
  EXPECT_EQ(Test->FSize, 8);
  EXPECT_TRUE(Run(QStringLiteral("TestShowOptions")));
  EXPECT_TRUE(Test->FShowOptions);
  EXPECT_TRUE(Run(QStringLiteral("TestHideOptions")));
  EXPECT_FALSE(Test->FShowOptions);

  Open(SamplePath());
  GraphicsEditor->SetActiveTool(Test);
  Test->UpdateControls();
  TQvCustomProperties Params;
  Params.SetString(0, "testamount");
  bool Handled = false;
  QPoint Point;
  Test->GetDemoControlPoint(nullptr, &Params, Handled, Point);
  EXPECT_TRUE(Handled);
  QSlider* Bar = Test->Frame()->Amount->TrackBar;
  EXPECT_EQ(Point, Bar->mapToGlobal(Bar->rect().center()));
  EXPECT_EQ(Test->DemoItems().Message(QStringLiteral("TESTSIZE")), QStringLiteral("Change Size"));
}

TEST_F(PanelToolWorld, SliderLabelsCatchUpAtIdle) {
  {
    const QSignalBlocker Block(Test->Frame()->Amount->TrackBar);
    Test->Frame()->Amount->TrackBar->setValue(17);
  }
  Test->Frame()->UpdateControls();
  EXPECT_EQ(Test->Frame()->Amount->Label->text(), QStringLiteral("Amount: 17"));
  EXPECT_EQ(Tool->Frame()->AreaSizeLabel->text(), QStringLiteral("Area Size: 176"));
}

}  // namespace
