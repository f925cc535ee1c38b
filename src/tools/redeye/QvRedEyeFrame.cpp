#include "QvRedEyeFrame.h"

#include "QvBitmap.h"
#include "QvGraphicsEditor.h"
#include "QvLocalizer.h"
#include "QvMapMode.h"
#include "QvRedEyeTool.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// 8 × 8 diagonal bands, four white and four black pixels; most significant bit leftmost.
const uint8_t HatchRows[8] = {0x0F, 0x1E, 0x3C, 0x78, 0xF0, 0xE1, 0xC3, 0x87};

QBrush HatchBrush() {
  QImage Pattern(8, 8, QImage::Format_Mono);
  Pattern.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  for (int Y = 0; Y < 8; ++Y) *Pattern.scanLine(Y) = HatchRows[Y];
  return QBrush(Pattern);
}

// Draws Pixels (image coordinates) into the painter's pane coordinates through Geometry's mapping,
// nearest pixel, as the plain scaled copy does.
void DrawScaled(QPainter& Painter, const TQvPixels& Pixels, const TQvRedEyePaneGeometry& G) {
  const QImage Image = Pixels.AsQImage();
  if (Image.isNull() || G.Area.IsEmpty()) return;
  Painter.save();
  Painter.translate(G.Target.Left, G.Target.Top);
  Painter.scale(double(G.Target.Width()) / G.Area.Width(), double(G.Target.Height()) / G.Area.Height());
  Painter.translate(-G.Area.Left, -G.Area.Top);
  Painter.drawImage(QPoint(Pixels.Left, Pixels.Top), Image);
  Painter.restore();
}

}  // namespace

// ---- pane ----

TQvRedEyePreviewPane::TQvRedEyePreviewPane(QWidget* Parent) : QWidget(Parent) {
  setFixedSize(PaneWidth, PaneHeight);
  setCursor(Qt::CrossCursor);
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TQvRedEyePreviewPane::paintEvent(QPaintEvent*) {
  QPainter Painter(this);
  QPainterPath Border;
  Border.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
  Painter.setPen(palette().color(QPalette::Mid));
  Painter.drawPath(Border);
  if (OnPaint) OnPaint(Painter);
}

void TQvRedEyePreviewPane::mousePressEvent(QMouseEvent* Event) {
  if (OnMouseDown) OnMouseDown(Event->button(), Event->position().toPoint());
}

void TQvRedEyePreviewPane::mouseReleaseEvent(QMouseEvent* Event) {
  if (OnClick && rect().contains(Event->position().toPoint())) OnClick();
}

// ---- geometry ----

TQvRedEyePaneGeometry TQvRedEyePaneGeometry::Make(const TRect& Area, int PaneWidth, int PaneHeight, double Scale) {
  TQvRedEyePaneGeometry G;
  G.Area = Area;
  G.PaneWidth = PaneWidth;
  G.PaneHeight = PaneHeight;
  const int Dw = std::max(1, int(std::lround(Area.Width() * Scale)));
  const int Dh = std::max(1, int(std::lround(Area.Height() * Scale)));
  G.Target = Bounds((PaneWidth - Dw) / 2, (PaneHeight - Dh) / 2, Dw, Dh);
  if (Area.IsEmpty()) return G;
  const TPoint TopLeft = G.PaneToImage({0, 0});
  const TPoint BottomRight = G.PaneToImage({PaneWidth, PaneHeight});
  // One more column and row: the pane's last pixels may show part of the next image pixel.
  G.Visible = TRect{TopLeft.X, TopLeft.Y, BottomRight.X + 1, BottomRight.Y + 1};
  return G;
}

TPoint TQvRedEyePaneGeometry::ImageToPane(const TPoint& P) const {
  if (Area.IsEmpty()) return Target.IsEmpty() ? TPoint{} : TPoint{Target.Left, Target.Top};
  return {TQvMapMode::Map(P.X, Area.Left, Area.Width(), Target.Left, Target.Width()),
          TQvMapMode::Map(P.Y, Area.Top, Area.Height(), Target.Top, Target.Height())};
}

TPoint TQvRedEyePaneGeometry::PaneToImage(const TPoint& P) const {
  if (Area.IsEmpty()) return {Area.Left, Area.Top};
  return {TQvMapMode::Map(P.X, Target.Left, Target.Width(), Area.Left, Area.Width()),
          TQvMapMode::Map(P.Y, Target.Top, Target.Height(), Area.Top, Area.Height())};
}

QRegion OutlineRegion(const QRegion& Region, int Width) {
  QRegion R = Region;
  R = R.translated(0, -Width) & Region;
  R = R.translated(Width, Width) & Region;
  R = R.translated(-Width, Width) & Region;
  R = R.translated(-Width, -Width) & Region;
  R = R.translated(Width, 0);
  return Region - R;
}

// ---- frame ----

TQvRedEyeFrame::TQvRedEyeFrame(QWidget* Parent) : TQvOptionFrame(Parent) {
  setFixedWidth(FrameWidth);

  SelectionPreview = new TQvRedEyePreviewPane(this);
  AddControl(SelectionPreview);
  const TQvLabelledSlider& AreaSize = AddSlider(901, QStringLiteral("Area Size"), 0, 255);
  AreaSizeLabel = AreaSize.Label;
  AreaSizeTrackBar = AreaSize.TrackBar;

  FormulaPanel = new QWidget(this);
  auto* FormulaLayout = new QHBoxLayout(FormulaPanel);
  FormulaLayout->setContentsMargins(0, 0, 0, 0);
  FormulaLabel = new QLabel(FormulaPanel);
  Formula1RadioButton = new QRadioButton(QStringLiteral("1"), FormulaPanel);
  Formula2RadioButton = new QRadioButton(QStringLiteral("2"), FormulaPanel);
  Formula3RadioButton = new QRadioButton(QStringLiteral("3"), FormulaPanel);
  Formula1RadioButton->setChecked(true);
  FormulaLayout->addWidget(FormulaLabel);
  for (QRadioButton* Button : {Formula1RadioButton, Formula2RadioButton, Formula3RadioButton}) {
    FormulaLayout->addWidget(Button);
    AddOptionControl(Button);
  }
  AddControl(FormulaPanel);

  RemoveBorderPanel = new QWidget(this);
  auto* BorderLayout = new QHBoxLayout(RemoveBorderPanel);
  BorderLayout->setContentsMargins(0, 0, 0, 0);
  RemoveBorderLabel = new QLabel(RemoveBorderPanel);
  IncSizeButton = new QPushButton(QStringLiteral("+"), RemoveBorderPanel);
  DecSizeButton = new QPushButton(QStringLiteral("-"), RemoveBorderPanel);
  IncSizeButton->setFixedWidth(24);
  DecSizeButton->setFixedWidth(24);
  BorderLayout->addWidget(RemoveBorderLabel, 1);
  BorderLayout->addWidget(IncSizeButton);
  BorderLayout->addWidget(DecSizeButton);
  AddControl(RemoveBorderPanel);

  const TQvLabelledSlider& Brightness = AddSlider(550, QStringLiteral("Brightness"), 0, 255);
  BrightnessLabel = Brightness.Label;
  BrightnessTrackBar = Brightness.TrackBar;
  CorrectionPreview = new TQvRedEyePreviewPane(this);
  AddControl(CorrectionPreview);
  // The link exists for demonstrations and the settings; the frame never shows it.
  AddLink();

  SelectionTimer = new QTimer(this);
  SelectionTimer->setInterval(200);

  connect(AreaSizeTrackBar, &QSlider::valueChanged, this, [this] { AreaSizeTrackBarChange(); });
  connect(BrightnessTrackBar, &QSlider::valueChanged, this, [this] { BrightnessTrackBarChange(); });
  connect(Formula1RadioButton, &QRadioButton::clicked, this, [this] { FormulaRadioButtonClick(0); });
  connect(Formula2RadioButton, &QRadioButton::clicked, this, [this] { FormulaRadioButtonClick(1); });
  connect(Formula3RadioButton, &QRadioButton::clicked, this, [this] { FormulaRadioButtonClick(2); });
  connect(IncSizeButton, &QPushButton::clicked, this, [this] { IncSizeButtonClick(); });
  connect(DecSizeButton, &QPushButton::clicked, this, [this] { DecSizeButtonClick(); });
  connect(SelectionTimer, &QTimer::timeout, this, [this] { SelectionTimerTimer(); });
  AreaSizeTrackBar->installEventFilter(this);
  BrightnessTrackBar->installEventFilter(this);
  SelectionPreview->OnPaint = [this](QPainter& P) { SelectionPreviewPaint(P); };
  CorrectionPreview->OnPaint = [this](QPainter& P) { CorrectionPreviewPaint(P); };
  SelectionPreview->OnMouseDown = [this](Qt::MouseButton B, const QPoint& P) { SelectionPreviewMouseDown(B, P); };
  SelectionPreview->OnClick = [this] { SelectionPreviewClick(); };
  CorrectionPreview->OnClick = [this] { CorrectionPreviewClick(); };
  SelectionTimer->start();
}

TQvRedEyeFrame::~TQvRedEyeFrame() = default;

bool TQvRedEyeFrame::eventFilter(QObject* Watched, QEvent* Event) {
  if (Event->type() == QEvent::FocusIn) {
    if (Watched == AreaSizeTrackBar) AreaSizeTrackBarEnter();
    if (Watched == BrightnessTrackBar) BrightnessTrackBarEnter();
  }
  return TQvOptionFrame::eventFilter(Watched, Event);
}

void TQvRedEyeFrame::ComputePreviewScale(const TRect& Box, const QRect& Pane) {
  if (Box.IsEmpty()) return;
  const int32_t Cx = (Box.Left + Box.Right) / 2;
  const int32_t Cy = (Box.Top + Box.Bottom) / 2;
  const int32_t W = 2 * std::max(Cx - Box.Left, Box.Right - Cx);
  const int32_t H = 2 * std::max(Cy - Box.Top, Box.Bottom - Cy);
  const double S = std::min(double(Pane.width()) / W, double(Pane.height()) / H);
  FPreviewScale = std::trunc(S * 8) / 8;
}

double TQvRedEyeFrame::PreviewScale() const { return std::clamp(FPreviewScale, 0.5, 5.0); }

void TQvRedEyeFrame::AreaSizeTrackBarChange() {
  if (!FTool) return;
  FTool->SetAreaSize(AreaSizeTrackBar->value());
  FTool->RecordLine(QStringLiteral("RedEyeAreaSize ") + QString::number(FTool->FAreaSize));
}

void TQvRedEyeFrame::BrightnessTrackBarChange() {
  if (FTool) FTool->SetBrightness(BrightnessTrackBar->value());
}

void TQvRedEyeFrame::FormulaRadioButtonClick(int Formula) {
  if (!FTool) return;
  FTool->SetFormula(Formula);
  FTool->RecordClick(QStringLiteral("RedEyeFormula") + QString::number(Formula + 1));
}

void TQvRedEyeFrame::IncSizeButtonClick() {
  if (!FTool) return;
  FTool->SetBorder(FTool->FBorder + 1);
  FTool->RecordEnter(QStringLiteral("RedEyeIncArea"));
  FTool->RecordLine(QStringLiteral("RedEyeBorderSize ") + QString::number(FTool->FBorder));
}

void TQvRedEyeFrame::DecSizeButtonClick() {
  if (!FTool) return;
  FTool->SetBorder(FTool->FBorder - 1);
  FTool->RecordEnter(QStringLiteral("RedEyeDecArea"));
  FTool->RecordLine(QStringLiteral("RedEyeBorderSize ") + QString::number(FTool->FBorder));
}

void TQvRedEyeFrame::ShowOptionsButtonClick() {
  if (OnShowOptionsClick) OnShowOptionsClick();
}

void TQvRedEyeFrame::AreaSizeTrackBarEnter() {
  if (!FTool) return;
  FTool->RecordEnter(QStringLiteral("RedEyeAreaSize"));
}

void TQvRedEyeFrame::BrightnessTrackBarEnter() {
  if (!FTool) return;
  FTool->RecordEnter(QStringLiteral("RedEyeBrightness"));
}

void TQvRedEyeFrame::SelectionPreviewClick() {
  if (!FTool) return;
  FTool->RecordEnter(QStringLiteral("RedEyeSelection"));
}

void TQvRedEyeFrame::CorrectionPreviewClick() {
  if (!FTool) return;
  FTool->RecordEnter(QStringLiteral("RedEyePreview"));
}

bool TQvRedEyeFrame::PaneState(const TQvRedEyePreviewPane& Pane, TQvRedEyeCommandState*& State,
                               TQvRedEyePaneGeometry& Geometry) const {
  State = FTool ? FTool->LastRedEyeState() : nullptr;
  if (!State || !State->FDocument || !State->FDocument->Pixels()) return false;
  const QRect Inner = Pane.InnerRect();
  Geometry = TQvRedEyePaneGeometry::Make(State->FBefore.BoundsRect(), Inner.width(), Inner.height(), PreviewScale());
  return !Geometry.Area.IsEmpty();
}

void TQvRedEyeFrame::SelectionPreviewMouseDown(Qt::MouseButton Button, const QPoint& Point) {
  if (Button != Qt::LeftButton || !FTool) return;
  TQvRedEyeCommandState* State = nullptr;
  TQvRedEyePaneGeometry G;
  if (!PaneState(*SelectionPreview, State, G)) return;
  const QPoint Inner = SelectionPreview->InnerRect().topLeft();
  FTool->SetSeed(G.PaneToImage({Point.x() - Inner.x(), Point.y() - Inner.y()}));
  FTool->Reapply();
}

void TQvRedEyeFrame::PaintTitle(QPainter& Painter, const TQvRedEyePreviewPane& Pane, int Id, const QString& Default) {
  Painter.setPen(palette().color(QPalette::Disabled, QPalette::WindowText));
  Painter.drawText(Pane.InnerRect(), Qt::AlignCenter | Qt::TextSingleLine, GetLocalString(Id, Default));
}

void TQvRedEyeFrame::SelectionPreviewPaint(QPainter& Painter) {
  TQvRedEyeCommandState* State = nullptr;
  TQvRedEyePaneGeometry G;
  if (!PaneState(*SelectionPreview, State, G)) {
    PaintTitle(Painter, *SelectionPreview, 902, QStringLiteral("Source Image"));
    CorrectionPreview->update();
    return;
  }
  TDIBSection Section;
  TQvPixelBuffer Surroundings;
  if (!Section.CreateSection(G.PaneWidth, G.PaneHeight) || !Surroundings.Allocate(PixelFormat24, G.Visible)) return;
  // The eye as it was before the step, inside the image as it is now.
  Surroundings.CopyFrom(*State->FDocument->Pixels());
  Surroundings.CopyFrom(State->FBefore);
  QPainter SectionPainter(&Section.Image());
  DrawScaled(SectionPainter, Surroundings, G);
  if (State->FRegion && !State->FRegion->IsEmpty()) {
    std::vector<QRect> Rects;
    for (const TRect& R : State->FRegion->Rects()) {
      const TPoint A = G.ImageToPane({R.Left, R.Top});
      const TPoint B = G.ImageToPane({R.Right, R.Bottom});
      if (B.X > A.X && B.Y > A.Y) Rects.push_back(QRect(A.X, A.Y, B.X - A.X, B.Y - A.Y));
    }
    QRegion Region;
    Region.setRects(Rects.data(), int(Rects.size()));
    const QRegion Ring = OutlineRegion(Region, 1);
    SectionPainter.setClipRegion(Ring);
    SectionPainter.setBrushOrigin(FAnimationPhase, FAnimationPhase);
    SectionPainter.fillRect(Ring.boundingRect(), HatchBrush());
  }
  SectionPainter.end();
  Painter.drawImage(SelectionPreview->InnerRect().topLeft(), Section.Image());
}

void TQvRedEyeFrame::CorrectionPreviewPaint(QPainter& Painter) {
  TQvRedEyeCommandState* State = nullptr;
  TQvRedEyePaneGeometry G;
  if (!PaneState(*CorrectionPreview, State, G)) {
    PaintTitle(Painter, *CorrectionPreview, 903, QStringLiteral("Processed Image"));
    return;
  }
  TDIBSection Section;
  if (!Section.CreateSection(G.PaneWidth, G.PaneHeight)) return;
  const TQvPixels& Current = *State->FDocument->Pixels();
  const TRect Shown = IntersectRect(G.Visible, Current.BoundsRect());
  if (!Shown.IsEmpty()) {
    TQvPixels Part;
    Part.InitPixels(Shown, Current.PixelAt(Shown.Left, Shown.Top), Current.Format, Current.Stride);
    QPainter SectionPainter(&Section.Image());
    DrawScaled(SectionPainter, Part, G);
  }
  Painter.drawImage(CorrectionPreview->InnerRect().topLeft(), Section.Image());
}

void TQvRedEyeFrame::SelectionTimerTimer() {
  FAnimationPhase = (FAnimationPhase + 1) % 8;
  SelectionPreview->update();
}
