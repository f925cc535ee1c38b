// Undo states of changes that alter the image's size or orientation.
#include "test_GraphicsToolFixture.h"

#include "QvGeometryCommandStates.h"
#include "QvTestSupport.h"

namespace {

// The crop tool's kind of state: the change again on redo is the document's Crop.
class TCropState : public TQvImageCopyCommandState {
 public:
  using TQvImageCopyCommandState::TQvImageCopyCommandState;

 protected:
  void Perform(TQvGraphicsDocument& Document) override { Document.Crop(FRect); }
};

}  // namespace

TEST_F(ToolWorld, TurnsAndFlipsUndoByTheirInverseBitForBit) {
  Open(64, 48);
  // The original differs from the image, so that a turn of only one of them shows.
  Pen->Stroke(View, {50, 40, 60, 46}, 0x33);
  Pen->EndChange();
  Doc->SetArea(TRect{2, 3, 30, 20});
  for (const TQvImageOperation Op : {TQvImageOperation::RotateLeft, TQvImageOperation::RotateRight,
                                     TQvImageOperation::FlipHorizontal, TQvImageOperation::FlipVertical}) {
    const TRect Area = Doc->Area();
    EXPECT_TRUE(QvTest::ApplyUndoRedoIsBitExact(*Doc, [&] {
      Doc->AddCommandState(std::make_unique<TQvOperationCommandState>(Pen, Doc, Op));
      ASSERT_TRUE(Doc->Transform(Op));
    })) << int(Op);
    EXPECT_EQ(Doc->Area(), MapRectThrough(Op, Area, 64, 48)) << int(Op);
    Doc->History.Undo();
    EXPECT_EQ(Doc->Area(), Area) << int(Op);
  }
  EXPECT_FALSE(Doc->Transform(TQvImageOperation::None));
}

TEST_F(ToolWorld, ACropUndoesFromFullCopiesAndRedoesByCroppingAgain) {
  Open(64, 48);
  Doc->SetArea(TRect{4, 4, 40, 30});
  const TRect Cut{10, 8, 30, 28};
  EXPECT_TRUE(QvTest::ApplyUndoRedoIsBitExact(*Doc, [&] {
    Doc->AddCommandState(std::make_unique<TCropState>(Pen, Doc, Cut));
    ASSERT_TRUE(Doc->Crop(Cut));
  }));
  EXPECT_EQ(Doc->Width(), 20);
  Doc->History.Undo();
  EXPECT_EQ(Doc->Width(), 64);
  EXPECT_EQ(Doc->Area(), (TRect{4, 4, 40, 30}));
}

TEST_F(ToolWorld, APixelStateWhoseRectangleLeftTheImageUndoesWhatIsLeft) {
  Open(64, 48);
  Pen->Stroke(View, {15, 15, 60, 46}, 0x44);
  Pen->EndChange();
  auto* State = Doc->History.LastUndoState();
  ASSERT_TRUE(State);
  // The image shrinks under the state without the history knowing (as a state of another
  // document version would see it): the part still inside goes back, nothing else is touched.
  ASSERT_TRUE(Doc->Crop(TRect{0, 0, 20, 20}));
  State->Undo();
  EXPECT_EQ(Doc->Pixels()->PixelAt(16, 16)[0], PatternByte(16, 16, 0));
  EXPECT_EQ(QvTest::PixelBytes(Doc->Backup()), QvTest::PixelBytes(*Doc->Pixels()));
  State->Redo();
  EXPECT_EQ(Doc->Pixels()->PixelAt(16, 16)[0], 0x44);
  EXPECT_EQ(QvTest::PixelBytes(Doc->Backup()), QvTest::PixelBytes(*Doc->Pixels()));
}
