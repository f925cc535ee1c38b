// The text tool in an editor: drawing, handles, commit and cancel as undo steps, settings,
// recorded lines and the demonstrations' sample typing.
#include "RedEyeFixture.h"

#include "../demo/FakeDemoPlayback.h"
#include "QvDemoScriptAction.h"
#include "QvGraphicsView.h"
#include "QvSDF.h"
#include "QvTestSupport.h"
#include "QvFontNameComboBox.h"
#include "QvTextTool.h"

#include <QAbstractItemView>
#include <QBuffer>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QCheckBox>
#include <QRadioButton>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

class TextWorld : public RedEyeWorld {
 protected:
  void SetUp() override {
    RedEyeWorld::SetUp();
    App->CreateModule(TextTool);
    Text = TextTool;
    ASSERT_TRUE(Text && Text->Frame());
    Text->Localize();
    Open(SamplePath());
    GraphicsEditor->SetActiveTool(Text);
    Text->SetText(QStringLiteral("Yalta\nWy"));
  }
  void TearDown() override {
    Text = nullptr;
    RedEyeWorld::TearDown();
    TextTool = nullptr;
  }
  TPoint Device(const TPoint& P) const { return View->LogicalToDevice(P); }
  void Press(const TPoint& P, TQvMouseButton B = TQvMouseButton::mbLeft) { View->DoMouseDown(B, 0, Device(P)); }
  void MoveTo(const TPoint& P) { View->DoMouseMove(0, Device(P)); }
  void Release(const TPoint& P, TQvMouseButton B = TQvMouseButton::mbLeft) { View->DoMouseUp(B, 0, Device(P)); }
  void Drag(const TPoint& From, const TPoint& To) {
    Press(From);
    MoveTo(TPoint{(From.X + To.X) / 2, (From.Y + To.Y) / 2});
    MoveTo(To);
    Release(To);
  }
  TQvTextToolControl* Control() const {
    return Text->ControlCount() > 0 ? static_cast<TQvTextToolControl*>(Text->Controls(0)) : nullptr;
  }
  int State() const { return Control() ? Control()->FState : -1; }
  QByteArray Settings() {
    QBuffer Stream;
    Stream.open(QIODevice::WriteOnly);
    {
      TQvSDFWriter Writer(&Stream, false);
      Text->SaveSettings(Writer);
    }
    return Stream.data();
  }
  void Load(const QByteArray& Bytes) {
    TQvSDFReader Reader(Bytes);
    Text->LoadSettings(Reader);
  }

  TQvTextTool* Text = nullptr;
};

TEST_F(TextWorld, EnterMakesOneBitExactUndoStepWhileTheRectangleLocksUndoAndTools) {
  EXPECT_TRUE(QvTest::ApplyUndoRedoIsBitExact(*Doc, [this] {
    const auto Before = QvTest::CopyPixels(*Doc->Pixels());
    Drag({10, 10}, {150, 70});
    ASSERT_EQ(State(), TQvTextToolControl::Present);
    // Drawn as soon as the rectangle changed, before any paint, and only inside it.
    EXPECT_NE(QvTest::PixelBytes(*Before), QvTest::PixelBytes(*Doc->Pixels()));
    EXPECT_TRUE(QvTest::UnchangedOutside(*Before, *Doc->Pixels(), {TRect{10, 10, 150, 70}}));
    EXPECT_FALSE(GraphicsEditor->CanUndo());
    EXPECT_FALSE(GraphicsEditor->CanRedo());
    EXPECT_FALSE(GraphicsEditor->CanSelectTool(RedEyeTool));
    EXPECT_TRUE(View->DoKeyDown(QvKey::Return, 0));
  }));
  EXPECT_EQ(State(), TQvTextToolControl::NoText);
  EXPECT_TRUE(GraphicsEditor->CanSelectTool(RedEyeTool));
  EXPECT_EQ(Doc->History.LastUndoState() ? static_cast<TQvGraphicsCommandState*>(Doc->History.LastUndoState())->FRect
                                         : TRect{},
            (TRect{10, 10, 150, 70}));
}

TEST_F(TextWorld, EscapeRightClickAndTinyRectanglesLeaveTheImageBitForBit) {
  const struct {
    const char* What;
    std::function<void()> Do;
  } Cases[] = {
      {"Esc", [this] {
         Drag({10, 10}, {150, 70});
         EXPECT_TRUE(View->DoKeyDown(QvKey::Escape, 0));
       }},
      {"right click", [this] {
         Drag({10, 10}, {150, 70});
         Press({50, 40}, TQvMouseButton::mbRight);
         Release({50, 40}, TQvMouseButton::mbRight);
       }},
      {"a click without a drag", [this] {
         Press({30, 30});
         Release({30, 30});
       }},
      {"a drag of one pixel", [this] { Drag({30, 30}, {31, 31}); }},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.What);
    const QvTest::TDocumentSnapshot Before = QvTest::TDocumentSnapshot::Take(*Doc);
    const int Steps = Doc->History.Count();
    C.Do();
    EXPECT_EQ(State(), TQvTextToolControl::NoText);
    EXPECT_TRUE(QvTest::TDocumentSnapshot::Take(*Doc) == Before);
    EXPECT_EQ(Doc->History.Count(), Steps);
    EXPECT_FALSE(Doc->Modifying());
    EXPECT_TRUE(GraphicsEditor->CanSelectTool(RedEyeTool));
  }
}

TEST_F(TextWorld, NothingToDrawCommitsNothing) {
  const struct {
    const char* What;
    QString Memo;
    int Size;
  } Cases[] = {
      {"an empty memo", QString(), 32},
      {"empty lines only", QStringLiteral("\n\n"), 32},
      {"a text too large to draw", QString(200, QLatin1Char('W')), 400},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.What);
    Text->SetFontSize(C.Size);
    Text->SetText(C.Memo);
    const QvTest::TDocumentSnapshot Before = QvTest::TDocumentSnapshot::Take(*Doc);
    const int Steps = Doc->History.Count();
    Drag({10, 10}, {150, 70});
    EXPECT_TRUE(View->DoKeyDown(QvKey::Return, 0));
    EXPECT_TRUE(QvTest::TDocumentSnapshot::Take(*Doc) == Before);
    EXPECT_EQ(Doc->History.Count(), Steps);
  }
  // The frame says why the large text draws nothing.
  EXPECT_EQ(Text->MaskStatus(), TTextMaskStatus::TooLarge);
  EXPECT_TRUE(Text->Frame()->StatusLabel->isVisibleTo(Text->Frame()));
  Text->SetFontSize(32);
  EXPECT_FALSE(Text->Frame()->StatusLabel->isVisibleTo(Text->Frame()));
}

TEST_F(TextWorld, HandlesMirrorTheTextAndTheImageGetsExactlyThatDrawing) {
  const auto Original = QvTest::CopyPixels(*Doc->Pixels());
  Text->SetColorMode(TextColorInverted);
  Drag({20, 10}, {120, 60});
  ASSERT_EQ(State(), TQvTextToolControl::Present);
  // The bottom-right corner pulled across the top-left one: mirrored both ways.
  Drag({119, 59}, {5, 2});
  EXPECT_TRUE(Text->FFlipH);
  EXPECT_TRUE(Text->FFlipV);
  EXPECT_EQ(Control()->FRect, (TRect{6, 3, 20, 10}));
  // The left handle of that pulled across its right edge: un-mirrored left-right only.
  Drag({6, 6}, {100, 6});
  EXPECT_FALSE(Text->FFlipH);
  EXPECT_TRUE(Text->FFlipV);
  EXPECT_EQ(Control()->FRect, (TRect{20, 3, 100, 10}));
  // Moving by the inside keeps the mirror and the size.
  Drag({40, 6}, {140, 66});
  EXPECT_FALSE(Text->FFlipH);
  EXPECT_TRUE(Text->FFlipV);
  EXPECT_EQ(Control()->FRect, (TRect{120, 63, 200, 70}));
  const TRect Moved = Control()->FRect;
  Press({200, 100});
  Release({200, 100});  // a click outside commits
  EXPECT_EQ(State(), TQvTextToolControl::NoText);
  TQvPixelBuffer& Expected = *Original;
  ASSERT_EQ(DrawTextInto(Expected, SplitTextLines(Text->Text()), Text->Settings(), Moved, false, true),
            TTextMaskStatus::Built);
  EXPECT_EQ(QvTest::PixelBytes(Expected), QvTest::PixelBytes(*Doc->Pixels()));
}

TEST_F(TextWorld, SettingsRoundTripAndOutsideValuesAreBroughtIntoRange) {
  Text->SetFontSize(72);
  Text->SetColorMode(TextColorInverted);
  Text->SetColor(0x123456);
  Text->SetMaxInverse(true);
  Text->SetFontStyle(TextStyleBold | TextStyleUnderline);
  const QByteArray Saved = Settings();
  Text->SetFontSize(10);
  Text->SetColorMode(0);
  Text->SetColor(0);
  Text->SetMaxInverse(false);
  Text->SetFontStyle(0);
  Load(Saved);
  EXPECT_EQ(Text->Settings().FontSize, 72);
  EXPECT_EQ(Text->Settings().ColorMode, TextColorInverted);
  EXPECT_EQ(Text->Settings().Color, 0x123456u);
  EXPECT_TRUE(Text->Settings().MaxInverse);
  EXPECT_EQ(Text->Settings().FontStyle, TextStyleBold | TextStyleUnderline);
  EXPECT_EQ(Text->Frame()->SizeSpinEdit->value(), 72);
  EXPECT_TRUE(Text->Frame()->BoldTBXButton->isChecked());
  EXPECT_TRUE(Text->Frame()->UnderlineTBXButton->isChecked());
  EXPECT_FALSE(Text->Frame()->ItalicTBXButton->isChecked());
  EXPECT_EQ(Text->Frame()->SelectedColor(), 0x123456u);

  QBuffer Stream;
  Stream.open(QIODevice::WriteOnly);
  {
    TQvSDFWriter Writer(&Stream, false);
    Writer.BeginNode(1, QvSettingsGuid::TextTool);
    Writer.WriteInteger(1, 100000);
    Writer.WriteInteger(2, 9);
    Writer.WriteInteger(5, 0x7F);
    Writer.EndNode();
  }
  Load(Stream.data());
  EXPECT_EQ(Text->Settings().FontSize, TextFontSizeMax);
  EXPECT_EQ(Text->Settings().ColorMode, TextColorSelected);
  EXPECT_EQ(Text->Settings().FontStyle, TextStyleAll);
}

TEST_F(TextWorld, TheSpinEditStepsByAHundredthOfTheSize) {
  QSpinBox* Spin = Text->Frame()->SizeSpinEdit;
  const struct {
    int From, Up;
  } Cases[] = {{149, 150}, {150, 152}, {250, 252}, {398, 400}};
  for (const auto& C : Cases) {
    Spin->setValue(C.From);
    Spin->stepUp();
    EXPECT_EQ(Spin->value(), C.Up) << "from " << C.From;
    EXPECT_EQ(Text->Settings().FontSize, C.Up);
  }
  Spin->stepDown();
  EXPECT_EQ(Spin->value(), 396);
}

TEST_F(TextWorld, SettersAndFrameChangesRecordTheirLines) {
  QvTest::TLineRecorder Recorder;
  Text->StartDemoRecording(&Recorder);
  Text->SetFontSize(40);
  Text->SetFontSize(40);  // unchanged: nothing
  Text->Frame()->BoldTBXButton->click();
  Text->Frame()->ColorRadioButtons[1]->click();
  Text->Frame()->MaxInverseTBXCheckBox->click();
  Text->SetColor(0x0000FF);
  Text->StopDemoRecording();
  EXPECT_EQ(Recorder.Lines, (QStringList{"MouseCurvedMove TextFontSize", "TextFontSize 40",
                                         "MouseCurvedMove TextFontBI", "TextFontBI 1",
                                         "MouseCurvedMove TextFontColor", "TextFontColor 1",
                                         "MouseCurvedMove TextMaxInverse", "TextMaxInverse 1",
                                         "MouseCurvedMove TextColor", "TextColor 255"}));
}

TEST_F(TextWorld, SampleTypingIsPartOfTheScriptLineAndNeverWaitsOnTheUserInterface) {
  Text->SetText(QStringLiteral("something else"));
  TFakeDemoPlayback Playback;
  Playback.OnCommand = [this](const QString& Command, TQvDemoScriptUserAction& Action) {
    bool Handled = false;
    Text->ExecuteDemoCommand(nullptr, Command, Handled, &Action, nullptr);
    return Handled;
  };
  auto Action = CreateDemoScriptAction(Playback, "TextMemoYalta");
  ASSERT_TRUE(Action);
  QStringList Seen;
  const std::int64_t Start = Playback.Now;
  for (int Step = 0; Step < 1000; ++Step) {
    Action->Execute();
    if (Seen.isEmpty() || Seen.last() != Text->Text()) Seen << Text->Text();
    if (Action->IsDone()) break;
    Playback.Now += 10;
  }
  EXPECT_TRUE(Action->IsDone());
  EXPECT_TRUE(Playback.Errors.isEmpty());
  EXPECT_EQ(Seen, (QStringList{"", "Y", "Ya", "Yal", "Yalt", "Yalta"}));
  // Five half-second waits passed on the playback's clock, not on the user interface's.
  EXPECT_GE(Playback.Now - Start, 2500);
  EXPECT_LT(Playback.Now - Start, 2700);
  EXPECT_EQ(Text->Settings().FontName, DefaultTextFont());
}

TEST_F(TextWorld, TheFontListShowsEachFamilyInItsOwnFaceAndAChoiceRedrawsTheText) {
  TQvFontNameComboBox* Fonts = Text->Frame()->FontNameComboBox;
  const QStringList Families = QFontDatabase::families();
  EXPECT_EQ(Fonts->count(), Families.size());
  EXPECT_EQ(Fonts->currentText(), DefaultTextFont());
  auto* Delegate = qobject_cast<TQvFontNameDelegate*>(Fonts->itemDelegate());
  ASSERT_TRUE(Delegate);
  QStyleOptionViewItem Option;
  Option.font = Fonts->view()->font();
  const QModelIndex First = Fonts->model()->index(0, 0);
  const QFontMetrics Metrics(TQvFontNameDelegate::ItemFont(Families.value(0), Option.font));
  EXPECT_EQ(Delegate->sizeHint(Option, First).height(), Metrics.boundingRect(QStringLiteral("Wy")).height() + 4);

  // A fixed-pitch family looks different enough from the default serif; any other will do else.
  QString Other;
  for (const QString& F : Families)
    if (F != Fonts->currentText() && QFontDatabase::isFixedPitch(F)) Other = F;
  if (Other.isEmpty())
    for (const QString& F : Families)
      if (F != Fonts->currentText()) Other = F;
  if (Other.isEmpty()) GTEST_SKIP() << "the desktop has one font family";
  Drag({10, 10}, {150, 70});
  const std::vector<uint8_t> Drawn = QvTest::PixelBytes(*Doc->Pixels());
  Fonts->setCurrentIndex(Fonts->findText(Other));
  EXPECT_EQ(Text->Settings().FontName, Other);
  EXPECT_NE(QvTest::PixelBytes(*Doc->Pixels()), Drawn);
}

}  // namespace
