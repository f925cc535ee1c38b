// The demonstration module reaches the editor and the tools only through the target interface;
// these run the real modules, composed as the program composes them.
#include "RedEyeFixture.h"

#include "QvDemoScriptParams.h"
#include "QvDemonstration.h"
#include "QvRedEyeFrame.h"

#include <QPushButton>

#include <gtest/gtest.h>

namespace {

class LineCollector : public TQvDemoRecorder {
 public:
  void RecordLine(const QString& Line) override { Lines << Line; }
  QStringList Lines;
};

class DemoDispatch : public RedEyeWorld {
 protected:
  void SetUp() override {
    RedEyeWorld::SetUp();
    Demo = App->CreateModule<TQvDemonstrationModule>();
    ASSERT_TRUE(Demo);
  }
  bool Run(const QString& Command, const QByteArray& Arguments = {}) {
    return Demo->ExecuteCommand(nullptr, Command, nullptr, TQvDemoScriptParams(Arguments));
  }
  TQvDemonstrationModule* Demo = nullptr;
};

TEST_F(DemoDispatch, CommandsReachTheToolAndTheEditor) {
  Open(SamplePath());
  EXPECT_TRUE(Run(QStringLiteral("REDEYEAREASIZE"), "100"));
  EXPECT_EQ(Tool->FAreaSize, 100);
  EXPECT_TRUE(Run(QStringLiteral("REDEYEBRIGHTNESS")));
  EXPECT_EQ(Tool->FBrightness, TQvRedEyeTool::DefaultBrightness);

  Click({40, 40});
  ASSERT_EQ(Doc->History.Count(), 1);
  EXPECT_TRUE(Run(QStringLiteral("UNDO")));
  EXPECT_EQ(Doc->History.Position(), 0);
  EXPECT_FALSE(Run(QStringLiteral("NOSUCHCOMMAND")));
}

TEST_F(DemoDispatch, RecordingReachesEveryTargetAndStops) {
  Open(SamplePath());
  LineCollector Lines;
  Demo->StartDemoRecording(&Lines);
  EXPECT_EQ(GraphicsEditor->Recorder, &Lines);
  ASSERT_TRUE(Tool->Frame());
  Tool->Frame()->IncSizeButton->click();
  EXPECT_TRUE(Lines.Lines.contains(QStringLiteral("RedEyeBorderSize 1"))) << Lines.Lines.join('\n').toStdString();
  Demo->StopDemoRecording();
  EXPECT_EQ(GraphicsEditor->Recorder, nullptr);
  const auto Before = Lines.Lines.size();
  Tool->Frame()->IncSizeButton->click();
  EXPECT_EQ(Lines.Lines.size(), Before);
}

TEST_F(DemoDispatch, ControlPointsOfTheToolAreFound) {
  Open(SamplePath());
  QPoint Point;
  EXPECT_TRUE(Demo->GetControlPoint(nullptr, TQvDemoScriptParams("RedEyeBrightness"), Point));
  EXPECT_FALSE(Demo->GetControlPoint(nullptr, TQvDemoScriptParams("NoSuchControl"), Point));
}

}  // namespace
