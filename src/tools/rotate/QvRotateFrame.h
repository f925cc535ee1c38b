#pragma once
// The rotate tool's option frame. In the simple mode four large buttons turn or flip the photo at
// once; in the options mode four radio buttons choose the operation, a thumbnail shows its result
// before anything happens, and one button performs it.

#include "QvLTBitmap.h"
#include "QvOptionFrame.h"
#include "QvGraphicsDocument.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class QFrame;
class QPushButton;
class QRadioButton;
class TQvRotateTool;

// The paint box of the preview; its painting goes to the frame.
class TQvThumbnailView : public QWidget {
  Q_OBJECT

 public:
  static constexpr int ViewWidth = 176;
  static constexpr int ViewHeight = 150;

  explicit TQvThumbnailView(QWidget* Parent = nullptr);
  std::function<void(QPainter& Painter)> OnPaint;

 protected:
  void paintEvent(QPaintEvent* Event) override;
};

class TQvRotateFrame : public TQvOptionFrame {
  Q_OBJECT

 public:
  static constexpr int FrameWidth = 192;

  explicit TQvRotateFrame(QWidget* Parent = nullptr);
  ~TQvRotateFrame() override;

  // A new thumbnail of Document, only while the tool is active and the preview is shown; none
  // otherwise.
  void LoadThumbnail(TQvGraphicsDocument* Document);
  // The thumbnail with the checked operation carried out, painted in the view; only while the tool
  // is active, the preview shown and a document open.
  void RenderPreview();
  // The thumbnail follows an operation done on the document: it is turned alike rather than made
  // again from the whole photo. False when there is none to turn.
  bool TransformThumbnail(TQvImageOperation Operation);
  // The checked radio button's operation (rotate left, right, flip horizontal, vertical, in that
  // order of testing); None when none is checked.
  TQvImageOperation SelectedOperation() const;
  void CheckRadio(QRadioButton* Button);
  QRadioButton* RadioButton(TQvImageOperation Operation) const;
  QPushButton* LargeButton(TQvImageOperation Operation) const;

  // ---- event handlers ----
  void OperationButtonClick(TQvImageOperation Operation);
  void RotateRadioButtonChange(QRadioButton* Sender);
  void RotateButtonClick();
  void ThumbnailViewPaint(QPainter& Painter);

  const TQvLTBitmap* Thumbnail() const { return FThumbnail.get(); }
  const TQvLTBitmap* Preview() const { return FPreview.get(); }

  QPointer<TQvRotateTool> FTool;  // set by the tool right after creation

  QWidget* PreviewControl = nullptr;
  QRadioButton* RotateRightRadioButton = nullptr;
  QRadioButton* RotateLeftRadioButton = nullptr;
  QRadioButton* FlipHorizontalRadioButton = nullptr;
  QRadioButton* FlipVerticalRadioButton = nullptr;
  QPushButton* RotateButton = nullptr;
  QFrame* PreviewPanel = nullptr;
  TQvThumbnailView* ThumbnailView = nullptr;
  QPushButton* RotateRightButton = nullptr;
  QPushButton* RotateLeftButton = nullptr;
  QPushButton* FlipHorizontalButton = nullptr;
  QPushButton* FlipVerticalButton = nullptr;

 private:
  std::unique_ptr<TQvLTBitmap> FThumbnail;
  std::unique_ptr<TQvLTBitmap> FPreview;
};
