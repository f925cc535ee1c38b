// The crop tool driven through its view control: drawing held to a ratio, moving, resizing by a
// handle, Enter, Esc and the clicks outside, the lock on the other tools, and the crop as one undo
// step that restores both images and the area.
#include "GeometryFixture.h"

#include "QvDemoScriptParams.h"
#include "QvDemonstration.h"
#include "QvGraphicsView.h"
#include "QvTestSupport.h"

#include <QLabel>

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

namespace {

class CropWorld : public GeometryWorld {
 protected:
  void SetUp() override {
    GeometryWorld::SetUp();
    OpenImage(MakePattern(400, 300));
    GraphicsEditor->SetActiveTool(Crop2Tool);
  }
  TQvCrop2Frame& Frame() { return *Crop2Tool->Frame(); }
  TQvCrop2ToolControl& Control() { return *Crop2Tool->ActiveControl(); }
  void Draw(const TPoint& From, const TPoint& To) {
    Press(From);
    Move(To);
    Release(To);
  }
};

TEST_F(CropWorld, ARectangleDrawnAtTenByFifteenIsHeldToTwoToThreeAndEnterCrops) {
  Crop2Tool->SetShowOptions(true);
  Frame().rbFoto->click();
  Frame().cmbFoto->setCurrentText(QStringLiteral("10x15"));
  EXPECT_EQ(Crop2Tool->Ratio(), (TCropRatio{2, 3}));
  const TDocumentPicture Before = Picture(*Doc);
  Draw({100, 100}, {160, 250});
  EXPECT_EQ(Crop2Tool->CropRect(), (TRect{100, 100, 160, 190}));
  EXPECT_EQ(Control().FState, TQvCrop2ToolControl::StateShown);
  // While the rectangle is shown no other tool can be chosen.
  EXPECT_FALSE(GraphicsEditor->CanSelectTool(RotateTool));
  // Nothing of the photo changed yet.
  EXPECT_TRUE(Picture(*Doc) == Before);
  Key(QvKey::Return);
  EXPECT_EQ(Doc->Width(), 60);
  EXPECT_EQ(Doc->Height(), 90);
  EXPECT_EQ(Doc->History.Count(), 1);
  EXPECT_EQ(Control().FState, TQvCrop2ToolControl::StateNone);
  EXPECT_TRUE(GraphicsEditor->CanSelectTool(RotateTool));
  const TDocumentPicture After = Picture(*Doc);
  GraphicsEditor->DoUndo();
  EXPECT_TRUE(Picture(*Doc) == Before);
  GraphicsEditor->DoRedo();
  EXPECT_TRUE(Picture(*Doc) == After);
}

TEST_F(CropWorld, MovingByTheInsideAndResizingByAHandleStayInsideTheImage) {
  Draw({100, 100}, {200, 180});
  ASSERT_EQ(Crop2Tool->CropRect(), (TRect{100, 100, 200, 180}));
  // Inside: moved, and pushed back at the right edge.
  Press({150, 150});
  Move({450, 160});
  Release({450, 160});
  EXPECT_EQ(Crop2Tool->CropRect(), (TRect{300, 110, 400, 190}));
  // The top-left corner handle.
  Press({300, 110});
  Move({250, 60});
  Release({250, 60});
  EXPECT_EQ(Crop2Tool->CropRect(), (TRect{250, 60, 400, 190}));
  // Releasing outside after a move did not crop.
  EXPECT_EQ(Doc->History.Count(), 0);
  // The width and height show while dragging.
  Press({300, 100});
  Move({310, 100});
  ASSERT_TRUE(GraphicsEditor->WStatusPanel);
  EXPECT_EQ(GraphicsEditor->WStatusPanel->text(), QStringLiteral("150"));
  Release({310, 100});
}

TEST_F(CropWorld, ClicksOutsideCropOrCancelAndEscCancels) {
  const TDocumentPicture Before = Picture(*Doc);
  Draw({10, 10}, {60, 40});
  Press({300, 200}, TQvMouseButton::mbRight);
  Release({300, 200}, TQvMouseButton::mbRight);
  EXPECT_TRUE(Picture(*Doc) == Before);
  EXPECT_EQ(Control().FState, TQvCrop2ToolControl::StateNone);
  Draw({10, 10}, {60, 40});
  Key(QvKey::Escape);
  EXPECT_TRUE(Picture(*Doc) == Before);
  EXPECT_EQ(Doc->History.Count(), 0);
  Draw({10, 10}, {60, 40});
  Press({300, 200});
  Release({300, 200});
  EXPECT_EQ(Doc->Width(), 50);
  EXPECT_EQ(Doc->Height(), 30);
}

TEST_F(CropWorld, PerformWithoutARectangleUsesTheLastOneCutToThisPhoto) {
  // A rectangle from a larger photo.
  Crop2Tool->SetCropRect(TRect{300, 200, 900, 700});
  Crop2Tool->Perform();
  EXPECT_EQ(Doc->Width(), 100);
  EXPECT_EQ(Doc->Height(), 100);
  // One that misses the photo changes nothing and adds no step.
  Crop2Tool->SetCropRect(TRect{500, 500, 600, 600});
  const int States = Doc->History.Count();
  Crop2Tool->Perform();
  EXPECT_EQ(Doc->History.Count(), States);
  EXPECT_EQ(Doc->Width(), 100);
}

TEST_F(CropWorld, TheFreeRatioEdits) {
  Crop2Tool->SetShowOptions(true);
  EXPECT_TRUE(Frame().rbFree->isChecked());
  // Both at 0 have no common divisor: free, not a crash.
  Frame().WidthEdit->setValue(0);
  Frame().HeightEdit->setValue(0);
  EXPECT_TRUE(Crop2Tool->Ratio().IsFree());
  Frame().WidthEdit->setValue(1024);
  Frame().HeightEdit->setValue(768);
  EXPECT_EQ(Crop2Tool->Ratio(), (TCropRatio{4, 3}));
  Frame().SetRatio(0);
  EXPECT_EQ(Crop2Tool->Ratio(), (TCropRatio{1024, 768}));
  // The edits stop at 10000.
  Frame().WidthEdit->setValue(50000);
  EXPECT_EQ(Frame().WidthEdit->value(), 10000);
  Frame().btClear->click();
  EXPECT_TRUE(Crop2Tool->Ratio().IsFree());
  Frame().rbScreen->click();
  Frame().cmbScreen->setCurrentText(QStringLiteral("16x10"));
  EXPECT_EQ(Crop2Tool->Ratio(), (TCropRatio{8, 5}));
}

TEST_F(CropWorld, TheRatioChoicesHaveDemonstrationNamesAndAreRecordedAsLinesThatReplay) {
  auto* Demo = App->CreateModule<TQvDemonstrationModule>();
  ASSERT_TRUE(Demo);
  Crop2Tool->RegisterDemoItems();
  // A script line: the command word, then its arguments.
  const auto Run = [Demo](const QString& Line) {
    return Demo->ExecuteCommand(nullptr, Line.section(QLatin1Char(' '), 0, 0).toUpper(), nullptr,
                                TQvDemoScriptParams(Line.section(QLatin1Char(' '), 1).toUtf8()));
  };
  // A control is found while a pointer could reach it.
  const auto Found = [Demo](const char* Name) {
    QPoint Point;
    return Demo->GetControlPoint(nullptr, TQvDemoScriptParams(Name), Point);
  };
  EXPECT_TRUE(Found("CropOptions"));
  EXPECT_FALSE(Found("CropFoto"));

  QvTest::TLineRecorder Recorded;
  Demo->StartDemoRecording(&Recorded);
  Frame().ShowOptions->click();
  Frame().rbFoto->click();
  Frame().cmbFoto->setCurrentIndex(11);
  emit Frame().cmbFoto->activated(11);
  Demo->StopDemoRecording();
  EXPECT_EQ(Recorded.Lines, (QStringList{"MouseCurvedMove CropOptions", "CropShowOptions", "MouseCurvedMove CropFoto",
                                         "Message \"Print Formats\"", "CropFoto", "MouseCurvedMove CropFotoFormat",
                                         "Message \"Print Format\"", "CropFotoFormat 11"}));
  EXPECT_EQ(Crop2Tool->Ratio(), (TCropRatio{3, 2}));
  for (const char* Name : {"CropFree", "CropFoto", "CropScreen", "CropFotoFormat"}) EXPECT_TRUE(Found(Name)) << Name;
  EXPECT_FALSE(Found("CropScreenFormat"));

  // From the hidden options and the free ratio, the recorded commands give the same choice again.
  Crop2Tool->SetShowOptionsAsLink(false);
  ASSERT_TRUE(Crop2Tool->Ratio().IsFree());
  for (const QString& Line : Recorded.Lines)
    if (!Line.startsWith(QLatin1String("MouseCurvedMove")) && !Line.startsWith(QLatin1String("Message"))) {
      EXPECT_TRUE(Run(Line)) << Line.toStdString();
    }
  EXPECT_TRUE(Crop2Tool->FShowOptions);
  EXPECT_TRUE(Frame().rbFoto->isChecked());
  EXPECT_TRUE(Frame().panelFoto->isVisibleTo(&Frame()));
  EXPECT_EQ(Frame().cmbFoto->currentText(), QStringLiteral("15x10"));
  EXPECT_EQ(Crop2Tool->Ratio(), (TCropRatio{3, 2}));

  // A screen format by its index; one the list does not have takes its first entry.
  EXPECT_TRUE(Run(QStringLiteral("CropScreen")));
  EXPECT_TRUE(Found("CropScreenFormat"));
  EXPECT_TRUE(Run(QStringLiteral("CropScreenFormat 4")));
  EXPECT_EQ(Crop2Tool->Ratio(), (TCropRatio{16, 9}));
  EXPECT_TRUE(Run(QStringLiteral("CropScreenFormat 99")));
  EXPECT_EQ(Frame().cmbScreen->currentText(), QStringLiteral("4x3"));
  EXPECT_EQ(Crop2Tool->Ratio(), (TCropRatio{4, 3}));
  // Hiding the options by name also goes back to the free ratio, as the link does.
  EXPECT_TRUE(Run(QStringLiteral("CropHideOptions")));
  EXPECT_FALSE(Crop2Tool->FShowOptions);
  EXPECT_TRUE(Frame().rbFree->isChecked());
  EXPECT_TRUE(Crop2Tool->Ratio().IsFree());
}

TEST_F(CropWorld, ARecordedCropReplaysOnce) {
  auto* Demo = App->CreateModule<TQvDemonstrationModule>();
  ASSERT_TRUE(Demo);
  Crop2Tool->RegisterDemoItems();
  QvTest::TLineRecorder Recorded(false);
  Demo->StartDemoRecording(&Recorded);
  // Ended by Enter: the move to the rectangle and the command, which a script can play.
  Draw({10, 10}, {110, 80});
  Key(QvKey::Return);
  ASSERT_GE(Recorded.Lines.size(), 2);
  EXPECT_EQ(Recorded.Lines.mid(Recorded.Lines.size() - 2), (QStringList{"MouseCurvedMove CropPerform", "CropPerform"}));
  QPoint Point;
  EXPECT_TRUE(Demo->GetControlPoint(nullptr, TQvDemoScriptParams("CropPerform"), Point));
  EXPECT_TRUE(Demo->GetControlPoint(nullptr, TQvDemoScriptParams("cropcancel"), Point));
  // Ended by a click outside: the click is the view's to record; a command as well would crop
  // the cropped photo again when played.
  Recorded.Lines.clear();
  Draw({10, 10}, {50, 40});
  Press({90, 60});
  Release({90, 60});
  EXPECT_EQ(Doc->Width(), 40);
  EXPECT_TRUE(Recorded.Lines.contains(QStringLiteral("MouseUp Image, 90, 60")));
  EXPECT_FALSE(Recorded.Lines.contains(QStringLiteral("CropPerform")));
  Draw({10, 10}, {20, 20});
  Press({30, 25}, TQvMouseButton::mbRight);
  Release({30, 25}, TQvMouseButton::mbRight);
  EXPECT_FALSE(Recorded.Lines.contains(QStringLiteral("CropCancel")));
  Demo->StopDemoRecording();
}

TEST_F(CropWorld, DarkeningTouchesTheScreenNeverTheImage) {
  const TDocumentPicture Before = Picture(*Doc);
  Draw({100, 100}, {200, 200});
  View->viewport()->repaint();
  Press({150, 150});
  Move({160, 170});
  View->viewport()->repaint();
  Release({160, 170});
  EXPECT_TRUE(Picture(*Doc) == Before);
}

}  // namespace

namespace {

// The recorder writes "MouseCurvedMove CropPerform" (or CropCancel) before the command; a played
// script must find that point, or the move would stop it as an invalid argument.
TEST_F(CropWorld, TheRecordedMoveBeforePerformOrCancelFindsItsPoint) {
  const auto PointOf = [](const char* Name, QPoint& Point) {
    TQvDemoScriptParams Params(Name);
    bool Handled = false;
    Crop2Tool->GetDemoControlPoint(nullptr, &Params, Handled, Point);
    return Handled;
  };
  QPoint Point;
  ASSERT_TRUE(PointOf("cropcancel", Point));
  EXPECT_EQ(Point, View->viewport()->mapToGlobal(View->viewport()->rect().center()));
  Draw({100, 100}, {160, 250});
  ASSERT_TRUE(PointOf("CropPerform", Point));
  const TRect R = Crop2Tool->CropRect();
  EXPECT_EQ(Point, View->viewport()->mapToGlobal(ToQPoint(View->LogicalToDevice(
                       TPoint{R.Left + R.Width() / 2, R.Top + R.Height() / 2}))));
  EXPECT_FALSE(PointOf("CropSomethingElse", Point));
}

}  // namespace
