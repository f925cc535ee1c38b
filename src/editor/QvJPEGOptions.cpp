#include "QvJPEGOptions.h"

#include "QvLocalizer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

TQvJPEGOptionsForm::TQvJPEGOptionsForm(QWidget* Parent) : TQvFormOf<QDialog>(Parent) {
  setObjectName(QStringLiteral("JPEGOptionsForm"));
  setWindowTitle(QStringLiteral("JPEG Options"));
  setModal(true);

  QualityLabel = new QLabel(QStringLiteral("Quality:"), this);
  QualityEdit = new QLineEdit(this);
  QualityEdit->setObjectName(QStringLiteral("QualityEdit"));
  QualityEdit->setMaxLength(3);
  QualityEdit->setFixedWidth(48);
  QualityLabel->setBuddy(QualityEdit);
  QualityComboBox = new QComboBox(this);
  QualityComboBox->setObjectName(QStringLiteral("QualityComboBox"));
  for (const char* Text : {"Low", "Medium", "High", "Very High", "Maximum"})
    QualityComboBox->addItem(QString::fromLatin1(Text));
  QualityTrackBar = new QSlider(Qt::Horizontal, this);
  QualityTrackBar->setObjectName(QStringLiteral("QualityTrackBar"));
  QualityTrackBar->setRange(0, 100);
  QualityTrackBar->setTickInterval(5);
  QualityTrackBar->setTickPosition(QSlider::TicksBelow);
  QualityTrackBar->setPageStep(5);
  SmallFileLabel = new QLabel(QStringLiteral("Smaller file"), this);
  LargeFileLabel = new QLabel(QStringLiteral("Better quality"), this);
  LargeFileLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  DisplayCheckbox = new QCheckBox(this);
  DisplayCheckbox->setVisible(false);
  OkButton = new QPushButton(QStringLiteral("OK"), this);
  OkButton->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);

  auto* Top = new QHBoxLayout;
  Top->addWidget(QualityLabel);
  Top->addWidget(QualityEdit);
  Top->addWidget(QualityComboBox, 1);
  auto* Ends = new QHBoxLayout;
  Ends->addWidget(SmallFileLabel);
  Ends->addStretch(1);
  Ends->addWidget(LargeFileLabel);
  auto* Buttons = new QHBoxLayout;
  Buttons->addWidget(DisplayCheckbox);
  Buttons->addStretch(1);
  Buttons->addWidget(OkButton);
  Buttons->addWidget(CancelButton);
  auto* Main = new QVBoxLayout(this);
  Main->addLayout(Top);
  Main->addWidget(QualityTrackBar);
  Main->addLayout(Ends);
  Main->addStretch(1);
  Main->addLayout(Buttons);
  setFixedSize(352, 163);
  if (const QScreen* Screen = QGuiApplication::primaryScreen())
    move(Screen->availableGeometry().center() - rect().center());

  connect(QualityEdit, &QLineEdit::textChanged, this, [this] { QualityChange(QualityEdit); });
  connect(QualityTrackBar, &QSlider::valueChanged, this, [this] { QualityChange(QualityTrackBar); });
  connect(QualityComboBox, &QComboBox::currentIndexChanged, this,
          [this] { QualityChange(QualityComboBox); });
  connect(OkButton, &QPushButton::clicked, this, [this] { OkButtonClick(); });
  connect(CancelButton, &QPushButton::clicked, this, [this] { reject(); });

  SetQuality(DefaultQuality);
}

// Cancel and the Escape key end the dialog with the classic modal result 2.
void TQvJPEGOptionsForm::reject() { done(QvMB::IDCANCEL); }

int32_t TQvJPEGOptionsForm::PresetIndex(int32_t Value) {
  int32_t Index = 0;
  for (int32_t I = 0; I < PresetCount; ++I)
    if (Presets[I] <= Value) Index = I;
  return Index;
}

bool TQvJPEGOptionsForm::ParseQuality(const QString& Text, int32_t& Value) {
  const QString Trimmed = Text.trimmed();
  if (Trimmed.isEmpty()) return false;
  for (QChar C : Trimmed)
    if (C < QLatin1Char('0') || C > QLatin1Char('9')) return false;
  bool Ok = false;
  const int Number = Trimmed.toInt(&Ok);
  if (!Ok || Number < 0 || Number > 100) return false;
  Value = Number;
  return true;
}

int32_t TQvJPEGOptionsForm::LeadingQuality(const QString& Text) {
  const QString Trimmed = Text.trimmed();
  int64_t Number = 0;
  for (QChar C : Trimmed) {
    if (C < QLatin1Char('0') || C > QLatin1Char('9')) break;
    // Anything past three digits is above the range already; stop before it can overflow.
    Number = std::min<int64_t>(Number * 10 + (C.unicode() - '0'), 1000);
  }
  return static_cast<int32_t>(std::clamp<int64_t>(Number, 0, 100));
}

void TQvJPEGOptionsForm::SetQuality(int32_t Value) {
  Value = std::clamp(Value, 0, 100);
  {
    const bool Was = FUpdating;
    FUpdating = true;
    QualityTrackBar->setValue(Value);
    FUpdating = Was;
  }
  QualityChange(QualityTrackBar);
}

int32_t TQvJPEGOptionsForm::GetQuality() const { return QualityTrackBar->value(); }

void TQvJPEGOptionsForm::QualityChange(QObject* Sender) {
  if (FUpdating) return;
  FUpdating = true;
  if (Sender == QualityEdit) {
    int32_t Value = 0;
    if (ParseQuality(QualityEdit->text(), Value)) {
      QualityComboBox->setCurrentIndex(PresetIndex(Value));
      QualityTrackBar->setValue(Value);
    }
  } else if (Sender == QualityTrackBar) {
    const int32_t Value = QualityTrackBar->value();
    QualityEdit->setText(QString::number(Value));
    QualityComboBox->setCurrentIndex(PresetIndex(Value));
  } else if (Sender == QualityComboBox) {
    const int Index = QualityComboBox->currentIndex();
    if (Index >= 0 && Index < PresetCount) {
      QualityTrackBar->setValue(Presets[Index]);
      QualityEdit->setText(QString::number(Presets[Index]));
    }
  }
  FUpdating = false;
}

void TQvJPEGOptionsForm::OkButtonClick() {
  int32_t Value = 0;
  if (ParseQuality(QualityEdit->text(), Value)) {
    done(QvMB::IDOK);
    return;
  }
  const QString Message =
      GetLocalString(216, QStringLiteral("Please enter a quality from 0 to 100."));
  if (Application) Application->MessageBox(Message, windowTitle(), QvMB::MB_ICONERROR);
  SetQuality(LeadingQuality(QualityEdit->text()));
}

void TQvJPEGOptionsForm::Localize() {
  setWindowTitle(GetLocalString(205, QStringLiteral("JPEG Options")));
  QualityLabel->setText(GetLocalString(207, QStringLiteral("Quality")) + QLatin1Char(':'));
  DisplayCheckbox->setText(GetLocalString(206, QStringLiteral("Always show this dialog")));
  SmallFileLabel->setText(GetLocalString(213, QStringLiteral("Smaller file")));
  LargeFileLabel->setText(GetLocalString(214, QStringLiteral("Better quality")));
  OkButton->setText(GetLocalString(1, QStringLiteral("OK")));
  CancelButton->setText(GetLocalString(2, QStringLiteral("Cancel")));
  static const char* const Defaults[PresetCount] = {"Low", "Medium", "High", "Very High", "Maximum"};
  const bool Was = FUpdating;
  FUpdating = true;
  for (int32_t I = 0; I < PresetCount; ++I)
    QualityComboBox->setItemText(I, GetLocalString(208 + I, QString::fromLatin1(Defaults[I])));
  FUpdating = Was;
  QualityChange(QualityTrackBar);
}
