#include "QvCrop2Frame.h"

#include "QvCrop2Tool.h"
#include "QvLocalizer.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

#include <utility>

namespace {

QString L(int Id) { return GetLocalString(Id, QString()); }

QSpinBox* RatioEdit(QWidget* Parent) {
  auto* Edit = new QSpinBox(Parent);
  // Terms beyond this would let the ratio products overflow; 0 means free.
  Edit->setRange(0, TCropRatio::MaxTerm);
  Edit->setValue(0);
  return Edit;
}

}  // namespace

TQvCrop2Frame::TQvCrop2Frame(QWidget* Parent) : TQvOptionFrame(Parent) {
  setFixedWidth(FrameWidth);
  DescriptionLabel = new QLabel(this);
  DescriptionLabel->setWordWrap(true);
  AddControl(DescriptionLabel);

  rbFree = new QRadioButton(QStringLiteral("Free ratio"), this);
  rbFoto = new QRadioButton(QStringLiteral("Print formats"), this);
  rbScreen = new QRadioButton(QStringLiteral("Screen formats"), this);
  rbFree->setChecked(true);
  const std::pair<QRadioButton*, QString> Radios[] = {{rbFree, QStringLiteral("CropFree")},
                                                       {rbFoto, QStringLiteral("CropFoto")},
                                                       {rbScreen, QStringLiteral("CropScreen")}};
  for (const auto& [R, DemoName] : Radios) {
    // As wide as its text: a click beside the text does not check a radio button, and a
    // demonstration clicks the middle of the control.
    R->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    AddControl(R);
    connect(R, &QRadioButton::toggled, this, [this](bool On) {
      if (On) OnRadioGroupClick();
    });
    // Only the user's own clicks are recorded; a replayed line sets the button itself.
    connect(R, &QRadioButton::clicked, this, [this, Name = DemoName] {
      if (FTool) FTool->RecordClick(Name);
    });
  }

  SizePanel = new QWidget(this);
  auto* Grid = new QGridLayout(SizePanel);
  Grid->setContentsMargins(0, 0, 0, 0);
  WidthLabel = new QLabel(QStringLiteral("Width:"), SizePanel);
  WidthEdit = RatioEdit(SizePanel);
  HeightLabel = new QLabel(QStringLiteral("Height:"), SizePanel);
  HeightEdit = RatioEdit(SizePanel);
  btClear = new QPushButton(QStringLiteral("Clear"), SizePanel);
  Grid->addWidget(WidthLabel, 0, 0);
  Grid->addWidget(WidthEdit, 0, 1);
  Grid->addWidget(HeightLabel, 1, 0);
  Grid->addWidget(HeightEdit, 1, 1);
  Grid->addWidget(btClear, 0, 2, 2, 1);
  AddControl(SizePanel);
  connect(WidthEdit, &QSpinBox::textChanged, this, [this] { SizeEditChange(); });
  connect(HeightEdit, &QSpinBox::textChanged, this, [this] { SizeEditChange(); });
  connect(btClear, &QPushButton::clicked, this, [this] { btClearClick(); });

  panelFoto = new QWidget(this);
  auto* FotoRow = new QHBoxLayout(panelFoto);
  FotoRow->setContentsMargins(0, 0, 0, 0);
  cmbFoto = new QComboBox(panelFoto);
  cmbFoto->addItems(PrintFormats());
  FotoRow->addWidget(cmbFoto);
  AddControl(panelFoto);
  connect(cmbFoto, &QComboBox::currentIndexChanged, this, [this] { SetRatio(1); });
  connect(cmbFoto, &QComboBox::activated, this, [this](int Index) { RecordFormat(QStringLiteral("CropFotoFormat"), Index); });

  panelScreen = new QWidget(this);
  auto* ScreenRow = new QHBoxLayout(panelScreen);
  ScreenRow->setContentsMargins(0, 0, 0, 0);
  cmbScreen = new QComboBox(panelScreen);
  cmbScreen->addItems(ScreenFormats());
  ScreenRow->addWidget(cmbScreen);
  AddControl(panelScreen);
  connect(cmbScreen, &QComboBox::currentIndexChanged, this, [this] { SetRatio(2); });
  connect(cmbScreen, &QComboBox::activated, this,
          [this](int Index) { RecordFormat(QStringLiteral("CropScreenFormat"), Index); });

  gbListResolution = new QGroupBox(QStringLiteral("Resolutions"), this);
  auto* ListLayout = new QVBoxLayout(gbListResolution);
  lblListResolution = new QLabel(gbListResolution);
  ListLayout->addWidget(lblListResolution);
  AddControl(gbListResolution);

  gbCurrentResolution = new QGroupBox(this);
  auto* CurrentLayout = new QVBoxLayout(gbCurrentResolution);
  lblCurrentResolution = new QLabel(gbCurrentResolution);
  QFont Bold = lblCurrentResolution->font();
  Bold.setBold(true);
  lblCurrentResolution->setFont(Bold);
  CurrentLayout->addWidget(lblCurrentResolution);
  AddControl(gbCurrentResolution);

  for (QWidget* W : {static_cast<QWidget*>(rbFree), static_cast<QWidget*>(rbFoto), static_cast<QWidget*>(rbScreen),
                     SizePanel, panelFoto, panelScreen, static_cast<QWidget*>(gbListResolution),
                     static_cast<QWidget*>(gbCurrentResolution)})
    AddOptionControl(W);
  AddLink();
  ShowLink(true);
}

int32_t TQvCrop2Frame::EditValue(const QSpinBox* Edit, bool& HasText) {
  const QString Text = Edit->cleanText().trimmed();
  HasText = !Text.isEmpty();
  bool Ok = false;
  const int V = Text.toInt(&Ok);
  HasText = HasText && Ok;
  return HasText ? V : 0;
}

void TQvCrop2Frame::SetRatio(int Kind) {
  if (!FTool) return;
  if (Kind == 0) {
    bool HasW = false;
    bool HasH = false;
    FTool->SetRatio(TCropRatio{EditValue(WidthEdit, HasW), EditValue(HeightEdit, HasH)});
    return;
  }
  const QString S = Kind == 1 ? cmbFoto->currentText() : cmbScreen->currentText();
  if (Kind == 2) {
    const int I = cmbScreen->currentIndex();
    lblListResolution->setText(I >= 0 && I < FResolutionLists.size() ? FResolutionLists[I] : QString());
    lblCurrentResolution->setText(ScreenResolutionText());
  }
  if (S.isEmpty()) return;
  if (const std::optional<TCropRatio> R = ParseRatio(S)) FTool->SetRatio(*R);
}

void TQvCrop2Frame::UpdateLayout(bool ShowOptions) {
  SetOptionsShown(ShowOptions);
  SizePanel->setVisible(ShowOptions && rbFree->isChecked());
  panelFoto->setVisible(ShowOptions && rbFoto->isChecked());
  panelScreen->setVisible(ShowOptions && rbScreen->isChecked());
  gbListResolution->setVisible(ShowOptions && rbScreen->isChecked());
  gbCurrentResolution->setVisible(ShowOptions && rbScreen->isChecked());
}

QString TQvCrop2Frame::ScreenResolutionText() const {
  const QScreen* S = screen() ? screen() : QGuiApplication::primaryScreen();
  int32_t W = 0;
  int32_t H = 0;
  if (S) {
    // The screen's own pixels, not the scaled ones the desktop lays windows out in.
    W = int32_t(std::lround(S->geometry().width() * S->devicePixelRatio()));
    H = int32_t(std::lround(S->geometry().height() * S->devicePixelRatio()));
  }
  return L(2890) + QStringLiteral(": ") + QString::number(W) + QLatin1Char('x') + QString::number(H) +
         QLatin1Char('\n') + L(2891) + QStringLiteral(": ") + ScreenRatioText(W, H);
}

void TQvCrop2Frame::LocalizeResolutions() {
  FResolutionLists.clear();
  for (int I = 0; I < 6; ++I) FResolutionLists.push_back(L(2892 + I).replace(QLatin1Char(' '), QLatin1Char('\n')));
  const int I = cmbScreen->currentIndex();
  lblListResolution->setText(I >= 0 && I < FResolutionLists.size() ? FResolutionLists[I] : QString());
  lblCurrentResolution->setText(ScreenResolutionText());
}

void TQvCrop2Frame::OnRadioGroupClick() {
  if (FTool) FTool->UpdateLayout();
  SetRatio(rbFree->isChecked() ? 0 : rbFoto->isChecked() ? 1 : 2);
}

void TQvCrop2Frame::SizeEditChange() {
  if (!FTool) return;
  bool HasW = false;
  bool HasH = false;
  const int32_t W = EditValue(WidthEdit, HasW);
  const int32_t H = EditValue(HeightEdit, HasH);
  // Both at 0 have no greatest common divisor: free, like any ratio with a term of 0.
  FTool->SetRatio(HasW && HasH ? ReducedRatio(W, H) : TCropRatio{});
}

void TQvCrop2Frame::btClearClick() {
  WidthEdit->clear();
  HeightEdit->clear();
  // Empty edits hold no ratio (their change handlers may not hear a programmatic clear).
  SizeEditChange();
}

void TQvCrop2Frame::ShowOptionsButtonClick() {
  if (FTool) FTool->SetShowOptionsAsLink(!FTool->FShowOptions);
}

void TQvCrop2Frame::SelectFormat(QComboBox* List, int Index) {
  List->setCurrentIndex(Index >= 0 && Index < List->count() ? Index : 0);
}

void TQvCrop2Frame::RecordFormat(const QString& Name, int Index) {
  if (!FTool) return;
  FTool->RecordEnter(Name);
  FTool->RecordLine(Name + QLatin1Char(' ') + QString::number(Index));
}
