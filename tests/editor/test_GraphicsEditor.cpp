// The graphics editor driven offscreen: opening, zooming, best fit, folder navigation, the status
// fields, the wheel, undo around a tool's change, and the hand and original-image tools reached
// through real key events.

#include "QvGraphicsEditor.h"

#include "MainForm.h"
#include "QvOriginalImageTool.h"
#include "QvSDF.h"
#include "QvScrollTool.h"
#include "test_GraphicsToolFixture.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QScrollBar>
#include <QTest>

namespace {

QString Zoom(const TQvGraphicsView* View) {
  return QString::number(View->ZoomNumerator()) + QLatin1Char('/') + QString::number(View->ZoomDenominator());
}

class EditorWorld : public ToolWorld {
 protected:
  // Writes a Width × Height picture to Name in Dir (the format follows the extension, or Format).
  QString WriteImage(const QString& Name, int Width, int Height, const char* Format = nullptr) {
    QImage Image(Width, Height, QImage::Format_RGB888);
    Image.fill(qRgb(10, 20, 30));
    const QString Path = Dir.filePath(Name);
    EXPECT_TRUE(Image.save(Path, Format));
    return Path;
  }

  // Gives the view a client area of exactly Width × Height.
  void SetClientSize(int Width, int Height) {
    View->setFixedSize(Width + 40, Height + 40);
    View->setFixedSize(View->width() + Width - View->ClientWidth(), View->height() + Height - View->ClientHeight());
    ASSERT_EQ(View->ClientWidth(), Width);
    ASSERT_EQ(View->ClientHeight(), Height);
  }

  void OpenFile(const QString& Path) {
    TQvDocument* Opened = nullptr;
    ASSERT_TRUE(GraphicsEditor->OpenFile(Path, Opened, true));
    Doc = qobject_cast<TQvGraphicsDocument*>(Opened);
    View = GraphicsEditor->ActiveView();
    ASSERT_TRUE(Doc && View);
  }
};

TEST_F(EditorWorld, OpenShowsASmallImageAtActualSizeCentred) {
  MainForm->resize(1200, 900);
  MainForm->show();
  OpenFile(WriteImage(QStringLiteral("small.png"), 640, 480));
  ASSERT_GE(View->ClientWidth(), 640);
  ASSERT_GE(View->ClientHeight(), 480);
  EXPECT_EQ(Zoom(View), "1/1");
  EXPECT_TRUE(View->DocumentView()->IsVisible());
  const TPoint TopLeft = View->LogicalToDevice(TPoint{0, 0});
  const TPoint BottomRight = View->LogicalToDevice(TPoint{640, 480});
  EXPECT_LE(std::abs(TopLeft.X - (View->ClientWidth() - BottomRight.X)), 1);
  EXPECT_LE(std::abs(TopLeft.Y - (View->ClientHeight() - BottomRight.Y)), 1);
  EXPECT_EQ(GraphicsEditor->WStatusPanel->text(), "640");
  EXPECT_EQ(GraphicsEditor->HStatusPanel->text(), "480");
}

TEST_F(EditorWorld, ZoomCommandsStepThroughTheTable) {
  MainForm->resize(900, 700);
  MainForm->show();
  OpenFile(WriteImage(QStringLiteral("large.png"), 1600, 1200));
  SetClientSize(800, 500);
  GraphicsEditor->BestFitCommand();
  EXPECT_EQ(Zoom(View), "500/1200");
  // The picture fits the client area after a best fit: nothing to scroll.
  const TPoint BottomRight = View->LogicalToDevice(TPoint{1600, 1200});
  EXPECT_LE(BottomRight.Y, View->ClientHeight());
  EXPECT_LE(BottomRight.X, View->ClientWidth());

  const char* Steps[] = {"1/2", "3/4", "1/1", "3/2"};
  for (const char* Step : Steps) {
    GraphicsEditor->ZoomInCommand();
    EXPECT_EQ(Zoom(View), Step);
  }
  GraphicsEditor->ZoomOutCommand();
  EXPECT_EQ(Zoom(View), "1/1");
  GraphicsEditor->ActualSizeCommand();
  EXPECT_EQ(Zoom(View), "1/1");
  for (int I = 0; I < 25; ++I) GraphicsEditor->ZoomOutCommand();
  EXPECT_EQ(Zoom(View), "1/16");
  for (int I = 0; I < 25; ++I) GraphicsEditor->ZoomInCommand();
  EXPECT_EQ(Zoom(View), "16/1");
}

TEST_F(EditorWorld, ZoomKeepsTheCentrePoint) {
  MainForm->resize(900, 700);
  MainForm->show();
  OpenFile(WriteImage(QStringLiteral("large.png"), 1600, 1200));
  SetClientSize(400, 300);
  GraphicsEditor->SetZoom(View, 1, 1);
  View->CenterOn(TPoint{900, 700});
  GraphicsEditor->ZoomInCommand();
  const TPoint Centre = View->DeviceToLogical(TPoint{200, 150});
  EXPECT_LE(std::abs(Centre.X - 900), 1);
  EXPECT_LE(std::abs(Centre.Y - 700), 1);
}

TEST_F(EditorWorld, ZoomNeverGoesTheWrongWay) {
  // A best fit of a tiny image magnifies beyond the last step, of a huge one reduces below the
  // first: Zoom In must not then reduce, nor Zoom Out enlarge.
  MainForm->resize(900, 700);
  MainForm->show();
  OpenFile(WriteImage(QStringLiteral("tiny.png"), 8, 6));
  SetClientSize(600, 300);
  GraphicsEditor->BestFitCommand();
  EXPECT_EQ(Zoom(View), "300/6");
  GraphicsEditor->ZoomInCommand();
  EXPECT_EQ(Zoom(View), "300/6");
  GraphicsEditor->ZoomOutCommand();
  EXPECT_EQ(Zoom(View), "16/1");

  GraphicsEditor->SetZoom(View, 1, 20);
  GraphicsEditor->ZoomOutCommand();
  EXPECT_EQ(Zoom(View), "1/20");
  GraphicsEditor->ZoomInCommand();
  EXPECT_EQ(Zoom(View), "1/16");
}

TEST_F(EditorWorld, ZoomWithoutADocumentDoesNothing) {
  EXPECT_EQ(GraphicsEditor->ActiveView(), nullptr);
  GraphicsEditor->ZoomInCommand();
  GraphicsEditor->BestFitCommand();
  GraphicsEditor->FitActive();
  GraphicsEditor->UpdateControls();
  EXPECT_FALSE(GraphicsEditor->ZoomInButton->isEnabled());
  EXPECT_FALSE(GraphicsEditor->ScaleToBestFitMenuItem->isEnabled());
}

TEST_F(EditorWorld, FolderNavigationListsImagesByNameAndSteps) {
  QDir(Dir.path()).mkdir(QStringLiteral("photos"));
  WriteImage(QStringLiteral("photos/c.jp"), 30, 20, "JPG");
  WriteImage(QStringLiteral("photos/B.png"), 20, 10);
  WriteImage(QStringLiteral("photos/a.jpg"), 10, 10);
  WriteImage(QStringLiteral("photos/d.bmp"), 12, 10);
  QFile Notes(Dir.filePath(QStringLiteral("photos/notes.txt")));
  ASSERT_TRUE(Notes.open(QIODevice::WriteOnly));
  Notes.close();

  OpenFile(Dir.filePath(QStringLiteral("photos/B.png")));
  QStringList Names;
  for (const QString& F : GraphicsEditor->FolderFiles()) Names << QFileInfo(F).fileName();
  EXPECT_EQ(Names.join(u' '), "a.jpg B.png c.jp d.bmp");  // ".JP" is part of the list of extensions
  EXPECT_EQ(GraphicsEditor->FolderIndex(), 1);

  GraphicsEditor->UpdateControls();
  EXPECT_TRUE(GraphicsEditor->PrevImageButton->isEnabled());
  EXPECT_TRUE(GraphicsEditor->NextImageButton->isEnabled());

  GraphicsEditor->PrevImageCommand();
  EXPECT_EQ(QFileInfo(GraphicsEditor->ActiveDocument()->FileName).fileName(), "a.jpg");
  EXPECT_EQ(GraphicsEditor->FolderIndex(), 0);
  GraphicsEditor->UpdateControls();
  EXPECT_FALSE(GraphicsEditor->PrevImageButton->isEnabled());
  GraphicsEditor->PrevImageCommand();  // nothing before the first
  EXPECT_EQ(GraphicsEditor->FolderIndex(), 0);

  GraphicsEditor->NextImageCommand();
  GraphicsEditor->NextImageCommand();
  GraphicsEditor->NextImageCommand();
  EXPECT_EQ(QFileInfo(GraphicsEditor->ActiveDocument()->FileName).fileName(), "d.bmp");
  EXPECT_EQ(GraphicsEditor->ActiveDocument()->Width(), 12);
  GraphicsEditor->UpdateControls();
  EXPECT_FALSE(GraphicsEditor->NextImageButton->isEnabled());
}

TEST_F(EditorWorld, StatusShowsPositionAndColourUnderThePointer) {
  Open(40, 30);
  auto* Pixel = Doc->Pixels()->PixelAt(7, 5);
  Pixel[0] = 1;  // blue
  Pixel[1] = 2;
  Pixel[2] = 3;
  const TPoint D = View->LogicalToDevice(TPoint{7, 5});
  View->DoMouseMove(0, D);
  EXPECT_EQ(GraphicsEditor->XStatusPanel->text(), "7");
  EXPECT_EQ(GraphicsEditor->YStatusPanel->text(), "5");
  EXPECT_EQ(GraphicsEditor->RStatusPanel->text(), "3");
  EXPECT_EQ(GraphicsEditor->GStatusPanel->text(), "2");
  EXPECT_EQ(GraphicsEditor->BStatusPanel->text(), "1");

  const TPoint Outside = View->LogicalToDevice(TPoint{45, 5});
  View->DoMouseMove(0, Outside);
  EXPECT_EQ(GraphicsEditor->XStatusPanel->text(), "45");
  EXPECT_EQ(GraphicsEditor->RStatusPanel->text(), "0");
  EXPECT_EQ(GraphicsEditor->GStatusPanel->text(), "0");
  EXPECT_EQ(GraphicsEditor->BStatusPanel->text(), "0");

  // Closing the photo leaves no description of it behind.
  ASSERT_TRUE(GraphicsEditor->CloseActiveDocument());
  for (const QLabel* Panel : {GraphicsEditor->XStatusPanel, GraphicsEditor->YStatusPanel, GraphicsEditor->WStatusPanel,
                              GraphicsEditor->HStatusPanel, GraphicsEditor->RStatusPanel, GraphicsEditor->GStatusPanel,
                              GraphicsEditor->BStatusPanel})
    EXPECT_EQ(Panel->text(), QString()) << Panel->objectName().toStdString();
}

// A tool whose control notes the wheel steps it is offered.
class TWheelControl : public TQvGraphicsToolControl {
 public:
  using TQvGraphicsToolControl::TQvGraphicsToolControl;
  bool MouseWheel(TQvShiftState, int Direction, const TPoint&) override {
    Steps.push_back(Direction);
    return true;
  }
  static inline std::vector<int> Steps;
};
class TWheelTool : public TQvGraphicsTool {
 public:
  TWheelTool() { SetControlClass<TWheelControl>(); }
};

TEST_F(EditorWorld, WheelStepsReachTheToolsOnlyWithVerticalMovement) {
  TWheelTool* Wheel = nullptr;
  App->CreateModule(Wheel);
  Open(40, 30);
  TWheelControl::Steps.clear();
  const QPoint Inside = View->viewport()->mapToGlobal(QPoint(5, 5));
  bool Handled = false;
  GraphicsEditor->MainFormMouseWheel(MainForm, 0, 120, Inside, Handled);
  EXPECT_FALSE(Handled) << "the pointer is not over the view yet";
  View->DoMouseMove(0, TPoint{5, 5});
  ASSERT_TRUE(View->Hovered());

  struct TCase {
    int Delta;
    bool Handled;
    std::vector<int> Steps;
  };
  const TCase Cases[] = {{120, true, {1}}, {-120, true, {-1}}, {1, true, {1}}, {0, false, {}}};
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Delta);
    TWheelControl::Steps.clear();
    Handled = false;
    GraphicsEditor->MainFormMouseWheel(MainForm, 0, C.Delta, Inside, Handled);
    EXPECT_EQ(Handled, C.Handled);
    EXPECT_EQ(TWheelControl::Steps, C.Steps);
  }
}

TEST_F(EditorWorld, AStrokeIsOneUndoStepAndUndoRestoresTheBits) {
  Open(50, 40);
  const std::vector<uint8_t> Before = Snapshot(*Doc->Pixels());
  GraphicsEditor->SetActiveTool(Pen);
  View->DoMouseDown(TQvMouseButton::mbLeft, ssLeft, View->LogicalToDevice(TPoint{10, 10}));
  View->DoMouseMove(ssLeft, View->LogicalToDevice(TPoint{20, 12}));
  // Undo waits for the stroke to end.
  EXPECT_FALSE(GraphicsEditor->CanUndo());
  View->DoMouseUp(TQvMouseButton::mbLeft, 0, View->LogicalToDevice(TPoint{20, 12}));
  ASSERT_TRUE(GraphicsEditor->CanUndo());
  EXPECT_EQ(Doc->History.Count(), 1);
  EXPECT_TRUE(Doc->Modified());
  const std::vector<uint8_t> After = Snapshot(*Doc->Pixels());
  ASSERT_NE(After, Before);

  GraphicsEditor->UndoCommand();
  EXPECT_EQ(Snapshot(*Doc->Pixels()), Before);
  EXPECT_EQ(Snapshot(Doc->Backup()), Before);
  EXPECT_FALSE(Doc->Modified());
  EXPECT_EQ(GraphicsEditor->ActiveTool(), Pen) << "the tool is active again after undo";
  EXPECT_TRUE(Pen->FActive);

  GraphicsEditor->RedoCommand();
  EXPECT_EQ(Snapshot(*Doc->Pixels()), After);
  EXPECT_TRUE(Doc->Modified());
}

TEST_F(EditorWorld, SpaceBarDragsWithTheHandAndOShowsTheOriginal) {
  MainForm->resize(500, 400);
  Open(1000, 800);
  GraphicsEditor->SetActiveTool(Pen);
  View->setFocus();

  QTest::keyPress(View, Qt::Key_Space);
  EXPECT_EQ(GraphicsEditor->ActiveTool(), ScrollTool);
  // Key repeat while the bar is held must not switch back and forth.
  QKeyEvent Repeat(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QString(QLatin1Char(' ')), true);
  QCoreApplication::sendEvent(View, &Repeat);
  QKeyEvent RepeatPress(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QString(QLatin1Char(' ')), true);
  QCoreApplication::sendEvent(View, &RepeatPress);
  EXPECT_EQ(GraphicsEditor->ActiveTool(), ScrollTool);

  const TPoint Start{200, 150};
  const TPoint ImageAtStart = View->DeviceToLogical(Start);
  View->DoMouseDown(TQvMouseButton::mbLeft, ssLeft, Start);
  View->DoMouseMove(ssLeft, TPoint{180, 140});
  View->DoMouseUp(TQvMouseButton::mbLeft, 0, TPoint{180, 140});
  // The image follows the pointer; at the top-left corner only the leftward and upward part moves.
  EXPECT_EQ(View->DeviceToLogical(TPoint{180, 140}), ImageAtStart);

  QKeyEvent Release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QString(QLatin1Char(' ')), false);
  QCoreApplication::sendEvent(View, &Release);
  EXPECT_EQ(GraphicsEditor->ActiveTool(), Pen);

  QTest::keyPress(View, Qt::Key_O);
  EXPECT_EQ(GraphicsEditor->ActiveTool(), OriginalImageTool);
  EXPECT_FALSE(View->DocumentView()->IsVisible());
  QKeyEvent ReleaseO(QEvent::KeyRelease, Qt::Key_O, Qt::NoModifier, QStringLiteral("o"), false);
  QCoreApplication::sendEvent(View, &ReleaseO);
  EXPECT_EQ(GraphicsEditor->ActiveTool(), Pen);
  EXPECT_TRUE(View->DocumentView()->IsVisible());
}

TEST_F(EditorWorld, ToolLockAndExclusiveChangesDecideWhatCanBeSelected) {
  EXPECT_FALSE(GraphicsEditor->CanSelectTool(Pen)) << "no document";
  Open(30, 20);
  GraphicsEditor->SetActiveTool(Pen);
  EXPECT_TRUE(GraphicsEditor->CanSelectTool(Pen2));
  GraphicsEditor->LockTool();
  EXPECT_FALSE(GraphicsEditor->CanSelectTool(Pen2));
  EXPECT_TRUE(GraphicsEditor->CanSelectTool(Pen));
  GraphicsEditor->UnlockTool();

  Pen->FExclusiveChange = true;
  Pen->Stroke(View, TRect{1, 1, 4, 4}, 0x55);
  EXPECT_FALSE(GraphicsEditor->CanSelectTool(Pen2));
  EXPECT_TRUE(GraphicsEditor->CanSelectTool(Pen));
  Pen->EndChange();
  EXPECT_TRUE(GraphicsEditor->CanSelectTool(Pen2));
}

TEST_F(EditorWorld, SetActiveToolRemembersThePreviousTool) {
  Open(30, 20);
  GraphicsEditor->SetActiveTool(Pen);
  GraphicsEditor->SetActiveTool(Pen2);
  EXPECT_EQ(GraphicsEditor->PreviousTool(), Pen);
  EXPECT_FALSE(Pen->FActive);
  EXPECT_TRUE(Pen2->FActive);
  GraphicsEditor->SetActiveTool(nullptr);
  EXPECT_EQ(GraphicsEditor->PreviousTool(), Pen2);
  EXPECT_FALSE(Pen2->FActive);
}

}  // namespace

namespace {

TEST_F(EditorWorld, SettingsKeepTheJpegQualityAndTheStoredFlag) {
  GraphicsEditor->Formats().FQuality = 63;
  GraphicsEditor->FStoredFlag = true;
  QByteArray Bytes;
  {
    QBuffer Buffer(&Bytes);
    ASSERT_TRUE(Buffer.open(QIODevice::WriteOnly));
    TQvSDFWriter Writer(&Buffer, false);
    GraphicsEditor->SaveSettings(Writer);
  }
  GraphicsEditor->Formats().FQuality = 90;
  GraphicsEditor->FStoredFlag = false;
  TQvSDFReader Reader(Bytes);
  GraphicsEditor->LoadSettings(Reader);
  EXPECT_EQ(GraphicsEditor->Formats().FQuality, 63);
  EXPECT_TRUE(GraphicsEditor->FStoredFlag);
  EXPECT_EQ(Reader.Depth(), 0) << "every node entered is left again";
}

}  // namespace
