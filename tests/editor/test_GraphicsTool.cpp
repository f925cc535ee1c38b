// The tool framework: the change protocol and its command states (one undo step per change,
// bit-exact undo and redo that touch only the state's rectangle), view controls and their events,
// activation through the editor.
#include "test_GraphicsToolFixture.h"

#include "QvTestSupport.h"

#include <QAction>
#include <QWidget>

#include <cstring>

namespace {

std::string RectText(const TRect& R) {
  return "(" + std::to_string(R.Left) + ", " + std::to_string(R.Top) + ", " + std::to_string(R.Right) + ", " +
         std::to_string(R.Bottom) + ")";
}

}  // namespace

TEST_F(ToolWorld, ChangeBecomesOneBitExactUndoStep) {
  Open(64, 48);
  struct Case {
    const char* What;
    std::vector<TRect> Strokes;
    TRect Recorded;  // empty: no undo step
  } Cases[] = {
      {"a change that writes nothing", {}, {}},
      {"one stroke", {{5, 6, 9, 8}}, {5, 6, 9, 8}},
      {"two strokes unite", {{10, 10, 20, 20}, {15, 15, 30, 30}}, {10, 10, 30, 30}},
      {"a stroke over the edge is clipped", {{60, 40, 70, 50}}, {60, 40, 64, 48}},
  };
  // A rectangle reported beyond the image records only the image's part.
  Pen->BeginChange(View);
  Pen->AddChangedRect({-100, 40, 4000, 3000}, false);
  Pen->EndChange();
  ASSERT_EQ(Doc->History.Count(), 1);
  EXPECT_EQ(RectText(static_cast<TQvGraphicsCommandState*>(Doc->History.LastUndoState())->FRect),
            RectText(TRect{0, 40, 64, 48}));
  Doc->History.Undo();
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.What);
    const std::vector<uint8_t> Before = Snapshot(*Doc->Pixels());
    const int Steps = Doc->History.Position();
    Pen->BeginChange(View);
    for (const TRect& R : C.Strokes) Pen->Stroke(View, R, 0x5A);
    Pen->EndChange();
    EXPECT_FALSE(Doc->Modifying());
    EXPECT_EQ(Pen->Change().Document(), nullptr);
    EXPECT_EQ(Pen->Change().Pixels(), nullptr);
    if (C.Recorded.IsEmpty()) {
      EXPECT_EQ(Doc->History.Position(), Steps);
      continue;
    }
    ASSERT_EQ(Doc->History.Position(), Steps + 1);
    auto* State = dynamic_cast<TQvGraphicsCommandState*>(Doc->History.LastUndoState());
    ASSERT_TRUE(State);
    EXPECT_EQ(RectText(State->FRect), RectText(C.Recorded));
    EXPECT_EQ(RectText(State->FBefore.BoundsRect()), RectText(C.Recorded));
    EXPECT_TRUE(Doc->Modified());
    const std::vector<uint8_t> After = Snapshot(*Doc->Pixels());
    EXPECT_EQ(After, Snapshot(Doc->Backup())) << "the backup catches up at commit";

    Doc->History.Undo();
    EXPECT_EQ(Snapshot(*Doc->Pixels()), Before);
    EXPECT_EQ(Snapshot(Doc->Backup()), Before);
    Doc->History.Redo();
    EXPECT_EQ(Snapshot(*Doc->Pixels()), After);
    EXPECT_EQ(Snapshot(Doc->Backup()), After);
  }
  // Modified follows the history: undoing everything returns to the file's state.
  while (Doc->History.CanUndo()) Doc->History.Undo();
  EXPECT_FALSE(Doc->Modified());
  Doc->History.Redo();
  EXPECT_TRUE(Doc->Modified());
}

TEST_F(ToolWorld, UndoAndRedoCopyOnlyTheirRectangle) {
  Open(64, 48);
  Pen->Stroke(View, {4, 4, 8, 8}, 0x11);
  Pen->EndChange();
  // A byte of the backup outside the state's rectangle that the image does not share: a copy of
  // the whole image on undo or redo would overwrite it.
  uint8_t* Far = Doc->Backup().PixelAt(40, 30);
  const uint8_t Sentinel = uint8_t(~Doc->Pixels()->PixelAt(40, 30)[0]);
  Far[0] = Sentinel;
  Doc->History.Undo();
  EXPECT_EQ(Far[0], Sentinel);
  Doc->History.Redo();
  EXPECT_EQ(Far[0], Sentinel);
}

TEST_F(ToolWorld, EveryToolHearsImageChangedAtCommitUndoAndRedo) {
  Open(64, 48);
  Pen2->Heard.clear();
  Pen->Stroke(View, {1, 2, 3, 4}, 0x22);
  Pen->EndChange();
  Doc->History.Undo();
  Doc->History.Redo();
  ASSERT_EQ(Pen2->Heard.size(), 3u);
  for (const TPenTool::TImageChange& H : Pen2->Heard) {
    EXPECT_EQ(H.Document, Doc);
    EXPECT_EQ(H.Tool, static_cast<IQvGraphicsToolEvents*>(Pen));
    EXPECT_EQ(RectText(H.Rect), RectText(TRect{1, 2, 3, 4}));
  }
}

TEST_F(ToolWorld, AnotherToolsBeginChangeCommitsThePendingChange) {
  Open(64, 48);
  Pen->Stroke(View, {0, 0, 5, 5}, 0x33);
  Pen2->BeginChange(View);
  ASSERT_EQ(Doc->History.Count(), 1);
  EXPECT_EQ(static_cast<TQvGraphicsCommandState*>(Doc->History.LastUndoState())->FTool, Pen);
  EXPECT_EQ(Pen->Change().Document(), nullptr) << "the first tool's change is over";
  EXPECT_EQ(Doc->Pixels()->PixelAt(2, 2)[1], Doc->Backup().PixelAt(2, 2)[1]);
  Pen2->Stroke(View, {3, 3, 9, 9}, 0x44);
  Pen2->EndChange();
  EXPECT_EQ(Doc->History.Count(), 2);
  Doc->History.Undo();
  EXPECT_EQ(Doc->Pixels()->PixelAt(4, 4)[0], 0x33) << "the overlap goes back to the first stroke";
}

TEST_F(ToolWorld, CancelChangeRestoresTheImageAndRecordsNothing) {
  Open(64, 48);
  Pen->CancelChange();  // nothing under way: harmless
  const std::vector<uint8_t> Before = Snapshot(*Doc->Pixels());
  Pen->Stroke(View, {0, 0, 4, 4}, 0x55);
  Pen->Stroke(View, {30, 30, 34, 34}, 0x55, true);  // the first rectangle is forgotten
  Pen->CancelChange();
  EXPECT_EQ(Snapshot(*Doc->Pixels()), Before);
  EXPECT_EQ(Doc->History.Count(), 0);
  EXPECT_FALSE(Doc->Modifying());
  EXPECT_EQ(Doc->ModifyingTool(), nullptr);
  EXPECT_EQ(Pen->Change().View(), nullptr);
  Pen->CancelChange();
  EXPECT_FALSE(Doc->Modified());
}

// Without undo steps (the command-line program) a commit leaves the backup's copy until the backup
// is read again; the next change must still start from, and cancel back to, everything committed.
TEST_F(ToolWorld, WithoutHistoryEveryCommitStillReachesTheBackupBeforeItIsRead) {
  Open(64, 48);
  TQvGraphicsDocument::KeepsHistory = false;
  struct Restore {
    ~Restore() { TQvGraphicsDocument::KeepsHistory = true; }
  } RestoreHistory;

  Pen->Stroke(View, {0, 0, 10, 10}, 0x33);
  Pen->EndChange();
  Pen2->Stroke(View, {40, 30, 50, 40}, 0x66);
  Pen2->EndChange();
  const std::vector<uint8_t> Committed = Snapshot(*Doc->Pixels());
  EXPECT_EQ(Doc->History.Count(), 0);
  EXPECT_TRUE(Doc->Modified());
  ASSERT_EQ(Pen->Heard.size(), 2u) << "every tool still hears of each commit";

  // A change over both committed strokes, cancelled: it must not fall back to the file's pixels.
  Pen->Stroke(View, {5, 5, 45, 35}, 0x44);
  Pen->CancelChange();
  EXPECT_EQ(Snapshot(*Doc->Pixels()), Committed);
  EXPECT_EQ(Snapshot(Doc->Backup()), Committed);

  // A commit put off and then a turn: the turned backup is the turned image.
  Pen->Stroke(View, {20, 20, 30, 25}, 0x77);
  Pen->EndChange();
  ASSERT_TRUE(Doc->RotateRight());
  EXPECT_EQ(Snapshot(Doc->Backup()), Snapshot(*Doc->Pixels()));
  Pen->Stroke(View, {0, 0, 48, 64}, 0x11);
  Pen->CancelChange();
  const std::vector<uint8_t> Turned = Snapshot(*Doc->Pixels());
  // (x, y) turns to (47 - y, x): the stroke at x 20..29, y 20..24 lies at x 23..27, y 20..29.
  EXPECT_EQ(Snapshot(*Doc->Pixels(), {23, 20, 28, 30}), std::vector<uint8_t>(5 * 10 * 3, 0x77))
      << "the last stroke survives";
  EXPECT_EQ(Snapshot(Doc->Backup()), Turned);
}

TEST_F(ToolWorld, ControlsLiveInTheViewAboveThePicture) {
  Open(64, 48);
  ASSERT_EQ(Pen->ControlCount(), 1);
  EXPECT_EQ(Pen->Controls(1), nullptr);
  EXPECT_EQ(Pen->Controls(-1), nullptr);
  auto* PenControl = static_cast<TPenControl*>(Pen->Controls(0));
  auto* Pen2Control = static_cast<TPenControl*>(Pen2->Controls(0));
  EXPECT_EQ(PenControl->SetupCalls, 1);
  EXPECT_EQ(PenControl->FView, View);
  EXPECT_FALSE(PenControl->IsVisible());
  EXPECT_EQ(PenControl->Flags, ViewObjectContent | ViewObjectNoExtent);
  EXPECT_GT(View->Objects().IndexOf(Pen2Control), View->Objects().IndexOf(PenControl))
      << "later tools lie higher";
  EXPECT_GT(View->Objects().IndexOf(PenControl), 0);

  // A tool that goes first takes its control out of the view; closing the view empties the lists.
  const int Objects = View->Objects().Count();
  delete Pen2;
  Pen2 = nullptr;
  EXPECT_EQ(View->Objects().Count(), Objects - 1);
  EXPECT_EQ(View->Objects().IndexOf(Pen2Control), -1);
  ASSERT_TRUE(GraphicsEditor->CloseActiveDocument());
  EXPECT_EQ(Pen->ControlCount(), 0);
}

TEST_F(ToolWorld, ActiveToolGetsMouseAndKeysFromTheTopDown) {
  Open(64, 48);
  auto* PenControl = static_cast<TPenControl*>(Pen->Controls(0));
  auto* Pen2Control = static_cast<TPenControl*>(Pen2->Controls(0));
  TEventLog Log;
  PenControl->Log = &Log;
  Pen2Control->Log = &Log;

  GraphicsEditor->SetActiveTool(Pen);
  EXPECT_TRUE(Pen->FActive);
  EXPECT_TRUE(PenControl->FActive);
  EXPECT_FALSE(Pen2Control->FActive);

  // A drag paints and becomes one undo step.
  const TPoint Start = View->LogicalToDevice(TPoint{10, 10});
  const TPoint End = View->LogicalToDevice(TPoint{20, 10});
  View->DoMouseDown(TQvMouseButton::mbLeft, ssLeft, Start);
  View->DoMouseMove(ssLeft, End);
  View->DoMouseUp(TQvMouseButton::mbLeft, 0, End);
  EXPECT_EQ(Doc->History.Count(), 1);
  EXPECT_EQ(Doc->Pixels()->PixelAt(10, 10)[0], 0xEE);
  EXPECT_EQ(Doc->Pixels()->PixelAt(20, 10)[2], 0xEE);
  EXPECT_EQ(RectText(static_cast<TQvGraphicsCommandState*>(Doc->History.LastUndoState())->FRect),
            RectText(TRect{9, 9, 22, 12}));
  ASSERT_GE(Log.size(), 2u);
  EXPECT_EQ(Log[0].rfind("MouseDown", 0), 0u) << "the upper control is asked first and declines";
  EXPECT_EQ(Log[1].rfind("MouseDown", 0), 0u);

  Log.clear();
  View->DoKeyDown('A', 0);
  View->DoKeyUp('A', 0);
  EXPECT_EQ(Log, (TEventLog{"KeyDown 65", "KeyDown 65", "KeyUp 65", "KeyUp 65"}));

  GraphicsEditor->SetActiveTool(Pen2);
  EXPECT_FALSE(Pen->FActive);
  EXPECT_FALSE(PenControl->FActive);
  EXPECT_TRUE(Pen2Control->FActive);
}

TEST_F(ToolWorld, ButtonShowsAvailabilityActivityAndSelectability) {
  Open(64, 48);
  QAction Button(nullptr);
  QWidget Frame;
  GraphicsEditor->SetActiveTool(Pen);
  Pen->UpdateToolControls(&Button, &Frame);
  EXPECT_TRUE(Button.isChecked());
  EXPECT_TRUE(Button.isEnabled());
  EXPECT_FALSE(Frame.isHidden());

  Pen2->UpdateToolControls(&Button, &Frame);
  EXPECT_FALSE(Button.isChecked());
  EXPECT_TRUE(Frame.isHidden());

  // A pending change of an exclusive tool locks the others out; a brush-like one does not.
  Pen->Stroke(View, {0, 0, 2, 2}, 1);
  Pen2->UpdateToolControls(&Button, &Frame);
  EXPECT_TRUE(Button.isEnabled());
  Pen->FExclusiveChange = true;
  Pen2->UpdateToolControls(&Button, &Frame);
  EXPECT_FALSE(Button.isEnabled());
  Pen->UpdateToolControls(&Button, &Frame);
  EXPECT_TRUE(Button.isEnabled());
  Pen->EndChange();

  Pen->SetAvailable(false);
  Pen->UpdateToolControls(&Button, &Frame);
  EXPECT_FALSE(Button.isVisible());
  EXPECT_TRUE(Frame.isHidden());
}

TEST_F(ToolWorld, DemoCommandSelectsTheToolAndRecordsTheClick) {
  Open(64, 48);
  // The "Message" line follows the recorder's message option, as every other recorded line does.
  for (const bool Messages : {true, false}) {
    QvTest::TLineRecorder Recorder(Messages);
    Pen->StartDemoRecording(&Recorder);
    bool Handled = false;
    Pen->ExecuteDemoCommand(nullptr, QStringLiteral("PENCIL"), Handled, nullptr, nullptr);
    EXPECT_FALSE(Handled);
    Pen->ExecuteDemoCommand(nullptr, QStringLiteral("PEN"), Handled, nullptr, nullptr);
    EXPECT_TRUE(Handled);
    EXPECT_EQ(GraphicsEditor->ActiveTool(), Pen);
    const QStringList Expected = Messages ? QStringList{QStringLiteral("MouseCurvedMove Pen"),
                                                        QStringLiteral("Message \"Pen\""), QStringLiteral("Pen")}
                                          : QStringList{QStringLiteral("MouseCurvedMove Pen"), QStringLiteral("Pen")};
    EXPECT_EQ(Recorder.Lines, Expected) << "messages " << Messages;
    Pen->StopDemoRecording();
    EXPECT_EQ(Pen->FRecorder, nullptr);
  }
}
