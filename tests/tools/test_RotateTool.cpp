// The rotate and flip tool: each operation on both images and the area, one undo step that undoes
// by the inverse, the frame's two modes and its preview, and a turn that cannot be had.
#include "GeometryFixture.h"

#include "QvMemory.h"

#include <QPushButton>
#include <QRadioButton>

namespace {

class RotateWorld : public GeometryWorld {
 protected:
  void SetUp() override {
    GeometryWorld::SetUp();
    OpenImage(MakePattern(40, 30));
    GraphicsEditor->SetActiveTool(RotateTool);
  }
  TQvRotateFrame& Frame() { return *RotateTool->Frame(); }
};

struct TTurnCase {
  TQvImageOperation Operation;
  int32_t Width, Height;
  TRect Area;  // of the area (10, 5, 20, 15) afterwards
};

TEST_F(RotateWorld, EveryOperationTurnsBothImagesAndTheAreaAndUndoesBitForBit) {
  const TTurnCase Cases[] = {
      {TQvImageOperation::RotateLeft, 30, 40, {5, 20, 15, 30}},
      {TQvImageOperation::RotateRight, 30, 40, {15, 10, 25, 20}},
      {TQvImageOperation::FlipHorizontal, 40, 30, {20, 5, 30, 15}},
      {TQvImageOperation::FlipVertical, 40, 30, {10, 15, 20, 25}},
  };
  for (const TTurnCase& C : Cases) {
    SCOPED_TRACE(int(C.Operation));
    Doc->SetArea(TRect{10, 5, 20, 15});
    const TDocumentPicture Before = Picture(*Doc);
    const int States = Doc->History.Position();
    ASSERT_TRUE(RotateTool->Perform(C.Operation));
    EXPECT_EQ(Doc->History.Position(), States + 1);
    const TDocumentPicture After = Picture(*Doc);
    EXPECT_EQ(Doc->Width(), C.Width);
    EXPECT_EQ(Doc->Height(), C.Height);
    EXPECT_EQ(After.Area, C.Area);
    EXPECT_EQ(After.Images.Image, After.Images.Original);  // both images turned alike
    GraphicsEditor->DoUndo();
    EXPECT_TRUE(Picture(*Doc) == Before);
    GraphicsEditor->DoRedo();
    EXPECT_TRUE(Picture(*Doc) == After);
    GraphicsEditor->DoUndo();
    Doc->ClearArea();
  }
  // Flipping twice gives the opened pixels back; each flip is its own step.
  const TDocumentPicture Opened = Picture(*Doc);
  const int States = Doc->History.Position();
  RotateTool->FlipHorizontal();
  RotateTool->FlipHorizontal();
  EXPECT_EQ(Doc->History.Position(), States + 2);
  EXPECT_TRUE(Picture(*Doc) == Opened);
}

TEST_F(RotateWorld, SimpleModeButtonsActAtOnceAndRecordTheirLines) {
  ASSERT_FALSE(RotateTool->FShowOptions);
  EXPECT_FALSE(Frame().RotateLeftButton->isHidden());
  EXPECT_TRUE(Frame().PreviewControl->isHidden());
  Frame().RotateLeftButton->click();
  EXPECT_EQ(Doc->Width(), 30);
  Frame().FlipVerticalButton->click();
  Frame().RotateRightButton->click();
  EXPECT_EQ(Doc->Width(), 40);
  EXPECT_EQ(Doc->History.Position(), 3);
}

TEST_F(RotateWorld, OptionsModeShowsThePreviewBeforeAnythingIsDone) {
  RotateTool->SetShowOptions(true);
  EXPECT_TRUE(Frame().RotateLeftButton->isHidden());
  EXPECT_FALSE(Frame().PreviewControl->isHidden());
  Frame().FlipVerticalRadioButton->click();
  EXPECT_EQ(Frame().RotateButton->text(), Frame().FlipVerticalRadioButton->text());
  ASSERT_TRUE(Frame().Thumbnail() && Frame().Preview());
  // The preview is the thumbnail upside down; the photo is untouched.
  const TQvPixels& T = *Frame().Thumbnail()->Pixels();
  const TQvPixels& P = *Frame().Preview()->Pixels();
  ASSERT_EQ(P.Height, T.Height);
  for (int32_t Y = 0; Y < T.Height; ++Y)
    ASSERT_EQ(0, std::memcmp(P.PixelAt(0, Y), T.PixelAt(0, T.Height - 1 - Y), size_t(T.Width) * 3)) << Y;
  EXPECT_EQ(Doc->History.Position(), 0);

  // A quarter turn: the preview is upright again, then the button performs it.
  Frame().RotateLeftRadioButton->click();
  EXPECT_EQ(Frame().Preview()->Width(), T.Height);
  Frame().RotateButton->click();
  EXPECT_EQ(Doc->Width(), 30);
  EXPECT_EQ(Doc->History.Position(), 1);
  // After its undo the thumbnail is made again from the restored photo.
  GraphicsEditor->DoUndo();
  ASSERT_TRUE(Frame().Thumbnail());
  EXPECT_GT(Frame().Thumbnail()->Width(), Frame().Thumbnail()->Height());
}

TEST_F(RotateWorld, ATurnWithoutMemoryChangesNothingRecordsNothingAndSaysSo) {
  const TDocumentPicture Before = Picture(*Doc);
  QvSetAvailableMemoryProbe([] { return uint64_t(100); });
  EXPECT_FALSE(RotateTool->RotateRight());
  QvSetAvailableMemoryProbe({});
  EXPECT_TRUE(Picture(*Doc) == Before);
  EXPECT_EQ(Doc->History.Position(), 0);
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Messages[0].contains(QStringLiteral("memory")));
}

TEST_F(RotateWorld, InPluginModeTheToolIsHiddenAndCannotBeChosenByName) {
  GraphicsEditor->SetActiveTool(Crop2Tool);
  GraphicsEditor->SetPluginMode(true);
  Doc->AfterOpen();
  EXPECT_FALSE(RotateTool->FAvailable);
  EXPECT_FALSE(RotateTool->Button()->isVisible());
  bool Handled = false;
  RotateTool->ExecuteDemoCommand(nullptr, QStringLiteral("ROTATION"), Handled, nullptr, nullptr);
  EXPECT_FALSE(Handled);
  EXPECT_NE(GraphicsEditor->ActiveTool(), RotateTool);
  EXPECT_FALSE(RotateTool->RotateLeft());
  EXPECT_EQ(Doc->History.Position(), 0);
}

}  // namespace
