#pragma once
// The drawing tools: a stroke from press to release is one change of the document, painting round
// dabs along the pointer's path.
//   TQvDrawTool      size and opacity, the stroke, dabs clipped to the image;
//   TQvMaskDrawTool  a dab shaped by a coverage mask, optionally accumulated over the stroke as the
//                    per-pixel maximum, with a preview of the mask;
//   TQvBrushTool     the mask is a disc with a hard core and a soft rim, set by a hardness.
// Dabs are laid between the positions the pointer reports, at most a quarter of the brush size
// apart, so a fast stroke has no gaps. A stroke also ends when the release can no longer come:
// the window loses the focus (a modal box, another window), or a move arrives without the button.

#include "QvBrush.h"
#include "QvPanelTool.h"

#include <QPointer>

#include <cstdint>

#include <QWidget>

#include <functional>

class QSlider;
class TQvDrawToolControl;

// A box whose picture its owner paints (the dab preview).
class TQvPaintBox : public QWidget {
  Q_OBJECT

 public:
  using QWidget::QWidget;
  std::function<void(QWidget*)> OnPaint;

 protected:
  void paintEvent(QPaintEvent*) override {
    if (OnPaint) OnPaint(this);
  }
};

class TQvDrawTool : public TQvPanelTool {
  Q_OBJECT

 public:
  explicit TQvDrawTool(TQvGraphicsEditor* Editor = GraphicsEditor);

  // Ends the stroke in progress.
  TQvGraphicsTool* Reset() override;
  void DocumentClosing(TQvGraphicsDocument* Document) override;
  // A control that goes with its view is no longer the stroke's.
  void RemoveControl(TQvGraphicsToolControl* Control) override;
  void Deactivate() override;

  virtual void SizeChanged() {}
  virtual void SetSize(int32_t Value);
  virtual void OpacityChanged() {}
  virtual void SetOpacity(int32_t Value);
  // Starts the stroke's change on Control's view; false when nothing can be painted there.
  virtual bool BeginStroke(TQvDrawToolControl* Control, TQvMouseButton Button, TQvShiftState Shift);
  // Paints one dab over Rect (image coordinates), clipped to the image.
  virtual void PaintAt(const TRect& Rect);
  virtual void ApplyDab(const TRect& Rect);
  // Records the stroke as one step.
  virtual void EndStroke();
  bool Painting() const { return FStrokeControl != nullptr; }

  // A slider's range, ticks and position follow the value, and its moves set it.
  void BindSizeTrackBar(QSlider* TrackBar);
  void BindOpacityTrackBar(QSlider* TrackBar);

  TQvDrawToolControl* FStrokeControl = nullptr;
  int32_t FSize = 10;
  int32_t FMinSize = 1;
  int32_t FMaxSize = 50;
  QPointer<QSlider> FSizeTrackBar;
  int32_t FOpacity = 255;
  QPointer<QSlider> FOpacityTrackBar;

 protected:
  static void MoveTrackBar(QSlider* TrackBar, int32_t Value);
  // The stroke in progress, if any, ends (the release will not come).
  void AbandonStroke();
};

class TQvMaskDrawTool : public TQvDrawTool {
  Q_OBJECT

 public:
  using TQvDrawTool::TQvDrawTool;

  void SizeChanged() override;
  void OpacityChanged() override;
  void PaintAt(const TRect& Rect) override;
  void EndStroke() override;
  // Rebuilds the dab's mask; here only the preview is repainted.
  virtual void RebuildMask();
  void BindPreview(TQvPaintBox* PreviewBox);
  // The preview box's picture: the mask centred on white, black (grey when disabled).
  void PaintPreview(QWidget* PreviewBox);

  TQvPixelMask FMask;        // the dab, at (0, 0) between dabs
  TQvPixelMask FStrokeMask;  // the stroke's coverage, image coordinates; empty between strokes
  QPointer<QWidget> FPreviewBox;
  bool FAccumulate = false;
};

class TQvBrushTool : public TQvMaskDrawTool {
  Q_OBJECT

 public:
  explicit TQvBrushTool(TQvGraphicsEditor* Editor = GraphicsEditor);

  void RebuildMask() override;
  virtual void SetHardness(int32_t Value);
  void BindHardnessTrackBar(QSlider* TrackBar);

  int32_t FHardness = 128;
  QPointer<QSlider> FHardnessTrackBar;
};

// ---- controls ----

class TQvDrawToolControl : public TQvGraphicsToolControl {
 public:
  using TQvGraphicsToolControl::TQvGraphicsToolControl;

  // Repaints the old and the new bounds.
  void SetBounds(const TRect& Rect) override;
  void Activate() override;
  void Deactivate() override;
  virtual void EndStroke();
  virtual void Dab();
  // Starts a stroke unless one runs; true when this call started one.
  bool BeginPaint(TQvMouseButton Button, TQvShiftState Shift);
  bool Painting() const { return FUserFlag; }
  TQvDrawTool* DrawTool() const { return static_cast<TQvDrawTool*>(FTool.data()); }
};

class TQvMaskDrawToolControl : public TQvDrawToolControl {
 public:
  using TQvDrawToolControl::TQvDrawToolControl;

  void Activate() override;
  // No system pointer: the brush outline stands for it.
  bool GetCursor(TQvShiftState Shift, const TPoint& Point, int& CursorId) override;
  void MouseEnter() override;
  void MouseLeave() override;
  bool MouseDown(TQvMouseButton Button, TQvShiftState Shift, const TPoint& Point) override;
  bool MouseMove(TQvShiftState Shift, const TPoint& Point) override;
  bool MouseUp(TQvMouseButton Button, TQvShiftState Shift, const TPoint& Point) override;
  bool MouseWheel(TQvShiftState Shift, int Direction, const TPoint& Point) override;
  bool KeyDown(int Key, TQvShiftState Shift) override;
  // Bounds := the dab rectangle at FPosition.
  void FollowPosition();

  TPoint FPosition;  // the pointer, image coordinates
};

class TQvBrushToolControl : public TQvMaskDrawToolControl {
 public:
  using TQvMaskDrawToolControl::TQvMaskDrawToolControl;

  // The outline, inverted on the screen so that it shows on any colour.
  void PaintContent(TQvViewCanvas& Canvas) override;
  void GetContentBounds(const TQvMapMode& MapMode, TRect& Rect) const override;
  // The screen rectangle the outline is drawn in.
  TRect OutlineRect(const TQvMapMode& MapMode) const;
};
