// The brightness and contrast tool in the editor: the open adjustment, Ok, Cancel, auto-correction,
// closing the document, the exclusive change, its settings and its recorded lines.
#include "RetouchFixture.h"

#include "QvDemoScriptParams.h"
#include "QvGuid.h"
#include "QvSDF.h"
#include "QvTestSupport.h"

#include <QBuffer>
#include <QPushButton>
#include <QSlider>

namespace {

class ToneWorld : public RetouchWorld {
 protected:
  // The image as the tone table of Settings makes it from Source.
  std::vector<uint8_t> Expected(const TQvPixels& Source, const TBrightnessContrastSettings& Settings) {
    auto Copy = QvTest::CopyPixels(Source);
    ApplyToneTable(*Copy, Source, ToneTable(Settings));
    return QvTest::PixelBytes(*Copy);
  }
  bool Run(const QString& Command, const QByteArray& Arguments = {}) {
    return Demo->ExecuteCommand(nullptr, Command, nullptr, TQvDemoScriptParams(Arguments));
  }
};

TEST_F(ToneWorld, SliderMovesStayOneOpenAdjustmentFromTheImageAsItWas) {
  Open(DarkImage());
  Tone->SetShowOptions(true);
  GraphicsEditor->SetActiveTool(Tone);
  const auto Start = QvTest::CopyPixels(*Doc->Pixels());
  Tone->Frame()->BrightnessTrackBar->setValue(20);
  Tone->Frame()->ContrastTrackBar->setValue(-30);
  Tone->Frame()->BrightnessTrackBar->setValue(40);
  EXPECT_TRUE(Tone->AdjustmentOpen());
  EXPECT_EQ(Doc->History.Count(), 0);
  EXPECT_EQ(QvTest::PixelBytes(*Doc->Pixels()), Expected(*Start, {40, -30}));
  // While it is open no other tool can be chosen, and Ok and Cancel are on.
  EXPECT_FALSE(GraphicsEditor->CanSelectTool(Tool));
  Tone->UpdateControls();
  EXPECT_TRUE(Tone->Frame()->OkButton->isEnabled());

  Tone->Frame()->OkButton->click();
  EXPECT_FALSE(Tone->AdjustmentOpen());
  EXPECT_EQ(Doc->History.Count(), 1);
  EXPECT_EQ(Tone->Settings(), TBrightnessContrastSettings{});
  EXPECT_EQ(Tone->Frame()->BrightnessTrackBar->value(), 0);
  EXPECT_EQ(Tone->Frame()->ContrastTrackBar->value(), 0);
  EXPECT_EQ(QvTest::PixelBytes(*Doc->Pixels()), Expected(*Start, {40, -30}));
  EXPECT_TRUE(GraphicsEditor->CanSelectTool(Tool));
  Tone->UpdateControls();
  EXPECT_FALSE(Tone->Frame()->OkButton->isEnabled());
}

TEST_F(ToneWorld, OkIsOneBitExactUndoStep) {
  Open(DarkImage());
  Tone->SetShowOptions(true);
  EXPECT_TRUE(QvTest::ApplyUndoRedoIsBitExact(*Doc, [this] {
    Tone->SetBrightness(25);
    Tone->SetContrast(40);
    Tone->OkButtonClick();
  }));
  // The next adjustment starts from the committed result.
  const auto Committed = QvTest::CopyPixels(*Doc->Pixels());
  EXPECT_TRUE(QvTest::ApplyUndoRedoIsBitExact(*Doc, [this] {
    Tone->SetBrightness(-10);
    Tone->OkButtonClick();
  }));
  EXPECT_EQ(QvTest::PixelBytes(*Doc->Pixels()), Expected(*Committed, {-10, 0}));
}

TEST_F(ToneWorld, CancelRestoresTheImageBitForBit) {
  Open(DarkImage());
  Tone->SetShowOptions(true);
  const QvTest::TDocumentSnapshot Before = QvTest::TDocumentSnapshot::Take(*Doc);
  Tone->SetBrightness(60);
  Tone->SetContrast(70);
  ASSERT_NE(QvTest::TDocumentSnapshot::Take(*Doc), Before);
  Tone->Frame()->CancelButton->click();
  EXPECT_EQ(QvTest::TDocumentSnapshot::Take(*Doc), Before);
  EXPECT_EQ(Doc->History.Count(), 0);
  EXPECT_FALSE(Tone->AdjustmentOpen());
  EXPECT_FALSE(Doc->Modifying());
  EXPECT_EQ(Tone->Settings(), TBrightnessContrastSettings{});
}

TEST_F(ToneWorld, ClosingTheDocumentCommitsTheOpenAdjustment) {
  Open(DarkImage());
  Tone->SetShowOptions(true);
  Tone->SetBrightness(30);
  int StepsAtQuestion = -1;
  bool PendingAtQuestion = true;
  TQvGraphicsDocument* Closing = Doc;
  App->SetMessageBoxHandler([&](const QString&, const QString&, int) {
    StepsAtQuestion = Closing->History.Count();
    PendingAtQuestion = Closing->Modifying();
    return QvMB::IDNO;
  });
  EXPECT_TRUE(Doc->Close());
  // The save question was asked about the committed adjustment.
  EXPECT_EQ(StepsAtQuestion, 1);
  EXPECT_FALSE(PendingAtQuestion);
  EXPECT_FALSE(Tone->AdjustmentOpen());
  EXPECT_EQ(Tone->Settings(), TBrightnessContrastSettings{});
  Doc = nullptr;
}

TEST_F(ToneWorld, AutoCorrectionStretchesAndInTheSimpleModeIsAStepAtOnce) {
  // Tones 40..200: minV 40 and maxV 200 stretch to the full range.
  Open(MakeImage(QStringLiteral("range.png"), 64, 32, [](int X, int Y) {
    const int V = 40 + (X * 32 + Y) * 160 / (64 * 32 - 1);
    return qRgb(V, V, V);
  }));
  const auto Start = QvTest::CopyPixels(*Doc->Pixels());
  EXPECT_TRUE(QvTest::ApplyUndoRedoIsBitExact(*Doc, [this] { Tone->Frame()->AutoCorrectionButton->click(); }));
  EXPECT_FALSE(Tone->AdjustmentOpen());
  const uint8_t* First = Doc->Pixels()->PixelAt(0, 0);
  const uint8_t* Last = Doc->Pixels()->PixelAt(63, 31);
  EXPECT_EQ(First[ChannelRed], 0);
  EXPECT_EQ(Last[ChannelRed], 255);
  EXPECT_EQ(Tone->Settings(), TBrightnessContrastSettings{});

  // With the options shown it stays open, and the sliders show what it found.
  GraphicsEditor->DoUndo();
  Tone->SetShowOptions(true);
  Tone->Frame()->AutoCorrectionButton->click();
  EXPECT_TRUE(Tone->AdjustmentOpen());
  EXPECT_EQ(Tone->Settings(), (TBrightnessContrastSettings{127 - 120, (256 - 160) / 2}));
  EXPECT_EQ(Tone->Frame()->BrightnessTrackBar->value(), 7);
  EXPECT_EQ(Tone->Frame()->ContrastTrackBar->value(), 48);
  // A slider move then starts again from the image as it was.
  Tone->Frame()->BrightnessTrackBar->setValue(0);
  EXPECT_EQ(QvTest::PixelBytes(*Doc->Pixels()), Expected(*Start, {0, 48}));
  Tone->OkButtonClick();
  EXPECT_EQ(Doc->History.Count(), 1);
}

// Regression: an image of one grey gave a curve without slope; its table of zeros turned the
// image black, and the limited contrast then made it a threshold.
TEST_F(ToneWorld, AutoCorrectionOfOneGreyLeavesTheImageAndRecordsNothing) {
  Open(MakeImage(QStringLiteral("grey.png"), 40, 30, [](int, int) { return qRgb(128, 128, 128); }));
  const QvTest::TDocumentSnapshot Before = QvTest::TDocumentSnapshot::Take(*Doc);
  Tone->AutoCorrectionButtonClick();
  EXPECT_EQ(QvTest::TDocumentSnapshot::Take(*Doc), Before);
  EXPECT_EQ(Doc->History.Count(), 0);
  Tone->SetShowOptions(true);
  Tone->AutoCorrectionButtonClick();
  EXPECT_EQ(Tone->Settings(), TBrightnessContrastSettings{});
  EXPECT_EQ(QvTest::TDocumentSnapshot::Take(*Doc), Before);
  Tone->CancelButtonClick();
}

TEST_F(ToneWorld, AnotherToolsStepIsKeptWhenAnAdjustmentOpens) {
  Open(SamplePath());
  Click(LeftPupil);  // a red-eye step
  ASSERT_EQ(Doc->History.Count(), 1);
  const auto Corrected = QvTest::CopyPixels(*Doc->Pixels());
  Tone->SetShowOptions(true);
  Tone->SetBrightness(10);
  Tone->OkButtonClick();
  EXPECT_EQ(Doc->History.Count(), 2);
  EXPECT_EQ(QvTest::PixelBytes(*Doc->Pixels()), Expected(*Corrected, {10, 0}));
}

TEST_F(ToneWorld, DemonstrationCommandsAndRecordedLines) {
  Open(DarkImage());
  EXPECT_TRUE(Run(QStringLiteral("BrightnessContrastShowOptions")));
  EXPECT_TRUE(Tone->FShowOptions);
  EXPECT_TRUE(Run(QStringLiteral("BRIGHTNESSCONTRASTBRIGHTNESS"), "12"));
  EXPECT_EQ(Tone->FBrightness, 12);
  EXPECT_TRUE(Run(QStringLiteral("BrightnessContrastCancel")));
  EXPECT_FALSE(Tone->AdjustmentOpen());

  QvTest::TLineRecorder Lines(true);
  Demo->StartDemoRecording(&Lines);
  Tone->Frame()->ContrastTrackBar->setValue(-5);
  Tone->Frame()->OkButton->click();
  Tone->Frame()->ShowOptions->click();
  Demo->StopDemoRecording();
  EXPECT_EQ(Lines.Lines, (QStringList{QStringLiteral("BrightnessContrastContrast -5"),
                                      QStringLiteral("MouseCurvedMove BrightnessContrastPerform"),
                                      QStringLiteral("BrightnessContrastPerform"),
                                      QStringLiteral("MouseCurvedMove BrightnessContrastOptions"),
                                      QStringLiteral("BrightnessContrastHideOptions")}));
}

TEST_F(ToneWorld, SettingsHoldOnlyTheOptionsState) {
  Tone->SetShowOptions(true);
  QBuffer Stream;
  Stream.open(QIODevice::WriteOnly);
  {
    TQvSDFWriter Writer(&Stream, false);
    Tone->SaveSettings(Writer);
  }
  QBuffer Expected;
  Expected.open(QIODevice::WriteOnly);
  {
    TQvSDFWriter Writer(&Expected, false);
    Writer.BeginNode(1, QvSettingsGuid::BrightnessContrastTool);
    Writer.WriteInteger(1, 1);
    Writer.EndNode();
  }
  EXPECT_EQ(Stream.data(), Expected.data());
  Tone->SetShowOptions(false);
  TQvSDFReader Reader(Stream.data());
  Tone->LoadSettings(Reader);
  EXPECT_TRUE(Tone->FShowOptions);
  EXPECT_TRUE(Tone->Frame()->BrightnessTrackBar->isVisibleTo(Tone->Frame()));
}

}  // namespace
