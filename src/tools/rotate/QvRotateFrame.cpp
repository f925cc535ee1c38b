#include "QvRotateFrame.h"

#include "QvGraphicsEditor.h"
#include "QvRotateTool.h"

#include <QFrame>
#include <QIcon>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// The caption a demonstration word gives an operation: "Left", "Right", "Horizontal", "Vertical".
QString OperationWord(TQvImageOperation Operation) {
  switch (Operation) {
    case TQvImageOperation::RotateLeft: return QStringLiteral("Left");
    case TQvImageOperation::RotateRight: return QStringLiteral("Right");
    case TQvImageOperation::FlipHorizontal: return QStringLiteral("Horizontal");
    case TQvImageOperation::FlipVertical: return QStringLiteral("Vertical");
    default: return QString();
  }
}

bool TransformBitmap(TQvLTBitmap& Bitmap, TQvImageOperation Operation) {
  switch (Operation) {
    case TQvImageOperation::RotateLeft: return Bitmap.RotateLeft();
    case TQvImageOperation::RotateRight: return Bitmap.RotateRight();
    case TQvImageOperation::FlipHorizontal: return Bitmap.FlipHorizontal();
    case TQvImageOperation::FlipVertical: return Bitmap.FlipVertical();
    default: return false;
  }
}

QPushButton* LargeButton(QWidget* Parent, const QString& Caption, const QString& Image) {
  auto* B = new QPushButton(Caption, Parent);
  B->setIcon(QIcon(QStringLiteral(":/ocuvane/bitmaps/") + Image + QStringLiteral(".svg")));
  B->setIconSize(QSize(32, 32));
  B->setMinimumHeight(44);
  B->setStyleSheet(QStringLiteral("text-align: left; padding-left: 8px;"));
  return B;
}

}  // namespace

TQvThumbnailView::TQvThumbnailView(QWidget* Parent) : QWidget(Parent) { setFixedSize(ViewWidth, ViewHeight); }

void TQvThumbnailView::paintEvent(QPaintEvent*) {
  QPainter P(this);
  if (OnPaint) OnPaint(P);
}

TQvRotateFrame::TQvRotateFrame(QWidget* Parent) : TQvOptionFrame(Parent) {
  setFixedWidth(FrameWidth);

  PreviewControl = new QWidget(this);
  auto* PreviewLayout = new QVBoxLayout(PreviewControl);
  PreviewLayout->setContentsMargins(0, 0, 0, 0);
  RotateRightRadioButton = new QRadioButton(QStringLiteral("Rotate Right"), PreviewControl);
  RotateLeftRadioButton = new QRadioButton(QStringLiteral("Rotate Left"), PreviewControl);
  FlipHorizontalRadioButton = new QRadioButton(QStringLiteral("Flip Horizontal"), PreviewControl);
  FlipVerticalRadioButton = new QRadioButton(QStringLiteral("Flip Vertical"), PreviewControl);
  RotateRightRadioButton->setChecked(true);
  for (QRadioButton* R : {RotateRightRadioButton, RotateLeftRadioButton, FlipHorizontalRadioButton, FlipVerticalRadioButton}) {
    PreviewLayout->addWidget(R);
    connect(R, &QRadioButton::toggled, this, [this, R](bool) { RotateRadioButtonChange(R); });
  }
  PreviewPanel = new QFrame(PreviewControl);
  PreviewPanel->setFrameShape(QFrame::NoFrame);
  auto* PanelLayout = new QVBoxLayout(PreviewPanel);
  PanelLayout->setContentsMargins(0, 0, 0, 0);
  ThumbnailView = new TQvThumbnailView(PreviewPanel);
  ThumbnailView->OnPaint = [this](QPainter& P) { ThumbnailViewPaint(P); };
  PanelLayout->addWidget(ThumbnailView, 0, Qt::AlignHCenter);
  PreviewLayout->addWidget(PreviewPanel);
  RotateButton = new QPushButton(RotateRightRadioButton->text(), PreviewControl);
  connect(RotateButton, &QPushButton::clicked, this, [this] { RotateButtonClick(); });
  PreviewLayout->addWidget(RotateButton);
  AddControl(PreviewControl);
  AddOptionControl(PreviewControl);

  RotateRightButton = ::LargeButton(this, RotateRightRadioButton->text(), QStringLiteral("Right"));
  RotateLeftButton = ::LargeButton(this, RotateLeftRadioButton->text(), QStringLiteral("Left"));
  FlipHorizontalButton = ::LargeButton(this, FlipHorizontalRadioButton->text(), QStringLiteral("FlipHorizontal"));
  FlipVerticalButton = ::LargeButton(this, FlipVerticalRadioButton->text(), QStringLiteral("FlipVertical"));
  const std::pair<QPushButton*, TQvImageOperation> Buttons[] = {
      {RotateRightButton, TQvImageOperation::RotateRight},
      {RotateLeftButton, TQvImageOperation::RotateLeft},
      {FlipHorizontalButton, TQvImageOperation::FlipHorizontal},
      {FlipVerticalButton, TQvImageOperation::FlipVertical}};
  for (const auto& [B, Operation] : Buttons) {
    AddControl(B);
    connect(B, &QPushButton::clicked, this, [this, Operation] { OperationButtonClick(Operation); });
  }
  AddLink();
  ShowLink(true);
}

TQvRotateFrame::~TQvRotateFrame() = default;

QRadioButton* TQvRotateFrame::RadioButton(TQvImageOperation Operation) const {
  switch (Operation) {
    case TQvImageOperation::RotateLeft: return RotateLeftRadioButton;
    case TQvImageOperation::RotateRight: return RotateRightRadioButton;
    case TQvImageOperation::FlipHorizontal: return FlipHorizontalRadioButton;
    case TQvImageOperation::FlipVertical: return FlipVerticalRadioButton;
    default: return nullptr;
  }
}

QPushButton* TQvRotateFrame::LargeButton(TQvImageOperation Operation) const {
  switch (Operation) {
    case TQvImageOperation::RotateLeft: return RotateLeftButton;
    case TQvImageOperation::RotateRight: return RotateRightButton;
    case TQvImageOperation::FlipHorizontal: return FlipHorizontalButton;
    case TQvImageOperation::FlipVertical: return FlipVerticalButton;
    default: return nullptr;
  }
}

TQvImageOperation TQvRotateFrame::SelectedOperation() const {
  for (const TQvImageOperation Operation : {TQvImageOperation::RotateLeft, TQvImageOperation::RotateRight,
                                            TQvImageOperation::FlipHorizontal, TQvImageOperation::FlipVertical})
    if (RadioButton(Operation)->isChecked()) return Operation;
  return TQvImageOperation::None;
}

void TQvRotateFrame::CheckRadio(QRadioButton* Button) {
  if (Button) Button->setChecked(true);
}

void TQvRotateFrame::LoadThumbnail(TQvGraphicsDocument* Document) {
  FThumbnail.reset();
  if (!Document || !FTool || !FTool->FActive || PreviewControl->isHidden()) return;
  const int Side = std::min(ThumbnailView->width(), ThumbnailView->height()) - 2;
  FThumbnail = Document->CreateThumbnail(Side);
}

void TQvRotateFrame::RenderPreview() {
  if (!FTool || !FTool->FActive || PreviewControl->isHidden()) return;
  TQvGraphicsEditor* Editor = FTool->Editor();
  TQvGraphicsDocument* Document = Editor ? Editor->ActiveDocument() : nullptr;
  if (!Document) return;
  FPreview.reset();
  if (!FThumbnail) LoadThumbnail(Document);
  if (FThumbnail) {
    FPreview = FThumbnail->Clone();
    // A preview that cannot be turned shows the thumbnail as it is rather than nothing.
    if (FPreview) TransformBitmap(*FPreview, SelectedOperation());
  }
  ThumbnailView->update();
}

bool TQvRotateFrame::TransformThumbnail(TQvImageOperation Operation) {
  return FThumbnail && TransformBitmap(*FThumbnail, Operation);
}

void TQvRotateFrame::OperationButtonClick(TQvImageOperation Operation) {
  if (!FTool) return;
  FTool->Perform(Operation);
  FTool->RecordCommand(QStringLiteral("Rotation") + OperationWord(Operation));
}

void TQvRotateFrame::RotateRadioButtonChange(QRadioButton* Sender) {
  if (!Sender || !Sender->isChecked()) return;
  RotateButton->setText(Sender->text());
  RenderPreview();
  if (FTool)
    for (const TQvImageOperation Operation : {TQvImageOperation::RotateLeft, TQvImageOperation::RotateRight,
                                              TQvImageOperation::FlipHorizontal, TQvImageOperation::FlipVertical})
      if (RadioButton(Operation) == Sender)
        FTool->RecordCommand(QStringLiteral("Rotation") + OperationWord(Operation) + QStringLiteral("Option"));
}

void TQvRotateFrame::RotateButtonClick() {
  const TQvImageOperation Operation = SelectedOperation();
  if (FTool && Operation != TQvImageOperation::None) FTool->Perform(Operation);
  RenderPreview();
  if (FTool) FTool->RecordCommand(QStringLiteral("RotationPerform"));
}

void TQvRotateFrame::ThumbnailViewPaint(QPainter& Painter) {
  // The box with the painter's own pen and brush, then the preview centred in it.
  Painter.setBrush(Qt::white);
  Painter.drawRect(ThumbnailView->rect().adjusted(0, 0, -1, -1));
  if (!FPreview) return;
  const int32_t W = FPreview->Width();
  const int32_t H = FPreview->Height();
  const int32_t X = (ThumbnailView->width() - W) / 2;
  const int32_t Y = (ThumbnailView->height() - H) / 2;
  FPreview->Paint(&Painter, TRect{X, Y, X + W, Y + H}, nullptr, nullptr);
}
