// The geometry tools worked with the real pointer and keyboard through the X server (XTest), as a
// user works them: a crop rectangle drawn at "10x15", moved by its inside, resized by a corner and
// taken with Enter; a left turn chosen in the options mode with its preview seen first; a resize
// with proportions typed into the frame; then undo all and redo all. Runs under Xvfb.
#include "GeometryFixture.h"

#include "MainForm.h"
#include "QvGraphicsView.h"
#include "QvToolPanel.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

class PointerWorld : public GeometryWorld {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs an X server";
    FDisplay = XOpenDisplay(nullptr);
    if (!FDisplay) GTEST_SKIP() << "no X display";
    GeometryWorld::SetUp();
    OpenImage(MakePattern(400, 300));
    MainForm->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(MainForm));
  }
  void TearDown() override {
    GeometryWorld::TearDown();
    if (FDisplay) XCloseDisplay(FDisplay);
  }

  // Moves the real pointer to a global point and waits until Qt has seen it there.
  void PointerTo(const QPoint& Global) {
    XTestFakeMotionEvent(FDisplay, -1, Global.x(), Global.y(), 0);
    XFlush(FDisplay);
    QTRY_COMPARE(QCursor::pos(), Global);
  }
  void Button(unsigned Number, bool Down) {
    XTestFakeButtonEvent(FDisplay, Number, Down, 0);
    XFlush(FDisplay);
  }
  void ClickAt(const QPoint& Global) {
    PointerTo(Global);
    Button(1, true);
    Button(1, false);
  }
  void Click(QWidget* W) {
    ASSERT_TRUE(W && W->isVisible());
    ClickAt(W->mapToGlobal(W->rect().center()));
  }
  void Press(KeySym Sym) {
    const KeyCode Code = XKeysymToKeycode(FDisplay, Sym);
    XTestFakeKeyEvent(FDisplay, Code, True, 0);
    XTestFakeKeyEvent(FDisplay, Code, False, 0);
    XFlush(FDisplay);
  }
  // Chooses a tool by its button in the tool panel.
  void ClickTool(TQvPanelTool* Tool) {
    QWidget* Found = nullptr;
    for (QToolButton* B : ToolPanelModule->Toolbar->findChildren<QToolButton*>())
      if (B->defaultAction() == Tool->Button()) Found = B;
    Click(Found);
    QTRY_COMPARE(GraphicsEditor->ActiveTool(), Tool);
  }
  // The global point of an image point at the view's zoom.
  QPoint OnImage(const TPoint& P) const { return View->viewport()->mapToGlobal(ToQPoint(View->LogicalToDevice(P))); }
  // A drag with the left button from one image point to another, in a few steps.
  void Drag(const TPoint& From, const TPoint& To) {
    PointerTo(OnImage(From));
    Button(1, true);
    for (int Step = 1; Step <= 4; ++Step)
      PointerTo(OnImage(TPoint{From.X + (To.X - From.X) * Step / 4, From.Y + (To.Y - From.Y) * Step / 4}));
    Button(1, false);
  }

  Display* FDisplay = nullptr;
};

TEST_F(PointerWorld, CropRotateResizeThenUndoAllAndRedoAll) {
  const TDocumentPicture Opened = Picture(*Doc);

  // Crop at "10x15".
  ClickTool(Crop2Tool);
  Crop2Tool->SetShowOptions(true);
  Click(Crop2Tool->Frame()->rbFoto);
  QTRY_VERIFY(Crop2Tool->Frame()->rbFoto->isChecked());
  Crop2Tool->Frame()->cmbFoto->setCurrentText(QStringLiteral("10x15"));
  ASSERT_EQ(Crop2Tool->Ratio(), (TCropRatio{2, 3}));
  Drag({100, 100}, {160, 250});
  QTRY_COMPARE(Crop2Tool->ActiveControl()->FState, TQvCrop2ToolControl::StateShown);
  EXPECT_EQ(Crop2Tool->CropRect(), (TRect{100, 100, 160, 190}));
  Drag({130, 140}, {150, 150});
  QTRY_COMPARE(Crop2Tool->ActiveControl()->FState, TQvCrop2ToolControl::StateShown);
  EXPECT_EQ(Crop2Tool->CropRect(), (TRect{120, 110, 180, 200}));
  Drag({180, 200}, {200, 230});
  QTRY_COMPARE(Crop2Tool->ActiveControl()->FState, TQvCrop2ToolControl::StateShown);
  EXPECT_EQ(Crop2Tool->CropRect(), (TRect{120, 110, 200, 230}));
  View->setFocus();
  Press(XK_Return);
  QTRY_COMPARE(Doc->Width(), 80);
  EXPECT_EQ(Doc->Height(), 120);
  const TDocumentPicture Cropped = Picture(*Doc);

  // Rotate left in the options mode: the preview first.
  ClickTool(RotateTool);
  Click(RotateTool->Frame()->ShowOptions);
  QTRY_VERIFY(RotateTool->FShowOptions);
  TQvRotateFrame& R = *RotateTool->Frame();
  QTRY_VERIFY(R.RotateLeftRadioButton->isVisible());
  Click(R.RotateLeftRadioButton);
  QTRY_VERIFY(R.RotateLeftRadioButton->isChecked());
  ASSERT_TRUE(R.Preview());
  EXPECT_GT(R.Preview()->Width(), R.Preview()->Height());  // 80 × 120 turned: wider than high
  EXPECT_EQ(Doc->Width(), 80);
  Click(R.RotateButton);
  QTRY_COMPARE(Doc->Width(), 120);
  const TDocumentPicture Turned = Picture(*Doc);

  // Resize with proportions: width 60 gives height 40.
  ClickTool(ResizeTool);
  TQvResizeFrame& S = *ResizeTool->Frame();
  QTRY_VERIFY(S.WidthEdit->isVisible());
  Click(S.WidthEdit);
  QTRY_VERIFY(S.WidthEdit->hasFocus());
  S.WidthEdit->selectAll();
  Press(XK_6);
  Press(XK_0);
  QTRY_COMPARE(S.HeightEdit->text(), QStringLiteral("40"));
  ResizeTool->UpdateControls();
  Click(S.OkButton);
  QTRY_COMPARE(Doc->Width(), 60);
  EXPECT_EQ(Doc->Height(), 40);
  const TDocumentPicture Resized = Picture(*Doc);

  // Undo all, redo all.
  for (int I = 0; I < 3; ++I) GraphicsEditor->DoUndo();
  EXPECT_TRUE(Picture(*Doc) == Opened);
  GraphicsEditor->DoRedo();
  EXPECT_TRUE(Picture(*Doc) == Cropped);
  GraphicsEditor->DoRedo();
  EXPECT_TRUE(Picture(*Doc) == Turned);
  GraphicsEditor->DoRedo();
  EXPECT_TRUE(Picture(*Doc) == Resized);
}

}  // namespace
