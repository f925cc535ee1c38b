#include "QvBrightnessContrastTool.h"

#include "QvGraphicsEditor.h"
#include "QvGuid.h"
#include "QvLocalizer.h"

#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

TQvBrightnessContrastTool* BrightnessContrastTool = nullptr;

namespace {

QString L(int Id, const char* Default) { return GetLocalString(Id, QString::fromLatin1(Default)); }

}  // namespace

TQvBrightnessContrastTool::TQvBrightnessContrastTool(TQvGraphicsEditor* Editor) : TQvPanelTool(Editor) {
  Q_INIT_RESOURCE(brightness);
  FDemoName = "BrightnessContrast";
  SetHint(2021, QStringLiteral("Brightness & Contrast"));
  SetSettingsGuid(QvSettingsGuid::BrightnessContrastTool);
  CreateButton(L(2021, "Brightness & Contrast"), QStringLiteral("Contrast"));
  if (Button()) FFrame = CreateFrame<TQvBrightnessContrastFrame>();
  if (TQvBrightnessContrastFrame* F = FFrame) {
    connect(F->AutoCorrectionButton, &QPushButton::clicked, this, [this] { AutoCorrectionButtonClick(); });
    connect(F->OkButton, &QPushButton::clicked, this, [this] { OkButtonClick(); });
    connect(F->CancelButton, &QPushButton::clicked, this, [this] { CancelButtonClick(); });
    // A position the user reached differs from the value; one set by the tool does not.
    connect(F->BrightnessTrackBar, &QSlider::valueChanged, this, [this](int Position) {
      if (Position != FBrightness) SetBrightness(Position);
    });
    connect(F->ContrastTrackBar, &QSlider::valueChanged, this, [this](int Position) {
      if (Position != FContrast) SetContrast(Position);
    });
  }
  SetShowOptions(false);
  FExclusiveChange = true;
  FAvailableInPluginMode = true;
}

TQvBrightnessContrastTool::~TQvBrightnessContrastTool() {
  if (BrightnessContrastTool == this) BrightnessContrastTool = nullptr;
}

void TQvBrightnessContrastTool::Localize() {
  TQvPanelTool::Localize();
  if (!FFrame) return;
  TQvBrightnessContrastFrame& F = *FFrame;
  F.AutoCorrectionButton->setText(L(2022, "Auto Correction"));
  F.BrightnessLabel->setText(L(550, "Brightness") + QLatin1Char(':'));
  F.ContrastLabel->setText(L(558, "Contrast") + QLatin1Char(':'));
  F.OkButton->setText(L(1, "OK"));
  F.CancelButton->setText(L(2, "Cancel"));
}

void TQvBrightnessContrastTool::UpdateControls() {
  TQvPanelTool::UpdateControls();
  if (!FFrame || !Button() || !Button()->isEnabled()) return;
  const bool Open = AdjustmentOpen();
  FFrame->OkButton->setEnabled(Open);
  FFrame->CancelButton->setEnabled(Open);
}

void TQvBrightnessContrastTool::MoveTrackBar(QSlider* TrackBar, int32_t Value) {
  if (!TrackBar) return;
  const QSignalBlocker Block(TrackBar);
  TrackBar->setValue(Value);
}

void TQvBrightnessContrastTool::ResetValues() {
  FBrightness = 0;
  FContrast = 0;
  if (FFrame) {
    MoveTrackBar(FFrame->BrightnessTrackBar, 0);
    MoveTrackBar(FFrame->ContrastTrackBar, 0);
  }
}

void TQvBrightnessContrastTool::EndChange() {
  TQvPanelTool::EndChange();
  ResetValues();
}

void TQvBrightnessContrastTool::DocumentOpened(TQvGraphicsDocument*) {
  // Values left from another image must not open an adjustment on this one.
  ResetValues();
}

void TQvBrightnessContrastTool::DocumentClosing(TQvGraphicsDocument* Document) {
  if (Document && AdjustmentOpen() && Change().Document() == Document) Change().Commit();
}

void TQvBrightnessContrastTool::DocumentSaving(TQvGraphicsDocument*) {}

void TQvBrightnessContrastTool::Apply(bool Auto) {
  TQvGraphicsEditor* E = Editor();
  TQvGraphicsView* View = E ? E->ActiveView() : nullptr;
  if (!View) return;
  TQvToolChange& C = Change();
  // Another tool's pending change is committed by the new one rather than written over.
  if (!C.Active() && !C.Begin(View)) return;
  if (!C.Backup() || !C.Pixels()) return;
  TQvPointList Points;
  if (Auto) {
    const TAutoTone Tone = ScanAutoTone(*C.Backup());
    FBrightness = Tone.Settings.Brightness;
    FContrast = Tone.Settings.Contrast;
    AutoTonePoints(Tone, Points);
  } else {
    ManualTonePoints(Settings(), Points);
  }
  ApplyToneTable(*C.Pixels(), *C.Backup(), ToneTable(Points));
  C.AddChangedRect(C.Pixels()->BoundsRect());
}

void TQvBrightnessContrastTool::SetBrightness(int32_t Value) {
  if (Value == FBrightness) return;
  FBrightness = Value;
  if (FFrame) MoveTrackBar(FFrame->BrightnessTrackBar, Value);
  Apply(false);
  RecordLine(QStringLiteral("BrightnessContrastBrightness ") + QString::number(FBrightness));
}

void TQvBrightnessContrastTool::SetContrast(int32_t Value) {
  if (Value == FContrast) return;
  FContrast = Value;
  if (FFrame) MoveTrackBar(FFrame->ContrastTrackBar, Value);
  Apply(false);
  RecordLine(QStringLiteral("BrightnessContrastContrast ") + QString::number(FContrast));
}

void TQvBrightnessContrastTool::SetSettings(const TBrightnessContrastSettings& Settings) {
  if (Settings == this->Settings()) return;
  FBrightness = Settings.Brightness;
  FContrast = Settings.Contrast;
  if (FFrame) {
    MoveTrackBar(FFrame->BrightnessTrackBar, FBrightness);
    MoveTrackBar(FFrame->ContrastTrackBar, FContrast);
  }
  Apply(false);
}

void TQvBrightnessContrastTool::AutoCorrectionButtonClick() {
  Apply(true);
  if (FFrame) {
    // A value the slider cannot hold is limited by it, and the limited value is applied.
    FFrame->ContrastTrackBar->setValue(FContrast);
    FFrame->BrightnessTrackBar->setValue(FBrightness);
  }
  if (!FShowOptions && AdjustmentOpen()) {
    // Values 0 and 0 mean the table was the identity: nothing to record.
    if (Settings().IsIdentity())
      Change().Cancel();
    else
      Change().Commit();
  }
  RecordMove(QStringLiteral("BrightnessContrastAutoCorrection"));
  RecordLine(QStringLiteral("BrightnessContrastAutoCorrection"));
}

void TQvBrightnessContrastTool::OkButtonClick() {
  if (AdjustmentOpen()) Change().Commit();
  RecordMove(QStringLiteral("BrightnessContrastPerform"));
  RecordLine(QStringLiteral("BrightnessContrastPerform"));
}

void TQvBrightnessContrastTool::CancelButtonClick() {
  ResetValues();
  if (AdjustmentOpen()) Change().Cancel();
  RecordMove(QStringLiteral("BrightnessContrastCancel"));
  RecordLine(QStringLiteral("BrightnessContrastCancel"));
}

void TQvBrightnessContrastTool::FillDemoItems() {
  DemoItems().Control(QStringLiteral("BrightnessContrast"), Button());
  if (TQvBrightnessContrastFrame* F = FFrame)
    DemoItems()
        .Control(QStringLiteral("BrightnessContrastAutoCorrection"), F->AutoCorrectionButton)
        .Control(QStringLiteral("BrightnessContrastBrightness"), F->BrightnessTrackBar)
        .Control(QStringLiteral("BrightnessContrastContrast"), F->ContrastTrackBar)
        .Control(QStringLiteral("BrightnessContrastPerform"), F->OkButton)
        .Control(QStringLiteral("BrightnessContrastCancel"), F->CancelButton)
        .Control(QStringLiteral("BrightnessContrastOptions"), F->ShowOptions);
  TQvBrightnessContrastFrame* F = FFrame;
  DemoItems()
      .Notify(QStringLiteral("BrightnessContrastAutoCorrection"), F ? F->AutoCorrectionButton : nullptr,
              [this](QObject*) { AutoCorrectionButtonClick(); })
      .Integer(QStringLiteral("BrightnessContrastBrightness"), 0, [this](int Value) { SetBrightness(Value); })
      .Integer(QStringLiteral("BrightnessContrastContrast"), 0, [this](int Value) { SetContrast(Value); })
      .Notify(QStringLiteral("BrightnessContrastPerform"), F ? F->OkButton : nullptr,
              [this](QObject*) { OkButtonClick(); })
      .Notify(QStringLiteral("BrightnessContrastCancel"), F ? F->CancelButton : nullptr,
              [this](QObject*) { CancelButtonClick(); })
      .Boolean(QStringLiteral("BrightnessContrastShowOptions"), true, [this](bool Value) { SetShowOptions(Value); })
      .Boolean(QStringLiteral("BrightnessContrastHideOptions"), false, [this](bool Value) { SetShowOptions(Value); });
}
