// The resize tool: its frame follows the proportions rule, Ok resamples both images as one undo
// step that gives back the exact earlier pixels and area, and a size that cannot be had changes
// nothing at all.
#include "GeometryFixture.h"

#include "QvMemory.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

class ResizeWorld : public GeometryWorld {
 protected:
  void SetUp() override {
    GeometryWorld::SetUp();
    OpenImage(MakePattern(640, 480));
    GraphicsEditor->SetActiveTool(ResizeTool);
    ResizeTool->UpdateControls();
  }
  TQvResizeFrame& Frame() { return *ResizeTool->Frame(); }
};

TEST_F(ResizeWorld, TypingOneSideSetsTheOtherByTheProportions) {
  EXPECT_EQ(Frame().WidthEdit->text(), QStringLiteral("640"));
  EXPECT_EQ(Frame().HeightEdit->text(), QStringLiteral("480"));
  EXPECT_FALSE(Frame().OkButton->isEnabled());
  EXPECT_FALSE(Frame().CancelButton->isEnabled());
  Frame().WidthEdit->setText(QStringLiteral("320"));
  EXPECT_EQ(Frame().HeightEdit->text(), QStringLiteral("240"));
  Frame().HeightEdit->setText(QStringLiteral("100"));
  EXPECT_EQ(Frame().WidthEdit->text(), QStringLiteral("133"));
  ResizeTool->UpdateControls();
  EXPECT_TRUE(Frame().OkButton->isEnabled());
  // Text that is no number is ignored; 0 and below become 1.
  Frame().WidthEdit->setText(QStringLiteral("12a"));
  EXPECT_EQ(ResizeTool->Settings().Width(), 133);
  Frame().WidthEdit->setText(QStringLiteral("-5"));
  EXPECT_EQ(ResizeTool->Settings().Width(), 1);
  EXPECT_EQ(ResizeTool->Settings().Height(), 1);
  // Cancel goes back to the photo's size.
  ResizeTool->UpdateControls();
  Frame().CancelButton->click();
  EXPECT_EQ(ResizeTool->Settings().Width(), 640);
  EXPECT_EQ(ResizeTool->Settings().Height(), 480);
  // Proportions off, then on again: the photo fits into the box typed.
  Frame().ConstrainProportionsCheckBox->click();
  Frame().WidthEdit->setText(QStringLiteral("100"));
  Frame().HeightEdit->setText(QStringLiteral("100"));
  Frame().ConstrainProportionsCheckBox->click();
  EXPECT_EQ(ResizeTool->Settings().Width(), 100);
  EXPECT_EQ(ResizeTool->Settings().Height(), 75);
}

TEST_F(ResizeWorld, OkResamplesBothImagesAsOneStepAndUndoGivesTheExactPixelsBack) {
  Doc->SetArea(TRect{0, 0, 101, 51});
  const TDocumentPicture Before = Picture(*Doc);
  ResizeTool->SetWidth(320);
  ResizeTool->UpdateControls();
  Frame().OkButton->click();
  EXPECT_EQ(Doc->Width(), 320);
  EXPECT_EQ(Doc->Height(), 240);
  EXPECT_EQ(Doc->OriginalPixels()->Width, 320);
  EXPECT_EQ(Doc->Area(), (TRect{0, 0, 50, 25}));
  EXPECT_EQ(Doc->History.Count(), 1);
  // The fields follow the new photo, so Ok is disabled again.
  EXPECT_EQ(ResizeTool->Settings().Width(), 320);
  const TDocumentPicture After = Picture(*Doc);
  GraphicsEditor->DoUndo();
  EXPECT_TRUE(Picture(*Doc) == Before);
  GraphicsEditor->DoRedo();
  EXPECT_TRUE(Picture(*Doc) == After);
}

TEST_F(ResizeWorld, ASizeThatCannotBeHadChangesNothingAndSaysSo) {
  Doc->SetArea(TRect{10, 10, 200, 100});  // a resize would cut to it first
  const TDocumentPicture Before = Picture(*Doc);
  ResizeTool->SetConstrainProportions(false);
  ResizeTool->SetWidth(32767);
  ResizeTool->SetHeight(32767);
  // Three 3-GiB images would be needed; say the machine has 1 GiB left.
  QvSetAvailableMemoryProbe([] { return uint64_t(1) << 30; });
  EXPECT_FALSE(ResizeTool->Perform());
  QvSetAvailableMemoryProbe({});
  EXPECT_TRUE(Picture(*Doc) == Before);
  EXPECT_EQ(Doc->History.Count(), 0);
  EXPECT_FALSE(Doc->History.CanUndo());
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Messages[0].contains(QStringLiteral("32767")));
}

}  // namespace
