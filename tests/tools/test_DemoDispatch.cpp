// The demonstration module reaches the editor and the tools only through the target interface;
// these run the real modules, composed as the program composes them.
#include "RedEyeFixture.h"

#include "QvDemoScriptParams.h"
#include "QvDemonstration.h"
#include "QvRedEyeFrame.h"
#include "QvTestSupport.h"

#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

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
    // The program initialises every module at start; here the tool registers by hand.
    Tool->RegisterDemoItems();
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
  EXPECT_TRUE(Run(QStringLiteral("RedEyeBrightness"), "7"));
  EXPECT_EQ(Tool->FBrightness, 7);
  EXPECT_TRUE(Run(QStringLiteral("REDEYEBRIGHTNESS")));
  EXPECT_EQ(Tool->FBrightness, TQvRedEyeTool::DefaultBrightness);
  EXPECT_TRUE(Run(QStringLiteral("RedEyeHideOptions")));
  EXPECT_FALSE(Tool->FShowOptions);
  EXPECT_TRUE(Run(QStringLiteral("RedEyeFormula3")));
  EXPECT_TRUE(Tool->Frame()->Formula3RadioButton->isChecked());

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

// A click in the image is recorded with the demo editor's click message between the move and the
// press, and without it when the recorder leaves messages out.
TEST_F(DemoDispatch, AClickInTheImageRecordsItsMessage) {
  Open(SamplePath());
  Demo->SetMessageText(QStringLiteral("Press on the eye"));
  for (const bool Messages : {true, false}) {
    QvTest::TLineRecorder Lines(Messages);
    Demo->StartDemoRecording(&Lines);
    Click({40, 30});
    View->DoMouseUp(TQvMouseButton::mbLeft, 0, View->LogicalToDevice(TPoint{40, 30}));
    Demo->StopDemoRecording();
    QStringList Expected{"MouseCurvedMove Image, 40, 30", "Message \"Press on the eye\"", "MouseDown Image, 40, 30",
                         "MouseUp Image, 40, 30", "Pause 0.5"};
    if (!Messages) Expected.removeAt(1);
    EXPECT_EQ(Lines.Lines, Expected) << Lines.Lines.join('\n').toStdString();
  }
}

TEST_F(DemoDispatch, ControlPointsOfTheToolAreFound) {
  Open(SamplePath());
  QPoint Point;
  EXPECT_TRUE(Demo->GetControlPoint(nullptr, TQvDemoScriptParams("RedEyeBrightness"), Point));
  const QWidget* Slider = Tool->Frame()->BrightnessTrackBar;
  EXPECT_EQ(Point, Slider->mapToGlobal(QPoint(Slider->width() / 2, Slider->height() / 2)));
  EXPECT_TRUE(Demo->GetControlPoint(nullptr, TQvDemoScriptParams("redeye"), Point));
  EXPECT_FALSE(Demo->GetControlPoint(nullptr, TQvDemoScriptParams("NoSuchControl"), Point));
}

}  // namespace
