#pragma once
// The red-eye tool's option frame: the settings and two enlarged panes of the last corrected eye,
// the source pane (uncorrected, the detected region outlined by crawling stripes) and the
// processed pane.

#include "QvOptionFrame.h"
#include "QvTypes.h"

#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
class QTimer;
class QVBoxLayout;
class TQvRedEyeCommandState;
class TQvRedEyeTool;

// A pane with a rounded border and a padding of 2 pixels; painting and presses go to the frame.
class TQvRedEyePreviewPane : public QWidget {
  Q_OBJECT

 public:
  static constexpr int PaneWidth = 184;
  static constexpr int PaneHeight = 183;
  static constexpr int Padding = 2;

  explicit TQvRedEyePreviewPane(QWidget* Parent = nullptr);
  // The area inside the padding, in the pane's coordinates.
  QRect InnerRect() const { return rect().adjusted(Padding, Padding, -Padding, -Padding); }

  std::function<void(QPainter& Painter)> OnPaint;
  std::function<void(Qt::MouseButton Button, const QPoint& Point)> OnMouseDown;
  std::function<void()> OnClick;

 protected:
  void paintEvent(QPaintEvent* Event) override;
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;
};

// Where a red-eye state's rectangle lies in a pane: the rectangle (Area) scaled by the preview
// scale and centred in the pane (Target); Visible is the image rectangle the whole pane shows.
struct TQvRedEyePaneGeometry {
  TRect Area;
  TRect Target;  // pane coordinates, relative to the inner rectangle
  TRect Visible;
  int PaneWidth = 0;
  int PaneHeight = 0;

  static TQvRedEyePaneGeometry Make(const TRect& Area, int PaneWidth, int PaneHeight, double Scale);
  TPoint ImageToPane(const TPoint& Point) const;
  TPoint PaneToImage(const TPoint& Point) const;
};

// The pixels of Region that have a pixel outside Region at distance Width straight above, below,
// left or right.
QRegion OutlineRegion(const QRegion& Region, int Width);

class TQvRedEyeFrame : public TQvOptionFrame {
  Q_OBJECT

 public:
  static constexpr int FrameWidth = 184;

  explicit TQvRedEyeFrame(QWidget* Parent = nullptr);
  ~TQvRedEyeFrame() override;

  // FPreviewScale from the selection box and the source pane's inner rectangle (a multiple of 1/8
  // rounded down); unchanged for an empty box.
  void ComputePreviewScale(const TRect& Box, const QRect& Pane);
  // FPreviewScale within 0.5..5.0.
  double PreviewScale() const;

  // ---- event handlers ----
  void AreaSizeTrackBarChange();
  void BrightnessTrackBarChange();
  void FormulaRadioButtonClick(int Formula);
  void IncSizeButtonClick();
  void DecSizeButtonClick();
  void ShowOptionsButtonClick();
  void AreaSizeTrackBarEnter();
  void BrightnessTrackBarEnter();
  void SelectionPreviewClick();
  void CorrectionPreviewClick();
  void SelectionPreviewMouseDown(Qt::MouseButton Button, const QPoint& Point);
  void SelectionPreviewPaint(QPainter& Painter);
  void CorrectionPreviewPaint(QPainter& Painter);
  void SelectionTimerTimer();

  QPointer<TQvRedEyeTool> FTool;  // set by the tool right after creation
  double FPreviewScale = 0;
  int FAnimationPhase = 0;  // 0..7: the stripes' offset

  TQvRedEyePreviewPane* SelectionPreview = nullptr;
  QLabel* AreaSizeLabel = nullptr;
  QSlider* AreaSizeTrackBar = nullptr;
  QWidget* FormulaPanel = nullptr;
  QLabel* FormulaLabel = nullptr;
  QRadioButton* Formula1RadioButton = nullptr;
  QRadioButton* Formula2RadioButton = nullptr;
  QRadioButton* Formula3RadioButton = nullptr;
  QWidget* RemoveBorderPanel = nullptr;
  QLabel* RemoveBorderLabel = nullptr;
  QPushButton* IncSizeButton = nullptr;
  QPushButton* DecSizeButton = nullptr;
  QLabel* BrightnessLabel = nullptr;
  QSlider* BrightnessTrackBar = nullptr;
  TQvRedEyePreviewPane* CorrectionPreview = nullptr;
  QTimer* SelectionTimer = nullptr;

 protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  // The red-eye state the panes show and its geometry in Pane; false when there is none.
  bool PaneState(const TQvRedEyePreviewPane& Pane, TQvRedEyeCommandState*& State,
                 TQvRedEyePaneGeometry& Geometry) const;
  void PaintTitle(QPainter& Painter, const TQvRedEyePreviewPane& Pane, int Id, const QString& Default);
};
