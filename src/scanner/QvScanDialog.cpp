#include "QvScanDialog.h"

#include "QvLocalizer.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// The resolutions offered from a range: the usual steps that the device allows.
QList<double> ResolutionSteps(const TQvScanRange& Range, double Current, double Remembered) {
  QList<double> Steps;
  if (!Range.Values.isEmpty()) {
    Steps = Range.Values;
  } else {
    for (double V : {50.0, 75.0, 100.0, 150.0, 200.0, 300.0, 400.0, 600.0, 1200.0, 2400.0})
      if (V >= Range.Min && V <= Range.Max) Steps.append(Range.Nearest(V));
  }
  for (double V : {Current, Remembered})
    if (V > 0) Steps.append(Range.Nearest(V));
  std::sort(Steps.begin(), Steps.end());
  Steps.erase(std::unique(Steps.begin(), Steps.end()), Steps.end());
  return Steps;
}

QString Number(double V) { return QString::number(V, 'f', std::abs(V - std::round(V)) < 1e-6 ? 0 : 2); }

}  // namespace

TQvScanDialog::TQvScanDialog(QWidget* Parent, const QString& SourceName) : QDialog(Parent), FSourceName(SourceName) {
  setObjectName(QStringLiteral("ScanDialog"));
  setAttribute(Qt::WA_DeleteOnClose, false);
  auto* Main = new QVBoxLayout(this);
  FPages = new QStackedWidget(this);
  Main->addWidget(FPages);

  // Page 0: waiting for the device.
  FWaitLabel = new QLabel(FPages);
  FPages->addWidget(FWaitLabel);

  // Page 1: the options.
  auto* OptionsPage = new QWidget(FPages);
  auto* Form = new QFormLayout(OptionsPage);
  ModeBox = new QComboBox(OptionsPage);
  ModeBox->setObjectName(QStringLiteral("ModeBox"));
  FModeLabel = new QLabel(OptionsPage);
  Form->addRow(FModeLabel, ModeBox);
  ResolutionBox = new QComboBox(OptionsPage);
  ResolutionBox->setObjectName(QStringLiteral("ResolutionBox"));
  FResolutionLabel = new QLabel(OptionsPage);
  Form->addRow(FResolutionLabel, ResolutionBox);
  AreaBox = new QGroupBox(OptionsPage);
  auto* Grid = new QGridLayout(AreaBox);
  QDoubleSpinBox** Edits[] = {&LeftEdit, &TopEdit, &RightEdit, &BottomEdit};
  for (int I = 0; I < 4; ++I) {
    FAreaLabels[I] = new QLabel(AreaBox);
    *Edits[I] = new QDoubleSpinBox(AreaBox);
    Grid->addWidget(FAreaLabels[I], I / 2, (I % 2) * 2);
    Grid->addWidget(*Edits[I], I / 2, (I % 2) * 2 + 1);
  }
  Form->addRow(AreaBox);
  FPages->addWidget(OptionsPage);

  // Page 2: the scan's progress.
  auto* ProgressPage = new QWidget(FPages);
  auto* ProgressLayout = new QVBoxLayout(ProgressPage);
  FProgressLabel = new QLabel(ProgressPage);
  Progress = new QProgressBar(ProgressPage);
  Progress->setObjectName(QStringLiteral("ScanProgress"));
  Progress->setRange(0, 100);
  ProgressLayout->addWidget(FProgressLabel);
  ProgressLayout->addWidget(Progress);
  FPages->addWidget(ProgressPage);

  auto* Buttons = new QHBoxLayout;
  Buttons->addStretch();
  ScanButton = new QPushButton(this);
  ScanButton->setObjectName(QStringLiteral("ScanButton"));
  ScanButton->setEnabled(false);
  CancelButton = new QPushButton(this);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  Buttons->addWidget(ScanButton);
  Buttons->addWidget(CancelButton);
  Main->addLayout(Buttons);
  connect(ScanButton, &QPushButton::clicked, this, &TQvScanDialog::ScanClicked);
  connect(CancelButton, &QPushButton::clicked, this, &TQvScanDialog::reject);
  Localize();
}

void TQvScanDialog::Localize() {
  setWindowTitle(GetLocalStringFormatted(5500, QStringLiteral("Scan from %s"), {FSourceName}));
  FWaitLabel->setText(GetLocalString(5501, QStringLiteral("Connecting to the scanner...")));
  FModeLabel->setText(GetLocalString(5502, QStringLiteral("&Mode:")));
  FModeLabel->setBuddy(ModeBox);
  if (ModeBox->count() == 2) {
    ModeBox->setItemText(0, GetLocalString(5503, QStringLiteral("Colour")));
    ModeBox->setItemText(1, GetLocalString(5504, QStringLiteral("Grey")));
  }
  FResolutionLabel->setText(GetLocalString(5505, QStringLiteral("&Resolution (dpi):")));
  FResolutionLabel->setBuddy(ResolutionBox);
  const QString Unit = FOptions.AreaInPixels ? GetLocalString(5512, QStringLiteral("pixels"))
                                             : GetLocalString(5511, QStringLiteral("mm"));
  AreaBox->setTitle(GetLocalStringFormatted(5506, QStringLiteral("Scan area (%s)"), {Unit}));
  FAreaLabels[0]->setText(GetLocalString(5507, QStringLiteral("Left:")));
  FAreaLabels[1]->setText(GetLocalString(5508, QStringLiteral("Top:")));
  FAreaLabels[2]->setText(GetLocalString(5509, QStringLiteral("Right:")));
  FAreaLabels[3]->setText(GetLocalString(5510, QStringLiteral("Bottom:")));
  FProgressLabel->setText(GetLocalString(5513, QStringLiteral("Scanning...")));
  ScanButton->setText(GetLocalString(5514, QStringLiteral("&Scan")));
  CancelButton->setText(GetLocalString(2, QStringLiteral("Cancel")));
}

void TQvScanDialog::ShowOptions(const TQvDeviceOptions& Options, const TQvScanChoices* Remembered) {
  FOptions = Options;
  ModeBox->clear();
  const bool Both = !Options.ColourMode.isEmpty() && !Options.GreyMode.isEmpty();
  if (Both) {
    ModeBox->addItem(QString());
    ModeBox->addItem(QString());
    const bool Colour = Remembered ? Remembered->Colour : Options.CurrentIsColour;
    ModeBox->setCurrentIndex(Colour ? 0 : 1);
  }
  ModeBox->setEnabled(Both);

  ResolutionBox->clear();
  if (Options.HasResolution) {
    const double Wanted = Remembered && Remembered->Resolution > 0 ? Options.Resolution.Nearest(Remembered->Resolution)
                                                                   : Options.CurrentResolution;
    for (double V : ResolutionSteps(Options.Resolution, Options.CurrentResolution, Wanted)) {
      ResolutionBox->addItem(Number(V), V);
      if (std::abs(V - Wanted) < 1e-6) ResolutionBox->setCurrentIndex(ResolutionBox->count() - 1);
    }
  }
  ResolutionBox->setEnabled(Options.HasResolution);

  AreaBox->setVisible(Options.HasArea);
  const bool UseRemembered = Remembered && Remembered->HasArea;
  const double Values[] = {UseRemembered ? Remembered->Left : Options.Left, UseRemembered ? Remembered->Top : Options.Top,
                           UseRemembered ? Remembered->Right : Options.Right,
                           UseRemembered ? Remembered->Bottom : Options.Bottom};
  QDoubleSpinBox* Edits[] = {LeftEdit, TopEdit, RightEdit, BottomEdit};
  for (int I = 0; I < 4; ++I) {
    const TQvScanRange& Range = I % 2 == 0 ? Options.AreaX : Options.AreaY;
    Edits[I]->setDecimals(Options.AreaInPixels || Range.Integer ? 0 : 1);
    Edits[I]->setRange(Range.Min, Range.Max);
    Edits[I]->setSingleStep(Range.Quant > 0 ? Range.Quant : 1);
    Edits[I]->setValue(Range.Nearest(Values[I]));
  }
  Localize();
  ScanButton->setEnabled(true);
  ScanButton->setDefault(true);
  FPages->setCurrentIndex(1);
  adjustSize();
}

TQvScanChoices TQvScanDialog::Choices() const {
  TQvScanChoices C;
  C.Colour = ModeBox->count() == 2 ? ModeBox->currentIndex() == 0 : FOptions.CurrentIsColour;
  C.Resolution = ResolutionBox->currentIndex() >= 0 ? ResolutionBox->currentData().toDouble() : 0;
  C.HasArea = FOptions.HasArea;
  if (C.HasArea) {
    C.Left = LeftEdit->value();
    C.Top = TopEdit->value();
    C.Right = RightEdit->value();
    C.Bottom = BottomEdit->value();
  }
  return C;
}

void TQvScanDialog::ScanClicked() {
  ScanButton->setEnabled(false);
  Progress->setRange(0, 100);
  Progress->setValue(0);
  FPages->setCurrentIndex(2);
  if (OnScan) OnScan(Choices());
}

void TQvScanDialog::ShowProgress(int Percent) {
  if (FPages->currentIndex() != 2) FPages->setCurrentIndex(2);
  if (Percent < 0) {
    Progress->setRange(0, 0);  // a moving bar: the length is not known
  } else {
    Progress->setRange(0, 100);
    Progress->setValue(std::min(Percent, 100));
  }
}

void TQvScanDialog::reject() {
  if (!FCancelled) {
    FCancelled = true;
    CancelButton->setEnabled(false);
    if (OnCancel) OnCancel();
  }
  QDialog::reject();
}
