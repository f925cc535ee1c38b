#include "QvOptionFrame.h"

#include "QvLocalizer.h"

#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

// ---- link ----

TQvOptionsLink::TQvOptionsLink(QWidget* Parent) : QToolButton(Parent) {
  setAutoRaise(true);
  setCursor(Qt::PointingHandCursor);
  setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  setFocusPolicy(Qt::NoFocus);
  QPalette P = palette();
  P.setColor(QPalette::ButtonText, P.color(QPalette::Link));
  setPalette(P);
  SetShown(false);
}

void TQvOptionsLink::SetShown(bool Shown) {
  FShown = Shown;
  setArrowType(Shown ? Qt::UpArrow : Qt::DownArrow);
  setText(Shown ? GetLocalString(2020, QStringLiteral("Hide Options"))
                : GetLocalString(2019, QStringLiteral("Show More Options")));
}

// ---- labelled slider ----

QString TQvLabelledSlider::Text() const {
  return GetLocalString(CaptionId, CaptionDefault) + QStringLiteral(": ") +
         QString::number(TrackBar ? TrackBar->value() : 0);
}

void TQvLabelledSlider::Refresh() const {
  if (!Label) return;
  const QString New = Text();
  if (Label->text() != New) Label->setText(New);
}

// ---- frame ----

TQvOptionFrame::TQvOptionFrame(QWidget* Parent) : TQvFrame(Parent) {
  FLayout = new QVBoxLayout(this);
  FLayout->setContentsMargins(0, 0, 0, 0);
  FLayout->setSpacing(4);
  FLayout->setAlignment(Qt::AlignTop);
  TitleLabel = new QLabel(this);
  QFont TitleFont = TitleLabel->font();
  TitleFont.setBold(true);
  TitleFont.setUnderline(true);
  TitleLabel->setFont(TitleFont);
  FLayout->addWidget(TitleLabel);
}

TQvOptionFrame::~TQvOptionFrame() {
  for (TQvLabelledSlider* Slider : FSliders) delete Slider;
}

void TQvOptionFrame::UpdateControls() {
  TQvFrame::UpdateControls();
  RefreshSliderLabels();
}

void TQvOptionFrame::AddControl(QWidget* W) {
  if (W) FLayout->addWidget(W);
}

void TQvOptionFrame::AddOptionControl(QWidget* W) {
  if (!W) return;
  FOptionControls.push_back(W);
  W->setVisible(FOptionsShown);
}

TQvLabelledSlider& TQvOptionFrame::AddSlider(int CaptionId, const QString& CaptionDefault, int Min, int Max, int Tick) {
  auto* Slider = new TQvLabelledSlider;
  FSliders.push_back(Slider);
  Slider->CaptionId = CaptionId;
  Slider->CaptionDefault = CaptionDefault;
  Slider->Label = new QLabel(this);
  Slider->TrackBar = new QSlider(Qt::Horizontal, this);
  Slider->TrackBar->setRange(Min, Max);
  Slider->TrackBar->setTickInterval(Tick);
  Slider->TrackBar->setTickPosition(QSlider::TicksBelow);
  Slider->TrackBar->setPageStep(Tick);
  FLayout->addWidget(Slider->Label);
  FLayout->addWidget(Slider->TrackBar);
  Slider->Refresh();
  return *Slider;
}

void TQvOptionFrame::AddLink() {
  if (ShowOptions) return;
  ShowOptions = new TQvOptionsLink(this);
  ShowOptions->setVisible(false);
  ShowOptions->SetShown(FOptionsShown);
  FLayout->addWidget(ShowOptions, 0, Qt::AlignLeft);
  connect(ShowOptions, &QToolButton::clicked, this, [this] {
    if (OnShowOptionsClick) OnShowOptionsClick();
  });
}

void TQvOptionFrame::ShowLink(bool Value) {
  if (ShowOptions) ShowOptions->setVisible(Value);
}

void TQvOptionFrame::SetOptionsShown(bool Value) {
  FOptionsShown = Value;
  for (QWidget* W : FOptionControls) W->setVisible(Value);
  if (ShowOptions) ShowOptions->SetShown(Value);
}

void TQvOptionFrame::LocalizeFrame(int TitleId, const QString& TitleDefault) {
  TitleLabel->setText(GetLocalString(TitleId, TitleDefault));
  if (ShowOptions) ShowOptions->SetShown(FOptionsShown);
  RefreshSliderLabels();
}

void TQvOptionFrame::RefreshSliderLabels() const {
  for (const TQvLabelledSlider* Slider : FSliders) Slider->Refresh();
}
