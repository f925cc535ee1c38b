#include "QvResizeFrame.h"

#include "QvResizeTool.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// A whole number with nothing else around it (spaces aside); nothing otherwise.
std::optional<int32_t> ParseInteger(const QString& Text) {
  bool Ok = false;
  const int Value = Text.trimmed().toInt(&Ok);
  if (!Ok) return std::nullopt;
  return Value;
}

}  // namespace

TQvUpDown::TQvUpDown(QWidget* Parent) : QWidget(Parent) {
  auto* Layout = new QVBoxLayout(this);
  Layout->setContentsMargins(0, 0, 0, 0);
  Layout->setSpacing(0);
  UpButton = new QToolButton(this);
  UpButton->setArrowType(Qt::UpArrow);
  DownButton = new QToolButton(this);
  DownButton->setArrowType(Qt::DownArrow);
  for (QToolButton* B : {UpButton, DownButton}) {
    B->setAutoRepeat(true);
    B->setFixedSize(16, 11);
    Layout->addWidget(B);
  }
  connect(UpButton, &QToolButton::clicked, this, [this] { Step(+1); });
  connect(DownButton, &QToolButton::clicked, this, [this] { Step(-1); });
}

void TQvUpDown::Step(int Delta) {
  const int From = Position ? Position() : Min;
  const int To = std::clamp(From + Delta, Min, Max);
  if (OnChanging) OnChanging(To);
}

TQvResizeFrame::TQvResizeFrame(QWidget* Parent) : TQvOptionFrame(Parent) {
  setFixedWidth(FrameWidth);
  SizePanel = new QWidget(this);
  auto* Grid = new QGridLayout(SizePanel);
  Grid->setContentsMargins(0, 0, 0, 0);
  NewSizeLabel = new QLabel(QStringLiteral("New Size:"), SizePanel);
  Grid->addWidget(NewSizeLabel, 0, 0, 1, 3);
  WidthLabel = new QLabel(QStringLiteral("Width:"), SizePanel);
  WidthEdit = new QLineEdit(SizePanel);
  WidthUpDown = new TQvUpDown(SizePanel);
  HeightLabel = new QLabel(QStringLiteral("Height:"), SizePanel);
  HeightEdit = new QLineEdit(SizePanel);
  HeightUpDown = new TQvUpDown(SizePanel);
  Grid->addWidget(WidthLabel, 1, 0);
  Grid->addWidget(WidthEdit, 1, 1);
  Grid->addWidget(WidthUpDown, 1, 2);
  Grid->addWidget(HeightLabel, 2, 0);
  Grid->addWidget(HeightEdit, 2, 1);
  Grid->addWidget(HeightUpDown, 2, 2);
  AddControl(SizePanel);

  ConstrainProportionsCheckBox = new QCheckBox(QStringLiteral("Constrain Proportions"), this);
  AddControl(ConstrainProportionsCheckBox);

  OkPanel = new QWidget(this);
  auto* Row = new QHBoxLayout(OkPanel);
  Row->setContentsMargins(0, 0, 0, 0);
  OkButton = new QPushButton(QStringLiteral("Ok"), OkPanel);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), OkPanel);
  Row->addWidget(OkButton);
  Row->addWidget(CancelButton);
  AddControl(OkPanel);
  // The link exists, as in every frame, but this tool has no further options to show.
  AddLink();
  ShowLink(false);

  connect(WidthEdit, &QLineEdit::textChanged, this, [this] { WidthEditChange(); });
  connect(HeightEdit, &QLineEdit::textChanged, this, [this] { HeightEditChange(); });
  WidthUpDown->Position = [this] { return FTool ? FTool->Settings().Width() : TQvUpDown::Min; };
  HeightUpDown->Position = [this] { return FTool ? FTool->Settings().Height() : TQvUpDown::Min; };
  // The up-downs hand over 16-bit positions.
  WidthUpDown->OnChanging = [this](int Value) {
    if (FTool) FTool->SetWidth(int16_t(Value));
  };
  HeightUpDown->OnChanging = [this](int Value) {
    if (FTool) FTool->SetHeight(int16_t(Value));
  };
  connect(ConstrainProportionsCheckBox, &QCheckBox::toggled, this, [this] { ConstrainProportionsCheckBoxChange(); });
  connect(OkButton, &QPushButton::clicked, this, [this] { OkButtonClick(); });
  connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButtonClick(); });
}

void TQvResizeFrame::WidthEditChange() {
  const std::optional<int32_t> V = ParseInteger(WidthEdit->text());
  if (!V || !FTool) return;
  FTool->SetWidth(*V);
  FTool->RecordLine(QStringLiteral("ResizeWidth ") + QString::number(*V));
}

void TQvResizeFrame::HeightEditChange() {
  const std::optional<int32_t> V = ParseInteger(HeightEdit->text());
  if (!V || !FTool) return;
  FTool->SetHeight(*V);
  FTool->RecordLine(QStringLiteral("ResizeHeight ") + QString::number(*V));
}

void TQvResizeFrame::ConstrainProportionsCheckBoxChange() {
  if (!FTool) return;
  const bool Checked = ConstrainProportionsCheckBox->isChecked();
  FTool->SetConstrainProportions(Checked);
  FTool->RecordMove(QStringLiteral("ResizeProportions"));
  FTool->RecordLine(Checked ? QStringLiteral("ResizeProportional") : QStringLiteral("ResizeDisproportional"));
}

void TQvResizeFrame::OkButtonClick() {
  if (!FTool) return;
  FTool->Perform();
  FTool->RecordCommand(QStringLiteral("ResizePerform"));
}

void TQvResizeFrame::CancelButtonClick() {
  if (!FTool) return;
  FTool->ResetToImage();
  FTool->RecordCommand(QStringLiteral("ResizeCancel"));
}
